// The drawing surface the shapes, rulers and views paint on: pen, brush, font
// and copy mode as the old desktop platform had them, drawing onto a QImage
// with that platform's pixel rules.
//
// Pixel rules (coordinates are image pixels, colours 0x00BBGGRR):
// - No antialiasing anywhere; text is drawn with antialiasing off, so every
//   text pixel has exactly the font colour.
// - A line from A to B paints A and leaves out B. One-pixel lines are
//   rasterized here (Bresenham; the minor coordinate of step i is rounded half
//   away from the start), so a line from (0, 0) to (5, 0) paints x = 0..4.
// - Rectangle, Ellipse and Arc use the half-open box left..right-1,
//   top..bottom-1; a box given with right < left or bottom < top is turned
//   round first. Empty boxes draw nothing.
// - An ellipse touches all four sides of its box and is mirror-symmetric. Its
//   outline in a row covers the columns the ideal curve crosses while passing
//   through that row (ends rounded to the nearest pixel), so consecutive rows
//   join and the first and last rows are flat where the curve is.
// - Arc draws the outline pixels of that ellipse whose direction from the
//   centre lies counter-clockwise on screen from the radial through the start
//   point to the radial through the end point, both included; when the two
//   radials coincide the whole ellipse is drawn. The arc leaves PenPos alone.
// - psDot paints 3 pixels, leaves 3 (the old platform's cosmetic dot pattern),
//   counted in steps along the line; the pattern restarts at MoveTo and at
//   the start of each Rectangle, Polygon and Polyline, and runs on across
//   LineTo calls and from side to side. On ellipses and arcs it follows the
//   direction from the centre, about one step per pixel of the curve. Like
//   text, the gaps are painted in the brush colour when the brush is bsSolid
//   and left alone when it is bsClear.
// - Pen.Mode applies to pen and brush of Rectangle, Ellipse, Polygon, lines
//   and arcs; FillRect, FrameRect, text and pixels are always copied.
// - A pen wider than one pixel is drawn by QPainter with antialiasing off,
//   flat caps and miter joins, centred on the one-pixel outline; it is always
//   solid (as on the old platform), lines are drawn segment by segment, and
//   an ellipse or arc whose box reaches beyond +-4194304 is outlined one
//   pixel wide instead. Polygon fills overlap their outline, so the XOR
//   modes are meant for unfilled shapes (rubber bands).
// - Draw, StretchDraw and CopyRect honour CopyMode and scale by nearest
//   neighbour (each target pixel takes the source pixel under its centre);
//   target pixels whose source lies outside the source picture stay as they
//   were.
// - Drawing outside the target is clipped; coordinates anywhere in the int
//   range are safe and cost only what is visible.
//
// The canvas does not own its target. A target in a format other than 32-bit
// RGB is converted in place to Format_RGB32 the first time it is drawn on.
// A canvas without a target draws nothing.
#pragma once

#include "platform/gui/GuiTypes.h"
#include "platform/gui/TTextSlot.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>

class TBitmap;
class TTouchedArea;

// What Pixels answers for a point outside the target (the old platform's
// invalid-colour value).
inline constexpr TColor clInvalid = 0xFFFFFFFF;

enum TPenStyle { psSolid, psDot, psClear };
// How the pen and brush combine with what is already there: copy; the
// complement of exclusive or; exclusive or (drawing twice restores the
// picture); inversion of the target whatever the colour.
enum TPenMode { pmCopy, pmNotXor, pmXor, pmNot };
enum TBrushStyle { bsSolid, bsClear };

struct TPen {
    TColor Color = clBlack;
    int Width = 1; // widths below 1 count as 1
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    friend bool operator==(const TPen&, const TPen&) = default;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    friend bool operator==(const TBrush&, const TBrush&) = default;
};

// Sizes are typographic points on a 96 dpi screen, as on the old platform.
struct TFont {
    std::string Name = "WenQuanYi Micro Hei";
    int Size = 9;
    TColor Color = clBlack;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    int Charset = 1; // kept for the settings; fonts are chosen by name only

    // Height in pixels: negative for the character height, as the old
    // platform counted it. Setting a height sets Size to match; 0 is ignored.
    int Height() const;
    void SetHeight(int pixels);

    friend bool operator==(const TFont&, const TFont&) = default;
};

// The Qt font that draws as the font does on the canvas: its pixel height
// from the size (the default size when the size is not above 0), its style,
// no antialiasing. The colour and the character set are not part of it.
QFont ToQFont(const TFont& font);

// Raster operations of CopyRect, Draw and StretchDraw; a mode not listed
// here copies like cmSrcCopy.
using TCopyMode = std::uint32_t;
inline constexpr TCopyMode cmBlackness = 0x00000042;
inline constexpr TCopyMode cmDstInvert = 0x00550009;
inline constexpr TCopyMode cmNotSrcCopy = 0x00330008;
inline constexpr TCopyMode cmSrcAnd = 0x008800C6;
inline constexpr TCopyMode cmSrcCopy = 0x00CC0020;
inline constexpr TCopyMode cmSrcInvert = 0x00660046;
inline constexpr TCopyMode cmSrcPaint = 0x00EE0086;
inline constexpr TCopyMode cmWhiteness = 0x00FF0062;

class TCanvas {
public:
    explicit TCanvas(QImage* target = nullptr);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    QImage* Target() const { return target_; }
    void SetTarget(QImage* target)
    {
        target_ = target;
        if (batchPixels_) {
            batchPixels_.reset();
            batchPixels_ = PreparedPixels();
        }
    }
    // Every pixel a drawing operation writes is marked on `area` before it is
    // written (so the area can keep what was there), which must be sized to
    // the target; null marks nothing. Not owned.
    void RecordTouched(TTouchedArea* area) { touched_ = area; }
    int Width() const;
    int Height() const;

    // Many drawing operations in a row, as a document's shapes are drawn:
    // the target is made ready for writing once, when the outermost batch
    // starts, instead of at every operation. While a batch lives nobody may
    // share, convert, resize or replace the target's pixels but through this
    // canvas (SetTarget is fine).
    class Batch {
    public:
        explicit Batch(TCanvas& canvas);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        TCanvas& canvas_;
        bool outermost_;
    };

    TPen Pen;
    TBrush Brush;
    TFont Font;
    TCopyMode CopyMode = cmSrcCopy;
    TPoint PenPos;
    // Called after every drawing operation (whether or not a pixel changed),
    // so a widget showing the target can repaint. Must not throw.
    std::function<void()> OnChange;

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    // One-pixel border in the brush colour; nothing with a clear brush.
    void FrameRect(const TRect& rect);
    // The brush colour over the rectangle; nothing with a clear brush.
    void FillRect(const TRect& rect);
    void Ellipse(int left, int top, int right, int bottom);
    void Ellipse(const TRect& rect) { Ellipse(rect.left, rect.top, rect.right, rect.bottom); }
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    // Filled with the brush and outlined with the pen, last point joined to
    // the first. A pixel is filled when its centre (the integer point, as
    // for lines) is inside by the even-odd rule; left and top edges count as
    // inside, right and bottom ones as outside.
    void Polygon(std::span<const TPoint> points);
    // Connected lines through the points, the last point left out; PenPos
    // stays.
    void Polyline(std::span<const TPoint> points);

    // Text with the top-left corner of its cell at (x, y); the cell is filled
    // with the brush colour first unless the brush is clear. PenPos stays.
    void TextOut(int x, int y, const std::string& text);
    // The same, keeping the shaped text in `slot` for the next time.
    void TextOut(int x, int y, const std::string& text, TTextSlot& slot);
    TSize TextExtent(const std::string& text) const;
    // The same for a text drawn again and again from one place: its shaped
    // form is kept in the slot (as TextOut keeps it).
    TSize TextExtent(const std::string& text, TTextSlot& slot) const;
    int TextWidth(const std::string& text) const { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) const { return TextExtent(text).cy; }

    void Draw(int x, int y, const TBitmap& bitmap);
    void StretchDraw(const TRect& dest, const TBitmap& bitmap);
    // Copies `src` of `source` (which may be this canvas) onto `dest`.
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& src);

    // clInvalid outside the target; setting outside the target does nothing.
    TColor Pixels(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

private:
    // The target ready for direct pixel writes (32-bit), or null.
    QImage* PreparedTarget();
    // The same with where its pixels lie; all null without a target.
    struct WritablePixels {
        QImage* image = nullptr;
        QRgb* bits = nullptr;
        qsizetype stride = 0; // pixels per row
        int width = 0;
        int height = 0;
    };
    WritablePixels PreparedPixels();
    // Outlines the path with the pen: each segment leaves out its end point;
    // a closed path returns to its first point.
    void StrokePath(std::span<const TPoint> points, bool closed);
    void DrawEllipseShape(int left, int top, int right, int bottom, bool filled,
                          std::optional<std::pair<TPoint, TPoint>> arcRadials);
    void Blit(const TRect& dest, const QImage* source, const TRect& src);
    const QFontMetrics& Metrics() const;
    // The shaped and rasterized texts, by font and text, shared by all canvases.
    struct TextRun;
    struct TextRuns;
    struct TextRunCache;
    static TextRunCache& SharedTextRuns();
    const TextRun& Run(const std::string& text) const;
    const TextRun& Run(const std::string& text, TTextSlot& slot) const;
    // The run in the cache, shaped first when it is not there.
    const std::shared_ptr<const TextRun>& SharedRun(const std::string& text) const;
    void PaintText(const WritablePixels& pixels, int x, int y, const TextRun& run);

    QImage* target_ = nullptr;
    // Set while a batch lives.
    std::optional<WritablePixels> batchPixels_;
    TTouchedArea* touched_ = nullptr;
    // Length along the current path, for the dot pattern.
    std::int64_t dotPhase_ = 0;
    // The Qt font built from Font, rebuilt when Font changes other than in colour.
    mutable std::optional<TFont> cachedFont_;
    mutable QFont qfont_;
    mutable std::optional<QFontMetrics> metrics_;
    // The shared runs of the current font; set with metrics_.
    mutable TextRuns* runs_ = nullptr;
};
