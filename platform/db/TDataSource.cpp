#include "platform/db/TDataSource.h"

#include <algorithm>

// --- TDataSource ---

TDataSource::TDataSource(TComponent* owner)
    : TComponent(owner)
{
}

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
    // Each link takes itself out of the list as it lets go.
    while (!FLinks.empty())
        FLinks.back()->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == FDataSet)
        return;
    if (FDataSet) {
        auto& sources = FDataSet->DataSources;
        sources.erase(std::remove(sources.begin(), sources.end(), this), sources.end());
    }
    FDataSet = dataSet;
    if (FDataSet)
        FDataSet->DataSources.push_back(this);
    UpdateLinks();
}

void TDataSource::SetEnabled(bool value)
{
    if (value == FEnabled)
        return;
    FEnabled = value;
    UpdateLinks();
}

TDataSetState TDataSource::State() const
{
    return FDataSet && FEnabled ? FDataSet->State() : dsInactive;
}

void TDataSource::DataEvent(TDataEvent event, TField* field)
{
    if (!FEnabled && event != deUpdateState)
        return;
    // A link may leave (or a new one join) while the event is handled.
    const std::vector<TDataLink*> links = FLinks;
    for (TDataLink* link : links)
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end())
            link->DataEvent(event, field);
}

void TDataSource::UpdateLinks()
{
    const std::vector<TDataLink*> links = FLinks;
    for (TDataLink* link : links)
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end())
            link->UpdateState();
}

// --- TDataLink ---

TDataLink::~TDataLink()
{
    if (FDataSource) {
        auto& links = FDataSource->FLinks;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
}

void TDataLink::SetDataSource(TDataSource* dataSource)
{
    if (dataSource == FDataSource)
        return;
    if (FDataSource) {
        auto& links = FDataSource->FLinks;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    FDataSource = dataSource;
    if (FDataSource)
        FDataSource->FLinks.push_back(this);
    UpdateState();
}

void TDataLink::UpdateState()
{
    const bool active = FDataSource && FDataSource->Enabled() && FDataSource->DataSet()
        && FDataSource->DataSet()->Active();
    if (active == FActive)
        return;
    FActive = active;
    ActiveChanged();
}

void TDataLink::DataEvent(TDataEvent event, TField* field)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive)
        return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        RecordChanged(field);
        break;
    case deDataSetChange:
        DataSetChanged();
        break;
    case deDataSetScroll:
        DataSetScrolled();
        break;
    case deLayoutChange:
        LayoutChanged();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deUpdateState:
        break;
    }
}

// --- TMasterDataLink ---

TMasterDataLink::TMasterDataLink(TDataSet& detail, std::function<void()> onMasterChange,
                                 std::function<void()> onMasterDisable)
    : OnMasterChange(std::move(onMasterChange))
    , OnMasterDisable(std::move(onMasterDisable))
    , FDetail(detail)
{
}

void TMasterDataLink::SetFieldNames(const std::string& names)
{
    if (names == FFieldNames)
        return;
    FFieldNames = names;
    ActiveChanged();
}

void TMasterDataLink::ActiveChanged()
{
    FFields.clear();
    if (Active()) {
        try {
            DataSet()->GetFieldList(FFields, FFieldNames);
        } catch (...) {
            FFields.clear();
            throw;
        }
    }
    if (!FDetail.Active() || FDetail.IsDestroying())
        return;
    if (Active() && !FFields.empty()) {
        if (OnMasterChange)
            OnMasterChange();
    } else if (OnMasterDisable) {
        OnMasterDisable();
    }
}

void TMasterDataLink::RecordChanged(TField* field)
{
    if (DataSource()->State() == dsSetKey || !FDetail.Active() || FFields.empty())
        return;
    if (field && std::find(FFields.begin(), FFields.end(), field) == FFields.end())
        return;
    if (OnMasterChange)
        OnMasterChange();
}

void TMasterDataLink::CheckBrowseMode()
{
    if (FDetail.Active())
        FDetail.CheckBrowseMode();
}
