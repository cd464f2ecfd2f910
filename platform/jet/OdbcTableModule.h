// Tables of ODBC sources inside the engine's own SQL. A database file of
// ours that links a table of an ODBC source, or keeps a pass-through query,
// may name it in any statement beside its own tables: the statement runs on
// the file's SQLite connection, where the link or query is a virtual table
// ("jet_odbc") over the source in the temp schema.
//
// A scan asks the source for the rows: simple comparisons of numbers and
// dates (=, <, <=, >, >=) go to the source in its WHERE; every condition is
// checked again here, so the source's rules for texts (letter case) never
// decide a row. A linked table whose source gives it a primary key or a
// unique index takes INSERT, UPDATE and DELETE, each row written through the
// driver on the source's connection, and so inside the workspace's
// transactions; a pass-through query's rows are read only.
#pragma once

#include "platform/jet/Catalog.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace jet::sqlite {
class Connection;
}

namespace jet::impl {

class OdbcDatabaseImpl;

// What a virtual table reads: a table of the source, or the rows of a
// pass-through query's SQL, sent unchanged.
struct OdbcTableSource {
    std::shared_ptr<OdbcDatabaseImpl> Source;
    std::string Table;           // the source's spelling; empty for a query
    std::string PassThroughSql;  // a query's SQL
    catalog::TableInfo Shape;    // the columns (and for a table its indexes)
};

class OdbcTableModule {
public:
    // Registers the module on the connection; it lives as long as the
    // connection does.
    static OdbcTableModule& Register(sqlite::Connection& connection);

    // The SQLite reference (temp."odbc.N") of the virtual table for `name`
    // (a link's or query's name), made on first use and again when the
    // source, or the shape it gives, changed.
    std::string Reference(const std::string& name, OdbcTableSource source);
    // The virtual table of a reference's table name ("odbc.N"), or null.
    const OdbcTableSource* Find(const std::string& table) const;

    // For the module's callbacks: a virtual table by the number it was made with.
    struct Entry;
    const Entry* ByNumber(int number) const;
    std::shared_ptr<Entry> Shared(int number) const;
    sqlite::Connection& Connection() const { return Sql; }

private:
    explicit OdbcTableModule(sqlite::Connection& connection) : Sql(connection) {}

    sqlite::Connection& Sql;
    int Made = 0;
    std::map<std::string, std::shared_ptr<Entry>> Tables;  // upper-case name -> entry
    std::vector<std::shared_ptr<Entry>> Retired;           // replaced, perhaps still in use
};

} // namespace jet::impl
