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
#include <filesystem>
#include <memory>

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

void* Allocate(pxdoc_t*, std::size_t size, const char*)
{
    return std::calloc(1, size);
}

void* Reallocate(pxdoc_t*, void* memory, std::size_t size, const char*)
{
    return std::realloc(memory, size);
}

void Free(pxdoc_t*, void* memory)
{
    std::free(memory);
}

// Keeps pxlib's first message: its calls answer only success or failure.
void KeepError(pxdoc_t*, int, const char* message, void* data)
{
    auto* error = static_cast<std::string*>(data);
    if (error->empty())
        *error = message;
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

    void Write(const std::string& tablePath, const std::string& blobPath, const std::string& tableName)
    {
        std::string error;
        std::unique_ptr<pxdoc_t, void (*)(pxdoc_t*)> doc(PX_new3(KeepError, Allocate, Reallocate, Free, &error),
                                                          [](pxdoc_t* px) {
                                                              PX_close(px);
                                                              PX_delete(px);
                                                          });
        const auto check = [&](bool ok, const char* what) {
            if (!ok)
                throw EngineError(3051, std::string("The Paradox table could not be written (") + what + "): "
                                            + (error.empty() ? "unknown error" : error),
                                  ParadoxSource);
        };
        check(doc != nullptr, "new document");
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
        if (PX_create_file(doc.get(), fieldArray, static_cast<int>(fields.size()), tablePath.c_str(),
                           pxfFileTypNonIndexDB)
            != 0) {
            // A file that could not be made leaves the fields with us.
            if (!doc->px_head || doc->px_head->px_fields != fieldArray) {
                for (const pxfield_t& field : fields)
                    Free(doc.get(), field.px_fname);
                Free(doc.get(), fieldArray);
            }
            check(false, "create");
        }
        check(PX_set_parameter(doc.get(), "tablename", tableName.c_str()) == 0, "table name");
        check(PX_set_value(doc.get(), "codepage", static_cast<float>(Encoder.Page().Number)) == 0, "code page");
        // pxlib offers no setter of the version; the header it writes on
        // closing takes it from here.
        doc->px_head->px_fileversion = Version == 7 ? 70 : 50;
        if (NeedsBlobFile())
            check(PX_set_blob_file(doc.get(), blobPath.c_str()) == 0, "blob file");

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
        if (Version == 4) {
            std::FILE* file = std::fopen(tablePath.c_str(), "r+b");
            const bool patched = file && std::fseek(file, FileVersionOffset, SEEK_SET) == 0
                && std::fputc(FileVersion4, file) != EOF;
            check(file && std::fclose(file) == 0 && patched, "file version");
        }
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
        const std::string blobPath = std::filesystem::path(path).replace_extension(".mb").string();
        const std::string temporaryTable = TemporaryPath(path);
        const std::string temporaryBlobs = TemporaryPath(blobPath);
        try {
            writer.Write(temporaryTable, temporaryBlobs, std::filesystem::path(path).stem().string());
        } catch (...) {
            std::error_code ignored;
            std::filesystem::remove(temporaryTable, ignored);
            std::filesystem::remove(temporaryBlobs, ignored);
            throw;
        }
        std::vector<std::pair<std::string, std::string>> files;
        if (writer.NeedsBlobFile())
            files.emplace_back(temporaryBlobs, blobPath);
        files.emplace_back(temporaryTable, path);
        CommitFiles(files);
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
