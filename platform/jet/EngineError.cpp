#include "platform/jet/EngineError.h"

namespace jet {

EngineError::EngineError(int number, std::string description, std::string source, std::string helpFile,
                         int helpContext)
    : std::runtime_error(description), ErrorNumber(number), ErrorSource(std::move(source)),
      ErrorDescription(std::move(description)), ErrorHelpFile(std::move(helpFile)), ErrorHelpContext(helpContext)
{
}

} // namespace jet
