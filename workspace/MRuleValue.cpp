#include "workspace/MRuleValue.h"

#include "platform/gui/GuiTypes.h"
#include "settings/MLan.h"
#include "shapes/MTool.h"

TFormRuleValue* FormRuleValue = nullptr;

void ConnectRuleValueDialog(QDialog* dialog, QLineEdit* editValue, QPushButton* confirm, QPushButton* cancel)
{
    MTool::InstallKeyFilter(editValue, &MTool::KeyPressDecimal);
    QObject::connect(confirm, &QPushButton::clicked, dialog, [dialog] { dialog->done(mrOk); });
    QObject::connect(cancel, &QPushButton::clicked, dialog, [dialog] { dialog->done(mrCancel); });
}

void CaptionRuleValueDialog(const MLan* lan, QLabel* labelValue, QPushButton* confirm, QPushButton* cancel)
{
    labelValue->setText(QString::fromStdString(lan->Texts[227] + ":"));
    confirm->setText(QString::fromStdString(lan->Texts[156]));
    cancel->setText(QString::fromStdString(lan->Texts[157]));
}

TFormRuleValue::TFormRuleValue(QWidget* parent)
    : QDialog(parent)
{
    setupUi(this);
    setObjectName(QStringLiteral("FormRuleValue"));
    // Above the main window's tool windows, which stay on top.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    Lan = MLan::GetInstance();
    ConnectRuleValueDialog(this, EditValue, BBConfirm, BBCancel);
}

void TFormRuleValue::showEvent(QShowEvent* event)
{
    CaptionRuleValueDialog(Lan, LabelValue, BBConfirm, BBCancel);
    QDialog::showEvent(event);
    EditValue->setFocus();
}
