// The Excel workbook reader (see FormatTables.h): the compound file that
// holds BIFF 5 and 8 workbooks, and the BIFF records of every version from 3.
#include "platform/jet/FormatTables.h"

#include "platform/jet/Collection.h"
#include "platform/jet/Constants.h"
#include "platform/jet/EngineError.h"
#include "platform/system/TextEncoding.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <set>

namespace jet::formats {
namespace {

std::uint32_t Le(std::string_view bytes, std::size_t at, int size)
{
    return LittleEndian(bytes, at, size);
}

double LeDouble(std::string_view bytes, std::size_t at)
{
    std::uint64_t bits = Le(bytes, at, 4) | (static_cast<std::uint64_t>(Le(bytes, at + 4, 4)) << 32);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// ------------------------------------------------------------ compound file

class CompoundFile {
public:
    CompoundFile(std::string_view bytes, const std::string& file) : Bytes(bytes), File(file)
    {
        if (bytes.size() < 512 || bytes.substr(0, 8) != std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
            Damaged(File, "not a compound file");
        const unsigned shift = Le(bytes, 0x1E, 2);
        const unsigned miniShift = Le(bytes, 0x20, 2);
        if ((shift != 9 && shift != 12) || miniShift != 6)
            Damaged(File, "sector sizes out of range");
        SectorSize = std::size_t{1} << shift;
        MiniCutoff = Le(bytes, 0x38, 4);
        SectorCount = (bytes.size() + SectorSize - 1) / SectorSize;  // an upper bound for every chain

        std::vector<std::uint32_t> fatSectors;
        for (std::size_t i = 0; i < 109; ++i) {
            const std::uint32_t sector = Le(bytes, 0x4C + 4 * i, 4);
            if (sector < 0xFFFFFFFA)
                fatSectors.push_back(sector);
        }
        std::uint32_t difat = Le(bytes, 0x44, 4);
        for (std::size_t steps = 0; difat < 0xFFFFFFFA; ++steps) {
            if (steps > SectorCount)
                Damaged(File, "a looping sector chain");
            const std::string_view sector = Sector(difat);
            for (std::size_t i = 0; i + 4 < SectorSize; i += 4)
                if (const std::uint32_t entry = Le(sector, i, 4); entry < 0xFFFFFFFA)
                    fatSectors.push_back(entry);
            difat = Le(sector, SectorSize - 4, 4);
        }
        if (fatSectors.size() > SectorCount)
            Damaged(File, "more allocation sectors than the file holds");
        for (std::uint32_t sector : fatSectors) {
            const std::string_view entries = Sector(sector);
            for (std::size_t i = 0; i < SectorSize; i += 4)
                Fat.push_back(Le(entries, i, 4));
        }
        Directory = Chain(Le(bytes, 0x30, 4), Fat, false, std::numeric_limits<std::size_t>::max());
        if (Directory.size() < 128)
            Damaged(File, "no directory");
        const std::string miniFat = Chain(Le(bytes, 0x3C, 4), Fat, false, std::numeric_limits<std::size_t>::max());
        for (std::size_t i = 0; i + 4 <= miniFat.size(); i += 4)
            MiniFat.push_back(Le(miniFat, i, 4));
        MiniStream = Chain(Le(Directory, 0x74, 4), Fat, false, Le(Directory, 0x78, 4));
    }

    // The stream of that name in any storage, or nothing.
    std::optional<std::string> Stream(std::string_view name) const
    {
        for (std::size_t at = 0; at + 128 <= Directory.size(); at += 128) {
            const std::string_view entry = std::string_view(Directory).substr(at, 128);
            if (entry[0x42] != 2)
                continue;
            const std::size_t length = std::min<std::size_t>(Le(entry, 0x40, 2), 64);
            std::string entryName;
            for (std::size_t i = 0; i + 2 <= length && Le(entry, i, 2) != 0; i += 2)
                entryName += static_cast<char>(Le(entry, i, 2) < 128 ? Le(entry, i, 2) : '?');
            if (!SameName(entryName, name))
                continue;
            const std::uint32_t start = Le(entry, 0x74, 4);
            const std::size_t size = Le(entry, 0x78, 4);
            if (size < MiniCutoff)
                return Chain(start, MiniFat, true, size);
            return Chain(start, Fat, false, size);
        }
        return std::nullopt;
    }

private:
    std::string_view Sector(std::uint32_t number) const
    {
        const std::uint64_t at = (static_cast<std::uint64_t>(number) + 1) * SectorSize;
        if (at + SectorSize > Bytes.size())
            Damaged(File, "a sector past the end of the file");
        return Bytes.substr(static_cast<std::size_t>(at), SectorSize);
    }

    // The bytes of a chain of sectors (mini sectors of the mini stream when
    // `mini`), cut to `size`.
    std::string Chain(std::uint32_t start, const std::vector<std::uint32_t>& table, bool mini, std::size_t size) const
    {
        std::string data;
        const std::size_t unit = mini ? 64 : SectorSize;
        std::uint32_t sector = start;
        for (std::size_t steps = 0; sector < 0xFFFFFFFA && data.size() < size; ++steps) {
            if (steps > table.size() || sector >= table.size())
                Damaged(File, "a broken sector chain");
            if (mini) {
                const std::size_t at = static_cast<std::size_t>(sector) * 64;
                if (at + 64 > MiniStream.size())
                    Damaged(File, "a mini sector past the mini stream");
                data.append(MiniStream, at, 64);
            } else {
                const std::string_view bytes = Sector(sector);
                data.append(bytes.data(), bytes.size());
            }
            sector = table[sector];
        }
        if (size != std::numeric_limits<std::size_t>::max()) {
            if (data.size() < size)
                Damaged(File, "a stream shorter than its entry says");
            data.resize(size);
        }
        (void)unit;
        return data;
    }

    std::string_view Bytes;
    const std::string& File;
    std::size_t SectorSize = 512;
    std::size_t MiniCutoff = 4096;
    std::size_t SectorCount = 0;
    std::vector<std::uint32_t> Fat;
    std::vector<std::uint32_t> MiniFat;
    std::string Directory;
    std::string MiniStream;
};

// ------------------------------------------------------------------- BIFF

enum : std::uint16_t {
    recBof2 = 0x0009,
    recBof3 = 0x0209,
    recBof4 = 0x0409,
    recBof = 0x0809,
    recEof = 0x000A,
    recCodePage = 0x0042,
    recDateMode = 0x0022,
    recFormat3 = 0x001E,
    recFormat = 0x041E,
    recXf3 = 0x0243,
    recXf4 = 0x0443,
    recXf = 0x00E0,
    recBoundSheet = 0x0085,
    recSst = 0x00FC,
    recContinue = 0x003C,
    recNumber = 0x0203,
    recRk = 0x027E,
    recMulRk = 0x00BD,
    recLabel = 0x0204,
    recRString = 0x00D6,
    recLabelSst = 0x00FD,
    recBoolErr = 0x0205,
    recFormula = 0x0006,
    recFormula3 = 0x0206,
    recFormula4 = 0x0406,
    recString = 0x0207,
    recName = 0x0018,
    recExternSheet = 0x0017,
};

// A block of cells of a sheet: the table a sheet or a named range stands for.
struct Region {
    std::size_t FirstRow = 0, LastRow = 0, FirstColumn = 0, LastColumn = 0;
};

// A named range of a BIFF8 workbook: its name and the cells it covers.
struct NamedRange {
    std::string Name;
    std::size_t Reference = 0;  // the EXTERNSHEET entry naming its sheet
    Region Cells;
};

struct Record {
    std::uint16_t Type = 0;
    std::string_view Data;
    std::size_t Offset = 0;
};

enum class CellKind { Text, Number, Boolean };

struct CellValue {
    CellKind Kind = CellKind::Text;
    std::string Text;
    double Number = 0;
    bool Date = false;
};

bool IsDateFormat(std::string_view format)
{
    bool quoted = false;
    bool bracket = false;
    for (char c : format) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '[')
            bracket = true;
        else if (!quoted && c == ']')
            bracket = false;
        else if (!quoted && !bracket && std::string_view("dmyhsDMYHS").find(c) != std::string_view::npos)
            return true;
    }
    return false;
}

bool IsBuiltInDateFormat(unsigned index)
{
    return (index >= 14 && index <= 22) || (index >= 45 && index <= 47);
}

class BiffReader {
public:
    BiffReader(std::string_view stream, const std::string& file, std::string fallbackName)
        : Stream(stream), File(file), FallbackName(std::move(fallbackName))
    {
    }

    Workbook Read()
    {
        const std::vector<Record> records = Records();
        if (records.empty())
            Damaged(File, "no records");
        const std::uint16_t bof = records.front().Type;
        if (bof != recBof3 && bof != recBof4 && bof != recBof)
            Damaged(File, "no workbook or worksheet at its start");
        if (bof == recBof) {
            Version = records.front().Data.size() >= 2 && Le(records.front().Data, 0, 2) == 0x0600 ? 8 : 5;
        } else {
            Version = bof == recBof3 ? 3 : 4;
        }
        // The globals (or the whole worksheet file): code page, formats, the sheets.
        std::vector<std::pair<std::string, std::size_t>> sheets;  // name, offset of its BOF
        std::vector<std::size_t> sheetNumbers;                    // each one's place among all sheets
        std::size_t allSheets = 0;
        std::vector<NamedRange> names;
        std::vector<std::size_t> externSheets;  // EXTERNSHEET entry -> sheet number
        std::size_t i = 1;
        for (; i < records.size() && records[i].Type != recEof; ++i) {
            const Record& record = records[i];
            const std::string_view data = record.Data;
            switch (record.Type) {
            case recCodePage:
                if (data.size() >= 2)
                    SetCodePage(Le(data, 0, 2));
                break;
            case recDateMode:
                if (data.size() >= 2)
                    Base1904 = Le(data, 0, 2) != 0;
                break;
            case recFormat:
            case recFormat3: {
                if (Version >= 5 && data.size() >= 3) {
                    std::size_t at = 2;
                    DateFormats[Le(data, 0, 2)] = IsDateFormat(Version == 8 ? Unicode(data, at, 2) : Bytes8(data, at, 1));
                } else if (Version == 4 && data.size() >= 3) {
                    std::size_t at = 2;
                    DateFormats[FormatCount++] = IsDateFormat(Bytes8(data, at, 1));
                } else if (data.size() >= 1) {
                    std::size_t at = 0;
                    DateFormats[FormatCount++] = IsDateFormat(Bytes8(data, at, 1));
                }
                break;
            }
            case recXf3:
            case recXf4:
                if (data.size() >= 2)
                    XfFormats.push_back(static_cast<unsigned char>(data[1]));
                break;
            case recXf:
                if (data.size() >= 4)
                    XfFormats.push_back(Le(data, 2, 2));
                break;
            case recBoundSheet:
                if (data.size() >= 7 && data[5] == 0) {
                    std::size_t at = 6;
                    sheets.emplace_back(Version == 8 ? Unicode(data, at, 1) : Bytes8(data, at, 1), Le(data, 0, 4));
                    sheetNumbers.push_back(allSheets);
                }
                ++allSheets;
                break;
            case recExternSheet:
                if (Version == 8 && data.size() >= 2)
                    for (std::size_t e = 0, count = Le(data, 0, 2); e < count && 2 + e * 6 + 6 <= data.size(); ++e)
                        externSheets.push_back(Le(data, 2 + e * 6 + 2, 2));
                break;
            case recName:
                if (Version == 8)
                    if (std::optional<NamedRange> name = ReadName(data))
                        names.push_back(std::move(*name));
                break;
            case recSst: ReadSst(records, i); break;
            default: break;
            }
            if (bof != recBof)
                Cell(records, i);
        }
        Workbook book;
        book.Version = Version;
        if (bof != recBof) {
            AddSheet(book, FallbackName);
            return book;
        }
        for (std::size_t s = 0; s < sheets.size(); ++s) {
            const auto& sheet = sheets[s];
            Cells.clear();
            const auto start = std::find_if(records.begin(), records.end(),
                                            [&](const Record& record) { return record.Offset == sheet.second; });
            if (start == records.end() || start->Type != recBof)
                Damaged(File, "a sheet that does not start where the workbook says");
            for (std::size_t r = static_cast<std::size_t>(start - records.begin()) + 1;
                 r < records.size() && records[r].Type != recEof; ++r)
                Cell(records, r);
            AddSheet(book, sheet.first);
            // The workbook's named ranges on this sheet are tables too.
            for (const NamedRange& name : names)
                if (name.Reference < externSheets.size() && externSheets[name.Reference] == sheetNumbers[s]) {
                    book.Ranges.push_back({name.Name, s, name.Cells.FirstRow, name.Cells.LastRow,
                                           name.Cells.FirstColumn, name.Cells.LastColumn,
                                           static_cast<int>(book.Tables.size())});
                    book.Tables.push_back(Table(name.Name, name.Cells));
                }
        }
        return book;
    }

private:
    // The sheet whose cells were read last, with its table.
    void AddSheet(Workbook& book, const std::string& name) const
    {
        WorkbookSheet sheet;
        sheet.Name = name;
        for (const auto& [position, value] : Cells) {
            WorkbookCell cell;
            cell.Row = position.first;
            cell.Column = position.second;
            cell.Type = value.Kind == CellKind::Text ? WorkbookCell::Kind::Text
                : value.Kind == CellKind::Number  ? WorkbookCell::Kind::Number
                                                  : WorkbookCell::Kind::Boolean;
            cell.Text = value.Text;
            cell.Date = value.Kind == CellKind::Number && value.Date;
            cell.Number = cell.Date ? DateNumber(value.Number) : value.Number;
            sheet.Cells.push_back(std::move(cell));
        }
        sheet.Table = static_cast<int>(book.Tables.size());
        book.Tables.push_back(Table(name, std::nullopt));
        book.Sheets.push_back(std::move(sheet));
    }

    std::vector<Record> Records() const
    {
        std::vector<Record> records;
        std::size_t at = 0;
        while (at + 4 <= Stream.size()) {
            Record record;
            record.Offset = at;
            record.Type = static_cast<std::uint16_t>(Le(Stream, at, 2));
            const std::size_t length = Le(Stream, at + 2, 2);
            if (at + 4 + length > Stream.size())
                break;  // the zero padding after the last record, or a cut file
            if (record.Type == 0 && length == 0)
                break;
            record.Data = Stream.substr(at + 4, length);
            records.push_back(record);
            at += 4 + length;
        }
        return records;
    }

    void SetCodePage(unsigned page)
    {
        switch (page) {
        case 1200: Charset = "UTF-16LE"; break;  // BIFF8 says so; its 8-bit texts are Latin-1
        case 936: Charset = "GBK"; break;
        case 950: Charset = "BIG5"; break;
        case 367: Charset = "ASCII"; break;
        case 32768: Charset = "MACINTOSH"; break;
        default: Charset = "CP" + std::to_string(page);
        }
    }

    std::string Decode8(std::string_view bytes) const
    {
        if (Version == 8 || Charset == "UTF-16LE")
            return platform::ConvertText(bytes, "ISO-8859-1", "UTF-8");
        return platform::ConvertText(bytes, Charset.c_str(), "UTF-8");
    }

    // An 8-bit text led by its length in `lengthBytes` bytes.
    std::string Bytes8(std::string_view data, std::size_t& at, int lengthBytes) const
    {
        if (at + static_cast<std::size_t>(lengthBytes) > data.size())
            Damaged(File, "a text past its record");
        const std::size_t length = Le(data, at, lengthBytes);
        at += static_cast<std::size_t>(lengthBytes);
        if (at + length > data.size())
            Damaged(File, "a text past its record");
        const std::string text = Decode8(data.substr(at, length));
        at += length;
        return text;
    }

    // A BIFF8 text: its length in characters, a flag byte (bit 0: 16-bit
    // characters; bit 3: rich text runs; bit 2: far-east data) and the
    // characters, which may go on in CONTINUE records (`more`).
    std::string Unicode(std::string_view data, std::size_t& at, int lengthBytes,
                        const std::vector<std::string_view>* more = nullptr, std::size_t* part = nullptr) const
    {
        if (at + static_cast<std::size_t>(lengthBytes) + 1 > data.size())
            Damaged(File, "a text past its record");
        std::size_t characters = Le(data, at, lengthBytes);
        at += static_cast<std::size_t>(lengthBytes);
        unsigned flags = static_cast<unsigned char>(data[at++]);
        std::size_t runs = 0, farEast = 0;
        if (flags & 0x08) {
            if (at + 2 > data.size())
                Damaged(File, "a text past its record");
            runs = Le(data, at, 2);
            at += 2;
        }
        if (flags & 0x04) {
            if (at + 4 > data.size())
                Damaged(File, "a text past its record");
            farEast = Le(data, at, 4);
            at += 4;
        }
        std::u16string text;
        while (characters > 0) {
            if (at >= data.size()) {
                // The characters go on in the next CONTINUE record, with a flag byte of their own.
                if (!more || !part || *part + 1 >= more->size())
                    Damaged(File, "a text past its record");
                data = (*more)[++*part];
                at = 0;
                if (data.empty())
                    Damaged(File, "an empty continuation");
                flags = (flags & ~1u) | (static_cast<unsigned char>(data[at++]) & 1u);
                continue;
            }
            if (flags & 1) {
                if (at + 2 > data.size())
                    Damaged(File, "a character split across records");
                text += static_cast<char16_t>(Le(data, at, 2));
                at += 2;
            } else {
                text += static_cast<char16_t>(static_cast<unsigned char>(data[at++]));
            }
            --characters;
        }
        // Formatting runs and far-east data follow; skip them, across records too.
        std::size_t skip = runs * 4 + farEast;
        while (skip > 0) {
            const std::size_t here = std::min(skip, data.size() - std::min(at, data.size()));
            at += here;
            skip -= here;
            if (skip > 0) {
                if (!more || !part || *part + 1 >= more->size())
                    Damaged(File, "formatting past its record");
                data = (*more)[++*part];
                at = 0;
            }
        }
        return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toStdString();
    }

    // A NAME record whose formula is one block of cells of a sheet (a 3-D
    // area token); nothing for built-in names and any other formula.
    std::optional<NamedRange> ReadName(std::string_view data) const
    {
        if (data.size() < 15 || (Le(data, 0, 2) & 0x0020) != 0)
            return std::nullopt;
        const std::size_t length = static_cast<unsigned char>(data[3]);
        const std::size_t formulaSize = Le(data, 4, 2);
        std::size_t at = 14;
        const bool wide = (static_cast<unsigned char>(data[at++]) & 1) != 0;
        const std::size_t bytes = length * (wide ? 2 : 1);
        if (at + bytes > data.size())
            Damaged(File, "a name past its record");
        std::u16string text;
        for (std::size_t i = 0; i < length; ++i)
            text += static_cast<char16_t>(wide ? Le(data, at + 2 * i, 2) : static_cast<unsigned char>(data[at + i]));
        at += bytes;
        const std::string_view formula = data.substr(at, std::min(formulaSize, data.size() - at));
        const unsigned token = formula.empty() ? 0 : static_cast<unsigned char>(formula[0]);
        if (formula.size() != 11 || (token != 0x3B && token != 0x5B && token != 0x7B))
            return std::nullopt;
        NamedRange name;
        name.Name = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toStdString();
        name.Reference = Le(formula, 1, 2);
        name.Cells.FirstRow = Le(formula, 3, 2);
        name.Cells.LastRow = Le(formula, 5, 2);
        name.Cells.FirstColumn = Le(formula, 7, 2) & 0x3FFF;
        name.Cells.LastColumn = Le(formula, 9, 2) & 0x3FFF;
        if (name.Cells.LastRow < name.Cells.FirstRow || name.Cells.LastColumn < name.Cells.FirstColumn)
            return std::nullopt;
        return name;
    }

    void ReadSst(const std::vector<Record>& records, std::size_t& index)
    {
        std::vector<std::string_view> parts{records[index].Data};
        while (index + 1 < records.size() && records[index + 1].Type == recContinue)
            parts.push_back(records[++index].Data);
        if (parts[0].size() < 8)
            Damaged(File, "a string table too short");
        const std::size_t count = Le(parts[0], 4, 4);
        std::size_t part = 0;
        std::size_t at = 8;
        for (std::size_t s = 0; s < count; ++s) {
            if (at >= parts[part].size()) {
                if (part + 1 >= parts.size())
                    break;  // fewer strings than counted: those missing stay missing
                ++part;
                at = 0;
            }
            std::string_view data = parts[part];
            SharedStrings.push_back(Unicode(data, at, 2, &parts, &part));
        }
    }

    bool IsDateXf(std::size_t xf) const
    {
        if (xf >= XfFormats.size())
            return false;
        const unsigned format = XfFormats[xf];
        const auto custom = DateFormats.find(format);
        if (custom != DateFormats.end())
            return custom->second;
        return IsBuiltInDateFormat(format);
    }

    void Put(std::size_t row, std::size_t column, CellValue value)
    {
        if (row > 1048576 || column > 16384)
            Damaged(File, "a cell out of the sheet");
        Cells[{row, column}] = std::move(value);
    }

    CellValue NumberCell(double number, std::size_t xf) const
    {
        CellValue value;
        value.Kind = CellKind::Number;
        value.Number = number;
        value.Date = IsDateXf(xf);
        return value;
    }

    static double RkNumber(std::uint32_t rk)
    {
        double number = 0;
        if (rk & 2) {
            number = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
        } else {
            const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
            std::memcpy(&number, &bits, sizeof number);
        }
        return rk & 1 ? number / 100 : number;
    }

    void Cell(const std::vector<Record>& records, std::size_t& index)
    {
        const Record& record = records[index];
        const std::string_view data = record.Data;
        if (data.size() < 6)
            return;
        const std::size_t row = Le(data, 0, 2);
        const std::size_t column = Le(data, 2, 2);
        const std::size_t xf = Le(data, 4, 2);
        switch (record.Type) {
        case recNumber:
            if (data.size() >= 14)
                Put(row, column, NumberCell(LeDouble(data, 6), xf));
            return;
        case recRk:
            if (data.size() >= 10)
                Put(row, column, NumberCell(RkNumber(Le(data, 6, 4)), xf));
            return;
        case recMulRk:
            for (std::size_t at = 4, c = column; at + 6 <= data.size() - 2; at += 6, ++c)
                Put(row, c, NumberCell(RkNumber(Le(data, at + 2, 4)), Le(data, at, 2)));
            return;
        case recLabel:
        case recRString: {
            std::size_t at = 6;
            CellValue value;
            value.Text = Version == 8 ? Unicode(data, at, 2) : Bytes8(data, at, 2);
            Put(row, column, std::move(value));
            return;
        }
        case recLabelSst: {
            if (data.size() < 10)
                return;
            const std::size_t string = Le(data, 6, 4);
            if (string >= SharedStrings.size())
                Damaged(File, "a cell naming a string the table lacks");
            CellValue value;
            value.Text = SharedStrings[string];
            Put(row, column, std::move(value));
            return;
        }
        case recBoolErr:
            if (data.size() >= 8 && data[7] == 0) {
                CellValue value;
                value.Kind = CellKind::Boolean;
                value.Number = data[6] != 0 ? 1 : 0;
                Put(row, column, value);
            }
            return;
        case recFormula:
        case recFormula3:
        case recFormula4: {
            if (data.size() < 14)
                return;
            if (Le(data, 12, 2) != 0xFFFF) {
                Put(row, column, NumberCell(LeDouble(data, 6), xf));
                return;
            }
            if (data[6] == 1) {
                CellValue value;
                value.Kind = CellKind::Boolean;
                value.Number = data[8] != 0 ? 1 : 0;
                Put(row, column, value);
            } else if (data[6] == 0 && index + 1 < records.size() && records[index + 1].Type == recString) {
                const std::string_view text = records[++index].Data;
                std::size_t at = 0;
                CellValue value;
                value.Text = Version == 8 ? Unicode(text, at, 2) : Bytes8(text, at, 2);
                Put(row, column, std::move(value));
            }
            return;
        }
        default: return;
        }
    }

    // The cells of a sheet, or of `area` of it, as a table: the first row
    // names the fields.
    TableData Table(const std::string& name, std::optional<Region> area) const
    {
        TableData data;
        data.Name = name;
        Region used;
        bool any = false;
        for (const auto& [position, value] : Cells) {
            if (area && (position.first < area->FirstRow || position.first > area->LastRow
                         || position.second < area->FirstColumn || position.second > area->LastColumn))
                continue;
            used.LastRow = std::max(used.LastRow, position.first);
            used.LastColumn = std::max(used.LastColumn, position.second);
            any = true;
        }
        if (!any)
            return data;
        // A range of whole columns ends with the last cell that has a value.
        const Region region = area ? Region{area->FirstRow, std::min(area->LastRow, used.LastRow), area->FirstColumn,
                                            area->LastColumn}
                                   : used;
        const std::size_t rows = region.LastRow - region.FirstRow + 1;
        const std::size_t columns = region.LastColumn - region.FirstColumn + 1;
        // No table of empty cells from a few far-off ones.
        if (rows * columns > 1024 * Cells.size() + 65536)
            Damaged(File, "a sheet far larger than its cells");
        for (std::size_t c = 0; c < columns; ++c) {
            catalog::ColumnDef column;
            column.Id = static_cast<int>(c) + 1;
            const auto header = Cells.find({region.FirstRow, region.FirstColumn + c});
            if (header != Cells.end())
                column.Name = header->second.Kind == CellKind::Text ? header->second.Text : Text(header->second);
            column.Name = ColumnName(column.Name, data.Definition.Columns, "F" + std::to_string(c + 1));
            column.Type = ColumnType(region, region.FirstColumn + c);
            column.Size = column.Type == dbText ? 255 : 0;
            data.Definition.Columns.push_back(std::move(column));
        }
        for (std::size_t r = region.FirstRow + 1; r <= region.LastRow; ++r) {
            std::vector<Variant> row;
            for (std::size_t c = 0; c < columns; ++c) {
                const auto cell = Cells.find({r, region.FirstColumn + c});
                row.push_back(cell == Cells.end() ? Variant::Null() : Value(cell->second, data.Definition.Columns[c].Type));
            }
            data.Rows.push_back(std::move(row));
        }
        return data;
    }

    int ColumnType(const Region& region, std::size_t column) const
    {
        std::set<int> kinds;
        std::size_t longest = 0;
        for (std::size_t r = region.FirstRow + 1; r <= region.LastRow; ++r) {
            const auto cell = Cells.find({r, column});
            if (cell == Cells.end())
                continue;
            const CellValue& value = cell->second;
            switch (value.Kind) {
            case CellKind::Text:
                kinds.insert(dbText);
                longest = std::max(longest, value.Text.size());
                break;
            case CellKind::Boolean: kinds.insert(dbBoolean); break;
            case CellKind::Number:
                if (value.Date)
                    kinds.insert(dbDate);
                else if (std::floor(value.Number) == value.Number && value.Number >= -2147483648.0
                         && value.Number <= 2147483647.0)
                    kinds.insert(dbLong);
                else
                    kinds.insert(dbDouble);
                break;
            }
        }
        if (kinds == std::set<int>{dbLong, dbDouble})
            return dbDouble;
        if (kinds.size() == 1 && *kinds.begin() != dbText)
            return *kinds.begin();
        for (std::size_t r = region.FirstRow + 1; r <= region.LastRow; ++r)
            if (const auto cell = Cells.find({r, column}); cell != Cells.end())
                longest = std::max(longest, Text(cell->second).size());
        return longest > 255 ? dbMemo : dbText;
    }

    double DateNumber(double number) const { return Base1904 ? number + 1462 : number; }

    std::string Text(const CellValue& value) const
    {
        switch (value.Kind) {
        case CellKind::Text: return value.Text;
        case CellKind::Boolean: return value.Number != 0 ? "True" : "False";
        case CellKind::Number:
            return value.Date ? Variant::Date(DateNumber(value.Number)).AsString() : Variant(value.Number).AsString();
        }
        return {};
    }

    Variant Value(const CellValue& value, int type) const
    {
        switch (type) {
        case dbLong: return Variant(static_cast<int>(value.Number));
        case dbDouble: return Variant(value.Number);
        case dbBoolean: return Variant(value.Number != 0);
        case dbDate: return Variant::Date(DateNumber(value.Number));
        default: return Variant(Text(value));
        }
    }

    std::string_view Stream;
    const std::string& File;
    std::string FallbackName;
    int Version = 8;
    std::string Charset = "CP1252";
    bool Base1904 = false;
    unsigned FormatCount = 0;
    std::map<unsigned, bool> DateFormats;
    std::vector<unsigned> XfFormats;
    std::vector<std::string> SharedStrings;
    std::map<std::pair<std::size_t, std::size_t>, CellValue> Cells;
};

std::string StemOf(const std::string& file)
{
    std::string name = file.substr(file.find_last_of("/\\") == std::string::npos ? 0 : file.find_last_of("/\\") + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

} // namespace

std::string CompoundFileStream(std::string_view bytes, std::initializer_list<std::string_view> names,
                               const std::string& file)
{
    const CompoundFile compound(bytes, file);
    for (std::string_view name : names)
        if (std::optional<std::string> stream = compound.Stream(name))
            return *stream;
    Damaged(file, "no workbook stream");
}

Workbook ReadWorkbook(std::string_view bytes, const std::string& file)
{
    if (bytes.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        const std::string stream = CompoundFileStream(bytes, {"Workbook", "Book"}, file);
        return BiffReader(stream, file, StemOf(file)).Read();
    }
    return BiffReader(bytes, file, StemOf(file)).Read();
}

std::vector<TableData> ParseWorkbook(std::string_view bytes, const std::string& file)
{
    return ReadWorkbook(bytes, file).Tables;
}

} // namespace jet::formats
