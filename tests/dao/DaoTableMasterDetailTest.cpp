#include "DaoTableFixture.h"

namespace daotabletest {
namespace {

constexpr const char* KeyOne = "{11111111-2222-3333-4444-555555555555}";
constexpr const char* ZeroKey = "{00000000-0000-0000-0000-000000000000}";

// Orders and their lines, a master dataset with its data source and a detail
// table on it.
class DaoTableMasterDetailTest : public DaoTableTest {
protected:
    void SetUp() override
    {
        DaoTableTest::SetUp();
        MakeTable("orders", {{"OrderId", jet::dbLong, 0, true}, {"Customer", jet::dbText, 50}, {"Key", jet::dbGUID}},
                  {"OrderId"});
        MakeTable("lines", {{"LineId", jet::dbLong, 0, false, jet::dbAutoIncrField},
                            {"OrderId", jet::dbLong},
                            {"Item", jet::dbText, 50},
                            {"Qty", jet::dbInteger},
                            {"Buyer", jet::dbText, 50},
                            {"OrderKey", jet::dbGUID}},
                  {"LineId"});
        Run(std::string("INSERT INTO orders VALUES (1, \"Anna\", {guid ") + KeyOne + "})");
        Run(std::string("INSERT INTO orders VALUES (2, \"Bert\", {guid ") + ZeroKey + "})");
        Run("INSERT INTO orders VALUES (3, NULL, NULL)");
        Run(std::string("INSERT INTO lines (OrderId, Item, Qty, Buyer, OrderKey) ")
            + "VALUES (1, \"bolt\", 5, \"Anna\", {guid " + KeyOne + "})");
        Run("INSERT INTO lines (OrderId, Item, Qty, Buyer) VALUES (1, \"nut\", 1, \"Anna\")");
        Run("INSERT INTO lines (OrderId, Item, Qty, Buyer) VALUES (2, \"gear\", 3, \"Bert\")");
        Run("INSERT INTO lines (OrderId, Item, Qty) VALUES (4, \"spare\", 9)");
        Connect();
        Master = std::make_unique<TDaoTable>();
        Master->SetName("Orders");
        Master->F_Set_Database(Database.get());
        Master->F_Set_TableName("orders");
        Source = std::make_unique<TDataSource>();
        Source->SetDataSet(Master.get());
    }

    void TearDown() override
    {
        Detail.reset();
        Source.reset();
        Master.reset();
        DaoTableTest::TearDown();
    }

    TDaoTable& DetailOn(const std::string& link)
    {
        Detail = std::make_unique<TDaoTable>();
        Detail->F_Set_Database(Database.get());
        Detail->F_Set_TableName("lines");
        Detail->F_Set_MasterSource(Source.get());
        Detail->F_Set_MasterFields(TStringList{link});
        return *Detail;
    }

    Strings Items() { return Values(*Detail, "Item"); }

    // The last recordset opened on the lines.
    std::string LastOpen() const
    {
        for (auto call = Recorder->Calls.rbegin(); call != Recorder->Calls.rend(); ++call)
            if (call->rfind("OpenRecordset(", 0) == 0 && call->find("lines") != std::string::npos)
                return *call;
        return {};
    }

    // The lines with a field "Customer" that looks the order's customer up
    // in the master table (not linked as a detail).
    TField& LinesWithCustomerLookup()
    {
        Detail = std::make_unique<TDaoTable>();
        Detail->F_Set_Database(Database.get());
        Detail->F_Set_TableName("lines");
        Detail->AddField("OrderId", ftInteger);
        Detail->AddField("Item", ftString, fkData, 50);
        TField& customer = Detail->AddField("Customer", ftString, fkLookup, 50);
        customer.LookupDataSet = Master.get();
        customer.KeyFields = "OrderId";
        customer.LookupKeyFields = "OrderId";
        customer.LookupResultField = "Customer";
        return customer;
    }

    std::unique_ptr<TDaoTable> Master;
    std::unique_ptr<TDataSource> Source;
    std::unique_ptr<TDaoTable> Detail;
};

TEST_F(DaoTableMasterDetailTest, TheDetailFollowsEveryMoveOfTheMaster)
{
    TDaoTable& detail = DetailOn("OrderId -> OrderId");
    detail.Open();
    EXPECT_TRUE(Master->Active()) << "the master opens with its detail";
    EXPECT_EQ(LastOpen(), "OpenRecordset(Select * From [lines] Where ([OrderId]  = 1);,2,0,3)");
    EXPECT_EQ(Items(), (Strings{"bolt", "nut"}));
    Master->Next();
    EXPECT_EQ(Items(), (Strings{"gear"}));
    Master->Next();
    EXPECT_EQ(Items(), Strings{});
    EXPECT_EQ(LastOpen(), "OpenRecordset(Select * From [lines] Where ([OrderId]  = 3);,2,0,3)");
    Master->First();
    EXPECT_EQ(Items(), (Strings{"bolt", "nut"}));
    ASSERT_TRUE(Master->Locate("Customer", "Bert", 0));
    EXPECT_EQ(Items(), (Strings{"gear"}));
    Master->Last();
    Master->MoveBy(-2);
    EXPECT_EQ(Items(), (Strings{"bolt", "nut"}));
    EXPECT_TRUE(detail.Requery());
    EXPECT_EQ(Items(), (Strings{"bolt", "nut"})) << "a requery keeps the restriction";
}

TEST_F(DaoTableMasterDetailTest, ANewDetailRecordTakesTheMastersKeyBeforeItsEventSeesIt)
{
    TDaoTable& detail = DetailOn("OrderId -> OrderId");
    std::string seen;
    detail.OnNewRecord = [&](TDataSet& dataSet) { seen = dataSet.FieldByName("OrderId").AsString(); };
    detail.Open();
    Master->Next();
    detail.Append();
    EXPECT_EQ(seen, "2");
    detail.FieldByName("Item").SetAsString("axle");
    detail.Post();
    EXPECT_EQ(Items(), (Strings{"gear", "axle"}));
}

TEST_F(DaoTableMasterDetailTest, TheDetailFollowsInsertsAndDeletesOfTheMaster)
{
    TDaoTable& detail = DetailOn("OrderId -> OrderId");
    detail.Open();
    Master->Append();
    EXPECT_EQ(Items(), Strings{}) << "a new master record has no lines yet";
    Master->FieldByName("OrderId").SetAsInteger(4);
    Master->Post();
    EXPECT_EQ(Master->FieldByName("OrderId").AsInteger(), 4);
    EXPECT_EQ(Items(), (Strings{"spare"}));
    Master->Delete();
    EXPECT_EQ(Master->FieldByName("OrderId").AsInteger(), 3);
    EXPECT_EQ(Items(), Strings{});
    Master->First();
    Master->Delete();
    EXPECT_EQ(Items(), (Strings{"gear"})) << "order 2 follows the deleted order 1";
}

TEST_F(DaoTableMasterDetailTest, AMasterBeingEditedOrWithoutControlsIsNotFollowed)
{
    TDaoTable& detail = DetailOn("OrderId -> OrderId");
    detail.Open();
    const std::size_t opens = Recorder->Calls.size();
    Master->Edit();
    Master->FieldByName("Customer").SetAsString("Anne");
    Master->FieldByName("OrderId").SetAsInteger(4);
    EXPECT_EQ(Recorder->Calls.size(), opens) << "no reopen while the master is edited";
    Master->Post();
    EXPECT_EQ(Items(), (Strings{"spare"}));

    Master->DisableControls();
    Master->Next();
    EXPECT_EQ(Items(), (Strings{"spare"}));
    Master->EnableControls();
    EXPECT_EQ(Items(), (Strings{"gear"})) << "enabling the controls catches up";
}

TEST_F(DaoTableMasterDetailTest, TheLinkIsWrittenInEitherForm)
{
    const struct {
        const char* Link;
        const char* Opened;
        Strings Items;
    } cases[] = {
        {"OrderId -> OrderId", "Select * From [lines] Where ([OrderId]  = 1);", {"bolt", "nut"}},
        {"OrderId;", "Select * From [lines] Where ([OrderId]  = 1);", {"bolt", "nut"}},
        {"Buyer -> Customer", "Select * From [lines] Where ([Buyer]  = \"Anna\");", {"bolt", "nut"}},
        {"OrderKey -> Key",
         "Select * From [lines] Where ([OrderKey]  = {guid {11111111-2222-3333-4444-555555555555}});", {"bolt"}},
        // One name alone, with neither form, links nothing.
        {"OrderId", "lines", {"bolt", "nut", "gear", "spare"}},
    };
    for (const auto& c : cases) {
        TDaoTable& detail = DetailOn(c.Link);
        detail.Open();
        EXPECT_EQ(LastOpen(), std::string("OpenRecordset(") + c.Opened + ",2,0,3)") << c.Link;
        EXPECT_EQ(Items(), c.Items) << c.Link;
        Detail.reset();
        Master->Close();
    }
}

TEST_F(DaoTableMasterDetailTest, NullAndEmptyMasterValuesRestrictToNull)
{
    TDaoTable& detail = DetailOn("Buyer -> Customer");
    detail.Open();
    Master->Last();
    EXPECT_EQ(LastOpen(), "OpenRecordset(Select * From [lines] Where ([Buyer] IS NULL);,2,0,3)");
    EXPECT_EQ(Items(), (Strings{"spare"}));

    Detail.reset();
    TDaoTable& byKey = DetailOn("OrderKey -> Key");
    byKey.Open();
    Master->Next();
    EXPECT_EQ(LastOpen(), "OpenRecordset(Select * From [lines] Where ([OrderKey] IS NULL);,2,0,3)")
        << "the all-zero GUID";
}

TEST_F(DaoTableMasterDetailTest, TheDetailConditionJoinsTheTablesOwnFilter)
{
    TDaoTable& detail = DetailOn("OrderId -> OrderId");
    detail.SetFilterText("[Qty] > 2");
    detail.SetFiltered(true);
    detail.Open();
    EXPECT_EQ(LastOpen(), "OpenRecordset(Select * From [lines] Where (([OrderId]  = 1)) AND ([Qty] > 2);,2,0,3)");
    EXPECT_EQ(Items(), (Strings{"bolt"}));
    EXPECT_EQ(detail.ComposeFilter(), "(([OrderId]  = 1)) AND ([Qty] > 2)");
}

TEST_F(DaoTableMasterDetailTest, AClosedMasterLeavesTheDetailUnrestrictedUntilItOpens)
{
    TDaoTable& detail = DetailOn("OrderId -> OrderId");
    detail.SetMasterAutoActivate(false);
    detail.Open();
    EXPECT_FALSE(Master->Active());
    EXPECT_TRUE(detail.DetailSuspended());
    EXPECT_EQ(Items().size(), 4u);
    Master->Open();
    EXPECT_FALSE(detail.DetailSuspended());
    EXPECT_EQ(Items(), (Strings{"bolt", "nut"}));
    Master->Close();
    EXPECT_TRUE(detail.DetailSuspended());
    EXPECT_TRUE(detail.Active());
}

TEST_F(DaoTableMasterDetailTest, ADetailOnSqlTakesTheMastersValuesAsParameters)
{
    Detail = std::make_unique<TDaoTable>();
    TDaoTable& detail = *Detail;
    detail.F_Set_Database(Database.get());
    detail.SetSQLText("SELECT * FROM lines WHERE OrderId = :OrderId");
    detail.F_Set_MasterSource(Source.get());
    detail.F_Set_MasterFields(TStringList{"OrderId;"});
    detail.Open();
    EXPECT_EQ(Items(), (Strings{"bolt", "nut"}));
    Master->Next();
    EXPECT_EQ(Items(), (Strings{"gear"}));
    EXPECT_EQ(detail.Params().ParamByName("OrderId").AsInteger(), 2);
}

TEST_F(DaoTableMasterDetailTest, LinksThatCloseALoopAreRefused)
{
    TDaoTable& detail = DetailOn("OrderId -> OrderId");
    TDataSource detailSource;
    detailSource.SetDataSet(&detail);
    EXPECT_EQ(ErrorOf([&] { Master->F_Set_MasterSource(&detailSource); }), "Circular links not allowed!");
    EXPECT_EQ(Master->MasterSource(), nullptr);
    TDataSource own;
    own.SetDataSet(&detail);
    EXPECT_EQ(ErrorOf([&] { detail.F_Set_MasterSource(&own); }), "Circular links not allowed!");
    EXPECT_EQ(detail.MasterSource(), Source.get()) << "the old source stays";

    detail.F_Set_MasterSource(nullptr);
    EXPECT_EQ(detail.MasterFields().Count(), 0) << "no source, no link fields";
}

TEST_F(DaoTableMasterDetailTest, AStreamedDetailFindsItsSourceByName)
{
    TComponent module;
    TDataSource* source = new TDataSource(&module);
    source->SetName("OrdersSource");
    source->SetDataSet(Master.get());
    auto* detail = new TDaoTable(&module);
    detail->F_Set_Database(Database.get());
    detail->ReadProperties({{"TableName", "lines"}, {"MasterSource", "OrdersSource"}, {"MasterFields", "OrderId;"}});
    detail->Loaded();
    EXPECT_EQ(detail->MasterSource(), source);
    detail->Open();
    EXPECT_EQ(Values(*detail, "Item"), (Strings{"bolt", "nut"}));
    detail->Close();
}

TEST_F(DaoTableMasterDetailTest, LookupFieldsReadAnotherTableThroughItsLookup)
{
    Master->Open();
    for (const bool cached : {false, true}) {
        TField& customer = LinesWithCustomerLookup();
        TDaoTable& lines = *Detail;
        customer.LookupCache = cached;
        lines.Open();
        lines.RefreshLookups();
        Strings seen;
        for (lines.First(); !lines.Eof(); lines.Next())
            seen.push_back(lines.FieldByName("Item").AsString() + ":" + customer.AsString());
        EXPECT_EQ(seen, (Strings{"bolt:Anna", "nut:Anna", "gear:Bert", "spare:"})) << cached;
        EXPECT_EQ(Master->FieldByName("OrderId").AsInteger(), 1) << "the looked-up table does not move";
    }
}

TEST_F(DaoTableMasterDetailTest, CacheLookupsCachesEveryLookupFieldAtOpen)
{
    Master->Open();
    TField& customer = LinesWithCustomerLookup();
    TDaoTable& lines = *Detail;
    lines.F_Set_CacheLookups(true);
    lines.Open();
    EXPECT_TRUE(customer.LookupCache);
    EXPECT_EQ(customer.AsString(), "Anna");
}

} // namespace
} // namespace daotabletest
