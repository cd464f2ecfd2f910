// Linked ODBC tables and pass-through queries anywhere a table of the file
// may stand: joins with the file's tables and another source's, subqueries,
// SELECT ... INTO, INSERT INTO ... SELECT, UPDATE and DELETE with conditions.
#include "OdbcFixture.h"

#include "platform/jet/OdbcDatabase.h"
#include "platform/jet/OdbcTableModule.h"
#include "platform/jet/SqliteConnection.h"

#include <functional>

using namespace jettest;

namespace {

class OdbcTableModule : public OdbcLinkFixture {
protected:
    void SetUp() override
    {
        OdbcLinkFixture::SetUp();
        Link("Parts", "parts", "ODBC;DSN=LabData;");
        // The same file through a second connection: another source.
        Link("Settings", "config", "ODBC;DSN=LabData;UID=second");
        Link("Loose", "loose", "ODBC;DSN=LabData;");
        for (const char* text : {"Gear", "bolt", "spring"})
            Local->Execute(std::string("INSERT INTO Notes ([Text]) VALUES (\"") + text + "\")");
    }

    Strings Rows(const std::string& sql, const std::string& field)
    {
        return ValuesOf(Local->OpenRecordset(sql, jet::dbOpenSnapshot), field);
    }
};

TEST_F(OdbcTableModule, LinkedTablesJoinAndNestWithTheFilesTablesAndAnotherSources)
{
    struct Case {
        const char* Sql;
        const char* Field;
        Strings Expected;
    };
    const Case cases[] = {
        // Texts compare as the engine compares them: "Gear" finds "gear".
        {"SELECT Parts.Name FROM Parts INNER JOIN Notes ON Parts.Name = Notes.[Text] ORDER BY Parts.Name", "Name",
         {"bolt", "gear"}},
        {"SELECT [Text] FROM Notes WHERE [Text] IN (SELECT Name FROM Parts WHERE Price > 1)", "Text", {"Gear"}},
        {"SELECT [Text] FROM Notes WHERE NOT EXISTS (SELECT * FROM Parts WHERE Parts.Name = Notes.[Text])", "Text",
         {"spring"}},
        {"SELECT Notes.[Text] FROM Notes LEFT JOIN Parts ON Notes.[Text] = Parts.Name WHERE Parts.Id IS NULL", "Text",
         {"spring"}},
        // Numbers go to the source as conditions; the answer is the same.
        {"SELECT Name FROM Parts, Notes WHERE Parts.Id = 3 AND Notes.[Text] = \"bolt\"", "Name", {"gear"}},
        {"SELECT Name FROM Parts, Notes WHERE Parts.Price >= 0.4 AND Parts.Price < 12 AND Notes.[Text] = \"bolt\"",
         "Name", {"bolt"}},
        // A linked table of another source.
        {"SELECT OptionValue FROM Settings INNER JOIN Parts ON Settings.OptionValue = Parts.Id & \"\" "
         "WHERE Parts.Name = \"gear\"", "OptionValue", {}},
        {"SELECT OptionValue FROM Settings INNER JOIN Parts ON Settings.OptionValue = Parts.Id & \"\"", "OptionValue",
         {"2"}},
        {"SELECT COUNT(*) AS N FROM Parts, Settings", "N", {"9"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Rows(c.Sql, c.Field), c.Expected) << c.Sql;
    // A dynaset over a join reads the same rows.
    EXPECT_EQ(ValuesOf(Local->OpenRecordset(cases[0].Sql, jet::dbOpenDynaset), "Name"), cases[0].Expected);
}

TEST_F(OdbcTableModule, SelectIntoCopiesALinkedTableWithItsFieldTypes)
{
    Local->Execute("SELECT Id, Name, Price, Made INTO Copy FROM Parts WHERE Price < 1");
    EXPECT_EQ(Local->RecordsAffected(), 2);
    const jet::TableDefPtr copy = Local->TableDefs().Item("Copy");
    EXPECT_TRUE(copy->Connect().empty());
    EXPECT_EQ(copy->Fields().Item("Name")->Type(), jet::dbText);
    EXPECT_EQ(copy->Fields().Item("Price")->Type(), jet::dbDouble);
    EXPECT_EQ(copy->Fields().Item("Made")->Type(), jet::dbDate);
    jet::RecordsetPtr rs = Local->OpenRecordset("SELECT * FROM Copy ORDER BY Id", jet::dbOpenSnapshot);
    EXPECT_EQ(rs->Fields().Item("Made")->Value().VarType(), jet::varDate);
    EXPECT_EQ(jet::VarToStr(rs->Fields().Item("Name")->Value()), "washer");
}

// A table linked since the session first reached its source, and read on
// after the file's own tables changed and went back.
TEST_F(OdbcTableModule, LinksReachTablesMadeLaterAndReadOnAfterTheFilesSchemaWentBack)
{
    EXPECT_EQ(Rows("SELECT Name FROM Parts, Notes WHERE Notes.[Text] = \"bolt\" ORDER BY Id", "Name"),
              Strings({"washer", "bolt", "gear"}));
    Direct("CREATE TABLE later (Id INTEGER PRIMARY KEY, Code DECIMAL(10,2));"
           "INSERT INTO later VALUES (1, '12345.67');");
    Link("Later", "later", "ODBC;DSN=LabData;");
    EXPECT_EQ(Rows("SELECT Later.Id FROM Later, Notes WHERE Notes.[Text] = \"bolt\"", "Id"), Strings({"1"}));

    struct Case {
        const char* What;
        std::function<void()> Change;
    };
    const Case cases[] = {
        {"a rollback of a transaction that made a table",
         [&] {
             Workspace->BeginTrans();
             Local->Execute("CREATE TABLE Scratch (A TEXT(5))");
             Rows("SELECT Name FROM Parts, Notes", "Name");
             Workspace->Rollback();
         }},
        // The SQLite driver says DECIMAL(10,2) is a text of 2 characters:
        // the copy's table is made, then its rows do not fit.
        {"a SELECT ... INTO that fails after making its table",
         [&] { EXPECT_NE(ErrorOf([&] { Local->Execute("SELECT Code INTO Copied FROM Later"); }), 0); }},
    };
    for (const Case& c : cases) {
        c.Change();
        EXPECT_EQ(Rows("SELECT Name FROM Parts, Notes WHERE Notes.[Text] = \"bolt\" ORDER BY Id", "Name"),
                  Strings({"washer", "bolt", "gear"}))
            << c.What;
    }
}

// A server's money column reaches the file's statements as the file keeps
// currency: its exact text, every digit.
TEST_F(OdbcTableModule, CurrencyOfASourceReachesStatementsAsItsExactText)
{
    Direct("CREATE TABLE prices (Id INTEGER PRIMARY KEY, Amount TEXT);"
           "INSERT INTO prices VALUES (1, '922337203685477.5807'), (2, '-5.25'), (3, NULL);");
    const auto source = std::dynamic_pointer_cast<jet::impl::OdbcDatabaseImpl>(Db);
    ASSERT_TRUE(source);
    jet::sqlite::Connection sql(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    jet::impl::OdbcTableModule& module = jet::impl::OdbcTableModule::Register(sql);
    jet::impl::OdbcTableSource prices{source, "prices", "", source->Describe("prices")};
    prices.Shape.Columns[1].Type = jet::dbCurrency;  // as a server describes its money type
    jet::sqlite::Statement read =
        sql.Prepare("SELECT typeof(Amount), Amount FROM " + module.Reference("Prices", prices) + " ORDER BY Id");
    Strings values;
    while (read.Step())
        values.push_back(std::string(read.ColumnText(0)) + " " + std::string(read.ColumnText(1)));
    EXPECT_EQ(values, Strings({"text 922337203685477.5807", "text -5.25", "null "}));
}

TEST_F(OdbcTableModule, InsertUpdateAndDeleteAcrossTheFileAndTheSource)
{
    Local->Execute("INSERT INTO Notes ([Text]) SELECT Name FROM Parts WHERE Price > 1");
    EXPECT_EQ(Rows("SELECT COUNT(*) AS N FROM Notes", "N"), Strings({"4"}));

    Local->Execute("INSERT INTO Parts (Name, Price) SELECT [Text], 3 FROM Notes WHERE [Text] = \"spring\"");
    EXPECT_EQ(Local->RecordsAffected(), 1);
    EXPECT_EQ(DirectValue("SELECT Price FROM parts WHERE Name = 'spring'"), "3.0");

    Local->Execute("UPDATE Parts SET Price = Price * 2 WHERE Name IN (SELECT [Text] FROM Notes) AND Price < 1");
    EXPECT_EQ(Local->RecordsAffected(), 1);
    EXPECT_EQ(DirectValue("SELECT Price FROM parts WHERE Name = 'bolt'"), "0.8");
    EXPECT_EQ(DirectValue("SELECT Price FROM parts WHERE Name = 'washer'"), "0.05");

    Local->Execute("DELETE FROM Parts WHERE EXISTS (SELECT * FROM Notes WHERE Notes.[Text] = Parts.Name)");
    EXPECT_EQ(Local->RecordsAffected(), 3);
    EXPECT_EQ(DirectValue("SELECT group_concat(Name) FROM parts"), "washer");
}

TEST_F(OdbcTableModule, WritesKeepToTheWorkspacesTransactionAndEachStatementIsWhole)
{
    Workspace->BeginTrans();
    Local->Execute("UPDATE Parts SET Price = 99 WHERE Name IN (SELECT [Text] FROM Notes)");
    Local->Execute("INSERT INTO Notes ([Text]) VALUES (\"x\")");
    Workspace->Rollback();
    EXPECT_EQ(DirectValue("SELECT MAX(Price) FROM parts"), "12.5");

    // The second row breaks the source's unique index: the first is not kept.
    Local->Execute("INSERT INTO Notes ([Text]) VALUES (\"washer\")");
    EXPECT_EQ(ErrorOf([&] { Local->Execute("INSERT INTO Parts (Name) SELECT [Text] FROM Notes ORDER BY [Text] DESC"); }),
              jet::errOdbcCallFailed);
    EXPECT_EQ(DirectValue("SELECT COUNT(*) FROM parts"), "3");
}

TEST_F(OdbcTableModule, RowsWithoutAKeyAndPassThroughRowsAreReadOnly)
{
    EXPECT_EQ(Rows("SELECT Word FROM Loose, Notes WHERE Notes.[Text] = \"bolt\" ORDER BY Word", "Word"),
              Strings({"a", "b"}));
    Local->Execute("INSERT INTO Notes ([Text]) VALUES (\"a\")");
    EXPECT_EQ(ErrorOf([&] { Local->Execute("DELETE FROM Loose WHERE Word IN (SELECT [Text] FROM Notes)"); }),
              jet::errReadOnly);

    jet::QueryDefPtr query = Local->CreateQueryDef("Tags", "");
    query->SetConnect("ODBC;DSN=LabData;");
    query->SetSQL("SELECT Name, Name || '/' || typeof(Price) AS Tag FROM parts ORDER BY Id");
    EXPECT_EQ(Rows("SELECT Tag FROM Tags INNER JOIN Notes ON Tags.Name = Notes.[Text]", "Tag"),
              Strings({"bolt/real", "gear/real"}));
    EXPECT_EQ(Rows("SELECT COUNT(*) AS N FROM Tags", "N"), Strings({"3"}));
    Local->Execute("INSERT INTO Notes ([Text]) SELECT Tag FROM Tags WHERE Name = \"washer\"");
    EXPECT_EQ(Rows("SELECT [Text] FROM Notes WHERE [Text] LIKE \"*/*\"", "Text"), Strings({"washer/real"}));
    EXPECT_EQ(ErrorOf([&] { Local->Execute("UPDATE Tags SET Tag = \"x\""); }), jet::errReadOnly);
}

} // namespace
