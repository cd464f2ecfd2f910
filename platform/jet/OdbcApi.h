// The engine's hold on ODBC sources: the unixODBC driver manager's
// environment, connections and statements as small owning classes, the
// driver's diagnostics as the engine's errors, and column values read and
// parameters bound as jet::Variant.
//
// Texts travel as UTF-8 through the narrow ("ANSI") calls: the drivers of
// this platform take and give UTF-8 there, and the driver manager converts
// nothing for a driver that has those calls.
//
// A failing call raises OdbcError: error 3151 ("ODBC--connection to 'x'
// failed.") when connecting, else 3146 ("ODBC--call failed."), its
// description followed by the driver's messages; the messages themselves,
// with their SQLSTATE, travel with it and head the engine's Errors.
#pragma once

#include "platform/jet/EngineError.h"
#include "platform/jet/Variant.h"

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>
#include <vector>

namespace jet::odbc {

// One diagnostic record of the driver manager or a driver.
struct Diagnostic {
    std::string State;  // SQLSTATE, five characters
    long Native = 0;    // the driver's own error number
    std::string Message;
};

class OdbcError : public EngineError {
public:
    OdbcError(int number, const std::string& description, std::vector<Diagnostic> diagnostics,
              const std::string& source);
    const std::vector<Diagnostic>& Diagnostics() const { return Records; }
    // True when a record's SQLSTATE begins with `prefix` ("28" for a login
    // the source refused).
    bool HasState(std::string_view prefix) const;

private:
    std::vector<Diagnostic> Records;
};

// A column of a result as the driver describes it.
struct ColumnShape {
    std::string Name;
    SQLSMALLINT SqlType = SQL_VARCHAR;
    SQLULEN Size = 0;
    SQLSMALLINT Digits = 0;
    bool Nullable = true;
    bool AutoIncrement = false;
    std::string BaseTable;   // empty when the driver does not say
    std::string BaseColumn;  // likewise
};

// The engine's field type for a driver's SQL type, and the field's size.
int DaoType(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits);
int DaoSize(int daoType, SQLULEN size);

// The text without the blanks, tabs and line breaks around it.
std::string Trimmed(const std::string& text);
// The items of a connect text, split at ";" outside {braces}.
std::vector<std::string> ConnectItems(const std::string& connect);

// The connection string for the driver manager from a connect text
// ("ODBC;DSN=Lab;UID=x;PWD=;...", the leading "ODBC;" optional): its items
// in order, the type word and empty values left out (an empty PWD= would
// override the source's own setting). `name` becomes the DSN when the text
// names no DSN, DRIVER or FILEDSN.
std::string ConnectionString(const std::string& connect, const std::string& name);

class Connection;

// A statement handle. Results are read forward only, row by row.
class Statement {
public:
    explicit Statement(Connection& connection);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Runs SQL at once, or prepares it for Execute with bound parameters.
    void ExecDirect(const std::string& sql);
    void Prepare(const std::string& sql);
    // Binds the values of the parameter markers, in order; the values are
    // kept until the next Bind. `sqlTypes` (when given, one per value) are
    // the columns' types, so that a Null or a number goes as the column
    // takes it.
    void BindParameters(const std::vector<Variant>& values, const std::vector<SQLSMALLINT>& sqlTypes = {});
    void Execute();
    // Seconds a statement may run (0: no limit); a driver that cannot keep
    // it runs statements as long as they take.
    void SetQueryTimeout(int seconds);

    // The catalog calls; the result is read like any other.
    void Tables(const std::string& types);
    void Columns(const std::string& table);
    void Statistics(const std::string& table);
    void PrimaryKeys(const std::string& table);

    int ColumnCount();
    // Column numbers count from 1.
    ColumnShape Describe(int column);
    bool Fetch();
    // The value of a column of the current row in the engine's type for
    // `daoType`; a value the driver cannot give in that type comes as its
    // text.
    Variant Read(int column, int daoType);
    // The column as text; Null gives `fallback`.
    std::string Text(int column, const std::string& fallback = "");
    long long Integer(int column, long long fallback = 0);
    // Rows touched by the last statement (-1 when the driver cannot say).
    long RowCount();
    void CloseCursor();

private:
    [[noreturn]] void Fail(SQLRETURN result, const std::string& sql = "") const;
    void Check(SQLRETURN result, const std::string& sql = "") const;
    // Reads a long value in parts; false for Null.
    bool ReadParts(int column, SQLSMALLINT cType, std::string& out);

    Connection& Owner;
    SQLHSTMT Handle = SQL_NULL_HSTMT;
    std::vector<std::string> Buffers;
    std::vector<SQLLEN> Lengths;
    std::vector<char> PartBuffer;  // one part of a long value, kept for the next
};

class Connection {
public:
    // Connects without ever prompting; the driver's own cursors serve (the
    // engine reads every result forward). `name` is what an error says the
    // connection was to.
    Connection(const std::string& connectionString, bool readOnly, const std::string& name);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    SQLHDBC Handle() const { return Dbc; }
    // The connection string the driver completed.
    const std::string& Completed() const { return CompletedText; }
    const std::string& DbmsName() const { return Dbms; }
    const std::string& DbmsVersion() const { return Version; }
    // The quote around identifiers ("" when the source has none).
    const std::string& IdentifierQuote() const { return Quote; }
    bool SupportsTransactions() const { return Transactions; }

    void SetAutoCommit(bool on);
    void EndTransaction(bool commit);
    // Runs statements without results.
    void Exec(const std::string& sql);

    [[noreturn]] void Fail(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& what) const;

private:
    std::string InfoText(SQLUSMALLINT item) const;

    SQLHDBC Dbc = SQL_NULL_HDBC;
    bool Connected = false;
    std::string CompletedText;
    std::string Dbms;
    std::string Version;
    std::string Quote;
    bool Transactions = false;
};

} // namespace jet::odbc
