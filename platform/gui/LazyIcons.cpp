// The icon-file plug-in below is linked into the program rather than loaded
// from the plug-in folder.
#define QT_STATICPLUGIN

#include "platform/gui/LazyIcons.h"

#include <QFile>
#include <QIconEnginePlugin>
#include <QImageReader>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <QtEndian>

namespace {

constexpr int kBitmapHeaderSize = 40;
constexpr int kDirectoryEntrySize = 16;

quint16 Word(const uchar* at) { return qFromLittleEndian<quint16>(at); }
quint32 DoubleWord(const uchar* at) { return qFromLittleEndian<quint32>(at); }

// A 32-bit uncompressed bitmap entry: its colour rows, bottom-up, carry
// their alpha; the AND mask after them is not needed. An entry whose alpha
// is clear everywhere relies on the mask, and is left to Qt's reader.
QImage BitmapEntry(const uchar* data, quint32 length)
{
    if (length < kBitmapHeaderSize || DoubleWord(data) != kBitmapHeaderSize)
        return {};
    const auto width = qint32(DoubleWord(data + 4));
    const auto doubleHeight = qint32(DoubleWord(data + 8));
    if (Word(data + 12) != 1 || Word(data + 14) != 32 || DoubleWord(data + 16) != 0)
        return {};
    if (width <= 0 || width > 256 || doubleHeight <= 0 || doubleHeight % 2 != 0 || doubleHeight > 512)
        return {};
    const int height = doubleHeight / 2;
    const quint32 rowBytes = quint32(width) * 4;
    if (length - kBitmapHeaderSize < rowBytes * quint32(height))
        return {};
    QImage image(width, height, QImage::Format_ARGB32);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const uchar* source = data + kBitmapHeaderSize + quint32(height - 1 - y) * rowBytes;
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            target[x] = DoubleWord(source + 4 * x);
            anyAlpha = anyAlpha || qAlpha(target[x]) != 0;
        }
    }
    return anyAlpha ? image : QImage();
}

QIcon IconOfImages(const std::vector<QImage>& images)
{
    QIcon icon;
    for (const QImage& image : images)
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

// What Qt's own icon engine makes of the file: every image it holds.
QIcon IconReadByQt(const QString& fileName)
{
    std::vector<QImage> images;
    QImageReader reader(fileName);
    do {
        const QImage image = reader.read();
        if (!image.isNull())
            images.push_back(image);
    } while (reader.jumpToNextImage());
    return IconOfImages(images);
}

class TIconFilePlugin : public QIconEnginePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QIconEngineFactoryInterface_iid FILE "LazyIcons.json")

public:
    QIconEngine* create(const QString& fileName) override
    {
        if (fileName.isEmpty())
            return nullptr;
        return new TLazyIconEngine([fileName] {
            QFile file(fileName);
            if (file.open(QIODevice::ReadOnly))
                if (const auto images = platform::ReadIconFileImages(file.readAll()))
                    return IconOfImages(*images);
            return IconReadByQt(fileName);
        }, fileName);
    }
};

} // namespace

// Every icon file named to QIcon comes through the plug-in.
Q_IMPORT_PLUGIN(TIconFilePlugin)

namespace platform {

std::optional<std::vector<QImage>> ReadIconFileImages(const QByteArray& file)
{
    const auto* bytes = reinterpret_cast<const uchar*>(file.constData());
    const auto size = quint64(file.size());
    if (size < 6 || Word(bytes) != 0 || Word(bytes + 2) != 1)
        return std::nullopt;
    const int count = Word(bytes + 4);
    if (count == 0 || 6 + quint64(count) * kDirectoryEntrySize > size)
        return std::nullopt;
    std::vector<QImage> images;
    for (int i = 0; i < count; ++i) {
        const uchar* entry = bytes + 6 + i * kDirectoryEntrySize;
        const quint32 length = DoubleWord(entry + 8);
        const quint32 offset = DoubleWord(entry + 12);
        if (offset > size || length > size - offset)
            return std::nullopt;
        const uchar* data = bytes + offset;
        QImage image;
        if (length >= 8 && QByteArray::fromRawData(reinterpret_cast<const char*>(data), 8) == "\x89PNG\r\n\x1a\n")
            image.loadFromData(data, int(length), "PNG");
        else
            image = BitmapEntry(data, length);
        if (image.isNull())
            return std::nullopt;
        images.push_back(image);
    }
    return images;
}

} // namespace platform

TLazyIconEngine::TLazyIconEngine(std::function<QIcon()> make, QString madeFrom)
    : make_(std::move(make))
    , madeFrom_(std::move(madeFrom))
{
}

QIcon& TLazyIconEngine::Icon()
{
    if (!icon_)
        icon_ = make_();
    return *icon_;
}

void TLazyIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
}

QSize TLazyIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return Icon().actualSize(size, mode, state);
}

QPixmap TLazyIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return Icon().pixmap(size, mode, state);
}

QPixmap TLazyIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale)
{
    return Icon().pixmap(size, scale, mode, state);
}

void TLazyIconEngine::addPixmap(const QPixmap& pixmap, QIcon::Mode mode, QIcon::State state)
{
    Icon().addPixmap(pixmap, mode, state);
}

void TLazyIconEngine::addFile(const QString& fileName, const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    if (!icon_ && fileName == madeFrom_ && size.isEmpty() && mode == QIcon::Normal && state == QIcon::Off)
        return;
    Icon().addFile(fileName, size, mode, state);
}

QList<QSize> TLazyIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    return Icon().availableSizes(mode, state);
}

QString TLazyIconEngine::key() const
{
    return QStringLiteral("TLazyIconEngine");
}

QIconEngine* TLazyIconEngine::clone() const
{
    auto* copy = new TLazyIconEngine(make_, madeFrom_);
    copy->icon_ = icon_;
    return copy;
}

QIcon TLazyStandardIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                           const QWidget* widget) const
{
    if (standardIcon != SP_ToolBarHorizontalExtensionButton && standardIcon != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    // The arrow follows the widget's layout direction; the option, gone by
    // the time the icon is drawn, says nothing more for these arrows.
    const QPointer<const QWidget> asker(widget);
    const QPointer<const TLazyStandardIconStyle> style(this);
    return QIcon(new TLazyIconEngine([asker, style, standardIcon] {
        return style ? style->QProxyStyle::standardIcon(standardIcon, nullptr, asker.data()) : QIcon();
    }));
}

#include "LazyIcons.moc"
