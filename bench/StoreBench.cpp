// The configuration store on each backend, as the program meets it: the
// data modules made and the store opened on a Config folder holding every
// option and ten rulers (what the main window waits for when it is first
// shown), and one option written (what a click on a view switch costs; the
// write is on disk when it returns).
#include "settings/MDMMain.h"
#include "settings/MDataOptions.h"
#include "settings/MParam.h"
#include "tests/support/ConfigFile.h"
#include "tests/support/FirebirdDatabase.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

enum Backend { Dao, Xml, Server };

// Every option at its default and ten rulers of four records.
std::vector<ConfigRecord> TypicalRecords()
{
    std::vector<ConfigRecord> records;
    MParam::ResetForTesting();
    for (int id = 100; id <= 1300; ++id) {
        std::string text;
        MParam::GetInstance()->GetText(id, text);
        if (!text.empty())
            records.push_back({"DEFAULT", std::to_string(id), text});
    }
    MParam::ResetForTesting();
    for (int ruler = 0; ruler < 10; ++ruler)
        for (const char* key : {"RULERVALUEHORI", "RULERVALUEVERT", "RULERUNITHORI", "RULERUNITVERT"})
            records.push_back({key, "Objective " + std::to_string(ruler), "0.0125"});
    return records;
}

// A working folder whose Config holds the backend's store alone.
class StoreFolder {
public:
    explicit StoreFolder(Backend backend)
    {
        QDir::setCurrent(Folder.path());
        QDir().mkdir("Config");
        const std::vector<ConfigRecord> records = TypicalRecords();
        if (backend == Dao) {
            CreateConfigDatabase(records);
        } else if (backend == Xml) {
            AppendXmlConfigRecords(records);
        } else {
            std::vector<std::string> statements = kConfigTableDefinition;
            for (const ConfigRecord& r : records)
                statements.push_back("INSERT INTO CONFIG VALUES ('" + r[0] + "', '" + r[1] + "', '" + r[2] + "')");
            CreateFirebirdDatabase("Config/Config.fdb", statements);
        }
    }

    QTemporaryDir Folder;
};

void OpenStore()
{
    DataModuleOptions = new TDataModuleOptions();
    DMMain = new TDMMain();
    if (!MParam::GetInstance()->Open())
        std::abort();
}

void CloseStore()
{
    MParam::GetInstance()->Close();
    MParam::ResetForTesting();
    delete DMMain;
    DMMain = nullptr;
    delete DataModuleOptions;
    DataModuleOptions = nullptr;
}

void BM_StoreOpen(benchmark::State& state)
{
    const StoreFolder folder(static_cast<Backend>(state.range(0)));
    for (auto _ : state) {
        OpenStore();
        state.PauseTiming();
        CloseStore();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StoreOpen)->ArgName("dao_xml_server")->DenseRange(Dao, Server)->Unit(benchmark::kMillisecond);

void BM_StoreWriteOption(benchmark::State& state)
{
    const StoreFolder folder(static_cast<Backend>(state.range(0)));
    OpenStore();
    int value = 0;
    for (auto _ : state) {
        if (!MParam::GetInstance()->WriteOption("404", std::to_string(++value % 2), "DEFAULT"))
            std::abort();
    }
    CloseStore();
}
BENCHMARK(BM_StoreWriteOption)->ArgName("dao_xml_server")->DenseRange(Dao, Server)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
