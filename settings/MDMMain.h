// The main data module: the configuration table "config" in the data-access
// database Config/Config.dat (the first backend the parameter store tries)
// and the table CONFIG in the server database Config/Config.fdb (the third).
// Created once by the start-up code and living until exit in the global
// DMMain.
//
// The constructor creates the components in their declared order and gives
// each its stored settings, as the old platform's data module streamed them:
// the data-access components read their stored property values
// (ReadProperties) and then act on them (Loaded), the server components get
// theirs through their setters. A machine whose data-access engine cannot
// be made keeps the data module without the two data-access components, so
// the store goes straight to its next backend.
//
// The data-access database is opened by the store; CreateConfigDatabase
// makes it when a fresh Config folder has none.
//
// The server database is a local file served by the embedded engine; a lab
// that keeps its settings on a database server names it in DatabaseName
// ("host:/path/config.fdb"). The database must hold the table CONFIG with
// the text columns ConfigName, OptionName and OptionValue; the program never
// creates it.
#pragma once

#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"
#include "platform/db/TComponent.h"
#include "platform/db/TIBDatabase.h"
#include "platform/db/TIBTable.h"
#include "platform/db/TIBTransaction.h"

#include <memory>

class TDMMain : public TComponent {
public:
    TDMMain();

    // The file KDBConfig's stored Database names, relative to the working
    // directory.
    static constexpr const char* ConfigDatabaseFile = "Config/Config.dat";

    // Makes ConfigDatabaseFile through KDBConfig (which must be closed): a
    // new database with the empty table "config" (ConfigName text 50 and
    // OptionName text 50, both required, and OptionValue text 250). It is
    // built under a name of its own beside the file and renamed into place
    // only once whole, so the file is never seen half made, and a file of
    // that name, whatever it holds, is never replaced. Raises the engine's
    // error, or EDatabaseError when the name is taken; nothing is left
    // behind then. KDBConfig names its stored file again afterwards.
    void CreateConfigDatabase();

    // Declared as the data module declares them; destroyed in reverse, so each
    // table goes before its transaction and database. The data-access pair is
    // owned by the data module as well, which finds KDBConfig by name when
    // KTableConfig's stored Database is read; null without the engine.
    std::unique_ptr<TDaoDatabase> KDBConfig;                       // Config/Config.dat
    std::unique_ptr<TDaoTable> KTableConfig;                       // its table "config"
    std::unique_ptr<TIBDatabase> FirebirdDBConfig;                 // Config/Config.fdb
    std::unique_ptr<TIBTransaction> FirebirdTransactionConfig;
    std::unique_ptr<TIBTable> FirebirdTableConfig;                 // its table "CONFIG"
};

// Null until the start-up code creates the data module.
extern TDMMain* DMMain;
