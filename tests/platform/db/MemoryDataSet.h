// A small dataset that keeps its rows in memory, so the framework's public
// operations are tested apart from any storage. It computes the calculated
// fields of each record it reads.
#pragma once

#include "platform/db/TDataSet.h"

#include <string>
#include <vector>

namespace dbtest {

using Row = std::vector<std::string>;

class MemoryDataSet : public TDataSet {
public:
    explicit MemoryDataSet(std::vector<Row> rows = {})
        : Rows(std::move(rows))
    {
        FieldDefs().Add("Name", ftString, 8, true);
        FieldDefs().Add("Value", ftString, 20);
    }
    ~MemoryDataSet() override { Close(); }

    std::vector<Row> Rows;
    bool FailOpen = false;
    bool Closed = false; // InternalClose ran
    // The source of this dataset's master, when it plays a detail.
    TDataSource* Master = nullptr;
    TDataSource* GetDataSource() const override { return Master; }

protected:
    struct Record : TRecordBuffer {
        Row Values;
        int Index = -1;
    };

    void InternalOpen() override
    {
        if (FailOpen)
            throw EDatabaseError("storage not available");
        Opened = true;
        CreateFields();
    }
    void InternalClose() override
    {
        Opened = false;
        Closed = true;
    }
    bool IsCursorOpen() const override { return Opened; }
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override { return std::make_unique<Record>(); }
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override
    {
        const int count = static_cast<int>(Rows.size());
        if (mode == gmNext && ++Cursor >= count) {
            Cursor = count;
            return grEOF;
        }
        if (mode == gmPrior && --Cursor < 0) {
            Cursor = -1;
            return grBOF;
        }
        if (Cursor < 0)
            return grBOF;
        if (Cursor >= count)
            return grEOF;
        auto& record = static_cast<Record&>(buffer);
        record.Values = Rows[static_cast<std::size_t>(Cursor)];
        record.Index = Cursor;
        record.BookmarkFlag = bfCurrent;
        GetCalcFields(record);
        return grOK;
    }
    void InternalFirst() override { Cursor = -1; }
    void InternalLast() override { Cursor = static_cast<int>(Rows.size()); }
    void InternalSetToRecord(TRecordBuffer& buffer) override { Cursor = static_cast<Record&>(buffer).Index; }
    int GetRecordCount() override { return static_cast<int>(Rows.size()); }
    void InternalInitRecord(TRecordBuffer& buffer) override { static_cast<Record&>(buffer).Values = Row(2); }
    void InternalPost() override
    {
        auto& record = static_cast<Record&>(*GetActiveRecordBuffer());
        if (State() == dsEdit) {
            Rows[static_cast<std::size_t>(record.Index)] = record.Values;
            return;
        }
        if (record.BookmarkFlag == bfEOF)
            Cursor = static_cast<int>(Rows.size());
        Rows.insert(Rows.begin() + Cursor, record.Values);
    }
    void InternalDelete() override { Rows.erase(Rows.begin() + Cursor); }
    bool GetFieldData(const TField& field, std::string* value) override
    {
        TRecordBuffer* buffer = GetActiveRecordBuffer();
        if (!buffer)
            return false;
        const std::string& stored = static_cast<Record*>(buffer)->Values[std::size_t(field.FieldNo() - 1)];
        if (value)
            *value = stored;
        return !stored.empty();
    }
    void SetFieldData(TField& field, const std::string* value) override
    {
        static_cast<Record*>(GetActiveRecordBuffer())->Values[std::size_t(field.FieldNo() - 1)] = value ? *value : "";
    }

private:
    bool Opened = false;
    int Cursor = -1;
};

} // namespace dbtest
