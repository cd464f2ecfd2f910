// The table component: a dataset over a recordset of the engine layer
// (platform/jet), on a database component (TDaoDatabase). It names its
// source in one of three ways, which exclude each other: a table name
// (TableName), SQL text (SQL, with ":name" parameters) or a stored query of
// the database (QueryDefName). Opening it opens a recordset of the chosen
// type (TableType), lock type and options; from then on the dataset
// interface (First, Next, FieldByName, Edit, Append, Post, Delete, Close)
// works on it. It also runs action SQL and stored queries, saves and loads
// its records as a stream, reports bookmarks, counts and record numbers,
// changes the definition of its stored table, gives memo and binary values
// as streams (DaoBlobStream.h), and exports its rows to files of other
// formats.
//
// Records. A record buffer (TDaoRecordBuffer) holds no native field values:
// each field's value is a text, one per field definition, with a mark saying
// whether it was changed since the record was read (the encodings are in
// DaoTableValues.h: numbers in decimal, dates as "day milliseconds", GUIDs
// as "{guid {...}}", an empty text for Null, memos and blobs as their size
// unless cached, their content then read through the blob stream). The
// texts are converted only where a field reads or writes its value
// (GetFieldData, SetFieldData and their native forms), so a buffer fits
// memos, blobs and GUIDs of any length. A number or Boolean read from the
// database keeps the engine's value until its text is asked for (TDaoValue),
// and a field read as its own type takes that value where its text would
// read back as the same. A buffer also keeps the record's position in the
// recordset and its record handle: the first four bytes of the engine's
// bookmark, little-endian, 0 for none; the handle is the dataset's 4-byte
// bookmark.
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
#include "platform/db/TDataSource.h"
#include "platform/db/TParams.h"
#include "platform/jet/Jet.h"
#include "platform/system/TStringList.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// One field value of a record: its text and whether it changed since the
// record was read. A number, Boolean or text read from the database is kept
// as the engine gave it, and its text (the engine's conversion of the value,
// the same whenever it is made) is made when first asked for: a walk that
// reads numbers as numbers neither writes nor parses texts, and a text is
// copied once, from the engine's value to the reader. The value kept is the
// value's own copy or one the engine shares with the record (Share), which
// the record's Owner keeps alive.
class TDaoValue {
public:
    TDaoValue() = default;
    TDaoValue(std::string text, bool changed)
        : Changed(changed)
        , FText(std::move(text))
    {
    }

    const std::string& Text() const
    {
        if (FKept && !FTextMade) {
            KeptValue().AssignString(FText);
            FTextMade = true;
        }
        return FText;
    }
    // The text into `text`, without keeping a copy here.
    void CopyText(std::string& text) const
    {
        if (FKept && !FTextMade)
            KeptValue().AssignString(text);
        else
            text = FText;
    }
    // Null: the empty text.
    bool Empty() const { return FKept ? KeptValue().VarType() == jet::varString && Text().empty() : FText.empty(); }
    void SetText(std::string text)
    {
        FText = std::move(text);
        FKept = false;
        FShared = nullptr;
    }
    // The text the engine's value converts to, made now.
    void SetTextOf(const jet::Variant& value)
    {
        value.AssignString(FText);
        FKept = false;
        FShared = nullptr;
    }
    // Keeps a value of the engine that KeepsValue takes; the text follows
    // when asked for.
    void Keep(const jet::Variant& value)
    {
        FEngineValue = value;
        Keep();
    }
    // The same for the value the engine read into EngineValue().
    void Keep()
    {
        FKept = true;
        FTextMade = false;
        FShared = nullptr;
    }
    // The same for a value the engine shares with the record, which must
    // outlive this value or its next change.
    void Share(const jet::Variant& value)
    {
        FKept = true;
        FTextMade = false;
        FShared = &value;
    }
    // A shared value becomes this value's own.
    void Unshare()
    {
        if (!FShared)
            return;
        FEngineValue = *FShared;
        FShared = nullptr;
    }
    // Where the engine reads a value to keep, then taken by Keep(); until
    // then the value stays what it was while its text is what counts.
    jet::Variant& EngineValue() { return FEngineValue; }
    // The kept value, or null when the text is all there is.
    const jet::Variant* Kept() const { return FKept ? &KeptValue() : nullptr; }
    // Numbers and Booleans the engine gives (varSmallint, varInteger,
    // varByte, varInt64, varDouble, varCurrency, varBoolean) and texts: those
    // whose text is the variant's own conversion, which never fails.
    static bool KeepsValue(const jet::Variant& value)
    {
        switch (value.VarType()) {
        case jet::varSmallint:
        case jet::varInteger:
        case jet::varByte:
        case jet::varInt64:
        case jet::varDouble:
        case jet::varCurrency:
        case jet::varBoolean:
        case jet::varString:
            return true;
        default:
            return false;
        }
    }

    bool Changed = false;

private:
    const jet::Variant& KeptValue() const { return FShared ? *FShared : FEngineValue; }

    jet::Variant FEngineValue;
    const jet::Variant* FShared = nullptr;
    mutable std::string FText;
    bool FKept = false;
    mutable bool FTextMade = false;
};

struct TDaoRecordBuffer : TRecordBuffer {
    // Zero-based position in the recordset when the record was read; -1 for
    // a record being inserted.
    int Position = -1;
    // One value per field definition, in field-definition order.
    std::vector<TDaoValue> Values;
    // The first four bytes of the record's bookmark; 0 for none.
    std::int32_t Handle = 0;
    // Keeps alive the values the engine shares with the record's values.
    std::shared_ptr<const void> Owner;
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

// One key value of a search, as text, and whether it stands for Null. A Null
// value reads "NULL" where a caller sees the list, but only the mark makes it
// Null: a real text "NULL" is searched as that text.
struct TDaoKeyValue {
    std::string Text;
    bool Null = false;
};
using TDaoKeyValues = std::vector<TDaoKeyValue>;
// The key values of a variant: one per element of an array (low to high
// bound), else one.
TDaoKeyValues KeyValuesOf(const jet::Variant& value);

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
    // The stored query's type name ("dbQSelect", ...); empty without one.
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
    // The filter laid on the recordset, with the master/detail restriction.
    std::string ComposeFilter();
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

    // --- Opening and closing ---
    // The field (InitFieldDefs) and index definitions read from the engine;
    // on a closed table the recordset is opened for the call and closed again.
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

    // --- Table definitions (DaoTableSchema.cpp) ---
    // Each changes the stored table TableName through the database
    // component; the table must be closed and its database connected.
    // CreateField, DeleteField and DeleteIndex answer false when the engine
    // refuses; CreateIndex passes on what the database raises. DeleteIndex
    // removes the indexes whose first field is the field, DeleteField the
    // indexes holding the field and then the field.
    bool CreateField(const std::string& fieldName, int daoFieldType, int fieldSize);
    bool CreateIndex(const std::string& fieldName, int indexOptions);
    bool DeleteField(const std::string& fieldName);
    bool DeleteIndex(const std::string& fieldName);
    // Deletes every record through the dataset's Delete (its events fire for
    // each), in batch mode; true when no record is left. Records deleted
    // before an error stay deleted.
    bool EmptyTable();
    // A new stored table TableName from FieldDefs and IndexDefs, or the
    // fields and indexes added to the existing one (TDaoTableManager); the
    // table must be closed.
    void CreateTable();
    void AppendTable();

    // --- Blobs (DaoBlobStream.cpp) ---
    // A TDaoBlobStream over the field's value in the active record.
    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
    // The content of an engine value of the field: a memo's text, or at most
    // `size` bytes of a byte array; empty for Null, Empty or a size of 0.
    static std::string BlobToString(const TField& field, const jet::Variant& value, int size);
    // The engine value of a content: a text for a memo, else a byte array.
    static jet::Variant StringToBlob(const TField& field, const std::string& value);

    // --- Export (DaoTableExport.cpp) ---
    // Each writes the open table's rows (its visible fields, or every column
    // with ExportMethod AllFields; blob fields only with exportBlobs; the
    // rows Filter accepts while Filtered) into a new file of another format
    // with one "SELECT ... INTO" statement run by ExecSQL. With deleteOld the
    // old output is removed first. A table made from SQL text exports
    // through a temporary stored query, removed afterwards. Names holding "]"
    // or a double quote are refused before anything changes.
    void AccessExportToTXT(const std::string& fileName, bool exportBlobs, bool deleteOld);
    void AccessExportToHTML(const std::string& fileName, bool exportBlobs, bool deleteOld);
    // Versions 3, 4, 5; any other writes an Excel 8.0 workbook.
    void AccessExportToExcel(const std::string& fileName, const std::string& sheetName, int excelVersion,
                             bool exportBlobs, bool deleteOld);
    // Versions 3, 4, 5, 7.
    void AccessExportToParadox(const std::string& fileName, int paradoxVersion, bool exportBlobs, bool deleteOld);
    // Versions 3 (dBase III), 4 (dBase IV), 5 (dBase 5.0).
    void AccessExportToDBase(const std::string& fileName, int dBaseVersion, bool exportBlobs, bool deleteOld);
    // Versions 20, 25, 26, 30 (FoxPro 2.0 to 3.0).
    void AccessExportToFoxPro(const std::string& fileName, int foxProVersion, bool exportBlobs, bool deleteOld);
    // Into the table `tableName` of the database file `databaseName`; with
    // deleteOld that table is dropped first (a failure there is ignored).
    void AccessExportToMDB(const std::string& databaseName, const std::string& tableName, bool exportBlobs,
                           bool deleteOld);

    // --- The database component's view of the table ---
    void CloseByDatabase() override;
    void SetReadOnly(bool value) override { F_Set_ReadOnly(value); }
    bool IsEmpty() const override { return TDataSet::IsEmpty(); }
    bool PlacedByBookmark() const override { return FBookmarkable; }

    // The record handle of a recordset's current record, or of its last
    // added or changed record; 0 without one.
    static std::int32_t GetDaoBookMark(const jet::Recordset& recordset);
    static std::int32_t GetDaoLastModifiedBookMark(const jet::Recordset& recordset);

    // --- Searches (DaoTableLocate.cpp) ---
    // Locate makes current the first record whose key fields hold the key
    // values: by an index Seek on a table-type recordset, by FindFirst with a
    // criteria text on other recordsets with bookmarks, record by record on
    // the rest. It searches nothing (false) on an empty table, in batch mode,
    // under OnFilterRecord or a range, or without a connected database.
    bool Locate(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options) override;
    // The result fields of the first matching record, read through a filtered
    // copy of the recordset; the table does not move.
    jet::Variant Lookup(const std::string& keyFields, const jet::Variant& keyValues,
                        const std::string& resultFields) override;
    void RefreshLookups();
    // The engine's FindFirst (1), FindLast (2), FindNext (3) or FindPrevious
    // (4), seen from the current record; the record found becomes current.
    bool Find(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options, int searchKind);
    bool Find_First(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options);
    bool Find_Last(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options);
    bool Find_Next(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options);
    bool Find_Prior(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options);
    // The search of the dataset's generic FindFirst, FindLast, FindNext and
    // FindPrior.
    void SetFindData(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options);
    bool FindRecord(bool restart, bool goForward) override;
    // The first record whose texts begin with the values (any case), else
    // the next one after the current record.
    bool Find_NearestEx(const std::string& keyFields, const jet::Variant& keyValues);
    // The key fields of Find_Nearest, ";"-separated.
    void SetKeyFields(const std::string& keyFields);
    bool Find_Nearest(const std::vector<jet::Variant>& values);

    // --- Key buffers, ranges and index seeks (DaoTableRange.cpp) ---
    // Key state: field writes go to the key buffer (SetKey empties it first,
    // EditKey keeps it) until GotoKey or GotoNearest searches for them.
    void SetKey();
    void EditKey();
    void ClearKey();
    void CancelKey();
    // The key of the next GotoKey or GotoNearest outside key state.
    void SetKeyParam(const std::vector<std::string>& fieldNames, const std::vector<jet::Variant>& values);
    bool GotoKey();
    void GotoNearest();
    // A range: both bounds written in key state, then applied; while it is
    // applied only the records within both bounds (each field that a bound
    // sets, inclusive) are shown.
    void SetRangeStart();
    void SetRangeEnd();
    void EditRangeStart();
    void EditRangeEnd();
    void ApplyRange();
    void CancelRange();
    // Both bounds through the fields of the current index, in index order.
    void SetRange(const std::vector<jet::Variant>& startValues, const std::vector<jet::Variant>& endValues);
    // Empties the key buffer or a bound.
    void ClearRange(TKeyType buffer);
    bool RangeApplied() const { return FRangeApplied; }
    bool FilterRange(const TDaoRecordBuffer& record);
    // Negative, 0 or positive as the record lies below, within or above a
    // bound (mode 1 the start, 2 the end) on the fields the bound sets.
    int CompareRecordsRange(const TDaoRecordBuffer& record, const TDaoRecordBuffer* bound, int mode);
    // Two value texts of a field type compared as values of that type.
    static int CompareFieldsRange(const std::string& a, const std::string& b, TFieldType fieldType);
    // An index Seek on a clone with the values of the current index's
    // fields; the record found becomes current.
    bool Seek_NearestEx(const std::vector<jet::Variant>& keyValues, const std::string& comparison);
    bool FindKey(const std::vector<jet::Variant>& keyValues);
    bool FindKeyEx(const std::vector<jet::Variant>& keyValues);
    bool Seek_Nearest(const std::vector<jet::Variant>& keyValues);
    void FindNearest(const std::vector<jet::Variant>& keyValues);

    // --- Conditions and index queries (DaoTableConditions.cpp) ---
    // Criteria texts of the engine's SQL for key fields and values: terms
    // "(field  = value)" joined by " AND ". Values are checked against their
    // field's type, so no value can change the condition's meaning. They may
    // rewrite the value texts (dates normalised, lower case).
    std::string BuildKeySQL(const TStringList& keyFields, TDaoKeyValues& keyValues);
    std::string BuildLocateSQL(const TStringList& keyFields, TDaoKeyValues& keyValues, TLocateOptions options);
    // The detail fields equal to the master's current values.
    std::string BuildDetailSQL();
    std::string GetFieldIndexName(const std::string& fieldName);
    bool CheckFieldsInIndex(const TStringList& fields);
    static std::string GetUniqueIndexFields(TDaoTable& table);
    static bool IsFieldUniqueIndex(TDaoTable& table, const std::string& fieldName);

    // --- Master/detail link (DaoTableMasterDetail.cpp) ---
    // MasterFields: lines "detail field -> master field", or one line of
    // ";"-separated names that both tables share.
    TDataSource* MasterSource() const { return FMasterLink.DataSource(); }
    void F_Set_MasterSource(TDataSource* value);
    const TStringList& MasterFields() const { return FMasterFields; }
    void F_Set_MasterFields(const TStringList& value);
    void F_ProcessMasterFields(const TStringList& value);
    std::string InsertSQLString(const std::string& condition) const;
    void MasterDatasetChanged();
    void RefreshQueryParams();
    void UpdateFromMaster();
    void F_Set_Master(const TStringList& value) { FMasterFieldList.Assign(value); }
    void F_Set_Detail(const TStringList& value) { FDetailFieldList.Assign(value); }
    const TStringList& MasterFieldList() const { return FMasterFieldList; }
    const TStringList& DetailFieldList() const { return FDetailFieldList; }
    bool DetailSuspended() const { return FDetailSuspended; }
    TDataSource* GetDataSource() const override { return MasterSource(); }

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
    // With `append` the cursor goes after the last record and the buffer is
    // flagged so before the post.
    void InternalAddRecord(TRecordBuffer& buffer, bool append) override;
    void InternalCancel() override;
    void InternalDelete() override;
    void InternalRefresh() override;
    bool GetFieldData(const TField& field, std::string* value) override;
    void SetFieldData(TField& field, const std::string* value) override;
    bool GetNativeFieldData(const TField& field, void* buffer) override;
    void SetNativeFieldData(TField& field, const void* buffer) override;
    TRecordBuffer* GetActiveRecordBuffer() final;
    void GetBookmarkData(const TRecordBuffer& buffer, TBookmark& bookmark) override;
    // The buffer's record handle := the bookmark's four bytes.
    void SetBookmarkData(TRecordBuffer& buffer, const TBookmark& bookmark) override;
    // In batch mode, while controls are disabled, flagging a buffer after the
    // last record or inserted also sets the post-in-progress mark, so that
    // GetRecord fetches no neighbouring records until the post is over.
    void SetBookmarkFlag(TRecordBuffer& buffer, TBookmarkFlag value) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    // The record header and the calculated-field area.
    int GetRecordSize() const override;
    // Shown in the application's standard error box.
    void InternalHandleException() override;

    void DoOnNewRecord() override;
    void InternalInitFieldDefs() override;
    void InternalInitIndexDefs();
    void InternalSetDisplayLabels();
    void InternalClearBookmarks();
    bool InternalFillRecordData(jet::Recordset& recordset, bool useFieldArray, TDaoRecordBuffer& buffer);
    // FFieldReads for the open fields, cache settings and encrypter, and
    // the fill's scratch values and read targets sized to match.
    void PlanFieldReads();
    bool FilterRecord(TDaoRecordBuffer& buffer);
    bool GetCurrentRecord(TDaoRecordBuffer& buffer);
    // The text `source` copied into `dest`; with Translation on, converted
    // between UTF-8 and the user's OEM code page (to it with toOem) instead.
    // Answers the length of `dest`; with Translation on, 0 for a null source
    // or one that is `dest`'s own text, which is left alone.
    int Translate(const char* source, std::string& dest, bool toOem);

private:
    friend class TDaoIndexDefs;
    friend class TDaoBlobStream;

    // The checks every single-object schema method makes (DaoTableSchema.cpp).
    struct SchemaChecks;
    void CheckSchemaChange(const SchemaChecks& checks) const;
    // The export family's shared road (DaoTableExport.cpp): the source, the
    // column list, the statement built by `firstLine` (given the column
    // list and the source name), the filter, ExecSQL and the clean-up.
    void RunExport(bool exportBlobs, bool leaveOutMemos, bool bracketTemporaryQuery,
                   const std::function<std::string(const std::string& columns, const std::string& source)>& firstLine);
    // The members that write one file per table (Paradox, dBase, FoxPro).
    void ExportToTableFiles(const char* method, const std::string& fileName, const std::string& type,
                            std::initializer_list<const char*> oldExtensions, bool leaveOutMemos, bool exportBlobs,
                            bool deleteOld);

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
    TDaoRecordBuffer* ActiveDaoBuffer() { return static_cast<TDaoRecordBuffer*>(GetActiveRecordBuffer()); }
    // The field objects of the open recordset, by field definition.
    jet::Field* FieldObject(int index) const;
    // The field object of field definition `index` while open, or null.
    TField* DefinitionField(int index) const
    {
        return index >= 0 && index < static_cast<int>(FDefinitionFields.size())
            ? FDefinitionFields[static_cast<std::size_t>(index)]
            : nullptr;
    }
    // The value of the field in the buffer of the present state, or null.
    // Inline: every read of a field's value starts here.
    TDaoValue* FieldValue(const TField& field)
    {
        TDaoRecordBuffer* record = FCursorOpen ? ActiveDaoBuffer() : nullptr;
        const auto line = static_cast<std::size_t>(field.FieldNo() - 1);
        return record && line < record->Values.size() ? &record->Values[line] : nullptr;
    }
    // GetFieldData of the fields that are not strings, which read a value
    // other than the text kept.
    bool GetFieldDataOfOtherTypes(const TField& field, const TDaoValue* stored, std::string* value);
    // Stores the text as the field's changed value once the field's
    // OnValidate accepts it; read-only fields keep theirs outside the
    // set-key state.
    void StoreFieldText(TField& field, const std::string& text);
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
    // A dynaset requeried when another connection committed since it was
    // read, so that a scan from the first record sees that connection's new
    // and changed records.
    void FollowCommitsElsewhere();
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
    // Set for the length of a post (and in batch mode from the moment a new
    // record is flagged): GetRecord's batch shortcut reads it.
    bool FPostInProgress = false;
    // When the database last idled for this table (ms of the coarse
    // monotonic clock; -1 never).
    long long FLastIdle = -1;
    // What a record fill reads the values that need converting and each
    // bookmark into, and where it reads each value, reused from record to
    // record.
    std::vector<jet::Variant> FFetchedValues;
    // The block of values the recordset last shared with a record, kept
    // from fill to fill so that a record filled from the same block as the
    // one before counts no owner up or down.
    std::shared_ptr<const void> FSharedValues;
    std::vector<jet::Variant*> FReadTargets;
    // How a record fill reads each field definition's value, planned once
    // per open rather than at every record: not at all (no field object),
    // as the size of a blob not cached, into the record itself (no
    // conversion that could fail), or into FFetchedValues to be converted,
    // so that a conversion that fails leaves the record's value as it was.
    enum class TFieldRead : std::uint8_t { None, Size, Record, Scratch };
    std::vector<TFieldRead> FFieldReads;
    jet::Bookmark FBookmarkBytes;
    // The database's count of other connections' commits when the
    // recordset was last read (CommitsElsewhere).
    std::uint64_t FCommitsElsewhereSeen = 0;

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

    // --- Searches, keys, ranges and the master/detail link ---
    // A successful search: the record found on a clone, or on the table's
    // own recordset, becomes current.
    void MoveToFound(jet::Recordset& found, TResyncModes resync);
    // The recordset an index search runs on: the table's own when it is
    // ordered by that index and no edit is pending (then `own` is set, and a
    // failed search must put it back), else the search clone.
    jet::Recordset& IndexSearchRecordset(const std::string& indexName, bool& own);
    // The clone that index searches of a table-type recordset run on, set to
    // `indexName`, and the names of that index's fields; both kept from
    // search to search while the recordset stays the same, so that a search
    // costs the engine one seek. ForgetSearchClone closes the clone.
    jet::Recordset& SearchClone(const std::string& indexName);
    const std::vector<std::string>& SearchIndexFields(const std::string& indexName);
    void ForgetSearchClone();
    bool LocateBySeek(const TStringList& fields, TDaoKeyValues& values, TLocateOptions options,
                      const std::string& indexName);
    bool LocateByScan(const TStringList& fields, const TDaoKeyValues& values, TLocateOptions options);
    std::string LocateIndexName(const std::string& keyFields);
    void EnterKeyState(TDaoRecordBuffer* buffer, bool clear);
    void EmptyKeyBuffer(TDaoRecordBuffer& buffer);
    // The stored key from the active key buffer's non-empty slots.
    void KeyParamsFromBuffer(bool separatorAfterEach);
    bool SearchKeyParams();
    // Builds a condition; `unsupported` is the message for a value that
    // does not fit its field.
    std::string BuildCondition(const TStringList& keyFields, TDaoKeyValues& keyValues, TLocateOptions options,
                               bool locate, const char* unsupported);
    // Opens a closed master when MasterAutoActivate asks for it, and notes
    // whether the master restriction applies.
    void ActivateMaster();
    void ApplyDetailRestriction(int type);
    void MasterChanged();
    void MasterDisabled();

    struct TSearchCloneState {
        std::weak_ptr<jet::Recordset> Of;  // the recordset it serves
        jet::RecordsetPtr Clone;
        std::string CloneIndex;
        std::string FieldsIndex;
        std::vector<std::string> IndexFields;
    } FSearch;
    std::string FFindFields;
    jet::Variant FFindValues = jet::Variant::Null();
    TLocateOptions FFindOptions = 0;
    TStringList FKeyFieldList;
    std::string FKeyParamFields;
    jet::Variant FKeyParamValues = jet::Variant::Null();
    TMasterDataLink FMasterLink{*this, [this] { MasterChanged(); }, [this] { MasterDisabled(); }};
    TStringList FMasterFields;
    TStringList FMasterFieldList;
    TStringList FDetailFieldList;
};

template <class T>
bool TDaoTable::PropertyExists(const jet::Collection<T>& collection, const std::string& name)
{
    for (int i = 0, n = collection.Count(); i < n; ++i)
        if (jet::SameName(jet::NameOf(*collection.Item(i)), name))
            return true;
    return false;
}

namespace Daotable {
// Registers TDaoTable on the component palette's page "Data Access", so that
// it can be created by its class name (platform/db/ComponentRegistry.h).
void Register();
} // namespace Daotable

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
inline constexpr const char* E2028 = "Unable to build Key SQL!";
inline constexpr const char* E2029 = "Unable to build Lookup Key SQL!";
inline constexpr const char* E2030 = "The number of Master and Detail fields must be equal!";
inline constexpr const char* E2031 = "Unable to build Master/Detail SQL Relationship!";
inline constexpr const char* E2032 = "Number of elements in the KeyValues array must be equal to the number of fields.";
inline constexpr const char* E2033 = "Too many seek keys! Maximum is 13!";
inline constexpr const char* E2034 = "ResultFields are not defined";
inline constexpr const char* E2035 = "TDaoTable.CreateField: TableName property must be set!";
inline constexpr const char* E2036 = "TDaoTable.CreateField: Database property must be set!";
inline constexpr const char* E2037 = "TDaoTable.CreateField: Database is NOT connected!";
inline constexpr const char* E2038 = "TDaoTable.CreateField: Table must be in Inactive state to add fields!";
inline constexpr const char* E2039 = "TDaoTable.CreateIndex: TableName property must be set!";
inline constexpr const char* E2040 = "TDaoTable.CreateIndex: Database property must be set!";
inline constexpr const char* E2041 = "TDaoTable.CreateIndex: Database is not connected!";
inline constexpr const char* E2042 = "TDaoTable.CreateIndex: Cannot create Index while table is Active!";
inline constexpr const char* E2043 = "TDaoTable.DeleteField: TableName property must be set!";
inline constexpr const char* E2044 = "TDaoTable.DeleteField: Database property must be set!";
inline constexpr const char* E2045 = "TDaoTable.DeleteField: Database is not connected!";
inline constexpr const char* E2046 = "TDaoTable.DeleteField: Cannot delete field while table is Active!!";
inline constexpr const char* E2047 = "TDaoTable.DeleteIndex: TableName property must be set!";
inline constexpr const char* E2048 = "TDaoTable.DeleteIndex: Database property must be set!";
inline constexpr const char* E2049 = "TDaoTable.DeleteIndex: Cannot delete index while table is Active!!";
inline constexpr const char* E2050 = "TDaoTable.DeleteIndex: Database is not connected!";
inline constexpr const char* E2056 = "Cannot write to ReadOnly table!";
inline constexpr const char* E2058 = "Cannot load data to Table!\r\nTable is not opened!";
inline constexpr const char* E2059 = "Cannot load data to Table!\r\nTable has different structure!";
inline constexpr const char* E2063 = "GetRows cannot be used on filtered dataset based on OnFilterRecord event!";
inline constexpr const char* E2064 = "Cannot Empty ReadOnly table!";
inline constexpr const char* E2065 = "TDaoTable.F_Set_QueryDefName: Cannot set QueryDefName while Table is Active!";
inline constexpr const char* E2066 = "Cannot create new Table while Table is Active!";
inline constexpr const char* E2067 = "Cannot create new Table - TableName is missing!";
inline constexpr const char* E2068 = "Cannot append Table while Table is Active!";
inline constexpr const char* E2069 = "Cannot append Table - TableName is missing!";
inline constexpr const char* ExportNotOpen = "Table must be open in order to export data!";
inline constexpr const char* ExportFileNameEmpty = "FileName is empty!";
inline constexpr const char* E2057 = "Circular links not allowed!";
inline constexpr const char* E2062 =
    "Index Property is Empty!\r\nYou must set an index before using Locate with StandardTables";
inline constexpr const char* E2070 = "Invalid field name: ";
// SetRange with more values than the current index has fields (or no index).
inline constexpr const char* NoRangeIndexField = "TDaoTable.SetRange: The index has no field for value ";
// A table name that would break out of the brackets of a composed statement.
inline constexpr const char* InvalidTableName = "TDaoTable.OpenDaoRecordset: Invalid table name: ";
} // namespace DaoTableMessages
