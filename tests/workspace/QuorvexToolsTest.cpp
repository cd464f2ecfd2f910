// The shape tools of the main window end to end: each arms its shape from
// the Shape menu and from its speed button, takes its creation clicks as real
// mouse events on the paint box, and hands the finished shape to the
// document numbered, selected and with its values on show.
#include "PaintBoxInput.h"

#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MArc.h"
#include "shapes/MCircle.h"
#include "shapes/MEllipse.h"
#include "shapes/MLine.h"
#include "shapes/MMark.h"
#include "shapes/MPoint.h"
#include "shapes/MPolygon.h"
#include "shapes/MRect.h"
#include "workspace/MValue.h"

#include <QToolBar>

#include <string>
#include <typeindex>
#include <typeinfo>
#include <vector>

namespace {

// A shape tool: its menu item and speed button, the class it arms, and the
// clicks that draw a small known shape with it.
struct ShapeTool {
    const char* name;
    QAction* Ui::TFormMeasure::*item;
    QAction* Ui::TFormMeasure::*button;
    std::type_index armed;
    std::vector<QPoint> clicks;
    // Display name of the first one drawn, and a line of the second one's
    // values.
    const char* displayName;
    const char* valueLine;
};

std::vector<ShapeTool> ShapeTools()
{
    using F = Ui::TFormMeasure;
    return {
        {"point", &F::MenuPoint, &F::SBPoint, typeid(MPoint), {{120, 80}}, "P1", "Point: P2"},
        {"line", &F::MenuLine, &F::SBLine, typeid(MLine), {{100, 100}, {200, 100}}, "L1", "Length: 100 px"},
        {"rectangle", &F::MenuRect, &F::SBRect, typeid(MRect), {{100, 100}, {200, 150}}, "R1", "Width: 100 px"},
        {"circle", &F::MenuCircle, &F::SBCircle, typeid(MCircle), {{100, 100}, {160, 160}}, "C1",
         "Diameter: 60 px"},
        {"three-point circle", &F::MenuCircleTriple, &F::SBCircleTriple, typeid(MCircleTriple),
         {{100, 150}, {150, 100}, {200, 150}}, "C1", "Radius: 50 px"},
        {"ellipse", &F::MenuEllipse, &F::SBEllipse, typeid(MEllipse), {{100, 100}, {200, 150}}, "E1",
         "Horizontal Length: 100 px"},
        {"arc", &F::MenuArc, &F::SBArc, typeid(MArc), {{200, 150}, {150, 100}, {100, 150}}, "A1", "Radius: 50 px"},
        {"polygon", &F::MenuPolygon, &F::SBPolygon, typeid(MPolygon),
         {{100, 100}, {200, 100}, {200, 200}, {100, 200}, {101, 101}}, "N1", "Area: 10000 px*px"},
    };
}

class QuorvexToolsTest : public PaintBoxTest {
protected:
    void SetUp() override
    {
        PaintBoxTest::SetUp();
        Form->SetLanguage(LAN_ENGLISH, false);
    }

    // The tool's button on the shape tool bar, clicked with the mouse.
    void ClickButton(QAction* button)
    {
        QWidget* widget = Form->ToolBarShape->widgetForAction(button);
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton);
    }

    void Draw(const std::vector<QPoint>& clicks)
    {
        for (const QPoint& click : clicks)
            Input->Click(click);
    }

    std::string Values() const { return FormValue->MemoItems->toPlainText().toStdString(); }
};

TEST_F(QuorvexToolsTest, EachShapeToolDrawsNumberedShapesAndSelectsTheNewOne)
{
    for (const ShapeTool& tool : ShapeTools()) {
        SCOPED_TRACE(tool.name);
        Form->DeleteAllShapes();
        for (int drawn = 1; drawn <= 2; ++drawn) {
            ClickButton(Form->*tool.button);
            ASSERT_EQ(Form->Mode, MODE_CREATE);
            EXPECT_TRUE((Form->*tool.item)->isChecked());
            Draw(tool.clicks);

            ASSERT_EQ(Form->ShapeList.size(), std::size_t(drawn));
            MShape* shape = Form->ShapeList.back();
            EXPECT_EQ(std::type_index(typeid(*shape)), tool.armed);
            EXPECT_EQ(shape->number, drawn);
            EXPECT_EQ(Form->Selected, shape);
            EXPECT_TRUE(shape->selected);
            EXPECT_FALSE(Form->ShapeList.front()->selected && drawn == 2) << "the first one is let go";
            EXPECT_EQ(Form->Mode, MODE_SELECT);
            EXPECT_TRUE(Form->MenuArrow->isChecked());
        }
        EXPECT_EQ(Form->ShapeList.front()->GetDisplayName(), tool.displayName);
        // The value window shows the new shape's values.
        EXPECT_NE(Values().find(tool.valueLine), std::string::npos) << Values();
    }
}

TEST_F(QuorvexToolsTest, EachShapeToolArmsItsShapeFromTheShapeMenu)
{
    for (const ShapeTool& tool : ShapeTools()) {
        SCOPED_TRACE(tool.name);
        (Form->*tool.item)->trigger();
        ASSERT_EQ(Form->Mode, MODE_CREATE);
        ASSERT_NE(Form->Selected, nullptr);
        EXPECT_EQ(std::type_index(typeid(*Form->Selected)), tool.armed);
        EXPECT_FALSE(Form->IsInShapeList(Form->Selected));
        EXPECT_TRUE((Form->*tool.button)->isChecked());
        EXPECT_EQ(Form->StatusPanels[0]->text().toStdString(), "Draw");
    }
    Form->MenuArrow->trigger();
    EXPECT_EQ(Form->Selected, nullptr) << "the armed shape goes with its tool";
}

TEST_F(QuorvexToolsTest, CirclesAndThreePointCirclesShareOneNumbering)
{
    const std::vector<ShapeTool> tools = ShapeTools();
    const auto clicksOf = [&](const char* name) {
        return std::find_if(tools.begin(), tools.end(), [&](const ShapeTool& t) { return t.name == std::string(name); })
            ->clicks;
    };
    Form->MenuCircleClick();
    Draw(clicksOf("circle"));
    Form->MenuCircleTripleClick();
    Draw(clicksOf("three-point circle"));
    Form->MenuCircleClick();
    Draw(clicksOf("circle"));
    std::vector<std::string> names;
    for (const MShape* shape : Form->ShapeList)
        names.push_back(shape->GetDisplayName());
    EXPECT_EQ(names, (std::vector<std::string>{"C1", "C2", "C3"}));
}

TEST_F(QuorvexToolsTest, WithDragDrawingOneDragDrawsEachTwoClickShape)
{
    MParam::GetInstance()->SetBool(OPT_DRAG_DRAW, true, false);
    for (QAction* item : {Form->MenuRect, Form->MenuCircle, Form->MenuEllipse}) {
        SCOPED_TRACE(item->objectName().toStdString());
        Form->DeleteAllShapes();
        item->trigger();
        Input->Drag({100, 100}, {180, 160});
        ASSERT_EQ(Form->ShapeList.size(), 1u);
        EXPECT_EQ(Form->Selected, Form->ShapeList[0]);
        EXPECT_EQ(Form->Mode, MODE_SELECT);
    }
}

TEST_F(QuorvexToolsTest, AStickyToolArmsTheSameShapeAfterEachOne)
{
    for (const ShapeTool& tool : ShapeTools()) {
        SCOPED_TRACE(tool.name);
        Form->MenuArrowClick();
        Form->DeleteAllShapes();
        Form->CtrlDown = true;
        (Form->*tool.item)->trigger();
        Form->CtrlDown = false;
        Draw(tool.clicks);
        ASSERT_EQ(Form->ShapeList.size(), 1u);
        EXPECT_FALSE(Form->ShapeList[0]->selected);
        EXPECT_EQ(Form->Mode, MODE_CREATE);
        ASSERT_NE(Form->Selected, nullptr);
        EXPECT_FALSE(Form->IsInShapeList(Form->Selected));
        EXPECT_EQ(std::type_index(typeid(*Form->Selected)), tool.armed);
    }
}

TEST_F(QuorvexToolsTest, ThePolygonToolShowsTheClosingCursorNearItsFirstVertex)
{
    Form->MenuPolygonClick();
    Input->Click({100, 100});
    Input->Click({200, 100});
    Input->Move({150, 150});
    EXPECT_EQ(Form->ImagePaint->cursor().shape(), Qt::CrossCursor) << "too few vertices to close";
    Input->Click({200, 200});
    Input->Move({102, 101});
    EXPECT_EQ(Form->ImagePaint->cursor().shape(), Qt::UpArrowCursor);
    Input->Move({150, 150});
    EXPECT_EQ(Form->ImagePaint->cursor().shape(), Qt::CrossCursor);
    Input->Click({101, 102});
    ASSERT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(static_cast<MPolygon*>(Form->ShapeList[0])->points.size(), 3u) << "the closing click adds no vertex";
}

TEST_F(QuorvexToolsTest, ValuesOfANewShapeAreShownInTheCalibratedUnit)
{
    MParam* param = MParam::GetInstance();
    param->SetDouble(OPT_RULE_SCALE, 0.01, false);
    param->SetText(OPT_RULE_UNIT, "mm", false);
    Form->MenuRectClick();
    Draw({{100, 100}, {200, 150}});
    EXPECT_EQ(Values(), "Rectangle: R1\nWidth: 1 mm\nHeight: 0.5 mm\nArea: 0.5 mm*mm");
}

} // namespace
