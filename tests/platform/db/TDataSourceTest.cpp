// Data sources and links: what a view on a dataset is told, and the master
// data link that a detail dataset follows its master with.
#include "platform/db/TDataSource.h"

#include "MemoryDataSet.h"

#include <gtest/gtest.h>

namespace {

using dbtest::MemoryDataSet;
using dbtest::Row;
using Events = std::vector<std::string>;

// Writes down what it is told.
class RecordingLink : public TDataLink {
public:
    Events Seen;

protected:
    void ActiveChanged() override { Seen.push_back(Active() ? "active" : "inactive"); }
    void RecordChanged(TField* field) override { Seen.push_back(field ? "field " + field->FieldName() : "record"); }
    void DataSetScrolled() override { Seen.push_back("scrolled"); }
    void CheckBrowseMode() override { Seen.push_back("check"); }
};

std::vector<Row> ThreeRows()
{
    return {{"a", "1"}, {"b", "2"}, {"c", "3"}};
}

TEST(TDataSource, ALinkIsToldWhatItsDataSetDoes)
{
    MemoryDataSet dataSet(ThreeRows());
    TDataSource source;
    source.SetDataSet(&dataSet);
    RecordingLink link;
    link.SetDataSource(&source);
    EXPECT_FALSE(link.Active());

    dataSet.Open();
    EXPECT_EQ(link.Seen, (Events{"active"}));
    link.Seen.clear();
    dataSet.Next();
    dataSet.MoveBy(1);
    dataSet.MoveBy(5);
    EXPECT_EQ(link.Seen, (Events{"check", "scrolled", "check", "scrolled", "check"})) << "nothing when nothing moved";
    link.Seen.clear();
    dataSet.Edit();
    dataSet.FieldByName("Value").SetAsString("x");
    EXPECT_EQ(link.Seen, (Events{"field Value"}));
    link.Seen.clear();
    source.SetEnabled(false);
    EXPECT_EQ(source.State(), dsInactive);
    dataSet.Post();
    source.SetEnabled(true);
    EXPECT_EQ(link.Seen, (Events{"inactive", "active"})) << "a disabled source passes nothing on";
    link.Seen.clear();
    dataSet.Close();
    EXPECT_EQ(link.Seen, (Events{"inactive"}));
}

TEST(TDataSource, DisabledControlsAreToldOnceWhenEnabledAgain)
{
    MemoryDataSet dataSet(ThreeRows());
    TDataSource source;
    source.SetDataSet(&dataSet);
    dataSet.Open();
    RecordingLink link;
    link.SetDataSource(&source);
    link.Seen.clear();
    dataSet.DisableControls();
    dataSet.DisableControls();
    dataSet.Next();
    dataSet.Next();
    dataSet.EnableControls();
    EXPECT_TRUE(link.Seen.empty());
    dataSet.EnableControls();
    EXPECT_EQ(link.Seen, (Events{"record"}));
}

TEST(TDataSource, LinksLetGoOfWhatGoesAway)
{
    RecordingLink link;
    {
        TDataSource source;
        {
            MemoryDataSet dataSet(ThreeRows());
            source.SetDataSet(&dataSet);
            link.SetDataSource(&source);
            dataSet.Open();
        }
        EXPECT_EQ(source.DataSet(), nullptr);
        EXPECT_FALSE(link.Active());
    }
    EXPECT_EQ(link.DataSource(), nullptr);
}

struct MasterAndDetail {
    MemoryDataSet Master{ThreeRows()};
    MemoryDataSet Detail{{{"x", "1"}}};
    TDataSource Source;
    Events Calls;
    TMasterDataLink Link{Detail, [this] { Calls.push_back("change"); }, [this] { Calls.push_back("disable"); }};

    MasterAndDetail()
    {
        Source.SetDataSet(&Master);
        Link.SetDataSource(&Source);
        Link.SetFieldNames("Name");
        Detail.Open();
    }
};

TEST(TMasterDataLink, TheDetailHearsOfMovesAndOfItsOwnFieldsOnly)
{
    MasterAndDetail m;
    m.Master.Open();
    ASSERT_EQ(m.Link.Fields().size(), 1u);
    EXPECT_EQ(m.Link.Fields()[0], m.Master.FindField("Name"));
    EXPECT_EQ(m.Calls, (Events{"change"}));
    m.Calls.clear();
    m.Master.Next();
    EXPECT_EQ(m.Calls, (Events{"change"}));
    m.Calls.clear();
    m.Master.Edit();
    m.Master.FieldByName("Value").SetAsString("v");
    EXPECT_TRUE(m.Calls.empty()) << "not a link field";
    m.Master.FieldByName("Name").SetAsString("n");
    EXPECT_EQ(m.Calls, (Events{"change"}));
    m.Master.Cancel();
    m.Calls.clear();
    m.Master.Close();
    EXPECT_EQ(m.Calls, (Events{"disable"}));
    EXPECT_TRUE(m.Link.Fields().empty());
}

TEST(TMasterDataLink, UnknownMasterFieldsAreRefused)
{
    MasterAndDetail m;
    m.Master.Open();
    EXPECT_THROW(m.Link.SetFieldNames("Name;Colour"), EDatabaseError);
    EXPECT_TRUE(m.Link.Fields().empty());
}

TEST(TMasterDataLink, TheMastersMovePostsTheDetailsPendingEdit)
{
    MasterAndDetail m;
    m.Master.Open();
    m.Detail.Edit();
    m.Detail.FieldByName("Value").SetAsString("2");
    m.Master.Next();
    EXPECT_EQ(m.Detail.State(), dsBrowse);
    EXPECT_EQ(m.Detail.Rows[0], (Row{"x", "2"}));
}

TEST(TDataSet, IsLinkedToFollowsTheMastersOfMasters)
{
    MemoryDataSet top, middle, bottom;
    TDataSource topSource, middleSource, bottomSource;
    topSource.SetDataSet(&top);
    middleSource.SetDataSet(&middle);
    bottomSource.SetDataSet(&bottom);
    middle.Master = &topSource;
    bottom.Master = &middleSource;
    EXPECT_TRUE(top.IsLinkedTo(&bottomSource)) << "top would close the loop bottom -> middle -> top";
    EXPECT_TRUE(top.IsLinkedTo(&topSource));
    EXPECT_FALSE(bottom.IsLinkedTo(&topSource));
    EXPECT_FALSE(top.IsLinkedTo(nullptr));
}

} // namespace
