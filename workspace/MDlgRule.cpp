#include "workspace/MDlgRule.h"

#include "settings/MLan.h"
#include "shapes/MTool.h"
#include "workspace/MRuleValue.h"

TDlgRule* DlgRule = nullptr;

TDlgRule::TDlgRule(QWidget* parent)
    : QDialog(parent)
{
    setupUi(this);
    setObjectName(QStringLiteral("DlgRule"));
    // Above the main window's tool windows, which stay on top.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    Lan = MLan::GetInstance();
    ConnectRuleValueDialog(this, EditValue, BBConfirm, BBCancel);
    connect(CheckBoxSave, &QCheckBox::toggled, this, &TDlgRule::UpdateSaveControls);
    connect(RadioButtonNew, &QRadioButton::toggled, this, &TDlgRule::UpdateSaveControls);
    UpdateSaveControls();
}

void TDlgRule::UpdateSaveControls()
{
    const bool save = CheckBoxSave->isChecked();
    RadioButtonNew->setEnabled(save);
    RadioButtonOld->setEnabled(save);
    MTool::EnableControl(EditSave, save && RadioButtonNew->isChecked());
    MTool::EnableControl(ComboBoxSave, save && RadioButtonOld->isChecked());
}

void TDlgRule::showEvent(QShowEvent* event)
{
    setWindowTitle(QString::fromStdString(Lan->Texts[226]));
    CaptionRuleValueDialog(Lan, LabelValue, BBConfirm, BBCancel);
    CheckBoxSave->setText(QString::fromStdString(Lan->Texts[228]));
    RadioButtonNew->setText(QString::fromStdString(Lan->Texts[229]));
    RadioButtonOld->setText(QString::fromStdString(Lan->Texts[230]));
    QDialog::showEvent(event);
    EditValue->setFocus();
}
