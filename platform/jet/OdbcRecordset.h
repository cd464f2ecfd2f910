// Recordsets over an ODBC source.
//
// The engine keeps the cursor itself, as the old engine did over ODBC: the
// source's rows are read forward once when the recordset opens, and the
// engine moves among them. What the types add to that:
//  - dbOpenSnapshot and dbOpenForwardOnly: the rows as they were at open,
//    read-only;
//  - dbOpenDynaset: the same rows, each read again by its key when the
//    engine's cache was refreshed since it was read (a window of rows at a
//    time), so changes made by others show and a row deleted meanwhile
//    answers 3167;
//  - dbOpenDynamic: a dynaset whose rows are also found again (the query run
//    anew) when the cache was refreshed, so rows others added or deleted
//    come and go;
//  - dbOpenTable: a dynamic recordset over one table in the order of its
//    current Index (the primary key's when none is set), with Seek.
// A recordset over one table of the source whose rows have a key (its
// primary key, else a unique index of required fields) can be written:
// Edit, AddNew, Update and Delete become UPDATE, INSERT and DELETE
// statements naming the row by its key; Update raises 3197 when the row
// changed at the source since Edit. A row added without its whole key joins
// the recordset when the engine learns the key the source gave it (an
// auto-increment number of SQLite, PostgreSQL, MariaDB or SQL Server), else
// at the next Requery. Any other recordset is read-only.
// Filter, Sort and Find work on the rows read, with the engine's own
// comparison rules.
#pragma once

#include "platform/jet/OdbcDatabase.h"
#include "platform/jet/RecordsetImpl.h"

#include <unordered_map>

namespace jet::impl {

// What an ODBC recordset reads, shared by a recordset, its clones and the
// recordsets opened from it.
struct OdbcQuery {
    std::string Name;
    std::string JetSql;
    std::string Sql;                   // for the driver
    std::vector<Variant> Parameters;   // the values of its markers
    long MaxRecords = 0;
    std::string BaseTable;             // the source's table whose rows the recordset names
    std::vector<FieldInfo> Fields;
    std::vector<SQLSMALLINT> SqlTypes; // the source's type of each field
    std::vector<std::size_t> KeyFields;  // the fields that name a row; empty: read-only
};

struct OdbcRow {
    std::uint32_t Id = 0;          // the bookmark
    std::vector<Variant> Values;
    std::uint64_t ReadAt = 0;      // the database's generation when read
    bool Deleted = false;          // deleted through a recordset of these rows
    bool Gone = false;             // not found at the source when read again
};

// The rows of a recordset in its order, shared with its clones.
struct OdbcRowList {
    std::vector<OdbcRow> Items;
    std::size_t DeletedCount = 0;
};

// Bookmarks of the rows of one query: a row keeps its number while it is
// found again by the same key.
struct OdbcRowNumbers {
    std::uint32_t Next = 1;
    std::unordered_map<std::string, std::uint32_t> ByKey;
    std::uint32_t For(const std::string& key);
};

class OdbcRecordset : public Recordset, public EngineObject, public std::enable_shared_from_this<OdbcRecordset> {
public:
    OdbcRecordset(std::shared_ptr<OdbcDatabaseImpl> database, std::shared_ptr<const OdbcQuery> query,
                  std::vector<Derivation> derivations, int type, int options, int lockEdits);
    ~OdbcRecordset() override;

    // Reads the rows for the first time.
    void Load();

    std::string Name() const override;
    int Type() const override { return RecordsetType; }
    Collection<Field>& Fields() override;
    bool Bof() const override;
    bool Eof() const override;
    long RecordCount() const override;
    long AbsolutePosition() const override;
    void SetAbsolutePosition(long position) override;
    float PercentPosition() const override;
    void SetPercentPosition(float percent) override;
    bool Bookmarkable() const override { return !ForwardOnly; }
    void ReadBookmark(jet::Bookmark& bookmark) const override;
    void SetBookmark(const jet::Bookmark& bookmark) override;
    jet::Bookmark LastModified() const override;
    void MoveFirst() override;
    void MoveLast() override;
    void MoveNext() override;
    void MovePrevious() override;
    void Move(long rows) override;
    void Requery() override;
    bool Restartable() const override { return true; }
    RecordsetPtr Clone() override;
    void Close() override;
    RecordsetPtr OpenRecordset(int type, int options) override;
    std::string Filter() const override { return FilterText; }
    void SetFilter(const std::string& criteria) override;
    std::string Sort() const override { return SortText; }
    void SetSort(const std::string& order) override;
    std::string Index() const override { return IndexName; }
    void SetIndex(const std::string& name) override;
    void Seek(const std::string& comparison, const std::vector<Variant>& keys) override;
    bool NoMatch() const override { return NoMatchFlag; }
    void FindFirst(const std::string& criteria) override;
    void FindLast(const std::string& criteria) override;
    void FindNext(const std::string& criteria) override;
    void FindPrevious(const std::string& criteria) override;
    Variant GetRows(long rows) override;
    void Edit() override;
    void AddNew() override;
    void Update() override;
    void CancelUpdate() override;
    void Delete() override;
    int EditMode() const override { return EditState; }
    bool Updatable() const override;
    // Locks are the source's business: the setting is kept and changes
    // nothing.
    bool LockEdits() const override { return LockType == dbPessimistic; }
    void SetLockEdits(bool value) override;
    // Table-type: Null, as a source does not say; other types raise 3251.
    Variant DateCreated() const override;
    Variant LastUpdated() const override;
    QueryDefPtr CopyQueryDef() override;

    // For the fields.
    std::size_t FieldCount() const { return Query->Fields.size(); }
    bool IsClosed() const { return Closed; }
    // The value held for the current record (valid until the recordset moves
    // or changes).
    const Variant& FieldValue(std::size_t field) const;
    void SetFieldValue(std::size_t field, const Variant& value);
    long FieldSize(std::size_t field) const;
    const FieldInfo& Info(std::size_t field) const { return Query->Fields[field]; }
    void CheckOpen() const;
    // The database closed under the recordset.
    void Detach();

private:
    using Rows = std::vector<OdbcRow>;

    bool Keyed() const { return !Query->KeyFields.empty(); }
    // Values are read again when stale (dynaset, dynamic, table).
    bool Live() const;
    // The rows themselves are found again when stale (dynamic, table).
    bool Moving() const { return RecordsetType == dbOpenDynamic || RecordsetType == dbOpenTable; }
    std::size_t Size() const { return RowList ? RowList->Items.size() : 0; }
    bool IsLive(std::size_t position) const { return !RowList->Items[position].Deleted; }
    long LiveCount() const;
    bool HasCurrent() const;
    void CheckCurrent() const;
    long NextLive(long from) const;
    long PreviousLive(long from) const;
    void SetPosition(long position);
    void DropPendingEdit();

    // Runs the query: the rows it selects now, numbered by key.
    Rows ReadRows() const;
    // Applies Filter and Sort of the recordsets this one was opened from.
    void Derive(Rows& rows) const;
    void Rebuild() const;
    // Dynamic and table type: the rows found again when the cache was
    // refreshed since; the cursor stays on its row.
    void SyncRows() const;
    // The row at a position, read again by key when stale (3167 when it is
    // gone); TryRow answers null instead.
    const OdbcRow& RowAt(std::size_t position) const;
    const OdbcRow* TryRow(std::size_t position) const;
    void Refresh(std::size_t position) const;
    std::vector<Variant> KeyOf(const std::vector<Variant>& values) const;
    std::string KeyText(const std::vector<Variant>& key) const;
    // The stored values of the row with that key; empty when it is gone.
    std::vector<Variant> FetchRow(const std::vector<Variant>& key) const;
    std::string KeyCondition(std::size_t rows) const;
    std::string SelectColumns() const;
    void ReadFetched(odbc::Statement& statement, std::vector<Variant>& values) const;
    long PositionOfId(std::uint32_t id) const;
    void Find(const std::string& criteria, bool forward, long from);
    void CheckUpdatable() const;
    std::vector<Variant> InsertedKey(const std::vector<std::size_t>& given);
    Variant DefaultOf(const FieldInfo& field) const;

    std::shared_ptr<OdbcDatabaseImpl> Db;
    std::shared_ptr<const OdbcQuery> Query;
    std::vector<Derivation> Derivations;
    std::shared_ptr<OdbcRowNumbers> Numbers;
    int RecordsetType;
    int Options;
    int LockType;
    bool ReadOnly = false;
    bool ForwardOnly = false;
    bool Closed = false;
    std::string FilterText;
    std::string SortText;
    std::string IndexName;
    std::string IndexOrder;  // table type: the ORDER BY of the current index

    mutable std::shared_ptr<OdbcRowList> RowList;
    mutable std::uint64_t RowsReadAt = 0;
    mutable long Pos = -1;
    mutable bool Gap = false;
    bool NoMatchFlag = false;

    int EditState = dbEditNone;
    std::vector<Variant> EditValues;
    std::vector<bool> EditChanged;
    std::vector<Variant> EditOriginal;
    std::uint32_t EditId = 0;
    std::uint32_t LastModifiedId = 0;

    std::unique_ptr<Collection<Field>> FieldList;
};

// Opens a recordset on a statement of the source.
RecordsetPtr OpenOdbcRecordset(std::shared_ptr<OdbcDatabaseImpl> database, const std::string& jetSql,
                               const std::string& name, const odbc::OdbcStatement& statement,
                               const std::vector<Variant>& parameters, int type, int options, int lockEdits,
                               long maxRecords);

} // namespace jet::impl
