// Database passwords through the database component: every login road
// reaches the file's password, and the file maintenance keeps it.
#include "dao/DaoDatabase.h"

#include "DaoTestFixture.h"
#include "tests/support/ModalAnswers.h"

#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

using namespace daotest;
namespace fs = std::filesystem;

namespace {

// A database file of ours with the configuration table and a password.
void MakeLockedDatabase(const std::string& path, const std::string& password)
{
    MakeConfigDatabase(path, 3);
    TDaoDatabase database;
    database.SetDatabase(path);
    database.SetExclusive(true);
    database.Open();
    ASSERT_TRUE(database.ChangeDatabasePassword("", password));
}

// The engine's error number when connecting fails, 0 when it connects.
int ConnectError(TDaoDatabase& database)
{
    try {
        database.Open();
    } catch (const jet::EngineError& error) {
        return error.Number();
    }
    const int result = database.Connected() ? 0 : -1;
    database.Close();
    return result;
}

TEST_F(DaoDatabaseTest, EveryLoginRoadReachesTheDatabasePassword)
{
    MakeLockedDatabase("Config/Locked.dat", "pw");
    auto component = [] {
        auto database = std::make_unique<TDaoDatabase>();
        database->SetDatabase("Config/Locked.dat");
        return database;
    };

    auto plain = component();
    EXPECT_EQ(ConnectError(*plain), jet::errNotValidPassword);
    EXPECT_EQ(plain->GetLastDaoError().Description, "Not a valid password.");
    EXPECT_FALSE(plain->Connected());
    plain->SetDatabasePassword("wrong");
    EXPECT_EQ(ConnectError(*plain), jet::errNotValidPassword);
    plain->SetDatabasePassword("pw");
    EXPECT_EQ(ConnectError(*plain), 0);

    auto params = component();
    params->Params.SetText("DBPASSWORD=pw");
    EXPECT_EQ(ConnectError(*params), 0);

    auto onLogin = component();
    onLogin->OnLogin = [](TDaoDatabase&, TStringList& loginParams) { loginParams.SetValues("DBPASSWORD", "pw"); };
    EXPECT_EQ(ConnectError(*onLogin), 0);

    auto dialog = component();
    dialog->SetLoginPrompt(true);
    ModalAnswers answers({[](QWidget* login) {
        login->findChild<QLineEdit*>("DbPassword")->setText("pw");
        login->findChild<QPushButton*>("Button1")->click();
    }});
    EXPECT_EQ(ConnectError(*dialog), 0);
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_EQ(dialog->DatabasePassword(), "pw");
}

TEST_F(DaoDatabaseTest, ChangeDatabasePasswordChangesAndRemovesIt)
{
    MakeLockedDatabase("Config/Locked.dat", "first");
    TDaoDatabase database;
    database.SetDatabase("Config/Locked.dat");
    database.SetExclusive(true);
    database.SetDatabasePassword("first");
    database.Open();
    EXPECT_FALSE(database.ChangeDatabasePassword("wrong", "second"));
    EXPECT_TRUE(database.ChangeDatabasePassword("first", "second"));
    // The component's own property is the caller's to change.
    EXPECT_EQ(database.DatabasePassword(), "first");
    database.Close();
    EXPECT_EQ(ConnectError(database), jet::errNotValidPassword);
    database.SetDatabasePassword("second");
    database.Open();
    EXPECT_TRUE(database.ChangeDatabasePassword("second", ""));
    database.Close();
    database.SetDatabasePassword("");
    EXPECT_EQ(ConnectError(database), 0);
}

TEST_F(DaoDatabaseTest, CompactAndRepairNeedThePasswordAndKeepIt)
{
    MakeLockedDatabase("Config/Locked.dat", "pw");
    const auto bytesBefore = fs::file_size("Config/Locked.dat");
    TDaoDatabase database;
    database.SetVersion("3.6");  // repair is a compact with the locale
    try {
        database.CompactAccessDatabase("Config/Locked.dat", "wrong");
        ADD_FAILURE() << "compacted with a wrong password";
    } catch (const jet::EngineError& error) {
        EXPECT_EQ(error.Number(), jet::errNotValidPassword);
    }
    EXPECT_EQ(fs::file_size("Config/Locked.dat"), bytesBefore);
    database.CompactAccessDatabase("Config/Locked.dat", "pw");
    database.RepairAccessDatabaseEx("Config/Locked.dat", ";LANGID=0x0804;CP=936;COUNTRY=0", false, true, 64, "pw");
    for (const fs::directory_entry& entry : fs::directory_iterator("Config"))
        EXPECT_EQ(entry.path().filename().string().rfind("mdb", 0), std::string::npos) << entry.path();

    database.SetDatabase("Config/Locked.dat");
    EXPECT_EQ(ConnectError(database), jet::errNotValidPassword);
    database.SetDatabasePassword("pw");
    database.Open();
    EXPECT_EQ(database.DatabaseLanguage(), "Simplified Chinese");
    EXPECT_EQ(database.DatabaseObject->OpenRecordset("config", jet::dbOpenSnapshot)->RecordCount(), 3);
}

TEST_F(DaoDatabaseTest, CreateWithAPasswordMakesALockedFile)
{
    TDaoDatabase database;
    database.SetVersion("3.6");
    database.CreateAccessDatabaseEx("Config/New.dat", "0x0409", "1252", "0", "pw", "", false);
    database.SetDatabase("Config/New.dat");
    EXPECT_EQ(ConnectError(database), jet::errNotValidPassword);
    database.SetDatabasePassword("pw");
    EXPECT_EQ(ConnectError(database), 0);
    // Encryption has no engine here: refused, and no file is made.
    EXPECT_THROW(database.CreateAccessDatabaseEx2("Config/Secret.dat", ";LANGID=0x0409", "pw", "", true),
                 jet::EngineError);
    EXPECT_FALSE(fs::exists("Config/Secret.dat"));
}

} // namespace
