// Taking a finished shape into the document: it becomes the only selected
// shape with its mark flag and serial number, and the tool re-arms (sticky
// tool) or hands over to select mode. The angle tool joins its two lines with
// a line-to-line relation. A text mark instead opens the in-place edit box
// for its text.
#include "workspace/Quorvex.h"

#include "settings/MParam.h"
#include "shapes/MMark.h"
#include "shapes/MShape.h"

namespace {

bool IsMark(const MShape* shape)
{
    return shape && shape->GetKind() == KIND_MARK;
}

// The text mark behind a shape pointer, or null for any other shape.
MMark* AsMark(MShape* shape)
{
    return IsMark(shape) ? dynamic_cast<MMark*>(shape) : nullptr;
}

} // namespace

void TFormMeasure::FinishShapeCreation(int x, int y)
{
    MShape* shape = Selected;
    if (!shape)
        return;
    if (IsMark(shape)) {
        OpenMarkEditor(x, y, false);
        return;
    }
    for (MShape* listed : ShapeList)
        listed->selected = false;
    shape->marked = Param->BoolValue(OPT_MARK_NEW_SHAPE);
    Document.AddSelected();

    if (AngleStep == 1) {
        AngleFirstLine = shape;
        shape->selected = false;
        ArmShapeTool();
        RedrawImage();
        SetAngleStep(2);
        return;
    }
    if (AngleStep == 2) {
        if (AngleFirstLine && AngleFirstLine->GetKind() == KIND_LINE && shape->GetKind() == KIND_LINE)
            KeepNewRelation(AngleFirstLine, shape);
        RedrawImage();
        SetAngleStep(0);
        // A sticky angle tool goes on with the first line of the next angle.
        if (StickyTool)
            SetAngleStep(1);
    }
    ContinueAfterShape();
}

void TFormMeasure::ContinueAfterShape()
{
    if (StickyTool) {
        if (Selected)
            Selected->selected = false;
        ArmShapeTool();
        RedrawImage();
    } else {
        SelectToolMode(MODE_SELECT);
        UpdateSelection(true);
    }
}

void TFormMeasure::SetAngleStep(int step)
{
    AngleStep = step;
    if (step != 1 && step != 2)
        AngleFirstLine = nullptr;
}

void TFormMeasure::OpenMarkEditor(int x, int y, bool editExisting)
{
    // The box lies on the paint box, so image positions are its own; near
    // the right or bottom edge it opens to the left of or above the click.
    int left = x;
    int top = y;
    if (ImagePaint->Width() - x < EditMark->width())
        left -= EditMark->width();
    if (ImagePaint->Height() - y < EditMark->height())
        top -= EditMark->height();
    EditMark->move(left, top);
    if (MMark* mark = AsMark(Selected); editExisting && mark)
        EditMark->setText(QString::fromStdString(mark->GetText()));
    EditMark->show();
    EditMark->setFocus();
    TextEntry = true;
    TextEntryJustOpened = false;
}

void TFormMeasure::HideMarkEditor()
{
    // A hidden box would keep the keyboard: Del would go to its text instead
    // of the Delete command, and the arrow keys it does not use would scroll
    // the picture.
    EditMark->clearFocus();
    EditMark->hide();
}

void TFormMeasure::EditMarkKeyUp(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    HideMarkEditor();
    CommitMarkText();
}

void TFormMeasure::CommitMarkText()
{
    HideMarkEditor();
    if (!TextEntry)
        return;
    TextEntry = false;
    const std::string text = EditMark->text().toStdString();
    if (Mode == MODE_CREATE) {
        for (MShape* listed : ShapeList)
            listed->selected = false;
        // A new mark left without a text is never listed; the tool change
        // below frees it as an abandoned shape.
        if (MMark* mark = AsMark(Selected); mark && !text.empty()) {
            mark->SetText(text);
            Document.AddSelected();
        }
        ContinueAfterShape();
    } else if (Mode == MODE_SELECT) {
        // An empty text leaves the mark's text as it was.
        if (MMark* mark = AsMark(Selected); mark && !text.empty()) {
            mark->SetText(text);
            RedrawImage();
        }
    }
}

void TFormMeasure::ImagePaintDblClick()
{
    if (!IsMark(Selected))
        return;
    if (Mode == MODE_CREATE) {
        // The first click placed the new mark and opened its box; the second
        // press of the double click must not close it before anything is
        // typed. A mark armed but not yet placed has nothing to edit.
        if (TextEntry)
            TextEntryJustOpened = true;
        return;
    }
    OpenMarkEditor(LastDown.x, LastDown.y, true);
    TextEntryJustOpened = true;
}
