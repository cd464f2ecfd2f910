// Database passwords: kept in the file as a salted hash, asked for by every
// road that opens the file.
#include "JetFixture.h"

#include "platform/jet/DatabasePassword.h"

#include <fstream>

using namespace jettest;

namespace {

using DatabasePassword = JetFixture;

const char* const Secret = "Sesame-4711";

TEST_F(DatabasePassword, ACreatedPasswordIsAskedForAndNeverStoredAsText)
{
    Workspace->CreateDatabase(PathOf("locked.mdb"), std::string(";LANGID=0x0409;CP=1252;COUNTRY=0;PWD=") + Secret)
        ->Close();
    EXPECT_EQ(FileBytes(PathOf("locked.mdb")).find(Secret), std::string::npos);

    for (const char* connect : {"", ";PWD=", ";UID=Admin;PWD=sesame-4711", ";PWD=Sesame"}) {
        try {
            Workspace->OpenDatabase(PathOf("locked.mdb"), false, false, connect);
            ADD_FAILURE() << "opened with '" << connect << "'";
        } catch (const jet::EngineError& error) {
            EXPECT_EQ(error.Number(), jet::errNotValidPassword) << connect;
            EXPECT_EQ(error.Description(), "Not a valid password.");
        }
    }
    EXPECT_EQ(Engine->Errors().Item(0)->Number(), jet::errNotValidPassword);
    // A refused open leaves nothing held: an exclusive open succeeds after it.
    auto opened = Workspace->OpenDatabase(PathOf("locked.mdb"), true, false, std::string(";UID=Admin;PWD=") + Secret);
    EXPECT_EQ(opened->TableDefs().Count(), Db->TableDefs().Count());
}

TEST_F(DatabasePassword, NewPasswordSetsChangesAndRemovesIt)
{
    // A shared or read-only open may not change it.
    EXPECT_EQ(ErrorOf([&] { Db->NewPassword("", "first"); }), jet::errPasswordShared);
    Db->Close();
    auto readOnly = Workspace->OpenDatabase(PathOf("test.mdb"), true, true);
    EXPECT_EQ(ErrorOf([&] { readOnly->NewPassword("", "first"); }), jet::errReadOnly);
    readOnly->Close();

    auto exclusive = Workspace->OpenDatabase(PathOf("test.mdb"), true);
    // Without a password the old one is "" exactly.
    EXPECT_EQ(ErrorOf([&] { exclusive->NewPassword("guess", "first"); }), jet::errNotValidPassword);
    exclusive->NewPassword("", "first");
    EXPECT_EQ(ErrorOf([&] { exclusive->NewPassword("wrong", "second"); }), jet::errNotValidPassword);
    exclusive->NewPassword("first", "second");
    exclusive->Close();
    const auto opens = [&](const std::string& connect) {
        return ErrorOf([&] { Workspace->OpenDatabase(PathOf("test.mdb"), false, false, connect)->Close(); }) == 0;
    };
    EXPECT_FALSE(opens(";PWD=first"));
    EXPECT_TRUE(opens(";PWD=second"));

    exclusive = Workspace->OpenDatabase(PathOf("test.mdb"), true, false, ";PWD=second");
    exclusive->NewPassword("second", "");
    exclusive->Close();
    EXPECT_TRUE(opens(""));
    // A file without a password opens whatever PWD says, as the old files did.
    EXPECT_TRUE(opens(";PWD=anything"));
}

TEST_F(DatabasePassword, CompactNeedsThePasswordAndKeepsOrChangesIt)
{
    MakeConfigTable({{"DEFAULT", "1", "a"}});
    Db->Close();
    auto exclusive = Workspace->OpenDatabase(PathOf("test.mdb"), true);
    exclusive->NewPassword("", Secret);
    exclusive->Close();

    EXPECT_EQ(ErrorOf([&] { Engine->CompactDatabase(PathOf("test.mdb"), PathOf("copy.mdb")); }),
              jet::errNotValidPassword);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(PathOf("copy.mdb"))));

    Engine->CompactDatabase(PathOf("test.mdb"), PathOf("copy.mdb"), "", 0, std::string(";pwd=") + Secret);
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf("copy.mdb")); }), jet::errNotValidPassword);
    auto copy = Workspace->OpenDatabase(PathOf("copy.mdb"), false, false, std::string(";PWD=") + Secret);
    EXPECT_EQ(Values(copy->OpenRecordset("config"), "OptionValue"), Strings({"a"}));
    EXPECT_EQ(copy->CollatingOrder(), jet::dbSortGeneral);
    copy->Close();

    // A password in the destination locale is the copy's new one; the
    // language stays when the locale names none.
    Engine->CompactDatabase(PathOf("test.mdb"), PathOf("renewed.mdb"), ";pwd=fresh", 0,
                            std::string(";pwd=") + Secret);
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf("renewed.mdb"), false, false, ";PWD=fresh")->Close(); }),
              0);
    // An encrypted copy keeps the password.
    Engine->CompactDatabase(PathOf("test.mdb"), PathOf("x.mdb"), "", jet::dbEncrypt, std::string(";pwd=") + Secret);
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf("x.mdb"))->Close(); }), jet::errNotValidPassword);
    EXPECT_EQ(ErrorOf([&] { Workspace->OpenDatabase(PathOf("x.mdb"), false, false, std::string(";PWD=") + Secret)->Close(); }),
              0);
}

TEST_F(DatabasePassword, ALinkToALockedFileNeedsItsPasswordInTheConnectText)
{
    auto other = Workspace->CreateDatabase(PathOf("other.mdb"), ";LANGID=0x0409;PWD=linked");
    jet::TableDefPtr table = other->CreateTableDef("Parts");
    table->Fields().Append(table->CreateField("Name", jet::dbText, 20));
    other->TableDefs().Append(table);
    other->Execute("INSERT INTO Parts (Name) VALUES (\"bolt\")");
    other->Close();

    jet::TableDefPtr without = Db->CreateTableDef("NoPassword", 0, "Parts", ";DATABASE=" + PathOf("other.mdb"));
    EXPECT_EQ(ErrorOf([&] { Db->TableDefs().Append(without); }), jet::errNotValidPassword);

    jet::TableDefPtr with =
        Db->CreateTableDef("Linked", 0, "Parts", ";DATABASE=" + PathOf("other.mdb") + ";PWD=linked");
    Db->TableDefs().Append(with);
    EXPECT_EQ(Query("SELECT Name FROM Linked", "Name"), Strings({"bolt"}));

    // The link keeps what it needs: the file reopened reads it again.
    Db->Close();
    Db = Workspace->OpenDatabase(PathOf("test.mdb"));
    EXPECT_EQ(Values(Db->OpenRecordset("Linked"), "Name"), Strings({"bolt"}));
}

// Stored texts made by another implementation of the same derivation
// (Python's hashlib.pbkdf2_hmac): files locked by earlier versions open.
TEST(StoredPassword, HashesOfTheStandardDerivationMatch)
{
    EXPECT_TRUE(jet::impl::PasswordMatches(
        "pbkdf2-sha256$20000$00112233445566778899aabbccddeeff$"
        "b56581aee1272e33c51850b474ce070aa925726ca49b9fce29d3ebe57f4caf3e",
        "Kennwort \xc3\xa9"));
    EXPECT_TRUE(jet::impl::PasswordMatches(
        "pbkdf2-sha256$1$0102$136c1213fbd55a865a749c370a59548443a17fe723dcd9b5139013595028f351", "x"));
    EXPECT_FALSE(jet::impl::PasswordMatches(
        "pbkdf2-sha256$2$0102$136c1213fbd55a865a749c370a59548443a17fe723dcd9b5139013595028f351", "x"));
}

TEST(StoredPassword, OnlyTheRightPasswordMatchesAWellFormedHash)
{
    const std::string stored = jet::impl::HashPassword("pw");
    EXPECT_EQ(stored.rfind("pbkdf2-sha256$", 0), 0u) << stored;
    EXPECT_NE(jet::impl::HashPassword("pw"), stored);  // a fresh salt each time
    EXPECT_TRUE(jet::impl::PasswordMatches(stored, "pw"));
    EXPECT_FALSE(jet::impl::PasswordMatches(stored, "PW"));
    EXPECT_FALSE(jet::impl::PasswordMatches(stored, ""));
    EXPECT_TRUE(jet::impl::PasswordMatches("", "anything"));

    // A damaged stored text lets no password in and never hangs.
    const std::string parts = stored.substr(stored.find('$') + 1);
    for (const std::string& damaged : std::vector<std::string>{"pw", "md5$1$00$00", "pbkdf2-sha256$" + parts.substr(0, parts.size() - 2),
          "pbkdf2-sha256$0$" + parts.substr(parts.find('$') + 1), "pbkdf2-sha256$2000000000$aa$bb",
          "pbkdf2-sha256$x$aa$bb", "pbkdf2-sha256$$$"})
        EXPECT_FALSE(jet::impl::PasswordMatches(damaged, "pw")) << damaged;
}

} // namespace
