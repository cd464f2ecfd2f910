#include "dao/DaoTableValues.h"

#include "platform/db/DatabaseError.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t Stale = 77;

struct IntegerCase {
    const char* Text;
    bool Present;
    std::int32_t Stored;
};

TEST(DaoTableValues, IntegerTextsReadAsIntegersAndNothingElse)
{
    const IntegerCase cases[] = {
        {"42", true, 42},   {"-7", true, -7},     {"", false, 0},      {"2.5", true, 2},
        {"3.5", true, 4},   {"2,5", true, 2},     {"abc", false, Stale}, {"1e99", false, Stale},
        {"12abc", false, Stale},
    };
    for (const IntegerCase& c : cases) {
        std::int32_t value = Stale;
        EXPECT_EQ(IntegerToBuffer(&value, c.Text), c.Present) << c.Text;
        EXPECT_EQ(value, c.Stored) << c.Text;
    }
    EXPECT_FALSE(IntegerToBuffer(nullptr, "1"));
}

TEST(DaoTableValues, FloatTextsReadWithPointOrComma)
{
    double value = 9;
    EXPECT_TRUE(FloatToBuffer(&value, "1234.5"));
    EXPECT_EQ(value, 1234.5);
    EXPECT_TRUE(FloatToBuffer(&value, "0,25"));
    EXPECT_EQ(value, 0.25);
    EXPECT_FALSE(FloatToBuffer(&value, ""));  // stores 0, but is no value
    EXPECT_EQ(value, 0);
    value = 9;
    EXPECT_FALSE(FloatToBuffer(&value, "twelve"));
    EXPECT_EQ(value, 9);
}

// Every decimal text reads as the double nearest to it, exactly as the
// standard library reads it, however it is written.
TEST(DaoTableValues, FloatTextsReadAsTheNearestDouble)
{
    std::vector<std::string> texts = {"-0",    "007.50",  "1.",    ".5",    "+3.25", "123456789012345.6",
                                      "0.1",   " 2.5 ",   "-1e-3", "999999999999999", "9007199254740993",
                                      "1.000000000000001", "0.30000000000000004", "-", ".", "5e"};
    std::mt19937_64 random(17);
    for (int i = 0; i < 20000; ++i) {
        std::string whole = std::to_string(random() % 100000000000ULL);
        std::string fraction = std::to_string(random() % 10000000ULL);
        fraction.insert(0, random() % 4, '0');
        texts.push_back((random() % 2 ? "-" : "") + whole + (random() % 5 ? "." + fraction : ""));
    }
    for (const std::string& text : texts) {
        std::string trimmed = text;
        trimmed.erase(0, trimmed.find_first_not_of(' '));
        trimmed.erase(trimmed.find_last_not_of(' ') + 1);
        const char* begin = trimmed.data() + (trimmed.rfind('+', 0) == 0 ? 1 : 0);
        double expected = 0;
        const auto [end, error] = std::from_chars(begin, trimmed.data() + trimmed.size(), expected);
        const bool valid = error == std::errc() && end == trimmed.data() + trimmed.size();
        double value = 7;
        ASSERT_EQ(FloatToBuffer(&value, text), valid) << text;
        if (valid)
            EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text;
    }
}

TEST(DaoTableValues, BooleanTextsOfEveryForm)
{
    const struct {
        const char* Text;
        bool Present;
        std::int16_t Stored;
    } cases[] = {
        {"True", true, 1}, {"false", true, 0}, {"=yes", true, 1}, {"OFF", true, 0}, {"on", true, 1},
        {"-1", true, 1},   {"5", true, 5},     {"=", true, 0},    {"maybe", false, 3}, {"", false, 3},
    };
    for (const auto& c : cases) {
        std::int16_t value = 3;
        EXPECT_EQ(BooleanToBuffer(&value, c.Text), c.Present) << c.Text;
        EXPECT_EQ(value, c.Stored) << c.Text;
    }
}

TEST(DaoTableValues, DateTextsNeedDayAndMilliseconds)
{
    std::int32_t day = 0;
    std::int32_t time = 0;
    double stamp = 0;
    EXPECT_TRUE(DateToBuffer(&day, "738960 45000"));
    EXPECT_EQ(day, 738960);
    EXPECT_TRUE(TimeToBuffer(&time, "738960 45000"));
    EXPECT_EQ(time, 45000);
    EXPECT_TRUE(DateTimeToBuffer(&stamp, "693594 43200000"));
    EXPECT_EQ(stamp, 693594.0 * 86400000 + 43200000);

    day = Stale;
    EXPECT_FALSE(DateToBuffer(&day, "738960"));
    EXPECT_FALSE(DateToBuffer(&day, "x 5"));
    EXPECT_EQ(day, Stale);

    EXPECT_EQ(BufferToDate(&day), "77 0");
    const std::int32_t noon = 43200000;
    EXPECT_EQ(BufferToTime(&noon), "693594 43200000");
    EXPECT_EQ(BufferToDateTime(&stamp), "693594 43200000");
    EXPECT_EQ(BufferToDate(nullptr), "");
}

TEST(DaoTableValues, GuidTextsInBothFormsAndTheZeroGuid)
{
    const std::string braced = "{12345678-9ABC-DEF0-1234-56789ABCDEF0}";
    TGUID guid{};
    ASSERT_TRUE(GUIDToBuffer(guid.data(), "{guid " + braced + "}"));
    EXPECT_EQ(guid[0], 0x78);  // Data1 little-endian
    EXPECT_EQ(guid[8], 0x12);  // Data4 in byte order
    EXPECT_EQ(BufferToGUID(guid.data()), "{guid " + braced + "}");

    TGUID bare{};
    ASSERT_TRUE(GUIDToBuffer(bare.data(), "{12345678-9abc-def0-1234-56789abcdef0}"));
    EXPECT_EQ(bare, guid);
    EXPECT_FALSE(GUIDToBuffer(bare.data(), "{1234}"));

    const TGUID zero{};
    EXPECT_EQ(BufferToGUID(zero.data()), "");
    EXPECT_EQ(GetGUIDAsString(std::string(16, '\0')), "");
    EXPECT_EQ(GetGUIDAsString(PutGUIDInString(braced)), braced);
    EXPECT_EQ(GetGUIDAsString("short"), "");
    EXPECT_THROW(PutGUIDInString("not a guid"), EDatabaseError);
}

TEST(DaoTableValues, ListsFromTextsAndVariants)
{
    platform::TStringList list;
    StringToList(" Name ; City;;\tID ", list);
    EXPECT_EQ(list, (platform::TStringList{"Name", "City", "", "ID"}));
    StringToList("A;B;", list);
    EXPECT_EQ(list, (platform::TStringList{"A", "B"}));

    auto array = jet::SafeArray::Vector(jet::varVariant, 0, 2);
    array->Put({0}, jet::Variant(1));
    array->Put({1}, jet::Variant::Null());
    array->Put({2}, jet::Variant("x"));
    VariantToList(jet::Variant::FromArray(array), list);
    EXPECT_EQ(list, (platform::TStringList{"1", "NULL", "x"}));
    VariantToList(jet::Variant::Null(), list);
    EXPECT_EQ(list, (platform::TStringList{"NULL"}));
}

} // namespace

namespace {

// The OEM pages the old platform paired with each language, and texts
// across them: UTF-8 "é" is byte 0x82 in both Latin OEM pages, "─" 0xC4.
TEST(DaoTableValues, OemTextsGoToAndComeBackFromTheUsersOemPage)
{
    const std::pair<const char*, int> locales[] = {{"zh_CN.UTF-8", 936}, {"zh_TW.UTF-8", 950}, {"zh_HK", 950},
                                                   {"en_US.UTF-8", 437}, {"C", 437},           {"de_DE.UTF-8", 850},
                                                   {"fr_FR@euro", 850}};
    const char* saved = std::getenv("LC_ALL");
    const std::string before = saved ? saved : "";
    for (const auto& [locale, page] : locales) {
        setenv("LC_ALL", locale, 1);
        EXPECT_EQ(OemCodePage(), page) << locale;
    }
    if (saved)
        setenv("LC_ALL", before.c_str(), 1);
    else
        unsetenv("LC_ALL");

    struct Case {
        const char* Utf8;
        int Page;
        const char* Oem;
    };
    const Case cases[] = {
        {"caf\xC3\xA9 \xE2\x94\x80", 437, "caf\x82 \xC4"},
        {"caf\xC3\xA9 \xC3\x98", 850, "caf\x82 \x9D"},
        {"\xE4\xB8\xAD\xE6\x96\x87", 936, "\xD6\xD0\xCE\xC4"},  // 中文
        {"\xE4\xB8\xAD", 950, "\xA4\xA4"},
        {"plain", 437, "plain"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OemText(c.Utf8, c.Page, true), c.Oem) << c.Utf8;
        EXPECT_EQ(OemText(c.Oem, c.Page, false), c.Utf8) << c.Utf8;
    }
    // What the other side lacks, and broken bytes, become "?".
    EXPECT_EQ(OemText("\xE4\xB8\xAD!", 437, true), "?!");
    EXPECT_EQ(OemText("a\xFF" "b", 437, true), "a?b");
    EXPECT_EQ(OemText("\xD6", 936, false), "?");
}

} // namespace
