// A dataset that holds every record of its storage in memory while it is open
// and writes each change through to the storage as it is posted or deleted.
// The configuration datasets are small, so a concrete dataset reads all its
// records when it opens (filling FieldDefs and Rows) and then only has to
// write: StoreRecord for a posted record, StoreDeletion for a deleted one.
// When either raises, the records in memory stay as they were.
//
// Values are texts or null; a storage that cannot tell the two apart reads a
// missing value as null.
#pragma once

#include "platform/db/TDataSet.h"

#include <optional>
#include <string>
#include <vector>

class TCachedDataSet : public TDataSet {
protected:
    using Value = std::optional<std::string>;

    struct Row {
        // One value per field definition.
        std::vector<Value> Values;
        // What the storage needs to find the record again (empty when nothing).
        std::string Key;
    };

    // Writes a posted record: over `stored` when an existing record was
    // edited, as a new record when `stored` is null. May set `posted.Key`.
    virtual void StoreRecord(const Row* stored, Row& posted) = 0;
    virtual void StoreDeletion(const Row& stored) = 0;

    // The open dataset's records in storage order; InternalOpen fills them,
    // sets CacheOpen and calls CreateFields.
    std::vector<Row> Rows;
    bool CacheOpen = false;
    // Forgets the records and leaves the cursor before the first one.
    void ClearCache();

    bool IsCursorOpen() const override { return CacheOpen; }
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override;
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override;
    void InternalFirst() override { Cursor = -1; }
    void InternalLast() override { Cursor = static_cast<int>(Rows.size()); }
    void InternalSetToRecord(TRecordBuffer& buffer) override;
    int GetRecordCount() override { return static_cast<int>(Rows.size()); }
    void InternalInitRecord(TRecordBuffer& buffer) override;
    void InternalPost() override;
    void InternalDelete() override;
    bool GetFieldData(const TField& field, std::string* value) override;
    void SetFieldData(TField& field, const std::string* value) override;

private:
    Value* ActiveValue(const TField& field);

    // -1 before the first row, Rows.size() after the last.
    int Cursor = -1;
};
