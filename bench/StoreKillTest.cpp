// Kills the program with SIGKILL at random moments while it writes options,
// and checks after each kill that the configuration store opens on the same
// backend, is not corrupt, and holds every option whose write had returned.
// A long test run by hand, kept out of the test command:
//
//   cmake --build build-bench --target store_kill_test
//   build-bench/bench/store_kill_test [runs per case, default 1000] [case names...]
//
// Each run starts writer processes in a fresh Config folder that holds only
// the backend's store. A writer opens the store as the program does and
// writes options 5000 to 5019 in turn with rising values, reporting on a pipe
// each write with the moments it started and returned; it is killed after a
// random delay. The cases:
//
//   dao, xml, server  one writer on each backend alone;
//   dao-busy          one writer on the data-access database while another
//                     program holds the file (as the sqlite3 shell does after
//                     BEGIN EXCLUSIVE) for up to two seconds, at start-up or
//                     while it writes: the writer waits and goes on;
//   dao-two           two writers on one data-access database, writing the
//                     same options with a pause of a millisecond after each
//                     write, as two copies of the program would (a writer in a
//                     tight loop would keep the other from the file). The
//                     embedded server engine serves a file to one process at
//                     a time, so the server backend has no such case here.
//
// After the kills the store must open on the same backend (no other store
// started beside it), hold each option once, and hold for it the value of a
// write that did not end before the last returned write of that option
// began; then it must take a write again.

#include "settings/MDMMain.h"
#include "settings/MDataOptions.h"
#include "settings/MParam.h"
#include "tests/support/ConfigFile.h"
#include "tests/support/FirebirdDatabase.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kFirstOption = 5000;
constexpr int kOptionCount = 20;
constexpr int kMaxKillDelayMs = 40;
// The longest another program holds the data-access database in dao-busy;
// the store waits five seconds for it.
constexpr int kMaxHoldMs = 2000;

struct Case {
    const char* Name;
    // Makes the store in Config/ of the working directory, alone.
    void (*MakeStore)();
    // The file that must hold the store after the kills.
    const char* StoreFile;
    int Writers;
    bool Held;
};

const Case kCases[] = {
    {"dao", [] {}, "Config/Config.dat", 1, false}, // a fresh folder gets the data-access database
    {"xml", [] { AppendXmlConfigRecords({}); }, "Config/Config.xml", 1, false},
    {"server", [] { CreateFirebirdDatabase("Config/Config.fdb"); }, "Config/Config.fdb", 1, false},
    {"dao-busy", [] { TDMMain().CreateConfigDatabase(); }, "Config/Config.dat", 1, true},
    {"dao-two", [] { TDMMain().CreateConfigDatabase(); }, "Config/Config.dat", 2, false},
};

// What a writer tells on its pipe: first whether the store opened (Number 0),
// then each write with its outcome and the moments it started and returned
// (CLOCK_MONOTONIC, the same clock in every process).
struct Report {
    std::int32_t Number = 0;
    std::int32_t Succeeded = 0;
    std::int64_t StartNs = 0;
    std::int64_t EndNs = 0;
};

std::int64_t NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

int OptionOf(std::int32_t number)
{
    return kFirstOption + number % kOptionCount;
}

std::string ValueOf(char writer, std::int32_t number)
{
    return writer + std::to_string(number);
}

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

bool Send(int fd, const Report& report)
{
    return write(fd, &report, sizeof report) == sizeof report;
}

// The writer process: reports whether the store opened, then writes for
// ever, reporting each write; with a second writer it pauses after each.
int RunWriter(int reportFd, char writer, bool pause)
{
    CreateDataModules();
    MParam& param = *MParam::GetInstance();
    Report opened;
    opened.Succeeded = param.Open() ? 1 : 0;
    if (!Send(reportFd, opened) || !opened.Succeeded)
        return 1;
    for (std::int32_t i = 1;; ++i) {
        Report report;
        report.Number = i;
        report.StartNs = NowNs();
        report.Succeeded = param.WriteOption(std::to_string(OptionOf(i)), ValueOf(writer, i), "DEFAULT") ? 1 : 0;
        report.EndNs = NowNs();
        if (!Send(reportFd, report))
            return 1;
        if (pause)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

struct Totals {
    int Runs = 0;
    long WritesReturned = 0;
    int Failed = 0; // runs whose store was lost, corrupt, duplicated or missing a write
    int RefusedWrites = 0;
    int StrayFiles = 0;
};

// A writer process started in `folder`, with the read end of its pipe.
struct Writer {
    char Name = 'a';
    pid_t Pid = 0;
    int ReadFd = -1;
    std::vector<Report> Reports;
};

Writer StartWriter(const char* self, const std::string& folder, char name, bool pause)
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
        const char nameText[2] = {name, 0};
        execl(self, self, "--writer", fd.c_str(), nameText, pause ? "pause" : "", static_cast<char*>(nullptr));
        _exit(3);
    }
    close(fds[1]);
    return Writer{name, pid, fds[0], {}};
}

void ReadReports(Writer& writer)
{
    Report report;
    while (read(writer.ReadFd, &report, sizeof report) == sizeof report)
        writer.Reports.push_back(report);
    close(writer.ReadFd);
}

// Another program's hold on a database file, as the sqlite3 shell takes it
// with BEGIN EXCLUSIVE.
class Hold {
public:
    explicit Hold(const char* file)
    {
        if (sqlite3_open(file, &Db) != SQLITE_OK)
            std::abort();
        // A writer busy in a loop may keep it from the file for a while; as
        // an operator would, it tries again.
        sqlite3_busy_timeout(Db, 100);
        while (sqlite3_exec(Db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
            ;
    }
    ~Hold() { sqlite3_close(Db); } // ends the transaction
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    sqlite3* Db = nullptr;
};

// The table of the store that MParam opened.
TDataSet& OpenStoreTable()
{
    if (DMMain->KTableConfig && DMMain->KTableConfig->Active())
        return *DMMain->KTableConfig;
    if (DMMain->FirebirdTableConfig->Active())
        return *DMMain->FirebirdTableConfig;
    return *DataModuleOptions->DataSetOptions;
}

// Checks the store after the kills; the reason it fails, or "".
std::string CheckStore(const Case& c, const std::vector<Writer>& writers, Totals& totals)
{
    struct Candidate {
        std::string Value;
        std::int64_t StartNs;
        std::int64_t EndNs; // the end of time for a write under way at the kill
    };
    // Per option: every value that may have landed, and the last write that
    // returned true.
    std::map<int, std::vector<Candidate>> candidates;
    std::map<int, Candidate> lastReturned;
    for (const Writer& writer : writers) {
        if (writer.Reports.empty() || !writer.Reports.front().Succeeded)
            return std::string("writer ") + writer.Name + " could not open the store";
        std::int32_t lastNumber = 0;
        for (std::size_t i = 1; i < writer.Reports.size(); ++i) {
            const Report& report = writer.Reports[i];
            lastNumber = report.Number;
            const Candidate candidate{ValueOf(writer.Name, report.Number), report.StartNs, report.EndNs};
            // A refused write may still land: the XML store keeps it in
            // memory and writes it with the next write that succeeds.
            candidates[OptionOf(report.Number)].push_back(candidate);
            if (!report.Succeeded) {
                ++totals.RefusedWrites;
                continue;
            }
            ++totals.WritesReturned;
            Candidate& last = lastReturned[OptionOf(report.Number)];
            if (report.EndNs > last.EndNs)
                last = candidate;
        }
        const std::int32_t inFlight = lastNumber + 1;
        candidates[OptionOf(inFlight)].push_back(
            {ValueOf(writer.Name, inFlight), 0, std::numeric_limits<std::int64_t>::max()});
    }

    CreateDataModules();
    MParam& param = *MParam::GetInstance();
    std::string failure;
    if (!param.Open())
        failure = "the store does not open";
    else if (!param.StoreNote().empty())
        failure = "the store was unreadable: " + param.StoreNote();
    else if (!QFile::exists(c.StoreFile))
        failure = "another backend opened";
    std::map<std::string, int> records;
    if (failure.empty())
        for (const ConfigRecord& record : ReadConfigRecords(OpenStoreTable()))
            if (record[0] == "DEFAULT" && ++records[record[1]] == 2)
                failure = "option " + record[1] + " is stored twice";
    if (failure.empty() && QFile::exists("Config/Config.xml") && std::string(c.StoreFile) != "Config/Config.xml")
        failure = "another store was started beside it";
    for (int id = kFirstOption; failure.empty() && id < kFirstOption + kOptionCount; ++id) {
        const std::string stored = param.ReadOption(std::to_string(id), "DEFAULT");
        const auto last = lastReturned.find(id);
        if (last == lastReturned.end() && stored.empty())
            continue;
        const std::int64_t lastStart = last == lastReturned.end() ? 0 : last->second.StartNs;
        const std::vector<Candidate>& possible = candidates[id];
        // The value of a write that ended before the last returned one began
        // would have been overwritten by it.
        const bool held = std::any_of(possible.begin(), possible.end(), [&](const Candidate& candidate) {
            return candidate.Value == stored && candidate.EndNs >= lastStart;
        });
        if (!held)
            failure = "option " + std::to_string(id) + " holds \"" + stored + "\", expected "
                + (last == lastReturned.end() ? std::string("nothing") : last->second.Value) + " or later";
    }
    // A write the kill left half done (a journal never completed) is no
    // obstacle to the next one, which also clears what it left.
    if (failure.empty() && !param.WriteOption(std::to_string(kFirstOption), "after the kill", "DEFAULT"))
        failure = "the store refuses writes after the kill";
    param.Close();
    DestroyDataModules();
    // The engine's hidden lock file goes with the last connection.
    totals.StrayFiles += static_cast<int>(QDir("Config").entryList(QDir::Files | QDir::Hidden).size()) - 1;
    return failure;
}

void RunCase(const char* self, const Case& c, int runs, std::mt19937& random, const std::string& base)
{
    Totals totals;
    std::uniform_int_distribution<int> delayMs(0, kMaxKillDelayMs);
    std::uniform_int_distribution<int> holdMs(0, kMaxHoldMs);
    std::bernoulli_distribution heldAtStart(0.5);
    for (int run = 0; run < runs; ++run) {
        const std::string folder = base + "/" + c.Name;
        QDir(QString::fromStdString(folder)).removeRecursively();
        QDir().mkpath(QString::fromStdString(folder + "/Config"));
        QDir::setCurrent(QString::fromStdString(folder));
        c.MakeStore();

        std::optional<Hold> hold;
        const bool holdFirst = c.Held && heldAtStart(random);
        if (holdFirst)
            hold.emplace(c.StoreFile);
        std::vector<Writer> writers;
        for (int i = 0; i < c.Writers; ++i)
            writers.push_back(StartWriter(self, folder, char('a' + i), c.Writers > 1));
        if (holdFirst) {
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs(random)));
            hold.reset();
        }
        // The kills come once the store is open.
        for (Writer& writer : writers) {
            Report opened;
            if (read(writer.ReadFd, &opened, sizeof opened) == sizeof opened)
                writer.Reports.push_back(opened);
        }
        if (c.Held && !holdFirst) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
            hold.emplace(c.StoreFile);
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs(random)));
            hold.reset();
        }
        // Each writer is killed at a moment of its own.
        for (Writer& writer : writers) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
            kill(writer.Pid, SIGKILL);
        }
        for (Writer& writer : writers) {
            waitpid(writer.Pid, nullptr, 0);
            ReadReports(writer);
        }

        const std::string failure = CheckStore(c, writers, totals);
        ++totals.Runs;
        if (!failure.empty()) {
            ++totals.Failed;
            std::cout << c.Name << " run " << run << ": " << failure << std::endl;
        }
    }
    std::cout << c.Name << ": " << totals.Runs << " runs killed, " << totals.WritesReturned
              << " writes returned, " << totals.Failed
              << " runs with a lost, duplicated, corrupt or unopenable store, " << totals.RefusedWrites
              << " writes refused, " << totals.StrayFiles << " stray files left beside the store" << std::endl;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--writer") == 0)
        return RunWriter(std::atoi(argv[2]), argv[3][0], std::strcmp(argv[4], "pause") == 0);

    const int runs = argc > 1 ? std::atoi(argv[1]) : 1000;
    const std::vector<std::string> chosen(argv + std::min(argc, 2), argv + argc);
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/store-kill-test-" + std::to_string(getpid());
    const unsigned seed = std::random_device{}();
    std::cout << "seed " << seed << ", " << runs << " runs per case, in " << base << std::endl;
    std::mt19937 random(seed);
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    for (const Case& c : kCases)
        if (chosen.empty() || std::find(chosen.begin(), chosen.end(), c.Name) != chosen.end())
            RunCase(self, c, runs, random, base);
    QDir(QString::fromStdString(base)).removeRecursively();
    return 0;
}
