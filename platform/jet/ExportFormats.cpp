#include "platform/jet/ExportFormats.h"

#include "platform/jet/Constants.h"
#include "platform/jet/EngineError.h"
#include "platform/jet/Field.h"
#include "platform/jet/Recordset.h"
#include "platform/system/FloatText.h"
#include "platform/system/TextEncoding.h"

#include <QSaveFile>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace jet::exporting {
namespace {

const char* const ExportSource = "DAO.Database";

[[noreturn]] void InvalidName(const std::string& name)
{
    throw EngineError(errWrongName,
                      "'" + name + "' is not a valid name. Make sure that it does not include invalid characters or "
                      "punctuation and that it is not too long.",
                      ExportSource);
}

bool HoldsBreakingCharacter(std::string_view text)
{
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == ']' || c == '"')
            return true;
    }
    return false;
}

std::string Slashes(std::string path)
{
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

[[noreturn]] void CannotWrite(const std::string& path, const std::string& why, bool diskFull)
{
    if (diskFull)
        throw EngineError(errDiskFull, "Not enough space on disk. (" + path + ")", ExportSource);
    throw EngineError(3051, "The database engine could not write the file '" + path + "'. " + why, ExportSource);
}

} // namespace

Table ReadTable(Recordset& rows)
{
    Table table;
    Collection<Field>& fields = rows.Fields();
    const int count = fields.Count();
    std::vector<FieldPtr> columns;
    for (int i = 0; i < count; ++i) {
        FieldPtr field = fields.Item(i);
        table.Columns.push_back({field->Name(), field->Type(), field->Size()});
        columns.push_back(std::move(field));
    }
    while (!rows.Eof()) {
        std::vector<Variant> values;
        values.reserve(columns.size());
        for (const FieldPtr& field : columns)
            values.push_back(field->Value());
        table.Rows.push_back(std::move(values));
        rows.MoveNext();
    }
    return table;
}

bool IsTextColumn(int type)
{
    return type == dbText || type == dbMemo || type == dbChar || type == dbGUID;
}

bool IsBinaryColumn(int type)
{
    return type == dbBinary || type == dbLongBinary || type == dbVarBinary;
}

bool IsDateColumn(int type)
{
    return type == dbDate || type == dbTime || type == dbTimeStamp;
}

bool IsIntegerColumn(int type)
{
    return type == dbByte || type == dbInteger || type == dbLong || type == dbBigInt;
}

void CheckFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == ".." || HoldsBreakingCharacter(name)
        || name.find_first_of("/\\") != std::string::npos)
        InvalidName(name);
}

void CheckFolder(const std::string& folder)
{
    if (HoldsBreakingCharacter(folder))
        InvalidName(folder);
    const std::string path = Slashes(folder.empty() ? "." : folder);
    std::error_code error;
    if (!fs::is_directory(path, error))
        throw EngineError(3044, "'" + folder + "' is not a valid path. Make sure that the path name is spelled "
                                "correctly and that you are connected to the server on which the file resides.",
                          ExportSource);
}

std::string TargetPath(const std::string& folder, const std::string& name, std::string_view extension)
{
    fs::path path = fs::path(Slashes(folder.empty() ? "." : folder)) / name;
    if (!path.has_extension())
        path += std::string(extension);
    return path.lexically_normal().string();
}

void RefuseExisting(const std::string& path, const std::string& tableName)
{
    std::error_code error;
    if (fs::exists(path, error))
        throw EngineError(errTableExists, "Table '" + tableName + "' already exists.", ExportSource);
}

void WriteTargetFiles(const std::vector<std::pair<std::string, std::string>>& files)
{
    // QSaveFile writes beside its target and renames only on commit(); one
    // left uncommitted removes its temporary file.
    std::vector<std::unique_ptr<QSaveFile>> writers;
    for (const auto& [path, bytes] : files) {
        auto file = std::make_unique<QSaveFile>(QString::fromStdString(path));
        if (!file->open(QIODevice::WriteOnly))
            CannotWrite(path, file->errorString().toStdString(), false);
        const auto size = static_cast<qint64>(bytes.size());
        // The last flush is where a full disk shows.
        if (file->write(bytes.data(), size) != size || !file->flush())
            CannotWrite(path, file->errorString().toStdString(), file->error() == QFileDevice::ResourceError);
        writers.push_back(std::move(file));
    }
    for (std::size_t i = 0; i < writers.size(); ++i)
        if (!writers[i]->commit())
            CannotWrite(files[i].first, writers[i]->errorString().toStdString(), false);
}

struct TextEncoder::Converter {
    explicit Converter(const char* charset) : Encoder(charset) {}
    platform::CharsetEncoder Encoder;
};

std::span<const CodePage> RecordedCodePages()
{
    static const CodePage pages[] = {{1252, "CP1252", "Windows-1252"}, {936, "GBK", "GBK"}, {950, "BIG5", "Big5"}};
    return pages;
}

TextEncoder::TextEncoder(const Table& table, const std::string& formatName, std::span<const CodePage> pages)
{
    // The first text a code page cannot hold: a column's name, or the value
    // of a column in a record (from 0).
    struct Miss {
        std::size_t Record = 0;
        std::size_t Column = 0;
        bool NameOfColumn = false;
    };
    std::optional<Miss> latest;
    for (const CodePage& page : pages) {
        auto converter = std::make_unique<Converter>(page.Charset);
        std::optional<Miss> miss;
        for (std::size_t c = 0; !miss && c < table.Columns.size(); ++c)
            if (!converter->Encoder.Encode(table.Columns[c].Name))
                miss = Miss{0, c, true};
        for (std::size_t r = 0; !miss && r < table.Rows.size(); ++r)
            for (std::size_t c = 0; c < table.Columns.size(); ++c) {
                const Variant& value = table.Rows[r][c];
                if (IsTextColumn(table.Columns[c].Type) && value.VarType() == varString
                    && !converter->Encoder.Encode(value.AsString())) {
                    miss = Miss{r, c, false};
                    break;
                }
            }
        if (!miss) {
            Chosen = page;
            Impl = std::move(converter);
            return;
        }
        // Name the text that stops the code page that goes furthest.
        if (!latest || (!miss->NameOfColumn && (latest->NameOfColumn || miss->Record > latest->Record)))
            latest = miss;
    }
    std::string names;
    for (const CodePage& page : pages)
        names += (names.empty() ? "" : ", ") + std::string(page.Name);
    const std::string column = table.Columns[latest->Column].Name;
    throw EngineError(errTypeConversion,
                      "Data type conversion error. "
                          + (latest->NameOfColumn ? "The field name '" + column + "'"
                                                  : "The text of field '" + column + "' in record "
                                                        + std::to_string(latest->Record + 1))
                          + " holds a character that no code page of the " + formatName + " format holds (" + names
                          + "); nothing was written.",
                      ExportSource);
}

TextEncoder::~TextEncoder() = default;

std::string TextEncoder::Encode(std::string_view utf8) const
{
    std::optional<std::string> encoded = Impl->Encoder.Encode(utf8);
    if (!encoded)
        throw EngineError(errTypeConversion, "Data type conversion error. '" + std::string(utf8)
                                                 + "' has no place in code page " + std::to_string(Chosen.Number) + ".",
                          ExportSource);
    return *encoded;
}

std::string TextEncoder::Cut(const std::string& bytes, std::size_t limit) const
{
    std::size_t end = 0;
    while (end < bytes.size()) {
        const std::size_t step = Chosen.DoubleByte() && static_cast<unsigned char>(bytes[end]) >= 0x81 ? 2 : 1;
        if (end + step > limit)
            break;
        end += step;
    }
    return bytes.substr(0, std::min(end, bytes.size()));
}

std::vector<std::string> ShortFieldNames(const Table& table, const TextEncoder& encoder, std::size_t limit,
                                         bool clean, const std::vector<std::string>& reserved)
{
    std::vector<std::string> taken = reserved;
    const auto isTaken = [&](const std::string& name) {
        return std::any_of(taken.begin(), taken.end(), [&](const std::string& other) {
            return other.size() == name.size()
                && std::equal(other.begin(), other.end(), name.begin(), [](char a, char b) {
                       return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
                   });
        });
    };
    std::vector<std::string> names;
    for (const Column& column : table.Columns) {
        std::string base = encoder.Cut(encoder.Encode(column.Name), limit);
        for (std::size_t i = 0; clean && i < base.size(); ++i) {
            const auto byte = static_cast<unsigned char>(base[i]);
            if (byte >= 0x81 && encoder.Page().DoubleByte())
                ++i;  // the second byte of a double-byte character
            else if (byte < 0x80 && !std::isalnum(byte) && byte != '_')
                base[i] = '_';
        }
        if (base.empty())
            base = "FIELD";
        std::string name = base;
        for (int number = 1; isTaken(name); ++number) {
            const std::string suffix = std::to_string(number);
            name = encoder.Cut(base, limit - suffix.size()) + suffix;
        }
        taken.push_back(name);
        names.push_back(name);
    }
    return names;
}

std::string HexText(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

std::string NumberText(double value, bool single)
{
    // Fifteen digits (seven for a Single) where they read back as the same
    // number, as the layer writes numbers; else the shortest text that does.
    char text[32];
    if (single)
        std::snprintf(text, sizeof text, "%.7g", value);
    else
        std::snprintf(text, sizeof text, "%s", platform::FloatToStr(value).c_str());
    const double back = std::strtod(text, nullptr);
    if (!std::isfinite(value) || (single ? static_cast<float>(back) == static_cast<float>(value) : back == value))
        return text;
    const auto written = single ? std::to_chars(text, text + sizeof text, static_cast<float>(value))
                                : std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

std::string ValueText(const Variant& value)
{
    if (value.IsClear())
        return {};
    if (value.IsArray())
        return HexText(value.AsBytes());
    if (value.VarType() == varDouble || value.VarType() == varSingle)
        return NumberText(value.AsDouble(), value.VarType() == varSingle);
    return value.AsString();
}

void RegisterStandardFormats()
{
    RegisterInstallableFormat("Text", MakeTextFormat());
    RegisterInstallableFormat("HTML Export", MakeHtmlFormat());
    RegisterInstallableFormat("Excel 3.0", MakeExcelFormat(3));
    RegisterInstallableFormat("Excel 4.0", MakeExcelFormat(4));
    RegisterInstallableFormat("Excel 5.0", MakeExcelFormat(5));
    RegisterInstallableFormat("Excel 7.0", MakeExcelFormat(5));
    RegisterInstallableFormat("Excel 8.0", MakeExcelFormat(8));
    RegisterInstallableFormat("Paradox 3.X", MakeParadoxFormat(3));
    RegisterInstallableFormat("Paradox 4.X", MakeParadoxFormat(4));
    RegisterInstallableFormat("Paradox 5.X", MakeParadoxFormat(5));
    RegisterInstallableFormat("Paradox 7.X", MakeParadoxFormat(7));
    RegisterInstallableFormat("dBase III", MakeDbfFormat(3));
    RegisterInstallableFormat("dBase IV", MakeDbfFormat(4));
    RegisterInstallableFormat("dBase 5.0", MakeDbfFormat(5));
    RegisterInstallableFormat("FoxPro 2.0", MakeDbfFormat(20));
    RegisterInstallableFormat("FoxPro 2.5", MakeDbfFormat(25));
    RegisterInstallableFormat("FoxPro 2.6", MakeDbfFormat(26));
    RegisterInstallableFormat("FoxPro 3.0", MakeDbfFormat(30));
}

} // namespace jet::exporting
