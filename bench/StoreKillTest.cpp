// Kills the program with SIGKILL at random moments while it writes options,
// and checks after each kill that the configuration store opens on the same
// backend, is not corrupt, and holds every option whose write had returned.
// A long test run by hand, kept out of the test command:
//
//   cmake --build build-bench --target store_kill_test
//   build-bench/bench/store_kill_test [runs per backend, default 1000] [backend names...]
//
// Each run starts a writer process in a fresh Config folder that holds only
// the backend's store. The writer opens the store as the program does and
// writes options 5000 to 5019 in turn with rising values, reporting on a pipe
// each write that returned true; it is killed after a random delay. The store
// must then hold, for each option, the last value reported or the one being
// written when the kill came, and take a write again.

#include "settings/MDMMain.h"
#include "settings/MDataOptions.h"
#include "settings/MParam.h"
#include "tests/support/ConfigFile.h"
#include "tests/support/FirebirdDatabase.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kFirstOption = 5000;
constexpr int kOptionCount = 20;
constexpr int kMaxKillDelayMs = 40;

struct Backend {
    const char* Name;
    // Makes the store in Config/ of the working directory, alone.
    void (*MakeStore)();
    // The file that must hold the store after the kill.
    const char* StoreFile;
};

const Backend kBackends[] = {
    {"dao", [] {}, "Config/Config.dat"}, // a fresh folder gets the data-access database
    {"xml", [] { AppendXmlConfigRecords({}); }, "Config/Config.xml"},
    {"server", [] { CreateFirebirdDatabase("Config/Config.fdb"); }, "Config/Config.fdb"},
};

void CreateDataModules()
{
    DataModuleOptions = new TDataModuleOptions();
    DMMain = new TDMMain();
}

void DestroyDataModules()
{
    MParam::ResetForTesting();
    delete DMMain;
    DMMain = nullptr;
    delete DataModuleOptions;
    DataModuleOptions = nullptr;
}

// The writer process: reports -1 when the store did not open, else writes
// for ever, reporting the number of each write that returned true.
int RunWriter(int reportFd)
{
    CreateDataModules();
    MParam& param = *MParam::GetInstance();
    std::int32_t report = param.Open() ? 0 : -1;
    if (write(reportFd, &report, sizeof report) != sizeof report || report < 0)
        return 1;
    for (std::int32_t i = 1;; ++i) {
        const int id = kFirstOption + i % kOptionCount;
        report = param.WriteOption(std::to_string(id), std::to_string(i), "DEFAULT") ? i : -i;
        if (write(reportFd, &report, sizeof report) != sizeof report)
            return 1;
    }
}

struct Totals {
    int Runs = 0;
    long WritesReturned = 0;
    int Failed = 0; // runs whose store was lost, corrupt or missing a write
    int RefusedWrites = 0;
    int StrayFiles = 0;
};

// Starts the writer in `folder`; returns its pid and the pipe's read end.
pid_t StartWriter(const char* self, const std::string& folder, int& readFd)
{
    int fds[2];
    if (pipe(fds) != 0)
        std::abort();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (chdir(folder.c_str()) != 0)
            _exit(2);
        const std::string fd = std::to_string(fds[1]);
        execl(self, self, "--writer", fd.c_str(), static_cast<char*>(nullptr));
        _exit(3);
    }
    close(fds[1]);
    readFd = fds[0];
    return pid;
}

std::vector<std::int32_t> ReadReports(int fd)
{
    std::vector<std::int32_t> reports;
    std::int32_t value = 0;
    while (read(fd, &value, sizeof value) == sizeof value)
        reports.push_back(value);
    close(fd);
    return reports;
}

// Checks the store after a kill; the reason it fails, or "".
std::string CheckStore(const Backend& backend, const std::vector<std::int32_t>& reports, Totals& totals)
{
    if (reports.empty() || reports.front() < 0)
        return "the writer could not open the store";
    std::map<int, std::int32_t> lastReturned;
    std::int32_t lastWrite = 0;
    for (std::size_t i = 1; i < reports.size(); ++i) {
        const std::int32_t write = reports[i] < 0 ? -reports[i] : reports[i];
        lastWrite = write;
        if (reports[i] < 0) {
            ++totals.RefusedWrites;
            continue;
        }
        ++totals.WritesReturned;
        lastReturned[kFirstOption + write % kOptionCount] = write;
    }

    CreateDataModules();
    MParam& param = *MParam::GetInstance();
    std::string failure;
    if (!param.Open())
        failure = "the store does not open";
    else if (!param.StoreNote().empty())
        failure = "the store was unreadable: " + param.StoreNote();
    else if (!QFile::exists(backend.StoreFile))
        failure = "another backend opened";
    for (int id = kFirstOption; failure.empty() && id < kFirstOption + kOptionCount; ++id) {
        const std::string stored = param.ReadOption(std::to_string(id), "DEFAULT");
        const auto returned = lastReturned.find(id);
        const std::int32_t last = returned == lastReturned.end() ? 0 : returned->second;
        // The write under way when the kill came may or may not have landed.
        const std::int32_t inFlight = lastWrite + 1;
        const bool inFlightHeld = id == kFirstOption + inFlight % kOptionCount && stored == std::to_string(inFlight);
        const bool lastHeld = last == 0 ? stored.empty() : stored == std::to_string(last);
        if (!lastHeld && !inFlightHeld)
            failure = "option " + std::to_string(id) + " holds \"" + stored + "\", expected " + std::to_string(last);
    }
    // A write the kill left half done (a journal never completed) is no
    // obstacle to the next one, which also clears what it left.
    if (failure.empty() && !param.WriteOption(std::to_string(kFirstOption), "after the kill", "DEFAULT"))
        failure = "the store refuses writes after the kill";
    param.Close();
    DestroyDataModules();
    totals.StrayFiles += static_cast<int>(QDir("Config").entryList(QDir::Files).size()) - 1;
    return failure;
}

void RunBackend(const char* self, const Backend& backend, int runs, std::mt19937& random, const std::string& base)
{
    Totals totals;
    std::uniform_int_distribution<int> delayMs(0, kMaxKillDelayMs);
    for (int run = 0; run < runs; ++run) {
        const std::string folder = base + "/" + backend.Name;
        QDir(QString::fromStdString(folder)).removeRecursively();
        QDir().mkpath(QString::fromStdString(folder + "/Config"));
        QDir::setCurrent(QString::fromStdString(folder));
        backend.MakeStore();

        int readFd = -1;
        const pid_t writer = StartWriter(self, folder, readFd);
        std::int32_t opened = -1;
        if (read(readFd, &opened, sizeof opened) != sizeof opened)
            opened = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        std::vector<std::int32_t> reports = ReadReports(readFd);
        reports.insert(reports.begin(), opened);

        const std::string failure = CheckStore(backend, reports, totals);
        ++totals.Runs;
        if (!failure.empty()) {
            ++totals.Failed;
            std::cout << backend.Name << " run " << run << ": " << failure << std::endl;
        }
    }
    std::cout << backend.Name << ": " << totals.Runs << " runs killed, " << totals.WritesReturned
              << " writes returned, " << totals.Failed << " runs with a lost, corrupt or unopenable store, "
              << totals.RefusedWrites << " writes refused, " << totals.StrayFiles
              << " stray files left beside the store" << std::endl;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--writer") == 0)
        return RunWriter(std::atoi(argv[2]));

    const int runs = argc > 1 ? std::atoi(argv[1]) : 1000;
    const std::vector<std::string> chosen(argv + std::min(argc, 2), argv + argc);
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/store-kill-test-" + std::to_string(getpid());
    const unsigned seed = std::random_device{}();
    std::cout << "seed " << seed << ", " << runs << " runs per backend, in " << base << std::endl;
    std::mt19937 random(seed);
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    for (const Backend& backend : kBackends)
        if (chosen.empty() || std::find(chosen.begin(), chosen.end(), backend.Name) != chosen.end())
            RunBackend(self, backend, runs, random, base);
    QDir(QString::fromStdString(base)).removeRecursively();
    return 0;
}
