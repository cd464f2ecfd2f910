#include "ExportReaders.h"
#include "JetFixture.h"
#include "PxlibRead.h"

#include <cstring>
#include <QProcess>

#include <filesystem>
#include <fstream>

using namespace jettest;

namespace {

namespace fs = std::filesystem;

// A value as the tests compare it: "-" for Null, else its text.
std::string Shown(const jet::Variant& value)
{
    return value.IsClear() ? "-" : value.AsString();
}

// The rows of a recordset ordered as asked, each "a|b|c".
std::vector<std::string> Rows(const jet::DatabasePtr& db, const std::string& sql)
{
    std::vector<std::string> rows;
    jet::RecordsetPtr rs = db->OpenRecordset(sql, jet::dbOpenSnapshot);
    for (; !rs->Eof(); rs->MoveNext()) {
        std::string line;
        for (int i = 0; i < rs->Fields().Count(); ++i)
            line += (i ? "|" : "") + Shown(rs->Fields().Item(i)->Value());
        rows.push_back(line);
    }
    return rows;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

struct FormatCase {
    const char* Format;
    bool Workbook;       // the target is a workbook file, not a folder
    const char* Table;   // the table's name once opened
    bool OneTable;       // a worksheet file: one table only
    bool LongMemo;       // the format keeps texts past 255 bytes
    const char* Paid[2]; // how the booleans come back
};

const FormatCase Formats[] = {
    {"Text", false, "Items#txt", false, true, {"True", "False"}},
    {"dBASE III", false, "Items", false, true, {"True", "False"}},
    {"dBASE IV", false, "Items", false, true, {"True", "False"}},
    {"dBASE 5.0", false, "Items", false, true, {"True", "False"}},
    {"FoxPro 2.6", false, "Items", false, true, {"True", "False"}},
    {"FoxPro 3.0", false, "Items", false, true, {"True", "False"}},
    {"Paradox 4.X", false, "Items", false, true, {"-1", "0"}},
    {"Paradox 5.X", false, "Items", false, true, {"True", "False"}},
    {"Paradox 7.X", false, "Items", false, true, {"True", "False"}},
    {"Excel 3.0", true, "book", true, false, {"True", "False"}},
    {"Excel 4.0", true, "book", true, false, {"True", "False"}},
    {"Excel 5.0", true, "Items", false, false, {"True", "False"}},
    {"Excel 8.0", true, "Items", false, true, {"True", "False"}},
};

class FormatDatabase : public JetFixture {
protected:
    void SetUp() override
    {
        JetFixture::SetUp();
        MakeTable("Items", {{"Code", jet::dbText, 10}, {"Qty", jet::dbLong}, {"Price", jet::dbDouble},
                            {"Paid", jet::dbBoolean}, {"Placed", jet::dbDate}, {"Note", jet::dbMemo}});
        Db->Execute("INSERT INTO Items VALUES (\"A1\", 3, 1.5, True, #2/3/2001#, \"short\")");
        Db->Execute("INSERT INTO Items VALUES (\"B2\", Null, 2.25, False, Null, Null)");
        Db->Execute("INSERT INTO Items VALUES (\"C\xC3\xA9\xE4\xB8\xAD\", 12, Null, Null, #12/31/1999#, \"" + LongNote
                    + "\")");
    }

    // Exports Items in the format and answers the folder or workbook to open.
    std::string Export(const FormatCase& format)
    {
        const std::string folder = PathOf(std::string("out-") + format.Format);
        fs::create_directory(folder);
        const std::string target = format.Workbook ? folder + "/book.xls" : folder;
        if (!format.LongMemo && Db->QueryDefs().Count() == 0)
            Db->CreateQueryDef("ShortItems", "SELECT Code, Qty, Price, Paid, Placed, \"short\" AS Note FROM Items");
        Db->Execute("SELECT * INTO [Items] IN \"" + target + "\"[" + format.Format + ";] FROM "
                    + (format.LongMemo ? "Items" : "ShortItems"));
        return target;
    }

    std::vector<std::string> Expected(const FormatCase& format) const
    {
        return {"A1|3|1.5|" + std::string(format.Paid[0]) + "|02/03/2001|short",
                "B2|-|2.25|" + std::string(format.Paid[1]) + "|-|" + (format.LongMemo ? "-" : "short"),
                "C\xC3\xA9\xE4\xB8\xAD|12|-|-|12/31/1999|" + (format.LongMemo ? LongNote : std::string("short"))};
    }

    const std::string LongNote = std::string(150, 'x') + "\xE4\xB8\xAD" + std::string(150, 'y');
};

TEST_F(FormatDatabase, EachFormatReadsBackWhatTheExportWrote)
{
    for (const FormatCase& format : Formats) {
        SCOPED_TRACE(format.Format);
        const std::string target = Export(format);
        jet::DatabasePtr db = Workspace->OpenDatabase(target, false, false, std::string(format.Format) + ";");
        EXPECT_EQ(db->Name(), target);
        jet::TableDefPtr table = db->TableDefs().Item(format.Table);
        ASSERT_EQ(table->Fields().Count(), 6);
        EXPECT_TRUE(jet::SameName(table->Fields().Item(0)->Name(), "Code"));
        EXPECT_EQ(table->Fields().Item(0)->Type(), jet::dbText);
        EXPECT_EQ(table->Fields().Item(4)->Type(), jet::dbDate);
        EXPECT_EQ(Rows(db, std::string("SELECT * FROM [") + format.Table + "] ORDER BY Code"), Expected(format));
        // SQL of every kind runs on it, a crosstab too.
        EXPECT_EQ(Rows(db, std::string("TRANSFORM Count(*) SELECT Code FROM [") + format.Table
                               + "] WHERE Qty > 5 GROUP BY Code PIVOT Qty"),
                  (std::vector<std::string>{"C\xC3\xA9\xE4\xB8\xAD|1"}));
        db->Close();
    }
}

TEST_F(FormatDatabase, EveryFormatKeepsEditsInItsFiles)
{
    for (const FormatCase& format : Formats) {
        SCOPED_TRACE(format.Format);
        const std::string target = Export(format);
        const std::string connect = std::string(format.Format) + ";";
        const std::string table = std::string("[") + format.Table + "]";
        jet::DatabasePtr db = Workspace->OpenDatabase(target, false, false, connect);
        jet::RecordsetPtr rs = db->OpenRecordset(format.Table, jet::dbOpenDynaset);
        rs->AddNew();
        rs->Fields().Item("Code")->SetValue(jet::Variant("New"));
        rs->Fields().Item("Qty")->SetValue(jet::Variant(7));
        rs->Update();
        rs->Close();
        db->Execute("UPDATE " + table + " SET Qty = 4 WHERE Code = \"A1\"");
        db->Execute("DELETE * FROM " + table + " WHERE Code = \"B2\"");
        // A transaction's changes reach the files only when it commits, and not at all when rolled back.
        Workspace->BeginTrans();
        db->Execute("DELETE * FROM " + table);
        Workspace->Rollback();
        db->Close();

        jet::DatabasePtr again = Workspace->OpenDatabase(target, false, false, connect);
        EXPECT_EQ(Rows(again, "SELECT Code, Qty FROM " + table + " ORDER BY Code"),
                  (std::vector<std::string>{"A1|4", "C\xC3\xA9\xE4\xB8\xAD|12", "New|7"}));
        if (format.OneTable) {
            // A worksheet file holds one sheet: while there is a second
            // table the file cannot be written.
            EXPECT_EQ(ErrorOf([&] { again->Execute("CREATE TABLE Extra (Name TEXT(20))"); }), jet::errNotSupported);
            EXPECT_EQ(ErrorOf([&] { again->Execute("ALTER TABLE " + table + " DROP COLUMN Note"); }),
                      jet::errNotSupported);
            again->Execute("DROP TABLE Extra");
            again->Close();
            EXPECT_EQ(Workspace->OpenDatabase(target, false, false, connect)->TableDefs().Item(format.Table)->Fields().Count(),
                      5);
            continue;
        }
        // Data definition makes, changes and removes files too.
        again->Execute("CREATE TABLE Extra (Name TEXT(20), Amount DOUBLE)");
        again->Execute("INSERT INTO Extra VALUES (\"x\", 1.25)");
        again->Execute("ALTER TABLE " + table + " DROP COLUMN Note");
        again->Close();
        jet::DatabasePtr third = Workspace->OpenDatabase(target, false, false, connect);
        const std::string extra = std::string(format.Format) == "Text" ? "Extra#txt" : "Extra";
        EXPECT_EQ(Rows(third, "SELECT * FROM [" + extra + "]"), (std::vector<std::string>{"x|1.25"}));
        EXPECT_EQ(third->TableDefs().Item(format.Table)->Fields().Count(), 5);
        third->Execute("DROP TABLE [" + extra + "]");
        third->Close();
        EXPECT_EQ(ErrorOf([&] {
                      Workspace->OpenDatabase(target, false, false, connect)->TableDefs().Item(extra);
                  }),
                  jet::errItemNotFound);
    }
}

TEST_F(FormatDatabase, LinkedTablesReadAndWriteTheirFiles)
{
    std::vector<std::string> targets;
    for (const FormatCase& format : Formats)
        targets.push_back(Export(format));
    for (const FormatCase& format : Formats) {
        SCOPED_TRACE(format.Format);
        const std::string target = targets[static_cast<std::size_t>(&format - Formats)];
        // A database of its own for each link: a database attaches at most ten files.
        Db->Close();
        Db = Workspace->CreateDatabase(PathOf(std::string("links ") + format.Format + ".mdb"), ";LANGID=0x0409;CP=1252;COUNTRY=0");
        MakeTable("Items", {{"Code", jet::dbText, 10}});
        for (const char* code : {"A1", "B2", "C\xC3\xA9\xE4\xB8\xAD"})
            Db->Execute(std::string("INSERT INTO Items VALUES (\"") + code + "\")");
        const std::string localName = "Linked";
        jet::TableDefPtr link = Db->CreateTableDef(localName, 0, format.Table,
                                                   std::string(format.Format) + ";DATABASE=" + target);
        Db->TableDefs().Append(link);
        EXPECT_EQ(Rows(Db, "SELECT Code, Qty FROM [" + localName + "] ORDER BY Code"),
                  (std::vector<std::string>{"A1|3", "B2|-", "C\xC3\xA9\xE4\xB8\xAD|12"}));
        EXPECT_EQ(Rows(Db, "SELECT Count(*) FROM Items INNER JOIN [" + localName + "] ON Items.Code = ["
                               + localName + "].Code"),
                  (std::vector<std::string>{"3"}));
        Db->Execute("UPDATE [" + localName + "] SET Qty = 99 WHERE Code = \"A1\"");
        jet::DatabasePtr files = Workspace->OpenDatabase(target, false, true, std::string(format.Format) + ";");
        EXPECT_EQ(Rows(files, std::string("SELECT Qty FROM [") + format.Table + "] WHERE Code = \"A1\""),
                  (std::vector<std::string>{"99"}));
        files->Close();
    }
}

// An UPDATE through a join that sets fields of a linked file's table, or of a
// file opened as the database, reaches the file.
TEST_F(FormatDatabase, UpdatesThroughJoinsReachTheFiles)
{
    std::vector<std::pair<const FormatCase*, std::string>> targets;
    for (const FormatCase& format : Formats)
        if (std::string(format.Format) == "Text" || std::string(format.Format) == "dBASE IV"
            || std::string(format.Format) == "Excel 8.0")
            targets.emplace_back(&format, Export(format));
    for (const auto& [formatCase, target] : targets) {
        const FormatCase& format = *formatCase;
        SCOPED_TRACE(format.Format);
        const std::string connect = std::string(format.Format) + ";";
        const std::string table = std::string("[") + format.Table + "]";
        jet::DatabasePtr files = Workspace->OpenDatabase(target, false, false, connect);
        files->Execute("SELECT Code, Qty * 2 AS Twice INTO Doubled FROM " + table);
        files->Execute("UPDATE " + table + " AS i INNER JOIN Doubled AS d ON i.Code = d.Code SET i.Qty = d.Twice WHERE d.Twice > 6");
        EXPECT_EQ(files->RecordsAffected(), 1);
        files->Close();
        files = Workspace->OpenDatabase(target, false, true, connect);
        EXPECT_EQ(Rows(files, "SELECT Code, Qty FROM " + table + " ORDER BY Code"),
                  (std::vector<std::string>{"A1|3", "B2|-", "C\xC3\xA9\xE4\xB8\xAD|24"}));
        files->Close();

        Db->Close();
        Db = Workspace->CreateDatabase(PathOf(std::string("join ") + format.Format + ".mdb"), ";LANGID=0x0409;CP=1252;COUNTRY=0");
        MakeTable("Counts", {{"Code", jet::dbText, 10}, {"Counted", jet::dbLong}});
        Db->Execute("INSERT INTO Counts VALUES (\"A1\", 5)");
        Db->Execute("INSERT INTO Counts VALUES (\"B2\", 6)");
        Db->TableDefs().Append(Db->CreateTableDef("Linked", 0, format.Table, std::string(format.Format) + ";DATABASE=" + target));
        Db->Execute("UPDATE Counts INNER JOIN Linked ON Counts.Code = Linked.Code SET Linked.Qty = Counts.Counted + 100");
        EXPECT_EQ(Db->RecordsAffected(), 2);
        files = Workspace->OpenDatabase(target, false, true, connect);
        EXPECT_EQ(Rows(files, "SELECT Code, Qty FROM " + table + " ORDER BY Code"),
                  (std::vector<std::string>{"A1|105", "B2|106", "C\xC3\xA9\xE4\xB8\xAD|24"}));
        files->Close();
    }
}

// A Paradox 3 folder takes changes like the later versions, in its own
// layout and code page.
TEST_F(FormatDatabase, Paradox3TablesAreWrittenBack)
{
    Db->Execute("DELETE * FROM Items WHERE Code <> \"A1\"");
    const std::string folder = PathOf("px3");
    fs::create_directory(folder);
    Db->Execute("SELECT Code, Qty, Price, Placed, Note INTO [Items] IN \"" + folder + "\"[Paradox 3.X;] FROM Items");
    jet::DatabasePtr db = Workspace->OpenDatabase(folder, false, false, "Paradox 3.X;");
    db->Execute("INSERT INTO Items (Code, Qty, Note) VALUES (\"\xC3\x9C" "ber\", 5, \"caf\xC3\xA9\")");
    db->Execute("UPDATE Items SET Price = 9.75 WHERE Code = \"A1\"");
    db->Close();
    const std::vector<std::string> file = PxlibRead(folder + "/Items.db");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.front(), "version 30");
    EXPECT_EQ(std::vector<std::string>(file.end() - 2, file.end()),
              (std::vector<std::string>{"record A1|3|9.75|2001-02-03|short", "record \x9A" "ber|5|-|-|caf\x82"}));
    jet::DatabasePtr again = Workspace->OpenDatabase(folder, false, true, "Paradox 3.X;");
    EXPECT_EQ(Rows(again, "SELECT Code, Qty, Price, Note FROM Items ORDER BY Code"),
              (std::vector<std::string>{"A1|3|9.75|short", "\xC3\x9C" "ber|5|-|caf\xC3\xA9"}));
}

// A Paradox table with a primary key is written keyed: its key fields first,
// its records in key order, its primary index beside it; without a key it
// has no index file.
TEST_F(FormatDatabase, ParadoxPrimaryKeysReachTheFiles)
{
    for (const char* format : {"Paradox 3.X", "Paradox 4.X", "Paradox 5.X", "Paradox 7.X"}) {
        SCOPED_TRACE(format);
        const std::string folder = PathOf(std::string("keyed ") + format);
        fs::create_directory(folder);
        const std::string connect = std::string(format) + ";";
        jet::DatabasePtr db = Workspace->OpenDatabase(folder, false, false, connect);
        db->Execute("CREATE TABLE Parts (Name TEXT(20), Code TEXT(8) CONSTRAINT Key PRIMARY KEY, Qty LONG)");
        for (const char* code : {"m", "c", "x", "a"})
            db->Execute(std::string("INSERT INTO Parts VALUES (\"part ") + code + "\", \"" + code + "\", 1)");
        db->Close();
        const std::string number = std::string(format) < "Paradox 5" ? "6 8" : "4 4";
        EXPECT_EQ(PxlibRead(folder + "/Parts.db", folder + "/Parts.px"),
                  (std::vector<std::string>{"version " + std::string(1, format[8]) + "0", "keys 1", "field Code 1 8",
                                            "field Name 1 20", "field Qty " + number, "index ok",
                                            "record a|part a|1", "record c|part c|1", "record m|part m|1",
                                            "record x|part x|1"}));

        jet::DatabasePtr again = Workspace->OpenDatabase(folder, false, false, connect);
        jet::IndexPtr key = again->TableDefs().Item("Parts")->Indexes().Item(0);
        EXPECT_TRUE(key->Primary());
        EXPECT_EQ(key->Fields().Item(0)->Name(), "Code");
        EXPECT_EQ(ErrorOf([&] { again->Execute("INSERT INTO Parts (Name, Code) VALUES (\"again\", \"c\")"); }),
                  jet::errDuplicateKey);
        again->Execute("ALTER TABLE Parts DROP CONSTRAINT Parts");
        again->Execute("UPDATE Parts SET Qty = 3");
        again->Close();
        EXPECT_FALSE(fs::exists(folder + "/Parts.px"));
        const std::vector<std::string> unkeyed = PxlibRead(folder + "/Parts.db");
        ASSERT_GT(unkeyed.size(), 2u);
        EXPECT_EQ(unkeyed[1], "keys 0");
        EXPECT_EQ(unkeyed.back(), "record x|part x|3");
    }
}

// dBase and FoxPro tables keep no index in their files: the index files of
// a table that is written again are removed, as they would no longer match
// it; those of tables left alone stay.
TEST_F(FormatDatabase, IndexFilesOfRewrittenTablesAreRemoved)
{
    const std::string folder = Export(Formats[2]);
    Db->Execute("SELECT * INTO [Other] IN \"" + folder + "\"[dBASE IV;] FROM Items");
    for (const char* name : {"Items.mdx", "Items.NDX", "Other.mdx"})
        WriteFile(folder + "/" + name, "an index of the old rows");
    jet::DatabasePtr db = Workspace->OpenDatabase(folder, false, false, "dBASE IV;");
    db->Execute("DELETE * FROM Items WHERE Code = \"A1\"");
    db->Close();
    EXPECT_FALSE(fs::exists(folder + "/Items.mdx"));
    EXPECT_FALSE(fs::exists(folder + "/Items.NDX"));
    EXPECT_TRUE(fs::exists(folder + "/Other.mdx"));
    EXPECT_TRUE(fs::exists(folder + "/Items.dbf"));
}

// A workbook's BIFF version and named ranges as xlrd reads them: "biff:<v>",
// then "name:<name>:<sheet>:<first row>:<row after>:<first column>:<column
// after>".
std::vector<std::string> XlrdOutline(const std::string& path)
{
    const char* script = R"(
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
print('biff:%d' % book.biff_version)
for name in book.name_obj_list:
    sheet, rlo, rhi, clo, chi = name.area2d()
    print('name:%s:%s:%d:%d:%d:%d' % (name.name, sheet.name, rlo, rhi, clo, chi))
)";
    QProcess python;
    python.start("/usr/bin/python3", {"-c", script, QString::fromStdString(path)});
    python.waitForFinished(60000);
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return exportreaders::Lines(python.readAllStandardOutput().toStdString());
}

// A workbook written back keeps every sheet whose table did not change as
// it was, cell for cell, and its named ranges, whose tables stay read only.
TEST_F(FormatDatabase, WorkbooksAreWrittenBackWithTheirOtherSheetsAndRanges)
{
    const std::string book = PathOf("ranges.xls");
    fs::copy_file(QUORVEX_TEST_DATA_DIR "/jet/ranges.xls", book);
    const std::vector<std::string> sheet1 = {"sheet:Sheet1", "Title|-|-", "-|Part|Price", "-|bolt|0.25", "-|nut|0.1"};
    jet::DatabasePtr db = Workspace->OpenDatabase(book, false, false, "Excel 8.0;");
    db->Execute("UPDATE Other SET X = 9 WHERE X = 7");
    db->Execute("INSERT INTO Other (X) VALUES (8)");
    for (const char* change : {"UPDATE Prices SET Price = 1", "DELETE * FROM Prices",
                               "INSERT INTO Prices (Part, Price) VALUES (\"pin\", 2)",
                               "ALTER TABLE Prices ADD COLUMN Stock LONG", "DROP TABLE Prices"})
        EXPECT_EQ(ErrorOf([&] { db->Execute(change); }), jet::errReadOnly) << change;
    db->Close();
    std::vector<std::string> expected = sheet1;
    for (const char* line : {"sheet:Other", "X", "9", "8"})
        expected.push_back(line);
    EXPECT_EQ(exportreaders::ReadWorkbook(book), expected);
    EXPECT_EQ(XlrdOutline(book), (std::vector<std::string>{"biff:80", "name:Prices:Sheet1:1:4:1:3"}));
    jet::DatabasePtr again = Workspace->OpenDatabase(book, false, true, "Excel 8.0;");
    EXPECT_EQ(Rows(again, "SELECT Part, Price FROM Prices ORDER BY Part"),
              (std::vector<std::string>{"bolt|0.25", "nut|0.1"}));
    again->Close();

    // A new table is a new sheet after the others; a dropped one's sheet
    // goes, and a range on it with it.
    db = Workspace->OpenDatabase(book, false, false, "Excel 8.0;");
    db->Execute("CREATE TABLE Added (Name TEXT(10), Amount DOUBLE)");
    db->Execute("INSERT INTO Added VALUES (\"a\", 1.5)");
    db->Execute("DROP TABLE Sheet1");
    db->Close();
    EXPECT_EQ(exportreaders::ReadWorkbook(book),
              (std::vector<std::string>{"sheet:Other", "X", "9", "8", "sheet:Added", "Name|Amount", "a|1.5"}));
    EXPECT_EQ(XlrdOutline(book), (std::vector<std::string>{"biff:80"}));
}

// Each version writes back in its own version, which xlrd reads; a workbook
// of BIFF 5 takes further sheets.
TEST_F(FormatDatabase, WorkbooksKeepTheirVersion)
{
    for (const FormatCase& format : Formats) {
        if (!format.Workbook)
            continue;
        SCOPED_TRACE(format.Format);
        const std::string target = Export(format);
        jet::DatabasePtr db = Workspace->OpenDatabase(target, false, false, std::string(format.Format) + ";");
        db->Execute(std::string("UPDATE [") + format.Table + "] SET Qty = 5 WHERE Code = \"A1\"");
        if (!format.OneTable) {
            db->Execute("CREATE TABLE Second (Id LONG)");
            db->Execute("INSERT INTO Second VALUES (2)");
        }
        db->Close();
        const std::string version = format.Format[6] == '8' ? "80" : std::string(1, format.Format[6]) + "0";
        EXPECT_EQ(XlrdOutline(target), (std::vector<std::string>{"biff:" + version}));
        const std::vector<std::string> sheets = exportreaders::ReadWorkbook(target);
        ASSERT_GE(sheets.size(), 3u);
        EXPECT_EQ(sheets[2].substr(0, 5), "A1|5|");
        if (!format.OneTable)
            EXPECT_EQ(std::vector<std::string>(sheets.end() - 3, sheets.end()),
                      (std::vector<std::string>{"sheet:Second", "Id", "2"}));
    }
}

// Every database of the program that opens or links a folder works on the
// same tables, so none of them writes back a table without the others'
// changes.
TEST_F(FormatDatabase, AFolderOpenedTwiceInOneProgramKeepsEveryChange)
{
    const std::string folder = Export(Formats[2]);
    jet::DatabasePtr first = Workspace->OpenDatabase(folder, false, false, "dBASE IV;");
    jet::DatabasePtr second = Workspace->OpenDatabase(folder, false, false, "dBASE IV;");
    Db->TableDefs().Append(Db->CreateTableDef("Linked", 0, "Items", "dBASE IV;DATABASE=" + folder));
    first->Execute("UPDATE Items SET Qty = 1 WHERE Code = \"A1\"");
    EXPECT_EQ(Rows(second, "SELECT Qty FROM Items WHERE Code = \"A1\""), (std::vector<std::string>{"1"}));
    second->Execute("UPDATE Items SET Qty = 2 WHERE Code = \"B2\"");
    Db->Execute("UPDATE Linked SET Qty = 3 WHERE Code <> \"A1\" AND Code <> \"B2\"");
    first->Execute("INSERT INTO Items (Code, Qty) VALUES (\"D\", 4)");
    second->Close();
    Db->Close();
    first->Close();
    jet::DatabasePtr again = Workspace->OpenDatabase(folder, false, true, "dBASE IV;");
    EXPECT_EQ(Rows(again, "SELECT Code, Qty FROM Items ORDER BY Code"),
              (std::vector<std::string>{"A1|1", "B2|2", "C\xC3\xA9\xE4\xB8\xAD|3", "D|4"}));
    // The same files opened as another format of the family would be
    // written by another writer: refused while the first is open.
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(folder, false, false, "FoxPro 2.6;"); }), jet::errFileInUse);
    again->Close();
    Workspace->OpenDatabase(folder, false, false, "FoxPro 2.6;")->Close();
}

// INSERT INTO ... IN adds to a table of a file of another format, or of
// another database of ours, without linking it.
TEST_F(FormatDatabase, InsertIntoReachesTablesOfOtherFiles)
{
    const std::string dbase = Export(Formats[2]);
    const std::string paradox = Export(Formats[7]);
    Db->Execute("INSERT INTO Items IN \"" + dbase + "\" [dBASE IV;] (Code, Qty) SELECT Code & \"x\", Qty FROM Items "
                "WHERE Qty > 5");
    EXPECT_EQ(Db->RecordsAffected(), 1);
    Db->Execute("INSERT INTO [Items.db] IN \"\" [Paradox 5.X;DATABASE=" + paradox + "] (Code) VALUES (\"P\")");
    EXPECT_EQ(Rows(Workspace->OpenDatabase(dbase, false, true, "dBASE IV;"), "SELECT Code, Qty FROM Items WHERE Qty > 5 ORDER BY Code"),
              (std::vector<std::string>{"C\xC3\xA9\xE4\xB8\xAD|12", "C\xC3\xA9\xE4\xB8\xADx|12"}));
    EXPECT_EQ(Rows(Workspace->OpenDatabase(paradox, false, true, "Paradox 5.X;"), "SELECT Count(*) FROM Items"),
              (std::vector<std::string>{"4"}));
    Workspace->CreateDatabase(PathOf("other.mdb"), ";LANGID=0x0409;CP=1252;COUNTRY=0")->Close();
    Db->Execute("SELECT Code INTO Copy IN \"" + PathOf("other.mdb") + "\" FROM Items");
    Db->Execute("INSERT INTO Copy IN \"" + PathOf("other.mdb") + "\" SELECT \"more\" AS Code FROM Items");
    EXPECT_EQ(Rows(Workspace->OpenDatabase(PathOf("other.mdb")), "SELECT Count(*) FROM Copy"),
              (std::vector<std::string>{"6"}));
    EXPECT_EQ(ErrorOf([&] { Db->Execute("INSERT INTO Nothing IN \"" + dbase + "\" [dBASE IV;] VALUES (1)"); }),
              jet::errInputTableNotFound);
}

TEST_F(FormatDatabase, FilesWrittenByOtherProgramsOpen)
{
    const std::string data = QUORVEX_TEST_DATA_DIR "/jet/";
    // LibreOffice Calc's workbook and dBase table of the same three rows.
    jet::DatabasePtr book = Workspace->OpenDatabase(data + "calc.xls", false, true, "Excel 8.0;");
    EXPECT_EQ(Rows(book, "SELECT * FROM calc ORDER BY Qty"),
              (std::vector<std::string>{"\xC3\x87\xC3\xA9 \xE4\xB8\xAD|-|0.1|-|True", "Ann|3|1.5|02/03/2001|True",
                                        "Bob|12|2.25|12/31/1999|False"}));
    // A named range is a table beside the sheets.
    jet::DatabasePtr ranges = Workspace->OpenDatabase(data + "ranges.xls", false, true, "Excel 8.0;");
    EXPECT_EQ(Rows(ranges, "SELECT Part, Price FROM Prices ORDER BY Part"),
              (std::vector<std::string>{"bolt|0.25", "nut|0.1"}));
    EXPECT_EQ(ranges->TableDefs().Item("Prices")->Fields().Count(), 2);
    EXPECT_EQ(Rows(ranges, "SELECT X FROM Other"), (std::vector<std::string>{"7"}));
    EXPECT_EQ(Rows(ranges, "SELECT Count(*) FROM Sheet1"), (std::vector<std::string>{"3"}));
    // (Calc writes the empty quantity as 0.)
    jet::DatabasePtr table = Workspace->OpenDatabase(data + "calc-dbf", false, true, "dBASE IV;");
    EXPECT_EQ(Rows(table, "SELECT * FROM calc ORDER BY QTY"),
              (std::vector<std::string>{"\xC3\x87\xC3\xA9 \xE4\xB8\xAD|0|0.1|-|True", "Ann|3|1.5|02/03/2001|True",
                                        "Bob|12|2.25|12/31/1999|False"}));

    // A keyed Paradox table made by pxlib itself: its key becomes the primary
    // index, named after the table as Paradox names it.
    const std::string folder = PathOf("pxlib");
    fs::create_directory(folder);
    pxdoc_t* doc = PX_new();
    pxfield_t* fields = static_cast<pxfield_t*>(doc->malloc(doc, 2 * sizeof(pxfield_t), "fields"));
    fields[0] = {PX_strdup(doc, "Id"), pxfLong, 4, 0};
    fields[1] = {PX_strdup(doc, "Name"), pxfAlpha, 12, 0};
    ASSERT_EQ(PX_create_file(doc, fields, 2, (folder + "/people.db").c_str(), pxfFileTypIndexDB), 0);
    doc->px_head->px_primarykeyfields = 1;
    std::string record(16, '\0');
    for (int id : {2, 1}) {
        std::fill(record.begin(), record.end(), '\0');
        PX_put_data_long(doc, record.data(), 4, id);
        std::string name = id == 1 ? "Ann" : "Bob";
        name.resize(12, '\0');
        PX_put_data_alpha(doc, record.data() + 4, 12, name.data());
        PX_put_record(doc, record.data());
    }
    PX_close(doc);
    PX_delete(doc);
    jet::DatabasePtr paradox = Workspace->OpenDatabase(folder, false, true, "Paradox 5.X;");
    EXPECT_EQ(Rows(paradox, "SELECT Id, Name FROM people ORDER BY Id"), (std::vector<std::string>{"1|Ann", "2|Bob"}));
    jet::IndexPtr key = paradox->TableDefs().Item("people")->Indexes().Item(0);
    EXPECT_EQ(key->Name(), "people");
    EXPECT_TRUE(key->Primary());
}

TEST_F(FormatDatabase, DamagedOrMissingFilesGiveTheEngineErrors)
{
    const std::string folder = PathOf("damaged");
    fs::create_directory(folder);
    WriteFile(folder + "/bad.dbf", "\x03\x7A\x0C\x0B\x05\x00\x00\x00\x41\x00\x0B\x00");
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(folder, false, false, "dBASE IV;"); }), 3274);
    // A header that counts more records than the file holds.
    std::string header(65, '\0');
    header[0] = 0x03;
    header[4] = 100;
    header[8] = 65;
    header[10] = 11;
    std::memcpy(&header[32], "NAME", 4);
    header[43] = 'C';
    header[48] = 10;
    header[64] = 0x0D;
    WriteFile(folder + "/bad.dbf", header + std::string(11, ' '));
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(folder, false, false, "dBASE IV;"); }), 3274);
    WriteFile(PathOf("bad.xls"), "not a workbook at all");
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf("bad.xls"), false, false, "Excel 8.0;"); }), 3274);
    fs::create_directory(PathOf("text"));
    WriteFile(PathOf("text/open.csv"), "\"a\",\"b\r\nunclosed,1\r\n");
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf("text"), false, false, "Text;"); }), 3274);
    // A Paradox table whose first data block names itself as the next one
    // (pxlib went round that chain for ever).
    const std::string paradox = PathOf("looping");
    fs::create_directory(paradox);
    Db->Execute("SELECT Code INTO [Items] IN \"" + paradox + "\"[Paradox 5.X;] FROM Items");
    std::string table = exportreaders::ReadFile(paradox + "/Items.db");
    const std::size_t firstBlock = static_cast<unsigned char>(table[2]) | static_cast<unsigned char>(table[3]) << 8;
    table[firstBlock] = 1;
    table[firstBlock + 1] = 0;
    WriteFile(paradox + "/Items.db", table);
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(paradox, false, false, "Paradox 5.X;"); }), 3274);
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf("nowhere"), false, false, "dBASE IV;"); }), 3044);
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf("none.xls"), false, false, "Excel 8.0;"); }),
              jet::errFileNotFound);
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf("text"), false, false, "Lotus WK3;"); }),
              jet::errNotSupported);
}

} // namespace
