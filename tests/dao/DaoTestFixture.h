// What the database component's tests share: a temporary working folder
// with real database files in it, the engine classes a test offers, a table
// attached to the database as the table component attaches itself, and the
// variant arrays that describe fields.
#pragma once

#include "dao/DaoDatabase.h"

#include "tests/support/OdbcConfig.h"
#include "RecordingEngine.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace daotest {

using recording::ScopedEngineClasses;

// A one-dimensional array of variants, bounds from `low`.
inline jet::Variant Array(const std::vector<jet::Variant>& items, int low = 0)
{
    auto array = jet::SafeArray::Vector(jet::varVariant, low, low + static_cast<int>(items.size()) - 1);
    for (std::size_t i = 0; i < items.size(); ++i)
        array->Put({low + static_cast<int>(i)}, items[i]);
    return jet::Variant::FromArray(array);
}

// Writes a database file of ours with the configuration table "config"
// (ConfigName text 50 required, OptionName text 50 required, OptionValue
// text 250) holding `rows` options "DEFAULT", "1" .. "n", "value 1" .. .
inline void MakeConfigDatabase(const std::string& path, int rows = 10)
{
    const auto classes = jet::MakeEngineClasses();
    const jet::DBEnginePtr engine = classes->Create("DAO.PrivateDBEngine.36");
    const jet::WorkspacePtr workspace = engine->CreateWorkspace("Maker", "Admin", "", jet::dbUseJet);
    const jet::DatabasePtr database =
        workspace->CreateDatabase(path, ";LANGID=0x0409;CP=1252;COUNTRY=0", jet::dbVersion40);
    const jet::TableDefPtr table = database->CreateTableDef("config");
    const auto addField = [&](const char* name, int size, bool required) {
        const jet::FieldPtr field = table->CreateField(name, jet::dbText, size);
        field->SetRequired(required);
        table->Fields().Append(field);
    };
    addField("ConfigName", 50, true);
    addField("OptionName", 50, true);
    addField("OptionValue", 250, false);
    database->TableDefs().Append(table);
    // One transaction: one write to disk for all the rows.
    workspace->BeginTrans();
    for (int i = 1; i <= rows; ++i)
        database->Execute("INSERT INTO config (ConfigName, OptionName, OptionValue) VALUES (\"DEFAULT\", \""
                          + std::to_string(i) + "\", \"value " + std::to_string(i) + "\")");
    workspace->CommitTrans(jet::dbForceOSFlush);
    database->Close();
    workspace->Close();
}

// A table attached to the database as the table component attaches itself:
// a dynaset over "config", placed by bookmark or by record number.
class AttachedTable : public TDaoDatabaseClient {
public:
    AttachedTable(TDaoDatabase& database, std::string name, const std::string& source = "config",
                  bool byBookmark = true)
        : Database(database), Name(std::move(name)), ByBookmark(byBookmark)
    {
        Recordset = database.DatabaseObject->OpenRecordset(source, jet::dbOpenDynaset);
        database.AddActiveTable(Name, this);
    }
    ~AttachedTable() override
    {
        if (Recordset)
            Database.RemoveActiveTable(this);
    }

    TDaoDatabase& Database;
    std::string Name;
    bool ByBookmark;
    jet::RecordsetPtr Recordset;
    bool ReadOnly = false;
    int Refreshes = 0;
    int RollbackRefreshes = 0;

    // The option name of the current record ("3" for the third).
    std::string Current() const { return Recordset->Fields().Item("OptionName")->Value().AsString(); }
    void MoveTo(int recNo) { Recordset->SetAbsolutePosition(recNo - 1); }

    void CloseByDatabase() override
    {
        Recordset->Close();
        Recordset.reset();
    }
    void RefreshData() override { ++Refreshes; }
    void RollbackRefresh() override
    {
        ++RollbackRefreshes;
        Recordset->Requery();
    }
    void SetReadOnly(bool value) override { ReadOnly = value; }
    bool IsEmpty() const override { return Recordset->RecordCount() == 0; }
    bool PlacedByBookmark() const override { return ByBookmark && Recordset->Bookmarkable(); }
    std::string GetBookmarkStr() override
    {
        const jet::Bookmark bookmark = Recordset->Bookmark();
        return std::string(bookmark.begin(), bookmark.begin() + std::min<std::size_t>(4, bookmark.size()));
    }
    // Finds the record whose bookmark begins with the handle's four bytes.
    void SetBookmarkStr(const std::string& handle) override
    {
        for (Recordset->MoveFirst(); !Recordset->Eof(); Recordset->MoveNext()) {
            const jet::Bookmark bookmark = Recordset->Bookmark();
            if (bookmark.size() >= 4 && std::equal(handle.begin(), handle.end(), bookmark.begin(),
                                                   [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
                return;
        }
        throw jet::EngineError(jet::errNotValidBookmark, "Not a valid bookmark.");
    }
    int GetRecNo() override { return static_cast<int>(Recordset->AbsolutePosition()) + 1; }
    void SetRecNo(int recNo) override { MoveTo(recNo); }
};

// Each test in a temporary working folder of its own, with the ODBC
// configuration of the tests, and the engine layer's classes for both
// versions unless it installs others.
class DaoDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OdbcConfig::Install();
        ASSERT_TRUE(Folder.isValid());
        PreviousFolder = std::filesystem::current_path();
        std::filesystem::current_path(Folder.path().toStdString());
        std::filesystem::create_directory("Config");
    }
    void TearDown() override { std::filesystem::current_path(PreviousFolder); }

    std::string Path(const std::string& name) const { return Folder.path().toStdString() + "/" + name; }

    // A component set up as the configuration store's KDBConfig is streamed.
    std::unique_ptr<TDaoDatabase> StreamedConfigDatabase()
    {
        auto database = std::make_unique<TDaoDatabase>();
        database->SetName("KDBConfig");
        database->ReadProperties(ConfigDatabaseStream());
        database->Loaded();
        return database;
    }

    static TPropertyValues ConfigDatabaseStream()
    {
        return {{"ComponentVersion", "1.00"}, {"Exclusive", "False"},
                {"DatabaseType", "Access"},   {"Database", ".\\Config\\Config.dat"},
                {"ReadOnly", "False"},        {"LoginPrompt", "False"},
                {"UserName", "Admin"},        {"UseODBCDialog", "True"},
                {"SystemDatabase", "system.mdb"}, {"SaveUserName", "True"},
                {"ShowSystemObjects", "False"}, {"SmartOpen", "True"},
                {"EngineType", "2"},          {"PrivateEngine", "False"},
                {"TrackTransactions", "True"}, {"UsesDynamicDao", "True"},
                {"Version", "3.6"},           {"VersionDetails", "3.6"},
                {"VersionInfo", "(In Access'2000 mode)"}, {"Workspace", "DaoWorkspace"},
                {"DefaultCursorDriver", "-1"}, {"QueryTimeout", "60"},
                {"MdbVersionAutoDetect", "False"}};
    }

    // A connected component on a fresh Config/Config.dat.
    std::unique_ptr<TDaoDatabase> OpenConfigDatabase(int rows = 10)
    {
        MakeConfigDatabase("Config/Config.dat", rows);
        auto database = StreamedConfigDatabase();
        database->Open();
        return database;
    }

    QTemporaryDir Folder;
    std::filesystem::path PreviousFolder;
};

} // namespace daotest
