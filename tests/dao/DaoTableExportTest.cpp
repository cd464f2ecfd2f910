// The table component's exports: the statements each member composes,
// taken down as the engine receives them, and the files they make, read
// back by readers that know nothing of the writers.
#include "DaoTableFixture.h"

#include "tests/platform/jet/ExportReaders.h"

#include <filesystem>
#include <fstream>
#include <regex>

using namespace daotabletest;
using namespace exportreaders;
namespace fs = std::filesystem;

namespace {

// Takes down the transaction calls and stored query creations beside the
// statements.
class TransactionRecorder : public RecordingDatabase {
public:
    using RecordingDatabase::RecordingDatabase;

    jet::QueryDefPtr CreateQueryDef(const std::string& name, const std::string& sql) override
    {
        Calls.push_back("CreateQueryDef(" + name + ")");
        return RecordingDatabase::CreateQueryDef(name, sql);
    }
    void BeginTrans() override
    {
        Calls.push_back("BeginTrans");
        RecordingDatabase::BeginTrans();
    }
    void Rollback() override
    {
        Calls.push_back("Rollback");
        RecordingDatabase::Rollback();
    }
};

class DaoTableExportTest : public DaoTableTest {
protected:
    void SetUp() override
    {
        DaoTableTest::SetUp();
        Out = PathOf("out");
        fs::create_directory(Out);
        MakeTable("Sample", {{"Id", jet::dbLong}, {"Name", jet::dbText, 20}, {"Note", jet::dbMemo},
                             {"Photo", jet::dbLongBinary}});
        Run("INSERT INTO Sample (Id, Name, Note) VALUES (1, \"Alpha\", \"first\")");
        Run("INSERT INTO Sample (Id, Name, Note) VALUES (2, \"长度 \"\"mm\"\"\", Null)");
        Run("INSERT INTO Sample (Id, Note) VALUES (3, \"多行\r\nmemo\")");
        Connect();
        Tracer = std::make_shared<TransactionRecorder>(Database->DatabaseObject);
        Database->DatabaseObject = Tracer;
    }

    TDaoTable& OpenSample()
    {
        TDaoTable& table = TableOn("Sample");
        table.Open();
        return table;
    }

    // The statements run since the last call, without their options.
    Strings Statements()
    {
        Strings statements;
        for (const std::string& call : Tracer->Calls)
            if (call.rfind("Execute(", 0) == 0)
                statements.push_back(call.substr(8, call.rfind(',') - 8));
        Tracer->Calls.clear();
        return statements;
    }

    template <class F>
    static void IgnoreErrors(F&& action)
    {
        try {
            action();
        } catch (const std::exception&) {
        }
    }

    std::string Out;
    std::shared_ptr<TransactionRecorder> Tracer;
};

TEST_F(DaoTableExportTest, EachMemberComposesItsStatement)
{
    TDaoTable& table = OpenSample();
    const std::string into = " INTO ";
    const std::string columns = "Select  [Id], [Name], [Note]";
    const std::string from = " FROM [Sample]\n;\n";
    struct Case {
        const char* Member;
        std::function<void()> Export;
        std::string Statement;
    };
    const Case cases[] = {
        {"text, dots of the name made #", [&] { table.AccessExportToTXT(Out + "/list.v1.txt", false, false); },
         columns + into + "[list#v1#txt] IN \"" + Out + "/\"[Text;]" + from},
        {"text with blobs", [&] { table.AccessExportToTXT(Out + "/all.txt", true, false); },
         "Select  [Id], [Name], [Note], [Photo] INTO [all#txt] IN \"" + Out + "/\"[Text;]" + from},
        {"HTML", [&] { table.AccessExportToHTML(Out + "/report.html", false, false); },
         columns + into + "[report.html] IN \"" + Out + "/\"[HTML Export;]" + from},
        {"Excel 3", [&] { table.AccessExportToExcel(Out + "/b3.xls", "Data", 3, false, false); },
         columns + into + "[Data] IN \"" + Out + "/b3.xls\"[Excel 3.0;]" + from},
        {"Excel 5", [&] { table.AccessExportToExcel(Out + "/b5.xls", "Data", 5, false, false); },
         columns + into + "[Data] IN \"" + Out + "/b5.xls\"[Excel 5.0;]" + from},
        {"Excel 7 writes 8.0", [&] { table.AccessExportToExcel(Out + "/b7.xls", "测量", 7, false, false); },
         columns + into + "[测量] IN \"" + Out + "/b7.xls\"[Excel 8.0;]" + from},
        {"Paradox 7", [&] { table.AccessExportToParadox(Out + "/parts.db", 7, false, false); },
         columns + into + "[parts.db] IN \"" + Out + "/\"[Paradox 7.X;]" + from},
        {"dBase III", [&] { table.AccessExportToDBase(Out + "/parts.dbf", 3, false, false); },
         columns + into + "[parts.dbf] IN \"" + Out + "/\"[dBase III;]" + from},
        {"FoxPro 3 has no type", [&] { table.AccessExportToFoxPro(Out + "/fox.dbf", 3, false, false); },
         columns + into + "[fox.dbf] IN \"" + Out + "/\"[]" + from},
        {"FoxPro 2.6", [&] { table.AccessExportToFoxPro(Out + "/fox.dbf", 26, false, false); },
         columns + into + "[fox.dbf] IN \"" + Out + "/\"[FoxPro 2.6;]" + from},
        {"database file", [&] { table.AccessExportToMDB(PathOf("other.mdb"), "Copy", false, false); },
         columns + into + "[" + PathOf("other.mdb") + "].[Copy]" + from},
    };
    Workspace->CreateDatabase(PathOf("other.mdb"), ";LANGID=0x0409;CP=1252;COUNTRY=0")->Close();
    Statements();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Member);
        IgnoreErrors(c.Export);
        EXPECT_EQ(Statements(), Strings{c.Statement});
    }
}

TEST_F(DaoTableExportTest, FilterBracketsAndAllFieldsShapeTheStatement)
{
    TDaoTable& table = OpenSample();
    table.SetFilterText("[Id] > 1");
    table.SetFiltered(true);
    table.SetUseBrackets(false);
    Statements();
    table.AccessExportToTXT("names.txt", false, false);
    EXPECT_EQ(Statements(), Strings{"Select  Id, Name, Note INTO [names#txt] IN \".\"[Text;] FROM [Sample]\n"
                                    " WHERE [Id] > 1\n;\n"});
    fs::remove("names.txt");
    table.SetExportMethod(AllFields);
    IgnoreErrors([&] { table.AccessExportToDBase(Out + "\\all.dbf", 4, false, false); });
    EXPECT_EQ(Statements(),
              Strings{"Select * INTO [all.dbf] IN \"" + Out + "\\\"[dBase IV;] FROM [Sample]\n WHERE [Id] > 1\n;\n"});
}

TEST_F(DaoTableExportTest, TextAndHtmlFilesReadBack)
{
    TDaoTable& table = OpenSample();
    table.AccessExportToTXT(Out + "/sample.csv", false, false);
    EXPECT_EQ(Lines(ReadFile(Out + "/sample.csv"), "\r\n"),
              (Strings{"\"Id\",\"Name\",\"Note\"", "1,\"Alpha\",\"first\"", "2,\"长度 \"\"mm\"\"\",", "3,,\"多行",
                       "memo\""}));
    table.AccessExportToHTML(Out + "/sample.html", false, false);
    const std::string html = ReadFile(Out + "/sample.html");
    EXPECT_NE(html.find("<TD>长度 &quot;mm&quot;</TD>"), std::string::npos);
    EXPECT_NE(html.find("<TD>多行<BR>memo</TD>"), std::string::npos);
}

TEST_F(DaoTableExportTest, WorkbooksAndTablesReadBackInIndependentReaders)
{
    TDaoTable& table = OpenSample();
    table.AccessExportToExcel(Out + "/sample.xls", "测量", 8, false, false);
    EXPECT_EQ(ReadWorkbook(Out + "/sample.xls"),
              (Strings{"sheet:测量", "Id|Name|Note", "1|Alpha|first", "2|长度 \"mm\"|-", "3|-|多行<CRLF>memo"}));

    table.AccessExportToParadox(Out + "/sample.db", 7, false, false);
    const ParadoxContents paradox = ReadParadox(Out + "/sample.db");
    EXPECT_EQ(paradox.Names, (Strings{"Id", "Name", "Note"}));
    ASSERT_EQ(paradox.Records.size(), 3u);
    EXPECT_EQ(paradox.Records[0], (Strings{"1", "Alpha", "first"}));
    EXPECT_EQ(paradox.Records[1], (Strings{"2", "长度 \"mm\"", "-"}));

    const std::string gbkName = "\xB3\xA4\xB6\xC8 \"mm\"";
    const std::string gbkMemo = "\xB6\xE0\xD0\xD0\r\nmemo";
    table.AccessExportToDBase(Out + "/base.dbf", 4, false, false);
    const DbfContents dbase = ReadDbf(Out + "/base.dbf", Out + "/base.dbt");
    EXPECT_EQ(dbase.Names, (Strings{"Id", "Name", "Note"}));
    EXPECT_EQ(dbase.Records,
              (std::vector<Strings>{{"1", "Alpha", "first"}, {"2", gbkName, ""}, {"3", "", gbkMemo}}));
    table.AccessExportToFoxPro(Out + "/fox.dbf", 26, false, false);
    EXPECT_EQ(ReadDbf(Out + "/fox.dbf", Out + "/fox.fpt").Records, dbase.Records);
}

TEST_F(DaoTableExportTest, AnotherDatabaseFileGetsTheRowsAndTheOldTableCanBeDropped)
{
    const std::string other = PathOf("other.mdb");
    Workspace->CreateDatabase(other, ";LANGID=0x0409;CP=1252;COUNTRY=0")->Close();
    TDaoTable& table = OpenSample();
    // Dropping a table that is not there yet is ignored.
    table.AccessExportToMDB(other, "Copy", true, true);
    EXPECT_NE(ErrorOf([&] { table.AccessExportToMDB(other, "Copy", true, false); }), "");
    table.AccessExportToMDB(other, "Copy", true, true);
    const jet::DatabasePtr target = Workspace->OpenDatabase(other);
    EXPECT_EQ(jettest::JetFixture::Values(target->OpenRecordset("SELECT * FROM Copy ORDER BY Id", jet::dbOpenSnapshot),
                                          "Name"),
              (Strings{"Alpha", "长度 \"mm\"", ""}));
    EXPECT_EQ(target->TableDefs().Item("Copy")->Fields().Count(), 4);
}

TEST_F(DaoTableExportTest, APathTooLongIsTheEnginesError)
{
    TDaoTable& table = OpenSample();
    const std::string longPath = Out + "/" + std::string(300, 'x') + ".mdb";
    for (bool deleteOld : {false, true}) {
        try {
            table.AccessExportToMDB(longPath, "Copy", false, deleteOld);
            ADD_FAILURE() << "no error";
        } catch (const jet::EngineError& error) {
            EXPECT_EQ(error.Number(), 3055) << error.what();
        } catch (const std::exception& error) {
            ADD_FAILURE() << "foreign error: " << error.what();
        }
    }
}

TEST_F(DaoTableExportTest, DeleteOldRemovesTheOldOutputFirst)
{
    TDaoTable& table = OpenSample();
    std::ofstream(Out + "/old.txt") << "keep";
    EXPECT_NE(ErrorOf([&] { table.AccessExportToTXT(Out + "/old.txt", false, false); }), "");
    EXPECT_EQ(ReadFile(Out + "/old.txt"), "keep");
    table.AccessExportToTXT(Out + "/old.txt", false, true);
    EXPECT_EQ(Lines(ReadFile(Out + "/old.txt"), "\r\n").size(), 5u);

    // Every file of a table written as files: the table, its memos and
    // indexes, and nothing else.
    for (const char* file : {"parts.db", "parts.mb", "parts.px", "parts.val", "keep.db", "people.dbf", "people.dbt"})
        std::ofstream(Out + "/" + file) << "old";
    table.AccessExportToParadox(Out + "/parts.db", 7, false, true);
    EXPECT_EQ(ReadParadox(Out + "/parts.db").Records.size(), 3u);
    EXPECT_FALSE(fs::exists(Out + "/parts.px"));
    EXPECT_FALSE(fs::exists(Out + "/parts.val"));
    EXPECT_EQ(ReadFile(Out + "/keep.db"), "old");
    // A name without extension names the files that the export makes.
    table.AccessExportToDBase(Out + "/people", 4, false, true);
    EXPECT_EQ(ReadDbf(Out + "/people.dbf", Out + "/people.dbt").Records.size(), 3u);
    // A folder is never removed.
    fs::create_directory(Out + "/folder");
    IgnoreErrors([&] { table.AccessExportToHTML(Out + "/folder", false, true); });
    EXPECT_TRUE(fs::is_directory(Out + "/folder"));
}

// File, sheet, table and database names went into the statement's brackets
// and quotes as they were, so a "]" or a double quote could end them early.
TEST_F(DaoTableExportTest, NamesThatWouldBreakOutOfTheStatementAreRefused)
{
    TDaoTable& table = OpenSample();
    std::ofstream(Out + "/a]b.txt") << "keep";
    const std::function<void()> exports[] = {
        [&] { table.AccessExportToTXT(Out + "/a]b.txt", false, true); },
        [&] { table.AccessExportToTXT(Out + "/q\"x/a.txt", false, true); },
        [&] { table.AccessExportToHTML(Out + "/r].html", false, true); },
        [&] { table.AccessExportToExcel(Out + "/b.xls", "Sheet]1", 8, false, true); },
        [&] { table.AccessExportToExcel(Out + "/b\".xls", "Sheet1", 8, false, true); },
        [&] { table.AccessExportToParadox(Out + "/p\"].db", 7, false, true); },
        [&] { table.AccessExportToDBase(Out + "]/d.dbf", 4, false, true); },
        [&] { table.AccessExportToFoxPro(Out + "/f].dbf", 26, false, true); },
        [&] { table.AccessExportToMDB(PathOf("x].mdb"), "Copy", false, true); },
        [&] { table.AccessExportToMDB(PathOf("other.mdb"), "Co\"py", false, true); },
    };
    Statements();
    for (const auto& run : exports) {
        EXPECT_THROW(run(), EDatabaseError);
        EXPECT_EQ(Statements(), Strings{});
    }
    EXPECT_EQ(ReadFile(Out + "/a]b.txt"), "keep");
}

TEST_F(DaoTableExportTest, TablesOfSqlTextExportThroughATemporaryStoredQuery)
{
    TDaoTable& table = TableOn("");
    table.SetSQLText("SELECT Id, Name FROM Sample WHERE Id < :top");
    table.Params().ParamByName("top").SetAsInteger(3);
    table.Open();
    Tracer->Calls.clear();
    table.AccessExportToTXT(Out + "/top.txt", false, false);
    ASSERT_EQ(Tracer->Calls.size(), 4u);
    const std::regex temporary("Query[0-9]+");
    std::smatch name;
    ASSERT_TRUE(std::regex_search(Tracer->Calls[1], name, temporary));
    EXPECT_EQ(Tracer->Calls[0], "BeginTrans");
    EXPECT_EQ(Tracer->Calls[1], "CreateQueryDef(" + name.str() + ")");
    EXPECT_EQ(Tracer->Calls[2], "Execute(Select  [Id], [Name] INTO [top#txt] IN \"" + Out + "/\"[Text;] FROM ["
                                      + name.str() + "]\n;\n,128)");
    EXPECT_EQ(Tracer->Calls[3], "Rollback");
    EXPECT_LT(Database->QueryDefNames.IndexOf(name.str()), 0);
    EXPECT_EQ(Lines(ReadFile(Out + "/top.txt"), "\r\n").size(), 3u);

    // Into another database file: no transaction around the query.
    Workspace->CreateDatabase(PathOf("other.mdb"), ";LANGID=0x0409;CP=1252;COUNTRY=0")->Close();
    Tracer->Calls.clear();
    table.AccessExportToMDB(PathOf("other.mdb"), "Top", false, false);
    ASSERT_EQ(Tracer->Calls.size(), 2u);
    EXPECT_EQ(Tracer->Calls[0].rfind("CreateQueryDef(Query", 0), 0u);

    // The query goes also when the export fails.
    Tracer->Calls.clear();
    EXPECT_EQ(ErrorOf([&] { table.AccessExportToTXT(Out + "/", false, false); }), "FileName is empty!");
    EXPECT_EQ(Tracer->Calls.back(), "Rollback");
    Database->RefreshDefinitions();
    EXPECT_EQ(Database->QueryDefNames.Count(), 0);
}

TEST_F(DaoTableExportTest, AClosedTableExportsNothing)
{
    TDaoTable& table = TableOn("Sample");
    std::ofstream(Out + "/old.txt") << "keep";
    EXPECT_EQ(ErrorOf([&] { table.AccessExportToTXT(Out + "/old.txt", false, true); }),
              "Table must be open in order to export data!");
    EXPECT_EQ(ErrorOf([&] { table.AccessExportToMDB(PathOf("other.mdb"), "Copy", false, true); }),
              "Table must be open in order to export data!");
    EXPECT_EQ(ReadFile(Out + "/old.txt"), "keep");
    EXPECT_EQ(Statements(), Strings{});
}

} // namespace
