#include "settings/MDMMain.h"

TDMMain* DMMain = nullptr;

TDMMain::TDMMain()
    : FirebirdDBConfig(std::make_unique<TIBDatabase>())
    , FirebirdTransactionConfig(std::make_unique<TIBTransaction>())
    , FirebirdTableConfig(std::make_unique<TIBTable>())
{
    FirebirdDBConfig->SetDatabaseName(".\\Config\\Config.fdb");
    FirebirdDBConfig->SetParams({"user_name=sysdba", "password=brisklume"});
    FirebirdDBConfig->SetLoginPrompt(false);
    FirebirdDBConfig->SetSQLDialect(3);
    FirebirdDBConfig->SetDefaultTransaction(FirebirdTransactionConfig.get());

    FirebirdTransactionConfig->SetDefaultDatabase(FirebirdDBConfig.get());
    FirebirdTransactionConfig->SetAutoStopAction(saNone);

    FirebirdTableConfig->SetDatabase(FirebirdDBConfig.get());
    FirebirdTableConfig->SetTransaction(FirebirdTransactionConfig.get());
    FirebirdTableConfig->SetTableName("CONFIG");
    FirebirdTableConfig->SetBufferChunks(1000);
    FirebirdTableConfig->SetCachedUpdates(false);
}
