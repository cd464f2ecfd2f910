// The table component: a dataset over a recordset of the engine layer
// (platform/jet), on a database component (TDaoDatabase). It names its
// source in one of three ways, which exclude each other: a table name
// (TableName), SQL text (SQL, with ":name" parameters) or a stored query of
// the database (QueryDefName). Opening it opens a recordset of the chosen
// type (TableType), lock type and options; from then on the dataset
// interface (First, Next, FieldByName, Edit, Append, Post, Delete, Close)
// works on it. It also runs action SQL and stored queries, saves and loads
// its records as a stream, and reports bookmarks, counts and record numbers.
//
// Records. A record buffer (TDaoRecordBuffer) holds no native field values:
// each field's value is a text, one per field definition, with a mark saying
// whether it was changed since the record was read (the encodings are in
// DaoTableValues.h: numbers in decimal, dates as "day milliseconds", GUIDs
// as "{guid {...}}", an empty text for Null, memos and blobs as their size
// unless cached). The texts are converted only where a field reads or
// writes its value (GetFieldData, SetFieldData and their native forms), so
// a buffer fits memos, blobs and GUIDs of any length. A buffer also keeps the
// record's position in the recordset and its record handle: the first four
// bytes of the engine's bookmark, little-endian, 0 for none; the handle is
// the dataset's 4-byte bookmark.
//
// Errors: the component's refusals raise EDatabaseError with the fixed
// texts of DaoTableMessages; errors of the engine pass on as
// jet::EngineError, except where an operation answers false, 0 or an empty
// text instead. Editing errors go to OnEditError, OnPostError and
// OnDeleteError with the engine's description; an "abort" answer raises
// EAbort, which ends the operation without a message.
#pragma once

#include "dao/DaoDatabase.h"
#include "platform/db/TDataSet.h"
#include "platform/db/TParams.h"
#include "platform/jet/Jet.h"
#include "platform/system/TStringList.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

// One field value of a record: its text and whether it changed since the
// record was read.
struct TDaoValue {
    std::string Text;
    bool Changed = false;
};

struct TDaoRecordBuffer : TRecordBuffer {
    // Zero-based position in the recordset when the record was read; -1 for
    // a record being inserted.
    int Position = -1;
    // One value per field definition, in field-definition order.
    std::vector<TDaoValue> Values;
    // The first four bytes of the record's bookmark; 0 for none.
    std::int32_t Handle = 0;
};

// Open options, element n at bit n, so that the set's bits are the engine's
// option values 1, 2, 4, ... 2048.
enum TOO {
    dbDenyWrite, dbDenyRead, dbReadOnly, dbAppendOnly, dbInconsistent, dbConsistent, dbSQLPassThrough,
    dbFailOnError, dbForwardOnly, dbSeeChanges, dbRunAsync, dbExecDirect
};
using TOOSet = std::uint16_t;
constexpr TOOSet OOBit(TOO option)
{
    return static_cast<TOOSet>(1u << option);
}

enum TLockType { ltReadLock, ltWriteLock };
enum TLoadMode { lmAppend, lmEmptyAppend };
enum TKeyType { KeyValue, RangeStart, RangeEnd };
enum TExportMethod { VisibleFields, AllFields };

class TDaoTable;

// The index definitions of a table: adding or deleting one also creates or
// drops the index of the stored table.
class TDaoIndexDefs : public TIndexDefs {
public:
    explicit TDaoIndexDefs(TDaoTable& dataSet)
        : Table(dataSet)
    {
    }
    // Adds the definition; then, when the stored table has every field named
    // and no index of that name, creates the index (closing and reopening an
    // open table). Engine errors pass on; the definition stays added.
    void Add(const std::string& name, const std::string& fields, unsigned options);
    // Removes the definition and the stored table's index of that name; an
    // engine error there is swallowed.
    void DeleteIndex(const std::string& name);

private:
    TDaoTable& Table;
};

class TDaoTable : public TDataSet, public TDaoDatabaseClient {
public:
    using TExportProgressEvent = std::function<void(TDaoTable& sender, int current, int total)>;
    using TImportProgressEvent = std::function<void(TDaoTable& sender, int current)>;

    explicit TDaoTable(TComponent* owner = nullptr);
    ~TDaoTable() override;

    std::vector<TPublishedProperty> PublishedProperties() const override;
    // Opens a table streamed with Active set; an error is shown through the
    // application's error handler, not raised.
    void Loaded() override;
    // Streaming sets Active last; while loading it is only remembered.
    void SetStreamedActive(bool value);

    // --- Published properties ---
    bool AutoFindIndex() const { return FAutoFindIndex; }
    void SetAutoFindIndex(bool value) { FAutoFindIndex = value; }
    std::string ComponentVersion() const { return "1.00"; }
    void F_Set_ComponentVersion(const std::string&) {}
    bool CacheBlobs() const { return FCacheBlobs; }
    void F_Set_CacheBlobs(bool value);
    bool CacheMemos() const { return FCacheMemos; }
    void F_Set_CacheMemos(bool value);
    bool CacheLookups() const { return FCacheLookups; }
    void F_Set_CacheLookups(bool value);
    TDaoDatabase* F_Get_Database() const { return FDatabase; }
    void F_Set_Database(TDaoDatabase* value);
    TComponent* Encrypter() const { return FEncrypter; }
    void F_Set_Encrypter(TComponent* value);
    TExportMethod ExportMethod() const { return FExportMethod; }
    void SetExportMethod(TExportMethod value) { FExportMethod = value; }
    bool RefreshSorted() const { return FRefreshSorted; }
    void SetRefreshSorted(bool value) { FRefreshSorted = value; }
    std::string F_Get_TableName() const { return FTableName; }
    void F_Set_TableName(const std::string& value);
    const TStringList& SortedBy() const { return FSortedBy; }
    void F_Set_Sort(const TStringList& value);
    const std::string& QueryDefName() const { return FQueryDefName; }
    void F_Set_QueryDefName(const std::string& value);
    const TStringList& QueryDefParameters() const { return FQueryDefParameters; }
    void F_Set_QueryDefParameters(const TStringList& value) { FQueryDefParameters.Assign(value); }
    const TStringList& QueryDefSQLText() const { return FQueryDefSQLText; }
    void F_Set_QueryDefSQLText(const TStringList& value);
    bool QueryDefSQLModify() const { return FQueryDefSQLModify; }
    void SetQueryDefSQLModify(bool value) { FQueryDefSQLModify = value; }
    int QueryDefODBCMaxRecords() const { return FQueryDefODBCMaxRecords; }
    void SetQueryDefODBCMaxRecords(int value) { FQueryDefODBCMaxRecords = value; }
    std::string F_Get_QueryDefType();
    const TStringList& SQL() const { return FSQL; }
    void F_Set_SQL(const TStringList& value);
    void SetSQLText(const std::string& text);
    bool ShowGUID() const { return FShowGUID; }
    void F_Set_ShowGUID(bool value);
    TParams& Params() { return FParams; }
    // Copies the values of `value` into the parameters of the same names.
    void SetParamsList(const TParams& value) { FParams.AssignValues(value); }
    int GetParamsCount() const { return FParams.Count(); }
    int TableType() const { return FTableType; }
    void F_Set_TableType(int value);
    std::string F_Get_DateCreated();
    std::string F_Get_LastUpdated();
    bool Translation() const { return FTranslation; }
    void SetTranslation(bool value) { FTranslation = value; }
    int LockType() const { return FLockType; }
    void F_Set_LockType(int value);
    TOOSet OpenOptions() const { return FOpenOptions; }
    void F_Set_OpenOptions(TOOSet value);
    TDaoIndexDefs& IndexDefs() { return FIndexDefs; }
    int F_Get_IndexFieldCount();
    std::string F_Get_IndexName() const { return FIndexName; }
    void F_Set_IndexName(const std::string& value);
    std::string F_Get_IndexFieldNames();
    void F_Set_IndexFieldNames(const std::string& value);
    TField* F_Get_IndexField(int index);
    bool ReadOnly() const;
    void F_Set_ReadOnly(bool value);
    bool F_Get_LockEdits();
    void SetLockEdits(bool value);
    bool MasterAutoActivate() const { return FMasterAutoActivate; }
    void SetMasterAutoActivate(bool value) { FMasterAutoActivate = value; }
    bool DatabaseAutoActivate() const { return FDatabaseAutoActivate; }
    void SetDatabaseAutoActivate(bool value) { FDatabaseAutoActivate = value; }
    bool UseBrackets() const { return FUseBrackets; }
    void SetUseBrackets(bool value) { FUseBrackets = value; }
    bool UseCaptions() const { return FUseCaptions; }
    void SetUseCaptions(bool value) { FUseCaptions = value; }
    bool UseDaoProperties() const { return FUseDaoProperties; }
    void SetUseDaoProperties(bool value) { FUseDaoProperties = value; }
    bool UseGetRecNo() const { return FUseGetRecNo; }
    void SetUseGetRecNo(bool value) { FUseGetRecNo = value; }
    bool UseRecordCount() const { return FUseRecordCount; }
    void SetUseRecordCount(bool value) { FUseRecordCount = value; }
    bool WarnOnBadDatabase() const { return FWarnOnBadDatabase; }
    void SetWarnOnBadDatabase(bool value) { FWarnOnBadDatabase = value; }
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool value) { FParamCheck = value; }
    bool ProcessMessages() const { return FProcessMessages; }
    void SetProcessMessages(bool value) { FProcessMessages = value; }
    TExportProgressEvent OnExportProgress;
    TImportProgressEvent OnImportProgress;
    // Re-queries an open, filtered table.
    void F_Set_OnFilterRecord(std::function<void(TDataSet& dataSet, bool& accept)> handler);
    void SetFiltered(bool value) override;
    void SetFilterText(const std::string& value) override;

    // --- Public state ---
    bool BatchMode() const { return FBatchMode; }
    void F_SetBatchMode(bool value);
    int FRecordsAffected = 0;
    jet::Variant FQueryDefReturnParams;
    int FExecuteOptions = jet::dbFailOnError;
    // The recordset while open (null while closed).
    const jet::RecordsetPtr& Recordset() const { return FRecordset; }

    // --- Lifetime and helpers ---
    int InternalCalcRecordSize() { return 0; }
    // The tick count plus a random number below 10000.
    int GetTickCountEx();
    TDaoErrRec GetLastDaoError();

    // --- SQL composition and filters ---
    std::string F_ComposeSQL(const TStringList& source) const;
    std::string ComposeFilter() const;
    void Sort();

    // --- Stored queries and SQL execution ---
    int ExecSQL(const TStringList& sql);
    int ExecSQLString(const std::string& sql);
    int ExecuteSQL();
    int ExecuteQueryDefSQL();
    void GetQueryDefParameters(TStringList& names, TStringList& daoTypes, TStringList& bdeTypes);
    bool PromptQueryDefParameters();
    void GetQueryDefReturnParams(const std::string& queryName);

    // --- Indexes ---
    std::string FindGoodIndex(const std::string& fields);
    void GetIndexNames(TStringList& list);
    void GetFieldNames(TStringList& list, std::vector<int>* types = nullptr);

    // --- Requery, positions, names, locking, streams ---
    bool Requery();
    void GotoCurrent(TDaoTable& table);
    float PercentPosition();
    std::string GetSourceFieldName(const std::string& fieldName);
    std::string GetSourceTableName(const std::string& fieldName);
    template <class T>
    static bool PropertyExists(const jet::Collection<T>& collection, const std::string& name);
    void LockTable(TLockType lockType);
    void UnlockTable(TLockType lockType);
    bool StoreField(int index) const;
    void SaveToStream(std::ostream& stream);
    void SaveToFile(const std::string& fileName);
    // Loads the records of a stream written by SaveToStream into the open
    // table, inside one transaction of the database: the stream's signature
    // and field header are checked before anything changes, and a stream
    // that fails part-way leaves the table as it was.
    void LoadFromStream(std::istream& stream, TLoadMode mode);
    void LoadFromFile(const std::string& fileName, TLoadMode mode);
    // Deletes every record through the dataset.
    bool EmptyTable();

    // --- Opening and closing ---
    // The field and index definitions read from the engine; on a closed
    // table the recordset is opened for the call and closed again.
    void InitFieldDefs() { InternalInitFieldDefs(); }
    void UpdateIndexDefs() { InternalInitIndexDefs(); }
    void OpenDaoRecordset();
    // Reopens on a new detail condition (the master/detail link).
    void ReOpenDaoRecordset(const std::string& condition);
    void CloseDaoRecordset();
    static std::string ProcessDTDefault(const std::string& text);
    static std::string UnquoteString(const std::string& text);

    // --- Bookmarks and raw values ---
    bool BookmarkValid(const TBookmark* bookmark) override;
    int CompareBookmarks(const TBookmark* first, const TBookmark* second) override;
    std::string GetBookmarkStr() override;
    void SetBookmarkStr(const std::string& value) override;
    jet::Variant GetRawFieldData(const std::string& fieldName);
    bool SetRawFieldData(const std::string& fieldName, const jet::Variant& value);
    jet::Variant GetRows(int numRows);
    jet::QueryDefPtr CopyQueryDef();
    std::string CopyQueryDefText();

    // --- Navigation ---
    int GetRecNo() override;
    void SetRecNo(int value) override;
    void RefreshData() override;
    void RefreshDataEx();
    void RollbackRefresh() override;
    void DaoInternalRefresh();
    int F_RecalculateRecNo(jet::Recordset& recordset, std::int32_t handle);
    void InternalMoveToBookmark(std::int32_t handle);

    // --- Editing ---
    void Post() override;

    // --- The database component's view of the table ---
    void CloseByDatabase() override;
    void SetReadOnly(bool value) override { F_Set_ReadOnly(value); }
    bool IsEmpty() const override { return TDataSet::IsEmpty(); }
    bool PlacedByBookmark() const override { return FBookmarkable; }

    // The record handle of a recordset's current record, or of its last
    // added or changed record; 0 without one.
    static std::int32_t GetDaoBookMark(const jet::Recordset& recordset);
    static std::int32_t GetDaoLastModifiedBookMark(const jet::Recordset& recordset);

protected:
    void Notification(TComponent* component, TOperation operation) override;

    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return FCursorOpen; }
    bool GetCanModify() const override { return FCursorOpen && !FReadOnly; }
    // The engine sizes text fields in characters.
    std::string FitString(const TField& field, const std::string& value) const override;
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override;
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer& buffer) override;
    int GetRecordCount() override;
    void InternalInitRecord(TRecordBuffer& buffer) override;
    void InternalEdit() override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    void InternalRefresh() override;
    bool GetFieldData(const TField& field, std::string* value) override;
    void SetFieldData(TField& field, const std::string* value) override;
    bool GetNativeFieldData(const TField& field, void* buffer) override;
    void SetNativeFieldData(TField& field, const void* buffer) override;
    TRecordBuffer* GetActiveRecordBuffer() override;
    void GetBookmarkData(const TRecordBuffer& buffer, TBookmark& bookmark) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;

    void InternalInitFieldDefs();
    void InternalInitIndexDefs();
    void InternalSetDisplayLabels();
    void InternalClearBookmarks();
    bool InternalFillRecordData(jet::Recordset& recordset, bool useFieldArray, TDaoRecordBuffer& buffer);
    bool FilterRecord(TDaoRecordBuffer& buffer);
    bool GetCurrentRecord(TDaoRecordBuffer& buffer);

private:
    friend class TDaoIndexDefs;

    void CheckInactive(const char* message) const;
    bool DatabaseConnected() const;
    jet::Database& DaoDatabase() const;
    // Closes and reopens an open table, landing on its first record.
    void Reopen();
    // Posts or cancels, forgets the buffers, reopens the recordset and goes
    // to the first record, without the dataset's open and close events.
    void RequeryInPlace();
    void ClearParamsOnSourceChange();
    void UpdateParamsList();
    void FillQueryDefParameters(jet::QueryDef& queryDef, const char* message);
    // Filter or range in force: positions count accepted records only.
    bool RecordsFiltered() const;
    TDaoRecordBuffer* ActiveDaoBuffer();
    // The field objects of the open recordset, by field definition.
    jet::Field* FieldObject(int index) const;
    // The field object of field definition `index` while open, or null.
    TField* DefinitionField(int index) const;
    // The value of the field in the buffer of the present state, or null.
    TDaoValue* FieldValue(const TField& field);
    // Stores the text as the field's changed value; read-only fields keep
    // theirs outside the set-key state.
    void StoreFieldText(const TField& field, const std::string& text);
    // Checks a table-type count against a snapshot copy.
    long CheckedTableCount(long count, int rememberedPosition);
    bool HandleEditError(const jet::EngineError& error, TDataSetErrorEvent& event, TDataAction& action);
    void WriteChangedFields(TDaoRecordBuffer& buffer);
    std::string EncodeForDatabase(const std::string& text);
    std::string DecodeFromDatabase(const std::string& text);
    void RestoreCursorToActive();
    // The database's Idle (free locks, refresh the cache), at most every
    // tenth of a second.
    void IdleDatabase();
    // The creation or change date of the table (table type) or stored query.
    std::string TableDate(jet::Variant (jet::Recordset::*ofTable)() const,
                          jet::Variant (jet::QueryDef::*ofQuery)() const);

    // Published property values.
    bool FAutoFindIndex = true;
    bool FCacheBlobs = false;
    bool FCacheMemos = false;
    bool FCacheLookups = false;
    TDaoDatabase* FDatabase = nullptr;
    TComponent* FEncrypter = nullptr;
    TExportMethod FExportMethod = VisibleFields;
    bool FRefreshSorted = false;
    std::string FTableName;
    TStringList FSortedBy;
    std::string FQueryDefName;
    TStringList FQueryDefParameters;
    TStringList FQueryDefSQLText;
    bool FQueryDefSQLModify = false;
    int FQueryDefODBCMaxRecords = 0;
    std::string FQueryDefType;
    TStringList FSQL;
    bool FShowGUID = false;
    TParams FParams;
    int FTableType = jet::dbOpenDynaset;
    bool FTranslation = false;
    int FLockType = jet::dbOptimistic;
    TOOSet FOpenOptions = 0;
    TDaoIndexDefs FIndexDefs{*this};
    std::string FIndexName;
    bool FReadOnly = false;
    bool FMasterAutoActivate = true;
    bool FDatabaseAutoActivate = false;
    bool FUseBrackets = true;
    bool FUseCaptions = false;
    bool FUseDaoProperties = true;
    bool FUseGetRecNo = true;
    bool FUseRecordCount = true;
    bool FWarnOnBadDatabase = false;
    bool FParamCheck = true;
    bool FProcessMessages = false;
    bool FStreamedActive = false;

    // Shared state of the open table.
    bool FBatchMode = false;
    bool FCursorOpen = false;
    jet::RecordsetPtr FRecordset;
    jet::RecordsetPtr FBaseRecordset;
    int FOpenOptionsValue = 0;
    std::string FSortText;
    bool FBookmarkable = false;
    std::vector<jet::FieldPtr> FFieldObjects;
    std::vector<TField*> FDefinitionFields;
    std::vector<bool> FUpdatableFields;
    std::vector<std::string> FDefaultValues;
    TStringList FFieldNames;
    TStringList FNonBlobFieldNames;
    TStringList FFieldTypeNames;
    TStringList FNotBlobTypeFieldNames;
    TStringList FDisplayLabels;
    bool FFieldDefsFromOpen = false;
    bool FRemovedByDatabase = false;
    // True while no master restriction applies (the master/detail link).
    bool FDetailSuspended = true;
    bool FOleInitialized = false;
    bool FEncrypterReady = false;

    // Bookmarks: position k of the first list has the handle k of the second.
    std::vector<int> FPositionList;
    std::vector<std::int32_t> FHandleList;

    // Navigation.
    int FCurrentPosition = -1;
    int FStepCounter = -1;
    int FHighWater = -1;
    int FCachedCount = -1;
    bool FCountStale = true;
    // Set by a successful post: the next record number is recomputed.
    bool FRecNoStale = false;
    bool FPostInProgress = false;
    // When the database last idled for this table (ms of the coarse
    // monotonic clock; -1 never).
    long long FLastIdle = -1;
    bool FBatchEof = false;

    // Record buffers beside the active record: the values before an edit or
    // insert, the key and range buffers of key searches, and the buffer a
    // filter looks at.
    std::unique_ptr<TDaoRecordBuffer> FOldValuesBuffer;
    std::unique_ptr<TDaoRecordBuffer> FKeyBuffer;
    std::unique_ptr<TDaoRecordBuffer> FRangeStartBuffer;
    std::unique_ptr<TDaoRecordBuffer> FRangeEndBuffer;
    TDaoRecordBuffer* FActiveKeyBuffer = nullptr;
    TDaoRecordBuffer* FFilterBuffer = nullptr;
    bool FRangeApplied = false;

    // The stored query dialog's lists.
    TStringList FQueryDefParamNames;
    TStringList FQueryDefParamDaoTypes;
    TStringList FQueryDefParamBDETypes;
};

template <class T>
bool TDaoTable::PropertyExists(const jet::Collection<T>& collection, const std::string& name)
{
    for (int i = 0, n = collection.Count(); i < n; ++i)
        if (jet::SameName(jet::NameOf(*collection.Item(i)), name))
            return true;
    return false;
}

// The component's messages.
namespace DaoTableMessages {
inline constexpr const char* E2001 = "Unable to init OLE objects!";
inline constexpr const char* E2002 =
    "TDaoTable.ExecSQL: Cannot execute SQL query while Database is not Assigned or Connected!";
inline constexpr const char* E2003 =
    "TDaoTable.ExecuteSQL: Cannot execute SQL query while Database is not Assigned or Connected!";
inline constexpr const char* E2004 =
    "TDaoTable.ExecuteQueryDefSQL: Invalid number of QueryDef parameters or parameter is not in valid format!";
inline constexpr const char* E2005 = "TDaoTable.ExecuteQueryDefSQL: Cannot execute QueryDef - properties not assigned!";
inline constexpr const char* E2006 =
    "TDaoTable.Requery: Invalid number of QueryDef parameters or parameter is not in valid format!";
inline constexpr const char* E2007 = "TDaoTable.GotoCurrent: Tables not point to the same DAO Table object";
inline constexpr const char* E2008 = "TDaoTable.PromptQueryDefParameters: This QueryDef object has NO parameters!";
inline constexpr const char* E2009 =
    "TDaoTable.PromptQueryDefParameters: This QueryDef object has NO INPUT parameters!";
inline constexpr const char* E2010 = "TDaoTable.PromptQueryDefParameters: Cannot obtain QueryDef Parameters";
inline constexpr const char* E2011 = "TDaoTable.F_Set_Database: Cannot set Database while Table is Active!";
inline constexpr const char* E2012 = "TDaoTable.F_Set_TableName: Cannot set TableName while Table is active!";
inline constexpr const char* E2013 = "TDaoTable.F_Set_IndexName: Indexes can be set only on Standard Tables!";
inline constexpr const char* E2014 = "TDaoTable.F_Get_IndexField: Cannot get IndexField while Table is NOT active!";
inline constexpr const char* E2015 = "TDaoTable.F_Set_TableType: Cannot set TableType while Table is active!";
inline constexpr const char* E2016 = "TDaoTable.F_Set_LockType: Cannot set LockType while Table is active!";
inline constexpr const char* E2018 = "TDaoTable.OpenDaoRecordset: Missing Database Property";
inline constexpr const char* E2019 = "TDaoTable.OpenDaoRecordset: Missing TableName or QueryDefName, or SQL is empty!";
inline constexpr const char* E2020 = "TDaoTable.OpenDaoRecordset: Database is NOT connected";
inline constexpr const char* E2021 = "TDaoTable.OpenDaoRecordset: DynamicTables are for ODBC connections only!";
inline constexpr const char* E2022 =
    "TDaoTable.OpenDaoRecordset: Invalid number of QueryDef parameters or parameter is not in valid format!";
inline constexpr const char* E2023 = "TDaoTable.InternalGotoBookmark: Cannot goto Bookmark - Table is not Active";
inline constexpr const char* E2024 = "Invalid Bookmark!";
inline constexpr const char* E2025 = "Bookmarks are not supported!";
inline constexpr const char* E2026 = "Database %s needs to be repaired and compacted!";
inline constexpr const char* E2027 = "Invalid data";
inline constexpr const char* E2058 = "Cannot load data to Table!\r\nTable is not opened!";
inline constexpr const char* E2059 = "Cannot load data to Table!\r\nTable has different structure!";
inline constexpr const char* E2063 = "GetRows cannot be used on filtered dataset based on OnFilterRecord event!";
inline constexpr const char* E2064 = "Cannot Empty ReadOnly table!";
inline constexpr const char* E2065 = "TDaoTable.F_Set_QueryDefName: Cannot set QueryDefName while Table is Active!";
// A table name that would break out of the brackets of a composed statement.
inline constexpr const char* InvalidTableName = "TDaoTable.OpenDaoRecordset: Invalid table name: ";
} // namespace DaoTableMessages
