// Makes a database file of the server engine for a test, through the embedded
// engine: by default the configuration table CONFIG that the parameter store
// expects, as a lab would create it.
#pragma once

#include "platform/db/FirebirdClient.h"

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
