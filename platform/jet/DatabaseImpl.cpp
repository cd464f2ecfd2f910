#include "platform/jet/EngineImpl.h"

#include "platform/jet/CipherVfs.h"
#include "platform/jet/Collation.h"
#include "platform/jet/Crosstab.h"
#include "platform/jet/DataDefinition.h"
#include "platform/jet/DatabasePassword.h"
#include "platform/jet/FormatDatabase.h"
#include "platform/jet/OdbcDatabase.h"
#include "platform/jet/OdbcTableModule.h"
#include "platform/jet/RecordsetImpl.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace jet::impl {
namespace {

namespace fs = std::filesystem;

const std::string DatabaseSource = "DAO.Database";

[[noreturn]] void TableNotFound(const std::string& name)
{
    Raise(errInputTableNotFound,
          "The database engine cannot find the input table or query '" + name
              + "'. Make sure it exists and that its name is spelled correctly.",
          DatabaseSource);
}

[[noreturn]] void TooFewParameters(std::size_t expected)
{
    Raise(errTooFewParameters, "Too few parameters. Expected " + std::to_string(expected) + ".", DatabaseSource);
}

// The values of a query's declared parameters, each in its declared type.
std::vector<Variant> ParameterValues(const std::vector<sql::DeclaredParameter>& declared,
                                     const std::vector<Variant>& values)
{
    std::size_t missing = 0;
    for (std::size_t i = 0; i < declared.size(); ++i)
        if (i >= values.size() || values[i].IsEmpty())
            ++missing;
    if (missing > 0)
        TooFewParameters(missing);
    std::vector<Variant> converted;
    for (std::size_t i = 0; i < declared.size(); ++i)
        converted.push_back(ParameterValue(declared[i].Type, values[i], declared[i].Name));
    return converted;
}

void BindAll(sqlite::Statement& statement, const std::vector<Variant>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        statement.Bind(static_cast<int>(i) + 1, values[i]);
}

} // namespace

Variant ParameterValue(int type, const Variant& value, const std::string& name)
{
    if (value.IsClear())
        return value;
    try {
        switch (type) {
        case dbBoolean: return Variant(value.AsBoolean());
        case dbByte:
        case dbInteger:
        case dbLong:
        case dbBigInt: return Variant(value.AsInt64());
        case dbDate:
        case dbTime:
        case dbTimeStamp: return Variant::Date(value.AsDate());
        case dbCurrency: return Variant::CurrencyScaled(value.AsCurrencyScaled());
        case dbSingle:
        case dbDouble:
        case dbNumeric:
        case dbDecimal:
        case dbFloat: return Variant(value.AsDouble());
        case dbBinary:
        case dbLongBinary:
        case dbVarBinary: return Variant::Bytes(value.AsBytes());
        case dbGUID: {
            std::string text = value.AsString();
            if (text.rfind("{guid ", 0) == 0 && text.size() > 7)
                text = text.substr(6, text.size() - 7);
            if (const auto bytes = sql::GuidBytes(text))
                return Variant::Bytes(*bytes);
            break;
        }
        default: return Variant(value.IsArray() ? value.AsBytes() : value.AsString());
        }
    } catch (const EVariantError&) {
    }
    Raise(errTypeConversion, "Data type conversion error. (Parameter '" + name + "')", DatabaseSource);
}

// ------------------------------------------------------------- collections

class DatabaseImpl::TableDefCollection : public Collection<TableDef> {
public:
    explicit TableDefCollection(DatabaseImpl& owner) : Owner(owner) {}
    int Count() const override
    {
        return Owner.Guarded([&] { return static_cast<int>(Owner.Catalog().Tables.size()); });
    }
    TableDefPtr Item(int index) const override
    {
        return Owner.Guarded([&] {
            const auto& tables = Owner.Catalog().Tables;
            if (index < 0 || index >= static_cast<int>(tables.size()))
                Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
            return Object(tables[static_cast<std::size_t>(index)].Id);
        });
    }
    TableDefPtr Item(std::string_view name) const override
    {
        return Owner.Guarded([&] {
            const catalog::TableInfo* table = Owner.Catalog().FindTable(name);
            if (!table)
                Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
            return Object(table->Id);
        });
    }
    void Refresh() override
    {
        Owner.Guarded([&] {
            Owner.RefreshCatalog();
        });
    }
    void Append(const TableDefPtr& object) override
    {
        Owner.Guarded([&] {
            Owner.CheckOpen();
            catalog::TableInfo table = DescribeNewTableDef(object, Owner);
            if (DatabaseImpl::IsOdbcLink(table)) {
                table.Connect = Owner.PrepareOdbcLink(table);
            } else if (table.IsLink()) {
                table.Connect = NormalizedLinkConnect(table.Connect);
                if (table.SourceTable.empty())
                    Raise(3011, "The database engine could not find the object ''.", DatabaseSource);
                Owner.LinkedTable(table);  // the linked file and table exist and can be read
            }
            catalog::CreateTable(Owner.Sql(), Owner.CatalogForChange(), table);
            Owner.NoteWrite();
            BindTableDef(object, Owner.Catalog().FindTable(table.Name)->Id);
        });
    }
    void Delete(std::string_view name) override
    {
        Owner.Guarded([&] {
            Owner.CheckOpen();
            const catalog::TableInfo* table = Owner.Catalog().FindTable(name);
            if (!table)
                Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
            if (table->IsSystem())
                Raise(errReadOnly, "Cannot update. Database or object is read-only.", DatabaseSource);
            catalog::DropTable(Owner.Sql(), Owner.CatalogForChange(), table->Id);
            Owner.NoteWrite();
        });
    }

private:
    TableDefPtr Object(int id) const { return MakeStoredTableDef(Owner.shared_from_this(), id); }

    DatabaseImpl& Owner;
};

class DatabaseImpl::QueryDefCollection : public Collection<QueryDef> {
public:
    explicit QueryDefCollection(DatabaseImpl& owner) : Owner(owner) {}
    int Count() const override
    {
        return Owner.Guarded([&] { return static_cast<int>(Owner.Catalog().Queries.size()); });
    }
    QueryDefPtr Item(int index) const override
    {
        return Owner.Guarded([&] {
            const auto& queries = Owner.Catalog().Queries;
            if (index < 0 || index >= static_cast<int>(queries.size()))
                Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
            return Owner.QueryDefObject(queries[static_cast<std::size_t>(index)].Name);
        });
    }
    QueryDefPtr Item(std::string_view name) const override
    {
        return Owner.Guarded([&] {
            QueryDefPtr object = Owner.QueryDefObject(std::string(name));
            if (!object)
                Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
            return object;
        });
    }
    void Refresh() override
    {
        Owner.Guarded([&] {
            Owner.RefreshCatalog();
        });
    }
    void Append(const QueryDefPtr& object) override
    {
        Owner.Guarded([&] {
            Owner.CheckOpen();
            StoreQueryDef(object, Owner);
        });
    }
    void Delete(std::string_view name) override
    {
        Owner.Guarded([&] {
            Owner.CheckOpen();
            const catalog::QueryInfo* query = Owner.Catalog().FindQuery(name);
            if (!query)
                Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
            const std::string stored = query->Name;
            catalog::DropQuery(Owner.Sql(), Owner.CatalogForChange(), stored);
            Owner.ForgetQueryDef(stored);
        });
    }

private:
    DatabaseImpl& Owner;
};

class DatabaseImpl::RecordsetCollection : public Collection<Recordset> {
public:
    explicit RecordsetCollection(DatabaseImpl& owner) : Owner(owner) {}
    int Count() const override { return static_cast<int>(Live().size()); }
    RecordsetPtr Item(int index) const override
    {
        const auto items = Live();
        if (index < 0 || index >= static_cast<int>(items.size()))
            Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
        return items[static_cast<std::size_t>(index)];
    }
    using Collection<Recordset>::Item;

private:
    std::vector<RecordsetPtr> Live() const
    {
        std::vector<RecordsetPtr> items;
        for (const auto& weak : Owner.OpenRecordsets)
            if (auto recordset = weak.lock(); recordset && !recordset->IsClosed())
                items.push_back(recordset);
        return items;
    }

    DatabaseImpl& Owner;
};

// ---------------------------------------------------------------- database

DatabaseImpl::DatabaseImpl(std::shared_ptr<ErrorState> state, std::shared_ptr<WorkspaceImpl> workspace)
    : EngineObject(std::move(state)), Workspace(std::move(workspace)),
      TableDefList(std::make_unique<TableDefCollection>(*this)),
      QueryDefList(std::make_unique<QueryDefCollection>(*this)),
      RecordsetList(std::make_unique<RecordsetCollection>(*this))
{
    PropertyList = std::make_unique<ComputedProperties>([this] {
        std::vector<PropertyPtr> items = {
            std::make_shared<ValueProperty>("Name", dbText, Variant(FilePath)),
            std::make_shared<ValueProperty>("Connect", dbText, Variant(ConnectText)),
            std::make_shared<ValueProperty>("QueryTimeout", dbInteger, Variant(Timeout)),
            std::make_shared<ValueProperty>("Transactions", dbBoolean, Variant(true)),
            std::make_shared<ValueProperty>("Updatable", dbBoolean, Variant(!ReadOnlyFile)),
            std::make_shared<ValueProperty>("RecordsAffected", dbLong, Variant(static_cast<int>(Affected))),
        };
        if (Db) {
            items.push_back(std::make_shared<ValueProperty>("Version", dbText, Variant(CatalogData->Version)));
            items.push_back(
                std::make_shared<ValueProperty>("CollatingOrder", dbLong, Variant(CatalogData->CollatingOrder)));
        }
        return items;
    });
}

DatabaseImpl::~DatabaseImpl()
{
    if (Format)
        Format->Forget(this);
    for (const auto& [connect, store] : FormatLinks)
        store->Forget(this);
    for (const auto& weak : OpenRecordsets)
        if (auto recordset = weak.lock())
            recordset->Detach();
}

std::shared_ptr<DatabaseImpl> DatabaseImpl::Open(std::shared_ptr<ErrorState> state,
                                                 std::shared_ptr<WorkspaceImpl> workspace, const std::string& path,
                                                 bool exclusive, bool readOnly, const std::string& connect)
{
    auto database = std::make_shared<DatabaseImpl>(std::move(state), std::move(workspace));
    database->ConnectText = connect;
    database->OpenFile(path, exclusive, readOnly, false);
    CheckPassword(*database->Db, ParseConnect(connect).Value("PWD"));
    return database;
}

std::shared_ptr<DatabaseImpl> DatabaseImpl::Create(std::shared_ptr<ErrorState> state,
                                                   std::shared_ptr<WorkspaceImpl> workspace, const std::string& path,
                                                   const std::string& version, int collatingOrder,
                                                   const std::string& password, bool encrypted)
{
    const std::string file = AbsolutePath(path);
    if (file.empty())
        Raise(errInvalidArgument, "Invalid argument.", "DAO.Workspace");
    if (fs::exists(file))
        Raise(errDatabaseExists, "Database already exists.", "DAO.Workspace");
    if (!fs::is_directory(fs::path(file).parent_path()))
        Raise(3044, "'" + fs::path(file).parent_path().string() + "' is not a valid path.", "DAO.Workspace");
    auto database = std::make_shared<DatabaseImpl>(std::move(state), std::move(workspace));
    try {
        {
            sqlite::Connection fresh(encrypted ? sqlite::EncryptedFileUri(file) : file,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE);
            catalog::Create(fresh, version, collatingOrder);
            StorePassword(fresh, password);
        }
        database->OpenFile(file, false, false, false);
    } catch (...) {
        std::error_code ignored;
        fs::remove(file, ignored);
        fs::remove(file + "-journal", ignored);
        throw;
    }
    return database;
}

void DatabaseImpl::OpenFile(const std::string& path, bool exclusive, bool readOnly, bool /*create*/)
{
    FilePath = AbsolutePath(path);
    if (FilePath.empty() || !fs::exists(FilePath))
        Raise(errFileNotFound, "Could not find file '" + FilePath + "'.", "DAO.Workspace");
    if (!fs::is_regular_file(FilePath))
        Raise(3044, "'" + FilePath + "' is not a valid path.", "DAO.Workspace");
    std::unique_ptr<LockFile> lock = LockFile::Share(FilePath);
    std::unique_ptr<sqlite::Connection> connection;
    try {
        // Waiting long on a file another connection holds exclusively helps no one.
        connection = std::make_unique<sqlite::Connection>(
            FilePath, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, 200);
        if (exclusive)
            connection->Exec("PRAGMA locking_mode = EXCLUSIVE");
        if (!catalog::IsOurDatabase(*connection))
            Raise(errUnrecognizedFormat, "Unrecognized database format '" + FilePath + "'.", "DAO.Workspace");
        if (exclusive && !readOnly)
            connection->Exec("BEGIN EXCLUSIVE; COMMIT;");
        *CatalogData = catalog::Load(*connection);
    } catch (const EngineError& error) {
        // Only a database of ours is in use; a held file of another kind is
        // just not ours.
        if (error.Number() == errLocked && catalog::HeaderIsOurs(FilePath))
            Raise(errFileInUse, "Could not use '" + FilePath + "'; file already in use.", "DAO.Workspace");
        if (error.Number() == errLocked)
            Raise(errUnrecognizedFormat, "Unrecognized database format '" + FilePath + "'.", "DAO.Workspace");
        if (error.Number() == errCannotOpen || error.Number() == 3000)
            Raise(errUnrecognizedFormat, "Unrecognized database format '" + FilePath + "'.", "DAO.Workspace");
        throw;
    }
    sqlite3_busy_timeout(connection->Handle(), LockWaitMs);
    Db = std::move(connection);
    Lock = std::move(lock);
    ReadOnlyFile = readOnly;
    ExclusiveFile = exclusive;
    CatalogDataVersion = CacheDataVersion = Db->DataVersion();
    Db->NullErrorNumber = [this](std::string_view table, std::string_view column) {
        const catalog::TableInfo* info = CatalogData->FindTable(table);
        const catalog::ColumnDef* field = info ? info->FindColumn(column) : nullptr;
        if (field && !field->Required && info->InPrimaryKey(field->Id))
            return errIndexNull;
        return errRequired;
    };
    Db->SizeCheckField = [this](std::string_view constraint) -> std::string {
        // "jet.size.<table id>.<column id>"
        const std::string text(constraint);
        const std::size_t last = text.rfind('.');
        const std::size_t middle = last == std::string::npos ? std::string::npos : text.rfind('.', last - 1);
        if (middle == std::string::npos)
            return "";
        try {
            const int tableId = std::stoi(text.substr(middle + 1, last - middle - 1));
            const int columnId = std::stoi(text.substr(last + 1));
            const catalog::TableInfo* table = CatalogData->TableById(tableId);
            const catalog::ColumnDef* column = table ? table->ColumnById(columnId) : nullptr;
            return column ? table->Name + "." + column->Name : "";
        } catch (const std::exception&) {
            return "";
        }
    };
    for (const catalog::TableInfo& table : CatalogData->Tables) {
        if (!table.IsLink() || IsOdbcLink(table))  // a source connects when first used
            continue;
        try {
            LinkSchema(LinkFile(table.Connect), ParseConnect(table.Connect).Value("PWD"));
        } catch (const EngineError&) {
            // The link answers when it is used.
        }
    }
}

void DatabaseImpl::CheckOpen() const
{
    if (!Db)
        RaiseClosed();
}

sqlite::Connection& DatabaseImpl::Sql() const
{
    CheckOpen();
    return *Db;
}

const catalog::Catalog& DatabaseImpl::Catalog()
{
    CheckOpen();
    const std::int64_t version = Db->DataVersion();
    if (version != CatalogDataVersion) {
        CatalogDataVersion = version;
        if (catalog::ReadStamp(*Db) != CatalogData->Stamp) {
            RetiredCatalogs.push_back(CatalogData);
            CatalogData = std::make_shared<catalog::Catalog>(catalog::Load(*Db));
        }
    }
    return *CatalogData;
}

catalog::Catalog& DatabaseImpl::CatalogForChange()
{
    Catalog();
    return *CatalogData;
}

void DatabaseImpl::RefreshCatalog()
{
    // Every change of the catalog moves its stamp on, and the catalog held is
    // checked against the file's stamp whenever another connection changed
    // the file: only a file that keeps no stamp is read again every time.
    if (Catalog().Stamp > 0)
        return;
    *CatalogData = catalog::Load(*Db);
}

void DatabaseImpl::RefreshCache()
{
    if (!Db)
        return;
    for (const auto& source : OpenOdbcSources())
        source->RefreshCache();
    const std::int64_t version = Db->DataVersion();
    if (version == CacheDataVersion)
        return;
    CacheDataVersion = version;
    ++CommitsSeenElsewhere;
    Catalog();
    NoteWrite();
}

std::uint64_t DatabaseImpl::CommitsElsewhere()
{
    RefreshCache();
    return CommitsSeenElsewhere;
}

void DatabaseImpl::SetLockWait(int milliseconds)
{
    LockWaitMs = std::max(milliseconds, 0);
    if (Db)
        sqlite3_busy_timeout(Db->Handle(), LockWaitMs);
}

std::string DatabaseImpl::LinkSchema(const std::string& file, const std::string& password)
{
    const std::string path = AbsolutePath(file);
    if (const auto found = Links.find(path); found != Links.end())
        return found->second;
    if (path == FilePath)
        return "main";
    if (!fs::is_regular_file(path))
        Raise(errFileNotFound, "Could not find file '" + path + "'.", DatabaseSource);
    if (Db->InTransaction())
        Raise(errInvalidOperation, "Invalid operation. A linked file is first used inside a transaction.",
              DatabaseSource);
    // SQLite attaches a fixed number of files to a connection (ten as
    // Debian builds it); past that the old engine's own limit answers.
    const int limit = sqlite3_limit(Db->Handle(), SQLITE_LIMIT_ATTACHED, -1);
    if (static_cast<int>(Links.size()) >= limit)
        Raise(errTooManyDatabases,
              "Cannot open any more databases. A database reaches tables of at most " + std::to_string(limit)
                  + " other files or folders at a time; '" + path + "' would be one more.",
              DatabaseSource);
    const std::string schema = "jet.link." + std::to_string(Links.size() + 1);
    sqlite::Statement attach = Db->Prepare("ATTACH DATABASE ? AS " + sqlite::QuoteIdentifier(schema));
    attach.BindText(1, std::string(ReadOnlyFile ? "file:" + path + "?mode=ro" : path));
    attach.Run();
    if (!catalog::IsOurDatabase(*Db, schema)) {
        Db->Exec("DETACH DATABASE " + sqlite::QuoteIdentifier(schema));
        Raise(errUnrecognizedFormat, "Unrecognized database format '" + path + "'.", DatabaseSource);
    }
    try {
        CheckPassword(*Db, password, schema);
    } catch (const EngineError&) {
        Db->Exec("DETACH DATABASE " + sqlite::QuoteIdentifier(schema));
        throw;
    }
    Links[path] = schema;
    return schema;
}

const catalog::TableInfo& DatabaseImpl::LinkedTable(const catalog::TableInfo& link)
{
    if (IsOdbcLink(link))
        return OdbcSource(link.Connect)->Describe(link.SourceTable);
    const std::string schema = LinkSchema(LinkFile(link.Connect), ParseConnect(link.Connect).Value("PWD"));
    if (schema == "main") {
        const catalog::TableInfo* table = Catalog().FindTable(link.SourceTable);
        if (!table || table->IsLink())
            TableNotFound(link.SourceTable);
        return *table;
    }
    std::shared_ptr<catalog::Catalog>& linked = LinkCatalogs[schema];
    if (!linked || catalog::ReadStamp(*Db, schema) != linked->Stamp) {
        if (linked)
            RetiredCatalogs.push_back(linked);
        linked = std::make_shared<catalog::Catalog>(catalog::Load(*Db, schema));
    }
    const catalog::TableInfo* table = linked->FindTable(link.SourceTable);
    if (!ParseConnect(link.Connect).Type.empty())
        for (const std::string& name : FormatTableNames(link.SourceTable))
            if (!table)
                table = linked->FindTable(name);
    if (!table || table->IsLink() || table->IsSystem())
        TableNotFound(link.SourceTable);
    return *table;
}

std::string DatabaseImpl::TableRef(const catalog::TableInfo& table)
{
    if (!table.IsLink())
        return sqlite::QuoteIdentifier(table.Name);
    const catalog::TableInfo& source = LinkedTable(table);
    const std::string schema = LinkSchema(LinkFile(table.Connect), ParseConnect(table.Connect).Value("PWD"));
    return sqlite::QuoteIdentifier(schema) + "." + sqlite::QuoteIdentifier(source.Name);
}

const catalog::TableInfo* DatabaseImpl::OriginTable(const std::string& schema, const std::string& table,
                                                    std::string& localName)
{
    localName = table;
    if (schema == "main")
        return Catalog().FindTable(table);
    if (schema == "temp") {
        const OdbcTableSource* odbc = OdbcTables ? OdbcTables->Find(table) : nullptr;
        if (odbc)
            localName = odbc->Shape.Name;
        return odbc ? &odbc->Shape : nullptr;
    }
    if (schema.empty())
        return nullptr;
    for (const catalog::TableInfo& link : Catalog().Tables) {
        if (link.IsLink() && !IsOdbcLink(link) && SameName(link.SourceTable, table)
            && LinkSchema(LinkFile(link.Connect)) == schema) {
            localName = link.Name;
            return &LinkedTable(link);
        }
    }
    return nullptr;
}

sql::NameBinding DatabaseImpl::ResolveTable(std::string_view name) const
{
    auto& self = const_cast<DatabaseImpl&>(*this);
    sql::NameBinding binding;
    if (const catalog::TableInfo* table = self.Catalog().FindTable(name)) {
        binding.Type = sql::NameBinding::Table;
        binding.SqliteRef = IsOdbcLink(*table) ? self.OdbcTableRef(*table) : self.TableRef(*table);
    } else if (const catalog::QueryInfo* query = self.Catalog().FindQuery(name)) {
        // A pass-through query is a table of the rows its source answers.
        if (!query->Connect.empty()) {
            binding.Type = sql::NameBinding::Table;
            binding.SqliteRef = self.PassThroughRef(*query);
            return binding;
        }
        binding.Type = sql::NameBinding::Query;
        binding.QuerySql = query->Sql;
    }
    return binding;
}

bool DatabaseImpl::TableHasField(std::string_view table, std::string_view field) const
{
    const catalog::TableInfo* info = const_cast<DatabaseImpl&>(*this).Catalog().FindTable(table);
    return info && info->FindColumn(field);
}

void DatabaseImpl::Close()
{
    Guarded([&] {
        CheckOpen();
        for (int level = JoinedLevels; level >= 1; --level)
            RollbackLevel(level);
        if (Workspace)
            Workspace->RemoveDatabase(this);
        for (const auto& weak : OpenRecordsets)
            if (auto recordset = weak.lock())
                recordset->Detach();
        OpenRecordsets.clear();
        QueryDefObjects.clear();
        KeysetCache.clear();
        for (const auto& source : OpenOdbcSources())
            source->Close();
        OdbcSources.clear();
        // The database closes even when its files cannot be written; the
        // failure is reported after.
        std::exception_ptr failure;
        try {
            SaveFormats();
        } catch (...) {
            failure = std::current_exception();
        }
        // The working copies of folders and workbooks go with the last
        // database of the process that uses them.
        if (Format)
            Format->Forget(this);
        for (const auto& [connect, store] : FormatLinks)
            store->Forget(this);
        Format.reset();
        FormatLinks.clear();
        Db.reset();
        Lock.reset();
        if (failure)
            std::rethrow_exception(failure);
    });
}

std::string DatabaseImpl::Version() const
{
    return Guarded([&] {
        CheckOpen();
        return CatalogData->Version;
    });
}

int DatabaseImpl::CollatingOrder() const
{
    return Guarded([&] {
        CheckOpen();
        return CatalogData->CollatingOrder;
    });
}

void DatabaseImpl::NewPassword(const std::string& oldPassword, const std::string& newPassword)
{
    Guarded([&] {
        CheckOpen();
        if (ReadOnlyFile)
            Raise(errReadOnly, "Cannot update. Database or object is read-only.", DatabaseSource);
        if (!ExclusiveFile)
            Raise(errPasswordShared, "Can't change password on a shared open database.", DatabaseSource);
        // The old password must be the present one exactly: none is "".
        const std::string stored = StoredPassword(*Db);
        if (stored.empty() ? !oldPassword.empty() : !PasswordMatches(stored, oldPassword))
            Raise(errNotValidPassword, "Not a valid password.", DatabaseSource);
        StorePassword(*Db, newPassword);
    });
}

Collection<TableDef>& DatabaseImpl::TableDefs()
{
    return *TableDefList;
}

Collection<QueryDef>& DatabaseImpl::QueryDefs()
{
    return *QueryDefList;
}

Collection<Recordset>& DatabaseImpl::Recordsets()
{
    return *RecordsetList;
}

QueryDefPtr DatabaseImpl::QueryDefObject(const std::string& name)
{
    const catalog::QueryInfo* query = Catalog().FindQuery(name);
    if (!query)
        return nullptr;
    for (const QueryDefPtr& object : QueryDefObjects)
        if (SameName(object->Name(), query->Name))
            return object;
    QueryDefPtr object = MakeStoredQueryDef(shared_from_this(), query->Name);
    QueryDefObjects.push_back(object);
    return object;
}

void DatabaseImpl::ForgetQueryDef(const std::string& name)
{
    QueryDefObjects.erase(std::remove_if(QueryDefObjects.begin(), QueryDefObjects.end(),
                                         [&](const QueryDefPtr& object) { return SameName(object->Name(), name); }),
                          QueryDefObjects.end());
}

RecordsetPtr DatabaseImpl::OpenRecordset(const std::string& source, int type, int options, int lockEdits)
{
    return Guarded([&]() -> RecordsetPtr {
        CheckOpen();
        std::string text = source;
        const std::size_t first = text.find_first_not_of(" \t\r\n");
        text = first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
        // A text that starts with one of these words is a statement; any
        // other text names a table or a query.
        std::size_t wordEnd = 0;
        while (wordEnd < text.size() && std::isalpha(static_cast<unsigned char>(text[wordEnd])))
            ++wordEnd;
        const std::string word = text.substr(0, wordEnd);
        const bool isSql = wordEnd < text.size()
            && (SameName(word, "SELECT") || SameName(word, "PARAMETERS") || SameName(word, "TRANSFORM"));
        if (isSql)
            return OpenRecordsetOn(text, text, type, options, lockEdits, {}, 0);
        std::string name = text;
        if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
            name = name.substr(1, name.size() - 2);
        if (const catalog::TableInfo* table = Catalog().FindTable(name)) {
            const bool local = !table->IsLink();
            const std::string tableName = table->Name;
            const int tableId = table->Id;
            if (type == -1)
                type = local ? dbOpenTable : dbOpenDynaset;
            if (type == dbOpenTable) {
                if (!local)
                    Raise(errInvalidOperation, "Invalid operation. A linked table opens as a dynaset or snapshot.",
                          DatabaseSource);
                if ((options & (dbSQLPassThrough | dbRunAsync | dbExecDirect)) != 0)
                    RaiseNotSupported("ODBC options");
                RecordsetOptions settings;
                settings.Type = dbOpenTable;
                settings.Options = options;
                settings.LockEdits = lockEdits == -1 ? dbPessimistic : lockEdits;
                return OpenTableRecordset(shared_from_this(), tableId, settings);
            }
            return OpenRecordsetOn("SELECT * FROM [" + tableName + "]", tableName, type, options, lockEdits, {}, 0);
        }
        if (const catalog::QueryInfo* query = Catalog().FindQuery(name)) {
            if (type == dbOpenTable)
                Raise(errInvalidOperation, "Invalid operation. A query opens as a dynaset or snapshot.",
                      DatabaseSource);
            if (!query->Connect.empty())
                return QueryDefObject(query->Name)->OpenRecordset(type, options, lockEdits);
            const std::string sqlText = query->Sql;
            const std::string queryName = query->Name;
            return OpenRecordsetOn(sqlText, queryName, type, options, lockEdits, {}, 0);
        }
        TableNotFound(name);
    });
}

RecordsetPtr DatabaseImpl::OpenRecordsetOn(const std::string& jetSql, const std::string& name, int type, int options,
                                           int lockEdits, const std::vector<Variant>& parameters, long maxRecords)
{
    CheckOpen();
    if (RecordsetPtr routed = OpenAtOdbcSource(jetSql, name, type, options, lockEdits, parameters, maxRecords))
        return routed;
    if (type == dbOpenDynamic)
        RaiseNotSupported("Dynamic recordsets of tables that are not at an ODBC source");
    if ((options & (dbSQLPassThrough | dbRunAsync | dbExecDirect)) != 0)
        RaiseNotSupported("ODBC options on tables that are not at an ODBC source");
    if (type == dbOpenTable)
        Raise(errInvalidOperation, "Invalid operation. Only a stored table opens as a table-type recordset.",
              DatabaseSource);
    if (type != -1 && type != dbOpenDynaset && type != dbOpenSnapshot && type != dbOpenForwardOnly)
        Raise(errInvalidArgument, "Invalid argument.", DatabaseSource);
    const sql::Translation translation = sql::TranslateStatement(jetSql, *this);
    if (translation.Kind == sql::StatementKind::Crosstab)
        return OpenRecordsetOn(ExpandCrosstab(*this, translation.Sql, parameters), name, type, options, lockEdits,
                               parameters, maxRecords);
    if (translation.Kind != sql::StatementKind::Select)
        Raise(errInvalidOperation, "Invalid operation. Only a select query opens as a recordset.", DatabaseSource);
    RecordsetOptions settings;
    settings.Type = type == -1 ? dbOpenDynaset : type;
    settings.Options = options;
    settings.LockEdits = lockEdits == -1 ? dbPessimistic : lockEdits;
    settings.MaxRecords = maxRecords;
    return OpenQueryRecordset(shared_from_this(), jetSql, name, translation,
                              ParameterValues(translation.Parameters, parameters), settings);
}

void DatabaseImpl::Execute(const std::string& sqlText, int options)
{
    Guarded([&] {
        CheckOpen();
        if (ExecuteAtOdbcSource(sqlText, {}))
            return;
        if ((options & (dbSQLPassThrough | dbRunAsync | dbExecDirect)) != 0)
            RaiseNotSupported("ODBC options on tables that are not at an ODBC source");
        StatementSources.clear();
        const sql::Translation translation = sql::TranslateStatement(InsertIntoOtherDatabase(*this, sqlText), *this);
        WithOdbcStatement([&] { ExecuteTranslated(translation, {}); });
    });
}

void DatabaseImpl::ExecuteStatement(const std::string& sqlText, const std::vector<Variant>& parameters)
{
    CheckOpen();
    if (ExecuteAtOdbcSource(sqlText, parameters))
        return;
    StatementSources.clear();
    const sql::Translation translation = sql::TranslateStatement(InsertIntoOtherDatabase(*this, sqlText), *this);
    WithOdbcStatement([&] { ExecuteTranslated(translation, parameters); });
}

void DatabaseImpl::ExecuteTranslated(const sql::Translation& translation, const std::vector<Variant>& parameters)
{
    Affected = 0;
    switch (translation.Kind) {
    case sql::StatementKind::Select:
    case sql::StatementKind::Crosstab:
        Raise(errCannotExecuteSelect, "Cannot execute a select query.", DatabaseSource);
    case sql::StatementKind::Create:
    case sql::StatementKind::Alter: ExecuteDataDefinition(*this, translation.Sql); return;
    case sql::StatementKind::DropTable: DropTableStatement(translation); return;
    case sql::StatementKind::DropIndex: {
        const catalog::TableInfo* table = Catalog().FindTable(translation.DropTable);
        if (!table || table->IsSystem() || table->IsLink())
            Raise(3376, "Table '" + translation.DropTable + "' does not exist.", DatabaseSource);
        const catalog::IndexDef* index = table->FindIndex(translation.DropName);
        if (!index)
            Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
        catalog::DropIndex(*Db, *CatalogData, table->Id, index->Id);
        NoteWrite();
        return;
    }
    case sql::StatementKind::SelectInto: SelectInto(translation, ParameterValues(translation.Parameters, parameters)); return;
    default: break;
    }
    const std::vector<Variant> values = ParameterValues(translation.Parameters, parameters);
    sqlite::Statement statement = Db->PrepareUser(translation.Sql);
    BindAll(statement, values);
    const int rows = statement.Run();
    NoteWrite();
    Affected = rows;
}

catalog::TableInfo DatabaseImpl::ResultTable(sqlite::Statement& statement, const std::string& name)
{
    catalog::TableInfo table;
    table.Name = name;
    const bool hasRow = statement.Step();
    for (int i = 0; i < statement.ColumnCount(); ++i) {
        catalog::ColumnDef column;
        column.Name = statement.ColumnName(i);
        try {
            catalog::CheckName(column.Name);
        } catch (const EngineError&) {
            column.Name = "Expr" + std::to_string(1000 + i);
        }
        std::string localName;
        const catalog::TableInfo* origin = OriginTable(statement.ColumnDatabase(i), statement.ColumnTable(i), localName);
        const catalog::ColumnDef* source = origin ? origin->FindColumn(statement.ColumnOrigin(i)) : nullptr;
        if (source) {
            column.Type = source->Type;
            column.Size = source->Size;
        } else {
            const int type = hasRow ? TypeOfValue(statement.ColumnValue(i)) : 0;
            column.Type = type == 0 ? dbText : type;
            column.Size = column.Type == dbText ? 255 : 0;
            if (column.Type == dbText && hasRow && statement.ColumnText(i).size() > 255)
                column.Type = dbMemo;
        }
        for (const catalog::ColumnDef& earlier : table.Columns)
            if (SameName(earlier.Name, column.Name))
                column.Name = "Expr" + std::to_string(1000 + i);
        table.Columns.push_back(std::move(column));
    }
    statement.Reset();
    return table;
}

void DatabaseImpl::SelectInto(const sql::Translation& translation, const std::vector<Variant>& parameters)
{
    if (translation.HasIn) {
        std::string format = translation.IntoFormat;
        const std::size_t semicolon = format.find(';');
        const std::string formatName = semicolon == std::string::npos ? format : format.substr(0, semicolon);
        if (!formatName.empty() || translation.IntoDatabase.empty()) {
            std::shared_ptr<InstallableFormat> writer = FindInstallableFormat(formatName);
            if (!writer)
                RaiseNotSupported("The installable format '" + formatName + "'");
            ExportTarget target{translation.IntoTable, translation.IntoDatabase, formatName, format, {}};
            RecordsetOptions settings;
            settings.Type = dbOpenForwardOnly;
            settings.LockEdits = dbReadOnly;
            RecordsetPtr rows = OpenQueryRecordset(shared_from_this(), translation.Sql, "", translation, parameters,
                                                   settings);
            Affected = writer->Export(target, *rows);
            rows->Close();
            return;
        }
    }
    if (!translation.IntoDatabase.empty() && AbsolutePath(translation.IntoDatabase) != FilePath) {
        CopyInto(AbsolutePath(translation.IntoDatabase), translation, parameters);
        return;
    }
    catalog::CheckName(translation.IntoTable);
    if (Catalog().FindTable(translation.IntoTable) || Catalog().FindQuery(translation.IntoTable))
        Raise(errTableExists, "Table '" + translation.IntoTable + "' already exists.", DatabaseSource);
    sqlite::Savepoint savepoint(*Db, "jet.maketable");
    sqlite::Statement select = Db->PrepareUser(translation.Sql);
    BindAll(select, parameters);
    catalog::TableInfo table = ResultTable(select, translation.IntoTable);
    catalog::CreateTable(*Db, *CatalogData, table);
    std::string columns;
    for (const catalog::ColumnDef& column : table.Columns)
        columns += (columns.empty() ? "" : ", ") + sqlite::QuoteIdentifier(column.Name);
    sqlite::Statement insert = Db->PrepareUser("INSERT INTO " + sqlite::QuoteIdentifier(table.Name) + " (" + columns
                                               + ") " + translation.Sql);
    BindAll(insert, parameters);
    const int rows = insert.Run();
    savepoint.Commit();
    NoteWrite();
    Affected = rows;
}

void DatabaseImpl::CopyInto(const std::string& file, const sql::Translation& translation,
                            const std::vector<Variant>& parameters)
{
    auto target = DatabaseImpl::Open(State, {}, file, false, false, "");
    sqlite::Connection& to = target->Sql();
    catalog::CheckName(translation.IntoTable);
    if (target->Catalog().FindTable(translation.IntoTable) || target->Catalog().FindQuery(translation.IntoTable))
        Raise(errTableExists, "Table '" + translation.IntoTable + "' already exists.", DatabaseSource);
    sqlite::Statement select = Db->PrepareUser(translation.Sql);
    BindAll(select, parameters);
    catalog::TableInfo table = ResultTable(select, translation.IntoTable);
    sqlite::Savepoint savepoint(to, "jet.copy");
    catalog::CreateTable(to, target->CatalogForChange(), table);
    std::string columns, values;
    for (std::size_t i = 0; i < table.Columns.size(); ++i) {
        columns += (i ? ", " : "") + sqlite::QuoteIdentifier(table.Columns[i].Name);
        values += (i ? ", ?" : "?") + std::to_string(i + 1);
    }
    sqlite::Statement insert = to.Prepare("INSERT INTO " + sqlite::QuoteIdentifier(table.Name) + " (" + columns
                                          + ") VALUES (" + values + ")");
    long rows = 0;
    BindAll(select, parameters);
    while (select.Step()) {
        insert.Reset();
        for (int i = 0; i < select.ColumnCount(); ++i)
            insert.Bind(i + 1, select.ColumnValue(i));
        insert.Run();
        ++rows;
    }
    savepoint.Commit();
    target->Close();
    Affected = rows;
}

void DatabaseImpl::DropTableStatement(const sql::Translation& translation)
{
    if (!translation.DropDatabase.empty() && AbsolutePath(translation.DropDatabase) != FilePath) {
        auto other = DatabaseImpl::Open(State, {}, translation.DropDatabase, false, false, "");
        sql::Translation local;
        local.Kind = sql::StatementKind::DropTable;
        local.DropName = translation.DropName;
        other->DropTableStatement(local);
        other->Close();
        return;
    }
    const catalog::TableInfo* table = Catalog().FindTable(translation.DropName);
    if (!table || table->IsSystem())
        Raise(3376, "Table '" + translation.DropName + "' does not exist.", DatabaseSource);
    catalog::DropTable(*Db, *CatalogData, table->Id);
    NoteWrite();
}

TableDefPtr DatabaseImpl::CreateTableDef(const std::string& name, int attributes, const std::string& sourceTableName,
                                         const std::string& connect)
{
    return Guarded([&] {
        CheckOpen();
        return MakeNewTableDef(shared_from_this(), name, attributes, sourceTableName, connect);
    });
}

QueryDefPtr DatabaseImpl::CreateQueryDef(const std::string& name, const std::string& sqlText)
{
    return Guarded([&]() -> QueryDefPtr {
        CheckOpen();
        if (name.empty())
            return MakeTemporaryQueryDef(shared_from_this(), "", sqlText);
        QueryDefPtr query = MakeTemporaryQueryDef(shared_from_this(), name, sqlText);
        StoreQueryDef(query, *this);
        return query;
    });
}

jet::Workspace& DatabaseImpl::TransactionWorkspace()
{
    return Guarded([&]() -> jet::Workspace& {
        CheckOpen();
        if (!Workspace)
            RaiseClosed();
        return *Workspace;
    });
}

void DatabaseImpl::AddRecordset(const std::shared_ptr<RecordsetImpl>& recordset)
{
    OpenRecordsets.erase(std::remove_if(OpenRecordsets.begin(), OpenRecordsets.end(),
                                        [](const std::weak_ptr<RecordsetImpl>& weak) { return weak.expired(); }),
                         OpenRecordsets.end());
    OpenRecordsets.push_back(recordset);
}

void DatabaseImpl::RemoveRecordset(const RecordsetImpl* recordset)
{
    OpenRecordsets.erase(std::remove_if(OpenRecordsets.begin(), OpenRecordsets.end(),
                                        [&](const std::weak_ptr<RecordsetImpl>& weak) {
                                            auto locked = weak.lock();
                                            return !locked || locked.get() == recordset;
                                        }),
                         OpenRecordsets.end());
}

std::shared_ptr<Keyset> DatabaseImpl::TableKeyset(int tableId, int indexId)
{
    RefreshCache();  // rows another connection added or deleted count
    CachedKeyset& cached = KeysetCache[{tableId, indexId}];
    if (cached.Keys && cached.Generation == WriteGeneration)
        return cached.Keys;
    auto keys = std::make_shared<Keyset>();
    const catalog::TableInfo* table = Catalog().TableById(tableId);
    if (table && (table->HasStorage() || table->IsSystem())) {
        std::string order;
        if (const catalog::IndexDef* index = [&]() -> const catalog::IndexDef* {
                for (const catalog::IndexDef& candidate : table->Indexes)
                    if (candidate.Id == indexId)
                        return &candidate;
                return nullptr;
            }()) {
            for (const catalog::IndexColumn& column : index->Columns)
                order += sqlite::QuoteIdentifier(table->ColumnById(column.ColumnId)->Name)
                    + (column.Descending ? " DESC, " : ", ");
        }
        sqlite::Statement select = Db->Prepare("SELECT _rowid_ FROM " + sqlite::QuoteIdentifier(table->Name)
                                               + " ORDER BY " + order + "_rowid_");
        while (select.Step())
            keys->RowIds.push_back(select.ColumnInt64(0));
    }
    cached.Generation = WriteGeneration;
    cached.Keys = keys;
    return keys;
}

void DatabaseImpl::BeginLevel(int level)
{
    Sql().Exec("SAVEPOINT " + sqlite::QuoteIdentifier("jet.level." + std::to_string(level)));
    JoinedLevels = level;
    for (const auto& source : OpenOdbcSources())
        source->BeginLevel(level);
}

void DatabaseImpl::CommitLevel(int level)
{
    if (!Db || JoinedLevels < level)
        return;
    Db->Exec("RELEASE " + sqlite::QuoteIdentifier("jet.level." + std::to_string(level)));
    JoinedLevels = level - 1;
    for (const auto& source : OpenOdbcSources())
        source->CommitLevel(level);
    SaveFormats();
}

void DatabaseImpl::RollbackLevel(int level)
{
    if (!Db || JoinedLevels < level)
        return;
    const std::string name = sqlite::QuoteIdentifier("jet.level." + std::to_string(level));
    Db->Exec("ROLLBACK TO " + name + "; RELEASE " + name);
    JoinedLevels = level - 1;
    for (const auto& source : OpenOdbcSources())
        source->RollbackLevel(level);
    NoteWrite();
    KeysetCache.clear();
    try {
        *CatalogData = catalog::Load(*Db);
    } catch (const EngineError& error) {
        if (error.Number() != errLocked)
            throw;
        // Another connection holds the file: the transaction is rolled back
        // all the same, and the catalog is read again at its next use.
        CatalogData->Stamp = -1;
        CatalogDataVersion = -1;
    }
    for (auto& [schema, linked] : LinkCatalogs)
        RetiredCatalogs.push_back(linked);
    LinkCatalogs.clear();
}

// ------------------------------------------------- installable formats

namespace {

// The update hook: which rows of which file changed.
void NoteFormatChange(void* owner, int, const char* schema, const char* table, sqlite3_int64)
{
    static_cast<DatabaseImpl*>(owner)->NoteFormatChange(schema, table);
}

} // namespace

void DatabaseImpl::NoteWrite()
{
    ++WriteGeneration;
    if (Db && (Format || !FormatLinks.empty())) {
        // A DELETE without WHERE empties a table without telling the update
        // hook; more rows changed than the hook heard of means such a one.
        const std::int64_t total = sqlite3_total_changes64(Db->Handle());
        if (total - ChangesSeen > ChangesHooked) {
            if (Format)
                Format->NoteChange(this, {});
            for (const auto& [connect, store] : FormatLinks)
                store->NoteChange(this, {});
        }
        ChangesSeen = total;
        ChangesHooked = 0;
    }
    SaveFormats();
}

void DatabaseImpl::AttachFormat(std::shared_ptr<FormatStore> store)
{
    Format = std::move(store);
    FilePath = Format->Path();
    ChangesSeen = sqlite3_total_changes64(Db->Handle());
    sqlite3_update_hook(Db->Handle(), jet::impl::NoteFormatChange, this);
}

std::string DatabaseImpl::LinkFile(const std::string& connect)
{
    const ConnectInfo info = ParseConnect(connect);
    if (info.Type.empty())
        return info.Value("DATABASE");
    std::shared_ptr<FormatStore>& store = FormatLinks[NormalizedLinkConnect(connect)];
    if (!store) {
        try {
            store = FormatStore::Shared(info.Type, info.Value("DATABASE"));
        } catch (...) {
            FormatLinks.erase(NormalizedLinkConnect(connect));
            throw;
        }
        if (FormatLinks.size() == 1 && !Format)
            ChangesSeen = sqlite3_total_changes64(Db->Handle());
        sqlite3_update_hook(Db->Handle(), jet::impl::NoteFormatChange, this);
    }
    return store->DatabaseFile();
}

void DatabaseImpl::NoteFormatChange(std::string_view schema, std::string_view table)
{
    ++ChangesHooked;
    if (schema == "main") {
        if (Format)
            Format->NoteChange(this, table);
        return;
    }
    for (const auto& [connect, store] : FormatLinks)
        if (const auto link = Links.find(AbsolutePath(store->DatabaseFile())); link != Links.end() && link->second == schema)
            store->NoteChange(this, table);
}

void DatabaseImpl::SaveFormats()
{
    if ((!Format && FormatLinks.empty()) || !Db || !sqlite3_get_autocommit(Db->Handle()))
        return;
    if (Format)
        Format->Save(State, this);
    for (const auto& [connect, store] : FormatLinks)
        store->Save(State, this);
}

} // namespace jet::impl
