// The measuring toolbox: integer-pixel geometry that every shape, relation and
// workspace window rests on (distances, pick tests, midpoints, perpendiculars,
// intersections, direction angles, the circle through three points, rounding,
// packed points, the magnifier mapping), and the small text, picture, canvas
// and control operations around it (text extents, number and angle texts,
// file-name tests, picture loading, canvas fills, edit-box colouring and key
// filters).
//
// Conventions shared by every operation:
// - Points and rectangles are image pixels, x to the right and y downwards.
//   Rectangles need not be normalized unless an operation says it normalizes.
// - Direction angles are degrees, 0 <= a < 360, from +x towards +y, so on the
//   screen 0 points right, 90 down, 180 left and 270 up (clockwise).
// - Round(x) halves away from zero; "truncated" converts towards zero;
//   integer halving divides by 2 towards zero (-3 halved is -1).
// - Every double-to-int conversion goes through TruncToInt, which saturates
//   instead of overflowing, so no input can make the arithmetic undefined.
// - Products of coordinates are formed exactly in a wide integer type, so
//   large frames and typed coordinates never overflow.
// - Degenerate input (equal points, parallel lines, collinear points) gives
//   the point (0, 0) or false and never raises an error.
//
// The geometry is a set of pure static functions; only the text operations
// read the object's state (the measuring canvas and the number of decimals).
#pragma once

#include "platform/gui/GuiTypes.h"

#include <climits>
#include <cmath>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QWidget;
class TBitmap;
class TCanvas;
class TTextSlot;

// One image pixel becomes a ZOOM_FACTOR x ZOOM_FACTOR cell in the magnifier.
inline constexpr int ZOOM_FACTOR = 3;

// Computed angles and lengths carry rounding error of about 1e-14 of their
// size; a value that is whole in exact arithmetic may come out just below it.
// Before truncating, such values are moved this far away from zero, so they
// stay whole while real fractions (5.7, 89.99) are unaffected. Angle tests
// that must agree with the degree texts (a right angle) use the same slack.
inline constexpr double TRUNCATION_SLACK = 1e-9;

class MTool {
public:
    // A key filter of a numeric edit box: sets the key to 0 to swallow it.
    using KeyFilter = void (*)(QLineEdit* control, char& key);

    // The one toolbox, created on first use with no canvas and 4 decimals.
    static MTool* GetInstance();
    // Tests only: puts the one toolbox back into its state after creation.
    static void ResetInstanceForTesting();

    MTool(const MTool&) = delete;
    MTool& operator=(const MTool&) = delete;

    // ---- Object state ----
    void SetCanvas(TCanvas* canvas) { Canvas = canvas; }
    TCanvas* GetCanvas() const { return Canvas; }
    void SetDecimals(int decimals) { Decimals = decimals; }
    int GetDecimals() const { return Decimals; }

    // ---- Numbers ----
    // Halves away from zero: 2.5 -> 3, -2.5 -> -3, -2.4 -> -2.
    static double Round(double x);
    // Towards zero, saturating at the int range; NaN gives 0.
    static int TruncToInt(double x);
    // Round, then TruncToInt.
    static int RoundToInt(double x);
    static double RadToDeg(double radians);
    // 360 - a, and 0 instead of 360: turns screen angles into the operator's.
    static double ReverseAngle(double degrees);
    static int AbsInt(int value);

    // ---- Distances and pick tests (tolerances in pixels) ----
    static double Distance(TPoint a, TPoint b);
    static bool NearPoint(TPoint a, TPoint b, int tolerance);
    static bool NearSegment(TPoint a, TPoint b, TPoint p, int tolerance);
    static bool NearCircle(TPoint p, const TRect& rect, int tolerance);
    static bool NearEllipse(TPoint p, const TRect& rect, int tolerance);
    static double PointLineDistance(TPoint a, TPoint b, TPoint p);
    // -1, 0 or 1 as Distance(a, b) is below, equal to or above `length`.
    // Decided exactly on the integers when `length` is a whole number of half
    // pixels (radii, their sums and differences), so touching circles are
    // found at every size and no near miss counts as touching; other lengths
    // are compared as doubles.
    static int CompareDistance(TPoint a, TPoint b, double length);
    static bool PointInRect(TPoint p, const TRect& rect);
    static bool PointInBounds(TPoint p, int left, int top, int right, int bottom);
    static bool WithinReach(TPoint a, TPoint b);

    // ---- Point and rectangle arithmetic ----
    static TPoint AddPoints(TPoint a, TPoint b);
    static TPoint SumPoints(TPoint a, TPoint b, TPoint c);
    static TPoint SubtractPoints(TPoint a, TPoint b);
    static TPoint Midpoint(TPoint a, TPoint b);
    static bool PointsEqual(TPoint a, TPoint b);
    static TPoint ZeroPoint();
    static bool IsZeroPoint(TPoint p);
    static TRect NormalizeRect(const TRect& rect);
    static TRect ExtendRect(TRect& rect, TPoint p);
    static int PackPoint(TPoint p);
    static void UnpackPoint(int value, TPoint& p);
    static int ZoomCoord(int i);
    static TPoint ZoomPoint(TPoint p);
    static TRect ZoomRect(const TRect& rect);
    static int MirrorY(int height, int y);
    static int CenterOffset(int total, int size);

    // ---- Directions and constructions ----
    static double VectorAngle(TPoint a, TPoint b);
    static TPoint PolarPoint(TPoint origin, double length, double angle);
    static TPoint CircleCentre(TPoint a, TPoint b, TPoint c);
    static TPoint FootOfPerpendicular(TPoint a, TPoint b, TPoint p);
    static TPoint PerpendicularPoint(TPoint a, TPoint b, double length, bool side);
    static TPoint LineIntersection(TPoint a, TPoint b, TPoint c, TPoint d);
    static bool IsIntersecting(TPoint a, TPoint b, TPoint c, TPoint d);
    static bool IsParallel(TPoint a, TPoint b, TPoint c, TPoint d);
    static TPoint NearerEndOutside(TPoint a, TPoint b, TPoint p);
    static TPoint PointAlong(TPoint a, TPoint b, double length);
    static TPoint FartherPoint(TPoint p, TPoint a, TPoint b);
    static TPoint SnapToCircle(TPoint p, const TRect& rect);
    static TPoint MapCirclePoint(TPoint p, const TRect& rect1, const TRect& rect2);

    // ---- Text measurement ----
    // On the measuring canvas when one is set, else 6 x 12 pixels a character
    // (a wide CJK character counts two). With a slot, a text measured again
    // and again keeps its shaped form there.
    TRect TextRect(int x, int y, const std::string& text, TTextSlot* slot = nullptr) const;
    int TextWidth(const std::string& text) const;

    // ---- Number and angle texts ("." whatever the locale) ----
    // At most Decimals (capped to 0..5) decimals, ties away from zero, no
    // trailing zeros, no minus sign on a value that rounds to zero.
    std::string FormatNumber(double value) const;
    std::string NumberText(double value) const;
    // As FormatNumber with two decimals.
    static std::string FormatAngle(double value);
    // Whole degrees, minutes and seconds, each truncated towards zero:
    // 30.5 gives "30°30′0″".
    static std::string FormatDegMinSec(double angle);
    // Reads a typed or stored number: "." or "," as decimal separator, blanks
    // around it allowed, an exponent allowed. False, with the value
    // untouched, for anything else (empty, letters, "inf", out of range).
    static bool TextToNumber(const std::string& text, double& value);
    // The text without its leading and trailing characters below 33 (blanks
    // and control characters), as the operator's names are stored.
    static std::string TrimText(const std::string& text);

    // ---- Files and pictures ----
    static bool HasExtension(const std::string& fileName, const std::string& extension);
    static bool IsJpegFile(const std::string& fileName);
    // Reads a JPEG (by the name's ".jpg" ending) or bitmap file into the
    // bitmap. On any failure returns false and the bitmap keeps its picture.
    static bool LoadBitmap(const std::string& fileName, TBitmap* bitmap);
    // Loads a picture file into an image label and sizes the label to the
    // picture. False, with the label untouched, on any failure.
    static bool LoadImage(const std::string& fileName, QLabel* image);

    // ---- Canvas operations ----
    // The line from a to b including the end pixel b.
    static void DrawLine(TCanvas* canvas, TPoint a, TPoint b);
    static void WhiteRect(TCanvas* canvas, const TRect& rect);
    static void ClearCanvas(TCanvas* canvas, int width, int height);

    // ---- Controls ----
    // Enabled controls take the system's edit-box colour, disabled ones silver.
    static void EnableControl(QWidget* control, bool enabled);

    // Key filters of numeric edit boxes. Without a control the key is kept.
    // Digits and backspace always. The decimal filters also take one decimal
    // point, typed as "." or "," (which becomes "."), since numbers are read
    // with "." whatever the locale; and an exponent ("1e-4"), so a typed
    // number is never silently turned into another one. The signed filter
    // takes one minus sign of the number as well.
    static void KeyPressInteger(QLineEdit* control, char& key);
    static void KeyPressDecimal(QLineEdit* control, char& key);
    static void KeyPressSignedDecimal(QLineEdit* control, char& key);
    static bool IsBackspaceKey(char key);
    static bool IsDigitKey(char key);
    // "." while the text holds no separator and the key lands before any exponent.
    static bool IsPointKeyAllowed(QLineEdit* control, char key);
    // "-" while the number before any exponent holds none and the key lands there.
    static bool IsMinusKeyAllowed(QLineEdit* control, char key);
    // "e" or "E" once, right after a digit, not before the decimal point.
    static bool IsExponentKeyAllowed(QLineEdit* control, char key);
    // "-" right after the exponent's "e" when no sign follows it.
    static bool IsExponentSignKeyAllowed(QLineEdit* control, char key);

    // Routes every typed character of the edit box through the handler before
    // the box sees it; a key the handler sets to 0 is swallowed, one it
    // changes is typed as changed. Keys that
    // type no printable character (Enter, Esc, Tab, arrows, Delete, clipboard
    // shortcuts) are not typing and pass unfiltered; backspace is filtered.
    static void InstallKeyPressHandler(QLineEdit* control, std::function<void(char&)> handler);
    // The same with one of the filters above: InstallKeyFilter(edit, &MTool::KeyPressDecimal).
    static void InstallKeyFilter(QLineEdit* control, KeyFilter filter);

private:
    MTool() = default;

    TCanvas* Canvas = nullptr; // not owned; measures label texts
    int Decimals = 4;          // decimals of value texts (option 714)
};

// The conversions run for every position a drawing works out, so they are
// inline.
inline double MTool::Round(double x)
{
    const double f = std::floor(x);
    if (x > 0 && x - f >= 0.5)
        return std::ceil(x);
    if (x < 0 && x - f > 0.5)
        return std::ceil(x);
    return f;
}

inline int MTool::TruncToInt(double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= 2147483648.0)
        return INT_MAX;
    if (x <= -2147483649.0)
        return INT_MIN;
    return static_cast<int>(x);
}

inline int MTool::RoundToInt(double x) { return TruncToInt(Round(x)); }
