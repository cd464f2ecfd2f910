// The table manager building stored tables from field and index
// definitions, and the placeholder dataset that holds them.
#include "dao/DaoTableManager.h"

#include "DaoTableFixture.h"
#include "SchemaText.h"
#include "tests/support/ModalAnswers.h"

using namespace daotabletest;
using namespace schematext;

namespace {

using DaoTableManagerTest = DaoTableTest;

TEST_F(DaoTableManagerTest, BuildsATableFromFieldAndIndexDefinitions)
{
    Connect();
    TDaoTableManager manager(Database.get());
    manager.TableName = "parts";
    manager.FieldDefs().Add("Id", ftAutoInc);
    manager.FieldDefs().Add("Name", ftString, 30, true);
    manager.FieldDefs().Add("Kind", ftSmallint);
    manager.FieldDefs().Add("Price", ftCurrency);
    manager.FieldDefs().Add("Code", ftString, 8);
    manager.FieldDefs().Add("Photo", ftBlob);
    manager.FieldDefs().Add("Ratio", ftFloat);
    manager.FieldDefs().Add("Made", ftTime);
    // Both primary definitions give their fields to one key, named after the
    // last; the names of a definition may carry blanks after the ";".
    manager.IndexDefs().AddIndexDef("", "Kind", ixPrimary);
    manager.IndexDefs().AddIndexDef("PK", "Id", ixPrimary | ixUnique);
    manager.IndexDefs().AddIndexDef("ByName", "Name; Kind", 0);
    manager.IndexDefs().AddIndexDef("", "Code", ixUnique);
    manager.IndexDefs().AddIndexDef("ByPrice", "Price", ixDescending);
    manager.CreateTable();
    EXPECT_EQ(Fields(*Database, "parts"),
              "Id 4 auto | Name 10 30 required | Kind 3 | Price 5 | Code 10 8 | Photo 11 | Ratio 6 | Made 8");
    EXPECT_EQ(Indexes(*Database, "parts"), "PK:PU:Kind,Id ByName::Name,Kind Code:U:Code");
    EXPECT_GE(Database->TableNames.IndexOf("parts"), 0);
}

TEST_F(DaoTableManagerTest, AppendTableAddsFieldsAndReplacesThePrimaryKey)
{
    MakeTable("parts", {{"Id", jet::dbLong}, {"Code", jet::dbText, 8}}, {"Id"});
    Connect();
    TDaoTableManager manager(Database.get());
    manager.TableName = "parts";
    manager.FieldDefs().Add("Serial", ftInteger, 0, true);
    manager.FieldDefs().Add("Note", ftMemo);
    manager.IndexDefs().AddIndexDef("BySerial", "Serial", ixPrimary);
    manager.AppendTable();
    EXPECT_EQ(Fields(*Database, "parts"), "Id 4 | Code 10 8 | Serial 4 required | Note 12");
    EXPECT_EQ(Indexes(*Database, "parts"), "BySerial:PU:Serial");
}

// A primary definition without a name asked the engine for an index named
// "", which it refuses, leaving the new table without its indexes.
TEST_F(DaoTableManagerTest, AnUnnamedPrimaryDefinitionMakesThePrimaryKey)
{
    Connect();
    TDaoTableManager manager(Database.get());
    manager.TableName = "parts";
    manager.FieldDefs().Add("Id", ftInteger);
    manager.IndexDefs().AddIndexDef("", "Id", ixPrimary);
    manager.CreateTable();
    EXPECT_EQ(Indexes(*Database, "parts"), "PrimaryKey:PU:Id");
}

TEST_F(DaoTableManagerTest, RefusesWithoutAConnectedDatabaseOrATableName)
{
    Connect();
    TDaoTableManager manager(Database.get());
    manager.FieldDefs().Add("Id", ftInteger);
    // Without index definitions there is nothing to check.
    EXPECT_EQ(ErrorOf([&] { manager.CreateIndex(); }), "");
    manager.IndexDefs().AddIndexDef("", "Id", ixUnique);
    for (const auto& build : {std::function<void()>([&] { manager.CreateTable(); }),
                              std::function<void()>([&] { manager.AppendTable(); }),
                              std::function<void()>([&] { manager.CreateIndex(); })})
        EXPECT_EQ(ErrorOf(build), "Missing TableName!");
    manager.TableName = "parts";
    Database->Close();
    EXPECT_EQ(ErrorOf([&] { manager.CreateTable(); }), "Database is not connected!");
    manager.Database = nullptr;
    EXPECT_EQ(ErrorOf([&] { manager.CheckStatus(); }), "Database property not set!");
    Database->Open();
    EXPECT_LT(Database->TableNames.IndexOf("parts"), 0);
}

TEST(DummyDatasetTest, HoldsDefinitionsAndNeverOpens)
{
    TDummyDataset dataSet;
    dataSet.FieldDefs().Add("Id", ftInteger);
    dataSet.IndexDefs().AddIndexDef("ById", "Id", ixUnique);
    EXPECT_THROW(dataSet.Open(), EDatabaseError);
    EXPECT_FALSE(dataSet.Active());
    EXPECT_FALSE(dataSet.CanModify());
    EXPECT_EQ(dataSet.RecNo(), -1);
    EXPECT_EQ(dataSet.GetBookmarkStr(), "");
    EXPECT_EQ(dataSet.FieldDefs().Count(), 1);
    EXPECT_EQ(dataSet.IndexDefs().Count(), 1);
}

// The placeholder's hooks do nothing: its definitions stay as the caller
// gave them, its records take no room, and an exception handed to it goes to
// the application's error box.
TEST(DummyDatasetTest, HooksAreInertAndExceptionsGoToTheErrorBox)
{
    class Placeholder : public TDummyDataset {
    public:
        void Report(const char* message)
        {
            try {
                throw EDatabaseError(message);
            } catch (...) {
                InternalHandleException();
            }
        }
    } dataSet;
    dataSet.FieldDefs().Add("Id", ftInteger);
    dataSet.InitFieldDefs();
    EXPECT_EQ(dataSet.FieldDefs().Count(), 1);
    EXPECT_EQ(dataSet.RecordSize(), 0);
    EXPECT_THROW(dataSet.AppendRecord({1}), EDatabaseError);
    QString message;
    ModalAnswers answers({ModalAnswers::Press(QMessageBox::Ok, &message)});
    dataSet.Report("Missing TableName!");
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_EQ(message.toStdString(), "Missing TableName!");
}

} // namespace
