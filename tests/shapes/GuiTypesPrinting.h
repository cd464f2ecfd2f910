// Readable failure messages for points and rectangles.
#pragma once

#include "platform/gui/GuiTypes.h"

#include <ostream>

inline std::ostream& operator<<(std::ostream& out, TPoint p)
{
    return out << "(" << p.x << ", " << p.y << ")";
}

inline std::ostream& operator<<(std::ostream& out, const TRect& r)
{
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
