// Readers of exported files that know nothing of the writers: a few lines
// here for text and dBase or FoxPro tables, pxlib for Paradox tables and
// python's xlrd for the workbooks. Shared by the engine's export tests and
// the table component's.
#pragma once

// pxlib declares its functions without C linkage of their own.
extern "C" {
#include <paradox.h>
}

#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace exportreaders {

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline std::vector<std::string> Lines(const std::string& text, const std::string& separator = "\n")
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

// What Debian's Python (with its xlrd and dbfread) writes to its standard
// output, run with `arguments`; a failure of the script fails the test.
inline std::string RunPython(const QStringList& arguments)
{
    QProcess python;
    python.start("/usr/bin/python3", arguments);
    python.waitForFinished(120000);
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return python.readAllStandardOutput().toStdString();
}

// The cells of every sheet of a workbook as xlrd reads them: "sheet:<name>",
// then one line per row of the cells joined by "|" (texts as they are,
// numbers in the shortest form, dates "y-m-d h:m:s", booleans True and
// False, empty cells "-").
inline std::vector<std::string> ReadWorkbook(const std::string& path)
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
    return Lines(RunPython({"-c", script, QString::fromStdString(path)}));
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

inline std::uint32_t Le(const std::string& bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

inline std::uint32_t Be(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

inline std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    while (!text.empty() && text.front() == ' ')
        text.erase(0, 1);
    return text;
}

inline DbfContents ReadDbf(const std::string& path, const std::string& memoPath = "")
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
// values (nothing for Null): alpha fields decoded to UTF-8, memos and blobs
// as stored (memos in the table's code page), numbers in the shortest text
// that reads back as the same double, dates "Y-m-d H:i:s", logical fields
// "True" and "False", integers in decimal.
struct ParadoxCells {
    int FileVersion = 0;
    int CodePage = 0;
    std::vector<std::string> Names;
    std::vector<int> Types;
    std::vector<std::vector<std::optional<std::string>>> Records;
};

// pxlib 0.6.8 cannot open blob files on 64-bit machines (it smashes its
// stack), so memos are read from the record, which holds the first 240
// bytes of each.
inline ParadoxCells ReadParadoxCells(const std::string& path)
{
    ParadoxCells contents;
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
        // PX_retrieve_record reads a Null number or short as 0; these tell
        // Null apart.
        PX_get_record(doc, r, raw.data());
        int offset = 0;
        std::vector<std::optional<std::string>> record;
        for (int f = 0; f < fieldCount; ++f) {
            pxval_t* value = values[f];
            char* data = raw.data() + offset;
            const int length = PX_get_field(doc, f)->px_flen;
            double number = 0;
            short shortValue = 0;
            if (value->type == pxfNumber || value->type == pxfCurrency || value->type == pxfTimestamp)
                value->isnull = PX_get_data_double(doc, data, length, &number) == 0;
            else if (value->type == pxfShort)
                value->isnull = PX_get_data_short(doc, data, length, &shortValue) == 0;
            offset += length;
            std::optional<std::string> text;
            if (!value->isnull) {
                switch (value->type) {
                case pxfAlpha:
                case pxfMemoBLOb:
                case pxfBLOb:
                    text.emplace(value->value.str.val, static_cast<std::size_t>(value->value.str.len));
                    while (!text->empty() && text->back() == '\0')
                        text->pop_back();
                    break;
                case pxfDate: {
                    char* date = PX_date2string(doc, value->value.lval, "Y-m-d 00:00:00");
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
                    char digits[32];
                    text.emplace(digits, std::to_chars(digits, digits + sizeof digits, value->value.dval).ptr);
                    break;
                }
                case pxfLogical: text = value->value.lval ? "True" : "False"; break;
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

// The same with every value as a text: "-" for Null, texts without blanks
// around, logical fields "1" and "0".
struct ParadoxContents {
    int FileVersion = 0;
    int CodePage = 0;
    std::vector<std::string> Names;
    std::vector<int> Types;
    std::vector<std::vector<std::string>> Records;
};

inline ParadoxContents ReadParadox(const std::string& path)
{
    const ParadoxCells cells = ReadParadoxCells(path);
    ParadoxContents contents{cells.FileVersion, cells.CodePage, cells.Names, cells.Types, {}};
    for (const auto& record : cells.Records) {
        std::vector<std::string> texts;
        for (std::size_t f = 0; f < record.size(); ++f) {
            if (!record[f])
                texts.push_back("-");
            else if (cells.Types[f] == pxfLogical)
                texts.push_back(*record[f] == "True" ? "1" : "0");
            else
                texts.push_back(Trimmed(*record[f]));
        }
        contents.Records.push_back(texts);
    }
    return contents;
}

} // namespace exportreaders
