#include "JetFixture.h"

using namespace jettest;

namespace {

class QueryDefs : public JetFixture {
protected:
    void SetUp() override
    {
        JetFixture::SetUp();
        MakeConfigTable({{"DEFAULT", "101", "1"}, {"DEFAULT", "102", "2"}, {"RULER", "x", "3"}});
    }
};

TEST_F(QueryDefs, StoredQueriesTakeTheirParametersByNameAndKeepThem)
{
    Db->CreateQueryDef("ByConfig", "PARAMETERS [Which] Text(50), Least Long; "
                                   "SELECT * FROM config WHERE ConfigName = [Which] AND OptionValue >= Least "
                                   "ORDER BY OptionName");
    jet::QueryDefPtr query = Db->QueryDefs().Item("byconfig");
    EXPECT_EQ(query->Type(), jet::dbQSelect);
    ASSERT_EQ(query->Parameters().Count(), 2);
    jet::ParameterPtr which = query->Parameters().Item(0);
    EXPECT_EQ(which->Name(), "Which");
    EXPECT_EQ(which->Type(), jet::dbText);
    EXPECT_EQ(which->Direction(), jet::dbParamInput);
    EXPECT_TRUE(which->Value().IsEmpty());
    EXPECT_EQ(ErrorOf([&] { query->OpenRecordset(); }), jet::errTooFewParameters);

    // Values set through one look-up stay for the next one.
    Db->QueryDefs().Item("ByConfig")->Parameters().Item("Which")->SetValue(jet::Variant("default"));
    Db->QueryDefs().Item("ByConfig")->Parameters().Item(1)->SetValue(jet::Variant("2"));
    EXPECT_EQ(Values(Db->QueryDefs().Item("ByConfig")->OpenRecordset(jet::dbOpenSnapshot), "OptionName"),
              Strings({"102"}));
    EXPECT_EQ(ErrorOf([&] { query->Parameters().Item("Least")->SetValue(jet::Variant("many")); }),
              jet::errTypeConversion);
    query->Parameters().Item("Least")->SetValue(jet::Variant::Null());
    EXPECT_EQ(Values(query->OpenRecordset(), "OptionName"), Strings());
}

TEST_F(QueryDefs, ActionQueriesRunWithTheirParameters)
{
    jet::QueryDefPtr remove =
        Db->CreateQueryDef("Forget", "PARAMETERS Name Text; DELETE * FROM config WHERE ConfigName = Name");
    EXPECT_EQ(remove->Type(), jet::dbQDelete);
    EXPECT_EQ(ErrorOf([&] { remove->Execute(jet::dbFailOnError); }), jet::errTooFewParameters);
    remove->Parameters().Item(0)->SetValue(jet::Variant("DEFAULT"));
    remove->Execute(jet::dbFailOnError);
    EXPECT_EQ(Db->RecordsAffected(), 2);
    EXPECT_EQ(ErrorOf([&] { Db->CreateQueryDef("", "SELECT * FROM config")->Execute(); }),
              jet::errCannotExecuteSelect);
    const std::pair<std::string, int> types[] = {
        {"UPDATE config SET OptionValue = \"0\"", jet::dbQUpdate},
        {"INSERT INTO config (ConfigName, OptionName) VALUES (\"A\", \"B\")", jet::dbQAppend},
        {"SELECT * INTO Other FROM config", jet::dbQMakeTable},
        {"DROP TABLE Other", jet::dbQDDL},
        {"", jet::dbQSelect},
    };
    for (const auto& [text, type] : types)
        EXPECT_EQ(Db->CreateQueryDef("", text)->Type(), type) << text;
}

TEST_F(QueryDefs, AreStoredInTheFileAndRenamedAndDeleted)
{
    Db->CreateQueryDef("Rulers", "SELECT * FROM config WHERE ConfigName = \"RULER\"");
    Db->Close();
    auto db = Workspace->OpenDatabase(PathOf("test.mdb"));
    ASSERT_EQ(db->QueryDefs().Count(), 1);
    jet::QueryDefPtr rulers = db->QueryDefs().Item(0);
    EXPECT_EQ(rulers->Name(), "Rulers");
    EXPECT_EQ(rulers->SQL(), "SELECT * FROM config WHERE ConfigName = \"RULER\"");
    EXPECT_EQ(rulers->DateCreated().VarType(), jet::varDate);
    rulers->SetSQL("SELECT OptionValue FROM config WHERE ConfigName = 'RULER'");
    EXPECT_EQ(Values(db->OpenRecordset("Rulers"), "OptionValue"), Strings({"3"}));
    EXPECT_EQ(ErrorOf([&] { rulers->SetSQL("SELEC nothing"); }), jet::errSyntax);
    EXPECT_EQ(rulers->SQL(), "SELECT OptionValue FROM config WHERE ConfigName = 'RULER'");
    rulers->SetName("Scales");
    EXPECT_EQ(db->QueryDefs().Item("Scales"), rulers);
    EXPECT_EQ(ErrorOf([&] { db->CreateQueryDef("Scales", "SELECT 1 FROM config"); }), jet::errObjectExists);
    EXPECT_EQ(ErrorOf([&] { db->CreateQueryDef("config", "SELECT 1 FROM config"); }), jet::errTableExists);
    EXPECT_EQ(ErrorOf([&] { rulers->SetName("config"); }), jet::errTableExists);
    db->QueryDefs().Delete("scales");
    EXPECT_EQ(db->QueryDefs().Count(), 0);
    EXPECT_EQ(ErrorOf([&] { rulers->SQL(); }), jet::errObjectClosed);
    EXPECT_EQ(ErrorOf([&] { db->QueryDefs().Delete("Scales"); }), jet::errItemNotFound);
}

TEST_F(QueryDefs, TemporaryQueriesAreStoredByAppending)
{
    jet::QueryDefPtr temporary = Db->CreateQueryDef("", "SELECT * FROM config ORDER BY OptionName");
    temporary->SetMaxRecords(2);
    EXPECT_EQ(Values(temporary->OpenRecordset(jet::dbOpenSnapshot), "OptionName"), Strings({"101", "102"}));
    EXPECT_TRUE(temporary->DateCreated().IsNull());
    EXPECT_EQ(Db->QueryDefs().Count(), 0);
    EXPECT_EQ(ErrorOf([&] { Db->QueryDefs().Append(temporary); }), jet::errWrongName);
    temporary->SetName("Sorted");
    Db->QueryDefs().Append(temporary);
    EXPECT_EQ(Db->QueryDefs().Item("Sorted"), temporary);
    EXPECT_EQ(ErrorOf([&] { Db->QueryDefs().Append(temporary); }), jet::errAlreadyInCollection);
    // A stored query names another one.
    Db->CreateQueryDef("Top", "SELECT * FROM Sorted WHERE OptionName < \"102\"");
    EXPECT_EQ(Values(Db->OpenRecordset("Top"), "OptionName"), Strings({"101"}));
    Db->QueryDefs().Item("Sorted")->SetSQL("SELECT * FROM Top");
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("Top"); }), jet::errSyntax);  // names itself in the end
}

} // namespace
