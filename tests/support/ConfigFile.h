// The configuration records in Config/Config.xml of the working directory, as
// a run of the program leaves them and the next one finds them.
#pragma once

#include "platform/db/TClientDataSet.h"

#include <map>
#include <string>

// Option records under "DEFAULT": option id to every value stored.
inline std::multimap<std::string, std::string> StoredOptions()
{
    TClientDataSet dataSet;
    dataSet.SetFileName("Config/Config.xml");
    dataSet.Open();
    std::multimap<std::string, std::string> options;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        if (dataSet.FieldByName("ConfigName").AsString() == "DEFAULT")
            options.emplace(dataSet.FieldByName("OptionName").AsString(),
                            dataSet.FieldByName("OptionValue").AsString());
    return options;
}

// The value of the first record with both names; "" when there is none.
inline std::string StoredRecord(const std::string& configName, const std::string& optionName)
{
    TClientDataSet dataSet;
    dataSet.SetFileName("Config/Config.xml");
    dataSet.Open();
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        if (dataSet.FieldByName("ConfigName").AsString() == configName
            && dataSet.FieldByName("OptionName").AsString() == optionName)
            return dataSet.FieldByName("OptionValue").AsString();
    return "";
}

// Writes option records as a previous run would have left them.
inline void StoreOptions(const std::map<int, std::string>& options)
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
