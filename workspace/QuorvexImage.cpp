// The working picture and the magnifier. A picture file becomes the working
// image only once it has been read and decoded whole. The magnifier shows the
// 61 x 61 image pixels around the mouse three times enlarged with every shape
// drawn over them at magnifier coordinates: exactly the block of a picture
// three times the size of the back buffer with all shapes drawn on it, but
// only that block is ever rendered, when it is shown, so a large camera frame
// costs no magnified copies.
#include "workspace/Quorvex.h"

#include "platform/gui/TBitmap.h"
#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MShape.h"
#include "workspace/MZoom.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

namespace {

// "Can not find image file", and "Open Image File Error".
constexpr int kSlotImageNotFound = 69;
constexpr int kSlotOpenImageError = 214;

// The centre of the view for an image position in a picture of width x
// height: kept ZOOM_RADIUS pixels inside the picture. `distance` takes how
// far the position was moved on each axis (for a picture smaller than the
// view both tests of an axis may apply, and the second wins).
TPoint ClampZoomCentre(int x, int y, int width, int height, TPoint* distance = nullptr)
{
    TPoint d;
    if (x < ZOOM_RADIUS) {
        d.x = x - ZOOM_RADIUS;
        x = ZOOM_RADIUS;
    }
    if (y < ZOOM_RADIUS) {
        d.y = y - ZOOM_RADIUS;
        y = ZOOM_RADIUS;
    }
    if (x > width - 1 - ZOOM_RADIUS) {
        d.x = x - (width - 1 - ZOOM_RADIUS);
        x = width - 1 - ZOOM_RADIUS;
    }
    if (y > height - 1 - ZOOM_RADIUS) {
        d.y = y - (height - 1 - ZOOM_RADIUS);
        y = height - 1 - ZOOM_RADIUS;
    }
    if (distance)
        *distance = d;
    return {x, y};
}

// Where the view around `centre` starts in magnifier coordinates.
TPoint ZoomOrigin(TPoint centre)
{
    const TPoint p = MTool::ZoomPoint(centre);
    return {p.x - ZOOM_VIEW_RADIUS, p.y - ZOOM_VIEW_RADIUS};
}

// The view of the magnifier whose top-left is `origin`, showing `picture`
// stretched over `area` (both in magnifier coordinates); only the view's
// pixels are computed. Outside the picture the view is white.
void StretchBlock(TBitmap& view, const TBitmap& picture, const TRect& area, TPoint origin)
{
    view.SetSize(ZOOM_VIEW_SIZE, ZOOM_VIEW_SIZE);
    TCanvas* canvas = view.Canvas();
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = clWhite;
    canvas->FillRect({0, 0, ZOOM_VIEW_SIZE, ZOOM_VIEW_SIZE});
    canvas->StretchDraw({area.left - origin.x, area.top - origin.y, area.right - origin.x, area.bottom - origin.y},
                        picture);
}

// The image coordinate of a magnifier coordinate, rounded down.
int ImageCoordOf(int zoomCoord)
{
    return zoomCoord >= 0 ? zoomCoord / ZOOM_FACTOR : -((-zoomCoord + ZOOM_FACTOR - 1) / ZOOM_FACTOR);
}

} // namespace

bool TFormMeasure::LoadImageFile(std::string name)
{
    // Only the start-up picture may fail without a word.
    const auto reportFailure = [&](int slot) {
        if (name != DefaultImageFile)
            ShowStatus(Lan->Texts[slot], STATUS_MESSAGE);
    };
    TBitmap picture;
    if (!MTool::LoadBitmap(name, &picture)) {
        // A file that is there but holds no picture that can be read (cut
        // off, damaged, or no picture at all) is no missing file.
        std::error_code error;
        reportFailure(std::filesystem::exists(name, error) ? kSlotOpenImageError : kSlotImageNotFound);
        return false;
    }
    try {
        ImageBitmap->Assign(picture);
        // The working image holds the pixels alone from here on: the shapes
        // are drawn over them, and a second holder would cost a copy.
        picture.SetSize(0, 0);
        BufferBitmap->Assign(*ImageBitmap);
        // The paint box shows the new picture at once in every mode, as its
        // paint handler would on the resize; select mode redraws it below.
        ImagePaintPaint();
        if (!ZoomImage) {
            ZoomBackImage = new TBitmap;
            ZoomImage = new TBitmap;
        }
        ZoomBackImage->SetSize(ZOOM_VIEW_SIZE, ZOOM_VIEW_SIZE);
        ZoomImage->SetSize(ZOOM_VIEW_SIZE, ZOOM_VIEW_SIZE);
        ZoomViewValid = false;
    } catch (const std::exception&) {
        reportFailure(kSlotImageNotFound);
        ImagePaint->SetSize(0, 0);
        for (TBitmap* zoom : {ZoomImage, ZoomBackImage})
            if (zoom)
                zoom->SetSize(0, 0);
        MShape::SetZoomCanvas(nullptr);
        return false;
    }
    // A message about an earlier picture no longer holds.
    ShowStatus("", STATUS_MESSAGE);
    // The shapes go only now that the new picture has been taken.
    if (IsSelectMode() && !Param->BoolValue(OPT_GRAB_SAVE_SHAPES))
        DeleteAllShapes();
    if (IsSelectMode())
        RedrawImage();
    return true;
}

bool TFormMeasure::IsZoomShown() const
{
    return ZoomImage && FormZoom && FormZoom->isVisible();
}

void TFormMeasure::RebuildZoomImages()
{
    if (!IsZoomShown() || BufferBitmap->Empty())
        return;
    ZoomViewCentre = ClampZoomCentre(ZoomPos.x, ZoomPos.y, BufferBitmap->Width(), BufferBitmap->Height());
    const TPoint origin = ZoomOrigin(ZoomViewCentre);
    StretchPlainPicture(*ZoomImage, origin);
    ZoomBackImage->Assign(*ZoomImage);
    ZoomViewValid = true;
    MShape::SetZoomCanvas(ZoomImage->Canvas(), origin);
}

void TFormMeasure::StretchPlainPicture(TBitmap& view, TPoint origin)
{
    const int width = BufferBitmap->Width();
    const int height = BufferBitmap->Height();
    if (!BufferBitmap->DrawsOver(*ImageBitmap)) {
        StretchBlock(view, *ImageBitmap, {0, 0, width * ZOOM_FACTOR, height * ZOOM_FACTOR}, origin);
        return;
    }
    // The picture's pixels carry the shapes, and the marks on screen lie
    // over those: the block under the view is read as it was under both.
    const int left = std::max(ImageCoordOf(origin.x), 0);
    const int top = std::max(ImageCoordOf(origin.y), 0);
    const int right = std::min(ImageCoordOf(origin.x + ZOOM_VIEW_SIZE - 1) + 1, width);
    const int bottom = std::min(ImageCoordOf(origin.y + ZOOM_VIEW_SIZE - 1) + 1, height);
    TBitmap block;
    if (left < right && top < bottom) {
        QImage pixels = ImageBitmap->Image().copy(left, top, right - left, bottom - top);
        ImagePaint->CopyKeptInto(pixels, {left, top});
        BufferBitmap->CopyKeptInto(pixels, {left, top});
        block.SetImage(pixels);
    }
    StretchBlock(view, block,
                 {left * ZOOM_FACTOR, top * ZOOM_FACTOR, right * ZOOM_FACTOR, bottom * ZOOM_FACTOR}, origin);
}

void TFormMeasure::RenderZoomBack(TPoint centre)
{
    const TPoint origin = ZoomOrigin(centre);
    StretchPlainPicture(*ZoomBackImage, origin);
    // The document as the last full redraw drew it, on the view alone: the
    // canvas without a picture takes the shapes' own drawing. A ruler line
    // is drawn over the plain picture, and so it is magnified.
    TCanvas nowhere;
    MShape::SetZoomCanvas(ZoomBackImage->Canvas(), origin);
    if (Mode != MODE_RULE) {
        // Only what may reach the view, unless a drag has moved shapes since
        // the last full redraw. A pixel to spare all round.
        const TRect area{centre.x - ZOOM_RADIUS - 2, centre.y - ZOOM_RADIUS - 2, centre.x + ZOOM_RADIUS + 2,
                         centre.y + ZOOM_RADIUS + 2};
        DrawDocument(&nowhere, IsMovingShapes() ? nullptr : &area);
    }
    ZoomViewCentre = centre;
    ZoomViewValid = true;
}

void TFormMeasure::PlaceZoomView(int x, int y)
{
    if (!IsZoomShown() || ImagePaint->Width() <= 0 || ImagePaint->Height() <= 0)
        return;
    const TPoint centre = ClampZoomCentre(x, y, ImagePaint->Width(), ImagePaint->Height());
    if (!ZoomViewValid || centre != ZoomViewCentre)
        RenderZoomBack(centre);
    ZoomImage->Assign(*ZoomBackImage);
    MShape::SetZoomCanvas(ZoomImage->Canvas(), ZoomOrigin(centre));
}

void TFormMeasure::DrawZoom(int x, int y)
{
    if (!IsZoomShown())
        return;
    if (x == -1 && y == -1) {
        x = ZoomPos.x;
        y = ZoomPos.y;
    } else {
        ZoomPos = {x, y};
    }
    const int width = ImagePaint->Width();
    const int height = ImagePaint->Height();
    if (width <= 0 || height <= 0)
        return;
    TPoint distance;
    const TPoint centre = ClampZoomCentre(x, y, width, height, &distance);
    // A view still showing another block starts clean at this one.
    if (!ZoomViewValid || centre != ZoomViewCentre)
        PlaceZoomView(x, y);

    TCanvas* view = FormZoom->ViewCanvas();
    const int r = ZOOM_VIEW_RADIUS;
    view->CopyRect({0, 0, 2 * r + 1, 2 * r + 1}, *ZoomImage->Canvas(), {0, 0, 2 * r + 1, 2 * r + 1});

    view->Pen.Style = psSolid;
    view->Pen.Color = TColor(Param->GetColor(OPT_COLOR_NORMAL));
    const int half = 2 * Param->GetActiveWidth();
    const TPoint c{distance.x * ZOOM_FACTOR + r, distance.y * ZOOM_FACTOR + r};
    MTool::DrawLine(view, {c.x, std::max(c.y - half, 0)}, {c.x, std::min(c.y + half, 2 * r)});
    MTool::DrawLine(view, {std::max(c.x - half, 0), c.y}, {std::min(c.x + half, 2 * r), c.y});
}

void TFormMeasure::RestoreViewAt(int x, int y)
{
    WipeTransient();
    PlaceZoomView(x, y);
}
