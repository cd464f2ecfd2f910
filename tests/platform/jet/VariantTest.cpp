#include "platform/jet/Variant.h"

#include "platform/system/DateTime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace jet;

namespace {

TEST(Variant, KeepsTheOldTypeWords)
{
    EXPECT_EQ(Variant().VarType(), varEmpty);
    EXPECT_EQ(Variant::Null().VarType(), varNull);
    EXPECT_EQ(Variant(true).VarType(), varBoolean);
    EXPECT_EQ(Variant(5).VarType(), varInteger);
    EXPECT_EQ(Variant(std::int64_t{5}).VarType(), varInt64);
    EXPECT_EQ(Variant(2.5).VarType(), varDouble);
    EXPECT_EQ(Variant("x").VarType(), varString);
    EXPECT_EQ(Variant::Currency(1.5).VarType(), varCurrency);
    EXPECT_EQ(Variant::Date(1.0).VarType(), varDate);
    EXPECT_EQ(Variant::Bytes("ab").VarType(), varArray | varByte);
    EXPECT_EQ(Variant::BareArray(SafeArray::FromBytes("ab")).VarType(), varArray);
}

TEST(Variant, ConvertsToTextAsTheOldLibraryShowedValues)
{
    EXPECT_EQ(Variant().AsString(), "");
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(Variant(false).AsString(), "False");
    EXPECT_EQ(Variant(-12).AsString(), "-12");
    EXPECT_EQ(Variant(0.1 + 0.2).AsString(), "0.3");
    EXPECT_EQ(Variant::Single(0.1f).AsString(), "0.1");
    EXPECT_EQ(Variant::Currency(12.5).AsString(), "12.5");
    EXPECT_EQ(Variant::Currency(-0.0001).AsString(), "-0.0001");
    const double afternoon = platform::EncodeDate(2003, 1, 2) + platform::EncodeTime(13, 5, 9, 0);
    EXPECT_EQ(Variant::Date(afternoon).AsString(), "01/02/2003 13:05:09");
}

// AssignString writes what AsString answers over whatever the target held.
TEST(Variant, AssignStringWritesWhatAsStringAnswers)
{
    std::string target = "a text longer than the short-string buffer";
    for (const Variant& value : {Variant("short"), Variant(std::string(40, 'y')), Variant(-12), Variant(2.5),
                                 Variant(true), Variant()}) {
        value.AssignString(target);
        EXPECT_EQ(target, value.AsString());
    }
    EXPECT_THROW(Variant::Null().AssignString(target), EVariantError);
}

// A copy over any other value, or over itself, holds what it copied: type,
// value, text and array alike.
TEST(Variant, ACopyHoldsWhatItCopiedWhateverItHeld)
{
    const std::vector<Variant> values = {Variant(),          Variant::Null(),           Variant(-12),
                                         Variant(2.5),       Variant::Date(1.5),        Variant(true),
                                         Variant("short"),   Variant(std::string(40, 'y')), Variant(""),
                                         Variant::Bytes("ab"), Variant::BareArray(SafeArray::FromBytes("cd"))};
    const auto shown = [](const Variant& value) {
        std::string text;
        try {
            text = value.IsArray() ? value.AsBytes() : value.AsString();
        } catch (const EVariantError&) {
            text = "raises";
        }
        return std::to_string(value.VarType()) + ":" + text;
    };
    for (const Variant& source : values) {
        for (const Variant& before : values) {
            Variant copy = before;
            copy = source;
            EXPECT_EQ(copy, source) << shown(source) << " over " << shown(before);
            EXPECT_EQ(shown(copy), shown(source)) << "over " << shown(before);
            EXPECT_EQ(copy.Array(), source.Array());
        }
        Variant self = source;
        const Variant& same = self;
        self = same;
        EXPECT_EQ(shown(self), shown(source));
    }
}

TEST(Variant, NullConvertsToNothingButVarToStrShowsItEmpty)
{
    EXPECT_THROW(Variant::Null().AsString(), EVariantError);
    EXPECT_THROW(Variant::Null().AsInteger(), EVariantError);
    EXPECT_THROW(Variant::Null().AsBoolean(), EVariantError);
    EXPECT_EQ(VarToStr(Variant::Null()), "");
    EXPECT_EQ(VarToStr(Variant(7)), "7");
}

TEST(Variant, NumbersAndTextsConvertBothWays)
{
    EXPECT_EQ(Variant("  42 ").AsInteger(), 42);
    EXPECT_EQ(Variant("2.5").AsInteger(), 2);  // half to even
    EXPECT_EQ(Variant("3.5").AsInteger(), 4);
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_DOUBLE_EQ(Variant("1e3").AsDouble(), 1000.0);
    EXPECT_TRUE(Variant("TRUE").AsBoolean());
    EXPECT_FALSE(Variant("0").AsBoolean());
    EXPECT_EQ(Variant::Currency(2.00005).AsCurrencyScaled(), 20001);
    EXPECT_EQ(Variant("12.34").AsCurrencyScaled(), 123400);
    EXPECT_DOUBLE_EQ(Variant("03/15/2024").AsDate(), platform::EncodeDate(2024, 3, 15));
    EXPECT_THROW(Variant("abc").AsDouble(), EVariantError);
    EXPECT_THROW(Variant("99999999999").AsInteger(), EVariantError);
    EXPECT_THROW(Variant(1e300).AsInt64(), EVariantError);
}

TEST(Variant, ByteArraysKeepTheirBytes)
{
    const std::string bytes("a\0b\xff", 4);
    const Variant value = Variant::Bytes(bytes);
    EXPECT_EQ(value.AsBytes(), bytes);
    EXPECT_EQ(value.Array()->LowBound(), 0);
    EXPECT_EQ(value.Array()->HighBound(), 3);
    EXPECT_EQ(value.Array()->Get({3}).AsInteger(), 255);
    EXPECT_THROW(value.AsString(), EVariantError);
    EXPECT_EQ(Variant::Bytes("").Array()->ElementCount(), 0);
}

TEST(Variant, ArraysOfTwoDimensionsAreAddressedFieldThenRow)
{
    auto rows = std::make_shared<SafeArray>(varVariant, std::vector<SafeArray::Bound>{{0, 3}, {0, 2}});
    rows->Put({2, 1}, Variant("last"));
    EXPECT_EQ(rows->Get({2, 1}).AsString(), "last");
    EXPECT_TRUE(rows->Get({0, 0}).IsEmpty());
    EXPECT_EQ(rows->HighBound(1), 2);
    EXPECT_EQ(rows->HighBound(2), 1);
    EXPECT_THROW(rows->Get({3, 0}), EVariantError);
    EXPECT_THROW(rows->Get({0}), EVariantError);
}

} // namespace
