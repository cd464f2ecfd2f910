// Recordsets over an ODBC source: reading every type of value, editing,
// adding and deleting through the driver, what each recordset type sees of
// changes made elsewhere, table-type order and Seek, Filter, Sort and Find.
#include "OdbcFixture.h"

using namespace jettest;

namespace {

using OdbcRecordset = OdbcFixture;

std::string Text(const jet::RecordsetPtr& rs, const char* field)
{
    return jet::VarToStr(rs->Fields().Item(field)->Value());
}

TEST_F(OdbcRecordset, ValuesComeInTheEnginesTypes)
{
    Direct("UPDATE parts SET Photo = x'00FF10' WHERE Name = 'bolt'");
    jet::RecordsetPtr rs = Db->OpenRecordset("SELECT * FROM parts ORDER BY Id", jet::dbOpenSnapshot);
    EXPECT_EQ(rs->Fields().Item("Id")->Value().VarType(), jet::varInteger);
    EXPECT_EQ(rs->Fields().Item("Price")->Value().AsDouble(), 0.05);
    const jet::Variant made = rs->Fields().Item("Made")->Value();
    EXPECT_EQ(made.VarType(), jet::varDate);
    EXPECT_EQ(jet::VarToStr(made), "03/15/2024 10:20:30");
    rs->MoveNext();
    EXPECT_TRUE(rs->Fields().Item("Note")->Value().IsNull());
    const jet::Variant photo = rs->Fields().Item("Photo")->Value();
    EXPECT_EQ(photo.VarType(), jet::varArray | jet::varByte);
    EXPECT_EQ(photo.AsBytes(), std::string("\x00\xFF\x10", 3));
    EXPECT_EQ(rs->Fields().Item("Photo")->FieldSize(), 3);
    rs->MoveNext();
    EXPECT_EQ(Text(rs, "Note"), "齿轮");
    // Long values come whole, read in parts.
    Direct("UPDATE parts SET Note = printf('%.*c', 100000, 'n') || 'end', Photo = zeroblob(70000) WHERE Name = 'gear'");
    rs->Requery();
    rs->MoveLast();
    const std::string note = Text(rs, "Note");
    EXPECT_EQ(note.size(), 100003u);
    EXPECT_EQ(note.substr(note.size() - 4), "nend");
    EXPECT_EQ(rs->Fields().Item("Photo")->Value().AsBytes(), std::string(70000, '\0'));
    // A snapshot is read-only.
    EXPECT_FALSE(rs->Updatable());
    EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), jet::errReadOnly);
}

TEST_F(OdbcRecordset, ValuesAndBookmarksAreReadIntoTheCallersStorage)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("SELECT * FROM parts ORDER BY Id", jet::dbOpenDynaset);
    jet::Variant value;
    jet::Bookmark bookmark;
    for (; !rs->Eof(); rs->MoveNext()) {
        for (int i = 0; i < rs->Fields().Count(); ++i) {
            rs->Fields().Item(i)->ReadValue(value);
            EXPECT_EQ(value, rs->Fields().Item(i)->Value());
        }
        rs->ReadBookmark(bookmark);
        EXPECT_EQ(bookmark, rs->Bookmark());
    }
    EXPECT_EQ(ErrorOf([&] { rs->ReadBookmark(bookmark); }), jet::errNoCurrentRecord);
}

TEST_F(OdbcRecordset, AMalformedDateOfTheSourceComesAsItsText)
{
    // The driver's own date conversion read past such a text.
    Direct("UPDATE parts SET Made = '2024%02-30 25:61:00' WHERE Name = 'gear';"
           "UPDATE parts SET Made = 'yesterday' WHERE Name = 'bolt';");
    jet::RecordsetPtr rs = Db->OpenRecordset("SELECT Name, Made FROM parts ORDER BY Id", jet::dbOpenSnapshot);
    EXPECT_EQ(ValuesOf(rs, "Made"), Strings({"03/15/2024 10:20:30", "yesterday", "2024%02-30 25:61:00"}));
}

TEST_F(OdbcRecordset, ADynasetEditsAddsAndDeletesThroughTheDriver)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("parts", jet::dbOpenDynaset, 0, jet::dbOptimistic);
    ASSERT_TRUE(rs->Updatable());
    EXPECT_TRUE(rs->Bookmarkable());
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(rs->Fields().Item("Id")->Attributes() & jet::dbUpdatableField, 0);
    EXPECT_NE(rs->Fields().Item("Name")->Attributes() & jet::dbUpdatableField, 0);

    rs->FindFirst("Name = 'bolt'");
    const jet::Bookmark bolt = rs->Bookmark();
    rs->Edit();
    rs->Fields().Item("Price")->SetValue(jet::Variant(0.45));
    rs->Fields().Item("Note")->SetValue(jet::Variant("M8"));
    rs->Update();
    EXPECT_EQ(DirectValue("SELECT Price || ' ' || Note FROM parts WHERE Name = 'bolt'"), "0.45 M8");
    EXPECT_EQ(rs->LastModified(), bolt);

    rs->AddNew();
    EXPECT_EQ(Text(rs, "Name"), "bolt");  // the source's default, shown before Update
    rs->Fields().Item("Name")->SetValue(jet::Variant("nut"));
    rs->Fields().Item("Made")->SetValue(jet::Variant::Date(45366.5));  // 15 March 2024, noon
    rs->Update();
    EXPECT_EQ(rs->RecordCount(), 4);
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(Text(rs, "Name"), "nut");
    EXPECT_EQ(Text(rs, "Id"), DirectValue("SELECT Id FROM parts WHERE Name = 'nut'"));
    EXPECT_EQ(Text(rs, "Made"), "03/15/2024 12:00:00");

    rs->SetBookmark(bolt);
    rs->Delete();
    EXPECT_EQ(DirectValue("SELECT COUNT(*) FROM parts WHERE Name = 'bolt'"), "0");
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->Value(); }), jet::errNoCurrentRecord);
    rs->MoveNext();
    EXPECT_EQ(Text(rs, "Name"), "gear");
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(bolt); }), jet::errRecordDeleted);
    // A key the source already holds is the source's to refuse.
    rs->AddNew();
    rs->Fields().Item("Name")->SetValue(jet::Variant("gear"));
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), jet::errOdbcCallFailed);
    rs->CancelUpdate();
}

TEST_F(OdbcRecordset, ADynasetSeesChangesAndDeletionsMadeElsewhere)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("SELECT * FROM parts ORDER BY Id", jet::dbOpenDynaset);
    jet::RecordsetPtr other = Db->OpenRecordset("parts", jet::dbOpenDynaset);
    EXPECT_EQ(Text(rs, "Name"), "washer");
    Direct("UPDATE parts SET Price = 0.07 WHERE Name = 'washer'; DELETE FROM parts WHERE Name = 'bolt';"
           "INSERT INTO parts (Name) VALUES ('spring');");
    Engine->Idle(jet::dbRefreshCache);
    EXPECT_EQ(Text(rs, "Price"), "0.07");
    rs->MoveNext();
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->Value(); }), jet::errRecordDeleted);
    EXPECT_EQ(rs->RecordCount(), 3);  // a dynaset keeps its rows; new ones come with Requery
    rs->Requery();
    EXPECT_EQ(ValuesOf(rs, "Name"), Strings({"washer", "gear", "spring"}));

    // Changed at the source between Edit and Update: 3197.
    other->FindFirst("Name = 'gear'");
    other->Edit();
    Direct("UPDATE parts SET Price = 13 WHERE Name = 'gear'");
    other->Fields().Item("Price")->SetValue(jet::Variant(14.0));
    EXPECT_EQ(ErrorOf([&] { other->Update(); }), jet::errWriteConflict);
    EXPECT_EQ(DirectValue("SELECT Price FROM parts WHERE Name = 'gear'"), "13.0");
}

TEST_F(OdbcRecordset, ADynamicRecordsetFindsRowsAddedAndDeletedElsewhere)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("SELECT Word FROM loose ORDER BY Word", jet::dbOpenDynamic);
    EXPECT_EQ(rs->Type(), jet::dbOpenDynamic);
    EXPECT_FALSE(rs->Updatable());  // loose has no key
    rs->MoveLast();
    EXPECT_EQ(Text(rs, "Word"), "b");
    Direct("INSERT INTO loose VALUES ('c'); DELETE FROM loose WHERE Word = 'a';");
    Engine->Idle(jet::dbRefreshCache);
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(Text(rs, "Word"), "b");  // still on its row
    EXPECT_EQ(ValuesOf(rs, "Word"), Strings({"b", "c"}));

    jet::RecordsetPtr keyed = Db->OpenRecordset("config", jet::dbOpenDynamic);
    EXPECT_TRUE(keyed->Updatable());
    keyed->AddNew();
    keyed->Fields().Item("ConfigName")->SetValue(jet::Variant("DEFAULT"));
    keyed->Fields().Item("OptionName")->SetValue(jet::Variant("101"));
    keyed->Update();
    EXPECT_EQ(keyed->RecordCount(), 4);
}

TEST_F(OdbcRecordset, ATableTypeRecordsetFollowsItsIndexAndSeeks)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("parts", jet::dbOpenTable);
    EXPECT_EQ(rs->Type(), jet::dbOpenTable);
    EXPECT_EQ(ValuesOf(rs, "Name"), Strings({"washer", "bolt", "gear"}));  // the primary key's order
    EXPECT_TRUE(rs->DateCreated().IsNull());
    EXPECT_EQ(ErrorOf([&] { rs->Seek("=", {jet::Variant("gear")}); }), jet::errNoCurrentIndex);
    rs->SetIndex("PartName");
    EXPECT_EQ(ValuesOf(rs, "Name"), Strings({"bolt", "gear", "washer"}));
    rs->Seek(">=", {jet::Variant("c")});
    ASSERT_FALSE(rs->NoMatch());
    EXPECT_EQ(Text(rs, "Name"), "gear");
    rs->Seek("<", {jet::Variant("c")});
    EXPECT_EQ(Text(rs, "Name"), "bolt");
    rs->Seek("=", {jet::Variant("axle")});
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(ErrorOf([&] { rs->SetIndex("NoSuchIndex"); }), 3015);
    // A row added elsewhere is found by Seek too.
    Direct("INSERT INTO parts (Name) VALUES ('axle')");
    rs->Seek("=", {jet::Variant("axle")});
    EXPECT_FALSE(rs->NoMatch());
    EXPECT_EQ(Text(rs, "Name"), "axle");
    EXPECT_EQ(ErrorOf([&] { Db->OpenRecordset("cheap", jet::dbOpenTable)->Seek("=", {jet::Variant(1)}); }),
              jet::errInvalidOperation);
}

TEST_F(OdbcRecordset, FilterSortAndFindUseTheEnginesRules)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("parts", jet::dbOpenDynaset);
    rs->SetFilter("Price < 1 OR Name LIKE \"G*\"");  // without regard to case, as the engine compares
    rs->SetSort("Price DESC");
    jet::RecordsetPtr derived = rs->OpenRecordset();
    EXPECT_EQ(ValuesOf(derived, "Name"), Strings({"gear", "bolt", "washer"}));
    derived->FindLast("Note IS NULL");
    EXPECT_EQ(Text(derived, "Name"), "bolt");
    derived->FindNext("Name = 'nothing'");
    EXPECT_TRUE(derived->NoMatch());
    EXPECT_EQ(Text(derived, "Name"), "bolt");
    // Bookmarks hold between a recordset and the one opened from it.
    rs->SetBookmark(derived->Bookmark());
    EXPECT_EQ(Text(rs, "Name"), "bolt");

    const jet::Variant rows = rs->GetRows(10);
    ASSERT_TRUE(rows.IsArray());
    EXPECT_EQ(rows.Array()->HighBound(2), 1);  // bolt and gear
    EXPECT_TRUE(rs->Eof());

    jet::RecordsetPtr clone = derived->Clone();
    clone->MoveFirst();
    EXPECT_EQ(Text(clone, "Name"), "gear");
}

TEST_F(OdbcRecordset, ForwardOnlyAndPassThroughRecordsetsReadOnce)
{
    jet::RecordsetPtr forward = Db->OpenRecordset("SELECT Name FROM parts ORDER BY Name", jet::dbOpenForwardOnly);
    EXPECT_FALSE(forward->Bookmarkable());
    forward->MoveNext();
    EXPECT_EQ(Text(forward, "Name"), "gear");
    EXPECT_EQ(ErrorOf([&] { forward->MovePrevious(); }), jet::errInvalidOperation);
    EXPECT_EQ(ErrorOf([&] { forward->Bookmark(); }), jet::errNotSupported);

    // The source's own SQL: read-only, whatever type is asked for.
    jet::RecordsetPtr native =
        Db->OpenRecordset("SELECT Name || '-' || typeof(Id) AS Tag FROM parts WHERE Id = 1", jet::dbOpenDynaset,
                          jet::dbSQLPassThrough);
    EXPECT_EQ(Text(native, "Tag"), "washer-integer");
    EXPECT_FALSE(native->Updatable());
}

TEST_F(OdbcRecordset, RowsChangedInARolledBackTransactionComeBack)
{
    jet::RecordsetPtr rs = Db->OpenRecordset("SELECT * FROM parts ORDER BY Id", jet::dbOpenDynaset);
    Workspace->BeginTrans();
    rs->Edit();
    rs->Fields().Item("Name")->SetValue(jet::Variant("disc"));
    rs->Update();
    rs->AddNew();
    rs->Fields().Item("Name")->SetValue(jet::Variant("pin"));
    rs->Update();
    const jet::Bookmark pin = rs->LastModified();
    Workspace->Rollback();
    EXPECT_EQ(Text(rs, "Name"), "washer");
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(pin); }), jet::errRecordDeleted);
}

} // namespace
