// The Excel formats, written record by record in the binary file format of
// each version:
//   3 and 4: a worksheet file (BIFF3, BIFF4): one sheet, named by the file;
//   5 and 8: a workbook (BIFF5, BIFF8) in a compound file, its stream "Book"
//            or "Workbook", the sheet named by the statement's table name.
// Row 0 holds the column names, each record one row below. Texts are cells
// of text (BIFF8: shared strings in UTF-16; older: 8-bit in the file's code
// page, at most 255 bytes a cell), numbers and currency number cells,
// booleans boolean cells, dates number cells formatted "yyyy-mm-dd" (or
// "yyyy-mm-dd hh:mm:ss" when they hold a time, "hh:mm:ss" for a time
// alone) in Excel's serial numbers, dates before 1900 texts in those forms,
// binary values texts of hexadecimal digits; Null leaves the cell empty.
//
// A sheet holds 16384 rows (BIFF3 to 5) or 65536 (BIFF8). A workbook goes on
// in further sheets named "<sheet> (2)", "<sheet> (3)", ..., each beginning
// with the column names; a worksheet file has no room for more and raises
// 3251. More than 256 columns raise 3190.
//
// A workbook written back whole (WriteWorkbook) has several sheets, each a
// table or the cells a sheet held when it was read, and in BIFF8 the named
// ranges it had (SUPBOOK, EXTERNSHEET and NAME records).
#include "platform/jet/CompoundFile.h"
#include "platform/jet/ExportFormats.h"
#include "platform/jet/FormatTables.h"

#include "platform/jet/Constants.h"
#include "platform/jet/EngineError.h"
#include "platform/system/DateTime.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <unordered_map>

namespace jet::exporting {
namespace {

const char* const ExcelSource = "DAO.Database";

// Record types.
enum : std::uint16_t {
    recBof3 = 0x0209,
    recBof4 = 0x0409,
    recBof = 0x0809,
    recEof = 0x000A,
    recCodePage = 0x0042,
    recWindow1 = 0x003D,
    recDateMode = 0x0022,
    recFont = 0x0031,
    recFont34 = 0x0231,
    recFormat3 = 0x001E,
    recFormat = 0x041E,
    recXf3 = 0x0243,
    recXf4 = 0x0443,
    recXf = 0x00E0,
    recStyle = 0x0293,
    recBoundSheet = 0x0085,
    recSst = 0x00FC,
    recContinue = 0x003C,
    recDimensions = 0x0200,
    recWindow2 = 0x023E,
    recNumber = 0x0203,
    recLabel = 0x0204,
    recBoolErr = 0x0205,
    recLabelSst = 0x00FD,
    recSupBook = 0x01AE,
    recExternSheet = 0x0017,
    recName = 0x0018,
};

// The cell formats: style XFs 0 to 14, then the cells' own.
constexpr std::uint16_t StyleXfCount = 15;
constexpr std::uint16_t XfGeneral = 15;
constexpr std::uint16_t XfDate = 16;
constexpr std::uint16_t XfDateTime = 17;
constexpr std::uint16_t XfTime = 18;
const char* const DateFormat = "yyyy-mm-dd";
const char* const DateTimeFormat = "yyyy-mm-dd hh:mm:ss";
const char* const TimeFormat = "hh:mm:ss";
constexpr std::size_t MaxRecordData8 = 8224;

class Bytes {
public:
    std::string Data;
    void U8(unsigned value) { Data += static_cast<char>(value & 0xFF); }
    void U16(unsigned value)
    {
        U8(value);
        U8(value >> 8);
    }
    void U32(std::uint32_t value)
    {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    void F64(double value)
    {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        U32(static_cast<std::uint32_t>(bits));
        U32(static_cast<std::uint32_t>(bits >> 32));
    }
    void Raw(std::string_view bytes) { Data.append(bytes); }
};

// A text as BIFF8 keeps it: UTF-16 code units, written as single bytes when
// all of them are below 256.
struct WideText {
    std::u16string Units;
    bool Compressed = true;

    explicit WideText(std::string_view utf8)
    {
        const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
        Units.assign(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
        for (char16_t unit : Units)
            if (unit > 0xFF)
                Compressed = false;
    }
    std::size_t UnitSize() const { return Compressed ? 1 : 2; }
    void WriteUnits(Bytes& out, std::size_t from, std::size_t count) const
    {
        for (std::size_t i = from; i < from + count; ++i)
            if (Compressed)
                out.U8(Units[i]);
            else
                out.U16(Units[i]);
    }
};

enum class CellKind { None, Text, Number, Boolean };

struct Cell {
    CellKind Kind = CellKind::None;
    std::string Text;
    double Number = 0;
    std::uint16_t Xf = XfGeneral;
};

Cell CellOf(const formats::WorkbookCell& read)
{
    Cell cell;
    switch (read.Type) {
    case formats::WorkbookCell::Kind::Text:
        cell.Kind = CellKind::Text;
        cell.Text = read.Text;
        break;
    case formats::WorkbookCell::Kind::Boolean:
        cell.Kind = CellKind::Boolean;
        cell.Number = read.Number;
        break;
    case formats::WorkbookCell::Kind::Number:
        cell.Kind = CellKind::Number;
        cell.Number = read.Number;
        if (read.Date)
            cell.Xf = read.Number == std::floor(read.Number) ? XfDate : XfDateTime;
        break;
    }
    return cell;
}

Cell CellOf(const Variant& value)
{
    Cell cell;
    if (value.IsClear())
        return cell;
    if (value.IsArray()) {
        cell.Kind = CellKind::Text;
        cell.Text = ValueText(value);
    } else if (value.VarType() == varString) {
        cell.Kind = CellKind::Text;
        cell.Text = value.AsString();
    } else if (value.VarType() == varBoolean) {
        cell.Kind = CellKind::Boolean;
        cell.Number = value.AsBoolean() ? 1 : 0;
    } else if (value.VarType() == varDate) {
        // Excel's serial numbers count 29 February 1900, which never was:
        // from 1 March 1900 (automation date 61) they equal automation
        // dates, before it they are one less, and before 1900 there are
        // none (a time of day alone is the fraction of day 0).
        const double date = value.AsDate();
        const bool wholeDay = date == std::floor(date);
        if (date >= 61 || (date >= 0 && date < 1)) {
            cell.Kind = CellKind::Number;
            cell.Number = date;
        } else if (date >= 2) {
            cell.Kind = CellKind::Number;
            cell.Number = date - 1;
        } else {
            cell.Kind = CellKind::Text;
            cell.Text = platform::FormatDateTime(wholeDay ? "yyyy-mm-dd" : "yyyy-mm-dd hh:nn:ss", date);
            return cell;
        }
        cell.Xf = date >= 0 && date < 1 ? XfTime : wholeDay ? XfDate : XfDateTime;
    } else {
        cell.Kind = CellKind::Number;
        cell.Number = value.VarType() == varCurrency ? static_cast<double>(value.AsCurrencyScaled()) / 10000
                                                     : value.AsDouble();
    }
    return cell;
}

void CheckSheetName(const std::string& name)
{
    CheckFileName(name);
    if (name.find_first_of(":?*[") != std::string::npos || QString::fromStdString(name).size() > 31)
        throw EngineError(errWrongName,
                          "'" + name + "' is not a valid name. Make sure that it does not include invalid characters "
                          "or punctuation and that it is not too long.",
                          ExcelSource);
}

// The sheet names of a workbook that needs `sheets` sheets.
std::string SheetName(const std::string& base, std::size_t number)
{
    if (number == 1)
        return base;
    const QString suffix = QString(" (%1)").arg(number);
    return (QString::fromStdString(base).left(31 - suffix.size()) + suffix).toStdString();
}

// One sheet of the file: rows of a table below its column names, or the
// cells of a sheet as a workbook held them.
struct SheetPart {
    std::string Name;
    const Table* Rows = nullptr;
    std::size_t FirstRow = 0;
    std::size_t RowCount = 0;
    const std::vector<formats::WorkbookCell>* Cells = nullptr;
};

// The sheets a table takes: as many as its rows need.
std::vector<SheetPart> TableSheets(int version, const Table& table, const std::string& name)
{
    if (table.Columns.size() > 256)
        throw EngineError(3190, "Too many fields defined.", ExcelSource);
    const std::size_t rowsPerSheet = (version == 8 ? 65536 : 16384) - 1;
    const std::size_t count = std::max<std::size_t>(1, (table.Rows.size() + rowsPerSheet - 1) / rowsPerSheet);
    if (version < 5 && count > 1)
        throw EngineError(errNotSupported,
                          "Operation is not supported for this type of object. A worksheet of the Excel "
                              + std::to_string(version) + ".0 format holds at most " + std::to_string(rowsPerSheet)
                              + " rows below the column names.",
                          ExcelSource);
    std::vector<SheetPart> parts;
    for (std::size_t s = 0; s < count; ++s) {
        const std::size_t first = s * rowsPerSheet;
        parts.push_back({SheetName(name, s + 1), &table, first, std::min(table.Rows.size(), first + rowsPerSheet) - first,
                         nullptr});
    }
    return parts;
}

class BiffWriter {
public:
    // `texts` holds every text the sheets hold, for the choice of the code
    // page of BIFF3 to 5.
    BiffWriter(int version, std::vector<SheetPart> sheets, std::vector<formats::WorkbookRange> names,
               const Table& texts)
        : Version(version), Sheets(std::move(sheets)), Names(std::move(names))
    {
        if (Version < 8)
            Encoder.emplace(texts, "Excel " + std::to_string(Version) + ".0");
        if (Version < 5 && Sheets.size() > 1)
            throw EngineError(errNotSupported,
                              "Operation is not supported for this type of object. A worksheet file of the Excel "
                                  + std::to_string(Version) + ".0 format holds one sheet.",
                              ExcelSource);
    }

    std::string Build()
    {
        if (Version < 5) {
            Bytes sheet;
            Record(sheet, Version == 3 ? recBof3 : recBof4, Bof(0x0010));
            Record(sheet, recCodePage, U16Bytes(static_cast<unsigned>(Encoder->Page().Number)));
            FontRecords(sheet);
            FormatRecords(sheet);
            XfRecords(sheet);
            SheetBody(sheet, Sheets.front(), true);
            return sheet.Data;
        }
        Bytes globals;
        Record(globals, recBof, Bof(0x0005));
        Record(globals, recCodePage, U16Bytes(Version == 8 ? 1200u : static_cast<unsigned>(Encoder->Page().Number)));
        Window1(globals);
        Record(globals, recDateMode, U16Bytes(0));
        FontRecords(globals);
        FormatRecords(globals);
        XfRecords(globals);
        // The built-in style "Normal" on style XF 0.
        Record(globals, recStyle, std::string("\x00\x80\x00\xFF", 4));
        std::vector<std::size_t> sheetOffsetAt;
        for (const SheetPart& part : Sheets) {
            Bytes data;
            data.U32(0);  // the sheet's offset, set below
            data.U16(0);  // a visible worksheet
            ShortText(data, part.Name);
            sheetOffsetAt.push_back(globals.Data.size() + 4);
            Record(globals, recBoundSheet, data.Data);
        }
        if (Version == 8 && !Names.empty())
            NameRecords(globals);
        if (Version == 8)
            SharedStrings(globals);
        Record(globals, recEof, {});

        std::string stream = std::move(globals.Data);
        for (std::size_t s = 0; s < Sheets.size(); ++s) {
            const auto offset = static_cast<std::uint32_t>(stream.size());
            for (int i = 0; i < 4; ++i)
                stream[sheetOffsetAt[s] + i] = static_cast<char>((offset >> (8 * i)) & 0xFF);
            Bytes sheet;
            Record(sheet, recBof, Bof(0x0010));
            SheetBody(sheet, Sheets[s], s == 0);
            stream += sheet.Data;
        }
        return BuildCompoundFile(Version == 8 ? "Workbook" : "Book", stream);
    }

private:
    // Calls `each(row, column, cell, record)` for every cell of the sheet, row
    // by row; `record` numbers a table's records from 1 and is 0 for the
    // column names and for cells read from a workbook.
    template <class F>
    static void ForEachCell(const SheetPart& part, F&& each)
    {
        if (part.Cells) {
            for (const formats::WorkbookCell& cell : *part.Cells)
                each(static_cast<unsigned>(cell.Row), static_cast<unsigned>(cell.Column), CellOf(cell), std::size_t{0});
            return;
        }
        const auto columns = static_cast<unsigned>(part.Rows->Columns.size());
        for (unsigned c = 0; c < columns; ++c) {
            Cell name;
            name.Kind = CellKind::Text;
            name.Text = part.Rows->Columns[c].Name;
            each(0u, c, name, std::size_t{0});
        }
        for (std::size_t r = 0; r < part.RowCount; ++r) {
            const auto& row = part.Rows->Rows[part.FirstRow + r];
            for (unsigned c = 0; c < columns; ++c)
                each(static_cast<unsigned>(r + 1), c, CellOf(row[c]), part.FirstRow + r + 1);
        }
    }

    // The rows and columns a sheet spans.
    static std::pair<std::size_t, unsigned> Extent(const SheetPart& part)
    {
        if (!part.Cells)
            return {part.RowCount + 1, static_cast<unsigned>(part.Rows->Columns.size())};
        std::size_t rows = 0;
        unsigned columns = 0;
        for (const formats::WorkbookCell& cell : *part.Cells) {
            rows = std::max(rows, cell.Row + 1);
            columns = std::max(columns, static_cast<unsigned>(cell.Column + 1));
        }
        return {rows, columns};
    }

    // The named ranges: an internal SUPBOOK for the workbook's sheets, an
    // EXTERNSHEET entry per sheet, and a NAME record per range, whose
    // formula is the range's block of cells (a 3-D area token).
    void NameRecords(Bytes& out)
    {
        Bytes book;
        book.U16(static_cast<unsigned>(Sheets.size()));
        book.U16(0x0401);  // the workbook itself
        Record(out, recSupBook, book.Data);
        Bytes sheets;
        sheets.U16(static_cast<unsigned>(Sheets.size()));
        for (std::size_t s = 0; s < Sheets.size(); ++s) {
            sheets.U16(0);
            sheets.U16(static_cast<unsigned>(s));
            sheets.U16(static_cast<unsigned>(s));
        }
        Record(out, recExternSheet, sheets.Data);
        for (const formats::WorkbookRange& range : Names) {
            const WideText name(range.Name);
            Bytes data;
            data.U16(0);  // no options
            data.U8(0);   // no keyboard shortcut
            data.U8(static_cast<unsigned>(name.Units.size()));
            data.U16(11);  // the formula's size
            data.U16(0);
            data.U16(0);  // a name of the workbook, not of one sheet
            data.U32(0);  // no menu, description, help or status texts
            data.U8(name.Compressed ? 0 : 1);
            name.WriteUnits(data, 0, name.Units.size());
            data.U8(0x3B);  // tArea3d
            data.U16(static_cast<unsigned>(range.Sheet));
            data.U16(static_cast<unsigned>(range.FirstRow));
            data.U16(static_cast<unsigned>(range.LastRow));
            data.U16(static_cast<unsigned>(range.FirstColumn));
            data.U16(static_cast<unsigned>(range.LastColumn));
            Record(out, recName, data.Data);
        }
    }

    static std::string U16Bytes(unsigned value)
    {
        Bytes bytes;
        bytes.U16(value);
        return bytes.Data;
    }

    void Record(Bytes& out, std::uint16_t type, std::string_view data)
    {
        const std::size_t limit = Version == 8 ? MaxRecordData8 : 2080;
        std::size_t length = std::min(data.size(), limit);
        out.U16(type);
        out.U16(static_cast<unsigned>(length));
        out.Raw(data.substr(0, length));
        for (std::size_t at = length; at < data.size(); at += length) {
            length = std::min(data.size() - at, limit);
            out.U16(recContinue);
            out.U16(static_cast<unsigned>(length));
            out.Raw(data.substr(at, length));
        }
    }

    std::string Bof(unsigned type) const
    {
        Bytes data;
        if (Version < 5) {
            data.U16(0);
            data.U16(type);
            data.U16(0);
            return data.Data;
        }
        data.U16(Version == 8 ? 0x0600 : 0x0500);
        data.U16(type);
        data.U16(Version == 8 ? 0x0DBB : 0x096C);  // build
        data.U16(Version == 8 ? 0x07CC : 0x07C9);  // year
        if (Version == 8) {
            data.U32(0x00000041);  // file history
            data.U32(0x00000006);  // lowest version that can read it
        }
        return data.Data;
    }

    void Window1(Bytes& out)
    {
        Bytes data;
        data.U16(0x0168);  // position and size of the window, in twips
        data.U16(0x001E);
        data.U16(0x3A5C);
        data.U16(0x2328);
        data.U16(0x0038);  // scroll bars and sheet tabs shown
        data.U16(0);       // active sheet
        data.U16(0);       // first visible tab
        data.U16(1);       // selected sheets
        data.U16(0x0258);  // width of the tab bar
        Record(out, recWindow1, data.Data);
    }

    // A name in the 8-bit code page (length in one byte) or, in BIFF8, as a
    // short UTF-16 text.
    void ShortText(Bytes& out, const std::string& text)
    {
        if (Version == 8) {
            const WideText wide(text);
            out.U8(static_cast<unsigned>(wide.Units.size()));
            out.U8(wide.Compressed ? 0 : 1);
            wide.WriteUnits(out, 0, wide.Units.size());
            return;
        }
        const std::string bytes = Encoder->Encode(text).substr(0, 255);
        out.U8(static_cast<unsigned>(bytes.size()));
        out.Raw(bytes);
    }

    void FontRecords(Bytes& out)
    {
        // BIFF5 and later leave font index 4 out: four records cover 0 to 3.
        for (int i = 0; i < (Version < 5 ? 1 : 4); ++i) {
            Bytes data;
            data.U16(200);  // 10 points, in twentieths
            data.U16(0);
            data.U16(0x7FFF);  // the window text colour
            if (Version >= 5) {
                data.U16(400);  // normal weight
                data.U16(0);    // no escapement
                data.U8(0);     // no underline
                data.U8(0);     // family
                data.U8(FontCharset());
                data.U8(0);
            }
            ShortText(data, "Arial");
            Record(out, Version < 5 ? recFont34 : recFont, data.Data);
        }
    }

    // The character set of the fonts, which readers take for the code page
    // of the texts in that font (BIFF5; BIFF8 texts are UTF-16 anyway).
    unsigned FontCharset() const
    {
        if (!Encoder)
            return 0;
        switch (Encoder->Page().Number) {
        case 936: return 134;  // GB2312_CHARSET
        case 950: return 136;  // CHINESEBIG5_CHARSET
        default: return 0;     // ANSI_CHARSET
        }
    }

    // The date and time formats: numbered 164 to 166 in BIFF5 and later, where the
    // built-in ones need no record; in BIFF3 and 4 by their order, after
    // "General".
    void FormatRecords(Bytes& out)
    {
        const auto format = [&](unsigned index, const std::string& text) {
            Bytes data;
            if (Version == 8) {
                data.U16(index);
                const WideText wide(text);
                data.U16(static_cast<unsigned>(wide.Units.size()));
                data.U8(wide.Compressed ? 0 : 1);
                wide.WriteUnits(data, 0, wide.Units.size());
            } else {
                if (Version >= 4)
                    data.U16(Version == 5 ? index : 0);
                data.U8(static_cast<unsigned>(text.size()));
                data.Raw(text);
            }
            Record(out, Version == 3 ? recFormat3 : recFormat, data.Data);
        };
        if (Version < 5) {
            format(0, "General");
            format(1, DateFormat);
            format(2, DateTimeFormat);
            format(3, TimeFormat);
        } else {
            format(164, DateFormat);
            format(165, DateTimeFormat);
            format(166, TimeFormat);
        }
    }

    unsigned FormatIndex(std::uint16_t xf) const
    {
        if (xf == XfDate)
            return Version < 5 ? 1 : 164;
        if (xf == XfDateTime)
            return Version < 5 ? 2 : 165;
        if (xf == XfTime)
            return Version < 5 ? 3 : 166;
        return 0;
    }

    void XfRecords(Bytes& out)
    {
        for (std::uint16_t xf = 0; xf <= XfTime; ++xf) {
            const bool style = xf < StyleXfCount;
            const unsigned format = FormatIndex(xf);
            // Style XFs have no parent (0xFFF) and are locked; cell XFs take
            // style 0 as parent and say that their number format is their own.
            const unsigned typeAndParent = style ? 0xFFF5 : 0x0001;
            const unsigned usedFormat = !style && format != 0 ? 0x04 : 0;
            Bytes data;
            switch (Version) {
            case 3:
                data.U8(0);
                data.U8(format);
                data.U8(typeAndParent & 0xFF);
                data.U8(usedFormat);
                data.U16(style ? 0xFFF0 : 0x0000);  // alignment and parent
                data.U16(0);
                data.U32(0);
                Record(out, recXf3, data.Data);
                break;
            case 4:
                data.U8(0);
                data.U8(format);
                data.U16(typeAndParent);
                data.U8(0x20);  // bottom aligned
                data.U8(usedFormat);
                data.U16(0);
                data.U32(0);
                Record(out, recXf4, data.Data);
                break;
            case 5:
                data.U16(0);
                data.U16(format);
                data.U16(typeAndParent);
                data.U8(0x20);
                data.U8(usedFormat);
                data.U32(0x000020C0);  // window colours, no pattern
                data.U32(0);
                Record(out, recXf, data.Data);
                break;
            default:
                data.U16(0);
                data.U16(format);
                data.U16(typeAndParent);
                data.U8(0x20);
                data.U8(0);
                data.U8(0);
                data.U8(usedFormat);
                data.U32(0);
                data.U32(0);
                data.U16(0x20C0);
                Record(out, recXf, data.Data);
            }
        }
    }

    // Every text of the workbook once, in the order of first use; BIFF8
    // cells refer to them by number. Strings run on in CONTINUE records, a
    // string's characters being split only between characters, each
    // continued part opening with its own byte of flags.
    void SharedStrings(Bytes& out)
    {
        std::vector<const std::string*> order;
        std::size_t uses = 0;
        const auto add = [&](const std::string& text) {
            ++uses;
            const auto [it, added] = StringIndex.try_emplace(text, static_cast<std::uint32_t>(order.size()));
            if (added)
                order.push_back(&it->first);
        };
        for (const SheetPart& part : Sheets) {
            if (part.Cells) {
                ForEachCell(part, [&](unsigned, unsigned, const Cell& cell, std::size_t) {
                    if (cell.Kind == CellKind::Text)
                        add(cell.Text);
                });
                continue;
            }
            // Only strings, byte arrays and dates can give text cells.
            for (const Column& column : part.Rows->Columns)
                add(column.Name);
            for (std::size_t r = 0; r < part.RowCount; ++r)
                for (const Variant& value : part.Rows->Rows[part.FirstRow + r])
                    if (value.VarType() == varString || value.IsArray() || value.VarType() == varDate)
                        if (const Cell cell = CellOf(value); cell.Kind == CellKind::Text)
                            add(cell.Text);
        }

        std::vector<std::string> records;
        Bytes current;
        current.U32(static_cast<std::uint32_t>(uses));
        current.U32(static_cast<std::uint32_t>(order.size()));
        const auto flush = [&] {
            records.push_back(std::move(current.Data));
            current.Data.clear();
        };
        for (const std::string* text : order) {
            const WideText wide(*text);
            if (wide.Units.size() > 32767)
                throw EngineError(errFieldTooSmall,
                                  "The field is too small to accept the amount of data you attempted to add. A cell "
                                  "of the Excel 8.0 format holds at most 32767 characters.",
                                  ExcelSource);
            if (current.Data.size() + 3 + wide.UnitSize() > MaxRecordData8)
                flush();
            current.U16(static_cast<unsigned>(wide.Units.size()));
            current.U8(wide.Compressed ? 0 : 1);
            std::size_t written = 0;
            while (written < wide.Units.size()) {
                const std::size_t room = (MaxRecordData8 - current.Data.size()) / wide.UnitSize();
                if (room == 0) {
                    flush();
                    current.U8(wide.Compressed ? 0 : 1);
                    continue;
                }
                std::size_t count = std::min(room, wide.Units.size() - written);
                // A surrogate pair stays in one record.
                if (written + count < wide.Units.size() && QChar::isHighSurrogate(wide.Units[written + count - 1])) {
                    if (--count == 0) {
                        flush();
                        current.U8(wide.Compressed ? 0 : 1);
                        continue;
                    }
                }
                wide.WriteUnits(current, written, count);
                written += count;
            }
        }
        flush();
        for (std::size_t i = 0; i < records.size(); ++i) {
            out.U16(i == 0 ? recSst : recContinue);
            out.U16(static_cast<unsigned>(records[i].size()));
            out.Raw(records[i]);
        }
    }

    void SheetBody(Bytes& out, const SheetPart& part, bool firstSheet)
    {
        const auto [rows, columns] = Extent(part);
        Bytes dimensions;
        if (Version == 8) {
            dimensions.U32(0);
            dimensions.U32(static_cast<std::uint32_t>(rows));
        } else {
            dimensions.U16(0);
            dimensions.U16(static_cast<unsigned>(rows));
        }
        dimensions.U16(0);
        dimensions.U16(columns);
        dimensions.U16(0);
        Record(out, recDimensions, dimensions.Data);

        Bytes window;
        // Grid, headers, zeros and outline shown; the first sheet selected.
        window.U16(firstSheet ? 0x06B6 : 0x00B6);
        window.U16(0);
        window.U16(0);
        if (Version == 8) {
            window.U16(0x40);
            window.U16(0);
            window.U16(0);
            window.U16(0);
            window.U32(0);
        } else {
            window.U32(0);
        }
        Record(out, recWindow2, window.Data);

        ForEachCell(part, [&](unsigned row, unsigned column, const Cell& cell, std::size_t record) {
            WriteCell(out, part, row, column, cell, record);
        });
        Record(out, recEof, {});
    }

    // `record` (from 1) names the record of a table's value cell in messages.
    void WriteCell(Bytes& out, const SheetPart& part, unsigned row, unsigned column, const Cell& cell,
                   std::size_t record)
    {
        Bytes data;
        data.U16(row);
        data.U16(column);
        data.U16(cell.Xf);
        switch (cell.Kind) {
        case CellKind::None: return;
        case CellKind::Number:
            data.F64(cell.Number);
            Record(out, recNumber, data.Data);
            return;
        case CellKind::Boolean:
            data.U8(cell.Number != 0 ? 1 : 0);
            data.U8(0);
            Record(out, recBoolErr, data.Data);
            return;
        case CellKind::Text:
            if (Version == 8) {
                data.U32(StringIndex.at(cell.Text));
                Record(out, recLabelSst, data.Data);
                return;
            }
            const std::string bytes = Encoder->Encode(cell.Text);
            if (bytes.size() > 255)
                throw EngineError(errFieldTooSmall,
                                  "The field is too small to accept the amount of data you attempted to add. A cell "
                                  "of the Excel "
                                      + std::to_string(Version) + ".0 format holds at most 255 bytes; "
                                      + (part.Rows ? "the text of field '" + part.Rows->Columns[column].Name + "'"
                                                       + (record ? " in record " + std::to_string(record) : std::string())
                                                   : "the text in row " + std::to_string(row + 1) + ", column "
                                                       + std::to_string(column + 1) + " of sheet '" + part.Name + "'")
                                      + " takes "
                                      + std::to_string(bytes.size()) + " bytes in code page "
                                      + std::to_string(Encoder->Page().Number) + ".",
                                  ExcelSource);
            data.U16(static_cast<unsigned>(bytes.size()));
            data.Raw(bytes);
            Record(out, recLabel, data.Data);
            return;
        }
    }

    int Version;
    std::vector<SheetPart> Sheets;
    std::vector<formats::WorkbookRange> Names;
    std::optional<TextEncoder> Encoder;
    std::unordered_map<std::string, std::uint32_t> StringIndex;
};

class ExcelFormat : public InstallableFormat {
public:
    explicit ExcelFormat(int biffVersion) : Version(biffVersion) {}

    long Export(const ExportTarget& target, Recordset& rows) override
    {
        CheckSheetName(target.TableName);
        std::string workbook = target.Path;
        std::replace(workbook.begin(), workbook.end(), '\\', '/');
        const std::filesystem::path file(workbook);
        CheckFileName(file.filename().string());
        CheckFolder(file.parent_path().string());
        const std::string path = TargetPath(file.parent_path().string(), file.filename().string(), ".xls");
        RefuseExisting(path, target.TableName);

        const Table table = ReadTable(rows);
        BiffWriter writer(Version, TableSheets(Version, table, target.TableName), {}, table);
        WriteTargetFiles({{path, writer.Build()}});
        return static_cast<long>(table.Rows.size());
    }

private:
    int Version;
};

} // namespace

std::string WriteWorkbook(int biffVersion, const std::vector<SheetContents>& sheets,
                          const std::vector<formats::WorkbookRange>& names)
{
    std::vector<SheetPart> parts;
    std::vector<std::size_t> firstPart;  // of each sheet, for the named ranges
    Table texts;
    texts.Columns.push_back({"", dbText, 0});
    const auto text = [&](const std::string& value) { texts.Rows.push_back({Variant(value)}); };
    for (const SheetContents& sheet : sheets) {
        firstPart.push_back(parts.size());
        text(sheet.Name);
        if (sheet.Cells) {
            parts.push_back({sheet.Name, nullptr, 0, 0, sheet.Cells});
            for (const formats::WorkbookCell& cell : *sheet.Cells)
                if (cell.Type == formats::WorkbookCell::Kind::Text)
                    text(cell.Text);
            continue;
        }
        if (biffVersion >= 5)
            CheckSheetName(sheet.Name);
        for (SheetPart& part : TableSheets(biffVersion, *sheet.Rows, sheet.Name))
            parts.push_back(std::move(part));
        for (const Column& column : sheet.Rows->Columns)
            text(column.Name);
        for (const auto& row : sheet.Rows->Rows)
            for (const Variant& value : row)
                if (value.VarType() == varString || value.IsArray())
                    text(ValueText(value));
    }
    std::vector<formats::WorkbookRange> ranges = names;
    for (formats::WorkbookRange& range : ranges)
        range.Sheet = firstPart.at(range.Sheet);
    return BiffWriter(biffVersion, std::move(parts), std::move(ranges), texts).Build();
}

std::shared_ptr<InstallableFormat> MakeExcelFormat(int biffVersion)
{
    return std::make_shared<ExcelFormat>(biffVersion);
}

} // namespace jet::exporting
