#include "platform/jet/OdbcRecordset.h"

#include "platform/jet/Collation.h"
#include "platform/jet/OdbcDefinitions.h"
#include "platform/jet/RecordsetField.h"

#include <algorithm>
#include <cmath>

namespace jet::impl {
namespace {

const std::string RecordsetSource = "DAO.Recordset";
// Rows read again by key in one statement.
constexpr std::size_t RefreshRows = 32;

[[noreturn]] void NoCurrentRecord()
{
    Raise(errNoCurrentRecord, "No current record.", RecordsetSource);
}

[[noreturn]] void RecordDeleted()
{
    Raise(errRecordDeleted, "Record is deleted.", RecordsetSource);
}

[[noreturn]] void CannotMoveBack()
{
    Raise(errInvalidOperation, "Invalid operation. A forward-only recordset cannot move back.", RecordsetSource);
}

void EncodeId(std::uint32_t id, jet::Bookmark& bookmark)
{
    bookmark.resize(4);
    for (std::size_t i = 0; i < 4; ++i)
        bookmark[i] = static_cast<std::uint8_t>((id >> (8 * i)) & 0xFF);
}

jet::Bookmark EncodeId(std::uint32_t id)
{
    jet::Bookmark bookmark;
    EncodeId(id, bookmark);
    return bookmark;
}

std::uint32_t DecodeId(const jet::Bookmark& bookmark)
{
    if (bookmark.size() != 4)
        Raise(errNotValidBookmark, "Not a valid bookmark.", RecordsetSource);
    std::uint32_t id = 0;
    for (std::size_t i = 0; i < 4; ++i)
        id |= static_cast<std::uint32_t>(bookmark[i]) << (8 * i);
    return id;
}

// Equal as the source gives values back: byte arrays by their bytes.
bool SameValue(const Variant& a, const Variant& b)
{
    if (a.IsArray() || b.IsArray())
        return a.IsArray() && b.IsArray() && a.AsBytes() == b.AsBytes();
    return a == b;
}

// The SQL the statement of each DBMS that tells the number the source gave
// the row just inserted; empty when the DBMS is not known here.
std::string IdentityQuery(const std::string& dbms)
{
    const std::string name = AsciiUpper(dbms);
    if (name.find("SQLITE") != std::string::npos)
        return "SELECT last_insert_rowid()";
    if (name.find("POSTGRES") != std::string::npos)
        return "SELECT lastval()";
    if (name.find("MYSQL") != std::string::npos || name.find("MARIADB") != std::string::npos)
        return "SELECT LAST_INSERT_ID()";
    if (name.find("SQL SERVER") != std::string::npos)
        return "SELECT @@IDENTITY";
    return "";
}

} // namespace

std::uint32_t OdbcRowNumbers::For(const std::string& key)
{
    const auto [found, added] = ByKey.try_emplace(key, Next);
    if (added)
        ++Next;
    return found->second;
}

// ---------------------------------------------------------------- opening

RecordsetPtr OpenOdbcRecordset(std::shared_ptr<OdbcDatabaseImpl> database, const std::string& jetSql,
                               const std::string& name, const odbc::OdbcStatement& statement,
                               const std::vector<Variant>& parameters, int type, int options, int lockEdits,
                               long maxRecords)
{
    const bool passThrough = (options & dbSQLPassThrough) != 0;
    if (type == -1)
        type = dbOpenDynaset;
    if (type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot && type != dbOpenForwardOnly
        && type != dbOpenDynamic)
        Raise(errInvalidArgument, "Invalid argument.", "DAO.Database");
    const catalog::TableInfo* base = nullptr;
    if (!passThrough && !statement.SingleTable.empty()) {
        try {
            base = &database->Describe(statement.SingleTable);
        } catch (const EngineError&) {
            // The driver names the missing table when the query runs.
        }
    }
    // A table-type recordset is one stored table opened by its name.
    if (type == dbOpenTable && (!base || !SameName(name, base->Name) || database->IsView(base->Name)))
        Raise(errInvalidOperation, "Invalid operation. Only a stored table opens as a table-type recordset.",
              "DAO.Database");

    auto query = std::make_shared<OdbcQuery>();
    query->Name = name;
    query->JetSql = jetSql;
    query->Sql = statement.Sql;
    query->Parameters = parameters;
    query->MaxRecords = maxRecords;
    {
        const auto described = database->NewStatement();
        described->Prepare(statement.Sql);
        for (int i = 1, n = described->ColumnCount(); i <= n; ++i) {
            const odbc::ColumnShape shape = described->Describe(i);
            FieldInfo field;
            field.Name = shape.Name;
            const bool fromBase =
                base && (shape.BaseTable.empty() || SameName(shape.BaseTable, base->Name));
            const catalog::ColumnDef* column =
                fromBase ? base->FindColumn(shape.BaseColumn.empty() ? shape.Name : shape.BaseColumn) : nullptr;
            if (column) {
                field.Type = column->Type;
                field.Size = column->Size;
                field.Required = column->Required;
                field.DefaultValue = column->DefaultValue;
                field.AutoIncrement = column->AutoIncrement();
                field.Attributes = column->Attributes;
                field.SourceTable = base->Name;
                field.SourceField = column->Name;
                field.ColumnName = column->Name;
            } else {
                field.Type = odbc::DaoType(shape.SqlType, shape.Size, shape.Digits);
                field.Size = odbc::DaoSize(field.Type, shape.Size);
            }
            query->Fields.push_back(std::move(field));
            query->SqlTypes.push_back(shape.SqlType);
        }
    }
    if (base) {
        // The key: the primary key, else a unique index of required fields.
        const catalog::IndexDef* key = base->PrimaryIndex();
        for (const catalog::IndexDef& index : base->Indexes) {
            if (key)
                break;
            const bool required = std::all_of(index.Columns.begin(), index.Columns.end(), [&](const auto& member) {
                const catalog::ColumnDef* column = base->ColumnById(member.ColumnId);
                return column && column->Required;
            });
            if (index.Unique && required && !index.Columns.empty())
                key = &index;
        }
        std::vector<std::size_t> keyFields;
        if (key) {
            for (const catalog::IndexColumn& member : key->Columns) {
                const catalog::ColumnDef* column = base->ColumnById(member.ColumnId);
                for (std::size_t f = 0; column && f < query->Fields.size(); ++f)
                    if (query->Fields[f].ColumnName == column->Name) {
                        keyFields.push_back(f);
                        break;
                    }
            }
            if (keyFields.size() != key->Columns.size())
                keyFields.clear();
        }
        if (!keyFields.empty()) {
            query->KeyFields = std::move(keyFields);
            query->BaseTable = base->Name;
            for (FieldInfo& field : query->Fields) {
                field.Updatable = !field.ColumnName.empty() && !field.AutoIncrement;
                if (field.Updatable)
                    field.Attributes |= dbUpdatableField;
            }
        }
    }
    // Without a cursor the source gives its rows once, forward, to read.
    if (database->CursorDriver() == dbUseNoCursor) {
        type = dbOpenForwardOnly;
        lockEdits = dbReadOnly;
    }
    auto recordset = std::make_shared<OdbcRecordset>(database, query, std::vector<Derivation>(), type, options,
                                                     lockEdits);
    recordset->Load();
    database->AddRecordset(recordset);
    return recordset;
}

OdbcRecordset::OdbcRecordset(std::shared_ptr<OdbcDatabaseImpl> database, std::shared_ptr<const OdbcQuery> query,
                             std::vector<Derivation> derivations, int type, int options, int lockEdits)
    : EngineObject(database->Errors()), Db(std::move(database)), Query(std::move(query)),
      Derivations(std::move(derivations)), Numbers(std::make_shared<OdbcRowNumbers>()), RecordsetType(type),
      Options(options), LockType(lockEdits == -1 ? dbPessimistic : lockEdits)
{
    ForwardOnly = type == dbOpenForwardOnly || (options & dbForwardOnly) != 0;
    if (ForwardOnly)
        RecordsetType = dbOpenForwardOnly;
    ReadOnly = (options & dbReadOnly) != 0 || (options & dbSQLPassThrough) != 0 || LockType == dbReadOnly || !Keyed()
        || RecordsetType == dbOpenSnapshot || ForwardOnly || Db->IsReadOnly();
    if (RecordsetType == dbOpenTable && Keyed()) {
        // Table order: the primary key's.
        const std::string& quote = Db->Connection().IdentifierQuote();
        for (std::size_t field : Query->KeyFields)
            IndexOrder += (IndexOrder.empty() ? "" : ", ") + odbc::QuoteName(Query->Fields[field].ColumnName, quote);
    }
}

OdbcRecordset::~OdbcRecordset() = default;

void OdbcRecordset::Load()
{
    Rebuild();
    if ((Options & dbAppendOnly) != 0) {
        RowList = std::make_shared<OdbcRowList>();
    }
    Pos = NextLive(0);
    Gap = false;
}

OdbcRecordset::Rows OdbcRecordset::ReadRows() const
{
    const auto statement = Db->NewStatement();
    const std::string sql = Query->Sql + (IndexOrder.empty() ? "" : " ORDER BY " + IndexOrder);
    if (Query->Parameters.empty()) {
        statement->ExecDirect(sql);
    } else {
        statement->Prepare(sql);
        statement->BindParameters(Query->Parameters);
        statement->Execute();
    }
    const std::size_t n = Query->Fields.size();
    const int columns = std::min(statement->ColumnCount(), static_cast<int>(n));
    Rows rows;
    // A row keeps its bookmark in the recordsets opened from this one and
    // when it is read again: it is known by its key, or without one (where
    // a dynamic recordset reads rows again) by its values and which of equal
    // rows it is. Other rows are numbered in order.
    const bool known = Keyed() || Moving();
    std::map<std::string, int> seen;
    while ((Query->MaxRecords <= 0 || static_cast<long>(rows.size()) < Query->MaxRecords) && statement->Fetch()) {
        OdbcRow row;
        row.Values.assign(n, Variant::Null());
        for (int i = 0; i < columns; ++i)
            row.Values[static_cast<std::size_t>(i)] = statement->Read(i + 1, Query->Fields[static_cast<std::size_t>(i)].Type);
        if (!known) {
            row.Id = Numbers->Next++;
        } else if (Keyed()) {
            row.Id = Numbers->For(KeyText(KeyOf(row.Values)));
        } else {
            const std::string values = KeyText(row.Values);
            row.Id = Numbers->For(values + "#" + std::to_string(seen[values]++));
        }
        row.ReadAt = Db->Generation();
        rows.push_back(std::move(row));
    }
    return rows;
}

void OdbcRecordset::Derive(Rows& rows) const
{
    for (const Derivation& derivation : Derivations) {
        if (!derivation.Filter.empty()) {
            Criteria criteria(Db->Scratch(), Query->Fields, derivation.Filter);
            rows.erase(std::remove_if(rows.begin(), rows.end(),
                                      [&](const OdbcRow& row) {
                                          return !criteria.Matches(RowView{row.Values.data(), row.Values.size(), true});
                                      }),
                       rows.end());
        }
        if (!derivation.Sort.empty()) {
            std::vector<SortStep> steps;
            for (const sql::SortKey& key : sql::ParseSort(derivation.Sort)) {
                std::size_t field = Query->Fields.size();
                for (std::size_t i = 0; i < Query->Fields.size(); ++i)
                    if (SameName(Query->Fields[i].Name, key.Field))
                        field = i;
                if (field == Query->Fields.size())
                    Raise(3070, "The database engine does not recognize '" + key.Field
                                    + "' as a valid field name or expression.",
                          RecordsetSource);
                steps.push_back({field, key.Descending});
            }
            std::stable_sort(rows.begin(), rows.end(), [&](const OdbcRow& a, const OdbcRow& b) {
                for (const SortStep& step : steps) {
                    const int c = CompareValues(a.Values[step.Field], b.Values[step.Field]);
                    if (c != 0)
                        return step.Descending ? c > 0 : c < 0;
                }
                return false;
            });
        }
    }
}

void OdbcRecordset::Rebuild() const
{
    Rows rows = ReadRows();
    Derive(rows);
    auto list = std::make_shared<OdbcRowList>();
    list->Items = std::move(rows);
    RowList = std::move(list);
    RowsReadAt = Db->Generation();
}

void OdbcRecordset::SyncRows() const
{
    if (!Moving() || !RowList || RowsReadAt == Db->Generation() || EditState != dbEditNone)
        return;
    // The cursor stays on its row, or before the row it stood before.
    const long anchor = Gap ? NextLive(Pos) : Pos;
    const bool onRow = anchor >= 0 && anchor < static_cast<long>(Size());
    const std::uint32_t id = onRow ? RowList->Items[static_cast<std::size_t>(anchor)].Id : 0;
    const bool before = Pos < 0 && !Gap;
    Rebuild();
    if (before) {
        Pos = -1;
        return;
    }
    const long found = onRow ? PositionOfId(id) : -1;
    Pos = found >= 0 ? found : static_cast<long>(Size());
    Gap = Gap || (found < 0 && onRow);
}

bool OdbcRecordset::Live() const
{
    return Keyed() && (RecordsetType == dbOpenDynaset || Moving());
}

long OdbcRecordset::LiveCount() const
{
    return RowList ? static_cast<long>(RowList->Items.size() - RowList->DeletedCount) : 0;
}

bool OdbcRecordset::HasCurrent() const
{
    return !Gap && Pos >= 0 && Pos < static_cast<long>(Size()) && IsLive(static_cast<std::size_t>(Pos));
}

void OdbcRecordset::CheckCurrent() const
{
    if (!HasCurrent())
        NoCurrentRecord();
}

long OdbcRecordset::NextLive(long from) const
{
    const long size = static_cast<long>(Size());
    for (long p = std::max(from, 0L); p < size; ++p)
        if (IsLive(static_cast<std::size_t>(p)))
            return p;
    return size;
}

long OdbcRecordset::PreviousLive(long from) const
{
    for (long p = std::min(from, static_cast<long>(Size()) - 1); p >= 0; --p)
        if (IsLive(static_cast<std::size_t>(p)))
            return p;
    return -1;
}

void OdbcRecordset::SetPosition(long position)
{
    Pos = position;
    Gap = false;
}

void OdbcRecordset::DropPendingEdit()
{
    EditState = dbEditNone;
    EditValues.clear();
    EditChanged.clear();
    EditOriginal.clear();
    EditId = 0;
}

long OdbcRecordset::PositionOfId(std::uint32_t id) const
{
    for (std::size_t p = 0; p < Size(); ++p)
        if (RowList->Items[p].Id == id)
            return static_cast<long>(p);
    return -1;
}

// ------------------------------------------------------- reading by key

std::vector<Variant> OdbcRecordset::KeyOf(const std::vector<Variant>& values) const
{
    std::vector<Variant> key;
    for (std::size_t field : Query->KeyFields)
        key.push_back(values[field]);
    return key;
}

std::string OdbcRecordset::KeyText(const std::vector<Variant>& key) const
{
    // Each value's type and its bytes: numbers as they are held, texts and
    // byte arrays after their length.
    std::string text;
    const auto append = [&text](const auto& bits) { text.append(reinterpret_cast<const char*>(&bits), sizeof bits); };
    for (const Variant& value : key) {
        append(value.VarType());
        switch (value.VarType()) {
        case varEmpty:
        case varNull: break;
        case varBoolean:
        case varByte:
        case varSmallint:
        case varInteger:
        case varInt64: append(value.AsInt64()); break;
        case varCurrency: append(value.AsCurrencyScaled()); break;
        case varSingle:
        case varDouble:
        case varDate: append(value.AsDouble()); break;
        default: {
            const std::string bytes = value.IsArray() ? value.AsBytes() : value.AsString();
            append(bytes.size());
            text += bytes;
        }
        }
    }
    return text;
}

std::string OdbcRecordset::SelectColumns() const
{
    const std::string& quote = Db->Connection().IdentifierQuote();
    std::string columns;
    for (const FieldInfo& field : Query->Fields)
        if (!field.ColumnName.empty())
            columns += (columns.empty() ? "" : ", ") + odbc::QuoteName(field.ColumnName, quote);
    return columns;
}

std::string OdbcRecordset::KeyCondition(std::size_t rows) const
{
    const std::string& quote = Db->Connection().IdentifierQuote();
    std::vector<std::string> keys;
    for (std::size_t field : Query->KeyFields)
        keys.push_back(odbc::QuoteName(Query->Fields[field].ColumnName, quote));
    std::string condition;
    if (keys.size() == 1) {
        condition = keys[0] + " IN (";
        for (std::size_t r = 0; r < rows; ++r)
            condition += r ? ", ?" : "?";
        return condition + ")";
    }
    for (std::size_t r = 0; r < rows; ++r) {
        condition += r ? " OR (" : "(";
        for (std::size_t k = 0; k < keys.size(); ++k)
            condition += (k ? " AND " : "") + keys[k] + " = ?";
        condition += ")";
    }
    return condition;
}

void OdbcRecordset::ReadFetched(odbc::Statement& statement, std::vector<Variant>& values) const
{
    values.assign(Query->Fields.size(), Variant());
    int column = 1;
    for (std::size_t f = 0; f < Query->Fields.size(); ++f)
        if (!Query->Fields[f].ColumnName.empty())
            values[f] = statement.Read(column++, Query->Fields[f].Type);
}

void OdbcRecordset::Refresh(std::size_t position) const
{
    // The stale rows from here on, a window at a time.
    std::vector<std::size_t> positions;
    for (std::size_t p = position; p < Size() && positions.size() < RefreshRows; ++p) {
        const OdbcRow& row = RowList->Items[p];
        if (!row.Deleted && !row.Gone && row.ReadAt != Db->Generation())
            positions.push_back(p);
    }
    if (positions.empty())
        return;
    std::vector<Variant> markers;
    std::vector<SQLSMALLINT> types;
    for (std::size_t p : positions)
        for (std::size_t field : Query->KeyFields) {
            markers.push_back(RowList->Items[p].Values[field]);
            types.push_back(Query->SqlTypes[field]);
        }
    const auto statement = Db->NewStatement();
    statement->Prepare("SELECT " + SelectColumns() + " FROM "
                       + odbc::QuoteName(Query->BaseTable, Db->Connection().IdentifierQuote()) + " WHERE "
                       + KeyCondition(positions.size()));
    statement->BindParameters(markers, types);
    statement->Execute();
    std::map<std::string, std::vector<Variant>> fetched;
    std::vector<Variant> values;
    while (statement->Fetch()) {
        ReadFetched(*statement, values);
        fetched[KeyText(KeyOf(values))] = values;
    }
    for (std::size_t p : positions) {
        OdbcRow& row = RowList->Items[p];
        const auto found = fetched.find(KeyText(KeyOf(row.Values)));
        row.ReadAt = Db->Generation();
        if (found == fetched.end()) {
            row.Gone = true;
            continue;
        }
        for (std::size_t f = 0; f < row.Values.size(); ++f)
            if (!Query->Fields[f].ColumnName.empty())
                row.Values[f] = found->second[f];
    }
}

std::vector<Variant> OdbcRecordset::FetchRow(const std::vector<Variant>& key) const
{
    std::vector<SQLSMALLINT> types;
    for (std::size_t field : Query->KeyFields)
        types.push_back(Query->SqlTypes[field]);
    const auto statement = Db->NewStatement();
    statement->Prepare("SELECT " + SelectColumns() + " FROM "
                       + odbc::QuoteName(Query->BaseTable, Db->Connection().IdentifierQuote()) + " WHERE "
                       + KeyCondition(1));
    statement->BindParameters(key, types);
    statement->Execute();
    std::vector<Variant> values;
    if (!statement->Fetch())
        return {};
    ReadFetched(*statement, values);
    return values;
}

const OdbcRow* OdbcRecordset::TryRow(std::size_t position) const
{
    const OdbcRow& row = RowList->Items[position];
    if (Live() && !row.Gone && row.ReadAt != Db->Generation())
        Refresh(position);
    return row.Gone ? nullptr : &row;
}

const OdbcRow& OdbcRecordset::RowAt(std::size_t position) const
{
    const OdbcRow* row = TryRow(position);
    if (!row)
        RecordDeleted();
    return *row;
}

// -------------------------------------------------------------- position

std::string OdbcRecordset::Name() const
{
    return Guarded([&] {
        CheckOpen();
        return Query->Name;
    });
}

Collection<Field>& OdbcRecordset::Fields()
{
    if (!FieldList)
        FieldList = std::make_unique<RecordsetFieldsOf<OdbcRecordset>>(*this);
    return *FieldList;
}

void OdbcRecordset::CheckOpen() const
{
    if (Closed || Db->IsClosed())
        RaiseClosed();
}

void OdbcRecordset::Detach()
{
    Closed = true;
    RowList.reset();
}

bool OdbcRecordset::Bof() const
{
    return Guarded([&] {
        CheckOpen();
        SyncRows();
        return LiveCount() == 0 || (!Gap && Pos < 0);
    });
}

bool OdbcRecordset::Eof() const
{
    return Guarded([&] {
        CheckOpen();
        SyncRows();
        return LiveCount() == 0 || (!Gap && Pos >= static_cast<long>(Size()));
    });
}

long OdbcRecordset::RecordCount() const
{
    return Guarded([&] {
        CheckOpen();
        SyncRows();
        return LiveCount();
    });
}

long OdbcRecordset::AbsolutePosition() const
{
    return Guarded([&] {
        CheckOpen();
        SyncRows();
        if (!HasCurrent())
            return -1L;
        if (RowList->DeletedCount == 0)
            return Pos;
        long live = 0;
        for (long p = 0; p < Pos; ++p)
            live += IsLive(static_cast<std::size_t>(p)) ? 1 : 0;
        return live;
    });
}

void OdbcRecordset::SetAbsolutePosition(long position)
{
    Guarded([&] {
        CheckOpen();
        SyncRows();
        if (position < 0 || position >= LiveCount())
            Raise(errInvalidArgument, "Invalid argument.", RecordsetSource);
        DropPendingEdit();
        long live = -1;
        for (long p = 0; p < static_cast<long>(Size()); ++p) {
            if (IsLive(static_cast<std::size_t>(p)) && ++live == position) {
                if (ForwardOnly && p < Pos)
                    CannotMoveBack();
                SetPosition(p);
                return;
            }
        }
    });
}

float OdbcRecordset::PercentPosition() const
{
    return Guarded([&] {
        const long count = RecordCount();
        const long position = AbsolutePosition();
        if (count == 0 || position < 0)
            return 0.0f;
        return static_cast<float>(100.0 * position / count);
    });
}

void OdbcRecordset::SetPercentPosition(float percent)
{
    Guarded([&] {
        const long count = RecordCount();
        if (percent < 0 || percent > 100)
            Raise(errInvalidArgument, "Invalid argument.", RecordsetSource);
        if (count == 0)
            return;
        SetAbsolutePosition(std::min(count - 1, static_cast<long>(std::lround(percent * count / 100.0))));
    });
}

void OdbcRecordset::ReadBookmark(jet::Bookmark& bookmark) const
{
    Guarded([&] {
        CheckOpen();
        if (ForwardOnly)
            RaiseNotSupported("Bookmarks of forward-only recordsets");
        SyncRows();
        CheckCurrent();
        EncodeId(RowList->Items[static_cast<std::size_t>(Pos)].Id, bookmark);
    });
}

void OdbcRecordset::SetBookmark(const jet::Bookmark& bookmark)
{
    Guarded([&] {
        CheckOpen();
        if (ForwardOnly)
            RaiseNotSupported("Bookmarks of forward-only recordsets");
        SyncRows();
        const long position = PositionOfId(DecodeId(bookmark));
        if (position < 0)
            Raise(errNotValidBookmark, "Not a valid bookmark.", RecordsetSource);
        if (!IsLive(static_cast<std::size_t>(position)) || !TryRow(static_cast<std::size_t>(position)))
            RecordDeleted();
        DropPendingEdit();
        SetPosition(position);
    });
}

jet::Bookmark OdbcRecordset::LastModified() const
{
    return Guarded([&] {
        CheckOpen();
        return LastModifiedId == 0 ? jet::Bookmark() : EncodeId(LastModifiedId);
    });
}

void OdbcRecordset::MoveFirst()
{
    Guarded([&] {
        CheckOpen();
        SyncRows();
        const long first = NextLive(0);
        if (ForwardOnly && (Gap || Pos > first) && Pos >= 0)
            CannotMoveBack();
        DropPendingEdit();
        SetPosition(first);
    });
}

void OdbcRecordset::MoveLast()
{
    Guarded([&] {
        CheckOpen();
        SyncRows();
        DropPendingEdit();
        const long last = PreviousLive(static_cast<long>(Size()) - 1);
        SetPosition(last < 0 ? static_cast<long>(Size()) : last);
    });
}

void OdbcRecordset::MoveNext()
{
    Guarded([&] {
        CheckOpen();
        SyncRows();
        if (LiveCount() == 0 || (!Gap && Pos >= static_cast<long>(Size())))
            NoCurrentRecord();
        DropPendingEdit();
        SetPosition(NextLive(Gap ? Pos : Pos + 1));
    });
}

void OdbcRecordset::MovePrevious()
{
    Guarded([&] {
        CheckOpen();
        if (ForwardOnly)
            CannotMoveBack();
        SyncRows();
        if (LiveCount() == 0 || (!Gap && Pos < 0))
            NoCurrentRecord();
        DropPendingEdit();
        SetPosition(PreviousLive(Pos - 1));
    });
}

void OdbcRecordset::Move(long rows)
{
    Guarded([&] {
        CheckOpen();
        SyncRows();
        CheckCurrent();
        if (ForwardOnly && rows < 0)
            CannotMoveBack();
        DropPendingEdit();
        if (rows == 0) {
            RowList->Items[static_cast<std::size_t>(Pos)].ReadAt = 0;  // read the record again
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

void OdbcRecordset::Requery()
{
    Guarded([&] {
        CheckOpen();
        DropPendingEdit();
        Rebuild();
        SetPosition(NextLive(0));
    });
}

RecordsetPtr OdbcRecordset::Clone()
{
    return Guarded([&]() -> RecordsetPtr {
        CheckOpen();
        if (ForwardOnly)
            RaiseNotSupported("Clones of forward-only recordsets");
        auto clone = std::make_shared<OdbcRecordset>(Db, Query, Derivations, RecordsetType, Options, LockType);
        clone->Numbers = Numbers;
        clone->RowList = RowList;
        clone->RowsReadAt = RowsReadAt;
        clone->FilterText = FilterText;
        clone->SortText = SortText;
        clone->IndexName = IndexName;
        clone->IndexOrder = IndexOrder;
        clone->Pos = 0;
        clone->Gap = true;
        Db->AddRecordset(clone);
        return clone;
    });
}

void OdbcRecordset::Close()
{
    Guarded([&] {
        CheckOpen();
        Detach();
    });
}

RecordsetPtr OdbcRecordset::OpenRecordset(int type, int options)
{
    return Guarded([&]() -> RecordsetPtr {
        CheckOpen();
        if (type == -1)
            type = RecordsetType == dbOpenTable ? dbOpenDynaset : RecordsetType;
        if (type == dbOpenTable)
            RaiseNotSupported("Table-type recordsets opened from another recordset");
        std::vector<Derivation> derivations = Derivations;
        if (!FilterText.empty() || !SortText.empty())
            derivations.push_back({FilterText, SortText});
        auto child = std::make_shared<OdbcRecordset>(Db, Query, derivations, type, options,
                                                     ReadOnly ? dbReadOnly : LockType);
        child->Numbers = Numbers;
        child->IndexOrder = IndexOrder;
        child->Load();
        Db->AddRecordset(child);
        return child;
    });
}

void OdbcRecordset::SetFilter(const std::string& criteria)
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

void OdbcRecordset::SetSort(const std::string& order)
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

// ------------------------------------------------------- index and seek

void OdbcRecordset::SetIndex(const std::string& name)
{
    Guarded([&] {
        CheckOpen();
        if (RecordsetType != dbOpenTable)
            RaiseNotSupported("Index on recordsets that are not table-type");
        std::string order;
        std::string found;
        if (!name.empty()) {
            const catalog::TableInfo& table = Db->Describe(Query->BaseTable);
            const catalog::IndexDef* index = table.FindIndex(name);
            if (!index)
                Raise(3015, "'" + name + "' isn't an index in this table.", RecordsetSource);
            for (const catalog::IndexColumn& member : index->Columns)
                order += (order.empty() ? "" : ", ")
                    + odbc::QuoteName(table.ColumnById(member.ColumnId)->Name, Db->Connection().IdentifierQuote())
                    + (member.Descending ? " DESC" : "");
            found = index->Name;
        }
        DropPendingEdit();
        IndexName = found;
        if (!order.empty())
            IndexOrder = order;
        Rebuild();
        SetPosition(NextLive(0));
    });
}

void OdbcRecordset::Seek(const std::string& comparison, const std::vector<Variant>& keys)
{
    Guarded([&] {
        CheckOpen();
        if (RecordsetType != dbOpenTable)
            RaiseNotSupported("Seek on recordsets that are not table-type");
        if (IndexName.empty())
            Raise(errNoCurrentIndex, "Operation invalid without a current index.", RecordsetSource);
        const bool forward = comparison == "=" || comparison == ">=" || comparison == ">";
        if (!forward && comparison != "<=" && comparison != "<")
            Raise(errInvalidArgument, "Invalid argument.", RecordsetSource);
        const catalog::TableInfo& table = Db->Describe(Query->BaseTable);
        const catalog::IndexDef* index = table.FindIndex(IndexName);
        if (!index)
            Raise(3015, "'" + IndexName + "' isn't an index in this table.", RecordsetSource);
        const std::size_t n = keys.size();
        if (n == 0 || n > static_cast<std::size_t>(MaxSeekKeys) || n > index->Columns.size())
            Raise(errInvalidArgument, "Invalid argument.", RecordsetSource);
        const std::string& quote = Db->Connection().IdentifierQuote();
        std::vector<std::string> columns;
        std::vector<bool> descending;
        std::string order;
        for (const catalog::IndexColumn& member : index->Columns) {
            columns.push_back(odbc::QuoteName(table.ColumnById(member.ColumnId)->Name, quote));
            descending.push_back(member.Descending);
            order += (order.empty() ? "" : ", ") + columns.back() + ((member.Descending != !forward) ? " DESC" : "");
        }
        std::vector<Variant> markers;
        const std::string condition =
            SeekCondition(columns, descending, comparison, n, [&](std::size_t k) {
                markers.push_back(keys[k]);
                return std::string("?");
            });
        std::string keyColumns;
        for (std::size_t field : Query->KeyFields)
            keyColumns += (keyColumns.empty() ? "" : ", ") + odbc::QuoteName(Query->Fields[field].ColumnName, quote);
        DropPendingEdit();
        SyncRows();
        const auto statement = Db->NewStatement();
        statement->Prepare("SELECT " + keyColumns + " FROM " + odbc::QuoteName(Query->BaseTable, quote) + " WHERE "
                           + condition + " ORDER BY " + order);
        statement->BindParameters(markers);
        statement->Execute();
        long position = -1;
        if (statement->Fetch()) {
            std::vector<Variant> key;
            for (std::size_t k = 0; k < Query->KeyFields.size(); ++k)
                key.push_back(statement->Read(static_cast<int>(k) + 1, Query->Fields[Query->KeyFields[k]].Type));
            const std::string text = KeyText(key);
            const auto number = Numbers->ByKey.find(text);
            position = number == Numbers->ByKey.end() ? -1 : PositionOfId(number->second);
            if (position < 0) {  // a row added since the rows were read
                Rebuild();
                position = PositionOfId(Numbers->For(text));
            }
        }
        NoMatchFlag = position < 0;
        if (NoMatchFlag)
            Gap = true;
        else
            SetPosition(position);
    });
}

// ------------------------------------------------------------------ find

void OdbcRecordset::Find(const std::string& criteria, bool forward, long from)
{
    CheckOpen();
    if (RecordsetType == dbOpenTable)
        RaiseNotSupported("Find methods on table-type recordsets (use Seek)");
    if (ForwardOnly)
        RaiseNotSupported("Find methods on forward-only recordsets");
    Criteria test(Db->Scratch(), Query->Fields, criteria);
    DropPendingEdit();
    SyncRows();
    const long size = static_cast<long>(Size());
    for (long p = from; p >= 0 && p < size; p += forward ? 1 : -1) {
        if (!IsLive(static_cast<std::size_t>(p)))
            continue;
        const OdbcRow* row = TryRow(static_cast<std::size_t>(p));
        if (row && test.Matches(RowView{row->Values.data(), row->Values.size(), true})) {
            NoMatchFlag = false;
            SetPosition(p);
            return;
        }
    }
    NoMatchFlag = true;
}

void OdbcRecordset::FindFirst(const std::string& criteria)
{
    Guarded([&] { Find(criteria, true, 0); });
}

void OdbcRecordset::FindLast(const std::string& criteria)
{
    Guarded([&] { Find(criteria, false, static_cast<long>(Size()) - 1); });
}

void OdbcRecordset::FindNext(const std::string& criteria)
{
    Guarded([&] { Find(criteria, true, Gap ? Pos : Pos + 1); });
}

void OdbcRecordset::FindPrevious(const std::string& criteria)
{
    Guarded([&] { Find(criteria, false, Pos - 1); });
}

Variant OdbcRecordset::GetRows(long rows)
{
    return Guarded([&]() -> Variant {
        CheckOpen();
        SyncRows();
        if (rows < 0)
            Raise(errInvalidArgument, "Invalid argument.", RecordsetSource);
        DropPendingEdit();
        long position = Gap ? NextLive(Pos) : Pos;
        if (position < 0)
            position = NextLive(0);
        std::vector<long> positions;
        long next = position;
        while (next < static_cast<long>(Size()) && static_cast<long>(positions.size()) < rows) {
            positions.push_back(next);
            next = NextLive(next + 1);
        }
        if (positions.empty())
            return Variant::Null();
        std::vector<std::vector<Variant>> copies;
        for (long p : positions)
            copies.push_back(RowAt(static_cast<std::size_t>(p)).Values);
        const int fields = static_cast<int>(Query->Fields.size());
        auto array = std::make_shared<SafeArray>(
            varVariant, std::vector<SafeArray::Bound>{{0, fields}, {0, static_cast<int>(copies.size())}});
        for (int f = 0; f < fields; ++f)
            for (std::size_t r = 0; r < copies.size(); ++r)
                array->Put({f, static_cast<int>(r)}, copies[r][static_cast<std::size_t>(f)]);
        SetPosition(next);
        return Variant::FromArray(array);
    });
}

// --------------------------------------------------------------- editing

bool OdbcRecordset::Updatable() const
{
    return !ReadOnly && !Closed && Keyed() && !Db->IsReadOnly();
}

void OdbcRecordset::CheckUpdatable() const
{
    if (!Updatable())
        Raise(errReadOnly, "Cannot update. Database or object is read-only.", RecordsetSource);
}

void OdbcRecordset::SetLockEdits(bool value)
{
    Guarded([&] {
        CheckOpen();
        if (EditState != dbEditNone)
            Raise(errInvalidOperation, "Invalid operation.", RecordsetSource);
        LockType = value ? dbPessimistic : dbOptimistic;
    });
}

const Variant& OdbcRecordset::FieldValue(std::size_t field) const
{
    CheckOpen();
    if (EditState != dbEditNone)
        return EditValues[field];
    CheckCurrent();
    return RowAt(static_cast<std::size_t>(Pos)).Values[field];
}

void OdbcRecordset::SetFieldValue(std::size_t field, const Variant& value)
{
    CheckOpen();
    if (EditState == dbEditNone)
        Raise(errUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.", RecordsetSource);
    const FieldInfo& info = Query->Fields[field];
    if (!info.Updatable)
        Raise(errFieldNotUpdatable, "Field cannot be updated.", "DAO.Field");
    EditValues[field] = ConvertForField(info, value);
    EditChanged[field] = true;
}

long OdbcRecordset::FieldSize(std::size_t field) const
{
    const Variant& value = FieldValue(field);
    if (value.IsClear())
        return 0;
    if (value.IsArray())
        return static_cast<long>(value.AsBytes().size());
    return static_cast<long>(value.AsString().size());
}

void OdbcRecordset::Edit()
{
    Guarded([&] {
        CheckOpen();
        CheckUpdatable();
        SyncRows();
        DropPendingEdit();
        CheckCurrent();
        OdbcRow& row = RowList->Items[static_cast<std::size_t>(Pos)];
        const std::vector<Variant> fresh = FetchRow(KeyOf(row.Values));
        if (fresh.empty()) {
            row.Gone = true;
            RecordDeleted();
        }
        for (std::size_t f = 0; f < row.Values.size(); ++f)
            if (!Query->Fields[f].ColumnName.empty())
                row.Values[f] = fresh[f];
        row.ReadAt = Db->Generation();
        EditOriginal = row.Values;
        EditValues = row.Values;
        EditChanged.assign(Query->Fields.size(), false);
        EditId = row.Id;
        EditState = dbEditInProgress;
    });
}

Variant OdbcRecordset::DefaultOf(const FieldInfo& field) const
{
    const std::string& text = field.DefaultValue;
    if (text.empty())
        return Variant::Null();
    try {
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
            std::string value;
            for (std::size_t i = 1; i + 1 < text.size(); ++i) {
                value += text[i];
                if (text[i] == '"' && i + 2 < text.size() && text[i + 1] == '"')
                    ++i;
            }
            return ConvertForField(field, Variant(value));
        }
        return ConvertForField(field, Variant(text));
    } catch (const EngineError&) {
        return Variant::Null();  // a default this field cannot hold: the source applies its own
    }
}

void OdbcRecordset::AddNew()
{
    Guarded([&] {
        CheckOpen();
        CheckUpdatable();
        DropPendingEdit();
        EditValues.assign(Query->Fields.size(), Variant::Null());
        for (std::size_t i = 0; i < Query->Fields.size(); ++i)
            if (Query->Fields[i].Updatable)
                EditValues[i] = DefaultOf(Query->Fields[i]);
        EditChanged.assign(Query->Fields.size(), false);
        EditState = dbEditAdd;
    });
}

std::vector<Variant> OdbcRecordset::InsertedKey(const std::vector<std::size_t>& given)
{
    std::vector<Variant> key;
    std::vector<std::size_t> missing;
    for (std::size_t field : Query->KeyFields) {
        const bool known = std::find(given.begin(), given.end(), field) != given.end() && !EditValues[field].IsClear();
        key.push_back(known ? EditValues[field] : Variant());
        if (!known)
            missing.push_back(field);
    }
    if (missing.empty())
        return key;
    // A number the source gave the row: asked of the source in its own way.
    const std::string identity = IdentityQuery(Db->Connection().DbmsName());
    if (missing.size() != 1 || !Query->Fields[missing[0]].AutoIncrement || identity.empty())
        return {};
    const auto statement = Db->NewStatement();
    statement->ExecDirect(identity);
    if (!statement->Fetch())
        return {};
    const std::size_t slot = static_cast<std::size_t>(
        std::find(Query->KeyFields.begin(), Query->KeyFields.end(), missing[0]) - Query->KeyFields.begin());
    key[slot] = ConvertForField(Query->Fields[missing[0]], statement->Read(1, Query->Fields[missing[0]].Type));
    return key;
}

void OdbcRecordset::Update()
{
    Guarded([&] {
        CheckOpen();
        if (EditState == dbEditNone)
            Raise(errUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.", RecordsetSource);
        std::vector<std::size_t> changed;
        for (std::size_t i = 0; i < EditChanged.size(); ++i)
            if (EditChanged[i])
                changed.push_back(i);
        const std::string& quote = Db->Connection().IdentifierQuote();
        const std::string table = odbc::QuoteName(Query->BaseTable, quote);
        std::vector<Variant> markers;
        std::vector<SQLSMALLINT> types;
        for (std::size_t field : changed) {
            markers.push_back(EditValues[field]);
            types.push_back(Query->SqlTypes[field]);
        }
        std::vector<Variant> key;
        if (EditState == dbEditInProgress) {
            const std::vector<Variant> originalKey = KeyOf(EditOriginal);
            const std::vector<Variant> stored = FetchRow(originalKey);
            if (stored.empty())
                RecordDeleted();
            for (std::size_t i = 0; i < stored.size(); ++i)
                if (Query->Fields[i].Updatable && !SameValue(stored[i], EditOriginal[i]))
                    Raise(errWriteConflict,
                          "The database engine stopped the process because you and another user are attempting to "
                          "change the same data at the same time.",
                          RecordsetSource);
            if (!changed.empty()) {
                std::string sql = "UPDATE " + table + " SET ";
                for (std::size_t k = 0; k < changed.size(); ++k)
                    sql += (k ? ", " : "") + odbc::QuoteName(Query->Fields[changed[k]].ColumnName, quote) + " = ?";
                sql += " WHERE " + KeyCondition(1);
                for (std::size_t k = 0; k < originalKey.size(); ++k) {
                    markers.push_back(originalKey[k]);
                    types.push_back(Query->SqlTypes[Query->KeyFields[k]]);
                }
                const auto statement = Db->NewStatement();
                statement->Prepare(sql);
                statement->BindParameters(markers, types);
                statement->Execute();
                const long rows = statement->RowCount();
                Db->NoteChange();
                if (rows == 0)
                    RecordDeleted();
            }
            key = KeyOf(EditValues);
            Numbers->ByKey[KeyText(key)] = EditId;
            LastModifiedId = EditId;
        } else {
            std::string sql;
            if (changed.empty()) {
                sql = "INSERT INTO " + table + " DEFAULT VALUES";
            } else {
                std::string columns, values;
                for (std::size_t k = 0; k < changed.size(); ++k) {
                    columns += (k ? ", " : "") + odbc::QuoteName(Query->Fields[changed[k]].ColumnName, quote);
                    values += k ? ", ?" : "?";
                }
                sql = "INSERT INTO " + table + " (" + columns + ") VALUES (" + values + ")";
            }
            const auto statement = Db->NewStatement();
            statement->Prepare(sql);
            statement->BindParameters(markers, types);
            statement->Execute();
            Db->NoteChange();
            key = InsertedKey(changed);
            LastModifiedId = 0;
        }
        // The row as the source keeps it now (defaults and numbers applied).
        std::vector<Variant> fresh = key.empty() ? std::vector<Variant>() : FetchRow(key);
        if (!fresh.empty()) {
            const std::uint32_t id = EditState == dbEditInProgress ? EditId : Numbers->For(KeyText(key));
            const long position = PositionOfId(id);
            OdbcRow* row = position >= 0 ? &RowList->Items[static_cast<std::size_t>(position)] : nullptr;
            if (!row && EditState == dbEditAdd && RecordsetType != dbOpenSnapshot) {
                // An added row joins the end of the rows, out of the cursor's way.
                RowList->Items.push_back(OdbcRow{id, std::vector<Variant>(Query->Fields.size()), 0, false, false});
                row = &RowList->Items.back();
            }
            if (row) {
                for (std::size_t f = 0; f < fresh.size(); ++f)
                    if (!Query->Fields[f].ColumnName.empty() || EditState == dbEditAdd)
                        row->Values[f] = Query->Fields[f].ColumnName.empty() ? EditValues[f] : fresh[f];
                row->ReadAt = Db->Generation();
                row->Gone = false;
            }
            LastModifiedId = id;
            if (Moving())
                RowsReadAt = Db->Generation();  // the row is where it belongs until the next refresh
        }
        DropPendingEdit();
    });
}

void OdbcRecordset::CancelUpdate()
{
    Guarded([&] {
        CheckOpen();
        if (EditState == dbEditNone)
            Raise(errUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.", RecordsetSource);
        DropPendingEdit();
    });
}

void OdbcRecordset::Delete()
{
    Guarded([&] {
        CheckOpen();
        CheckUpdatable();
        SyncRows();
        DropPendingEdit();
        CheckCurrent();
        OdbcRow& row = RowList->Items[static_cast<std::size_t>(Pos)];
        std::vector<Variant> key = KeyOf(row.Values);
        std::vector<SQLSMALLINT> types;
        for (std::size_t field : Query->KeyFields)
            types.push_back(Query->SqlTypes[field]);
        const auto statement = Db->NewStatement();
        statement->Prepare("DELETE FROM " + odbc::QuoteName(Query->BaseTable, Db->Connection().IdentifierQuote())
                           + " WHERE " + KeyCondition(1));
        statement->BindParameters(key, types);
        statement->Execute();
        const long rows = statement->RowCount();
        Db->NoteChange();
        row.Deleted = true;
        ++RowList->DeletedCount;
        Gap = true;
        if (Moving())
            RowsReadAt = Db->Generation();
        if (rows == 0)
            RecordDeleted();
    });
}

Variant OdbcRecordset::DateCreated() const
{
    return Guarded([&] {
        CheckOpen();
        if (RecordsetType != dbOpenTable)
            RaiseNotSupported("DateCreated of recordsets that are not table-type");
        return Variant::Null();
    });
}

Variant OdbcRecordset::LastUpdated() const
{
    return Guarded([&] {
        CheckOpen();
        if (RecordsetType != dbOpenTable)
            RaiseNotSupported("LastUpdated of recordsets that are not table-type");
        return Variant::Null();
    });
}

QueryDefPtr OdbcRecordset::CopyQueryDef()
{
    return Guarded([&] {
        CheckOpen();
        return MakeOdbcQueryDef(Db, "", Query->JetSql);
    });
}

} // namespace jet::impl
