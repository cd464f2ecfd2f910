// Writing a file so that it is either wholly replaced or left as it was: the
// bytes go to a temporary file in the target's folder, are flushed to disk and
// then renamed over the target. A crash or a full disk never leaves a
// half-written settings file, export or picture behind.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

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

// Replaces `path` with `bytes`. Throws FileWriteError; on failure the target
// keeps its old content and no temporary file is left behind.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Flushes a file and the folder entry naming it to disk, so that a new file
// or a rename survives a crash of the machine. Errors are not reported: the
// file stays as good as the disk made it.
void SyncPath(const std::string& path);

// A name beside `path` that no file has yet: `path`, the process id, a
// counter and `suffix` ("Config.dat.4242.0.new").
std::string FreshNameBeside(const std::string& path, const std::string& suffix);

} // namespace platform
