#include "JetFixture.h"

#include <sqlite3.h>

using namespace jettest;

namespace {

class Transactions : public JetFixture {
protected:
    void SetUp() override
    {
        JetFixture::SetUp();
        MakeConfigTable();
    }

    void Add(const std::string& value)
    {
        Db->Execute("INSERT INTO config (ConfigName, OptionName, OptionValue) VALUES (\"T\", \"x\", \"" + value
                    + "\")");
    }

    Strings Rows() { return Query("SELECT * FROM config ORDER BY OptionValue", "OptionValue"); }
};

// Five levels, each adding a row; rolling back level k leaves the rows of
// the levels below it.
TEST_F(Transactions, NestFiveDeepAndRollBackAtEachLevel)
{
    for (int rollbackAt = 1; rollbackAt <= jet::MaxTransactionLevels; ++rollbackAt) {
        SCOPED_TRACE(rollbackAt);
        Db->Execute("DELETE * FROM config");
        for (int level = 1; level <= jet::MaxTransactionLevels; ++level) {
            Workspace->BeginTrans();
            Add(std::to_string(level));
        }
        for (int level = jet::MaxTransactionLevels; level > rollbackAt; --level)
            Workspace->CommitTrans(jet::dbForceOSFlush);
        Workspace->Rollback();
        for (int level = rollbackAt - 1; level >= 1; --level)
            Workspace->CommitTrans();
        Strings expected;
        for (int level = 1; level < rollbackAt; ++level)
            expected.push_back(std::to_string(level));
        EXPECT_EQ(Rows(), expected);
    }
}

TEST_F(Transactions, ASixthLevelAndAnUnmatchedEndAreRefused)
{
    for (int level = 1; level <= 5; ++level)
        Workspace->BeginTrans();
    EXPECT_EQ(ErrorOf([&] { Workspace->BeginTrans(); }), jet::errTooManyTransactions);
    for (int level = 1; level <= 5; ++level)
        Workspace->Rollback();
    EXPECT_EQ(ErrorOf([&] { Workspace->CommitTrans(); }), jet::errNoTransaction);
    EXPECT_EQ(ErrorOf([&] { Workspace->Rollback(); }), jet::errNoTransaction);
}

TEST_F(Transactions, OnlyTheOutermostCommitReachesOtherConnections)
{
    auto reader = Engine->CreateWorkspace("Reader", "admin", "")->OpenDatabase(PathOf("test.mdb"));
    const auto seen = [&] { return Values(reader->OpenRecordset("config", jet::dbOpenSnapshot), "OptionValue"); };
    Workspace->BeginTrans();
    Add("a");
    Workspace->BeginTrans();
    Add("b");
    Workspace->CommitTrans();
    EXPECT_EQ(seen(), Strings());
    Workspace->CommitTrans(jet::dbForceOSFlush);
    EXPECT_EQ(seen(), Strings({"a", "b"}));
}

TEST_F(Transactions, ACommittedTransactionOutlivesTheProcessView)
{
    Workspace->BeginTrans();
    Add("kept");
    Workspace->CommitTrans(jet::dbForceOSFlush);
    Workspace->BeginTrans();
    Add("dropped");
    Workspace->Close();  // closing rolls back what is open
    auto db = Engine->CreateWorkspace("W2", "admin", "")->OpenDatabase(PathOf("test.mdb"));
    EXPECT_EQ(Values(db->OpenRecordset("config", jet::dbOpenSnapshot), "OptionValue"), Strings({"kept"}));
}

TEST_F(Transactions, CoverEveryDatabaseOfTheWorkspaceIncludingOnesOpenedInside)
{
    auto second = Workspace->CreateDatabase(PathOf("second.mdb"), "");
    jet::TableDefPtr t = second->CreateTableDef("t");
    t->Fields().Append(t->CreateField("A", jet::dbLong));
    second->TableDefs().Append(t);
    second->Close();
    Workspace->BeginTrans();
    Add("a");
    auto opened = Workspace->OpenDatabase(PathOf("second.mdb"));
    opened->Execute("INSERT INTO t (A) VALUES (1)");
    Db->Rollback();  // the database's calls are the workspace's
    EXPECT_EQ(Rows(), Strings());
    EXPECT_EQ(Values(opened->OpenRecordset("t", jet::dbOpenSnapshot), "A"), Strings());
}

TEST_F(Transactions, EngineLevelCallsRunOnEveryWorkspace)
{
    auto otherWorkspace = Engine->CreateWorkspace("Other", "admin", "");
    Engine->Workspaces().Append(otherWorkspace);
    auto other = otherWorkspace->CreateDatabase(PathOf("other.mdb"), "");
    jet::TableDefPtr t = other->CreateTableDef("t");
    t->Fields().Append(t->CreateField("A", jet::dbLong));
    other->TableDefs().Append(t);
    Engine->BeginTrans();
    Add("a");
    other->Execute("INSERT INTO t (A) VALUES (1)");
    Engine->Rollback();
    EXPECT_EQ(Rows(), Strings());
    EXPECT_EQ(Values(other->OpenRecordset("t", jet::dbOpenSnapshot), "A"), Strings());
    Engine->BeginTrans();
    Add("b");
    Engine->CommitTrans(jet::dbForceOSFlush);
    EXPECT_EQ(Rows(), Strings({"b"}));
}

// A recordset keeps the keys of rows whose insertion was rolled back; they
// answer 3167, and Requery forgets them.
TEST_F(Transactions, RolledBackRowsAnswer3167UntilRequery)
{
    Add("before");
    jet::RecordsetPtr rs = Db->OpenRecordset("config", jet::dbOpenDynaset);
    Workspace->BeginTrans();
    rs->AddNew();
    rs->Fields().Item("ConfigName")->SetValue(jet::Variant("T"));
    rs->Fields().Item("OptionName")->SetValue(jet::Variant("y"));
    rs->Update();
    Workspace->Rollback();
    rs->MoveLast();
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item(0)->Value(); }), jet::errRecordDeleted);
    rs->Requery();
    EXPECT_EQ(rs->RecordCount(), 1);
}

TEST_F(Transactions, SchemaChangesRollBackToo)
{
    Workspace->BeginTrans();
    MakeTable("Temporary", {{"A", jet::dbLong}});
    Db->TableDefs().Item("config")->Fields().Append(
        Db->TableDefs().Item("config")->CreateField("Extra", jet::dbText, 10));
    Workspace->Rollback();
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Item("Temporary"); }), jet::errItemNotFound);
    EXPECT_EQ(Db->TableDefs().Item("config")->Fields().Count(), 3);
}

// Another program holds the file (as the sqlite3 shell does with BEGIN
// EXCLUSIVE) while a transaction fails: its rollback still ends it, so the
// levels do not run out and the file takes writes once the hold ends.
TEST_F(Transactions, RollbackWhileAnotherProgramHoldsTheFileEndsTheTransaction)
{
    Db->SetLockWait(0);
    EXPECT_EQ(Db->LockWait(), 0);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(PathOf("test.mdb").c_str(), &other), SQLITE_OK);
    for (int round = 0; round <= jet::MaxTransactionLevels; ++round) {
        SCOPED_TRACE(round);
        Workspace->BeginTrans();
        ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        EXPECT_EQ(ErrorOf([&] { Add("held"); }), jet::errLocked);
        EXPECT_EQ(ErrorOf([&] { Workspace->Rollback(); }), 0);
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_close(other);
    EXPECT_EQ(ErrorOf([&] { Workspace->CommitTrans(); }), jet::errNoTransaction);
    Workspace->BeginTrans();
    Add("free");
    Workspace->CommitTrans();
    EXPECT_EQ(Rows(), Strings({"free"}));
    EXPECT_EQ(Db->TableDefs().Item("config")->Fields().Count(), 3) << "the catalog is read again";
}

} // namespace
