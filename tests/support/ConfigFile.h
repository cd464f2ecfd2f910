// The configuration records in Config/Config.xml of the working directory, as
// a run of the program leaves them and the next one finds them.
#pragma once

#include "platform/db/TClientDataSet.h"

#include <array>
#include <map>
#include <string>
#include <vector>

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

// (ConfigName, OptionName, OptionValue)
using ConfigRecord = std::array<std::string, 3>;

// Appends records as a previous run would have left them, creating the file
// when it does not exist.
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

// Writes option records as a previous run would have left them.
inline void StoreOptions(const std::map<int, std::string>& options)
{
    std::vector<ConfigRecord> records;
    for (const auto& [id, value] : options)
        records.push_back({"DEFAULT", std::to_string(id), value});
    AppendConfigRecords(records);
}
