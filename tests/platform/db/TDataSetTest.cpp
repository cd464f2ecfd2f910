// The dataset framework tested through a small dataset that keeps its rows
// in memory, so the public operations are checked apart from any storage.
#include "MemoryDataSet.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

namespace {

using dbtest::MemoryDataSet;
using dbtest::Row;

std::vector<std::string> Names(TDataSet& dataSet)
{
    std::vector<std::string> names;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        names.push_back(dataSet.FieldByName("Name").AsString());
    return names;
}

std::vector<Row> ThreeRows()
{
    return {{"a", "1"}, {"b", "2"}, {"c", "3"}};
}

TEST(TDataSet, OpenMovesToTheFirstRecordAndCloseReleasesTheFields)
{
    MemoryDataSet dataSet(ThreeRows());
    EXPECT_EQ(dataSet.State(), dsInactive);
    dataSet.SetActive(true);
    EXPECT_TRUE(dataSet.Active());
    EXPECT_EQ(dataSet.State(), dsBrowse);
    EXPECT_TRUE(dataSet.Bof());
    EXPECT_FALSE(dataSet.Eof());
    EXPECT_EQ(dataSet.FieldCount(), 2);
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "a");
    EXPECT_EQ(dataSet.RecordCount(), 3);

    dataSet.SetActive(false);
    EXPECT_TRUE(dataSet.Closed);
    EXPECT_EQ(dataSet.FieldCount(), 0);
    EXPECT_EQ(dataSet.FindField("Name"), nullptr);
    EXPECT_THROW(dataSet.First(), EDatabaseError);
}

TEST(TDataSet, FailedOpenLeavesTheDataSetClosed)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.FailOpen = true;
    EXPECT_THROW(dataSet.Open(), EDatabaseError);
    EXPECT_FALSE(dataSet.Active());
    EXPECT_TRUE(dataSet.Closed) << "what was opened so far is released";
    EXPECT_EQ(dataSet.FieldCount(), 0);
}

TEST(TDataSet, NavigationSetsTheEndFlagsAsTheClassLibraryDoes)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    EXPECT_EQ(Names(dataSet), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(dataSet.Eof());
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "c") << "a move past the end keeps the last record";

    dataSet.Prior();
    EXPECT_FALSE(dataSet.Eof());
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "b");

    dataSet.Last();
    EXPECT_TRUE(dataSet.Eof());
    EXPECT_FALSE(dataSet.Bof());
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "c");
    dataSet.Prior();
    dataSet.Prior();
    dataSet.Prior();
    EXPECT_TRUE(dataSet.Bof());
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "a");
}

TEST(TDataSet, EmptyDataSetIsAtBothEnds)
{
    MemoryDataSet dataSet;
    dataSet.Open();
    EXPECT_TRUE(dataSet.Eof());
    EXPECT_TRUE(dataSet.Bof());
    EXPECT_TRUE(dataSet.IsEmpty());
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "");
    EXPECT_THROW(dataSet.Delete(), EDatabaseError);
}

TEST(TDataSet, FieldsAreFoundByNameWithoutRegardToCase)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    ASSERT_NE(dataSet.FindField("VALUE"), nullptr);
    EXPECT_EQ(dataSet.FindField("VALUE")->FieldName(), "Value");
    EXPECT_EQ(dataSet.FindField("Missing"), nullptr);
    EXPECT_THROW(dataSet.FieldByName("Missing"), EDatabaseError);
    const TField& name = dataSet.FieldByName("Name");
    EXPECT_EQ(name.DataType(), ftString);
    EXPECT_EQ(name.Size(), 8);
    EXPECT_EQ(name.FieldNo(), 1);
    EXPECT_TRUE(name.Required());
}

TEST(TDataSet, EditAndPostChangeTheCurrentRecord)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    dataSet.Next();
    dataSet.Edit();
    EXPECT_EQ(dataSet.State(), dsEdit);
    dataSet.FieldByName("Value").SetAsString("20");
    EXPECT_TRUE(dataSet.Modified());
    dataSet.Post();
    EXPECT_EQ(dataSet.State(), dsBrowse);
    EXPECT_EQ(dataSet.Rows[1], (Row{"b", "20"}));
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "b");
}

TEST(TDataSet, CancelDiscardsTheChange)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    dataSet.Edit();
    dataSet.FieldByName("Value").SetAsString("changed");
    dataSet.Cancel();
    EXPECT_EQ(dataSet.FieldByName("Value").AsString(), "1");
    EXPECT_EQ(dataSet.Rows[0], (Row{"a", "1"}));

    dataSet.Next();
    dataSet.Append();
    dataSet.FieldByName("Name").SetAsString("new");
    dataSet.Cancel();
    EXPECT_EQ(dataSet.Rows.size(), 3u);
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "b") << "the record current before the append";
}

TEST(TDataSet, MovingAwayPostsAModifiedRecord)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    dataSet.Edit();
    dataSet.FieldByName("Value").SetAsString("10");
    dataSet.Next();
    EXPECT_EQ(dataSet.State(), dsBrowse);
    EXPECT_EQ(dataSet.Rows[0], (Row{"a", "10"}));
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "b");
}

TEST(TDataSet, AppendAddsAfterTheLastAndInsertBeforeTheCurrent)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    dataSet.Append();
    EXPECT_EQ(dataSet.State(), dsInsert);
    dataSet.FieldByName("Name").SetAsString("d");
    dataSet.Post();
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "d") << "the posted record becomes current";

    dataSet.First();
    dataSet.Next();
    dataSet.Insert();
    dataSet.FieldByName("Name").SetAsString("x");
    dataSet.Post();
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "x");
    EXPECT_EQ(Names(dataSet), (std::vector<std::string>{"a", "x", "b", "c", "d"}));
}

TEST(TDataSet, AppendRecordAndInsertRecordAddARecordInOneCall)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.OnNewRecord = [](TDataSet& d) { d.FieldByName("Value").SetAsString("new"); };
    dataSet.Open();
    dataSet.Next();
    dataSet.InsertRecord({"x", 9});
    EXPECT_EQ(dataSet.State(), dsBrowse);
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "x") << "the added record becomes current";
    dataSet.AppendRecord({"y"});
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "y");
    dataSet.AppendRecord({"z", jet::Variant::Null()});
    EXPECT_EQ(dataSet.Rows, (std::vector<Row>{{"a", "1"}, {"x", "9"}, {"b", "2"}, {"c", "3"}, {"y", "new"}, {"z", ""}}))
        << "a value not given keeps what the new record started with; a Null clears it";
}

TEST(TDataSet, AFailedAddLeavesTheDataSetWhereItStood)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    dataSet.Next();
    const struct {
        std::vector<jet::Variant> Values;
        const char* Message;
    } cases[] = {
        {{"x", "1", "2"}, "More values than the dataset has fields"},
        {{jet::Variant::Null(), "1"}, "Field 'Name' must have a value"},
    };
    for (const auto& c : cases) {
        for (bool append : {true, false}) {
            try {
                append ? dataSet.AppendRecord(c.Values) : dataSet.InsertRecord(c.Values);
                ADD_FAILURE() << "added";
            } catch (const EDatabaseError& error) {
                EXPECT_STREQ(error.what(), c.Message);
            }
            EXPECT_EQ(dataSet.State(), dsBrowse);
            EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "b");
        }
    }
    EXPECT_EQ(dataSet.Rows, ThreeRows());
    dataSet.Close();
    EXPECT_THROW(dataSet.AppendRecord({"d"}), EDatabaseError);
}

TEST(TDataSet, EditOnAnEmptyDataSetStartsAnInsert)
{
    MemoryDataSet dataSet;
    dataSet.Open();
    dataSet.Edit();
    EXPECT_EQ(dataSet.State(), dsInsert);
    dataSet.FieldByName("Name").SetAsString("only");
    dataSet.Post();
    EXPECT_EQ(dataSet.Rows, (std::vector<Row>{{"only", ""}}));
}

TEST(TDataSet, PostRefusesARequiredFieldWithoutValue)
{
    MemoryDataSet dataSet;
    dataSet.Open();
    dataSet.Append();
    dataSet.FieldByName("Value").SetAsString("v");
    EXPECT_THROW(dataSet.Post(), EDatabaseError);
    EXPECT_EQ(dataSet.State(), dsInsert);
    EXPECT_TRUE(dataSet.Rows.empty());
}

TEST(TDataSet, DeleteMovesToTheFollowingRecordOrToThePriorOneAtTheEnd)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    dataSet.Next();
    dataSet.Delete();
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "c");
    EXPECT_FALSE(dataSet.Eof());
    dataSet.Delete();
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "a");
    EXPECT_FALSE(dataSet.Eof());
    dataSet.Delete();
    EXPECT_TRUE(dataSet.IsEmpty());
    EXPECT_TRUE(dataSet.Eof());
    EXPECT_TRUE(dataSet.Rows.empty());
}

TEST(TDataSet, BeforeDeleteMayKeepTheRecordAndAfterDeleteSeesTheNextOne)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    std::vector<std::string> seen;
    dataSet.BeforeDelete = [&](TDataSet& d) {
        seen.push_back("before " + d.FieldByName("Name").AsString());
        if (d.FieldByName("Name").AsString() == "b")
            Abort();
    };
    dataSet.AfterDelete = [&](TDataSet& d) { seen.push_back("after " + d.FieldByName("Name").AsString()); };
    dataSet.Delete();
    EXPECT_THROW(dataSet.Delete(), EAbort);
    EXPECT_EQ(seen, (std::vector<std::string>{"before a", "after b", "before b"}));
    EXPECT_EQ(dataSet.Rows.size(), 2u);
}

// Without blob streams of its own, a dataset loads and saves a field's value
// as its text.
TEST(TDataSet, FieldsLoadAndSaveTheirTextWithoutBlobStreams)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    std::istringstream in("from a stream");
    EXPECT_THROW(dataSet.FieldByName("Value").LoadFromStream(in), EDatabaseError);
    dataSet.Edit();
    dataSet.FieldByName("Value").LoadFromStream(in);
    dataSet.Post();
    std::ostringstream out;
    dataSet.FieldByName("Value").SaveToStream(out);
    EXPECT_EQ(out.str(), "from a stream");
}

TEST(TDataSet, FieldsAreWrittenOnlyInEditOrInsertState)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    EXPECT_THROW(dataSet.FieldByName("Value").SetAsString("x"), EDatabaseError);
    EXPECT_THROW(dataSet.FieldByName("Value").Clear(), EDatabaseError);
}

TEST(TDataSet, StringFieldCutsALongTextAtACharacterBoundary)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    dataSet.Edit();
    TField& name = dataSet.FieldByName("Name"); // 8 bytes wide
    name.SetAsString("abcdefghij");
    EXPECT_EQ(name.AsString(), "abcdefgh");
    name.SetAsString("abcdef\xE4\xB8\xAD"); // abcdef中: the 3-byte character does not fit
    EXPECT_EQ(name.AsString(), "abcdef");
    name.Clear();
    EXPECT_TRUE(name.IsNull());
}

TEST(TDataSet, DeclaredFieldsKeepTheirOrderAndFindTheirDefinitions)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.AddField("Value", ftString);
    dataSet.AddField("Name", ftString);
    EXPECT_FALSE(dataSet.DefaultFields());
    dataSet.Open();
    ASSERT_EQ(dataSet.FieldCount(), 2);
    EXPECT_EQ(dataSet.Fields(0).FieldName(), "Value");
    EXPECT_EQ(dataSet.Fields(0).FieldNo(), 2);
    EXPECT_EQ(dataSet.Fields(0).AsString(), "1");
    EXPECT_EQ(dataSet.Fields(1).Size(), 8) << "the size comes from the definition";
    EXPECT_THROW(dataSet.AddField("More", ftString), EDatabaseError) << "not while open";
    dataSet.Close();
    EXPECT_EQ(dataSet.FieldCount(), 2) << "declared fields outlive the close";

    MemoryDataSet missing(ThreeRows());
    missing.AddField("Colour", ftString);
    EXPECT_EQ([&] {
        try {
            missing.Open();
        } catch (const EDatabaseError& error) {
            return std::string(error.what());
        }
        return std::string();
    }(), "Field 'Colour' not found");
    EXPECT_FALSE(missing.Active());

    MemoryDataSet mistyped(ThreeRows());
    mistyped.AddField("Name", ftInteger);
    EXPECT_THROW(mistyped.Open(), EDatabaseError);
}

TEST(TDataSet, CalculatedFieldsAreComputedForEveryRecordAndEveryChange)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.AddField("Name", ftString);
    dataSet.AddField("Value", ftString);
    TField& both = dataSet.AddField("Both", ftString, fkCalculated, 20);
    TField& number = dataSet.AddField("Twice", ftInteger, fkCalculated);
    dataSet.OnCalcFields = [&](TDataSet& d) {
        both.SetAsString(d.FieldByName("Name").AsString() + d.FieldByName("Value").AsString());
        if (!d.FieldByName("Value").IsNull())
            number.SetAsInteger(2 * d.FieldByName("Value").AsInteger());
    };
    dataSet.Open();
    std::vector<std::string> seen;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        seen.push_back(both.AsString() + "/" + std::to_string(number.AsInteger()));
    EXPECT_EQ(seen, (std::vector<std::string>{"a1/2", "b2/4", "c3/6"}));
    EXPECT_EQ(both.FieldNo(), 0);
    EXPECT_THROW(both.SetAsString("x"), EDatabaseError) << "only the calculation writes it";

    dataSet.Edit();
    dataSet.FieldByName("Value").SetAsString("9");
    EXPECT_EQ(both.AsString(), "c9") << "recomputed while the record is edited";
    EXPECT_EQ(number.AsInteger(), 18);
    dataSet.Append();
    EXPECT_TRUE(both.IsNull()) << "a new record starts without calculated values";
    dataSet.Cancel();
}

// People (name, city code) with a cached lookup field "City" that reads the
// city's name from `cities` (code, name).
TField& CachedCityLookup(MemoryDataSet& people, MemoryDataSet& cities)
{
    people.AddField("Name", ftString);
    people.AddField("Value", ftString);
    TField& city = people.AddField("City", ftString, fkLookup, 20);
    city.LookupDataSet = &cities;
    city.KeyFields = "Value";
    city.LookupKeyFields = "Name";
    city.LookupResultField = "Value";
    city.LookupCache = true;
    return city;
}

TEST(TDataSet, CachedLookupFieldsReadTheirValuesFromTheLookupList)
{
    MemoryDataSet cities({{"B", "Berlin"}, {"P", "Paris"}});
    cities.Open();
    MemoryDataSet people({{"ann", "P"}, {"bob", "B"}, {"cy", "X"}, {"dee", ""}});
    TField& city = CachedCityLookup(people, cities);
    city.RefreshLookupList();
    people.Open();
    std::vector<std::string> seen;
    for (people.First(); !people.Eof(); people.Next())
        seen.push_back(city.AsString());
    EXPECT_EQ(seen, (std::vector<std::string>{"Paris", "Berlin", "", ""}));
}

TEST(TDataSet, CachedLookupListsAreReadWhenTheDatasetOpens)
{
    MemoryDataSet cities({{"B", "Berlin"}, {"P", "Paris"}});
    cities.Open();
    MemoryDataSet people({{"ann", "P"}, {"bob", "B"}});
    TField& city = CachedCityLookup(people, cities);
    people.Open();
    EXPECT_EQ(city.AsString(), "Paris");
    cities.Rows[1][1] = "Pau";
    cities.Close();
    cities.Open();
    people.Next();
    people.Prior();
    EXPECT_EQ(city.AsString(), "Paris") << "the list stays as read until it is refreshed";
    city.RefreshLookupList();
    people.Next();
    people.Prior();
    EXPECT_EQ(city.AsString(), "Pau");
}

TEST(TDataSet, ANewRecordIsFilledByOnNewRecordAndStartsUnmodified)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.OnNewRecord = [](TDataSet& d) { d.FieldByName("Value").SetAsString("0"); };
    dataSet.Open();
    dataSet.Append();
    EXPECT_EQ(dataSet.FieldByName("Value").AsString(), "0");
    EXPECT_FALSE(dataSet.Modified());
    dataSet.FieldByName("Name").SetAsString("d");
    dataSet.Post();
    EXPECT_EQ(dataSet.Rows.back(), (Row{"d", "0"}));
}

TEST(TDataSet, FieldValuesGivesOneValueOrAnArray)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    EXPECT_EQ(dataSet.FieldValues("Name").AsString(), "a");
    const jet::Variant both = dataSet.FieldValues("Name; Value");
    ASSERT_TRUE(both.IsArray());
    EXPECT_EQ(both.Array()->Get({1}).AsString(), "1");
    EXPECT_THROW(dataSet.FieldValues("Name;Colour"), EDatabaseError);
    EXPECT_FALSE(dataSet.Locate("Name", "b", 0)) << "the base searches nothing";
    EXPECT_TRUE(dataSet.Lookup("Name", "b", "Value").IsNull());
    EXPECT_FALSE(dataSet.FindFirst());
}

TEST(TDataSet, AnExactResyncRaisesWhenTheRecordIsGone)
{
    MemoryDataSet dataSet(ThreeRows());
    dataSet.Open();
    dataSet.Last();
    dataSet.Rows.pop_back();
    EXPECT_THROW(dataSet.Resync(rmExact), EDatabaseError);
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "c") << "the record shown stays";
    dataSet.Resync();
    EXPECT_EQ(dataSet.FieldByName("Name").AsString(), "b");
}

} // namespace
