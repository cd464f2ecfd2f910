#include "dao/Daoaddons.h"

#include "platform/jet/DBEngine.h"

#include <exception>

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
