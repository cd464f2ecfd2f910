// The baseline of the data layer's benchmarks: a bare SQLite connection to a
// file of the engine, opened read-only with the flags the engine opens its
// own connections with (no mutex: the engine uses a connection on one thread
// only, so a serialized connection would charge the baseline for locking the
// engine does not do), with the text collation the engine's text columns and
// indexes are declared with (or statements naming them would not prepare).
#pragma once

#include "platform/jet/Collation.h"

#include <sqlite3.h>

#include <string>

namespace bench {

class BareConnection {
public:
    explicit BareConnection(const std::string& path)
    {
        sqlite3_open_v2(path.c_str(), &Db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        sqlite3_create_collation(Db, "JET_NOCASE", SQLITE_UTF8, nullptr,
                                 [](void*, int n1, const void* a, int n2, const void* b) {
                                     return jet::CompareText({static_cast<const char*>(a), static_cast<std::size_t>(n1)},
                                                             {static_cast<const char*>(b), static_cast<std::size_t>(n2)});
                                 });
    }
    ~BareConnection() { sqlite3_close(Db); }
    BareConnection(const BareConnection&) = delete;
    BareConnection& operator=(const BareConnection&) = delete;

    sqlite3* Handle() const { return Db; }

    // Null when the statement does not prepare; benchmarks check their rows.
    sqlite3_stmt* Prepare(const char* sql) const
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(Db, sql, -1, &statement, nullptr);
        return statement;
    }

private:
    sqlite3* Db = nullptr;
};

// A text column of the current row as a string, as a caller keeps it.
inline std::string TextOf(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))) : std::string();
}

} // namespace bench
