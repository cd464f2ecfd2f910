#include "DaoTableSearchFixture.h"

namespace daotabletest {
namespace {

// The three roads of Locate: an index Seek on a table-type recordset, the
// engine's FindFirst on a dynaset, and the record-by-record scan of a
// recordset without bookmarks (forward-only).
struct LocateCase {
    const char* What;
    const char* Fields;
    jet::Variant Values;
    TLocateOptions Options;
    int BySeek;  // the Id found, or 0 for none
    int ByCriteria;
    int ByScan;
};

class LocateStrategyTest : public DaoTableSearchTest, public ::testing::WithParamInterface<LocateCase> {};

TEST_P(LocateStrategyTest, FindsTheFirstRecordWhoseKeysHoldTheValues)
{
    const LocateCase& c = GetParam();
    const struct {
        int TableType;
        int Expected;
    } roads[] = {{jet::dbOpenTable, c.BySeek}, {jet::dbOpenDynaset, c.ByCriteria}, {jet::dbOpenForwardOnly, c.ByScan}};
    for (const auto& road : roads) {
        TDaoTable& table = OpenParts(road.TableType);
        const int before = IdOf(table);
        const bool found = table.Locate(c.Fields, c.Values, c.Options);
        EXPECT_EQ(found, road.Expected != 0) << c.What << ", table type " << road.TableType;
        EXPECT_EQ(IdOf(table), found ? road.Expected : before) << c.What << ", table type " << road.TableType;
    }
}

const TLocateOptions Caseless = loCaseInsensitive;
const TLocateOptions Partial = loPartialKey;

INSTANTIATE_TEST_SUITE_P(
    Cases, LocateStrategyTest,
    ::testing::Values(
        LocateCase{"a text as stored", "Name", "Bert", 0, 3, 3, 3},
        // The index and the criteria compare texts without regard to case;
        // the scan only when asked to.
        LocateCase{"a text in another case", "Name", "bert", 0, 3, 3, 0},
        LocateCase{"a text in another case, case ignored", "Name", "BERT", Caseless, 3, 3, 3},
        LocateCase{"two texts equal but for case: the first", "Name", "ANNA", Caseless, 1, 1, 1},
        LocateCase{"the beginning of a text", "Name", "Be", Partial, 3, 3, 3},
        LocateCase{"the middle of a text: only the scan looks inside", "Name", "er", Partial, 0, 0, 3},
        LocateCase{"stars around a partial key: the scan drops them", "Name", "*er*", Partial, 0, 0, 3},
        LocateCase{"a seek that lands beyond the key finds nothing", "Name", "Bz", 0, 0, 0, 0},
        LocateCase{"Chinese text", "City", "北京", 0, 3, 3, 3},
        LocateCase{"the beginning of a Chinese text", "Name", "王", Partial, 6, 6, 6},
        LocateCase{"a Null key finds the Null", "Name", jet::Variant::Null(), 0, 4, 4, 4},
        LocateCase{"the text NULL is a text", "Name", "NULL", 0, 5, 5, 5},
        LocateCase{"a text with a double quote", "Name", "Bz\"q", 0, 7, 7, 7},
        LocateCase{"a date", "Made", jet::Variant::Date(platform::EncodeDate(2001, 3, 16)), 0, 3, 3, 3},
        LocateCase{"a number", "Price", 30, 0, 3, 3, 3},
        LocateCase{"a number given as text", "Price", "10.5", 0, 1, 1, 1},
        LocateCase{"a Boolean", "Flag", false, 0, 2, 2, 2},
        LocateCase{"two fields of one index", "City;Name", KeyArray({"Paris", "anna"}), 0, 2, 2, 2},
        LocateCase{"two fields apart in their index", "City;Id", KeyArray({"Paris", 4}), 0, 4, 4, 4},
        LocateCase{"two fields, the second not matching", "City;Name", KeyArray({"Paris", "Bert"}), 0, 0, 0, 0}));

TEST_F(DaoTableSearchTest, ASeekAtOrAfterTheKeyFindsNothingWhenTheKeyIsNotThere)
{
    TDaoTable& table = OpenParts(jet::dbOpenTable);
    table.Locate("Name", "Bert", 0);
    // ByName holds Name and Id: one key searches ">=", which lands on Bz"q.
    EXPECT_FALSE(table.Locate("Name", "Bu", 0));
    EXPECT_EQ(IdOf(table), 3) << "the table stays where it was";
    EXPECT_FALSE(table.Locate("Name", "z", Partial)) << "a partial key is the beginning of the text";
    EXPECT_TRUE(table.Locate("Name", "bz", Partial));
    EXPECT_EQ(IdOf(table), 7);
}

TEST_F(DaoTableSearchTest, TheScanPassesNullValuesWithoutError)
{
    // Record 4 holds a Null name before record 5; the scan must step over it.
    TDaoTable& table = OpenParts(jet::dbOpenForwardOnly);
    EXPECT_TRUE(table.Locate("Name", "NULL", 0));
    EXPECT_EQ(IdOf(table), 5);
    table.Close();
    table.Open();
    EXPECT_FALSE(table.Locate("Name", "wang", Partial | Caseless));
    EXPECT_EQ(IdOf(table), 1) << "a forward-only table keeps showing its record";
}

TEST_F(DaoTableSearchTest, NothingIsSearchedInTheStatesThatForbidIt)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    table.F_SetBatchMode(true);
    EXPECT_FALSE(table.Locate("Name", "Bert", 0));
    table.F_SetBatchMode(false);

    table.F_Set_OnFilterRecord([](TDataSet&, bool& accept) { accept = true; });
    table.SetFiltered(true);
    EXPECT_FALSE(table.Locate("Name", "Bert", 0));
    table.SetFiltered(false);
    table.F_Set_OnFilterRecord(nullptr);

    table.Close();
    table.F_Set_TableType(jet::dbOpenTable);
    table.F_Set_IndexName("PrimaryKey");
    table.Open();
    table.SetRange({2}, {4});
    EXPECT_FALSE(table.Locate("Name", "Bert", 0));
    table.CancelRange();
    EXPECT_TRUE(table.Locate("Name", "Bert", 0));

    table.ExecSQLString("DELETE * FROM parts");
    TDaoTable& empty = OpenParts(jet::dbOpenDynaset);
    EXPECT_FALSE(empty.Locate("Name", "Bert", 0));
}

TEST_F(DaoTableSearchTest, LocateRefusesWhatItCannotSearch)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    EXPECT_EQ(ErrorOf([&] { table.Locate("City;Name", "Paris", 0); }),
              "Number of elements in the KeyValues array must be equal to the number of fields.");
    EXPECT_EQ(ErrorOf([&] { table.Locate("Nothing", "x", 0); }), "Field 'Nothing' not found");
    EXPECT_EQ(IdOf(table), 1);

    table.Close();
    table.F_Set_TableType(jet::dbOpenTable);
    table.SetAutoFindIndex(false);
    table.Open();
    // Without AutoFindIndex and IndexName an index of exactly the key fields
    // still serves; without one there is nothing to seek on.
    EXPECT_TRUE(table.Locate("Flag", true, 0));
    EXPECT_EQ(ErrorOf([&] { table.Locate("Id;Flag", KeyArray({1, true}), 0); }),
              "Index Property is Empty!\r\nYou must set an index before using Locate with StandardTables");
}

TEST_F(DaoTableSearchTest, ARecordFoundByAnotherIndexTakesItsPlaceInTheTablesOrder)
{
    TDaoTable& table = OpenParts(jet::dbOpenTable);
    table.F_Set_IndexName("ByName");
    // ByName order: Null (4), Anna (1), anna (2), Bert (3), Bz"q (7), NULL (5), 王小明 (6).
    ASSERT_TRUE(table.Locate("City", "北京", 0)) << "found on ByCity";
    EXPECT_EQ(IdOf(table), 3);
    EXPECT_EQ(table.RecNo(), 4);
    table.Next();
    EXPECT_EQ(IdOf(table), 7) << "the next record in the table's own order";

    TDaoTable& dynaset = OpenParts(jet::dbOpenDynaset);
    ASSERT_TRUE(dynaset.Locate("Name", "NULL", 0));
    EXPECT_EQ(dynaset.RecNo(), 5);
}

TEST_F(DaoTableSearchTest, LocateFollowsTheTablesChangesAndReopens)
{
    TDaoTable& table = OpenParts(jet::dbOpenTable);
    // In the order rows were added (a search clone), then in the order of
    // the index searched (the table's own recordset).
    const struct {
        const char* IndexName;
        int AfterBert;
        int NewId;
        const char* NewName;
    } orders[] = {{"", 4, 8, "Carl"}, {"ByName", 7, 9, "Cleo"}};
    for (const auto& order : orders) {
        table.F_Set_IndexName(order.IndexName);
        ASSERT_TRUE(table.Locate("Name", "Bert", 0)) << order.IndexName;
        EXPECT_FALSE(table.Locate("Name", "Zed", 0)) << order.IndexName;
        table.Next();
        EXPECT_EQ(IdOf(table), order.AfterBert) << "the cursor stayed on Bert";
        table.Append();
        table.FieldByName("Id").SetAsInteger(order.NewId);
        table.FieldByName("Name").SetAsString(order.NewName);
        table.Post();
        table.First();
        ASSERT_TRUE(table.Locate("Name", order.NewName, 0)) << "a record added since the last search";
        EXPECT_EQ(IdOf(table), order.NewId);
        table.Close();
        table.Open();
        EXPECT_TRUE(table.Locate("City", "Rome", 0)) << "after a reopen";
    }
}

TEST_F(DaoTableSearchTest, ASuccessfulLocateScrollsOnceAndAFailedOneNotAtAll)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    int before = 0, after = 0;
    table.BeforeScroll = [&](TDataSet&) { ++before; };
    table.AfterScroll = [&](TDataSet&) { ++after; };
    ASSERT_TRUE(table.Locate("Name", "Bert", 0));
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    ASSERT_FALSE(table.Locate("Name", "Nobody", 0));
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
}

TEST_F(DaoTableSearchTest, MoreThanThirteenSeekKeysAreRefusedBeforeTheEngineIsAsked)
{
    // A table of fourteen fields F1 .. F14 with one index over all of them.
    std::vector<Column> columns;
    std::vector<std::string> names;
    std::string fieldList;
    std::vector<jet::Variant> keys;
    for (int i = 1; i <= 14; ++i) {
        names.push_back("F" + std::to_string(i));
        columns.push_back({names.back(), jet::dbLong});
        fieldList += (i > 1 ? ";" : "") + names.back();
        keys.push_back(i);
    }
    MakeTable("wide", columns);
    AddIndex("wide", "All", names);
    Db->Execute("INSERT INTO wide VALUES (1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14)");
    Connect();
    TDaoTable& table = TableOn("wide", jet::dbOpenTable);
    table.Open();
    EXPECT_EQ(ErrorOf([&] { table.Locate(fieldList, KeyArray(keys), 0); }), "Too many seek keys! Maximum is 13!");
    table.F_Set_IndexName("All");
    EXPECT_EQ(ErrorOf([&] { table.FindKey(keys); }), "Too many seek keys! Maximum is 13!");
    keys.pop_back();
    EXPECT_TRUE(table.FindKey(keys)) << "thirteen are fine";
}

TEST_F(DaoTableSearchTest, LookupReadsTheResultFieldsWithoutMoving)
{
    for (const int tableType : {jet::dbOpenDynaset, jet::dbOpenTable}) {
        TDaoTable& table = OpenParts(tableType);
        table.Next();
        EXPECT_EQ(table.Lookup("Name", "Bert", "City").AsString(), "北京") << tableType;
        const jet::Variant both = table.Lookup("City;Name", KeyArray({"Paris", "anna"}), "Id;Price");
        ASSERT_TRUE(both.IsArray()) << tableType;
        EXPECT_EQ(both.Array()->Get({0}).AsInteger(), 2);
        EXPECT_EQ(both.Array()->Get({1}).AsDouble(), 20.0);
        EXPECT_TRUE(table.Lookup("Name", "Nobody", "Id").IsNull()) << tableType;
        EXPECT_EQ(table.Lookup("Name", jet::Variant::Null(), "Id").AsInteger(), 4) << tableType;
        EXPECT_EQ(IdOf(table), 2) << tableType;
    }
}

TEST_F(DaoTableSearchTest, LookupRefusesMissingResultFields)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    EXPECT_EQ(ErrorOf([&] { table.Lookup("Name", "Bert", ""); }), "ResultFields are not defined");
    EXPECT_EQ(ErrorOf([&] { table.Lookup("Name", "Bert", "Colour"); }), "Invalid field name: Colour");
    EXPECT_EQ(ErrorOf([&] { table.Lookup("Name;City", "Bert", "Id"); }),
              "Number of elements in the KeyValues array must be equal to the number of fields.");
}

TEST_F(DaoTableSearchTest, LookupPutsTheFilterBackAlsoWhenItFails)
{
    MakeParts();
    Connect();
    TDaoTable& table = TableOn("parts");
    table.AddField("Id", ftInteger);
    table.AddField("Name", ftString, fkData, 50);
    table.AddField("Label", ftString, fkCalculated, 60);
    table.OnCalcFields = [](TDataSet& dataSet) {
        dataSet.FieldByName("Label").SetAsString("#" + dataSet.FieldByName("Id").AsString());
    };
    table.Open();
    table.Recordset()->SetFilter("[Price] > 0");
    // The condition names a field the recordset lacks: the engine refuses it.
    EXPECT_ANY_THROW(table.Lookup("Label", "#3", "Id"));
    EXPECT_EQ(table.Recordset()->Filter(), "[Price] > 0");
    EXPECT_EQ(table.Lookup("Name", "Bert", "Label").AsString(), "#3") << "a calculated result is computed";
    EXPECT_EQ(table.Recordset()->Filter(), "[Price] > 0");
}

} // namespace
} // namespace daotabletest
