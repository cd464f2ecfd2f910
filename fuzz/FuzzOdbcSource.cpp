// Feeds the engine what an ODBC source it does not control answers: the
// input is a SQL script that builds a SQLite file (tables with any declared
// types and names, indexes, views, values of any storage class), and the
// engine then reaches that file through the SQLite ODBC driver as a data
// source: it lists the tables, describes each one's fields and indexes from
// the driver's catalog answers, opens recordsets of several types and reads
// every value, and runs a statement of its own dialect rewritten for the
// source. Whatever the source answers, the engine either works or raises its
// error; it never reads or writes out of bounds. The driver and its
// configuration come from the machine (libsqliteodbc); the target writes its
// own odbcinst.ini. Run:
//   build-fuzz/fuzz/fuzz_odbc_source build-fuzz/corpus-odbc-source fuzz/corpus/odbc-source -max_total_time=600
#include "platform/jet/Jet.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

struct Setup {
    QTemporaryDir Folder;
    std::string File;
    jet::DBEnginePtr Engine;
    jet::WorkspacePtr Workspace;

    Setup()
    {
        const std::string folder = Folder.path().toStdString();
        std::ofstream(folder + "/odbcinst.ini") << "[SQLite3]\nDriver=libsqlite3odbc.so\n";
        std::ofstream(folder + "/odbc.ini") << "";
        setenv("ODBCSYSINI", folder.c_str(), 1);
        setenv("ODBCINI", (folder + "/odbc.ini").c_str(), 1);
        File = folder + "/source.db";
        Engine = jet::MakeEngineClasses({"3.6"})->Create("DAO.PrivateDBEngine.36");
        Workspace = Engine->CreateWorkspace("Fuzz", "Admin", "");
    }
};

// Builds the source's file from the script, within small limits: a script
// that fails part-way leaves what it built so far.
void BuildSource(const std::string& file, const std::string& script)
{
    std::remove(file.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return;
    }
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 100000);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    int steps = 0;
    sqlite3_progress_handler(db, 1000, [](void* counter) { return ++*static_cast<int*>(counter) > 200 ? 1 : 0; },
                             &steps);
    sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void ReadAll(const jet::RecordsetPtr& recordset)
{
    long rows = 0;
    while (!recordset->Eof() && rows++ < 200) {
        for (int i = 0; i < recordset->Fields().Count(); ++i) {
            const jet::FieldPtr field = recordset->Fields().Item(i);
            const jet::Variant value = field->Value();
            if (!value.IsArray())
                jet::VarToStr(value);
            field->FieldSize();
        }
        recordset->MoveNext();
    }
}

template <class Action>
void Try(Action action)
{
    try {
        action();
    } catch (const jet::EngineError&) {
    } catch (const jet::EVariantError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    if (size > 4000)
        return 0;
    BuildSource(setup.File, std::string(reinterpret_cast<const char*>(data), size));
    jet::DatabasePtr source;
    Try([&] { source = setup.Workspace->OpenDatabase("", true, false, "ODBC;DRIVER=SQLite3;Database=" + setup.File); });
    if (!source)
        return 0;
    Try([&] {
        jet::Collection<jet::TableDef>& tables = source->TableDefs();
        for (int t = 0; t < tables.Count() && t < 8; ++t) {
            const jet::TableDefPtr table = tables.Item(t);
            const std::string name = table->Name();
            Try([&] {
                for (int f = 0; f < table->Fields().Count(); ++f) {
                    const jet::FieldPtr field = table->Fields().Item(f);
                    field->Type();
                    field->Size();
                    field->DefaultValue();
                }
                for (int i = 0; i < table->Indexes().Count(); ++i)
                    table->Indexes().Item(i)->Fields().Count();
            });
            for (const int type : {jet::dbOpenSnapshot, jet::dbOpenDynaset, jet::dbOpenTable})
                Try([&] { ReadAll(source->OpenRecordset(name, type)); });
            Try([&] {
                jet::RecordsetPtr recordset = source->OpenRecordset(name, jet::dbOpenDynaset);
                if (recordset->Updatable() && !recordset->Eof()) {
                    recordset->Edit();
                    recordset->Update();
                    recordset->Delete();
                }
            });
            Try([&] { source->Execute("DELETE * FROM [" + name + "] WHERE 1 = 0"); });
        }
    });
    Try([&] { source->Close(); });
    return 0;
}
