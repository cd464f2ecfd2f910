// What the table component's tests share: a real database file with tables
// built through the engine layer (jettest::JetFixture), a connected database
// component on it, and a database object that records the calls the table
// makes on it before handing them on.
#pragma once

#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"
#include "tests/dao/RecordingEngine.h"
#include "tests/platform/jet/JetFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace daotabletest {

using Log = std::vector<std::string>;

// The engine's database, with the calls that open recordsets and run
// statements written down.
using RecordingDatabase = recording::Database;

// A fresh database file (the engine layer's fixture), then a database
// component connected to it.
class DaoTableTest : public jettest::JetFixture {
protected:
    void TearDown() override
    {
        Table.reset();
        Database.reset();
    }

    // The settings table "config" with the options "1" .. "n" of "DEFAULT".
    void MakeConfigTable(int rows)
    {
        std::vector<std::vector<std::string>> options;
        for (int i = 1; i <= rows; ++i)
            options.push_back({"DEFAULT", std::to_string(i), "value " + std::to_string(i)});
        JetFixture::MakeConfigTable(options);
    }

    void Run(const std::string& sql) { Db->Execute(sql); }

    // A connected database component on the file whose database object
    // records the calls made on it.
    TDaoDatabase& Connect()
    {
        const std::string path = Db->Name();
        Db->Close();
        Database = std::make_unique<TDaoDatabase>();
        Database->SetName("KDBConfig");
        Database->ReadProperties(
            {{"DatabaseType", "Access"}, {"Database", path}, {"UserName", "Admin"}, {"Version", "3.6"}});
        Database->Loaded();
        Database->Open();
        Recorder = std::make_shared<RecordingDatabase>(Database->DatabaseObject);
        Database->DatabaseObject = Recorder;
        return *Database;
    }

    // Appends and posts an option of the DEFAULT configuration, as the
    // configuration store writes one.
    static void AppendOption(TDaoTable& table, const std::string& optionName, const std::string& value = "")
    {
        table.Append();
        table.FieldByName("ConfigName").SetAsString("DEFAULT");
        table.FieldByName("OptionName").SetAsString(optionName);
        table.FieldByName("OptionValue").SetAsString(value);
        table.Post();
    }

    // The configuration store's table as its data module streams it.
    TDaoTable& ConfigTable()
    {
        Table = std::make_unique<TDaoTable>();
        Table->SetName("KTableConfig");
        Table->F_Set_Database(Database.get());
        Table->ReadProperties({{"TableName", "config"}, {"TableType", "2"}, {"LockType", "3"}, {"UseBrackets", "True"}});
        Table->Loaded();
        return *Table;
    }

    // A table on a source of the connected database.
    TDaoTable& TableOn(const std::string& tableName, int tableType = jet::dbOpenDynaset)
    {
        Table = std::make_unique<TDaoTable>();
        Table->F_Set_Database(Database.get());
        Table->F_Set_TableType(tableType);
        Table->F_Set_TableName(tableName);
        return *Table;
    }

    // The values of one field over every record, from the first.
    static std::vector<std::string> Values(TDaoTable& table, const std::string& field)
    {
        std::vector<std::string> values;
        for (table.First(); !table.Eof(); table.Next())
            values.push_back(table.FieldByName(field).AsString());
        return values;
    }

    // The message of the exception that `action` raises, or "".
    template <class F>
    static std::string ErrorOf(F&& action)
    {
        try {
            action();
        } catch (const std::exception& error) {
            return error.what();
        }
        return {};
    }

    std::unique_ptr<TDaoDatabase> Database;
    std::shared_ptr<RecordingDatabase> Recorder;
    std::unique_ptr<TDaoTable> Table;
};

using Strings = std::vector<std::string>;

} // namespace daotabletest
