// The database component on ODBC sources: connecting by data source name
// or connect text, in a Jet or an ODBC direct workspace, the lists and
// transactions, links to a source's tables, and a source that is not there.
#include "dao/DaoDatabase.h"

#include "DaoTestFixture.h"
#include "tests/platform/jet/OdbcFixture.h"

using namespace daotest;

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

} // namespace
