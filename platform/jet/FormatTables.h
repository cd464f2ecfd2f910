// Readers of the installable formats' files: each turns a file (or a
// workbook's sheets) into table definitions and rows, which the engine then
// holds as a database of its own (FormatDatabase.h).
//
// The readers never trust the bytes: every length, offset and count is
// checked against what is there, so a damaged or hostile file raises 3274
// ("External table is not in the expected format.") naming the file, never
// reads past its end and never allocates more than the file could describe.
//
// Types read back as the writers of ExportFormats.h wrote them:
//  - delimited text: the first line names the fields; a quoted value is a
//    text, a bare one a number (Long when every value of the column is a
//    whole number in its range, else Double), a date in the layer's date
//    text, or True/False; a column without any value is a text;
//  - dBase and FoxPro: character fields texts of their width (memos past 255),
//    numeric fields Long without decimals and up to nine digits, else Double,
//    logical fields booleans, date and date-time fields dates, memo fields
//    memos (general and picture fields binary), FoxPro 3.0's integer, double
//    and currency fields as such; Null where the field is blank (or flagged
//    in _NullFlags);
//  - Paradox (through pxlib): alpha texts, short, long, auto-increment,
//    number, money, logical, date, time and time-stamp fields, memos and
//    blobs; the primary key of the table's leading key fields;
//  - Excel (BIFF 3, 4, 5 and 8): a table per sheet and per named range of a
//    BIFF 8 workbook; the first row names the fields, the cells below give
//    the values: texts (memos past 255), numbers (Long when
//    every number of the column is a whole one in range), booleans, and
//    dates where the cell's format shows a date.
// Texts of the 8-bit formats are converted from the code page the file
// names (Windows-1252 when it names none) to UTF-8.
#pragma once

#include "platform/jet/Catalog.h"
#include "platform/jet/Variant.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jet::formats {

struct TableData {
    std::string Name;
    catalog::TableInfo Definition;  // columns numbered from 1 in order; indexes refer to those numbers
    std::vector<std::vector<Variant>> Rows;
};

// Raises 3274 for the file.
[[noreturn]] void Damaged(const std::string& file, const std::string& why = "");

// The unsigned little-endian number of `size` bytes at `at` (the caller
// has checked that they are there).
std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, int size);

// The name a column read from a file gets: its own, unless that is empty,
// refused as a name, or taken by an earlier column; then `fallback`.
std::string ColumnName(const std::string& name, const std::vector<catalog::ColumnDef>& earlier,
                       const std::string& fallback);

// Delimited text: a header line of names, fields separated by ",", texts in
// double quotes (a double quote inside doubled), lines ended by CR LF or LF.
// UTF-8, or Windows-1252 when the bytes are not UTF-8.
TableData ParseDelimitedText(std::string_view bytes, const std::string& file);

// A dBase or FoxPro table and its memo file (empty when there is none).
TableData ParseDbf(std::string_view table, std::string_view memo, const std::string& file);

// A cell of a workbook as it was read: a text, a number or a boolean; a
// date is a number flagged as one, counted in days as the 1900 date system
// counts them (a workbook of the 1904 system has its dates moved).
struct WorkbookCell {
    enum class Kind { Text, Number, Boolean };
    std::size_t Row = 0;
    std::size_t Column = 0;
    Kind Type = Kind::Text;
    std::string Text;
    double Number = 0;
    bool Date = false;
};
// A sheet: its name, its cells row by row, and the table it gave (an index
// into Workbook::Tables, or -1 for a sheet that gave none).
struct WorkbookSheet {
    std::string Name;
    std::vector<WorkbookCell> Cells;
    int Table = -1;
};
// A named range of a sheet (an index into Workbook::Sheets) and the table
// it gave.
struct WorkbookRange {
    std::string Name;
    std::size_t Sheet = 0;
    std::size_t FirstRow = 0, LastRow = 0, FirstColumn = 0, LastColumn = 0;
    int Table = -1;
};
// A workbook as it was read: its BIFF version (3, 4, 5 or 8), a table per
// sheet that has cells and per named range of a BIFF 8 workbook (in the
// order of the sheets, each sheet's ranges after it), and its sheets and
// ranges themselves.
struct Workbook {
    int Version = 8;
    std::vector<TableData> Tables;
    std::vector<WorkbookSheet> Sheets;
    std::vector<WorkbookRange> Ranges;
};

// The workbook in the BIFF records of a worksheet file (BIFF 3 and 4) or
// of a compound file's "Workbook" or "Book" stream (BIFF 5 and 8).
Workbook ReadWorkbook(std::string_view bytes, const std::string& file);
// Its tables alone.
std::vector<TableData> ParseWorkbook(std::string_view bytes, const std::string& file);
// The named stream of a compound file; raises 3274 when there is none.
std::string CompoundFileStream(std::string_view bytes, std::initializer_list<std::string_view> names,
                               const std::string& file);

// A Paradox table (.db) with its blob file (.mb) beside it when there is one.
TableData ReadParadoxTable(const std::string& path);
// A Paradox table's bytes and its blob file's (empty when there is none);
// `file` names the table in messages and its primary key.
TableData ParseParadox(std::string_view table, std::string_view blobs, const std::string& file);

// The whole file; 3024 when it cannot be read.
std::string ReadWholeFile(const std::string& path);

} // namespace jet::formats
