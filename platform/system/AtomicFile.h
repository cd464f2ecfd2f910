// Writing a file so that it is either wholly replaced or left as it was: the
// bytes go to a temporary file in the target's folder, are flushed to disk and
// then renamed over the target. A crash or a full disk never leaves a
// half-written settings file, export or picture behind.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// Raised when the file cannot be written; the message names the file and the cause.
class FileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces `path` with `bytes`. Throws FileWriteError; on failure the target
// keeps its old content and no temporary file is left behind.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

} // namespace platform
