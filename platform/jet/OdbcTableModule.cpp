#include "platform/jet/OdbcTableModule.h"

#include "platform/jet/Collation.h"
#include "platform/jet/EngineImpl.h"
#include "platform/jet/OdbcDatabase.h"
#include "platform/jet/SqliteConnection.h"

#include <sqlite3.h>

#include <cstring>
#include <functional>

namespace jet::impl {

struct OdbcTableModule::Entry {
    int Number = 0;
    OdbcTableSource Data;
    // Columns that identify a row of the source; empty: the rows are read only.
    std::vector<std::size_t> Key;
    // A row's rowid stands for its key values (rowid - 1 indexes Keys).
    std::map<std::string, sqlite3_int64> RowIds;
    std::vector<std::vector<Variant>> Keys;

    sqlite3_int64 RowIdOf(const std::vector<Variant>& row)
    {
        std::vector<Variant> key;
        std::string bytes;
        for (const std::size_t column : Key) {
            key.push_back(row[column]);
            bytes += std::to_string(row[column].VarType()) + ":" + (row[column].IsClear() ? "" : VarToStr(row[column]))
                + '\x1f';
        }
        const auto [found, added] = RowIds.emplace(bytes, static_cast<sqlite3_int64>(Keys.size() + 1));
        if (added)
            Keys.push_back(std::move(key));
        return found->second;
    }
};

namespace {

const char* const ModuleName = "jet_odbc";

struct Table {
    sqlite3_vtab Base{};
    std::shared_ptr<OdbcTableModule::Entry> Entry;
};

struct Cursor {
    sqlite3_vtab_cursor Base{};
    std::vector<std::vector<Variant>> Rows;
    std::vector<sqlite3_int64> RowIds;
    std::size_t At = 0;
};

OdbcTableModule::Entry& EntryOf(sqlite3_vtab* table)
{
    return *reinterpret_cast<Table*>(table)->Entry;
}

// Runs `action`; an error becomes the table's message in the form the
// connection turns back into the engine's error ("jet:<number>:<text>").
int Guard(sqlite3_vtab* table, const std::function<void()>& action)
{
    try {
        action();
        return SQLITE_OK;
    } catch (const EngineError& error) {
        sqlite3_free(table->zErrMsg);
        table->zErrMsg = sqlite3_mprintf("jet:%d:%s", error.Number(), error.Description().c_str());
    } catch (const std::exception& error) {
        sqlite3_free(table->zErrMsg);
        table->zErrMsg = sqlite3_mprintf("%s", error.what());
    }
    return SQLITE_ERROR;
}

void Result(sqlite3_context* context, const Variant& value)
{
    const std::uint16_t type = value.VarType();
    switch (type) {
    case varEmpty:
    case varNull: sqlite3_result_null(context); return;
    case varBoolean: sqlite3_result_int64(context, value.AsBoolean() ? -1 : 0); return;
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64: sqlite3_result_int64(context, value.AsInt64()); return;
    case varCurrency:  // every digit, as the file keeps currency (Statement::Bind)
    case varString: {
        const std::string text = value.AsString();
        sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return;
    }
    default:
        if (type == (varArray | varByte)) {
            const std::string bytes = value.AsBytes();
            sqlite3_result_blob(context, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
            return;
        }
        sqlite3_result_double(context, value.AsDouble());
    }
}

// Numbers and dates compare at the source as they do here; texts may not.
bool Pushable(int daoType)
{
    return !catalog::IsTextType(daoType) && daoType != dbBinary && daoType != dbLongBinary
        && daoType != dbVarBinary && daoType != dbGUID;
}

const char* SourceOperator(int op)
{
    switch (op) {
    case SQLITE_INDEX_CONSTRAINT_EQ: return "=";
    case SQLITE_INDEX_CONSTRAINT_GT: return ">";
    case SQLITE_INDEX_CONSTRAINT_GE: return ">=";
    case SQLITE_INDEX_CONSTRAINT_LT: return "<";
    case SQLITE_INDEX_CONSTRAINT_LE: return "<=";
    default: return nullptr;
    }
}

std::string Quote(const OdbcTableModule::Entry& entry, const std::string& name)
{
    return odbc::QuoteName(name, entry.Data.Source->Connection().IdentifierQuote());
}

// A value of the engine's SQL for a column of the source, in the column's type.
Variant ColumnValue(const catalog::ColumnDef& column, sqlite3_value* value)
{
    return ParameterValue(column.Type, sqlite::ValueOf(value), column.Name);
}

int Connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out, char** error)
{
    auto* module = static_cast<OdbcTableModule*>(aux);
    const OdbcTableModule::Entry* entry = argc > 3 ? module->ByNumber(std::atoi(argv[3])) : nullptr;
    if (!entry) {
        *error = sqlite3_mprintf("no ODBC table %s", argc > 3 ? argv[3] : "");
        return SQLITE_ERROR;
    }
    std::string declaration;
    for (const catalog::ColumnDef& column : entry->Data.Shape.Columns)
        declaration += (declaration.empty() ? "" : ", ") + sqlite::QuoteIdentifier(column.Name) + " "
            + catalog::SqlType(column.Type);
    // SQLite connects the table again after its schema was reset (a
    // rollback), while it prepares the user's statement.
    const sqlite::Connection::EngineWork engine(module->Connection());
    const int rc = sqlite3_declare_vtab(db, ("CREATE TABLE x (" + declaration + ")").c_str());
    if (rc != SQLITE_OK)
        return rc;
    auto table = std::make_unique<Table>();
    table->Entry = module->Shared(entry->Number);
    *out = &table.release()->Base;
    return SQLITE_OK;
}

int Disconnect(sqlite3_vtab* table)
{
    delete reinterpret_cast<Table*>(table);
    return SQLITE_OK;
}

int BestIndex(sqlite3_vtab* table, sqlite3_index_info* info)
{
    const OdbcTableModule::Entry& entry = EntryOf(table);
    std::string plan;
    int arguments = 0;
    bool equal = false;
    const bool queryRows = entry.Data.Table.empty();
    for (int i = 0; i < info->nConstraint && !queryRows; ++i) {
        const auto& constraint = info->aConstraint[i];
        const char* op = SourceOperator(constraint.op);
        if (!constraint.usable || !op || constraint.iColumn < 0
            || !Pushable(entry.Data.Shape.Columns[static_cast<std::size_t>(constraint.iColumn)].Type))
            continue;
        info->aConstraintUsage[i].argvIndex = ++arguments;
        info->aConstraintUsage[i].omit = 0;  // checked here again
        plan += std::to_string(constraint.iColumn) + " " + op + ";";
        equal = equal || constraint.op == SQLITE_INDEX_CONSTRAINT_EQ;
    }
    info->idxStr = sqlite3_mprintf("%s", plan.c_str());
    info->needToFreeIdxStr = 1;
    // A round trip to the source costs; one that names a value costs least.
    info->estimatedCost = equal ? 10.0 : arguments > 0 ? 1e4 : 1e6;
    info->estimatedRows = equal ? 1 : arguments > 0 ? 1000 : 100000;
    return SQLITE_OK;
}

int Open(sqlite3_vtab*, sqlite3_vtab_cursor** out)
{
    *out = &(new Cursor)->Base;
    return SQLITE_OK;
}

int Close(sqlite3_vtab_cursor* cursor)
{
    delete reinterpret_cast<Cursor*>(cursor);
    return SQLITE_OK;
}

int Filter(sqlite3_vtab_cursor* base, int, const char* plan, int argc, sqlite3_value** argv)
{
    auto& cursor = *reinterpret_cast<Cursor*>(base);
    OdbcTableModule::Entry& entry = EntryOf(base->pVtab);
    return Guard(base->pVtab, [&] {
        cursor.Rows.clear();
        cursor.RowIds.clear();
        cursor.At = 0;
        const auto& columns = entry.Data.Shape.Columns;
        const std::shared_ptr<OdbcDatabaseImpl>& source = entry.Data.Source;
        source->CheckOpen();
        std::unique_ptr<odbc::Statement> statement = source->NewStatement();
        if (entry.Data.Table.empty()) {
            statement->ExecDirect(entry.Data.PassThroughSql);
        } else {
            std::string select;
            for (const catalog::ColumnDef& column : columns)
                select += (select.empty() ? "" : ", ") + Quote(entry, column.Name);
            std::string where;
            std::vector<Variant> values;
            const std::string steps = plan ? plan : "";
            std::size_t at = 0;
            for (int argument = 0; argument < argc; ++argument) {
                const std::size_t blank = steps.find(' ', at), end = steps.find(';', at);
                const auto& column = columns[static_cast<std::size_t>(std::stoi(steps.substr(at, blank - at)))];
                where += std::string(where.empty() ? " WHERE " : " AND ") + Quote(entry, column.Name) + " "
                    + steps.substr(blank + 1, end - blank - 1) + " ?";
                values.push_back(ColumnValue(column, argv[argument]));
                at = end + 1;
            }
            // A Null compares as nothing: no row at all.
            for (const Variant& value : values)
                if (value.IsClear())
                    return;
            statement->Prepare("SELECT " + select + " FROM " + Quote(entry, entry.Data.Table) + where);
            statement->BindParameters(values);
            statement->Execute();
        }
        const int count = std::min<int>(statement->ColumnCount(), static_cast<int>(columns.size()));
        // The rows are read whole, so the connection is free for writes and
        // for other scans while SQLite walks them.
        while (statement->Fetch()) {
            std::vector<Variant> row(columns.size(), Variant::Null());
            for (int i = 0; i < count; ++i)
                row[static_cast<std::size_t>(i)] = statement->Read(i + 1, columns[static_cast<std::size_t>(i)].Type);
            cursor.RowIds.push_back(entry.Key.empty() ? static_cast<sqlite3_int64>(cursor.Rows.size() + 1)
                                                      : entry.RowIdOf(row));
            cursor.Rows.push_back(std::move(row));
        }
        statement->CloseCursor();
    });
}

int Next(sqlite3_vtab_cursor* base)
{
    ++reinterpret_cast<Cursor*>(base)->At;
    return SQLITE_OK;
}

int Eof(sqlite3_vtab_cursor* base)
{
    const auto& cursor = *reinterpret_cast<Cursor*>(base);
    return cursor.At >= cursor.Rows.size();
}

int Column(sqlite3_vtab_cursor* base, sqlite3_context* context, int column)
{
    const auto& cursor = *reinterpret_cast<Cursor*>(base);
    // An UPDATE writes only the columns it changes.
    if (sqlite3_vtab_nochange(context))
        return SQLITE_OK;
    Result(context, cursor.Rows[cursor.At][static_cast<std::size_t>(column)]);
    return SQLITE_OK;
}

int RowId(sqlite3_vtab_cursor* base, sqlite3_int64* rowId)
{
    const auto& cursor = *reinterpret_cast<Cursor*>(base);
    *rowId = cursor.RowIds[cursor.At];
    return SQLITE_OK;
}

int Update(sqlite3_vtab* table, int argc, sqlite3_value** argv, sqlite3_int64* newRowId)
{
    OdbcTableModule::Entry& entry = EntryOf(table);
    return Guard(table, [&] {
        const OdbcTableSource& data = entry.Data;
        data.Source->CheckOpen();
        if (data.Table.empty() || entry.Key.empty() || data.Source->IsReadOnly())
            Raise(errReadOnly, "Cannot update. Database or object is read-only.", "DAO.Database");
        const auto& columns = data.Shape.Columns;
        std::string sql;
        std::vector<Variant> values;
        const auto keyCondition = [&](sqlite3_int64 rowId) {
            if (rowId < 1 || rowId > static_cast<sqlite3_int64>(entry.Keys.size()))
                Raise(errRecordDeleted, "Record is deleted.", "DAO.Database");
            std::string where;
            for (std::size_t i = 0; i < entry.Key.size(); ++i) {
                where += std::string(where.empty() ? " WHERE " : " AND ") + Quote(entry, columns[entry.Key[i]].Name)
                    + " = ?";
                values.push_back(entry.Keys[static_cast<std::size_t>(rowId - 1)][i]);
            }
            return where;
        };
        if (argc == 1) {
            const std::string where = keyCondition(sqlite3_value_int64(argv[0]));
            sql = "DELETE FROM " + Quote(entry, data.Table) + where;
        } else if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            std::string names, markers;
            std::vector<Variant> row(columns.size(), Variant::Null());
            for (std::size_t i = 0; i < columns.size(); ++i) {
                row[i] = ColumnValue(columns[i], argv[i + 2]);
                // A column left out takes the source's default or number.
                if (row[i].IsClear())
                    continue;
                names += (names.empty() ? "" : ", ") + Quote(entry, columns[i].Name);
                markers += markers.empty() ? "?" : ", ?";
                values.push_back(row[i]);
            }
            sql = "INSERT INTO " + Quote(entry, data.Table) + " (" + names + ") VALUES (" + markers + ")";
            *newRowId = entry.RowIdOf(row);
        } else {
            if (sqlite3_value_int64(argv[0]) != sqlite3_value_int64(argv[1]))
                Raise(errReadOnly, "Cannot update. Database or object is read-only.", "DAO.Database");
            std::string assignments;
            for (std::size_t i = 0; i < columns.size(); ++i) {
                if (sqlite3_value_nochange(argv[i + 2]))
                    continue;
                assignments += (assignments.empty() ? "" : ", ") + Quote(entry, columns[i].Name) + " = ?";
                values.push_back(ColumnValue(columns[i], argv[i + 2]));
            }
            if (assignments.empty())
                return;
            const std::string where = keyCondition(sqlite3_value_int64(argv[0]));
            sql = "UPDATE " + Quote(entry, data.Table) + " SET " + assignments + where;
        }
        std::unique_ptr<odbc::Statement> statement = data.Source->NewStatement();
        statement->Prepare(sql);
        statement->BindParameters(values);
        statement->Execute();
        data.Source->NoteChange();
    });
}

sqlite3_module Module = {
    0,          Connect, Connect, BestIndex, Disconnect, Disconnect, Open, Close, Filter, Next, Eof, Column, RowId,
    Update,     nullptr, nullptr, nullptr,   nullptr,    nullptr,    nullptr, nullptr, nullptr, nullptr, nullptr,
};

} // namespace

OdbcTableModule& OdbcTableModule::Register(sqlite::Connection& connection)
{
    auto* module = new OdbcTableModule(connection);
    sqlite3_create_module_v2(connection.Handle(), ModuleName, &Module, module, [](void* self) {
        delete static_cast<OdbcTableModule*>(self);
    });
    return *module;
}

const OdbcTableModule::Entry* OdbcTableModule::ByNumber(int number) const
{
    for (const auto& [name, entry] : Tables)
        if (entry->Number == number)
            return entry.get();
    for (const auto& entry : Retired)
        if (entry->Number == number)
            return entry.get();
    return nullptr;
}

std::shared_ptr<OdbcTableModule::Entry> OdbcTableModule::Shared(int number) const
{
    for (const auto& [name, entry] : Tables)
        if (entry->Number == number)
            return entry;
    for (const auto& entry : Retired)
        if (entry->Number == number)
            return entry;
    return nullptr;
}

namespace {

bool SameShape(const catalog::TableInfo& a, const catalog::TableInfo& b)
{
    if (a.Columns.size() != b.Columns.size())
        return false;
    for (std::size_t i = 0; i < a.Columns.size(); ++i)
        if (a.Columns[i].Name != b.Columns[i].Name || a.Columns[i].Type != b.Columns[i].Type)
            return false;
    return true;
}

std::string SqliteName(int number)
{
    return "odbc." + std::to_string(number);
}

} // namespace

std::string OdbcTableModule::Reference(const std::string& name, OdbcTableSource source)
{
    std::shared_ptr<Entry>& entry = Tables[AsciiUpper(name)];
    if (!entry || entry->Data.Source != source.Source || entry->Data.Table != source.Table
        || entry->Data.PassThroughSql != source.PassThroughSql || !SameShape(entry->Data.Shape, source.Shape)) {
        // A table still in use by a statement cannot go: the old one stays
        // until the connection closes.
        if (entry)
            Retired.push_back(entry);
        auto made = std::make_shared<Entry>();
        made->Number = ++Made;
        made->Data = std::move(source);
        const catalog::TableInfo& shape = made->Data.Shape;
        const catalog::IndexDef* key = shape.PrimaryIndex();
        for (const catalog::IndexDef& index : shape.Indexes)
            if (!key && index.Unique)
                key = &index;
        if (key && !made->Data.Table.empty())
            for (const catalog::IndexColumn& column : key->Columns)
                for (std::size_t i = 0; i < shape.Columns.size(); ++i)
                    if (shape.Columns[i].Id == column.ColumnId)
                        made->Key.push_back(i);
        entry = made;
    }
    // A rollback of the transaction that made it takes the table away too.
    const std::string table = SqliteName(entry->Number);
    if (sqlite3_table_column_metadata(Sql.Handle(), "temp", table.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)
        != SQLITE_OK) {
        const std::string sql = "CREATE VIRTUAL TABLE temp." + sqlite::QuoteIdentifier(table) + " USING " + ModuleName
            + "(" + std::to_string(entry->Number) + ")";
        char* error = nullptr;
        if (sqlite3_exec(Sql.Handle(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : "";
            sqlite3_free(error);
            entry.reset();
            Raise(errInvalidOperation, "Invalid operation. (" + message + ")", "DAO.Database");
        }
    }
    return "temp." + sqlite::QuoteIdentifier(table);
}

const OdbcTableSource* OdbcTableModule::Find(const std::string& table) const
{
    for (const auto& [name, entry] : Tables)
        if (SqliteName(entry->Number) == table)
            return &entry->Data;
    return nullptr;
}

} // namespace jet::impl
