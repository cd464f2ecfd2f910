// The database error of the class library: every dataset and database
// component reports its own refusals (a closed dataset, a missing field, a
// property that cannot change while connected) as EDatabaseError with the
// message alone, raised through DatabaseError.
#pragma once

#include <stdexcept>
#include <string>

// Raised for every dataset error: a closed dataset, a missing field, an
// operation in the wrong state, storage that cannot be read or written.
class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raises EDatabaseError with the message.
[[noreturn]] void DatabaseError(const std::string& message);
