#include "platform/jet/DBEngine.h"

#include <stdexcept>

namespace jet {
namespace {

thread_local long CoInitializeCount = 0;

} // namespace

std::shared_ptr<EngineClasses> MakeEngineClasses(std::vector<std::string> /*versions*/)
{
    throw std::logic_error("not implemented yet");
}

EngineClasses& InstalledEngineClasses()
{
    throw std::logic_error("not implemented yet");
}

void InstallEngineClasses(std::shared_ptr<EngineClasses> /*classes*/)
{
    throw std::logic_error("not implemented yet");
}

DBEnginePtr CreateEngineObject(std::string_view progId)
{
    return InstalledEngineClasses().Create(progId);
}

bool IsEngineClassRegistered(std::string_view progId)
{
    return InstalledEngineClasses().IsRegistered(progId);
}

long CoInitialize()
{
    return CoInitializeCount++ == 0 ? 0 : 1;
}

void CoUninitialize()
{
    if (CoInitializeCount > 0)
        --CoInitializeCount;
}

} // namespace jet
