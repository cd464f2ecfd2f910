// The mouse on the image paint box and the keys of the main window, routed by
// the mode: in create mode to the shape under creation, in select mode to
// selection, hover highlights, drags of one shape, its points and labels, of
// a relation's label and of every selected shape, and rubber-band selection;
// in calibration mode to the ruler line. The down handler works with the raw
// position; move and up keep the position the pick tolerance inside the box.
// Everything drawn here goes onto the paint box's screen image and lasts
// until the next copy of the back buffer.
#include "workspace/Quorvex.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MRelation.h"
#include "shapes/MShape.h"
#include "shapes/MTool.h"

#include <algorithm>

namespace {

bool IsHit(int hit)
{
    return hit == HIT_POINT || hit == HIT_BODY || hit == HIT_LABEL;
}

bool IsDragging(const MShape* shape)
{
    return shape && (shape->GetEditState() == EDIT_RESHAPE || shape->GetEditState() == EDIT_MOVE);
}

// The arrow keys' one-pixel steps on the screen; (0, 0) for any other key.
TPoint NudgeStep(int key)
{
    switch (key) {
    case Qt::Key_Up:
        return {0, -1};
    case Qt::Key_Down:
        return {0, 1};
    case Qt::Key_Left:
        return {-1, 0};
    case Qt::Key_Right:
        return {1, 0};
    default:
        return {0, 0};
    }
}

} // namespace

void TFormMeasure::ConnectImagePaintMouse()
{
    ImagePaint->OnMouseDown = [this](TMouseButton button, TShiftState shift, int x, int y) {
        ImagePaintMouseDown(button, shift, x, y);
    };
    ImagePaint->OnMouseMove = [this](TShiftState shift, int x, int y) { ImagePaintMouseMove(shift, x, y); };
    ImagePaint->OnMouseUp = [this](TMouseButton button, TShiftState shift, int x, int y) {
        ImagePaintMouseUp(button, shift, x, y);
    };
    ImagePaint->OnDblClick = [this] { ImagePaintDblClick(); };
}

TPoint TFormMeasure::ClampToPaintBox(int x, int y) const
{
    const int tolerance = Param->GetActiveWidth();
    x = std::min(std::max(x, tolerance), ImagePaint->Width() - tolerance);
    y = std::min(std::max(y, tolerance), ImagePaint->Height() - tolerance);
    return {x, y};
}

bool TFormMeasure::IsLocked() const
{
    return MenuLock->isChecked();
}

bool TFormMeasure::MarksShown() const
{
    return MenuViewMark->isChecked();
}

bool TFormMeasure::AskConfirmation(const QString& text)
{
    if (ConfirmBox)
        return ConfirmBox(text);
    return ConfirmYesNo(this, text);
}

// ---- Mouse-down ----

void TFormMeasure::ImagePaintMouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    // The right button opens the pop-up menu and does nothing else.
    if (button == mbRight)
        return;
    ShowStatus("", STATUS_MESSAGE);
    if (!TextEntry)
        EditMark->hide();
    LastDown = {x, y};
    switch (Mode) {
    case MODE_CREATE:
        CreateMouseDown(button, shift, x, y);
        break;
    case MODE_SELECT:
        SelectMouseDown(button, shift, x, y);
        break;
    case MODE_RULE:
        RuleMouseDown(button, shift, x, y);
        break;
    default:
        break;
    }
}

void TFormMeasure::CreateMouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!Selected)
        return;
    if (TextEntry) {
        TextEntryMouseDown();
        return;
    }
    if (Selected->GetEditState() != EDIT_RESHAPE)
        return;
    PaintBitmap(ImagePaint, BufferBitmap);
    Selected->MouseDown(QtButtonOf(button), ModifiersOf(shift), x, y);
    if (Selected->GetEditState() == EDIT_IDLE)
        FinishShapeCreation(x, y);
}

void TFormMeasure::TextEntryMouseDown()
{
    // The second press of the double click that opened the box leaves it
    // open; any other press confirms the text.
    if (TextEntryJustOpened)
        TextEntryJustOpened = false;
    else
        CommitMarkText();
}

void TFormMeasure::SelectMouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    GroupMove = false;
    MShape* candidate = nullptr;
    if (Selected) {
        if (TextEntry) {
            TextEntryMouseDown();
            return;
        }
        // The selected shape wins over shapes listed before it.
        if (IsHit(Selected->HitTest(x, y)))
            candidate = Selected;
    }
    if (!candidate)
        candidate = ShapeAt(x, y);
    if (!candidate) {
        ClickOffShapes(button, shift, x, y);
        return;
    }

    MShape* previous = Selected;
    Selected = candidate;
    if (previous && previous != candidate) {
        if (IsRelationButtonDown() && BuildButtonRelation(candidate, previous)) {
            SelectShape(candidate, true);
            SelectShape(previous, false);
            RedrawImage();
            ShowRelationValues();
            return;
        }
        if (SBRelation->isChecked()) {
            SelectShape(candidate, true);
            SelectShape(previous, false);
            RedrawImage();
            BuildRelation(candidate, previous);
            if (SelectedRelation && MarksShown())
                SelectedRelation->Draw(DRAW_ACTIVE, ImagePaint->Canvas());
            return;
        }
    }

    if (!(shift & (ssShift | ssCtrl))) {
        if (candidate->selected && candidate->HitTest(x, y) == HIT_BODY) {
            GroupStart = {x, y};
            GroupDelta = {0, 0};
            GroupMove = true;
            return;
        }
        SelectShape(candidate, true);
        if (!IsLocked()) {
            candidate->MouseDown(QtButtonOf(button), ModifiersOf(shift), x, y);
            RedrawImage();
        } else {
            RedrawImage();
            UpdateSelection(true);
        }
        return;
    }

    SelectShape(candidate, false);
    RedrawImage();
    if (CountSelectedShapes() == 2) {
        std::vector<MShape*> pair;
        std::copy_if(ShapeList.begin(), ShapeList.end(), std::back_inserter(pair),
                     [](const MShape* shape) { return shape->selected; });
        BuildRelation(pair[0], pair[1]);
    }
}

void TFormMeasure::ClickOffShapes(TMouseButton button, TShiftState shift, int x, int y)
{
    ClearSelected();
    if (MarksShown()) {
        if (MRelation* relation = RelationAt(x, y)) {
            if (relation != SelectedRelation)
                ClearSelectedRelation();
            SelectedRelation = relation;
            SelectShape(relation->shapeA, true);
            SelectShape(relation->shapeB, false);
            relation->Draw(DRAW_ACTIVE);
            RedrawImage();
            ShowRelationValues();
            // Its label starts moving.
            if (!IsLocked() && relation->HitTest(x, y) == HIT_LABEL)
                relation->MouseDown(QtButtonOf(button), ModifiersOf(shift), x, y);
            return;
        }
        ClearSelectedRelation();
    }
    BandStart = {x, y};
    Banding = true;
}

// ---- Mouse-move ----

void TFormMeasure::ImagePaintMouseMove(TShiftState shift, int x, int y)
{
    ShowCursorPos(x, y);
    // The magnifier's view starts clean at the mouse, so what is drawn below
    // shows in it too.
    PlaceZoomView(x, y);
    const TPoint p = ClampToPaintBox(x, y);
    TrackMouse(shift, p.x, p.y);
    DrawZoom(x, y);
}

void TFormMeasure::TrackMouse(TShiftState shift, int x, int y)
{
    switch (Mode) {
    case MODE_CREATE:
        if (Selected && Selected->GetEditState() == EDIT_RESHAPE) {
            RestoreViewAt(x, y, false);
            Selected->MouseMove(ModifiersOf(shift), x, y);
            ImagePaint->setCursor(CursorShapeOf(Selected->GetCursor(EDIT_RESHAPE)));
        }
        break;
    case MODE_RULE:
        RuleMouseMove(shift, x, y);
        break;
    case MODE_SELECT:
        TrackSelect(shift, x, y);
        break;
    default:
        break;
    }
}

void TFormMeasure::TrackSelect(TShiftState shift, int x, int y)
{
    PaintBitmap(ImagePaint, BufferBitmap);
    HoverPoint = {0, 0};
    if (Banding) {
        TCanvas* canvas = ImagePaint->Canvas();
        canvas->Brush.Style = bsClear;
        canvas->Pen.Style = psDot;
        canvas->Pen.Color = TColor(Param->GetColor(OPT_COLOR_NORMAL));
        canvas->Rectangle(BandStart.x, BandStart.y, x, y);
        return;
    }
    if (IsLocked())
        return;
    if (GroupMove) {
        const TPoint delta = MTool::SubtractPoints({x, y}, GroupStart);
        for (MShape* shape : ShapeList) {
            if (!shape->selected)
                continue;
            shape->Move(-GroupDelta.x, -GroupDelta.y);
            shape->Move(delta.x, delta.y);
            shape->Draw(DRAW_MOVE);
        }
        GroupDelta = delta;
        return;
    }
    if (Selected) {
        if (IsDragging(Selected)) {
            Selected->MouseMove(ModifiersOf(shift), x, y);
            return;
        }
        const int hit = Selected->HitTest(x, y);
        if (hit == HIT_POINT || hit == HIT_BODY) {
            Selected->Draw(DRAW_ACTIVE);
            ImagePaint->setCursor(CursorShapeOf(Selected->GetCursor(hit)));
            if (hit == HIT_POINT)
                HoverPoint = {x, y};
            return;
        }
        if (hit == HIT_LABEL) {
            Selected->Draw(DRAW_LABEL);
            ImagePaint->setCursor(CursorShapeOf(Selected->GetCursor(hit)));
            return;
        }
    }
    if (IsDragging(SelectedRelation)) {
        SelectedRelation->MouseMove(ModifiersOf(shift), x, y);
        return;
    }
    for (MShape* shape : ShapeList) {
        const int hit = shape->HitTest(x, y);
        if (!IsHit(hit))
            continue;
        if (!shape->selected)
            shape->Draw(DRAW_ACTIVE);
        ImagePaint->setCursor(CursorShapeOf(shape->GetCursor(hit)));
        return;
    }
    if (MarksShown()) {
        for (MRelation* relation : RelationList) {
            const int hit = relation->HitTest(x, y);
            if (!IsHit(hit))
                continue;
            relation->Draw(DRAW_ACTIVE);
            ImagePaint->setCursor(CursorShapeOf(relation->GetCursor(hit)));
            return;
        }
    }
    ImagePaint->unsetCursor();
}

// ---- Mouse-up ----

void TFormMeasure::ImagePaintMouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbRight)
        return;
    const TPoint p = ClampToPaintBox(x, y);
    switch (Mode) {
    case MODE_CREATE:
        if (Selected && Selected->GetEditState() == EDIT_RESHAPE) {
            PaintBitmap(ImagePaint, BufferBitmap);
            Selected->MouseUp(QtButtonOf(button), ModifiersOf(shift), p.x, p.y);
            if (Selected->GetEditState() == EDIT_IDLE)
                FinishShapeCreation(p.x, p.y);
        }
        break;
    case MODE_SELECT:
        SelectMouseUp(button, shift, p.x, p.y);
        break;
    case MODE_RULE:
        RuleMouseUp(button, shift, p.x, p.y);
        break;
    default:
        break;
    }
}

void TFormMeasure::SelectMouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (Banding) {
        Banding = false;
        EndBand(x, y);
        UpdateSelection(true);
        return;
    }
    if (!GroupMove) {
        if (IsDragging(Selected)) {
            Selected->MouseUp(QtButtonOf(button), ModifiersOf(shift), x, y);
            RedrawImage();
            UpdateSelection(true);
        } else if (SelectedRelation && MarksShown() && IsDragging(SelectedRelation)) {
            SelectedRelation->MouseUp(QtButtonOf(button), ModifiersOf(shift), x, y);
            RedrawImage();
            ShowRelationValues();
        }
        return;
    }
    GroupMove = false;
    RedrawImage();
    UpdateSelection(true);
}

void TFormMeasure::EndBand(int x, int y)
{
    const TRect band = MTool::NormalizeRect({BandStart.x, BandStart.y, x, y});
    std::vector<MShape*> inside;
    for (MShape* shape : ShapeList) {
        shape->selected = shape->InRect(band.left, band.top, band.right, band.bottom);
        if (shape->selected)
            inside.push_back(shape);
    }
    Selected = inside.empty() ? nullptr : inside.back();
    if (inside.size() != 1)
        ClearSelected();
    if (inside.size() == 2) {
        if (!(IsRelationButtonDown() && BuildButtonRelation(inside[0], inside[1])) && SBRelation->isChecked())
            BuildRelation(inside[0], inside[1]);
    }
    RedrawImage();
}

// ---- Keys ----

void TFormMeasure::FormKeyDown(int, Qt::KeyboardModifiers shift)
{
    if (shift & Qt::ControlModifier)
        CtrlDown = true;
}

void TFormMeasure::FormKeyUp(int key, Qt::KeyboardModifiers)
{
    if (TextEntry)
        return;
    CtrlDown = false;
    if (key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_F5 || key == Qt::Key_F6 || IsLocked())
        return;
    const TPoint step = NudgeStep(key);
    // The hover point is tracked in select mode only; outside it the point
    // is stale and Selected may be a shape still being created, which must
    // not take a click the operator never gave.
    if (Mode == MODE_SELECT && !MTool::IsZeroPoint(HoverPoint) && Selected && Selected->selected) {
        // The hovered control point is dragged by one step.
        Selected->MouseDown(Qt::LeftButton, Qt::NoModifier, HoverPoint.x, HoverPoint.y);
        HoverPoint = MTool::AddPoints(HoverPoint, step);
        const TPoint moved = Selected->MouseUp(Qt::LeftButton, Qt::NoModifier, HoverPoint.x, HoverPoint.y);
        if (!MTool::IsZeroPoint(moved)) {
            HoverPoint = moved;
            ShowCursorPos(moved.x, moved.y);
        }
        RedrawImage();
        UpdateSelection(false);
        return;
    }
    for (MShape* shape : ShapeList)
        if (shape->selected)
            shape->Move(step.x, step.y);
    RedrawImage();
    UpdateSelection(true);
}

// ---- Edit menu ----

void TFormMeasure::MenuDeleteClick()
{
    if (TextEntry || Mode != MODE_SELECT || !HasSelectedShape())
        return;
    if (IsLocked() && !AskConfirmation(Slot(66)))
        return;
    SelectToolMode(MODE_SELECT);
    ClearSelected();
    std::vector<MShape*> doomed;
    std::copy_if(ShapeList.begin(), ShapeList.end(), std::back_inserter(doomed),
                 [](const MShape* shape) { return shape->selected; });
    for (MShape* shape : doomed) {
        RemoveRelationsOf(shape);
        std::erase(ShapeList, shape);
        ForgetShape(shape);
        delete shape;
    }
    if (doomed.empty())
        return;
    RedrawImage();
    UpdateSelection(true);
    ShowStatus(Lan->Texts[64], STATUS_MESSAGE);
}

void TFormMeasure::MenuClearClick()
{
    if (Mode != MODE_SELECT || !HasSelectedShape())
        return;
    if (!AskConfirmation(Slot(61)))
        return;
    DeleteAllShapes();
    ShowStatus(Lan->Texts[63], STATUS_MESSAGE);
}
