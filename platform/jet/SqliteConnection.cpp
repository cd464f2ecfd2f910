#include "platform/jet/SqliteConnection.h"

#include "platform/jet/CipherVfs.h"
#include "platform/jet/Collation.h"
#include "platform/jet/DecimalText.h"
#include "platform/jet/EngineError.h"
#include "platform/system/FloatText.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace jet::sqlite {
namespace {

// Decodes UTF-8 into code points, case-folded; invalid bytes stand for
// themselves (as U+DC80 .. U+DCFF).
std::u32string FoldedCodePoints(std::string_view text)
{
    const std::string folded = FoldCase(text);
    std::u32string out;
    out.reserve(folded.size());
    for (std::size_t i = 0; i < folded.size();) {
        const unsigned char lead = static_cast<unsigned char>(folded[i]);
        int length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > folded.size()) {
            out += static_cast<char32_t>(0xDC00 + lead);
            ++i;
            continue;
        }
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = true;
        for (int k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(folded[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += static_cast<char32_t>(0xDC00 + lead);
            ++i;
            continue;
        }
        out += c;
        i += static_cast<std::size_t>(length);
    }
    return out;
}

[[noreturn]] void BadPattern()
{
    throw EngineError(errSyntax, "Invalid pattern string.", "DAO.Database");
}

// Matches one character against the list starting after "[" at `p`; moves
// `p` past the closing "]".
bool MatchList(const std::u32string& pattern, std::size_t& p, char32_t c)
{
    bool negate = false;
    if (p < pattern.size() && pattern[p] == U'!') {
        negate = true;
        ++p;
    }
    bool found = false;
    bool first = true;
    while (true) {
        if (p >= pattern.size())
            BadPattern();
        const char32_t item = pattern[p];
        if (item == U']' && !first) {
            ++p;
            break;
        }
        first = false;
        if (p + 2 < pattern.size() && pattern[p + 1] == U'-' && pattern[p + 2] != U']') {
            // Ranges follow the sort order: accented letters lie with their base letter.
            const char32_t base = BaseLetter(c);
            if (base >= BaseLetter(item) && base <= BaseLetter(pattern[p + 2]))
                found = true;
            p += 3;
        } else {
            if (c == item)
                found = true;
            ++p;
        }
    }
    return found != negate;
}

// Checks that every "[" of the pattern is closed.
void CheckPattern(const std::u32string& pattern)
{
    for (std::size_t p = 0; p < pattern.size();) {
        if (pattern[p] == U'[') {
            ++p;
            MatchList(pattern, p, 0);
        } else {
            ++p;
        }
    }
}

// Whether pattern item `p` (not "*") matches `c`; moves `p` past the item.
bool MatchOne(const std::u32string& pattern, std::size_t& p, char32_t c)
{
    const char32_t token = pattern[p];
    if (token == U'[') {
        ++p;
        return MatchList(pattern, p, c);
    }
    ++p;
    if (token == U'?')
        return true;
    if (token == U'#')
        return c >= U'0' && c <= U'9';
    return token == c;
}

// The usual single-backtrack matcher: linear in the value for each "*".
bool Match(const std::u32string& pattern, const std::u32string& value)
{
    CheckPattern(pattern);
    std::size_t p = 0, v = 0;
    std::size_t starPattern = std::u32string::npos, starValue = 0;
    while (v < value.size()) {
        if (p < pattern.size() && pattern[p] == U'*') {
            while (p < pattern.size() && pattern[p] == U'*')
                ++p;
            starPattern = p;
            starValue = v;
            continue;
        }
        std::size_t next = p;
        if (p < pattern.size() && MatchOne(pattern, next, value[v])) {
            p = next;
            ++v;
            continue;
        }
        if (starPattern == std::u32string::npos)
            return false;
        p = starPattern;
        v = ++starValue;
    }
    while (p < pattern.size() && pattern[p] == U'*')
        ++p;
    return p == pattern.size();
}

int CollateNoCase(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return CompareText(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(lengthA)),
                       std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lengthB)));
}

int CollateCurrency(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return CompareDecimalTexts(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(lengthA)),
                               std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lengthB)));
}

std::string_view ArgText(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value))) : std::string_view();
}

void ResultEngineError(sqlite3_context* context, const EngineError& error)
{
    const std::string message = "jet:" + std::to_string(error.Number()) + ":" + error.Description();
    sqlite3_result_error(context, message.c_str(), -1);
}

void LikeFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (argc != 2) {
        ResultEngineError(context, EngineError(errSyntax, "ESCAPE is not part of the engine's LIKE.", "DAO.Database"));
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return;  // NULL
    try {
        sqlite3_result_int(context, JetLike(ArgText(argv[0]), ArgText(argv[1])) ? 1 : 0);
    } catch (const EngineError& error) {
        ResultEngineError(context, error);
    }
}

void CaseFunction(sqlite3_context* context, int, sqlite3_value** argv, bool upper)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    const std::string text = upper ? UpperCase(ArgText(argv[0])) : LowerCase(ArgText(argv[0]));
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void LowerFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    CaseFunction(context, argc, argv, false);
}

void UpperFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    CaseFunction(context, argc, argv, true);
}

// jet_mod(a, b): the old dialect's "a Mod b". Both sides are rounded to
// integers first (halves to even), the remainder takes the sign of a, and
// Null on either side gives Null.
void ModFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return;
    const auto whole = [](sqlite3_value* value, std::int64_t& out) {
        if (sqlite3_value_numeric_type(value) == SQLITE_INTEGER) {
            out = sqlite3_value_int64(value);
            return true;
        }
        const double rounded = std::nearbyint(sqlite3_value_double(value));
        if (!(rounded >= -9.2233720368547758e18 && rounded < 9.2233720368547758e18))
            return false;
        out = static_cast<std::int64_t>(rounded);
        return true;
    };
    std::int64_t a = 0, b = 0;
    if (!whole(argv[0], a) || !whole(argv[1], b)) {
        ResultEngineError(context, EngineError(6, "Overflow", "DAO.Database"));
        return;
    }
    if (b == 0) {
        ResultEngineError(context, EngineError(11, "Division by zero", "DAO.Database"));
        return;
    }
    sqlite3_result_int64(context, b == -1 ? 0 : a % b);
}

// The text a value joins with in jet_concat: Null is empty, numbers read as
// the engine prints them.
std::string ConcatenatedText(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL: return "";
    case SQLITE_INTEGER: return std::to_string(sqlite3_value_int64(value));
    case SQLITE_FLOAT: return platform::FloatToStr(sqlite3_value_double(value));
    default: return std::string(ArgText(value));
    }
}

// jet_concat(a, b): the old dialect's "a & b". A Null side counts as an empty
// text; only Null & Null gives Null.
void ConcatFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL && sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return;
    const std::string text = ConcatenatedText(argv[0]) + ConcatenatedText(argv[1]);
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

std::string AfterLastDot(std::string_view text)
{
    const std::size_t dot = text.rfind('.');
    return std::string(dot == std::string_view::npos ? text : text.substr(dot + 1));
}

std::string Quoted(std::string_view name)
{
    return "'" + std::string(name) + "'";
}

} // namespace

// ---------------------------------------------------------------- Statement

Statement::Statement(Connection& connection, sqlite3_stmt* statement) : Owner(&connection), Handle(statement) {}

Statement::Statement(Statement&& other) noexcept : Owner(other.Owner), Handle(other.Handle)
{
    other.Handle = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(Handle);
        Owner = other.Owner;
        Handle = other.Handle;
        other.Handle = nullptr;
    }
    return *this;
}

Statement::~Statement()
{
    sqlite3_finalize(Handle);
}

void Statement::Bind(int index, const Variant& value)
{
    const std::uint16_t type = value.VarType();
    switch (type) {
    case varEmpty:
    case varNull: BindNull(index); return;
    case varBoolean: BindInt64(index, value.AsBoolean() ? -1 : 0); return;
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64: BindInt64(index, value.AsInt64()); return;
    case varSingle:
    case varDouble:
    case varDate: BindDouble(index, value.AsDouble()); return;
    case varCurrency: BindText(index, value.AsString()); return;  // every digit (DecimalText.h)
    case varString: BindText(index, value.AsString()); return;
    default:
        if (type == (varArray | varByte)) {
            BindBlob(index, value.AsBytes());
            return;
        }
        throw EngineError(errTypeConversion, "Data type conversion error.", "DAO.Database");
    }
}

void Statement::BindNull(int index)
{
    const int rc = sqlite3_bind_null(Handle, index);
    if (rc != SQLITE_OK)
        Owner->Raise(rc);
}

void Statement::BindInt64(int index, std::int64_t value)
{
    const int rc = sqlite3_bind_int64(Handle, index, value);
    if (rc != SQLITE_OK)
        Owner->Raise(rc);
}

void Statement::BindDouble(int index, double value)
{
    const int rc = sqlite3_bind_double(Handle, index, value);
    if (rc != SQLITE_OK)
        Owner->Raise(rc);
}

void Statement::BindText(int index, std::string_view text)
{
    const int rc = sqlite3_bind_text64(Handle, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK)
        Owner->Raise(rc);
}

void Statement::BindBlob(int index, std::string_view bytes)
{
    const int rc = sqlite3_bind_blob64(Handle, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        Owner->Raise(rc);
}

int Statement::ParameterCount() const
{
    return sqlite3_bind_parameter_count(Handle);
}

bool Statement::Step()
{
    const int rc = sqlite3_step(Handle);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const int code = sqlite3_extended_errcode(Owner->Handle());
    sqlite3_reset(Handle);
    Owner->Raise(code == SQLITE_OK ? rc : code, sqlite3_sql(Handle) ? sqlite3_sql(Handle) : "");
}

void Statement::Reset()
{
    sqlite3_reset(Handle);
    sqlite3_clear_bindings(Handle);
}

int Statement::Run()
{
    while (Step()) {
    }
    const int changes = sqlite3_changes(Owner->Handle());
    sqlite3_reset(Handle);
    return changes;
}

int Statement::ColumnCount() const
{
    return sqlite3_column_count(Handle);
}

int Statement::ColumnType(int column) const
{
    return sqlite3_column_type(Handle, column);
}

bool Statement::ColumnIsNull(int column) const
{
    return sqlite3_column_type(Handle, column) == SQLITE_NULL;
}

std::int64_t Statement::ColumnInt64(int column) const
{
    return sqlite3_column_int64(Handle, column);
}

double Statement::ColumnDouble(int column) const
{
    return sqlite3_column_double(Handle, column);
}

std::string_view Statement::ColumnText(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(Handle, column));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(Handle, column)))
                : std::string_view();
}

std::string_view Statement::ColumnBlob(int column) const
{
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(Handle, column));
    return bytes ? std::string_view(bytes, static_cast<std::size_t>(sqlite3_column_bytes(Handle, column)))
                 : std::string_view();
}

Variant ValueOf(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: {
        const std::int64_t number = sqlite3_value_int64(value);
        if (number >= INT32_MIN && number <= INT32_MAX)
            return Variant(static_cast<int>(number));
        return Variant(number);
    }
    case SQLITE_FLOAT: return Variant(sqlite3_value_double(value));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return Variant(std::string(text ? text : "", static_cast<std::size_t>(sqlite3_value_bytes(value))));
    }
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
        return Variant::Bytes(std::string_view(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_value_bytes(value))));
    }
    default: return Variant::Null();
    }
}

Variant Statement::ColumnValue(int column) const
{
    return ValueOf(sqlite3_column_value(Handle, column));
}

std::string Statement::ColumnName(int column) const
{
    const char* name = sqlite3_column_name(Handle, column);
    return name ? name : "";
}

std::string Statement::ColumnDatabase(int column) const
{
    const char* name = sqlite3_column_database_name(Handle, column);
    return name ? name : "";
}

std::string Statement::ColumnTable(int column) const
{
    const char* name = sqlite3_column_table_name(Handle, column);
    return name ? name : "";
}

std::string Statement::ColumnOrigin(int column) const
{
    const char* name = sqlite3_column_origin_name(Handle, column);
    return name ? name : "";
}

std::string Statement::ColumnDeclaredType(int column) const
{
    const char* name = sqlite3_column_decltype(Handle, column);
    return name ? name : "";
}

// --------------------------------------------------------------- Connection

Connection::Connection(const std::string& path, int flags, int busyTimeoutMs) : FilePath(path)
{
    const int rc = sqlite3_open_v2(path.c_str(), &Db, flags | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
                                   EngineVfsName());
    if (rc != SQLITE_OK) {
        std::string detail = Db ? sqlite3_errmsg(Db) : sqlite3_errstr(rc);
        sqlite3_close(Db);
        Db = nullptr;
        if ((rc & 0xFF) == SQLITE_CANTOPEN)
            throw EngineError(errFileNotFound, "Could not find file '" + path + "'.", "DAO.Workspace");
        throw EngineError(errCannotOpen,
                          "Cannot open database '" + path + "'. It may not be a database that your application "
                          "recognizes, or the file may be corrupt. (" + detail + ")",
                          "DAO.Workspace");
    }
    sqlite3_busy_timeout(Db, busyTimeoutMs);
    sqlite3_db_config(Db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(Db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_db_config(Db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(Db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_create_collation(Db, "JET_NOCASE", SQLITE_UTF8, nullptr, CollateNoCase);
    sqlite3_create_collation(Db, "JET_CURRENCY", SQLITE_UTF8, nullptr, CollateCurrency);
    const int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function(Db, "like", 2, pure, nullptr, LikeFunction, nullptr, nullptr);
    sqlite3_create_function(Db, "like", 3, pure, nullptr, LikeFunction, nullptr, nullptr);
    sqlite3_create_function(Db, "lcase", 1, pure, nullptr, LowerFunction, nullptr, nullptr);
    sqlite3_create_function(Db, "ucase", 1, pure, nullptr, UpperFunction, nullptr, nullptr);
    sqlite3_create_function(Db, "jet_mod", 2, pure, nullptr, ModFunction, nullptr, nullptr);
    sqlite3_create_function(Db, "jet_concat", 2, pure, nullptr, ConcatFunction, nullptr, nullptr);
    sqlite3_set_authorizer(Db, &Connection::Authorize, this);
    try {
        Exec("PRAGMA recursive_triggers=OFF; PRAGMA foreign_keys=OFF; PRAGMA synchronous=FULL;");
        // Sorts and temporary tables of an encrypted file stay off the disk.
        if (IsEncrypted(Db))
            Exec("PRAGMA temp_store=MEMORY;");
    } catch (...) {
        sqlite3_close(Db);
        Db = nullptr;
        throw;
    }
}

Connection::~Connection()
{
    sqlite3_finalize(DataVersionQuery);
    sqlite3_finalize(BeginRead);
    sqlite3_finalize(EndRead);
    sqlite3_close_v2(Db);
}

void Connection::Exec(std::string_view sql)
{
    const std::string text(sql);
    char* error = nullptr;
    const int rc = sqlite3_exec(Db, text.c_str(), nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK)
        Raise(sqlite3_extended_errcode(Db), sql);
}

Statement Connection::Prepare(std::string_view sql)
{
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v2(Db, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
    if (rc != SQLITE_OK)
        Raise(sqlite3_extended_errcode(Db), sql);
    return Statement(*this, statement);
}

Statement Connection::PrepareUser(std::string_view sql)
{
    UserMode = true;
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(Db, sql.data(), static_cast<int>(sql.size()), &statement, &tail);
    UserMode = false;
    if (rc != SQLITE_OK)
        Raise(sqlite3_extended_errcode(Db), sql);
    if (statement == nullptr)
        throw EngineError(errSyntax, "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
                                     "'UPDATE'.", "DAO.Database");
    // One statement only: a second one after ";" would escape translation.
    for (const char* p = tail; p && *p; ++p) {
        if (*p != ' ' && *p != ';' && *p != '\n' && *p != '\r' && *p != '\t') {
            sqlite3_finalize(statement);
            throw EngineError(errSyntax, "Characters found after end of SQL statement.", "DAO.Database");
        }
    }
    return Statement(*this, statement);
}

std::int64_t Connection::LastInsertRowid() const
{
    return sqlite3_last_insert_rowid(Db);
}

int Connection::Changes() const
{
    return sqlite3_changes(Db);
}

std::int64_t Connection::DataVersion() const
{
    if (!DataVersionQuery && sqlite3_prepare_v2(Db, "PRAGMA data_version", -1, &DataVersionQuery, nullptr) != SQLITE_OK)
        Raise(sqlite3_extended_errcode(Db), "PRAGMA data_version");
    const int rc = sqlite3_step(DataVersionQuery);
    const std::int64_t version = rc == SQLITE_ROW ? sqlite3_column_int64(DataVersionQuery, 0) : -1;
    sqlite3_reset(DataVersionQuery);
    if (rc != SQLITE_ROW)
        Raise(sqlite3_extended_errcode(Db), "PRAGMA data_version");
    return version;
}

bool Connection::InTransaction() const
{
    return sqlite3_get_autocommit(Db) == 0;
}

int Connection::Authorize(void* self, int action, const char* a, const char* /*b*/, const char* /*database*/,
                          const char* trigger)
{
    const auto* connection = static_cast<const Connection*>(self);
    if (!connection->UserMode)
        return SQLITE_OK;
    // The engine's own triggers keep the catalog's counters.
    if (trigger && StartsWith(trigger, EngineObjectPrefix))
        return SQLITE_OK;
    const auto isCatalog = [](const char* table) {
        return table && (StartsWith(table, EngineObjectPrefix) || StartsWith(table, "sqlite_"));
    };
    switch (action) {
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
        return isCatalog(a) ? SQLITE_DENY : SQLITE_OK;
    case SQLITE_READ:
    case SQLITE_SELECT:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
        return SQLITE_OK;
    default:
        // Schema changes, ATTACH, PRAGMA and the rest are the engine's.
        return SQLITE_DENY;
    }
}

void Connection::Raise(int resultCode, std::string_view sql) const
{
    const std::string message = Db ? sqlite3_errmsg(Db) : sqlite3_errstr(resultCode);
    const int primary = resultCode & 0xFF;
    const std::string statement(sql);
    if (StartsWith(message, "jet:")) {
        const std::size_t colon = message.find(':', 4);
        const int number = std::atoi(message.substr(4, colon - 4).c_str());
        throw EngineError(number, colon == std::string::npos ? message : message.substr(colon + 1), "DAO.Database");
    }
    switch (resultCode) {
    case SQLITE_IOERR_DATA:  // a block of an encrypted file that fails its check
        throw EngineError(errCannotOpen,
                          "Cannot open database '" + FilePath + "'. It may not be a database that your application "
                          "recognizes, or the file may be corrupt.",
                          "DAO.Database");
    case SQLITE_CONSTRAINT_NOTNULL: {
        const std::string detail = message.substr(message.find(':') + 2);
        const std::size_t dot = detail.rfind('.');
        const std::string table = dot == std::string::npos ? "" : detail.substr(0, dot);
        const std::string column = AfterLastDot(detail);
        const int number = NullErrorNumber ? NullErrorNumber(AfterLastDot(table), column) : errRequired;
        if (number == errIndexNull)
            throw EngineError(errIndexNull, "Index or primary key cannot contain a Null value.", "DAO.Database");
        throw EngineError(errRequired,
                          "The field '" + table + "." + column + "' cannot contain a Null value because the Required "
                          "property for this field is set to True. Enter a value in this field.",
                          "DAO.Database");
    }
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        throw EngineError(errDuplicateKey,
                          "The changes you requested to the table were not successful because they would create "
                          "duplicate values in the index, primary key, or relationship. Change the data in the field "
                          "or fields that contain duplicate data, remove the index, or redefine the index to permit "
                          "duplicate entries and try again.",
                          "DAO.Database");
    case SQLITE_CONSTRAINT_CHECK: {
        const std::string constraint = message.substr(message.find(':') + 2);
        const std::string field = SizeCheckField ? SizeCheckField(constraint) : std::string();
        throw EngineError(errFieldTooSmall,
                          "The field " + (field.empty() ? std::string() : Quoted(field) + " ")
                              + "is too small to accept the amount of data you attempted to add. Try inserting or "
                                "pasting less data.",
                          "DAO.Database");
    }
    default: break;
    }
    switch (primary) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw EngineError(errLocked, "Couldn't update; currently locked by user 'Admin' on machine '" + FilePath + "'.",
                          "DAO.Database");
    case SQLITE_READONLY:
        throw EngineError(errReadOnly, "Cannot update. Database or object is read-only.", "DAO.Database");
    case SQLITE_FULL: throw EngineError(errDiskFull, "Not enough space on disk.", "DAO.Database");
    case SQLITE_NOTADB:
        throw EngineError(errUnrecognizedFormat, "Unrecognized database format '" + FilePath + "'.", "DAO.Database");
    case SQLITE_CORRUPT:
        throw EngineError(errCannotOpen,
                          "Cannot open database '" + FilePath + "'. It may not be a database that your application "
                          "recognizes, or the file may be corrupt.",
                          "DAO.Database");
    case SQLITE_CANTOPEN:
        throw EngineError(errFileNotFound, "Could not find file '" + FilePath + "'.", "DAO.Database");
    case SQLITE_AUTH:
        throw EngineError(errReadOnly, "Cannot update. Database or object is read-only. (" + message + ")",
                          "DAO.Database");
    case SQLITE_TOOBIG:
        throw EngineError(errFieldTooSmall, "The field is too small to accept the amount of data you attempted to add.",
                          "DAO.Database");
    default: break;
    }
    if (StartsWith(message, "no such table: ")) {
        throw EngineError(errInputTableNotFound,
                          "The database engine cannot find the input table or query " + Quoted(AfterLastDot(message.substr(15)))
                              + ". Make sure it exists and that its name is spelled correctly.",
                          "DAO.Database");
    }
    if (StartsWith(message, "no such column: ")) {
        throw EngineError(errTooFewParameters, "Too few parameters. Expected 1. (Unknown field " + Quoted(message.substr(16)) + ")",
                          "DAO.Database");
    }
    if (StartsWith(message, "no such function: ")) {
        throw EngineError(errSyntax, "Undefined function " + Quoted(message.substr(18)) + " in expression.",
                          "DAO.Database");
    }
    if (message.find("syntax error") != std::string::npos || StartsWith(message, "unrecognized token")
        || message.find("incomplete input") != std::string::npos) {
        throw EngineError(errSyntax, "Syntax error (" + message + ") in query expression " + Quoted(statement) + ".",
                          "DAO.Database");
    }
    if (StartsWith(message, "not authorized")) {
        throw EngineError(errReadOnly, "Cannot update. Database or object is read-only.", "DAO.Database");
    }
    throw EngineError(3000, "Reserved error (" + std::to_string(resultCode) + "); " + message, "DAO.Database");
}

// ---------------------------------------------------------------- Savepoint

Savepoint::Savepoint(Connection& connection, std::string_view name) : Db(connection), Name(QuoteIdentifier(name))
{
    Db.Exec("SAVEPOINT " + Name);
}

Savepoint::~Savepoint()
{
    if (Done)
        return;
    try {
        Db.Exec("ROLLBACK TO " + Name + "; RELEASE " + Name);
    } catch (...) {
        // Nothing more can be done: the connection reports the failure next.
    }
}

void Savepoint::Commit()
{
    Db.Exec("RELEASE " + Name);
    Done = true;
}

// ---------------------------------------------------------- ReadTransaction

ReadTransaction::ReadTransaction(Connection& connection)
{
    sqlite3* db = connection.Handle();
    if (!sqlite3_get_autocommit(db))
        return;
    if (!connection.BeginRead && sqlite3_prepare_v2(db, "BEGIN", -1, &connection.BeginRead, nullptr) != SQLITE_OK)
        connection.Raise(sqlite3_extended_errcode(db), "BEGIN");
    const int rc = sqlite3_step(connection.BeginRead);
    sqlite3_reset(connection.BeginRead);
    if (rc != SQLITE_DONE)
        connection.Raise(sqlite3_extended_errcode(db), "BEGIN");
    Begun = &connection;
}

ReadTransaction::~ReadTransaction()
{
    if (!Begun || sqlite3_get_autocommit(Begun->Handle()))
        return;
    sqlite3* db = Begun->Handle();
    if (!Begun->EndRead && sqlite3_prepare_v2(db, "COMMIT", -1, &Begun->EndRead, nullptr) != SQLITE_OK) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return;
    }
    // It serves reads only, so ending it cannot lose anything; should the
    // commit fail, the rollback still lets go of the lock.
    if (sqlite3_step(Begun->EndRead) != SQLITE_DONE)
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_reset(Begun->EndRead);
}

// ----------------------------------------------------------------- Helpers

std::string QuoteIdentifier(std::string_view name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string QuoteText(std::string_view text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out + "'";
}

std::string RealLiteral(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    std::string text = buffer;
    if (text.find_first_of(".eEn") == std::string::npos)
        text += ".0";
    return text;
}

bool JetLike(std::string_view pattern, std::string_view value)
{
    return Match(FoldedCodePoints(pattern), FoldedCodePoints(value));
}

} // namespace jet::sqlite
