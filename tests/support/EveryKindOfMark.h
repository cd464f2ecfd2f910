// Marks of every kind a canvas draws, within a 300 x 200 picture, for tests
// that must see each of them wiped or put back.
#pragma once

#include "platform/gui/TCanvas.h"

inline void DrawEveryKindOfMark(TCanvas* canvas)
{
    canvas->Pen.Color = clRed;
    canvas->MoveTo(10, 10);
    canvas->LineTo(250, 180); // a long slanted line
    canvas->MoveTo(200, 5);
    canvas->LineTo(203, 190); // a steep one
    canvas->TextOut(100, 20, "band");
    canvas->Ellipse(30, 60, 140, 150);
    canvas->Arc(150, 20, 260, 120, 260, 70, 150, 70);
    canvas->Rectangle(40, 40, 120, 90);
    canvas->SetPixel(299, 199, clBlue);
    canvas->Pen.Width = 3; // the wide pen goes through a painter
    canvas->MoveTo(5, 190);
    canvas->LineTo(290, 150);
    canvas->Rectangle(60, 100, 180, 170);
    canvas->Ellipse(170, 110, 280, 190);
    canvas->Pen.Width = 1;
}
