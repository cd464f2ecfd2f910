// The blob stream of the table component: the stream CreateBlobStream gives
// for a memo or binary blob field of the active record, through which the
// dataset library's blob field methods read and write the value (AsString of
// a memo, LoadFromStream, SaveToStream).
//
// The stream holds the whole value in memory. It is filled when it is made:
// from the record buffer when the table caches memos or blobs (CacheMemos,
// CacheBlobs), from the changed value when the field was changed in the
// current record, else from the engine's field of the record (the recordset
// moves there and back). Every Write and Truncate goes straight into the
// record buffer's text of the field and marks it changed; the engine gets
// the value only when the record is posted.
//
// Positions: Seek moves anywhere, also before the start or past the end.
// Read copies nothing outside the value; Write overwrites in place, keeps
// what follows, and fills a gap before a position past the end with zero
// bytes; a Write or Truncate at a negative position takes nothing, and so
// does one through a stream opened for reading (bmRead).
#pragma once

#include "platform/db/TDataSet.h"
#include "platform/system/TStream.h"

#include <string>

class TDaoTable;
struct TDaoRecordBuffer;

class TDaoBlobStream : public TStream {
public:
    // Write mode empties the field's value at once. Writing modes raise
    // "Dataset not in edit or insert mode" outside those states, and write
    // mode on a read-only table "Cannot write to ReadOnly table!".
    TDaoBlobStream(TField& field, TBlobStreamMode mode);
    // After a change, tells the dataset that the field changed; an error
    // there is shown to the operator, not raised.
    ~TDaoBlobStream() override;

    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    int Seek(int offset, unsigned short origin) override;
    // Cuts the value at the position.
    void Truncate();

private:
    // Reads the value of the record's engine field (step of the constructor
    // when the value is not cached).
    void ReadFromDatabase(int fieldIndex);
    // Stores the value as the field's changed text in the record buffer.
    void StoreInBuffer();
    // The default value of a new record's field.
    std::string DefaultValue(int fieldIndex) const;

    TField* FField;
    TDaoTable* FDataSet;
    TDaoRecordBuffer* FBuffer = nullptr;
    // The mode the stream was opened with.
    TBlobStreamMode FMode;
    bool FOpened = false;
    bool FModified = false;
    int FPosition = 0;
    std::string FData;
    int FSize = 0;
};
