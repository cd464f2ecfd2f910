#include "platform/gui/ImageFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

namespace {

using platform::ImageError;

const QString kImages = QStringLiteral(QUORVEX_TEST_DATA_DIR "/images");

QImage SamplePicture()
{
    QImage image(31, 17, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 8, y * 15, 128));
    return image;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ImageError& error) {
        return error.what();
    }
    return "no error";
}

TEST(ImageFile, BmpFileRoundTripIsExact)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("picture.bmp").toStdString();
    platform::WriteBmpFile(SamplePicture(), path);
    EXPECT_EQ(platform::ReadBmpFile(path), SamplePicture());
}

TEST(ImageFile, JpegFileRoundTripKeepsSizeAndColours)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("picture.jpg").toStdString();
    platform::WriteJpegFile(SamplePicture(), path, 100);
    const QImage read = platform::ReadJpegFile(path);
    ASSERT_EQ(read.size(), SamplePicture().size());
    EXPECT_NEAR(qRed(read.pixel(20, 10)), 160, 4);
    EXPECT_NEAR(qGreen(read.pixel(20, 10)), 150, 4);
}

TEST(ImageFile, MissingFileIsAnErrorNamingIt)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("absent.bmp").toStdString();
    const std::string error = ErrorOf([&] { platform::ReadBmpFile(path); });
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
}

TEST(ImageFile, FolderInsteadOfFileIsAnError)
{
    QTemporaryDir dir;
    EXPECT_THROW(platform::ReadJpegFile(dir.path().toStdString()), ImageError);
}

TEST(ImageFile, FailedSaveLeavesTheExistingFileAlone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.jpg");
    platform::WriteJpegFile(SamplePicture(), path.toStdString(), 100);
    const QByteArray before = ReadAll(path);

    const std::string error = ErrorOf([&] { platform::WriteJpegFile(QImage(), path.toStdString(), 100); });
    EXPECT_NE(error.find(path.toStdString()), std::string::npos) << error;
    EXPECT_EQ(ReadAll(path), before);
}

TEST(ImageFile, WriteIntoMissingFolderIsAnImageError)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("no/such/folder/picture.bmp").toStdString();
    const std::string error = ErrorOf([&] { platform::WriteBmpFile(SamplePicture(), path); });
    EXPECT_NE(error.find(path), std::string::npos) << error;
}

TEST(ImageFile, EverySampleFileDecodes)
{
    const QStringList names = QDir(kImages + "/valid").entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        const std::string path = (kImages + "/valid/" + name).toStdString();
        const QImage image = name.endsWith(".jpg") ? platform::ReadJpegFile(path) : platform::ReadBmpFile(path);
        EXPECT_FALSE(image.isNull()) << path;
        EXPECT_EQ(image.format(), QImage::Format_RGB32) << path;
    }
}

struct BrokenFile {
    const char* name;
    const char* reason; // a part of the message
};

class BrokenImageFile : public ::testing::TestWithParam<BrokenFile> {};

TEST_P(BrokenImageFile, GivesImageErrorNamingTheFile)
{
    const QString name = QString::fromUtf8(GetParam().name);
    const std::string path = (kImages + "/broken/" + name).toStdString();
    ASSERT_TRUE(QFile::exists(QString::fromStdString(path))) << path;
    const std::string error = ErrorOf(
        [&] { name.endsWith(".jpg") ? platform::ReadJpegFile(path) : platform::ReadBmpFile(path); });
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(ImageFile, BrokenImageFile,
                         ::testing::Values(BrokenFile{"truncated.bmp", "truncated"},
                                           BrokenFile{"truncated-header.bmp", "truncated"},
                                           BrokenFile{"huge-dimensions.bmp", "too large"},
                                           BrokenFile{"pixel-offset-past-end.bmp", "offset"},
                                           BrokenFile{"truncated.jpg", "truncated"},
                                           BrokenFile{"garbage.jpg", "invalid JPEG data"},
                                           BrokenFile{"huge-dimensions.jpg", "too large"}),
                         [](const auto& test) {
                             std::string name = test.param.name;
                             std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
                             return name;
                         });

} // namespace
