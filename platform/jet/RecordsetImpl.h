// Recordsets over SQLite.
//
// A recordset is either keyed or copied. A keyed one (table type, and a
// dynaset on one stored table) holds the row ids of its rows in order and
// reads their values from the file as the cursor reaches them, a window of
// rows at a time, so a long walk costs about one pass over the table. A copied
// one (snapshot, forward-only, and a dynaset over joins, groups or unions)
// holds the values of its rows as they were at open.
//
// Filter and Sort make a new recordset whose rows are the parent's rows that
// meet the criteria, in the sort order; criteria are evaluated by SQLite on
// each row's values, so they mean what they mean in a WHERE clause.
#pragma once

#include "platform/jet/EngineImpl.h"

#include <functional>
#include <map>
#include <optional>

namespace jet::impl {

struct FieldInfo {
    std::string Name;
    int Type = dbText;
    int Size = 0;
    int Attributes = 0;
    bool Required = false;
    std::string DefaultValue;
    std::string SourceTable;
    std::string SourceField;
    bool Updatable = false;  // a column of the base table the recordset may write
    bool AutoIncrement = false;
    std::string ColumnName;  // its name in the base table
    std::vector<catalog::PropertyDef> Properties;
};

// The values of one row, where a recordset keeps them.
struct RowView {
    const Variant* Data = nullptr;
    std::size_t Size = 0;
    bool Found = false;  // false: the row is gone from the file
    const Variant& operator[](std::size_t i) const { return Data[i]; }
    std::vector<Variant> Copy() const { return std::vector<Variant>(Data, Data + Size); }
};

// What the rows come from: shared by a recordset, its clones and the
// recordsets derived from it.
struct RecordSource {
    std::shared_ptr<DatabaseImpl> Db;
    std::string Name;
    std::string JetSql;
    int Type = dbOpenDynaset;
    bool Keyed = false;
    int TableId = 0;         // the base table of a keyed recordset
    std::string BaseRef;     // SQLite reference of the base table
    std::string SelectionSql;  // keyed: row id, then the fields; copied: the fields
    std::string FetchSql;      // keyed: the fields of row id ?N
    std::string RangeSql;      // keyed: row id and fields of row ids from ?N on, in order
    std::vector<Variant> Parameters;
    std::vector<FieldInfo> Fields;
    long MaxRecords = 0;
    bool AppendOnly = false;
    // FetchSql prepared once; every use steps it to the end or resets it
    // before returning.
    sqlite::Statement FetchStatement;
    // The row a Seek of this source found last, as read then: a search on a
    // clone is mostly followed by a move of the recordset to that row.
    struct {
        std::int64_t RowId = 0;
        std::uint64_t Generation = 0;
        std::vector<Variant> Values;
    } LastFound;
    // The INSERT and UPDATE statements of Update, prepared once for each
    // set of fields written: the key holds "i" or "u" and a "0" or "1" per
    // field.
    std::map<std::string, sqlite::Statement> WriteStatements;
    // When every field is a column of the base table (a table, or
    // SELECT * of one): the quoted column of each field and what follows the
    // select list ("FROM ..."), so that a range read can take only the
    // fields in use. Empty otherwise.
    std::vector<std::string> FieldColumns;
    std::string RangeFrom;
    std::string RowIdSql = "_rowid_";
};

// A criteria text compiled to a statement over one row's values.
class Criteria {
public:
    Criteria(DatabaseImpl& database, const std::vector<FieldInfo>& fields, const std::string& text);
    // On a connection of the engine's own (any that has its functions).
    Criteria(sqlite::Connection& connection, const std::vector<FieldInfo>& fields, const std::string& text);
    bool Matches(RowView values);
    const std::string& Text() const { return Source; }

private:
    std::string Source;
    sqlite::Statement Statement;
    std::vector<std::size_t> FieldOfParameter;
    // A GUID field's value, held as "{guid {...}}", is compared as its bytes.
    std::vector<bool> GuidField;
};

// A criteria text compiled to a statement over the base table of a keyed
// recordset whose fields are its columns: it answers which rows of a range of
// row ids meet the criteria, so that a search tests a window of rows in one
// step without reading their values. It serves where every field the text
// names is stored as a recordset reads it (texts, long integers, real
// numbers); elsewhere it is not Valid() and rows are tested one by one.
class RangeCriteria {
public:
    RangeCriteria(const RecordSource& source, const std::string& text);
    bool Valid() const { return Statement.Valid(); }
    // The ids from `low` to `high` of the rows that meet the criteria, in
    // ascending order.
    std::vector<std::int64_t> Matching(std::int64_t low, std::int64_t high);

private:
    const RecordSource& Source;
    sqlite::Statement Statement;
};

struct SortStep {
    std::size_t Field;
    bool Descending;
};

// A Filter and Sort laid over the rows of a parent.
struct Derivation {
    std::string Filter;
    std::string Sort;
};

class RecordsetImpl : public Recordset, public EngineObject, public std::enable_shared_from_this<RecordsetImpl> {
public:
    RecordsetImpl(std::shared_ptr<RecordSource> source, std::vector<Derivation> derivations, int type, int options,
                  int lockEdits);
    ~RecordsetImpl() override;

    // Reads the rows (keys or values) for the first time.
    void Load();

    std::string Name() const override;
    int Type() const override;
    Collection<Field>& Fields() override;
    bool ReadValues(Variant* const* values, std::size_t count) const override;
    bool ShareValues(Variant* const* wanted, std::size_t count, const Variant*& row,
                     std::shared_ptr<const void>& owner) const override;
    bool Bof() const override;
    bool Eof() const override;
    long RecordCount() const override;
    long AbsolutePosition() const override;
    void SetAbsolutePosition(long position) override;
    float PercentPosition() const override;
    void SetPercentPosition(float percent) override;
    bool Bookmarkable() const override;
    void ReadBookmark(jet::Bookmark& bookmark) const override;
    bool BookmarkHead(std::int32_t& head) const override;
    void SetBookmark(const jet::Bookmark& bookmark) override;
    jet::Bookmark LastModified() const override;
    void MoveFirst() override;
    void MoveLast() override;
    void MoveNext() override;
    bool Advance() override;
    void MovePrevious() override;
    void Move(long rows) override;
    void Requery() override;
    bool Restartable() const override;
    RecordsetPtr Clone() override;
    void Close() override;
    RecordsetPtr OpenRecordset(int type, int options) override;
    std::string Filter() const override;
    void SetFilter(const std::string& criteria) override;
    std::string Sort() const override;
    void SetSort(const std::string& order) override;
    std::string Index() const override;
    void SetIndex(const std::string& name) override;
    void Seek(const std::string& comparison, const std::vector<Variant>& keys) override;
    bool NoMatch() const override;
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
    int EditMode() const override;
    bool Updatable() const override;
    bool LockEdits() const override;
    void SetLockEdits(bool value) override;
    Variant DateCreated() const override;
    Variant LastUpdated() const override;
    QueryDefPtr CopyQueryDef() override;

    // For the fields.
    // The value held for the current record (valid until the recordset moves
    // or changes).
    const Variant& FieldValue(std::size_t field) const;
    // The current row's values in the window of rows read, where a walk finds
    // them; null when the row is to be read first.
    const Variant* WindowRow() const;
    void SetFieldValue(std::size_t field, const Variant& value);
    long FieldSize(std::size_t field) const;
    const FieldInfo& Info(std::size_t field) const { return Source->Fields[field]; }
    std::size_t FieldCount() const { return Source->Fields.size(); }
    void CheckOpen() const;
    bool IsClosed() const { return Closed; }
    // The database closed under the recordset.
    void Detach();

private:
    // Rows of a keyed recordset read from the file: Count rows from position
    // Start, their values one after the other. Generation 0 means stale.
    struct Window {
        std::size_t Start = 0;
        std::size_t Count = 0;
        // Shared with the records that took their values from the window
        // (ShareValues), so a window refilled while one holds it is filled
        // in another block: the spare one when no record holds it any
        // longer, else a new one.
        std::shared_ptr<std::vector<Variant>> Values = std::make_shared<std::vector<Variant>>();
        std::shared_ptr<std::vector<Variant>> SpareValues;
        std::vector<Variant>& Writable()
        {
            if (Values.use_count() > 1) {
                if (!SpareValues || SpareValues.use_count() > 1)
                    SpareValues = std::make_shared<std::vector<Variant>>();
                std::swap(Values, SpareValues);
            }
            return *Values;
        }
        std::vector<std::uint8_t> Exists;
        std::vector<std::uint8_t> Loaded;  // per field: read into this window
        bool AllLoaded = false;
        std::uint64_t Generation = 0;
    };

    // A keyed recordset on its rows, open, its keys current, no edit
    // pending, no gap: the common case of a walk, which moves and reads
    // without the checks of each call.
    bool Settled() const
    {
        return !Closed && EditState == dbEditNone && !Gap && Keys && Source->Keyed
            && (RecordsetType == dbOpenDynaset
                || (RecordsetType == dbOpenTable && KeysGeneration == Source->Db->Generation()));
    }
    std::size_t Size() const;
    // Settled on a live row: its bookmark is its row id.
    bool SettledOnLiveRow() const
    {
        return Settled() && Pos >= 0 && static_cast<std::size_t>(Pos) < Keys->Size()
            && IsLive(static_cast<std::size_t>(Pos));
    }
    // The common case of a walk, settled on a row whose next entry is live:
    // moves there without the checks of MoveNext. False where those apply.
    bool StepToNextLive();
    bool IsLive(std::size_t position) const;
    long LiveCount() const;
    bool HasCurrent() const;
    void CheckCurrent() const;
    // The first live position at or after `from` (Size() when none), and the
    // last at or before it (-1 when none).
    long NextLive(long from) const;
    long PreviousLive(long from) const;
    void SetPosition(long position);
    void DropPendingEdit();
    void SyncTableKeys() const;
    // The row at a position; a row deleted from the file answers 3167
    // (RowAt) or an empty view (TryRowAt). With a field, only that field's
    // value is sure to be read: a walk reads only the fields in use.
    RowView RowAt(std::size_t position, int field = -1) const;
    RowView TryRowAt(std::size_t position, int field = -1, bool jump = false) const;
    // A jump (a bookmark set) reads the one row it lands on; a walk reads the
    // window of rows around it.
    void FetchWindow(std::size_t position, int field, bool jump = false) const;
    // The lowest and highest row id of the live rows at positions [first,
    // end), when their ids rise and lie close together (a table read in the
    // order rows were added), so that one range scan of the base table reads
    // them; nothing otherwise.
    std::optional<std::pair<std::int64_t, std::int64_t>> IdRange(std::size_t first, std::size_t end) const;
    // The row's values as they are in the file now; empty when it is gone.
    std::vector<Variant> FetchRow(std::int64_t rowId) const;
    // The same into values[0 .. fields - 1]; false when the row is gone.
    bool ReadRow(std::int64_t rowId, Variant* values) const;
    void Forget() const { Cache.Generation = 0; }
    std::int64_t RowIdAt(std::size_t position) const;
    void Rebuild();
    void ApplyDerivations();
    void Find(const std::string& criteria, bool forward, long from);
    void PrepareSeek(const std::string& comparison, std::size_t keys);
    void BindParameters(sqlite::Statement& statement) const;
    void CheckUpdatable() const;
    void LockRow(std::int64_t rowId);
    void UnlockRow();
    // The in-process locks of dbDenyRead and dbDenyWrite on the base table.
    void TakeTable();
    void ReleaseTable();
    void CheckTableWritable() const;
    bool DeniesReading() const;
    // Update's statement of that kind ('i' insert, 'u' update) for the
    // fields written, made by `sql` the first time, reset for binding.
    sqlite::Statement& WriteStatement(char kind, const std::vector<std::size_t>& changed,
                                      const std::function<std::string()>& sql);

    std::shared_ptr<RecordSource> Source;
    std::vector<Derivation> Derivations;
    int RecordsetType;
    int Options;
    int LockType;
    bool ReadOnly = false;
    bool ForwardOnly = false;
    bool Closed = false;
    std::string FilterText;
    std::string SortText;

    // Rows: keys of a keyed recordset or values of a copied one.
    mutable std::shared_ptr<Keyset> Keys;
    mutable std::uint64_t KeysGeneration = 0;
    std::shared_ptr<std::vector<std::vector<Variant>>> Values;
    mutable Window Cache;
    // Fields read through Value since the recordset opened (empty: none yet),
    // and the range statements prepared for such sets of fields.
    mutable std::vector<std::uint8_t> Wanted;
    mutable std::map<std::string, sqlite::Statement> RangeStatements;

    // Cursor: Gap means the cursor stands just before entry Pos, with no
    // current record (after Delete, in a new clone, after a Seek that failed).
    mutable long Pos = -1;
    mutable bool Gap = false;
    mutable std::int64_t GapAnchor = 0;  // table type: the row the gap stands before
    bool NoMatchFlag = false;

    int EditState = dbEditNone;
    std::vector<Variant> EditValues;
    std::vector<bool> EditChanged;
    std::vector<Variant> EditOriginal;
    std::int64_t EditRowId = 0;
    std::int64_t LastModifiedRowId = 0;
    std::int64_t LockedRowId = 0;
    bool TableTaken = false;

    std::string IndexName;
    int CurrentIndexId = 0;
    std::unique_ptr<Collection<Field>> FieldList;
    // The last Seek's statement, kept for the next Seek of the same form.
    struct SeekStatement {
        int IndexId = 0;
        std::string Comparison;
        std::size_t Keys = 0;
        std::vector<int> Types;
        sqlite::Statement Statement;
    };
    SeekStatement LastSeek;
};

// Reads a value of the file as the field type says (into `out`, reusing its
// storage).
Variant FromStorage(const FieldInfo& field, const sqlite::Statement& statement, int column);
void ReadStored(const FieldInfo& field, const sqlite::Statement& statement, int column, Variant& out);
// A field's type guessed from a value, for computed columns.
int TypeOfValue(const Variant& value);
// A value written to a field, in the field's type (3421 when it does not
// convert, 3163 for a text longer than the field, 3349 for a number out of
// its range).
Variant ConvertForField(const FieldInfo& field, const Variant& value);
// The order of two values for Sort: Null first, then numbers, texts
// (without regard to case) and bytes.
int CompareValues(const Variant& a, const Variant& b);
// The WHERE condition of a Seek on an index's (quoted) columns: the first
// `keys` columns compared with the keys as `comparison` says ("=", ">=",
// ">", "<=", "<"), field by field in the index's order and directions.
// `parameter` writes the marker of key k.
std::string SeekCondition(const std::vector<std::string>& columns, const std::vector<bool>& descending,
                          const std::string& comparison, std::size_t keys,
                          const std::function<std::string(std::size_t key)>& parameter);

} // namespace jet::impl
