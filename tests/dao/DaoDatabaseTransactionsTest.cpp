// Transactions of the database component, with the attached tables put back
// where they stood when a level began.
#include "dao/DaoDatabase.h"

#include "DaoTestFixture.h"

using namespace daotest;
namespace msg = DaoDatabaseMessages;

namespace {

long CountRows(TDaoDatabase& database)
{
    return database.DatabaseObject->OpenRecordset("config", jet::dbOpenSnapshot)->RecordCount();
}

void AddRow(TDaoDatabase& database, const std::string& option)
{
    database.DatabaseObject->Execute("INSERT INTO config (ConfigName, OptionName) VALUES (\"X\", \"" + option + "\")");
}

TEST_F(DaoDatabaseTest, NestedRollbacksPutEachTableBackLevelByLevel)
{
    auto database = OpenConfigDatabase(10);
    AttachedTable byBookmark(*database, "ByBookmark");
    AttachedTable byRecNo(*database, "ByRecNo", "config", false);

    byBookmark.MoveTo(3);
    byRecNo.MoveTo(2);
    database->StartTransaction();
    AddRow(*database, "a");
    byBookmark.MoveTo(7);
    byRecNo.MoveTo(5);
    database->StartTransaction();
    AddRow(*database, "b");
    byBookmark.MoveTo(9);
    byRecNo.MoveTo(8);
    database->StartTransaction();
    AddRow(*database, "c");
    EXPECT_EQ(database->GetTransactionCount(), 3);
    EXPECT_EQ(CountRows(*database), 13);

    database->Rollback();
    EXPECT_EQ(CountRows(*database), 12);
    EXPECT_EQ(byBookmark.Current(), "9");
    EXPECT_EQ(byRecNo.GetRecNo(), 8);
    EXPECT_EQ(database->GetTransactionCount(), 2);

    database->Rollback();
    EXPECT_EQ(CountRows(*database), 11);
    EXPECT_EQ(byBookmark.Current(), "7");
    EXPECT_EQ(byRecNo.GetRecNo(), 5);

    database->Rollback();
    EXPECT_EQ(CountRows(*database), 10);
    EXPECT_EQ(byBookmark.Current(), "3");
    EXPECT_EQ(byRecNo.GetRecNo(), 2);
    EXPECT_EQ(byBookmark.RollbackRefreshes, 3);
    EXPECT_EQ(database->GetTransactionCount(), 0);
}

TEST_F(DaoDatabaseTest, EntriesHoldEachTablesPosition)
{
    auto database = OpenConfigDatabase(10);
    AttachedTable byRecNo(*database, "Orders", "config", false);
    byRecNo.MoveTo(4);
    AttachedTable empty(*database, "Lines", "SELECT * FROM config WHERE ConfigName = \"none\"");
    database->StartTransaction();
    ASSERT_EQ(database->TransactionEntries.Count(), 1);
    EXPECT_EQ(database->TransactionEntries[0], "Orders=4,Lines=-1");

    // Tables opened inside the level join its entry with position 1.
    database->AddRNToTransaction("Details", 1);
    database->AddRNToTransaction("Notes", 1);
    database->AddRNToTransaction("Orders", 6);
    const std::string entry = database->TransactionEntries[0];
    EXPECT_EQ(entry, "Orders=6,Lines=-1,Details=1,Notes=1");
    EXPECT_EQ(database->F_GetTableRN(entry, "Details"), "1");
    EXPECT_EQ(database->F_GetTableRN(entry, "notes"), "1");
    EXPECT_EQ(database->F_GetTableRN(entry, "Missing"), "-1");

    // An empty table is not moved by a rollback.
    byRecNo.MoveTo(9);
    database->Rollback();
    EXPECT_EQ(byRecNo.GetRecNo(), 6);
    EXPECT_EQ(empty.RollbackRefreshes, 1);
}

TEST_F(DaoDatabaseTest, CommitKeepsTheRowsAndDropsTheLevel)
{
    auto classes = std::make_shared<recording::Classes>();
    ScopedEngineClasses installed(classes);
    auto database = OpenConfigDatabase(2);
    database->StartTransaction();
    database->StartTransaction();
    AddRow(*database, "kept");
    classes->Calls.clear();
    database->Commit();
    EXPECT_EQ(classes->Calls, (recording::Log{"Workspace.CommitTrans(1)"}));
    EXPECT_EQ(database->GetTransactionCount(), 1);
    database->Commit();
    EXPECT_EQ(database->GetTransactionCount(), 0);
    database->Close();
    database->Open();
    EXPECT_EQ(CountRows(*database), 3);
}

TEST_F(DaoDatabaseTest, UntrackedTransactionsKeepNoEntries)
{
    MakeConfigDatabase("Config/Config.dat", 2);
    auto database = StreamedConfigDatabase();
    database->SetTrackTransactions(false);
    database->Open();
    database->StartTransaction();
    EXPECT_EQ(database->GetTransactionCount(), 0);
    database->AddRNToTransaction("Orders", 1);
    EXPECT_EQ(database->GetTransactionCount(), 0);
    database->Commit();
    EXPECT_EQ(database->GetTransactionCount(), 0);
}

TEST_F(DaoDatabaseTest, TransactionsNeedAConnection)
{
    TDaoDatabase database;
    database.Loaded();
    try {
        database.StartTransaction();
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), msg::E1023);
    }
    try {
        database.Commit();
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), msg::E1024);
    }
    // Rolling back without a transaction is the engine's error.
    EXPECT_THROW(database.Rollback(), jet::EngineError);
    EXPECT_EQ(database.GetTransactionCount(), 0);
}

TEST_F(DaoDatabaseTest, EngineAndWorkspaceLevelsRunWithoutBookkeeping)
{
    auto classes = std::make_shared<recording::Classes>();
    ScopedEngineClasses installed(classes);
    auto database = OpenConfigDatabase(2);
    AttachedTable table(*database, "Table");
    classes->Calls.clear();

    database->GoOffline();
    database->WorkspaceLevel_StartTransaction();
    EXPECT_FALSE(database->Offline);
    AddRow(*database, "w");
    database->WorkspaceLevel_Rollback();
    database->DBEngineLevel_StartTransaction();
    AddRow(*database, "e");
    database->DBEngineLevel_Commit();
    database->DBEngineLevel_StartTransaction();
    database->DBEngineLevel_Rollback();
    EXPECT_EQ(classes->Calls,
              (recording::Log{"Workspace.BeginTrans",
                              "Execute(INSERT INTO config (ConfigName, OptionName) VALUES (\"X\", \"w\"),0)",
                              "Workspace.Rollback", "Engine.BeginTrans",
                              "Execute(INSERT INTO config (ConfigName, OptionName) VALUES (\"X\", \"e\"),0)",
                              "Engine.CommitTrans(1)", "Engine.BeginTrans", "Engine.Rollback"}));
    EXPECT_EQ(table.RollbackRefreshes, 2);
    EXPECT_EQ(database->GetTransactionCount(), 0);
    EXPECT_EQ(CountRows(*database), 3);
}

} // namespace
