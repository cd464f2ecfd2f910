// The definitions of an ODBC source: its tables as the driver's catalog
// calls describe them (SQLColumns, SQLStatistics, SQLPrimaryKeys), shown as
// read-only table, field and index definitions, and the query definitions
// of a session.
#pragma once

#include "platform/jet/OdbcDatabase.h"

namespace jet::impl {

// A table of the source in the catalog's terms: its columns with the
// engine's types, sizes, required flags, defaults (where they are plain
// values) and auto-increment attribute, and its indexes with the primary
// key marked.
catalog::TableInfo DescribeOdbcTable(OdbcDatabaseImpl& database, const std::string& table);

// Raises 3251: the definitions of a source change through Execute.
[[noreturn]] void RaiseSchemaChange();

TableDefPtr MakeOdbcTableDef(std::shared_ptr<OdbcDatabaseImpl> database, const std::string& table, bool system);
// A query definition of the session; it is not stored at the source.
QueryDefPtr MakeOdbcQueryDef(std::shared_ptr<OdbcDatabaseImpl> database, const std::string& name,
                             const std::string& sql);

} // namespace jet::impl
