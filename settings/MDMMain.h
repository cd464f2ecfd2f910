// The main data module: the configuration table in the data-access database
// Config/Config.dat (the first backend the parameter store tries) and the
// table CONFIG in the server database Config/Config.fdb (the third). Created
// once by the start-up code and living until exit in the global DMMain.
//
// The constructor creates the components in their declared order and gives
// each its stored settings, as the old platform's data module streamed them.
// The data-access database and table stay null until the data-access
// components exist: they then take their places here, created with their
// stored settings like the server components, and the store's first attempt
// uses them as it finds them (connection opened, then table activated).
//
// The server database is a local file served by the embedded engine; a lab
// that keeps its settings on a database server names it in DatabaseName
// ("host:/path/config.fdb"). The database must hold the table CONFIG with
// the text columns ConfigName, OptionName and OptionValue; the program never
// creates it.
#pragma once

#include "platform/db/TDataSet.h"
#include "platform/db/TIBDatabase.h"
#include "platform/db/TIBTable.h"
#include "platform/db/TIBTransaction.h"

#include <memory>

class TDMMain {
public:
    TDMMain();

    // Declared as the data module declares them; destroyed in reverse, so each
    // table goes before its transaction and database.
    std::unique_ptr<TCustomConnection> KDBConfig;                  // Config/Config.dat
    std::unique_ptr<TDataSet> KTableConfig;                        // its table "config"
    std::unique_ptr<TIBDatabase> FirebirdDBConfig;                 // Config/Config.fdb
    std::unique_ptr<TIBTransaction> FirebirdTransactionConfig;
    std::unique_ptr<TIBTable> FirebirdTableConfig;                 // its table "CONFIG"
};

// Null until the start-up code creates the data module.
extern TDMMain* DMMain;
