// Feeds the settings store the rows of the server database's table CONFIG as
// a lab's database may hold them: any bytes in the three text columns, in
// one of the table layouts a database may define (text of varying or fixed
// width, a value column of numbers, or other columns altogether). The first
// byte picks the layout; then each row is three fields, each a length byte
// and that many bytes. The rows are written with the embedded engine, and the
// store opens on the table as at start-up, reads every option and ruler
// through the typed getters, writes one option and deletes one ruler. An
// integer option always reads within its range. Every input writes the
// database, so run it on a memory file system:
//   TMPDIR=/dev/shm build-fuzz/fuzz/fuzz_server_table_rows build-fuzz/corpus-server-rows -max_total_time=300
#include "settings/MDMMain.h"
#include "settings/MDataOptions.h"
#include "settings/MParam.h"
#include "tests/support/ConfigFile.h"
#include "tests/support/FirebirdDatabase.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// The layouts of the table CONFIG.
const std::vector<std::vector<std::string>> kLayouts = {
    kConfigTableDefinition,
    {"CREATE TABLE CONFIG (CONFIGNAME CHAR(20), OPTIONNAME CHAR(10), OPTIONVALUE CHAR(30))"},
    {"CREATE TABLE CONFIG (CONFIGNAME VARCHAR(50), OPTIONNAME VARCHAR(50), OPTIONVALUE VARCHAR(250) CHARACTER SET "
     "OCTETS)"},
    {"CREATE TABLE CONFIG (NAME VARCHAR(50), \"Value\" VARCHAR(250), OPTIONVALUE VARCHAR(20))"},
};

// The store works in its working folder, an empty one here (so that its
// other backends find nothing); libFuzzer's paths are the caller's.
struct InFolder {
    explicit InFolder(const QString& folder) { QDir::setCurrent(folder); }
    ~InFolder() { QDir::setCurrent(Previous); }
    QString Previous = QDir::currentPath();
};

struct Fixture {
    QTemporaryDir Folder;
    std::vector<std::string> Databases; // one per layout

    Fixture()
    {
        for (std::size_t i = 0; i < kLayouts.size(); ++i) {
            Databases.push_back(Folder.filePath("Layout" + QString::number(i) + ".fdb").toStdString());
            CreateFirebirdDatabase(Databases.back(), kLayouts[i]);
        }
        DataModuleOptions = new TDataModuleOptions();
        DMMain = new TDMMain();
    }
};

// The rows of the input after its first byte, three fields each.
std::vector<ConfigRecord> RowsOf(const std::uint8_t* data, std::size_t size)
{
    std::vector<ConfigRecord> rows;
    ConfigRecord row;
    std::size_t field = 0;
    for (std::size_t at = 0; at < size && rows.size() < 40;) {
        const std::size_t length = std::min<std::size_t>(data[at], size - at - 1);
        row[field] = std::string(reinterpret_cast<const char*>(data + at + 1), length);
        at += length + 1;
        if (++field == row.size()) {
            rows.push_back(row);
            field = 0;
        }
    }
    return rows;
}

// Replaces the rows of the table on a connection of its own.
void StoreRows(const std::string& database, const std::vector<ConfigRecord>& rows)
{
    ServerTableConnection connection(database);
    TIBTable& table = connection.Table;
    while (!table.IsEmpty())
        table.Delete();
    for (const ConfigRecord& row : rows) {
        // A value the column refuses (too long, no number) is left out.
        try {
            table.Append();
            for (int i = 0; i < table.FieldCount() && i < int(row.size()); ++i)
                table.Fields(i).SetAsString(row[std::size_t(i)]);
            table.Post();
        } catch (const EDatabaseError&) {
            table.Cancel();
        }
    }
}

} // namespace

// The server engine's client library allocates once per process and never
// frees by design, and its engine is a plugin with thread-local storage of
// its own (as the test programs say in their main).
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfbclient.so\nleak:libEngine12.so\n";
}

extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture fixture;
    if (size < 1)
        return 0;
    const std::string& database = fixture.Databases[data[0] % fixture.Databases.size()];
    StoreRows(database, RowsOf(data + 1, size - 1));

    const InFolder here(fixture.Folder.path());
    DMMain->FirebirdDBConfig->Close();
    DMMain->FirebirdDBConfig->SetDatabaseName(database);
    MParam::ResetForTesting();
    MParam& param = *MParam::GetInstance();
    if (param.Open()) {
        param.LoadRulers();
        for (const std::string& name : param.GetRulerNames())
            param.GetRuler(name);
        for (int id = 100; id <= 1300; ++id) {
            std::string text;
            param.GetText(id, text);
            int number = 0;
            param.GetInt(id, number);
            const MOptionRange range = MParam::IntegerRange(id);
            if (number != 0 && (number < range.Min || number > range.Max))
                std::abort();
            double real = 0;
            param.GetDouble(id, real);
            param.BoolValue(id);
        }
        param.WriteOption("201", "4", "DEFAULT");
        const std::vector<std::string> rulers = param.GetRulerNames();
        if (!rulers.empty())
            param.DeleteRuler(rulers.front());
        param.Close();
    }
    MParam::ResetForTesting();
    return 0;
}
