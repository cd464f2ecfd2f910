// The table component's operations on its stored table: fields and indexes
// added and removed, every row deleted, and the table created or extended
// from the component's own definitions, on real database files.
#include "DaoTableFixture.h"
#include "SchemaText.h"

using namespace daotabletest;
using namespace schematext;

namespace {

class DaoTableSchemaTest : public DaoTableTest {
protected:
    void MakeOrders()
    {
        MakeTable("orders", {{"Id", jet::dbLong}, {"Code", jet::dbText, 10}, {"Name", jet::dbText, 40}}, {"Id"});
        Run("INSERT INTO orders VALUES (1, \"a\", \"甲\")");
        Run("INSERT INTO orders VALUES (2, \"b\", \"乙\")");
        Run("INSERT INTO orders VALUES (3, \"c\", Null)");
    }

    long StoredCount(const std::string& table)
    {
        return Database->DatabaseObject->OpenRecordset("SELECT * FROM " + table, jet::dbOpenSnapshot)->RecordCount();
    }
};

TEST_F(DaoTableSchemaTest, SchemaChangesNameTheFirstCheckThatFails)
{
    MakeOrders();
    Connect();
    struct Case {
        const char* Situation;
        std::vector<std::string> Messages;  // CreateField, CreateIndex, DeleteField, DeleteIndex
    };
    const Case cases[] = {
        {"no table name",
         {"TDaoTable.CreateField: TableName property must be set!", "TDaoTable.CreateIndex: TableName property must be set!",
          "TDaoTable.DeleteField: TableName property must be set!", "TDaoTable.DeleteIndex: TableName property must be set!"}},
        {"no database",
         {"TDaoTable.CreateField: Database property must be set!", "TDaoTable.CreateIndex: Database property must be set!",
          "TDaoTable.DeleteField: Database property must be set!", "TDaoTable.DeleteIndex: Database property must be set!"}},
        {"not connected",
         {"TDaoTable.CreateField: Database is NOT connected!", "TDaoTable.CreateIndex: Database is not connected!",
          "TDaoTable.DeleteField: Database is not connected!", "TDaoTable.DeleteIndex: Database is not connected!"}},
        {"open",
         {"TDaoTable.CreateField: Table must be in Inactive state to add fields!",
          "TDaoTable.CreateIndex: Cannot create Index while table is Active!",
          "TDaoTable.DeleteField: Cannot delete field while table is Active!!",
          "TDaoTable.DeleteIndex: Cannot delete index while table is Active!!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Situation);
        const std::string situation = c.Situation;
        TDaoTable& table = TableOn(situation == "no table name" ? "" : "orders");
        if (situation == "no database")
            table.F_Set_Database(nullptr);
        if (situation == "not connected")
            Database->Close();
        if (situation == "open")
            table.Open();
        EXPECT_EQ(ErrorOf([&] { table.CreateField("Extra", jet::dbText, 5); }), c.Messages[0]);
        EXPECT_EQ(ErrorOf([&] { table.CreateIndex("Code", 4); }), c.Messages[1]);
        EXPECT_EQ(ErrorOf([&] { table.DeleteField("Code"); }), c.Messages[2]);
        EXPECT_EQ(ErrorOf([&] { table.DeleteIndex("Code"); }), c.Messages[3]);
        table.Close();
        Database->Open();
    }
    EXPECT_EQ(Fields(*Database, "orders"), "Id 4 | Code 10 10 | Name 10 40");
}

TEST_F(DaoTableSchemaTest, FieldsAreAddedWithTheSizesTheirTypesTakeOrRefusedWithFalse)
{
    MakeOrders();
    Connect();
    TDaoTable& table = TableOn("orders");
    EXPECT_TRUE(table.CreateField("Remark", jet::dbText, 40));
    EXPECT_TRUE(table.CreateField("Note", jet::dbMemo, 0));
    EXPECT_TRUE(table.CreateField("Count", jet::dbLong, 10));
    EXPECT_FALSE(table.CreateField("code", jet::dbText, 5));
    EXPECT_FALSE(TableOn("missing").CreateField("Extra", jet::dbText, 5));
    EXPECT_EQ(Fields(*Database, "orders"), "Id 4 | Code 10 10 | Name 10 40 | Remark 10 40 | Note 12 | Count 4");
    TDaoTable& reopened = TableOn("orders");
    reopened.Open();
    EXPECT_EQ(reopened.FieldDefs().Count(), 6);
}

TEST_F(DaoTableSchemaTest, IndexesAreMadeAndRemovedByTheirField)
{
    MakeOrders();
    Connect();
    TDaoTable& table = TableOn("orders");
    EXPECT_TRUE(table.CreateIndex("Name", 4));
    EXPECT_TRUE(table.CreateIndex("Code", 2));
    EXPECT_EQ(Indexes(*Database, "orders"), "PrimaryKey:PU:Id Name::Name Code:U:Code");
    EXPECT_FALSE(TableOn("missing").CreateIndex("Code", 2));

    TDaoTable& again = TableOn("orders");
    EXPECT_TRUE(again.DeleteIndex("Name"));
    EXPECT_EQ(Indexes(*Database, "orders"), "PrimaryKey:PU:Id Code:U:Code");
    // The field goes with every index holding it.
    EXPECT_TRUE(again.DeleteField("code"));
    EXPECT_EQ(Indexes(*Database, "orders"), "PrimaryKey:PU:Id");
    EXPECT_EQ(Fields(*Database, "orders"), "Id 4 | Name 10 40");
    EXPECT_FALSE(again.DeleteField("Code"));
}

TEST_F(DaoTableSchemaTest, EmptyTableDeletesEveryRowThroughTheDatasetsEvents)
{
    MakeOrders();
    Connect();
    TDaoTable& table = TableOn("orders");
    table.Open();
    table.Next();
    Strings deleted;
    int afterDelete = 0;
    table.BeforeDelete = [&](TDataSet& dataSet) { deleted.push_back(dataSet.FieldByName("Code").AsString()); };
    table.AfterDelete = [&](TDataSet&) { ++afterDelete; };
    EXPECT_TRUE(table.EmptyTable());
    EXPECT_EQ(deleted, (Strings{"a", "b", "c"}));
    EXPECT_EQ(afterDelete, 3);
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_FALSE(table.BatchMode());
    EXPECT_FALSE(table.ControlsDisabled());
    EXPECT_EQ(StoredCount("orders"), 0);
    // Nothing left: true at once, even on a read-only table.
    table.F_Set_ReadOnly(true);
    EXPECT_TRUE(table.EmptyTable());
}

TEST_F(DaoTableSchemaTest, EmptyTableRefusesAReadOnlyTableAndStopsAtTheFirstFailure)
{
    MakeOrders();
    Connect();
    TDaoTable& table = TableOn("orders");
    table.Open();
    table.F_Set_ReadOnly(true);
    EXPECT_EQ(ErrorOf([&] { table.EmptyTable(); }), "Cannot Empty ReadOnly table!");
    EXPECT_EQ(StoredCount("orders"), 3);

    table.F_Set_ReadOnly(false);
    table.BeforeDelete = [](TDataSet& dataSet) {
        if (dataSet.FieldByName("Code").AsString() == "b")
            DatabaseError("kept");
    };
    EXPECT_EQ(ErrorOf([&] { table.EmptyTable(); }), "kept");
    EXPECT_FALSE(table.BatchMode());
    EXPECT_FALSE(table.ControlsDisabled());
    EXPECT_EQ(Values(table, "Code"), (Strings{"b", "c"}));
    EXPECT_EQ(StoredCount("orders"), 2);
}

TEST_F(DaoTableSchemaTest, CreateAndAppendTableBuildTheStoredTableFromTheDefinitions)
{
    Connect();
    TDaoTable& table = TableOn("parts");
    table.FieldDefs().Add("Id", ftAutoInc);
    table.FieldDefs().Add("Code", ftString, 12, true);
    table.FieldDefs().Add("Weight", ftFloat);
    table.FieldDefs().Add("Made", ftDateTime);
    table.IndexDefs().AddIndexDef("", "Id", ixPrimary | ixUnique);
    table.IndexDefs().AddIndexDef("", "Code", ixUnique);
    table.CreateTable();
    EXPECT_EQ(Fields(*Database, "parts"), "Id 4 auto | Code 10 12 required | Weight 6 | Made 8");
    EXPECT_EQ(Indexes(*Database, "parts"), "PrimaryKey:PU:Id Id:U:Id Code:U:Code");

    TDaoTable& more = TableOn("parts");
    more.FieldDefs().Add("Note", ftMemo);
    more.FieldDefs().Add("Count", ftSmallint);
    more.AppendTable();
    EXPECT_EQ(Fields(*Database, "parts"),
              "Id 4 auto | Code 10 12 required | Weight 6 | Made 8 | Note 12 | Count 3");
    more.Open();
    more.Append();
    more.FieldByName("Code").SetAsString("P-1");
    more.FieldByName("Note").SetAsString("备注");
    more.Post();
    EXPECT_EQ(Values(more, "Id"), (Strings{"1"}));
    EXPECT_EQ(Values(more, "Note"), (Strings{"备注"}));
}

TEST_F(DaoTableSchemaTest, CreateAndAppendTableNeedAClosedTableWithAName)
{
    MakeOrders();
    Connect();
    TDaoTable& table = TableOn("orders");
    table.Open();
    EXPECT_EQ(ErrorOf([&] { table.CreateTable(); }), "Cannot create new Table while Table is Active!");
    // The active table is reported before the missing name.
    table.Close();
    table.F_Set_TableName("");
    table.F_Set_SQL(TStringList{"SELECT * FROM orders"});
    table.Open();
    EXPECT_EQ(ErrorOf([&] { table.AppendTable(); }), "Cannot append Table while Table is Active!");
    table.Close();
    EXPECT_EQ(ErrorOf([&] { table.CreateTable(); }), "Cannot create new Table - TableName is missing!");
    EXPECT_EQ(ErrorOf([&] { table.AppendTable(); }), "Cannot append Table - TableName is missing!");
    // An existing table is not made again.
    TDaoTable& again = TableOn("orders");
    again.FieldDefs().Add("Id", ftInteger);
    EXPECT_NE(ErrorOf([&] { again.CreateTable(); }), "");
    EXPECT_EQ(StoredCount("orders"), 3);
}

} // namespace
