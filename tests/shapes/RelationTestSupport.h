// A fixture for the relation tests: what a relation measures, records and
// derives, as short texts that a table of cases can hold.
#pragma once

#include "ShapeTestSupport.h"

#include "shapes/MData.h"

#include <sstream>
#include <string>
#include <vector>

class RelationFixture : public ShapeFixture {
protected:
    // The results after the (type name, display name) item.
    static std::vector<MItem> Measured(MShape& relation)
    {
        const std::vector<MItem>& all = relation.GetResults();
        return {all.begin() + 1, all.end()};
    }

    // The record's point as the operator sees it in a picture 100 px high
    // (y counted upwards) with its caption: "Mid-Point 25, 70"; "none" when
    // the relation writes nothing. A relation's record is never editable.
    static std::string Recorded(const MShape& relation)
    {
        MData data;
        data.SetImageHeight(100);
        if (!relation.ToData(data, false))
            return "none";
        EXPECT_FALSE(data.IsEditable());
        EXPECT_FALSE(data.length[0].IsValid());
        EXPECT_FALSE(data.angle[0].IsValid());
        MData blank;
        EXPECT_FALSE(relation.ToData(blank, true)) << "a blank record stays empty";
        return data.point.GetCaption() + " " + data.point.GetTextX() + ", " + data.point.GetTextY();
    }

    // What the derive caption makes: "P(25, 30)" for a point, "L(10, 10)-(40,
    // 50)" for a line, one after the other; "" for nothing.
    std::string Derived(const MShape& relation, int index)
    {
        std::ostringstream text;
        for (const auto& shape : relation.DeriveShapes(&canvas, index)) {
            EXPECT_EQ(shape->state, STATE_CREATED);
            if (!text.str().empty())
                text << " ";
            if (shape->GetKind() == KIND_POINT)
                text << "P" << shape->p1;
            else if (shape->GetKind() == KIND_LINE)
                text << "L" << shape->p1 << "-" << shape->p2;
            else
                text << "kind " << shape->GetKind();
        }
        return text.str();
    }

    // An invalid relation has only its (type name, display name) item, draws
    // nothing, writes no record and derives nothing.
    void ExpectInert(MShape& relation)
    {
        EXPECT_FALSE(relation.IsValid());
        EXPECT_EQ(relation.GetResults().size(), 1u);
        image.fill(ToQRgb(kBackground));
        relation.Draw(DRAW_ACTIVE);
        EXPECT_EQ(Count(kBackground), image.width() * image.height());
        EXPECT_EQ(Recorded(relation), "none");
        EXPECT_TRUE(relation.DeriveCaptions().empty());
        EXPECT_EQ(Derived(relation, 1), "");
    }
};
