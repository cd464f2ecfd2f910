// A database file of ours holding the settings table "config" (ConfigName
// text 50 required, OptionName text 50 required, OptionValue text 250) with
// `rows` options "DEFAULT", "1" .. "n", "value 1" .. "value n", written in
// one transaction; and a database component connected to it. For the
// benchmarks and fuzz targets, which have no test framework.
#pragma once

#include "dao/DaoDatabase.h"

#include <memory>
#include <string>

namespace support {

inline void MakeConfigDatabase(const std::string& path, int rows)
{
    const auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    const auto workspace = engine->CreateWorkspace("Maker", "Admin", "");
    const auto database = workspace->CreateDatabase(path, ";LANGID=0x0409;CP=1252;COUNTRY=0", jet::dbVersion40);
    const auto table = database->CreateTableDef("config");
    const auto add = [&](const char* name, int size, bool required) {
        const auto field = table->CreateField(name, jet::dbText, size);
        field->SetRequired(required);
        table->Fields().Append(field);
    };
    add("ConfigName", 50, true);
    add("OptionName", 50, true);
    add("OptionValue", 250, false);
    database->TableDefs().Append(table);
    workspace->BeginTrans();
    for (int i = 1; i <= rows; ++i)
        database->Execute("INSERT INTO config (ConfigName, OptionName, OptionValue) VALUES (\"DEFAULT\", \""
                          + std::to_string(i) + "\", \"value " + std::to_string(i) + "\")");
    workspace->CommitTrans();
    database->Close();
    workspace->Close();
}

inline std::unique_ptr<TDaoDatabase> ConnectedDatabase(const std::string& path)
{
    auto database = std::make_unique<TDaoDatabase>();
    database->ReadProperties({{"DatabaseType", "Access"}, {"Database", path}, {"UserName", "Admin"}, {"Version", "3.6"}});
    database->Loaded();
    database->Open();
    return database;
}

} // namespace support
