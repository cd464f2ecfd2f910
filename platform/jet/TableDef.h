// A table definition (Database::TableDefs): a stored table of the database
// file, a link to a table of another database file of ours, or a new
// definition made by Database::CreateTableDef that becomes a table when it is
// appended to TableDefs.
//
// Everything the old engine kept about a table and SQLite does not (field
// types and sizes, the auto-increment attribute, index names, properties,
// creation and update dates, links) is kept in catalog tables inside the same
// file, so a file reopened by another process reads back the same
// definitions. The catalog tables are listed with dbSystemObject and cannot be
// written.
#pragma once

#include "platform/jet/Collection.h"
#include "platform/jet/JetTypes.h"
#include "platform/jet/Variant.h"

#include <string>

namespace jet {

class TableDef {
public:
    virtual ~TableDef() = default;

    // Renaming an appended definition renames the table (3010 when the new
    // name is taken; 3125 for a name refused as field names are).
    virtual std::string Name() const = 0;
    virtual void SetName(const std::string& name) = 0;

    // dbAttachedTable for links, dbSystemObject for the catalog tables, 0 for
    // tables. Only dbHiddenObject and the link flags may be set, and only
    // before the definition is appended.
    virtual int Attributes() const = 0;
    virtual void SetAttributes(int attributes) = 0;

    // A link: Connect ";DATABASE=<file>" (with ";PWD=" for a file with a
    // password) names a database file of ours, "ODBC;DSN=..." an ODBC source
    // (statements on the linked table run at that source), and
    // "dBASE IV;DATABASE=<folder>" and the like a folder or workbook of an
    // installable format (FormatDatabase.h); SourceTableName names the table
    // in it. Any other connect text (another file format) raises 3251 when
    // the link is appended or refreshed.
    virtual std::string Connect() const = 0;
    virtual void SetConnect(const std::string& connect) = 0;
    virtual std::string SourceTableName() const = 0;
    virtual void SetSourceTableName(const std::string& name) = 0;
    // Re-reads the linked table's fields through the current Connect.
    virtual void RefreshLink() = 0;

    // Columns in order. Appending to an appended definition adds a column to
    // the stored table at once; Delete removes it (3280 while an index uses it).
    virtual Collection<Field>& Fields() = 0;
    // Indexes of the table. Appending to an appended definition builds the
    // index at once (3022 when existing rows break a unique index, 3283 for
    // a second primary index); Delete drops it.
    virtual Collection<Index>& Indexes() = 0;

    // A new field (for Fields().Append or for an index's Fields().Append).
    virtual FieldPtr CreateField(const std::string& name = "", int type = 0, int size = 0) = 0;
    // A new index for Indexes().Append.
    virtual IndexPtr CreateIndex(const std::string& name = "") = 0;

    // When the table was created and last changed in its definition (varDate;
    // Null for a definition not yet appended).
    virtual Variant DateCreated() const = 0;
    virtual Variant LastUpdated() const = 0;
};

} // namespace jet
