// A database file of ours reaching an ODBC source: tables linked from the
// source, and pass-through queries.
#include "OdbcFixture.h"

using namespace jettest;

namespace {

class OdbcLink : public OdbcFixture {
protected:
    void SetUp() override
    {
        OdbcFixture::SetUp();
        ASSERT_TRUE(Folder.isValid());
        Local = Workspace->CreateDatabase(PathOf(), ";LANGID=0x0409;CP=1252;COUNTRY=0");
        jet::TableDefPtr notes = Local->CreateTableDef("Notes");
        notes->Fields().Append(notes->CreateField("Text", jet::dbText, 50));
        Local->TableDefs().Append(notes);
    }

    std::string PathOf() const { return Folder.filePath("local.mdb").toStdString(); }

    void Link(const std::string& name, const std::string& source, const std::string& connect, int attributes = 0)
    {
        Local->TableDefs().Append(Local->CreateTableDef(name, attributes, source, connect));
    }

    QTemporaryDir Folder;
    jet::DatabasePtr Local;
};

TEST_F(OdbcLink, ALinkedTableReadsAndWritesAtTheSource)
{
    Link("Prices", "parts", "ODBC;DSN=LabData;UID=op;PWD=secret");
    const jet::TableDefPtr link = Local->TableDefs().Item("Prices");
    EXPECT_NE(link->Attributes() & jet::dbAttachedODBC, 0);
    EXPECT_EQ(link->Connect(), "ODBC;DSN=LabData;UID=op");  // the password is not kept
    EXPECT_EQ(link->SourceTableName(), "parts");
    EXPECT_EQ(link->Fields().Count(), 6);
    EXPECT_EQ(link->Fields().Item("Made")->Type(), jet::dbDate);

    jet::RecordsetPtr rs = Local->OpenRecordset("Prices");
    EXPECT_EQ(rs->Type(), jet::dbOpenDynaset);
    ASSERT_TRUE(rs->Updatable());
    rs->FindFirst("Name = \"gear\"");
    rs->Edit();
    rs->Fields().Item("Price")->SetValue(jet::Variant(11.0));
    rs->Update();
    rs->AddNew();
    rs->Fields().Item("Name")->SetValue(jet::Variant("cam"));
    rs->Update();
    EXPECT_EQ(DirectValue("SELECT Price FROM parts WHERE Name = 'gear'"), "11.0");
    EXPECT_EQ(DirectValue("SELECT COUNT(*) FROM parts WHERE Name = 'cam'"), "1");

    EXPECT_EQ(ValuesOf(Local->OpenRecordset("SELECT Name FROM [Prices] WHERE Price > 1 ORDER BY Name",
                                          jet::dbOpenSnapshot),
                     "Name"),
              Strings({"gear"}));
    Local->Execute("DELETE * FROM Prices WHERE Name = \"cam\"");
    EXPECT_EQ(Local->RecordsAffected(), 1);
    EXPECT_EQ(DirectValue("SELECT COUNT(*) FROM parts WHERE Name = 'cam'"), "0");

    // The file keeps the link: opened again, it reaches the source again.
    Local->Close();
    Local = Workspace->OpenDatabase(PathOf());
    EXPECT_EQ(ValuesOf(Local->OpenRecordset("Prices", jet::dbOpenSnapshot), "Name"),
              Strings({"washer", "bolt", "gear"}));
}

TEST_F(OdbcLink, AKeptPasswordRefreshAndWhatALinkCannotDo)
{
    Link("Kept", "loose", "ODBC;DSN=LabData;PWD=secret", jet::dbAttachSavePWD);
    EXPECT_EQ(Local->TableDefs().Item("Kept")->Connect(), "ODBC;DSN=LabData;PWD=secret");

    Link("Parts", "parts", "ODBC;DSN=LabData;");
    jet::TableDefPtr link = Local->TableDefs().Item("Parts");
    Direct("ALTER TABLE parts ADD COLUMN Weight DOUBLE");
    link->RefreshLink();
    EXPECT_EQ(Local->TableDefs().Item("Parts")->Fields().Count(), 7);

    // A source without the table, a source that is not there, a table of
    // the file joined with a linked one.
    EXPECT_EQ(ErrorOf([&] { Link("Lost", "nothing", "ODBC;DSN=LabData;"); }), jet::errInputTableNotFound);
    EXPECT_EQ(ErrorOf([&] { Link("Away", "parts", "ODBC;DSN=NoSuch;"); }), jet::errOdbcConnectFailed);
    EXPECT_EQ(ErrorOf([&] { Local->OpenRecordset("SELECT * FROM Parts, Notes"); }), jet::errNotSupported);
    EXPECT_EQ(ErrorOf([&] { Local->OpenRecordset("Parts", jet::dbOpenTable); }), jet::errInvalidOperation);
}

TEST_F(OdbcLink, TheWorkspacesTransactionCoversTheLinkedSource)
{
    Link("Parts", "parts", "ODBC;DSN=LabData;");
    Workspace->BeginTrans();
    Local->Execute("UPDATE Parts SET Price = 99");
    Local->Execute("INSERT INTO Notes ([Text]) VALUES (\"x\")");
    Workspace->Rollback();
    EXPECT_EQ(DirectValue("SELECT MAX(Price) FROM parts"), "12.5");
    EXPECT_EQ(ValuesOf(Local->OpenRecordset("Notes"), "Text"), Strings());
    Workspace->BeginTrans();
    Local->Execute("UPDATE Parts SET Price = 1 WHERE Name = \"gear\"");
    Workspace->CommitTrans();
    EXPECT_EQ(DirectValue("SELECT Price FROM parts WHERE Name = 'gear'"), "1.0");
}

TEST_F(OdbcLink, APassThroughQuerySendsItsSqlUnchangedAndIsKept)
{
    jet::QueryDefPtr query = Local->CreateQueryDef("Tags", "");
    query->SetConnect("ODBC;DSN=LabData;");
    query->SetSQL("SELECT Name || '/' || typeof(Price) AS Tag FROM parts ORDER BY Id");
    EXPECT_EQ(query->Type(), jet::dbQSQLPassThrough);
    EXPECT_EQ(query->Parameters().Count(), 0);
    jet::RecordsetPtr rs = query->OpenRecordset(jet::dbOpenDynaset);
    EXPECT_EQ(rs->Type(), jet::dbOpenSnapshot);
    EXPECT_FALSE(rs->Updatable());
    EXPECT_EQ(ValuesOf(rs, "Tag"), Strings({"washer/real", "bolt/real", "gear/real"}));
    EXPECT_EQ(ErrorOf([&] { query->Execute(); }), jet::errCannotExecuteSelect);

    jet::QueryDefPtr action = Local->CreateQueryDef("Clear", "");
    action->SetConnect("ODBC;DSN=LabData;");
    action->SetReturnsRecords(false);
    action->SetSQL("DELETE FROM loose WHERE rowid = 1");
    action->Execute();
    EXPECT_EQ(Local->RecordsAffected(), 1);
    EXPECT_EQ(DirectValue("SELECT COUNT(*) FROM loose"), "1");
    EXPECT_EQ(ErrorOf([&] { action->OpenRecordset(); }), jet::errInvalidOperation);

    // The file keeps both with their sources.
    Local->Close();
    Local = Workspace->OpenDatabase(PathOf());
    jet::QueryDefPtr kept = Local->QueryDefs().Item("Tags");
    EXPECT_EQ(kept->Connect(), "ODBC;DSN=LabData;");
    EXPECT_TRUE(kept->ReturnsRecords());
    EXPECT_FALSE(Local->QueryDefs().Item("Clear")->ReturnsRecords());
    EXPECT_EQ(ValuesOf(Local->OpenRecordset("Tags"), "Tag").size(), 3u);
    EXPECT_EQ(ErrorOf([&] { Local->OpenRecordset("SELECT * FROM Tags"); }), jet::errNotSupported);
    EXPECT_EQ(ErrorOf([&] { kept->SetConnect(";DATABASE=x.mdb"); }), jet::errInvalidOperation);
    // Without its source it is a query of the engine again.
    jet::QueryDefPtr clear = Local->QueryDefs().Item("Clear");
    clear->SetConnect("");
    clear->SetSQL("DELETE * FROM Notes");
    EXPECT_EQ(clear->Type(), jet::dbQDelete);
}

} // namespace
