// The dataset framework that the configuration store and the data-access
// table are built on, shaped like the old class library's. A dataset is a
// cursor over records with named fields: callers open it, move through it
// (First, Next, Prior, Last, Eof, Bof), read and write field texts through its
// fields (FindField, FieldByName, AsString) and change records with Edit,
// Append or Insert, Post, Cancel and Delete, in the states dsInactive,
// dsBrowse, dsEdit and dsInsert.
//
// A concrete dataset supplies the storage through protected hooks named as the
// class library names them: it opens and closes its cursor (InternalOpen,
// InternalClose), positions it (InternalFirst before the first record,
// InternalLast after the last, InternalSetToRecord on a buffer's record),
// copies records into buffers of its own kind (AllocRecordBuffer, GetRecord),
// exchanges field texts with the active buffer (GetFieldData, SetFieldData)
// and writes changes (InternalEdit, InternalInitRecord, InternalPost,
// InternalAddRecord for a record given whole, InternalCancel,
// InternalDelete). The base keeps the active record buffer, the state and
// the end-of-data flags, and turns the hooks into the public operations.
// Field values travel as texts; every field is read and written through
// AsString.
//
// Errors are raised as EDatabaseError. A concrete dataset closes itself in its
// own destructor, since the base cannot call the hooks once it is destroyed.
//
// Beside the fields of its storage (data fields), a dataset may carry
// calculated and lookup fields, declared before it opens (AddField): their
// values live in the record buffers' calculated-field area, filled by
// OnCalcFields and by the lookups whenever a dataset that supports them
// fetches a record (GetCalcFields). Declaring any field makes every field
// declared: the storage's other columns then have no field object.
//
// Views follow a dataset through data sources (TDataSource.h): the dataset
// tells each of its sources what happened (DataEvent: it opened or closed,
// changed state, moved, changed a field), and each source tells its links.
// While controls are disabled nothing is told; EnableControls tells what
// happened meanwhile in one event.
//
// Values that are not texts (the keys of searches, the results of lookups)
// travel in the engine layer's variant, the one variant type of the program.
#pragma once

#include "platform/db/DatabaseError.h"
#include "platform/db/TComponent.h"
#include "platform/jet/Variant.h"
#include "platform/system/Abort.h"
#include "platform/system/TStream.h"

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
    ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary
};

// Beside the four states every dataset passes through, a dataset may enter
// the others for a moment while it works: dsSetKey while key values are
// edited, dsCalcFields and dsFilter while calculated fields are computed or a
// record is filtered, dsOldValue while the values a record had before its
// edit are read.
enum TDataSetState {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue, dsOldValue,
    dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};

// The answer of an error event: fail (raise the error), abort (end silently)
// or retry.
enum TDataAction { daFail, daAbort, daRetry };

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

// Options of Locate: compare texts without regard to case; a key text
// matches a value that begins with it.
enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

// Options of Resync: rmExact raises "Record not found" when the cursor's
// record cannot be read again; rmCenter asks for the record in the middle of
// the buffers (a dataset here keeps one record buffer, so it changes nothing).
enum TResyncMode : unsigned { rmExact = 1, rmCenter = 2 };
using TResyncModes = unsigned;

// What a dataset tells its data sources: a field changed (the field comes
// along), the record or the whole view changed, the cursor moved, the fields
// were rebuilt, the state changed (also opening and closing), and a request
// to post pending edits before the dataset does something else.
enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange, deUpdateState, deCheckBrowseMode
};

class TDataSource;

// Where a record buffer stands: on a stored record, before the first or after
// the last (a record being appended), or inserted before the cursor's record.
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

// The record GetRecord is asked for, relative to the cursor, and its answer.
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };

// How a blob stream is opened: to read the value, to replace it (the value
// starts empty), or to read and change it.
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// The definition of one field: what the storage holds, not the field object.
// Size is the width of string fields in bytes (0 for types without one).
struct TFieldDef {
    std::string Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    bool Required = false;
    // Digits of a number; the table component also marks GUID fields here.
    int Precision = 0;
};

// The ordered field definitions of a dataset.
class TFieldDefs {
public:
    TFieldDef& Add(const std::string& name, TFieldType dataType, int size = 0, bool required = false);
    void Clear() { Items.clear(); }
    int Count() const { return static_cast<int>(Items.size()); }
    const TFieldDef& operator[](int index) const { return Items.at(static_cast<std::size_t>(index)); }
    TFieldDef& operator[](int index) { return Items.at(static_cast<std::size_t>(index)); }
    // Position of the definition of that name (ASCII case ignored), or -1.
    int IndexOf(const std::string& name) const;
    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }

private:
    std::vector<TFieldDef> Items;
};

class TDataSet;

// A field of an open dataset: reads and writes the value of its column in the
// current record. Fields live from the open of their dataset to its close.
class TField {
public:
    TField(TDataSet& dataSet, const TFieldDef& definition, int fieldNo);
    // A field declared before the dataset opens (TDataSet::AddField).
    TField(TDataSet& dataSet, std::string name, TFieldType dataType, TFieldKind kind, int size);

    TDataSet& DataSet() const { return Owner; }
    const std::string& FieldName() const { return Name; }
    TFieldType DataType() const { return Type; }
    int Size() const { return Width; }
    bool Required() const { return IsRequired; }
    // A required field must hold a value when its record is posted.
    void SetRequired(bool value) { IsRequired = value; }
    // 1-based position in the dataset's field definitions; 0 for a
    // calculated or lookup field.
    int FieldNo() const { return Number; }
    TFieldKind FieldKind() const { return Kind; }
    // A calculated or lookup field: its value lives in the calculated-field
    // area of the record buffer.
    bool IsCalculated() const { return Kind == fkCalculated || Kind == fkLookup; }
    int Precision() const { return FieldPrecision; }
    void SetPrecision(int value) { FieldPrecision = value; }

    // Presentation, kept with the field for the dataset's callers.
    bool ReadOnly() const { return IsReadOnly; }
    void SetReadOnly(bool value) { IsReadOnly = value; }
    bool Visible() const { return IsVisible; }
    void SetVisible(bool value) { IsVisible = value; }
    const std::string& DisplayLabel() const { return Label; }
    void SetDisplayLabel(const std::string& value) { Label = value; }
    // The display label, or the name when there is none.
    const std::string& DisplayName() const { return Label.empty() ? Name : Label; }
    const std::string& EditMask() const { return Mask; }
    void SetEditMask(const std::string& value) { Mask = value; }
    int DisplayWidth() const { return Width > 0 && DisplayColumns == 0 ? Width : DisplayColumns; }
    void SetDisplayWidth(int value) { DisplayColumns = value; }
    // The default a new record starts with, as an SQL expression.
    const std::string& DefaultExpression() const { return DefaultText; }
    void SetDefaultExpression(const std::string& value) { DefaultText = value; }
    // The characters a typed text may hold; empty for any.
    const std::string& ValidChars() const { return Valid; }
    void SetValidChars(const std::string& value) { Valid = value; }
    // The text shown for the value (displayText) or edited; replaces AsString
    // in DisplayText and Text when set.
    std::function<void(TField& field, std::string& text, bool displayText)> OnGetText;
    // Stores a typed text; replaces SetAsString in SetText when set.
    std::function<void(TField& field, const std::string& text)> OnSetText;
    // Checks a value written to the field before the dataset keeps it: the
    // handler reads the new value through the field and raises to refuse
    // it, which leaves the old value in place. The table component calls it
    // for its data fields.
    std::function<void(TField& field)> OnValidate;
    std::string DisplayText();
    std::string Text();
    void SetText(const std::string& text);

    // The value as text; "" for a null value or when there is no current record.
    std::string AsString() const;
    // Only in edit or insert state. A string field keeps what the dataset's
    // FitString leaves of a longer text (by default Size bytes).
    void SetAsString(const std::string& value);
    bool IsNull() const;
    // Sets the null value.
    void Clear();

    // The value as a variant of the field's type: Null for a null value,
    // integers, numbers (currency as currency), Booleans, automation dates,
    // byte arrays for bytes and blobs, texts for the rest.
    jet::Variant Value() const;
    // Stores a variant, converted to the field's type; Empty and Null store
    // the null value. A value that does not convert raises the variant's or
    // the field's conversion error.
    void SetValue(const jet::Variant& value);

    // A lookup field shows LookupResultField of the record of LookupDataSet
    // whose LookupKeyFields hold the values of this dataset's KeyFields
    // (field names separated by ";"). With LookupCache the pairs are read
    // into the lookup list when the dataset opens (and again by
    // RefreshLookupList) instead of searched for each record.
    TDataSet* LookupDataSet = nullptr;
    std::string KeyFields;
    std::string LookupKeyFields;
    std::string LookupResultField;
    bool LookupCache = false;
    // Reads the key and result values of every record of LookupDataSet.
    void RefreshLookupList();

    // Typed values (only in edit or insert state for the setters). Fields of
    // the matching type exchange the native value with the dataset; others
    // convert through the text (platform::EConvertError when it does not
    // read as one). Null reads as 0, false or day 0.
    int AsInteger() const;
    void SetAsInteger(int value);
    double AsFloat() const;
    void SetAsFloat(double value);
    double AsCurrency() const { return AsFloat(); }
    void SetAsCurrency(double value) { SetAsFloat(value); }
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    // An automation date (platform::TDateTime).
    double AsDateTime() const;
    void SetAsDateTime(double value);

    // Blob fields (memos, binary blobs and the other blob types) read their
    // value through the dataset's blob stream (TDataSet::CreateBlobStream)
    // when the dataset offers one, else as their text; so do AsString and
    // SaveToStream. LoadFromStream writes through the stream the same way
    // (only in edit or insert state). SaveToFile writes through a temporary
    // file beside the target.
    bool IsBlob() const
    {
        return Type == ftBlob || Type == ftMemo || Type == ftGraphic || Type == ftFmtMemo || Type == ftParadoxOle
            || Type == ftDBaseOle || Type == ftTypedBinary;
    }
    void LoadFromStream(std::istream& stream);
    void SaveToStream(std::ostream& stream) const;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

private:
    friend class TDataSet;

    void CheckEditing() const;
    // The lookup list's key for key values, or nothing for a Null among them.
    static bool LookupListKey(const jet::Variant& keyValues, std::vector<std::string>& key);

    TDataSet& Owner;
    std::string Name;
    TFieldType Type;
    int Width;
    bool IsRequired;
    int Number;
    TFieldKind Kind = fkData;
    // Declared with AddField rather than made from a definition at open.
    bool Persistent = false;
    // Slot in the calculated-field area of a calculated or lookup field.
    std::size_t CalcSlot = 0;
    std::map<std::vector<std::string>, jet::Variant> LookupList;
    int FieldPrecision = 0;
    bool IsReadOnly = false;
    bool IsVisible = true;
    std::string Label;
    std::string Mask;
    int DisplayColumns = 0;
    std::string DefaultText;
    std::string Valid;
};

// The definition of an index: its name, its fields as a ";"-separated list,
// its options and the fields sorted descending.
enum TIndexOption { ixPrimary = 1, ixUnique = 2, ixDescending = 4, ixCaseInsensitive = 8, ixExpression = 16 };
struct TIndexDef {
    std::string Name;
    std::string Fields;
    unsigned Options = 0;  // TIndexOption flags
    std::string DescFields;
};

class TIndexDefs {
public:
    virtual ~TIndexDefs() = default;
    TIndexDef& AddIndexDef(const std::string& name, const std::string& fields, unsigned options);
    void Clear() { Items.clear(); }
    int Count() const { return static_cast<int>(Items.size()); }
    const TIndexDef& operator[](int index) const { return Items.at(static_cast<std::size_t>(index)); }
    TIndexDef& operator[](int index) { return Items.at(static_cast<std::size_t>(index)); }
    // Position of the definition of that name (ASCII case ignored), or -1.
    int IndexOf(const std::string& name) const;
    void Remove(int index) { Items.erase(Items.begin() + index); }
    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }

private:
    std::vector<TIndexDef> Items;
};

// A record as a concrete dataset keeps it between fetches; each dataset
// derives its own buffer with the field values it needs.
struct TRecordBuffer {
    virtual ~TRecordBuffer() = default;
    TBookmarkFlag BookmarkFlag = bfCurrent;
    // The calculated-field area: one value per calculated or lookup field,
    // as the text the field reads, and whether it holds one.
    struct TCalcValue {
        std::string Text;
        bool Present = false;
    };
    std::vector<TCalcValue> CalcValues;
};

class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* owner = nullptr)
        : TComponent(owner)
    {
    }
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;
    virtual ~TDataSet();

    // Opening reads the field definitions, creates the fields and moves to
    // the first record; a failed open leaves the dataset closed. Closing
    // discards a change that was not posted.
    void Open();
    void Close();
    bool Active() const { return CurrentState != dsInactive; }
    void SetActive(bool value);
    TDataSetState State() const { return CurrentState; }

    void First();
    void Next();
    void Prior();
    void Last();
    // Eof: a move went past the last record (or there is none); Bof likewise
    // before the first. After First on a non-empty dataset Bof is true.
    bool Eof() const { return AtEof; }
    bool Bof() const { return AtBof; }
    bool IsEmpty() const { return !HasRecord; }
    // Number of records, or -1 when the dataset cannot tell.
    int RecordCount();

    TFieldDefs& FieldDefs() { return Definitions; }
    const TFieldDefs& FieldDefs() const { return Definitions; }
    int FieldCount() const { return static_cast<int>(FieldList.size()); }
    TField& Fields(int index) const { return *FieldList.at(static_cast<std::size_t>(index)); }
    // The field of that name (compared without regard to ASCII case), or null.
    TField* FindField(const std::string& name) const;
    // As FindField, but raises EDatabaseError for an unknown name.
    TField& FieldByName(const std::string& name) const;
    // The fields named in a ";"-separated list, in its order; an unknown
    // name raises as FieldByName does.
    void GetFieldList(std::vector<TField*>& list, const std::string& fieldNames) const;
    // The value of the one field named, or an array (bounds from 0) of the
    // values of the fields named, in the list's order.
    jet::Variant FieldValues(const std::string& fieldNames) const;

    // Declares a field before the dataset opens, in the order fields are to
    // have; a data field is bound to the definition of its name when the
    // dataset opens ("Field 'x' not found" when there is none). Raises on an
    // open dataset.
    TField& AddField(const std::string& name, TFieldType dataType, TFieldKind kind = fkData, int size = 0);
    // No field was declared: the fields are made from the definitions.
    bool DefaultFields() const;
    // Computes the calculated fields of each record read.
    std::function<void(TDataSet& dataSet)> OnCalcFields;
    bool AutoCalcFields = true;
    // Fills the fields of a record that Append or Insert has just begun.
    std::function<void(TDataSet& dataSet)> OnNewRecord;

    // Searches. Locate makes current the first record whose key fields
    // (";"-separated) hold the key values (one value, or an array of one per
    // field) and answers whether it found one; Lookup reads the result
    // fields of that record without moving (Null when there is none). The
    // generic FindFirst, FindLast, FindNext and FindPrior pass to FindRecord.
    // The base searches nothing: a dataset that can search overrides them.
    virtual bool Locate(const std::string& keyFields, const jet::Variant& keyValues, TLocateOptions options);
    virtual jet::Variant Lookup(const std::string& keyFields, const jet::Variant& keyValues,
                                const std::string& resultFields);
    virtual bool FindRecord(bool restart, bool goForward);
    bool FindFirst() { return FindRecord(true, true); }
    bool FindLast() { return FindRecord(true, false); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }

    // The data source of this dataset's master, when it is a detail.
    virtual TDataSource* GetDataSource() const { return nullptr; }
    // True when the source's dataset is this one or reaches it through the
    // masters of masters: linking this dataset to it would close a loop.
    bool IsLinkedTo(const TDataSource* dataSource) const;

    // Edit on an empty dataset starts an insert, as the class library does.
    void Edit();
    // A new empty record after the last one.
    void Append();
    // A new empty record before the current one.
    void Insert();
    // Add a record in one call: Append or Insert, the values given to the
    // fields in field order (a Null or Empty value leaves a data field null
    // and passes a calculated one over; fields after the last value keep
    // what the new record started with), then the post, which goes through
    // InternalAddRecord. The added record becomes current. When a value does
    // not convert or the post fails, the new record is cancelled and the
    // error raised: nothing is added and the dataset stands where it stood.
    void AppendRecord(const std::vector<jet::Variant>& values);
    void InsertRecord(const std::vector<jet::Variant>& values);
    // Writes the record being edited or inserted and returns to browse state;
    // the posted record becomes the current one. Nothing happens in browse state.
    virtual void Post();
    void Cancel();
    // Deletes the current record; the record that followed it becomes current
    // (the one before it when the last record was deleted). In insert state
    // the new record is cancelled instead. BeforeDelete runs first (an
    // exception there, Abort included, keeps the record), AfterDelete last.
    virtual void Delete();
    // True once a field was written since Edit, Append or Insert.
    bool Modified() const { return IsModified; }
    // Whether records may be changed: Edit, Append, Insert and Delete raise
    // "Cannot modify a read-only dataset" when not.
    bool CanModify() const { return GetCanModify(); }
    // Posts a modified record, cancels an unmodified one.
    void CheckBrowseMode();
    // Moves by `distance` records (negative: backwards); the number moved.
    int MoveBy(int distance);
    // Re-reads the records, keeping the current one where it can.
    void Refresh();
    // Fetches the cursor's record, else the next, else the prior one, into
    // the active record (with rmExact only the cursor's record).
    void Resync(TResyncModes modes = 0);

    // The 1-based number of the current record; -1 when unknown.
    int RecNo() { return Active() ? GetRecNo() : -1; }
    virtual void SetRecNo(int value);
    // The bytes one record buffer takes (GetRecordSize).
    int RecordSize() const { return GetRecordSize(); }
    // Reads the storage's field definitions into FieldDefs, also while the
    // dataset is closed (InternalInitFieldDefs).
    void InitFieldDefs() { InternalInitFieldDefs(); }

    // Bookmarks: the bytes that name the current record (empty without one,
    // on a record not yet posted, or on a dataset without bookmarks).
    // GotoBookmark makes that record current.
    using TBookmark = std::string;
    TBookmark GetBookmark();
    void GotoBookmark(const TBookmark& bookmark);
    virtual bool BookmarkValid(const TBookmark* bookmark);
    // -1, 0 or 1; a null bookmark sorts after any other.
    virtual int CompareBookmarks(const TBookmark* first, const TBookmark* second);
    // The Bookmark property.
    virtual std::string GetBookmarkStr();
    virtual void SetBookmarkStr(const std::string& bookmark);

    // A stream over the value of a blob field in the active record, in the
    // mode given; the caller owns it. Null for a dataset without blob streams.
    virtual std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);

    // Filters: with Filtered set, a dataset shows only the records its
    // Filter text and OnFilterRecord accept.
    bool Filtered() const { return IsFiltered; }
    virtual void SetFiltered(bool value) { IsFiltered = value; }
    const std::string& Filter() const { return FilterText; }
    virtual void SetFilterText(const std::string& value) { FilterText = value; }
    std::function<void(TDataSet& dataSet, bool& accept)> OnFilterRecord;

    // While controls are disabled, views of the dataset do not follow it.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return DisableCount > 0; }

    // Events. The error events get the error and answer with the action.
    using TDataSetErrorEvent = std::function<void(TDataSet& dataSet, EDatabaseError& error, TDataAction& action)>;
    TDataSetErrorEvent OnEditError;
    TDataSetErrorEvent OnPostError;
    TDataSetErrorEvent OnDeleteError;
    std::function<void(TDataSet& dataSet)> BeforeDelete;
    std::function<void(TDataSet& dataSet)> AfterDelete;
    std::function<void(TDataSet& dataSet)> BeforeScroll;
    std::function<void(TDataSet& dataSet)> AfterScroll;

protected:
    // Opens the storage, fills FieldDefs and calls CreateFields. Raises
    // EDatabaseError when it cannot; InternalClose is then called to release
    // what was opened so far.
    virtual void InternalOpen() = 0;
    // Releases the storage; the base then destroys the fields. Must cope with
    // a cursor that was only partly opened.
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;

    virtual std::unique_ptr<TRecordBuffer> AllocRecordBuffer() = 0;
    // Moves the cursor as the mode says and copies the record it reaches into
    // the buffer; grBOF or grEOF when the move leaves the records.
    virtual TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) = 0;
    // Put the cursor before the first record, after the last record, or on
    // the record the buffer was read from.
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalSetToRecord(TRecordBuffer& buffer) = 0;
    virtual int GetRecordCount() { return -1; }

    // Prepares a buffer for a new record (empty or default values).
    virtual void InternalInitRecord(TRecordBuffer& buffer) = 0;
    // Called with the cursor on the current record before the state becomes dsEdit.
    virtual void InternalEdit() {}
    // Writes the active buffer: in dsEdit over the cursor's record, in dsInsert
    // after the last record (bfEOF) or before the cursor's record (bfInserted).
    // Leaves the cursor on the written record.
    virtual void InternalPost() = 0;
    // Writes a new record given whole (AppendRecord, InsertRecord; the buffer
    // is the active one): after the last record with `append`, else before
    // the cursor's record. By default the buffer is flagged so and posted.
    virtual void InternalAddRecord(TRecordBuffer& buffer, bool append);
    virtual void InternalCancel() {}
    // Deletes the cursor's record and leaves the cursor on the record that
    // followed it.
    virtual void InternalDelete() = 0;

    // The text of a field in the active record buffer; false for a null value
    // (value may be null to ask only that). SetFieldData stores a text, or the
    // null value for a null pointer.
    virtual bool GetFieldData(const TField& field, std::string* value) = 0;
    virtual void SetFieldData(TField& field, const std::string* value) = 0;

    // The buffer field access uses in the current state: the active record in
    // edit and insert state and in browse state on a non-empty dataset, the
    // calculation buffer in the calculated-fields state, else null.
    virtual TRecordBuffer* GetActiveRecordBuffer();
    // The active record whatever the state (null while closed).
    TRecordBuffer* ActiveRecord() const { return ActiveBuffer.get(); }
    bool HasActiveRecord() const { return HasRecord; }

    // Native field values (see TField's typed accessors): int32 for integer
    // types, double for numbers and currency, int16 for Booleans, int32 day
    // number for dates, int32 milliseconds for times, double milliseconds
    // since day 0 for date-times. By default they go through the text hooks.
    virtual bool GetNativeFieldData(const TField& field, void* buffer);
    virtual void SetNativeFieldData(TField& field, const void* buffer);

    // Bookmark hooks: the bytes of a buffer's record, making a buffer name
    // the record of a bookmark (an inserted record names the record it goes
    // before), where a buffer stands, and moving the cursor to the record of
    // a bookmark. BookmarkSize is 0 without bookmarks.
    int BookmarkSize = 0;
    virtual void GetBookmarkData(const TRecordBuffer& buffer, TBookmark& bookmark);
    virtual void SetBookmarkData(TRecordBuffer& /*buffer*/, const TBookmark& /*bookmark*/) {}
    virtual TBookmarkFlag GetBookmarkFlag(const TRecordBuffer& buffer) const { return buffer.BookmarkFlag; }
    virtual void SetBookmarkFlag(TRecordBuffer& buffer, TBookmarkFlag value) { buffer.BookmarkFlag = value; }
    virtual void InternalGotoBookmark(const TBookmark& bookmark);
    virtual int GetRecNo() { return -1; }
    virtual void InternalRefresh() {}
    virtual bool GetCanModify() const { return true; }
    // The bytes of one record buffer; 0 when the dataset does not say.
    virtual int GetRecordSize() const { return 0; }
    // Fills FieldDefs from the storage; a dataset whose definitions are
    // given (or made by InternalOpen) leaves it alone.
    virtual void InternalInitFieldDefs() {}
    // Shows the exception being handled to the operator; call it from a
    // catch block. The base knows no application, so the exception goes on
    // to the caller; the program's datasets show it in the application's
    // standard error box.
    virtual void InternalHandleException() { throw; }
    // The text a string field of the dataset keeps of `value`: by default at
    // most Size bytes, cut at the last whole UTF-8 character that fits.
    virtual std::string FitString(const TField& field, const std::string& value) const;

    // Changes the state and tells the data sources (deUpdateState).
    void SetState(TDataSetState state);
    // A field's value was changed other than through its setters (by a blob
    // stream): the record counts as modified.
    void FieldModified(TField& field);
    // A state entered for a moment; give the old one back to RestoreState.
    TDataSetState SetTempState(TDataSetState state);
    void RestoreState(TDataSetState state) { CurrentState = state; }

    // Tells the data sources (none while controls are disabled).
    virtual void DataEvent(TDataEvent event, TField* field = nullptr);
    // Fires OnNewRecord; a detail fills its link fields first.
    virtual void DoOnNewRecord();
    // Empties the calculated-field area of a buffer and computes it: the
    // lookup fields, then OnCalcFields, in the calculated-fields state with
    // the buffer as the calculation buffer. Nothing without calculated fields.
    void GetCalcFields(TRecordBuffer& buffer);
    // The lookups and OnCalcFields for the calculation buffer, in the state
    // the caller set.
    void CalculateFields(TRecordBuffer& buffer);
    void ClearCalcFields(TRecordBuffer& buffer) const;
    bool HasCalcFields() const { return CalcFieldCount > 0; }
    // The bytes of a record buffer's calculated-field area.
    int CalcFieldsSize() const { return static_cast<int>(CalcFieldCount * sizeof(TRecordBuffer::TCalcValue)); }
    // The buffer whose calculated fields are being computed; field access
    // reads it in the calculated-fields state.
    TRecordBuffer* CalcBuffer() const { return CalcRecord; }
    void SetCalcBuffer(TRecordBuffer* buffer) { CalcRecord = buffer; }
    // Forget the records fetched (the cursor moved under them), and fetch
    // the first one again after the cursor was put before the first record.
    void ClearBuffers();
    void ActivateBuffers();
    // The cursor no longer stands on the active record.
    void CursorPosChanged() { CursorOnActive = false; }
    void DoBeforeScroll();
    void DoAfterScroll();

    // Creates one field per field definition; DestroyFields removes them.
    void CreateFields();
    void DestroyFields();
    void CheckActive() const;
    void CheckCanModify() const;

private:
    friend class TField;
    friend class TDataSource;

    // Field access that keeps calculated and lookup fields in the
    // calculated-field area and hands data fields to the hooks.
    bool ReadFieldData(const TField& field, std::string* value);
    bool ReadNativeFieldData(const TField& field, void* buffer);
    bool ReadCalcFieldData(const TField& field, std::string* value);
    void WriteFieldData(TField& field, const std::string* value);
    void WriteNativeFieldData(TField& field, const void* buffer);
    TRecordBuffer::TCalcValue* CalcValueOf(const TField& field);

    bool MoveOne(TGetMode direction);
    // DataEvent's part for the data sources, out of the way of a dataset
    // that has none, which every step of a walk tells of its scroll.
    void NotifySources(TDataEvent event, TField* field);
    void BeginInsertAppend(TBookmarkFlag flag);
    void AddRecord(const std::vector<jet::Variant>& values, bool append);
    // Puts the cursor back on the active record after a move that left it.
    void SyncCursor();
    // Reads the record after or before the cursor into the active buffer;
    // false (buffer unchanged) at the end.
    bool StepActiveRecord(TGetMode direction);
    void CheckRequiredFields();
    void FieldChanged(TField& field);
    void CalcLookupValue(TField& field);

    TFieldDefs Definitions;
    std::vector<std::unique_ptr<TField>> FieldList;
    TDataSetState CurrentState = dsInactive;
    std::unique_ptr<TRecordBuffer> ActiveBuffer;
    // The buffer the next step reads into (see StepActiveRecord).
    std::unique_ptr<TRecordBuffer> SpareBuffer;
    // The record that was current when an insert began, restored by Cancel.
    std::unique_ptr<TRecordBuffer> RecordBeforeInsert;
    bool HasRecord = false;
    bool CursorOnActive = false;
    bool AtBof = true;
    bool AtEof = true;
    bool IsModified = false;
    // Set while the record being posted was given whole: the post goes
    // through InternalAddRecord (true: appended).
    std::optional<bool> AddingRecord;
    bool IsFiltered = false;
    std::string FilterText;
    int DisableCount = 0;
    // While controls are disabled: the state when they were disabled, and
    // the event to send when they are enabled again.
    TDataSetState DisableState = dsInactive;
    TDataEvent EnableEvent = deDataSetChange;
    std::vector<TDataSource*> DataSources;
    std::size_t CalcFieldCount = 0;
    TRecordBuffer* CalcRecord = nullptr;
};

// The base of the database connection components that datasets run on.
class TCustomConnection : public TComponent {
public:
    explicit TCustomConnection(TComponent* owner = nullptr)
        : TComponent(owner)
    {
    }
    TCustomConnection(const TCustomConnection&) = delete;
    TCustomConnection& operator=(const TCustomConnection&) = delete;
    virtual ~TCustomConnection() = default;

    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    bool Connected() const { return GetConnected(); }
    void SetConnected(bool value);

protected:
    // Raise EDatabaseError (or the engine's own error) when the connection fails.
    virtual void DoConnect() = 0;
    virtual void DoDisconnect() = 0;
    virtual bool GetConnected() const = 0;
};
