// Value records: how a shape hands its defining values (one point, up to two
// lengths, up to two angles) to the numeric entry window and is rebuilt from
// them after the operator has edited them.
//
// Each value keeps the pixel value the shape wrote, the text shown to the
// operator and the text as edited; it counts as edited when the two texts
// differ. What the operator sees is turned round here: y counts upwards from
// the bottom of the image, angles count the other way round, lengths and
// coordinates are in calibrated units. Unedited values come back exactly as
// written, never re-read from their rounded texts. Records live in memory only.
#pragma once

#include "platform/gui/GuiTypes.h"

#include <array>
#include <string>

class MDataPoint {
public:
    // Writes the point; with flip its y is mirrored by the image height.
    void SetValue(TPoint p, const std::string& caption, bool flip);
    // The point in image pixels: edited texts converted back from calibrated
    // units (truncated towards zero), y always mirrored back.
    TPoint GetPoint() const;
    // Stores typed texts when both are numbers; otherwise changes nothing.
    void SetText(const std::string& x, const std::string& y);
    bool IsModified() const;

    bool IsValid() const { return valid; }
    const std::string& GetCaption() const { return caption; }
    const std::string& GetTextX() const { return textX; }
    const std::string& GetTextY() const { return textY; }
    const std::string& GetEditX() const { return editX; }
    const std::string& GetEditY() const { return editY; }
    void Clear() { valid = false; }
    // 0 means no mirroring.
    void SetImageHeight(int height) { imageHeight = height; }

private:
    bool valid = false;
    std::string caption;
    std::string textX, textY; // as written, calibrated
    std::string editX, editY; // as edited
    int x = 0, y = 0;         // pixels, y already mirrored when asked for
    int imageHeight = 0;
};

// What a length and an angle share: one value with its caption, the text
// written for it and the text as edited.
class MDataValue {
public:
    // Stores a typed text when it is a number; otherwise changes nothing.
    void SetText(const std::string& text);
    bool IsModified() const { return valid && edit != text; }

    bool IsValid() const { return valid; }
    const std::string& GetCaption() const { return caption; }
    const std::string& GetText() const { return text; }
    const std::string& GetEdit() const { return edit; }
    void Clear() { valid = false; }

protected:
    void Store(const std::string& newCaption, double newValue, std::string written);

    bool valid = false;
    std::string caption;
    std::string text; // as written
    std::string edit; // as edited
    double value = 0; // as the shape wrote it
};

class MDataLength : public MDataValue {
public:
    // Writes a length in pixels; its text is calibrated.
    void SetValue(double pixels, const std::string& caption);
    // Pixels: as written while unedited, else the edited text converted back.
    double GetValue() const;
};

class MDataAngle : public MDataValue {
public:
    // Writes the angle in degrees; with reverse it is shown counted the other
    // way round (360 - a, and 0 for 360). Angles are not calibrated.
    void SetValue(double degrees, const std::string& caption, bool reverse);
    // Degrees: the written or edited value, always reversed back.
    double GetValue() const;
};

class MData {
public:
    // Clears every value and makes the record editable.
    void Clear();
    // Any value edited: the point first, then the lengths, then the angles.
    bool IsModified() const;
    void SetImageHeight(int height) { point.SetImageHeight(height); }
    bool IsEditable() const { return editable; }
    void SetEditable(bool value) { editable = value; }

    std::string title; // written by no shape
    MDataPoint point;
    std::array<MDataLength, 2> length;
    std::array<MDataAngle, 2> angle;

private:
    bool editable = false;
};
