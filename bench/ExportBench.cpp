// Exporting 100,000 rows of five fields (a long, two texts, one of them
// Chinese, a double and a date) from a database file to delimited text and
// to an Excel 8.0 workbook, through the engine's SELECT ... INTO ... IN and
// through the table component's exports (which compose that statement and
// remove the old file); each is to take under 2 s.
#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"
#include "platform/jet/Jet.h"
#include "tests/support/ConfigDatabase.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int RowCount = 100000;

struct Fixture {
    QTemporaryDir Folder;
    jet::DBEnginePtr Engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    jet::WorkspacePtr Workspace = Engine->CreateWorkspace("Bench", "Admin", "");
    jet::DatabasePtr Db;

    Fixture()
    {
        Db = Workspace->CreateDatabase(Path("bench.mdb"), ";LANGID=0x0409;CP=1252;COUNTRY=0");
        const jet::TableDefPtr table = Db->CreateTableDef("Measures");
        table->Fields().Append(table->CreateField("Id", jet::dbLong));
        table->Fields().Append(table->CreateField("Shape", jet::dbText, 50));
        table->Fields().Append(table->CreateField("Label", jet::dbText, 50));
        table->Fields().Append(table->CreateField("Length", jet::dbDouble));
        table->Fields().Append(table->CreateField("Taken", jet::dbDate));
        Db->TableDefs().Append(table);
        Workspace->BeginTrans();
        const jet::RecordsetPtr rows = Db->OpenRecordset("Measures", jet::dbOpenTable);
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
        Workspace->CommitTrans();
    }

    std::string Path(const std::string& name) const { return Folder.filePath(QString::fromStdString(name)).toStdString(); }
};

Fixture& Shared()
{
    static Fixture fixture;
    return fixture;
}

void Export(benchmark::State& state, const std::string& target, const std::string& file)
{
    Fixture& fixture = Shared();
    for (auto _ : state) {
        std::filesystem::remove(fixture.Path(file));
        fixture.Db->Execute("SELECT * INTO " + target + " FROM [Measures]");
    }
    state.counters["rows"] = static_cast<double>(fixture.Db->RecordsAffected());
}

void ExportToText(benchmark::State& state)
{
    Export(state, "[measures#csv] IN \"" + Shared().Path("") + "\"[Text;]", "measures.csv");
}

void ExportToExcel8(benchmark::State& state)
{
    Export(state, "[Measures] IN \"" + Shared().Path("measures.xls") + "\"[Excel 8.0;]", "measures.xls");
}

// The open table component over the same file.
struct Component {
    std::unique_ptr<TDaoDatabase> Database = support::ConnectedDatabase(Shared().Path("bench.mdb"));
    TDaoTable Table;

    Component()
    {
        Table.F_Set_Database(Database.get());
        Table.F_Set_TableName("Measures");
        Table.Open();
    }
};

void TableExportToText(benchmark::State& state)
{
    Component component;
    for (auto _ : state)
        component.Table.AccessExportToTXT(Shared().Path("table.csv"), false, true);
    state.counters["rows"] = static_cast<double>(component.Table.FRecordsAffected);
}

void TableExportToExcel8(benchmark::State& state)
{
    Component component;
    for (auto _ : state)
        component.Table.AccessExportToExcel(Shared().Path("table.xls"), "Measures", 8, false, true);
    state.counters["rows"] = static_cast<double>(component.Table.FRecordsAffected);
}

} // namespace

BENCHMARK(ExportToText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ExportToExcel8)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TableExportToText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TableExportToExcel8)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
