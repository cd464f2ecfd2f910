// Start-up: the real program started as a process until its main window is
// first painted, against a minimal Qt program (minimal_window) showing the
// same picture, started and watched the same way; both under the X display
// of the environment, interleaved in one run. Target: at most 1.5 times the
// minimal window (the ratio printed at the end, the median of the rounds').
//
// A start ends when the X server first reports drawing (a DAMAGE event) on a
// normal top-level window of the started process: the splash and the tool
// windows do not count. The process is then killed. The program runs in a
// working folder of its own holding the picture as Images/Default.bmp, with
// a private runtime folder, so a copy of the program already running
// elsewhere is not asked to come to the front; the folder is emptied before
// each start, as a copy that ended normally leaves it. One start of each, not
// measured, goes first: it makes the program's settings store and brings the
// files into the page cache.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build-bench/bench/startup_bench [--picture=FILE.bmp]
// (configured as bench/CMakeLists.txt says).
#include "Interleaved.h"
#include "PictureArgument.h"

#include <benchmark/benchmark.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kStarts = 21;
constexpr auto kTimeout = std::chrono::seconds(20);

// The X display, watched for the windows the started processes make.
class Display {
public:
    Display()
    {
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_))
            return;
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection_, &xcb_damage_id);
        if (!damage || !damage->present)
            return;
        damageEvent_ = damage->first_event + XCB_DAMAGE_NOTIFY;
        std::free(xcb_damage_query_version_reply(connection_, xcb_damage_query_version(connection_, 1, 1), nullptr));
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const std::uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &events);
        pid_ = Atom("_NET_WM_PID");
        windowType_ = Atom("_NET_WM_WINDOW_TYPE");
        normal_ = Atom("_NET_WM_WINDOW_TYPE_NORMAL");
        xcb_flush(connection_);
        usable_ = true;
    }
    ~Display() { xcb_disconnect(connection_); }

    bool Usable() const { return usable_; }

    // Waits until a normal top-level window of `process` is first drawn on;
    // the time then, or nothing after the time-out or when the process ends.
    std::optional<Clock::time_point> FirstPaintOf(pid_t process)
    {
        std::set<xcb_window_t> watched;
        const Clock::time_point deadline = Clock::now() + kTimeout;
        pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
        while (Clock::now() < deadline) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
                const int type = event->response_type & 0x7F;
                if (type == XCB_CREATE_NOTIFY) {
                    // Watched from its creation, so no drawing is missed.
                    const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                    xcb_damage_create(connection_, xcb_generate_id(connection_), created->window,
                                      XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                    xcb_flush(connection_);
                    watched.insert(created->window);
                } else if (type == damageEvent_) {
                    const Clock::time_point when = Clock::now();
                    const auto* damaged = reinterpret_cast<xcb_damage_notify_event_t*>(event);
                    if (watched.count(damaged->drawable) && IsMainWindowOf(damaged->drawable, process))
                        return when;
                }
            }
            if (waitpid(process, nullptr, WNOHANG) == process)
                return std::nullopt;
            poll(&descriptor, 1, 5);
        }
        return std::nullopt;
    }

private:
    xcb_atom_t Atom(const char* name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, std::uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    std::vector<std::uint32_t> Property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
    {
        std::vector<std::uint32_t> values;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, window, name, type, 0, 32), nullptr);
        if (reply && reply->format == 32) {
            const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
            values.assign(data, data + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return values;
    }

    bool IsMainWindowOf(xcb_window_t window, pid_t process)
    {
        const std::vector<std::uint32_t> pid = Property(window, pid_, XCB_ATOM_CARDINAL);
        if (pid.empty() || pid_t(pid.front()) != process)
            return false;
        const std::vector<std::uint32_t> types = Property(window, windowType_, XCB_ATOM_ATOM);
        return !types.empty() && types.front() == normal_;
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    int damageEvent_ = -1;
    xcb_atom_t pid_ = XCB_ATOM_NONE;
    xcb_atom_t windowType_ = XCB_ATOM_NONE;
    xcb_atom_t normal_ = XCB_ATOM_NONE;
    bool usable_ = false;
};

Display& TheDisplay()
{
    static Display display;
    return display;
}

struct Folders {
    fs::path work;    // the program's working folder
    fs::path runtime; // its private runtime folder
    std::string picture;
};

Folders& TheFolders()
{
    static Folders folders;
    return folders;
}

// Starts `arguments` in `folder` and waits for its main window's first
// paint; the seconds it took, or nothing when it never came. The process
// is killed either way.
std::optional<double> TimeToFirstPaint(const std::vector<std::string>& arguments, const fs::path& folder)
{
    // Each start finds the runtime folder as a program that ended well
    // leaves it, without the marker of the copy killed before.
    for (const fs::directory_entry& entry : fs::directory_iterator(TheFolders().runtime))
        fs::remove_all(entry.path());
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const Clock::time_point start = Clock::now();
    const pid_t process = fork();
    if (process == 0) {
        if (chdir(folder.c_str()) == 0) {
            setenv("XDG_RUNTIME_DIR", TheFolders().runtime.c_str(), 1);
            unsetenv("QT_QPA_PLATFORM");
            execv(argv[0], argv.data());
        }
        _exit(127);
    }
    if (process < 0)
        return std::nullopt;
    const std::optional<Clock::time_point> painted = TheDisplay().FirstPaintOf(process);
    kill(process, SIGKILL);
    waitpid(process, nullptr, 0);
    if (!painted)
        return std::nullopt;
    return std::chrono::duration<double>(*painted - start).count();
}

std::optional<double> StartProgram()
{
    return TimeToFirstPaint({QUORVEX_PROGRAM}, TheFolders().work);
}

std::optional<double> StartMinimalWindow()
{
    return TimeToFirstPaint({MINIMAL_WINDOW_PROGRAM, TheFolders().picture}, TheFolders().work);
}

// One start of each a round, A first in one round and B first in the next,
// as Interleaved.h runs work in process; the times are the starts' own.
void Startup(benchmark::State& state)
{
    std::vector<double> timesA, timesB, ratios;
    bool programFirst = true;
    for (auto _ : state) {
        std::optional<double> program, minimal;
        if (programFirst) {
            program = StartProgram();
            minimal = StartMinimalWindow();
        } else {
            minimal = StartMinimalWindow();
            program = StartProgram();
        }
        programFirst = !programFirst;
        if (!program || !minimal) {
            state.SkipWithError("no main window was painted");
            return;
        }
        state.SetIterationTime(*program);
        timesA.push_back(*program);
        timesB.push_back(*minimal);
        ratios.push_back(*program / *minimal);
    }
    const bench::Comparison result{"start-up to the main window's first paint, program / minimal Qt window",
                                   bench::Median(timesA), bench::Median(timesB), bench::Median(ratios), 1.5};
    state.counters["A_ms"] = result.MedianA * 1e3;
    state.counters["B_ms"] = result.MedianB * 1e3;
    state.counters["ratio"] = result.Ratio;
    bench::Comparisons().push_back(result);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string picture = fs::absolute(bench::TakePictureArgument(argc, argv, QUORVEX_DEFAULT_PICTURE)).string();
    if (!TheDisplay().Usable()) {
        std::fprintf(stderr, "startup_bench needs an X display with the DAMAGE extension "
                             "(run it under xvfb-run, as its head says)\n");
        return 1;
    }
    char work[] = "/tmp/startup_bench.XXXXXX";
    if (!mkdtemp(work))
        return 1;
    Folders& folders = TheFolders();
    folders.work = work;
    folders.runtime = folders.work / "runtime";
    folders.picture = picture;
    for (const char* folder : {"Images", "Config", "Output", "runtime"})
        fs::create_directories(folders.work / folder);
    fs::permissions(folders.runtime, fs::perms::owner_all, fs::perm_options::replace);
    fs::copy_file(picture, folders.work / "Images" / "Default.bmp");

    std::printf("Picture %s; a first start of each, not measured...\n", picture.c_str());
    if (!StartProgram() || !StartMinimalWindow()) {
        std::fprintf(stderr, "a first start painted no main window\n");
        fs::remove_all(folders.work);
        return 1;
    }
    benchmark::RegisterBenchmark("Startup", Startup)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(kStarts);
    const int result = bench::RunInterleavedBenchmarks(argc, argv);
    fs::remove_all(folders.work);
    return result;
}
