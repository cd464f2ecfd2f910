// The toolbox's operations on canvases and pictures: text extents on the
// measuring canvas, picture loading and small canvas fills.

#include "shapes/MTool.h"

#include "platform/gui/TBitmap.h"
#include "platform/gui/TCanvas.h"
#include "platform/gui/TJPEGImage.h"

#include <QLabel>
#include <QPixmap>
#include <QString>

#include <exception>
#include <filesystem>

namespace {

// CJK ideographs, kana, Hangul and full-width forms take two columns on
// screen; every other character one.
bool IsWideCharacter(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F)
           || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
           || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The width of a text in columns: a wide character counts two, as it took two
// bytes in the double-byte texts the 6-pixel estimate was made for.
int ColumnCount(const std::string& utf8)
{
    int columns = 0;
    for (const char32_t c : QString::fromStdString(utf8).toUcs4())
        columns += IsWideCharacter(c) ? 2 : 1;
    return columns;
}

} // namespace

TRect MTool::TextRect(int x, int y, const std::string& text) const
{
    const TSize size = Canvas ? Canvas->TextExtent(text) : TSize{6 * ColumnCount(text), 12};
    const TPoint corner = AddPoints({x, y}, {size.cx, size.cy});
    return {x, y, corner.x, corner.y};
}

int MTool::TextWidth(const std::string& text) const
{
    return Canvas ? Canvas->TextExtent(text).cx : 6 * ColumnCount(text);
}

bool MTool::LoadBitmap(const std::string& fileName, TBitmap* bitmap)
{
    if (!bitmap)
        return false;
    try {
        if (IsJpegFile(fileName)) {
            // Decoded into a picture of its own; the bitmap changes only after
            // the whole file has been read.
            TJPEGImage jpeg;
            jpeg.LoadFromFile(fileName);
            jpeg.AssignTo(*bitmap);
        } else {
            bitmap->LoadFromFile(fileName); // keeps the old picture when it fails
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool MTool::LoadImage(const std::string& fileName, QLabel* image)
{
    std::error_code error;
    if (!image || fileName.empty() || !std::filesystem::exists(fileName, error))
        return false;
    TBitmap picture;
    if (!LoadBitmap(fileName, &picture))
        return false;
    image->setPixmap(QPixmap::fromImage(picture.Image()));
    image->resize(picture.Width(), picture.Height());
    return true;
}

void MTool::DrawLine(TCanvas* canvas, TPoint a, TPoint b)
{
    if (!canvas)
        return;
    canvas->MoveTo(a.x, a.y);
    canvas->LineTo(b.x, b.y);
    // A line leaves out its end pixel: one more step paints it.
    canvas->LineTo(AddPoints(b, {1, 0}).x, b.y);
}

void MTool::WhiteRect(TCanvas* canvas, const TRect& rect)
{
    if (!canvas)
        return;
    const TCopyMode saved = canvas->CopyMode;
    canvas->CopyMode = cmWhiteness;
    canvas->CopyRect(rect, *canvas, rect);
    canvas->CopyMode = saved;
}

void MTool::ClearCanvas(TCanvas* canvas, int width, int height) { WhiteRect(canvas, {0, 0, width, height}); }
