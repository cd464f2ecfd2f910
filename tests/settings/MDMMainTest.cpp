// The main data module: its data-access components as their stored settings
// make them, and the making of a fresh Config/Config.dat.
#include "settings/MDMMain.h"

#include "tests/settings/StoreFixture.h"
#include "tests/support/ConfigFile.h"

#include <QDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string Property(const TComponent& component, const std::string& name)
{
    for (const auto& [property, value] : component.WriteProperties())
        if (property == name)
            return value;
    return "<not published>";
}

class MDMMainTest : public StoreFixture {
protected:
    static QStringList ConfigFiles() { return QDir("Config").entryList(QDir::Files); }
};

TEST_F(MDMMainTest, DataAccessComponentsCarryTheirStoredSettings)
{
    TDMMain dataModule;
    const TDaoDatabase& database = *dataModule.KDBConfig;
    const std::pair<const char*, const char*> databaseSettings[] = {
        // DatabaseType is read before Database, whose value it would empty.
        {"DatabaseType", "Access"}, {"Database", ".\\Config\\Config.dat"}, {"UserName", "Admin"},
        {"LoginPrompt", "False"},   {"Exclusive", "False"},                {"ReadOnly", "False"},
        {"Version", "3.6"},         {"SystemDatabase", "system.mdb"},      {"Workspace", "DaoWorkspace"},
        {"QueryTimeout", "60"},     {"SmartOpen", "True"},                 {"TrackTransactions", "True"},
    };
    for (const auto& [name, value] : databaseSettings)
        EXPECT_EQ(Property(database, name), value) << name;
    EXPECT_NE(database.WorkspaceObject, nullptr) << "loaded: engine and workspace are built";
    EXPECT_FALSE(database.Connected()) << "the store connects it";

    TDaoTable& table = *dataModule.KTableConfig;
    EXPECT_EQ(table.F_Get_Database(), &database);
    const std::pair<const char*, const char*> tableSettings[] = {
        {"TableName", "config"},  {"TableType", "2"},        {"LockType", "3"},
        {"ReadOnly", "False"},    {"UseBrackets", "True"},   {"DatabaseAutoActivate", "False"},
    };
    for (const auto& [name, value] : tableSettings)
        EXPECT_EQ(Property(table, name), value) << name;
    ASSERT_EQ(table.FieldDefs().Count(), 3);
    const std::tuple<const char*, int, bool> fields[] = {
        {"ConfigName", 50, true}, {"OptionName", 50, true}, {"OptionValue", 250, false}};
    for (int i = 0; i < 3; ++i) {
        const auto& [name, size, required] = fields[i];
        EXPECT_EQ(table.FieldDefs()[i].Name, name);
        EXPECT_EQ(table.FieldDefs()[i].DataType, ftString) << name;
        EXPECT_EQ(table.FieldDefs()[i].Size, size) << name;
        EXPECT_EQ(table.FieldDefs()[i].Required, required) << name;
    }
    EXPECT_FALSE(table.Active());
}

TEST_F(MDMMainTest, TableOfAFreshDatabaseRefusesRecordsWithoutTheirNames)
{
    TDMMain dataModule;
    dataModule.CreateConfigDatabase();
    EXPECT_EQ(ConfigFiles(), QStringList{"Config.dat"}) << "nothing is left beside it";
    EXPECT_EQ(Property(*dataModule.KDBConfig, "Database"), ".\\Config\\Config.dat");
    EXPECT_FALSE(dataModule.KDBConfig->Connected());

    dataModule.KDBConfig->Open();
    TDaoTable& table = *dataModule.KTableConfig;
    table.Open();
    table.Append();
    table.FieldByName("ConfigName").SetAsString("DEFAULT");
    table.FieldByName("OptionValue").SetAsString(std::string(250, 'v'));
    EXPECT_THROW(table.Post(), std::exception) << "OptionName is required";
    table.Cancel();
    AppendConfigRecords(table, {{"DEFAULT", "201", std::string(250, 'v')}});
    table.Close();
    EXPECT_EQ(DatabaseConfigRecords(), (std::vector<ConfigRecord>{{"DEFAULT", "201", std::string(250, 'v')}}));
}

TEST_F(MDMMainTest, FreshDatabaseNeverReplacesAFileNorLeavesOneBehind)
{
    struct Case {
        const char* Why;
        bool ConfigFolder;
        const char* Existing; // content of a Config.dat already there, or null
    };
    const Case cases[] = {
        {"a file of that name is there", true, "lab notes"},
        {"a database of that name is there", true, "<database>"},
        {"the Config folder is missing", false, nullptr},
    };
    for (const Case& c : cases) {
        QDir("Config").removeRecursively();
        if (c.ConfigFolder)
            QDir().mkdir("Config");
        if (c.Existing && std::string(c.Existing) == "<database>")
            CreateConfigDatabase({{"DEFAULT", "201", "4"}});
        else if (c.Existing)
            std::ofstream("Config/Config.dat") << c.Existing;
        const std::string before = ReadFile("Config/Config.dat");

        TDMMain dataModule;
        EXPECT_ANY_THROW(dataModule.CreateConfigDatabase()) << c.Why;
        EXPECT_EQ(ReadFile("Config/Config.dat"), before) << c.Why;
        EXPECT_EQ(ConfigFiles(), c.Existing ? QStringList{"Config.dat"} : QStringList{}) << c.Why;
        EXPECT_EQ(Property(*dataModule.KDBConfig, "Database"), ".\\Config\\Config.dat") << c.Why;
        EXPECT_FALSE(dataModule.KDBConfig->Connected()) << c.Why;
    }
}

} // namespace
