// Database file maintenance: compact, repair, create, password change.
#include "dao/DaoDatabase.h"

#include "DaoTestFixture.h"

#include <filesystem>

using namespace daotest;
namespace msg = DaoDatabaseMessages;
namespace fs = std::filesystem;

namespace {

long CountRows(const std::string& path)
{
    TDaoDatabase database;
    database.SetDatabase(path);
    database.Open();
    return database.DatabaseObject->OpenRecordset("config", jet::dbOpenSnapshot)->RecordCount();
}

// Names in the folder that begin with "mdb": temporary files left behind.
std::vector<std::string> Leftovers(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("mdb", 0) == 0)
            names.push_back(entry.path().filename().string());
    return names;
}

TEST_F(DaoDatabaseTest, CompactKeepsEveryRowAndLeavesNoTemporaryFile)
{
    MakeConfigDatabase("Config/Config.dat", 120);
    {
        TDaoDatabase database;
        database.SetDatabase("Config/Config.dat");
        database.Open();
        database.DatabaseObject->Execute("DELETE * FROM config WHERE OptionName LIKE \"1*\"");
    }
    const auto sizeBefore = fs::file_size("Config/Config.dat");

    auto classes = std::make_shared<recording::Classes>();
    ScopedEngineClasses installed(classes);
    TDaoDatabase database;
    database.SetVersion("3.6");
    classes->Calls.clear();
    database.CompactAccessDatabase(".\\Config\\Config.dat", "");
    ASSERT_EQ(classes->Calls.size(), 1u);
    // Compacted into a temporary file beside the database, then renamed over it.
    const std::string call = classes->Calls[0];
    EXPECT_EQ(call.rfind("CompactDatabase(./Config/Config.dat,./Config/mdb", 0), 0u) << call;
    EXPECT_NE(call.find(".tmp,,0,)"), std::string::npos) << call;
    EXPECT_TRUE(Leftovers("Config").empty());
    EXPECT_LE(fs::file_size("Config/Config.dat"), sizeBefore);
    EXPECT_EQ(CountRows("Config/Config.dat"), 120 - 32);

    // Repair under 3.6 is a compact; under 3.5 the engine's own repair.
    classes->Calls.clear();
    database.RepairAccessDatabase("Config/Config.dat", "");
    EXPECT_EQ(classes->Calls[0].rfind("CompactDatabase(", 0), 0u);
    database.SetVersion("3.5");
    classes->Calls.clear();
    database.RepairAccessDatabaseEx("Config/Config.dat", ";LANGID=0x0804", true, false, 64, "");
    EXPECT_EQ(classes->Calls, (recording::Log{"RepairDatabase(Config/Config.dat)"}));
    EXPECT_EQ(CountRows("Config/Config.dat"), 88);
}

TEST_F(DaoDatabaseTest, CompactInTheCurrentFolderWithItsOptions)
{
    MakeConfigDatabase("Plain.dat", 5);
    auto classes = std::make_shared<recording::Classes>();
    ScopedEngineClasses installed(classes);
    TDaoDatabase database;
    database.SetVersion("3.6");
    classes->Calls.clear();
    database.CompactAccessDatabaseEx("Plain.dat", ";LANGID=0x0804;CP=936;COUNTRY=0", false, true, 64, "");
    ASSERT_EQ(classes->Calls.size(), 1u);
    const std::string call = classes->Calls[0];
    EXPECT_EQ(call.rfind("CompactDatabase(Plain.dat," + fs::current_path().string() + "/mdb", 0), 0u) << call;
    EXPECT_NE(call.find(".tmp,;LANGID=0x0804;CP=936;COUNTRY=0,68,)"), std::string::npos) << call;
    EXPECT_TRUE(Leftovers(".").empty());

    TDaoDatabase reopened;
    reopened.SetDatabase("Plain.dat");
    reopened.Open();
    EXPECT_EQ(reopened.DatabaseLanguage(), "Simplified Chinese");

    // Decrypt wins over encrypt, and the source password goes with it (a file
    // without a password opens with any); encryption alone is the engine's
    // to refuse, and the file stays.
    classes->Calls.clear();
    reopened.Close();
    database.CompactAccessDatabaseEx("Plain.dat", "", true, true, 0, "secret");
    EXPECT_NE(classes->Calls[0].find(",4,;pwd=secret)"), std::string::npos) << classes->Calls[0];
    EXPECT_THROW(database.CompactAccessDatabaseEx("Plain.dat", "", true, false, 32, ""), jet::EngineError);
    EXPECT_NE(classes->Calls[1].find(",34,)"), std::string::npos) << classes->Calls[1];
    EXPECT_TRUE(Leftovers(".").empty());
    EXPECT_EQ(CountRows("Plain.dat"), 5);
}

TEST_F(DaoDatabaseTest, CompactWhoseRenameFailsKeepsTheDatabase)
{
    MakeConfigDatabase("Config/Config.dat", 7);
    auto classes = std::make_shared<recording::Classes>();
    ScopedEngineClasses installed(classes);
    TDaoDatabase database;
    database.SetVersion("3.6");
    // The copy comes out as something that cannot be renamed over a file.
    classes->LastCreated->CompactInstead = [](const std::string&, const std::string& destination) {
        fs::create_directory(destination);
    };
    try {
        database.CompactAccessDatabase("Config/Config.dat", "");
        FAIL() << "reported as done";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("TDaoDatabase.CompactAccessDatabase: Cannot replace Config/Config.dat", 0),
                  0u)
            << error.what();
    }
    EXPECT_TRUE(Leftovers("Config").empty());
    classes->LastCreated->CompactInstead = nullptr;
    EXPECT_EQ(CountRows("Config/Config.dat"), 7);

    // A compact the engine refuses leaves the database and no temporary file.
    EXPECT_THROW(database.CompactAccessDatabase("Config/Missing.dat", ""), jet::EngineError);
    EXPECT_TRUE(Leftovers("Config").empty());
}

TEST_F(DaoDatabaseTest, CreateAccessDatabaseChoosesTheFormatByVersionAndText)
{
    auto classes = std::make_shared<recording::Classes>();
    ScopedEngineClasses installed(classes);
    TDaoDatabase database;
    database.SetVersion("3.6");
    database.GoOffline();
    classes->Calls.clear();
    database.CreateAccessDatabase("New.dat");
    EXPECT_FALSE(database.Offline);
    EXPECT_EQ(classes->Calls.back(), "CreateDatabase(New.dat,;LANGID=0x0409;CP=1252;COUNTRY=0,64)");
    {
        TDaoDatabase check;
        check.SetDatabase("New.dat");
        check.Open();
        EXPECT_EQ(check.DatabaseVersionInfo(), "4.0");
        EXPECT_TRUE(check.TableNames.Empty());
    }
    EXPECT_THROW(database.CreateAccessDatabase("New.dat"), jet::EngineError);

    database.CreateAccessDatabaseEx("Old.dat", "0x0804", "936", "0", "", "30", false);
    EXPECT_EQ(classes->Calls.back(), "CreateDatabase(Old.dat,;LANGID=0x0804;CP=936;COUNTRY=0,32)");
    database.CreateAccessDatabaseEx2("Any.dat", ";LANGID=0x0409", "", "", false);
    EXPECT_EQ(classes->Calls.back(), "CreateDatabase(Any.dat,;LANGID=0x0409,64)");
    EXPECT_THROW(database.CreateAccessDatabaseEx2("Secret.dat", ";LANGID=0x0409", "pw", "", true), jet::EngineError);
    EXPECT_EQ(classes->Calls.back(), "CreateDatabase(Secret.dat,;LANGID=0x0409;PWD=pw,66)");
    EXPECT_FALSE(fs::exists("Secret.dat"));

    database.SetVersion("3.5");
    database.CreateAccessDatabaseEx2("Jet3.dat", ";LANGID=0x0409", "", "40", false);
    EXPECT_EQ(classes->Calls.back(), "CreateDatabase(Jet3.dat,;LANGID=0x0409,32)");
}

TEST_F(DaoDatabaseTest, PasswordChangeNeedsAnExclusiveConnectionAndAnswersFalseOnAWrongOne)
{
    MakeConfigDatabase("Config/Config.dat", 1);
    TDaoDatabase database;
    database.SetDatabase("Config/Config.dat");
    try {
        database.ChangeDatabasePassword("", "new");
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), msg::E1025);
    }
    database.Open();
    try {
        database.ChangeDatabasePassword("", "new");
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), msg::E1026);
    }
    database.Close();
    database.SetExclusive(true);
    database.Open();
    EXPECT_FALSE(database.ChangeDatabasePassword("not the old one", "new"));
    EXPECT_TRUE(database.ChangeDatabasePassword("", "new"));
    EXPECT_EQ(database.DatabasePassword(), "");
}

} // namespace
