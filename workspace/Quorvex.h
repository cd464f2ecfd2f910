// The main window. For now it shows the working picture in a scroll area;
// tools, shapes and menus join it as they are built.
#pragma once

#include "platform/gui/TBitmap.h"
#include "workspace/MCalibration.h"

#include <QMainWindow>

#include <string>

class QFileDialog;
class QLabel;
class QScrollArea;

class TFormMeasure : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMeasure(QWidget* parent = nullptr);

    // Takes the picture in `name` as the working image; false (and the old
    // picture kept) when it cannot be read.
    bool LoadImageFile(const std::string& name);

    const TBitmap& ImageBitmap() const { return imageBitmap; }

    // ---- Calibration (QuorvexCalibration.cpp) ----
    void MenuRuleClick();
    void StartCalibration(int direction, bool reset);
    void ShowCalibrationLength();
    void FinishCalibration(bool cancel);
    void ApplyCalibration();
    void ApplyRuler();

    int CalibrationDirection = RULE_HORI;
    int RulerAspect = RULER_ASPECT_NONE;
    double RulerRatio = 0; // meaningful only while RulerAspect is not RULER_ASPECT_NONE

    // ---- Opening, grabbing and saving pictures (QuorvexImageFiles.cpp) ----
    void MenuOpenClick();
    void MenuSaveClick();
    // Writes the picture as shown, with everything drawn on it: JPEG at
    // quality 100 when the name ends in ".jpg" in any case, else a bitmap
    // whatever the extension. Throws an error naming the file; a failed save
    // leaves an existing file as it was.
    void SaveImageFile(const std::string& fileName) const;

    // Made on first use, then kept so that each remembers its folder.
    QFileDialog* OpenDialogImage = nullptr;
    QFileDialog* SaveDialogImage = nullptr;

private:
    TBitmap imageBitmap;
    QScrollArea* scrollBoxPaint;
    QLabel* imagePaint;
};

// Created first by the start-up code, alive until exit.
extern TFormMeasure* FormMeasure;
