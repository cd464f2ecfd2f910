#include "JetFixture.h"

#include <filesystem>
#include <functional>

using namespace jettest;

namespace {

// Parents (Id, Name) and children (Id, Parent) related on Parent = Id.
class Relations : public JetFixture {
protected:
    void SetUp() override
    {
        JetFixture::SetUp();
        MakeTable("Parents", {{"Id", jet::dbLong}, {"Name", jet::dbText, 20}}, {"Id"});
        MakeTable("Children", {{"Id", jet::dbLong}, {"Parent", jet::dbLong}});
        Db->Execute("INSERT INTO Parents (Id, Name) VALUES (1, \"one\")");
        Db->Execute("INSERT INTO Parents (Id, Name) VALUES (2, \"two\")");
        Db->Execute("INSERT INTO Children (Id, Parent) VALUES (10, 1)");
        Db->Execute("INSERT INTO Children (Id, Parent) VALUES (11, 1)");
    }

    jet::RelationPtr NewRelation(const std::string& name, int attributes,
                                 const std::vector<std::pair<std::string, std::string>>& fields = {{"Id", "Parent"}},
                                 const std::string& table = "Parents", const std::string& foreign = "Children")
    {
        jet::RelationPtr relation = Db->CreateRelation(name, table, foreign, attributes);
        for (const auto& [key, reference] : fields) {
            jet::FieldPtr field = relation->CreateField(key);
            field->SetForeignName(reference);
            relation->Fields().Append(field);
        }
        return relation;
    }
    void Relate(int attributes) { Db->Relations().Append(NewRelation("Family", attributes)); }

    Strings Children()
    {
        Strings rows;
        for (jet::RecordsetPtr rs = Db->OpenRecordset("SELECT Id, Parent FROM Children ORDER BY Id", jet::dbOpenSnapshot);
             !rs->Eof(); rs->MoveNext())
            rows.push_back(jet::VarToStr(rs->Fields().Item(0)->Value()) + ":"
                           + jet::VarToStr(rs->Fields().Item(1)->Value()));
        return rows;
    }
};

// What each change of either table does under each kind of relation: the
// error number it raises (0 when it is taken) and the children after it.
TEST_F(Relations, EnforcedRelationsKeepTheTablesConsistent)
{
    struct Case {
        int Attributes;
        const char* Statement;
        int Error;
        Strings ChildrenAfter;
    };
    const Case cases[] = {
        {0, "INSERT INTO Children (Id, Parent) VALUES (12, 2)", 0, {"10:1", "11:1", "12:2"}},
        {0, "INSERT INTO Children (Id, Parent) VALUES (12, 3)", jet::errRelatedRecordRequired, {"10:1", "11:1"}},
        {0, "INSERT INTO Children (Id) VALUES (12)", 0, {"10:1", "11:1", "12:"}},
        {0, "UPDATE Children SET Parent = 3 WHERE Id = 10", jet::errRelatedRecordRequired, {"10:1", "11:1"}},
        {0, "UPDATE Children SET Parent = 2 WHERE Id = 10", 0, {"10:2", "11:1"}},
        {0, "DELETE FROM Parents WHERE Id = 1", jet::errRelatedRecords, {"10:1", "11:1"}},
        {0, "DELETE FROM Parents WHERE Id = 2", 0, {"10:1", "11:1"}},
        {0, "UPDATE Parents SET Id = 5 WHERE Id = 1", jet::errRelatedRecords, {"10:1", "11:1"}},
        {0, "UPDATE Parents SET Name = \"uno\" WHERE Id = 1", 0, {"10:1", "11:1"}},
        {jet::dbRelationDeleteCascade, "DELETE FROM Parents WHERE Id = 1", 0, {}},
        {jet::dbRelationDeleteCascade, "UPDATE Parents SET Id = 5 WHERE Id = 1", jet::errRelatedRecords,
         {"10:1", "11:1"}},
        {jet::dbRelationUpdateCascade, "UPDATE Parents SET Id = 5 WHERE Id = 1", 0, {"10:5", "11:5"}},
        {jet::dbRelationUpdateCascade, "DELETE FROM Parents WHERE Id = 1", jet::errRelatedRecords, {"10:1", "11:1"}},
        {jet::dbRelationDontEnforce, "INSERT INTO Children (Id, Parent) VALUES (12, 3)", 0, {"10:1", "11:1", "12:3"}},
        {jet::dbRelationDontEnforce, "DELETE FROM Parents WHERE Id = 1", 0, {"10:1", "11:1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Attributes) + ": " + c.Statement);
        Relate(c.Attributes);
        Workspace->BeginTrans();
        EXPECT_EQ(ErrorOf([&] { Db->Execute(c.Statement); }), c.Error);
        EXPECT_EQ(Children(), c.ChildrenAfter);
        Workspace->Rollback();
        Db->Relations().Delete("Family");
    }
}

// Recordsets meet the same rules, and the relation still holds after the
// tables were rebuilt, renamed or had a field renamed.
TEST_F(Relations, RulesHoldForRecordsetsAndAfterTheTablesChange)
{
    Relate(0);
    jet::RecordsetPtr rs = Db->OpenRecordset("Children", jet::dbOpenDynaset);
    rs->AddNew();
    rs->Fields().Item("Id")->SetValue(jet::Variant(12));
    rs->Fields().Item("Parent")->SetValue(jet::Variant(9));
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), jet::errRelatedRecordRequired);
    rs->CancelUpdate();
    rs->Close();

    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"a field added to the parents", [&] { Db->Execute("ALTER TABLE Parents ADD COLUMN Extra LONG"); }},
        {"a field of the children made required",
         [&] { Db->TableDefs().Item("Children")->Fields().Item("Id")->SetRequired(true); }},
        {"the parents renamed", [&] { Db->TableDefs().Item("Parents")->SetName("Mothers"); }},
        {"the foreign field renamed",
         [&] { Db->TableDefs().Item("Children")->Fields().Item("Parent")->SetName("Mother"); }},
    };
    std::string parents = "Parents";
    std::string parentField = "Parent";
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        change();
        parents = Db->Relations().Item("Family")->Table();
        parentField = Db->Relations().Item("Family")->Fields().Item(0)->ForeignName();
        EXPECT_EQ(ErrorOf([&] { Db->Execute("INSERT INTO Children (Id, " + parentField + ") VALUES (13, 3)"); }),
                  jet::errRelatedRecordRequired);
        EXPECT_EQ(ErrorOf([&] { Db->Execute("DELETE FROM " + parents + " WHERE Id = 1"); }), jet::errRelatedRecords);
    }
    EXPECT_EQ(parents, "Mothers");
    EXPECT_EQ(parentField, "Mother");
}

// Appending checks the relation first; a refused one leaves nothing behind.
TEST_F(Relations, AppendRefusesWithTheEngineNumbers)
{
    MakeTable("Loose", {{"Id", jet::dbLong}, {"Label", jet::dbText, 10}});
    Db->Execute("INSERT INTO Loose (Id) VALUES (1)");
    Db->Execute("INSERT INTO Children (Id, Parent) VALUES (12, 7)");
    jet::TableDefPtr link = Db->CreateTableDef("Linked", 0, "Parents", ";DATABASE=" + PathOf("test.mdb"));
    Db->TableDefs().Append(link);
    struct Case {
        const char* What;
        std::function<jet::RelationPtr()> Make;
        int Error;
    };
    const Case cases[] = {
        {"no fields", [&] { return NewRelation("r", 0, {}); }, 3366},
        {"a field the table lacks", [&] { return NewRelation("r", 0, {{"Nothing", "Parent"}}); }, jet::errItemNotFound},
        {"a missing table", [&] { return NewRelation("r", 0, {{"Id", "Parent"}}, "Nowhere"); }, jet::errObjectNotFound},
        {"fields of other types", [&] { return NewRelation("r", 0, {{"Name", "Parent"}}); }, 3368},
        {"no unique index on the primary fields", [&] { return NewRelation("r", 0, {{"Id", "Id"}}, "Loose"); }, 3372},
        {"records without their primary record", [&] { return NewRelation("r", 0); }, jet::errRelatedRecordRequired},
        {"a linked table", [&] { return NewRelation("r", jet::dbRelationDontEnforce, {{"Id", "Parent"}}, "Linked"); },
         3613},
        {"a name refused", [&] { return NewRelation("a.b", jet::dbRelationDontEnforce); }, jet::errWrongName},
        {"a system table", [&] { return NewRelation("r", jet::dbRelationDontEnforce, {{"Id", "Id"}}, "jet.tables"); },
         jet::errReadOnly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(ErrorOf([&] { Db->Relations().Append(c.Make()); }), c.Error);
        EXPECT_EQ(Db->Relations().Count(), 0);
    }
    // Not enforced, the same orphans are taken.
    Db->Relations().Append(NewRelation("Loosely", jet::dbRelationDontEnforce));
    EXPECT_EQ(ErrorOf([&] { Db->Relations().Append(NewRelation("loosely", jet::dbRelationDontEnforce)); }),
              jet::errObjectExists);
    EXPECT_EQ(Db->Relations().Count(), 1);
}

// What a relation needs cannot be deleted while it stands; an appended
// relation is fixed, and deleting it frees the tables again.
TEST_F(Relations, WhatARelationNeedsStaysUntilItIsDeleted)
{
    Relate(0);
    jet::RelationPtr family = Db->Relations().Item("family");
    EXPECT_EQ(family->Name(), "Family");
    EXPECT_EQ(ErrorOf([&] { family->SetTable("Children"); }), jet::errInvalidOperation);
    EXPECT_EQ(ErrorOf([&] { family->Fields().Item(0)->SetForeignName("Id"); }), jet::errInvalidOperation);
    EXPECT_EQ(ErrorOf([&] { family->Fields().Append(family->CreateField("Id")); }), jet::errInvalidOperation);
    EXPECT_EQ(ErrorOf([&] { family->Fields().Item(0)->Type(); }), jet::errInvalidOperation);

    EXPECT_EQ(ErrorOf([&] { Db->Execute("DROP TABLE Parents"); }), 3281);
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Delete("Children"); }), 3281);
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Item("Parents")->Indexes().Delete("PrimaryKey"); }), 3281);
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Item("Children")->Fields().Delete("Parent"); }), 3303);
    EXPECT_EQ(ErrorOf([&] { Db->Relations().Delete("Nothing"); }), jet::errItemNotFound);

    Db->Relations().Delete("Family");
    EXPECT_EQ(ErrorOf([&] { family->Table(); }), jet::errObjectClosed);
    Db->Execute("INSERT INTO Children (Id, Parent) VALUES (12, 3)");
    Db->Execute("DROP TABLE Parents");
}

// A one-to-one relation takes one related record per primary record.
TEST_F(Relations, OneToOneRelationsTakeOneRecordPerPrimaryRecord)
{
    EXPECT_EQ(ErrorOf([&] { Relate(jet::dbRelationUnique); }), jet::errDuplicateKey);
    EXPECT_EQ(Db->Relations().Count(), 0);
    Db->Execute("DELETE FROM Children WHERE Id = 11");
    Relate(jet::dbRelationUnique);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("INSERT INTO Children (Id, Parent) VALUES (12, 1)"); }), jet::errDuplicateKey);
    Db->Execute("INSERT INTO Children (Id, Parent) VALUES (12, 2)");
    Db->Execute("INSERT INTO Children (Id) VALUES (13)");
    Db->Execute("INSERT INTO Children (Id) VALUES (14)");
    EXPECT_EQ(Children(), (Strings{"10:1", "12:2", "13:", "14:"}));
}

// Compacting and repairing copy the relations with the tables.
TEST_F(Relations, CompactedAndRepairedFilesKeepTheirRelations)
{
    Relate(jet::dbRelationDeleteCascade);
    Db->Close();
    Engine->CompactDatabase(PathOf("test.mdb"), PathOf("compact.mdb"));
    Engine->RepairDatabase(PathOf("compact.mdb"));
    Db = Workspace->OpenDatabase(PathOf("compact.mdb"));
    EXPECT_EQ(Db->Relations().Item("Family")->Attributes(), jet::dbRelationDeleteCascade);
    EXPECT_EQ(ErrorOf([&] { Db->Execute("INSERT INTO Children (Id, Parent) VALUES (12, 3)"); }),
              jet::errRelatedRecordRequired);
    Db->Execute("DELETE FROM Parents WHERE Id = 1");
    EXPECT_EQ(Children(), Strings{});
}

// A folder of text tables has no place to keep a relation.
TEST_F(Relations, TablesOfInstallableFormatsTakeNone)
{
    const std::string folder = PathOf("text");
    std::filesystem::create_directory(folder);
    Db->Execute("SELECT * INTO [p] IN \"" + folder + "\"[Text;] FROM Parents");
    Db->Execute("SELECT * INTO [c] IN \"" + folder + "\"[Text;] FROM Children");
    jet::DatabasePtr text = Workspace->OpenDatabase(folder, false, false, "Text;");
    const std::string p = text->TableDefs().Item(0)->Name().rfind("c", 0) == 0 ? text->TableDefs().Item(1)->Name()
                                                                               : text->TableDefs().Item(0)->Name();
    const std::string c = p == text->TableDefs().Item(0)->Name() ? text->TableDefs().Item(1)->Name()
                                                                 : text->TableDefs().Item(0)->Name();
    jet::RelationPtr relation = text->CreateRelation("r", p, c, jet::dbRelationDontEnforce);
    jet::FieldPtr field = relation->CreateField("Id");
    field->SetForeignName("Parent");
    relation->Fields().Append(field);
    EXPECT_EQ(ErrorOf([&] { text->Relations().Append(relation); }), jet::errNotSupported);
    EXPECT_EQ(ErrorOf([&] {
                  text->Execute("ALTER TABLE [" + c + "] ADD CONSTRAINT r FOREIGN KEY (Parent) REFERENCES [" + p
                                + "] (Id)");
              }),
              jet::errNotSupported);
    EXPECT_EQ(text->Relations().Count(), 0);
}

} // namespace
