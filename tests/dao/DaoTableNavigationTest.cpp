#include "DaoTableFixture.h"

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

} // namespace
} // namespace daotabletest
