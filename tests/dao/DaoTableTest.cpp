#include "DaoTableFixture.h"

#include "platform/db/ComponentRegistry.h"
#include "platform/system/DateTime.h"
#include "tests/support/ModalAnswers.h"

#include <map>

#include <cmath>

namespace daotabletest {
namespace {

TEST_F(DaoTableTest, NewTableHasTheDocumentedDefaults)
{
    TDaoTable table;
    EXPECT_EQ(table.TableType(), jet::dbOpenDynaset);
    EXPECT_EQ(table.LockType(), jet::dbOptimistic);
    EXPECT_TRUE(table.UseBrackets());
    EXPECT_TRUE(table.AutoFindIndex());
    EXPECT_TRUE(table.MasterAutoActivate());
    EXPECT_TRUE(table.UseDaoProperties());
    EXPECT_TRUE(table.UseGetRecNo());
    EXPECT_TRUE(table.UseRecordCount());
    EXPECT_TRUE(table.ParamCheck());
    EXPECT_FALSE(table.CacheMemos());
    EXPECT_FALSE(table.ReadOnly());
    EXPECT_FALSE(table.DatabaseAutoActivate());
    EXPECT_EQ(table.F_Get_IndexFieldCount(), 0);
    table.F_Set_ComponentVersion("2.00");
    EXPECT_EQ(table.ComponentVersion(), "1.00");
    EXPECT_EQ(table.FExecuteOptions, 128);
}

TEST_F(DaoTableTest, TheThreeSourcesExcludeEachOther)
{
    TDaoTable table;
    table.SetSQLText("SELECT * FROM config WHERE OptionName = :name");
    ASSERT_EQ(table.Params().Count(), 1);
    table.F_Set_TableName("");
    EXPECT_EQ(table.SQL().Count(), 1) << "an empty name clears nothing";
    table.F_Set_TableName("config");
    EXPECT_EQ(table.SQL().Count(), 0);
    EXPECT_EQ(table.Params().Count(), 0);
    table.SetSQLText("SELECT 1");
    EXPECT_EQ(table.F_Get_TableName(), "");
}

TEST_F(DaoTableTest, AStoredQueryNameClearsTheOtherSourcesAndTheLink)
{
    TDaoTable table;
    table.F_Set_TableType(jet::dbOpenTable);
    table.F_Set_TableName("lines");
    table.F_Set_MasterFields(TStringList{"OrderId -> OrderId"});
    table.F_Set_QueryDefName("");
    EXPECT_EQ(table.MasterFields().Count(), 1) << "an empty name clears nothing";
    EXPECT_EQ(table.TableType(), jet::dbOpenTable);
    table.F_Set_QueryDefName("OpenOrders");
    EXPECT_EQ(table.F_Get_TableName(), "");
    EXPECT_EQ(table.MasterFields().Count(), 0);
    EXPECT_EQ(table.TableType(), jet::dbOpenDynaset) << "a stored query has no table-type recordset";
}

TEST_F(DaoTableTest, ParameterValuesTravelWithTheStreamedProperties)
{
    TDaoTable table;
    table.SetSQLText("SELECT * FROM config WHERE OptionName = :name");
    table.Params().ParamByName("name").DataType = ftString;
    table.Params().ParamByName("name").SetAsString("551");
    const TPropertyValues values = table.WriteProperties();
    TDaoTable read;
    read.ReadProperties(values);
    read.Loaded();
    EXPECT_EQ(read.SQL().Text(), table.SQL().Text());
    ASSERT_EQ(read.Params().Count(), 1);
    EXPECT_EQ(read.Params()[0], table.Params()[0]);
}

TEST_F(DaoTableTest, ConfigurationTableOpensAsTheStoreOpensIt)
{
    MakeConfigTable(3);
    Connect();
    TDaoTable& table = ConfigTable();
    Recorder->Calls.clear();
    table.Open();
    EXPECT_EQ(Recorder->Calls, (Log{"OpenRecordset(config,2,0,3)"}));
    ASSERT_EQ(table.FieldDefs().Count(), 3);
    const struct {
        const char* Name;
        int Size;
        bool Required;
    } expected[] = {{"ConfigName", 50, true}, {"OptionName", 50, true}, {"OptionValue", 250, false}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(table.FieldDefs()[i].Name, expected[i].Name);
        EXPECT_EQ(table.FieldDefs()[i].DataType, ftString);
        EXPECT_EQ(table.FieldDefs()[i].Size, expected[i].Size);
        EXPECT_EQ(table.FieldDefs()[i].Required, expected[i].Required);
    }
    EXPECT_EQ(table.IndexDefs().Count(), 0);
    EXPECT_EQ(Values(table, "OptionValue"), (Strings{"value 1", "value 2", "value 3"}));
    EXPECT_EQ(Database->ActiveTables.size(), 1u);
    table.Close();
    EXPECT_TRUE(Database->ActiveTables.empty());
}

TEST_F(DaoTableTest, ConfigurationRecordsAreAppendedEditedAndDeleted)
{
    MakeConfigTable(2);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();

    table.Append();
    table.FieldByName("ConfigName").SetAsString("DEFAULT");
    table.FieldByName("OptionName").SetAsString("551");
    table.FieldByName("OptionValue").SetAsString("");
    table.Post();
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "551") << "the posted record is current";
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(table.RecNo(), 3);

    table.First();
    table.Edit();
    table.FieldByName("OptionValue").SetAsString("changed");
    table.Post();

    table.First();
    table.Next();
    table.Delete();
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "551");
    table.Close();

    // A fresh look at the file.
    table.Open();
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "551"}));
    EXPECT_EQ(Values(table, "OptionValue"), (Strings{"changed", ""}));
    table.First();
    table.Next();
    EXPECT_TRUE(table.FieldByName("OptionValue").IsNull()) << "an empty text is written as Null";
}

TEST_F(DaoTableTest, FieldDefinitionsOfAClosedTableOpenAndCloseTheRecordset)
{
    MakeConfigTable(1);
    Connect();
    TDaoTable& table = ConfigTable();
    Recorder->Calls.clear();
    table.InitFieldDefs();
    EXPECT_EQ(table.FieldDefs().Count(), 3);
    EXPECT_EQ(Recorder->Calls, (Log{"OpenRecordset(config,2,0,3)"}));
    EXPECT_FALSE(table.Recordset());
    table.Open();
    Recorder->Calls.clear();
    table.InitFieldDefs();
    EXPECT_TRUE(Recorder->Calls.empty()) << "an open table reads from its own recordset";
}

TEST_F(DaoTableTest, TextFieldsHoldTheirSizeInCharacters)
{
    MakeConfigTable(0);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();
    std::string ruler;
    for (int i = 0; i < 50; ++i)
        ruler += "标";
    table.Append();
    table.FieldByName("ConfigName").SetAsString("RULERVALUEHORI");
    table.FieldByName("OptionName").SetAsString(ruler + "尺");
    table.Post();
    table.Close();
    table.Open();
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), ruler) << "50 characters, not 50 bytes";
}

// An encrypter component: it reverses texts both ways.
class ReversingEncrypter : public TComponent {
public:
    using TComponent::TComponent;
    std::vector<TPublishedProperty> PublishedProperties() const override
    {
        const auto self = [](TComponent& c) -> ReversingEncrypter& { return static_cast<ReversingEncrypter&>(c); };
        const auto cself = [](const TComponent& c) -> const ReversingEncrypter& {
            return static_cast<const ReversingEncrypter&>(c);
        };
        return {
            {"EncodedString", [=](const TComponent& c) { return cself(c).Encoded; },
             [=](TComponent& c, const std::string& v) { self(c).Encoded = v, self(c).Decoded = Reversed(v); }},
            {"DecodedString", [=](const TComponent& c) { return cself(c).Decoded; },
             [=](TComponent& c, const std::string& v) { self(c).Decoded = v, self(c).Encoded = Reversed(v); }},
        };
    }

    static std::string Reversed(std::string text) { return {text.rbegin(), text.rend()}; }

    std::string Encoded;
    std::string Decoded;
};

TEST_F(DaoTableTest, AnEncrypterSeesEveryTextOnItsWayInAndOut)
{
    MakeConfigTable(0);
    Connect();
    TDaoTable& table = ConfigTable();
    auto encrypter = std::make_unique<ReversingEncrypter>();
    table.F_Set_Encrypter(encrypter.get());
    table.Open();
    AppendOption(table, "702", "0.5");
    table.Close();
    table.Open();
    EXPECT_EQ(table.FieldByName("OptionValue").AsString(), "0.5");
    const jet::RecordsetPtr stored = Database->DatabaseObject->OpenRecordset("config", jet::dbOpenSnapshot, 0, -1);
    EXPECT_EQ(stored->Fields().Item("OptionName")->Value().AsString(), "207") << "the file holds the encoded text";
    stored->Close();

    encrypter.reset();
    EXPECT_FALSE(table.Active()) << "a table whose encrypter goes is closed";
    EXPECT_EQ(table.Encrypter(), nullptr);
}

TEST_F(DaoTableTest, EveryPublishedPropertyIsStreamedInDeclarationOrder)
{
    TDaoTable table;
    Strings names;
    for (const auto& [name, text] : table.WriteProperties())
        names.push_back(name);
    EXPECT_EQ(names, (Strings{"AutoFindIndex",          "ComponentVersion",
                              "CacheBlobs",             "CacheMemos",
                              "CacheLookups",           "Database",
                              "Encrypter",              "ExportMethod",
                              "RefreshSorted",          "TableName",
                              "SortedBy",               "SortedByText",
                              "QueryDefName",           "QueryDefParameters",
                              "QueryDefParametersText", "QueryDefSQLText",
                              "QueryDefSQLModify",      "QueryDefODBCMaxRecords",
                              "QueryDefType",           "SQL",
                              "ParamData",              "ShowGUID",
                              "TableType",              "TableDateCreated",
                              "TableLastUpdated",       "Translation",
                              "LockType",               "OpenOptions",
                              "IndexFieldCount",        "IndexName",
                              "ReadOnly",               "LockEdits",
                              "MasterSource",           "MasterFields",
                              "MasterAutoActivate",     "DatabaseAutoActivate",
                              "UseBrackets",            "UseCaptions",
                              "UseDaoProperties",       "UseGetRecNo",
                              "UseRecordCount",         "WarnOnBadDatabase",
                              "Filtered",               "Filter",
                              "ParamCheck",             "ProcessMessages",
                              "Active"}));
}

TEST_F(DaoTableTest, TheSortAndTheStoredQueryParametersStreamUnderEitherName)
{
    MakeConfigTable(3);
    Connect();
    TDaoTable table;
    table.F_Set_Database(Database.get());
    table.ReadProperties(
        {{"TableName", "config"}, {"SortedByText", "OptionName DESC"}, {"QueryDefParametersText", "551\nNULL"}});
    table.Loaded();
    EXPECT_EQ(table.SortedBy(), TStringList{"OptionName DESC"});
    EXPECT_EQ(table.QueryDefParameters(), (TStringList{"551", "NULL"}));
    table.Open();
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"3", "2", "1"}));
    table.Close();
    std::map<std::string, std::string> written;
    for (const auto& [name, text] : table.WriteProperties())
        written[name] = text;
    EXPECT_EQ(written["SortedByText"], written["SortedBy"]);
    EXPECT_EQ(written["QueryDefParametersText"], written["QueryDefParameters"]);
}

TEST_F(DaoTableTest, AStreamedActiveTableThatCannotOpenShowsWhyInTheErrorBox)
{
    TComponent owner;
    auto* table = new TDaoTable(&owner);
    table->ReadProperties({{"TableName", "config"}, {"Active", "True"}});
    QString message;
    ModalAnswers answers({ModalAnswers::Press(QMessageBox::Ok, &message)});
    table->Loaded();
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_EQ(message.toStdString(), "TDaoTable.OpenDaoRecordset: Missing Database Property");
    EXPECT_FALSE(table->Active());
}

TEST_F(DaoTableTest, ARecordBufferIsItsHeaderAndTheCalculatedFieldArea)
{
    MakeConfigTable(1);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();
    EXPECT_EQ(table.RecordSize(), int(sizeof(TDaoRecordBuffer)));
    table.Close();
    for (const char* name : {"ConfigName", "OptionName", "OptionValue"})
        table.AddField(name, ftString, fkData, 50);
    table.AddField("Label", ftString, fkCalculated, 60);
    table.AddField("Length", ftInteger, fkCalculated);
    table.Open();
    EXPECT_EQ(table.RecordSize(), int(sizeof(TDaoRecordBuffer) + 2 * sizeof(TRecordBuffer::TCalcValue)));
}

TEST_F(DaoTableTest, StreamedDisplayPropertiesAreReadBackFromTheSourceNotTheStream)
{
    MakeTable("options", {{"ConfigName", jet::dbText, 50}, {"OptionName", jet::dbText, 50}},
              {"ConfigName", "OptionName"});
    Run("INSERT INTO options VALUES (\"DEFAULT\", \"551\")");
    Connect();
    TComponent owner;
    auto* encrypter = new ReversingEncrypter(&owner);
    encrypter->SetName("Cipher");
    auto* table = new TDaoTable(&owner);
    table->F_Set_Database(Database.get());
    table->ReadProperties({{"Encrypter", "Cipher"},
                           {"TableName", "options"},
                           {"QueryDefType", "dbQAction"},
                           {"TableType", "1"},
                           {"TableDateCreated", "1/1/2000"},
                           {"TableLastUpdated", "1/1/2000"},
                           {"IndexFieldCount", "7"},
                           {"IndexName", "PrimaryKey"},
                           {"LockEdits", "True"}});
    table->Loaded();
    EXPECT_EQ(table->Encrypter(), encrypter);
    EXPECT_EQ(table->F_Get_QueryDefType(), "") << "no stored query";
    EXPECT_EQ(table->F_Get_IndexFieldCount(), 2) << "the key has two fields";
    EXPECT_FALSE(table->F_Get_LockEdits()) << "closed";
    EXPECT_EQ(table->F_Get_DateCreated(), "") << "closed";

    table->Open();
    const TPropertyValues written = table->WriteProperties();
    const auto valueOf = [&](const std::string& name) {
        for (const auto& [key, value] : written)
            if (key == name)
                return value;
        return std::string("(missing)");
    };
    EXPECT_EQ(valueOf("Encrypter"), "Cipher");
    EXPECT_EQ(valueOf("IndexFieldCount"), "2");
    EXPECT_NE(valueOf("TableDateCreated"), "") << "an open table-type recordset knows its table's dates";
    EXPECT_NE(valueOf("TableDateCreated"), "1/1/2000");
    TComponent other;
    auto* unknown = new TDaoTable(&other);
    EXPECT_THROW(unknown->ReadProperties({{"Encrypter", "Cipher"}}), EReadError) << "no component of that name";
}

TEST_F(DaoTableTest, RegisterPutsTheTableComponentOnTheDataAccessPage)
{
    Daotable::Register();
    EXPECT_EQ(ComponentPage("TDaoTable"), "Data Access");
    TComponent owner;
    auto* created = dynamic_cast<TDaoTable*>(CreateComponent("TDaoTable", &owner));
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->Owner(), &owner);
}

TEST_F(DaoTableTest, OpenRefusalsComeBeforeTheEngine)
{
    MakeConfigTable(1);
    Connect();
    TDaoTable table;
    table.F_Set_TableName("config");
    EXPECT_EQ(ErrorOf([&] { table.Open(); }), "TDaoTable.OpenDaoRecordset: Missing Database Property");
    table.F_Set_Database(Database.get());
    table.F_Set_TableName("con]fig");
    EXPECT_EQ(ErrorOf([&] { table.Open(); }), "TDaoTable.OpenDaoRecordset: Invalid table name: con]fig");
    TDaoTable noSource;
    noSource.F_Set_Database(Database.get());
    EXPECT_EQ(ErrorOf([&] { noSource.Open(); }),
              "TDaoTable.OpenDaoRecordset: Missing TableName or QueryDefName, or SQL is empty!");
    table.F_Set_TableName("config");
    Database->Close();
    EXPECT_EQ(ErrorOf([&] { table.Open(); }), "TDaoTable.OpenDaoRecordset: Database is NOT connected");
    EXPECT_FALSE(table.Active());
}

TEST_F(DaoTableTest, SettersRefuseWhileActiveAndKeepTheirValue)
{
    MakeConfigTable(1);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();
    EXPECT_EQ(ErrorOf([&] { table.F_Set_TableName("other"); }),
              "TDaoTable.F_Set_TableName: Cannot set TableName while Table is active!");
    EXPECT_EQ(ErrorOf([&] { table.F_Set_TableType(4); }),
              "TDaoTable.F_Set_TableType: Cannot set TableType while Table is active!");
    EXPECT_EQ(ErrorOf([&] { table.F_Set_LockType(2); }),
              "TDaoTable.F_Set_LockType: Cannot set LockType while Table is active!");
    EXPECT_EQ(ErrorOf([&] { table.F_Set_Database(nullptr); }),
              "TDaoTable.F_Set_Database: Cannot set Database while Table is Active!");
    EXPECT_EQ(ErrorOf([&] { table.F_Set_IndexName("PrimaryKey"); }),
              "TDaoTable.F_Set_IndexName: Indexes can be set only on Standard Tables!");
    EXPECT_EQ(table.F_Get_TableName(), "config");
    EXPECT_EQ(table.TableType(), 2);
    EXPECT_EQ(table.F_Get_Database(), Database.get());
}

TEST_F(DaoTableTest, SnapshotsOpenReadOnlyAndSortsReachTheEngine)
{
    MakeConfigTable(3);
    Connect();
    TDaoTable& table = TableOn("config", jet::dbOpenSnapshot);
    table.Open();
    EXPECT_TRUE(table.ReadOnly());
    EXPECT_EQ(ErrorOf([&] { table.Edit(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(ErrorOf([&] { table.Append(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(table.State(), dsBrowse);
    TStringList sort{"OptionValue DESC"};
    table.F_Set_Sort(sort);
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"3", "2", "1"}));
}

TEST_F(DaoTableTest, TypedFieldsReadAndWriteThroughTheirTexts)
{
    MakeTable("typed", {{"Id", jet::dbLong, 0, false, jet::dbAutoIncrField},
                        {"Count", jet::dbInteger},
                        {"Price", jet::dbCurrency},
                        {"Ratio", jet::dbDouble},
                        {"Done", jet::dbBoolean},
                        {"When", jet::dbDate},
                        {"Note", jet::dbMemo},
                        {"Key", jet::dbGUID}},
              {"Id"});
    Connect();
    TDaoTable& table = TableOn("typed");
    table.F_Set_CacheMemos(true);
    table.Open();
    EXPECT_EQ(table.FieldByName("Id").DataType(), ftAutoInc);
    EXPECT_TRUE(table.FieldByName("Id").ReadOnly());
    EXPECT_EQ(table.FieldByName("When").DataType(), ftDateTime);
    EXPECT_EQ(table.FieldByName("Key").DataType(), ftBytes);
    EXPECT_EQ(table.FieldDefs()[7].Precision, 47554944);

    const double when = platform::EncodeDate(2024, 3, 15) + platform::EncodeTime(13, 5, 9, 0);
    table.Append();
    table.FieldByName("Count").SetAsInteger(-12);
    table.FieldByName("Price").SetAsFloat(12.3456);
    table.FieldByName("Ratio").SetAsString("0.5");
    table.FieldByName("Done").SetAsBoolean(true);
    table.FieldByName("When").SetAsDateTime(when);
    table.FieldByName("Note").SetAsString("first\r\nsecond");
    table.FieldByName("Key").SetAsString("{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
    table.Post();

    table.Close();
    table.Open();
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 1);
    EXPECT_EQ(table.FieldByName("Count").AsInteger(), -12);
    EXPECT_EQ(table.FieldByName("Price").AsFloat(), 12.3456);
    EXPECT_EQ(table.FieldByName("Ratio").AsString(), "0.5");
    EXPECT_TRUE(table.FieldByName("Done").AsBoolean());
    EXPECT_EQ(table.FieldByName("Done").AsString(), "True");
    EXPECT_DOUBLE_EQ(table.FieldByName("When").AsDateTime(), when);
    EXPECT_EQ(table.FieldByName("When").AsString(), "03/15/2024 13:05:09");
    EXPECT_EQ(table.FieldByName("Note").AsString(), "first\r\nsecond");
    EXPECT_EQ(table.FieldByName("Note").DisplayText(), "first");
    EXPECT_EQ(table.FieldByName("Key").AsString(), "{guid {12345678-9ABC-DEF0-1234-56789ABCDEF0}}");
}

// Currency keeps every digit through the field's text, the record and the
// file, at the limits of the type too, and a filter over such values works.
TEST_F(DaoTableTest, CurrencyKeepsEveryDigitThroughTheField)
{
    MakeTable("money", {{"Id", jet::dbLong}, {"Amount", jet::dbCurrency}});
    Connect();
    TDaoTable& table = TableOn("money");
    table.Open();
    const std::pair<const char*, std::int64_t> values[] = {
        {"922337203685477.5807", INT64_MAX}, {"-922337203685477.5808", INT64_MIN},
        {"12345678901234.5678", 123456789012345678}, {"12.3456", 123456}, {"-0.0001", -1}};
    int id = 0;
    for (const auto& [text, scaled] : values) {
        table.Append();
        table.FieldByName("Id").SetAsInteger(++id);
        if (id % 2)
            table.FieldByName("Amount").SetAsString(text);
        else
            table.FieldByName("Amount").SetValue(jet::Variant::CurrencyScaled(scaled));
        EXPECT_EQ(table.FieldByName("Amount").AsString(), text);
        table.Post();
    }
    table.Close();
    table.Open();
    for (const auto& [text, scaled] : values) {
        EXPECT_EQ(table.FieldByName("Amount").AsString(), text);
        EXPECT_EQ(table.FieldByName("Amount").Value().AsCurrencyScaled(), scaled) << text;
        table.Next();
    }
    table.First();
    table.Edit();
    table.FieldByName("Amount").SetAsString("12,5");
    EXPECT_EQ(table.FieldByName("Amount").AsString(), "12.5");
    EXPECT_THROW(table.FieldByName("Amount").SetAsString("922337203685477.5808"), platform::EConvertError);
    table.FieldByName("Amount").SetAsFloat(922337203685477.5);
    EXPECT_EQ(table.FieldByName("Amount").AsString(), "922337203685477.5");
    table.Cancel();

    table.SetFilterText("Amount > 0");
    table.SetFiltered(true);
    EXPECT_EQ(Values(table, "Amount"), (Strings{"922337203685477.5807", "12345678901234.5678", "12.3456"}));
}

// A date that does not exist is refused however it is given, and the field
// keeps what it held; the years 1 and 9999 are dates.
TEST_F(DaoTableTest, DatesThatDoNotExistAreRefusedAsTheirTextsAre)
{
    MakeTable("events", {{"When", jet::dbDate}});
    Connect();
    TDaoTable& table = TableOn("events");
    table.Open();
    table.Append();
    TField& when = table.FieldByName("When");
    const double kept = platform::EncodeDate(2024, 3, 15);
    when.SetAsDateTime(kept);
    for (double date : {1e10, -1e10, 1e308, -1e308, std::nan(""), HUGE_VAL, -HUGE_VAL, 2958466.0, -693594.0}) {
        EXPECT_THROW(when.SetAsDateTime(date), platform::EConvertError) << date;
        EXPECT_THROW(when.SetValue(jet::Variant::Date(date)), platform::EConvertError) << date;
        EXPECT_EQ(when.AsDateTime(), kept) << date;
    }
    EXPECT_THROW(when.SetAsString("12/31/10000"), platform::EConvertError);
    EXPECT_EQ(when.AsDateTime(), kept);
    const double first = platform::EncodeDate(1, 1, 1);
    const double last = platform::EncodeDate(9999, 12, 31) + platform::EncodeTime(23, 59, 59, 0);
    for (double date : {first, last}) {
        when.SetAsDateTime(date);
        table.Post();
        table.Last();
        EXPECT_EQ(when.AsDateTime(), date);
        table.Append();
    }
    table.Cancel();

    // The engine refuses them too.
    const jet::RecordsetPtr rows = Database->DatabaseObject->OpenRecordset("events", jet::dbOpenDynaset);
    rows->AddNew();
    for (double date : {1e10, std::nan(""), HUGE_VAL})
        EXPECT_EQ(jettest::ErrorOf([&] { rows->Fields().Item("When")->SetValue(jet::Variant::Date(date)); }),
                  jet::errTypeConversion);
    rows->CancelUpdate();
}

TEST_F(DaoTableTest, MadeFieldsAreWidenedForTheirValuesAndDeclaredOnesKeepTheirWidth)
{
    MakeTable("events", {{"When", jet::dbDate}, {"Note", jet::dbMemo}});
    Connect();
    TDaoTable& table = TableOn("events");
    table.F_Set_CacheMemos(true);
    table.Open();
    EXPECT_EQ(table.FieldByName("When").DisplayWidth(), 20);
    EXPECT_EQ(table.FieldByName("Note").DisplayWidth(), 30);
    table.Close();
    table.AddField("When", ftDateTime).SetDisplayWidth(10);
    table.AddField("Note", ftMemo).SetDisplayWidth(12);
    table.Open();
    EXPECT_EQ(table.FieldByName("When").DisplayWidth(), 10);
    EXPECT_EQ(table.FieldByName("Note").DisplayWidth(), 12);
}

TEST_F(DaoTableTest, OnValidateSeesTheNewValueAndItsRefusalKeepsTheOld)
{
    MakeConfigTable(1);
    Connect();
    TDaoTable& table = ConfigTable();
    table.Open();
    TField& value = table.FieldByName("OptionValue");
    std::vector<std::string> seen;
    value.OnValidate = [&](TField& field) {
        seen.push_back(field.AsString());
        if (field.AsString() == "bad")
            throw EDatabaseError("refused");
    };
    table.Edit();
    value.SetAsString("good");
    EXPECT_THROW(value.SetAsString("bad"), EDatabaseError);
    EXPECT_EQ(value.AsString(), "good") << "a refused value leaves the one before";
    value.Clear();
    EXPECT_TRUE(value.IsNull());
    value.SetAsString("good");
    EXPECT_EQ(seen, (Strings{"good", "bad", "", "good"}));
    value.OnValidate = nullptr;
    table.Post();
    EXPECT_EQ(Values(table, "OptionValue"), (Strings{"good"}));

    value.SetReadOnly(true);
    seen.clear();
    value.OnValidate = [&](TField& field) { seen.push_back(field.AsString()); };
    table.Edit();
    value.SetAsString("kept out");
    EXPECT_EQ(seen, (Strings{"kept out"})) << "a read-only field is validated before it refuses the write";
    EXPECT_EQ(value.AsString(), "good");
    table.Cancel();
}

// A memo that is not cached is read through the blob stream: its buffer
// holds only its size.
TEST_F(DaoTableTest, UncachedMemosReadTheirTextAndNullsReadEmpty)
{
    MakeTable("notes", {{"Id", jet::dbLong}, {"Note", jet::dbMemo}, {"Text", jet::dbText, 20}});
    Run("INSERT INTO notes (Id, Note, Text) VALUES (1, \"hello\", Null)");
    Run("INSERT INTO notes (Id, Note, Text) VALUES (2, Null, \"\")");
    Connect();
    TDaoTable& table = TableOn("notes");
    table.Open();
    EXPECT_EQ(Values(table, "Note"), (Strings{"hello", ""}));
    EXPECT_EQ(Values(table, "Text"), (Strings{"", ""}));
    table.First();
    EXPECT_TRUE(table.FieldByName("Text").IsNull());
}

TEST_F(DaoTableTest, DateDefaultsBecomeTimeStampTextsWithTwelveHourTimesRight)
{
    const struct {
        const char* Text;
        int Hour;
    } cases[] = {{"1/2/2003 1:05:09 PM", 13}, {"1/2/2003 12:30:00 PM", 12}, {"1/2/2003 12:30:00 AM", 0},
                 {"1/2/2003 11:00:00 AM", 11}, {"1/2/2003 23:15:00", 23}};
    const int day = platform::DateTimeToTimeStamp(platform::EncodeDate(2003, 1, 2)).Date;
    for (const auto& c : cases) {
        const std::string text = TDaoTable::ProcessDTDefault(c.Text);
        const std::size_t blank = text.find(' ');
        ASSERT_NE(blank, std::string::npos) << c.Text;
        EXPECT_EQ(std::stoi(text.substr(0, blank)), day) << c.Text;
        EXPECT_EQ(std::stoi(text.substr(blank + 1)) / 3600000, c.Hour) << c.Text;
    }
    EXPECT_EQ(TDaoTable::ProcessDTDefault("2/30/2003"), "");
    EXPECT_EQ(TDaoTable::ProcessDTDefault("x/1/2003"), "");
    EXPECT_EQ(TDaoTable::ProcessDTDefault(""), "");
    EXPECT_EQ(TDaoTable::UnquoteString("'abc'"), "abc");
}

TEST_F(DaoTableTest, DefaultsOfTheEngineStartANewRecord)
{
    MakeTable("defaults", {{"Name", jet::dbText, 20}, {"Other", jet::dbText, 20}, {"Day", jet::dbDate}});
    jet::TableDefPtr defaults = Db->TableDefs().Item("defaults");
    defaults->Fields().Item("Name")->SetDefaultValue("\"abc\"");
    defaults->Fields().Item("Other")->SetDefaultValue("Null");
    defaults->Fields().Item("Day")->SetDefaultValue("#1/2/2003 1:05:09 PM#");
    Connect();
    TDaoTable& table = TableOn("defaults");
    table.Open();
    table.Append();
    EXPECT_EQ(table.FieldByName("Name").AsString(), "abc");
    EXPECT_TRUE(table.FieldByName("Other").IsNull());
    EXPECT_EQ(table.FieldByName("Day").AsString(), "01/02/2003 13:05:09");
    table.Cancel();
}

TEST_F(DaoTableTest, WordAndBcdFieldsReadTheirTexts)
{
    MakeTable("numbers", {{"Text", jet::dbText, 20}});
    Run("INSERT INTO numbers (Text) VALUES (\"42\")");
    Connect();
    TDaoTable& table = TableOn("numbers");
    table.Open();
    const TField word(table, TFieldDef{"Text", ftWord, 0, false, 0}, 1);
    const TField bcd(table, TFieldDef{"Text", ftBCD, 0, false, 0}, 1);
    EXPECT_EQ(word.AsInteger(), 42);
    EXPECT_EQ(bcd.AsCurrency(), 42.0);
    EXPECT_EQ(word.AsString(), "42");
}

TEST_F(DaoTableTest, TextsThatDoNotParseReadAsNull)
{
    MakeTable("numbers", {{"Text", jet::dbText, 20}});
    Run("INSERT INTO numbers (Text) VALUES (\"not a number\")");
    Connect();
    TDaoTable& table = TableOn("numbers");
    table.Open();
    const TField integer(table, TFieldDef{"Text", ftInteger, 0, false, 0}, 1);
    const TField stamp(table, TFieldDef{"Text", ftDateTime, 0, false, 0}, 1);
    EXPECT_EQ(integer.AsInteger(), 0);
    EXPECT_EQ(integer.AsString(), "");
    EXPECT_EQ(stamp.AsDateTime(), 0.0);
}

TEST_F(DaoTableTest, FieldDefinitionsFollowTheEnginesFormatsNumberingAndComputedDefaults)
{
    {
        jet::TableDefPtr parts = Db->CreateTableDef("parts");
        const auto add = [&](const std::string& name, int type, int size = 0) {
            jet::FieldPtr field = parts->CreateField(name, type, size);
            parts->Fields().Append(field);
            return field;
        };
        add("Id", jet::dbLong)->SetAttributes(jet::dbAutoIncrField);
        add("Serial", jet::dbLong)->SetDefaultValue("GenUniqueID()");
        add("Key", jet::dbGUID)->SetDefaultValue("GenGUID()");
        add("Stock", jet::dbLong)->SetDefaultValue("7");
        const jet::FieldPtr name = add("Name", jet::dbText, 40);
        name->Properties().Append(name->CreateProperty("Caption", jet::dbText, jet::Variant("Part name")));
        for (const char* format : {"Medium Time", "general date", "Short Date"}) {
            const jet::FieldPtr date = add(std::string("At ") + format, jet::dbDate);
            date->Properties().Append(date->CreateProperty("Format", jet::dbText, jet::Variant(format)));
        }
        add("Made", jet::dbDate);
        jet::IndexPtr mixed = parts->CreateIndex("Mixed");
        mixed->Fields().Append(mixed->CreateField("Name"));
        jet::FieldPtr down = mixed->CreateField("Stock");
        down->SetAttributes(jet::dbDescending);
        mixed->Fields().Append(down);
        parts->Indexes().Append(mixed);
        jet::IndexPtr newest = parts->CreateIndex("Newest");
        jet::FieldPtr made = newest->CreateField("Made");
        made->SetAttributes(jet::dbDescending);
        newest->Fields().Append(made);
        parts->Indexes().Append(newest);
        Db->TableDefs().Append(parts);
    }
    Connect();
    TDaoTable& table = TableOn("parts", jet::dbOpenTable);
    table.SetUseCaptions(true);
    table.Open();

    const struct {
        const char* Name;
        TFieldType Type;
        const char* Label;
    } fields[] = {
        {"Id", ftAutoInc, "Id"},           {"Serial", ftInteger, "Serial"},
        {"Key", ftBytes, "Key"},           {"Stock", ftInteger, "Stock"},
        {"Name", ftString, "Part name"},   {"At Medium Time", ftTime, "At Medium Time"},
        {"At general date", ftDateTime, "At general date"},
        {"At Short Date", ftDate, "At Short Date"},
        {"Made", ftDateTime, "Made"},
    };
    ASSERT_EQ(table.FieldDefs().Count(), static_cast<int>(std::size(fields)));
    for (int i = 0; i < table.FieldDefs().Count(); ++i) {
        const auto& expected = fields[i];
        EXPECT_EQ(table.FieldDefs()[i].Name, expected.Name);
        EXPECT_EQ(table.FieldDefs()[i].DataType, expected.Type) << expected.Name;
        EXPECT_EQ(table.FieldByName(expected.Name).DisplayLabel(), expected.Label);
    }
    EXPECT_EQ(table.FieldDefs()[2].Precision, 47554944) << "the GUID marker";

    // Numbers and GUIDs that the engine makes are not written as defaults;
    // a plain default is.
    table.Append();
    EXPECT_TRUE(table.FieldByName("Id").IsNull());
    EXPECT_TRUE(table.FieldByName("Serial").IsNull());
    EXPECT_TRUE(table.FieldByName("Key").IsNull());
    EXPECT_EQ(table.FieldByName("Stock").AsString(), "7");
    table.Cancel();

    const TIndexDefs& indexes = table.IndexDefs();
    ASSERT_EQ(indexes.Count(), 2);
    EXPECT_EQ(indexes[0].Fields, "Name;Stock");
    EXPECT_EQ(indexes[0].DescFields, "Stock");
    EXPECT_EQ(indexes[0].Options & ixDescending, 0u) << "not every field descends";
    EXPECT_EQ(indexes[1].DescFields, "Made");
    EXPECT_NE(indexes[1].Options & ixDescending, 0u);
}

TEST_F(DaoTableTest, OpenOptionsReachTheEngineAsTheSumOfTheirValues)
{
    MakeConfigTable(1);
    Connect();
    TDaoTable& table = ConfigTable();
    table.F_Set_OpenOptions(OOBit(dbDenyWrite) | OOBit(dbForwardOnly));
    table.Open();
    EXPECT_EQ(Recorder->Calls.back(), "OpenRecordset(config,2,257,3)");
}

TEST_F(DaoTableTest, ShownGuidsReadAndTakeTheirBracedText)
{
    MakeTable("keys", {{"Id", jet::dbLong}, {"Key", jet::dbGUID}});
    Run("INSERT INTO keys (Id, Key) VALUES (1, {guid {12345678-9ABC-DEF0-1234-56789ABCDEF0}})");
    Connect();
    TDaoTable& table = TableOn("keys");
    table.F_Set_ShowGUID(true);
    table.Open();
    TField& key = table.FieldByName("Key");
    EXPECT_EQ(key.DisplayText(), "{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
    EXPECT_EQ(key.DisplayWidth(), 38);

    table.Edit();
    key.SetText("{00000000-1111-2222-3333-444444444444}");
    EXPECT_EQ(key.AsString(), "{guid {00000000-1111-2222-3333-444444444444}}");
    key.SetText("{0000-1111}");
    EXPECT_EQ(key.AsString(), "{guid {00000000-1111-2222-3333-444444444444}}") << "too short: ignored";
    table.Post();
    table.Close();
    table.Open();
    EXPECT_EQ(table.FieldByName("Key").DisplayText(), "{00000000-1111-2222-3333-444444444444}");

    table.Close();
    table.F_Set_ShowGUID(false);
    table.Open();
    EXPECT_EQ(table.FieldByName("Key").DisplayText(), "{guid {00000000-1111-2222-3333-444444444444}}");
}

} // namespace
} // namespace daotabletest

namespace {

struct TranslatingTable : TDaoTable {
    using TDaoTable::Translate;
};

TEST(DaoTableTranslate, CopiesAndWithTranslationConvertsToAndFromTheOemPage)
{
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    TranslatingTable table;
    std::string dest = "old";
    EXPECT_EQ(table.Translate("caf\xC3\xA9", dest, true), 5);
    EXPECT_EQ(dest, "caf\xC3\xA9") << "without Translation the text is copied";
    table.SetTranslation(true);
    EXPECT_EQ(table.Translate("caf\xC3\xA9", dest, true), 4);
    EXPECT_EQ(dest, "caf\x82");
    EXPECT_EQ(table.Translate("caf\x82", dest, false), 5);
    EXPECT_EQ(dest, "caf\xC3\xA9");
    EXPECT_EQ(table.Translate(nullptr, dest, true), 0);
    EXPECT_EQ(table.Translate(dest.c_str(), dest, true), 0);
    EXPECT_EQ(dest, "caf\xC3\xA9");
    unsetenv("LC_ALL");
}

} // namespace
