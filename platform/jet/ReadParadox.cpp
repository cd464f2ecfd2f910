// The Paradox table reader (see FormatTables.h): pxlib reads the header and
// the records; texts are decoded here from the table's code page, and memos
// and blobs past the part the record holds are read from the blob file here
// too (pxlib's own blob reader overruns its stack on 64-bit machines).
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
#include "platform/system/TextEncoding.h"

extern "C" {
#include <paradox.h>
}

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace jet::formats {
namespace {

void IgnoreError(pxdoc_t*, int, const char*, void* data)
{
    *static_cast<bool*>(data) = true;
}

std::uint32_t Le(std::string_view bytes, std::size_t at, int size)
{
    return LittleEndian(bytes, at, size);
}

// Automation date 0 (30 December 1899) as Paradox counts days.
constexpr double ParadoxDayZero = 693594;

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
    explicit ParadoxReader(const std::string& path) : Path(path) {}

    TableData Read()
    {
        bool failed = false;
        std::unique_ptr<pxdoc_t, void (*)(pxdoc_t*)> doc(
            PX_new3(
                IgnoreError, [](pxdoc_t*, std::size_t size, const char*) { return std::calloc(1, size); },
                [](pxdoc_t*, void* memory, std::size_t size, const char*) { return std::realloc(memory, size); },
                [](pxdoc_t*, void* memory) { std::free(memory); }, &failed),
                                                          [](pxdoc_t* px) {
                                                              PX_close(px);
                                                              PX_delete(px);
                                                          });
        if (!doc || PX_open_file(doc.get(), Path.c_str()) != 0 || failed || !doc->px_head)
            Damaged(Path, "pxlib cannot read it");
        pxhead_t& head = *doc->px_head;
        const int page = head.px_doscodepage;
        Charset = page == 936 ? "GBK" : page == 950 ? "BIG5" : page > 0 ? "CP" + std::to_string(page) : "CP1252";
        const std::filesystem::path blobPath = std::filesystem::path(Path).replace_extension(".mb");
        std::error_code missing;
        if (std::filesystem::exists(blobPath, missing))
            Blobs = ReadWholeFile(blobPath.string());

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
        return Blobs.substr(start, length);
    }

    const std::string& Path;
    std::string Charset;
    std::string Blobs;
};

} // namespace

TableData ReadParadoxTable(const std::string& path)
{
    return ParadoxReader(path).Read();
}

} // namespace jet::formats
