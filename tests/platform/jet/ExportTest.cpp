// The export formats: SELECT ... INTO ... IN statements run on a real
// database file, the files read back by readers that know nothing of the
// writers (ExportReaders.h).
#include "ExportReaders.h"
#include "JetFixture.h"
#include "PxlibRead.h"

#include <QFile>

#include <algorithm>
#include <cmath>
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

TEST_F(ExportTest, AFormatNotOfferedIsNotSupported)
{
    EXPECT_EQ(ErrorOf([&] { Export("[t] IN \"" + Out + "\"[Lotus WK3;]"); }), jet::errNotSupported);
}

} // namespace
