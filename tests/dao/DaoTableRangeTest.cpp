#include "DaoTableSearchFixture.h"

namespace daotabletest {
namespace {

std::vector<int> Ids(TDaoTable& table)
{
    std::vector<int> ids;
    for (table.First(); !table.Eof(); table.Next())
        ids.push_back(table.FieldByName("Id").AsInteger());
    return ids;
}

using IdList = std::vector<int>;

TEST_F(DaoTableSearchTest, GotoKeySearchesAfterTheCurrentRecordThenFromTheStart)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    const auto gotoCity = [&](const char* city) {
        table.SetKey();
        EXPECT_EQ(table.State(), dsSetKey);
        table.FieldByName("City").SetAsString(city);
        return table.GotoKey();
    };
    ASSERT_TRUE(gotoCity("Rome"));
    EXPECT_EQ(IdOf(table), 5);
    EXPECT_EQ(table.State(), dsBrowse);
    ASSERT_TRUE(gotoCity("Rome"));
    EXPECT_EQ(IdOf(table), 7);
    ASSERT_TRUE(gotoCity("Rome"));
    EXPECT_EQ(IdOf(table), 5) << "past the last match the search starts again";
    EXPECT_FALSE(gotoCity("Oslo"));
    EXPECT_EQ(IdOf(table), 5);

    table.SetKey();
    table.FieldByName("Made").SetAsDateTime(platform::EncodeDate(2001, 3, 17));
    ASSERT_TRUE(table.GotoKey());
    EXPECT_EQ(IdOf(table), 5);
}

TEST_F(DaoTableSearchTest, GotoKeyOnATableSeeksOnlyWithAnIndex)
{
    TDaoTable& table = OpenParts(jet::dbOpenTable);
    table.SetKey();
    table.FieldByName("City").SetAsString("Paris");
    EXPECT_FALSE(table.GotoKey()) << "no IndexName";

    table.F_Set_IndexName("ByCity");
    table.EditKey();
    EXPECT_EQ(table.FieldByName("City").AsString(), "Paris") << "EditKey keeps the key";
    ASSERT_TRUE(table.GotoKey());
    EXPECT_EQ(IdOf(table), 4) << "ByCity puts the Null name first";
}

TEST_F(DaoTableSearchTest, AStoredKeyServesOneSearch)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    table.SetKeyParam({"Name"}, {"Bert"});
    ASSERT_TRUE(table.GotoKey());
    EXPECT_EQ(IdOf(table), 3);
    table.First();
    EXPECT_FALSE(table.GotoKey()) << "the values went with the search";

    table.SetKeyParam({"City", "Name"}, {"Paris", "anna"});
    table.CancelKey();
    EXPECT_FALSE(table.GotoKey()) << "cancelled";
    EXPECT_EQ(IdOf(table), 1);
}

TEST_F(DaoTableSearchTest, GotoNearestFindsTheFirstBeginningIgnoringCase)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    table.SetKey();
    table.FieldByName("Name").SetAsString("be");
    table.GotoNearest();
    EXPECT_EQ(IdOf(table), 3);
    EXPECT_EQ(table.State(), dsBrowse);
}

TEST_F(DaoTableSearchTest, ARangeShowsTheRecordsBetweenItsBounds)
{
    TDaoTable& table = OpenParts(jet::dbOpenTable);
    table.F_Set_IndexName("PrimaryKey");
    table.SetRange({2}, {5});
    EXPECT_TRUE(table.RangeApplied());
    EXPECT_EQ(Ids(table), (IdList{2, 3, 4, 5}));
    EXPECT_EQ(table.RecordCount(), 4);
    table.CancelRange();
    EXPECT_EQ(Ids(table), (IdList{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(table.RecordCount(), 7);

    table.ClearRange(RangeEnd);
    table.SetRangeStart();
    table.FieldByName("Id").SetAsInteger(3);
    table.ApplyRange();
    EXPECT_FALSE(table.RangeApplied()) << "a start alone is no range";
    EXPECT_EQ(Ids(table).size(), 7u);

    table.SetRangeEnd();
    table.FieldByName("Id").SetAsInteger(4);
    table.ApplyRange();
    EXPECT_EQ(Ids(table), (IdList{3, 4})) << "the start bound kept its value";
}

TEST_F(DaoTableSearchTest, RangeBoundsCompareByTheFieldsType)
{
    TDaoTable& table = OpenParts(jet::dbOpenTable);
    table.F_Set_IndexName("ByCity");
    table.SetRange({"paris"}, {"ROME"});
    EXPECT_EQ(Ids(table), (IdList{4, 2, 7, 5})) << "texts compare without regard to case";

    table.F_Set_IndexName("ByMade");
    table.SetRange({Date(2001, 3, 15)}, {Date(2001, 3, 18)});
    EXPECT_EQ(Ids(table), (IdList{2, 1, 3, 5, 6})) << "the record without a date is outside";
    table.SetRange({Date(2001, 3, 15, 1, 0)}, {Date(2001, 3, 15, 9, 0)});
    EXPECT_EQ(Ids(table), (IdList{2})) << "02:30 lies between 01:00 and 09:00";

    table.F_Set_IndexName("ByFlag");
    table.SetRange({false}, {true});
    EXPECT_EQ(Ids(table).size(), 7u);
}

TEST_F(DaoTableSearchTest, ABoundSetsConditionsOnlyOnTheFieldsItHolds)
{
    TDaoTable& table = OpenParts(jet::dbOpenTable);
    table.F_Set_IndexName("ByCity");
    table.SetRangeStart();
    table.FieldByName("City").SetAsString("Paris");
    table.SetRangeEnd();
    table.FieldByName("City").SetAsString("Rome");
    table.FieldByName("Name").SetAsString("C");
    table.ApplyRange();
    // Paris with a Null name has no value where the end bound has one.
    EXPECT_EQ(Ids(table), (IdList{2, 7}));
}

TEST_F(DaoTableSearchTest, ARangeTakesEachSlotsTypeFromItsFieldDefinition)
{
    MakeParts();
    Connect();
    TDaoTable& table = TableOn("parts", jet::dbOpenTable);
    // Fields in an order of their own, one of them calculated.
    table.AddField("Label", ftString, fkCalculated, 20);
    table.AddField("Id", ftInteger);
    table.AddField("Price", ftFloat);
    table.AddField("Name", ftString, fkData, 50);
    table.OnCalcFields = [](TDataSet& dataSet) { dataSet.FieldByName("Label").SetAsString("x"); };
    table.F_Set_IndexName("ByPrice");
    table.Open();
    table.SetRange({5}, {60});
    // As texts "10.5" would sort before "5".
    EXPECT_EQ(Ids(table), (IdList{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(table.FieldByName("Label").AsString(), "x");
}

TEST_F(DaoTableSearchTest, SetRangeWithoutAnIndexFieldIsRefused)
{
    TDaoTable& table = OpenParts(jet::dbOpenTable);
    EXPECT_EQ(ErrorOf([&] { table.SetRange({1}, {2}); }), "TDaoTable.SetRange: The index has no field for value 1");
    EXPECT_EQ(table.State(), dsBrowse);
    table.F_Set_IndexName("PrimaryKey");
    EXPECT_EQ(ErrorOf([&] { table.SetRange({1, 2}, {3}); }), "TDaoTable.SetRange: The index has no field for value 2");
    EXPECT_FALSE(table.RangeApplied());
    EXPECT_EQ(Ids(table).size(), 7u);
}

TEST(DaoTableRangeCompare, FieldTextsCompareAsValuesOfTheirType)
{
    const struct {
        const char* A;
        const char* B;
        TFieldType Type;
        int Expected;
    } cases[] = {
        {"10", "9", ftInteger, 1},
        {"9", "10", ftAutoInc, -1},
        {"-1", "1", ftSmallint, -2},
        {"65535", "1", ftWord, 65534},
        {"10.5", "5", ftFloat, 1},
        {"abc", "1.5", ftFloat, 0},  // a text that is no number compares as equal
        {"Anna", "anna", ftString, 0},
        {"Bert", "anna", ftMemo, 1},
        {"TRUE", "false", ftBoolean, 1},
        {"730560 9000000", "730560 36000000", ftDateTime, -1},  // 02:30 before 10:00
        {"730561 0", "730560 36000000", ftDate, 1},
        {"x", "y", ftBytes, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TDaoTable::CompareFieldsRange(c.A, c.B, c.Type), c.Expected) << c.A << " / " << c.B;
}

TEST_F(DaoTableSearchTest, IndexSeeksFindTheKeyOrTheNextOne)
{
    TDaoTable& table = OpenParts(jet::dbOpenTable);
    EXPECT_FALSE(table.FindKey({30})) << "no IndexName";
    table.F_Set_IndexName("ByPrice");
    ASSERT_TRUE(table.FindKey({30}));
    EXPECT_EQ(IdOf(table), 3);
    EXPECT_FALSE(table.FindKey({25}));
    EXPECT_EQ(IdOf(table), 3);
    table.Next();
    EXPECT_EQ(IdOf(table), 4) << "a failed seek leaves the cursor where it was";
    table.Prior();
    ASSERT_TRUE(table.FindKeyEx({25}));
    EXPECT_EQ(IdOf(table), 3);
    EXPECT_FALSE(table.FindKeyEx({75}));
    ASSERT_TRUE(table.Seek_Nearest({55}));
    EXPECT_EQ(IdOf(table), 6);
    table.FindNearest({35});
    EXPECT_EQ(IdOf(table), 4);
    EXPECT_EQ(table.RecNo(), 4);

    table.F_Set_IndexName("ByCity");
    ASSERT_TRUE(table.FindKey({"Rome"})) << "one value of a two-field index";
    EXPECT_EQ(IdOf(table), 7);

    table.SetRange({"A"}, {"Z"});
    EXPECT_FALSE(table.FindKey({"Rome"})) << "not while a range is applied";
}

} // namespace
} // namespace daotabletest
