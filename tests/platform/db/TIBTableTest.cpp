// A table of the server engine as a dataset, on a database file served by
// the embedded engine: reading, writing at once, widths, and failed writes.
#include "platform/db/TIBTable.h"

#include "tests/support/FirebirdDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Row = std::vector<std::string>;

using Connection = ServerTableConnection;

class TIBTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        CreateFirebirdDatabase(Path(), {kConfigTableDefinition[0],
                                        "INSERT INTO CONFIG VALUES ('DEFAULT', '201', '5')",
                                        "INSERT INTO CONFIG VALUES ('DEFAULT', '551', NULL)",
                                        "INSERT INTO CONFIG VALUES ('RULERVALUEHORI', 'A', '')"});
    }

    std::string Path() const { return Folder.filePath("Config.fdb").toStdString(); }

    QTemporaryDir Folder;
};

TEST_F(TIBTableTest, OpenReadsEveryRecordWithTheColumnsAsFields)
{
    Connection connection(Path());
    TIBTable& table = connection.Table;
    ASSERT_EQ(table.FieldCount(), 3);
    EXPECT_EQ(table.Fields(0).FieldName(), "CONFIGNAME");
    EXPECT_TRUE(table.Fields(0).Required());
    EXPECT_FALSE(table.Fields(2).Required());
    EXPECT_NE(table.FindField("OptionValue"), nullptr) << "field names are found without regard to case";
    EXPECT_EQ(connection.Rows(), (std::vector<Row>{{"DEFAULT", "201", "5"},
                                                   {"DEFAULT", "551", "<null>"},
                                                   {"RULERVALUEHORI", "A", ""}}));
}

TEST_F(TIBTableTest, EveryChangeIsCommittedWhenItReturns)
{
    {
        Connection writer(Path());
        TIBTable& table = writer.Table;
        table.First();
        table.Edit();
        table.FieldByName("OptionValue").SetAsString("7");
        table.Post();
        writer.Append({"DEFAULT", "1104", "张三"});
        table.First();
        table.Next();
        table.Delete();
        EXPECT_EQ(table.FieldByName("OptionName").AsString(), "A") << "the following record is current";
        // A second connection sees all of it while the first is still open
        // and its transaction has not ended.
        Connection reader(Path());
        EXPECT_EQ(reader.Rows(), (std::vector<Row>{{"DEFAULT", "201", "7"},
                                                   {"RULERVALUEHORI", "A", ""},
                                                   {"DEFAULT", "1104", "张三"}}));
        EXPECT_TRUE(writer.Transaction.InTransaction());
    }
}

TEST_F(TIBTableTest, TextIsCutToTheColumnsWidthInCharacters)
{
    CreateFirebirdDatabase(Folder.filePath("Narrow.fdb").toStdString(),
                           {"CREATE TABLE CONFIG (CONFIGNAME VARCHAR(4) CHARACTER SET UTF8 NOT NULL,"
                            " OPTIONNAME VARCHAR(4) CHARACTER SET NONE NOT NULL, OPTIONVALUE VARCHAR(4))"});
    Connection connection(Folder.filePath("Narrow.fdb").toStdString());
    connection.Append({"中文中文中文", "abcdef", "0123456789"});
    Connection reader(Folder.filePath("Narrow.fdb").toStdString());
    EXPECT_EQ(reader.Rows(), (std::vector<Row>{{"中文中文", "abcd", "0123"}}));
}

TEST_F(TIBTableTest, ColumnsThatAreNotTextTravelAsText)
{
    CreateFirebirdDatabase(Folder.filePath("Typed.fdb").toStdString(),
                           {"CREATE TABLE CONFIG (ID INTEGER NOT NULL, CONFIGNAME VARCHAR(50), SCALE NUMERIC(9,3))",
                            "INSERT INTO CONFIG VALUES (1, 'DEFAULT', 2.5)"});
    Connection connection(Folder.filePath("Typed.fdb").toStdString());
    EXPECT_EQ(connection.Rows(), (std::vector<Row>{{"1", "DEFAULT", "2.500"}}));
    connection.Append({"2", "RULERVALUE", "0.125"});
    Connection reader(Folder.filePath("Typed.fdb").toStdString());
    EXPECT_EQ(reader.Rows(), (std::vector<Row>{{"1", "DEFAULT", "2.500"}, {"2", "RULERVALUE", "0.125"}}));
}

TEST_F(TIBTableTest, FailedWriteIsRaisedAndChangesNothing)
{
    Connection connection(Path());
    TIBTable& table = connection.Table;
    table.First();
    table.Edit();
    table.FieldByName("OptionValue").SetAsString("9");
    // Another connection deletes the record this one is editing.
    {
        Connection other(Path());
        other.Table.First();
        other.Table.Delete();
    }
    EXPECT_THROW(table.Post(), EDatabaseError);
    table.Cancel();
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "201");
    EXPECT_EQ(table.FieldByName("OptionValue").AsString(), "5") << "memory keeps what it had";

    connection.Append({"DEFAULT", "1201", "1"});
    Connection reader(Path());
    EXPECT_EQ(reader.Rows().back(), (Row{"DEFAULT", "1201", "1"})) << "the table goes on after a failed write";
}

TEST_F(TIBTableTest, ScanFromTheFirstRecordSeesWhatAnotherConnectionCommitted)
{
    Connection connection(Path());
    const std::vector<Row> before = connection.Rows();
    {
        Connection other(Path());
        other.Append({"DEFAULT", "5000", "x"});
        other.Table.First();
        other.Table.Edit();
        other.Table.FieldByName("OptionValue").SetAsString("6");
        other.Table.Post();
    }
    std::vector<Row> expected = before;
    expected.front()[2] = "6";
    expected.push_back({"DEFAULT", "5000", "x"});
    EXPECT_EQ(connection.Rows(), expected);
}

TEST_F(TIBTableTest, MissingTableOrDatabaseMakesTheOpenFail)
{
    Connection connection(Path());
    TIBTable other;
    other.SetDatabase(&connection.Database);
    other.SetTableName("NO_SUCH_TABLE");
    EXPECT_THROW(other.Open(), EDatabaseError);
    EXPECT_FALSE(other.Active());

    TIBTable unconnected;
    unconnected.SetTableName("CONFIG");
    EXPECT_THROW(unconnected.Open(), EDatabaseError);
    EXPECT_THROW(unconnected.SetCachedUpdates(true), EDatabaseError);
}

TEST_F(TIBTableTest, EndingTheTransactionOrTheConnectionClosesTheTable)
{
    Connection connection(Path());
    connection.Transaction.Commit();
    EXPECT_FALSE(connection.Table.Active());
    connection.Table.Open();
    EXPECT_TRUE(connection.Transaction.InTransaction()) << "opening starts the transaction";
    connection.Database.Close();
    EXPECT_FALSE(connection.Table.Active());
}

} // namespace
