// Forward declarations of the engine's objects and the shared pointers they
// are handed out by. Every object of the engine is reached through a
// std::shared_ptr, as the old automation objects were reached through
// reference-counted interfaces: a caller keeps an object alive by holding its
// pointer, and an object closed by its parent answers every further call with
// error 3420 ("Object invalid or no longer set.").
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace jet {

class DBEngine;
class Workspace;
class Database;
class Recordset;
class TableDef;
class QueryDef;
class Field;
class Index;
class Parameter;
class Property;
class Error;
class Container;
class Relation;
class User;
class Group;

using DBEnginePtr = std::shared_ptr<DBEngine>;
using WorkspacePtr = std::shared_ptr<Workspace>;
using DatabasePtr = std::shared_ptr<Database>;
using RecordsetPtr = std::shared_ptr<Recordset>;
using TableDefPtr = std::shared_ptr<TableDef>;
using QueryDefPtr = std::shared_ptr<QueryDef>;
using FieldPtr = std::shared_ptr<Field>;
using IndexPtr = std::shared_ptr<Index>;
using ParameterPtr = std::shared_ptr<Parameter>;
using PropertyPtr = std::shared_ptr<Property>;
using ErrorPtr = std::shared_ptr<Error>;
using RelationPtr = std::shared_ptr<Relation>;

// A recordset bookmark: opaque bytes that name one record of a recordset and
// of its clones. The first four bytes, read little-endian as a signed 32-bit
// integer, are never 0 for a real record; an empty bookmark names no record.
using Bookmark = std::vector<std::uint8_t>;

} // namespace jet
