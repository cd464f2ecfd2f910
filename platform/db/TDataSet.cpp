#include "platform/db/TDataSet.h"

#include "platform/system/DateTime.h"
#include "platform/system/FloatText.h"
#include "platform/system/TStringList.h"
#include "platform/system/TextEncoding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

using platform::SameText;

namespace {

bool IsIntegerType(TFieldType type)
{
    return type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc;
}

bool IsFloatType(TFieldType type)
{
    return type == ftFloat || type == ftCurrency || type == ftBCD;
}

bool IsDateType(TFieldType type)
{
    return type == ftDate || type == ftTime || type == ftDateTime;
}

bool HasNativeValue(TFieldType type)
{
    return IsIntegerType(type) || IsFloatType(type) || IsDateType(type) || type == ftBoolean;
}

double ReadDouble(const void* buffer)
{
    double value = 0;
    std::memcpy(&value, buffer, sizeof value);
    return value;
}

std::int32_t ReadInt32(const void* buffer)
{
    std::int32_t value = 0;
    std::memcpy(&value, buffer, sizeof value);
    return value;
}

// The automation date of a native date, time or date-time value.
double NativeToDateTime(TFieldType type, const void* buffer)
{
    switch (type) {
    case ftDate:
        return double(ReadInt32(buffer) - platform::DateDelta);
    case ftTime:
        return double(ReadInt32(buffer)) / platform::MSecsPerDay;
    default: {
        const double milliseconds = ReadDouble(buffer);
        const auto day = static_cast<int>(std::floor(milliseconds / platform::MSecsPerDay));
        const auto time = static_cast<int>(std::llround(milliseconds - double(day) * platform::MSecsPerDay));
        return platform::TimeStampToDateTime({time, day});
    }
    }
}

void DateTimeToNative(TFieldType type, double value, void* buffer)
{
    const platform::TTimeStamp stamp = platform::DateTimeToTimeStamp(value);
    if (type == ftDate) {
        const std::int32_t day = stamp.Date;
        std::memcpy(buffer, &day, sizeof day);
    } else if (type == ftTime) {
        const std::int32_t time = stamp.Time;
        std::memcpy(buffer, &time, sizeof time);
    } else {
        const double milliseconds = double(stamp.Date) * platform::MSecsPerDay + stamp.Time;
        std::memcpy(buffer, &milliseconds, sizeof milliseconds);
    }
}

// Native value of a field type to its text, and back (false when the text
// does not read as a value of that type).
std::string NativeToText(TFieldType type, const void* buffer)
{
    if (IsIntegerType(type))
        return std::to_string(ReadInt32(buffer));
    if (IsFloatType(type))
        return platform::FloatToStr(ReadDouble(buffer));
    if (type == ftBoolean) {
        std::int16_t value = 0;
        std::memcpy(&value, buffer, sizeof value);
        return value ? "True" : "False";
    }
    return platform::DateTimeToStr(NativeToDateTime(type, buffer));
}

bool TextToNative(TFieldType type, const std::string& text, void* buffer)
{
    if (IsIntegerType(type)) {
        int value = 0;
        if (!platform::TryStrToInt(text, value))
            return false;
        const std::int32_t stored = value;
        std::memcpy(buffer, &stored, sizeof stored);
        return true;
    }
    if (IsFloatType(type)) {
        std::string normal = text;
        std::replace(normal.begin(), normal.end(), ',', '.');
        double value = 0;
        const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
        if (normal.empty() || error != std::errc() || end != normal.data() + normal.size())
            return false;
        std::memcpy(buffer, &value, sizeof value);
        return true;
    }
    if (type == ftBoolean) {
        std::int16_t value = 0;
        if (SameText(text, "True"))
            value = 1;
        else if (!SameText(text, "False"))
            return false;
        std::memcpy(buffer, &value, sizeof value);
        return true;
    }
    platform::TDateTime value = 0;
    if (!platform::TryStrToDateTime(text, value))
        return false;
    DateTimeToNative(type, value, buffer);
    return true;
}

// Large enough for every native value.
using NativeBuffer = std::uint64_t;

[[noreturn]] void NotAValue(const std::string& text, TFieldType type)
{
    const char* what = IsIntegerType(type) ? "integer value"
        : IsFloatType(type)                ? "floating point value"
        : type == ftBoolean                ? "boolean value"
                                           : "date and time";
    throw platform::EConvertError("'" + text + "' is not a valid " + what);
}

} // namespace


// --- TFieldDefs ---

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType dataType, int size, bool required)
{
    Items.push_back(TFieldDef{name, dataType, size, required, 0});
    return Items.back();
}

int TFieldDefs::IndexOf(const std::string& name) const
{
    for (std::size_t i = 0; i < Items.size(); ++i)
        if (SameText(Items[i].Name, name))
            return static_cast<int>(i);
    return -1;
}

// --- TIndexDefs ---

TIndexDef& TIndexDefs::AddIndexDef(const std::string& name, const std::string& fields, unsigned options)
{
    Items.push_back(TIndexDef{name, fields, options, {}});
    return Items.back();
}

int TIndexDefs::IndexOf(const std::string& name) const
{
    for (std::size_t i = 0; i < Items.size(); ++i)
        if (SameText(Items[i].Name, name))
            return static_cast<int>(i);
    return -1;
}

// --- TField ---

TField::TField(TDataSet& dataSet, const TFieldDef& definition, int fieldNo)
    : Owner(dataSet)
    , Name(definition.Name)
    , Type(definition.DataType)
    , Width(definition.Size)
    , IsRequired(definition.Required)
    , Number(fieldNo)
{
}

std::string TField::AsString() const
{
    std::string value;
    if (!Owner.GetFieldData(*this, &value))
        return {};
    return value;
}

void TField::CheckEditing() const
{
    const TDataSetState state = Owner.State();
    if (state != dsEdit && state != dsInsert && state != dsSetKey)
        throw EDatabaseError("Dataset not in edit or insert mode");
}

std::string TField::DisplayText()
{
    std::string text = AsString();
    if (OnGetText)
        OnGetText(*this, text, true);
    return text;
}

std::string TField::Text()
{
    std::string text = AsString();
    if (OnGetText)
        OnGetText(*this, text, false);
    return text;
}

void TField::SetText(const std::string& text)
{
    if (OnSetText)
        OnSetText(*this, text);
    else
        SetAsString(text);
}

int TField::AsInteger() const
{
    if (IsIntegerType(Type)) {
        std::int32_t value = 0;
        return Owner.GetNativeFieldData(*this, &value) ? value : 0;
    }
    if (IsFloatType(Type)) {
        const double value = std::nearbyint(AsFloat());
        if (!(value >= -2147483648.0 && value <= 2147483647.0))
            NotAValue(AsString(), ftInteger);
        return static_cast<int>(value);
    }
    if (Type == ftBoolean)
        return AsBoolean() ? 1 : 0;
    const std::string text = AsString();
    return text.empty() ? 0 : platform::StrToInt(text);
}

void TField::SetAsInteger(int value)
{
    if (!IsIntegerType(Type)) {
        SetAsString(std::to_string(value));
        return;
    }
    CheckEditing();
    const std::int32_t stored = value;
    Owner.SetNativeFieldData(*this, &stored);
    Owner.FieldChanged();
}

double TField::AsFloat() const
{
    if (IsFloatType(Type)) {
        double value = 0;
        return Owner.GetNativeFieldData(*this, &value) ? value : 0.0;
    }
    if (IsIntegerType(Type))
        return AsInteger();
    if (IsDateType(Type))
        return AsDateTime();
    const std::string text = AsString();
    if (text.empty())
        return 0;
    NativeBuffer buffer = 0;
    if (!TextToNative(ftFloat, text, &buffer))
        NotAValue(text, ftFloat);
    return ReadDouble(&buffer);
}

void TField::SetAsFloat(double value)
{
    if (!IsFloatType(Type)) {
        if (IsIntegerType(Type))
            SetAsInteger(static_cast<int>(std::nearbyint(value)));
        else
            SetAsString(platform::FloatToStr(value));
        return;
    }
    CheckEditing();
    Owner.SetNativeFieldData(*this, &value);
    Owner.FieldChanged();
}

bool TField::AsBoolean() const
{
    if (Type == ftBoolean) {
        std::int16_t value = 0;
        return Owner.GetNativeFieldData(*this, &value) && value != 0;
    }
    const std::string text = AsString();
    if (text.empty())
        return false;
    NativeBuffer buffer = 0;
    if (!TextToNative(ftBoolean, text, &buffer))
        NotAValue(text, ftBoolean);
    std::int16_t value = 0;
    std::memcpy(&value, &buffer, sizeof value);
    return value != 0;
}

void TField::SetAsBoolean(bool value)
{
    if (Type != ftBoolean) {
        SetAsString(value ? "True" : "False");
        return;
    }
    CheckEditing();
    const std::int16_t stored = value ? 1 : 0;
    Owner.SetNativeFieldData(*this, &stored);
    Owner.FieldChanged();
}

double TField::AsDateTime() const
{
    if (IsDateType(Type)) {
        NativeBuffer buffer = 0;
        return Owner.GetNativeFieldData(*this, &buffer) ? NativeToDateTime(Type, &buffer) : 0.0;
    }
    const std::string text = AsString();
    return text.empty() ? 0.0 : platform::StrToDateTime(text);
}

void TField::SetAsDateTime(double value)
{
    if (!IsDateType(Type)) {
        SetAsString(platform::DateTimeToStr(value));
        return;
    }
    CheckEditing();
    NativeBuffer buffer = 0;
    DateTimeToNative(Type, value, &buffer);
    Owner.SetNativeFieldData(*this, &buffer);
    Owner.FieldChanged();
}

void TField::SetAsString(const std::string& value)
{
    CheckEditing();
    if (Type == ftString && Width > 0) {
        const std::string cut = Owner.FitString(*this, value);
        Owner.SetFieldData(*this, &cut);
    } else {
        Owner.SetFieldData(*this, &value);
    }
    Owner.FieldChanged();
}

bool TField::IsNull() const
{
    return !Owner.GetFieldData(*this, nullptr);
}

void TField::Clear()
{
    CheckEditing();
    Owner.SetFieldData(*this, nullptr);
    Owner.FieldChanged();
}

// --- TDataSet ---

TDataSet::~TDataSet() = default;

void TDataSet::Open()
{
    if (Active())
        return;
    try {
        InternalOpen();
        if (!IsCursorOpen())
            throw EDatabaseError("The dataset could not be opened");
    } catch (...) {
        try {
            InternalClose();
        } catch (...) {
            // The open error is the one worth reporting.
        }
        DestroyFields();
        throw;
    }
    CurrentState = dsBrowse;
    ActiveBuffer = AllocRecordBuffer();
    InternalFirst();
    HasRecord = GetRecord(*ActiveBuffer, gmNext) == grOK;
    CursorOnActive = HasRecord;
    AtBof = true;
    AtEof = !HasRecord;
}

void TDataSet::Close()
{
    if (!Active())
        return;
    CurrentState = dsInactive;
    ActiveBuffer.reset();
    SpareBuffer.reset();
    RecordBeforeInsert.reset();
    HasRecord = false;
    CursorOnActive = false;
    AtBof = AtEof = true;
    IsModified = false;
    try {
        InternalClose();
    } catch (...) {
        DestroyFields();
        throw;
    }
    DestroyFields();
}

void TDataSet::SetActive(bool value)
{
    if (value)
        Open();
    else
        Close();
}

void TDataSet::First()
{
    CheckBrowseMode();
    InternalFirst();
    HasRecord = GetRecord(*ActiveBuffer, gmNext) == grOK;
    CursorOnActive = HasRecord;
    AtBof = true;
    AtEof = !HasRecord;
}

void TDataSet::Next()
{
    CheckBrowseMode();
    if (AtEof)
        return;
    AtBof = false;
    if (!StepActiveRecord(gmNext))
        AtEof = true;
}

void TDataSet::Prior()
{
    CheckBrowseMode();
    if (AtBof)
        return;
    AtEof = false;
    if (!StepActiveRecord(gmPrior))
        AtBof = true;
}

bool TDataSet::StepActiveRecord(TGetMode direction)
{
    SyncCursor();
    // The record is read into a second buffer, kept from step to step, so
    // that past either end the active record stays what it was.
    if (!SpareBuffer)
        SpareBuffer = AllocRecordBuffer();
    CursorOnActive = GetRecord(*SpareBuffer, direction) == grOK;
    if (CursorOnActive)
        std::swap(ActiveBuffer, SpareBuffer);
    return CursorOnActive;
}

void TDataSet::Last()
{
    CheckBrowseMode();
    InternalLast();
    HasRecord = GetRecord(*ActiveBuffer, gmPrior) == grOK;
    CursorOnActive = HasRecord;
    AtEof = true;
    AtBof = !HasRecord;
}

int TDataSet::RecordCount()
{
    CheckActive();
    return GetRecordCount();
}

TField* TDataSet::FindField(const std::string& name) const
{
    for (const auto& field : FieldList)
        if (SameText(field->FieldName(), name))
            return field.get();
    return nullptr;
}

TField& TDataSet::FieldByName(const std::string& name) const
{
    if (TField* field = FindField(name))
        return *field;
    throw EDatabaseError("Field '" + name + "' not found");
}

void TDataSet::Edit()
{
    CheckActive();
    if (CurrentState == dsEdit || CurrentState == dsInsert)
        return;
    CheckCanModify();
    if (!HasRecord) {
        Insert();
        return;
    }
    SyncCursor();
    InternalEdit();
    CurrentState = dsEdit;
    IsModified = false;
}

void TDataSet::Append()
{
    BeginInsertAppend(bfEOF);
}

void TDataSet::Insert()
{
    BeginInsertAppend(bfInserted);
}

void TDataSet::BeginInsertAppend(TBookmarkFlag flag)
{
    CheckBrowseMode();
    CheckCanModify();
    SyncCursor();
    if (HasRecord)
        RecordBeforeInsert = std::move(ActiveBuffer);
    ActiveBuffer = AllocRecordBuffer();
    InternalInitRecord(*ActiveBuffer);
    ActiveBuffer->BookmarkFlag = flag;
    CurrentState = dsInsert;
    IsModified = false;
    AtBof = false;
    AtEof = flag == bfEOF;
}

void TDataSet::Post()
{
    CheckActive();
    if (CurrentState != dsEdit && CurrentState != dsInsert)
        return;
    CheckRequiredFields();
    InternalPost();
    CurrentState = dsBrowse;
    RecordBeforeInsert.reset();
    IsModified = false;
    Resync();
}

void TDataSet::Cancel()
{
    CheckActive();
    if (CurrentState != dsEdit && CurrentState != dsInsert)
        return;
    const bool inserting = CurrentState == dsInsert;
    InternalCancel();
    CurrentState = dsBrowse;
    IsModified = false;
    if (inserting) {
        if (RecordBeforeInsert) {
            ActiveBuffer = std::move(RecordBeforeInsert);
            InternalSetToRecord(*ActiveBuffer);
        } else {
            ActiveBuffer = AllocRecordBuffer();
            InternalFirst();
        }
    } else {
        InternalSetToRecord(*ActiveBuffer);
    }
    Resync();
}

void TDataSet::Delete()
{
    CheckActive();
    if (CurrentState == dsInsert) {
        Cancel();
        return;
    }
    if (!HasRecord)
        throw EDatabaseError("Cannot perform this operation on an empty dataset");
    CheckCanModify();
    SyncCursor();
    InternalDelete();
    CurrentState = dsBrowse;
    IsModified = false;
    Resync();
}

int TDataSet::MoveBy(int distance)
{
    int moved = 0;
    for (; distance > 0 && !Eof(); --distance) {
        Next();
        if (!Eof())
            ++moved;
    }
    for (; distance < 0 && !Bof(); ++distance) {
        Prior();
        if (!Bof())
            --moved;
    }
    return moved;
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    SyncCursor();
    InternalRefresh();
    Resync();
}

void TDataSet::SetRecNo(int /*value*/)
{
}

TDataSet::TBookmark TDataSet::GetBookmark()
{
    TBookmark bookmark;
    if (Active() && BookmarkSize > 0 && HasRecord)
        GetBookmarkData(*ActiveBuffer, bookmark);
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark)
{
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark);
    Resync();
    DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark* /*bookmark*/)
{
    return false;
}

int TDataSet::CompareBookmarks(const TBookmark* first, const TBookmark* second)
{
    if (!first && !second)
        return 0;
    if (!first)
        return 1;
    if (!second)
        return -1;
    return *first < *second ? -1 : (*second < *first ? 1 : 0);
}

std::string TDataSet::GetBookmarkStr()
{
    return GetBookmark();
}

void TDataSet::SetBookmarkStr(const std::string& bookmark)
{
    GotoBookmark(bookmark);
}

void TDataSet::GetBookmarkData(const TRecordBuffer& /*buffer*/, TBookmark& bookmark)
{
    bookmark.clear();
}

void TDataSet::InternalGotoBookmark(const TBookmark& /*bookmark*/)
{
    throw EDatabaseError("Bookmarks are not supported");
}

bool TDataSet::GetNativeFieldData(const TField& field, void* buffer)
{
    std::string text;
    if (!GetFieldData(field, &text))
        return false;
    NativeBuffer native = 0;
    if (!HasNativeValue(field.DataType()) || !TextToNative(field.DataType(), text, &native))
        return false;
    const std::size_t size = field.DataType() == ftBoolean ? 2
        : (IsFloatType(field.DataType()) || field.DataType() == ftDateTime) ? 8
                                                                            : 4;
    if (buffer)
        std::memcpy(buffer, &native, size);
    return true;
}

void TDataSet::SetNativeFieldData(TField& field, const void* buffer)
{
    if (!buffer || !HasNativeValue(field.DataType())) {
        SetFieldData(field, nullptr);
        return;
    }
    const std::string text = NativeToText(field.DataType(), buffer);
    SetFieldData(field, &text);
}

std::string TDataSet::FitString(const TField& field, const std::string& value) const
{
    return platform::CutUtf8(value, static_cast<std::size_t>(field.Size()));
}

TDataSetState TDataSet::SetTempState(TDataSetState state)
{
    const TDataSetState old = CurrentState;
    CurrentState = state;
    return old;
}

void TDataSet::ClearBuffers()
{
    ActiveBuffer = AllocRecordBuffer();
    SpareBuffer.reset();
    RecordBeforeInsert.reset();
    HasRecord = false;
    CursorOnActive = false;
    AtBof = AtEof = true;
}

void TDataSet::ActivateBuffers()
{
    if (!ActiveBuffer)
        ActiveBuffer = AllocRecordBuffer();
    HasRecord = GetRecord(*ActiveBuffer, gmNext) == grOK;
    CursorOnActive = HasRecord;
    AtBof = true;
    AtEof = !HasRecord;
}

void TDataSet::DoBeforeScroll()
{
    if (BeforeScroll)
        BeforeScroll(*this);
}

void TDataSet::DoAfterScroll()
{
    if (AfterScroll)
        AfterScroll(*this);
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    if (CurrentState != dsEdit && CurrentState != dsInsert)
        return;
    if (IsModified)
        Post();
    else
        Cancel();
}

TRecordBuffer* TDataSet::GetActiveRecordBuffer()
{
    switch (CurrentState) {
    case dsBrowse:
        return HasRecord ? ActiveBuffer.get() : nullptr;
    case dsEdit:
    case dsInsert:
        return ActiveBuffer.get();
    default:
        break;
    }
    return nullptr;
}

void TDataSet::CreateFields()
{
    DestroyFields();
    for (int i = 0; i < Definitions.Count(); ++i)
        FieldList.push_back(std::make_unique<TField>(*this, Definitions[i], i + 1));
}

void TDataSet::DestroyFields()
{
    FieldList.clear();
}

void TDataSet::CheckCanModify() const
{
    if (!GetCanModify())
        throw EDatabaseError("Cannot modify a read-only dataset");
}

void TDataSet::CheckActive() const
{
    if (!Active())
        throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::SyncCursor()
{
    if (HasRecord && !CursorOnActive)
        InternalSetToRecord(*ActiveBuffer);
    CursorOnActive = HasRecord;
}

void TDataSet::Resync()
{
    if (!ActiveBuffer)
        ActiveBuffer = AllocRecordBuffer();
    HasRecord = GetRecord(*ActiveBuffer, gmCurrent) == grOK
        || GetRecord(*ActiveBuffer, gmNext) == grOK
        || GetRecord(*ActiveBuffer, gmPrior) == grOK;
    CursorOnActive = HasRecord;
    AtBof = AtEof = !HasRecord;
}

void TDataSet::CheckRequiredFields()
{
    for (const auto& field : FieldList)
        if (field->Required() && field->IsNull())
            throw EDatabaseError("Field '" + field->FieldName() + "' must have a value");
}

// --- TCustomConnection ---

void TCustomConnection::SetConnected(bool value)
{
    if (value == GetConnected())
        return;
    if (value)
        DoConnect();
    else
        DoDisconnect();
}
