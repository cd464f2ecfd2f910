// Text encodings at the edge of the program: texts are UTF-8 inside, but
// files written on the old platform carry Chinese texts in the GBK code page.
// These helpers tell the two apart, convert the old bytes, cut UTF-8 texts
// to a byte width without splitting a character, and measure and pad texts by
// the columns they take on screen, where a double-byte text once took one
// column a byte.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// Raised when bytes cannot be converted; the message says why.
class EncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Converts text in the GBK code page (read as GB18030, its superset) to UTF-8.
// Throws EncodingError when the bytes are not valid in that code page.
std::string GbkToUtf8(std::string_view bytes);

// The longest prefix of the UTF-8 `text` that has at most `maxBytes` bytes and
// ends on a character boundary.
std::string CutUtf8(std::string_view text, std::size_t maxBytes);

// Converts UTF-8 texts into one code page of the old platform's files, named
// as iconv names it ("CP1252", "GBK", "BIG5"). One converter serves any
// number of texts.
class CharsetEncoder {
public:
    // Throws EncodingError when the system offers no such code page.
    explicit CharsetEncoder(const char* charset);
    ~CharsetEncoder();
    CharsetEncoder(const CharsetEncoder&) = delete;
    CharsetEncoder& operator=(const CharsetEncoder&) = delete;

    // The text in the code page, or nothing when a character of it has no
    // place there (or the text is not UTF-8).
    std::optional<std::string> Encode(std::string_view utf8);

private:
    void* Converter;
    bool AsciiAsIs = false;  // the code page writes ASCII as it is
};

// `text` converted from one code page to another, both named as iconv names
// them ("UTF-8", "CP850", "GBK"); a character the target has no place for,
// or a broken one, becomes "?". An unknown code page leaves the text as it is.
std::string ConvertText(std::string_view text, const char* from, const char* to);

// The columns the UTF-8 `text` takes: a wide character (CJK ideographs, kana,
// Hangul, full-width forms) two, every other character one.
int DisplayColumns(std::string_view text);

// The text followed by blanks up to `columns` columns; a wider text is kept
// whole. Lines up as "%-20s" did for the double-byte texts.
std::string PadToColumns(std::string_view text, int columns);

// The longest prefix of the UTF-8 `text` that has at most `maxCharacters`
// characters (a malformed byte counts as one).
std::string CutUtf8Characters(std::string_view text, std::size_t maxCharacters);

} // namespace platform
