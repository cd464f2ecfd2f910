// The shapes that the redraw benchmarks draw: labelled shapes of every
// measuring kind spread over the 5-megapixel pattern picture.
#pragma once

#include "bench/PatternPicture.h"
#include "shapes/MArc.h"
#include "shapes/MCircle.h"
#include "shapes/MEllipse.h"
#include "shapes/MLine.h"
#include "shapes/MPolygon.h"
#include "shapes/MRect.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace bench {

constexpr int kShapeKinds = 6; // line, rectangle, circle, ellipse, arc, polygon
constexpr int kPolygonVertices = 12;

// Shape i of the given kind (in the order above), spread over a picture of
// width x height, 30 to 150 pixels across, with its name and labels shown and
// not selected.
inline std::unique_ptr<MShape> ShapeOfKind(TCanvas* canvas, int kind, int i, int width = kPictureWidth,
                                           int height = kPictureHeight)
{
    const int x = (i * 379) % (width - 400) + 200;
    const int y = (i * 211) % (height - 400) + 200;
    const int size = 30 + (i * 37) % 120;
    std::unique_ptr<MShape> shape;
    switch (kind) {
    case 0:
        shape = MLine::Create(canvas, x, y, x + size, y + (i * 53) % 240 - 120);
        break;
    case 1:
        shape = MRect::Create(canvas, x, y, x + size, y + size / 2 + 5);
        break;
    case 2:
        shape = MCircle::Create(canvas, {x, y, x + size, y + size});
        break;
    case 3:
        shape = MEllipse::Create(canvas, {x, y, x + size, y + size / 2 + 5});
        break;
    case 4:
        shape = MArc::Create(canvas, {x + size / 2, y}, {x, y + size / 2}, {x - size / 2, y});
        break;
    default: {
        std::vector<TPoint> vertices;
        for (int k = 0; k < kPolygonVertices; ++k) {
            const double angle = 2 * std::numbers::pi * k / kPolygonVertices;
            const double radius = size * (k % 2 == 0 ? 0.5 : 0.35);
            vertices.push_back({x + int(radius * std::cos(angle)), y + int(radius * std::sin(angle))});
        }
        shape = MPolygon::Create(canvas, std::move(vertices));
        break;
    }
    }
    shape->selected = false;
    shape->marked = true;
    shape->number = i / kShapeKinds % 999 + 1;
    return shape;
}

// One shape of each kind in turn, over a picture of width x height.
inline std::unique_ptr<MShape> MixedShapeOver(TCanvas* canvas, int i, int width, int height)
{
    return ShapeOfKind(canvas, i % kShapeKinds, i, width, height);
}

// The same over the 5-megapixel pattern picture.
inline std::unique_ptr<MShape> MixedShape(TCanvas* canvas, int i)
{
    return MixedShapeOver(canvas, i, kPictureWidth, kPictureHeight);
}

} // namespace bench
