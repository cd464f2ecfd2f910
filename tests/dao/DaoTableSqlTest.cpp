#include "dao/DaoTableSql.h"

#include "platform/system/DateTime.h"

#include <gtest/gtest.h>

namespace {

TParams TwoParams()
{
    TParams params;
    params.Add("a", ftInteger).SetAsInteger(5);
    params.Add("ab", ftString).SetAsString("O\"Brien");
    return params;
}

TEST(DaoTableSql, ParametersAreReplacedAsWholeWordsInOnePass)
{
    const TParams params = TwoParams();
    EXPECT_EQ(ComposeSQL("SELECT * FROM t WHERE x = :a AND y = :ab\n", params, true),
              "SELECT * FROM t WHERE x = 5 AND y = \"O\"\"Brien\"\n");
    EXPECT_EQ(ComposeSQL("x = :A or :AB", params, true), "x = 5 or \"O\"\"Brien\"");
    EXPECT_EQ(ComposeSQL("x = :a", params, false), "x = :a");
    EXPECT_EQ(ComposeSQL("no parameters here", params, true), "no parameters here");
    EXPECT_EQ(ComposeSQL("x=y:a", params, true), "x=y:a");
}

TEST(DaoTableSql, AValueHoldingAParameterNameStaysAsItIs)
{
    TParams params;
    params.Add("first", ftString).SetAsString("look at :second");
    params.Add("second", ftString).SetAsString("spliced");
    EXPECT_EQ(ComposeSQL("a = :first AND b = :second", params, true),
              "a = \"look at :second\" AND b = \"spliced\"");
}

TEST(DaoTableSql, AColonInsideAQuotedLiteralIsText)
{
    TParams params;
    params.Add("p", ftString).SetAsString("' OR 1=1 OR '");
    EXPECT_EQ(ComposeSQL("WHERE OptionName = ':p'", params, true), "WHERE OptionName = ':p'");
    EXPECT_EQ(ComposeSQL("WHERE a = \"x :p\" AND b = :p", params, true),
              "WHERE a = \"x :p\" AND b = \"' OR 1=1 OR '\"");
    EXPECT_EQ(ComposeSQL("WHERE a = 'it''s :p' OR b = :p", params, true),
              "WHERE a = 'it''s :p' OR b = \"' OR 1=1 OR '\"");
    EXPECT_EQ(ComposeSQL("WHERE a = ':p", params, true), "WHERE a = ':p");  // never closed
}

struct LiteralCase {
    const char* Name;
    TFieldType Type;
    std::function<void(TParam&)> Set;
    const char* Literal;
};

TEST(DaoTableSql, LiteralsByType)
{
    const LiteralCase cases[] = {
        {"null", ftInteger, [](TParam&) {}, " IS NULL"},
        {"integer", ftInteger, [](TParam& p) { p.SetAsInteger(-12); }, "-12"},
        {"integer text", ftInteger, [](TParam& p) { p.SetAsString(" 42 "); }, "42"},
        {"float", ftFloat, [](TParam& p) { p.SetAsFloat(1234.5); }, "1234.5"},
        {"float comma text", ftCurrency, [](TParam& p) { p.SetAsString("1234,5"); }, "1234.5"},
        {"boolean", ftBoolean, [](TParam& p) { p.SetAsBoolean(true); }, "True"},
        {"boolean text", ftBoolean, [](TParam& p) { p.SetAsString("false"); }, "False"},
        {"date", ftDate, [](TParam& p) { p.SetAsDateTime(platform::EncodeDate(2024, 3, 15)); }, "#03/15/2024#"},
        {"time", ftTime, [](TParam& p) { p.SetAsDateTime(platform::EncodeTime(9, 5, 7, 0)); }, "#09:05:07#"},
        {"date-time", ftDateTime,
         [](TParam& p) { p.SetAsDateTime(platform::EncodeDate(2024, 3, 15) + platform::EncodeTime(14, 0, 1, 0)); },
         "#03/15/2024 14:00:01#"},
        {"unknown text", ftUnknown, [](TParam& p) { p.SetAsString("a\"b"); }, "\"a\"\"b\""},
        {"unknown number", ftUnknown, [](TParam& p) { p.SetAsFloat(0.5); }, "0.5"},
        {"memo", ftMemo, [](TParam& p) { p.SetAsString("line"); }, "\"line\""},
    };
    for (const LiteralCase& c : cases) {
        TParam param("p", c.Type);
        c.Set(param);
        EXPECT_EQ(ParamLiteral(param), c.Literal) << c.Name;
    }
}

TEST(DaoTableSql, HostileValuesNeverBecomeSql)
{
    const struct {
        TFieldType Type;
        const char* Value;
    } hostile[] = {
        {ftInteger, "1) OR (1=1"}, {ftFloat, "1; DROP TABLE config"}, {ftBoolean, "True OR 1=1"},
        {ftSmallint, "0x10"},      {ftCurrency, "nan"},              {ftDate, "#1/1/2000# OR 1=1"},
    };
    for (const auto& h : hostile) {
        TParam param("p", h.Type);
        param.SetAsString(h.Value);
        EXPECT_THROW(ParamLiteral(param), platform::EConvertError) << h.Value;
    }
    TParam text("p", ftUnknown);
    text.SetAsString("x\" OR \"1\"=\"1");
    EXPECT_EQ(ParamLiteral(text), "\"x\"\" OR \"\"1\"\"=\"\"1\"");
}

TEST(DaoTableSql, NullAfterAnEqualsSignLeavesTwoBlanks)
{
    TParams params;
    params.Add("v", ftString);
    EXPECT_EQ(ComposeSQL("x = :v", params, true), "x =  IS NULL");
}

TEST(DaoTableSql, TextFunctions)
{
    EXPECT_EQ(WWStringReplace("abab", "ab", "X"), "abX");
    EXPECT_EQ(WWStringReplace("Name = :name", ":NAME", "5"), "Name = 5");
    EXPECT_EQ(WWStringReplace("", "a", "b"), "");
    EXPECT_EQ(ChangeQuotes("%-["), "%[-][[]");
    EXPECT_EQ(ChangeQuotes("a*b?#!]"), "a[*]b[?][#][!][]]");
    EXPECT_EQ(EscapeReservedChars("*"), "[*]");
    EXPECT_EQ(ChangeOnlyQuotes("say \"hi\""), "say \"\"hi\"\"");
    EXPECT_EQ(ChangeCommas("1,5"), "1.5");
}

} // namespace
