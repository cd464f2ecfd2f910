// The unit converter: turns pixel measures into calibrated values and their
// texts, and typed calibrated values back into pixels.
//
// The calibration is read from the parameter store: the scale
// (OPT_RULE_SCALE, calibration units per pixel; calibrated only above 0), the
// calibration unit (OPT_RULE_UNIT) and the display unit the operator chose
// (OPT_RULE_UNIT_USER). The scale worked out from them is kept only while no
// option changes, so a new calibration shows in the next drawing without any
// notification. Numbers are formatted by the toolbox with its
// number of decimals.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

// A value text kept from one drawing to the next, with what it was made of.
struct MKeptText {
    double value = std::nan("");
    int decimals = -1;
    std::string text;
};

class MRuleTool {
public:
    // The one converter, created on first use with units shown.
    static MRuleTool* GetInstance();
    // Tests only: puts the one converter back into its state after creation.
    static void ResetInstanceForTesting();

    MRuleTool(const MRuleTool&) = delete;
    MRuleTool& operator=(const MRuleTool&) = delete;

    // Display units per pixel: the calibration scale times the unit factor,
    // 1.0 while not calibrated.
    double GetScale() const;
    // "px" while not calibrated; else the display unit when it is a unit
    // name, else the calibration unit as stored (possibly empty).
    std::string GetUnitName() const;
    // From the calibration unit ("mm" or "um") to the display unit; 1.0 in
    // every other case.
    double GetUnitFactor() const;
    // Millimetres per unit; 1.0 for a text that is no unit name.
    static double UnitToMillimetre(const std::string& unit);
    // How many times larger than the object a picture shows it when one of
    // its pixels, worth `unitsPerPixel` of `unit`, is 0.35 mm wide on the
    // screen or the paper.
    static double PixelMagnification(double unitsPerPixel, const std::string& unit);
    // "mm", "um", "inch", "mil" and "u''" (micro-inch); "px" is none.
    static bool IsUnitName(const std::string& text);

    // The calibrated value without unit (labels on the image).
    std::string FormatValue(double pixels) const;
    // The same text, formatted again only when the calibrated value or the
    // number of decimals differs from those `kept` was made of: a redraw
    // writes every label again, mostly unchanged.
    const std::string& FormatValue(double pixels, MKeptText& kept) const;
    // The same text, for the value records.
    std::string ValueToText(double pixels) const;
    // The calibrated value, then " " and the unit while units are shown.
    std::string FormatLength(double pixels) const;
    // The calibrated area, then " unit*unit" while units are shown.
    std::string FormatArea(double squarePixels) const;
    // A typed calibrated value back in pixels; a text that is no number
    // gives 0.
    double TextToLength(const std::string& text) const;

    // The summary export turns units off while it writes its table.
    void SetShowUnit(bool show) { showUnit = show; }
    bool GetShowUnit() const { return showUnit; }

private:
    MRuleTool() = default;

    bool showUnit = true;
    // GetScale's last answer and the option generation it was worked out at;
    // every label of a redraw asks for it.
    mutable double scale = 1.0;
    mutable std::uint64_t scaleGeneration = 0;
};
