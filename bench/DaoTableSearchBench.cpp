// The table component's searches and its master/detail link against bare
// SQLite statements doing the same work on the same file, A and B run
// alternately in one process (Interleaved.h):
//  - 10,000 Locate calls on an indexed key of a 100,000-row table, each
//    reading the record found, against a prepared SELECT ... WHERE Code = ?
//    reading the row; in the order of that index, and in the order rows were
//    added (the index found by the key field). Goal: at most 2.
//  - a master moving over 1,000 records whose detail shows 100 rows each,
//    reading every detail row (100,000 reads in all), against a prepared
//    SELECT of each order's lines (no goal; it used to be held under a
//    second).
//   cmake --build build-rel --target dao_table_search_bench && taskset -c 3 build-rel/bench/dao_table_search_bench
#include "BareSqlite.h"
#include "Interleaved.h"

#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"
#include "tests/support/ConfigDatabase.h"

#include <QTemporaryDir>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int PartCount = 100000;
constexpr int SearchCount = 10000;
constexpr int OrderCount = 1000;
constexpr int LinesPerOrder = 100;

std::string CodeOf(int id)
{
    char text[16];
    std::snprintf(text, sizeof text, "P%06d", id);
    return text;
}

// A database file with "parts" (Id, Code indexed, Price), "orders"
// (OrderId) and "lines" (LineId, OrderId indexed, Item), connected.
class SearchFile {
public:
    SearchFile()
    {
        Make(Path);
        Database = support::ConnectedDatabase(Path);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> anyPart(1, PartCount);
        for (int i = 0; i < SearchCount; ++i)
            Codes.push_back(CodeOf(anyPart(random)));
    }

    QTemporaryDir Folder;
    std::string Path = Folder.filePath("Search.dat").toStdString();
    std::unique_ptr<TDaoDatabase> Database;
    std::vector<std::string> Codes;

private:
    static void Make(const std::string& path)
    {
        const auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
        const auto workspace = engine->CreateWorkspace("Maker", "Admin", "");
        const auto database = workspace->CreateDatabase(path, ";LANGID=0x0409;CP=1252;COUNTRY=0", jet::dbVersion40);
        const auto table = [&](const char* name, std::vector<std::pair<const char*, int>> fields,
                               std::vector<std::pair<const char*, const char*>> indexes) {
            const auto tableDef = database->CreateTableDef(name);
            for (const auto& [field, type] : fields)
                tableDef->Fields().Append(tableDef->CreateField(field, type, type == jet::dbText ? 20 : 0));
            for (const auto& [indexName, field] : indexes) {
                const auto index = tableDef->CreateIndex(indexName);
                index->SetPrimary(std::string(indexName) == "PrimaryKey");
                index->Fields().Append(index->CreateField(field));
                tableDef->Indexes().Append(index);
            }
            database->TableDefs().Append(tableDef);
        };
        table("parts", {{"Id", jet::dbLong}, {"Code", jet::dbText}, {"Price", jet::dbDouble}},
              {{"PrimaryKey", "Id"}, {"ByCode", "Code"}});
        table("orders", {{"OrderId", jet::dbLong}, {"Customer", jet::dbText}}, {{"PrimaryKey", "OrderId"}});
        table("lines", {{"LineId", jet::dbLong}, {"OrderId", jet::dbLong}, {"Item", jet::dbText}},
              {{"PrimaryKey", "LineId"}, {"ByOrder", "OrderId"}});
        workspace->BeginTrans();
        for (int id = 1; id <= PartCount; ++id)
            database->Execute("INSERT INTO parts VALUES (" + std::to_string(id) + ", \"" + CodeOf(id) + "\", "
                              + std::to_string(id % 1000) + ".5)");
        for (int order = 1; order <= OrderCount; ++order) {
            database->Execute("INSERT INTO orders VALUES (" + std::to_string(order) + ", \"C" + std::to_string(order)
                              + "\")");
            for (int line = 0; line < LinesPerOrder; ++line) {
                const int id = (order - 1) * LinesPerOrder + line + 1;
                database->Execute("INSERT INTO lines VALUES (" + std::to_string(id) + ", " + std::to_string(order)
                                  + ", \"item " + std::to_string(line) + "\")");
            }
        }
        workspace->CommitTrans();
        database->Close();
        workspace->Close();
    }
};

SearchFile& File()
{
    static SearchFile file;
    return file;
}

// Locate on a table ordered by the index it searches (range 1), or in the
// order rows were added, finding the index by the key field (range 0).
void BM_Locate(benchmark::State& state)
{
    SearchFile& file = File();
    TDaoTable table;
    table.F_Set_Database(file.Database.get());
    table.F_Set_TableType(jet::dbOpenTable);
    table.F_Set_TableName("parts");
    if (state.range(0))
        table.F_Set_IndexName("ByCode");
    table.Open();
    TField& id = table.FieldByName("Id");
    TField& code = table.FieldByName("Code");
    TField& price = table.FieldByName("Price");
    const bench::BareConnection bare(file.Path);
    sqlite3_stmt* statement = bare.Prepare("SELECT Id, Code, Price FROM parts WHERE Code = ?1");
    int found = 0, bareFound = 0;
    bench::Interleave(
        state,
        std::string("10,000 Locates on an indexed key") + (state.range(0) ? " in its order" : "")
            + ", table / bare SQLite",
        2,
        [&] {
            for (const std::string& key : file.Codes) {
                if (!table.Locate("Code", jet::Variant(key), 0))
                    continue;
                ++found;
                benchmark::DoNotOptimize(id.AsInteger());
                benchmark::DoNotOptimize(code.AsString());
                benchmark::DoNotOptimize(price.AsFloat());
            }
        },
        [&] {
            for (const std::string& key : file.Codes) {
                sqlite3_bind_text(statement, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
                if (sqlite3_step(statement) == SQLITE_ROW) {
                    ++bareFound;
                    benchmark::DoNotOptimize(sqlite3_column_int(statement, 0));
                    benchmark::DoNotOptimize(bench::TextOf(statement, 1).size());
                    benchmark::DoNotOptimize(sqlite3_column_double(statement, 2));
                }
                sqlite3_reset(statement);
            }
        });
    sqlite3_finalize(statement);
    if (found != SearchCount * static_cast<int>(state.iterations()) || bareFound != found)
        state.SkipWithError("a key was not found");
}
BENCHMARK(BM_Locate)->Arg(1)->Arg(0)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// The master walks its 1,000 records and the detail follows each move,
// every row it shows read.
void BM_MasterDetailWalk(benchmark::State& state)
{
    SearchFile& file = File();
    TDaoTable orders;
    orders.F_Set_Database(file.Database.get());
    orders.F_Set_TableName("orders");
    TDataSource source;
    source.SetDataSet(&orders);
    TDaoTable lines;
    lines.F_Set_Database(file.Database.get());
    lines.F_Set_TableName("lines");
    lines.F_Set_MasterSource(&source);
    lines.F_Set_MasterFields(TStringList{"OrderId;"});
    lines.Open();
    TField& order = lines.FieldByName("OrderId");
    TField& item = lines.FieldByName("Item");
    const bench::BareConnection bare(file.Path);
    sqlite3_stmt* master = bare.Prepare("SELECT OrderId FROM orders");
    sqlite3_stmt* detail = bare.Prepare("SELECT LineId, OrderId, Item FROM lines WHERE OrderId = ?1");
    int tableRows = 0, bareRows = 0;
    bool followed = true;
    bench::Interleave(
        state, "master/detail walk of 1,000 x 100 rows, table / bare SQLite", 0,
        [&] {
            for (orders.First(); !orders.Eof(); orders.Next())
                for (lines.First(); !lines.Eof(); lines.Next()) {
                    followed = followed && order.AsInteger() == orders.FieldByName("OrderId").AsInteger();
                    benchmark::DoNotOptimize(item.AsString());
                    ++tableRows;
                }
        },
        [&] {
            while (sqlite3_step(master) == SQLITE_ROW) {
                sqlite3_bind_int(detail, 1, sqlite3_column_int(master, 0));
                while (sqlite3_step(detail) == SQLITE_ROW) {
                    benchmark::DoNotOptimize(sqlite3_column_int(detail, 1));
                    benchmark::DoNotOptimize(bench::TextOf(detail, 2).size());
                    ++bareRows;
                }
                sqlite3_reset(detail);
            }
            sqlite3_reset(master);
        });
    sqlite3_finalize(master);
    sqlite3_finalize(detail);
    if (!followed)
        state.SkipWithError("the detail did not follow");
    if (tableRows != bareRows || tableRows != OrderCount * LinesPerOrder * static_cast<int>(state.iterations()))
        state.SkipWithError("the detail did not show its rows");
}
BENCHMARK(BM_MasterDetailWalk)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::RunInterleavedBenchmarks(argc, argv);
}
