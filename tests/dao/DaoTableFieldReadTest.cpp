// How the values of a record read: the same through every accessor whether
// the record keeps a number as the engine gave it or holds its text.
#include "DaoTableFixture.h"

#include "platform/system/DateTime.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

namespace daotabletest {
namespace {

std::string Printable(const std::string& bytes)
{
    std::string text;
    for (const unsigned char c : bytes) {
        if (c >= 32 && c < 127 && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    return text;
}

std::string Number(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Every way a field is read, on one line: each reading's answer, or
// "raises".
std::string Answers(const TField& field)
{
    std::string line;
    const auto add = [&](const char* name, const std::function<std::string()>& read) {
        std::string answer;
        try {
            answer = read();
        } catch (const std::exception&) {
            answer = "raises";
        }
        line += (line.empty() ? "" : " ") + std::string(name) + "=" + answer;
    };
    add("null", [&] { return std::string(field.IsNull() ? "true" : "false"); });
    add("text", [&] { return "\"" + Printable(field.AsString()) + "\""; });
    add("integer", [&] { return std::to_string(field.AsInteger()); });
    add("float", [&] { return Number(field.AsFloat()); });
    add("currency", [&] { return Number(field.AsCurrency()); });
    add("boolean", [&] { return std::string(field.AsBoolean() ? "true" : "false"); });
    add("date", [&] { return Number(field.AsDateTime()); });
    add("value", [&] {
        const jet::Variant value = field.Value();
        return std::to_string(value.VarType()) + ":"
            + Printable(value.IsArray() ? value.AsBytes() : jet::VarToStr(value));
    });
    return line;
}

struct StoredValue {
    const char* Column;
    jet::Variant Value;
};

struct ReadCase {
    const char* Column;
    jet::Variant Value;
    const char* Expected;  // Answers
};

// A table "kinds" with a column of every type the engine stores, one row per
// value given (the other columns Null), opened through the table component.
class DaoTableFieldReadTest : public DaoTableTest {
protected:
    void MakeKinds(const std::vector<StoredValue>& values)
    {
        MakeTable("kinds", {{"Id", jet::dbLong},
                            {"Flag", jet::dbBoolean},
                            {"Tiny", jet::dbByte},
                            {"Short", jet::dbInteger},
                            {"Long", jet::dbLong},
                            {"Big", jet::dbBigInt},
                            {"Money", jet::dbCurrency},
                            {"Single", jet::dbSingle},
                            {"Real", jet::dbDouble},
                            {"When", jet::dbDate},
                            {"Name", jet::dbText, 20},
                            {"Note", jet::dbMemo},
                            {"Raw", jet::dbBinary, 4},
                            {"Blob", jet::dbLongBinary},
                            {"Key", jet::dbGUID}},
                  {"Id"});
        const jet::RecordsetPtr rows = Db->OpenRecordset("kinds", jet::dbOpenTable);
        int id = 0;
        for (const StoredValue& value : values) {
            rows->AddNew();
            rows->Fields().Item("Id")->SetValue(++id);
            rows->Fields().Item(value.Column)->SetValue(value.Value);
            rows->Update();
        }
        rows->Close();
    }
};

// What each kind of value read as before a record kept numbers as the engine
// gave them, read through the field of its column's own type.
TEST_F(DaoTableFieldReadTest, EveryKindOfValueReadsAsItAlwaysHas)
{
    const double noon = platform::EncodeDate(2024, 3, 15) + platform::EncodeTime(12, 0, 0, 0);
    const ReadCase cases[] = {
        {"Flag", true,
         "null=false text=\"True\" integer=1 float=raises currency=raises boolean=true date=raises value=11:True"},
        {"Flag", false,
         "null=false text=\"False\" integer=0 float=raises currency=raises boolean=false date=raises value=11:False"},
        {"Tiny", jet::Variant::Byte(255),
         "null=false text=\"255\" integer=255 float=255 currency=255 boolean=raises date=raises value=3:255"},
        {"Short", jet::Variant::Smallint(-32768),
         "null=false text=\"-32768\" integer=-32768 float=-32768 currency=-32768 boolean=raises date=raises"
         " value=3:-32768"},
        {"Long", 2147483647,
         "null=false text=\"2147483647\" integer=2147483647 float=2147483647 currency=2147483647"
         " boolean=raises date=raises value=3:2147483647"},
        {"Long", -42,
         "null=false text=\"-42\" integer=-42 float=-42 currency=-42 boolean=raises date=raises value=3:-42"},
        {"Big", std::int64_t{1} << 40,
         "null=false text=\"\" integer=0 float=0 currency=0 boolean=false date=0 value=3:0"},
        {"Money", jet::Variant::Currency(12.3456),
         "null=false text=\"12.3456\" integer=12 float=12.345599999999999 currency=12.345599999999999"
         " boolean=raises date=raises value=6:12.3456"},
        {"Money", jet::Variant::Currency(-2.5),
         "null=false text=\"-2.5\" integer=-2 float=-2.5 currency=-2.5 boolean=raises date=raises value=6:-2.5"},
        {"Single", jet::Variant::Single(0.1f),
         "null=false text=\"0.1\" integer=0 float=0.10000000000000001 currency=0.10000000000000001"
         " boolean=raises date=raises value=5:0.1"},
        {"Real", 0.1 + 0.2,
         "null=false text=\"0.3\" integer=0 float=0.29999999999999999 currency=0.29999999999999999"
         " boolean=raises date=raises value=5:0.3"},
        {"Real", 12345.25,
         "null=false text=\"12345.25\" integer=12345 float=12345.25 currency=12345.25 boolean=raises"
         " date=raises value=5:12345.25"},
        {"Real", 2.5,
         "null=false text=\"2.5\" integer=2 float=2.5 currency=2.5 boolean=raises date=raises value=5:2.5"},
        {"Real", -0.0,
         "null=false text=\"0\" integer=0 float=0 currency=0 boolean=raises date=raises value=5:0"},
        {"Real", 1e-5,
         "null=false text=\"1e-05\" integer=0 float=1.0000000000000001e-05 currency=1.0000000000000001e-05"
         " boolean=raises date=raises value=5:1e-05"},
        {"Real", 1.0 / 3,
         "null=false text=\"0.333333333333333\" integer=0 float=0.33333333333333298"
         " currency=0.33333333333333298 boolean=raises date=raises value=5:0.333333333333333"},
        {"Real", 1e300,
         "null=false text=\"1e+300\" integer=raises float=1.0000000000000001e+300"
         " currency=1.0000000000000001e+300 boolean=raises date=raises value=5:1e+300"},
        {"When", jet::Variant::Date(noon),
         "null=false text=\"03/15/2024 12:00:00\" integer=raises float=45366.5 currency=45366.5"
         " boolean=raises date=45366.5 value=7:03/15/2024 12:00:00"},
        {"Name", "abc",
         "null=false text=\"abc\" integer=raises float=raises currency=raises boolean=raises date=raises"
         " value=8:abc"},
        {"Name", "12",
         "null=false text=\"12\" integer=12 float=12 currency=12 boolean=raises date=raises value=8:12"},
        {"Name", "",
         "null=true text=\"\" integer=0 float=0 currency=0 boolean=false date=0 value=1:"},
        {"Note", "first\r\nsecond",
         "null=false text=\"first\\x0D\\x0Asecond\" integer=raises float=raises currency=raises"
         " boolean=raises date=raises value=8:first\\x0D\\x0Asecond"},
        {"Raw", jet::Variant::Bytes(std::string("\x01\x00\xFF\x7F", 4)),
         "null=false text=\"\\x01\\x00\\xFF\\x7F\" integer=raises float=raises currency=raises boolean=raises"
         " date=raises value=8209:\\x01\\x00\\xFF\\x7F"},
        {"Blob", jet::Variant::Bytes(std::string("\x00\x01\x02", 3)),
         "null=false text=\"\\x00\\x01\\x02\" integer=raises float=raises currency=raises boolean=raises"
         " date=raises value=8209:\\x00\\x01\\x02"},
        {"Key", "{guid {12345678-9ABC-DEF0-1234-56789ABCDEF0}}",
         "null=false text=\"{guid {12345678-9ABC-DEF0-1234-56789ABCDEF0}}\" integer=raises float=raises"
         " currency=raises boolean=raises date=raises value=8209:{guid {12345678-9ABC-DEF0-1234-56789ABCDEF0}}"},
        {"Long", jet::Variant::Null(),
         "null=true text=\"\" integer=0 float=0 currency=0 boolean=false date=0 value=1:"},
        {"Real", jet::Variant::Null(),
         "null=true text=\"\" integer=0 float=0 currency=0 boolean=false date=0 value=1:"},
        {"Name", jet::Variant::Null(),
         "null=true text=\"\" integer=0 float=0 currency=0 boolean=false date=0 value=1:"},
    };
    std::vector<StoredValue> values;
    for (const ReadCase& c : cases)
        values.push_back({c.Column, c.Value});
    MakeKinds(values);
    Connect();
    TDaoTable& table = TableOn("kinds");
    table.Open();
    std::size_t row = 0;
    for (table.First(); !table.Eof(); table.Next(), ++row) {
        ASSERT_LT(row, std::size(cases));
        EXPECT_EQ(Answers(table.FieldByName(cases[row].Column)), cases[row].Expected)
            << cases[row].Column << " of row " << row + 1;
    }
    EXPECT_EQ(row, std::size(cases));
}

// A number or Boolean the record keeps as the engine gave it reads, through
// a field of any type, exactly as its text reads: the same value held as
// that text in a text column (what the record held before) is the measure.
TEST_F(DaoTableFieldReadTest, KeptValuesReadThroughEveryFieldTypeAsTheirTextsRead)
{
    const std::vector<StoredValue> values = {
        {"Flag", true},
        {"Flag", false},
        {"Tiny", jet::Variant::Byte(0)},
        {"Tiny", jet::Variant::Byte(200)},
        {"Short", jet::Variant::Smallint(-7)},
        {"Short", jet::Variant::Smallint(32767)},
        {"Long", 0},
        {"Long", 1},
        {"Long", -1},
        {"Long", 2147483647},
        {"Long", -2147483647 - 1},
        {"Long", 45366},
        {"Big", std::int64_t{5}},
        {"Big", std::int64_t{1} << 40},
        {"Big", -(std::int64_t{1} << 40)},
        {"Money", jet::Variant::Currency(12.3456)},
        {"Money", jet::Variant::Currency(-0.0001)},
        {"Money", jet::Variant::Currency(2.5)},
        {"Money", jet::Variant::Currency(123456789012.3456)},
        {"Money", jet::Variant::CurrencyScaled(9007199254740993)},
        {"Real", 0.1 + 0.2},
        {"Real", 0.0},
        {"Real", -0.0},
        {"Real", 1.0},
        {"Real", 2.5},
        {"Real", 3.5},
        {"Real", -2.5},
        {"Real", 1e-5},
        {"Real", 0.0001},
        {"Real", 1.0 / 3},
        {"Real", 12345.25},
        {"Real", 45366.5},
        {"Real", 2147483647.5},
        {"Real", -2147483648.5},
        {"Real", 1e15},
        {"Real", 123456789012345.6},
        {"Real", 9007199254740993.0},
        {"Real", 1e300},
        {"Real", std::numeric_limits<double>::denorm_min()},
    };
    const std::vector<Column> numbers = {{"Id", jet::dbLong},     {"Flag", jet::dbBoolean},   {"Tiny", jet::dbByte},
                                         {"Short", jet::dbInteger}, {"Long", jet::dbLong},    {"Big", jet::dbBigInt},
                                         {"Money", jet::dbCurrency}, {"Real", jet::dbDouble}};
    std::vector<Column> texts = {{"Id", jet::dbLong}};
    for (std::size_t i = 1; i < numbers.size(); ++i)
        texts.push_back({numbers[i].Name, jet::dbText, 255});
    MakeTable("numbers", numbers, {"Id"});
    MakeTable("texts", texts, {"Id"});
    const jet::RecordsetPtr numberRows = Db->OpenRecordset("numbers", jet::dbOpenTable);
    const jet::RecordsetPtr textRows = Db->OpenRecordset("texts", jet::dbOpenTable);
    int id = 0;
    for (const StoredValue& value : values) {
        numberRows->AddNew();
        numberRows->Fields().Item("Id")->SetValue(++id);
        numberRows->Fields().Item(value.Column)->SetValue(value.Value);
        numberRows->Update();
        numberRows->SetBookmark(numberRows->LastModified());
        textRows->AddNew();
        textRows->Fields().Item("Id")->SetValue(id);
        textRows->Fields().Item(value.Column)->SetValue(jet::VarToStr(numberRows->Fields().Item(value.Column)->Value()));
        textRows->Update();
    }
    numberRows->Close();
    textRows->Close();
    Connect();
    TDaoTable numberTable;
    numberTable.F_Set_Database(Database.get());
    numberTable.F_Set_TableName("numbers");
    numberTable.Open();
    TDaoTable textTable;
    textTable.F_Set_Database(Database.get());
    textTable.F_Set_TableName("texts");
    textTable.Open();

    const TFieldType types[] = {ftString, ftSmallint, ftInteger, ftWord,     ftAutoInc, ftBoolean, ftFloat,
                                ftCurrency, ftBCD,    ftDate,    ftTime,     ftDateTime, ftBytes,  ftUnknown};
    std::size_t row = 0;
    for (numberTable.First(), textTable.First(); !numberTable.Eof(); numberTable.Next(), textTable.Next(), ++row) {
        ASSERT_LT(row, values.size());
        ASSERT_FALSE(textTable.Eof());
        const std::string name = values[row].Column;
        const int fieldNo = numberTable.FieldDefs().IndexOf(name) + 1;
        for (const TFieldType type : types) {
            const TField number(numberTable, TFieldDef{name, type, 0, false, 0}, fieldNo);
            const TField text(textTable, TFieldDef{name, type, 0, false, 0}, fieldNo);
            EXPECT_EQ(Answers(number), Answers(text)) << name << " of row " << row + 1 << " read as type " << type;
        }
    }
    EXPECT_EQ(row, values.size());
}

// Calculated and lookup fields, filters, ranges, edits and posts all see the
// values the fields read.
TEST_F(DaoTableFieldReadTest, CalculationsFiltersRangesAndEditsSeeTheValuesTheFieldsRead)
{
    MakeTable("parts", {{"Id", jet::dbLong}, {"Qty", jet::dbInteger}, {"Price", jet::dbDouble}, {"Active", jet::dbBoolean}},
              {"Id"});
    MakeTable("names", {{"Code", jet::dbInteger}, {"Label", jet::dbText, 20}});
    {
        jet::TableDefPtr parts = Db->TableDefs().Item("parts");
        jet::IndexPtr byPrice = parts->CreateIndex("ByPrice");
        byPrice->Fields().Append(byPrice->CreateField("Price"));
        parts->Indexes().Append(byPrice);
        const jet::RecordsetPtr rows = Db->OpenRecordset("parts", jet::dbOpenTable);
        const struct {
            int Id, Qty;
            double Price;
            bool Active;
        } stored[] = {{1, 5, 0.1 + 0.2, true}, {2, 7, 2.5, false}, {3, 9, 12345.25, true}};
        for (const auto& part : stored) {
            rows->AddNew();
            rows->Fields().Item("Id")->SetValue(part.Id);
            rows->Fields().Item("Qty")->SetValue(part.Qty);
            rows->Fields().Item("Price")->SetValue(part.Price);
            rows->Fields().Item("Active")->SetValue(part.Active);
            rows->Update();
        }
        Run("INSERT INTO names (Code, Label) VALUES (5, \"five\")");
        Run("INSERT INTO names (Code, Label) VALUES (7, \"seven\")");
        Run("INSERT INTO names (Code, Label) VALUES (9, \"nine\")");
    }
    Connect();
    TDaoTable names;
    names.F_Set_Database(Database.get());
    names.F_Set_TableName("names");
    names.Open();
    TDaoTable& table = TableOn("parts", jet::dbOpenTable);
    table.AddField("Id", ftInteger);
    table.AddField("Qty", ftSmallint);
    table.AddField("Price", ftFloat);
    table.AddField("Active", ftBoolean);
    table.AddField("Total", ftFloat, fkCalculated);
    table.AddField("Shown", ftString, fkCalculated, 40);
    TField& name = table.AddField("Name", ftString, fkLookup, 20);
    name.LookupDataSet = &names;
    name.KeyFields = "Qty";
    name.LookupKeyFields = "Code";
    name.LookupResultField = "Label";
    table.OnCalcFields = [](TDataSet& dataSet) {
        dataSet.FieldByName("Total").SetAsFloat(dataSet.FieldByName("Qty").AsInteger()
                                               * dataSet.FieldByName("Price").AsFloat());
        dataSet.FieldByName("Shown").SetAsString(dataSet.FieldByName("Price").AsString() + " "
                                                 + dataSet.FieldByName("Active").AsString());
    };
    table.Open();
    const auto rows = [&] {
        std::vector<std::string> lines;
        for (table.First(); !table.Eof(); table.Next())
            lines.push_back(table.FieldByName("Id").AsString() + ": " + Number(table.FieldByName("Total").AsFloat()) + " "
                            + table.FieldByName("Shown").AsString() + " " + table.FieldByName("Name").AsString());
        return lines;
    };
    EXPECT_EQ(rows(), (Strings{"1: 1.5 0.3 True five", "2: 17.5 2.5 False seven", "3: 111107.25 12345.25 True nine"}));
    EXPECT_EQ(Number(5 * 0.3), "1.5") << "the price reads as 0.3, not as the double stored";

    std::vector<std::string> filtered;
    table.OnFilterRecord = [&](TDataSet& dataSet, bool& accept) {
        filtered.push_back(dataSet.FieldByName("Price").AsString());
        accept = dataSet.FieldByName("Price").AsFloat() == 0.3 || !dataSet.FieldByName("Active").AsBoolean();
    };
    table.SetFiltered(true);
    EXPECT_EQ(rows(), (Strings{"1: 1.5 0.3 True five", "2: 17.5 2.5 False seven"}));
    EXPECT_EQ(filtered.front(), "0.3");
    table.SetFiltered(false);
    table.OnFilterRecord = nullptr;

    table.F_Set_IndexName("ByPrice");
    table.SetRange({0.3}, {2.5});
    EXPECT_EQ(rows(), (Strings{"1: 1.5 0.3 True five", "2: 17.5 2.5 False seven"}));
    table.CancelRange();
    table.F_Set_IndexName("");

    table.First();
    table.Edit();
    EXPECT_EQ(table.FieldByName("Price").AsFloat(), 0.3) << "the record is read again for the edit";
    table.FieldByName("Qty").SetAsInteger(7);
    EXPECT_EQ(table.FieldByName("Total").AsFloat(), 7 * 0.3) << "calculated again from the edited record";
    EXPECT_EQ(table.FieldByName("Name").AsString(), "seven");
    table.Post();
    table.First();
    table.Edit();
    table.FieldByName("Price").SetAsFloat(table.FieldByName("Price").AsFloat() + 1);
    table.FieldByName("Active").SetAsBoolean(!table.FieldByName("Active").AsBoolean());
    table.Post();
    EXPECT_EQ(rows(), (Strings{"1: 9.0999999999999996 1.3 False seven", "2: 17.5 2.5 False seven",
                               "3: 111107.25 12345.25 True nine"}));
}

} // namespace
} // namespace daotabletest
