#include "platform/db/TDataSet.h"

#include "platform/db/TDataSource.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/DateTime.h"
#include "platform/system/FloatText.h"
#include "platform/system/TStringList.h"
#include "platform/system/TextEncoding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

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

bool IsBytesType(TFieldType type)
{
    return type == ftBytes || type == ftVarBytes || type == ftBlob || type == ftGraphic || type == ftParadoxOle
        || type == ftDBaseOle || type == ftTypedBinary;
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

TField::TField(TDataSet& dataSet, std::string name, TFieldType dataType, TFieldKind kind, int size)
    : Owner(dataSet)
    , Name(std::move(name))
    , Type(dataType)
    , Width(size)
    , IsRequired(false)
    , Number(0)
    , Kind(kind)
    , Persistent(true)
{
}

std::string TField::AsString() const
{
    if (IsBlob() && !IsCalculated()) {
        // A read stream leaves the field as it is.
        if (auto stream = Owner.CreateBlobStream(const_cast<TField&>(*this), bmRead))
            return stream->ReadRest();
    }
    std::string value;
    if (!Owner.ReadFieldData(*this, &value))
        value.clear();
    return value;  // one object returned, built in place
}

void TField::LoadFromStream(std::istream& stream)
{
    CheckEditing();
    std::unique_ptr<TStream> blob = IsBlob() ? Owner.CreateBlobStream(*this, bmWrite) : nullptr;
    if (!blob) {
        std::ostringstream bytes;
        bytes << stream.rdbuf();
        SetAsString(bytes.str());
        return;
    }
    char block[65536];
    while (stream.read(block, sizeof block) || stream.gcount() > 0)
        blob->Write(block, static_cast<int>(stream.gcount()));
}

void TField::SaveToStream(std::ostream& stream) const
{
    const std::string bytes = AsString();
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TField::LoadFromFile(const std::string& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw EDatabaseError("Cannot open file \"" + fileName + "\"");
    LoadFromStream(file);
}

void TField::SaveToFile(const std::string& fileName) const
{
    platform::WriteFileAtomically(fileName, AsString());
}

void TField::CheckEditing() const
{
    const TDataSetState state = Owner.State();
    if (IsCalculated()) {
        if (state != dsCalcFields)
            throw EDatabaseError("Field '" + Name + "' cannot be modified");
        return;
    }
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
        return Owner.ReadNativeFieldData(*this, &value) ? value : 0;
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
    Owner.WriteNativeFieldData(*this, &stored);
    Owner.FieldChanged(*this);
}

double TField::AsFloat() const
{
    if (IsFloatType(Type)) {
        double value = 0;
        return Owner.ReadNativeFieldData(*this, &value) ? value : 0.0;
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
    Owner.WriteNativeFieldData(*this, &value);
    Owner.FieldChanged(*this);
}

bool TField::AsBoolean() const
{
    if (Type == ftBoolean) {
        std::int16_t value = 0;
        return Owner.ReadNativeFieldData(*this, &value) && value != 0;
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
    Owner.WriteNativeFieldData(*this, &stored);
    Owner.FieldChanged(*this);
}

double TField::AsDateTime() const
{
    if (IsDateType(Type)) {
        NativeBuffer buffer = 0;
        return Owner.ReadNativeFieldData(*this, &buffer) ? NativeToDateTime(Type, &buffer) : 0.0;
    }
    const std::string text = AsString();
    return text.empty() ? 0.0 : platform::StrToDateTime(text);
}

void TField::SetAsDateTime(double value)
{
    // A date that does not exist is refused as its text would be.
    if (!platform::IsValidDateTime(value))
        NotAValue(platform::FloatToStr(value), ftDateTime);
    if (!IsDateType(Type)) {
        SetAsString(platform::DateTimeToStr(value));
        return;
    }
    CheckEditing();
    NativeBuffer buffer = 0;
    DateTimeToNative(Type, value, &buffer);
    Owner.WriteNativeFieldData(*this, &buffer);
    Owner.FieldChanged(*this);
}

void TField::SetAsString(const std::string& value)
{
    CheckEditing();
    if (Type == ftString && Width > 0) {
        const std::string cut = Owner.FitString(*this, value);
        Owner.WriteFieldData(*this, &cut);
    } else {
        Owner.WriteFieldData(*this, &value);
    }
    Owner.FieldChanged(*this);
}

bool TField::IsNull() const
{
    return !Owner.ReadFieldData(*this, nullptr);
}

void TField::Clear()
{
    CheckEditing();
    Owner.WriteFieldData(*this, nullptr);
    Owner.FieldChanged(*this);
}

jet::Variant TField::Value() const
{
    if (IsNull())
        return jet::Variant::Null();
    switch (Type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        return AsInteger();
    case ftFloat:
    case ftBCD:
        return AsFloat();
    case ftCurrency: {
        // The field's text keeps every digit where the dataset keeps them;
        // a double would round a large value.
        const jet::Variant text(AsString());
        try {
            return jet::Variant::CurrencyScaled(text.AsCurrencyScaled());
        } catch (const jet::EVariantError&) {
            return jet::Variant::Currency(AsFloat());
        }
    }
    case ftBoolean:
        return AsBoolean();
    case ftDate:
    case ftTime:
    case ftDateTime:
        return jet::Variant::Date(AsDateTime());
    default:
        return IsBytesType(Type) ? jet::Variant::Bytes(AsString()) : jet::Variant(AsString());
    }
}

void TField::SetValue(const jet::Variant& value)
{
    if (value.IsClear()) {
        Clear();
        return;
    }
    switch (Type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        SetAsInteger(value.AsInteger());
        break;
    case ftCurrency:
        // A currency or text value goes on as its text, every digit kept.
        if (value.VarType() == jet::varCurrency || value.VarType() == jet::varString)
            SetAsString(jet::Variant::CurrencyScaled(value.AsCurrencyScaled()).AsString());
        else
            SetAsFloat(value.AsDouble());
        break;
    case ftFloat:
    case ftBCD:
        SetAsFloat(value.AsDouble());
        break;
    case ftBoolean:
        SetAsBoolean(value.AsBoolean());
        break;
    case ftDate:
    case ftTime:
    case ftDateTime:
        if (value.VarType() == jet::varString)
            SetAsString(value.AsString());
        else
            SetAsDateTime(value.AsDate());
        break;
    default:
        SetAsString(IsBytesType(Type) ? value.AsBytes() : value.AsString());
        break;
    }
}

bool TField::LookupListKey(const jet::Variant& keyValues, std::vector<std::string>& key)
{
    key.clear();
    const auto add = [&](const jet::Variant& value) {
        if (value.IsClear())
            return false;
        key.push_back(value.AsString());
        return true;
    };
    if (!keyValues.IsArray())
        return add(keyValues);
    const jet::SafeArray& array = *keyValues.Array();
    for (int i = array.LowBound(); i <= array.HighBound(); ++i)
        if (!add(array.Get({i})))
            return false;
    return true;
}

void TField::RefreshLookupList()
{
    LookupList.clear();
    if (!LookupDataSet || !LookupDataSet->Active())
        return;
    TDataSet& lookup = *LookupDataSet;
    lookup.DisableControls();
    const TDataSet::TBookmark position = lookup.GetBookmark();
    try {
        std::vector<std::string> key;
        for (lookup.First(); !lookup.Eof(); lookup.Next())
            if (LookupListKey(lookup.FieldValues(LookupKeyFields), key))
                LookupList.emplace(key, lookup.FieldByName(LookupResultField).Value());
    } catch (...) {
        if (!position.empty())
            lookup.GotoBookmark(position);
        lookup.EnableControls();
        throw;
    }
    if (!position.empty())
        lookup.GotoBookmark(position);
    lookup.EnableControls();
}

// --- TDataSet ---

TDataSet::~TDataSet()
{
    // The sources and the links on them forget this dataset.
    while (!DataSources.empty())
        DataSources.back()->SetDataSet(nullptr);
}

void TDataSet::SetState(TDataSetState state)
{
    if (state == CurrentState)
        return;
    CurrentState = state;
    DataEvent(deUpdateState);
}

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
    // Told once the first record is there, so a detail reads its values.
    DataEvent(deUpdateState);
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
    DataEvent(deUpdateState);
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
    DataEvent(deDataSetChange);
}

bool TDataSet::MoveOne(TGetMode direction)
{
    if (direction == gmNext) {
        if (AtEof)
            return false;
        AtBof = false;
        if (StepActiveRecord(gmNext))
            return true;
        AtEof = true;
        return false;
    }
    if (AtBof)
        return false;
    AtEof = false;
    if (StepActiveRecord(gmPrior))
        return true;
    AtBof = true;
    return false;
}

void TDataSet::Next()
{
    CheckBrowseMode();
    if (MoveOne(gmNext))
        DataEvent(deDataSetScroll);
}

void TDataSet::Prior()
{
    CheckBrowseMode();
    if (MoveOne(gmPrior))
        DataEvent(deDataSetScroll);
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
    DataEvent(deDataSetChange);
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

void TDataSet::GetFieldList(std::vector<TField*>& list, const std::string& fieldNames) const
{
    std::size_t start = 0;
    while (start <= fieldNames.size()) {
        std::size_t end = fieldNames.find(';', start);
        if (end == std::string::npos)
            end = fieldNames.size();
        std::string name = fieldNames.substr(start, end - start);
        const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
        while (!name.empty() && blank(name.back()))
            name.pop_back();
        name.erase(name.begin(), std::find_if_not(name.begin(), name.end(), blank));
        if (!name.empty())
            list.push_back(&FieldByName(name));
        start = end + 1;
    }
}

jet::Variant TDataSet::FieldValues(const std::string& fieldNames) const
{
    std::vector<TField*> fields;
    GetFieldList(fields, fieldNames);
    if (fields.size() == 1)
        return fields.front()->Value();
    auto array = jet::SafeArray::Vector(jet::varVariant, 0, static_cast<int>(fields.size()) - 1);
    for (std::size_t i = 0; i < fields.size(); ++i)
        array->Put({static_cast<int>(i)}, fields[i]->Value());
    return jet::Variant::FromArray(array);
}

TField& TDataSet::AddField(const std::string& name, TFieldType dataType, TFieldKind kind, int size)
{
    if (Active())
        throw EDatabaseError("Cannot perform this operation on an open dataset");
    if (FindField(name))
        throw EDatabaseError("Duplicate field name '" + name + "'");
    FieldList.push_back(std::make_unique<TField>(*this, name, dataType, kind, size));
    return *FieldList.back();
}

bool TDataSet::DefaultFields() const
{
    return std::none_of(FieldList.begin(), FieldList.end(), [](const auto& field) { return field->Persistent; });
}

bool TDataSet::Locate(const std::string& /*keyFields*/, const jet::Variant& /*keyValues*/, TLocateOptions /*options*/)
{
    return false;
}

jet::Variant TDataSet::Lookup(const std::string& /*keyFields*/, const jet::Variant& /*keyValues*/,
                              const std::string& /*resultFields*/)
{
    return jet::Variant::Null();
}

bool TDataSet::FindRecord(bool /*restart*/, bool /*goForward*/)
{
    return false;
}

bool TDataSet::IsLinkedTo(const TDataSource* dataSource) const
{
    while (dataSource) {
        const TDataSet* dataSet = dataSource->DataSet();
        if (!dataSet)
            return false;
        if (dataSet == this)
            return true;
        dataSource = dataSet->GetDataSource();
    }
    return false;
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
    IsModified = false;
    SetState(dsEdit);
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
    const TBookmark before = flag == bfInserted ? GetBookmark() : TBookmark();
    if (HasRecord)
        RecordBeforeInsert = std::move(ActiveBuffer);
    ActiveBuffer = AllocRecordBuffer();
    InternalInitRecord(*ActiveBuffer);
    ClearCalcFields(*ActiveBuffer);
    SetBookmarkFlag(*ActiveBuffer, flag);
    if (!before.empty())
        SetBookmarkData(*ActiveBuffer, before);
    AtBof = false;
    AtEof = flag == bfEOF;
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        Cancel();
        throw;
    }
    IsModified = false;
    DataEvent(deDataSetChange);
}

void TDataSet::AppendRecord(const std::vector<jet::Variant>& values)
{
    AddRecord(values, true);
}

void TDataSet::InsertRecord(const std::vector<jet::Variant>& values)
{
    AddRecord(values, false);
}

void TDataSet::AddRecord(const std::vector<jet::Variant>& values, bool append)
{
    CheckActive();
    if (values.size() > FieldList.size())
        throw EDatabaseError("More values than the dataset has fields");
    BeginInsertAppend(append ? bfEOF : bfInserted);
    try {
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!(values[i].IsClear() && FieldList[i]->IsCalculated()))
                FieldList[i]->SetValue(values[i]);
        AddingRecord = append;
        Post();
    } catch (...) {
        AddingRecord.reset();
        try {
            Cancel();
        } catch (...) {
            // The error that stopped the add is the one worth reporting.
        }
        throw;
    }
}

void TDataSet::InternalAddRecord(TRecordBuffer& buffer, bool append)
{
    SetBookmarkFlag(buffer, append ? bfEOF : bfInserted);
    InternalPost();
}

void TDataSet::DoOnNewRecord()
{
    if (OnNewRecord)
        OnNewRecord(*this);
}

void TDataSet::Post()
{
    CheckActive();
    if (CurrentState != dsEdit && CurrentState != dsInsert)
        return;
    CheckRequiredFields();
    if (AddingRecord) {
        const bool append = *AddingRecord;
        AddingRecord.reset();
        InternalAddRecord(*ActiveBuffer, append);
    } else {
        InternalPost();
    }
    RecordBeforeInsert.reset();
    IsModified = false;
    SetState(dsBrowse);
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
    DataEvent(deUpdateState);
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
    if (BeforeDelete)
        BeforeDelete(*this);
    SyncCursor();
    InternalDelete();
    IsModified = false;
    SetState(dsBrowse);
    Resync();
    if (AfterDelete)
        AfterDelete(*this);
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    int moved = 0;
    for (; distance > 0 && MoveOne(gmNext); --distance)
        ++moved;
    for (; distance < 0 && MoveOne(gmPrior); ++distance)
        --moved;
    if (moved != 0)
        DataEvent(deDataSetScroll);
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

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField& /*field*/, TBlobStreamMode /*mode*/)
{
    return nullptr;
}

void TDataSet::FieldModified(TField& field)
{
    FieldChanged(field);
}

TDataSet::TBookmark TDataSet::GetBookmark()
{
    TBookmark bookmark;
    if (Active() && BookmarkSize > 0 && HasRecord && GetBookmarkFlag(*ActiveBuffer) == bfCurrent)
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

// --- Field access ---

TRecordBuffer::TCalcValue* TDataSet::CalcValueOf(const TField& field)
{
    TRecordBuffer* buffer = GetActiveRecordBuffer();
    if (!buffer || field.CalcSlot >= buffer->CalcValues.size())
        return nullptr;
    return &buffer->CalcValues[field.CalcSlot];
}

bool TDataSet::ReadFieldData(const TField& field, std::string* value)
{
    // The calculated fields' road apart, so that a data field's read, once
    // per field of every row of a walk, goes straight to the hook.
    if (!field.IsCalculated())
        return GetFieldData(field, value);
    return ReadCalcFieldData(field, value);
}

bool TDataSet::ReadCalcFieldData(const TField& field, std::string* value)
{
    const TRecordBuffer::TCalcValue* stored = CalcValueOf(field);
    if (!stored || !stored->Present)
        return false;
    if (value)
        *value = stored->Text;
    return true;
}

bool TDataSet::ReadNativeFieldData(const TField& field, void* buffer)
{
    if (!field.IsCalculated())
        return GetNativeFieldData(field, buffer);
    return TDataSet::GetNativeFieldData(field, buffer);
}

void TDataSet::WriteFieldData(TField& field, const std::string* value)
{
    if (!field.IsCalculated()) {
        SetFieldData(field, value);
        return;
    }
    if (TRecordBuffer::TCalcValue* stored = CalcValueOf(field))
        *stored = value ? TRecordBuffer::TCalcValue{*value, true} : TRecordBuffer::TCalcValue{};
}

void TDataSet::WriteNativeFieldData(TField& field, const void* buffer)
{
    if (!field.IsCalculated())
        SetNativeFieldData(field, buffer);
    else
        TDataSet::SetNativeFieldData(field, buffer);
}

bool TDataSet::GetNativeFieldData(const TField& field, void* buffer)
{
    std::string text;
    if (!ReadFieldData(field, &text))
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
        WriteFieldData(field, nullptr);
        return;
    }
    const std::string text = NativeToText(field.DataType(), buffer);
    WriteFieldData(field, &text);
}

std::string TDataSet::FitString(const TField& field, const std::string& value) const
{
    return platform::CutUtf8(value, static_cast<std::size_t>(field.Size()));
}

void TDataSet::FieldChanged(TField& field)
{
    if (CurrentState == dsCalcFields || CurrentState == dsFilter || CurrentState == dsNewValue
        || CurrentState == dsInternalCalc)
        return;
    if (!field.IsCalculated()) {
        IsModified = true;
        if ((CurrentState == dsEdit || CurrentState == dsInsert) && AutoCalcFields && ActiveBuffer)
            GetCalcFields(*ActiveBuffer);
    }
    DataEvent(deFieldChange, &field);
}

// --- Calculated and lookup fields ---

void TDataSet::ClearCalcFields(TRecordBuffer& buffer) const
{
    buffer.CalcValues.assign(CalcFieldCount, TRecordBuffer::TCalcValue{});
}

void TDataSet::GetCalcFields(TRecordBuffer& buffer)
{
    if (CalcFieldCount == 0)
        return;
    TRecordBuffer* previous = CalcRecord;
    const TDataSetState old = SetTempState(dsCalcFields);
    CalcRecord = &buffer;
    struct Restore {
        TDataSet& Self;
        TRecordBuffer* Previous;
        TDataSetState Old;
        ~Restore()
        {
            Self.RestoreState(Old);
            Self.CalcRecord = Previous;
        }
    } restore{*this, previous, old};
    CalculateFields(buffer);
}

void TDataSet::CalculateFields(TRecordBuffer& buffer)
{
    ClearCalcFields(buffer);
    for (const auto& field : FieldList)
        if (field->FieldKind() == fkLookup)
            CalcLookupValue(*field);
    if (OnCalcFields)
        OnCalcFields(*this);
}

void TDataSet::CalcLookupValue(TField& field)
{
    if (!field.LookupDataSet || !field.LookupDataSet->Active() || field.KeyFields.empty())
        return;
    const jet::Variant keys = FieldValues(field.KeyFields);
    std::vector<std::string> key;
    if (!TField::LookupListKey(keys, key))
        return;
    if (field.LookupCache) {
        const auto found = field.LookupList.find(key);
        if (found != field.LookupList.end())
            field.SetValue(found->second);
        return;
    }
    field.SetValue(field.LookupDataSet->Lookup(field.LookupKeyFields, keys, field.LookupResultField));
}

// --- States, buffers and events ---

TDataSetState TDataSet::SetTempState(TDataSetState state)
{
    const TDataSetState old = CurrentState;
    CurrentState = state;
    return old;
}

void TDataSet::DataEvent(TDataEvent event, TField* field)
{
    if (DisableCount > 0) {
        if ((event == deUpdateState && CurrentState == dsInactive) || event == deLayoutChange)
            EnableEvent = deLayoutChange;
        return;
    }
    if (!DataSources.empty())
        NotifySources(event, field);
}

void TDataSet::NotifySources(TDataEvent event, TField* field)
{
    // A source may leave (or a new one join) while the event is handled.
    const std::vector<TDataSource*> sources = DataSources;
    for (TDataSource* source : sources)
        if (std::find(DataSources.begin(), DataSources.end(), source) != DataSources.end())
            source->DataEvent(event, field);
}

void TDataSet::DisableControls()
{
    if (DisableCount++ == 0) {
        DisableState = CurrentState;
        EnableEvent = deDataSetChange;
    }
}

void TDataSet::EnableControls()
{
    if (DisableCount == 0 || --DisableCount > 0)
        return;
    if (DisableState != CurrentState)
        DataEvent(deUpdateState);
    if (DisableState != dsInactive && CurrentState != dsInactive)
        DataEvent(EnableEvent);
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
    DataEvent(deDataSetChange);
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
    DataEvent(deCheckBrowseMode);
    switch (CurrentState) {
    case dsEdit:
    case dsInsert:
        if (IsModified)
            Post();
        else
            Cancel();
        break;
    case dsSetKey:
        SetState(dsBrowse);
        DataEvent(deDataSetChange);
        break;
    default:
        break;
    }
}

TRecordBuffer* TDataSet::GetActiveRecordBuffer()
{
    switch (CurrentState) {
    case dsBrowse:
        return HasRecord ? ActiveBuffer.get() : nullptr;
    case dsEdit:
    case dsInsert:
        return ActiveBuffer.get();
    case dsCalcFields:
        return CalcRecord;
    default:
        break;
    }
    return nullptr;
}

void TDataSet::CreateFields()
{
    if (DefaultFields()) {
        DestroyFields();
        for (int i = 0; i < Definitions.Count(); ++i)
            FieldList.push_back(std::make_unique<TField>(*this, Definitions[i], i + 1));
        CalcFieldCount = 0;
        return;
    }
    // Declared fields: data fields find their definitions, calculated and
    // lookup fields their slots in the calculated-field area.
    CalcFieldCount = 0;
    for (const auto& field : FieldList) {
        if (field->IsCalculated()) {
            field->Number = 0;
            field->CalcSlot = CalcFieldCount++;
            continue;
        }
        const int at = Definitions.IndexOf(field->FieldName());
        if (at < 0)
            throw EDatabaseError("Field '" + field->FieldName() + "' not found");
        const TFieldDef& definition = Definitions[at];
        if (definition.DataType != field->Type)
            throw EDatabaseError("Type mismatch for field '" + field->FieldName() + "'");
        field->Number = at + 1;
        if (field->Width == 0)
            field->Width = definition.Size;
        field->IsRequired = definition.Required;
    }
    // Cached lookup fields read their lists as they are bound.
    for (const auto& field : FieldList)
        if (field->Kind == fkLookup && field->LookupCache)
            field->RefreshLookupList();
}

void TDataSet::DestroyFields()
{
    FieldList.erase(std::remove_if(FieldList.begin(), FieldList.end(),
                                   [](const auto& field) { return !field->Persistent; }),
                    FieldList.end());
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

void TDataSet::Resync(TResyncModes modes)
{
    if (!ActiveBuffer)
        ActiveBuffer = AllocRecordBuffer();
    if (modes & rmExact) {
        std::unique_ptr<TRecordBuffer> record = AllocRecordBuffer();
        if (GetRecord(*record, gmCurrent) != grOK)
            throw EDatabaseError("Record not found");
        ActiveBuffer = std::move(record);
        HasRecord = true;
    } else {
        HasRecord = GetRecord(*ActiveBuffer, gmCurrent) == grOK || GetRecord(*ActiveBuffer, gmNext) == grOK
            || GetRecord(*ActiveBuffer, gmPrior) == grOK;
    }
    CursorOnActive = HasRecord;
    AtBof = AtEof = !HasRecord;
    DataEvent(deDataSetChange);
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
