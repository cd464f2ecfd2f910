// Properties of engine objects, and the error objects of DBEngine::Errors.
#pragma once

#include "platform/jet/JetTypes.h"
#include "platform/jet/Variant.h"

#include <string>

namespace jet {

// A named value of an object. The engine's own properties mirror its members
// and are read-only; a field of a stored table also keeps properties added
// with Field::CreateProperty ("Caption", "Format", ...), which recordsets
// opened on the table show on their fields.
class Property {
public:
    virtual ~Property() = default;
    virtual std::string Name() const = 0;
    // The data type (dbText, dbLong, ...).
    virtual int Type() const = 0;
    virtual Variant Value() const = 0;
    // Error 3219 for a read-only property.
    virtual void SetValue(const Variant& value) = 0;
};

// One error of the last failing call (DBEngine::Errors).
class Error {
public:
    virtual ~Error() = default;
    virtual int Number() const = 0;
    virtual std::string Source() const = 0;
    virtual std::string Description() const = 0;
    virtual std::string HelpFile() const = 0;
    virtual int HelpContext() const = 0;
};

// Objects of which only the collections exist here: a database's containers,
// a workspace's users and groups. Their collections are always empty;
// Refresh does nothing.
class Container {
public:
    virtual ~Container() = default;
    virtual std::string Name() const = 0;
};
class User {
public:
    virtual ~User() = default;
    virtual std::string Name() const = 0;
};
class Group {
public:
    virtual ~Group() = default;
    virtual std::string Name() const = 0;
};

} // namespace jet
