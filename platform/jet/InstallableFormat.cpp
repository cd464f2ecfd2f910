#include "platform/jet/InstallableFormat.h"

#include "platform/jet/Collation.h"
#include "platform/jet/ExportFormats.h"

#include <map>

namespace jet {
namespace {

struct FormatNameLess {
    bool operator()(const std::string& a, const std::string& b) const { return CompareText(a, b) < 0; }
};

using FormatMap = std::map<std::string, std::shared_ptr<InstallableFormat>, FormatNameLess>;

// The registry, holding the engine's own export formats from its first use.
FormatMap& Formats()
{
    static FormatMap formats;
    static bool standardFormats = false;
    if (!standardFormats) {
        standardFormats = true;
        exporting::RegisterStandardFormats();
    }
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
