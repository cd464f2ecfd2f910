#include "dao/Daoutils.h"

#include "dao/Daoapi.h"

#include <gtest/gtest.h>

namespace {

struct DaoTypeCase {
    int code;
    const char* name;
    TFieldType fieldType;
    int sizeOf50;
};

TEST(Daoutils, MapsEveryEngineTypeToADatasetTypeNameAndSize)
{
    const DaoTypeCase cases[] = {
        {1, "dbBoolean", ftBoolean, 0},      {2, "dbByte", ftSmallint, 0},      {3, "dbInteger", ftSmallint, 0},
        {4, "dbLong", ftInteger, 0},         {5, "dbCurrency", ftCurrency, 0},  {6, "dbSingle", ftFloat, 0},
        {7, "dbDouble", ftFloat, 0},         {8, "dbDate", ftDate, 0},          {9, "dbBinary", ftBytes, 50},
        {10, "dbText", ftString, 50},        {11, "dbLongBinary", ftBlob, 50},  {12, "dbMemo", ftMemo, 50},
        {15, "dbGUID", ftBytes, 50},         {16, "dbBigInt", ftInteger, 0},    {17, "dbVarBinary", ftBlob, 50},
        {18, "dbChar", ftString, 50},        {19, "dbNumeric", ftFloat, 0},     {20, "dbDecimal", ftFloat, 0},
        {21, "dbFloat", ftFloat, 0},         {22, "dbTime", ftTime, 0},         {23, "dbTimeStamp", ftDateTime, 0},
        {40000, "dbUnknown", ftAutoInc, 0},  {13, "dbUnknown", ftUnknown, 0},   {14, "dbUnknown", ftUnknown, 0},
        {0, "dbUnknown", ftUnknown, 0},      {-1, "dbUnknown", ftUnknown, 0},
    };
    for (const DaoTypeCase& c : cases) {
        EXPECT_EQ(GetDaoFieldTypeNames(c.code), c.name) << c.code;
        EXPECT_EQ(DaoToBDE(c.code), c.fieldType) << c.code;
        EXPECT_EQ(DaoSizeToBDESize(c.code, 50), c.sizeOf50) << c.code;
    }
    EXPECT_EQ(DaoSizeToBDESize(10, 50), 50);
    EXPECT_EQ(DaoSizeToBDESize(4, 4), 0);
}

struct FieldTypeCase {
    TFieldType fieldType;
    int code;
    const char* name;
};

TEST(Daoutils, MapsEveryDatasetTypeToAnEngineTypeAndName)
{
    const FieldTypeCase cases[] = {
        {ftString, 10, "ftString"},       {ftSmallint, 3, "ftSmallInt"},      {ftInteger, 4, "ftInteger"},
        {ftWord, 4, "ftWord"},            {ftBoolean, 1, "ftBoolean"},        {ftFloat, 6, "ftFloat"},
        {ftCurrency, 5, "ftCurrency"},    {ftBCD, 5, "ftBCD"},                {ftDate, 8, "ftDate"},
        {ftTime, 8, "ftTime"},            {ftDateTime, 8, "ftDateTime"},      {ftBytes, 15, "ftUnknown"},
        {ftVarBytes, 12, "ftUnknown"},    {ftAutoInc, dbAutoIncrement, "ftAutoInc"},
        {ftBlob, 11, "ftBlob"},           {ftMemo, 12, "ftMemo"},             {ftGraphic, 11, "ftUnknown"},
        {ftFmtMemo, 12, "ftUnknown"},     {ftParadoxOle, 11, "ftUnknown"},    {ftDBaseOle, 11, "ftUnknown"},
        {ftTypedBinary, 11, "ftUnknown"}, {ftUnknown, 1024, "ftUnknown"},
        {static_cast<TFieldType>(ftTypedBinary + 1), 1024, "ftUnknown"},
    };
    for (const FieldTypeCase& c : cases) {
        EXPECT_EQ(BDEToDao(c.fieldType), c.code) << c.name;
        EXPECT_EQ(GetBDEFieldTypeNames(c.fieldType), c.name) << c.code;
    }
}

TEST(Daoutils, BracketsEveryPartOfAQualifiedName)
{
    EXPECT_EQ(BracketField("Orders.Id"), "[Orders].[Id]");
    EXPECT_EQ(BracketField("Id"), "[Id]");
    EXPECT_EQ(BracketField("[Id]"), "[[Id]]");
    EXPECT_EQ(BracketField(""), "[]");
    EXPECT_EQ(BracketField("a.b.c"), "[a].[b].[c]");
}

TEST(Daoutils, CleansDateTimeTextsForReading)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"05/12/2001 10:20", "05/12/2001 10:20"},
        {"Mon  05/12/2001   10:20 AM", "05/12/2001 10:20"},
        {"5/12/2001 10:20 PM", "5/12/2001 22:20"},
        {"5/12/2001 12:30:00 PM", "5/12/2001 12:30:00"},
        {"5/12/2001 12:30:00 am", "5/12/2001 00:30:00"},
        {"5/12/2001 1:05 pm", "5/12/2001 13:05"},
        {"5/12/2001 23:05 PM", "5/12/2001 23:05"},
        {"12 05 2001", "12052001"},
        {"2001\xE3\x2E 1/2", "20011/2"},
        {"1/2/2001 10:20 AMPM", "1/2/2001 10:20"},
    };
    for (const auto& [text, cleaned] : cases)
        EXPECT_EQ(RemoveNonDigitChars(text), cleaned) << text;
}

// A time of the afternoon keeps its hour on the way from a value to a
// criteria text: the value's text is 24-hour, and a text written with PM
// (as the old layer wrote them) is read as the afternoon it says.
TEST(Daoutils, AfternoonTimesKeepTheirHourThroughTheCleaner)
{
    const double afternoon = platform::EncodeDate(2003, 1, 2) + platform::EncodeTime(13, 5, 9, 0);
    const std::string text = jet::Variant::Date(afternoon).AsString();
    EXPECT_EQ(platform::StrToDateTime(RemoveNonDigitChars(text)), afternoon);
    EXPECT_EQ(platform::StrToDateTime(RemoveNonDigitChars("1/2/2003 1:05:09 PM")), afternoon);
    EXPECT_EQ(platform::StrToDateTime(RemoveNonDigitChars("1/2/2003 12:05:09 AM")),
              platform::EncodeDate(2003, 1, 2) + platform::EncodeTime(0, 5, 9, 0));
}

TEST(Daoutils, ReadsDateTimePairTexts)
{
    const platform::TTimeStamp stamp = ComposeDateTimeRecord("693594 43200000");
    EXPECT_EQ(stamp.Date, 693594);
    EXPECT_EQ(stamp.Time, 43200000);
    EXPECT_EQ(ComposeDateTimeRecord("693594").Date, 0);
    EXPECT_THROW(ComposeDateTimeRecord("12 x"), platform::EConvertError);

    const jet::Variant noon = ComposeDateTimeVariant("693594 43200000");
    EXPECT_EQ(noon.VarType(), jet::varDate);
    EXPECT_DOUBLE_EQ(noon.AsDate(), 0.5);
    EXPECT_TRUE(ComposeDateTimeVariant("693594").IsNull());
    EXPECT_THROW(ComposeDateTimeVariant("a b"), platform::EConvertError);
    EXPECT_THROW(ComposeDateTimeVariant("693594 99999999"), platform::EConvertError);
}

TEST(Daoutils, HandsArraysOverInVariantsWithTheBareArrayTypeWord)
{
    auto array = jet::SafeArray::FromBytes("xyz");
    const jet::Variant value = PSafeArrayToOleVariant(array);
    EXPECT_EQ(value.VarType(), jet::varArray);
    EXPECT_EQ(OleVariantToPSafeArray(value), array);
    EXPECT_EQ(OleVariantToPSafeArray(jet::Variant(1)), nullptr);
}

} // namespace
