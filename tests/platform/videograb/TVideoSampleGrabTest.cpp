// The capture control over the synthetic camera: its statuses, packed
// sizes and amplifier records, grabs written as bitmaps, and events that
// always come from the event loop.
#include "platform/videograb/TVideoSampleGrab.h"

#include "platform/gui/ImageFile.h"
#include "platform/videograb/TSyntheticVideo.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace platform;

namespace {

class TVideoSampleGrabTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Setup.FrameInterval = 1000; // frames come when a test asks for them
        SetVideoBackendFactoryForTesting([this] {
            auto video = std::make_unique<TSyntheticVideo>(Setup, Log);
            Video = video.get();
            return video;
        });
    }
    void TearDown() override { SetVideoBackendFactoryForTesting(nullptr); }

public:
    std::string File(const char* name) const { return QDir(Folder.path()).filePath(name).toStdString(); }

    TSyntheticSetup Setup = TSyntheticSetup::Standard();
    std::shared_ptr<TCallLog> Log = std::make_shared<TCallLog>();
    TSyntheticVideo* Video = nullptr;
    TVideoSampleGrab Grabber;
    QTemporaryDir Folder;
};

TEST_F(TVideoSampleGrabTest, SizesAndDevicesThroughTheControlsInterface)
{
    int packed = -1;
    EXPECT_LT(Grabber.GetVideoMax(packed), 0) << "nothing before Initialize";
    QVariant names;
    EXPECT_LT(Grabber.GetDeviceNames(names), 0);
    EXPECT_TRUE(names.isNull());

    ASSERT_EQ(Grabber.Initialize(), 0);
    ASSERT_EQ(Grabber.GetDeviceNames(names), 0);
    EXPECT_EQ(names.toList(), (QVariantList{QString("Synthetic Camera"), QString("Synthetic Microscope")}));
    Grabber.GetVideoDefault(packed);
    EXPECT_EQ(packed, 4800640);
    Grabber.GetVideoMin(packed);
    EXPECT_EQ(packed, 1200160);
    ASSERT_EQ(Grabber.SetDevice(QString("Synthetic Microscope")), 0);
    Grabber.GetVideoMax(packed);
    EXPECT_EQ(packed, 12001600);

    EXPECT_LT(Grabber.SetDevice(QString("Nowhere")), 0);
    QVariant error;
    Grabber.GetErrorString(error);
    EXPECT_EQ(error.toString(), "There is no synthetic camera \"Nowhere\"");
    EXPECT_LT(Grabber.SetDevice(42), 0) << "a device name is a text";
    EXPECT_LT(Grabber.SetVideoSize(640), 0) << "no height";
}

TEST_F(TVideoSampleGrabTest, AmplifierRecordsStayPutAndFollowTheDevice)
{
    Setup.Devices[0].Controls[AMP_HUE] = {true, false, -180, 180, 15, 0, 30};
    Setup.Devices[1].Controls[AMP_HUE] = {false};
    ASSERT_EQ(Grabber.Initialize(), 0);
    TVideoAmpRange* hue = nullptr;
    ASSERT_EQ(Grabber.GetVideoAmp(AMP_HUE, hue), 0);
    ASSERT_NE(hue, nullptr);
    EXPECT_EQ(std::tuple(hue->Min, hue->Max, hue->Current, hue->Enabled), std::tuple(-180, 180, 30, 1));

    ASSERT_EQ(Grabber.SetVideoAmp(AMP_HUE, 50), 0);
    EXPECT_EQ(hue->Current, 45) << "the value the device rounded to";
    ASSERT_EQ(Grabber.SetVideoAmp(AMP_HUE, 999), 0);
    EXPECT_EQ(hue->Current, 180) << "clamped to the range";
    EXPECT_EQ(Log->back(), "WriteControl 2 180");

    Grabber.SetDevice(QString("Synthetic Microscope"));
    TVideoAmpRange* again = nullptr;
    Grabber.GetVideoAmp(AMP_HUE, again);
    EXPECT_EQ(again, hue) << "the record is the control's for its whole life";
    EXPECT_EQ(hue->Enabled, 0) << "the new device has no hue";
    EXPECT_LT(Grabber.SetVideoAmp(AMP_HUE, 0), 0);

    TVideoAmpRange* none = hue;
    EXPECT_LT(Grabber.GetVideoAmp(AMP_COUNT, none), 0);
    EXPECT_EQ(none, nullptr);
}

TEST_F(TVideoSampleGrabTest, AGrabWritesTheNextFrameAndReportsFromTheEventLoop)
{
    ASSERT_EQ(Grabber.Initialize(), 0);
    Grabber.SetVideoSize(2400320);
    ASSERT_EQ(Grabber.StartPreview(), 0);
    QSignalSpy grabbed(&Grabber, &TVideoSampleGrab::OnSampleGrabbed);
    ASSERT_EQ(Grabber.SampleGrab(QString::fromStdString(File("grab.bmp"))), 0);
    Video->NextFrame();
    EXPECT_EQ(grabbed.count(), 0) << "not inside the delivery that wrote the file";
    ASSERT_TRUE(grabbed.wait(1000));
    EXPECT_EQ(grabbed.takeFirst().at(0).toInt(), 0);

    const QImage written = ReadBmpFile(File("grab.bmp"));
    ASSERT_EQ(written.size(), QSize(320, 240));
    EXPECT_EQ(written, FrameToImage(Grabber.Frame()));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(File("grab.bmp")) + ".tmp"));
}

TEST_F(TVideoSampleGrabTest, AGrabThatCannotHappenEndsWithAFailureAndItsReason)
{
    struct Case {
        const char* Name;
        std::function<void(TVideoSampleGrabTest&)> Arrange;
        QVariant File;
        std::string Reason;
    };
    const Case cases[] = {
        {"no preview", [](TVideoSampleGrabTest&) {}, QString("x.bmp"),
         "The preview is not running, so there is no frame to grab"},
        {"no file name", [](TVideoSampleGrabTest& t) { t.Grabber.StartPreview(); }, QVariant(3),
         "The grab has no file name"},
        {"preview stopped first",
         [](TVideoSampleGrabTest& t) {
             t.Grabber.StartPreview();
             QTimer::singleShot(0, &t.Grabber, [&t] { t.Grabber.StopPreview(); });
         },
         QString("x.bmp"), "The preview stopped before a frame was grabbed"},
        {"unwritable file", [](TVideoSampleGrabTest& t) { t.Grabber.StartPreview(); },
         QString("/nonexistent-folder/x.bmp"), "Cannot write \"/nonexistent-folder/x.bmp\""},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Grabber.Initialize(), 0);
        c.Arrange(*this);
        QSignalSpy grabbed(&Grabber, &TVideoSampleGrab::OnSampleGrabbed);
        QSignalSpy errors(&Grabber, &TVideoSampleGrab::OnError);
        Grabber.SampleGrab(c.File);
        if (Grabber.IsPreviewing())
            QTimer::singleShot(1, &Grabber, [this] { Video->NextFrame(); });
        ASSERT_TRUE(errors.wait(1000)) << c.Name;
        ASSERT_EQ(grabbed.count(), 1) << c.Name;
        EXPECT_LT(grabbed.at(0).at(0).toInt(), 0) << c.Name;
        QVariant error;
        Grabber.GetErrorString(error);
        EXPECT_EQ(error.toString().toStdString().substr(0, c.Reason.size()), c.Reason) << c.Name;
    }
}

TEST_F(TVideoSampleGrabTest, ADeviceLostWhileStreamingStopsThePreviewWithItsReason)
{
    Setup.LoseAfterFrames = 1;
    ASSERT_EQ(Grabber.Initialize(), 0);
    ASSERT_EQ(Grabber.StartPreview(), 0);
    Video->NextFrame();
    EXPECT_FALSE(Grabber.Frame().Empty());
    QSignalSpy errors(&Grabber, &TVideoSampleGrab::OnError);
    Video->NextFrame();
    EXPECT_FALSE(Grabber.IsPreviewing());
    EXPECT_TRUE(Grabber.Frame().Empty()) << "no frozen frame stays in view";
    ASSERT_TRUE(errors.wait(1000));
    QVariant error;
    Grabber.GetErrorString(error);
    EXPECT_EQ(error.toString(), "The synthetic camera was disconnected");
    EXPECT_LT(Grabber.StartPreview(), 0);
}

TEST_F(TVideoSampleGrabTest, PaintsTheFrameScaledIntoItsArea)
{
    ASSERT_EQ(Grabber.Initialize(), 0);
    Grabber.resize(64, 48);
    QImage shown(64, 48, QImage::Format_RGB32);
    shown.fill(Qt::red);
    Grabber.render(&shown);
    EXPECT_EQ(shown.pixel(10, 10), qRgb(0, 0, 0)) << "black without a frame";

    ASSERT_EQ(Grabber.StartPreview(), 0);
    Video->NextFrame();
    Grabber.render(&shown);
    QImage expected(64, 48, QImage::Format_RGB32);
    ScaleFrame(Grabber.Frame(), expected);
    EXPECT_EQ(shown, expected);
}

} // namespace
