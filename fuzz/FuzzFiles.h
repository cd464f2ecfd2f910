// Helpers of the fuzz targets that feed whole files: a file read whole, and
// a list of patches applied to a real file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

namespace fuzzfiles {

inline std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Applies patches from the input to a non-empty file: each a two-byte
// offset, a length byte and that many bytes, wrapping at the file's end, so
// that mutations reach every part of a real file.
inline void ApplyPatches(std::string& file, const std::uint8_t* data, std::size_t size)
{
    for (std::size_t at = 0; at + 3 <= size;) {
        const std::size_t offset = (std::size_t(data[at]) << 8 | data[at + 1]) * 7 % file.size();
        const std::size_t length = data[at + 2];
        at += 3;
        for (std::size_t i = 0; i < length && at < size; ++i, ++at)
            file[(offset + i) % file.size()] = static_cast<char>(data[at]);
    }
}

} // namespace fuzzfiles
