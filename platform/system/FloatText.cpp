#include "platform/system/FloatText.h"

#include <array>
#include <charconv>

namespace platform {

std::string FloatToStr(double value)
{
    std::array<char, 32> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, 15);
    return std::string(buffer.data(), result.ptr);
}

} // namespace platform
