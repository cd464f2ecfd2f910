// The toolbox's integer-pixel geometry. Every operation is a pure function;
// none allocates or touches a canvas, since they run in every hit test.

#include "shapes/MTool.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

// Products of coordinates (cross terms, squared norms, the constant term of a
// line, and their products with further coordinates) need up to about 100
// bits for int inputs. Forming them in 128 bits keeps them exact for every
// int coordinate, so the results equal those of plain int arithmetic wherever
// that did not overflow, and nothing is undefined where it would have.
__extension__ typedef __int128 Wide;

double ToDouble(Wide value) { return static_cast<double>(value); }

// Integer halving: division by 2 towards zero (-3 halved is -1).
std::int64_t Halve(std::int64_t value) { return value / 2; }

// Sums and differences of ints are formed in 64 bits and brought back
// through the saturating conversion.
int Saturate(std::int64_t value) { return MTool::TruncToInt(static_cast<double>(value)); }

double SquaredDistance(TPoint a, TPoint b)
{
    const Wide dx = Wide(a.x) - b.x;
    const Wide dy = Wide(a.y) - b.y;
    return ToDouble(dx * dx + dy * dy);
}

// The line through a and b as A x + B y + C = 0.
struct LineCoefficients {
    Wide A;
    Wide B;
    Wide C;
};

LineCoefficients LineThrough(TPoint a, TPoint b)
{
    return {Wide(b.y) - a.y, Wide(a.x) - b.x, Wide(b.x) * a.y - Wide(a.x) * b.y};
}

// |A p.x + B p.y + C| / sqrt(A² + B²) for a line of nonzero length.
double LineDistance(const LineCoefficients& line, TPoint p)
{
    const Wide value = line.A * p.x + line.B * p.y + line.C;
    return std::fabs(ToDouble(value)) / std::sqrt(ToDouble(line.A * line.A + line.B * line.B));
}

// The circle of a rectangle as snapping and mapping see it: rounded centre,
// radius from the height.
struct RectCircle {
    TRect bounds; // normalized
    TPoint centre;
    double radius;
};

RectCircle CircleOfRect(const TRect& rect)
{
    const TRect r = MTool::NormalizeRect(rect);
    const TPoint centre{MTool::RoundToInt((double(r.left) + r.right) * 0.5),
                        MTool::RoundToInt((double(r.top) + r.bottom) * 0.5)};
    return {r, centre, std::fabs(double(r.bottom) - r.top) * 0.5};
}

// The acute angle between the directions a-b and c-d, 0 to 90 degrees.
double AcuteAngle(TPoint a, TPoint b, TPoint c, TPoint d)
{
    double e = std::fabs(MTool::VectorAngle(a, b) - MTool::VectorAngle(c, d));
    e = std::min(e, 360.0 - e);
    return std::min(e, 180.0 - e);
}

bool BothHaveLength(TPoint a, TPoint b, TPoint c, TPoint d)
{
    return MTool::Distance(a, b) > 0 && MTool::Distance(c, d) > 0;
}

} // namespace

// ---- Numbers ----

double MTool::RadToDeg(double radians) { return radians * (1.0 / std::numbers::pi) * 180.0; }

double MTool::ReverseAngle(double degrees)
{
    const double reversed = 360.0 - degrees;
    return reversed == 360.0 ? 0.0 : reversed;
}

int MTool::AbsInt(int value) { return Saturate(std::abs(std::int64_t(value))); }

// ---- Distances and pick tests ----

double MTool::Distance(TPoint a, TPoint b) { return std::sqrt(SquaredDistance(a, b)); }

bool MTool::NearPoint(TPoint a, TPoint b, int tolerance)
{
    return std::abs(std::int64_t(a.x) - b.x) <= tolerance
           && std::abs(std::int64_t(a.y) - b.y) <= tolerance;
}

bool MTool::NearSegment(TPoint a, TPoint b, TPoint p, int tolerance)
{
    const double toA = SquaredDistance(p, a);
    const double toB = SquaredDistance(p, b);
    const double length = SquaredDistance(a, b);
    const double t = tolerance;
    if (toA + toB > length + 2.0 * t * t) // p lies beyond one of the ends
        return std::sqrt(std::min(toA, toB)) <= t;
    if (length == 0)
        return std::sqrt(toA) <= t;
    return LineDistance(LineThrough(a, b), p) <= t;
}

bool MTool::NearCircle(TPoint p, const TRect& rect, int tolerance)
{
    const TPoint centre{int(Halve(std::int64_t(rect.left) + rect.right)),
                        int(Halve(std::int64_t(rect.top) + rect.bottom))};
    const std::int64_t radius = Halve(std::abs(std::int64_t(rect.left) - rect.right));
    const std::int64_t d = TruncToInt(Distance(p, centre));
    return std::abs(d - radius) <= tolerance;
}

bool MTool::NearEllipse(TPoint p, const TRect& rect, int tolerance)
{
    const double ra = std::fabs(double(rect.left) - rect.right) * 0.5;
    const double rb = std::fabs(double(rect.top) - rect.bottom) * 0.5;
    const TPoint centre{int(Halve(std::int64_t(rect.left) + rect.right)),
                        int(Halve(std::int64_t(rect.top) + rect.bottom))};
    TPoint d{Saturate(std::int64_t(p.x) - centre.x), Saturate(std::int64_t(p.y) - centre.y)};
    if (d.x == 0)
        d.x = 1;
    if (d.y == 0)
        d.y = 1;
    if (ra == 0 && rb == 0)
        return Distance(p, centre) <= tolerance;
    // The two points where the line through the centre and p meets the
    // ellipse, relative to the centre.
    const double k = ra * rb / std::sqrt(ra * ra * (double(d.y) * d.y) + rb * rb * (double(d.x) * d.x));
    const TPoint q1{TruncToInt(d.x * k), TruncToInt(d.y * k)};
    const TPoint q2{Saturate(-std::int64_t(q1.x)), Saturate(-std::int64_t(q1.y))};
    return Distance(q1, d) <= tolerance || Distance(q2, d) <= tolerance;
}

double MTool::PointLineDistance(TPoint a, TPoint b, TPoint p)
{
    const LineCoefficients line = LineThrough(a, b);
    if (line.A * line.A + line.B * line.B == 0)
        return Distance(a, p);
    return LineDistance(line, p);
}

int MTool::CompareDistance(TPoint a, TPoint b, double length)
{
    const double halfPixels = length * 2;
    if (std::fabs(halfPixels) < 0x1p62 && halfPixels == std::trunc(halfPixels)) {
        // 4 |ab|² against (2 length)², both exact integers.
        const Wide dx = Wide(a.x) - b.x;
        const Wide dy = Wide(a.y) - b.y;
        const Wide lhs = 4 * (dx * dx + dy * dy);
        const Wide twice = Wide(static_cast<std::int64_t>(halfPixels));
        const Wide rhs = length < 0 ? -1 : twice * twice;
        return lhs < rhs ? -1 : (lhs > rhs ? 1 : 0);
    }
    const double d = Distance(a, b);
    return d < length ? -1 : (d > length ? 1 : 0);
}

bool MTool::PointInRect(TPoint p, const TRect& rect)
{
    return rect.left <= p.x && p.x <= rect.right && rect.top <= p.y && p.y <= rect.bottom;
}

bool MTool::PointInBounds(TPoint p, int left, int top, int right, int bottom)
{
    return PointInRect(p, TRect{left, top, right, bottom});
}

bool MTool::WithinReach(TPoint a, TPoint b) { return Distance(a, b) <= 300.0; }

// ---- Point and rectangle arithmetic ----

TPoint MTool::AddPoints(TPoint a, TPoint b)
{
    return {Saturate(std::int64_t(a.x) + b.x), Saturate(std::int64_t(a.y) + b.y)};
}

TPoint MTool::SumPoints(TPoint a, TPoint b, TPoint c)
{
    return {Saturate(std::int64_t(a.x) + b.x + c.x), Saturate(std::int64_t(a.y) + b.y + c.y)};
}

TPoint MTool::SubtractPoints(TPoint a, TPoint b)
{
    return {Saturate(std::int64_t(a.x) - b.x), Saturate(std::int64_t(a.y) - b.y)};
}

TPoint MTool::Midpoint(TPoint a, TPoint b)
{
    return {RoundToInt((double(a.x) + b.x) * 0.5), RoundToInt((double(a.y) + b.y) * 0.5)};
}

bool MTool::PointsEqual(TPoint a, TPoint b) { return a.x == b.x && a.y == b.y; }

TPoint MTool::ZeroPoint() { return {0, 0}; }

bool MTool::IsZeroPoint(TPoint p) { return p.x == 0 && p.y == 0; }

TRect MTool::NormalizeRect(const TRect& rect)
{
    return {std::min(rect.left, rect.right), std::min(rect.top, rect.bottom),
            std::max(rect.left, rect.right), std::max(rect.top, rect.bottom)};
}

TRect MTool::ExtendRect(TRect& rect, TPoint p)
{
    if (p.x < rect.left)
        rect.left = p.x;
    if (p.x > rect.right)
        rect.right = p.x;
    if (p.y < rect.top)
        rect.top = p.y;
    if (p.y > rect.bottom)
        rect.bottom = p.y;
    return rect;
}

int MTool::PackPoint(TPoint p) { return Saturate(std::int64_t(p.y) * 10000 + p.x); }

void MTool::UnpackPoint(int value, TPoint& p)
{
    p.x = value % 10000; // C++ division truncates: the remainder keeps the sign
    p.y = value / 10000;
}

int MTool::ZoomCoord(int i)
{
    return Saturate((std::int64_t(i) + 1) * ZOOM_FACTOR - Halve(ZOOM_FACTOR + 1));
}

TPoint MTool::ZoomPoint(TPoint p) { return {ZoomCoord(p.x), ZoomCoord(p.y)}; }

TRect MTool::ZoomRect(const TRect& rect)
{
    return {ZoomCoord(rect.left), ZoomCoord(rect.top), ZoomCoord(rect.right), ZoomCoord(rect.bottom)};
}

int MTool::MirrorY(int height, int y)
{
    if (height < 1)
        return y;
    return Saturate(std::int64_t(height) - y);
}

int MTool::CenterOffset(int total, int size)
{
    if (size >= total)
        return 0;
    return int(Halve(std::int64_t(total) - size));
}

// ---- Directions and constructions ----

double MTool::VectorAngle(TPoint a, TPoint b)
{
    const double dx = double(std::int64_t(b.x) - a.x);
    const double dy = double(std::int64_t(b.y) - a.y);
    if (dy == 0)
        return dx < 0 ? 180.0 : 0.0; // a vector of length zero has angle 0
    if (dx == 0)
        return dy > 0 ? 90.0 : 270.0;
    double theta = std::atan(dy / dx);
    if (dx < 0)
        theta += std::numbers::pi;
    else if (dy < 0)
        theta += 2 * std::numbers::pi;
    const double degrees = theta * (1.0 / std::numbers::pi) * 180.0;
    // Only the right angle is snapped, for the perpendicular tests of relations.
    return std::fabs(degrees - 90.0) < 0.001 ? 90.0 : degrees;
}

TPoint MTool::PolarPoint(TPoint origin, double length, double angle)
{
    const double whole = std::trunc(angle);
    const double fraction = angle - whole;
    const double n = std::fmod(whole, 360.0); // truncating: -90 stays -90
    if (fraction == 0 && (n == 0 || n == 90 || n == 180 || n == 270)) {
        // Along an axis the length is truncated, not rounded. The bias keeps a
        // computed length such as 4.9999999999999991 at 5 while 5.7 gives 5.
        const int l = TruncToInt(length + (length < 0 ? -TRUNCATION_SLACK : TRUNCATION_SLACK));
        const int minusL = Saturate(-std::int64_t(l));
        const TPoint offset = n == 0 ? TPoint{l, 0}
                              : n == 90 ? TPoint{0, l}
                              : n == 180 ? TPoint{minusL, 0}
                                         : TPoint{0, minusL};
        return AddPoints(origin, offset);
    }
    const double theta = (n + fraction) * (1.0 / 180.0) * std::numbers::pi;
    return {RoundToInt(origin.x + length * std::cos(theta)),
            RoundToInt(origin.y + length * std::sin(theta))};
}

TPoint MTool::CircleCentre(TPoint a, TPoint b, TPoint c)
{
    const Wide det = (Wide(b.x) - a.x) * (Wide(c.y) - a.y) + (Wide(a.x) - c.x) * (Wide(b.y) - a.y);
    if (det == 0)
        return {0, 0};
    const Wide na = Wide(a.x) * a.x + Wide(a.y) * a.y;
    const Wide nb = Wide(b.x) * b.x + Wide(b.y) * b.y;
    const Wide nc = Wide(c.x) * c.x + Wide(c.y) * c.y;
    const Wide numX = na * (Wide(b.y) - c.y) + nb * (Wide(c.y) - a.y) + nc * (Wide(a.y) - b.y);
    const Wide numY = na * (Wide(b.x) - c.x) + nb * (Wide(c.x) - a.x) + nc * (Wide(a.x) - b.x);
    return {RoundToInt(ToDouble(numX) / ToDouble(2 * det)), RoundToInt(ToDouble(numY) / ToDouble(-2 * det))};
}

TPoint MTool::FootOfPerpendicular(TPoint a, TPoint b, TPoint p)
{
    const auto [A, B, C] = LineThrough(a, b);
    const Wide norm = A * A + B * B;
    if (norm == 0)
        return {0, 0};
    const double x = ToDouble(B * B * p.x - A * B * p.y - A * C) / ToDouble(norm);
    const double y = ToDouble(A * A * p.y - A * B * p.x - B * C) / ToDouble(norm);
    return {RoundToInt(x), RoundToInt(y)};
}

TPoint MTool::PerpendicularPoint(TPoint a, TPoint b, double length, bool side)
{
    const double d = Distance(a, b);
    if (d <= 0)
        return {0, 0};
    const std::int64_t ox = RoundToInt(double(std::int64_t(b.y) - a.y) / d * length);
    const std::int64_t oy = RoundToInt(double(std::int64_t(b.x) - a.x) / d * length);
    if (side)
        return {Saturate(a.x - ox), Saturate(a.y + oy)};
    return {Saturate(a.x + ox), Saturate(a.y - oy)};
}

TPoint MTool::LineIntersection(TPoint a, TPoint b, TPoint c, TPoint d)
{
    const auto [A1, B1, C1] = LineThrough(a, b);
    const auto [A2, B2, C2] = LineThrough(c, d);
    const Wide det = A1 * B2 - A2 * B1;
    if (det == 0)
        return {0, 0};
    return {RoundToInt(ToDouble(C2 * B1 - C1 * B2) / ToDouble(det)),
            RoundToInt(ToDouble(C1 * A2 - C2 * A1) / ToDouble(det))};
}

bool MTool::IsIntersecting(TPoint a, TPoint b, TPoint c, TPoint d)
{
    return BothHaveLength(a, b, c, d) && AcuteAngle(a, b, c, d) >= 0.5;
}

bool MTool::IsParallel(TPoint a, TPoint b, TPoint c, TPoint d)
{
    return BothHaveLength(a, b, c, d) && AcuteAngle(a, b, c, d) < 0.5;
}

TPoint MTool::NearerEndOutside(TPoint a, TPoint b, TPoint p)
{
    const double toA = Distance(p, a);
    const double toB = Distance(p, b);
    if (toA + toB > Distance(a, b) + 2.0)
        return toA < toB ? a : b;
    return {0, 0};
}

TPoint MTool::PointAlong(TPoint a, TPoint b, double length)
{
    const double d = Distance(a, b);
    if (d <= 0)
        return {0, 0};
    return {TruncToInt(a.x + double(std::int64_t(b.x) - a.x) * length / d),
            TruncToInt(a.y + double(std::int64_t(b.y) - a.y) * length / d)};
}

TPoint MTool::FartherPoint(TPoint p, TPoint a, TPoint b)
{
    return Distance(p, a) > Distance(p, b) ? a : b;
}

TPoint MTool::SnapToCircle(TPoint p, const TRect& rect)
{
    const RectCircle circle = CircleOfRect(rect);
    const TPoint c = circle.centre;
    const double d = Distance(p, c);
    if (d == 0)
        return {c.x, circle.bounds.top};
    const TPoint offset{RoundToInt(double(std::int64_t(p.x) - c.x) * circle.radius / d),
                        RoundToInt(double(std::int64_t(p.y) - c.y) * circle.radius / d)};
    const TPoint q1 = AddPoints(c, offset);
    const TPoint q2 = SubtractPoints(c, offset);
    const double g = std::fabs(VectorAngle(c, p) - VectorAngle(c, q1));
    return g < 10 || g > 350 ? q1 : q2;
}

TPoint MTool::MapCirclePoint(TPoint p, const TRect& rect1, const TRect& rect2)
{
    const RectCircle from = CircleOfRect(rect1);
    const RectCircle to = CircleOfRect(rect2);
    // A circle of radius 0 has no direction to keep: take the top of the
    // target circle, as snapping does for a point at the centre.
    if (from.radius == 0)
        return {to.centre.x, to.bounds.top};
    const TPoint offset{RoundToInt(double(std::int64_t(p.x) - from.centre.x) * to.radius / from.radius),
                        RoundToInt(double(std::int64_t(p.y) - from.centre.y) * to.radius / from.radius)};
    return AddPoints(to.centre, offset);
}
