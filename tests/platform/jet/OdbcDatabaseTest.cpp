// ODBC sources as databases: definitions from the driver's catalog,
// statements of the engine's dialect rewritten for the source, transactions,
// errors of the driver manager, and the ODBC direct workspace.
#include "OdbcFixture.h"

#include "platform/jet/OdbcApi.h"

using namespace jettest;

namespace {

using OdbcDatabase = OdbcFixture;

TEST_F(OdbcDatabase, TablesAndViewsAreTableDefsWithFieldsAndIndexes)
{
    std::vector<std::string> names;
    for (int i = 0; i < Db->TableDefs().Count(); ++i) {
        const jet::TableDefPtr table = Db->TableDefs().Item(i);
        if ((table->Attributes() & jet::dbSystemObject) == 0)
            names.push_back(table->Name());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, Strings({"cheap", "config", "loose", "parts"}));
    EXPECT_NE(Db->TableDefs().Item("SQLITE_SEQUENCE")->Attributes() & jet::dbSystemObject, 0);

    const jet::TableDefPtr parts = Db->TableDefs().Item("Parts");  // any letter case
    EXPECT_EQ(parts->Name(), "parts");
    struct Expected {
        const char* name;
        int type;
        int size;
        bool required;
        std::string defaultValue;
        bool autoIncrement;
    };
    const Expected fields[] = {
        {"Id", jet::dbLong, 4, false, "", true},          {"Name", jet::dbText, 40, true, "\"bolt\"", false},
        {"Price", jet::dbDouble, 8, false, "", false},    {"Made", jet::dbDate, 8, false, "", false},
        {"Note", jet::dbMemo, 0, false, "", false},       {"Photo", jet::dbLongBinary, 0, false, "", false},
    };
    ASSERT_EQ(parts->Fields().Count(), 6);
    for (int i = 0; i < 6; ++i) {
        const jet::FieldPtr field = parts->Fields().Item(i);
        const Expected& want = fields[i];
        EXPECT_EQ(field->Name(), want.name);
        EXPECT_EQ(field->Type(), want.type) << want.name;
        EXPECT_EQ(field->Size(), want.size) << want.name;
        EXPECT_EQ(field->Required(), want.required) << want.name;
        EXPECT_EQ(field->DefaultValue(), want.defaultValue) << want.name;
        EXPECT_EQ((field->Attributes() & jet::dbAutoIncrField) != 0, want.autoIncrement) << want.name;
    }
    // The primary key and the unique index on Name.
    int primary = 0;
    bool nameIndex = false;
    for (int i = 0; i < parts->Indexes().Count(); ++i) {
        const jet::IndexPtr index = parts->Indexes().Item(i);
        if (index->Primary()) {
            ++primary;
            EXPECT_EQ(index->Fields().Item(0)->Name(), "Id");
        }
        if (index->Name() == "PartName") {
            nameIndex = true;
            EXPECT_TRUE(index->Unique());
            EXPECT_EQ(index->Fields().Count(), 1);
        }
    }
    EXPECT_EQ(primary, 1);
    EXPECT_TRUE(nameIndex);

    const jet::TableDefPtr config = Db->TableDefs().Item("config");
    for (int i = 0; i < config->Indexes().Count(); ++i) {
        if (config->Indexes().Item(i)->Primary()) {
            EXPECT_EQ(config->Indexes().Item(i)->Fields().Count(), 2);
        }
    }

    // Definitions change on the source through its DDL; a change of a field
    // that is there has no common form, nor has a link inside a source.
    EXPECT_EQ(ErrorOf([&] { parts->Fields().Item("Name")->SetSize(80); }), jet::errNotSupported);
    EXPECT_EQ(ErrorOf([&] { Db->CreateTableDef("New", 0, "parts", "ODBC;DSN=LabData;"); }), jet::errNotSupported);
    Db->TableDefs().Delete("loose");
    EXPECT_EQ(DirectValue("SELECT COUNT(*) FROM sqlite_master WHERE name = 'loose'"), "0");
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Item("loose"); }), jet::errItemNotFound);
}

// Another program makes a table at the source while the database is open:
// it opens by name; the TableDefs list shows it once refreshed.
TEST_F(OdbcDatabase, ATableMadeAtTheSourceLaterOpensByName)
{
    EXPECT_EQ(Db->OpenRecordset("parts", jet::dbOpenSnapshot)->Fields().Count(), 6);
    Direct("CREATE TABLE fresh (Word TEXT); INSERT INTO fresh VALUES ('new');");
    for (const int type : {jet::dbOpenTable, jet::dbOpenDynaset, jet::dbOpenSnapshot})
        EXPECT_EQ(jet::VarToStr(Db->OpenRecordset("fresh", type)->Fields().Item("Word")->Value()), "new") << type;
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("stale", jet::dbOpenSnapshot); }), jet::errInputTableNotFound);
}

// SQLite has no ALTER INDEX: a renamed index is made anew from the
// statement the source kept, whatever form its name took there.
TEST_F(OdbcDatabase, ARenamedIndexOfSqliteKeepsItsConditionWhateverItsNamesForm)
{
    const char* const forms[] = {
        "CREATE INDEX plain ON loose (Word) WHERE Word > 'a'",
        "create index if not exists \"say \"\"what\"\"\" on loose (Word) where Word > 'a'",
        "CREATE INDEX [brack ets] ON loose (Word) WHERE Word > 'a'",
        "CREATE INDEX `back` ON loose(Word) WHERE Word > 'a'",
        "CREATE INDEX main.qualified ON loose (Word) WHERE Word > 'a'",
    };
    for (const char* form : forms) {
        Direct(form);
        Db->TableDefs().Refresh();
        const jet::TableDefPtr loose = Db->TableDefs().Item("loose");
        ASSERT_EQ(loose->Indexes().Count(), 1) << form;
        loose->Indexes().Item(0)->SetName("Renamed");
        EXPECT_EQ(DirectValue("SELECT group_concat(name) FROM sqlite_master WHERE type = 'index'"
                              " AND tbl_name = 'loose'"),
                  "Renamed")
            << form;
        const std::string sql = DirectValue("SELECT sql FROM sqlite_master WHERE name = 'Renamed'");
        EXPECT_NE(sql.find("\"Renamed\""), std::string::npos) << sql;
        EXPECT_NE(sql.find("Word > 'a'"), std::string::npos) << sql;
        Direct("DROP INDEX Renamed");
    }
}

TEST_F(OdbcDatabase, ExecuteRewritesTheDialectForTheSource)
{
    Db->Execute("UPDATE [Parts] SET [price] = Price * 2 WHERE Name LIKE \"b*\" AND Made < #3/15/2024#");
    EXPECT_EQ(Db->RecordsAffected(), 1);
    EXPECT_EQ(DirectValue("SELECT Price FROM parts WHERE Name = 'bolt'"), "0.8");
    Db->Execute("DELETE * FROM loose WHERE Word = \"a\"");
    EXPECT_EQ(Db->RecordsAffected(), 1);
    // A literal % of a pattern stays literal.
    Db->Execute("INSERT INTO loose (Word) VALUES (\"50%\")");
    Db->Execute("UPDATE loose SET Word = 'x' WHERE Word LIKE \"5?%\"");
    EXPECT_EQ(Db->RecordsAffected(), 1);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("SELECT * FROM parts"); }), jet::errCannotExecuteSelect);
    // The source's own SQL, untouched.
    Db->Execute("UPDATE loose SET Word = Word || '!'", jet::dbSQLPassThrough);
    EXPECT_EQ(DirectValue("SELECT Word FROM loose ORDER BY Word"), "b!");

    // A query of the session with a parameter.
    jet::QueryDefPtr query =
        Db->CreateQueryDef("Dearer", "PARAMETERS [Least] Double; SELECT Name FROM parts WHERE Price >= [Least]");
    EXPECT_EQ(Db->QueryDefs().Count(), 1);
    EXPECT_EQ(query->Type(), jet::dbQSelect);
    EXPECT_EQ(ErrorOf([&] { query->OpenRecordset(); }), jet::errTooFewParameters);
    query->Parameters().Item("Least")->SetValue(jet::Variant("0.5"));
    EXPECT_EQ(ValuesOf(query->OpenRecordset(jet::dbOpenSnapshot), "Name"), Strings({"bolt", "gear"}));
    EXPECT_EQ(ValuesOf(Db->OpenRecordset("cheap", jet::dbOpenSnapshot), "Name"), Strings({"washer", "bolt"}));
}

TEST_F(OdbcDatabase, TransactionsCommitAndRollBackThroughTheDriver)
{
    Workspace->BeginTrans();
    Db->Execute("DELETE FROM loose");
    Workspace->BeginTrans();
    Db->Execute("INSERT INTO loose (Word) VALUES ('inner')");
    Workspace->Rollback();
    EXPECT_EQ(ValuesOf(Db->OpenRecordset("loose", jet::dbOpenSnapshot), "Word"), Strings());
    Workspace->Rollback();
    EXPECT_EQ(ValuesOf(Db->OpenRecordset("loose", jet::dbOpenSnapshot), "Word"), Strings({"a", "b"}));

    Workspace->BeginTrans();
    Db->Execute("INSERT INTO loose (Word) VALUES ('kept')");
    Workspace->CommitTrans(jet::dbForceOSFlush);
    EXPECT_EQ(DirectValue("SELECT COUNT(*) FROM loose"), "3");
}

TEST_F(OdbcDatabase, AMissingSourceGivesTheDriverManagersMessage)
{
    struct Case {
        const char* name;
        const char* connect;
        const char* message;
    };
    for (const Case& c : {Case{"NoSuch", "ODBC;DSN=NoSuch;", "Data source name not found"},
                          Case{"Archive", "ODBC;DSN=Archive;", "libtext.so"}}) {
        try {
            Workspace->OpenDatabase(c.name, true, false, c.connect);
            ADD_FAILURE() << c.name << " opened";
        } catch (const jet::EngineError& error) {
            EXPECT_EQ(error.Number(), jet::errOdbcConnectFailed);
            EXPECT_NE(error.Description().find(std::string("ODBC--connection to '") + c.name + "' failed."),
                      std::string::npos)
                << error.Description();
            EXPECT_NE(error.Description().find(c.message), std::string::npos) << error.Description();
        }
        // The driver manager's own message heads the engine's errors.
        ASSERT_GE(Engine->Errors().Count(), 2);
        EXPECT_NE(Engine->Errors().Item(0)->Description().find(c.message), std::string::npos);
        EXPECT_EQ(Engine->Errors().Item(Engine->Errors().Count() - 1)->Number(), jet::errOdbcConnectFailed);
    }
    // A statement the source refuses says why too.
    try {
        Db->Execute("UPDATE nowhere SET a = 1");
        ADD_FAILURE() << "ran";
    } catch (const jet::EngineError& error) {
        EXPECT_EQ(error.Number(), jet::errOdbcCallFailed);
        EXPECT_NE(error.Description().find("nowhere"), std::string::npos) << error.Description();
    }
}

TEST_F(OdbcDatabase, ConnectTellsTheSourceAndCloseEndsIt)
{
    EXPECT_EQ(Db->Connect().rfind("ODBC;DSN=LabData;", 0), 0u) << Db->Connect();
    EXPECT_EQ(Db->Name(), "LabData");
    EXPECT_EQ(Db->CollatingOrder(), jet::dbSortUndefined);
    EXPECT_FALSE(Db->Version().empty());
    EXPECT_EQ(Workspace->Databases().Count(), 1);
    jet::RecordsetPtr rs = Db->OpenRecordset("parts", jet::dbOpenDynaset);
    Db->Close();
    EXPECT_EQ(Workspace->Databases().Count(), 0);
    EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), jet::errObjectClosed);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("DELETE FROM loose"); }), jet::errObjectClosed);
}

TEST_F(OdbcDatabase, AnOdbcDirectWorkspaceConnectsAndKeepsItsCursorDriver)
{
    jet::WorkspacePtr direct = Engine->CreateWorkspace("Direct", "someone", "secret", jet::dbUseODBC);
    EXPECT_EQ(direct->DefaultCursorDriver(), jet::dbUseDefaultCursor);
    EXPECT_EQ(ErrorOf([&] { direct->SetDefaultCursorDriver(7); }), jet::errInvalidArgument);
    EXPECT_EQ(ErrorOf([&] { direct->CreateDatabase("x.mdb", ";LANGID=0x0409"); }), jet::errNotSupported);
    for (const int driver : {jet::dbUseODBCCursor, jet::dbUseServerCursor, jet::dbUseClientBatchCursor,
                             jet::dbUseDefaultCursor}) {
        direct->SetDefaultCursorDriver(driver);
        EXPECT_EQ(direct->DefaultCursorDriver(), driver);
        jet::DatabasePtr connection =
            direct->OpenConnection("LabData", jet::dbDriverNoPrompt, false, "ODBC;DSN=LabData;");
        jet::RecordsetPtr rs = connection->OpenRecordset("SELECT Name FROM parts ORDER BY Id", jet::dbOpenDynamic);
        EXPECT_EQ(rs->Type(), jet::dbOpenDynamic);
        EXPECT_EQ(ValuesOf(rs, "Name"), Strings({"washer", "bolt", "gear"})) << driver;
        connection->Close();
    }
    // Without cursors a source gives its rows forward, to read.
    direct->SetDefaultCursorDriver(jet::dbUseNoCursor);
    jet::DatabasePtr connection = direct->OpenConnection("", 0, false, "ODBC;DSN=LabData;");
    jet::RecordsetPtr rs = connection->OpenRecordset("parts", jet::dbOpenDynaset);
    EXPECT_EQ(rs->Type(), jet::dbOpenForwardOnly);
    EXPECT_FALSE(rs->Updatable());
    // The Jet workspace has no cursor driver, as the old engine's had none.
    EXPECT_EQ(ErrorOf([&] { Workspace->DefaultCursorDriver(); }), jet::errNotSupported);
}

TEST(OdbcConnectionString, LeavesOutTheTypeAndEmptyItemsAndNamesTheSource)
{
    EXPECT_EQ(jet::odbc::ConnectionString("ODBC;UID=Admin;PWD=;DSN=Lab;", "Lab"), "UID=Admin;DSN=Lab;");
    EXPECT_EQ(jet::odbc::ConnectionString("odbc;DSN=Lab;PWD={a;b}", ""), "DSN=Lab;PWD={a;b};");
    EXPECT_EQ(jet::odbc::ConnectionString("", "Lab"), "DSN=Lab;");
    EXPECT_EQ(jet::odbc::ConnectionString("ODBC;DRIVER=SQLite3;Database=/x.db", "ignored"),
              "DRIVER=SQLite3;Database=/x.db;");
    EXPECT_EQ(jet::odbc::ConnectionString("ODBC;", "DATABASE=;DSN="), "");
}

} // namespace
