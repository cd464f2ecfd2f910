#include "JetFixture.h"

#include "platform/system/DateTime.h"

#include <limits>
#include <set>

using namespace jettest;

namespace {

class Recordsets : public JetFixture {
protected:
    void SetUp() override
    {
        JetFixture::SetUp();
        MakeTable("People", {{"Id", jet::dbLong, 0, false, jet::dbAutoIncrField}, {"Name", jet::dbText, 30},
                             {"City", jet::dbText, 30}, {"Age", jet::dbLong}, {"Born", jet::dbDate}},
                  {"Id"});
        const char* rows[][3] = {{"Ann", "Paris", "41"},   {"bob", "Lyon", "25"}, {"Cleo", "Paris", "33"},
                                 {"Dan", "Nice", "25"},    {"Éva", "Lyon", "58"}, {"Fei", "北京", "19"}};
        for (const auto& row : rows)
            Db->Execute(std::string("INSERT INTO People (Name, City, Age, Born) VALUES (\"") + row[0] + "\", \""
                        + row[1] + "\", " + row[2] + ", #3/15/1990#)");
    }

    std::string Name(const jet::RecordsetPtr& rs) { return rs->Fields().Item("Name")->Value().AsString(); }
};

TEST_F(Recordsets, MovesAndPositionsOverEveryType)
{
    for (int type : {jet::dbOpenTable, jet::dbOpenDynaset, jet::dbOpenSnapshot}) {
        SCOPED_TRACE(type);
        jet::RecordsetPtr rs = Db->OpenRecordset("People", type);
        EXPECT_EQ(rs->Type(), type);
        EXPECT_EQ(rs->RecordCount(), 6);
        EXPECT_FALSE(rs->Bof());
        EXPECT_EQ(Name(rs), "Ann");
        EXPECT_EQ(rs->AbsolutePosition(), 0);
        rs->MoveNext();
        rs->MoveNext();
        EXPECT_EQ(Name(rs), "Cleo");
        EXPECT_EQ(rs->AbsolutePosition(), 2);
        EXPECT_FLOAT_EQ(rs->PercentPosition(), 100.0f * 2 / 6);
        rs->MoveLast();
        EXPECT_EQ(Name(rs), "Fei");
        rs->MoveNext();
        EXPECT_TRUE(rs->Eof());
        EXPECT_EQ(rs->AbsolutePosition(), -1);
        EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), jet::errNoCurrentRecord);
        EXPECT_EQ(ErrorOf([&] { rs->Fields().Item(0)->Value(); }), jet::errNoCurrentRecord);
        rs->MovePrevious();
        EXPECT_EQ(Name(rs), "Fei");
        rs->Move(-3);
        EXPECT_EQ(Name(rs), "Cleo");
        rs->Move(-10);
        EXPECT_TRUE(rs->Bof());
        EXPECT_EQ(ErrorOf([&] { rs->MovePrevious(); }), jet::errNoCurrentRecord);
        rs->SetAbsolutePosition(4);
        EXPECT_EQ(Name(rs), "Éva");
        rs->SetPercentPosition(50);
        EXPECT_EQ(Name(rs), "Dan");
        EXPECT_EQ(ErrorOf([&] { rs->SetAbsolutePosition(6); }), jet::errInvalidArgument);
    }
}

// Advance steps as MoveNext does, over deleted rows too, and answers Eof;
// at Eof it stays there instead of raising.
TEST_F(Recordsets, AdvanceStepsLikeMoveNextAndStopsAtEof)
{
    for (int type : {jet::dbOpenTable, jet::dbOpenDynaset, jet::dbOpenSnapshot, jet::dbOpenForwardOnly}) {
        SCOPED_TRACE(type);
        jet::RecordsetPtr rs = Db->OpenRecordset("People", type);
        std::vector<std::string> names;
        do
            names.push_back(Name(rs));
        while (!rs->Advance());
        EXPECT_EQ(names, Values(Db->OpenRecordset("People", type), "Name"));
        EXPECT_TRUE(rs->Eof());
        EXPECT_TRUE(rs->Advance());
        EXPECT_TRUE(rs->Eof());
    }
    jet::RecordsetPtr rs = Db->OpenRecordset("People", jet::dbOpenDynaset);
    rs->MoveNext();
    rs->Delete();
    rs->MoveFirst();
    EXPECT_FALSE(rs->Advance());
    EXPECT_EQ(Name(rs), "Cleo") << "bob was deleted";
}

TEST_F(Recordsets, AnEmptyRecordsetIsAtBothEnds)
{
    Db->Execute("DELETE * FROM People");
    for (int type : {jet::dbOpenTable, jet::dbOpenDynaset, jet::dbOpenSnapshot, jet::dbOpenForwardOnly}) {
        jet::RecordsetPtr rs = Db->OpenRecordset("People", type);
        EXPECT_TRUE(rs->Bof());
        EXPECT_TRUE(rs->Eof());
        EXPECT_TRUE(rs->Advance());
        EXPECT_EQ(rs->RecordCount(), 0);
        EXPECT_NO_THROW(rs->MoveFirst());
        EXPECT_NO_THROW(rs->MoveLast());
        EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), jet::errNoCurrentRecord);
        EXPECT_TRUE(rs->GetRows(5).IsNull());
    }
}

TEST_F(Recordsets, BookmarksAreSharedByClonesAndSurviveRequery)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("SELECT * FROM People WHERE Age < 50 ORDER BY Name", jet::dbOpenDynaset);
    EXPECT_TRUE(rs->Bookmarkable());
    rs->MoveNext();
    const jet::Bookmark bob = rs->Bookmark();
    ASSERT_GE(bob.size(), 4u);
    EXPECT_NE(bob[0] | bob[1] | bob[2] | bob[3], 0);

    jet::RecordsetPtr clone = rs->Clone();
    EXPECT_EQ(ErrorOf([&] { clone->Fields().Item(0)->Value(); }), jet::errNoCurrentRecord);
    clone->SetBookmark(bob);
    EXPECT_EQ(Name(clone), "bob");
    clone->MoveLast();
    EXPECT_EQ(Name(clone), "Fei");
    EXPECT_EQ(Name(rs), "bob");  // the original stays

    rs->Requery();
    EXPECT_EQ(Name(rs), "Ann");
    rs->SetBookmark(bob);
    EXPECT_EQ(Name(rs), "bob");
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(jet::Bookmark{0x7f, 0, 0, 0}); }), jet::errNotValidBookmark);
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(jet::Bookmark{1, 2}); }), jet::errNotValidBookmark);

    jet::RecordsetPtr snapshot = Db->OpenRecordset("People", jet::dbOpenSnapshot);
    snapshot->MoveLast();
    const jet::Bookmark last = snapshot->Bookmark();
    snapshot->MoveFirst();
    snapshot->Clone()->SetBookmark(last);
    snapshot->SetBookmark(last);
    EXPECT_EQ(Name(snapshot), "Fei");
    jet::RecordsetPtr forward = Db->OpenRecordset("People", jet::dbOpenForwardOnly);
    EXPECT_FALSE(forward->Bookmarkable());
    EXPECT_EQ(ErrorOf([&] { forward->Bookmark(); }), jet::errNotSupported);
    EXPECT_EQ(ErrorOf([&] { forward->MovePrevious(); }), jet::errInvalidOperation);
}

// A walk reads every value and bookmark into the same variants and bytes:
// what Value and Bookmark give, without new storage once there is enough.
TEST_F(Recordsets, ValuesAndBookmarksAreReadIntoTheCallersStorage)
{
    for (int type : {jet::dbOpenTable, jet::dbOpenDynaset, jet::dbOpenSnapshot}) {
        SCOPED_TRACE(type);
        jet::RecordsetPtr rs = Db->OpenRecordset("People", type);
        const int fields = rs->Fields().Count();
        std::vector<jet::Variant> values(static_cast<std::size_t>(fields));
        jet::Bookmark bookmark;
        bookmark.reserve(8);
        const std::uint8_t* bytes = bookmark.data();
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            for (int i = 0; i < fields; ++i) {
                rs->Fields().Item(i)->ReadValue(values[static_cast<std::size_t>(i)]);
                EXPECT_EQ(values[static_cast<std::size_t>(i)], rs->Fields().Item(i)->Value());
            }
            rs->ReadBookmark(bookmark);
            EXPECT_EQ(bookmark, rs->Bookmark());
            EXPECT_EQ(bookmark.data(), bytes);
        }
        jet::Variant kept("kept");
        EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->ReadValue(kept); }), jet::errNoCurrentRecord);
        EXPECT_EQ(kept, jet::Variant("kept")) << "a failed read leaves the variant as it was";
        EXPECT_EQ(ErrorOf([&] { rs->ReadBookmark(bookmark); }), jet::errNoCurrentRecord);
    }
    jet::RecordsetPtr rs = Db->OpenRecordset("People", jet::dbOpenDynaset);
    rs->Edit();
    rs->Fields().Item("Name")->SetValue("Anne");
    jet::Variant name;
    rs->Fields().Item("Name")->ReadValue(name);
    EXPECT_EQ(name, jet::Variant("Anne")) << "an edit reads its own values";
    rs->CancelUpdate();
    jet::Bookmark none;
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("People", jet::dbOpenForwardOnly)->ReadBookmark(none); }),
              jet::errNotSupported);
}

// A table keeps the head of each record's bookmark: where the recordset has
// it at hand, it is the bookmark's first four bytes, little-endian; where it
// has not (an edit, no current record), the caller reads the bookmark.
TEST_F(Recordsets, BookmarkHeadsAreTheFirstFourBytesOfTheBookmarks)
{
    const auto headOf = [](const jet::Bookmark& bookmark) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(bookmark[0]) | bookmark[1] << 8 | bookmark[2] << 16
                                         | static_cast<std::uint32_t>(bookmark[3]) << 24);
    };
    for (int type : {jet::dbOpenTable, jet::dbOpenDynaset, jet::dbOpenSnapshot}) {
        SCOPED_TRACE(type);
        jet::RecordsetPtr rs = Db->OpenRecordset("People", type);
        int answered = 0;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            std::int32_t head = 0;
            if (rs->BookmarkHead(head)) {
                ++answered;
                EXPECT_EQ(head, headOf(rs->Bookmark()));
            }
        }
        if (type != jet::dbOpenSnapshot) {
            EXPECT_EQ(answered, 6) << "a walk over the table's rows has every head at hand";
        }
        std::int32_t head = 0;
        EXPECT_FALSE(rs->BookmarkHead(head)) << "no current record";
    }
    jet::RecordsetPtr rs = Db->OpenRecordset("People", jet::dbOpenDynaset);
    rs->Edit();
    std::int32_t head = 0;
    EXPECT_FALSE(rs->BookmarkHead(head)) << "an edit";
    rs->CancelUpdate();
}

// A whole record read in one call holds what each field reads; a target left
// out, and every target of a read that fails, keeps what it held.
TEST_F(Recordsets, WholeRecordsReadAsTheirFieldsRead)
{
    const jet::Variant kept("kept");
    for (int type : {jet::dbOpenTable, jet::dbOpenDynaset, jet::dbOpenSnapshot, jet::dbOpenForwardOnly}) {
        SCOPED_TRACE(type);
        jet::RecordsetPtr rs = Db->OpenRecordset("People", type);
        const auto fields = static_cast<std::size_t>(rs->Fields().Count());
        std::vector<jet::Variant> values(fields, kept);
        std::vector<jet::Variant*> targets;
        for (jet::Variant& value : values)
            targets.push_back(&value);
        targets[1] = nullptr;  // Name left out
        int rows = 0;
        for (; !rs->Eof(); rs->MoveNext(), ++rows) {
            ASSERT_TRUE(rs->ReadValues(targets.data(), fields));
            for (std::size_t i = 0; i < fields; ++i)
                EXPECT_EQ(values[i], i == 1 ? kept : rs->Fields().Item(static_cast<int>(i))->Value()) << i;
        }
        EXPECT_EQ(rows, 6);
        values.assign(fields, kept);
        EXPECT_EQ(ErrorOf([&] { rs->ReadValues(targets.data(), fields); }), jet::errNoCurrentRecord);
        EXPECT_EQ(values, std::vector<jet::Variant>(fields, kept));
    }
    jet::RecordsetPtr rs = Db->OpenRecordset("People", jet::dbOpenDynaset);
    const auto fields = static_cast<std::size_t>(rs->Fields().Count());
    std::vector<jet::Variant> values(fields + 1, kept);
    std::vector<jet::Variant*> targets;
    for (jet::Variant& value : values)
        targets.push_back(&value);
    EXPECT_FALSE(rs->ReadValues(targets.data(), fields + 1)) << "more fields than the recordset has";
    EXPECT_EQ(values, std::vector<jet::Variant>(fields + 1, kept));
    rs->Edit();
    rs->Fields().Item("Name")->SetValue("Anne");
    ASSERT_TRUE(rs->ReadValues(targets.data(), fields));
    EXPECT_EQ(values[1], jet::Variant("Anne")) << "an edit reads its own values";
    EXPECT_EQ(values[2], jet::Variant("Paris"));
    rs->CancelUpdate();
    // Deleted by another connection: 3167, and nothing read.
    auto elsewhere = Engine->CreateWorkspace("Other", "admin", "")->OpenDatabase(PathOf("test.mdb"));
    elsewhere->Execute("DELETE * FROM People WHERE Name = \"Ann\"");
    Engine->Idle(jet::dbRefreshCache);
    values.assign(fields + 1, kept);
    EXPECT_EQ(ErrorOf([&] { rs->ReadValues(targets.data(), fields); }), jet::errRecordDeleted);
    EXPECT_EQ(values, std::vector<jet::Variant>(fields + 1, kept));
}

TEST_F(Recordsets, ARowDeletedUnderTheCursorAnswers3167)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("People", jet::dbOpenDynaset);
    jet::RecordsetPtr other = Db->OpenRecordset("People", jet::dbOpenDynaset);
    rs->MoveNext();
    const jet::Bookmark bob = rs->Bookmark();
    other->SetBookmark(bob);
    other->Delete();
    EXPECT_EQ(ErrorOf([&] { other->Fields().Item(0)->Value(); }), jet::errNoCurrentRecord);
    // The first recordset still stands on the row: every use of it answers 3167.
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->Value(); }), jet::errRecordDeleted);
    EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), jet::errRecordDeleted);
    EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), jet::errRecordDeleted);
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(bob); }), jet::errRecordDeleted);
    rs->MoveNext();
    EXPECT_EQ(Name(rs), "Cleo");
    // Deleted by another connection: the same.
    rs->MoveFirst();
    auto elsewhere = Engine->CreateWorkspace("Other", "admin", "")->OpenDatabase(PathOf("test.mdb"));
    elsewhere->Execute("DELETE * FROM People WHERE Name = \"Ann\"");
    Engine->Idle(jet::dbRefreshCache);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->Value(); }), jet::errRecordDeleted);
    rs->Requery();
    EXPECT_EQ(rs->RecordCount(), 4);
    // A table opened after another connection added a row has the row.
    elsewhere->Execute("INSERT INTO People (Name) VALUES (\"Zoe\")");
    jet::RecordsetPtr table = Db->OpenRecordset("People", jet::dbOpenTable);
    EXPECT_EQ(table->RecordCount(), 5);
}

TEST_F(Recordsets, EditAddAndDeleteGoThroughUpdate)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("People", jet::dbOpenDynaset, 0, jet::dbOptimistic);
    EXPECT_TRUE(rs->Updatable());
    EXPECT_EQ(rs->EditMode(), jet::dbEditNone);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->SetValue(jet::Variant("x")); }), jet::errUpdateWithoutEdit);
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), jet::errUpdateWithoutEdit);

    rs->MoveNext();
    rs->Edit();
    EXPECT_EQ(rs->EditMode(), jet::dbEditInProgress);
    rs->Fields().Item("Name")->SetValue(jet::Variant("Bob"));
    EXPECT_EQ(Name(rs), "Bob");
    rs->CancelUpdate();
    EXPECT_EQ(Name(rs), "bob");
    rs->Edit();
    rs->Fields().Item("Name")->SetValue(jet::Variant("Bob"));
    rs->Fields().Item("Age")->SetValue(jet::Variant("26"));
    rs->Update();
    EXPECT_EQ(rs->EditMode(), jet::dbEditNone);
    EXPECT_EQ(Name(rs), "Bob");
    EXPECT_EQ(rs->Fields().Item("Age")->Value(), jet::Variant(26));
    EXPECT_EQ(rs->LastModified(), rs->Bookmark());
    EXPECT_EQ(ErrorOf([&] {
                  rs->Edit();
                  rs->Fields().Item("Age")->SetValue(jet::Variant("old"));
              }),
              jet::errTypeConversion);
    rs->CancelUpdate();

    rs->AddNew();
    EXPECT_EQ(rs->EditMode(), jet::dbEditAdd);
    rs->Fields().Item("Name")->SetValue(jet::Variant("Gus"));
    rs->Fields().Item("Born")->SetValue(jet::Variant("1/2/2003 1:05:09 PM"));
    rs->Update();
    EXPECT_EQ(Name(rs), "Bob");  // the record current before AddNew
    EXPECT_EQ(rs->RecordCount(), 7);
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(Name(rs), "Gus");
    EXPECT_EQ(rs->Fields().Item("Born")->Value().AsString(), "01/02/2003 13:05:09");
    EXPECT_TRUE(rs->Fields().Item("Age")->Value().IsNull());
    rs->MoveLast();
    EXPECT_EQ(Name(rs), "Gus");  // added rows join a dynaset at its end

    rs->MoveFirst();
    rs->Delete();
    EXPECT_EQ(rs->RecordCount(), 6);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item(0)->Value(); }), jet::errNoCurrentRecord);
    rs->MoveNext();
    EXPECT_EQ(Name(rs), "Bob");
    EXPECT_EQ(rs->AbsolutePosition(), 0);
    EXPECT_EQ(Query("SELECT * FROM People ORDER BY Id", "Name"), Strings({"Bob", "Cleo", "Dan", "Éva", "Fei", "Gus"}));

    jet::RecordsetPtr snapshot = Db->OpenRecordset("People", jet::dbOpenSnapshot);
    EXPECT_FALSE(snapshot->Updatable());
    EXPECT_EQ(ErrorOf([&] { snapshot->Edit(); }), jet::errReadOnly);
    jet::RecordsetPtr joined = Db->OpenRecordset("SELECT City, Count(*) AS N FROM People GROUP BY City");
    EXPECT_FALSE(joined->Updatable());
    EXPECT_EQ(joined->Fields().Item("N")->Type(), jet::dbLong);
}

TEST_F(Recordsets, ATableTypeRecordsetFollowsItsIndexAndSeeks)
{
    jet::TableDefPtr people = Db->TableDefs().Item("People");
    jet::IndexPtr byCity = people->CreateIndex("ByCityAge");
    byCity->Fields().Append(byCity->CreateField("City"));
    jet::FieldPtr age = byCity->CreateField("Age");
    age->SetAttributes(jet::dbDescending);
    byCity->Fields().Append(age);
    people->Indexes().Append(byCity);

    jet::RecordsetPtr rs = Db->OpenRecordset("People", jet::dbOpenTable);
    EXPECT_EQ(ErrorOf([&] { rs->Seek("=", {jet::Variant("Lyon")}); }), jet::errNoCurrentIndex);
    rs->SetIndex("ByCityAge");
    EXPECT_EQ(rs->Index(), "ByCityAge");
    EXPECT_EQ(Values(rs, "Name"), Strings({"Éva", "bob", "Dan", "Ann", "Cleo", "Fei"}));

    struct SeekCase {
        std::string comparison;
        std::vector<jet::Variant> keys;
        std::string found;  // empty: NoMatch
    };
    const SeekCase cases[] = {
        {"=", {jet::Variant("lyon")}, "Éva"},
        {"=", {jet::Variant("Paris"), jet::Variant(33)}, "Cleo"},
        {"=", {jet::Variant("Paris"), jet::Variant(34)}, ""},
        {">=", {jet::Variant("Paris"), jet::Variant(34)}, "Cleo"},
        {">", {jet::Variant("Paris"), jet::Variant(41)}, "Cleo"},
        {">=", {jet::Variant("M")}, "Dan"},
        {"<", {jet::Variant("M")}, "bob"},
        {"<=", {jet::Variant("Nice")}, "Dan"},
        {"=", {jet::Variant("北京")}, "Fei"},
        {">", {jet::Variant("北京")}, ""},
    };
    for (const SeekCase& c : cases) {
        rs->Seek(c.comparison, c.keys);
        EXPECT_EQ(rs->NoMatch(), c.found.empty()) << c.comparison << " " << c.keys[0].AsString();
        if (!c.found.empty())
            EXPECT_EQ(Name(rs), c.found) << c.comparison << " " << c.keys[0].AsString();
    }
    EXPECT_EQ(ErrorOf([&] { rs->Seek("~", {jet::Variant("x")}); }), jet::errInvalidArgument);
    EXPECT_EQ(ErrorOf([&] { rs->Seek("=", std::vector<jet::Variant>(14, jet::Variant("x"))); }),
              jet::errInvalidArgument);
    EXPECT_EQ(ErrorOf([&] { rs->SetIndex("Nope"); }), 3015);
    EXPECT_EQ(ErrorOf([&] { rs->SetFilter("Age > 1"); }), jet::errNotSupported);
    EXPECT_EQ(ErrorOf([&] { rs->FindFirst("Age > 1"); }), jet::errNotSupported);
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("People", jet::dbOpenDynaset)->SetIndex("ByCityAge"); }),
              jet::errNotSupported);
    EXPECT_EQ(rs->DateCreated().VarType(), jet::varDate);

    // A row added through a table-type recordset takes its place in the order.
    rs->AddNew();
    rs->Fields().Item("Name")->SetValue(jet::Variant("Hal"));
    rs->Fields().Item("City")->SetValue(jet::Variant("Lyon"));
    rs->Fields().Item("Age")->SetValue(jet::Variant(30));
    rs->Update();
    EXPECT_EQ(Values(rs, "Name"), Strings({"Éva", "Hal", "bob", "Dan", "Ann", "Cleo", "Fei"}));
}

// A recordset moved to the row a clone sought shows that row as it is now:
// after a change through either of them, and after another connection's
// change once the engine has refreshed its cache.
TEST_F(Recordsets, MovingToTheRowACloneSoughtShowsItsValuesNow)
{
    jet::TableDefPtr people = Db->TableDefs().Item("People");
    jet::IndexPtr byName = people->CreateIndex("ByName");
    byName->Fields().Append(byName->CreateField("Name"));
    people->Indexes().Append(byName);
    jet::RecordsetPtr rs = Db->OpenRecordset("People", jet::dbOpenTable);
    jet::RecordsetPtr clone = rs->Clone();
    clone->SetIndex("ByName");
    const auto seekAndMove = [&](const char* name) {
        clone->Seek("=", {jet::Variant(name)});
        rs->SetBookmark(clone->Bookmark());
        return rs->Fields().Item("City")->Value().AsString();
    };
    EXPECT_EQ(seekAndMove("Dan"), "Nice");
    clone->Seek("=", {jet::Variant("Dan")});
    clone->Edit();
    clone->Fields().Item("City")->SetValue(jet::Variant("Metz"));
    clone->Update();
    rs->SetBookmark(clone->Bookmark());
    EXPECT_EQ(rs->Fields().Item("City")->Value().AsString(), "Metz");
    EXPECT_EQ(seekAndMove("Dan"), "Metz");

    jet::DatabasePtr other = Engine->CreateWorkspace("Other", "admin", "")->OpenDatabase(PathOf("test.mdb"));
    clone->Seek("=", {jet::Variant("Cleo")});
    other->Execute("UPDATE People SET City = \"Brest\" WHERE Name = \"Cleo\"");
    Engine->Idle(jet::dbRefreshCache);
    const jet::Bookmark cleo = clone->Bookmark();
    rs->SetBookmark(cleo);
    EXPECT_EQ(rs->Fields().Item("City")->Value().AsString(), "Brest");
    clone->Seek("=", {jet::Variant("Cleo")});
    other->Execute("DELETE FROM People WHERE Name = \"Cleo\"");
    Engine->Idle(jet::dbRefreshCache);
    EXPECT_NE(ErrorOf([&] { rs->SetBookmark(cleo); }), 0);
}

TEST_F(Recordsets, FindSearchesFromTheCurrentRecordWithCriteria)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("SELECT * FROM People ORDER BY Id", jet::dbOpenDynaset);
    rs->FindFirst("[City] = \"paris\"");
    EXPECT_FALSE(rs->NoMatch());
    EXPECT_EQ(Name(rs), "Ann");
    rs->FindNext("City = 'Paris'");
    EXPECT_EQ(Name(rs), "Cleo");
    rs->FindNext("City = 'Paris'");
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(Name(rs), "Cleo");  // stays on the last match
    rs->FindPrevious("Age = 25");
    EXPECT_EQ(Name(rs), "bob");
    rs->FindLast("Age = 25 AND Name LIKE \"d*\"");
    EXPECT_EQ(Name(rs), "Dan");
    rs->FindFirst("Born = #3/15/1990# AND Name LIKE \"É*\"");
    EXPECT_EQ(Name(rs), "Éva");
    rs->FindFirst("City = \"北京\"");
    EXPECT_EQ(Name(rs), "Fei");
    rs->FindFirst("Age IS NULL");
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(ErrorOf([&] { rs->FindFirst("Nobody = 1"); }), 3070);
    EXPECT_EQ(ErrorOf([&] { rs->FindFirst("Age = "); }), jet::errSyntax);
    EXPECT_EQ(Name(rs), "Fei");
}

// A text that reads like a GUID field's value is still a text: it is found
// by its text, and a GUID field by its GUID.
TEST_F(Recordsets, FindComparesATextThatLooksLikeAGuidAsText)
{
    MakeTable("Notes", {{"Note", jet::dbText, 60}, {"Key", jet::dbGUID}});
    const std::string guid = "{guid {0A1B2C3D-0000-4000-8000-00000000002A}}";
    jet::RecordsetPtr rs = Db->OpenRecordset("Notes", jet::dbOpenDynaset);
    for (const std::string& note : {std::string("first"), guid}) {
        rs->AddNew();
        rs->Fields().Item("Note")->SetValue(jet::Variant(note));
        rs->Fields().Item("Key")->SetValue(jet::Variant(guid));
        rs->Update();
    }
    rs->FindFirst("Note = '" + guid + "'");
    ASSERT_FALSE(rs->NoMatch());
    EXPECT_EQ(rs->Fields().Item("Note")->Value().AsString(), guid);
    rs->SetFilter("Note = '" + guid + "'");
    EXPECT_EQ(rs->OpenRecordset()->RecordCount(), 1);
    rs->FindFirst("Key = {guid {0A1B2C3D-0000-4000-8000-00000000002A}}");
    ASSERT_FALSE(rs->NoMatch());
    EXPECT_EQ(rs->Fields().Item("Note")->Value().AsString(), "first");
}

TEST_F(Recordsets, FilterAndSortMakeANewRecordsetOfTheSameRows)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("People", jet::dbOpenDynaset);
    rs->SetFilter("Age < 40");
    rs->SetSort("City, Name DESC");
    jet::RecordsetPtr sorted = rs->OpenRecordset();
    EXPECT_EQ(rs->RecordCount(), 6);  // unchanged
    EXPECT_EQ(Values(sorted, "Name"), Strings({"bob", "Dan", "Cleo", "Fei"}));
    EXPECT_TRUE(sorted->Updatable());
    sorted->MoveFirst();
    sorted->Edit();
    sorted->Fields().Item("Age")->SetValue(jet::Variant(24));
    sorted->Update();
    rs->MoveNext();
    EXPECT_EQ(rs->Fields().Item("Age")->Value().AsInteger(), 24);
    // Bookmarks of the new recordset are those of the old one.
    sorted->MoveLast();
    rs->SetBookmark(sorted->Bookmark());
    EXPECT_EQ(Name(rs), "Fei");
    jet::RecordsetPtr snapshot = rs->OpenRecordset(jet::dbOpenSnapshot);
    EXPECT_EQ(snapshot->RecordCount(), 4);
    EXPECT_FALSE(snapshot->Updatable());
    rs->SetFilter("");
    rs->SetSort("Born, Age DESC");
    EXPECT_EQ(Values(rs->OpenRecordset(), "Name"), Strings({"Éva", "Ann", "Cleo", "Dan", "bob", "Fei"}));
    EXPECT_EQ(ErrorOf([&] { rs->SetSort("Name DESC DESC"); }), jet::errSyntax);
}

TEST_F(Recordsets, GetRowsReturnsFieldsByRowsAndMovesOn)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("SELECT Name, Age FROM People ORDER BY Id", jet::dbOpenDynaset);
    rs->MoveNext();
    const jet::Variant rows = rs->GetRows(2);
    ASSERT_TRUE(rows.IsArray());
    const auto& array = *rows.Array();
    EXPECT_EQ(array.HighBound(1), 1);
    EXPECT_EQ(array.HighBound(2), 1);
    EXPECT_EQ(array.Get({0, 0}).AsString(), "bob");
    EXPECT_EQ(array.Get({1, 1}).AsInteger(), 33);
    EXPECT_EQ(Name(rs), "Dan");
    EXPECT_EQ(rs->GetRows(100).Array()->HighBound(2), 2);
    EXPECT_TRUE(rs->Eof());
    EXPECT_TRUE(rs->GetRows(1).IsNull());
}

TEST_F(Recordsets, PessimisticEditsLockTheRowAgainstOtherRecordsets)
{
    jet::RecordsetPtr first = Db->OpenRecordset("People", jet::dbOpenDynaset, 0, jet::dbPessimistic);
    jet::RecordsetPtr second = Db->OpenRecordset("People", jet::dbOpenDynaset, 0, jet::dbOptimistic);
    EXPECT_TRUE(first->LockEdits());
    EXPECT_FALSE(second->LockEdits());
    first->Edit();
    EXPECT_EQ(ErrorOf([&] { second->Edit(); }), jet::errLocked);
    EXPECT_EQ(ErrorOf([&] { second->Delete(); }), jet::errLocked);
    first->Fields().Item("Age")->SetValue(jet::Variant(42));
    first->Update();
    second->Edit();
    second->Fields().Item("Age")->SetValue(jet::Variant(43));
    second->Update();
    EXPECT_EQ(first->Fields().Item("Age")->Value().AsInteger(), 43);

    // Optimistic edits find out at Update that someone changed the row.
    second->Edit();
    first->Edit();
    first->Fields().Item("Age")->SetValue(jet::Variant(44));
    first->Update();
    second->Fields().Item("Age")->SetValue(jet::Variant(45));
    EXPECT_EQ(ErrorOf([&] { second->Update(); }), jet::errWriteConflict);
    EXPECT_EQ(second->EditMode(), jet::dbEditInProgress);
    second->CancelUpdate();
    second->SetLockEdits(true);
    EXPECT_TRUE(second->LockEdits());
}

TEST_F(Recordsets, DenyOptionsKeepOtherRecordsetsOfTheProcessOut)
{
    jet::RecordsetPtr writer = Db->OpenRecordset("People", jet::dbOpenTable, jet::dbDenyWrite);
    jet::RecordsetPtr reader = Db->OpenRecordset("People", jet::dbOpenDynaset);
    EXPECT_EQ(reader->RecordCount(), 6);
    EXPECT_EQ(ErrorOf([&] { reader->Edit(); }), jet::errLocked);
    EXPECT_EQ(ErrorOf([&] { reader->Delete(); }), jet::errLocked);
    writer->Edit();  // the holder and its clones still write
    writer->Fields().Item("Age")->SetValue(jet::Variant(42));
    writer->Update();
    writer->Clone()->SetBookmark(writer->Bookmark());
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("People", jet::dbOpenTable, jet::dbDenyRead); }), 3262);
    writer->Close();
    reader->Edit();
    reader->CancelUpdate();
    reader->Close();
    jet::RecordsetPtr exclusive = Db->OpenRecordset("People", jet::dbOpenTable, jet::dbDenyRead);
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("SELECT * FROM People", jet::dbOpenSnapshot); }), 3008);
    exclusive->Close();
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("People"); }), 0);
    // dbDenyRead means nothing to the other types, as with the old engine.
    jet::RecordsetPtr snapshot = Db->OpenRecordset("People", jet::dbOpenSnapshot, jet::dbDenyRead);
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("People", jet::dbOpenDynaset); }), 0);
}

// A Seek takes up to thirteen key values, one per field of the index.
TEST_F(Recordsets, SeekTakesThirteenKeys)
{
    std::vector<Column> columns;
    for (int i = 0; i < 13; ++i)
        columns.push_back({"K" + std::to_string(i), jet::dbLong});
    MakeTable("Wide", columns, {"K0", "K1", "K2", "K3", "K4", "K5", "K6", "K7", "K8", "K9", "K10", "K11", "K12"});
    for (int row = 0; row < 3; ++row) {
        std::string values;
        for (int i = 0; i < 13; ++i)
            values += (i ? ", " : "") + std::to_string(i == 12 ? row : 0);
        Db->Execute("INSERT INTO Wide VALUES (" + values + ")");
    }
    jet::RecordsetPtr rs = Db->OpenRecordset("Wide", jet::dbOpenTable);
    rs->SetIndex("PrimaryKey");
    std::vector<jet::Variant> keys(13, jet::Variant(0));
    keys[12] = jet::Variant(2);
    rs->Seek("=", keys);
    ASSERT_FALSE(rs->NoMatch());
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    keys[12] = jet::Variant(1);
    rs->Seek(">", keys);
    EXPECT_EQ(rs->Fields().Item("K12")->Value().AsInteger(), 2);
    keys.push_back(jet::Variant(0));
    EXPECT_EQ(ErrorOf([&] { rs->Seek("=", keys); }), jet::errInvalidArgument);
    rs->Seek(">=", {jet::Variant(0)});  // a leading part of the key
    EXPECT_EQ(rs->AbsolutePosition(), 0);
}

TEST_F(Recordsets, FieldsDescribeWhereTheirValuesComeFrom)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("SELECT p.Name AS Who, Age + 1 AS Next, City FROM People AS p",
                                             jet::dbOpenDynaset);
    EXPECT_EQ(rs->Fields().Item("Who")->SourceTable(), "People");
    EXPECT_EQ(rs->Fields().Item("Who")->SourceField(), "Name");
    EXPECT_EQ(rs->Fields().Item("Who")->Size(), 30);
    EXPECT_NE(rs->Fields().Item("Who")->Attributes() & jet::dbUpdatableField, 0);
    EXPECT_EQ(rs->Fields().Item("Next")->SourceTable(), "");
    EXPECT_EQ(rs->Fields().Item("Next")->Attributes() & jet::dbUpdatableField, 0);
    EXPECT_EQ(rs->Fields().Item("Next")->Value().AsInteger(), 42);
    rs->Edit();
    rs->Fields().Item("Who")->SetValue(jet::Variant("Anne"));
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Next")->SetValue(jet::Variant(1)); }), jet::errFieldNotUpdatable);
    rs->Update();
    EXPECT_EQ(Query("SELECT Name FROM People WHERE Id = 1", "Name"), Strings({"Anne"}));
    EXPECT_EQ(rs->CopyQueryDef()->SQL(), "SELECT p.Name AS Who, Age + 1 AS Next, City FROM People AS p");
    jet::RecordsetPtr table = Db->OpenRecordset("People", jet::dbOpenTable);
    table->SetAbsolutePosition(4);
    EXPECT_EQ(table->Fields().Item("Name")->FieldSize(), 4);  // "Éva" in UTF-8
}

} // namespace

namespace {

using Positions = jettest::JetFixture;

// Positions stay right while rows are deleted and added in any order.
TEST_F(Positions, FollowDeletionsAndAdditions)
{
    MakeTable("t", {{"N", jet::dbLong}});
    for (int i = 0; i < 40; ++i)
        Db->Execute("INSERT INTO t (N) VALUES (" + std::to_string(i) + ")");
    jet::RecordsetPtr rs = Db->OpenRecordset("t", jet::dbOpenDynaset);
    std::vector<int> alive(40);
    for (int i = 0; i < 40; ++i)
        alive[static_cast<std::size_t>(i)] = i;
    for (int step = 0; step < 25; ++step) {
        const long position = (step * 7) % rs->RecordCount();
        rs->SetAbsolutePosition(position);
        EXPECT_EQ(rs->Fields().Item(0)->Value().AsInteger(), alive[static_cast<std::size_t>(position)]);
        rs->Delete();
        alive.erase(alive.begin() + position);
        if (step % 5 == 0) {
            rs->AddNew();
            rs->Fields().Item(0)->SetValue(jet::Variant(100 + step));
            rs->Update();
            alive.push_back(100 + step);
        }
        rs->MoveLast();
        EXPECT_EQ(rs->AbsolutePosition(), static_cast<long>(alive.size()) - 1);
        EXPECT_EQ(rs->RecordCount(), static_cast<long>(alive.size()));
    }
}

} // namespace

namespace {

// A table of a few windows of rows (the engine reads rows a window at a
// time), with texts that look like numbers, Nulls and an index whose order
// is not the order the rows were added in.
class ManyRows : public JetFixture {
protected:
    static constexpr int Rows = 2600;

    void SetUp() override
    {
        JetFixture::SetUp();
        MakeTable("Items", {{"Id", jet::dbLong}, {"Label", jet::dbText, 30}, {"Note", jet::dbText, 30},
                            {"Amount", jet::dbDouble}, {"Code", jet::dbLong}});
        jet::TableDefPtr items = Db->TableDefs().Item("Items");
        jet::IndexPtr byLabel = items->CreateIndex("ByLabel");
        jet::FieldPtr label = byLabel->CreateField("Label");
        label->SetAttributes(jet::dbDescending);
        byLabel->Fields().Append(label);
        items->Indexes().Append(byLabel);
        Workspace->BeginTrans();
        jet::RecordsetPtr rs = Db->OpenRecordset("Items", jet::dbOpenTable);
        for (int id = 0; id < Rows; ++id) {
            rs->AddNew();
            rs->Fields().Item("Id")->SetValue(jet::Variant(id));
            rs->Fields().Item("Label")->SetValue(jet::Variant((id % 2 ? "Label " : "label ") + std::to_string(id % 97)));
            if (id % 5)
                rs->Fields().Item("Note")->SetValue(jet::Variant(std::to_string(id % 40)));
            rs->Fields().Item("Amount")->SetValue(jet::Variant(id * 0.5));
            rs->Fields().Item("Code")->SetValue(jet::Variant((id * 7919) % Rows));
            rs->Update();
        }
        Workspace->CommitTrans();
    }

    // The ids a search finds, from the first match on, forward or backward.
    static std::set<int> Found(const jet::RecordsetPtr& rs, const std::string& criteria, bool forward)
    {
        std::set<int> ids;
        forward ? rs->FindFirst(criteria) : rs->FindLast(criteria);
        while (!rs->NoMatch()) {
            ids.insert(rs->Fields().Item("Id")->Value().AsInteger());
            forward ? rs->FindNext(criteria) : rs->FindPrevious(criteria);
        }
        return ids;
    }
};

// Rows in the order they were added are tested a window at a time by SQLite,
// rows in another order one by one against the values read: both find the
// same rows, whatever the criteria compares.
TEST_F(ManyRows, FindFindsTheSameRowsInEveryOrder)
{
    jet::RecordsetPtr inOrder = Db->OpenRecordset("Items", jet::dbOpenDynaset);
    jet::RecordsetPtr base = Db->OpenRecordset("Items", jet::dbOpenDynaset);
    base->SetSort("Code");
    jet::RecordsetPtr sorted = base->OpenRecordset();
    // Rows deleted inside a window are passed over (the sorted recordset
    // finds them gone from the file).
    for (int id : {3, 700, 1500}) {
        inOrder->FindFirst("Id = " + std::to_string(id));
        inOrder->Delete();
    }
    const std::vector<std::string> criteria = {
        "Label = 'LABEL 17'",   "Label LIKE '*7'",    "Amount > 100.5 AND Amount < 300", "Note = 26",
        "Note = '26'",          "Id = '25'",          "Note IS NULL",                    "Code - Id > 1000",
        "Code > 2590",          "Label > 'label 90'", "Amount = 1299.5 OR Id = 1",       "Id = 3",
        "Note + 1 = 27",        "Id = -1",            "Id IN (3, 4, 700, 1500)",
    };
    for (const std::string& text : criteria) {
        SCOPED_TRACE(text);
        const std::set<int> expected = Found(sorted, text, true);
        EXPECT_EQ(Found(inOrder, text, true), expected);
        EXPECT_EQ(Found(inOrder, text, false), expected);
    }
    EXPECT_EQ(Found(inOrder, "Note = '26'", true).size(), static_cast<std::size_t>(Rows / 40));
    EXPECT_TRUE(Found(inOrder, "Id = '25'", true).empty());  // a text is not a number
}

// A walk in an index's order reads rows ahead in windows, forward and
// backward, and leaves no read open: another connection writes at once.
TEST_F(ManyRows, AWalkInAnIndexOrderReadsEveryRowAndHoldsNoLock)
{
    const Strings expected = Query("SELECT * FROM Items ORDER BY Label DESC, Id", "Id");
    jet::RecordsetPtr rs = Db->OpenRecordset("Items", jet::dbOpenTable);
    rs->SetIndex("ByLabel");
    EXPECT_EQ(Values(rs, "Id"), expected);
    Strings backward;
    for (rs->MoveLast(); !rs->Bof(); rs->MovePrevious())
        backward.push_back(jet::VarToStr(rs->Fields().Item("Id")->Value()));
    EXPECT_EQ(Strings(backward.rbegin(), backward.rend()), expected);

    jet::DatabasePtr other = Engine->CreateWorkspace("Other", "admin", "")->OpenDatabase(PathOf("test.mdb"));
    other->Execute("UPDATE Items SET Note = \"changed\" WHERE Id = 5");
    Engine->Idle(jet::dbRefreshCache);
    rs->Seek("=", {jet::Variant("Label 5")});
    ASSERT_FALSE(rs->NoMatch());
    EXPECT_EQ(rs->Fields().Item("Note")->Value().AsString(), "changed");
}

// A walk that has read one field holds only that field of later windows; a
// whole record read there reads the other fields too, and finds a row another
// connection deleted meanwhile gone before it copies any value.
TEST_F(ManyRows, AWholeRecordReadsFieldsTheWindowLacksFirst)
{
    // Into the second window, reading the Id only.
    const auto walkedTo = [&](int row) {
        jet::RecordsetPtr rs = Db->OpenRecordset("Items", jet::dbOpenDynaset);
        for (int id = 0; id < row; ++id, rs->MoveNext())
            EXPECT_EQ(rs->Fields().Item("Id")->Value().AsInteger(), id);
        EXPECT_EQ(rs->Fields().Item("Id")->Value().AsInteger(), row);
        return rs;
    };
    const jet::Variant kept("kept");
    std::vector<jet::Variant> values(5, kept);
    std::vector<jet::Variant*> targets;
    for (jet::Variant& value : values)
        targets.push_back(&value);

    jet::RecordsetPtr rs = walkedTo(1100);
    ASSERT_TRUE(rs->ReadValues(targets.data(), values.size()));
    EXPECT_EQ(values, (std::vector<jet::Variant>{1100, "label 33", jet::Variant::Null(), 550.0, (1100 * 7919) % Rows}));

    rs = walkedTo(1101);
    jet::DatabasePtr other = Engine->CreateWorkspace("Other", "admin", "")->OpenDatabase(PathOf("test.mdb"));
    other->Execute("DELETE * FROM Items WHERE Id = 1101");
    values.assign(values.size(), kept);
    EXPECT_EQ(ErrorOf([&] { rs->ReadValues(targets.data(), values.size()); }), jet::errRecordDeleted);
    EXPECT_EQ(values, std::vector<jet::Variant>(values.size(), kept)) << "not even the Id the window held";
}

// A walk's values shared instead of copied are the values ReadValues
// copies, and stay as they were read while the walk reads later windows,
// whoever holds them; the values of an edit and of a snapshot are not shared.
TEST_F(ManyRows, SharedValuesStayAsReadWhileTheWalkGoesOn)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("Items", jet::dbOpenDynaset);
    const auto fields = static_cast<std::size_t>(rs->Fields().Count());
    std::vector<jet::Variant> copied(fields);
    std::vector<jet::Variant*> targets;
    for (jet::Variant& value : copied)
        targets.push_back(&value);
    struct Held {
        std::shared_ptr<const void> Owner;
        const jet::Variant* Row = nullptr;
        std::vector<jet::Variant> AsRead;
    };
    std::vector<Held> held;
    int rows = 0;
    for (; !rs->Eof(); rs->MoveNext(), ++rows) {
        ASSERT_TRUE(rs->ReadValues(targets.data(), fields));
        Held shared;
        ASSERT_TRUE(rs->ShareValues(targets.data(), fields, shared.Row, shared.Owner)) << rows;
        shared.AsRead.assign(shared.Row, shared.Row + fields);
        ASSERT_EQ(shared.AsRead, copied) << rows;
        if (rows % 500 == 0 || rows % 1024 == 1023)
            held.push_back(std::move(shared));
    }
    EXPECT_EQ(rows, Rows);
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        ASSERT_TRUE(rs->ReadValues(targets.data(), fields));
    for (const Held& shared : held)
        EXPECT_EQ(std::vector<jet::Variant>(shared.Row, shared.Row + fields), shared.AsRead);

    const jet::Variant* row = nullptr;
    std::shared_ptr<const void> owner;
    rs->MoveFirst();
    ASSERT_TRUE(rs->ReadValues(targets.data(), fields));
    EXPECT_TRUE(rs->ShareValues(targets.data(), fields, row, owner));
    rs->Edit();
    EXPECT_FALSE(rs->ShareValues(targets.data(), fields, row, owner)) << "an edit's values";
    rs->CancelUpdate();
    jet::RecordsetPtr snapshot = Db->OpenRecordset("Items", jet::dbOpenSnapshot);
    EXPECT_FALSE(snapshot->ShareValues(targets.data(), fields, row, owner)) << "a snapshot's values";
}

// A snapshot of a table's rows holds what a dynaset reads, also with a
// computed column, whose type its first values give.
TEST_F(ManyRows, SnapshotsOfAQueryHoldTheRowsAsRead)
{
    const Strings amounts = Query("SELECT * FROM Items WHERE Id < 2000", "Amount");
    ASSERT_EQ(amounts.size(), 2000u);
    EXPECT_EQ(amounts[1999], "999.5");
    EXPECT_EQ(Values(Db->OpenRecordset("SELECT * FROM Items WHERE Id < 2000", jet::dbOpenDynaset), "Amount"),
              amounts);
    jet::RecordsetPtr computed = Db->OpenRecordset("SELECT Id, Amount * 2 AS Twice FROM Items", jet::dbOpenSnapshot);
    EXPECT_EQ(computed->Fields().Item("Twice")->Type(), jet::dbDouble);
    computed->MoveLast();
    EXPECT_EQ(computed->Fields().Item("Twice")->Value().AsDouble(), Rows - 1.0);
    jet::RecordsetPtr forward = Db->OpenRecordset("SELECT * FROM Items", jet::dbOpenForwardOnly);
    int rows = 0;
    for (; !forward->Eof(); forward->MoveNext())
        EXPECT_EQ(forward->Fields().Item("Id")->Value().AsInteger(), rows++);
    EXPECT_EQ(rows, Rows);
}

// Update writes exactly the fields given to that row, whatever was written
// before with the same or other fields.
TEST_F(ManyRows, EachUpdateWritesOnlyItsOwnFields)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("Items", jet::dbOpenDynaset);
    const auto add = [&](std::vector<std::pair<std::string, jet::Variant>> values) {
        rs->AddNew();
        for (const auto& [field, value] : values)
            rs->Fields().Item(field)->SetValue(value);
        rs->Update();
    };
    add({{"Id", jet::Variant(9001)}, {"Note", jet::Variant("both")}});
    add({{"Id", jet::Variant(9002)}});
    add({{"Id", jet::Variant(9003)}, {"Note", jet::Variant("again")}});
    rs->FindFirst("Id = 9001");
    rs->Edit();
    rs->Fields().Item("Label")->SetValue(jet::Variant("edited"));
    rs->Update();
    rs->FindFirst("Id = 9003");
    rs->Edit();
    rs->Fields().Item("Note")->SetValue(jet::Variant("edited too"));
    rs->Update();
    EXPECT_EQ(Query("SELECT * FROM Items WHERE Id > 9000 ORDER BY Id", "Note"), Strings({"both", "", "edited too"}));
    EXPECT_EQ(Query("SELECT * FROM Items WHERE Id > 9000 ORDER BY Id", "Label"), Strings({"edited", "", ""}));
}

using SingleFields = JetFixture;

// A Single takes what rounds to a Single: its largest value as written
// (3.4028235E+38) is that value; beyond it, an overflow, never an undefined
// conversion.
TEST_F(SingleFields, TakeWhatRoundsToASingleAndRefuseTheRest)
{
    MakeTable("Numbers", {{"Value", jet::dbSingle}});
    const jet::RecordsetPtr rows = Db->OpenRecordset("Numbers", jet::dbOpenDynaset);
    rows->AddNew();
    const jet::FieldPtr value = rows->Fields().Item("Value");
    value->SetValue(3.4028235e38);
    EXPECT_EQ(value->Value().AsDouble(), static_cast<double>(std::numeric_limits<float>::max()));
    value->SetValue(-3.4028235e38);
    EXPECT_EQ(value->Value().AsDouble(), -static_cast<double>(std::numeric_limits<float>::max()));
    for (double beyond : {3.5e38, -1e300, 1.7976931348623157e308})
        EXPECT_EQ(ErrorOf([&] { value->SetValue(beyond); }), 3349) << beyond;
    rows->CancelUpdate();
    // What SQL writes beyond a Single reads back as the number it is.
    Db->Execute("INSERT INTO Numbers VALUES (1e300)");
    EXPECT_EQ(Query("SELECT * FROM Numbers", "Value"), Strings({"1e+300"}));
}

} // namespace
