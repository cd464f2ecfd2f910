#include "platform/jet/InstallableFormat.h"

#include "platform/jet/Collation.h"

#include <map>

namespace jet {
namespace {

struct FormatNameLess {
    bool operator()(const std::string& a, const std::string& b) const { return CompareText(a, b) < 0; }
};

std::map<std::string, std::shared_ptr<InstallableFormat>, FormatNameLess>& Formats()
{
    static std::map<std::string, std::shared_ptr<InstallableFormat>, FormatNameLess> formats;
    return formats;
}

} // namespace

void RegisterInstallableFormat(const std::string& name, std::shared_ptr<InstallableFormat> format)
{
    if (format)
        Formats()[name] = std::move(format);
    else
        Formats().erase(name);
}

std::shared_ptr<InstallableFormat> FindInstallableFormat(const std::string& name)
{
    const auto found = Formats().find(name);
    return found == Formats().end() ? nullptr : found->second;
}

} // namespace jet
