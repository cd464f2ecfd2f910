// The video adjustment dialog over the capture window's control: bars set
// up from the amplifier records, moves applied by the timer (driven here by
// hand), Cancel, Confirm and Default.
#include "tests/capture/CaptureFixture.h"

#include <QTimer>

namespace {

class GrabConfigTest : public CaptureTest {
protected:
    // The capture window shown and the dialog prepared as its Config button
    // does, without the modal loop.
    TFormGrabConfig& Open()
    {
        Start();
        ShowGrab();
        FormGrabConfig->Prepare(FormGrab->Grabber, FormGrab->AmpRanges);
        Log->clear();
        return *FormGrabConfig;
    }

    // The amplifier writes the device received since the dialog opened.
    platform::TCallLog Writes() const
    {
        platform::TCallLog writes;
        for (const std::string& line : *Log)
            if (line.rfind("WriteControl", 0) == 0)
                writes.push_back(line);
        return writes;
    }
};

TEST_F(GrabConfigTest, BarsShowTheRecordsOfTheControl)
{
    Setup.Devices[0].Controls[AMP_CONTRAST] = {true, false, 0, 100, 1, 50, 64};
    Setup.Devices[0].Controls[AMP_HUE] = {true, true, -180, 180, 1, 0, 10}; // read-only
    TFormGrabConfig& dialog = Open();
    EXPECT_EQ(std::tuple(dialog.TBContrast->minimum(), dialog.TBContrast->maximum(), dialog.TBContrast->value()),
              std::tuple(0, 100, 64));
    EXPECT_EQ(dialog.LContrast->text(), "64");
    EXPECT_EQ(dialog.Tags[AMP_CONTRAST], 64);
    EXPECT_FALSE(dialog.TBHue->isEnabled());
    EXPECT_TRUE(dialog.TBBrightness->isEnabled());
    EXPECT_FALSE(dialog.TimerConfig->isActive()) << "setting the bars up applies nothing";
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(dialog.LabelSaturation->text(), "Saturation");
    EXPECT_EQ(dialog.BBDefault->text(), "Default");
}

TEST_F(GrabConfigTest, MovesAreAppliedOnceByTheTickAtTheBarsPosition)
{
    Setup.Devices[0].Controls[AMP_BRIGHTNESS] = {true, false, 0, 255, 10, 128, 120};
    TFormGrabConfig& dialog = Open();
    dialog.TBBrightness->setValue(150);
    dialog.TBBrightness->setValue(167);
    EXPECT_TRUE(dialog.TimerConfig->isActive());
    EXPECT_EQ(dialog.TimerConfig->interval(), 300);
    EXPECT_EQ(dialog.LBrightness->text(), "167");
    EXPECT_TRUE(Writes().empty()) << "nothing before the tick";

    dialog.TimerConfigTimer();
    EXPECT_EQ(Writes(), (platform::TCallLog{"WriteControl 0 167"}));
    EXPECT_EQ(dialog.TBBrightness->value(), 170) << "the bar shows what the device took";
    EXPECT_EQ(dialog.LBrightness->text(), "170");
    EXPECT_FALSE(dialog.TimerConfig->isActive()) << "showing the device's value is no new move";
}

TEST_F(GrabConfigTest, EveryBarMovedBeforeTheTickIsApplied)
{
    TFormGrabConfig& dialog = Open();
    dialog.TBBrightness->setValue(100);
    dialog.TBSaturation->setValue(30);
    dialog.TBContrast->setValue(200);
    dialog.TimerConfigTimer();
    EXPECT_EQ(Writes(), (platform::TCallLog{"WriteControl 0 100", "WriteControl 1 200", "WriteControl 3 30"}));
}

TEST_F(GrabConfigTest, CancelPutsBackTheOpeningValuesAndDropsWhatWaits)
{
    Setup.Devices[0].Controls[AMP_BRIGHTNESS] = {true, false, 0, 100, 1, 50, 50};
    TFormGrabConfig& dialog = Open();
    dialog.TBBrightness->setValue(70);
    dialog.TimerConfigTimer();
    dialog.TBBrightness->setValue(80); // moved again: the timer is armed
    dialog.TBContrast->setValue(10);
    dialog.TBContrast->setValue(dialog.Tags[AMP_CONTRAST]); // and back
    Log->clear();

    dialog.BBCancelClick();
    EXPECT_FALSE(dialog.TimerConfig->isActive()) << "a cancelled move is never applied later";
    EXPECT_EQ(Writes(), (platform::TCallLog{"WriteControl 0 50"}));
    EXPECT_EQ(dialog.TBBrightness->value(), 50);
    EXPECT_EQ(dialog.result(), mrCancel);
    QTest::qWait(dialog.ApplyDelay + 50);
    EXPECT_EQ(Writes().size(), 1u);
}

TEST_F(GrabConfigTest, ConfirmAppliesAWaitingMoveAtOnce)
{
    TFormGrabConfig& dialog = Open();
    dialog.TBHue->setValue(-30);
    dialog.BBConfirmClick();
    EXPECT_FALSE(dialog.TimerConfig->isActive());
    EXPECT_EQ(Writes(), (platform::TCallLog{"WriteControl 2 -30"}));
    EXPECT_EQ(dialog.result(), mrOk);
}

TEST_F(GrabConfigTest, DefaultSetsOnlyTheBarsAwayFromTheirDefault)
{
    Setup.Devices[0].Controls[AMP_BRIGHTNESS] = {true, false, 0, 255, 1, 128, 90};
    Setup.Devices[0].Controls[AMP_CONTRAST] = {true, false, 0, 255, 1, 128, 128};
    Setup.Devices[0].Controls[AMP_HUE] = {true, true, -180, 180, 1, 0, 40}; // cannot be set
    Setup.Devices[0].Controls[AMP_SATURATION] = {true, false, 0, 255, 1, 128, 128};
    TFormGrabConfig& dialog = Open();
    dialog.TBSaturation->setValue(20); // waiting for the tick
    dialog.BBDefaultClick();
    EXPECT_EQ(Writes(), (platform::TCallLog{"WriteControl 0 128", "WriteControl 3 128"}));
    EXPECT_EQ(dialog.TBBrightness->value(), 128);
    EXPECT_EQ(dialog.TBSaturation->value(), 128);
    EXPECT_EQ(dialog.TBHue->value(), 40);
    dialog.TimerConfigTimer();
    EXPECT_EQ(Writes().size(), 2u) << "a bar set to its default waits for nothing more";
}

TEST_F(GrabConfigTest, TheCaptureWindowsConfigButtonOpensTheDialogModally)
{
    Start();
    TFormGrab& form = ShowGrab();
    QTimer::singleShot(0, FormGrabConfig, [] {
        FormGrabConfig->TBContrast->setValue(99);
        QTest::keyClick(FormGrabConfig, Qt::Key_Escape);
    });
    form.BBConfig->click();
    EXPECT_EQ(FormGrabConfig->result(), mrCancel);
    EXPECT_EQ(FormGrabConfig->Grabber, form.Grabber);
    EXPECT_FALSE(FormGrabConfig->TimerConfig->isActive());
    EXPECT_EQ(FormGrabConfig->TBContrast->value(), 128);
}

} // namespace
