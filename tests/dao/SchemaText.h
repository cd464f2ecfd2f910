// The stored definitions of a table as short texts, for the schema tests to
// compare.
#pragma once

#include "dao/DaoDatabase.h"

#include <string>

namespace schematext {

// "Name:Primary/Unique:field,field" for every index of a table, in order.
inline std::string Indexes(TDaoDatabase& database, const std::string& table)
{
    database.DatabaseObject->TableDefs().Refresh();
    const jet::TableDefPtr tableDef = database.DatabaseObject->TableDefs().Item(table);
    jet::Collection<jet::Index>& indexes = tableDef->Indexes();
    std::string text;
    for (int i = 0; i < indexes.Count(); ++i) {
        const jet::IndexPtr index = indexes.Item(i);
        text += (i ? " " : "") + index->Name() + ":" + (index->Primary() ? "P" : "") + (index->Unique() ? "U" : "") + ":";
        for (int j = 0; j < index->Fields().Count(); ++j)
            text += (j ? "," : "") + index->Fields().Item(j)->Name();
    }
    return text;
}

// "Name type [size] [required] [auto]" for every field; the size of text
// fields only, the engine's to choose for the others.
inline std::string Fields(TDaoDatabase& database, const std::string& table)
{
    database.DatabaseObject->TableDefs().Refresh();
    const jet::TableDefPtr tableDef = database.DatabaseObject->TableDefs().Item(table);
    jet::Collection<jet::Field>& fields = tableDef->Fields();
    std::string text;
    for (int i = 0; i < fields.Count(); ++i) {
        const jet::FieldPtr field = fields.Item(i);
        text += (i ? " | " : "") + field->Name() + " " + std::to_string(field->Type())
            + (field->Type() == jet::dbText ? " " + std::to_string(field->Size()) : "")
            + (field->Required() ? " required" : "")
            + ((field->Attributes() & jet::dbAutoIncrField) ? " auto" : "");
    }
    return text;
}

} // namespace schematext
