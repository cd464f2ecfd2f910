#include "DaoTableFixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace daotabletest {
namespace {

// The database component's workspace, whose commits can be made to fail.
class FailingWorkspace : public jet::Workspace {
public:
    explicit FailingWorkspace(jet::WorkspacePtr inner)
        : Inner(std::move(inner))
    {
    }

    bool FailCommit = false;

    std::string Name() const override { return Inner->Name(); }
    void Close() override { Inner->Close(); }
    int DefaultCursorDriver() const override { return Inner->DefaultCursorDriver(); }
    void SetDefaultCursorDriver(int driver) override { Inner->SetDefaultCursorDriver(driver); }
    jet::DatabasePtr OpenDatabase(const std::string& name, bool exclusive, bool readOnly,
                                  const std::string& connect) override
    {
        return Inner->OpenDatabase(name, exclusive, readOnly, connect);
    }
    jet::DatabasePtr OpenConnection(const std::string& name, int options, bool readOnly,
                                    const std::string& connect) override
    {
        return Inner->OpenConnection(name, options, readOnly, connect);
    }
    jet::DatabasePtr CreateDatabase(const std::string& name, const std::string& locale, int options) override
    {
        return Inner->CreateDatabase(name, locale, options);
    }
    void BeginTrans() override { Inner->BeginTrans(); }
    void CommitTrans(int options) override
    {
        if (FailCommit)
            throw jet::EngineError(jet::errDiskFull, "Not enough space on disk.");
        Inner->CommitTrans(options);
    }
    void Rollback() override { Inner->Rollback(); }
    jet::Collection<jet::User>& Users() override { return Inner->Users(); }
    jet::Collection<jet::Group>& Groups() override { return Inner->Groups(); }
    jet::Collection<jet::Database>& Databases() override { return Inner->Databases(); }
    jet::Collection<jet::Property>& Properties() override { return Inner->Properties(); }

private:
    jet::WorkspacePtr Inner;
};

class DaoTableStreamLoadTest : public DaoTableTest {
protected:
    TDaoTable& OpenConfig(int rows)
    {
        MakeConfigTable(rows);
        Connect();
        TDaoTable& table = ConfigTable();
        table.Open();
        return table;
    }

    static std::string Saved(TDaoTable& table)
    {
        std::ostringstream stream;
        table.SaveToStream(stream);
        return stream.str();
    }

    static void Load(TDaoTable& table, const std::string& bytes, TLoadMode mode)
    {
        std::istringstream stream(bytes);
        table.LoadFromStream(stream, mode);
    }
};

TEST_F(DaoTableStreamLoadTest, SavedRecordsLoadBackByAppendOrReplace)
{
    TDaoTable& table = OpenConfig(3);
    const std::string bytes = Saved(table);
    ASSERT_GE(bytes.size(), 5u);
    EXPECT_EQ(bytes.substr(0, 5), std::string("TPF0\x01", 5)) << "no version: a list starts at once";

    table.MoveBy(1);
    Load(table, bytes, lmAppend);
    EXPECT_EQ(table.FieldByName("OptionName").AsString(), "2") << "an append returns to where it was";
    EXPECT_EQ(table.RecordCount(), 6);

    Load(table, bytes, lmEmptyAppend);
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "2", "3"}));
    EXPECT_EQ(Values(table, "OptionValue"), (Strings{"value 1", "value 2", "value 3"}));
}

TEST_F(DaoTableStreamLoadTest, TypedValuesTravelInTheirOwnForms)
{
    MakeTable("typed", {{"Count", jet::dbLong}, {"Price", jet::dbCurrency}, {"Done", jet::dbBoolean},
                        {"Stamp", jet::dbDate}, {"Name", jet::dbText, 20}});
    Run("INSERT INTO typed (Count, Price, Done, Stamp, Name) VALUES (70000, 1.23456, True, #3/15/2024 14:05:09#, "
        "\"中文\")");
    Connect();
    TDaoTable& table = TableOn("typed");
    table.Open();
    const std::string bytes = Saved(table);
    Load(table, bytes, lmEmptyAppend);
    EXPECT_EQ(table.RecordCount(), 1);
    table.First();
    EXPECT_EQ(table.FieldByName("Count").AsInteger(), 70000);
    EXPECT_EQ(table.FieldByName("Price").AsFloat(), 1.2346);
    EXPECT_TRUE(table.FieldByName("Done").AsBoolean());
    EXPECT_EQ(table.FieldByName("Stamp").AsString(), "03/15/2024 14:05:09");
    EXPECT_EQ(table.FieldByName("Name").AsString(), "中文");
}

TEST_F(DaoTableStreamLoadTest, EmptyTablesWriteNothingAndLeaveNoFile)
{
    TDaoTable& table = OpenConfig(0);
    EXPECT_EQ(Saved(table), "");
    table.SaveToFile(PathOf("empty.tbl"));
    EXPECT_FALSE(std::filesystem::exists(PathOf("empty.tbl")));
    table.Close();
    EXPECT_EQ(ErrorOf([&] { table.LoadFromFile(PathOf("empty.tbl"), lmAppend); }),
              "Cannot load data to Table!\r\nTable is not opened!");
}

TEST_F(DaoTableStreamLoadTest, HiddenAndReadOnlyFieldsKeepTheirValues)
{
    TDaoTable& table = OpenConfig(2);
    table.FieldByName("OptionValue").SetReadOnly(true);
    const std::string bytes = Saved(table);
    Load(table, bytes, lmEmptyAppend);
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "2"}));
    EXPECT_EQ(Values(table, "OptionValue"), (Strings{"", ""})) << "the stream's values of a read-only field are dropped";

    table.FieldByName("OptionValue").SetVisible(false);
    const std::string withoutValue = Saved(table);
    EXPECT_EQ(withoutValue.find("OptionValue"), std::string::npos);
}

TEST_F(DaoTableStreamLoadTest, TheHeaderGivesTheFieldsTheirPresentationAndRequiredFlag)
{
    TDaoTable& table = OpenConfig(2);
    TField& value = table.FieldByName("OptionValue");
    value.SetDisplayLabel("Value");
    value.SetEditMask("999");
    value.SetDisplayWidth(12);
    value.SetRequired(true);
    const std::string bytes = Saved(table);
    table.Close();
    table.Open();
    ASSERT_FALSE(table.FieldByName("OptionValue").Required());
    Load(table, bytes, lmAppend);
    const TField& loaded = table.FieldByName("OptionValue");
    EXPECT_EQ(loaded.DisplayLabel(), "Value");
    EXPECT_EQ(loaded.EditMask(), "999");
    EXPECT_EQ(loaded.DisplayWidth(), 12);
    EXPECT_TRUE(loaded.Required());
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "2", "1", "2"}));
}

TEST_F(DaoTableStreamLoadTest, DamagedStreamsLeaveTheTableAsItWas)
{
    TDaoTable& table = OpenConfig(3);
    const std::string good = Saved(table);
    std::string otherField = good;
    otherField.replace(otherField.find("OptionValue"), 11, "OptionWorth");
    const struct {
        const char* What;
        std::string Bytes;
        const char* Message;
    } damaged[] = {
        {"foreign signature", "XPF0" + good.substr(4), "Invalid stream format"},
        {"a field the table lacks", otherField, "Cannot load data to Table!\r\nTable has different structure!"},
        {"cut in the records", good.substr(0, good.size() - 9), "Stream read error"},
        {"a value of the wrong type", good.substr(0, good.size() - 1) + "\x09", "Invalid property value"},
        {"nothing", "", "Invalid stream format"},
        {"records without fields", std::string("TPF0\x01\x00\x01\x06\x01x\x00", 11), "Invalid property value"},
    };
    for (const auto& d : damaged) {
        for (TLoadMode mode : {lmAppend, lmEmptyAppend}) {
            EXPECT_EQ(ErrorOf([&] { Load(table, d.Bytes, mode); }), d.Message) << d.What;
            EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "2", "3"})) << d.What;
            EXPECT_EQ(table.State(), dsBrowse) << d.What;
        }
    }
    EXPECT_EQ(Database->GetTransactionCount(), 0);
}

TEST_F(DaoTableStreamLoadTest, AFailedCommitRollsTheLoadBackAndSaysSo)
{
    TDaoTable& table = OpenConfig(2);
    const std::string bytes = Saved(table);
    auto workspace = std::make_shared<FailingWorkspace>(Database->WorkspaceObject);
    Database->WorkspaceObject = workspace;
    workspace->FailCommit = true;
    EXPECT_EQ(ErrorOf([&] { Load(table, bytes, lmEmptyAppend); }), "Not enough space on disk.");
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"1", "2"}));
    EXPECT_EQ(table.RecordCount(), 2);
    workspace->FailCommit = false;
    Load(table, bytes, lmAppend);
    EXPECT_EQ(table.RecordCount(), 4);
}

TEST_F(DaoTableStreamLoadTest, StreamsOfTheOldWriterLoad)
{
    // Two-byte integers where one would do, and a UTF-8 text: what the old
    // writer produced. The file's first byte is the fuzz target's mode byte.
    std::ifstream file(QUORVEX_TEST_DATA_DIR "/dao/table-stream/append.bin", std::ios::binary);
    ASSERT_TRUE(file);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    TDaoTable& table = OpenConfig(0);
    Load(table, bytes.substr(1), lmAppend);
    EXPECT_EQ(Values(table, "OptionName"), (Strings{"101", "551", "um"}));
    EXPECT_EQ(Values(table, "OptionValue"), (Strings{"255", "2", "中"}));
}

TEST_F(DaoTableStreamLoadTest, FilesRoundTrip)
{
    TDaoTable& table = OpenConfig(2);
    table.SaveToFile(PathOf("config.tbl"));
    ASSERT_TRUE(std::filesystem::exists(PathOf("config.tbl")));
    table.LoadFromFile(PathOf("config.tbl"), lmEmptyAppend);
    EXPECT_EQ(Values(table, "OptionValue"), (Strings{"value 1", "value 2"}));
}

} // namespace
} // namespace daotabletest
