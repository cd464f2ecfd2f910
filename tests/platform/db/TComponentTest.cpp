#include "platform/db/TComponent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A component whose second property depends on the first, as DatabaseType
// empties Database, and which records what it hears.
class Probe : public TComponent {
public:
    explicit Probe(TComponent* owner = nullptr, std::vector<std::string>* log = nullptr)
        : TComponent(owner), Log(log)
    {
    }
    ~Probe() override
    {
        if (Log)
            Log->push_back("freed " + Name());
    }

    std::string Kind;
    std::string Target;
    bool LoadingWhenSet = false;
    std::vector<std::string>* Log;

    std::vector<TPublishedProperty> PublishedProperties() const override
    {
        return {
            {"Kind", [](const TComponent& c) { return static_cast<const Probe&>(c).Kind; },
             [](TComponent& c, const std::string& v) {
                 auto& self = static_cast<Probe&>(c);
                 self.Kind = v;
                 self.Target.clear();
                 self.LoadingWhenSet = self.IsLoading();
             }},
            {"Target", [](const TComponent& c) { return static_cast<const Probe&>(c).Target; },
             [](TComponent& c, const std::string& v) { static_cast<Probe&>(c).Target = v; }},
        };
    }

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (Log && operation == opRemove)
            Log->push_back(Name() + " heard " + component->Name());
    }
};

TEST(TComponent, ReadsPropertiesInDeclarationOrderWhateverTheStreamOrder)
{
    Probe probe;
    probe.ReadProperties({{"Target", "Config.dat"}, {"kind", "Access"}});
    EXPECT_EQ(probe.Kind, "Access");
    EXPECT_EQ(probe.Target, "Config.dat");
    EXPECT_TRUE(probe.LoadingWhenSet);
    EXPECT_TRUE(probe.IsLoading());
    probe.Loaded();
    EXPECT_FALSE(probe.IsLoading());

    const TPropertyValues written = probe.WriteProperties();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0], (std::pair<std::string, std::string>{"Kind", "Access"}));
    EXPECT_EQ(written[1], (std::pair<std::string, std::string>{"Target", "Config.dat"}));
}

TEST(TComponent, UnknownPropertyInAStreamSetsNothing)
{
    Probe probe;
    probe.Kind = "before";
    try {
        probe.ReadProperties({{"Kind", "Access"}, {"Colour", "red"}});
        FAIL() << "no error";
    } catch (const EReadError& error) {
        EXPECT_STREQ(error.what(), "Property Colour does not exist");
    }
    EXPECT_EQ(probe.Kind, "before");
}

TEST(TComponent, OwnerFreesWhatItOwnsLastFirstAndForgetsWhatWasFreedBefore)
{
    std::vector<std::string> log;
    auto owner = std::make_unique<Probe>(nullptr, &log);
    owner->SetName("Module");
    auto* first = new Probe(owner.get(), &log);
    first->SetName("First");
    auto* second = new Probe(owner.get(), &log);
    second->SetName("Second");
    auto* third = new Probe(owner.get(), &log);
    third->SetName("Third");
    EXPECT_EQ(owner->ComponentCount(), 3);
    EXPECT_EQ(owner->FindComponent("second"), second);
    EXPECT_EQ(second->Owner(), owner.get());

    // Freed on its own: the owner and its other components are told.
    delete second;
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(log, (std::vector<std::string>{"freed Second", "Module heard Second", "First heard Second",
                                             "Third heard Second"}));
    log.clear();
    owner.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"freed Module", "freed Third", "freed First"}));
}

TEST(TComponent, FreeNotificationTellsEitherSideOfTheOthersEnd)
{
    std::vector<std::string> log;
    Probe table(nullptr, &log);
    table.SetName("Table");
    {
        Probe database(nullptr, &log);
        database.SetName("Database");
        table.FreeNotification(&database);
        table.FreeNotification(&database);  // asked twice, told once
    }
    EXPECT_EQ(log, (std::vector<std::string>{"freed Database", "Table heard Database"}));

    log.clear();
    {
        Probe database(nullptr, &log);
        database.SetName("Database");
        table.FreeNotification(&database);
        table.RemoveFreeNotification(&database);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"freed Database"}));
}

TEST(TComponent, StreamTextsOfBooleansAndIntegers)
{
    EXPECT_EQ(BoolToStreamText(true), "True");
    EXPECT_TRUE(StreamTextToBool("TRUE"));
    EXPECT_TRUE(StreamTextToBool("-1"));
    EXPECT_FALSE(StreamTextToBool("false"));
    EXPECT_THROW(StreamTextToBool("yes"), EReadError);
    EXPECT_EQ(StreamTextToInt("-1"), -1);
    EXPECT_THROW(StreamTextToInt("60s"), EReadError);
}

} // namespace
