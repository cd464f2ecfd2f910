// A database file of ours reaching ODBC sources: tables linked from a
// source (a table definition whose Connect is an ODBC connect text and whose
// SourceTableName names the source's table) and pass-through queries. The
// file keeps the link; the rows stay at the source, so a statement that
// names linked tables of one source runs there, the link names standing for
// the source's tables.
#include "platform/jet/EngineImpl.h"

#include "platform/jet/Collation.h"
#include "platform/jet/OdbcDatabase.h"

namespace jet::impl {
namespace {

struct OdbcRoute {
    std::shared_ptr<OdbcDatabaseImpl> Source;
    OdbcDatabaseImpl::Aliases Aliases;
};

// Records the names a statement's translation resolves.
class RecordingResolver : public sql::NameResolver {
public:
    explicit RecordingResolver(const sql::NameResolver& inner) : Inner(inner) {}
    sql::NameBinding ResolveTable(std::string_view name) const override
    {
        Names.emplace_back(name);
        return Inner.ResolveTable(name);
    }
    mutable std::vector<std::string> Names;

private:
    const sql::NameResolver& Inner;
};

// The connect text without its password items.
std::string WithoutPassword(const std::string& connect)
{
    std::string kept;
    bool first = true;
    for (const std::string& item : odbc::ConnectItems(connect)) {
        const std::string key = AsciiUpper(item.substr(0, item.find('=')));
        if (key != "PWD" && key != "PASSWORD")
            kept += (first ? "" : ";") + item;
        first = false;
    }
    return kept;
}

std::optional<OdbcRoute> RouteOf(DatabaseImpl& database, const std::string& sql)
{
    const auto& tables = database.Catalog().Tables;
    if (std::none_of(tables.begin(), tables.end(), [](const auto& table) { return DatabaseImpl::IsOdbcLink(table); }))
        return std::nullopt;
    RecordingResolver recorder(database);
    const sql::Translation translation = sql::TranslateStatement(sql, recorder);
    std::vector<const catalog::TableInfo*> links;
    bool others = false;
    for (const std::string& name : recorder.Names) {
        const catalog::TableInfo* table = database.Catalog().FindTable(name);
        if (table && DatabaseImpl::IsOdbcLink(*table))
            links.push_back(table);
        else if (table || database.Catalog().FindQuery(name))
            others = true;
    }
    if (links.empty())
        return std::nullopt;
    for (const catalog::TableInfo* link : links)
        others = others || link->Connect != links.front()->Connect;
    if (others || translation.Kind == sql::StatementKind::SelectInto)
        RaiseNotSupported("Statements that join linked ODBC tables with tables of other databases");
    OdbcRoute route;
    route.Source = database.OdbcSource(links.front()->Connect);
    for (const catalog::TableInfo* link : links)
        route.Aliases[AsciiUpper(link->Name)] = link->SourceTable;
    return route;
}

} // namespace

bool DatabaseImpl::IsOdbcLink(const catalog::TableInfo& table)
{
    return table.IsLink() && SameName(ParseConnect(table.Connect).Type, "ODBC");
}

std::shared_ptr<OdbcDatabaseImpl> DatabaseImpl::OdbcSource(const std::string& connect)
{
    if (const auto found = OdbcSources.find(connect); found != OdbcSources.end() && !found->second->IsClosed())
        return found->second;
    auto source = std::make_shared<OdbcDatabaseImpl>(State, nullptr, "", connect, ReadOnlyFile, dbUseDefaultCursor);
    for (int level = 1; level <= JoinedLevels; ++level)
        source->BeginLevel(level);
    OdbcSources[connect] = source;
    return source;
}

std::vector<std::shared_ptr<OdbcDatabaseImpl>> DatabaseImpl::OpenOdbcSources() const
{
    std::vector<std::shared_ptr<OdbcDatabaseImpl>> sources;
    for (const auto& [connect, source] : OdbcSources)
        if (!source->IsClosed() && std::find(sources.begin(), sources.end(), source) == sources.end())
            sources.push_back(source);
    return sources;
}

std::string DatabaseImpl::PrepareOdbcLink(const catalog::TableInfo& link)
{
    if (link.SourceTable.empty())
        Raise(errObjectNotFound, "The database engine could not find the object ''.", "DAO.Database");
    const std::shared_ptr<OdbcDatabaseImpl> source = OdbcSource(link.Connect);
    if (const std::optional<std::string> spelled = source->TableSpelling(link.SourceTable))
        source->ForgetDescription(*spelled);
    source->Describe(link.SourceTable);  // 3078 when the source lacks the table
    const std::string kept = (link.Attributes & dbAttachSavePWD) != 0 ? link.Connect : WithoutPassword(link.Connect);
    // This session goes on with the source connected with the password.
    OdbcSources[kept] = source;
    return kept;
}

bool DatabaseImpl::ExecuteAtOdbcSource(const std::string& sql, const std::vector<Variant>& parameters)
{
    const std::optional<OdbcRoute> route = RouteOf(*this, sql);
    if (!route)
        return false;
    route->Source->ExecuteStatement(sql, parameters, false, route->Aliases);
    Affected = route->Source->RecordsAffected();
    return true;
}

RecordsetPtr DatabaseImpl::OpenAtOdbcSource(const std::string& sql, const std::string& name, int type, int options,
                                            int lockEdits, const std::vector<Variant>& parameters, long maxRecords)
{
    const std::optional<OdbcRoute> route = RouteOf(*this, sql);
    if (!route)
        return nullptr;
    return route->Source->OpenStatement(sql, name, type, options, lockEdits, parameters, maxRecords, route->Aliases);
}

} // namespace jet::impl
