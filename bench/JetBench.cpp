// The engine layer against bare SQLite calls doing the same work on the same
// file, A and B run alternately in one process (Interleaved.h): walking
// 100,000 rows of a table-type recordset with MoveNext reading three fields,
// 10,000 Seeks on an indexed key each reading the row found, and filling a
// new table with 20,000 rows through AddNew and Update in a transaction
// against one prepared INSERT. Goals: at most 2 times the bare time. Then
// what encryption costs: opening the file and walking the rows, and the
// same fill, on an encrypted copy of the file against the plain file, both
// through the engine layer (no goal is set for these).
//   cmake --build build-rel --target jet_bench && taskset -c 3 build-rel/bench/jet_bench

#include "Interleaved.h"
#include "PartsWalk.h"

#include "platform/jet/Jet.h"

#include <QTemporaryDir>
#include <sqlite3.h>

#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kSeeks = 10000;

// Written once per run, removed with the temporary folder at exit.
const std::string& DatabasePath()
{
    static QTemporaryDir dir;
    static const std::string path = [] {
        const std::string file = dir.filePath("bench.mdb").toStdString();
        auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
        auto db = engine->CreateWorkspace("Bench", "admin", "")->CreateDatabase(file, "");
        jet::TableDefPtr table = db->CreateTableDef("Parts");
        table->Fields().Append(table->CreateField("Id", jet::dbLong));
        table->Fields().Append(table->CreateField("Name", jet::dbText, 50));
        table->Fields().Append(table->CreateField("Price", jet::dbDouble));
        table->Fields().Append(table->CreateField("Code", jet::dbLong));
        jet::IndexPtr byCode = table->CreateIndex("ByCode");
        byCode->SetUnique(true);
        byCode->Fields().Append(byCode->CreateField("Code"));
        table->Indexes().Append(byCode);
        db->TableDefs().Append(table);
        db->BeginTrans();
        jet::RecordsetPtr rs = db->OpenRecordset("Parts", jet::dbOpenTable);
        for (int i = 0; i < kRows; ++i) {
            rs->AddNew();
            rs->Fields().Item(0)->SetValue(jet::Variant(i));
            rs->Fields().Item(1)->SetValue(jet::Variant("Part number " + std::to_string(i)));
            rs->Fields().Item(2)->SetValue(jet::Variant(i * 0.25));
            rs->Fields().Item(3)->SetValue(jet::Variant((i * 7919) % kRows));
            rs->Update();
        }
        db->CommitTrans(jet::dbForceOSFlush);
        db->Close();
        return file;
    }();
    return path;
}

std::vector<int> SeekKeys()
{
    std::mt19937 random(42);
    std::vector<int> keys(kSeeks);
    for (int& key : keys)
        key = static_cast<int>(random() % kRows);
    return keys;
}

jet::DBEnginePtr& Engine()
{
    static auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    return engine;
}

// The same rows in an encrypted copy of the file.
const std::string& EncryptedPath()
{
    static const std::string path = [] {
        const std::string file = DatabasePath() + ".encrypted";
        Engine()->CompactDatabase(DatabasePath(), file, "", jet::dbEncrypt);
        return file;
    }();
    return path;
}

jet::DatabasePtr OpenLayer(const std::string& path = DatabasePath())
{
    return Engine()->CreateWorkspace("Bench", "admin", "")->OpenDatabase(path);
}

constexpr int kFillRows = 20000;

sqlite3* OpenBare(int flags = SQLITE_OPEN_READONLY)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(DatabasePath().c_str(), &db, flags, nullptr);
    return db;
}

long LayerWalk(const jet::DatabasePtr& db)
{
    return WalkParts(db->OpenRecordset("Parts", jet::dbOpenTable));
}

long BareWalk(sqlite3* db)
{
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT Id, Name, Price FROM Parts", -1, &statement, nullptr);
    long rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_int(statement, 0));
        benchmark::DoNotOptimize(std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)),
                                             static_cast<std::size_t>(sqlite3_column_bytes(statement, 1))));
        benchmark::DoNotOptimize(sqlite3_column_double(statement, 2));
        ++rows;
    }
    sqlite3_finalize(statement);
    return rows;
}

void BM_Walk(benchmark::State& state)
{
    jet::DatabasePtr db = OpenLayer();
    sqlite3* bare = OpenBare();
    long layerRows = 0, bareRows = 0;
    bench::Interleave(
        state, "walk of 100,000 rows, layer / bare SQLite", 2, [&] { layerRows = LayerWalk(db); },
        [&] { bareRows = BareWalk(bare); });
    sqlite3_close(bare);
    if (layerRows != kRows || bareRows != kRows)
        state.SkipWithError("wrong row count");
}
BENCHMARK(BM_Walk)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

void BM_Seek(benchmark::State& state)
{
    jet::DatabasePtr db = OpenLayer();
    jet::RecordsetPtr rs = db->OpenRecordset("Parts", jet::dbOpenTable);
    rs->SetIndex("ByCode");
    const jet::FieldPtr name = rs->Fields().Item(1);
    sqlite3* bare = OpenBare();
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(bare, "SELECT Id, Name, Price FROM Parts WHERE Code = ?", -1, &statement, nullptr);
    const std::vector<int> keys = SeekKeys();
    bool missed = false;
    bench::Interleave(
        state, "10,000 seeks, layer / bare SQLite", 2,
        [&] {
            for (int key : keys) {
                rs->Seek("=", {jet::Variant(key)});
                missed = missed || rs->NoMatch();
                benchmark::DoNotOptimize(name->Value().AsString());
            }
        },
        [&] {
            for (int key : keys) {
                sqlite3_bind_int(statement, 1, key);
                missed = missed || sqlite3_step(statement) != SQLITE_ROW;
                benchmark::DoNotOptimize(
                    std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)),
                                static_cast<std::size_t>(sqlite3_column_bytes(statement, 1))));
                sqlite3_reset(statement);
            }
        });
    sqlite3_finalize(statement);
    sqlite3_close(bare);
    if (missed)
        state.SkipWithError("key not found");
}
BENCHMARK(BM_Seek)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

// A new table "Fill" (Id, Name, Price) filled in one transaction, then
// dropped, so that every round starts alike.
void LayerFill(const jet::DatabasePtr& db)
{
    jet::TableDefPtr table = db->CreateTableDef("Fill");
    table->Fields().Append(table->CreateField("Id", jet::dbLong));
    table->Fields().Append(table->CreateField("Name", jet::dbText, 50));
    table->Fields().Append(table->CreateField("Price", jet::dbDouble));
    db->TableDefs().Append(table);
    db->BeginTrans();
    jet::RecordsetPtr rs = db->OpenRecordset("Fill", jet::dbOpenTable);
    const jet::FieldPtr id = rs->Fields().Item(0);
    const jet::FieldPtr name = rs->Fields().Item(1);
    const jet::FieldPtr price = rs->Fields().Item(2);
    for (int i = 0; i < kFillRows; ++i) {
        rs->AddNew();
        id->SetValue(jet::Variant(i));
        name->SetValue(jet::Variant("Part number " + std::to_string(i)));
        price->SetValue(jet::Variant(i * 0.25));
        rs->Update();
    }
    rs->Close();
    db->CommitTrans();
    db->TableDefs().Delete("Fill");
}

void BM_Fill(benchmark::State& state)
{
    jet::DatabasePtr db = OpenLayer();
    sqlite3* bare = OpenBare(SQLITE_OPEN_READWRITE);
    sqlite3_busy_timeout(bare, 5000);
    const auto layerFill = [&] { LayerFill(db); };
    const auto bareFill = [&] {
        sqlite3_exec(bare, "CREATE TABLE Fill (Id INTEGER, Name TEXT, Price REAL); BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(bare, "INSERT INTO Fill (Id, Name, Price) VALUES (?1, ?2, ?3)", -1, &insert, nullptr);
        for (int i = 0; i < kFillRows; ++i) {
            const std::string name = "Part number " + std::to_string(i);
            sqlite3_bind_int(insert, 1, i);
            sqlite3_bind_text(insert, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 3, i * 0.25);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(bare, "COMMIT; DROP TABLE Fill", nullptr, nullptr, nullptr);
    };
    bench::Interleave(state, "filling a table with 20,000 rows, layer / bare SQLite", 2, layerFill, bareFill);
    sqlite3_close(bare);
}
BENCHMARK(BM_Fill)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

// Opened afresh each round, so that every page is read (and decrypted) from
// the file, not found in the cache of an earlier round.
void BM_EncryptedWalk(benchmark::State& state)
{
    long encryptedRows = 0, plainRows = 0;
    const auto walk = [](const std::string& path, long& rows) {
        jet::DatabasePtr db = OpenLayer(path);
        rows = LayerWalk(db);
        db->Close();
    };
    bench::Interleave(
        state, "opening and walking 100,000 rows, encrypted file / plain file", 0,
        [&] { walk(EncryptedPath(), encryptedRows); }, [&] { walk(DatabasePath(), plainRows); });
    if (encryptedRows != kRows || plainRows != kRows)
        state.SkipWithError("wrong row count");
}
BENCHMARK(BM_EncryptedWalk)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

void BM_EncryptedFill(benchmark::State& state)
{
    jet::DatabasePtr encrypted = OpenLayer(EncryptedPath());
    jet::DatabasePtr plain = OpenLayer();
    bench::Interleave(state, "filling a table with 20,000 rows, encrypted file / plain file", 0,
                      [&] { LayerFill(encrypted); }, [&] { LayerFill(plain); });
}
BENCHMARK(BM_EncryptedFill)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::RunInterleavedBenchmarks(argc, argv);
}
