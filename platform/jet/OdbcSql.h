// The engine's SQL dialect rewritten for an ODBC source, where the source's
// SQL differs from it:
//  - [bracketed names] take the source's identifier quote, and a name that
//    is a table of the source, or a column of a table the statement names,
//    is written as the source spells it (sources that tell letter case
//    apart find "Config" as "config");
//  - "double-quoted" texts become 'single-quoted' ones;
//  - #date# literals become ODBC's {ts '...'} escapes, {guid {...}} its
//    {guid '...'} escape;
//  - the wildcards * and ? of a LIKE pattern become % and _ (a literal %
//    or _ is escaped);
//  - "DELETE * FROM" loses its "*", DISTINCTROW becomes DISTINCT, LCASE and
//    UCASE become LOWER and UPPER, & becomes ||;
//  - a "PARAMETERS ...;" header is taken off and its names become "?"
//    markers, bound in the order they stand.
// The statement is checked as the engine's own translator checks it (3075
// for a syntax error) before any of this.
#pragma once

#include "platform/jet/JetSql.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jet::odbc {

// How the statement's names meet the source's.
struct SourceNames {
    // The source's spelling of a table name, or nothing for a name that is
    // no table of the source.
    std::function<std::optional<std::string>(std::string_view name)> Table;
    // The source's spelling of a column of one of the tables given.
    std::function<std::optional<std::string>(const std::vector<std::string>& tables, std::string_view name)> Column;
};

struct OdbcStatement {
    std::string Sql;
    sql::StatementKind Kind = sql::StatementKind::Other;
    // Select: one table, no grouping, DISTINCT, UNION or aggregate; the
    // table as the source spells it. Empty otherwise.
    std::string SingleTable;
    // The tables the statement names, as the source spells them.
    std::vector<std::string> Tables;
    std::vector<sql::DeclaredParameter> Parameters;
    // For each "?" of Sql, the declared parameter it stands for.
    std::vector<std::size_t> Markers;
};

OdbcStatement TranslateForOdbc(std::string_view text, const std::string& quote, const SourceNames& names);

// A name between the source's quotes, inner quotes doubled.
std::string QuoteName(std::string_view name, const std::string& quote);

} // namespace jet::odbc
