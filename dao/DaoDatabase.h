// The database component: one engine, one workspace and at most one open
// database of the engine layer (platform/jet), with the connection settings
// as published properties. Tables (TDaoTable) name it as their Database and
// attach themselves to it while they are open, so that closing, refreshing
// and rolling back the database reaches them.
//
// Beyond connecting it offers the lists a database-choice dialog shows (ODBC
// drivers and data sources, database types), nested transactions that put
// the attached tables back where they stood on a rollback, file maintenance
// (repair, compact, create), and the table, index, field, link and stored
// query definitions of the open database.
//
// Errors: the component's own refusals raise EDatabaseError with fixed
// English texts ("TDaoDatabase.F_Set_Database: Cannot set Database while
// Database is connected!"); errors of the engine pass on as jet::EngineError,
// except where an operation answers false or an empty text instead.
//
// Properties: each published property is a getter named as the property and
// a setter Set<Property>; PublishedProperties lists them in declaration order
// for streaming (the order matters: setting DatabaseType empties Database).
#pragma once

#include "platform/db/DatabaseError.h"
#include "platform/db/TDataSet.h"
#include "platform/jet/Jet.h"
#include "platform/system/TStringList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using platform::TStringList;

class TDaoDatabase;

// What the database asks of a dataset attached to it (the table component
// implements it). The database never owns its datasets.
class TDaoDatabaseClient {
public:
    virtual ~TDaoDatabaseClient() = default;

    // Closes the dataset because its database closes: the dataset must not
    // take itself out of ActiveTables (the database empties the list). An
    // exception is swallowed by the caller.
    virtual void CloseByDatabase() = 0;
    // Re-reads the data after other changes (RefreshDatasets).
    virtual void RefreshData() = 0;
    // Re-reads the data after a rollback, without an engine call of its own.
    virtual void RollbackRefresh() = 0;
    // Made read-only because the database became read-only.
    virtual void SetReadOnly(bool value) = 0;

    // Where the dataset stands, for transaction tracking: whether it holds
    // no record; whether its recordset is bookmarkable and it has no master
    // source (then it is placed by bookmark, else by record number); its
    // current bookmark as bytes (the first four, little-endian, name the
    // record) and its record number, each with a setter that moves there.
    virtual bool IsEmpty() const = 0;
    virtual bool PlacedByBookmark() const = 0;
    virtual std::string GetBookmarkStr() = 0;
    virtual void SetBookmarkStr(const std::string& bookmark) = 0;
    virtual int GetRecNo() = 0;
    virtual void SetRecNo(int recNo) = 0;
};

// One entry of ActiveTables: the dataset's component name and the dataset.
struct TDaoActiveTable {
    std::string Name;
    TDaoDatabaseClient* Dataset = nullptr;
};

// The engine's first error (GetLastDaoError).
struct TDaoErrRec {
    int Number = 0;
    std::string Source;
    std::string Description;
    std::string HelpFile;
    int HelpContext = 0;
};

class TDaoDatabase : public TCustomConnection {
public:
    using TLoginEvent = std::function<void(TDaoDatabase& database, TStringList& loginParams)>;
    using TConnectEvent = std::function<void(TDaoDatabase& database)>;

    // Initialises the automation library, finds the installed engine
    // versions ("Cannot find DAO on your system!" when there is none),
    // creates the engine of the first and fills the registry lists. No
    // workspace exists until Loaded or a setter rebuilds the core.
    explicit TDaoDatabase(TComponent* owner = nullptr);
    ~TDaoDatabase() override;

    // After streaming: builds engine and workspace unless connected; a
    // failure is swallowed (connecting later reports it).
    void Loaded() override;
    std::vector<TPublishedProperty> PublishedProperties() const override;

    // --- Published properties, in declaration order ---
    std::string ComponentVersion() const { return FComponentVersion; }
    void SetComponentVersion(const std::string&) {}  // display only
    bool Exclusive() const { return FExclusive; }
    void SetExclusive(bool value);
    // The collating-order name of the open database (empty while closed).
    std::string DatabaseLanguage();
    void SetDatabaseLanguage(const std::string& value) { FDatabaseLanguage = value; }
    // "Access", "ODBC" or an installable format; setting it empties Database.
    std::string DatabaseType() const { return FDatabaseType; }
    void SetDatabaseType(const std::string& value);
    // A database file, an ODBC data source, or a connect text beginning "odbc;".
    std::string Database() const { return FDatabase; }
    void SetDatabase(const std::string& value);
    // Appended to every connect text.
    std::string DatabaseParameters() const { return FDatabaseParameters; }
    void SetDatabaseParameters(const std::string& value);
    std::string DatabaseVersionInfo() const { return FDatabaseVersionInfo; }
    void SetDatabaseVersionInfo(const std::string&) {}  // display only
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool value);
    std::string UserName() const { return FUserName; }
    void SetUserName(const std::string& value);
    bool UseODBCDialog() const { return FUseODBCDialog; }
    void SetUseODBCDialog(bool value) { FUseODBCDialog = value; }
    std::string Password() const { return FPassword; }
    void SetPassword(const std::string& value);
    std::string DatabasePassword() const { return FDatabasePassword; }
    void SetDatabasePassword(const std::string& value);
    std::string SystemDatabase() const { return FSystemDatabase; }
    void SetSystemDatabase(const std::string& value);
    bool SaveUserName() const { return FSaveUserName; }
    void SetSaveUserName(bool value) { FSaveUserName = value; }
    bool ShowSystemObjects() const { return FShowSystemObjects; }
    void SetShowSystemObjects(bool value);
    // Look for a missing Access file in the program folder.
    bool SmartOpen() const { return FSmartOpen; }
    void SetSmartOpen(bool value) { FSmartOpen = value; }
    // Workspace type: 2 (dbUseJet) or 1 (dbUseODBC).
    int EngineType() const { return FEngineType; }
    void SetEngineType(int value);
    bool PrivateEngine() const { return FPrivateEngine; }
    void SetPrivateEngine(bool value);
    bool TrackTransactions() const { return FTrackTransactions; }
    void SetTrackTransactions(bool value);
    bool UsesDynamicDao() const { return FUsesDynamicDao; }
    void SetUsesDynamicDao(bool) {}  // display only
    // The engine version to create: "3.5" or "3.6".
    std::string Version() const { return FVersion; }
    void SetVersion(const std::string& value);
    std::string VersionDetails() const { return FVersionDetails; }
    void SetVersionDetails(const std::string&) {}  // display only
    std::string VersionInfo() const { return FVersionInfo; }
    void SetVersionInfo(const std::string&) {}  // display only
    // The name of the workspace created.
    std::string Workspace() const { return FWorkspace; }
    void SetWorkspace(const std::string& value);
    int DefaultCursorDriver() const { return FDefaultCursorDriver; }
    void SetDefaultCursorDriver(int value);
    // Seconds; handed to the database only when not 60.
    int QueryTimeout() const { return FQueryTimeout; }
    void SetQueryTimeout(int value) { FQueryTimeout = value; }
    bool MdbVersionAutoDetect() const { return FMdbVersionAutoDetect; }
    void SetMdbVersionAutoDetect(bool value) { FMdbVersionAutoDetect = value; }
    TLoginEvent OnLogin;
    TConnectEvent OnBeforeConnect;
    TConnectEvent OnAfterConnect;
    TConnectEvent OnBeforeDisconnect;
    TConnectEvent OnAfterDisconnect;
    // Connected (published) is TCustomConnection's Connected/SetConnected;
    // Open and Close set it.

    // --- Public state ---
    jet::DBEnginePtr EngineObject;
    jet::WorkspacePtr WorkspaceObject;
    jet::DatabasePtr DatabaseObject;
    // "USER NAME", "PASSWORD", "DBPASSWORD" feed the login.
    TStringList Params;
    void SetParams(const TStringList& value) { Params.Assign(value); }
    TStringList TableNames;
    TStringList QueryDefNames;
    // The open datasets; each adds itself when it opens and removes itself
    // when it closes.
    std::vector<TDaoActiveTable> ActiveTables;
    void AddActiveTable(const std::string& name, TDaoDatabaseClient* dataset);
    void RemoveActiveTable(TDaoDatabaseClient* dataset);
    TStringList DatabaseTypes;
    TStringList ODBCDrivers;
    TStringList SystemDSNs;
    TStringList UserDSNs;
    // "name=file" for every file-based data source.
    TStringList DSNFileNames;
    TStringList EnginesInstalled;
    // One entry per open transaction level, the innermost last.
    TStringList TransactionEntries;
    int CollatingOrderCode = 0;
    // While set, RecreateCore does nothing and DefaultCursorDriver is not
    // passed on.
    bool Offline = false;
    bool OleInitialized = false;

    // --- Engine and workspace ---
    void CheckEngines();
    void CreateDBEngine(const std::string& version);
    // Rebuilds engine and workspace from the current properties.
    void RecreateCore();
    // The engine versions that can be created here; owned by the caller.
    std::unique_ptr<TStringList> GetDAOEnginesInstalled();
    TDaoErrRec GetLastDaoError();
    void GoOffline() { Offline = true; }
    void GoOnline() { Offline = false; }

    // --- Connection ---
    // Connects (true) or disconnects (false); Connected, Open and Close land here.
    void F_Set_Active(bool value);
    void CloseDatasets();
    void RefreshDatasets();
    void RefreshDefinitions();
    // Frees read locks, then refreshes the engine's cache.
    void Idle();

    // --- Registry, ODBC sources and database types ---
    std::string F_Get_ODBCFileName(const std::string& dataSource, bool system);
    void F_Get_OdbcDriverList(TStringList& list);
    void F_Get_SystemDSNs(TStringList& list);
    void F_Get_UserDSNs(TStringList& list);
    void F_FillDSNFileNames(TStringList& list);
    void F_Get_DBTypesList(TStringList& list);
    std::string F_Get_DBTypeFileExtension(const std::string& type);
    std::string F_Get_DBTypeTableType(const std::string& type);
    std::string F_Get_SystemDatabaseFromRegistry();
    // Chooses Version from an Access file's header; never raises.
    void DetectMDB(const std::string& fileName);
    std::string F_Get_CollatingOrder();
    bool FindWorkspace(const std::string& name);

    // --- Transactions ---
    void StartTransaction();
    void Commit();
    void Rollback();
    int GetTransactionCount() const;
    void AddRNToTransaction(const std::string& tableName, int position);
    std::string F_GetTableRN(const std::string& entry, const std::string& tableName);
    void RollbackRefresh();
    void DBEngineLevel_StartTransaction();
    void DBEngineLevel_Commit();
    void DBEngineLevel_Rollback();
    void WorkspaceLevel_StartTransaction();
    void WorkspaceLevel_Commit();
    void WorkspaceLevel_Rollback();

    // --- Database files ---
    void RepairAccessDatabase(const std::string& fileName, const std::string& password);
    void RepairAccessDatabaseEx(const std::string& fileName, const std::string& destLocale, bool encrypt,
                                bool decrypt, int versionOption, const std::string& password);
    // Compacts the closed file into a temporary file beside it and renames
    // that over it; the file is never lost, and every failure raises.
    void CompactAccessDatabase(const std::string& fileName, const std::string& password);
    void CompactAccessDatabaseEx(const std::string& fileName, const std::string& destLocale, bool encrypt,
                                 bool decrypt, int versionOption, const std::string& password);
    void CreateAccessDatabase(const std::string& fileName);
    void CreateAccessDatabaseEx(const std::string& fileName, const std::string& languageId,
                                const std::string& codePage, const std::string& country,
                                const std::string& password, const std::string& formatText, bool encrypt);
    void CreateAccessDatabaseEx2(const std::string& fileName, const std::string& locale,
                                 const std::string& password, const std::string& formatText, bool encrypt);
    bool ChangeDatabasePassword(const std::string& oldPassword, const std::string& newPassword);
    bool RegisterDatabase(const std::string& dataSource, const std::string& driver, bool silent,
                          const std::string& attributes);

    // --- Table definitions ---
    // Five one-dimensional arrays describe the fields, element i of each
    // field i: names, engine type codes (dbAutoIncrement for a numbered long
    // field), sizes, index flags (1 primary key, 2 unique index, 4 index) and
    // required flags (1 required). The field count is the types array's high
    // bound plus one; every array must hold elements 0 to count - 1.
    bool CreateTable(const std::string& tableName, const jet::Variant& fieldNames, const jet::Variant& fieldTypes,
                     const jet::Variant& fieldSizes, const jet::Variant& fieldIndexes,
                     const jet::Variant& fieldsRequired);
    bool AddFieldsToTable(const std::string& tableName, const jet::Variant& fieldNames,
                          const jet::Variant& fieldTypes, const jet::Variant& fieldSizes,
                          const jet::Variant& fieldIndexes, const jet::Variant& fieldsRequired);
    bool CreateEmptyTable(const std::string& tableName);
    bool EmptyTable(const std::string& tableName);
    void RenameTable(const std::string& oldTableName, const std::string& newTableName);
    void DeleteTable(const std::string& tableName);
    bool HasPrimaryKey(const jet::TableDefPtr& tableDef);
    void DeletePrimaryKey(const jet::TableDefPtr& tableDef);

    // --- Index and field definitions ---
    // Options: 1 primary key (with a unique index named after the field),
    // 2 unique index, 4 index.
    bool CreateIndex(const std::string& tableName, const std::string& fieldName, int indexOptions);
    void RenameIndex(const std::string& tableName, const std::string& oldIndexName,
                     const std::string& newIndexName);
    void DeleteIndexByName(const std::string& tableName, const std::string& indexName);
    // Removes every index whose first field is the field (exact name).
    void DeleteIndexByFieldName(const std::string& tableName, const std::string& fieldName);
    // Removes every index holding the field (any case), then the field.
    void DeleteField(const std::string& tableName, const std::string& fieldName);
    void RenameField(const std::string& tableName, const std::string& oldFieldName,
                     const std::string& newFieldName);

    // --- Linked tables ---
    // The connect text is formatted with the external path when it holds
    // "%s"; dots in the table name become "#" in the local name.
    void LinkExternalTable(const std::string& externalDatabase, const std::string& tableName,
                           const std::string& connect, int attributes);
    void LinkExternalTableEx(const std::string& externalDatabase, const std::string& localTableName,
                             const std::string& sourceTableName, const std::string& connect, int attributes);
    void RefreshLink(const std::string& externalDatabase, const std::string& tableName,
                     const std::string& connect);

    // --- Stored queries ---
    bool CreateQueryDef(const std::string& name, const std::string& sql);
    void ModifyQueryDef(const std::string& name, const std::string& sql);
    // Empty when the query cannot be read.
    std::string GetQueryDefSQLText(const std::string& name);
    void RenameQueryDef(const std::string& oldName, const std::string& newName);
    void DeleteQueryDef(const std::string& name);

    // --- Database choice (DaoDatabaseChoice.cpp) ---
    // Asks the operator for a database suited to DatabaseType: an ODBC data
    // source or connect text (TODBCDialog) for "ODBC", a folder for a type
    // that keeps one table per file, else a file. Answers the chosen name, or
    // an empty text when the operator cancels. An empty DatabaseType raises
    // "Please select database type!".
    std::string F_ChooseDatabase();
    // Runs F_ChooseDatabase and assigns a chosen name to Database (refused
    // while connected); true when a name was chosen.
    bool ChooseDatabase();
    // The file filter offered for a type other than "ODBC", in the old
    // dialogs' form "description|pattern|...": Access files, or the type's
    // extension text, then all files.
    std::string F_DatabaseFileFilter(const std::string& type);

protected:
    void DoConnect() override { F_Set_Active(true); }
    void DoDisconnect() override { F_Set_Active(false); }
    bool GetConnected() const override { return FConnected; }

private:
    struct RequestedField;

    void Connect();
    void Disconnect();
    // Takes the user name and passwords from OnLogin, Params or the login
    // dialog; tells whether the dialog was shown and whether it was cancelled.
    void Login(bool& cancelled, bool& dialogShown);
    void OpenByDatabaseType();
    // Outside streaming: RecreateCore; when it fails, `restore` puts the old
    // value back, the core is rebuilt again and the first error raised.
    void Rebuild(const std::function<void()>& restore);
    void SetVersionInfoFromDetails();
    void CheckDisconnected(const char* message) const;
    std::string PrimaryKeyName(const std::string& tableName) const;
    std::vector<RequestedField> ReadFieldArrays(const char* method, const jet::Variant& names,
                                                const jet::Variant& types, const jet::Variant& sizes,
                                                const jet::Variant& indexes, const jet::Variant& required) const;
    void AppendFields(const jet::TableDefPtr& tableDef, const std::vector<RequestedField>& fields, bool addToStored,
                      const std::string& primaryKeyName);
    void SetRequiredFields(const std::string& tableName, const std::vector<RequestedField>& fields);
    void CompactInto(const std::string& fileName, const std::string& password,
                     const std::function<void(const std::string& source, const std::string& destination,
                                              const std::string& sourceLocale)>& compact);
    std::string TransactionEntry();
    void RepositionAfterRollback();
    jet::TableDefPtr StoredTableDef(const std::string& tableName);
    void RemoveMatchingIndexes(const std::string& tableName, const std::function<bool(jet::Index& index)>& matches);
    // The held objects; a missing one raises the engine's error 3420, as a
    // call on an empty object reference did.
    jet::DBEngine& EngineRef() const;
    jet::Workspace& WorkspaceRef() const;
    jet::Database& DatabaseRef() const;

    std::string FComponentVersion = "1.00";
    bool FExclusive = false;
    std::string FDatabaseLanguage;
    std::string FDatabaseType;
    std::string FDatabase;
    std::string FDatabaseParameters;
    std::string FDatabaseVersionInfo;
    bool FReadOnly = false;
    bool FLoginPrompt = false;
    std::string FUserName;
    bool FUseODBCDialog = true;
    std::string FPassword;
    std::string FDatabasePassword;
    std::string FSystemDatabase;
    bool FSaveUserName = true;
    bool FShowSystemObjects = false;
    bool FSmartOpen = true;
    int FEngineType = jet::dbUseJet;
    bool FPrivateEngine = false;
    bool FTrackTransactions = true;
    bool FUsesDynamicDao = false;
    std::string FVersion;
    std::string FVersionDetails;
    std::string FVersionInfo;
    std::string FWorkspace;
    int FDefaultCursorDriver = jet::dbUseDefaultCursor;
    int FQueryTimeout = 60;
    bool FMdbVersionAutoDetect = false;
    bool FConnected = false;
};

// The component's messages.
namespace DaoDatabaseMessages {
inline constexpr const char* E1002 = "You does not have Microsoft DAO installed ot it is an OLD Version!";
inline constexpr const char* E1003 = "Unable to init OLE objects!";
inline constexpr const char* E1004 = "Cannot find DAO on your system!";
inline constexpr const char* E1005 = "TDaoDatabase.F_Set_Active: Database property is not defined!";
inline constexpr const char* E1006 = "TDaoDatabase.F_Set_Active: DatabaseType property is not defined!";
inline constexpr const char* E1007 = "Cannot find Database:";
inline constexpr const char* E1009 =
    "TDaoDatabase.F_Set_Active: ODBC direct workspaces\r\nare NOT supported for MS Access Databases!";
inline constexpr const char* E1038 = "TDaoDatabase.F_Set_Active: ODBC direct workspaces NOT supported!";
inline constexpr const char* E1010 =
    "TDaoDatabase.F_Set_Database: Cannot set Database while Database is connected!";
inline constexpr const char* E1011 =
    "TDaoDatabase.F_Set_DatabaseParameters: Cannot set DatabaseParameters while Database is connected!";
inline constexpr const char* E1012 =
    "TDaoDatabase.F_Set_SystemDatabase: Cannot set SystemDatabase while Database is connected!";
inline constexpr const char* E1013 = "TDaoDatabase.F_Set_DaoVersion: Cannot set Dao Version while Database is connected!";
inline constexpr const char* E1014 = "TDaoDatabase.F_Set_Workspace: Cannot set Workspace while Database is connected!";
inline constexpr const char* E1015 =
    "TDaoDatabase.F_Set_DatabaseType: Cannot set Database Type while Database is connected!";
inline constexpr const char* E1016 =
    "TDaoDatabase.F_Set_EngineType: Cannot set EngineType Type while Database is connected!";
inline constexpr const char* E1037 =
    "TDaoDatabase.F_Set_EngineType: Cannot set PrivateEngine Type while Database is connected!";
inline constexpr const char* E1017 = "TDaoDatabase.F_Set_ReadOnly: Cannot change mode while Database is connected!";
inline constexpr const char* E1018 =
    "TDaoDatabase.F_Set_Exclusive: Cannot change Exclusive mode while Database is connected!";
inline constexpr const char* E1019 =
    "TDaoDatabase.F_Set_LoginPrompt: Cannot change LoginPrompt while Database is connected!";
inline constexpr const char* E1020 =
    "TDaoDatabase.F_Set_UserName: Cannot change User Name while Database is connected!";
inline constexpr const char* E1021 =
    "TDaoDatabase.F_Set_Password: Cannot change Password while Database is connected!";
inline constexpr const char* E1022 =
    "TDaoDatabase.F_Set_DatabasePassword: Cannot change Database Password while Database is connected!";
inline constexpr const char* ETrackTransactions = "Cannot set TrackTransactions property when Database is connected!";
inline constexpr const char* E1023 =
    "TDaoDatabase.BeginTrans: Cannot start transactions while Database is NOT connected!";
inline constexpr const char* E1024 =
    "TDaoDatabase.CommitTrans: Cannot commit transactions while Database is NOT connected!";
inline constexpr const char* E1025 = "Database is not connected!";
inline constexpr const char* E1026 = "Database must be opened in exclusive mode!";
inline constexpr const char* E1027 = "TDaoDatabase.CreateTable: Cannot create table while Database is NOT connected!";
inline constexpr const char* E1028 = "TDaoDatabase.CreateTable: TableName parameter is empty!";
inline constexpr const char* E1029 =
    "TDaoDatabase.AddFieldsToTable: Cannot add fields to table while Database is NOT connected!";
inline constexpr const char* E1030 = "TDaoDatabase.AddFieldsToTable: TableName parameter is empty!";
inline constexpr const char* E1031 = "Please select database type!";
inline constexpr const char* E1032 = "Database property not set!";
inline constexpr const char* LoginCancelled =
    "If You not enter Username and Password You may not gain access to your data!";
} // namespace DaoDatabaseMessages
