// The server engine's client library (with its embedded engine), loaded when
// a server database is first opened: its one entry point that the database
// components call, forwarding to the library's own (platform/system/
// LazyLibrary.h says how); everything else is reached through the interfaces
// it returns.
#include "platform/system/LazyLibrary.h"

#include <firebird/Interface.h>

namespace {

platform::TLazyLibrary& Fbclient()
{
    static platform::TLazyLibrary library("fbclient", 2);
    return library;
}

} // namespace

Firebird::IMaster* Firebird::fb_get_master_interface()
{
    return Fbclient().Function<&Firebird::fb_get_master_interface>("fb_get_master_interface")();
}
