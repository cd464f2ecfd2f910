// Every export format, read back by a reader that knows nothing of the
// writers (Python's csv and html.parser, xlrd, dbfread; pxlib for Paradox;
// the engine itself for another database file), gives the stored values
// exactly: 1,000 rows of awkward data (Chinese and accented texts, quotes,
// tabs, line breaks, leading zeros, long memos, the limits of every number
// type, currency no double holds, dates from the year 100 to 9999, Nulls,
// booleans, binary values).
//
// What a format cannot hold is listed with the format below (Limit), and
// only that is compared more loosely. To look at the files with other
// programs, QUORVEX_EXPORT_COPY=<folder> keeps a copy of them there.
#include "ExportReaders.h"
#include "JetFixture.h"

#include "platform/jet/DecimalText.h"
#include "platform/system/DateTime.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <charconv>
#include <iconv.h>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <set>

using namespace jettest;
using namespace exportreaders;
namespace fs = std::filesystem;

namespace {

struct ColumnSpec {
    const char* Name;
    int Type;
    int Size = 0;
};

const ColumnSpec Columns[] = {
    {"Id", jet::dbLong},       {"Txt", jet::dbText, 100},  {"Wide", jet::dbText, 100}, {"Memo", jet::dbMemo},
    {"Tiny", jet::dbByte},     {"Small", jet::dbInteger},  {"Whole", jet::dbLong},     {"Big", jet::dbBigInt},
    {"Sgl", jet::dbSingle},    {"Dbl", jet::dbDouble},     {"Ext", jet::dbDouble},     {"Cur", jet::dbCurrency},
    {"Day", jet::dbDate},      {"Yes", jet::dbBoolean},    {"Bin", jet::dbLongBinary}, {"Flt", jet::dbSingle},
};
constexpr std::size_t CurrencyColumn = 11;

// What some formats cannot hold, and so what is compared more loosely there.
enum Limit : unsigned {
    NullTextReadsEmpty = 1,    // a Null text reads as an empty one (the reader cannot tell them apart)
    EmptyTextReadsNull = 2,    // an empty text reads as Null (Paradox keeps both as an empty field)
    TrailingBlanksCut = 4,     // fixed-width text fields are padded with blanks, which the readers cut
    BlanksAroundCut = 8,       // the Paradox reader cuts blanks at both ends
    NumbersAreDoubles = 16,    // whole numbers and currency are doubles: 64-bit values beyond 2^53 round
    MemoInRecordOnly = 32,     // pxlib cannot read a memo longer than the record's 240 bytes (the blob file)
    BooleansAreNumbers = 64,   // Paradox 4 keeps booleans as short integers -1 and 0
    SmallestIsNull = 128,      // Paradox's Null is the smallest short and long integer (-32768, -2^31)
    ColumnDecimals = 256,      // dBase numbers have one count of decimals per column, within 20 characters
};

enum class Reader { Csv, Html, Xls, Dbf, Paradox, Database };

struct Format {
    const char* Name;
    std::string Into;              // the target of SELECT ... INTO
    std::string File;              // what the reader opens
    Reader Kind;
    std::set<std::string> Left;    // columns the format cannot take at all
    std::string Where;             // rows it cannot take
    unsigned Limits = 0;
};

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (char c : bytes) {
        text += digits[static_cast<unsigned char>(c) >> 4];
        text += digits[static_cast<unsigned char>(c) & 15];
    }
    return text;
}

// The shortest text that reads back as the same double.
std::string Shortest(double value)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string DateText(double date)
{
    return platform::FormatDateTime("yyyy-mm-dd hh:nn:ss", date);
}

double Number(const std::string& text)
{
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : std::nan("");
}

class ExportReadBack : public JetFixture {
protected:
    void TearDown() override
    {
        if (const char* copy = std::getenv("QUORVEX_EXPORT_COPY"))
            fs::copy(Out, copy, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }

    void SetUp() override
    {
        JetFixture::SetUp();
        Out = PathOf("out");
        fs::create_directory(Out);
        jet::TableDefPtr table = Db->CreateTableDef("Awkward");
        for (const ColumnSpec& column : Columns)
            table->Fields().Append(table->CreateField(column.Name, column.Type, column.Size));
        Db->TableDefs().Append(table);
        jet::RecordsetPtr rows = Db->OpenRecordset("Awkward", jet::dbOpenTable);
        Workspace->BeginTrans();
        for (int i = 0; i < 1000; ++i) {
            std::vector<jet::Variant> row;
            rows->AddNew();
            for (std::size_t c = 0; c < std::size(Columns); ++c) {
                row.push_back(ValueOf(i, c));
                rows->Fields().Item(Columns[c].Name)->SetValue(row.back());
            }
            rows->Update();
            Rows.push_back(row);
        }
        Workspace->CommitTrans();
    }

    // The value of column `c` in row `i`; every column but Id has Nulls.
    static jet::Variant ValueOf(int i, std::size_t c)
    {
        using jet::Variant;
        if (c == 0)
            return Variant(i + 1);
        if ((i + static_cast<int>(c) * 7) % 23 == 0)
            return Variant::Null();
        const auto pick = [&](const auto& list) { return list[static_cast<std::size_t>(i) % std::size(list)]; };
        const std::string Name = Columns[c].Name;
        if (Name == "Txt") {
            const char* texts[] = {"Alpha", "007", "say \"hi\", then 'bye'", "tab\there", "two\r\nlines",
                                   "长度 mm 甲", "écrou à ü", "  leading", "trailing  ", "", "a,b;c|d", "#1"};
            return Variant(pick(texts));
        }
        if (Name == "Wide") {
            const char* texts[] = {"smile \xF0\x9F\x98\x80", "ภาษาไทย", "ñandú Straße Łódź", "mixed 中文 ñ"};
            return Variant(pick(texts));
        }
        if (Name == "Memo") {
            if (i % 100 == 1) {
                std::string memo;
                while (memo.size() < 3000)
                    memo += "长度 line " + std::to_string(memo.size()) + "\r\n";
                return Variant(memo);
            }
            return Variant("memo " + std::to_string(i) + (i % 2 ? "\r\nsecond" : ""));
        }
        if (Name == "Tiny")
            return Variant::Byte(static_cast<std::uint8_t>(i % 256));
        if (Name == "Small") {
            const int values[] = {-32768, 32767, 0, i - 500};
            return Variant::Smallint(static_cast<std::int16_t>(pick(values)));
        }
        if (Name == "Whole") {
            const int values[] = {std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), i * 1000};
            return Variant(pick(values));
        }
        if (Name == "Big") {
            const std::int64_t values[] = {INT64_MIN, INT64_MAX, 9007199254740993, -i};
            return Variant(pick(values));
        }
        if (Name == "Sgl") {
            const float values[] = {3.4028235e38f, 1.17549435e-38f, -3.4028235e38f, 1e-10f};
            return Variant::Single(pick(values));
        }
        if (Name == "Flt") {
            const float values[] = {0.1f, 16777216.0f, -1.5f, 123.456f, static_cast<float>(i) / 3};
            return Variant::Single(pick(values));
        }
        if (Name == "Dbl") {
            const double values[] = {0.1, 0.1 + 0.2, 123456789.123, -2.5e-7, 1.0 / 3, i * 1.1, 1e15 + 0.5};
            return Variant(pick(values));
        }
        if (Name == "Ext") {
            const double values[] = {1.7976931348623157e308, 4.9406564584124654e-324, -1e300,
                                     2.2250738585072014e-308};
            return Variant(pick(values));
        }
        if (Name == "Cur") {
            const std::int64_t values[] = {INT64_MAX, INT64_MIN, 123456789012345678, 123456, 1, -1, 0, i * 12345LL};
            return Variant::CurrencyScaled(pick(values));
        }
        if (Name == "Day") {
            using platform::EncodeDate;
            using platform::EncodeTime;
            // Before 1899-12-30 a date counts back and its time forward.
            const double dates[] = {EncodeDate(100, 1, 1),
                                    EncodeDate(1850, 6, 15) - EncodeTime(13, 14, 15, 0),
                                    EncodeDate(1899, 12, 31),
                                    EncodeDate(1900, 1, 1),
                                    EncodeDate(1900, 2, 28) + EncodeTime(6, 0, 0, 0),
                                    EncodeDate(1900, 3, 1),
                                    EncodeDate(2000, 2, 29),
                                    EncodeDate(2024, 3, 15) + EncodeTime(14, 5, 9, 0),
                                    EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 0),
                                    EncodeTime(13, 14, 15, 0)};
            return Variant::Date(pick(dates));
        }
        if (Name == "Yes")
            return Variant(i % 2 == 0);
        std::string bytes;
        for (int k = 0; k < i % 100; ++k)
            bytes += static_cast<char>((i * 7 + k) % 256);
        return Variant::Bytes(bytes);
    }

    // The columns a format takes, and their engine types.
    std::vector<std::size_t> Taken(const Format& format) const
    {
        std::vector<std::size_t> taken;
        for (std::size_t c = 0; c < std::size(Columns); ++c)
            if (!format.Left.count(Columns[c].Name))
                taken.push_back(c);
        return taken;
    }

    // The rows as the format's reader reads them: per row the cells as texts
    // (nothing for Null).
    std::vector<std::vector<std::optional<std::string>>> ReadBack(const Format& format,
                                                                  const std::vector<std::size_t>& taken)
    {
        std::vector<std::vector<std::optional<std::string>>> rows;
        if (format.Kind == Reader::Paradox)
            return ReadParadoxTable(format.File);
        if (format.Kind == Reader::Database) {
            const jet::DatabasePtr other = Workspace->OpenDatabase(PathOf("other.mdb"));
            const jet::RecordsetPtr copy = other->OpenRecordset("SELECT * FROM Copy ORDER BY Id", jet::dbOpenSnapshot);
            for (; !copy->Eof(); copy->MoveNext()) {
                std::vector<std::optional<std::string>> row;
                for (std::size_t c : taken) {
                    const jet::Variant value = copy->Fields().Item(Columns[c].Name)->Value();
                    if (value.IsNull())
                        row.emplace_back();
                    else if (value.IsArray())
                        row.emplace_back(Hex(value.AsBytes()));
                    else if (value.VarType() == jet::varDate)
                        row.emplace_back(DateText(value.AsDate()));
                    else if (value.VarType() == jet::varDouble || value.VarType() == jet::varSingle)
                        row.emplace_back(Shortest(value.AsDouble()));
                    else
                        row.emplace_back(value.AsString());
                }
                rows.push_back(row);
            }
            return rows;
        }
        QStringList types;
        for (std::size_t c : taken)
            types << QString::number(Columns[c].Type);
        const char* kinds[] = {"csv", "html", "xls", "dbf"};
        const std::string output = RunPython({QUORVEX_SOURCE_DIR "/tests/platform/jet/ReadExport.py",
                                              kinds[static_cast<int>(format.Kind)],
                                              QString::fromStdString(format.File), types.join(',')});
        const QJsonObject read = QJsonDocument::fromJson(QByteArray::fromStdString(output)).object();
        for (const QJsonValue& line : read["rows"].toArray()) {
            std::vector<std::optional<std::string>> row;
            for (const QJsonValue& cell : line.toArray())
                row.push_back(cell.isNull() ? std::nullopt : std::optional(cell.toString().toStdString()));
            rows.push_back(row);
        }
        return rows;
    }

    // A Paradox table through pxlib: memos decoded from the table's code
    // page (the last character of a memo cut in the record may be lost),
    // blobs as hexadecimal digits.
    static std::vector<std::vector<std::optional<std::string>>> ReadParadoxTable(const std::string& path)
    {
        ParadoxCells table = ReadParadoxCells(path);
        for (auto& record : table.Records)
            for (std::size_t f = 0; f < record.size(); ++f) {
                if (!record[f])
                    continue;
                if (table.Types[f] == pxfBLOb)
                    record[f] = Hex(*record[f]);
                else if (table.Types[f] == pxfMemoBLOb)
                    record[f] = FromCodePage(*record[f], table.CodePage);
            }
        return table.Records;
    }

    static std::string Convert(const std::string& bytes, const char* from, const char* to)
    {
        iconv_t converter = iconv_open(to, from);
        std::string in = bytes, out(bytes.size() * 4 + 4, '\0');
        char* source = in.data();
        char* target = out.data();
        std::size_t left = in.size(), room = out.size();
        iconv(converter, &source, &left, &target, &room);
        iconv_close(converter);
        out.resize(out.size() - room);
        return out;
    }

    static std::string FromCodePage(const std::string& bytes, int codePage)
    {
        const std::string charset = codePage == 936 ? "GBK" : codePage == 950 ? "BIG5" : "CP" + std::to_string(codePage);
        return Convert(bytes, charset.c_str(), "UTF-8");
    }

    static std::string ToCodePage(const std::string& text, const char* charset) { return Convert(text, "UTF-8", charset); }

    // Compares a read cell with the stored value, under the format's limits;
    // the reason when they differ, else empty.
    static std::string Differs(const jet::Variant& stored, const std::optional<std::string>& read, int type,
                               unsigned limits)
    {
        std::optional<std::string> want;
        // An empty binary value is written as an empty text.
        const bool textual = type == jet::dbText || type == jet::dbMemo || type == jet::dbLongBinary;
        if (!stored.IsNull())
            want = stored.IsArray() ? Hex(stored.AsBytes()) : stored.AsString();
        if (textual) {
            if (!want && (limits & NullTextReadsEmpty))
                want = "";
            if (want && want->empty() && (limits & EmptyTextReadsNull))
                want.reset();
            if (want && (limits & TrailingBlanksCut))
                while (!want->empty() && want->back() == ' ')
                    want->pop_back();
            if (want && (limits & BlanksAroundCut)) {
                *want = Trimmed(*want);
                if (want->empty())
                    want.reset();
            }
        }
        if (limits & SmallestIsNull) {
            // Paradox's Null is the bytes of the smallest short or long
            // integer: pxlib reads a short as Null, a long as the number.
            const bool smallest = !stored.IsNull()
                && ((type == jet::dbInteger && stored.AsInt64() == INT16_MIN)
                    || (type == jet::dbLong && stored.AsInt64() == INT32_MIN));
            if ((smallest || stored.IsNull()) && (type == jet::dbInteger || type == jet::dbLong)
                && (!read || *read == std::to_string(type == jet::dbInteger ? INT16_MIN : INT32_MIN)))
                return "";
        }
        // Where the reader cannot tell a Null text from an empty one.
        if (stored.IsNull() && textual && (limits & NullTextReadsEmpty) && (!read || read->empty()))
            return "";
        const auto show = [](const std::optional<std::string>& cell) { return cell ? "'" + *cell + "'" : "Null"; };
        if (!want || !read)
            return want.has_value() == read.has_value() ? "" : show(read) + " for " + show(want);
        bool same = false;
        switch (type) {
        case jet::dbText:
        case jet::dbMemo:
            same = *read == *want
                || ((limits & MemoInRecordOnly) && read->empty() && want->size() > 240);
            break;
        case jet::dbByte:
        case jet::dbInteger:
        case jet::dbLong:
        case jet::dbBigInt:
            same = *read == *want || Number(*read) == static_cast<double>(stored.AsInt64());
            if (!(limits & NumbersAreDoubles) && std::abs(static_cast<double>(stored.AsInt64())) > 9007199254740992.0)
                same = *read == *want;
            break;
        case jet::dbCurrency: {
            std::int64_t scaled = 0;
            same = jet::ReadCurrencyText(*read, scaled) == jet::DecimalRead::Value && scaled == stored.AsCurrencyScaled();
            if (!same && (limits & NumbersAreDoubles))
                same = Number(*read) == static_cast<double>(stored.AsCurrencyScaled()) / 10000;
            break;
        }
        case jet::dbSingle:
        case jet::dbDouble: {
            same = type == jet::dbSingle ? static_cast<float>(Number(*read)) == static_cast<float>(stored.AsDouble())
                                         : Number(*read) == stored.AsDouble();
            if (!same && (limits & ColumnDecimals)) {
                // The value rounded to the decimals the column has.
                const std::size_t point = read->find('.');
                const int decimals = point == std::string::npos ? 0 : static_cast<int>(read->size() - point - 1);
                char rounded[512];
                std::snprintf(rounded, sizeof rounded, "%.*f", decimals, stored.AsDouble());
                same = *read == rounded;
            }
            break;
        }
        case jet::dbDate: same = *read == DateText(stored.AsDate()); break;
        case jet::dbBoolean:
            same = *read == (stored.AsBoolean() ? "True" : "False")
                || ((limits & BooleansAreNumbers) && *read == (stored.AsBoolean() ? "-1" : "0"));
            break;
        default: same = *read == *want;
        }
        return same ? "" : show(read) + " for " + show(want);
    }

    void ExportAndCompare(const Format& format)
    {
        SCOPED_TRACE(format.Name);
        const std::vector<std::size_t> taken = Taken(format);
        std::string list;
        for (std::size_t c : taken)
            list += std::string(list.empty() ? "" : ", ") + "[" + Columns[c].Name + "]";
        Db->Execute("SELECT " + list + " INTO " + format.Into + " FROM Awkward"
                    + (format.Where.empty() ? "" : " WHERE " + format.Where));
        const auto rows = ReadBack(format, taken);
        std::vector<const std::vector<jet::Variant>*> expected;
        for (const auto& row : Rows)
            if (format.Where.empty()
                || !(row[CurrencyColumn].VarType() == jet::varCurrency && row[CurrencyColumn].AsCurrencyScaled() == INT64_MIN))
                expected.push_back(&row);
        ASSERT_EQ(rows.size(), expected.size());
        int differences = 0;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            ASSERT_EQ(rows[r].size(), taken.size()) << "row " << r;
            for (std::size_t k = 0; k < taken.size(); ++k) {
                const std::size_t c = taken[k];
                const std::string why = Differs((*expected[r])[c], rows[r][k], Columns[c].Type, format.Limits);
                if (!why.empty() && ++differences <= 10)
                    ADD_FAILURE() << "record " << r + 1 << ", field " << Columns[c].Name << ": read " << why;
            }
        }
        EXPECT_EQ(differences, 0);
    }

    std::string Out;
    std::vector<std::vector<jet::Variant>> Rows;
};

TEST_F(ExportReadBack, TextAndHtmlFilesGiveEveryValue)
{
    ExportAndCompare({"Text", "[awkward#csv] IN \"" + Out + "\"[Text;]", Out + "/awkward.csv", Reader::Csv, {}, "",
                      NullTextReadsEmpty});
    ExportAndCompare({"HTML Export", "[awkward.html] IN \"" + Out + "\"[HTML Export;]", Out + "/awkward.html",
                      Reader::Html, {}, "", NullTextReadsEmpty});
}

TEST_F(ExportReadBack, WorkbooksGiveEveryValueTheyHold)
{
    // Excel 3.0 to 5.0 keep 8-bit texts of at most 255 bytes a cell: the
    // texts no code page holds and the long memos are left out.
    for (const char* version : {"3.0", "4.0", "5.0"})
        ExportAndCompare({version, "[Awkward] IN \"" + Out + "/" + version + ".xls\"[Excel " + version + ";]",
                          Out + "/" + version + ".xls", Reader::Xls, {"Wide", "Memo"}, "", NumbersAreDoubles});
    ExportAndCompare({"8.0", "[Awkward] IN \"" + Out + "/8.xls\"[Excel 8.0;]", Out + "/8.xls", Reader::Xls, {}, "",
                      NumbersAreDoubles});
}

TEST_F(ExportReadBack, DbaseAndFoxProTablesGiveEveryValueTheyHold)
{
    // Numeric fields hold 20 characters: the extreme doubles and Singles do
    // not fit, and the smallest currency would take 21.
    const std::string smallest = "Cur IS NULL OR Cur <> \"-922337203685477.5808\"";
    for (const char* version : {"dBase III", "dBase IV", "dBase 5.0", "FoxPro 2.0", "FoxPro 2.5", "FoxPro 2.6"}) {
        const std::string file = std::string(version).substr(0, 2) + std::string(version).substr(std::string(version).size() - 1);
        ExportAndCompare({version, "[" + file + "] IN \"" + Out + "\"[" + version + ";]", Out + "/" + file + ".dbf",
                          Reader::Dbf, {"Wide", "Ext", "Sgl"}, smallest,
                          NullTextReadsEmpty | TrailingBlanksCut | ColumnDecimals});
    }
    // FoxPro 3.0 keeps binary numbers, currency and Nulls of its own.
    ExportAndCompare({"FoxPro 3.0", "[fox30] IN \"" + Out + "\"[FoxPro 3.0;]", Out + "/fox30.dbf", Reader::Dbf,
                      {"Wide"}, "", TrailingBlanksCut});
}

TEST_F(ExportReadBack, ParadoxTablesGiveEveryValueTheyHold)
{
    const unsigned limits = EmptyTextReadsNull | NumbersAreDoubles | MemoInRecordOnly | SmallestIsNull;
    ExportAndCompare({"Paradox 4.X", "[px4] IN \"" + Out + "\"[Paradox 4.X;]", Out + "/px4.db", Reader::Paradox,
                      {"Wide"}, "", limits | BooleansAreNumbers});
    for (const char* version : {"5", "7"})
        ExportAndCompare({version, "[px" + std::string(version) + "] IN \"" + Out + "\"[Paradox " + version + ".X;]",
                          Out + "/px" + version + ".db", Reader::Paradox, {"Wide"}, "", limits});
    // The long memos, which pxlib cannot read, are whole in the blob files.
    const std::string memo = ToCodePage(Rows[1][3].AsString(), "GBK");
    for (const char* version : {"4", "5", "7"})
        EXPECT_NE(ReadFile(Out + "/px" + version + ".mb").find(memo), std::string::npos) << version;
}

TEST_F(ExportReadBack, AnotherDatabaseFileGivesEveryValue)
{
    Workspace->CreateDatabase(PathOf("other.mdb"), ";LANGID=0x0409;CP=1252;COUNTRY=0")->Close();
    ExportAndCompare({"database", "[" + PathOf("other.mdb") + "].[Copy]", "", Reader::Database, {}, "", 0});
}

} // namespace
