#include "workspace/MImagePrintOption.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/GuiTypes.h"
#include "platform/system/FloatText.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <QDateTime>
#include <QLocale>
#include <QShowEvent>

TFormImagePrintOption* FormImagePrintOption = nullptr;

namespace {

// Dates are written as the interface language writes them; the system's own
// way when it speaks that language too (its country's order of day and month).
QLocale InterfaceLocale(const MLan& lan)
{
    const QLocale language(QString::fromStdString(lan.LocaleName()));
    const QLocale system = QLocale::system();
    return system.language() == language.language() && system.script() == language.script() ? system : language;
}

} // namespace

TFormImagePrintOption::TFormImagePrintOption(QWidget* parent)
    : QDialog(parent)
{
    setupUi(this);
    // Above the tool windows, which stay on top of the main window.
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) | Qt::WindowStaysOnTopHint);
    setObjectName(QStringLiteral("FormImagePrintOption"));
    Param = MParam::GetInstance();
    Tool = MTool::GetInstance();
    Lan = MLan::GetInstance();
    DTPDate->setDate(QDate::currentDate());
    MTool::InstallKeyFilter(EditMag, &MTool::KeyPressDecimal);
    MTool::InstallKeyFilter(EditPrinterAdjustParam, &MTool::KeyPressDecimal);
    connect(BBConfirm, &QPushButton::clicked, this, &TFormImagePrintOption::BBConfirmClick);
    connect(BBCancel, &QPushButton::clicked, this, &TFormImagePrintOption::BBCancelClick);
}

double TFormImagePrintOption::ComputeMagnification() const
{
    const double scale = Param->GetScale();
    if (!(scale > 0))
        return 0.0;
    std::string unit;
    Param->GetText(OPT_RULE_UNIT, unit);
    const double magnification = MRuleTool::PixelMagnification(scale, unit);
    return magnification >= 1.0 ? MTool::Round(magnification) : magnification;
}

void TFormImagePrintOption::LoadFields()
{
    const auto text = [this](int id) {
        std::string value;
        Param->GetText(id, value);
        return QString::fromStdString(value);
    };
    CheckBoxInfo->setChecked(Param->BoolValue(OPT_PRINT_INFO));
    EditName->setText(text(OPT_PRINT_NAME));
    EditUnit->setText(text(OPT_PRINT_UNIT));
    EditAuthor->setText(text(OPT_PRINT_AUTHOR));
    CheckBoxAttr->setChecked(Param->BoolValue(OPT_PRINT_ATTR));
    CheckBoxMag->setChecked(Param->BoolValue(OPT_PRINT_MAG));
    EditMag->setText(text(OPT_PRINT_MAG_VALUE));
    const double magnification = ComputeMagnification();
    LabelMagRealValue->setText(QString::fromStdString(magnification < 1.0 ? Tool->FormatNumber(magnification)
                                                                          : platform::FloatToStr(magnification)));
    EditPrinterAdjustParam->setText(text(OPT_PRINT_ADJUST));
}

void TFormImagePrintOption::SaveFields()
{
    Param->SetBool(OPT_PRINT_INFO, CheckBoxInfo->isChecked(), true);
    Param->SetText(OPT_PRINT_NAME, EditName->text().toStdString(), true);
    Param->SetText(OPT_PRINT_UNIT, EditUnit->text().toStdString(), true);
    Param->SetText(OPT_PRINT_AUTHOR, EditAuthor->text().toStdString(), true);
    Param->SetBool(OPT_PRINT_ATTR, CheckBoxAttr->isChecked(), true);
    Param->SetBool(OPT_PRINT_MAG, CheckBoxMag->isChecked(), true);
    Param->SetText(OPT_PRINT_MAG_VALUE, EditMag->text().toStdString(), true);
    Param->SetText(OPT_PRINT_ADJUST, EditPrinterAdjustParam->text().toStdString(), true);
}

std::string TFormImagePrintOption::DateText() const
{
    return InterfaceLocale(*Lan).toString(DTPDate->date(), QLocale::ShortFormat).toStdString();
}

std::string TFormImagePrintOption::NumberText() const
{
    return EditNum->text().toStdString();
}

std::string TFormImagePrintOption::ScaleText() const
{
    return EditProp->text().toStdString();
}

void TFormImagePrintOption::showEvent(QShowEvent* event)
{
    FormShow();
    LoadFields();
    if (!event->spontaneous())
        PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
}

void TFormImagePrintOption::FormShow()
{
    const QLocale locale = InterfaceLocale(*Lan);
    DTPDate->setLocale(locale);
    DTPDate->setDisplayFormat(locale.dateFormat(QLocale::ShortFormat));
    const std::pair<int, QWidget*> captions[] = {
        {276, this},          {277, CheckBoxInfo},  {278, GroupBoxInfo},  {279, LabelName},
        {280, LabelUnit},     {281, LabelAuthor},   {282, LabelDate},     {283, LabelNum},
        {284, LabelProp},     {285, CheckBoxAttr},  {286, CheckBoxMag},   {287, GroupBoxMag},
        {288, LabelMagValue}, {289, LabelMagReal},  {290, LabelPrinterAdjustParam},
        {156, BBConfirm},     {157, BBCancel}};
    for (const auto& [slot, control] : captions) {
        const QString caption = QString::fromStdString(Lan->Texts[slot]);
        if (control == this)
            setWindowTitle(caption);
        else if (auto* label = qobject_cast<QLabel*>(control))
            label->setText(caption);
        else if (auto* box = qobject_cast<QGroupBox*>(control))
            box->setTitle(caption);
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            button->setText(caption);
    }
}

void TFormImagePrintOption::BBConfirmClick()
{
    SaveFields();
    done(mrOk);
}

void TFormImagePrintOption::BBCancelClick()
{
    LoadFields();
    done(mrCancel);
}
