// The table component on an ODBC source, as the configuration store and
// the other Parts drive it: reading, editing, adding and deleting records,
// the table types (dynamic for ODBC connections only), index seeks, SQL with
// parameters, filters and sorting, a linked table and a pass-through query
// of an Access database.
#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"

#include "DaoTestFixture.h"
#include "tests/platform/jet/OdbcFixture.h"

using namespace daotest;
using jettest::Direct;
using jettest::DirectValue;

namespace {

using Strings = std::vector<std::string>;

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

class DaoTableOdbcTest : public DaoDatabaseTest {
protected:
    void SetUp() override
    {
        DaoDatabaseTest::SetUp();
        jettest::MakeLabSource();
        Lab = std::make_unique<TDaoDatabase>();
        Lab->SetName("KDBLab");
        Lab->ReadProperties({{"DatabaseType", "ODBC"}, {"Database", "LabData"}, {"Version", "3.6"}});
        Lab->Loaded();
        Lab->Open();
    }
    void TearDown() override
    {
        Table.reset();
        Lab.reset();
        DaoDatabaseTest::TearDown();
    }

    TDaoTable& TableOn(TDaoDatabase& database, const std::string& tableName, int tableType = jet::dbOpenDynaset)
    {
        Table = std::make_unique<TDaoTable>();
        Table->SetName("KTableLab");
        Table->F_Set_Database(&database);
        Table->F_Set_TableType(tableType);
        Table->F_Set_TableName(tableName);
        return *Table;
    }

    static Strings Values(TDaoTable& table, const std::string& field)
    {
        Strings values;
        for (table.First(); !table.Eof(); table.Next())
            values.push_back(table.FieldByName(field).AsString());
        return values;
    }

    std::unique_ptr<TDaoDatabase> Lab;
    std::unique_ptr<TDaoTable> Table;
};

TEST_F(DaoTableOdbcTest, TheConfigurationTableReadsAndWritesAtTheSource)
{
    TDaoTable& table = TableOn(*Lab, "config");
    table.Open();
    EXPECT_EQ(table.FieldDefs().Count(), 3);
    EXPECT_EQ(Values(table, "OptionName"), Strings({"551", "702", "Stage"}));
    EXPECT_EQ(Lab->ActiveTables.size(), 1u);

    table.First();
    table.Edit();
    table.FieldByName("OptionValue").SetAsString("1");
    table.Post();
    EXPECT_EQ(DirectValue("SELECT OptionValue FROM config WHERE OptionName = '551'"), "1");

    table.Append();
    table.FieldByName("ConfigName").SetAsString("DEFAULT");
    table.FieldByName("OptionName").SetAsString("714");
    table.FieldByName("OptionValue").SetAsString("3");
    table.Post();
    EXPECT_EQ(DirectValue("SELECT OptionValue FROM config WHERE OptionName = '714'"), "3");
    EXPECT_EQ(table.RecordCount(), 4);

    table.Locate("OptionName", jet::Variant("702"), {});
    table.Delete();
    EXPECT_EQ(DirectValue("SELECT COUNT(*) FROM config WHERE OptionName = '702'"), "0");
    EXPECT_EQ(table.RecordCount(), 3);
    table.Close();
    EXPECT_TRUE(Lab->ActiveTables.empty());
}

TEST_F(DaoTableOdbcTest, DynamicTablesAreForOdbcConnectionsOnly)
{
    TDaoTable& table = TableOn(*Lab, "parts", jet::dbOpenDynamic);
    table.Open();
    EXPECT_EQ(Values(table, "Name"), Strings({"washer", "bolt", "gear"}));
    Direct("INSERT INTO parts (Name) VALUES ('spring')");
    Lab->RefreshDatasets();  // the engine's cache refreshed: a dynamic table finds the new row
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(Values(table, "Name"), Strings({"washer", "bolt", "gear", "spring"}));
    table.Close();

    auto access = OpenConfigDatabase();
    TDaoTable& local = TableOn(*access, "config", jet::dbOpenDynamic);
    EXPECT_EQ(ErrorOf([&] { local.Open(); }), "TDaoTable.OpenDaoRecordset: DynamicTables are for ODBC connections only!");
}

TEST_F(DaoTableOdbcTest, ATableTypeTableSeeksOnTheSourcesIndex)
{
    TDaoTable& table = TableOn(*Lab, "parts", jet::dbOpenTable);
    table.Open();
    TStringList indexes;
    table.GetIndexNames(indexes);
    EXPECT_GE(indexes.IndexOf("PartName"), 0) << indexes.CommaText();
    table.F_Set_IndexName("PartName");
    EXPECT_EQ(Values(table, "Name"), Strings({"bolt", "gear", "washer"}));
    ASSERT_TRUE(table.FindKey({jet::Variant("gear")}));
    EXPECT_EQ(table.FieldByName("Price").AsString(), "12.5");
    EXPECT_FALSE(table.FindKey({jet::Variant("axle")}));
    ASSERT_TRUE(table.FindKeyEx({jet::Variant("c")}));
    EXPECT_EQ(table.FieldByName("Name").AsString(), "gear");
}

TEST_F(DaoTableOdbcTest, SqlWithParametersSortAndFilterGoThroughTheDialect)
{
    Table = std::make_unique<TDaoTable>();
    Table->F_Set_Database(Lab.get());
    Table->SetSQLText("Select * From [Parts] Where [Price] < :Most");
    Table->Params().ParamByName("Most").SetAsFloat(1.0);
    Table->F_Set_Sort(TStringList{"Name DESC"});
    Table->Open();
    EXPECT_EQ(Values(*Table, "Name"), Strings({"washer", "bolt"}));
    Table->SetFilterText("Name LIKE 'b*'");
    Table->SetFiltered(true);
    EXPECT_EQ(Values(*Table, "Name"), Strings({"bolt"}));
    Table->Close();
    EXPECT_EQ(Table->ExecSQL(TStringList{"Update [Parts] Set [Note] = 'cheap' Where Price < 1"}), 2);
    EXPECT_EQ(DirectValue("SELECT COUNT(*) FROM parts WHERE Note = 'cheap'"), "2");
}

TEST_F(DaoTableOdbcTest, AnOdbcDirectConnectionServesTheTableToo)
{
    TDaoDatabase direct;
    direct.ReadProperties({{"DatabaseType", "ODBC"}, {"Database", "LabData"}, {"EngineType", "1"}, {"Version", "3.6"}});
    direct.Loaded();
    direct.Open();
    TDaoTable& table = TableOn(direct, "config", jet::dbOpenDynamic);
    table.Open();
    EXPECT_EQ(table.FieldDefs().Count(), 3);
    table.Last();
    table.Edit();
    table.FieldByName("OptionValue").SetAsString("250");
    table.Post();
    EXPECT_EQ(DirectValue("SELECT OptionValue FROM config WHERE OptionName = 'Stage'"), "250");
    EXPECT_EQ(Values(table, "OptionName"), Strings({"551", "702", "Stage"}));
}

TEST_F(DaoTableOdbcTest, ASnapshotIsReadOnly)
{
    TDaoTable& table = TableOn(*Lab, "parts", jet::dbOpenSnapshot);
    table.Open();
    EXPECT_TRUE(table.ReadOnly());
    EXPECT_FALSE(table.CanModify());
    EXPECT_EQ(table.FieldByName("Note").AsString(), "flat");
}

TEST_F(DaoTableOdbcTest, AnAccessDatabaseReachesTheSourceThroughALinkAndAPassThroughQuery)
{
    auto access = OpenConfigDatabase(2);
    access->LinkExternalTable("", "parts", "ODBC;DSN=LabData;", 0);
    TDaoTable& linked = TableOn(*access, "parts");
    linked.Open();
    EXPECT_EQ(Values(linked, "Name"), Strings({"washer", "bolt", "gear"}));
    linked.Last();
    linked.Edit();
    linked.FieldByName("Note").SetAsString("cog");
    linked.Post();
    EXPECT_EQ(DirectValue("SELECT Note FROM parts WHERE Name = 'gear'"), "cog");
    linked.Close();

    jet::QueryDefPtr query = access->DatabaseObject->CreateQueryDef("Tags", "");
    query->SetConnect("ODBC;DSN=LabData;");
    query->SetSQL("SELECT Name || '#' || Id AS Tag FROM parts ORDER BY Id");
    access->RefreshDefinitions();
    EXPECT_EQ(access->QueryDefNames.CommaText(), "Tags");
    Table = std::make_unique<TDaoTable>();
    Table->F_Set_Database(access.get());
    Table->F_Set_QueryDefName("Tags");
    Table->Open();
    EXPECT_EQ(Table->F_Get_QueryDefType(), "dbQSQLPassThrough");
    EXPECT_EQ(Values(*Table, "Tag"), Strings({"washer#1", "bolt#2", "gear#3"}));
    EXPECT_TRUE(Table->ReadOnly());
}

} // namespace
