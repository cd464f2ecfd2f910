#include "platform/db/TParams.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Names(const TParams& params)
{
    std::vector<std::string> names;
    for (const TParam& param : params)
        names.push_back(param.Name);
    return names;
}

TEST(TParams, ParseFindsEachNameOnceOutsideQuotes)
{
    TParams params;
    params.ParseSQL("SELECT * FROM t WHERE a = :a AND b = ':skip' AND c = \":skip2\" AND d = :A AND e = :_x1\n"
                    "AND f = a::b AND g = :名前");
    EXPECT_EQ(Names(params), (std::vector<std::string>{"a", "_x1", "名前"}));
}

TEST(TParams, ValuesAssignByNameAndConvertOnlyWhenTheyRead)
{
    TParams target;
    target.Add("x", ftInteger);
    target.Add("y", ftString);
    TParams source;
    source.Add("X", ftInteger).SetAsInteger(3);
    source.Add("z", ftString).SetAsString("ignored");
    target.AssignValues(source);
    EXPECT_EQ(target.ParamByName("x").AsInteger(), 3);
    EXPECT_TRUE(target.ParamByName("y").IsNull());
    EXPECT_THROW(target.ParamByName("nothing"), EDatabaseError);

    TParam text("t", ftUnknown);
    text.SetAsString("12.5");
    EXPECT_EQ(text.AsFloat(), 12.5);
    EXPECT_THROW(text.AsInteger(), platform::EConvertError);
    EXPECT_THROW(text.AsBoolean(), platform::EConvertError);
}

TEST(TParams, TextKeepsNamesTypesKindsAndValuesExactly)
{
    TParams params;
    params.Add("text", ftString).SetAsString("tab\there\nand 100%");
    params.Add("count", ftInteger).SetAsInteger(-7);
    params.Add("ratio", ftFloat).SetAsFloat(0.1);
    params.Add("flag", ftBoolean).SetAsBoolean(true);
    params.Add("stamp", ftDateTime).SetAsDateTime(45366.58690972222);
    params.Add("nothing", ftDate);
    TParams read;
    read.SetText(params.Text());
    EXPECT_EQ(read, params);
    EXPECT_THROW(read.SetText("name\t1\t2"), EDatabaseError);
    EXPECT_THROW(read.SetText("name\t1\t2\tnot a number"), EDatabaseError);
    EXPECT_EQ(read, params) << "a malformed text changes nothing";
}

} // namespace
