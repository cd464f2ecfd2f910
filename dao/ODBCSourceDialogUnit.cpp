#include "dao/ODBCSourceDialogUnit.h"

#include "dao/DaoRegistry.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/GuiTypes.h"

#include <QHeaderView>

namespace {

const char* const DataSourcesKey = "SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources";
const char* const DataSourceKey = "SOFTWARE\\ODBC\\ODBC.INI\\";

enum Column { NameColumn, KindColumn, DriverColumn, DescriptionColumn };

} // namespace

TODBCSourceDialog::TODBCSourceDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setupUi(this);
    SourceList->header()->setStretchLastSection(true);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(SourceList, &QTreeWidget::itemDoubleClicked, this, [this] { Button1Click(); });
}

void TODBCSourceDialog::showEvent(QShowEvent* event)
{
    PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
}

void TODBCSourceDialog::FillSources()
{
    SourceList->clear();
    for (const TRegistryRoot root : {TRegistryRoot::CurrentUser, TRegistryRoot::LocalMachine}) {
        TRegistry sources(root);
        if (!sources.OpenKeyReadOnly(DataSourcesKey))
            continue;
        platform::TStringList names;
        sources.GetValueNames(names);
        for (const std::string& name : names) {
            TRegistry settings(root);
            settings.OpenKeyReadOnly(DataSourceKey + name);
            auto* item = new QTreeWidgetItem(SourceList);
            item->setText(NameColumn, QString::fromStdString(name));
            item->setText(KindColumn, root == TRegistryRoot::CurrentUser ? "User" : "System");
            item->setText(DriverColumn, QString::fromStdString(sources.ReadString(name)));
            item->setText(DescriptionColumn, QString::fromStdString(settings.ReadString("Description")));
        }
    }
    for (int column = NameColumn; column < DescriptionColumn; ++column)
        SourceList->resizeColumnToContents(column);
}

bool TODBCSourceDialog::Execute(std::string& source)
{
    FillSources();
    QTreeWidgetItem* selected = SourceList->topLevelItemCount() > 0 ? SourceList->topLevelItem(0) : nullptr;
    for (int i = 0; i < SourceList->topLevelItemCount(); ++i)
        if (SourceList->topLevelItem(i)->text(NameColumn).toStdString() == source)
            selected = SourceList->topLevelItem(i);
    SourceList->setCurrentItem(selected);
    if (exec() != mrOk)
        return false;
    const QTreeWidgetItem* chosen = SourceList->currentItem();
    if (!chosen)
        return false;
    source = chosen->text(NameColumn).toStdString();
    return true;
}

void TODBCSourceDialog::Button1Click()
{
    done(mrOk);
}

void TODBCSourceDialog::Button2Click()
{
    done(mrCancel);
}
