#include "platform/system/LazyLibrary.h"

#include <stdexcept>

namespace platform {

TLazyLibrary::TLazyLibrary(const char* name, int version) : library_(QString::fromLatin1(name), version)
{
    // Kept to the end, as a library linked in would be: what it holds in its
    // own variables stays reachable.
    library_.setLoadHints(QLibrary::PreventUnloadHint);
}

QFunctionPointer TLazyLibrary::Resolve(const char* symbol)
{
    if (!library_.isLoaded() && !library_.load())
        throw std::runtime_error("Cannot load " + library_.fileName().toStdString() + ": " +
                                 library_.errorString().toStdString());
    const QFunctionPointer function = library_.resolve(symbol);
    if (!function)
        throw std::runtime_error("Cannot find " + std::string(symbol) + " in " + library_.fileName().toStdString() +
                                 ": " + library_.errorString().toStdString());
    return function;
}

} // namespace platform
