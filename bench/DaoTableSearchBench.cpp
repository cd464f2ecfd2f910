// The table component's searches and its master/detail link, in one run
// beside the engine layer doing the same work directly:
//  - 10,000 Locate calls on an indexed key of a 100,000-row table against
//    10,000 Seeks of the engine that read the record found; the component
//    should stay within 2x;
//  - a master moving over 1,000 records whose detail shows 100 rows each;
//    the whole walk should take under a second (also when every detail row
//    is read, which is mostly the cost of reading 100,000 rows).
#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"
#include "tests/support/ConfigDatabase.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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
        const std::string path = Folder.filePath("Search.dat").toStdString();
        Make(path);
        Database = support::ConnectedDatabase(path);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> anyPart(1, PartCount);
        for (int i = 0; i < SearchCount; ++i)
            Codes.push_back(CodeOf(anyPart(random)));
    }

    QTemporaryDir Folder;
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
void BM_TableLocate(benchmark::State& state)
{
    SearchFile& file = File();
    TDaoTable table;
    table.F_Set_Database(file.Database.get());
    table.F_Set_TableType(jet::dbOpenTable);
    table.F_Set_TableName("parts");
    if (state.range(0))
        table.F_Set_IndexName("ByCode");
    table.Open();
    for (auto _ : state) {
        int found = 0;
        for (const std::string& code : file.Codes)
            found += table.Locate("Code", code, 0) ? 1 : 0;
        if (found != SearchCount)
            state.SkipWithError("a key was not found");
    }
}
BENCHMARK(BM_TableLocate)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The same seeks on the engine: on the table ordered by the index (range 0),
// or as a search that must not lose the table's place does them, on a clone
// ordered by the index, moving the table to the record found (range 1).
void BM_EngineSeek(benchmark::State& state)
{
    SearchFile& file = File();
    const auto rs = file.Database->DatabaseObject->OpenRecordset("parts", jet::dbOpenTable, 0, jet::dbOptimistic);
    const bool onClone = state.range(0) != 0;
    const auto searched = onClone ? rs->Clone() : rs;
    searched->SetIndex("ByCode");
    auto& fields = rs->Fields();
    const auto id = fields.Item("Id");
    const auto code = fields.Item("Code");
    const auto price = fields.Item("Price");
    for (auto _ : state) {
        int found = 0;
        std::size_t bytes = 0;
        for (const std::string& key : file.Codes) {
            searched->Seek("=", {jet::Variant(key)});
            if (searched->NoMatch())
                continue;
            ++found;
            if (onClone)
                rs->SetBookmark(searched->Bookmark());
            bytes += jet::VarToStr(id->Value()).size() + jet::VarToStr(code->Value()).size()
                + jet::VarToStr(price->Value()).size();
        }
        benchmark::DoNotOptimize(bytes);
        if (found != SearchCount)
            state.SkipWithError("a key was not found");
    }
}
BENCHMARK(BM_EngineSeek)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The master walks its 1,000 records and the detail follows each move; with
// range 1 every row the detail shows is read too (100,000 reads in all).
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
    const bool everyRow = state.range(0) != 0;
    for (auto _ : state) {
        int rows = 0;
        std::size_t bytes = 0;
        for (orders.First(); !orders.Eof(); orders.Next()) {
            if (order.AsInteger() != orders.FieldByName("OrderId").AsInteger())
                state.SkipWithError("the detail did not follow");
            if (!everyRow) {
                bytes += item.AsString().size();
                continue;
            }
            for (lines.First(); !lines.Eof(); lines.Next()) {
                bytes += item.AsString().size();
                ++rows;
            }
        }
        benchmark::DoNotOptimize(bytes);
        if (everyRow && rows != OrderCount * LinesPerOrder)
            state.SkipWithError("the detail did not show its rows");
    }
}
BENCHMARK(BM_MasterDetailWalk)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
