#include "dao/DaoTableStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace {

TEST(DaoTableStream, ValuesRoundTripInTheirSmallestForms)
{
    std::stringstream stream;
    {
        TStreamWriter writer(stream, 8);
        writer.WriteSignature();
        writer.WriteListBegin();
        writer.WriteInteger(5);
        writer.WriteInteger(-300);
        writer.WriteInteger(70000);
        writer.WriteFloat(1234.5);
        writer.WriteBoolean(true);
        writer.WriteString("ascii");
        writer.WriteString("中文");
        writer.WriteString(std::string(300, 'x'));
        writer.WriteListEnd();
    }
    const std::string bytes = stream.str();
    ASSERT_EQ(bytes.substr(0, 5), std::string("TPF0\x01", 5));
    EXPECT_EQ(static_cast<unsigned char>(bytes[5]), vaInt8);
    EXPECT_EQ(static_cast<unsigned char>(bytes[7]), vaInt16);
    EXPECT_EQ(static_cast<unsigned char>(bytes[10]), vaInt32);

    TStreamReader reader(stream, 4);
    reader.ReadSignature();
    reader.ReadListBegin();
    EXPECT_EQ(reader.ReadInteger(), 5);
    EXPECT_EQ(reader.ReadInteger(), -300);
    EXPECT_EQ(reader.ReadInteger(), 70000);
    EXPECT_EQ(reader.ReadFloat(), 1234.5);
    EXPECT_TRUE(reader.ReadBoolean());
    EXPECT_EQ(reader.ReadString(), "ascii");
    EXPECT_EQ(reader.NextValue(), vaUTF8String);
    EXPECT_EQ(reader.ReadString(), "中文");
    EXPECT_EQ(reader.NextValue(), vaLString);
    EXPECT_EQ(reader.ReadString(), std::string(300, 'x'));
    EXPECT_TRUE(reader.EndOfList());
    reader.ReadListEnd();
}

TEST(DaoTableStream, ExtendedValuesKeepEveryDouble)
{
    const double values[] = {0.0, -0.0, 1.0, -2.5, 1e-300, 1.7976931348623157e308, 4.9e-324, 738960.5,
                             std::numeric_limits<double>::infinity()};
    for (double value : values) {
        std::uint8_t bytes[10];
        DoubleToExtended(value, bytes);
        const double back = ExtendedToDouble(bytes);
        EXPECT_EQ(back, value) << value;
        EXPECT_EQ(std::signbit(back), std::signbit(value)) << value;
    }
    // 1.0 as the old platform wrote it: mantissa 0x8000000000000000, exponent 0x3FFF.
    std::uint8_t one[10];
    DoubleToExtended(1.0, one);
    EXPECT_EQ(one[7], 0x80);
    EXPECT_EQ(one[8], 0xFF);
    EXPECT_EQ(one[9], 0x3F);
}

TEST(DaoTableStream, MalformedStreamsRaiseReadErrors)
{
    const std::string streams[] = {
        "",                                   // nothing at all
        "TPF",                                // short signature
        "XPF0\x01",                           // foreign signature
        std::string("TPF0\x06\x10" "abc", 9),   // a text longer than the stream
        std::string("TPF0\x0C\xFF\xFF\xFF\x7F", 9),  // a huge length with no bytes behind it
        std::string("TPF0\x07", 5),           // an unknown value type
    };
    for (const std::string& bytes : streams) {
        std::istringstream stream(bytes);
        TStreamReader reader(stream);
        EXPECT_THROW(
            {
                reader.ReadSignature();
                reader.ReadString();
            },
            EReadError)
            << bytes.size();
    }
}

} // namespace
