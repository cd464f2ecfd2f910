#include "platform/system/TextEncoding.h"

#include <algorithm>
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

// All of `bytes` through the converter (reset first). A character that
// cannot be converted gives nothing, or with `replace` a "?" in its place
// (past a whole UTF-8 sequence when `utf8Input`, else past one byte).
std::optional<std::string> ConvertAll(iconv_t converter, std::string_view bytes, bool replace = false,
                                      bool utf8Input = false)
{
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
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
        if (done != static_cast<std::size_t>(-1) || error == E2BIG)
            continue;
        if (!replace)
            return std::nullopt;
        result += '?';
        std::size_t skip = 1;
        if (utf8Input)
            while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80)
                ++skip;
        in += skip;
        inLeft -= skip;
    }
    // A stateful code page may owe a closing shift sequence.
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(converter, nullptr, nullptr, &out, &outLeft);
    result.append(buffer, static_cast<std::size_t>(out - buffer));
    return result;
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
    std::optional<std::string> result = ConvertAll(converter, bytes);
    iconv_close(converter);
    if (!result)
        throw EncodingError("The text is neither UTF-8 nor GBK");
    return *result;
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

CharsetEncoder::CharsetEncoder(const char* charset)
    : Converter(iconv_open(charset, "UTF-8"))
{
    if (Converter == reinterpret_cast<iconv_t>(-1))
        throw EncodingError(std::string("The code page ") + charset + " is not available on this system");
    std::string ascii(0x80, '\0');
    for (std::size_t c = 0; c < ascii.size(); ++c)
        ascii[c] = static_cast<char>(c);
    AsciiAsIs = ConvertAll(static_cast<iconv_t>(Converter), ascii) == ascii;
}

CharsetEncoder::~CharsetEncoder()
{
    iconv_close(static_cast<iconv_t>(Converter));
}

std::optional<std::string> CharsetEncoder::Encode(std::string_view utf8)
{
    // Most texts are plain ASCII, which needs no converting.
    if (AsciiAsIs && std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(utf8);
    return ConvertAll(static_cast<iconv_t>(Converter), utf8);
}

std::string ConvertText(std::string_view text, const char* from, const char* to)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::string(text);
    std::string result = *ConvertAll(converter, text, true, std::string_view(from) == "UTF-8");
    iconv_close(converter);
    return result;
}

namespace {

// CJK ideographs, kana, Hangul and full-width forms take two columns on
// screen; every other character one.
bool IsWideCharacter(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F)
           || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
           || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

} // namespace

int DisplayColumns(std::string_view text)
{
    int columns = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t length = SequenceLength(text, pos);
        if (length == 0) {
            // A malformed byte shows as one replacement character.
            ++columns;
            ++pos;
            continue;
        }
        // The lead byte's payload bits, then six bits from each continuation byte.
        char32_t c = static_cast<unsigned char>(text[pos]) & (length == 1 ? 0x7F : 0xFF >> (length + 1));
        for (std::size_t i = 1; i < length; ++i)
            c = (c << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
        columns += IsWideCharacter(c) ? 2 : 1;
        pos += length;
    }
    return columns;
}

std::string PadToColumns(std::string_view text, int columns)
{
    std::string padded(text);
    const int missing = columns - DisplayColumns(text);
    if (missing > 0)
        padded.append(static_cast<std::size_t>(missing), ' ');
    return padded;
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
