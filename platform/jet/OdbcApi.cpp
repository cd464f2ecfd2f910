#include "platform/jet/OdbcApi.h"

#include "platform/jet/Collation.h"
#include "platform/jet/Constants.h"
#include "platform/jet/JetSql.h"
#include "platform/system/DateTime.h"

#include <algorithm>
#include <cctype>

namespace jet::odbc {
namespace {

// The driver manager's environment, made on first use and kept for the
// process: connections may outlive any object that could own it.
SQLHENV Environment()
{
    static const SQLHENV environment = [] {
        SQLHENV made = SQL_NULL_HENV;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &made)))
            throw OdbcError(errOdbcCallFailed, "ODBC--call failed. The ODBC driver manager could not start.", {},
                            "ODBC");
        SQLSetEnvAttr(made, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        return made;
    }();
    return environment;
}

std::vector<Diagnostic> DiagnosticsOf(SQLSMALLINT type, SQLHANDLE handle)
{
    std::vector<Diagnostic> records;
    if (handle == SQL_NULL_HANDLE)
        return records;
    for (SQLSMALLINT i = 1; i <= 20; ++i) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::vector<SQLCHAR> message(1024);
        SQLSMALLINT length = 0;
        SQLRETURN result = SQLGetDiagRec(type, handle, i, state, &native, message.data(),
                                         static_cast<SQLSMALLINT>(message.size()), &length);
        if (result == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
            message.resize(static_cast<std::size_t>(length) + 1);
            result = SQLGetDiagRec(type, handle, i, state, &native, message.data(),
                                   static_cast<SQLSMALLINT>(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(result))
            break;
        Diagnostic record;
        record.State = reinterpret_cast<const char*>(state);
        record.Native = native;
        record.Message = reinterpret_cast<const char*>(message.data());
        while (!record.Message.empty() && std::isspace(static_cast<unsigned char>(record.Message.back())))
            record.Message.pop_back();
        records.push_back(std::move(record));
    }
    return records;
}

OdbcError MakeError(int number, const std::string& what, SQLSMALLINT type, SQLHANDLE handle,
                    const std::string& source)
{
    std::vector<Diagnostic> records = DiagnosticsOf(type, handle);
    std::string description = what;
    for (const Diagnostic& record : records)
        description += " " + record.Message + " (" + record.State + ")";
    return OdbcError(number, description, std::move(records), source);
}


// A variant read as the engine type says, from a text the driver gave.
// Dates come this way always, in ODBC's text form "yyyy-mm-dd hh:mm:ss.f":
// a driver's own conversion of a source's malformed date text cannot be
// trusted to stay within the text.
Variant FromText(const std::string& text, int daoType)
{
    try {
        switch (daoType) {
        case dbCurrency: return Variant::CurrencyScaled(Variant(text).AsCurrencyScaled());
        case dbDate:
        case dbTime:
        case dbTimeStamp: {
            platform::TDateTime value = 0;
            if (platform::TryStrToDateTime(text, value))
                return Variant::Date(value);
            break;
        }
        case dbGUID: {
            std::string braced = text;
            if (!braced.empty() && braced.front() != '{')
                braced = "{" + braced + "}";
            if (const auto bytes = sql::GuidBytes(braced))
                return Variant("{guid " + sql::GuidText(*bytes) + "}");
            break;
        }
        default: break;
        }
    } catch (const EVariantError&) {
    }
    return Variant(text);
}

} // namespace

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

OdbcError::OdbcError(int number, const std::string& description, std::vector<Diagnostic> diagnostics,
                     const std::string& source)
    : EngineError(number, description, source), Records(std::move(diagnostics))
{
}

bool OdbcError::HasState(std::string_view prefix) const
{
    for (const Diagnostic& record : Records)
        if (record.State.compare(0, prefix.size(), prefix) == 0)
            return true;
    return false;
}

int DaoType(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits)
{
    switch (sqlType) {
    case SQL_BIT: return dbBoolean;
    case SQL_TINYINT: return dbByte;
    case SQL_SMALLINT: return dbInteger;
    case SQL_INTEGER: return dbLong;
    case SQL_BIGINT: return dbBigInt;
    case SQL_REAL: return dbSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE: return dbDouble;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        if (digits == 4 && size == 19)
            return dbCurrency;  // the money type of the servers that have one
        if (digits == 0 && size > 0 && size <= 4)
            return dbInteger;
        if (digits == 0 && size > 0 && size <= 9)
            return dbLong;
        if (digits == 0 && size > 0 && size <= 18)
            return dbBigInt;
        return dbDecimal;
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP: return dbDate;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR: return size > 0 && size <= 255 ? dbText : dbMemo;
    case SQL_BINARY:
    case SQL_VARBINARY: return size > 0 && size <= 255 ? dbBinary : dbLongBinary;
    case SQL_LONGVARBINARY: return dbLongBinary;
    case SQL_GUID: return dbGUID;
    default: return dbMemo;  // long texts and anything else come as text
    }
}

int DaoSize(int daoType, SQLULEN size)
{
    switch (daoType) {
    case dbBoolean:
    case dbByte: return 1;
    case dbInteger: return 2;
    case dbLong:
    case dbSingle: return 4;
    case dbCurrency:
    case dbDouble:
    case dbDate:
    case dbBigInt: return 8;
    case dbDecimal: return 16;
    case dbGUID: return 16;
    case dbText:
    case dbBinary: return static_cast<int>(size);
    default: return 0;
    }
}

std::vector<std::string> ConnectItems(const std::string& connect)
{
    std::vector<std::string> items;
    std::string item;
    bool braced = false;
    for (char c : connect) {
        if (c == '{')
            braced = true;
        else if (c == '}')
            braced = false;
        if (c == ';' && !braced) {
            items.push_back(item);
            item.clear();
        } else {
            item += c;
        }
    }
    items.push_back(item);
    return items;
}

std::string ConnectionString(const std::string& connect, const std::string& name)
{
    std::string result;
    bool names = false;
    bool first = true;
    for (const std::string& raw : ConnectItems(connect)) {
        const std::string item = Trimmed(raw);
        const std::size_t equals = item.find('=');
        const bool typeWord = first && equals == std::string::npos;
        first = false;
        if (typeWord || equals == std::string::npos)
            continue;
        const std::string key = Trimmed(item.substr(0, equals));
        const std::string value = Trimmed(item.substr(equals + 1));
        if (key.empty() || value.empty())
            continue;
        const std::string upper = AsciiUpper(key);
        names = names || upper == "DSN" || upper == "DRIVER" || upper == "FILEDSN";
        result += key + "=" + value + ";";
    }
    if (!names && !name.empty() && name.find_first_of("=;") == std::string::npos)
        result = "DSN=" + name + ";" + result;
    return result;
}

// ---------------------------------------------------------------- Statement

Statement::Statement(Connection& connection) : Owner(connection)
{
    const SQLRETURN result = SQLAllocHandle(SQL_HANDLE_STMT, connection.Handle(), &Handle);
    if (!SQL_SUCCEEDED(result))
        connection.Fail(SQL_HANDLE_DBC, connection.Handle(), "ODBC--call failed.");
}

Statement::~Statement()
{
    if (Handle != SQL_NULL_HSTMT)
        SQLFreeHandle(SQL_HANDLE_STMT, Handle);
}

void Statement::Fail(SQLRETURN, const std::string&) const
{
    throw MakeError(errOdbcCallFailed, "ODBC--call failed.", SQL_HANDLE_STMT, Handle, "ODBC.Statement");
}

void Statement::Check(SQLRETURN result, const std::string& sql) const
{
    // SQL_NO_DATA: a searched UPDATE or DELETE that touched no row.
    if (!SQL_SUCCEEDED(result) && result != SQL_NO_DATA)
        Fail(result, sql);
}

void Statement::ExecDirect(const std::string& sql)
{
    Check(SQLExecDirect(Handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS), sql);
}

void Statement::Prepare(const std::string& sql)
{
    Check(SQLPrepare(Handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS), sql);
}

void Statement::BindParameters(const std::vector<Variant>& values, const std::vector<SQLSMALLINT>& sqlTypes)
{
    SQLFreeStmt(Handle, SQL_RESET_PARAMS);
    Buffers.assign(values.size(), std::string());
    Lengths.assign(values.size(), 0);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const Variant& value = values[i];
        SQLSMALLINT sqlType = i < sqlTypes.size() ? sqlTypes[i] : SQL_UNKNOWN_TYPE;
        SQLSMALLINT cType = SQL_C_CHAR;
        SQLULEN columnSize = 0;
        SQLSMALLINT digits = 0;
        std::string& buffer = Buffers[i];
        SQLLEN& length = Lengths[i];
        const auto store = [&](const void* data, std::size_t size) {
            buffer.assign(static_cast<const char*>(data), size);
            length = static_cast<SQLLEN>(size);
        };
        const std::uint16_t type = value.VarType();
        if (value.IsClear()) {
            length = SQL_NULL_DATA;
            buffer.assign(1, '\0');
            if (sqlType == SQL_UNKNOWN_TYPE)
                sqlType = SQL_VARCHAR;
            columnSize = 1;
        } else if (type == (varArray | varByte)) {
            const std::string bytes = value.AsBytes();
            cType = SQL_C_BINARY;
            store(bytes.data(), bytes.size());
            if (sqlType == SQL_UNKNOWN_TYPE)
                sqlType = SQL_LONGVARBINARY;
            columnSize = std::max<std::size_t>(bytes.size(), 1);
        } else if (type == varBoolean) {
            const bool bit = sqlType == SQL_BIT;
            const SQLINTEGER number = value.AsBoolean() ? (bit ? 1 : -1) : 0;
            cType = SQL_C_SLONG;
            store(&number, sizeof number);
            if (sqlType == SQL_UNKNOWN_TYPE)
                sqlType = SQL_INTEGER;
        } else if (type == varSmallint || type == varInteger || type == varInt64 || type == varByte) {
            const SQLBIGINT number = value.AsInt64();
            cType = SQL_C_SBIGINT;
            store(&number, sizeof number);
            if (sqlType == SQL_UNKNOWN_TYPE)
                sqlType = SQL_BIGINT;
            columnSize = 19;
        } else if (type == varSingle || type == varDouble) {
            const SQLDOUBLE number = value.AsDouble();
            cType = SQL_C_DOUBLE;
            store(&number, sizeof number);
            if (sqlType == SQL_UNKNOWN_TYPE)
                sqlType = SQL_DOUBLE;
            columnSize = 15;
        } else if (type == varDate) {
            int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
            platform::DecodeDate(value.AsDate(), year, month, day);
            platform::DecodeTime(value.AsDate(), hour, minute, second, millisecond);
            SQL_TIMESTAMP_STRUCT stamp{};
            stamp.year = static_cast<SQLSMALLINT>(year);
            stamp.month = static_cast<SQLUSMALLINT>(month);
            stamp.day = static_cast<SQLUSMALLINT>(day);
            stamp.hour = static_cast<SQLUSMALLINT>(hour);
            stamp.minute = static_cast<SQLUSMALLINT>(minute);
            stamp.second = static_cast<SQLUSMALLINT>(second);
            stamp.fraction = static_cast<SQLUINTEGER>(millisecond) * 1000000u;
            cType = SQL_C_TYPE_TIMESTAMP;
            store(&stamp, sizeof stamp);
            if (sqlType == SQL_UNKNOWN_TYPE || sqlType == SQL_TIMESTAMP)
                sqlType = SQL_TYPE_TIMESTAMP;
            columnSize = 23;
            digits = 3;
        } else {
            std::string text = value.AsString();
            // A GUID goes as its bare text.
            if (text.rfind("{guid {", 0) == 0 && text.size() > 8)
                text = text.substr(7, text.size() - 9);
            store(text.data(), text.size());
            buffer.push_back('\0');
            if (sqlType == SQL_UNKNOWN_TYPE)
                sqlType = type == varCurrency ? SQL_DECIMAL : SQL_VARCHAR;
            columnSize = std::max<std::size_t>(text.size(), 1);
            if (type == varCurrency) {
                columnSize = 19;
                digits = 4;
            }
        }
        Check(SQLBindParameter(Handle, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, cType, sqlType, columnSize,
                               digits, buffer.data(), static_cast<SQLLEN>(buffer.size()), &length));
    }
}

void Statement::SetQueryTimeout(int seconds)
{
    SQLSetStmtAttr(Handle, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(std::max(seconds, 0))),
                   SQL_IS_UINTEGER);
}

void Statement::Execute()
{
    Check(SQLExecute(Handle));
}

void Statement::Tables(const std::string& types)
{
    Check(SQLTables(Handle, nullptr, 0, nullptr, 0, nullptr, 0,
                    reinterpret_cast<SQLCHAR*>(const_cast<char*>(types.c_str())), SQL_NTS));
}

void Statement::Columns(const std::string& table)
{
    Check(SQLColumns(Handle, nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(const_cast<char*>(table.c_str())),
                     SQL_NTS, nullptr, 0));
}

void Statement::Statistics(const std::string& table)
{
    Check(SQLStatistics(Handle, nullptr, 0, nullptr, 0,
                        reinterpret_cast<SQLCHAR*>(const_cast<char*>(table.c_str())), SQL_NTS, SQL_INDEX_ALL,
                        SQL_QUICK));
}

void Statement::PrimaryKeys(const std::string& table)
{
    Check(SQLPrimaryKeys(Handle, nullptr, 0, nullptr, 0,
                         reinterpret_cast<SQLCHAR*>(const_cast<char*>(table.c_str())), SQL_NTS));
}

int Statement::ColumnCount()
{
    SQLSMALLINT count = 0;
    Check(SQLNumResultCols(Handle, &count));
    return count;
}

ColumnShape Statement::Describe(int column)
{
    ColumnShape shape;
    std::vector<SQLCHAR> name(512);
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
    Check(SQLDescribeCol(Handle, static_cast<SQLUSMALLINT>(column), name.data(), static_cast<SQLSMALLINT>(name.size()),
                         &nameLength, &shape.SqlType, &shape.Size, &shape.Digits, &nullable));
    if (nameLength >= static_cast<SQLSMALLINT>(name.size())) {
        name.resize(static_cast<std::size_t>(nameLength) + 1);
        Check(SQLDescribeCol(Handle, static_cast<SQLUSMALLINT>(column), name.data(),
                             static_cast<SQLSMALLINT>(name.size()), &nameLength, &shape.SqlType, &shape.Size,
                             &shape.Digits, &nullable));
    }
    shape.Name = reinterpret_cast<const char*>(name.data());
    shape.Nullable = nullable != SQL_NO_NULLS;
    // What the driver does not know it does not say: these stay unset then.
    SQLLEN number = 0;
    if (SQL_SUCCEEDED(SQLColAttribute(Handle, static_cast<SQLUSMALLINT>(column), SQL_DESC_AUTO_UNIQUE_VALUE, nullptr,
                                      0, nullptr, &number)))
        shape.AutoIncrement = number == SQL_TRUE;
    const auto attribute = [&](SQLUSMALLINT field) {
        SQLCHAR text[512] = {};
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLColAttribute(Handle, static_cast<SQLUSMALLINT>(column), field, text, sizeof text,
                                           &length, nullptr)))
            return std::string();
        return std::string(reinterpret_cast<const char*>(text));
    };
    shape.BaseTable = attribute(SQL_DESC_BASE_TABLE_NAME);
    shape.BaseColumn = attribute(SQL_DESC_BASE_COLUMN_NAME);
    return shape;
}

bool Statement::Fetch()
{
    const SQLRETURN result = SQLFetch(Handle);
    if (result == SQL_NO_DATA)
        return false;
    Check(result);
    return true;
}

bool Statement::ReadParts(int column, SQLSMALLINT cType, std::string& out)
{
    out.clear();
    const SQLLEN terminator = cType == SQL_C_CHAR ? 1 : 0;
    // A small first part (some drivers fill the whole buffer given), then
    // parts as large as the driver says the rest is.
    std::vector<char>& buffer = PartBuffer;
    buffer.resize(256);
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN result = SQLGetData(Handle, static_cast<SQLUSMALLINT>(column), cType, buffer.data(),
                                            static_cast<SQLLEN>(buffer.size()), &indicator);
        if (result == SQL_NO_DATA)
            return true;  // every part read
        if (!SQL_SUCCEEDED(result))
            Fail(result);
        if (indicator == SQL_NULL_DATA)
            return false;
        const SQLLEN room = static_cast<SQLLEN>(buffer.size()) - terminator;
        const bool truncated = indicator == SQL_NO_TOTAL || indicator > room;
        const SQLLEN part = truncated ? room : std::max<SQLLEN>(indicator, 0);
        out.append(buffer.data(), static_cast<std::size_t>(part));
        if (!truncated)
            return true;
        const SQLLEN rest = indicator == SQL_NO_TOTAL ? 65536 : indicator - part;
        buffer.resize(static_cast<std::size_t>(std::clamp<SQLLEN>(rest + terminator, 256, 1 << 20)));
    }
}

Variant Statement::Read(int column, int daoType)
{
    const auto fallback = [&]() -> Variant {
        std::string text;
        if (!ReadParts(column, SQL_C_CHAR, text))
            return Variant::Null();
        return FromText(text, daoType);
    };
    const auto get = [&](SQLSMALLINT cType, void* target, SQLLEN size, SQLLEN& indicator) {
        return SQLGetData(Handle, static_cast<SQLUSMALLINT>(column), cType, target, size, &indicator);
    };
    SQLLEN indicator = 0;
    switch (daoType) {
    case dbBoolean:
    case dbByte:
    case dbInteger:
    case dbLong:
    case dbBigInt: {
        SQLBIGINT number = 0;
        if (!SQL_SUCCEEDED(get(SQL_C_SBIGINT, &number, sizeof number, indicator)))
            return fallback();
        if (indicator == SQL_NULL_DATA)
            return Variant::Null();
        switch (daoType) {
        case dbBoolean: return Variant(number != 0);
        case dbByte:
            if (number >= 0 && number <= 255)
                return Variant::Byte(static_cast<std::uint8_t>(number));
            break;
        case dbInteger:
            if (number >= -32768 && number <= 32767)
                return Variant::Smallint(static_cast<std::int16_t>(number));
            break;
        case dbLong:
            if (number >= INT32_MIN && number <= INT32_MAX)
                return Variant(static_cast<int>(number));
            break;
        default: break;
        }
        // A value wider than the column says (the source's types are loose).
        return Variant(static_cast<std::int64_t>(number));
    }
    case dbSingle:
    case dbDouble:
    case dbDecimal:
    case dbNumeric:
    case dbFloat: {
        SQLDOUBLE number = 0;
        if (!SQL_SUCCEEDED(get(SQL_C_DOUBLE, &number, sizeof number, indicator)))
            return fallback();
        if (indicator == SQL_NULL_DATA)
            return Variant::Null();
        return daoType == dbSingle ? Variant::Single(static_cast<float>(number)) : Variant(number);
    }
    case dbBinary:
    case dbVarBinary:
    case dbLongBinary: {
        std::string bytes;
        if (!ReadParts(column, SQL_C_BINARY, bytes))
            return Variant::Null();
        return Variant::Bytes(bytes);
    }
    default: return fallback();
    }
}

std::string Statement::Text(int column, const std::string& fallback)
{
    std::string text;
    return ReadParts(column, SQL_C_CHAR, text) ? text : fallback;
}

long long Statement::Integer(int column, long long fallback)
{
    SQLBIGINT number = 0;
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(SQLGetData(Handle, static_cast<SQLUSMALLINT>(column), SQL_C_SBIGINT, &number, sizeof number,
                                  &indicator))
        || indicator == SQL_NULL_DATA)
        return fallback;
    return number;
}

long Statement::RowCount()
{
    SQLLEN rows = -1;
    if (!SQL_SUCCEEDED(SQLRowCount(Handle, &rows)))
        return -1;
    return static_cast<long>(rows);
}

void Statement::CloseCursor()
{
    SQLFreeStmt(Handle, SQL_CLOSE);
}

// --------------------------------------------------------------- Connection

Connection::Connection(const std::string& connectionString, bool readOnly, const std::string& name)
{
    const SQLHENV environment = Environment();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment, &Dbc)))
        throw MakeError(errOdbcConnectFailed, "ODBC--connection to '" + name + "' failed.", SQL_HANDLE_ENV,
                        environment, "ODBC.Database");
    try {
        SQLSetConnectAttr(Dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(20)),
                          SQL_IS_UINTEGER);
        std::vector<SQLCHAR> completed(4096);
        SQLSMALLINT completedLength = 0;
        const SQLRETURN result =
            SQLDriverConnect(Dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())),
                             SQL_NTS, completed.data(), static_cast<SQLSMALLINT>(completed.size()), &completedLength,
                             SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(result))
            throw MakeError(errOdbcConnectFailed, "ODBC--connection to '" + name + "' failed.", SQL_HANDLE_DBC, Dbc,
                            "ODBC.Database");
        Connected = true;
        CompletedText = reinterpret_cast<const char*>(completed.data());
        if (CompletedText.empty())
            CompletedText = connectionString;
        if (readOnly)
            SQLSetConnectAttr(Dbc, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY),
                              SQL_IS_UINTEGER);
        Dbms = InfoText(SQL_DBMS_NAME);
        Version = InfoText(SQL_DBMS_VER);
        Quote = InfoText(SQL_IDENTIFIER_QUOTE_CHAR);
        if (Quote == " ")
            Quote.clear();
        SQLUSMALLINT capable = SQL_TC_NONE;
        if (SQL_SUCCEEDED(SQLGetInfo(Dbc, SQL_TXN_CAPABLE, &capable, sizeof capable, nullptr)))
            Transactions = capable != SQL_TC_NONE;
    } catch (...) {
        if (Connected)
            SQLDisconnect(Dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, Dbc);
        throw;
    }
}

Connection::~Connection()
{
    if (Connected) {
        // A transaction still open when the connection goes is not kept.
        SQLEndTran(SQL_HANDLE_DBC, Dbc, SQL_ROLLBACK);
        SQLDisconnect(Dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, Dbc);
}

std::string Connection::InfoText(SQLUSMALLINT item) const
{
    SQLCHAR text[512] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(Dbc, item, text, sizeof text, &length)))
        return "";
    return reinterpret_cast<const char*>(text);
}

void Connection::Fail(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& what) const
{
    throw MakeError(errOdbcCallFailed, what, handleType, handle, "ODBC.Database");
}

void Connection::SetAutoCommit(bool on)
{
    const SQLRETURN result = SQLSetConnectAttr(
        Dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF),
        SQL_IS_UINTEGER);
    if (!SQL_SUCCEEDED(result))
        Fail(SQL_HANDLE_DBC, Dbc, "ODBC--call failed.");
}

void Connection::EndTransaction(bool commit)
{
    const SQLRETURN result = SQLEndTran(SQL_HANDLE_DBC, Dbc, commit ? SQL_COMMIT : SQL_ROLLBACK);
    if (!SQL_SUCCEEDED(result))
        Fail(SQL_HANDLE_DBC, Dbc, "ODBC--call failed.");
}

void Connection::Exec(const std::string& sql)
{
    Statement statement(*this);
    statement.ExecDirect(sql);
}

} // namespace jet::odbc
