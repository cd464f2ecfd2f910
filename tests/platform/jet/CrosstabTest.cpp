#include "JetFixture.h"

using namespace jettest;

namespace {

class Crosstab : public JetFixture {
protected:
    void SetUp() override
    {
        JetFixture::SetUp();
        MakeTable("Sales", {{"Region", jet::dbText, 10}, {"Product", jet::dbText, 10}, {"Qty", jet::dbLong}});
        const char* rows[][3] = {{"North", "\"Apple\"", "3"}, {"North", "\"apple\"", "4"}, {"North", "\"Pear\"", "2"},
                                 {"South", "\"Apple\"", "5"}, {"South", "\"Fig\"", "1"},   {"East", "\"Pear\"", "6"},
                                 {"East", "Null", "2"}};
        for (const auto& row : rows)
            Db->Execute(std::string("INSERT INTO Sales (Region, Product, Qty) VALUES (\"") + row[0] + "\", " + row[1]
                        + ", " + row[2] + ")");
    }

    // The field names, then one line per row: "value|value|...", Null as "-".
    static std::vector<std::string> Grid(const jet::RecordsetPtr& rows)
    {
        std::vector<std::string> grid(1);
        for (int i = 0; i < rows->Fields().Count(); ++i)
            grid[0] += (i ? "|" : "") + rows->Fields().Item(i)->Name();
        for (; !rows->Eof(); rows->MoveNext()) {
            std::string line;
            for (int i = 0; i < rows->Fields().Count(); ++i) {
                const jet::Variant value = rows->Fields().Item(i)->Value();
                line += (i ? "|" : "") + (value.IsNull() ? std::string("-") : value.AsString());
            }
            grid.push_back(line);
        }
        return grid;
    }
};

// Each pivot worked out by hand from the seven rows above.
TEST_F(Crosstab, PivotsMatchTheOnesWorkedOutByHand)
{
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        // Every value a column, ascending, Null first as "<>"; letter case is one value.
        {"TRANSFORM Sum(Qty) SELECT Region FROM Sales GROUP BY Region PIVOT Product",
         {"Region|<>|Apple|Fig|Pear", "East|2|-|-|6", "North|-|7|-|2", "South|-|5|1|-"}},
        // A fixed list: its order, a value without rows, the others left out.
        {"TRANSFORM Sum([Qty]) SELECT [Region] FROM [Sales] GROUP BY [Region] PIVOT [Product] IN (\"Pear\", \"Apple\", "
         "\"Kiwi\");",
         {"Region|Pear|Apple|Kiwi", "East|6|-|-", "North|2|7|-", "South|-|5|-"}},
        // A count with a row total, a WHERE, and the query's own order; empty cells stay Null.
        {"TRANSFORM Count(*) SELECT Region, Sum(Qty) AS Total FROM Sales WHERE Product IS NOT NULL GROUP BY Region "
         "ORDER BY Region DESC PIVOT Product",
         {"Region|Total|Apple|Fig|Pear", "South|6|1|1|-", "North|9|2|-|1", "East|6|-|-|1"}},
        // An expression over the aggregate, rows by product with the Null product first.
        {"TRANSFORM Sum(Qty) * 10 SELECT Product FROM Sales GROUP BY Product PIVOT Region IN (\"North\", \"East\")",
         {"Product|North|East", "-|-|20", "Apple|70|-", "Fig|-|-", "Pear|20|60"}},
        // Numbers head columns too; HAVING keeps whole rows.
        {"TRANSFORM Max(Product) SELECT Region FROM Sales GROUP BY Region HAVING Sum(Qty) > 6 PIVOT Qty",
         {"Region|1|2|3|4|5|6", "East|-|-|-|-|-|Pear", "North|-|Pear|Apple|apple|-|-"}},
    };
    for (const auto& [statement, expected] : cases)
        EXPECT_EQ(Grid(Db->OpenRecordset(statement, jet::dbOpenSnapshot)), expected) << statement;
}

TEST_F(Crosstab, StoredCrosstabsTakeParametersAndAreNotExecuted)
{
    jet::QueryDefPtr query = Db->CreateQueryDef(
        "ByRegion", "PARAMETERS [Least] Long; TRANSFORM Sum(Qty) SELECT Region FROM Sales WHERE Qty >= [Least] "
                    "GROUP BY Region PIVOT Product");
    EXPECT_EQ(query->Type(), jet::dbQCrosstab);
    query->Parameters().Item("Least")->SetValue(jet::Variant(5));
    EXPECT_EQ(Grid(query->OpenRecordset(jet::dbOpenSnapshot)),
              (std::vector<std::string>{"Region|Apple|Pear", "East|-|6", "South|5|-"}));
    EXPECT_EQ(ErrorOf([&] { query->Execute(); }), jet::errCannotExecuteSelect);
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("ByRegion", jet::dbOpenSnapshot); }), jet::errTooFewParameters);
}

TEST_F(Crosstab, MalformedCrosstabsAreSyntaxErrors)
{
    for (const char* statement : {
             "TRANSFORM Sum(Qty) SELECT Region FROM Sales PIVOT Product",
             "TRANSFORM SELECT Region FROM Sales GROUP BY Region PIVOT Product",
             "TRANSFORM Sum(Qty) SELECT Region FROM Sales GROUP BY Region",
             "TRANSFORM Qty SELECT Region FROM Sales GROUP BY Region PIVOT Product",
             "TRANSFORM Sum(Qty) SELECT Region FROM Sales GROUP BY Region PIVOT",
             "TRANSFORM Sum(Qty) SELECT Region FROM Sales GROUP BY Region PIVOT Product IN ()",
             "TRANSFORM Sum(Qty SELECT Region FROM Sales GROUP BY Region PIVOT Product",
         })
        EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset(statement, jet::dbOpenSnapshot); }), jet::errSyntax) << statement;
}

} // namespace
