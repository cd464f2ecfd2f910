// The table component against a bare SQLite statement reading the same
// columns of the same file, A and B run alternately in one process
// (Interleaved.h). The bare connection is opened with the engine's flags
// (BareSqlite.h). Most comparisons use a table "parts" of 100,000 rows: Id
// (long), Code (text 20, indexed by "ByCode", in an order unlike the order
// rows were added), Name (text 50, no index) and Price (double).
//  - walk: First to Eof of the dynaset, reading every field as its type
//    (Id as an integer, Price as a float); the bare statement selects the four
//    columns and reads them so. Goal: at most 2.
//  - walk by index: the same on a table-type recordset with IndexName
//    "ByCode"; the bare statement orders by Code, through the same index.
//    Goal: at most 2.
//  - walk of the settings table (100,000 options of three texts), reading
//    every field. Goal: at most 2.
//  - Locate on Name (no index), 20 names spread over the table, each found
//    and its row read; the bare statement selects the first row WHERE Name
//    = ?. Goal: at most 2.
//  - opening the settings table of 1,000 options and reading every option,
//    against preparing the bare statement and reading its rows (no goal).
//   cmake --build build-rel --target dao_table_bench && taskset -c 3 build-rel/bench/dao_table_bench
#include "BareSqlite.h"
#include "Interleaved.h"

#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"
#include "tests/support/ConfigDatabase.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench::BareConnection;
using bench::TextOf;

constexpr int PartCount = 100000;
constexpr int Locates = 20;

std::string CodeOf(int id)
{
    char text[16];
    std::snprintf(text, sizeof text, "P%06d", id);
    return text;
}

std::string NameOf(int id)
{
    return "Part number " + std::to_string(id);
}

// The four columns of the current row, read as the table's fields are read.
std::size_t ReadBareRow(sqlite3_stmt* statement)
{
    benchmark::DoNotOptimize(sqlite3_column_int(statement, 0));
    benchmark::DoNotOptimize(sqlite3_column_double(statement, 3));
    return TextOf(statement, 1).size() + TextOf(statement, 2).size();
}

class PartsFile {
public:
    PartsFile()
    {
        Path = Folder.filePath("Parts.dat").toStdString();
        Make();
        Database = support::ConnectedDatabase(Path);
        for (int i = 0; i < Locates; ++i)
            SearchedNames.push_back(NameOf(PartCount * (2 * i + 1) / (2 * Locates)));
    }

    QTemporaryDir Folder;
    std::string Path;
    std::unique_ptr<TDaoDatabase> Database;
    std::vector<std::string> SearchedNames;

private:
    void Make() const
    {
        const auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
        const auto workspace = engine->CreateWorkspace("Maker", "Admin", "");
        const auto database = workspace->CreateDatabase(Path, ";LANGID=0x0409;CP=1252;COUNTRY=0", jet::dbVersion40);
        const auto table = database->CreateTableDef("parts");
        table->Fields().Append(table->CreateField("Id", jet::dbLong));
        table->Fields().Append(table->CreateField("Code", jet::dbText, 20));
        table->Fields().Append(table->CreateField("Name", jet::dbText, 50));
        table->Fields().Append(table->CreateField("Price", jet::dbDouble));
        const auto byCode = table->CreateIndex("ByCode");
        byCode->Fields().Append(byCode->CreateField("Code"));
        table->Indexes().Append(byCode);
        database->TableDefs().Append(table);
        workspace->BeginTrans();
        const auto rows = database->OpenRecordset("parts", jet::dbOpenTable);
        for (int id = 1; id <= PartCount; ++id) {
            rows->AddNew();
            rows->Fields().Item(0)->SetValue(id);
            rows->Fields().Item(1)->SetValue(CodeOf(static_cast<int>((id * 7919LL) % PartCount)));
            rows->Fields().Item(2)->SetValue(NameOf(id));
            rows->Fields().Item(3)->SetValue(id * 0.25);
            rows->Update();
        }
        rows->Close();
        workspace->CommitTrans();
        database->Close();
        workspace->Close();
    }
};

PartsFile& Parts()
{
    static PartsFile file;
    return file;
}

// Walks the open table from its first record, reading every field.
std::size_t WalkTable(TDaoTable& table)
{
    TField& id = table.FieldByName("Id");
    TField& code = table.FieldByName("Code");
    TField& name = table.FieldByName("Name");
    TField& price = table.FieldByName("Price");
    std::size_t bytes = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        benchmark::DoNotOptimize(id.AsInteger());
        benchmark::DoNotOptimize(price.AsFloat());
        bytes += code.AsString().size() + name.AsString().size();
    }
    return bytes;
}

std::size_t WalkBare(const BareConnection& bare, const char* sql)
{
    sqlite3_stmt* statement = bare.Prepare(sql);
    std::size_t bytes = 0;
    while (sqlite3_step(statement) == SQLITE_ROW)
        bytes += ReadBareRow(statement);
    sqlite3_finalize(statement);
    return bytes;
}

void Walk(benchmark::State& state, const std::string& what, int tableType, const char* indexName, const char* bareSql)
{
    PartsFile& file = Parts();
    TDaoTable table;
    table.F_Set_Database(file.Database.get());
    table.F_Set_TableType(tableType);
    table.F_Set_TableName("parts");
    if (indexName)
        table.F_Set_IndexName(indexName);
    table.Open();
    const BareConnection bare(file.Path);
    std::size_t tableBytes = 0, bareBytes = 0;
    bench::Interleave(
        state, what, 2, [&] { tableBytes = WalkTable(table); }, [&] { bareBytes = WalkBare(bare, bareSql); });
    if (tableBytes != bareBytes)
        state.SkipWithError("the table and the bare statement read different rows");
}

void BM_Walk(benchmark::State& state)
{
    Walk(state, "walk of 100,000 rows, table / bare SQLite", jet::dbOpenDynaset, nullptr,
         "SELECT Id, Code, Name, Price FROM parts");
}
BENCHMARK(BM_Walk)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_WalkByIndex(benchmark::State& state)
{
    Walk(state, "walk of 100,000 rows in the order of a text index, table / bare SQLite", jet::dbOpenTable,
         "ByCode", "SELECT Id, Code, Name, Price FROM parts ORDER BY Code");
}
BENCHMARK(BM_WalkByIndex)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// A settings file of the program (Config.dat) with `rows` options, made once.
const std::string& SettingsFile(int rows)
{
    static QTemporaryDir folder;
    static std::map<int, std::string> files;
    std::string& path = files[rows];
    if (path.empty()) {
        path = folder.filePath(QString("Config%1.dat").arg(rows)).toStdString();
        support::MakeConfigDatabase(path, rows);
    }
    return path;
}

// The three texts of every option from the current one on.
std::size_t ReadOptions(TDaoTable& table)
{
    TField& configName = table.FieldByName("ConfigName");
    TField& optionName = table.FieldByName("OptionName");
    TField& optionValue = table.FieldByName("OptionValue");
    std::size_t bytes = 0;
    for (; !table.Eof(); table.Next())
        bytes += configName.AsString().size() + optionName.AsString().size() + optionValue.AsString().size();
    return bytes;
}

std::size_t ReadBareOptions(const BareConnection& bare)
{
    sqlite3_stmt* statement = bare.Prepare("SELECT ConfigName, OptionName, OptionValue FROM config");
    std::size_t bytes = 0;
    while (sqlite3_step(statement) == SQLITE_ROW)
        bytes += TextOf(statement, 0).size() + TextOf(statement, 1).size() + TextOf(statement, 2).size();
    sqlite3_finalize(statement);
    return bytes;
}

// The settings table of the program, 100,000 options of three texts, walked
// reading every field.
void BM_WalkTexts(benchmark::State& state)
{
    const std::string& path = SettingsFile(PartCount);
    const std::unique_ptr<TDaoDatabase> database = support::ConnectedDatabase(path);
    TDaoTable table;
    table.F_Set_Database(database.get());
    table.F_Set_TableName("config");
    table.Open();
    const BareConnection bare(path);
    std::size_t tableBytes = 0, bareBytes = 0;
    bench::Interleave(
        state, "walk of 100,000 settings (three texts), table / bare SQLite", 2,
        [&] {
            table.First();
            tableBytes = ReadOptions(table);
        },
        [&] { bareBytes = ReadBareOptions(bare); });
    if (tableBytes != bareBytes)
        state.SkipWithError("the table and the bare statement read different rows");
}
BENCHMARK(BM_WalkTexts)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_LocateWithoutIndex(benchmark::State& state)
{
    PartsFile& file = Parts();
    TDaoTable table;
    table.F_Set_Database(file.Database.get());
    table.F_Set_TableName("parts");
    table.Open();
    TField& id = table.FieldByName("Id");
    TField& code = table.FieldByName("Code");
    TField& price = table.FieldByName("Price");
    const BareConnection bare(file.Path);
    sqlite3_stmt* statement = bare.Prepare("SELECT Id, Code, Name, Price FROM parts WHERE Name = ?1 LIMIT 1");
    int tableFound = 0, bareFound = 0;
    bench::Interleave(
        state, std::to_string(Locates) + " Locates on a field without an index, table / bare SQLite", 2,
        [&] {
            for (const std::string& name : file.SearchedNames) {
                if (!table.Locate("Name", jet::Variant(name), 0))
                    continue;
                ++tableFound;
                benchmark::DoNotOptimize(id.AsInteger());
                benchmark::DoNotOptimize(price.AsFloat());
                benchmark::DoNotOptimize(code.AsString());
            }
        },
        [&] {
            for (const std::string& name : file.SearchedNames) {
                sqlite3_bind_text(statement, 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
                if (sqlite3_step(statement) == SQLITE_ROW) {
                    ++bareFound;
                    benchmark::DoNotOptimize(ReadBareRow(statement));
                }
                sqlite3_reset(statement);
            }
        });
    sqlite3_finalize(statement);
    if (tableFound != bareFound || tableFound != Locates * static_cast<int>(state.iterations()))
        state.SkipWithError("a name was not found");
}
BENCHMARK(BM_LocateWithoutIndex)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// The settings table of 1,000 options, opened and read as the program does
// at start-up.
void BM_OpenAndReadOptions(benchmark::State& state)
{
    const std::string& path = SettingsFile(1000);
    const std::unique_ptr<TDaoDatabase> database = support::ConnectedDatabase(path);
    const BareConnection bare(path);
    std::size_t tableBytes = 0, bareBytes = 0;
    bench::Interleave(
        state, "open and read 1,000 options, table / bare SQLite", 0,
        [&] {
            TDaoTable table;
            table.F_Set_Database(database.get());
            table.F_Set_TableName("config");
            table.Open();
            tableBytes = ReadOptions(table);
        },
        [&] { bareBytes = ReadBareOptions(bare); });
    if (tableBytes != bareBytes)
        state.SkipWithError("the table and the bare statement read different rows");
}
BENCHMARK(BM_OpenAndReadOptions)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::RunInterleavedBenchmarks(argc, argv);
}
