// The live compare window: its own capture control started from the
// remembered choices (never writing them), a still grabbed through the
// capture window on the right, and the grab event handed to that window.
#include "tests/capture/CaptureFixture.h"

#include "capture/MSplitLive.h"
#include "tests/support/ModalAnswers.h"

#include <QSignalSpy>

namespace {

class SplitLiveTest : public CaptureTest {
protected:
    void TearDown() override
    {
        Form.reset();
        CaptureTest::TearDown();
    }
    TFormSplitLive& ShowSplit()
    {
        Form = std::make_unique<TFormSplitLive>();
        Form->show();
        return *Form;
    }
    std::unique_ptr<TFormSplitLive> Form;
};

void Pick(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

TEST_F(SplitLiveTest, StartsFromTheRememberedChoicesAndNeverWritesThem)
{
    Start({{OPT_GRAB_DEVICE, "Synthetic Microscope"}, {OPT_GRAB_FORMAT, "3000400"}});
    TFormSplitLive& form = ShowSplit();
    EXPECT_EQ(form.windowTitle(), "Image Compare Dynamically");
    EXPECT_EQ(form.SBGrabRight->toolTip(), "Grab Image To Right");
    EXPECT_EQ(form.ComboBoxDevices->currentText(), "Synthetic Microscope");
    EXPECT_EQ(form.ComboBoxFormats->currentText(), "400 x 300");
    EXPECT_EQ(form.Grabber->size(), QSize(400, 300));
    EXPECT_TRUE(form.Grabber->IsPreviewing());
    EXPECT_TRUE(Logged("StartStreaming 400x300"));

    Pick(form.ComboBoxDevices, "Synthetic Camera");
    EXPECT_EQ(form.Grabber->size(), QSize(640, 480)) << "the new device's default size";
    Pick(form.ComboBoxFormats, "160 x 120");
    EXPECT_EQ(form.Grabber->size(), QSize(160, 120));
    EXPECT_TRUE(Logged("StartStreaming 160x120"));
    const std::map<std::string, std::string> stored = StoredValues();
    EXPECT_EQ(stored.at("301"), "Synthetic Microscope");
    EXPECT_EQ(stored.at("302"), "3000400");

    // Closed and shown again, the control is kept and the preview restarts.
    form.close();
    EXPECT_FALSE(form.Grabber->IsPreviewing());
    form.show();
    EXPECT_TRUE(form.Grabber->IsPreviewing());
    EXPECT_EQ(Videos.size(), 1u);
}

TEST_F(SplitLiveTest, AFormatChosenWhileIdleOnlySizesTheHiddenPreview)
{
    Start();
    TFormSplitLive& form = ShowSplit();
    form.SetState(SPLIT_LIVE_STATE_IDLE);
    Log->clear();
    form.ComboBoxFormats->setEnabled(true);
    Pick(form.ComboBoxFormats, "320 x 240");
    EXPECT_EQ(form.Grabber->size(), QSize(320, 240));
    EXPECT_EQ(*Log, (platform::TCallLog{"SetFrameSize 320x240"}));
}

TEST_F(SplitLiveTest, WithoutACameraNothingCanBeChosen)
{
    Setup.FailDeviceList = true;
    Start();
    TFormSplitLive& form = ShowSplit();
    EXPECT_FALSE(form.Initialized);
    EXPECT_FALSE(form.ComboBoxDevices->isEnabled());
    EXPECT_FALSE(form.Grabber->isVisible());
    EXPECT_FALSE(form.Grabber->IsPreviewing());
}

TEST_F(SplitLiveTest, GrabsTheRightPictureThroughTheCaptureWindow)
{
    Start({{OPT_GRAB_USER_SIZE, "1"}, {OPT_GRAB_WIDTH, "100"}, {OPT_GRAB_HEIGHT, "80"}});
    TFormSplitLive& form = ShowSplit();
    bool ownPreviewStopped = false;
    ModalAnswers answers({[&](QWidget*) {
        ownPreviewStopped = !form.Grabber->IsPreviewing();
        GrabFrame();
        FormGrab->BBConfirm->click();
    }});
    form.SBGrabRight->click();
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_TRUE(ownPreviewStopped) << "one device streams to one window at a time";
    EXPECT_TRUE(form.Grabber->IsPreviewing()) << "and comes back afterwards";
    EXPECT_EQ(form.ImageRight->size(), QSize(100, 80)) << "the capture window's custom size";
    const qint64 shown = form.ImageRight->pixmap().cacheKey();

    ModalAnswers cancelled({[](QWidget*) { FormGrab->BBCancel->click(); }});
    form.SBGrabRight->click();
    EXPECT_EQ(form.ImageRight->pixmap().cacheKey(), shown);
}

TEST_F(SplitLiveTest, HandsItsOwnGrabToTheCaptureWindow)
{
    Start();
    ShowGrab();
    TFormSplitLive& form = ShowSplit();
    QSignalSpy grabbed(form.Grabber, &TVideoSampleGrab::OnSampleGrabbed);
    form.Grabber->SampleGrab(QString::fromLatin1(TFormGrab::GrabFile));
    Video().NextFrame();
    ASSERT_TRUE(grabbed.wait(1000));
    EXPECT_EQ(FormGrab->State, GRAB_STATE_STILL);
    EXPECT_TRUE(FormGrab->Grabbed);
    EXPECT_EQ(Status(1), "Image Grabbed");
}

TEST_F(SplitLiveTest, BothSidesStayEquallyWide)
{
    Start();
    TFormSplitLive& form = ShowSplit();
    for (const int width : {695, 900, 501}) {
        form.resize(width, 478);
        QCoreApplication::processEvents();
        EXPECT_EQ(form.PanelLeft->width(), form.PanelMain->width() / 2) << width;
    }
}

} // namespace
