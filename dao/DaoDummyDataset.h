// A dataset without data: the owner that field and index definitions need
// (the table manager keeps its definitions on one). Every hook does nothing
// or answers that there is nothing; it never opens, since its cursor is
// never open, and it tells no data source anything.
#pragma once

#include "platform/db/TDataSet.h"

class TDummyDataset : public TDataSet {
public:
    explicit TDummyDataset(TComponent* owner = nullptr)
        : TDataSet(owner)
    {
    }

    TIndexDefs& IndexDefs() { return FIndexDefs; }
    const TIndexDefs& IndexDefs() const { return FIndexDefs; }

    int CompareBookmarks(const TBookmark*, const TBookmark*) override { return 0; }
    std::string GetBookmarkStr() override { return {}; }
    void SetBookmarkStr(const std::string&) override {}

protected:
    void InternalOpen() override {}
    void InternalClose() override {}
    bool IsCursorOpen() const override { return false; }
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override { return nullptr; }
    int GetRecordSize() const override { return 0; }
    TGetResult GetRecord(TRecordBuffer&, TGetMode) override { return grOK; }
    void InternalFirst() override {}
    void InternalLast() override {}
    void InternalSetToRecord(TRecordBuffer&) override {}
    void InternalInitFieldDefs() override {}
    void InternalInitRecord(TRecordBuffer&) override {}
    void InternalPost() override {}
    void InternalAddRecord(TRecordBuffer&, bool) override {}
    void InternalDelete() override {}
    bool GetFieldData(const TField&, std::string*) override { return false; }
    void SetFieldData(TField&, const std::string*) override {}
    void GetBookmarkData(const TRecordBuffer&, TBookmark&) override {}
    void SetBookmarkData(TRecordBuffer&, const TBookmark&) override {}
    TBookmarkFlag GetBookmarkFlag(const TRecordBuffer&) const override { return bfCurrent; }
    void SetBookmarkFlag(TRecordBuffer&, TBookmarkFlag) override {}
    void InternalGotoBookmark(const TBookmark&) override {}
    bool GetCanModify() const override { return false; }
    void DataEvent(TDataEvent, TField*) override {}
    // Shown in the application's standard error box.
    void InternalHandleException() override;

private:
    TIndexDefs FIndexDefs;
};
