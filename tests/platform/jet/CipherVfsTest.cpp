// Encrypted database files: unreadable without the engine (no SQLite of
// the system's VFS, no text in the bytes), readable through it, and a
// damaged or foreign file is the engine's error.
#include "JetFixture.h"

#include "platform/jet/CipherVfs.h"
#include "platform/jet/SqliteConnection.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>

using namespace jettest;
namespace fs = std::filesystem;

namespace {

const char* const Marker = "Micrometer-Marker-7731";

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// What the sqlite3 shell would see: the file opened with the system's VFS.
int PlainSqliteReadError(const std::string& path)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc;
}

class CipherVfs : public JetFixture {
protected:
    // An encrypted file with a table of many rows that carry the marker.
    void MakeEncrypted(const std::string& name, const std::string& connect = ";LANGID=0x0409")
    {
        auto database = Workspace->CreateDatabase(PathOf(name), connect, jet::dbVersion40 | jet::dbEncrypt);
        jet::TableDefPtr table = database->CreateTableDef("Readings");
        table->Fields().Append(table->CreateField("Label", jet::dbText, 60));
        table->Fields().Append(table->CreateField("Value", jet::dbLong));
        database->TableDefs().Append(table);
        for (int i = 0; i < 300; ++i)
            database->Execute("INSERT INTO Readings (Label, Value) VALUES (\"" + std::string(Marker) + "\", "
                              + std::to_string(i) + ")");
        database->Close();
    }

    long RowsOf(const std::string& name, const std::string& connect = "")
    {
        auto database = Workspace->OpenDatabase(PathOf(name), false, false, connect);
        auto rs = database->OpenRecordset("SELECT * FROM Readings WHERE Label = \"" + std::string(Marker) + "\"",
                                          jet::dbOpenSnapshot);
        rs->MoveLast();
        const long count = rs->RecordCount();
        database->Close();
        return count;
    }
};

TEST_F(CipherVfs, AnEncryptedFileShowsNoTextAndNoDatabaseToOtherReaders)
{
    MakeEncrypted("secret.mdb");
    const std::string bytes = FileBytes(PathOf("secret.mdb"));
    for (const char* text : {Marker, "Readings", "SQLite format 3", "jet.info", "CREATE TABLE"})
        EXPECT_EQ(bytes.find(text), std::string::npos) << text;
    EXPECT_TRUE(jet::sqlite::IsEncryptedFile(PathOf("secret.mdb")));
    EXPECT_EQ(PlainSqliteReadError(PathOf("secret.mdb")), SQLITE_NOTADB);
    // The system's VFS stays the default for the process's other users.
    EXPECT_STRNE(sqlite3_vfs_find(nullptr)->zName, jet::sqlite::EngineVfsName());

    EXPECT_EQ(RowsOf("secret.mdb"), 300);
}

bool CryptoLibraryLoaded()
{
    return FileBytes("/proc/self/maps").find("libcrypto.so") != std::string::npos;
}

// Before any test runs: what the process loaded as it started.
const bool CryptoLoadedAtStart = CryptoLibraryLoaded();

// libcrypto is loaded when an encrypted file is first opened or made, never
// for plain files, and so not when the program starts.
TEST_F(CipherVfs, OnlyAnEncryptedFileLoadsTheCryptoLibrary)
{
    ASSERT_FALSE(CryptoLoadedAtStart);
    if (CryptoLibraryLoaded())
        GTEST_SKIP() << "an earlier test of this process loaded it";
    Db->Execute("CREATE TABLE Plain (Label TEXT(20))");
    Db->Execute("INSERT INTO Plain (Label) VALUES (\"plain\")");
    Db->Close();
    Engine->CompactDatabase(PathOf("test.mdb"), PathOf("copy.mdb"));
    Workspace->OpenDatabase(PathOf("copy.mdb"))->Close();
    EXPECT_FALSE(CryptoLibraryLoaded());
    MakeEncrypted("secret.mdb");
    EXPECT_TRUE(CryptoLibraryLoaded());
}

TEST_F(CipherVfs, CompactionEncryptsDecryptsOrKeepsAsTheOptionsSay)
{
    MakeEncrypted("secret.mdb");
    struct Case {
        const char* Source;
        const char* Copy;
        int Options;
        bool Encrypted;
    };
    const Case cases[] = {
        {"secret.mdb", "kept.mdb", 0, true},
        {"secret.mdb", "plain.mdb", jet::dbDecrypt, false},
        {"secret.mdb", "both.mdb", jet::dbEncrypt | jet::dbDecrypt, false},
        {"plain.mdb", "again.mdb", jet::dbEncrypt | jet::dbVersion40, true},
        {"plain.mdb", "still-plain.mdb", 0, false},
    };
    for (const Case& c : cases) {
        Engine->CompactDatabase(PathOf(c.Source), PathOf(c.Copy), "", c.Options);
        const std::string bytes = FileBytes(PathOf(c.Copy));
        EXPECT_EQ(jet::sqlite::IsEncryptedFile(PathOf(c.Copy)), c.Encrypted) << c.Copy;
        EXPECT_EQ(bytes.find(Marker) == std::string::npos, c.Encrypted) << c.Copy;
        EXPECT_EQ(PlainSqliteReadError(PathOf(c.Copy)), c.Encrypted ? SQLITE_NOTADB : SQLITE_OK) << c.Copy;
        EXPECT_EQ(RowsOf(c.Copy), 300) << c.Copy;
    }
    // Repair keeps the encryption.
    Engine->RepairDatabase(PathOf("secret.mdb"));
    EXPECT_TRUE(jet::sqlite::IsEncryptedFile(PathOf("secret.mdb")));
    EXPECT_EQ(RowsOf("secret.mdb"), 300);
}

TEST_F(CipherVfs, APasswordStillGuardsAnEncryptedFile)
{
    MakeEncrypted("locked.mdb", ";LANGID=0x0409;PWD=calipers");
    EXPECT_EQ(ErrorOf([&] { RowsOf("locked.mdb"); }), jet::errNotValidPassword);
    EXPECT_EQ(RowsOf("locked.mdb", ";PWD=calipers"), 300);
    Engine->CompactDatabase(PathOf("locked.mdb"), PathOf("plain.mdb"), "", jet::dbDecrypt, ";pwd=calipers");
    EXPECT_EQ(ErrorOf([&] { RowsOf("plain.mdb"); }), jet::errNotValidPassword);
    EXPECT_EQ(RowsOf("plain.mdb", ";PWD=calipers"), 300);
}

TEST_F(CipherVfs, TheJournalOfAnEncryptedFileIsEncryptedToo)
{
    MakeEncrypted("secret.mdb");
    auto database = Workspace->OpenDatabase(PathOf("secret.mdb"));
    Workspace->BeginTrans();
    database->Execute("UPDATE Readings SET Label = \"changed\"");
    const std::string journal = PathOf("secret.mdb") + "-journal";
    ASSERT_TRUE(fs::exists(journal));
    const std::string bytes = FileBytes(journal);
    EXPECT_GT(bytes.size(), 4096u);
    EXPECT_EQ(bytes.find(Marker), std::string::npos);
    EXPECT_TRUE(jet::sqlite::IsEncryptedFile(journal));
    Workspace->Rollback();
    database->Close();
    EXPECT_EQ(RowsOf("secret.mdb"), 300);
}

// Below the engine: SQLite's own use of the file, with pages smaller and
// larger than the blocks, writes that grow and shrink it, and a rollback
// that plays the journal back.
TEST_F(CipherVfs, EveryPageSizeReadsBackWholeAfterGrowingShrinkingAndRollingBack)
{
    for (const int pageSize : {512, 1024, 4096, 8192, 65536}) {
        const std::string path = PathOf("pages-" + std::to_string(pageSize) + ".db");
        {
            jet::sqlite::Connection db(jet::sqlite::EncryptedFileUri(path), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            db.Exec("PRAGMA page_size=" + std::to_string(pageSize) + "; PRAGMA cache_size=2; "
                    "CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT);");
            db.Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                    "INSERT INTO t SELECT i, printf('%s-%05d', '" + std::string(Marker) + "', i) FROM n");
            // A big change that spills to the file before it is rolled back.
            db.Exec("BEGIN; UPDATE t SET v = 'x'; DELETE FROM t WHERE k > 10; ROLLBACK;");
            db.Exec("DELETE FROM t WHERE k > 1500; VACUUM;");
        }
        EXPECT_EQ(FileBytes(path).find(Marker), std::string::npos) << pageSize;
        jet::sqlite::Connection db(path, SQLITE_OPEN_READONLY);
        EXPECT_TRUE(jet::sqlite::IsEncrypted(db.Handle())) << pageSize;
        jet::sqlite::Statement check = db.Prepare("PRAGMA integrity_check");
        ASSERT_TRUE(check.Step());
        EXPECT_EQ(check.ColumnText(0), "ok") << pageSize;
        jet::sqlite::Statement count = db.Prepare("SELECT count(*), sum(length(v)) FROM t");
        ASSERT_TRUE(count.Step());
        EXPECT_EQ(count.ColumnInt64(0), 1500) << pageSize;
        EXPECT_EQ(count.ColumnInt64(1), 1500 * (std::string(Marker).size() + 6)) << pageSize;
    }
}

TEST_F(CipherVfs, DamagedOrForeignFilesGiveTheEnginesErrorNeverACrash)
{
    MakeEncrypted("secret.mdb");
    const std::string good = FileBytes(PathOf("secret.mdb"));
    struct Case {
        const char* What;
        std::string Bytes;
    };
    const auto flipped = [&](std::size_t at) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
        return bytes;
    };
    const Case cases[] = {
        {"magic", flipped(3)},
        {"version", flipped(16)},
        {"salt", flipped(30)},
        {"check value", flipped(45)},
        {"first block's nonce", flipped(64)},
        {"first block", flipped(64 + 12 + 100)},
        {"a later block", flipped(good.size() - 200)},
        {"cut inside the header", good.substr(0, 40)},
        {"cut inside a block's nonce", good.substr(0, 64 + 4124 + 10)},
        {"cut in half", good.substr(0, good.size() / 2)},
        {"blocks swapped", good.substr(0, 64) + good.substr(64 + 4124, 4124) + good.substr(64, 4124)
                               + good.substr(64 + 2 * 4124)},
        {"random bytes", std::string(9000, '\x9c')},
    };
    for (const Case& c : cases) {
        WriteBytes(PathOf("damaged.mdb"), c.Bytes);
        const int error = ErrorOf([&] { RowsOf("damaged.mdb"); });
        EXPECT_TRUE(error == jet::errCannotOpen || error == jet::errUnrecognizedFormat) << c.What << ": " << error;
    }
}

} // namespace
