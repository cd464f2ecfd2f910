// Database passwords: a password is a property of a database file, kept in
// its catalog ("jet.info", name "Password") as a salted hash, never as the
// text. Opening the file through the engine needs the password in the
// connect text (";PWD=..."); a file without one opens with any PWD or none,
// as the old engine's files did.
//
// The password guards opening the file through the engine; it does not
// encrypt the file (see dbEncrypt).
#pragma once

#include "platform/jet/SqliteConnection.h"

#include <string>

namespace jet::impl {

// The stored form of a password: "pbkdf2-sha256$<iterations>$<salt>$<hash>",
// salt and hash in hexadecimal. A new random salt every time.
std::string HashPassword(const std::string& password);
// True when `password` is the one `stored` was made from. An empty stored
// text is no password: every password matches it.
bool PasswordMatches(const std::string& stored, const std::string& password);

// The stored password of the file ("main" or an attached schema); empty
// when it has none.
std::string StoredPassword(sqlite::Connection& connection, const std::string& schema = "main");
// Sets the file's password; an empty one removes it.
void StorePassword(sqlite::Connection& connection, const std::string& password);
// Raises 3031 ("Not a valid password.") unless `password` opens the file.
void CheckPassword(sqlite::Connection& connection, const std::string& password, const std::string& schema = "main");

} // namespace jet::impl
