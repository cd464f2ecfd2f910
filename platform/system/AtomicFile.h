// Writing a file so that it is either wholly replaced or left as it was: the
// bytes go to a temporary file in the target's folder, are flushed to disk and
// then renamed over the target. A crash or a full disk never leaves a
// half-written settings file, export or picture behind.
//
// Every temporary file made beside a target carries the target's name, the
// maker's process id, a counter and the mark ".quorvex-tmp"
// ("Config.xml.4242.0.quorvex-tmp", "Config.dat.4242.0.new.quorvex-tmp"), so
// that what a killed process left behind is known for certain and can be
// removed by the next start, while an operator's own files never match.
#pragma once

#include <sys/types.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Raised when the file cannot be written; the message names the file and the
// cause, which the interface can also put in words of its own.
class FileWriteError : public std::runtime_error {
public:
    explicit FileWriteError(const std::string& message)
        : std::runtime_error(message)
        , reason_(message)
    {
    }
    FileWriteError(const std::string& path, const std::string& why)
        : std::runtime_error("Cannot write \"" + path + "\": " + why)
        , reason_(why)
    {
    }
    // The cause alone, as the system gave it (the whole message when it was
    // given as one).
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
};

// Replaces `path` with `bytes`, keeping the permissions of the file it
// replaces (a symbolic link keeps pointing at the replaced file). Throws
// FileWriteError; on failure the target keeps its old content and no
// temporary file is left behind.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Flushes a file and the folder entry naming it to disk, so that a new file
// or a rename survives a crash of the machine. Errors are not reported: the
// file stays as good as the disk made it.
void SyncPath(const std::string& path);

// A temporary name beside `path` that no file has yet, `suffix` ("" or a
// word such as ".new") before the mark: "Config.dat.4242.0.new.quorvex-tmp".
std::string FreshNameBeside(const std::string& path, const std::string& suffix);

// Whether `fileName` (without its folder) is a temporary file this program
// made, or a journal or lock file the database engine keeps beside one;
// `maker` is then the id of the process that made it.
bool IsTemporaryFileName(std::string_view fileName, pid_t& maker);

// Removes from `folder` the temporary files of processes that have ended,
// with their journals; those of running processes stay. The names removed.
std::vector<std::string> RemoveLeftoverTemporaryFiles(const std::string& folder);

} // namespace platform
