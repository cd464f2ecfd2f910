// The database engine the data-access components stand on: an object model
// shaped like the old Data Access Objects (engine, workspaces, databases,
// recordsets, table, field, index and query definitions, parameters,
// properties and errors), kept in SQLite database files.
//
// How it is shaped in C++. The old engine was reached late-bound, every
// member called by name with variant arguments. Here each object is a typed
// C++ interface (an abstract class) with the members' own names, reached
// through std::shared_ptr as the automation objects were reached through
// reference-counted interfaces; collections are Collection<T> with Count,
// Item (by position or name), Refresh, Append and Delete. Values that were
// variants (field and parameter values, GetRows' arrays, property values) are
// jet::Variant, which keeps the old type words; booleans are bool and numbers
// int or long. Members whose name clashes with a C macro take the dataset
// library's spelling: Recordset::Eof and Bof. Being interfaces, the objects can
// be wrapped or replaced: tests install EngineClasses that record the calls
// made on them. Failures raise jet::EngineError with the old engine's error
// numbers, and the engine's Errors collection keeps the last one.
//
// Under the interfaces: one SQLite connection per open database, a catalog
// of the old metadata inside each file (TableDef.h), a translator from the
// old SQL dialect (Database.h), a collation and LIKE of our own that compare
// text without regard to case for every language, transactions on
// savepoints (Workspace.h), and keysets of row ids behind the recordsets
// (Recordset.h). ODBC sources, ODBC direct workspaces, linked ODBC tables and
// pass-through queries go through the unixODBC driver manager
// (OdbcDatabase.h); a file's database password is kept as a salted hash
// (DatabasePassword.h). What has no counterpart here (encryption, workgroup
// accounts, outside file formats but the installable ones) raises error 3251.
#pragma once

#include "platform/jet/Collection.h"
#include "platform/jet/Constants.h"
#include "platform/jet/DBEngine.h"
#include "platform/jet/Database.h"
#include "platform/jet/EngineError.h"
#include "platform/jet/Field.h"
#include "platform/jet/Index.h"
#include "platform/jet/InstallableFormat.h"
#include "platform/jet/JetTypes.h"
#include "platform/jet/Property.h"
#include "platform/jet/QueryDef.h"
#include "platform/jet/Recordset.h"
#include "platform/jet/Relation.h"
#include "platform/jet/TableDef.h"
#include "platform/jet/Variant.h"
#include "platform/jet/Workspace.h"
