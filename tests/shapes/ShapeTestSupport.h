// A fixture for the shape tests: fresh singletons with the interface in
// English, distinct colours for every colour option, and a grey picture to
// draw on, read back row by row as one character per pixel.
#pragma once

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MCircle.h"
#include "shapes/MRuleTool.h"
#include "shapes/MShape.h"
#include "shapes/MTool.h"

#include "GuiTypesPrinting.h"

#include <gtest/gtest.h>

#include <QImage>

#include <memory>
#include <ostream>
#include <string>

inline void PrintTo(const MItem& item, std::ostream* out) { *out << "(" << item.name << ", " << item.value << ")"; }

class ShapeFixture : public ::testing::Test {
protected:
    static constexpr TColor kBackground = 0x404040;
    static constexpr TColor kDesign = 0x0000FF;   // option 101, red
    static constexpr TColor kNormal = 0x00FF00;   // option 102, green
    static constexpr TColor kSelected = 0xFF00FF; // its complement, magenta
    static constexpr TColor kActive = 0xFF0000;   // option 103, blue
    static constexpr TColor kBrush = 0x00FFFF;    // option 104, yellow
    static constexpr TColor kMark = 0x008080;     // option 105, olive
    static constexpr TColor kMarkFont = 0xFFFF00; // option 106, cyan
    static constexpr TColor kMarkBg = 0x808080;   // option 107, grey

    // In the constructor, so that shapes made as members of a derived
    // fixture already take the fresh singletons.
    ShapeFixture()
    {
        ResetSingletons();
        MLan::GetInstance()->SetLanguage(LAN_ENGLISH);
        param = MParam::GetInstance();
        param->SetColor(OPT_COLOR_DESIGN, int(kDesign));
        param->SetColor(OPT_COLOR_NORMAL, int(kNormal));
        param->SetColor(OPT_COLOR_ACTIVE, int(kActive));
        param->SetColor(OPT_COLOR_BRUSH, int(kBrush));
        param->SetColor(OPT_COLOR_MARK, int(kMark));
        param->SetColor(OPT_COLOR_MARK_FONT, int(kMarkFont));
        param->SetColor(OPT_COLOR_MARK_BG, int(kMarkBg));
        image.fill(ToQRgb(kBackground));
    }

    void TearDown() override { ResetSingletons(); }

    static void ResetSingletons()
    {
        MShape::SetZoomCanvas(nullptr);
        MParam::ResetForTesting();
        MLan::ResetForTesting();
        MTool::ResetInstanceForTesting();
        MRuleTool::ResetInstanceForTesting();
    }

    static char Code(TColor color)
    {
        switch (color) {
        case kBackground: return '.';
        case kDesign: return 'd';
        case kNormal: return 'n';
        case kSelected: return 's';
        case kActive: return 'a';
        case kBrush: return 'b';
        case kMark: return 'm';
        case kMarkFont: return 'f';
        case kMarkBg: return 'g';
        default: return '?';
        }
    }

    // Pixels x0..x1 of row y of a picture, one code character each.
    static std::string Row(const QImage& picture, int y, int x0, int x1)
    {
        std::string row;
        for (int x = x0; x <= x1; ++x)
            row += Code(FromQRgb(picture.pixel(x, y)));
        return row;
    }
    static std::string Column(const QImage& picture, int x, int y0, int y1)
    {
        std::string column;
        for (int y = y0; y <= y1; ++y)
            column += Code(FromQRgb(picture.pixel(x, y)));
        return column;
    }
    std::string Row(int y, int x0, int x1) const { return Row(image, y, x0, x1); }
    std::string Column(int x, int y0, int y1) const { return Column(image, x, y0, y1); }
    char At(int x, int y) const { return Code(FromQRgb(image.pixel(x, y))); }

    // How many pixels of the picture have the colour.
    static int Count(const QImage& picture, TColor color)
    {
        int count = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                count += FromQRgb(picture.pixel(x, y)) == color ? 1 : 0;
        return count;
    }
    int Count(TColor color) const { return Count(image, color); }

    // A click: press and release at one place.
    static void Click(MShape& shape, int x, int y)
    {
        shape.MouseDown(Qt::LeftButton, Qt::NoModifier, x, y);
        shape.MouseUp(Qt::LeftButton, Qt::NoModifier, x, y);
    }
    static void Click(MShape& shape, TPoint at) { Click(shape, at.x, at.y); }
    // Press, one move and release.
    static void Drag(MShape& shape, TPoint from, TPoint to)
    {
        shape.MouseDown(Qt::LeftButton, Qt::NoModifier, from.x, from.y);
        shape.MouseMove(Qt::NoModifier, to.x, to.y);
        shape.MouseUp(Qt::LeftButton, Qt::NoModifier, to.x, to.y);
    }

    static void Calibrate(double scale, const std::string& unit, const std::string& userUnit = "")
    {
        MParam* store = MParam::GetInstance();
        store->SetDouble(OPT_RULE_SCALE, scale, false);
        store->SetText(OPT_RULE_UNIT, unit, false);
        store->SetText(OPT_RULE_UNIT_USER, userUnit, false);
    }

    // A finished circle of the diameter about the centre (also for an odd
    // diameter, whose square would round the centre half a pixel away).
    std::unique_ptr<MCircle> Circle(TPoint centre, int diameter, int number = 1)
    {
        const int left = centre.x - diameter / 2;
        const int top = centre.y - diameter / 2;
        auto circle = MCircle::Create(&canvas, {left, top, left + diameter, top + diameter});
        circle->center = centre;
        circle->number = number;
        return circle;
    }

    MParam* param = nullptr;
    QImage image{160, 160, QImage::Format_RGB32};
    TCanvas canvas{&image};
};
