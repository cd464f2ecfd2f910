// A benchmark's --picture=FILE argument: a picture of the caller's own.
#pragma once

#include <string>
#include <utility>

namespace bench {

// Takes --picture=FILE out of the arguments; `fallback` when none is given.
inline std::string TakePictureArgument(int& argc, char** argv, std::string fallback = {})
{
    std::string picture = std::move(fallback);
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--picture=", 0) == 0)
            picture = argument.substr(std::string("--picture=").size());
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return picture;
}

} // namespace bench
