// Fuzz target of the export writers with many rows of every field type: the
// input chooses the format (each of the engine's export formats, another
// database file named by [file].[table] or by IN "file"[]), how many rows,
// the connect options written after the format's name, the target's name,
// and the bytes the rows' values are drawn from (Nulls, limits, texts of any
// bytes, long memos, binary values, GUIDs, dates out of range). The rows are
// added and the statement run in a transaction that is rolled back; what was
// written is removed. Every outcome must be files or an engine error.
//
// Input: byte 0 the format, byte 1 the rows (times 4 when byte 2 is odd),
// then, split at zero bytes, the connect options, the target name, and the
// value bytes.
#include "fuzz/FuzzInput.h"
#include "platform/jet/Jet.h"

#include <QTemporaryDir>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const char* const Formats[] = {"Text",        "HTML Export", "Excel 3.0",   "Excel 4.0",   "Excel 5.0",
                               "Excel 7.0",   "Excel 8.0",   "Paradox 3.X", "Paradox 4.X", "Paradox 5.X",
                               "Paradox 7.X", "dBase III",   "dBase IV",    "dBase 5.0",   "FoxPro 2.0",
                               "FoxPro 2.5",  "FoxPro 2.6",  "FoxPro 3.0"};
constexpr std::size_t FormatCount = sizeof Formats / sizeof Formats[0];
// Beyond the formats: another database file, by [file].[table] and by IN.
constexpr std::size_t TargetCount = FormatCount + 2;

struct Column {
    const char* Name;
    int Type;
    int Size;
};

const Column Columns[] = {
    {"Flag", jet::dbBoolean, 0},  {"Tiny", jet::dbByte, 0},       {"Count", jet::dbInteger, 0},
    {"Number", jet::dbLong, 0},   {"Big", jet::dbBigInt, 0},      {"Price", jet::dbCurrency, 0},
    {"Small", jet::dbSingle, 0},  {"Ratio", jet::dbDouble, 0},    {"Taken", jet::dbDate, 0},
    {"Name", jet::dbText, 255},   {"Note", jet::dbMemo, 0},       {"Code", jet::dbBinary, 32},
    {"Photo", jet::dbLongBinary, 0}, {"Tag", jet::dbGUID, 0},
};

struct Setup {
    QTemporaryDir Folder;
    std::string Out = Folder.filePath("out").toStdString();
    std::string Other = Folder.filePath("out/other.mdb").toStdString();
    jet::DBEnginePtr Engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
    jet::WorkspacePtr Workspace = Engine->CreateWorkspace("Fuzz", "Admin", "");
    jet::DatabasePtr Db;

    Setup()
    {
        std::filesystem::create_directory(Out);
        Engine->Workspaces().Append(Workspace);
        Db = Workspace->CreateDatabase(Folder.filePath("fuzz.mdb").toStdString(), ";LANGID=0x0409;CP=1252;COUNTRY=0");
        const jet::TableDefPtr table = Db->CreateTableDef("T");
        for (const Column& column : Columns)
            table->Fields().Append(table->CreateField(column.Name, column.Type, column.Size));
        Db->TableDefs().Append(table);
    }

    // Removes every file the export wrote.
    void Tidy()
    {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(Out, ignored))
            std::filesystem::remove_all(entry.path(), ignored);
    }
};

// Bytes drawn in turn from the input, over again when they run out.
class Pool {
public:
    explicit Pool(std::string bytes) : Bytes(std::move(bytes)) {}
    std::string Take(std::size_t count)
    {
        std::string taken;
        for (std::size_t i = 0; i < count; ++i)
            taken += Bytes.empty() ? '\0' : Bytes[At++ % Bytes.size()];
        return taken;
    }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Take(1)[0]); }
    template <class T>
    T Number()
    {
        T value{};
        const std::string bytes = Take(sizeof value);
        std::memcpy(&value, bytes.data(), sizeof value);
        return value;
    }

private:
    std::string Bytes;
    std::size_t At = 0;
};

jet::Variant ValueOf(const Column& column, Pool& pool)
{
    if (pool.Byte() % 8 == 0)
        return jet::Variant::Null();
    switch (column.Type) {
    case jet::dbBoolean: return jet::Variant(pool.Byte() % 2 == 1);
    case jet::dbByte: return jet::Variant::Byte(pool.Byte());
    case jet::dbInteger: return jet::Variant::Smallint(pool.Number<std::int16_t>());
    case jet::dbLong: return jet::Variant(pool.Number<std::int32_t>());
    case jet::dbBigInt: return jet::Variant(pool.Number<std::int64_t>());
    case jet::dbCurrency: return jet::Variant::CurrencyScaled(pool.Number<std::int64_t>());
    case jet::dbSingle: return jet::Variant::Single(pool.Number<float>());
    case jet::dbDouble: return jet::Variant(pool.Number<double>());
    case jet::dbDate: return jet::Variant::Date(pool.Number<double>());
    case jet::dbText: return jet::Variant(pool.Take(pool.Byte()));
    case jet::dbMemo: return jet::Variant(pool.Take(pool.Number<std::uint16_t>() % 5000));
    case jet::dbBinary: return jet::Variant::Bytes(pool.Take(pool.Byte() % 33));
    case jet::dbLongBinary: return jet::Variant::Bytes(pool.Take(pool.Number<std::uint16_t>() % 3000));
    default: return jet::Variant::Bytes(pool.Take(16));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    if (size < 3)
        return 0;
    const std::size_t target = data[0] % TargetCount;
    // Up to 1,020 rows: more would make each input take seconds.
    const std::size_t rows = data[1] * (data[2] % 2 ? 4u : 1u);
    const std::vector<std::string> parts = fuzzinput::Parts(data + 3, size - 3, 3);
    const std::string& options = parts[0];
    const std::string& name = parts[1];
    Pool pool(parts[2]);

    setup.Workspace->BeginTrans();
    try {
        const jet::RecordsetPtr table = setup.Db->OpenRecordset("T", jet::dbOpenTable);
        for (std::size_t r = 0; r < rows; ++r) {
            table->AddNew();
            for (const Column& column : Columns) {
                try {
                    table->Fields().Item(column.Name)->SetValue(ValueOf(column, pool));
                } catch (const jet::EngineError&) {
                    // A value the field refuses leaves it Null.
                }
            }
            table->Update();
        }
        table->Close();
        std::string into;
        if (target < FormatCount) {
            const bool workbook = std::string(Formats[target]).rfind("Excel", 0) == 0;
            into = "[" + name + "] IN \"" + setup.Out + (workbook ? "/book.xls" : "") + "\"[" + Formats[target] + ";"
                + options + "]";
        } else {
            if (!std::filesystem::exists(setup.Other))
                setup.Workspace->CreateDatabase(setup.Other, ";LANGID=0x0409;CP=1252;COUNTRY=0")->Close();
            into = target == FormatCount ? "[" + setup.Other + "].[" + name + "]"
                                         : "[" + name + "] IN \"" + setup.Other + "\"[;" + options + "]";
        }
        setup.Db->Execute("SELECT * INTO " + into + " FROM T");
    } catch (const jet::EngineError&) {
    }
    setup.Workspace->Rollback();
    setup.Tidy();
    return 0;
}
