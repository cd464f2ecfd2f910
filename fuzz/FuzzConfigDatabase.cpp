// Feeds the settings store's database file, Config/Config.dat, to the road
// the store takes at start-up: the data module's database component connects
// it, its table component opens the table "config", every record is read,
// and one is written back. The file comes from the input in one of two ways:
// after a first byte 0, the rest of the input is the whole file; otherwise
// the input is a list of patches (a two-byte offset, a length byte and that
// many bytes) applied to a real settings database, so that mutations reach
// the engine's catalog and the table's rows. Whatever the file holds, the
// road either works or raises, and a file that does not connect is left
// exactly as it was.
#include "fuzz/FuzzFiles.h"
#include "settings/MDMMain.h"
#include "tests/support/ConfigFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

struct Fixture {
    QTemporaryDir Folder;
    std::unique_ptr<TDMMain> DataModule;
    std::string Pristine; // a settings database with a few records

    // The store works in its working folder; libFuzzer's paths are the
    // caller's.
    struct InFolder {
        explicit InFolder(const QString& folder) { QDir::setCurrent(folder); }
        ~InFolder() { QDir::setCurrent(Previous); }
        QString Previous = QDir::currentPath();
    };

    Fixture()
    {
        const InFolder here(Folder.path());
        QDir().mkdir("Config");
        CreateConfigDatabase({{"DEFAULT", "551", "1"},
                              {"DEFAULT", "1104", "\xE5\xBC\xA0\xE4\xB8\x89"},
                              {"RULERVALUEHORI", "A", "0.5"}});
        DataModule = std::make_unique<TDMMain>();
        Pristine = fuzzfiles::ReadFile(TDMMain::ConfigDatabaseFile);
    }
};

std::string FileOf(const std::string& pristine, const std::uint8_t* data, std::size_t size)
{
    if (data[0] == 0)
        return std::string(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string file = pristine;
    fuzzfiles::ApplyPatches(file, data, size);
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture fixture;
    if (size == 0 || size > 200000)
        return 0;
    const Fixture::InFolder here(fixture.Folder.path());
    const std::string file = FileOf(fixture.Pristine, data, size);
    // No journal of an earlier input may roll this file back.
    std::filesystem::remove(std::string(TDMMain::ConfigDatabaseFile) + "-journal");
    std::ofstream(TDMMain::ConfigDatabaseFile, std::ios::binary | std::ios::trunc) << file;

    TDaoDatabase& database = *fixture.DataModule->KDBConfig;
    TDaoTable& table = *fixture.DataModule->KTableConfig;
    bool connected = false;
    try {
        database.Open();
        connected = true;
        table.Open();
        std::size_t bytes = 0;
        for (table.First(); !table.Eof(); table.Next())
            for (const char* name : {"ConfigName", "OptionName", "OptionValue"})
                if (TField* field = table.FindField(name))
                    bytes += field->AsString().size();
        if (TField* value = table.FindField("OptionValue"); value && !table.IsEmpty()) {
            table.First();
            table.Edit();
            value->SetAsString(std::to_string(bytes));
            table.Post();
        }
    } catch (...) {
        // Refused: the store goes on to its next backend.
    }
    try {
        if (table.State() == dsEdit || table.State() == dsInsert)
            table.Cancel();
        table.Close();
        database.Close();
    } catch (...) {
    }
    if (!connected && fuzzfiles::ReadFile(TDMMain::ConfigDatabaseFile) != file)
        std::abort(); // a file the store cannot use is never changed
    return 0;
}
