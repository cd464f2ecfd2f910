#include "platform/jet/Collation.h"
#include "platform/jet/Collection.h"

#include <gtest/gtest.h>

using namespace jet;

namespace {

struct CompareCase {
    const char* a;
    const char* b;
    int sign;
};

TEST(Collation, ComparesWithoutRegardToCaseForEveryLanguage)
{
    const CompareCase cases[] = {
        {"abc", "ABC", 0},
        {"Élan", "élan", 0},
        {"STRASSE", "strasse", 0},
        {"Ωμέγα", "ΩΜΈΓΑ", 0},
        {"Привет", "пРИВЕТ", 0},
        {"配置", "配置", 0},
        {"配置", "配量", -1},
        {"a", "B", -1},
        {"b", "A", 1},
        {"ab", "a", 1},
        {"", "", 0},
        {"é", "f", -1},        // an accented letter lies with its base letter
        {"e", "é", -1},        // and after it
        {"Écrou", "Nut", -1},
        {"Ecrou", "écrou", -1},
        {"ёлка", "ЕЛКА", 1},
    };
    for (const CompareCase& c : cases) {
        const int result = CompareText(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " / " << c.b;
        EXPECT_EQ(SameName(c.a, c.b), c.sign == 0) << c.a << " / " << c.b;
    }
}

TEST(Collation, InvalidBytesHaveAnOrderAndSurviveFolding)
{
    const std::string broken("A\xff", 2);
    EXPECT_EQ(CompareText(broken, std::string("a\xff", 2)), 0);
    EXPECT_NE(CompareText(broken, "a"), 0);
    EXPECT_EQ(FoldCase(broken), std::string("a\xff", 2));
}

TEST(Collation, BaseLettersStripAccentsButNotLetters)
{
    EXPECT_EQ(BaseLetter(U'é'), U'e');
    EXPECT_EQ(BaseLetter(U'ǖ'), U'u');
    EXPECT_EQ(BaseLetter(U'ё'), U'е');
    EXPECT_EQ(BaseLetter(U'ß'), U'ß');
    EXPECT_EQ(BaseLetter(U'中'), U'中');
}

TEST(Collation, CaseMappingCoversMoreThanAscii)
{
    EXPECT_EQ(LowerCase("ÀÉÎ Abc"), "àéî abc");
    EXPECT_EQ(UpperCase("àéî abc 中"), "ÀÉÎ ABC 中");
    EXPECT_EQ(FoldCase("ÀBC"), "àbc");
}

} // namespace
