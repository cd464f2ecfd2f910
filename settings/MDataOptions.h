// The data module of the options: the XML client dataset that keeps the
// configuration records in Config/Config.xml, the second backend the
// parameter store tries. Created once by the start-up code and living until
// exit in the global DataModuleOptions.
#pragma once

#include "platform/db/TClientDataSet.h"

#include <memory>

class TDataModuleOptions {
public:
    TDataModuleOptions();

    // Config/Config.xml with the fields ConfigName (string 50), OptionName
    // (string 50) and OptionValue (string 100). A missing file makes it fail
    // to open; the parameter store creates it when it starts a fresh store.
    std::unique_ptr<TClientDataSet> DataSetOptions;
};

// Null until the start-up code creates the data module.
extern TDataModuleOptions* DataModuleOptions;
