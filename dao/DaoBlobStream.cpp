#include "dao/DaoBlobStream.h"

#include "dao/DaoTable.h"
#include "dao/Daoutils.h"
#include "platform/gui/TApplication.h"

#include <algorithm>
#include <cstring>

using namespace DaoTableMessages;

namespace {

// The dataset library's refusal of a change outside edit and insert state.
const char* const NotEditing = "Dataset not in edit or insert mode";

} // namespace

// --- The table's side ---

std::unique_ptr<TStream> TDaoTable::CreateBlobStream(TField& field, TBlobStreamMode mode)
{
    return std::make_unique<TDaoBlobStream>(field, mode);
}

std::string TDaoTable::BlobToString(const TField& field, const jet::Variant& value, int size)
{
    if (value.IsClear() || size <= 0)
        return {};
    if (field.DataType() == ftMemo)
        return value.AsString();
    // At most the bytes the value holds, whatever size the caller names.
    std::string bytes = value.AsBytes();
    if (static_cast<std::size_t>(size) < bytes.size())
        bytes.resize(static_cast<std::size_t>(size));
    return bytes;
}

jet::Variant TDaoTable::StringToBlob(const TField& field, const std::string& value)
{
    if (field.DataType() == ftMemo)
        return jet::Variant(value);
    return jet::Variant::Bytes(value);
}

// --- The stream ---

TDaoBlobStream::TDaoBlobStream(TField& field, TBlobStreamMode mode)
    : FField(&field)
    , FDataSet(static_cast<TDaoTable*>(&field.DataSet()))
    , FMode(mode)
    , FOpened(true)
{
    FBuffer = static_cast<TDaoRecordBuffer*>(FDataSet->GetActiveRecordBuffer());
    if (!FBuffer)
        return;
    if (mode == bmWrite && FDataSet->ReadOnly())
        DatabaseError(E2056);
    if (mode != bmRead && FDataSet->State() != dsEdit && FDataSet->State() != dsInsert)
        DatabaseError(NotEditing);
    if (mode == bmWrite) {
        Truncate();
        return;
    }
    const int i = field.FieldNo() - 1;
    if (i < 0 || i >= static_cast<int>(FBuffer->Values.size())) {
        FBuffer = nullptr;
        return;
    }
    const TDaoValue& line = FBuffer->Values[static_cast<std::size_t>(i)];
    const TFieldType type = field.DataType();
    const bool cached = (type == ftMemo && FDataSet->CacheMemos()) || (type == ftBlob && FDataSet->CacheBlobs());
    if (line.Changed || cached) {
        // A value changed in this record is the one to read, cached or not.
        FData = line.Text();
        if (FData.empty() && !line.Changed && FBuffer->Position == -1)
            FData = DefaultValue(i);
    } else {
        ReadFromDatabase(i);
    }
    FSize = static_cast<int>(FData.size());
}

void TDaoBlobStream::ReadFromDatabase(int fieldIndex)
{
    const TDaoValue& line = FBuffer->Values[static_cast<std::size_t>(fieldIndex)];
    if (FDataSet->State() == dsInsert && FBuffer->Position == -1) {
        FData = line.Empty() ? DefaultValue(fieldIndex) : line.Text();
        return;
    }
    jet::Recordset& recordset = *FDataSet->Recordset();
    // The recordset goes to the buffer's record and back; a handle of 0 names
    // no record, and a recordset already there stays.
    const std::int32_t current = TDaoTable::GetDaoBookMark(recordset);
    const bool move = FBuffer->Handle != 0 && FBuffer->Handle != current;
    try {
        if (move)
            FDataSet->InternalMoveToBookmark(FBuffer->Handle);
        const jet::FieldPtr daoField = recordset.Fields().Item(fieldIndex);
        const jet::Variant value = daoField->Value();
        FData = value.IsNull() ? std::string()
                               : TDaoTable::BlobToString(*FField, value, static_cast<int>(daoField->FieldSize()));
        if (FDataSet->FEncrypterReady)
            FData = FDataSet->DecodeFromDatabase(FData);
    } catch (const std::exception&) {
        FData.clear();
        if (FDataSet->TableType() != jet::dbOpenForwardOnly)
            Quietly([&] { FDataSet->DaoInternalRefresh(); });
    }
    if (move && current != 0)
        Quietly([&] { FDataSet->InternalMoveToBookmark(current); });
}

std::string TDaoBlobStream::DefaultValue(int fieldIndex) const
{
    const auto at = static_cast<std::size_t>(fieldIndex);
    return at < FDataSet->FDefaultValues.size() ? FDataSet->FDefaultValues[at] : std::string();
}

TDaoBlobStream::~TDaoBlobStream()
{
    if (FModified)
        TApplication::Guarded([&] {
            FDataSet->FieldModified(*FField);
            return true;
        });
    FData.clear();
    FBuffer = nullptr;
    FOpened = false;
}

int TDaoBlobStream::Read(void* buffer, int count)
{
    if (!FOpened || count <= 0 || FPosition < 0 || FPosition >= FSize)
        return 0;
    const int n = std::min(count, FSize - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

int TDaoBlobStream::Write(const void* buffer, int count)
{
    if (!FOpened || FMode == bmRead || count < 0 || FPosition < 0)
        return 0;
    const auto position = static_cast<std::size_t>(FPosition);
    const auto length = static_cast<std::size_t>(count);
    if (FData.size() < position + length)
        FData.resize(position + length, '\0');
    FData.replace(position, length, static_cast<const char*>(buffer), length);
    FSize = static_cast<int>(FData.size());
    StoreInBuffer();
    FPosition += count;
    return count;
}

int TDaoBlobStream::Seek(int offset, unsigned short origin)
{
    switch (origin) {
    case soFromBeginning:
        FPosition = offset;
        break;
    case soFromCurrent:
        FPosition += offset;
        break;
    case soFromEnd:
        FPosition = FSize + offset;
        break;
    default:
        break;
    }
    return FPosition;
}

void TDaoBlobStream::Truncate()
{
    if (!FOpened || FMode == bmRead || FPosition < 0)
        return;
    if (FPosition < FSize)
        FData.resize(static_cast<std::size_t>(FPosition));
    FSize = static_cast<int>(FData.size());
    StoreInBuffer();
}

void TDaoBlobStream::StoreInBuffer()
{
    if (FBuffer) {
        const auto line = static_cast<std::size_t>(FField->FieldNo() - 1);
        if (line < FBuffer->Values.size())
            FBuffer->Values[line] = TDaoValue{FData, true};
    }
    FModified = true;
}
