#include "platform/db/TIBTransaction.h"

#include "platform/db/FirebirdClient.h"
#include "platform/db/TIBDatabase.h"
#include "platform/db/TIBTable.h"

#include <algorithm>

using platform::firebird::Guarded;

TIBTransaction::~TIBTransaction()
{
    try {
        if (InTransaction())
            End(true);
    } catch (const EDatabaseError&) {
        // The engine undoes what a lost transaction left unfinished.
    }
    for (TIBTable* table : Tables)
        table->ForgetTransaction(this);
    SetDefaultDatabase(nullptr);
}

void TIBTransaction::SetDefaultDatabase(TIBDatabase* database)
{
    if (database == Database)
        return;
    if (InTransaction())
        throw EDatabaseError("Cannot change the database of a transaction in progress");
    if (Database)
        std::erase(Database->Transactions, this);
    Database = database;
    if (Database)
        Database->Transactions.push_back(this);
}

void TIBTransaction::SetActive(bool value)
{
    if (value == InTransaction())
        return;
    if (value)
        StartTransaction();
    else
        Commit();
}

void TIBTransaction::StartTransaction()
{
    if (InTransaction())
        throw EDatabaseError("The transaction is already active");
    if (!Database || !Database->Connected())
        throw EDatabaseError("Cannot start a transaction: its database is not connected");
    static const unsigned char kParameters[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                                isc_tpb_rec_version, isc_tpb_nowait};
    Transaction = Guarded("Cannot start a transaction", [&](Firebird::ThrowStatusWrapper* status) {
        return Database->Handle()->startTransaction(status, sizeof kParameters, kParameters);
    });
}

void TIBTransaction::CheckInTransaction(const char* operation) const
{
    if (!InTransaction())
        throw EDatabaseError(std::string("Cannot ") + operation + ": the transaction is not active");
}

void TIBTransaction::Commit()
{
    CheckInTransaction("commit");
    End(true);
}

void TIBTransaction::Rollback()
{
    CheckInTransaction("roll back");
    End(false);
}

void TIBTransaction::CommitRetaining()
{
    CheckInTransaction("commit");
    Guarded("Cannot commit", [&](Firebird::ThrowStatusWrapper* status) { Transaction->commitRetaining(status); });
}

void TIBTransaction::RollbackRetaining()
{
    CheckInTransaction("roll back");
    Guarded("Cannot roll back",
            [&](Firebird::ThrowStatusWrapper* status) { Transaction->rollbackRetaining(status); });
}

void TIBTransaction::End(bool commit)
{
    Firebird::ITransaction* transaction = Transaction;
    // Cleared first, so that the tables closing below do not end it again.
    Transaction = nullptr;
    for (TIBTable* table : std::vector<TIBTable*>(Tables))
        table->Close();
    try {
        Guarded(commit ? "Cannot commit" : "Cannot roll back", [&](Firebird::ThrowStatusWrapper* status) {
            if (commit)
                transaction->commit(status);
            else
                transaction->rollback(status);
        });
    } catch (const EDatabaseError&) {
        try {
            Guarded("Cannot roll back", [&](Firebird::ThrowStatusWrapper* status) { transaction->rollback(status); });
        } catch (const EDatabaseError&) {
            // The engine undoes what a lost transaction left unfinished.
            transaction->release();
        }
        throw;
    }
}

void TIBTransaction::AddTable(TIBTable* table)
{
    if (std::find(Tables.begin(), Tables.end(), table) == Tables.end())
        Tables.push_back(table);
}

void TIBTransaction::RemoveTable(TIBTable* table)
{
    std::erase(Tables, table);
}

void TIBTransaction::TableClosed()
{
    if (StopAction == saNone || !InTransaction())
        return;
    if (std::any_of(Tables.begin(), Tables.end(), [](const TIBTable* table) { return table->Active(); }))
        return;
    End(StopAction == saCommit);
}
