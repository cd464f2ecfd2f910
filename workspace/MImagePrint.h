// The printed page: the picture with everything drawn on it, centred on a
// page area of at least 700 by 580 pixels, below it an optional information
// block (name and unit in bold, the title block with author, date, number
// and scale) and an optional block with the summary of every shape's
// results. A summary line wider than the page goes on in further printed
// lines, broken between its cells, so every value reaches the paper. The main window lays the page out here; the preview shows its
// image and the printer prints the same image, so all three see the same
// pixels.
//
// The old program laid the page out on a form it never showed; the page's
// outer size still counts that form's frame (8 pixels wide, 30 high), which
// is what the preview's picture box is sized by.
#pragma once

#include "platform/gui/GuiTypes.h"

#include <QImage>

#include <string>
#include <vector>

class MLan;
class QPrinter;

class TFormImagePrint {
public:
    // Heights of the information block and of a summary line, in pixels.
    static constexpr int InfoHeight = 150;
    static constexpr int AttrLineHeight = 16;
    // The least page area around the picture.
    static constexpr int MinAreaWidth = 700;
    static constexpr int MinAreaHeight = 580;
    // The old form's frame and caption around the page.
    static constexpr int FrameWidth = 8;
    static constexpr int FrameHeight = 30;
    // No side of a scaled picture, nor its scale factor, goes beyond this.
    static constexpr int MaxPictureSide = 5000;
    static constexpr double MaxScaleFactor = 5000.0;
    // The width of the title block at the right of the information block.
    static constexpr int TitleBlockWidth = 438;

    TFormImagePrint();

    // The fixed captions of the title block from the string table.
    void ApplyLanguage();

    // The information block's texts.
    struct TInfo {
        std::string Name, Unit, Author, Date, Number, Scale;
    };
    // Shows the information block with these texts.
    void ShowInfo(const TInfo& info);
    void HideInfo();
    // Shows the attribute block with one line of the summary each.
    void ShowAttributes(std::vector<std::string> lines);
    void HideAttributes();

    // The size a picture prints at when it is to be shown `target` times
    // larger than the object and prints `real` times larger unscaled: both
    // sides times target / real (at most MaxScaleFactor), each cut to
    // MaxPictureSide. Unscaled unless both magnifications are above 0.
    static TSize MagnifiedSize(int width, int height, double target, double real);

    // Lays the page out around a picture printed at `width` by `height`.
    void LayOut(int width, int height);

    // The outer size, frame included.
    int Width() const { return ClientWidth + FrameWidth; }
    int Height() const { return ClientHeight() + FrameHeight; }
    int InfoBlockHeight() const { return InfoShown ? InfoHeight : 0; }
    int AttrBlockHeight() const { return AttrShown ? AttrLineHeight * int(PrintedAttrLines.size()) : 0; }
    // The summary lines as the last layout prints them, one entry per printed
    // line; a line broken between its cells goes on one tab stop in.
    std::vector<std::string> AttrLinesAsPrinted() const;
    // The page area's height: at least MinAreaHeight.
    int PictureAreaHeight() const { return AreaHeight; }
    // Where the picture lands in the page area.
    TRect PictureRect() const { return Picture; }

    // The page as it prints with `picture`, without the frame: the picture
    // area, then the information block, then the attribute block. A null
    // image when the page is too large to hold in memory.
    QImage GetFormImage(const QImage& picture) const;

    // The captions of the title block.
    std::string LabelDesign, LabelCheck, LabelAuth, LNum, LProp;

private:
    int ClientHeight() const { return AreaHeight + InfoBlockHeight() + AttrBlockHeight(); }
    void DrawInfo(QImage& page, int top) const;
    void DrawAttributes(QImage& page, int top) const;
    // Breaks the summary lines to the page's width.
    void WrapAttributes();

    MLan* Lan;
    bool InfoShown = false;
    TInfo Info;
    bool AttrShown = false;
    std::vector<std::string> AttrLines;
    std::vector<QString> PrintedAttrLines;
    TRect Picture;
    int ClientWidth = MinAreaWidth;
    int AreaHeight = MinAreaHeight;
};

// Prints the page image on the printer, scaled to fit its page with the
// proportions kept, at the page's top left. False when the printer cannot be
// started (an unwritable PDF file, a printer gone away).
bool PrintPageImage(const QImage& page, QPrinter& printer);

// Created by the start-up code, alive until exit; never shown.
extern TFormImagePrint* FormImagePrint;
