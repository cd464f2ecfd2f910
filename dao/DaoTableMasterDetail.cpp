// The table component as the detail of a master dataset. The master data
// link watches the master's data source: whenever the master opens, moves or
// changes a link field, the detail reopens on the records whose detail
// fields equal the master's link fields (BuildDetailSQL), and a new detail
// record takes its link fields from the master. A detail on SQL text may
// take the master's values as query parameters of the same names instead.

#include "dao/DaoTable.h"

using namespace DaoTableMessages;

namespace {

constexpr const char* LinkSeparator = " -> ";

} // namespace

void TDaoTable::F_Set_MasterSource(TDataSource* value)
{
    if (value && IsLinkedTo(value))
        DatabaseError(E2057);
    if (!value)
        FMasterFields.Clear();
    FMasterLink.SetDataSource(value);
    if (Active()) {
        RequeryInPlace();
        First();
    }
}

void TDaoTable::F_Set_MasterFields(const TStringList& value)
{
    FMasterFields.Assign(value);
    if (Active()) {
        RequeryInPlace();
        First();
    }
}

void TDaoTable::F_ProcessMasterFields(const TStringList& value)
{
    FDetailFieldList.Clear();
    FMasterFieldList.Clear();
    if (value.Count() == 1 && value[0].find(';') != std::string::npos) {
        const std::string& line = value[0];
        std::size_t start = 0;
        while (start <= line.size()) {
            std::size_t end = line.find(';', start);
            if (end == std::string::npos)
                end = line.size();
            const std::string name = line.substr(start, end - start);
            if (!name.empty()) {
                FDetailFieldList.Add(name);
                FMasterFieldList.Add(name);
            }
            start = end + 1;
        }
    } else {
        for (const std::string& line : value) {
            const std::size_t at = line.find(LinkSeparator);
            if (at == std::string::npos)
                continue;
            FDetailFieldList.Add(line.substr(0, at));
            FMasterFieldList.Add(line.substr(at + std::char_traits<char>::length(LinkSeparator)));
        }
    }
    std::string names;
    for (int i = 0; i < FMasterFieldList.Count(); ++i)
        names += (i ? ";" : "") + FMasterFieldList[i];
    FMasterLink.SetFieldNames(names);
}

std::string TDaoTable::InsertSQLString(const std::string& condition) const
{
    const std::string filter = Filtered() ? Filter() : std::string();
    if (condition.empty())
        return filter;
    return filter.empty() ? condition : "(" + condition + ") AND (" + filter + ")";
}

void TDaoTable::ActivateMaster()
{
    TDataSource* source = MasterSource();
    if (!source || !source->DataSet()) {
        FDetailSuspended = true;
        return;
    }
    FDetailSuspended = !FMasterLink.Active();
    TDataSet& master = *source->DataSet();
    if (!master.Active() && FMasterAutoActivate) {
        try {
            master.Open();
        } catch (...) {
            FDetailSuspended = !FMasterLink.Active();
            throw;
        }
        FDetailSuspended = !FMasterLink.Active();
    }
}

void TDaoTable::ApplyDetailRestriction(int type)
{
    ActivateMaster();
    TDataSource* source = MasterSource();
    if (!source)
        return;
    // The link learns its fields even while the master is closed, so that
    // it calls back when the master opens.
    F_ProcessMasterFields(FMasterFields);
    if (FDetailSuspended || !source->Enabled() || FMasterFieldList.Count() == 0)
        return;
    const std::string condition = InsertSQLString(BuildDetailSQL());
    if (FTableName.empty()) {
        FRecordset->SetFilter(condition);
        FBaseRecordset = FRecordset;
        FRecordset = FBaseRecordset->OpenRecordset(type, FOpenOptionsValue);
        return;
    }
    try {
        FRecordset->Close();
    } catch (...) {
        // Closed already.
    }
    FRecordset = DaoDatabase().OpenRecordset("Select * From [" + FTableName + "] Where " + condition
                                                 + (FSortText.empty() ? std::string() : " Order By " + FSortText) + ";",
                                             type, FOpenOptionsValue, FLockType);
}

void TDaoTable::MasterChanged()
{
    if (!Active())
        return;
    CheckBrowseMode();
    if (!FMasterLink.Active() || FMasterLink.Fields().empty())
        return;
    if (FSQL.Count() > 0)
        RefreshQueryParams();
    MasterDatasetChanged();
}

void TDaoTable::MasterDisabled()
{
    CheckBrowseMode();
    FDetailSuspended = !FMasterLink.Active();
}

void TDaoTable::MasterDatasetChanged()
{
    if (IsDestroying())
        return;
    FDetailSuspended = !FMasterLink.Active();
    TDataSource* source = MasterSource();
    if (!source || !source->DataSet() || source->DataSet()->ControlsDisabled() || ControlsDisabled()
        || FDetailSuspended || !source->Enabled() || source->State() == dsEdit || FMasterFieldList.Count() == 0)
        return;
    CheckBrowseMode();
    ClearBuffers();
    CloseDaoRecordset();
    // A detail on SQL text composes its statement anew (its parameters may
    // have changed); the others only change the condition, unless there is
    // no unrestricted recordset to lay it on.
    if (FSQL.Count() > 0 || (FTableName.empty() && !FBaseRecordset)) {
        OpenDaoRecordset();
    } else {
        try {
            ReOpenDaoRecordset(BuildDetailSQL());
        } catch (...) {
            OpenDaoRecordset();
        }
    }
    FCountStale = true;
    First();
}

void TDaoTable::RefreshQueryParams()
{
    TDataSource* source = MasterSource();
    TDataSet* master = source ? source->DataSet() : nullptr;
    if (!master || !master->Active() || master->State() == dsSetKey || !FParamCheck || FParams.Count() == 0)
        return;
    for (int i = 0; i < master->FieldCount(); ++i) {
        const TField& field = master->Fields(i);
        TParam* param = FParams.FindParam(field.FieldName());
        if (!param)
            continue;
        param->DataType = field.DataType();
        if (field.IsNull()) {
            param->Clear();
            continue;
        }
        switch (field.DataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
            param->SetAsInteger(field.AsInteger());
            break;
        case ftFloat:
        case ftCurrency:
        case ftBCD:
            param->SetAsFloat(field.AsFloat());
            break;
        case ftBoolean:
            param->SetAsBoolean(field.AsBoolean());
            break;
        case ftDate:
        case ftTime:
        case ftDateTime:
            param->SetAsDateTime(field.AsDateTime());
            break;
        case ftBytes:
        case ftVarBytes:
        case ftBlob:
        case ftGraphic:
            param->SetAsBytes(field.AsString());
            break;
        default:
            param->SetAsString(field.AsString());
            break;
        }
    }
}

void TDaoTable::UpdateFromMaster()
{
    const std::vector<TField*>& masterFields = FMasterLink.Fields();
    if (masterFields.size() > static_cast<std::size_t>(FDetailFieldList.Count()))
        DatabaseError(E2030);
    for (std::size_t i = 0; i < masterFields.size(); ++i)
        FieldByName(FDetailFieldList[static_cast<int>(i)]).SetValue(masterFields[i]->Value());
}

void TDaoTable::DoOnNewRecord()
{
    if (FMasterLink.Active() && !FMasterLink.Fields().empty())
        UpdateFromMaster();
    TDataSet::DoOnNewRecord();
}
