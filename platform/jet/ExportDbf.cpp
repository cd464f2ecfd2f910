// The dBase and FoxPro formats: a .dbf table with its memo file (.dbt for
// dBase, .fpt for FoxPro) when a column needs one.
//
// Versions: dBase III, IV and 5.0 and FoxPro 2.x write the common table
// layout (character, numeric, logical, date and memo fields; memo pointers
// as ten digits) and differ in their first byte and memo files; FoxPro 3.0
// writes the later layout (version byte 0x30, a back-link area after the
// field list, binary integer, double, currency and date-time fields, memo
// pointers in four bytes, and Null flags).
//
// Columns: texts are character fields as wide as the longest text in bytes
// (at least the column's size, at most 254), or memo fields when the column
// is a memo or a text is longer; binary values are memos of hexadecimal
// digits; booleans logical fields; whole numbers numeric fields without
// decimals; other numbers numeric fields as wide and with as many decimals
// as their values need, up to 20 characters; dates date fields when they are
// whole days, else date-time fields (FoxPro 3.0) or "yyyy-mm-dd hh:mm:ss"
// character fields. Field names are cut to ten bytes and made unique.
//
// Null: a blank field ("?" for a logical one after dBase III); FoxPro 3.0
// marks it in the hidden _NullFlags field as well.
#include "platform/jet/ExportFormats.h"

#include "platform/jet/Constants.h"
#include "platform/jet/DecimalText.h"
#include "platform/jet/EngineError.h"
#include "platform/system/DateTime.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace jet::exporting {
namespace {

const char* const DbfSource = "DAO.Database";

enum class Kind { Character, Memo, Numeric, Logical, Date, DateText, DateTime, Integer, Double, Currency };

struct DbfField {
    std::size_t Column = 0;
    Kind Type = Kind::Character;
    std::string Name;  // in the code page, at most ten bytes
    char Letter = 'C';
    unsigned Length = 1;
    unsigned Decimals = 0;
    int NullBit = -1;  // FoxPro 3.0: the field's bit in _NullFlags
};

void PutLe(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutBe(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// "%.*f" (std::to_chars writes what printf writes, without its overhead).
std::string Fixed(double value, unsigned decimals)
{
    char buffer[512];
    if (!std::isfinite(value)) {
        std::snprintf(buffer, sizeof buffer, "%.*f", static_cast<int>(decimals), value);
        return buffer;
    }
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, static_cast<int>(decimals));
    return std::string(buffer, result.ptr);
}

// The fewest decimals that write `value` so that it reads back as the same
// number (as the same Single for a Single's value); 19 when none do.
unsigned DecimalsNeeded(double value, bool single)
{
    // The shortest text that reads back as the value has the fewest decimals
    // that do, so the search starts there; reading back through a double may
    // still differ for a Single, hence the check.
    unsigned first = 0;
    if (std::isfinite(value)) {
        char buffer[512];
        const auto result = single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value),
                                                   std::chars_format::fixed)
                                   : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
        const std::string_view shortest(buffer, static_cast<std::size_t>(result.ptr - buffer));
        if (const std::size_t point = shortest.find('.'); point != std::string_view::npos)
            first = static_cast<unsigned>(shortest.size() - point - 1);
    }
    for (unsigned decimals = first; decimals < 19; ++decimals) {
        const double back = std::strtod(Fixed(value, decimals).c_str(), nullptr);
        if (single ? static_cast<float>(back) == static_cast<float>(value) : back == value)
            return decimals;
    }
    return 19;
}

bool IsWholeDay(const Variant& value)
{
    const double date = value.AsDate();
    return date == std::floor(date);
}

std::string DateText(double date, bool withTime)
{
    return platform::FormatDateTime(withTime ? "yyyy-mm-dd hh:nn:ss" : "yyyymmdd", date);
}

[[noreturn]] void TooSmall(const std::string& column)
{
    throw EngineError(errFieldTooSmall,
                      "The field is too small to accept the amount of data you attempted to add. The numbers of '"
                          + column + "' do not fit a numeric field of 20 characters.",
                      DbfSource);
}

class DbfWriter {
public:
    DbfWriter(int version, const Table& table, const std::string& formatName)
        : Version(version), Source(table), Encoder(table, formatName)
    {
        for (std::size_t c = 0; c < Source.Columns.size(); ++c)
            Fields.push_back(Describe(c));
        // "_NullFlags" is the hidden field of FoxPro 3.0.
        const std::vector<std::string> names = ShortFieldNames(Source, Encoder, 10, true, {"_NullFlags"});
        for (DbfField& field : Fields)
            field.Name = names[field.Column];
        if (Version == 30)
            for (DbfField& field : Fields)
                if (HasNull(field.Column))
                    field.NullBit = NullBits++;
    }

    bool HasMemo() const
    {
        for (const DbfField& field : Fields)
            if (field.Type == Kind::Memo)
                return true;
        return false;
    }

    // The table file and the memo file (empty when no field needs one).
    std::pair<std::string, std::string> Build(const std::string& tableName)
    {
        std::string memo = MemoHeader(tableName);
        std::string records;
        for (const auto& row : Source.Rows) {
            records += ' ';
            std::uint64_t nullFlags = 0;
            for (const DbfField& field : Fields) {
                const Variant& value = row[field.Column];
                if (value.IsClear() && field.NullBit >= 0)
                    nullFlags |= std::uint64_t{1} << field.NullBit;
                records += FieldBytes(field, value, memo);
            }
            if (NullBits > 0)
                PutLe(records, nullFlags, NullFlagBytes());
        }
        records += '\x1A';
        std::string file = Header() + records;
        if (!memo.empty()) {
            // The header's first word: the next block free for a memo.
            const auto nextBlock = static_cast<std::uint32_t>(memo.size() / MemoBlockSize());
            std::string next;
            if (IsFoxPro())
                PutBe(next, nextBlock, 4);
            else
                PutLe(next, nextBlock, 4);
            memo.replace(0, 4, next);
        }
        return {std::move(file), HasMemo() ? std::move(memo) : std::string()};
    }

private:
    bool IsFoxPro() const { return Version >= 20; }
    std::size_t MemoBlockSize() const { return IsFoxPro() ? 64 : 512; }
    int NullFlagBytes() const { return (NullBits + 7) / 8; }

    bool HasNull(std::size_t column) const
    {
        for (const auto& row : Source.Rows)
            if (row[column].IsClear())
                return true;
        return false;
    }

    DbfField Describe(std::size_t c)
    {
        const Column& column = Source.Columns[c];
        DbfField field;
        field.Column = c;
        const auto values = [&](auto&& each) {
            for (const auto& row : Source.Rows)
                if (!row[c].IsClear())
                    each(row[c]);
        };
        if (IsBinaryColumn(column.Type) || column.Type == dbMemo) {
            field.Type = Kind::Memo;
        } else if (IsTextColumn(column.Type)) {
            std::size_t longest = static_cast<std::size_t>(std::clamp(column.Size, 1, 254));
            values([&](const Variant& value) { longest = std::max(longest, Encoder.Encode(value.AsString()).size()); });
            if (longest > 254)
                field.Type = Kind::Memo;
            else
                field.Length = static_cast<unsigned>(longest);
        } else if (column.Type == dbBoolean) {
            field.Type = Kind::Logical;
            field.Length = 1;
        } else if (IsDateColumn(column.Type)) {
            bool wholeDays = true;
            values([&](const Variant& value) { wholeDays = wholeDays && IsWholeDay(value); });
            field.Type = wholeDays ? Kind::Date : Version == 30 ? Kind::DateTime : Kind::DateText;
            field.Length = field.Type == Kind::DateText ? 19 : 8;
        } else if (Version == 30 && (column.Type == dbByte || column.Type == dbInteger || column.Type == dbLong)) {
            field.Type = Kind::Integer;
            field.Length = 4;
        } else if (Version == 30 && column.Type == dbCurrency) {
            field.Type = Kind::Currency;
            field.Length = 8;
        } else if (Version == 30 && !IsIntegerColumn(column.Type) && column.Type != dbCurrency) {
            field.Type = Kind::Double;
            field.Length = 8;
        } else if (IsIntegerColumn(column.Type) || column.Type == dbCurrency || column.Type == dbSingle
                   || column.Type == dbDouble || column.Type == dbDecimal || column.Type == dbNumeric
                   || column.Type == dbFloat) {
            field.Type = Kind::Numeric;
            unsigned integerWidth = 1;
            unsigned decimals = column.Type == dbCurrency ? 4 : 0;
            values([&](const Variant& value) {
                if (column.Type == dbCurrency) {
                    // "-922337203685477.5808": the digits before the point.
                    const std::string text = CurrencyFixedText(value.AsCurrencyScaled(), 4);
                    integerWidth = std::max<unsigned>(integerWidth, static_cast<unsigned>(text.size() - 5));
                    return;
                }
                const double number = value.AsDouble();
                integerWidth = std::max<unsigned>(integerWidth, static_cast<unsigned>(Fixed(number, 0).size()));
                if (!IsIntegerColumn(column.Type))
                    decimals = std::max(decimals, DecimalsNeeded(number, column.Type == dbSingle));
            });
            if (integerWidth > 20)
                TooSmall(column.Name);
            if (decimals > 0 && integerWidth + 1 + decimals > 20)
                decimals = integerWidth + 2 > 20 ? 0 : 20 - integerWidth - 1;
            field.Decimals = decimals;
            field.Length = integerWidth + (decimals ? decimals + 1 : 0);
        } else {
            // Values of other kinds as their text.
            std::size_t longest = 1;
            values([&](const Variant& value) { longest = std::max(longest, Encoder.Encode(ValueText(value)).size()); });
            if (longest > 254)
                field.Type = Kind::Memo;
            else
                field.Length = static_cast<unsigned>(longest);
        }
        if (field.Type == Kind::Memo)
            field.Length = Version == 30 ? 4 : 10;
        static const char letters[] = {'C', 'M', 'N', 'L', 'D', 'C', 'T', 'I', 'B', 'Y'};
        field.Letter = letters[static_cast<int>(field.Type)];
        return field;
    }

    unsigned RecordLength() const
    {
        unsigned length = 1;
        for (const DbfField& field : Fields)
            length += field.Length;
        return length + static_cast<unsigned>(NullFlagBytes());
    }

    std::string Header() const
    {
        const std::size_t fieldCount = Fields.size() + (NullBits > 0 ? 1 : 0);
        const std::size_t headerSize = 32 + 32 * fieldCount + 1 + (Version == 30 ? 263 : 0);
        std::string header;
        unsigned char versionByte = 0x03;
        if (Version == 30)
            versionByte = 0x30;
        else if (HasMemo())
            versionByte = Version == 3 ? 0x83 : IsFoxPro() ? 0xF5 : 0x8B;
        header += static_cast<char>(versionByte);
        int year = 0, month = 0, day = 0;
        platform::DecodeDate(platform::Now(), year, month, day);
        header += static_cast<char>((year - 1900) & 0xFF);
        header += static_cast<char>(month);
        header += static_cast<char>(day);
        PutLe(header, Source.Rows.size(), 4);
        PutLe(header, headerSize, 2);
        PutLe(header, RecordLength(), 2);
        header.append(16, '\0');
        header += static_cast<char>(Version == 30 && HasMemo() ? 0x02 : 0x00);
        const int page = Encoder.Page().Number;
        header += static_cast<char>(page == 936 ? 0x7A : page == 950 ? 0x78 : 0x03);
        header.append(2, '\0');

        unsigned offset = 1;
        const auto descriptor = [&](const std::string& name, char letter, unsigned length, unsigned decimals,
                                    unsigned flags) {
            std::string entry = name.substr(0, 10);
            entry.resize(11, '\0');
            entry += letter;
            PutLe(entry, IsFoxPro() ? offset : 0, 4);
            entry += static_cast<char>(length);
            entry += static_cast<char>(decimals);
            entry += static_cast<char>(flags);
            entry.resize(32, '\0');
            header += entry;
            offset += length;
        };
        for (const DbfField& field : Fields) {
            unsigned flags = 0;
            if (Version == 30) {
                if (field.NullBit >= 0)
                    flags |= 0x02;
            }
            descriptor(field.Name, field.Letter, field.Length, field.Decimals, flags);
        }
        if (NullBits > 0)
            descriptor("_NullFlags", '0', static_cast<unsigned>(NullFlagBytes()), 0, 0x05);
        header += '\x0D';
        if (Version == 30)
            header.append(263, '\0');
        return header;
    }

    std::string MemoHeader(const std::string& tableName) const
    {
        std::string header;
        if (IsFoxPro()) {
            PutBe(header, 0, 4);
            PutBe(header, 0, 2);
            PutBe(header, MemoBlockSize(), 2);
            header.resize(512, '\0');
            return header;
        }
        PutLe(header, 0, 4);
        if (Version >= 4) {
            PutLe(header, 0, 4);
            std::string stem = std::filesystem::path(tableName).stem().string().substr(0, 8);
            stem.resize(8, '\0');
            header += stem;
            PutLe(header, 0, 4);
            PutLe(header, MemoBlockSize(), 2);
        }
        header.resize(512, '\0');
        return header;
    }

    // Appends a memo to the memo file; answers its first block.
    std::uint32_t AddMemo(std::string& memo, const std::string& text) const
    {
        const auto block = static_cast<std::uint32_t>(memo.size() / MemoBlockSize());
        if (IsFoxPro()) {
            PutBe(memo, 1, 4);  // a text
            PutBe(memo, text.size(), 4);
            memo += text;
        } else if (Version == 3) {
            memo += text;
            memo += "\x1A\x1A";
        } else {
            memo.append("\xFF\xFF\x08\x00", 4);
            PutLe(memo, text.size() + 8, 4);
            memo += text;
        }
        const std::size_t size = MemoBlockSize();
        memo.append((size - memo.size() % size) % size, '\0');
        return block;
    }

    std::string FieldBytes(const DbfField& field, const Variant& value, std::string& memo) const
    {
        const bool null = value.IsClear();
        const auto blank = [&] { return std::string(field.Length, ' '); };
        const auto leftAligned = [&](std::string text) {
            text.resize(field.Length, ' ');
            return text;
        };
        const auto rightAligned = [&](const std::string& text) {
            return std::string(field.Length - std::min<std::size_t>(field.Length, text.size()), ' ') + text;
        };
        std::string bytes;
        switch (field.Type) {
        case Kind::Character:
            return null ? blank() : leftAligned(Encoder.Encode(ValueText(value)));
        case Kind::DateText:
            return null ? blank() : leftAligned(DateText(value.AsDate(), true));
        case Kind::Date:
            return null ? blank() : DateText(value.AsDate(), false);
        case Kind::Logical:
            if (null)
                return Version == 3 ? " " : "?";
            return value.AsBoolean() ? "T" : "F";
        case Kind::Numeric:
            if (null)
                return blank();
            if (IsIntegerColumn(Source.Columns[field.Column].Type))
                return rightAligned(std::to_string(value.AsInt64()));
            if (Source.Columns[field.Column].Type == dbCurrency)
                return rightAligned(CurrencyFixedText(value.AsCurrencyScaled(), static_cast<int>(field.Decimals)));
            return rightAligned(Fixed(value.AsDouble(), field.Decimals));
        case Kind::Memo: {
            const bool binary = IsBinaryColumn(Source.Columns[field.Column].Type) || value.IsArray();
            std::uint32_t block = 0;
            if (!null)
                block = AddMemo(memo, binary ? HexText(value.AsBytes()) : Encoder.Encode(value.AsString()));
            if (Version == 30) {
                PutLe(bytes, block, 4);
                return bytes;
            }
            return null ? blank() : rightAligned(std::to_string(block));
        }
        case Kind::Integer:
            PutLe(bytes, null ? 0 : static_cast<std::uint32_t>(value.AsInteger()), 4);
            return bytes;
        case Kind::Currency:
            PutLe(bytes, null ? 0 : static_cast<std::uint64_t>(value.AsCurrencyScaled()), 8);
            return bytes;
        case Kind::Double: {
            const double number = null ? 0 : value.AsDouble();
            std::uint64_t bits = 0;
            std::memcpy(&bits, &number, sizeof bits);
            PutLe(bytes, bits, 8);
            return bytes;
        }
        case Kind::DateTime: {
            if (null)
                return std::string(8, '\0');
            int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
            platform::DecodeDate(value.AsDate(), year, month, day);
            platform::DecodeTime(value.AsDate(), hour, minute, second, millisecond);
            // The Julian day number of the date, then milliseconds since midnight.
            const int a = (14 - month) / 12;
            const int y = year + 4800 - a;
            const int m = month + 12 * a - 3;
            const long julian = day + (153 * m + 2) / 5 + 365L * y + y / 4 - y / 100 + y / 400 - 32045;
            PutLe(bytes, static_cast<std::uint32_t>(julian), 4);
            PutLe(bytes, static_cast<std::uint32_t>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond), 4);
            return bytes;
        }
        }
        return blank();
    }

    int Version;
    const Table& Source;
    TextEncoder Encoder;
    std::vector<DbfField> Fields;
    int NullBits = 0;
};

class DbfFormat : public InstallableFormat {
public:
    explicit DbfFormat(int version) : Version(version) {}

    long Export(const ExportTarget& target, Recordset& rows) override
    {
        CheckFileName(target.TableName);
        CheckFolder(target.Path);
        const std::string path = TargetPath(target.Path, target.TableName, ".dbf");
        RefuseExisting(path, target.TableName);

        const Table table = ReadTable(rows);
        const std::string formatName = Version >= 20 ? "FoxPro " + std::to_string(Version / 10) + "."
                + std::to_string(Version % 10)
                                                     : Version == 5 ? "dBase 5.0" : Version == 4 ? "dBase IV" : "dBase III";
        DbfWriter writer(Version, table, formatName);
        auto [file, memo] = writer.Build(std::filesystem::path(path).filename().string());
        std::vector<std::pair<std::string, std::string>> files;
        if (!memo.empty())
            files.emplace_back(std::filesystem::path(path).replace_extension(Version >= 20 ? ".fpt" : ".dbt").string(),
                               std::move(memo));
        files.emplace_back(path, std::move(file));
        WriteTargetFiles(files);
        return static_cast<long>(table.Rows.size());
    }

private:
    int Version;
};

} // namespace

std::shared_ptr<InstallableFormat> MakeDbfFormat(int version)
{
    return std::make_shared<DbfFormat>(version);
}

} // namespace jet::exporting
