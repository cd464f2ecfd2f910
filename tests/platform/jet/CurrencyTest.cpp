// Currency is a 64-bit integer of ten-thousandths from the field through the
// file, comparisons, criteria and SQL: values no double holds come back with
// every digit, the limits of the type included.
#include "JetFixture.h"

#include "platform/jet/DecimalText.h"

#include <algorithm>
#include <cstdint>
#include <limits>

using namespace jettest;

namespace {

constexpr std::int64_t Largest = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t Smallest = std::numeric_limits<std::int64_t>::min();

// Values at the limits, at four decimals, and ones that no double holds.
const std::pair<const char*, std::int64_t> RoundTrips[] = {
    {"922337203685477.5807", Largest},
    {"-922337203685477.5808", Smallest},
    {"12345678901234.5678", 123456789012345678},
    {"-12345678901234.5678", -123456789012345678},
    {"900719925474.0993", 9007199254740993},  // 2^53 + 1 ten-thousandths
    {"12.3456", 123456},
    {"-0.0001", -1},
    {"0.0001", 1},
    {"0", 0},
    {"42", 420000},
};

TEST(CurrencyText, ReadsAndWritesEveryDigit)
{
    for (const auto& [text, scaled] : RoundTrips) {
        std::int64_t read = 0;
        ASSERT_EQ(jet::ReadCurrencyText(text, read), jet::DecimalRead::Value) << text;
        EXPECT_EQ(read, scaled) << text;
        EXPECT_EQ(jet::CurrencyText(scaled), text);
    }
    const std::pair<const char*, std::int64_t> rounded[] = {
        {" 1.00005 ", 10001}, {"-1.00005", -10001}, {"1.00004999", 10000}, {"+2.5", 25000},
        {"1.25e3", 12500000}, {"125E-6", 1}, {"0.00004", 0}, {".5", 5000}, {"7.", 70000},
        {"-0.00001", 0},      {"922337203685477.58074", Largest},
    };
    for (const auto& [text, scaled] : rounded) {
        std::int64_t read = 0;
        ASSERT_EQ(jet::ReadCurrencyText(text, read), jet::DecimalRead::Value) << text;
        EXPECT_EQ(read, scaled) << text;
    }
    for (const char* text : {"922337203685477.5808", "-922337203685477.5809", "1e15", "99999999999999999999999"}) {
        std::int64_t read = 0;
        EXPECT_EQ(jet::ReadCurrencyText(text, read), jet::DecimalRead::Overflow) << text;
    }
    for (const char* text : {"", "-", ".", "1e", "1..2", "12abc", "inf", "nan", "0x10", "1 2"}) {
        std::int64_t read = 0;
        EXPECT_EQ(jet::ReadCurrencyText(text, read), jet::DecimalRead::NotANumber) << text;
    }
    EXPECT_EQ(jet::CurrencyFixedText(125000, 0), "13");
    EXPECT_EQ(jet::CurrencyFixedText(-125000, 0), "-13");
    EXPECT_EQ(jet::CurrencyFixedText(-4, 3), "0.000");
    EXPECT_EQ(jet::CurrencyFixedText(Largest, 4), "922337203685477.5807");
    EXPECT_EQ(jet::CurrencyFixedText(Smallest, 3), "-922337203685477.581");
}

TEST(CurrencyText, OrdersTextsByTheirValueExactly)
{
    const std::vector<std::string> ordered = {
        "-922337203685477.5808", "-12345678901234.5678", "-12345678901234.5677", "-1e3", "-2.5", "-0.0001", "0",
        "0.0001", "2.5", "10", "1e3", "900719925474.0992", "900719925474.0993", "922337203685477.5807",
        "1e400", "abc", "abd"};
    for (std::size_t i = 0; i < ordered.size(); ++i)
        for (std::size_t j = 0; j < ordered.size(); ++j) {
            const int expected = i < j ? -1 : (i > j ? 1 : 0);
            EXPECT_EQ(jet::CompareDecimalTexts(ordered[i], ordered[j]), expected) << ordered[i] << " " << ordered[j];
        }
    EXPECT_EQ(jet::CompareDecimalTexts("12.50", "12.5"), 0);
    EXPECT_EQ(jet::CompareDecimalTexts("-0", "0.000"), 0);
    EXPECT_EQ(jet::CompareDecimalTexts("1250e-2", "12.5"), 0);
}

TEST(CurrencyVariant, ConvertsWithoutADoubleBetween)
{
    for (const auto& [text, scaled] : RoundTrips) {
        EXPECT_EQ(jet::Variant(text).AsCurrencyScaled(), scaled) << text;
        EXPECT_EQ(jet::Variant::CurrencyScaled(scaled).AsString(), text);
    }
    EXPECT_EQ(jet::Variant::Currency(2.00005).AsCurrencyScaled(), 20001) << "the double as it was written";
    EXPECT_EQ(jet::Variant::Currency(922337203685477.5).AsCurrencyScaled(), 9223372036854775000);
    EXPECT_THROW(jet::Variant::Currency(922337203685477.625), jet::EVariantError);
    EXPECT_THROW(jet::Variant("922337203685477.5808").AsCurrencyScaled(), jet::EVariantError);
    EXPECT_THROW(jet::Variant(std::int64_t{922337203685478}).AsCurrencyScaled(), jet::EVariantError);
    EXPECT_EQ(jet::Variant("True").AsCurrencyScaled(), -10000);
}

class Currency : public JetFixture {
protected:
    void SetUp() override
    {
        JetFixture::SetUp();
        MakeTable("Money", {{"Id", jet::dbLong}, {"Amount", jet::dbCurrency}, {"Ratio", jet::dbDouble}});
        jet::TableDefPtr table = Db->TableDefs().Item("Money");
        jet::IndexPtr index = table->CreateIndex("ByAmount");
        index->Fields().Append(index->CreateField("Amount"));
        table->Indexes().Append(index);
        jet::RecordsetPtr rows = Db->OpenRecordset("Money", jet::dbOpenDynaset);
        int id = 0;
        for (const auto& [text, scaled] : RoundTrips) {
            rows->AddNew();
            rows->Fields().Item("Id")->SetValue(++id);
            // Half of them as currency values, half as texts.
            rows->Fields().Item("Amount")->SetValue(id % 2 ? jet::Variant::CurrencyScaled(scaled) : jet::Variant(text));
            rows->Update();
        }
    }

    std::vector<std::int64_t> Amounts(const jet::RecordsetPtr& rows)
    {
        std::vector<std::int64_t> amounts;
        if (rows->RecordCount() == 0)
            return amounts;
        for (rows->MoveFirst(); !rows->Eof(); rows->MoveNext()) {
            const jet::Variant value = rows->Fields().Item("Amount")->Value();
            EXPECT_EQ(value.VarType(), jet::varCurrency);
            amounts.push_back(value.AsCurrencyScaled());
        }
        return amounts;
    }

    static std::vector<std::int64_t> Sorted()
    {
        std::vector<std::int64_t> all;
        for (const auto& [text, scaled] : RoundTrips)
            all.push_back(scaled);
        std::sort(all.begin(), all.end());
        return all;
    }
};

TEST_F(Currency, EveryDigitComesBackFromTheFile)
{
    Db->Close();
    Db = Workspace->OpenDatabase(PathOf("test.mdb"));
    std::vector<std::int64_t> expected;
    for (const auto& [text, scaled] : RoundTrips)
        expected.push_back(scaled);
    EXPECT_EQ(Amounts(Db->OpenRecordset("SELECT * FROM Money ORDER BY Id", jet::dbOpenSnapshot)), expected);
    EXPECT_EQ(Query("SELECT * FROM Money WHERE Id = 3", "Amount"), Strings({"12345678901234.5678"}));
}

TEST_F(Currency, OrderComparisonsCriteriaAndSeekAreExact)
{
    const std::vector<std::int64_t> sorted = Sorted();
    EXPECT_EQ(Amounts(Db->OpenRecordset("SELECT * FROM Money ORDER BY Amount", jet::dbOpenSnapshot)), sorted);
    jet::RecordsetPtr rows = Db->OpenRecordset("SELECT * FROM Money", jet::dbOpenDynaset);
    rows->SetSort("Amount DESC");
    EXPECT_EQ(Amounts(rows->OpenRecordset()), std::vector<std::int64_t>(sorted.rbegin(), sorted.rend()));

    EXPECT_EQ(Amounts(Db->OpenRecordset("SELECT * FROM Money WHERE Amount > 12345678901234 ORDER BY Amount",
                                        jet::dbOpenSnapshot)),
              std::vector<std::int64_t>({123456789012345678, Largest}));
    EXPECT_EQ(Amounts(Db->OpenRecordset("SELECT * FROM Money WHERE Amount BETWEEN -1 AND 12.3456 ORDER BY Amount",
                                        jet::dbOpenSnapshot)),
              std::vector<std::int64_t>({-1, 0, 1, 123456}));
    EXPECT_EQ(Query("SELECT COUNT(*) AS n FROM Money WHERE Amount = \"12.34560\"", "n"), Strings({"1"}));
    EXPECT_EQ(Query("SELECT MAX(Amount) AS m FROM Money", "m"), Strings({"922337203685477.5807"}));
    EXPECT_EQ(Query("SELECT Amount * 2 AS twice FROM Money WHERE Id = 6", "twice"), Strings({"24.6912"}));

    // Filter and Find: no overflow at the limits (the sort above still holds).
    rows->SetFilter("[Amount] < 0");
    EXPECT_EQ(Amounts(rows->OpenRecordset()), std::vector<std::int64_t>({-1, -123456789012345678, Smallest}));
    rows->SetFilter("Amount >= 900719925474.0993 AND Amount <> 12345678901234");
    EXPECT_EQ(Amounts(rows->OpenRecordset()).size(), 3u);
    rows->FindFirst("Amount = 0.0001");
    ASSERT_FALSE(rows->NoMatch());
    EXPECT_EQ(rows->Fields().Item("Id")->Value().AsInteger(), 8);

    jet::RecordsetPtr table = Db->OpenRecordset("Money", jet::dbOpenTable);
    table->SetIndex("ByAmount");
    table->Seek("=", {jet::Variant::CurrencyScaled(9007199254740993)});
    ASSERT_FALSE(table->NoMatch());
    EXPECT_EQ(table->Fields().Item("Id")->Value().AsInteger(), 5);
    table->Seek(">", {jet::Variant("12345678901234.5678")});
    ASSERT_FALSE(table->NoMatch());
    EXPECT_EQ(table->Fields().Item("Amount")->Value().AsCurrencyScaled(), Largest);
}

TEST_F(Currency, SqlWritesAndCopiesKeepTheValues)
{
    Db->Execute("UPDATE Money SET Amount = Amount + 1 WHERE Id = 6");
    Db->Execute("INSERT INTO Money (Id, Amount) VALUES (11, 0.5)");
    Db->Execute("SELECT * INTO Copy FROM Money");
    EXPECT_EQ(Db->TableDefs().Item("Copy")->Fields().Item("Amount")->Type(), jet::dbCurrency);
    std::vector<std::int64_t> expected;
    for (const auto& [text, scaled] : RoundTrips)
        expected.push_back(scaled == 123456 ? 133456 : scaled);
    expected.push_back(5000);
    EXPECT_EQ(Amounts(Db->OpenRecordset("SELECT * FROM Copy ORDER BY Id", jet::dbOpenSnapshot)), expected);
    // Beyond the range, an edit is refused.
    jet::RecordsetPtr rows = Db->OpenRecordset("Money", jet::dbOpenDynaset);
    rows->Edit();
    EXPECT_EQ(ErrorOf([&] { rows->Fields().Item("Amount")->SetValue(jet::Variant("922337203685477.5808")); }),
              jet::errTypeConversion);
    rows->CancelUpdate();
}

} // namespace
