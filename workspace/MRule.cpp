#include "workspace/MRule.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/GuiTypes.h"
#include "platform/system/FloatText.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MTool.h"

#include <QLabel>
#include <QMouseEvent>
#include <QShowEvent>

TFormRule* FormRule = nullptr;

TFormRule::TFormRule(QWidget* parent)
    : QDialog(parent)
{
    setupUi(this);
    setObjectName(QStringLiteral("FormRule"));
    // The value, magnifier and calibration windows stay on top; a modal
    // dialog that did not would be hidden behind them.
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) | Qt::WindowStaysOnTopHint);
    StatusPanel = new QLabel(StatusBar);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusBar->addWidget(StatusPanel, 1);
    ListViewRulers->viewport()->installEventFilter(this);

    connect(BBLoad, &QPushButton::clicked, this, &TFormRule::BBLoadClick);
    connect(BBDelete, &QPushButton::clicked, this, &TFormRule::BBDeleteClick);
    connect(BBSave, &QPushButton::clicked, this, &TFormRule::BBSaveClick);
    connect(BBClear, &QPushButton::clicked, this, &TFormRule::BBClearClick);
    connect(BBConfirm, &QPushButton::clicked, this, &TFormRule::BBConfirmClick);
    FormCreate();
}

void TFormRule::FormCreate()
{
    Param = MParam::GetInstance();
    Lan = MLan::GetInstance();
}

QString TFormRule::Slot(int slot) const
{
    return QString::fromStdString(Lan->Texts[slot]);
}

void TFormRule::showEvent(QShowEvent* event)
{
    FormShow();
    if (!event->spontaneous())
        PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
}

void TFormRule::FormShow()
{
    setWindowTitle(Slot(234));
    GroupBoxSaved->setTitle(Slot(244));
    ListViewRulers->setHeaderLabels({Slot(266), Slot(264), Slot(265)});
    BBLoad->setText(Slot(161));
    BBDelete->setText(Slot(160));
    GroupBoxCurrent->setTitle(Slot(243));
    LabelNameHori->setText(Slot(264) + ":");
    LabelNameVert->setText(Slot(265) + ":");
    BBSave->setText(Slot(235));
    BBClear->setText(Slot(242));
    BBConfirm->setText(Slot(156));
    // A message of the last showing no longer applies.
    SetStatus("");
    FillRulerList();
    ShowCurrentRuler();
}

bool TFormRule::eventFilter(QObject* watched, QEvent* event)
{
    // A click anywhere in the list, on a row or not, as the old list view had
    // it. Qt replaces the second press of a double click by the double-click
    // event, so a double click counts as one click and then the double click.
    if (watched == ListViewRulers->viewport()) {
        if (event->type() == QEvent::MouseButtonPress
            && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            ListViewRulersClick();
        else if (event->type() == QEvent::MouseButtonDblClick
                 && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            BBLoadClick();
    }
    return QDialog::eventFilter(watched, event);
}

std::string TFormRule::RulerText(const std::string& value, const std::string& unit)
{
    if (value.empty() || value == "0")
        return "";
    return value + " " + unit + "/px";
}

void TFormRule::SetStatus(const std::string& text)
{
    StatusPanel->setText(QString::fromStdString(text));
}

void TFormRule::FillRulerList()
{
    ListViewRulers->clear();
    for (const std::string& name : Param->GetRulerNames())
        AddRulerRow(name, Param->GetRuler(name));
}

void TFormRule::AddRulerRow(const std::string& name, const MRulerItem& item)
{
    new QTreeWidgetItem(ListViewRulers, {QString::fromStdString(name),
                                         QString::fromStdString(RulerText(item.ValueHori, item.UnitHori)),
                                         QString::fromStdString(RulerText(item.ValueVert, item.UnitVert))});
}

void TFormRule::ShowCurrentRuler()
{
    double valueHori = 0;
    double valueVert = 0;
    std::string unitHori;
    std::string unitVert;
    Param->GetDouble(OPT_RULE_VALUE_HORI, valueHori);
    Param->GetDouble(OPT_RULE_VALUE_VERT, valueVert);
    Param->GetText(OPT_RULE_UNIT_HORI, unitHori);
    Param->GetText(OPT_RULE_UNIT_VERT, unitVert);
    RulerCount = 0;

    const auto show = [this](double value, const std::string& unit, QLabel* label) {
        if (value > 0 && !unit.empty()) {
            ++RulerCount;
            label->setText(QString::fromStdString(RulerText(platform::FloatToStr(value), unit)));
        } else {
            label->clear();
        }
    };
    show(valueHori, unitHori, LabelValueHori);
    show(valueVert, unitVert, LabelValueVert);
    if (RulerCount == 2 && unitHori != unitVert)
        SetStatus(Lan->Texts[245]);
}

void TFormRule::BBSaveClick()
{
    if (RulerCount == 0) {
        SetStatus(Lan->Texts[236]);
        return;
    }
    const std::string name = MTool::TrimText(EditName->text().toStdString());
    if (name.empty()) {
        SetStatus(Lan->Texts[237]);
        EditName->setFocus();
        return;
    }
    const QString caption = QString::fromStdString(name);
    for (int row = 0; row < ListViewRulers->topLevelItemCount(); ++row)
        if (ListViewRulers->topLevelItem(row)->text(0) == caption) {
            SetStatus(Lan->Texts[238]);
            return;
        }

    double valueHori = 0;
    double valueVert = 0;
    Param->GetDouble(OPT_RULE_VALUE_HORI, valueHori);
    Param->GetDouble(OPT_RULE_VALUE_VERT, valueVert);
    MRulerItem item;
    item.ValueHori = platform::FloatToStr(valueHori);
    item.ValueVert = platform::FloatToStr(valueVert);
    Param->GetText(OPT_RULE_UNIT_HORI, item.UnitHori);
    Param->GetText(OPT_RULE_UNIT_VERT, item.UnitVert);
    Param->SetRuler(name, item);
    // A failed write is not reported: the ruler stays listed for this run.
    Param->SaveRulers();
    AddRulerRow(name, item);
}

QTreeWidgetItem* TFormRule::ChosenRow()
{
    const QList<QTreeWidgetItem*> selected = ListViewRulers->selectedItems();
    if (!selected.isEmpty())
        return selected.first();
    if (ListViewRulers->topLevelItemCount() > 0)
        SetStatus(Lan->Texts[239]);
    return nullptr;
}

void TFormRule::BBLoadClick()
{
    const QTreeWidgetItem* row = ChosenRow();
    if (!row)
        return;
    const MRulerItem item = Param->GetRuler(row->text(0).toStdString());
    Param->SetText(OPT_RULE_VALUE_HORI, item.ValueHori, true);
    Param->SetText(OPT_RULE_VALUE_VERT, item.ValueVert, true);
    Param->SetText(OPT_RULE_UNIT_HORI, item.UnitHori, true);
    Param->SetText(OPT_RULE_UNIT_VERT, item.UnitVert, true);
    Param->SetInt(OPT_RULE_CALIB_VALUE, 0, true);
    RulerChanged = true;
    ShowCurrentRuler();
}

void TFormRule::BBDeleteClick()
{
    QTreeWidgetItem* row = ChosenRow();
    if (!row)
        return;
    const std::string name = row->text(0).toStdString();
    if (name.empty())
        return;
    if (!ConfirmYesNo(this, QString::fromStdString(Lan->Texts[240] + "'" + name + "'")))
        return;
    Param->DeleteRuler(name);
    delete row;
    // Qt would select the next row; the next Use or Delete waits for a choice.
    ListViewRulers->setCurrentItem(nullptr);
    ListViewRulers->clearSelection();
}

void TFormRule::BBClearClick()
{
    if (RulerCount == 0 || !ConfirmYesNo(this, Slot(241)))
        return;
    Param->SetDouble(OPT_RULE_VALUE_HORI, 0.0, true);
    Param->SetDouble(OPT_RULE_VALUE_VERT, 0.0, true);
    // The store refuses empty texts: the stored units stay, and with both
    // values 0 they make no ruler.
    Param->SetText(OPT_RULE_UNIT_HORI, "", true);
    Param->SetText(OPT_RULE_UNIT_VERT, "", true);
    RulerChanged = true;
    ShowCurrentRuler();
}

void TFormRule::ListViewRulersClick()
{
    SetStatus("");
}

void TFormRule::BBConfirmClick()
{
    done(mrOk);
}
