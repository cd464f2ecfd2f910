// A connection to a database of the server engine, through its client
// library. A DatabaseName without a server ("Config/Config.fdb", "\" taken
// as "/", relative to the working directory) is a local file served by the
// engine inside this process, with no server process; a name with a server
// ("host:/path/db.fdb", "host/3051:/path/db.fdb", "inet://host/path") reaches
// a database server over the network. Connecting never creates a database: a
// local file that does not exist, or is not a database of the engine, makes
// the connection fail and is left untouched.
//
// Params are the connection parameters as "name=value" lines: user_name,
// password, sql_role_name and lc_ctype (the connection's character set, UTF8
// when not given: texts travel as UTF-8). There is no login dialog, so the
// credentials come from Params alone.
#pragma once

#include "platform/db/TDataSet.h"

#include <string>
#include <vector>

namespace Firebird {
class IAttachment;
}

class TIBTransaction;

class TIBDatabase : public TCustomConnection {
public:
    TIBDatabase() = default;
    ~TIBDatabase() override;

    const std::string& DatabaseName() const { return Name; }
    void SetDatabaseName(const std::string& name);
    const std::vector<std::string>& Params() const { return ConnectionParams; }
    void SetParams(std::vector<std::string> params);
    // Kept for the stored settings; only false is supported (no login dialog).
    bool LoginPrompt() const { return false; }
    void SetLoginPrompt(bool value);
    int SQLDialect() const { return Dialect; }
    void SetSQLDialect(int dialect);
    // The transaction that tables of this database use when they name none.
    TIBTransaction* DefaultTransaction() const { return Default; }
    void SetDefaultTransaction(TIBTransaction* transaction) { Default = transaction; }

    // True when DatabaseName names a database server rather than a local file.
    bool IsRemote() const;
    // The local file DatabaseName names, with "/" for "\" ("" for a server).
    std::string LocalFileName() const;

    // The engine's attachment while connected, else null.
    Firebird::IAttachment* Handle() const { return Attachment; }

protected:
    void DoConnect() override;
    // Ends the transactions on this database first (their tables close).
    void DoDisconnect() override;
    bool GetConnected() const override { return Attachment != nullptr; }

private:
    friend class TIBTransaction;

    void CheckInactive() const;

    std::string Name;
    std::vector<std::string> ConnectionParams;
    int Dialect = 3;
    TIBTransaction* Default = nullptr;
    // Every transaction whose DefaultDatabase this is.
    std::vector<TIBTransaction*> Transactions;
    Firebird::IAttachment* Attachment = nullptr;
};
