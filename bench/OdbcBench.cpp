// The engine's ODBC recordsets against bare ODBC calls doing the same work
// on the same source (a SQLite file through the SQLite ODBC driver): walking
// 20,000 rows of a table, reading three fields of each, as a dynaset (the
// table component's default) and as a snapshot. The two sides run
// interleaved, five times each; the ratio of their medians is printed as
// "engine / bare ODBC" at the end of the run. There is no target; the figure
// says what the engine's cursor costs over the driver's own reading.
// Run:
//   cmake --build build-bench --target odbc_bench && build-bench/bench/odbc_bench

#include "platform/jet/Jet.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 20000;

// The source's file and an ODBC configuration naming it, written once.
const std::string& ConnectText()
{
    static QTemporaryDir dir;
    static const std::string text = [] {
        const std::string folder = dir.path().toStdString();
        std::ofstream(folder + "/odbcinst.ini") << "[SQLite3]\nDriver=libsqlite3odbc.so\n";
        std::ofstream(folder + "/odbc.ini") << "[Bench]\nDriver=SQLite3\nDatabase=" << folder << "/bench.db\n";
        setenv("ODBCSYSINI", folder.c_str(), 1);
        setenv("ODBCINI", (folder + "/odbc.ini").c_str(), 1);
        sqlite3* db = nullptr;
        sqlite3_open((folder + "/bench.db").c_str(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE Parts (Id INTEGER PRIMARY KEY, Name VARCHAR(50), Price DOUBLE);"
                     "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < 20000) "
                     "INSERT INTO Parts SELECT i, 'Part number ' || i, i * 0.25 FROM n;",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return std::string("ODBC;DSN=Bench;");
    }();
    return text;
}

void EngineWalk(benchmark::State& state, int type)
{
    auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    jet::DatabasePtr db = engine->CreateWorkspace("Bench", "admin", "")->OpenDatabase("", true, false, ConnectText());
    for (auto _ : state) {
        jet::RecordsetPtr rs = db->OpenRecordset("Parts", type);
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

void EngineDynasetWalk(benchmark::State& state)
{
    EngineWalk(state, jet::dbOpenDynaset);
}

void EngineSnapshotWalk(benchmark::State& state)
{
    EngineWalk(state, jet::dbOpenSnapshot);
}

void BareWalk(benchmark::State& state)
{
    ConnectText();
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>("DSN=Bench;")), SQL_NTS, nullptr, 0,
                     nullptr, SQL_DRIVER_NOPROMPT);
    for (auto _ : state) {
        SQLHSTMT statement = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement);
        SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>("SELECT * FROM \"Parts\"")), SQL_NTS);
        long rows = 0;
        while (SQL_SUCCEEDED(SQLFetch(statement))) {
            SQLBIGINT id = 0;
            SQLDOUBLE price = 0;
            char name[256];
            SQLLEN indicator = 0;
            SQLGetData(statement, 1, SQL_C_SBIGINT, &id, sizeof id, &indicator);
            SQLGetData(statement, 2, SQL_C_CHAR, name, sizeof name, &indicator);
            SQLGetData(statement, 3, SQL_C_DOUBLE, &price, sizeof price, &indicator);
            benchmark::DoNotOptimize(id);
            benchmark::DoNotOptimize(std::string(name, static_cast<std::size_t>(std::max<SQLLEN>(indicator, 0))));
            benchmark::DoNotOptimize(price);
            ++rows;
        }
        SQLFreeHandle(SQL_HANDLE_STMT, statement);
        if (rows != kRows)
            state.SkipWithError("wrong row count");
    }
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

BENCHMARK(EngineDynasetWalk)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(EngineSnapshotWalk)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BareWalk)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Prints as usual and keeps each benchmark's median for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                Medians[run.run_name.function_name] = run.GetAdjustedRealTime();
    }

    void PrintRatios() const
    {
        for (const auto& [engine, what] : {std::pair{"EngineDynasetWalk", "dynaset walk of 20,000 rows"},
                                           std::pair{"EngineSnapshotWalk", "snapshot walk of 20,000 rows"}}) {
            const auto e = Medians.find(engine);
            const auto b = Medians.find("BareWalk");
            if (e != Medians.end() && b != Medians.end())
                std::cout << what << ", engine / bare ODBC: " << e->second / b->second << "\n";
        }
    }

private:
    std::map<std::string, double> Medians;
};

} // namespace

int main(int argc, char** argv)
{
    // The two sides interleaved, so that the machine's load falls on both.
    std::vector<char*> arguments(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave.data());
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
}
