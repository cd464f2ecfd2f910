// Linked ODBC tables and pass-through queries anywhere a table of the file
// may stand: joins with the file's tables and another source's, subqueries,
// SELECT ... INTO, INSERT INTO ... SELECT, UPDATE and DELETE with conditions.
#include "OdbcFixture.h"

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
