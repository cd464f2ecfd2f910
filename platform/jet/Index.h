// An index of a stored table (TableDef::Indexes). Index names belong to
// their table ("PrimaryKey" may be the name of an index in every table). Text
// keys compare without regard to case, so a unique index refuses "abc" beside
// "ABC".
#pragma once

#include "platform/jet/Collection.h"
#include "platform/jet/JetTypes.h"

#include <string>

namespace jet {

class Index {
public:
    virtual ~Index() = default;

    // Renaming an appended index renames it in the file. Names are refused
    // as field names are (3125).
    virtual std::string Name() const = 0;
    virtual void SetName(const std::string& name) = 0;

    // A table has at most one primary index; its fields refuse Null (3058).
    // A primary index is unique. Settable until the index is appended.
    virtual bool Primary() const = 0;
    virtual void SetPrimary(bool primary) = 0;
    virtual bool Unique() const = 0;
    virtual void SetUnique(bool unique) = 0;

    // The indexed fields in key order; their Attributes carry dbDescending.
    virtual Collection<Field>& Fields() = 0;
    // A field for Fields().Append, naming a column of the table.
    virtual FieldPtr CreateField(const std::string& name = "") = 0;
};

} // namespace jet
