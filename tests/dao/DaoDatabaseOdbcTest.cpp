// The database component on ODBC sources: connecting by data source name
// or connect text, in a Jet or an ODBC direct workspace, the lists and
// transactions, links to a source's tables, and a source that is not there.
#include "dao/DaoDatabase.h"
#include "dao/Daoapi.h"

#include "DaoTestFixture.h"
#include "SchemaText.h"
#include "tests/platform/jet/JetFixture.h"
#include "tests/platform/jet/OdbcFixture.h"

#include <functional>

using namespace daotest;
using namespace schematext;

namespace {

class DaoDatabaseOdbcTest : public DaoDatabaseTest {
protected:
    void SetUp() override
    {
        DaoDatabaseTest::SetUp();
        jettest::MakeLabSource();
    }

    // A component as a form would stream one for an ODBC source.
    std::unique_ptr<TDaoDatabase> OdbcDatabase(const std::string& database, int engineType = jet::dbUseJet)
    {
        auto component = std::make_unique<TDaoDatabase>();
        component->SetName("KDBLab");
        component->ReadProperties({{"DatabaseType", "ODBC"}, {"Database", database},
                                   {"EngineType", std::to_string(engineType)}, {"Version", "3.6"}});
        component->Loaded();
        return component;
    }
};

TEST_F(DaoDatabaseOdbcTest, ADataSourceConnectsWithItsTablesListed)
{
    for (const char* database : {"LabData", "odbc;DSN=LabData", "ODBC;DSN=LabData;UID=someone"}) {
        auto component = OdbcDatabase(database);
        component->Open();
        ASSERT_TRUE(component->Connected()) << database;
        EXPECT_EQ(component->TableNames.CommaText(), "cheap,config,loose,parts") << database;
        EXPECT_EQ(component->DatabaseVersionInfo(), "");  // not read for ODBC sources
        EXPECT_EQ(component->DatabaseLanguage(), "Undefined or unknown");
        EXPECT_EQ(component->DatabaseObject->Connect().rfind("ODBC;DSN=LabData;", 0), 0u);
        component->Close();
        EXPECT_FALSE(component->Connected());
    }
    // The user's source is another file.
    jettest::Direct("ATTACH '" + OdbcConfig::MeasuresFile() + "' AS m; CREATE TABLE m.readings (Value DOUBLE);");
    auto measures = OdbcDatabase("MyMeasures");
    measures->Open();
    EXPECT_EQ(measures->TableNames.CommaText(), "readings");
}

TEST_F(DaoDatabaseOdbcTest, ASourceThatIsNotThereIsTheDriverManagersError)
{
    auto component = OdbcDatabase("NoSuchSource");
    try {
        component->Open();
        ADD_FAILURE() << "connected";
    } catch (const jet::EngineError& error) {
        EXPECT_EQ(error.Number(), jet::errOdbcConnectFailed);
    }
    EXPECT_FALSE(component->Connected());
    const TDaoErrRec last = component->GetLastDaoError();
    EXPECT_NE(last.Description.find("[unixODBC][Driver Manager]Data source name not found"), std::string::npos)
        << last.Description;
    // The component stays usable: another source connects.
    component->SetDatabase("LabData");
    component->Open();
    EXPECT_TRUE(component->Connected());
}

TEST_F(DaoDatabaseOdbcTest, AnOdbcDirectWorkspaceConnectsThroughOpenConnection)
{
    auto component = OdbcDatabase("LabData", jet::dbUseODBC);
    EXPECT_EQ(component->WorkspaceObject->DefaultCursorDriver(), jet::dbUseDefaultCursor);
    component->SetDefaultCursorDriver(jet::dbUseServerCursor);
    EXPECT_EQ(component->WorkspaceObject->DefaultCursorDriver(), jet::dbUseServerCursor);
    component->Open();
    EXPECT_TRUE(component->Connected());
    // The definition lists are the Jet workspace's.
    EXPECT_TRUE(component->TableNames.Empty());
    EXPECT_EQ(component->DatabaseObject->OpenRecordset("parts", jet::dbOpenDynamic)->RecordCount(), 3);
    component->Close();

    // An Access file has no ODBC direct workspace.
    component->SetDatabaseType("Access");
    MakeConfigDatabase("Config/Config.dat");
    component->SetDatabase("Config/Config.dat");
    EXPECT_THROW(component->Open(), EDatabaseError);
}

TEST_F(DaoDatabaseOdbcTest, TransactionsOfTheComponentReachTheSource)
{
    auto component = OdbcDatabase("LabData");
    component->Open();
    AttachedTable config(*component, "KTableConfig");
    config.MoveTo(2);
    component->StartTransaction();
    component->DatabaseObject->Execute("DELETE FROM config WHERE OptionName = '551'");
    config.MoveTo(1);
    component->Rollback();
    EXPECT_EQ(component->GetTransactionCount(), 0);
    EXPECT_EQ(jettest::DirectValue("SELECT COUNT(*) FROM config"), "3");
    EXPECT_EQ(config.Current(), "702");  // back where it stood, by bookmark

    component->StartTransaction();
    component->DatabaseObject->Execute("DELETE FROM config WHERE OptionName = '551'");
    component->Commit();
    EXPECT_EQ(jettest::DirectValue("SELECT COUNT(*) FROM config"), "2");
    // A source has no database password to change.
    component->Close();
    component->SetExclusive(true);
    component->Open();
    EXPECT_FALSE(component->ChangeDatabasePassword("", "x"));
}

TEST_F(DaoDatabaseOdbcTest, AnAccessDatabaseLinksASourcesTable)
{
    auto database = OpenConfigDatabase();
    database->LinkExternalTable("", "parts", "ODBC;DSN=LabData;", 0);
    database->LinkExternalTableEx("LabData", "Words", "loose", "ODBC;DSN=%s;", 0);
    database->RefreshDefinitions();
    EXPECT_EQ(database->TableNames.CommaText(), "config,parts,Words");
    EXPECT_EQ(database->DatabaseObject->TableDefs().Item("Words")->Connect(), "ODBC;DSN=LabData;");
    jettest::Direct("ALTER TABLE loose ADD COLUMN Weight DOUBLE");
    database->RefreshLink("LabData", "Words", "ODBC;DSN=%s;UID=op");
    EXPECT_EQ(database->DatabaseObject->TableDefs().Item("Words")->Fields().Count(), 2);
    EXPECT_EQ(database->DatabaseObject->TableDefs().Item("Words")->Connect(), "ODBC;DSN=LabData;UID=op");
    // A source's table, then, is a table of the file to read.
    EXPECT_EQ(database->DatabaseObject->OpenRecordset("parts", jet::dbOpenSnapshot)->RecordCount(), 3);
}

TEST_F(DaoDatabaseOdbcTest, TableDefinitionsChangeTheSourceThroughItsOwnDdl)
{
    auto component = OdbcDatabase("LabData");
    component->Open();
    TDaoDatabase& database = *component;
    const jet::Variant none = Array({0, 0, 0, 0});
    ASSERT_TRUE(database.CreateTable("Orders", Array({"Id", "Code", "Name", "Note"}),
                                     Array({dbAutoIncrement, jet::dbText, jet::dbText, jet::dbMemo}),
                                     Array({0, 10, 40, 0}), Array({1, 2, 4, 0}), none));
    EXPECT_GE(database.TableNames.IndexOf("Orders"), 0);
    EXPECT_EQ(Fields(database, "Orders"), "Id 4 auto | Code 10 10 | Name 10 40 | Note 12");
    // The key is named and the indexes are listed as the source does.
    EXPECT_EQ(Indexes(database, "Orders"), "sqlite_autoindex_0:PU:Id Name::Name Code:U:Code");
    const std::string created = jettest::DirectValue("SELECT sql FROM sqlite_master WHERE name = 'Orders'");
    EXPECT_NE(created.find("INTEGER PRIMARY KEY AUTOINCREMENT"), std::string::npos) << created;
    database.DatabaseObject->Execute("INSERT INTO Orders (Code) VALUES (\"A\")");
    EXPECT_EQ(jettest::DirectValue("SELECT Id FROM Orders WHERE Code = 'A'"), "1");
    EXPECT_THROW(database.DatabaseObject->Execute("INSERT INTO Orders (Code) VALUES (\"A\")"), jet::EngineError);

    // Indexes and fields of a table that is there.
    EXPECT_TRUE(database.CreateIndex("Orders", "Note", 4));
    EXPECT_EQ(Indexes(database, "Orders"), "sqlite_autoindex_0:PU:Id Note::Note Name::Name Code:U:Code");
    database.DeleteIndexByName("Orders", "Name");
    EXPECT_EQ(Indexes(database, "Orders"), "sqlite_autoindex_0:PU:Id Note::Note Code:U:Code");
    ASSERT_TRUE(database.AddFieldsToTable("Orders", Array({"Qty", "Made"}), Array({jet::dbLong, jet::dbDate}),
                                          Array({0, 0}), Array({4, 0}), Array({0, 0})));
    EXPECT_EQ(Fields(database, "Orders"), "Id 4 auto | Code 10 10 | Name 10 40 | Note 12 | Qty 4 | Made 8");
    EXPECT_EQ(Indexes(database, "Orders"), "sqlite_autoindex_0:PU:Id Qty::Qty Note::Note Code:U:Code");
    database.DeleteField("Orders", "Qty");
    EXPECT_EQ(Fields(database, "Orders"), "Id 4 auto | Code 10 10 | Name 10 40 | Note 12 | Made 8");
    EXPECT_EQ(jettest::DirectValue("SELECT COUNT(*) FROM Orders"), "1");

    // A table without a numbered field takes a primary key over several fields.
    ASSERT_TRUE(database.CreateTable("Lines", Array({"Line", "Part"}), Array({jet::dbLong, jet::dbText}),
                                     Array({0, 20}), Array({1, 1}), Array({0, 0})));
    EXPECT_EQ(Indexes(database, "Lines").find(":PU:Line,Part") != std::string::npos, true) << Indexes(database, "Lines");

    database.DeleteTable("Orders");
    EXPECT_LT(database.TableNames.IndexOf("Orders"), 0);
    EXPECT_EQ(jettest::DirectValue("SELECT COUNT(*) FROM sqlite_master WHERE name = 'Orders'"), "0");
}

TEST_F(DaoDatabaseOdbcTest, TablesFieldsAndIndexesOfTheSourceAreRenamedWithTheirRows)
{
    auto component = OdbcDatabase("LabData");
    component->Open();
    TDaoDatabase& database = *component;
    ASSERT_TRUE(database.CreateTable("Lines", Array({"Line", "Part", "Qty"}),
                                     Array({jet::dbLong, jet::dbText, jet::dbLong}), Array({0, 20, 0}),
                                     Array({1, 4, 0}), Array({0, 0, 0})));
    database.DatabaseObject->Execute("INSERT INTO Lines (Line, Part, Qty) VALUES (1, \"screw\", 40)");
    const std::string key = Indexes(database, "Lines").substr(0, Indexes(database, "Lines").find(':'));

    database.RenameTable("Lines", "Rows");
    EXPECT_LT(database.TableNames.IndexOf("Lines"), 0);
    EXPECT_GE(database.TableNames.IndexOf("Rows"), 0);
    database.RenameField("Rows", "Part", "Item");
    EXPECT_EQ(Fields(database, "Rows"), "Line 4 | Item 10 20 | Qty 4");
    // SQLite has no ALTER INDEX: the index is made anew under its new name.
    database.RenameIndex("Rows", "Part", "ByItem");
    EXPECT_EQ(Indexes(database, "Rows"), key + ":PU:Line ByItem::Item");
    EXPECT_EQ(jettest::DirectValue("SELECT Line || Item || Qty FROM Rows"), "1screw40");
    EXPECT_EQ(jettest::DirectValue("SELECT COUNT(*) FROM sqlite_master WHERE name IN ('Part', 'ByItem')"), "1");

    // Refused renames are the source's errors and change nothing.
    struct Case {
        const char* What;
        std::function<void()> Rename;
    };
    const Case refused[] = {
        {"table to a name in use", [&] { database.RenameTable("Rows", "parts"); }},
        {"field to a name in use", [&] { database.RenameField("Rows", "Item", "Qty"); }},
        {"index to a name in use", [&] { database.RenameIndex("Rows", "ByItem", key); }},
        {"SQLite's own key, which it keeps", [&] { database.RenameIndex("Rows", key, "Key"); }},
        {"table to a name the engine refuses", [&] { database.RenameTable("Rows", "a[b"); }},
    };
    for (const Case& c : refused) {
        EXPECT_THROW(c.Rename(), jet::EngineError) << c.What;
        EXPECT_EQ(Fields(database, "Rows"), "Line 4 | Item 10 20 | Qty 4") << c.What;
        EXPECT_EQ(Indexes(database, "Rows"), key + ":PU:Line ByItem::Item") << c.What;
        EXPECT_EQ(jettest::DirectValue("SELECT COUNT(*) FROM Rows"), "1") << c.What;
    }
    // An index another program made keeps its condition and collation.
    jettest::Direct("CREATE UNIQUE INDEX ByNote ON Rows (Item COLLATE NOCASE) WHERE Qty > 0");
    database.RenameIndex("Rows", "ByNote", "CaseBlind");
    EXPECT_EQ(jettest::DirectValue("SELECT sql FROM sqlite_master WHERE name IN ('ByNote', 'CaseBlind')"),
              "CREATE UNIQUE INDEX \"CaseBlind\" ON Rows (Item COLLATE NOCASE) WHERE Qty > 0");

    // What no common DDL changes: a field's definition once it is there.
    EXPECT_EQ(jettest::ErrorOf([&] {
                  database.DatabaseObject->TableDefs().Item("Rows")->Fields().Item("Qty")->SetRequired(true);
              }),
              jet::errNotSupported);
}

} // namespace
