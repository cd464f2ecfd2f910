// The dataset framework tested through a small dataset that keeps its rows
// in memory, so the public operations are checked apart from any storage.
#include "platform/db/TDataSet.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

namespace {

using Row = std::vector<std::string>;

class MemoryDataSet : public TDataSet {
public:
    explicit MemoryDataSet(std::vector<Row> rows = {})
        : Rows(std::move(rows))
    {
        FieldDefs().Add("Name", ftString, 8, true);
        FieldDefs().Add("Value", ftString, 20);
    }
    ~MemoryDataSet() override { Close(); }

    std::vector<Row> Rows;
    bool FailOpen = false;
    bool Closed = false; // InternalClose ran

protected:
    struct Record : TRecordBuffer {
        Row Values;
        int Index = -1;
    };

    void InternalOpen() override
    {
        if (FailOpen)
            throw EDatabaseError("storage not available");
        Opened = true;
        CreateFields();
    }
    void InternalClose() override
    {
        Opened = false;
        Closed = true;
    }
    bool IsCursorOpen() const override { return Opened; }
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override { return std::make_unique<Record>(); }
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override
    {
        const int count = static_cast<int>(Rows.size());
        if (mode == gmNext && ++Cursor >= count) {
            Cursor = count;
            return grEOF;
        }
        if (mode == gmPrior && --Cursor < 0) {
            Cursor = -1;
            return grBOF;
        }
        if (Cursor < 0)
            return grBOF;
        if (Cursor >= count)
            return grEOF;
        auto& record = static_cast<Record&>(buffer);
        record.Values = Rows[static_cast<std::size_t>(Cursor)];
        record.Index = Cursor;
        record.BookmarkFlag = bfCurrent;
        return grOK;
    }
    void InternalFirst() override { Cursor = -1; }
    void InternalLast() override { Cursor = static_cast<int>(Rows.size()); }
    void InternalSetToRecord(TRecordBuffer& buffer) override { Cursor = static_cast<Record&>(buffer).Index; }
    int GetRecordCount() override { return static_cast<int>(Rows.size()); }
    void InternalInitRecord(TRecordBuffer& buffer) override { static_cast<Record&>(buffer).Values = Row(2); }
    void InternalPost() override
    {
        auto& record = static_cast<Record&>(*GetActiveRecordBuffer());
        if (State() == dsEdit) {
            Rows[static_cast<std::size_t>(record.Index)] = record.Values;
            return;
        }
        if (record.BookmarkFlag == bfEOF)
            Cursor = static_cast<int>(Rows.size());
        Rows.insert(Rows.begin() + Cursor, record.Values);
    }
    void InternalDelete() override { Rows.erase(Rows.begin() + Cursor); }
    bool GetFieldData(const TField& field, std::string* value) override
    {
        TRecordBuffer* buffer = GetActiveRecordBuffer();
        if (!buffer)
            return false;
        const std::string& stored = static_cast<Record*>(buffer)->Values[std::size_t(field.FieldNo() - 1)];
        if (value)
            *value = stored;
        return !stored.empty();
    }
    void SetFieldData(TField& field, const std::string* value) override
    {
        static_cast<Record*>(GetActiveRecordBuffer())->Values[std::size_t(field.FieldNo() - 1)] = value ? *value : "";
    }

private:
    bool Opened = false;
    int Cursor = -1;
};

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

} // namespace
