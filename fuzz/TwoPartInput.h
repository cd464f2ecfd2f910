// The input of a fuzz target for a file read with a second file beside it
// (a table and its memo or blob file): the first two bytes give the first
// part's length (little-endian, cut to what there is), the rest after it is
// the second part. Inputs shorter than two bytes have no parts.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

inline std::optional<std::pair<std::string_view, std::string_view>> TwoParts(const std::uint8_t* data,
                                                                              std::size_t size)
{
    if (size < 2)
        return std::nullopt;
    const std::size_t firstSize = std::min<std::size_t>(size - 2, data[0] | (data[1] << 8));
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    return std::pair{bytes.substr(0, firstSize), bytes.substr(firstSize)};
}
