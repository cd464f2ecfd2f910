#include "platform/jet/OdbcDatabase.h"

#include "platform/jet/Collation.h"
#include "platform/jet/OdbcDefinitions.h"
#include "platform/jet/OdbcRecordset.h"

#include <algorithm>
#include <cctype>

namespace jet::impl {
namespace {

const std::string DatabaseSource = "DAO.Database";

[[noreturn]] void TableNotFound(const std::string& name)
{
    Raise(errInputTableNotFound,
          "The database engine cannot find the input table or query '" + name
              + "'. Make sure it exists and that its name is spelled correctly.",
          DatabaseSource);
}

// What an error names the source by: its DSN, else the name given.
std::string DisplayName(const std::string& name, const std::string& connect)
{
    const ConnectInfo info = ParseConnect(connect);
    const std::string dsn = info.Value("DSN");
    if (!dsn.empty())
        return dsn;
    return name.find('=') == std::string::npos ? name : std::string();
}

std::string SavepointName(int level)
{
    return "jet_level_" + std::to_string(level);
}

bool StartsStatement(const std::string& text)
{
    std::size_t end = 0;
    while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end])))
        ++end;
    const std::string word = text.substr(0, end);
    return end < text.size() && (SameName(word, "SELECT") || SameName(word, "PARAMETERS") || SameName(word, "TRANSFORM"));
}

} // namespace

// ------------------------------------------------------------- collections

class OdbcDatabaseImpl::TableDefCollection : public Collection<TableDef> {
public:
    explicit TableDefCollection(OdbcDatabaseImpl& owner) : Owner(owner) {}
    int Count() const override
    {
        return Owner.Guarded([&] { return static_cast<int>(Owner.Tables().size()); });
    }
    TableDefPtr Item(int index) const override
    {
        return Owner.Guarded([&] {
            const auto& tables = Owner.Tables();
            if (index < 0 || index >= static_cast<int>(tables.size()))
                Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
            const TableEntry& entry = tables[static_cast<std::size_t>(index)];
            return MakeOdbcTableDef(Owner.shared_from_this(), entry.Name, entry.System);
        });
    }
    TableDefPtr Item(std::string_view name) const override
    {
        return Owner.Guarded([&] {
            for (const TableEntry& entry : Owner.Tables())
                if (entry.Name == name)
                    return MakeOdbcTableDef(Owner.shared_from_this(), entry.Name, entry.System);
            for (const TableEntry& entry : Owner.Tables())
                if (SameName(entry.Name, name))
                    return MakeOdbcTableDef(Owner.shared_from_this(), entry.Name, entry.System);
            Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
        });
    }
    void Refresh() override
    {
        Owner.Guarded([&] {
            Owner.CheckOpen();
            Owner.TableList.reset();
            Owner.Descriptions.clear();
        });
    }
    void Append(const TableDefPtr&) override { Owner.Guarded([&] { RaiseSchemaChange(); }); }
    void Delete(std::string_view) override { Owner.Guarded([&] { RaiseSchemaChange(); }); }

private:
    OdbcDatabaseImpl& Owner;
};

class OdbcDatabaseImpl::QueryDefCollection : public Collection<QueryDef> {
public:
    explicit QueryDefCollection(OdbcDatabaseImpl& owner) : Owner(owner) {}
    int Count() const override { return static_cast<int>(Owner.SessionQueries.size()); }
    QueryDefPtr Item(int index) const override
    {
        if (index < 0 || index >= Count())
            Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
        return Owner.SessionQueries[static_cast<std::size_t>(index)];
    }
    using Collection<QueryDef>::Item;
    void Append(const QueryDefPtr& object) override
    {
        Owner.Guarded([&] {
            Owner.CheckOpen();
            catalog::CheckName(object->Name());
            for (const QueryDefPtr& query : Owner.SessionQueries) {
                if (query == object || SameName(query->Name(), object->Name()))
                    Raise(errAlreadyInCollection,
                          "Cannot append. An object with that name already exists in the collection.",
                          DatabaseSource);
            }
            Owner.SessionQueries.push_back(object);
        });
    }
    void Delete(std::string_view name) override
    {
        Owner.Guarded([&] {
            auto& queries = Owner.SessionQueries;
            const auto found = std::find_if(queries.begin(), queries.end(),
                                            [&](const QueryDefPtr& query) { return SameName(query->Name(), name); });
            if (found == queries.end())
                Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
            queries.erase(found);
        });
    }

private:
    OdbcDatabaseImpl& Owner;
};

// ---------------------------------------------------------------- database

std::shared_ptr<WorkspaceDatabase> OpenOdbcSource(std::shared_ptr<ErrorState> state,
                                                  std::shared_ptr<WorkspaceImpl> workspace, const std::string& name,
                                                  bool readOnly, const std::string& connect, int cursorDriver)
{
    return std::make_shared<OdbcDatabaseImpl>(std::move(state), std::move(workspace), name, connect, readOnly,
                                              cursorDriver);
}

OdbcDatabaseImpl::OdbcDatabaseImpl(std::shared_ptr<ErrorState> state, std::shared_ptr<WorkspaceImpl> workspace,
                                   std::string name, std::string connect, bool readOnly, int cursorDriver)
    : EngineObject(std::move(state)), Workspace(std::move(workspace)), ReadOnly(readOnly), Cursors(cursorDriver),
      TableDefList(std::make_unique<TableDefCollection>(*this)),
      QueryDefList(std::make_unique<QueryDefCollection>(*this)),
      RecordsetList(std::make_unique<ComputedCollection<Recordset>>([this] {
          std::vector<RecordsetPtr> items;
          for (const auto& weak : OpenRecordsets)
              if (auto recordset = weak.lock(); recordset && !IsClosed())
                  items.push_back(recordset);
          return items;
      }))
{
    SourceName = DisplayName(name, connect);
    Source = std::make_unique<odbc::Connection>(odbc::ConnectionString(connect, name), readOnly, SourceName);
    PropertyList = std::make_unique<ComputedProperties>([this] {
        std::vector<PropertyPtr> items = {
            std::make_shared<ValueProperty>("Name", dbText, Variant(SourceName)),
            std::make_shared<ValueProperty>("Connect", dbText, Variant(Connect())),
            std::make_shared<ValueProperty>("QueryTimeout", dbInteger, Variant(Timeout)),
            std::make_shared<ValueProperty>("Updatable", dbBoolean, Variant(!ReadOnly)),
            std::make_shared<ValueProperty>("RecordsAffected", dbLong, Variant(static_cast<int>(Affected))),
        };
        if (Source) {
            items.push_back(
                std::make_shared<ValueProperty>("Transactions", dbBoolean, Variant(Source->SupportsTransactions())));
            items.push_back(std::make_shared<ValueProperty>("Version", dbText, Variant(Source->DbmsVersion())));
            items.push_back(std::make_shared<ValueProperty>("DBMSName", dbText, Variant(Source->DbmsName())));
        }
        return items;
    });
}

OdbcDatabaseImpl::~OdbcDatabaseImpl()
{
    for (const auto& weak : OpenRecordsets)
        if (auto recordset = weak.lock())
            recordset->Detach();
}

void OdbcDatabaseImpl::CheckOpen() const
{
    if (!Source)
        RaiseClosed();
}

odbc::Connection& OdbcDatabaseImpl::Connection() const
{
    CheckOpen();
    return *Source;
}

std::string OdbcDatabaseImpl::Connect() const
{
    return Source ? "ODBC;" + Source->Completed() : std::string();
}

void OdbcDatabaseImpl::Close()
{
    Guarded([&] {
        CheckOpen();
        for (int level = JoinedLevels; level >= 1; --level)
            RollbackLevel(level);
        if (Workspace)
            Workspace->RemoveDatabase(this);
        for (const auto& weak : OpenRecordsets)
            if (auto recordset = weak.lock())
                recordset->Detach();
        OpenRecordsets.clear();
        SessionQueries.clear();
        Source.reset();
    });
}

std::string OdbcDatabaseImpl::Version() const
{
    return Guarded([&] { return Connection().DbmsVersion(); });
}

int OdbcDatabaseImpl::CollatingOrder() const
{
    return Guarded([&] {
        CheckOpen();
        return static_cast<int>(dbSortUndefined);
    });
}

void OdbcDatabaseImpl::NewPassword(const std::string&, const std::string&)
{
    Guarded([&] { RaiseNotSupported("Password changes of ODBC sources (ODBC has no call for them)"); });
}

Collection<TableDef>& OdbcDatabaseImpl::TableDefs()
{
    return *TableDefList;
}

Collection<QueryDef>& OdbcDatabaseImpl::QueryDefs()
{
    return *QueryDefList;
}

Collection<Recordset>& OdbcDatabaseImpl::Recordsets()
{
    return *RecordsetList;
}

const std::vector<OdbcDatabaseImpl::TableEntry>& OdbcDatabaseImpl::Tables()
{
    CheckOpen();
    if (!TableList) {
        std::vector<TableEntry> tables;
        const auto statement = NewStatement();
        statement->Tables("TABLE,VIEW,SYSTEM TABLE");
        const bool sqlite = SameName(Source->DbmsName(), "SQLite");
        while (statement->Fetch()) {
            TableEntry entry;
            entry.Name = statement->Text(3);
            const std::string type = AsciiUpper(statement->Text(4));
            // SQLite keeps its own tables under names beginning "sqlite_".
            entry.System = type.find("SYSTEM") != std::string::npos
                || (sqlite && AsciiUpper(entry.Name).rfind("SQLITE_", 0) == 0);
            entry.View = type == "VIEW";
            if (!entry.Name.empty())
                tables.push_back(std::move(entry));
        }
        // By name, as the engine lists the tables of its own files.
        std::sort(tables.begin(), tables.end(),
                  [](const TableEntry& a, const TableEntry& b) { return CompareText(a.Name, b.Name) < 0; });
        TableList = std::move(tables);
    }
    return *TableList;
}

std::optional<std::string> OdbcDatabaseImpl::TableSpelling(std::string_view name)
{
    const auto& tables = Tables();
    for (const TableEntry& entry : tables)
        if (entry.Name == name)
            return entry.Name;
    for (const TableEntry& entry : tables)
        if (SameName(entry.Name, name))
            return entry.Name;
    return std::nullopt;
}

bool OdbcDatabaseImpl::IsView(const std::string& table)
{
    for (const TableEntry& entry : Tables())
        if (entry.Name == table)
            return entry.View;
    return false;
}

const catalog::TableInfo& OdbcDatabaseImpl::Describe(const std::string& table)
{
    CheckOpen();
    const std::optional<std::string> spelled = TableSpelling(table);
    if (!spelled)
        TableNotFound(table);
    if (const auto found = Descriptions.find(*spelled); found != Descriptions.end())
        return found->second;
    return Descriptions.emplace(*spelled, DescribeOdbcTable(*this, *spelled)).first->second;
}

odbc::OdbcStatement OdbcDatabaseImpl::Translate(const std::string& text, bool passThrough, const Aliases& aliases)
{
    CheckOpen();
    if (passThrough) {
        odbc::OdbcStatement statement;
        statement.Sql = text;
        statement.Kind = StartsStatement(odbc::Trimmed(text)) ? sql::StatementKind::Select : sql::StatementKind::Other;
        return statement;
    }
    odbc::SourceNames names;
    names.Table = [&](std::string_view name) {
        if (const auto alias = aliases.find(AsciiUpper(name)); alias != aliases.end())
            return TableSpelling(alias->second);
        return TableSpelling(name);
    };
    names.Column = [this](const std::vector<std::string>& tables, std::string_view name) -> std::optional<std::string> {
        for (const std::string& table : tables) {
            try {
                if (const catalog::ColumnDef* column = Describe(table).FindColumn(name))
                    return column->Name;
            } catch (const EngineError&) {
                // A table the source lacks: its driver says so when the statement runs.
            }
        }
        return std::nullopt;
    };
    return odbc::TranslateForOdbc(text, Source->IdentifierQuote(), names);
}

std::unique_ptr<odbc::Statement> OdbcDatabaseImpl::NewStatement()
{
    auto statement = std::make_unique<odbc::Statement>(Connection());
    if (Timeout != 60)
        statement->SetQueryTimeout(Timeout);
    return statement;
}

sqlite::Connection& OdbcDatabaseImpl::Scratch()
{
    if (!ScratchDb)
        ScratchDb = std::make_unique<sqlite::Connection>(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY);
    return *ScratchDb;
}

RecordsetPtr OdbcDatabaseImpl::OpenRecordset(const std::string& source, int type, int options, int lockEdits)
{
    return Guarded([&]() -> RecordsetPtr {
        CheckOpen();
        const std::string text = odbc::Trimmed(source);
        if ((options & dbSQLPassThrough) != 0 || StartsStatement(text))
            return OpenStatement(text, text, type, options, lockEdits, {}, 0);
        std::string name = text;
        if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
            name = name.substr(1, name.size() - 2);
        for (const QueryDefPtr& query : SessionQueries)
            if (SameName(query->Name(), name)) {
                if (type == dbOpenTable)
                    Raise(errInvalidOperation, "Invalid operation. A query opens as a dynaset or snapshot.",
                          DatabaseSource);
                return query->OpenRecordset(type, options, lockEdits);
            }
        const std::optional<std::string> table = TableSpelling(name);
        if (!table)
            TableNotFound(name);
        return OpenStatement("SELECT * FROM [" + *table + "]", *table, type, options, lockEdits, {}, 0);
    });
}

RecordsetPtr OdbcDatabaseImpl::OpenStatement(const std::string& text, const std::string& name, int type, int options,
                                             int lockEdits, const std::vector<Variant>& parameters, long maxRecords,
                                             const Aliases& aliases)
{
    CheckOpen();
    const bool passThrough = (options & dbSQLPassThrough) != 0;
    const odbc::OdbcStatement statement = Translate(text, passThrough, aliases);
    if (!passThrough && statement.Kind != sql::StatementKind::Select)
        Raise(errInvalidOperation, "Invalid operation. Only a select query opens as a recordset.", DatabaseSource);
    return OpenOdbcRecordset(shared_from_this(), text, name, statement, MarkerValues(statement, parameters), type,
                             options, lockEdits, maxRecords);
}

void OdbcDatabaseImpl::Execute(const std::string& sqlText, int options)
{
    Guarded([&] {
        CheckOpen();
        ExecuteStatement(sqlText, {}, (options & dbSQLPassThrough) != 0);
    });
}

void OdbcDatabaseImpl::ExecuteStatement(const std::string& text, const std::vector<Variant>& parameters,
                                        bool passThrough, const Aliases& aliases)
{
    CheckOpen();
    const odbc::OdbcStatement statement = Translate(text, passThrough, aliases);
    if (!passThrough && statement.Kind == sql::StatementKind::Select)
        Raise(errCannotExecuteSelect, "Cannot execute a select query.", DatabaseSource);
    if (ReadOnly)
        Raise(errReadOnly, "Cannot update. Database or object is read-only.", DatabaseSource);
    const std::vector<Variant> values = MarkerValues(statement, parameters);
    Affected = 0;
    const auto handle = NewStatement();
    if (values.empty()) {
        handle->ExecDirect(statement.Sql);
    } else {
        handle->Prepare(statement.Sql);
        handle->BindParameters(values);
        handle->Execute();
    }
    Affected = std::max(handle->RowCount(), 0L);
    NoteChange();
    const auto kind = statement.Kind;
    if (kind != sql::StatementKind::Insert && kind != sql::StatementKind::Update
        && kind != sql::StatementKind::Delete) {
        // A statement that may have changed definitions.
        TableList.reset();
        Descriptions.clear();
    }
}

TableDefPtr OdbcDatabaseImpl::CreateTableDef(const std::string&, int, const std::string&, const std::string&)
{
    return Guarded([&]() -> TableDefPtr { RaiseSchemaChange(); });
}

RelationPtr OdbcDatabaseImpl::CreateRelation(const std::string&, const std::string&, const std::string&, int)
{
    return Guarded([&]() -> RelationPtr { RaiseSchemaChange(); });
}

QueryDefPtr OdbcDatabaseImpl::CreateQueryDef(const std::string& name, const std::string& sqlText)
{
    return Guarded([&]() -> QueryDefPtr {
        CheckOpen();
        QueryDefPtr query = MakeOdbcQueryDef(shared_from_this(), name, sqlText);
        if (!name.empty())
            QueryDefList->Append(query);
        return query;
    });
}

void OdbcDatabaseImpl::ForgetQueryDef(const std::string& name)
{
    SessionQueries.erase(std::remove_if(SessionQueries.begin(), SessionQueries.end(),
                                        [&](const QueryDefPtr& query) { return SameName(query->Name(), name); }),
                         SessionQueries.end());
}

jet::Workspace& OdbcDatabaseImpl::TransactionWorkspace()
{
    return Guarded([&]() -> jet::Workspace& {
        CheckOpen();
        if (!Workspace)
            RaiseClosed();
        return *Workspace;
    });
}

void OdbcDatabaseImpl::BeginLevel(int level)
{
    CheckOpen();
    if (!Source->SupportsTransactions())
        RaiseNotSupported("Transactions on an ODBC source whose driver has none");
    if (level == 1)
        Source->SetAutoCommit(false);
    else
        Source->Exec("SAVEPOINT " + odbc::QuoteName(SavepointName(level), Source->IdentifierQuote()));
    JoinedLevels = level;
}

void OdbcDatabaseImpl::CommitLevel(int level)
{
    if (!Source || JoinedLevels < level)
        return;
    if (level == 1) {
        Source->EndTransaction(true);
        Source->SetAutoCommit(true);
    } else {
        Source->Exec("RELEASE SAVEPOINT " + odbc::QuoteName(SavepointName(level), Source->IdentifierQuote()));
    }
    JoinedLevels = level - 1;
}

void OdbcDatabaseImpl::RollbackLevel(int level)
{
    if (!Source || JoinedLevels < level)
        return;
    JoinedLevels = level - 1;
    NoteChange();
    if (level == 1) {
        Source->EndTransaction(false);
        Source->SetAutoCommit(true);
    } else {
        const std::string name = odbc::QuoteName(SavepointName(level), Source->IdentifierQuote());
        Source->Exec("ROLLBACK TO SAVEPOINT " + name);
        Source->Exec("RELEASE SAVEPOINT " + name);
    }
}

void OdbcDatabaseImpl::AddRecordset(const std::shared_ptr<OdbcRecordset>& recordset)
{
    OpenRecordsets.erase(std::remove_if(OpenRecordsets.begin(), OpenRecordsets.end(),
                                        [](const std::weak_ptr<OdbcRecordset>& weak) { return weak.expired(); }),
                         OpenRecordsets.end());
    OpenRecordsets.push_back(recordset);
}

std::vector<Variant> MarkerValues(const odbc::OdbcStatement& statement, const std::vector<Variant>& values)
{
    const auto& declared = statement.Parameters;
    std::size_t missing = 0;
    for (std::size_t i = 0; i < declared.size(); ++i)
        if (i >= values.size() || values[i].IsEmpty())
            ++missing;
    if (missing > 0)
        Raise(errTooFewParameters, "Too few parameters. Expected " + std::to_string(missing) + ".", DatabaseSource);
    std::vector<Variant> converted;
    for (std::size_t i = 0; i < declared.size(); ++i)
        converted.push_back(ParameterValue(declared[i].Type, values[i], declared[i].Name));
    std::vector<Variant> markers;
    for (std::size_t marker : statement.Markers)
        markers.push_back(converted[marker]);
    return markers;
}

} // namespace jet::impl
