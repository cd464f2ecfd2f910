// The main data module: the configuration table in the Access database
// Config/Config.dat (the first backend the parameter store tries) and the one
// in the server database Config/Config.fdb (the third). Created once by the
// start-up code and living until exit in the global DMMain.
//
// The components are held through their framework base classes and stay null
// until the data-access components and the server table provide them; the
// store then finds those two backends unavailable and uses the XML file.
#pragma once

#include "platform/db/TDataSet.h"

#include <memory>

class TDMMain {
public:
    // Declared connection first, table second: the table goes before its database.
    std::unique_ptr<TCustomConnection> KDBConfig;          // Config/Config.dat
    std::unique_ptr<TDataSet> KTableConfig;                // its table "config"
    std::unique_ptr<TCustomConnection> FirebirdDBConfig;   // Config/Config.fdb
    std::unique_ptr<TDataSet> FirebirdTableConfig;         // its table "CONFIG"
};

// Null until the start-up code creates the data module.
extern TDMMain* DMMain;
