// The configuration store on each of its backends alone, through real files
// in Config/ of a temporary working directory: the same tests for every
// backend, then the order in which the store tries them.
#include "tests/dao/RecordingEngine.h"
#include "tests/settings/StoreFixture.h"
#include "tests/support/ConfigDatabase.h"
#include "tests/support/ConfigFile.h"
#include "tests/support/FirebirdDatabase.h"
#include "tests/support/ReadOnlyFolder.h"

#include "platform/system/AtomicFile.h"

#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using Row = std::vector<std::string>;

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<ConfigRecord> Records(const std::vector<Row>& rows)
{
    std::vector<ConfigRecord> records;
    for (const Row& row : rows)
        records.push_back({row[0], row[1], row[2]});
    return records;
}

std::vector<Row> Rows(const std::vector<ConfigRecord>& records)
{
    std::vector<Row> rows;
    for (const ConfigRecord& record : records)
        rows.push_back({record[0], record[1], record[2]});
    return rows;
}

// The data-access database of the main data module, made as a fresh folder
// gets it.
struct DaoStore {
    static constexpr const char* File = "Config.dat";

    static void Create(const std::vector<Row>& rows) { CreateConfigDatabase(Records(rows)); }
    // Read through a connection of its own while the store holds one.
    static std::vector<Row> Rows() { return ::Rows(DatabaseConfigRecords()); }
};

// The XML file of the options data module.
struct XmlStore {
    static constexpr const char* File = "Config.xml";

    static void Create(const std::vector<Row>& rows) { AppendXmlConfigRecords(Records(rows)); }
    static std::vector<Row> Rows() { return ::Rows(XmlConfigRecords()); }
};

// The server database of the main data module, served by the embedded engine.
struct ServerStore {
    static constexpr const char* File = "Config.fdb";

    static void Create(const std::vector<Row>& rows)
    {
        std::vector<std::string> statements = kConfigTableDefinition;
        for (const Row& row : rows)
            statements.push_back("INSERT INTO CONFIG VALUES ('" + row[0] + "', '" + row[1] + "', '" + row[2] + "')");
        CreateFirebirdDatabase("Config/Config.fdb", statements);
    }

    // Read through a connection of its own while the store may hold one.
    static std::vector<Row> Rows() { return ServerTableConnection("Config/Config.fdb").Rows(); }
};

// Config/Config.dat, a database of ours whose table "config" has the text
// columns named, holding one settings record.
void MakeDatabaseWithConfigTable(const std::vector<std::string>& columns)
{
    const auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    const auto workspace = engine->CreateWorkspace("Maker", "Admin", "");
    const auto database = workspace->CreateDatabase("Config/Config.dat", ";LANGID=0x0409;CP=1252;COUNTRY=0",
                                                    jet::dbVersion40);
    const auto table = database->CreateTableDef("config");
    std::string names;
    std::string values;
    for (const std::string& column : columns) {
        table->Fields().Append(table->CreateField(column, jet::dbText, 50));
        names += (names.empty() ? "" : ", ") + column;
        values += std::string(values.empty() ? "" : ", ") + (values.empty() ? "\"DEFAULT\"" : "\"201\"");
    }
    database->TableDefs().Append(table);
    database->Execute("INSERT INTO config (" + names + ") VALUES (" + values + ")");
    database->Close();
    workspace->Close();
}

QStringList ConfigFiles()
{
    return QDir("Config").entryList(QDir::Files);
}

template <typename Store>
class MParamBackendTest : public StoreFixture {};

using Backends = ::testing::Types<DaoStore, XmlStore, ServerStore>;
TYPED_TEST_SUITE(MParamBackendTest, Backends);

TYPED_TEST(MParamBackendTest, OpensItsStoreAloneAndLoadsTheStoredSettings)
{
    TypeParam::Create({{"DEFAULT", "551", ""},
                       {"DEFAULT", "201", "5"},
                       {"default", "102", "255"},
                       {"DEFAULT", "1104", "张三"},
                       {"RULERVALUEHORI", "101", "7"}});
    ASSERT_TRUE(this->Param().Open());
    EXPECT_EQ(this->Text(OPT_LANGUAGE), "2") << "an empty stored value keeps the default";
    EXPECT_EQ(this->Param().GetActiveWidth(), 5);
    EXPECT_EQ(this->Text(OPT_PRINT_AUTHOR), "张三");
    EXPECT_EQ(this->Text(OPT_COLOR_NORMAL), "16777215") << "ConfigName is compared with its case";
    EXPECT_EQ(this->Text(OPT_COLOR_DESIGN), "16777215") << "ruler records are not settings";
    EXPECT_EQ(ConfigFiles(), QStringList{TypeParam::File}) << "no other store is made beside it";
}

TYPED_TEST(MParamBackendTest, SettersWriteAtOnceAndSaveAllWritesEveryNonEmptyOption)
{
    TypeParam::Create({});
    ASSERT_TRUE(this->Param().Open());
    this->Param().SetBool(OPT_VIEW_MARK, false, true);
    this->Param().SetInt(OPT_ACTIVE_WIDTH, 9, false);
    EXPECT_EQ(TypeParam::Rows(), (std::vector<Row>{{"DEFAULT", "404", "0"}})) << "on disk while the store is open";

    EXPECT_FALSE(this->Param().SaveAll()) << "the empty text options are not written";
    const std::vector<Row> rows = TypeParam::Rows();
    ASSERT_EQ(rows.size(), 70u);
    EXPECT_EQ(rows.front(), (Row{"DEFAULT", "404", "0"})) << "an existing record is edited in place";
    EXPECT_EQ(rows[1], (Row{"DEFAULT", "101", "16777215"}));
    EXPECT_EQ(rows.back(), (Row{"DEFAULT", "1201", "1"}));
    this->Restart();
    EXPECT_EQ(this->Param().GetActiveWidth(), 9);
}

TYPED_TEST(MParamBackendTest, FirstMatchingRecordIsReadAndEdited)
{
    TypeParam::Create({{"DEFAULT", "201", "2"}, {"DEFAULT", "201", "5"}});
    ASSERT_TRUE(this->Param().Open());
    EXPECT_EQ(this->Param().GetActiveWidth(), 2);
    EXPECT_TRUE(this->Param().WriteOption("201", "7", "DEFAULT"));
    EXPECT_EQ(TypeParam::Rows(), (std::vector<Row>{{"DEFAULT", "201", "7"}, {"DEFAULT", "201", "5"}}));
}

TYPED_TEST(MParamBackendTest, RulersAreSavedLoadedAndDeleted)
{
    TypeParam::Create({{"DEFAULT", "A", "setting"}, {"RULERVALUE", "A", "3"}});
    ASSERT_TRUE(this->Param().Open());
    this->Param().SetRuler("A", MRulerItem{"1.5", "2.5", "mm", "um"});
    this->Param().SetRuler("B", MRulerItem{"1", "1", "mil", "mil"});
    EXPECT_TRUE(this->Param().SaveRulers());
    this->Restart();
    EXPECT_TRUE(this->Param().LoadRulers());
    EXPECT_EQ(this->Param().GetRulerNames(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(this->Param().GetRuler("A"), (MRulerItem{"1.5", "2.5", "mm", "um"}));

    EXPECT_TRUE(this->Param().DeleteRuler("A"));
    EXPECT_EQ(TypeParam::Rows(), (std::vector<Row>{{"DEFAULT", "A", "setting"},
                                                   {"RULERVALUEHORI", "B", "1"},
                                                   {"RULERVALUEVERT", "B", "1"},
                                                   {"RULERUNITHORI", "B", "mil"},
                                                   {"RULERUNITVERT", "B", "mil"}}));
}

using MParamBackendOrderTest = StoreFixture;

TEST_F(MParamBackendOrderTest, XmlFileIsTriedBeforeTheServerDatabase)
{
    XmlStore::Create({{"DEFAULT", "201", "5"}});
    ServerStore::Create({{"DEFAULT", "201", "6"}});
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().GetActiveWidth(), 5);
    Param().Close();
    MParam::ResetForTesting();

    QFile::remove("Config/Config.xml");
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().GetActiveWidth(), 6);
}

TEST_F(MParamBackendOrderTest, StoreThatMayOpenLaterIsNeverHiddenByAFreshOne)
{
    struct Case {
        const char* Why;
        std::string DatabaseName;
        std::string FdbContent; // "" for no file
    };
    const Case cases[] = {
        {"a file that is not a database of ours", "Config/Config.fdb", "lab notes, not a database"},
        {"a database without the table", "Config/Config.fdb", "<made below>"},
        {"a CONFIG table of other columns", "Config/Config.fdb", "<other columns>"},
        {"a server that does not answer", "127.0.0.1/1:/srv/quorvex/config.fdb", ""},
    };
    for (const Case& c : cases) {
        QDir("Config").removeRecursively();
        QDir().mkdir("Config");
        if (c.FdbContent == "<made below>")
            CreateFirebirdDatabase("Config/Config.fdb", {"CREATE TABLE OTHER (X INTEGER)"});
        else if (c.FdbContent == "<other columns>")
            CreateFirebirdDatabase("Config/Config.fdb", {"CREATE TABLE CONFIG (NAME VARCHAR(50), \"Value\" VARCHAR(250))"});
        else if (!c.FdbContent.empty())
            std::ofstream("Config/Config.fdb", std::ios::binary) << c.FdbContent;
        const std::string before = ReadFile("Config/Config.fdb");
        MParam::ResetForTesting();
        DMMain->FirebirdDBConfig->SetDatabaseName(c.DatabaseName);
        EXPECT_FALSE(Param().Open()) << c.Why;
        EXPECT_FALSE(QFile::exists("Config/Config.xml")) << c.Why;
        EXPECT_FALSE(DMMain->FirebirdDBConfig->Connected()) << c.Why;
        if (!c.FdbContent.starts_with('<')) { // the engine keeps its own files' headers up to date
            EXPECT_TRUE(ReadFile("Config/Config.fdb") == before) << c.Why;
        }
    }
}

// Run by hand against a real server: QUORVEX_TEST_DATABASE_SERVER names a
// database on it ("127.0.0.1/3050:/srv/config.fdb") with the CONFIG table,
// reachable as sysdba with the stored password.
TEST_F(MParamBackendOrderTest, DatabaseServerNamedInTheStoredSettingsServesTheStore)
{
    const char* server = std::getenv("QUORVEX_TEST_DATABASE_SERVER");
    if (!server || !*server)
        GTEST_SKIP() << "no database server named in QUORVEX_TEST_DATABASE_SERVER";
    DMMain->FirebirdDBConfig->SetDatabaseName(server);
    ASSERT_TRUE(Param().Open());
    EXPECT_TRUE(DMMain->FirebirdTableConfig->Active());
    Param().SetText(OPT_PRINT_AUTHOR, "张三", true);
    Restart();
    EXPECT_EQ(Text(OPT_PRINT_AUTHOR), "张三");
    EXPECT_EQ(ConfigFiles(), QStringList{}) << "nothing is kept locally";
}

TEST_F(MParamBackendOrderTest, DataAccessDatabaseIsTriedFirst)
{
    DaoStore::Create({{"DEFAULT", "201", "4"}});
    XmlStore::Create({{"DEFAULT", "201", "5"}});
    ServerStore::Create({{"DEFAULT", "201", "6"}});
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().GetActiveWidth(), 4);
    EXPECT_TRUE(DMMain->KTableConfig->Active());

    QFile::remove("Config/Config.dat");
    Restart();
    EXPECT_EQ(Param().GetActiveWidth(), 5);
}

TEST_F(MParamBackendOrderTest, FreshFolderGetsADataAccessDatabaseAndTheServerDatabaseIsNeverCreated)
{
    ASSERT_TRUE(Param().Open());
    EXPECT_TRUE(DMMain->KTableConfig->Active());
    EXPECT_EQ(Param().StoreNote(), "");
    Param().SetInt(OPT_ACTIVE_WIDTH, 4, true);
    EXPECT_EQ(ConfigFiles(), QStringList{"Config.dat"});
    EXPECT_EQ(DaoStore::Rows(), (std::vector<Row>{{"DEFAULT", "201", "4"}}));

    // The table as the store's table component is streamed to expect it.
    const jet::TableDefPtr table = DMMain->KDBConfig->DatabaseObject->TableDefs().Item("config");
    std::vector<std::string> fields;
    for (int i = 0; i < table->Fields().Count(); ++i) {
        const jet::FieldPtr field = table->Fields().Item(i);
        fields.push_back(field->Name() + " " + std::to_string(field->Type()) + " " + std::to_string(field->Size())
                         + (field->Required() ? " required" : ""));
    }
    EXPECT_EQ(fields, (std::vector<std::string>{"ConfigName 10 50 required", "OptionName 10 50 required",
                                                "OptionValue 10 250"}));
    Restart();
    EXPECT_EQ(Param().GetActiveWidth(), 4);
}

// Encrypted files and passwords are the database layer's options: the
// settings database stays a plain file that the sqlite3 shell reads.
TEST_F(MParamBackendOrderTest, FreshDataAccessDatabaseIsAPlainFileOtherReadersOpen)
{
    ASSERT_TRUE(Param().Open());
    Param().SetInt(OPT_ACTIVE_WIDTH, 6, true);
    EXPECT_EQ(ReadFile("Config/Config.dat").rfind("SQLite format 3", 0), 0u);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2("Config/Config.dat", &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::string value;
    const int rc = sqlite3_exec(
        db, "SELECT OptionValue FROM config WHERE OptionName = '201' COLLATE BINARY",
        [](void* out, int, char** values, char**) {
            *static_cast<std::string*>(out) = values[0] ? values[0] : "";
            return 0;
        },
        &value, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(rc, SQLITE_OK);
    EXPECT_EQ(value, "6");
    Restart();
    EXPECT_EQ(Param().GetActiveWidth(), 6);
}

TEST_F(MParamBackendOrderTest, FolderWithOnlyAnXmlFileKeepsItsSettingsThere)
{
    XmlStore::Create({{"DEFAULT", "201", "5"}});
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().GetActiveWidth(), 5);
    EXPECT_FALSE(DMMain->KDBConfig->Connected()) << "the first attempt let its connection go";
    Param().SetInt(OPT_ACTIVE_WIDTH, 6, true);
    Restart();
    EXPECT_EQ(Param().GetActiveWidth(), 6);
    EXPECT_EQ(ConfigFiles(), QStringList{"Config.xml"}) << "no database is made beside it";
}

TEST_F(MParamBackendOrderTest, DataAccessDatabaseThatDoesNotOpenIsNeverTouched)
{
    struct Case {
        const char* Why;
        std::function<void()> Make;
        bool XmlFile;
    };
    const Case cases[] = {
        {"a file that is not a database", [] { std::ofstream("Config/Config.dat") << "lab notes, not a database"; },
         false},
        {"a database file cut short",
         [] {
             CreateConfigDatabase({{"DEFAULT", "201", "4"}});
             std::filesystem::resize_file("Config/Config.dat", 1000);
         },
         false},
        {"a database of ours without the table",
         [] {
             support::MakeConfigDatabase("Config/Other.dat", 1);
             TDaoDatabase database;
             database.ReadProperties({{"DatabaseType", "Access"}, {"Database", "Config/Other.dat"}});
             database.Loaded();
             database.Open();
             database.RenameTable("config", "other");
             database.Close();
             QFile::rename("Config/Other.dat", "Config/Config.dat");
         },
         false},
        {"a file that is not a database, beside the XML file",
         [] {
             std::ofstream("Config/Config.dat") << "lab notes, not a database";
             XmlStore::Create({{"DEFAULT", "201", "5"}});
         },
         true},
        {"a config table of other columns", [] { MakeDatabaseWithConfigTable({"Name", "Value"}); }, false},
        {"a config table without OptionValue", [] { MakeDatabaseWithConfigTable({"ConfigName", "OptionName"}); },
         false},
    };
    for (const Case& c : cases) {
        QDir("Config").removeRecursively();
        QDir().mkdir("Config");
        c.Make();
        const std::string before = ReadFile("Config/Config.dat");
        MParam::ResetForTesting();
        delete DMMain; // a component that looked for its file elsewhere goes on looking there
        DMMain = new TDMMain();
        ASSERT_TRUE(Param().Open()) << c.Why;
        EXPECT_EQ(Param().GetActiveWidth(), c.XmlFile ? 5 : 3) << c.Why;
        EXPECT_EQ(Param().StoreNote(),
                  c.XmlFile ? "" : "Config/Config.dat -> Config/Config.xml")
            << c.Why;
        Param().SetInt(OPT_ACTIVE_WIDTH, 7, true);
        EXPECT_EQ(XmlStore::Rows().back(), (Row{"DEFAULT", "201", "7"})) << c.Why;
        Param().Close();
        EXPECT_FALSE(DMMain->KDBConfig->Connected()) << c.Why;
        EXPECT_TRUE(ReadFile("Config/Config.dat") == before) << c.Why;
        EXPECT_EQ(ConfigFiles(), (QStringList{"Config.dat", "Config.xml"})) << c.Why;
    }
}

// Another copy of the program, on a connection of its own, adds a record
// and changes the first one.
void AddAndChangeElsewhere(TDataSet& table)
{
    AppendConfigRecords(table, {{"DEFAULT", "5000", "from the other"}});
    table.First();
    table.Edit();
    table.FieldByName("OptionValue").SetAsString("5");
    table.Post();
}

TEST_F(MParamBackendOrderTest, WriteFindsTheRecordAnotherProcessCommitted)
{
    struct Case {
        const char* Store;
        std::function<void(const std::vector<Row>&)> Create;
        std::function<void()> ChangeElsewhere;
        std::function<std::vector<Row>()> Rows;
    };
    const Case cases[] = {
        {"data-access database", &DaoStore::Create,
         [] {
             TDMMain other;
             other.KDBConfig->Open();
             other.KTableConfig->Open();
             AddAndChangeElsewhere(*other.KTableConfig);
         },
         &DaoStore::Rows},
        {"server database", &ServerStore::Create,
         [] {
             ServerTableConnection other("Config/Config.fdb");
             AddAndChangeElsewhere(other.Table);
         },
         &ServerStore::Rows},
    };
    for (const Case& c : cases) {
        QDir("Config").removeRecursively();
        QDir().mkdir("Config");
        c.Create({{"DEFAULT", "201", "4"}});
        MParam::ResetForTesting();
        delete DMMain;
        DMMain = new TDMMain();
        ASSERT_TRUE(Param().Open()) << c.Store;
        ASSERT_EQ(Param().ReadOption("5000", "DEFAULT"), "") << c.Store;

        c.ChangeElsewhere();
        EXPECT_EQ(Param().ReadOption("201", "DEFAULT"), "5") << c.Store;
        EXPECT_TRUE(Param().WriteOption("5000", "from this one", "DEFAULT")) << c.Store;
        EXPECT_EQ(c.Rows(), (std::vector<Row>{{"DEFAULT", "201", "5"}, {"DEFAULT", "5000", "from this one"}}))
            << c.Store;
        Param().Close();
    }
}

TEST_F(MParamBackendOrderTest, WriteRefusedByAReadOnlyFolderIsToldOnceNamingTheStore)
{
    struct Case {
        std::function<void()> Create;
        std::function<std::vector<Row>()> Rows;
        std::string Store;
    };
    const Case cases[] = {
        {[] { DaoStore::Create({{"DEFAULT", "404", "1"}}); }, &DaoStore::Rows, "Config/Config.dat"},
        {[] { XmlStore::Create({{"DEFAULT", "404", "1"}}); }, &XmlStore::Rows, "Config/Config.xml"},
    };
    for (const Case& c : cases) {
        QDir("Config").removeRecursively();
        QDir().mkdir("Config");
        c.Create();
        MParam::ResetForTesting();
        delete DMMain; // its connection to the last case's database goes
        DMMain = new TDMMain();
        std::vector<std::string> told;
        Param().OnWriteRefused = [&told](const std::string& store) { told.push_back(store); };
        ASSERT_TRUE(Param().Open()) << c.Store;
        {
            ReadOnlyFolder readOnly("Config");
            if (!readOnly.Applied())
                GTEST_SKIP() << "the folder cannot be made read-only here";
            EXPECT_FALSE(Param().WriteOption("404", "0", "DEFAULT")) << c.Store;
            EXPECT_FALSE(Param().WriteOption("406", "0", "DEFAULT")) << c.Store;
            Param().SetBool(OPT_VIEW_NAME, false, true);
            EXPECT_EQ(told, std::vector<std::string>{c.Store}) << "told once, naming the store";
            EXPECT_EQ(Text(OPT_VIEW_NAME), "0") << "the program goes on with the setting in memory";
        }
        EXPECT_EQ(c.Rows(), (std::vector<Row>{{"DEFAULT", "404", "1"}})) << c.Store;
        EXPECT_TRUE(Param().WriteOption("404", "0", "DEFAULT")) << "writable again: " << c.Store;
        EXPECT_EQ(told.size(), 1u) << c.Store;
        Param().Close();
    }
}

// Another program's hold on a database file, as the sqlite3 shell takes it
// with BEGIN EXCLUSIVE: nobody else reads or writes the file until Release.
class ExclusiveHold {
public:
    explicit ExclusiveHold(const std::string& path)
    {
        EXPECT_EQ(sqlite3_open(path.c_str(), &Db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(Db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ~ExclusiveHold()
    {
        if (Releaser.joinable())
            Releaser.join();
        Release();
        sqlite3_close(Db);
    }
    void Release()
    {
        if (Held.exchange(false))
            sqlite3_exec(Db, "COMMIT", nullptr, nullptr, nullptr);
    }
    void ReleaseAfter(std::chrono::milliseconds delay)
    {
        Releaser = std::thread([this, delay] {
            std::this_thread::sleep_for(delay);
            Release();
        });
    }

private:
    sqlite3* Db = nullptr;
    std::atomic<bool> Held{true};
    std::thread Releaser;
};

TEST_F(MParamBackendOrderTest, BusyDatabaseIsWaitedForAndThenServes)
{
    DaoStore::Create({{"DEFAULT", "201", "4"}});
    ExclusiveHold hold(TDMMain::ConfigDatabaseFile);
    hold.ReleaseAfter(std::chrono::milliseconds(1500));
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().GetActiveWidth(), 4);
    EXPECT_EQ(Param().StoreNote(), "");
    EXPECT_EQ(ConfigFiles(), QStringList{"Config.dat"}) << "no other store is started";
}

TEST_F(MParamBackendOrderTest, DatabaseThatStaysBusyIsReportedAndNothingIsWrittenElsewhere)
{
    DaoStore::Create({{"DEFAULT", "201", "4"}});
    const std::string before = ReadFile(TDMMain::ConfigDatabaseFile);
    MParam::SetBusyWaitForTesting(std::chrono::milliseconds(300));
    {
        ExclusiveHold hold(TDMMain::ConfigDatabaseFile);
        EXPECT_FALSE(Param().Open());
        EXPECT_EQ(Param().BusyStore(), TDMMain::ConfigDatabaseFile);
        Param().SetInt(OPT_ACTIVE_WIDTH, 7, true);
        EXPECT_EQ(ConfigFiles(), QStringList{"Config.dat"}) << "no other store is started";
    }
    MParam::SetBusyWaitForTesting(std::nullopt);
    EXPECT_TRUE(ReadFile(TDMMain::ConfigDatabaseFile) == before);
    Restart();
    EXPECT_EQ(Param().GetActiveWidth(), 4);
    EXPECT_EQ(Param().BusyStore(), "");
}

// The value of a settings record in Config.dat, read beside the store.
std::string StoredSetting(const std::string& option)
{
    for (const Row& row : DaoStore::Rows())
        if (row[0] == "DEFAULT" && row[1] == option)
            return row[2];
    return "(none)";
}

// A session during which another program takes Config.dat: the first write
// waits once, the later ones do not wait, and what was written lands when the
// hold ends, at the next write or at Close.
class HeldDuringTheSession : public MParamBackendOrderTest {
protected:
    void SetUp() override
    {
        MParamBackendOrderTest::SetUp();
        DaoStore::Create({{"DEFAULT", "201", "4"}});
        ASSERT_TRUE(Param().Open());
        Param().OnWriteRefused = [this](const std::string& store) { Told.push_back(store); };
    }
    void TearDown() override
    {
        MParam::SetBusyWaitForTesting(std::nullopt);
        MParamBackendOrderTest::TearDown();
    }

    // The writes closing the main window makes, and more.
    void WriteTheLayout(int round)
    {
        for (int id = OPT_VIEW_TOOL; id <= OPT_VIEW_DIGIT; ++id)
            Param().SetBool(id, (id + round) % 2 == 0, true);
        for (int id = OPT_POS_VALUE; id <= OPT_POS_DIGIT; ++id)
            Param().SetLong(id, id * 10000 + round, true);
    }

    std::vector<std::string> Told;
};

TEST_F(HeldDuringTheSession, LaterWritesDoNotWaitAndLandAtTheFirstWriteAfterTheHold)
{
    MParam::SetBusyWaitForTesting(std::chrono::milliseconds(300));
    ExclusiveHold hold(TDMMain::ConfigDatabaseFile);
    EXPECT_FALSE(Param().WriteOption("201", "7", "DEFAULT")) << "nothing stored yet";
    EXPECT_EQ(Param().WaitsGivenUp(), 1);
    for (int round = 0; round < 3; ++round)
        WriteTheLayout(round); // 63 writes, the last value of each option counts
    EXPECT_FALSE(Param().WriteOption(std::to_string(OPT_VIEW_RULE), "1", "DEFAULT"));
    EXPECT_EQ(Param().WaitsGivenUp(), 1) << "one wait for the whole hold";
    EXPECT_EQ(Told, std::vector<std::string>{"Config/Config.dat"}) << "told once";
    EXPECT_EQ(Param().ReadOption("201", "DEFAULT"), "7") << "a pending value reads back";

    hold.Release();
    EXPECT_TRUE(Param().WriteOption(std::to_string(OPT_VIEW_ZOOM), "1", "DEFAULT"));
    EXPECT_EQ(StoredSetting("201"), "7");
    EXPECT_EQ(StoredSetting(std::to_string(OPT_VIEW_RULE)), "1");
    EXPECT_EQ(StoredSetting(std::to_string(OPT_VIEW_ZOOM)), "1");
    EXPECT_EQ(StoredSetting(std::to_string(OPT_POS_DIGIT)), std::to_string(OPT_POS_DIGIT * 10000 + 2));
    EXPECT_EQ(StoredSetting(std::to_string(OPT_VIEW_DIGIT)), "1");

    // The store serves as before: a later short hold is waited for again.
    {
        ExclusiveHold again(TDMMain::ConfigDatabaseFile);
        again.ReleaseAfter(std::chrono::milliseconds(50));
        MParam::SetBusyWaitForTesting(std::chrono::seconds(10));
        EXPECT_TRUE(Param().WriteOption("201", "8", "DEFAULT"));
    }
    EXPECT_EQ(StoredSetting("201"), "8");
    EXPECT_EQ(Param().WaitsGivenUp(), 1);
    EXPECT_EQ(ConfigFiles(), QStringList{"Config.dat"}) << "no other store is started";
}

TEST_F(HeldDuringTheSession, ClosingWhileTheFileIsHeldWaitsOnceAndStoresNothingElsewhere)
{
    // A wait long enough that closing follows the writes within it.
    MParam::SetBusyWaitForTesting(std::chrono::seconds(3));
    const std::string before = ReadFile(TDMMain::ConfigDatabaseFile);
    {
        ExclusiveHold hold(TDMMain::ConfigDatabaseFile);
        WriteTheLayout(0);
        EXPECT_FALSE(Param().SaveAll());
        Param().Close();
        EXPECT_EQ(Param().WaitsGivenUp(), 1) << "closing took no second wait";
        EXPECT_EQ(Told, std::vector<std::string>{"Config/Config.dat"});
    }
    EXPECT_TRUE(ReadFile(TDMMain::ConfigDatabaseFile) == before) << "nothing reported as stored";
    EXPECT_EQ(ConfigFiles(), QStringList{"Config.dat"}) << "nothing lands in Config.xml";
}

TEST_F(HeldDuringTheSession, ClosingLongAfterAWaitGaveUpWaitsOnceMoreAndNoLonger)
{
    MParam::SetBusyWaitForTesting(std::chrono::milliseconds(300));
    ExclusiveHold hold(TDMMain::ConfigDatabaseFile);
    Param().SetInt(OPT_ACTIVE_WIDTH, 9, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    WriteTheLayout(1);
    EXPECT_EQ(Param().WaitsGivenUp(), 1);
    Param().Close();
    EXPECT_EQ(Param().WaitsGivenUp(), 2) << "one more wait at closing, in vain";
    EXPECT_EQ(Told.size(), 1u);
}

TEST_F(HeldDuringTheSession, PendingWritesLandAtCloseWhenTheHoldEndsWithinItsWait)
{
    MParam::SetBusyWaitForTesting(std::chrono::milliseconds(300));
    {
        ExclusiveHold hold(TDMMain::ConfigDatabaseFile);
        Param().SetInt(OPT_ACTIVE_WIDTH, 9, true);
        WriteTheLayout(1);
        // Long after the write gave up, so that closing may wait again.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        MParam::SetBusyWaitForTesting(std::chrono::seconds(10));
        hold.ReleaseAfter(std::chrono::milliseconds(100));
        Param().Close();
        EXPECT_EQ(Param().WaitsGivenUp(), 1) << "closing waited until the hold ended";
    }
    EXPECT_EQ(StoredSetting("201"), "9");
    EXPECT_EQ(StoredSetting(std::to_string(OPT_POS_VALUE)), std::to_string(OPT_POS_VALUE * 10000 + 1));
    EXPECT_EQ(ConfigFiles(), QStringList{"Config.dat"});
}

TEST_F(MParamBackendOrderTest, BusyFileThatIsNotADatabaseOfOursIsLeftForTheXmlFile)
{
    {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(TDMMain::ConfigDatabaseFile, &other), SQLITE_OK);
        sqlite3_exec(other, "CREATE TABLE config (ConfigName, OptionName, OptionValue)", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }
    ExclusiveHold hold(TDMMain::ConfigDatabaseFile);
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().BusyStore(), "");
    EXPECT_EQ(Param().StoreNote(), "Config/Config.dat -> Config/Config.xml");
}

TEST_F(MParamBackendOrderTest, TemporaryFilesOfAKilledWriterAreRemovedAtTheNextStart)
{
    // A process that ended while it made a fresh database and replaced the
    // XML file, as a kill leaves them.
    const pid_t writer = fork();
    if (writer == 0) {
        for (const std::string& file : {platform::FreshNameBeside(TDMMain::ConfigDatabaseFile, ".new"),
                                        platform::FreshNameBeside("Config/Config.xml", "")}) {
            std::ofstream(file) << "half written";
            std::ofstream(file + "-journal") << "half written";
        }
        // The engine's lock file beside the database being made.
        const std::string made = platform::FreshNameBeside(TDMMain::ConfigDatabaseFile, ".new");
        std::ofstream("Config/." + made.substr(made.rfind('/') + 1) + ".lock");
        _exit(0);
    }
    ASSERT_GT(writer, 0);
    ASSERT_EQ(waitpid(writer, nullptr, 0), writer);
    for (const char* file : {"Config/Config.xml.a1B2c3", "Config/Config.dat.bak"})
        std::ofstream(file) << "the operator's";
    const auto everyFile = [] { return QDir("Config").entryList(QDir::Files | QDir::Hidden); };
    ASSERT_EQ(everyFile().size(), 7);

    XmlStore::Create({{"DEFAULT", "201", "5"}});
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(everyFile(), (QStringList{"Config.dat.bak", "Config.xml", "Config.xml.a1B2c3"}));
}

TEST_F(MParamBackendOrderTest, FreshDatabaseThatDoesNotOpenIsRemovedAndTheXmlFileServes)
{
    DMMain->KTableConfig->F_Set_TableName("settings"); // a table the fresh database does not hold
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(ConfigFiles(), QStringList{"Config.xml"}) << "the database made for nothing is gone";
    EXPECT_EQ(Param().StoreNote(), "");
}

TEST_F(MParamBackendOrderTest, WithoutTheDataAccessEngineTheXmlFileServes)
{
    DaoStore::Create({{"DEFAULT", "201", "4"}});
    XmlStore::Create({{"DEFAULT", "201", "5"}});
    delete DMMain;
    {
        const recording::ScopedEngineClasses noEngine(jet::MakeEngineClasses({}));
        DMMain = new TDMMain();
    }
    EXPECT_EQ(DMMain->KDBConfig, nullptr);
    EXPECT_EQ(DMMain->KTableConfig, nullptr);
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().GetActiveWidth(), 5);

    Param().Close();
    MParam::ResetForTesting();
    QDir("Config").removeRecursively();
    QDir().mkdir("Config");
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(ConfigFiles(), QStringList{"Config.xml"}) << "a fresh folder gets the XML file";
}

// The calls that reach the engine when the settings are read at start-up.
TEST_F(MParamBackendOrderTest, SettingsRoadMakesTheEngineCallsOfTheStoredSettings)
{
    DaoStore::Create({{"DEFAULT", "201", "4"}});
    delete DMMain;
    const auto engines = std::make_shared<recording::Classes>();
    const recording::ScopedEngineClasses installed(engines);
    DMMain = new TDMMain();
    ASSERT_TRUE(Param().Open());
    EXPECT_EQ(Param().GetActiveWidth(), 4);
    recording::Log expected = recording::kConfigDatabaseConnectCalls;
    expected.push_back("OpenRecordset(config,2,0,3)");
    recording::Log road;
    for (const std::string& call : engines->Calls)
        if (std::find(expected.begin(), expected.end(), call) != expected.end())
            road.push_back(call);
    // The engine and workspace are built when the component is loaded and
    // again when it connects.
    const auto last = road.end() - static_cast<std::ptrdiff_t>(std::min(road.size(), expected.size()));
    EXPECT_EQ(recording::Log(last, road.end()), expected);
    const std::string& openDatabase = recording::kConfigDatabaseConnectCalls.back();
    EXPECT_EQ(std::count(road.begin(), road.end(), openDatabase), 1);
    Param().Close();
    MParam::ResetForTesting();
    delete DMMain; // before its engine classes go
    DMMain = nullptr;
}

} // namespace
