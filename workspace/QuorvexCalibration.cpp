// The main window's calibration mode: ruler lines drawn over the picture,
// their true lengths typed in the calibration window, and the current ruler
// applied as the scale every measured value is converted with.
#include "workspace/Quorvex.h"

#include "settings/MParam.h"
#include "workspace/MRuleHoriVert.h"

TFormMeasure* FormMeasure = nullptr;

void TFormMeasure::MenuRuleClick()
{
    StartCalibration(RULE_HORI, true);
}

void TFormMeasure::StartCalibration(int direction, bool reset)
{
    if (reset)
        FormRuleHoriVert->Reset();
    if (direction == RULE_VERT) {
        CalibrationDirection = RULE_VERT;
        FormRuleHoriVert->SelectVert();
    } else {
        CalibrationDirection = RULE_HORI;
        FormRuleHoriVert->SelectHori();
    }
    FormRuleHoriVert->show();
}

void TFormMeasure::ShowCalibrationLength()
{
}

void TFormMeasure::FinishCalibration(bool cancel)
{
    if (!cancel)
        ApplyCalibration();
    FormRuleHoriVert->hide();
}

void TFormMeasure::ApplyCalibration()
{
    const MCalibrationEntry entry{FormRuleHoriVert->EditValueHori->text().toStdString(),
                                  FormRuleHoriVert->EditValueVert->text().toStdString(),
                                  FormRuleHoriVert->GetHoriPixels(),
                                  FormRuleHoriVert->GetVertPixels(),
                                  FormRuleHoriVert->ComboBoxUnit->currentText().toStdString(),
                                  FormRuleHoriVert->RulerName()};
    if (StoreCalibration(*MParam::GetInstance(), entry) != CALIBRATION_STORED)
        return;
    if (entry.RulerName.empty())
        FormRuleHoriVert->ComboBoxRuler->setEditText(DEFAULT_RULER_NAME);
    ApplyRuler();
}

void TFormMeasure::ApplyRuler()
{
    const MRulerAspect aspect = ApplyRulerOptions(*MParam::GetInstance());
    RulerAspect = aspect.Aspect;
    if (aspect.Aspect != RULER_ASPECT_NONE)
        RulerRatio = aspect.Ratio;
}
