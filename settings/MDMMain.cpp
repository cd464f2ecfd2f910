#include "settings/MDMMain.h"

#include "platform/system/AtomicFile.h"

#include <QFile>

#include <filesystem>
#include <vector>

TDMMain* DMMain = nullptr;

namespace {

// KDBConfig's stored Database: ConfigDatabaseFile as the old platform wrote it.
const char* const kStoredDatabase = ".\\Config\\Config.dat";

// The stored property values of the data-access components. Each component
// reads them in the order it declares its properties.
const TPropertyValues kDBConfigStream = {
    {"ComponentVersion", "1.00"},
    {"Exclusive", "False"},
    {"DatabaseType", "Access"},
    {"Database", kStoredDatabase},
    {"ReadOnly", "False"},
    {"LoginPrompt", "False"},
    {"UserName", "Admin"},
    {"UseODBCDialog", "True"},
    {"SystemDatabase", "system.mdb"},
    {"SaveUserName", "True"},
    {"ShowSystemObjects", "False"},
    {"SmartOpen", "True"},
    {"EngineType", "2"},
    {"PrivateEngine", "False"},
    {"TrackTransactions", "True"},
    {"UsesDynamicDao", "True"},
    {"Version", "3.6"},
    {"VersionDetails", "3.6"},
    {"VersionInfo", "(In Access'2000 mode)"},
    {"Workspace", "DaoWorkspace"},
    {"DefaultCursorDriver", "-1"},
    {"QueryTimeout", "60"},
    {"MdbVersionAutoDetect", "False"},
};

// A dynaset with optimistic locking that leaves connecting to the store.
const TPropertyValues kTableConfigStream = {
    {"Database", "KDBConfig"},
    {"TableName", "config"},
    {"TableType", "2"},
    {"LockType", "3"},
    {"ReadOnly", "False"},
    {"DatabaseAutoActivate", "False"},
    {"UseBrackets", "True"},
};

struct ConfigField {
    const char* Name;
    int Size;
    bool Required;
};

// The table "config", as both the table component and a new database know it.
constexpr ConfigField kConfigFields[] = {
    {"ConfigName", 50, true},
    {"OptionName", 50, true},
    {"OptionValue", 250, false},
};

// A one-dimensional array of the items, from 0, as table creation takes it.
jet::Variant VariantArray(const std::vector<jet::Variant>& items)
{
    auto array = jet::SafeArray::Vector(jet::varVariant, 0, static_cast<int>(items.size()) - 1);
    for (std::size_t i = 0; i < items.size(); ++i)
        array->Put({static_cast<int>(i)}, items[i]);
    return jet::Variant::FromArray(array);
}

} // namespace

TDMMain::TDMMain()
{
    SetName("DMMain");
    try {
        KDBConfig = std::make_unique<TDaoDatabase>(this);
        KDBConfig->SetName("KDBConfig");
        KDBConfig->ReadProperties(kDBConfigStream);
        KTableConfig = std::make_unique<TDaoTable>(this);
        KTableConfig->SetName("KTableConfig");
        KTableConfig->ReadProperties(kTableConfigStream);
        for (const ConfigField& field : kConfigFields)
            KTableConfig->FieldDefs().Add(field.Name, ftString, field.Size, field.Required);
        KDBConfig->Loaded();
        KTableConfig->Loaded();
    } catch (const EDatabaseError&) {
        // No data-access engine on this machine ("Cannot find DAO on your
        // system!"): the store goes on to its other backends.
        KTableConfig.reset();
        KDBConfig.reset();
    }

    FirebirdDBConfig = std::make_unique<TIBDatabase>();
    FirebirdTransactionConfig = std::make_unique<TIBTransaction>();
    FirebirdTableConfig = std::make_unique<TIBTable>();
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

void TDMMain::CreateConfigDatabase()
{
    std::vector<jet::Variant> names, types, sizes, indexes, required;
    for (const ConfigField& field : kConfigFields) {
        names.emplace_back(field.Name);
        types.emplace_back(int(jet::dbText));
        sizes.emplace_back(field.Size);
        indexes.emplace_back(0);
        required.emplace_back(field.Required ? 1 : 0);
    }
    const std::string building = platform::FreshNameBeside(ConfigDatabaseFile, ".new");
    bool made = false;
    try {
        KDBConfig->SetDatabase(building);
        KDBConfig->CreateAccessDatabase(building);
        made = true;
        KDBConfig->Open();
        KDBConfig->CreateTable("config", VariantArray(names), VariantArray(types), VariantArray(sizes),
                               VariantArray(indexes), VariantArray(required));
        KDBConfig->Close();
        platform::SyncPath(building);
        // The rename refuses to replace a file that took the name meanwhile.
        QFile built(QString::fromStdString(building));
        if (!built.rename(ConfigDatabaseFile))
            DatabaseError(std::string("Cannot create ") + ConfigDatabaseFile + ": " + built.errorString().toStdString());
        platform::SyncPath(ConfigDatabaseFile);
    } catch (...) {
        try {
            KDBConfig->Close();
        } catch (...) {
        }
        if (made) {
            std::error_code ignored;
            std::filesystem::remove(building, ignored);
        }
        KDBConfig->SetDatabase(kStoredDatabase);
        throw;
    }
    KDBConfig->SetDatabase(kStoredDatabase);
}
