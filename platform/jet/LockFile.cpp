#include "platform/jet/LockFile.h"

#include "platform/jet/EngineImpl.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet::impl {
namespace {

// A holder that leaves takes the lock file exclusively for the moment it
// removes it; whoever meets that moment tries again this often.
constexpr int Attempts = 25;
constexpr auto Pause = std::chrono::milliseconds(2);

// The descriptor is the file the path names now (not one a leaving holder
// has just removed).
bool IsCurrent(int descriptor, const std::string& path)
{
    struct stat open {};
    struct stat named {};
    return ::fstat(descriptor, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev
        && open.st_ino == named.st_ino;
}

[[noreturn]] void InUse(const std::string& databasePath)
{
    Raise(errFileInUse, "Could not use '" + databasePath + "'; file already in use.");
}

} // namespace

std::string LockFile::PathFor(const std::string& databasePath)
{
    const std::filesystem::path path(databasePath);
    return (path.parent_path() / ("." + path.filename().string() + ".lock")).string();
}

std::unique_ptr<LockFile> LockFile::Share(const std::string& databasePath)
{
    return Take(databasePath, false);
}

std::unique_ptr<LockFile> LockFile::Exclusive(const std::string& databasePath)
{
    return Take(databasePath, true);
}

std::unique_ptr<LockFile> LockFile::Take(const std::string& databasePath, bool exclusive)
{
    const std::string path = PathFor(databasePath);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            if (errno == EINTR)
                continue;
            return nullptr;  // a folder where no lock file can be made
        }
        if (::flock(descriptor, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) {
            if (IsCurrent(descriptor, path))
                return std::unique_ptr<LockFile>(new LockFile(descriptor, path));
            ::close(descriptor);  // removed by its last holder meanwhile: take the new one
            continue;
        }
        const int error = errno;
        ::close(descriptor);
        if (error != EWOULDBLOCK && error != EINTR)
            return nullptr;  // a file system without these locks
        std::this_thread::sleep_for(Pause);
    }
    InUse(databasePath);
}

LockFile::~LockFile()
{
    // The last holder is the one that can take the file exclusively.
    if (::flock(Descriptor, LOCK_EX | LOCK_NB) == 0 && IsCurrent(Descriptor, Path))
        ::unlink(Path.c_str());
    ::close(Descriptor);
}

} // namespace jet::impl
