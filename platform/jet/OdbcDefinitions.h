// The definitions of an ODBC source: its tables as the driver's catalog
// calls describe them (SQLColumns, SQLStatistics, SQLPrimaryKeys), as table,
// field and index definitions that create, add and delete through the
// source's DDL, and the query definitions of a session.
#pragma once

#include "platform/jet/OdbcDatabase.h"

namespace jet::impl {

// A table of the source in the catalog's terms: its columns with the
// engine's types, sizes, required flags, defaults (where they are plain
// values) and auto-increment attribute, and its indexes with the primary
// key marked.
catalog::TableInfo DescribeOdbcTable(OdbcDatabaseImpl& database, const std::string& table);

// Raises 3251 for a change the source's DDL has no common form for (the
// type, size, default or required flag of a field that is there).
[[noreturn]] void RaiseSchemaChange();

TableDefPtr MakeOdbcTableDef(std::shared_ptr<OdbcDatabaseImpl> database, const std::string& table, bool system);
// A new table definition; its fields and indexes are gathered until
// CreateOdbcTable (TableDefs.Append) creates it at the source. Fields and
// indexes appended to, deleted from or renamed in a table that is there,
// and tables renamed or deleted, change the source at once: the DDL is the
// source's, its types those the driver offers (SQLGetTypeInfo).
TableDefPtr MakeNewOdbcTableDef(std::shared_ptr<OdbcDatabaseImpl> database, const std::string& name);
void CreateOdbcTable(const TableDefPtr& tableDef);
void DropOdbcTable(OdbcDatabaseImpl& database, const std::string& table);
// A query definition of the session; it is not stored at the source.
QueryDefPtr MakeOdbcQueryDef(std::shared_ptr<OdbcDatabaseImpl> database, const std::string& name,
                             const std::string& sql);

} // namespace jet::impl
