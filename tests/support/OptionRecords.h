// The option records of Config/Config.xml, as a test arranges them before
// the program starts and reads them back afterwards.
#pragma once

#include "platform/db/TClientDataSet.h"

#include <map>
#include <string>

// Writes option records under "DEFAULT" as a previous run would have left them.
inline void StoreOptionRecords(const std::map<int, std::string>& options)
{
    TClientDataSet dataSet;
    dataSet.SetFileName("Config/Config.xml");
    dataSet.FieldDefs().Add("ConfigName", ftString, 50);
    dataSet.FieldDefs().Add("OptionName", ftString, 50);
    dataSet.FieldDefs().Add("OptionValue", ftString, 100);
    dataSet.SetCreateMissingFile(true);
    dataSet.Open();
    for (const auto& [id, value] : options) {
        dataSet.Append();
        dataSet.FieldByName("ConfigName").SetAsString("DEFAULT");
        dataSet.FieldByName("OptionName").SetAsString(std::to_string(id));
        dataSet.FieldByName("OptionValue").SetAsString(value);
        dataSet.Post();
    }
    dataSet.Close();
}

// Option records stored under "DEFAULT": option id to every value stored,
// in the order of the records.
inline std::multimap<std::string, std::string> StoredOptionRecords()
{
    TClientDataSet dataSet;
    dataSet.SetFileName("Config/Config.xml");
    dataSet.Open();
    std::multimap<std::string, std::string> options;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        if (dataSet.FieldByName("ConfigName").AsString() == "DEFAULT")
            options.emplace(dataSet.FieldByName("OptionName").AsString(), dataSet.FieldByName("OptionValue").AsString());
    return options;
}
