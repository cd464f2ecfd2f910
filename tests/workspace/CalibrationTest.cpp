// Calibration: ruler lines drawn on the raw picture, true lengths typed in the
// calibration window, the current and the named ruler in the parameter store,
// the one scale every measured value is converted with, and the picture
// resampled when the two directions differ.
#include "WorkspaceFixture.h"

#include "platform/gui/TBitmap.h"
#include "platform/gui/TPaintBox.h"
#include "shapes/MLine.h"
#include "workspace/MRuleHoriVert.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QLocale>
#include <QTest>

#include <clocale>

namespace {

// A mouse move with no button held, delivered to the widget itself (a
// synthesized system move needs a window the offscreen platform has exposed).
void MoveMouse(QWidget* widget, QPoint position)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(position), widget->mapToGlobal(QPointF(position)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Qt's default locale German, and the C library's numbers too where the
// system has that locale; both put back when the test ends.
class GermanLocale {
public:
    GermanLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            GTEST_LOG_(INFO) << "de_DE.UTF-8 is not installed: only Qt's locale is German";
    }
    ~GermanLocale()
    {
        std::setlocale(LC_NUMERIC, "C");
        QLocale::setDefault(Saved);
    }
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;

private:
    QLocale Saved;
};

class Calibration : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        StartForms();
        FormMeasure->SetLanguage(LAN_ENGLISH, false);
    }

    static TFormRuleHoriVert& Dialog() { return *FormRuleHoriVert; }
    static MParam& Param() { return *MParam::GetInstance(); }

    static std::string Option(int id)
    {
        std::string text;
        Param().GetText(id, text);
        return text;
    }

    static std::string Stored(const std::string& configName, const std::string& optionName)
    {
        return StoredRecord(configName, optionName);
    }

    static std::string StoredOption(int id) { return Stored("DEFAULT", std::to_string(id)); }

    static QString StatusMessage() { return FormMeasure->StatusPanels[2]->text(); }

    // Two clicks on the paint box with a move between them.
    static void DrawRuleLine(TPoint from, TPoint to)
    {
        TPaintBox* box = FormMeasure->ImagePaint;
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(from.x, from.y));
        MoveMouse(box, QPoint(to.x, to.y));
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(to.x, to.y));
    }

    // The usual road: the rule command, a horizontal line, its value and
    // Enter (which arms the vertical line), the vertical line, its value,
    // Confirm.
    static void Calibrate(int horiPixels, const QString& horiValue, int vertPixels, const QString& vertValue)
    {
        FormMeasure->MenuRule->trigger();
        DrawRuleLine({10, 20}, {10 + horiPixels, 23}); // stays horizontal
        QTest::keyClicks(Dialog().EditValueHori, horiValue);
        QTest::keyClick(Dialog().EditValueHori, Qt::Key_Return);
        DrawRuleLine({30, 40}, {34, 40 + vertPixels}); // stays vertical
        QTest::keyClicks(Dialog().EditValueVert, vertValue);
        QTest::mouseClick(Dialog().BBConfirm, Qt::LeftButton);
    }
};

TEST_F(Calibration, TwoHundredPixelsAsTwoMillimetresMakeALineOfAHundredPixelsOneMillimetre)
{
    Calibrate(200, "2", 200, "2");

    EXPECT_EQ(Option(OPT_RULE_VALUE_HORI), "0.01");
    EXPECT_EQ(Option(OPT_RULE_VALUE_VERT), "0.01");
    EXPECT_EQ(Option(OPT_RULE_UNIT_HORI), "mm");
    EXPECT_EQ(Option(OPT_RULE_UNIT_VERT), "mm");
    EXPECT_EQ(Option(OPT_RULE_CALIB_VALUE), "0.2");
    EXPECT_EQ(Option(OPT_RULE_SCALE), "0.01");
    EXPECT_EQ(Option(OPT_RULE_UNIT), "mm");
    EXPECT_EQ(Param().GetRuler("Default"), (MRulerItem{"0.01", "0.01", "mm", "mm"}));
    EXPECT_EQ(FormMeasure->RulerAspect, RULER_ASPECT_NONE);
    EXPECT_EQ(FormMeasure->Mode, MODE_SELECT);
    EXPECT_FALSE(Dialog().isVisible());

    MShape* line = FormMeasure->AddShape(MLine::Create(FormMeasure->ImagePaint->Canvas(), 100, 100, 200, 100));
    ASSERT_TRUE(line);
    EXPECT_EQ(line->GetResults().back(), (MItem{"Length", "1 mm"}));
}

TEST_F(Calibration, CurrentRulerAndNamedRulerAreWrittenAtOnce)
{
    Calibrate(200, "2", 200, "2");

    for (const int id : {OPT_RULE_VALUE_HORI, OPT_RULE_VALUE_VERT})
        EXPECT_EQ(StoredOption(id), "0.01") << id;
    for (const int id : {OPT_RULE_UNIT_HORI, OPT_RULE_UNIT_VERT, OPT_RULE_UNIT})
        EXPECT_EQ(StoredOption(id), "mm") << id;
    EXPECT_EQ(StoredOption(OPT_RULE_CALIB_VALUE), "0.2");
    EXPECT_EQ(Stored("RULERVALUEHORI", "Default"), "0.01");
    EXPECT_EQ(Stored("RULERVALUEVERT", "Default"), "0.01");
    EXPECT_EQ(Stored("RULERUNITHORI", "Default"), "mm");
    EXPECT_EQ(Stored("RULERUNITVERT", "Default"), "mm");
    EXPECT_EQ(StoredOption(OPT_RULE_SCALE), "") << "the scale is kept from run to run only with option 701";
}

TEST_F(Calibration, KeptCalibrationIsInForceInTheNextRun)
{
    Param().SetBool(OPT_RULE_LOAD_SAVED, true, true);
    Calibrate(100, "1", 100, "2");
    EXPECT_EQ(StoredOption(OPT_RULE_SCALE), "0.02");

    DestroyForms();
    ResetSingletons();
    StartForms();
    EXPECT_EQ(Option(OPT_RULE_SCALE), "0.02");
    EXPECT_EQ(FormMeasure->RulerAspect, RULER_ASPECT_WIDTH);
    EXPECT_EQ(FormMeasure->BufferBitmap->Width(), 400);
}

TEST_F(Calibration, UnequalScalesShrinkOneAxisOfTheDisplayedAndSavedPicture)
{
    struct Case {
        const char* hori; // typed for lines of 100 pixels
        const char* vert;
        int aspect;
        const char* scale;
        QSize displayed; // of the 800 x 600 picture
    };
    const Case cases[] = {
        {"1", "2", RULER_ASPECT_WIDTH, "0.02", {400, 600}},
        {"2", "1", RULER_ASPECT_HEIGHT, "0.02", {800, 300}},
        {"3", "3", RULER_ASPECT_NONE, "0.03", {800, 600}},
    };
    for (const Case& c : cases) {
        Calibrate(100, c.hori, 100, c.vert);
        EXPECT_EQ(FormMeasure->RulerAspect, c.aspect) << c.hori << " " << c.vert;
        EXPECT_EQ(Option(OPT_RULE_SCALE), c.scale);
        EXPECT_EQ(FormMeasure->BufferBitmap->Image().size(), c.displayed);
        EXPECT_EQ(FormMeasure->ImagePaint->size(), c.displayed);
        FormMeasure->SaveImageFile("Output/Shown.bmp");
        TBitmap saved;
        saved.LoadFromFile("Output/Shown.bmp");
        EXPECT_EQ(saved.Image().size(), c.displayed);
    }
}

TEST_F(Calibration, LopsidedCalibrationKeepsAPixelOfThePictureAndReopeningShowsIt)
{
    struct Case {
        int horiPixels;
        const char* hori;
        int vertPixels;
        const char* vert;
        QSize displayed; // of the 800 x 600 picture
    };
    // 1 / 600 against 1308 / 200 per pixel: the width shrinks to 0.2 pixels.
    const Case cases[] = {
        {600, "1", 200, "1308", {1, 600}},
        {200, "1308", 600, "1", {800, 1}},
    };
    for (const Case& c : cases) {
        Calibrate(c.horiPixels, c.hori, c.vertPixels, c.vert);
        EXPECT_EQ(FormMeasure->BufferBitmap->Image().size(), c.displayed) << c.hori << " " << c.vert;
        EXPECT_EQ(FormMeasure->ImagePaint->ScreenImage().size(), c.displayed);

        ASSERT_TRUE(FormMeasure->LoadImageFile(TFormMeasure::DefaultImageFile));
        EXPECT_EQ(FormMeasure->BufferBitmap->Image().size(), c.displayed);
        EXPECT_EQ(FormMeasure->ImagePaint->size(), c.displayed);
        EXPECT_EQ(FormMeasure->ImagePaint->ScreenImage(), FormMeasure->BufferBitmap->Image());
    }
}

TEST_F(Calibration, RulerLinesMeasureTheRawPicture)
{
    Calibrate(100, "1", 100, "2");
    ASSERT_EQ(FormMeasure->BufferBitmap->Width(), 400);

    FormMeasure->MenuRule->trigger();
    EXPECT_EQ(FormMeasure->Mode, MODE_RULE);
    EXPECT_EQ(FormMeasure->BufferBitmap->Width(), 800);
    EXPECT_EQ(FormMeasure->ImagePaint->Width(), 800);
    DrawRuleLine({10, 20}, {210, 90});
    EXPECT_EQ(Dialog().LabelLengthHori->text(), "200 px");
}

TEST_F(Calibration, RubberBandFollowsTheMouseOverThePlainImage)
{
    Param().SetColor(OPT_COLOR_DESIGN, int(clRed));
    FormMeasure->MenuRule->trigger();
    TPaintBox* box = FormMeasure->ImagePaint;
    const TColor picture = FormMeasure->ImageBitmap->Canvas()->Pixels(80, 20);
    ASSERT_NE(picture, clRed);

    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    MoveMouse(box, QPoint(100, 60)); // the line stays horizontal
    EXPECT_EQ(box->Canvas()->Pixels(80, 20), clRed);
    MoveMouse(box, QPoint(60, 60));
    EXPECT_EQ(box->Canvas()->Pixels(40, 20), clRed);
    EXPECT_EQ(box->Canvas()->Pixels(80, 20), picture) << "the earlier band is wiped";
    EXPECT_EQ(FormMeasure->BufferBitmap->Canvas()->Pixels(40, 20), FormMeasure->ImageBitmap->Canvas()->Pixels(40, 20));
}

TEST_F(Calibration, AHalfDrawnRulerLineStaysInSightAndEscapeTakesItBack)
{
    Param().SetColor(OPT_COLOR_DESIGN, int(clRed));
    FormMeasure->MenuRule->trigger();
    TPaintBox* box = FormMeasure->ImagePaint;
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    MoveMouse(box, QPoint(100, 20));
    ASSERT_EQ(box->Canvas()->Pixels(60, 20), clRed);
    QTest::keyClick(FormMeasure->windowHandle(), Qt::Key_A);
    EXPECT_EQ(box->Canvas()->Pixels(60, 20), clRed) << "a redraw keeps the band";

    QTest::keyClick(FormMeasure->windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(box->ScreenImage(), FormMeasure->ImageBitmap->Image()) << "the band is gone";
    EXPECT_EQ(FormMeasure->Mode, MODE_RULE);
    DrawRuleLine({10, 20}, {110, 20}); // a new line from its first click
    EXPECT_EQ(Dialog().LabelLengthHori->text(), "100 px");
}

TEST_F(Calibration, DifferentUnitsLeaveTheWorkspaceUncalibratedWithAWarning)
{
    Param().SetText(OPT_RULE_VALUE_HORI, "0.01", false);
    Param().SetText(OPT_RULE_VALUE_VERT, "0.01", false);
    Param().SetText(OPT_RULE_UNIT_HORI, "mm", false);
    Param().SetText(OPT_RULE_UNIT_VERT, "um", false);
    Param().SetScale(0.5);

    FormMeasure->ApplyRuler();
    EXPECT_EQ(StatusMessage(), "Horizontal And Vertical Unit Not The Same");
    EXPECT_FALSE(Param().HasScale());
    EXPECT_EQ(MRuleTool::GetInstance()->GetUnitName(), "px");
}

TEST_F(Calibration, OneValidDirectionAloneLeavesTheWorkspaceUncalibrated)
{
    Param().SetText(OPT_RULE_VALUE_HORI, "0.01", false);
    Param().SetText(OPT_RULE_UNIT_HORI, "mm", false);
    Param().SetScale(0.5);

    FormMeasure->ApplyRuler();
    EXPECT_EQ(FormMeasure->RulerAspect, RULER_ASPECT_NONE);
    EXPECT_FALSE(Param().HasScale());
    EXPECT_EQ(StatusMessage(), "");
}

TEST_F(Calibration, ConfirmIsEnabledOnlyForTwoValuesAboveZero)
{
    struct Case {
        const char* hori;
        const char* vert;
        bool enabled;
    };
    const Case cases[] = {
        {"2", "2", true},   {"0.5", "12.25", true}, {"", "2", false},   {"2", "", false},
        {"0", "2", false},  {"2", "0.0", false},    {".", "2", false},  {"2", ".", false},
        {" 2 ", "2", true}, {"1,5", "2", true},     {"2x", "2", false}, {"-1", "2", false},
    };
    FormMeasure->MenuRule->trigger();
    Dialog().SetHoriLength(200);
    Dialog().SetVertLength(200);
    for (const Case& c : cases) {
        // Set directly: the key filter would not let every case be typed.
        Dialog().EditValueHori->setText(c.hori);
        Dialog().EditValueVert->setText(c.vert);
        QTest::keyClick(Dialog().EditValueVert, Qt::Key_Shift); // a key release updates Confirm
        EXPECT_EQ(Dialog().BBConfirm->isEnabled(), c.enabled) << c.hori << " / " << c.vert;
    }
}

TEST_F(Calibration, ValueEditsTakeDigitsAndOnePointOnly)
{
    FormMeasure->MenuRule->trigger();
    Dialog().SetHoriLength(200);
    QTest::keyClicks(Dialog().EditValueHori, "1a2.5.3-");
    EXPECT_EQ(Dialog().EditValueHori->text(), "12.53");
    QTest::keyClicks(Dialog().EditValueHori, "45678");
    EXPECT_EQ(Dialog().EditValueHori->text(), "12.53456") << "at most 8 characters";
}

TEST_F(Calibration, ATypedNumberIsShownAndCalibratedAsItWillBeRead)
{
    Calibrate(300, "0,3", 200, "1e-1");
    EXPECT_EQ(Dialog().EditValueHori->text(), "0.3");
    EXPECT_EQ(Dialog().EditValueVert->text(), "1e-1");
    EXPECT_EQ(Param().GetRuler("Default"), (MRulerItem{"0.001", "0.0005", "mm", "mm"}));
}

TEST_F(Calibration, TypedValuesAndLengthsUseAPointUnderAGermanLocale)
{
    const GermanLocale german;
    Calibrate(300, "1.5", 300, "1.5");
    EXPECT_EQ(Dialog().LabelLengthVert->text(), "300 px");
    EXPECT_EQ(Option(OPT_RULE_SCALE), "0.005");
    EXPECT_EQ(Param().GetRuler("Default").ValueHori, "0.005");
    EXPECT_EQ(Option(OPT_RULE_CALIB_VALUE), "0.15");
    EXPECT_EQ(MRuleTool::GetInstance()->FormatLength(100), "0.5 mm");
}

TEST_F(Calibration, InvalidValueAtConfirmIsReportedAndStoresNothing)
{
    FormMeasure->MenuRule->trigger();
    Dialog().SetHoriLength(200);
    Dialog().SetVertLength(200);
    Dialog().EditValueHori->setText("abc");
    Dialog().EditValueVert->setText("2");
    FormMeasure->FinishCalibration(false);

    EXPECT_EQ(StatusMessage(), "Invalid Input");
    EXPECT_EQ(FormMeasure->Mode, MODE_SELECT);
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_EQ(Option(OPT_RULE_VALUE_HORI), "0");
    EXPECT_TRUE(Param().GetRulerNames().empty());
}

TEST_F(Calibration, UnfinishedRulerLineStoresNothingWithoutAMessage)
{
    const MCalibrationEntry entry{"2", "2", 200, 0, "mm", ""};
    EXPECT_EQ(StoreCalibration(Param(), entry), CALIBRATION_NO_LENGTH);
    EXPECT_EQ(Option(OPT_RULE_CALIB_VALUE), "0");
    EXPECT_EQ(Option(OPT_RULE_UNIT_HORI), "");
    EXPECT_TRUE(Param().GetRulerNames().empty());
}

TEST_F(Calibration, RulerLineOfLengthZeroShowsNoLength)
{
    FormMeasure->MenuRule->trigger();
    DrawRuleLine({50, 50}, {50, 50});
    EXPECT_EQ(Dialog().LabelLengthHori->text(), "");
    EXPECT_FALSE(Dialog().EditValueHori->isEnabled());

    QTest::mouseClick(Dialog().SBHori, Qt::LeftButton); // arms a new line
    DrawRuleLine({50, 50}, {80, 50});
    EXPECT_EQ(Dialog().LabelLengthHori->text(), "30 px");
    EXPECT_TRUE(Dialog().EditValueHori->isEnabled());
}

TEST_F(Calibration, AFinishedRulerLineTakesTheTypingIntoItsValue)
{
    FormMeasure->MenuRule->trigger();
    // Drawing on the picture makes the main window the active one.
    FormMeasure->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FormMeasure, 1000));

    DrawRuleLine({10, 10}, {210, 10});

    EXPECT_TRUE(QTest::qWaitForWindowActive(&Dialog(), 1000));
    EXPECT_EQ(QApplication::focusWidget(), Dialog().EditValueHori);
}

TEST_F(Calibration, FinishedRulerLineTakesNoMoreClicks)
{
    FormMeasure->MenuRule->trigger();
    DrawRuleLine({50, 50}, {80, 50});
    DrawRuleLine({50, 50}, {150, 50});
    EXPECT_EQ(Dialog().LabelLengthHori->text(), "30 px");
}

TEST_F(Calibration, BlankRulerNameIsStoredAsDefault)
{
    Dialog().ComboBoxRuler->setEditText("  \t ");
    Calibrate(200, "2", 100, "2");
    EXPECT_EQ(Param().GetRulerNames(), std::vector<std::string>{"Default"});
    EXPECT_EQ(Dialog().ComboBoxRuler->currentText(), "Default");
}

TEST_F(Calibration, ConfirmingUnderAnExistingNameReplacesThatRuler)
{
    Param().SetRuler("Lens 10x", {"1", "1", "um", "um"});
    Dialog().ComboBoxRuler->setEditText(" Lens 10x ");
    Dialog().ComboBoxUnit->setCurrentText("um");
    Calibrate(200, "2", 100, "2");
    EXPECT_EQ(Param().GetRuler("Lens 10x"), (MRulerItem{"0.01", "0.02", "um", "um"}));
    EXPECT_EQ(Param().GetRulerNames(), std::vector<std::string>{"Lens 10x"});
}

TEST_F(Calibration, StartingTakesTheCurrentUnitAndTheStoredRulerNames)
{
    Param().SetText(OPT_RULE_UNIT, "um", false);
    Param().SetRuler("b", {});
    Param().SetRuler("a", {});
    Dialog().ComboBoxRuler->setEditText("mine");
    Dialog().EditValueHori->setText("3");
    Dialog().BBConfirm->setEnabled(true);

    FormMeasure->SBRule->trigger();

    EXPECT_TRUE(Dialog().isVisible());
    EXPECT_EQ(FormMeasure->Mode, MODE_RULE);
    EXPECT_EQ(Dialog().ComboBoxUnit->currentText(), "um");
    ASSERT_EQ(Dialog().ComboBoxRuler->count(), 2);
    EXPECT_EQ(Dialog().ComboBoxRuler->itemText(0), "a");
    EXPECT_EQ(Dialog().ComboBoxRuler->itemText(1), "b");
    EXPECT_EQ(Dialog().ComboBoxRuler->currentText(), "mine");
    EXPECT_EQ(Dialog().EditValueHori->text(), "");
    EXPECT_FALSE(Dialog().EditValueHori->isEnabled());
    EXPECT_FALSE(Dialog().EditValueVert->isEnabled());
    EXPECT_FALSE(Dialog().BBConfirm->isEnabled());
    EXPECT_TRUE(Dialog().SBHori->isChecked());
}

TEST_F(Calibration, EnterMovesOnToTheOtherDirectionOnlyWhileItHasNoValue)
{
    FormMeasure->MenuRule->trigger();
    DrawRuleLine({10, 10}, {210, 10});
    QTest::keyClicks(Dialog().EditValueHori, "2");
    QTest::keyClick(Dialog().EditValueHori, Qt::Key_Return);
    EXPECT_EQ(FormMeasure->CalibrationDirection, RULE_VERT);
    EXPECT_TRUE(Dialog().SBVert->isChecked());
    EXPECT_FALSE(Dialog().SBHori->isChecked());
    EXPECT_FALSE(Dialog().EditValueHori->isEnabled()) << "disabled until the vertical line is finished";
    EXPECT_EQ(Dialog().EditValueHori->text(), "2");

    DrawRuleLine({10, 10}, {10, 110});
    QTest::keyClicks(Dialog().EditValueVert, "1");
    QTest::keyClick(Dialog().EditValueVert, Qt::Key_Return);
    EXPECT_EQ(FormMeasure->CalibrationDirection, RULE_VERT) << "both values valid: nothing is re-armed";
    EXPECT_TRUE(Dialog().BBConfirm->isEnabled());
}

TEST_F(Calibration, RuleCommandDuringACalibrationRestartsIt)
{
    FormMeasure->MenuRule->trigger();
    QTest::mouseClick(Dialog().SBVert, Qt::LeftButton);
    DrawRuleLine({10, 10}, {10, 110});
    ASSERT_EQ(Dialog().LabelLengthVert->text(), "100 px");

    FormMeasure->MenuRule->trigger();
    EXPECT_EQ(FormMeasure->CalibrationDirection, RULE_HORI);
    EXPECT_EQ(Dialog().LabelLengthVert->text(), "");
    EXPECT_EQ(Dialog().GetVertPixels(), 0);
}

TEST_F(Calibration, CancelTheCloseBoxAndOtherModesApplyNothing)
{
    const auto prepare = [] {
        FormMeasure->MenuRule->trigger();
        DrawRuleLine({10, 10}, {210, 10});
        QTest::keyClicks(Dialog().EditValueHori, "2");
        QTest::keyClick(Dialog().EditValueHori, Qt::Key_Return);
        DrawRuleLine({10, 10}, {10, 210});
        QTest::keyClicks(Dialog().EditValueVert, "2");
        ASSERT_TRUE(Dialog().BBConfirm->isEnabled());
    };
    prepare();
    QTest::mouseClick(Dialog().BBCancel, Qt::LeftButton);
    EXPECT_EQ(FormMeasure->Mode, MODE_SELECT);
    EXPECT_FALSE(Dialog().isVisible());

    prepare();
    Dialog().close();
    EXPECT_EQ(FormMeasure->Mode, MODE_SELECT);
    EXPECT_FALSE(Dialog().isVisible());

    prepare();
    FormMeasure->MenuArrow->trigger();
    EXPECT_EQ(FormMeasure->Mode, MODE_SELECT);
    EXPECT_FALSE(Dialog().isVisible());

    EXPECT_FALSE(Param().HasScale());
    EXPECT_TRUE(Param().GetRulerNames().empty());
}

TEST_F(Calibration, CaptionsComeFromTheStringTable)
{
    FormMeasure->MenuRule->trigger();
    EXPECT_EQ(Dialog().windowTitle(), "Rule");
    EXPECT_EQ(Dialog().SBHori->text(), "Horizontal Rule");
    EXPECT_EQ(Dialog().SBVert->text(), "Vertical Rule");
    EXPECT_EQ(Dialog().LabelValueVert->text(), "Ruler Value:");
    EXPECT_EQ(Dialog().LabelLengthNameHori->text(), "Length:");
    EXPECT_EQ(Dialog().LabelUnit->text(), "Unit:");
    EXPECT_EQ(Dialog().LabelSave->text(), "Save Ruler:");
    EXPECT_EQ(Dialog().BBConfirm->text(), "Confirm");
    EXPECT_EQ(Dialog().BBCancel->text(), "Cancel");
}

TEST_F(Calibration, LanguageSwitchRecaptionsTheOpenCalibrationWindow)
{
    FormMeasure->MenuRule->trigger();
    FormMeasure->MenuLanChineseSimplified->trigger();
    EXPECT_TRUE(Dialog().isVisible());
    EXPECT_EQ(Dialog().BBConfirm->text().toStdString(), MLan::GetInstance()->Texts[156]);
    EXPECT_NE(Dialog().BBConfirm->text(), "Confirm");
}

} // namespace
