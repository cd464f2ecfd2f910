#include "settings/MParam.h"

#include "platform/db/TDataSet.h"
#include "platform/jet/Database.h"
#include "platform/jet/EngineError.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/FloatText.h"
#include "settings/MDMMain.h"
#include "settings/MDataOptions.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>

namespace {

struct OptionDefault {
    int Id;
    const char* Text;
};

// The option table in ascending id order, each id with its default text.
constexpr OptionDefault kOptionDefaults[] = {
    {OPT_COLOR_DESIGN, "16777215"},
    {OPT_COLOR_NORMAL, "16777215"},
    {OPT_COLOR_ACTIVE, "10066431"},
    {OPT_COLOR_BRUSH, "16777215"},
    {OPT_COLOR_MARK, "0"},
    {OPT_COLOR_MARK_FONT, "0"},
    {OPT_COLOR_MARK_BG, "16777215"},
    {OPT_MARK_BG, "0"},
    {OPT_ACTIVE_WIDTH, "3"},
    {OPT_GRAB_DEVICE, ""},
    {OPT_GRAB_FORMAT, "0"},
    {OPT_GRAB_STRETCH, "0"},
    {OPT_GRAB_CROSS, "0"},
    {OPT_GRAB_CROSS_COLOR, "16777215"},
    {OPT_GRAB_SAVE_SHAPES, "0"},
    {OPT_GRAB_USER_SIZE, "0"},
    {OPT_GRAB_WIDTH, "640"},
    {OPT_GRAB_HEIGHT, "480"},
    {OPT_VIEW_TOOL, "1"},
    {OPT_VIEW_SHAPE, "1"},
    {OPT_VIEW_ATTR, "1"},
    {OPT_VIEW_MARK, "1"},
    {OPT_VIEW_RELATION, "1"},
    {OPT_VIEW_RULE, "1"},
    {OPT_VIEW_ZOOM, "1"},
    {OPT_VIEW_NAME, "1"},
    {OPT_VIEW_EDIT, "1"},
    {OPT_VIEW_DIGIT, "1"},
    {OPT_POS_VALUE, "0"},
    {OPT_POS_MAIN, "0"},
    {OPT_SIZE_VALUE, "0"},
    {OPT_SIZE_MAIN, "0"},
    {OPT_POS_TOOLBAR_TOOL, "0"},
    {OPT_POS_TOOLBAR_RELATION, "0"},
    {OPT_POS_ZOOM, "0"},
    {OPT_POS_TOOLBAR_SHAPE, "0"},
    {OPT_POS_TOOLBAR_EDIT, "0"},
    {OPT_POS_RULE_HORI_VERT, "0"},
    {OPT_POS_DIGIT, "0"},
    {OPT_LANGUAGE, "2"},
    {OPT_UNUSED_552, "1"},
    {OPT_UNUSED_553, "0"},
    {OPT_DRAG_DRAW, "0"},
    {OPT_MARK_NEW_SHAPE, "1"},
    {OPT_RULE_LOAD_SAVED, "0"},
    {OPT_RULE_SCALE, "0"},
    {OPT_RULE_UNIT, ""},
    {OPT_RULE_CALIB_VALUE, "0"},
    {OPT_RULE_USER, "0"},
    {OPT_RULE_USER_VALUE, "1"},
    {OPT_RULE_MAG, "0"},
    {OPT_UNUSED_708, "1"},
    {OPT_RULE_VALUE_HORI, "0"},
    {OPT_RULE_VALUE_VERT, "0"},
    {OPT_RULE_UNIT_HORI, ""},
    {OPT_RULE_UNIT_VERT, ""},
    {OPT_RULE_UNIT_USER, ""},
    {OPT_DECIMAL_LENGTH, "4"},
    {OPT_MARK_FONT, "0"},
    {OPT_MARK_FONT_NAME, ""},
    {OPT_MARK_FONT_CHARSET, "0"},
    {OPT_MARK_FONT_HEIGHT, "0"},
    {OPT_MARK_FONT_SIZE, "0"},
    {OPT_LINE_VERT, "0"},
    {OPT_LINE_VERT_WIDTH, "20"},
    {OPT_LINE_VERT_DOT, "1"},
    {OPT_UNUSED_1001, "200"},
    {OPT_UNUSED_1002, "200"},
    {OPT_UNUSED_1003, "2"},
    {OPT_UNUSED_1004, "2"},
    {OPT_UNUSED_1005, "1"},
    {OPT_PRINT_INFO, "0"},
    {OPT_PRINT_UNIT, ""},
    {OPT_PRINT_NAME, ""},
    {OPT_PRINT_AUTHOR, ""},
    {OPT_PRINT_ATTR, "0"},
    {OPT_PRINT_MAG, "0"},
    {OPT_PRINT_MAG_VALUE, ""},
    {OPT_PRINT_ADJUST, "100"},
    {OPT_EXIT_CONFIRM, "1"},
};

struct IntegerOptionRange {
    int Id;
    MOptionRange Range;
};

// What the readers of each integer option can take. Switches (any number is
// on or off), the language (an unknown code keeps the texts), the decimals
// (value texts cap them to 0..5), the mark font's character set (its low
// byte is taken) and the reserved options (read by nothing) take any int and
// are not listed.
constexpr int kPackedLimit = 99'999'999; // y * 10000 + x with |y| and x below 10000
constexpr IntegerOptionRange kIntegerRanges[] = {
    {OPT_COLOR_DESIGN, {0, 0xFFFFFF}},
    {OPT_COLOR_NORMAL, {0, 0xFFFFFF}},
    {OPT_COLOR_ACTIVE, {0, 0xFFFFFF}},
    {OPT_COLOR_BRUSH, {0, 0xFFFFFF}},
    {OPT_COLOR_MARK, {0, 0xFFFFFF}},
    {OPT_COLOR_MARK_FONT, {0, 0xFFFFFF}},
    {OPT_COLOR_MARK_BG, {0, 0xFFFFFF}},
    {OPT_ACTIVE_WIDTH, {0, 100}}, // pixels around a click; the options dialog offers 1 to 5
    {OPT_GRAB_FORMAT, {0, std::numeric_limits<int>::max()}}, // a packed frame size; 0 is none
    {OPT_GRAB_STRETCH, {0, 1}},
    {OPT_GRAB_CROSS, {0, 1}},
    {OPT_GRAB_CROSS_COLOR, {0, 0xFFFFFF}},
    {OPT_GRAB_WIDTH, {1, OPT_GRAB_SIZE_MAX}},
    {OPT_GRAB_HEIGHT, {1, OPT_GRAB_SIZE_MAX}},
    {OPT_POS_VALUE, {-kPackedLimit, kPackedLimit}},
    {OPT_POS_MAIN, {-kPackedLimit, kPackedLimit}},
    {OPT_SIZE_VALUE, {0, kPackedLimit}},
    {OPT_SIZE_MAIN, {0, kPackedLimit}},
    {OPT_POS_TOOLBAR_TOOL, {-kPackedLimit, kPackedLimit}},
    {OPT_POS_TOOLBAR_RELATION, {-kPackedLimit, kPackedLimit}},
    {OPT_POS_ZOOM, {-kPackedLimit, kPackedLimit}},
    {OPT_POS_TOOLBAR_SHAPE, {-kPackedLimit, kPackedLimit}},
    {OPT_POS_TOOLBAR_EDIT, {-kPackedLimit, kPackedLimit}},
    {OPT_POS_RULE_HORI_VERT, {-kPackedLimit, kPackedLimit}},
    {OPT_POS_DIGIT, {-kPackedLimit, kPackedLimit}},
    {OPT_MARK_FONT_HEIGHT, {-100, 100}}, // pixels; the size (805) set after it decides
    {OPT_MARK_FONT_SIZE, {0, OPT_MARK_FONT_SIZE_MAX}}, // 0 and below: the default size
    {OPT_LINE_VERT_WIDTH, {0, 99'999}}, // pixels; the options dialog takes five digits
};

// Names of the configuration record's fields and record groups.
const std::string kConfigName = "ConfigName";
const std::string kOptionName = "OptionName";
const std::string kOptionValue = "OptionValue";
const std::string kSettings = "DEFAULT";
const std::string kRulerValueHori = "RULERVALUEHORI";
const std::string kRulerValueVert = "RULERVALUEVERT";
const std::string kRulerUnitHori = "RULERUNITHORI";
const std::string kRulerUnitVert = "RULERUNITVERT";
const std::string kRulerValue = "RULERVALUE";
const std::string kRulerUnit = "RULERUNIT";

// Whether an error says that another connection holds a database of ours.
bool IsBusy(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const jet::EngineError& engineError) {
        return engineError.Number() == jet::errFileInUse || engineError.Number() == jet::errLocked;
    } catch (...) {
        return false;
    }
}

// Whether the dataset has the three fields of a configuration record.
bool HasRecordFields(TDataSet& dataSet)
{
    return dataSet.FindField(kConfigName) && dataSet.FindField(kOptionName) && dataSet.FindField(kOptionValue);
}

bool IsRulerKey(const std::string& configName)
{
    return configName == kRulerValueHori || configName == kRulerValueVert || configName == kRulerUnitHori
        || configName == kRulerUnitVert || configName == kRulerValue || configName == kRulerUnit;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// A decimal integer in 64 bits, with an optional sign and surrounding blanks.
bool ParseLongLong(std::string_view text, long long& value)
{
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') // one sign at most
            return false;
    }
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// The same in 32 bits.
bool ParseInt(std::string_view text, int& value)
{
    long long number = 0;
    if (!ParseLongLong(text, number) || number < std::numeric_limits<int>::min()
        || number > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(number);
    return true;
}

// A stored integer brought into the range of its option; other texts as they are.
std::string IntoRange(int id, const std::string& text)
{
    const MOptionRange range = MParam::IntegerRange(id);
    long long number = 0;
    if (!ParseLongLong(text, number) || (number >= range.Min && number <= range.Max))
        return text;
    return std::to_string(std::clamp<long long>(number, range.Min, range.Max));
}

// A finite number written with "." or, as older stored values may be, with ",".
bool ParseDouble(std::string_view text, double& value)
{
    std::string number(Trimmed(text));
    if (number.find('.') == std::string::npos) {
        if (const auto comma = number.find(','); comma != std::string::npos)
            number[comma] = '.';
    }
    if (!number.empty() && number.front() == '+') {
        number.erase(0, 1);
        if (!number.empty() && number.front() == '-') // one sign at most
            return false;
    }
    if (number.empty())
        return false;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    return error == std::errc() && end == number.data() + number.size() && std::isfinite(value);
}

// Moves an unreadable settings file beside itself under a dated name that no
// file has yet ("Config/Config.xml" to "Config/Config-2025-12-10-163205.xml").
// The new name, or "" when the file could not be moved.
std::string KeepAside(std::string file)
{
    std::replace(file.begin(), file.end(), '\\', '/');
    const QFileInfo info(QString::fromStdString(file));
    const QString stem = info.path() + "/" + info.completeBaseName() + "-"
        + QDateTime::currentDateTime().toString("yyyy-MM-dd-HHmmss");
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    for (int copy = 1; copy < 100; ++copy) {
        const QString kept = stem + (copy > 1 ? "-" + QString::number(copy) : QString()) + suffix;
        if (QFileInfo::exists(kept))
            continue;
        return QFile::rename(info.filePath(), kept) ? kept.toStdString() : std::string();
    }
    return {};
}

// How long Open waits for a Config.dat that another program holds, and how
// long it pauses between its tries.
constexpr std::chrono::milliseconds kBusyWait{5000};
constexpr std::chrono::milliseconds kBusyRetryPause{100};
std::optional<std::chrono::milliseconds> busyWaitForTesting;

std::chrono::milliseconds BusyWait()
{
    return busyWaitForTesting.value_or(kBusyWait);
}

std::unique_ptr<MParam>& Instance()
{
    static std::unique_ptr<MParam> instance;
    return instance;
}

} // namespace

MParam* MParam::GetInstance()
{
    std::unique_ptr<MParam>& instance = Instance();
    if (!instance)
        instance.reset(new MParam());
    return instance.get();
}

void MParam::ResetForTesting()
{
    Instance().reset();
    // Every value is gone with the store: what was read from it is stale,
    // even before the next store is made.
    ++generation;
}

void MParam::SetBusyWaitForTesting(std::optional<std::chrono::milliseconds> wait)
{
    busyWaitForTesting = wait;
}

MOptionRange MParam::IntegerRange(int id)
{
    for (const IntegerOptionRange& option : kIntegerRanges)
        if (option.Id == id)
            return option.Range;
    return {std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
}

MParam::MParam()
{
    ++generation;
    for (const OptionDefault& option : kOptionDefaults)
        Options.emplace(option.Id, option.Text);
}

std::string& MParam::Value(int id)
{
    return Options[id];
}

void MParam::GetText(int id, std::string& value)
{
    value = Value(id);
}

void MParam::GetInt(int id, int& value)
{
    if (!ParseInt(Value(id), value))
        value = 0;
}

void MParam::GetLong(int id, std::int32_t& value)
{
    GetInt(id, value);
}

void MParam::GetDouble(int id, double& value)
{
    if (!ParseDouble(Value(id), value))
        value = 0.0;
}

void MParam::GetBool(int id, bool& value)
{
    int number = 0;
    value = ParseInt(Value(id), number) && number != 0;
}

bool MParam::BoolValue(int id)
{
    bool value = false;
    GetBool(id, value);
    return value;
}

int MParam::GetColor(int id)
{
    int value = 0;
    GetInt(id, value);
    return value;
}

int MParam::GetActiveWidth()
{
    int value = 0;
    GetInt(OPT_ACTIVE_WIDTH, value);
    return value;
}

double MParam::GetScale()
{
    double value = 0.0;
    GetDouble(OPT_RULE_SCALE, value);
    return value;
}

bool MParam::HasScale()
{
    return GetScale() > 0.0;
}

void MParam::SetText(int id, const std::string& text, bool save)
{
    Value(id) = text;
    ++generation;
    if (save)
        WriteOption(std::to_string(id), text, kSettings);
}

void MParam::SetInt(int id, int value, bool save)
{
    SetText(id, std::to_string(value), save);
}

void MParam::SetLong(int id, std::int32_t value, bool save)
{
    SetText(id, std::to_string(value), save);
}

void MParam::SetDouble(int id, double value, bool save)
{
    SetText(id, platform::FloatToStr(value), save);
}

void MParam::SetBool(int id, bool value, bool save)
{
    SetText(id, value ? "1" : "0", save);
}

void MParam::SetColor(int id, int color)
{
    SetInt(id, color, false);
}

void MParam::SetActiveWidth(int width)
{
    SetInt(OPT_ACTIVE_WIDTH, width, false);
}

void MParam::SetScale(double scale)
{
    SetDouble(OPT_RULE_SCALE, scale, BoolValue(OPT_RULE_LOAD_SAVED));
}

MParam::TBackendOpen MParam::OpenBackend(TDataSet* table, TCustomConnection* connection)
{
    DataSet = table;
    if (!table)
        return TBackendOpen::Unavailable;
    // Any failure just means this backend is not available here, or not
    // now; a connection made for it is let go again.
    const bool wasConnected = connection && connection->Connected();
    TBackendOpen result = TBackendOpen::Unavailable;
    try {
        if (connection)
            connection->Open();
        table->SetActive(true);
        // A table of another shape would take no write: it is not a store.
        if (HasRecordFields(*table))
            result = TBackendOpen::Opened;
        else
            table->SetActive(false);
    } catch (...) {
        if (IsBusy(std::current_exception()))
            result = TBackendOpen::Busy;
    }
    if (result != TBackendOpen::Opened && connection && !wasConnected) {
        try {
            connection->Close();
        } catch (...) {
        }
    }
    return result;
}

bool MParam::OpenConfigDatabase()
{
    const auto deadline = std::chrono::steady_clock::now() + BusyWait();
    for (;;) {
        const TBackendOpen result = OpenBackend(DMMain->KTableConfig.get(), DMMain->KDBConfig.get());
        if (result != TBackendOpen::Busy)
            return result == TBackendOpen::Opened;
        if (std::chrono::steady_clock::now() >= deadline) {
            BusyStoreText = TDMMain::ConfigDatabaseFile;
            return false;
        }
        std::this_thread::sleep_for(kBusyRetryPause);
    }
}

bool MParam::ServerStoreMayOpenLater()
{
    if (!DMMain || !DMMain->FirebirdDBConfig)
        return false;
    const TIBDatabase& database = *DMMain->FirebirdDBConfig;
    std::error_code error;
    return database.IsRemote() || std::filesystem::exists(database.LocalFileName(), error);
}

bool MParam::StartFreshStore(bool xmlFileUnreadable)
{
    TClientDataSet* options = DataModuleOptions->DataSetOptions.get();
    const std::string file = options->FileName();
    if (xmlFileUnreadable) {
        const std::string kept = KeepAside(file);
        if (kept.empty())
            return false; // the operator's file stays where it is, untouched
        StoreNoteText = file + " -> " + kept;
    }
    if (DMMain && DMMain->KDBConfig && DMMain->KTableConfig) {
        std::error_code error;
        if (!std::filesystem::exists(TDMMain::ConfigDatabaseFile, error) && !error) {
            if (OpenFreshDatabase())
                return true;
        } else {
            // Not a database of ours, or not one we can open: it stays as it
            // is, and the status bar says where the settings go instead.
            StoreNoteText += (StoreNoteText.empty() ? "" : "; ") + std::string(TDMMain::ConfigDatabaseFile) + " -> " + file;
        }
    }
    options->SetCreateMissingFile(true);
    const bool opened = OpenBackend(options, nullptr) == TBackendOpen::Opened;
    options->SetCreateMissingFile(false);
    return opened;
}

bool MParam::OpenFreshDatabase()
{
    try {
        DMMain->CreateConfigDatabase();
    } catch (...) {
        return false; // no engine, no room, or the name was taken meanwhile
    }
    if (OpenBackend(DMMain->KTableConfig.get(), DMMain->KDBConfig.get()) == TBackendOpen::Opened)
        return true;
    // Made just now and holding nothing yet: it goes, so that it hides nothing.
    std::error_code ignored;
    std::filesystem::remove(TDMMain::ConfigDatabaseFile, ignored);
    return false;
}

void MParam::RemoveLeftoversOfKilledWriters()
{
    std::set<std::string> folders;
    if (DMMain)
        folders.insert(std::filesystem::path(TDMMain::ConfigDatabaseFile).parent_path().string());
    if (DataModuleOptions) {
        std::string file = DataModuleOptions->DataSetOptions->FileName();
        std::replace(file.begin(), file.end(), '\\', '/');
        folders.insert(std::filesystem::path(file).parent_path().string());
    }
    for (const std::string& folder : folders)
        platform::RemoveLeftoverTemporaryFiles(folder);
}

bool MParam::Open()
{
    if (IsOpen)
        return false;
    StoreNoteText.clear();
    BusyStoreText.clear();
    WriteRefusalTold = false;
    WaitsGivenUpCount = 0;
    CloseMayWaitFrom = {};
    RemoveLeftoversOfKilledWriters();
    bool opened = DMMain && DMMain->KDBConfig && OpenConfigDatabase();
    // The settings are in a database another program holds: a store started
    // elsewhere would take them away from it.
    if (!BusyStoreText.empty())
        return false;
    bool xmlFileUnreadable = false;
    if (!opened && DataModuleOptions) {
        TClientDataSet* options = DataModuleOptions->DataSetOptions.get();
        DataSet = options;
        try {
            options->SetActive(true);
            opened = true;
        } catch (const EDataPacketError&) {
            xmlFileUnreadable = true;
        } catch (...) {
        }
    }
    if (!opened && DMMain)
        opened = OpenBackend(DMMain->FirebirdTableConfig.get(), DMMain->FirebirdDBConfig.get()) == TBackendOpen::Opened;
    // A fresh store never hides one that may open next time.
    if (!opened && DataModuleOptions && !ServerStoreMayOpenLater())
        opened = StartFreshStore(xmlFileUnreadable);
    if (!opened)
        return false;
    if (DataModuleOptions && DataSet == DataModuleOptions->DataSetOptions.get())
        DataModuleOptions->DataSetOptions->SetLogChanges(false);

    IsOpen = true;
    LoadStoredOptions();
    return true;
}

void MParam::LoadStoredOptions()
{
    // One pass over the records finds what a ReadOption of each option would:
    // the value of the option's first settings record. A record that cannot
    // be read leaves its option at the default (nullopt), and so do the
    // records after one whose names cannot be read.
    std::map<std::string, std::optional<std::string>, std::less<>> firstValues;
    try {
        for (DataSet->First(); !DataSet->Eof(); DataSet->Next()) {
            const TField* config = DataSet->FindField(kConfigName);
            const TField* option = DataSet->FindField(kOptionName);
            if (!config || !option)
                return;
            if (config->AsString() != kSettings)
                continue;
            const auto [entry, first] = firstValues.try_emplace(option->AsString());
            if (!first)
                continue;
            try {
                const TField* value = DataSet->FindField(kOptionValue);
                entry->second = value ? value->AsString() : std::string();
            } catch (const std::exception&) {
            }
        }
    } catch (const std::exception&) {
    }
    for (auto& [id, text] : Options) {
        const auto stored = firstValues.find(std::to_string(id));
        if (stored != firstValues.end() && stored->second && !stored->second->empty()) {
            text = IntoRange(id, *stored->second);
            ++generation;
        }
    }
}

std::string MParam::ReadOption(const std::string& optionName, const std::string& configName)
{
    if (!IsOpen || !DataSet)
        return {};
    if (const auto pending = PendingWrites.find({configName, optionName}); pending != PendingWrites.end())
        return pending->second;
    DataSet->First();
    while (!DataSet->Eof()) {
        const TField* config = DataSet->FindField(kConfigName);
        const TField* option = DataSet->FindField(kOptionName);
        if (!config || !option)
            return {};
        if (config->AsString() == configName && option->AsString() == optionName) {
            const TField* value = DataSet->FindField(kOptionValue);
            return value ? value->AsString() : std::string();
        }
        DataSet->Next();
    }
    return {};
}

bool MParam::WriteOption(const std::string& optionName, const std::string& value, const std::string& configName)
{
    if (!IsOpen || !DataSet)
        return false;
    // Without all three fields a write would store nothing, or a record
    // without its value.
    if (!HasRecordFields(*DataSet)) {
        WriteRefused();
        return false;
    }
    // While writes are pending the store was found held past a wait: this
    // one joins them without waiting again, so that a long hold costs the
    // session one wait and not one per setting.
    const bool storeHeld = !PendingWrites.empty();
    const TRecordKey key{configName, optionName};
    PendingWrites[key] = value;
    return WritePendingRecords(storeHeld ? std::chrono::milliseconds(0) : BusyWait(), &key, storeHeld);
}

bool MParam::WritePendingRecords(std::chrono::milliseconds wait, const TRecordKey* key, bool keepOnRefusal)
{
    // On the data-access database the scan and the write are one
    // transaction, so that no other process adds the record in between.
    // When two write at once, one of them finds the file busy at once and
    // tries again, after the other's commit. The engine waits for a lock
    // only as long as this write may.
    TDaoDatabase* database = DMMain && DataSet == DMMain->KTableConfig.get() ? DMMain->KDBConfig.get() : nullptr;
    jet::Database* engine = database ? database->DatabaseObject.get() : nullptr;
    const int engineWait = engine ? engine->LockWait() : 0;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (engine)
            engine->SetLockWait(static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
        try {
            if (database)
                database->WorkspaceLevel_StartTransaction();
            bool written = false;
            for (const auto& [record, value] : PendingWrites) {
                const bool recordWritten = WriteRecord(record.second, value, record.first);
                if (key && record == *key)
                    written = recordWritten;
            }
            if (database)
                database->WorkspaceLevel_Commit();
            if (engine)
                engine->SetLockWait(engineWait);
            PendingWrites.clear();
            return written;
        } catch (...) {
            const bool busy = database && IsBusy(std::current_exception());
            // Leave no half-made record behind for the next operation to
            // post, without waiting for the store again; the rollback undoes
            // the transaction also when the table cannot re-read its rows.
            if (engine)
                engine->SetLockWait(0);
            try {
                if (DataSet->State() == dsEdit || DataSet->State() == dsInsert)
                    DataSet->Cancel();
            } catch (...) {
            }
            try {
                if (database)
                    database->WorkspaceLevel_Rollback();
            } catch (...) {
            }
            if (busy && wait.count() > 0) {
                if (std::chrono::steady_clock::now() < deadline)
                    continue;
                ++WaitsGivenUpCount;
                CloseMayWaitFrom = std::chrono::steady_clock::now() + wait;
            }
            if (engine)
                engine->SetLockWait(engineWait);
            // Only a held store keeps a write for later; one refused for
            // another reason (a read-only folder, a full disk) is let go.
            if (!busy && !keepOnRefusal)
                PendingWrites.clear();
            WriteRefused();
            return false;
        }
    }
}

bool MParam::WriteRecord(const std::string& optionName, const std::string& value, const std::string& configName)
{
    DataSet->First();
    while (!DataSet->Eof()) {
        const TField* config = DataSet->FindField(kConfigName);
        const TField* option = DataSet->FindField(kOptionName);
        if (config->AsString() == configName && option->AsString() == optionName) {
            // An empty value is written over a stored one too, so that a
            // cleared setting stays cleared after a restart.
            DataSet->Edit();
            DataSet->FindField(kOptionValue)->SetAsString(value);
            DataSet->Post();
            return true;
        }
        DataSet->Next();
    }
    if (value.empty())
        return false;
    DataSet->Append();
    DataSet->FindField(kOptionName)->SetAsString(optionName);
    DataSet->FindField(kConfigName)->SetAsString(configName);
    DataSet->FindField(kOptionValue)->SetAsString(value);
    DataSet->Post();
    return true;
}

void MParam::WriteRefused()
{
    if (WriteRefusalTold)
        return;
    WriteRefusalTold = true;
    if (OnWriteRefused)
        OnWriteRefused(StoreName());
}

std::string MParam::StoreName() const
{
    std::string name;
    if (DMMain && DataSet == DMMain->KTableConfig.get())
        name = TDMMain::ConfigDatabaseFile;
    else if (DataModuleOptions && DataSet == DataModuleOptions->DataSetOptions.get())
        name = DataModuleOptions->DataSetOptions->FileName();
    else if (DMMain && DataSet == DMMain->FirebirdTableConfig.get())
        name = DMMain->FirebirdDBConfig->IsRemote() ? DMMain->FirebirdDBConfig->DatabaseName()
                                                     : DMMain->FirebirdDBConfig->LocalFileName();
    std::replace(name.begin(), name.end(), '\\', '/');
    return name.starts_with("./") ? name.substr(2) : name;
}

bool MParam::SaveAll()
{
    if (!IsOpen)
        return false;
    bool all = true;
    for (const auto& [id, text] : Options)
        all = WriteOption(std::to_string(id), text, kSettings) && all;
    return all;
}

void MParam::Close()
{
    if (!IsOpen || !DataSet)
        return;
    if (!PendingWrites.empty()) {
        const bool gaveUpJustNow = std::chrono::steady_clock::now() < CloseMayWaitFrom;
        WritePendingRecords(gaveUpJustNow ? std::chrono::milliseconds(0) : BusyWait(), nullptr, true);
        PendingWrites.clear();
    }
    try {
        DataSet->SetActive(false);
    } catch (...) {
    }
    IsOpen = false;
}

bool MParam::LoadRulers()
{
    if (!IsOpen || !DataSet)
        return false;
    RulerValues.clear();
    RulerUnits.clear();
    Rulers.clear();
    DataSet->First();
    while (!DataSet->Eof()) {
        const TField* config = DataSet->FindField(kConfigName);
        const TField* option = DataSet->FindField(kOptionName);
        const TField* value = DataSet->FindField(kOptionValue);
        if (!config || !option || !value)
            return false;
        const std::string configName = config->AsString();
        const std::string name = option->AsString();
        const std::string text = value->AsString();
        if (configName == kRulerValue)
            RulerValues[name] = text;
        else if (configName == kRulerUnit)
            RulerUnits[name] = text;
        else if (configName == kRulerValueHori)
            Rulers[name].ValueHori = text;
        else if (configName == kRulerValueVert)
            Rulers[name].ValueVert = text;
        else if (configName == kRulerUnitHori)
            Rulers[name].UnitHori = text;
        else if (configName == kRulerUnitVert)
            Rulers[name].UnitVert = text;
        DataSet->Next();
    }
    return true;
}

bool MParam::SaveRulers()
{
    if (!IsOpen || !DataSet)
        return false;
    bool all = true;
    for (const auto& [name, value] : RulerValues)
        all = WriteOption(name, value, kRulerValue) && all;
    for (const auto& [name, unit] : RulerUnits)
        all = WriteOption(name, unit, kRulerUnit) && all;
    for (const auto& [name, ruler] : Rulers) {
        all = WriteOption(name, ruler.ValueHori, kRulerValueHori) && all;
        all = WriteOption(name, ruler.ValueVert, kRulerValueVert) && all;
        all = WriteOption(name, ruler.UnitHori, kRulerUnitHori) && all;
        all = WriteOption(name, ruler.UnitVert, kRulerUnitVert) && all;
    }
    return all;
}

std::vector<std::string> MParam::GetRulerNames()
{
    std::vector<std::string> names;
    for (const auto& entry : Rulers)
        names.push_back(entry.first);
    return names;
}

MRulerItem MParam::GetRuler(const std::string& name)
{
    return Rulers[name];
}

bool MParam::SetRuler(const std::string& name, MRulerItem item)
{
    Rulers[name] = std::move(item);
    return true;
}

bool MParam::DeleteRuler(const std::string& name)
{
    if (!IsOpen || !DataSet)
        return false;
    const bool known = (RulerValues.erase(name) + RulerUnits.erase(name) + Rulers.erase(name)) > 0;
    // A pending write of the ruler would bring it back.
    std::erase_if(PendingWrites, [&](const auto& pending) {
        return IsRulerKey(pending.first.first) && pending.first.second == name;
    });
    try {
        DataSet->First();
        while (!DataSet->Eof()) {
            const TField* config = DataSet->FindField(kConfigName);
            if (!config)
                return false;
            if (!IsRulerKey(config->AsString())) {
                DataSet->Next();
                continue;
            }
            const TField* option = DataSet->FindField(kOptionName);
            if (!option)
                return false;
            if (option->AsString() == name)
                DataSet->Delete(); // the record that followed is now current
            else
                DataSet->Next();
        }
    } catch (...) {
        WriteRefused();
        return false;
    }
    return known;
}
