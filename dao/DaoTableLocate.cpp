// The table component's searches: Locate and Lookup (the dataset's generic
// searches), the Find family on the engine's find methods, and the index
// seeks. Each search runs on a clone of the recordset, so the table moves
// only when a record is found; the clone is closed on every path.

#include "dao/DaoTable.h"

#include "dao/DaoTableSql.h"
#include "dao/DaoTableValues.h"
#include "dao/Daoutils.h"
#include "platform/jet/Collation.h"
#include "platform/system/DateTime.h"

#include <optional>

using namespace DaoTableMessages;

namespace {

constexpr int MaxSeekKeys = 13;

// Closes a recordset of a search when the search ends, however it ends.
class ClosedAtEnd {
public:
    explicit ClosedAtEnd(jet::RecordsetPtr recordset)
        : Recordset(std::move(recordset))
    {
    }
    ~ClosedAtEnd()
    {
        try {
            Recordset->Close();
        } catch (...) {
            // Closed already.
        }
    }
    ClosedAtEnd(const ClosedAtEnd&) = delete;
    ClosedAtEnd& operator=(const ClosedAtEnd&) = delete;
    jet::Recordset* operator->() const { return Recordset.get(); }
    jet::Recordset& operator*() const { return *Recordset; }

private:
    jet::RecordsetPtr Recordset;
};

std::optional<double> NumberOf(const std::string& text)
{
    double value = 0;
    return TryTextToFloat(text, value) ? std::optional<double>(value) : std::nullopt;
}

std::optional<bool> BooleanOf(const std::string& text)
{
    bool value = false;
    return TryTextToBoolean(text, value) ? std::optional<bool>(value) : std::nullopt;
}

std::optional<platform::TDateTime> DateOf(const std::string& text)
{
    platform::TDateTime value = 0;
    if (!platform::TryStrToDateTime(RemoveNonDigitChars(text), value))
        return std::nullopt;
    return value;
}

// The braced GUID text of a key or a stored value, upper case.
std::string GuidOf(const std::string& text)
{
    std::string guid;
    return TryGuidKeyText(text, guid) ? guid : jet::UpperCase(text);
}

std::string TextOf(const jet::Variant& value)
{
    return value.VarType() == (jet::varArray | jet::varByte) ? value.AsBytes() : jet::VarToStr(value);
}

// The key value as the index Seek takes it: numbers, Booleans and dates in
// their own types (the index compares values, not texts), GUIDs braced.
jet::Variant SeekValue(const TDaoKeyValue& key, const TField& field)
{
    if (key.Null)
        return jet::Variant::Null();
    const TFieldType type = field.DataType();
    if (IsNumberFieldType(type)) {
        if (const std::optional<double> number = NumberOf(key.Text))
            return *number;
    } else if (type == ftBoolean) {
        if (const std::optional<bool> flag = BooleanOf(key.Text))
            return *flag;
    } else if (IsDateFieldType(type)) {
        return jet::Variant::Date(platform::StrToDateTime(RemoveNonDigitChars(key.Text)));
    } else if (IsGuidField(field)) {
        return GuidOf(key.Text);
    } else if (type == ftBytes || type == ftVarBytes) {
        return jet::Variant::Bytes(key.Text);
    }
    return key.Text;
}

// Whether a stored value is the key, compared as the index compares: by
// value for numbers, Booleans and dates, without regard to case for texts
// (with a partial key: the text begins with the key). A Null matches only a
// Null key.
bool SeekKeyMatches(const jet::Variant& value, const TDaoKeyValue& key, const TField& field, bool partial)
{
    if (key.Null || value.IsClear())
        return key.Null && value.IsClear();
    const TFieldType type = field.DataType();
    if (IsTextFieldType(type)) {
        const std::string text = jet::VarToStr(value);
        if (!partial)
            return jet::CompareText(text, key.Text) == 0;
        return jet::FoldCase(text).rfind(jet::FoldCase(key.Text), 0) == 0;
    }
    if (IsNumberFieldType(type)) {
        const std::optional<double> number = NumberOf(key.Text);
        return number && value.AsDouble() == *number;
    }
    if (type == ftBoolean) {
        const std::optional<bool> flag = BooleanOf(key.Text);
        return flag && value.AsBoolean() == *flag;
    }
    if (IsDateFieldType(type)) {
        const std::optional<platform::TDateTime> date = DateOf(key.Text);
        if (!date)
            return false;
        const platform::TTimeStamp a = platform::DateTimeToTimeStamp(value.AsDate());
        const platform::TTimeStamp b = platform::DateTimeToTimeStamp(*date);
        return a.Date == b.Date && a.Time == b.Time;
    }
    if (IsGuidField(field))
        return GuidOf(TextOf(value)) == GuidOf(key.Text);
    return TextOf(value) == key.Text;
}

// The key field names and key values of a search, as many of each.
TDaoKeyValues KeyLists(const std::string& keyFields, const jet::Variant& keyValues, TStringList& fields)
{
    StringToList(keyFields, fields);
    TDaoKeyValues values = KeyValuesOf(keyValues);
    if (static_cast<std::size_t>(fields.Count()) != values.size())
        DatabaseError(E2032);
    return values;
}

} // namespace

const std::vector<std::string>& TDaoTable::SearchIndexFields(const std::string& indexName)
{
    if (FSearch.Of.lock() != FRecordset)
        ForgetSearchClone();
    if (FSearch.FieldsIndex != indexName || FSearch.IndexFields.empty()) {
        FSearch.FieldsIndex.clear();
        FSearch.IndexFields.clear();
        const jet::IndexPtr index = DaoDatabase().TableDefs().Item(FTableName)->Indexes().Item(indexName);
        jet::Collection<jet::Field>& fields = index->Fields();
        for (int i = 0, n = fields.Count(); i < n; ++i)
            FSearch.IndexFields.push_back(fields.Item(i)->Name());
        FSearch.FieldsIndex = indexName;
        FSearch.Of = FRecordset;
    }
    return FSearch.IndexFields;
}

jet::Recordset& TDaoTable::SearchClone(const std::string& indexName)
{
    if (FSearch.Of.lock() != FRecordset)
        ForgetSearchClone();
    if (!FSearch.Clone) {
        FSearch.Clone = FRecordset->Clone();
        FSearch.Of = FRecordset;
    }
    if (FSearch.CloneIndex != indexName) {
        FSearch.CloneIndex.clear();
        FSearch.Clone->SetIndex(indexName);
        FSearch.CloneIndex = indexName;
    }
    return *FSearch.Clone;
}

void TDaoTable::ForgetSearchClone()
{
    if (FSearch.Clone) {
        try {
            FSearch.Clone->Close();
        } catch (...) {
            // Closed with its database.
        }
    }
    FSearch = TSearchCloneState{};
}

jet::Recordset& TDaoTable::IndexSearchRecordset(const std::string& indexName, bool& own)
{
    own = State() == dsBrowse && jet::SameName(FRecordset->Index(), indexName);
    return own ? *FRecordset : SearchClone(indexName);
}

void TDaoTable::MoveToFound(jet::Recordset& found, TResyncModes resync)
{
    const std::int32_t handle = GetDaoBookMark(found);
    CheckBrowseMode();
    CursorPosChanged();
    DoBeforeScroll();
    if (&found != FRecordset.get())
        InternalMoveToBookmark(handle);
    // The position in the table's own order, which a clone searched in
    // another index's order does not give.
    FCurrentPosition = static_cast<int>(FRecordset->AbsolutePosition());
    Resync(resync);
    DoAfterScroll();
}

// --- Locate and Lookup ---

std::string TDaoTable::LocateIndexName(const std::string& keyFields)
{
    const auto byFields = [&] {
        std::string name = FindGoodIndex("!" + keyFields);
        return name.empty() ? FindGoodIndex(keyFields) : name;
    };
    if (FAutoFindIndex) {
        const std::string name = byFields();
        return name.empty() ? FIndexName : name;
    }
    return FIndexName.empty() ? byFields() : FIndexName;
}

bool TDaoTable::Locate(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options)
{
    if (IsEmpty() || FBatchMode || (Filtered() && OnFilterRecord) || FRangeApplied || !FDatabase
        || !FDatabase->Connected())
        return false;
    TStringList fields;
    TDaoKeyValues values = KeyLists(keyFields, keyValues, fields);
    // The seek and the criteria search start from the first record: only
    // the scan needs the cursor on the current one.
    if (!FBookmarkable) {
        if (TRecordBuffer* active = ActiveRecord())
            InternalSetToRecord(*active);
        return LocateByScan(fields, values, options);
    }
    const std::string indexName = LocateIndexName(keyFields);
    if (FTableType == jet::dbOpenTable) {
        if (indexName.empty())
            DatabaseError(E2062);
        return LocateBySeek(fields, values, options, indexName);
    }
    const std::string criteria = BuildLocateSQL(fields, values, options);
    const ClosedAtEnd clone(FRecordset->Clone());
    clone->FindFirst(criteria);
    if (clone->NoMatch())
        return false;
    MoveToFound(*clone, 0);
    return true;
}

bool TDaoTable::LocateBySeek(const TStringList& fields, TDaoKeyValues& values, TLocateOptions options,
                             const std::string& indexName)
{
    std::vector<const TField*> keyFields;
    for (const std::string& name : fields)
        keyFields.push_back(&FieldByName(name));
    const std::vector<std::string>& indexFields = SearchIndexFields(indexName);
    const int indexCount = static_cast<int>(indexFields.size());
    // Slot p holds the key of index field p, or Null when no key names it.
    std::vector<jet::Variant> slots(static_cast<std::size_t>(indexCount), jet::Variant::Null());
    std::vector<int> keyOfSlot(static_cast<std::size_t>(indexCount), -1);
    int used = 0;
    for (int p = 0; p < indexCount; ++p) {
        const int k = fields.IndexOf(indexFields[static_cast<std::size_t>(p)]);
        if (k < 0)
            continue;
        const auto key = static_cast<std::size_t>(k);
        slots[static_cast<std::size_t>(p)] = SeekValue(values[key], *keyFields[key]);
        keyOfSlot[static_cast<std::size_t>(p)] = k;
        used = p + 1;
    }
    if (used == 0)
        used = indexCount;
    if (used > MaxSeekKeys)
        DatabaseError(E2033);
    const bool partial = (options & loPartialKey) != 0;
    const std::string comparison = fields.Count() != indexCount || partial ? ">=" : "=";
    // The engine compares a Null slot with nothing, so the seek takes the
    // keys up to the first index field that no key names (or whose key is
    // Null), and the walk below checks the rest.
    int leading = 0;
    while (leading < used && keyOfSlot[static_cast<std::size_t>(leading)] >= 0
           && !slots[static_cast<std::size_t>(leading)].IsNull())
        ++leading;
    const auto matches = [&](jet::Recordset& recordset, int k) {
        const TField& field = *keyFields[static_cast<std::size_t>(k)];
        return SeekKeyMatches(recordset.Fields().Item(field.FieldName())->Value(), values[static_cast<std::size_t>(k)],
                              field, partial);
    };

    bool own = false;
    jet::Recordset& searched = IndexSearchRecordset(indexName, own);
    // A seek lands on the first record at or after the key: it is the one
    // only when every key field holds its value. Further records are looked
    // at while the sought leading fields still hold theirs.
    const auto search = [&] {
        if (leading > 0) {
            const std::vector<jet::Variant> keys(slots.begin(), slots.begin() + leading);
            searched.Seek(leading == used ? comparison : ">=", keys);
            if (searched.NoMatch())
                return false;
        } else {
            searched.MoveFirst();
        }
        for (; !searched.Eof(); searched.MoveNext()) {
            bool all = true;
            for (int k = 0; k < fields.Count() && all; ++k)
                all = matches(searched, k);
            if (all)
                return true;
            for (int p = 0; p < leading; ++p)
                if (!matches(searched, keyOfSlot[static_cast<std::size_t>(p)]))
                    return false;
        }
        return false;
    };
    if (search()) {
        MoveToFound(searched, 0);
        return true;
    }
    if (own)
        RestoreCursorToActive();
    return false;
}

bool TDaoTable::LocateByScan(const TStringList& fields, const TDaoKeyValues& values, TLocateOptions options)
{
    const bool caseless = (options & loCaseInsensitive) != 0;
    const bool partial = (options & loPartialKey) != 0;
    std::vector<int> columns;
    std::vector<std::string> searched;
    for (int k = 0; k < fields.Count(); ++k) {
        columns.push_back(FieldByName(fields[k]).FieldNo() - 1);
        std::string text = values[static_cast<std::size_t>(k)].Text;
        if (caseless)
            text = jet::LowerCase(text);
        if (partial) {
            if (!text.empty() && text.back() == '*')
                text.pop_back();
            if (!text.empty() && text.front() == '*')
                text.erase(0, 1);
        }
        searched.push_back(std::move(text));
    }
    const auto keyMatches = [&](std::size_t k) {
        const jet::Variant value = FRecordset->Fields().Item(columns[k])->Value();
        // A Null value matches only a Null key, and never raises.
        if (value.IsClear() || values[k].Null)
            return value.IsClear() && values[k].Null;
        std::string text = TextOf(value);
        if (caseless)
            text = jet::LowerCase(text);
        if (partial)
            return !searched[k].empty() && text.find(searched[k]) != std::string::npos;
        return text == searched[k];
    };

    const int start = FCurrentPosition;
    CheckBrowseMode();
    CursorPosChanged();
    DoBeforeScroll();
    FRecordset->MoveFirst();
    bool found = false;
    for (int counter = 0; !FRecordset->Eof(); ++counter, FRecordset->MoveNext()) {
        bool all = true;
        for (std::size_t k = 0; k < columns.size() && all; ++k)
            all = keyMatches(k);
        if (all) {
            DoBeforeScroll();
            FCurrentPosition = counter;
            found = true;
            Resync();
            DoAfterScroll();
            break;
        }
    }
    // A forward-only cursor cannot go back: the table keeps showing its
    // record, and its next move reaches the end.
    if (!found && FTableType != jet::dbOpenForwardOnly) {
        FRecordset->MoveFirst();
        FRecordset->Move(start);
        FCurrentPosition = start;
        Resync(rmExact | rmCenter);
    }
    DoAfterScroll();
    return found;
}

jet::Variant TDaoTable::Lookup(const std::string& keyFields, const jet::Variant& keyValues,
                               const std::string& resultFields)
{
    if (IsEmpty() || FBatchMode)
        return jet::Variant::Null();
    TStringList fields;
    TDaoKeyValues values = KeyLists(keyFields, keyValues, fields);
    TStringList results;
    StringToList(resultFields, results);
    if (resultFields.empty() || results.Count() == 0)
        DatabaseError(E2034);
    std::vector<const TField*> resultList;
    bool computed = false;
    for (const std::string& name : results) {
        const TField* field = FindField(name);
        if (!field)
            DatabaseError(E2070 + name);
        computed = computed || field->FieldKind() != fkData;
        resultList.push_back(field);
    }
    const std::string condition = BuildKeySQL(fields, values);

    jet::RecordsetPtr found;
    if (FTableType == jet::dbOpenTable) {
        // A table-type recordset takes no filter: its rows through a query.
        found = DaoDatabase().OpenRecordset("Select * From [" + FTableName + "] Where " + condition + ";",
                                            jet::dbOpenSnapshot, 0, jet::dbReadOnly);
    } else {
        const std::string savedFilter = FRecordset->Filter();
        const jet::RecordsetPtr recordset = FRecordset;
        struct FilterBack {
            const jet::RecordsetPtr& Recordset;
            const std::string& Filter;
            ~FilterBack()
            {
                try {
                    Recordset->SetFilter(Filter);
                } catch (...) {
                }
            }
        } filterBack{recordset, savedFilter};
        FRecordset->SetFilter(condition);
        FDatabase->Idle();
        found = FRecordset->OpenRecordset(jet::dbOpenSnapshot, 2);
    }
    const ClosedAtEnd subset(found);
    if (subset->Eof() && subset->Bof())
        return jet::Variant::Null();
    subset->MoveFirst();
    if (computed) {
        std::unique_ptr<TRecordBuffer> buffer = AllocRecordBuffer();
        InternalFillRecordData(*subset, false, static_cast<TDaoRecordBuffer&>(*buffer));
        TRecordBuffer* previous = CalcBuffer();
        const TDataSetState old = SetTempState(dsCalcFields);
        SetCalcBuffer(buffer.get());
        struct StateBack {
            TDaoTable& Table;
            TDataSetState Old;
            TRecordBuffer* Previous;
            ~StateBack()
            {
                Table.RestoreState(Old);
                Table.SetCalcBuffer(Previous);
            }
        } stateBack{*this, old, previous};
        CalculateFields(*buffer);
        return FieldValues(resultFields);
    }
    std::vector<jet::Variant> resultValues;
    for (const TField* field : resultList)
        resultValues.push_back(subset->Fields().Item(field->FieldNo() - 1)->Value());
    return KeyVariant(resultValues);
}

void TDaoTable::RefreshLookups()
{
    if (!FCursorOpen)
        return;
    for (int i = 0; i < FieldCount(); ++i)
        if (Fields(i).FieldKind() == fkLookup && Fields(i).LookupCache)
            Fields(i).RefreshLookupList();
}

// --- Find family ---

bool TDaoTable::Find(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options,
                     int searchKind)
{
    if (IsEmpty() || (Filtered() && OnFilterRecord) || FRangeApplied)
        return false;
    TStringList fields;
    TDaoKeyValues values = KeyLists(keyFields, keyValues, fields);
    for (const std::string& name : fields)
        FieldByName(name);
    if (TRecordBuffer* active = ActiveRecord())
        InternalSetToRecord(*active);
    if (!FBookmarkable || searchKind < 1 || searchKind > 4)
        return false;
    const std::string criteria = BuildLocateSQL(fields, values, options);
    // The clone starts on the table's current record, where the next and
    // previous searches start from.
    const ClosedAtEnd clone(FRecordset->Clone());
    if (!FRecordset->Bof() && !FRecordset->Eof())
        clone->SetBookmark(FRecordset->Bookmark());
    switch (searchKind) {
    case 1: clone->FindFirst(criteria); break;
    case 2: clone->FindLast(criteria); break;
    case 3: clone->FindNext(criteria); break;
    default: clone->FindPrevious(criteria); break;
    }
    if (clone->NoMatch())
        return false;
    MoveToFound(*clone, rmExact | rmCenter);
    return true;
}

bool TDaoTable::Find_First(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options)
{
    return Find(keyFields, keyValues, options, 1);
}

bool TDaoTable::Find_Last(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options)
{
    return Find(keyFields, keyValues, options, 2);
}

bool TDaoTable::Find_Next(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options)
{
    return Find(keyFields, keyValues, options, 3);
}

bool TDaoTable::Find_Prior(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options)
{
    return Find(keyFields, keyValues, options, 4);
}

void TDaoTable::SetFindData(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options)
{
    FFindFields = keyFields;
    FFindValues = keyValues;
    FFindOptions = options;
}

bool TDaoTable::FindRecord(bool restart, bool goForward)
{
    if (FFindFields.empty() || FFindValues.IsNull())
        return false;
    if (restart)
        return goForward ? Find_First(FFindFields, FFindValues, FFindOptions)
                         : Find_Last(FFindFields, FFindValues, FFindOptions);
    return goForward ? Find_Next(FFindFields, FFindValues, FFindOptions)
                     : Find_Prior(FFindFields, FFindValues, FFindOptions);
}

bool TDaoTable::Find_NearestEx(const std::string& keyFields, const jet::Variant& keyValues)
{
    const TLocateOptions options = loCaseInsensitive | loPartialKey;
    return Find(keyFields, keyValues, options, 1) || Find(keyFields, keyValues, options, 3);
}

void TDaoTable::SetKeyFields(const std::string& keyFields)
{
    StringToList(keyFields, FKeyFieldList);
}

bool TDaoTable::Find_Nearest(const std::vector<jet::Variant>& values)
{
    if (values.empty() || values.size() > static_cast<std::size_t>(FKeyFieldList.Count()))
        DatabaseError(E2032);
    std::string keyFields;
    for (std::size_t i = 0; i < values.size(); ++i)
        keyFields += (i ? ";" : "") + FKeyFieldList[static_cast<int>(i)];
    return Find_NearestEx(keyFields, KeyVariant(values));
}

// --- Index seeks ---

bool TDaoTable::Seek_NearestEx(const std::vector<jet::Variant>& keyValues, const std::string& comparison)
{
    if (FIndexName.empty() || IsEmpty() || (Filtered() && OnFilterRecord) || FRangeApplied || keyValues.empty())
        return false;
    if (keyValues.size() > static_cast<std::size_t>(MaxSeekKeys))
        DatabaseError(E2033);
    bool own = false;
    jet::Recordset& searched = IndexSearchRecordset(FIndexName, own);
    searched.Seek(comparison, keyValues);
    if (searched.NoMatch()) {
        if (own)
            RestoreCursorToActive();
        return false;
    }
    MoveToFound(searched, rmExact | rmCenter);
    return true;
}

bool TDaoTable::FindKey(const std::vector<jet::Variant>& keyValues)
{
    return Seek_NearestEx(keyValues, "=");
}

bool TDaoTable::FindKeyEx(const std::vector<jet::Variant>& keyValues)
{
    return Seek_NearestEx(keyValues, ">=");
}

bool TDaoTable::Seek_Nearest(const std::vector<jet::Variant>& keyValues)
{
    return Seek_NearestEx(keyValues, ">=");
}

void TDaoTable::FindNearest(const std::vector<jet::Variant>& keyValues)
{
    Seek_NearestEx(keyValues, ">=");
}
