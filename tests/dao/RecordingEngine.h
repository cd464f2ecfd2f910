// Engine classes for the tests: the engine layer's own classes, offering the
// versions asked for, with every engine, workspace and opened database
// wrapped so that the calls the components make on them are written to a log
// ("the exact calls"), and so that a test can make one call fail.
#pragma once

#include "platform/jet/Jet.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace recording {

using Log = std::vector<std::string>;

// The calls that connect the settings store's database, Config/Config.dat,
// with the stored settings of the data module's database component: the
// engine and workspace are made afresh, then the file is opened.
inline const Log kConfigDatabaseConnectCalls = {
    "Create(DAO.DBEngine.36)",
    "SystemDB=system.mdb",
    "DefaultUser=Admin",
    "DefaultPassword=",
    "CreateWorkspace(DaoWorkspace,Admin,,2)",
    "OpenDatabase(./Config/Config.dat,0,0,;UID=Admin;PWD=;)",
};

inline std::string Flag(bool value)
{
    return value ? "-1" : "0";
}

class Engine;

// A database whose calls that open recordsets and run statements are
// written to a log before they are handed on: its own, or the one given.
class Database : public jet::Database {
private:
    Log OwnCalls;

public:
    explicit Database(jet::DatabasePtr inner)
        : Database(std::move(inner), OwnCalls)
    {
    }
    Database(jet::DatabasePtr inner, Log& log)
        : Calls(log), Inner(std::move(inner))
    {
    }

    Log& Calls;
    // Stored queries offered instead of the file's, when set.
    jet::Collection<jet::QueryDef>* StoredQueries = nullptr;

    std::string Name() const override { return Inner->Name(); }
    std::string Connect() const override { return Inner->Connect(); }
    void Close() override { Inner->Close(); }
    std::uint64_t CommitsElsewhere() override { return Inner->CommitsElsewhere(); }
    int LockWait() const override { return Inner->LockWait(); }
    void SetLockWait(int milliseconds) override { Inner->SetLockWait(milliseconds); }
    std::string Version() const override { return Inner->Version(); }
    int QueryTimeout() const override { return Inner->QueryTimeout(); }
    void SetQueryTimeout(int seconds) override { Inner->SetQueryTimeout(seconds); }
    int CollatingOrder() const override { return Inner->CollatingOrder(); }
    void NewPassword(const std::string& a, const std::string& b) override { Inner->NewPassword(a, b); }
    jet::Collection<jet::TableDef>& TableDefs() override { return Inner->TableDefs(); }
    jet::Collection<jet::QueryDef>& QueryDefs() override { return StoredQueries ? *StoredQueries : Inner->QueryDefs(); }
    jet::Collection<jet::Container>& Containers() override { return Inner->Containers(); }
    jet::Collection<jet::Relation>& Relations() override { return Inner->Relations(); }
    jet::Collection<jet::Recordset>& Recordsets() override { return Inner->Recordsets(); }
    jet::Collection<jet::Property>& Properties() override { return Inner->Properties(); }
    jet::RecordsetPtr OpenRecordset(const std::string& source, int type, int options, int lockEdits) override
    {
        Calls.push_back("OpenRecordset(" + source + "," + std::to_string(type) + "," + std::to_string(options) + ","
                        + std::to_string(lockEdits) + ")");
        return Inner->OpenRecordset(source, type, options, lockEdits);
    }
    void Execute(const std::string& sql, int options) override
    {
        Calls.push_back("Execute(" + sql + "," + std::to_string(options) + ")");
        Inner->Execute(sql, options);
    }
    long RecordsAffected() const override { return Inner->RecordsAffected(); }
    jet::TableDefPtr CreateTableDef(const std::string& name, int attributes, const std::string& source,
                                    const std::string& connect) override
    {
        return Inner->CreateTableDef(name, attributes, source, connect);
    }
    jet::RelationPtr CreateRelation(const std::string& name, const std::string& table,
                                    const std::string& foreignTable, int attributes) override
    {
        return Inner->CreateRelation(name, table, foreignTable, attributes);
    }
    jet::QueryDefPtr CreateQueryDef(const std::string& name, const std::string& sql) override
    {
        return Inner->CreateQueryDef(name, sql);
    }
    void BeginTrans() override { Inner->BeginTrans(); }
    void CommitTrans(int options) override { Inner->CommitTrans(options); }
    void Rollback() override { Inner->Rollback(); }

private:
    jet::DatabasePtr Inner;
};

class Workspace : public jet::Workspace {
public:
    Workspace(jet::WorkspacePtr inner, Engine& engine, Log& log)
        : Inner(std::move(inner)), Owner(engine), Calls(log)
    {
    }

    jet::WorkspacePtr Inner;

    std::string Name() const override { return Inner->Name(); }
    void Close() override;
    int DefaultCursorDriver() const override { return Inner->DefaultCursorDriver(); }
    void SetDefaultCursorDriver(int driver) override
    {
        Calls.push_back("Workspace.DefaultCursorDriver=" + std::to_string(driver));
        Inner->SetDefaultCursorDriver(driver);
    }
    jet::DatabasePtr OpenDatabase(const std::string& name, bool exclusive, bool readOnly,
                                  const std::string& connect) override;
    jet::DatabasePtr OpenConnection(const std::string& name, int options, bool readOnly,
                                    const std::string& connect) override
    {
        Calls.push_back("OpenConnection(" + name + "," + std::to_string(options) + "," + Flag(readOnly) + ","
                        + connect + ")");
        return Inner->OpenConnection(name, options, readOnly, connect);
    }
    jet::DatabasePtr CreateDatabase(const std::string& name, const std::string& locale, int options) override
    {
        Calls.push_back("CreateDatabase(" + name + "," + locale + "," + std::to_string(options) + ")");
        return Inner->CreateDatabase(name, locale, options);
    }
    void BeginTrans() override
    {
        Calls.push_back("Workspace.BeginTrans");
        Inner->BeginTrans();
    }
    void CommitTrans(int options) override
    {
        Calls.push_back("Workspace.CommitTrans(" + std::to_string(options) + ")");
        Inner->CommitTrans(options);
    }
    void Rollback() override
    {
        Calls.push_back("Workspace.Rollback");
        Inner->Rollback();
    }
    jet::Collection<jet::User>& Users() override { return Inner->Users(); }
    jet::Collection<jet::Group>& Groups() override { return Inner->Groups(); }
    jet::Collection<jet::Database>& Databases() override { return Inner->Databases(); }
    jet::Collection<jet::Property>& Properties() override { return Inner->Properties(); }

private:
    Engine& Owner;
    Log& Calls;
};

// The wrapped workspaces appended to the engine, in order.
class WorkspaceList : public jet::Collection<jet::Workspace> {
public:
    explicit WorkspaceList(jet::DBEngine& inner)
        : Inner(inner)
    {
    }
    int Count() const override { return static_cast<int>(Items.size()); }
    std::shared_ptr<jet::Workspace> Item(int index) const override
    {
        if (index < 0 || index >= Count())
            throw jet::EngineError(jet::errItemNotFound, "Item not found in this collection.");
        return Items[static_cast<std::size_t>(index)];
    }
    using jet::Collection<jet::Workspace>::Item;
    void Append(const std::shared_ptr<jet::Workspace>& workspace) override
    {
        const auto wrapped = std::dynamic_pointer_cast<Workspace>(workspace);
        Inner.Workspaces().Append(wrapped ? wrapped->Inner : workspace);
        Items.push_back(workspace);
    }
    void Remove(const jet::Workspace* workspace)
    {
        std::erase_if(Items, [workspace](const auto& item) { return item.get() == workspace; });
    }

private:
    jet::DBEngine& Inner;
    std::vector<std::shared_ptr<jet::Workspace>> Items;
};

class Engine : public jet::DBEngine {
public:
    Engine(jet::DBEnginePtr inner, Log& log)
        : Inner(std::move(inner)), Calls(log), Workspaces_(*Inner)
    {
    }

    jet::DBEnginePtr Inner;
    // When set, CompactDatabase runs this instead of the engine's.
    std::function<void(const std::string& source, const std::string& destination)> CompactInstead;
    // When set, OpenDatabase of a workspace asks it first; it may raise what
    // a source would.
    std::function<void(const std::string& connect)> BeforeOpen;

    std::string Version() const override { return Inner->Version(); }
    std::string SystemDB() const override { return Inner->SystemDB(); }
    void SetSystemDB(const std::string& path) override
    {
        Calls.push_back("SystemDB=" + path);
        Inner->SetSystemDB(path);
    }
    std::string DefaultUser() const override { return Inner->DefaultUser(); }
    void SetDefaultUser(const std::string& user) override
    {
        Calls.push_back("DefaultUser=" + user);
        Inner->SetDefaultUser(user);
    }
    std::string DefaultPassword() const override { return Inner->DefaultPassword(); }
    void SetDefaultPassword(const std::string& password) override
    {
        Calls.push_back("DefaultPassword=" + password);
        Inner->SetDefaultPassword(password);
    }
    int DefaultType() const override { return Inner->DefaultType(); }
    void SetDefaultType(int type) override
    {
        Calls.push_back("DefaultType=" + std::to_string(type));
        Inner->SetDefaultType(type);
    }
    jet::Collection<jet::Workspace>& Workspaces() override { return Workspaces_; }
    jet::Collection<jet::Error>& Errors() override { return Inner->Errors(); }
    jet::Collection<jet::Property>& Properties() override { return Inner->Properties(); }
    jet::WorkspacePtr CreateWorkspace(const std::string& name, const std::string& user, const std::string& password,
                                      int type) override
    {
        Calls.push_back("CreateWorkspace(" + name + "," + user + "," + password + "," + std::to_string(type) + ")");
        return std::make_shared<Workspace>(Inner->CreateWorkspace(name, user, password, type), *this, Calls);
    }
    void Idle(int action) override
    {
        Calls.push_back("Idle(" + std::to_string(action) + ")");
        Inner->Idle(action);
    }
    void BeginTrans() override
    {
        Calls.push_back("Engine.BeginTrans");
        Inner->BeginTrans();
    }
    void CommitTrans(int options) override
    {
        Calls.push_back("Engine.CommitTrans(" + std::to_string(options) + ")");
        Inner->CommitTrans(options);
    }
    void Rollback() override
    {
        Calls.push_back("Engine.Rollback");
        Inner->Rollback();
    }
    void RepairDatabase(const std::string& name) override
    {
        Calls.push_back("RepairDatabase(" + name + ")");
        Inner->RepairDatabase(name);
    }
    void CompactDatabase(const std::string& source, const std::string& destination,
                         const std::string& destinationLocale, int options, const std::string& sourceLocale) override
    {
        Calls.push_back("CompactDatabase(" + source + "," + destination + "," + destinationLocale + ","
                        + std::to_string(options) + "," + sourceLocale + ")");
        if (CompactInstead)
            CompactInstead(source, destination);
        else
            Inner->CompactDatabase(source, destination, destinationLocale, options, sourceLocale);
    }
    void RegisterDatabase(const std::string& dsn, const std::string& driver, bool silent,
                          const std::string& attributes) override
    {
        Calls.push_back("RegisterDatabase(" + dsn + "," + driver + "," + Flag(silent) + "," + attributes + ")");
        Inner->RegisterDatabase(dsn, driver, silent, attributes);
    }

    void Forget(const jet::Workspace* workspace) { Workspaces_.Remove(workspace); }

private:
    Log& Calls;
    WorkspaceList Workspaces_;
};

inline jet::DatabasePtr Workspace::OpenDatabase(const std::string& name, bool exclusive, bool readOnly,
                                                const std::string& connect)
{
    Calls.push_back("OpenDatabase(" + name + "," + Flag(exclusive) + "," + Flag(readOnly) + "," + connect + ")");
    if (Owner.BeforeOpen)
        Owner.BeforeOpen(connect);
    return std::make_shared<Database>(Inner->OpenDatabase(name, exclusive, readOnly, connect), Calls);
}

inline void Workspace::Close()
{
    Calls.push_back("Workspace.Close");
    Inner->Close();
    Owner.Forget(this);
}

// The engine layer's classes for the versions given, every engine wrapped.
// A shared identifier answers the same wrapped engine each time.
class Classes : public jet::EngineClasses {
public:
    explicit Classes(std::vector<std::string> versions = {"3.5", "3.6"})
        : Inner(jet::MakeEngineClasses(std::move(versions)))
    {
    }

    Log Calls;
    std::map<std::string, std::shared_ptr<Engine>, std::less<>> Shared;
    std::shared_ptr<Engine> LastCreated;
    // Given to every engine made from here on (Engine::BeforeOpen).
    std::function<void(const std::string& connect)> BeforeOpen;

    bool IsRegistered(std::string_view progId) const override { return Inner->IsRegistered(progId); }
    jet::DBEnginePtr Create(std::string_view progId) override
    {
        Calls.push_back("Create(" + std::string(progId) + ")");
        const bool shared = progId.find("Private") == std::string_view::npos;
        if (shared) {
            if (const auto found = Shared.find(progId); found != Shared.end())
                return LastCreated = found->second;
        }
        auto engine = std::make_shared<Engine>(Inner->Create(progId), Calls);
        engine->BeforeOpen = BeforeOpen;
        if (shared)
            Shared.emplace(std::string(progId), engine);
        return LastCreated = engine;
    }

private:
    std::shared_ptr<jet::EngineClasses> Inner;
};

// Installs engine classes for the test's lifetime.
class ScopedEngineClasses {
public:
    explicit ScopedEngineClasses(std::shared_ptr<jet::EngineClasses> classes)
    {
        jet::InstallEngineClasses(std::move(classes));
    }
    ~ScopedEngineClasses() { jet::InstallEngineClasses(nullptr); }
    ScopedEngineClasses(const ScopedEngineClasses&) = delete;
    ScopedEngineClasses& operator=(const ScopedEngineClasses&) = delete;
};

} // namespace recording
