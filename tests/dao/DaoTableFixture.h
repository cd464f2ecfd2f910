// What the table component's tests share: a real database file with tables
// built through the engine layer (jettest::JetFixture), a connected database
// component on it, and a database object that records the calls the table
// makes on it before handing them on.
#pragma once

#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"
#include "tests/platform/jet/JetFixture.h"

#include <gtest/gtest.h>

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
