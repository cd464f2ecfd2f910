#include "DaoTableSearchFixture.h"

namespace daotabletest {
namespace {

// Rome holds records 5 and 7, Paris 2 and 4; three records are True: 1, 3, 5, 7.
TEST_F(DaoTableSearchTest, FindMovesInEachDirectionFromTheCurrentRecord)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    ASSERT_TRUE(table.Find_First("Flag", true, 0));
    EXPECT_EQ(IdOf(table), 1);
    ASSERT_TRUE(table.Find_Next("Flag", true, 0));
    EXPECT_EQ(IdOf(table), 3);
    ASSERT_TRUE(table.Find_Last("Flag", true, 0));
    EXPECT_EQ(IdOf(table), 7);
    EXPECT_FALSE(table.Find_Next("Flag", true, 0)) << "nothing after the last match";
    EXPECT_EQ(IdOf(table), 7);
    ASSERT_TRUE(table.Find_Prior("Flag", true, 0));
    EXPECT_EQ(IdOf(table), 5) << "from the last of the matches back to the one before it";
    EXPECT_EQ(table.RecNo(), 5);
}

TEST_F(DaoTableSearchTest, FindCountsTheKeysAndKnowsTheFields)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    EXPECT_EQ(ErrorOf([&] { table.Find_First("City;Name", "Rome", 0); }),
              "Number of elements in the KeyValues array must be equal to the number of fields.");
    EXPECT_EQ(ErrorOf([&] { table.Find_First("Town", "Rome", 0); }), "Field 'Town' not found");
    EXPECT_FALSE(table.Find("City", "Rome", 0, 5)) << "no such search kind";
    EXPECT_EQ(IdOf(table), 1);
}

TEST_F(DaoTableSearchTest, TheGenericFindCallsUseTheStoredSearch)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    EXPECT_FALSE(table.FindFirst()) << "nothing stored yet";
    table.SetFindData("City", "rome", loCaseInsensitive);
    ASSERT_TRUE(table.FindFirst());
    EXPECT_EQ(IdOf(table), 5);
    ASSERT_TRUE(table.FindNext());
    EXPECT_EQ(IdOf(table), 7);
    ASSERT_TRUE(table.FindPrior());
    EXPECT_EQ(IdOf(table), 5);
    ASSERT_TRUE(table.FindLast());
    EXPECT_EQ(IdOf(table), 7);
}

TEST_F(DaoTableSearchTest, NearestFindsTheFirstBeginningOrTheNextOne)
{
    TDaoTable& table = OpenParts(jet::dbOpenDynaset);
    table.Last();
    ASSERT_TRUE(table.Find_NearestEx("Name", "AN"));
    EXPECT_EQ(IdOf(table), 1) << "the first match comes first, even before the current record";

    table.SetKeyFields("City; Name");
    ASSERT_TRUE(table.Find_Nearest({"par", "an"}));
    EXPECT_EQ(IdOf(table), 2);
    ASSERT_TRUE(table.Find_Nearest({"ro"}));
    EXPECT_EQ(IdOf(table), 5);
}

} // namespace
} // namespace daotabletest
