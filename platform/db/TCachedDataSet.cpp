#include "platform/db/TCachedDataSet.h"

#include <algorithm>

namespace {

struct CachedRecord : TRecordBuffer {
    std::vector<std::optional<std::string>> Values;
    int Index = -1; // row of the record, -1 for a new one
};

CachedRecord& AsCachedRecord(TRecordBuffer& buffer)
{
    return static_cast<CachedRecord&>(buffer);
}

} // namespace

void TCachedDataSet::ClearCache()
{
    Rows.clear();
    Cursor = -1;
}

std::unique_ptr<TRecordBuffer> TCachedDataSet::AllocRecordBuffer()
{
    return std::make_unique<CachedRecord>();
}

TGetResult TCachedDataSet::GetRecord(TRecordBuffer& buffer, TGetMode mode)
{
    const int count = static_cast<int>(Rows.size());
    switch (mode) {
    case gmNext:
        if (Cursor >= count - 1) {
            Cursor = count;
            return grEOF;
        }
        ++Cursor;
        break;
    case gmPrior:
        if (Cursor <= 0) {
            Cursor = -1;
            return grBOF;
        }
        Cursor = std::min(Cursor, count) - 1;
        break;
    case gmCurrent:
        if (Cursor < 0)
            return grBOF;
        if (Cursor >= count)
            return grEOF;
        break;
    }
    CachedRecord& record = AsCachedRecord(buffer);
    record.Values = Rows[static_cast<std::size_t>(Cursor)].Values;
    record.Index = Cursor;
    record.BookmarkFlag = bfCurrent;
    return grOK;
}

void TCachedDataSet::InternalSetToRecord(TRecordBuffer& buffer)
{
    const CachedRecord& record = AsCachedRecord(buffer);
    if (record.BookmarkFlag == bfCurrent && record.Index >= 0)
        Cursor = record.Index;
}

void TCachedDataSet::InternalInitRecord(TRecordBuffer& buffer)
{
    CachedRecord& record = AsCachedRecord(buffer);
    record.Values.assign(static_cast<std::size_t>(FieldDefs().Count()), std::nullopt);
    record.Index = -1;
}

void TCachedDataSet::InternalPost()
{
    CachedRecord& record = AsCachedRecord(*GetActiveRecordBuffer());
    if (State() == dsEdit) {
        Row& stored = Rows.at(static_cast<std::size_t>(record.Index));
        if (stored.Values != record.Values) { // an unchanged record needs no write
            Row posted{record.Values, stored.Key};
            StoreRecord(&stored, posted);
            stored = std::move(posted);
        }
        Cursor = record.Index;
        return;
    }
    Row posted{record.Values, {}};
    StoreRecord(nullptr, posted);
    const int count = static_cast<int>(Rows.size());
    if (record.BookmarkFlag == bfEOF || Cursor < 0 || Cursor >= count)
        Cursor = count;
    Rows.insert(Rows.begin() + Cursor, std::move(posted));
}

void TCachedDataSet::InternalDelete()
{
    StoreDeletion(Rows.at(static_cast<std::size_t>(Cursor)));
    Rows.erase(Rows.begin() + Cursor);
}

TCachedDataSet::Value* TCachedDataSet::ActiveValue(const TField& field)
{
    TRecordBuffer* buffer = GetActiveRecordBuffer();
    if (!buffer)
        return nullptr;
    CachedRecord& record = AsCachedRecord(*buffer);
    const auto index = static_cast<std::size_t>(field.FieldNo() - 1);
    return index < record.Values.size() ? &record.Values[index] : nullptr;
}

bool TCachedDataSet::GetFieldData(const TField& field, std::string* value)
{
    const Value* stored = ActiveValue(field);
    if (!stored || !*stored)
        return false;
    if (value)
        *value = **stored;
    return true;
}

void TCachedDataSet::SetFieldData(TField& field, const std::string* value)
{
    if (Value* stored = ActiveValue(field))
        *stored = value ? Value(*value) : std::nullopt;
}
