#include "platform/db/ComponentRegistry.h"

#include <map>

namespace {

struct Entry {
    std::string Page;
    TComponentClass Class;
};

std::map<std::string, Entry>& Classes()
{
    static std::map<std::string, Entry> classes;
    return classes;
}

} // namespace

void RegisterComponents(const std::string& page, const std::vector<TComponentClass>& classes)
{
    for (const TComponentClass& componentClass : classes)
        Classes()[componentClass.ClassName] = {page, componentClass};
}

std::string ComponentPage(const std::string& className)
{
    const auto found = Classes().find(className);
    return found == Classes().end() ? std::string() : found->second.Page;
}

TComponent* CreateComponent(const std::string& className, TComponent* owner)
{
    const auto found = Classes().find(className);
    return found == Classes().end() ? nullptr : found->second.Class.Create(owner);
}
