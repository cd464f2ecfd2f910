// The table component's key buffers and ranges. Search keys and range
// bounds are written into record buffers of their own, in the key state, as
// into a record: each holds one value text per field definition, an empty
// text where no value is given. GotoKey and GotoNearest turn the key buffer
// into a key search; an applied range lets the record filter pass only the
// records whose values lie within both bounds, compared field by field as
// values of the field definition's type.

#include "dao/DaoTable.h"

#include "dao/DaoTableValues.h"
#include "dao/Daoutils.h"
#include "platform/jet/Collation.h"
#include "platform/system/DateTime.h"

#include <algorithm>
#include <cstdint>

using namespace DaoTableMessages;

namespace {

int Sign(double difference)
{
    return difference < 0 ? -1 : (difference > 0 ? 1 : 0);
}

// The day number and milliseconds of a value text of a date, time or
// date-time field ("738960 45000").
bool StampOf(const std::string& text, platform::TTimeStamp& stamp)
{
    const std::size_t blank = text.find(' ');
    return blank != std::string::npos && platform::TryStrToInt(text.substr(0, blank), stamp.Date)
        && platform::TryStrToInt(text.substr(blank + 1), stamp.Time);
}

// The range buffer that a key type names.
TDaoRecordBuffer* BufferOf(TKeyType which, TDaoRecordBuffer* key, TDaoRecordBuffer* start, TDaoRecordBuffer* end)
{
    return which == KeyValue ? key : which == RangeStart ? start : end;
}

} // namespace

// --- Key state ---

void TDaoTable::EmptyKeyBuffer(TDaoRecordBuffer& buffer)
{
    buffer.Values.assign(static_cast<std::size_t>(FieldDefs().Count()), TDaoValue{});
}

void TDaoTable::EnterKeyState(TDaoRecordBuffer* buffer, bool clear)
{
    CheckBrowseMode();
    if (clear)
        EmptyKeyBuffer(*buffer);
    FActiveKeyBuffer = buffer;
    SetState(dsSetKey);
    DataEvent(deDataSetChange);
}

void TDaoTable::SetKey()
{
    EnterKeyState(FKeyBuffer.get(), true);
}

void TDaoTable::EditKey()
{
    EnterKeyState(FKeyBuffer.get(), false);
}

void TDaoTable::ClearKey()
{
    ClearRange(KeyValue);
}

void TDaoTable::CancelKey()
{
    CheckActive();
    EmptyKeyBuffer(*FKeyBuffer);
    FActiveKeyBuffer = nullptr;
    FKeyParamFields.clear();
    FKeyParamValues = jet::Variant::Null();
    if (State() == dsSetKey)
        SetState(dsBrowse);
    DataEvent(deDataSetChange);
    if (!IsEmpty())
        Resync(rmExact);
}

void TDaoTable::SetKeyParam(const std::vector<std::string>& fieldNames, const std::vector<jet::Variant>& values)
{
    FKeyParamFields.clear();
    for (std::size_t i = 0; i < fieldNames.size(); ++i)
        FKeyParamFields += fieldNames[i] + (i + 1 < values.size() ? ";" : "");
    FKeyParamValues = KeyVariant(values);
}

void TDaoTable::KeyParamsFromBuffer(bool separatorAfterEach)
{
    FKeyParamFields.clear();
    FKeyParamValues = jet::Variant::Null();
    std::vector<std::size_t> slots;
    for (std::size_t i = 0; i < FActiveKeyBuffer->Values.size(); ++i)
        if (!FActiveKeyBuffer->Values[i].Empty())
            slots.push_back(i);
    std::vector<jet::Variant> values;
    for (std::size_t j = 0; j < slots.size(); ++j) {
        const std::string& name = FieldDefs()[static_cast<int>(slots[j])].Name;
        FKeyParamFields += name + (separatorAfterEach || j + 1 < slots.size() ? ";" : "");
        const std::string& text = FActiveKeyBuffer->Values[slots[j]].Text();
        const TField* field = FindField(name);
        const bool date = field && IsDateFieldType(field->DataType());
        values.push_back(date ? ComposeDateTimeVariant(text) : jet::Variant(text));
    }
    if (!values.empty())
        FKeyParamValues = KeyVariant(values);
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
}

bool TDaoTable::SearchKeyParams()
{
    bool found = false;
    if (FTableType == jet::dbOpenDynaset || FTableType == jet::dbOpenSnapshot) {
        found = Find(FKeyParamFields, FKeyParamValues, 0, 3) || Find(FKeyParamFields, FKeyParamValues, 0, 1);
    } else if (FTableType == jet::dbOpenTable && !FIndexName.empty()) {
        found = Locate(FKeyParamFields, FKeyParamValues, 0);
    }
    FKeyParamValues = jet::Variant::Null();
    return found;
}

bool TDaoTable::GotoKey()
{
    if (State() == dsSetKey) {
        if (!FActiveKeyBuffer)
            return false;
        KeyParamsFromBuffer(true);
        if (FKeyParamFields.empty())
            return false;
        const bool found = SearchKeyParams();
        if (!found && !IsEmpty())
            Resync();
        return found;
    }
    // A stored key is used once: after a search its values are gone.
    if (FKeyParamFields.empty() || FKeyParamValues.IsNull())
        return false;
    return SearchKeyParams();
}

void TDaoTable::GotoNearest()
{
    if (State() == dsSetKey) {
        if (!FActiveKeyBuffer)
            return;
        KeyParamsFromBuffer(false);
    } else if (FKeyParamValues.IsNull()) {
        return;
    }
    if (!FKeyParamFields.empty())
        Find_NearestEx(FKeyParamFields, FKeyParamValues);
    FKeyParamValues = jet::Variant::Null();
}

// --- Ranges ---

void TDaoTable::SetRangeStart()
{
    EnterKeyState(FRangeStartBuffer.get(), true);
}

void TDaoTable::SetRangeEnd()
{
    EnterKeyState(FRangeEndBuffer.get(), true);
}

void TDaoTable::EditRangeStart()
{
    EnterKeyState(FRangeStartBuffer.get(), false);
}

void TDaoTable::EditRangeEnd()
{
    EnterKeyState(FRangeEndBuffer.get(), false);
}

void TDaoTable::ApplyRange()
{
    CheckActive();
    const auto hasValue = [](const TDaoRecordBuffer& bound) {
        return std::any_of(bound.Values.begin(), bound.Values.end(), [](const TDaoValue& value) {
            return value.Text().find_first_not_of(" \t\r\n") != std::string::npos;
        });
    };
    FRangeApplied = hasValue(*FRangeStartBuffer) && hasValue(*FRangeEndBuffer);
    FCountStale = true;
    if (State() == dsSetKey)
        SetState(dsBrowse);
    DataEvent(deDataSetChange);
    First();
}

void TDaoTable::CancelRange()
{
    CheckActive();
    FRangeApplied = false;
    FActiveKeyBuffer = nullptr;
    FCountStale = true;
    First();
    if (!IsEmpty())
        Resync(rmExact);
}

void TDaoTable::SetRange(const std::vector<jet::Variant>& startValues, const std::vector<jet::Variant>& endValues)
{
    CheckBrowseMode();
    const auto fill = [&](const std::vector<jet::Variant>& values) {
        for (std::size_t i = 0; i < values.size() && i < FActiveKeyBuffer->Values.size(); ++i) {
            TField* field = F_Get_IndexField(static_cast<int>(i));
            if (!field)
                DatabaseError(NoRangeIndexField + std::to_string(i + 1));
            field->SetValue(values[i]);
        }
    };
    try {
        SetRangeStart();
        fill(startValues);
        SetRangeEnd();
        fill(endValues);
    } catch (...) {
        SetState(dsBrowse);
        throw;
    }
    ApplyRange();
}

void TDaoTable::ClearRange(TKeyType which)
{
    CheckActive();
    EmptyKeyBuffer(*BufferOf(which, FKeyBuffer.get(), FRangeStartBuffer.get(), FRangeEndBuffer.get()));
    if (State() == dsSetKey)
        SetState(dsBrowse);
    DataEvent(deDataSetChange);
}

bool TDaoTable::FilterRange(const TDaoRecordBuffer& record)
{
    return CompareRecordsRange(record, FRangeStartBuffer.get(), 1) >= 0
        && CompareRecordsRange(record, FRangeEndBuffer.get(), 2) <= 0;
}

int TDaoTable::CompareRecordsRange(const TDaoRecordBuffer& record, const TDaoRecordBuffer* bound, int mode)
{
    if (!bound)
        return 0;
    int result = 0;
    // Slot i of every buffer belongs to field definition i, whatever order
    // the dataset's field objects have and whatever calculated fields it has.
    const std::size_t slots = std::min({static_cast<std::size_t>(FieldDefs().Count()), record.Values.size(),
                                        bound->Values.size()});
    for (std::size_t i = 0; i < slots; ++i) {
        const std::string& limit = bound->Values[i].Text();
        if (limit.empty())
            continue;  // the bound sets no condition on this field
        const std::string& value = record.Values[i].Text();
        result = value.empty() ? (mode == 1 ? -1 : 1)
                               : CompareFieldsRange(value, limit, FieldDefs()[static_cast<int>(i)].DataType);
        if ((mode == 1 && result < 0) || (mode == 2 && result > 0))
            break;
    }
    return result;
}

int TDaoTable::CompareFieldsRange(const std::string& a, const std::string& b, TFieldType fieldType)
{
    switch (fieldType) {
    case ftString:
    case ftMemo:
        return jet::CompareText(a, b);
    case ftBoolean: {
        const bool first = platform::SameText(a, "true");
        const bool second = platform::SameText(b, "true");
        return first == second ? 0 : (first ? 1 : -1);
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD: {
        double first = 0, second = 0;
        if (!TryTextToFloat(a, first) || !TryTextToFloat(b, second))
            return 0;
        return Sign(first - second);
    }
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc: {
        int first = 0, second = 0;
        if (!platform::TryStrToInt(a, first) || !platform::TryStrToInt(b, second))
            return 0;
        if (fieldType == ftSmallint)
            return static_cast<std::int16_t>(first) - static_cast<std::int16_t>(second);
        if (fieldType == ftWord)
            return static_cast<std::uint16_t>(first) - static_cast<std::uint16_t>(second);
        return first < second ? -1 : (first > second ? 1 : 0);
    }
    case ftDate:
    case ftTime:
    case ftDateTime: {
        // Day, then milliseconds, as numbers: as texts "9000000" would sort
        // after "36000000".
        platform::TTimeStamp first, second;
        if (!StampOf(a, first) || !StampOf(b, second))
            return 0;
        if (first.Date != second.Date)
            return first.Date < second.Date ? -1 : 1;
        return first.Time < second.Time ? -1 : (first.Time > second.Time ? 1 : 0);
    }
    default:
        return 0;
    }
}
