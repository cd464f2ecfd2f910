// The blob stream of the table component: memo and binary values read and
// written through it, cached and not, on real database files.
#include "DaoTableFixture.h"

#include "dao/DaoBlobStream.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace daotabletest;

namespace {

class DaoBlobStreamTest : public DaoTableTest {
protected:
    // A table of notes: Id, a memo and a binary blob, with two rows: a memo
    // and no blob, then neither.
    TDaoTable& NotesTable(bool cached = false)
    {
        MakeTable("notes", {{"Id", jet::dbLong}, {"Note", jet::dbMemo}, {"Data", jet::dbLongBinary}});
        Run("INSERT INTO notes (Id, Note) VALUES (1, \"第一 note\")");
        Run("INSERT INTO notes (Id, Note) VALUES (2, Null)");
        Connect();
        TDaoTable& table = TableOn("notes");
        table.F_Set_CacheMemos(cached);
        table.F_Set_CacheBlobs(cached);
        table.Open();
        return table;
    }

    static std::string ReadAll(TStream& stream)
    {
        stream.SetPosition(0);
        return stream.ReadRest();
    }

    // The values of a field of the rows a statement selects, read past the
    // table component.
    Strings Stored(const std::string& sql, const std::string& field)
    {
        return jettest::JetFixture::Values(Database->DatabaseObject->OpenRecordset(sql, jet::dbOpenSnapshot), field);
    }

    std::string StoredNote(int id)
    {
        return Stored("SELECT Note FROM notes WHERE Id = " + std::to_string(id), "Note").at(0);
    }
};

TEST_F(DaoBlobStreamTest, MemosAndBlobsReadTheirContentCachedOrNot)
{
    TDaoTable& table = NotesTable();
    const std::string bytes("\x89PNG\0\x01", 6);
    table.Edit();
    table.FieldByName("Data").SetAsString(bytes);
    table.Post();
    for (bool cached : {false, true}) {
        SCOPED_TRACE(cached ? "cached" : "read on demand");
        table.F_Set_CacheMemos(cached);
        table.F_Set_CacheBlobs(cached);
        EXPECT_EQ(Values(table, "Note"), (Strings{"第一 note", ""}));
        EXPECT_EQ(Values(table, "Data"), (Strings{bytes, ""}));
        table.First();
        EXPECT_FALSE(table.FieldByName("Note").IsNull());
        table.Next();
        EXPECT_TRUE(table.FieldByName("Note").IsNull());
    }
}

// Saving a table with memos that are not cached wrote each memo's size
// instead of its text, and loading that stream stored the sizes.
TEST_F(DaoBlobStreamTest, UncachedMemosSaveAndLoadTheirText)
{
    MakeTable("copy", {{"Id", jet::dbLong}, {"Note", jet::dbMemo}, {"Data", jet::dbLongBinary}});
    TDaoTable& table = NotesTable();
    std::stringstream stream;
    table.SaveToStream(stream);
    table.Close();
    table.F_Set_TableName("copy");
    table.Open();
    table.LoadFromStream(stream, lmAppend);
    EXPECT_EQ(Values(table, "Note"), (Strings{"第一 note", ""}));
}

TEST_F(DaoBlobStreamTest, WritingThroughAStreamIsPostedWithTheRecord)
{
    TDaoTable& table = NotesTable();
    table.First();
    table.Edit();
    std::istringstream memo("replaced 内容\r\nsecond line");
    table.FieldByName("Note").LoadFromStream(memo);
    const std::string bytes("\x00\x01\xFF\x00zz", 6);
    std::istringstream data(bytes);
    table.FieldByName("Data").LoadFromStream(data);
    EXPECT_TRUE(table.Modified());
    table.Post();
    EXPECT_EQ(StoredNote(1), "replaced 内容\r\nsecond line");
    table.Close();
    table.Open();
    EXPECT_EQ(table.FieldByName("Data").AsString(), bytes);
}

TEST_F(DaoBlobStreamTest, BlobsGoToFilesAndComeBackFromThem)
{
    TDaoTable& table = NotesTable();
    const std::string bytes("GIF89a\x00\x01\x02", 9);
    const std::string in = PathOf("in.bin");
    std::ofstream(in, std::ios::binary) << bytes;
    table.First();
    table.Edit();
    table.FieldByName("Data").LoadFromFile(in);
    table.Post();
    const std::string out = PathOf("out.bin");
    table.FieldByName("Data").SaveToFile(out);
    std::ifstream back(out, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(back), {}), bytes);
}

// Read at or past the end answered a negative count or read before the
// content; Write dropped what followed the position.
TEST_F(DaoBlobStreamTest, ReadWriteAndSeekKeepInsideTheContent)
{
    TDaoTable& table = NotesTable();
    table.First();
    table.Edit();
    table.FieldByName("Note").SetAsString("0123456789");
    TDaoBlobStream stream(table.FieldByName("Note"), bmReadWrite);
    char buffer[16] = {};

    EXPECT_EQ(stream.Seek(2, soFromBeginning), 2);
    EXPECT_EQ(stream.Write("abc", 3), 3);
    EXPECT_EQ(ReadAll(stream), "01abc56789");

    struct ReadCase {
        int Position;
        int Count;
        int Expected;
    };
    for (const ReadCase& c : {ReadCase{8, 5, 2}, ReadCase{10, 4, 0}, ReadCase{12, 4, 0}, ReadCase{-3, 4, 0},
                              ReadCase{0, 0, 0}, ReadCase{0, -1, 0}}) {
        SCOPED_TRACE(c.Position);
        stream.SetPosition(c.Position);
        EXPECT_EQ(stream.Read(buffer, c.Count), c.Expected);
        EXPECT_EQ(stream.Position(), c.Position + c.Expected);
    }

    EXPECT_EQ(stream.Seek(3, soFromEnd), 13);
    EXPECT_EQ(stream.Seek(-1, soFromCurrent), 12);
    EXPECT_EQ(stream.Write("xy", 2), 2);
    EXPECT_EQ(ReadAll(stream), std::string("01abc56789\0\0xy", 14));
    EXPECT_EQ(stream.Size(), 14);

    stream.SetPosition(-2);
    EXPECT_EQ(stream.Write("zz", 2), 0);
    stream.SetPosition(4);
    stream.Truncate();
    EXPECT_EQ(ReadAll(stream), "01ab");
    // Every change is the field's value at once.
    EXPECT_EQ(table.FieldByName("Note").AsString(), "01ab");
}

// A read stream over a field changed in the record being edited was empty.
TEST_F(DaoBlobStreamTest, ReadStreamsSeeTheValueChangedInTheRecord)
{
    TDaoTable& table = NotesTable();
    for (bool cached : {false, true}) {
        SCOPED_TRACE(cached ? "cached" : "read on demand");
        table.F_Set_CacheMemos(cached);
        table.First();
        table.Edit();
        table.FieldByName("Note").SetAsString("changed");
        TDaoBlobStream stream(table.FieldByName("Note"), bmRead);
        EXPECT_EQ(stream.ReadRest(), "changed");
        table.Cancel();
        EXPECT_EQ(table.FieldByName("Note").AsString(), "第一 note");
    }
}

TEST_F(DaoBlobStreamTest, AWriteStreamStartsEmptyAndAnnouncesTheChangeWhenFreed)
{
    TDaoTable& table = NotesTable();
    table.First();
    table.Edit();
    {
        TDaoBlobStream stream(table.FieldByName("Note"), bmWrite);
        EXPECT_EQ(stream.Size(), 0);
        EXPECT_TRUE(table.FieldByName("Note").IsNull());
        EXPECT_FALSE(table.Modified());
        stream.Write("a", 1);
        stream.Write("b", 1);
    }
    EXPECT_TRUE(table.Modified());
    table.Post();
    EXPECT_EQ(StoredNote(1), "ab");
}

TEST_F(DaoBlobStreamTest, WriteStreamsAreRefusedOnReadOnlyTablesAndOutsideEditing)
{
    TDaoTable& table = NotesTable();
    table.First();
    EXPECT_EQ(ErrorOf([&] { TDaoBlobStream(table.FieldByName("Note"), bmReadWrite); }),
              "Dataset not in edit or insert mode");
    EXPECT_EQ(ErrorOf([&] { TDaoBlobStream(table.FieldByName("Note"), bmRead); }), "");
    table.F_Set_ReadOnly(true);
    EXPECT_EQ(ErrorOf([&] { TDaoBlobStream(table.FieldByName("Note"), bmWrite); }), "Cannot write to ReadOnly table!");
    EXPECT_EQ(table.FieldByName("Note").AsString(), "第一 note");
}

// A stream opened for reading took writes: in browse state it changed the
// record shown, which no post would ever store.
TEST_F(DaoBlobStreamTest, AReadStreamChangesNothing)
{
    TDaoTable& table = NotesTable();
    for (bool editing : {false, true}) {
        SCOPED_TRACE(editing ? "editing" : "browsing");
        if (editing)
            table.Edit();
        {
            TDaoBlobStream stream(table.FieldByName("Note"), bmRead);
            EXPECT_EQ(stream.Write("x", 1), 0);
            stream.SetPosition(2);
            stream.Truncate();
            EXPECT_EQ(ReadAll(stream), "第一 note");
        }
        EXPECT_EQ(table.FieldByName("Note").AsString(), "第一 note");
        EXPECT_FALSE(table.Modified());
    }
    table.Cancel();
    EXPECT_EQ(StoredNote(1), "第一 note");
}

TEST_F(DaoBlobStreamTest, ANewRecordReadsTheMemosDefault)
{
    jet::TableDefPtr definition = Db->CreateTableDef("notes");
    jet::FieldPtr note = definition->CreateField("Note", jet::dbMemo);
    note->SetDefaultValue("\"none yet\"");
    definition->Fields().Append(note);
    Db->TableDefs().Append(definition);
    Connect();
    TDaoTable& table = TableOn("notes");
    table.Open();
    table.Append();
    EXPECT_EQ(table.FieldByName("Note").AsString(), "none yet");
    table.Post();
    EXPECT_EQ(Stored("SELECT Note FROM notes", "Note"), (Strings{"none yet"}));
}

// A record whose handle (the first four bytes of its bookmark) is negative
// was read as "no record": the stream read whichever record the recordset
// stood on.
TEST_F(DaoBlobStreamTest, RecordsWithNegativeHandlesReadTheirOwnBlobs)
{
    MakeTable("notes", {{"Id", jet::dbLong}, {"Note", jet::dbMemo}});
    const std::string path = Db->Name();
    Db->Close();
    sqlite3* file = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &file), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(file,
                           "INSERT INTO notes (rowid, Id, Note) VALUES (-5, 1, 'minus');"
                           "INSERT INTO notes (rowid, Id, Note) VALUES (7, 2, 'plus');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(file);
    Db = Workspace->OpenDatabase(path);
    Connect();
    TDaoTable& table = TableOn("notes");
    table.Open();
    table.First();
    ASSERT_EQ(table.FieldByName("Id").AsInteger(), 1);
    ASSERT_EQ(TDaoTable::GetDaoBookMark(*table.Recordset()), -5);
    table.Recordset()->MoveLast();
    EXPECT_EQ(table.FieldByName("Note").AsString(), "minus");
    // The recordset is put back where it stood.
    EXPECT_EQ(TDaoTable::GetDaoBookMark(*table.Recordset()), 7);
}

// BlobToString copied as many bytes as the size named, past the end of a
// shorter value.
TEST_F(DaoBlobStreamTest, BlobToStringCopiesAtMostTheValue)
{
    TDaoTable& table = NotesTable();
    const TField& memo = table.FieldByName("Note");
    const TField& blob = table.FieldByName("Data");
    const jet::Variant bytes = jet::Variant::Bytes(std::string("ab\0c", 4));
    struct Case {
        const TField* Field;
        jet::Variant Value;
        int Size;
        std::string Expected;
    };
    for (const Case& c : {Case{&blob, bytes, 4, std::string("ab\0c", 4)}, Case{&blob, bytes, 2, "ab"},
                          Case{&blob, bytes, 1000, std::string("ab\0c", 4)}, Case{&blob, bytes, 0, ""},
                          Case{&blob, jet::Variant::Null(), 4, ""}, Case{&blob, jet::Variant(), 4, ""},
                          Case{&memo, jet::Variant("text 文字"), 11, "text 文字"},
                          Case{&memo, jet::Variant::Null(), 4, ""}}) {
        SCOPED_TRACE(c.Size);
        EXPECT_EQ(TDaoTable::BlobToString(*c.Field, c.Value, c.Size), c.Expected);
    }
    const jet::Variant empty = TDaoTable::StringToBlob(blob, "");
    ASSERT_TRUE(empty.IsArray());
    EXPECT_EQ(empty.Array()->ElementCount(), 0);
    EXPECT_EQ(TDaoTable::StringToBlob(blob, "xy").AsBytes(), "xy");
    EXPECT_EQ(TDaoTable::StringToBlob(memo, "xy").VarType(), jet::varString);
}

} // namespace
