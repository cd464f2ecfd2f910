// The database component: construction and engine discovery, properties and
// their streaming, connecting and disconnecting, login, definition lists,
// and the registry lists, on real database files.
#include "dao/DaoDatabase.h"

#include "DaoTestFixture.h"
#include "tests/support/ModalAnswers.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <fstream>

using namespace daotest;
namespace msg = DaoDatabaseMessages;

namespace {

const std::string FormatNames = "\"dBASE 5.0\",\"dBASE III\",\"dBASE IV\",\"Excel 3.0\",\"Excel 4.0\",\"Excel 5.0\","
                                "\"Excel 8.0\",\"FoxPro 2.0\",\"FoxPro 2.5\",\"FoxPro 2.6\",\"FoxPro 3.0\","
                                "\"Paradox 3.X\",\"Paradox 4.X\",\"Paradox 5.X\",\"Paradox 7.X\",Text";

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(no error)";
}

// --- Construction and the engine ---

TEST_F(DaoDatabaseTest, ConstructionFindsTheInstalledEnginesAndTakesTheFirst)
{
    {
        ScopedEngineClasses classes(jet::MakeEngineClasses({}));
        EXPECT_EQ(ErrorOf([] { TDaoDatabase database; }), msg::E1004);
    }
    {
        ScopedEngineClasses classes(jet::MakeEngineClasses({"3.6"}));
        TDaoDatabase database;
        EXPECT_EQ(database.EnginesInstalled.CommaText(), "3.6");
        EXPECT_EQ(database.Version(), "3.6");
        EXPECT_EQ(database.VersionInfo(), "(In Access'2000 mode)");
        // Asked for 3.5 where only 3.6 can be created, it settles for 3.6.
        database.CreateDBEngine("3.5");
        EXPECT_EQ(database.Version(), "3.6");
        EXPECT_EQ(database.EngineObject->Version(), "3.6");
    }
    {
        ScopedEngineClasses classes(jet::MakeEngineClasses({"3.5", "3.6"}));
        TDaoDatabase database;
        EXPECT_EQ(database.EnginesInstalled.CommaText(), "3.5,3.6");
        EXPECT_EQ(database.Version(), "3.5");
        EXPECT_EQ(database.VersionDetails(), "3.5");
        EXPECT_EQ(database.VersionInfo(), "(In Access'97 mode)");
        EXPECT_EQ(database.GetDAOEnginesInstalled()->CommaText(), "3.5,3.6");
    }
}

TEST_F(DaoDatabaseTest, ConstructedComponentHasTheDefaultsAndNoWorkspace)
{
    TDaoDatabase database;
    const TPropertyValues expected = {
        {"ComponentVersion", "1.00"}, {"Exclusive", "False"}, {"DatabaseLanguage", ""},
        {"DatabaseType", "Access"}, {"Database", ""}, {"DatabaseParameters", ""}, {"DatabaseVersionInfo", ""},
        {"ReadOnly", "False"}, {"LoginPrompt", "False"}, {"UserName", "Admin"}, {"UseODBCDialog", "True"},
        {"Password", ""}, {"DatabasePassword", ""}, {"SystemDatabase", ""}, {"SaveUserName", "True"},
        {"ShowSystemObjects", "False"}, {"SmartOpen", "True"}, {"EngineType", "2"}, {"PrivateEngine", "False"},
        {"TrackTransactions", "True"}, {"UsesDynamicDao", "True"}, {"Version", "3.5"}, {"VersionDetails", "3.5"},
        {"VersionInfo", "(In Access'97 mode)"}, {"Workspace", "DaoWorkspace"}, {"DefaultCursorDriver", "-1"},
        {"QueryTimeout", "60"}, {"MdbVersionAutoDetect", "False"}, {"Connected", "False"},
    };
    EXPECT_EQ(database.WriteProperties(), expected);
    EXPECT_TRUE(database.EngineObject);
    EXPECT_FALSE(database.WorkspaceObject);
    EXPECT_FALSE(database.DatabaseObject);
    EXPECT_TRUE(database.OleInitialized);
    // The installable formats the engine opens follow the two names.
    EXPECT_EQ(database.DatabaseTypes.CommaText(), "Access,ODBC," + FormatNames);
}

TEST_F(DaoDatabaseTest, GetLastDaoErrorReportsTheEnginesFirstError)
{
    TDaoDatabase database;
    const TDaoErrRec none = database.GetLastDaoError();
    EXPECT_EQ(none.Number, 0);
    EXPECT_EQ(none.Description, "");

    database.Loaded();
    EXPECT_THROW(database.WorkspaceObject->OpenDatabase(Path("missing.dat")), jet::EngineError);
    const TDaoErrRec error = database.GetLastDaoError();
    EXPECT_EQ(error.Number, jet::errFileNotFound);
    EXPECT_NE(error.Description.find("missing.dat"), std::string::npos);
}

// --- Streaming and the configuration store's road ---

TEST_F(DaoDatabaseTest, StreamedConfigDatabaseOpensTheConfigurationFile)
{
    auto classes = std::make_shared<recording::Classes>(std::vector<std::string>{"3.6"});
    ScopedEngineClasses installed(classes);
    MakeConfigDatabase("Config/Config.dat");

    auto database = std::make_unique<TDaoDatabase>();
    database->ReadProperties(ConfigDatabaseStream());
    EXPECT_FALSE(database->WorkspaceObject) << "nothing is built while the stream is read";
    EXPECT_EQ(database->Database(), ".\\Config\\Config.dat");
    database->Loaded();
    ASSERT_TRUE(database->WorkspaceObject);
    EXPECT_EQ(database->Workspace(), "DaoWorkspace");

    classes->Calls.clear();
    database->Open();
    recording::Log expected = {"Workspace.Close"};
    expected.insert(expected.end(), recording::kConfigDatabaseConnectCalls.begin(),
                    recording::kConfigDatabaseConnectCalls.end());
    expected.insert(expected.end(), {"Idle(1)", "Idle(8)"});
    EXPECT_EQ(classes->Calls, expected);
    EXPECT_TRUE(database->Connected());
    EXPECT_EQ(database->TableNames.CommaText(), "config");
    EXPECT_EQ(database->DatabaseVersionInfo(), "4.0");
    EXPECT_EQ(database->DatabaseLanguage(), "General (English, French, German, Portuguese, Italian, and Modern Spanish)");
    EXPECT_EQ(database->CollatingOrderCode, jet::dbSortGeneral);
    // Open again: nothing happens.
    classes->Calls.clear();
    database->Open();
    EXPECT_TRUE(classes->Calls.empty());

    // The component serves the configuration store through its base.
    database->Close();
    std::unique_ptr<TCustomConnection> connection = std::move(database);
    connection->Open();
    EXPECT_TRUE(connection->Connected());
}

TEST_F(DaoDatabaseTest, StreamKeepsDatabaseWhateverOrderItHoldsTheValuesIn)
{
    TDaoDatabase database;
    database.ReadProperties({{"Database", "a.dat"}, {"DatabaseType", "Access"}});
    EXPECT_EQ(database.Database(), "a.dat");

    // Set by hand in the other order, the type empties the database.
    database.SetDatabase("b.dat");
    database.SetDatabaseType("Access");
    EXPECT_EQ(database.Database(), "");
}

TEST_F(DaoDatabaseTest, LoadedSwallowsAFailedBuildThatConnectingThenReports)
{
    MakeConfigDatabase("Config/Config.dat");
    TDaoDatabase database;
    TPropertyValues stream = ConfigDatabaseStream();
    for (auto& [name, value] : stream)
        if (name == "Version")
            value = "4.0";
    database.ReadProperties(stream);
    database.Loaded();
    EXPECT_FALSE(database.IsLoading());
    EXPECT_FALSE(database.WorkspaceObject);
    EXPECT_EQ(ErrorOf([&] { database.Open(); }), msg::E1002);
    EXPECT_FALSE(database.Connected());
}

TEST_F(DaoDatabaseTest, MissingFileIsReportedWithItsPath)
{
    TDaoDatabase database;
    database.SetDatabase(".\\Config\\Nowhere.dat");
    database.SetSmartOpen(false);
    EXPECT_EQ(ErrorOf([&] { database.Open(); }), "Cannot find Database:\r\n.\\Config\\Nowhere.dat");
    EXPECT_FALSE(database.Connected());

    // Looked for in the program folder as well, whose path then stands in Database.
    database.SetSmartOpen(true);
    const std::string error = ErrorOf([&] { database.Open(); });
    EXPECT_EQ(error.rfind("Cannot find Database:\r\n/", 0), 0u) << error;
    EXPECT_EQ(error.substr(error.size() - 12), "/Nowhere.dat");
    EXPECT_EQ(database.Database(), error.substr(std::string("Cannot find Database:\r\n").size()));

    EXPECT_EQ(ErrorOf([&] {
                  database.SetDatabase("");
                  database.Open();
              }),
              msg::E1005);
    EXPECT_EQ(ErrorOf([&] {
                  database.SetDatabaseType("");
                  database.SetDatabase("x");
                  database.Open();
              }),
              msg::E1006);
}

TEST_F(DaoDatabaseTest, SmartOpenFindsAMissingFileInTheProgramFolder)
{
    const std::string programFolder = std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/";
    const std::string name = "SmartOpen" + std::to_string(::getpid()) + ".dat";
    MakeConfigDatabase(programFolder + name, 2);
    struct Remove {
        std::string Path;
        ~Remove() { std::filesystem::remove(Path); }
    } removeLater{programFolder + name};

    TDaoDatabase database;
    database.SetDatabase(".\\Config\\" + name);
    database.Open();
    EXPECT_TRUE(database.Connected());
    EXPECT_EQ(database.Database(), programFolder + name);
}

TEST_F(DaoDatabaseTest, ConnectionSettersRefuseWhileConnected)
{
    auto database = OpenConfigDatabase();
    TDaoDatabase& db = *database;
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { db.SetDatabase("x"); }, msg::E1010},
        {[&] { db.SetDatabaseParameters("x"); }, msg::E1011},
        {[&] { db.SetSystemDatabase("x"); }, msg::E1012},
        {[&] { db.SetVersion("3.5"); }, msg::E1013},
        {[&] { db.SetWorkspace("x"); }, msg::E1014},
        {[&] { db.SetDatabaseType("ODBC"); }, msg::E1015},
        {[&] { db.SetEngineType(1); }, msg::E1016},
        {[&] { db.SetPrivateEngine(true); }, msg::E1037},
        {[&] { db.SetReadOnly(true); }, msg::E1017},
        {[&] { db.SetExclusive(true); }, msg::E1018},
        {[&] { db.SetLoginPrompt(true); }, msg::E1019},
        {[&] { db.SetUserName("x"); }, msg::E1020},
        {[&] { db.SetPassword("x"); }, msg::E1021},
        {[&] { db.SetDatabasePassword("x"); }, msg::E1022},
        {[&] { db.SetTrackTransactions(false); }, msg::ETrackTransactions},
    };
    const TPropertyValues before = db.WriteProperties();
    for (const auto& [set, message] : cases) {
        try {
            set();
            ADD_FAILURE() << "accepted: " << message;
        } catch (const EDatabaseError& error) {
            EXPECT_STREQ(error.what(), message);
        }
    }
    EXPECT_EQ(db.WriteProperties(), before);
    EXPECT_TRUE(db.Connected());

    // Presentation settings still change.
    db.SetShowSystemObjects(true);
    EXPECT_GT(db.TableNames.Count(), 1);
    db.SetShowSystemObjects(false);
    EXPECT_EQ(db.TableNames.CommaText(), "config");
}

TEST_F(DaoDatabaseTest, EngineSettingRefusedByTheEngineKeepsItsOldValue)
{
    TDaoDatabase database;
    database.Loaded();
    // The engine refuses names with a dot.
    EXPECT_THROW(database.SetWorkspace("Bad.Name"), jet::EngineError);
    EXPECT_EQ(database.Workspace(), "DaoWorkspace");
    ASSERT_TRUE(database.WorkspaceObject);
    EXPECT_EQ(database.WorkspaceObject->Name(), "DaoWorkspace");

    EXPECT_THROW(database.SetVersion("4.0"), EDatabaseError);
    EXPECT_EQ(database.Version(), "3.5");
    database.SetVersion("3.6xyz");
    EXPECT_EQ(database.Version(), "3.6");
    EXPECT_EQ(database.VersionDetails(), "3.6");
    EXPECT_EQ(database.VersionInfo(), "(In Access'2000 mode)");
}

TEST_F(DaoDatabaseTest, CloseClosesTheAttachedTablesAndFiresTheEvents)
{
    auto database = OpenConfigDatabase();
    std::vector<std::string> events;
    database->OnBeforeDisconnect = [&](TDaoDatabase& db) { events.push_back("before " + std::to_string(db.ActiveTables.size())); };
    database->OnAfterDisconnect = [&](TDaoDatabase& db) { events.push_back("after " + std::to_string(db.Connected())); };
    AttachedTable first(*database, "First");
    AttachedTable second(*database, "Second");
    database->StartTransaction();

    database->Close();
    EXPECT_EQ(events, (std::vector<std::string>{"before 2", "after 0"}));
    EXPECT_FALSE(first.Recordset);
    EXPECT_FALSE(second.Recordset);
    EXPECT_TRUE(database->ActiveTables.empty());
    EXPECT_TRUE(database->TableNames.Empty());
    EXPECT_EQ(database->GetTransactionCount(), 0);
    EXPECT_FALSE(database->DatabaseObject);
    EXPECT_EQ(database->DatabaseLanguage(), "");

    // Closing a closed component does nothing.
    database->Close();
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(DaoDatabaseTest, RefreshDatasetsRefreshesEveryAttachedTable)
{
    auto database = OpenConfigDatabase();
    AttachedTable first(*database, "First");
    AttachedTable second(*database, "Second");
    database->RefreshDatasets();
    EXPECT_EQ(first.Refreshes, 1);
    EXPECT_EQ(second.Refreshes, 1);
}

// --- Login ---

TEST_F(DaoDatabaseTest, OnLoginAnswersTheLoginWithoutADialog)
{
    MakeConfigDatabase("Config/Config.dat");
    auto database = StreamedConfigDatabase();
    database->SetLoginPrompt(true);
    std::string asked;
    database->OnLogin = [&](TDaoDatabase&, TStringList& params) {
        asked = params.CommaText();
        params.SetValues("USER NAME", "admin");
    };
    database->Open();
    EXPECT_TRUE(database->Connected());
    EXPECT_EQ(asked, "\"USER NAME=Admin\",PASSWORD=,DBPASSWORD=");
    EXPECT_EQ(database->UserName(), "admin");
}

TEST_F(DaoDatabaseTest, FailingLoginWithoutTheDialogRaisesInsteadOfAskingForEver)
{
    MakeConfigDatabase("Config/Config.dat");
    for (const bool prompt : {true, false}) {
        auto database = StreamedConfigDatabase();
        database->SetLoginPrompt(prompt);
        int asked = 0;
        database->OnLogin = [&](TDaoDatabase&, TStringList& params) {
            ++asked;
            params.SetValues("PASSWORD", "wrong");
        };
        try {
            database->Open();
            ADD_FAILURE() << "connected";
        } catch (const jet::EngineError& error) {
            EXPECT_EQ(error.Number(), jet::errAccount);
        }
        EXPECT_EQ(asked, 1);
        EXPECT_FALSE(database->Connected());

        // Params answer the same way.
        database->OnLogin = nullptr;
        database->Params.SetText("USER NAME=Admin\nPASSWORD=wrong");
        EXPECT_THROW(database->Open(), jet::EngineError);
        EXPECT_EQ(database->Password(), "wrong");
        database->Params.SetText("PASSWORD=");
        database->Open();
        EXPECT_TRUE(database->Connected());
    }
}

QPushButton* ButtonOf(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(name);
}

TEST_F(DaoDatabaseTest, LoginDialogAsksAgainAfterAWrongPasswordUntilCancelled)
{
    MakeConfigDatabase("Config/Config.dat");
    auto database = StreamedConfigDatabase();
    database->SetLoginPrompt(true);
    QString shownUser, shownDatabase, engineMessage, warning;
    ModalAnswers answers({
        [&](QWidget* dialog) {
            shownUser = dialog->findChild<QLineEdit*>("Username")->text();
            shownDatabase = dialog->findChild<QLabel*>("DatabaseName")->text();
            dialog->findChild<QLineEdit*>("Password")->setText("wrong");
            ButtonOf(dialog, "Button1")->click();
        },
        [&](QWidget* box) {
            engineMessage = qobject_cast<QMessageBox*>(box)->text();
            qobject_cast<QMessageBox*>(box)->accept();
        },
        [&](QWidget* dialog) { ButtonOf(dialog, "Button2")->click(); },
        [&](QWidget* box) {
            warning = qobject_cast<QMessageBox*>(box)->text();
            qobject_cast<QMessageBox*>(box)->accept();
        },
    });
    database->Open();
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_EQ(shownUser, "Admin");
    EXPECT_EQ(shownDatabase, ".\\Config\\Config.dat");
    EXPECT_NE(engineMessage.indexOf("password"), -1) << engineMessage.toStdString();
    EXPECT_EQ(warning.toStdString(), msg::LoginCancelled);
    EXPECT_FALSE(database->Connected());
    EXPECT_EQ(database->UserName(), "");
}

TEST_F(DaoDatabaseTest, LoginDialogConnectsWithTheNamesTyped)
{
    MakeConfigDatabase("Config/Config.dat");
    auto database = StreamedConfigDatabase();
    database->SetLoginPrompt(true);
    database->SetSaveUserName(false);
    QString shownUser = "unset";
    ModalAnswers answers({[&](QWidget* dialog) {
        shownUser = dialog->findChild<QLineEdit*>("Username")->text();
        dialog->findChild<QLineEdit*>("Username")->setText("ADMIN");
        ButtonOf(dialog, "Button1")->click();
    }});
    database->Open();
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_EQ(shownUser, "");
    EXPECT_TRUE(database->Connected());
    EXPECT_EQ(database->UserName(), "ADMIN");
}

// --- Connect texts of the other database types ---

TEST_F(DaoDatabaseTest, OtherDatabaseTypesComposeTheirConnectTexts)
{
    auto classes = std::make_shared<recording::Classes>();
    ScopedEngineClasses installed(classes);
    struct Case {
        const char* type;
        const char* database;
        const char* password;
        const char* expected;
    };
    const Case cases[] = {
        {"ODBC", "ODBC;DSN=Lab;UID=x", "", "OpenDatabase(ODBC;DSN=Lab;UID=x,-1,0,ODBC;DSN=Lab;UID=x;p=1)"},
        {"ODBC", "odbc;DSN=Lab", "", "OpenDatabase(odbc;DSN=Lab,-1,0,odbc;DSN=Lab;p=1)"},
        {"ODBC", "Sales", "", "OpenDatabase(Sales,-1,0,ODBC;UID=Admin;PWD=;DSN=Sales;p=1)"},
        {"dBASE IV", "/data", "", "OpenDatabase(/data,0,0,dBASE IV;p=1)"},
    };
    for (const Case& c : cases) {
        TDaoDatabase database;
        database.SetDatabaseType(c.type);
        database.SetDatabase(c.database);
        database.SetDatabaseParameters("p=1");
        database.Params.SetText(std::string("PASSWORD=") + c.password);
        classes->Calls.clear();
        // None of these sources is configured here: the engine refuses them.
        EXPECT_THROW(database.Open(), jet::EngineError) << c.database;
        EXPECT_EQ(classes->Calls.back(), c.expected);
        EXPECT_FALSE(database.Connected());
    }
}

// --- Definition lists ---

TEST_F(DaoDatabaseTest, DefinitionListsLeaveSystemObjectsOut)
{
    auto database = OpenConfigDatabase();
    database->CreateQueryDef("Defaults", "SELECT * FROM config WHERE ConfigName = \"DEFAULT\"");
    EXPECT_EQ(database->TableNames.CommaText(), "config");
    EXPECT_EQ(database->QueryDefNames.CommaText(), "Defaults");
    database->SetShowSystemObjects(true);
    EXPECT_GT(database->TableNames.Count(), 1);
    EXPECT_GE(database->TableNames.IndexOf("config"), 0);
}

// --- Registry lists ---

TEST_F(DaoDatabaseTest, OdbcListsComeFromTheOdbcConfiguration)
{
    TDaoDatabase database;
    EXPECT_EQ(database.ODBCDrivers.CommaText(), "SQLite3,\"Text Files\"");
    EXPECT_EQ(database.SystemDSNs.CommaText(), "LabData,Archive");
    EXPECT_EQ(database.UserDSNs.CommaText(), "MyMeasures,Scratch");
    // Only sources with a file; user sources first.
    EXPECT_EQ(database.DSNFileNames.Text(), "MyMeasures=/home/op/measures.db\nLabData=/srv/lab/data.db\n");
    EXPECT_EQ(database.F_Get_ODBCFileName("LabData", true), "/srv/lab/data.db");
    EXPECT_EQ(database.F_Get_ODBCFileName("LabData", false), "");
    EXPECT_EQ(database.F_Get_DBTypeFileExtension("dBASE IV"), "dBASE IV (*.dbf)");
    EXPECT_EQ(database.F_Get_DBTypeTableType("dBASE IV"), "1");
    EXPECT_EQ(database.F_Get_DBTypeTableType("Excel 8.0"), "0");
    EXPECT_EQ(database.F_Get_DBTypeFileExtension("Lotus WK3"), "");
    EXPECT_EQ(database.F_Get_SystemDatabaseFromRegistry(), "");

    // Filled again, the list holds the formats and then the two names above them.
    TStringList types{"Old"};
    database.F_Get_DBTypesList(types);
    EXPECT_EQ(types.CommaText(), "Access,ODBC," + FormatNames);
}

TEST_F(DaoDatabaseTest, RegisterDatabaseAddsAUserDataSource)
{
    TDaoDatabase database;
    EXPECT_TRUE(database.RegisterDatabase("NewSource", "SQLite3", true, "DBQ=/tmp/new.db"));
    database.F_Get_UserDSNs(database.UserDSNs);
    EXPECT_GE(database.UserDSNs.IndexOf("NewSource"), 0);
    EXPECT_EQ(database.F_Get_ODBCFileName("NewSource", false), "/tmp/new.db");
    EXPECT_FALSE(database.RegisterDatabase("Other", "No Such Driver", true, ""));
    OdbcConfig::Install();
}

TEST_F(DaoDatabaseTest, DetectMdbChoosesTheVersionFromTheFileHeader)
{
    const auto write = [](const std::string& name, std::size_t size, const char* at156) {
        std::string bytes(size, 'x');
        if (at156)
            bytes.replace(156, 2, at156);
        std::ofstream(name, std::ios::binary) << bytes;
    };
    write("short.mdb", 100, nullptr);
    write("jet4.mdb", 200, "4.");
    write("jet3.mdb", 200, "3.");

    TDaoDatabase database;
    database.SetVersion("3.6");
    database.DetectMDB("short.mdb");
    EXPECT_EQ(database.Version(), "3.6");
    database.DetectMDB("jet3.mdb");
    EXPECT_EQ(database.Version(), "3.5");
    database.DetectMDB(".\\jet4.mdb");
    EXPECT_EQ(database.Version(), "3.6");
    database.DetectMDB("missing.mdb");
    EXPECT_EQ(database.Version(), "3.6");
    database.SetDatabaseType("ODBC");
    database.DetectMDB("jet3.mdb");
    EXPECT_EQ(database.Version(), "3.6");
}

TEST_F(DaoDatabaseTest, FindWorkspaceLooksForTheNameAmongTheEnginesWorkspaces)
{
    TDaoDatabase database;
    database.SetPrivateEngine(true);
    EXPECT_TRUE(database.FindWorkspace("DaoWorkspace"));
    EXPECT_FALSE(database.FindWorkspace("daoworkspace"));
    EXPECT_FALSE(database.FindWorkspace("Other"));
}

} // namespace
