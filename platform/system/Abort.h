// The silent exception of the class library: it ends an operation like any
// error, and whoever shows errors to the operator (TApplication) shows none
// for it, while a caller's catch-all still sees it.
#pragma once

#include <exception>

class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

[[noreturn]] inline void Abort()
{
    throw EAbort();
}
