// The mouse on the image paint box and the keys of the main window, as a
// state machine. PictureState, and nothing else, decides from the mode and
// the drag in progress where an event goes:
//
//   state          press                        move                         release
//   Still          -                            -                            -
//   Typing         confirms the text mark       -                            -
//   Creating       a creation click             rubber band                  a creation click (drag drawing)
//   Ruling         a click of the ruler line    its rubber band              a click of the ruler line
//   Hovering       picks (SelectMouseDown)      highlights what is under it  -
//   Banding        picks afresh                 draws the band               selects what it encloses
//   GroupMoving    picks afresh                 moves the selected shapes    ends the move
//   ShapeDragging  picks afresh                 drags a point, body, label   ends the drag
//   LabelDragging  picks afresh                 drags the relation's label   ends the drag
//
// A press in select mode starts a drag: Banding and GroupMove are set, or the
// picked shape's (or relation's) own edit state becomes EDIT_RESHAPE or
// EDIT_MOVE; the release ends it. A creation click that finishes the shape
// hands it to FinishShapeCreation. The press works with the raw position;
// move and release keep the position the pick tolerance inside the box.
// Everything drawn here is transient: it goes onto the paint box's screen
// image after WipeTransient and lasts until the next wipe or full redraw.
// A shape or ruler line with a click in is pending: the next click goes on
// with it, so its band is drawn again after every click and full redraw
// (ShowPendingShape), and Escape takes it back (AbandonPending).
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

// ---- The state ----

TFormMeasure::TPictureState TFormMeasure::PictureState() const
{
    switch (Mode) {
    case MODE_CREATE:
        if (!Selected)
            return TPictureState::Still;
        if (TextEntry)
            return TPictureState::Typing;
        return Selected->GetEditState() == EDIT_RESHAPE ? TPictureState::Creating : TPictureState::Still;
    case MODE_RULE:
        return IsRuleLineOpen() ? TPictureState::Ruling : TPictureState::Still;
    case MODE_SELECT:
        // A drag left over from a release in another mode goes on here.
        if (Banding)
            return TPictureState::Banding;
        if (GroupMove)
            return TPictureState::GroupMoving;
        if (IsDragging(Selected))
            return TPictureState::ShapeDragging;
        if (IsDragging(SelectedRelation))
            return TPictureState::LabelDragging;
        return TPictureState::Hovering;
    default:
        return TPictureState::Still;
    }
}

bool TFormMeasure::IsMovingShapes() const
{
    switch (PictureState()) {
    case TPictureState::GroupMoving:
    case TPictureState::ShapeDragging:
    case TPictureState::LabelDragging:
        return true;
    default:
        return false;
    }
}

void TFormMeasure::WipeTransient()
{
    // Ruler lines are drawn over the plain picture.
    PaintBitmap(ImagePaint, Mode == MODE_RULE ? ImageBitmap : BufferBitmap);
}

MShape* TFormMeasure::PendingShape() const
{
    switch (PictureState()) {
    case TPictureState::Creating:
        return Selected->clicks > 0 ? Selected : nullptr;
    case TPictureState::Ruling:
        return CalibrationRule->clicks > 0 ? CalibrationRule.get() : nullptr;
    default:
        return nullptr;
    }
}

void TFormMeasure::ShowPendingShape()
{
    // The band follows the mouse to where it last was, as a move there would.
    if (MShape* pending = PendingShape())
        pending->MouseMove(Qt::NoModifier, BandEnd.x, BandEnd.y);
}

bool TFormMeasure::AbandonPending()
{
    if (!PendingShape())
        return false;
    if (Mode == MODE_RULE) {
        StartCalibration(CalibrationDirection, false);
        return true;
    }
    ArmShapeTool();
    RedrawImage();
    return true;
}

// ---- Press ----

void TFormMeasure::ImagePaintMouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    // The right button opens the pop-up menu and does nothing else.
    if (button == mbRight)
        return;
    ShowStatus("", STATUS_MESSAGE);
    if (!TextEntry)
        HideMarkEditor();
    LastDown = {x, y};
    switch (PictureState()) {
    case TPictureState::Still:
        break;
    case TPictureState::Typing:
        TextEntryMouseDown();
        break;
    case TPictureState::Creating:
        CreationClick(x, y, [&] { Selected->MouseDown(QtButtonOf(button), ModifiersOf(shift), x, y); });
        break;
    case TPictureState::Ruling:
        RuleMouseDown(button, shift, x, y);
        break;
    case TPictureState::Hovering:
    case TPictureState::Banding:
    case TPictureState::GroupMoving:
    case TPictureState::ShapeDragging:
    case TPictureState::LabelDragging:
        SelectMouseDown(button, shift, x, y);
        break;
    }
}

void TFormMeasure::CreationClick(int x, int y, const std::function<void()>& click)
{
    RestoreViewAt(x, y);
    click();
    if (Selected->GetEditState() == EDIT_IDLE) {
        FinishShapeCreation(x, y);
        return;
    }
    // A click that leaves the shape pending (a press, or a release that is
    // no click without drag drawing) keeps its band on screen.
    BandEnd = {x, y};
    ShowPendingShape();
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
    Document.SetSelected(candidate);
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
        const std::vector<MShape*> pair = Document.SelectedShapes();
        BuildRelation(pair[0], pair[1]);
    }
}

void TFormMeasure::ClickOffShapes(TMouseButton button, TShiftState shift, int x, int y)
{
    ClearSelected();
    if (MarksShown()) {
        if (MRelation* relation = RelationAt(x, y)) {
            Document.SetSelectedRelation(relation);
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

// ---- Move ----

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
    const TPictureState state = PictureState();
    switch (state) {
    case TPictureState::Still:
    case TPictureState::Typing:
        return;
    case TPictureState::Creating:
        RestoreViewAt(x, y);
        BandEnd = {x, y};
        Selected->MouseMove(ModifiersOf(shift), x, y);
        ImagePaint->setCursor(CursorShapeOf(Selected->GetCursor(EDIT_RESHAPE)));
        return;
    case TPictureState::Ruling:
        RuleMouseMove(shift, x, y);
        return;
    case TPictureState::Hovering:
    case TPictureState::Banding:
    case TPictureState::GroupMoving:
    case TPictureState::ShapeDragging:
    case TPictureState::LabelDragging:
        break;
    }

    WipeTransient();
    HoverPoint = {0, 0};
    if (state == TPictureState::Banding) {
        TCanvas* canvas = ImagePaint->Canvas();
        canvas->Brush.Style = bsClear;
        canvas->Pen.Style = psDot;
        canvas->Pen.Color = TColor(Param->GetColor(OPT_COLOR_NORMAL));
        canvas->Rectangle(BandStart.x, BandStart.y, x, y);
        return;
    }
    // Locked shapes take no drag and show no highlight.
    if (IsLocked())
        return;
    switch (state) {
    case TPictureState::GroupMoving: {
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
    case TPictureState::ShapeDragging:
        Selected->MouseMove(ModifiersOf(shift), x, y);
        return;
    case TPictureState::LabelDragging:
        if (!HighlightSelectedAt(x, y))
            SelectedRelation->MouseMove(ModifiersOf(shift), x, y);
        return;
    default:
        if (!HighlightSelectedAt(x, y))
            HighlightAt(x, y);
        return;
    }
}

bool TFormMeasure::HighlightSelectedAt(int x, int y)
{
    if (!Selected)
        return false;
    const int hit = Selected->HitTest(x, y);
    if (hit == HIT_POINT || hit == HIT_BODY) {
        Selected->Draw(DRAW_ACTIVE);
        ImagePaint->setCursor(CursorShapeOf(Selected->GetCursor(hit)));
        if (hit == HIT_POINT)
            HoverPoint = {x, y};
        return true;
    }
    if (hit == HIT_LABEL) {
        Selected->Draw(DRAW_LABEL);
        ImagePaint->setCursor(CursorShapeOf(Selected->GetCursor(hit)));
        return true;
    }
    return false;
}

void TFormMeasure::HighlightAt(int x, int y)
{
    int hit = HIT_NONE;
    if (MShape* shape = Document.ShapeAt(x, y, &hit)) {
        if (!shape->selected)
            shape->Draw(DRAW_ACTIVE);
        ImagePaint->setCursor(CursorShapeOf(shape->GetCursor(hit)));
        return;
    }
    if (MarksShown()) {
        if (MRelation* relation = Document.RelationAt(x, y, &hit)) {
            relation->Draw(DRAW_ACTIVE);
            ImagePaint->setCursor(CursorShapeOf(relation->GetCursor(hit)));
            return;
        }
    }
    ImagePaint->unsetCursor();
}

// ---- Release ----

void TFormMeasure::ImagePaintMouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbRight)
        return;
    const TPoint p = ClampToPaintBox(x, y);
    const Qt::MouseButton qtButton = QtButtonOf(button);
    const Qt::KeyboardModifiers modifiers = ModifiersOf(shift);
    switch (PictureState()) {
    case TPictureState::Still:
    case TPictureState::Typing:
    case TPictureState::Hovering:
        break;
    case TPictureState::Creating:
        CreationClick(p.x, p.y, [&] { Selected->MouseUp(qtButton, modifiers, p.x, p.y); });
        break;
    case TPictureState::Ruling:
        RuleMouseUp(button, shift, p.x, p.y);
        break;
    case TPictureState::Banding:
        Banding = false;
        EndBand(p.x, p.y);
        UpdateSelection(true);
        break;
    case TPictureState::GroupMoving:
        GroupMove = false;
        RedrawImage();
        UpdateSelection(true);
        break;
    case TPictureState::ShapeDragging:
        Selected->MouseUp(qtButton, modifiers, p.x, p.y);
        RedrawImage();
        UpdateSelection(true);
        break;
    case TPictureState::LabelDragging:
        // With marks hidden the label is not on screen to drop.
        if (!MarksShown())
            break;
        SelectedRelation->MouseUp(qtButton, modifiers, p.x, p.y);
        RedrawImage();
        ShowRelationValues();
        break;
    }
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
    Document.SetSelected(inside.empty() ? nullptr : inside.back());
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
    // Escape takes back a shape or ruler line half drawn.
    if (key == Qt::Key_Escape && AbandonPending())
        return;
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
    if (!Document.DeleteSelectedShapes())
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
