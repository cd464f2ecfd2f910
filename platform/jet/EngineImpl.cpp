#include "platform/jet/EngineImpl.h"

#include "platform/jet/Collation.h"
#include "platform/jet/DatabasePassword.h"
#include "platform/jet/FormatDatabase.h"
#include "platform/jet/OdbcApi.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/DateTime.h"

#include <odbcinst.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <new>

namespace jet::impl {
namespace {

namespace fs = std::filesystem;
using platform::FreshNameBeside;
using platform::SyncPath;

class ErrorImpl : public Error {
public:
    explicit ErrorImpl(const EngineError& error) : Copy(error) {}
    int Number() const override { return Copy.Number(); }
    std::string Source() const override { return Copy.Source(); }
    std::string Description() const override { return Copy.Description(); }
    std::string HelpFile() const override { return Copy.HelpFile(); }
    int HelpContext() const override { return Copy.HelpContext(); }

private:
    EngineError Copy;
};


std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsAdmin(const std::string& user)
{
    return SameName(user, "admin");
}

// The LANGID of a locale text (";LANGID=0x0804;CP=936;COUNTRY=0") as a
// collating order; the general one when there is none.
int CollatingOrderOf(const std::string& locale)
{
    const ConnectInfo info = ParseConnect(locale);
    const std::string langId = info.Value("LANGID");
    if (langId.empty())
        return dbSortGeneral;
    try {
        std::size_t used = 0;
        const int value = std::stoi(langId, &used, 0);
        if (used == langId.size() && value > 0)
            return value;
    } catch (const std::exception&) {
    }
    Raise(errInvalidArgument, "Invalid argument. '" + langId + "' is not a language id.");
}

// What a compaction does besides copying: the copy's format, language and
// password, and the password that opens the source.
struct CompactSettings {
    std::string Version;         // empty: as the source
    int CollatingOrder = 0;      // 0: as the source
    bool CheckSourcePassword = false;
    std::string SourcePassword;
    std::string NewPassword;     // empty: the source's password stays
};

// Copies a closed database file of ours into a new compacted file and sets
// what the settings say; removes the copy when anything fails.
void CompactInto(const std::string& source, const std::string& destination, const CompactSettings& settings)
{
    try {
        {
            sqlite::Connection from(source, SQLITE_OPEN_READONLY);
            if (!catalog::IsOurDatabase(from))
                Raise(errUnrecognizedFormat, "Unrecognized database format '" + source + "'.");
            if (settings.CheckSourcePassword)
                CheckPassword(from, settings.SourcePassword);
            from.Exec("VACUUM INTO " + sqlite::QuoteText(destination));
        }
        sqlite::Connection to(destination, SQLITE_OPEN_READWRITE);
        catalog::ResetSeeds(to);
        const std::string& version = settings.Version;
        const int collatingOrder = settings.CollatingOrder;
        if (!settings.NewPassword.empty())
            StorePassword(to, settings.NewPassword);
        if (!version.empty())
            catalog::SetInfo(to, "Version", Variant(version));
        if (collatingOrder != 0)
            catalog::SetInfo(to, "CollatingOrder", Variant(collatingOrder));
        to.Exec("UPDATE \"jet.info\" SET Value = Value + 1 WHERE Name = 'Stamp'");
    } catch (...) {
        std::error_code ignored;
        fs::remove(destination, ignored);
        throw;
    }
    SyncPath(destination);
}

std::string ExistingDatabaseFile(const std::string& name)
{
    const std::string path = AbsolutePath(name);
    if (!fs::is_regular_file(path))
        Raise(errFileNotFound, "Could not find file '" + path + "'.");
    return path;
}

} // namespace

// ------------------------------------------------------------------ errors

void ErrorState::Record(const EngineError& error)
{
    Errors.clear();
    // An ODBC failure lists the driver's messages first, then the engine's
    // own error, as the old engine did.
    if (const auto* odbcError = dynamic_cast<const odbc::OdbcError*>(&error))
        for (const odbc::Diagnostic& record : odbcError->Diagnostics())
            Errors.push_back(std::make_shared<ErrorImpl>(
                EngineError(record.Native != 0 ? static_cast<int>(record.Native) : error.Number(),
                            record.Message + " (" + record.State + ")", "ODBC.Database")));
    Errors.push_back(std::make_shared<ErrorImpl>(error));
}

EngineError ForeignError(const std::exception& error)
{
    if (const auto* failure = dynamic_cast<const fs::filesystem_error*>(&error)) {
        const std::string path = failure->path1().string();
        switch (failure->code().value()) {
        case ENAMETOOLONG:
        case EINVAL:
        case EILSEQ:
            return EngineError(3055, "Not a valid file name. ('" + path + "')");
        case ENOENT:
        case ENOTDIR:
            return EngineError(3044, "'" + path + "' is not a valid path. Make sure that the path name is spelled "
                                     "correctly and that you are connected to the server on which the file resides.");
        case ENOSPC:
        case EDQUOT:
            return EngineError(errDiskFull, "Not enough space on disk. ('" + path + "')");
        default:
            return EngineError(3051, "The database engine cannot open the file '" + path + "'. "
                                         + failure->code().message() + ".");
        }
    }
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return EngineError(7, "Out of memory.");
    return EngineError(3000, std::string("Reserved error (") + error.what() + "); there is no message for this error.");
}

void Raise(int number, const std::string& description, const std::string& source)
{
    throw EngineError(number, description, source);
}

void RaiseClosed()
{
    Raise(errObjectClosed, "Object invalid or no longer set.");
}

void RaiseNotSupported(const std::string& what)
{
    Raise(errNotSupported, "Operation is not supported for this type of object. " + what
                               + " are not supported by this engine.");
}

// ----------------------------------------------------------- connect texts

std::string ConnectInfo::Value(const std::string& key) const
{
    const auto found = Items.find(AsciiUpper(key));
    return found == Items.end() ? std::string() : found->second;
}

ConnectInfo ParseConnect(const std::string& connect)
{
    ConnectInfo info;
    std::size_t start = 0;
    bool first = true;
    while (start <= connect.size()) {
        std::size_t end = connect.find(';', start);
        if (end == std::string::npos)
            end = connect.size();
        const std::string item = connect.substr(start, end - start);
        const std::size_t equals = item.find('=');
        if (equals == std::string::npos) {
            if (first)
                info.Type = Trimmed(item);
        } else {
            info.Items[AsciiUpper(Trimmed(item.substr(0, equals)))] = Trimmed(item.substr(equals + 1));
        }
        first = false;
        start = end + 1;
    }
    return info;
}

std::string AbsolutePath(const std::string& path)
{
    std::string slashes = path;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    if (slashes.empty())
        return slashes;
    return fs::absolute(fs::path(slashes)).lexically_normal().string();
}

// ------------------------------------------------------------------ engine

class EngineImpl::WorkspaceCollection : public ListCollection<Workspace> {
public:
    void Append(const WorkspacePtr& object) override
    {
        auto workspace = std::dynamic_pointer_cast<WorkspaceImpl>(object);
        if (!workspace)
            Raise(errInvalidOperation, "Invalid operation.");
        if (workspace->IsClosed())
            RaiseClosed();
        Items.push_back(workspace);
    }
    void Delete(std::string_view name) override
    {
        for (auto it = Items.begin(); it != Items.end(); ++it) {
            if (SameName((*it)->Name(), name)) {
                Items.erase(it);
                return;
            }
        }
        Raise(errItemNotFound, "Item not found in this collection.");
    }
};

class EngineImpl::ErrorCollection : public Collection<Error> {
public:
    explicit ErrorCollection(std::shared_ptr<ErrorState> state) : State(std::move(state)) {}
    int Count() const override { return static_cast<int>(State->Errors.size()); }
    ErrorPtr Item(int index) const override
    {
        if (index < 0 || index >= Count())
            Raise(errItemNotFound, "Item not found in this collection.");
        return State->Errors[static_cast<std::size_t>(index)];
    }
    using Collection<Error>::Item;

private:
    std::shared_ptr<ErrorState> State;
};

EngineImpl::EngineImpl(std::string version)
    : EngineObject(std::make_shared<ErrorState>()), EngineVersion(std::move(version)),
      WorkspaceList(std::make_unique<WorkspaceCollection>()), ErrorList(std::make_unique<ErrorCollection>(State))
{
    PropertyList = std::make_unique<ComputedProperties>([this] {
        return std::vector<PropertyPtr>{
            std::make_shared<ValueProperty>("Version", dbText, Variant(EngineVersion)),
            std::make_shared<ValueProperty>("DefaultType", dbLong, Variant(Type)),
            std::make_shared<ValueProperty>("DefaultUser", dbText, Variant(User)),
            std::make_shared<ValueProperty>("SystemDB", dbText, Variant(SystemDatabase)),
        };
    });
}

Collection<Workspace>& EngineImpl::Workspaces()
{
    return *WorkspaceList;
}

Collection<Error>& EngineImpl::Errors()
{
    return *ErrorList;
}

void EngineImpl::SetDefaultType(int type)
{
    Guarded([&] {
        if (type != dbUseJet && type != dbUseODBC)
            Raise(errInvalidArgument, "Invalid argument.");
        Type = type;
    });
}

WorkspacePtr EngineImpl::CreateWorkspace(const std::string& name, const std::string& user,
                                         const std::string& password, int type)
{
    return Guarded([&]() -> WorkspacePtr {
        catalog::CheckName(name);
        if (type != dbUseJet && type != dbUseODBC)
            Raise(errInvalidArgument, "Invalid argument.");
        const std::string account = user.empty() ? User : user;
        // An ODBC direct workspace's account is the sources' business: its
        // user and password go to each source's login.
        if (type == dbUseJet && (!IsAdmin(account) || !password.empty()))
            Raise(errAccount, "Not a valid account name or password. Workgroup accounts are not supported: the "
                              "only account is Admin, with an empty password.");
        return std::make_shared<WorkspaceImpl>(State, weak_from_this(), name, account, EngineVersion, type);
    });
}

void EngineImpl::RemoveWorkspace(const Workspace* workspace)
{
    auto& items = WorkspaceList->Items;
    items.erase(std::remove_if(items.begin(), items.end(),
                               [&](const WorkspacePtr& item) { return item.get() == workspace; }),
                items.end());
}

void EngineImpl::Idle(int action)
{
    Guarded([&] {
        if ((action & dbRefreshCache) == 0)
            return;
        for (const WorkspacePtr& workspace : WorkspaceList->Items)
            for (const auto& database : std::static_pointer_cast<WorkspaceImpl>(workspace)->OpenDatabases())
                database->RefreshCache();
    });
}

void EngineImpl::BeginTrans()
{
    Guarded([&] {
        for (const WorkspacePtr& workspace : WorkspaceList->Items)
            workspace->BeginTrans();
    });
}

void EngineImpl::CommitTrans(int options)
{
    Guarded([&] {
        if (WorkspaceList->Items.empty())
            Raise(errNoTransaction, "You tried to commit or rollback a transaction without first beginning a "
                                    "transaction.");
        for (const WorkspacePtr& workspace : WorkspaceList->Items)
            workspace->CommitTrans(options);
    });
}

void EngineImpl::Rollback()
{
    Guarded([&] {
        if (WorkspaceList->Items.empty())
            Raise(errNoTransaction, "You tried to commit or rollback a transaction without first beginning a "
                                    "transaction.");
        for (const WorkspacePtr& workspace : WorkspaceList->Items)
            workspace->Rollback();
    });
}

void EngineImpl::RepairDatabase(const std::string& name)
{
    Guarded([&] {
        const std::string path = ExistingDatabaseFile(name);
        // The file is replaced: no connection may have it open meanwhile.
        const std::unique_ptr<LockFile> hold = LockFile::Exclusive(path);
        {
            sqlite::Connection check(path, SQLITE_OPEN_READONLY);
            if (!catalog::IsOurDatabase(check))
                Raise(errUnrecognizedFormat, "Unrecognized database format '" + path + "'.");
            sqlite::Statement integrity = check.Prepare("PRAGMA integrity_check");
            std::string verdict;
            while (integrity.Step())
                verdict += std::string(integrity.ColumnText(0)) + " ";
            if (verdict != "ok ")
                Raise(errCannotOpen, "Cannot open database '" + path + "'. It may not be a database that your "
                                     "application recognizes, or the file may be corrupt. (" + Trimmed(verdict) + ")");
        }
        const std::string rebuilt = FreshNameBeside(path, ".repair");
        CompactInto(path, rebuilt, CompactSettings{});
        std::error_code error;
        fs::rename(rebuilt, path, error);
        if (error) {
            fs::remove(rebuilt, error);
            Raise(errCannotOpen, "Cannot replace '" + path + "' by its repaired copy.");
        }
        SyncPath(path);
    });
}

void EngineImpl::CompactDatabase(const std::string& source, const std::string& destination,
                                 const std::string& destinationLocale, int options, const std::string& sourceLocale)
{
    Guarded([&] {
        if (options & dbEncrypt)
            RaiseNotSupported("Encrypted databases");
        const std::string from = ExistingDatabaseFile(source);
        // A copy of a file in use could miss what its connections write next,
        // and the copy is what replaces the file afterwards.
        const std::unique_ptr<LockFile> hold = LockFile::Exclusive(from);
        const std::string to = AbsolutePath(destination);
        if (to.empty())
            Raise(errInvalidArgument, "Invalid argument.");
        if (fs::exists(to))
            Raise(errDatabaseExists, "Database already exists.");
        CompactSettings settings;
        if (options & dbVersion40)
            settings.Version = "4.0";
        else if (options & dbVersion30)
            settings.Version = "3.0";
        // The destination locale may carry ";pwd=" too: the copy's new password.
        const ConnectInfo destinationItems = ParseConnect(destinationLocale);
        bool localeGiven = !destinationItems.Type.empty();
        for (const auto& item : destinationItems.Items)
            localeGiven = localeGiven || item.first != "PWD";
        if (localeGiven)
            settings.CollatingOrder = CollatingOrderOf(destinationLocale);
        settings.NewPassword = destinationItems.Value("PWD");
        settings.CheckSourcePassword = true;
        settings.SourcePassword = ParseConnect(sourceLocale).Value("PWD");
        CompactInto(from, to, settings);
    });
}

void EngineImpl::RegisterDatabase(const std::string& dsn, const std::string& driver, bool /*silent*/,
                                  const std::string& attributes)
{
    Guarded([&] {
        const auto failed = [](const std::string& why) {
            Raise(errOdbcCallFailed, "ODBC--call failed. (" + why + ")");
        };
        if (dsn.empty() || dsn.find_first_of("[]{}(),;?*=!@\\") != std::string::npos)
            failed("'" + dsn + "' is not a valid data source name");
        char installed[1024] = {};
        SQLGetPrivateProfileString(driver.c_str(), "Driver", "", installed, sizeof installed, "odbcinst.ini");
        if (driver.empty() || installed[0] == '\0')
            failed("the ODBC driver '" + driver + "' is not installed");
        UWORD mode = ODBC_BOTH_DSN;
        SQLGetConfigMode(&mode);
        SQLSetConfigMode(ODBC_USER_DSN);
        bool ok = SQLWriteDSNToIni(dsn.c_str(), driver.c_str()) != 0;
        std::size_t start = 0;
        while (ok && start < attributes.size()) {
            std::size_t end = attributes.find_first_of("\r\n;", start);
            if (end == std::string::npos)
                end = attributes.size();
            const std::string item = attributes.substr(start, end - start);
            const std::size_t equals = item.find('=');
            if (equals != std::string::npos) {
                const std::string key = Trimmed(item.substr(0, equals));
                if (!key.empty() && !SameName(key, "DSN") && !SameName(key, "Driver"))
                    ok = SQLWritePrivateProfileString(dsn.c_str(), key.c_str(),
                                                      Trimmed(item.substr(equals + 1)).c_str(), "odbc.ini") != 0;
            }
            start = end + 1;
        }
        SQLSetConfigMode(mode);
        if (!ok)
            failed("the data source '" + dsn + "' could not be written");
    });
}

// --------------------------------------------------------------- workspace

WorkspaceImpl::WorkspaceImpl(std::shared_ptr<ErrorState> state, std::weak_ptr<EngineImpl> engine, std::string name,
                             std::string user, std::string engineVersion, int type)
    : EngineObject(std::move(state)), Engine(std::move(engine)), WorkspaceName(std::move(name)),
      Account(std::move(user)), EngineVersion(std::move(engineVersion)), WorkspaceType(type),
      DatabaseItems(std::make_unique<DatabaseCollection>(*this))
{
    PropertyList = std::make_unique<ComputedProperties>([this] {
        std::vector<PropertyPtr> items{
            std::make_shared<ValueProperty>("Name", dbText, Variant(WorkspaceName)),
            std::make_shared<ValueProperty>("UserName", dbText, Variant(Account)),
            std::make_shared<ValueProperty>("Type", dbLong, Variant(WorkspaceType)),
        };
        if (WorkspaceType == dbUseODBC)
            items.push_back(std::make_shared<ValueProperty>("DefaultCursorDriver", dbLong, Variant(CursorDriver)));
        return items;
    });
}

class WorkspaceImpl::DatabaseCollection : public Collection<Database> {
public:
    explicit DatabaseCollection(const WorkspaceImpl& owner) : Owner(owner) {}
    int Count() const override { return static_cast<int>(Owner.OpenDatabases().size()); }
    DatabasePtr Item(int index) const override
    {
        const auto databases = Owner.OpenDatabases();
        if (index < 0 || index >= static_cast<int>(databases.size()))
            Raise(errItemNotFound, "Item not found in this collection.", "DAO.Workspace");
        return databases[static_cast<std::size_t>(index)];
    }
    using Collection<Database>::Item;

private:
    const WorkspaceImpl& Owner;
};

WorkspaceImpl::~WorkspaceImpl() = default;

Collection<Database>& WorkspaceImpl::Databases()
{
    return *DatabaseItems;
}

std::vector<std::shared_ptr<WorkspaceDatabase>> WorkspaceImpl::OpenDatabases() const
{
    std::vector<std::shared_ptr<WorkspaceDatabase>> databases;
    for (const auto& weak : DatabaseList)
        if (auto database = weak.lock(); database && !database->IsClosed())
            databases.push_back(database);
    return databases;
}

void WorkspaceImpl::CheckOpen() const
{
    if (Closed)
        RaiseClosed();
}

void WorkspaceImpl::Close()
{
    Guarded([&] {
        CheckOpen();
        for (const auto& database : OpenDatabases()) {
            for (int level = Level; level >= 1; --level)
                database->RollbackLevel(level);
            database->Close();
        }
        Level = 0;
        DatabaseList.clear();
        Closed = true;
        if (auto engine = Engine.lock())
            engine->RemoveWorkspace(this);
    });
}

int WorkspaceImpl::DefaultCursorDriver() const
{
    return Guarded([&]() -> int {
        if (WorkspaceType != dbUseODBC)
            RaiseNotSupported("Cursor drivers of workspaces that are not ODBC direct");
        return CursorDriver;
    });
}

void WorkspaceImpl::SetDefaultCursorDriver(int driver)
{
    Guarded([&] {
        if (WorkspaceType != dbUseODBC)
            RaiseNotSupported("Cursor drivers of workspaces that are not ODBC direct");
        if (driver != dbUseDefaultCursor && driver != dbUseODBCCursor && driver != dbUseServerCursor
            && driver != dbUseClientBatchCursor && driver != dbUseNoCursor)
            Raise(errInvalidArgument, "Invalid argument.", "DAO.Workspace");
        CursorDriver = driver;
    });
}

DatabasePtr WorkspaceImpl::Join(const std::shared_ptr<WorkspaceDatabase>& database)
{
    for (int level = 1; level <= Level; ++level)
        database->BeginLevel(level);
    DatabaseList.push_back(database);
    return database;
}

DatabasePtr WorkspaceImpl::OpenDatabase(const std::string& name, bool exclusive, bool readOnly,
                                        const std::string& connect)
{
    return Guarded([&]() -> DatabasePtr {
        CheckOpen();
        const ConnectInfo info = ParseConnect(connect);
        if (SameName(info.Type, "ODBC") || WorkspaceType == dbUseODBC)
            return Join(OpenOdbcSource(State, shared_from_this(), name, readOnly, connect, CursorDriver));
        if (!info.Type.empty() && !IsOpenableFormat(info.Type))
            RaiseNotSupported("Files of the format '" + info.Type + "'");
        if (info.Type.empty())
            return Join(DatabaseImpl::Open(State, shared_from_this(), name, exclusive, readOnly, connect));
        // The working copy is the process's own; only the files matter to others.
        auto store = FormatStore::Shared(info.Type, name);
        auto database = DatabaseImpl::Open(State, shared_from_this(), store->DatabaseFile(), false, readOnly, connect);
        database->AttachFormat(store);
        return Join(database);
    });
}

DatabasePtr WorkspaceImpl::OpenConnection(const std::string& name, int /*options*/, bool readOnly,
                                          const std::string& connect)
{
    return Guarded([&]() -> DatabasePtr {
        CheckOpen();
        return Join(OpenOdbcSource(State, shared_from_this(), name, readOnly, connect, CursorDriver));
    });
}

DatabasePtr WorkspaceImpl::CreateDatabase(const std::string& name, const std::string& locale, int options)
{
    return Guarded([&]() -> DatabasePtr {
        CheckOpen();
        if (WorkspaceType == dbUseODBC)
            RaiseNotSupported("Database files of the engine in ODBC direct workspaces");
        if (options & dbEncrypt)
            RaiseNotSupported("Encrypted databases");
        std::string version = EngineVersion == "3.5" ? "3.0" : "4.0";
        if (options & dbVersion40)
            version = "4.0";
        else if (options & dbVersion30)
            version = "3.0";
        return Join(DatabaseImpl::Create(State, shared_from_this(), name, version, CollatingOrderOf(locale),
                                         ParseConnect(locale).Value("PWD")));
    });
}

void WorkspaceImpl::BeginTrans()
{
    Guarded([&] {
        CheckOpen();
        if (Level >= MaxTransactionLevels)
            Raise(errTooManyTransactions, "Could not start transaction; too many transactions already nested.");
        for (const auto& database : OpenDatabases())
            database->BeginLevel(Level + 1);
        ++Level;
    });
}

void WorkspaceImpl::CommitTrans(int /*options*/)
{
    Guarded([&] {
        CheckOpen();
        if (Level == 0)
            Raise(errNoTransaction,
                  "You tried to commit or rollback a transaction without first beginning a transaction.");
        for (const auto& database : OpenDatabases())
            database->CommitLevel(Level);
        --Level;
    });
}

void WorkspaceImpl::Rollback()
{
    Guarded([&] {
        CheckOpen();
        if (Level == 0)
            Raise(errNoTransaction,
                  "You tried to commit or rollback a transaction without first beginning a transaction.");
        for (const auto& database : OpenDatabases())
            database->RollbackLevel(Level);
        --Level;
    });
}

void WorkspaceImpl::RemoveDatabase(const WorkspaceDatabase* database)
{
    DatabaseList.erase(std::remove_if(DatabaseList.begin(), DatabaseList.end(),
                                      [&](const std::weak_ptr<WorkspaceDatabase>& item) {
                                          const auto locked = item.lock();
                                          return !locked || locked.get() == database;
                                      }),
                       DatabaseList.end());
}

} // namespace jet::impl

// ---------------------------------------------------------- engine classes

namespace jet {
namespace {

// "DAO.DBEngine.36" -> shared, "3.6"; "DAO.PrivateDBEngine" -> private, "".
struct ProgId {
    bool Valid = false;
    bool Private = false;
    std::string Version;
};

ProgId ParseProgId(std::string_view text)
{
    std::string upper;
    for (char c : text)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ProgId id;
    for (const auto& [name, isPrivate] : {std::pair<std::string, bool>{"DAO.DBENGINE", false},
                                         std::pair<std::string, bool>{"DAO.PRIVATEDBENGINE", true}}) {
        if (upper.rfind(name, 0) != 0)
            continue;
        const std::string rest = upper.substr(name.size());
        if (rest == ".35" || rest == ".36") {
            id = {true, isPrivate, rest == ".35" ? "3.5" : "3.6"};
        } else if (rest.empty() && isPrivate) {
            id = {true, true, ""};
        }
    }
    return id;
}

class StandardEngineClasses : public EngineClasses {
public:
    explicit StandardEngineClasses(std::vector<std::string> versions) : Versions(std::move(versions)) {}

    bool IsRegistered(std::string_view progId) const override { return !VersionFor(progId).empty(); }

    DBEnginePtr Create(std::string_view progId) override
    {
        const std::string version = VersionFor(progId);
        if (version.empty())
            throw EngineError(errClassNotRegistered, "Invalid class string: '" + std::string(progId) + "'.",
                              "DAO.DBEngine");
        if (ParseProgId(progId).Private)
            return std::make_shared<impl::EngineImpl>(version);
        std::lock_guard<std::mutex> lock(SharedMutex);
        DBEnginePtr& shared = Shared[version];
        if (!shared)
            shared = std::make_shared<impl::EngineImpl>(version);
        return shared;
    }

private:
    std::string VersionFor(std::string_view progId) const
    {
        const ProgId id = ParseProgId(progId);
        if (!id.Valid || Versions.empty())
            return "";
        if (id.Version.empty())
            return *std::max_element(Versions.begin(), Versions.end());
        return std::find(Versions.begin(), Versions.end(), id.Version) != Versions.end() ? id.Version : "";
    }

    std::vector<std::string> Versions;
    std::mutex SharedMutex;
    std::map<std::string, DBEnginePtr> Shared;
};

std::shared_ptr<EngineClasses>& Installed()
{
    static std::shared_ptr<EngineClasses> classes = MakeEngineClasses();
    return classes;
}

} // namespace

std::shared_ptr<EngineClasses> MakeEngineClasses(std::vector<std::string> versions)
{
    return std::make_shared<StandardEngineClasses>(std::move(versions));
}

EngineClasses& InstalledEngineClasses()
{
    return *Installed();
}

void InstallEngineClasses(std::shared_ptr<EngineClasses> classes)
{
    Installed() = classes ? std::move(classes) : MakeEngineClasses();
}

} // namespace jet
