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

// Every unit a length is shown in, with the millimetres one of it measures.
struct MUnit {
    const char* name;
    double millimetres;
};
constexpr MUnit kUnits[] = {{"mm", 1.0}, {"um", 0.001}, {"inch", 25.4}, {"mil", 0.0254}, {"u''", 2.54e-05}};

const MUnit* FindUnit(const std::string& name)
{
    for (const MUnit& unit : kUnits)
        if (name == unit.name)
            return &unit;
    return nullptr;
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
    if (scaleGeneration != MParam::Generation()) {
        const double calibration = CalibrationScale();
        scale = calibration > 0 ? calibration * GetUnitFactor() : 1.0;
        scaleGeneration = MParam::Generation();
    }
    return scale;
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
    const MUnit* to = FindUnit(OptionText(OPT_RULE_UNIT_USER));
    // The calibration dialogs calibrate in millimetres or micrometres only.
    if ((from != "mm" && from != "um") || !to)
        return 1.0;
    return UnitToMillimetre(from) / to->millimetres;
}

double MRuleTool::PixelMagnification(double unitsPerPixel, const std::string& unit)
{
    return kPixelMillimetres / unitsPerPixel / UnitToMillimetre(unit);
}

double MRuleTool::UnitToMillimetre(const std::string& unit)
{
    const MUnit* known = FindUnit(unit);
    return known ? known->millimetres : 1.0; // "mm", and anything that is no unit
}

bool MRuleTool::IsUnitName(const std::string& text)
{
    return FindUnit(text) != nullptr;
}

std::string MRuleTool::FormatValue(double pixels) const
{
    return MTool::GetInstance()->FormatNumber(pixels * GetScale());
}

const std::string& MRuleTool::FormatValue(double pixels, MKeptText& kept) const
{
    const double value = pixels * GetScale();
    const int decimals = MTool::GetInstance()->GetDecimals();
    // A NaN equals nothing, so it is formatted every time.
    if (!(value == kept.value) || decimals != kept.decimals) {
        kept.text = MTool::GetInstance()->FormatNumber(value);
        kept.value = value;
        kept.decimals = decimals;
    }
    return kept.text;
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
