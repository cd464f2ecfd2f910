// The numeric entry window on its own: its rows and captions for each kind of
// value record, its key filters, and what Apply, Enter and OK store.
#include "tests/shapes/ShapeTestSupport.h"
#include "tests/support/ModalAnswers.h"

#include "platform/gui/GuiTypes.h"
#include "shapes/MArc.h"
#include "shapes/MEllipse.h"
#include "shapes/MLine.h"
#include "shapes/MPoint.h"
#include "shapes/MRect.h"
#include "shapes/MRelation.h"
#include "workspace/MDigit.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

class MDigitTest : public ShapeFixture {
protected:
    // Fills the window from the shape as the main window does, with the
    // image 480 pixels high.
    void Show(const MShape& shape)
    {
        form.ClearFields();
        form.Data.SetImageHeight(480);
        ASSERT_TRUE(shape.ToData(form.Data, false));
        form.Data.title = shape.GetDisplayName();
        form.ShowFields();
    }

    // The captions of the rows shown, top to bottom, each checked to stand
    // in its row with its edit beside it.
    std::vector<std::string> Rows()
    {
        const std::pair<QLabel*, QLineEdit*> rows[] = {
            {form.LabelPointX, form.EditPointX}, {form.LabelPointY, form.EditPointY},
            {form.LabelLength1, form.EditLength1}, {form.LabelLength2, form.EditLength2},
            {form.LabelAngle1, form.EditAngle1}, {form.LabelAngle2, form.EditAngle2}};
        std::vector<std::pair<int, std::string>> shown;
        for (const auto& [label, edit] : rows) {
            EXPECT_EQ(label->isVisibleTo(&form), edit->isVisibleTo(&form)) << label->objectName().toStdString();
            if (!label->isVisibleTo(&form))
                continue;
            EXPECT_EQ(label->y() - 4, edit->y()) << "label and edit of one row";
            shown.emplace_back(edit->y(), label->text().toStdString());
        }
        std::sort(shown.begin(), shown.end());
        std::vector<std::string> captions;
        for (std::size_t row = 0; row < shown.size(); ++row) {
            EXPECT_EQ(shown[row].first, TFormDigit::EditTop(int(row))) << shown[row].second;
            captions.push_back(shown[row].second);
        }
        return captions;
    }

    static std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

    TFormDigit form;
};

TEST_F(MDigitTest, RowsAndCaptionsFollowTheKindOfShape)
{
    struct Case {
        std::function<std::unique_ptr<MShape>()> make;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {[] { return MPoint::Create(nullptr, 10, 100); },
         {"Center Point - X[px]", "Center Point - Y[px]"}},
        {[] { return MLine::Create(nullptr, 10, 10, 50, 40); },
         {"Mid-Point - X[px]", "Mid-Point - Y[px]", "Length[px]", "Angle[°]"}},
        {[] { return MRect::Create(nullptr, 10, 10, 50, 40); },
         {"Center Point - X[px]", "Center Point - Y[px]", "Width[px]", "Height[px]"}},
        {[] { return MEllipse::Create(nullptr, {10, 10, 50, 40}); },
         {"Center Point - X[px]", "Center Point - Y[px]", "Horizontal Length[px]", "Vertical Length[px]"}},
        {[] { return MArc::Create(nullptr, {10, 50}, {50, 10}, {90, 50}); },
         {"Circle Center - X[px]", "Circle Center - Y[px]", "Radius[px]", "Begin Angle[°]", "End Angle[°]"}},
        {[this] { return Circle({50, 50}, 40); }, {"Circle Center - X[px]", "Circle Center - Y[px]", "Radius[px]"}},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<MShape> shape = c.make();
        Show(*shape);
        EXPECT_EQ(Rows(), c.rows) << shape->GetTypeName();
        EXPECT_EQ(form.RowCount, int(c.rows.size()));
        EXPECT_TRUE(form.BBApply->isVisibleTo(&form));
        EXPECT_FALSE(form.BBConfirm->isVisibleTo(&form));
    }
}

TEST_F(MDigitTest, EveryLabelShowsItsWholeTextInEveryLanguage)
{
    Calibrate(0.01, "inch"); // the longest unit name
    std::vector<std::unique_ptr<MShape>> shapes;
    shapes.push_back(MLine::Create(nullptr, 10, 10, 50, 40));
    shapes.push_back(MLine::Create(nullptr, 10, 60, 90, 70));
    shapes.push_back(MPoint::Create(nullptr, 70, 20));
    shapes.push_back(Circle({50, 50}, 40));
    shapes.push_back(Circle({60, 50}, 20));
    shapes.push_back(MArc::Create(nullptr, {10, 50}, {50, 10}, {90, 50}));
    shapes.push_back(MEllipse::Create(nullptr, {10, 10, 50, 40}));
    shapes.push_back(MRect::Create(nullptr, 10, 10, 50, 40));
    const auto relate = [&shapes](std::size_t a, std::size_t b) {
        std::unique_ptr<MRelation> relation = MRelation::Create(shapes[a].get(), shapes[b].get(), nullptr);
        ASSERT_NE(relation, nullptr);
        shapes.push_back(std::move(relation));
    };
    relate(2, 0); // point and line
    relate(0, 1); // two lines
    relate(0, 3); // line and circle
    relate(3, 4); // two circles

    const std::pair<QLabel*, QLineEdit*> rows[] = {
        {form.LabelPointX, form.EditPointX}, {form.LabelPointY, form.EditPointY},
        {form.LabelLength1, form.EditLength1}, {form.LabelLength2, form.EditLength2},
        {form.LabelAngle1, form.EditAngle1}, {form.LabelAngle2, form.EditAngle2}};
    for (const int language : {LAN_ENGLISH, LAN_CHINESE_SIMPLIFIED, LAN_CHINESE_TRADITIONAL}) {
        MLan::GetInstance()->SetLanguage(language);
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            Show(*shapes[i]);
            for (const auto& [label, edit] : rows) {
                if (!label->isVisibleTo(&form))
                    continue;
                const std::string text = label->text().toStdString();
                EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << text;
                EXPECT_LE(label->x() + label->width(), edit->x()) << text;
                EXPECT_LE(edit->x() + edit->width(), form.width()) << text;
            }
        }
    }
    // With nothing to show the window is as designed.
    form.ClearFields();
    EXPECT_EQ(form.LabelPointX->width(), 113);
}

TEST_F(MDigitTest, ValuesShowYCountedFromTheBottomInTheCalibratedUnit)
{
    const std::unique_ptr<MPoint> point = MPoint::Create(nullptr, 10, 100);
    Show(*point);
    EXPECT_EQ(form.windowTitle(), "Params - P1");
    EXPECT_EQ(Text(form.EditPointX), "10");
    EXPECT_EQ(Text(form.EditPointY), "380");

    Calibrate(0.01, "mm");
    Show(*point);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Center Point - X[mm]", "Center Point - Y[mm]"}));
    EXPECT_EQ(Text(form.EditPointX), "0.1");
    EXPECT_EQ(Text(form.EditPointY), "3.8");
}

TEST_F(MDigitTest, RelationValuesAreReadOnly)
{
    const std::unique_ptr<MPoint> a = MPoint::Create(nullptr, 10, 10);
    const std::unique_ptr<MPoint> b = MPoint::Create(nullptr, 40, 50);
    b->number = 2;
    const std::unique_ptr<MRelation> relation = MRelation::Create(a.get(), b.get(), nullptr);
    Show(*relation);
    ASSERT_GE(form.RowCount, 2);
    EXPECT_EQ(form.windowTitle(), "Params - P1 P2");
    EXPECT_FALSE(form.EditPointX->isEnabled());
    EXPECT_FALSE(form.EditPointY->isEnabled());
    EXPECT_FALSE(form.BBApply->isVisibleTo(&form)) << "no Apply for a relation";

    QSignalSpy applied(&form, &TFormDigit::FieldsApplied);
    form.EditPointXKeyUp(13);
    EXPECT_EQ(applied.count(), 0) << "Enter does nothing";
}

TEST_F(MDigitTest, KeyFiltersTakeSignedCoordinatesAndUnsignedSizes)
{
    struct Case {
        QLineEdit* edit;
        const char* typed;
        const char* expected;
    };
    const Case cases[] = {
        {form.EditPointX, "-12.5", "-12.5"},
        {form.EditPointX, "1-2-", "1-2"}, // one minus sign, anywhere
        {form.EditPointX, "1.2.3x", "1.23"},
        {form.EditPointY, "-7", "-7"},
        {form.EditLength1, "-3.5", "3.5"},
        {form.EditAngle1, "-45.5", "45.5"},
        {form.EditAngle2, "4.5.", "4.5"},
    };
    for (const Case& c : cases) {
        c.edit->clear();
        QTest::keyClicks(c.edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(Text(c.edit), c.expected) << c.edit->objectName().toStdString() << " typed " << c.typed;
    }
    // The angle edits are the shorter ones.
    EXPECT_EQ(form.EditAngle1->maxLength(), 8);
    EXPECT_EQ(form.EditPointX->maxLength(), 14);
}

TEST_F(MDigitTest, ApplyStoresNumbersAndKeepsValuesWhoseTextIsNoNumber)
{
    const std::unique_ptr<MLine> line = MLine::Create(nullptr, 10, 10, 50, 10);
    Show(*line);
    QSignalSpy applied(&form, &TFormDigit::FieldsApplied);
    form.EditLength1->setText("80");
    form.EditAngle1->setText(".");
    form.EditPointX->setText("-");
    QTest::keyClick(form.EditLength1, Qt::Key_Return);
    EXPECT_EQ(applied.count(), 1) << "Enter in an edit applies in the floating window";
    EXPECT_EQ(form.Data.length[0].GetEdit(), "80");
    EXPECT_FALSE(form.Data.angle[0].IsModified()) << "a lone point is no number";
    EXPECT_FALSE(form.Data.point.IsModified()) << "a lone minus sign is no number";

    form.BBApply->click();
    EXPECT_EQ(applied.count(), 2);
}

TEST_F(MDigitTest, PresetDialogStoresOnlyThroughItsOkButton)
{
    form.SetModal(true);
    const std::unique_ptr<MLine> line = std::make_unique<MLine>(nullptr);
    form.ClearFields();
    ASSERT_TRUE(line->ToData(form.Data, true));
    form.Data.title = line->GetTypeName();
    form.ShowFields();
    EXPECT_EQ(form.windowTitle(), "Preset - Line");
    EXPECT_TRUE(form.BBConfirm->isVisibleTo(&form));
    EXPECT_TRUE(form.BBCancel->isVisibleTo(&form));
    EXPECT_FALSE(form.BBApply->isVisibleTo(&form));
    EXPECT_EQ(Text(form.EditLength1), "") << "a preset starts from empty edits";

    QSignalSpy applied(&form, &TFormDigit::FieldsApplied);
    int result = -1;
    ModalAnswers answers({[this](QWidget*) {
        form.EditLength1->setText("25");
        QTest::keyClick(form.EditLength1, Qt::Key_Return);
        EXPECT_TRUE(form.isVisible()) << "Enter neither stores nor closes the preset dialog";
        EXPECT_FALSE(form.Data.IsModified());
        form.BBConfirm->click();
    }});
    result = form.exec();
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(form.Data.length[0].GetEdit(), "25");
    EXPECT_EQ(applied.count(), 0) << "the preset dialog asks nothing of the main window";
}

TEST_F(MDigitTest, ClearedWindowShowsItsCaptionOnly)
{
    const std::unique_ptr<MLine> line = MLine::Create(nullptr, 10, 10, 50, 10);
    Show(*line);
    form.SBFunction1->show();
    form.ClearFields();
    EXPECT_EQ(form.windowTitle(), "Params");
    for (QWidget* child : form.findChildren<QWidget*>()) {
        if (child != form.Panel1) {
            EXPECT_FALSE(child->isVisibleTo(&form)) << child->objectName().toStdString();
        }
    }
}

} // namespace
