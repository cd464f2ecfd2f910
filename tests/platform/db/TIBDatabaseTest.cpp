// Connecting to databases of the server engine: local files through the
// embedded engine, server names through the network, and what is refused.
#include "platform/db/TIBDatabase.h"
#include "platform/db/TIBTransaction.h"

#include "tests/support/FirebirdDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// Read before any test makes the engine choose its folder.
const bool kLockFolderChosenByTheEnvironment = std::getenv("FIREBIRD_LOCK") != nullptr;

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class TIBDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        Database.SetParams({"user_name=sysdba", "password=brisklume"});
        Transaction.SetDefaultDatabase(&Database);
        Database.SetDefaultTransaction(&Transaction);
    }

    std::string Path(const char* name) const { return Folder.filePath(name).toStdString(); }

    QTemporaryDir Folder;
    TIBDatabase Database;
    TIBTransaction Transaction;
};

TEST_F(TIBDatabaseTest, LocalFileIsServedWithoutAServer)
{
    CreateFirebirdDatabase(Path("Config.fdb"));
    // Written as the stored settings write it: relative, with "\".
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(Folder.path().toStdString());
    Database.SetDatabaseName(".\\Config.fdb");
    Database.Open();
    std::filesystem::current_path(previous);
    EXPECT_TRUE(Database.Connected());
    Transaction.StartTransaction();
    EXPECT_TRUE(Transaction.InTransaction());
    Database.Close();
    EXPECT_FALSE(Database.Connected());
    EXPECT_FALSE(Transaction.InTransaction()) << "disconnecting ends the transaction";
}

TEST_F(TIBDatabaseTest, EmbeddedEngineCoordinatesInAFolderOfThisUsersOwn)
{
    // The engine's default, /tmp/firebird, belongs to whoever ran it first and
    // locks every other user out.
    CreateFirebirdDatabase(Path("Config.fdb"));
    Database.SetDatabaseName(Path("Config.fdb"));
    Database.Open();
    const char* lockFolder = std::getenv("FIREBIRD_LOCK");
    ASSERT_NE(lockFolder, nullptr);
    if (kLockFolderChosenByTheEnvironment)
        GTEST_SKIP() << "the environment chose the lock folder";
    struct stat status {};
    ASSERT_EQ(stat(lockFolder, &status), 0) << lockFolder;
    EXPECT_EQ(status.st_uid, geteuid());
    struct stat parent {};
    ASSERT_EQ(stat(std::filesystem::path(lockFolder).parent_path().c_str(), &parent), 0);
    EXPECT_EQ(parent.st_uid, geteuid());
    EXPECT_EQ(parent.st_mode & 0077, 0u) << "no other user may reach it";
}

TEST_F(TIBDatabaseTest, MissingOrForeignFileIsRefusedAndLeftAsItWas)
{
    Database.SetDatabaseName(Path("Missing.fdb"));
    EXPECT_THROW(Database.Open(), EDatabaseError);
    EXPECT_FALSE(std::filesystem::exists(Path("Missing.fdb"))) << "connecting never creates a database";

    const std::string foreign = "<DATAPACKET>not a database</DATAPACKET>" + std::string(5000, 'x');
    std::ofstream(Path("Foreign.fdb"), std::ios::binary) << foreign;
    Database.SetDatabaseName(Path("Foreign.fdb"));
    EXPECT_THROW(Database.Open(), EDatabaseError);
    EXPECT_FALSE(Database.Connected());
    EXPECT_EQ(ReadFile(Path("Foreign.fdb")), foreign);
}

TEST_F(TIBDatabaseTest, ServerNameGoesToTheNetworkNotToALocalFile)
{
    CreateFirebirdDatabase(Path("Config.fdb"));
    // Nothing listens on port 1 of this machine: the connection is refused,
    // although the file exists locally.
    Database.SetDatabaseName("127.0.0.1/1:" + Path("Config.fdb"));
    try {
        Database.Open();
        ADD_FAILURE() << "a server name was served locally";
    } catch (const EDatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("127.0.0.1"), std::string::npos) << error.what();
    }
}

TEST_F(TIBDatabaseTest, SettingsThatCannotWorkAreRefused)
{
    EXPECT_THROW(Database.SetLoginPrompt(true), EDatabaseError);
    EXPECT_THROW(Database.SetSQLDialect(2), EDatabaseError);
    Database.SetParams({"user_name=sysdba", "charset_of_the_moon=1"});
    CreateFirebirdDatabase(Path("Config.fdb"));
    Database.SetDatabaseName(Path("Config.fdb"));
    EXPECT_THROW(Database.Open(), EDatabaseError);
    EXPECT_THROW(Transaction.StartTransaction(), EDatabaseError) << "no transaction without a connection";
}

} // namespace
