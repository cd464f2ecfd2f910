// The engine's objects over SQLite: the classes behind the interfaces of
// Jet.h. Internal to the engine; the components use the interfaces only.
//
// Ownership: as with the old automation objects, an object keeps its parent
// alive: a database its workspace, and every object below a database
// (recordsets, definitions, fields) its database. The engine holds the
// workspaces appended to it. Parents reach their children through weak
// pointers (a workspace its open databases, a database its recordsets), so
// nothing keeps itself alive.
#pragma once

#include "platform/jet/Catalog.h"
#include "platform/jet/Jet.h"
#include "platform/jet/JetSql.h"
#include "platform/jet/LockFile.h"
#include "platform/jet/SqliteConnection.h"

#include <map>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace jet::impl {

// The errors of the last failing call of an engine, shared by every object
// under that engine.
struct ErrorState {
    std::vector<ErrorPtr> Errors;
    void Record(const EngineError& error);
};

// The engine's error for a failure from outside the engine: a file system
// call that failed (a path too long, a folder that is not there, no room)
// gets the number of that kind of failure, anything else 3000.
EngineError ForeignError(const std::exception& error);

// Runs a member's body; an EngineError (or a variant conversion failure,
// which becomes 3421, or another failure, see ForeignError) is kept in the
// engine's Errors and raised on: no error of another kind leaves the engine.
class EngineObject {
public:
    explicit EngineObject(std::shared_ptr<ErrorState> state) : State(std::move(state)) {}

    template <class F>
    decltype(auto) Guarded(F&& body) const
    {
        try {
            return body();
        } catch (const EngineError& error) {
            State->Record(error);
            throw;
        } catch (const EVariantError& error) {
            const EngineError converted(errTypeConversion, std::string("Data type conversion error. (")
                                                               + error.what() + ")");
            State->Record(converted);
            throw converted;
        } catch (const std::exception& error) {
            const EngineError converted = ForeignError(error);
            State->Record(converted);
            throw converted;
        }
    }

    const std::shared_ptr<ErrorState>& Errors() const { return State; }

protected:
    std::shared_ptr<ErrorState> State;
};

[[noreturn]] void Raise(int number, const std::string& description, const std::string& source = "DAO.DBEngine");
[[noreturn]] void RaiseClosed();
[[noreturn]] void RaiseNotSupported(const std::string& what);

// A collection over a vector of objects kept by its owner.
template <class T>
class ListCollection : public Collection<T> {
public:
    std::vector<std::shared_ptr<T>> Items;

    int Count() const override { return static_cast<int>(Items.size()); }
    std::shared_ptr<T> Item(int index) const override
    {
        if (index < 0 || index >= Count())
            Raise(errItemNotFound, "Item not found in this collection.");
        return Items[static_cast<std::size_t>(index)];
    }
    using Collection<T>::Item;
};

// A read-only property with a fixed value.
class ValueProperty : public Property {
public:
    ValueProperty(std::string name, int type, Variant value)
        : PropertyName(std::move(name)), PropertyType(type), PropertyValue(std::move(value))
    {
    }
    std::string Name() const override { return PropertyName; }
    int Type() const override { return PropertyType; }
    Variant Value() const override { return PropertyValue; }
    void SetValue(const Variant&) override { Raise(errInvalidOperation, "Invalid operation."); }

private:
    std::string PropertyName;
    int PropertyType;
    Variant PropertyValue;
};

// A collection whose items are computed when asked for (properties, the
// recordsets still open).
template <class T>
class ComputedCollection : public Collection<T> {
public:
    using Source = std::function<std::vector<std::shared_ptr<T>>()>;
    explicit ComputedCollection(Source source) : Compute(std::move(source)) {}
    int Count() const override { return static_cast<int>(Compute().size()); }
    std::shared_ptr<T> Item(int index) const override
    {
        const std::vector<std::shared_ptr<T>> items = Compute();
        if (index < 0 || index >= static_cast<int>(items.size()))
            Raise(errItemNotFound, "Item not found in this collection.");
        return items[static_cast<std::size_t>(index)];
    }
    using Collection<T>::Item;

private:
    Source Compute;
};
using ComputedProperties = ComputedCollection<Property>;

class WorkspaceImpl;
class DatabaseImpl;
class FormatStore;
class RecordsetImpl;
class OdbcDatabaseImpl;
class OdbcTableModule;

// A database open in a workspace, a file of ours or an ODBC source: what the
// workspace's transactions and the engine's Idle ask of it.
class WorkspaceDatabase : public Database {
public:
    virtual bool IsClosed() const = 0;
    // Transaction levels of the workspace, applied to this database.
    virtual void BeginLevel(int level) = 0;
    virtual void CommitLevel(int level) = 0;
    virtual void RollbackLevel(int level) = 0;
    // Forgets cached rows that may have changed meanwhile.
    virtual void RefreshCache() = 0;

    // The workspace's transaction calls (Workspace::BeginTrans and so on).
    void BeginTrans() override { TransactionWorkspace().BeginTrans(); }
    void CommitTrans(int options) override { TransactionWorkspace().CommitTrans(options); }
    void Rollback() override { TransactionWorkspace().Rollback(); }

protected:
    // The workspace the database is open in; 3420 when the database is
    // closed or belongs to no workspace (one the engine opened for itself).
    virtual jet::Workspace& TransactionWorkspace() = 0;
};

// ------------------------------------------------------------------ engine

class EngineImpl : public DBEngine, public EngineObject, public std::enable_shared_from_this<EngineImpl> {
public:
    explicit EngineImpl(std::string version);

    std::string Version() const override { return EngineVersion; }
    std::string SystemDB() const override { return SystemDatabase; }
    void SetSystemDB(const std::string& path) override { SystemDatabase = path; }
    std::string DefaultUser() const override { return User; }
    void SetDefaultUser(const std::string& user) override { User = user; }
    std::string DefaultPassword() const override { return Password; }
    void SetDefaultPassword(const std::string& password) override { Password = password; }
    int DefaultType() const override { return Type; }
    void SetDefaultType(int type) override;
    Collection<Workspace>& Workspaces() override;
    Collection<Error>& Errors() override;
    Collection<Property>& Properties() override { return *PropertyList; }
    WorkspacePtr CreateWorkspace(const std::string& name, const std::string& user, const std::string& password,
                                 int type) override;
    void Idle(int action) override;
    void BeginTrans() override;
    void CommitTrans(int options) override;
    void Rollback() override;
    void RepairDatabase(const std::string& name) override;
    void CompactDatabase(const std::string& source, const std::string& destination,
                         const std::string& destinationLocale, int options, const std::string& sourceLocale) override;
    void RegisterDatabase(const std::string& dsn, const std::string& driver, bool silent,
                          const std::string& attributes) override;

    void RemoveWorkspace(const Workspace* workspace);

private:
    class WorkspaceCollection;
    class ErrorCollection;

    std::string EngineVersion;
    std::string SystemDatabase;
    std::string User = "admin";
    std::string Password;
    int Type = dbUseJet;
    std::unique_ptr<WorkspaceCollection> WorkspaceList;
    std::unique_ptr<ErrorCollection> ErrorList;
    std::unique_ptr<ComputedProperties> PropertyList;
};

// --------------------------------------------------------------- workspace

class WorkspaceImpl : public Workspace, public EngineObject, public std::enable_shared_from_this<WorkspaceImpl> {
public:
    // `type`: dbUseJet, or dbUseODBC for an ODBC direct workspace, which
    // opens ODBC sources only and has a cursor driver.
    WorkspaceImpl(std::shared_ptr<ErrorState> state, std::weak_ptr<EngineImpl> engine, std::string name,
                  std::string user, std::string engineVersion, int type = dbUseJet);
    ~WorkspaceImpl() override;

    std::string Name() const override { return WorkspaceName; }
    void Close() override;
    int DefaultCursorDriver() const override;
    void SetDefaultCursorDriver(int driver) override;
    DatabasePtr OpenDatabase(const std::string& name, bool exclusive, bool readOnly,
                             const std::string& connect) override;
    DatabasePtr OpenConnection(const std::string& name, int options, bool readOnly,
                               const std::string& connect) override;
    DatabasePtr CreateDatabase(const std::string& name, const std::string& locale, int options) override;
    void BeginTrans() override;
    void CommitTrans(int options) override;
    void Rollback() override;
    Collection<User>& Users() override { return NoUsers; }
    Collection<Group>& Groups() override { return NoGroups; }
    Collection<Database>& Databases() override;
    Collection<Property>& Properties() override { return *PropertyList; }

    int TransactionLevel() const { return Level; }
    void RemoveDatabase(const WorkspaceDatabase* database);
    // The databases open in the workspace.
    std::vector<std::shared_ptr<WorkspaceDatabase>> OpenDatabases() const;
    bool IsClosed() const { return Closed; }
    const std::string& UserName() const { return Account; }

private:
    void CheckOpen() const;
    // Takes a newly opened database into the workspace's open transactions.
    DatabasePtr Join(const std::shared_ptr<WorkspaceDatabase>& database);

    std::weak_ptr<EngineImpl> Engine;
    std::string WorkspaceName;
    std::string Account;
    std::string EngineVersion;
    int WorkspaceType;
    int CursorDriver = dbUseDefaultCursor;
    class DatabaseCollection;

    std::vector<std::weak_ptr<WorkspaceDatabase>> DatabaseList;
    std::unique_ptr<DatabaseCollection> DatabaseItems;
    ListCollection<User> NoUsers;
    ListCollection<Group> NoGroups;
    std::unique_ptr<ComputedProperties> PropertyList;
    int Level = 0;
    bool Closed = false;
};

// ---------------------------------------------------------------- database

// The keys of a recordset's rows in its order: row ids of a stored table.
// Deleted rows stay as marks so that positions and bookmarks of clones hold.
struct Keyset {
    std::vector<std::int64_t> RowIds;
    std::vector<std::uint8_t> Deleted;
    std::size_t DeletedCount = 0;

    std::size_t Size() const { return RowIds.size(); }
    bool IsDeleted(std::size_t i) const { return !Deleted.empty() && Deleted[i] != 0; }
    void MarkDeleted(std::size_t i);
    void Append(std::int64_t rowId);
    // The position of a row id, or -1.
    long Find(std::int64_t rowId) const;
    // Live entries before position `i`.
    long LiveBefore(std::size_t i) const;

private:
    mutable std::unordered_map<std::int64_t, std::size_t> Positions;
    mutable bool PositionsBuilt = false;
    // Deleted entries counted by a Fenwick tree, so positions stay cheap
    // while rows are deleted one after the other.
    mutable std::vector<long> DeletedTree;
};

class DatabaseImpl : public WorkspaceDatabase,
                     public EngineObject,
                     public sql::NameResolver,
                     public std::enable_shared_from_this<DatabaseImpl> {
public:
    // Opens (or creates) a database file of ours.
    static std::shared_ptr<DatabaseImpl> Open(std::shared_ptr<ErrorState> state, std::shared_ptr<WorkspaceImpl> workspace,
                                              const std::string& path, bool exclusive, bool readOnly,
                                              const std::string& connect);
    // A new file of ours; a non-empty password becomes its database password.
    static std::shared_ptr<DatabaseImpl> Create(std::shared_ptr<ErrorState> state,
                                                std::shared_ptr<WorkspaceImpl> workspace, const std::string& path,
                                                const std::string& version, int collatingOrder,
                                                const std::string& password, bool encrypted);
    DatabaseImpl(std::shared_ptr<ErrorState> state, std::shared_ptr<WorkspaceImpl> workspace);
    ~DatabaseImpl() override;

    std::string Name() const override { return FilePath; }
    std::string Connect() const override { return ConnectText; }
    void Close() override;
    std::string Version() const override;
    int QueryTimeout() const override { return Timeout; }
    void SetQueryTimeout(int seconds) override { Timeout = seconds; }
    int CollatingOrder() const override;
    void NewPassword(const std::string& oldPassword, const std::string& newPassword) override;
    Collection<TableDef>& TableDefs() override;
    Collection<QueryDef>& QueryDefs() override;
    Collection<Container>& Containers() override { return NoContainers; }
    Collection<Relation>& Relations() override;
    Collection<Recordset>& Recordsets() override;
    Collection<Property>& Properties() override { return *PropertyList; }
    RecordsetPtr OpenRecordset(const std::string& source, int type, int options, int lockEdits) override;
    void Execute(const std::string& sql, int options) override;
    long RecordsAffected() const override { return Affected; }
    TableDefPtr CreateTableDef(const std::string& name, int attributes, const std::string& sourceTableName,
                               const std::string& connect) override;
    QueryDefPtr CreateQueryDef(const std::string& name, const std::string& sql) override;
    RelationPtr CreateRelation(const std::string& name, const std::string& table, const std::string& foreignTable,
                               int attributes) override;

    // NameResolver
    sql::NameBinding ResolveTable(std::string_view name) const override;
    bool TableHasField(std::string_view table, std::string_view field) const override;

    // The stored query definition object of that name (one per name, so
    // that values given to its parameters stay), or null.
    QueryDefPtr QueryDefObject(const std::string& name);
    void ForgetQueryDef(const std::string& name);
    void RememberQueryDef(const QueryDefPtr& queryDef) { QueryDefObjects.push_back(queryDef); }

    // For the objects under the database.
    void CheckOpen() const;
    bool IsClosed() const override { return !Db; }
    bool IsReadOnly() const { return ReadOnlyFile; }
    sqlite::Connection& Sql() const;
    // The catalog, re-read when another connection changed it.
    const catalog::Catalog& Catalog();
    catalog::Catalog& CatalogForChange();
    // The catalog read again, unless the file's is the one held.
    void RefreshCatalog();
    // Rows of stored tables changed through this connection; outside a
    // transaction the files of an installable format take the change.
    void NoteWrite();
    std::uint64_t Generation() const { return WriteGeneration; }
    // Forgets cached rows when another connection changed the file.
    void RefreshCache() override;
    std::uint64_t CommitsElsewhere() override;
    int LockWait() const override { return LockWaitMs; }
    void SetLockWait(int milliseconds) override;
    void SetRecordsAffected(long count) { Affected = count; }
    // The SQLite reference of a stored or linked table ("t", "jet.link.1"."t").
    std::string TableRef(const catalog::TableInfo& table);
    // The catalog of a linked table's file and the table's entry in it.
    const catalog::TableInfo& LinkedTable(const catalog::TableInfo& link);
    // Attaches a linked file on first use; 3031 when `password` does not open it.
    std::string LinkSchema(const std::string& file, const std::string& password = "");
    // Runs an action statement or a stored query's (with parameter values).
    void ExecuteStatement(const std::string& sql, const std::vector<Variant>& parameters);
    RecordsetPtr OpenRecordsetOn(const std::string& sql, const std::string& name, int type, int options, int lockEdits,
                                 const std::vector<Variant>& parameters, long maxRecords);
    void AddRecordset(const std::shared_ptr<RecordsetImpl>& recordset);
    void RemoveRecordset(const RecordsetImpl* recordset);
    // A table-type recordset's keyset of a table in an index's order, shared
    // while nothing changed.
    std::shared_ptr<Keyset> TableKeyset(int tableId, int indexId);

    // --- ODBC sources reached through links and pass-through queries
    // (OdbcLinks.cpp) ---
    static bool IsOdbcLink(const catalog::TableInfo& table);
    // The source of an ODBC connect text, opened on first use and kept
    // while the file is open; it joins the open transaction levels.
    std::shared_ptr<OdbcDatabaseImpl> OdbcSource(const std::string& connect);
    // Each open source once (a source may be known by two connect texts).
    std::vector<std::shared_ptr<OdbcDatabaseImpl>> OpenOdbcSources() const;
    // The connect text a new or refreshed link to an ODBC source keeps,
    // once the source shows the linked table: without its password unless
    // the link's attributes hold dbAttachSavePWD.
    std::string PrepareOdbcLink(const catalog::TableInfo& link);
    // A statement that names linked ODBC tables of one source and nothing
    // else runs at that source: true (or a recordset) when it did, false
    // (null) when it names none, or tables of other databases too, or is a
    // SELECT ... INTO: such a statement runs here, over virtual tables.
    bool ExecuteAtOdbcSource(const std::string& sql, const std::vector<Variant>& parameters);
    RecordsetPtr OpenAtOdbcSource(const std::string& sql, const std::string& name, int type, int options,
                                  int lockEdits, const std::vector<Variant>& parameters, long maxRecords);
    // The SQLite reference of the virtual table over a linked ODBC table or
    // a pass-through query (OdbcTableModule.h).
    std::string OdbcTableRef(const catalog::TableInfo& link);
    std::string PassThroughRef(const catalog::QueryInfo& query);
    // The table a result column comes from, by the schema and table SQLite
    // names (a stored table, a table of a linked file, a linked ODBC table);
    // null for a computed column. `localName` is the name the user knows.
    const catalog::TableInfo* OriginTable(const std::string& schema, const std::string& table, std::string& localName);
    // Runs a statement here whose virtual tables may write to ODBC sources:
    // each source that supports transactions takes its writes whole or not
    // at all.
    void WithOdbcStatement(const std::function<void()>& action);

    // Transactions of the workspace, applied to this file.
    void BeginLevel(int level) override;
    // An installable format's folder or workbook this database serves
    // (FormatDatabase.h); its path becomes the database's Name.
    void AttachFormat(std::shared_ptr<FormatStore> store);
    bool ServesFormat() const { return Format != nullptr; }
    // The database file behind a link's connect text: the DATABASE file, or
    // the working file of an installable format's folder.
    std::string LinkFile(const std::string& connect);
    void NoteFormatChange(std::string_view schema, std::string_view table);
    void CommitLevel(int level) override;
    void RollbackLevel(int level) override;

protected:
    jet::Workspace& TransactionWorkspace() override;

private:
    class TableDefCollection;
    class QueryDefCollection;
    class RecordsetCollection;

    void OpenFile(const std::string& path, bool exclusive, bool readOnly, bool create);
    void ExecuteTranslated(const sql::Translation& translation, const std::vector<Variant>& parameters);
    void CopyInto(const std::string& file, const sql::Translation& translation, const std::vector<Variant>& parameters);
    catalog::TableInfo ResultTable(sqlite::Statement& statement, const std::string& name);
    void SelectInto(const sql::Translation& translation, const std::vector<Variant>& parameters);
    void DropTableStatement(const sql::Translation& translation);

    std::shared_ptr<WorkspaceImpl> Workspace;  // null for files the engine opens for itself
    // Held while the file is open, so that no repair or compact replaces it
    // (declared first: released after the connection closes).
    std::unique_ptr<LockFile> Lock;
    std::unique_ptr<sqlite::Connection> Db;
    int LockWaitMs = 5000;
    std::string FilePath;
    std::string ConnectText;
    bool ReadOnlyFile = false;
    bool ExclusiveFile = false;
    int Timeout = 60;
    long Affected = 0;
    // The catalog as last read. When another connection changes it, the new
    // one replaces it and the old one is kept, so definitions a call is
    // still looking at stay valid until the database closes.
    std::shared_ptr<catalog::Catalog> CatalogData = std::make_shared<catalog::Catalog>();
    std::vector<std::shared_ptr<catalog::Catalog>> RetiredCatalogs;
    std::map<std::string, std::string> Links;  // file -> schema
    std::map<std::string, std::shared_ptr<catalog::Catalog>> LinkCatalogs;  // schema -> its catalog
    std::map<std::string, std::shared_ptr<OdbcDatabaseImpl>> OdbcSources;  // connect text -> source
    OdbcTableModule* OdbcTables = nullptr;  // owned by the connection
    // While a statement is checked for a route to a source, linked ODBC
    // tables and pass-through queries bind by name, making no virtual table.
    bool BindOdbcByName = false;
    // The sources the last translated statement reads or writes.
    std::vector<std::shared_ptr<OdbcDatabaseImpl>> StatementSources;
    // Stored query definitions hand out one object per name, kept here; they
    // reach the database through a weak pointer, so no cycle forms.
    std::vector<QueryDefPtr> QueryDefObjects;
    std::uint64_t WriteGeneration = 1;
    // The file's data version when the catalog and the cached rows were last
    // checked against it.
    std::int64_t CatalogDataVersion = 0;
    std::int64_t CacheDataVersion = 0;
    std::uint64_t CommitsSeenElsewhere = 0;
    int JoinedLevels = 0;
    std::vector<std::weak_ptr<RecordsetImpl>> OpenRecordsets;
    // Kept while nothing changed: opening the same table again costs no pass
    // over its keys.
    struct CachedKeyset {
        std::uint64_t Generation = 0;
        std::shared_ptr<Keyset> Keys;
    };
    std::map<std::pair<int, int>, CachedKeyset> KeysetCache;
    void SaveFormats();
    std::shared_ptr<FormatStore> Format;
    std::map<std::string, std::shared_ptr<FormatStore>> FormatLinks;  // by normalized connect text
    std::int64_t ChangesSeen = 0;    // the connection's total changes at the last write
    std::int64_t ChangesHooked = 0;  // rows the update hook reported since
    std::unique_ptr<TableDefCollection> TableDefList;
    std::unique_ptr<QueryDefCollection> QueryDefList;
    std::unique_ptr<RecordsetCollection> RecordsetList;
    ListCollection<Container> NoContainers;
    std::unique_ptr<Collection<Relation>> RelationList;  // made when first asked for (Relations.cpp)
    std::unique_ptr<ComputedProperties> PropertyList;
};

// The connect text of OpenDatabase and of links: ";KEY=value;..." with an
// optional leading type ("ODBC;", "dBASE IV;").
struct ConnectInfo {
    std::string Type;
    std::map<std::string, std::string> Items;  // upper-case keys
    std::string Value(const std::string& key) const;
};
ConnectInfo ParseConnect(const std::string& connect);


// An ODBC source (OdbcDatabase.h) opened for a workspace, or for a database
// of ours that reaches it through links and pass-through queries (workspace
// null). `cursorDriver` is the workspace's DefaultCursorDriver.
std::shared_ptr<WorkspaceDatabase> OpenOdbcSource(std::shared_ptr<ErrorState> state,
                                                  std::shared_ptr<WorkspaceImpl> workspace, const std::string& name,
                                                  bool readOnly, const std::string& connect, int cursorDriver);

// A parameter value in the parameter's declared type (3421 when it does not
// convert); Null and Empty stay as they are.
Variant ParameterValue(int type, const Variant& value, const std::string& name);

// Makes `path` absolute (relative to the current directory); "\" counts as
// "/".
std::string AbsolutePath(const std::string& path);

// --------------------------------------------------------- definitions

TableDefPtr MakeNewTableDef(std::shared_ptr<DatabaseImpl> database, const std::string& name, int attributes,
                            const std::string& sourceTableName, const std::string& connect);
TableDefPtr MakeStoredTableDef(std::shared_ptr<DatabaseImpl> database, int tableId);
// Turns an appended new definition into a stored one (after TableDefs.Append).
void BindTableDef(const TableDefPtr& tableDef, int tableId);
// The catalog entry a new definition describes; raises for a definition of
// another database or one already appended.
catalog::TableInfo DescribeNewTableDef(const TableDefPtr& tableDef, const DatabaseImpl& database);

QueryDefPtr MakeStoredQueryDef(std::shared_ptr<DatabaseImpl> database, const std::string& name);
// The parameters of a query's PARAMETERS header, taking the values the old
// ones of the same names held.
std::vector<ParameterPtr> RenewParameters(const std::vector<ParameterPtr>& old,
                                          const std::vector<sql::DeclaredParameter>& declared,
                                          const std::shared_ptr<ErrorState>& state);
// QueryDef::Type of a statement of that kind.
int QueryTypeOf(sql::StatementKind kind);
QueryDefPtr MakeTemporaryQueryDef(std::shared_ptr<DatabaseImpl> database, const std::string& name,
                                  const std::string& sql);
// For QueryDefs.Append of a temporary query definition with a name.
void StoreQueryDef(const QueryDefPtr& queryDef, DatabaseImpl& database);

// ------------------------------------------------------------- recordsets

struct RecordsetOptions {
    int Type = dbOpenDynaset;
    int Options = 0;
    int LockEdits = dbPessimistic;
    long MaxRecords = 0;
};

// A recordset on a stored table (table type), or on a translated SELECT.
RecordsetPtr OpenTableRecordset(std::shared_ptr<DatabaseImpl> database, int tableId, const RecordsetOptions& options);
RecordsetPtr OpenQueryRecordset(std::shared_ptr<DatabaseImpl> database, const std::string& jetSql,
                                const std::string& name, const sql::Translation& translation,
                                const std::vector<Variant>& parameters, const RecordsetOptions& options);

} // namespace jet::impl
