#include "JetFixture.h"

#include "platform/jet/JetSql.h"

using namespace jettest;

namespace {

class Sql : public JetFixture {
protected:
    void SetUp() override
    {
        JetFixture::SetUp();
        MakeTable("Parts", {{"Id", jet::dbLong, 0, false, jet::dbAutoIncrField}, {"Name", jet::dbText, 40},
                            {"Price", jet::dbCurrency}, {"Active", jet::dbBoolean}, {"Made", jet::dbDate},
                            {"Tag", jet::dbGUID}});
        const char* rows[][5] = {
            {"Bolt", "0.25", "True", "#1/2/2003#", "{00000000-0000-0000-0000-000000000001}"},
            {"bolt [M6]", "0.5", "False", "#1/2/2003 1:05:09 PM#", "{00000000-0000-0000-0000-000000000002}"},
            {"Nut*", "0.1", "True", "#2003-01-03 13:00:00#", "{A1B2C3D4-0000-0000-0000-000000000003}"},
            {"Écrou", "12", "True", "#12/31/2002 11:59:59 PM#", "{00000000-0000-0000-0000-000000000004}"},
            {"螺丝", "3", "False", "#1/1/2003#", "{00000000-0000-0000-0000-000000000005}"},
            {"Washer 2", "1", "True", "#1/2/2003 12:30:00 AM#", "{00000000-0000-0000-0000-000000000006}"},
        };
        for (const auto& row : rows)
            Db->Execute(std::string("INSERT INTO Parts (Name, Price, Active, Made, Tag) VALUES (\"") + row[0]
                        + "\", " + row[1] + ", " + row[2] + ", " + row[3] + ", {guid " + row[4] + "})");
    }
};

// Statements in the old dialect and the rows they select.
TEST_F(Sql, StatementsOfTheOldDialectSelectTheRightRows)
{
    const std::pair<const char*, Strings> cases[] = {
        {"SELECT * FROM Parts WHERE Name = \"bolt\"", {"Bolt"}},
        {"SELECT * FROM [Parts] WHERE [Name] = 'BOLT'", {"Bolt"}},
        {"SELECT * FROM Parts WHERE Name = \"ÉCROU\"", {"Écrou"}},
        {"SELECT * FROM Parts WHERE Name = \"螺丝\"", {"螺丝"}},
        {"SELECT * FROM Parts WHERE Name LIKE \"bo*\" ORDER BY Id", {"Bolt", "bolt [M6]"}},
        {"SELECT * FROM Parts WHERE Name LIKE \"*[[]M#]\"", {"bolt [M6]"}},
        {"SELECT * FROM Parts WHERE Name LIKE \"Nut[*]\"", {"Nut*"}},
        {"SELECT * FROM Parts WHERE Name LIKE \"?crou\"", {"Écrou"}},
        {"SELECT * FROM Parts WHERE Name LIKE \"[!a-m]*\" ORDER BY Id", {"Nut*", "螺丝", "Washer 2"}},
        {"SELECT * FROM Parts WHERE Name LIKE \"washer #\"", {"Washer 2"}},
        {"SELECT * FROM Parts WHERE LCASE(Name) = LCASE(\"ÉCROU\")", {"Écrou"}},
        {"SELECT * FROM Parts WHERE UCASE(Name) = \"ÉCROU\"", {"Écrou"}},
        {"SELECT * FROM Parts WHERE Active = True ORDER BY Id", {"Bolt", "Nut*", "Écrou", "Washer 2"}},
        {"SELECT * FROM Parts WHERE Active = False ORDER BY Id", {"bolt [M6]", "螺丝"}},
        {"SELECT * FROM Parts WHERE Made = #1/2/2003#", {"Bolt"}},
        {"SELECT * FROM Parts WHERE Made = #01/02/2003 13:05:09#", {"bolt [M6]"}},
        {"SELECT * FROM Parts WHERE Made > #1/2/2003 12:00:00 PM# ORDER BY Id", {"bolt [M6]", "Nut*"}},
        {"SELECT * FROM Parts WHERE Made < #1/2/2003 1:00 AM# AND Made >= #1/2/2003# ORDER BY Id",
         {"Bolt", "Washer 2"}},
        {"SELECT * FROM Parts WHERE Tag = {guid {A1B2C3D4-0000-0000-0000-000000000003}}", {"Nut*"}},
        {"SELECT * FROM Parts WHERE Price > 0.3 AND Price < 5 ORDER BY Price", {"bolt [M6]", "Washer 2", "螺丝"}},
        {"SELECT * FROM Parts WHERE Name & \"!\" = \"Bolt!\"", {"Bolt"}},
        {"SELECT * FROM Parts WHERE Name = \"say \"\"hi\"\"\"", {}},
        {"SELECT Name FROM Parts WHERE Id IN (SELECT Id FROM [Parts] WHERE Price >= 12)", {"Écrou"}},
        {"PARAMETERS [Unused] Long; SELECT * FROM Parts WHERE Id = 1", {"Bolt"}},
        {"SELECT * FROM Parts ORDER BY Name", {"Bolt", "bolt [M6]", "Écrou", "Nut*", "Washer 2", "螺丝"}},
    };
    for (const auto& [text, names] : cases) {
        if (std::string(text).rfind("PARAMETERS", 0) == 0) {
            // A declared parameter needs a value, even when unused.
            EXPECT_EQ(ErrorOf([&] { Query(text, "Name"); }), jet::errTooFewParameters) << text;
            continue;
        }
        EXPECT_EQ(Query(text, "Name"), names) << text;
    }
}

// Criteria texts as Filter, Find and the components write them, and the
// rows they let through.
TEST_F(Sql, CriteriaOfTheOldDialectLetTheRightRowsThrough)
{
    const std::pair<const char*, Strings> cases[] = {
        {"([Name]  = \"BOLT\")", {"Bolt"}},
        {"([Name]  = LCASE(\"bolt\"))", {"Bolt"}},
        {"([Name]  LIKE \"bolt [[]M*\")", {"bolt [M6]"}},
        {"([Name]  LIKE LCASE(\"NUT[*]*\"))", {"Nut*"}},
        {"([Price]  = 12) AND ([Active]  = True)", {"Écrou"}},
        {"([Made]  = #01/02/2003 13:05:09#)", {"bolt [M6]"}},
        {"([Made]  = #1/2/2003 1:05:09 PM#)", {"bolt [M6]"}},
        {"([Made]  = #01/02/2003 00:30:00#)", {"Washer 2"}},
        {"([Tag]  = {guid {00000000-0000-0000-0000-000000000005}})", {"螺丝"}},
        {"([Name]  = \"螺丝\") OR ([Name] = \"écrou\")", {"Écrou", "螺丝"}},
        {"([Price]  IS NULL)", {}},
        {"Name LIKE \"*[0-9]*\" AND NOT Active = False", {"Washer 2"}},
    };
    jet::RecordsetPtr parts = Db->OpenRecordset("SELECT * FROM Parts ORDER BY Id", jet::dbOpenDynaset);
    for (const auto& [criteria, names] : cases) {
        parts->SetFilter(criteria);
        EXPECT_EQ(Values(parts->OpenRecordset(), "Name"), names) << criteria;
        parts->FindFirst(criteria);
        EXPECT_EQ(parts->NoMatch(), names.empty()) << criteria;
        if (!names.empty())
            EXPECT_EQ(parts->Fields().Item("Name")->Value().AsString(), names.front()) << criteria;
    }
}

TEST_F(Sql, ActionStatementsOfTheOldDialectRun)
{
    Db->Execute("DELETE * FROM Parts WHERE Name = \"螺丝\"");
    EXPECT_EQ(Db->RecordsAffected(), 1);
    Db->Execute("DELETE Parts.* FROM Parts WHERE Name LIKE \"bolt*\"");
    EXPECT_EQ(Db->RecordsAffected(), 2);
    Db->Execute("UPDATE [Parts] SET [Price] = [Price] * 2, Active = False WHERE Name = 'Nut*'");
    EXPECT_EQ(Query("SELECT * FROM Parts WHERE Price = 0.2 AND NOT Active", "Name"), Strings({"Nut*"}));
    Db->Execute("INSERT INTO Parts (Name, Made) VALUES (\"Pin\", #3/15/2024 10:20:00 PM#)");
    EXPECT_EQ(Query("SELECT * FROM Parts WHERE Made = #2024-03-15 22:20:00#", "Name"), Strings({"Pin"}));
}

TEST_F(Sql, SelectIntoCopiesATableWithItsFieldTypes)
{
    Db->Execute("SELECT * INTO [Copy] FROM [Parts] WHERE 1=2;");
    EXPECT_EQ(Db->RecordsAffected(), 0);
    jet::TableDefPtr copy = Db->TableDefs().Item("Copy");
    EXPECT_EQ(copy->Fields().Count(), 6);
    EXPECT_EQ(copy->Fields().Item("Name")->Type(), jet::dbText);
    EXPECT_EQ(copy->Fields().Item("Name")->Size(), 40);
    EXPECT_EQ(copy->Fields().Item("Made")->Type(), jet::dbDate);
    EXPECT_EQ(copy->Fields().Item("Tag")->Type(), jet::dbGUID);
    Db->Execute("INSERT INTO [Copy] SELECT * FROM [Parts];");
    EXPECT_EQ(Db->RecordsAffected(), 6);
    Db->Execute("SELECT Name, Price * 2 AS Twice INTO Doubled FROM Parts WHERE Active");
    EXPECT_EQ(Db->RecordsAffected(), 4);
    EXPECT_EQ(Db->TableDefs().Item("Doubled")->Fields().Item("Twice")->Type(), jet::dbDouble);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("SELECT * INTO Copy FROM Parts"); }), jet::errTableExists);

    // Into another database file of ours, and dropped there again.
    Workspace->CreateDatabase(PathOf("other.mdb"), "")->Close();
    Db->Execute("SELECT Name, Price INTO [" + PathOf("other.mdb") + "].[Cheap] FROM Parts WHERE Price < 1");
    EXPECT_EQ(Db->RecordsAffected(), 3);
    auto other = Workspace->OpenDatabase(PathOf("other.mdb"));
    EXPECT_EQ(Values(other->OpenRecordset("SELECT * FROM Cheap ORDER BY Name", jet::dbOpenSnapshot), "Name"),
              Strings({"Bolt", "bolt [M6]", "Nut*"}));
    EXPECT_EQ(other->TableDefs().Item("Cheap")->Fields().Item("Price")->Type(), jet::dbCurrency);
    other->Close();
    Db->Execute("DROP TABLE [" + PathOf("other.mdb") + "].[Cheap];");
    other = Workspace->OpenDatabase(PathOf("other.mdb"));
    EXPECT_EQ(ErrorOf([&] { other->TableDefs().Item("Cheap"); }), jet::errItemNotFound);
}

// The rows of SELECT ... INTO ... IN "folder"[Format;] go to the format
// registered under that name; other names are not supported.
TEST_F(Sql, SelectIntoInHandsTheRowsToAnInstallableFormat)
{
    struct Recorder : jet::InstallableFormat {
        long Export(const jet::ExportTarget& target, jet::Recordset& rows) override
        {
            Target = target;
            Fields = rows.Fields().Count();
            long count = 0;
            for (; !rows.Eof(); rows.MoveNext())
                ++count;
            return count;
        }
        jet::ExportTarget Target;
        int Fields = 0;
    };
    // The program's own text format comes back afterwards, for the tests that
    // run after this one in the same process.
    struct PutBack {
        std::shared_ptr<jet::InstallableFormat> format = jet::FindInstallableFormat("Text");
        ~PutBack() { jet::RegisterInstallableFormat("Text", format); }
    } putBack;
    auto recorder = std::make_shared<Recorder>();
    jet::RegisterInstallableFormat("Text", recorder);
    Db->Execute("Select  [Name], [Price] INTO [parts#txt] IN \"" + Folder.path().toStdString()
                + "/\"[Text;] FROM [Parts] WHERE Active\n;");
    EXPECT_EQ(Db->RecordsAffected(), 4);
    EXPECT_EQ(recorder->Target.TableName, "parts#txt");
    EXPECT_EQ(recorder->Target.Path, Folder.path().toStdString() + "/");
    EXPECT_EQ(recorder->Target.FormatName, "Text");
    EXPECT_EQ(recorder->Target.FormatText, "Text;");
    EXPECT_EQ(recorder->Fields, 2);
    jet::RegisterInstallableFormat("Text", nullptr);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("SELECT * INTO [x] IN \"/tmp\"[Text;] FROM Parts"); }), jet::errNotSupported);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("SELECT * INTO [x] IN \"/tmp\"[Lotus WK3;] FROM Parts"); }),
              jet::errNotSupported);
}

TEST_F(Sql, BareNamesOfTablesAndQueriesOpenAsRecordsets)
{
    Db->CreateQueryDef("Cheap", "SELECT Name FROM Parts WHERE Price < 1 ORDER BY Name");
    EXPECT_EQ(Values(Db->OpenRecordset("Cheap"), "Name"), Strings({"Bolt", "bolt [M6]", "Nut*"}));
    EXPECT_EQ(Values(Db->OpenRecordset("[Cheap]", jet::dbOpenSnapshot), "Name"),
              Strings({"Bolt", "bolt [M6]", "Nut*"}));
    EXPECT_EQ(Query("SELECT * FROM Cheap WHERE Name LIKE \"N*\"", "Name"), Strings({"Nut*"}));
    EXPECT_EQ(Db->OpenRecordset("parts")->Type(), jet::dbOpenTable);
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("Nowhere"); }), jet::errInputTableNotFound);
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("SELECT * FROM Nowhere"); }), jet::errInputTableNotFound);
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("Cheap", jet::dbOpenTable); }), jet::errInvalidOperation);
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("DELETE * FROM Parts"); }), jet::errInputTableNotFound);
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("SELECT * FROM Parts", jet::dbOpenDynamic); }), jet::errNotSupported);
    EXPECT_EQ(Query("SELECT * FROM Parts", "Name").size(), 6u);
}

// What SQLite would read differently is refused rather than passed on.
TEST_F(Sql, TextsThatDoNotTranslateAreRefused)
{
    const char* statements[] = {
        "SELECT * FROM Parts WHERE Name = ?",
        "SELECT * FROM Parts WHERE Name = :name",
        "SELECT * FROM Parts WHERE Name = @name",
        "SELECT * FROM Parts WHERE Name = \"open",
        "SELECT * FROM [Parts WHERE 1",
        "SELECT * FROM Parts WHERE Made = #not a date#",
        "SELECT * FROM Parts WHERE Tag = {guid {123}}",
        "SELECT * FROM Parts; DELETE * FROM Parts",
        "SELECT * FROM Parts WHERE (Id = 1",
        "SELECT * FROM Parts WHERE Id = 1)",
        "PARAMETERS x Nonsense; SELECT * FROM Parts",
        "SELECT * FROM Parts WHERE Name LIKE \"[abc\"",
    };
    for (const char* text : statements)
        EXPECT_EQ(ErrorOf([&] { Query(text, "Name"); }), jet::errSyntax) << text;
    // Texts that are no statement of the old dialect name no table either.
    for (const char* text : {"PRAGMA writable_schema = 1", ""})
        EXPECT_EQ(ErrorOf([&] { Query(text, "Name"); }), jet::errInputTableNotFound) << text;
    EXPECT_EQ(ErrorOf([&] { Db->Execute("PRAGMA writable_schema = 1"); }), jet::errSyntax);
    EXPECT_EQ(Query("SELECT * FROM Parts", "Name").size(), 6u);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("UPDATE Parts SET Price = 1 -- 1"); }), 0);  // "- -" is arithmetic
}

// The translator alone, with a resolver that knows one table and one query.
// UPDATE over joined tables changes the rows of the one table whose fields
// it sets, each row the join gives, with values read before any changes.
TEST_F(Sql, UpdatesThroughJoinsChangeTheJoinedRows)
{
    MakeTable("A", {{"K", jet::dbLong}, {"X", jet::dbText, 20}});
    MakeTable("B", {{"K", jet::dbLong}, {"Y", jet::dbText, 20}});
    MakeTable("C", {{"K", jet::dbLong}, {"Z", jet::dbText, 20}});
    Db->Execute("INSERT INTO B VALUES (1, \"b1\")");
    Db->Execute("INSERT INTO B VALUES (2, \"b2\")");
    Db->Execute("INSERT INTO B VALUES (5, \"b5\")");
    Db->Execute("INSERT INTO C VALUES (2, \"c2\")");
    Db->CreateQueryDef("LaterB", "SELECT K, Y FROM B WHERE K > 1");
    struct Case {
        const char* Statement;
        int Affected;
        const char* Rows;  // A's rows afterwards, by K
    };
    const Case cases[] = {
        {"UPDATE A INNER JOIN B ON A.K = B.K SET A.X = B.Y", 2, "1=b1 2=b2 3=a3 4="},
        {"UPDATE [A] INNER JOIN [B] ON [A].[K] = [B].[K] SET [A].[X] = [B].[Y] WHERE B.K > 1", 1, "1=a1 2=b2 3=a3 4="},
        {"UPDATE A LEFT JOIN B ON A.K = B.K SET X = A.X & \"+\" & B.Y", 4, "1=a1+b1 2=a2+b2 3=a3+ 4=+"},
        {"UPDATE B AS bb RIGHT JOIN A AS aa ON aa.K = bb.K SET aa.X = \"r\" WHERE bb.K IS NULL", 2,
         "1=a1 2=a2 3=r 4=r"},
        {"UPDATE (A INNER JOIN B ON A.K = B.K) INNER JOIN C ON C.K = B.K SET A.X = C.Z, A.K = A.K * 10", 1,
         "1=a1 3=a3 4= 20=c2"},
        {"UPDATE A INNER JOIN A AS Nxt ON Nxt.K = A.K + 1 SET A.X = Nxt.X", 3, "1=a2 2=a3 3= 4="},
        {"UPDATE A INNER JOIN LaterB ON A.K = LaterB.K SET A.X = LaterB.Y & A.K", 1, "1=a1 2=b22 3=a3 4="},
        {"UPDATE A INNER JOIN B ON A.K = B.K SET A.X = B.Y WHERE A.X = \"none\"", 0, "1=a1 2=a2 3=a3 4="},
    };
    for (const Case& test : cases) {
        Db->Execute("DELETE * FROM A");
        for (const char* row : {"1, \"a1\"", "2, \"a2\"", "3, \"a3\"", "4, Null"})
            Db->Execute(std::string("INSERT INTO A VALUES (") + row + ")");
        Db->Execute(test.Statement);
        EXPECT_EQ(Db->RecordsAffected(), test.Affected) << test.Statement;
        std::string rows;
        for (const std::string& row : Query("SELECT K & \"=\" & X AS R FROM A ORDER BY K", "R"))
            rows += (rows.empty() ? "" : " ") + row;
        EXPECT_EQ(rows, test.Rows) << test.Statement;
    }
    // A stored update query with a parameter.
    jet::QueryDefPtr suffix = Db->CreateQueryDef(
        "Suffix", "PARAMETERS [With] Text; UPDATE A INNER JOIN B ON A.K = B.K SET A.X = B.Y & [With] WHERE A.K = 1");
    suffix->Parameters().Item("With")->SetValue(jet::Variant("?"));
    suffix->Execute(jet::dbFailOnError);
    EXPECT_EQ(Db->RecordsAffected(), 1);
    EXPECT_EQ(Query("SELECT X FROM A WHERE K = 1", "X"), Strings({"b1?"}));

    // The fields set may be those of a later table of the join.
    Db->Execute("UPDATE A INNER JOIN B ON A.K = B.K SET B.Y = \"from \" & A.X");
    EXPECT_EQ(Db->RecordsAffected(), 2);
    EXPECT_EQ(Query("SELECT Y FROM B ORDER BY K", "Y"), Strings({"from b1?", "from a2", "b5"}));
    // A field named without its table is the one table's that has it.
    Db->Execute("UPDATE A INNER JOIN B ON A.K = B.K SET Y = X & \"!\" WHERE A.K = 2");
    EXPECT_EQ(Query("SELECT Y FROM B ORDER BY K", "Y"), Strings({"from b1?", "a2!", "b5"}));

    const std::pair<const char*, int> refusals[] = {
        {"UPDATE A INNER JOIN B ON A.K = B.K SET A.X = B.Y, B.Y = A.X", jet::errNotSupported},
        {"UPDATE A INNER JOIN B ON A.K = B.K SET D.X = 1", jet::errTooFewParameters},
        {"UPDATE A INNER JOIN B ON A.K = B.K SET A.Absent = 1", jet::errTooFewParameters},
        {"UPDATE A INNER JOIN B ON A.K = B.K SET", jet::errSyntax},
        {"UPDATE A INNER JOIN B ON A.K = B.K SET A.X", jet::errSyntax},
        {"UPDATE A INNER JOIN B ON A.K = B.K SET A.X = ", jet::errSyntax},
        {"UPDATE A INNER JOIN Nowhere ON A.K = Nowhere.K SET A.X = 1", jet::errInputTableNotFound},
        {"UPDATE (SELECT * FROM A INNER JOIN B ON A.K = B.K) AS s SET s.X = 1", jet::errSyntax},
    };
    for (const auto& [statement, error] : refusals)
        EXPECT_EQ(ErrorOf([&] { Db->Execute(statement); }), error) << statement;
}

TEST(JetSqlTranslator, TranslatesTheOldFormsForSqlite)
{
    struct Names : jet::sql::NameResolver {
        jet::sql::NameBinding ResolveTable(std::string_view name) const override
        {
            jet::sql::NameBinding binding;
            if (jet::SameName(name, "T")) {
                binding.Type = jet::sql::NameBinding::Table;
                binding.SqliteRef = "\"T\"";
            } else if (jet::SameName(name, "Q")) {
                binding.Type = jet::sql::NameBinding::Query;
                binding.QuerySql = "SELECT a FROM T WHERE b = True";
            } else if (jet::SameName(name, "L")) {
                binding.Type = jet::sql::NameBinding::Table;
                binding.SqliteRef = "\"jet.link.1\".\"Remote\"";
            }
            return binding;
        }
    } names;
    using jet::sql::TranslateStatement;
    EXPECT_EQ(TranslateStatement("DELETE * FROM [T];", names).Sql, "DELETE FROM \"T\"");
    EXPECT_EQ(TranslateStatement("SELECT * FROM Q", names).Sql,
              "SELECT * FROM (SELECT a FROM \"T\" WHERE b = -1) AS \"Q\"");
    EXPECT_EQ(TranslateStatement("SELECT * FROM L WHERE L.x = 1", names).Sql,
              "SELECT * FROM \"jet.link.1\".\"Remote\" AS \"L\" WHERE L . x = 1");
    // The table of INSERT INTO is resolved with a column list after it too.
    EXPECT_EQ(TranslateStatement("INSERT INTO L (x) SELECT a FROM T", names).Sql,
              "INSERT INTO \"jet.link.1\".\"Remote\" AS \"L\" ( x ) SELECT a FROM \"T\"");
    const jet::sql::Translation withParameters =
        TranslateStatement("PARAMETERS [When] DateTime, Who Text(50); SELECT * FROM T WHERE d > [When] AND n = who",
                           names);
    ASSERT_EQ(withParameters.Parameters.size(), 2u);
    EXPECT_EQ(withParameters.Parameters[0].Name, "When");
    EXPECT_EQ(withParameters.Parameters[0].Type, jet::dbDate);
    EXPECT_EQ(withParameters.Parameters[1].Type, jet::dbText);
    EXPECT_EQ(withParameters.Sql, "SELECT * FROM \"T\" WHERE d > ?1 AND n = ?2");
    const jet::sql::Translation into =
        TranslateStatement("SELECT a INTO [x#txt] IN \"/out/\"[Text;] FROM T", names);
    EXPECT_EQ(into.Kind, jet::sql::StatementKind::SelectInto);
    EXPECT_EQ(into.IntoTable, "x#txt");
    EXPECT_EQ(into.IntoDatabase, "/out/");
    EXPECT_EQ(into.IntoFormat, "Text;");
    EXPECT_TRUE(into.HasIn);
    EXPECT_EQ(into.Sql, "SELECT a FROM \"T\"");
    EXPECT_EQ(TranslateStatement("SELECT \"it's\" FROM T", names).Sql, "SELECT 'it''s' FROM \"T\"");
    // A "]" cannot stand inside brackets: such a name is never written.
    EXPECT_EQ(ErrorOf([&] { TranslateStatement("SELECT [a]]b] FROM T", names); }), jet::errSyntax);
}

// Mod rounds both sides to integers, binds tighter than + and - and looser
// than * and /, and keeps the sign of its left side.
TEST_F(Sql, ModIsTheOldDialectsRemainder)
{
    const std::pair<const char*, long long> values[] = {
        {"17 Mod 5", 2},      {"-17 Mod 5", -2},         {"17 Mod -5", 2},      {"17.5 Mod 5", 3},
        {"2.5 Mod 2", 0},     {"10 Mod 3 * 2", 4},       {"2 * 5 Mod 3", 1},    {"1 + 10 Mod 3", 2},
        {"10 Mod 4 Mod 3", 2}, {"(7 + 3) Mod (1 + 2)", 1}, {"ABS(-7) Mod 4", 3}, {"7 mod 4 - 1", 2},
    };
    for (const auto& [expression, expected] : values) {
        jet::RecordsetPtr rows = Db->OpenRecordset(std::string("SELECT ") + expression + " AS v FROM Parts WHERE Id = 1",
                                                   jet::dbOpenSnapshot);
        EXPECT_EQ(rows->Fields().Item("v")->Value().AsInt64(), expected) << expression;
    }
    EXPECT_EQ(Query("SELECT * FROM Parts WHERE Id Mod 2 = 0 ORDER BY Id", "Name"),
              Strings({"bolt [M6]", "Écrou", "Washer 2"}));
    EXPECT_TRUE(Db->OpenRecordset("SELECT Null Mod 2 AS v FROM Parts", jet::dbOpenSnapshot)
                    ->Fields().Item("v")->Value().IsNull());
    EXPECT_EQ(ErrorOf([&] { Query("SELECT Id Mod 0 AS v FROM Parts", "v"); }), 11);

    jet::RecordsetPtr parts = Db->OpenRecordset("SELECT * FROM Parts ORDER BY Id", jet::dbOpenDynaset);
    parts->SetFilter("[Id] Mod 3 = 0");
    EXPECT_EQ(Values(parts->OpenRecordset(), "Name"), Strings({"Nut*", "Washer 2"}));
    parts->FindFirst("Id MOD 4 = 1 AND Id > 1");
    EXPECT_EQ(parts->Fields().Item("Name")->Value().AsString(), "螺丝");
}

// & joins texts: a Null side counts as empty (only Null & Null is Null),
// numbers join as the engine prints them, and & binds looser than
// arithmetic and tighter than comparisons.
TEST_F(Sql, AmpersandJoinsTextsTakingNullAsEmpty)
{
    const std::pair<const char*, const char*> values[] = {
        {"\"a\" & Null", "a"},           {"Null & \"b\"", "b"},           {"Null & Null", nullptr},
        {"Name & Null", "Bolt"},          {"\"n\" & 12", "n12"},           {"1 + 2 & 3", "33"},
        {"\"x\" & 1.5", "x1.5"},         {"\"x\" & 0.1 * 3", "x0.3"},     {"\"a\" & \"b\" & Null & \"c\"", "abc"},
        {"10 Mod 3 & \"!\"", "1!"},      {"-1 & \"\"", "-1"},             {"\"id\" & Id - 1", "id0"},
        {"True & \"\"", "-1"},           {"LCASE(\"A\" & Null)", "a"},    {"(Null & Null) & \"z\"", "z"},
        {"Null & Null & Null", nullptr},
    };
    for (const auto& [expression, expected] : values) {
        jet::RecordsetPtr rows = Db->OpenRecordset(std::string("SELECT ") + expression + " AS v FROM Parts WHERE Id = 1",
                                                   jet::dbOpenSnapshot);
        const jet::Variant value = rows->Fields().Item("v")->Value();
        if (!expected)
            EXPECT_TRUE(value.IsNull()) << expression;
        else
            EXPECT_EQ(value.AsString(), expected) << expression;
    }
    EXPECT_EQ(Query("SELECT * FROM Parts WHERE Name & Null = \"Bolt\" OR Null & Name = \"Nut*\" ORDER BY Id", "Name"),
              Strings({"Bolt", "Nut*"}));
    EXPECT_EQ(Query("SELECT * FROM Parts WHERE Null & Null IS NULL AND Id < 3 ORDER BY Id", "Name"),
              Strings({"Bolt", "bolt [M6]"}));

    jet::RecordsetPtr parts = Db->OpenRecordset("SELECT * FROM Parts ORDER BY Id", jet::dbOpenDynaset);
    parts->SetFilter("[Name] & Null = \"Washer 2\"");
    EXPECT_EQ(Values(parts->OpenRecordset(), "Name"), Strings({"Washer 2"}));
    parts->FindFirst("Null & [Name] & Null = \"Écrou\"");
    EXPECT_EQ(parts->Fields().Item("Name")->Value().AsString(), "Écrou");

    Db->CreateQueryDef("Labels", "SELECT Id, Name & Null & \" #\" & Id AS Label FROM Parts");
    EXPECT_EQ(Query("SELECT * FROM Labels WHERE Id <= 2 ORDER BY Id", "Label"), Strings({"Bolt #1", "bolt [M6] #2"}));
    EXPECT_EQ(Query("Labels", "Label").front(), "Bolt #1");
}

TEST(JetSqlTranslator, ParsesSortTextsAndGuids)
{
    const auto keys = jet::sql::ParseSort("Name, [Age] DESC , t.City ASC");
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1].Field, "Age");
    EXPECT_TRUE(keys[1].Descending);
    EXPECT_EQ(keys[2].Field, "City");
    EXPECT_FALSE(keys[2].Descending);
    const auto bytes = jet::sql::GuidBytes("{00112233-4455-6677-8899-AABBCCDDEEFF}");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(static_cast<unsigned char>((*bytes)[0]), 0x33);  // first group little-endian
    EXPECT_EQ(static_cast<unsigned char>((*bytes)[8]), 0x88);
    EXPECT_EQ(jet::sql::GuidText(*bytes), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
    EXPECT_FALSE(jet::sql::GuidBytes("{00112233-4455-6677-8899-AABBCCDDEEF}"));
    EXPECT_FALSE(jet::sql::GuidBytes("{0011223G-4455-6677-8899-AABBCCDDEEFF}"));
}

} // namespace
