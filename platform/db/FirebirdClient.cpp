#include "platform/db/FirebirdClient.h"

#include <QDir>
#include <QStandardPaths>

#include <cstdlib>

namespace platform::firebird {

Firebird::IMaster* Master()
{
    static Firebird::IMaster* const master = Firebird::fb_get_master_interface();
    return master;
}

void RaiseEngineError(const std::string& context, const Firebird::FbException& error)
{
    char text[1024];
    Master()->getUtilInterface()->formatStatus(text, sizeof text, error.getStatus());
    throw EDatabaseError(context + ": " + text);
}

void PrepareEmbeddedEngine()
{
    static const bool prepared = [] {
        const char* chosen = std::getenv("FIREBIRD_LOCK");
        if (chosen && *chosen)
            return true;
        // Qt makes sure the runtime folder belongs to this user alone.
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (runtime.isEmpty())
            return false;
        const QString lockFolder = runtime + "/firebird";
        if (!QDir().mkpath(lockFolder))
            return false;
        setenv("FIREBIRD_LOCK", QDir::toNativeSeparators(lockFolder).toLocal8Bit().constData(), 0);
        return true;
    }();
    (void)prepared;
}

} // namespace platform::firebird
