// What the table component's tests share: a temporary working folder with a
// real database file, a connected database component on it, tables built
// through the engine layer, and a database object that records the calls the
// table makes on it before handing them on.
#pragma once

#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace daotabletest {

using Log = std::vector<std::string>;

// The engine's database, with the calls that open recordsets and run
// statements written down.
class RecordingDatabase : public jet::Database {
public:
    explicit RecordingDatabase(jet::DatabasePtr inner)
        : Inner(std::move(inner))
    {
    }

    Log Calls;
    // Stored queries offered instead of the file's, when set.
    jet::Collection<jet::QueryDef>* StoredQueries = nullptr;

    std::string Name() const override { return Inner->Name(); }
    std::string Connect() const override { return Inner->Connect(); }
    void Close() override { Inner->Close(); }
    std::string Version() const override { return Inner->Version(); }
    int QueryTimeout() const override { return Inner->QueryTimeout(); }
    void SetQueryTimeout(int seconds) override { Inner->SetQueryTimeout(seconds); }
    int CollatingOrder() const override { return Inner->CollatingOrder(); }
    void NewPassword(const std::string& a, const std::string& b) override { Inner->NewPassword(a, b); }
    jet::Collection<jet::TableDef>& TableDefs() override { return Inner->TableDefs(); }
    jet::Collection<jet::QueryDef>& QueryDefs() override { return StoredQueries ? *StoredQueries : Inner->QueryDefs(); }
    jet::Collection<jet::Container>& Containers() override { return Inner->Containers(); }
    jet::Collection<jet::Relation>& Relations() override { return Inner->Relations(); }
    jet::Collection<jet::Recordset>& Recordsets() override { return Inner->Recordsets(); }
    jet::Collection<jet::Property>& Properties() override { return Inner->Properties(); }
    jet::RecordsetPtr OpenRecordset(const std::string& source, int type, int options, int lockEdits) override
    {
        Calls.push_back("OpenRecordset(" + source + "," + std::to_string(type) + "," + std::to_string(options) + ","
                        + std::to_string(lockEdits) + ")");
        return Inner->OpenRecordset(source, type, options, lockEdits);
    }
    void Execute(const std::string& sql, int options) override
    {
        Calls.push_back("Execute(" + sql + "," + std::to_string(options) + ")");
        Inner->Execute(sql, options);
    }
    long RecordsAffected() const override { return Inner->RecordsAffected(); }
    jet::TableDefPtr CreateTableDef(const std::string& name, int attributes, const std::string& source,
                                    const std::string& connect) override
    {
        return Inner->CreateTableDef(name, attributes, source, connect);
    }
    jet::QueryDefPtr CreateQueryDef(const std::string& name, const std::string& sql) override
    {
        return Inner->CreateQueryDef(name, sql);
    }
    void BeginTrans() override { Inner->BeginTrans(); }
    void CommitTrans(int options) override { Inner->CommitTrans(options); }
    void Rollback() override { Inner->Rollback(); }

private:
    jet::DatabasePtr Inner;
};

class DaoTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        PreviousFolder = std::filesystem::current_path();
        std::filesystem::current_path(Folder.path().toStdString());
        std::filesystem::create_directory("Config");
        Classes = jet::MakeEngineClasses();
        Engine = Classes->Create("DAO.PrivateDBEngine.36");
        Workspace = Engine->CreateWorkspace("Maker", "Admin", "");
        Maker = Workspace->CreateDatabase("Config/Config.dat", ";LANGID=0x0409;CP=1252;COUNTRY=0", jet::dbVersion40);
    }

    void TearDown() override
    {
        Table.reset();
        Database.reset();
        if (Maker)
            Maker->Close();
        std::filesystem::current_path(PreviousFolder);
    }

    struct Column {
        std::string Name;
        int Type;
        int Size = 0;
        bool Required = false;
        int Attributes = 0;
        std::string Default = {};
    };

    // A table of the file, with a primary key "PrimaryKey" over `key`.
    void MakeTable(const std::string& name, const std::vector<Column>& columns, const std::vector<std::string>& key = {})
    {
        jet::TableDefPtr table = Maker->CreateTableDef(name);
        for (const Column& column : columns) {
            jet::FieldPtr field = table->CreateField(column.Name, column.Type, column.Size);
            field->SetRequired(column.Required);
            if (column.Attributes)
                field->SetAttributes(column.Attributes);
            if (!column.Default.empty())
                field->SetDefaultValue(column.Default);
            table->Fields().Append(field);
        }
        if (!key.empty()) {
            jet::IndexPtr index = table->CreateIndex("PrimaryKey");
            index->SetPrimary(true);
            for (const std::string& field : key)
                index->Fields().Append(index->CreateField(field));
            table->Indexes().Append(index);
        }
        Maker->TableDefs().Append(table);
    }

    // The settings table "config" with the options "1" .. "n" of "DEFAULT".
    void MakeConfigTable(int rows)
    {
        MakeTable("config", {{"ConfigName", jet::dbText, 50, true}, {"OptionName", jet::dbText, 50, true},
                             {"OptionValue", jet::dbText, 250}});
        for (int i = 1; i <= rows; ++i)
            Run("INSERT INTO config (ConfigName, OptionName, OptionValue) VALUES (\"DEFAULT\", \"" + std::to_string(i)
                + "\", \"value " + std::to_string(i) + "\")");
    }

    void Run(const std::string& sql) { Maker->Execute(sql); }

    // A connected database component on Config/Config.dat whose database
    // object records the calls made on it.
    TDaoDatabase& Connect()
    {
        Maker->Close();
        Maker.reset();
        Database = std::make_unique<TDaoDatabase>();
        Database->SetName("KDBConfig");
        Database->ReadProperties({{"DatabaseType", "Access"}, {"Database", ".\\Config\\Config.dat"},
                                  {"UserName", "Admin"}, {"Version", "3.6"}, {"Workspace", "DaoWorkspace"}});
        Database->Loaded();
        Database->Open();
        Recorder = std::make_shared<RecordingDatabase>(Database->DatabaseObject);
        Database->DatabaseObject = Recorder;
        return *Database;
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

    QTemporaryDir Folder;
    std::filesystem::path PreviousFolder;
    std::shared_ptr<jet::EngineClasses> Classes;
    jet::DBEnginePtr Engine;
    jet::WorkspacePtr Workspace;
    jet::DatabasePtr Maker;
    std::unique_ptr<TDaoDatabase> Database;
    std::shared_ptr<RecordingDatabase> Recorder;
    std::unique_ptr<TDaoTable> Table;
};

using Strings = std::vector<std::string>;

} // namespace daotabletest
