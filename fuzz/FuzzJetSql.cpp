// Feeds arbitrary text to the translator of the old SQL dialect and to the
// criteria parser, and runs what they produce against a small database: each
// must answer or raise EngineError, never crash, hang or touch memory it does
// not own. The first byte chooses the road: a statement, a criteria text over
// the fields of a row, a sort text, or a LIKE pattern against a value (split
// at the first zero byte).

#include "platform/jet/Collection.h"
#include "platform/jet/EngineError.h"
#include "platform/jet/JetSql.h"
#include "platform/jet/SqliteConnection.h"

#include <sqlite3.h>

#include <string>
#include <vector>

namespace {

// A table T (a, b, c) of text, number and date, a linked table L and a stored
// query Q that names T.
class Names : public jet::sql::NameResolver {
public:
    jet::sql::NameBinding ResolveTable(std::string_view name) const override
    {
        jet::sql::NameBinding binding;
        if (jet::SameName(name, "T")) {
            binding.Type = jet::sql::NameBinding::Table;
            binding.SqliteRef = "\"T\"";
        } else if (jet::SameName(name, "L")) {
            binding.Type = jet::sql::NameBinding::Table;
            binding.SqliteRef = "\"T\"";
        } else if (jet::SameName(name, "Q")) {
            binding.Type = jet::sql::NameBinding::Query;
            binding.QuerySql = "SELECT a, b FROM T WHERE c > #1/2/2003# AND a LIKE \"x*\"";
        } else if (jet::SameName(name, "Loop")) {
            binding.Type = jet::sql::NameBinding::Query;
            binding.QuerySql = "SELECT * FROM Loop";
        }
        return binding;
    }
};

// Statements that run too long are stopped: the fuzzer looks for crashes.
int StopLongRuns(void* steps)
{
    return ++*static_cast<int*>(steps) > 2000;
}

jet::sqlite::Connection& Database()
{
    static jet::sqlite::Connection connection(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    static const bool ready = [] {
        connection.Exec("CREATE TABLE T (a TEXT COLLATE JET_NOCASE, b REAL, c REAL);"
                        "INSERT INTO T VALUES ('Xylophone', 1.5, 37623), ('éclair', -2, 0), (NULL, NULL, NULL);");
        return true;
    }();
    (void)ready;
    return connection;
}

void Run(jet::sqlite::Statement& statement)
{
    int steps = 0;
    sqlite3_progress_handler(Database().Handle(), 100, StopLongRuns, &steps);
    for (int row = 0; row < 10 && statement.Step(); ++row)
        for (int column = 0; column < statement.ColumnCount(); ++column)
            statement.ColumnValue(column);
    sqlite3_progress_handler(Database().Handle(), 0, nullptr, nullptr);
}

void Statement(std::string_view text)
{
    static const Names names;
    const jet::sql::Translation translation = jet::sql::TranslateStatement(text, names);
    if (translation.Kind != jet::sql::StatementKind::Select && translation.Kind != jet::sql::StatementKind::SelectInto)
        return;  // the fuzzer does not change the database
    jet::sqlite::Statement statement = Database().PrepareUser(translation.Sql);
    for (int i = 1; i <= statement.ParameterCount(); ++i)
        statement.BindText(i, "x");
    Run(statement);
}

void Criteria(std::string_view text)
{
    std::vector<std::string> fields;
    const std::string expression = jet::sql::TranslateExpression(
        text, [&](std::string_view, std::string_view name) -> std::optional<std::string> {
            if (!jet::SameName(name, "a") && !jet::SameName(name, "b") && !jet::SameName(name, "c"))
                return std::nullopt;
            fields.emplace_back(name);
            return "(?" + std::to_string(fields.size()) + " COLLATE JET_NOCASE)";
        });
    jet::sqlite::Statement statement =
        Database().PrepareUser("SELECT CASE WHEN (" + expression + ") THEN 1 ELSE 0 END");
    for (std::size_t i = 0; i < fields.size(); ++i)
        statement.BindText(static_cast<int>(i) + 1, i % 2 ? "Écrou" : "bolt [M6]");
    Run(statement);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        switch (data[0] % 4) {
        case 0: Statement(text); break;
        case 1: Criteria(text); break;
        case 2: jet::sql::ParseSort(text); break;
        default: {
            const std::size_t zero = text.find('\0');
            jet::sqlite::JetLike(text.substr(0, zero), zero == std::string_view::npos ? "" : text.substr(zero + 1));
            break;
        }
        }
    } catch (const jet::EngineError&) {
    }
    return 0;
}
