// Taking a finished shape into the document: it becomes the only selected
// shape with its mark flag and serial number, and the tool re-arms (sticky
// tool) or hands over to select mode. The angle tool joins its two lines with
// a line-to-line relation. A text mark instead opens the in-place edit box
// for its text.
#include "workspace/Quorvex.h"

#include "settings/MParam.h"
#include "shapes/MLineLine.h"
#include "shapes/MShape.h"

namespace {

// The text of a text mark. The text mark shape class is not part of the
// model yet, so no shape carries a text: the editor opens empty and a
// committed text is not kept.
std::string MarkText(MShape*)
{
    return {};
}

bool SetMarkText(MShape*, const std::string&)
{
    return false;
}

bool IsMark(const MShape* shape)
{
    return shape && shape->GetKind() == KIND_MARK;
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
    AddShape(shape);

    if (AngleStep == 1) {
        AngleFirstLine = shape;
        shape->selected = false;
        ArmShapeTool();
        RedrawImage();
        SetAngleStep(2);
        return;
    }
    if (AngleStep == 2) {
        if (AngleFirstLine && AngleFirstLine->GetKind() == KIND_LINE && shape->GetKind() == KIND_LINE) {
            ClearSelectedRelation();
            SelectedRelation = new MLineLine(AngleFirstLine, shape, ImagePaint->Canvas());
            // A refused relation is unlisted, so clearing the selection frees it.
            if (!AddRelation(SelectedRelation))
                ClearSelectedRelation();
        }
        RedrawImage();
        SetAngleStep(0);
        if (StickyTool) {
            shape->selected = false;
            ArmShapeTool();
            SetAngleStep(1);
            RedrawImage();
        } else {
            SelectToolMode(MODE_SELECT);
            UpdateSelection(true);
        }
        return;
    }
    if (StickyTool) {
        shape->selected = false;
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
    if (editExisting)
        EditMark->setText(QString::fromStdString(MarkText(Selected)));
    EditMark->show();
    EditMark->setFocus();
    TextEntry = true;
}

void TFormMeasure::EditMarkKeyUp(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    EditMark->hide();
    CommitMarkText();
}

void TFormMeasure::CommitMarkText()
{
    EditMark->hide();
    if (!TextEntry)
        return;
    TextEntry = false;
    const std::string text = EditMark->text().toStdString();
    if (Mode == MODE_CREATE) {
        for (MShape* listed : ShapeList)
            listed->selected = false;
        // A new mark left without a text is never listed; the tool change
        // below frees it as an abandoned shape.
        if (!text.empty() && IsMark(Selected) && SetMarkText(Selected, text))
            AddShape(Selected);
        if (StickyTool) {
            if (Selected)
                Selected->selected = false;
            ArmShapeTool();
            RedrawImage();
        } else {
            SelectToolMode(MODE_SELECT);
            UpdateSelection(true);
        }
    } else if (Mode == MODE_SELECT) {
        // An empty text leaves the mark's text as it was.
        if (!text.empty() && IsMark(Selected) && SetMarkText(Selected, text))
            RedrawImage();
    }
}

void TFormMeasure::ImagePaintDblClick()
{
    if (!IsMark(Selected))
        return;
    OpenMarkEditor(LastDown.x, LastDown.y, true);
    TextEntryJustOpened = true;
}
