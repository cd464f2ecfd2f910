// The engine's ODBC recordsets against bare ODBC calls doing the same work
// on the same source (a SQLite file through the SQLite ODBC driver): walking
// 20,000 rows of a table, reading three fields of each, as a dynaset (the
// table component's default) and as a snapshot. The two sides run
// alternately in one process (Interleaved.h); the median of the rounds'
// ratios is printed as "engine / bare ODBC" at the end of the run. There is no target; the figure
// says what the engine's cursor costs over the driver's own reading.
// Run:
//   cmake --build build-bench --target odbc_bench && build-bench/bench/odbc_bench

#include "Interleaved.h"
#include "PartsWalk.h"
#include "platform/jet/Jet.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
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

// The bare side: the same rows read by ODBC calls on a connection of its own.
class BareOdbc {
public:
    BareOdbc()
    {
        ConnectText();
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &Env);
        SQLSetEnvAttr(Env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, Env, &Dbc);
        SQLDriverConnect(Dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>("DSN=Bench;")), SQL_NTS,
                         nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    }
    ~BareOdbc()
    {
        SQLDisconnect(Dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, Dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, Env);
    }
    BareOdbc(const BareOdbc&) = delete;
    BareOdbc& operator=(const BareOdbc&) = delete;

    long Walk()
    {
        SQLHSTMT statement = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, Dbc, &statement);
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
        return rows;
    }

private:
    SQLHENV Env = SQL_NULL_HENV;
    SQLHDBC Dbc = SQL_NULL_HDBC;
};

void Walk(benchmark::State& state, int type, const std::string& what)
{
    auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    jet::DatabasePtr db = engine->CreateWorkspace("Bench", "admin", "")->OpenDatabase("", true, false, ConnectText());
    BareOdbc bare;
    long engineRows = 0, bareRows = 0;
    bench::Interleave(
        state, what, 0, [&] { engineRows = WalkParts(db->OpenRecordset("Parts", type)); },
        [&] { bareRows = bare.Walk(); });
    if (engineRows != kRows || bareRows != kRows)
        state.SkipWithError("wrong row count");
}

void DynasetWalk(benchmark::State& state)
{
    Walk(state, jet::dbOpenDynaset, "dynaset walk of 20,000 rows, engine / bare ODBC");
}

void SnapshotWalk(benchmark::State& state)
{
    Walk(state, jet::dbOpenSnapshot, "snapshot walk of 20,000 rows, engine / bare ODBC");
}

BENCHMARK(DynasetWalk)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(SnapshotWalk)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::RunInterleavedBenchmarks(argc, argv);
}
