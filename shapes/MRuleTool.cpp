#include "shapes/MRuleTool.h"

#include "settings/MParam.h"
#include "shapes/MTool.h"

namespace {

// Created on first use and never freed: shapes and forms keep the pointer.
MRuleTool* instance = nullptr;

// The size of one pixel on the screen and on the printed page, in millimetres.
constexpr double kPixelMillimetres = 0.35;

// The store is fetched afresh on each call rather than kept, so the converter
// never holds on to a store that has been replaced.
MParam* Param() { return MParam::GetInstance(); }

double CalibrationScale()
{
    double scale = 0;
    Param()->GetDouble(OPT_RULE_SCALE, scale);
    return scale;
}

std::string OptionText(int id)
{
    std::string text;
    Param()->GetText(id, text);
    return text;
}

} // namespace

MRuleTool* MRuleTool::GetInstance()
{
    if (!instance)
        instance = new MRuleTool();
    return instance;
}

void MRuleTool::ResetInstanceForTesting() { GetInstance()->showUnit = true; }

double MRuleTool::GetScale() const
{
    const double scale = CalibrationScale();
    return scale > 0 ? scale * GetUnitFactor() : 1.0;
}

std::string MRuleTool::GetUnitName() const
{
    if (!(CalibrationScale() > 0))
        return "px";
    const std::string userUnit = OptionText(OPT_RULE_UNIT_USER);
    return IsUnitName(userUnit) ? userUnit : OptionText(OPT_RULE_UNIT);
}

double MRuleTool::GetUnitFactor() const
{
    if (!(CalibrationScale() > 0))
        return 1.0;
    const std::string from = OptionText(OPT_RULE_UNIT);
    const std::string to = OptionText(OPT_RULE_UNIT_USER);
    // The calibration dialogs calibrate in millimetres or micrometres only.
    if (from == "mm") {
        if (to == "mm")
            return 1.0;
        if (to == "um")
            return 1000.0;
        if (to == "inch")
            return 0.03937007874015748;
        if (to == "mil")
            return 39.37007874015748;
        if (to == "u''")
            return 39370.07874015748;
    } else if (from == "um") {
        if (to == "mm")
            return 0.001;
        if (to == "um")
            return 1.0;
        if (to == "inch")
            return 3.9370078740157485e-05;
        if (to == "mil")
            return 0.03937007874015748;
        if (to == "u''")
            return 39.37007874015748;
    }
    return 1.0;
}

double MRuleTool::PixelMagnification(double unitsPerPixel, const std::string& unit)
{
    return kPixelMillimetres / unitsPerPixel / UnitToMillimetre(unit);
}

double MRuleTool::UnitToMillimetre(const std::string& unit)
{
    if (unit == "um")
        return 0.001;
    if (unit == "inch")
        return 25.4;
    if (unit == "mil")
        return 0.0254;
    if (unit == "u''")
        return 2.54e-05;
    return 1.0; // "mm" and anything that is no unit
}

bool MRuleTool::IsUnitName(const std::string& text)
{
    return text == "mm" || text == "um" || text == "inch" || text == "mil" || text == "u''";
}

std::string MRuleTool::FormatValue(double pixels) const
{
    return MTool::GetInstance()->FormatNumber(pixels * GetScale());
}

std::string MRuleTool::ValueToText(double pixels) const { return FormatValue(pixels); }

std::string MRuleTool::FormatLength(double pixels) const
{
    const std::string text = FormatValue(pixels);
    return showUnit ? text + " " + GetUnitName() : text;
}

std::string MRuleTool::FormatArea(double squarePixels) const
{
    const double scale = GetScale();
    const std::string text = MTool::GetInstance()->FormatNumber(squarePixels * scale * scale);
    if (!showUnit)
        return text;
    const std::string unit = GetUnitName();
    return text + " " + unit + "*" + unit;
}

double MRuleTool::TextToLength(const std::string& text) const
{
    double value = 0;
    if (!MTool::TextToNumber(text, value))
        return 0;
    return value / GetScale();
}
