// The Paradox table reader (see FormatTables.h): pxlib reads the header and
// the records; texts are decoded here from the table's code page, and memos
// and blobs past the part the record holds are read from the blob file here
// too (pxlib's own blob reader overruns its stack on 64-bit machines).
//
// pxlib takes a Paradox 3 table's encryption from the part of the header
// that Paradox 4 added, which such a table lacks, and so from memory it never
// set: a value that changes from call to call makes it decrypt a table that
// is not encrypted. The reader gives pxlib a Paradox 3 table in the layout of
// 4.x instead, with that part put in saying what the table's own header says
// (its encryption, where 0xFF00FF00 means none, and the code page 437).
//
// A memo or blob field ends in ten bytes: where its data lies in the blob
// file (a 4096-byte block number times 256 plus an entry of that block, or
// 255 for a block of its own), its length and a modifier. A block of its own
// (type 2) holds the data after a 9-byte header; a block of small blobs
// (type 3) has a 12-byte header and 64 five-byte entries, each with the data's
// offset in 16-byte units.
#include "platform/jet/FormatTables.h"

#include "platform/jet/Constants.h"
#include "platform/jet/EngineError.h"
#include "platform/jet/PxlibMemory.h"
#include "platform/system/TextEncoding.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace jet::formats {
namespace {

std::uint32_t Le(std::string_view bytes, std::size_t at, int size)
{
    return LittleEndian(bytes, at, size);
}

// Automation date 0 (30 December 1899) as Paradox counts days.
constexpr double ParadoxDayZero = 693594;

// The header: its size, the file type (0 and 2 are tables), the number of
// fields, Paradox 3's encryption and the file version (3 and 4 for 3.x).
constexpr std::size_t HeaderSizeAt = 0x02;
constexpr std::size_t FileTypeAt = 0x04;
constexpr std::size_t MaxTableSizeAt = 0x05;  // the size of a data block in kilobytes
constexpr std::size_t FirstBlockAt = 0x0E;
constexpr std::size_t FieldCountAt = 0x21;
constexpr std::size_t Encryption3At = 0x25;
constexpr std::size_t FileVersionAt = 0x39;
// The part Paradox 4 added after the first 0x58 bytes, and in it the
// version codes, the encryption, the next field number and the code page.
constexpr std::size_t Block4At = 0x58;
constexpr std::size_t Block4Size = 0x20;
constexpr std::size_t Block4VersionsAt = 0x00;
constexpr std::size_t Block4EncryptionAt = 0x04;
constexpr std::size_t Block4NextFieldAt = 0x0C;
constexpr std::size_t Block4CodePageAt = 0x12;
constexpr char FileVersion4 = 0x09;
constexpr std::uint32_t NoEncryption3 = 0xFF00FF00;

bool IsParadox3Table(std::string_view table)
{
    return table.size() > FileVersionAt && (table[FileTypeAt] == 0 || table[FileTypeAt] == 2)
        && (table[FileVersionAt] == 3 || table[FileVersionAt] == 4);
}

void PutLe(std::string& bytes, std::size_t at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// pxlib follows the chain of a table's data blocks without looking where it
// leads: a block that names itself or an earlier one as the next makes it go
// round for ever. The chain is walked here first: every block in the file,
// none twice.
void CheckBlockChain(std::string_view table, const std::string& file)
{
    if (table.size() <= FileVersionAt)
        Damaged(file, "a header too short");
    const std::size_t headerSize = LittleEndian(table, HeaderSizeAt, 2);
    const std::size_t blockSize = static_cast<std::size_t>(static_cast<unsigned char>(table[MaxTableSizeAt])) * 0x400;
    if (headerSize < Block4At || headerSize > table.size() || blockSize == 0)
        Damaged(file, "a header of the wrong size");
    const std::size_t blocks = (table.size() - headerSize + blockSize - 1) / blockSize;
    std::vector<bool> seen(blocks + 1, false);
    for (std::size_t block = LittleEndian(table, FirstBlockAt, 2); block != 0;) {
        if (block > blocks || seen[block])
            Damaged(file, "a broken chain of data blocks");
        seen[block] = true;
        const std::size_t at = headerSize + (block - 1) * blockSize;
        if (at + 6 > table.size())
            Damaged(file, "a data block past the end of the file");
        block = LittleEndian(table, at, 2);
    }
}

// A Paradox 3 table in the layout of 4.x (see above). The data blocks stay
// where they were: the zeros that end the header make room for the part put
// in, or else the header grows by it.
std::string Paradox4Layout(std::string_view table, const std::string& file)
{
    const std::size_t headerSize = LittleEndian(table, HeaderSizeAt, 2);
    if (headerSize < Block4At || headerSize > table.size())
        Damaged(file, "a header of the wrong size");
    std::string block(Block4Size, '\0');
    PutLe(block, Block4VersionsAt, 0x0109, 2);
    PutLe(block, Block4VersionsAt + 2, 0x0109, 2);
    const std::uint32_t encryption = LittleEndian(table, Encryption3At, 4);
    PutLe(block, Block4EncryptionAt, encryption == NoEncryption3 ? 0 : encryption, 4);
    PutLe(block, Block4NextFieldAt, LittleEndian(table, FieldCountAt, 2) + 1, 2);
    PutLe(block, Block4CodePageAt, 437, 2);
    std::string converted(table.substr(0, Block4At));
    converted += block;
    const std::string_view rest = table.substr(Block4At, headerSize - Block4At);
    if (rest.size() >= Block4Size
        && std::all_of(rest.end() - Block4Size, rest.end(), [](char byte) { return byte == 0; })) {
        converted += rest.substr(0, rest.size() - Block4Size);
    } else {
        if (headerSize + Block4Size > 0xFFFF)
            Damaged(file, "a header too large");
        converted += rest;
        PutLe(converted, HeaderSizeAt, static_cast<std::uint32_t>(headerSize + Block4Size), 2);
    }
    converted[FileVersionAt] = FileVersion4;
    converted += table.substr(headerSize);
    return converted;
}

int TypeOf(int paradoxType, int length)
{
    switch (paradoxType) {
    case pxfAlpha: return length > 255 ? dbMemo : dbText;
    case pxfDate:
    case pxfTime:
    case pxfTimestamp: return dbDate;
    case pxfShort: return dbInteger;
    case pxfLong:
    case pxfAutoInc: return dbLong;
    case pxfCurrency: return dbCurrency;
    case pxfNumber:
    case pxfBCD: return dbDouble;
    case pxfLogical: return dbBoolean;
    case pxfMemoBLOb:
    case pxfFmtMemoBLOb: return dbMemo;
    case pxfBytes: return dbBinary;
    default: return dbLongBinary;
    }
}

class ParadoxReader {
public:
    ParadoxReader(std::string_view table, std::string_view blobs, const std::string& path)
        : Table(table), Path(path), Blobs(blobs)
    {
    }

    TableData Read()
    {
        // Paradox 3 files name no code page: they are in the DOS one that
        // Paradox 3 used, as the writer writes them.
        const bool paradox3 = IsParadox3Table(Table);
        std::string bytes = paradox3 ? Paradox4Layout(Table, Path) : std::string(Table);
        CheckBlockChain(bytes, Path);
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(fmemopen(bytes.data(), bytes.size(), "rb"),
                                                               std::fclose);
        if (!stream)
            Damaged(Path, "it cannot be read");
        PxlibMemory memory;
        std::unique_ptr<pxdoc_t, void (*)(pxdoc_t*)> doc(
            memory.NewDocument(),
            [](pxdoc_t* px) {
                PX_close(px);
                PX_delete(px);
            });
        if (!doc || PX_open_fp(doc.get(), stream.get()) != 0 || !memory.Error.empty() || !doc->px_head)
            Damaged(Path, "pxlib cannot read it");
        pxhead_t& head = *doc->px_head;
        const int page = paradox3 ? 437 : head.px_doscodepage;
        Charset = page == 936 ? "GBK" : page == 950 ? "BIG5" : page > 0 ? "CP" + std::to_string(page) : "CP1252";

        TableData data;
        const int fieldCount = PX_get_num_fields(doc.get());
        const int recordSize = PX_get_recordsize(doc.get());
        if (fieldCount <= 0 || recordSize <= 0)
            Damaged(Path, "no fields");
        std::vector<std::pair<int, int>> fields;  // type, length
        int offset = 0;
        for (int f = 0; f < fieldCount; ++f) {
            const pxfield_t* field = PX_get_field(doc.get(), f);
            if (!field)
                Damaged(Path, "a field pxlib cannot describe");
            catalog::ColumnDef column;
            column.Id = f + 1;
            column.Name = field->px_fname ? Text(field->px_fname) : "";
            column.Name = ColumnName(column.Name, data.Definition.Columns, "Field" + std::to_string(f + 1));
            column.Type = TypeOf(field->px_ftype, field->px_flen);
            column.Size = column.Type == dbText || column.Type == dbBinary ? field->px_flen : 0;
            if (field->px_ftype == pxfAutoInc)
                column.Attributes = dbAutoIncrField;
            data.Definition.Columns.push_back(std::move(column));
            fields.emplace_back(field->px_ftype, field->px_flen);
            offset += field->px_flen;
        }
        if (offset > recordSize)
            Damaged(Path, "fields wider than the record");
        // The leading key fields make the primary key, named after the table as Paradox names it.
        if (head.px_primarykeyfields > 0 && head.px_primarykeyfields <= fieldCount) {
            catalog::IndexDef key;
            key.Id = 1;
            key.Name = std::filesystem::path(Path).stem().string();
            key.Primary = key.Unique = true;
            for (int f = 0; f < head.px_primarykeyfields; ++f)
                key.Columns.push_back({f + 1, false});
            data.Definition.Indexes.push_back(std::move(key));
        }

        std::string record(static_cast<std::size_t>(recordSize), '\0');
        const int count = PX_get_num_records(doc.get());
        for (int r = 0; r < count; ++r) {
            if (PX_get_record(doc.get(), r, record.data()) == nullptr)
                Damaged(Path, "a record pxlib cannot read");
            std::vector<Variant> row;
            int at = 0;
            for (const auto& [type, length] : fields) {
                row.push_back(Value(doc.get(), record.data() + at, type, length));
                at += length;
            }
            data.Rows.push_back(std::move(row));
        }
        return data;
    }

private:
    std::string Text(std::string_view bytes) const
    {
        return platform::ConvertText(bytes, Charset.c_str(), "UTF-8");
    }

    Variant Value(pxdoc_t* doc, char* data, int type, int length)
    {
        // Paradox keeps Null as a field of zero bytes, whatever its type.
        if (std::all_of(data, data + length, [](char byte) { return byte == 0; }))
            return Variant::Null();
        switch (type) {
        case pxfAlpha: {
            std::string_view text(data, static_cast<std::size_t>(length));
            text = text.substr(0, std::min(text.find('\0'), text.size()));
            while (!text.empty() && text.back() == ' ')
                text.remove_suffix(1);
            return text.empty() ? Variant::Null() : Variant(Text(text));
        }
        case pxfShort: {
            short value = 0;
            return PX_get_data_short(doc, data, length, &value) > 0 ? Variant::Smallint(value) : Variant::Null();
        }
        case pxfLong:
        case pxfAutoInc:
        case pxfDate:
        case pxfTime: {
            long value = 0;
            if (PX_get_data_long(doc, data, length, &value) <= 0)
                return Variant::Null();
            if (type == pxfDate)
                return Variant::Date(static_cast<double>(value) - ParadoxDayZero);
            if (type == pxfTime)
                return Variant::Date(static_cast<double>(value) / 86400000.0);
            return Variant(static_cast<int>(value));
        }
        case pxfNumber:
        case pxfCurrency:
        case pxfTimestamp: {
            double value = 0;
            if (PX_get_data_double(doc, data, length, &value) <= 0)
                return Variant::Null();
            if (type == pxfCurrency)
                return Variant::Currency(value);
            if (type == pxfTimestamp)
                return Variant::Date(value / 86400000.0 - ParadoxDayZero);
            return Variant(value);
        }
        case pxfLogical: {
            char value = 0;
            return PX_get_data_byte(doc, data, length, &value) > 0 ? Variant(value != 0) : Variant::Null();
        }
        case pxfMemoBLOb:
        case pxfFmtMemoBLOb:
        case pxfBLOb:
        case pxfOLE:
        case pxfGraphic: {
            const std::string bytes = Blob(std::string_view(data, static_cast<std::size_t>(length)));
            if (bytes.empty())
                return Variant::Null();
            return type == pxfMemoBLOb || type == pxfFmtMemoBLOb ? Variant(Text(bytes)) : Variant::Bytes(bytes);
        }
        case pxfBytes: return Variant::Bytes(std::string_view(data, static_cast<std::size_t>(length)));
        default: return Variant::Null();
        }
    }

    // A memo or blob: its first part from the record, or the whole from the blob file.
    std::string Blob(std::string_view field) const
    {
        if (field.size() < 10)
            Damaged(Path, "a blob field too short");
        const std::string_view leader = field.substr(0, field.size() - 10);
        const std::uint32_t where = Le(field, field.size() - 10, 4);
        const std::uint32_t length = Le(field, field.size() - 6, 4);
        if (length <= leader.size())
            return std::string(leader.substr(0, length));
        const std::size_t block = where & 0xFFFFFF00u;
        const unsigned entry = where & 0xFFu;
        if (block + 12 > Blobs.size())
            Damaged(Path, "a blob past the end of its blob file");
        std::size_t start = 0;
        if (entry == 0xFF) {
            start = block + 9;
        } else {
            if (entry >= 64 || block + 12 + entry * 5 + 5 > Blobs.size())
                Damaged(Path, "a blob entry out of its block");
            start = block + static_cast<std::size_t>(static_cast<unsigned char>(Blobs[block + 12 + entry * 5])) * 16;
        }
        if (start > Blobs.size() || length > Blobs.size() - start)
            Damaged(Path, "a blob longer than its blob file");
        return std::string(Blobs.substr(start, length));
    }

    std::string_view Table;
    const std::string& Path;
    std::string Charset;
    std::string_view Blobs;
};

} // namespace

TableData ParseParadox(std::string_view table, std::string_view blobs, const std::string& file)
{
    return ParadoxReader(table, blobs, file).Read();
}

TableData ReadParadoxTable(const std::string& path)
{
    const std::filesystem::path blobPath = std::filesystem::path(path).replace_extension(".mb");
    std::error_code missing;
    const std::string blobs = std::filesystem::exists(blobPath, missing) ? ReadWholeFile(blobPath.string()) : "";
    return ParseParadox(ReadWholeFile(path), blobs, path);
}

} // namespace jet::formats
