// Calibration: ruler lengths and typed true lengths in the calibration window,
// the current ruler and the named ruler in the parameter store, and the one
// scale every measured value is converted with.
#include "tests/workspace/WorkingFolderFixture.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <clocale>

namespace {

class Calibration : public WorkingFolderFixture {
protected:
    TFormRuleHoriVert& Dialog() { return *FormRuleHoriVert; }

    // The usual road: a horizontal ruler line, its value and Enter, which arms
    // the vertical line, then the vertical line, its value, Confirm.
    void Calibrate(double horiPixels, const QString& horiValue, double vertPixels, const QString& vertValue)
    {
        FormMeasure->MenuRuleClick();
        Dialog().SetHoriLength(horiPixels);
        QTest::keyClicks(Dialog().EditValueHori, horiValue);
        QTest::keyClick(Dialog().EditValueHori, Qt::Key_Return);
        Dialog().SetVertLength(vertPixels);
        QTest::keyClicks(Dialog().EditValueVert, vertValue);
        QTest::mouseClick(Dialog().BBConfirm, Qt::LeftButton);
    }
};

TEST_F(Calibration, TwoHundredPixelsAsTwoMillimetresMakeAHundredPixelsOneMillimetre)
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
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_EQ(MRuleTool::GetInstance()->FormatLength(100), "1 mm");
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

TEST_F(Calibration, ScaleIsKeptFromRunToRunWhenAskedTo)
{
    Param().SetBool(OPT_RULE_LOAD_SAVED, true, false);
    Calibrate(200, "2", 200, "2");
    EXPECT_EQ(StoredOption(OPT_RULE_SCALE), "0.01");
}

TEST_F(Calibration, UnequalScalesShrinkOneAxisOfThePicture)
{
    struct Case {
        double hori;
        double vert;
        int aspect;
        const char* scale;
        TSize displayed; // of a 640 x 480 picture
    };
    const Case cases[] = {
        {0.01, 0.02, RULER_ASPECT_WIDTH, "0.02", {320, 480}},
        {0.02, 0.01, RULER_ASPECT_HEIGHT, "0.02", {640, 240}},
        {0.03, 0.03, RULER_ASPECT_NONE, "0.03", {640, 480}},
    };
    for (const Case& c : cases) {
        // Lines of 100 pixels, so the typed values are the values per pixel times 100.
        Calibrate(100, QString::number(c.hori * 100), 100, QString::number(c.vert * 100));
        EXPECT_EQ(FormMeasure->RulerAspect, c.aspect) << c.hori << " " << c.vert;
        EXPECT_EQ(Option(OPT_RULE_SCALE), c.scale);
        EXPECT_EQ(AspectSize(640, 480, FormMeasure->RulerAspect, FormMeasure->RulerRatio), c.displayed);
    }
}

TEST_F(Calibration, DifferentUnitsLeaveTheWorkspaceUncalibrated)
{
    Param().SetText(OPT_RULE_VALUE_HORI, "0.01", false);
    Param().SetText(OPT_RULE_VALUE_VERT, "0.01", false);
    Param().SetText(OPT_RULE_UNIT_HORI, "mm", false);
    Param().SetText(OPT_RULE_UNIT_VERT, "um", false);
    Param().SetScale(0.5);

    const MRulerAspect aspect = ApplyRulerOptions(Param());
    EXPECT_TRUE(aspect.UnitsDiffer);
    EXPECT_FALSE(Param().HasScale());
    EXPECT_EQ(MRuleTool::GetInstance()->GetUnitName(), "px");
}

TEST_F(Calibration, OneValidDirectionAloneLeavesTheWorkspaceUncalibrated)
{
    Param().SetText(OPT_RULE_VALUE_HORI, "0.01", false);
    Param().SetText(OPT_RULE_UNIT_HORI, "mm", false);
    Param().SetScale(0.5);

    const MRulerAspect aspect = ApplyRulerOptions(Param());
    EXPECT_FALSE(aspect.UnitsDiffer);
    EXPECT_EQ(aspect.Aspect, RULER_ASPECT_NONE);
    EXPECT_FALSE(Param().HasScale());
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
    FormMeasure->MenuRuleClick();
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
    FormMeasure->MenuRuleClick();
    Dialog().SetHoriLength(200);
    QTest::keyClicks(Dialog().EditValueHori, "1a,2.5.3-");
    EXPECT_EQ(Dialog().EditValueHori->text(), "12.53");
    QTest::keyClicks(Dialog().EditValueHori, "45678");
    EXPECT_EQ(Dialog().EditValueHori->text(), "12.53456") << "at most 8 characters";
}

TEST_F(Calibration, TypedValuesReadWithAPointUnderAGermanLocale)
{
    const QLocale savedLocale;
    QLocale::setDefault(QLocale(QLocale::German));
    const char* cLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");

    Calibrate(300, "1.5", 300, "1.5");
    EXPECT_EQ(Option(OPT_RULE_SCALE), "0.005");
    EXPECT_EQ(Param().GetRuler("Default").ValueHori, "0.005");
    EXPECT_EQ(Option(OPT_RULE_CALIB_VALUE), "0.15");
    EXPECT_EQ(MRuleTool::GetInstance()->FormatLength(100), "0.5 mm");

    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(savedLocale);
    if (!cLocale)
        GTEST_LOG_(INFO) << "de_DE.UTF-8 is not installed: only Qt's locale was German";
}

TEST_F(Calibration, LengthsShowInTheDialogWithAPoint)
{
    QLocale::setDefault(QLocale(QLocale::German));
    FormMeasure->MenuRuleClick();
    Dialog().SetHoriLength(141.4213562373095);
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(Dialog().LabelLengthHori->text(), "141.42135623731 px");
    EXPECT_TRUE(Dialog().isVisible());
    EXPECT_TRUE(Dialog().EditValueHori->isEnabled());
    EXPECT_FALSE(Dialog().EditValueVert->isEnabled());
    EXPECT_EQ(Dialog().GetHoriPixels(), 141.4213562373095);
}

TEST_F(Calibration, InvalidOrIncompleteCalibrationStoresNothing)
{
    struct Case {
        MCalibrationEntry entry;
        int result;
    };
    const Case cases[] = {
        {{"abc", "2", 200, 200, "mm", ""}, CALIBRATION_INVALID_INPUT},
        {{"2", "", 200, 200, "mm", ""}, CALIBRATION_INVALID_INPUT},
        {{"0", "2", 200, 200, "mm", ""}, CALIBRATION_INVALID_INPUT},
        {{"2", "2", 0, 200, "mm", ""}, CALIBRATION_NO_LENGTH},
        {{"2", "2", 200, 0, "mm", ""}, CALIBRATION_NO_LENGTH},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StoreCalibration(Param(), c.entry), c.result) << c.entry.ValueHori << " " << c.entry.HoriPixels;
        EXPECT_EQ(Option(OPT_RULE_VALUE_HORI), "0");
        EXPECT_EQ(Option(OPT_RULE_CALIB_VALUE), "0");
        EXPECT_EQ(Option(OPT_RULE_UNIT_HORI), "");
        EXPECT_TRUE(Param().GetRulerNames().empty());
    }
}

TEST_F(Calibration, BlankRulerNameIsStoredAsDefault)
{
    FormMeasure->MenuRuleClick();
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

TEST_F(Calibration, ResetTakesTheCurrentUnitAndTheStoredRulerNames)
{
    Param().SetText(OPT_RULE_UNIT, "um", false);
    Param().SetRuler("b", {});
    Param().SetRuler("a", {});
    Dialog().ComboBoxRuler->setEditText("mine");
    Dialog().EditValueHori->setText("3");
    Dialog().BBConfirm->setEnabled(true);

    Dialog().Reset();

    EXPECT_EQ(Dialog().ComboBoxUnit->currentText(), "um");
    ASSERT_EQ(Dialog().ComboBoxRuler->count(), 2);
    EXPECT_EQ(Dialog().ComboBoxRuler->itemText(0), "a");
    EXPECT_EQ(Dialog().ComboBoxRuler->itemText(1), "b");
    EXPECT_EQ(Dialog().ComboBoxRuler->currentText(), "mine");
    EXPECT_EQ(Dialog().EditValueHori->text(), "");
    EXPECT_FALSE(Dialog().EditValueHori->isEnabled());
    EXPECT_FALSE(Dialog().EditValueVert->isEnabled());
    EXPECT_FALSE(Dialog().BBConfirm->isEnabled());
    EXPECT_EQ(Dialog().GetHoriPixels(), 0);
}

TEST_F(Calibration, EnterMovesOnToTheOtherDirectionOnlyWhileItHasNoValue)
{
    FormMeasure->MenuRuleClick();
    Dialog().SetHoriLength(200);
    QTest::keyClicks(Dialog().EditValueHori, "2");
    QTest::keyClick(Dialog().EditValueHori, Qt::Key_Return);
    EXPECT_EQ(FormMeasure->CalibrationDirection, RULE_VERT);
    EXPECT_TRUE(Dialog().SBVert->isChecked());
    EXPECT_FALSE(Dialog().SBHori->isChecked());
    EXPECT_FALSE(Dialog().EditValueHori->isEnabled()) << "disabled until the vertical line is finished";

    Dialog().SetVertLength(100);
    QTest::keyClicks(Dialog().EditValueVert, "1");
    QTest::keyClick(Dialog().EditValueVert, Qt::Key_Return);
    EXPECT_EQ(FormMeasure->CalibrationDirection, RULE_VERT) << "both values valid: nothing is re-armed";
    EXPECT_TRUE(Dialog().BBConfirm->isEnabled());
}

TEST_F(Calibration, DirectionButtonsArmTheirRulerLine)
{
    FormMeasure->MenuRuleClick();
    QTest::mouseClick(Dialog().SBVert, Qt::LeftButton);
    EXPECT_EQ(FormMeasure->CalibrationDirection, RULE_VERT);
    QTest::mouseClick(Dialog().SBHori, Qt::LeftButton);
    EXPECT_EQ(FormMeasure->CalibrationDirection, RULE_HORI);
    QTest::mouseClick(Dialog().SBHori, Qt::LeftButton);
    EXPECT_TRUE(Dialog().SBHori->isChecked()) << "pressing the pressed button keeps it down";
}

TEST_F(Calibration, CancelAndTheCloseBoxApplyNothing)
{
    FormMeasure->MenuRuleClick();
    Dialog().SetHoriLength(200);
    Dialog().SetVertLength(200);
    Dialog().EditValueHori->setText("2");
    Dialog().EditValueVert->setText("2");
    QTest::mouseClick(Dialog().BBCancel, Qt::LeftButton);
    EXPECT_FALSE(Dialog().isVisible());

    FormMeasure->StartCalibration(RULE_HORI, false);
    EXPECT_EQ(Dialog().EditValueHori->text(), "2") << "a restart without reset keeps the texts";
    Dialog().close();
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(Param().HasScale());
    EXPECT_TRUE(Param().GetRulerNames().empty());
}

TEST_F(Calibration, CaptionsComeFromTheStringTable)
{
    MLan::GetInstance()->SetLanguage(LAN_ENGLISH);
    Dialog().show();
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

} // namespace
