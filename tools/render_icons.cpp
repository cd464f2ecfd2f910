// Renders each SVG glyph given into an icon file (.ico) holding it at the
// sizes the program shows it (menus, tool bars, and both at twice the scale),
// drawn by the same SVG icon engine the program would use, so the glyphs look
// the same without the program parsing SVG documents while it starts.
//   render_icons OUTPUT_FOLDER FILE.svg...
// Writes OUTPUT_FOLDER/NAME.ico for each FILE NAME.svg.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QtEndian>

#include <cstdio>
#include <vector>

namespace {

constexpr int kSizes[] = {16, 24, 32, 48};

template <typename T>
void Put(QByteArray& out, T value)
{
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

// One image of the file: a 32-bit bitmap with its alpha, rows bottom-up,
// followed by the all-clear AND mask older readers expect.
QByteArray BitmapEntry(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    QByteArray out;
    Put<quint32>(out, 40);
    Put<qint32>(out, width);
    Put<qint32>(out, height * 2); // the colour rows and the mask rows
    Put<quint16>(out, 1);
    Put<quint16>(out, 32);
    for (int field = 0; field < 6; ++field)
        Put<quint32>(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            Put<quint32>(out, row[x]); // B, G, R, A in the file's byte order
    }
    const int maskRowBytes = ((width + 31) / 32) * 4;
    out.append(QByteArray(maskRowBytes * height, '\0'));
    return out;
}

QByteArray IconFile(const std::vector<QImage>& images)
{
    QByteArray out;
    Put<quint16>(out, 0);
    Put<quint16>(out, 1); // an icon
    Put<quint16>(out, quint16(images.size()));
    std::vector<QByteArray> entries;
    for (const QImage& image : images)
        entries.push_back(BitmapEntry(image));
    quint32 offset = quint32(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.append(char(images[i].width()));
        out.append(char(images[i].height()));
        out.append(char(0)); // no palette
        out.append(char(0));
        Put<quint16>(out, 1);
        Put<quint16>(out, 32);
        Put<quint32>(out, quint32(entries[i].size()));
        Put<quint32>(out, offset);
        offset += quint32(entries[i].size());
    }
    for (const QByteArray& entry : entries)
        out.append(entry);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: render_icons OUTPUT_FOLDER FILE.svg...\n");
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const QString source = QString::fromLocal8Bit(argv[i]);
        const QIcon glyph(source);
        std::vector<QImage> images;
        for (const int size : kSizes) {
            const QImage image = glyph.pixmap(QSize(size, size)).toImage();
            if (image.size() != QSize(size, size)) {
                std::fprintf(stderr, "render_icons: %s does not render at %d x %d\n", argv[i], size, size);
                return 1;
            }
            images.push_back(image);
        }
        QFile file(output.filePath(QFileInfo(source).completeBaseName() + QStringLiteral(".ico")));
        if (!file.open(QIODevice::WriteOnly) || file.write(IconFile(images)) < 0 || !file.flush()) {
            std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    return 0;
}
