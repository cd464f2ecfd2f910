// The table component's exports: each writes one make-table statement,
// "Select <columns> INTO <target> FROM [<source>]", and hands it to ExecSQL;
// the engine passes the rows to the writer of the format named in the target
// (platform/jet/ExportFormats.h). The seven members share the source, the
// column list, the filter line and the clean-up, and differ in the target,
// the format text and the old files they remove.
#include "dao/DaoTable.h"

#include "dao/Daoutils.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

using namespace DaoTableMessages;
namespace fs = std::filesystem;

namespace {

// A file name split into its folder, with its separator ("." when there is
// none), and its name; "\" counts as a separator too.
struct SplitName {
    std::string Folder;
    std::string Name;
};

SplitName SplitFileName(const std::string& fileName)
{
    const std::size_t separator = fileName.find_last_of("/\\");
    if (separator == std::string::npos)
        return {".", fileName};
    return {fileName.substr(0, separator + 1), fileName.substr(separator + 1)};
}

// Removes a file (never a folder); a file that is not there, or cannot go,
// is left to the writer, which refuses to replace it.
void RemoveFile(const fs::path& path)
{
    std::error_code error;
    if (!fs::is_directory(path, error))
        fs::remove(path, error);
}

// Removes the files of a table written as one file per table: the name
// without its extension, with each of the extensions.
void RemoveTableFiles(const std::string& fileName, std::initializer_list<const char*> extensions)
{
    const SplitName split = SplitFileName(fileName);
    const std::size_t dot = split.Name.rfind('.');
    const std::string base = dot == std::string::npos || dot == 0 ? split.Name : split.Name.substr(0, dot);
    const std::string folder = fileName.substr(0, fileName.size() - split.Name.size());
    for (const char* extension : extensions)
        RemoveFile(folder + base + extension);
}

// The statement's target in a folder: [name] IN "folder"[type].
std::string FolderTarget(const SplitName& split, const std::string& type)
{
    return "[" + split.Name + "] IN \"" + split.Folder + "\"[" + type + "]";
}

void CheckFileNames(const char* method, const SplitName& split)
{
    CheckBracketedName(method, "file name", split.Name);
    CheckBracketedName(method, "folder", split.Folder);
}

const char* ExcelType(int version)
{
    switch (version) {
    case 3: return "Excel 3.0;";
    case 4: return "Excel 4.0;";
    case 5: return "Excel 5.0;";
    default: return "Excel 8.0;";
    }
}

const char* ParadoxType(int version)
{
    switch (version) {
    case 3: return "Paradox 3.X;";
    case 4: return "Paradox 4.X;";
    case 5: return "Paradox 5.X;";
    case 7: return "Paradox 7.X;";
    default: return "";
    }
}

const char* DBaseType(int version)
{
    switch (version) {
    case 3: return "dBase III;";
    case 4: return "dBase IV;";
    case 5: return "dBase 5.0;";
    default: return "";
    }
}

const char* FoxProType(int version)
{
    switch (version) {
    case 20: return "FoxPro 2.0;";
    case 25: return "FoxPro 2.5;";
    case 26: return "FoxPro 2.6;";
    case 30: return "FoxPro 3.0;";
    default: return "";
    }
}

std::string SelectInto(const std::string& columns, const std::string& target, const std::string& source)
{
    return "Select " + columns + " INTO " + target + " FROM [" + source + "]";
}

} // namespace

void TDaoTable::RunExport(bool exportBlobs, bool leaveOutMemos, bool bracketTemporaryQuery,
                          const std::function<std::string(const std::string& columns, const std::string& source)>& firstLine)
{
    std::string source = !FTableName.empty() ? FTableName : FQueryDefName;
    const bool temporary = source.empty();
    if (temporary) {
        source = "Query" + std::to_string(std::abs(GetTickCountEx()));
        if (bracketTemporaryQuery)
            Quietly([&] { DaoDatabase().BeginTrans(); });
    }
    const auto cleanUp = [&] {
        if (!temporary)
            return;
        Quietly([&] { FDatabase->DeleteQueryDef(source); });
        if (bracketTemporaryQuery)
            Quietly([&] { DaoDatabase().Rollback(); });
    };
    try {
        if (temporary)
            FDatabase->CreateQueryDef(source, F_ComposeSQL(FSQL));
        std::string columns;
        if (FExportMethod == AllFields) {
            columns = "*";
        } else {
            for (int i = 0; i < FieldCount(); ++i) {
                const TField& field = Fields(i);
                const TFieldType type = field.DataType();
                if (!StoreField(i) || (type == ftBlob && !exportBlobs) || (type == ftMemo && leaveOutMemos))
                    continue;
                columns += " " + (FUseBrackets ? BracketField(field.FieldName()) : field.FieldName());
                if (i < FieldCount() - 1)
                    columns += ",";
            }
            if (!columns.empty() && columns.back() == ',')
                columns.pop_back();
        }
        TStringList lines;
        lines.Add(firstLine(columns, source));
        if (Filtered() && !Filter().empty())
            lines.Add(" WHERE " + Filter());
        lines.Add(";");
        ExecSQL(lines);
    } catch (...) {
        cleanUp();
        throw;
    }
    cleanUp();
}

void TDaoTable::AccessExportToTXT(const std::string& fileName, bool exportBlobs, bool deleteOld)
{
    if (!Active())
        DatabaseError(ExportNotOpen);
    SplitName split = SplitFileName(fileName);
    CheckFileNames("TDaoTable.AccessExportToTXT", split);
    if (deleteOld)
        RemoveFile(fileName);
    RunExport(exportBlobs, false, true, [&](const std::string& columns, const std::string& source) {
        if (split.Name.empty())
            DatabaseError(ExportFileNameEmpty);
        // The text format reads "#" as the extension's dot.
        for (char& c : split.Name)
            if (c == '.')
                c = '#';
        return SelectInto(columns, FolderTarget(split, "Text;"), source);
    });
}

void TDaoTable::AccessExportToHTML(const std::string& fileName, bool exportBlobs, bool deleteOld)
{
    if (!Active())
        DatabaseError(ExportNotOpen);
    const SplitName split = SplitFileName(fileName);
    CheckFileNames("TDaoTable.AccessExportToHTML", split);
    if (deleteOld)
        RemoveFile(fileName);
    RunExport(exportBlobs, false, true, [&](const std::string& columns, const std::string& source) {
        return SelectInto(columns, FolderTarget(split, "HTML Export;"), source);
    });
}

void TDaoTable::AccessExportToExcel(const std::string& fileName, const std::string& sheetName, int excelVersion,
                                    bool exportBlobs, bool deleteOld)
{
    if (!Active())
        DatabaseError(ExportNotOpen);
    CheckBracketedName("TDaoTable.AccessExportToExcel", "file name", fileName);
    CheckBracketedName("TDaoTable.AccessExportToExcel", "sheet name", sheetName);
    if (deleteOld)
        RemoveFile(fileName);
    RunExport(exportBlobs, false, true, [&](const std::string& columns, const std::string& source) {
        return SelectInto(columns,
                          "[" + sheetName + "] IN \"" + fileName + "\"[" + ExcelType(excelVersion) + "]", source);
    });
}

void TDaoTable::ExportToTableFiles(const char* method, const std::string& fileName, const std::string& type,
                                   std::initializer_list<const char*> oldExtensions, bool leaveOutMemos,
                                   bool exportBlobs, bool deleteOld)
{
    if (!Active())
        DatabaseError(ExportNotOpen);
    const SplitName split = SplitFileName(fileName);
    CheckFileNames(method, split);
    if (deleteOld)
        RemoveTableFiles(fileName, oldExtensions);
    RunExport(exportBlobs, leaveOutMemos, true, [&](const std::string& columns, const std::string& source) {
        return SelectInto(columns, FolderTarget(split, type), source);
    });
}

void TDaoTable::AccessExportToParadox(const std::string& fileName, int paradoxVersion, bool exportBlobs,
                                      bool deleteOld)
{
    // The old engine's Paradox 3 writer took no memos.
    const bool leaveOutMemos = FDatabase && FDatabase->Version() == "3.5" && paradoxVersion == 3;
    ExportToTableFiles("TDaoTable.AccessExportToParadox", fileName, ParadoxType(paradoxVersion),
                       {".db", ".mb", ".px", ".val"}, leaveOutMemos, exportBlobs, deleteOld);
}

void TDaoTable::AccessExportToDBase(const std::string& fileName, int dBaseVersion, bool exportBlobs, bool deleteOld)
{
    ExportToTableFiles("TDaoTable.AccessExportToDBase", fileName, DBaseType(dBaseVersion),
                       {".dbf", ".dbt", ".ndx", ".ntx", ".mdx"}, false, exportBlobs, deleteOld);
}

void TDaoTable::AccessExportToFoxPro(const std::string& fileName, int foxProVersion, bool exportBlobs,
                                     bool deleteOld)
{
    ExportToTableFiles("TDaoTable.AccessExportToFoxPro", fileName, FoxProType(foxProVersion),
                       {".dbf", ".fpt", ".cdx"}, false, exportBlobs, deleteOld);
}

void TDaoTable::AccessExportToMDB(const std::string& databaseName, const std::string& tableName, bool exportBlobs,
                                  bool deleteOld)
{
    if (!Active())
        DatabaseError(ExportNotOpen);
    CheckBracketedName("TDaoTable.AccessExportToMDB", "database name", databaseName);
    CheckBracketedName("TDaoTable.AccessExportToMDB", "table name", tableName);
    const std::string target = "[" + databaseName + "].[" + tableName + "]";
    if (deleteOld)
        Quietly([&] { ExecSQLString("DROP TABLE " + target + ";"); });
    RunExport(exportBlobs, false, false, [&](const std::string& columns, const std::string& source) {
        return SelectInto(columns, target, source);
    });
}
