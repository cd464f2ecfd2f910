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
    EXPECT_EQ(Names(R::LocalMachine, "SOFTWARE\\Microsoft\\JET\\4.0\\ISAM Formats", true), "(no key)");
    EXPECT_EQ(Names(R::LocalMachine, "SOFTWARE\\Microsoft\\JET\\3.5\\Engines"), "(no key)");
    EXPECT_EQ(Names(R::LocalMachine, "SOFTWARE\\ODBC\\ODBC.INI\\NoSuchSource"), "(no key)");
    EXPECT_EQ(Names(R::LocalMachine, "SOFTWARE\\ODBC\\ODBC.INI\\LabData\\Deeper"), "(no key)");
}

} // namespace
