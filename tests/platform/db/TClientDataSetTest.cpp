#include "platform/db/TClientDataSet.h"

#include <QDir>
#include <QTemporaryDir>
#include "tests/support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

const std::string kDeclaration = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)";
const std::string kFields = R"(<METADATA><FIELDS>)"
                            R"(<FIELD attrname="ConfigName" fieldtype="string" WIDTH="50"/>)"
                            R"(<FIELD attrname="OptionName" fieldtype="string" WIDTH="50"/>)"
                            R"(<FIELD attrname="OptionValue" fieldtype="string" WIDTH="100"/>)"
                            R"(</FIELDS><PARAMS/></METADATA>)";

std::string Packet(const std::string& rows)
{
    return kDeclaration + R"(<DATAPACKET Version="2.0">)" + kFields
        + (rows.empty() ? "<ROWDATA/>" : "<ROWDATA>" + rows + "</ROWDATA>") + "</DATAPACKET>";
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

using Row = std::vector<std::string>;

std::vector<Row> AllRows(TDataSet& dataSet)
{
    std::vector<Row> rows;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        Row row;
        for (int i = 0; i < dataSet.FieldCount(); ++i)
            row.push_back(dataSet.Fields(i).AsString());
        rows.push_back(row);
    }
    return rows;
}

class TClientDataSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        Path = Folder.filePath("Config.xml").toStdString();
        DataSet.SetFileName(Path);
    }

    void AddConfigFieldDefs()
    {
        DataSet.FieldDefs().Add("ConfigName", ftString, 50);
        DataSet.FieldDefs().Add("OptionName", ftString, 50);
        DataSet.FieldDefs().Add("OptionValue", ftString, 100);
    }

    void AppendRecord(const Row& row)
    {
        DataSet.Append();
        for (int i = 0; i < DataSet.FieldCount(); ++i)
            DataSet.Fields(i).SetAsString(row[static_cast<std::size_t>(i)]);
        DataSet.Post();
    }

    QTemporaryDir Folder;
    std::string Path;
    TClientDataSet DataSet;
};

TEST_F(TClientDataSetTest, ReadsFieldsAndRowsOfADataPacket)
{
    WriteFile(Path, Packet(R"(<ROW ConfigName="DEFAULT" OptionName="101" OptionValue="255"/>)"
                           R"(<ROW ConfigName="RULERVALUEHORI" OptionName="A" OptionValue="1.5"/>)"));
    DataSet.Open();
    ASSERT_EQ(DataSet.FieldCount(), 3);
    EXPECT_EQ(DataSet.Fields(2).FieldName(), "OptionValue");
    EXPECT_EQ(DataSet.Fields(2).Size(), 100);
    EXPECT_EQ(DataSet.Fields(2).DataType(), ftString);
    EXPECT_EQ(DataSet.RecordCount(), 2);
    EXPECT_EQ(AllRows(DataSet), (std::vector<Row>{{"DEFAULT", "101", "255"}, {"RULERVALUEHORI", "A", "1.5"}}));
}

TEST_F(TClientDataSetTest, WritesTheDataPacketAfterEveryPostAndDelete)
{
    WriteFile(Path, Packet(""));
    DataSet.Open();
    AppendRecord({"DEFAULT", "101", "255"});
    EXPECT_EQ(ReadFile(Path), Packet(R"(<ROW ConfigName="DEFAULT" OptionName="101" OptionValue="255"/>)"));

    AppendRecord({"DEFAULT", "102", ""});
    EXPECT_EQ(ReadFile(Path), Packet(R"(<ROW ConfigName="DEFAULT" OptionName="101" OptionValue="255"/>)"
                                     R"(<ROW ConfigName="DEFAULT" OptionName="102"/>)"))
        << "an empty field is left out of its row";

    DataSet.First();
    DataSet.Delete();
    EXPECT_EQ(ReadFile(Path), Packet(R"(<ROW ConfigName="DEFAULT" OptionName="102"/>)"));
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files).size(), 1) << "no temporary file is left";
}

TEST_F(TClientDataSetTest, TextsSurviveAWriteAndARead)
{
    WriteFile(Path, Packet(""));
    DataSet.Open();
    const std::string awkward = "a \"quoted\" <tag> & 'apostrophe'\nsecond line\t\xE5\xBC\xA0\xE4\xB8\x89";
    AppendRecord({"DEFAULT", "1104", awkward});
    DataSet.Close();

    DataSet.Open();
    EXPECT_EQ(AllRows(DataSet), (std::vector<Row>{{"DEFAULT", "1104", awkward}}));
}

TEST_F(TClientDataSetTest, ReadsAFileInTheOldPlatformsShape)
{
    // GBK text, a change log (row 3 changes row 1, row 5 deletes row 4),
    // unknown attributes and a row without OptionValue.
    WriteFile(Path,
              R"(<?xml version="1.0" encoding="GB2312" standalone="yes"?>)"
              R"(<DATAPACKET Version="2.0"><METADATA><FIELDS>)"
              R"(<FIELD attrname="ConfigName" fieldtype="string" WIDTH="50"/>)"
              R"(<FIELD attrname="OptionName" fieldtype="string" WIDTH="50"/>)"
              R"(<FIELD attrname="OptionValue" fieldtype="string" WIDTH="100"/>)"
              R"(</FIELDS><PARAMS CHANGE_LOG="3 1 8 5 4 2" LCID="2052"/></METADATA><ROWDATA>)"
              R"(<ROW RowState="1" ConfigName="DEFAULT" OptionName="551" OptionValue="2"/>)"
              "<ROW RowState=\"4\" ConfigName=\"DEFAULT\" OptionName=\"1104\" OptionValue=\"\xD5\xC5\xC8\xFD\" Note=\"x\"/>"
              R"(<ROW RowState="8" OptionValue="1"/>)"
              R"(<ROW ConfigName="DEFAULT" OptionName="201" OptionValue="9"/>)"
              R"(<ROW RowState="2"/>)"
              R"(<ROW ConfigName="DEFAULT" OptionName="703"/>)"
              R"(</ROWDATA></DATAPACKET>)");
    DataSet.Open();
    EXPECT_EQ(AllRows(DataSet), (std::vector<Row>{{"DEFAULT", "551", "1"},
                                                  {"DEFAULT", "1104", "\xE5\xBC\xA0\xE4\xB8\x89"},
                                                  {"DEFAULT", "703", ""}}));
    DataSet.First();
    DataSet.Edit();
    DataSet.FieldByName("OptionValue").SetAsString("2");
    DataSet.Post();
    EXPECT_EQ(ReadFile(Path), Packet(R"(<ROW ConfigName="DEFAULT" OptionName="551" OptionValue="2"/>)"
                                     "<ROW ConfigName=\"DEFAULT\" OptionName=\"1104\" OptionValue=\"\xE5\xBC\xA0\xE4\xB8\x89\"/>"
                                     R"(<ROW ConfigName="DEFAULT" OptionName="703"/>)"))
        << "written back as plain rows in UTF-8";
}

TEST_F(TClientDataSetTest, UnreadableFileLeavesTheDataSetClosedAndTheFileUntouched)
{
    const std::string cases[] = {
        Packet(R"(<ROW ConfigName="DEFAULT")"),                       // cut off mid-row
        Packet("").substr(0, 120),                                    // truncated
        "not a data packet at all",                                   //
        kDeclaration + "<DATAPACKET Version=\"2.0\"><ROWDATA/></DATAPACKET>", // no field list
        Packet("<ROW ConfigName=\"\xD6\"/>"),                         // neither UTF-8 nor GBK
        "",                                                           // empty file
    };
    for (const std::string& bytes : cases) {
        WriteFile(Path, bytes);
        EXPECT_THROW(DataSet.Open(), EDatabaseError) << bytes;
        EXPECT_FALSE(DataSet.Active());
        DataSet.Close();
        EXPECT_EQ(ReadFile(Path), bytes);
    }
}

TEST_F(TClientDataSetTest, MissingFileFailsToOpenUnlessItMayBeCreated)
{
    AddConfigFieldDefs();
    EXPECT_THROW(DataSet.Open(), EDatabaseError);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path)));

    DataSet.SetCreateMissingFile(true);
    DataSet.Open();
    EXPECT_TRUE(DataSet.IsEmpty());
    EXPECT_EQ(ReadFile(Path), Packet(""));
}

TEST_F(TClientDataSetTest, MissingFolderIsNotCreated)
{
    AddConfigFieldDefs();
    DataSet.SetCreateMissingFile(true);
    DataSet.SetFileName(Folder.filePath("Config/Config.xml").toStdString());
    EXPECT_THROW(DataSet.Open(), EDatabaseError);
    EXPECT_FALSE(QDir(Folder.filePath("Config")).exists());
}

TEST_F(TClientDataSetTest, AcceptsBackslashesInTheFileName)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(Folder.path());
    QDir().mkdir("Config");
    WriteFile("Config/Config.xml", Packet(R"(<ROW ConfigName="DEFAULT" OptionName="101" OptionValue="1"/>)"));
    DataSet.SetFileName(".\\Config\\Config.xml");
    EXPECT_NO_THROW(DataSet.Open());
    EXPECT_EQ(DataSet.RecordCount(), 1);
    DataSet.Close();
    QDir::setCurrent(previous);
}

TEST_F(TClientDataSetTest, FailedWriteIsReportedAndKeepsTheOldFile)
{
    const std::string original = Packet(R"(<ROW ConfigName="DEFAULT" OptionName="101" OptionValue="1"/>)");
    WriteFile(Path, original);
    DataSet.Open();
    {
        FileSizeLimit limit(original.size() + 10);
        DataSet.Append();
        DataSet.FieldByName("ConfigName").SetAsString("DEFAULT");
        DataSet.FieldByName("OptionName").SetAsString("102");
        DataSet.FieldByName("OptionValue").SetAsString(std::string(90, 'x'));
        EXPECT_THROW(DataSet.Post(), EDatabaseError);
        EXPECT_EQ(ReadFile(Path), original);
        EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files).size(), 1) << "no temporary file is left";
    }
    EXPECT_EQ(DataSet.State(), dsBrowse);
    EXPECT_EQ(DataSet.RecordCount(), 2) << "the change stays in memory";

    DataSet.Close(); // the disk has room again: closing writes what was left unsaved
    DataSet.Open();
    EXPECT_EQ(DataSet.RecordCount(), 2);
}

TEST_F(TClientDataSetTest, UnchangedRecordIsNotWrittenAgain)
{
    WriteFile(Path, Packet(R"(<ROW OptionName="101" ConfigName="DEFAULT" OptionValue="1"/>)"));
    DataSet.Open();
    DataSet.Edit();
    DataSet.FieldByName("OptionValue").SetAsString("1");
    DataSet.Post();
    DataSet.Close();
    EXPECT_EQ(ReadFile(Path), Packet(R"(<ROW OptionName="101" ConfigName="DEFAULT" OptionValue="1"/>)"));
}

} // namespace
