// The export formats: SELECT ... INTO ... IN statements run on a real
// database file, the files read back by readers that know nothing of the
// writers (ExportReaders.h).
#include "ExportReaders.h"
#include "JetFixture.h"
#include "PxlibRead.h"

#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace jettest;
using namespace exportreaders;
namespace fs = std::filesystem;

namespace {

class ExportTest : public JetFixture {
protected:
    void SetUp() override
    {
        JetFixture::SetUp();
        Out = PathOf("out");
        fs::create_directory(Out);
        MakeTable("Sample", {{"Id", jet::dbLong},
                             {"Name", jet::dbText, 20},
                             {"Price", jet::dbDouble},
                             {"Amount", jet::dbCurrency},
                             {"Ok", jet::dbBoolean},
                             {"Taken", jet::dbDate},
                             {"Note", jet::dbMemo}});
        Db->Execute("INSERT INTO Sample VALUES (1, \"Alpha\", 1.5, 12.3456, True, #1/2/2003#, \"first\")");
        Db->Execute(
            "INSERT INTO Sample VALUES (2, \"长度 \"\"mm\"\", 甲\", -2.25, 0, False, #3/4/2005 13:14:15#, Null)");
        Db->Execute("INSERT INTO Sample (Id, Note) VALUES (3, \"多行\r\nmemo\")");
    }

    void Export(const std::string& into, const std::string& source = "Sample")
    {
        Db->Execute("SELECT * INTO " + into + " FROM [" + source + "]");
    }

    std::string Out;
};

TEST_F(ExportTest, TextFileHasHeaderLineQuotedTextsAndEmptyNulls)
{
    Export("[out#csv] IN \"" + Out + "\"[Text;]");
    EXPECT_EQ(Db->RecordsAffected(), 3);
    EXPECT_EQ(Lines(ReadFile(Out + "/out.csv"), "\r\n"),
              (Strings{"\"Id\",\"Name\",\"Price\",\"Amount\",\"Ok\",\"Taken\",\"Note\"",
                       "1,\"Alpha\",1.5,12.3456,True,01/02/2003,\"first\"",
                       "2,\"长度 \"\"mm\"\", 甲\",-2.25,0,False,03/04/2005 13:14:15,",
                       "3,,,,,,\"多行", "memo\""}));
}

TEST_F(ExportTest, TextNameWithoutExtensionGetsTxtAndSelectsColumnsAndRows)
{
    Db->Execute("SELECT [Name], [Id] INTO [names] IN \"" + Out + "\"[Text;] FROM [Sample] WHERE [Id] < 3;");
    EXPECT_EQ(Lines(ReadFile(Out + "/names.txt"), "\r\n"),
              (Strings{"\"Name\",\"Id\"", "\"Alpha\",1", "\"长度 \"\"mm\"\", 甲\",2"}));
}

TEST_F(ExportTest, HtmlTableEscapesTextsAndLeavesNullCellsEmpty)
{
    Db->Execute("INSERT INTO Sample (Id, Name) VALUES (4, \"<b>&</b>\")");
    Export("[report.html] IN \"" + Out + "\"[HTML Export;]");
    const std::string html = ReadFile(Out + "/report.html");
    EXPECT_NE(html.find("charset=utf-8"), std::string::npos);
    EXPECT_NE(html.find("<TITLE>report</TITLE>"), std::string::npos);
    EXPECT_NE(html.find("<TH BGCOLOR=#c0c0c0>Name</TH>"), std::string::npos);
    EXPECT_NE(html.find("<TD>长度 &quot;mm&quot;, 甲</TD>"), std::string::npos);
    EXPECT_NE(html.find("<TD>&lt;b&gt;&amp;&lt;/b&gt;</TD>"), std::string::npos);
    EXPECT_NE(html.find("<TD>多行<BR>memo</TD>"), std::string::npos);
    EXPECT_NE(html.find("<TD ALIGN=RIGHT>3</TD>\r\n<TD></TD>"), std::string::npos);
}

TEST_F(ExportTest, WorkbooksOfEveryVersionReadBackInXlrd)
{
    const Strings expected = {"Id|Name|Price|Amount|Ok|Taken|Note",
                              "1|Alpha|1.5|12.3456|True|2003-1-2 0:0:0|first",
                              "2|长度 \"mm\", 甲|-2.25|0|False|2005-3-4 13:14:15|-",
                              "3|-|-|-|-|-|多行<CRLF>memo"};
    struct Case {
        const char* Format;
        const char* SheetName;  // as the reader names the sheet
    };
    for (const Case& c : {Case{"Excel 3.0", "Sheet 1"}, Case{"Excel 4.0", "Sheet 1"}, Case{"Excel 5.0", "测量"},
                          Case{"Excel 8.0", "测量"}}) {
        SCOPED_TRACE(c.Format);
        const std::string file = Out + "/" + c.Format + ".xls";
        Export("[测量] IN \"" + file + "\"[" + c.Format + ";]");
        Strings lines = ReadWorkbook(file);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), std::string("sheet:") + c.SheetName);
        EXPECT_EQ(Strings(lines.begin() + 1, lines.end()), expected);
    }
}

TEST_F(ExportTest, Biff8WorkbookGoesOnInFurtherSheetsAndHoldsLongTexts)
{
    MakeTable("Many", {{"N", jet::dbLong}, {"Text", jet::dbMemo}});
    const std::string longText(9000, 'x');
    Db->Execute("INSERT INTO Many VALUES (0, \"" + longText + "长\")");
    for (int i = 0; i < 16; ++i)
        Db->Execute("INSERT INTO Many SELECT N + " + std::to_string(1 << i) + ", \"t\" & (N + "
                    + std::to_string(1 << i) + ") FROM Many");
    const std::string file = Out + "/many.xls";
    Export("[Data] IN \"" + file + "\"[Excel 8.0;]", "Many");
    const Strings lines = ReadWorkbook(file);
    ASSERT_EQ(lines.size(), 2u + 65535u + 1u + 2u);
    EXPECT_EQ(lines[0], "sheet:Data");
    EXPECT_EQ(lines[1], "N|Text");
    EXPECT_EQ(lines[2], "0|" + longText + "长");
    EXPECT_EQ(lines[65536], "65534|t65534");
    EXPECT_EQ(lines[65537], "sheet:Data (2)");
    EXPECT_EQ(lines[65538], "N|Text");
    EXPECT_EQ(lines[65539], "65535|t65535");
}

TEST_F(ExportTest, OldWorksheetRefusesRowsBeyondItsSheetAndCellsBeyond255Bytes)
{
    MakeTable("Long", {{"Text", jet::dbMemo}});
    Db->Execute("INSERT INTO Long VALUES (\"" + std::string(256, 'y') + "\")");
    const std::string file = Out + "/long.xls";
    EXPECT_EQ(ErrorOf([&] { Export("[Data] IN \"" + file + "\"[Excel 5.0;]", "Long"); }), jet::errFieldTooSmall);
    EXPECT_FALSE(fs::exists(file));

    MakeTable("Rows", {{"N", jet::dbLong}});
    Db->Execute("INSERT INTO Rows VALUES (1)");
    for (int i = 0; i < 14; ++i)
        Db->Execute("INSERT INTO Rows SELECT N FROM Rows");
    EXPECT_EQ(ErrorOf([&] { Export("[Data] IN \"" + file + "\"[Excel 4.0;]", "Rows"); }), jet::errNotSupported);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(ExportTest, DbaseAndFoxProTablesReadBackWithTheirMemos)
{
    struct Case {
        const char* Format;
        int VersionByte;
        const char* MemoExtension;
        std::vector<char> Types;
    };
    for (const Case& c : {Case{"dBase III", 0x83, ".dbt", {'N', 'C', 'N', 'N', 'L', 'C', 'M'}},
                          Case{"dBase IV", 0x8B, ".dbt", {'N', 'C', 'N', 'N', 'L', 'C', 'M'}},
                          Case{"dBase 5.0", 0x8B, ".dbt", {'N', 'C', 'N', 'N', 'L', 'C', 'M'}},
                          Case{"FoxPro 2.6", 0xF5, ".fpt", {'N', 'C', 'N', 'N', 'L', 'C', 'M'}},
                          Case{"FoxPro 3.0", 0x30, ".fpt", {'I', 'C', 'B', 'Y', 'L', 'T', 'M'}}}) {
        SCOPED_TRACE(c.Format);
        std::string name = c.Format;
        std::replace(name.begin(), name.end(), ' ', '_');
        std::replace(name.begin(), name.end(), '.', '_');
        const std::string base = Out + "/" + name;
        Export("[" + fs::path(base).filename().string() + ".dbf] IN \"" + Out + "\"[" + c.Format + ";]");
        const DbfContents table = ReadDbf(base + ".dbf", base + c.MemoExtension);
        EXPECT_EQ(table.Version, c.VersionByte);
        EXPECT_EQ(table.CodePageMark, 0x7A);  // GBK
        EXPECT_EQ(table.Names, (Strings{"Id", "Name", "Price", "Amount", "Ok", "Taken", "Note"}));
        EXPECT_EQ(table.Types, c.Types);
        ASSERT_EQ(table.Records.size(), 3u);
        const std::string gbkName = "\xB3\xA4\xB6\xC8 \"mm\", \xBC\xD7";
        const std::string gbkMemo = "\xB6\xE0\xD0\xD0\r\nmemo";
        if (c.VersionByte == 0x30) {
            EXPECT_EQ(table.Records[0], (Strings{"1", "Alpha", "1.5", "12.345600", "T", "20030102 00:00:00", "first"}));
            EXPECT_EQ(table.Records[1], (Strings{"2", gbkName, "-2.25", "0.000000", "F", "20050304 13:14:15", "-"}));
            EXPECT_EQ(table.Records[2], (Strings{"3", "-", "-", "-", "-", "-", gbkMemo}));
        } else {
            EXPECT_EQ(table.Records[0],
                      (Strings{"1", "Alpha", "1.50", "12.3456", "T", "2003-01-02 00:00:00", "first"}));
            EXPECT_EQ(table.Records[1],
                      (Strings{"2", gbkName, "-2.25", "0.0000", "F", "2005-03-04 13:14:15", ""}));
            EXPECT_EQ(table.Records[2], (Strings{"3", "", "", "", c.VersionByte == 0x83 ? "" : "?", "", gbkMemo}));
        }
    }
}

TEST_F(ExportTest, DbaseDatesOfWholeDaysAreDateFieldsAndLongNamesAreCutUnique)
{
    MakeTable("Dates", {{"MeasuredOnDay", jet::dbDate}, {"MeasuredOnDate", jet::dbText, 5}});
    Db->Execute("INSERT INTO Dates VALUES (#12/31/1999#, \"a\")");
    Db->Execute("INSERT INTO Dates (MeasuredOnDate) VALUES (\"b\")");
    Export("[dates] IN \"" + Out + "\"[dBase IV;]", "Dates");
    const DbfContents table = ReadDbf(Out + "/dates.dbf");
    EXPECT_EQ(table.Names, (Strings{"MeasuredOn", "MeasuredO1"}));
    EXPECT_EQ(table.Types, (std::vector<char>{'D', 'C'}));
    EXPECT_EQ(table.Records, (std::vector<Strings>{{"19991231", "a"}, {"", "b"}}));
    EXPECT_FALSE(fs::exists(Out + "/dates.dbt"));
}

TEST_F(ExportTest, ParadoxTablesReadBackInPxlib)
{
    struct Case {
        const char* Format;
        int FileVersion;
        std::vector<int> Types;
        Strings First;
    };
    for (const Case& c :
         {Case{"Paradox 4.X", 40, {pxfNumber, pxfAlpha, pxfNumber, pxfCurrency, pxfShort, pxfAlpha, pxfMemoBLOb},
               {"1", "Alpha", "1.5", "12.3456", "-1", "2003-01-02 00:00:00", "first"}},
          Case{"Paradox 7.X", 70, {pxfLong, pxfAlpha, pxfNumber, pxfCurrency, pxfLogical, pxfTimestamp, pxfMemoBLOb},
               {"1", "Alpha", "1.5", "12.3456", "1", "2003-01-02 00:00:00", "first"}}}) {
        SCOPED_TRACE(c.Format);
        const std::string name = "px" + std::to_string(c.FileVersion);
        Export("[" + name + ".db] IN \"" + Out + "\"[" + c.Format + ";]");
        const ParadoxContents table = ReadParadox(Out + "/" + name + ".db");
        EXPECT_EQ(table.FileVersion, c.FileVersion);
        EXPECT_EQ(table.CodePage, 936);
        EXPECT_EQ(table.Names, (Strings{"Id", "Name", "Price", "Amount", "Ok", "Taken", "Note"}));
        EXPECT_EQ(table.Types, c.Types);
        ASSERT_EQ(table.Records.size(), 3u);
        EXPECT_EQ(table.Records[0], c.First);
        EXPECT_EQ(table.Records[1][1], "长度 \"mm\", 甲");
        EXPECT_EQ(table.Records[1][6], "-");
        // pxlib gives memos as they are stored, in the table's code page.
        EXPECT_EQ(table.Records[2], (Strings{"3", "-", "-", "-", "-", "-", "\xB6\xE0\xD0\xD0\r\nmemo"}));
    }
}

TEST_F(ExportTest, ParadoxMemosLongerThanTheRecordHoldsGoToTheBlobFile)
{
    MakeTable("Notes", {{"Note", jet::dbMemo}});
    const std::string note = std::string(300, 'n') + "尾";
    Db->Execute("INSERT INTO Notes VALUES (\"" + note + "\")");
    Export("[notes.db] IN \"" + Out + "\"[Paradox 5.X;]", "Notes");
    EXPECT_EQ(ReadParadox(Out + "/notes.db").Records.size(), 1u);
    // The record holds the memo's start, the blob file all of it.
    EXPECT_NE(ReadFile(Out + "/notes.db").find(std::string(240, 'n')), std::string::npos);
    EXPECT_NE(ReadFile(Out + "/notes.mb").find(std::string(300, 'n') + "\xCE\xB2"), std::string::npos);
}

// Paradox 3 tables have a header of their own, which pxlib reads as file
// version 3.0; their texts are in the DOS code page 437, which they do not
// name, and they hold no memos or binary fields.
TEST_F(ExportTest, Paradox3TablesReadBackInPxlib)
{
    MakeTable("Old", {{"Id", jet::dbLong},
                      {"Name", jet::dbText, 20},
                      {"Amount", jet::dbCurrency},
                      {"Ok", jet::dbBoolean},
                      {"Taken", jet::dbDate},
                      {"Note", jet::dbMemo}});
    Db->Execute("INSERT INTO Old VALUES (1, \"Caf\xC3\xA9\", 12.5, True, #1/2/2003#, \"short\")");
    Db->Execute("INSERT INTO Old VALUES (2, Null, Null, False, #3/4/2005 13:14:15#, Null)");
    Export("[px30.db] IN \"" + Out + "\"[Paradox 3.X;]", "Old");
    EXPECT_EQ(PxlibRead(Out + "/px30.db"),
              (Strings{"version 30", "keys 0", "field Id 6 8", "field Name 1 20", "field Amount 5 8", "field Ok 3 2",
                       "field Taken 1 19", "field Note 1 5", "record 1|Caf\x82|12.5|-1|2003-01-02 00:00:00|short",
                       "record 2|-|-|0|2005-03-04 13:14:15|-"}));
    // The field descriptions follow the first 0x58 bytes of the header at once.
    const std::string bytes = ReadFile(Out + "/px30.db");
    ASSERT_GT(bytes.size(), 0x5Au);
    EXPECT_EQ(bytes[0x39], 0x03);
    EXPECT_EQ(bytes.substr(0x58, 2), std::string("\x06\x08", 2));

    // What Paradox 3 cannot hold is refused before anything is written.
    MakeTable("Wide", {{"Note", jet::dbMemo}, {"Picture", jet::dbLongBinary}, {"Name", jet::dbText, 10}});
    Db->Execute("INSERT INTO Wide (Note, Name) VALUES (\"" + std::string(300, 'n') + "\", \"\xE4\xB8\xAD\")");
    const struct {
        const char* Columns;
        int Error;
    } refusals[] = {{"Note", jet::errFieldTooSmall}, {"Name", jet::errTypeConversion}, {"Picture", 3259}};
    for (const auto& refusal : refusals) {
        EXPECT_EQ(ErrorOf([&] {
                      Db->Execute(std::string("SELECT ") + refusal.Columns + " INTO [wide.db] IN \"" + Out
                                  + "\"[Paradox 3.X;] FROM Wide");
                  }),
                  refusal.Error)
            << refusal.Columns;
        EXPECT_FALSE(fs::exists(Out + "/wide.db"));
    }
}

TEST_F(ExportTest, TargetsThatExistAreRefusedAndKeptAsTheyWere)
{
    std::ofstream(Out + "/old.txt") << "keep";
    std::ofstream(Out + "/old.xls") << "keep";
    std::ofstream(Out + "/old.dbf") << "keep";
    EXPECT_EQ(ErrorOf([&] { Export("[old#txt] IN \"" + Out + "\"[Text;]"); }), jet::errTableExists);
    EXPECT_EQ(ErrorOf([&] { Export("[Sheet1] IN \"" + Out + "/old.xls\"[Excel 8.0;]"); }), jet::errTableExists);
    EXPECT_EQ(ErrorOf([&] { Export("[old] IN \"" + Out + "\"[FoxPro 2.6;]"); }), jet::errTableExists);
    for (const char* file : {"/old.txt", "/old.xls", "/old.dbf"})
        EXPECT_EQ(ReadFile(Out + file), "keep");
}

TEST_F(ExportTest, NamesThatCouldBreakOutAreRefusedBeforeAnythingIsWritten)
{
    struct Case {
        std::string Into;
        int Error;
    };
    for (const Case& c : {Case{"[..] IN \"" + Out + "\"[Text;]", jet::errWrongName},
                          Case{"[a/b] IN \"" + Out + "\"[dBase IV;]", jet::errWrongName},
                          Case{"[a\\b] IN \"" + Out + "\"[Paradox 7.X;]", jet::errWrongName},
                          Case{"[a] IN \"" + Out + "/q\"\"uote\"[Text;]", jet::errWrongName},
                          Case{"[a] IN \"" + Out + "/x.xls\"\"\"[Excel 8.0;]", jet::errWrongName},
                          Case{"[a:b] IN \"" + Out + "/x.xls\"[Excel 8.0;]", jet::errWrongName},
                          Case{"[a] IN \"" + Out + "/missing\"[Text;]", 3044}}) {
        SCOPED_TRACE(c.Into);
        EXPECT_EQ(ErrorOf([&] { Export(c.Into); }), c.Error);
    }
    EXPECT_TRUE(fs::is_empty(Out));
}

TEST_F(ExportTest, TextsThatNoCodePageHoldsAreRefusedByTheOldFormats)
{
    Db->Execute("INSERT INTO Sample (Id, Name) VALUES (5, \"ภาษาไทย\")");
    for (const char* format : {"Excel 5.0", "dBase IV", "Paradox 7.X"}) {
        SCOPED_TRACE(format);
        EXPECT_EQ(ErrorOf([&] { Export("[t] IN \"" + Out + "/t.xls\"[" + std::string(format) + ";]"); }),
                  format[0] == 'E' ? jet::errTypeConversion : 3044);
    }
    EXPECT_EQ(ErrorOf([&] { Export("[t] IN \"" + Out + "\"[dBase IV;]"); }), jet::errTypeConversion);
    EXPECT_EQ(ErrorOf([&] { Export("[t] IN \"" + Out + "\"[Paradox 7.X;]"); }), jet::errTypeConversion);
    EXPECT_TRUE(fs::is_empty(Out));
    // The Unicode formats take them.
    Export("[t] IN \"" + Out + "/t.xls\"[Excel 8.0;]");
    EXPECT_EQ(ReadWorkbook(Out + "/t.xls").back(), "5|ภาษาไทย|-|-|-|-|-");
}

// A workbook's cells as they are: numbers in full ("n:<repr>"), texts
// ("t:<text>"), one line per row of the first sheet, cells joined by "|".
std::vector<std::string> RawCells(const std::string& path)
{
    const char* script = R"(
import sys, xlrd
sheet = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)
rows = []
for r in range(sheet.nrows):
    cells = []
    for c in range(sheet.ncols):
        cell = sheet.cell(r, c)
        cells.append(('t:' + cell.value) if cell.ctype == xlrd.XL_CELL_TEXT else 'n:' + repr(cell.value))
    rows.append('|'.join(cells))
sys.stdout.buffer.write('\n'.join(rows).encode('utf-8'))
)";
    return Lines(RunPython({"-c", script, QString::fromStdString(path)}));
}

// Excel's serial numbers count 29 February 1900: dates from 1 March 1900 keep
// their automation number, January and February 1900 take one less, a time
// alone keeps its fraction, and a date before 1900, which no serial number
// holds, is its date text.
TEST_F(ExportTest, WorkbookDatesAreExcelSerialNumbersAndDatesBefore1900Texts)
{
    MakeTable("Dates", {{"Id", jet::dbLong}, {"When", jet::dbDate}});
    const char* dates[] = {"#1/1/1900#",         "#2/28/1900#", "#3/1/1900#",          "#3/15/2024 14:05:09#",
                           "#6/15/1850 13:14:15#", "#13:14:15#",  "#12/31/1899#",        "#1/1/100#",
                           "#12/31/9999 23:59:59#"};
    int id = 0;
    for (const char* date : dates)
        Db->Execute("INSERT INTO Dates VALUES (" + std::to_string(++id) + ", " + date + ")");
    const Strings expected = {"n:1.0|t:When",
                              "n:1.0|n:1.0",
                              "n:2.0|n:59.0",
                              "n:3.0|n:61.0",
                              "n:4.0|n:45366.586909722224",
                              "n:5.0|t:1850-06-15 13:14:15",
                              "n:6.0|n:0.5515625",
                              "n:7.0|t:1899-12-31",
                              "n:8.0|t:0100-01-01",
                              "n:9.0|n:2958465.999988426"};
    for (const char* format : {"Excel 3.0", "Excel 4.0", "Excel 5.0", "Excel 8.0"}) {
        SCOPED_TRACE(format);
        const std::string file = Out + "/" + std::string(format).substr(6, 1) + ".xls";
        Export("[Dates] IN \"" + file + "\"[" + format + ";]", "Dates");
        Strings cells = RawCells(file);
        ASSERT_FALSE(cells.empty());
        cells[0] = "n:1.0|" + cells[0].substr(cells[0].find('|') + 1);
        EXPECT_EQ(cells, expected);
    }
}

// A workbook of Excel 5.0 says its code page in its fonts' character set too,
// which some readers (Gnumeric) take for the texts' code page.
TEST_F(ExportTest, Biff5FontsCarryTheCharacterSetOfTheCodePage)
{
    const auto fontCharset = [&](const std::string& file) {
        const std::string bytes = ReadFile(file);
        // FONT: height, flags, colour, weight 400, escapement, underline, family, character set.
        const std::string record("\x31\x00\x14\x00\xC8\x00\x00\x00\xFF\x7F\x90\x01\x00\x00\x00\x00", 16);
        const std::size_t at = bytes.find(record);
        return at == std::string::npos ? -1 : static_cast<unsigned char>(bytes[at + record.size()]);
    };
    Export("[t] IN \"" + Out + "/chinese.xls\"[Excel 5.0;]");
    EXPECT_EQ(fontCharset(Out + "/chinese.xls"), 134);  // GB2312
    Db->Execute("SELECT Id INTO [t] IN \"" + Out + "/latin.xls\"[Excel 5.0;] FROM Sample");
    EXPECT_EQ(fontCharset(Out + "/latin.xls"), 0);
}

// One character that the old formats' code pages cannot hold refuses the
// file, and the message says where it is; nothing is left behind.
TEST_F(ExportTest, ATextNoCodePageHoldsIsNamedByFieldAndRecord)
{
    MakeTable("Many", {{"Id", jet::dbLong}, {"Name", jet::dbText, 50}, {"Note", jet::dbMemo}});
    jet::RecordsetPtr rows = Db->OpenRecordset("Many", jet::dbOpenDynaset);
    Workspace->BeginTrans();  // one write to the disk, not a thousand
    for (int id = 1; id <= 1000; ++id) {
        rows->AddNew();
        rows->Fields().Item("Id")->SetValue(id);
        rows->Fields().Item("Name")->SetValue(id == 512 ? std::string("smile \xF0\x9F\x98\x80") : "长度 " + std::to_string(id));
        rows->Fields().Item("Note")->SetValue(id == 700 ? std::string(300, 'x') : std::string("short"));
        rows->Update();
    }
    Workspace->CommitTrans();
    for (const char* format : {"dBase III", "dBase IV", "dBase 5.0", "FoxPro 2.6", "FoxPro 3.0", "Paradox 5.X",
                               "Paradox 7.X", "Excel 3.0", "Excel 5.0"}) {
        SCOPED_TRACE(format);
        const bool excel = format[0] == 'E';
        try {
            Export("[t] IN \"" + Out + (excel ? "/t.xls" : "") + "\"[" + format + ";]", "Many");
            ADD_FAILURE() << "written";
        } catch (const jet::EngineError& error) {
            EXPECT_EQ(error.Number(), jet::errTypeConversion);
            EXPECT_NE(std::string(error.what()).find("field 'Name' in record 512"), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find(std::string(format)), std::string::npos) << error.what();
        }
        EXPECT_TRUE(fs::is_empty(Out));
    }
    // Cells of Excel 3.0 to 5.0 are measured in bytes of the code page.
    Db->Execute("UPDATE Many SET Name = \"长度\" WHERE Id = 512");
    for (const char* format : {"Excel 3.0", "Excel 4.0", "Excel 5.0"}) {
        SCOPED_TRACE(format);
        try {
            Export("[t] IN \"" + Out + "/t.xls\"[" + std::string(format) + ";]", "Many");
            ADD_FAILURE() << "written";
        } catch (const jet::EngineError& error) {
            EXPECT_EQ(error.Number(), jet::errFieldTooSmall);
            const std::string message = error.what();
            EXPECT_NE(message.find("at most 255 bytes"), std::string::npos) << message;
            EXPECT_NE(message.find("field 'Note' in record 700 takes 300 bytes"), std::string::npos) << message;
        }
        EXPECT_TRUE(fs::is_empty(Out));
    }
}

// Numbers in the text formats read back as the numbers they are: fifteen
// digits where they do, as many as it takes where they do not.
TEST_F(ExportTest, NumberTextsReadBackAsTheSameNumbers)
{
    MakeTable("Numbers", {{"Id", jet::dbLong}, {"D", jet::dbDouble}, {"S", jet::dbSingle}});
    const std::pair<double, float> values[] = {{1.7976931348623157e308, 16777216.0f},
                                               {0.1 + 0.2, 0.1f},
                                               {-4.9406564584124654e-324, 3.4028234663852886e38f},
                                               {0.1, 1.17549435e-38f},
                                               {123456789012345678.0, -16777217.0f},
                                               {1.5, 0.5f}};
    jet::RecordsetPtr rows = Db->OpenRecordset("Numbers", jet::dbOpenDynaset);
    int id = 0;
    for (const auto& [d, s] : values) {
        rows->AddNew();
        rows->Fields().Item("Id")->SetValue(++id);
        rows->Fields().Item("D")->SetValue(d);
        rows->Fields().Item("S")->SetValue(jet::Variant::Single(s));
        rows->Update();
    }
    Export("[n#csv] IN \"" + Out + "\"[Text;]", "Numbers");
    Export("[n.html] IN \"" + Out + "\"[HTML Export;]", "Numbers");
    // Python's readers: the double as it reads, the Single as it reads
    // rounded to a Single.
    const char* script = R"(
import sys, csv, struct
from html.parser import HTMLParser
def single(text): return repr(struct.unpack('<f', struct.pack('<f', float(text)))[0])
rows = list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8')))[1:]
out = ['%s %s' % (repr(float(r[1])), single(r[2])) for r in rows]
class Cells(HTMLParser):
    def __init__(self):
        super().__init__(); self.cells = []; self.inside = False
    def handle_starttag(self, tag, attrs):
        if tag == 'td': self.inside = True; self.cells.append('')
    def handle_endtag(self, tag):
        if tag == 'td': self.inside = False
    def handle_data(self, data):
        if self.inside: self.cells[-1] += data
page = Cells(); page.feed(open(sys.argv[2], encoding='utf-8').read())
for i in range(0, len(page.cells), 3):
    out.append('%s %s' % (repr(float(page.cells[i + 1])), single(page.cells[i + 2])))
print('\n'.join(out))
)";
    const Strings lines = Lines(
        RunPython({"-c", script, QString::fromStdString(Out + "/n.csv"), QString::fromStdString(Out + "/n.html")}));
    ASSERT_EQ(lines.size(), 2 * std::size(values));
    for (std::size_t i = 0; i < 2 * std::size(values); ++i) {
        const auto& [d, s] = values[i % std::size(values)];
        char expected[80];
        std::snprintf(expected, sizeof expected, "%.17g %.9g", d, static_cast<double>(s));
        double readD = 0, readS = 0;
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "%lf %lf", &readD, &readS), 2) << lines[i];
        EXPECT_EQ(readD, d) << lines[i] << " against " << expected;
        EXPECT_EQ(readS, static_cast<double>(s)) << lines[i] << " against " << expected;
    }
    // Fifteen digits where they are enough.
    const std::string text = ReadFile(Out + "/n.csv");
    EXPECT_NE(text.find("\r\n6,1.5,0.5\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(",0.1,"), std::string::npos) << text;
}

TEST_F(ExportTest, AnotherDatabaseFileGetsTheTableWithTypesTextsAndNulls)
{
    const std::string other = PathOf("other.mdb");
    Workspace->CreateDatabase(other, ";LANGID=0x0409;CP=1252;COUNTRY=0")->Close();
    Export("[" + other + "].[Copy]");
    EXPECT_EQ(Db->RecordsAffected(), 3);
    const jet::DatabasePtr target = Workspace->OpenDatabase(other);
    EXPECT_EQ(target->TableDefs().Item("Copy")->Fields().Item("Note")->Type(), jet::dbMemo);
    const jet::RecordsetPtr rows = target->OpenRecordset("SELECT * FROM Copy ORDER BY Id", jet::dbOpenSnapshot);
    EXPECT_EQ(Values(rows, "Name"), (Strings{"Alpha", "长度 \"mm\", 甲", ""}));
    rows->MoveLast();
    EXPECT_TRUE(rows->Fields().Item("Taken")->Value().IsNull());
    EXPECT_EQ(ErrorOf([&] { Export("[" + other + "].[Copy]"); }), jet::errTableExists);
}

// A path the file system refuses (longer than a name may be) is the engine's
// error like every other failure, whatever the target.
TEST_F(ExportTest, APathTooLongIsTheEnginesError)
{
    const std::string longPath = Out + "/" + std::string(300, 'x');
    const std::string targets[] = {
        "[t] IN \"" + longPath + "\"",
        "[" + longPath + "].[t]",
        "[t] IN \"" + longPath + "\"[Text;]",
        "[t] IN \"" + longPath + "\"[HTML Export;]",
        "[t] IN \"" + longPath + "\"[Excel 8.0;]",
        "[" + std::string(300, 'y') + "] IN \"" + Out + "\"[dBase IV;]",
        "[" + std::string(300, 'y') + "] IN \"" + Out + "\"[Paradox 7.X;]",
        "[" + std::string(300, 'y') + "] IN \"" + Out + "\"[FoxPro 3.0;]",
    };
    for (const std::string& target : targets) {
        try {
            Export(target);
            ADD_FAILURE() << "no error: " << target;
        } catch (const jet::EngineError& error) {
            EXPECT_NE(error.Number(), 0) << target;
        } catch (const std::exception& error) {
            ADD_FAILURE() << "foreign error for " << target << ": " << error.what();
        }
    }
    EXPECT_TRUE(fs::is_empty(Out));
}

TEST_F(ExportTest, AFormatNotOfferedIsNotSupported)
{
    EXPECT_EQ(ErrorOf([&] { Export("[t] IN \"" + Out + "\"[Lotus WK3;]"); }), jet::errNotSupported);
}

} // namespace
