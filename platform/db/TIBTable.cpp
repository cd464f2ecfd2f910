#include "platform/db/TIBTable.h"

#include "platform/db/FirebirdClient.h"
#include "platform/db/TIBDatabase.h"
#include "platform/db/TIBTransaction.h"

#include <cstring>

namespace {

using platform::firebird::Guarded;
using platform::firebird::Master;
using Status = Firebird::ThrowStatusWrapper;

// Message field types of the client library (the low bit marks a nullable field).
constexpr unsigned kText = 452;    // SQL_TEXT: fixed width
constexpr unsigned kVarying = 448; // SQL_VARYING: 2-byte length, then the bytes
constexpr unsigned kBlob = 520;    // SQL_BLOB
constexpr unsigned kArray = 540;   // SQL_ARRAY
constexpr unsigned kNullable = 1;
// Character sets of the engine.
constexpr unsigned kOctets = 1;
constexpr unsigned kUnicodeFss = 3;
constexpr unsigned kUtf8 = 4;
// Width in bytes of the text form of a column that is not a text column.
constexpr unsigned kOtherColumnWidth = 64;
// A database key is 8 bytes for a table.
constexpr unsigned kKeyLength = 8;

int BytesPerCharacter(unsigned characterSet)
{
    switch (characterSet) {
    case kUtf8:
        return 4;
    case kUnicodeFss:
        return 3;
    default:
        return 1;
    }
}

// The longest prefix of a UTF-8 text with at most `count` characters.
std::string CutToCharacters(const std::string& text, int count)
{
    int seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue; // a continuation byte
        if (seen == count)
            return text.substr(0, i);
        ++seen;
    }
    return text;
}

// Holds an interface of the client library and releases it with its scope.
template <typename Interface>
struct Released {
    Interface* Object = nullptr;
    ~Released()
    {
        if (Object)
            Object->release();
    }
};

// A message of text values to send with a statement, in the layout the
// metadata builder gives it; null values are sent as null. The key, when
// there is one, comes last.
class InputMessage {
public:
    InputMessage(Status* status, const std::vector<std::optional<std::string>>& values, const std::string* key)
    {
        const auto count = static_cast<unsigned>(values.size() + (key ? 1 : 0));
        Released<Firebird::IMetadataBuilder> builder{Master()->getMetadataBuilder(status, count)};
        for (unsigned i = 0; i < values.size(); ++i) {
            const std::size_t length = values[i] ? values[i]->size() : 0;
            builder.Object->setType(status, i, kVarying + kNullable);
            builder.Object->setLength(status, i, static_cast<unsigned>(std::max<std::size_t>(length, 1)));
            builder.Object->setCharSet(status, i, kUtf8);
        }
        if (key) {
            builder.Object->setType(status, count - 1, kText);
            builder.Object->setLength(status, count - 1, kKeyLength);
            builder.Object->setCharSet(status, count - 1, kOctets);
        }
        Metadata.Object = builder.Object->getMetadata(status);
        Buffer.assign(Metadata.Object->getMessageLength(status), 0);
        for (unsigned i = 0; i < values.size(); ++i) {
            auto* null = reinterpret_cast<short*>(&Buffer[Metadata.Object->getNullOffset(status, i)]);
            unsigned char* field = &Buffer[Metadata.Object->getOffset(status, i)];
            *null = values[i] ? 0 : -1;
            if (values[i]) {
                const auto length = static_cast<unsigned short>(values[i]->size());
                std::memcpy(field, &length, sizeof length);
                std::memcpy(field + sizeof length, values[i]->data(), length);
            }
        }
        if (key)
            std::memcpy(&Buffer[Metadata.Object->getOffset(status, count - 1)], key->data(), kKeyLength);
    }

    Firebird::IMessageMetadata* metadata() const { return Metadata.Object; }
    unsigned char* data() { return Buffer.data(); }

private:
    Released<Firebird::IMessageMetadata> Metadata;
    std::vector<unsigned char> Buffer;
};

struct Column {
    std::string Name;
    unsigned Length = 0;    // bytes in the message
    int Characters = 0;     // width in characters, 0 for a column that is not text
    bool Required = false;
};

} // namespace

// The statements of an open table, prepared on first use.
struct TIBTable::Statements {
    std::vector<Column> Columns;
    // The query of every record and the layout its rows are read in.
    Released<Firebird::IStatement> Select;
    Released<Firebird::IMessageMetadata> Output;
    Released<Firebird::IStatement> Insert;
    Released<Firebird::IStatement> Update;
    Released<Firebird::IStatement> Delete;
};

TIBTable::TIBTable() = default;

TIBTable::~TIBTable()
{
    try {
        Close();
    } catch (const EDatabaseError&) {
        // Every change was committed as it was made; nothing is lost.
    }
    SetTransaction(nullptr);
    if (OpenTransaction)
        OpenTransaction->RemoveTable(this);
}

void TIBTable::CheckInactive() const
{
    if (Active())
        throw EDatabaseError("Cannot change the table while it is open");
}

void TIBTable::SetDatabase(TIBDatabase* database)
{
    CheckInactive();
    TableDatabase = database;
}

void TIBTable::SetTransaction(TIBTransaction* transaction)
{
    CheckInactive();
    if (TableTransaction && TableTransaction != OpenTransaction)
        TableTransaction->RemoveTable(this);
    TableTransaction = transaction;
    if (TableTransaction)
        TableTransaction->AddTable(this);
}

void TIBTable::ForgetTransaction(TIBTransaction* transaction)
{
    if (TableTransaction == transaction)
        TableTransaction = nullptr;
    if (OpenTransaction == transaction)
        OpenTransaction = nullptr;
}

void TIBTable::SetTableName(const std::string& name)
{
    CheckInactive();
    Name = name;
}

void TIBTable::SetBufferChunks(int chunks)
{
    if (chunks < 1)
        throw EDatabaseError("BufferChunks must be at least 1");
    Chunks = chunks;
}

void TIBTable::SetCachedUpdates(bool value)
{
    if (value)
        throw EDatabaseError("Cached updates are not supported: every change is written at once");
}

TIBTransaction* TIBTable::ActiveTransaction() const
{
    return TableTransaction ? TableTransaction : (TableDatabase ? TableDatabase->DefaultTransaction() : nullptr);
}

namespace {

std::string Quoted(const std::string& name, int dialect)
{
    if (dialect < 3)
        return name;
    std::string quoted = "\"";
    for (const char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

Firebird::IStatement* Prepare(Status* status, TIBDatabase& database, TIBTransaction& transaction,
                              const std::string& sql)
{
    return database.Handle()->prepare(status, transaction.Handle(), 0, sql.c_str(),
                                      static_cast<unsigned>(database.SQLDialect()),
                                      Firebird::IStatement::PREPARE_PREFETCH_METADATA);
}

} // namespace

void TIBTable::InternalOpen()
{
    if (!TableDatabase)
        throw EDatabaseError("Cannot open table \"" + Name + "\": no database is assigned");
    if (!TableDatabase->Connected())
        throw EDatabaseError("Cannot open table \"" + Name + "\": its database is not connected");
    TIBTransaction* transaction = ActiveTransaction();
    if (!transaction)
        throw EDatabaseError("Cannot open table \"" + Name + "\": no transaction is assigned");
    if (Name.empty())
        throw EDatabaseError("Cannot open a table without a name");
    if (!transaction->InTransaction())
        transaction->StartTransaction();
    OpenTransaction = transaction;
    transaction->AddTable(this);

    const int dialect = TableDatabase->SQLDialect();
    auto prepared = std::make_unique<Statements>();
    Guarded("Cannot open table \"" + Name + "\"", [&](Status* status) {
        prepared->Select.Object = Prepare(status, *TableDatabase, *transaction,
                                          "SELECT T.RDB$DB_KEY, T.* FROM " + Quoted(Name, dialect) + " T");
        Released<Firebird::IMessageMetadata> described{prepared->Select.Object->getOutputMetadata(status)};
        const unsigned count = described.Object->getCount(status);
        // Every column is read as text: text columns keep their width, the
        // engine converts the others.
        Released<Firebird::IMetadataBuilder> builder{described.Object->getBuilder(status)};
        for (unsigned i = 1; i < count; ++i) {
            Column column;
            column.Name = described.Object->getField(status, i);
            column.Required = !described.Object->isNullable(status, i);
            const unsigned type = described.Object->getType(status, i) & ~kNullable;
            if (type == kBlob || type == kArray)
                throw EDatabaseError("Cannot open table \"" + Name + "\": column \"" + column.Name
                                     + "\" is a blob or an array");
            if (type == kText || type == kVarying) {
                column.Length = described.Object->getLength(status, i);
                column.Characters = static_cast<int>(column.Length)
                    / BytesPerCharacter(described.Object->getCharSet(status, i));
            } else {
                column.Length = kOtherColumnWidth;
                builder.Object->setLength(status, i, column.Length);
            }
            builder.Object->setType(status, i, kVarying + kNullable);
            prepared->Columns.push_back(column);
        }
        prepared->Output.Object = builder.Object->getMetadata(status);
    });
    Prepared = std::move(prepared);
    ClearCache();
    try {
        ReadRows();
    } catch (...) {
        Prepared.reset();
        throw;
    }

    FieldDefs().Clear();
    CharacterWidths.clear();
    for (const Column& column : Prepared->Columns) {
        FieldDefs().Add(column.Name, ftString, static_cast<int>(column.Length), column.Required);
        CharacterWidths.push_back(column.Characters);
    }
    CacheOpen = true;
    RowsJustRead = true;
    CreateFields();
}

void TIBTable::ReadRows()
{
    TIBTransaction& transaction = *OpenTransaction;
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(Chunks));
    Guarded("Cannot read table \"" + Name + "\"", [&](Status* status) {
        Firebird::IMessageMetadata* output = Prepared->Output.Object;
        const unsigned count = output->getCount(status);
        std::vector<unsigned char> buffer(output->getMessageLength(status));
        Released<Firebird::IResultSet> cursor{
            Prepared->Select.Object->openCursor(status, transaction.Handle(), nullptr, nullptr, output, 0)};
        while (cursor.Object->fetchNext(status, buffer.data()) == Firebird::IStatus::RESULT_OK) {
            Row row;
            row.Key.assign(reinterpret_cast<const char*>(&buffer[output->getOffset(status, 0)]), kKeyLength);
            for (unsigned i = 1; i < count; ++i) {
                if (*reinterpret_cast<const short*>(&buffer[output->getNullOffset(status, i)])) {
                    row.Values.emplace_back(std::nullopt);
                    continue;
                }
                const unsigned char* field = &buffer[output->getOffset(status, i)];
                unsigned short length = 0;
                std::memcpy(&length, field, sizeof length);
                row.Values.emplace_back(std::string(reinterpret_cast<const char*>(field + sizeof length), length));
            }
            rows.push_back(std::move(row));
        }
        cursor.Object->close(status);
        cursor.Object = nullptr; // closed and released by the engine
    });
    Rows = std::move(rows);
}

void TIBTable::InternalFirst()
{
    // Other connections (another copy of the program, other machines on a
    // server) commit too: a scan from the first record reads the table
    // afresh, so that a write after it finds their records.
    if (CacheOpen && !RowsJustRead && OpenTransaction && OpenTransaction->InTransaction())
        ReadRows();
    RowsJustRead = false;
    TCachedDataSet::InternalFirst();
}

void TIBTable::InternalClose()
{
    Prepared.reset();
    ClearCache();
    CacheOpen = false;
    TIBTransaction* transaction = OpenTransaction;
    if (transaction && transaction != TableTransaction)
        transaction->RemoveTable(this);
    OpenTransaction = nullptr;
    if (transaction)
        transaction->TableClosed();
}

template <typename Write>
void TIBTable::WriteAndCommit(const std::string& context, Write&& write)
{
    TIBTransaction* transaction = OpenTransaction;
    if (!transaction || !transaction->InTransaction())
        throw EDatabaseError(context + ": the table's transaction has ended");
    try {
        Guarded(context, [&](Status* status) { write(status, *transaction); });
        transaction->CommitRetaining();
    } catch (const EDatabaseError&) {
        try {
            transaction->RollbackRetaining();
        } catch (const EDatabaseError&) {
            // The write's own error is the one to report.
        }
        throw;
    }
}

void TIBTable::StoreRecord(const Row* stored, Row& posted)
{
    const int dialect = TableDatabase->SQLDialect();
    const std::string table = Quoted(Name, dialect);
    std::vector<std::string> columns;
    for (const Column& column : Prepared->Columns)
        columns.push_back(Quoted(column.Name, dialect));

    if (stored) {
        WriteAndCommit("Cannot update a record of \"" + Name + "\"", [&](Status* status, TIBTransaction& transaction) {
            if (!Prepared->Update.Object) {
                std::string sql = "UPDATE " + table + " SET ";
                for (std::size_t i = 0; i < columns.size(); ++i)
                    sql += (i ? ", " : "") + columns[i] + " = ?";
                Prepared->Update.Object = Prepare(status, *TableDatabase, transaction, sql + " WHERE RDB$DB_KEY = ?");
            }
            InputMessage input(status, posted.Values, &stored->Key);
            Prepared->Update.Object->execute(status, transaction.Handle(), input.metadata(), input.data(), nullptr,
                                             nullptr);
            if (Prepared->Update.Object->getAffectedRecords(status) != 1)
                throw EDatabaseError("Cannot update a record of \"" + Name
                                     + "\": another connection has changed or deleted it");
        });
        return;
    }
    WriteAndCommit("Cannot add a record to \"" + Name + "\"", [&](Status* status, TIBTransaction& transaction) {
        if (!Prepared->Insert.Object) {
            std::string names;
            std::string markers;
            for (std::size_t i = 0; i < columns.size(); ++i) {
                names += (i ? ", " : "") + columns[i];
                markers += i ? ", ?" : "?";
            }
            Prepared->Insert.Object = Prepare(status, *TableDatabase, transaction,
                                              "INSERT INTO " + table + " (" + names + ") VALUES (" + markers
                                                  + ") RETURNING RDB$DB_KEY");
        }
        InputMessage input(status, posted.Values, nullptr);
        Released<Firebird::IMessageMetadata> output{Prepared->Insert.Object->getOutputMetadata(status)};
        std::vector<unsigned char> key(output.Object->getMessageLength(status));
        Prepared->Insert.Object->execute(status, transaction.Handle(), input.metadata(), input.data(), output.Object,
                                         key.data());
        posted.Key.assign(reinterpret_cast<const char*>(&key[output.Object->getOffset(status, 0)]), kKeyLength);
    });
}

void TIBTable::StoreDeletion(const Row& stored)
{
    WriteAndCommit("Cannot delete a record of \"" + Name + "\"", [&](Status* status, TIBTransaction& transaction) {
        if (!Prepared->Delete.Object)
            Prepared->Delete.Object = Prepare(status, *TableDatabase, transaction,
                                              "DELETE FROM " + Quoted(Name, TableDatabase->SQLDialect())
                                                  + " WHERE RDB$DB_KEY = ?");
        InputMessage input(status, {}, &stored.Key);
        Prepared->Delete.Object->execute(status, transaction.Handle(), input.metadata(), input.data(), nullptr,
                                         nullptr);
        if (Prepared->Delete.Object->getAffectedRecords(status) != 1)
            throw EDatabaseError("Cannot delete a record of \"" + Name
                                 + "\": another connection has changed or deleted it");
    });
}

void TIBTable::SetFieldData(TField& field, const std::string* value)
{
    const auto index = static_cast<std::size_t>(field.FieldNo() - 1);
    if (value && index < CharacterWidths.size() && CharacterWidths[index] > 0) {
        const std::string cut = CutToCharacters(*value, CharacterWidths[index]);
        TCachedDataSet::SetFieldData(field, &cut);
        return;
    }
    TCachedDataSet::SetFieldData(field, value);
}
