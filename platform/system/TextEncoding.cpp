#include "platform/system/TextEncoding.h"

#include <cerrno>
#include <iconv.h>

namespace platform {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at `pos`, or 0 when it is malformed.
std::size_t SequenceLength(std::string_view bytes, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(bytes[pos]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // overlong
        if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90; // overlong
        if (lead == 0xF4)
            high = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (pos + length > bytes.size())
        return 0;
    const auto second = static_cast<unsigned char>(bytes[pos + 1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!IsContinuation(static_cast<unsigned char>(bytes[pos + i])))
            return 0;
    return length;
}

} // namespace

bool IsValidUtf8(std::string_view bytes)
{
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t length = SequenceLength(bytes, pos);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

std::string GbkToUtf8(std::string_view bytes)
{
    iconv_t converter = iconv_open("UTF-8", "GB18030");
    if (converter == reinterpret_cast<iconv_t>(-1))
        throw EncodingError("The GBK code page is not available on this system");

    std::string result;
    std::string input(bytes);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        result.append(buffer, static_cast<std::size_t>(out - buffer));
        if (done == static_cast<std::size_t>(-1) && error != E2BIG) {
            iconv_close(converter);
            throw EncodingError("The text is neither UTF-8 nor GBK");
        }
    }
    iconv_close(converter);
    return result;
}

std::string CutUtf8(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return std::string(text);
    std::size_t end = maxBytes;
    // Step back over continuation bytes to the start of the character that
    // would be split, and leave that whole character out.
    while (end > 0 && IsContinuation(static_cast<unsigned char>(text[end])))
        --end;
    return std::string(text.substr(0, end));
}

std::string CutUtf8Characters(std::string_view text, std::size_t maxCharacters)
{
    std::size_t end = 0;
    for (std::size_t characters = 0; end < text.size(); ++characters) {
        if (characters == maxCharacters)
            break;
        ++end;
        while (end < text.size() && IsContinuation(static_cast<unsigned char>(text[end])))
            ++end;
    }
    return std::string(text.substr(0, end));
}

} // namespace platform
