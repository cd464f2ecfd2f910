// The table component against the engine layer underneath it, in one run:
// opening the settings table of 1,000 options and reading every option, and
// walking 100,000 rows reading a field by name. The component should stay
// within 3x of the engine layer doing the same work directly.
#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"
#include "tests/support/ConfigDatabase.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

// A database file with a "config" table of `rows` options, connected.
class ConfigFile {
public:
    explicit ConfigFile(int rows)
    {
        const std::string path = Folder.filePath("Config.dat").toStdString();
        support::MakeConfigDatabase(path, rows);
        Database = support::ConnectedDatabase(path);
    }

    QTemporaryDir Folder;
    std::unique_ptr<TDaoDatabase> Database;
};

ConfigFile& Options()
{
    static ConfigFile file(1000);
    return file;
}

ConfigFile& Rows()
{
    static ConfigFile file(100000);
    return file;
}

void BM_TableOpenAndReadOptions(benchmark::State& state)
{
    ConfigFile& file = Options();
    for (auto _ : state) {
        TDaoTable table;
        table.F_Set_Database(file.Database.get());
        table.F_Set_TableName("config");
        table.Open();
        std::size_t bytes = 0;
        TField& configName = table.FieldByName("ConfigName");
        TField& optionName = table.FieldByName("OptionName");
        TField& optionValue = table.FieldByName("OptionValue");
        for (; !table.Eof(); table.Next())
            bytes += configName.AsString().size() + optionName.AsString().size() + optionValue.AsString().size();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_TableOpenAndReadOptions)->Unit(benchmark::kMillisecond);

void BM_EngineOpenAndReadOptions(benchmark::State& state)
{
    ConfigFile& file = Options();
    for (auto _ : state) {
        const auto rs = file.Database->DatabaseObject->OpenRecordset("config", jet::dbOpenDynaset, 0, jet::dbOptimistic);
        std::size_t bytes = 0;
        auto& fields = rs->Fields();
        const auto configName = fields.Item("ConfigName");
        const auto optionName = fields.Item("OptionName");
        const auto optionValue = fields.Item("OptionValue");
        for (; !rs->Eof(); rs->MoveNext())
            bytes += jet::VarToStr(configName->Value()).size() + jet::VarToStr(optionName->Value()).size()
                + jet::VarToStr(optionValue->Value()).size();
        rs->Close();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_EngineOpenAndReadOptions)->Unit(benchmark::kMillisecond);

void BM_TableWalkRows(benchmark::State& state)
{
    ConfigFile& file = Rows();
    TDaoTable table;
    table.F_Set_Database(file.Database.get());
    table.F_Set_TableName("config");
    table.Open();
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (table.First(); !table.Eof(); table.Next())
            bytes += table.FieldByName("OptionValue").AsString().size();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_TableWalkRows)->Unit(benchmark::kMillisecond);

void BM_EngineWalkRows(benchmark::State& state)
{
    ConfigFile& file = Rows();
    const auto rs = file.Database->DatabaseObject->OpenRecordset("config", jet::dbOpenDynaset, 0, jet::dbOptimistic);
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            bytes += jet::VarToStr(rs->Fields().Item("OptionValue")->Value()).size();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_EngineWalkRows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
