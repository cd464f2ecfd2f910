// The calibration window: a non-modal tool window beside the main window in
// which the operator sees the pixel lengths of the horizontal and vertical
// ruler lines drawn on the picture, types their true lengths, picks the unit
// and names the ruler under which the calibration is stored. The main window
// drives it (TFormMeasure::StartCalibration, ShowCalibrationLength) and hears
// through its signals which ruler line the operator wants next and how the
// calibration ends; it reads the typed values (Entry) when it is confirmed.
//
// Typed values are read with "." or "," as the decimal separator whatever the
// user's locale; the key filter lets only digits and one "." in.
#pragma once

#include "ui_TFormRuleHoriVert.h"
#include "workspace/MCalibration.h"

#include <QWidget>

#include <string>

class MLan;
class MParam;
class MTool;
class QLineEdit;

class TFormRuleHoriVert : public QWidget, public Ui::TFormRuleHoriVert {
    Q_OBJECT
public:
    explicit TFormRuleHoriVert(QWidget* parent = nullptr);

    // Press one direction's button (releasing the other) and disable both
    // value edits until the new ruler line is finished.
    void SelectHori();
    void SelectVert();
    // Unit from option 703, the stored ruler names, no lengths, empty and
    // disabled edits, Confirm disabled.
    void Reset();
    // Shows the window with the finished line's pixel length and lets the
    // operator type that direction's true length.
    void SetHoriLength(double pixels);
    void SetVertLength(double pixels);
    // Confirm is enabled exactly when both typed values are valid.
    void UpdateConfirm();
    // A number above 0, with blanks around it allowed; false without an edit.
    bool IsValidValue(QLineEdit* edit) const;

    double GetHoriPixels() const { return HoriPixels; }
    double GetVertPixels() const { return VertPixels; }
    // The ruler name box's text without leading and trailing blanks and
    // control characters.
    std::string RulerName() const;
    void SetRulerName(const std::string& name);
    // What the operator typed and the ruler lines measured.
    MCalibrationEntry Entry() const;

    // Takes the captions from the string table; done whenever it is shown.
    void FormShow();

Q_SIGNALS:
    // The operator wants a ruler line drawn in this direction (RULE_HORI or
    // RULE_VERT).
    void DirectionChosen(int direction);
    // Calibration ends: confirmed, or cancelled (also by closing the window).
    void Finished(bool cancel);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void BBConfirmClick();
    void BBCancelClick();
    void SBHoriClick();
    void SBVertClick();
    void EditValueHoriKeyUp(int key);
    void EditValueVertKeyUp(int key);
    void SetLength(double pixels, double& field, QLabel* label, QLineEdit* edit);

    MTool* Tool = nullptr;
    MParam* Param = nullptr;
    MLan* Lan = nullptr;
    double HoriPixels = 0; // pixel length of the finished horizontal ruler line, 0 after a reset
    double VertPixels = 0; // the same for the vertical line
};

// Created by the start-up code, alive until exit.
extern TFormRuleHoriVert* FormRuleHoriVert;
