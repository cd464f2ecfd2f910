// Table, index and field definitions, linked tables and stored queries made
// through the database component, read back from the engine.
#include "dao/DaoDatabase.h"

#include "dao/Daoapi.h"

#include "DaoTestFixture.h"
#include "SchemaText.h"

using namespace daotest;
using namespace schematext;
namespace msg = DaoDatabaseMessages;

namespace {

using V = jet::Variant;

class DaoSchemaTest : public DaoDatabaseTest {
protected:
    void SetUp() override
    {
        DaoDatabaseTest::SetUp();
        Database = OpenConfigDatabase(3);
    }
    void TearDown() override
    {
        Database.reset();
        DaoDatabaseTest::TearDown();
    }

    // Orders: Id numbered and the key, Code unique and required, Name
    // indexed, Note plain.
    bool CreateOrders()
    {
        return Database->CreateTable("Orders", Array({"Id", "Code", "Name", "Note"}), OrderTypes,
                                     Array({0, 10, 40, 0}), Array({1, 2, 4, 0}), Array({0, 1, 2, 0}));
    }

    std::unique_ptr<TDaoDatabase> Database;
    V OrderTypes = Array({dbAutoIncrement, jet::dbText, jet::dbText, jet::dbMemo});
};

TEST_F(DaoSchemaTest, CreateTableBuildsKeysIndexesAndRequiredFields)
{
    ASSERT_TRUE(CreateOrders());
    EXPECT_EQ(Fields(*Database, "Orders"), "Id 4 auto | Code 10 10 required | Name 10 40 | Note 12");
    EXPECT_EQ(Indexes(*Database, "Orders"), "PrimaryKey:PU:Id Code:U:Code Name::Name");
    EXPECT_GE(Database->TableNames.IndexOf("Orders"), 0);
    // The caller's types are left as they were.
    EXPECT_EQ(OrderTypes.Array()->Get({0}).AsInteger(), dbAutoIncrement);

    // Rows get their numbers, and the unique and required fields hold.
    Database->DatabaseObject->Execute("INSERT INTO Orders (Code) VALUES (\"A\")");
    EXPECT_THROW(Database->DatabaseObject->Execute("INSERT INTO Orders (Code) VALUES (\"a\")"), jet::EngineError);
    EXPECT_THROW(Database->DatabaseObject->Execute("INSERT INTO Orders (Name) VALUES (\"x\")"), jet::EngineError);
    EXPECT_EQ(Database->DatabaseObject->OpenRecordset("Orders")->Fields().Item("Id")->Value().AsInteger(), 1);
}

TEST_F(DaoSchemaTest, KeyOverSeveralFieldsFollowsTheArrayOrder)
{
    ASSERT_TRUE(Database->CreateTable("Lines", Array({"Line", "Order", "Qty"}),
                                      Array({jet::dbLong, jet::dbLong, jet::dbDouble}), Array({0, 0, 0}),
                                      Array({1, 3, 6}), Array({1, 1, 0})));
    EXPECT_EQ(Indexes(*Database, "Lines"), "PrimaryKey:PU:Line,Order Order:U:Order Qty:U:Qty");
}

TEST_F(DaoSchemaTest, EmptyArraysDescribeNoFieldsWhichTheEngineRefusesToStore)
{
    const V none = Array({});
    try {
        Database->CreateTable("Nothing", none, none, none, none, none);
        ADD_FAILURE() << "created";
    } catch (const jet::EngineError& error) {
        EXPECT_EQ(error.Description(), "No field defined--cannot append TableDef or Index.");
    }
    EXPECT_EQ(Database->TableNames.IndexOf("Nothing"), -1);
}

TEST_F(DaoSchemaTest, ShortOrMissingArraysAreRefusedBeforeAnythingIsCreated)
{
    const V names = Array({"A", "B"});
    const V types = Array({jet::dbLong, jet::dbLong});
    const V two = Array({0, 0});
    const V one = Array({0});
    struct Case {
        V names, sizes, indexes, required;
        const char* message;
    };
    const Case cases[] = {
        {Array({"A"}), two, two, two,
         "TDaoDatabase.CreateTable: FieldNames array must hold an element for each of the 2 fields!"},
        {names, one, two, two, "TDaoDatabase.CreateTable: FieldSizes array must hold an element for each of the 2 fields!"},
        {names, two, one, two,
         "TDaoDatabase.CreateTable: FieldIndexes array must hold an element for each of the 2 fields!"},
        {names, two, two, Array({0, 0}, 1),
         "TDaoDatabase.CreateTable: FieldsRequired array must hold an element for each of the 2 fields!"},
        {names, two, two, V(0), "TDaoDatabase.CreateTable: FieldsRequired parameter is not a one-dimensional array!"},
    };
    for (const Case& c : cases) {
        try {
            Database->CreateTable("T", c.names, types, c.sizes, c.indexes, c.required);
            ADD_FAILURE() << "created";
        } catch (const EDatabaseError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
        EXPECT_EQ(Database->TableNames.IndexOf("T"), -1);
    }
    try {
        Database->AddFieldsToTable("config", names, types, one, two, two);
        ADD_FAILURE() << "added";
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(),
                     "TDaoDatabase.AddFieldsToTable: FieldSizes array must hold an element for each of the 2 fields!");
    }
    EXPECT_EQ(Fields(*Database, "config").find("A "), std::string::npos);
}

TEST_F(DaoSchemaTest, CreateAndAddRefuseWithoutConnectionOrName)
{
    const V a = Array({0});
    EXPECT_THROW(
        {
            try {
                Database->CreateTable("", a, a, a, a, a);
            } catch (const EDatabaseError& error) {
                EXPECT_STREQ(error.what(), msg::E1028);
                throw;
            }
        },
        EDatabaseError);
    try {
        Database->AddFieldsToTable("", a, a, a, a, a);
        ADD_FAILURE();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), msg::E1030);
    }
    Database->Close();
    try {
        Database->CreateTable("T", a, a, a, a, a);
        ADD_FAILURE();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), msg::E1027);
    }
    try {
        Database->AddFieldsToTable("T", a, a, a, a, a);
        ADD_FAILURE();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), msg::E1029);
    }
}

TEST_F(DaoSchemaTest, AddFieldsToTableReplacesTheKey)
{
    ASSERT_TRUE(CreateOrders());
    ASSERT_TRUE(Database->AddFieldsToTable("Orders", Array({"Serial", "Branch"}), Array({dbAutoIncrement, jet::dbText}),
                                           Array({0, 8}), Array({1, 0}), Array({0, 1})));
    EXPECT_EQ(Fields(*Database, "Orders"),
              "Id 4 auto | Code 10 10 required | Name 10 40 | Note 12 | Serial 4 auto | Branch 10 8 required");
    EXPECT_EQ(Indexes(*Database, "Orders"), "Code:U:Code Name::Name PrimaryKey:PU:Serial");
    EXPECT_TRUE(Database->HasPrimaryKey(Database->DatabaseObject->TableDefs().Item("Orders")));
}

TEST_F(DaoSchemaTest, EmptyRenameAndDeleteTables)
{
    ASSERT_TRUE(Database->CreateEmptyTable("Blank"));
    EXPECT_EQ(Fields(*Database, "Blank"), "");
    EXPECT_GE(Database->TableNames.IndexOf("Blank"), 0);

    EXPECT_TRUE(Database->EmptyTable("config"));
    EXPECT_EQ(Database->DatabaseObject->OpenRecordset("config")->RecordCount(), 0);
    EXPECT_FALSE(Database->EmptyTable("Missing"));
    // A name that would end its brackets is never run.
    Database->DatabaseObject->Execute("INSERT INTO config (ConfigName, OptionName) VALUES (\"a\", \"b\")");
    EXPECT_FALSE(Database->EmptyTable("Missing]; DELETE * FROM [config"));
    EXPECT_EQ(Database->DatabaseObject->OpenRecordset("config")->RecordCount(), 1);

    Database->RenameTable("config", "settings");
    EXPECT_EQ(Database->TableNames.IndexOf("config"), -1);
    EXPECT_GE(Database->TableNames.IndexOf("settings"), 0);
    Database->DeleteTable("settings");
    EXPECT_EQ(Database->TableNames.IndexOf("settings"), -1);
    EXPECT_THROW(Database->DeleteTable("settings"), jet::EngineError);
    EXPECT_THROW(Database->RenameTable("settings", "x"), jet::EngineError);
}

TEST_F(DaoSchemaTest, CreateIndexByOptions)
{
    ASSERT_TRUE(Database->CreateTable("People", Array({"First", "Last", "Age"}),
                                      Array({jet::dbText, jet::dbText, jet::dbLong}), Array({20, 20, 0}),
                                      Array({0, 0, 0}), Array({0, 0, 0})));
    EXPECT_TRUE(Database->CreateIndex("People", "Age", 0));
    EXPECT_EQ(Indexes(*Database, "People"), "");
    EXPECT_FALSE(Database->CreateIndex("Missing", "Age", 4));

    ASSERT_TRUE(Database->CreateIndex("People", "Age", 4));
    EXPECT_EQ(Indexes(*Database, "People"), "Age::Age");
    ASSERT_TRUE(Database->CreateIndex("People", "First", 1));
    EXPECT_EQ(Indexes(*Database, "People"), "Age::Age PrimaryKey:PU:First First:U:First");
    // A new key replaces the old one.
    ASSERT_TRUE(Database->CreateIndex("People", "Last", 1));
    EXPECT_EQ(Indexes(*Database, "People"), "Age::Age First:U:First PrimaryKey:PU:Last Last:U:Last");

    Database->RenameIndex("People", "Age", "ByAge");
    EXPECT_EQ(Indexes(*Database, "People"), "ByAge::Age First:U:First PrimaryKey:PU:Last Last:U:Last");
    Database->DeleteIndexByName("People", "ByAge");
    EXPECT_THROW(Database->DeleteIndexByName("People", "ByAge"), jet::EngineError);
    EXPECT_EQ(Indexes(*Database, "People"), "First:U:First PrimaryKey:PU:Last Last:U:Last");
}

TEST_F(DaoSchemaTest, IndexesGoWithTheirFieldByFirstFieldOrByAnyField)
{
    ASSERT_TRUE(Database->CreateTable("People", Array({"First", "Last", "Age"}),
                                      Array({jet::dbText, jet::dbText, jet::dbLong}), Array({20, 20, 0}),
                                      Array({2, 4, 0}), Array({0, 0, 0})));
    // A compound index whose first field is Last.
    const jet::TableDefPtr people = Database->DatabaseObject->TableDefs().Item("People");
    const jet::IndexPtr names = people->CreateIndex("Names");
    names->Fields().Append(people->CreateField("Last"));
    names->Fields().Append(people->CreateField("First"));
    people->Indexes().Append(names);
    EXPECT_EQ(Indexes(*Database, "People"), "First:U:First Last::Last Names::Last,First");

    // By first field, and exactly.
    Database->DeleteIndexByFieldName("People", "first");
    EXPECT_EQ(Indexes(*Database, "People"), "First:U:First Last::Last Names::Last,First");
    Database->DeleteIndexByFieldName("People", "First");
    EXPECT_EQ(Indexes(*Database, "People"), "Last::Last Names::Last,First");

    // Any index holding the field, in any case, then the field.
    Database->DeleteField("People", "FIRST");
    EXPECT_EQ(Indexes(*Database, "People"), "Last::Last");
    EXPECT_EQ(Fields(*Database, "People"), "Last 10 20 | Age 4");
    EXPECT_THROW(Database->DeleteField("People", "First"), jet::EngineError);

    Database->RenameField("People", "Age", "Years");
    EXPECT_EQ(Fields(*Database, "People"), "Last 10 20 | Years 4");
}

TEST_F(DaoSchemaTest, LinkedTablesReachAnotherDatabaseFile)
{
    MakeConfigDatabase(Path("Other.dat"), 4);
    // Linked under its own name, which this file holds already: refused.
    EXPECT_THROW(Database->LinkExternalTable(Path("Other.dat"), "config", ";DATABASE=%s", 0), jet::EngineError);
    Database->LinkExternalTableEx(Path("Other.dat"), "OtherConfig", "config", ";DATABASE=%s", 0);
    const jet::TableDefPtr link = Database->DatabaseObject->TableDefs().Item("OtherConfig");
    EXPECT_EQ(link->SourceTableName(), "config");
    EXPECT_EQ(link->Connect(), ";DATABASE=" + Path("Other.dat"));
    EXPECT_NE(link->Attributes() & jet::dbAttachedTable, 0);
    EXPECT_EQ(Database->DatabaseObject->OpenRecordset("OtherConfig")->RecordCount(), 4);
    // The name lists are the caller's to refresh.
    EXPECT_EQ(Database->TableNames.IndexOf("OtherConfig"), -1);
    Database->RefreshDefinitions();
    EXPECT_GE(Database->TableNames.IndexOf("OtherConfig"), 0);

    // A connect text without "%s" is used as it stands.
    MakeConfigDatabase(Path("Third.dat"), 6);
    Database->LinkExternalTableEx("ignored", "Third", "config", ";DATABASE=" + Path("Third.dat"), 0);
    EXPECT_EQ(Database->DatabaseObject->OpenRecordset("Third")->RecordCount(), 6);
    // Pointed at another file, the link reads that one.
    Database->RefreshLink(Path("Other.dat"), "Third", ";DATABASE=%s");
    EXPECT_EQ(Database->DatabaseObject->OpenRecordset("Third")->RecordCount(), 4);

    // A file name as table name is linked under a local name without dots;
    // other sources than our files are the engine's to refuse, and nothing
    // is left behind.
    EXPECT_THROW(Database->LinkExternalTable("/data", "CUSTOMER.DBF", "dBASE IV;DATABASE=%s", 0), jet::EngineError);
    Database->RefreshDefinitions();
    EXPECT_EQ(Database->TableNames.IndexOf("CUSTOMER#DBF"), -1);
}

TEST_F(DaoSchemaTest, StoredQueriesAreCreatedChangedRenamedAndDeleted)
{
    const std::string sql = "SELECT * FROM config WHERE OptionName = \"2\";";
    EXPECT_TRUE(Database->CreateQueryDef("Second", sql));
    EXPECT_EQ(Database->QueryDefNames.CommaText(), "Second");
    EXPECT_EQ(Database->GetQueryDefSQLText("Second"), sql);
    EXPECT_EQ(Database->GetQueryDefSQLText("Missing"), "");

    Database->ModifyQueryDef("Second", "PARAMETERS [Which] Text;\nSELECT * FROM config WHERE OptionName = [Which];");
    const jet::QueryDefPtr query = Database->DatabaseObject->QueryDefs().Item("Second");
    ASSERT_EQ(query->Parameters().Count(), 1);
    query->Parameters().Item(0)->SetValue("3");
    EXPECT_EQ(query->OpenRecordset()->Fields().Item("OptionValue")->Value().AsString(), "value 3");

    Database->RenameQueryDef("Second", "ByName");
    EXPECT_EQ(Database->QueryDefNames.CommaText(), "ByName");
    // A failing change leaves the lists as the first refresh made them.
    EXPECT_THROW(Database->RenameQueryDef("Missing", "Other"), jet::EngineError);
    EXPECT_EQ(Database->QueryDefNames.CommaText(), "ByName");
    EXPECT_THROW(Database->CreateQueryDef("ByName", sql), jet::EngineError);
    Database->DeleteQueryDef("ByName");
    EXPECT_TRUE(Database->QueryDefNames.Empty());
    EXPECT_EQ(Database->GetQueryDefSQLText("ByName"), "");
    Database->Close();
    EXPECT_EQ(Database->GetQueryDefSQLText("ByName"), "");
}

} // namespace
