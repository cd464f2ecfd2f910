#include "JetFixture.h"
#include "tests/support/OdbcConfig.h"

#include <sqlite3.h>

#include <QFile>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace jettest;

namespace {

using Database = JetFixture;

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(Database, FilesThatAreNotOursAreRefusedAndLeftAlone)
{
    WriteFile(PathOf("text.mdb"), "not a database at all, just some text that is long enough");
    WriteFile(PathOf("empty.mdb"), "");
    sqlite3* other = nullptr;
    sqlite3_open(PathOf("other.sqlite").c_str(), &other);
    sqlite3_exec(other, "CREATE TABLE config (a TEXT); INSERT INTO config VALUES ('keep');", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    for (const char* name : {"text.mdb", "empty.mdb", "other.sqlite"}) {
        const std::string before = FileBytes(PathOf(name));
        EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf(name)); }), jet::errUnrecognizedFormat) << name;
        EXPECT_EQ(FileBytes(PathOf(name)), before) << name;
    }
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf("missing.mdb")); }), jet::errFileNotFound);
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf("")); }), 3044);
}

TEST_F(Database, CreationRefusesAnExistingFileAndKeepsFormatAndLanguage)
{
    EXPECT_EQ(ErrorOf([&] { Workspace->CreateDatabase(PathOf("test.mdb"), ""); }), jet::errDatabaseExists);
    EXPECT_EQ(Db->Version(), "4.0");
    EXPECT_EQ(Db->CollatingOrder(), jet::dbSortGeneral);
    auto chinese = Workspace->CreateDatabase(PathOf("zh.mdb"), ";LANGID=0x0804;CP=936;COUNTRY=0", jet::dbVersion30);
    EXPECT_EQ(chinese->Version(), "3.0");
    EXPECT_EQ(chinese->CollatingOrder(), jet::dbSortChineseSimplified);
    chinese->Close();
    auto reopened = Workspace->OpenDatabase(PathOf("zh.mdb"));
    EXPECT_EQ(reopened->CollatingOrder(), jet::dbSortChineseSimplified);
    auto old = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.35")->CreateWorkspace("W", "admin", "");
    EXPECT_EQ(old->CreateDatabase(PathOf("old.mdb"), "")->Version(), "3.0");
    EXPECT_EQ(ErrorOf([&] { Workspace->CreateDatabase(PathOf("no/such/folder/x.mdb"), ""); }), 3044);
}

TEST_F(Database, AReadOnlyDatabaseRefusesChanges)
{
    MakeConfigTable({{"DEFAULT", "101", "1"}});
    Db->Close();
    auto readOnly = Workspace->OpenDatabase(PathOf("test.mdb"), false, true);
    EXPECT_EQ(Values(readOnly->OpenRecordset("config", jet::dbOpenDynaset), "OptionValue"), Strings({"1"}));
    EXPECT_FALSE(readOnly->OpenRecordset("config", jet::dbOpenDynaset)->Updatable());
    EXPECT_EQ(ErrorOf([&] { readOnly->Execute("DELETE * FROM config"); }), jet::errReadOnly);
    EXPECT_EQ(ErrorOf([&] { readOnly->OpenRecordset("config", jet::dbOpenDynaset)->AddNew(); }), jet::errReadOnly);
}

TEST_F(Database, AnExclusiveOpenKeepsOthersOutUntilItCloses)
{
    MakeConfigTable();
    Db->Close();
    auto exclusive = Workspace->OpenDatabase(PathOf("test.mdb"), true);
    auto other = Engine->CreateWorkspace("Other", "admin", "");
    EXPECT_EQ(ErrorOf([&] { other->OpenDatabase(PathOf("test.mdb")); }), jet::errFileInUse);
    exclusive->Close();
    EXPECT_NO_THROW(other->OpenDatabase(PathOf("test.mdb")));
}

TEST_F(Database, AFileAnotherProgramHoldsIsInUseOnlyWhenItIsADatabaseOfOurs)
{
    MakeConfigTable();
    Db->Close();
    sqlite3* foreign = nullptr;
    sqlite3_open(PathOf("other.sqlite").c_str(), &foreign);
    sqlite3_exec(foreign, "CREATE TABLE config (ConfigName)", nullptr, nullptr, nullptr);
    sqlite3_close(foreign);
    for (const auto& [name, expected] : {std::pair{"test.mdb", int(jet::errFileInUse)},
                                         std::pair{"other.sqlite", int(jet::errUnrecognizedFormat)}}) {
        // As the sqlite3 shell holds it after BEGIN EXCLUSIVE.
        sqlite3* holder = nullptr;
        sqlite3_open(PathOf(name).c_str(), &holder);
        ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK) << name;
        EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf(name)); }), expected) << name;
        sqlite3_close(holder);
    }
}

TEST_F(Database, ClosingInvalidatesTheDatabaseAndItsRecordsets)
{
    MakeConfigTable({{"DEFAULT", "101", "1"}});
    auto rs = Db->OpenRecordset("config", jet::dbOpenDynaset);
    EXPECT_EQ(Db->Recordsets().Count(), 1);
    EXPECT_EQ(Workspace->Databases().Count(), 1);
    Db->Close();
    EXPECT_EQ(Workspace->Databases().Count(), 0);
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("config"); }), jet::errObjectClosed);
    EXPECT_EQ(ErrorOf([&] { rs->MoveFirst(); }), jet::errObjectClosed);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item(0)->Value(); }), jet::errObjectClosed);
    EXPECT_EQ(ErrorOf([&] { Db->Close(); }), jet::errObjectClosed);
}

TEST_F(Database, ExecuteCountsTheRowsItTouches)
{
    MakeConfigTable({{"DEFAULT", "1", "a"}, {"DEFAULT", "2", "b"}, {"RULER", "x", "c"}});
    Db->Execute("UPDATE config SET OptionValue = \"z\" WHERE ConfigName = \"default\"");
    EXPECT_EQ(Db->RecordsAffected(), 2);
    Db->Execute("DELETE * FROM config WHERE OptionName = \"x\"", jet::dbFailOnError);
    EXPECT_EQ(Db->RecordsAffected(), 1);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("SELECT * FROM config"); }), jet::errCannotExecuteSelect);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("CREATE TABLE t (a TEXT)"); }), 0);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("DELETE FROM config; DROP TABLE config"); }), jet::errSyntax);
}

TEST_F(Database, CompactKeepsEveryRowAndRestartsNumbering)
{
    MakeTable("t", {{"Id", jet::dbLong, 0, false, jet::dbAutoIncrField}, {"Name", jet::dbText, 20}});
    for (const char* name : {"a", "b", "c"})
        Db->Execute(std::string("INSERT INTO t (Name) VALUES (\"") + name + "\")");
    Db->Execute("DELETE * FROM t WHERE Name = \"c\"");
    Db->Close();
    Engine->CompactDatabase(PathOf("test.mdb"), PathOf("compact.mdb"), ";LANGID=0x0404;CP=950;COUNTRY=0");
    auto compacted = Workspace->OpenDatabase(PathOf("compact.mdb"));
    EXPECT_EQ(compacted->CollatingOrder(), jet::dbSortChineseTraditional);
    compacted->Execute("INSERT INTO t (Name) VALUES (\"d\")");
    EXPECT_EQ(Values(compacted->OpenRecordset("SELECT Id, Name FROM t ORDER BY Id", jet::dbOpenSnapshot), "Id"),
              Strings({"1", "2", "3"}));
    EXPECT_EQ(ErrorOf([&] { Engine->CompactDatabase(PathOf("test.mdb"), PathOf("compact.mdb")); }),
              jet::errDatabaseExists);
    EXPECT_EQ(ErrorOf([&] { Engine->CompactDatabase(PathOf("none.mdb"), PathOf("other.mdb")); }),
              jet::errFileNotFound);
}

TEST_F(Database, RepairRebuildsASoundFileAndLeavesADamagedOneAlone)
{
    MakeConfigTable({{"DEFAULT", "1", "a"}, {"DEFAULT", "2", "b"}});
    Db->Close();
    Engine->RepairDatabase(PathOf("test.mdb"));
    auto repaired = Workspace->OpenDatabase(PathOf("test.mdb"));
    EXPECT_EQ(Values(repaired->OpenRecordset("config"), "OptionValue"), Strings({"a", "b"}));
    repaired->Close();

    std::string bytes = FileBytes(PathOf("test.mdb"));
    for (std::size_t i = 4096; i < bytes.size(); i += 97)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    WriteFile(PathOf("damaged.mdb"), bytes);
    const int number = ErrorOf([&] { Engine->RepairDatabase(PathOf("damaged.mdb")); });
    EXPECT_TRUE(number == jet::errCannotOpen || number == jet::errUnrecognizedFormat) << number;
    EXPECT_EQ(FileBytes(PathOf("damaged.mdb")), bytes);
}

ino_t InodeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// A repair or compact replaces the file as a whole: on a file that a
// connection of this process or of another one has open it is refused, and
// the file stays the one the connection writes to.
TEST_F(Database, RepairAndCompactRefuseAFileInUseAndLeaveItAlone)
{
    MakeConfigTable({{"DEFAULT", "1", "a"}});
    const std::string path = PathOf("test.mdb");
    const ino_t file = InodeOf(path);
    EXPECT_EQ(ErrorOf([&] { Engine->RepairDatabase(path); }), jet::errFileInUse);
    EXPECT_EQ(ErrorOf([&] { Engine->CompactDatabase(path, PathOf("compact.mdb")); }), jet::errFileInUse);
    EXPECT_FALSE(std::filesystem::exists(PathOf("compact.mdb")));
    EXPECT_EQ(InodeOf(path), file);
    Db->Execute("INSERT INTO config VALUES (\"DEFAULT\", \"2\", \"b\")");
    Db->Close();
    EXPECT_FALSE(std::filesystem::exists(PathOf(".test.mdb.lock"))) << "the last connection removes the lock file";

    int opened[2], done[2];
    ASSERT_EQ(::pipe(opened), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int status = 1;
        try {
            const jet::DatabasePtr other = Workspace->OpenDatabase(path);
            char signal = 'o';
            if (::write(opened[1], &signal, 1) == 1 && ::read(done[0], &signal, 1) == 1) {
                other->Execute("INSERT INTO config VALUES (\"DEFAULT\", \"3\", \"c\")", jet::dbFailOnError);
                status = 0;
            }
        } catch (...) {
        }
        ::_exit(status);
    }
    char signal = 0;
    ASSERT_EQ(::read(opened[0], &signal, 1), 1);
    EXPECT_EQ(ErrorOf([&] { Engine->RepairDatabase(path); }), jet::errFileInUse);
    EXPECT_EQ(ErrorOf([&] { Engine->CompactDatabase(path, PathOf("compact.mdb")); }), jet::errFileInUse);
    EXPECT_EQ(InodeOf(path), file);
    ASSERT_EQ(::write(done[1], &signal, 1), 1);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process could not write";
    for (int fd : {opened[0], opened[1], done[0], done[1]})
        ::close(fd);

    // Once nobody holds it, it is repaired.
    Engine->RepairDatabase(path);
    auto repaired = Workspace->OpenDatabase(path);
    EXPECT_EQ(Values(repaired->OpenRecordset("config"), "OptionValue"), Strings({"a", "b", "c"}));
}

TEST_F(Database, RegisterDatabaseWritesAUserDataSourceThroughUnixOdbc)
{
    // The driver manager keeps the configuration paths it first reads for
    // the rest of the process, so this test works in the ODBC tests' own
    // folder and puts their files back when done.
    OdbcConfig::Install();
    const std::string folder = OdbcConfig::Folder();
    const std::string userSources = folder + "/user.ini";
    WriteFile(folder + "/odbcinst.ini", "[Test Driver]\nDriver=/usr/lib/libtestdriver.so\n");
    WriteFile(userSources, "");
    Engine->RegisterDatabase("Sales", "Test Driver", true, "Description=Sales figures\rDatabase=/data/sales.db");
    const std::string written = FileBytes(userSources);
    EXPECT_NE(written.find("[Sales]"), std::string::npos) << written;
    EXPECT_NE(written.find("Test Driver"), std::string::npos) << written;
    EXPECT_NE(written.find("/data/sales.db"), std::string::npos) << written;
    EXPECT_EQ(ErrorOf([&] { Engine->RegisterDatabase("Other", "No Such Driver", true, ""); }),
              jet::errOdbcCallFailed);
    OdbcConfig::Install();
}

TEST_F(Database, IdleRefreshSeesWhatAnotherConnectionChanged)
{
    MakeConfigTable({{"DEFAULT", "1", "before"}});
    auto rs = Db->OpenRecordset("config", jet::dbOpenDynaset);
    EXPECT_EQ(rs->Fields().Item("OptionValue")->Value().AsString(), "before");
    auto other = Engine->CreateWorkspace("Other", "admin", "")->OpenDatabase(PathOf("test.mdb"));
    other->Execute("UPDATE config SET OptionValue = \"after\"");
    Engine->Idle(jet::dbFreeLocks);
    Engine->Idle(jet::dbRefreshCache);
    EXPECT_EQ(rs->Fields().Item("OptionValue")->Value().AsString(), "after");
}

} // namespace
