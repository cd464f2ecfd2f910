#include "settings/MOptions.h"

#include "platform/gui/Dialogs.h"
#include "platform/system/FloatText.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QPainter>
#include <QShowEvent>
#include <QStringListModel>

#include <algorithm>
#include <string>

TFormOptions* FormOptions = nullptr;

namespace {

// Selects the item whose text is `text`; none when no item has it.
void SelectItem(QComboBox* combo, const std::string& text)
{
    combo->setCurrentIndex(combo->findText(QString::fromStdString(text), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

// The number of a list's chosen item; false when nothing is chosen.
bool ChosenNumber(const QComboBox* combo, int& value)
{
    if (combo->currentIndex() < 0)
        return false;
    bool ok = false;
    const int number = combo->currentText().toInt(&ok);
    if (ok)
        value = number;
    return ok;
}

} // namespace

TFormOptions::TFormOptions(QWidget* parent)
    : QDialog(parent)
{
    setupUi(this);
    setObjectName(QStringLiteral("FormOptions"));
    // The form's file cannot carry a text of one blank.
    ComboBoxRuleUnitUser->setItemText(0, QStringLiteral(" "));
    // The value, magnifier and calibration windows stay on top; a modal
    // dialog that did not would be hidden behind them.
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) | Qt::WindowStaysOnTopHint);

    for (const ColorRow& row : ColorRows()) {
        row.Swatch->installEventFilter(this);
        connect(row.Button, &QAbstractButton::clicked, this, [this, row] { ChooseColor(row.Id, row.Swatch); });
    }
    connect(SBFont, &QAbstractButton::clicked, this, &TFormOptions::SBFontClick);
    MTool::InstallKeyFilter(EditLineVert, &MTool::KeyPressInteger);
    MTool::InstallKeyFilter(EditRuleUser, &MTool::KeyPressDecimal);
    // Only the operator's choice counts, not the selection FormActivate makes.
    connect(ComboBoxRuleUnitUser, &QComboBox::activated, this, &TFormOptions::ComboBoxRuleUnitUserChange);
    connect(BBSave, &QPushButton::clicked, this, &TFormOptions::BBSaveClick);
    connect(BBConfirm, &QPushButton::clicked, this, &TFormOptions::BBConfirmClick);
    connect(BBCancel, &QPushButton::clicked, this, &TFormOptions::BBCancelClick);
    FormCreate();
}

std::vector<TFormOptions::ColorRow> TFormOptions::ColorRows() const
{
    return {{OPT_COLOR_DESIGN, PaintColorDesign, SBDesign},       {OPT_COLOR_NORMAL, PaintColorNormal, SBNormal},
            {OPT_COLOR_ACTIVE, PaintColorActive, SBActive},       {OPT_COLOR_BRUSH, PaintColorBrush, SBBrush},
            {OPT_COLOR_MARK, PaintColorMark, SBMark},             {OPT_COLOR_MARK_FONT, PaintColorMarkFont, SBMarkFont},
            {OPT_COLOR_MARK_BG, PaintColorMarkBG, SBMarkBG}};
}

void TFormOptions::FormCreate()
{
    Param = MParam::GetInstance();
    Lan = MLan::GetInstance();
}

void TFormOptions::showEvent(QShowEvent* event)
{
    FormShow();
    // The dialog is modal: it becomes the active form each time it is shown.
    FormActivate();
    if (!event->spontaneous())
        PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
}

void TFormOptions::FormShow()
{
    const auto slot = [this](int number) { return QString::fromStdString(Lan->Texts[number]); };
    setWindowTitle(slot(165));
    GroupBoxDraw->setTitle(slot(176));
    LDesign->setText(slot(166));
    LNormal->setText(slot(167));
    LActive->setText(slot(168));
    LBrush->setText(slot(169));
    LMark->setText(slot(170));
    LMarkFont->setText(slot(182));
    CheckBoxMarkBG->setText(slot(183));
    for (const ColorRow& row : ColorRows())
        row.Button->setText(slot(173));
    GroupBoxDesign->setTitle(slot(178));
    LWidth->setText(slot(172));
    CheckBoxDraw->setText(slot(174));
    CheckBoxNewMark->setText(slot(186));
    CheckBoxFont->setText(slot(187));
    PanelFont->setText(slot(188));
    SBFont->setText(slot(173));
    GroupBoxLine->setTitle(slot(177));
    CheckBoxLineVert->setText(slot(184));
    LabelLineVert->setText(slot(259));
    CheckBoxLineVertStyleDot->setText(slot(185));
    GroupBoxRule->setTitle(slot(179));
    CheckBoxRuleSave->setText(slot(175));
    CheckBoxRuleUser->setText(slot(189));
    CheckBoxRuleMag->setText(slot(191));
    CheckBoxRuleUnitUser->setText(slot(190));
    GroupBoxGrab->setTitle(slot(180));
    CheckBoxGrabSave->setText(slot(192));
    GroupBoxDisplay->setTitle(slot(181));
    LDecimalLength->setText(slot(195));
    GroupBoxSystem->setTitle(slot(193));
    CheckBoxSystemExitConfirm->setText(slot(194));
    BBSave->setText(slot(155));
    BBConfirm->setText(slot(156));
    BBCancel->setText(slot(157));
}

void TFormOptions::FormActivate()
{
    for (const ColorRow& row : ColorRows()) {
        Colors[row.Id] = TColor(Param->GetColor(row.Id));
        row.Swatch->update();
    }
    SelectItem(ComboBoxActiveWidth, std::to_string(Param->GetActiveWidth()));

    const std::pair<QCheckBox*, int> switches[] = {
        {CheckBoxDraw, OPT_DRAG_DRAW},       {CheckBoxRuleSave, OPT_RULE_LOAD_SAVED},
        {CheckBoxGrabSave, OPT_GRAB_SAVE_SHAPES}, {CheckBoxMarkBG, OPT_MARK_BG},
        {CheckBoxNewMark, OPT_MARK_NEW_SHAPE}, {CheckBoxSystemExitConfirm, OPT_EXIT_CONFIRM},
        {CheckBoxFont, OPT_MARK_FONT}};
    for (const auto& [box, id] : switches)
        box->setChecked(Param->BoolValue(id));

    int number = 0;
    Param->GetText(OPT_MARK_FONT_NAME, PanelFontFont.Name);
    Param->GetInt(OPT_MARK_FONT_CHARSET, number);
    PanelFontFont.Charset = number & 0xFF;
    Param->GetInt(OPT_MARK_FONT_HEIGHT, number);
    PanelFontFont.SetHeight(number);
    Param->GetInt(OPT_MARK_FONT_SIZE, number);
    PanelFontFont.Size = number;
    ShowPanelFont();

    CheckBoxLineVert->setChecked(Param->BoolValue(OPT_LINE_VERT));
    Param->GetInt(OPT_LINE_VERT_WIDTH, number);
    EditLineVert->setText(QString::number(number));
    CheckBoxLineVertStyleDot->setChecked(Param->BoolValue(OPT_LINE_VERT_DOT));

    CheckBoxRuleUser->setChecked(Param->BoolValue(OPT_RULE_USER));
    double userValue = 0;
    Param->GetDouble(OPT_RULE_USER_VALUE, userValue);
    EditRuleUser->setText(QString::fromStdString(platform::FloatToStr(userValue)));
    CheckBoxRuleMag->setChecked(Param->BoolValue(OPT_RULE_MAG));

    std::string unit;
    Param->GetText(OPT_RULE_UNIT_USER, unit);
    const bool isUnit = MRuleTool::IsUnitName(unit);
    CheckBoxRuleUnitUser->setChecked(isUnit);
    if (isUnit)
        SelectItem(ComboBoxRuleUnitUser, unit);
    else
        ComboBoxRuleUnitUser->setCurrentIndex(-1);

    Param->GetInt(OPT_DECIMAL_LENGTH, number);
    SelectItem(ComboBoxDecimalLength, std::to_string(number));
}

void TFormOptions::ApplyOptions()
{
    for (const auto& [id, color] : Colors)
        Param->SetColor(id, int(color));

    // Without a chosen width (a stored width outside the list) the option
    // stays as it is.
    int width = 0;
    if (ChosenNumber(ComboBoxActiveWidth, width))
        Param->SetActiveWidth(width);

    const std::pair<int, QCheckBox*> switches[] = {
        {OPT_DRAG_DRAW, CheckBoxDraw},       {OPT_RULE_LOAD_SAVED, CheckBoxRuleSave},
        {OPT_GRAB_SAVE_SHAPES, CheckBoxGrabSave}, {OPT_MARK_BG, CheckBoxMarkBG},
        {OPT_MARK_NEW_SHAPE, CheckBoxNewMark}, {OPT_EXIT_CONFIRM, CheckBoxSystemExitConfirm},
        {OPT_MARK_FONT, CheckBoxFont}};
    for (const auto& [id, box] : switches)
        Param->SetBool(id, box->isChecked(), false);

    Param->SetText(OPT_MARK_FONT_NAME, PanelFontFont.Name, false);
    Param->SetInt(OPT_MARK_FONT_CHARSET, PanelFontFont.Charset & 0xFF, false);
    Param->SetInt(OPT_MARK_FONT_HEIGHT, PanelFontFont.Height(), false);
    Param->SetInt(OPT_MARK_FONT_SIZE, PanelFontFont.Size, false);

    Param->SetBool(OPT_LINE_VERT, CheckBoxLineVert->isChecked(), false);
    Param->SetText(OPT_LINE_VERT_WIDTH, EditLineVert->text().toStdString(), false);
    Param->SetBool(OPT_LINE_VERT_DOT, CheckBoxLineVertStyleDot->isChecked(), false);

    Param->SetBool(OPT_RULE_USER, CheckBoxRuleUser->isChecked(), false);
    // The ruler needs a length above 0: an empty edit, or one that holds no
    // number (a lone "."), counts as 1.
    double userValue = 0;
    if (!MTool::TextToNumber(EditRuleUser->text().toStdString(), userValue) || userValue <= 0)
        EditRuleUser->setText(QStringLiteral("1"));
    Param->SetText(OPT_RULE_USER_VALUE, EditRuleUser->text().toStdString(), false);
    Param->SetBool(OPT_RULE_MAG, CheckBoxRuleMag->isChecked(), false);

    // "1" is no unit name: the user unit is off, and the text, not being
    // empty, reaches the store on Save.
    const std::string unit = ComboBoxRuleUnitUser->currentText().toStdString();
    if (CheckBoxRuleUnitUser->isChecked() && MRuleTool::IsUnitName(unit))
        Param->SetText(OPT_RULE_UNIT_USER, unit, false);
    else
        Param->SetBool(OPT_RULE_UNIT_USER, true, false);

    // Without a chosen number (a stored number outside 0 to 5) the option
    // stays as it is.
    int decimals = 0;
    if (ChosenNumber(ComboBoxDecimalLength, decimals))
        Param->SetText(OPT_DECIMAL_LENGTH, std::to_string(decimals), false);
    Param->GetInt(OPT_DECIMAL_LENGTH, decimals);
    MTool::GetInstance()->SetDecimals(decimals);
}

void TFormOptions::BBSaveClick()
{
    ApplyOptions();
    // Options with an empty text are not written; nothing to tell the operator.
    Param->SaveAll();
}

void TFormOptions::BBConfirmClick()
{
    ApplyOptions();
    done(mrOk);
}

void TFormOptions::BBCancelClick()
{
    FormActivate();
    done(mrCancel);
}

void TFormOptions::reject()
{
    BBCancelClick();
}

void TFormOptions::ChooseColor(int id, QWidget* swatch)
{
    // Made for each choice, so that it speaks the language of the moment.
    QColorDialog colorDialog(ColorDialogColor, this);
    colorDialog.setObjectName(QStringLiteral("ColorDialog"));
    colorDialog.setOption(QColorDialog::DontUseNativeDialog);
    if (colorDialog.exec() != QDialog::Accepted)
        return;
    ColorDialogColor = colorDialog.selectedColor();
    Colors[id] = FromQRgb(ColorDialogColor.rgb());
    swatch->update();
}

bool TFormOptions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        for (const ColorRow& row : ColorRows())
            if (watched == row.Swatch) {
                PaintColorBox(row.Id, row.Swatch);
                return true;
            }
    return QDialog::eventFilter(watched, event);
}

void TFormOptions::PaintColorBox(int id, QWidget* swatch)
{
    const auto color = Colors.find(id);
    if (color == Colors.end())
        return;
    QPainter painter(swatch);
    painter.fillRect(swatch->rect(), ToQColor(color->second));
}

namespace {

// Marks are drawn in one face and size alone. Qt's dialog stands its face,
// style and size columns in columns 0, 2 and 4 of its grid, caption above
// edit above list: the style column is hidden and keeps the face's plain
// style chosen, and the size list, which the dialog fills anew for every
// face, keeps no size above `maxSize`; a larger size typed falls back at once.
void LimitFontDialog(QFontDialog& dialog, int maxSize)
{
    QObject::connect(&dialog, &QFontDialog::currentFontChanged, &dialog, [&dialog, maxSize](const QFont& font) {
        if (font.pointSize() > maxSize) {
            QFont limited = font;
            limited.setPointSize(maxSize);
            dialog.setCurrentFont(limited);
        }
    });
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid)
        return;
    const auto listAt = [grid](int column) -> QAbstractItemView* {
        QLayoutItem* item = grid->itemAtPosition(2, column);
        return item ? qobject_cast<QAbstractItemView*>(item->widget()) : nullptr;
    };
    for (int row = 0; row < 3; ++row)
        if (QLayoutItem* style = grid->itemAtPosition(row, 2); style && style->widget())
            style->widget()->hide();

    if (QAbstractItemView* styleList = listAt(2); styleList && styleList->model()) {
        const auto choosePlain = [&dialog, styleList] {
            const QString family = dialog.currentFont().family();
            QAbstractItemModel* styles = styleList->model();
            for (int row = 0; row < styles->rowCount(); ++row) {
                const QString style = styles->index(row, 0).data().toString();
                // Upright (neither italic nor oblique) and of normal weight.
                const QFont face = QFontDatabase::font(family, style, 10);
                if (face.style() == QFont::StyleNormal && face.weight() == QFont::Normal) {
                    if (styleList->currentIndex().row() != row)
                        styleList->setCurrentIndex(styles->index(row, 0));
                    return;
                }
            }
        };
        // The dialog chooses a style of its own right after it lists a face's
        // styles, or takes the one a font asks for: the plain one is chosen
        // after that.
        const auto choosePlainLater = [&dialog, choosePlain] {
            QMetaObject::invokeMethod(&dialog, choosePlain, Qt::QueuedConnection);
        };
        QObject::connect(styleList->model(), &QAbstractItemModel::modelReset, &dialog, choosePlainLater);
        QObject::connect(&dialog, &QFontDialog::currentFontChanged, &dialog, [choosePlainLater](const QFont& font) {
            if (font.bold() || font.italic())
                choosePlainLater();
        });
    }

    QAbstractItemView* sizeList = listAt(4);
    auto* sizes = sizeList ? qobject_cast<QStringListModel*>(sizeList->model()) : nullptr;
    if (!sizes)
        return;
    const auto limit = [sizes, maxSize] {
        QStringList offered = sizes->stringList();
        offered.removeIf([maxSize](const QString& size) { return size.toInt() > maxSize; });
        // Set again only when something went, which ends the round.
        if (offered.size() != sizes->rowCount())
            sizes->setStringList(offered);
    };
    QObject::connect(sizes, &QAbstractItemModel::modelReset, &dialog, limit);
    limit();
}

} // namespace

void TFormOptions::SBFontClick()
{
    QFont current(QString::fromStdString(PanelFontFont.Name));
    if (PanelFontFont.Size > 0)
        current.setPointSize(std::min(PanelFontFont.Size, MaxFontSize));
    QFontDialog fontDialog(this);
    fontDialog.setObjectName(QStringLiteral("FontDialogImage"));
    fontDialog.setOptions(QFontDialog::MonospacedFonts | QFontDialog::DontUseNativeDialog);
    LimitFontDialog(fontDialog, MaxFontSize);
    fontDialog.setCurrentFont(current);
    if (fontDialog.exec() != QDialog::Accepted)
        return;
    // The dialog knows no character set: the panel's stays.
    const QFont chosen = fontDialog.selectedFont();
    TFont font;
    font.Name = chosen.family().toStdString();
    font.Size = std::clamp(chosen.pointSize(), 1, MaxFontSize);
    PanelFontFont.Name = font.Name;
    PanelFontFont.SetHeight(font.Height());
    PanelFontFont.Size = font.Size;
    ShowPanelFont();
}

void TFormOptions::ShowPanelFont()
{
    // The sample stays within the sizes the font dialog offers, whatever the
    // store holds.
    TFont sample = PanelFontFont;
    sample.Size = std::min(sample.Size, MaxFontSize);
    PanelFont->setFont(ToQFont(sample));
}

void TFormOptions::ComboBoxRuleUnitUserChange()
{
    // The blank item switches the user unit off.
    CheckBoxRuleUnitUser->setChecked(MRuleTool::IsUnitName(ComboBoxRuleUnitUser->currentText().toStdString()));
}
