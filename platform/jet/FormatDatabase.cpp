#include "platform/jet/FormatDatabase.h"

#include "platform/jet/Collation.h"
#include "platform/jet/ExportFormats.h"
#include "platform/jet/FormatTables.h"
#include "platform/jet/InstallableFormat.h"
#include "platform/jet/Recordset.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>

namespace jet::impl {
namespace {

namespace fs = std::filesystem;

const std::string DatabaseSource = "DAO.Database";

enum class Family { Text, Dbf, Paradox, Excel };

Family FamilyOf(std::string_view format)
{
    if (SameName(format, "Text"))
        return Family::Text;
    if (format.size() >= 7 && SameName(format.substr(0, 7), "Paradox"))
        return Family::Paradox;
    if (format.size() >= 5 && SameName(format.substr(0, 5), "Excel"))
        return Family::Excel;
    return Family::Dbf;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The extensions of a family's table files.
bool IsTableFile(Family family, const fs::path& file)
{
    const std::string extension = Lower(file.extension().string());
    switch (family) {
    case Family::Text: return extension == ".txt" || extension == ".csv" || extension == ".tab" || extension == ".asc";
    case Family::Dbf: return extension == ".dbf";
    case Family::Paradox: return extension == ".db";
    case Family::Excel: return false;
    }
    return false;
}

// The files beside `table` of its name whose extension (lower case, with
// its dot) `wanted` takes.
template <class F>
std::vector<std::string> Companions(const fs::path& table, F&& wanted)
{
    std::vector<std::string> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(table.parent_path(), error))
        if (entry.path() != table && entry.path().stem() == table.stem() && wanted(Lower(entry.path().extension().string())))
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// A file beside `table` with the extension `extension` in any letter case.
std::string Companion(const fs::path& table, const std::string& extension)
{
    const std::vector<std::string> files = Companions(table, [&](const std::string& found) { return found == extension; });
    return files.empty() ? "" : files.front();
}

// The index files of a dBase or FoxPro table (dBase IV's production index,
// FoxPro's structural one, dBase III's, Clipper's and FoxPro's single
// indexes) and a Paradox table's secondary indexes (.Xnn, .Ynn, .XGn,
// .YGn): what its files no longer match once the table is written again.
bool IsIndexFile(Family family, const std::string& extension)
{
    if (family == Family::Dbf)
        return extension == ".mdx" || extension == ".cdx" || extension == ".ndx" || extension == ".ntx"
            || extension == ".idx";
    return family == Family::Paradox && extension.size() == 4 && (extension[1] == 'x' || extension[1] == 'y')
        && std::isalnum(static_cast<unsigned char>(extension[2])) && std::isdigit(static_cast<unsigned char>(extension[3]));
}

// A table nothing may change: its rows, its definition, its name. The
// engine's triggers refuse it: on the table's rows and on the catalog's rows
// of the table.
void MakeReadOnly(sqlite::Connection& connection, const catalog::TableInfo& table)
{
    const std::string refuse = " BEGIN SELECT RAISE(ABORT, "
        + sqlite::QuoteText("jet:" + std::to_string(errReadOnly)
                            + ":Cannot update. Database or object is read-only. (The table '" + table.Name
                            + "' is a named range of the workbook, which is written back only as part of its "
                              "sheet.)")
        + "); END;";
    const std::string id = std::to_string(table.Id);
    int number = 0;
    const auto trigger = [&](const std::string& when, const std::string& target, const std::string& condition) {
        connection.Exec("CREATE TRIGGER " + sqlite::QuoteIdentifier("jet.readonly." + id + "." + std::to_string(++number))
                        + " BEFORE " + when + " ON " + sqlite::QuoteIdentifier(target)
                        + (condition.empty() ? "" : " WHEN " + condition) + refuse);
    };
    for (const char* change : {"INSERT", "UPDATE", "DELETE"}) {
        trigger(change, table.Name, "");
        for (const char* details : {"jet.columns", "jet.indexes", "jet.indexcolumns", "jet.properties"})
            trigger(change, details,
                    std::string(std::string_view(change) == "INSERT" ? "NEW" : "OLD") + ".TableId = " + id);
    }
    trigger("UPDATE", "jet.tables", "OLD.Id = " + id);
    trigger("DELETE", "jet.tables", "OLD.Id = " + id);
}

bool IsValidName(const std::string& name)
{
    try {
        catalog::CheckName(name);
        return true;
    } catch (const EngineError&) {
        return false;
    }
}

} // namespace
} // namespace jet::impl

namespace jet {

const std::vector<FormatDescription>& OpenableFormats()
{
    static const std::vector<FormatDescription> formats = {
        {"dBASE 5.0", "dBASE 5 (*.dbf)"},
        {"dBASE III", "dBASE III (*.dbf)"},
        {"dBASE IV", "dBASE IV (*.dbf)"},
        {"Excel 3.0", "Microsoft Excel 3 (*.xls)", false},
        {"Excel 4.0", "Microsoft Excel 4 (*.xls)", false},
        {"Excel 5.0", "Microsoft Excel 5-7 (*.xls)", false},
        {"Excel 8.0", "Microsoft Excel 97-2000 (*.xls)", false},
        {"FoxPro 2.0", "Microsoft FoxPro 2.0 (*.dbf)"},
        {"FoxPro 2.5", "Microsoft FoxPro 2.5 (*.dbf)"},
        {"FoxPro 2.6", "Microsoft FoxPro 2.6 (*.dbf)"},
        {"FoxPro 3.0", "Microsoft Visual FoxPro 3.0 (*.dbf)"},
        {"Paradox 3.X", "Paradox 3 (*.db)"},
        {"Paradox 4.X", "Paradox 4 (*.db)"},
        {"Paradox 5.X", "Paradox 5 (*.db)"},
        {"Paradox 7.X", "Paradox 7-8 (*.db)"},
        {"Text", "Text Files (*.txt;*.csv;*.tab;*.asc)"},
    };
    return formats;
}

} // namespace jet

namespace jet::impl {

bool IsOpenableFormat(std::string_view type)
{
    return std::any_of(OpenableFormats().begin(), OpenableFormats().end(),
                       [&](const FormatDescription& format) { return SameName(format.Name, type); });
}

std::vector<std::string> FormatTableNames(const std::string& sourceTable)
{
    std::string hashed = sourceTable;
    std::replace(hashed.begin(), hashed.end(), '.', '#');
    const std::size_t dot = sourceTable.rfind('.');
    return {hashed, dot == std::string::npos ? sourceTable : sourceTable.substr(0, dot)};
}

std::string InsertIntoOtherDatabase(DatabaseImpl& database, const std::string& statement)
{
    const std::vector<sql::Token> tokens = sql::Tokenize(statement);
    std::size_t i = 0;
    if (tokens.size() > 1 && tokens[0].Kind == sql::TokenKind::Identifier && SameName(tokens[0].Text, "PARAMETERS"))
        while (i < tokens.size() && !(tokens[i].Kind == sql::TokenKind::Operator && tokens[i].Text == ";"))
            ++i;
    if (i > 0)
        ++i;
    const auto isWord = [&](std::size_t at, std::string_view word) {
        return at < tokens.size() && tokens[at].Kind == sql::TokenKind::Identifier && SameName(tokens[at].Text, word);
    };
    if (!isWord(i, "INSERT") || !isWord(i + 1, "INTO") || i + 4 >= tokens.size() || !isWord(i + 3, "IN")
        || (tokens[i + 2].Kind != sql::TokenKind::Identifier && tokens[i + 2].Kind != sql::TokenKind::Bracketed)
        || tokens[i + 4].Kind != sql::TokenKind::String)
        return statement;
    std::size_t end = i + 5;
    std::string connect = ";";
    if (end < tokens.size() && tokens[end].Kind == sql::TokenKind::Bracketed) {
        connect = tokens[end].Text;
        ++end;
    }
    if (!tokens[i + 4].Text.empty())
        connect += (connect.empty() || connect.back() == ';' ? "" : ";") + std::string("DATABASE=") + tokens[i + 4].Text;
    catalog::TableInfo link;
    link.Connect = NormalizedLinkConnect(connect);
    link.SourceTable = tokens[i + 2].Text;
    const catalog::TableInfo& target = database.LinkedTable(link);
    const std::string schema = database.LinkSchema(database.LinkFile(link.Connect));
    const std::size_t from = tokens[i + 2].Offset;
    const std::size_t to = end < tokens.size() ? tokens[end].Offset : statement.size();
    return statement.substr(0, from) + "[" + schema + "].[" + target.Name + "] " + statement.substr(to);
}

std::string NormalizedLinkConnect(const std::string& connect)
{
    const ConnectInfo info = ParseConnect(connect);
    if (!info.Type.empty() && !IsOpenableFormat(info.Type))
        RaiseNotSupported("Links to files of the format '" + info.Type + "'");
    // A file of ours that needs a password keeps it, as the old engine did.
    const std::string password = info.Value("PWD");
    return info.Type + ";DATABASE=" + AbsolutePath(info.Value("DATABASE"))
        + (password.empty() ? "" : ";PWD=" + password);
}

FormatStore::FormatStore(std::string formatName, const std::string& path)
    : Format(std::move(formatName)), Folder(AbsolutePath(path))
{
    std::error_code error;
    if (FamilyOf(Format) == Family::Excel) {
        if (!fs::is_regular_file(Folder, error))
            Raise(errFileNotFound, "Could not find file '" + Folder + "'.", "DAO.Workspace");
    } else if (!fs::is_directory(Folder, error)) {
        Raise(3044, "'" + Folder + "' is not a valid path.", "DAO.Workspace");
    }
    std::string pattern = (fs::temp_directory_path() / "quorvex-format-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        Raise(3051, "The database engine could not make its working copy of '" + Folder + "'.", "DAO.Workspace");
    TemporaryFolder = pattern;
    Backing = (fs::path(TemporaryFolder) / "tables.mdb").string();
    try {
        Load();
    } catch (...) {
        fs::remove_all(TemporaryFolder, error);
        throw;
    }
}

FormatStore::~FormatStore()
{
    std::error_code ignored;
    fs::remove_all(TemporaryFolder, ignored);
}

void FormatStore::Load()
{
    const Family family = FamilyOf(Format);
    std::vector<std::pair<formats::TableData, std::vector<std::string>>> read;  // table, its files
    if (family == Family::Excel) {
        Book = formats::ReadWorkbook(formats::ReadWholeFile(Folder), Folder);
        for (formats::TableData& table : Book.Tables)
            read.emplace_back(std::move(table), std::vector<std::string>{Folder});
        Book.Tables.clear();
    } else {
        std::vector<fs::path> files;
        for (const fs::directory_entry& entry : fs::directory_iterator(Folder))
            if (entry.is_regular_file() && IsTableFile(family, entry.path()))
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::vector<std::string> own{file.string()};
            formats::TableData table;
            if (family == Family::Text) {
                table = formats::ParseDelimitedText(formats::ReadWholeFile(file.string()), file.string());
                table.Name = file.filename().string();
                std::replace(table.Name.begin(), table.Name.end(), '.', '#');
            } else if (family == Family::Dbf) {
                std::string memo = Companion(file, ".fpt");
                if (memo.empty())
                    memo = Companion(file, ".dbt");
                table = formats::ParseDbf(formats::ReadWholeFile(file.string()),
                                          memo.empty() ? std::string() : formats::ReadWholeFile(memo), file.string());
                if (!memo.empty())
                    own.push_back(memo);
                table.Name = file.stem().string();
            } else {
                table = formats::ReadParadoxTable(file.string());
                for (const char* extension : {".mb", ".px"})
                    if (std::string companion = Companion(file, extension); !companion.empty())
                        own.push_back(companion);
                table.Name = file.stem().string();
            }
            // Its index files go when the table is written again (the
            // writers write none but a Paradox primary index).
            for (std::string& index : Companions(file, [&](const std::string& extension) {
                     return IsIndexFile(family, extension);
                 }))
                own.push_back(std::move(index));
            read.emplace_back(std::move(table), std::move(own));
        }
    }

    sqlite::Connection connection(Backing, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    catalog::Create(connection, "4.0", dbSortGeneral);
    catalog::Catalog tables = catalog::Load(connection);
    connection.Exec("BEGIN");
    for (std::size_t t = 0; t < read.size(); ++t) {
        auto& [table, files] = read[t];
        // A file whose name cannot be a table's, or repeats one in another
        // letter case, stays out, as the old engine could not name it either.
        if (table.Definition.Columns.empty() || !IsValidName(table.Name) || tables.FindTable(table.Name))
            continue;
        table.Definition.Name = table.Name;
        catalog::CreateTable(connection, tables, table.Definition);
        std::string columns, values;
        for (std::size_t i = 0; i < table.Definition.Columns.size(); ++i) {
            columns += (i ? ", " : "") + sqlite::QuoteIdentifier(table.Definition.Columns[i].Name);
            values += i ? ", ?" : "?";
        }
        sqlite::Statement insert = connection.Prepare("INSERT INTO " + sqlite::QuoteIdentifier(table.Name) + " ("
                                                      + columns + ") VALUES (" + values + ")");
        for (const std::vector<Variant>& row : table.Rows) {
            insert.Reset();
            for (std::size_t i = 0; i < row.size(); ++i)
                insert.Bind(static_cast<int>(i) + 1, row[i]);
            insert.Run();
        }
        const catalog::TableInfo& stored = *tables.FindTable(table.Name);
        TableFiles entry{table.Name, files, stored.Updated, stored.Id};
        for (std::size_t s = 0; s < Book.Sheets.size(); ++s)
            if (Book.Sheets[s].Table == static_cast<int>(t))
                entry.Sheet = static_cast<int>(s);
        for (std::size_t r = 0; r < Book.Ranges.size(); ++r)
            if (Book.Ranges[r].Table == static_cast<int>(t)) {
                entry.Range = static_cast<int>(r);
                MakeReadOnly(connection, stored);
            }
        Tables.push_back(std::move(entry));
    }
    connection.Exec("COMMIT");
}

std::shared_ptr<FormatStore> FormatStore::Shared(const std::string& formatName, const std::string& path)
{
    // The stores in use, by family and folder or workbook; the engine's
    // objects live on one thread.
    static std::map<std::pair<Family, std::string>, std::weak_ptr<FormatStore>> open;
    std::error_code error;
    std::string canonical = fs::weakly_canonical(AbsolutePath(path), error).string();
    if (error)
        canonical = AbsolutePath(path);
    std::weak_ptr<FormatStore>& entry = open[{FamilyOf(formatName), canonical}];
    if (std::shared_ptr<FormatStore> store = entry.lock()) {
        if (!SameName(store->Format, formatName))
            Raise(errFileInUse,
                  "Could not use '" + store->Folder + "'; file already in use. (It is open as " + store->Format
                      + " in this program.)",
                  "DAO.Workspace");
        return store;
    }
    auto store = std::make_shared<FormatStore>(formatName, path);
    entry = store;
    for (auto it = open.begin(); it != open.end();)
        it = it->second.expired() ? open.erase(it) : std::next(it);
    return store;
}

void FormatStore::NoteChange(const void* client, std::string_view table)
{
    Changes& changes = Pending[client];
    if (table.empty())
        changes.Catalog = changes.All = true;
    else if (table == "jet.tables")
        changes.Catalog = true;
    else if (table.substr(0, sqlite::EngineObjectPrefix.size()) != sqlite::EngineObjectPrefix)
        changes.Tables.insert(Lower(std::string(table)));
}

void FormatStore::Forget(const void* client)
{
    Pending.erase(client);
}

void FormatStore::Save(const std::shared_ptr<ErrorState>& state, const void* client)
{
    const auto pending = Pending.find(client);
    if (pending == Pending.end())
        return;
    // The changes stay noted until they are in the files: a save that
    // fails is tried again with the next one.
    auto database = DatabaseImpl::Open(state, {}, Backing, false, true, "");
    try {
        if (FamilyOf(Format) == Family::Excel)
            SaveWorkbook(*database, pending->second);
        else
            SaveTables(*database, pending->second);
    } catch (...) {
        database->Close();
        throw;
    }
    database->Close();
    Pending.erase(client);
}

void FormatStore::SaveTables(DatabaseImpl& database, const Changes& changes)
{
    const catalog::Catalog& catalog = database.Catalog();
    // New and changed tables are written first, so that a failure loses no
    // file; then the files of deleted and renamed tables go.
    std::vector<TableFiles> kept;
    for (const catalog::TableInfo& table : catalog.Tables) {
        if (table.IsSystem() || table.IsLink())
            continue;
        auto entry = std::find_if(Tables.begin(), Tables.end(),
                                  [&](const TableFiles& files) { return files.Name == table.Name; });
        TableFiles files = entry == Tables.end() ? TableFiles{table.Name, {}, 0} : *entry;
        if (entry == Tables.end() || entry->Updated != table.Updated || changes.Tables.count(Lower(table.Name))
            || changes.All) {
            WriteTable(database, table, &files);
            files.Updated = table.Updated;
            if (entry != Tables.end())
                *entry = files;
        }
        kept.push_back(std::move(files));
    }
    for (const TableFiles& gone : Tables)
        for (const std::string& file : gone.Files)
            if (std::none_of(kept.begin(), kept.end(), [&](const TableFiles& files) {
                    return std::find(files.Files.begin(), files.Files.end(), file) != files.Files.end();
                })) {
                std::error_code ignored;
                fs::remove(file, ignored);
            }
    Tables = std::move(kept);
}

void FormatStore::SaveWorkbook(DatabaseImpl& database, const Changes& changes)
{
    const catalog::Catalog& catalog = database.Catalog();
    std::deque<exporting::Table> tables;  // stays where it is while sheets point at it
    std::vector<exporting::SheetContents> sheets;
    const auto fromTable = [&](TableFiles& entry, const catalog::TableInfo& table) {
        if (entry.Updated != table.Updated || changes.All || changes.Tables.count(Lower(table.Name)))
            entry.Modified = true;
        if (!entry.Modified)
            return false;
        RecordsetPtr rows = database.OpenRecordset("SELECT * FROM [" + table.Name + "]", dbOpenForwardOnly, 0,
                                                   dbReadOnly);
        tables.push_back(exporting::ReadTable(*rows));
        rows->Close();
        sheets.push_back({table.Name, &tables.back(), nullptr});
        return true;
    };
    // The sheets in their order: a dropped table's sheet goes.
    std::vector<int> place(Book.Sheets.size(), -1);
    for (std::size_t s = 0; s < Book.Sheets.size(); ++s) {
        const auto entry = std::find_if(Tables.begin(), Tables.end(),
                                        [&](const TableFiles& files) { return files.Sheet == static_cast<int>(s); });
        const catalog::TableInfo* table = entry == Tables.end() ? nullptr : catalog.TableById(entry->Id);
        if (entry != Tables.end() && !table)
            continue;
        place[s] = static_cast<int>(sheets.size());
        if (!table || !fromTable(*entry, *table))
            sheets.push_back({Book.Sheets[s].Name, nullptr, &Book.Sheets[s].Cells});
    }
    // New tables follow, in the order they were first written.
    for (const catalog::TableInfo& table : catalog.Tables)
        if (!table.IsSystem() && !table.IsLink()
            && std::none_of(Tables.begin(), Tables.end(), [&](const TableFiles& files) { return files.Id == table.Id; }))
            Tables.push_back({table.Name, {Folder}, table.Updated, table.Id, -1, -1, true});
    for (TableFiles& entry : Tables)
        if (const catalog::TableInfo* table = catalog.TableById(entry.Id); table && entry.Sheet < 0 && entry.Range < 0)
            fromTable(entry, *table);
    // A workbook has a sheet at least.
    const std::vector<formats::WorkbookCell> none;
    if (sheets.empty())
        sheets.push_back({"Sheet1", nullptr, &none});
    std::vector<formats::WorkbookRange> ranges;
    for (const formats::WorkbookRange& range : Book.Ranges)
        if (place[range.Sheet] >= 0) {
            ranges.push_back(range);
            ranges.back().Sheet = static_cast<std::size_t>(place[range.Sheet]);
        }
    exporting::WriteTargetFiles({{Folder, exporting::WriteWorkbook(Book.Version, sheets, ranges)}});
    for (TableFiles& entry : Tables)
        if (const catalog::TableInfo* table = catalog.TableById(entry.Id))
            entry.Updated = table->Updated;
}

void FormatStore::WriteTable(DatabaseImpl& database, const catalog::TableInfo& table, TableFiles* files)
{
    std::shared_ptr<InstallableFormat> writer = FindInstallableFormat(Format);
    if (!writer)
        RaiseNotSupported("Writing files of the format '" + Format + "'");
    // The writer makes new files only: it writes into a fresh folder beside
    // the tables, whose files then replace the old ones.
    std::string pattern = (fs::path(Folder) / ".quorvex-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        Raise(3051, "The database engine could not write to '" + Folder + "'.", DatabaseSource);
    const fs::path work(pattern);
    std::error_code ignored;
    try {
        // The writer's name for the table: the old file's, so that its letter case stays.
        std::string name = table.Name;
        if (!files->Files.empty()) {
            const fs::path old(files->Files.front());
            name = FamilyOf(Format) == Family::Text ? old.filename().string() : old.stem().string();
            std::replace(name.begin(), name.end(), '.', '#');
        }
        if (table.Columns.empty())
            Raise(3264, "No field defined--cannot append TableDef or Index.", DatabaseSource);
        RecordsetPtr rows = database.OpenRecordset("SELECT * FROM [" + table.Name + "]", dbOpenForwardOnly, 0,
                                                   dbReadOnly);
        ExportTarget target{name, work.string(), Format, Format + ";", {}};
        // A Paradox table keeps its primary key in its files.
        if (const catalog::IndexDef* key = table.PrimaryIndex(); key && FamilyOf(Format) == Family::Paradox)
            for (const catalog::IndexColumn& column : key->Columns)
                target.PrimaryKey.push_back(table.ColumnById(column.ColumnId)->Name);
        writer->Export(target, *rows);
        rows->Close();
        std::vector<std::string> written;
        for (const fs::directory_entry& entry : fs::directory_iterator(work)) {
            // The old file of the same kind keeps its name; a new kind of file takes the writer's.
            std::string destination = (fs::path(Folder) / entry.path().filename()).string();
            for (const std::string& old : files->Files)
                if (Lower(fs::path(old).extension().string()) == Lower(entry.path().extension().string()))
                    destination = old;
            fs::rename(entry.path(), destination);
            written.push_back(destination);
        }
        for (const std::string& old : files->Files)
            if (std::find(written.begin(), written.end(), old) == written.end())
                fs::remove(old, ignored);
        files->Files = written;
        files->Name = table.Name;
    } catch (const fs::filesystem_error& error) {
        fs::remove_all(work, ignored);
        Raise(3051, "The database engine could not write to '" + Folder + "': " + error.what(), DatabaseSource);
    } catch (...) {
        fs::remove_all(work, ignored);
        throw;
    }
    fs::remove_all(work, ignored);
}

} // namespace jet::impl
