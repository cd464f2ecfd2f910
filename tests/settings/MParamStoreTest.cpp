// The configuration store of the parameter store, through real files in
// Config/ of a temporary working directory.
#include "tests/settings/StoreFixture.h"
#include "tests/support/FileSizeLimit.h"

#include <QDate>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>

namespace {

using Row = std::vector<std::string>;

const std::string kFile = "Config/Config.xml";

std::string Packet(const std::vector<Row>& rows)
{
    std::string packet = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                         R"(<DATAPACKET Version="2.0"><METADATA><FIELDS>)"
                         R"(<FIELD attrname="ConfigName" fieldtype="string" WIDTH="50"/>)"
                         R"(<FIELD attrname="OptionName" fieldtype="string" WIDTH="50"/>)"
                         R"(<FIELD attrname="OptionValue" fieldtype="string" WIDTH="100"/>)"
                         R"(</FIELDS><PARAMS/></METADATA><ROWDATA>)";
    for (const Row& row : rows)
        packet += "<ROW ConfigName=\"" + row[0] + "\" OptionName=\"" + row[1] + "\" OptionValue=\"" + row[2] + "\"/>";
    return packet + "</ROWDATA></DATAPACKET>";
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The records of a packet file, read by a dataset of their own.
std::vector<Row> StoredRows(const std::string& path = kFile)
{
    TClientDataSet dataSet;
    dataSet.SetFileName(path);
    dataSet.Open();
    std::vector<Row> rows;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        rows.push_back({dataSet.FieldByName("ConfigName").AsString(), dataSet.FieldByName("OptionName").AsString(),
                        dataSet.FieldByName("OptionValue").AsString()});
    return rows;
}

// A table whose records holding the text "unreadable" raise when read.
class UnreadableRecordTable : public TClientDataSet {
protected:
    bool GetFieldData(const TField& field, std::string* value) override
    {
        const bool hasValue = TClientDataSet::GetFieldData(field, value);
        if (value && *value == "unreadable")
            throw EDatabaseError("The record cannot be read");
        return hasValue;
    }
};

// The XML file on its own: without the main data module it is the only
// backend, so a folder without it gets it fresh.
class MParamStoreTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        delete DMMain;
        DMMain = nullptr;
    }
};

// The XML file beside the main data module's backends.
using MParamStoreBesideTheDatabasesTest = StoreFixture;

TEST_F(MParamStoreTest, WithoutConfigFolderTheStoreDoesNotOpen)
{
    QDir("Config").removeRecursively();
    EXPECT_FALSE(Param().Open());
    EXPECT_EQ(Param().GetActiveWidth(), 3);
    Param().SetText(OPT_PRINT_NAME, "Sample", true);
    EXPECT_FALSE(Param().WriteOption("1103", "Sample", "DEFAULT"));
    EXPECT_FALSE(Param().SaveAll());
    EXPECT_FALSE(Param().LoadRulers());
    Param().Close();
    EXPECT_FALSE(QDir("Config").exists());
}

TEST_F(MParamStoreTest, MissingFileIsCreatedEmptyInTheConfigFolder)
{
    EXPECT_TRUE(Param().Open());
    EXPECT_EQ(ReadFile(kFile), R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                               R"(<DATAPACKET Version="2.0"><METADATA><FIELDS>)"
                               R"(<FIELD attrname="ConfigName" fieldtype="string" WIDTH="50"/>)"
                               R"(<FIELD attrname="OptionName" fieldtype="string" WIDTH="50"/>)"
                               R"(<FIELD attrname="OptionValue" fieldtype="string" WIDTH="100"/>)"
                               R"(</FIELDS><PARAMS/></METADATA><ROWDATA/></DATAPACKET>)");
    EXPECT_FALSE(Param().Open()) << "an open store is not opened again";
}

TEST_F(MParamStoreTest, OpenLoadsStoredSettingsAndKeepsDefaultsForEmptyValues)
{
    WriteFile(kFile, Packet({{"DEFAULT", "551", ""},
                             {"DEFAULT", "201", "5"},
                             {"default", "102", "255"},
                             {"DEFAULT", "1104", "Zhang"},
                             {"RULERVALUEHORI", "101", "7"}}));
    ASSERT_TRUE(Param().Open());
    int language = 0;
    Param().GetInt(OPT_LANGUAGE, language);
    EXPECT_EQ(language, 2);
    EXPECT_EQ(Param().GetActiveWidth(), 5);
    EXPECT_EQ(Text(OPT_PRINT_AUTHOR), "Zhang");
    EXPECT_EQ(Text(OPT_COLOR_NORMAL), "16777215") << "ConfigName is compared with its case";
    EXPECT_EQ(Text(OPT_COLOR_DESIGN), "16777215") << "ruler records are not settings";
}

TEST_F(MParamStoreTest, FirstMatchingRecordWins)
{
    WriteFile(kFile, Packet({{"DEFAULT", "201", "2"}, {"DEFAULT", "201", "5"}}));
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().GetActiveWidth(), 2);
    EXPECT_EQ(Param().ReadOption("201", "DEFAULT"), "2");
    EXPECT_TRUE(Param().WriteOption("201", "7", "DEFAULT"));
    EXPECT_EQ(StoredRows(), (std::vector<Row>{{"DEFAULT", "201", "7"}, {"DEFAULT", "201", "5"}}));
}

TEST_F(MParamStoreTest, WriteOptionAppendsARecordThatReadOptionFinds)
{
    ASSERT_TRUE(Param().Open());
    EXPECT_TRUE(Param().WriteOption("A", "1.5", "RULERVALUE"));
    EXPECT_EQ(Param().ReadOption("A", "RULERVALUE"), "1.5");
    EXPECT_EQ(Param().ReadOption("A", "RULERUNIT"), "");
    EXPECT_EQ(StoredRows(), (std::vector<Row>{{"RULERVALUE", "A", "1.5"}}));
}

TEST_F(MParamStoreTest, SettersWithSaveWriteTheRecordAtOnce)
{
    ASSERT_TRUE(Param().Open());
    Param().SetBool(OPT_VIEW_MARK, false, true);
    Param().SetInt(OPT_ACTIVE_WIDTH, 9, false);
    EXPECT_EQ(Text(OPT_VIEW_MARK), "0");
    EXPECT_EQ(StoredRows(), (std::vector<Row>{{"DEFAULT", "404", "0"}}));
}

TEST_F(MParamStoreTest, SetScaleWritesOnlyWhileTheCalibrationIsKept)
{
    ASSERT_TRUE(Param().Open());
    Param().SetScale(2.0);
    EXPECT_EQ(Param().GetScale(), 2.0);
    EXPECT_TRUE(StoredRows().empty());

    Param().SetBool(OPT_RULE_LOAD_SAVED, true, false);
    Param().SetScale(2.5);
    EXPECT_EQ(StoredRows(), (std::vector<Row>{{"DEFAULT", "702", "2.5"}}));
}

TEST_F(MParamStoreTest, SaveAllOnAFreshStoreWritesEveryNonEmptyOption)
{
    ASSERT_TRUE(Param().Open());
    EXPECT_FALSE(Param().SaveAll());
    const std::vector<Row> rows = StoredRows();
    ASSERT_EQ(rows.size(), 70u);
    EXPECT_EQ(rows.front(), (Row{"DEFAULT", "101", "16777215"}));
    EXPECT_EQ(rows.back(), (Row{"DEFAULT", "1201", "1"}));
    for (const Row& row : rows)
        EXPECT_NE(row[1], "703") << "an empty option is not written";
}

TEST_F(MParamStoreTest, UnknownIdTakesPartInSaveAll)
{
    ASSERT_TRUE(Param().Open());
    int value = -1;
    Param().GetInt(999, value);
    Param().SetText(999, "x", false);
    Param().SaveAll();
    const std::vector<Row> rows = StoredRows();
    const auto written = std::find(rows.begin(), rows.end(), Row{"DEFAULT", "999", "x"});
    ASSERT_NE(written, rows.end());
    EXPECT_EQ(*std::prev(written), (Row{"DEFAULT", "903", "1"})) << "written in ascending id order";
}

TEST_F(MParamStoreTest, ClearedValueStaysClearedAfterARestart)
{
    ASSERT_TRUE(Param().Open());
    Param().SetText(OPT_PRINT_AUTHOR, "Zhang", true);
    Param().SetText(OPT_PRINT_AUTHOR, "", true);
    EXPECT_FALSE(Param().WriteOption("1103", "", "DEFAULT")) << "nothing to clear, nothing appended";
    EXPECT_EQ(StoredRows(), (std::vector<Row>{{"DEFAULT", "1104", ""}}));
    Restart();
    EXPECT_EQ(Text(OPT_PRINT_AUTHOR), "");
}

TEST_F(MParamStoreTest, SettingsAndRulersSurviveARestart)
{
    ASSERT_TRUE(Param().Open());
    Param().SetText(OPT_RULE_UNIT, "mm", true);
    Param().SetRuler("A", MRulerItem{"1.5", "2.5", "mm", "um"});
    EXPECT_TRUE(Param().SaveRulers());
    EXPECT_EQ(StoredRows(), (std::vector<Row>{{"DEFAULT", "703", "mm"},
                                              {"RULERVALUEHORI", "A", "1.5"},
                                              {"RULERVALUEVERT", "A", "2.5"},
                                              {"RULERUNITHORI", "A", "mm"},
                                              {"RULERUNITVERT", "A", "um"}}));
    Restart();
    EXPECT_TRUE(Param().LoadRulers());
    EXPECT_EQ(Text(OPT_RULE_UNIT), "mm");
    EXPECT_EQ(Param().GetRulerNames(), (std::vector<std::string>{"A"}));
    EXPECT_EQ(Param().GetRuler("A"), (MRulerItem{"1.5", "2.5", "mm", "um"}));
}

TEST_F(MParamStoreTest, RulerWithAnEmptyTextIsSavedInPartAndReported)
{
    ASSERT_TRUE(Param().Open());
    Param().SetRuler("B", MRulerItem{"1", "2", "mm", ""});
    EXPECT_FALSE(Param().SaveRulers());
    EXPECT_EQ(StoredRows().size(), 3u);
}

TEST_F(MParamStoreTest, SingleRulerRecordsAreLoadedAndWrittenBack)
{
    WriteFile(kFile, Packet({{"RULERVALUE", "Old", "3"}, {"RULERUNIT", "Old", "mil"}, {"RULERVALUE", "Old", "4"}}));
    ASSERT_TRUE(Param().Open());
    EXPECT_TRUE(Param().LoadRulers());
    EXPECT_TRUE(Param().GetRulerNames().empty()) << "single rulers are not listed";
    EXPECT_TRUE(Param().SaveRulers());
    EXPECT_EQ(StoredRows(), (std::vector<Row>{{"RULERVALUE", "Old", "4"}, {"RULERUNIT", "Old", "mil"},
                                              {"RULERVALUE", "Old", "4"}}))
        << "the later record wins on load and the first is written";
}

TEST_F(MParamStoreTest, DeleteRulerRemovesEveryRecordOfThatRulerOnly)
{
    WriteFile(kFile, Packet({{"RULERVALUEHORI", "A", "1"},
                             {"DEFAULT", "A", "setting"},
                             {"RULERVALUEHORI", "B", "2"},
                             {"RULERVALUE", "A", "3"},
                             {"RULERUNITHORI", "A", "mm"},
                             {"RULERUNITVERT", "A", "um"}}));
    ASSERT_TRUE(Param().Open());
    ASSERT_TRUE(Param().LoadRulers());
    EXPECT_TRUE(Param().DeleteRuler("A"));
    EXPECT_EQ(StoredRows(), (std::vector<Row>{{"DEFAULT", "A", "setting"}, {"RULERVALUEHORI", "B", "2"}}));
    EXPECT_EQ(Param().GetRulerNames(), (std::vector<std::string>{"B"}));
}

TEST_F(MParamStoreTest, DeleteRulerKnownOnlyToTheFileDeletesItsRecordsAndAnswersFalse)
{
    WriteFile(kFile, Packet({{"RULERVALUEHORI", "C", "1"}, {"RULERUNITHORI", "C", "mm"}}));
    ASSERT_TRUE(Param().Open());
    EXPECT_FALSE(Param().DeleteRuler("C"));
    EXPECT_TRUE(StoredRows().empty());
}

TEST_F(MParamStoreTest, UnknownRulerIsAddedEmpty)
{
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().GetRuler("New"), MRulerItem{});
    EXPECT_EQ(Param().GetRulerNames(), (std::vector<std::string>{"New"}));
    EXPECT_TRUE(Param().SetRuler("Alpha", MRulerItem{"1", "1", "mm", "mm"}));
    EXPECT_EQ(Param().GetRulerNames(), (std::vector<std::string>{"Alpha", "New"}));
}

TEST_F(MParamStoreTest, ReadsAFileWrittenByTheOldPlatform)
{
    WriteFile(kFile, "<?xml version=\"1.0\" encoding=\"GB2312\" standalone=\"yes\"?>"
                     "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                     "<FIELD attrname=\"ConfigName\" fieldtype=\"string\" WIDTH=\"50\"/>"
                     "<FIELD attrname=\"OptionName\" fieldtype=\"string\" WIDTH=\"50\"/>"
                     "<FIELD attrname=\"OptionValue\" fieldtype=\"string\" WIDTH=\"100\"/>"
                     "</FIELDS><PARAMS CHANGE_LOG=\"1 0 4 2 0 4\"/></METADATA><ROWDATA>"
                     "<ROW RowState=\"4\" ConfigName=\"DEFAULT\" OptionName=\"1104\" OptionValue=\"\xD5\xC5\xC8\xFD\"/>"
                     "<ROW RowState=\"4\" ConfigName=\"DEFAULT\" OptionName=\"551\" OptionValue=\"1\"/>"
                     "</ROWDATA></DATAPACKET>");
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Text(OPT_PRINT_AUTHOR), "\xE5\xBC\xA0\xE4\xB8\x89"); // 张三
    int language = 0;
    Param().GetInt(OPT_LANGUAGE, language);
    EXPECT_EQ(language, 1);
}

TEST_F(MParamStoreTest, UnreadableFileIsKeptAsideAndAFreshStoreStarts)
{
    const std::string corrupt = Packet({{"DEFAULT", "201", "5"}}).substr(0, 300);
    WriteFile(kFile, corrupt);
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().GetActiveWidth(), 3) << "the fresh store holds the defaults";

    const QStringList kept = QDir("Config").entryList({"Config-*.xml"});
    ASSERT_EQ(kept.size(), 1);
    const std::string keptFile = "Config/" + kept.front().toStdString();
    EXPECT_TRUE(kept.front().startsWith("Config-" + QDate::currentDate().toString("yyyy-MM-dd")));
    EXPECT_EQ(ReadFile(keptFile), corrupt) << "the unreadable file is kept as it was";
    EXPECT_EQ(Param().StoreNote(), kFile + " -> " + keptFile);

    Param().SetInt(OPT_ACTIVE_WIDTH, 6, true);
    EXPECT_EQ(StoredRows(), (std::vector<Row>{{"DEFAULT", "201", "6"}})) << "settings are saved again";
    Restart();
    EXPECT_EQ(Param().GetActiveWidth(), 6);
    EXPECT_EQ(Param().StoreNote(), "");
    EXPECT_EQ(ReadFile(keptFile), corrupt);
}

TEST_F(MParamStoreBesideTheDatabasesTest, UnreadableFileStaysWhereItIsWhileAServerDatabaseMayServe)
{
    const std::string corrupt = "<DATAPACKET";
    WriteFile(kFile, corrupt);
    WriteFile("Config/Config.fdb", "not a database yet");
    EXPECT_FALSE(Param().Open());
    EXPECT_EQ(ReadFile(kFile), corrupt);
    EXPECT_EQ(QDir("Config").entryList(QDir::Files).size(), 2);
    EXPECT_EQ(ReadFile("Config/Config.fdb"), "not a database yet");
}

TEST_F(MParamStoreTest, FailedWriteIsReportedAndKeepsTheOldFile)
{
    WriteFile(kFile, Packet({{"DEFAULT", "201", "5"}}));
    ASSERT_TRUE(Param().Open());
    const std::string before = ReadFile(kFile);
    {
        FileSizeLimit limit(before.size() + 20);
        EXPECT_FALSE(Param().WriteOption("1104", std::string(90, 'x'), "DEFAULT"));
    }
    EXPECT_EQ(ReadFile(kFile), before);
    EXPECT_TRUE(Param().WriteOption("201", "6", "DEFAULT")) << "the store goes on once the disk has room";
    EXPECT_EQ(StoredRows(), (std::vector<Row>{{"DEFAULT", "201", "6"}, {"DEFAULT", "1104", std::string(90, 'x')}}));
}

TEST_F(MParamStoreTest, LongValueIsCutToTheFieldWidthAtACharacterBoundary)
{
    ASSERT_TRUE(Param().Open());
    std::string chinese; // 34 characters of three bytes: 102 bytes
    for (int i = 0; i < 34; ++i)
        chinese += "\xE4\xB8\xAD";
    EXPECT_TRUE(Param().WriteOption("1104", chinese, "DEFAULT"));
    EXPECT_EQ(Param().ReadOption("1104", "DEFAULT"), chinese.substr(0, 99));
}

TEST_F(MParamStoreTest, MissingFieldEndsEveryRecordOperation)
{
    WriteFile(kFile, R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                     R"(<DATAPACKET Version="2.0"><METADATA><FIELDS>)"
                     R"(<FIELD attrname="ConfigName" fieldtype="string" WIDTH="50"/>)"
                     R"(<FIELD attrname="OptionValue" fieldtype="string" WIDTH="100"/>)"
                     R"(</FIELDS><PARAMS/></METADATA><ROWDATA>)"
                     R"(<ROW ConfigName="RULERVALUEHORI" OptionValue="1"/></ROWDATA></DATAPACKET>)");
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().ReadOption("201", "DEFAULT"), "");
    EXPECT_FALSE(Param().WriteOption("201", "4", "DEFAULT"));
    EXPECT_FALSE(Param().LoadRulers());
    EXPECT_FALSE(Param().DeleteRuler("A"));
}

TEST_F(MParamStoreTest, WriteThatCannotStoreTheValueReturnsFalseAndChangesNothing)
{
    const std::string packet = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                               R"(<DATAPACKET Version="2.0"><METADATA><FIELDS>)"
                               R"(<FIELD attrname="ConfigName" fieldtype="string" WIDTH="50"/>)"
                               R"(<FIELD attrname="OptionName" fieldtype="string" WIDTH="50"/>)"
                               R"(</FIELDS><PARAMS/></METADATA><ROWDATA>)"
                               R"(<ROW ConfigName="DEFAULT" OptionName="201"/></ROWDATA></DATAPACKET>)";
    WriteFile(kFile, packet);
    ASSERT_TRUE(Param().Open());
    EXPECT_FALSE(Param().WriteOption("201", "4", "DEFAULT")) << "a record found, but no value to set";
    EXPECT_FALSE(Param().WriteOption("1104", "Zhang", "DEFAULT")) << "no record to append";
    Param().Close();
    EXPECT_EQ(ReadFile(kFile), packet);
}

TEST_F(MParamStoreTest, UnreadableRecordAtOpenKeepsThatOptionsDefault)
{
    WriteFile(kFile, Packet({{"DEFAULT", "201", "5"}, {"DEFAULT", "551", "unreadable"}, {"DEFAULT", "1104", "Zhang"}}));
    auto table = std::make_unique<UnreadableRecordTable>();
    table->SetFileName(kFile);
    DataModuleOptions->DataSetOptions = std::move(table);
    ASSERT_TRUE(Param().Open());
    int language = 0;
    Param().GetInt(OPT_LANGUAGE, language);
    EXPECT_EQ(language, 2);
    EXPECT_EQ(Param().GetActiveWidth(), 5);
    EXPECT_EQ(Text(OPT_PRINT_AUTHOR), "Zhang");
}

TEST_F(MParamStoreTest, StoredIntegersAreBroughtIntoTheRangeTheirReadersTake)
{
    struct Case {
        int Id;
        int Min;
        int Max;
    };
    // Every option read as an integer; switches, the language and the
    // reserved options take any int.
    const Case cases[] = {
        {OPT_COLOR_DESIGN, 0, 0xFFFFFF},       {OPT_COLOR_NORMAL, 0, 0xFFFFFF},
        {OPT_COLOR_ACTIVE, 0, 0xFFFFFF},       {OPT_COLOR_BRUSH, 0, 0xFFFFFF},
        {OPT_COLOR_MARK, 0, 0xFFFFFF},         {OPT_COLOR_MARK_FONT, 0, 0xFFFFFF},
        {OPT_COLOR_MARK_BG, 0, 0xFFFFFF},      {OPT_MARK_BG, INT_MIN, INT_MAX},
        {OPT_ACTIVE_WIDTH, 0, 100},            {OPT_GRAB_FORMAT, 0, INT_MAX},
        {OPT_GRAB_STRETCH, 0, 1},              {OPT_GRAB_CROSS, 0, 1},
        {OPT_GRAB_CROSS_COLOR, 0, 0xFFFFFF},   {OPT_GRAB_SAVE_SHAPES, INT_MIN, INT_MAX},
        {OPT_GRAB_USER_SIZE, INT_MIN, INT_MAX}, {OPT_GRAB_WIDTH, 1, 5000},
        {OPT_GRAB_HEIGHT, 1, 5000},            {OPT_VIEW_TOOL, INT_MIN, INT_MAX},
        {OPT_VIEW_ZOOM, INT_MIN, INT_MAX},     {OPT_POS_VALUE, -99999999, 99999999},
        {OPT_POS_MAIN, -99999999, 99999999},   {OPT_SIZE_VALUE, 0, 99999999},
        {OPT_SIZE_MAIN, 0, 99999999},          {OPT_POS_TOOLBAR_TOOL, -99999999, 99999999},
        {OPT_POS_TOOLBAR_RELATION, -99999999, 99999999}, {OPT_POS_ZOOM, -99999999, 99999999},
        {OPT_POS_TOOLBAR_SHAPE, -99999999, 99999999}, {OPT_POS_TOOLBAR_EDIT, -99999999, 99999999},
        {OPT_POS_RULE_HORI_VERT, -99999999, 99999999}, {OPT_POS_DIGIT, -99999999, 99999999},
        {OPT_LANGUAGE, INT_MIN, INT_MAX},      {OPT_UNUSED_552, INT_MIN, INT_MAX},
        {OPT_UNUSED_553, INT_MIN, INT_MAX},    {OPT_DRAG_DRAW, INT_MIN, INT_MAX},
        {OPT_MARK_NEW_SHAPE, INT_MIN, INT_MAX}, {OPT_RULE_LOAD_SAVED, INT_MIN, INT_MAX},
        {OPT_RULE_USER, INT_MIN, INT_MAX},     {OPT_RULE_MAG, INT_MIN, INT_MAX},
        {OPT_UNUSED_708, INT_MIN, INT_MAX},    {OPT_DECIMAL_LENGTH, INT_MIN, INT_MAX},
        {OPT_MARK_FONT, INT_MIN, INT_MAX},     {OPT_MARK_FONT_CHARSET, INT_MIN, INT_MAX},
        {OPT_MARK_FONT_HEIGHT, -100, 100},     {OPT_MARK_FONT_SIZE, 0, 16},
        {OPT_LINE_VERT, INT_MIN, INT_MAX},     {OPT_LINE_VERT_WIDTH, 0, 99999},
        {OPT_LINE_VERT_DOT, INT_MIN, INT_MAX}, {OPT_UNUSED_1001, INT_MIN, INT_MAX},
        {OPT_UNUSED_1005, INT_MIN, INT_MAX},   {OPT_PRINT_INFO, INT_MIN, INT_MAX},
        {OPT_EXIT_CONFIRM, INT_MIN, INT_MAX},
    };
    const struct {
        const char* Text;
        bool High;
    } limits[] = {{"2147483647", true}, {"-2147483648", false}, {"99999999999", true}, {"-99999999999", false}};
    for (const auto& limit : limits) {
        std::vector<Row> rows;
        for (const Case& c : cases)
            rows.push_back({"DEFAULT", std::to_string(c.Id), limit.Text});
        WriteFile(kFile, Packet(rows));
        MParam::ResetForTesting();
        ASSERT_TRUE(Param().Open()) << limit.Text;
        for (const Case& c : cases) {
            int value = 0;
            Param().GetInt(c.Id, value);
            EXPECT_EQ(value, limit.High ? c.Max : c.Min) << "option " << c.Id << " stored as " << limit.Text;
        }
        Param().Close();
    }
}

} // namespace
