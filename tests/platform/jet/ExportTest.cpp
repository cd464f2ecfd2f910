// The export formats: SELECT ... INTO ... IN statements run on a real
// database file, the files read back by readers that know nothing of the
// writers: a few lines here for text and dBase tables, pxlib for Paradox
// tables and python's xlrd for the workbooks.
#include "JetFixture.h"

// pxlib declares its functions without C linkage of their own.
extern "C" {
#include <paradox.h>
}

#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace jettest;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> Lines(const std::string& text, const std::string& separator = "\n")
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(separator, start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + separator.size();
    }
    return lines;
}

// The cells of every sheet of a workbook as xlrd reads them: "sheet:<name>",
// then one line per row of the cells joined by "|" (texts as they are,
// numbers in the shortest form, dates "y-m-d h:m:s", booleans True and
// False, empty cells "-").
std::vector<std::string> ReadWorkbook(const std::string& path)
{
    const char* script = R"(
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
out = []
for sheet in book.sheets():
    out.append('sheet:' + sheet.name)
    for r in range(sheet.nrows):
        cells = []
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY: cells.append('-')
            elif cell.ctype == xlrd.XL_CELL_TEXT: cells.append(cell.value.replace('\r\n', '<CRLF>'))
            elif cell.ctype == xlrd.XL_CELL_BOOLEAN: cells.append(str(bool(cell.value)))
            elif cell.ctype == xlrd.XL_CELL_DATE:
                cells.append('%d-%d-%d %d:%d:%d' % xlrd.xldate_as_tuple(cell.value, book.datemode))
            else: cells.append('%.15g' % cell.value)
        out.append('|'.join(cells))
sys.stdout.buffer.write('\n'.join(out).encode('utf-8'))
)";
    QProcess python;
    python.start("/usr/bin/python3", {"-c", script, QString::fromStdString(path)});
    python.waitForFinished(60000);
    const std::string errors = python.readAllStandardError().toStdString();
    EXPECT_EQ(python.exitCode(), 0) << errors;
    return Lines(python.readAllStandardOutput().toStdString());
}

// A dBase or FoxPro table: the field names, then per record the fields as
// text (trailing blanks cut; memos read from the memo file; FoxPro 3.0's
// binary fields decoded; a field flagged Null "-").
struct DbfContents {
    int Version = 0;
    int CodePageMark = 0;
    std::vector<std::string> Names;
    std::vector<char> Types;
    std::vector<std::vector<std::string>> Records;
};

std::uint32_t Le(const std::string& bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::uint32_t Be(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    while (!text.empty() && text.front() == ' ')
        text.erase(0, 1);
    return text;
}

DbfContents ReadDbf(const std::string& path, const std::string& memoPath = "")
{
    const std::string file = ReadFile(path);
    const std::string memo = memoPath.empty() ? std::string() : ReadFile(memoPath);
    DbfContents table;
    table.Version = static_cast<unsigned char>(file[0]);
    table.CodePageMark = static_cast<unsigned char>(file[29]);
    const std::uint32_t count = Le(file, 4, 4);
    const std::uint32_t headerSize = Le(file, 8, 2);
    const std::uint32_t recordSize = Le(file, 10, 2);
    struct Descriptor {
        std::string Name;
        char Type;
        unsigned Length;
        int NullBit;
    };
    std::vector<Descriptor> fields;
    int nullField = -1;
    int nullBits = 0;
    for (std::size_t at = 32; file[at] != '\x0D'; at += 32) {
        Descriptor field{std::string(file.c_str() + at), file[at + 11],
                         static_cast<unsigned char>(file[at + 16]), -1};
        if (field.Name == "_NullFlags")
            nullField = static_cast<int>(fields.size());
        else if (file[at + 18] & 0x02)
            field.NullBit = nullBits++;
        fields.push_back(field);
    }
    for (const Descriptor& field : fields)
        if (field.Name != "_NullFlags") {
            table.Names.push_back(field.Name);
            table.Types.push_back(field.Type);
        }
    const bool foxPro = memoPath.size() > 4 && memoPath.substr(memoPath.size() - 4) == ".fpt";
    const std::size_t blockSize = foxPro ? (static_cast<unsigned char>(memo[6]) << 8 | static_cast<unsigned char>(memo[7]))
                                         : 512;
    for (std::uint32_t r = 0; r < count; ++r) {
        std::size_t at = headerSize + r * recordSize;
        EXPECT_EQ(file[at], ' ');
        ++at;
        std::vector<std::string> raw;
        std::uint32_t nullFlags = 0;
        for (std::size_t f = 0; f < fields.size(); ++f) {
            raw.push_back(file.substr(at, fields[f].Length));
            if (static_cast<int>(f) == nullField)
                nullFlags = Le(file, at, static_cast<int>(fields[f].Length));
            at += fields[f].Length;
        }
        std::vector<std::string> record;
        for (std::size_t f = 0; f < fields.size(); ++f) {
            const Descriptor& field = fields[f];
            if (static_cast<int>(f) == nullField)
                continue;
            if (field.NullBit >= 0 && (nullFlags >> field.NullBit & 1)) {
                record.push_back("-");
                continue;
            }
            const std::string& bytes = raw[f];
            std::string value;
            switch (field.Type) {
            case 'M': {
                const std::uint32_t block = field.Length == 4 ? Le(bytes, 0, 4)
                                                              : static_cast<std::uint32_t>(std::atol(bytes.c_str()));
                if (block == 0)
                    break;
                const std::size_t start = block * blockSize;
                if (foxPro)
                    value = memo.substr(start + 8, Be(memo, start + 4));
                else if (static_cast<unsigned char>(memo[start]) == 0xFF)
                    value = memo.substr(start + 8, Le(memo, start + 4, 4) - 8);
                else
                    value = memo.substr(start, memo.find("\x1A\x1A", start) - start);
                break;
            }
            case 'I': value = std::to_string(static_cast<std::int32_t>(Le(bytes, 0, 4))); break;
            case 'Y': {
                const std::uint64_t scaled = Le(bytes, 0, 4) | static_cast<std::uint64_t>(Le(bytes, 4, 4)) << 32;
                value = std::to_string(static_cast<std::int64_t>(scaled) / 10000.0);
                break;
            }
            case 'B': {
                const std::uint64_t bits = Le(bytes, 0, 4) | static_cast<std::uint64_t>(Le(bytes, 4, 4)) << 32;
                double number = 0;
                std::memcpy(&number, &bits, sizeof number);
                std::ostringstream text;
                text << number;
                value = text.str();
                break;
            }
            case 'T': {
                const long julian = static_cast<long>(Le(bytes, 0, 4));
                const long milliseconds = static_cast<long>(Le(bytes, 4, 4));
                // Julian day number to the civil date.
                long a = julian + 32044, b = (4 * a + 3) / 146097, c = a - 146097 * b / 4;
                long d = (4 * c + 3) / 1461, e = c - 1461 * d / 4, m = (5 * e + 2) / 153;
                const long day = e - (153 * m + 2) / 5 + 1, month = m + 3 - 12 * (m / 10), year = 100 * b + d - 4800 + m / 10;
                char text[64];
                std::snprintf(text, sizeof text, "%04ld%02ld%02ld %02ld:%02ld:%02ld", year, month, day,
                              milliseconds / 3600000, milliseconds / 60000 % 60, milliseconds / 1000 % 60);
                value = text;
                break;
            }
            default: value = Trimmed(bytes);
            }
            record.push_back(value);
        }
        table.Records.push_back(record);
    }
    return table;
}

// A Paradox table through pxlib: field names and types, and per record the
// values as text ("-" for Null), alpha fields decoded to UTF-8.
struct ParadoxContents {
    int FileVersion = 0;
    int CodePage = 0;
    std::vector<std::string> Names;
    std::vector<int> Types;
    std::vector<std::vector<std::string>> Records;
};

// pxlib 0.6.8 cannot open blob files on 64-bit machines (it smashes its
// stack), so memos are read from the record, which holds the first 240
// bytes of each.
ParadoxContents ReadParadox(const std::string& path)
{
    ParadoxContents contents;
    pxdoc_t* doc = PX_new();
    if (PX_open_file(doc, path.c_str()) != 0) {
        ADD_FAILURE() << "pxlib cannot open " << path;
        PX_delete(doc);
        return contents;
    }
    PX_set_targetencoding(doc, "UTF-8");
    contents.FileVersion = doc->px_head->px_fileversion;
    contents.CodePage = doc->px_head->px_doscodepage;
    const int fieldCount = PX_get_num_fields(doc);
    for (int f = 0; f < fieldCount; ++f) {
        contents.Names.push_back(PX_get_field(doc, f)->px_fname);
        contents.Types.push_back(PX_get_field(doc, f)->px_ftype);
    }
    std::string raw(static_cast<std::size_t>(PX_get_recordsize(doc)), '\0');
    for (int r = 0; r < PX_get_num_records(doc); ++r) {
        pxval_t** values = PX_retrieve_record(doc, r);
        // PX_retrieve_record reads a Null number as 0; PX_get_data_double
        // tells Null apart.
        PX_get_record(doc, r, raw.data());
        int offset = 0;
        std::vector<std::string> record;
        for (int f = 0; f < fieldCount; ++f) {
            pxval_t* value = values[f];
            const int length = PX_get_field(doc, f)->px_flen;
            double number = 0;
            if (value->type == pxfNumber || value->type == pxfCurrency || value->type == pxfTimestamp)
                value->isnull = PX_get_data_double(doc, raw.data() + offset, length, &number) == 0;
            offset += length;
            std::string text = "-";
            if (!value->isnull) {
                switch (value->type) {
                case pxfAlpha:
                case pxfMemoBLOb:
                case pxfBLOb:
                    text.assign(value->value.str.val, static_cast<std::size_t>(value->value.str.len));
                    text = Trimmed(text);
                    break;
                case pxfDate: {
                    char* date = PX_date2string(doc, value->value.lval, "Y-m-d");
                    text = date;
                    doc->free(doc, date);
                    break;
                }
                case pxfTimestamp: {
                    char* stamp = PX_timestamp2string(doc, value->value.dval, "Y-m-d H:i:s");
                    text = stamp;
                    doc->free(doc, stamp);
                    break;
                }
                case pxfNumber:
                case pxfCurrency: {
                    std::ostringstream number;
                    number << value->value.dval;
                    text = number.str();
                    break;
                }
                default: text = std::to_string(value->value.lval);
                }
            }
            record.push_back(text);
            if (value->type == pxfAlpha || value->type == pxfMemoBLOb || value->type == pxfBLOb)
                doc->free(doc, value->value.str.val);
            doc->free(doc, value);
        }
        doc->free(doc, values);
        contents.Records.push_back(record);
    }
    PX_close(doc);
    PX_delete(doc);
    return contents;
}

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

    EXPECT_EQ(ErrorOf([&] { Export("[old.db] IN \"" + Out + "\"[Paradox 3.X;]", "Notes"); }), jet::errNotSupported);
    EXPECT_FALSE(fs::exists(Out + "/old.db"));
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
