// The toolbox's operations on canvases and pictures: text extents on the
// measuring canvas, picture loading and small canvas fills.

#include "shapes/MTool.h"

#include "platform/gui/TBitmap.h"
#include "platform/gui/TCanvas.h"
#include "platform/gui/TJPEGImage.h"
#include "platform/system/TextEncoding.h"

#include <QLabel>
#include <QPixmap>
#include <QString>

#include <exception>
#include <filesystem>

TRect MTool::TextRect(int x, int y, const std::string& text, TTextSlot* slot) const
{
    const TSize size = !Canvas ? TSize{6 * platform::DisplayColumns(text), 12}
                       : slot  ? Canvas->TextExtent(text, *slot)
                               : Canvas->TextExtent(text);
    const TPoint corner = AddPoints({x, y}, {size.cx, size.cy});
    return {x, y, corner.x, corner.y};
}

int MTool::TextWidth(const std::string& text) const
{
    return Canvas ? Canvas->TextExtent(text).cx : 6 * platform::DisplayColumns(text);
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
