#include "platform/jet/OdbcSql.h"

#include "platform/jet/Collation.h"
#include "platform/jet/Collection.h"
#include "platform/jet/EngineError.h"
#include "platform/system/DateTime.h"

#include <cstdio>
#include <set>

namespace jet::odbc {
namespace {

using sql::Token;
using sql::TokenKind;

bool IsWord(const Token& token, std::string_view word)
{
    return token.Kind == TokenKind::Identifier && AsciiUpper(token.Text) == word;
}

bool IsOp(const Token& token, std::string_view op)
{
    return token.Kind == TokenKind::Operator && token.Text == op;
}

bool IsName(const Token& token)
{
    return token.Kind == TokenKind::Identifier || token.Kind == TokenKind::Bracketed;
}

// Words of the dialect that are never names of the source's objects here.
bool IsSqlWord(const Token& token)
{
    static const std::set<std::string> words = {
        "SELECT", "FROM", "WHERE", "GROUP", "BY", "ORDER", "HAVING", "UNION", "ALL", "DISTINCT", "DISTINCTROW",
        "TOP", "AS", "ON", "JOIN", "INNER", "LEFT", "RIGHT", "OUTER", "CROSS", "AND", "OR", "NOT", "IN", "IS",
        "NULL", "LIKE", "BETWEEN", "EXISTS", "INSERT", "INTO", "VALUES", "UPDATE", "SET", "DELETE", "DROP", "TABLE",
        "INDEX", "CREATE", "ALTER", "ASC", "DESC", "CASE", "WHEN", "THEN", "ELSE", "END", "TRUE", "FALSE", "ESCAPE"};
    return token.Kind == TokenKind::Identifier && words.count(AsciiUpper(token.Text)) > 0;
}

// Records the tables the engine's translator meets, as the source spells
// them; every name is taken for a table, so unknown ones reach the driver,
// which names them in its error.
class RecordingNames : public sql::NameResolver {
public:
    explicit RecordingNames(const SourceNames& names) : Names(names) {}

    sql::NameBinding ResolveTable(std::string_view name) const override
    {
        const std::string spelled = Spelling(name);
        bool known = false;
        for (const std::string& table : Seen)
            known = known || table == spelled;
        if (!known)
            Seen.push_back(spelled);
        sql::NameBinding binding;
        binding.Type = sql::NameBinding::Table;
        binding.SqliteRef = "\"" + spelled + "\"";
        return binding;
    }
    std::string Spelling(std::string_view name) const
    {
        if (Names.Table)
            if (std::optional<std::string> spelled = Names.Table(name))
                return *spelled;
        return std::string(name);
    }

    mutable std::vector<std::string> Seen;

private:
    const SourceNames& Names;
};

std::string QuoteText(std::string_view text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

// A LIKE pattern of the dialect as an SQL pattern, with the ESCAPE clause
// it needs.
std::string LikePattern(std::string_view pattern)
{
    std::string out;
    bool escaped = false;
    for (char c : pattern) {
        if (c == '*') {
            out += '%';
        } else if (c == '?') {
            out += '_';
        } else if (c == '%' || c == '_' || c == '\\') {
            out += '\\';
            out += c;
            escaped = true;
        } else {
            out += c;
        }
    }
    return QuoteText(out) + (escaped ? " ESCAPE '\\'" : "");
}

std::string TimestampEscape(std::string_view inner, std::string_view text)
{
    platform::TDateTime value = 0;
    if (!platform::TryStrToDateTime(inner, value))
        throw EngineError(errSyntax, "Syntax error in date in query expression '" + std::string(text) + "'.",
                          "DAO.Database");
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
    platform::DecodeDate(value, year, month, day);
    platform::DecodeTime(value, hour, minute, second, millisecond);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "{ts '%04d-%02d-%02d %02d:%02d:%02d'}", year, month, day, hour, minute,
                  second);
    return stamp;
}

} // namespace

std::string QuoteName(std::string_view name, const std::string& quote)
{
    if (quote.empty())
        return std::string(name);
    std::string out = quote;
    for (char c : name) {
        out += c;
        if (std::string(1, c) == quote)
            out += c;
    }
    return out + quote;
}

OdbcStatement TranslateForOdbc(std::string_view text, const std::string& quote, const SourceNames& names)
{
    RecordingNames recorder(names);
    const sql::Translation checked = sql::TranslateStatement(text, recorder);
    OdbcStatement result;
    result.Kind = checked.Kind;
    result.Parameters = checked.Parameters;
    result.Tables = recorder.Seen;
    if (checked.Kind == sql::StatementKind::Select && checked.Shape.SingleTable)
        result.SingleTable = recorder.Spelling(checked.Shape.BaseTable);

    std::vector<Token> tokens = sql::Tokenize(text);
    while (!tokens.empty() && IsOp(tokens.back(), ";"))
        tokens.pop_back();
    std::size_t start = 0;
    if (!tokens.empty() && IsWord(tokens.front(), "PARAMETERS")) {
        while (start < tokens.size() && !IsOp(tokens[start], ";"))
            ++start;
        ++start;
    }
    const auto qualified = [&](std::size_t i) {
        return (i > start && IsOp(tokens[i - 1], ".")) || (i + 1 < tokens.size() && IsOp(tokens[i + 1], "."));
    };
    const auto followedByCall = [&](std::size_t i) { return i + 1 < tokens.size() && IsOp(tokens[i + 1], "("); };
    const auto parameterOf = [&](std::size_t i) -> std::optional<std::size_t> {
        if (!IsName(tokens[i]) || qualified(i) || followedByCall(i))
            return std::nullopt;
        for (std::size_t p = 0; p < result.Parameters.size(); ++p)
            if (SameName(result.Parameters[p].Name, tokens[i].Text))
                return p;
        return std::nullopt;
    };
    // A name as the source spells it: a table's, else a column's of the
    // tables named; quoted when bracketed or spelled otherwise.
    const auto name = [&](const Token& token) {
        std::optional<std::string> spelled = names.Table ? names.Table(token.Text) : std::nullopt;
        if (!spelled && names.Column)
            spelled = names.Column(result.Tables, token.Text);
        if (token.Kind == TokenKind::Bracketed)
            return QuoteName(spelled ? *spelled : token.Text, quote);
        return spelled && *spelled != token.Text ? QuoteName(*spelled, quote) : token.Text;
    };

    std::vector<std::string> out;
    std::size_t deleteEnd = start;
    if (start < tokens.size() && IsWord(tokens[start], "DELETE")) {
        deleteEnd = start + 1;
        while (deleteEnd < tokens.size() && !IsWord(tokens[deleteEnd], "FROM"))
            ++deleteEnd;
    }
    for (std::size_t i = start; i < tokens.size(); ++i) {
        if (i > start && i < deleteEnd)
            continue;  // DELETE * FROM, DELETE t.* FROM
        const Token& token = tokens[i];
        if (const std::optional<std::size_t> parameter = parameterOf(i)) {
            result.Markers.push_back(*parameter);
            out.push_back("?");
            continue;
        }
        switch (token.Kind) {
        case TokenKind::Identifier:
            if (IsWord(token, "DISTINCTROW"))
                out.push_back("DISTINCT");
            else if (IsWord(token, "LCASE") && followedByCall(i))
                out.push_back("LOWER");
            else if (IsWord(token, "UCASE") && followedByCall(i))
                out.push_back("UPPER");
            else if (IsSqlWord(token) || followedByCall(i))
                out.push_back(token.Text);
            else
                out.push_back(name(token));
            break;
        case TokenKind::Bracketed: out.push_back(name(token)); break;
        case TokenKind::String: {
            const bool afterLike = i > start && IsWord(tokens[i - 1], "LIKE");
            out.push_back(afterLike ? LikePattern(token.Text) : QuoteText(token.Text));
            break;
        }
        case TokenKind::Date: out.push_back(TimestampEscape(token.Text, text)); break;
        case TokenKind::Guid: {
            std::string bare = token.Text;
            if (bare.size() >= 2 && bare.front() == '{' && bare.back() == '}')
                bare = bare.substr(1, bare.size() - 2);
            out.push_back("{guid " + QuoteText(bare) + "}");
            break;
        }
        case TokenKind::Operator: out.push_back(token.Text == "&" ? std::string("||") : token.Text); break;
        default: out.push_back(token.Text); break;
        }
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        const bool tight = i > 0
            && (out[i] == "." || out[i - 1] == "." || out[i] == "," || out[i] == ")" || out[i - 1] == "(");
        if (i > 0 && !tight)
            result.Sql += ' ';
        result.Sql += out[i];
    }
    return result;
}

} // namespace jet::odbc
