#include "platform/jet/JetSql.h"

#include "platform/jet/Collation.h"
#include "platform/jet/Collection.h"
#include "platform/jet/Constants.h"
#include "platform/jet/EngineError.h"
#include "platform/jet/SqliteConnection.h"
#include "platform/system/DateTime.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace jet::sql {
namespace {

[[noreturn]] void SyntaxError(std::string_view what, std::string_view text)
{
    throw EngineError(errSyntax, std::string(what) + " in query expression '" + std::string(text) + "'.",
                      "DAO.Database");
}

bool IsNameStart(unsigned char c)
{
    return std::isalpha(c) || c == '_' || c >= 0x80;
}

bool IsNameChar(unsigned char c)
{
    return std::isalnum(c) || c == '_' || c >= 0x80;
}


bool Is(const Token& token, std::string_view word)
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

const std::set<std::string>& Keywords()
{
    static const std::set<std::string> words = {
        "SELECT", "FROM", "WHERE", "GROUP", "BY", "ORDER", "HAVING", "UNION", "ALL", "DISTINCT", "DISTINCTROW",
        "TOP", "AS", "ON", "JOIN", "INNER", "LEFT", "RIGHT", "OUTER", "CROSS", "NATURAL", "AND", "OR", "NOT", "IN",
        "IS", "NULL", "LIKE", "BETWEEN", "EXISTS", "INSERT", "INTO", "VALUES", "UPDATE", "SET", "DELETE", "DROP",
        "TABLE", "INDEX", "CREATE", "ALTER", "ASC", "DESC", "CASE", "WHEN", "THEN", "ELSE", "END", "TRUE", "FALSE",
        "LIMIT", "INTERSECT", "EXCEPT", "PARAMETERS", "TRANSFORM", "PIVOT", "WITH", "ESCAPE", "GLOB", "COLLATE",
        "USING"};
    return words;
}

bool IsKeyword(const Token& token)
{
    return token.Kind == TokenKind::Identifier && Keywords().count(AsciiUpper(token.Text)) > 0;
}

// Words that end a FROM list or start the next part of a statement.
bool IsClauseWord(const Token& token)
{
    static const std::set<std::string> words = {"WHERE", "GROUP", "ORDER", "HAVING", "UNION", "ON", "SET", "VALUES",
                                                "SELECT", "LIMIT", "INTERSECT", "EXCEPT", "USING", "JOIN", "INNER",
                                                "LEFT", "RIGHT", "CROSS", "NATURAL", "OUTER", "IN", "AS"};
    return token.Kind == TokenKind::Identifier && words.count(AsciiUpper(token.Text)) > 0;
}

bool IsAggregate(const Token& token)
{
    static const std::set<std::string> names = {"COUNT", "SUM", "AVG", "MIN", "MAX", "FIRST", "LAST", "STDEV",
                                                "STDEVP", "VAR", "VARP", "TOTAL", "GROUP_CONCAT"};
    return token.Kind == TokenKind::Identifier && names.count(AsciiUpper(token.Text)) > 0;
}

// ------------------------------------------------------------------ Mod
//
// The old dialect's "a Mod b" has no operator in SQLite: it becomes the
// connection's function jet_mod(a, b), which rounds both sides to integers
// first as the old engine did. Mod binds tighter than + and - and looser
// than * and /, so each side takes the products and quotients next to it;
// unary signs stay with their operand.

bool IsFunctionName(const Token& token)
{
    return token.Kind == TokenKind::Identifier
        && (!IsKeyword(token) || Is(token, "LEFT") || Is(token, "RIGHT"));
}

bool IsValueWord(const Token& token)
{
    return token.Kind == TokenKind::Bracketed
        || (token.Kind == TokenKind::Identifier
            && (!IsKeyword(token) || Is(token, "TRUE") || Is(token, "FALSE") || Is(token, "NULL")));
}

bool IsLiteral(const Token& token)
{
    return token.Kind == TokenKind::Number || token.Kind == TokenKind::String || token.Kind == TokenKind::Date
        || token.Kind == TokenKind::Guid;
}

bool IsMultiplicative(const Token& token)
{
    return IsOp(token, "*") || IsOp(token, "/");
}

constexpr std::size_t NoOperand = static_cast<std::size_t>(-1);

// The end (one past) of the operand that begins at `at`, or NoOperand.
std::size_t PrimaryEnd(const std::vector<Token>& tokens, std::size_t at)
{
    while (at < tokens.size() && (IsOp(tokens[at], "-") || IsOp(tokens[at], "+")))
        ++at;
    if (at >= tokens.size())
        return NoOperand;
    const auto closing = [&](std::size_t open) {
        int depth = 0;
        for (std::size_t i = open; i < tokens.size(); ++i) {
            if (IsOp(tokens[i], "("))
                ++depth;
            else if (IsOp(tokens[i], ")") && --depth == 0)
                return i + 1;
        }
        return NoOperand;
    };
    if (IsOp(tokens[at], "("))
        return closing(at);
    if (at + 1 < tokens.size() && IsOp(tokens[at + 1], "(") && IsFunctionName(tokens[at]))
        return closing(at + 1);
    if (IsLiteral(tokens[at]))
        return at + 1;
    if (!IsValueWord(tokens[at]))
        return NoOperand;
    std::size_t end = at + 1;
    while (end + 1 < tokens.size() && IsOp(tokens[end], ".") && IsName(tokens[end + 1]))
        end += 2;
    return end;
}

// The start of the operand whose last token is at `last`, or NoOperand.
std::size_t PrimaryStart(const std::vector<Token>& tokens, std::size_t last)
{
    std::size_t start = last;
    if (IsOp(tokens[last], ")")) {
        int depth = 0;
        for (std::size_t i = last + 1; i-- > 0;) {
            if (IsOp(tokens[i], ")"))
                ++depth;
            else if (IsOp(tokens[i], "(") && --depth == 0) {
                start = i;
                break;
            }
            if (i == 0)
                return NoOperand;
        }
        if (start > 0 && IsFunctionName(tokens[start - 1]))
            --start;
    } else if (IsValueWord(tokens[last])) {
        while (start >= 2 && IsOp(tokens[start - 1], ".") && IsName(tokens[start - 2]))
            start -= 2;
    } else if (!IsLiteral(tokens[last])) {
        return NoOperand;
    }
    // A sign right before the operand is unary when nothing that ends an
    // operand stands before it.
    while (start > 0 && (IsOp(tokens[start - 1], "-") || IsOp(tokens[start - 1], "+"))) {
        const bool unary = start == 1
            || (tokens[start - 2].Kind == TokenKind::Operator && !IsOp(tokens[start - 2], ")"))
            || (tokens[start - 2].Kind == TokenKind::Identifier && IsKeyword(tokens[start - 2])
                && !IsValueWord(tokens[start - 2]));
        if (!unary)
            break;
        --start;
    }
    return start;
}

bool IsAdditive(const Token& token)
{
    return IsOp(token, "+") || IsOp(token, "-");
}

// Turns each "a <op> b" into "function(a, b)", left to right, where each side
// takes the operands joined to it by the operators `binds` (those that bind
// tighter than <op>).
void RewriteBinary(std::vector<Token>& tokens, bool (*isOperator)(const Token&), const char* function,
                   bool (*binds)(const Token&))
{
    for (std::size_t i = 1; i + 1 < tokens.size(); ++i) {
        if (!isOperator(tokens[i]))
            continue;
        std::size_t left = PrimaryStart(tokens, i - 1);
        while (left != NoOperand && left >= 2 && binds(tokens[left - 1]))
            left = PrimaryStart(tokens, left - 2);
        std::size_t right = PrimaryEnd(tokens, i + 1);
        while (right != NoOperand && right < tokens.size() && binds(tokens[right]))
            right = PrimaryEnd(tokens, right + 1);
        if (left == NoOperand || right == NoOperand)
            continue;
        const std::size_t offset = tokens[i].Offset;
        std::vector<Token> call;
        call.push_back({TokenKind::Identifier, function, offset});
        call.push_back({TokenKind::Operator, "(", offset});
        call.insert(call.end(), tokens.begin() + static_cast<std::ptrdiff_t>(left),
                    tokens.begin() + static_cast<std::ptrdiff_t>(i));
        call.push_back({TokenKind::Operator, ",", offset});
        call.insert(call.end(), tokens.begin() + static_cast<std::ptrdiff_t>(i + 1),
                    tokens.begin() + static_cast<std::ptrdiff_t>(right));
        call.push_back({TokenKind::Operator, ")", offset});
        tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(left), tokens.begin() + static_cast<std::ptrdiff_t>(right));
        tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(left), call.begin(), call.end());
        i = left;  // the call is the left operand of the next operator
    }
}

void RewriteMod(std::vector<Token>& tokens)
{
    RewriteBinary(tokens, [](const Token& token) { return Is(token, "MOD"); }, "jet_mod", IsMultiplicative);
}

// "a & b" becomes the connection's jet_concat(a, b): SQLite's || gives Null
// when either side is Null, the old engine's & only when both are. & binds
// looser than arithmetic (Mod is a call by now), tighter than comparisons.
void RewriteConcatenation(std::vector<Token>& tokens)
{
    RewriteBinary(tokens, [](const Token& token) { return IsOp(token, "&"); }, "jet_concat",
                  [](const Token& token) { return IsMultiplicative(token) || IsAdditive(token); });
}

void RewriteOperators(std::vector<Token>& tokens)
{
    RewriteMod(tokens);
    RewriteConcatenation(tokens);
}

std::string DateLiteral(std::string_view inner, std::string_view text)
{
    platform::TDateTime value = 0;
    if (!platform::TryStrToDateTime(inner, value))
        SyntaxError("Syntax error in date", text);
    return sqlite::RealLiteral(value);
}

std::string GuidLiteral(std::string_view inner, std::string_view text)
{
    const std::optional<std::string> bytes = GuidBytes(inner);
    if (!bytes)
        SyntaxError("Malformed GUID", text);
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "X'";
    for (char c : *bytes) {
        out += hex[(static_cast<unsigned char>(c) >> 4) & 0xF];
        out += hex[static_cast<unsigned char>(c) & 0xF];
    }
    return out + "'";
}

// The text of a literal or operator token as SQLite reads it; names are the
// caller's business.
std::string LiteralText(const Token& token, std::string_view text)
{
    switch (token.Kind) {
    case TokenKind::String: return sqlite::QuoteText(token.Text);
    case TokenKind::Number: return token.Text;
    case TokenKind::Date: return DateLiteral(token.Text, text);
    case TokenKind::Guid: return GuidLiteral(token.Text, text);
    case TokenKind::Operator: return token.Text == "&" ? std::string("||") : token.Text;
    case TokenKind::Bracketed: return sqlite::QuoteIdentifier(token.Text);
    case TokenKind::Identifier:
        if (Is(token, "TRUE"))
            return "-1";
        if (Is(token, "FALSE"))
            return "0";
        return token.Text;
    }
    return token.Text;
}

std::string Join(const std::vector<std::string>& parts, std::size_t from, std::size_t to)
{
    std::string out;
    for (std::size_t i = from; i < to && i < parts.size(); ++i) {
        if (parts[i].empty())
            continue;
        if (!out.empty())
            out += ' ';
        out += parts[i];
    }
    return out;
}

class StatementTranslator {
public:
    StatementTranslator(std::string_view text, const NameResolver& names) : Text(text), Names(names) {}

    Translation Run();

private:
    void ReadParametersHeader();
    void ReadSelectInto(std::size_t into, std::size_t from);
    void RewriteJoinedUpdate();
    void TranslateTokens();
    void BuildShape();
    std::size_t FindAtDepthZero(std::size_t from, std::size_t to, std::initializer_list<std::string_view> words) const;
    std::string TranslateStoredQuery(const std::string& name, const std::string& sql) const;
    std::optional<int> ParameterIndex(std::size_t i) const;
    bool IsPartOfQualifiedName(std::size_t i) const;

    std::string_view Text;
    const NameResolver& Names;
    std::vector<Token> Tokens;
    std::vector<bool> Dropped;
    std::vector<std::string> Out;
    std::size_t Start = 0;  // first token of the statement proper
    Translation Result;
    // Table references met: token index -> their binding.
    std::vector<std::pair<std::size_t, NameBinding>> TableRefs;
};

std::size_t StatementTranslator::FindAtDepthZero(std::size_t from, std::size_t to,
                                                 std::initializer_list<std::string_view> words) const
{
    int depth = 0;
    for (std::size_t i = from; i < to; ++i) {
        const Token& token = Tokens[i];
        if (IsOp(token, "("))
            ++depth;
        else if (IsOp(token, ")"))
            --depth;
        else if (depth == 0)
            for (std::string_view word : words)
                if (Is(token, word))
                    return i;
    }
    return to;
}

// Stored queries name other stored queries; their texts are translated in
// turn, to a bounded depth (a query that names itself would never end).
thread_local int QueryNesting = 0;
constexpr int MaxQueryNesting = 16;

std::string StatementTranslator::TranslateStoredQuery(const std::string& name, const std::string& sql) const
{
    if (QueryNesting >= MaxQueryNesting)
        throw EngineError(errSyntax, "Circular reference caused by '" + name + "'.", "DAO.Database");
    struct Nesting {
        Nesting() { ++QueryNesting; }
        ~Nesting() { --QueryNesting; }
    } nesting;
    const Translation inner = StatementTranslator(sql, Names).Run();
    if (inner.Kind != StatementKind::Select)
        throw EngineError(errInvalidOperation, "Invalid operation. '" + name + "' is not a select query.",
                          "DAO.Database");
    if (!inner.Parameters.empty())
        throw EngineError(errTooFewParameters,
                          "Too few parameters. Expected " + std::to_string(inner.Parameters.size()) + ".",
                          "DAO.Database");
    return inner.Sql;
}

void StatementTranslator::ReadParametersHeader()
{
    std::size_t i = 1;
    while (i < Tokens.size() && !IsOp(Tokens[i], ";")) {
        if (!IsName(Tokens[i]))
            SyntaxError("Syntax error in PARAMETERS clause", Text);
        DeclaredParameter parameter;
        parameter.Name = Tokens[i].Text;
        ++i;
        std::string typeName;
        while (i < Tokens.size() && Tokens[i].Kind == TokenKind::Identifier) {
            typeName += (typeName.empty() ? "" : " ") + Tokens[i].Text;
            ++i;
        }
        if (i < Tokens.size() && IsOp(Tokens[i], "(")) {  // Text(255)
            while (i < Tokens.size() && !IsOp(Tokens[i], ")"))
                ++i;
            if (i == Tokens.size())
                SyntaxError("Syntax error in PARAMETERS clause", Text);
            ++i;
        }
        parameter.Type = ParameterTypeCode(typeName);
        if (parameter.Type == 0)
            SyntaxError("Syntax error in PARAMETERS clause", Text);
        for (const DeclaredParameter& other : Result.Parameters)
            if (SameName(other.Name, parameter.Name))
                throw EngineError(errSyntax, "Duplicate output alias '" + parameter.Name + "'.", "DAO.Database");
        Result.Parameters.push_back(parameter);
        if (i < Tokens.size() && IsOp(Tokens[i], ","))
            ++i;
        else if (i < Tokens.size() && !IsOp(Tokens[i], ";"))
            SyntaxError("Syntax error in PARAMETERS clause", Text);
    }
    if (i == Tokens.size())
        SyntaxError("Syntax error in PARAMETERS clause", Text);
    Start = i + 1;
}

void StatementTranslator::ReadSelectInto(std::size_t into, std::size_t from)
{
    std::size_t i = into + 1;
    if (i >= from || !IsName(Tokens[i]))
        SyntaxError("Syntax error in INTO clause", Text);
    Result.IntoTable = Tokens[i].Text;
    ++i;
    if (i + 1 < from && IsOp(Tokens[i], ".") && IsName(Tokens[i + 1])) {
        Result.IntoDatabase = Result.IntoTable;
        Result.IntoTable = Tokens[i + 1].Text;
        i += 2;
    }
    if (i < from && Is(Tokens[i], "IN")) {
        ++i;
        if (i >= from || Tokens[i].Kind != TokenKind::String)
            SyntaxError("Syntax error in INTO clause", Text);
        Result.HasIn = true;
        Result.IntoDatabase = Tokens[i].Text;
        ++i;
        if (i < from && (Tokens[i].Kind == TokenKind::Bracketed || Tokens[i].Kind == TokenKind::String)) {
            Result.IntoFormat = Tokens[i].Text;
            ++i;
        }
    }
    if (i != from)
        SyntaxError("Syntax error in INTO clause", Text);
    for (std::size_t k = into; k < from; ++k)
        Dropped[k] = true;
}

// UPDATE <joined tables> SET ... [WHERE ...] updates the rows of one table
// that the join gives. SQLite updates a single table, so the join is read
// first, with the row id of that table and the new values, and the table is
// updated from what it gives:
//   UPDATE t AS jet_target SET x = jet_update.jet_value1, ...
//   FROM (SELECT q.rowid AS jet_rowid, <value 1> AS jet_value1, ...
//         FROM <joined tables> [WHERE ...]) AS jet_update
//   WHERE jet_target.rowid = jet_update.jet_rowid
// The values and the condition thus read names over the join as written.
void StatementTranslator::RewriteJoinedUpdate()
{
    const std::size_t n = Tokens.size();
    const std::size_t set = FindAtDepthZero(Start + 1, n, {"SET"});
    const auto head = [&](std::string_view word) {
        return std::any_of(Tokens.begin() + static_cast<std::ptrdiff_t>(Start),
                           Tokens.begin() + static_cast<std::ptrdiff_t>(set),
                           [&](const Token& token) { return Is(token, word); });
    };
    // A subquery among the tables is left to SQLite, which refuses it.
    if (set == n || !head("JOIN") || head("SELECT"))
        return;
    const std::size_t where = FindAtDepthZero(set + 1, n, {"WHERE"});

    // The tables joined: where each stands, and what qualifies its fields.
    struct JoinedTable {
        std::size_t First, End;  // the name, or database.name
        std::string Qualifier;
    };
    std::vector<JoinedTable> tables;
    std::vector<bool> tablePlace(set, false);
    for (std::size_t i = Start + 1; i < set; ++i) {
        tablePlace[i] = i == Start + 1 || Is(Tokens[i - 1], "JOIN") || (IsOp(Tokens[i - 1], "(") && tablePlace[i - 1]);
        if (!tablePlace[i] || !IsName(Tokens[i]) || IsClauseWord(Tokens[i]))
            continue;
        std::size_t end = i + 1;
        if (end + 1 < set && IsOp(Tokens[end], ".") && IsName(Tokens[end + 1]))
            end += 2;
        std::string qualifier = Tokens[end - 1].Text;
        std::size_t next = end;
        if (next < set && Is(Tokens[next], "AS"))
            ++next;
        if (next < set && IsName(Tokens[next]) && !IsKeyword(Tokens[next]))
            qualifier = Tokens[next].Text;
        tables.push_back({i, end, qualifier});
    }
    if (tables.empty())
        SyntaxError("Syntax error in JOIN operation", Text);

    // SET [qualifier.]field = value, ...
    struct Assignment {
        const Token* Field;
        std::size_t ValueFirst, ValueEnd;
    };
    std::vector<Assignment> assignments;
    const JoinedTable* target = nullptr;
    for (std::size_t i = set + 1; i < where;) {
        std::size_t end = i;
        for (int depth = 0; end < where && !(depth == 0 && IsOp(Tokens[end], ",")); ++end)
            depth += IsOp(Tokens[end], "(") ? 1 : IsOp(Tokens[end], ")") ? -1 : 0;
        const bool qualified = i + 3 < end && IsName(Tokens[i]) && IsOp(Tokens[i + 1], ".") && IsName(Tokens[i + 2])
            && IsOp(Tokens[i + 3], "=");
        if (!qualified && !(i + 1 < end && IsName(Tokens[i]) && IsOp(Tokens[i + 1], "=")))
            SyntaxError("Syntax error in UPDATE statement", Text);
        const std::size_t equals = qualified ? i + 3 : i + 1;
        // An unqualified field is the one table's that has it, else the
        // first table's.
        const JoinedTable* table = &tables.front();
        const auto holds = [&](const JoinedTable& candidate) {
            return candidate.End == candidate.First + 1 && Names.TableHasField(Tokens[candidate.First].Text, Tokens[i].Text);
        };
        if (!qualified && std::count_if(tables.begin(), tables.end(), holds) == 1)
            table = &*std::find_if(tables.begin(), tables.end(), holds);
        if (qualified) {
            const auto named = std::find_if(tables.begin(), tables.end(), [&](const JoinedTable& candidate) {
                return SameName(candidate.Qualifier, Tokens[i].Text);
            });
            if (named == tables.end())
                throw EngineError(errTooFewParameters,
                                  "Too few parameters. Expected 1. (Unknown field '" + Tokens[i].Text + "."
                                      + Tokens[i + 2].Text + "')",
                                  "DAO.Database");
            table = &*named;
        }
        if (target && target != table)
            throw EngineError(errNotSupported,
                              "Operation is not supported for this type of object. (An UPDATE that sets the fields "
                              "of more than one table of a join)",
                              "DAO.Database");
        target = table;
        assignments.push_back({&Tokens[equals - 1], equals + 1, end});
        if (equals + 1 == end)
            SyntaxError("Syntax error in UPDATE statement", Text);
        i = end < where ? end + 1 : end;
    }
    if (assignments.empty())
        SyntaxError("Syntax error in UPDATE statement", Text);

    const auto word = [](const char* text) { return Token{TokenKind::Identifier, text, 0}; };
    const auto op = [](const char* text) { return Token{TokenKind::Operator, text, 0}; };
    const auto range = [&](std::vector<Token>& out, std::size_t first, std::size_t end) {
        out.insert(out.end(), Tokens.begin() + static_cast<std::ptrdiff_t>(first),
                   Tokens.begin() + static_cast<std::ptrdiff_t>(end));
    };
    std::vector<Token> out;
    range(out, 0, Start + 1);  // a PARAMETERS header and UPDATE
    range(out, target->First, target->End);
    out.insert(out.end(), {word("AS"), word("jet_target"), word("SET")});
    for (std::size_t k = 0; k < assignments.size(); ++k) {
        if (k > 0)
            out.push_back(op(","));
        const std::string value = "jet_value" + std::to_string(k + 1);
        out.insert(out.end(), {*assignments[k].Field, op("="), word("jet_update"), op(".")});
        out.push_back({TokenKind::Identifier, value, 0});
    }
    out.insert(out.end(), {word("FROM"), op("("), word("SELECT"), {TokenKind::Bracketed, target->Qualifier, 0},
                           op("."), word("rowid"), word("AS"), word("jet_rowid")});
    for (std::size_t k = 0; k < assignments.size(); ++k) {
        out.push_back(op(","));
        range(out, assignments[k].ValueFirst, assignments[k].ValueEnd);
        out.insert(out.end(), {word("AS"), {TokenKind::Identifier, "jet_value" + std::to_string(k + 1), 0}});
    }
    out.push_back(word("FROM"));
    range(out, Start + 1, set);
    range(out, where, n);
    out.insert(out.end(), {op(")"), word("AS"), word("jet_update"), word("WHERE"), word("jet_target"), op("."),
                           word("rowid"), op("="), word("jet_update"), op("."), word("jet_rowid")});
    Tokens = std::move(out);
}

bool StatementTranslator::IsPartOfQualifiedName(std::size_t i) const
{
    return (i > 0 && IsOp(Tokens[i - 1], ".")) || (i + 1 < Tokens.size() && IsOp(Tokens[i + 1], "."));
}

std::optional<int> StatementTranslator::ParameterIndex(std::size_t i) const
{
    if (Result.Parameters.empty() || !IsName(Tokens[i]) || IsPartOfQualifiedName(i))
        return std::nullopt;
    if (i + 1 < Tokens.size() && IsOp(Tokens[i + 1], "("))
        return std::nullopt;
    for (std::size_t p = 0; p < Result.Parameters.size(); ++p)
        if (SameName(Result.Parameters[p].Name, Tokens[i].Text))
            return static_cast<int>(p) + 1;
    return std::nullopt;
}

void StatementTranslator::TranslateTokens()
{
    struct Level {
        bool InFrom = false;
        bool ExpectTable = false;
        bool InsertTarget = false;  // INSERT INTO's table, which a column list may follow
    };
    std::vector<Level> levels(1);
    Out.assign(Tokens.size(), std::string());
    const std::string first = AsciiUpper(Tokens[Start].Text);
    for (std::size_t i = Start; i < Tokens.size(); ++i) {
        if (Dropped[i])
            continue;
        const Token& token = Tokens[i];
        Level& level = levels.back();
        if (IsOp(token, "(")) {
            level.ExpectTable = false;
            levels.push_back(Level());
            Out[i] = "(";
            continue;
        }
        if (IsOp(token, ")")) {
            if (levels.size() == 1)
                SyntaxError("Syntax error (missing operator)", Text);
            levels.pop_back();
            Out[i] = ")";
            continue;
        }
        if (IsOp(token, ";"))
            throw EngineError(errSyntax, "Characters found after end of SQL statement.", "DAO.Database");
        if (IsOp(token, ",") && level.InFrom) {
            level.ExpectTable = true;
            Out[i] = ",";
            continue;
        }
        // Where a table is expected any name is one (a table may be called
        // "Top" or "Order"), unless it starts the next clause.
        if (level.ExpectTable && IsName(token)
            && (level.InsertTarget || !(i + 1 < Tokens.size() && IsOp(Tokens[i + 1], "("))) && !IsClauseWord(token)) {
            level.ExpectTable = false;
            level.InsertTarget = false;
            std::size_t last = i;
            std::string name = token.Text;
            std::string schema;
            if (i + 2 < Tokens.size() && IsOp(Tokens[i + 1], ".") && IsName(Tokens[i + 2])) {
                schema = name;
                name = Tokens[i + 2].Text;
                last = i + 2;
            }
            const std::size_t next = last + 1;
            const bool hasAlias = next < Tokens.size()
                && (Is(Tokens[next], "AS") || Tokens[next].Kind == TokenKind::Bracketed
                    || (Tokens[next].Kind == TokenKind::Identifier && !IsKeyword(Tokens[next])));
            std::string text;
            if (!schema.empty()) {
                text = sqlite::QuoteIdentifier(schema) + "." + sqlite::QuoteIdentifier(name);
            } else {
                NameBinding binding = Names.ResolveTable(name);
                if (binding.Type == NameBinding::Table) {
                    text = binding.SqliteRef;
                    if (!hasAlias && text != sqlite::QuoteIdentifier(name))
                        text += " AS " + sqlite::QuoteIdentifier(name);
                } else if (binding.Type == NameBinding::Query) {
                    text = "(" + TranslateStoredQuery(name, binding.QuerySql) + ")";
                    if (!hasAlias)
                        text += " AS " + sqlite::QuoteIdentifier(name);
                } else {
                    text = sqlite::QuoteIdentifier(name);
                }
                TableRefs.emplace_back(i, std::move(binding));
            }
            Out[i] = text;
            i = last;
            continue;
        }
        if (token.Kind == TokenKind::Identifier && IsKeyword(token)) {
            const std::string word = AsciiUpper(token.Text);
            if (word == "FROM" || word == "JOIN") {
                level.InFrom = true;
                level.ExpectTable = true;
            } else if ((word == "UPDATE" && i == Start) || (word == "INTO" && first == "INSERT")) {
                level.ExpectTable = true;
                level.InsertTarget = word == "INTO";
            } else if (word == "WHERE" || word == "GROUP" || word == "ORDER" || word == "HAVING" || word == "UNION"
                       || word == "ON" || word == "SET" || word == "VALUES" || word == "SELECT" || word == "LIMIT"
                       || word == "INTERSECT" || word == "EXCEPT" || word == "USING") {
                level.InFrom = false;
                level.ExpectTable = false;
            }
            Out[i] = LiteralText(token, Text);
            continue;
        }
        if (const std::optional<int> parameter = ParameterIndex(i)) {
            Out[i] = "?" + std::to_string(*parameter);
            continue;
        }
        if (token.Kind == TokenKind::Identifier && IsPartOfQualifiedName(i)) {
            Out[i] = token.Text;  // True and False only as values
            continue;
        }
        Out[i] = LiteralText(token, Text);
    }
    if (levels.size() != 1)
        SyntaxError("Syntax error (missing closing parenthesis)", Text);
}

void StatementTranslator::BuildShape()
{
    SelectShape& shape = Result.Shape;
    const std::size_t end = Tokens.size();
    std::size_t listStart = Start + 1;
    bool distinct = false;
    if (listStart < end && Is(Tokens[listStart], "ALL"))
        ++listStart;
    else if (listStart < end && (Is(Tokens[listStart], "DISTINCT") || Is(Tokens[listStart], "DISTINCTROW")
                                 || Is(Tokens[listStart], "TOP")))
        distinct = true;
    const std::size_t from = FindAtDepthZero(Start, end, {"FROM"});
    std::size_t listEnd = from;
    for (std::size_t i = listStart; i < from; ++i)
        if (Dropped[i]) {
            listEnd = i;
            break;
        }
    const std::size_t fromEnd =
        FindAtDepthZero(from, end, {"WHERE", "GROUP", "HAVING", "ORDER", "UNION", "INTERSECT", "EXCEPT", "LIMIT"});
    shape.Head = Join(Out, Start, listStart);
    shape.List = Join(Out, listStart, listEnd);
    shape.From = Join(Out, from, fromEnd);
    shape.Rest = Join(Out, fromEnd, end);
    if (distinct || from == end)
        return;
    if (FindAtDepthZero(fromEnd, end, {"GROUP", "HAVING", "UNION", "INTERSECT", "EXCEPT"}) != end)
        return;
    int depth = 0;
    for (std::size_t i = listStart; i < listEnd; ++i) {
        if (IsOp(Tokens[i], "("))
            ++depth;
        else if (IsOp(Tokens[i], ")"))
            --depth;
        else if (depth == 0 && IsAggregate(Tokens[i]) && i + 1 < listEnd && IsOp(Tokens[i + 1], "("))
            return;
    }
    // FROM <table> [[AS] alias]
    std::size_t i = from + 1;
    if (i >= fromEnd || !IsName(Tokens[i]))
        return;
    const auto ref = std::find_if(TableRefs.begin(), TableRefs.end(), [&](const auto& entry) { return entry.first == i; });
    if (ref == TableRefs.end() || ref->second.Type != NameBinding::Table)
        return;
    const std::string table = Tokens[i].Text;
    ++i;
    std::string qualifier = sqlite::QuoteIdentifier(table);
    if (i < fromEnd && Is(Tokens[i], "AS"))
        ++i;
    if (i < fromEnd && IsName(Tokens[i]) && !IsKeyword(Tokens[i])) {
        qualifier = sqlite::QuoteIdentifier(Tokens[i].Text);
        ++i;
    }
    if (i != fromEnd)
        return;
    shape.SingleTable = true;
    shape.BaseTable = table;
    shape.BaseRef = ref->second.SqliteRef;
    shape.Qualifier = qualifier;
}

Translation StatementTranslator::Run()
{
    Tokens = Tokenize(Text);
    RewriteOperators(Tokens);
    while (!Tokens.empty() && IsOp(Tokens.back(), ";"))
        Tokens.pop_back();
    if (!Tokens.empty() && Is(Tokens.front(), "PARAMETERS"))
        ReadParametersHeader();
    if (Start >= Tokens.size() || Tokens[Start].Kind != TokenKind::Identifier)
        throw EngineError(errSyntax,
                          "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.",
                          "DAO.Database");
    Dropped.assign(Tokens.size(), false);
    const std::string first = AsciiUpper(Tokens[Start].Text);
    std::size_t into = Tokens.size();
    std::size_t from = Tokens.size();
    if (first == "SELECT") {
        from = FindAtDepthZero(Start, Tokens.size(), {"FROM"});
        into = FindAtDepthZero(Start, from, {"INTO"});
        Result.Kind = into < from ? StatementKind::SelectInto : StatementKind::Select;
        if (into < from)
            ReadSelectInto(into, from);
    } else if (first == "INSERT") {
        Result.Kind = StatementKind::Insert;
    } else if (first == "UPDATE") {
        Result.Kind = StatementKind::Update;
        RewriteJoinedUpdate();
        Dropped.assign(Tokens.size(), false);
    } else if (first == "DELETE") {
        Result.Kind = StatementKind::Delete;
        const std::size_t deleteFrom = FindAtDepthZero(Start, Tokens.size(), {"FROM"});
        for (std::size_t i = Start + 1; i < deleteFrom; ++i)
            Dropped[i] = true;  // DELETE * FROM, DELETE t.* FROM
    } else if (first == "DROP") {
        const std::size_t n = Tokens.size();
        if (Start + 2 < n && Is(Tokens[Start + 1], "TABLE") && IsName(Tokens[Start + 2])) {
            Result.Kind = StatementKind::DropTable;
            Result.DropName = Tokens[Start + 2].Text;
            std::size_t end = Start + 3;
            if (Start + 4 < n && IsOp(Tokens[Start + 3], ".") && IsName(Tokens[Start + 4])) {
                Result.DropDatabase = Result.DropName;
                Result.DropName = Tokens[Start + 4].Text;
                end = Start + 5;
            }
            if (end != n)
                SyntaxError("Syntax error in DROP TABLE or DROP INDEX", Text);
        } else if (Start + 4 < n && Is(Tokens[Start + 1], "INDEX") && IsName(Tokens[Start + 2])
                   && Is(Tokens[Start + 3], "ON") && IsName(Tokens[Start + 4]) && Start + 5 == n) {
            Result.Kind = StatementKind::DropIndex;
            Result.DropName = Tokens[Start + 2].Text;
            Result.DropTable = Tokens[Start + 4].Text;
        } else {
            SyntaxError("Syntax error in DROP TABLE or DROP INDEX", Text);
        }
        return Result;
    } else if (first == "CREATE" || first == "ALTER" || first == "TRANSFORM") {
        // Carried out by the engine itself from the statement as written.
        Result.Kind = first == "CREATE" ? StatementKind::Create
            : first == "ALTER"          ? StatementKind::Alter
                                        : StatementKind::Crosstab;
        Result.Sql = std::string(Text);
        return Result;
    } else {
        throw EngineError(errSyntax,
                          "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.",
                          "DAO.Database");
    }
    TranslateTokens();
    Result.Sql = Join(Out, Start, Tokens.size());
    if (Result.Kind == StatementKind::Select || Result.Kind == StatementKind::SelectInto)
        BuildShape();
    return Result;
}

} // namespace


std::vector<Token> Tokenize(std::string_view text)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c <= ' ') {
            ++i;
            continue;
        }
        Token token;
        token.Offset = i;
        if (IsNameStart(c)) {
            std::size_t j = i;
            while (j < n && IsNameChar(static_cast<unsigned char>(text[j])))
                ++j;
            token.Kind = TokenKind::Identifier;
            token.Text = std::string(text.substr(i, j - i));
            i = j;
        } else if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
            std::size_t j = i;
            while (j < n && std::isdigit(static_cast<unsigned char>(text[j])))
                ++j;
            if (j < n && text[j] == '.') {
                ++j;
                while (j < n && std::isdigit(static_cast<unsigned char>(text[j])))
                    ++j;
            }
            if (j < n && (text[j] == 'e' || text[j] == 'E')) {
                std::size_t k = j + 1;
                if (k < n && (text[k] == '+' || text[k] == '-'))
                    ++k;
                if (k < n && std::isdigit(static_cast<unsigned char>(text[k]))) {
                    while (k < n && std::isdigit(static_cast<unsigned char>(text[k])))
                        ++k;
                    j = k;
                }
            }
            if (j < n && IsNameChar(static_cast<unsigned char>(text[j])))
                SyntaxError("Syntax error in number", text);
            token.Kind = TokenKind::Number;
            token.Text = std::string(text.substr(i, j - i));
            i = j;
        } else if (c == '[') {
            const std::size_t close = text.find(']', i + 1);
            if (close == std::string_view::npos)
                SyntaxError("Invalid bracketing of name", text);
            token.Kind = TokenKind::Bracketed;
            token.Text = std::string(text.substr(i + 1, close - i - 1));
            i = close + 1;
        } else if (c == '"' || c == '\'') {
            std::size_t j = i + 1;
            std::string value;
            bool closed = false;
            while (j < n) {
                if (text[j] == static_cast<char>(c)) {
                    if (j + 1 < n && text[j + 1] == static_cast<char>(c)) {
                        value += static_cast<char>(c);
                        j += 2;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                value += text[j++];
            }
            if (!closed)
                SyntaxError("Syntax error in string", text);
            token.Kind = TokenKind::String;
            token.Text = std::move(value);
            i = j;
        } else if (c == '#') {
            const std::size_t close = text.find('#', i + 1);
            if (close == std::string_view::npos)
                SyntaxError("Syntax error in date", text);
            token.Kind = TokenKind::Date;
            token.Text = std::string(text.substr(i + 1, close - i - 1));
            i = close + 1;
        } else if (c == '{') {
            // {guid {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}}
            const std::string_view rest = text.substr(i);
            if (rest.size() < 6 || AsciiUpper(rest.substr(1, 4)) != "GUID")
                SyntaxError("Syntax error", text);
            std::size_t j = i + 5;
            while (j < n && text[j] == ' ')
                ++j;
            const std::size_t close = text.find('}', j);
            if (j >= n || text[j] != '{' || close == std::string_view::npos)
                SyntaxError("Malformed GUID", text);
            std::size_t end = close + 1;
            while (end < n && text[end] == ' ')
                ++end;
            if (end >= n || text[end] != '}')
                SyntaxError("Malformed GUID", text);
            token.Kind = TokenKind::Guid;
            token.Text = std::string(text.substr(j, close - j + 1));
            i = end + 1;
        } else {
            static const char* const twoChar[] = {"<=", ">=", "<>", "!=", "==", "||"};
            token.Kind = TokenKind::Operator;
            bool matched = false;
            for (const char* op : twoChar) {
                if (text.substr(i, 2) == op) {
                    token.Text = op;
                    i += 2;
                    matched = true;
                    break;
                }
            }
            if (!matched) {
                if (std::string_view("=<>+-*/&,().;").find(static_cast<char>(c)) == std::string_view::npos)
                    SyntaxError("Syntax error (invalid character '" + std::string(1, static_cast<char>(c)) + "')",
                                text);
                token.Text = std::string(1, static_cast<char>(c));
                ++i;
            }
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

Translation TranslateStatement(std::string_view text, const NameResolver& names)
{
    return StatementTranslator(text, names).Run();
}

std::string TranslateExpression(std::string_view text, const ColumnResolver& columns)
{
    std::vector<Token> tokens = Tokenize(text);
    RewriteOperators(tokens);
    std::vector<std::string> out;
    int depth = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (IsOp(token, ";"))
            SyntaxError("Syntax error", text);
        if (IsOp(token, "("))
            ++depth;
        if (IsOp(token, ")") && --depth < 0)
            SyntaxError("Syntax error (missing operator)", text);
        if (Is(token, "SELECT"))
            SyntaxError("Syntax error", text);
        const bool function = i + 1 < tokens.size() && IsOp(tokens[i + 1], "(");
        if (!IsName(token) || (token.Kind == TokenKind::Identifier && (IsKeyword(token) || function))) {
            out.push_back(LiteralText(token, text));
            continue;
        }
        std::string qualifier;
        std::string name = token.Text;
        std::size_t last = i;
        if (i + 2 < tokens.size() && IsOp(tokens[i + 1], ".") && IsName(tokens[i + 2])) {
            qualifier = name;
            name = tokens[i + 2].Text;
            last = i + 2;
        }
        if (!columns) {
            out.push_back(qualifier.empty() ? LiteralText(token, text)
                                            : sqlite::QuoteIdentifier(qualifier) + "." + sqlite::QuoteIdentifier(name));
        } else {
            const std::optional<std::string> column = columns(qualifier, name);
            if (!column)
                throw EngineError(3070, "The database engine does not recognize '" + std::string(name)
                                            + "' as a valid field name or expression.",
                                  "DAO.Recordset");
            out.push_back(*column);
        }
        i = last;
    }
    if (depth != 0)
        SyntaxError("Syntax error (missing closing parenthesis)", text);
    return Join(out, 0, out.size());
}

std::vector<SortKey> ParseSort(std::string_view text)
{
    const std::vector<Token> tokens = Tokenize(text);
    std::vector<SortKey> keys;
    std::size_t i = 0;
    while (i < tokens.size()) {
        if (!IsName(tokens[i]) || IsKeyword(tokens[i]))
            SyntaxError("Syntax error in ORDER BY clause", text);
        SortKey key;
        key.Field = tokens[i].Text;
        ++i;
        if (i + 1 < tokens.size() && IsOp(tokens[i], ".") && IsName(tokens[i + 1])) {
            key.Field = tokens[i + 1].Text;  // the table qualifier adds nothing here
            i += 2;
        }
        if (i < tokens.size() && (Is(tokens[i], "ASC") || Is(tokens[i], "DESC"))) {
            key.Descending = Is(tokens[i], "DESC");
            ++i;
        }
        keys.push_back(key);
        if (i < tokens.size()) {
            if (!IsOp(tokens[i], ",") || i + 1 == tokens.size())
                SyntaxError("Syntax error in ORDER BY clause", text);
            ++i;
        }
    }
    return keys;
}

int ParameterTypeCode(std::string_view typeName)
{
    static const std::pair<const char*, int> names[] = {
        {"BIT", dbBoolean},         {"BOOLEAN", dbBoolean},      {"YESNO", dbBoolean},      {"LOGICAL", dbBoolean},
        {"LOGICAL1", dbBoolean},    {"BYTE", dbByte},            {"INTEGER1", dbByte},      {"SHORT", dbInteger},
        {"INTEGER2", dbInteger},    {"SMALLINT", dbInteger},     {"LONG", dbLong},          {"INT", dbLong},
        {"INTEGER", dbLong},        {"INTEGER4", dbLong},        {"COUNTER", dbLong},       {"AUTOINCREMENT", dbLong},
        {"CURRENCY", dbCurrency},   {"MONEY", dbCurrency},       {"IEEESINGLE", dbSingle},  {"SINGLE", dbSingle},
        {"FLOAT4", dbSingle},       {"REAL", dbSingle},          {"IEEEDOUBLE", dbDouble},  {"DOUBLE", dbDouble},
        {"FLOAT", dbDouble},        {"FLOAT8", dbDouble},        {"NUMBER", dbDouble},      {"NUMERIC", dbDouble},
        {"DECIMAL", dbDecimal},     {"DATETIME", dbDate},        {"DATE", dbDate},          {"TIME", dbDate},
        {"TIMESTAMP", dbDate},      {"BINARY", dbBinary},        {"VARBINARY", dbBinary},   {"TEXT", dbText},
        {"CHAR", dbText},           {"VARCHAR", dbText},         {"STRING", dbText},        {"ALPHANUMERIC", dbText},
        {"VALUE", dbText},          {"LONGBINARY", dbLongBinary}, {"OLEOBJECT", dbLongBinary}, {"GENERAL", dbLongBinary},
        {"IMAGE", dbLongBinary},    {"MEMO", dbMemo},            {"LONGTEXT", dbMemo},      {"LONGCHAR", dbMemo},
        {"NOTE", dbMemo},           {"GUID", dbGUID},            {"UNIQUEIDENTIFIER", dbGUID},
    };
    std::string upper;
    for (char c : typeName)
        if (c != ' ')
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const auto& [name, code] : names)
        if (upper == name)
            return code;
    return 0;
}

std::optional<std::string> GuidBytes(std::string_view text)
{
    if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' || text[14] != '-'
        || text[19] != '-' || text[24] != '-')
        return std::nullopt;
    auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string digits;
    for (std::size_t i = 1; i < 37; ++i) {
        if (i == 9 || i == 14 || i == 19 || i == 24)
            continue;
        if (hexValue(text[i]) < 0)
            return std::nullopt;
        digits += text[i];
    }
    std::string bytes;
    for (std::size_t i = 0; i < 32; i += 2)
        bytes += static_cast<char>(hexValue(digits[i]) * 16 + hexValue(digits[i + 1]));
    // The first three groups are stored little-endian.
    std::reverse(bytes.begin(), bytes.begin() + 4);
    std::reverse(bytes.begin() + 4, bytes.begin() + 6);
    std::reverse(bytes.begin() + 6, bytes.begin() + 8);
    return bytes;
}

std::string GuidText(std::string_view bytes)
{
    if (bytes.size() != 16)
        return "";
    std::string ordered(bytes);
    std::reverse(ordered.begin(), ordered.begin() + 4);
    std::reverse(ordered.begin() + 4, ordered.begin() + 6);
    std::reverse(ordered.begin() + 6, ordered.begin() + 8);
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "{";
    for (std::size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += '-';
        out += hex[(static_cast<unsigned char>(ordered[i]) >> 4) & 0xF];
        out += hex[static_cast<unsigned char>(ordered[i]) & 0xF];
    }
    return out + "}";
}

} // namespace jet::sql
