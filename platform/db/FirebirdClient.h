// What the server database components (TIBDatabase, TIBTransaction, TIBTable)
// share of the server engine's client library: its master interface, calls
// whose errors become EDatabaseError, and the set-up the embedded engine
// needs before the first local attachment.
#pragma once

#include "platform/db/TDataSet.h"

#include <firebird/Interface.h>

#include <string>

namespace platform::firebird {

Firebird::IMaster* Master();

// Runs `call` with a status wrapper that raises on error, and turns an error
// of the client library into EDatabaseError("<context>: <engine's message>").
template <typename Call>
decltype(auto) Guarded(const std::string& context, Call&& call);

[[noreturn]] void RaiseEngineError(const std::string& context, const Firebird::FbException& error);

// The embedded engine coordinates through a lock folder that defaults to
// /tmp/firebird, which the first user to run it owns: give it one of this
// user's own unless the environment names one (FIREBIRD_LOCK).
void PrepareEmbeddedEngine();

template <typename Call>
decltype(auto) Guarded(const std::string& context, Call&& call)
{
    Firebird::IStatus* status = Master()->getStatus();
    Firebird::ThrowStatusWrapper wrapper(status);
    struct Disposer {
        Firebird::IStatus* Status;
        ~Disposer() { Status->dispose(); }
    } disposer{status};
    try {
        return call(&wrapper);
    } catch (const Firebird::FbException& error) {
        RaiseEngineError(context, error);
    }
}

} // namespace platform::firebird
