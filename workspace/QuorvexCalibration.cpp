// The main window's calibration mode: horizontal and vertical ruler lines
// drawn over the raw picture, their true lengths typed in the calibration
// window, and the current ruler applied as the one scale every measured value
// is converted with.
#include "workspace/Quorvex.h"

#include "platform/gui/TBitmap.h"
#include "platform/gui/TPaintBox.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MLine.h"
#include "workspace/MRuleHoriVert.h"

void TFormMeasure::MenuRuleClick()
{
    StartCalibration(RULE_HORI, true);
}

void TFormMeasure::StartCalibration(int direction, bool reset)
{
    CalibrationRule.reset();
    if (reset && FormRuleHoriVert)
        FormRuleHoriVert->Reset();
    if (direction == RULE_VERT) {
        CalibrationRule = std::make_unique<MLineVert>(ImagePaint->Canvas());
        CalibrationDirection = RULE_VERT;
        if (FormRuleHoriVert)
            FormRuleHoriVert->SelectVert();
    } else {
        CalibrationRule = std::make_unique<MLineHori>(ImagePaint->Canvas());
        CalibrationDirection = RULE_HORI;
        if (FormRuleHoriVert)
            FormRuleHoriVert->SelectHori();
    }
    CalibrationRule->marked = false;
    if (Mode != MODE_RULE) {
        SelectToolMode(MODE_RULE);
        ResetSelection();
    }
    ShowPlainImage();
}

void TFormMeasure::ShowPlainImage()
{
    // Ruler lines measure raw image pixels: no shapes, no resampling. The
    // screen puts back its marks first, then the back buffer takes the shapes
    // off the picture it may draw over.
    PaintBitmap(ImagePaint, ImageBitmap);
    BufferBitmap->Assign(*ImageBitmap);
}

void TFormMeasure::RuleMouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!IsRuleLineOpen())
        return;
    RestoreViewAt(x, y);
    CalibrationRule->MouseDown(QtButtonOf(button), ModifiersOf(shift), x, y);
    EndRuleLineIfFinished(x, y);
}

void TFormMeasure::RuleMouseMove(TShiftState shift, int x, int y)
{
    if (!IsRuleLineOpen())
        return;
    WipeTransient();
    BandEnd = {x, y};
    CalibrationRule->MouseMove(ModifiersOf(shift), x, y);
}

void TFormMeasure::RuleMouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!IsRuleLineOpen())
        return;
    RestoreViewAt(x, y);
    CalibrationRule->MouseUp(QtButtonOf(button), ModifiersOf(shift), x, y);
    EndRuleLineIfFinished(x, y);
}

bool TFormMeasure::IsRuleLineOpen() const
{
    return CalibrationRule && CalibrationRule->GetEditState() == EDIT_RESHAPE;
}

void TFormMeasure::EndRuleLineIfFinished(int x, int y)
{
    if (CalibrationRule->GetEditState() != EDIT_IDLE) {
        // Still open: its band stays on screen.
        BandEnd = {x, y};
        ShowPendingShape();
        return;
    }
    CalibrationRule->selected = false;
    CalibrationRule->Draw(DRAW_NORMAL);
    ShowCalibrationLength();
}

void TFormMeasure::ShowCalibrationLength()
{
    const auto* line = dynamic_cast<const MLine*>(CalibrationRule.get());
    if (!line || !FormRuleHoriVert)
        return;
    const double length = line->GetLength();
    if (!(length > 0))
        return;
    if (CalibrationDirection == RULE_HORI)
        FormRuleHoriVert->SetHoriLength(length);
    else if (CalibrationDirection == RULE_VERT)
        FormRuleHoriVert->SetVertLength(length);
}

void TFormMeasure::FinishCalibration(bool cancel)
{
    if (!cancel)
        ApplyCalibration();
    SelectToolMode(MODE_SELECT);
    UpdateSelection(true);
}

void TFormMeasure::ApplyCalibration()
{
    if (!FormRuleHoriVert)
        return;
    const MCalibrationEntry entry = FormRuleHoriVert->Entry();
    const int result = StoreCalibration(*Param, entry);
    if (result == CALIBRATION_INVALID_INPUT)
        ShowStatus(Lan->Texts[68], STATUS_MESSAGE);
    if (result != CALIBRATION_STORED)
        return;
    if (entry.RulerName.empty())
        FormRuleHoriVert->SetRulerName(DEFAULT_RULER_NAME);
    ApplyRuler();
}

void TFormMeasure::ApplyRuler()
{
    const MRulerAspect aspect = ApplyRulerOptions(*Param);
    RulerAspect = aspect.Aspect;
    if (aspect.Aspect != RULER_ASPECT_NONE)
        RulerRatio = aspect.Ratio;
    if (aspect.UnitsDiffer)
        ShowStatus(Lan->Texts[245], STATUS_MESSAGE);
}
