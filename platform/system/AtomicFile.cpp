#include "platform/system/AtomicFile.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <limits>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The mark that ends every temporary name, before a journal's own ending.
constexpr std::string_view kTemporaryMark = ".quorvex-tmp";
// What the database engine appends to a database's name for the files it
// keeps beside it; its lock file also starts with a ".".
constexpr std::string_view kJournalEndings[] = {"-journal", "-wal", "-shm"};
constexpr std::string_view kLockEnding = ".lock";

[[noreturn]] void CannotWrite(const std::string& path, int error)
{
    throw FileWriteError(path, std::strerror(error));
}

// Writes every byte, or sets `error` to why not.
void WriteAll(int fd, std::string_view bytes, int& error)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            error = errno;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// The decimal number that ends `text` before `end`, moving `end` to its
// first digit; false when no digits stand there.
bool NumberBefore(std::string_view text, std::size_t& end, long long& number)
{
    std::size_t start = end;
    while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9')
        --start;
    if (start == end || end - start > 18)
        return false;
    std::from_chars(text.data() + start, text.data() + end, number);
    end = start;
    return true;
}

bool ProcessHasEnded(pid_t process)
{
    return ::kill(process, 0) != 0 && errno == ESRCH;
}

} // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    namespace fs = std::filesystem;
    std::error_code error;
    // A link stays a link: what it points at is replaced.
    const std::string target = fs::is_symlink(path, error) ? fs::canonical(path, error).string() : path;
    if (target.empty())
        CannotWrite(path, ENOENT);
    struct stat replaced {};
    const bool replacing = ::stat(target.c_str(), &replaced) == 0;

    std::string temporary;
    int fd = -1;
    do {
        temporary = FreshNameBeside(target, "");
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EEXIST);
    if (fd < 0)
        CannotWrite(path, errno);

    // Written bytes may wait in the page cache: a disk that fills up shows
    // only at the flush, which must therefore succeed before the rename.
    int failure = 0;
    if (replacing && ::fchmod(fd, replaced.st_mode & 07777) != 0)
        failure = errno;
    if (failure == 0)
        WriteAll(fd, bytes, failure);
    if (failure == 0 && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temporary.c_str());
        CannotWrite(path, failure);
    }
    // The rename reaches the disk only with its folder: until then a power
    // cut brings the old file back.
    SyncPath(target);
}

void SyncPath(const std::string& path)
{
    const int file = ::open(path.c_str(), O_RDONLY);
    if (file >= 0) {
        ::fsync(file);
        ::close(file);
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

std::string FreshNameBeside(const std::string& path, const std::string& suffix)
{
    static std::atomic<unsigned> counter{0};
    for (;;) {
        const std::string candidate = path + "." + std::to_string(::getpid()) + "." + std::to_string(counter++)
            + suffix + std::string(kTemporaryMark);
        std::error_code error;
        if (!std::filesystem::exists(candidate, error) && !error)
            return candidate;
    }
}

bool IsTemporaryFileName(std::string_view fileName, pid_t& maker)
{
    // The engine's lock file beside a database: ".<name>.lock".
    if (fileName.starts_with('.') && fileName.ends_with(kLockEnding)) {
        fileName.remove_prefix(1);
        fileName.remove_suffix(kLockEnding.size());
    }
    for (const std::string_view ending : kJournalEndings)
        if (fileName.ends_with(ending)) {
            fileName.remove_suffix(ending.size());
            break;
        }
    if (!fileName.ends_with(kTemporaryMark))
        return false;
    fileName.remove_suffix(kTemporaryMark.size());
    // An optional word of letters before the mark (".new").
    std::size_t end = fileName.size();
    std::size_t word = end;
    while (word > 0 && std::isalpha(static_cast<unsigned char>(fileName[word - 1])))
        --word;
    if (word < end && word > 0 && fileName[word - 1] == '.')
        end = word - 1;
    long long counter = 0;
    long long process = 0;
    if (!NumberBefore(fileName, end, counter) || end == 0 || fileName[end - 1] != '.')
        return false;
    --end;
    if (!NumberBefore(fileName, end, process) || end < 2 || fileName[end - 1] != '.' || process <= 0
        || process > std::numeric_limits<pid_t>::max())
        return false;
    maker = static_cast<pid_t>(process);
    return true;
}

std::vector<std::string> RemoveLeftoverTemporaryFiles(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::vector<std::string> removed;
    std::error_code error;
    for (fs::directory_iterator entry(folder.empty() ? "." : folder, error), end; !error && entry != end;
         entry.increment(error)) {
        pid_t maker = 0;
        const std::string name = entry->path().filename().string();
        if (!IsTemporaryFileName(name, maker) || maker == ::getpid() || !ProcessHasEnded(maker))
            continue;
        std::error_code ignored;
        if (entry->is_regular_file(ignored) && fs::remove(entry->path(), ignored))
            removed.push_back(name);
    }
    return removed;
}

} // namespace platform
