#include "dao/Daoaddons.h"

#include "dao/DaoDatabase.h"
#include "dao/Daoutils.h"
#include "platform/db/ComponentRegistry.h"
#include "platform/jet/DBEngine.h"

#include <exception>

namespace {

bool ExecuteFailOnError(const jet::DatabasePtr& database, const std::string& statement)
{
    try {
        if (!database)
            return false;
        database->Execute(statement, jet::dbFailOnError);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

bool CopyTableStructure(const jet::DatabasePtr& database, const std::string& sourceTable,
                        const std::string& newTable)
{
    // A name the brackets cannot hold is refused, as every failure is: false.
    if (!FitsBrackets(sourceTable) || !FitsBrackets(newTable))
        return false;
    return ExecuteFailOnError(database, "SELECT * INTO [" + newTable + "] FROM [" + sourceTable + "] WHERE 1=2;");
}

bool CopyTable(const jet::DatabasePtr& database, const std::string& sourceTable, const std::string& destinationTable)
{
    if (!FitsBrackets(sourceTable) || !FitsBrackets(destinationTable))
        return false;
    return ExecuteFailOnError(database, "INSERT INTO [" + destinationTable + "] SELECT * FROM [" + sourceTable + "];");
}

std::unique_ptr<platform::TStringList> GetAllDaoEngines()
{
    auto versions = std::make_unique<platform::TStringList>();
    versions->SetSorted(true);
    versions->SetDuplicates(platform::TStringList::dupIgnore);
    const auto tryEngine = [&](const char* progId, const char* version) {
        try {
            const jet::DBEnginePtr engine = jet::CreateEngineObject(progId);
            versions->Add(version ? std::string(version) : engine->Version());
        } catch (const std::exception&) {
        }
    };
    tryEngine("DAO.PrivateDBEngine.35", "3.5");
    tryEngine("DAO.PrivateDBEngine.36", "3.6");
    tryEngine("DAO.PrivateDBEngine", nullptr);
    return versions;
}

void Register()
{
    RegisterComponents("Data Access",
                       {{"TDaoDatabase", [](TComponent* owner) -> TComponent* { return new TDaoDatabase(owner); }}});
}
