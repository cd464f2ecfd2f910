// The small value types the drawing layer and the model share: integer
// points and rectangles of image pixels, and colours as 0x00BBGGRR integers.
// They convert to Qt types only at the Qt boundary.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>

#include <cstdint>

struct TPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Edges as the old platform keeps them: right and bottom lie one past the
// last pixel column and row of a filled area.
struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// Modal results of dialogs as the old platform counted them, the values
// QDialog::done and exec carry.
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// 0x00BBGGRR: red in the low byte.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clSilver = 0xC0C0C0;

inline QColor ToQColor(TColor color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

// From a QImage pixel (0xAARRGGBB) to 0x00BBGGRR.
inline TColor FromQRgb(QRgb rgb)
{
    return TColor(qRed(rgb)) | (TColor(qGreen(rgb)) << 8) | (TColor(qBlue(rgb)) << 16);
}

inline QRgb ToQRgb(TColor color)
{
    return qRgb(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

inline QPoint ToQPoint(TPoint p) { return QPoint(p.x, p.y); }

// Extent of a text or picture in pixels.
struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};
