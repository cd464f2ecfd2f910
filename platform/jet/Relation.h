// A relation between two stored tables (Database::Relations): the fields of
// the primary table (`Table`), which a primary key or unique index of that
// table covers exactly, and the matching fields of the foreign table that
// refers to it. Made by Database::CreateRelation and kept by
// Relations().Append; a FOREIGN KEY constraint of CREATE TABLE or ALTER
// TABLE makes the same relation (DataDefinition.h).
//
// Unless dbRelationDontEnforce is set, the engine keeps the two tables
// consistent: a record of the foreign table whose fields all hold a value
// needs a primary record with those values (3201), and a primary record
// with related records cannot be deleted or have its key changed (3200),
// unless dbRelationDeleteCascade or dbRelationUpdateCascade carry the change
// on to them; with dbRelationUnique a primary record has at most one related
// record (3022). Appending refuses with the old engine's numbers: 3366 without
// fields, 3265 for a field the table lacks, 3368 for fields of different
// types, 3372 without a unique index on the primary fields, 3201 or 3022
// when records already break the rule, 3012 for a name taken, 3613 for a linked
// table (its fields are its own file's). While a table,
// field or index is part of a relation it cannot be deleted (3281, 3303).
#pragma once

#include "platform/jet/Collection.h"
#include "platform/jet/JetTypes.h"

#include <string>

namespace jet {

class Relation {
public:
    virtual ~Relation() = default;

    // The members below are settable until the relation is appended; after
    // that they raise 3219.
    virtual std::string Name() const = 0;
    virtual void SetName(const std::string& name) = 0;
    virtual std::string Table() const = 0;
    virtual void SetTable(const std::string& name) = 0;
    virtual std::string ForeignTable() const = 0;
    virtual void SetForeignTable(const std::string& name) = 0;
    // dbRelationDontEnforce, dbRelationUpdateCascade, dbRelationDeleteCascade
    // and the others of Constants.h.
    virtual int Attributes() const = 0;
    virtual void SetAttributes(int attributes) = 0;

    // The fields in key order: each one's Name is a field of Table, its
    // ForeignName the matching field of ForeignTable.
    virtual Collection<Field>& Fields() = 0;
    virtual FieldPtr CreateField(const std::string& name = "") = 0;
};

} // namespace jet
