// A transaction on a TIBDatabase. Tables that run on it start it when they
// open; ending it (Commit or Rollback) closes them, while the retaining forms
// keep it and its tables open. The transaction reads committed data, sees
// other connections' commits and does not wait for their locks: a record
// another connection is changing makes the write fail at once.
#pragma once

#include <string>
#include <vector>

namespace Firebird {
class ITransaction;
}

class TIBDatabase;
class TIBTable;

// What happens to the transaction when the last of its tables closes.
enum TAutoStopAction { saNone, saRollback, saCommit };

class TIBTransaction {
public:
    TIBTransaction() = default;
    TIBTransaction(const TIBTransaction&) = delete;
    TIBTransaction& operator=(const TIBTransaction&) = delete;
    ~TIBTransaction();

    TIBDatabase* DefaultDatabase() const { return Database; }
    void SetDefaultDatabase(TIBDatabase* database);
    TAutoStopAction AutoStopAction() const { return StopAction; }
    void SetAutoStopAction(TAutoStopAction action) { StopAction = action; }

    bool InTransaction() const { return Handle() != nullptr; }
    bool Active() const { return InTransaction(); }
    // True starts the transaction, false commits it.
    void SetActive(bool value);
    void StartTransaction();
    void Commit();
    void Rollback();
    // Make the work so far permanent (or undo it) and go on in the same
    // transaction, with its tables open.
    void CommitRetaining();
    void RollbackRetaining();

    Firebird::ITransaction* Handle() const { return Transaction; }

private:
    friend class TIBDatabase;
    friend class TIBTable;

    void CheckInTransaction(const char* operation) const;
    // Closes the tables, then commits or rolls back and releases the handle.
    void End(bool commit);
    void AddTable(TIBTable* table);
    void RemoveTable(TIBTable* table);
    // A table closed: apply the AutoStopAction once none is left open.
    void TableClosed();

    TIBDatabase* Database = nullptr;
    TAutoStopAction StopAction = saNone;
    std::vector<TIBTable*> Tables;
    Firebird::ITransaction* Transaction = nullptr;
};
