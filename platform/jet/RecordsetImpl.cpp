#include "platform/jet/RecordsetImpl.h"

#include "platform/jet/Collation.h"
#include "platform/jet/DecimalText.h"
#include "platform/jet/RecordsetField.h"
#include "platform/system/DateTime.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <unordered_map>

namespace jet::impl {
namespace {

constexpr std::size_t WindowRows = 1024;
// Find tests rows through a statement of their own (RangeCriteria) when it
// has more rows than this to test: preparing one costs about as much as
// testing that many rows one by one.
constexpr long RowsWorthAStatement = 32;

bool KeyedType(int type)
{
    return type == dbOpenTable || type == dbOpenDynaset;
}

std::string RecordsetSource()
{
    return "DAO.Recordset";
}

[[noreturn]] void NoCurrentRecord()
{
    Raise(errNoCurrentRecord, "No current record.", RecordsetSource());
}

[[noreturn]] void RecordDeleted()
{
    Raise(errRecordDeleted, "Record is deleted.", RecordsetSource());
}

void EncodeBookmark(std::int64_t key, jet::Bookmark& bytes)
{
    const bool wide = key > INT32_MAX || key < INT32_MIN;
    bytes.resize(wide ? 8 : 4);
    auto rest = static_cast<std::uint64_t>(key);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(rest & 0xFF);
        rest >>= 8;
    }
}

jet::Bookmark EncodeBookmark(std::int64_t key)
{
    jet::Bookmark bytes;
    EncodeBookmark(key, bytes);
    return bytes;
}

std::int64_t DecodeBookmark(const jet::Bookmark& bookmark)
{
    if (bookmark.size() != 4 && bookmark.size() != 8)
        Raise(errNotValidBookmark, "Not a valid bookmark.", RecordsetSource());
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bookmark.size(); ++i)
        value |= static_cast<std::uint64_t>(bookmark[i]) << (8 * i);
    if (bookmark.size() == 4)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return static_cast<std::int64_t>(value);
}

} // namespace

// Asked on every step of a walk: defined first, so that they inline.
inline std::size_t RecordsetImpl::Size() const
{
    if (Source->Keyed && KeyedType(RecordsetType))
        return Keys ? Keys->Size() : 0;
    return Values ? Values->size() : 0;
}

inline bool RecordsetImpl::IsLive(std::size_t position) const
{
    return !(Keys && Source->Keyed && KeyedType(RecordsetType) && Keys->IsDeleted(position));
}

inline long RecordsetImpl::LiveCount() const
{
    if (Source->Keyed && KeyedType(RecordsetType))
        return Keys ? static_cast<long>(Keys->Size() - Keys->DeletedCount) : 0;
    return static_cast<long>(Size());
}

inline std::int64_t RecordsetImpl::RowIdAt(std::size_t position) const
{
    return Keys->RowIds[position];
}

std::string SeekCondition(const std::vector<std::string>& columns, const std::vector<bool>& descending,
                          const std::string& comparison, std::size_t keys,
                          const std::function<std::string(std::size_t key)>& parameter)
{
    const bool forward = comparison == "=" || comparison == ">=" || comparison == ">";
    const bool strict = comparison == ">" || comparison == "<";
    std::string condition;
    if (comparison == "=") {
        for (std::size_t k = 0; k < keys; ++k)
            condition += (k ? " AND " : "") + columns[k] + " = " + parameter(k);
        return condition;
    }
    // Beyond the key in the direction of the search, field by field.
    std::vector<std::string> terms;
    for (std::size_t k = 0; k < keys; ++k) {
        std::string term;
        for (std::size_t j = 0; j < k; ++j)
            term += columns[j] + " = " + parameter(j) + " AND ";
        const bool greater = forward != descending[k];
        term += columns[k] + (greater ? " > " : " < ") + parameter(k);
        terms.push_back("(" + term + ")");
    }
    if (!strict) {
        std::string equal;
        for (std::size_t k = 0; k < keys; ++k)
            equal += (k ? " AND " : "") + columns[k] + " = " + parameter(k);
        terms.push_back("(" + equal + ")");
    }
    for (std::size_t t = 0; t < terms.size(); ++t)
        condition += (t ? " OR " : "") + terms[t];
    return condition;
}

int CompareValues(const Variant& a, const Variant& b)
{
    if (a.IsClear() || b.IsClear())
        return (a.IsClear() ? 0 : 1) - (b.IsClear() ? 0 : 1);
    const bool textA = a.VarType() == varString;
    const bool textB = b.VarType() == varString;
    if (textA && textB)
        return CompareText(a.AsString(), b.AsString());
    if (a.IsArray() || b.IsArray()) {
        const std::string x = a.IsArray() ? a.AsBytes() : VarToStr(a);
        const std::string y = b.IsArray() ? b.AsBytes() : VarToStr(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (textA != textB)
        return textA ? 1 : -1;
    if (a.VarType() == varCurrency && b.VarType() == varCurrency) {
        const std::int64_t x = a.AsCurrencyScaled();
        const std::int64_t y = b.AsCurrencyScaled();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const double x = a.AsDouble();
    const double y = b.AsDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
}

namespace {

// Rows locked by pessimistic edits in this process: (file, table, row) ->
// the recordset that holds the lock.
struct RowLock {
    std::string File;
    int Table;
    std::int64_t Row;
    bool operator<(const RowLock& other) const
    {
        return std::tie(File, Table, Row) < std::tie(other.File, other.Table, other.Row);
    }
};

std::map<RowLock, const void*>& RowLocks()
{
    static std::map<RowLock, const void*> locks;
    return locks;
}

[[noreturn]] void RaiseLocked()
{
    Raise(errLocked, "Couldn't update; currently locked by user 'Admin' on machine 'localhost'.", RecordsetSource());
}

// Tables opened with dbDenyRead or dbDenyWrite in this process: per (file,
// table), the recordsets open on it and those that deny reading or writing
// to the others, counted by the source they share with their clones and the
// recordsets made from them (which count as the same user).
struct TableLocks {
    std::map<const void*, int> Open;
    std::map<const void*, int> DenyRead;
    std::map<const void*, int> DenyWrite;
};

std::map<std::pair<std::string, int>, TableLocks>& AllTableLocks()
{
    static std::map<std::pair<std::string, int>, TableLocks> locks;
    return locks;
}

bool HeldByOthers(const std::map<const void*, int>& holders, const void* self)
{
    for (const auto& [holder, count] : holders)
        if (holder != self && count > 0)
            return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------- helpers

void ReadStored(const FieldInfo& field, const sqlite::Statement& statement, int column, Variant& out)
{
    sqlite3_value* value = statement.ColumnRaw(column);
    const auto text = [value] {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return bytes ? std::string_view(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value)))
                     : std::string_view();
    };
    const auto blob = [value] {
        const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
        return bytes ? std::string_view(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value)))
                     : std::string_view();
    };
    const int storage = sqlite3_value_type(value);
    if (storage == SQLITE_NULL) {
        out = Variant::Null();
        return;
    }
    const bool number = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
    switch (field.Type) {
    case dbBoolean: out.SetInteger(varBoolean, sqlite3_value_int64(value) != 0 ? 1 : 0); return;
    case dbByte:
        if (storage == SQLITE_INTEGER) {
            out.SetInteger(varByte, static_cast<std::uint8_t>(sqlite3_value_int64(value)));
            return;
        }
        break;
    case dbInteger:
        if (storage == SQLITE_INTEGER) {
            out.SetInteger(varSmallint, static_cast<std::int16_t>(sqlite3_value_int64(value)));
            return;
        }
        break;
    case dbLong:
        if (storage == SQLITE_INTEGER) {
            const std::int64_t number = sqlite3_value_int64(value);
            out.SetInteger(number >= INT32_MIN && number <= INT32_MAX ? varInteger : varInt64, number);
            return;
        }
        break;
    case dbBigInt:
        if (storage == SQLITE_INTEGER) {
            out.SetInteger(varInt64, sqlite3_value_int64(value));
            return;
        }
        break;
    case dbCurrency: {
        // Stored as its exact text; a number where SQL wrote one (or a file
        // from before currency was kept as text). A value beyond the range
        // of currency stays the number it is.
        std::int64_t scaled = 0;
        if (storage == SQLITE_TEXT) {
            if (ReadCurrencyText(text(), scaled) == DecimalRead::Value) {
                out = Variant::CurrencyScaled(scaled);
                return;
            }
        } else if (storage == SQLITE_INTEGER) {
            const std::int64_t whole = sqlite3_value_int64(value);
            if (whole <= INT64_MAX / 10000 && whole >= INT64_MIN / 10000) {
                out = Variant::CurrencyScaled(whole * 10000);
                return;
            }
        } else if (storage == SQLITE_FLOAT) {
            try {
                out = Variant::Currency(sqlite3_value_double(value));
            } catch (const EVariantError&) {
                out = Variant(sqlite3_value_double(value));
            }
            return;
        }
        break;
    }
    case dbSingle:
        if (number) {
            // SQL may have written a number no Single holds: it stays the
            // number it is.
            const double stored = sqlite3_value_double(value);
            if (std::isfinite(stored) && std::fabs(stored) > std::numeric_limits<float>::max())
                out.SetReal(varDouble, stored);
            else
                out.SetReal(varSingle, static_cast<float>(stored));
            return;
        }
        break;
    case dbDouble:
    case dbNumeric:
    case dbDecimal:
    case dbFloat:
        if (number) {
            out.SetReal(varDouble, sqlite3_value_double(value));
            return;
        }
        break;
    case dbDate:
    case dbTime:
    case dbTimeStamp:
        if (number) {
            out.SetReal(varDate, sqlite3_value_double(value));
            return;
        }
        if (storage == SQLITE_TEXT) {
            platform::TDateTime value = 0;
            if (platform::TryStrToDateTime(text(), value)) {
                out = Variant::Date(value);
                return;
            }
        }
        break;
    case dbText:
    case dbMemo:
    case dbChar:
        out.SetText(storage == SQLITE_BLOB ? blob() : text());
        return;
    case dbBinary:
    case dbLongBinary:
    case dbVarBinary:
        if (storage == SQLITE_BLOB || storage == SQLITE_TEXT) {
            out = Variant::Bytes(storage == SQLITE_BLOB ? blob() : text());
            return;
        }
        break;
    case dbGUID:
        if (storage == SQLITE_BLOB && blob().size() == 16) {
            out.SetText("{guid " + sql::GuidText(blob()) + "}");
            return;
        }
        break;
    default: break;
    }
    out = statement.ColumnValue(column);
}

Variant FromStorage(const FieldInfo& field, const sqlite::Statement& statement, int column)
{
    Variant value;
    ReadStored(field, statement, column, value);
    return value;
}

int TypeOfValue(const Variant& value)
{
    switch (value.VarType()) {
    case varInteger: return dbLong;
    case varInt64: return dbBigInt;
    case varDouble: return dbDouble;
    case varString: return dbText;
    case varArray | varByte: return dbLongBinary;
    default: return 0;
    }
}

// ---------------------------------------------------------------- Criteria

Criteria::Criteria(DatabaseImpl& database, const std::vector<FieldInfo>& fields, const std::string& text)
    : Criteria(database.Sql(), fields, text)
{
}

Criteria::Criteria(sqlite::Connection& connection, const std::vector<FieldInfo>& fields, const std::string& text)
    : Source(text)
{
    const std::string expression = sql::TranslateExpression(
        text, [&](std::string_view /*qualifier*/, std::string_view name) -> std::optional<std::string> {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (!SameName(fields[i].Name, name))
                    continue;
                FieldOfParameter.push_back(i);
                GuidField.push_back(fields[i].Type == dbGUID);
                const std::string parameter = "?" + std::to_string(FieldOfParameter.size());
                if (catalog::IsTextType(fields[i].Type))
                    return "(" + parameter + " COLLATE JET_NOCASE)";
                // As a currency column: a text with the column's order, so
                // that numbers it meets are compared with it exactly.
                if (fields[i].Type == dbCurrency)
                    return "(CAST(" + parameter + " AS TEXT) COLLATE JET_CURRENCY)";
                return parameter;
            }
            return std::nullopt;
        });
    if (expression.empty())
        Raise(errSyntax, "Syntax error in query expression ''.", RecordsetSource());
    Statement = connection.PrepareUser("SELECT CASE WHEN (" + expression + ") THEN 1 ELSE 0 END");
}

bool Criteria::Matches(RowView values)
{
    Statement.Reset();
    for (std::size_t p = 0; p < FieldOfParameter.size(); ++p) {
        const Variant& value = values[FieldOfParameter[p]];
        const int index = static_cast<int>(p) + 1;
        if (GuidField[p] && value.VarType() == varString && value.AsString().rfind("{guid ", 0) == 0) {
            const std::string text = value.AsString();
            if (const auto bytes = sql::GuidBytes(text.substr(6, text.size() - 7))) {
                Statement.BindBlob(index, *bytes);
                continue;
            }
        }
        Statement.Bind(index, value);
    }
    const bool matches = Statement.Step() && Statement.ColumnInt64(0) != 0;
    Statement.Reset();
    return matches;
}

RangeCriteria::RangeCriteria(const RecordSource& source, const std::string& text) : Source(source)
{
    if (source.FieldColumns.empty())
        return;
    bool storedAsRead = true;
    const std::string expression = sql::TranslateExpression(
        text, [&](std::string_view /*qualifier*/, std::string_view name) -> std::optional<std::string> {
            for (std::size_t i = 0; i < source.Fields.size(); ++i) {
                if (!SameName(source.Fields[i].Name, name))
                    continue;
                // Unary "+" takes the column's affinity away, as a bound
                // value has none; a text is compared as Criteria does.
                const std::string& column = source.FieldColumns[i];
                switch (source.Fields[i].Type) {
                case dbText:
                case dbMemo:
                case dbChar: return "(+CAST(" + column + " AS TEXT) COLLATE JET_NOCASE)";
                case dbLong:
                case dbBigInt:
                case dbDouble:
                case dbNumeric:
                case dbDecimal:
                case dbFloat: return "(+" + column + ")";
                default: storedAsRead = false; return std::string("NULL");
                }
            }
            return std::nullopt;
        });
    if (!storedAsRead || expression.empty())
        return;
    const std::string first = "?" + std::to_string(source.Parameters.size() + 1);
    const std::string second = "?" + std::to_string(source.Parameters.size() + 2);
    try {
        Statement = source.Db->Sql().PrepareUser("SELECT " + source.RowIdSql + " " + source.RangeFrom + " WHERE "
                                                 + source.RowIdSql + " BETWEEN " + first + " AND " + second
                                                 + " AND (" + expression + ")");
    } catch (const EngineError&) {
        // Tested row by row, where the criteria's own statement answers.
    }
}

std::vector<std::int64_t> RangeCriteria::Matching(std::int64_t low, std::int64_t high)
{
    Statement.Reset();
    const int count = static_cast<int>(Source.Parameters.size());
    for (int i = 0; i < count; ++i)
        Statement.Bind(i + 1, Source.Parameters[static_cast<std::size_t>(i)]);
    Statement.BindInt64(count + 1, low);
    Statement.BindInt64(count + 2, high);
    std::vector<std::int64_t> ids;
    while (Statement.Step())
        ids.push_back(Statement.ColumnInt64(0));
    Statement.Reset();
    std::sort(ids.begin(), ids.end());
    return ids;
}

// ---------------------------------------------------------------- Keyset

void Keyset::MarkDeleted(std::size_t i)
{
    if (Deleted.empty())
        Deleted.assign(RowIds.size(), 0);
    if (Deleted[i])
        return;
    Deleted[i] = 1;
    ++DeletedCount;
    if (!DeletedTree.empty())
        for (std::size_t k = i + 1; k < DeletedTree.size(); k += k & (~k + 1))
            ++DeletedTree[k];
}

void Keyset::Append(std::int64_t rowId)
{
    RowIds.push_back(rowId);
    if (!Deleted.empty())
        Deleted.push_back(0);
    if (PositionsBuilt)
        Positions[rowId] = RowIds.size() - 1;
    DeletedTree.clear();  // rebuilt when next asked
}

long Keyset::Find(std::int64_t rowId) const
{
    if (!PositionsBuilt) {
        Positions.reserve(RowIds.size());
        for (std::size_t i = 0; i < RowIds.size(); ++i)
            Positions[RowIds[i]] = i;
        PositionsBuilt = true;
    }
    const auto found = Positions.find(rowId);
    return found == Positions.end() ? -1 : static_cast<long>(found->second);
}

long Keyset::LiveBefore(std::size_t i) const
{
    if (DeletedCount == 0)
        return static_cast<long>(i);
    if (DeletedTree.empty()) {
        DeletedTree.assign(RowIds.size() + 1, 0);
        for (std::size_t k = 1; k <= RowIds.size(); ++k) {
            DeletedTree[k] += Deleted[k - 1];
            const std::size_t parent = k + (k & (~k + 1));
            if (parent <= RowIds.size())
                DeletedTree[parent] += DeletedTree[k];
        }
    }
    long deleted = 0;
    for (std::size_t k = std::min(i, RowIds.size()); k > 0; k -= k & (~k + 1))
        deleted += DeletedTree[k];
    return static_cast<long>(i) - deleted;
}

// ----------------------------------------------------------- RecordsetImpl

RecordsetImpl::RecordsetImpl(std::shared_ptr<RecordSource> source, std::vector<Derivation> derivations, int type,
                             int options, int lockEdits)
    : EngineObject(source->Db->Errors()), Source(std::move(source)), Derivations(std::move(derivations)),
      RecordsetType(type), Options(options), LockType(lockEdits)
{
    ForwardOnly = type == dbOpenForwardOnly || (options & dbForwardOnly) != 0;
    if (ForwardOnly)
        RecordsetType = dbOpenForwardOnly;
    ReadOnly = (options & dbReadOnly) != 0 || lockEdits == dbReadOnly || !KeyedType(RecordsetType)
        || !Source->Keyed || Source->Db->IsReadOnly();
}

RecordsetImpl::~RecordsetImpl()
{
    UnlockRow();
    ReleaseTable();
}

void RecordsetImpl::Load()
{
    TakeTable();
    Rebuild();
    Pos = NextLive(0);
    Gap = false;
}

bool RecordsetImpl::DeniesReading() const
{
    return (Options & dbDenyRead) && RecordsetType == dbOpenTable;  // as the old engine: table type only
}

void RecordsetImpl::TakeTable()
{
    if (Source->TableId == 0 || TableTaken)
        return;
    TableLocks& locks = AllTableLocks()[{Source->Db->Name(), Source->TableId}];
    const void* self = Source.get();
    if (HeldByOthers(locks.DenyRead, self))
        Raise(3008, "The table '" + Source->Name + "' is already opened exclusively by another user.",
              RecordsetSource());
    if (DeniesReading() && HeldByOthers(locks.Open, self))
        Raise(3262, "Couldn't lock table '" + Source->Name + "'; currently in use by user 'Admin' on machine "
                    "'localhost'.",
              RecordsetSource());
    ++locks.Open[self];
    if (DeniesReading())
        ++locks.DenyRead[self];
    if (Options & dbDenyWrite)
        ++locks.DenyWrite[self];
    TableTaken = true;
}

void RecordsetImpl::ReleaseTable()
{
    if (!TableTaken)
        return;
    TableTaken = false;
    auto& all = AllTableLocks();
    const auto found = all.find({Source->Db->Name(), Source->TableId});
    if (found == all.end())
        return;
    const void* self = Source.get();
    const auto drop = [self](std::map<const void*, int>& holders) {
        if (const auto holder = holders.find(self); holder != holders.end() && --holder->second <= 0)
            holders.erase(holder);
    };
    drop(found->second.Open);
    if (DeniesReading())
        drop(found->second.DenyRead);
    if (Options & dbDenyWrite)
        drop(found->second.DenyWrite);
    if (found->second.Open.empty())
        all.erase(found);
}

void RecordsetImpl::CheckTableWritable() const
{
    const auto& all = AllTableLocks();
    const auto found = all.find({Source->Db->Name(), Source->TableId});
    if (found != all.end() && HeldByOthers(found->second.DenyWrite, Source.get()))
        RaiseLocked();
}

std::string RecordsetImpl::Name() const
{
    return Guarded([&] {
        CheckOpen();
        return Source->Name;
    });
}

int RecordsetImpl::Type() const
{
    return RecordsetType;
}

Collection<Field>& RecordsetImpl::Fields()
{
    if (!FieldList)
        FieldList = std::make_unique<RecordsetFieldsOf<RecordsetImpl>>(*this);
    return *FieldList;
}

void RecordsetImpl::CheckOpen() const
{
    if (Closed || Source->Db->IsClosed())
        RaiseClosed();
}

void RecordsetImpl::Detach()
{
    UnlockRow();
    ReleaseTable();
    Closed = true;
    Keys.reset();
    Values.reset();
    Cache = Window();
}

bool RecordsetImpl::HasCurrent() const
{
    return !Gap && Pos >= 0 && Pos < static_cast<long>(Size()) && IsLive(static_cast<std::size_t>(Pos));
}

void RecordsetImpl::CheckCurrent() const
{
    if (!HasCurrent())
        NoCurrentRecord();
}

long RecordsetImpl::NextLive(long from) const
{
    const long size = static_cast<long>(Size());
    for (long p = std::max(from, 0L); p < size; ++p)
        if (IsLive(static_cast<std::size_t>(p)))
            return p;
    return size;
}

long RecordsetImpl::PreviousLive(long from) const
{
    for (long p = std::min(from, static_cast<long>(Size()) - 1); p >= 0; --p)
        if (IsLive(static_cast<std::size_t>(p)))
            return p;
    return -1;
}

void RecordsetImpl::SetPosition(long position)
{
    Pos = position;
    Gap = false;
}

void RecordsetImpl::DropPendingEdit()
{
    EditState = dbEditNone;
    EditValues.clear();
    EditChanged.clear();
    EditOriginal.clear();
    UnlockRow();
}

void RecordsetImpl::SyncTableKeys() const
{
    if (RecordsetType != dbOpenTable || !Keys || KeysGeneration == Source->Db->Generation())
        return;
    const long oldSize = static_cast<long>(Keys->Size());
    std::int64_t anchor = 0;
    bool anchorIsGap = Gap;
    if (Gap)
        anchor = GapAnchor ? GapAnchor : (Pos >= 0 && Pos < oldSize ? Keys->RowIds[static_cast<std::size_t>(Pos)] : 0);
    else if (Pos >= 0 && Pos < oldSize)
        anchor = Keys->RowIds[static_cast<std::size_t>(Pos)];
    const bool atEnd = !Gap && Pos >= oldSize;
    Keys = Source->Db->TableKeyset(Source->TableId, CurrentIndexId);
    KeysGeneration = Source->Db->Generation();
    Forget();
    GapAnchor = 0;
    const long size = static_cast<long>(Keys->Size());
    if (atEnd) {
        Pos = size;
        return;
    }
    if (anchor == 0) {
        if (anchorIsGap)
            Pos = std::min(Pos, size);
        return;
    }
    const long found = Keys->Find(anchor);
    if (found >= 0) {
        Pos = found;
        Gap = anchorIsGap;
    } else {
        Pos = std::min(std::max(Pos, 0L), size);
        Gap = true;
    }
}

void RecordsetImpl::BindParameters(sqlite::Statement& statement) const
{
    for (std::size_t i = 0; i < Source->Parameters.size(); ++i)
        statement.Bind(static_cast<int>(i) + 1, Source->Parameters[i]);
}

bool RecordsetImpl::ReadRow(std::int64_t rowId, Variant* values) const
{
    sqlite::Statement& fetch = Source->FetchStatement;
    if (!fetch.Valid())
        fetch = Source->Db->Sql().Prepare(Source->FetchSql);
    fetch.Reset();
    BindParameters(fetch);
    fetch.BindInt64(static_cast<int>(Source->Parameters.size()) + 1, rowId);
    const bool found = fetch.Step();
    if (found)
        for (std::size_t i = 0; i < Source->Fields.size(); ++i)
            ReadStored(Source->Fields[i], fetch, static_cast<int>(i), values[i]);
    fetch.Reset();
    return found;
}

std::vector<Variant> RecordsetImpl::FetchRow(std::int64_t rowId) const
{
    std::vector<Variant> row(Source->Fields.size());
    if (!ReadRow(rowId, row.data()))
        row.clear();
    return row;
}

void RecordsetImpl::FetchWindow(std::size_t position, int field, bool jump) const
{
    const std::size_t fields = Source->Fields.size();
    std::size_t start = position / WindowRows * WindowRows;
    std::size_t end = std::min(start + WindowRows, Size());
    const std::optional<std::pair<std::int64_t, std::int64_t>> ids =
        jump ? std::nullopt : IdRange(start, end);
    const bool range = ids.has_value();
    if (!range) {
        // Rows in another order (an index's, a sort's) are read one by one.
        // A walk, which reaches the row next to the last window, reads a
        // window ahead of it (or behind it) in one read transaction; any
        // other access reads the one row asked for.
        const bool forward = !jump && Cache.Count > 0 && position == Cache.Start + Cache.Count;
        const bool backward = !jump && Cache.Count > 0 && position + 1 == Cache.Start;
        start = backward && position + 1 > WindowRows ? position + 1 - WindowRows : (backward ? 0 : position);
        end = forward ? std::min(position + WindowRows, Size()) : position + 1;
    }
    Cache.Start = start;
    Cache.Count = end - start;
    std::vector<Variant>& values = Cache.Writable();
    values.resize(Cache.Count * fields);
    Cache.Exists.assign(Cache.Count, 0);
    Cache.Generation = Source->Db->Generation();
    // The fields to read: all of them, unless a walk has shown which are used.
    std::vector<std::uint8_t> mask(fields, 1);
    if (range && field >= 0 && !Wanted.empty() && !Source->FieldColumns.empty())
        mask = Wanted;
    Cache.Loaded = mask;
    Cache.AllLoaded = std::find(mask.begin(), mask.end(), 0) == mask.end();
    if (!range) {
        const auto& found = Source->LastFound;
        if (end - start == 1 && IsLive(start) && found.RowId == Keys->RowIds[start]
            && found.Generation == Cache.Generation) {
            std::copy(found.Values.begin(), found.Values.end(), values.begin());
            Cache.Exists[0] = 1;
            return;
        }
        std::optional<sqlite::ReadTransaction> reading;
        if (end - start > 1)
            reading.emplace(Source->Db->Sql());
        for (std::size_t p = start; p < end; ++p)
            if (IsLive(p) && ReadRow(Keys->RowIds[p], &values[(p - start) * fields]))
                Cache.Exists[p - start] = 1;
        return;
    }
    std::string key(mask.begin(), mask.end());
    sqlite::Statement& scan = RangeStatements[key];
    if (!scan.Valid()) {
        std::string sql = Source->RangeSql;
        if (!Cache.AllLoaded) {
            std::string columns;
            for (std::size_t i = 0; i < fields; ++i)
                if (mask[i])
                    columns += ", " + Source->FieldColumns[i];
            const int first = static_cast<int>(Source->Parameters.size()) + 1;
            sql = "SELECT " + Source->RowIdSql + columns + " " + Source->RangeFrom + " WHERE " + Source->RowIdSql
                + " >= ?" + std::to_string(first);
        }
        scan = Source->Db->Sql().Prepare(sql);
    }
    scan.Reset();
    BindParameters(scan);
    const int first = static_cast<int>(Source->Parameters.size()) + 1;
    scan.BindInt64(first, ids->first);
    // The statement has no upper bound, which SQLite would test on every
    // row: the scan stops at the first row past the window's last.
    std::size_t p = start;
    // Taken once: the reads of a row are calls the compiler cannot see through.
    const FieldInfo* infos = Source->Fields.data();
    while (scan.Step()) {
        const std::int64_t rowId = scan.ColumnInt64(0);
        while (p < end && (!IsLive(p) || Keys->RowIds[p] < rowId))
            ++p;
        if (p == end)
            break;
        if (Keys->RowIds[p] != rowId)
            continue;  // a row added since, not one of ours
        Variant* row = &values[(p - start) * fields];
        int column = 1;
        for (std::size_t i = 0; i < fields; ++i)
            if (mask[i])
                ReadStored(infos[i], scan, column++, row[i]);
        Cache.Exists[p - start] = 1;
        ++p;
    }
    scan.Reset();
}

std::optional<std::pair<std::int64_t, std::int64_t>> RecordsetImpl::IdRange(std::size_t first, std::size_t end) const
{
    std::int64_t low = INT64_MAX, high = INT64_MIN, previous = INT64_MIN;
    for (std::size_t p = first; p < end; ++p) {
        if (!IsLive(p))
            continue;
        const std::int64_t rowId = Keys->RowIds[p];
        if (rowId <= previous)
            return std::nullopt;
        previous = rowId;
        low = std::min(low, rowId);
        high = std::max(high, rowId);
    }
    if (low > high || static_cast<std::uint64_t>(high - low) > 4 * WindowRows)
        return std::nullopt;
    return std::pair{low, high};
}

RowView RecordsetImpl::TryRowAt(std::size_t position, int field, bool jump) const
{
    if (!(Source->Keyed && KeyedType(RecordsetType))) {
        const std::vector<Variant>& row = (*Values)[position];
        return {row.data(), row.size(), true};
    }
    const bool inWindow = Cache.Generation == Source->Db->Generation() && position >= Cache.Start
        && position < Cache.Start + Cache.Count;
    if (!inWindow || !(field < 0 ? Cache.AllLoaded : Cache.Loaded[static_cast<std::size_t>(field)] != 0)) {
        // The first read takes every field; later windows take those read since.
        if (field >= 0 && !Wanted.empty())
            Wanted[static_cast<std::size_t>(field)] = 1;
        FetchWindow(position, field, jump);
    }
    if (field >= 0) {
        if (Wanted.empty())
            Wanted.assign(Source->Fields.size(), 0);
        Wanted[static_cast<std::size_t>(field)] = 1;
    }
    const std::size_t offset = position - Cache.Start;
    if (!Cache.Exists[offset])
        return {};
    const std::size_t fields = Source->Fields.size();
    return {Cache.Values->data() + offset * fields, fields, true};
}

RowView RecordsetImpl::RowAt(std::size_t position, int field) const
{
    const RowView row = TryRowAt(position, field);
    if (!row.Found)
        RecordDeleted();
    return row;
}

void RecordsetImpl::Rebuild()
{
    Forget();
    DatabaseImpl& db = *Source->Db;
    const sqlite::ReadTransaction reading(db.Sql());
    const bool keyedBase = Source->Keyed;
    const bool keepKeys = keyedBase && KeyedType(RecordsetType);
    // A snapshot of a keyed query holds the values: when nothing is laid
    // over its rows and the type of every field is known, they are read in
    // the same pass as the keys.
    const bool copyWhileSelecting = keyedBase && !keepKeys && Derivations.empty()
        && std::none_of(Source->Fields.begin(), Source->Fields.end(),
                        [](const FieldInfo& field) { return field.Type == 0; });
    if (keyedBase && Source->Type == dbOpenTable) {
        std::shared_ptr<Keyset> table = db.TableKeyset(Source->TableId, CurrentIndexId);
        KeysGeneration = db.Generation();
        if (Derivations.empty() && RecordsetType == dbOpenTable) {
            Keys = table;
        } else {
            Keys = std::make_shared<Keyset>();
            Keys->RowIds = table->RowIds;
        }
    } else if (keyedBase) {
        Keys = std::make_shared<Keyset>();
        if (copyWhileSelecting)
            Values = std::make_shared<std::vector<std::vector<Variant>>>();
        if (!Source->AppendOnly) {
            sqlite::Statement selection = db.Sql().PrepareUser(Source->SelectionSql);
            BindParameters(selection);
            const std::vector<FieldInfo>& fields = Source->Fields;
            while (selection.Step()) {
                Keys->RowIds.push_back(selection.ColumnInt64(0));
                if (copyWhileSelecting) {
                    std::vector<Variant>& row = Values->emplace_back(fields.size());
                    for (std::size_t i = 0; i < fields.size(); ++i)
                        ReadStored(fields[i], selection, static_cast<int>(i) + 1, row[i]);
                }
                if (Source->MaxRecords > 0 && static_cast<long>(Keys->RowIds.size()) >= Source->MaxRecords)
                    break;
            }
        }
    } else {
        Values = std::make_shared<std::vector<std::vector<Variant>>>();
        sqlite::Statement selection = db.Sql().PrepareUser(Source->SelectionSql);
        BindParameters(selection);
        std::vector<FieldInfo>& fields = Source->Fields;
        while (selection.Step()) {
            std::vector<Variant> row;
            row.reserve(fields.size());
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (fields[i].Type == 0) {  // a computed column: its first value tells
                    const Variant value = selection.ColumnValue(static_cast<int>(i));
                    fields[i].Type = TypeOfValue(value);
                }
                row.push_back(fields[i].Type == 0 ? selection.ColumnValue(static_cast<int>(i))
                                                  : FromStorage(fields[i], selection, static_cast<int>(i)));
            }
            Values->push_back(std::move(row));
            if (Source->MaxRecords > 0 && static_cast<long>(Values->size()) >= Source->MaxRecords)
                break;
        }
    }
    if (keyedBase) {
        // Computed columns of a keyed query take their type from the first
        // of a few rows that holds a value.
        constexpr std::size_t RowsToLookAt = 10;
        std::vector<FieldInfo>& fields = Source->Fields;
        for (std::size_t p = 0; p < std::min(Keys->Size(), RowsToLookAt); ++p) {
            if (std::none_of(fields.begin(), fields.end(), [](const FieldInfo& field) { return field.Type == 0; }))
                break;
            const std::vector<Variant> row = FetchRow(Keys->RowIds[p]);
            for (std::size_t i = 0; i < row.size(); ++i)
                if (fields[i].Type == 0)
                    fields[i].Type = TypeOfValue(row[i]);
        }
    }
    for (FieldInfo& field : Source->Fields)
        if (field.Type == 0)
            field.Type = dbText;
    ApplyDerivations();
    if (keyedBase && !keepKeys && !copyWhileSelecting) {
        auto copied = std::make_shared<std::vector<std::vector<Variant>>>();
        for (std::size_t p = 0; p < Keys->Size(); ++p) {
            std::vector<Variant> row = FetchRow(Keys->RowIds[p]);
            if (!row.empty())
                copied->push_back(std::move(row));
        }
        Values = std::move(copied);
    }
    if (keyedBase && !keepKeys)
        Keys.reset();
}

void RecordsetImpl::ApplyDerivations()
{
    if (Derivations.empty())
        return;
    const bool keyed = Source->Keyed;
    // Work on positions of the base rows, keyed or copied alike.
    const int savedType = RecordsetType;
    RecordsetType = keyed ? dbOpenDynaset : dbOpenSnapshot;
    std::vector<std::size_t> order;
    for (std::size_t p = 0; p < Size(); ++p)
        order.push_back(p);
    for (const Derivation& derivation : Derivations) {
        if (!derivation.Filter.empty()) {
            Criteria criteria(*Source->Db, Source->Fields, derivation.Filter);
            std::vector<std::size_t> kept;
            for (std::size_t p : order)
                if (const RowView row = TryRowAt(p); row.Found && criteria.Matches(row))
                    kept.push_back(p);
            order = std::move(kept);
        }
        if (!derivation.Sort.empty()) {
            std::vector<SortStep> steps;
            for (const sql::SortKey& key : sql::ParseSort(derivation.Sort)) {
                std::size_t field = Source->Fields.size();
                for (std::size_t i = 0; i < Source->Fields.size(); ++i)
                    if (SameName(Source->Fields[i].Name, key.Field))
                        field = i;
                if (field == Source->Fields.size())
                    Raise(3070, "The database engine does not recognize '" + key.Field
                                    + "' as a valid field name or expression.",
                          RecordsetSource());
                steps.push_back({field, key.Descending});
            }
            std::vector<std::pair<std::size_t, std::vector<Variant>>> rows;
            for (std::size_t p : order) {
                const RowView row = TryRowAt(p);
                std::vector<Variant> keysOfRow;
                for (const SortStep& step : steps)
                    keysOfRow.push_back(row.Found ? row[step.Field] : Variant::Null());
                rows.emplace_back(p, std::move(keysOfRow));
            }
            std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
                for (std::size_t k = 0; k < steps.size(); ++k) {
                    const int c = CompareValues(a.second[k], b.second[k]);
                    if (c != 0)
                        return steps[k].Descending ? c > 0 : c < 0;
                }
                return false;
            });
            order.clear();
            for (const auto& row : rows)
                order.push_back(row.first);
        }
    }
    if (keyed) {
        auto derived = std::make_shared<Keyset>();
        for (std::size_t p : order)
            derived->RowIds.push_back(Keys->RowIds[p]);
        Keys = std::move(derived);
    } else {
        auto derived = std::make_shared<std::vector<std::vector<Variant>>>();
        for (std::size_t p : order)
            derived->push_back((*Values)[p]);
        Values = std::move(derived);
    }
    RecordsetType = savedType;
    Forget();
}

bool RecordsetImpl::Bof() const
{
    if (Settled())
        return LiveCount() == 0 || Pos < 0;
    return Guarded([&] {
        CheckOpen();
        SyncTableKeys();
        return LiveCount() == 0 || (!Gap && Pos < 0);
    });
}

bool RecordsetImpl::Eof() const
{
    if (Settled())
        return LiveCount() == 0 || Pos >= static_cast<long>(Size());
    return Guarded([&] {
        CheckOpen();
        SyncTableKeys();
        return LiveCount() == 0 || (!Gap && Pos >= static_cast<long>(Size()));
    });
}

long RecordsetImpl::RecordCount() const
{
    return Guarded([&] {
        CheckOpen();
        SyncTableKeys();
        return LiveCount();
    });
}

long RecordsetImpl::AbsolutePosition() const
{
    return Guarded([&] {
        CheckOpen();
        SyncTableKeys();
        if (!HasCurrent())
            return -1L;
        if (Source->Keyed && KeyedType(RecordsetType))
            return Keys->LiveBefore(static_cast<std::size_t>(Pos));
        return Pos;
    });
}

void RecordsetImpl::SetAbsolutePosition(long position)
{
    Guarded([&] {
        CheckOpen();
        SyncTableKeys();
        if (position < 0 || position >= LiveCount())
            Raise(errInvalidArgument, "Invalid argument.", RecordsetSource());
        DropPendingEdit();
        long live = -1;
        for (long p = 0; p < static_cast<long>(Size()); ++p) {
            if (IsLive(static_cast<std::size_t>(p)) && ++live == position) {
                if (ForwardOnly && p < Pos)
                    Raise(errInvalidOperation, "Invalid operation.", RecordsetSource());
                SetPosition(p);
                return;
            }
        }
    });
}

float RecordsetImpl::PercentPosition() const
{
    return Guarded([&] {
        const long count = RecordCount();
        const long position = AbsolutePosition();
        if (count == 0 || position < 0)
            return 0.0f;
        return static_cast<float>(100.0 * position / count);
    });
}

void RecordsetImpl::SetPercentPosition(float percent)
{
    Guarded([&] {
        const long count = RecordCount();
        if (percent < 0 || percent > 100)
            Raise(errInvalidArgument, "Invalid argument.", RecordsetSource());
        if (count == 0)
            return;
        const long position = std::min(count - 1, static_cast<long>(std::lround(percent * count / 100.0)));
        SetAbsolutePosition(position);
    });
}

bool RecordsetImpl::Bookmarkable() const
{
    return !ForwardOnly;
}

void RecordsetImpl::ReadBookmark(jet::Bookmark& bookmark) const
{
    if (SettledOnLiveRow()) {
        EncodeBookmark(RowIdAt(static_cast<std::size_t>(Pos)), bookmark);
        return;
    }
    Guarded([&] {
        CheckOpen();
        if (ForwardOnly)
            RaiseNotSupported("Bookmarks of forward-only recordsets");
        SyncTableKeys();
        CheckCurrent();
        EncodeBookmark(Source->Keyed && KeyedType(RecordsetType) ? RowIdAt(static_cast<std::size_t>(Pos)) : Pos + 1,
                       bookmark);
    });
}

bool RecordsetImpl::BookmarkHead(std::int32_t& head) const
{
    // EncodeBookmark writes the row id from its lowest byte up.
    if (!SettledOnLiveRow())
        return false;
    head = static_cast<std::int32_t>(static_cast<std::uint32_t>(RowIdAt(static_cast<std::size_t>(Pos))));
    return true;
}

void RecordsetImpl::SetBookmark(const jet::Bookmark& bookmark)
{
    Guarded([&] {
        CheckOpen();
        if (ForwardOnly)
            RaiseNotSupported("Bookmarks of forward-only recordsets");
        SyncTableKeys();
        const std::int64_t key = DecodeBookmark(bookmark);
        long position = -1;
        if (Source->Keyed && KeyedType(RecordsetType)) {
            position = Keys->Find(key);
            if (position < 0)
                Raise(errNotValidBookmark, "Not a valid bookmark.", RecordsetSource());
            if (!IsLive(static_cast<std::size_t>(position))
                || !TryRowAt(static_cast<std::size_t>(position), -1, true).Found)
                RecordDeleted();
        } else {
            if (key < 1 || key > static_cast<std::int64_t>(Size()))
                Raise(errNotValidBookmark, "Not a valid bookmark.", RecordsetSource());
            position = static_cast<long>(key - 1);
        }
        DropPendingEdit();
        SetPosition(position);
    });
}

jet::Bookmark RecordsetImpl::LastModified() const
{
    return Guarded([&] {
        CheckOpen();
        return LastModifiedRowId == 0 ? jet::Bookmark() : EncodeBookmark(LastModifiedRowId);
    });
}

void RecordsetImpl::MoveFirst()
{
    Guarded([&] {
        CheckOpen();
        SyncTableKeys();
        const long first = NextLive(0);
        if (ForwardOnly && (Gap || Pos > first) && Pos >= 0)
            Raise(errInvalidOperation, "Invalid operation. A forward-only recordset cannot move back.",
                  RecordsetSource());
        DropPendingEdit();
        SetPosition(first);
    });
}

void RecordsetImpl::MoveLast()
{
    Guarded([&] {
        CheckOpen();
        SyncTableKeys();
        DropPendingEdit();
        const long last = PreviousLive(static_cast<long>(Size()) - 1);
        SetPosition(last < 0 ? static_cast<long>(Size()) : last);
    });
}

bool RecordsetImpl::StepToNextLive()
{
    if (!(Settled() && LockedRowId == 0 && Pos >= 0 && static_cast<std::size_t>(Pos) + 1 < Keys->Size()
          && Keys->DeletedCount == 0))
        return false;
    ++Pos;
    return true;
}

void RecordsetImpl::MoveNext()
{
    if (StepToNextLive())
        return;
    Guarded([&] {
        CheckOpen();
        SyncTableKeys();
        if (LiveCount() == 0 || (!Gap && Pos >= static_cast<long>(Size())))
            NoCurrentRecord();
        DropPendingEdit();
        SetPosition(NextLive(Gap ? Pos : Pos + 1));
    });
}

bool RecordsetImpl::Advance()
{
    // A row stands at the new position, so the recordset is not at Eof.
    if (StepToNextLive())
        return false;
    return Recordset::Advance();
}

void RecordsetImpl::MovePrevious()
{
    Guarded([&] {
        CheckOpen();
        if (ForwardOnly)
            Raise(errInvalidOperation, "Invalid operation. A forward-only recordset cannot move back.",
                  RecordsetSource());
        SyncTableKeys();
        if (LiveCount() == 0 || (!Gap && Pos < 0))
            NoCurrentRecord();
        DropPendingEdit();
        SetPosition(PreviousLive(Pos - 1));
    });
}

void RecordsetImpl::Move(long rows)
{
    Guarded([&] {
        CheckOpen();
        SyncTableKeys();
        CheckCurrent();
        if (ForwardOnly && rows < 0)
            Raise(errInvalidOperation, "Invalid operation. A forward-only recordset cannot move back.",
                  RecordsetSource());
        DropPendingEdit();
        if (rows == 0) {
            Forget();  // read the record again
            return;
        }
        long position = Pos;
        for (long step = 0; step < std::labs(rows); ++step) {
            position = rows > 0 ? NextLive(position + 1) : PreviousLive(position - 1);
            if (position < 0 || position >= static_cast<long>(Size()))
                break;
        }
        SetPosition(position);
    });
}

void RecordsetImpl::Requery()
{
    Guarded([&] {
        CheckOpen();
        DropPendingEdit();
        Source->Db->RefreshCache();
        Rebuild();
        SetPosition(NextLive(0));
    });
}

bool RecordsetImpl::Restartable() const
{
    return true;
}

RecordsetPtr RecordsetImpl::Clone()
{
    return Guarded([&]() -> RecordsetPtr {
        CheckOpen();
        if (ForwardOnly)
            RaiseNotSupported("Clones of forward-only recordsets");
        auto clone = std::make_shared<RecordsetImpl>(Source, Derivations, RecordsetType, Options, LockType);
        clone->Keys = Keys;
        clone->KeysGeneration = KeysGeneration;
        clone->Values = Values;
        clone->FilterText = FilterText;
        clone->SortText = SortText;
        clone->IndexName = IndexName;
        clone->CurrentIndexId = CurrentIndexId;
        clone->TakeTable();
        clone->Pos = 0;
        clone->Gap = true;
        Source->Db->AddRecordset(clone);
        return clone;
    });
}

void RecordsetImpl::Close()
{
    Guarded([&] {
        CheckOpen();
        Detach();
        Source->Db->RemoveRecordset(this);
    });
}

RecordsetPtr RecordsetImpl::OpenRecordset(int type, int options)
{
    return Guarded([&]() -> RecordsetPtr {
        CheckOpen();
        if (type == -1)
            type = RecordsetType == dbOpenTable ? dbOpenDynaset : RecordsetType;
        if (type == dbOpenTable || type == dbOpenDynamic)
            RaiseNotSupported("This recordset type for a recordset opened from another one");
        if ((options & (dbSQLPassThrough | dbRunAsync | dbExecDirect)) != 0)
            RaiseNotSupported("ODBC options");
        std::vector<Derivation> derivations = Derivations;
        if (!FilterText.empty() || !SortText.empty())
            derivations.push_back({FilterText, SortText});
        auto child = std::make_shared<RecordsetImpl>(Source, derivations, type, options,
                                                     ReadOnly ? dbReadOnly : LockType);
        child->CurrentIndexId = CurrentIndexId;
        child->Load();
        if ((options & dbAppendOnly) != 0 && child->Keys) {
            child->Keys = std::make_shared<Keyset>();
            child->Pos = 0;
        }
        Source->Db->AddRecordset(child);
        return child;
    });
}

std::string RecordsetImpl::Filter() const
{
    return FilterText;
}

void RecordsetImpl::SetFilter(const std::string& criteria)
{
    Guarded([&] {
        CheckOpen();
        if (RecordsetType == dbOpenTable || ForwardOnly)
            RaiseNotSupported("Filter on table-type and forward-only recordsets");
        if (!criteria.empty())
            sql::TranslateExpression(criteria, [](std::string_view, std::string_view) { return std::string("1"); });
        FilterText = criteria;
    });
}

std::string RecordsetImpl::Sort() const
{
    return SortText;
}

void RecordsetImpl::SetSort(const std::string& order)
{
    Guarded([&] {
        CheckOpen();
        if (RecordsetType == dbOpenTable || ForwardOnly)
            RaiseNotSupported("Sort on table-type and forward-only recordsets");
        if (!order.empty())
            sql::ParseSort(order);
        SortText = order;
    });
}

std::string RecordsetImpl::Index() const
{
    return IndexName;
}

void RecordsetImpl::SetIndex(const std::string& name)
{
    Guarded([&] {
        CheckOpen();
        if (RecordsetType != dbOpenTable)
            RaiseNotSupported("Index on recordsets that are not table-type");
        int indexId = 0;
        std::string found;
        if (!name.empty()) {
            const catalog::TableInfo* table = Source->Db->Catalog().TableById(Source->TableId);
            const catalog::IndexDef* index = table ? table->FindIndex(name) : nullptr;
            if (!index)
                Raise(3015, "'" + name + "' isn't an index in this table.", RecordsetSource());
            indexId = index->Id;
            found = index->Name;
        }
        DropPendingEdit();
        CurrentIndexId = indexId;
        IndexName = found;
        Keys = Source->Db->TableKeyset(Source->TableId, CurrentIndexId);
        KeysGeneration = Source->Db->Generation();
        Forget();
        SetPosition(NextLive(0));
    });
}

void RecordsetImpl::Seek(const std::string& comparison, const std::vector<Variant>& keys)
{
    Guarded([&] {
        CheckOpen();
        if (RecordsetType != dbOpenTable)
            RaiseNotSupported("Seek on recordsets that are not table-type");
        if (CurrentIndexId == 0)
            Raise(errNoCurrentIndex, "Operation invalid without a current index.", RecordsetSource());
        const bool forward = comparison == "=" || comparison == ">=" || comparison == ">";
        if (!forward && comparison != "<=" && comparison != "<")
            Raise(errInvalidArgument, "Invalid argument.", RecordsetSource());
        const std::size_t n = keys.size();
        if (n == 0 || n > static_cast<std::size_t>(MaxSeekKeys))
            Raise(errInvalidArgument, "Invalid argument.", RecordsetSource());
        if (!LastSeek.Statement.Valid() || LastSeek.IndexId != CurrentIndexId || LastSeek.Comparison != comparison
            || LastSeek.Keys != n)
            PrepareSeek(comparison, n);
        DropPendingEdit();
        SyncTableKeys();
        sqlite::Statement& seek = LastSeek.Statement;
        seek.Reset();
        for (std::size_t k = 0; k < n; ++k) {
            const Variant& key = keys[k];
            if (key.VarType() == varString && LastSeek.Types[k] == dbGUID) {
                std::string text = key.AsString();
                if (text.rfind("{guid ", 0) == 0 && text.size() > 7)
                    text = text.substr(6, text.size() - 7);
                if (const auto bytes = sql::GuidBytes(text)) {
                    seek.BindBlob(static_cast<int>(k) + 1, *bytes);
                    continue;
                }
            }
            seek.Bind(static_cast<int>(k) + 1, key);
        }
        long position = -1;
        if (seek.Step()) {
            position = Keys->Find(seek.ColumnInt64(0));
            if (position >= 0) {
                // The row found comes with the seek: keep it as the window.
                const std::size_t fields = Source->Fields.size();
                Cache.Start = static_cast<std::size_t>(position);
                Cache.Count = 1;
                std::vector<Variant>& values = Cache.Writable();
                values.resize(fields);
                Cache.Exists.assign(1, 1);
                Cache.Loaded.assign(fields, 1);
                Cache.AllLoaded = true;
                Cache.Generation = Source->Db->Generation();
                for (std::size_t i = 0; i < fields; ++i)
                    ReadStored(Source->Fields[i], seek, static_cast<int>(i) + 1, values[i]);
                Source->LastFound.RowId = RowIdAt(static_cast<std::size_t>(position));
                Source->LastFound.Generation = Cache.Generation;
                Source->LastFound.Values = values;
            }
        }
        seek.Reset();
        NoMatchFlag = position < 0;
        if (NoMatchFlag) {
            GapAnchor = HasCurrent() ? RowIdAt(static_cast<std::size_t>(Pos)) : 0;
            Gap = true;
        } else {
            SetPosition(position);
        }
    });
}

void RecordsetImpl::PrepareSeek(const std::string& comparison, std::size_t n)
{
    const catalog::TableInfo* table = Source->Db->Catalog().TableById(Source->TableId);
    const catalog::IndexDef* index = nullptr;
    if (table)
        for (const catalog::IndexDef& candidate : table->Indexes)
            if (candidate.Id == CurrentIndexId)
                index = &candidate;
    if (!index)
        Raise(3015, "'" + IndexName + "' isn't an index in this table.", RecordsetSource());
    if (n > index->Columns.size())
        Raise(errInvalidArgument, "Invalid argument.", RecordsetSource());
    const bool forward = comparison == "=" || comparison == ">=" || comparison == ">";
    std::vector<std::string> columns;
    std::vector<bool> descending;
    std::vector<int> types;
    for (const catalog::IndexColumn& column : index->Columns) {
        const catalog::ColumnDef* definition = table->ColumnById(column.ColumnId);
        columns.push_back(sqlite::QuoteIdentifier(definition->Name));
        descending.push_back(column.Descending);
        types.push_back(definition->Type);
    }
    const std::string condition = SeekCondition(columns, descending, comparison, n,
                                                [](std::size_t k) { return "?" + std::to_string(k + 1); });
    std::string order;
    for (std::size_t k = 0; k < columns.size(); ++k)
        order += columns[k] + ((descending[k] != !forward) ? " DESC" : "") + ", ";
    order += std::string("_rowid_") + (forward ? "" : " DESC");
    std::string fieldColumns;
    for (const std::string& column : Source->FieldColumns)
        fieldColumns += ", " + column;
    LastSeek.Statement = Source->Db->Sql().Prepare("SELECT _rowid_" + fieldColumns + " FROM " + Source->BaseRef
                                                   + " WHERE " + condition + " ORDER BY " + order + " LIMIT 1");
    LastSeek.IndexId = CurrentIndexId;
    LastSeek.Comparison = comparison;
    LastSeek.Keys = n;
    LastSeek.Types = std::move(types);
}

bool RecordsetImpl::NoMatch() const
{
    return NoMatchFlag;
}

void RecordsetImpl::Find(const std::string& criteria, bool forward, long from)
{
    CheckOpen();
    if (RecordsetType == dbOpenTable)
        RaiseNotSupported("Find methods on table-type recordsets (use Seek)");
    if (ForwardOnly)
        RaiseNotSupported("Find methods on forward-only recordsets");
    Criteria test(*Source->Db, Source->Fields, criteria);
    DropPendingEdit();
    const sqlite::ReadTransaction reading(Source->Db->Sql());
    const long size = static_cast<long>(Size());
    // A statement of its own pays when there are rows enough to test.
    std::optional<RangeCriteria> inRange;
    if (Source->Keyed && KeyedType(RecordsetType) && (forward ? size - from : from + 1) > RowsWorthAStatement)
        inRange.emplace(*Source, criteria);
    const long step = forward ? 1 : -1;
    const auto found = [&](long p) {
        NoMatchFlag = false;
        SetPosition(p);
    };
    // A window of rows at a time, in the direction of the search: rows in
    // the order of their ids are tested by SQLite in one step, others one
    // by one against their values.
    for (long p = from; p >= 0 && p < size;) {
        const long end = forward ? std::min(size, p + static_cast<long>(WindowRows))
                                 : std::max(-1L, p - static_cast<long>(WindowRows));
        const auto first = static_cast<std::size_t>(forward ? p : end + 1);
        const auto last = static_cast<std::size_t>(forward ? end : p + 1);
        const auto ids = inRange && inRange->Valid() ? IdRange(first, last) : std::nullopt;
        if (ids) {
            const std::vector<std::int64_t> matching = inRange->Matching(ids->first, ids->second);
            for (long q = p; q != end; q += step)
                if (IsLive(static_cast<std::size_t>(q))
                    && std::binary_search(matching.begin(), matching.end(), RowIdAt(static_cast<std::size_t>(q))))
                    return found(q);
        } else {
            for (long q = p; q != end; q += step) {
                if (!IsLive(static_cast<std::size_t>(q)))
                    continue;
                if (const RowView row = TryRowAt(static_cast<std::size_t>(q)); row.Found && test.Matches(row))
                    return found(q);
            }
        }
        p = end;
    }
    NoMatchFlag = true;
}

void RecordsetImpl::FindFirst(const std::string& criteria)
{
    Guarded([&] { Find(criteria, true, 0); });
}

void RecordsetImpl::FindLast(const std::string& criteria)
{
    Guarded([&] { Find(criteria, false, static_cast<long>(Size()) - 1); });
}

void RecordsetImpl::FindNext(const std::string& criteria)
{
    Guarded([&] { Find(criteria, true, Gap ? Pos : Pos + 1); });
}

void RecordsetImpl::FindPrevious(const std::string& criteria)
{
    Guarded([&] { Find(criteria, false, Pos - 1); });
}

Variant RecordsetImpl::GetRows(long rows)
{
    return Guarded([&]() -> Variant {
        CheckOpen();
        SyncTableKeys();
        if (rows < 0)
            Raise(errInvalidArgument, "Invalid argument.", RecordsetSource());
        DropPendingEdit();
        long position = Gap ? NextLive(Pos) : Pos;
        if (position < 0)
            position = NextLive(0);
        std::vector<std::vector<Variant>> copies;
        long next = position;
        std::vector<long> positions;
        while (next < static_cast<long>(Size()) && static_cast<long>(positions.size()) < rows) {
            positions.push_back(next);
            next = NextLive(next + 1);
        }
        if (positions.empty())
            return Variant::Null();
        for (long p : positions)
            copies.push_back(RowAt(static_cast<std::size_t>(p)).Copy());
        const int fields = static_cast<int>(Source->Fields.size());
        auto array = std::make_shared<SafeArray>(
            varVariant, std::vector<SafeArray::Bound>{{0, fields}, {0, static_cast<int>(copies.size())}});
        for (int f = 0; f < fields; ++f)
            for (std::size_t r = 0; r < copies.size(); ++r)
                array->Put({f, static_cast<int>(r)}, copies[r][static_cast<std::size_t>(f)]);
        SetPosition(next);
        return Variant::FromArray(array);
    });
}

void RecordsetImpl::CheckUpdatable() const
{
    if (!Updatable())
        Raise(errReadOnly, "Cannot update. Database or object is read-only.", RecordsetSource());
    CheckTableWritable();
}

void RecordsetImpl::LockRow(std::int64_t rowId)
{
    RowLock key{Source->Db->Name(), Source->TableId, rowId};
    auto& locks = RowLocks();
    const auto found = locks.find(key);
    if (found != locks.end() && found->second != this)
        RaiseLocked();
    if (LockType == dbPessimistic) {
        locks[key] = this;
        LockedRowId = rowId;
    }
}

void RecordsetImpl::UnlockRow()
{
    if (LockedRowId == 0)
        return;
    RowLocks().erase(RowLock{Source->Db->Name(), Source->TableId, LockedRowId});
    LockedRowId = 0;
}

void RecordsetImpl::Edit()
{
    Guarded([&] {
        CheckOpen();
        CheckUpdatable();
        SyncTableKeys();
        DropPendingEdit();
        CheckCurrent();
        const std::int64_t rowId = RowIdAt(static_cast<std::size_t>(Pos));
        std::vector<Variant> fresh = FetchRow(rowId);
        if (fresh.empty())
            RecordDeleted();
        LockRow(rowId);
        Forget();
        EditOriginal = fresh;
        EditValues = std::move(fresh);
        EditChanged.assign(Source->Fields.size(), false);
        EditRowId = rowId;
        EditState = dbEditInProgress;
    });
}

void RecordsetImpl::AddNew()
{
    Guarded([&] {
        CheckOpen();
        CheckUpdatable();
        DropPendingEdit();
        EditValues.assign(Source->Fields.size(), Variant::Null());
        for (std::size_t i = 0; i < Source->Fields.size(); ++i) {
            const FieldInfo& field = Source->Fields[i];
            if (!field.Updatable || field.DefaultValue.empty())
                continue;
            try {
                const std::string defaultSql = catalog::DefaultSql(field.Type, field.DefaultValue);
                if (defaultSql.empty())
                    continue;
                sqlite::Statement value = Source->Db->Sql().Prepare("SELECT (" + defaultSql + ")");
                if (value.Step())
                    EditValues[i] = FromStorage(field, value, 0);
            } catch (const EngineError&) {
                // A default the file cannot compute stays Null here; the insert applies it.
            }
        }
        EditChanged.assign(Source->Fields.size(), false);
        EditOriginal.clear();
        EditRowId = 0;
        EditState = dbEditAdd;
    });
}

Variant ConvertForField(const FieldInfo& field, const Variant& value)
{
    if (value.IsClear())
        return Variant::Null();
    try {
        switch (field.Type) {
        case dbBoolean: return Variant(value.AsBoolean());
        case dbByte:
        case dbInteger:
        case dbLong:
        case dbBigInt: {
            const std::int64_t number = value.AsInt64();
            const bool fits = field.Type == dbByte  ? number >= 0 && number <= 255
                : field.Type == dbInteger           ? number >= -32768 && number <= 32767
                : field.Type == dbLong              ? number >= INT32_MIN && number <= INT32_MAX
                                                    : true;
            if (!fits)
                Raise(3349, "Numeric field overflow.", "DAO.Field");
            if (field.Type == dbByte)
                return Variant::Byte(static_cast<std::uint8_t>(number));
            if (field.Type == dbInteger)
                return Variant::Smallint(static_cast<std::int16_t>(number));
            if (field.Type == dbLong)
                return Variant(static_cast<int>(number));
            return Variant(number);
        }
        case dbCurrency: return Variant::CurrencyScaled(value.AsCurrencyScaled());
        case dbSingle: {
            // Up to half a step beyond the largest Single rounds to it (its
            // text, 3.402823E+38, reads back so); further is an overflow.
            constexpr double largest = std::numeric_limits<float>::max();
            const double number = value.AsDouble();
            if (std::isfinite(number) && std::fabs(number) > largest) {
                if (std::fabs(number) >= largest + std::ldexp(1.0, 103))
                    Raise(3349, "Numeric field overflow.", "DAO.Field");
                return Variant::Single(static_cast<float>(std::copysign(largest, number)));
            }
            return Variant::Single(static_cast<float>(number));
        }
        case dbDate:
        case dbTime:
        case dbTimeStamp: {
            const double date = value.AsDate();
            if (!platform::IsValidDateTime(date))
                Raise(errTypeConversion, "Data type conversion error.", "DAO.Field");
            return Variant::Date(date);
        }
        case dbText:
        case dbChar:
        case dbMemo: {
            std::string text = value.IsArray() ? value.AsBytes() : value.AsString();
            if (field.Type != dbMemo && field.Size > 0) {
                std::size_t characters = 0;
                for (char c : text)
                    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
                        ++characters;
                if (characters > static_cast<std::size_t>(field.Size))
                    Raise(errFieldTooSmall,
                          "The field is too small to accept the amount of data you attempted to add. Try inserting "
                          "or pasting less data.",
                          "DAO.Field");
            }
            return Variant(std::move(text));
        }
        case dbBinary:
        case dbVarBinary:
        case dbLongBinary: {
            const std::string bytes = value.AsBytes();
            if (field.Type != dbLongBinary && field.Size > 0 && bytes.size() > static_cast<std::size_t>(field.Size))
                Raise(errFieldTooSmall, "The field is too small to accept the amount of data you attempted to add.",
                      "DAO.Field");
            return Variant::Bytes(bytes);
        }
        case dbGUID: {
            if (value.IsArray()) {
                const std::string bytes = value.AsBytes();
                if (bytes.size() == 16)
                    return Variant("{guid " + sql::GuidText(bytes) + "}");
            } else {
                std::string text = value.AsString();
                if (text.rfind("{guid ", 0) == 0 && text.size() > 7)
                    text = text.substr(6, text.size() - 7);
                if (sql::GuidBytes(text))
                    return Variant("{guid " + sql::GuidText(*sql::GuidBytes(text)) + "}");
            }
            Raise(errTypeConversion, "Data type conversion error.", "DAO.Field");
        }
        default: return Variant(value.AsDouble());
        }
    } catch (const EVariantError&) {
        Raise(errTypeConversion, "Data type conversion error.", "DAO.Field");
    }
}

const Variant* RecordsetImpl::WindowRow() const
{
    if (Settled() && Cache.Generation == Source->Db->Generation() && Pos >= 0
        && static_cast<std::size_t>(Pos) >= Cache.Start && static_cast<std::size_t>(Pos) < Cache.Start + Cache.Count
        && Cache.Exists[static_cast<std::size_t>(Pos) - Cache.Start])
        return Cache.Values->data() + (static_cast<std::size_t>(Pos) - Cache.Start) * Source->Fields.size();
    return nullptr;
}

bool RecordsetImpl::ReadValues(Variant* const* values, std::size_t count) const
{
    if (count > FieldCount())
        return false;
    Guarded([&] {
        // What the window lacks is read first, so that a row deleted
        // meanwhile raises before any value is copied. Each field read so
        // joins those every later window reads: the loop ends.
        const Variant* row = WindowRow();
        for (std::size_t reads = 0; reads < count; ++reads) {
            std::size_t missing = 0;
            while (missing < count && (!values[missing] || (row && Cache.Loaded[missing])))
                ++missing;
            if (missing == count)
                break;
            FieldValue(missing);
            row = WindowRow();
            if (!row)
                break;  // values held outside a window (a snapshot's, an edit's)
        }
        for (std::size_t field = 0; field < count; ++field) {
            if (!values[field])
                continue;
            if (row && Cache.Loaded[field]) {
                *values[field] = row[field];
            } else {
                *values[field] = FieldValue(field);
                row = WindowRow();  // the read may have moved the window
            }
        }
    });
    return true;
}

bool RecordsetImpl::ShareValues(Variant* const* wanted, std::size_t count, const Variant*& row,
                                std::shared_ptr<const void>& owner) const
{
    // A window of one row (a jump, a seek) is read for that row alone:
    // copying its values costs less than a block of its own per row.
    const Variant* values = count <= FieldCount() && Cache.Count > 1 ? WindowRow() : nullptr;
    if (!values)
        return false;
    if (!Cache.AllLoaded)
        for (std::size_t field = 0; field < count; ++field)
            if (wanted[field] && !Cache.Loaded[field])
                return false;
    row = values;
    if (owner != Cache.Values)
        owner = Cache.Values;
    return true;
}

const Variant& RecordsetImpl::FieldValue(std::size_t field) const
{
    // The common case of a walk: the current row is in the window, read.
    if (const Variant* row = WindowRow(); row && Cache.Loaded[field])
        return row[field];
    CheckOpen();
    if (EditState != dbEditNone)
        return EditValues[field];
    SyncTableKeys();
    CheckCurrent();
    return RowAt(static_cast<std::size_t>(Pos), static_cast<int>(field))[field];
}

void RecordsetImpl::SetFieldValue(std::size_t field, const Variant& value)
{
    CheckOpen();
    if (EditState == dbEditNone)
        Raise(errUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.", RecordsetSource());
    const FieldInfo& info = Source->Fields[field];
    if (!info.Updatable)
        Raise(errFieldNotUpdatable, "Field cannot be updated.", "DAO.Field");
    EditValues[field] = ConvertForField(info, value);
    EditChanged[field] = true;
}

long RecordsetImpl::FieldSize(std::size_t field) const
{
    const Variant& value = FieldValue(field);
    if (value.IsClear())
        return 0;
    if (value.IsArray())
        return static_cast<long>(value.AsBytes().size());
    return static_cast<long>(value.AsString().size());
}

void RecordsetImpl::Update()
{
    Guarded([&] {
        CheckOpen();
        if (EditState == dbEditNone)
            Raise(errUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.", RecordsetSource());
        DatabaseImpl& db = *Source->Db;
        CheckTableWritable();
        std::vector<std::size_t> changed;
        for (std::size_t i = 0; i < EditChanged.size(); ++i)
            if (EditChanged[i])
                changed.push_back(i);
        const auto bindValue = [&](sqlite::Statement& statement, int index, const FieldInfo& field,
                                   const Variant& value) {
            if (field.Type == dbGUID && value.VarType() == varString) {
                const std::string text = value.AsString();
                statement.BindBlob(index, *sql::GuidBytes(text.substr(6, text.size() - 7)));
                return;
            }
            statement.Bind(index, value);
        };
        if (EditState == dbEditInProgress) {
            LockRow(EditRowId);  // refused while another recordset holds the row
            const std::vector<Variant> stored = FetchRow(EditRowId);
            if (stored.empty())
                RecordDeleted();
            for (std::size_t i = 0; i < stored.size(); ++i)
                if (Source->Fields[i].Updatable && !(stored[i] == EditOriginal[i]))
                    Raise(errWriteConflict,
                          "The database engine stopped the process because you and another user are attempting to "
                          "change the same data at the same time.",
                          RecordsetSource());
            if (!changed.empty()) {
                sqlite::Statement& update = WriteStatement('u', changed, [&] {
                    std::string sql = "UPDATE " + Source->BaseRef + " SET ";
                    for (std::size_t k = 0; k < changed.size(); ++k)
                        sql += (k ? ", " : "") + sqlite::QuoteIdentifier(Source->Fields[changed[k]].ColumnName)
                            + " = ?" + std::to_string(k + 1);
                    return sql + " WHERE _rowid_ = ?" + std::to_string(changed.size() + 1);
                });
                for (std::size_t k = 0; k < changed.size(); ++k)
                    bindValue(update, static_cast<int>(k) + 1, Source->Fields[changed[k]], EditValues[changed[k]]);
                update.BindInt64(static_cast<int>(changed.size()) + 1, EditRowId);
                const int rows = update.Run();
                db.NoteWrite();
                if (rows == 0)
                    RecordDeleted();
            }
            LastModifiedRowId = EditRowId;
        } else {
            sqlite::Statement& insert = WriteStatement('i', changed, [&] {
                if (changed.empty())
                    return "INSERT INTO " + Source->BaseRef + " DEFAULT VALUES";
                std::string columns, values;
                for (std::size_t k = 0; k < changed.size(); ++k) {
                    columns += (k ? ", " : "") + sqlite::QuoteIdentifier(Source->Fields[changed[k]].ColumnName);
                    values += (k ? ", ?" : "?") + std::to_string(k + 1);
                }
                return "INSERT INTO " + Source->BaseRef + " (" + columns + ") VALUES (" + values + ")";
            });
            for (std::size_t k = 0; k < changed.size(); ++k)
                bindValue(insert, static_cast<int>(k) + 1, Source->Fields[changed[k]], EditValues[changed[k]]);
            insert.Run();
            const std::int64_t rowId = db.Sql().LastInsertRowid();
            db.NoteWrite();
            LastModifiedRowId = rowId;
            if (RecordsetType == dbOpenDynaset)
                Keys->Append(rowId);
        }
        DropPendingEdit();
        Forget();
    });
}

sqlite::Statement& RecordsetImpl::WriteStatement(char kind, const std::vector<std::size_t>& changed,
                                                const std::function<std::string()>& sql)
{
    std::string key(Source->Fields.size() + 1, '0');
    key[0] = kind;
    for (std::size_t field : changed)
        key[field + 1] = '1';
    sqlite::Statement& statement = Source->WriteStatements[key];
    if (!statement.Valid())
        statement = Source->Db->Sql().Prepare(sql());
    statement.Reset();
    return statement;
}

void RecordsetImpl::CancelUpdate()
{
    Guarded([&] {
        CheckOpen();
        if (EditState == dbEditNone)
            Raise(errUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.", RecordsetSource());
        DropPendingEdit();
    });
}

void RecordsetImpl::Delete()
{
    Guarded([&] {
        CheckOpen();
        CheckUpdatable();
        SyncTableKeys();
        DropPendingEdit();
        CheckCurrent();
        const std::size_t position = static_cast<std::size_t>(Pos);
        const std::int64_t rowId = RowIdAt(position);
        CheckTableWritable();
        const auto& locks = RowLocks();
        if (const auto found = locks.find(RowLock{Source->Db->Name(), Source->TableId, rowId});
            found != locks.end() && found->second != this)
            RaiseLocked();
        sqlite::Statement remove = Source->Db->Sql().Prepare("DELETE FROM " + Source->BaseRef + " WHERE _rowid_ = ?");
        remove.BindInt64(1, rowId);
        const int rows = remove.Run();
        Source->Db->NoteWrite();
        if (RecordsetType == dbOpenTable) {
            const long next = NextLive(Pos + 1);
            GapAnchor = next < static_cast<long>(Size()) ? RowIdAt(static_cast<std::size_t>(next)) : 0;
        } else {
            Keys->MarkDeleted(position);
            GapAnchor = 0;
        }
        Gap = true;
        Forget();
        if (rows == 0)
            RecordDeleted();
    });
}

int RecordsetImpl::EditMode() const
{
    return EditState;
}

bool RecordsetImpl::Updatable() const
{
    return !ReadOnly && !Closed && Source->Keyed && KeyedType(RecordsetType) && !Source->Db->IsReadOnly();
}

bool RecordsetImpl::LockEdits() const
{
    return LockType == dbPessimistic;
}

void RecordsetImpl::SetLockEdits(bool value)
{
    Guarded([&] {
        CheckOpen();
        if (EditState != dbEditNone)
            Raise(errInvalidOperation, "Invalid operation.", RecordsetSource());
        LockType = value ? dbPessimistic : dbOptimistic;
    });
}

Variant RecordsetImpl::DateCreated() const
{
    return Guarded([&] {
        CheckOpen();
        if (RecordsetType != dbOpenTable)
            RaiseNotSupported("DateCreated of recordsets that are not table-type");
        const catalog::TableInfo* table = Source->Db->Catalog().TableById(Source->TableId);
        return table ? Variant::Date(table->Created) : Variant::Null();
    });
}

Variant RecordsetImpl::LastUpdated() const
{
    return Guarded([&] {
        CheckOpen();
        if (RecordsetType != dbOpenTable)
            RaiseNotSupported("LastUpdated of recordsets that are not table-type");
        const catalog::TableInfo* table = Source->Db->Catalog().TableById(Source->TableId);
        return table ? Variant::Date(table->Updated) : Variant::Null();
    });
}

QueryDefPtr RecordsetImpl::CopyQueryDef()
{
    return Guarded([&] {
        CheckOpen();
        return MakeTemporaryQueryDef(Source->Db, "", Source->JetSql);
    });
}

// ------------------------------------------------------------ factories

RecordsetPtr OpenTableRecordset(std::shared_ptr<DatabaseImpl> database, int tableId, const RecordsetOptions& options)
{
    const catalog::TableInfo* table = database->Catalog().TableById(tableId);
    if (!table)
        RaiseClosed();
    auto source = std::make_shared<RecordSource>();
    source->Db = database;
    source->Name = table->Name;
    source->JetSql = "SELECT * FROM [" + table->Name + "];";
    source->Type = dbOpenTable;
    source->Keyed = true;
    source->TableId = tableId;
    source->BaseRef = sqlite::QuoteIdentifier(table->Name);
    std::string columns;
    for (const catalog::ColumnDef& column : table->Columns) {
        FieldInfo field;
        field.Name = column.Name;
        field.Type = column.Type;
        field.Size = column.Size;
        field.AutoIncrement = column.AutoIncrement();
        field.Updatable = !field.AutoIncrement && !table->IsSystem();
        field.Attributes = column.Attributes | (field.Updatable ? dbUpdatableField : 0);
        field.Required = column.Required;
        field.DefaultValue = column.DefaultValue;
        field.SourceTable = table->Name;
        field.SourceField = column.Name;
        field.ColumnName = column.Name;
        field.Properties = column.Properties;
        source->Fields.push_back(std::move(field));
        columns += (columns.empty() ? "" : ", ") + sqlite::QuoteIdentifier(column.Name);
    }
    if (columns.empty())
        columns = "NULL";
    source->FetchSql = "SELECT " + columns + " FROM " + source->BaseRef + " WHERE _rowid_ = ?1";
    source->RangeSql = "SELECT _rowid_, " + columns + " FROM " + source->BaseRef + " WHERE _rowid_ >= ?1";
    for (const FieldInfo& field : source->Fields)
        source->FieldColumns.push_back(sqlite::QuoteIdentifier(field.ColumnName));
    source->RangeFrom = "FROM " + source->BaseRef;
    const int type = options.Type;
    const int lock = table->IsSystem() ? dbReadOnly : options.LockEdits;
    auto recordset = std::make_shared<RecordsetImpl>(source, std::vector<Derivation>(), type, options.Options, lock);
    recordset->Load();
    database->AddRecordset(recordset);
    return recordset;
}

RecordsetPtr OpenQueryRecordset(std::shared_ptr<DatabaseImpl> database, const std::string& jetSql,
                                const std::string& name, const sql::Translation& translation,
                                const std::vector<Variant>& parameters, const RecordsetOptions& options)
{
    auto source = std::make_shared<RecordSource>();
    source->Db = database;
    source->Name = name;
    source->JetSql = jetSql;
    source->Parameters = parameters;
    source->MaxRecords = options.MaxRecords;
    source->AppendOnly = (options.Options & dbAppendOnly) != 0;
    const sql::SelectShape& shape = translation.Shape;
    const catalog::TableInfo* base = shape.SingleTable ? database->Catalog().FindTable(shape.BaseTable) : nullptr;
    const bool keyed = base && !base->IsSystem() && (base->HasStorage() || base->IsLink());
    const int n = static_cast<int>(parameters.size());
    int firstField = 0;
    if (keyed) {
        source->Keyed = true;
        source->TableId = base->Id;
        source->BaseRef = shape.BaseRef;
        const std::string rowId = shape.Qualifier + "._rowid_";
        source->SelectionSql = shape.Head + " " + rowId + " AS \"jet.rowid\", " + shape.List + " " + shape.From
            + (shape.Rest.empty() ? "" : " " + shape.Rest);
        source->FetchSql =
            shape.Head + " " + shape.List + " " + shape.From + " WHERE " + rowId + " = ?" + std::to_string(n + 1);
        source->RangeSql =
            shape.Head + " " + rowId + ", " + shape.List + " " + shape.From + " WHERE " + rowId + " >= ?" + std::to_string(n + 1);
        firstField = 1;
    } else {
        source->SelectionSql = translation.Sql;
        if (base && !base->IsSystem())
            source->TableId = base->Id;  // for table locks only
    }
    sqlite::Statement prepared = database->Sql().PrepareUser(source->SelectionSql);
    const catalog::TableInfo* linked = base && base->IsLink() ? &database->LinkedTable(*base) : nullptr;
    for (int i = firstField; i < prepared.ColumnCount(); ++i) {
        FieldInfo field;
        field.Name = prepared.ColumnName(i);
        field.Type = 0;  // known below, or from the first value
        const std::string schema = prepared.ColumnDatabase(i);
        const std::string table = prepared.ColumnTable(i);
        const std::string origin = prepared.ColumnOrigin(i);
        std::string sourceTable;
        const catalog::TableInfo* info = database->OriginTable(schema, table, sourceTable);
        const catalog::ColumnDef* column = info ? info->FindColumn(origin) : nullptr;
        if (column) {
            field.Type = column->Type;
            field.Size = column->Size;
            field.Required = column->Required;
            field.DefaultValue = column->DefaultValue;
            field.AutoIncrement = column->AutoIncrement();
            field.Properties = column->Properties;
            field.SourceTable = sourceTable;
            field.SourceField = column->Name;
            field.ColumnName = column->Name;
            const bool fromBase = keyed && ((linked && info == linked) || (!linked && info == base));
            field.Updatable = fromBase && !field.AutoIncrement;
            field.Attributes = column->Attributes | (field.Updatable ? dbUpdatableField : 0);
        }
        source->Fields.push_back(std::move(field));
    }
    if (keyed && shape.List == "*") {
        // Every field a column of the base table: walks may read only some.
        bool columnsOnly = true;
        for (const FieldInfo& field : source->Fields)
            columnsOnly = columnsOnly && !field.ColumnName.empty();
        if (columnsOnly) {
            for (const FieldInfo& field : source->Fields)
                source->FieldColumns.push_back(shape.Qualifier + "." + sqlite::QuoteIdentifier(field.ColumnName));
            source->RangeFrom = shape.From;
            source->RowIdSql = shape.Qualifier + "._rowid_";
        }
    }
    auto recordset = std::make_shared<RecordsetImpl>(source, std::vector<Derivation>(), options.Type, options.Options,
                                                     options.LockEdits);
    recordset->Load();
    database->AddRecordset(recordset);
    return recordset;
}

} // namespace jet::impl
