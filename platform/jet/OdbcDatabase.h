// An ODBC source open as a database (Workspace::OpenDatabase with an
// "ODBC;..." connect text, OpenConnection, or an ODBC direct workspace),
// through the unixODBC driver manager and the source's driver.
//
// What it offers: the source's tables and views as TableDefs, with fields
// and indexes as the driver's catalog calls describe them (read-only:
// definitions are changed on the source through Execute); recordsets of
// every type over its tables and queries (OdbcRecordset.h); Execute of the
// engine's dialect rewritten for the source (OdbcSql.h), or of the source's
// own SQL with dbSQLPassThrough; query definitions kept for the session, as
// a source cannot store them; transactions through the driver, the nested
// levels as savepoints.
#pragma once

#include "platform/jet/Catalog.h"
#include "platform/jet/EngineImpl.h"
#include "platform/jet/OdbcApi.h"
#include "platform/jet/OdbcSql.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jet::impl {

class OdbcRecordset;

class OdbcDatabaseImpl : public WorkspaceDatabase,
                         public EngineObject,
                         public std::enable_shared_from_this<OdbcDatabaseImpl> {
public:
    OdbcDatabaseImpl(std::shared_ptr<ErrorState> state, std::shared_ptr<WorkspaceImpl> workspace, std::string name,
                     std::string connect, bool readOnly, int cursorDriver);
    ~OdbcDatabaseImpl() override;

    std::string Name() const override { return SourceName; }
    // "ODBC;" and the connection string the driver completed.
    std::string Connect() const override;
    void Close() override;
    // The source's DBMS version.
    std::string Version() const override;
    int QueryTimeout() const override { return Timeout; }
    void SetQueryTimeout(int seconds) override { Timeout = seconds; }
    // Sources have no collating order of the old engine: dbSortUndefined.
    int CollatingOrder() const override;
    // A source's passwords are its server's business: raises 3251.
    void NewPassword(const std::string& oldPassword, const std::string& newPassword) override;
    Collection<TableDef>& TableDefs() override;
    Collection<QueryDef>& QueryDefs() override;
    Collection<Container>& Containers() override { return NoContainers; }
    Collection<Relation>& Relations() override { return NoRelations; }
    Collection<Recordset>& Recordsets() override;
    Collection<Property>& Properties() override { return *PropertyList; }
    // A table of the source, a session query definition or a SELECT. Type
    // -1 is dbOpenDynaset.
    RecordsetPtr OpenRecordset(const std::string& source, int type, int options, int lockEdits) override;
    void Execute(const std::string& sql, int options) override;
    long RecordsAffected() const override { return Affected; }
    // Table definitions of a source are not made here: raises 3251.
    TableDefPtr CreateTableDef(const std::string& name, int attributes, const std::string& sourceTableName,
                               const std::string& connect) override;
    QueryDefPtr CreateQueryDef(const std::string& name, const std::string& sql) override;
    RelationPtr CreateRelation(const std::string& name, const std::string& table, const std::string& foreignTable,
                               int attributes) override;

    // WorkspaceDatabase
    bool IsClosed() const override { return !Source; }
    void BeginLevel(int level) override;
    void CommitLevel(int level) override;
    void RollbackLevel(int level) override;
    void RefreshCache() override { NoteChange(); }

    // --- For the recordsets and definitions of the source ---
    void CheckOpen() const;
    odbc::Connection& Connection() const;
    bool IsReadOnly() const { return ReadOnly; }
    int CursorDriver() const { return Cursors; }
    // The tables and views of the source, as it names them.
    struct TableEntry {
        std::string Name;
        bool System = false;
        bool View = false;
    };
    const std::vector<TableEntry>& Tables();
    // The source's spelling of a table name (any letter case), or nothing.
    std::optional<std::string> TableSpelling(std::string_view name);
    bool IsView(const std::string& table);
    // A table's fields and indexes as the driver describes them (ids count
    // from 1 in the source's order); 3078 for a table the source lacks.
    const catalog::TableInfo& Describe(const std::string& table);
    // Reads the table's description again when next asked for.
    void ForgetDescription(const std::string& table) { Descriptions.erase(table); }
    // Other names for tables of the source, as a database of ours links them
    // (upper-case local name -> the source's table).
    using Aliases = std::map<std::string, std::string>;
    // The engine's dialect for this source; nothing is translated with
    // `passThrough`.
    odbc::OdbcStatement Translate(const std::string& text, bool passThrough, const Aliases& aliases = {});
    // A statement handle with the database's query timeout.
    std::unique_ptr<odbc::Statement> NewStatement();
    // Grows whenever rows may have changed: writes through this connection,
    // rollbacks, and the engine's Idle with dbRefreshCache.
    std::uint64_t Generation() const { return ChangeGeneration; }
    void NoteChange() { ++ChangeGeneration; }
    // A connection of the engine's own functions for criteria and sorting
    // of rows read from the source.
    sqlite::Connection& Scratch();

    // Runs a statement (of the engine's dialect unless `passThrough`) with
    // the values of its declared parameters.
    void ExecuteStatement(const std::string& text, const std::vector<Variant>& parameters, bool passThrough,
                          const Aliases& aliases = {});
    RecordsetPtr OpenStatement(const std::string& text, const std::string& name, int type, int options,
                               int lockEdits, const std::vector<Variant>& parameters, long maxRecords,
                               const Aliases& aliases = {});
    void AddRecordset(const std::shared_ptr<OdbcRecordset>& recordset);
    void ForgetQueryDef(const std::string& name);

protected:
    jet::Workspace& TransactionWorkspace() override;

private:
    class TableDefCollection;
    class QueryDefCollection;

    std::shared_ptr<WorkspaceImpl> Workspace;
    std::unique_ptr<odbc::Connection> Source;
    std::string SourceName;
    bool ReadOnly = false;
    int Cursors = dbUseDefaultCursor;
    int Timeout = 60;
    long Affected = 0;
    int JoinedLevels = 0;
    std::uint64_t ChangeGeneration = 1;
    std::optional<std::vector<TableEntry>> TableList;
    std::map<std::string, catalog::TableInfo> Descriptions;
    std::unique_ptr<sqlite::Connection> ScratchDb;
    std::vector<std::weak_ptr<OdbcRecordset>> OpenRecordsets;
    std::vector<QueryDefPtr> SessionQueries;
    std::unique_ptr<TableDefCollection> TableDefList;
    std::unique_ptr<QueryDefCollection> QueryDefList;
    std::unique_ptr<ComputedCollection<Recordset>> RecordsetList;
    ListCollection<Container> NoContainers;
    ListCollection<Relation> NoRelations;
    std::unique_ptr<ComputedProperties> PropertyList;
};

// The values of a statement's "?" markers from its declared parameters'
// values (3061 when one is missing), each in its declared type.
std::vector<Variant> MarkerValues(const odbc::OdbcStatement& statement, const std::vector<Variant>& values);

} // namespace jet::impl
