// The mouse on the image paint box, routed by the main window's mode. The
// down handler works with the raw position; move and up keep the position the
// pick tolerance inside the box, so shapes never reach its edge.
#include "workspace/Quorvex.h"

#include "settings/MParam.h"

#include <algorithm>

void TFormMeasure::ConnectImagePaintMouse()
{
    ImagePaint->OnMouseDown = [this](TMouseButton button, TShiftState shift, int x, int y) {
        ImagePaintMouseDown(button, shift, x, y);
    };
    ImagePaint->OnMouseMove = [this](TShiftState shift, int x, int y) { ImagePaintMouseMove(shift, x, y); };
    ImagePaint->OnMouseUp = [this](TMouseButton button, TShiftState shift, int x, int y) {
        ImagePaintMouseUp(button, shift, x, y);
    };
}

TPoint TFormMeasure::ClampToPaintBox(int x, int y) const
{
    const int tolerance = Param->GetActiveWidth();
    x = std::min(std::max(x, tolerance), ImagePaint->Width() - tolerance);
    y = std::min(std::max(y, tolerance), ImagePaint->Height() - tolerance);
    return {x, y};
}

void TFormMeasure::ImagePaintMouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    // The right button opens the pop-up menu and does nothing else.
    if (button == mbRight)
        return;
    ShowStatus("", STATUS_MESSAGE);
    if (!TextEntry)
        EditMark->hide();
    LastDown = {x, y};
    if (Mode == MODE_RULE)
        RuleMouseDown(button, shift, x, y);
}

void TFormMeasure::ImagePaintMouseMove(TShiftState shift, int x, int y)
{
    ShowCursorPos(x, y);
    const TPoint p = ClampToPaintBox(x, y);
    TrackMouse(shift, p.x, p.y);
}

void TFormMeasure::TrackMouse(TShiftState shift, int x, int y)
{
    if (Mode == MODE_RULE)
        RuleMouseMove(shift, x, y);
}

void TFormMeasure::ImagePaintMouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbRight)
        return;
    const TPoint p = ClampToPaintBox(x, y);
    if (Mode == MODE_RULE)
        RuleMouseUp(button, shift, p.x, p.y);
}
