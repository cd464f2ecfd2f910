#include "workspace/MDigit.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/GuiTypes.h"
#include "settings/MLan.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>

#include <algorithm>

TFormDigit* FormDigit = nullptr;

namespace {

constexpr int kSlotApply = 164;
constexpr int kSlotConfirm = 156;
constexpr int kSlotCancel = 157;
constexpr int kSlotParams = 294;
constexpr int kSlotPreset = 300;
// Room left of the longest caption, so that it does not touch the frame.
constexpr int kLabelMargin = 4;

} // namespace

TFormDigit::TFormDigit(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setupUi(this);
    setObjectName(QStringLiteral("FormDigit"));
    setFixedSize(size());
    DesignedLabelWidth = LabelPointX->width();
    Tool = MTool::GetInstance();
    Lan = MLan::GetInstance();
    RuleTool = MRuleTool::GetInstance();
    IsModal = false;

    for (QLineEdit* coordinate : {EditPointX, EditPointY})
        MTool::InstallKeyFilter(coordinate, &MTool::KeyPressSignedDecimal);
    for (QLineEdit* size : {EditLength1, EditLength2, EditAngle1, EditAngle2})
        MTool::InstallKeyFilter(size, &MTool::KeyPressDecimal);
    for (QLineEdit* edit : {EditPointX, EditPointY, EditLength1, EditLength2, EditAngle1, EditAngle2})
        edit->installEventFilter(this);

    connect(BBApply, &QPushButton::clicked, this, &TFormDigit::BBApplyClick);
    connect(BBConfirm, &QPushButton::clicked, this, &TFormDigit::BBConfirmClick);
    connect(BBCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(SBFunction1, &QPushButton::clicked, this, &TFormDigit::SBFunction1Click);
    connect(SBFunction2, &QPushButton::clicked, this, &TFormDigit::SBFunction2Click);
    ClearFields();
}

void TFormDigit::SetModal(bool modal)
{
    IsModal = modal;
    const QSize fixed = size();
    // Both stay above the main window; the dialog above the tool windows too.
    setWindowFlags(modal ? Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint
                         : Qt::Tool | Qt::WindowStaysOnTopHint);
    setFixedSize(fixed);
}

std::string TFormDigit::UnitCaption(const std::string& caption) const
{
    return caption + "[" + RuleTool->GetUnitName() + "]";
}

void TFormDigit::ShowRow(QLabel* label, QLineEdit* edit, const std::string& caption, const std::string& text,
                         bool editable)
{
    label->move(label->x(), LabelTop(RowCount));
    label->setText(QString::fromStdString(caption));
    edit->move(edit->x(), EditTop(RowCount));
    // A preset starts from nothing: its edits open empty for typing.
    edit->setText(IsModal ? QString() : QString::fromStdString(text));
    edit->setCursorPosition(0);
    label->show();
    edit->show();
    MTool::EnableControl(edit, editable);
    ++RowCount;
}

void TFormDigit::ShowFields()
{
    const bool editable = Data.IsEditable();
    const std::string title = Data.title.empty() ? "" : " - " + Data.title;
    if (IsModal) {
        setWindowTitle(QString::fromStdString(Lan->Texts[kSlotPreset] + title));
        BBConfirm->show();
        BBCancel->show();
    } else {
        setWindowTitle(QString::fromStdString(Lan->Texts[kSlotParams] + title));
        if (editable)
            BBApply->show();
    }

    RowCount = 0;
    const MDataPoint& point = Data.point;
    if (point.IsValid()) {
        ShowRow(LabelPointX, EditPointX, UnitCaption(point.GetCaption() + " - X"), point.GetTextX(), editable);
        ShowRow(LabelPointY, EditPointY, UnitCaption(point.GetCaption() + " - Y"), point.GetTextY(), editable);
    }
    const std::pair<QLabel*, QLineEdit*> lengthRows[] = {{LabelLength1, EditLength1}, {LabelLength2, EditLength2}};
    for (std::size_t i = 0; i < Data.length.size(); ++i) {
        const MDataLength& length = Data.length[i];
        if (length.IsValid())
            ShowRow(lengthRows[i].first, lengthRows[i].second, UnitCaption(length.GetCaption()), length.GetText(),
                    editable);
    }
    const std::pair<QLabel*, QLineEdit*> angleRows[] = {{LabelAngle1, EditAngle1}, {LabelAngle2, EditAngle2}};
    for (std::size_t i = 0; i < Data.angle.size(); ++i) {
        const MDataAngle& angle = Data.angle[i];
        if (angle.IsValid())
            ShowRow(angleRows[i].first, angleRows[i].second, angle.GetCaption() + "[\u00B0]", angle.GetText(),
                    editable);
    }
    FitLabels();
}

void TFormDigit::FitLabels()
{
    const std::pair<QLabel*, QLineEdit*> rows[] = {{LabelPointX, EditPointX},   {LabelPointY, EditPointY},
                                                   {LabelLength1, EditLength1}, {LabelLength2, EditLength2},
                                                   {LabelAngle1, EditAngle1},   {LabelAngle2, EditAngle2}};
    // Right-aligned captions longer than their label lose their beginning
    // ("rcle Center - X[um]").
    int labelWidth = DesignedLabelWidth;
    for (const auto& [label, edit] : rows)
        if (!label->isHidden())
            labelWidth = std::max(labelWidth, label->fontMetrics().horizontalAdvance(label->text()) + kLabelMargin);
    const int widening = labelWidth - LabelPointX->width();
    if (widening == 0)
        return;
    for (const auto& [label, edit] : rows) {
        label->resize(labelWidth, label->height());
        edit->move(edit->x() + widening, edit->y());
    }
    const int oldWidth = width();
    setFixedWidth(oldWidth + widening);
    Panel1->resize(Panel1->width() + widening, Panel1->height());
    for (QWidget* link : {SBFunction1, SBFunction2})
        link->resize(link->width() + widening, link->height());
    // The buttons keep their places about the middle.
    for (QWidget* button : {BBApply, BBConfirm, BBCancel})
        button->move(button->x() + width() / 2 - oldWidth / 2, button->y());
    // A window at the screen's right edge grows to the left instead.
    if (isVisible() && screen()) {
        const int overflow = frameGeometry().right() - screen()->availableGeometry().right();
        if (widening > 0 && overflow > 0)
            move(x() - std::min(overflow, widening), y());
    }
}

void TFormDigit::ApplyFields()
{
    const auto text = [](const QLineEdit* edit) { return edit->text().toStdString(); };
    if (Data.point.IsValid())
        Data.point.SetText(text(EditPointX), text(EditPointY));
    const QLineEdit* lengthEdits[] = {EditLength1, EditLength2};
    for (std::size_t i = 0; i < Data.length.size(); ++i)
        if (Data.length[i].IsValid())
            Data.length[i].SetText(text(lengthEdits[i]));
    const QLineEdit* angleEdits[] = {EditAngle1, EditAngle2};
    for (std::size_t i = 0; i < Data.angle.size(); ++i)
        if (Data.angle[i].IsValid())
            Data.angle[i].SetText(text(angleEdits[i]));
    if (!IsModal)
        Q_EMIT FieldsApplied();
}

void TFormDigit::ClearFields()
{
    setWindowTitle(QString::fromStdString(Lan->Texts[kSlotParams]));
    for (QWidget* control : std::initializer_list<QWidget*>{
             LabelPointX, LabelPointY, LabelLength1, LabelLength2, LabelAngle1, LabelAngle2, EditPointX, EditPointY,
             EditLength1, EditLength2, EditAngle1, EditAngle2, BBApply, BBConfirm, BBCancel, SBFunction1, SBFunction2})
        control->hide();
    FitLabels();
}

void TFormDigit::FormShow()
{
    ShowFields();
    BBApply->setText(QString::fromStdString(Lan->Texts[kSlotApply]));
    BBConfirm->setText(QString::fromStdString(Lan->Texts[kSlotConfirm]));
    BBCancel->setText(QString::fromStdString(Lan->Texts[kSlotCancel]));
}

void TFormDigit::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
    if (IsModal && !event->spontaneous()) {
        PlaceAtScreenCentre(this);
    }
}

void TFormDigit::closeEvent(QCloseEvent* event)
{
    if (IsModal) {
        QDialog::closeEvent(event);
        return;
    }
    Q_EMIT Closed();
    event->accept();
}

void TFormDigit::reject()
{
    if (IsModal)
        QDialog::reject();
}

bool TFormDigit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease && qobject_cast<QLineEdit*>(watched)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            EditPointXKeyUp(13);
    }
    return QDialog::eventFilter(watched, event);
}

void TFormDigit::EditPointXKeyUp(int key)
{
    if (!IsModal && key == 13 && Data.IsEditable())
        ApplyFields();
}

void TFormDigit::BBApplyClick()
{
    ApplyFields();
}

void TFormDigit::BBConfirmClick()
{
    ApplyFields();
    done(mrOk);
}

void TFormDigit::SBFunction1Click()
{
    Q_EMIT ConstructionChosen(1);
}

void TFormDigit::SBFunction2Click()
{
    Q_EMIT ConstructionChosen(2);
}
