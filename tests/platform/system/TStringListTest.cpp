#include "platform/system/TStringList.h"

#include <gtest/gtest.h>

using platform::TStringList;

namespace {

struct CommaCase {
    const char* text;
    std::vector<std::string> items;
    const char* written;  // CommaText of the items read
};

TEST(TStringList, ReadsAndWritesCommaTextByTheOldRules)
{
    const CommaCase cases[] = {
        {"Orders=3,Lines=-1", {"Orders=3", "Lines=-1"}, "Orders=3,Lines=-1"},
        {"", {}, ""},
        {"a, b ,c", {"a", "b", "c"}, "a,b,c"},
        // An unquoted blank ends an item as a comma does.
        {"a b", {"a", "b"}, "a,b"},
        {"\"a b\",\"x,y\"", {"a b", "x,y"}, "\"a b\",\"x,y\""},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {"a,", {"a", ""}, "a,"},
        {",a", {"", "a"}, ",a"},
        {"\"\"", {""}, "\"\""},
        {"\"unclosed", {"unclosed"}, "unclosed"},
    };
    for (const CommaCase& c : cases) {
        TStringList list;
        list.SetCommaText(c.text);
        EXPECT_EQ(std::vector<std::string>(list.begin(), list.end()), c.items) << c.text;
        EXPECT_EQ(list.CommaText(), c.written) << c.text;
    }
}

TEST(TStringList, NameValuePairsIgnoreTheCaseOfNames)
{
    TStringList list{"USER NAME=Admin", "PASSWORD=", "flag"};
    EXPECT_EQ(list.Values("user name"), "Admin");
    EXPECT_EQ(list.Values("PASSWORD"), "");
    EXPECT_EQ(list.IndexOfName("password"), 1);
    EXPECT_EQ(list.IndexOfName("flag"), 2);
    EXPECT_EQ(list.IndexOfName("missing"), -1);
    EXPECT_EQ(list.Names(0), "USER NAME");
    EXPECT_EQ(list.ValueFromIndex(0), "Admin");

    list.SetValues("User Name", "Guest");
    list.SetValues("DBPASSWORD", "x=y");
    EXPECT_EQ(list[0], "User Name=Guest");
    EXPECT_EQ(list.Values("DBPASSWORD"), "x=y");
    // An empty value removes the pair, as the old list did.
    list.SetValues("user name", "");
    EXPECT_EQ(list.IndexOfName("USER NAME"), -1);
}

TEST(TStringList, SortedListKeepsOneOfEachTextWhenIgnoringDuplicates)
{
    TStringList list;
    list.SetSorted(true);
    EXPECT_EQ(list.Add("3.6"), 0);
    EXPECT_EQ(list.Add("3.5"), 0);
    EXPECT_EQ(list.Add("3.6"), -1);
    EXPECT_EQ(list.CommaText(), "3.5,3.6");
    EXPECT_THROW(list.Insert(0, "x"), std::logic_error);

    list.SetDuplicates(TStringList::dupError);
    EXPECT_THROW(list.Add("3.5"), std::invalid_argument);
}

TEST(TStringList, TextSplitsAtEveryKindOfLineBreak)
{
    TStringList list;
    list.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(list.CommaText(), "a,b,c,d");
    EXPECT_EQ(list.Text(), "a\nb\nc\nd\n");
    list.SetText("");
    EXPECT_TRUE(list.Empty());
}

TEST(TStringList, PositionsOutOfRangeRaise)
{
    TStringList list{"a"};
    EXPECT_THROW(list[1], std::out_of_range);
    EXPECT_THROW(list.Delete(-1), std::out_of_range);
    EXPECT_THROW(list.Insert(2, "x"), std::out_of_range);
    list.Insert(1, "b");
    list.Insert(0, "c");
    EXPECT_EQ(list.CommaText(), "c,a,b");
    EXPECT_EQ(list.IndexOf("A"), 1);
}

} // namespace
