// The engine object and how it is created.
//
// An engine is made from a programmatic identifier, as the old automation
// engine was: "DAO.DBEngine.35" and "DAO.DBEngine.36" give the shared engine
// of that version (one per process: every call answers the same object),
// "DAO.PrivateDBEngine.35" and "DAO.PrivateDBEngine.36" a new private engine,
// "DAO.PrivateDBEngine" a private engine of the newest version offered. Which
// identifiers exist is decided by the installed EngineClasses; by default
// both versions, "3.5" and "3.6", are offered and behave the same (they
// differ only in their Version and in the file format their databases get by
// default). Tests install classes that offer none, one or both, or engines of
// their own that record the calls made on them.
#pragma once

#include "platform/jet/Collection.h"
#include "platform/jet/Constants.h"
#include "platform/jet/JetTypes.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

class DBEngine {
public:
    virtual ~DBEngine() = default;

    // "3.5" or "3.6".
    virtual std::string Version() const = 0;
    // The workgroup information file. There are no workgroup accounts here:
    // the path is kept and not read.
    virtual std::string SystemDB() const = 0;
    virtual void SetSystemDB(const std::string& path) = 0;
    // The account CreateWorkspace uses when given an empty user name.
    virtual std::string DefaultUser() const = 0;
    virtual void SetDefaultUser(const std::string& user) = 0;
    virtual std::string DefaultPassword() const = 0;
    virtual void SetDefaultPassword(const std::string& password) = 0;
    // The workspace type CreateWorkspace uses by default: dbUseJet.
    virtual int DefaultType() const = 0;
    virtual void SetDefaultType(int type) = 0;

    // The workspaces: those made by CreateWorkspace and appended, in order.
    // Names need not be unique; Item(name) finds the first.
    virtual Collection<Workspace>& Workspaces() = 0;
    // The errors of the last failing call made on this engine or any object
    // under it; a successful call leaves them as they were.
    virtual Collection<Error>& Errors() = 0;
    virtual Collection<Property>& Properties() = 0;

    // A new workspace. A Jet workspace's only account is "admin" (any case)
    // with an empty password: any other raises 3029. Type dbUseODBC makes an
    // ODBC direct workspace, whose account each source checks. A name
    // refused as object names are raises 3125.
    virtual WorkspacePtr CreateWorkspace(const std::string& name, const std::string& user,
                                         const std::string& password, int type = dbUseJet) = 0;
    // dbFreeLocks and/or dbRefreshCache (see Constants.h).
    virtual void Idle(int action = 0) = 0;

    // Transactions of the engine: the same calls on every workspace of the
    // engine at once.
    virtual void BeginTrans() = 0;
    virtual void CommitTrans(int options = 0) = 0;
    virtual void Rollback() = 0;

    // Checks a closed database file's integrity and rebuilds it in place as
    // CompactDatabase does; a damaged file raises 3049 and stays as it was.
    virtual void RepairDatabase(const std::string& name) = 0;
    // Writes a compacted copy of the closed database file `source` to the
    // new file `destination` (3204 when it exists). `sourceLocale` holds the
    // source's password (";pwd=...", 3031 when it is not the right one);
    // `destinationLocale` (";LANGID=...") sets the copy's CollatingOrder,
    // and a ";pwd=" item in it the copy's new password (else the copy keeps
    // the source's); options dbVersion30 or dbVersion40 its format, dbDecrypt
    // is accepted, dbEncrypt raises 3251.
    virtual void CompactDatabase(const std::string& source, const std::string& destination,
                                 const std::string& destinationLocale = "", int options = 0,
                                 const std::string& sourceLocale = "") = 0;
    // Adds or replaces the ODBC data source `dsn` of driver `driver` in the
    // user's ODBC configuration, through unixODBC. `attributes` holds
    // "key=value" items separated by line breaks or ";". There is no setup
    // dialog here, so `silent` changes nothing. Failure raises 3146.
    virtual void RegisterDatabase(const std::string& dsn, const std::string& driver, bool silent,
                                  const std::string& attributes) = 0;
};

// The engine classes installed on the machine: which programmatic
// identifiers exist, and making an engine from one.
class EngineClasses {
public:
    virtual ~EngineClasses() = default;
    // True when the identifier is installed (the old registry key test).
    virtual bool IsRegistered(std::string_view progId) const = 0;
    // Creates (or, for a shared identifier, returns) the engine; an
    // identifier that is not installed raises errClassNotRegistered.
    virtual DBEnginePtr Create(std::string_view progId) = 0;
};

// The standard classes, offering the engine versions given ("3.5", "3.6").
std::shared_ptr<EngineClasses> MakeEngineClasses(std::vector<std::string> versions = {"3.5", "3.6"});

// The classes in use (the standard ones until others are installed).
EngineClasses& InstalledEngineClasses();
// Installs other classes; null puts the standard ones back.
void InstallEngineClasses(std::shared_ptr<EngineClasses> classes);

// The creation calls of the components: InstalledEngineClasses().Create and
// .IsRegistered.
DBEnginePtr CreateEngineObject(std::string_view progId);
bool IsEngineClassRegistered(std::string_view progId);

// The automation library's per-thread initialisation, kept as a count per
// thread: CoInitialize answers 0 when it initialised the thread and 1 when
// the thread was initialised already; each answer of 0 or 1 is to be matched
// by one CoUninitialize.
long CoInitialize();
void CoUninitialize();

} // namespace jet
