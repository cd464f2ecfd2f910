// The option table and the typed access of the parameter store, without a
// configuration dataset.
#include "settings/MParam.h"

#include <gtest/gtest.h>

#include <locale>

namespace {

class MParamTest : public ::testing::Test {
protected:
    void SetUp() override { MParam::ResetForTesting(); }
    void TearDown() override { MParam::ResetForTesting(); }
    MParam& Param() { return *MParam::GetInstance(); }
};

TEST_F(MParamTest, GetInstanceReturnsTheSameStore)
{
    EXPECT_EQ(MParam::GetInstance(), MParam::GetInstance());
}

TEST_F(MParamTest, FreshStoreHoldsTheDefaults)
{
    std::string text;
    Param().GetText(OPT_COLOR_DESIGN, text);
    EXPECT_EQ(text, "16777215");
    EXPECT_EQ(Param().GetColor(OPT_COLOR_ACTIVE), 0x9999FF);
    EXPECT_EQ(Param().GetActiveWidth(), 3);
    int language = 0;
    Param().GetInt(OPT_LANGUAGE, language);
    EXPECT_EQ(language, 2);
    Param().GetText(OPT_RULE_UNIT, text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(Param().GetScale(), 0.0);
    EXPECT_FALSE(Param().HasScale());
    int decimals = 0;
    Param().GetInt(OPT_DECIMAL_LENGTH, decimals);
    EXPECT_EQ(decimals, 4);
    EXPECT_TRUE(Param().BoolValue(OPT_EXIT_CONFIRM));
    EXPECT_FALSE(Param().BoolValue(OPT_RULE_LOAD_SAVED));
    Param().GetText(OPT_PRINT_ADJUST, text);
    EXPECT_EQ(text, "100");
}

TEST_F(MParamTest, TypedGettersReadTextsThatDoNotParseAsZero)
{
    struct Case {
        const char* text;
        int asInt;
        double asDouble;
        bool asBool;
    };
    const Case cases[] = {
        {"", 0, 0.0, false},
        {"abc", 0, 0.0, false},
        {"2", 2, 2.0, true},
        {"0", 0, 0.0, false},
        {"-5", -5, -5.0, true},
        {" 640 ", 640, 640.0, true},
        {"+7", 7, 7.0, true},
        {"+-7", 0, 0.0, false},
        {"1.5", 0, 1.5, false},
        {"0,5", 0, 0.5, false},
        {"1,5.2", 0, 0.0, false},
        {"12abc", 0, 0.0, false},
        {"2147483648", 0, 2147483648.0, false},
        {"1e400", 0, 0.0, false},
        {"nan", 0, 0.0, false},
        {"16777215", 16777215, 16777215.0, true},
    };
    for (const Case& c : cases) {
        Param().SetText(OPT_GRAB_WIDTH, c.text, false);
        int asInt = -1;
        std::int32_t asLong = -1;
        double asDouble = -1.0;
        bool asBool = true;
        Param().GetInt(OPT_GRAB_WIDTH, asInt);
        Param().GetLong(OPT_GRAB_WIDTH, asLong);
        Param().GetDouble(OPT_GRAB_WIDTH, asDouble);
        Param().GetBool(OPT_GRAB_WIDTH, asBool);
        EXPECT_EQ(asInt, c.asInt) << '"' << c.text << '"';
        EXPECT_EQ(asLong, c.asInt) << '"' << c.text << '"';
        EXPECT_EQ(asDouble, c.asDouble) << '"' << c.text << '"';
        EXPECT_EQ(asBool, c.asBool) << '"' << c.text << '"';
        std::string text;
        Param().GetText(OPT_GRAB_WIDTH, text);
        EXPECT_EQ(text, c.text) << "the stored text is not changed by a read";
    }
}

TEST_F(MParamTest, SettersWriteDecimalTexts)
{
    struct Case {
        double value;
        const char* text;
    };
    const Case doubles[] = {
        {0.5, "0.5"}, {2.0, "2"}, {-2.25, "-2.25"}, {1.0 / 3.0, "0.333333333333333"}, {1e20, "1e+20"},
    };
    std::string text;
    for (const Case& c : doubles) {
        Param().SetDouble(OPT_RULE_SCALE, c.value, false);
        Param().GetText(OPT_RULE_SCALE, text);
        EXPECT_EQ(text, c.text);
    }
    Param().SetDouble(OPT_RULE_SCALE, 0.5, false);
    double scale = 0.0;
    Param().GetDouble(OPT_RULE_SCALE, scale);
    EXPECT_EQ(scale, 0.5);

    Param().SetBool(OPT_VIEW_MARK, false, false);
    Param().GetText(OPT_VIEW_MARK, text);
    EXPECT_EQ(text, "0");
    Param().SetBool(OPT_VIEW_MARK, true, false);
    Param().GetText(OPT_VIEW_MARK, text);
    EXPECT_EQ(text, "1");

    Param().SetColor(OPT_COLOR_MARK, 0x123456);
    EXPECT_EQ(Param().GetColor(OPT_COLOR_MARK), 0x123456);
    Param().SetActiveWidth(7);
    EXPECT_EQ(Param().GetActiveWidth(), 7);
}

// A user's locale whose decimal separator is a comma.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST_F(MParamTest, DoublesAreWrittenWithAPointWhateverTheLocale)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    Param().SetDouble(OPT_RULE_SCALE, 0.25, false);
    double scale = 0.0;
    Param().GetDouble(OPT_RULE_SCALE, scale);
    std::locale::global(previous);
    std::string text;
    Param().GetText(OPT_RULE_SCALE, text);
    EXPECT_EQ(text, "0.25");
    EXPECT_EQ(scale, 0.25);
}

TEST_F(MParamTest, PackedPositionIsKeptAsALong)
{
    Param().SetLong(OPT_POS_MAIN, 1234 * 10000 + 56, false);
    std::int32_t packed = 0;
    Param().GetLong(OPT_POS_MAIN, packed);
    EXPECT_EQ(packed, 12340056);
}

TEST_F(MParamTest, UnknownIdIsAddedWithAnEmptyText)
{
    int value = -1;
    Param().GetInt(999, value);
    EXPECT_EQ(value, 0);
    std::string text = "x";
    Param().GetText(999, text);
    EXPECT_EQ(text, "");
    EXPECT_FALSE(Param().BoolValue(999));
}

TEST_F(MParamTest, HasScaleOnlyForPositiveScales)
{
    const std::pair<double, bool> cases[] = {{0.0, false}, {-1.0, false}, {0.001, true}, {2.0, true}};
    for (const auto& [scale, calibrated] : cases) {
        Param().SetScale(scale);
        EXPECT_EQ(Param().GetScale(), scale);
        EXPECT_EQ(Param().HasScale(), calibrated) << scale;
    }
}

TEST_F(MParamTest, SaveWhileTheStoreIsClosedChangesMemoryOnly)
{
    Param().SetText(OPT_PRINT_NAME, "Sample", true);
    std::string text;
    Param().GetText(OPT_PRINT_NAME, text);
    EXPECT_EQ(text, "Sample");
    EXPECT_FALSE(Param().WriteOption("1103", "Sample", "DEFAULT"));
    EXPECT_EQ(Param().ReadOption("1103", "DEFAULT"), "");
    EXPECT_FALSE(Param().SaveAll());
    EXPECT_FALSE(Param().LoadRulers());
    EXPECT_FALSE(Param().SaveRulers());
    EXPECT_FALSE(Param().DeleteRuler("A"));
}

} // namespace
