// Fuzz target of the statements other than SELECT that Execute runs: the
// input is the statement (after a first byte choosing Execute's options),
// run on a scratch database of every field type with rows, an index and
// stored queries. Updates, inserts, deletes, make-table queries (into the
// database, another database file, or an export format) and drops must each
// work or raise EngineError; each runs in a transaction that is rolled back,
// and the files it wrote are removed, so every input meets the same database.
//
// The statement runs in a folder of its own; a statement naming a path with
// "/" or "\" is not run, so that nothing is written outside that folder.
#include "platform/jet/Jet.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <filesystem>
#include <string>

namespace {

struct Setup {
    QTemporaryDir Folder;
    jet::DBEnginePtr Engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    jet::WorkspacePtr Workspace = Engine->CreateWorkspace("Fuzz", "Admin", "");
    jet::DatabasePtr Db;

    Setup()
    {
        QDir::setCurrent(Folder.path());
        Engine->Workspaces().Append(Workspace);
        Workspace->CreateDatabase("other.mdb", ";LANGID=0x0409;CP=1252;COUNTRY=0")->Close();
        Db = Workspace->CreateDatabase("scratch.mdb", ";LANGID=0x0409;CP=1252;COUNTRY=0");
        const jet::TableDefPtr parts = Db->CreateTableDef("Parts");
        const auto add = [&](const char* name, int type, int size = 0) {
            const jet::FieldPtr field = parts->CreateField(name, type, size);
            if (type == jet::dbLong && std::string(name) == "Id")
                field->SetAttributes(jet::dbAutoIncrField);
            parts->Fields().Append(field);
        };
        add("Id", jet::dbLong);
        add("Name", jet::dbText, 40);
        add("Price", jet::dbCurrency);
        add("Ratio", jet::dbDouble);
        add("Small", jet::dbSingle);
        add("Count", jet::dbInteger);
        add("Tiny", jet::dbByte);
        add("Big", jet::dbBigInt);
        add("Active", jet::dbBoolean);
        add("Made", jet::dbDate);
        add("Tag", jet::dbGUID);
        add("Note", jet::dbMemo);
        add("Photo", jet::dbLongBinary);
        const jet::IndexPtr key = parts->CreateIndex("PrimaryKey");
        key->SetPrimary(true);
        key->Fields().Append(key->CreateField("Id"));
        parts->Indexes().Append(key);
        const jet::IndexPtr byName = parts->CreateIndex("ByName");
        byName->Fields().Append(byName->CreateField("Name"));
        parts->Indexes().Append(byName);
        Db->TableDefs().Append(parts);
        const jet::TableDefPtr orders = Db->CreateTableDef("Orders");
        orders->Fields().Append(orders->CreateField("PartId", jet::dbLong));
        orders->Fields().Append(orders->CreateField("Quantity", jet::dbInteger));
        orders->Fields().Append(orders->CreateField("Placed", jet::dbDate));
        Db->TableDefs().Append(orders);
        const char* rows[] = {
            "\"Bolt\", 0.25, 1.5, 0.5, 3, 7, 9007199254740993, True, #1/2/2003#, "
            "{guid {00000000-0000-0000-0000-000000000001}}, \"first\r\nline\"",
            "\"螺丝 \"\"M6\"\"\", 922337203685477.5807, -1e308, 3.4e38, -32768, 255, -9223372036854775808, False, "
            "#12/31/9999 23:59:59#, {guid {A1B2C3D4-0000-0000-0000-000000000003}}, \"\"",
            "\"Écrou\", -922337203685477.5808, 0.30000000000000004, -1.5, 32767, 0, 0, True, #1/1/100#, Null, Null",
        };
        for (const char* row : rows)
            Db->Execute(std::string("INSERT INTO Parts (Name, Price, Ratio, Small, Count, Tiny, Big, Active, Made, Tag, "
                                    "Note) VALUES (")
                        + row + ")");
        Db->Execute("INSERT INTO Orders VALUES (1, 10, #3/15/2024 14:05:09#)");
        Db->Execute("INSERT INTO Orders VALUES (2, -3, Null)");
        Db->CreateQueryDef("Expensive", "SELECT * FROM Parts WHERE Price > 1");
        Db->CreateQueryDef("Raise", "PARAMETERS [By] Currency; UPDATE Parts SET Price = Price + [By]");
        std::error_code ignored;
        OtherWritten = std::filesystem::last_write_time("other.mdb", ignored);
    }

    // Removes what a statement wrote beside the scratch database; the other
    // database file, which the transaction does not cover, is made afresh
    // when a statement wrote into it.
    void Tidy()
    {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(Folder.path().toStdString(), ignored)) {
            const std::string name = entry.path().filename().string();
            if (name != "scratch.mdb" && name != "other.mdb" && name != ".scratch.mdb.lock")
                std::filesystem::remove_all(entry.path(), ignored);
        }
        if (std::filesystem::last_write_time("other.mdb", ignored) != OtherWritten) {
            std::filesystem::remove("other.mdb", ignored);
            Workspace->CreateDatabase("other.mdb", ";LANGID=0x0409;CP=1252;COUNTRY=0")->Close();
            OtherWritten = std::filesystem::last_write_time("other.mdb", ignored);
        }
    }

    std::filesystem::file_time_type OtherWritten;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    if (size < 1)
        return 0;
    const std::string statement(reinterpret_cast<const char*>(data + 1), size - 1);
    if (statement.find_first_of("/\\") != std::string::npos)
        return 0;
    const int options = (data[0] & 1 ? jet::dbFailOnError : 0) | (data[0] & 2 ? jet::dbSeeChanges : 0);
    setup.Workspace->BeginTrans();
    try {
        setup.Db->Execute(statement, options);
    } catch (const jet::EngineError&) {
    }
    setup.Workspace->Rollback();
    setup.Tidy();
    return 0;
}
