#include "dao/DaoTableSql.h"

#include "dao/DaoTableValues.h"
#include "platform/system/DateTime.h"
#include "platform/system/FloatText.h"

#include <cctype>
#include <cmath>

namespace {

bool IsWordChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u == '_' || std::isalnum(u) || u >= 0x80;
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesAt(std::string_view text, std::size_t at, std::string_view pattern)
{
    if (at + pattern.size() > text.size())
        return false;
    for (std::size_t i = 0; i < pattern.size(); ++i)
        if (LowerAscii(text[at + i]) != LowerAscii(pattern[i]))
            return false;
    return true;
}

std::string GuidLiteral(const TParam& param)
{
    const std::string text = GetGUIDAsString(param.AsString());
    if (text.empty())
        throw platform::EConvertError("'" + param.AsString() + "' is not a valid GUID value");
    return "{guid " + text + "}";
}

// A value of unknown type, written by what it holds.
std::string UntypedLiteral(const TParam& param)
{
    switch (param.ValueKind()) {
    case TParam::vkInteger:
        return std::to_string(param.AsInteger());
    case TParam::vkFloat:
        return platform::FloatToStr(param.AsFloat());
    case TParam::vkBoolean:
        return param.AsBoolean() ? "True" : "False";
    case TParam::vkDateTime:
        return DateLiteral(ftDateTime, param.AsDateTime());
    default:
        return QuotedText(param.AsString());
    }
}

} // namespace

std::string WWStringReplace(std::string_view text, std::string_view oldPattern, std::string_view newPattern)
{
    if (text.empty() || oldPattern.empty())
        return std::string(text);
    std::string result;
    std::size_t at = 0;
    bool boundaryBefore = true;  // the start of the text, or right after a replaced word
    while (at < text.size()) {
        std::size_t found = std::string_view::npos;
        for (std::size_t i = at; i + oldPattern.size() <= text.size(); ++i)
            if (MatchesAt(text, i, oldPattern)) {
                found = i;
                break;
            }
        if (found == std::string_view::npos)
            break;
        const bool leftOk = found == at ? boundaryBefore || !IsWordChar(text[found - 1]) : !IsWordChar(text[found - 1]);
        const std::size_t after = found + oldPattern.size();
        const bool rightOk = after >= text.size() || !IsWordChar(text[after]);
        result.append(text.substr(at, found - at));
        if (leftOk && rightOk) {
            result.append(newPattern);
        } else {
            result.append(text.substr(found, oldPattern.size()));
        }
        // Each occurrence is taken as followed by a boundary, as the old
        // routine put a blank in front of the rest of the text.
        boundaryBefore = true;
        at = after;
    }
    result.append(text.substr(at));
    return result;
}

std::string ChangeOnlyQuotes(std::string_view text)
{
    std::string result;
    for (char c : text) {
        result += c;
        if (c == '"')
            result += '"';
    }
    return result;
}

std::string ChangeQuotes(std::string_view text)
{
    std::string result;
    for (char c : text) {
        if (c == '*' || c == '?' || c == '#' || c == '[' || c == ']' || c == '!' || c == '-') {
            result += '[';
            result += c;
            result += ']';
        } else {
            result += c;
        }
    }
    return result;
}

std::string EscapeReservedChars(std::string_view text)
{
    return ChangeQuotes(text);
}

std::string QuotedText(std::string_view text)
{
    return "\"" + ChangeOnlyQuotes(text) + "\"";
}

std::string DateLiteral(TFieldType type, platform::TDateTime value)
{
    const char* pattern = type == ftDate ? R"(mm"/"dd"/"yyyy)"
        : type == ftTime                 ? R"(hh":"nn":"ss)"
                                         : R"(mm"/"dd"/"yyyy hh":"nn":"ss)";
    return "#" + platform::FormatDateTime(pattern, value) + "#";
}

std::string ChangeCommas(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c == ',')
            c = '.';
    return result;
}

std::string ParamLiteral(const TParam& param)
{
    if (param.IsNull())
        return " IS NULL";
    switch (param.DataType) {
    case ftString:
    case ftBlob:
    case ftMemo:
    case ftFmtMemo:
        return QuotedText(param.AsString());
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        return platform::FloatToStr(param.AsFloat());
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        return std::to_string(param.AsInteger());
    case ftBoolean:
        return param.AsBoolean() ? "True" : "False";
    case ftDate:
        return DateLiteral(ftDate, param.AsDateTime());
    case ftTime:
        return DateLiteral(ftTime, param.AsDateTime());
    case ftDateTime:
        return DateLiteral(ftDateTime, param.AsDateTime());
    case ftBytes:
        return GuidLiteral(param);
    default:
        return UntypedLiteral(param);
    }
}

std::string ComposeSQL(std::string_view sql, const TParams& params, bool paramCheck)
{
    if (!paramCheck || params.Count() == 0)
        return std::string(sql);
    std::string result;
    std::size_t at = 0;
    bool afterReplacement = false;
    while (at < sql.size()) {
        const char c = sql[at];
        if (c == '\'' || c == '"') {
            // Inside a quoted literal a colon is text, as the parameter list
            // is parsed; a doubled quote closes and reopens it.
            const std::size_t close = sql.find(c, at + 1);
            const std::size_t end = close == std::string_view::npos ? sql.size() : close + 1;
            result.append(sql.substr(at, end - at));
            at = end;
            afterReplacement = false;
            continue;
        }
        const bool leftOk = at == 0 || afterReplacement || !IsWordChar(sql[at - 1]);
        afterReplacement = false;
        if (c == ':' && leftOk) {
            // The longest parameter name that stands here as a whole word.
            const TParam* match = nullptr;
            for (const TParam& param : params) {
                const std::size_t after = at + 1 + param.Name.size();
                if (!param.Name.empty() && MatchesAt(sql, at + 1, param.Name)
                    && (after >= sql.size() || !IsWordChar(sql[after]))
                    && (!match || param.Name.size() > match->Name.size()))
                    match = &param;
            }
            if (match) {
                result += ParamLiteral(*match);
                at += 1 + match->Name.size();
                afterReplacement = true;
                continue;
            }
        }
        result += c;
        ++at;
    }
    return result;
}
