// The catalog: what the old engine knew about a database that SQLite does
// not keep, stored in tables of the database file itself ("jet.tables",
// "jet.columns", "jet.indexes", "jet.indexcolumns", "jet.properties",
// "jet.queries", "jet.relations", "jet.relationcolumns", "jet.info"), so that a file reopened by another process reads
// back the same definitions.
//
// Each stored table is an SQLite table of the same name whose columns carry
// what SQLite can enforce: a type affinity, the JET_NOCASE collation on text
// (and JET_CURRENCY on currency, which is kept as its exact text),
// NOT NULL for required and primary-key fields, the default value, and a
// named CHECK for the size of text and binary fields. Indexes are SQLite
// indexes named "jet.ix.<table id>.<index id>"; auto-increment fields are
// numbered by triggers that keep the next number in the catalog, so numbers
// are never given twice. A change SQLite cannot make in place (a column added,
// dropped or made required, a default changed, a primary key made) rebuilds the
// table keeping every row and its row id, so bookmarks stay valid. A table
// whose last field was deleted exists in the catalog only.
//
// Relations that are enforced are kept by triggers named "jet.rel.<relation
// name>.<what>" and an index "jet.rel.<relation name>" of the foreign
// table's fields, made again whenever a table of the database is rebuilt,
// renamed or gets a renamed column.
//
// Every change runs in one savepoint: it happens whole or not at all.
#pragma once

#include "platform/jet/SqliteConnection.h"
#include "platform/jet/Variant.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jet::catalog {

// The SQLite application id of the engine's files ("JET4").
constexpr std::int32_t ApplicationId = 0x4A455434;

struct PropertyDef {
    std::string Name;
    int Type = 0;
    Variant Value;
};

struct ColumnDef {
    int Id = 0;
    std::string Name;
    int Type = 0;
    int Size = 0;
    int Attributes = 0;
    bool Required = false;
    std::string DefaultValue;  // in the old SQL dialect, as the user gave it
    std::vector<PropertyDef> Properties;
    // Auto-increment fields: the number the first new row gets (or the next
    // one, after the numbering was restarted) and the step between numbers.
    std::int64_t Start = 1;
    std::int64_t Increment = 1;

    bool AutoIncrement() const;
};

struct IndexColumn {
    int ColumnId = 0;
    bool Descending = false;
};

struct IndexDef {
    int Id = 0;
    std::string Name;
    bool Primary = false;
    bool Unique = false;
    std::vector<IndexColumn> Columns;
};

struct TableInfo {
    int Id = 0;
    std::string Name;
    int Attributes = 0;
    std::string Connect;      // links: ";DATABASE=<file>"
    std::string SourceTable;  // links: the table in that file
    double Created = 0;
    double Updated = 0;
    std::vector<ColumnDef> Columns;
    std::vector<IndexDef> Indexes;

    bool IsLink() const { return !Connect.empty(); }
    bool IsSystem() const;
    // An SQLite table exists (stored tables with at least one column).
    bool HasStorage() const { return !IsLink() && !IsSystem() && !Columns.empty(); }
    const ColumnDef* FindColumn(std::string_view name) const;
    const ColumnDef* ColumnById(int id) const;
    const IndexDef* FindIndex(std::string_view name) const;
    const IndexDef* PrimaryIndex() const;
    bool InPrimaryKey(int columnId) const;
};

struct RelationColumn {
    int ColumnId = 0;         // of the primary table
    int ForeignColumnId = 0;  // of the foreign table
};

struct RelationDef {
    std::string Name;
    int TableId = 0;         // the primary table
    int ForeignTableId = 0;  // the table that refers to it
    int Attributes = 0;      // dbRelation...
    std::vector<RelationColumn> Columns;

    bool Enforced() const;
    bool Involves(int tableId) const { return TableId == tableId || ForeignTableId == tableId; }
};

struct QueryInfo {
    std::string Name;
    std::string Sql;
    double Created = 0;
    double Updated = 0;
    // A pass-through query's ODBC source; empty for a query of the engine.
    std::string Connect;
    bool ReturnsRecords = true;
};

struct Catalog {
    std::vector<TableInfo> Tables;  // by name, system tables included
    std::vector<QueryInfo> Queries; // by name
    std::vector<RelationDef> Relations; // by name
    std::string Version;            // "3.0" or "4.0"
    int CollatingOrder = 0;
    std::int64_t Stamp = 0;         // grows with every change

    const TableInfo* FindTable(std::string_view name) const;
    const TableInfo* TableById(int id) const;
    const QueryInfo* FindQuery(std::string_view name) const;
    const RelationDef* FindRelation(std::string_view name) const;
};

// The quoted SQLite name of an engine object.
std::string IndexSqlName(int tableId, int indexId);

// True when the schema ("main" or an attached name) is a database of ours.
bool IsOurDatabase(sqlite::Connection& connection, const std::string& schema = "main");
// True when the file's header names a database of ours. It is read without
// a lock, so it answers for a file another connection holds.
bool HeaderIsOurs(const std::string& path);
// Makes an empty file a database of ours.
void Create(sqlite::Connection& connection, const std::string& version, int collatingOrder);
Catalog Load(sqlite::Connection& connection, const std::string& schema = "main");
std::int64_t ReadStamp(sqlite::Connection& connection, const std::string& schema = "main");

// Changes. Each checks what it needs (names, duplicates) and raises
// EngineError; `catalog` is reloaded afterwards.
void CreateTable(sqlite::Connection& connection, Catalog& catalog, TableInfo table);
void RenameTable(sqlite::Connection& connection, Catalog& catalog, int tableId, const std::string& name);
// A link's connect text and source table.
void SetLink(sqlite::Connection& connection, Catalog& catalog, int tableId, const std::string& connect,
             const std::string& sourceTable);
void DropTable(sqlite::Connection& connection, Catalog& catalog, int tableId);
void AddColumn(sqlite::Connection& connection, Catalog& catalog, int tableId, ColumnDef column);
void DropColumn(sqlite::Connection& connection, Catalog& catalog, int tableId, int columnId);
void RenameColumn(sqlite::Connection& connection, Catalog& catalog, int tableId, int columnId,
                  const std::string& name);
void SetRequired(sqlite::Connection& connection, Catalog& catalog, int tableId, int columnId, bool required);
// A column's new type and size, its values converted (3421 when one does not
// convert, 3163 when a text no longer fits).
void ChangeColumnType(sqlite::Connection& connection, Catalog& catalog, int tableId, int columnId, int type,
                      int size);
void SetDefault(sqlite::Connection& connection, Catalog& catalog, int tableId, int columnId,
                const std::string& expression);
void AddProperty(sqlite::Connection& connection, Catalog& catalog, int tableId, int columnId,
                 const PropertyDef& property);
void SetProperty(sqlite::Connection& connection, Catalog& catalog, int tableId, int columnId,
                 const PropertyDef& property);
// Restarts the numbering of an auto-increment column: the next new row gets
// `start`, the one after it `start + increment`, and so on (3001 for a step
// of 0 or a column that is not numbered).
void SetIncrement(sqlite::Connection& connection, Catalog& catalog, int tableId, int columnId, std::int64_t start,
                  std::int64_t increment);
void AddIndex(sqlite::Connection& connection, Catalog& catalog, int tableId, IndexDef index);
void DropIndex(sqlite::Connection& connection, Catalog& catalog, int tableId, int indexId);
void RenameIndex(sqlite::Connection& connection, Catalog& catalog, int tableId, int indexId,
                 const std::string& name);
// Keeps a relation after checking it (Relation.h names the refusals). The
// tables and columns are given by id; 3011 when a table is not there, 3265
// when a column is not.
void AddRelation(sqlite::Connection& connection, Catalog& catalog, RelationDef relation);
void DropRelation(sqlite::Connection& connection, Catalog& catalog, const std::string& name);
void StoreQuery(sqlite::Connection& connection, Catalog& catalog, const std::string& name, const std::string& sql);
void SetQuerySql(sqlite::Connection& connection, Catalog& catalog, const std::string& name, const std::string& sql);
void RenameQuery(sqlite::Connection& connection, Catalog& catalog, const std::string& name,
                 const std::string& newName);
void DropQuery(sqlite::Connection& connection, Catalog& catalog, const std::string& name);
// Makes a stored query a pass-through query of that ODBC source (an empty
// connect text makes it a query of the engine again).
void SetQueryConnect(sqlite::Connection& connection, Catalog& catalog, const std::string& name,
                     const std::string& connect, bool returnsRecords);
// After a compact: the next auto-increment numbers follow the last kept in
// the direction of their step, or start afresh in an empty table.
void ResetSeeds(sqlite::Connection& connection);
void SetInfo(sqlite::Connection& connection, const std::string& name, const Variant& value);

// Refuses a name the old engine would not take (3125): empty, longer than
// 64 characters, holding ".", "!", "`", "[", "]" or a control character, or
// beginning with a blank.
void CheckName(std::string_view name);

// dbText, dbMemo and dbChar.
bool IsTextType(int daoType);
// The SQLite type of a field type (with the collation for texts).
std::string SqlType(int daoType);
// The SQL of a default value expression, or empty when the text is none.
std::string DefaultSql(int daoType, const std::string& expression);

} // namespace jet::catalog
