// Feeds arbitrary bytes to the table component's stream loader, against a
// small settings table in a real database file. The first byte picks the load
// mode. Whatever the bytes, the loader either succeeds or raises, and a load
// that raised leaves the file's rows exactly as they were.
#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"
#include "tests/support/ConfigDatabase.h"

#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

namespace {

const char* const Baseline[][3] = {
    {"DEFAULT", "1", "value 1"}, {"DEFAULT", "2", ""}, {"RULERVALUEHORI", "x", "0.5"}};

struct Fixture {
    QTemporaryDir Folder;
    std::unique_ptr<TDaoDatabase> Database;
    std::unique_ptr<TDaoTable> Table;

    Fixture()
    {
        const std::string path = Folder.filePath("Config.dat").toStdString();
        support::MakeConfigDatabase(path, 0);
        Database = support::ConnectedDatabase(path);
        Table = std::make_unique<TDaoTable>();
        Table->F_Set_Database(Database.get());
        Table->F_Set_TableName("config");
        Table->Open();
        Reset();
    }

    // The rows of the file, read past the component.
    std::string Rows() const
    {
        std::string rows;
        const auto rs = Database->DatabaseObject->OpenRecordset(
            "SELECT * FROM config ORDER BY ConfigName, OptionName, OptionValue", jet::dbOpenSnapshot);
        for (; !rs->Eof(); rs->MoveNext())
            for (int i = 0; i < 3; ++i)
                rows += jet::VarToStr(rs->Fields().Item(i)->Value()) + (i == 2 ? "\n" : "\t");
        return rows;
    }

    void Reset()
    {
        Table->ExecSQLString("DELETE * FROM config");
        for (const auto& row : Baseline)
            Table->ExecSQLString(std::string("INSERT INTO config (ConfigName, OptionName, OptionValue) VALUES (\"")
                                 + row[0] + "\", \"" + row[1] + "\", \"" + row[2] + "\")");
        Table->Close();
        Table->Open();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture fixture;
    if (size == 0 || size > 65536)
        return 0;
    const TLoadMode mode = (data[0] & 1) ? lmEmptyAppend : lmAppend;
    const std::string before = fixture.Rows();
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    bool loaded = false;
    try {
        fixture.Table->LoadFromStream(stream, mode);
        loaded = true;
    } catch (...) {
        // Refused: the rows must be as they were.
    }
    if (!fixture.Table->Active() || fixture.Table->State() != dsBrowse)
        std::abort();
    if (!loaded && fixture.Rows() != before)
        std::abort();
    if (loaded)
        fixture.Reset();
    return 0;
}
