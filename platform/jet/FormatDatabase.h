// Installable formats opened as databases (OpenDatabase with a connect text
// such as "dBASE IV;") and linked (a table definition whose Connect is
// "Paradox 5.x;DATABASE=<folder>"):
//   "Text"                                          a folder of .txt, .csv, .tab and .asc files
//   "dBASE III", "dBASE IV", "dBASE 5.0"            a folder of .dbf files with .dbt memos
//   "FoxPro 2.0", "FoxPro 2.5", "FoxPro 2.6", "FoxPro 3.0"  a folder of .dbf files with .fpt memos
//   "Paradox 3.X", "Paradox 4.X", "Paradox 5.X", "Paradox 7.X"  a folder of .db tables with .mb blobs
//   "Excel 3.0", "Excel 4.0", "Excel 5.0", "Excel 8.0"  a workbook, a table per sheet and
//                                                   named range (Excel 8.0)
// A file-per-table folder names its tables after the files: the file name
// without its extension, or for text files the name with "#" for "."
// ("data#csv").
//
// The tables are read into a database file of ours in a private temporary
// folder, where the engine serves them like its own (recordsets, SQL,
// crosstabs, TableDefs, data definition). Whatever changes a table (rows,
// fields, a new, renamed or deleted table) is written back to the table's
// files through the format's writer as soon as the change is complete
// outside any transaction (at the commit of the outermost one), each file
// replaced whole. A workbook is written whole in the BIFF version it was read
// in: its sheets in their order (new tables after them), a sheet whose table
// changed from the table, every other sheet from the cells it held, and its
// named ranges; the tables of named ranges are read only (3027). Indexes other
// than a Paradox table's primary key are not kept in the files.
//
// Every database of the process that opens or links the same folder or
// workbook shares one working copy (FormatStore::Shared), so that none of
// them writes back tables that miss what another one changed. Another
// process has a copy of its own: the table written last is what its files
// keep.
#pragma once

#include "platform/jet/EngineImpl.h"
#include "platform/jet/FormatTables.h"
#include "platform/jet/InstallableFormat.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace jet::impl {

// True when `type` (any letter case) names one of them.
bool IsOpenableFormat(std::string_view type);

class FormatStore {
public:
    // The working copy of the folder or workbook: the one the process has
    // already, else a new one read from the files. 3045 when the files are
    // open in the process as another format of their family ("dBASE IV"
    // and "FoxPro 2.6" both write .dbf files).
    static std::shared_ptr<FormatStore> Shared(const std::string& formatName, const std::string& path);

    // Reads the folder or workbook. 3044 when there is no such folder, 3024
    // when there is no such workbook, 3274 for a damaged file.
    FormatStore(std::string formatName, const std::string& path);
    ~FormatStore();
    FormatStore(const FormatStore&) = delete;
    FormatStore& operator=(const FormatStore&) = delete;

    const std::string& FormatName() const { return Format; }
    const std::string& Path() const { return Folder; }
    // The database file of ours holding the tables.
    const std::string& DatabaseFile() const { return Backing; }

    // What the update hook of a connection (`client`) reports: a changed
    // row of a table of the database file; an empty name for rows of any
    // table.
    void NoteChange(const void* client, std::string_view table);
    // Writes every table that `client` changed since its last call to the
    // files (when its changes are committed), with the tables made, renamed
    // or deleted by then.
    void Save(const std::shared_ptr<ErrorState>& state, const void* client);
    // Forgets what a connection that goes away had noted.
    void Forget(const void* client);

private:
    struct TableFiles {
        std::string Name;
        std::vector<std::string> Files;  // full paths
        double Updated = 0;
        // Workbooks: the table's id, the sheet or named range it came from
        // (-1 for neither), and whether its sheet is written from the table.
        int Id = 0;
        int Sheet = -1;
        int Range = -1;
        bool Modified = false;
    };
    struct Changes;

    void Load();
    void WriteTable(DatabaseImpl& database, const catalog::TableInfo& table, TableFiles* files);
    void SaveTables(DatabaseImpl& database, const Changes& changes);
    void SaveWorkbook(DatabaseImpl& database, const Changes& changes);

    std::string Format;
    std::string Folder;  // the folder, or the workbook file
    std::string TemporaryFolder;
    std::string Backing;
    std::vector<TableFiles> Tables;
    formats::Workbook Book;  // a workbook as it was read
    // What each connection changed since it last saved: only committed
    // changes are written, and one connection's commit must not take
    // another's pending changes for written.
    struct Changes {
        std::set<std::string> Tables;  // lower case
        bool Catalog = false;
        bool All = false;
    };
    std::map<const void*, Changes> Pending;
};

// The names a link's source table may be found under in a folder of an
// installable format besides its own: a file name ("CUSTOMER.DBF",
// "data.csv") names the table "CUSTOMER" or "data#csv".
std::vector<std::string> FormatTableNames(const std::string& sourceTable);

// "INSERT INTO t IN "path" [format;] ..." (or IN "" [format;DATABASE=path])
// with its target written as the attached table it names, so that the
// statement runs like any other: "INSERT INTO [jet.link.1].[t] ...". Other
// statements come back as they are. 3078 when the file has no such table.
std::string InsertIntoOtherDatabase(DatabaseImpl& database, const std::string& statement);

// The connect text of a link as it is stored: the type kept, DATABASE made
// absolute, PWD kept for a file of ours that needs it. Raises 3251 for a
// type the engine does not open.
std::string NormalizedLinkConnect(const std::string& connect);

} // namespace jet::impl
