// The calibration as stored in the parameter store, apart from the windows:
// a confirmed calibration becomes the current ruler (options 704, 709-712)
// and a named ruler; the current ruler gives the one scale (702) and unit
// (703) the unit converter applies, and tells which axis of the picture the
// main window shrinks on screen when the horizontal and vertical values per
// pixel differ, so that every displayed pixel stands for the same length in
// both directions.
#pragma once

#include <string>

class MParam;

// Which ruler line is being drawn.
inline constexpr int RULE_HORI = 1;
inline constexpr int RULE_VERT = 2;

// Which picture axis the display shrinks by the ratio of the two calibrations.
inline constexpr int RULER_ASPECT_NONE = 0;
inline constexpr int RULER_ASPECT_WIDTH = 1;  // the vertical value per pixel is the larger
inline constexpr int RULER_ASPECT_HEIGHT = 2; // the horizontal value per pixel is the larger

// The name a calibration without a name is stored under.
inline constexpr const char* DEFAULT_RULER_NAME = "Default";

// Outcomes of StoreCalibration.
inline constexpr int CALIBRATION_STORED = 0;
inline constexpr int CALIBRATION_INVALID_INPUT = 1; // a typed value is no number above 0
inline constexpr int CALIBRATION_NO_LENGTH = 2;     // a ruler line was never finished

// What the operator confirmed in the calibration window.
struct MCalibrationEntry {
    std::string ValueHori; // typed true lengths, "." or "," as separator
    std::string ValueVert;
    double HoriPixels = 0; // pixel lengths of the ruler lines
    double VertPixels = 0;
    std::string Unit;
    std::string RulerName; // trimmed; an empty name is stored as "Default"
};

// Writes options 704, 711, 712, 709 and 710 (each saved at once) and the
// named ruler (all rulers saved; a failed save is not reported). Nothing is
// written unless the result is CALIBRATION_STORED.
int StoreCalibration(MParam& param, const MCalibrationEntry& entry);

// The display correction ApplyRulerOptions derives.
struct MRulerAspect {
    int Aspect = RULER_ASPECT_NONE;
    double Ratio = 0;         // smaller value per pixel over the larger; 0 without a correction
    bool UnitsDiffer = false; // both directions valid but in different units: uncalibrated
};

// Sets the scale (702) and unit (703, saved at once) from the current ruler
// (709-712). Both directions must be valid (value above 0, unit not empty) and
// in the same unit; otherwise the scale becomes 0. The scale is the larger of
// the two values per pixel.
MRulerAspect ApplyRulerOptions(MParam& param);
