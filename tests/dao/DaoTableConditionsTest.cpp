#include "DaoTableSearchFixture.h"

#include <gmock/gmock.h>

namespace daotabletest {
namespace {

class DaoTableConditionsTest : public DaoTableSearchTest {
protected:
    // A table of every type a key may have; Shape is calculated, of a type no
    // condition can hold.
    TDaoTable& OpenTyped()
    {
        MakeTable("typed", {{"Id", jet::dbLong},
                            {"Name", jet::dbText, 50},
                            {"Price", jet::dbDouble},
                            {"Count", jet::dbInteger},
                            {"Done", jet::dbBoolean},
                            {"When", jet::dbDate},
                            {"Key", jet::dbGUID},
                            {"Raw", jet::dbBinary, 8},
                            {"Note", jet::dbMemo}},
                  {"Id"});
        Db->Execute("INSERT INTO typed (Id, Name) VALUES (1, \"one\")");
        Connect();
        TDaoTable& table = TableOn("typed");
        table.Open();
        return table;
    }

    // The condition of one key, or the error it raises.
    std::string KeyCondition(TDaoTable& table, const std::string& field, const TDaoKeyValue& value,
                             TLocateOptions options = 0, bool locate = false)
    {
        TStringList fields{field};
        TDaoKeyValues values{value};
        return ErrorOrText([&] {
            return locate ? table.BuildLocateSQL(fields, values, options) : table.BuildKeySQL(fields, values);
        });
    }

    template <class F>
    static std::string ErrorOrText(F&& build)
    {
        try {
            return build();
        } catch (const std::exception& error) {
            return std::string("error: ") + error.what();
        }
    }
};

const TDaoKeyValue Null{"NULL", true};

TDaoKeyValue Text(const char* text)
{
    return {text, false};
}

TEST_F(DaoTableConditionsTest, EachValueIsWrittenForItsFieldsType)
{
    TDaoTable& table = OpenTyped();
    const struct {
        const char* Field;
        TDaoKeyValue Value;
        const char* Expected;
    } cases[] = {
        {"Name", Text("Bert"), "([Name]  = \"Bert\")"},
        {"Name", Text(""), "([Name]  = \"\")"},
        {"Name", Null, "([Name] IS NULL)"},
        {"Name", Text("NULL"), "([Name]  = \"NULL\")"},  // a text, not the Null
        {"Note", Text("a\"b"), "([Note]  = \"a\"\"b\")"},
        {"Price", Text("12.5"), "([Price]  = 12.5)"},
        {"Price", Text("12,5"), "([Price]  = 12.5)"},
        {"Price", Text(""), "([Price]  IS NULL)"},
        {"Price", Null, "([Price] IS NULL)"},
        {"Count", Text("-7"), "([Count]  = -7)"},
        {"Done", Text("True"), "([Done]  = True)"},
        {"Done", Text("no"), "([Done]  = False)"},
        {"Done", Text("-1"), "([Done]  = -1)"},
        {"When", Text("03/15/2001 14:05:09"), "([When]  = #03/15/2001 14:05:09#)"},
        {"When", Text("Mon 5/12/2001 10:20 PM"), "([When]  = #05/12/2001 22:20:00#)"},
        {"When", Text(""), "([When]  IS NULL)"},
        {"Key", Text("{12345678-9abc-DEF0-1234-56789ABCDEF0}"),
         "([Key]  = {guid {12345678-9ABC-DEF0-1234-56789ABCDEF0}})"},
        // The form a GUID field's value has: wrapped once, not twice.
        {"Key", Text("{guid {12345678-9ABC-DEF0-1234-56789ABCDEF0}}"),
         "([Key]  = {guid {12345678-9ABC-DEF0-1234-56789ABCDEF0}})"},
        {"Key", Text("{00000000-0000-0000-0000-000000000000}"), "([Key]  IS NULL)"},
        {"Raw", Text("ab\"c"), "([Raw]  = \"ab\"\"c\")"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyCondition(table, c.Field, c.Value), c.Expected) << c.Field << " " << c.Value.Text;
}

TEST_F(DaoTableConditionsTest, AValueThatWouldChangeTheConditionIsRefusedOrQuoted)
{
    TDaoTable& table = OpenTyped();
    const struct {
        const char* Field;
        const char* Value;
        const char* Expected;
    } cases[] = {
        {"Price", "1) OR (1=1", "error: Unable to build Key SQL!"},
        {"Count", "5 OR 1=1", "error: Unable to build Key SQL!"},
        {"Done", "True) OR (1=1", "error: Unable to build Key SQL!"},
        {"Key", "{guid 1}) OR (1=1", "error: Unable to build Key SQL!"},
        {"Key", "{12345678-9ABC-DEF0-1234-56789ABCDEF0}) OR (1=1", "error: Unable to build Key SQL!"},
        {"Name", "x\") OR (\"1\"=\"1", "([Name]  = \"x\"\") OR (\"\"1\"\"=\"\"1\")"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyCondition(table, c.Field, Text(c.Value)), c.Expected) << c.Field << " " << c.Value;
    for (const char* field : {"Name", "Raw"})
        EXPECT_EQ(KeyCondition(table, field, {std::string("a\0b", 3), false}), "error: Unable to build Key SQL!")
            << "no criteria text carries a zero character";
    EXPECT_EQ(KeyCondition(table, "Price", Text("1) OR (1=1"), 0, true), "error: Unable to build Lookup Key SQL!");
    EXPECT_THAT(KeyCondition(table, "When", Text("1) OR (1=1")), ::testing::EndsWith("is not a valid date and time"));

    // Searched as a whole, the text finds no record instead of every one.
    EXPECT_FALSE(table.Locate("Name", "x\") OR (\"1\"=\"1", 0));
    EXPECT_TRUE(table.Lookup("Name", "one\") OR (\"1\"=\"1", "Id").IsNull());
    EXPECT_EQ(ErrorOf([&] { table.Lookup("Price", "1) OR (1=1", "Id"); }), "Unable to build Key SQL!");
    EXPECT_EQ(table.Recordset()->Filter(), "");
}

TEST_F(DaoTableConditionsTest, LocateConditionsFollowTheOptions)
{
    TDaoTable& table = OpenTyped();
    const struct {
        const char* Value;
        TLocateOptions Options;
        const char* Expected;
    } cases[] = {
        {"BeRt", 0, "([Name]  = \"BeRt\")"},
        {"BeRt", loCaseInsensitive, "([Name]  = LCASE(\"bert\"))"},
        {"a*b-[c]", loPartialKey, "([Name]  LIKE \"a[*]b[-][[]c[]]*\")"},
        {"*!", loPartialKey, "([Name]  LIKE \"[*]!*\")"},  // "!" is literal outside brackets
        {"A\"B", loPartialKey | loCaseInsensitive, "([Name]  LIKE LCASE(\"a\"\"b*\"))"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyCondition(table, "Name", Text(c.Value), c.Options, true), c.Expected) << c.Value;

    TStringList fields{"Name", "Price"};
    TDaoKeyValues values{Text("ÄBC"), Text("2")};
    EXPECT_EQ(table.BuildLocateSQL(fields, values, loCaseInsensitive),
              "([Name]  = LCASE(\"äbc\")) AND ([Price]  = 2)");
    EXPECT_EQ(values[0].Text, "äbc") << "the value list holds the lower-case text";
    TStringList none;
    TDaoKeyValues noValues;
    EXPECT_EQ(table.BuildKeySQL(none, noValues), "");
    EXPECT_FALSE(table.Locate("Name", "*!", loPartialKey)) << "a pattern the engine takes";
    table.SetUseBrackets(false);
    EXPECT_EQ(KeyCondition(table, "Name", Text("a")), "(Name  = \"a\")");
}

TEST_F(DaoTableConditionsTest, ATypeNoConditionHoldsIsRefused)
{
    MakeParts();
    Connect();
    TDaoTable& table = TableOn("parts");
    table.AddField("Id", ftInteger);
    table.AddField("Shape", ftVarBytes, fkCalculated, 8);
    table.Open();
    EXPECT_EQ(KeyCondition(table, "Shape", Text("x")), "error: Unable to build Key SQL!");
    EXPECT_EQ(KeyCondition(table, "Shape", Text("x"), 0, true), "error: Unable to build Lookup Key SQL!");
    EXPECT_EQ(KeyCondition(table, "Shape", Null), "([Shape] IS NULL)") << "a Null needs no type";
    EXPECT_EQ(KeyCondition(table, "Colour", Text("x")), "error: Field 'Colour' not found");
}

TEST_F(DaoTableConditionsTest, TheKeyValuesOfAVariantMarkTheirNulls)
{
    const TDaoKeyValues values = KeyValuesOf(KeyArray({1, jet::Variant::Null(), "x", "NULL"}));
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0].Text, "1");
    EXPECT_TRUE(values[1].Null);
    EXPECT_EQ(values[1].Text, "NULL") << "callers still read the text";
    EXPECT_FALSE(values[3].Null);
    EXPECT_EQ(KeyValuesOf(jet::Variant::Bytes(std::string(16, '\x01'))).size(), 1u) << "bytes are one value";
}

TEST_F(DaoTableConditionsTest, TheIndexesAreAskedWhichFieldsTheyHold)
{
    TDaoTable& table = OpenParts(jet::dbOpenTable);
    EXPECT_EQ(table.GetFieldIndexName("name"), "ByName");
    EXPECT_EQ(table.GetFieldIndexName("Colour"), "");
    EXPECT_FALSE(table.CheckFieldsInIndex(TStringList{})) << "no IndexName";
    table.F_Set_IndexName("ByName");
    EXPECT_TRUE(table.CheckFieldsInIndex(TStringList{}));
    EXPECT_TRUE(table.CheckFieldsInIndex(TStringList{"id", "Name"}));
    EXPECT_FALSE(table.CheckFieldsInIndex(TStringList{"Name", "City"}));
    EXPECT_EQ(TDaoTable::GetUniqueIndexFields(table), "Id");
    EXPECT_TRUE(TDaoTable::IsFieldUniqueIndex(table, "Id"));
    EXPECT_FALSE(TDaoTable::IsFieldUniqueIndex(table, "Name"));
}

TEST_F(DaoTableConditionsTest, ADetailConditionNeedsAsManyDetailAsMasterFields)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    table.F_Set_Master(TStringList{"Id"});
    table.F_Set_Detail(TStringList{"Id", "Name"});
    EXPECT_EQ(ErrorOf([&] { table.BuildDetailSQL(); }), "The number of Master and Detail fields must be equal!");
}

} // namespace
} // namespace daotabletest
