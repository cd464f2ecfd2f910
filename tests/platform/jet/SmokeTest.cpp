#include "JetFixture.h"

using namespace jettest;

namespace {

using Smoke = JetFixture;

TEST_F(Smoke, ConfigurationTableRoad)
{
    MakeConfigTable({{"DEFAULT", "101", "16777215"}});
    jet::RecordsetPtr rs = Db->OpenRecordset("config", jet::dbOpenDynaset, 0, jet::dbOptimistic);
    EXPECT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Fields().Count(), 3);
    EXPECT_EQ(rs->Fields().Item(0)->Name(), "ConfigName");
    EXPECT_EQ(rs->Fields().Item("optionvalue")->Value().AsString(), "16777215");
    rs->AddNew();
    rs->Fields().Item("ConfigName")->SetValue(jet::Variant("DEFAULT"));
    rs->Fields().Item("OptionName")->SetValue(jet::Variant("551"));
    rs->Update();
    EXPECT_EQ(rs->RecordCount(), 2);
    rs->MoveLast();
    EXPECT_EQ(rs->Fields().Item("OptionName")->Value().AsString(), "551");
    EXPECT_TRUE(rs->Fields().Item("OptionValue")->Value().IsNull());
    rs->Edit();
    rs->Fields().Item("OptionValue")->SetValue(jet::Variant("2"));
    rs->Update();
    EXPECT_EQ(rs->Fields().Item("OptionValue")->Value().AsString(), "2");
    rs->MoveFirst();
    rs->Delete();
    rs->MoveNext();
    EXPECT_EQ(rs->Fields().Item("OptionName")->Value().AsString(), "551");
    rs->Close();
    Db->Close();

    jet::DatabasePtr again = Workspace->OpenDatabase(PathOf("test.mdb"), false, false, ";UID=Admin;PWD=;");
    jet::RecordsetPtr reread = again->OpenRecordset("config", jet::dbOpenDynaset, 0, jet::dbOptimistic);
    EXPECT_EQ(Values(reread, "OptionValue"), Strings({"2"}));
    jet::TableDefPtr config = again->TableDefs().Item("config");
    EXPECT_EQ(config->Fields().Item("ConfigName")->Size(), 50);
    EXPECT_TRUE(config->Fields().Item("ConfigName")->Required());
    EXPECT_FALSE(config->Fields().Item("OptionValue")->Required());
    EXPECT_EQ(config->Fields().Item("OptionValue")->Type(), jet::dbText);
}

} // namespace
