// A workspace (DBEngine::CreateWorkspace): a session of one user holding
// open databases, in which transactions run. A transaction of the workspace
// covers every database open in it; levels nest up to five deep (3003 for a
// sixth), each kept as an SQLite savepoint (an ODBC source's first level is
// its driver's transaction, the deeper ones its savepoints); committing the
// outermost level writes it to disk before the call returns.
#pragma once

#include "platform/jet/Collection.h"
#include "platform/jet/Constants.h"
#include "platform/jet/JetTypes.h"

#include <string>

namespace jet {

class Workspace {
public:
    virtual ~Workspace() = default;

    virtual std::string Name() const = 0;
    // Closes every database of the workspace (rolling back an open
    // transaction) and removes the workspace from DBEngine::Workspaces.
    virtual void Close() = 0;
    // ODBC direct workspaces only (3251 on a Jet workspace, as the old
    // engine's): the cursor of the sources opened afterwards (Constants.h);
    // 3001 for a value that is none of them.
    virtual int DefaultCursorDriver() const = 0;
    virtual void SetDefaultCursorDriver(int driver) = 0;

    // Opens an ODBC source when `connect` begins "ODBC;" or the workspace is
    // ODBC direct (OdbcDatabase.h; `exclusive` is then the no-prompt flag,
    // and the source never prompts here), else a database file of ours.
    // For a file, `connect` is a list of "key=value"
    // items separated by ";" (";UID=Admin;PWD=" and the like): UID is the
    // workspace's account and is not looked at; PWD is the database password
    // (3031 when the file has another one). A leading installable format
    // ("dBASE IV;", "Excel 8.0;", FormatDatabase.h) opens that format's
    // folder or workbook instead; any other format raises 3251. A missing
    // file raises 3024, a file that is not a database of ours 3343, a file
    // opened exclusively elsewhere 3045.
    virtual DatabasePtr OpenDatabase(const std::string& name, bool exclusive = false,
                                     bool readOnly = false, const std::string& connect = "") = 0;
    // Opens an ODBC source (`name` its data source when `connect` names
    // none); a source that is not there raises 3151 with the driver
    // manager's message.
    virtual DatabasePtr OpenConnection(const std::string& name, int options = 0, bool readOnly = false,
                                       const std::string& connect = "") = 0;
    // Creates a new database file and opens it. `locale` is
    // ";LANGID=0x0409;CP=1252;COUNTRY=0" or the like (the LANGID becomes
    // CollatingOrder) and a ";PWD=" item the database password; options
    // dbVersion30 or dbVersion40 (default). An existing file raises 3204;
    // dbEncrypt raises 3251.
    virtual DatabasePtr CreateDatabase(const std::string& name, const std::string& locale,
                                       int options = 0) = 0;

    virtual void BeginTrans() = 0;
    // Commits the innermost level (3034 without one).
    virtual void CommitTrans(int options = 0) = 0;
    // Rolls the innermost level back (3034 without one). Recordsets keep
    // their keys: a row whose insertion was rolled back answers 3167.
    virtual void Rollback() = 0;

    // Always empty: there are no workgroup accounts here.
    virtual Collection<User>& Users() = 0;
    virtual Collection<Group>& Groups() = 0;
    virtual Collection<Database>& Databases() = 0;
    virtual Collection<Property>& Properties() = 0;
};

} // namespace jet
