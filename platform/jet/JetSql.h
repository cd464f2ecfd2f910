// The translator from the old engine's SQL dialect to SQLite's.
//
// What changes on the way:
//  - [bracketed names] become "quoted names"; a table name in FROM, JOIN,
//    UPDATE or INSERT INTO becomes what the resolver says it stands for (a
//    table, a linked table of an attached file, or the text of a stored
//    query as a subquery under the query's name);
//  - "double-quoted" and 'single-quoted' texts become SQL texts;
//  - #date# literals (month/day/year, 24-hour or with AM/PM, or ISO) become
//    the automation date numbers dates are stored as;
//  - True and False become -1 and 0; "a & b" becomes jet_concat(a, b) and
//    "a Mod b" jet_mod(a, b), functions of the connection;
//  - {guid {...}} literals become the 16 bytes of the GUID;
//  - "DELETE * FROM" and "DELETE t.* FROM" lose their column list;
//  - a "PARAMETERS name type, ...;" header is taken off and its names in the
//    body become numbered parameters (?1, ?2, ...);
//  - SELECT ... INTO loses its INTO clause, which is returned apart.
// LIKE keeps its form: the connection's own like() knows the old wildcards;
// LCASE and UCASE are functions of the connection too.
//
// Anything that cannot be translated raises EngineError (3075 for syntax,
// 3070 for an unknown field in a criteria text); the translator never reads
// or writes past its input, whatever the text.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jet::sql {

enum class TokenKind {
    Identifier,  // a bare word: name or keyword
    Bracketed,   // [name]: Text is the name
    String,      // "text" or 'text': Text is the value
    Number,      // 12, 1.5, 2e3
    Date,        // #...#: Text is what stands between the #
    Guid,        // {guid {...}}: Text is the braced GUID
    Operator,    // = <> <= >= < > + - * / & , ( ) . ;
};

struct Token {
    TokenKind Kind;
    std::string Text;
    std::size_t Offset = 0;  // where the token starts in the input
};

std::vector<Token> Tokenize(std::string_view text);

// What a table name stands for.
struct NameBinding {
    enum Kind { Unknown, Table, Query };
    Kind Type = Unknown;
    std::string SqliteRef;  // Table: the quoted SQLite name ("t" or "link1"."t")
    std::string QuerySql;   // Query: the stored query's SQL, in the old dialect
};

class NameResolver {
public:
    virtual ~NameResolver() = default;
    virtual NameBinding ResolveTable(std::string_view name) const = 0;
    // Whether the stored table `table` has the field `field`; what an
    // unqualified field set by an UPDATE over joined tables belongs to.
    virtual bool TableHasField(std::string_view /*table*/, std::string_view /*field*/) const { return false; }
};

struct DeclaredParameter {
    std::string Name;
    int Type = 0;  // dbText, dbLong, ...
};

enum class StatementKind { Select, Insert, Update, Delete, SelectInto, DropTable, DropIndex, Create, Alter, Crosstab,
                           Other };

// The parts of a SELECT a recordset needs to read single rows of a stored
// table by row id.
struct SelectShape {
    bool SingleTable = false;  // one stored table; no DISTINCT, GROUP BY, HAVING, UNION or aggregate
    std::string BaseTable;     // its name as written
    std::string BaseRef;       // its SQLite reference
    std::string Qualifier;     // what qualifies its columns (alias or reference)
    std::string Head;          // "SELECT" or "SELECT ALL"
    std::string List;          // the select list
    std::string From;          // "FROM ..." up to WHERE, GROUP BY, ORDER BY
    std::string Rest;          // WHERE ... ORDER BY ... (may be empty)
};

struct Translation {
    StatementKind Kind = StatementKind::Other;
    std::string Sql;  // the SQLite statement (SelectInto: the SELECT without INTO; Create, Alter
                      // and Crosstab: the statement as written)
    std::vector<DeclaredParameter> Parameters;
    SelectShape Shape;  // Select and SelectInto
    // SelectInto: INTO [IntoTable], or INTO [IntoDatabase].[IntoTable], or
    // INTO [IntoTable] IN "IntoDatabase" [IntoFormat] (HasIn).
    std::string IntoTable;
    std::string IntoDatabase;
    std::string IntoFormat;
    bool HasIn = false;
    // DropTable: DROP TABLE [DropDatabase].[DropName]; DropIndex: DROP INDEX
    // [DropName] ON [DropTable].
    std::string DropName;
    std::string DropDatabase;
    std::string DropTable;
};

Translation TranslateStatement(std::string_view text, const NameResolver& names);

// A criteria, filter or default expression. `columns` turns a field
// reference (qualifier may be empty) into SQL, or answers nothing for a name
// it does not know (error 3070); without it names stay as written.
using ColumnResolver = std::function<std::optional<std::string>(std::string_view qualifier, std::string_view name)>;
std::string TranslateExpression(std::string_view text, const ColumnResolver& columns = nullptr);

// A sort text: "Name, [Age] DESC".
struct SortKey {
    std::string Field;
    bool Descending = false;
};
std::vector<SortKey> ParseSort(std::string_view text);

// The type code of a PARAMETERS type name (Text, Long, DateTime, ...); 0 when
// unknown.
int ParameterTypeCode(std::string_view typeName);

// The 16 bytes of a braced GUID text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
// in the GUID layout (first three groups little-endian); nothing when the
// text is not one.
std::optional<std::string> GuidBytes(std::string_view text);
// The braced upper-case text of 16 GUID bytes.
std::string GuidText(std::string_view bytes);

} // namespace jet::sql
