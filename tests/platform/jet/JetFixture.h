// A private engine, a workspace and a fresh database file in a temporary
// folder, with helpers to build small tables through the object model.
#pragma once

#include "platform/jet/Jet.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace jettest {

// The number of the EngineError that `action` raises, or 0.
template <class F>
int ErrorOf(F&& action)
{
    try {
        action();
    } catch (const jet::EngineError& error) {
        return error.Number();
    }
    return 0;
}

// The values of one field over every row of a recordset, from the first.
inline std::vector<std::string> ValuesOf(const jet::RecordsetPtr& rs, const std::string& field)
{
    std::vector<std::string> values;
    if (rs->RecordCount() == 0)
        return values;
    rs->MoveFirst();
    while (!rs->Eof()) {
        values.push_back(jet::VarToStr(rs->Fields().Item(field)->Value()));
        rs->MoveNext();
    }
    return values;
}

class JetFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        Engine = jet::MakeEngineClasses({"3.5", "3.6"})->Create("DAO.PrivateDBEngine.36");
        Workspace = Engine->CreateWorkspace("Test", "Admin", "");
        Engine->Workspaces().Append(Workspace);
        Db = Workspace->CreateDatabase(PathOf("test.mdb"), ";LANGID=0x0409;CP=1252;COUNTRY=0");
    }

    std::string PathOf(const std::string& name) const { return Folder.filePath(QString::fromStdString(name)).toStdString(); }

    struct Column {
        std::string Name;
        int Type;
        int Size = 0;
        bool Required = false;
        int Attributes = 0;
    };

    // A table with the columns given and, when `key` is not empty, a primary
    // key "PrimaryKey" over those fields.
    void MakeTable(const std::string& name, const std::vector<Column>& columns,
                   const std::vector<std::string>& key = {})
    {
        jet::TableDefPtr table = Db->CreateTableDef(name);
        for (const Column& column : columns) {
            jet::FieldPtr field = table->CreateField(column.Name, column.Type, column.Size);
            field->SetRequired(column.Required);
            if (column.Attributes)
                field->SetAttributes(column.Attributes);
            table->Fields().Append(field);
        }
        if (!key.empty()) {
            jet::IndexPtr index = table->CreateIndex("PrimaryKey");
            index->SetPrimary(true);
            for (const std::string& field : key)
                index->Fields().Append(index->CreateField(field));
            table->Indexes().Append(index);
        }
        Db->TableDefs().Append(table);
    }

    // The configuration table of the settings store, with rows.
    void MakeConfigTable(const std::vector<std::vector<std::string>>& rows = {})
    {
        MakeTable("config", {{"ConfigName", jet::dbText, 50, true}, {"OptionName", jet::dbText, 50, true},
                             {"OptionValue", jet::dbText, 250}});
        for (const auto& row : rows)
            Db->Execute("INSERT INTO config (ConfigName, OptionName, OptionValue) VALUES (\"" + row[0] + "\", \""
                        + row[1] + "\", \"" + row[2] + "\")");
    }

    static std::vector<std::string> Values(const jet::RecordsetPtr& rs, const std::string& field)
    {
        return ValuesOf(rs, field);
    }

    std::vector<std::string> Query(const std::string& sql, const std::string& field)
    {
        return Values(Db->OpenRecordset(sql, jet::dbOpenSnapshot), field);
    }

    QTemporaryDir Folder;
    jet::DBEnginePtr Engine;
    jet::WorkspacePtr Workspace;
    jet::DatabasePtr Db;
};

using Strings = std::vector<std::string>;

} // namespace jettest
