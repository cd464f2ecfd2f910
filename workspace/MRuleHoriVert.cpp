#include "workspace/MRuleHoriVert.h"

#include "platform/system/FloatText.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MTool.h"
#include "workspace/MCalibration.h"

#include <QCloseEvent>
#include <QKeyEvent>

TFormRuleHoriVert* FormRuleHoriVert = nullptr;

namespace {

bool IsEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

} // namespace

TFormRuleHoriVert::TFormRuleHoriVert(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setupUi(this);
    setObjectName("FormRuleHoriVert");
    ComboBoxRuler->lineEdit()->setMaxLength(40);
    MTool::InstallKeyFilter(EditValueHori, &MTool::KeyPressDecimal);
    MTool::InstallKeyFilter(EditValueVert, &MTool::KeyPressDecimal);
    EditValueHori->installEventFilter(this);
    EditValueVert->installEventFilter(this);
    connect(SBHori, &QToolButton::clicked, this, &TFormRuleHoriVert::SBHoriClick);
    connect(SBVert, &QToolButton::clicked, this, &TFormRuleHoriVert::SBVertClick);
    connect(BBConfirm, &QPushButton::clicked, this, &TFormRuleHoriVert::BBConfirmClick);
    connect(BBCancel, &QPushButton::clicked, this, &TFormRuleHoriVert::BBCancelClick);
    FormCreate();
}

void TFormRuleHoriVert::FormCreate()
{
    Tool = MTool::GetInstance();
    Param = MParam::GetInstance();
    Lan = MLan::GetInstance();
    ComboBoxRuler->setEditText(DEFAULT_RULER_NAME);
}

void TFormRuleHoriVert::showEvent(QShowEvent* event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TFormRuleHoriVert::FormShow()
{
    const MLanTexts& texts = Lan->Texts;
    setWindowTitle(QString::fromStdString(texts[226]));
    SBHori->setText(QString::fromStdString(texts[232]));
    SBVert->setText(QString::fromStdString(texts[233]));
    LabelValueHori->setText(QString::fromStdString(texts[227] + ":"));
    LabelValueVert->setText(QString::fromStdString(texts[227] + ":"));
    LabelLengthNameHori->setText(QString::fromStdString(texts[267] + ":"));
    LabelLengthNameVert->setText(QString::fromStdString(texts[267] + ":"));
    LabelUnit->setText(QString::fromStdString(texts[268] + ":"));
    LabelSave->setText(QString::fromStdString(texts[228] + ":"));
    BBConfirm->setText(QString::fromStdString(texts[156]));
    BBCancel->setText(QString::fromStdString(texts[157]));
}

void TFormRuleHoriVert::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    FormClose();
}

void TFormRuleHoriVert::FormClose()
{
    Q_EMIT Finished(true);
}

void TFormRuleHoriVert::SelectHori()
{
    SBHori->setChecked(true);
    SBVert->setChecked(false);
    MTool::EnableControl(EditValueHori, false);
    MTool::EnableControl(EditValueVert, false);
}

void TFormRuleHoriVert::SelectVert()
{
    SBVert->setChecked(true);
    SBHori->setChecked(false);
    MTool::EnableControl(EditValueHori, false);
    MTool::EnableControl(EditValueVert, false);
}

void TFormRuleHoriVert::Reset()
{
    std::string unit;
    Param->GetText(OPT_RULE_UNIT, unit);
    if (!unit.empty()) {
        const int index = ComboBoxUnit->findText(QString::fromStdString(unit), Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            ComboBoxUnit->setCurrentIndex(index);
    }

    // Refilling the list must not change the name the operator typed.
    const QString name = ComboBoxRuler->currentText();
    ComboBoxRuler->clear();
    for (const std::string& ruler : Param->GetRulerNames())
        ComboBoxRuler->addItem(QString::fromStdString(ruler));
    ComboBoxRuler->setEditText(name);

    HoriPixels = 0;
    VertPixels = 0;
    LabelLengthHori->clear();
    LabelLengthVert->clear();
    EditValueHori->clear();
    EditValueVert->clear();
    MTool::EnableControl(EditValueHori, false);
    MTool::EnableControl(EditValueVert, false);
    BBConfirm->setEnabled(false);
}

void TFormRuleHoriVert::SetHoriLength(double pixels)
{
    SetLength(pixels, HoriPixels, LabelLengthHori, EditValueHori);
}

void TFormRuleHoriVert::SetVertLength(double pixels)
{
    SetLength(pixels, VertPixels, LabelLengthVert, EditValueVert);
}

void TFormRuleHoriVert::SetLength(double pixels, double& field, QLabel* label, QLineEdit* edit)
{
    show();
    raise();
    field = pixels;
    label->setText(QString::fromStdString(platform::FloatToStr(pixels) + " " + "px"));
    MTool::EnableControl(edit, true);
    // The line was drawn in the main window: the operator types the true
    // length next, so the keyboard comes over to this window.
    activateWindow();
    edit->setFocus();
}

bool TFormRuleHoriVert::IsValidValue(QLineEdit* edit) const
{
    if (!edit)
        return false;
    const std::string text = MTool::TrimText(edit->text().toStdString());
    double value = 0;
    return !text.empty() && MTool::TextToNumber(text, value) && value > 0;
}

void TFormRuleHoriVert::UpdateConfirm()
{
    BBConfirm->setEnabled(IsValidValue(EditValueHori) && IsValidValue(EditValueVert));
}

std::string TFormRuleHoriVert::RulerName() const
{
    return MTool::TrimText(ComboBoxRuler->currentText().toStdString());
}

bool TFormRuleHoriVert::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (!keyEvent->isAutoRepeat()) {
            if (watched == EditValueHori)
                EditValueHoriKeyUp(keyEvent->key());
            else if (watched == EditValueVert)
                EditValueVertKeyUp(keyEvent->key());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormRuleHoriVert::EditValueHoriKeyUp(int key)
{
    UpdateConfirm();
    if (IsEnterKey(key) && IsValidValue(EditValueHori) && !IsValidValue(EditValueVert))
        Q_EMIT DirectionChosen(RULE_VERT);
}

void TFormRuleHoriVert::EditValueVertKeyUp(int key)
{
    UpdateConfirm();
    if (IsEnterKey(key) && IsValidValue(EditValueVert) && !IsValidValue(EditValueHori))
        Q_EMIT DirectionChosen(RULE_HORI);
}

void TFormRuleHoriVert::SBHoriClick()
{
    Q_EMIT DirectionChosen(RULE_HORI);
}

void TFormRuleHoriVert::SBVertClick()
{
    Q_EMIT DirectionChosen(RULE_VERT);
}

void TFormRuleHoriVert::BBConfirmClick()
{
    hide();
    Q_EMIT Finished(false);
}

void TFormRuleHoriVert::BBCancelClick()
{
    hide();
    Q_EMIT Finished(true);
}

MCalibrationEntry TFormRuleHoriVert::Entry() const
{
    return {EditValueHori->text().toStdString(), EditValueVert->text().toStdString(), HoriPixels, VertPixels,
            ComboBoxUnit->currentText().toStdString(), RulerName()};
}

void TFormRuleHoriVert::SetRulerName(const std::string& name)
{
    ComboBoxRuler->setEditText(QString::fromStdString(name));
}
