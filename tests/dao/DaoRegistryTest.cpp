#include "dao/DaoRegistry.h"

#include "tests/support/OdbcConfig.h"

#include <gtest/gtest.h>

using platform::TStringList;

namespace {

class DaoRegistry : public ::testing::Test {
protected:
    void SetUp() override { OdbcConfig::Install(); }

    static std::string Names(TRegistryRoot root, const std::string& key, bool subKeys = false)
    {
        TRegistry registry(root);
        TStringList names{"stale"};
        if (!registry.OpenKeyReadOnly(key))
            return "(no key)";
        subKeys ? registry.GetKeyNames(names) : registry.GetValueNames(names);
        return names.CommaText();
    }
};

TEST_F(DaoRegistry, OdbcKeysComeFromTheUnixOdbcConfiguration)
{
    using R = TRegistryRoot;
    EXPECT_EQ(Names(R::LocalMachine, "SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers"), "SQLite3,\"Text Files\"");
    // The old key has no drivers of the user.
    EXPECT_EQ(Names(R::CurrentUser, "SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers"), "(no key)");
    // Key paths compare without regard to case and may begin with "\".
    EXPECT_EQ(Names(R::LocalMachine, "\\SOFTWARE\\ODBC\\odbc.ini\\ODBC Data Sources"), "LabData,Archive");
    EXPECT_EQ(Names(R::CurrentUser, "\\SOFTWARE\\ODBC\\odbc.ini\\ODBC Data Sources"), "MyMeasures,Scratch");
}

TEST_F(DaoRegistry, DataSourceKeyHoldsItsSettings)
{
    TRegistry registry(TRegistryRoot::LocalMachine);
    ASSERT_TRUE(registry.OpenKeyReadOnly("SOFTWARE\\ODBC\\ODBC.INI\\labdata"));
    EXPECT_EQ(registry.ReadString("DBQ"), "/srv/lab/data.db");
    EXPECT_EQ(registry.ReadString("driver"), "SQLite3");
    EXPECT_EQ(registry.ReadString("Missing"), "");
    EXPECT_EQ(registry.ReadBinaryData("DBQ", 4), "/srv");

    // A user source is not a system one, and the other way round.
    EXPECT_FALSE(registry.OpenKeyReadOnly("SOFTWARE\\ODBC\\ODBC.INI\\MyMeasures"));
    EXPECT_EQ(registry.ReadString("DBQ"), "");
    registry.SetRootKey(TRegistryRoot::CurrentUser);
    ASSERT_TRUE(registry.OpenKeyReadOnly("SOFTWARE\\ODBC\\ODBC.INI\\MyMeasures"));
    EXPECT_EQ(registry.ReadString("DBQ"), "/home/op/measures.db");
    registry.CloseKey();
    EXPECT_EQ(registry.ReadString("DBQ"), "");
}

TEST_F(DaoRegistry, KeysOfTheOldEngineNeverOpen)
{
    using R = TRegistryRoot;
    EXPECT_EQ(Names(R::LocalMachine, "SOFTWARE\\Microsoft\\JET\\3.5\\Engines"), "(no key)");
    EXPECT_EQ(Names(R::LocalMachine, "SOFTWARE\\ODBC\\ODBC.INI\\NoSuchSource"), "(no key)");
    EXPECT_EQ(Names(R::LocalMachine, "SOFTWARE\\ODBC\\ODBC.INI\\LabData\\Deeper"), "(no key)");
}

TEST_F(DaoRegistry, InstallableFormatKeysListWhatTheEngineOpens)
{
    using R = TRegistryRoot;
    for (const char* version : {"3.5", "4.0"}) {
        const std::string key = std::string("SOFTWARE\\Microsoft\\JET\\") + version + "\\ISAM Formats";
        const std::string names = Names(R::LocalMachine, key, true);
        EXPECT_EQ(names.rfind("\"dBASE 5.0\",\"dBASE III\",\"dBASE IV\",\"Excel 3.0\"", 0), 0u) << names;
        EXPECT_NE(names.find("\"Paradox 7.X\",Text"), std::string::npos) << names;
        EXPECT_EQ(Names(R::CurrentUser, key, true), "(no key)");
        TRegistry registry(R::LocalMachine);
        ASSERT_TRUE(registry.OpenKeyReadOnly(key + "\\paradox 5.x"));
        EXPECT_EQ(registry.ReadString("ExportFilter"), "Paradox 5 (*.db)");
        EXPECT_EQ(registry.ReadBinaryData("OneTablePerFile", 1000), std::string(1, '\x01'));
        EXPECT_FALSE(registry.OpenKeyReadOnly(key + "\\Lotus WK3"));
        EXPECT_FALSE(registry.OpenKeyReadOnly(key + "\\Text\\Deeper"));
    }
    EXPECT_EQ(Names(R::LocalMachine, "SOFTWARE\\Microsoft\\JET\\3.0\\ISAM Formats", true), "(no key)");
}

} // namespace
