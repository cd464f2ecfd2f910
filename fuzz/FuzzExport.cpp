// Fuzz target of the export writers: one row of arbitrary texts, a number
// and a date, exported under an arbitrary target name and folder text into
// one of the formats chosen by the first byte; a Paradox table is then
// given a primary key and one more record, and written back keyed. Every
// outcome must be a file or an engine error; whatever is written is removed
// again.
#include "fuzz/FuzzInput.h"
#include "platform/jet/Jet.h"

#include <QTemporaryDir>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const char* const Formats[] = {"Text",        "HTML Export", "Excel 3.0",   "Excel 4.0", "Excel 5.0",
                               "Excel 8.0",   "Paradox 3.X", "Paradox 4.X", "Paradox 7.X", "dBase III",
                               "dBase IV",    "dBase 5.0",   "FoxPro 2.6",  "FoxPro 3.0"};

struct Setup {
    QTemporaryDir Folder;
    std::string Out = Folder.filePath("out").toStdString();
    jet::DBEnginePtr Engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    jet::WorkspacePtr Workspace = Engine->CreateWorkspace("Fuzz", "Admin", "");
    jet::DatabasePtr Db;

    Setup()
    {
        std::filesystem::create_directory(Out);
        Db = Workspace->CreateDatabase(Folder.filePath("fuzz.mdb").toStdString(), ";LANGID=0x0409;CP=1252;COUNTRY=0");
        const jet::TableDefPtr table = Db->CreateTableDef("T");
        table->Fields().Append(table->CreateField("Name", jet::dbText, 255));
        table->Fields().Append(table->CreateField("Note", jet::dbMemo));
        table->Fields().Append(table->CreateField("Value", jet::dbDouble));
        table->Fields().Append(table->CreateField("Taken", jet::dbDate));
        Db->TableDefs().Append(table);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    if (size < 1)
        return 0;
    const std::string format = Formats[data[0] % (sizeof Formats / sizeof Formats[0])];
    const std::vector<std::string> parts = fuzzinput::Parts(data + 1, size - 1, 6);
    try {
        setup.Db->Execute("DELETE * FROM T");
        const jet::RecordsetPtr rows = setup.Db->OpenRecordset("T", jet::dbOpenTable);
        rows->AddNew();
        try {
            rows->Fields().Item("Name")->SetValue(parts[2].substr(0, 255));
            rows->Fields().Item("Note")->SetValue(parts[3]);
            double value = 0;
            std::memcpy(&value, (parts[4] + std::string(8, '\0')).data(), sizeof value);
            rows->Fields().Item("Value")->SetValue(value);
            rows->Fields().Item("Taken")->SetValue(parts[5].empty() ? jet::Variant::Null()
                                                                    : jet::Variant::Date(value));
            rows->Update();
        } catch (const jet::EngineError&) {
            rows->CancelUpdate();
        }
        rows->Close();
        // A folder is one below the output folder: ".." could reach any folder.
        if (parts[1].find("..") != std::string::npos)
            return 0;
        const std::string folder = parts[1].empty() ? setup.Out : setup.Out + "/" + parts[1];
        const std::string in = format.rfind("Excel", 0) == 0 ? folder + "/book.xls" : folder;
        setup.Db->Execute("SELECT * INTO [" + parts[0] + "] IN \"" + in + "\"[" + format + ";] FROM T");
        // A Paradox table given a primary key is written back keyed, its
        // records in key order with its primary index: the key is the text,
        // over the exported record and one more.
        if (format.rfind("Paradox", 0) == 0) {
            const jet::DatabasePtr paradox = setup.Workspace->OpenDatabase(folder, false, false, format + ";");
            const std::string table = "[" + paradox->TableDefs().Item(0)->Name() + "]";
            const std::string name = paradox->TableDefs().Item(0)->Fields().Item(0)->Name();
            paradox->Execute("CREATE INDEX Key ON " + table + " ([" + name + "]) WITH PRIMARY");
            const jet::RecordsetPtr more = paradox->OpenRecordset(table, jet::dbOpenDynaset);
            more->AddNew();
            more->Fields().Item(0)->SetValue(parts[3].substr(0, 255));
            more->Update();
            more->Close();
            paradox->Close();
        }
    } catch (const jet::EngineError&) {
    }
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(setup.Out, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    return 0;
}
