// The main window's side of the numeric entry window, the preset shapes and
// the derived constructions: which shape the window shows, rebuilding the
// selected shape from typed values, new shapes typed into the preset dialog,
// and the constructions offered in the pop-up menu and the window's links.
#include "workspace/Quorvex.h"

#include "platform/gui/GuiTypes.h"
#include "settings/MParam.h"
#include "shapes/MArc.h"
#include "shapes/MCircle.h"
#include "shapes/MEllipse.h"
#include "shapes/MLine.h"
#include "shapes/MPoint.h"
#include "shapes/MRect.h"
#include "workspace/MDigit.h"
#include "workspace/MImagePrintPreview.h"
#include "workspace/MSum.h"

#include <QMenu>

namespace {

// A new, unfinished shape of a preset kind; null for any other kind.
std::unique_ptr<MShape> NewPresetShape(int kind, TCanvas* canvas)
{
    switch (kind) {
    case KIND_POINT: return std::make_unique<MPoint>(canvas);
    case KIND_LINE: return std::make_unique<MLine>(canvas);
    case KIND_RECT: return std::make_unique<MRect>(canvas);
    case KIND_CIRCLE: return std::make_unique<MCircle>(canvas);
    case KIND_ELLIPSE: return std::make_unique<MEllipse>(canvas);
    case KIND_ARC: return std::make_unique<MArc>(canvas);
    default: return nullptr;
    }
}

} // namespace

void TFormMeasure::CreateDigitComponents()
{
    PMSeparator = PopupMenuImage->addSeparator();
    PMSeparator->setObjectName(QStringLiteral("PMSeparator"));
    PMCreate1 = PopupMenuImage->addAction(QString());
    PMCreate1->setObjectName(QStringLiteral("PMCreate1"));
    PMCreate2 = PopupMenuImage->addAction(QString());
    PMCreate2->setObjectName(QStringLiteral("PMCreate2"));
    for (QAction* item : {PMSeparator, PMCreate1, PMCreate2})
        item->setVisible(false);
    // The pop-up menu opens with its construction items made current.
    connect(PopupMenuImage, &QMenu::aboutToShow, this, &TFormMeasure::PopupMenuImagePopup);
    ImagePaint->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ImagePaint, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenuImage->popup(ImagePaint->mapToGlobal(at)); });

    OnCommand(PMCreate1, &TFormMeasure::PMCreate1Click);
    OnCommand(PMCreate2, &TFormMeasure::PMCreate2Click);
    OnCommand(MenuPresetPoint, &TFormMeasure::MenuPresetPointClick);
    OnCommand(MenuPresetLine, &TFormMeasure::MenuPresetLineClick);
    OnCommand(MenuPresetRect, &TFormMeasure::MenuPresetRectClick);
    OnCommand(MenuPresetCircle, &TFormMeasure::MenuPresetCircleClick);
    OnCommand(MenuPresetEllipse, &TFormMeasure::MenuPresetEllipseClick);
    OnCommand(MenuPresetArc, &TFormMeasure::MenuPresetArcClick);
    OnCommand(MenuSum, &TFormMeasure::MenuSumClick);
    OnCommand(SBSum, &TFormMeasure::MenuSumClick);
    OnCommand(MenuPrint, &TFormMeasure::MenuPrintClick);
    OnCommand(SBPrint, &TFormMeasure::MenuPrintClick);
}

void TFormMeasure::ConnectEntryWindows()
{
    if (FormDigit) {
        connect(FormDigit, &TFormDigit::FieldsApplied, this, &TFormMeasure::ApplyDigitValues);
        connect(FormDigit, &TFormDigit::ConstructionChosen, this, &TFormMeasure::CreateConstruction);
        connect(FormDigit, &TFormDigit::Closed, this, [this] { SetViewOption(OPT_VIEW_DIGIT, false); });
    }
    if (FormSum)
        connect(FormSum, &TFormSum::ExcelClicked, this, &TFormMeasure::ExportSummary);
    if (FormImagePrintPreview)
        connect(FormImagePrintPreview, &TFormImagePrintPreview::OptionClicked, this, &TFormMeasure::PrintOptionClick);
}

void TFormMeasure::SetDigitShape(MShape* shape)
{
    DigitShape = shape;
    if (!shape || !FormDigit || !FormDigit->isVisible())
        return;
    FormDigit->Data.SetImageHeight(ImagePaint->Height());
    if (shape->ToData(FormDigit->Data, false)) {
        FormDigit->Data.title = shape->GetDisplayName();
        FormDigit->ShowFields();
    }
    UpdateConstructionItems();
}

void TFormMeasure::ApplyDigitValues()
{
    // Only the selected shape takes typed values; a relation's are read-only.
    if (!DigitShape || DigitShape != Selected || !FormDigit)
        return;
    if (Selected->FromData(MData(FormDigit->Data)))
        RedrawImage();
    UpdateSelection(true);
}

void TFormMeasure::CreatePresetShape(int kind)
{
    SelectToolMode(MODE_SELECT);
    ClearSelected();
    std::unique_ptr<MShape> made = NewPresetShape(kind, ImagePaint->Canvas());
    if (!made)
        return;
    MShape* shape = Document.SetSelected(std::move(made));

    // Made when first asked for: few sessions type a preset shape in.
    if (!PresetDialog) {
        PresetDialog = new TFormDigit(this);
        PresetDialog->SetModal(true);
    }
    PresetDialog->ClearFields();
    PresetDialog->Data.SetImageHeight(ImagePaint->Height());
    bool confirmed = false;
    if (shape->ToData(PresetDialog->Data, true)) {
        PresetDialog->Data.title = shape->GetTypeName();
        PresetDialog->ShowFields();
        confirmed = PresetDialog->exec() == mrOk;
    }
    // The dialog's loop may have let the shape go; it is only compared then.
    if (confirmed && Selected == shape && shape->FromData(MData(PresetDialog->Data))) {
        shape->FinishCreate();
        FinishShapeCreation(0, 0);
        return;
    }
    ClearSelected();
    RedrawImage();
    UpdateSelection(true);
}

void TFormMeasure::UpdateConstructionItems()
{
    for (QAction* item : {PMSeparator, PMCreate1, PMCreate2})
        item->setVisible(false);
    if (FormDigit) {
        FormDigit->SBFunction1->hide();
        FormDigit->SBFunction2->hide();
    }
    if (!DigitShape || (DigitShape != Selected && DigitShape != SelectedRelation))
        return;
    const std::vector<std::string> captions = DigitShape->DeriveCaptions();
    const std::pair<QAction*, QPushButton*> items[] = {
        {PMCreate1, FormDigit ? FormDigit->SBFunction1 : nullptr},
        {PMCreate2, FormDigit ? FormDigit->SBFunction2 : nullptr}};
    for (std::size_t i = 0; i < captions.size() && i < std::size(items); ++i) {
        const QString caption = QString::fromStdString(captions[i]);
        items[i].first->setText(caption);
        items[i].first->setVisible(true);
        if (items[i].second) {
            items[i].second->setText(caption);
            items[i].second->show();
        }
    }
    PMSeparator->setVisible(!captions.empty());
}

void TFormMeasure::CreateConstruction(int n)
{
    // Built in select mode: a shape tool armed meanwhile would take the new
    // shapes for its own (an angle's first line, a sticky tool's next shape).
    if (Mode == MODE_CREATE)
        SelectToolMode(MODE_SELECT);
    if (!DigitShape || (DigitShape != Selected && DigitShape != SelectedRelation))
        return;
    std::vector<std::unique_ptr<MShape>> shapes = DigitShape->DeriveShapes(ImagePaint->Canvas(), n);
    if (shapes.empty())
        return;
    for (std::unique_ptr<MShape>& shape : shapes) {
        ClearSelected();
        Document.SetSelected(std::move(shape));
        FinishShapeCreation(0, 0);
    }
    RedrawImage();
    UpdateSelection(true);
}

void TFormMeasure::PMCreate1Click()
{
    CreateConstruction(1);
}

void TFormMeasure::PMCreate2Click()
{
    CreateConstruction(2);
}

void TFormMeasure::MenuPresetPointClick()
{
    CreatePresetShape(KIND_POINT);
}

void TFormMeasure::MenuPresetLineClick()
{
    CreatePresetShape(KIND_LINE);
}

void TFormMeasure::MenuPresetRectClick()
{
    CreatePresetShape(KIND_RECT);
}

void TFormMeasure::MenuPresetCircleClick()
{
    CreatePresetShape(KIND_CIRCLE);
}

void TFormMeasure::MenuPresetEllipseClick()
{
    CreatePresetShape(KIND_ELLIPSE);
}

void TFormMeasure::MenuPresetArcClick()
{
    CreatePresetShape(KIND_ARC);
}

void TFormMeasure::PopupMenuImagePopup()
{
    UpdateConstructionItems();
}
