// How views follow a dataset, as the class library wires them: a data source
// (TDataSource) stands between one dataset and the links that watch it; the
// dataset tells its sources each data event, a source passes it to its links
// while it is enabled, and a link (TDataLink) turns the events into the calls
// a view overrides: ActiveChanged when the dataset opens, closes or the
// source is switched on or off, RecordChanged when the record or one of its
// fields changed, DataSetChanged and DataSetScrolled when the view or the
// position changed, CheckBrowseMode before the dataset does something that
// needs pending edits posted.
//
// The master data link (TMasterDataLink) is the link a detail dataset keeps
// on its master's source: it resolves the master field names into the
// master's fields, calls OnMasterChange whenever the master opens, moves or
// changes one of those fields, and OnMasterDisable when the master closes or
// its source is switched off.
//
// None of them owns another: a dataset, a source or a link that goes away
// takes itself out of the others' lists.
#pragma once

#include "platform/db/TDataSet.h"

#include <functional>
#include <string>
#include <vector>

class TDataLink;

class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* owner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet);
    // A disabled source tells its links nothing, and they are inactive.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // The dataset's state, or dsInactive without a dataset or while disabled.
    TDataSetState State() const;

private:
    friend class TDataSet;
    friend class TDataLink;

    // From the dataset: an event for the links.
    void DataEvent(TDataEvent event, TField* field);
    // Each link takes up the source's new dataset or enabled state.
    void UpdateLinks();

    TDataSet* FDataSet = nullptr;
    bool FEnabled = true;
    std::vector<TDataLink*> FLinks;
};

class TDataLink {
public:
    TDataLink() = default;
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;
    virtual ~TDataLink();

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* dataSource);
    TDataSet* DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }
    // The source is enabled and its dataset is open.
    bool Active() const { return FActive; }

protected:
    virtual void ActiveChanged() {}
    virtual void RecordChanged(TField* /*field*/) {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled() { DataSetChanged(); }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void CheckBrowseMode() {}

private:
    friend class TDataSource;

    void DataEvent(TDataEvent event, TField* field);
    void UpdateState();

    TDataSource* FDataSource = nullptr;
    bool FActive = false;
};

class TMasterDataLink : public TDataLink {
public:
    // `detail` is the dataset that follows the master.
    explicit TMasterDataLink(TDataSet& detail, std::function<void()> onMasterChange = {},
                             std::function<void()> onMasterDisable = {});

    // The master's fields named by FieldNames, resolved while the link is
    // active.
    const std::vector<TField*>& Fields() const { return FFields; }
    const std::string& FieldNames() const { return FFieldNames; }
    // Master field names separated by ";"; a change resolves them again.
    void SetFieldNames(const std::string& names);

    std::function<void()> OnMasterChange;
    std::function<void()> OnMasterDisable;

protected:
    void ActiveChanged() override;
    void RecordChanged(TField* field) override;
    void LayoutChanged() override { ActiveChanged(); }
    void CheckBrowseMode() override;

private:
    TDataSet& FDetail;
    std::string FFieldNames;
    std::vector<TField*> FFields;
};
