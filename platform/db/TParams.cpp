#include "platform/db/TParams.h"

#include "platform/db/DatabaseError.h"
#include "platform/system/FloatText.h"
#include "platform/system/TStringList.h"

#include <charconv>
#include <cstdio>
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

void TParam::SetValue(TValueKind kind, const std::string& text)
{
    TParam parsed(Name, DataType);
    parsed.SetAsString(text);
    switch (kind) {
    case vkNull:
        Clear();
        break;
    case vkText:
        SetAsString(text);
        break;
    case vkBytes:
        SetAsBytes(text);
        break;
    case vkInteger:
        SetAsInteger(parsed.AsInteger());
        break;
    case vkFloat:
        SetAsFloat(parsed.AsFloat());
        break;
    case vkBoolean:
        SetAsBoolean(parsed.AsBoolean());
        break;
    case vkDateTime:
        SetAsDateTime(parsed.AsFloat());
        break;
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

namespace {

std::string Escaped(std::string_view text)
{
    std::string result;
    for (char c : text) {
        switch (c) {
        case '%': result += "%25"; break;
        case '\t': result += "%09"; break;
        case '\n': result += "%0A"; break;
        case '\r': result += "%0D"; break;
        default: result += c;
        }
    }
    return result;
}

// Every bit of a double, for a value read back exactly.
std::string ExactText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string Unescaped(std::string_view text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        const std::string_view code = text.substr(i + 1, 2);
        if (code == "25")
            result += '%';
        else if (code == "09")
            result += '\t';
        else if (code == "0A")
            result += '\n';
        else if (code == "0D")
            result += '\r';
        else
            DatabaseError("Invalid parameter data");
        i += 2;
    }
    return result;
}

} // namespace

std::string TParams::Text() const
{
    std::string text;
    for (const TParam& param : Items)
        text += Escaped(param.Name) + "\t" + std::to_string(int(param.DataType)) + "\t"
            + std::to_string(int(param.ValueKind())) + "\t"
            + Escaped(param.ValueKind() == TParam::vkFloat || param.ValueKind() == TParam::vkDateTime
                          ? ExactText(param.AsFloat())
                          : param.AsString())
            + "\n";
    return text;
}

void TParams::SetText(std::string_view text)
{
    TParams read;
    platform::TStringList lines;
    lines.SetText(text);
    for (const std::string& line : lines) {
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            parts.push_back(line.substr(start, tab - start));
        parts.push_back(line.substr(start));
        int type = 0, kind = 0;
        if (parts.size() != 4 || !platform::TryStrToInt(parts[1], type) || !platform::TryStrToInt(parts[2], kind)
            || type < ftUnknown || type > ftTypedBinary || kind < TParam::vkNull || kind > TParam::vkBytes)
            DatabaseError("Invalid parameter data");
        TParam& param = read.Add(Unescaped(parts[0]), static_cast<TFieldType>(type));
        try {
            param.SetValue(static_cast<TParam::TValueKind>(kind), Unescaped(parts[3]));
        } catch (const platform::EConvertError&) {
            DatabaseError("Invalid parameter data");
        }
    }
    *this = read;
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
