// The numeric entry window, the preset shapes and the constructions on the
// real main window: typed values rebuilding the selected shape, the window
// following the selection and its view switch, presets from the Shape menu,
// and constructions from the pop-up menu and the window's links.
#include "PaintBoxInput.h"
#include "tests/support/ConfigFile.h"
#include "tests/support/ModalAnswers.h"

#include "shapes/MPoint.h"
#include "shapes/MRelation.h"
#include "workspace/MDigit.h"

#include <QLocale>
#include <QMenu>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <clocale>

namespace {

class QuorvexDigitTest : public PaintBoxTest {
protected:
    void SetUp() override
    {
        PaintBoxTest::SetUp();
        Form->SetLanguage(LAN_ENGLISH, false);
        Form->SetViewOption(OPT_VIEW_DIGIT, true);
    }

    MShape* AddPoint(TPoint at)
    {
        MShape* point = Form->AddShape(MPoint::Create(Form->ImagePaint->Canvas(), at.x, at.y));
        point->selected = false;
        return point;
    }

    // Types the text into the edit as the operator would, then Enter.
    static void Type(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    static void Enter(QLineEdit* edit) { QTest::keyClick(edit, Qt::Key_Return); }

    int Height() const { return Form->ImagePaint->Height(); }

    // The visible items of the pop-up menu after it opened, from the one
    // after Delete on.
    std::vector<std::string> PopupItemsAfterDelete()
    {
        Form->PopupMenuImagePopup();
        const QList<QAction*> actions = Form->PopupMenuImage->actions();
        std::vector<std::string> items;
        for (auto item = std::find(actions.begin(), actions.end(), Form->PMDelete) + 1; item < actions.end(); ++item) {
            if ((*item)->isVisible())
                items.push_back((*item)->isSeparator() ? "-" : (*item)->text().toStdString());
        }
        return items;
    }
};

TEST_F(QuorvexDigitTest, AWindowWidenedForItsLabelsAtTheScreensRightEdgeStaysOnTheScreen)
{
    const QRect room = FormDigit->screen()->availableGeometry();
    FormDigit->move(room.right() + 1 - FormDigit->frameGeometry().width(), room.top() + 100);
    const int designedWidth = FormDigit->width();
    MParam::GetInstance()->SetDouble(OPT_RULE_SCALE, 0.01, false);
    MParam::GetInstance()->SetText(OPT_RULE_UNIT, "inch", false);
    Input->Click({200, 200}); // nothing there
    MShape* point = AddPoint({100, 100});
    Input->Click({100, 100});
    ASSERT_EQ(Form->Selected, point);
    EXPECT_GT(FormDigit->width(), designedWidth) << FormDigit->LabelPointX->text().toStdString();
    EXPECT_LE(FormDigit->frameGeometry().right(), room.right());
}

TEST_F(QuorvexDigitTest, TypedCoordinatesMoveTheSelectedPointInPixelsWithYFromTheBottom)
{
    MShape* point = AddPoint({100, 200});
    Input->Click({100, 200});
    ASSERT_EQ(Form->Selected, point);
    EXPECT_EQ(FormDigit->EditPointX->text(), "100");
    EXPECT_EQ(FormDigit->EditPointY->text(), QString::number(Height() - 200));

    Type(FormDigit->EditPointX, "150");
    Type(FormDigit->EditPointY, "50");
    Enter(FormDigit->EditPointY);
    EXPECT_EQ(point->p1, (TPoint{150, Height() - 50}));
    EXPECT_EQ(FormDigit->EditPointY->text(), "50") << "refilled from the moved point";
    EXPECT_EQ(Form->Selected, point);
}

TEST_F(QuorvexDigitTest, TypedLengthAndAngleInMillimetresRebuildTheLine)
{
    Form->Param->SetDouble(OPT_RULE_SCALE, 0.01, false);
    Form->Param->SetText(OPT_RULE_UNIT, "mm", false);
    MShape* line = AddLine({100, 100}, {200, 100});
    Input->Click({150, 100});
    ASSERT_EQ(Form->Selected, line);
    EXPECT_EQ(FormDigit->LabelLength1->text(), "Length[mm]");
    EXPECT_EQ(FormDigit->EditLength1->text(), "1");

    Type(FormDigit->EditLength1, "0.5");
    Type(FormDigit->EditAngle1, "90"); // upwards on the screen
    FormDigit->BBApply->click();
    EXPECT_EQ(line->p1, (TPoint{150, 125}));
    EXPECT_EQ(line->p2, (TPoint{150, 75}));
    EXPECT_EQ(Form->Selected->GetResults().back().value, "0.5 mm");
}

TEST_F(QuorvexDigitTest, CommaTypedUnderAGermanLocaleIsADecimalPoint)
{
    QLocale::setDefault(QLocale(QLocale::German));
    const bool cGerman = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    Form->Param->SetDouble(OPT_RULE_SCALE, 0.01, false);
    Form->Param->SetText(OPT_RULE_UNIT, "mm", false);
    MShape* point = AddPoint({100, 200});
    Input->Click({100, 200});
    EXPECT_EQ(FormDigit->EditPointX->text(), "1") << "shown with a point whatever the locale";

    Type(FormDigit->EditPointX, "2,5");
    EXPECT_EQ(FormDigit->EditPointX->text(), "2.5");
    Enter(FormDigit->EditPointX);
    EXPECT_EQ(point->p1.x, 250) << (cGerman ? "C library German too" : "Qt's locale German only");

    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
}

TEST_F(QuorvexDigitTest, ARelationShownIsNeverWrittenBack)
{
    MShape* a = AddPoint({100, 100});
    MShape* b = AddPoint({200, 100});
    a->selected = b->selected = true;
    Form->Document.SetSelectedRelation(MRelation::Create(a, b, Form->ImagePaint->Canvas()));
    Form->ShowRelationValues();
    ASSERT_EQ(Form->DigitShape, Form->SelectedRelation);
    EXPECT_FALSE(FormDigit->EditPointX->isEnabled());
    EXPECT_FALSE(FormDigit->BBApply->isVisible());

    FormDigit->EditPointX->setText("1");
    FormDigit->ApplyFields();
    EXPECT_EQ(a->p1, (TPoint{100, 100}));
    EXPECT_EQ(b->p1, (TPoint{200, 100}));
}

TEST_F(QuorvexDigitTest, WindowFollowsItsViewSwitchAndTheSelection)
{
    MShape* point = AddPoint({100, 200});
    Input->Click({100, 200});
    EXPECT_EQ(FormDigit->windowTitle(), "Params - P1");

    FormDigit->close();
    EXPECT_FALSE(Form->MenuViewDigit->isChecked()) << "its close box switches it off";
    EXPECT_FALSE(FormDigit->isVisible());

    point->p1 = {120, 200};
    Form->MenuViewDigit->trigger();
    EXPECT_TRUE(FormDigit->isVisible());
    EXPECT_EQ(FormDigit->EditPointX->text(), "120") << "opens with the current shape's values";

    Input->Click({400, 400}); // nothing there
    EXPECT_EQ(FormDigit->windowTitle(), "Params");
    EXPECT_FALSE(FormDigit->EditPointX->isVisible());
}

TEST_F(QuorvexDigitTest, PresetCancelledOrConfirmedUntouchedAddsNothing)
{
    for (const auto& answer : {ModalAnswers::Cancel(), ModalAnswers::Answer([](QWidget* modal) {
             qobject_cast<TFormDigit*>(modal)->BBConfirm->click();
         })}) {
        ModalAnswers answers({answer});
        Form->MenuPresetLine->trigger();
        EXPECT_TRUE(answers.AllAnswered());
        EXPECT_TRUE(Form->ShapeList.empty());
        EXPECT_EQ(Form->Selected, nullptr);
        EXPECT_EQ(Form->Mode, MODE_SELECT);
    }
}

TEST_F(QuorvexDigitTest, TypedPresetLineJoinsTheDocumentSelected)
{
    MShape* other = AddLine({10, 10}, {60, 10});
    other->selected = true;
    // A half-drawn line of the line tool is dropped first.
    Form->MenuLineClick();
    Input->Click({300, 300});
    std::vector<std::string> rows;
    ModalAnswers answers({[&rows](QWidget* modal) {
        auto* dialog = qobject_cast<TFormDigit*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Preset - Line");
        for (QLabel* label : {dialog->LabelPointX, dialog->LabelPointY, dialog->LabelLength1, dialog->LabelAngle1})
            rows.push_back(label->isVisible() ? label->text().toStdString() : "hidden");
        EXPECT_FALSE(dialog->LabelLength2->isVisible());
        dialog->EditPointX->setText("200");
        dialog->EditPointY->setText("100");
        dialog->EditLength1->setText("60");
        dialog->BBConfirm->click();
    }});
    Form->MenuPresetLine->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_EQ(rows, (std::vector<std::string>{"Mid-Point - X[px]", "Mid-Point - Y[px]", "Length[px]", "Angle[°]"}));
    ASSERT_EQ(Form->ShapeList.size(), 2U) << "the half-drawn line is gone, the preset is in";
    MShape* line = Form->ShapeList.back();
    EXPECT_EQ(line->GetDisplayName(), "L2");
    EXPECT_EQ(line->p1, (TPoint{170, Height() - 100}));
    EXPECT_EQ(line->p2, (TPoint{230, Height() - 100}));
    EXPECT_EQ(Form->Selected, line);
    EXPECT_TRUE(line->selected);
    EXPECT_FALSE(other->selected);
    EXPECT_EQ(Form->Mode, MODE_SELECT);
    EXPECT_EQ(FormDigit->windowTitle(), "Params - L2");
}

TEST_F(QuorvexDigitTest, LineOffersTwoConstructionsInThePopupAndTheWindow)
{
    MShape* line = AddLine({100, 100}, {200, 100});
    Input->Click({150, 100});
    ASSERT_EQ(Form->Selected, line);
    EXPECT_EQ(PopupItemsAfterDelete(),
              (std::vector<std::string>{"-", "Create Mid-Point", "Create Perpendicular Bisector"}));
    EXPECT_EQ(FormDigit->SBFunction1->text(), "Create Mid-Point");
    EXPECT_EQ(FormDigit->SBFunction2->text(), "Create Perpendicular Bisector");
    EXPECT_TRUE(FormDigit->SBFunction2->isVisible());

    // The bisector from the window's link: the new line is selected and shown.
    FormDigit->SBFunction2->click();
    ASSERT_EQ(Form->ShapeList.size(), 2U);
    MShape* bisector = Form->ShapeList.back();
    EXPECT_EQ(bisector->GetDisplayName(), "L2");
    EXPECT_EQ(Form->Selected, bisector);
    EXPECT_FALSE(line->selected);
    EXPECT_EQ(FormDigit->windowTitle(), "Params - L2");

    // The midpoint from the pop-up menu of the new line: a point, which
    // offers nothing further.
    Form->PMCreate1->trigger();
    ASSERT_EQ(Form->ShapeList.size(), 3U);
    MShape* midpoint = Form->ShapeList.back();
    EXPECT_EQ(midpoint->p1, (TPoint{150, 100}));
    EXPECT_EQ(Form->Selected, midpoint);
    EXPECT_TRUE(PopupItemsAfterDelete().empty());
    EXPECT_FALSE(FormDigit->SBFunction1->isVisible());
}

TEST_F(QuorvexDigitTest, RelationShownOffersItsConstructionsAndKeepsItsShapes)
{
    MShape* point = AddPoint({150, 50});
    MShape* line = AddLine({100, 100}, {200, 100});
    point->selected = line->selected = true;
    Form->Document.SetSelectedRelation(MRelation::Create(point, line, Form->ImagePaint->Canvas()));
    Form->ShowRelationValues();
    ASSERT_EQ(Form->DigitShape, Form->SelectedRelation);
    const std::vector<std::string> items = PopupItemsAfterDelete();
    ASSERT_EQ(items.size(), 3U) << "the foot of the perpendicular and the perpendicular itself";
    EXPECT_EQ(items[1], FormDigit->SBFunction1->text().toStdString());

    Form->PMCreate1->trigger();
    ASSERT_EQ(Form->ShapeList.size(), 3U);
    MShape* foot = Form->ShapeList.back();
    EXPECT_EQ(foot->GetKind(), KIND_POINT);
    EXPECT_EQ(foot->p1, (TPoint{150, 100}));
    EXPECT_EQ(Form->Selected, foot);
    EXPECT_EQ(point->p1, (TPoint{150, 50})) << "the relation's shapes stay as they were";
    EXPECT_EQ(line->p1, (TPoint{100, 100}));
}

TEST_F(QuorvexDigitTest, ConstructionsActOnlyOnTheShapeShown)
{
    MShape* line = AddLine({100, 100}, {200, 100});
    Input->Click({150, 100});
    Input->Click({400, 400}); // the selection is gone; the window's shape is still the line
    ASSERT_EQ(Form->DigitShape, line);
    EXPECT_TRUE(PopupItemsAfterDelete().empty());
    Form->CreateConstruction(1);
    EXPECT_EQ(Form->ShapeList.size(), 1U);
}

} // namespace

namespace {

TEST_F(WorkspaceTest, NumericWindowKeepsItsPlaceAndVisibilityFromRunToRun)
{
    StoreOptions({{OPT_POS_DIGIT, std::to_string(120 * 10000 + 9000)}, {OPT_VIEW_DIGIT, "0"}});
    TFormMeasure& form = StartForms();
    EXPECT_FALSE(FormDigit->isVisible());
    EXPECT_FALSE(form.MenuViewDigit->isChecked());
    EXPECT_EQ(FormDigit->x(), form.ScreenWidth - FormDigit->width()) << "placed back at the screen's edge";
    EXPECT_EQ(FormDigit->y(), 120);

    form.MenuViewDigit->trigger();
    FormDigit->move(40, 60);
    form.close();
    std::int32_t stored = 0;
    MParam::GetInstance()->GetLong(OPT_POS_DIGIT, stored);
    EXPECT_EQ(stored, 60 * 10000 + 40);
    EXPECT_TRUE(MParam::GetInstance()->BoolValue(OPT_VIEW_DIGIT));
}

} // namespace
