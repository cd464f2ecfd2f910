// What the fuzz targets share in reading their input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzinput {

// The input split at zero bytes into `count` parts; the last part takes the
// rest, zero bytes included.
inline std::vector<std::string> Parts(const std::uint8_t* data, std::size_t size, std::size_t count)
{
    std::vector<std::string> parts(count);
    std::size_t part = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && part + 1 < count)
            ++part;
        else
            parts[part] += static_cast<char>(data[i]);
    }
    return parts;
}

} // namespace fuzzinput
