#include "JetFixture.h"

#include <thread>

using namespace jettest;

namespace {

const char* const ProgIds[] = {"DAO.DBEngine.35", "DAO.DBEngine.36", "DAO.PrivateDBEngine.35",
                               "DAO.PrivateDBEngine.36", "DAO.PrivateDBEngine"};

struct OfferCase {
    std::vector<std::string> versions;
    std::vector<bool> registered;  // per ProgIds entry
    std::string newest;
};

TEST(Engine, ClassesOfferTheVersionsGiven)
{
    const OfferCase cases[] = {
        {{}, {false, false, false, false, false}, ""},
        {{"3.6"}, {false, true, false, true, true}, "3.6"},
        {{"3.5"}, {true, false, true, false, true}, "3.5"},
        {{"3.5", "3.6"}, {true, true, true, true, true}, "3.6"},
    };
    for (const OfferCase& c : cases) {
        auto classes = jet::MakeEngineClasses(c.versions);
        for (std::size_t i = 0; i < std::size(ProgIds); ++i) {
            EXPECT_EQ(classes->IsRegistered(ProgIds[i]), c.registered[i]) << ProgIds[i];
            if (c.registered[i])
                EXPECT_FALSE(classes->Create(ProgIds[i])->Version().empty());
            else
                EXPECT_THROW(classes->Create(ProgIds[i]), jet::EngineError) << ProgIds[i];
        }
        if (!c.newest.empty())
            EXPECT_EQ(classes->Create("DAO.PrivateDBEngine")->Version(), c.newest);
    }
    auto both = jet::MakeEngineClasses();
    EXPECT_EQ(both->Create("dao.dbengine.35")->Version(), "3.5");
    EXPECT_FALSE(both->IsRegistered("DAO.DBEngine.40"));
    EXPECT_FALSE(both->IsRegistered("DAO.DBEngine"));
}

TEST(Engine, SharedIdentifiersAnswerOneEnginePrivateOnesANewEach)
{
    auto classes = jet::MakeEngineClasses();
    EXPECT_EQ(classes->Create("DAO.DBEngine.36"), classes->Create("DAO.DBEngine.36"));
    EXPECT_NE(classes->Create("DAO.DBEngine.36"), classes->Create("DAO.DBEngine.35"));
    EXPECT_NE(classes->Create("DAO.PrivateDBEngine.36"), classes->Create("DAO.PrivateDBEngine.36"));
}

TEST(Engine, InstalledClassesCanBeReplacedForTests)
{
    jet::InstallEngineClasses(jet::MakeEngineClasses({"3.6"}));
    EXPECT_FALSE(jet::IsEngineClassRegistered("DAO.DBEngine.35"));
    EXPECT_EQ(jet::CreateEngineObject("DAO.DBEngine.36")->Version(), "3.6");
    try {
        jet::CreateEngineObject("DAO.DBEngine.35");
        FAIL();
    } catch (const jet::EngineError& error) {
        EXPECT_EQ(error.Number(), jet::errClassNotRegistered);
    }
    jet::InstallEngineClasses(nullptr);
    EXPECT_TRUE(jet::IsEngineClassRegistered("DAO.DBEngine.35"));
}

TEST(Engine, JetWorkspacesTakeOnlyTheAdminAccount)
{
    auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    EXPECT_EQ(engine->CreateWorkspace("W", "ADMIN", "")->Name(), "W");
    engine->SetDefaultUser("admin");
    EXPECT_EQ(engine->CreateWorkspace("W", "", "")->Name(), "W");
    const std::pair<std::function<void()>, int> cases[] = {
        {[&] { engine->CreateWorkspace("W", "guest", ""); }, jet::errAccount},
        {[&] { engine->CreateWorkspace("W", "Admin", "secret"); }, jet::errAccount},
        {[&] { engine->CreateWorkspace("W", "Admin", "", 3); }, jet::errInvalidArgument},
        {[&] { engine->CreateWorkspace("a.b", "Admin", ""); }, jet::errWrongName},
        {[&] { engine->CreateWorkspace("", "Admin", ""); }, jet::errWrongName},
        {[&] { engine->SetDefaultType(0); }, jet::errInvalidArgument},
    };
    for (const auto& [action, number] : cases)
        EXPECT_EQ(ErrorOf(action), number);
    // An ODBC direct workspace's account is each source's to check.
    EXPECT_EQ(engine->CreateWorkspace("W", "guest", "secret", jet::dbUseODBC)->Name(), "W");
    engine->SetDefaultType(jet::dbUseODBC);
    EXPECT_EQ(engine->DefaultType(), jet::dbUseODBC);
}

TEST(Engine, ErrorsHoldTheLastFailureUntilTheNextOne)
{
    auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    EXPECT_EQ(engine->Errors().Count(), 0);
    EXPECT_THROW(engine->CreateWorkspace("W", "guest", ""), jet::EngineError);
    ASSERT_EQ(engine->Errors().Count(), 1);
    EXPECT_EQ(engine->Errors().Item(0)->Number(), jet::errAccount);
    EXPECT_FALSE(engine->Errors().Item(0)->Description().empty());
    EXPECT_FALSE(engine->Errors().Item(0)->Source().empty());

    auto workspace = engine->CreateWorkspace("W", "admin", "");
    EXPECT_EQ(engine->Errors().Item(0)->Number(), jet::errAccount);  // success leaves them
    EXPECT_THROW(workspace->OpenDatabase("/nonexistent/file.mdb"), jet::EngineError);
    ASSERT_EQ(engine->Errors().Count(), 1);
    EXPECT_EQ(engine->Errors().Item(0)->Number(), jet::errFileNotFound);
}

TEST(Engine, ClosedWorkspacesLeaveTheCollectionAndRefuseEverything)
{
    auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    auto first = engine->CreateWorkspace("DaoWorkspace", "Admin", "");
    auto second = engine->CreateWorkspace("DaoWorkspace", "Admin", "");
    engine->Workspaces().Append(first);
    engine->Workspaces().Append(second);
    EXPECT_EQ(engine->Workspaces().Count(), 2);
    EXPECT_EQ(engine->Workspaces().Item("daoworkspace"), first);
    first->Close();
    EXPECT_EQ(engine->Workspaces().Count(), 1);
    EXPECT_EQ(engine->Workspaces().Item(0), second);
    EXPECT_EQ(ErrorOf([&] { first->BeginTrans(); }), jet::errObjectClosed);
    EXPECT_EQ(ErrorOf([&] { engine->Workspaces().Append(first); }), jet::errObjectClosed);
    EXPECT_EQ(ErrorOf([&] { engine->Workspaces().Item(5); }), jet::errItemNotFound);
}

TEST(Engine, FeaturesWithoutCounterpartSayTheyAreNotSupported)
{
    auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    auto workspace = engine->CreateWorkspace("W", "Admin", "");
    const std::function<void()> cases[] = {
        [&] { workspace->DefaultCursorDriver(); },
        [&] { workspace->SetDefaultCursorDriver(jet::dbUseDefaultCursor); },
        [&] { workspace->OpenDatabase("x.wk3", false, false, "Lotus WK3;"); },
        [&] { workspace->CreateDatabase("x.mdb", ";LANGID=0x0409;CP=1252;COUNTRY=0", jet::dbEncrypt); },
        [&] { engine->CompactDatabase("a.mdb", "b.mdb", "", jet::dbEncrypt); },
    };
    for (const auto& action : cases) {
        try {
            action();
            ADD_FAILURE() << "no error";
        } catch (const jet::EngineError& error) {
            EXPECT_EQ(error.Number(), jet::errNotSupported);
            EXPECT_NE(error.Description().find("not supported"), std::string::npos) << error.Description();
        }
    }
}

TEST(Engine, AutomationInitialisationIsCountedPerThread)
{
    EXPECT_EQ(jet::CoInitialize(), 0);
    EXPECT_EQ(jet::CoInitialize(), 1);
    long onOtherThread = -1;
    std::thread([&] {
        onOtherThread = jet::CoInitialize();
        jet::CoUninitialize();
    }).join();
    EXPECT_EQ(onOtherThread, 0);
    jet::CoUninitialize();
    jet::CoUninitialize();
    EXPECT_EQ(jet::CoInitialize(), 0);
    jet::CoUninitialize();
}

} // namespace
