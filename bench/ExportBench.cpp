// The table component's exports of 100,000 rows of five fields (a long, two
// texts, one of them Chinese, a double and a date), each against a stdio loop
// writing the same rows as CSV from a bare SQLite statement over the same
// file, A and B run alternately in one process (Interleaved.h). The baseline
// writes to a temporary file renamed over the last one, as the exports do.
// Formats: text, HTML, Excel 8 and 5, dBase IV, FoxPro 3.0, another database
// file (the Excel 3.0 and 4.0 worksheets hold at most 16,383 rows), and
// Paradox 7. Goals: at most 3 times the loop; Paradox, which pxlib writes
// record by record into its blocks, at most 15 times.
//   cmake --build build-rel --target export_bench && taskset -c 3 build-rel/bench/export_bench
#include "Interleaved.h"

#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"
#include "platform/jet/Jet.h"
#include "tests/support/ConfigDatabase.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace {

constexpr int RowCount = 100000;

struct Fixture {
    QTemporaryDir Folder;
    std::string DatabasePath = Path("bench.mdb");

    Fixture()
    {
        const jet::DBEnginePtr engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
        const jet::WorkspacePtr workspace = engine->CreateWorkspace("Bench", "Admin", "");
        const jet::DatabasePtr db = workspace->CreateDatabase(DatabasePath, ";LANGID=0x0409;CP=1252;COUNTRY=0");
        const jet::TableDefPtr table = db->CreateTableDef("Measures");
        table->Fields().Append(table->CreateField("Id", jet::dbLong));
        table->Fields().Append(table->CreateField("Shape", jet::dbText, 50));
        table->Fields().Append(table->CreateField("Label", jet::dbText, 50));
        table->Fields().Append(table->CreateField("Length", jet::dbDouble));
        table->Fields().Append(table->CreateField("Taken", jet::dbDate));
        db->TableDefs().Append(table);
        workspace->BeginTrans();
        const jet::RecordsetPtr rows = db->OpenRecordset("Measures", jet::dbOpenTable);
        for (int i = 0; i < RowCount; ++i) {
            rows->AddNew();
            rows->Fields().Item(0)->SetValue(i);
            rows->Fields().Item(1)->SetValue("Line " + std::to_string(i));
            rows->Fields().Item(2)->SetValue(std::string(i % 2 ? "长度" : "直径") + std::to_string(i % 100));
            rows->Fields().Item(3)->SetValue(i * 0.125);
            rows->Fields().Item(4)->SetValue(jet::Variant::Date(45000.5 + i / 1000.0));
            rows->Update();
        }
        rows->Close();
        workspace->CommitTrans();
        db->Close();
        workspace->Close();
    }

    std::string Path(const std::string& name) const { return Folder.filePath(QString::fromStdString(name)).toStdString(); }
};

Fixture& Shared()
{
    static Fixture fixture;
    return fixture;
}

// The open table component over the bench file.
struct Component {
    std::unique_ptr<TDaoDatabase> Database = support::ConnectedDatabase(Shared().DatabasePath);
    TDaoTable Table;

    Component()
    {
        Table.F_Set_Database(Database.get());
        Table.F_Set_TableName("Measures");
        Table.Open();
    }
};

void WriteQuoted(std::FILE* file, const unsigned char* text)
{
    std::fputc('"', file);
    for (const char* rest = reinterpret_cast<const char*>(text); rest && *rest;) {
        const std::size_t plain = std::strcspn(rest, "\"");
        std::fwrite(rest, 1, plain, file);
        rest += plain;
        if (*rest == '"') {
            std::fputs("\"\"", file);
            ++rest;
        }
    }
    std::fputc('"', file);
}

// A day number of the engine (days since 30 December 1899, the time as
// its fraction) as "yyyy-mm-dd hh:mm:ss".
void WriteDate(std::FILE* file, double value)
{
    const double day = std::floor(value);
    const long seconds = std::lround((value - day) * 86400.0);
    // Days from the civil calendar, after H. Hinnant's algorithm.
    const long z = static_cast<long>(day) - 25569 + 719468;  // to days since 1970, then since 0000-03-01
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long dayOfEra = z - era * 146097;
    const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long monthIndex = (5 * dayOfYear + 2) / 153;
    const long dayOfMonth = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const long month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    std::fprintf(file, "%04ld-%02ld-%02ld %02ld:%02ld:%02ld", year, month, dayOfMonth, seconds / 3600,
                 seconds / 60 % 60, seconds % 60);
}

// The baseline: the rows as CSV, written with stdio from a bare statement.
long WriteCsv(const std::string& target)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(Shared().DatabasePath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT Id, Shape, Label, Length, Taken FROM Measures", -1, &statement, nullptr);
    const std::string temporary = target + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    std::fputs("\"Id\",\"Shape\",\"Label\",\"Length\",\"Taken\"\r\n", file);
    long rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::fprintf(file, "%d,", sqlite3_column_int(statement, 0));
        WriteQuoted(file, sqlite3_column_text(statement, 1));
        std::fputc(',', file);
        WriteQuoted(file, sqlite3_column_text(statement, 2));
        std::fprintf(file, ",%.15g,", sqlite3_column_double(statement, 3));
        WriteDate(file, sqlite3_column_double(statement, 4));
        std::fputs("\r\n", file);
        ++rows;
    }
    std::fclose(file);
    std::filesystem::rename(temporary, target);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

void Compare(benchmark::State& state, const std::string& format, double goal,
             const std::function<void(TDaoTable&)>& exportRows)
{
    Component component;
    long bareRows = 0;
    bench::Interleave(
        state, "export of 100,000 rows to " + format + ", table / stdio CSV from bare SQLite", goal,
        [&] { exportRows(component.Table); }, [&] { bareRows = WriteCsv(Shared().Path("bare.csv")); });
    if (component.Table.FRecordsAffected != RowCount || bareRows != RowCount)
        state.SkipWithError("not every row was written");
}

void BM_ExportToText(benchmark::State& state)
{
    Compare(state, "text", 3,
            [](TDaoTable& table) { table.AccessExportToTXT(Shared().Path("table.csv"), false, true); });
}
BENCHMARK(BM_ExportToText)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

void BM_ExportToHtml(benchmark::State& state)
{
    Compare(state, "HTML", 3,
            [](TDaoTable& table) { table.AccessExportToHTML(Shared().Path("table.html"), false, true); });
}
BENCHMARK(BM_ExportToHtml)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

void BM_ExportToExcel8(benchmark::State& state)
{
    Compare(state, "Excel 8", 3, [](TDaoTable& table) {
        table.AccessExportToExcel(Shared().Path("table.xls"), "Measures", 8, false, true);
    });
}
BENCHMARK(BM_ExportToExcel8)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

void BM_ExportToDBase(benchmark::State& state)
{
    Compare(state, "dBase IV", 3,
            [](TDaoTable& table) { table.AccessExportToDBase(Shared().Path("table.dbf"), 4, false, true); });
}
BENCHMARK(BM_ExportToDBase)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

void BM_ExportToExcel5(benchmark::State& state)
{
    Compare(state, "Excel 5", 3, [](TDaoTable& table) {
        table.AccessExportToExcel(Shared().Path("table5.xls"), "Measures", 5, false, true);
    });
}
BENCHMARK(BM_ExportToExcel5)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ExportToFoxPro(benchmark::State& state)
{
    Compare(state, "FoxPro 3.0", 3,
            [](TDaoTable& table) { table.AccessExportToFoxPro(Shared().Path("fox.dbf"), 30, false, true); });
}
BENCHMARK(BM_ExportToFoxPro)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ExportToAccess(benchmark::State& state)
{
    Compare(state, "another database file", 3, [](TDaoTable& table) {
        const std::string target = Shared().Path("copy.mdb");
        if (!std::filesystem::exists(target))
            jet::MakeEngineClasses()
                ->Create("DAO.PrivateDBEngine.36")
                ->CreateWorkspace("Bench", "Admin", "")
                ->CreateDatabase(target, ";LANGID=0x0409;CP=1252;COUNTRY=0")
                ->Close();
        table.AccessExportToMDB(target, "Measures", false, true);
    });
}
BENCHMARK(BM_ExportToAccess)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ExportToParadox(benchmark::State& state)
{
    Compare(state, "Paradox 7", 15,
            [](TDaoTable& table) { table.AccessExportToParadox(Shared().Path("table.db"), 7, false, true); });
}
BENCHMARK(BM_ExportToParadox)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::RunInterleavedBenchmarks(argc, argv);
}
