#include "dao/DaoTableValues.h"

#include "platform/db/DatabaseError.h"
#include "platform/jet/DecimalText.h"
#include "platform/system/FloatText.h"
#include "platform/system/DateTime.h"
#include "platform/system/TextEncoding.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

std::string Lower(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

bool ParseInt(std::string_view text, int& value)
{
    return platform::TryStrToInt(text, value);
}

// Digits with at most one "." between them, fifteen at most: the whole
// number they make is exact in a double, and so is its division by a power
// of ten, rounded once as from_chars rounds. The texts of most numbers.
bool ParseShortDecimal(std::string_view text, double& value)
{
    static constexpr double Powers[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    std::int64_t whole = 0;
    int digits = 0, decimals = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && decimals < 0 && i > 0 && i + 1 < text.size()) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9' || ++digits > 15)
            return false;
        whole = whole * 10 + (c - '0');
        if (decimals >= 0)
            ++decimals;
    }
    if (digits == 0)
        return false;
    value = static_cast<double>(whole) / Powers[std::max(decimals, 0)];
    if (negative)
        value = -value;
    return true;
}

// A decimal number with "." or "," as the decimal point, blanks around
// allowed; nothing else.
bool ParseFloat(std::string_view text, double& value)
{
    if (ParseShortDecimal(text, value))  // most texts: neither blanks, nor ",", nor "+"
        return true;
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty())
        return false;
    std::string normal;
    if (text.find(',') != std::string_view::npos) {
        normal = text;
        std::replace(normal.begin(), normal.end(), ',', '.');
        text = normal;
    }
    const char* begin = text.data();
    if (*begin == '+')
        ++begin;
    if (ParseShortDecimal(std::string_view(begin, static_cast<std::size_t>(text.data() + text.size() - begin)), value))
        return true;  // one written with blanks, "," or "+"
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// "day milliseconds": both parts integers.
bool ParseStampText(std::string_view text, int& day, int& milliseconds)
{
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos)
        return false;
    return ParseInt(text.substr(0, blank), day) && ParseInt(text.substr(blank + 1), milliseconds);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string GuidText(const std::uint8_t* bytes)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    // Data1, Data2 and Data3 are little-endian; Data4 is kept in byte order.
    static constexpr int Order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string text = "{";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        const std::uint8_t b = bytes[Order[i]];
        text += Digits[b >> 4];
        text += Digits[b & 15];
    }
    return text + "}";
}

bool AllZero(const std::uint8_t* bytes)
{
    for (int i = 0; i < 16; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

} // namespace

bool CurrencyTextOf(std::string_view text, std::string& exact)
{
    std::string normal(text);
    std::replace(normal.begin(), normal.end(), ',', '.');
    std::int64_t scaled = 0;
    if (jet::ReadCurrencyText(normal, scaled) != jet::DecimalRead::Value)
        return false;
    exact = jet::CurrencyText(scaled);
    return true;
}

std::string CurrencyTextOfDouble(double value)
{
    try {
        return jet::Variant::Currency(value).AsString();
    } catch (const jet::EVariantError&) {
        return platform::FloatToStr(value);
    }
}

bool IntegerToBuffer(void* dest, std::string_view text)
{
    if (!dest)
        return false;
    // An empty text stores 0 but is no value.
    const bool present = !text.empty();
    if (!present)
        text = "0";
    int value = 0;
    if (!ParseInt(text, value)) {
        double real = 0;
        if (!ParseFloat(text, real))
            return false;
        real = std::nearbyint(real);  // the default rounding: halves to even
        if (real < -2147483648.0 || real > 2147483647.0)
            return false;
        value = static_cast<int>(real);
    }
    std::int32_t stored = value;
    std::memcpy(dest, &stored, sizeof stored);
    return present;
}

bool FloatToBuffer(void* dest, std::string_view text)
{
    if (!dest)
        return false;
    const bool present = !text.empty();
    if (!present)
        text = "0";
    double value = 0;
    if (!ParseFloat(text, value))
        return false;
    std::memcpy(dest, &value, sizeof value);
    return present;
}

bool BooleanToBuffer(void* dest, std::string_view text)
{
    if (!dest || text.empty())
        return false;
    if (text.front() == '=')
        text.remove_prefix(1);
    std::string word = Lower(text);
    if (word == "false" || word == "no" || word == "off" || word.empty())
        word = "0";
    else if (word == "true" || word == "yes" || word == "on" || word == "-1")
        word = "1";
    int value = 0;
    if (!ParseInt(word, value))
        return false;
    std::int16_t stored = static_cast<std::int16_t>(value);
    if (value != 0 && stored == 0)
        stored = 1;  // a number that is a multiple of 65536 is still true
    std::memcpy(dest, &stored, sizeof stored);
    return true;
}

bool DateToBuffer(void* dest, std::string_view text)
{
    int day = 0, milliseconds = 0;
    if (!dest || !ParseStampText(text, day, milliseconds))
        return false;
    std::int32_t stored = day;
    std::memcpy(dest, &stored, sizeof stored);
    return true;
}

bool TimeToBuffer(void* dest, std::string_view text)
{
    int day = 0, milliseconds = 0;
    if (!dest || !ParseStampText(text, day, milliseconds))
        return false;
    std::int32_t stored = milliseconds;
    std::memcpy(dest, &stored, sizeof stored);
    return true;
}

bool DateTimeToBuffer(void* dest, std::string_view text)
{
    int day = 0, milliseconds = 0;
    if (!dest || !ParseStampText(text, day, milliseconds))
        return false;
    const double stored = double(day) * platform::MSecsPerDay + milliseconds;
    std::memcpy(dest, &stored, sizeof stored);
    return true;
}

bool GUIDToBuffer(void* dest, std::string_view text)
{
    if (!dest || text.empty())
        return false;
    if (text.substr(0, 6) == "{guid ") {
        text.remove_prefix(6);
        if (text.size() >= 2 && text.substr(text.size() - 2) == "}}")
            text.remove_suffix(1);
    }
    TGUID guid{};
    if (!TryStringToGUID(text, guid))
        return false;
    std::memcpy(dest, guid.data(), guid.size());
    return true;
}

std::string BufferToDate(const void* source)
{
    if (!source)
        return {};
    std::int32_t day = 0;
    std::memcpy(&day, source, sizeof day);
    return std::to_string(day) + " 0";
}

std::string BufferToTime(const void* source)
{
    if (!source)
        return {};
    std::int32_t milliseconds = 0;
    std::memcpy(&milliseconds, source, sizeof milliseconds);
    return std::to_string(platform::DateDelta) + " " + std::to_string(milliseconds);
}

std::string BufferToDateTime(const void* source)
{
    if (!source)
        return {};
    double value = 0;
    std::memcpy(&value, source, sizeof value);
    if (!std::isfinite(value) || std::fabs(value) > 9.0e15)
        return {};
    const auto total = static_cast<long long>(std::llround(value));
    long long day = total / platform::MSecsPerDay;
    long long milliseconds = total % platform::MSecsPerDay;
    if (milliseconds < 0) {
        milliseconds += platform::MSecsPerDay;
        --day;
    }
    return std::to_string(day) + " " + std::to_string(milliseconds);
}

std::string BufferToGUID(const void* source)
{
    if (!source)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    if (AllZero(bytes))
        return {};
    return "{guid " + GuidText(bytes) + "}";
}

std::string GetGUIDAsString(std::string_view bytes)
{
    if (bytes.size() != 16)
        return {};
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return AllZero(data) ? std::string() : GuidText(data);
}

bool TryGuidKeyText(std::string_view text, std::string& guid)
{
    if (text.rfind("{guid ", 0) == 0 && text.size() > 7 && text.back() == '}')
        text = text.substr(6, text.size() - 7);
    if (text.size() == 16 && text.front() != '{') {
        guid = GetGUIDAsString(text);
        return true;
    }
    TGUID bytes{};
    if (!TryStringToGUID(text, bytes))
        return false;
    guid = GetGUIDAsString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return true;
}

bool TryTextToFloat(std::string_view text, double& value)
{
    return ParseFloat(text, value);
}

bool TryTextToBoolean(std::string_view text, bool& value)
{
    const std::string lower = Lower(text);
    if (lower == "true" || lower == "yes" || lower == "on")
        value = true;
    else if (lower == "false" || lower == "no" || lower == "off")
        value = false;
    else if (double number = 0; ParseFloat(text, number))
        value = number != 0;
    else
        return false;
    return true;
}

bool IsTextFieldType(TFieldType type)
{
    return type == ftString || type == ftMemo || type == ftFmtMemo || type == ftBlob;
}

bool IsNumberFieldType(TFieldType type)
{
    return type == ftSmallint || type == ftInteger || type == ftWord || type == ftFloat || type == ftCurrency
        || type == ftBCD || type == ftAutoInc;
}

bool IsDateFieldType(TFieldType type)
{
    return type == ftDate || type == ftTime || type == ftDateTime;
}

bool IsGuidField(const TField& field)
{
    return field.DataType() == ftBytes && field.ValidChars() == GuidChars;
}

bool TryStringToGUID(std::string_view text, TGUID& guid)
{
    static constexpr int Order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    if (text.size() != 38 || text.front() != '{' || text.back() != '}')
        return false;
    std::size_t at = 1;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            if (text[at] != '-')
                return false;
            ++at;
        }
        const int high = HexDigit(text[at]);
        const int low = HexDigit(text[at + 1]);
        if (high < 0 || low < 0)
            return false;
        guid[static_cast<std::size_t>(Order[i])] = static_cast<std::uint8_t>(high * 16 + low);
        at += 2;
    }
    return at == 37;
}

std::string PutGUIDInString(std::string_view text)
{
    TGUID guid{};
    if (!TryStringToGUID(text, guid))
        DatabaseError("Invalid data");
    return std::string(reinterpret_cast<const char*>(guid.data()), guid.size());
}

void StringToList(std::string_view text, platform::TStringList& list)
{
    list.Clear();
    const auto trim = [](std::string_view item) {
        while (!item.empty() && static_cast<unsigned char>(item.front()) <= ' ')
            item.remove_prefix(1);
        while (!item.empty() && static_cast<unsigned char>(item.back()) <= ' ')
            item.remove_suffix(1);
        return std::string(item);
    };
    if (text.empty())
        return;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(';', start);
        if (end == std::string_view::npos && start == text.size())
            break;  // a closing ";" ends the last line, as a closing line break does
        list.Add(trim(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
}

jet::Variant KeyVariant(const std::vector<jet::Variant>& values)
{
    if (values.size() == 1)
        return values.front();
    auto array = jet::SafeArray::Vector(jet::varVariant, 0, static_cast<int>(values.size()) - 1);
    for (std::size_t i = 0; i < values.size(); ++i)
        array->Put({static_cast<int>(i)}, values[i]);
    return jet::Variant::FromArray(array);
}

void VariantToList(const jet::Variant& value, platform::TStringList& list)
{
    list.Clear();
    const auto text = [](const jet::Variant& item) { return item.IsNull() ? std::string("NULL") : item.AsString(); };
    if (value.IsArray() && value.Array()) {
        const auto& array = *value.Array();
        for (int i = array.LowBound(); i <= array.HighBound(); ++i)
            list.Add(text(array.Get({i})));
    } else {
        list.Add(text(value));
    }
}

int OemCodePage()
{
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (const char* value = std::getenv(name); value && *value) {
            locale = value;
            break;
        }
    const std::string territory = locale.substr(0, locale.find_first_of(".@"));
    if (territory == "zh_CN" || territory == "zh_SG")
        return 936;
    if (territory == "zh_TW" || territory == "zh_HK" || territory == "zh_MO")
        return 950;
    if (locale.empty() || territory == "C" || territory == "POSIX" || territory == "en_US")
        return 437;
    return 850;
}

std::string OemText(std::string_view text, int codePage, bool toOem)
{
    const std::string oem = codePage == 936 ? "GBK" : codePage == 950 ? "BIG5" : "CP" + std::to_string(codePage);
    return toOem ? platform::ConvertText(text, "UTF-8", oem.c_str()) : platform::ConvertText(text, oem.c_str(), "UTF-8");
}
