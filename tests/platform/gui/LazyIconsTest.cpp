// Glyph files are read by the program's own icon-file reader when an icon
// is first drawn, and must give exactly what Qt's own reader gives.
#include "platform/gui/LazyIcons.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QStyle>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

const QString kGlyphFile = QStringLiteral(QUORVEX_TEST_DATA_DIR "/icons/open.ico");

QByteArray FileBytes(const QString& fileName)
{
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    return file.readAll();
}

void WriteFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Every image of the file as Qt's icon-file plug-in reads it.
std::vector<QImage> ImagesReadByQt(const QString& fileName)
{
    std::vector<QImage> images;
    QImageReader reader(fileName, "ico");
    do {
        images.push_back(reader.read().convertToFormat(QImage::Format_ARGB32));
    } while (reader.jumpToNextImage());
    return images;
}

QImage ImageOf(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

void PutDoubleWord(QByteArray& bytes, int at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

quint32 OffsetOfFirstImage(const QByteArray& bytes)
{
    return qFromLittleEndian<quint32>(bytes.constData() + 6 + 12);
}

TEST(LazyIconsTest, GlyphFileReadsAsQtReadsIt)
{
    const auto images = platform::ReadIconFileImages(FileBytes(kGlyphFile));
    ASSERT_TRUE(images);
    const std::vector<QImage> expected = ImagesReadByQt(kGlyphFile);
    ASSERT_EQ(images->size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(images->at(i).convertToFormat(QImage::Format_ARGB32), expected[i]) << "image " << i;
}

TEST(LazyIconsTest, WhatTheReaderDoesNotKnowIsLeftToQt)
{
    const QByteArray glyph = FileBytes(kGlyphFile);
    const quint32 firstImage = OffsetOfFirstImage(glyph);
    struct Case {
        const char* name;
        std::function<QByteArray()> bytes;
    };
    const std::vector<Case> cases{
        {"empty", [] { return QByteArray(); }},
        {"header only", [&] { return glyph.left(6); }},
        {"directory cut short", [&] { return glyph.left(20); }},
        {"image cut short", [&] { return glyph.left(int(firstImage) + 100); }},
        {"no images", [&] { QByteArray b = glyph; b[4] = 0; b[5] = 0; return b; }},
        {"a cursor, not an icon", [&] { QByteArray b = glyph; b[2] = 2; return b; }},
        {"image beyond the end", [&] { QByteArray b = glyph; PutDoubleWord(b, 6 + 12, quint32(b.size())); return b; }},
        {"length beyond the end", [&] { QByteArray b = glyph; PutDoubleWord(b, 6 + 8, 0xFFFFFFF0u); return b; }},
        {"24-bit image", [&] { QByteArray b = glyph; b[int(firstImage) + 14] = 24; return b; }},
        {"compressed image", [&] { QByteArray b = glyph; PutDoubleWord(b, int(firstImage) + 16, 3); return b; }},
        {"huge width", [&] { QByteArray b = glyph; PutDoubleWord(b, int(firstImage) + 4, 0x7FFFFFFF); return b; }},
        {"negative height", [&] { QByteArray b = glyph; PutDoubleWord(b, int(firstImage) + 8, 0xFFFFFFE0u); return b; }},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(platform::ReadIconFileImages(c.bytes())) << c.name;
}

TEST(LazyIconsTest, ABitmapWithoutAlphaIsLeftToQtWhichUsesItsMask)
{
    QByteArray glyph = FileBytes(kGlyphFile);
    const quint32 firstImage = OffsetOfFirstImage(glyph);
    const auto width = qFromLittleEndian<qint32>(glyph.constData() + firstImage + 4);
    for (int pixel = 0; pixel < width * width; ++pixel)
        glyph[int(firstImage) + 40 + 4 * pixel + 3] = 0;
    EXPECT_FALSE(platform::ReadIconFileImages(glyph));

    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("masked.ico"));
    WriteFile(fileName, glyph);
    const QIcon icon(fileName);
    EXPECT_EQ(ImageOf(icon.pixmap(width)), ImagesReadByQt(fileName).front());
}

TEST(LazyIconsTest, IconOfAGlyphFileDrawsAsQtsOwnInEveryModeAndSize)
{
    QIcon qtsOwn;
    for (const QImage& image : ImagesReadByQt(kGlyphFile))
        qtsOwn.addPixmap(QPixmap::fromImage(image));
    const QIcon icon(kGlyphFile);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes(), qtsOwn.availableSizes());
    for (const int size : {16, 20, 24, 32, 48, 64})
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected}) {
            EXPECT_EQ(icon.actualSize(QSize(size, size), mode), qtsOwn.actualSize(QSize(size, size), mode));
            EXPECT_EQ(ImageOf(icon.pixmap(size, mode)), ImageOf(qtsOwn.pixmap(size, mode)))
                << "size " << size << " mode " << mode;
        }
}

TEST(LazyIconsTest, TheFileIsReadWhenTheIconIsFirstDrawnNotWhenItIsMade)
{
    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("glyph.ico"));
    WriteFile(fileName, FileBytes(kGlyphFile));
    const QIcon icon(fileName);
    const QIcon copy = icon;
    ASSERT_TRUE(QFile::remove(fileName));
    // Removed before anything was drawn: an icon with nothing to show.
    EXPECT_TRUE(copy.pixmap(24).isNull());

    WriteFile(fileName, FileBytes(kGlyphFile));
    const QIcon drawn(fileName);
    const QImage first = ImageOf(drawn.pixmap(24));
    ASSERT_TRUE(QFile::remove(fileName));
    // Read once, it stays.
    EXPECT_EQ(ImageOf(drawn.pixmap(24)), first);
    EXPECT_FALSE(first.isNull());
}

TEST(LazyIconsTest, AMissingFileDrawsNothing)
{
    EXPECT_TRUE(QIcon(QStringLiteral("/nonexistent/glyph.ico")).pixmap(16).isNull());
}

TEST(LazyIconsTest, TheStylesExtensionArrowsDrawAsTheBaseStylesAndOtherIconsAreTheBaseStyles)
{
    TLazyStandardIconStyle style;
    QStyle* base = style.baseStyle();
    for (const QStyle::StandardPixmap which :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton,
          QStyle::SP_DialogOkButton, QStyle::SP_MessageBoxWarning}) {
        const QIcon icon = style.standardIcon(which);
        const QIcon expected = base->standardIcon(which);
        EXPECT_EQ(icon.isNull(), expected.isNull()) << which;
        EXPECT_EQ(ImageOf(icon.pixmap(16)), ImageOf(expected.pixmap(16))) << which;
    }
}

} // namespace
