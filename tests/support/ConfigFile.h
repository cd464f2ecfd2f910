// The configuration records in Config/ of the working directory, as a run of
// the program leaves them and the next one finds them: in the data-access
// database Config/Config.dat when there is one (a fresh folder's store),
// else in the XML file Config/Config.xml.
#pragma once

#include "platform/db/TClientDataSet.h"
#include "settings/MDMMain.h"

#include <QFile>

#include <array>
#include <map>
#include <string>
#include <vector>

// (ConfigName, OptionName, OptionValue)
using ConfigRecord = std::array<std::string, 3>;

inline bool ConfigDatabaseExists()
{
    return QFile::exists(TDMMain::ConfigDatabaseFile);
}

inline std::vector<ConfigRecord> ReadConfigRecords(TDataSet& dataSet)
{
    std::vector<ConfigRecord> records;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        records.push_back({dataSet.FieldByName("ConfigName").AsString(), dataSet.FieldByName("OptionName").AsString(),
                           dataSet.FieldByName("OptionValue").AsString()});
    return records;
}

// The records of Config/Config.xml.
inline std::vector<ConfigRecord> XmlConfigRecords()
{
    TClientDataSet dataSet;
    dataSet.SetFileName("Config/Config.xml");
    dataSet.Open();
    return ReadConfigRecords(dataSet);
}

// The records of Config/Config.dat, read through a data module of their own
// while the program may hold the database open.
inline std::vector<ConfigRecord> DatabaseConfigRecords()
{
    TDMMain dataModule;
    dataModule.KDBConfig->Open();
    dataModule.KTableConfig->Open();
    return ReadConfigRecords(*dataModule.KTableConfig);
}

// The records of the store of the folder.
inline std::vector<ConfigRecord> StoredConfigRecords()
{
    return ConfigDatabaseExists() ? DatabaseConfigRecords() : XmlConfigRecords();
}

// Option records under "DEFAULT": option id to every value stored.
inline std::multimap<std::string, std::string> StoredOptions()
{
    std::multimap<std::string, std::string> options;
    for (const ConfigRecord& record : StoredConfigRecords())
        if (record[0] == "DEFAULT")
            options.emplace(record[1], record[2]);
    return options;
}

// The value of the first record with both names; "" when there is none.
inline std::string StoredRecord(const std::string& configName, const std::string& optionName)
{
    for (const ConfigRecord& record : StoredConfigRecords())
        if (record[0] == configName && record[1] == optionName)
            return record[2];
    return "";
}

inline void AppendConfigRecords(TDataSet& dataSet, const std::vector<ConfigRecord>& records)
{
    for (const ConfigRecord& record : records) {
        dataSet.Append();
        dataSet.FieldByName("ConfigName").SetAsString(record[0]);
        dataSet.FieldByName("OptionName").SetAsString(record[1]);
        dataSet.FieldByName("OptionValue").SetAsString(record[2]);
        dataSet.Post();
    }
}

// Appends records to Config/Config.xml, creating it when it does not exist.
inline void AppendXmlConfigRecords(const std::vector<ConfigRecord>& records)
{
    TClientDataSet dataSet;
    dataSet.SetFileName("Config/Config.xml");
    dataSet.FieldDefs().Add("ConfigName", ftString, 50);
    dataSet.FieldDefs().Add("OptionName", ftString, 50);
    dataSet.FieldDefs().Add("OptionValue", ftString, 100);
    dataSet.SetCreateMissingFile(true);
    dataSet.Open();
    AppendConfigRecords(dataSet, records);
    dataSet.Close();
}

// Appends records to Config/Config.dat, which must exist.
inline void AppendDatabaseConfigRecords(const std::vector<ConfigRecord>& records)
{
    TDMMain dataModule;
    dataModule.KDBConfig->Open();
    dataModule.KTableConfig->Open();
    AppendConfigRecords(*dataModule.KTableConfig, records);
}

// Appends records to the store of the folder as a previous run would have
// left them; a folder without a store gets the XML file.
inline void AppendConfigRecords(const std::vector<ConfigRecord>& records)
{
    if (ConfigDatabaseExists())
        AppendDatabaseConfigRecords(records);
    else
        AppendXmlConfigRecords(records);
}

// Makes Config/Config.dat as a fresh folder's first run does, with records.
inline void CreateConfigDatabase(const std::vector<ConfigRecord>& records)
{
    TDMMain().CreateConfigDatabase();
    AppendDatabaseConfigRecords(records);
}

// Writes option records as a previous run would have left them.
inline void StoreOptions(const std::map<int, std::string>& options)
{
    std::vector<ConfigRecord> records;
    for (const auto& [id, value] : options)
        records.push_back({"DEFAULT", std::to_string(id), value});
    AppendConfigRecords(records);
}
