// A field: a column of a stored table (TableDef::Fields), a field of an index
// (Index::Fields) or of a relation (Relation::Fields), or a value of the
// current record (Recordset::Fields). They share this interface as they did in the old object model; a member
// that means nothing for the kind of field at hand raises 3219 ("Invalid
// operation.").
#pragma once

#include "platform/jet/Collection.h"
#include "platform/jet/JetTypes.h"
#include "platform/jet/Variant.h"

#include <string>

namespace jet {

class Field {
public:
    virtual ~Field() = default;

    // A new field may be renamed freely; renaming a column of a stored table
    // renames it in the file. Names holding ".", "!", "`", "[", "]" or a
    // control character, beginning with a blank, empty or longer than 64
    // characters are refused with 3125.
    virtual std::string Name() const = 0;
    virtual void SetName(const std::string& name) = 0;

    // dbBoolean .. dbTimeStamp; settable until the field is appended.
    virtual int Type() const = 0;
    virtual void SetType(int type) = 0;

    // Characters of a text field, bytes of a fixed binary field, the storage
    // size of numeric types; 0 for memo and long binary. Settable until the
    // field is appended. A text field of size 0 is created with size 255.
    virtual int Size() const = 0;
    virtual void SetSize(int size) = 0;

    // dbAutoIncrField, dbFixedField, dbVariableField, dbUpdatableField (on
    // recordset fields that can be written), dbDescending (on index fields).
    // Settable until the field is appended; dbAutoIncrField takes only a
    // dbLong field, which need not be the key.
    virtual int Attributes() const = 0;
    virtual void SetAttributes(int attributes) = 0;

    // A required column refuses Null (3314). Changing it on a stored column
    // rebuilds the table; existing Nulls make the change fail with 3314.
    virtual bool Required() const = 0;
    virtual void SetRequired(bool required) = 0;

    // The default value as an expression in the engine's SQL ("abc" in
    // double quotes, 0, #1/2/2003#, True); empty for none. Changing it on a
    // stored column rebuilds the table. A recordset field reads the default of
    // its source column.
    virtual std::string DefaultValue() const = 0;
    virtual void SetDefaultValue(const std::string& expression) = 0;

    // 0-based position among the table's or recordset's fields.
    virtual int OrdinalPosition() const = 0;

    // Recordset fields: the stored table and column the value comes from
    // (empty for a computed value).
    virtual std::string SourceTable() const = 0;
    virtual std::string SourceField() const = 0;

    // Recordset fields: the value of the current record. Reading with no
    // current record raises 3021; a record deleted meanwhile raises 3167.
    // Writing needs Edit or AddNew first (3020) and converts the value to the
    // field's type (3421 when it cannot; 3163 for a text longer than Size).
    // Memo fields read as texts, binary fields as byte arrays, GUID fields as
    // the text "{guid {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}}"; booleans as
    // true or false; dates as varDate.
    virtual Variant Value() const = 0;
    virtual void SetValue(const Variant& value) = 0;
    // The same as Value into `value`, reusing its storage: a walk that reads
    // every row into the same variants allocates nothing for them.
    virtual void ReadValue(Variant& value) const { value = Value(); }

    // Recordset fields: the length in bytes of the current value as text or
    // bytes (0 for Null); meant for memo and binary fields.
    virtual long FieldSize() const = 0;

    // Relation fields: the field of the foreign table that matches this one
    // of the primary table. Settable until the relation is appended.
    virtual std::string ForeignName() const
    {
        throw EngineError(errInvalidOperation, "Invalid operation.", "DAO.Field");
    }
    virtual void SetForeignName(const std::string& /*name*/)
    {
        throw EngineError(errInvalidOperation, "Invalid operation.", "DAO.Field");
    }

    // The field's properties: its members by name, and on stored and
    // recordset fields also the properties added with CreateProperty.
    virtual Collection<Property>& Properties() = 0;
    // A new property for Properties().Append; kept in the file once the
    // field is stored. Fields of indexes and recordsets raise 3219.
    virtual PropertyPtr CreateProperty(const std::string& name, int type, const Variant& value) = 0;
};

} // namespace jet
