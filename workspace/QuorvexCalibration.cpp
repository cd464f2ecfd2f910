// The calibration ruler line on the image. Calibration mode is entered by the
// calibration commands, which bring the ruler line with them; until then no
// ruler exists and the mouse draws nothing in that mode.
#include "workspace/Quorvex.h"

void TFormMeasure::RuleMouseDown(TMouseButton, TShiftState, int, int)
{
}

void TFormMeasure::RuleMouseMove(TShiftState, int, int)
{
}

void TFormMeasure::RuleMouseUp(TMouseButton, TShiftState, int, int)
{
}
