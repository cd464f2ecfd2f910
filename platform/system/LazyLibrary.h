// A shared library that only some commands need (a camera, a picture format,
// an export format, a database server), loaded when one of its functions is
// first called rather than when the program starts, so that start-up spends
// no time loading and linking it and the libraries it brings.
//
// A unit that stands in for such a library is linked in its place: it
// defines, with the library's own declarations, each function the program
// calls, forwarding to the library's function of the same name:
//   pxdoc_t* PX_new() { return Pxlib().Function<&PX_new>("PX_new")(); }
// The program must not export these names (it does not: an executable keeps
// its symbols to itself unless asked), so the library, once loaded, calls
// its own functions.
#pragma once

#include <QLibrary>

#include <string>

namespace platform {

class TLazyLibrary {
public:
    // The library as QLibrary names it: "px" and 0 for libpx.so.0.
    TLazyLibrary(const char* name, int version);

    // The library's function `symbol`, of the type of its stand-in; loads the
    // library on first use. Throws std::runtime_error naming the library and
    // the cause when it cannot be loaded or lacks the function.
    template <auto StandIn>
    decltype(StandIn) Function(const char* symbol)
    {
        static const auto function = reinterpret_cast<decltype(StandIn)>(Resolve(symbol));
        return function;
    }

private:
    QFunctionPointer Resolve(const char* symbol);

    QLibrary library_;
};

} // namespace platform
