// Makes a database file of the server engine for a test, through the embedded
// engine: by default the configuration table CONFIG that the parameter store
// expects, as a lab would create it.
#pragma once

#include "platform/db/FirebirdClient.h"
#include "platform/db/TIBDatabase.h"
#include "platform/db/TIBTable.h"
#include "platform/db/TIBTransaction.h"

#include <filesystem>
#include <string>
#include <vector>

inline const std::vector<std::string> kConfigTableDefinition = {
    "CREATE TABLE CONFIG (CONFIGNAME VARCHAR(50) NOT NULL, OPTIONNAME VARCHAR(50) NOT NULL,"
    " OPTIONVALUE VARCHAR(250))"};

// Creates the database at `path` (which must not exist) and runs each
// statement in its own committed transaction.
inline void CreateFirebirdDatabase(const std::string& path,
                                   const std::vector<std::string>& statements = kConfigTableDefinition)
{
    using namespace platform::firebird;
    PrepareEmbeddedEngine();
    const std::string file = std::filesystem::absolute(path).string();
    Guarded("Cannot create the test database " + file, [&](Firebird::ThrowStatusWrapper* status) {
        Firebird::IXpbBuilder* dpb =
            Master()->getUtilInterface()->getXpbBuilder(status, Firebird::IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(status, isc_dpb_user_name, "sysdba");
        dpb->insertString(status, isc_dpb_lc_ctype, "UTF8");
        dpb->insertString(status, isc_dpb_config, "Providers=Engine12");
        Firebird::IProvider* provider = Master()->getDispatcher();
        Firebird::IAttachment* attachment =
            provider->createDatabase(status, file.c_str(), dpb->getBufferLength(status), dpb->getBuffer(status));
        provider->release();
        dpb->dispose();
        for (const std::string& sql : statements) {
            Firebird::ITransaction* transaction = attachment->startTransaction(status, 0, nullptr);
            attachment->execute(status, transaction, 0, sql.c_str(), 3, nullptr, nullptr, nullptr, nullptr);
            transaction->commit(status);
        }
        attachment->detach(status);
    });
}

// A database, its transaction and one table on it, connected as the
// configuration store connects them.
struct ServerTableConnection {
    explicit ServerTableConnection(const std::string& path, const std::string& tableName = "CONFIG")
    {
        Database.SetDatabaseName(path);
        Database.SetParams({"user_name=sysdba", "password=brisklume"});
        Database.SetDefaultTransaction(&Transaction);
        Transaction.SetDefaultDatabase(&Database);
        Table.SetDatabase(&Database);
        Table.SetTransaction(&Transaction);
        Table.SetTableName(tableName);
        Database.Open();
        Table.Open();
    }

    // Every record's values, "<null>" for a null.
    std::vector<std::vector<std::string>> Rows()
    {
        std::vector<std::vector<std::string>> rows;
        for (Table.First(); !Table.Eof(); Table.Next()) {
            std::vector<std::string> row;
            for (int i = 0; i < Table.FieldCount(); ++i)
                row.push_back(Table.Fields(i).IsNull() ? "<null>" : Table.Fields(i).AsString());
            rows.push_back(row);
        }
        return rows;
    }

    void Append(const std::vector<std::string>& values)
    {
        Table.Append();
        for (std::size_t i = 0; i < values.size(); ++i)
            Table.Fields(static_cast<int>(i)).SetAsString(values[i]);
        Table.Post();
    }

    TIBDatabase Database;
    TIBTransaction Transaction;
    TIBTable Table; // declared last, so it closes before its transaction and database go
};
