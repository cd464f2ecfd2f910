// An open database file (Workspace::OpenDatabase). A database file of ours is
// an SQLite file carrying the engine's application id and its catalog tables;
// any other file is refused with 3343 and never written.
//
// SQL given to OpenRecordset, Execute and CreateQueryDef is the engine's own
// dialect, translated for SQLite: "DELETE * FROM", #date#
// literals, "double-quoted" texts, LIKE with * ? # [ ] wildcards, LCASE and
// UCASE, True and False, {guid {...}} literals, PARAMETERS headers, bare
// table and query names as sources, and SELECT ... INTO. Text compares
// without regard to case, for every language.
#pragma once

#include "platform/jet/Collection.h"
#include "platform/jet/Constants.h"
#include "platform/jet/JetTypes.h"

#include <cstdint>
#include <string>

namespace jet {

class Database {
public:
    virtual ~Database() = default;

    // The file's full path.
    virtual std::string Name() const = 0;
    // The connect text it was opened with.
    virtual std::string Connect() const = 0;
    // Closes the database and its recordsets; a pending transaction of the
    // workspace is rolled back for this file.
    virtual void Close() = 0;
    // The file format: "3.0" or "4.0" (see dbVersion30, dbVersion40).
    virtual std::string Version() const = 0;
    // Kept for callers that set it; statements here never time out.
    virtual int QueryTimeout() const = 0;
    virtual void SetQueryTimeout(int seconds) = 0;
    // The language the file was created for (dbSortGeneral, ...).
    virtual int CollatingOrder() const = 0;
    // Changes the database password (an empty new one removes it). The file
    // must be open exclusively (3621) and writable (3027); 3031 when
    // `oldPassword` is not the present one (empty when there is none).
    virtual void NewPassword(const std::string& oldPassword, const std::string& newPassword) = 0;

    virtual Collection<TableDef>& TableDefs() = 0;
    virtual Collection<QueryDef>& QueryDefs() = 0;
    virtual Collection<Container>& Containers() = 0;
    virtual Collection<Relation>& Relations() = 0;
    // The recordsets open on this database.
    virtual Collection<Recordset>& Recordsets() = 0;
    virtual Collection<Property>& Properties() = 0;

    // A recordset on a table name, a query name or a SELECT statement. Type
    // -1 is dbOpenTable for a stored table's name, dbOpenDynaset otherwise.
    // Options are the dbDenyWrite ... dbExecDirect flags; lockEdits one of
    // dbOptimistic, dbPessimistic, dbOptimisticValue, dbReadOnly (-1:
    // dbPessimistic, as the old engine did). dbOpenDynamic, dbSQLPassThrough,
    // dbRunAsync and dbExecDirect are for ODBC sources: on a file of ours
    // they raise 3251, unless the statement names linked ODBC tables of one
    // source and nothing else, which runs at that source.
    virtual RecordsetPtr OpenRecordset(const std::string& source, int type = -1, int options = 0,
                                       int lockEdits = -1) = 0;
    // Runs an action statement: DELETE, UPDATE, INSERT, SELECT ... INTO,
    // DROP TABLE, DROP INDEX, CREATE TABLE, CREATE INDEX or ALTER TABLE
    // (DataDefinition.h). A failing statement raises and changes nothing.
    virtual void Execute(const std::string& sql, int options = 0) = 0;
    // Rows touched by the last Execute (of this object or of one of its
    // query definitions).
    virtual long RecordsAffected() const = 0;

    // A new table definition, made a table by TableDefs().Append.
    virtual TableDefPtr CreateTableDef(const std::string& name = "", int attributes = 0,
                                       const std::string& sourceTableName = "",
                                       const std::string& connect = "") = 0;
    // A new relation (Relation.h), made part of the database by
    // Relations().Append.
    virtual RelationPtr CreateRelation(const std::string& name = "", const std::string& table = "",
                                       const std::string& foreignTable = "", int attributes = 0) = 0;
    // A query definition; with a name it is stored at once (3012 when the
    // name is taken), without one it is a temporary query.
    virtual QueryDefPtr CreateQueryDef(const std::string& name = "", const std::string& sql = "") = 0;

    // The workspace's transaction calls (Workspace::BeginTrans and so on).
    virtual void BeginTrans() = 0;
    virtual void CommitTrans(int options = 0) = 0;
    virtual void Rollback() = 0;

    // How many times the file was found changed by another connection's
    // commit; asking looks at the file, so the count is current. A dynaset
    // shows another connection's new records only once requeried: a count
    // that grew says when. A database that cannot tell answers 0.
    virtual std::uint64_t CommitsElsewhere() { return 0; }
    // How long a statement waits, in milliseconds, for a lock another
    // connection holds before it raises 3260 (5000 when the file is opened).
    // A database that does not wait answers 0 and ignores the setting.
    virtual int LockWait() const { return 0; }
    virtual void SetLockWait(int /*milliseconds*/) {}
};

} // namespace jet
