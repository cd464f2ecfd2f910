#include "platform/jet/Crosstab.h"

#include "platform/jet/Collation.h"
#include "platform/jet/EngineImpl.h"
#include "platform/jet/Recordset.h"
#include "platform/jet/Field.h"

#include <cstdio>

namespace jet::impl {
namespace {

const std::string DatabaseSource = "DAO.Database";

[[noreturn]] void SyntaxError(const std::string& what)
{
    Raise(errSyntax, "Syntax error in TRANSFORM statement (" + what + ").", DatabaseSource);
}

bool IsWord(const sql::Token& token, std::string_view word)
{
    return token.Kind == sql::TokenKind::Identifier && SameName(token.Text, word);
}

bool IsOp(const sql::Token& token, std::string_view op)
{
    return token.Kind == sql::TokenKind::Operator && token.Text == op;
}

// The statement's tokens with the text they came from.
struct Statement {
    std::string_view Text;
    std::vector<sql::Token> Tokens;

    // Text of tokens [first, last).
    std::string Slice(std::size_t first, std::size_t last) const
    {
        if (first >= last)
            return "";
        const std::size_t begin = Tokens[first].Offset;
        const std::size_t end = last < Tokens.size() ? Tokens[last].Offset : Text.size();
        std::string text(Text.substr(begin, end - begin));
        while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == ';'))
            text.pop_back();
        return text;
    }
    // The first of `words` at parenthesis depth 0 in [first, last), or last.
    std::size_t Find(std::size_t first, std::size_t last, std::initializer_list<std::string_view> words) const
    {
        int depth = 0;
        for (std::size_t i = first; i < last; ++i) {
            if (IsOp(Tokens[i], "("))
                ++depth;
            else if (IsOp(Tokens[i], ")"))
                --depth;
            else if (depth == 0)
                for (std::string_view word : words)
                    if (IsWord(Tokens[i], word))
                        return i;
        }
        return last;
    }
};

std::string NumberLiteral(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// A pivot value as a literal of the dialect, and the heading of its column.
struct PivotValue {
    std::string Literal;  // empty for Null
    std::string Heading;
};

PivotValue ValueOf(const Variant& value)
{
    if (value.IsClear())
        return {"", "<>"};
    PivotValue pivot;
    switch (value.VarType()) {
    case varString: {
        std::string literal = "\"";
        for (char c : value.AsString())
            literal += c == '"' ? std::string("\"\"") : std::string(1, c);
        pivot.Literal = literal + "\"";
        break;
    }
    case varBoolean: pivot.Literal = value.AsBoolean() ? "-1" : "0"; break;
    case varDate: pivot.Literal = NumberLiteral(value.AsDate()); break;
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64: pivot.Literal = std::to_string(value.AsInt64()); break;
    default:
        if (value.IsArray())
            Raise(errInvalidOperation, "Invalid operation. Binary values cannot head crosstab columns.",
                  DatabaseSource);
        pivot.Literal = NumberLiteral(value.AsDouble());
    }
    pivot.Heading = value.AsString();
    return pivot;
}

// The heading of a value of a fixed IN list, as written.
std::string HeadingOf(const Statement& statement, std::size_t first, std::size_t last)
{
    if (last == first + 1) {
        const sql::Token& token = statement.Tokens[first];
        if (token.Kind == sql::TokenKind::String || token.Kind == sql::TokenKind::Date)
            return token.Text;
        if (IsWord(token, "NULL"))
            return "<>";
    }
    return statement.Slice(first, last);
}

// `expression` with every aggregate counting only rows where `condition`
// holds: Sum(x) becomes Sum(CASE WHEN condition THEN (x) END).
std::string Restricted(const Statement& statement, std::size_t first, std::size_t last, const std::string& condition)
{
    static const char* const aggregates[] = {"SUM", "AVG", "COUNT", "MIN", "MAX", "STDEV", "STDEVP", "VAR", "VARP",
                                              "FIRST", "LAST"};
    std::string out;
    std::size_t copied = first;
    bool any = false;
    for (std::size_t i = first; i + 1 < last; ++i) {
        bool aggregate = false;
        for (const char* name : aggregates)
            aggregate = aggregate || IsWord(statement.Tokens[i], name);
        if (!aggregate || !IsOp(statement.Tokens[i + 1], "("))
            continue;
        int depth = 0;
        std::size_t close = i + 1;
        for (; close < last; ++close) {
            if (IsOp(statement.Tokens[close], "("))
                ++depth;
            else if (IsOp(statement.Tokens[close], ")") && --depth == 0)
                break;
        }
        if (close >= last)
            SyntaxError("unbalanced parentheses");
        const bool star = close == i + 3 && IsOp(statement.Tokens[i + 2], "*");
        const std::string argument = star ? "1" : "(" + statement.Slice(i + 2, close) + ")";
        if (copied < i + 2)
            out += (out.empty() ? "" : " ") + statement.Slice(copied, i + 2);
        out += " CASE WHEN " + condition + " THEN " + argument + " END)";
        copied = close + 1;
        i = close;
        any = true;
    }
    if (!any)
        SyntaxError("the TRANSFORM value must be an aggregate");
    if (copied < last)
        out += " " + statement.Slice(copied, last);
    return out;
}

} // namespace

std::string ExpandCrosstab(DatabaseImpl& database, std::string_view text, const std::vector<Variant>& parameters)
{
    Statement statement{text, sql::Tokenize(text)};
    const std::vector<sql::Token>& tokens = statement.Tokens;
    std::size_t end = tokens.size();
    while (end > 0 && IsOp(tokens[end - 1], ";"))
        --end;
    // PARAMETERS ...; stays in front of every statement made from this one.
    std::size_t transform = 0;
    std::string header;
    if (end > 0 && IsWord(tokens[0], "PARAMETERS")) {
        while (transform < end && !IsOp(tokens[transform], ";"))
            ++transform;
        header = statement.Slice(0, transform) + "; ";
        ++transform;
    }
    if (transform >= end || !IsWord(tokens[transform], "TRANSFORM"))
        SyntaxError("TRANSFORM expected");
    const std::size_t select = statement.Find(transform + 1, end, {"SELECT"});
    const std::size_t pivot = statement.Find(select, end, {"PIVOT"});
    if (select == end || pivot == end || select == transform + 1)
        SyntaxError("TRANSFORM ... SELECT ... PIVOT expected");
    const std::size_t from = statement.Find(select + 1, pivot, {"FROM"});
    const std::size_t group = statement.Find(from, pivot, {"GROUP"});
    if (from == pivot || group == pivot || group + 1 >= pivot || !IsWord(tokens[group + 1], "BY"))
        SyntaxError("a crosstab needs FROM and GROUP BY");
    const std::size_t afterGroup = statement.Find(group + 2, pivot, {"HAVING", "ORDER"});
    const std::size_t order = statement.Find(group + 2, pivot, {"ORDER"});

    // PIVOT expression [IN (values)]
    const std::size_t in = statement.Find(pivot + 1, end, {"IN"});
    const std::string pivotExpression = statement.Slice(pivot + 1, in);
    if (pivotExpression.empty())
        SyntaxError("PIVOT expression expected");
    std::vector<std::pair<std::string, std::string>> columns;  // condition, heading
    const std::string pivotTerm = "(" + pivotExpression + ")";
    if (in < end) {
        if (in + 2 >= end || !IsOp(tokens[in + 1], "(") || !IsOp(tokens[end - 1], ")"))
            SyntaxError("IN (values) expected");
        std::size_t first = in + 2;
        int depth = 0;
        for (std::size_t i = in + 2; i < end; ++i) {
            if (IsOp(tokens[i], "("))
                ++depth;
            else if (IsOp(tokens[i], ")") && depth > 0)
                --depth;
            else if ((IsOp(tokens[i], ",") && depth == 0) || i == end - 1) {
                if (i == first)
                    SyntaxError("empty value in the IN list");
                const std::string value = statement.Slice(first, i);
                const bool isNull = i == first + 1 && IsWord(tokens[first], "NULL");
                columns.emplace_back(isNull ? pivotTerm + " IS NULL" : pivotTerm + " = " + value,
                                     HeadingOf(statement, first, i));
                first = i + 1;
            }
        }
    } else {
        const std::string values = header + "SELECT DISTINCT " + pivotTerm + " FROM " + statement.Slice(from + 1, group)
            + " ORDER BY 1";
        RecordsetPtr rows = database.OpenRecordsetOn(values, "", dbOpenSnapshot, 0, dbReadOnly, parameters, 0);
        for (; !rows->Eof(); rows->MoveNext()) {
            const PivotValue value = ValueOf(rows->Fields().Item(0)->Value());
            columns.emplace_back(value.Literal.empty() ? pivotTerm + " IS NULL" : pivotTerm + " = " + value.Literal,
                                 value.Heading);
        }
        rows->Close();
    }

    std::string sql = header + statement.Slice(select, from);
    for (const auto& [condition, heading] : columns) {
        std::string name = heading;
        for (char& c : name)
            if (c == ']')
                c = ')';  // a bracketed name cannot hold its closing bracket
        // A cell without rows stays Null, whatever the aggregate (a count too).
        sql += ", CASE WHEN Count(CASE WHEN " + condition + " THEN 1 END) > 0 THEN "
            + Restricted(statement, transform + 1, select, condition) + " END AS [" + name + "]";
    }
    sql += " " + statement.Slice(from, pivot);
    if (order == pivot)
        sql += " ORDER BY " + statement.Slice(group + 2, afterGroup);
    return sql;
}

} // namespace jet::impl
