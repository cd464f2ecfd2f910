// The main window's two settings commands: the options dialog and the ruler
// manager, each followed by the redraw its changes call for.
#include "workspace/Quorvex.h"

#include "settings/MOptions.h"
#include "workspace/MRule.h"

void TFormMeasure::MenuOptionsClick()
{
    if (FormOptions)
        FormOptions->exec();
    // Whatever the dialog's result: Save may have changed the options
    // before the dialog was left with Cancel.
    ApplyMarkFont();
    ImagePaint->update();
    ApplyRuler();
    RedrawImage();
    UpdateSelection(true);
}

void TFormMeasure::MenuRuleEditClick()
{
    if (!FormRule)
        return;
    FormRule->RulerChanged = false;
    FormRule->exec();
    if (!FormRule->RulerChanged)
        return;
    ApplyRuler();
    RedrawImage();
    UpdateSelection(true);
}
