// The capture window over the synthetic camera: its first show, the lists,
// the layout of the view and the cross-hair, the options written at once,
// grabbing, the modal result and where the capture windows open.
#include "tests/capture/CaptureFixture.h"

#include "capture/MSplit.h"
#include "capture/MSplitLive.h"
#include "platform/gui/ImageFile.h"
#include "tests/support/WindowPlace.h"

#include <QColorDialog>
#include <QFile>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTimer>

namespace {

using platform::TSyntheticControl;

constexpr int kPacked320x240 = 2400320;

std::vector<std::string> Items(const QComboBox* combo)
{
    std::vector<std::string> items;
    for (int i = 0; i < combo->count(); ++i)
        items.push_back(combo->itemText(i).toStdString());
    return items;
}

// Picks an item as the operator does.
void Pick(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QSize BmpSize(const char* path) { return platform::ReadBmpFile(path).size(); }

TEST_F(CaptureTest, FirstShowTakesTheRememberedDeviceSizeAndViewOptions)
{
    Start({{OPT_GRAB_DEVICE, "Synthetic Microscope"},
           {OPT_GRAB_FORMAT, "3000400"},
           {OPT_GRAB_STRETCH, "1"},
           {OPT_GRAB_CROSS, "1"},
           {OPT_GRAB_CROSS_COLOR, "255"},
           {OPT_GRAB_USER_SIZE, "1"},
           {OPT_GRAB_WIDTH, "0"},
           {OPT_GRAB_HEIGHT, "6000"}});
    TFormGrab& form = ShowGrab();

    EXPECT_EQ(form.ComboBoxDevices->currentText(), "Synthetic Microscope");
    EXPECT_EQ(form.DeviceName, "Synthetic Microscope");
    EXPECT_EQ(form.DeviceNames, (std::vector<std::string>{"Synthetic Camera", "Synthetic Microscope"}));
    EXPECT_TRUE(Logged("OpenDevice Synthetic Microscope"));
    EXPECT_TRUE(Logged("StartStreaming 400x300"));
    EXPECT_EQ(form.FrameSize, (TSize{400, 300}));
    EXPECT_EQ(form.ComboBoxFormats->currentText(), "400 x 300");

    TVideoAmpRange* brightness = nullptr;
    form.Grabber->GetVideoAmp(AMP_BRIGHTNESS, brightness);
    EXPECT_EQ(form.AmpRanges[AMP_BRIGHTNESS], brightness);
    EXPECT_NE(form.AmpRanges[AMP_SATURATION], nullptr);

    EXPECT_TRUE(form.CheckBoxStretch->isChecked());
    EXPECT_TRUE(form.CheckBoxCross->isChecked());
    EXPECT_TRUE(form.CrossOn);
    EXPECT_TRUE(form.PanelCrossColor->isVisible());
    EXPECT_EQ(form.PanelCrossColor->palette().color(QPalette::Window), QColor(Qt::red));
    EXPECT_TRUE(form.CheckBoxSize->isChecked());
    EXPECT_TRUE(form.EditWidth->isVisible());
    // Out-of-range sizes are put right, and what the boxes show is stored at once.
    EXPECT_EQ(form.EditWidth->text(), "1");
    EXPECT_EQ(form.EditHeight->text(), "5000");
    const std::map<std::string, std::string> stored = StoredValues();
    EXPECT_EQ(stored.at("308"), "1");
    EXPECT_EQ(stored.at("309"), "5000");
    EXPECT_TRUE(form.TimerSize->isActive());

    EXPECT_EQ(form.State, GRAB_STATE_PREVIEW);
    EXPECT_EQ(Status(0), "Preview");
    EXPECT_TRUE(form.Grabber->isVisible());
    EXPECT_FALSE(form.BBConfirm->isEnabled());
    EXPECT_FALSE(form.BBPreview->isEnabled());
    EXPECT_EQ(form.windowTitle(), "Video");
}

TEST_F(CaptureTest, TheControlHearsOfTheDeviceOnlyWhenItIsNotItsFirst)
{
    struct Case {
        const char* Name;
        std::vector<std::string> Devices;
        std::string Saved;
        std::string InUse;
    };
    const Case cases[] = {
        {"one device, remembered", {"Only"}, "Only", "Only"},
        {"remembered device gone", {"First", "Second"}, "Third", "First"},
        {"nothing remembered", {"First", "Second"}, "", "First"},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        Setup.Devices.clear();
        for (const std::string& name : c.Devices) {
            platform::TSyntheticDevice device;
            device.Name = name;
            Setup.Devices.push_back(device);
        }
        Start({{OPT_GRAB_DEVICE, c.Saved}});
        TFormGrab& form = ShowGrab();
        EXPECT_EQ(form.DeviceName, c.InUse) << c.Name;
        EXPECT_EQ(form.ComboBoxDevices->currentIndex(), 0) << c.Name;
        EXPECT_FALSE(std::any_of(Log->begin(), Log->end(), [](const std::string& line) {
            return line.rfind("OpenDevice", 0) == 0;
        })) << c.Name;
    }
}

TEST_F(CaptureTest, FormatListStepsBySmallestSizeUpToTheLargest)
{
    struct Case {
        platform::TVideoSizes Sizes;
        std::vector<std::string> Items;
        std::string Selected;
    };
    const Case cases[] = {
        {{{320, 240}, {160, 120}, {640, 480}},
         {"160 x 120", "320 x 240(default)", "480 x 360", "640 x 480"},
         "320 x 240(default)"},
        {{{640, 480}, {200, 150}, {700, 500}}, {"200 x 150", "400 x 300", "600 x 450", "700 x 500"}, "200 x 150"},
        {{{640, 480}, {320, 240}, {640, 480}}, {"320 x 240", "640 x 480"}, "640 x 480"},
        // A smallest size without width or height cannot be stepped by.
        {{{640, 480}, {0, 120}, {1280, 960}}, {"1280 x 960"}, "1280 x 960"},
        {{{640, 480}, {160, 0}, {1280, 960}}, {"1280 x 960"}, "1280 x 960"},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        Setup.Devices.resize(1);
        Setup.Devices[0].Sizes = c.Sizes;
        Start();
        TFormGrab& form = ShowGrab();
        EXPECT_EQ(Items(form.ComboBoxFormats), c.Items);
        EXPECT_EQ(form.ComboBoxFormats->currentText().toStdString(), c.Selected);
    }
}

TEST_F(CaptureTest, ChoosingADeviceOrSizeIsRememberedAndRestartsThePreview)
{
    Start();
    TFormGrab& form = ShowGrab();
    Log->clear();

    Pick(form.ComboBoxDevices, "Synthetic Microscope");
    EXPECT_EQ(StoredValues().at("301"), "Synthetic Microscope");
    EXPECT_EQ(*Log, (platform::TCallLog{"StopStreaming", "OpenDevice Synthetic Microscope", "CloseDevice",
                                        "StartStreaming 800x600"}));
    EXPECT_EQ(form.ComboBoxFormats->currentText(), "800 x 600(default)") << "the new device's own sizes";
    EXPECT_EQ(form.FrameSize, (TSize{800, 600}));
    EXPECT_EQ(StoredValues().count("302"), 0u) << "a device's default size is not a choice";

    Log->clear();
    Pick(form.ComboBoxFormats, "400 x 300");
    EXPECT_EQ(StoredValues().at("302"), "3000400");
    EXPECT_EQ(*Log, (platform::TCallLog{"SetFrameSize 400x300", "StopStreaming", "StartStreaming 400x300"}));
}

// The view's inner area is made 400 x 300 for the layout tests.
void FixRoom(TFormGrab& form, int width = 400, int height = 300)
{
    form.ScrollBoxGrab->setFixedSize(width + 4, height + 4);
    QCoreApplication::processEvents();
    ASSERT_EQ(form.Room(), QSize(width, height));
}

TEST_F(CaptureTest, ThePreviewFillsShowsRealSizeOrTheCustomSize)
{
    struct Case {
        const char* Name;
        bool RealSize;
        bool Custom;
        QString Width;
        QString Height;
        QRect Expected;
    };
    const Case cases[] = {
        {"fill", false, false, "", "", {0, 0, 400, 300}},
        {"real size, centred", true, false, "", "", {40, 30, 320, 240}},
        {"custom size wins", true, true, "100", "50", {150, 125, 100, 50}},
        {"custom larger than the view", false, true, "500", "20", {0, 140, 500, 20}},
        {"width not a number: both 1", false, true, "", "50", {199, 149, 1, 1}},
        {"height not a number: height 1", false, true, "100", "", {150, 149, 100, 1}},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        Start({{OPT_GRAB_FORMAT, std::to_string(kPacked320x240)}});
        TFormGrab& form = ShowGrab();
        FixRoom(form);
        form.EditWidth->setText(c.Width);
        form.EditHeight->setText(c.Height);
        form.CheckBoxStretch->setChecked(c.RealSize);
        form.CheckBoxSize->setChecked(c.Custom);
        form.LayoutView();
        EXPECT_EQ(form.Grabber->geometry(), c.Expected) << c.Name;
    }
}

TEST_F(CaptureTest, CrossHairIsFortyOneDashesAcrossThePicture)
{
    Start({{OPT_GRAB_FORMAT, std::to_string(kPacked320x240)}, {OPT_GRAB_CROSS_COLOR, "65280"}});
    TFormGrab& form = ShowGrab();
    FixRoom(form);
    form.CheckBoxStretch->setChecked(true);
    form.CheckBoxCross->setChecked(true);
    EXPECT_EQ(StoredValues().at("304"), "1");

    ASSERT_EQ(form.CrossHoriz.size(), 41u);
    ASSERT_EQ(form.CrossVert.size(), 41u);
    // The picture is 320 x 240 at (40, 30): dashes of ceil(320 / 81) = 4 at
    // every 640 / 81 pixels on the middle row, and of ceil(240 / 81) = 3 at
    // every 480 / 81 pixels on the middle column.
    for (int i = 0; i < 41; ++i) {
        const QFrame* horiz = form.CrossHoriz[i];
        const QFrame* vert = form.CrossVert[i];
        ASSERT_TRUE(horiz->isVisible() && vert->isVisible()) << i;
        EXPECT_EQ(horiz->geometry(), QRect(40 + i * 640 / 81, 150, 4, 1)) << i;
        EXPECT_EQ(vert->geometry(), QRect(200, 30 + i * 480 / 81, 1, 3)) << i;
        EXPECT_EQ(horiz->palette().color(QPalette::Window), QColor(Qt::green)) << i;
    }
    EXPECT_EQ(form.CrossHoriz.back()->geometry().right(), 40 + 320 - 1) << "the last dash ends at the edge";

    form.CheckBoxCross->setChecked(false);
    EXPECT_TRUE(std::none_of(form.CrossHoriz.begin(), form.CrossHoriz.end(), [](QFrame* dash) { return dash->isVisible(); }));
    EXPECT_FALSE(form.PanelCrossColor->isVisible());
    EXPECT_EQ(StoredValues().at("304"), "0");
}

TEST_F(CaptureTest, TheCrossHairColourComesFromTheColourDialog)
{
    Start({{OPT_GRAB_CROSS, "1"}});
    TFormGrab& form = ShowGrab();
    QTimer::singleShot(0, form.ColorDialog, [&form] {
        form.ColorDialog->setCurrentColor(Qt::blue);
        form.ColorDialog->accept();
    });
    QTest::mouseClick(form.PanelCrossColor, Qt::LeftButton);
    EXPECT_EQ(StoredValues().at("305"), std::to_string(clBlue));
    EXPECT_EQ(form.CrossHoriz[0]->palette().color(QPalette::Window), QColor(Qt::blue));

    QTimer::singleShot(0, form.ColorDialog, [&form] {
        form.ColorDialog->setCurrentColor(Qt::yellow);
        form.ColorDialog->reject();
    });
    QTest::mouseClick(form.PanelCrossColor, Qt::LeftButton);
    EXPECT_EQ(form.CrossHoriz[0]->palette().color(QPalette::Window), QColor(Qt::blue));
}

TEST_F(CaptureTest, SizeEditsTakeDigitsOnlyAndAreClamped)
{
    Start({{OPT_GRAB_USER_SIZE, "1"}});
    TFormGrab& form = ShowGrab();
    form.EditWidth->clear();
    QTest::keyClicks(form.EditWidth, "7a-0.5");
    EXPECT_EQ(form.EditWidth->text(), "705");
    EXPECT_EQ(StoredValues().at("308"), "705");
    form.EditHeight->setText("0");
    EXPECT_EQ(form.EditHeight->text(), "1");
    form.EditHeight->setText("9999");
    EXPECT_EQ(form.EditHeight->text(), "5000");
    form.EditHeight->clear();
    EXPECT_EQ(form.EditHeight->text(), "") << "an emptied box stays empty while the operator types";
    EXPECT_EQ(StoredValues().at("309"), "");

    form.CheckBoxSize->setChecked(false);
    EXPECT_FALSE(form.EditWidth->isVisible());
    EXPECT_EQ(StoredValues().at("307"), "0");
}

TEST_F(CaptureTest, AGrabShowsTheStillAndConfirmAnswersOk)
{
    Start();
    TFormGrab& form = ShowGrab();
    GrabFrame();
    EXPECT_EQ(form.State, GRAB_STATE_STILL);
    EXPECT_TRUE(form.Grabbed);
    EXPECT_TRUE(form.BBConfirm->isEnabled());
    EXPECT_TRUE(form.BBPreview->isEnabled());
    EXPECT_FALSE(form.BBGrab->isEnabled());
    EXPECT_FALSE(form.ComboBoxDevices->isEnabled());
    EXPECT_TRUE(form.ImageGrab->isVisible());
    EXPECT_FALSE(form.Grabber->isVisible());
    EXPECT_FALSE(form.Grabber->IsPreviewing());
    EXPECT_EQ(Status(0), "Image");
    EXPECT_EQ(Status(1), "Image Grabbed");
    EXPECT_EQ(BmpSize(TFormGrab::GrabFile), QSize(640, 480));
    EXPECT_FALSE(form.ImageGrab->pixmap().isNull());

    form.BBPreview->click();
    EXPECT_EQ(form.State, GRAB_STATE_PREVIEW);
    EXPECT_TRUE(form.Grabber->IsPreviewing());
    form.hide();

    // Shown modally: confirmed after a grab, the answer is OK.
    QTimer::singleShot(0, &form, [this] { GrabFrame(); FormGrab->BBConfirm->click(); });
    EXPECT_EQ(form.exec(), mrOk);
    EXPECT_EQ(form.State, GRAB_STATE_IDLE);
    EXPECT_FALSE(form.Grabber->IsPreviewing());

    // Shown again, it starts afresh: nothing grabbed during this showing.
    form.show();
    EXPECT_EQ(form.State, GRAB_STATE_PREVIEW);
    EXPECT_FALSE(form.Grabbed);
    EXPECT_FALSE(form.BBConfirm->isEnabled());
    EXPECT_TRUE(form.Grabber->IsPreviewing());
}

TEST_F(CaptureTest, EveryOtherWayOutAnswersCancel)
{
    Setup.GrabError = "Disk full";
    Start();
    TFormGrab& form = ShowGrab();
    form.hide();
    const std::function<void()> ways[] = {
        [] { FormGrab->BBConfirm->setEnabled(true), FormGrab->BBConfirm->click(); }, // nothing grabbed
        [this] { GrabFrame(); FormGrab->BBConfirm->setEnabled(true), FormGrab->BBConfirm->click(); },
        [] { FormGrab->BBCancel->click(); },
        [] { FormGrab->close(); },
        [] { QTest::keyClick(FormGrab, Qt::Key_Escape); },
    };
    for (const auto& way : ways) {
        QTimer::singleShot(0, &form, way);
        EXPECT_EQ(form.exec(), mrCancel);
        EXPECT_FALSE(form.Grabber->IsPreviewing());
        EXPECT_FALSE(form.Grabbed);
    }
}

TEST_F(CaptureTest, AFailedGrabSaysWhyAndKeepsThePreview)
{
    Setup.GrabError = "Disk full";
    Start();
    TFormGrab& form = ShowGrab();
    GrabFrame();
    QCoreApplication::processEvents(); // the error event follows the grab event
    EXPECT_EQ(Status(1), "Grab Image Error:Disk full");
    EXPECT_EQ(form.State, GRAB_STATE_PREVIEW);
    EXPECT_FALSE(form.BBConfirm->isEnabled());
    EXPECT_FALSE(form.Grabbed);

    // A click on the view puts the message away.
    QTest::mouseClick(form.ScrollBoxGrabContents, Qt::LeftButton);
    EXPECT_EQ(Status(1), "");
}

TEST_F(CaptureTest, AnErrorWhoseTextIsNoTextShowsOnlyTheGrabError)
{
    Setup.GrabError = "Disk full";
    Setup.ErrorNotText = true;
    Start();
    ShowGrab();
    GrabFrame();
    QCoreApplication::processEvents();
    EXPECT_EQ(Status(1), "Grab Image Error");
}

TEST_F(CaptureTest, AGrabbedFileThatCannotBeReadKeepsThePreview)
{
    Setup.GrabFileBytes = "BM but not a bitmap";
    Start();
    TFormGrab& form = ShowGrab();
    GrabFrame();
    EXPECT_EQ(Status(1), "Open Image File Error");
    EXPECT_EQ(form.State, GRAB_STATE_PREVIEW);
    EXPECT_FALSE(form.BBConfirm->isEnabled());
    EXPECT_FALSE(form.Grabbed);
}

TEST_F(CaptureTest, TheCustomSizeIsTheSizeOfTheSavedFile)
{
    Start({{OPT_GRAB_USER_SIZE, "1"}, {OPT_GRAB_WIDTH, "100"}, {OPT_GRAB_HEIGHT, "100"}});
    TFormGrab& form = ShowGrab();
    GrabFrame();
    EXPECT_EQ(form.ImageGrab->size(), QSize(100, 100));
    EXPECT_EQ(BmpSize(TFormGrab::GrabFile), QSize(100, 100));

    // Off, the file stays exactly as the control wrote it.
    form.CheckBoxSize->setChecked(false);
    form.BBPreview->click();
    GrabFrame();
    platform::TVideoFrame first; // the first frame after the preview restarted
    first.Width = 640;
    first.Height = 480;
    platform::DrawTestPattern(0, Setup.Devices[0].Controls, first);
    EXPECT_EQ(platform::ReadBmpFile(TFormGrab::GrabFile), platform::FrameToImage(first));
}

TEST_F(CaptureTest, AGrabHandedOverByMessageCountsAsTheWindowsOwn)
{
    Start();
    TFormGrab& form = ShowGrab();
    GrabFrame();
    form.BBPreview->click();
    form.Grabbed = false;

    TSampleGrabbedEvent failed(-3);
    QCoreApplication::sendEvent(&form, &failed);
    EXPECT_EQ(Status(1), "Grab Image Error");
    EXPECT_EQ(form.State, GRAB_STATE_PREVIEW);

    TSampleGrabbedEvent grabbed(0);
    QCoreApplication::sendEvent(&form, &grabbed);
    EXPECT_EQ(form.State, GRAB_STATE_STILL);
    EXPECT_TRUE(form.Grabbed);
    EXPECT_EQ(Status(1), "Image Grabbed");
}

TEST_F(CaptureTest, WithoutACameraTheWindowSaysSoAndOffersNothing)
{
    Setup.Devices.clear();
    Start();
    TFormGrab& form = ShowGrab();
    EXPECT_EQ(Status(1), "No Grab Device Found");
    EXPECT_EQ(form.State, GRAB_STATE_IDLE);
    for (QWidget* control : std::initializer_list<QWidget*>{form.BBGrab, form.BBConfig, form.BBPreview,
                                                            form.ComboBoxDevices, form.ComboBoxFormats})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_FALSE(form.Initialized);
    form.hide();

    // A camera plugged in meanwhile is found at the next show.
    Setup = platform::TSyntheticSetup::Standard();
    Setup.FrameInterval = 100000;
    form.show();
    EXPECT_TRUE(form.Initialized);
    EXPECT_EQ(form.State, GRAB_STATE_PREVIEW);
    EXPECT_TRUE(form.BBGrab->isEnabled());
}

TEST_F(CaptureTest, ADeviceListThatCannotBeReadLeavesNothingToGrabWith)
{
    Setup.FailDeviceList = true;
    Start();
    TFormGrab& form = ShowGrab();
    EXPECT_FALSE(form.Initialized);
    EXPECT_EQ(form.State, GRAB_STATE_IDLE);
    EXPECT_FALSE(form.BBGrab->isEnabled());
    EXPECT_FALSE(form.BBConfig->isEnabled());
    EXPECT_FALSE(form.Grabber->IsPreviewing());
}

TEST_F(CaptureTest, APreviewThatWillNotStartHidesTheViewAndLocksTheChoices)
{
    Setup.FailStartStreaming = true;
    Start();
    TFormGrab& form = ShowGrab();
    EXPECT_EQ(form.State, GRAB_STATE_PREVIEW);
    EXPECT_FALSE(form.Grabber->isVisible());
    EXPECT_FALSE(form.ComboBoxDevices->isEnabled());
    EXPECT_FALSE(form.ComboBoxFormats->isEnabled());
    EXPECT_FALSE(form.CheckBoxStretch->isEnabled());

    // A grab then fails with the reason instead of hanging.
    GrabFrame();
    QCoreApplication::processEvents();
    EXPECT_EQ(Status(1), "Grab Image Error:The preview is not running, so there is no frame to grab");
}

TEST_F(CaptureTest, ACameraLostWhileWatchingIsReported)
{
    Setup.LoseAfterFrames = 1;
    Start();
    ShowGrab();
    QSignalSpy errors(FormGrab->Grabber, &TVideoSampleGrab::OnError);
    Video().NextFrame();
    Video().NextFrame();
    ASSERT_TRUE(errors.wait(1000));
    EXPECT_EQ(Status(1), "Grab Image Error:The synthetic camera was disconnected");
}

TEST_F(CaptureTest, CaptureAndCompareWindowsOpenInTheMiddleOfTheScreenEveryTime)
{
    Start();
    TFormSplit split;
    TFormSplitLive splitLive;
    const std::pair<const char*, QDialog*> windows[] = {
        {"capture", FormGrab}, {"adjustment", FormGrabConfig}, {"compare", &split}, {"live compare", &splitLive}};
    for (const auto& [name, window] : windows) {
        std::vector<QRect> places;
        for (int opening = 0; opening < 3; ++opening) {
            QTimer::singleShot(0, window, [&places, window = window] {
                places.push_back(SettledGeometry(window));
                window->reject();
            });
            window->exec();
        }
        for (const QRect& place : places) {
            EXPECT_TRUE(InTheMiddle(place)) << name << ": " << PlaceText(place);
            EXPECT_EQ(place, places.front()) << name << ": " << PlaceText(place) << " after " << PlaceText(places.front());
        }
    }
}

} // namespace
