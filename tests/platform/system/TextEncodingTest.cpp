#include "platform/system/TextEncoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using platform::CutUtf8;
using platform::GbkToUtf8;
using platform::IsValidUtf8;

TEST(TextEncoding, TellsWellFormedUtf8FromOtherBytes)
{
    struct Case {
        const char* bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"plain ASCII", true},
        {"\xE4\xB8\xAD\xE6\x96\x87", true},  // 中文
        {"\xF0\x9F\x98\x80", true},          // outside the basic plane
        {"\xD6\xD0\xCE\xC4", false},         // 中文 in GBK
        {"\xE4\xB8", false},                 // cut sequence
        {"\xC0\xAF", false},                 // overlong "/"
        {"\xED\xA0\x80", false},             // surrogate
        {"\xF4\x90\x80\x80", false},         // above U+10FFFF
        {"\x80", false},                     // lone continuation byte
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(TextEncoding, ConvertsGbkToUtf8)
{
    EXPECT_EQ(GbkToUtf8("Name \xD5\xC5\xC8\xFD"), "Name \xE5\xBC\xA0\xE4\xB8\x89"); // 张三
    EXPECT_EQ(GbkToUtf8(""), "");
}

TEST(TextEncoding, GbkConversionRejectsBytesOutsideTheCodePage)
{
    EXPECT_THROW(GbkToUtf8("\xD6"), platform::EncodingError); // lead byte without its trail byte
}

TEST(TextEncoding, CutKeepsWholeCharactersOnly)
{
    const std::string text = "ab\xE4\xB8\xAD\xE6\x96\x87"; // ab中文, 8 bytes
    struct Case {
        std::size_t maxBytes;
        std::string expected;
    };
    const Case cases[] = {
        {8, text},
        {20, text},
        {7, "ab\xE4\xB8\xAD"},
        {5, "ab\xE4\xB8\xAD"},
        {4, "ab"},
        {3, "ab"},
        {2, "ab"},
        {0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CutUtf8(text, c.maxBytes), c.expected) << c.maxBytes;
}

TEST(TextEncoding, ColumnsCountWideCharactersTwice)
{
    struct Case {
        std::string text;
        int columns;
    };
    const Case cases[] = {
        {"", 0},
        {"Line", 4},
        {"\xE7\x82\xB9", 2},                      // 点
        {"L1 \xE7\x9B\xB4\xE7\xBA\xBF", 7},        // L1 直线
        {"\xC2\xB0", 1},                           // °, narrow
        {"\xEF\xBC\x88", 2},                       // （, full-width
        {"a\xFF" "b", 3},                         // a malformed byte shows as one character
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::DisplayColumns(c.text), c.columns) << c.text;
}

TEST(TextEncoding, PaddingFillsColumnsAndKeepsLongerTexts)
{
    EXPECT_EQ(platform::PadToColumns("Line", 6), "Line  ");
    EXPECT_EQ(platform::PadToColumns("\xE7\x82\xB9", 6), "\xE7\x82\xB9    ") << "a wide character fills two";
    EXPECT_EQ(platform::PadToColumns("TwentyOneCharacters!!", 20), "TwentyOneCharacters!!");
}

TEST(TextEncoding, EncodesIntoEachCodePageOfTheOldFiles)
{
    struct Case {
        const char* charset;
        std::string utf8;
        std::optional<std::string> expected;
    };
    const std::string ascii("Line 7, \"x\"\t\0end", 17);
    const Case cases[] = {
        {"CP1252", ascii, ascii},
        {"GBK", ascii, ascii},
        {"BIG5", ascii, ascii},
        {"CP1252", "caf\xC3\xA9", std::string("caf\xE9")},
        {"GBK", "\xE9\x95\xBF\xE5\xBA\xA6", std::string("\xB3\xA4\xB6\xC8")},  // 长度
        {"CP1252", "\xE9\x95\xBF", std::nullopt},
        {"GBK", "a\xFFb", std::nullopt},  // not UTF-8
    };
    for (const Case& c : cases) {
        platform::CharsetEncoder encoder(c.charset);
        EXPECT_EQ(encoder.Encode(c.utf8), c.expected) << c.charset << " " << c.utf8;
    }
}

TEST(TextEncoding, CutToCharactersKeepsWholeCharacters)
{
    EXPECT_EQ(platform::CutUtf8Characters("abc", 2), "ab");
    EXPECT_EQ(platform::CutUtf8Characters("中文字", 2), "中文");
    EXPECT_EQ(platform::CutUtf8Characters("a中", 5), "a中");
    EXPECT_EQ(platform::CutUtf8Characters("中", 0), "");
}

} // namespace
