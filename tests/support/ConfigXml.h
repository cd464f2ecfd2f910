// Writes configuration records into Config/Config.xml of the working
// directory as an earlier run of the program would have left them.
#pragma once

#include "platform/db/TClientDataSet.h"

#include <array>
#include <string>
#include <vector>

// (ConfigName, OptionName, OptionValue)
using ConfigRecord = std::array<std::string, 3>;

// Appends the records, creating the file when it does not exist.
inline void AppendConfigRecords(const std::vector<ConfigRecord>& records)
{
    TClientDataSet dataSet;
    dataSet.SetFileName("Config/Config.xml");
    dataSet.FieldDefs().Add("ConfigName", ftString, 50);
    dataSet.FieldDefs().Add("OptionName", ftString, 50);
    dataSet.FieldDefs().Add("OptionValue", ftString, 100);
    dataSet.SetCreateMissingFile(true);
    dataSet.Open();
    for (const ConfigRecord& record : records) {
        dataSet.Append();
        dataSet.FieldByName("ConfigName").SetAsString(record[0]);
        dataSet.FieldByName("OptionName").SetAsString(record[1]);
        dataSet.FieldByName("OptionValue").SetAsString(record[2]);
        dataSet.Post();
    }
    dataSet.Close();
}
