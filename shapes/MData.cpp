#include "shapes/MData.h"

#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <algorithm>
#include <utility>

namespace {

// An edited coordinate back in pixels, truncated towards zero.
int EditedCoordinate(const std::string& edit)
{
    return MTool::TruncToInt(MRuleTool::GetInstance()->TextToLength(edit));
}

bool IsNumber(const std::string& text)
{
    double ignored = 0;
    return MTool::TextToNumber(text, ignored);
}

} // namespace

void MDataPoint::SetValue(TPoint p, const std::string& newCaption, bool flip)
{
    valid = true;
    caption = newCaption;
    x = p.x;
    y = flip ? MTool::MirrorY(imageHeight, p.y) : p.y;
    const MRuleTool* rule = MRuleTool::GetInstance();
    textX = rule->ValueToText(x);
    textY = rule->ValueToText(y);
    editX = textX;
    editY = textY;
}

TPoint MDataPoint::GetPoint() const
{
    const int px = editX == textX ? x : EditedCoordinate(editX);
    const int py = editY == textY ? y : EditedCoordinate(editY);
    // Always mirrored back, so a point written with flip returns unflipped.
    return {px, MTool::MirrorY(imageHeight, py)};
}

void MDataPoint::SetText(const std::string& newX, const std::string& newY)
{
    if (!IsNumber(newX) || !IsNumber(newY))
        return;
    editX = newX;
    editY = newY;
}

bool MDataPoint::IsModified() const { return valid && (editX != textX || editY != textY); }

void MDataValue::SetText(const std::string& newText)
{
    if (IsNumber(newText))
        edit = newText;
}

void MDataValue::Store(const std::string& newCaption, double newValue, std::string written)
{
    valid = true;
    caption = newCaption;
    value = newValue;
    text = std::move(written);
    edit = text;
}

void MDataLength::SetValue(double pixels, const std::string& newCaption)
{
    Store(newCaption, pixels, MRuleTool::GetInstance()->ValueToText(pixels));
}

double MDataLength::GetValue() const
{
    return edit == text ? value : MRuleTool::GetInstance()->TextToLength(edit);
}

void MDataAngle::SetValue(double degrees, const std::string& newCaption, bool reverse)
{
    const double shown = reverse ? MTool::ReverseAngle(degrees) : degrees;
    Store(newCaption, shown, MTool::FormatAngle(shown));
}

double MDataAngle::GetValue() const
{
    double v = value;
    if (edit != text)
        MTool::TextToNumber(edit, v);
    return MTool::ReverseAngle(v);
}

void MData::Clear()
{
    point.Clear();
    for (MDataLength& l : length)
        l.Clear();
    for (MDataAngle& a : angle)
        a.Clear();
    editable = true;
}

bool MData::IsModified() const
{
    return point.IsModified()
           || std::any_of(length.begin(), length.end(), [](const MDataLength& l) { return l.IsModified(); })
           || std::any_of(angle.begin(), angle.end(), [](const MDataAngle& a) { return a.IsModified(); });
}
