#include "dao/Daoaddons.h"

#include "DaoTestFixture.h"

#include "dao/DaoDatabase.h"
#include "platform/db/ComponentRegistry.h"

using namespace daotest;

namespace {

class DaoaddonsTest : public DaoDatabaseTest {
protected:
    void SetUp() override
    {
        DaoDatabaseTest::SetUp();
        Database = OpenConfigDatabase(3);
        Db = Database->DatabaseObject;
    }

    long RowCount(const std::string& table)
    {
        return Db->OpenRecordset("SELECT * FROM [" + table + "]", jet::dbOpenSnapshot)->RecordCount();
    }

    std::unique_ptr<TDaoDatabase> Database;
    jet::DatabasePtr Db;
};

TEST_F(DaoaddonsTest, CopyTableStructureMakesAnEmptyTableWithTheSourcesFields)
{
    EXPECT_TRUE(CopyTableStructure(Db, "config", "config copy"));
    const jet::TableDefPtr copy = Db->TableDefs().Item("config copy");
    EXPECT_EQ(copy->Fields().Count(), 3);
    EXPECT_EQ(copy->Fields().Item("OptionValue")->Size(), 250);
    EXPECT_EQ(RowCount("config copy"), 0);
    // Onto an existing name the statement fails: false, and the error kept.
    EXPECT_FALSE(CopyTableStructure(Db, "config", "config copy"));
    EXPECT_EQ(Database->GetLastDaoError().Number, jet::errTableExists);
}

TEST_F(DaoaddonsTest, CopyTableAppendsTheRowsToAnExistingTable)
{
    ASSERT_TRUE(CopyTableStructure(Db, "config", "backup"));
    EXPECT_TRUE(CopyTable(Db, "config", "backup"));
    EXPECT_TRUE(CopyTable(Db, "config", "backup"));
    EXPECT_EQ(RowCount("backup"), 6);
    EXPECT_FALSE(CopyTable(Db, "config", "missing"));
    EXPECT_FALSE(CopyTable(nullptr, "config", "backup"));
}

TEST_F(DaoaddonsTest, NamesTheBracketsCannotHoldAreRefusedAsFalse)
{
    for (const std::string& name : {std::string("a]; DROP TABLE config; --"), std::string("say \"x\"")}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(CopyTableStructure(Db, "config", name));
        EXPECT_FALSE(CopyTableStructure(Db, name, "x"));
        EXPECT_FALSE(CopyTable(Db, name, "config"));
        EXPECT_FALSE(CopyTable(Db, "config", name));
    }
    EXPECT_EQ(RowCount("config"), 3);
}

TEST_F(DaoaddonsTest, RegisterPutsTheDatabaseComponentOnTheDataAccessPage)
{
    Register();
    EXPECT_EQ(ComponentPage("TDaoDatabase"), "Data Access");
    TComponent owner;
    auto* created = dynamic_cast<TDaoDatabase*>(CreateComponent("TDaoDatabase", &owner));
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->Owner(), &owner);
    EXPECT_EQ(CreateComponent("TNoSuchComponent"), nullptr);
}

TEST(Daoaddons, GetAllDaoEnginesListsEachCreatableVersionOnce)
{
    const struct {
        std::vector<std::string> Installed;
        const char* Listed;
    } cases[] = {
        {{}, ""},
        {{"3.6"}, "3.6"},
        // The default engine is the 3.6 one: listed once.
        {{"3.5", "3.6"}, "3.5,3.6"},
    };
    for (const auto& c : cases) {
        ScopedEngineClasses classes(jet::MakeEngineClasses(c.Installed));
        EXPECT_EQ(GetAllDaoEngines()->CommaText(), c.Listed) << c.Listed;
    }
}

} // namespace
