#include "platform/db/TParams.h"

#include "platform/db/DatabaseError.h"
#include "platform/system/FloatText.h"
#include "platform/system/TStringList.h"

#include <charconv>
#include <cmath>

namespace {

bool IsNameStart(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || u >= 0x80;
}

bool IsNameChar(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

[[noreturn]] void NotA(const std::string& text, const char* what)
{
    throw platform::EConvertError("'" + text + "' is not a valid " + what);
}

} // namespace

void TParam::SetAsString(std::string value)
{
    Kind = vkText;
    Text = std::move(value);
}

void TParam::SetAsInteger(std::int64_t value)
{
    Kind = vkInteger;
    Integer = value;
}

void TParam::SetAsFloat(double value)
{
    Kind = vkFloat;
    Real = value;
}

void TParam::SetAsBoolean(bool value)
{
    Kind = vkBoolean;
    Integer = value ? 1 : 0;
}

void TParam::SetAsDateTime(platform::TDateTime value)
{
    Kind = vkDateTime;
    Real = value;
}

void TParam::SetAsBytes(std::string bytes)
{
    Kind = vkBytes;
    Text = std::move(bytes);
}

std::string TParam::AsString() const
{
    switch (Kind) {
    case vkNull:
        return {};
    case vkText:
    case vkBytes:
        return Text;
    case vkInteger:
        return std::to_string(Integer);
    case vkFloat:
        return platform::FloatToStr(Real);
    case vkBoolean:
        return Integer ? "True" : "False";
    case vkDateTime:
        return platform::DateTimeToStr(Real);
    }
    return {};
}

std::int64_t TParam::AsInteger() const
{
    switch (Kind) {
    case vkInteger:
    case vkBoolean:
        return Kind == vkBoolean && Integer ? -1 : Integer;
    case vkFloat:
        if (!std::isfinite(Real) || std::fabs(Real) > 9.2e18)
            NotA(AsString(), "integer value");
        return static_cast<std::int64_t>(std::llround(Real));
    default: {
        const std::string_view text = Trimmed(Text);
        std::int64_t value = 0;
        const char* begin = text.data();
        if (!text.empty() && *begin == '+')
            ++begin;
        const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
        if (Kind != vkText || text.empty() || error != std::errc() || end != text.data() + text.size())
            NotA(Text, "integer value");
        return value;
    }
    }
}

double TParam::AsFloat() const
{
    switch (Kind) {
    case vkInteger:
        return static_cast<double>(Integer);
    case vkBoolean:
        return Integer ? -1.0 : 0.0;
    case vkFloat:
    case vkDateTime:
        return Real;
    default: {
        std::string text(Trimmed(Text));
        for (char& c : text)
            if (c == ',')
                c = '.';
        double value = 0;
        const char* begin = text.data();
        if (!text.empty() && *begin == '+')
            ++begin;
        const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
        if (Kind != vkText || text.empty() || error != std::errc() || end != text.data() + text.size()
            || !std::isfinite(value))
            NotA(Text, "floating point value");
        return value;
    }
    }
}

bool TParam::AsBoolean() const
{
    switch (Kind) {
    case vkBoolean:
    case vkInteger:
        return Integer != 0;
    case vkFloat:
        return Real != 0;
    default: {
        const std::string_view text = Trimmed(Text);
        if (Kind == vkText && platform::SameText(text, "True"))
            return true;
        if (Kind == vkText && platform::SameText(text, "False"))
            return false;
        if (Kind == vkText && !text.empty()) {
            std::int64_t value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (error == std::errc() && end == text.data() + text.size())
                return value != 0;
        }
        NotA(Text, "boolean value");
    }
    }
}

platform::TDateTime TParam::AsDateTime() const
{
    switch (Kind) {
    case vkDateTime:
    case vkFloat:
        return Real;
    case vkInteger:
        return static_cast<double>(Integer);
    case vkText:
        return platform::StrToDateTime(Text);
    default:
        NotA(AsString(), "date and time");
    }
}

TParam& TParams::Add(const std::string& name, TFieldType dataType)
{
    Items.emplace_back(name, dataType);
    return Items.back();
}

TParam* TParams::FindParam(std::string_view name)
{
    for (TParam& param : Items)
        if (platform::SameText(param.Name, name))
            return &param;
    return nullptr;
}

TParam& TParams::ParamByName(std::string_view name)
{
    if (TParam* param = FindParam(name))
        return *param;
    DatabaseError("Parameter '" + std::string(name) + "' not found");
}

void TParams::AssignValues(const TParams& source)
{
    for (const TParam& from : source.Items)
        if (TParam* to = FindParam(from.Name))
            *to = from;
}

void TParams::ParseSQL(std::string_view sql)
{
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const std::size_t close = sql.find(c, i + 1);
            i = close == std::string_view::npos ? sql.size() : close + 1;
            continue;
        }
        if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
            i += 2;
            continue;
        }
        if (c == ':' && i + 1 < sql.size() && IsNameStart(sql[i + 1])) {
            std::size_t end = i + 1;
            while (end < sql.size() && IsNameChar(sql[end]))
                ++end;
            const std::string name(sql.substr(i + 1, end - i - 1));
            if (!FindParam(name))
                Add(name);
            i = end;
            continue;
        }
        ++i;
    }
}
