// The closed polygon of three or more clicked vertices. It reports its
// perimeter and enclosed area (even-odd rule, so a region enclosed twice
// counts as outside), labels itself with the perimeter, is reshaped vertex by
// vertex and derives its centroid as a point. From the fourth click on, a
// click within the pick tolerance of the first vertex closes the outline.
#pragma once

#include "shapes/MShape.h"

#include <cstddef>
#include <vector>

class MPolygon : public MShape {
public:
    explicit MPolygon(TCanvas* defaultCanvas);

    // A finished polygon through the vertices, for tests and benchmarks.
    static std::unique_ptr<MPolygon> Create(TCanvas* defaultCanvas, std::vector<TPoint> vertices);

    // Sum of the edge lengths, the closing edge included, in pixels.
    double GetPerimeter() const;
    // The integer mean of the vertices, truncated toward zero; (0, 0) for none.
    TPoint GetCentroid() const;
    // Recomputes the area on vertical scan lines half a pixel off the columns.
    void ComputeArea();
    double GetArea() const { return area; }
    // y of the edge on the vertical line x, or kNoCrossing.
    static double EdgeCrossing(TPoint start, TPoint end, double x);
    static constexpr double kNoCrossing = -5000.0;

    std::string GetTypeName() const override;
    void BuildResults() override;
    void Move(int dx, int dy) override;
    // A vertex (grabbed for reshaping), else an edge, else the label.
    int HitTest(int x, int y) override;
    // The up arrow while a click would close the outline.
    int GetCursor(int code) const override;
    bool InRect(int left, int top, int right, int bottom) const override;
    void CreateMouseMove(int x, int y) override;
    void CreateMouseDown(int x, int y) override;
    // Moves the grabbed vertex and recomputes the area.
    TPoint ReshapeEnd(int x, int y) override;
    void DrawBody(int mode, TCanvas* target) override;
    void DrawLabel(int mode, TCanvas* target) override;
    TPoint GetLabelPos(int index) const override;
    std::string GetTag() const override;
    TPoint GetCenter() const override;
    // The centroid; nothing for a captions-only record.
    bool WriteData(MData& data, bool blank) const override;
    // Moves the whole polygon so that its centroid lands on the edited point.
    bool ReadData(MData data) override;
    std::vector<std::string> GetDeriveCaptions() const override;
    std::vector<std::unique_ptr<MShape>> MakeDerivedShapes(TCanvas* shapeCanvas, int index) const override;

    std::vector<TPoint> points; // in the order clicked; the outline closes back to the first
    double area = 0;            // square pixels, as of creation or the last vertex reshape

private:
    // The index of the first vertex at the grabbed point, or none.
    std::ptrdiff_t GrabbedIndex() const;
    // Calls `edge` for every edge, the closing one last.
    template<typename Edge>
    void ForEachEdge(Edge edge) const;
};
