// Feeds the engine's VFS encrypted database files that are damaged: after a
// first byte 0, the rest of the input is the whole file; otherwise the input
// is a list of patches (a two-byte offset, a length byte and that many
// bytes) applied to a real encrypted database, with a journal beside it when
// the first byte is odd, so that mutations reach the header, the blocks and
// the journal's playback. The file is opened, checked and read whole through
// SQLite; whatever it holds, each step works or raises the engine's error.
#include "fuzz/FuzzFiles.h"
#include "platform/jet/CipherVfs.h"
#include "platform/jet/EngineError.h"
#include "platform/jet/SqliteConnection.h"

#include <QTemporaryDir>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct Fixture {
    QTemporaryDir Folder;
    std::string Path = Folder.filePath("fuzzed.db").toStdString();
    std::string Pristine;  // an encrypted database with two tables and an index
    std::string Journal;   // an encrypted journal of a change to it

    Fixture()
    {
        const std::string made = Folder.filePath("made.db").toStdString();
        {
            jet::sqlite::Connection db(jet::sqlite::EncryptedFileUri(made), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            db.Exec("PRAGMA page_size=1024; CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT); CREATE INDEX tv ON t (v);"
                    "CREATE TABLE u (a, b); INSERT INTO u VALUES (1, x'00ff'), (2.5, NULL);"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) "
                    "INSERT INTO t SELECT i, printf('value %d', i) FROM n;");
        }
        Pristine = fuzzfiles::ReadFile(made);
        // A journal left by a change that never ended: copied while open.
        jet::sqlite::Connection db(made, SQLITE_OPEN_READWRITE);
        db.Exec("PRAGMA cache_size=1; BEGIN; UPDATE t SET v = v || v; DELETE FROM u;");
        Journal = fuzzfiles::ReadFile(made + "-journal");
        db.Exec("ROLLBACK");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture fixture;
    if (size == 0 || size > 200000)
        return 0;
    std::string file;
    std::filesystem::remove(fixture.Path + "-journal");
    if (data[0] == 0) {
        file.assign(reinterpret_cast<const char*>(data + 1), size - 1);
    } else {
        file = fixture.Pristine;
        std::string journal = fixture.Journal;
        fuzzfiles::ApplyPatches((data[0] & 2) ? journal : file, data + 1, size - 1);
        if (data[0] & 1)
            std::ofstream(fixture.Path + "-journal", std::ios::binary | std::ios::trunc) << journal;
    }
    std::ofstream(fixture.Path, std::ios::binary | std::ios::trunc) << file;
    try {
        jet::sqlite::Connection db(fixture.Path, SQLITE_OPEN_READWRITE);
        db.Exec("PRAGMA integrity_check");
        for (const char* sql : {"SELECT * FROM sqlite_master", "SELECT * FROM t ORDER BY v", "SELECT * FROM u"}) {
            jet::sqlite::Statement read = db.Prepare(sql);
            while (read.Step())
                for (int column = 0; column < read.ColumnCount(); ++column)
                    read.ColumnValue(column);
        }
        db.Exec("INSERT INTO u VALUES (3, 'more')");
    } catch (const jet::EngineError&) {
    }
    return 0;
}
