#include "platform/gui/TCanvas.h"

#include "platform/gui/TBitmap.h"
#include "platform/gui/TTouchedArea.h"

#include <QLineF>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace {

// Products of two coordinate differences need 66 bits.
__extension__ typedef __int128 Int128;

constexpr QRgb kOpaque = 0xFF000000;
constexpr int kDotOn = 3;
constexpr int kDotPeriod = 6;
// Pixels per inch of the old platform's screen, for point sizes.
constexpr double kScreenDpi = 96.0;

// Direct access to the 32-bit pixels of a target, and where the writes are
// marked (null when nobody asked).
struct Raster {
    QRgb* bits = nullptr;
    qsizetype stride = 0; // pixels per row
    int width = 0;
    int height = 0;
    TTouchedArea* touched = nullptr;

    // From the canvas's prepared pixels.
    template <class WritablePixels>
    Raster(const WritablePixels& pixels, TTouchedArea* touchedArea)
        : bits(pixels.bits), stride(pixels.stride), width(pixels.width), height(pixels.height), touched(touchedArea)
    {
    }
    bool Empty() const { return bits == nullptr; }
    QRgb* At(std::int64_t x, std::int64_t y) const { return bits + y * stride + x; }
};

// Rows of a picture lie too far apart for the processor to foresee a walk
// down them; curves and steep lines ask for the row this many ahead while
// drawing one.
constexpr std::int64_t kRowsAhead = 6;

inline void PrefetchForWrite(const QRgb* pixel)
{
    __builtin_prefetch(pixel, 1);
}

// How a pen or brush pixel combines with the pixel already there.
struct CopyMix {
    QRgb color;
    explicit CopyMix(TColor c) : color(ToQRgb(c)) {}
    QRgb operator()(QRgb) const { return color; }
};
struct XorMix {
    QRgb color;
    explicit XorMix(TColor c) : color(ToQRgb(c) & ~kOpaque) {}
    QRgb operator()(QRgb d) const { return (d ^ color) | kOpaque; }
};
struct NotXorMix {
    QRgb color;
    explicit NotXorMix(TColor c) : color(ToQRgb(c) & ~kOpaque) {}
    QRgb operator()(QRgb d) const { return ~(d ^ color) | kOpaque; }
};
struct NotMix {
    explicit NotMix(TColor) {}
    QRgb operator()(QRgb d) const { return ~d | kOpaque; }
};

// Calls action with a std::type_identity of the mix for the mode, so one
// instantiation per mode keeps the pixel loops free of branches.
template <class Action>
void WithMix(TPenMode mode, Action&& action)
{
    switch (mode) {
    case pmXor:
        action(std::type_identity<XorMix>{});
        break;
    case pmNotXor:
        action(std::type_identity<NotXorMix>{});
        break;
    case pmNot:
        action(std::type_identity<NotMix>{});
        break;
    case pmCopy:
    default:
        action(std::type_identity<CopyMix>{});
        break;
    }
}

std::int64_t CeilDiv(Int128 numerator, Int128 denominator) // denominator > 0
{
    const Int128 q = numerator / denominator;
    return static_cast<std::int64_t>(q * denominator < numerator ? q + 1 : q);
}

std::int64_t FloorDiv(Int128 numerator, Int128 denominator) // denominator > 0
{
    const Int128 q = numerator / denominator;
    return static_cast<std::int64_t>(q * denominator > numerator ? q - 1 : q);
}

// Calls visit(pixel, step) for every pixel of the one-pixel line from a to b,
// b left out, that lies inside the raster; step counts from a. The range of
// visible steps is worked out first, so a line of any length costs only its
// visible part. Returns the number of steps of the whole line.
template <class Visit>
std::int64_t ForEachLinePixel(const Raster& raster, TPoint a, TPoint b, Visit&& visit)
{
    const std::int64_t dx = std::int64_t(b.x) - a.x;
    const std::int64_t dy = std::int64_t(b.y) - a.y;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const std::int64_t major = xMajor ? std::abs(dx) : std::abs(dy);
    const std::int64_t minor = xMajor ? std::abs(dy) : std::abs(dx);
    if (major == 0 || raster.Empty())
        return major;
    const int majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const std::int64_t major0 = xMajor ? a.x : a.y;
    const std::int64_t minor0 = xMajor ? a.y : a.x;
    const std::int64_t majorLimit = xMajor ? raster.width : raster.height;
    const std::int64_t minorLimit = xMajor ? raster.height : raster.width;

    // Step i lies at major0 + majorStep * i, minor0 + minorStep * k(i) with
    // k(i) = floor((2 i minor + major) / (2 major)).
    std::int64_t first = 0;
    std::int64_t last = major - 1;
    std::int64_t k = 0;
    std::int64_t remainder = major;
    const auto inside = [&](TPoint p) { return p.x >= 0 && p.x < raster.width && p.y >= 0 && p.y < raster.height; };
    // A line inside the raster, the common case, needs no clipping.
    if (!inside(a) || !inside(b)) {
        if (majorStep > 0) {
            first = std::max(first, -major0);
            last = std::min(last, majorLimit - 1 - major0);
        } else {
            first = std::max(first, major0 - (majorLimit - 1));
            last = std::min(last, major0);
        }
        std::int64_t kLow = minorStep > 0 ? -minor0 : minor0 - (minorLimit - 1);
        std::int64_t kHigh = minorStep > 0 ? minorLimit - 1 - minor0 : minor0;
        kLow = std::max<std::int64_t>(kLow, 0);
        kHigh = std::min(kHigh, minor);
        if (kLow > kHigh)
            return major;
        if (minor > 0) {
            first = std::max(first, CeilDiv(Int128(2) * major * kLow - major, Int128(2) * minor));
            last = std::min(last, CeilDiv(Int128(2) * major * (kHigh + 1) - major, Int128(2) * minor) - 1);
        }
        if (first > last)
            return major;
        const Int128 start = Int128(2) * first * minor + major;
        k = static_cast<std::int64_t>(start / (Int128(2) * major));
        remainder = static_cast<std::int64_t>(start % (Int128(2) * major));
    }
    // The pixel steps along the major axis, and across when the minor
    // coordinate moves on; the loop is written out for each kind of line, so
    // that no pixel pays for tests that hold for the whole line.
    const std::int64_t alongStep = xMajor ? majorStep : majorStep * raster.stride;
    const std::int64_t acrossStep = xMajor ? minorStep * raster.stride : minorStep;
    const auto walk = [&](auto steep, auto marked) {
        std::int64_t across = minor0 + minorStep * k;
        std::int64_t along = major0 + majorStep * first;
        QRgb* pixel = xMajor ? raster.At(along, across) : raster.At(across, along);
        for (std::int64_t i = first; i <= last; ++i) {
            // A steep line steps a row at a time; the column drifts by less
            // than a cache line until then.
            if constexpr (steep)
                if (i + kRowsAhead <= last)
                    PrefetchForWrite(pixel + kRowsAhead * alongStep);
            if constexpr (marked)
                steep ? raster.touched->AddPixel(across, along) : raster.touched->AddPixel(along, across);
            visit(pixel, i);
            pixel += alongStep;
            along += majorStep;
            remainder += 2 * minor;
            if (remainder >= 2 * major) {
                remainder -= 2 * major;
                pixel += acrossStep;
                across += minorStep;
            }
        }
    };
    if (raster.touched)
        xMajor ? walk(std::false_type{}, std::true_type{}) : walk(std::true_type{}, std::true_type{});
    else
        xMajor ? walk(std::false_type{}, std::false_type{}) : walk(std::true_type{}, std::false_type{});
    return major;
}

// Applies mix to the pixels x0..x1 (inclusive) of row y, clipped; marks
// nothing.
template <class Mix>
void PaintUnmarkedSpan(const Raster& raster, std::int64_t y, std::int64_t x0, std::int64_t x1, const Mix& mix)
{
    if (y < 0 || y >= raster.height)
        return;
    x0 = std::max<std::int64_t>(x0, 0);
    x1 = std::min<std::int64_t>(x1, raster.width - 1);
    for (QRgb* p = raster.At(x0, y), *end = p + (x1 - x0 + 1); p < end; ++p)
        *p = mix(*p);
}

// Applies mix to the pixels x0..x1 (inclusive) of row y, clipped.
template <class Mix>
void PaintSpan(const Raster& raster, std::int64_t y, std::int64_t x0, std::int64_t x1, const Mix& mix)
{
    if (raster.touched)
        raster.touched->AddSpan(y, x0, x1);
    PaintUnmarkedSpan(raster, y, x0, x1, mix);
}

// Applies mix to the half-open box, clipped.
template <class Mix>
void PaintBox(const Raster& raster, std::int64_t left, std::int64_t top, std::int64_t right,
              std::int64_t bottom, const Mix& mix)
{
    if (raster.touched)
        raster.touched->AddBox(left, top, right, bottom);
    const std::int64_t y0 = std::max<std::int64_t>(top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(bottom, raster.height);
    const std::int64_t firstColumn = std::clamp<std::int64_t>(left, 0, std::max(raster.width - 1, 0));
    for (std::int64_t y = y0; y < y1; ++y) {
        if (y + kRowsAhead < y1)
            PrefetchForWrite(raster.At(firstColumn, y + kRowsAhead));
        PaintUnmarkedSpan(raster, y, left, right - 1, mix);
    }
}

// The ellipse inscribed in a half-open box, built from one quadrant of radii
// a, b mirrored about the centre; for an even width or height the mirrored
// half is shifted one pixel, so the shape stays symmetric and reaches every
// side of the box.
struct EllipseRows {
    std::int64_t top, bottom; // half-open rows
    std::int64_t a, b;
    std::int64_t shiftX, shiftY;
    std::int64_t centreX, centreY; // centre pixel of the upper-left quadrant

    EllipseRows(std::int64_t left, std::int64_t top_, std::int64_t right, std::int64_t bottom_)
        : top(top_), bottom(bottom_), a((right - left - 1) / 2), b((bottom_ - top_ - 1) / 2),
          shiftX((right - left - 1) - 2 * a), shiftY((bottom_ - top_ - 1) - 2 * b), centreX(left + a),
          centreY(top_ + b)
    {
    }

    // Horizontal distance of the quadrant's curve from the centre at vertical
    // distance y.
    double CurveX(double y) const
    {
        if (y <= 0)
            return double(a);
        if (y >= double(b))
            return 0;
        const double t = y / double(b);
        return double(a) * std::sqrt(1.0 - t * t);
    }

    // Vertical distance of a row from the centre row of its half.
    std::int64_t DistanceOf(std::int64_t y) const { return y <= centreY ? centreY - y : y - (centreY + shiftY); }

    // The curve's distance from the centre column, rounded, at the pixel
    // edge between distances k - 1 and k.
    std::int64_t EdgeColumn(std::int64_t k) const { return std::int64_t(std::floor(CurveX(double(k) - 0.5) + 0.5)); }

    // Outline columns of a row as distances from the centre column: the
    // columns the curve passes through between the row's upper and lower
    // pixel edges.
    struct Row {
        std::int64_t near, far;
    };

    // The rows from y0 to y1 (half-open). Neighbouring rows share an edge
    // and the two halves mirror each other, so each edge is worked out once.
    class Rows {
    public:
        Rows(const EllipseRows& ellipse, std::int64_t y0, std::int64_t y1) : ellipse_(ellipse)
        {
            if (y0 >= y1)
                return;
            const std::int64_t first = ellipse.DistanceOf(y0);
            const std::int64_t last = ellipse.DistanceOf(y1 - 1);
            const bool throughCentre = y0 <= ellipse.centreY && y1 - 1 > ellipse.centreY;
            lowest_ = throughCentre ? 0 : std::min(first, last);
            const std::int64_t highest = std::max(first, last);
            edges_.reserve(std::size_t(highest + 2 - lowest_));
            for (std::int64_t k = lowest_; k <= highest + 1; ++k)
                edges_.push_back(ellipse.EdgeColumn(k));
        }
        Row At(std::int64_t y) const
        {
            const std::size_t k = std::size_t(ellipse_.DistanceOf(y) - lowest_);
            return {edges_[k + 1], edges_[k]};
        }

    private:
        const EllipseRows& ellipse_;
        std::int64_t lowest_ = 0;
        std::vector<std::int64_t> edges_;
    };
};

// Direction of a point seen from the centre of the box (doubled
// coordinates, y up), as an angle in radians.
double Direction(std::int64_t x2, std::int64_t y2, std::int64_t centreX2, std::int64_t centreY2)
{
    return std::atan2(double(centreY2 - y2), double(x2 - centreX2));
}

// The directions from an ellipse's centre that an arc covers: counter-clockwise
// on screen from the start radial to the end radial, both included. Vectors
// are doubled coordinates relative to the centre with y pointing up, and the
// test is exact, with no angle computed per pixel. A zero vector points along
// +x, as the angle of such a vector is 0.
// Int is wide enough for the products of the vectors it is given: Int
// always, std::int64_t while every component stays within kNarrowReach.
template<typename Int>
class ArcSector {
public:
    // `whole` when the two radials coincide: the whole ellipse.
    ArcSector(Int startX, Int startY, Int endX, Int endY, bool whole)
        : startX_(startX), startY_(startY), endX_(endX), endY_(endY), whole_(whole)
    {
        endHalf_ = Half(endX_, endY_);
    }

    bool Contains(Int x, Int y) const
    {
        if (whole_)
            return true;
        if (x == 0 && y == 0)
            x = 1;
        const int half = Half(x, y);
        if (half != endHalf_)
            return half < endHalf_;
        return x * endY_ - y * endX_ >= 0; // not past the end radial
    }

private:
    // 0 for the half turn from the start radial (included) up to its opposite
    // (excluded), 1 for the rest.
    int Half(Int x, Int y) const
    {
        const Int cross = startX_ * y - startY_ * x;
        return cross > 0 || (cross == 0 && startX_ * x + startY_ * y > 0) ? 0 : 1;
    }

    Int startX_, startY_, endX_, endY_;
    bool whole_;
    int endHalf_ = 0;
};

// Vector components up to this size multiply and add within 64 bits.
constexpr std::int64_t kNarrowReach = std::int64_t(1) << 30;

// The rows, first and last, that an arc of the ellipse in the half-open box
// can have pixels in, given its sector and the (doubled, y up) vectors of its
// start and end radials: all of them when the sector takes in the top or the
// bottom direction; else the height of the curve changes steadily along the
// arc and it reaches no further than the rows of its ends, give or take the
// two rows its pixels may be rounded to.
std::pair<std::int64_t, std::int64_t> ArcRows(const ArcSector<Int128>& sector, std::int64_t left, std::int64_t top,
                                              std::int64_t right, std::int64_t bottom, double fromX, double fromY,
                                              double toX, double toY)
{
    const double semiX = double(right - left - 1) / 2;
    const double semiY = double(bottom - top - 1) / 2;
    if (semiX <= 0 || semiY <= 0)
        return {top, bottom - 1};
    const double centreRow = double(top + bottom - 1) / 2;
    // The row where a radial meets the curve; a zero vector points along +x.
    const auto rowOf = [&](double x, double y) {
        if (x == 0 && y == 0)
            return centreRow;
        return centreRow - y / std::sqrt(x * x / (semiX * semiX) + y * y / (semiY * semiY));
    };
    const double fromRow = rowOf(fromX, fromY);
    const double toRow = rowOf(toX, toY);
    std::int64_t first = top;
    std::int64_t last = bottom - 1;
    if (!sector.Contains(0, 1))
        first = std::max(first, std::int64_t(std::floor(std::min(fromRow, toRow))) - 2);
    if (!sector.Contains(0, -1))
        last = std::min(last, std::int64_t(std::ceil(std::max(fromRow, toRow))) + 2);
    return {first, last};
}

// Clips the segment to the rectangle (Liang-Barsky); false when nothing is left.
bool ClipSegment(QLineF& line, const QRectF& box)
{
    double t0 = 0;
    double t1 = 1;
    const double dx = line.dx();
    const double dy = line.dy();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {line.x1() - box.left(), box.right() - line.x1(), line.y1() - box.top(),
                         box.bottom() - line.y1()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1)
        return false;
    line = QLineF(line.pointAt(t0), line.pointAt(t1));
    return true;
}

// Marks every tile a pen `width` pixels wide may paint along the segment
// (clipped to the picture first, so a segment of any length costs only what
// crosses it): boxes around points half a tile apart along it.
void MarkWideSegment(TTouchedArea* touched, const QImage& picture, QLineF line, int width)
{
    if (!touched)
        return;
    const double reach = width + 1.0;
    if (!ClipSegment(line, QRectF(-reach, -reach, picture.width() + 2 * reach, picture.height() + 2 * reach)))
        return;
    const double step = TTouchedArea::kTileSize / 2.0;
    const double length = std::max(std::abs(line.dx()), std::abs(line.dy()));
    const int steps = int(std::ceil(length / step));
    const double half = step / 2 + reach;
    for (int i = 0; i <= steps; ++i) {
        const QPointF p = steps == 0 ? line.p1() : line.pointAt(double(i) / steps);
        touched->AddBox(std::int64_t(std::floor(p.x() - half)), std::int64_t(std::floor(p.y() - half)),
                        std::int64_t(std::ceil(p.x() + half)) + 1, std::int64_t(std::ceil(p.y() + half)) + 1);
    }
}

// A painter for pens wider than one pixel.
void SetUpWidePen(QPainter& painter, const TPen& pen)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(ToQColor(pen.Color), std::max(pen.Width, 1), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    switch (pen.Mode) {
    case pmXor:
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        break;
    case pmNotXor:
        painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        break;
    case pmNot:
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        break;
    case pmCopy:
        break;
    }
}

// A box far beyond any picture is left to the pixel code: the painter's
// fixed-point coordinates do not reach that far.
bool FitsPainter(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom)
{
    constexpr std::int64_t kLimit = 1 << 22;
    return std::max({std::abs(left), std::abs(top), std::abs(right), std::abs(bottom)}) < kLimit;
}

// Calls the canvas's OnChange when a drawing operation is over, whichever
// way it ends.
class ChangeNotice {
public:
    explicit ChangeNotice(const std::function<void()>& onChange) : onChange_(onChange) {}
    ChangeNotice(const ChangeNotice&) = delete;
    ChangeNotice& operator=(const ChangeNotice&) = delete;
    ~ChangeNotice()
    {
        if (onChange_)
            onChange_();
    }

private:
    const std::function<void()>& onChange_;
};

bool IsThirtyTwoBit(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
           || format == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

int TFont::Height() const
{
    return -static_cast<int>(std::lround(Size * kScreenDpi / 72.0));
}

void TFont::SetHeight(int pixels)
{
    if (pixels != 0)
        Size = static_cast<int>(std::lround(std::abs(double(pixels)) * 72.0 / kScreenDpi));
}

QFont ToQFont(const TFont& font)
{
    QFont qfont(QString::fromStdString(font.Name));
    qfont.setPixelSize(font.Size > 0 ? std::max(1, -font.Height()) : -TFont{}.Height());
    qfont.setBold(font.Bold);
    qfont.setItalic(font.Italic);
    qfont.setUnderline(font.Underline);
    qfont.setStyleStrategy(QFont::NoAntialias);
    return qfont;
}

TCanvas::TCanvas(QImage* target) : target_(target) {}

int TCanvas::Width() const
{
    if (batchPixels_)
        return batchPixels_->width;
    return target_ ? target_->width() : 0;
}

int TCanvas::Height() const
{
    if (batchPixels_)
        return batchPixels_->height;
    return target_ ? target_->height() : 0;
}

TCanvas::Batch::Batch(TCanvas& canvas) : canvas_(canvas), outermost_(!canvas.batchPixels_)
{
    if (outermost_)
        canvas_.batchPixels_ = canvas_.PreparedPixels();
}

TCanvas::Batch::~Batch()
{
    if (outermost_)
        canvas_.batchPixels_.reset();
}

QImage* TCanvas::PreparedTarget()
{
    if (target_ == nullptr || target_->isNull())
        return nullptr;
    if (!IsThirtyTwoBit(target_->format()))
        *target_ = target_->convertToFormat(QImage::Format_RGB32);
    return target_;
}

TCanvas::WritablePixels TCanvas::PreparedPixels()
{
    if (batchPixels_)
        return *batchPixels_;
    QImage* image = PreparedTarget();
    if (image == nullptr)
        return {};
    return {image, reinterpret_cast<QRgb*>(image->bits()), image->bytesPerLine() / qsizetype(sizeof(QRgb)),
            image->width(), image->height()};
}

void TCanvas::MoveTo(int x, int y)
{
    PenPos = {x, y};
    dotPhase_ = 0;
}

void TCanvas::LineTo(int x, int y)
{
    const ChangeNotice notice(OnChange);
    const TPoint segment[] = {PenPos, {x, y}};
    StrokePath(segment, false);
    PenPos = {x, y};
}

void TCanvas::StrokePath(std::span<const TPoint> points, bool closed)
{
    if (Pen.Style == psClear || points.size() < 2)
        return;
    const WritablePixels pixels = PreparedPixels();
    QImage* image = pixels.image;
    if (image == nullptr)
        return;
    const std::size_t segments = closed ? points.size() : points.size() - 1;
    const auto end = [&](std::size_t i) { return points[(i + 1) % points.size()]; };

    if (Pen.Width > 1) {
        // Wide pens are always solid, as on the old platform.
        QPainter painter(image);
        SetUpWidePen(painter, Pen);
        const double margin = Pen.Width + 2.0;
        const QRectF box(-margin, -margin, image->width() + 2 * margin, image->height() + 2 * margin);
        for (std::size_t i = 0; i < segments; ++i) {
            QLineF line(ToQPoint(points[i]), ToQPoint(end(i)));
            if (line.p1() != line.p2() && ClipSegment(line, box)) {
                MarkWideSegment(touched_, *image, line, Pen.Width);
                painter.drawLine(line);
            }
        }
        return;
    }

    const Raster raster(pixels, touched_);
    WithMix(Pen.Mode, [&](auto tag) {
        using Mix = typename decltype(tag)::type;
        const Mix pen(Pen.Color);
        for (std::size_t i = 0; i < segments; ++i) {
            if (Pen.Style == psSolid) {
                ForEachLinePixel(raster, points[i], end(i), [&](QRgb* p, std::int64_t) { *p = pen(*p); });
                continue;
            }
            const Mix gap(Brush.Color);
            const bool opaque = Brush.Style == bsSolid;
            const std::int64_t phase = dotPhase_;
            const std::int64_t steps =
                ForEachLinePixel(raster, points[i], end(i), [&](QRgb* p, std::int64_t step) {
                    if ((phase + step) % kDotPeriod < kDotOn)
                        *p = pen(*p);
                    else if (opaque)
                        *p = gap(*p);
                });
            dotPhase_ = (phase + steps) % kDotPeriod;
        }
    });
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    const ChangeNotice notice(OnChange);
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (left == right || top == bottom)
        return;
    const WritablePixels pixels = PreparedPixels();
    QImage* image = pixels.image;
    if (image == nullptr)
        return;
    const Raster raster(pixels, touched_);
    const bool outlined = Pen.Style != psClear;
    if (Brush.Style == bsSolid) {
        const int inset = outlined ? 1 : 0;
        WithMix(Pen.Mode, [&](auto tag) {
            using Mix = typename decltype(tag)::type;
            PaintBox(raster, std::int64_t(left) + inset, std::int64_t(top) + inset, std::int64_t(right) - inset,
                     std::int64_t(bottom) - inset, Mix(Brush.Color));
        });
    }
    if (!outlined)
        return;
    const int lastX = right - 1;
    const int lastY = bottom - 1;
    if (left == lastX || top == lastY) {
        // One pixel thick: a single line, so no pixel is painted twice.
        const TPoint line[] = {{left, top}, {left == lastX ? left : right, left == lastX ? bottom : top}};
        dotPhase_ = 0;
        StrokePath(line, false);
        return;
    }
    if (Pen.Width > 1 && FitsPainter(left, top, right, bottom)) {
        QPainter painter(image);
        SetUpWidePen(painter, Pen);
        const QPointF corners[] = {QPointF(left, top), QPointF(lastX, top), QPointF(lastX, lastY),
                                   QPointF(left, lastY)};
        for (int i = 0; i < 4; ++i)
            MarkWideSegment(touched_, *image, QLineF(corners[i], corners[(i + 1) % 4]), Pen.Width);
        painter.drawRect(QRect(left, top, lastX - left, lastY - top));
        return;
    }
    const TPoint corners[] = {{left, top}, {lastX, top}, {lastX, lastY}, {left, lastY}};
    dotPhase_ = 0;
    StrokePath(corners, true);
}

void TCanvas::FrameRect(const TRect& rect)
{
    const ChangeNotice notice(OnChange);
    if (Brush.Style == bsClear || rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    const WritablePixels pixels = PreparedPixels();
    if (pixels.image == nullptr)
        return;
    const Raster raster(pixels, touched_);
    const CopyMix brush(Brush.Color);
    const std::int64_t l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    PaintBox(raster, l, t, r, t + 1, brush);
    if (b - t > 1)
        PaintBox(raster, l, b - 1, r, b, brush);
    PaintBox(raster, l, t + 1, l + 1, b - 1, brush);
    if (r - l > 1)
        PaintBox(raster, r - 1, t + 1, r, b - 1, brush);
}

void TCanvas::FillRect(const TRect& rect)
{
    const ChangeNotice notice(OnChange);
    if (Brush.Style == bsClear)
        return;
    const WritablePixels pixels = PreparedPixels();
    if (pixels.image == nullptr)
        return;
    PaintBox(Raster(pixels, touched_), rect.left, rect.top, rect.right, rect.bottom, CopyMix(Brush.Color));
}

void TCanvas::Ellipse(int left, int top, int right, int bottom)
{
    const ChangeNotice notice(OnChange);
    DrawEllipseShape(left, top, right, bottom, true, std::nullopt);
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const ChangeNotice notice(OnChange);
    DrawEllipseShape(x1, y1, x2, y2, false, std::pair{TPoint{x3, y3}, TPoint{x4, y4}});
}

void TCanvas::DrawEllipseShape(int left, int top, int right, int bottom, bool filled,
                               std::optional<std::pair<TPoint, TPoint>> arcRadials)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    const bool outlined = Pen.Style != psClear;
    const bool brushed = filled && Brush.Style == bsSolid;
    if (left == right || top == bottom || (!outlined && !brushed))
        return;
    const WritablePixels pixels = PreparedPixels();
    QImage* image = pixels.image;
    if (image == nullptr)
        return;
    const Raster raster(pixels, touched_);
    const EllipseRows rows(left, top, right, bottom);
    const bool wide = outlined && Pen.Width > 1 && FitsPainter(left, top, right, bottom);

    // The arc's sweep, counter-clockwise on screen, in doubled coordinates so
    // the centre of an even-sized box stays an integer.
    const std::int64_t centreX2 = std::int64_t(left) + right - 1;
    const std::int64_t centreY2 = std::int64_t(top) + bottom - 1;
    double startAngle = 0;
    double sweep = 2 * std::numbers::pi;
    std::optional<ArcSector<Int128>> sector;
    // The same test in 64 bits, when every vector it meets is short enough:
    // the radials and the pixels of the box's part on the picture.
    std::optional<ArcSector<std::int64_t>> narrowSector;
    // The rows the outline is worked out for; an arc's may be fewer.
    std::int64_t firstRow = std::max<std::int64_t>(top, 0);
    std::int64_t endRow = std::min<std::int64_t>(bottom, raster.height);
    if (arcRadials) {
        const auto [from, to] = *arcRadials;
        const Int128 fx = Int128(2) * from.x - centreX2, fy = centreY2 - Int128(2) * from.y;
        const Int128 tx = Int128(2) * to.x - centreX2, ty = centreY2 - Int128(2) * to.y;
        const bool sameRadial = fx * ty - fy * tx == 0 && fx * tx + fy * ty >= 0;
        sector.emplace(fx, fy, tx, ty, sameRadial);
        if (!sameRadial) {
            const auto [first, last] =
                ArcRows(*sector, left, top, right, bottom, double(fx), double(fy), double(tx), double(ty));
            firstRow = std::max(firstRow, first);
            endRow = std::min(endRow, last + 1);
        }
        const auto narrow = [](Int128 component) { return component < kNarrowReach && -component < kNarrowReach; };
        const std::int64_t x0 = std::max<std::int64_t>(left, 0), x1 = std::min<std::int64_t>(right, raster.width);
        const std::int64_t y0 = std::max<std::int64_t>(top, 0), y1 = std::min<std::int64_t>(bottom, raster.height);
        if (narrow(fx) && narrow(fy) && narrow(tx) && narrow(ty) && narrow(Int128(2) * x0 - centreX2) &&
            narrow(Int128(2) * x1 - centreX2) && narrow(centreY2 - Int128(2) * y0) &&
            narrow(centreY2 - Int128(2) * y1))
            narrowSector.emplace(std::int64_t(fx), std::int64_t(fy), std::int64_t(tx), std::int64_t(ty), sameRadial);
        // The wide pen's painter takes the sweep as angles.
        startAngle = Direction(2 * std::int64_t(from.x), 2 * std::int64_t(from.y), centreX2, centreY2);
        if (!sameRadial) {
            const double endAngle = Direction(2 * std::int64_t(to.x), 2 * std::int64_t(to.y), centreX2, centreY2);
            sweep = std::remainder(endAngle - startAngle, 2 * std::numbers::pi);
            if (sweep <= 0)
                sweep += 2 * std::numbers::pi;
        }
    }
    const auto onArc = [&](std::int64_t x, std::int64_t y) {
        if (narrowSector)
            return narrowSector->Contains(2 * x - centreX2, centreY2 - 2 * y);
        return sector->Contains(Int128(2) * x - centreX2, centreY2 - Int128(2) * y);
    };

    WithMix(Pen.Mode, [&](auto tag) {
        using Mix = typename decltype(tag)::type;
        const Mix pen(Pen.Color);
        const Mix brush(Brush.Color);
        const std::int64_t y0 = firstRow;
        const std::int64_t y1 = endRow;
        // On curves the dot pattern follows the direction from the centre,
        // about one step per pixel along the curve.
        const double pixelsPerRadian = double(rows.a + rows.b + 1) / 2;
        const auto dotOn = [&](std::int64_t x, std::int64_t y) {
            double angle = Direction(2 * x, 2 * y, centreX2, centreY2);
            if (angle < 0)
                angle += 2 * std::numbers::pi;
            return std::int64_t(angle * pixelsPerRadian) % kDotPeriod < kDotOn;
        };
        // The common case, a solid outline of the whole ellipse, paints runs.
        const bool solidWhole = Pen.Style == psSolid && !arcRadials;
        // Inlined: it runs twice a row, and a call would cost more than the
        // few pixels it paints.
        const auto outline = [&](std::int64_t y, std::int64_t x0, std::int64_t x1) __attribute__((always_inline)) {
            if (!outlined || wide) {
                if (brushed)
                    PaintSpan(raster, y, x0, x1, brush);
                return;
            }
            x0 = std::max<std::int64_t>(x0, 0);
            x1 = std::min<std::int64_t>(x1, raster.width - 1);
            if (raster.touched)
                raster.touched->AddSpan(y, x0, x1);
            if (solidWhole) {
                for (QRgb* p = raster.At(x0, y), *last = raster.At(x1, y); p <= last; ++p)
                    *p = pen(*p);
                return;
            }
            for (std::int64_t x = x0; x <= x1; ++x) {
                if (arcRadials && !onArc(x, y))
                    continue;
                QRgb* p = raster.At(x, y);
                if (Pen.Style == psSolid || dotOn(x, y))
                    *p = pen(*p);
                else if (Brush.Style == bsSolid)
                    *p = brush(*p);
            }
        };
        const EllipseRows::Rows visible(rows, y0, y1);
        const std::int64_t rightCentre = rows.centreX + rows.shiftX;
        const std::int64_t leftmost = std::clamp<std::int64_t>(rows.centreX - rows.a, 0, raster.width - 1);
        const std::int64_t rightmost = std::clamp<std::int64_t>(rightCentre + rows.a, 0, raster.width - 1);
        for (std::int64_t y = y0; y < y1; ++y) {
            const auto [near, far] = visible.At(y);
            if (y + kRowsAhead < y1) {
                const std::int64_t ahead = y + kRowsAhead;
                const auto [aheadNear, aheadFar] = visible.At(ahead);
                PrefetchForWrite(raster.At(std::clamp(rows.centreX - aheadFar, leftmost, rightmost), ahead));
                PrefetchForWrite(raster.At(std::clamp(rightCentre + aheadFar, leftmost, rightmost), ahead));
            }
            if (brushed && near > 0)
                PaintSpan(raster, y, rows.centreX - near + 1, rightCentre + near - 1, brush);
            if (rows.shiftX == 0 && near == 0) {
                outline(y, rows.centreX - far, rows.centreX + far);
            } else {
                outline(y, rows.centreX - far, rows.centreX - near);
                outline(y, rightCentre + near, rightCentre + far);
            }
        }
    });

    if (wide) {
        if (touched_) {
            // The wide pen reaches beyond the one-pixel outline, also from
            // rows just off the picture; an arc is marked as its whole ellipse.
            const std::int64_t reach = Pen.Width + 1;
            const std::int64_t from = std::max<std::int64_t>(top, -reach);
            const std::int64_t to = std::min<std::int64_t>(bottom, std::int64_t(raster.height) + reach);
            const EllipseRows::Rows around(rows, from, to);
            for (std::int64_t y = from; y < to; ++y) {
                const auto [near, far] = around.At(y);
                const std::int64_t rightCentre = rows.centreX + rows.shiftX;
                touched_->AddBox(rows.centreX - far - reach, y - reach, rows.centreX - near + reach + 1, y + reach + 1);
                touched_->AddBox(rightCentre + near - reach, y - reach, rightCentre + far + reach + 1, y + reach + 1);
            }
        }
        QPainter painter(image);
        SetUpWidePen(painter, Pen);
        const QRectF box(left, top, right - left - 1, bottom - top - 1);
        if (!arcRadials || sweep >= 2 * std::numbers::pi) {
            painter.drawEllipse(box);
            return;
        }
        // The painter counts angles on the circle the ellipse is squeezed
        // from; turn the directions from the centre into those.
        const double ax = std::max(box.width(), 1.0), by = std::max(box.height(), 1.0);
        const auto parametric = [&](double angle) {
            return std::atan2(ax * std::sin(angle), by * std::cos(angle)) * 180.0 / std::numbers::pi;
        };
        const double start = parametric(startAngle);
        double span = parametric(startAngle + sweep) - start;
        if (span <= 0)
            span += 360.0;
        painter.drawArc(box, int(std::lround(start * 16)), int(std::lround(span * 16)));
    }
}

void TCanvas::Polygon(std::span<const TPoint> points)
{
    const ChangeNotice notice(OnChange);
    if (points.size() < 2)
        return;
    const WritablePixels pixels = PreparedPixels();
    if (pixels.image == nullptr)
        return;
    if (Brush.Style == bsSolid && points.size() >= 3) {
        const Raster raster(pixels, touched_);
        const auto [minY, maxY] = std::minmax_element(points.begin(), points.end(),
                                                      [](TPoint p, TPoint q) { return p.y < q.y; });
        const std::int64_t y0 = std::max<std::int64_t>(minY->y, 0);
        const std::int64_t y1 = std::min<std::int64_t>(maxY->y, raster.height - 1);
        // A row crosses each edge at most once. Arrowheads, the common case,
        // need no heap.
        constexpr std::size_t kSmall = 8;
        std::array<double, kSmall> smallCrossings;
        std::vector<double> largeCrossings(points.size() > kSmall ? points.size() : 0);
        const std::span<double> buffer = points.size() > kSmall ? std::span<double>(largeCrossings)
                                                                : std::span<double>(smallCrossings);
        WithMix(Pen.Mode, [&](auto tag) {
            using Mix = typename decltype(tag)::type;
            const Mix brush(Brush.Color);
            for (std::int64_t y = y0; y <= y1; ++y) {
                // Even-odd rule at pixel centres, which lie on the integer
                // coordinates as for lines; an edge owns its upper end, not
                // its lower one, and a span its left end, not its right one.
                std::size_t count = 0;
                TPoint p = points.back();
                for (const TPoint q : points) {
                    if (y >= std::min(p.y, q.y) && y < std::max(p.y, q.y))
                        buffer[count++] = p.x + double(y - p.y) * (double(q.x) - p.x) / (double(q.y) - p.y);
                    p = q;
                }
                const std::span<double> crossings = buffer.first(count);
                // Two crossings, an arrowhead's every row, need no sort.
                if (count == 2) {
                    if (crossings[1] < crossings[0])
                        std::swap(crossings[0], crossings[1]);
                } else {
                    std::sort(crossings.begin(), crossings.end());
                }
                for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
                    const double from = std::clamp(crossings[i], -1.0, raster.width + 1.0);
                    const double to = std::clamp(crossings[i + 1], -1.0, raster.width + 1.0);
                    PaintSpan(raster, y, std::int64_t(std::ceil(from)), std::int64_t(std::ceil(to)) - 1, brush);
                }
            }
        });
    }
    dotPhase_ = 0;
    StrokePath(points, true);
}

void TCanvas::Polyline(std::span<const TPoint> points)
{
    const ChangeNotice notice(OnChange);
    dotPhase_ = 0;
    StrokePath(points, false);
}

// Shaping a text is by far the dearest step of drawing it, and a redraw
// writes the same labels and names again and again. So each (font, text)
// pair is shaped and rasterized once, and TextOut only paints the pixels it
// covers in the font colour. Text is drawn without antialiasing, so the
// coverage is all or nothing and painting it gives exactly the pixels
// QPainter would have drawn. The covered pixels are kept as a bit mask of
// the rows they cover, painted run by run of set bits: a label covers a
// small part of its cell, and painting the runs costs only the pixels that
// change.
struct TCanvas::TextRun {
    int width = 0;  // advance of the text
    int height = 0; // height of the font's cell
    // The covered pixels as bits, one row of `words` 64-bit words after the
    // other, from row firstRow to lastRow and column `left` on, relative to
    // the cell's top left corner (glyphs may overhang the cell). A bit a
    // pixel keeps the thousands of labels of a large document small.
    int firstRow = 0;
    int lastRow = -1;
    int left = 0;
    int right = -1; // the last covered column
    int words = 0;
    std::vector<std::uint64_t> bits;
};

// The runs of one font, by text.
struct TCanvas::TextRuns {
    std::unordered_map<std::string, std::shared_ptr<const TextRun>> byText;
};

// Every canvas shares the runs; each canvas keeps a pointer to those of its
// current font, so drawing a text costs one lookup by the text alone.
struct TCanvas::TextRunCache {
    // Bounded so that a long session drawing ever new texts cannot grow it
    // without limit; when full it starts afresh, which costs one reshaping
    // per text. Texts drawn from a slot keep their runs in the slot, so a
    // document with more labels than this is not shaped again at each
    // redraw.
    static constexpr std::size_t kMaxRuns = 8192;

    std::unordered_map<std::string, std::unique_ptr<TextRuns>> byFont;
    std::size_t count = 0;
};

TCanvas::TextRunCache& TCanvas::SharedTextRuns()
{
    static TextRunCache cache;
    return cache;
}

const QFontMetrics& TCanvas::Metrics() const
{
    // The colour is not part of the Qt font; changing it alone keeps the cache.
    const auto sameShape = [](const TFont& a, const TFont& b) {
        return a.Name == b.Name && a.Size == b.Size && a.Bold == b.Bold && a.Italic == b.Italic
               && a.Underline == b.Underline;
    };
    if (!metrics_ || !sameShape(*cachedFont_, Font)) {
        qfont_ = ToQFont(Font);
        metrics_.emplace(qfont_);
        cachedFont_ = Font;
        std::unique_ptr<TextRuns>& runs = SharedTextRuns().byFont[qfont_.key().toStdString()];
        if (!runs)
            runs = std::make_unique<TextRuns>();
        runs_ = runs.get();
    }
    return *metrics_;
}

const TCanvas::TextRun& TCanvas::Run(const std::string& text) const
{
    return *SharedRun(text);
}

const std::shared_ptr<const TCanvas::TextRun>& TCanvas::SharedRun(const std::string& text) const
{
    const QFontMetrics& metrics = Metrics();
    if (const auto found = runs_->byText.find(text); found != runs_->byText.end())
        return found->second;
    TextRunCache& cache = SharedTextRuns();
    if (cache.count >= TextRunCache::kMaxRuns) {
        // The per-font tables stay, so every canvas's pointer stays good.
        for (auto& [font, runs] : cache.byFont)
            runs->byText.clear();
        cache.count = 0;
    }

    TextRun run;
    const QString string = QString::fromStdString(text);
    run.width = metrics.horizontalAdvance(string);
    run.height = metrics.height();
    // Glyphs may reach a little beyond their cell (italics, accents).
    const int reach = run.height;
    if (!string.isEmpty() && run.width + 2 * reach > 0) {
        QImage mask(run.width + 2 * reach, run.height + 2 * reach, QImage::Format_Alpha8);
        mask.fill(0);
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(qfont_);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(reach, reach + metrics.ascent()), string);
        painter.end();
        // The box around the covered pixels, then their bits.
        int top = mask.height(), bottom = -1, left = mask.width(), right = -1;
        for (int row = 0; row < mask.height(); ++row) {
            const uchar* coverage = mask.constScanLine(row);
            for (int column = 0; column < mask.width(); ++column) {
                if (coverage[column] >= 128) {
                    top = std::min(top, row);
                    bottom = std::max(bottom, row);
                    left = std::min(left, column);
                    right = std::max(right, column);
                }
            }
        }
        if (bottom >= 0) {
            run.firstRow = top - reach;
            run.lastRow = bottom - reach;
            run.left = left - reach;
            run.right = right - reach;
            run.words = (right - left + 64) / 64;
            run.bits.assign(std::size_t(bottom - top + 1) * std::size_t(run.words), 0);
            for (int row = top; row <= bottom; ++row) {
                const uchar* coverage = mask.constScanLine(row);
                std::uint64_t* words = &run.bits[std::size_t(row - top) * std::size_t(run.words)];
                for (int column = left; column <= right; ++column)
                    if (coverage[column] >= 128)
                        words[(column - left) / 64] |= std::uint64_t(1) << ((column - left) % 64);
            }
        }
    }
    ++cache.count;
    return runs_->byText.emplace(text, std::make_shared<const TextRun>(std::move(run))).first->second;
}

const TCanvas::TextRun& TCanvas::Run(const std::string& text, TTextSlot& slot) const
{
    Metrics();
    if (slot.run && slot.runs == runs_ && slot.text == text)
        return *static_cast<const TextRun*>(slot.run.get());
    slot.run = SharedRun(text);
    slot.text = text;
    slot.runs = runs_;
    return *static_cast<const TextRun*>(slot.run.get());
}

TSize TCanvas::TextExtent(const std::string& text) const
{
    const TextRun& run = Run(text);
    return {run.width, run.height};
}

TSize TCanvas::TextExtent(const std::string& text, TTextSlot& slot) const
{
    const TextRun& run = Run(text, slot);
    return {run.width, run.height};
}

void TCanvas::TextOut(int x, int y, const std::string& text)
{
    const ChangeNotice notice(OnChange);
    if (const WritablePixels pixels = PreparedPixels(); pixels.image != nullptr)
        PaintText(pixels, x, y, Run(text));
}

void TCanvas::TextOut(int x, int y, const std::string& text, TTextSlot& slot)
{
    const ChangeNotice notice(OnChange);
    if (const WritablePixels pixels = PreparedPixels(); pixels.image != nullptr)
        PaintText(pixels, x, y, Run(text, slot));
}

void TCanvas::PaintText(const WritablePixels& pixels, int x, int y, const TextRun& run)
{
    const Raster raster(pixels, touched_);
    if (Brush.Style == bsSolid)
        PaintBox(raster, x, y, std::int64_t(x) + run.width, std::int64_t(y) + run.height, CopyMix(Brush.Color));
    const QRgb color = ToQRgb(Font.Color);
    // The box around the text's pixels: a text is too small for the tiles
    // within that it leaves out to matter, and one mark is cheaper than one
    // a span.
    if (raster.touched)
        raster.touched->AddBox(std::int64_t(x) + run.left, std::int64_t(y) + run.firstRow,
                               std::int64_t(x) + run.right + 1, std::int64_t(y) + run.lastRow + 1);
    const std::int64_t firstRow = std::max<std::int64_t>(std::int64_t(y) + run.firstRow, 0);
    const std::int64_t lastRow = std::min<std::int64_t>(std::int64_t(y) + run.lastRow, raster.height - 1);
    // A label's few rows are asked for at once, each at both ends.
    const std::int64_t textLeft = std::int64_t(x) + run.left;
    const std::int64_t textRight = textLeft + 64 * std::int64_t(run.words) - 1;
    const auto onPicture = [&](std::int64_t column) { return std::clamp<std::int64_t>(column, 0, raster.width - 1); };
    for (std::int64_t row = firstRow; row <= lastRow; ++row) {
        PrefetchForWrite(raster.At(onPicture(textLeft), row));
        PrefetchForWrite(raster.At(onPicture(textRight), row));
    }
    // A text wholly inside the picture's width, the common case, needs no
    // clipping of its spans.
    const bool across = textLeft >= 0 && std::int64_t(x) + run.right < raster.width;
    for (std::int64_t row = firstRow; row <= lastRow; ++row) {
        const std::uint64_t* words = &run.bits[std::size_t(row - y - run.firstRow) * std::size_t(run.words)];
        for (int word = 0; word < run.words; ++word) {
            std::uint64_t covered = words[word];
            const std::int64_t base = textLeft + 64 * std::int64_t(word);
            if (across) {
                // Glyph strokes at label sizes are a pixel or two wide:
                // pixel by pixel costs less than span by span.
                QRgb* pixel = raster.At(base, row);
                for (; covered != 0; covered &= covered - 1)
                    pixel[std::countr_zero(covered)] = color;
                continue;
            }
            while (covered != 0) {
                const int start = std::countr_zero(covered);
                const int length = std::countr_one(covered >> start);
                const std::int64_t from = std::max<std::int64_t>(base + start, 0);
                const std::int64_t to = std::min<std::int64_t>(base + start + length, raster.width);
                if (from < to)
                    std::fill(raster.At(from, row), raster.At(from, row) + (to - from), color);
                if (start + length >= 64)
                    break;
                covered &= ~((std::uint64_t(1) << (start + length)) - 1);
            }
        }
    }
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap)
{
    const ChangeNotice notice(OnChange);
    // A picture whose far edge lies beyond the int range starts beyond any target.
    if (std::int64_t(x) + bitmap.Width() > INT_MAX || std::int64_t(y) + bitmap.Height() > INT_MAX)
        return;
    Blit({x, y, x + bitmap.Width(), y + bitmap.Height()}, &bitmap.Image(), {0, 0, bitmap.Width(), bitmap.Height()});
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap)
{
    const ChangeNotice notice(OnChange);
    Blit(dest, &bitmap.Image(), {0, 0, bitmap.Width(), bitmap.Height()});
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& src)
{
    const ChangeNotice notice(OnChange);
    Blit(dest, source.PreparedTarget(), src);
}

void TCanvas::Blit(const TRect& dest, const QImage* source, const TRect& src)
{
    const WritablePixels pixels = PreparedPixels();
    QImage* image = pixels.image;
    if (image == nullptr)
        return;
    const Raster raster(pixels, touched_);
    std::int64_t dl = dest.left, dr = dest.right, dt = dest.top, db = dest.bottom;
    std::int64_t sl = src.left, sr = src.right, st = src.top, sb = src.bottom;
    // Opposite directions of target and source mirror the picture.
    const bool mirrorX = (dr < dl) != (sr < sl);
    const bool mirrorY = (db < dt) != (sb < st);
    if (dr < dl)
        std::swap(dl, dr);
    if (sr < sl)
        std::swap(sl, sr);
    if (db < dt)
        std::swap(dt, db);
    if (sb < st)
        std::swap(st, sb);
    const std::int64_t x0 = std::max<std::int64_t>(dl, 0), x1 = std::min<std::int64_t>(dr, raster.width);
    const std::int64_t y0 = std::max<std::int64_t>(dt, 0), y1 = std::min<std::int64_t>(db, raster.height);
    if (x0 >= x1 || y0 >= y1)
        return;
    if (raster.touched)
        raster.touched->AddBox(x0, y0, x1, y1);

    switch (CopyMode) {
    case cmWhiteness:
        PaintBox(raster, x0, y0, x1, y1, CopyMix(clWhite));
        return;
    case cmBlackness:
        PaintBox(raster, x0, y0, x1, y1, CopyMix(clBlack));
        return;
    case cmDstInvert:
        PaintBox(raster, x0, y0, x1, y1, NotMix(clBlack));
        return;
    default:
        break;
    }
    if (source == nullptr || source->isNull() || sr == sl || sb == st)
        return;

    // Each target pixel takes the source pixel under its centre.
    const std::int64_t dw = dr - dl, dh = db - dt, sw = sr - sl, sh = sb - st;
    const auto sourceIndex = [](std::int64_t i, std::int64_t targetLength, std::int64_t sourceLength, bool mirror) {
        const std::int64_t j = FloorDiv((Int128(2) * i + 1) * sourceLength, Int128(2) * targetLength);
        return mirror ? sourceLength - 1 - j : j;
    };
    std::vector<std::int64_t> columns(std::size_t(x1 - x0));
    std::int64_t usedLeft = INT64_MAX, usedRight = -1;
    for (std::int64_t x = x0; x < x1; ++x) {
        std::int64_t sx = sl + sourceIndex(x - dl, dw, sw, mirrorX);
        if (sx < 0 || sx >= source->width())
            sx = -1;
        else
            usedLeft = std::min(usedLeft, sx), usedRight = std::max(usedRight, sx);
        columns[std::size_t(x - x0)] = sx;
    }
    if (usedRight < 0)
        return;

    // Reading from the picture being written needs a copy of what is read.
    QImage copy;
    // Where `from` starts in the source picture.
    std::int64_t copyLeft = 0, copyTop = 0;
    const QImage* from = source;
    if (!IsThirtyTwoBit(from->format())) {
        copy = from->convertToFormat(QImage::Format_RGB32);
        from = &copy;
    } else if (from->constBits() == image->constBits()) {
        const std::int64_t top = std::max<std::int64_t>(st, 0);
        const std::int64_t bottom = std::min<std::int64_t>(sb, from->height());
        if (top >= bottom)
            return;
        copyLeft = usedLeft;
        copyTop = top;
        copy = from->copy(QRect(int(usedLeft), int(top), int(usedRight - usedLeft + 1), int(bottom - top)));
        from = &copy;
    }

    const auto forEachRow = [&](auto&& copyRow) {
        for (std::int64_t y = y0; y < y1; ++y) {
            const std::int64_t sy = st + sourceIndex(y - dt, dh, sh, mirrorY);
            if (sy < copyTop || sy >= copyTop + from->height())
                continue;
            copyRow(reinterpret_cast<const QRgb*>(from->constScanLine(int(sy - copyTop))), raster.At(0, y));
        }
    };
    const auto mixRows = [&](auto op) {
        forEachRow([&](const QRgb* in, QRgb* out) {
            for (std::int64_t x = x0; x < x1; ++x) {
                const std::int64_t sx = columns[std::size_t(x - x0)];
                if (sx >= 0)
                    out[x] = op(in[sx - copyLeft], out[x]) | kOpaque;
            }
        });
    };
    switch (CopyMode) {
    case cmNotSrcCopy:
        mixRows([](QRgb s, QRgb) { return ~s; });
        break;
    case cmSrcAnd:
        mixRows([](QRgb s, QRgb d) { return s & d; });
        break;
    case cmSrcInvert:
        mixRows([](QRgb s, QRgb d) { return s ^ d; });
        break;
    case cmSrcPaint:
        mixRows([](QRgb s, QRgb d) { return s | d; });
        break;
    default:
        if (dw == sw && !mirrorX) {
            // One to one: the visible columns are one run, copied whole.
            const auto firstUsed = std::find_if(columns.begin(), columns.end(), [](auto sx) { return sx >= 0; });
            const std::int64_t first = x0 + (firstUsed - columns.begin());
            const std::int64_t count = usedRight - usedLeft + 1;
            forEachRow([&](const QRgb* in, QRgb* out) {
                std::memcpy(out + first, in + (usedLeft - copyLeft), std::size_t(count) * sizeof(QRgb));
            });
        } else {
            mixRows([](QRgb s, QRgb) { return s; });
        }
        break;
    }
}

TColor TCanvas::Pixels(int x, int y) const
{
    if (target_ == nullptr || !target_->valid(x, y))
        return clInvalid;
    return FromQRgb(target_->pixel(x, y));
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    const ChangeNotice notice(OnChange);
    if (target_ == nullptr || !target_->valid(x, y))
        return;
    const WritablePixels pixels = PreparedPixels();
    if (touched_)
        touched_->AddPixel(x, y);
    Raster(pixels, touched_).At(x, y)[0] = ToQRgb(color);
}
