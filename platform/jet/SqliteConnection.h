// The engine's hold on one SQLite database file: the connection with the
// engine's own SQL functions (the JET_NOCASE collation of texts, the
// JET_CURRENCY collation of currency texts, a LIKE with the old wildcards,
// LCASE, UCASE and jet_mod), prepared statements that read and write
// jet::Variant values, and the translation of SQLite's failures into the old
// engine's error numbers.
//
// Statements the user wrote (through Execute, OpenRecordset or a stored
// query) are prepared in user mode: an authorizer then refuses every change
// to the catalog tables and to the schema, which only the engine itself makes.
#pragma once

#include "platform/jet/Variant.h"

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jet::sqlite {

class Connection;

// A prepared statement; move-only, finalized on destruction.
class Statement {
public:
    Statement() = default;
    Statement(Connection& connection, sqlite3_stmt* statement);
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    bool Valid() const { return Handle != nullptr; }
    sqlite3_stmt* Raw() const { return Handle; }

    // Binding counts from 1. A variant is bound by its own type: Null and
    // Empty as NULL, booleans as -1 or 0, integers as integers, floats and
    // dates as reals, currency as its exact text, texts as text, byte arrays
    // as blobs.
    void Bind(int index, const Variant& value);
    void BindNull(int index);
    void BindInt64(int index, std::int64_t value);
    void BindDouble(int index, double value);
    void BindText(int index, std::string_view text);
    void BindBlob(int index, std::string_view bytes);
    int ParameterCount() const;

    // True while rows come; false at the end. Failures raise EngineError.
    bool Step();
    void Reset();
    // Steps to the end, for statements without rows; answers sqlite3_changes.
    int Run();

    int ColumnCount() const;
    // The value of a column of the current row, valid until the next step.
    sqlite3_value* ColumnRaw(int column) const { return sqlite3_column_value(Handle, column); }
    int ColumnType(int column) const;  // SQLITE_INTEGER, ...
    bool ColumnIsNull(int column) const;
    std::int64_t ColumnInt64(int column) const;
    double ColumnDouble(int column) const;
    std::string_view ColumnText(int column) const;
    std::string_view ColumnBlob(int column) const;
    // The value by its storage class (integers as varInteger when they fit).
    Variant ColumnValue(int column) const;
    std::string ColumnName(int column) const;
    // Where a result column comes from: the schema ("main" or an attached
    // name), table and column; empty for a computed value.
    std::string ColumnDatabase(int column) const;
    std::string ColumnTable(int column) const;
    std::string ColumnOrigin(int column) const;
    std::string ColumnDeclaredType(int column) const;

private:
    Connection* Owner = nullptr;
    sqlite3_stmt* Handle = nullptr;
};

class Connection {
public:
    // Opens the file (SQLITE_OPEN_* flags) and installs the engine's
    // functions, waiting up to `busyTimeoutMs` for a lock another connection
    // holds. A file that cannot be opened raises 3024 or 3049.
    Connection(const std::string& path, int flags, int busyTimeoutMs = 5000);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    sqlite3* Handle() const { return Db; }
    const std::string& Path() const { return FilePath; }

    // Runs statements without results.
    void Exec(std::string_view sql);
    Statement Prepare(std::string_view sql);
    // Prepares a statement the user wrote (see above).
    Statement PrepareUser(std::string_view sql);

    std::int64_t LastInsertRowid() const;
    int Changes() const;
    // Changes whenever another connection commits a change to the main file.
    std::int64_t DataVersion() const;
    bool InTransaction() const;

    // Turns a failure of this connection into the engine's error and raises
    // it. `sql` is the statement concerned, for the message.
    [[noreturn]] void Raise(int resultCode, std::string_view sql = {}) const;

    // Decides the error of a NOT NULL failure on table.column: 3314 for a
    // required field, 3058 for a key field. Unset: 3314.
    std::function<int(std::string_view table, std::string_view column)> NullErrorNumber;
    // The field name a size check names ("jet_size_<table>_<column>").
    std::function<std::string(std::string_view constraint)> SizeCheckField;

private:
    static int Authorize(void* self, int action, const char* a, const char* b, const char* database,
                         const char* trigger);

    sqlite3* Db = nullptr;
    std::string FilePath;
    bool UserMode = false;
    mutable sqlite3_stmt* DataVersionQuery = nullptr;
    // BEGIN and COMMIT of ReadTransaction, prepared once.
    sqlite3_stmt* BeginRead = nullptr;
    sqlite3_stmt* EndRead = nullptr;
    friend class ReadTransaction;
};

// Many reads as one: outside a transaction, every statement takes the file's
// shared lock and checks the file for changes when it starts and lets go when
// it ends, which costs more than reading a row. While a ReadTransaction lives,
// the statements of its connection read in one transaction instead: they see
// one state of the file, and another connection's commit waits (or is seen)
// only once it ends. Keep it to one call of the engine, so that commits of
// others are noticed between calls. Inside a transaction it does nothing.
class ReadTransaction {
public:
    explicit ReadTransaction(Connection& connection);
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;
    ~ReadTransaction();

private:
    Connection* Begun = nullptr;
};

// A savepoint: what runs between its start and Commit happens whole or, when
// the savepoint ends without Commit (an exception), not at all.
class Savepoint {
public:
    Savepoint(Connection& connection, std::string_view name);
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    ~Savepoint();
    void Commit();

private:
    Connection& Db;
    std::string Name;
    bool Done = false;
};

// The prefix of every name the engine gives its own SQLite objects: the
// catalog tables, indexes, triggers and check constraints. Object names of the
// old engine cannot hold ".", so these never meet a user's name.
constexpr std::string_view EngineObjectPrefix = "jet.";

// "name" with inner double quotes doubled.
std::string QuoteIdentifier(std::string_view name);
// 'text' with inner single quotes doubled.
std::string QuoteText(std::string_view text);
// A real number as SQL text that reads back the same double.
std::string RealLiteral(double value);

// Matches a value against a pattern with the old wildcards: * any run of
// characters, ? one character, # one digit, [abc] [a-z] [!abc] one character
// of (or not of) a list; without regard to case. An unclosed "[" raises
// EngineError 3075 ("Invalid pattern string.").
bool JetLike(std::string_view pattern, std::string_view value);

} // namespace jet::sqlite
