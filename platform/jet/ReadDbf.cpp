// The dBase and FoxPro table reader (see FormatTables.h).
//
// A table file: a 32-byte header (version byte, record count, header and
// record sizes, the language driver byte at 29), 32-byte field descriptors
// up to a 0x0D byte, then fixed-size records, each led by a deletion flag
// ("*" for a deleted record, which is left out). A memo field holds the
// number of a block of the memo file: ten digits, or four bytes in FoxPro 3.0.
// Memo files: dBase III's blocks of 512 bytes ending in 0x1A, dBase IV's
// blocks led by FF FF 08 00 and their length, FoxPro's big-endian block size
// and blocks led by a type and a length.
#include "platform/jet/FormatTables.h"

#include "platform/jet/Constants.h"
#include "platform/jet/EngineError.h"
#include "platform/system/DateTime.h"
#include "platform/system/TextEncoding.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace jet::formats {
namespace {

std::uint32_t Le(std::string_view bytes, std::size_t at, int size)
{
    return LittleEndian(bytes, at, size);
}

std::uint32_t Be(std::string_view bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return text;
}

// The iconv name of the code page a language driver byte names; null for
// none known.
const char* CharsetOf(unsigned char driver)
{
    switch (driver) {
    case 0x01: return "CP437";
    case 0x02: return "CP850";
    case 0x03:
    case 0x57:
    case 0x58:
    case 0x59: return "CP1252";
    case 0x64: return "CP852";
    case 0x65: return "CP866";
    case 0x26: return "CP866";
    case 0x78:
    case 0x4F: return "BIG5";
    case 0x7A:
    case 0x4D: return "GBK";
    case 0xC8: return "CP1250";
    case 0xC9: return "CP1251";
    default: return nullptr;
    }
}

struct FieldInfo {
    std::string Name;
    char Letter = 'C';
    std::size_t Offset = 0;  // in the record, after the deletion flag
    unsigned Length = 0;
    unsigned Decimals = 0;
    int NullBit = -1;
    bool Hidden = false;  // FoxPro's _NullFlags
    int Type = dbText;
};

class DbfReader {
public:
    DbfReader(std::string_view table, std::string_view memo, const std::string& file)
        : Table(table), Memo(memo), File(file)
    {
    }

    TableData Read()
    {
        if (Table.size() < 32)
            Damaged(File, "too short for a header");
        const auto version = static_cast<unsigned char>(Table[0]);
        FoxPro = version == 0x30 || version == 0x31 || version == 0x32 || version == 0xF5 || version == 0xFB;
        Visual = version == 0x30 || version == 0x31 || version == 0x32;
        const std::uint32_t count = Le(Table, 4, 4);
        const std::size_t headerSize = Le(Table, 8, 2);
        const std::size_t recordSize = Le(Table, 10, 2);
        Charset = CharsetOf(static_cast<unsigned char>(Table[29]));
        if (headerSize < 33 || headerSize > Table.size() || recordSize < 1)
            Damaged(File, "header sizes out of range");
        ReadFields(headerSize, recordSize);

        TableData data;
        data.Definition.Name = data.Name;
        int id = 1;
        for (const FieldInfo& field : Fields) {
            if (field.Hidden)
                continue;
            catalog::ColumnDef column;
            column.Id = id++;
            column.Name = ColumnName(field.Name, data.Definition.Columns, "Field" + std::to_string(column.Id));
            column.Type = field.Type;
            column.Size = field.Type == dbText ? static_cast<int>(field.Length) : 0;
            data.Definition.Columns.push_back(column);
        }
        // A count the file cannot hold is a damaged file, not a huge table.
        const std::size_t available = (Table.size() - headerSize) / recordSize;
        if (count > available)
            Damaged(File, "fewer records than the header counts");
        for (std::uint32_t r = 0; r < count; ++r) {
            const std::string_view record = Table.substr(headerSize + r * recordSize, recordSize);
            if (record[0] == '*')
                continue;
            data.Rows.push_back(ReadRecord(record.substr(1)));
        }
        return data;
    }

private:
    void ReadFields(std::size_t headerSize, std::size_t recordSize)
    {
        std::size_t offset = 0;
        int nullBits = 0;
        for (std::size_t at = 32; at + 32 <= headerSize && Table[at] != '\x0D'; at += 32) {
            FieldInfo field;
            const std::string_view rawName = Table.substr(at, 11);
            field.Name = Text(rawName.substr(0, std::min(rawName.find('\0'), rawName.size())));
            field.Letter = static_cast<char>(std::toupper(static_cast<unsigned char>(Table[at + 11])));
            field.Length = static_cast<unsigned char>(Table[at + 16]);
            field.Decimals = static_cast<unsigned char>(Table[at + 17]);
            if (field.Letter == 'C' && !Visual)
                field.Length += field.Decimals * 256u;  // wide character fields keep the high byte there
            const auto flags = static_cast<unsigned char>(Table[at + 18]);
            field.Offset = offset;
            offset += field.Length;
            field.Hidden = field.Letter == '0';
            if (Visual && (flags & 0x02) && !field.Hidden)
                field.NullBit = nullBits++;
            field.Type = TypeOf(field);
            Fields.push_back(std::move(field));
        }
        if (Fields.empty())
            Damaged(File, "no fields");
        if (offset + 1 > recordSize)
            Damaged(File, "fields wider than the record");
        for (FieldInfo& field : Fields)
            if (field.Hidden)
                NullFlags = &field;
    }

    int TypeOf(const FieldInfo& field) const
    {
        switch (field.Letter) {
        case 'C': return field.Length > 255 ? dbMemo : dbText;
        case 'N':
        case 'F': return field.Decimals == 0 && field.Length <= 9 ? dbLong : dbDouble;
        case 'L': return dbBoolean;
        case 'D':
        case 'T': return dbDate;
        case 'M': return dbMemo;
        case 'G':
        case 'P': return dbLongBinary;
        case 'B': return Visual && field.Length == 8 ? dbDouble : dbLongBinary;
        case 'I': return dbLong;
        case 'Y': return dbCurrency;
        case 'O': return dbDouble;
        default: return dbText;
        }
    }

    std::string Text(std::string_view bytes) const
    {
        if (!Charset && platform::IsValidUtf8(bytes))
            return std::string(bytes);
        return platform::ConvertText(bytes, Charset ? Charset : "CP1252", "UTF-8");
    }

    std::vector<Variant> ReadRecord(std::string_view record)
    {
        std::uint64_t nulls = 0;
        if (NullFlags)
            for (unsigned i = 0; i < NullFlags->Length && i < 8; ++i)
                nulls |= static_cast<std::uint64_t>(static_cast<unsigned char>(record[NullFlags->Offset + i])) << (8 * i);
        std::vector<Variant> row;
        for (const FieldInfo& field : Fields) {
            if (field.Hidden)
                continue;
            if (field.NullBit >= 0 && field.NullBit < 64 && (nulls >> field.NullBit) & 1) {
                row.push_back(Variant::Null());
                continue;
            }
            row.push_back(Value(field, record.substr(field.Offset, field.Length)));
        }
        return row;
    }

    Variant Value(const FieldInfo& field, std::string_view bytes)
    {
        const std::string_view trimmed = Trimmed(bytes);
        switch (field.Letter) {
        case 'C': {
            std::string_view text = bytes;
            while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
                text.remove_suffix(1);
            if (text.empty())
                return Visual ? Variant(std::string()) : Variant::Null();
            return Variant(Text(text));
        }
        case 'N':
        case 'F': {
            if (trimmed.empty() || trimmed.front() == '*')
                return Variant::Null();
            double number = 0;
            const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), number);
            if (error != std::errc() || end != trimmed.data() + trimmed.size())
                return Variant::Null();  // what dBase shows for a field it cannot read
            if (field.Type == dbLong)
                return Variant(static_cast<int>(number));
            return Variant(number);
        }
        case 'L':
            if (trimmed.empty())
                return Variant::Null();
            switch (trimmed.front()) {
            case 'T': case 't': case 'Y': case 'y': return Variant(true);
            case 'F': case 'f': case 'N': case 'n': return Variant(false);
            default: return Variant::Null();
            }
        case 'D': {
            if (trimmed.size() != 8)
                return Variant::Null();
            int parts[3] = {};
            const std::size_t widths[3] = {4, 2, 2};
            std::size_t at = 0;
            for (int i = 0; i < 3; ++i) {
                const auto [end, error] = std::from_chars(trimmed.data() + at, trimmed.data() + at + widths[i], parts[i]);
                if (error != std::errc() || end != trimmed.data() + at + widths[i])
                    return Variant::Null();
                at += widths[i];
            }
            platform::TDateTime date = 0;
            if (!platform::TryEncodeDate(parts[0], parts[1], parts[2], date))
                return Variant::Null();
            return Variant::Date(date);
        }
        case 'T': {
            if (bytes.size() != 8)
                return Variant::Null();
            const std::int64_t julian = Le(bytes, 0, 4);
            const std::int64_t milliseconds = Le(bytes, 4, 4);
            if (julian == 0 || milliseconds > 86400000)
                return Variant::Null();
            // Julian day 2415019 is 30 December 1899, day 0 of the automation dates.
            return Variant::Date(static_cast<double>(julian - 2415019) + static_cast<double>(milliseconds) / 86400000.0);
        }
        case 'I':
            if (bytes.size() != 4)
                return Variant::Null();
            return Variant(static_cast<int>(static_cast<std::int32_t>(Le(bytes, 0, 4))));
        case 'Y': {
            if (bytes.size() != 8)
                return Variant::Null();
            const std::uint64_t low = Le(bytes, 0, 4);
            const std::uint64_t high = Le(bytes, 4, 4);
            return Variant::CurrencyScaled(static_cast<std::int64_t>(low | (high << 32)));
        }
        case 'B':
        case 'O':
            if (field.Type == dbDouble) {
                if (bytes.size() != 8)
                    return Variant::Null();
                double number = 0;
                std::memcpy(&number, bytes.data(), 8);
                return Variant(number);
            }
            [[fallthrough]];
        case 'M':
        case 'G':
        case 'P': {
            std::uint32_t block = 0;
            if (bytes.size() == 4) {
                block = Le(bytes, 0, 4);
            } else {
                if (trimmed.empty())
                    return Variant::Null();
                const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), block);
                if (error != std::errc() || end != trimmed.data() + trimmed.size())
                    Damaged(File, "a memo field that holds no block number");
            }
            if (block == 0)
                return Variant::Null();
            const std::string memo = MemoAt(block);
            if (field.Type == dbLongBinary)
                return Variant::Bytes(memo);
            return Variant(Text(memo));
        }
        default: return trimmed.empty() ? Variant::Null() : Variant(Text(trimmed));
        }
    }

    // The memo in `block` of the memo file.
    std::string MemoAt(std::uint32_t block)
    {
        if (Memo.size() < 512)
            Damaged(File, "its memo file is missing or too short");
        if (FoxPro) {
            const std::size_t blockSize = Be(Memo, 6, 2);
            const std::uint64_t at = static_cast<std::uint64_t>(block) * (blockSize ? blockSize : 64);
            if (at + 8 > Memo.size())
                Damaged(File, "a memo block past the end of the memo file");
            const std::uint64_t length = Be(Memo, static_cast<std::size_t>(at) + 4, 4);
            if (length > Memo.size() - at - 8)
                Damaged(File, "a memo longer than the memo file");
            return std::string(Memo.substr(static_cast<std::size_t>(at) + 8, static_cast<std::size_t>(length)));
        }
        std::size_t blockSize = Le(Memo, 20, 2);
        if (blockSize == 0 || static_cast<unsigned char>(Table[0]) == 0x83)
            blockSize = 512;
        const std::uint64_t at = static_cast<std::uint64_t>(block) * blockSize;
        if (at >= Memo.size())
            Damaged(File, "a memo block past the end of the memo file");
        const std::string_view rest = Memo.substr(static_cast<std::size_t>(at));
        if (rest.size() >= 8 && rest.substr(0, 4) == std::string_view("\xFF\xFF\x08\x00", 4)) {
            const std::uint32_t length = Le(rest, 4, 4);
            if (length < 8 || length - 8 > rest.size() - 8)
                Damaged(File, "a memo longer than the memo file");
            return std::string(rest.substr(8, length - 8));
        }
        const std::size_t end = rest.find('\x1A');
        return std::string(rest.substr(0, end == std::string_view::npos ? rest.size() : end));
    }

    std::string_view Table;
    std::string_view Memo;
    const std::string& File;
    std::vector<FieldInfo> Fields;
    const FieldInfo* NullFlags = nullptr;
    const char* Charset = nullptr;
    bool FoxPro = false;
    bool Visual = false;
};

} // namespace

TableData ParseDbf(std::string_view table, std::string_view memo, const std::string& file)
{
    return DbfReader(table, memo, file).Read();
}

} // namespace jet::formats
