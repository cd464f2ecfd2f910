#include "dao/DaoDatabase.h"

#include "dao/DBLoginUnit.h"
#include "dao/Daoaddons.h"
#include "dao/Daoapi.h"
#include "dao/DaoRegistry.h"
#include "platform/gui/Dialogs.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/DateTime.h"

#include <QApplication>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;
namespace msg = DaoDatabaseMessages;
using platform::SameText;

struct TDaoDatabase::RequestedField {
    std::string Name;
    int Type = 0;
    int Size = 0;
    int IndexFlags = 0;
    int Required = 0;
    bool AutoIncrement() const { return Type == dbAutoIncrement; }
    // The engine type the field is created with.
    int CreatedType() const { return AutoIncrement() ? jet::dbLong : Type; }
};

namespace {

const char* const EngineId35 = "DAO.DBEngine.35";
const char* const EngineId36 = "DAO.DBEngine.36";
const char* const PrivateEngineId35 = "DAO.PrivateDBEngine.35";
const char* const PrivateEngineId36 = "DAO.PrivateDBEngine.36";

// A name from an old setting may use "\" between folders.
std::string LocalPath(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool FileExists(const std::string& name)
{
    std::error_code error;
    const fs::path path = LocalPath(name);
    return fs::exists(path, error) && !fs::is_directory(path, error);
}

// What follows the last "/" or "\".
std::string FileNamePart(const std::string& name)
{
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// The folder of the program file, ending in "/".
std::string ProgramFolder()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string("./") : program.parent_path().string() + "/";
}

std::string LowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

// The record handle a bookmark names: its first four bytes, little-endian.
std::int32_t RecordHandle(const std::string& bookmark)
{
    std::uint32_t handle = 0;
    for (std::size_t i = 0; i < 4 && i < bookmark.size(); ++i)
        handle |= static_cast<std::uint32_t>(static_cast<unsigned char>(bookmark[i])) << (8 * i);
    return static_cast<std::int32_t>(handle);
}

std::string HandleBookmark(std::int32_t handle)
{
    const auto bits = static_cast<std::uint32_t>(handle);
    std::string bookmark(4, '\0');
    for (std::size_t i = 0; i < 4; ++i)
        bookmark[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return bookmark;
}

// The connect text of a link: formatted with the external path where it
// holds "%s".
std::string FormatConnect(const std::string& connect, const std::string& externalDatabase)
{
    std::string text;
    for (std::size_t i = 0; i < connect.size(); ++i) {
        if (connect[i] == '%' && i + 1 < connect.size() && connect[i + 1] == 's') {
            text += externalDatabase;
            ++i;
        } else {
            text += connect[i];
        }
    }
    return text;
}

struct CollatingOrder {
    int Code;
    const char* Name;
};

const CollatingOrder CollatingOrders[] = {
    {-1, "Undefined or unknown"},
    {1024, "Neutral"},
    {1025, "Arabic"},
    {1028, "Traditional Chinese"},
    {1029, "Czech"},
    {1030, "Norwegian or Danish"},
    {1032, "Greek"},
    {1033, "General (English, French, German, Portuguese, Italian, and Modern Spanish)"},
    {1034, "Spanish"},
    {1037, "Hebrew"},
    {1038, "Hungarian"},
    {1039, "Icelandic"},
    {1041, "Japanese"},
    {1042, "Korean"},
    {1043, "Dutch"},
    {1045, "Polish"},
    {1049, "Bulgarian or Russian"},
    {1053, "Swedish or Finnish"},
    {1054, "Thai"},
    {1055, "Turkish"},
    {1060, "Slovenian"},
    {2052, "Simplified Chinese"},
};

std::string CollatingOrderName(int code)
{
    for (const CollatingOrder& order : CollatingOrders)
        if (order.Code == code)
            return order.Name;
    return {};
}

// Runs `step`, swallowing what it raises.
template <class Step>
void Quietly(Step step)
{
    try {
        step();
    } catch (const std::exception&) {
    }
}

} // namespace

// --- Construction and the engine ---

TDaoDatabase::TDaoDatabase(TComponent* owner)
    : TCustomConnection(owner)
{
    const long result = jet::CoInitialize();
    if (result != 0 && result != 1)
        DatabaseError(msg::E1003);
    OleInitialized = true;
    try {
        FPrivateEngine = false;
        EnginesInstalled.Clear();
        CheckEngines();
        if (EnginesInstalled.Empty())
            DatabaseError(msg::E1004);
        FVersion = EnginesInstalled[0] == "3.5" ? "3.5" : "3.6";
        CreateDBEngine(FVersion);

        FSystemDatabase = F_Get_SystemDatabaseFromRegistry();
        if (!FSystemDatabase.empty())
            EngineRef().SetSystemDB(FSystemDatabase);
        FUserName = "Admin";
        EngineRef().SetDefaultUser("Admin");
        EngineRef().SetDefaultPassword("");
        FEngineType = jet::dbUseJet;
        EngineRef().SetDefaultType(jet::dbUseJet);
        FDefaultCursorDriver = jet::dbUseDefaultCursor;
        FWorkspace = "DaoWorkspace";
        FVersionDetails = EngineRef().Version();
        SetVersionInfoFromDetails();
        FDatabaseType = "Access";

        F_Get_DBTypesList(DatabaseTypes);
        F_Get_OdbcDriverList(ODBCDrivers);
        F_Get_SystemDSNs(SystemDSNs);
        F_Get_UserDSNs(UserDSNs);
        F_FillDSNFileNames(DSNFileNames);
    } catch (...) {
        EngineObject.reset();
        jet::CoUninitialize();
        throw;
    }
}

TDaoDatabase::~TDaoDatabase()
{
    if (FConnected)
        Quietly([this] { F_Set_Active(false); });
    if (WorkspaceObject)
        Quietly([this] { WorkspaceObject->Close(); });
    WorkspaceObject.reset();
    DatabaseObject.reset();
    EngineObject.reset();
    if (OleInitialized)
        jet::CoUninitialize();
}

void TDaoDatabase::Loaded()
{
    TCustomConnection::Loaded();
    if (!FConnected)
        Quietly([this] { RecreateCore(); });
}

jet::DBEngine& TDaoDatabase::EngineRef() const
{
    if (!EngineObject)
        throw jet::EngineError(jet::errObjectClosed, "Object invalid or no longer set.");
    return *EngineObject;
}

jet::Workspace& TDaoDatabase::WorkspaceRef() const
{
    if (!WorkspaceObject)
        throw jet::EngineError(jet::errObjectClosed, "Object invalid or no longer set.");
    return *WorkspaceObject;
}

jet::Database& TDaoDatabase::DatabaseRef() const
{
    if (!DatabaseObject)
        throw jet::EngineError(jet::errObjectClosed, "Object invalid or no longer set.");
    return *DatabaseObject;
}

void TDaoDatabase::CheckEngines()
{
    const char* const ids[] = {FPrivateEngine ? PrivateEngineId35 : EngineId35,
                               FPrivateEngine ? PrivateEngineId36 : EngineId36};
    const char* const versions[] = {"3.5", "3.6"};
    for (int i = 0; i < 2; ++i) {
        if (!jet::IsEngineClassRegistered(ids[i]))
            continue;
        try {
            jet::CreateEngineObject(ids[i]).reset();
            EnginesInstalled.Add(versions[i]);
        } catch (const std::exception&) {
        }
    }
}

void TDaoDatabase::CreateDBEngine(const std::string& version)
{
    const char* const id35 = FPrivateEngine ? PrivateEngineId35 : EngineId35;
    const char* const id36 = FPrivateEngine ? PrivateEngineId36 : EngineId36;
    FUsesDynamicDao = true;
    const auto create36 = [&] {
        try {
            EngineObject = jet::CreateEngineObject(id36);
            FVersion = "3.6";
        } catch (const std::exception&) {
            DatabaseError(msg::E1002);
        }
    };
    if (version == "3.5") {
        try {
            EngineObject = jet::CreateEngineObject(id35);
            FVersion = "3.5";
        } catch (const std::exception&) {
            create36();
        }
    } else if (version == "3.6") {
        create36();
    }
}

void TDaoDatabase::SetVersionInfoFromDetails()
{
    if (FVersionDetails.size() >= 3 && FVersionDetails[2] == '5')
        FVersionInfo = "(In Access'97 mode)";
    else if (FVersionDetails.size() >= 3 && FVersionDetails[2] == '6')
        FVersionInfo = "(In Access'2000 mode)";
}

void TDaoDatabase::RecreateCore()
{
    if (Offline)
        return;
    if (WorkspaceObject) {
        Quietly([this] { WorkspaceObject->Close(); });
        WorkspaceObject.reset();
    }
    EngineObject.reset();
    if (OleInitialized) {
        jet::CoUninitialize();
        OleInitialized = false;
    }
    const long result = jet::CoInitialize();
    if (result != 0 && result != 1)
        DatabaseError(msg::E1003);
    OleInitialized = true;

    // At design time the Jet engine is a private one, so that the design
    // environment never holds the shared engine of the program.
    const bool privateEngine = FPrivateEngine;
    if (IsDesigning() && FEngineType == jet::dbUseJet)
        FPrivateEngine = true;
    try {
        CreateDBEngine(FVersion);
    } catch (...) {
        FPrivateEngine = privateEngine;
        throw;
    }
    FPrivateEngine = privateEngine;
    // A version that names no engine creates none.
    if (!EngineObject)
        DatabaseError(msg::E1002);

    EngineObject->SetSystemDB(FSystemDatabase);
    FVersionDetails = EngineObject->Version();
    SetVersionInfoFromDetails();
    EngineObject->SetDefaultUser(FUserName);
    EngineObject->SetDefaultPassword(FPassword);
    WorkspaceObject = EngineObject->CreateWorkspace(FWorkspace, FUserName, FPassword, FEngineType);
    EngineObject->Workspaces().Append(WorkspaceObject);
    if (FEngineType == jet::dbUseODBC)
        WorkspaceObject->SetDefaultCursorDriver(FDefaultCursorDriver);
    FWorkspace = WorkspaceObject->Name();
}

std::unique_ptr<TStringList> TDaoDatabase::GetDAOEnginesInstalled()
{
    return GetAllDaoEngines();
}

TDaoErrRec TDaoDatabase::GetLastDaoError()
{
    TDaoErrRec record;
    if (!EngineObject || EngineObject->Errors().Count() == 0)
        return record;
    const jet::ErrorPtr error = EngineObject->Errors().Item(0);
    record.Number = error->Number();
    record.Source = error->Source();
    record.Description = error->Description();
    record.HelpFile = error->HelpFile();
    record.HelpContext = error->HelpContext();
    return record;
}

// --- Properties ---

void TDaoDatabase::CheckDisconnected(const char* message) const
{
    if (FConnected)
        DatabaseError(message);
}

void TDaoDatabase::Rebuild(const std::function<void()>& restore)
{
    if (IsLoading())
        return;
    try {
        RecreateCore();
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        restore();
        Quietly([this] { RecreateCore(); });
        std::rethrow_exception(error);
    }
}

void TDaoDatabase::SetExclusive(bool value)
{
    CheckDisconnected(msg::E1018);
    FExclusive = value;
}

std::string TDaoDatabase::DatabaseLanguage()
{
    return F_Get_CollatingOrder();
}

void TDaoDatabase::SetDatabaseType(const std::string& value)
{
    CheckDisconnected(msg::E1015);
    FDatabase.clear();
    FDatabaseType = value;
}

void TDaoDatabase::SetDatabase(const std::string& value)
{
    CheckDisconnected(msg::E1010);
    FDatabase = value;
}

void TDaoDatabase::SetDatabaseParameters(const std::string& value)
{
    CheckDisconnected(msg::E1011);
    FDatabaseParameters = value;
}

void TDaoDatabase::SetReadOnly(bool value)
{
    CheckDisconnected(msg::E1017);
    FReadOnly = value;
    if (value)
        for (const TDaoActiveTable& table : ActiveTables)
            table.Dataset->SetReadOnly(true);
}

void TDaoDatabase::SetLoginPrompt(bool value)
{
    CheckDisconnected(msg::E1019);
    FLoginPrompt = value;
}

void TDaoDatabase::SetUserName(const std::string& value)
{
    CheckDisconnected(msg::E1020);
    FUserName = value;
    if (!IsLoading())
        Quietly([this] { RecreateCore(); });
}

void TDaoDatabase::SetPassword(const std::string& value)
{
    CheckDisconnected(msg::E1021);
    FPassword = value;
    if (!IsLoading())
        Quietly([this] { RecreateCore(); });
}

void TDaoDatabase::SetDatabasePassword(const std::string& value)
{
    CheckDisconnected(msg::E1022);
    FDatabasePassword = value;
}

void TDaoDatabase::SetSystemDatabase(const std::string& value)
{
    CheckDisconnected(msg::E1012);
    const std::string old = FSystemDatabase;
    FSystemDatabase = value.empty() ? F_Get_SystemDatabaseFromRegistry() : value;
    Rebuild([&] { FSystemDatabase = old; });
}

void TDaoDatabase::SetShowSystemObjects(bool value)
{
    FShowSystemObjects = value;
    if (FConnected)
        RefreshDefinitions();
}

void TDaoDatabase::SetEngineType(int value)
{
    CheckDisconnected(msg::E1016);
    const int old = FEngineType;
    FEngineType = value;
    Rebuild([&] { FEngineType = old; });
}

void TDaoDatabase::SetPrivateEngine(bool value)
{
    CheckDisconnected(msg::E1037);
    const bool old = FPrivateEngine;
    FPrivateEngine = value;
    Rebuild([&] { FPrivateEngine = old; });
}

void TDaoDatabase::SetTrackTransactions(bool value)
{
    CheckDisconnected(msg::ETrackTransactions);
    FTrackTransactions = value;
}

void TDaoDatabase::SetVersion(const std::string& value)
{
    CheckDisconnected(msg::E1013);
    const std::string old = FVersion;
    FVersion = value.substr(0, 3);
    F_Get_DBTypesList(DatabaseTypes);
    if (IsLoading())
        return;
    Rebuild([&] { FVersion = old; });
    FVersionDetails = EngineRef().Version();
}

void TDaoDatabase::SetWorkspace(const std::string& value)
{
    CheckDisconnected(msg::E1014);
    const std::string old = FWorkspace;
    FWorkspace = value;
    Rebuild([&] { FWorkspace = old; });
}

void TDaoDatabase::SetDefaultCursorDriver(int value)
{
    FDefaultCursorDriver = value;
    // Only an ODBC direct workspace has a cursor driver.
    if (!IsLoading() && !Offline && FEngineType == jet::dbUseODBC && WorkspaceObject)
        WorkspaceObject->SetDefaultCursorDriver(value);
}

std::vector<TPublishedProperty> TDaoDatabase::PublishedProperties() const
{
    using Self = TDaoDatabase;
    const auto self = [](const TComponent& c) -> const Self& { return static_cast<const Self&>(c); };
    const auto mut = [](TComponent& c) -> Self& { return static_cast<Self&>(c); };
    const auto text = [&](const char* name, std::string (Self::*get)() const, void (Self::*set)(const std::string&)) {
        return TPublishedProperty{name, [self, get](const TComponent& c) { return (self(c).*get)(); },
                                  [mut, set](TComponent& c, const std::string& v) { (mut(c).*set)(v); }};
    };
    const auto boolean = [&](const char* name, bool (Self::*get)() const, void (Self::*set)(bool)) {
        return TPublishedProperty{name, [self, get](const TComponent& c) { return BoolToStreamText((self(c).*get)()); },
                                  [mut, set](TComponent& c, const std::string& v) {
                                      (mut(c).*set)(StreamTextToBool(v));
                                  }};
    };
    const auto integer = [&](const char* name, int (Self::*get)() const, void (Self::*set)(int)) {
        return TPublishedProperty{name, [self, get](const TComponent& c) { return std::to_string((self(c).*get)()); },
                                  [mut, set](TComponent& c, const std::string& v) {
                                      (mut(c).*set)(StreamTextToInt(v));
                                  }};
    };
    // Reading DatabaseLanguage asks the open database for its collating order.
    TPublishedProperty language{
        "DatabaseLanguage",
        [](const TComponent& c) { return const_cast<Self&>(static_cast<const Self&>(c)).DatabaseLanguage(); },
        [mut](TComponent& c, const std::string& v) { mut(c).SetDatabaseLanguage(v); }};
    TPublishedProperty connected{
        "Connected", [self](const TComponent& c) { return BoolToStreamText(self(c).Connected()); },
        [mut](TComponent& c, const std::string& v) { mut(c).SetConnected(StreamTextToBool(v)); }};

    std::vector<TPublishedProperty> properties = TCustomConnection::PublishedProperties();
    properties.insert(properties.end(), {
        text("ComponentVersion", &Self::ComponentVersion, &Self::SetComponentVersion),
        boolean("Exclusive", &Self::Exclusive, &Self::SetExclusive),
        language,
        text("DatabaseType", &Self::DatabaseType, &Self::SetDatabaseType),
        text("Database", &Self::Database, &Self::SetDatabase),
        text("DatabaseParameters", &Self::DatabaseParameters, &Self::SetDatabaseParameters),
        text("DatabaseVersionInfo", &Self::DatabaseVersionInfo, &Self::SetDatabaseVersionInfo),
        boolean("ReadOnly", &Self::ReadOnly, &Self::SetReadOnly),
        boolean("LoginPrompt", &Self::LoginPrompt, &Self::SetLoginPrompt),
        text("UserName", &Self::UserName, &Self::SetUserName),
        boolean("UseODBCDialog", &Self::UseODBCDialog, &Self::SetUseODBCDialog),
        text("Password", &Self::Password, &Self::SetPassword),
        text("DatabasePassword", &Self::DatabasePassword, &Self::SetDatabasePassword),
        text("SystemDatabase", &Self::SystemDatabase, &Self::SetSystemDatabase),
        boolean("SaveUserName", &Self::SaveUserName, &Self::SetSaveUserName),
        boolean("ShowSystemObjects", &Self::ShowSystemObjects, &Self::SetShowSystemObjects),
        boolean("SmartOpen", &Self::SmartOpen, &Self::SetSmartOpen),
        integer("EngineType", &Self::EngineType, &Self::SetEngineType),
        boolean("PrivateEngine", &Self::PrivateEngine, &Self::SetPrivateEngine),
        boolean("TrackTransactions", &Self::TrackTransactions, &Self::SetTrackTransactions),
        boolean("UsesDynamicDao", &Self::UsesDynamicDao, &Self::SetUsesDynamicDao),
        text("Version", &Self::Version, &Self::SetVersion),
        text("VersionDetails", &Self::VersionDetails, &Self::SetVersionDetails),
        text("VersionInfo", &Self::VersionInfo, &Self::SetVersionInfo),
        text("Workspace", &Self::Workspace, &Self::SetWorkspace),
        integer("DefaultCursorDriver", &Self::DefaultCursorDriver, &Self::SetDefaultCursorDriver),
        integer("QueryTimeout", &Self::QueryTimeout, &Self::SetQueryTimeout),
        boolean("MdbVersionAutoDetect", &Self::MdbVersionAutoDetect, &Self::SetMdbVersionAutoDetect),
        connected,
    });
    return properties;
}

void TDaoDatabase::AddActiveTable(const std::string& name, TDaoDatabaseClient* dataset)
{
    ActiveTables.push_back(TDaoActiveTable{name, dataset});
}

void TDaoDatabase::RemoveActiveTable(TDaoDatabaseClient* dataset)
{
    ActiveTables.erase(std::remove_if(ActiveTables.begin(), ActiveTables.end(),
                                      [dataset](const TDaoActiveTable& table) { return table.Dataset == dataset; }),
                       ActiveTables.end());
}

// --- Connection ---

void TDaoDatabase::F_Set_Active(bool value)
{
    if (FConnected && value)
        return;
    if (value && FDatabase.empty())
        DatabaseError(msg::E1005);
    if (value && FDatabaseType.empty())
        DatabaseError(msg::E1006);
    if (FConnected && !value)
        Disconnect();
    else if (!FConnected && value)
        Connect();
}

void TDaoDatabase::Disconnect()
{
    if (OnBeforeDisconnect)
        OnBeforeDisconnect(*this);
    TableNames.Clear();
    QueryDefNames.Clear();
    CloseDatasets();
    const jet::DatabasePtr database = std::move(DatabaseObject);
    DatabaseObject.reset();
    TransactionEntries.Clear();
    FConnected = false;
    // The component is disconnected whatever the engine answers to Close.
    if (database)
        database->Close();
    if (OnAfterDisconnect)
        OnAfterDisconnect(*this);
}

void TDaoDatabase::Login(bool& cancelled, bool& dialogShown)
{
    cancelled = false;
    dialogShown = false;
    std::unique_ptr<TDbLogin> dialog;
    if (FLoginPrompt) {
        dialog = std::make_unique<TDbLogin>(QApplication::activeWindow());
        dialog->Username->setText(FSaveUserName ? QString::fromStdString(FUserName) : QString());
        dialog->Password->clear();
        dialog->DbPassword->clear();
        dialog->DatabaseName->setText(QString::fromStdString(FDatabase));
        dialog->Username->setFocus();
    }
    if (OnLogin) {
        TStringList loginParams{"USER NAME=" + FUserName, "PASSWORD=" + FPassword,
                                "DBPASSWORD=" + FDatabasePassword};
        OnLogin(*this, loginParams);
        FUserName = loginParams.Values("USER NAME");
        FPassword = loginParams.Values("PASSWORD");
        FDatabasePassword = loginParams.Values("DBPASSWORD");
    } else if (!Params.Empty()) {
        if (Params.IndexOfName("USER NAME") >= 0)
            FUserName = Params.Values("USER NAME");
        if (Params.IndexOfName("PASSWORD") >= 0)
            FPassword = Params.Values("PASSWORD");
        if (Params.IndexOfName("DBPASSWORD") >= 0)
            FDatabasePassword = Params.Values("DBPASSWORD");
    } else if (dialog) {
        dialogShown = true;
        if (dialog->exec() == QDialog::Accepted) {
            FUserName = dialog->Username->text().toStdString();
            FPassword = dialog->Password->text().toStdString();
            FDatabasePassword = dialog->DbPassword->text().toStdString();
        } else {
            dialog.reset();
            ShowMessage(msg::LoginCancelled);
            FUserName.clear();
            FPassword.clear();
            FDatabasePassword.clear();
            cancelled = true;
        }
    }
}

void TDaoDatabase::Connect()
{
    if (OnBeforeConnect)
        OnBeforeConnect(*this);
    for (;;) {
        bool cancelled = false;
        bool dialogShown = false;
        Login(cancelled, dialogShown);
        try {
            Offline = false;
            if (FMdbVersionAutoDetect)
                DetectMDB(FDatabase);
            RecreateCore();
            break;
        } catch (const std::exception& error) {
            if (FLoginPrompt && cancelled)
                return;
            // Asking again makes sense only when the operator was asked: the
            // answers of OnLogin and Params would fail the same way for ever.
            if (FLoginPrompt && dialogShown) {
                ShowMessage(error.what());
                continue;
            }
            throw;
        }
    }

    try {
        OpenByDatabaseType();
        if (FQueryTimeout != 60)
            DatabaseObject->SetQueryTimeout(FQueryTimeout);
        if (FDatabaseType != "ODBC")
            FDatabaseVersionInfo = DatabaseObject->Version();
    } catch (...) {
        if (DatabaseObject) {
            Quietly([this] { DatabaseObject->Close(); });
            DatabaseObject.reset();
        }
        throw;
    }
    RefreshDefinitions();
    FDatabaseLanguage = F_Get_CollatingOrder();
    FConnected = true;
    Idle();
    if (OnAfterConnect)
        OnAfterConnect(*this);
}

void TDaoDatabase::OpenByDatabaseType()
{
    if (SameText(FDatabaseType, "Access")) {
        if (FSmartOpen && !FileExists(FDatabase)) {
            std::error_code error;
            const std::string folder =
                IsDesigning() ? fs::current_path(error).string() + "/" : ProgramFolder();
            FDatabase = folder + FileNamePart(FDatabase);
        }
        if (!FileExists(FDatabase))
            DatabaseError(std::string(msg::E1007) + "\r\n" + FDatabase);
        if (FEngineType != jet::dbUseJet)
            DatabaseError(msg::E1009);
        const std::string connect = ";UID=" + FUserName + ";PWD=" + FDatabasePassword + ";" + FDatabaseParameters;
        DatabaseObject = WorkspaceRef().OpenDatabase(LocalPath(FDatabase), FExclusive, FReadOnly, connect);
    } else if (SameText(FDatabaseType, "ODBC")) {
        const std::string connect = LowerAscii(FDatabase).rfind("odbc;", 0) == 0
            ? FDatabase + ";" + FDatabaseParameters
            : FDatabaseType + ";UID=" + FUserName + ";PWD=" + FPassword + ";DSN=" + FDatabase + ";"
                + FDatabaseParameters;
        // dbDriverNoPrompt: the driver never asks the operator.
        if (FEngineType == jet::dbUseJet)
            DatabaseObject = WorkspaceRef().OpenDatabase(FDatabase, true, FReadOnly, connect);
        else
            DatabaseObject = WorkspaceRef().OpenConnection(FDatabase, jet::dbDriverNoPrompt, FReadOnly, connect);
    } else {
        if (FEngineType != jet::dbUseJet)
            DatabaseError(msg::E1038);
        const std::string connect = FPassword.empty() || FUserName.empty()
            ? FDatabaseType + ";" + FDatabaseParameters
            : FDatabaseType + ";UID=" + FUserName + ";PWD=" + FPassword + ";" + FDatabaseParameters;
        DatabaseObject = WorkspaceRef().OpenDatabase(LocalPath(FDatabase), FExclusive, FReadOnly, connect);
    }
}

void TDaoDatabase::CloseDatasets()
{
    // A copy: a dataset may still take itself out of the list while closing.
    const std::vector<TDaoActiveTable> tables = ActiveTables;
    for (const TDaoActiveTable& table : tables)
        Quietly([&] { table.Dataset->CloseByDatabase(); });
    ActiveTables.clear();
}

void TDaoDatabase::RefreshDatasets()
{
    Idle();
    const std::vector<TDaoActiveTable> tables = ActiveTables;
    for (const TDaoActiveTable& table : tables)
        Quietly([&] { table.Dataset->RefreshData(); });
}

void TDaoDatabase::RefreshDefinitions()
{
    TableNames.Clear();
    QueryDefNames.Clear();
    const bool jetWorkspace = FEngineType == jet::dbUseJet;
    if (jetWorkspace)
        Quietly([this] { DatabaseRef().TableDefs().Refresh(); });
    Quietly([this] { DatabaseRef().QueryDefs().Refresh(); });
    if (FDatabaseType == "Access") {
        Quietly([this] { DatabaseRef().Containers().Refresh(); });
        Quietly([this] { DatabaseRef().Relations().Refresh(); });
    }
    Quietly([this] { DatabaseRef().Recordsets().Refresh(); });
    if (jetWorkspace)
        Quietly([this] { DatabaseRef().Properties().Refresh(); });
    Quietly([this] { EngineRef().Errors().Refresh(); });
    Quietly([this] { EngineRef().Workspaces().Refresh(); });
    Quietly([this] { EngineRef().Properties().Refresh(); });
    if (jetWorkspace) {
        Offline = false;
        Quietly([this] { WorkspaceRef().Users().Refresh(); });
        Offline = false;
        Quietly([this] { WorkspaceRef().Groups().Refresh(); });
    }
    Offline = false;
    Quietly([this] { WorkspaceRef().Databases().Refresh(); });
    Offline = false;
    Quietly([this] { WorkspaceRef().Properties().Refresh(); });

    // The names found before a failure are kept.
    if (jetWorkspace)
        Quietly([this] {
            jet::Collection<jet::TableDef>& tableDefs = DatabaseRef().TableDefs();
            for (int i = 0, n = tableDefs.Count(); i < n; ++i) {
                const jet::TableDefPtr tableDef = tableDefs.Item(i);
                if (FShowSystemObjects || (tableDef->Attributes() & jet::dbSystemObject) == 0)
                    TableNames.Add(tableDef->Name());
            }
        });
    Quietly([this] {
        jet::Collection<jet::QueryDef>& queryDefs = DatabaseRef().QueryDefs();
        for (int i = 0, n = queryDefs.Count(); i < n; ++i)
            QueryDefNames.Add(queryDefs.Item(i)->Name());
    });
}

void TDaoDatabase::Idle()
{
    EngineRef().Idle(jet::dbFreeLocks);
    EngineRef().Idle(jet::dbRefreshCache);
}

// --- Registry, ODBC sources and database types ---

namespace {

const char* const OdbcDriversKey = "SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers";
const char* const OdbcDataSourcesKey = "\\SOFTWARE\\ODBC\\odbc.ini\\ODBC Data Sources";
const char* const OdbcDataSourceKey = "SOFTWARE\\ODBC\\ODBC.INI\\";

// The key of the installable formats of the engine version, or empty.
std::string IsamFormatsKey(const std::string& version)
{
    if (version == "3.5")
        return "SOFTWARE\\Microsoft\\JET\\3.5\\ISAM Formats";
    if (version == "3.6")
        return "SOFTWARE\\Microsoft\\JET\\4.0\\ISAM Formats";
    return {};
}

} // namespace

std::string TDaoDatabase::F_Get_ODBCFileName(const std::string& dataSource, bool system)
{
    TRegistry registry(system ? TRegistryRoot::LocalMachine : TRegistryRoot::CurrentUser);
    if (!registry.OpenKeyReadOnly(OdbcDataSourceKey + dataSource))
        return {};
    return registry.ReadString("DBQ");
}

void TDaoDatabase::F_Get_OdbcDriverList(TStringList& list)
{
    TRegistry registry(TRegistryRoot::LocalMachine);
    if (registry.OpenKeyReadOnly(OdbcDriversKey))
        registry.GetValueNames(list);
}

void TDaoDatabase::F_Get_SystemDSNs(TStringList& list)
{
    list.Clear();
    TRegistry registry(TRegistryRoot::LocalMachine);
    if (registry.OpenKeyReadOnly(OdbcDataSourcesKey))
        registry.GetValueNames(list);
}

void TDaoDatabase::F_Get_UserDSNs(TStringList& list)
{
    list.Clear();
    TRegistry registry(TRegistryRoot::CurrentUser);
    if (registry.OpenKeyReadOnly(OdbcDataSourcesKey))
        registry.GetValueNames(list);
}

void TDaoDatabase::F_FillDSNFileNames(TStringList& list)
{
    list.Clear();
    for (const std::string& name : UserDSNs) {
        const std::string file = F_Get_ODBCFileName(name, false);
        if (!file.empty())
            list.Add(name + "=" + file);
    }
    for (const std::string& name : SystemDSNs) {
        const std::string file = F_Get_ODBCFileName(name, true);
        if (!file.empty())
            list.Add(name + "=" + file);
    }
}

void TDaoDatabase::F_Get_DBTypesList(TStringList& list)
{
    TRegistry registry(TRegistryRoot::LocalMachine);
    const std::string key = IsamFormatsKey(FVersion);
    if (!key.empty() && registry.OpenKeyReadOnly(key))
        registry.GetKeyNames(list);
    list.Insert(0, "ODBC");
    list.Insert(0, "Access");
}

std::string TDaoDatabase::F_Get_DBTypeFileExtension(const std::string& type)
{
    TRegistry registry(TRegistryRoot::LocalMachine);
    const std::string key = IsamFormatsKey(FVersion);
    if (key.empty() || !registry.OpenKeyReadOnly(key + "\\" + type))
        return {};
    const std::string exportFilter = registry.ReadString("ExportFilter");
    return exportFilter.empty() ? registry.ReadString("ImportFilter") : exportFilter;
}

std::string TDaoDatabase::F_Get_DBTypeTableType(const std::string& type)
{
    TRegistry registry(TRegistryRoot::LocalMachine);
    const std::string key = IsamFormatsKey(FVersion);
    if (key.empty() || !registry.OpenKeyReadOnly(key + "\\" + type))
        return {};
    const std::string data = registry.ReadBinaryData("OneTablePerFile", 1000);
    return std::to_string(data.empty() ? 0 : static_cast<unsigned char>(data[0]));
}

std::string TDaoDatabase::F_Get_SystemDatabaseFromRegistry()
{
    TRegistry registry(TRegistryRoot::LocalMachine);
    const std::string engine = FVersion == "3.6" ? "4.0" : "3.5";
    if (!registry.OpenKeyReadOnly("SOFTWARE\\Microsoft\\JET\\" + engine + "\\Engines"))
        return {};
    return registry.ReadString("SystemDB");
}

void TDaoDatabase::DetectMDB(const std::string& fileName)
{
    if (FDatabaseType != "Access")
        return;
    try {
        std::ifstream file(LocalPath(fileName), std::ios::binary);
        if (!file)
            return;
        char header[160] = {};
        file.read(header, sizeof header);
        if (file.gcount() < static_cast<std::streamsize>(sizeof header))
            return;
        if (EnginesInstalled.IndexOf("3.5") >= 0)
            FVersion = "3.5";
        if (header[156] == '4' && header[157] == '.' && FVersion == "3.5" && FUsesDynamicDao)
            FVersion = "3.6";
    } catch (const std::exception&) {
    }
}

std::string TDaoDatabase::F_Get_CollatingOrder()
{
    CollatingOrderCode = 0;
    if (!FConnected)
        return {};
    int code = jet::dbSortUndefined;
    Quietly([&] { code = DatabaseRef().CollatingOrder(); });
    CollatingOrderCode = code;
    FDatabaseLanguage = CollatingOrderName(code);
    return FDatabaseLanguage;
}

bool TDaoDatabase::FindWorkspace(const std::string& name)
{
    jet::Collection<jet::Workspace>& workspaces = EngineRef().Workspaces();
    for (int i = 0, n = workspaces.Count(); i < n; ++i)
        if (workspaces.Item(i)->Name() == name)
            return true;
    return false;
}

// --- Transactions ---

std::string TDaoDatabase::TransactionEntry()
{
    TStringList pairs;
    for (const TDaoActiveTable& table : ActiveTables) {
        TDaoDatabaseClient& dataset = *table.Dataset;
        std::int32_t position = -1;
        if (!dataset.IsEmpty())
            position = dataset.PlacedByBookmark() ? RecordHandle(dataset.GetBookmarkStr()) : dataset.GetRecNo();
        pairs.Add(table.Name + "=" + std::to_string(position));
    }
    return pairs.CommaText();
}

void TDaoDatabase::StartTransaction()
{
    if (!FConnected)
        DatabaseError(msg::E1023);
    // Where the tables stand is read first, so that a level is never begun
    // without its entry.
    const std::string entry = FTrackTransactions ? TransactionEntry() : std::string();
    WorkspaceRef().BeginTrans();
    if (FTrackTransactions)
        TransactionEntries.Add(entry);
}

void TDaoDatabase::Commit()
{
    if (!FConnected)
        DatabaseError(msg::E1024);
    WorkspaceRef().CommitTrans(jet::dbForceOSFlush);
    if (FTrackTransactions && !TransactionEntries.Empty())
        TransactionEntries.Delete(TransactionEntries.Count() - 1);
}

void TDaoDatabase::Rollback()
{
    WorkspaceRef().Rollback();
    RepositionAfterRollback();
    if (FTrackTransactions && !TransactionEntries.Empty())
        TransactionEntries.Delete(TransactionEntries.Count() - 1);
}

void TDaoDatabase::RepositionAfterRollback()
{
    const std::vector<TDaoActiveTable> tables = ActiveTables;
    for (const TDaoActiveTable& table : tables) {
        // One table that cannot be re-read or put back does not keep the
        // others where the rollback left them.
        Quietly([&] {
            TDaoDatabaseClient& dataset = *table.Dataset;
            dataset.RollbackRefresh();
            if (!FTrackTransactions || TransactionEntries.Empty())
                return;
            const std::string position =
                F_GetTableRN(TransactionEntries[TransactionEntries.Count() - 1], table.Name);
            if (position == "-1" || dataset.IsEmpty())
                return;
            const int value = platform::StrToInt(position);
            if (dataset.PlacedByBookmark())
                dataset.SetBookmarkStr(HandleBookmark(value));
            else
                dataset.SetRecNo(value);
        });
    }
}

int TDaoDatabase::GetTransactionCount() const
{
    return TransactionEntries.Count();
}

void TDaoDatabase::AddRNToTransaction(const std::string& tableName, int position)
{
    if (TransactionEntries.Empty())
        return;
    Quietly([&] {
        std::string& entry = TransactionEntries[TransactionEntries.Count() - 1];
        TStringList pairs;
        pairs.SetCommaText(entry);
        const std::string pair = tableName + "=" + std::to_string(position);
        const int index = pairs.IndexOfName(tableName);
        if (index >= 0)
            pairs[index] = pair;
        else
            pairs.Add(pair);
        entry = pairs.CommaText();
    });
}

std::string TDaoDatabase::F_GetTableRN(const std::string& entry, const std::string& tableName)
{
    try {
        TStringList pairs;
        pairs.SetCommaText(entry);
        const int index = pairs.IndexOfName(tableName);
        return index < 0 ? std::string("-1") : pairs.ValueFromIndex(index);
    } catch (const std::exception&) {
        return "-1";
    }
}

void TDaoDatabase::RollbackRefresh()
{
    const std::vector<TDaoActiveTable> tables = ActiveTables;
    for (const TDaoActiveTable& table : tables)
        table.Dataset->RollbackRefresh();
}

void TDaoDatabase::DBEngineLevel_StartTransaction()
{
    EngineRef().BeginTrans();
}

void TDaoDatabase::DBEngineLevel_Commit()
{
    EngineRef().CommitTrans(jet::dbForceOSFlush);
}

void TDaoDatabase::DBEngineLevel_Rollback()
{
    EngineRef().Rollback();
    RollbackRefresh();
}

void TDaoDatabase::WorkspaceLevel_StartTransaction()
{
    Offline = false;
    WorkspaceRef().BeginTrans();
}

void TDaoDatabase::WorkspaceLevel_Commit()
{
    Offline = false;
    WorkspaceRef().CommitTrans(jet::dbForceOSFlush);
}

void TDaoDatabase::WorkspaceLevel_Rollback()
{
    Offline = false;
    WorkspaceRef().Rollback();
    RollbackRefresh();
}

// --- Database files ---

void TDaoDatabase::RepairAccessDatabase(const std::string& fileName, const std::string& password)
{
    if (FVersion == "3.5")
        EngineRef().RepairDatabase(LocalPath(fileName));
    else
        CompactAccessDatabase(fileName, password);
}

void TDaoDatabase::RepairAccessDatabaseEx(const std::string& fileName, const std::string& destLocale, bool encrypt,
                                          bool decrypt, int versionOption, const std::string& password)
{
    if (FVersion == "3.5")
        EngineRef().RepairDatabase(LocalPath(fileName));
    else
        CompactAccessDatabaseEx(fileName, destLocale, encrypt, decrypt, versionOption, password);
}

void TDaoDatabase::CompactInto(
    const std::string& fileName, const std::string& password,
    const std::function<void(const std::string&, const std::string&, const std::string&)>& compact)
{
    const fs::path database = LocalPath(fileName);
    std::error_code error;
    const fs::path folder = database.has_parent_path() ? database.parent_path() : fs::current_path(error);

    // A unique name beside the database, made free again for the engine,
    // which creates the compacted copy under it.
    std::string pattern = (folder / "mdbXXXXXX.tmp").string();
    const int descriptor = mkstemps(pattern.data(), 4);
    if (descriptor < 0)
        DatabaseError("TDaoDatabase.CompactAccessDatabase: Cannot create a temporary file in " + folder.string()
                      + ": " + std::generic_category().message(errno));
    ::close(descriptor);
    const fs::path temporary = pattern;
    fs::remove(temporary, error);

    const std::string sourceLocale = password.empty() ? std::string() : ";pwd=" + password;
    try {
        compact(database.string(), temporary.string(), sourceLocale);
    } catch (...) {
        fs::remove(temporary, error);
        throw;
    }
    // The copy replaces the database in one step: either name holds a whole
    // database at every moment.
    fs::rename(temporary, database, error);
    if (error) {
        const std::string reason = error.message();
        fs::remove(temporary, error);
        DatabaseError("TDaoDatabase.CompactAccessDatabase: Cannot replace " + fileName
                      + " with its compacted copy: " + reason);
    }
    platform::SyncPath(database.string());
}

void TDaoDatabase::CompactAccessDatabase(const std::string& fileName, const std::string& password)
{
    CompactInto(fileName, password,
                [this](const std::string& source, const std::string& destination, const std::string& sourceLocale) {
                    EngineRef().CompactDatabase(source, destination, "", 0, sourceLocale);
                });
}

void TDaoDatabase::CompactAccessDatabaseEx(const std::string& fileName, const std::string& destLocale, bool encrypt,
                                           bool decrypt, int versionOption, const std::string& password)
{
    int options = 0;
    if (encrypt)
        options = jet::dbEncrypt;
    if (decrypt)
        options = jet::dbDecrypt;
    options += versionOption;
    CompactInto(fileName, password,
                [&](const std::string& source, const std::string& destination, const std::string& sourceLocale) {
                    EngineRef().CompactDatabase(source, destination, destLocale, options, sourceLocale);
                });
}

void TDaoDatabase::CreateAccessDatabase(const std::string& fileName)
{
    const std::string locale = ";LANGID=0x0409;CP=1252;COUNTRY=0";
    GoOnline();
    int format = 0;
    if (FVersion == "3.5")
        format = jet::dbVersion30;
    else if (FVersion == "3.6")
        format = jet::dbVersion40;
    else
        return;
    WorkspaceRef().CreateDatabase(LocalPath(fileName), locale, format)->Close();
}

void TDaoDatabase::CreateAccessDatabaseEx(const std::string& fileName, const std::string& languageId,
                                          const std::string& codePage, const std::string& country,
                                          const std::string& password, const std::string& formatText, bool encrypt)
{
    CreateAccessDatabaseEx2(fileName, ";LANGID=" + languageId + ";CP=" + codePage + ";COUNTRY=" + country, password,
                            formatText, encrypt);
}

void TDaoDatabase::CreateAccessDatabaseEx2(const std::string& fileName, const std::string& locale,
                                           const std::string& password, const std::string& formatText, bool encrypt)
{
    std::string localeText = locale;
    if (!password.empty())
        localeText += ";PWD=" + password;
    GoOnline();
    int format = 0;
    if (FVersion == "3.5" || (FVersion == "3.6" && formatText == "30"))
        format = encrypt ? jet::dbVersion30 + jet::dbEncrypt : jet::dbVersion30;
    else if (FVersion == "3.6")
        format = encrypt ? jet::dbVersion40 + jet::dbEncrypt : jet::dbVersion40;
    else
        return;
    WorkspaceRef().CreateDatabase(LocalPath(fileName), localeText, format)->Close();
}

bool TDaoDatabase::ChangeDatabasePassword(const std::string& oldPassword, const std::string& newPassword)
{
    if (!FConnected)
        DatabaseError(msg::E1025);
    if (!FExclusive)
        DatabaseError(msg::E1026);
    try {
        DatabaseRef().NewPassword(oldPassword, newPassword);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TDaoDatabase::RegisterDatabase(const std::string& dataSource, const std::string& driver, bool silent,
                                    const std::string& attributes)
{
    try {
        EngineRef().RegisterDatabase(dataSource, driver, silent, attributes);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// --- Table definitions ---

std::string TDaoDatabase::PrimaryKeyName(const std::string& tableName) const
{
    return LowerAscii(FDatabaseType).find("paradox") != std::string::npos ? tableName : "PrimaryKey";
}

jet::TableDefPtr TDaoDatabase::StoredTableDef(const std::string& tableName)
{
    return DatabaseRef().TableDefs().Item(tableName);
}

std::vector<TDaoDatabase::RequestedField>
TDaoDatabase::ReadFieldArrays(const char* method, const jet::Variant& names, const jet::Variant& types,
                              const jet::Variant& sizes, const jet::Variant& indexes,
                              const jet::Variant& required) const
{
    const std::string where = std::string("TDaoDatabase.") + method + ": ";
    const auto arrayOf = [&](const jet::Variant& value, const char* what) -> const jet::SafeArray& {
        if (!value.IsArray() || !value.Array() || value.Array()->DimCount() != 1)
            DatabaseError(where + what + " parameter is not a one-dimensional array!");
        return *value.Array();
    };
    const jet::SafeArray& typeArray = arrayOf(types, "FieldTypes");
    const int count = typeArray.HighBound() + 1;
    const std::pair<const jet::SafeArray*, const char*> arrays[] = {
        {&arrayOf(names, "FieldNames"), "FieldNames"},    {&typeArray, "FieldTypes"},
        {&arrayOf(sizes, "FieldSizes"), "FieldSizes"},    {&arrayOf(indexes, "FieldIndexes"), "FieldIndexes"},
        {&arrayOf(required, "FieldsRequired"), "FieldsRequired"},
    };
    // Every array must hold elements 0 .. count - 1: nothing is read past an
    // array's end, and nothing is created from half a description.
    for (const auto& [array, what] : arrays)
        if (count > 0 && (array->LowBound() > 0 || array->HighBound() < count - 1))
            DatabaseError(where + what + " array must hold an element for each of the " + std::to_string(count)
                          + " fields!");

    std::vector<RequestedField> fields(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        RequestedField& field = fields[static_cast<std::size_t>(i)];
        field.Name = jet::VarToStr(arrays[0].first->Get({i}));
        field.Type = arrays[1].first->Get({i}).AsInteger();
        field.Size = arrays[2].first->Get({i}).AsInteger();
        field.IndexFlags = arrays[3].first->Get({i}).AsInteger();
        field.Required = arrays[4].first->Get({i}).AsInteger();
    }
    return fields;
}

void TDaoDatabase::AppendFields(const jet::TableDefPtr& tableDef, const std::vector<RequestedField>& fields,
                                bool addToStored, const std::string& primaryKeyName)
{
    jet::IndexPtr primaryKey;
    for (const RequestedField& requested : fields) {
        const jet::FieldPtr field = tableDef->CreateField(requested.Name, requested.CreatedType(), requested.Size);
        if (addToStored) {
            if (requested.AutoIncrement())
                field->SetAttributes(field->Attributes() | jet::dbAutoIncrField);
            tableDef->Fields().Append(field);
        } else {
            tableDef->Fields().Append(field);
            if (requested.AutoIncrement())
                tableDef->Fields().Item(requested.Name)->SetAttributes(jet::dbAutoIncrField);
        }
        if (requested.IndexFlags > 0 && (requested.IndexFlags & 1) != 0) {
            if (!primaryKey) {
                primaryKey = tableDef->CreateIndex(primaryKeyName);
                primaryKey->SetPrimary(true);
                primaryKey->SetUnique(true);
            }
            primaryKey->Fields().Append(tableDef->CreateField(requested.Name, requested.CreatedType(), requested.Size));
        }
    }
    if (primaryKey)
        tableDef->Indexes().Append(primaryKey);
    for (const RequestedField& requested : fields) {
        if ((requested.IndexFlags & 2) == 0 && (requested.IndexFlags & 4) == 0)
            continue;
        const jet::IndexPtr index = tableDef->CreateIndex(requested.Name);
        if ((requested.IndexFlags & 2) != 0)
            index->SetUnique(true);
        index->Fields().Append(tableDef->CreateField(requested.Name, requested.CreatedType(), requested.Size));
        tableDef->Indexes().Append(index);
    }
}

void TDaoDatabase::SetRequiredFields(const std::string& tableName, const std::vector<RequestedField>& fields)
{
    for (const RequestedField& requested : fields)
        if (requested.Required == 1)
            StoredTableDef(tableName)->Fields().Item(requested.Name)->SetRequired(true);
}

bool TDaoDatabase::CreateTable(const std::string& tableName, const jet::Variant& fieldNames,
                               const jet::Variant& fieldTypes, const jet::Variant& fieldSizes,
                               const jet::Variant& fieldIndexes, const jet::Variant& fieldsRequired)
{
    if (!FConnected)
        DatabaseError(msg::E1027);
    if (tableName.empty())
        DatabaseError(msg::E1028);
    const std::vector<RequestedField> fields =
        ReadFieldArrays("CreateTable", fieldNames, fieldTypes, fieldSizes, fieldIndexes, fieldsRequired);
    // The definition is appended only when whole: a failure leaves no table.
    const jet::TableDefPtr tableDef = DatabaseRef().CreateTableDef(tableName);
    AppendFields(tableDef, fields, false, PrimaryKeyName(tableName));
    DatabaseRef().TableDefs().Append(tableDef);
    RefreshDefinitions();
    SetRequiredFields(tableName, fields);
    RefreshDefinitions();
    return true;
}

bool TDaoDatabase::AddFieldsToTable(const std::string& tableName, const jet::Variant& fieldNames,
                                    const jet::Variant& fieldTypes, const jet::Variant& fieldSizes,
                                    const jet::Variant& fieldIndexes, const jet::Variant& fieldsRequired)
{
    if (!FConnected)
        DatabaseError(msg::E1029);
    if (tableName.empty())
        DatabaseError(msg::E1030);
    const std::vector<RequestedField> fields =
        ReadFieldArrays("AddFieldsToTable", fieldNames, fieldTypes, fieldSizes, fieldIndexes, fieldsRequired);
    const jet::TableDefPtr tableDef = StoredTableDef(tableName);
    const auto inPrimaryKey = [](const RequestedField& requested) { return (requested.IndexFlags & 1) != 0; };
    if (std::any_of(fields.begin(), fields.end(), inPrimaryKey))
        DeletePrimaryKey(tableDef);
    AppendFields(tableDef, fields, true, PrimaryKeyName(tableName));
    RefreshDefinitions();
    SetRequiredFields(tableName, fields);
    RefreshDefinitions();
    return true;
}

bool TDaoDatabase::CreateEmptyTable(const std::string& tableName)
{
    jet::TableDefPtr tableDef;
    try {
        tableDef = DatabaseRef().CreateTableDef(tableName);
        tableDef->Fields().Append(tableDef->CreateField("Temp", jet::dbLong, 0));
    } catch (const std::exception&) {
        return false;
    }
    DatabaseRef().TableDefs().Append(tableDef);
    RefreshDefinitions();
    DeleteField(tableName, "Temp");
    return true;
}

bool TDaoDatabase::EmptyTable(const std::string& tableName)
{
    // A "]" would end the bracketed name and let the rest run as SQL.
    if (tableName.find(']') != std::string::npos)
        return false;
    try {
        DatabaseRef().Execute("DELETE * FROM [" + tableName + "];", 0);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TDaoDatabase::RenameTable(const std::string& oldTableName, const std::string& newTableName)
{
    RefreshDefinitions();
    StoredTableDef(oldTableName)->SetName(newTableName);
    RefreshDefinitions();
}

void TDaoDatabase::DeleteTable(const std::string& tableName)
{
    RefreshDefinitions();
    DatabaseRef().TableDefs().Delete(tableName);
    RefreshDefinitions();
}

bool TDaoDatabase::HasPrimaryKey(const jet::TableDefPtr& tableDef)
{
    jet::Collection<jet::Index>& indexes = tableDef->Indexes();
    for (int i = 0, n = indexes.Count(); i < n; ++i)
        if (indexes.Item(i)->Primary())
            return true;
    return false;
}

void TDaoDatabase::DeletePrimaryKey(const jet::TableDefPtr& tableDef)
{
    jet::Collection<jet::Index>& indexes = tableDef->Indexes();
    for (int i = 0, n = indexes.Count(); i < n; ++i) {
        const jet::IndexPtr index = indexes.Item(i);
        if (index->Primary()) {
            indexes.Delete(index->Name());
            return;
        }
    }
}

// --- Index and field definitions ---

bool TDaoDatabase::CreateIndex(const std::string& tableName, const std::string& fieldName, int indexOptions)
{
    RefreshDefinitions();
    try {
        const jet::TableDefPtr tableDef = StoredTableDef(tableName);
        if ((indexOptions & 1) != 0) {
            if (HasPrimaryKey(tableDef))
                DeletePrimaryKey(tableDef);
            const jet::IndexPtr primaryKey = tableDef->CreateIndex(PrimaryKeyName(tableName));
            primaryKey->SetPrimary(true);
            primaryKey->SetUnique(true);
            primaryKey->Fields().Append(tableDef->CreateField(fieldName));
            tableDef->Indexes().Append(primaryKey);
            indexOptions |= 2;
        }
        if ((indexOptions & 2) != 0 || (indexOptions & 4) != 0) {
            const jet::IndexPtr index = tableDef->CreateIndex(fieldName);
            index->SetUnique((indexOptions & 2) != 0);
            index->Fields().Append(tableDef->CreateField(fieldName));
            tableDef->Indexes().Append(index);
        }
    } catch (const std::exception&) {
        return false;
    }
    RefreshDefinitions();
    return true;
}

void TDaoDatabase::RenameIndex(const std::string& tableName, const std::string& oldIndexName,
                               const std::string& newIndexName)
{
    RefreshDefinitions();
    StoredTableDef(tableName)->Indexes().Item(oldIndexName)->SetName(newIndexName);
    RefreshDefinitions();
}

void TDaoDatabase::DeleteIndexByName(const std::string& tableName, const std::string& indexName)
{
    RefreshDefinitions();
    StoredTableDef(tableName)->Indexes().Delete(indexName);
    RefreshDefinitions();
}

void TDaoDatabase::RemoveMatchingIndexes(const std::string& tableName,
                                         const std::function<bool(jet::Index& index)>& matches)
{
    // One index a pass, from a fresh read of the definitions, until a pass
    // finds none; an error ends the passes.
    Quietly([&] {
        for (bool removed = true; removed;) {
            removed = false;
            DatabaseRef().TableDefs().Refresh();
            const jet::TableDefPtr tableDef = StoredTableDef(tableName);
            jet::Collection<jet::Index>& indexes = tableDef->Indexes();
            for (int i = 0, n = indexes.Count(); i < n && !removed; ++i) {
                const jet::IndexPtr index = indexes.Item(i);
                if (matches(*index)) {
                    DeleteIndexByName(tableName, index->Name());
                    removed = true;
                }
            }
        }
    });
}

void TDaoDatabase::DeleteIndexByFieldName(const std::string& tableName, const std::string& fieldName)
{
    RefreshDefinitions();
    RemoveMatchingIndexes(tableName,
                          [&](jet::Index& index) { return index.Fields().Item(0)->Name() == fieldName; });
    RefreshDefinitions();
}

void TDaoDatabase::DeleteField(const std::string& tableName, const std::string& fieldName)
{
    RefreshDefinitions();
    RemoveMatchingIndexes(tableName, [&](jet::Index& index) {
        jet::Collection<jet::Field>& fields = index.Fields();
        for (int i = 0, n = fields.Count(); i < n; ++i)
            if (jet::SameName(fields.Item(i)->Name(), fieldName))
                return true;
        return false;
    });
    StoredTableDef(tableName)->Fields().Delete(fieldName);
    RefreshDefinitions();
}

void TDaoDatabase::RenameField(const std::string& tableName, const std::string& oldFieldName,
                               const std::string& newFieldName)
{
    RefreshDefinitions();
    StoredTableDef(tableName)->Fields().Item(oldFieldName)->SetName(newFieldName);
    RefreshDefinitions();
}

// --- Linked tables ---

void TDaoDatabase::LinkExternalTable(const std::string& externalDatabase, const std::string& tableName,
                                     const std::string& connect, int attributes)
{
    std::string localName = tableName;
    std::replace(localName.begin(), localName.end(), '.', '#');
    LinkExternalTableEx(externalDatabase, localName, tableName, connect, attributes);
}

void TDaoDatabase::LinkExternalTableEx(const std::string& externalDatabase, const std::string& localTableName,
                                       const std::string& sourceTableName, const std::string& connect,
                                       int attributes)
{
    const jet::TableDefPtr tableDef = DatabaseRef().CreateTableDef(localTableName);
    tableDef->SetConnect(FormatConnect(connect, externalDatabase));
    if (attributes != 0)
        tableDef->SetAttributes(attributes);
    tableDef->SetSourceTableName(sourceTableName);
    DatabaseRef().TableDefs().Append(tableDef);
}

void TDaoDatabase::RefreshLink(const std::string& externalDatabase, const std::string& tableName,
                               const std::string& connect)
{
    const jet::TableDefPtr tableDef = StoredTableDef(tableName);
    tableDef->SetConnect(FormatConnect(connect, externalDatabase));
    tableDef->RefreshLink();
}

// --- Stored queries ---

bool TDaoDatabase::CreateQueryDef(const std::string& name, const std::string& sql)
{
    DatabaseRef().CreateQueryDef(name, sql).reset();
    RefreshDefinitions();
    return true;
}

void TDaoDatabase::ModifyQueryDef(const std::string& name, const std::string& sql)
{
    RefreshDefinitions();
    DatabaseRef().QueryDefs().Item(name)->SetSQL(sql);
    RefreshDefinitions();
}

std::string TDaoDatabase::GetQueryDefSQLText(const std::string& name)
{
    try {
        return DatabaseRef().QueryDefs().Item(name)->SQL();
    } catch (const std::exception&) {
        return {};
    }
}

void TDaoDatabase::RenameQueryDef(const std::string& oldName, const std::string& newName)
{
    RefreshDefinitions();
    DatabaseRef().QueryDefs().Item(oldName)->SetName(newName);
    RefreshDefinitions();
}

void TDaoDatabase::DeleteQueryDef(const std::string& name)
{
    RefreshDefinitions();
    DatabaseRef().QueryDefs().Delete(name);
    RefreshDefinitions();
}
