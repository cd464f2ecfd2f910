#include "platform/db/TDataSet.h"

#include "platform/system/TStringList.h"
#include "platform/system/TextEncoding.h"

#include <algorithm>

using platform::SameText;

// --- TFieldDefs ---

void TFieldDefs::Add(const std::string& name, TFieldType dataType, int size, bool required)
{
    Items.push_back(TFieldDef{name, dataType, size, required});
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

void TField::SetAsString(const std::string& value)
{
    if (Owner.State() != dsEdit && Owner.State() != dsInsert)
        throw EDatabaseError("Dataset not in edit or insert mode");
    if (Type == ftString && Width > 0) {
        const std::string cut = platform::CutUtf8(value, static_cast<std::size_t>(Width));
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
    if (Owner.State() != dsEdit && Owner.State() != dsInsert)
        throw EDatabaseError("Dataset not in edit or insert mode");
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
    std::unique_ptr<TRecordBuffer> record = AllocRecordBuffer();
    CursorOnActive = GetRecord(*record, direction) == grOK;
    // Past either end the active record stays what it was.
    if (CursorOnActive)
        ActiveBuffer = std::move(record);
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
    SyncCursor();
    InternalDelete();
    CurrentState = dsBrowse;
    IsModified = false;
    Resync();
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
    case dsInactive:
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
