#include "platform/jet/Catalog.h"

#include "platform/jet/Collation.h"
#include "platform/jet/Collection.h"
#include "platform/jet/Constants.h"
#include "platform/jet/EngineError.h"
#include "platform/jet/JetSql.h"
#include "platform/system/DateTime.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>

namespace jet::catalog {
namespace {

using sqlite::Connection;
using sqlite::QuoteIdentifier;
using sqlite::QuoteText;

constexpr const char* CatalogSchema = R"(
CREATE TABLE "jet.info" (Name TEXT PRIMARY KEY, Value);
CREATE TABLE "jet.tables" (Id INTEGER PRIMARY KEY, Name TEXT NOT NULL, Attributes INTEGER NOT NULL,
    Connect TEXT NOT NULL, SourceTable TEXT NOT NULL, DateCreated REAL NOT NULL, LastUpdated REAL NOT NULL);
CREATE TABLE "jet.columns" (TableId INTEGER NOT NULL, Id INTEGER NOT NULL, Ordinal INTEGER NOT NULL,
    Name TEXT NOT NULL, Type INTEGER NOT NULL, Size INTEGER NOT NULL, Attributes INTEGER NOT NULL,
    Required INTEGER NOT NULL, DefaultValue TEXT NOT NULL, Seed INTEGER NOT NULL, Start INTEGER NOT NULL DEFAULT 1,
    Increment INTEGER NOT NULL DEFAULT 1, PRIMARY KEY (TableId, Id));
CREATE TABLE "jet.indexes" (TableId INTEGER NOT NULL, Id INTEGER NOT NULL, Name TEXT NOT NULL,
    IsPrimary INTEGER NOT NULL, IsUnique INTEGER NOT NULL, PRIMARY KEY (TableId, Id));
CREATE TABLE "jet.indexcolumns" (TableId INTEGER NOT NULL, IndexId INTEGER NOT NULL, Position INTEGER NOT NULL,
    ColumnId INTEGER NOT NULL, Descending INTEGER NOT NULL, PRIMARY KEY (TableId, IndexId, Position));
CREATE TABLE "jet.properties" (TableId INTEGER NOT NULL, ColumnId INTEGER NOT NULL, Name TEXT NOT NULL,
    Type INTEGER NOT NULL, Value, PRIMARY KEY (TableId, ColumnId, Name));
CREATE TABLE "jet.queries" (Name TEXT PRIMARY KEY, SQL TEXT NOT NULL, DateCreated REAL NOT NULL,
    LastUpdated REAL NOT NULL);
)";

// The sources of pass-through queries. Files made before there were any
// lack the table until a pass-through query is stored.
constexpr const char* PassThroughSchema = R"(
CREATE TABLE IF NOT EXISTS "jet.passthrough" (Name TEXT PRIMARY KEY, Connect TEXT NOT NULL,
    ReturnsRecords INTEGER NOT NULL);
)";

// Files made before relations were kept get these with their first one.
constexpr const char* RelationSchema = R"(
CREATE TABLE "jet.relations" (Name TEXT PRIMARY KEY COLLATE NOCASE, TableId INTEGER NOT NULL,
    ForeignTableId INTEGER NOT NULL, Attributes INTEGER NOT NULL);
CREATE TABLE "jet.relationcolumns" (Relation TEXT NOT NULL COLLATE NOCASE, Position INTEGER NOT NULL,
    ColumnId INTEGER NOT NULL, ForeignColumnId INTEGER NOT NULL, PRIMARY KEY (Relation, Position));
)";

constexpr const char* CatalogTables[] = {"jet.columns",     "jet.indexcolumns",    "jet.indexes",
                                         "jet.info",        "jet.passthrough",     "jet.properties",
                                         "jet.queries",     "jet.relationcolumns", "jet.relations",
                                         "jet.tables"};

// One change of the catalog: whole or not at all, and the catalog's stamp
// moves on with it.
class Savepoint {
public:
    explicit Savepoint(Connection& connection) : Db(connection), Change(connection, "jet.change") {}
    void Commit()
    {
        Db.Exec("UPDATE \"jet.info\" SET Value = Value + 1 WHERE Name = 'Stamp'");
        Change.Commit();
    }

private:
    Connection& Db;
    sqlite::Savepoint Change;
};

std::string Schema(const std::string& schema)
{
    return QuoteIdentifier(schema) + ".";
}

[[noreturn]] void Fail(int number, const std::string& text)
{
    throw EngineError(number, text, "DAO.TableDef");
}

// A table or index a relation needs is not deleted.
[[noreturn]] void RefuseInRelation()
{
    Fail(3281, "Cannot delete this index or table. It is either the current index or is used in a relationship.");
}

// True when the unique index is on exactly the primary fields of the
// relation, in any order.
bool Covers(const IndexDef& index, const RelationDef& relation)
{
    if (!(index.Unique || index.Primary) || index.Columns.size() != relation.Columns.size())
        return false;
    for (const RelationColumn& column : relation.Columns)
        if (std::none_of(index.Columns.begin(), index.Columns.end(),
                         [&](const IndexColumn& indexed) { return indexed.ColumnId == column.ColumnId; }))
            return false;
    return true;
}

bool IsKnownType(int type)
{
    return (type >= dbBoolean && type <= dbMemo) || (type >= dbGUID && type <= dbTimeStamp);
}

std::string CheckConstraint(const TableInfo& table, const ColumnDef& column)
{
    const std::string name = QuoteIdentifier(column.Name);
    const std::string constraint =
        " CONSTRAINT " + QuoteIdentifier("jet.size." + std::to_string(table.Id) + "." + std::to_string(column.Id));
    if ((column.Type == dbText || column.Type == dbChar || column.Type == dbBinary || column.Type == dbVarBinary)
        && column.Size > 0)
        return constraint + " CHECK (length(" + name + ") <= " + std::to_string(column.Size) + ")";
    if (column.Type == dbGUID)
        return constraint + " CHECK (length(" + name + ") = 16)";
    return "";
}

std::string ColumnSql(const TableInfo& table, const ColumnDef& column)
{
    std::string sql = QuoteIdentifier(column.Name) + " " + SqlType(column.Type);
    if ((column.Required || table.InPrimaryKey(column.Id)) && !column.AutoIncrement())
        sql += " NOT NULL";
    const std::string defaultSql = DefaultSql(column.Type, column.DefaultValue);
    if (!defaultSql.empty())
        sql += " DEFAULT (" + defaultSql + ")";
    return sql + CheckConstraint(table, column);
}

std::string CreateTableSql(const TableInfo& table, const std::string& sqlName)
{
    std::string sql = "CREATE TABLE " + QuoteIdentifier(sqlName) + " (";
    for (std::size_t i = 0; i < table.Columns.size(); ++i)
        sql += (i ? ", " : "") + ColumnSql(table, table.Columns[i]);
    return sql + ")";
}

std::string CreateIndexSql(const TableInfo& table, const IndexDef& index)
{
    std::string sql = std::string("CREATE ") + (index.Unique || index.Primary ? "UNIQUE " : "") + "INDEX "
        + IndexSqlName(table.Id, index.Id) + " ON " + QuoteIdentifier(table.Name) + " (";
    for (std::size_t i = 0; i < index.Columns.size(); ++i) {
        const ColumnDef* column = table.ColumnById(index.Columns[i].ColumnId);
        sql += (i ? ", " : "") + QuoteIdentifier(column->Name) + (index.Columns[i].Descending ? " DESC" : "");
    }
    return sql + ")";
}

// The numbering of an auto-increment column: "Seed" in its catalog row is
// the last number given; a new row without a number gets the next one in
// the column's step, and a row given a number further along moves the
// numbering on past it.
std::string TriggerSql(const TableInfo& table, const ColumnDef& column)
{
    const std::string ids = std::to_string(table.Id) + "." + std::to_string(column.Id);
    const std::string where = " WHERE TableId = " + std::to_string(table.Id) + " AND Id = " + std::to_string(column.Id);
    const std::string t = QuoteIdentifier(table.Name);
    const std::string c = QuoteIdentifier(column.Name);
    const std::string further = column.Increment < 0 ? "MIN" : "MAX";
    return "CREATE TRIGGER " + QuoteIdentifier("jet.auto." + ids) + " AFTER INSERT ON " + t
        + " FOR EACH ROW WHEN NEW." + c + " IS NULL BEGIN UPDATE \"jet.columns\" SET Seed = Seed + ("
        + std::to_string(column.Increment) + ")" + where + "; UPDATE " + t + " SET " + c
        + " = (SELECT Seed FROM \"jet.columns\"" + where + ") WHERE _rowid_ = NEW._rowid_; END; "
        + "CREATE TRIGGER " + QuoteIdentifier("jet.seed." + ids) + " AFTER INSERT ON " + t
        + " FOR EACH ROW WHEN NEW." + c + " IS NOT NULL BEGIN UPDATE \"jet.columns\" SET Seed = " + further
        + "(Seed, NEW." + c + ")" + where + "; END; "
        + "CREATE TRIGGER " + QuoteIdentifier("jet.fixed." + ids) + " BEFORE UPDATE OF " + c + " ON " + t
        + " FOR EACH ROW WHEN OLD." + c + " IS NOT NULL AND NEW." + c + " IS NOT OLD." + c
        + " BEGIN SELECT RAISE(ABORT, 'jet:3164:Field cannot be updated.'); END;";
}

void CreateStorage(Connection& db, const TableInfo& table)
{
    db.Exec(CreateTableSql(table, table.Name));
    for (const IndexDef& index : table.Indexes)
        db.Exec(CreateIndexSql(table, index));
    for (const ColumnDef& column : table.Columns)
        if (column.AutoIncrement())
            db.Exec(TriggerSql(table, column));
}

// Makes the SQLite table of `after` from the one of `before`, keeping every
// row and its row id; columns are matched by id.
void Rebuild(Connection& db, const TableInfo& before, const TableInfo& after)
{
    if (!after.HasStorage()) {
        if (before.HasStorage())
            db.Exec("DROP TABLE " + QuoteIdentifier(before.Name));
        return;
    }
    if (!before.HasStorage()) {
        CreateStorage(db, after);
        return;
    }
    const std::string work = "jet.rebuild";
    db.Exec(CreateTableSql(after, work));
    std::string target = "_rowid_";
    std::string source = "_rowid_";
    for (const ColumnDef& column : after.Columns) {
        if (const ColumnDef* old = before.ColumnById(column.Id)) {
            target += ", " + QuoteIdentifier(column.Name);
            source += ", " + QuoteIdentifier(old->Name);
        }
    }
    db.Exec("INSERT INTO " + QuoteIdentifier(work) + " (" + target + ") SELECT " + source + " FROM "
            + QuoteIdentifier(before.Name));
    db.Exec("DROP TABLE " + QuoteIdentifier(before.Name));
    db.Exec("ALTER TABLE " + QuoteIdentifier(work) + " RENAME TO " + QuoteIdentifier(after.Name));
    for (const IndexDef& index : after.Indexes)
        db.Exec(CreateIndexSql(after, index));
    for (const ColumnDef& column : after.Columns)
        if (column.AutoIncrement())
            db.Exec(TriggerSql(after, column));
}

const TableInfo& TableOf(const Catalog& catalog, int tableId)
{
    const TableInfo* table = catalog.TableById(tableId);
    if (!table)
        Fail(errObjectClosed, "Object invalid or no longer set.");
    return *table;
}

// The columns of a table, name and declared type; none when the file lacks
// the table. SQLite answers from the schema it already holds, for less than
// a search of sqlite_master costs.
using DeclaredColumns = std::vector<std::pair<std::string, std::string>>;

DeclaredColumns ColumnsOf(Connection& db, const std::string& schema, const char* table)
{
    DeclaredColumns declared;
    sqlite::Statement columns = db.Prepare("PRAGMA " + QuoteIdentifier(schema) + ".table_info(" + QuoteText(table) + ")");
    while (columns.Step())
        declared.emplace_back(columns.ColumnText(1), columns.ColumnText(2));
    return declared;
}

bool HasColumn(const DeclaredColumns& columns, std::string_view column)
{
    return std::any_of(columns.begin(), columns.end(), [&](const auto& declared) { return declared.first == column; });
}

// The catalog tables a file has, by name: files made by older versions lack
// some of them, and some of their columns.
using CatalogTableColumns = std::map<std::string, DeclaredColumns, std::less<>>;

CatalogTableColumns ReadCatalogTables(Connection& db, const std::string& schema)
{
    CatalogTableColumns tables;
    for (const char* name : CatalogTables)
        if (DeclaredColumns columns = ColumnsOf(db, schema, name); !columns.empty())
            tables.emplace(name, std::move(columns));
    return tables;
}

bool HasTable(Connection& db, const std::string& schema, const char* table)
{
    sqlite::Statement find = db.Prepare("SELECT 1 FROM " + Schema(schema)
                                        + "sqlite_master WHERE type = 'table' AND name = ?");
    find.BindText(1, table);
    return find.Step();
}

// The triggers that keep an enforced relation: a record of the foreign table
// needs its primary record, and a primary record with related records is
// neither deleted nor given another key, unless the change cascades.
std::string RelationTriggerSql(const Catalog& catalog, const RelationDef& relation)
{
    const TableInfo& primary = *catalog.TableById(relation.TableId);
    const TableInfo& foreign = *catalog.TableById(relation.ForeignTableId);
    const std::string p = QuoteIdentifier(primary.Name);
    const std::string f = QuoteIdentifier(foreign.Name);
    const auto trigger = [&](const char* what) { return QuoteIdentifier("jet.rel." + relation.Name + "." + what); };
    const auto fail = [](int number, const std::string& text) {
        return " BEGIN SELECT RAISE(ABORT, " + QuoteText("jet:" + std::to_string(number) + ":" + text) + "); END; ";
    };
    // The statements of a trigger body take no alias: their table's columns
    // are named bare there.
    std::string foreignList, primaryList, childFilled, parentOf, childrenOfOld, relatedRows, keyChanged, setKey;
    for (std::size_t i = 0; i < relation.Columns.size(); ++i) {
        const std::string pc = QuoteIdentifier(primary.ColumnById(relation.Columns[i].ColumnId)->Name);
        const std::string fc = QuoteIdentifier(foreign.ColumnById(relation.Columns[i].ForeignColumnId)->Name);
        const std::string conj = i ? " AND " : "";
        foreignList += (i ? ", " : "") + fc;
        primaryList += (i ? ", " : "") + pc;
        childFilled += conj + "NEW." + fc + " IS NOT NULL";
        parentOf += conj + "jet_parent." + pc + " = NEW." + fc;
        childrenOfOld += conj + "jet_child." + fc + " = OLD." + pc;
        relatedRows += conj + fc + " = OLD." + pc;
        keyChanged += (i ? " OR " : "") + ("OLD." + pc + " IS NOT NEW." + pc);
        setKey += (i ? ", " : "") + fc + " = NEW." + pc;
    }
    const std::string orphan = childFilled + " AND NOT EXISTS (SELECT 1 FROM " + p + " AS jet_parent WHERE "
        + parentOf + ")";
    const std::string related = "EXISTS (SELECT 1 FROM " + f + " AS jet_child WHERE " + childrenOfOld + ")";
    const std::string required =
        "You cannot add or change a record because a related record is required in table '" + primary.Name + "'.";
    const std::string hasRelated =
        "The record cannot be deleted or changed because table '" + foreign.Name + "' includes related records.";
    // The related records of a primary record are found through an index of
    // their fields, which only the relation uses; of a one-to-one relation it
    // is unique.
    const bool oneToOne = (relation.Attributes & dbRelationUnique) != 0;
    std::string sql = std::string("CREATE ") + (oneToOne ? "UNIQUE " : "") + "INDEX IF NOT EXISTS "
        + QuoteIdentifier("jet.rel." + relation.Name) + " ON " + f + " (" + foreignList + "); ";
    sql += "CREATE TRIGGER " + trigger("add") + " BEFORE INSERT ON " + f + " FOR EACH ROW WHEN " + orphan
        + fail(errRelatedRecordRequired, required) + "CREATE TRIGGER " + trigger("change") + " BEFORE UPDATE OF "
        + foreignList + " ON " + f + " FOR EACH ROW WHEN " + orphan + fail(errRelatedRecordRequired, required);
    if (relation.Attributes & dbRelationDeleteCascade)
        sql += "CREATE TRIGGER " + trigger("delete") + " AFTER DELETE ON " + p + " FOR EACH ROW BEGIN DELETE FROM "
            + f + " WHERE " + relatedRows + "; END; ";
    else
        sql += "CREATE TRIGGER " + trigger("delete") + " BEFORE DELETE ON " + p + " FOR EACH ROW WHEN " + related
            + fail(errRelatedRecords, hasRelated);
    if (relation.Attributes & dbRelationUpdateCascade)
        sql += "CREATE TRIGGER " + trigger("key") + " AFTER UPDATE OF " + primaryList + " ON " + p
            + " FOR EACH ROW WHEN " + keyChanged + " BEGIN UPDATE " + f + " SET " + setKey + " WHERE "
            + relatedRows + "; END; ";
    else
        sql += "CREATE TRIGGER " + trigger("key") + " BEFORE UPDATE OF " + primaryList + " ON " + p
            + " FOR EACH ROW WHEN (" + keyChanged + ") AND " + related + fail(errRelatedRecords, hasRelated);
    return sql;
}

void DropRelationTriggers(Connection& db)
{
    std::vector<std::string> names;
    sqlite::Statement list = db.Prepare("SELECT name FROM sqlite_master WHERE type = 'trigger' AND "
                                        "substr(name, 1, 8) = 'jet.rel.'");
    while (list.Step())
        names.emplace_back(list.ColumnText(0));
    for (const std::string& name : names)
        db.Exec("DROP TRIGGER " + QuoteIdentifier(name));
}

void MakeRelationTriggers(Connection& db, const Catalog& catalog)
{
    for (const RelationDef& relation : catalog.Relations) {
        const TableInfo* primary = catalog.TableById(relation.TableId);
        const TableInfo* foreign = catalog.TableById(relation.ForeignTableId);
        if (relation.Enforced() && primary && foreign && primary->HasStorage() && foreign->HasStorage())
            db.Exec(RelationTriggerSql(catalog, relation));
    }
}

// Runs a change of tables that may drop, rebuild or rename what the relation
// triggers name: they are taken away before and made afresh after it.
template <class Change>
void KeepingRelations(Connection& db, const Catalog& catalog, Change&& change)
{
    if (catalog.Relations.empty()) {
        change();
        return;
    }
    DropRelationTriggers(db);
    change();
    MakeRelationTriggers(db, Load(db));
}

// Files made before numbering steps were kept have no place for them; one
// is made when the first step other than 1 is kept. True when there is one.
bool IncrementColumns(Connection& db, bool needed)
{
    if (HasColumn(ColumnsOf(db, "main", "jet.columns"), "Increment"))
        return true;
    if (!needed)
        return false;
    db.Exec("ALTER TABLE \"jet.columns\" ADD COLUMN Start INTEGER NOT NULL DEFAULT 1; "
            "ALTER TABLE \"jet.columns\" ADD COLUMN Increment INTEGER NOT NULL DEFAULT 1");
    return true;
}

void WriteColumn(Connection& db, const TableInfo& table, const ColumnDef& column, int ordinal)
{
    const bool stepped = IncrementColumns(db, column.Start != 1 || column.Increment != 1);
    // A new column's numbering starts at its first number.
    sqlite::Statement insert = db.Prepare(
        std::string("INSERT OR REPLACE INTO \"jet.columns\" (TableId, Id, Ordinal, Name, Type, Size, Attributes, "
                    "Required, DefaultValue, Seed")
        + (stepped ? ", Start, Increment" : "")
        + ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, COALESCE((SELECT Seed FROM \"jet.columns\" WHERE TableId = "
          "?1 AND Id = ?2), ?10 - ?11)"
        + (stepped ? ", ?10, ?11" : "") + ")");
    insert.BindInt64(1, table.Id);
    insert.BindInt64(2, column.Id);
    insert.BindInt64(3, ordinal);
    insert.BindText(4, column.Name);
    insert.BindInt64(5, column.Type);
    insert.BindInt64(6, column.Size);
    insert.BindInt64(7, column.Attributes);
    insert.BindInt64(8, column.Required ? 1 : 0);
    insert.BindText(9, column.DefaultValue);
    insert.BindInt64(10, column.Start);
    insert.BindInt64(11, column.Increment);
    insert.Run();
    for (const PropertyDef& property : column.Properties) {
        sqlite::Statement write = db.Prepare(
            "INSERT OR REPLACE INTO \"jet.properties\" (TableId, ColumnId, Name, Type, Value) VALUES (?, ?, ?, ?, ?)");
        write.BindInt64(1, table.Id);
        write.BindInt64(2, column.Id);
        write.BindText(3, property.Name);
        write.BindInt64(4, property.Type);
        write.Bind(5, property.Value);
        write.Run();
    }
}

void WriteIndex(Connection& db, const TableInfo& table, const IndexDef& index)
{
    sqlite::Statement insert = db.Prepare(
        "INSERT OR REPLACE INTO \"jet.indexes\" (TableId, Id, Name, IsPrimary, IsUnique) VALUES (?, ?, ?, ?, ?)");
    insert.BindInt64(1, table.Id);
    insert.BindInt64(2, index.Id);
    insert.BindText(3, index.Name);
    insert.BindInt64(4, index.Primary ? 1 : 0);
    insert.BindInt64(5, index.Unique || index.Primary ? 1 : 0);
    insert.Run();
    sqlite::Statement clear = db.Prepare("DELETE FROM \"jet.indexcolumns\" WHERE TableId = ? AND IndexId = ?");
    clear.BindInt64(1, table.Id);
    clear.BindInt64(2, index.Id);
    clear.Run();
    for (std::size_t i = 0; i < index.Columns.size(); ++i) {
        sqlite::Statement column = db.Prepare("INSERT INTO \"jet.indexcolumns\" (TableId, IndexId, Position, "
                                              "ColumnId, Descending) VALUES (?, ?, ?, ?, ?)");
        column.BindInt64(1, table.Id);
        column.BindInt64(2, index.Id);
        column.BindInt64(3, static_cast<std::int64_t>(i));
        column.BindInt64(4, index.Columns[i].ColumnId);
        column.BindInt64(5, index.Columns[i].Descending ? 1 : 0);
        column.Run();
    }
}

// Rewrites the catalog rows of the table's columns and indexes.
void WriteTableDetails(Connection& db, const TableInfo& table)
{
    for (const char* catalogTable : {"jet.columns", "jet.indexes", "jet.indexcolumns", "jet.properties"}) {
        sqlite::Statement clear = db.Prepare(std::string("DELETE FROM ") + QuoteIdentifier(catalogTable)
                                             + " WHERE TableId = ?");
        clear.BindInt64(1, table.Id);
        clear.Run();
    }
    for (std::size_t i = 0; i < table.Columns.size(); ++i)
        WriteColumn(db, table, table.Columns[i], static_cast<int>(i));
    for (const IndexDef& index : table.Indexes)
        WriteIndex(db, table, index);
}

// Keeps the auto-increment counters, which WriteTableDetails would reset.
std::map<int, std::int64_t> ReadSeeds(Connection& db, int tableId)
{
    std::map<int, std::int64_t> seeds;
    sqlite::Statement read = db.Prepare("SELECT Id, Seed FROM \"jet.columns\" WHERE TableId = ?");
    read.BindInt64(1, tableId);
    while (read.Step())
        seeds[static_cast<int>(read.ColumnInt64(0))] = read.ColumnInt64(1);
    return seeds;
}

void WriteSeeds(Connection& db, int tableId, const std::map<int, std::int64_t>& seeds)
{
    for (const auto& [columnId, seed] : seeds) {
        sqlite::Statement write = db.Prepare("UPDATE \"jet.columns\" SET Seed = ? WHERE TableId = ? AND Id = ?");
        write.BindInt64(1, seed);
        write.BindInt64(2, tableId);
        write.BindInt64(3, columnId);
        write.Run();
    }
}

void Touch(Connection& db, int tableId)
{
    sqlite::Statement touch = db.Prepare("UPDATE \"jet.tables\" SET LastUpdated = ? WHERE Id = ?");
    touch.BindDouble(1, platform::Now());
    touch.BindInt64(2, tableId);
    touch.Run();
}

// Replaces a table's definition by `after`: storage, catalog rows, dates.
void ApplyChange(Connection& db, Catalog& catalog, const TableInfo& after)
{
    const TableInfo& before = TableOf(catalog, after.Id);
    Savepoint savepoint(db);
    const auto seeds = ReadSeeds(db, after.Id);
    KeepingRelations(db, catalog, [&] {
        Rebuild(db, before, after);
        WriteTableDetails(db, after);
        WriteSeeds(db, after.Id, seeds);
    });
    Touch(db, after.Id);
    savepoint.Commit();
    catalog = Load(db);
}

void CheckNameIsFree(const Catalog& catalog, std::string_view name, int exceptTableId = 0,
                     std::string_view exceptQuery = {})
{
    if (const TableInfo* table = catalog.FindTable(name); table && table->Id != exceptTableId)
        Fail(errTableExists, "Table '" + std::string(name) + "' already exists.");
    if (const QueryInfo* query = catalog.FindQuery(name); query && !SameName(query->Name, exceptQuery))
        Fail(errObjectExists, "Object '" + std::string(name) + "' already exists.");
}

void CheckColumn(const ColumnDef& column)
{
    CheckName(column.Name);
    if (!IsKnownType(column.Type))
        Fail(3259, "Invalid field data type.");
    if ((column.Type == dbText || column.Type == dbChar) && (column.Size < 0 || column.Size > 255))
        Fail(errInvalidArgument, "Invalid argument. The size of text field '" + column.Name + "' must be 1 to 255.");
    if ((column.Attributes & dbAutoIncrField) && column.Type != dbLong)
        Fail(errInvalidArgument, "Invalid argument. Only a Long field can be numbered automatically ('"
                                     + column.Name + "').");
}

ColumnDef Normalized(ColumnDef column)
{
    if ((column.Type == dbText || column.Type == dbChar) && column.Size == 0)
        column.Size = 255;
    if (column.Type == dbGUID)
        column.Size = 16;
    const bool variable = IsTextType(column.Type) || column.Type == dbBinary || column.Type == dbVarBinary
        || column.Type == dbLongBinary;
    column.Attributes = (column.Attributes & dbAutoIncrField) | (variable ? dbVariableField : dbFixedField);
    return column;
}

void CheckIndex(const TableInfo& table, const IndexDef& index)
{
    CheckName(index.Name);
    if (index.Columns.empty())
        Fail(3264, "No field defined--cannot append TableDef or Index.");
    for (std::size_t i = 0; i < index.Columns.size(); ++i) {
        if (!table.ColumnById(index.Columns[i].ColumnId))
            Fail(errItemNotFound, "Item not found in this collection.");
        for (std::size_t j = 0; j < i; ++j)
            if (index.Columns[j].ColumnId == index.Columns[i].ColumnId)
                Fail(3191, "Cannot define field more than once.");
    }
    for (const IndexDef& other : table.Indexes) {
        if (other.Id == index.Id)
            continue;
        if (SameName(other.Name, index.Name))
            Fail(3284, "Index already exists.");
        if (other.Primary && index.Primary)
            Fail(3283, "Primary key already exists.");
    }
}

std::int64_t NewTableId(Connection& db)
{
    sqlite::Statement next = db.Prepare("SELECT COALESCE(MAX(Id), 0) + 1 FROM \"jet.tables\"");
    next.Step();
    return next.ColumnInt64(0);
}

bool IsExpressionWord(std::string_view word)
{
    for (const char* known : {"True", "False", "Null", "And", "Or", "Not", "Is", "Like", "Between", "In", "Mod"})
        if (SameName(word, known))
            return true;
    return false;
}

int ColumnTypeOfDeclared(const std::string& declared)
{
    std::string upper;
    for (char c : declared)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.find("INT") != std::string::npos)
        return dbLong;
    if (upper.find("REAL") != std::string::npos)
        return dbDouble;
    if (upper.find("TEXT") != std::string::npos)
        return dbMemo;
    return dbMemo;
}

// The catalog tables themselves, listed as system objects.
void AddSystemTables(const CatalogTableColumns& tables, Catalog& catalog)
{
    int id = -1;
    for (const char* name : CatalogTables) {
        const auto found = tables.find(std::string_view(name));
        if (found == tables.end())
            continue;
        TableInfo table;
        table.Id = id--;
        table.Name = name;
        table.Attributes = dbSystemObject;
        int columnId = 1;
        for (const auto& [columnName, declaredType] : found->second) {
            ColumnDef column;
            column.Id = columnId++;
            column.Name = columnName;
            column.Type = ColumnTypeOfDeclared(declaredType);
            column.Attributes = column.Type == dbMemo ? dbVariableField : dbFixedField;
            table.Columns.push_back(column);
        }
        catalog.Tables.push_back(std::move(table));
    }
}

} // namespace

bool ColumnDef::AutoIncrement() const
{
    return (Attributes & dbAutoIncrField) != 0;
}

bool RelationDef::Enforced() const
{
    return (Attributes & dbRelationDontEnforce) == 0;
}

bool TableInfo::IsSystem() const
{
    return (Attributes & dbSystemObject) == dbSystemObject;
}

const ColumnDef* TableInfo::FindColumn(std::string_view name) const
{
    for (const ColumnDef& column : Columns)
        if (SameName(column.Name, name))
            return &column;
    return nullptr;
}

const ColumnDef* TableInfo::ColumnById(int id) const
{
    for (const ColumnDef& column : Columns)
        if (column.Id == id)
            return &column;
    return nullptr;
}

const IndexDef* TableInfo::FindIndex(std::string_view name) const
{
    for (const IndexDef& index : Indexes)
        if (SameName(index.Name, name))
            return &index;
    return nullptr;
}

const IndexDef* TableInfo::PrimaryIndex() const
{
    for (const IndexDef& index : Indexes)
        if (index.Primary)
            return &index;
    return nullptr;
}

bool TableInfo::InPrimaryKey(int columnId) const
{
    const IndexDef* primary = PrimaryIndex();
    if (!primary)
        return false;
    for (const IndexColumn& column : primary->Columns)
        if (column.ColumnId == columnId)
            return true;
    return false;
}

const TableInfo* Catalog::FindTable(std::string_view name) const
{
    for (const TableInfo& table : Tables)
        if (SameName(table.Name, name))
            return &table;
    return nullptr;
}

const TableInfo* Catalog::TableById(int id) const
{
    for (const TableInfo& table : Tables)
        if (table.Id == id)
            return &table;
    return nullptr;
}

const RelationDef* Catalog::FindRelation(std::string_view name) const
{
    for (const RelationDef& relation : Relations)
        if (SameName(relation.Name, name))
            return &relation;
    return nullptr;
}

const QueryInfo* Catalog::FindQuery(std::string_view name) const
{
    for (const QueryInfo& query : Queries)
        if (SameName(query.Name, name))
            return &query;
    return nullptr;
}

std::string IndexSqlName(int tableId, int indexId)
{
    return QuoteIdentifier("jet.ix." + std::to_string(tableId) + "." + std::to_string(indexId));
}

void CheckName(std::string_view name)
{
    bool valid = !name.empty() && name.size() <= 64 * 4 && name.front() != ' ';
    std::size_t characters = 0;
    for (char c : name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '.' || c == '!' || c == '`' || c == '[' || c == ']')
            valid = false;
        if ((byte & 0xC0) != 0x80)
            ++characters;
    }
    if (!valid || characters > 64)
        throw EngineError(errWrongName,
                          "'" + std::string(name) + "' is not a valid name. Make sure that it does not include "
                          "invalid characters or punctuation and that it is not too long.",
                          "DAO.TableDef");
}

bool IsTextType(int daoType)
{
    return daoType == dbText || daoType == dbMemo || daoType == dbChar;
}

std::string SqlType(int daoType)
{
    switch (daoType) {
    case dbBoolean:
    case dbByte:
    case dbInteger:
    case dbLong:
    case dbBigInt: return "INTEGER";
    case dbText:
    case dbMemo:
    case dbChar: return "TEXT COLLATE JET_NOCASE";
    // Currency is kept as its exact text, ordered by value (DecimalText.h).
    case dbCurrency: return "TEXT COLLATE JET_CURRENCY";
    case dbBinary:
    case dbLongBinary:
    case dbVarBinary:
    case dbGUID: return "BLOB";
    default: return "REAL";
    }
}

std::string DefaultSql(int daoType, const std::string& expression)
{
    std::string_view text = expression;
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '=')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty())
        return "";
    // A bare word that is not a function call would name a column, which a
    // default cannot: a text field takes the word as its text, as the old
    // engine's users wrote such defaults.
    bool bareWord = false;
    try {
        const std::vector<sql::Token> tokens = sql::Tokenize(text);
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            const bool call = i + 1 < tokens.size() && tokens[i + 1].Kind == sql::TokenKind::Operator
                && tokens[i + 1].Text == "(";
            if (tokens[i].Kind == sql::TokenKind::Bracketed
                || (tokens[i].Kind == sql::TokenKind::Identifier && !call && !IsExpressionWord(tokens[i].Text)))
                bareWord = true;
        }
    } catch (const EngineError&) {
        bareWord = true;
    }
    if (bareWord) {
        if (IsTextType(daoType))
            return QuoteText(text);
        throw EngineError(errSyntax, "Syntax error in default value '" + std::string(text) + "'.", "DAO.Field");
    }
    return sql::TranslateExpression(text);
}

bool IsOurDatabase(Connection& connection, const std::string& schema)
{
    sqlite::Statement id = connection.Prepare("PRAGMA " + QuoteIdentifier(schema) + ".application_id");
    if (!id.Step() || id.ColumnInt64(0) != ApplicationId)
        return false;
    sqlite::Statement table = connection.Prepare("SELECT 1 FROM " + Schema(schema)
                                                 + "sqlite_master WHERE type = 'table' AND name = 'jet.tables'");
    return table.Step();
}

bool HeaderIsOurs(const std::string& path)
{
    // SQLite's file header: its 16-byte format text, and at byte 68 the
    // application id, big-endian.
    unsigned char header[72] = {};
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(header), sizeof header))
        return false;
    const std::uint32_t id = std::uint32_t(header[68]) << 24 | std::uint32_t(header[69]) << 16
        | std::uint32_t(header[70]) << 8 | header[71];
    return std::memcmp(header, "SQLite format 3", 16) == 0 && id == std::uint32_t(ApplicationId);
}

void Create(Connection& connection, const std::string& version, int collatingOrder)
{
    connection.Exec("PRAGMA application_id = " + std::to_string(ApplicationId) + "; PRAGMA journal_mode = DELETE;");
    connection.Exec("BEGIN IMMEDIATE");
    try {
        connection.Exec(CatalogSchema);
        connection.Exec(PassThroughSchema);
        SetInfo(connection, "Version", Variant(version));
        SetInfo(connection, "CollatingOrder", Variant(collatingOrder));
        SetInfo(connection, "Stamp", Variant(1));
        SetInfo(connection, "Created", Variant::Date(platform::Now()));
        connection.Exec("COMMIT");
    } catch (...) {
        connection.Exec("ROLLBACK");
        throw;
    }
}

void SetInfo(Connection& connection, const std::string& name, const Variant& value)
{
    sqlite::Statement write = connection.Prepare("INSERT OR REPLACE INTO \"jet.info\" (Name, Value) VALUES (?, ?)");
    write.BindText(1, name);
    write.Bind(2, value);
    write.Run();
}

std::int64_t ReadStamp(Connection& connection, const std::string& schema)
{
    sqlite::Statement read = connection.Prepare("SELECT Value FROM " + Schema(schema)
                                                + "\"jet.info\" WHERE Name = 'Stamp'");
    return read.Step() ? read.ColumnInt64(0) : 0;
}

Catalog Load(Connection& connection, const std::string& schema)
{
    Catalog catalog;
    const std::string prefix = Schema(schema);
    // One state of the file throughout, however many statements it takes.
    sqlite::ReadTransaction read(connection);
    const CatalogTableColumns catalogTables = ReadCatalogTables(connection, schema);
    {
        sqlite::Statement info = connection.Prepare("SELECT Name, Value FROM " + prefix + "\"jet.info\"");
        while (info.Step()) {
            const std::string_view name = info.ColumnText(0);
            if (name == "Version")
                catalog.Version = std::string(info.ColumnText(1));
            else if (name == "CollatingOrder")
                catalog.CollatingOrder = static_cast<int>(info.ColumnInt64(1));
            else if (name == "Stamp")
                catalog.Stamp = info.ColumnInt64(1);
        }
    }
    std::map<int, std::size_t> byId;
    {
        sqlite::Statement tables = connection.Prepare(
            "SELECT Id, Name, Attributes, Connect, SourceTable, DateCreated, LastUpdated FROM " + prefix
            + "\"jet.tables\"");
        while (tables.Step()) {
            TableInfo table;
            table.Id = static_cast<int>(tables.ColumnInt64(0));
            table.Name = std::string(tables.ColumnText(1));
            table.Attributes = static_cast<int>(tables.ColumnInt64(2));
            table.Connect = std::string(tables.ColumnText(3));
            table.SourceTable = std::string(tables.ColumnText(4));
            table.Created = tables.ColumnDouble(5);
            table.Updated = tables.ColumnDouble(6);
            byId[table.Id] = catalog.Tables.size();
            catalog.Tables.push_back(std::move(table));
        }
    }
    {
        const auto catalogColumns = catalogTables.find("jet.columns");
        const bool stepped = catalogColumns != catalogTables.end() && HasColumn(catalogColumns->second, "Increment");
        sqlite::Statement columns = connection.Prepare(
            std::string("SELECT TableId, Id, Name, Type, Size, Attributes, Required, DefaultValue")
            + (stepped ? ", Start, Increment" : "") + " FROM " + prefix + "\"jet.columns\" ORDER BY TableId, Ordinal");
        while (columns.Step()) {
            const auto found = byId.find(static_cast<int>(columns.ColumnInt64(0)));
            if (found == byId.end())
                continue;
            ColumnDef column;
            column.Id = static_cast<int>(columns.ColumnInt64(1));
            column.Name = std::string(columns.ColumnText(2));
            column.Type = static_cast<int>(columns.ColumnInt64(3));
            column.Size = static_cast<int>(columns.ColumnInt64(4));
            column.Attributes = static_cast<int>(columns.ColumnInt64(5));
            column.Required = columns.ColumnInt64(6) != 0;
            column.DefaultValue = std::string(columns.ColumnText(7));
            if (stepped) {
                column.Start = columns.ColumnInt64(8);
                column.Increment = columns.ColumnInt64(9);
            }
            catalog.Tables[found->second].Columns.push_back(std::move(column));
        }
    }
    {
        sqlite::Statement properties = connection.Prepare(
            "SELECT TableId, ColumnId, Name, Type, Value FROM " + prefix + "\"jet.properties\" ORDER BY rowid");
        while (properties.Step()) {
            const auto found = byId.find(static_cast<int>(properties.ColumnInt64(0)));
            if (found == byId.end())
                continue;
            TableInfo& table = catalog.Tables[found->second];
            for (ColumnDef& column : table.Columns) {
                if (column.Id == properties.ColumnInt64(1)) {
                    PropertyDef property;
                    property.Name = std::string(properties.ColumnText(2));
                    property.Type = static_cast<int>(properties.ColumnInt64(3));
                    property.Value = properties.ColumnValue(4);
                    column.Properties.push_back(std::move(property));
                }
            }
        }
    }
    {
        sqlite::Statement indexes = connection.Prepare("SELECT TableId, Id, Name, IsPrimary, IsUnique FROM " + prefix
                                                       + "\"jet.indexes\" ORDER BY TableId, Id");
        while (indexes.Step()) {
            const auto found = byId.find(static_cast<int>(indexes.ColumnInt64(0)));
            if (found == byId.end())
                continue;
            IndexDef index;
            index.Id = static_cast<int>(indexes.ColumnInt64(1));
            index.Name = std::string(indexes.ColumnText(2));
            index.Primary = indexes.ColumnInt64(3) != 0;
            index.Unique = indexes.ColumnInt64(4) != 0;
            catalog.Tables[found->second].Indexes.push_back(std::move(index));
        }
        sqlite::Statement columns = connection.Prepare(
            "SELECT TableId, IndexId, ColumnId, Descending FROM " + prefix
            + "\"jet.indexcolumns\" ORDER BY TableId, IndexId, Position");
        while (columns.Step()) {
            const auto found = byId.find(static_cast<int>(columns.ColumnInt64(0)));
            if (found == byId.end())
                continue;
            for (IndexDef& index : catalog.Tables[found->second].Indexes)
                if (index.Id == columns.ColumnInt64(1))
                    index.Columns.push_back({static_cast<int>(columns.ColumnInt64(2)), columns.ColumnInt64(3) != 0});
        }
    }
    {
        sqlite::Statement queries = connection.Prepare("SELECT Name, SQL, DateCreated, LastUpdated FROM " + prefix
                                                       + "\"jet.queries\"");
        while (queries.Step()) {
            QueryInfo query;
            query.Name = std::string(queries.ColumnText(0));
            query.Sql = std::string(queries.ColumnText(1));
            query.Created = queries.ColumnDouble(2);
            query.Updated = queries.ColumnDouble(3);
            catalog.Queries.push_back(std::move(query));
        }
    }
    if (catalogTables.count("jet.passthrough")) {
        sqlite::Statement sources =
            connection.Prepare("SELECT Name, Connect, ReturnsRecords FROM " + prefix + "\"jet.passthrough\"");
        while (sources.Step())
            for (QueryInfo& query : catalog.Queries)
                if (query.Name == sources.ColumnText(0)) {
                    query.Connect = std::string(sources.ColumnText(1));
                    query.ReturnsRecords = sources.ColumnInt64(2) != 0;
                }
    }
    if (catalogTables.count("jet.relations")) {
        sqlite::Statement relations = connection.Prepare("SELECT Name, TableId, ForeignTableId, Attributes FROM "
                                                         + prefix + "\"jet.relations\"");
        while (relations.Step()) {
            RelationDef relation;
            relation.Name = std::string(relations.ColumnText(0));
            relation.TableId = static_cast<int>(relations.ColumnInt64(1));
            relation.ForeignTableId = static_cast<int>(relations.ColumnInt64(2));
            relation.Attributes = static_cast<int>(relations.ColumnInt64(3));
            catalog.Relations.push_back(std::move(relation));
        }
        sqlite::Statement columns = connection.Prepare("SELECT Relation, ColumnId, ForeignColumnId FROM " + prefix
                                                       + "\"jet.relationcolumns\" ORDER BY Relation, Position");
        while (columns.Step())
            for (RelationDef& relation : catalog.Relations)
                if (SameName(relation.Name, columns.ColumnText(0)))
                    relation.Columns.push_back(
                        {static_cast<int>(columns.ColumnInt64(1)), static_cast<int>(columns.ColumnInt64(2))});
        std::sort(catalog.Relations.begin(), catalog.Relations.end(),
                  [](const RelationDef& a, const RelationDef& b) { return CompareText(a.Name, b.Name) < 0; });
    }
    AddSystemTables(catalogTables, catalog);
    std::sort(catalog.Tables.begin(), catalog.Tables.end(),
              [](const TableInfo& a, const TableInfo& b) { return CompareText(a.Name, b.Name) < 0; });
    std::sort(catalog.Queries.begin(), catalog.Queries.end(),
              [](const QueryInfo& a, const QueryInfo& b) { return CompareText(a.Name, b.Name) < 0; });
    return catalog;
}

void CreateTable(Connection& db, Catalog& catalog, TableInfo table)
{
    CheckName(table.Name);
    CheckNameIsFree(catalog, table.Name);
    Savepoint savepoint(db);
    table.Id = static_cast<int>(NewTableId(db));
    table.Created = table.Updated = platform::Now();
    if (!table.IsLink()) {
        if (table.Columns.empty())
            Fail(3264, "No field defined--cannot append TableDef or Index.");
        int nextId = 1;
        for (ColumnDef& column : table.Columns) {
            CheckColumn(column);
            column = Normalized(column);
            column.Id = nextId++;
        }
        for (std::size_t i = 0; i < table.Columns.size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                if (SameName(table.Columns[i].Name, table.Columns[j].Name))
                    Fail(3191, "Cannot define field more than once.");
        int nextIndex = 1;
        for (IndexDef& index : table.Indexes)
            index.Id = nextIndex++;
        for (const IndexDef& index : table.Indexes)
            CheckIndex(table, index);
        table.Attributes = 0;
        CreateStorage(db, table);
    } else {
        // A link to an ODBC source, which may keep its password, or to a
        // file of ours.
        const bool odbc = AsciiUpper(table.Connect.substr(0, 5)) == "ODBC;";
        table.Attributes = odbc ? dbAttachedODBC | (table.Attributes & dbAttachSavePWD) : dbAttachedTable;
        table.Columns.clear();
        table.Indexes.clear();
    }
    sqlite::Statement insert = db.Prepare("INSERT INTO \"jet.tables\" (Id, Name, Attributes, Connect, SourceTable, "
                                          "DateCreated, LastUpdated) VALUES (?, ?, ?, ?, ?, ?, ?)");
    insert.BindInt64(1, table.Id);
    insert.BindText(2, table.Name);
    insert.BindInt64(3, table.Attributes);
    insert.BindText(4, table.Connect);
    insert.BindText(5, table.SourceTable);
    insert.BindDouble(6, table.Created);
    insert.BindDouble(7, table.Updated);
    insert.Run();
    WriteTableDetails(db, table);
    savepoint.Commit();
    catalog = Load(db);
}

void RenameTable(Connection& db, Catalog& catalog, int tableId, const std::string& name)
{
    const TableInfo& table = TableOf(catalog, tableId);
    if (table.IsSystem())
        Fail(errReadOnly, "Cannot update. Database or object is read-only.");
    CheckName(name);
    CheckNameIsFree(catalog, name, tableId);
    Savepoint savepoint(db);
    KeepingRelations(db, catalog, [&] {
        if (table.HasStorage() && table.Name != name)
            db.Exec("ALTER TABLE " + QuoteIdentifier(table.Name) + " RENAME TO " + QuoteIdentifier(name));
        sqlite::Statement rename = db.Prepare("UPDATE \"jet.tables\" SET Name = ?, LastUpdated = ? WHERE Id = ?");
        rename.BindText(1, name);
        rename.BindDouble(2, platform::Now());
        rename.BindInt64(3, tableId);
        rename.Run();
    });
    savepoint.Commit();
    catalog = Load(db);
}

void SetLink(Connection& db, Catalog& catalog, int tableId, const std::string& connect, const std::string& sourceTable)
{
    Savepoint savepoint(db);
    sqlite::Statement update = db.Prepare(
        "UPDATE \"jet.tables\" SET Connect = ?, SourceTable = ?, LastUpdated = ? WHERE Id = ?");
    update.BindText(1, connect);
    update.BindText(2, sourceTable);
    update.BindDouble(3, platform::Now());
    update.BindInt64(4, tableId);
    update.Run();
    savepoint.Commit();
    catalog = Load(db);
}

void DropTable(Connection& db, Catalog& catalog, int tableId)
{
    const TableInfo& table = TableOf(catalog, tableId);
    if (table.IsSystem())
        Fail(errReadOnly, "Cannot update. Database or object is read-only.");
    for (const RelationDef& relation : catalog.Relations)
        if (relation.Involves(tableId))
            RefuseInRelation();
    Savepoint savepoint(db);
    if (table.HasStorage())
        db.Exec("DROP TABLE " + QuoteIdentifier(table.Name));
    for (const char* catalogTable : {"jet.columns", "jet.indexes", "jet.indexcolumns", "jet.properties"}) {
        sqlite::Statement clear = db.Prepare(std::string("DELETE FROM ") + QuoteIdentifier(catalogTable)
                                             + " WHERE TableId = ?");
        clear.BindInt64(1, tableId);
        clear.Run();
    }
    sqlite::Statement drop = db.Prepare("DELETE FROM \"jet.tables\" WHERE Id = ?");
    drop.BindInt64(1, tableId);
    drop.Run();
    savepoint.Commit();
    catalog = Load(db);
}

void AddColumn(Connection& db, Catalog& catalog, int tableId, ColumnDef column)
{
    TableInfo after = TableOf(catalog, tableId);
    if (after.IsSystem() || after.IsLink())
        Fail(errReadOnly, "Cannot update. Database or object is read-only.");
    CheckColumn(column);
    if (after.FindColumn(column.Name))
        Fail(3191, "Cannot define field more than once.");
    column = Normalized(column);
    int nextId = 1;
    for (const ColumnDef& existing : after.Columns)
        nextId = std::max(nextId, existing.Id + 1);
    column.Id = nextId;
    after.Columns.push_back(std::move(column));
    ApplyChange(db, catalog, after);
}

void DropColumn(Connection& db, Catalog& catalog, int tableId, int columnId)
{
    TableInfo after = TableOf(catalog, tableId);
    if (after.IsSystem() || after.IsLink())
        Fail(errReadOnly, "Cannot update. Database or object is read-only.");
    for (const IndexDef& index : after.Indexes)
        for (const IndexColumn& column : index.Columns)
            if (column.ColumnId == columnId)
                Fail(3280, "Cannot delete a field that is part of an index or is needed by the system.");
    for (const RelationDef& relation : catalog.Relations)
        for (const RelationColumn& column : relation.Columns)
            if ((relation.TableId == tableId && column.ColumnId == columnId)
                || (relation.ForeignTableId == tableId && column.ForeignColumnId == columnId))
                Fail(3303, "Cannot delete this field. It is part of one or more relationships.");
    after.Columns.erase(std::remove_if(after.Columns.begin(), after.Columns.end(),
                                       [&](const ColumnDef& column) { return column.Id == columnId; }),
                        after.Columns.end());
    ApplyChange(db, catalog, after);
}

void RenameColumn(Connection& db, Catalog& catalog, int tableId, int columnId, const std::string& name)
{
    const TableInfo& table = TableOf(catalog, tableId);
    if (table.IsSystem() || table.IsLink())
        Fail(errReadOnly, "Cannot update. Database or object is read-only.");
    CheckName(name);
    const ColumnDef* column = table.ColumnById(columnId);
    if (!column)
        Fail(errObjectClosed, "Object invalid or no longer set.");
    if (const ColumnDef* other = table.FindColumn(name); other && other->Id != columnId)
        Fail(3191, "Cannot define field more than once.");
    Savepoint savepoint(db);
    KeepingRelations(db, catalog, [&] {
        if (table.HasStorage() && column->Name != name)
            db.Exec("ALTER TABLE " + QuoteIdentifier(table.Name) + " RENAME COLUMN " + QuoteIdentifier(column->Name)
                    + " TO " + QuoteIdentifier(name));
        sqlite::Statement rename = db.Prepare("UPDATE \"jet.columns\" SET Name = ? WHERE TableId = ? AND Id = ?");
        rename.BindText(1, name);
        rename.BindInt64(2, tableId);
        rename.BindInt64(3, columnId);
        rename.Run();
    });
    Touch(db, tableId);
    savepoint.Commit();
    catalog = Load(db);
}

void SetRequired(Connection& db, Catalog& catalog, int tableId, int columnId, bool required)
{
    TableInfo after = TableOf(catalog, tableId);
    if (after.IsSystem() || after.IsLink())
        Fail(errReadOnly, "Cannot update. Database or object is read-only.");
    for (ColumnDef& column : after.Columns)
        if (column.Id == columnId)
            column.Required = required;
    ApplyChange(db, catalog, after);
}

void ChangeColumnType(Connection& db, Catalog& catalog, int tableId, int columnId, int type, int size)
{
    TableInfo after = TableOf(catalog, tableId);
    if (after.IsSystem() || after.IsLink())
        Fail(errReadOnly, "Cannot update. Database or object is read-only.");
    const ColumnDef* column = after.ColumnById(columnId);
    if (!column)
        Fail(errObjectClosed, "Object invalid or no longer set.");
    ColumnDef changed = *column;
    changed.Type = type;
    changed.Size = size;
    CheckColumn(changed);
    changed = Normalized(changed);
    for (ColumnDef& existing : after.Columns)
        if (existing.Id == columnId)
            existing = changed;
    try {
        Savepoint savepoint(db);
        ApplyChange(db, catalog, after);
        // The copy keeps a value SQLite could not convert as it was; the old
        // engine refuses the change then.
        std::string allowed = "'null', 'integer', 'real'";
        if (IsTextType(type))
            allowed = "'null', 'text'";
        else if (type == dbBinary || type == dbVarBinary || type == dbLongBinary || type == dbGUID)
            allowed = "'null', 'blob'";
        if (after.HasStorage()) {
            sqlite::Statement check = db.Prepare("SELECT 1 FROM " + QuoteIdentifier(after.Name) + " WHERE typeof("
                                                 + QuoteIdentifier(changed.Name) + ") NOT IN (" + allowed
                                                 + ") LIMIT 1");
            if (check.Step())
                Fail(errTypeConversion, "Data type conversion error.");
        }
        savepoint.Commit();
    } catch (...) {
        catalog = Load(db);
        throw;
    }
}

void SetDefault(Connection& db, Catalog& catalog, int tableId, int columnId, const std::string& expression)
{
    TableInfo after = TableOf(catalog, tableId);
    if (after.IsSystem() || after.IsLink())
        Fail(errReadOnly, "Cannot update. Database or object is read-only.");
    for (ColumnDef& column : after.Columns)
        if (column.Id == columnId) {
            DefaultSql(column.Type, expression);  // refuses what does not translate
            column.DefaultValue = expression;
        }
    ApplyChange(db, catalog, after);
}

void AddProperty(Connection& db, Catalog& catalog, int tableId, int columnId, const PropertyDef& property)
{
    const TableInfo& table = TableOf(catalog, tableId);
    const ColumnDef* column = table.ColumnById(columnId);
    if (!column)
        Fail(errObjectClosed, "Object invalid or no longer set.");
    CheckName(property.Name);
    for (const PropertyDef& existing : column->Properties)
        if (SameName(existing.Name, property.Name))
            Fail(errAlreadyInCollection,
                 "Cannot append. An object with that name already exists in the collection.");
    SetProperty(db, catalog, tableId, columnId, property);
}

void SetProperty(Connection& db, Catalog& catalog, int tableId, int columnId, const PropertyDef& property)
{
    Savepoint savepoint(db);
    sqlite::Statement clear = db.Prepare("DELETE FROM \"jet.properties\" WHERE TableId = ? AND ColumnId = ? AND "
                                         "Name = ? COLLATE NOCASE");
    clear.BindInt64(1, tableId);
    clear.BindInt64(2, columnId);
    clear.BindText(3, property.Name);
    clear.Run();
    sqlite::Statement write = db.Prepare(
        "INSERT INTO \"jet.properties\" (TableId, ColumnId, Name, Type, Value) VALUES (?, ?, ?, ?, ?)");
    write.BindInt64(1, tableId);
    write.BindInt64(2, columnId);
    write.BindText(3, property.Name);
    write.BindInt64(4, property.Type);
    write.Bind(5, property.Value);
    write.Run();
    savepoint.Commit();
    catalog = Load(db);
}

void SetIncrement(Connection& db, Catalog& catalog, int tableId, int columnId, std::int64_t start,
                  std::int64_t increment)
{
    const TableInfo& table = TableOf(catalog, tableId);
    const ColumnDef* column = table.ColumnById(columnId);
    if (!column || !column->AutoIncrement())
        Fail(errInvalidArgument, "Invalid argument. Only a numbered field takes a first number and a step.");
    if (increment == 0)
        Fail(errInvalidArgument, "Invalid argument. The step of numbered field '" + column->Name + "' cannot be 0.");
    ColumnDef changed = *column;
    changed.Start = start;
    changed.Increment = increment;
    Savepoint savepoint(db);
    IncrementColumns(db, true);
    sqlite::Statement write = db.Prepare(
        "UPDATE \"jet.columns\" SET Start = ?, Increment = ?, Seed = ? WHERE TableId = ? AND Id = ?");
    write.BindInt64(1, start);
    write.BindInt64(2, increment);
    write.BindInt64(3, start - increment);
    write.BindInt64(4, tableId);
    write.BindInt64(5, columnId);
    write.Run();
    if (table.HasStorage()) {
        const std::string ids = std::to_string(tableId) + "." + std::to_string(columnId);
        for (const char* trigger : {"jet.auto.", "jet.seed.", "jet.fixed."})
            db.Exec("DROP TRIGGER IF EXISTS " + QuoteIdentifier(trigger + ids));
        db.Exec(TriggerSql(table, changed));
    }
    Touch(db, tableId);
    savepoint.Commit();
    catalog = Load(db);
}

void AddIndex(Connection& db, Catalog& catalog, int tableId, IndexDef index)
{
    TableInfo after = TableOf(catalog, tableId);
    if (after.IsSystem() || after.IsLink())
        Fail(errReadOnly, "Cannot update. Database or object is read-only.");
    int nextId = 1;
    for (const IndexDef& existing : after.Indexes)
        nextId = std::max(nextId, existing.Id + 1);
    index.Id = nextId;
    if (index.Primary)
        index.Unique = true;
    CheckIndex(after, index);
    after.Indexes.push_back(index);
    if (!index.Primary) {
        Savepoint savepoint(db);
        if (after.HasStorage())
            db.Exec(CreateIndexSql(after, index));
        WriteIndex(db, after, index);
        Touch(db, tableId);
        savepoint.Commit();
        catalog = Load(db);
        return;
    }
    try {
        ApplyChange(db, catalog, after);  // the key's fields become NOT NULL
    } catch (const EngineError& error) {
        if (error.Number() == errRequired)
            throw EngineError(errIndexNull, "Index or primary key cannot contain a Null value.", "DAO.Index");
        throw;
    }
}

void DropIndex(Connection& db, Catalog& catalog, int tableId, int indexId)
{
    TableInfo after = TableOf(catalog, tableId);
    const auto found = std::find_if(after.Indexes.begin(), after.Indexes.end(),
                                    [&](const IndexDef& index) { return index.Id == indexId; });
    if (found == after.Indexes.end())
        Fail(errItemNotFound, "Item not found in this collection.");
    for (const RelationDef& relation : catalog.Relations)
        if (relation.TableId == tableId && relation.Enforced() && Covers(*found, relation))
            RefuseInRelation();
    const bool primary = found->Primary;
    after.Indexes.erase(found);
    if (primary) {
        ApplyChange(db, catalog, after);  // the key's fields may hold Null again
        return;
    }
    Savepoint savepoint(db);
    if (after.HasStorage())
        db.Exec("DROP INDEX IF EXISTS " + IndexSqlName(tableId, indexId));
    for (const char* sql : {"DELETE FROM \"jet.indexes\" WHERE TableId = ? AND Id = ?",
                            "DELETE FROM \"jet.indexcolumns\" WHERE TableId = ? AND IndexId = ?"}) {
        sqlite::Statement clear = db.Prepare(sql);
        clear.BindInt64(1, tableId);
        clear.BindInt64(2, indexId);
        clear.Run();
    }
    Touch(db, tableId);
    savepoint.Commit();
    catalog = Load(db);
}

void RenameIndex(Connection& db, Catalog& catalog, int tableId, int indexId, const std::string& name)
{
    const TableInfo& table = TableOf(catalog, tableId);
    CheckName(name);
    for (const IndexDef& other : table.Indexes)
        if (other.Id != indexId && SameName(other.Name, name))
            Fail(3284, "Index already exists.");
    Savepoint savepoint(db);
    sqlite::Statement rename = db.Prepare("UPDATE \"jet.indexes\" SET Name = ? WHERE TableId = ? AND Id = ?");
    rename.BindText(1, name);
    rename.BindInt64(2, tableId);
    rename.BindInt64(3, indexId);
    rename.Run();
    Touch(db, tableId);
    savepoint.Commit();
    catalog = Load(db);
}

void AddRelation(Connection& db, Catalog& catalog, RelationDef relation)
{
    const auto fail = [](int number, const std::string& text) { throw EngineError(number, text, "DAO.Relation"); };
    CheckName(relation.Name);
    if (catalog.FindRelation(relation.Name))
        fail(errObjectExists, "Object '" + relation.Name + "' already exists.");
    const TableInfo* primary = catalog.TableById(relation.TableId);
    const TableInfo* foreign = catalog.TableById(relation.ForeignTableId);
    if (!primary || !foreign)
        fail(errObjectNotFound, "The database engine could not find the object.");
    if (primary->IsSystem() || foreign->IsSystem())
        fail(errReadOnly, "Cannot update. Database or object is read-only.");
    // A linked table's fields are its file's to keep, not this one's.
    if (primary->IsLink() || foreign->IsLink())
        fail(3613, "Cannot create relationships with linked tables.");
    if (relation.Columns.empty())
        fail(3366, "Cannot append a relation with no fields defined.");
    for (const RelationColumn& column : relation.Columns) {
        const ColumnDef* key = primary->ColumnById(column.ColumnId);
        const ColumnDef* reference = foreign->ColumnById(column.ForeignColumnId);
        if (!key || !reference)
            fail(errItemNotFound, "Item not found in this collection.");
        if (key->Type != reference->Type)
            fail(3368, "Relationship must be on the same number of fields with the same data types.");
    }
    if (relation.Enforced()) {
        if (std::none_of(primary->Indexes.begin(), primary->Indexes.end(),
                         [&](const IndexDef& index) { return Covers(index, relation); }))
            fail(3372, "No unique index found for the referenced field of the primary table.");
    }
    Savepoint savepoint(db);
    if (!HasTable(db, "main", "jet.relations"))
        db.Exec(RelationSchema);
    sqlite::Statement insert = db.Prepare(
        "INSERT INTO \"jet.relations\" (Name, TableId, ForeignTableId, Attributes) VALUES (?, ?, ?, ?)");
    insert.BindText(1, relation.Name);
    insert.BindInt64(2, relation.TableId);
    insert.BindInt64(3, relation.ForeignTableId);
    insert.BindInt64(4, relation.Attributes);
    insert.Run();
    for (std::size_t i = 0; i < relation.Columns.size(); ++i) {
        sqlite::Statement column = db.Prepare("INSERT INTO \"jet.relationcolumns\" (Relation, Position, ColumnId, "
                                              "ForeignColumnId) VALUES (?, ?, ?, ?)");
        column.BindText(1, relation.Name);
        column.BindInt64(2, static_cast<std::int64_t>(i));
        column.BindInt64(3, relation.Columns[i].ColumnId);
        column.BindInt64(4, relation.Columns[i].ForeignColumnId);
        column.Run();
    }
    if (relation.Enforced() && primary->HasStorage() && foreign->HasStorage()) {
        // Records that already break the rule refuse the relation.
        std::string filled, match;
        for (std::size_t i = 0; i < relation.Columns.size(); ++i) {
            const std::string fc = QuoteIdentifier(foreign->ColumnById(relation.Columns[i].ForeignColumnId)->Name);
            const std::string pc = QuoteIdentifier(primary->ColumnById(relation.Columns[i].ColumnId)->Name);
            filled += (i ? " AND " : "") + ("jet_child." + fc + " IS NOT NULL");
            match += (i ? " AND " : "") + ("jet_parent." + pc + " = jet_child." + fc);
        }
        sqlite::Statement orphan = db.Prepare("SELECT 1 FROM " + QuoteIdentifier(foreign->Name) + " AS jet_child WHERE "
                                              + filled + " AND NOT EXISTS (SELECT 1 FROM "
                                              + QuoteIdentifier(primary->Name) + " AS jet_parent WHERE " + match
                                              + ") LIMIT 1");
        if (orphan.Step())
            fail(errRelatedRecordRequired, "You cannot add or change a record because a related record is required "
                                           "in table '" + primary->Name + "'.");
        db.Exec(RelationTriggerSql(catalog, relation));
    }
    savepoint.Commit();
    catalog = Load(db);
}

void DropRelation(Connection& db, Catalog& catalog, const std::string& name)
{
    const RelationDef* relation = catalog.FindRelation(name);
    if (!relation)
        throw EngineError(errItemNotFound, "Item not found in this collection.", "DAO.Relation");
    Savepoint savepoint(db);
    for (const char* what : {"add", "change", "delete", "key"})
        db.Exec("DROP TRIGGER IF EXISTS " + QuoteIdentifier("jet.rel." + relation->Name + "." + what));
    db.Exec("DROP INDEX IF EXISTS " + QuoteIdentifier("jet.rel." + relation->Name));
    for (const char* sql : {"DELETE FROM \"jet.relations\" WHERE Name = ?",
                            "DELETE FROM \"jet.relationcolumns\" WHERE Relation = ?"}) {
        sqlite::Statement clear = db.Prepare(sql);
        clear.BindText(1, relation->Name);
        clear.Run();
    }
    savepoint.Commit();
    catalog = Load(db);
}

void StoreQuery(Connection& db, Catalog& catalog, const std::string& name, const std::string& sqlText)
{
    CheckName(name);
    if (catalog.FindQuery(name))
        Fail(errObjectExists, "Object '" + name + "' already exists.");
    CheckNameIsFree(catalog, name);
    Savepoint savepoint(db);
    sqlite::Statement insert = db.Prepare(
        "INSERT INTO \"jet.queries\" (Name, SQL, DateCreated, LastUpdated) VALUES (?, ?, ?, ?)");
    const double now = platform::Now();
    insert.BindText(1, name);
    insert.BindText(2, sqlText);
    insert.BindDouble(3, now);
    insert.BindDouble(4, now);
    insert.Run();
    savepoint.Commit();
    catalog = Load(db);
}

void SetQuerySql(Connection& db, Catalog& catalog, const std::string& name, const std::string& sqlText)
{
    const QueryInfo* query = catalog.FindQuery(name);
    if (!query)
        Fail(errItemNotFound, "Item not found in this collection.");
    Savepoint savepoint(db);
    sqlite::Statement update = db.Prepare("UPDATE \"jet.queries\" SET SQL = ?, LastUpdated = ? WHERE Name = ?");
    update.BindText(1, sqlText);
    update.BindDouble(2, platform::Now());
    update.BindText(3, query->Name);
    update.Run();
    savepoint.Commit();
    catalog = Load(db);
}

void RenameQuery(Connection& db, Catalog& catalog, const std::string& name, const std::string& newName)
{
    const QueryInfo* query = catalog.FindQuery(name);
    if (!query)
        Fail(errItemNotFound, "Item not found in this collection.");
    CheckName(newName);
    CheckNameIsFree(catalog, newName, 0, query->Name);
    Savepoint savepoint(db);
    sqlite::Statement update = db.Prepare("UPDATE \"jet.queries\" SET Name = ?, LastUpdated = ? WHERE Name = ?");
    update.BindText(1, newName);
    update.BindDouble(2, platform::Now());
    update.BindText(3, query->Name);
    update.Run();
    if (HasTable(db, "main", "jet.passthrough")) {
        sqlite::Statement source = db.Prepare("UPDATE \"jet.passthrough\" SET Name = ? WHERE Name = ?");
        source.BindText(1, newName);
        source.BindText(2, query->Name);
        source.Run();
    }
    savepoint.Commit();
    catalog = Load(db);
}

void DropQuery(Connection& db, Catalog& catalog, const std::string& name)
{
    const QueryInfo* query = catalog.FindQuery(name);
    if (!query)
        Fail(errItemNotFound, "Item not found in this collection.");
    Savepoint savepoint(db);
    sqlite::Statement drop = db.Prepare("DELETE FROM \"jet.queries\" WHERE Name = ?");
    drop.BindText(1, query->Name);
    drop.Run();
    if (HasTable(db, "main", "jet.passthrough")) {
        sqlite::Statement source = db.Prepare("DELETE FROM \"jet.passthrough\" WHERE Name = ?");
        source.BindText(1, query->Name);
        source.Run();
    }
    savepoint.Commit();
    catalog = Load(db);
}

void SetQueryConnect(Connection& db, Catalog& catalog, const std::string& name, const std::string& connect,
                     bool returnsRecords)
{
    const QueryInfo* query = catalog.FindQuery(name);
    if (!query)
        Fail(errItemNotFound, "Item not found in this collection.");
    Savepoint savepoint(db);
    db.Exec(PassThroughSchema);
    sqlite::Statement clear = db.Prepare("DELETE FROM \"jet.passthrough\" WHERE Name = ?");
    clear.BindText(1, query->Name);
    clear.Run();
    if (!connect.empty()) {
        sqlite::Statement write =
            db.Prepare("INSERT INTO \"jet.passthrough\" (Name, Connect, ReturnsRecords) VALUES (?, ?, ?)");
        write.BindText(1, query->Name);
        write.BindText(2, connect);
        write.BindInt64(3, returnsRecords ? 1 : 0);
        write.Run();
    }
    savepoint.Commit();
    catalog = Load(db);
}

void ResetSeeds(Connection& db)
{
    const Catalog catalog = Load(db);
    Savepoint savepoint(db);
    for (const TableInfo& table : catalog.Tables) {
        if (!table.HasStorage())
            continue;
        for (const ColumnDef& column : table.Columns) {
            if (!column.AutoIncrement())
                continue;
            sqlite::Statement reset = db.Prepare(
                "UPDATE \"jet.columns\" SET Seed = (SELECT COALESCE(" + std::string(column.Increment < 0 ? "MIN" : "MAX")
                + "(" + QuoteIdentifier(column.Name) + "), ?) FROM " + QuoteIdentifier(table.Name)
                + ") WHERE TableId = ? AND Id = ?");
            reset.BindInt64(1, column.Start - column.Increment);
            reset.BindInt64(2, table.Id);
            reset.BindInt64(3, column.Id);
            reset.Run();
        }
    }
    savepoint.Commit();
}

} // namespace jet::catalog
