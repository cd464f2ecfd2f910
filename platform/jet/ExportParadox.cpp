// The Paradox formats, written through pxlib: a .db table of file version
// 4.0, 5.0 or 7.0 with, when a column needs one, its blob file (.mb). pxlib
// writes the layout of version 5.0 and later; a 4.0 table has the same
// layout and only its version code differs, which is set after pxlib is
// done. The older layout of 3.0 is not written: "Paradox 3.X" raises 3251.
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

#include "platform/jet/Constants.h"
#include "platform/jet/EngineError.h"
#include "platform/system/DateTime.h"

// pxlib declares its functions without C linkage of their own.
extern "C" {
#include <paradox.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <unordered_set>

namespace jet::exporting {
namespace {

const char* const ParadoxSource = "DAO.Database";

// Bytes of a memo or blob kept in the record itself, before the part in the
// blob file; the field holds them and a ten-byte reference.
// The most Paradox allows, so that short memos need no blob file.
constexpr int BlobLeader = 240;
// Where a table file keeps its file version, and the version's code for 4.x.
constexpr long FileVersionOffset = 0x39;
constexpr char FileVersion4 = 0x09;

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
// user data: its first message (its calls answer only success or failure),
// the table and blob files, and the memory it took. pxlib does not free the
// streams of files it was given as stdio streams; what it leaves is freed
// with the output.
struct ParadoxOutput {
    std::string Error;
    MemoryFile Table;
    MemoryFile Blobs;
    std::unordered_set<void*> Taken;

    ParadoxOutput() = default;
    ParadoxOutput(const ParadoxOutput&) = delete;
    ParadoxOutput& operator=(const ParadoxOutput&) = delete;
    ~ParadoxOutput()
    {
        for (void* memory : Taken)
            std::free(memory);
    }
};

// The output of a document; null while pxlib makes the document itself.
ParadoxOutput* OutputOf(pxdoc_t* doc)
{
    return doc ? static_cast<ParadoxOutput*>(PX_get_opaque(doc)) : nullptr;
}

void* Allocate(pxdoc_t* doc, std::size_t size, const char*)
{
    void* memory = std::calloc(1, size);
    if (ParadoxOutput* output = OutputOf(doc); output && memory)
        output->Taken.insert(memory);
    return memory;
}

void* Reallocate(pxdoc_t* doc, void* memory, std::size_t size, const char*)
{
    void* moved = std::realloc(memory, size);
    if (ParadoxOutput* output = OutputOf(doc); output && moved && output->Taken.erase(memory))
        output->Taken.insert(moved);
    return moved;
}

void Free(pxdoc_t* doc, void* memory)
{
    if (ParadoxOutput* output = OutputOf(doc); output && memory != doc)
        output->Taken.erase(memory);
    std::free(memory);
}

void KeepError(pxdoc_t*, int, const char* message, void* data)
{
    std::string& error = static_cast<ParadoxOutput*>(data)->Error;
    if (error.empty())
        error = message;
}

MemoryFile& FileOf(pxdoc_t* doc, pxstream_t* stream)
{
    ParadoxOutput* output = OutputOf(doc);
    return stream->s.fp == output->Blobs.Stream() ? output->Blobs : output->Table;
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
    ParadoxWriter(int version, const Table& table)
        : Version(version), Source(table), Encoder(table, "Paradox " + std::to_string(version) + ".X")
    {
        if (Version < 4)
            throw EngineError(errNotSupported,
                              "Operation is not supported for this type of object. Tables of the Paradox 3.X "
                              "format are not written; Paradox 4.X and later are.",
                              ParadoxSource);
        const std::vector<std::string> names = ShortFieldNames(Source, Encoder, 25, false);
        for (std::size_t c = 0; c < Source.Columns.size(); ++c) {
            Fields.push_back(Describe(c));
            Names.push_back(names[c]);
        }
    }

    bool NeedsBlobFile() const
    {
        for (const ParadoxField& field : Fields)
            if (field.Type == pxfMemoBLOb || field.Type == pxfBLOb)
                return true;
        return false;
    }

    // The table file and, when NeedsBlobFile(), the blob file.
    std::pair<std::string, std::string> Write(const std::string& tableName)
    {
        ParadoxOutput output;
        std::unique_ptr<pxdoc_t, void (*)(pxdoc_t*)> doc(PX_new3(KeepError, Allocate, Reallocate, Free, &output),
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
        pxfield_t* fieldArray = static_cast<pxfield_t*>(Allocate(doc.get(), sizeof(pxfield_t) * fields.size(), ""));
        std::copy(fields.begin(), fields.end(), fieldArray);
        check(PX_create_fp(doc.get(), fieldArray, static_cast<int>(fields.size()), output.Table.Stream(),
                           pxfFileTypNonIndexDB)
                  == 0,
              "create");
        AccessDirectly(doc->px_stream);
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
        for (const auto& row : Source.Rows) {
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
        doc.reset();
        std::string& table = output.Table.Bytes();
        if (Version == 4) {
            check(table.size() > FileVersionOffset, "file version");
            table[FileVersionOffset] = FileVersion4;
        }
        return {std::move(table), NeedsBlobFile() ? std::move(output.Blobs.Bytes()) : std::string()};
    }

private:
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
            if (longest > 255 || column.Type == dbMemo) {
                field.Type = pxfMemoBLOb;
                field.Length = 10 + BlobLeader;
            } else {
                field.Type = pxfAlpha;
                field.Length = static_cast<int>(std::max<std::size_t>(longest, 1));
            }
        };
        if (IsBinaryColumn(column.Type)) {
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
    std::vector<ParadoxField> Fields;
    std::vector<std::string> Names;
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
        ParadoxWriter writer(Version, table);
        auto [tableBytes, blobBytes] = writer.Write(std::filesystem::path(path).stem().string());
        std::vector<std::pair<std::string, std::string>> files;
        if (writer.NeedsBlobFile())
            files.emplace_back(std::filesystem::path(path).replace_extension(".mb").string(), std::move(blobBytes));
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
