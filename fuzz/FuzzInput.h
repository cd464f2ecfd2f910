// What the fuzz targets share in reading their input.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

// The input of a target for a file read with a second file beside it (a
// table and its memo or blob file): the first two bytes give the first
// part's length (little-endian, cut to what there is), the rest after it is
// the second part. Inputs shorter than two bytes have no parts.
inline std::optional<std::pair<std::string_view, std::string_view>> TwoParts(const std::uint8_t* data,
                                                                              std::size_t size)
{
    if (size < 2)
        return std::nullopt;
    const std::size_t firstSize = std::min<std::size_t>(size - 2, data[0] | (data[1] << 8));
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    return std::pair{bytes.substr(0, firstSize), bytes.substr(firstSize)};
}

} // namespace fuzzinput
