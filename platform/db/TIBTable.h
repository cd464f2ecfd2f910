// One table of a database of the server engine as a dataset. Opening starts
// the table's transaction when needed and reads every record of the table in
// its stored order, each with its database key (and reads them again at each
// First, to see other connections' commits); the columns become string
// fields (a text column keeps its width, other columns travel as their text).
// Every post and delete is written to the table and committed at once
// (retaining the transaction), so a change is durable when Post or Delete
// returns; a write that fails is undone and raised, and the records in
// memory stay as they were.
#pragma once

#include "platform/db/TCachedDataSet.h"

#include <memory>
#include <string>
#include <vector>

class TIBDatabase;
class TIBTransaction;

class TIBTable : public TCachedDataSet {
public:
    TIBTable();
    ~TIBTable() override;

    TIBDatabase* Database() const { return TableDatabase; }
    void SetDatabase(TIBDatabase* database);
    // The transaction of the table; when none is set, the database's default one.
    TIBTransaction* Transaction() const { return TableTransaction; }
    void SetTransaction(TIBTransaction* transaction);
    const std::string& TableName() const { return Name; }
    void SetTableName(const std::string& name);
    // How many records memory is reserved for at a time.
    int BufferChunks() const { return Chunks; }
    void SetBufferChunks(int chunks);
    // Only false is supported: every change is written at once.
    bool CachedUpdates() const { return false; }
    void SetCachedUpdates(bool value);

protected:
    void InternalOpen() override;
    void InternalClose() override;
    // Reads the table afresh (but not right after opening), so that a scan
    // sees what other connections committed.
    void InternalFirst() override;
    void StoreRecord(const Row* stored, Row& posted) override;
    void StoreDeletion(const Row& stored) override;
    // Cuts a text to the column's width in characters.
    void SetFieldData(TField& field, const std::string* value) override;

private:
    friend class TIBTransaction;

    struct Statements;

    void CheckInactive() const;
    TIBTransaction* ActiveTransaction() const;
    // Runs a write and commits it, or undoes it and raises.
    template <typename Write>
    void WriteAndCommit(const std::string& context, Write&& write);
    void ForgetTransaction(TIBTransaction* transaction);
    // Every record of the table, in stored order, into Rows.
    void ReadRows();

    TIBDatabase* TableDatabase = nullptr;
    TIBTransaction* TableTransaction = nullptr;
    std::string Name;
    int Chunks = 1000;
    // Width of each text column in characters (0: not a text column).
    std::vector<int> CharacterWidths;
    std::unique_ptr<Statements> Prepared;
    // The transaction the open table runs on.
    TIBTransaction* OpenTransaction = nullptr;
    // Set by opening, which reads the rows just before the first First.
    bool RowsJustRead = false;
};
