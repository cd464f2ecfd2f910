// A relation kind for tests: the distance between the first points of its
// two operands, drawn as a dimension line labelled with that distance. It
// reads its operands even while it is destroyed, so a relation outliving a
// shape it points at shows up under the address sanitizer, and it can log
// its destruction to show the order in which a document is freed.
#pragma once

#include "shapes/MRelation.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <string>
#include <vector>

class TestRelation : public MRelation {
public:
    static constexpr int kMidpointSlot = 295; // "Mid-Point"

    TestRelation(MShape* a, MShape* b, TCanvas* defaultCanvas, std::vector<std::string>* freedLog = nullptr)
        : MRelation(a, b, defaultCanvas), first(a), second(b), freed(freedLog)
    {
        kind = KIND_POINTPOINT;
    }
    ~TestRelation() override
    {
        const std::string name = GetDisplayName();
        if (freed)
            freed->push_back("relation " + name);
    }

    using MRelation::DeriveCaption;
    using MRelation::NearDimensionLine;

    double Length() const { return MTool::Distance(first->p1, second->p1); }

    std::string GetTypeName() const override { return "Test Relation"; }
    void BuildResults() override { AddResult("Distance", ruleTool->FormatLength(Length())); }
    int HitTest(int x, int y) override { return NearDimensionLine(x, y) ? HIT_LABEL : MShape::HitTest(x, y); }
    void DrawBody(int, TCanvas* target) override { DrawDimension(target, first->p1, second->p1); }
    void DrawLabel(int mode, TCanvas* target) override
    {
        label1 = ruleTool->FormatValue(Length());
        DrawLabelBox(mode, target, 1);
    }
    TPoint GetLabelPos(int) const override { return dimAnchor; }
    bool WriteData(MData& data, bool blank) const override
    {
        return WritePoint(data, blank, MTool::Midpoint(first->p1, second->p1), kMidpointSlot);
    }

    // The operands in the order passed.
    MShape* first;
    MShape* second;

private:
    std::vector<std::string>* freed;
};
