#include "dao/DaoTable.h"

#include "dao/Daoapi.h"
#include "dao/DaoTableSql.h"
#include "dao/DaoTableStream.h"
#include "dao/DaoTableValues.h"
#include "dao/Daoutils.h"
#include "dao/QueryDefDialogUnit.h"
#include "platform/db/ComponentRegistry.h"
#include "platform/gui/TApplication.h"
#include "platform/system/DateTime.h"
#include "platform/system/FloatText.h"
#include "platform/system/TextEncoding.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <fstream>
#include <random>

using namespace DaoTableMessages;

namespace {

std::mt19937& RandomGenerator()
{
    static std::mt19937 generator(
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    return generator;
}

bool IsBlobType(TFieldType type)
{
    return type == ftBlob || type == ftMemo || type == ftGraphic || type == ftFmtMemo || type == ftParadoxOle
        || type == ftDBaseOle || type == ftTypedBinary;
}

bool IsDateType(TFieldType type)
{
    return type == ftDate || type == ftTime || type == ftDateTime;
}

constexpr int GuidMarker = 47554944;

// The time-stamp text of an automation date.
std::string StampText(double automationDate)
{
    const platform::TTimeStamp stamp = platform::DateTimeToTimeStamp(automationDate);
    return std::to_string(stamp.Date) + " " + std::to_string(stamp.Time);
}

std::int32_t HandleOf(const jet::Bookmark& bookmark)
{
    if (bookmark.size() < 4)
        return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bookmark[0])
                                     | static_cast<std::uint32_t>(bookmark[1]) << 8
                                     | static_cast<std::uint32_t>(bookmark[2]) << 16
                                     | static_cast<std::uint32_t>(bookmark[3]) << 24);
}

jet::Bookmark BookmarkOf(std::int32_t handle)
{
    const auto raw = static_cast<std::uint32_t>(handle);
    return {static_cast<std::uint8_t>(raw), static_cast<std::uint8_t>(raw >> 8), static_cast<std::uint8_t>(raw >> 16),
            static_cast<std::uint8_t>(raw >> 24)};
}

// The record handle of the recordset's current record, read through
// `bytes` (which keep their storage from call to call) where the recordset
// has no head of its bookmark at hand; 0 without one.
std::int32_t ReadHandle(const jet::Recordset& recordset, jet::Bookmark& bytes)
{
    try {
        if (std::int32_t head = 0; recordset.BookmarkHead(head))
            return head;
        recordset.ReadBookmark(bytes);
        return HandleOf(bytes);
    } catch (...) {
        return 0;
    }
}

// The native value of a field from a kept engine value, where reading the
// value's text would give just that: 32-bit integers for integer fields,
// doubles whose text reads back exactly for number fields, Booleans for
// Boolean fields. False where the text is to be read.
bool KeptToNative(TFieldType type, const jet::Variant& kept, void* buffer)
{
    const std::uint16_t varType = kept.VarType();
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        if (varType != jet::varSmallint && varType != jet::varInteger && varType != jet::varByte)
            return false;
        {
            // The types taken all fit in 32 bits.
            const auto integer = static_cast<std::int32_t>(kept.AsInt64());
            std::memcpy(buffer, &integer, sizeof integer);
        }
        return true;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        if (varType != jet::varDouble)
            return false;
        {
            const double number = kept.AsDouble();
            if (!platform::FloatTextReadsBack(number))
                return false;
            std::memcpy(buffer, &number, sizeof number);
        }
        return true;
    case ftBoolean:
        if (varType != jet::varBoolean)
            return false;
        {
            const std::int16_t flag = kept.AsBoolean() ? 1 : 0;
            std::memcpy(buffer, &flag, sizeof flag);
        }
        return true;
    default:
        return false;
    }
}

std::string HandleBytes(std::int32_t handle)
{
    const jet::Bookmark bytes = BookmarkOf(handle);
    return std::string(bytes.begin(), bytes.end());
}

std::int32_t HandleOfBytes(const std::string& bytes)
{
    return HandleOf(jet::Bookmark(bytes.begin(), bytes.end()));
}

void HandleWaitingMessages(bool processMessages)
{
    if (processMessages && QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// Restores a dataset's state on every path out of a scope.
class TempState {
public:
    TempState(std::function<void()> restore)
        : Restore(std::move(restore))
    {
    }
    ~TempState() { Restore(); }
    TempState(const TempState&) = delete;
    TempState& operator=(const TempState&) = delete;

private:
    std::function<void()> Restore;
};

} // namespace


// --- TDaoIndexDefs ---

void TDaoIndexDefs::Add(const std::string& name, const std::string& fields, unsigned options)
{
    if (Table.FTableName.empty())
        return;
    AddIndexDef(name, fields, options);
    if (!Table.DatabaseConnected())
        return;
    jet::Database& database = Table.DaoDatabase();
    if (!TDaoTable::PropertyExists(database.TableDefs(), Table.FTableName))
        return;
    jet::TableDefPtr tableDef = database.TableDefs().Item(Table.FTableName);
    if (TDaoTable::PropertyExists(tableDef->Indexes(), name))
        return;
    TStringList names;
    StringToList(fields, names);
    for (const std::string& field : names)
        if (!TDaoTable::PropertyExists(tableDef->Fields(), field))
            return;
    const bool reopen = Table.Active();
    if (reopen)
        Table.Close();
    TempState reopenAfter([&] {
        if (reopen)
            Table.Open();
    });
    Table.FDatabase->RefreshDefinitions();
    jet::IndexPtr index = tableDef->CreateIndex(name);
    if (options & ixPrimary)
        index->SetPrimary(true);
    if (options & ixUnique)
        index->SetUnique(true);
    for (const std::string& field : names) {
        jet::FieldPtr indexField = index->CreateField(field);
        if (options & ixDescending)
            indexField->SetAttributes(indexField->Attributes() | jet::dbDescending);
        index->Fields().Append(indexField);
    }
    tableDef->Indexes().Append(index);
    Table.FDatabase->RefreshDefinitions();
}

void TDaoIndexDefs::DeleteIndex(const std::string& name)
{
    if (Table.FTableName.empty())
        return;
    const int at = IndexOf(name);
    if (at < 0)
        return;
    Remove(at);
    Quietly([&] {
        if (!Table.DatabaseConnected())
            return;
        jet::TableDefPtr tableDef = Table.DaoDatabase().TableDefs().Item(Table.FTableName);
        if (!TDaoTable::PropertyExists(tableDef->Indexes(), name))
            return;
        const bool reopen = Table.Active();
        if (reopen)
            Table.Close();
        TempState reopenAfter([&] {
            if (reopen)
                Table.Open();
        });
        Table.FDatabase->DeleteIndexByName(Table.FTableName, name);
    });
}

// --- Lifetime ---

void Daotable::Register()
{
    RegisterComponents("Data Access",
                       {{"TDaoTable", [](TComponent* owner) -> TComponent* { return new TDaoTable(owner); }}});
}

TDaoTable::TDaoTable(TComponent* owner)
    : TDataSet(owner)
{
    const long result = jet::CoInitialize();
    if (result != 0 && result != 1)
        DatabaseError(E2001);
    FOleInitialized = true;
}

TDaoTable::~TDaoTable()
{
    if (FCursorOpen) {
        Quietly([&] { Close(); });
        FCursorOpen = false;
    }
    if (FDatabase)
        Quietly([&] { FDatabase->RemoveActiveTable(this); });
    FRecordset.reset();
    if (FOleInitialized)
        jet::CoUninitialize();
}

std::vector<TPublishedProperty> TDaoTable::PublishedProperties() const
{
    using B = bool (TDaoTable::*)() const;
    const auto self = [](TComponent& c) -> TDaoTable& { return static_cast<TDaoTable&>(c); };
    const auto cself = [](const TComponent& c) -> const TDaoTable& { return static_cast<const TDaoTable&>(c); };
    const auto boolean = [&](const char* name, B get, std::function<void(TDaoTable&, bool)> set) {
        return TPublishedProperty{name, [cself, get](const TComponent& c) { return BoolToStreamText((cself(c).*get)()); },
                                  [self, set](TComponent& c, const std::string& v) { set(self(c), StreamTextToBool(v)); }};
    };
    const auto integer = [&](const char* name, std::function<int(const TDaoTable&)> get,
                             std::function<void(TDaoTable&, int)> set) {
        return TPublishedProperty{name, [cself, get](const TComponent& c) { return std::to_string(get(cself(c))); },
                                  [self, set](TComponent& c, const std::string& v) { set(self(c), StreamTextToInt(v)); }};
    };
    const auto text = [&](const char* name, std::function<std::string(const TDaoTable&)> get,
                          std::function<void(TDaoTable&, const std::string&)> set) {
        return TPublishedProperty{name, [cself, get](const TComponent& c) { return get(cself(c)); },
                                  [self, set](TComponent& c, const std::string& v) { set(self(c), v); }};
    };
    const auto lines = [&](const char* name, const TStringList& (TDaoTable::*get)() const,
                           std::function<void(TDaoTable&, const TStringList&)> set) {
        return TPublishedProperty{name, [cself, get](const TComponent& c) { return (cself(c).*get)().Text(); },
                                  [self, set](TComponent& c, const std::string& v) {
                                      TStringList list;
                                      list.SetText(v);
                                      set(self(c), list);
                                  }};
    };
    // Display properties: read from the database or the recordset, and
    // streamed like the others, but a value read from a stream is dropped.
    const auto shown = [&](const char* name, std::function<std::string(TDaoTable&)> get) {
        return TPublishedProperty{
            name, [get](const TComponent& c) { return get(const_cast<TDaoTable&>(static_cast<const TDaoTable&>(c))); },
            [](TComponent&, const std::string&) {}};
    };
    const auto component = [&](const char* name, std::function<TComponent*(const TDaoTable&)> get,
                               std::function<void(TDaoTable&, TComponent*)> set) {
        return TPublishedProperty{name,
                                  [cself, get](const TComponent& c) {
                                      const TComponent* value = get(cself(c));
                                      return value ? value->Name() : std::string();
                                  },
                                  [self, set, name](TComponent& c, const std::string& v) {
                                      TComponent* found =
                                          (v.empty() || !c.Owner()) ? nullptr : c.Owner()->FindComponent(v);
                                      if (!v.empty() && !found)
                                          throw EReadError(std::string("Invalid property value: ") + name + " " + v);
                                      set(self(c), found);
                                  }};
    };
    std::vector<TPublishedProperty> properties = TDataSet::PublishedProperties();
    const std::vector<TPublishedProperty> own = {
        boolean("AutoFindIndex", &TDaoTable::AutoFindIndex, &TDaoTable::SetAutoFindIndex),
        text("ComponentVersion", [](const TDaoTable& t) { return t.ComponentVersion(); },
             &TDaoTable::F_Set_ComponentVersion),
        boolean("CacheBlobs", &TDaoTable::CacheBlobs, &TDaoTable::F_Set_CacheBlobs),
        boolean("CacheMemos", &TDaoTable::CacheMemos, &TDaoTable::F_Set_CacheMemos),
        boolean("CacheLookups", &TDaoTable::CacheLookups, &TDaoTable::F_Set_CacheLookups),
        text("Database", [](const TDaoTable& t) { return t.FDatabase ? t.FDatabase->Name() : std::string(); },
             [](TDaoTable& t, const std::string& name) {
                 TComponent* found = (name.empty() || !t.Owner()) ? nullptr : t.Owner()->FindComponent(name);
                 auto* database = dynamic_cast<TDaoDatabase*>(found);
                 if (!name.empty() && !database)
                     throw EReadError("Invalid property value: Database " + name);
                 t.F_Set_Database(database);
             }),
        component("Encrypter", [](const TDaoTable& t) { return t.Encrypter(); },
                  [](TDaoTable& t, TComponent* encrypter) { t.F_Set_Encrypter(encrypter); }),
        integer("ExportMethod", [](const TDaoTable& t) { return int(t.ExportMethod()); },
                [](TDaoTable& t, int v) { t.SetExportMethod(v == AllFields ? AllFields : VisibleFields); }),
        boolean("RefreshSorted", &TDaoTable::RefreshSorted, &TDaoTable::SetRefreshSorted),
        text("TableName", &TDaoTable::F_Get_TableName, &TDaoTable::F_Set_TableName),
        // Each list is published under a second name as well.
        lines("SortedBy", &TDaoTable::SortedBy, &TDaoTable::F_Set_Sort),
        lines("SortedByText", &TDaoTable::SortedBy, &TDaoTable::F_Set_Sort),
        text("QueryDefName", [](const TDaoTable& t) { return t.QueryDefName(); }, &TDaoTable::F_Set_QueryDefName),
        lines("QueryDefParameters", &TDaoTable::QueryDefParameters, &TDaoTable::F_Set_QueryDefParameters),
        lines("QueryDefParametersText", &TDaoTable::QueryDefParameters, &TDaoTable::F_Set_QueryDefParameters),
        lines("QueryDefSQLText", &TDaoTable::QueryDefSQLText, &TDaoTable::F_Set_QueryDefSQLText),
        boolean("QueryDefSQLModify", &TDaoTable::QueryDefSQLModify, &TDaoTable::SetQueryDefSQLModify),
        integer("QueryDefODBCMaxRecords", &TDaoTable::QueryDefODBCMaxRecords, &TDaoTable::SetQueryDefODBCMaxRecords),
        shown("QueryDefType", [](TDaoTable& t) { return t.F_Get_QueryDefType(); }),
        lines("SQL", &TDaoTable::SQL, &TDaoTable::F_Set_SQL),
        text("ParamData", [](const TDaoTable& t) { return t.FParams.Text(); },
             [](TDaoTable& t, const std::string& v) { t.FParams.SetText(v); }),
        boolean("ShowGUID", &TDaoTable::ShowGUID, &TDaoTable::F_Set_ShowGUID),
        integer("TableType", &TDaoTable::TableType, &TDaoTable::F_Set_TableType),
        shown("TableDateCreated", [](TDaoTable& t) { return t.F_Get_DateCreated(); }),
        shown("TableLastUpdated", [](TDaoTable& t) { return t.F_Get_LastUpdated(); }),
        boolean("Translation", &TDaoTable::Translation, &TDaoTable::SetTranslation),
        integer("LockType", &TDaoTable::LockType, &TDaoTable::F_Set_LockType),
        integer("OpenOptions", [](const TDaoTable& t) { return int(t.OpenOptions()); },
                [](TDaoTable& t, int v) { t.F_Set_OpenOptions(static_cast<TOOSet>(v)); }),
        shown("IndexFieldCount", [](TDaoTable& t) { return std::to_string(t.F_Get_IndexFieldCount()); }),
        text("IndexName", &TDaoTable::F_Get_IndexName, &TDaoTable::F_Set_IndexName),
        boolean("ReadOnly", &TDaoTable::ReadOnly, &TDaoTable::F_Set_ReadOnly),
        shown("LockEdits", [](TDaoTable& t) { return BoolToStreamText(t.F_Get_LockEdits()); }),
        text("MasterSource",
             [](const TDaoTable& t) { return t.MasterSource() ? t.MasterSource()->Name() : std::string(); },
             [](TDaoTable& t, const std::string& name) {
                 TComponent* found = (name.empty() || !t.Owner()) ? nullptr : t.Owner()->FindComponent(name);
                 auto* source = dynamic_cast<TDataSource*>(found);
                 if (!name.empty() && !source)
                     throw EReadError("Invalid property value: MasterSource " + name);
                 t.F_Set_MasterSource(source);
             }),
        lines("MasterFields", &TDaoTable::MasterFields, &TDaoTable::F_Set_MasterFields),
        boolean("MasterAutoActivate", &TDaoTable::MasterAutoActivate, &TDaoTable::SetMasterAutoActivate),
        boolean("DatabaseAutoActivate", &TDaoTable::DatabaseAutoActivate, &TDaoTable::SetDatabaseAutoActivate),
        boolean("UseBrackets", &TDaoTable::UseBrackets, &TDaoTable::SetUseBrackets),
        boolean("UseCaptions", &TDaoTable::UseCaptions, &TDaoTable::SetUseCaptions),
        boolean("UseDaoProperties", &TDaoTable::UseDaoProperties, &TDaoTable::SetUseDaoProperties),
        boolean("UseGetRecNo", &TDaoTable::UseGetRecNo, &TDaoTable::SetUseGetRecNo),
        boolean("UseRecordCount", &TDaoTable::UseRecordCount, &TDaoTable::SetUseRecordCount),
        boolean("WarnOnBadDatabase", &TDaoTable::WarnOnBadDatabase, &TDaoTable::SetWarnOnBadDatabase),
        boolean("Filtered", &TDaoTable::Filtered, &TDaoTable::SetFiltered),
        text("Filter", [](const TDaoTable& t) { return t.Filter(); }, &TDaoTable::SetFilterText),
        boolean("ParamCheck", &TDaoTable::ParamCheck, &TDaoTable::SetParamCheck),
        boolean("ProcessMessages", &TDaoTable::ProcessMessages, &TDaoTable::SetProcessMessages),
        boolean("Active", &TDaoTable::Active, &TDaoTable::SetStreamedActive),
    };
    properties.insert(properties.end(), own.begin(), own.end());
    return properties;
}

void TDaoTable::SetStreamedActive(bool value)
{
    if (IsLoading())
        FStreamedActive = value;
    else
        SetActive(value);
}

void TDaoTable::Loaded()
{
    TDataSet::Loaded();
    if (!FStreamedActive)
        return;
    FStreamedActive = false;
    try {
        Open();
    } catch (...) {
        InternalHandleException();
    }
}

void TDaoTable::InternalHandleException()
{
    TApplication::HandleException();
}

void TDaoTable::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove) {
        if (component == FDatabase)
            FDatabase = nullptr;
        if (component && component == FEncrypter) {
            if (Active())
                Close();
            FEncrypterReady = false;
            FEncrypter = nullptr;
        }
    }
    TDataSet::Notification(component, operation);
}

int TDaoTable::GetTickCountEx()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    std::uniform_int_distribution<int> below(0, 9999);
    return static_cast<int>(clock.elapsed() & 0x3FFFFFFF) + below(RandomGenerator());
}

TDaoErrRec TDaoTable::GetLastDaoError()
{
    if (DatabaseConnected())
        return FDatabase->GetLastDaoError();
    return {};
}

// --- Helpers ---

void TDaoTable::CheckInactive(const char* message) const
{
    if (Active())
        DatabaseError(message);
}

bool TDaoTable::DatabaseConnected() const
{
    return FDatabase && FDatabase->Connected() && FDatabase->DatabaseObject;
}

jet::Database& TDaoTable::DaoDatabase() const
{
    if (!FDatabase || !FDatabase->DatabaseObject)
        throw jet::EngineError(jet::errObjectClosed, "Object invalid or no longer set.");
    return *FDatabase->DatabaseObject;
}

void TDaoTable::Reopen()
{
    if (IsLoading() || !FCursorOpen)
        return;
    Close();
    Open();
    First();
}

void TDaoTable::RequeryInPlace()
{
    if (!FCursorOpen)
        return;
    CheckBrowseMode();
    ClearBuffers();
    CloseDaoRecordset();
    OpenDaoRecordset();
    FCountStale = true;
    // A recordset opens on its first record; the buffers are filled from
    // before it, so that the first record becomes the current one.
    InternalFirst();
    ActivateBuffers();
}

bool TDaoTable::RecordsFiltered() const
{
    return (Filtered() && OnFilterRecord) || FRangeApplied;
}

jet::Field* TDaoTable::FieldObject(int index) const
{
    if (index < 0 || index >= static_cast<int>(FFieldObjects.size()))
        return nullptr;
    return FFieldObjects[static_cast<std::size_t>(index)].get();
}

void TDaoTable::IdleDatabase()
{
    // The engine's idle asks the file whether another connection wrote to
    // it, a system call or two; once per record it would cost more than
    // reading the record. As the old engine refreshed its cache every few
    // seconds, a table asks at most every tenth of a second, timed by the
    // coarse clock, which costs next to nothing to read.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    const long long milliseconds = static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    if (FLastIdle >= 0 && milliseconds - FLastIdle < 100)
        return;
    FDatabase->Idle();
    FLastIdle = milliseconds;
}

// --- Property setters ---

void TDaoTable::F_Set_CacheBlobs(bool value)
{
    FCacheBlobs = value;
    Reopen();
}

void TDaoTable::F_Set_CacheMemos(bool value)
{
    FCacheMemos = value;
    Reopen();
}

void TDaoTable::F_Set_CacheLookups(bool value)
{
    FCacheLookups = value;
    Reopen();
}

void TDaoTable::F_Set_ShowGUID(bool value)
{
    FShowGUID = value;
    Reopen();
}

void TDaoTable::F_Set_Encrypter(TComponent* value)
{
    FEncrypter = value;
    if (value)
        FreeNotification(value);
    Reopen();
}

void TDaoTable::F_Set_Database(TDaoDatabase* value)
{
    CheckInactive(E2011);
    FDatabase = value;
    if (value)
        FreeNotification(value);
}

void TDaoTable::F_Set_TableName(const std::string& value)
{
    CheckInactive(E2012);
    FTableName = value;
    if (value.empty())
        return;
    FIndexName.clear();
    FSQL.Clear();
    FParams.Clear();
    FQueryDefName.clear();
    FQueryDefSQLText.Clear();
    FQueryDefParameters.Clear();
    FSortedBy.Clear();
    FDisplayLabels.Clear();
    FieldDefs().Clear();
    FIndexDefs.Clear();
}

void TDaoTable::F_Set_SQL(const TStringList& value)
{
    SetSQLText(value.Text());
}

void TDaoTable::SetSQLText(const std::string& text)
{
    FSQL.SetText(text);
    if (!FSQL.Text().empty()) {
        FQueryDefParameters.Clear();
        FQueryDefSQLText.Clear();
        FQueryDefName.clear();
        FIndexName.clear();
        FTableName.clear();
        FDisplayLabels.Clear();
        FieldDefs().Clear();
        FIndexDefs.Clear();
    }
    UpdateParamsList();
}

void TDaoTable::UpdateParamsList()
{
    if (IsLoading() || (!FParamCheck && !IsDesigning()))
        return;
    TParams parsed;
    parsed.ParseSQL(FSQL.Text());
    parsed.AssignValues(FParams);
    FParams = parsed;
}

void TDaoTable::F_Set_TableType(int value)
{
    CheckInactive(E2015);
    FTableType = value;
    if (value != jet::dbOpenTable) {
        FIndexName.clear();
        FIndexDefs.Clear();
    }
    if (value == jet::dbOpenTable || value == jet::dbOpenForwardOnly)
        FSortedBy.Clear();
}

void TDaoTable::F_Set_LockType(int value)
{
    CheckInactive(E2016);
    FLockType = value;
}

void TDaoTable::F_Set_OpenOptions(TOOSet value)
{
    FOpenOptions = value;
    RequeryInPlace();
}

bool TDaoTable::ReadOnly() const
{
    return FReadOnly;
}

void TDaoTable::F_Set_ReadOnly(bool value)
{
    FReadOnly = value;
    if (FDatabase && FDatabase->Connected() && FDatabase->ReadOnly())
        FReadOnly = true;
}

void TDaoTable::F_Set_OnFilterRecord(std::function<void(TDataSet& dataSet, bool& accept)> handler)
{
    OnFilterRecord = std::move(handler);
    if (FCursorOpen && Filtered())
        RequeryInPlace();
}

void TDaoTable::F_SetBatchMode(bool value)
{
    FBatchMode = value;
    if (value) {
        DisableControls();
        return;
    }
    EnableControls();
    if (FCursorOpen) {
        Resync();
        if (FUseGetRecNo)
            GetRecNo();
    }
}

// --- SQL composition and filters ---

std::string TDaoTable::F_ComposeSQL(const TStringList& source) const
{
    return ComposeSQL(source.Text(), FParams, FParamCheck);
}

std::string TDaoTable::ComposeFilter()
{
    std::string result = Filtered() ? Filter() : std::string();
    if (MasterSource() && !FDetailSuspended && MasterSource()->Enabled()) {
        F_ProcessMasterFields(FMasterFields);
        if (FMasterFieldList.Count() > 0)
            result = InsertSQLString(BuildDetailSQL());
    }
    return result;
}

void TDaoTable::SetFiltered(bool value)
{
    const bool old = Filtered();
    if (old == value)
        return;
    TDataSet::SetFiltered(value);
    try {
        if (FCursorOpen)
            RequeryInPlace();
    } catch (...) {
        TDataSet::SetFiltered(old);
        throw;
    }
}

void TDaoTable::SetFilterText(const std::string& value)
{
    TDataSet::SetFilterText(value);
    if (FCursorOpen && Filtered())
        RequeryInPlace();
}

void TDaoTable::F_Set_Sort(const TStringList& value)
{
    FSortedBy.Assign(value);
    FIndexName.clear();
    RequeryInPlace();
}

void TDaoTable::Sort()
{
    RequeryInPlace();
}

// --- Stored queries and SQL execution ---

int TDaoTable::ExecSQL(const TStringList& sql)
{
    FRecordsAffected = 0;
    if (!DatabaseConnected())
        DatabaseError(E2002);
    DaoDatabase().Execute(F_ComposeSQL(sql), FExecuteOptions);
    FRecordsAffected = static_cast<int>(DaoDatabase().RecordsAffected());
    return FRecordsAffected;
}

int TDaoTable::ExecSQLString(const std::string& sql)
{
    TStringList lines;
    lines.SetText(sql);
    return ExecSQL(lines);
}

int TDaoTable::ExecuteSQL()
{
    FRecordsAffected = 0;
    if (!DatabaseConnected())
        DatabaseError(E2003);
    DaoDatabase().Execute(F_ComposeSQL(FSQL), FExecuteOptions);
    FRecordsAffected = static_cast<int>(DaoDatabase().RecordsAffected());
    return FRecordsAffected;
}

void TDaoTable::FillQueryDefParameters(jet::QueryDef& queryDef, const char* message)
{
    try {
        jet::Collection<jet::Parameter>& parameters = queryDef.Parameters();
        int line = 0;
        for (int i = 0, n = parameters.Count(); i < n; ++i) {
            jet::ParameterPtr parameter = parameters.Item(i);
            const int direction = parameter->Direction();
            if (direction != jet::dbParamInput && direction != jet::dbParamInputOutput)
                continue;
            const std::string& text = FQueryDefParameters[line];
            parameter->SetValue(text == "NULL" ? jet::Variant::Null() : jet::Variant(text));
            ++line;
        }
    } catch (const std::exception&) {
        DatabaseError(message);
    }
}

int TDaoTable::ExecuteQueryDefSQL()
{
    FRecordsAffected = 0;
    if (!DatabaseConnected() || FQueryDefName.empty())
        DatabaseError(E2005);
    jet::QueryDefPtr queryDef = DaoDatabase().QueryDefs().Item(FQueryDefName);
    FillQueryDefParameters(*queryDef, E2004);
    if (FDatabase->QueryTimeout() != 60)
        queryDef->SetODBCTimeout(FDatabase->QueryTimeout());
    queryDef->Execute(FExecuteOptions);
    FRecordsAffected = static_cast<int>(DaoDatabase().RecordsAffected());
    GetQueryDefReturnParams(FQueryDefName);
    return FRecordsAffected;
}

void TDaoTable::GetQueryDefReturnParams(const std::string& queryName)
{
    if (!DatabaseConnected())
        return;
    if (!FQueryDefReturnParams.IsNull())
        FQueryDefReturnParams = jet::Variant::Null();
    Quietly([&] {
        const jet::QueryDefPtr queryDef = DaoDatabase().QueryDefs().Item(queryName);
        jet::Collection<jet::Parameter>& parameters = queryDef->Parameters();
        const int n = parameters.Count();
        std::vector<int> outputs;
        for (int i = 0; i < n; ++i) {
            const int direction = parameters.Item(i)->Direction();
            if (direction == jet::dbParamOutput || direction == jet::dbParamInputOutput
                || direction == jet::dbParamReturnValue)
                outputs.push_back(i);
        }
        if (outputs.size() == 1) {
            FQueryDefReturnParams = parameters.Item(outputs.front())->Value();
        } else if (outputs.size() > 1) {
            // One element per parameter, each output at its own position.
            auto array = jet::SafeArray::Vector(jet::varVariant, 0, n - 1);
            FQueryDefReturnParams = jet::Variant::FromArray(array);
            for (int i : outputs)
                array->Put({i}, parameters.Item(i)->Value());
        }
    });
}

void TDaoTable::GetQueryDefParameters(TStringList& names, TStringList& daoTypes, TStringList& bdeTypes)
{
    if (!DatabaseConnected() || FQueryDefName.empty())
        return;
    try {
        const jet::QueryDefPtr queryDef = DaoDatabase().QueryDefs().Item(FQueryDefName);
        jet::Collection<jet::Parameter>& parameters = queryDef->Parameters();
        if (parameters.Count() == 0) {
            if (IsDesigning())
                DatabaseError(E2008);
            return;
        }
        names.Clear();
        daoTypes.Clear();
        bdeTypes.Clear();
        for (int i = 0, n = parameters.Count(); i < n; ++i) {
            jet::ParameterPtr parameter = parameters.Item(i);
            if (parameter->Direction() != jet::dbParamInput && parameter->Direction() != jet::dbParamInputOutput)
                continue;
            int type = parameter->Type();
            if (type == jet::dbDate)
                type = jet::dbTimeStamp;
            names.Add(parameter->Name());
            daoTypes.Add(GetDaoFieldTypeNames(type));
            bdeTypes.Add(GetBDEFieldTypeNames(DaoToBDE(type)));
        }
        if (names.Count() == 0 && IsDesigning())
            DatabaseError(E2009);
    } catch (const EDatabaseError&) {
        throw;
    } catch (const std::exception&) {
        DatabaseError(E2010);
    }
}

bool TDaoTable::PromptQueryDefParameters()
{
    GetQueryDefParameters(FQueryDefParamNames, FQueryDefParamDaoTypes, FQueryDefParamBDETypes);
    if (FQueryDefParamNames.Count() == 0)
        return false;
    TQueryDefDialog dialog;
    return dialog.Execute(FQueryDefParamNames, FQueryDefParamDaoTypes, FQueryDefParamBDETypes, FQueryDefParameters);
}

void TDaoTable::F_Set_QueryDefName(const std::string& value)
{
    if (FCursorOpen)
        DatabaseError(E2065);
    if (DatabaseConnected()) {
        FQueryDefSQLText.Clear();
        if (!value.empty())
            FQueryDefSQLText.SetText(FDatabase->GetQueryDefSQLText(value));
    }
    FQueryDefName = value;
    if (value.empty())
        return;
    FIndexName.clear();
    FTableName.clear();
    FSQL.Clear();
    FParams.Clear();
    FQueryDefParameters.Clear();
    FMasterFieldList.Clear();
    FDetailFieldList.Clear();
    FMasterFields.Clear();
    FDisplayLabels.Clear();
    FieldDefs().Clear();
    FIndexDefs.Clear();
    if (FTableType == jet::dbOpenTable || FTableType == jet::dbOpenDynamic)
        FTableType = jet::dbOpenDynaset;
}

void TDaoTable::F_Set_QueryDefSQLText(const TStringList& value)
{
    if (!DatabaseConnected() || FCursorOpen || FQueryDefName.empty() || !FQueryDefSQLModify || IsLoading())
        return;
    const std::string text = F_ComposeSQL(value);
    if (FDatabase->QueryDefNames.IndexOf(FQueryDefName) < 0)
        FDatabase->CreateQueryDef(FQueryDefName, text);
    else
        FDatabase->ModifyQueryDef(FQueryDefName, text);
    FDatabase->RefreshDefinitions();
    F_Set_QueryDefName(FQueryDefName);
}

std::string TDaoTable::F_Get_QueryDefType()
{
    if (!DatabaseConnected() || FQueryDefName.empty())
        return {};
    try {
        switch (DaoDatabase().QueryDefs().Item(FQueryDefName)->Type()) {
        case jet::dbQSelect: return "dbQSelect";
        case jet::dbQCrosstab: return "dbQCrosstab";
        case jet::dbQDelete: return "dbQDelete";
        case jet::dbQUpdate: return "dbQUpdate";
        case jet::dbQAppend: return "dbQAppend";
        case jet::dbQMakeTable: return "dbQMakeTable";
        case jet::dbQDDL: return "dbQDDL";
        case jet::dbQSQLPassThrough: return "dbQSQLPassThrough";
        case jet::dbQSetOperation: return "dbQSetOperation";
        case jet::dbQSPTBulk: return "dbQSPTBulk";
        case jet::dbQCompound: return "dbQCompound";
        case jet::dbQProcedure: return "dbQProcedure";
        case jet::dbQAction: return "dbQAction";
        default: return {};
        }
    } catch (...) {
        return {};
    }
}

// --- Indexes ---

std::string TDaoTable::FindGoodIndex(const std::string& fields)
{
    if (FIndexDefs.Count() == 0 || FTableType != jet::dbOpenTable || fields.empty())
        return {};
    std::string wantedText = fields;
    const bool exact = wantedText.front() == '!';
    if (exact)
        wantedText.erase(0, 1);
    if (wantedText.empty())
        return {};
    TStringList wanted;
    StringToList(wantedText, wanted);
    std::string result;
    for (const TIndexDef& index : FIndexDefs) {
        TStringList have;
        StringToList(index.Fields, have);
        const bool allFound = std::all_of(wanted.begin(), wanted.end(),
                                          [&](const std::string& name) { return have.IndexOf(name) >= 0; });
        if (!allFound)
            continue;
        if (have.Count() == wanted.Count())
            return index.Name;
        if (exact || have.Count() < wanted.Count())
            continue;
        result = index.Name;
        if (have.Count() > 0 && wanted.IndexOf(have[0]) >= 0)
            return result;
    }
    return exact ? std::string() : result;
}

void TDaoTable::F_Set_IndexName(const std::string& value)
{
    if (Active()) {
        if (FTableType == jet::dbOpenTable) {
            FSortedBy.Clear();
            FRecordset->SetIndex(value);
            CheckBrowseMode();
            ClearBuffers();
            FCountStale = true;
            InternalFirst();
            ActivateBuffers();
        } else if (!value.empty()) {
            DatabaseError(E2013);
        }
    } else if (FTableType == jet::dbOpenTable) {
        if (!value.empty())
            FSortedBy.Clear();
    } else if (!value.empty()) {
        DatabaseError(E2013);
    }
    FIndexName = value;
}

void TDaoTable::F_Set_IndexFieldNames(const std::string& value)
{
    if (FTableType != jet::dbOpenTable)
        return;
    if (value.empty()) {
        F_Set_IndexName({});
        return;
    }
    const std::string name = FindGoodIndex(value);
    if (!name.empty())
        F_Set_IndexName(name);
}

std::string TDaoTable::F_Get_IndexFieldNames()
{
    std::string result;
    if (FIndexName.empty())
        return result;
    Quietly([&] {
        jet::IndexPtr index = DaoDatabase().TableDefs().Item(FTableName)->Indexes().Item(FIndexName);
        for (int i = 0, n = index->Fields().Count(); i < n; ++i) {
            if (!result.empty())
                result += ";";
            result += index->Fields().Item(i)->Name();
        }
    });
    return result;
}

int TDaoTable::F_Get_IndexFieldCount()
{
    if (FTableType != jet::dbOpenTable || !DatabaseConnected() || FTableName.empty() || FIndexName.empty())
        return 0;
    try {
        return DaoDatabase().TableDefs().Item(FTableName)->Indexes().Item(FIndexName)->Fields().Count();
    } catch (...) {
        return 0;
    }
}

TField* TDaoTable::F_Get_IndexField(int index)
{
    if (!Active())
        DatabaseError(E2014);
    if (FIndexName.empty())
        return nullptr;
    try {
        const std::string name =
            DaoDatabase().TableDefs().Item(FTableName)->Indexes().Item(FIndexName)->Fields().Item(index)->Name();
        return FindField(name);
    } catch (...) {
        return nullptr;
    }
}

void TDaoTable::GetIndexNames(TStringList& list)
{
    list.Clear();
    if (!DatabaseConnected())
        return;
    Quietly([&] {
        FDatabase->RefreshDefinitions();
        const jet::TableDefPtr tableDef = DaoDatabase().TableDefs().Item(FTableName);
        jet::Collection<jet::Index>& indexes = tableDef->Indexes();
        for (int i = 0, n = indexes.Count(); i < n; ++i)
            list.Add(indexes.Item(i)->Name());
    });
}

void TDaoTable::GetFieldNames(TStringList& list, std::vector<int>* types)
{
    list.Clear();
    if (types)
        types->clear();
    if (!DatabaseConnected())
        return;
    Quietly([&] {
        FDatabase->RefreshDefinitions();
        const jet::TableDefPtr tableDef = DaoDatabase().TableDefs().Item(FTableName);
        jet::Collection<jet::Field>& fields = tableDef->Fields();
        for (int i = 0, n = fields.Count(); i < n; ++i) {
            jet::FieldPtr field = fields.Item(i);
            list.Add(field->Name());
            if (types)
                types->push_back(field->Type());
        }
    });
}

// --- Requery, positions, names, locking ---

bool TDaoTable::Requery()
{
    if (!FCursorOpen || !FRecordset->Restartable())
        return false;
    if (!FQueryDefName.empty())
        FillQueryDefParameters(*DaoDatabase().QueryDefs().Item(FQueryDefName), E2006);
    if (MasterSource() && !FDetailSuspended) {
        MasterDatasetChanged();
        return true;
    }
    CheckBrowseMode();
    InternalClearBookmarks();
    ClearBuffers();
    FRecordset->Requery();
    FCountStale = true;
    InternalFirst();
    ActivateBuffers();
    return true;
}

void TDaoTable::GotoCurrent(TDaoTable& table)
{
    CheckBrowseMode();
    table.CheckBrowseMode();
    const auto same = [](const std::string& a, const std::string& b) { return platform::SameText(a, b); };
    if (!FDatabase || !table.FDatabase || !same(FDatabase->Database(), table.FDatabase->Database())
        || !same(FTableName, table.FTableName) || !same(FIndexName, table.FIndexName))
        DatabaseError(E2007);
    const int recNo = table.GetRecNo();
    CheckBrowseMode();
    First();
    MoveBy(recNo - 1);
    Resync();
}

float TDaoTable::PercentPosition()
{
    if (!FCursorOpen)
        return 0;
    try {
        if (!FRecordset->Bof() && !FRecordset->Eof())
            return FRecordset->PercentPosition();
    } catch (...) {
    }
    return 0;
}

std::string TDaoTable::GetSourceFieldName(const std::string& fieldName)
{
    if (!FCursorOpen)
        return {};
    try {
        return FRecordset->Fields().Item(fieldName)->SourceField();
    } catch (...) {
        return {};
    }
}

std::string TDaoTable::GetSourceTableName(const std::string& fieldName)
{
    if (!FCursorOpen)
        return {};
    try {
        return FRecordset->Fields().Item(fieldName)->SourceTable();
    } catch (...) {
        return {};
    }
}

std::string TDaoTable::TableDate(jet::Variant (jet::Recordset::*ofTable)() const,
                                 jet::Variant (jet::QueryDef::*ofQuery)() const)
{
    if (!FCursorOpen)
        return {};
    try {
        if (FTableType == jet::dbOpenTable)
            return jet::VarToStr(((*FRecordset).*ofTable)());
        if (!FQueryDefName.empty())
            return jet::VarToStr(((*DaoDatabase().QueryDefs().Item(FQueryDefName)).*ofQuery)());
    } catch (...) {
    }
    return {};
}

std::string TDaoTable::F_Get_DateCreated()
{
    return TableDate(&jet::Recordset::DateCreated, &jet::QueryDef::DateCreated);
}

std::string TDaoTable::F_Get_LastUpdated()
{
    return TableDate(&jet::Recordset::LastUpdated, &jet::QueryDef::LastUpdated);
}

void TDaoTable::LockTable(TLockType lockType)
{
    if (Active())
        F_Set_OpenOptions(FOpenOptions | OOBit(lockType == ltReadLock ? dbDenyRead : dbDenyWrite));
}

void TDaoTable::UnlockTable(TLockType lockType)
{
    if (Active())
        F_Set_OpenOptions(FOpenOptions & static_cast<TOOSet>(~OOBit(lockType == ltReadLock ? dbDenyRead : dbDenyWrite)));
}

bool TDaoTable::F_Get_LockEdits()
{
    if (!Active() || !FDatabase || FDatabase->DatabaseType() == "ODBC" || FDatabase->ReadOnly() || FReadOnly
        || (FTableType != jet::dbOpenTable && FTableType != jet::dbOpenDynaset))
        return false;
    return FRecordset->LockEdits();
}

void TDaoTable::SetLockEdits(bool value)
{
    if (!Active() || !FDatabase || FDatabase->DatabaseType() == "ODBC" || FDatabase->ReadOnly() || FReadOnly
        || (FTableType != jet::dbOpenTable && FTableType != jet::dbOpenDynaset))
        return;
    FRecordset->SetLockEdits(value);
}

// --- Opening and closing ---

void TDaoTable::OpenDaoRecordset()
{
    if (!FDatabase)
        DatabaseError(E2018);
    if (FTableName.empty() && FSQL.Count() == 0 && FQueryDefName.empty())
        DatabaseError(E2019);
    if (!FDatabase->Connected()) {
        if (!FDatabaseAutoActivate)
            DatabaseError(E2020);
        FDatabase->F_Set_Active(true);
    }
    if (FTableType == jet::dbOpenDynamic && FDatabase->DatabaseType() != "ODBC")
        DatabaseError(E2021);
    // A name holding "]" would close the brackets of a composed statement.
    if (FTableName.find(']') != std::string::npos)
        DatabaseError(InvalidTableName + FTableName);
    const int type = FTableType;
    const int lock = FLockType;
    if (FDatabase->ReadOnly() || FTableType == jet::dbOpenForwardOnly || FTableType == jet::dbOpenSnapshot)
        FReadOnly = true;
    FOpenOptionsValue = FOpenOptions;
    if (FBaseRecordset) {
        Quietly([&] { FBaseRecordset->Close(); });
        FBaseRecordset.reset();
    }
    FRecordsAffected = 0;
    jet::Database& database = DaoDatabase();
    // Counted before the recordset reads, so that a commit elsewhere while
    // it reads is followed by the next scan rather than taken as seen.
    const std::uint64_t commitsElsewhere = database.CommitsElsewhere();
    std::string source = FTableName;
    if (FSQL.Count() > 0) {
        if (MasterSource()) {
            ActivateMaster();
            RefreshQueryParams();
        }
        source = F_ComposeSQL(FSQL);
    }
    if (!FQueryDefName.empty()) {
        source = FQueryDefName;
        jet::QueryDefPtr queryDef = database.QueryDefs().Item(FQueryDefName);
        FillQueryDefParameters(*queryDef, E2022);
        FQueryDefSQLText.Clear();
        FQueryDefSQLText.SetText(FDatabase->GetQueryDefSQLText(FQueryDefName));
        queryDef->SetMaxRecords(FQueryDefODBCMaxRecords);
        if (FDatabase->QueryTimeout() != 60)
            queryDef->SetODBCTimeout(FDatabase->QueryTimeout());
        FRecordset = queryDef->OpenRecordset(type, FOpenOptionsValue, lock);
        if (queryDef->Parameters().Count() > 0)
            GetQueryDefReturnParams(FQueryDefName);
    } else {
        FQueryDefSQLText.Clear();
        FRecordset = database.OpenRecordset(source, type, FOpenOptionsValue, lock);
    }
    FCommitsElsewhereSeen = commitsElsewhere;
    IdleDatabase();
    if (!FRecordset->Updatable())
        FReadOnly = true;
    FBookmarkable = FRecordset->Bookmarkable();
    InternalClearBookmarks();
    FDatabase->RefreshDefinitions();
    FRecordsAffected = static_cast<int>(database.RecordsAffected());
    if (!FIndexName.empty() && FTableType == jet::dbOpenTable)
        Quietly([&] { FRecordset->SetIndex(FIndexName); });

    jet::Collection<jet::Field>* fields = &FRecordset->Fields();
    const int n = fields->Count();
    FUpdatableFields.assign(static_cast<std::size_t>(n), true);
    FDefaultValues.assign(static_cast<std::size_t>(n), std::string());
    if (!FReadOnly && FUseDaoProperties) {
        for (int i = 0; i < n; ++i) {
            jet::FieldPtr field = fields->Item(i);
            const int fieldType = field->Type();
            const int attributes = field->Attributes();
            FUpdatableFields[static_cast<std::size_t>(i)] = (attributes & jet::dbUpdatableField) != 0
                && (attributes & jet::dbAutoIncrField) == 0 && (attributes & jet::dbSystemField) == 0;
            std::string text;
            try {
                if (FDatabase->EngineType() == jet::dbUseJet)
                    text = field->DefaultValue();
                const bool quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
                if ((fieldType == jet::dbText || fieldType == jet::dbMemo) && quoted) {
                    text = text.substr(1, text.size() - 2);
                } else if (fieldType == jet::dbDate) {
                    const bool hashed = text.size() >= 2 && text.front() == '#' && text.back() == '#';
                    text = hashed ? ProcessDTDefault(text.substr(1, text.size() - 2)) : std::string();
                }
                if (platform::SameText(text, "Null"))
                    text.clear();
            } catch (...) {
                text.clear();
            }
            FDefaultValues[static_cast<std::size_t>(i)] = text;
        }
    }
    if (FSortedBy.Count() > 0) {
        FSortText.clear();
        for (int i = 0; i < FSortedBy.Count(); ++i) {
            FSortText += FSortedBy[i] + " ";
            if (i + 1 < FSortedBy.Count())
                FSortText.insert(FSortText.size() - 1, ",");
        }
        FRecordset->SetSort(FSortText);
        jet::RecordsetPtr sorted = FRecordset->OpenRecordset(type, FOpenOptionsValue);
        Quietly([&] { FRecordset->Close(); });
        FRecordset = sorted;
    }
    if (Filtered() && !Filter().empty()) {
        FRecordset->SetFilter(Filter());
        jet::RecordsetPtr filtered = FRecordset->OpenRecordset(type, FOpenOptionsValue);
        Quietly([&] { FRecordset->Close(); });
        FRecordset = filtered;
    }
    ApplyDetailRestriction(type);
    fields = &FRecordset->Fields();
    FFieldObjects.clear();
    for (int i = 0; i < n; ++i)
        FFieldObjects.push_back(fields->Item(i));
    FCountStale = true;
    FCurrentPosition = -1;
    FHighWater = -1;
    FCachedCount = -1;
    IdleDatabase();
}

void TDaoTable::ReOpenDaoRecordset(const std::string& condition)
{
    InternalClearBookmarks();
    if (FTableName.empty()) {
        if (!FBaseRecordset)
            FBaseRecordset = FRecordset;  // the unrestricted recordset stays the base
        else if (FRecordset && FRecordset != FBaseRecordset)
            Quietly([&] { FRecordset->Close(); });
        FBaseRecordset->Requery();
        FBaseRecordset->SetFilter(condition);
        // The table's own type and options, as at its first open.
        FRecordset = FBaseRecordset->OpenRecordset(FTableType, FOpenOptionsValue);
    } else {
        const std::string where = Filtered() && !Filter().empty()
            ? "(" + condition + ") AND (" + Filter() + ")"
            : condition;
        const std::string sql = "Select * From [" + FTableName + "] Where " + where
            + (FSortText.empty() ? std::string() : " Order By " + FSortText) + ";";
        if (FRecordset)
            Quietly([&] { FRecordset->Close(); });
        FRecordset = DaoDatabase().OpenRecordset(sql, FTableType, FOpenOptionsValue, FLockType);
    }
    FFieldObjects.clear();
    jet::Collection<jet::Field>& fields = FRecordset->Fields();
    for (int i = 0, n = fields.Count(); i < n; ++i)
        FFieldObjects.push_back(fields.Item(i));
    FCountStale = true;
    FCurrentPosition = -1;
    FHighWater = -1;
    FCachedCount = -1;
    GetRecordCount();
    IdleDatabase();
}

void TDaoTable::CloseDaoRecordset()
{
    ForgetSearchClone();
    FFieldObjects.clear();
    FSharedValues.reset();
    try {
        if (FRecordset)
            FRecordset->Close();
        FRecordset.reset();
    } catch (...) {
        // A recordset the engine already closed.
    }
}

void TDaoTable::InternalOpen()
{
    OpenDaoRecordset();
    if (Name().empty())
        SetName("DaoTable_" + std::to_string(std::abs(GetTickCountEx())));
    FFieldDefsFromOpen = true;
    try {
        InternalInitFieldDefs();
    } catch (...) {
        FFieldDefsFromOpen = false;
        throw;
    }
    FFieldDefsFromOpen = false;
    // Cached lookup fields read their lists as the fields are made.
    if (FCacheLookups)
        for (int i = 0; i < FieldCount(); ++i)
            if (Fields(i).FieldKind() == fkLookup)
                Fields(i).LookupCache = true;
    CreateFields();
    FDefinitionFields.clear();
    for (const TFieldDef& definition : FieldDefs())
        FDefinitionFields.push_back(FindField(definition.Name));
    if (FUseCaptions)
        InternalSetDisplayLabels();
    BookmarkSize = FBookmarkable ? 4 : 0;
    // Declared fields keep the display widths their declaration gave them.
    const bool widen = DefaultFields();
    const bool detailSuspended = FDetailSuspended;
    FDetailSuspended = true;
    for (int i = 0; i < FieldDefs().Count(); ++i) {
        TField* field = FindField(FieldDefs()[i].Name);
        if (!field)
            continue;
        const auto at = static_cast<std::size_t>(i);
        if (at < FUpdatableFields.size() && !FUpdatableFields[at])
            field->SetReadOnly(true);
        if (!field->DefaultExpression().empty() && at < FDefaultValues.size())
            FDefaultValues[at] = UnquoteString(field->DefaultExpression());
        if (field->DataType() == ftDateTime && widen && field->DisplayWidth() < 20)
            field->SetDisplayWidth(20);
        if (field->DataType() == ftMemo && FCacheMemos) {
            if (widen && field->DisplayWidth() < 30)
                field->SetDisplayWidth(30);
            field->OnGetText = [this](TField& f, std::string& text, bool) {
                if (const TDaoRecordBuffer* buffer = ActiveDaoBuffer()) {
                    const std::string& line = buffer->Values[static_cast<std::size_t>(f.FieldNo() - 1)].Text();
                    text = line.substr(0, line.find('\r'));
                }
            };
        }
        if (field->DataType() == ftFloat)
            field->SetPrecision(7);
        if (field->DataType() == ftBytes && FieldDefs()[i].Precision == GuidMarker) {
            field->SetValidChars(GuidChars);
            if (FShowGUID) {
                if (widen && field->DisplayWidth() < 38)
                    field->SetDisplayWidth(38);
                field->OnGetText = [this](TField& f, std::string& text, bool) {
                    const TDaoRecordBuffer* buffer = ActiveDaoBuffer();
                    if (!buffer)
                        return;
                    text = buffer->Values[static_cast<std::size_t>(f.FieldNo() - 1)].Text();
                    if (text.rfind("{guid ", 0) == 0) {
                        text.erase(0, 6);
                        if (text.size() >= 2 && text.compare(text.size() - 2, 2, "}}") == 0)
                            text.pop_back();
                    }
                };
                field->OnSetText = [this](TField& f, const std::string& text) {
                    if (FShowGUID && text.size() == 38) {
                        TGUID guid{};
                        if (TryStringToGUID(text, guid))
                            f.SetAsString(BufferToGUID(guid.data()));
                    }
                };
            }
        }
    }
    FDetailSuspended = detailSuspended;
    FOldValuesBuffer.reset();
    FKeyBuffer = std::unique_ptr<TDaoRecordBuffer>(static_cast<TDaoRecordBuffer*>(AllocRecordBuffer().release()));
    FRangeStartBuffer = std::unique_ptr<TDaoRecordBuffer>(static_cast<TDaoRecordBuffer*>(AllocRecordBuffer().release()));
    FRangeEndBuffer = std::unique_ptr<TDaoRecordBuffer>(static_cast<TDaoRecordBuffer*>(AllocRecordBuffer().release()));
    FEncrypterReady = false;
    if (FEncrypter) {
        const std::vector<TPublishedProperty> properties = FEncrypter->PublishedProperties();
        const auto has = [&](const char* name) {
            return std::any_of(properties.begin(), properties.end(),
                               [&](const TPublishedProperty& p) { return p.Name == name; });
        };
        FEncrypterReady = has("EncodedString") && has("DecodedString");
    }
    FFieldReads.clear();  // planned again for these fields and this encrypter
    FCursorOpen = true;
    if (FTableType == jet::dbOpenTable)
        GetRecordCount();
    InternalFirst();
    FDatabase->AddActiveTable(Name(), this);
    if (FDatabase->TrackTransactions() && FDatabase->GetTransactionCount() > 0)
        FDatabase->AddRNToTransaction(Name(), 1);
    IdleDatabase();
}

void TDaoTable::InternalClose()
{
    FDefinitionFields.clear();  // the base destroys the fields next
    FFieldReads.clear();
    if (!FCursorOpen) {
        // A failed open: release what it opened.
        CloseDaoRecordset();
        return;
    }
    if (State() == dsEdit && FRecordset)
        Quietly([&] { FRecordset->CancelUpdate(); });
    FCursorOpen = false;
    FOpenOptionsValue = 0;
    FSortText.clear();
    CloseDaoRecordset();
    if (FBaseRecordset) {
        Quietly([&] { FBaseRecordset->Close(); });
        FBaseRecordset.reset();
    }
    if (FDatabase && !FRemovedByDatabase)
        FDatabase->RemoveActiveTable(this);
    FRemovedByDatabase = false;
    FPostInProgress = false;
    FOldValuesBuffer.reset();
    FKeyBuffer.reset();
    FRangeStartBuffer.reset();
    FRangeEndBuffer.reset();
    FActiveKeyBuffer = nullptr;
}

void TDaoTable::CloseByDatabase()
{
    FRemovedByDatabase = true;
    Close();
}

std::string TDaoTable::UnquoteString(const std::string& text)
{
    std::string result = text;
    if (!result.empty() && result.front() == '\'')
        result.erase(0, 1);
    if (!result.empty() && result.back() == '\'')
        result.pop_back();
    return result;
}

std::string TDaoTable::ProcessDTDefault(const std::string& text)
{
    if (text.empty())
        return {};
    try {
        std::string rest = text;
        const auto takeUntil = [&](char separator, int& value) {
            const std::size_t at = rest.find(separator);
            if (at == std::string::npos)
                return false;
            value = platform::StrToInt(rest.substr(0, at));
            rest.erase(0, at + 1);
            return true;
        };
        int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
        takeUntil('/', month);
        takeUntil('/', day);
        if (rest.find(' ') == std::string::npos) {
            year = platform::StrToInt(rest);
        } else {
            takeUntil(' ', year);
            if (takeUntil(':', hour)) {
                // 12 AM is midnight, 12 PM noon, 1 to 11 PM add twelve hours.
                const auto removeDesignator = [&](const char* designator) {
                    const std::size_t at = rest.find(designator);
                    if (at == std::string::npos)
                        return false;
                    rest.erase(at, 3);
                    return true;
                };
                if (removeDesignator(" AM")) {
                    if (hour == 12)
                        hour = 0;
                } else if (removeDesignator(" PM")) {
                    if (hour != 12)
                        hour += 12;
                }
                takeUntil(':', minute);
                if (!rest.empty())
                    second = platform::StrToInt(rest);
            }
        }
        const platform::TDateTime date = platform::EncodeDate(year, month, day);
        const platform::TDateTime time = platform::EncodeTime(hour, minute, second, 0);
        const platform::TTimeStamp dateStamp = platform::DateTimeToTimeStamp(date);
        const platform::TTimeStamp timeStamp = platform::DateTimeToTimeStamp(time);
        return std::to_string(dateStamp.Date) + " " + std::to_string(timeStamp.Time);
    } catch (...) {
        return {};
    }
}

// --- Field and index definitions ---

void TDaoTable::InternalInitFieldDefs()
{
    FieldDefs().Clear();
    FDisplayLabels.Clear();
    const bool openedHere = !FFieldDefsFromOpen && !FCursorOpen;
    if (openedHere)
        OpenDaoRecordset();
    TempState closeAfter([&] {
        if (openedHere)
            CloseDaoRecordset();
    });
    const bool jetEngine = FDatabase->EngineType() == jet::dbUseJet;
    for (int i = 0; i < static_cast<int>(FFieldObjects.size()); ++i) {
        jet::Field& field = *FFieldObjects[static_cast<std::size_t>(i)];
        int type = field.Type();
        const std::string name = field.Name();
        int size = DaoSizeToBDESize(type, field.Size());
        if (type == jet::dbDate) {
            if (PropertyExists(field.Properties(), "Format")) {
                const std::string format = jet::VarToStr(field.Properties().Item("Format")->Value());
                if (platform::SameText(format, "Long Time") || platform::SameText(format, "Medium Time")
                    || platform::SameText(format, "Short Time"))
                    type = jet::dbTime;
                else if (platform::SameText(format, "General Date"))
                    type = jet::dbTimeStamp;
            } else {
                type = jet::dbTimeStamp;
            }
        }
        if (type == jet::dbText && size == 0)
            size = 255;
        if (type == jet::dbLong && (field.Attributes() & jet::dbAutoIncrField))
            type = dbAutoIncrement;
        std::string& defaultValue = FDefaultValues[static_cast<std::size_t>(i)];
        if (jetEngine) {
            std::string lower = field.DefaultValue();
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (type == dbAutoIncrement)
                defaultValue.clear();
            else if ((type == jet::dbFloat || type == jet::dbLong || type == jet::dbInteger || type == jet::dbCurrency
                      || type == jet::dbSingle || type == jet::dbDouble || type == jet::dbBigInt
                      || type == jet::dbNumeric || type == jet::dbDecimal)
                     && lower.find("genuniqueid") != std::string::npos)
                defaultValue.clear();
            else if (type == jet::dbGUID && lower.find("genguid") != std::string::npos)
                defaultValue.clear();
        }
        const TFieldType dataType = DaoToBDE(type);
        TFieldDef& definition =
            FieldDefs().Add(name, dataType, size, !FReadOnly && FUseDaoProperties && field.Required());
        if (dataType == ftBlob)
            defaultValue.clear();
        if (FUseCaptions && PropertyExists(field.Properties(), "Caption"))
            FDisplayLabels.Add(jet::VarToStr(field.Properties().Item("Caption")->Value()));
        else
            FDisplayLabels.Add(name);
        if (type == jet::dbGUID)
            definition.Precision = GuidMarker;
    }
    InternalInitIndexDefs();
}

void TDaoTable::InternalInitIndexDefs()
{
    FIndexDefs.Clear();
    if (FTableName.empty() || FTableType != jet::dbOpenTable || FDatabase->EngineType() == jet::dbUseODBC)
        return;
    const jet::TableDefPtr tableDef = DaoDatabase().TableDefs().Item(FTableName);
    jet::Collection<jet::Index>& indexes = tableDef->Indexes();
    Quietly([&] { indexes.Refresh(); });
    for (int i = 0, n = indexes.Count(); i < n; ++i) {
        jet::IndexPtr index = indexes.Item(i);
        std::string name;
        bool primary = false, unique = false;
        Quietly([&] {
            name = index->Name();
            primary = index->Primary();
            unique = index->Unique();
        });
        std::string fields, descending;
        int descendingCount = 0;
        const int fieldCount = index->Fields().Count();
        for (int j = 0; j < fieldCount; ++j) {
            jet::FieldPtr field = index->Fields().Item(j);
            if (!fields.empty())
                fields += ";";
            fields += field->Name();
            if (field->Attributes() & jet::dbDescending) {
                descending += field->Name() + ";";
                ++descendingCount;
            }
        }
        if (!descending.empty())
            descending.pop_back();
        unsigned options = 0;
        if (primary)
            options |= ixPrimary;
        if (unique)
            options |= ixUnique;
        if (descendingCount == fieldCount)
            options |= ixDescending;
        FIndexDefs.AddIndexDef(name, fields, options).DescFields = descending;
    }
}

void TDaoTable::InternalSetDisplayLabels()
{
    for (int i = 0; i < FieldDefs().Count() && i < FDisplayLabels.Count(); ++i)
        if (TField* field = FindField(FieldDefs()[i].Name))
            field->SetDisplayLabel(FDisplayLabels[i]);
}

// --- Field data ---

TRecordBuffer* TDaoTable::GetActiveRecordBuffer()
{
    switch (State()) {
    case dsBrowse:
    case dsBlockRead:
        return HasActiveRecord() ? ActiveRecord() : nullptr;
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsCurValue:
        return ActiveRecord();
    case dsSetKey:
        return FActiveKeyBuffer;
    case dsCalcFields:
        return CalcBuffer();
    case dsFilter:
        return FFilterBuffer;
    case dsOldValue:
        return FOldValuesBuffer ? FOldValuesBuffer.get() : ActiveRecord();
    default:
        return nullptr;
    }
}

void TDaoTable::StoreFieldText(TField& field, const std::string& text)
{
    if (field.OnValidate) {
        // The handler reads the new value through the field; whether it
        // refuses it or not, the value it saw is taken back here.
        if (TDaoValue* value = FieldValue(field)) {
            const TDaoValue old = *value;
            value->SetText(text);
            const auto restore = [&] {
                if (TDaoValue* current = FieldValue(field))
                    *current = old;
            };
            try {
                field.OnValidate(field);
            } catch (...) {
                restore();
                throw;
            }
            restore();
        }
    }
    if (field.ReadOnly() && State() != dsSetKey)
        return;
    if (TDaoValue* value = FieldValue(field)) {
        value->SetText(text);
        value->Changed = true;
    }
}

bool TDaoTable::GetNativeFieldData(const TField& field, void* buffer)
{
    const TDaoValue* value = FieldValue(field);
    if (!value)
        return false;
    if (!buffer)
        return !value->Empty();
    if (const jet::Variant* kept = value->Kept(); kept && KeptToNative(field.DataType(), *kept, buffer))
        return true;
    const std::string& text = value->Text();
    switch (field.DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        return !text.empty() && IntegerToBuffer(buffer, text);
    case ftBoolean:
        return BooleanToBuffer(buffer, text);
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        return !text.empty() && FloatToBuffer(buffer, text);
    case ftDate:
        return DateToBuffer(buffer, text);
    case ftTime:
        return TimeToBuffer(buffer, text);
    case ftDateTime:
        return DateTimeToBuffer(buffer, text);
    case ftBytes:
        if (IsGuidField(field))
            return GUIDToBuffer(buffer, text);
        std::memcpy(buffer, text.data(), std::min<std::size_t>(text.size(), static_cast<std::size_t>(field.Size())));
        return !text.empty();
    default:
        return false;
    }
}

bool TDaoTable::GetFieldData(const TField& field, std::string* value)
{
    const TDaoValue* stored = FieldValue(field);
    if (!stored)
        return false;
    if (!value)
        return !stored->Empty();
    if (field.DataType() != ftString)
        return GetFieldDataOfOtherTypes(field, stored, value);
    stored->CopyText(*value);
    if (field.Size() > 0 && value->size() > static_cast<std::size_t>(field.Size()))
        *value = FitString(field, *value);
    return !value->empty();
}

bool TDaoTable::GetFieldDataOfOtherTypes(const TField& field, const TDaoValue* stored, std::string* value)
{
    switch (field.DataType()) {
    case ftBytes:
        if (!IsGuidField(field))
            break;
        [[fallthrough]];
    case ftMemo:
    case ftFmtMemo:
    case ftBlob:
    case ftGraphic:
    case ftVarBytes:
    case ftUnknown:
        *value = stored->Text();
        return !value->empty();
    case ftCurrency:
        // Every digit of the stored value, which a double would round.
        if (std::string exact; CurrencyTextOf(stored->Text(), exact)) {
            *value = exact;
            return true;
        }
        break;
    default:
        break;
    }
    // Numbers, Booleans and dates read through their native value.
    std::uint64_t native = 0;
    if (field.DataType() == ftBytes) {
        std::string bytes(static_cast<std::size_t>(std::max(field.Size(), 0)), '\0');
        const bool present = GetNativeFieldData(field, bytes.data());
        *value = present ? bytes : std::string();
        return present;
    }
    if (!GetNativeFieldData(field, &native))
        return false;
    double number = 0;
    std::int32_t integer = 0;
    std::int16_t flag = 0;
    switch (field.DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        std::memcpy(&integer, &native, sizeof integer);
        *value = std::to_string(integer);
        break;
    case ftBoolean:
        std::memcpy(&flag, &native, sizeof flag);
        *value = flag ? "True" : "False";
        break;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        std::memcpy(&number, &native, sizeof number);
        *value = platform::FloatToStr(number);
        break;
    default: {
        int day = 0, milliseconds = 0;
        if (std::sscanf(stored->Text().c_str(), "%d %d", &day, &milliseconds) != 2)
            return false;
        *value = platform::DateTimeToStr(platform::TimeStampToDateTime({milliseconds, day}));
        break;
    }
    }
    return true;
}

std::string TDaoTable::FitString(const TField& field, const std::string& value) const
{
    // A text of no more bytes than the size has no more characters either.
    if (field.Size() <= 0 || value.size() <= static_cast<std::size_t>(field.Size()))
        return value;
    return platform::CutUtf8Characters(value, static_cast<std::size_t>(field.Size()));
}

void TDaoTable::SetNativeFieldData(TField& field, const void* buffer)
{
    std::string text;
    if (buffer) {
        std::int32_t integer = 0;
        std::int16_t flag = 0;
        double number = 0;
        switch (field.DataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
            std::memcpy(&integer, buffer, sizeof integer);
            text = std::to_string(integer);
            break;
        case ftBoolean:
            std::memcpy(&flag, buffer, sizeof flag);
            text = flag ? "True" : "False";
            break;
        case ftFloat:
        case ftBCD:
            std::memcpy(&number, buffer, sizeof number);
            text = platform::FloatToStr(number);
            break;
        case ftCurrency:
            std::memcpy(&number, buffer, sizeof number);
            text = CurrencyTextOfDouble(number);
            break;
        case ftDate:
            text = BufferToDate(buffer);
            break;
        case ftTime:
            text = BufferToTime(buffer);
            break;
        case ftDateTime:
            text = BufferToDateTime(buffer);
            break;
        case ftBytes:
            text = IsGuidField(field) ? BufferToGUID(buffer)
                                      : std::string(static_cast<const char*>(buffer),
                                                    static_cast<std::size_t>(std::max(field.Size(), 0)));
            break;
        default:
            break;
        }
    }
    StoreFieldText(field, text);
}

void TDaoTable::SetFieldData(TField& field, const std::string* value)
{
    if (!value) {
        SetNativeFieldData(field, nullptr);
        return;
    }
    switch (field.DataType()) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftBlob:
    case ftGraphic:
    case ftVarBytes:
    case ftUnknown:
        StoreFieldText(field, *value);
        return;
    case ftBytes:
        if (IsGuidField(field)) {
            TGUID guid{};
            const std::string_view text =
                value->rfind("{guid ", 0) == 0 ? std::string_view(*value).substr(6, 38) : std::string_view(*value);
            if (!value->empty() && !TryStringToGUID(text, guid))
                DatabaseError(E2027);
            if (value->empty())
                SetNativeFieldData(field, nullptr);
            else
                SetNativeFieldData(field, guid.data());
        } else {
            std::string bytes = *value;
            bytes.resize(static_cast<std::size_t>(std::max(field.Size(), 0)), '\0');
            SetNativeFieldData(field, bytes.data());
        }
        return;
    default:
        break;
    }
    if (value->empty()) {
        SetNativeFieldData(field, nullptr);
        return;
    }
    // A typed text reads as the field's type: "12", "1.5", "True", a date.
    std::uint64_t native = 0;
    const TFieldType type = field.DataType();
    bool parsed = false;
    if (type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc) {
        int integer = 0;
        parsed = platform::TryStrToInt(*value, integer);
        std::int32_t stored = integer;
        std::memcpy(&native, &stored, sizeof stored);
    } else if (type == ftCurrency) {
        // Read digit by digit: a typed currency keeps every digit.
        std::string exact;
        if (CurrencyTextOf(*value, exact)) {
            StoreFieldText(field, exact);
            return;
        }
    } else if (type == ftFloat || type == ftBCD) {
        parsed = FloatToBuffer(&native, *value);
    } else if (type == ftBoolean) {
        parsed = platform::SameText(*value, "True") || platform::SameText(*value, "False");
        const std::int16_t flag = platform::SameText(*value, "True") ? 1 : 0;
        std::memcpy(&native, &flag, sizeof flag);
    } else if (IsDateType(type)) {
        platform::TDateTime date = 0;
        parsed = platform::TryStrToDateTime(*value, date);
        const platform::TTimeStamp stamp = platform::DateTimeToTimeStamp(date);
        if (type == ftDate) {
            const std::int32_t day = stamp.Date;
            std::memcpy(&native, &day, sizeof day);
        } else if (type == ftTime) {
            const std::int32_t time = stamp.Time;
            std::memcpy(&native, &time, sizeof time);
        } else {
            const double milliseconds = double(stamp.Date) * platform::MSecsPerDay + stamp.Time;
            std::memcpy(&native, &milliseconds, sizeof milliseconds);
        }
    }
    if (!parsed)
        throw platform::EConvertError("'" + *value + "' is not a valid value for field '" + field.FieldName() + "'");
    SetNativeFieldData(field, &native);
}

// --- Bookmarks ---

void TDaoTable::InternalClearBookmarks()
{
    FPositionList.clear();
    FHandleList.clear();
}

void TDaoTable::GetBookmarkData(const TRecordBuffer& buffer, TBookmark& bookmark)
{
    const auto& record = static_cast<const TDaoRecordBuffer&>(buffer);
    if (!FBookmarkable) {
        bookmark = HandleBytes(0);
        return;
    }
    bookmark = HandleBytes(record.Handle);
    const auto at = std::find(FPositionList.begin(), FPositionList.end(), record.Position);
    if (at != FPositionList.end())
        FHandleList[static_cast<std::size_t>(at - FPositionList.begin())] = record.Handle;
    else {
        FPositionList.push_back(record.Position);
        FHandleList.push_back(record.Handle);
    }
}

void TDaoTable::SetBookmarkData(TRecordBuffer& buffer, const TBookmark& bookmark)
{
    if (bookmark.size() >= 4)
        static_cast<TDaoRecordBuffer&>(buffer).Handle = HandleOfBytes(bookmark);
}

void TDaoTable::SetBookmarkFlag(TRecordBuffer& buffer, TBookmarkFlag value)
{
    buffer.BookmarkFlag = value;
    if (FBatchMode && ControlsDisabled() && (value == bfEOF || value == bfInserted))
        FPostInProgress = true;
}

std::string TDaoTable::GetBookmarkStr()
{
    std::string result(static_cast<std::size_t>(BookmarkSize), '\0');
    try {
        if (FBookmarkable)
            if (TDaoRecordBuffer* record = ActiveDaoBuffer())
                GetBookmarkData(*record, result);
    } catch (...) {
    }
    return result;
}

void TDaoTable::SetBookmarkStr(const std::string& value)
{
    if (IsEmpty() || !FBookmarkable || value.empty())
        return;
    InternalGotoBookmark(value);
    Resync();
}

void TDaoTable::InternalGotoBookmark(const TBookmark& bookmark)
{
    if (!FCursorOpen)
        DatabaseError(E2023);
    if (bookmark.size() < 4)
        DatabaseError(E2024);
    if (IsEmpty())
        return;
    const std::int32_t handle = HandleOfBytes(bookmark);
    if (!FBookmarkable || handle == 0)
        DatabaseError(E2025);
    const auto at = std::find(FHandleList.begin(), FHandleList.end(), handle);
    if (at == FHandleList.end())
        DatabaseError(E2024);
    const int position = FPositionList[static_cast<std::size_t>(at - FHandleList.begin())];
    try {
        FRecordset->SetBookmark(BookmarkOf(handle));
        FCurrentPosition = position;
    } catch (const jet::EngineError& error) {
        if (error.Number() == jet::errRecordDeleted) {
            DaoInternalRefresh();
            InternalFirst();
            throw;
        }
        // Another engine error leaves the position as it was.
    }
}

bool TDaoTable::BookmarkValid(const TBookmark* bookmark)
{
    if (IsEmpty() || !FCursorOpen || !FBookmarkable || !bookmark || bookmark->size() < 4)
        return false;
    const std::int32_t handle = HandleOfBytes(*bookmark);
    if (handle != 0 && std::find(FHandleList.begin(), FHandleList.end(), handle) == FHandleList.end())
        return false;
    const TBookmark saved = GetBookmark();
    try {
        InternalGotoBookmark(*bookmark);
        CursorPosChanged();
        return true;
    } catch (...) {
        if (!saved.empty())
            Quietly([&] { InternalGotoBookmark(saved); });
        CursorPosChanged();
        return false;
    }
}

int TDaoTable::CompareBookmarks(const TBookmark* first, const TBookmark* second)
{
    if (!first || !second)
        return TDataSet::CompareBookmarks(first, second);
    const std::int32_t a = HandleOfBytes(*first);
    const std::int32_t b = HandleOfBytes(*second);
    return a < b ? -1 : (a > b ? 1 : 0);
}

jet::Variant TDaoTable::GetRawFieldData(const std::string& fieldName)
{
    if (!FCursorOpen || !FBookmarkable || !FindField(fieldName) || !ActiveDaoBuffer())
        return jet::Variant::Null();
    InternalSetToRecord(*ActiveDaoBuffer());
    return FRecordset->Fields().Item(fieldName)->Value();
}

bool TDaoTable::SetRawFieldData(const std::string& fieldName, const jet::Variant& value)
{
    if (!FCursorOpen || !FBookmarkable || !FindField(fieldName) || !ActiveDaoBuffer())
        return false;
    InternalSetToRecord(*ActiveDaoBuffer());
    try {
        FRecordset->Edit();
    } catch (...) {
        if (FRecordset->EditMode() != jet::dbEditInProgress)
            Quietly([&] { FRecordset->Move(0); });
        DaoInternalRefresh();
    }
    FRecordset->Fields().Item(fieldName)->SetValue(value);
    FRecordset->Update();
    return true;
}

jet::Variant TDaoTable::GetRows(int numRows)
{
    if (!FCursorOpen || !FBookmarkable)
        return jet::Variant::Null();
    if (Filtered() && OnFilterRecord)
        DatabaseError(E2063);
    TDaoRecordBuffer* record = ActiveDaoBuffer();
    if (!record)
        return jet::Variant::Null();
    InternalSetToRecord(*record);
    jet::Variant rows = FRecordset->GetRows(numRows);
    // The recordset stands after the rows it gave (the second dimension
    // counts them); counting the records here would move it back.
    if (rows.IsArray() && rows.Array() && rows.Array()->DimCount() == 2)
        FCurrentPosition += rows.Array()->HighBound(2) - rows.Array()->LowBound(2) + 1;
    try {
        Resync();
    } catch (...) {
        InternalFirst();
        Resync();
        throw;
    }
    return rows;
}

jet::QueryDefPtr TDaoTable::CopyQueryDef()
{
    return FRecordset->CopyQueryDef();
}

std::string TDaoTable::CopyQueryDefText()
{
    return FRecordset->CopyQueryDef()->SQL();
}

std::int32_t TDaoTable::GetDaoBookMark(const jet::Recordset& recordset)
{
    jet::Bookmark bytes;
    return ReadHandle(recordset, bytes);
}

std::int32_t TDaoTable::GetDaoLastModifiedBookMark(const jet::Recordset& recordset)
{
    try {
        if (recordset.Bof() && recordset.Eof())
            return 0;
        // A recordset that has changed nothing yet names its current record.
        const jet::Bookmark last = recordset.LastModified();
        return last.empty() ? GetDaoBookMark(recordset) : HandleOf(last);
    } catch (...) {
        return 0;
    }
}

// --- Record buffers ---

std::unique_ptr<TRecordBuffer> TDaoTable::AllocRecordBuffer()
{
    auto buffer = std::make_unique<TDaoRecordBuffer>();
    buffer->Values.resize(static_cast<std::size_t>(FieldDefs().Count()));
    return buffer;
}

int TDaoTable::GetRecordSize() const
{
    return static_cast<int>(sizeof(TDaoRecordBuffer)) + CalcFieldsSize();
}

void TDaoTable::InternalInitRecord(TRecordBuffer& buffer)
{
    auto& record = static_cast<TDaoRecordBuffer&>(buffer);
    FOldValuesBuffer = std::make_unique<TDaoRecordBuffer>();
    if (const TDaoRecordBuffer* active = ActiveDaoBuffer())
        *FOldValuesBuffer = *active;
    else
        FOldValuesBuffer->Values.resize(static_cast<std::size_t>(FieldDefs().Count()));
    record.Values.assign(static_cast<std::size_t>(FieldDefs().Count()), TDaoValue{});
    record.Owner.reset();
    for (int i = 0; i < FieldDefs().Count(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (at >= FDefaultValues.size())
            continue;
        const TField* field = DefinitionField(i);
        if (field && !field->DefaultExpression().empty()) {
            FDefaultValues[at] = UnquoteString(field->DefaultExpression());
            record.Values[at].Changed = true;
        }
        record.Values[at].SetText(FDefaultValues[at]);
    }
    record.BookmarkFlag = bfInserted;
    record.Handle = 0;
    record.Position = -1;
}

bool TDaoTable::GetCurrentRecord(TDaoRecordBuffer& buffer)
{
    if (!FCursorOpen || IsEmpty())
        return false;
    const TDaoRecordBuffer* active = ActiveDaoBuffer();
    if (!active)
        return false;
    buffer = *active;
    return true;
}

std::string TDaoTable::EncodeForDatabase(const std::string& text)
{
    std::vector<TPublishedProperty> properties = FEncrypter->PublishedProperties();
    const auto find = [&](const char* name) {
        return std::find_if(properties.begin(), properties.end(), [&](const TPublishedProperty& p) { return p.Name == name; });
    };
    find("DecodedString")->Write(*FEncrypter, text);
    return find("EncodedString")->Read(*FEncrypter);
}

std::string TDaoTable::DecodeFromDatabase(const std::string& text)
{
    std::vector<TPublishedProperty> properties = FEncrypter->PublishedProperties();
    const auto find = [&](const char* name) {
        return std::find_if(properties.begin(), properties.end(), [&](const TPublishedProperty& p) { return p.Name == name; });
    };
    find("EncodedString")->Write(*FEncrypter, text);
    return find("DecodedString")->Read(*FEncrypter);
}

void TDaoTable::PlanFieldReads()
{
    const int count = FieldDefs().Count();
    FFieldReads.assign(static_cast<std::size_t>(count), TFieldRead::None);
    FFetchedValues.resize(static_cast<std::size_t>(count));
    FReadTargets.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const TFieldType type = FieldDefs()[i].DataType;
        const bool blob = IsBlobType(type);
        const bool memo = type == ftMemo || type == ftFmtMemo;
        TFieldRead& read = FFieldReads[static_cast<std::size_t>(i)];
        if (!DefinitionField(i))
            read = TFieldRead::None;
        else if (blob && !(memo ? FCacheMemos : FCacheBlobs))
            read = TFieldRead::Size;
        else if (IsDateType(type) || type == ftBoolean || (blob && !memo) || (FEncrypterReady && (type == ftString || blob)))
            read = TFieldRead::Scratch;
        else
            read = TFieldRead::Record;
    }
}

bool TDaoTable::InternalFillRecordData(jet::Recordset& recordset, bool useFieldArray, TDaoRecordBuffer& buffer)
{
    IdleDatabase();
    buffer.Handle = FBookmarkable ? ReadHandle(recordset, FBookmarkBytes) : 0;
    buffer.Position = FCurrentPosition;
    buffer.BookmarkFlag = bfCurrent;
    const int count = FieldDefs().Count();
    if (FFieldReads.size() != static_cast<std::size_t>(count))
        PlanFieldReads();
    buffer.Values.resize(static_cast<std::size_t>(count));
    for (std::size_t at = 0; at < FReadTargets.size(); ++at) {
        const TFieldRead plan = FFieldReads[at];
        FReadTargets[at] = plan == TFieldRead::Record ? &buffer.Values[at].EngineValue()
            : plan == TFieldRead::Scratch             ? &FFetchedValues[at]
                                                      : nullptr;
    }
    // The whole record in one call where the recordset can, its values
    // shared with the record where the recordset holds them, else copied;
    // any failure but a deleted record is left to reading field by field,
    // which meets it field by field. Values shared from another block than
    // the record's become the record's own first, so that the record keeps
    // alive only the block it shares now.
    const jet::Variant* shared = nullptr;
    bool read = recordset.ShareValues(FReadTargets.data(), static_cast<std::size_t>(count), shared, FSharedValues);
    if (read && buffer.Owner != FSharedValues) {
        for (TDaoValue& line : buffer.Values)
            line.Unshare();
        buffer.Owner = FSharedValues;
    }
    if (!read) {
        try {
            read = recordset.ReadValues(FReadTargets.data(), static_cast<std::size_t>(count));
        } catch (const jet::EngineError& error) {
            if (error.Number() == jet::errRecordDeleted)
                return false;
        }
    }
    for (int i = 0; i < count; ++i) {
        TDaoValue& line = buffer.Values[static_cast<std::size_t>(i)];
        jet::Variant* target = FReadTargets[static_cast<std::size_t>(i)];
        const TFieldRead plan = FFieldReads[static_cast<std::size_t>(i)];
        if (read && plan == TFieldRead::Record) {
            // Read for the record: no date, Boolean, binary or coded text.
            // A value kept, the common case, is told apart first: Null,
            // Empty and arrays are none of the types kept.
            const jet::Variant& value = shared ? shared[i] : *target;
            if (TDaoValue::KeepsValue(value)) {
                if (shared)
                    line.Share(value);
                else
                    line.Keep();
            } else if (value.IsNull() || value.IsEmpty()) {
                line.SetText(std::string());
            } else if (value.IsArray()) {
                line.SetText(value.AsBytes());
            } else {
                line.SetTextOf(value);
            }
            line.Changed = false;
            continue;
        }
        if (plan == TFieldRead::None)
            continue;
        const TFieldType type = FieldDefs()[i].DataType;
        const bool blob = IsBlobType(type);
        const bool memo = type == ftMemo || type == ftFmtMemo;
        // A field taken from the collection lives as long as this pointer.
        jet::FieldPtr taken;
        const auto daoField = [&]() -> jet::Field& {
            if (useFieldArray)
                return *FFieldObjects[static_cast<std::size_t>(i)];
            if (!taken)
                taken = recordset.Fields().Item(i);
            return *taken;
        };
        if (target) {
            if (!read) {
                try {
                    daoField().ReadValue(*target);
                } catch (const jet::EngineError& error) {
                    if (error.Number() == jet::errRecordDeleted)
                        return false;
                    *target = jet::Variant::Null();
                }
            }
            const jet::Variant& value = shared ? shared[i] : *target;
            if (value.IsNull() || value.IsEmpty())
                line.SetText(std::string());
            else if (value.IsArray())
                line.SetText(value.AsBytes());
            else if (IsDateType(type))
                line.SetText(StampText(value.AsDate()));
            else if (type == ftBoolean && value.VarType() != jet::varBoolean)
                line.SetText(value.AsBoolean() ? "True" : "False");
            else if (blob && !memo)
                line.SetText(value.AsBytes());
            else if (!TDaoValue::KeepsValue(value))
                line.SetTextOf(value);
            else if (target != &line.EngineValue())
                line.Keep(value);  // a Boolean's text is "True" or "False" either way
            else
                line.Keep();
            if (FEncrypterReady && (type == ftString || blob))
                line.SetText(DecodeFromDatabase(line.Text()));
        } else {
            long size = 0;
            try {
                size = daoField().FieldSize();
            } catch (const jet::EngineError& error) {
                if (error.Number() == jet::errRecordDeleted)
                    return false;
            }
            line.SetText(size == 0 ? std::string() : std::to_string(size));
        }
        line.Changed = false;
    }
    // Every value read now is the record's own: the block shared before is
    // let go, so that the recordset can fill it again.
    if (!shared)
        buffer.Owner.reset();
    return true;
}

int TDaoTable::Translate(const char* source, std::string& dest, bool toOem)
{
    const bool sameText = source == dest.c_str();
    if (source && !sameText)
        dest = source;
    if (!FTranslation)
        return static_cast<int>(dest.size());
    if (!source || sameText)
        return 0;
    dest = OemText(dest, OemCodePage(), toOem);
    return static_cast<int>(dest.size());
}

bool TDaoTable::FilterRecord(TDaoRecordBuffer& buffer)
{
    GetCalcFields(buffer);
    bool accept = !FRangeApplied || FilterRange(buffer);
    if (accept && Filtered() && OnFilterRecord) {
        TDaoRecordBuffer* previousFilter = FFilterBuffer;
        FFilterBuffer = &buffer;
        const TDataSetState old = SetTempState(dsFilter);
        TempState restore([&] {
            RestoreState(old);
            FFilterBuffer = previousFilter;
        });
        OnFilterRecord(*this, accept);
    }
    return accept;
}

TGetResult TDaoTable::GetRecord(TRecordBuffer& buffer, TGetMode mode)
{
    auto& record = static_cast<TDaoRecordBuffer&>(buffer);
    if (ControlsDisabled() && FPostInProgress && FBatchMode && mode != gmCurrent && !(Filtered() && OnFilterRecord))
        return grEOF;
    if (State() == dsInsert) {
        if (!(FRecordset->Bof() && FRecordset->Eof()))
            CheckBrowseMode();
        return grError;
    }
    if (State() == dsEdit && FRecordset->EditMode() == jet::dbEditInProgress) {
        CheckBrowseMode();
        return grError;
    }
    jet::Recordset& recordset = *FRecordset;
    const bool forwardOnly = FTableType == jet::dbOpenForwardOnly;
    TGetResult result = grOK;
    bool accepted = false;
    do {
        result = grOK;
        switch (mode) {
        case gmNext:
            // A forward-only recordset stands on its first record before the
            // first step.
            if (forwardOnly && FCurrentPosition == -1 ? recordset.Eof() : recordset.Advance())
                result = grEOF;
            if (result == grOK) {
                ++FCurrentPosition;
                ++FStepCounter;
            }
            break;
        case gmPrior:
            if (forwardOnly) {
                result = grBOF;
                break;
            }
            if (!recordset.Bof())
                recordset.MovePrevious();
            if (recordset.Bof())
                result = grBOF;
            if (result == grOK) {
                --FCurrentPosition;
                --FStepCounter;
            }
            break;
        case gmCurrent:
            if (recordset.Bof())
                result = grBOF;
            if (recordset.Eof())
                result = grEOF;
            break;
        }
        if (result == grEOF)
            FHighWater = FCurrentPosition + 1;
        else
            FHighWater = std::max(FHighWater, FCurrentPosition);
        if (result == grOK) {
            if (!InternalFillRecordData(*FRecordset, true, record))
                return grError;
            accepted = FilterRecord(record);
            if (mode == gmCurrent && !accepted)
                result = grError;
        }
    } while (result == grOK && !accepted);
    return result;
}

// --- Navigation ---

void TDaoTable::FollowCommitsElsewhere()
{
    if (!FRecordset || FTableType != jet::dbOpenDynaset || !FRecordset->Restartable())
        return;
    const std::uint64_t commits = DaoDatabase().CommitsElsewhere();
    if (commits == FCommitsElsewhereSeen)
        return;
    // Counted before the requery reads, as when the recordset opened.
    FCommitsElsewhereSeen = commits;
    InternalClearBookmarks();
    FRecordset->Requery();
    FCountStale = true;
}

void TDaoTable::InternalFirst()
{
    FCurrentPosition = -1;
    FStepCounter = -1;
    FollowCommitsElsewhere();
    if (!FRecordset || (FRecordset->Bof() && FRecordset->Eof()) || FTableType == jet::dbOpenForwardOnly)
        return;
    Quietly([&] {
        FRecordset->MoveFirst();
        FRecordset->MovePrevious();
    });
}

long TDaoTable::CheckedTableCount(long count, int rememberedPosition)
{
    if (FTableType != jet::dbOpenTable || (count <= FHighWater && count >= rememberedPosition))
        return count;
    jet::RecordsetPtr copy = FRecordset->OpenRecordset(jet::dbOpenSnapshot);
    copy->MoveLast();
    const long copied = copy->RecordCount();
    copy->Close();
    FHighWater = static_cast<int>(copied);
    if (copied != count && FWarnOnBadDatabase) {
        std::string message = E2026;
        message.replace(message.find("%s"), 2, FDatabase ? FDatabase->Database() : std::string());
        DatabaseError(message);
    }
    return copied;
}

void TDaoTable::InternalLast()
{
    jet::Recordset& recordset = *FRecordset;
    if (recordset.Bof() && recordset.Eof()) {
        FCurrentPosition = -1;
        return;
    }
    if (FTableType == jet::dbOpenForwardOnly) {
        Quietly([&] {
            if (!recordset.Eof()) {
                while (!recordset.Eof()) {
                    recordset.MoveNext();
                    ++FStepCounter;
                    FCurrentPosition = FStepCounter;
                }
                --FStepCounter;
            }
        });
        FCurrentPosition = FStepCounter;
        return;
    }
    long count = 0;
    const int remembered = FCurrentPosition;
    try {
        recordset.MoveLast();
        recordset.MoveNext();
        count = recordset.RecordCount();
    } catch (const jet::EngineError&) {
        return;
    }
    FCurrentPosition = static_cast<int>(count);
    try {
        FCurrentPosition = static_cast<int>(CheckedTableCount(count, remembered));
    } catch (const jet::EngineError&) {
    }
}

void TDaoTable::InternalMoveToBookmark(std::int32_t handle)
{
    try {
        FRecordset->SetBookmark(BookmarkOf(handle));
    } catch (const jet::EngineError& error) {
        if (error.Number() == jet::errRecordDeleted)
            First();
        throw;
    }
}

void TDaoTable::InternalSetToRecord(TRecordBuffer& buffer)
{
    auto& record = static_cast<TDaoRecordBuffer&>(buffer);
    if (!FRecordset || (FRecordset->Bof() && FRecordset->Eof()))
        return;
    if (record.BookmarkFlag != bfCurrent && record.BookmarkFlag != bfInserted)
        return;
    const int old = FCurrentPosition;
    FCurrentPosition = record.Position;
    if (FTableType == jet::dbOpenForwardOnly || State() == dsSetKey)
        return;
    if (FBookmarkable) {
        if (State() == dsEdit || State() == dsInsert)
            return;
        try {
            InternalMoveToBookmark(record.Handle);
        } catch (const jet::EngineError& error) {
            InternalFirst();
            DatabaseError(error.Description());
        }
        return;
    }
    if (FCurrentPosition == old)
        return;
    try {
        if (RecordsFiltered()) {
            FRecordset->MoveFirst();
            FRecordset->Move(FCurrentPosition);
        } else {
            FRecordset->Move(FCurrentPosition - old);
        }
    } catch (const jet::EngineError&) {
        FRecordset->MoveFirst();
        FRecordset->Move(FCurrentPosition);
    }
}

void TDaoTable::RestoreCursorToActive()
{
    const TDaoRecordBuffer* active = HasActiveRecord() ? static_cast<TDaoRecordBuffer*>(ActiveRecord()) : nullptr;
    if (FBookmarkable) {
        if (active && active->Handle != 0)
            Quietly([&] { FRecordset->SetBookmark(BookmarkOf(active->Handle)); });
        return;
    }
    Quietly([&] {
        FRecordset->MoveFirst();
        if (FCurrentPosition == -1)
            FRecordset->MovePrevious();
        else
            FRecordset->Move(FCurrentPosition);
    });
}

int TDaoTable::GetRecordCount()
{
    if (FTableType == jet::dbOpenForwardOnly)
        return -1;
    if (FUseRecordCount && !FCountStale) {
        FHighWater = FCachedCount;
        return FCachedCount;
    }
    FCountStale = false;
    if (FRecordset->Bof() && FRecordset->Eof()) {
        FCachedCount = FHighWater = 0;
        FCurrentPosition = -1;
        return 0;
    }
    int count = 0;
    if (RecordsFiltered()) {
        const TDataSetState old = SetTempState(dsBrowse);
        const int position = FCurrentPosition;
        {
            TempState restore([&] {
                RestoreState(old);
                FCurrentPosition = position;
            });
            std::unique_ptr<TRecordBuffer> scratch = AllocRecordBuffer();
            InternalFirst();
            while (GetRecord(*scratch, gmNext) == grOK)
                ++count;
        }
        // The walk left the cursor at the end: put it back on the active
        // record, so that the next move starts where the record number says.
        RestoreCursorToActive();
    } else {
        try {
            if (FTableType == jet::dbOpenTable) {
                count = static_cast<int>(CheckedTableCount(FRecordset->RecordCount(), FCurrentPosition));
            } else {
                FRecordset->MoveFirst();
                FRecordset->MoveLast();
                count = static_cast<int>(FRecordset->RecordCount());
            }
        } catch (const jet::EngineError&) {
        }
        RestoreCursorToActive();
    }
    FCachedCount = FHighWater = count;
    return count;
}

int TDaoTable::GetRecNo()
{
    if (!FCursorOpen)
        return -1;
    TDaoRecordBuffer* active = HasActiveRecord() ? static_cast<TDaoRecordBuffer*>(ActiveRecord()) : nullptr;
    if (active && State() == dsBrowse)
        InternalSetToRecord(*active);
    if (!FUseGetRecNo)
        return -1;
    if (FCurrentPosition < -1)
        FRecNoStale = true;
    if (FTableType == jet::dbOpenForwardOnly)
        return FCurrentPosition + 1;
    if (FRecordset->Bof())
        return -1;
    if (RecordsFiltered()) {
        if (!active)
            return -1;
        const TDataSetState old = SetTempState(dsBrowse);
        const int position = FCurrentPosition;
        int count = 0;
        bool found = false;
        {
            TempState restore([&] { RestoreState(old); });
            std::unique_ptr<TRecordBuffer> scratch = AllocRecordBuffer();
            InternalFirst();
            while (GetRecord(*scratch, gmNext) == grOK) {
                if (static_cast<TDaoRecordBuffer&>(*scratch).Handle == active->Handle) {
                    found = true;
                    break;
                }
                ++count;
            }
        }
        if (!found) {
            FCurrentPosition = position;
            InternalSetToRecord(*active);
        }
        return count + 1;
    }
    if (FRecNoStale && active) {
        FCurrentPosition = -1;
        if (FTableType != jet::dbOpenTable) {
            FCurrentPosition = static_cast<int>(FRecordset->AbsolutePosition());
        } else {
            Quietly([&] {
                FRecordset->MoveNext();
                if (FRecordset->Eof())
                    FCurrentPosition = static_cast<int>(FRecordset->RecordCount()) - 1;
                FRecordset->MovePrevious();
            });
            if (FCurrentPosition == -1) {
                if (FBookmarkable) {
                    FCurrentPosition = F_RecalculateRecNo(*FRecordset, GetDaoLastModifiedBookMark(*FRecordset));
                } else {
                    int steps = 0;
                    while (!FRecordset->Bof()) {
                        FRecordset->MovePrevious();
                        if (!FRecordset->Bof())
                            ++steps;
                    }
                    FCurrentPosition = steps;
                }
            }
            active->Position = FCurrentPosition;
            RestoreCursorToActive();
        }
        active->Position = FCurrentPosition;
        FRecNoStale = false;
    } else if (FTableType != jet::dbOpenTable) {
        const long position = FRecordset->AbsolutePosition();
        if (position >= 0)
            FCurrentPosition = static_cast<int>(position);
    }
    return FCurrentPosition + 1;
}

void TDaoTable::SetRecNo(int value)
{
    CheckBrowseMode();
    CursorPosChanged();
    DoBeforeScroll();
    if (RecordsFiltered()) {
        const TDataSetState old = SetTempState(dsBrowse);
        const int position = FCurrentPosition;
        TempState restore([&] { RestoreState(old); });
        std::unique_ptr<TRecordBuffer> scratch = AllocRecordBuffer();
        InternalFirst();
        for (int i = 0; i < value; ++i)
            if (GetRecord(*scratch, gmNext) != grOK) {
                FCurrentPosition = position;
                break;
            }
    } else if (!(FRecordset->Bof() && FRecordset->Eof())) {
        FCurrentPosition = value - 1;
        FRecordset->MoveFirst();
        FRecordset->Move(FCurrentPosition);
    }
    Resync();
    DoAfterScroll();
}

int TDaoTable::F_RecalculateRecNo(jet::Recordset& recordset, std::int32_t handle)
{
    if (!FUseGetRecNo)
        return -1;
    double estimate = recordset.PercentPosition() - 2.0;
    if (estimate < 0)
        estimate = 0;
    const int n = GetRecordCount();
    int count = static_cast<int>(std::lround(n * estimate / 100.0));
    recordset.MoveFirst();
    recordset.Move(count);
    while (!recordset.Eof() && GetDaoBookMark(recordset) != handle) {
        recordset.MoveNext();
        ++count;
    }
    if (recordset.Eof()) {
        count = 0;
        recordset.MoveFirst();
        while (!recordset.Eof() && GetDaoBookMark(recordset) != handle) {
            recordset.MoveNext();
            ++count;
        }
        // No record carries the handle: stop at the end.
    }
    return count;
}

void TDaoTable::InternalRefresh()
{
    FCountStale = true;
    if (!ControlsDisabled())
        DaoInternalRefresh();
}

void TDaoTable::DaoInternalRefresh()
{
    FCountStale = true;
    try {
        Resync();
    } catch (...) {
        RefreshDataEx();
    }
}

void TDaoTable::RefreshDataEx()
{
    CheckBrowseMode();
    const int position = FCurrentPosition;
    ClearBuffers();
    CloseDaoRecordset();
    OpenDaoRecordset();
    ActivateBuffers();
    First();
    if (GetRecordCount() > position)
        MoveBy(position);
    else
        Last();
}

void TDaoTable::RefreshData()
{
    Quietly([&] { CheckBrowseMode(); });
    if (!FRecordset->Restartable()) {
        Close();
        Open();
        if (!IsEmpty())
            First();
        return;
    }
    InternalClearBookmarks();
    std::int32_t handle = 0;
    if (FBookmarkable)
        if (const TDaoRecordBuffer* active = ActiveDaoBuffer())
            handle = active->Handle;
    bool readable = !IsEmpty();
    if (readable) {
        try {
            if (FRecordset->Bof() && FRecordset->Eof())
                readable = false;
            else
                FRecordset->Fields().Item(0)->Value();
        } catch (...) {
            readable = false;
        }
    }
    ClearBuffers();
    FRecordset->Requery();
    FCountStale = true;
    InternalFirst();
    ActivateBuffers();
    if (FBookmarkable && readable && handle != 0) {
        try {
            FRecordset->SetBookmark(BookmarkOf(handle));
            Resync();
        } catch (const jet::EngineError&) {
            First();
        }
    }
}

void TDaoTable::RollbackRefresh()
{
    FCountStale = true;
    ClearBuffers();
    // The recordset still holds the keys of the rows the rollback took away
    // and lacks those it gave back: run its query again. The handles stay
    // the rows' keys, so the database can put the table back by them.
    if (FRecordset && FRecordset->Restartable())
        Quietly([&] { FRecordset->Requery(); });
    InternalFirst();
    ActivateBuffers();
}

// --- Editing ---

bool TDaoTable::HandleEditError(const jet::EngineError& error, TDataSetErrorEvent& event, TDataAction& action)
{
    if (!event)
        return false;
    EDatabaseError message(error.Description());
    action = daFail;
    event(*this, message, action);
    return true;
}

void TDaoTable::InternalEdit()
{
    FOldValuesBuffer = std::make_unique<TDaoRecordBuffer>();
    if (const TDaoRecordBuffer* active = ActiveDaoBuffer())
        *FOldValuesBuffer = *active;
    for (;;) {
        try {
            if (FRecordset->EditMode() != jet::dbEditInProgress)
                FRecordset->Edit();
            break;
        } catch (const jet::EngineError& error) {
            if (FRecordset->EditMode() != jet::dbEditInProgress) {
                Quietly([&] { FRecordset->Move(0); });
                Quietly([&] { Resync(); });
            }
            TDataAction action = daFail;
            if (!HandleEditError(error, OnEditError, action) || action == daFail)
                throw;
            if (action == daAbort)
                Abort();
        }
    }
    if (TDaoRecordBuffer* active = ActiveDaoBuffer())
        InternalFillRecordData(*FRecordset, true, *active);
}

void TDaoTable::InternalAddRecord(TRecordBuffer& buffer, bool append)
{
    if (append) {
        InternalLast();
        SetBookmarkFlag(buffer, bfEOF);
    }
    InternalPost();
}

void TDaoTable::InternalCancel()
{
    if (FRecordset && FRecordset->EditMode() == jet::dbEditInProgress)
        Quietly([&] { FRecordset->CancelUpdate(); });
    // A new record flagged in batch mode set the mark; no post follows.
    FPostInProgress = false;
    FOldValuesBuffer.reset();
    if (FDatabase)
        IdleDatabase();
}

void TDaoTable::WriteChangedFields(TDaoRecordBuffer& buffer)
{
    for (int i = 0; i < static_cast<int>(buffer.Values.size()); ++i) {
        const auto at = static_cast<std::size_t>(i);
        const TDaoValue& value = buffer.Values[at];
        if (!value.Changed || i >= FieldDefs().Count() || at >= FUpdatableFields.size() || !FUpdatableFields[at])
            continue;
        const TField* field = DefinitionField(i);
        jet::Field* daoField = FieldObject(i);
        if (!field || !daoField)
            continue;
        std::string text = value.Text();
        const TFieldType type = field->DataType();
        if (text.empty()) {
            daoField->SetValue(jet::Variant::Null());
        } else if (type == ftBytes && !IsGuidField(*field)) {
            daoField->SetValue(jet::Variant::Bytes(text));
        } else if (IsDateType(type)) {
            jet::Variant date;
            try {
                date = ComposeDateTimeVariant(text);
            } catch (const platform::EConvertError&) {
                date = jet::Variant::Null();  // a text that is no date leaves the stored value
            }
            if (!date.IsNull())
                daoField->SetValue(date);
        } else if (IsBlobType(type) && type != ftMemo && type != ftFmtMemo) {
            if (FEncrypterReady)
                text = EncodeForDatabase(text);
            daoField->SetValue(StringToBlob(*field, text));
        } else {
            if (FEncrypterReady && type == ftString)
                text = EncodeForDatabase(text);
            daoField->SetValue(jet::Variant(text));
        }
    }
}

void TDaoTable::InternalPost()
{
    FRecNoStale = false;
    CheckActive();
    TDaoRecordBuffer& buffer = *ActiveDaoBuffer();
    if (State() == dsEdit) {
        try {
            if (FRecordset->EditMode() != jet::dbEditInProgress)
                FRecordset->Edit();
        } catch (const jet::EngineError&) {
            if (FRecordset->EditMode() != jet::dbEditInProgress)
                Quietly([&] { FRecordset->Move(0); });
            Quietly([&] { DaoInternalRefresh(); });
            throw;
        }
        for (;;) {
            try {
                WriteChangedFields(buffer);
                FRecordset->Update();
                break;
            } catch (const jet::EngineError& error) {
                TDataAction action = daFail;
                const bool handled = HandleEditError(error, OnPostError, action);
                if (handled && action == daRetry) {
                    if (FRecordset->EditMode() != jet::dbEditInProgress)
                        FRecordset->Move(0);
                    continue;
                }
                if (!FRecordset->LockEdits() && FRecordset->EditMode() == jet::dbEditInProgress)
                    Quietly([&] { FRecordset->CancelUpdate(); });
                if (FRecordset->EditMode() != jet::dbEditInProgress)
                    Quietly([&] { FRecordset->Move(0); });
                if (handled && action == daAbort)
                    Abort();
                throw;
            }
        }
    } else {
        for (;;) {
            try {
                FRecordset->AddNew();
                WriteChangedFields(buffer);
                FRecordset->Update();
                break;
            } catch (const jet::EngineError& error) {
                TDataAction action = daFail;
                const bool handled = HandleEditError(error, OnPostError, action);
                if (handled && action == daRetry) {
                    if (FRecordset->EditMode() == jet::dbEditAdd)
                        Quietly([&] { FRecordset->CancelUpdate(); });
                    continue;
                }
                if (FRecordset->EditMode() == jet::dbEditAdd)
                    Quietly([&] { FRecordset->CancelUpdate(); });
                if (handled && action == daAbort)
                    Abort();
                throw;
            }
        }
        Quietly([&] {
            FCountStale = true;
            ++FHighWater;
            ++FCurrentPosition;
            if (!FBookmarkable) {
                InternalLast();
                buffer.Position = FCurrentPosition - 1;
            }
        });
    }
    InternalLast();
    if (FBookmarkable) {
        const bool jetEngine = FDatabase->EngineType() == jet::dbUseJet;
        buffer.Handle = (jetEngine || State() == dsEdit) ? GetDaoLastModifiedBookMark(*FRecordset)
                                                         : GetDaoBookMark(*FRecordset);
        InternalMoveToBookmark(buffer.Handle);
    }
    FOldValuesBuffer.reset();
    IdleDatabase();
    FRecNoStale = true;
}

void TDaoTable::Post()
{
    FPostInProgress = true;
    try {
        TDataSet::Post();
    } catch (...) {
        FPostInProgress = false;
        throw;
    }
    FPostInProgress = false;
    if (FSortedBy.Count() > 0 && FRefreshSorted) {
        CheckBrowseMode();
        InternalClearBookmarks();
        ClearBuffers();
        FRecordset->Requery();
        FCountStale = true;
        InternalFirst();
        ActivateBuffers();
    }
}

void TDaoTable::InternalDelete()
{
    TDaoRecordBuffer* active = ActiveDaoBuffer();
    if (!active)
        return;
    const auto at = std::find(FPositionList.begin(), FPositionList.end(), active->Position);
    if (at != FPositionList.end()) {
        const auto index = at - FPositionList.begin();
        FPositionList.erase(at);
        FHandleList.erase(FHandleList.begin() + index);
    }
    for (int& position : FPositionList)
        if (position > active->Position)
            --position;
    for (;;) {
        try {
            FRecordset->Delete();
            break;
        } catch (const jet::EngineError& error) {
            TDataAction action = daFail;
            const bool handled = HandleEditError(error, OnDeleteError, action);
            if (handled && action == daRetry)
                continue;
            const bool deleted = error.Number() == jet::errRecordDeleted;
            if ((handled && action == daAbort) || (!handled && deleted) || (handled && deleted)) {
                FCountStale = true;
                DaoInternalRefresh();
            }
            if (handled && action == daAbort)
                Abort();
            if (!handled && deleted)
                return;
            throw;
        }
    }
    IdleDatabase();
    FCountStale = true;
    if (FRecordset->Eof())
        FRecordset->MoveLast();
    else
        FRecordset->MoveNext();
}

// --- Streams ---

bool TDaoTable::StoreField(int index) const
{
    const TField& field = Fields(index);
    return field.Visible() && field.FieldKind() == fkData;
}

namespace {

const char* FieldTypeName(TFieldType type)
{
    static constexpr const char* Names[] = {
        "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD", "Date", "Time",
        "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic", "FmtMemo", "ParadoxOle", "DBaseOle",
        "TypedBinary"};
    const auto at = static_cast<std::size_t>(type);
    return at < std::size(Names) ? Names[at] : "Unknown";
}

bool IsStreamInteger(TFieldType type)
{
    return type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc;
}

bool IsStreamFloat(TFieldType type)
{
    return type == ftFloat || type == ftDate || type == ftTime || type == ftDateTime || type == ftCurrency
        || type == ftBCD;
}

// The field header of a stream, as read.
struct StreamColumn {
    TField* Field = nullptr;
    std::string DisplayLabel;
    std::string EditMask;
    int DisplayWidth = 0;
    bool Required = false;
    bool ReadOnly = false;
};

} // namespace

void TDaoTable::SaveToStream(std::ostream& stream)
{
    CheckActive();
    if (IsEmpty())
        return;
    const TBookmark bookmark = GetBookmark();
    DisableControls();
    TempState restore([&] {
        if (!bookmark.empty())
            Quietly([&] { GotoBookmark(bookmark); });
        EnableControls();
    });
    TStreamWriter writer(stream, 16384);
    writer.WriteSignature();
    writer.WriteListBegin();
    std::vector<int> stored;
    for (int i = 0; i < FieldCount(); ++i) {
        HandleWaitingMessages(FProcessMessages);
        if (!StoreField(i))
            continue;
        stored.push_back(i);
        const TField& field = Fields(i);
        writer.WriteString(field.FieldName());
        writer.WriteString(FieldTypeName(field.DataType()));
        writer.WriteInteger(field.Size());
        writer.WriteString(field.DisplayName());
        writer.WriteString(field.EditMask());
        writer.WriteInteger(field.DisplayWidth());
        writer.WriteBoolean(field.Required());
        writer.WriteBoolean(field.ReadOnly());
    }
    writer.WriteListEnd();
    writer.WriteListBegin();
    First();
    const int total = RecordCount() - 1;
    int current = 0;
    while (!Eof()) {
        if (OnExportProgress)
            OnExportProgress(*this, current, total);
        for (int i : stored) {
            const TField& field = Fields(i);
            const TFieldType type = field.DataType();
            if (IsStreamInteger(type))
                writer.WriteInteger(field.AsInteger());
            else if (type == ftBoolean)
                writer.WriteBoolean(field.AsBoolean());
            else if (IsStreamFloat(type))
                writer.WriteFloat(field.AsFloat());
            else
                writer.WriteString(field.AsString());
        }
        ++current;
        Next();
        IdleDatabase();
    }
    writer.WriteListEnd();
    writer.FlushBuffer();
}

void TDaoTable::SaveToFile(const std::string& fileName)
{
    bool written = false;
    {
        std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
        if (!file)
            throw EWriteError("Cannot create file \"" + fileName + "\"");
        SaveToStream(file);
        written = file.tellp() > 0;
        file.close();
        if (!file)
            throw EWriteError("Cannot write file \"" + fileName + "\"");
    }
    if (!written)
        std::remove(fileName.c_str());
}

void TDaoTable::LoadFromStream(std::istream& stream, TLoadMode mode)
{
    if (!Active())
        DatabaseError(E2058);
    CheckBrowseMode();
    // Read and check the header first: a stream that is not ours, or that
    // names a field the table lacks, changes nothing.
    TStreamReader reader(stream, 16384);
    reader.ReadSignature();
    int version = 100;
    if (reader.NextValue() != vaList)
        version = reader.ReadInteger();
    reader.ReadListBegin();
    std::vector<StreamColumn> columns;
    while (!reader.EndOfList()) {
        HandleWaitingMessages(FProcessMessages);
        StreamColumn column;
        const std::string name = reader.ReadString();
        reader.ReadString();  // the type name
        reader.ReadInteger();  // the size
        column.DisplayLabel = reader.ReadString();
        column.EditMask = reader.ReadString();
        column.DisplayWidth = reader.ReadInteger();
        column.Required = reader.ReadBoolean();
        column.ReadOnly = reader.ReadBoolean();
        if (version >= 250)
            reader.ReadString();
        column.Field = FindField(name);
        if (FieldDefs().IndexOf(name) < 0 || !column.Field)
            DatabaseError(E2059);
        columns.push_back(column);
    }
    reader.ReadListEnd();
    reader.ReadListBegin();

    const TBookmark bookmark = mode == lmAppend ? GetBookmark() : TBookmark();
    DisableControls();
    TempState enable([&] { EnableControls(); });
    FDatabase->StartTransaction();
    try {
        if (mode == lmEmptyAppend)
            EmptyTable();
        Last();
        int record = 0;
        // Without fields a record holds no value: only an empty list is one.
        if (columns.empty() && !reader.EndOfList())
            throw EReadError("Invalid property value");
        while (!reader.EndOfList()) {
            if (OnImportProgress)
                OnImportProgress(*this, record);
            bool inserted = false;
            for (const StreamColumn& column : columns) {
                HandleWaitingMessages(FProcessMessages);
                TField& field = *column.Field;
                if (!inserted) {
                    Append();
                    inserted = true;
                }
                const TFieldType type = field.DataType();
                if (IsStreamInteger(type)) {
                    const int value = reader.ReadInteger();
                    if (!column.ReadOnly)
                        field.SetAsInteger(value);
                } else if (type == ftBoolean) {
                    const bool value = reader.ReadBoolean();
                    if (!column.ReadOnly)
                        field.SetAsBoolean(value);
                } else if (type == ftCurrency || type == ftBCD) {
                    const double value = std::round(reader.ReadFloat() * 10000.0) / 10000.0;
                    if (!column.ReadOnly)
                        field.SetAsFloat(value);
                } else if (IsStreamFloat(type)) {
                    const double value = reader.ReadFloat();
                    if (!std::isfinite(value))
                        throw EReadError("Invalid property value");
                    if (!column.ReadOnly) {
                        if (type == ftFloat)
                            field.SetAsFloat(value);
                        else
                            field.SetAsDateTime(value);
                    }
                } else {
                    const std::string value = reader.ReadString();
                    if (!column.ReadOnly)
                        field.SetAsString(value);
                }
            }
            if (inserted)
                Post();
            IdleDatabase();
            ++record;
        }
        reader.ReadListEnd();
    } catch (...) {
        Quietly([&] { Cancel(); });
        Quietly([&] { FDatabase->Rollback(); });
        throw;
    }
    try {
        FDatabase->Commit();
    } catch (...) {
        // A load that did not reach the disk did not happen.
        Quietly([&] { FDatabase->Rollback(); });
        throw;
    }
    for (const StreamColumn& column : columns) {
        column.Field->SetDisplayLabel(column.DisplayLabel);
        column.Field->SetEditMask(column.EditMask);
        column.Field->SetDisplayWidth(column.DisplayWidth);
        column.Field->SetRequired(column.Required);
        column.Field->SetReadOnly(column.ReadOnly);
    }
    if (mode == lmAppend && !bookmark.empty())
        Quietly([&] { GotoBookmark(bookmark); });
}

void TDaoTable::LoadFromFile(const std::string& fileName, TLoadMode mode)
{
    if (!Active())
        DatabaseError(E2058);
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw EReadError("Cannot open file \"" + fileName + "\"");
    LoadFromStream(file, mode);
}
