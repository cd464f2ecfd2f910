#include "platform/jet/DBEngine.h"

namespace jet {
namespace {

thread_local long CoInitializeCount = 0;

} // namespace

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
