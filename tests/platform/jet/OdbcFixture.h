// An ODBC source for the tests: the data source LabData of the tests' own
// ODBC configuration, a SQLite file reached through the SQLite ODBC driver,
// filled afresh for each test with a few tables, a view and rows; the file
// is also read and written directly, as another program would.
#pragma once

#include "JetFixture.h"

#include "tests/support/OdbcConfig.h"

#include <sqlite3.h>

#include <cstdio>
#include <string>

namespace jettest {

// Runs SQL on the file of LabData directly, outside the engine.
inline void Direct(const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(OdbcConfig::LabFile().c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

// One value read from the file of LabData directly ("<null>" for Null,
// "<none>" without a row).
inline std::string DirectValue(const std::string& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(OdbcConfig::LabFile().c_str(), &db);
    sqlite3_stmt* statement = nullptr;
    std::string value = "<none>";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        value = sqlite3_column_type(statement, 0) == SQLITE_NULL
            ? "<null>"
            : reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return value;
}

// The tests' ODBC configuration, and the file of LabData made afresh.
inline void MakeLabSource()
{
    OdbcConfig::Install();
    std::remove(OdbcConfig::LabFile().c_str());
    Direct(R"(
        CREATE TABLE config (ConfigName VARCHAR(50) NOT NULL, OptionName VARCHAR(50) NOT NULL,
                             OptionValue VARCHAR(250), PRIMARY KEY (ConfigName, OptionName));
        INSERT INTO config VALUES ('DEFAULT', '551', '2'), ('DEFAULT', '702', '0.5'),
                                  ('RULERVALUEHORI', 'Stage', '100');
        CREATE TABLE parts (Id INTEGER PRIMARY KEY AUTOINCREMENT, Name VARCHAR(40) NOT NULL DEFAULT 'bolt',
                            Price DOUBLE, Made DATETIME, Note TEXT, Photo BLOB);
        CREATE UNIQUE INDEX PartName ON parts (Name);
        INSERT INTO parts (Name, Price, Made, Note) VALUES ('washer', 0.05, '2024-03-15 10:20:30', 'flat'),
            ('bolt', 0.4, '2023-01-02 00:00:00', NULL), ('gear', 12.5, NULL, '齿轮');
        CREATE VIEW cheap AS SELECT Name, Price FROM parts WHERE Price < 1;
        CREATE TABLE loose (Word TEXT);
        INSERT INTO loose VALUES ('a'), ('b');
    )");
}

class OdbcFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeLabSource();
        Engine = jet::MakeEngineClasses({"3.5", "3.6"})->Create("DAO.PrivateDBEngine.36");
        Workspace = Engine->CreateWorkspace("Test", "Admin", "");
        Engine->Workspaces().Append(Workspace);
        Db = Workspace->OpenDatabase("LabData", true, false, "ODBC;UID=Admin;PWD=;DSN=LabData;");
    }

    jet::DBEnginePtr Engine;
    jet::WorkspacePtr Workspace;
    jet::DatabasePtr Db;
};

} // namespace jettest
