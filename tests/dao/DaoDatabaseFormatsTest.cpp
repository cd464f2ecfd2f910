// The database component on folders of the installable formats: connected
// by their type names, linking their tables, and making tables in them.
#include "dao/DaoDatabase.h"

#include "dao/Daoapi.h"

#include "DaoTestFixture.h"
#include "SchemaText.h"

#include <filesystem>

using namespace daotest;
using namespace schematext;

namespace {

using V = jet::Variant;

class DaoFormatsTest : public DaoDatabaseTest {
protected:
    void SetUp() override
    {
        DaoDatabaseTest::SetUp();
        Config = OpenConfigDatabase(3);
        std::filesystem::create_directory(Path("dbase"));
        Config->DatabaseObject->Execute("SELECT * INTO [CUSTOMER] IN \"" + Path("dbase") + "\"[dBase IV;] FROM config");
    }
    void TearDown() override
    {
        Config.reset();
        DaoDatabaseTest::TearDown();
    }

    // A component as the store's, but for a folder of the format.
    std::unique_ptr<TDaoDatabase> FormatDatabase(const std::string& type, const std::string& folder)
    {
        auto database = StreamedConfigDatabase();
        database->SetDatabaseType(type);
        database->SetDatabase(folder);
        database->Open();
        return database;
    }

    std::unique_ptr<TDaoDatabase> Config;
};

TEST_F(DaoFormatsTest, AFolderOfTheFormatConnectsAndListsItsTables)
{
    auto database = FormatDatabase("dBASE IV", Path("dbase"));
    EXPECT_TRUE(database->Connected());
    EXPECT_EQ(database->DatabaseObject->Name(), Path("dbase"));
    EXPECT_GE(database->TableNames.IndexOf("CUSTOMER"), 0);
    EXPECT_EQ(database->DatabaseObject->OpenRecordset("CUSTOMER")->RecordCount(), 3);
    database->Close();
}

TEST_F(DaoFormatsTest, ATableFileLinksUnderALocalNameWithoutDots)
{
    Config->LinkExternalTable(Path("dbase"), "CUSTOMER.DBF", "dBASE IV;DATABASE=%s", 0);
    const jet::TableDefPtr link = Config->DatabaseObject->TableDefs().Item("CUSTOMER#DBF");
    EXPECT_EQ(link->SourceTableName(), "CUSTOMER.DBF");
    EXPECT_EQ(link->Connect(), "dBASE IV;DATABASE=" + Path("dbase"));
    EXPECT_EQ(Config->DatabaseObject->OpenRecordset("CUSTOMER#DBF")->RecordCount(), 3);
    // Written through the link, the file takes the change.
    Config->DatabaseObject->Execute("DELETE * FROM [CUSTOMER#DBF]");
    EXPECT_EQ(FormatDatabase("dBASE IV", Path("dbase"))->DatabaseObject->OpenRecordset("CUSTOMER")->RecordCount(), 0);
}

// On a Paradox folder the primary key carries the table's own name.
TEST_F(DaoFormatsTest, ParadoxTablesGetTheirPrimaryKeyUnderTheTablesName)
{
    std::filesystem::create_directory(Path("paradox"));
    auto database = FormatDatabase("Paradox 5.x", Path("paradox"));
    ASSERT_TRUE(database->CreateTable("Parts", Array({"Id", "Name"}), Array({jet::dbLong, jet::dbText}),
                                      Array({0, 20}), Array({1, 0}), Array({1, 0})));
    EXPECT_EQ(Indexes(*database, "Parts"), "Parts:PU:Id");
    ASSERT_TRUE(database->CreateIndex("Parts", "Name", 1));
    EXPECT_EQ(Indexes(*database, "Parts"), "Parts:PU:Name Name:U:Name");
    database->DatabaseObject->Execute("INSERT INTO Parts (Id, Name) VALUES (1, \"bolt\")");
    EXPECT_TRUE(std::filesystem::exists(Path("paradox/Parts.db")));
    database->Close();
    auto again = FormatDatabase("Paradox 5.x", Path("paradox"));
    EXPECT_EQ(again->DatabaseObject->OpenRecordset("SELECT Name FROM Parts")->Fields().Item(0)->Value().AsString(),
              "bolt");
}

} // namespace
