#include "JetFixture.h"

#include <sqlite3.h>

using namespace jettest;

namespace {

using DataDefinition = JetFixture;

// Everything a table definition holds, as one text to compare.
std::string Describe(const jet::TableDefPtr& table)
{
    std::string text = table->Name() + "\n";
    for (int i = 0; i < table->Fields().Count(); ++i) {
        jet::FieldPtr field = table->Fields().Item(i);
        text += " field " + field->Name() + " type " + std::to_string(field->Type()) + " size "
            + std::to_string(field->Size()) + " attributes " + std::to_string(field->Attributes())
            + (field->Required() ? " required" : "") + " default '" + field->DefaultValue() + "'\n";
    }
    for (int i = 0; i < table->Indexes().Count(); ++i) {
        jet::IndexPtr index = table->Indexes().Item(i);
        text += " index " + index->Name() + (index->Primary() ? " primary" : "") + (index->Unique() ? " unique" : "");
        for (int j = 0; j < index->Fields().Count(); ++j)
            text += " " + index->Fields().Item(j)->Name()
                + (index->Fields().Item(j)->Attributes() & jet::dbDescending ? " desc" : "");
        text += "\n";
    }
    return text;
}

TEST_F(DataDefinition, CreateTableGivesTheSameDefinitionAsTableDefs)
{
    Db->Execute("CREATE TABLE Made (Id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, Code TEXT(12) NOT NULL, "
                "Name TEXT, Amount CURRENCY DEFAULT 0, Paid BIT DEFAULT False, Placed DATETIME, Notes MEMO, "
                "Picture LONGBINARY, Tag GUID, Ratio DOUBLE, Small SHORT, Tiny BYTE, Raw BINARY(8), "
                "Note TEXT(20) DEFAULT \"none\" WITH COMPRESSION, CONSTRAINT ByCode UNIQUE (Code, Tiny));");
    Db->Execute("CREATE INDEX ByDate ON Made (Placed DESC, Amount)");

    jet::TableDefPtr table = Db->CreateTableDef("Built");
    const std::tuple<const char*, int, int> fields[] = {
        {"Id", jet::dbLong, 0},         {"Code", jet::dbText, 12},    {"Name", jet::dbText, 255},
        {"Amount", jet::dbCurrency, 0}, {"Paid", jet::dbBoolean, 0},  {"Placed", jet::dbDate, 0},
        {"Notes", jet::dbMemo, 0},      {"Picture", jet::dbLongBinary, 0}, {"Tag", jet::dbGUID, 0},
        {"Ratio", jet::dbDouble, 0},    {"Small", jet::dbInteger, 0}, {"Tiny", jet::dbByte, 0},
        {"Raw", jet::dbBinary, 8},      {"Note", jet::dbText, 20},
    };
    for (const auto& [name, type, size] : fields)
        table->Fields().Append(table->CreateField(name, type, size));
    table->Fields().Item("Id")->SetAttributes(jet::dbAutoIncrField);
    table->Fields().Item("Code")->SetRequired(true);
    table->Fields().Item("Amount")->SetDefaultValue("0");
    table->Fields().Item("Paid")->SetDefaultValue("False");
    table->Fields().Item("Note")->SetDefaultValue("\"none\"");
    auto addIndex = [&](const char* name, bool primary, bool unique, std::vector<std::pair<const char*, bool>> keys) {
        jet::IndexPtr index = table->CreateIndex(name);
        index->SetPrimary(primary);
        index->SetUnique(unique);
        for (const auto& [field, descending] : keys) {
            jet::FieldPtr key = index->CreateField(field);
            if (descending)
                key->SetAttributes(jet::dbDescending);
            index->Fields().Append(key);
        }
        table->Indexes().Append(index);
    };
    addIndex("PrimaryKey", true, true, {{"Id", false}});
    addIndex("ByCode", false, true, {{"Code", false}, {"Tiny", false}});
    Db->TableDefs().Append(table);
    jet::TableDefPtr stored = Db->TableDefs().Item("Built");
    jet::IndexPtr byDate = stored->CreateIndex("ByDate");
    jet::FieldPtr placed = byDate->CreateField("Placed");
    placed->SetAttributes(jet::dbDescending);
    byDate->Fields().Append(placed);
    byDate->Fields().Append(byDate->CreateField("Amount"));
    stored->Indexes().Append(byDate);

    std::string made = Describe(Db->TableDefs().Item("Made"));
    std::string built = Describe(Db->TableDefs().Item("Built"));
    made.replace(0, 4, "Built");
    EXPECT_EQ(made, built);

    // The defaults and the numbering work as the definitions say.
    Db->Execute("INSERT INTO Made (Code) VALUES (\"A\")");
    jet::RecordsetPtr rows = Db->OpenRecordset("SELECT Id, Amount, Paid, Note FROM Made", jet::dbOpenSnapshot);
    EXPECT_EQ(rows->Fields().Item("Id")->Value().AsInteger(), 1);
    EXPECT_EQ(rows->Fields().Item("Amount")->Value().AsDouble(), 0.0);
    EXPECT_EQ(rows->Fields().Item("Paid")->Value(), jet::Variant(false));
    EXPECT_EQ(rows->Fields().Item("Note")->Value().AsString(), "none");
}

// Every relation of a database, as one text to compare.
std::string DescribeRelations(const jet::DatabasePtr& db)
{
    std::string text;
    for (int i = 0; i < db->Relations().Count(); ++i) {
        jet::RelationPtr relation = db->Relations().Item(i);
        text += relation->Name() + ": " + relation->Table() + " -> " + relation->ForeignTable() + " attributes "
            + std::to_string(relation->Attributes());
        for (int j = 0; j < relation->Fields().Count(); ++j)
            text += " " + relation->Fields().Item(j)->Name() + "=" + relation->Fields().Item(j)->ForeignName();
        text += "\n";
    }
    return text;
}

// Foreign keys of CREATE TABLE and ALTER TABLE make the relations a caller
// of Relations makes, with the same tables, fields and indexes, in a file
// that keeps them.
TEST_F(DataDefinition, ForeignKeysGiveTheSameRelationsAsTheRelationsCollection)
{
    Db->Execute("CREATE TABLE Customers (Id COUNTER PRIMARY KEY, Region TEXT(4) NOT NULL, Code TEXT(8) NOT NULL, "
                "CONSTRAINT ByRegion UNIQUE (Region, Code))");
    Db->Execute("CREATE TABLE Orders (Id COUNTER PRIMARY KEY, Customer LONG REFERENCES Customers ON DELETE CASCADE, "
                "Region TEXT(4), Code TEXT(8), CONSTRAINT OrderRegion FOREIGN KEY (Region, Code) REFERENCES "
                "Customers (Region, Code) ON UPDATE CASCADE ON DELETE NO ACTION)");
    Db->Execute("ALTER TABLE Orders ADD COLUMN Payer LONG CONSTRAINT OrderPayer REFERENCES Customers (Id)");
    Db->Execute("ALTER TABLE Orders ADD CONSTRAINT Both FOREIGN KEY (Payer) REFERENCES Customers ON UPDATE CASCADE "
                "ON DELETE CASCADE");

    jet::DatabasePtr built = Workspace->CreateDatabase(PathOf("built.mdb"), ";LANGID=0x0409;CP=1252;COUNTRY=0");
    jet::TableDefPtr customers = built->CreateTableDef("Customers");
    customers->Fields().Append(customers->CreateField("Id", jet::dbLong));
    customers->Fields().Item("Id")->SetAttributes(jet::dbAutoIncrField);
    for (const char* name : {"Region", "Code"}) {
        customers->Fields().Append(customers->CreateField(name, jet::dbText, name[0] == 'R' ? 4 : 8));
        customers->Fields().Item(name)->SetRequired(true);
    }
    auto addIndex = [](const jet::TableDefPtr& table, const char* name, bool primary, std::vector<const char*> keys) {
        jet::IndexPtr index = table->CreateIndex(name);
        index->SetPrimary(primary);
        index->SetUnique(true);
        for (const char* key : keys)
            index->Fields().Append(index->CreateField(key));
        table->Indexes().Append(index);
    };
    addIndex(customers, "PrimaryKey", true, {"Id"});
    addIndex(customers, "ByRegion", false, {"Region", "Code"});
    built->TableDefs().Append(customers);
    jet::TableDefPtr orders = built->CreateTableDef("Orders");
    orders->Fields().Append(orders->CreateField("Id", jet::dbLong));
    orders->Fields().Item("Id")->SetAttributes(jet::dbAutoIncrField);
    orders->Fields().Append(orders->CreateField("Customer", jet::dbLong));
    orders->Fields().Append(orders->CreateField("Region", jet::dbText, 4));
    orders->Fields().Append(orders->CreateField("Code", jet::dbText, 8));
    addIndex(orders, "PrimaryKey", true, {"Id"});
    built->TableDefs().Append(orders);
    built->TableDefs().Item("Orders")->Fields().Append(built->TableDefs().Item("Orders")->CreateField("Payer", jet::dbLong));
    auto relate = [&](const char* name, int attributes, std::vector<std::pair<const char*, const char*>> fields) {
        jet::RelationPtr relation = built->CreateRelation(name, "Customers", "Orders", attributes);
        for (const auto& [key, reference] : fields) {
            jet::FieldPtr field = relation->CreateField(key);
            field->SetForeignName(reference);
            relation->Fields().Append(field);
        }
        built->Relations().Append(relation);
    };
    relate("CustomersOrders", jet::dbRelationDeleteCascade, {{"Id", "Customer"}});
    relate("OrderRegion", jet::dbRelationUpdateCascade, {{"Region", "Region"}, {"Code", "Code"}});
    relate("OrderPayer", 0, {{"Id", "Payer"}});
    relate("Both", jet::dbRelationUpdateCascade | jet::dbRelationDeleteCascade, {{"Id", "Payer"}});

    const std::string relations = DescribeRelations(Db);
    EXPECT_EQ(relations,
              "Both: Customers -> Orders attributes 4352 Id=Payer\n"
              "CustomersOrders: Customers -> Orders attributes 4096 Id=Customer\n"
              "OrderPayer: Customers -> Orders attributes 0 Id=Payer\n"
              "OrderRegion: Customers -> Orders attributes 256 Region=Region Code=Code\n");
    EXPECT_EQ(DescribeRelations(built), relations);
    for (const char* table : {"Customers", "Orders"})
        EXPECT_EQ(Describe(Db->TableDefs().Item(table)), Describe(built->TableDefs().Item(table))) << table;

    // Both files keep them, and the relations hold in both.
    Db->Close();
    built->Close();
    for (const char* file : {"test.mdb", "built.mdb"}) {
        jet::DatabasePtr reopened = Workspace->OpenDatabase(PathOf(file), false, false, "");
        EXPECT_EQ(DescribeRelations(reopened), relations) << file;
        EXPECT_EQ(ErrorOf([&] { reopened->Execute("INSERT INTO Orders (Customer) VALUES (7)"); }),
                  jet::errRelatedRecordRequired)
            << file;
        reopened->Close();
    }
}

// Dropping a foreign key's constraint takes its relation away; the other
// table's constraints are not this table's to drop.
TEST_F(DataDefinition, DropConstraintTakesAwayARelationOfTheTable)
{
    Db->Execute("CREATE TABLE p (Id LONG PRIMARY KEY)");
    Db->Execute("CREATE TABLE c (Id LONG, Parent LONG, CONSTRAINT ToParent FOREIGN KEY (Parent) REFERENCES p)");
    Db->Execute("CREATE TABLE other (Id LONG)");
    EXPECT_EQ(ErrorOf([&] { Db->Execute("ALTER TABLE other DROP CONSTRAINT ToParent"); }), 3371);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("DROP TABLE p"); }), 3281);
    Db->Execute("ALTER TABLE c DROP CONSTRAINT ToParent");
    EXPECT_EQ(Db->Relations().Count(), 0);
    Db->Execute("INSERT INTO c (Id, Parent) VALUES (1, 99)");
    Db->Execute("DROP TABLE p");
}

TEST_F(DataDefinition, IndexOptionsAndUnnamedKeys)
{
    Db->Execute("CREATE TABLE t (a LONG PRIMARY KEY, b TEXT(10) UNIQUE, c LONG, d LONG)");
    Db->Execute("CREATE UNIQUE INDEX Both ON t (c, d) WITH DISALLOW NULL");
    Db->Execute("CREATE INDEX JustD ON t (d) WITH IGNORE NULL");
    EXPECT_EQ(Describe(Db->TableDefs().Item("t")),
              "t\n"
              " field a type 4 size 0 attributes 1 default ''\n"
              " field b type 10 size 10 attributes 2 default ''\n"
              " field c type 4 size 0 attributes 1 required default ''\n"
              " field d type 4 size 0 attributes 1 required default ''\n"
              " index PrimaryKey primary unique a\n"
              " index b unique b\n"
              " index Both unique c d\n"
              " index JustD d\n");
    Db->Execute("CREATE TABLE u (x LONG)");
    Db->Execute("CREATE INDEX k ON u (x) WITH PRIMARY");
    jet::IndexPtr key = Db->TableDefs().Item("u")->Indexes().Item("k");
    EXPECT_TRUE(key->Primary());
    EXPECT_TRUE(key->Unique());
}

TEST_F(DataDefinition, AlterTableAddsChangesAndDropsColumnsAndConstraints)
{
    Db->Execute("CREATE TABLE t (a LONG, b TEXT(10))");
    Db->Execute("INSERT INTO t (a, b) VALUES (1, \"12\")");
    Db->Execute("INSERT INTO t (a, b) VALUES (2, \"345\")");
    Db->Execute("ALTER TABLE t ADD COLUMN c DATETIME");
    Db->Execute("ALTER TABLE t ADD d TEXT(5) DEFAULT \"x\"");
    Db->Execute("ALTER TABLE t ADD CONSTRAINT pk PRIMARY KEY (a)");
    Db->Execute("ALTER TABLE t ALTER COLUMN b LONG");
    jet::TableDefPtr table = Db->TableDefs().Item("t");
    EXPECT_EQ(table->Fields().Item("b")->Type(), jet::dbLong);
    EXPECT_TRUE(table->Indexes().Item("pk")->Primary());
    jet::RecordsetPtr rows = Db->OpenRecordset("SELECT b FROM t ORDER BY a", jet::dbOpenSnapshot);
    EXPECT_EQ(rows->Fields().Item("b")->Value().AsInteger(), 12);

    Db->Execute("ALTER TABLE t DROP CONSTRAINT pk");
    Db->Execute("ALTER TABLE t DROP COLUMN c");
    EXPECT_EQ(Describe(Db->TableDefs().Item("t")),
              "t\n"
              " field a type 4 size 0 attributes 1 default ''\n"
              " field b type 4 size 0 attributes 1 default ''\n"
              " field d type 10 size 5 attributes 2 default '\"x\"'\n");
    Db->Execute("DROP TABLE t");
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Item("t"); }), jet::errItemNotFound);
}

// A refused statement changes nothing and names the old engine's error.
TEST_F(DataDefinition, RefusalsCarryTheEngineNumbersAndChangeNothing)
{
    Db->Execute("CREATE TABLE t (a LONG, b TEXT(10), CONSTRAINT pk PRIMARY KEY (a))");
    Db->Execute("INSERT INTO t (a, b) VALUES (1, \"one\")");
    Db->Execute("INSERT INTO t (a, b) VALUES (2, \"one\")");
    const std::string before = Describe(Db->TableDefs().Item("t"));
    const std::pair<const char*, int> cases[] = {
        {"CREATE TABLE t (x LONG)", jet::errTableExists},
        {"CREATE TABLE n (x LONG", 3290},
        {"CREATE TABLE n (x NOSUCHTYPE)", 3292},
        {"CREATE TABLE n (x LONG, CONSTRAINT)", 3289},
        {"CREATE TABLE n (x TEXT(300))", jet::errInvalidArgument},
        {"CREATE TABLE n (x LONG, x TEXT)", 3191},
        {"CREATE TABLE n (x LONG, y TEXT(10) REFERENCES t (b))", 3372},
        {"CREATE TABLE n (x LONG, CONSTRAINT f FOREIGN KEY (x) REFERENCES t (a, b))", 3368},
        {"CREATE TABLE n (x TEXT(5) REFERENCES t)", 3368},
        {"CREATE TABLE n (x LONG REFERENCES missing)", 3371},
        {"CREATE TABLE n (x LONG REFERENCES t (a) ON DELETE RESTRICT)", 3289},
        {"CREATE TABLE n (x LONG, FOREIGN (x) REFERENCES t (a))", 3289},
        {"ALTER TABLE t ADD CONSTRAINT f FOREIGN KEY (a) REFERENCES nowhere (a)", 3371},
        {"CREATE TABLE n (x COUNTER(10, 0))", jet::errInvalidArgument},
        {"CREATE TABLE n (x COUNTER(10))", 3292},
        {"CREATE TABLE n (x COUNTER(1.5, 1))", 3292},
        {"ALTER TABLE t ALTER COLUMN a COUNTER(5, 5)", jet::errInvalidOperation},
        {"CREATE TABLE n (x LONG, y LONG, CONSTRAINT k PRIMARY KEY (x), CONSTRAINT j PRIMARY KEY (y))", 3283},
        {"CREATE INDEX ix ON missing (a)", 3371},
        {"CREATE INDEX ix t (a)", 3291},
        {"CREATE UNIQUE INDEX ix ON t (b)", jet::errDuplicateKey},
        {"CREATE INDEX pk ON t (b)", 3284},
        {"CREATE INDEX ix ON t (a) WITH PRIMARY", 3283},
        {"ALTER TABLE t ADD COLUMN A LONG", 3380},
        {"ALTER TABLE t ADD COLUMN z LONG NOT NULL", jet::errRequired},
        {"ALTER TABLE t ALTER COLUMN b LONG", jet::errTypeConversion},
        {"ALTER TABLE t ALTER COLUMN b TEXT(2)", jet::errFieldTooSmall},
        {"ALTER TABLE t DROP COLUMN a", 3280},
        {"ALTER TABLE t DROP CONSTRAINT nothing", 3371},
        {"ALTER TABLE t RENAME b TO c", 3293},
        {"ALTER TABLE missing ADD COLUMN c LONG", 3371},
        {"ALTER TABLE t ADD COLUMN c LONG, d LONG", 3293},
    };
    for (const auto& [statement, number] : cases) {
        EXPECT_EQ(ErrorOf([&] { Db->Execute(statement); }), number) << statement;
        EXPECT_EQ(Describe(Db->TableDefs().Item("t")), before) << statement;
        EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Item("n"); }), jet::errItemNotFound) << statement;
    }
    jet::RecordsetPtr rows = Db->OpenRecordset("SELECT b FROM t ORDER BY a", jet::dbOpenSnapshot);
    EXPECT_EQ(rows->Fields().Item("b")->Value().AsString(), "one");
}

// The numbers new rows get from a field declared COUNTER(first, step).
std::vector<int> Numbers(const jet::DatabasePtr& db, const std::string& table)
{
    std::vector<int> numbers;
    for (jet::RecordsetPtr rs = db->OpenRecordset("SELECT Id FROM " + table + " ORDER BY Name", jet::dbOpenSnapshot);
         !rs->Eof(); rs->MoveNext())
        numbers.push_back(rs->Fields().Item(0)->Value().AsInteger());
    return numbers;
}

TEST_F(DataDefinition, CounterFieldsNumberFromTheirFirstNumberByTheirStep)
{
    Db->Execute("CREATE TABLE up (Id COUNTER(100, 10) PRIMARY KEY, Name TEXT(10))");
    Db->Execute("CREATE TABLE down (Id AUTOINCREMENT(-1, -2), Name TEXT(10))");
    for (const char* name : {"a", "b", "c"}) {
        Db->Execute(std::string("INSERT INTO up (Name) VALUES (\"") + name + "\")");
        Db->Execute(std::string("INSERT INTO down (Name) VALUES (\"") + name + "\")");
    }
    EXPECT_EQ(Numbers(Db, "up"), (std::vector<int>{100, 110, 120}));
    EXPECT_EQ(Numbers(Db, "down"), (std::vector<int>{-1, -3, -5}));
    // A number given further along moves the numbering past it.
    Db->Execute("INSERT INTO up (Id, Name) VALUES (500, \"d\")");
    Db->Execute("INSERT INTO up (Name) VALUES (\"e\")");
    // The file keeps the step.
    Db->Close();
    Db = Workspace->OpenDatabase(PathOf("test.mdb"));
    Db->Execute("INSERT INTO up (Name) VALUES (\"f\")");
    EXPECT_EQ(Numbers(Db, "up"), (std::vector<int>{100, 110, 120, 500, 510, 520}));
    EXPECT_EQ(Db->TableDefs().Item("up")->Fields().Item("Id")->Attributes() & jet::dbAutoIncrField,
              jet::dbAutoIncrField);
    // ALTER COLUMN with COUNTER(n, step) restarts the numbering; a column
    // added to a table with rows numbers from its first number too.
    Db->Execute("ALTER TABLE down ALTER COLUMN Id COUNTER(1000, 5)");
    Db->Execute("INSERT INTO down (Name) VALUES (\"d\")");
    Db->Execute("INSERT INTO down (Name) VALUES (\"e\")");
    EXPECT_EQ(Numbers(Db, "down"), (std::vector<int>{-1, -3, -5, 1000, 1005}));
    Db->Execute("CREATE TABLE later (Name TEXT(10))");
    Db->Execute("INSERT INTO later (Name) VALUES (\"a\")");
    Db->Execute("ALTER TABLE later ADD COLUMN Id COUNTER(7, 7)");
    Db->Execute("INSERT INTO later (Name) VALUES (\"b\")");
    EXPECT_EQ(Db->OpenRecordset("SELECT Id FROM later WHERE Name = \"b\"")->Fields().Item(0)->Value().AsInteger(), 7);

    // Compacting keeps the numbering going from the last number kept, and
    // starts an emptied table at its first number again.
    Db->Execute("DELETE * FROM down");
    Db->Close();
    Engine->CompactDatabase(PathOf("test.mdb"), PathOf("compact.mdb"));
    Db = Workspace->OpenDatabase(PathOf("compact.mdb"));
    Db->Execute("INSERT INTO up (Name) VALUES (\"g\")");
    Db->Execute("INSERT INTO down (Name) VALUES (\"a\")");
    EXPECT_EQ(Numbers(Db, "up").back(), 530);
    EXPECT_EQ(Numbers(Db, "down"), (std::vector<int>{1000}));
}

// A file made before steps were kept has no place for them in its catalog;
// it still opens, and takes a step when one is first declared.
TEST_F(DataDefinition, FilesWithoutStepsInTheirCatalogTakeThem)
{
    Db->Execute("CREATE TABLE old (Id COUNTER, Name TEXT(10))");
    Db->Execute("INSERT INTO old (Name) VALUES (\"a\")");
    Db->Close();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(PathOf("test.mdb").c_str(), &raw), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw, "ALTER TABLE \"jet.columns\" DROP COLUMN Increment; "
                                "ALTER TABLE \"jet.columns\" DROP COLUMN Start",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    Db = Workspace->OpenDatabase(PathOf("test.mdb"));
    Db->Execute("INSERT INTO old (Name) VALUES (\"b\")");
    EXPECT_EQ(Numbers(Db, "old"), (std::vector<int>{1, 2}));
    Db->Execute("CREATE TABLE stepped (Id COUNTER(10, 2), Name TEXT(10))");
    Db->Execute("INSERT INTO stepped (Name) VALUES (\"a\")");
    Db->Execute("INSERT INTO stepped (Name) VALUES (\"b\")");
    Db->Execute("INSERT INTO old (Name) VALUES (\"c\")");
    EXPECT_EQ(Numbers(Db, "stepped"), (std::vector<int>{10, 12}));
    EXPECT_EQ(Numbers(Db, "old"), (std::vector<int>{1, 2, 3}));
}

// Statements go through stored queries too, and survive a reopened file.
TEST_F(DataDefinition, StoredQueriesRunDataDefinitionAndTheFileKeepsIt)
{
    Db->CreateQueryDef("MakeIt", "CREATE TABLE [Two Words] ([First Name] TEXT(30) NOT NULL, Age SHORT)");
    Db->QueryDefs().Item("MakeIt")->Execute();
    Db->Close();
    auto db = Workspace->OpenDatabase(PathOf("test.mdb"));
    jet::TableDefPtr table = db->TableDefs().Item("Two Words");
    EXPECT_EQ(table->Fields().Item("First Name")->Size(), 30);
    EXPECT_TRUE(table->Fields().Item("First Name")->Required());
    EXPECT_EQ(table->Fields().Item("Age")->Type(), jet::dbInteger);
}

} // namespace
