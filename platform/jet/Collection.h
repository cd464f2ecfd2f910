// A collection of engine objects: TableDefs, Fields, Indexes, QueryDefs,
// Parameters, Workspaces, Errors and the rest. Items are numbered from 0 and
// found by name without regard to case. Append and Delete are offered only
// where the object model allows them (the fields of a stored table, its
// indexes, the table and query definitions, the workspaces); elsewhere they
// raise error 3219 ("Invalid operation.").
#pragma once

#include "platform/jet/EngineError.h"

#include <memory>
#include <string>
#include <string_view>

namespace jet {

class Error;

// True when two object names are the same name: compared without regard to
// case, for every language.
bool SameName(std::string_view a, std::string_view b);

// The name an item is found by. Errors have none.
template <class T>
std::string NameOf(const T& object)
{
    return object.Name();
}
std::string NameOf(const Error& error);

template <class T>
class Collection {
public:
    Collection() = default;
    Collection(const Collection&) = delete;
    Collection& operator=(const Collection&) = delete;
    virtual ~Collection() = default;

    virtual int Count() const = 0;
    // Error 3265 ("Item not found in this collection.") when out of range.
    virtual std::shared_ptr<T> Item(int index) const = 0;
    // The first item of that name; error 3265 when there is none.
    virtual std::shared_ptr<T> Item(std::string_view name) const
    {
        for (int i = 0, n = Count(); i < n; ++i) {
            std::shared_ptr<T> item = Item(i);
            if (SameName(NameOf(*item), name))
                return item;
        }
        throw EngineError(errItemNotFound, "Item not found in this collection.");
    }
    // Re-reads the collection from the database file.
    virtual void Refresh() {}
    // Adds a new object made by the parent's Create... member.
    virtual void Append(const std::shared_ptr<T>& /*object*/)
    {
        throw EngineError(errInvalidOperation, "Invalid operation.");
    }
    // Removes the object of that name (error 3265 when there is none).
    virtual void Delete(std::string_view /*name*/)
    {
        throw EngineError(errInvalidOperation, "Invalid operation.");
    }
};

} // namespace jet
