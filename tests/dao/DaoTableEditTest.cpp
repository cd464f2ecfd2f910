#include "DaoTableFixture.h"

#include "platform/system/Abort.h"

namespace daotabletest {
namespace {

// The table with the hooks that a post reaches written down, and its
// record fetch and active record reachable.
class WatchedTable : public TDaoTable {
public:
    struct Posted {
        TBookmarkFlag Flag;
        bool CursorAfterLast;
    };
    std::vector<Posted> Posts;
    // The `append` of each InternalAddRecord.
    std::vector<bool> Adds;

    // GetRecord of the record after or before the cursor, into a buffer of
    // its own.
    TGetResult FetchNeighbour(TGetMode mode)
    {
        const std::unique_ptr<TRecordBuffer> buffer = AllocRecordBuffer();
        return GetRecord(*buffer, mode);
    }
    std::int32_t ActiveHandle() const { return static_cast<const TDaoRecordBuffer*>(ActiveRecord())->Handle; }

protected:
    void InternalAddRecord(TRecordBuffer& buffer, bool append) override
    {
        Adds.push_back(append);
        TDaoTable::InternalAddRecord(buffer, append);
    }
    void InternalPost() override
    {
        Posts.push_back({GetBookmarkFlag(*ActiveRecord()), Recordset()->Eof()});
        TDaoTable::InternalPost();
    }
};

// A table "keys" with a unique primary key, so that a second record of the
// same key makes the engine refuse the update.
class DaoTableEditTest : public DaoTableTest {
protected:
    TDaoTable& KeyTable()
    {
        MakeKeys();
        TDaoTable& table = TableOn("keys");
        table.Open();
        return table;
    }

    WatchedTable& WatchedKeyTable()
    {
        MakeKeys();
        auto watched = std::make_unique<WatchedTable>();
        WatchedTable& table = *watched;
        Table = std::move(watched);
        table.F_Set_Database(Database.get());
        table.F_Set_TableName("keys");
        table.Open();
        return table;
    }

    void MakeKeys()
    {
        MakeTable("keys", {{"ID", jet::dbLong, 0, true}, {"Name", jet::dbText, 20}}, {"ID"});
        Run("INSERT INTO keys (ID, Name) VALUES (1, \"one\")");
        Run("INSERT INTO keys (ID, Name) VALUES (2, \"two\")");
        Connect();
    }

    void AppendDuplicate(TDaoTable& table)
    {
        table.Append();
        table.FieldByName("ID").SetAsInteger(1);
        table.FieldByName("Name").SetAsString("again");
    }
};

TEST_F(DaoTableEditTest, PostErrorAnswersDecideWhatHappens)
{
    TDaoTable& table = KeyTable();
    std::vector<std::string> messages;
    TDataAction answer = daFail;
    table.OnPostError = [&](TDataSet&, EDatabaseError& error, TDataAction& action) {
        messages.push_back(error.what());
        action = answer;
    };

    // Abort: silent for the operator, but the post did not happen.
    answer = daAbort;
    AppendDuplicate(table);
    EXPECT_THROW(table.Post(), EAbort);
    EXPECT_EQ(table.State(), dsInsert) << "an aborted post is not a saved record";
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_FALSE(messages[0].empty());

    // Retry once the handler mended the record.
    answer = daRetry;
    table.OnPostError = [&](TDataSet& dataSet, EDatabaseError&, TDataAction& action) {
        dataSet.FieldByName("ID").SetAsInteger(3);
        action = daRetry;
    };
    table.Post();
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(Values(table, "ID"), (Strings{"1", "2", "3"}));

    // Fail: the engine's error reaches the caller and the record stays in edit.
    table.OnPostError = [&](TDataSet&, EDatabaseError&, TDataAction& action) { action = daFail; };
    table.First();
    table.Edit();
    table.FieldByName("ID").SetAsInteger(2);
    EXPECT_THROW(table.Post(), jet::EngineError);
    EXPECT_EQ(table.State(), dsEdit);
    table.Cancel();
    EXPECT_EQ(table.FieldByName("ID").AsString(), "1");
}

TEST_F(DaoTableEditTest, WithoutAHandlerTheEngineErrorPassesOnAndNothingIsWritten)
{
    TDaoTable& table = KeyTable();
    AppendDuplicate(table);
    EXPECT_THROW(table.Post(), jet::EngineError);
    table.Cancel();
    EXPECT_EQ(Values(table, "Name"), (Strings{"one", "two"}));
}

TEST_F(DaoTableEditTest, AppendRecordAndInsertRecordPostTheirValuesInOneCall)
{
    WatchedTable& table = WatchedKeyTable();
    table.AppendRecord({3, "three"});
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(table.FieldByName("Name").AsString(), "three") << "the added record is current";
    table.First();
    table.InsertRecord({4});
    EXPECT_EQ(table.FieldByName("ID").AsString(), "4");

    EXPECT_EQ(table.Adds, (std::vector<bool>{true, false}));
    ASSERT_EQ(table.Posts.size(), 2u);
    EXPECT_EQ(table.Posts[0].Flag, bfEOF);
    EXPECT_TRUE(table.Posts[0].CursorAfterLast) << "an appended record is posted from after the last record";
    EXPECT_EQ(table.Posts[1].Flag, bfInserted);
    EXPECT_FALSE(table.Posts[1].CursorAfterLast);
    const jet::RecordsetPtr stored =
        Database->DatabaseObject->OpenRecordset("SELECT ID, Name FROM keys ORDER BY ID", jet::dbOpenSnapshot, 0, -1);
    EXPECT_EQ(jettest::JetFixture::Values(stored, "ID"), (Strings{"1", "2", "3", "4"}));
    stored->MoveLast();
    EXPECT_TRUE(stored->Fields().Item("Name")->Value().IsNull()) << "a value not given is stored as Null";
    stored->Close();
}

TEST_F(DaoTableEditTest, AFailedAddIsCancelledAndLeavesTheTableWhereItStood)
{
    TDaoTable& table = KeyTable();
    table.Next();
    const std::vector<jet::Variant> refused[] = {{"abc", "not a number"}, {1, "duplicate"}};
    for (const auto& values : refused) {
        for (bool append : {true, false}) {
            EXPECT_ANY_THROW(append ? table.AppendRecord(values) : table.InsertRecord(values));
            EXPECT_EQ(table.State(), dsBrowse);
            EXPECT_EQ(table.FieldByName("Name").AsString(), "two");
        }
    }
    EXPECT_EQ(Values(table, "Name"), (Strings{"one", "two"})) << "nothing is added, then or later";
}

// In batch mode a new record makes GetRecord answer "after the last" for the
// neighbouring records at once, without moving the engine's cursor, until
// the record is posted or cancelled.
TEST_F(DaoTableEditTest, ABatchAppendFetchesNoNeighbourRecordsUntilItIsPostedOrCancelled)
{
    WatchedTable& table = WatchedKeyTable();
    table.F_SetBatchMode(true);
    for (bool post : {true, false}) {
        SCOPED_TRACE(post ? "posted" : "cancelled");
        table.Append();
        const long position = table.Recordset()->AbsolutePosition();
        EXPECT_EQ(table.FetchNeighbour(gmPrior), grEOF);
        EXPECT_EQ(table.FetchNeighbour(gmNext), grEOF);
        EXPECT_EQ(table.State(), dsInsert);
        EXPECT_EQ(table.Recordset()->AbsolutePosition(), position);
        if (post) {
            table.FieldByName("ID").SetAsInteger(3);
            table.Post();
        } else {
            table.Cancel();
        }
        table.First();
        table.Next();
        EXPECT_EQ(table.FieldByName("ID").AsString(), "2") << "the table moves again";
    }
    table.AppendRecord({4, "four"});
    table.First();
    table.Next();
    EXPECT_EQ(table.FieldByName("ID").AsString(), "2");
    table.F_SetBatchMode(false);
    EXPECT_EQ(Values(table, "ID"), (Strings{"1", "2", "3", "4"}));

    table.Append();
    EXPECT_EQ(table.FetchNeighbour(gmPrior), grError) << "outside batch mode the new record is given up";
    EXPECT_EQ(table.State(), dsBrowse);
}

TEST_F(DaoTableEditTest, AnInsertedRecordNamesTheRecordItGoesBeforeAndHasNoBookmarkYet)
{
    WatchedTable& table = WatchedKeyTable();
    table.Next();
    const TDataSet::TBookmark second = table.GetBookmark();
    const std::int32_t handle = table.ActiveHandle();
    ASSERT_NE(handle, 0);
    table.Insert();
    EXPECT_EQ(table.ActiveHandle(), handle);
    EXPECT_TRUE(table.GetBookmark().empty()) << "a record not yet posted";
    table.Cancel();
    EXPECT_EQ(table.GetBookmark(), second);
    table.Append();
    EXPECT_EQ(table.ActiveHandle(), 0) << "an appended record goes before none";
    table.Cancel();
}

TEST_F(DaoTableEditTest, EditStartsFromTheStoredValuesAndCancelKeepsThem)
{
    TDaoTable& table = KeyTable();
    table.Edit();
    table.FieldByName("Name").SetAsString("changed");
    table.Cancel();
    EXPECT_EQ(table.FieldByName("Name").AsString(), "one");
    table.Edit();
    table.Post();  // nothing assigned: nothing written
    EXPECT_EQ(Values(table, "Name"), (Strings{"one", "two"}));
}

TEST_F(DaoTableEditTest, ReadOnlyFieldsAreNeverWritten)
{
    MakeTable("numbered", {{"Id", jet::dbLong, 0, false, jet::dbAutoIncrField}, {"Name", jet::dbText, 20}}, {"Id"});
    Connect();
    TDaoTable& table = TableOn("numbered");
    table.Open();
    table.Append();
    table.FieldByName("Id").SetAsInteger(99);
    table.FieldByName("Name").SetAsString("first");
    table.Post();
    EXPECT_EQ(Values(table, "Id"), (Strings{"1"}));
}

TEST_F(DaoTableEditTest, DeletingLeavesTheNextRecordCurrentAndTheLastOneLast)
{
    TDaoTable& table = KeyTable();
    table.Delete();
    EXPECT_EQ(table.FieldByName("Name").AsString(), "two");
    EXPECT_EQ(table.RecordCount(), 1);
    table.Delete();
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_EQ(table.RecordCount(), 0);
}

TEST_F(DaoTableEditTest, EditErrorAnswersOnALockedRecord)
{
    TDaoTable& first = KeyTable();
    first.Close();
    first.F_Set_LockType(jet::dbPessimistic);
    first.Open();
    TDaoTable second;
    second.F_Set_Database(Database.get());
    second.F_Set_LockType(jet::dbPessimistic);
    second.F_Set_TableName("keys");
    second.Open();
    first.Edit();  // locks the first record

    int calls = 0;
    second.OnEditError = [&](TDataSet&, EDatabaseError& error, TDataAction& action) {
        ++calls;
        EXPECT_FALSE(std::string(error.what()).empty());
        action = daAbort;
    };
    EXPECT_THROW(second.Edit(), EAbort);
    EXPECT_EQ(second.State(), dsBrowse);
    second.OnEditError = [&](TDataSet&, EDatabaseError&, TDataAction& action) {
        ++calls;
        action = calls < 4 ? daRetry : daFail;
    };
    EXPECT_THROW(second.Edit(), jet::EngineError);
    EXPECT_EQ(calls, 4) << "two retries, then the failure";
    first.Cancel();
    second.Edit();
    EXPECT_EQ(second.State(), dsEdit);
    second.Cancel();
}

TEST_F(DaoTableEditTest, DeletingARecordAnotherUserDeletedIsSoftUnlessTheHandlerFails)
{
    TDaoTable& first = KeyTable();
    TDaoTable second;
    second.F_Set_Database(Database.get());
    second.F_Set_TableName("keys");
    second.Open();
    second.Delete();  // the first record, under the first table's feet
    first.Delete();
    EXPECT_EQ(Values(first, "Name"), (Strings{"two"}));

    first.First();
    second.Delete();
    std::string message;
    first.OnDeleteError = [&](TDataSet&, EDatabaseError& error, TDataAction& action) {
        message = error.what();
        action = daFail;
    };
    EXPECT_THROW(first.Delete(), jet::EngineError);
    EXPECT_EQ(message, "Record is deleted.");
    EXPECT_TRUE(first.IsEmpty()) << "the table refreshed itself";
}

TEST_F(DaoTableEditTest, ARollbackShowsTheFileAgainWhereTheTableStood)
{
    MakeConfigTable(4);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();
    table.MoveBy(2);
    Database->StartTransaction();
    table.Next();
    table.Delete();
    AppendOption(table, "new");
    Database->Rollback();
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "3");
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "2", "3", "4"}));
}

TEST_F(DaoTableEditTest, SqlTextsWithParametersOpenAndExecute)
{
    TDaoTable& keys = KeyTable();
    keys.Close();
    TDaoTable query;
    query.F_Set_Database(Database.get());
    query.SetSQLText("SELECT * FROM keys WHERE Name = :name OR ID = :id");
    ASSERT_EQ(query.Params().Count(), 2);
    query.Params().ParamByName("name").DataType = ftString;
    query.Params().ParamByName("name").SetAsString("two");
    query.Params().ParamByName("id").DataType = ftInteger;
    query.Params().ParamByName("id").SetAsString("1) OR (1=1");
    EXPECT_THROW(query.Open(), platform::EConvertError);
    EXPECT_FALSE(query.Active());
    query.Params().ParamByName("id").SetAsInteger(1);
    query.Open();
    EXPECT_EQ(Values(query, "Name"), (Strings{"one", "two"}));
    query.Close();

    // A colon inside a quoted literal is text: the value cannot rewrite it.
    query.SetSQLText("SELECT * FROM keys WHERE Name = ':name' OR Name = :name");
    ASSERT_EQ(query.Params().Count(), 1);
    query.Params().ParamByName("name").DataType = ftString;
    query.Params().ParamByName("name").SetAsString("' OR 1=1 OR '");
    query.Open();
    EXPECT_EQ(query.RecordCount(), 0);
    query.Close();

    EXPECT_EQ(query.ExecSQLString("UPDATE keys SET Name = \"x\" WHERE ID = 2"), 1);
    EXPECT_EQ(query.FRecordsAffected, 1);
    Database->Close();
    query.FRecordsAffected = 5;
    EXPECT_EQ(ErrorOf([&] { query.ExecSQLString("DELETE * FROM keys"); }),
              "TDaoTable.ExecSQL: Cannot execute SQL query while Database is not Assigned or Connected!");
    EXPECT_EQ(query.FRecordsAffected, 0);
    EXPECT_EQ(ErrorOf([&] { query.ExecuteSQL(); }),
              "TDaoTable.ExecuteSQL: Cannot execute SQL query while Database is not Assigned or Connected!");
}

TEST_F(DaoTableEditTest, StoredQueriesTakeTheirParametersFromLines)
{
    MakeTable("keys", {{"ID", jet::dbLong}, {"Name", jet::dbText, 20}});
    Run("INSERT INTO keys (ID, Name) VALUES (1, \"one\")");
    Run("INSERT INTO keys (ID, Name) VALUES (2, \"two\")");
    Db->CreateQueryDef("ByRange", "PARAMETERS lo Long, hi Long; SELECT * FROM keys WHERE ID >= lo AND ID <= hi");
    Db->CreateQueryDef("Rename", "PARAMETERS newName Text; UPDATE keys SET Name = newName");
    Connect();
    TDaoTable table;
    table.F_Set_Database(Database.get());
    table.F_Set_TableType(jet::dbOpenTable);
    table.F_Set_QueryDefName("ByRange");
    EXPECT_EQ(table.TableType(), jet::dbOpenDynaset);
    EXPECT_EQ(table.F_Get_QueryDefType(), "dbQSelect");
    EXPECT_FALSE(table.QueryDefSQLText().Text().empty());
    table.F_Set_QueryDefParameters(TStringList{"2"});
    EXPECT_EQ(ErrorOf([&] { table.Open(); }),
              "TDaoTable.OpenDaoRecordset: Invalid number of QueryDef parameters or parameter is not in valid format!");
    table.F_Set_QueryDefParameters(TStringList{"2", "5"});
    table.Open();
    EXPECT_EQ(Values(table, "Name"), (Strings{"two"}));
    EXPECT_EQ(ErrorOf([&] { table.F_Set_QueryDefName("Rename"); }),
              "TDaoTable.F_Set_QueryDefName: Cannot set QueryDefName while Table is Active!");
    table.Close();

    TStringList names, daoTypes, bdeTypes;
    table.GetQueryDefParameters(names, daoTypes, bdeTypes);
    EXPECT_EQ(names, (TStringList{"lo", "hi"}));
    EXPECT_EQ(daoTypes, (TStringList{"dbLong", "dbLong"}));

    table.F_Set_QueryDefName("Rename");
    table.F_Set_QueryDefParameters(TStringList{"renamed"});
    EXPECT_EQ(table.ExecuteQueryDefSQL(), 2);
    EXPECT_TRUE(table.FQueryDefReturnParams.IsNull()) << "no output parameters";
    table.F_Set_QueryDefName("");
    EXPECT_EQ(ErrorOf([&] { table.ExecuteQueryDefSQL(); }),
              "TDaoTable.ExecuteQueryDefSQL: Cannot execute QueryDef - properties not assigned!");
}

TEST_F(DaoTableEditTest, ADetailReopensWithTheTablesOwnTypeAndOptions)
{
    TDaoTable& keys = KeyTable();
    keys.Close();
    TDaoTable detail;
    detail.F_Set_Database(Database.get());
    detail.SetSQLText("SELECT * FROM keys");
    detail.Open();
    detail.ReOpenDaoRecordset("[ID] = 2");
    EXPECT_EQ(detail.Recordset()->Type(), jet::dbOpenDynaset);
    EXPECT_EQ(Values(detail, "Name"), (Strings{"two"})) << "not an empty append-only recordset";

    TDaoTable& byName = TableOn("keys");
    byName.Open();
    byName.ReOpenDaoRecordset("[ID] = 1");
    EXPECT_EQ(Recorder->Calls.back(), "OpenRecordset(Select * From [keys] Where [ID] = 1;,2,0,3)");
}

TEST_F(DaoTableEditTest, ASortedTableRequeriedAfterAPostShowsTheNewRecordInItsPlace)
{
    MakeConfigTable(3);
    Connect();
    const struct {
        bool RefreshSorted;
        int RecNo;
    } cases[] = {
        {true, 1},
        // Without the requery the new record stays where it was added.
        {false, 4},
    };
    for (const auto& c : cases) {
        TDaoTable& table = ConfigTable();
        table.SetRefreshSorted(c.RefreshSorted);
        table.F_Set_Sort(TStringList{"OptionName DESC"});
        table.Open();
        table.Last();
        AppendOption(table, "4");
        EXPECT_EQ(table.FieldByName("OptionName").AsString(), "4") << c.RefreshSorted;
        EXPECT_EQ(table.RecNo(), c.RecNo) << c.RefreshSorted;
        if (c.RefreshSorted)
            EXPECT_EQ(Values(table, "OptionName"), (Strings{"4", "3", "2", "1"}));
        table.Locate("OptionName", "4", 0);
        table.Delete();
        table.Close();
    }
}

} // namespace
} // namespace daotabletest
