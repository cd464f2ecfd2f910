// The engine layer against bare SQLite calls doing the same work on the same
// file: walking 100,000 rows of a table-type recordset with MoveNext reading
// three fields, and 10,000 Seeks on an indexed key each reading the row found.
// The targets are at most 2 times the bare time, printed as
// "layer / bare SQLite" at the end of the run.

#include "platform/jet/Jet.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <iostream>
#include <map>
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

jet::DatabasePtr OpenLayer()
{
    static auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    return engine->CreateWorkspace("Bench", "admin", "")->OpenDatabase(DatabasePath());
}

void LayerWalk(benchmark::State& state)
{
    jet::DatabasePtr db = OpenLayer();
    for (auto _ : state) {
        jet::RecordsetPtr rs = db->OpenRecordset("Parts", jet::dbOpenTable);
        // The field objects are taken once, as the table component takes them.
        const jet::FieldPtr id = rs->Fields().Item(0);
        const jet::FieldPtr name = rs->Fields().Item(1);
        const jet::FieldPtr price = rs->Fields().Item(2);
        long rows = 0;
        for (; !rs->Eof(); rs->MoveNext()) {
            benchmark::DoNotOptimize(id->Value().AsInteger());
            benchmark::DoNotOptimize(name->Value().AsString());
            benchmark::DoNotOptimize(price->Value().AsDouble());
            ++rows;
        }
        if (rows != kRows)
            state.SkipWithError("wrong row count");
    }
}

void BareWalk(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(DatabasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
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
        if (rows != kRows)
            state.SkipWithError("wrong row count");
    }
    sqlite3_close(db);
}

void LayerSeek(benchmark::State& state)
{
    jet::DatabasePtr db = OpenLayer();
    jet::RecordsetPtr rs = db->OpenRecordset("Parts", jet::dbOpenTable);
    rs->SetIndex("ByCode");
    const jet::FieldPtr name = rs->Fields().Item(1);
    const std::vector<int> keys = SeekKeys();
    for (auto _ : state) {
        for (int key : keys) {
            rs->Seek("=", {jet::Variant(key)});
            if (rs->NoMatch())
                state.SkipWithError("key not found");
            benchmark::DoNotOptimize(name->Value().AsString());
        }
    }
}

void BareSeek(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(DatabasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT Id, Name, Price FROM Parts WHERE Code = ?", -1, &statement, nullptr);
    const std::vector<int> keys = SeekKeys();
    for (auto _ : state) {
        for (int key : keys) {
            sqlite3_bind_int(statement, 1, key);
            if (sqlite3_step(statement) != SQLITE_ROW)
                state.SkipWithError("key not found");
            benchmark::DoNotOptimize(std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)),
                                                 static_cast<std::size_t>(sqlite3_column_bytes(statement, 1))));
            sqlite3_reset(statement);
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

BENCHMARK(LayerWalk)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BareWalk)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(LayerSeek)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BareSeek)->Unit(benchmark::kMillisecond)->MinTime(2);

// Prints as usual and remembers each benchmark's time for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter()
        : ConsoleReporter(OO_Tabular)
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }

    void PrintRatios() const
    {
        for (const auto& [layer, bare, what] : {std::tuple{"LayerWalk", "BareWalk", "walk of 100,000 rows"},
                                               std::tuple{"LayerSeek", "BareSeek", "10,000 seeks"}}) {
            const auto l = times_.find(layer);
            const auto b = times_.find(bare);
            if (l != times_.end() && b != times_.end())
                std::cout << what << ", layer / bare SQLite: " << l->second / b->second << " (target: at most 2)\n";
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
