#include "DaoTableFixture.h"

#include <functional>

namespace daotabletest {
namespace {

// Keeps the even option numbers.
void EvenOnly(TDataSet& dataSet, bool& accept)
{
    accept = std::stoi(dataSet.FieldByName("OptionName").AsString()) % 2 == 0;
}

TEST_F(DaoTableTest, CountsAndRecordNumbersFollowTheCursor)
{
    MakeConfigTable(5);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();
    EXPECT_EQ(table.RecordCount(), 5);
    EXPECT_EQ(table.RecNo(), 1);
    table.MoveBy(3);
    EXPECT_EQ(table.RecNo(), 4);
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "4");
    table.Last();
    EXPECT_EQ(table.RecNo(), 5);
    table.Prior();
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "4");
    table.SetRecNo(2);
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "2");
    EXPECT_NEAR(table.PercentPosition(), 20.0f, 0.01f);

    table.SetUseGetRecNo(false);
    EXPECT_EQ(table.RecNo(), -1);
}

// Each record read over the buffers of earlier ones keeps nothing of
// theirs: Null stays empty, a shorter text holds only itself, and numbers of
// every kind read as written, in both directions.
TEST_F(DaoTableTest, EveryRecordReadsAsWrittenWhateverCameBefore)
{
    MakeTable("Mixed", {{"Id", jet::dbLong}, {"Note", jet::dbText, 40}, {"Amount", jet::dbDouble}});
    const std::vector<std::vector<std::string>> rows = {{"1", "\"a rather long first note\"", "0.25"},
                                                        {"2", "NULL", "NULL"},
                                                        {"3", "\"x\"", "-1234567.125"},
                                                        {"4", "\"\"", "1E-07"},
                                                        {"5", "NULL", "100"}};
    for (const auto& row : rows)
        Run("INSERT INTO Mixed (Id, Note, Amount) VALUES (" + row[0] + ", " + row[1] + ", " + row[2] + ")");
    Connect();
    TDaoTable& table = TableOn("Mixed");
    table.Open();
    const std::vector<std::string> notes = {"a rather long first note", "", "x", "", ""};
    EXPECT_EQ(Values(table, "Note"), notes);
    std::vector<double> amounts;
    for (table.First(); !table.Eof(); table.Next())
        amounts.push_back(table.FieldByName("Amount").IsNull() ? -1 : table.FieldByName("Amount").AsFloat());
    EXPECT_EQ(amounts, (std::vector<double>{0.25, -1, -1234567.125, 1e-7, 100}));
    std::vector<std::string> backward;
    for (table.Last(); !table.Bof(); table.Prior())
        backward.push_back(table.FieldByName("Note").AsString());
    EXPECT_EQ(backward, (std::vector<std::string>(notes.rbegin(), notes.rend())));
}

TEST_F(DaoTableTest, EmptyTableCountsNothing)
{
    MakeConfigTable(0);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(table.RecNo(), -1);
    table.Last();
    EXPECT_TRUE(table.Eof());
    table.SetRecNo(1);
    EXPECT_TRUE(table.IsEmpty());
}

TEST_F(DaoTableTest, FilteredCountLeavesTheCursorWhereTheRecordNumberSays)
{
    MakeConfigTable(6);
    Connect();
    TDaoTable& table = ConfigTable();
    table.F_Set_OnFilterRecord(EvenOnly);
    table.SetFiltered(true);
    table.Open();
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "2");
    EXPECT_EQ(table.RecordCount(), 3);
    table.Next();
    EXPECT_FALSE(table.Eof()) << "the count must not leave the cursor at the end";
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "4");
    EXPECT_EQ(table.RecNo(), 2);
    EXPECT_EQ(table.RecordCount(), 3);
    table.Next();
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "6");
    table.Next();
    EXPECT_TRUE(table.Eof());

    table.SetRecNo(3);
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "6");
    EXPECT_EQ(table.RecNo(), 3);

    table.SetFiltered(false);
    EXPECT_EQ(table.RecordCount(), 6);
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "2", "3", "4", "5", "6"}));
}

TEST_F(DaoTableTest, FilterTextsAreLaidOnTheRecordset)
{
    MakeConfigTable(4);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();
    table.SetFilterText("[OptionName] = \"3\" OR [OptionName] = \"1\"");
    EXPECT_EQ(table.RecordCount(), 4) << "not filtered yet";
    table.SetFiltered(true);
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "3"}));
    table.SetFilterText("[OptionValue] LIKE \"*4\"");
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"4"}));
}

TEST_F(DaoTableTest, ATableRequeriedInPlaceStandsOnItsFirstRecord)
{
    MakeConfigTable(4);
    Connect();
    const struct {
        const char* What;
        std::function<void(TDaoTable&)> Change;
        const char* First;
    } cases[] = {
        {"sort", [](TDaoTable& t) { t.F_Set_Sort(TStringList{"OptionName DESC"}); }, "4"},
        {"filter on", [](TDaoTable& t) { t.SetFilterText("[OptionName] <> \"1\""), t.SetFiltered(true); }, "2"},
        {"filter text", [](TDaoTable& t) { t.SetFiltered(true), t.SetFilterText("[OptionName] > \"2\""); }, "3"},
        {"open options", [](TDaoTable& t) { t.F_Set_OpenOptions(OOBit(dbDenyWrite)); }, "1"},
        {"filter event", [](TDaoTable& t) { t.SetFiltered(true), t.F_Set_OnFilterRecord(EvenOnly); }, "2"},
    };
    for (const auto& c : cases) {
        TDaoTable& table = ConfigTable();
        table.Open();
        table.MoveBy(2);
        c.Change(table);
        EXPECT_EQ(table.FieldByName("OptionName").AsString(), c.First) << c.What;
        EXPECT_EQ(table.RecNo(), 1) << c.What;
        table.Next();
        EXPECT_EQ(table.RecNo(), 2) << c.What;
    }
}

TEST_F(DaoTableTest, ScanFromTheFirstRecordSeesWhatAnotherConnectionCommitted)
{
    MakeConfigTable(2);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "2"}));
    const std::uint64_t before = Database->DatabaseObject->CommitsElsewhere();

    auto elsewhere = Engine->CreateWorkspace("Other", "admin", "")->OpenDatabase(Database->DatabaseObject->Name());
    elsewhere->Execute("INSERT INTO config (ConfigName, OptionName, OptionValue) VALUES (\"DEFAULT\", \"3\", \"x\")");
    elsewhere->Execute("UPDATE config SET OptionValue = \"changed\" WHERE OptionName = \"1\"");

    EXPECT_GT(Database->DatabaseObject->CommitsElsewhere(), before);
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "2", "3"}));
    EXPECT_EQ(Values(table, "OptionValue"), (Strings{"changed", "value 2", "x"}));
    AppendOption(table, "4");
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "2", "3", "4"})) << "its own records as before";
}

TEST_F(DaoTableTest, AFilterThatFailsToOpenPutsFilteredBack)
{
    MakeConfigTable(2);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();
    table.SetFilterText("[NoSuchField] = 1 AND");
    EXPECT_ANY_THROW(table.SetFiltered(true));
    EXPECT_FALSE(table.Filtered());
}

TEST_F(DaoTableTest, BookmarksComeBackAfterARefreshAndFailAfterAReopen)
{
    MakeConfigTable(5);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();
    table.MoveBy(2);
    const TDataSet::TBookmark third = table.GetBookmark();
    ASSERT_EQ(third.size(), 4u);
    table.Last();
    const TDataSet::TBookmark last = table.GetBookmark();
    EXPECT_EQ(table.CompareBookmarks(&third, &last), -1);
    EXPECT_EQ(table.CompareBookmarks(nullptr, &last), 1);
    EXPECT_EQ(table.CompareBookmarks(&last, nullptr), -1);

    table.GotoBookmark(third);
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "3");
    EXPECT_TRUE(table.BookmarkValid(&third));

    // A refresh re-runs the query and stays on the record.
    table.RefreshData();
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "3");

    // After a requery the handles of the records read again still name them.
    EXPECT_TRUE(table.Requery());
    for (table.First(); !table.Eof(); table.Next()) {
        table.GetBookmark();
    }
    table.GotoBookmark(third);
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "3");

    table.Close();
    table.Open();
    EXPECT_EQ(ErrorOf([&] { table.GotoBookmark(third); }), "Invalid Bookmark!");
    EXPECT_EQ(ErrorOf([&] { table.GotoBookmark(std::string(4, '\0')); }), "Bookmarks are not supported!");
    EXPECT_FALSE(table.BookmarkValid(&third));
}

TEST_F(DaoTableTest, GotoCurrentLinesUpTablesOfOneSource)
{
    MakeConfigTable(4);
    Connect();
    TDaoTable& first = ConfigTable();
    first.Open();
    first.MoveBy(2);
    TDaoTable second;
    second.F_Set_Database(Database.get());
    second.F_Set_TableName("config");
    second.Open();
    second.GotoCurrent(first);
    EXPECT_EQ(second.FieldByName("OptionName").AsString(), "3");
    TDaoTable other;
    other.F_Set_Database(Database.get());
    other.SetSQLText("SELECT * FROM config");
    other.Open();
    EXPECT_EQ(ErrorOf([&] { other.GotoCurrent(first); }),
              "TDaoTable.GotoCurrent: Tables not point to the same DAO Table object");
}

TEST_F(DaoTableTest, TableTypeRecordsetsUseTheirIndexes)
{
    MakeTable("people", {{"ID", jet::dbLong}, {"Name", jet::dbText, 20}, {"City", jet::dbText, 20}}, {"ID"});
    Run("INSERT INTO people (ID, Name, City) VALUES (2, \"Bea\", \"Oslo\")");
    Run("INSERT INTO people (ID, Name, City) VALUES (1, \"Cid\", \"Bern\")");
    Run("INSERT INTO people (ID, Name, City) VALUES (3, \"Abe\", \"Rome\")");
    Connect();
    TDaoTable& table = TableOn("people", jet::dbOpenTable);
    table.IndexDefs().Add("ByName", "Name;ID", 0);
    table.IndexDefs().Add("ByCity", "City;Name", 0);
    table.Open();
    ASSERT_EQ(table.IndexDefs().Count(), 3);
    EXPECT_EQ(table.FindGoodIndex("Name"), "ByName");
    EXPECT_EQ(table.FindGoodIndex("City"), "ByCity");
    EXPECT_EQ(table.FindGoodIndex("ID"), "PrimaryKey");
    EXPECT_EQ(table.FindGoodIndex("Name;City"), "ByCity");
    EXPECT_EQ(table.FindGoodIndex("!Name"), "");
    EXPECT_EQ(table.FindGoodIndex("!ID;Name"), "ByName");

    table.F_Set_IndexFieldNames("City");
    EXPECT_EQ(table.F_Get_IndexName(), "ByCity");
    EXPECT_EQ(table.F_Get_IndexFieldNames(), "City;Name");
    EXPECT_EQ(table.F_Get_IndexFieldCount(), 2);
    EXPECT_EQ(table.F_Get_IndexField(0), table.FindField("City"));
    EXPECT_EQ(Values(table, "Name"), (Strings{"Cid", "Bea", "Abe"}));
    table.F_Set_IndexName("ByName");
    EXPECT_EQ(Values(table, "Name"), (Strings{"Abe", "Bea", "Cid"}));

    TStringList names;
    table.GetIndexNames(names);
    EXPECT_EQ(names.Count(), 3);
    table.GetFieldNames(names);
    EXPECT_EQ(names, (TStringList{"ID", "Name", "City"}));
    table.Close();
    EXPECT_EQ(ErrorOf([&] { table.F_Get_IndexField(0); }),
              "TDaoTable.F_Get_IndexField: Cannot get IndexField while Table is NOT active!");
    table.IndexDefs().DeleteIndex("ByCity");
    table.GetIndexNames(names);
    EXPECT_EQ(names.IndexOf("ByCity"), -1);
}

TEST_F(DaoTableTest, IndexDefinitionOnAMissingFieldCreatesNothing)
{
    MakeTable("people", {{"ID", jet::dbLong}});
    Connect();
    TDaoTable& table = TableOn("people", jet::dbOpenTable);
    table.IndexDefs().Add("ByGhost", "Ghost", 0);
    EXPECT_EQ(table.IndexDefs().Count(), 1);
    TStringList names;
    table.GetIndexNames(names);
    EXPECT_EQ(names.Count(), 0);
}

TEST_F(DaoTableTest, RawValuesAndRowsReachTheRecordsetAtTheCurrentRecord)
{
    MakeConfigTable(5);
    Connect();
    TDaoTable& table = ConfigTable();
    EXPECT_TRUE(table.GetRawFieldData("OptionValue").IsNull()) << "closed";
    EXPECT_FALSE(table.SetRawFieldData("OptionValue", jet::Variant("x")));
    table.Open();
    table.MoveBy(1);
    EXPECT_EQ(table.GetRawFieldData("OptionValue").AsString(), "value 2");
    EXPECT_TRUE(table.GetRawFieldData("NoSuchField").IsNull());
    EXPECT_TRUE(table.SetRawFieldData("OptionValue", jet::Variant("raw")));
    EXPECT_EQ(table.FieldByName("OptionValue").AsString(), "value 2") << "the buffers are not refreshed";
    table.Refresh();
    EXPECT_EQ(table.FieldByName("OptionValue").AsString(), "raw");

    table.SetRecNo(2);
    const jet::Variant rows = table.GetRows(2);
    ASSERT_TRUE(rows.IsArray());
    const jet::SafeArray& array = *rows.Array();
    EXPECT_EQ(array.Get({1, 0}).AsString(), "2") << "OptionName of the first row";
    EXPECT_EQ(array.Get({1, 1}).AsString(), "3");
    EXPECT_EQ(table.RecNo(), 4) << "the table moved past the rows read";
    table.Last();
    table.GetRows(10);
    EXPECT_FALSE(table.Eof());
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "5") << "at the count the position stays";

    EXPECT_EQ(table.CopyQueryDefText(), "SELECT * FROM [config]");
    table.F_Set_OnFilterRecord(EvenOnly);
    table.SetFiltered(true);
    EXPECT_EQ(ErrorOf([&] { table.GetRows(1); }),
              "GetRows cannot be used on filtered dataset based on OnFilterRecord event!");
}

TEST_F(DaoTableTest, SourceNamesDatesLocksAndEditLocking)
{
    MakeConfigTable(3);
    Connect();
    TDaoTable& table = ConfigTable();
    table.LockTable(ltReadLock);
    EXPECT_EQ(table.OpenOptions(), 0) << "a closed table is not locked";
    EXPECT_EQ(table.GetSourceTableName("OptionValue"), "");
    EXPECT_FALSE(table.F_Get_LockEdits());
    table.Open();
    EXPECT_EQ(table.GetSourceFieldName("OptionValue"), "OptionValue");
    EXPECT_EQ(table.GetSourceTableName("OptionValue"), "config");
    EXPECT_EQ(table.GetSourceTableName("NoSuchField"), "");
    EXPECT_EQ(table.F_Get_DateCreated(), "") << "a dynaset has no table dates";

    table.Next();
    table.LockTable(ltWriteLock);
    EXPECT_EQ(table.OpenOptions(), OOBit(dbDenyWrite));
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(table.RecNo(), 1) << "a lock re-queries the table";
    table.UnlockTable(ltWriteLock);
    EXPECT_EQ(table.OpenOptions(), 0);

    EXPECT_FALSE(table.F_Get_LockEdits()) << "optimistic locking";
    table.SetLockEdits(true);
    EXPECT_TRUE(table.F_Get_LockEdits());
    table.SetLockEdits(false);
    table.Close();

    table.F_Set_TableType(jet::dbOpenTable);
    table.Open();
    EXPECT_NE(table.F_Get_DateCreated(), "");
    EXPECT_NE(table.F_Get_LastUpdated(), "");
    table.Close();

    table.F_Set_TableType(jet::dbOpenSnapshot);
    table.Open();
    table.SetLockEdits(true);
    EXPECT_FALSE(table.F_Get_LockEdits()) << "a read-only snapshot never locks edits";
}

TEST_F(DaoTableTest, RecordHandlesNameTheCurrentOrTheLastChangedRecord)
{
    MakeConfigTable(3);
    TDaoDatabase& database = Connect();
    const jet::RecordsetPtr recordset = database.DatabaseObject->OpenRecordset("config", jet::dbOpenDynaset);
    const std::int32_t first = TDaoTable::GetDaoBookMark(*recordset);
    recordset->MoveNext();
    const std::int32_t second = TDaoTable::GetDaoBookMark(*recordset);
    EXPECT_NE(first, 0);
    EXPECT_NE(second, first);
    EXPECT_EQ(TDaoTable::GetDaoLastModifiedBookMark(*recordset), second) << "nothing changed yet";

    recordset->MoveFirst();
    recordset->Edit();
    recordset->Fields().Item("OptionValue")->SetValue(jet::Variant("changed"));
    recordset->Update();
    recordset->MoveLast();
    EXPECT_EQ(TDaoTable::GetDaoLastModifiedBookMark(*recordset), first) << "the changed record";
    recordset->MoveNext();
    EXPECT_EQ(TDaoTable::GetDaoBookMark(*recordset), 0) << "past the end";

    const jet::RecordsetPtr empty =
        database.DatabaseObject->OpenRecordset("SELECT * FROM [config] WHERE 1=2", jet::dbOpenDynaset);
    EXPECT_EQ(TDaoTable::GetDaoBookMark(*empty), 0);
    EXPECT_EQ(TDaoTable::GetDaoLastModifiedBookMark(*empty), 0);
}

TEST_F(DaoTableTest, AForwardOnlyTableCountsItsStepsAndCannotCountItsRecords)
{
    MakeConfigTable(4);
    Connect();
    TDaoTable& table = TableOn("config", jet::dbOpenForwardOnly);
    table.Open();
    EXPECT_EQ(table.RecordCount(), -1);
    EXPECT_EQ(table.RecNo(), 1);
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "1");
    table.Next();
    table.Next();
    EXPECT_EQ(table.RecNo(), 3);
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "3");
    // The cursor cannot come back to the last record: the walk to the end
    // counts the records it passes.
    table.Last();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.RecNo(), 4);
}

TEST_F(DaoTableTest, AKeptCountIsCountedAgainAfterAnAppend)
{
    MakeConfigTable(3);
    Connect();
    for (const bool keep : {true, false}) {
        TDaoTable& table = ConfigTable();
        table.SetUseRecordCount(keep);
        table.Open();
        EXPECT_EQ(table.RecordCount(), 3) << keep;
        EXPECT_EQ(table.RecordCount(), 3) << keep;
        AppendOption(table, "new");
        EXPECT_EQ(table.RecordCount(), 4) << keep;
        table.Delete();
        EXPECT_EQ(table.RecordCount(), 3) << keep;
        table.Close();
    }
}

TEST_F(DaoTableTest, RequeryAndPercentPositionAnswerNothingOffTheRecords)
{
    MakeConfigTable(3);
    Connect();
    TDaoTable& table = ConfigTable();
    EXPECT_FALSE(table.Requery()) << "closed";
    EXPECT_EQ(table.PercentPosition(), 0.0f);
    table.Open();
    table.Last();
    EXPECT_NEAR(table.PercentPosition(), 66.67f, 0.01f);
    EXPECT_TRUE(table.Requery());
    EXPECT_EQ(table.RecNo(), 1);
    table.Close();

    Database->DatabaseObject->Execute("DELETE FROM config");
    table.Open();
    EXPECT_EQ(table.PercentPosition(), 0.0f) << "no records";
}

TEST_F(DaoTableTest, AReadOnlyDatabaseKeepsItsTablesReadOnly)
{
    MakeConfigTable(1);
    const std::string path = Db->Name();
    Db->Close();
    Database = std::make_unique<TDaoDatabase>();
    Database->ReadProperties({{"DatabaseType", "Access"}, {"Database", path}, {"ReadOnly", "True"}});
    Database->Loaded();
    Database->Open();
    TDaoTable& table = ConfigTable();
    table.F_Set_ReadOnly(false);
    EXPECT_TRUE(table.ReadOnly());
    table.Open();
    EXPECT_FALSE(table.CanModify());
}

TEST_F(DaoTableTest, AFilterThatRejectsEveryRecordLeavesTheTableEmpty)
{
    MakeConfigTable(3);
    Connect();
    TDaoTable& table = ConfigTable();
    table.F_Set_OnFilterRecord([](TDataSet&, bool& accept) { accept = false; });
    table.SetFiltered(true);
    table.Open();
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_TRUE(table.Bof());
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(table.RecNo(), -1);
    table.Last();
    EXPECT_TRUE(table.IsEmpty());
    table.SetFiltered(false);
    EXPECT_EQ(table.RecordCount(), 3);
}

// Hands out a copy of the current record.
struct RecordCopyingTable : TDaoTable {
    using TDaoTable::GetCurrentRecord;
};

// A walk over several windows of the engine's rows reads every record as
// written, also back across a window's edge, and a copy of a record taken on
// the way keeps its values while the walk reads the windows after it.
TEST_F(DaoTableTest, RecordsKeepTheirValuesWhileAWalkReadsLaterWindows)
{
    constexpr int Options = 2500;
    MakeConfigTable(Options);
    Connect();
    RecordCopyingTable table;
    table.F_Set_Database(Database.get());
    table.F_Set_TableName("config");
    table.Open();
    TDaoRecordBuffer copy;
    std::vector<std::string> values, expected;
    for (table.First(); !table.Eof(); table.Next()) {
        values.push_back(table.FieldByName("OptionValue").AsString());
        if (table.FieldByName("OptionName").AsString() == "10")
            ASSERT_TRUE(table.GetCurrentRecord(copy));
    }
    for (int option = 1; option <= Options; ++option)
        expected.push_back("value " + std::to_string(option));
    EXPECT_EQ(values, expected);
    ASSERT_EQ(copy.Values.size(), 3u);
    EXPECT_EQ(copy.Values[1].Text(), "10");
    EXPECT_EQ(copy.Values[2].Text(), "value 10");

    table.First();
    table.MoveBy(1024);
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "1025");
    table.Prior();
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "1024");
    EXPECT_EQ(table.FieldByName("OptionValue").AsString(), "value 1024");
    table.Next();
    EXPECT_EQ(table.FieldByName("OptionValue").AsString(), "value 1025");
}

} // namespace
} // namespace daotabletest
