#include "JetFixture.h"

#include <sqlite3.h>

#include <algorithm>

using namespace jettest;

namespace {

using TableDefs = JetFixture;

// Changes a closed file behind the engine's back, as an older version of
// the program or another tool leaves it.
void ChangeFile(const std::string& path, const char* sql)
{
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
    sqlite3_close(raw);
}

Strings SystemTables(const jet::DatabasePtr& db)
{
    Strings names;
    for (int i = 0; i < db->TableDefs().Count(); ++i)
        if (jet::TableDefPtr table = db->TableDefs().Item(i); table->Attributes() & jet::dbSystemObject)
            names.push_back(table->Name());
    return names;
}

Strings FieldNames(const jet::TableDefPtr& table)
{
    Strings names;
    for (int i = 0; i < table->Fields().Count(); ++i)
        names.push_back(table->Fields().Item(i)->Name());
    return names;
}

// Every field kind, a key that is not the numbered field, a descending index,
// a field property and a default, then the file reopened by a new engine.
TEST_F(TableDefs, DefinitionsReadBackTheSameFromAReopenedFile)
{
    jet::TableDefPtr orders = Db->CreateTableDef("Orders");
    const std::pair<std::string, std::pair<int, int>> fields[] = {
        {"Code", {jet::dbText, 12}},     {"Number", {jet::dbLong, 0}},     {"Amount", {jet::dbCurrency, 0}},
        {"Paid", {jet::dbBoolean, 0}},   {"Placed", {jet::dbDate, 0}},     {"Notes", {jet::dbMemo, 0}},
        {"Picture", {jet::dbLongBinary, 0}}, {"Tag", {jet::dbGUID, 0}},    {"Ratio", {jet::dbDouble, 0}},
        {"Small", {jet::dbInteger, 0}},  {"Tiny", {jet::dbByte, 0}},       {"Raw", {jet::dbBinary, 8}},
    };
    for (const auto& [name, type] : fields)
        orders->Fields().Append(orders->CreateField(name, type.first, type.second));
    orders->Fields().Item("Number")->SetAttributes(jet::dbAutoIncrField);
    orders->Fields().Item("Code")->SetRequired(true);
    orders->Fields().Item("Paid")->SetDefaultValue("False");
    orders->Fields().Item("Notes")->SetDefaultValue("\"none yet\"");
    jet::FieldPtr code = orders->Fields().Item("Code");
    code->Properties().Append(code->CreateProperty("Caption", jet::dbText, jet::Variant("Order code")));
    jet::IndexPtr key = orders->CreateIndex("PrimaryKey");
    key->SetPrimary(true);
    key->Fields().Append(key->CreateField("Code"));
    orders->Indexes().Append(key);
    jet::IndexPtr byDate = orders->CreateIndex("ByDate");
    jet::FieldPtr placed = byDate->CreateField("Placed");
    placed->SetAttributes(jet::dbDescending);
    byDate->Fields().Append(placed);
    byDate->Fields().Append(byDate->CreateField("Amount"));
    orders->Indexes().Append(byDate);
    Db->TableDefs().Append(orders);
    MakeTable("Lines", {{"Order", jet::dbText, 12}}, {"Order"});
    Db->Close();

    auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    auto db = engine->CreateWorkspace("W", "admin", "")->OpenDatabase(PathOf("test.mdb"));
    jet::TableDefPtr reread = db->TableDefs().Item("orders");
    ASSERT_EQ(reread->Fields().Count(), static_cast<int>(std::size(fields)));
    for (int i = 0; i < reread->Fields().Count(); ++i) {
        jet::FieldPtr field = reread->Fields().Item(i);
        EXPECT_EQ(field->Name(), fields[i].first);
        EXPECT_EQ(field->Type(), fields[i].second.first) << field->Name();
        EXPECT_EQ(field->OrdinalPosition(), i);
    }
    EXPECT_EQ(reread->Fields().Item("Code")->Size(), 12);
    EXPECT_EQ(reread->Fields().Item("Raw")->Size(), 8);
    EXPECT_TRUE(reread->Fields().Item("Code")->Required());
    EXPECT_NE(reread->Fields().Item("Number")->Attributes() & jet::dbAutoIncrField, 0);
    EXPECT_EQ(reread->Fields().Item("Paid")->DefaultValue(), "False");
    EXPECT_EQ(reread->Fields().Item("Notes")->DefaultValue(), "\"none yet\"");
    EXPECT_EQ(reread->Fields().Item("Code")->Properties().Item("Caption")->Value().AsString(), "Order code");
    ASSERT_EQ(reread->Indexes().Count(), 2);
    jet::IndexPtr primary = reread->Indexes().Item("PrimaryKey");
    EXPECT_TRUE(primary->Primary());
    EXPECT_TRUE(primary->Unique());
    EXPECT_EQ(primary->Fields().Item(0)->Name(), "Code");
    jet::IndexPtr dates = reread->Indexes().Item("ByDate");
    EXPECT_FALSE(dates->Primary());
    EXPECT_FALSE(dates->Unique());
    ASSERT_EQ(dates->Fields().Count(), 2);
    EXPECT_EQ(dates->Fields().Item(0)->Attributes(), jet::dbDescending);
    EXPECT_EQ(dates->Fields().Item(1)->Attributes(), 0);
    EXPECT_EQ(db->TableDefs().Item("Lines")->Indexes().Item("PrimaryKey")->Fields().Item(0)->Name(), "Order");
    EXPECT_EQ(reread->DateCreated().VarType(), jet::varDate);

    // The numbered field is not the key and still numbers rows; the default applies.
    db->Execute("INSERT INTO Orders (Code) VALUES (\"A\")");
    db->Execute("INSERT INTO Orders (Code) VALUES (\"B\")");
    jet::RecordsetPtr rs = db->OpenRecordset("SELECT Number, Paid, Notes FROM Orders ORDER BY Code", jet::dbOpenSnapshot);
    EXPECT_EQ(rs->Fields().Item("Number")->Value().AsInteger(), 1);
    EXPECT_EQ(rs->Fields().Item("Paid")->Value(), jet::Variant(false));
    EXPECT_EQ(rs->Fields().Item("Notes")->Value().AsString(), "none yet");
    rs->MoveNext();
    EXPECT_EQ(rs->Fields().Item("Number")->Value().AsInteger(), 2);
}

TEST_F(TableDefs, ListsTablesByNameWithTheCatalogAsSystemObjects)
{
    MakeConfigTable();
    MakeTable("Alpha", {{"A", jet::dbLong}});
    std::vector<std::string> user, system;
    for (int i = 0; i < Db->TableDefs().Count(); ++i) {
        jet::TableDefPtr table = Db->TableDefs().Item(i);
        ((table->Attributes() & jet::dbSystemObject) ? system : user).push_back(table->Name());
    }
    EXPECT_EQ(user, Strings({"Alpha", "config"}));
    EXPECT_FALSE(system.empty());
    EXPECT_EQ(ErrorOf([&] { Db->Execute("DELETE * FROM [" + system.front() + "]"); }), jet::errReadOnly);
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Delete(system.front()); }), jet::errReadOnly);
}

// Names holding the characters the old engine never allowed are refused
// wherever a table, field, index or query is named, so a name can never
// break out of the brackets it is later put between.
TEST_F(TableDefs, RefusesNamesThatCouldBreakOutOfBrackets)
{
    MakeConfigTable();
    const std::string names[] = {"a.b", "a!b", "a`b", "a[b", "bad]; DROP TABLE config; --", std::string("a\tb"),
                                 " leading", std::string(65, 'x')};
    jet::TableDefPtr config = Db->TableDefs().Item("config");
    for (const std::string& name : names) {
        EXPECT_EQ(ErrorOf([&] { Db->CreateTableDef(name)->SetName(name); }), jet::errWrongName) << name;
        EXPECT_EQ(ErrorOf([&] {
                      jet::TableDefPtr table = Db->CreateTableDef();
                      table->SetName(name);
                  }),
                  jet::errWrongName)
            << name;
        EXPECT_EQ(ErrorOf([&] { config->CreateField(name, jet::dbText, 10); }), jet::errWrongName) << name;
        EXPECT_EQ(ErrorOf([&] { config->CreateIndex(name); }), jet::errWrongName) << name;
        EXPECT_EQ(ErrorOf([&] { config->SetName(name); }), jet::errWrongName) << name;
        EXPECT_EQ(ErrorOf([&] { config->Fields().Item(0)->SetName(name); }), jet::errWrongName) << name;
        EXPECT_EQ(ErrorOf([&] { Db->CreateQueryDef(name, "SELECT * FROM config"); }), jet::errWrongName) << name;
    }
    // A new object may start without a name, but is not stored without one.
    EXPECT_EQ(ErrorOf([&] { config->SetName(""); }), jet::errWrongName);
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Append(Db->CreateTableDef()); }), jet::errWrongName);
    EXPECT_EQ(ErrorOf([&] { config->Fields().Append(config->CreateField()); }), jet::errWrongName);
    EXPECT_EQ(ErrorOf([&] { config->Indexes().Append(config->CreateIndex()); }), jet::errWrongName);
    EXPECT_EQ(config->Name(), "config");
    EXPECT_EQ(config->Fields().Item(0)->Name(), "ConfigName");
    EXPECT_EQ(Db->QueryDefs().Count(), 0);
    // Blanks inside, quotes, Chinese and 64 characters are fine.
    for (const std::string& name : {std::string("Order Lines"), std::string("It's \"x\""), std::string("配置表"),
                                    std::string(64, 'y')})
        EXPECT_EQ(ErrorOf([&] { MakeTable(name, {{"A", jet::dbLong}}); }), 0) << name;
}

TEST_F(TableDefs, AppendRefusesWhatTheEngineCannotStore)
{
    MakeConfigTable();
    Db->CreateQueryDef("Q", "SELECT * FROM config");
    const auto tableWith = [&](const std::string& name, std::vector<Column> columns) {
        return [=, this] { MakeTable(name, columns); };
    };
    EXPECT_EQ(ErrorOf(tableWith("CONFIG", {{"A", jet::dbLong}})), jet::errTableExists);
    EXPECT_EQ(ErrorOf(tableWith("q", {{"A", jet::dbLong}})), jet::errObjectExists);
    EXPECT_EQ(ErrorOf(tableWith("Empty", {})), 3264);
    EXPECT_EQ(ErrorOf(tableWith("Wide", {{"A", jet::dbText, 300}})), jet::errInvalidArgument);
    EXPECT_EQ(ErrorOf(tableWith("Counter", {{"A", jet::dbText, 10, false, jet::dbAutoIncrField}})),
              jet::errInvalidArgument);
    EXPECT_EQ(ErrorOf(tableWith("Odd", {{"A", 99}})), 3259);
    EXPECT_EQ(ErrorOf([&] { MakeTable("Keyed", {{"A", jet::dbLong}}, {"Missing"}); }), jet::errItemNotFound);
    jet::TableDefPtr twice = Db->CreateTableDef("Twice");
    twice->Fields().Append(twice->CreateField("A", jet::dbLong));
    EXPECT_EQ(ErrorOf([&] { twice->Fields().Append(twice->CreateField("a", jet::dbLong)); }),
              jet::errAlreadyInCollection);
    Db->TableDefs().Append(twice);
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Append(twice); }), jet::errAlreadyInCollection);
    for (const char* name : {"CONFIG", "q", "Empty", "Wide", "Counter", "Odd", "Keyed"})
        EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Item(name); }), name == std::string("CONFIG") ? 0 : jet::errItemNotFound)
            << name;
}

TEST_F(TableDefs, ColumnsChangeWhileEveryRowAndBookmarkStays)
{
    MakeTable("t", {{"Name", jet::dbText, 20}, {"Age", jet::dbLong}});
    for (int i = 1; i <= 5; ++i)
        Db->Execute("INSERT INTO t (Name, Age) VALUES (\"n" + std::to_string(i) + "\", " + std::to_string(i) + ")");
    jet::RecordsetPtr rs = Db->OpenRecordset("t", jet::dbOpenDynaset);
    rs->Move(2);
    const jet::Bookmark third = rs->Bookmark();
    jet::TableDefPtr t = Db->TableDefs().Item("t");

    t->Fields().Append(t->CreateField("City", jet::dbText, 30));
    t->Fields().Item("Name")->SetName("FullName");
    t->Fields().Item("City")->SetDefaultValue("\"Shenzhen\"");
    Db->Execute("INSERT INTO t (FullName) VALUES (\"n6\")");
    EXPECT_EQ(Query("SELECT * FROM t ORDER BY Age", "FullName"), Strings({"n6", "n1", "n2", "n3", "n4", "n5"}));
    EXPECT_EQ(Query("SELECT * FROM t WHERE Age IS NULL", "City"), Strings({"Shenzhen"}));

    // A required flag on a column holding Nulls fails and changes nothing.
    EXPECT_EQ(ErrorOf([&] { t->Fields().Item("Age")->SetRequired(true); }), jet::errRequired);
    EXPECT_FALSE(t->Fields().Item("Age")->Required());
    Db->Execute("UPDATE t SET Age = 6 WHERE Age IS NULL");
    t->Fields().Item("Age")->SetRequired(true);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("INSERT INTO t (FullName) VALUES (\"x\")"); }), jet::errRequired);

    t->Fields().Delete("City");
    EXPECT_EQ(t->Fields().Count(), 2);
    EXPECT_EQ(ErrorOf([&] { t->Fields().Item("Age")->SetType(jet::dbText); }), jet::errInvalidOperation);
    EXPECT_EQ(ErrorOf([&] { t->Fields().Delete("City"); }), jet::errItemNotFound);

    jet::RecordsetPtr after = Db->OpenRecordset("t", jet::dbOpenDynaset);
    after->SetBookmark(third);
    EXPECT_EQ(after->Fields().Item("FullName")->Value().AsString(), "n3");
}

TEST_F(TableDefs, IndexesAreBuiltOnRowsAlreadyThere)
{
    MakeTable("t", {{"Code", jet::dbText, 10}, {"Qty", jet::dbLong}});
    for (const char* code : {"a", "B", "c"})
        Db->Execute(std::string("INSERT INTO t (Code, Qty) VALUES (\"") + code + "\", 1)");
    jet::TableDefPtr t = Db->TableDefs().Item("t");
    const auto addIndex = [&](const std::string& name, const std::string& field, bool primary, bool unique) {
        jet::IndexPtr index = t->CreateIndex(name);
        index->SetPrimary(primary);
        index->SetUnique(unique);
        index->Fields().Append(index->CreateField(field));
        t->Indexes().Append(index);
    };
    addIndex("ByCode", "Code", false, true);
    // Texts compare without regard to case: "b" is a duplicate of "B".
    EXPECT_EQ(ErrorOf([&] { Db->Execute("INSERT INTO t (Code, Qty) VALUES (\"b\", 2)"); }), jet::errDuplicateKey);
    EXPECT_EQ(ErrorOf([&] { addIndex("ByQty", "Qty", false, true); }), jet::errDuplicateKey);
    EXPECT_EQ(t->Indexes().Count(), 1);
    Db->Execute("INSERT INTO t (Code) VALUES (\"d\")");
    EXPECT_EQ(ErrorOf([&] { addIndex("PrimaryKey", "Qty", true, false); }), jet::errIndexNull);
    addIndex("PrimaryKey", "Code", true, false);
    EXPECT_EQ(ErrorOf([&] { addIndex("Second", "Qty", true, false); }), 3283);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("INSERT INTO t (Qty) VALUES (3)"); }), jet::errIndexNull);
    EXPECT_EQ(ErrorOf([&] { t->Fields().Delete("Code"); }), 3280);
    t->Indexes().Item("ByCode")->SetName("Codes");
    EXPECT_EQ(ErrorOf([&] { t->Indexes().Item("Codes")->SetName("PrimaryKey"); }), 3284);
    t->Indexes().Delete("PrimaryKey");
    t->Indexes().Delete("Codes");
    EXPECT_EQ(t->Indexes().Count(), 0);
    t->Fields().Delete("Code");
    EXPECT_EQ(Query("SELECT * FROM t", "Qty").size(), 4u);
}

TEST_F(TableDefs, TablesAreRenamedAndDeleted)
{
    MakeConfigTable({{"DEFAULT", "1", "a"}});
    jet::TableDefPtr config = Db->TableDefs().Item("config");
    config->SetName("settings");
    EXPECT_EQ(config->Name(), "settings");
    EXPECT_EQ(Query("SELECT * FROM settings", "OptionValue"), Strings({"a"}));
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("config"); }), jet::errInputTableNotFound);
    MakeTable("other", {{"A", jet::dbLong}});
    EXPECT_EQ(ErrorOf([&] { config->SetName("OTHER"); }), jet::errTableExists);
    Db->TableDefs().Delete("settings");
    EXPECT_EQ(ErrorOf([&] { config->Name(); }), jet::errObjectClosed);
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Delete("settings"); }), jet::errItemNotFound);
    Db->Execute("DROP TABLE other");
    EXPECT_EQ(ErrorOf([&] { Db->Execute("DROP TABLE other"); }), 3376);
}

// The catalog's own tables are listed with the fields the file gives them:
// an older file lacks some tables and fields, and the first relation brings
// the two that keep relations.
TEST_F(TableDefs, CatalogTablesAreListedAsTheFileHasThem)
{
    const Strings fresh = {"jet.columns", "jet.indexcolumns", "jet.indexes", "jet.info",
                           "jet.passthrough", "jet.properties", "jet.queries", "jet.tables"};
    EXPECT_EQ(SystemTables(Db), fresh);
    jet::TableDefPtr info = Db->TableDefs().Item("jet.info");
    EXPECT_EQ(FieldNames(info), Strings({"Name", "Value"}));
    EXPECT_EQ(info->Fields().Item("Name")->Type(), jet::dbMemo);
    EXPECT_EQ(Db->TableDefs().Item("jet.tables")->Fields().Item("Id")->Type(), jet::dbLong);
    EXPECT_EQ(Db->TableDefs().Item("jet.columns")->Fields().Item("Increment")->Type(), jet::dbLong);
    Db->Close();

    ChangeFile(PathOf("test.mdb"), "DROP TABLE \"jet.passthrough\"; "
                                   "ALTER TABLE \"jet.columns\" DROP COLUMN Increment; "
                                   "ALTER TABLE \"jet.columns\" DROP COLUMN Start");
    Db = Workspace->OpenDatabase(PathOf("test.mdb"));
    EXPECT_EQ(SystemTables(Db), Strings({"jet.columns", "jet.indexcolumns", "jet.indexes", "jet.info",
                                         "jet.properties", "jet.queries", "jet.tables"}));
    const Strings columns = FieldNames(Db->TableDefs().Item("jet.columns"));
    EXPECT_EQ(std::count(columns.begin(), columns.end(), "Increment"), 0);
    EXPECT_EQ(Db->QueryDefs().Count(), 0);

    MakeTable("Parents", {{"Id", jet::dbLong}}, {"Id"});
    MakeTable("Children", {{"Parent", jet::dbLong}});
    jet::RelationPtr relation = Db->CreateRelation("Family", "Parents", "Children", 0);
    jet::FieldPtr key = relation->CreateField("Id");
    key->SetForeignName("Parent");
    relation->Fields().Append(key);
    Db->Relations().Append(relation);
    const Strings withRelations = SystemTables(Db);
    EXPECT_EQ(std::count(withRelations.begin(), withRelations.end(), "jet.relations"), 1);
    EXPECT_EQ(std::count(withRelations.begin(), withRelations.end(), "jet.relationcolumns"), 1);
}

// What another connection defined shows after a Refresh, in a file that
// stamps every change of its catalog and in an older one that keeps no stamp.
TEST_F(TableDefs, RefreshShowsWhatAnotherConnectionDefined)
{
    for (const bool stamped : {true, false}) {
        SCOPED_TRACE(stamped ? "stamped" : "without a stamp");
        const std::string file = PathOf(stamped ? "stamped.mdb" : "unstamped.mdb");
        Workspace->CreateDatabase(file, ";LANGID=0x0409;CP=1252;COUNTRY=0")->Close();
        if (!stamped)
            ChangeFile(file, "DELETE FROM \"jet.info\" WHERE Name = 'Stamp'");
        jet::DatabasePtr db = Workspace->OpenDatabase(file);
        const int tables = db->TableDefs().Count();
        jet::DatabasePtr other = Engine->CreateWorkspace("Other", "admin", "")->OpenDatabase(file);
        other->Execute("CREATE TABLE Later (A LONG)");
        other->Execute("CREATE INDEX ByA ON Later (A)");
        other->CreateQueryDef("LaterRows", "SELECT * FROM Later");

        db->TableDefs().Refresh();
        db->QueryDefs().Refresh();
        EXPECT_EQ(db->TableDefs().Count(), tables + 1);
        EXPECT_EQ(db->QueryDefs().Count(), 1);
        jet::TableDefPtr later = db->TableDefs().Item("Later");
        other->Execute("ALTER TABLE Later ADD COLUMN B TEXT(10)");
        later->Fields().Refresh();
        EXPECT_EQ(FieldNames(later), Strings({"A", "B"}));
        other->Execute("DROP INDEX ByA ON Later");
        later->Indexes().Refresh();
        EXPECT_EQ(later->Indexes().Count(), 0);
        other->Close();
        db->Close();
    }
}

// A table may lose its last field and gain fields again.
TEST_F(TableDefs, ATableWithoutFieldsKeepsItsPlace)
{
    MakeTable("t", {{"Temp", jet::dbLong}});
    Db->TableDefs().Item("t")->Fields().Delete("Temp");
    EXPECT_EQ(Db->TableDefs().Item("t")->Fields().Count(), 0);
    jet::RecordsetPtr empty = Db->OpenRecordset("t", jet::dbOpenTable);
    EXPECT_EQ(empty->Fields().Count(), 0);
    EXPECT_EQ(empty->RecordCount(), 0);
    jet::TableDefPtr t = Db->TableDefs().Item("t");
    t->Fields().Append(t->CreateField("Name", jet::dbText, 10));
    Db->Execute("INSERT INTO t (Name) VALUES (\"x\")");
    EXPECT_EQ(Query("SELECT * FROM t", "Name"), Strings({"x"}));
}

TEST_F(TableDefs, NumberedFieldsNeverGiveANumberTwiceAndCannotBeWritten)
{
    MakeTable("t", {{"Id", jet::dbLong, 0, false, jet::dbAutoIncrField}, {"Name", jet::dbText, 10}}, {"Id"});
    for (const char* name : {"a", "b", "c"})
        Db->Execute(std::string("INSERT INTO t (Name) VALUES (\"") + name + "\")");
    Db->Execute("DELETE * FROM t WHERE Id = 3");
    Db->Execute("INSERT INTO t (Name) VALUES (\"d\")");
    Db->Execute("INSERT INTO t (Id, Name) VALUES (10, \"e\")");
    Db->Execute("INSERT INTO t (Name) VALUES (\"f\")");
    EXPECT_EQ(Query("SELECT * FROM t ORDER BY Id", "Id"), Strings({"1", "2", "4", "10", "11"}));
    EXPECT_EQ(ErrorOf([&] { Db->Execute("UPDATE t SET Id = 99 WHERE Name = \"a\""); }), jet::errFieldNotUpdatable);
    jet::RecordsetPtr rs = Db->OpenRecordset("t", jet::dbOpenDynaset);
    EXPECT_EQ(rs->Fields().Item("Id")->Attributes() & jet::dbUpdatableField, 0);
    rs->Edit();
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Id")->SetValue(jet::Variant(5)); }), jet::errFieldNotUpdatable);
    rs->CancelUpdate();
    rs->AddNew();
    rs->Fields().Item("Name")->SetValue(jet::Variant("g"));
    rs->Update();
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(rs->Fields().Item("Id")->Value().AsInteger(), 12);
}

TEST_F(TableDefs, TextsLongerThanTheirFieldAreRefused)
{
    MakeTable("t", {{"Code", jet::dbText, 3}});
    Db->Execute("INSERT INTO t (Code) VALUES (\"配置表\")");  // three characters, nine bytes
    EXPECT_EQ(ErrorOf([&] { Db->Execute("INSERT INTO t (Code) VALUES (\"abcd\")"); }), jet::errFieldTooSmall);
    jet::RecordsetPtr rs = Db->OpenRecordset("t", jet::dbOpenDynaset);
    rs->AddNew();
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item(0)->SetValue(jet::Variant("abcd")); }), jet::errFieldTooSmall);
}

TEST_F(TableDefs, LinksReachATableOfAnotherFileOfOurs)
{
    auto other = Workspace->CreateDatabase(PathOf("other.mdb"), "");
    jet::TableDefPtr customers = other->CreateTableDef("Customers");
    customers->Fields().Append(customers->CreateField("Name", jet::dbText, 30));
    other->TableDefs().Append(customers);
    other->Execute("INSERT INTO Customers (Name) VALUES (\"Li\")");
    other->Close();

    jet::TableDefPtr link = Db->CreateTableDef("Customers#Remote");
    link->SetConnect(";DATABASE=" + PathOf("other.mdb"));
    link->SetSourceTableName("Customers");
    Db->TableDefs().Append(link);
    EXPECT_NE(link->Attributes() & jet::dbAttachedTable, 0);
    EXPECT_EQ(link->Fields().Item("Name")->Type(), jet::dbText);
    jet::RecordsetPtr rs = Db->OpenRecordset("Customers#Remote");
    EXPECT_EQ(rs->Type(), jet::dbOpenDynaset);
    EXPECT_EQ(rs->Fields().Item("Name")->Value().AsString(), "Li");
    rs->AddNew();
    rs->Fields().Item("Name")->SetValue(jet::Variant("Wang"));
    rs->Update();
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("Customers#Remote", jet::dbOpenTable); }), jet::errInvalidOperation);

    auto reopened = Workspace->OpenDatabase(PathOf("other.mdb"));
    EXPECT_EQ(Values(reopened->OpenRecordset("SELECT * FROM Customers ORDER BY Name", jet::dbOpenSnapshot), "Name"),
              Strings({"Li", "Wang"}));

    jet::TableDefPtr foreign = Db->CreateTableDef("Old");
    foreign->SetConnect("dBASE IV;DATABASE=" + Folder.path().toStdString());
    foreign->SetSourceTableName("CUSTOMER");
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Append(foreign); }), jet::errInputTableNotFound);
    foreign->SetConnect("Lotus WK3;DATABASE=" + Folder.path().toStdString());
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Append(foreign); }), jet::errNotSupported);
    jet::TableDefPtr missing = Db->CreateTableDef("Gone");
    missing->SetConnect(";DATABASE=" + PathOf("missing.mdb"));
    missing->SetSourceTableName("Customers");
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Append(missing); }), jet::errFileNotFound);
    jet::TableDefPtr wrong = Db->CreateTableDef("Wrong");
    wrong->SetConnect(";DATABASE=" + PathOf("other.mdb"));
    wrong->SetSourceTableName("Nobody");
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Append(wrong); }), jet::errInputTableNotFound);
}

// SQLite attaches ten files to a connection; the eleventh file a database
// reaches through links is refused with the old engine's error, not a
// reserved one, and the links made before it keep working.
TEST_F(TableDefs, LinksToMoreThanTenFilesAreRefusedClearly)
{
    for (int i = 1; i <= 11; ++i) {
        const std::string file = PathOf("part" + std::to_string(i) + ".mdb");
        auto other = Workspace->CreateDatabase(file, "");
        other->Execute("CREATE TABLE t (Number LONG)");
        other->Execute("INSERT INTO t VALUES (" + std::to_string(i) + ")");
        other->Close();
        jet::TableDefPtr link = Db->CreateTableDef("t" + std::to_string(i), 0, "t", ";DATABASE=" + file);
        if (i <= 10) {
            Db->TableDefs().Append(link);
            continue;
        }
        EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Append(link); }), jet::errTooManyDatabases);
        EXPECT_NE(Engine->Errors().Item(0)->Description().find("at most 10 other files"), std::string::npos);
    }
    EXPECT_EQ(Db->OpenRecordset("SELECT Number FROM t10")->Fields().Item(0)->Value().AsInteger(), 10);
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Item("t11"); }), jet::errItemNotFound);
}

} // namespace
