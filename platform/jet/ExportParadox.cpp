// The Paradox formats, written through pxlib: a .db table of file version
// 3.0, 4.0, 5.0 or 7.0 with, when a column needs one, its blob file (.mb),
// and when the table has a primary key its primary index (.px). pxlib
// writes the layout of version 5.0 and later; a 4.0 table has the same
// layout and only its version code differs, which is set after pxlib is
// done. A 3.0 table lacks a block of the header that 4.0 added, which is
// taken out afterwards (Paradox3Layout). Paradox 3 files name no code page:
// their texts are written in the DOS code page 437 that Paradox 3 used, and
// they hold neither memos nor binary fields (3163 for a text past 255
// bytes, 3259 for a binary column).
//
// A keyed table has its key fields first, as Paradox requires (the other
// fields follow in their order), and its records in key order.
//
// Memos and binary values keep up to 240 bytes in the record itself and the
// rest in the blob file.
//
// Columns: texts are alpha fields as wide as the longest text in bytes (at
// least the column's size, at most 255), or memo fields when the column is
// a memo or a text is longer; binary values blob fields; booleans logical fields (from version 5; before, short
// integers -1 and 0); byte and integer columns short integers; long integers
// long fields (from version 5, before numbers); other numbers number fields;
// currency money fields; dates date fields when they are whole days, else
// time-stamp fields (from version 5; before, alpha fields
// "yyyy-mm-dd hh:mm:ss"). Field names are cut to 25 bytes and made unique.
// Null is an empty field, as Paradox keeps it.
#include "platform/jet/ExportFormats.h"

#include "platform/jet/Collation.h"
#include "platform/jet/Collection.h"
#include "platform/jet/Constants.h"
#include "platform/jet/EngineError.h"
#include "platform/jet/FormatTables.h"
#include "platform/jet/PxlibMemory.h"
#include "platform/system/DateTime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

namespace jet::exporting {
namespace {

const char* const ParadoxSource = "DAO.Database";

// Bytes of a memo or blob kept in the record itself, before the part in the
// blob file; the field holds them and a ten-byte reference.
// The most Paradox allows, so that short memos need no blob file.
constexpr int BlobLeader = 240;
// Where a table file keeps its file version, and the version's codes for
// 3.0 and 4.x.
constexpr std::size_t FileVersionOffset = 0x39;
constexpr char FileVersion3 = 0x03;
constexpr char FileVersion4 = 0x09;
// The block of the header that Paradox 4 added after its first 0x58 bytes
// (second version codes, the code page, the update time and the like).
constexpr std::size_t HeaderBlock4 = 0x58;
constexpr std::size_t HeaderBlock4Size = 0x20;

// The only code page a Paradox 3 table is read in.
const CodePage Paradox3Page[] = {{437, "CP437", "code page 437"}};

struct ParadoxField {
    std::size_t Column = 0;
    char Type = pxfAlpha;
    int Length = 1;
    bool DateText = false;  // a date-time column written as alpha text
};

// A file pxlib writes, kept in memory until it is complete. pxlib rewrites
// the table's header after every record, a few bytes at a time, seeking and
// reading back around each write: on a file that is a system call each, and
// even through stdio several hundred instructions. pxlib only creates files
// on a stdio stream, so it gets one over this memory (fopencookie), and then
// its stream's operations are pointed at the memory itself.
class MemoryFile {
public:
    MemoryFile()
        : File(fopencookie(this, "w+",
                           {[](void* self, char* buffer, std::size_t count) -> ssize_t {
                                return static_cast<ssize_t>(static_cast<MemoryFile*>(self)->Read(count, buffer));
                            },
                            [](void* self, const char* buffer, std::size_t count) -> ssize_t {
                                return static_cast<ssize_t>(static_cast<MemoryFile*>(self)->Write(count, buffer));
                            },
                            [](void* self, off64_t* offset, int whence) {
                                const int result = static_cast<MemoryFile*>(self)->Seek(*offset, whence);
                                *offset = static_cast<off64_t>(static_cast<MemoryFile*>(self)->Position);
                                return result;
                            },
                            nullptr}))
    {
        // Unbuffered: every access reaches the memory, whichever way it goes.
        if (File)
            std::setvbuf(File, nullptr, _IONBF, 0);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile()
    {
        if (File)
            std::fclose(File);
    }

    std::FILE* Stream() const { return File; }
    std::string& Bytes() { return Data; }

    std::size_t Read(std::size_t count, void* buffer)
    {
        const std::size_t available = Position < Data.size() ? std::min(count, Data.size() - Position) : 0;
        std::memcpy(buffer, Data.data() + Position, available);
        Position += available;
        return available;
    }

    std::size_t Write(std::size_t count, const void* buffer)
    {
        try {
            if (Position + count > Data.size())
                Data.resize(Position + count);
        } catch (const std::bad_alloc&) {
            return 0;  // pxlib reports the short write
        }
        std::memcpy(Data.data() + Position, buffer, count);
        Position += count;
        return count;
    }

    int Seek(long offset, int whence)
    {
        const long base = whence == SEEK_CUR ? static_cast<long>(Position)
            : whence == SEEK_END             ? static_cast<long>(Data.size())
                                             : 0;
        if (base + offset < 0)
            return -1;
        Position = static_cast<std::size_t>(base + offset);
        return 0;
    }

    long Tell() const { return static_cast<long>(Position); }

private:
    std::string Data;
    std::size_t Position = 0;
    std::FILE* File = nullptr;
};

// What pxlib writes into, reached from its callbacks through the document's
// memory (PxlibMemory, whose Error keeps its first message): the table, blob
// and primary index files.
struct ParadoxOutput : PxlibMemory {
    MemoryFile Table;
    MemoryFile Blobs;
    MemoryFile Index;
};

// The output of a document; null while pxlib makes the document itself.
ParadoxOutput* OutputOf(pxdoc_t* doc)
{
    return static_cast<ParadoxOutput*>(PxlibMemory::Of(doc));
}

MemoryFile& FileOf(pxdoc_t* doc, pxstream_t* stream)
{
    ParadoxOutput* output = OutputOf(doc);
    if (stream->s.fp == output->Blobs.Stream())
        return output->Blobs;
    return stream->s.fp == output->Index.Stream() ? output->Index : output->Table;
}

// Points a pxlib stream over a MemoryFile's stdio stream at the memory.
void AccessDirectly(pxstream_t* stream)
{
    stream->read = [](pxdoc_t* doc, pxstream_t* self, std::size_t count, void* buffer) {
        return FileOf(doc, self).Read(count, buffer);
    };
    stream->seek = [](pxdoc_t* doc, pxstream_t* self, long offset, int whence) {
        return FileOf(doc, self).Seek(offset, whence);
    };
    stream->tell = [](pxdoc_t* doc, pxstream_t* self) { return FileOf(doc, self).Tell(); };
    stream->write = [](pxdoc_t* doc, pxstream_t* self, std::size_t count, void* buffer) {
        return FileOf(doc, self).Write(count, buffer);
    };
}

// A table file of the later layout made a Paradox 3 one: the header keeps
// its size, the block Paradox 4 added is taken out and the rest of the
// header moves up into its place.
std::string Paradox3Layout(std::string table)
{
    const std::size_t headerSize = table.size() < 4 ? 0 : formats::LittleEndian(table, 2, 2);
    if (headerSize > table.size() || headerSize < HeaderBlock4 + 2 * HeaderBlock4Size)
        throw EngineError(3051, "The Paradox table could not be written (header).", ParadoxSource);
    table.erase(HeaderBlock4, HeaderBlock4Size);
    table.insert(headerSize - HeaderBlock4Size, HeaderBlock4Size, '\0');
    table[FileVersionOffset] = FileVersion3;
    return table;
}

std::string WithVersion(std::string file, char version)
{
    if (file.size() <= FileVersionOffset)
        throw EngineError(3051, "The Paradox table could not be written (file version).", ParadoxSource);
    file[FileVersionOffset] = version;
    return file;
}

// Orders key values as the engine does: texts without regard to case,
// other values by number; Null first.
int CompareKeyValues(const Variant& a, const Variant& b)
{
    if (a.IsClear() || b.IsClear())
        return a.IsClear() == b.IsClear() ? 0 : a.IsClear() ? -1 : 1;
    if (a.VarType() == varString || b.VarType() == varString)
        return CompareText(a.AsString(), b.AsString());
    const double x = a.VarType() == varDate ? a.AsDate() : a.AsDouble();
    const double y = b.VarType() == varDate ? b.AsDate() : b.AsDouble();
    return x < y ? -1 : x > y ? 1 : 0;
}

bool IsWholeDay(const Variant& value)
{
    const double date = value.AsDate();
    return date == std::floor(date);
}

// Days since 1 January of year 1, that day being 1, as Paradox counts them.
long ParadoxDay(double automationDate)
{
    int year = 0, month = 0, day = 0;
    platform::DecodeDate(automationDate, year, month, day);
    return PX_GregorianToSdn(year, month, day) - 1721425;
}

class ParadoxWriter {
public:
    ParadoxWriter(int version, const Table& table, const std::vector<std::string>& key)
        : Version(version), Source(table),
          Encoder(table, "Paradox " + std::to_string(version) + ".X",
                  version == 3 ? std::span<const CodePage>(Paradox3Page) : RecordedCodePages())
    {
        // The key fields first, in key order.
        std::vector<std::size_t> order;
        for (const std::string& name : key) {
            const auto column = std::find_if(Source.Columns.begin(), Source.Columns.end(),
                                             [&](const Column& each) { return SameName(each.Name, name); });
            if (column == Source.Columns.end())
                throw EngineError(errItemNotFound, "Item not found in this collection. (key field '" + name + "')",
                                  ParadoxSource);
            order.push_back(static_cast<std::size_t>(column - Source.Columns.begin()));
        }
        KeyFields = static_cast<int>(order.size());
        for (std::size_t c = 0; c < Source.Columns.size(); ++c)
            if (std::find(order.begin(), order.end(), c) == order.end())
                order.push_back(c);
        const std::vector<std::string> names = ShortFieldNames(Source, Encoder, 25, false);
        for (std::size_t c : order) {
            Fields.push_back(Describe(c));
            Names.push_back(names[c]);
        }
        for (int k = 0; k < KeyFields; ++k)
            if (Fields[static_cast<std::size_t>(k)].Type == pxfMemoBLOb || Fields[static_cast<std::size_t>(k)].Type == pxfBLOb)
                throw EngineError(3259, "Invalid field data type. A Paradox key holds no memo or binary field ('"
                                            + Source.Columns[order[static_cast<std::size_t>(k)]].Name + "').",
                                  ParadoxSource);
        RowOrder.resize(Source.Rows.size());
        for (std::size_t r = 0; r < RowOrder.size(); ++r)
            RowOrder[r] = r;
        if (KeyFields > 0)
            std::stable_sort(RowOrder.begin(), RowOrder.end(), [&](std::size_t a, std::size_t b) {
                for (int k = 0; k < KeyFields; ++k) {
                    const std::size_t c = Fields[static_cast<std::size_t>(k)].Column;
                    if (const int compared = CompareKeyValues(Source.Rows[a][c], Source.Rows[b][c]); compared != 0)
                        return compared < 0;
                }
                return false;
            });
    }

    bool Keyed() const { return KeyFields > 0; }

    bool NeedsBlobFile() const
    {
        for (const ParadoxField& field : Fields)
            if (field.Type == pxfMemoBLOb || field.Type == pxfBLOb)
                return true;
        return false;
    }

    // The table file, the blob file when NeedsBlobFile() and the primary
    // index when Keyed() (else empty).
    struct Files {
        std::string Table;
        std::string Blobs;
        std::string Index;
    };
    Files Write(const std::string& tableName)
    {
        ParadoxOutput output;
        std::unique_ptr<pxdoc_t, void (*)(pxdoc_t*)> doc(output.NewDocument(),
                                                          [](pxdoc_t* px) {
                                                              PX_close(px);
                                                              PX_delete(px);
                                                          });
        const auto check = [&](bool ok, const char* what) {
            if (!ok)
                throw EngineError(3051, std::string("The Paradox table could not be written (") + what + "): "
                                            + (output.Error.empty() ? "unknown error" : output.Error),
                                  ParadoxSource);
        };
        check(doc != nullptr && output.Table.Stream() && output.Blobs.Stream(), "new document");
        std::vector<pxfield_t> fields(Fields.size());
        for (std::size_t i = 0; i < Fields.size(); ++i) {
            // pxlib takes over the names and frees them with the document.
            fields[i].px_fname = PX_strdup(doc.get(), Names[i].c_str());
            fields[i].px_ftype = Fields[i].Type;
            fields[i].px_flen = Fields[i].Length;
            fields[i].px_fdc = 0;
        }
        pxfield_t* fieldArray = static_cast<pxfield_t*>(PxlibMemory::Allocate(doc.get(), sizeof(pxfield_t) * fields.size(), ""));
        std::copy(fields.begin(), fields.end(), fieldArray);
        check(PX_create_fp(doc.get(), fieldArray, static_cast<int>(fields.size()), output.Table.Stream(),
                           Keyed() ? pxfFileTypIndexDB : pxfFileTypNonIndexDB)
                  == 0,
              "create");
        AccessDirectly(doc->px_stream);
        if (Keyed())
            check(PX_set_value(doc.get(), "numprimkeys", static_cast<float>(KeyFields)) == 0, "key");
        check(PX_set_parameter(doc.get(), "tablename", tableName.c_str()) == 0, "table name");
        check(PX_set_value(doc.get(), "codepage", static_cast<float>(Encoder.Page().Number)) == 0, "code page");
        // pxlib offers no setter of the version; the header it writes on
        // closing takes it from here.
        doc->px_head->px_fileversion = Version == 7 ? 70 : 50;
        if (NeedsBlobFile()) {
            check(PX_set_blob_fp(doc.get(), output.Blobs.Stream()) == 0, "blob file");
            AccessDirectly(doc->px_blob->mb_stream);
        }

        const int recordSize = PX_get_recordsize(doc.get());
        std::string record(static_cast<std::size_t>(recordSize), '\0');
        std::vector<std::string> texts(Fields.size());
        for (std::size_t r : RowOrder) {
            const auto& row = Source.Rows[r];
            std::fill(record.begin(), record.end(), '\0');
            int offset = 0;
            for (std::size_t i = 0; i < Fields.size(); ++i) {
                const ParadoxField& field = Fields[i];
                char* data = record.data() + offset;
                offset += field.Length;
                const Variant& value = row[field.Column];
                if (value.IsClear())
                    continue;  // Paradox keeps Null as a field of zero bytes
                PutValue(doc.get(), data, field, value, texts[i]);
            }
            check(PX_put_record(doc.get(), record.data()) >= 0, "record");
        }
        if (Keyed())
            WritePrimaryIndex(doc.get(), output, check);
        doc.reset();
        Files files{std::move(output.Table.Bytes()), NeedsBlobFile() ? std::move(output.Blobs.Bytes()) : std::string(),
                    std::move(output.Index.Bytes())};
        if (Version == 3 || Version == 4) {
            const char code = Version == 3 ? FileVersion3 : FileVersion4;
            files.Table = Version == 3 ? Paradox3Layout(std::move(files.Table)) : WithVersion(std::move(files.Table), code);
            if (Keyed())
                files.Index = WithVersion(std::move(files.Index), code);
        }
        return files;
    }

private:
    // The primary index (.px) of the records written, into the output's
    // index file: the key fields, which pxlib follows with the block numbers
    // and record counts of its own.
    template <class Check>
    void WritePrimaryIndex(pxdoc_t* table, ParadoxOutput& output, const Check& check)
    {
        std::unique_ptr<pxdoc_t, void (*)(pxdoc_t*)> index(output.NewDocument(),
                                                            [](pxdoc_t* px) {
                                                                PX_close(px);
                                                                PX_delete(px);
                                                            });
        check(index != nullptr && output.Index.Stream(), "new index");
        auto* keys = static_cast<pxfield_t*>(
            PxlibMemory::Allocate(index.get(), sizeof(pxfield_t) * static_cast<std::size_t>(KeyFields), ""));
        for (int k = 0; k < KeyFields; ++k) {
            const pxfield_t* field = PX_get_field(table, k);
            keys[k] = {PX_strdup(index.get(), field->px_fname), field->px_ftype, field->px_flen, 0};
        }
        check(PX_create_fp(index.get(), keys, KeyFields, output.Index.Stream(), pxfFileTypPrimIndex) == 0, "index");
        AccessDirectly(index->px_stream);
        index->px_head->px_fileversion = table->px_head->px_fileversion;
        check(PX_write_primary_index(table, index.get()) == 0, "primary index");
    }

    ParadoxField Describe(std::size_t c)
    {
        const Column& column = Source.Columns[c];
        ParadoxField field;
        field.Column = c;
        const auto values = [&](auto&& each) {
            for (const auto& row : Source.Rows)
                if (!row[c].IsClear())
                    each(row[c]);
        };
        const auto textField = [&](std::size_t longest) {
            if (Version == 3 && longest > 255)
                throw EngineError(errFieldTooSmall,
                                  "The field is too small to accept the amount of data you attempted to add. A "
                                  "Paradox 3.X table holds no memos, and a text of at most 255 bytes; field '"
                                      + column.Name + "' holds one of " + std::to_string(longest) + ".",
                                  ParadoxSource);
            if (Version > 3 && (longest > 255 || column.Type == dbMemo)) {
                field.Type = pxfMemoBLOb;
                field.Length = 10 + BlobLeader;
            } else {
                field.Type = pxfAlpha;
                field.Length = static_cast<int>(std::max<std::size_t>(longest, 1));
            }
        };
        if (IsBinaryColumn(column.Type)) {
            if (Version == 3)
                throw EngineError(3259, "Invalid field data type. A Paradox 3.X table holds no binary field ('"
                                            + column.Name + "').",
                                  ParadoxSource);
            field.Type = pxfBLOb;
            field.Length = 10 + BlobLeader;
        } else if (IsTextColumn(column.Type)) {
            std::size_t longest = column.Type == dbMemo ? 1 : static_cast<std::size_t>(std::clamp(column.Size, 1, 255));
            values([&](const Variant& value) { longest = std::max(longest, Encoder.Encode(ValueText(value)).size()); });
            textField(longest);
        } else if (column.Type == dbBoolean) {
            field.Type = Version >= 5 ? pxfLogical : pxfShort;
            field.Length = Version >= 5 ? 1 : 2;
        } else if (column.Type == dbByte || column.Type == dbInteger) {
            field.Type = pxfShort;
            field.Length = 2;
        } else if (column.Type == dbLong && Version >= 5) {
            field.Type = pxfLong;
            field.Length = 4;
        } else if (column.Type == dbCurrency) {
            field.Type = pxfCurrency;
            field.Length = 8;
        } else if (IsDateColumn(column.Type)) {
            bool wholeDays = true;
            values([&](const Variant& value) { wholeDays = wholeDays && IsWholeDay(value); });
            if (wholeDays) {
                field.Type = pxfDate;
                field.Length = 4;
            } else if (Version >= 5) {
                field.Type = pxfTimestamp;
                field.Length = 8;
            } else {
                field.Type = pxfAlpha;
                field.Length = 19;
                field.DateText = true;
            }
        } else if (IsIntegerColumn(column.Type) || column.Type == dbSingle || column.Type == dbDouble
                   || column.Type == dbDecimal || column.Type == dbNumeric || column.Type == dbFloat) {
            field.Type = pxfNumber;
            field.Length = 8;
        } else {
            std::size_t longest = 1;
            values([&](const Variant& value) { longest = std::max(longest, Encoder.Encode(ValueText(value)).size()); });
            textField(longest);
        }
        return field;
    }

    void PutValue(pxdoc_t* doc, char* data, const ParadoxField& field, const Variant& value, std::string& text) const
    {
        switch (field.Type) {
        case pxfAlpha:
            text = field.DateText ? platform::FormatDateTime("yyyy-mm-dd hh:nn:ss", value.AsDate())
                                  : Encoder.Encode(ValueText(value));
            text.resize(static_cast<std::size_t>(field.Length), '\0');
            PX_put_data_alpha(doc, data, field.Length, text.data());
            return;
        case pxfMemoBLOb:
        case pxfBLOb:
            text = field.Type == pxfBLOb ? value.AsBytes() : Encoder.Encode(ValueText(value));
            if (text.empty())
                return;
            PX_put_data_blob(doc, data, field.Length, text.data(), static_cast<int>(text.size()));
            return;
        case pxfLogical: PX_put_data_byte(doc, data, 1, value.AsBoolean() ? 1 : 0); return;
        case pxfShort:
            PX_put_data_short(doc, data, 2,
                              static_cast<short>(value.VarType() == varBoolean ? (value.AsBoolean() ? -1 : 0)
                                                                               : value.AsInteger()));
            return;
        case pxfLong: PX_put_data_long(doc, data, 4, value.AsInteger()); return;
        case pxfCurrency:
            PX_put_data_double(doc, data, 8, static_cast<double>(value.AsCurrencyScaled()) / 10000);
            return;
        case pxfNumber: PX_put_data_double(doc, data, 8, value.AsDouble()); return;
        case pxfDate: PX_put_data_long(doc, data, 4, static_cast<int>(ParadoxDay(value.AsDate()))); return;
        case pxfTimestamp: {
            int hour = 0, minute = 0, second = 0, millisecond = 0;
            platform::DecodeTime(value.AsDate(), hour, minute, second, millisecond);
            const double milliseconds = static_cast<double>(ParadoxDay(value.AsDate())) * 86400000.0
                + ((hour * 60 + minute) * 60 + second) * 1000.0 + millisecond;
            PX_put_data_double(doc, data, 8, milliseconds);
            return;
        }
        default: return;
        }
    }

    int Version;
    const Table& Source;
    TextEncoder Encoder;
    std::vector<ParadoxField> Fields;  // in the file's order
    std::vector<std::string> Names;
    int KeyFields = 0;
    std::vector<std::size_t> RowOrder;  // the rows in the order they are written
};

class ParadoxFormat : public InstallableFormat {
public:
    explicit ParadoxFormat(int version) : Version(version) {}

    long Export(const ExportTarget& target, Recordset& rows) override
    {
        CheckFileName(target.TableName);
        CheckFolder(target.Path);
        const std::string path = TargetPath(target.Path, target.TableName, ".db");
        RefuseExisting(path, target.TableName);

        const Table table = ReadTable(rows);
        ParadoxWriter writer(Version, table, target.PrimaryKey);
        auto [tableBytes, blobBytes, indexBytes] = writer.Write(std::filesystem::path(path).stem().string());
        std::vector<std::pair<std::string, std::string>> files;
        if (writer.NeedsBlobFile())
            files.emplace_back(std::filesystem::path(path).replace_extension(".mb").string(), std::move(blobBytes));
        if (writer.Keyed())
            files.emplace_back(std::filesystem::path(path).replace_extension(".px").string(), std::move(indexBytes));
        files.emplace_back(path, std::move(tableBytes));
        WriteTargetFiles(files);
        return static_cast<long>(table.Rows.size());
    }

private:
    int Version;
};

} // namespace

std::shared_ptr<InstallableFormat> MakeParadoxFormat(int version)
{
    return std::make_shared<ParadoxFormat>(version);
}

} // namespace jet::exporting
