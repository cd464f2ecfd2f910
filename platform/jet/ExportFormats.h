// The installable export formats of the engine, and what their writers
// share.
//
// A statement "SELECT ... INTO [name] IN "folder"[Format;] FROM ..." reaches
// the format registered under "Format" (InstallableFormat.h) with the rows of
// its SELECT. The formats here are:
//   "Text"                                 delimited text, one file per table
//   "HTML Export"                          an HTML table, one file per table
//   "Excel 3.0", "Excel 4.0"               a worksheet file (BIFF3, BIFF4)
//   "Excel 5.0", "Excel 7.0", "Excel 8.0"  a workbook (BIFF5, BIFF8) in a compound file
//   "Paradox 3.X" ... "Paradox 7.X"        a Paradox table (.db, memos in .mb)
//   "dBase III", "dBase IV", "dBase 5.0"   a dBase table (.dbf, memos in .dbt)
//   "FoxPro 2.0" ... "FoxPro 3.0"          a FoxPro table (.dbf, memos in .fpt)
// For the file-per-table formats "folder" is the folder and "name" the file
// (for "Text" a "#" in it stands for "."; a name without extension gets the
// format's own); for Excel "folder" is the workbook file and "name" the
// sheet.
//
// Every writer makes new files only: a target that exists raises 3010 and
// stays as it is, as a make-table statement never replaces a table. Every
// file is written to a temporary file beside the target and renamed over it
// when complete, so a failure leaves nothing half-written. Names that could
// break out of their folder, bracket or quotes ("/", "\", "]", a double quote,
// control characters) raise 3125 before anything is written.
//
// Texts are UTF-8 in the text, HTML and BIFF8 files. The older formats keep
// 8-bit texts in one code page per file: the first of Windows-1252, GBK (936)
// and Big5 (950) that holds every name and text of the export, recorded in
// the file; when none holds them all the export raises 3421, naming the
// field and record of a text that stops them, and writes nothing. Null values stay empty (an empty field, an empty cell, a blank or
// null field of the table formats).
#pragma once

#include "platform/jet/FormatTables.h"
#include "platform/jet/InstallableFormat.h"
#include "platform/jet/Variant.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jet::exporting {

// Registers the formats above (once; called by the format registry).
void RegisterStandardFormats();

// A column of the rows to export: its name and engine type and size.
struct Column {
    std::string Name;
    int Type = 0;
    int Size = 0;
};

// The rows of a recordset read into memory once, for the writers that look
// at every value before they write (widths, code pages, counts ahead of the
// cells).
struct Table {
    std::vector<Column> Columns;
    std::vector<std::vector<Variant>> Rows;
};
Table ReadTable(Recordset& rows);

// What kind of values a column of that engine type holds.
bool IsTextColumn(int type);
bool IsBinaryColumn(int type);
bool IsDateColumn(int type);
bool IsIntegerColumn(int type);

// Refuses (3125) a file or sheet name that is empty, "." or "..", or holds
// "/", "\", "]", a double quote or a control character.
void CheckFileName(const std::string& name);
// Refuses (3125) a folder or file path holding "]", a double quote or a
// control character; raises 3044 when it names no existing folder.
void CheckFolder(const std::string& folder);
// `folder`/`name`, "\" read as "/", with `extension` (".txt") added when
// the name has none.
std::string TargetPath(const std::string& folder, const std::string& name, std::string_view extension);
// Raises 3010 ("Table 'name' already exists.") when `path` exists.
void RefuseExisting(const std::string& path, const std::string& tableName);
// Writes the files (path, bytes) each through a temporary file beside it;
// the temporaries are renamed over the targets only once all are written. A
// failure raises 3026 (disk full) or 3051 (cannot write) and leaves no
// target changed.
void WriteTargetFiles(const std::vector<std::pair<std::string, std::string>>& files);

// A code page of the 8-bit formats: its Windows number, iconv name and the
// name messages give it.
struct CodePage {
    int Number = 1252;
    const char* Charset = "CP1252";
    const char* Name = "Windows-1252";
    // GBK and Big5 write a character of 0x81 and above in two bytes.
    bool DoubleByte() const { return Number == 936 || Number == 950; }
};
// The code pages the 8-bit formats that record theirs choose from, in order:
// Windows-1252, GBK, Big5.
std::span<const CodePage> RecordedCodePages();
// Texts in the code page chosen for one export.
class TextEncoder {
public:
    // The first of `pages` that holds every column name and text value of
    // the table; 3421 naming the format, and the field and record of a text
    // that stops them, when none does.
    TextEncoder(const Table& table, const std::string& formatName,
                std::span<const CodePage> pages = RecordedCodePages());
    ~TextEncoder();
    const CodePage& Page() const { return Chosen; }
    // The text in the chosen code page.
    std::string Encode(std::string_view utf8) const;
    // The longest start of encoded `bytes` of at most `limit` bytes that
    // does not split a double-byte character.
    std::string Cut(const std::string& bytes, std::size_t limit) const;

private:
    struct Converter;
    CodePage Chosen;
    std::unique_ptr<Converter> Impl;
};

// The column names of the table formats: in the encoder's code page, cut
// to `limit` bytes, with `clean` every ASCII character but letters, digits
// and "_" made "_", and each name once without regard to case (a number at
// the end tells apart names that came out the same); `reserved` names are
// never given. An empty name becomes "FIELD".
std::vector<std::string> ShortFieldNames(const Table& table, const TextEncoder& encoder, std::size_t limit,
                                         bool clean, const std::vector<std::string>& reserved = {});

// The text a value is written as in the text and HTML files: numbers with
// "." in the layer's fifteen digits (seven for a Single) where those read
// back as the same number, else in as many as that takes (up to 17, or 9),
// currency with every digit, dates in the layer's date text, booleans "True"
// and "False", binary values as hexadecimal digits; Null and Empty give "".
std::string ValueText(const Variant& value);
// The number part of that: `single` for a Single's value.
std::string NumberText(double value, bool single);
// Lower-case hexadecimal digits of the bytes.
std::string HexText(std::string_view bytes);

// The writers, for the registry and for tests that call them directly.
std::shared_ptr<InstallableFormat> MakeTextFormat();
std::shared_ptr<InstallableFormat> MakeHtmlFormat();
// BIFF version 3, 4, 5 or 8.
std::shared_ptr<InstallableFormat> MakeExcelFormat(int biffVersion);

// A sheet of a workbook written whole: a table (its column names in the
// first row, its rows below, in as many sheets as they need), or the cells
// of a sheet as the workbook held them when it was read.
struct SheetContents {
    std::string Name;
    const Table* Rows = nullptr;
    const std::vector<formats::WorkbookCell>* Cells = nullptr;
};
// The bytes of a workbook of the sheets, in BIFF version 3 or 4 (one sheet,
// whose name the file does not keep), 5 or 8 (with the named ranges, which
// name their sheet by its place among `sheets`).
std::string WriteWorkbook(int biffVersion, const std::vector<SheetContents>& sheets,
                          const std::vector<formats::WorkbookRange>& names);
// 3, 4 or 5 for dBase III, IV and 5.0; 20, 25, 26 and 30 for FoxPro.
std::shared_ptr<InstallableFormat> MakeDbfFormat(int version);
// 3, 4, 5 or 7.
std::shared_ptr<InstallableFormat> MakeParadoxFormat(int version);

} // namespace jet::exporting
