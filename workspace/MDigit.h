// The numeric entry window: the defining values of a shape (its point, up to
// two lengths and up to two angles, as the shape writes them into a value
// record) in calibrated units, y counted up from the bottom of the image and
// angles counted the other way round, ready to be typed over.
//
// One class serves two uses. The floating tool window follows the main
// window's selection: Apply (or Enter in an edit) stores the typed texts and
// asks the main window to rebuild the shape; its two link buttons ask for the
// shape's derived constructions. The modal preset dialog asks for the values
// of a new shape: only its OK button stores them.
//
// The window knows no other window: it talks through its signals.
#pragma once

#include "shapes/MData.h"
#include "ui_TFormDigit.h"

#include <QDialog>

#include <string>

class MLan;
class MRuleTool;
class MTool;
class QLabel;
class QLineEdit;

class TFormDigit : public QDialog, public Ui::TFormDigit {
    Q_OBJECT
public:
    explicit TFormDigit(QWidget* parent = nullptr);

    // The singletons; not owned.
    MTool* Tool = nullptr;
    MLan* Lan = nullptr;
    MRuleTool* RuleTool = nullptr;
    // Rows laid out by the last ShowFields.
    int RowCount = 0;
    // False for the floating window, true for the preset dialog.
    bool IsModal = false;
    // The record shown and edited; its title is the name in the caption.
    MData Data;

    // The preset dialog is centred on the desktop and shown modally.
    void SetModal(bool modal);

    // Lays out and fills a row for every value of the record, in the order
    // point (x and y), lengths, angles; edits are enabled only when the
    // record is editable. The preset dialog's edits open empty (a value left
    // empty keeps the record's). Hides nothing: ClearFields does that first.
    void ShowFields();
    // Stores the typed texts into the record (a text that is no number leaves
    // its value as it was); the floating window then emits FieldsApplied.
    void ApplyFields();
    // The caption "Params" and every row, button and link hidden.
    void ClearFields();

    static int LabelTop(int row) { return row * 22 + 6; }
    static int EditTop(int row) { return row * 22 + 2; }
    // The caption with the current unit in brackets: "Length[mm]".
    std::string UnitCaption(const std::string& caption) const;

    void FormShow();
    void EditPointXKeyUp(int key);
    void BBApplyClick();
    void BBConfirmClick();
    void SBFunction1Click();
    void SBFunction2Click();

Q_SIGNALS:
    // The floating window stored typed values: the shape is to be rebuilt.
    void FieldsApplied();
    // The operator chose derived construction 1 or 2 of the shape shown.
    void ConstructionChosen(int index);
    // The floating window is being closed by the operator.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape leaves the preset dialog; the floating window stays.
    void reject() override;

private:
    // Puts the label and the edit in `row`, shown, the edit enabled or grey.
    void ShowRow(QLabel* label, QLineEdit* edit, const std::string& caption, const std::string& text, bool editable);
    // Widens the labels to their longest text shown, moving the edits right
    // and widening the window by as much; the designed widths at least.
    void FitLabels();
    // The labels' designed width.
    int DesignedLabelWidth = 0;
};

// The floating window, created by the start-up code and alive until exit.
extern TFormDigit* FormDigit;
