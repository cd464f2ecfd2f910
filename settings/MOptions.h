// The options dialog: the drawing colours, the pick tolerance, drawing
// behaviour, the mark font, the perpendicular guide, the ruler display, the
// shape-keeping switch, the decimals of value texts and the exit question.
// It edits the parameter store in memory; Save also writes every option to
// the configuration store. The main window shows it modally and applies the
// options to the workspace afterwards, whatever the result.
//
// Each showing loads the controls from the store afresh, so edits abandoned
// with the window's close box are gone the next time.
#pragma once

#include "platform/gui/GuiTypes.h"
#include "platform/gui/TCanvas.h"
#include "settings/MParam.h"
#include "ui_TFormOptions.h"

#include <QDialog>

#include <map>

class MLan;

class TFormOptions : public QDialog, public Ui::TFormOptions {
    Q_OBJECT
public:
    // The largest mark font size the font dialog lets through.
    static constexpr int MaxFontSize = OPT_MARK_FONT_SIZE_MAX;

    explicit TFormOptions(QWidget* parent = nullptr);

    // The controls and the working colours from the store; also what Cancel does.
    void FormActivate();
    // Writes the controls into the store, in memory only.
    void ApplyOptions();

    // The working colours of options 101-107 while the dialog is open; the
    // swatches paint from them.
    std::map<int, TColor> Colors;
    // PanelFont's font as the old platform held it: besides name and size it
    // carries the character set and height that options 803 and 804 store.
    TFont PanelFontFont;

    // The colour the colour dialog last returned: it opens on it.
    QColor ColorDialogColor = Qt::black;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Esc and the close box leave the dialog as Cancel does.
    void reject() override;

private:
    // A colour row: its option, swatch and Modify button.
    struct ColorRow {
        int Id;
        QWidget* Swatch;
        QAbstractButton* Button;
    };
    std::vector<ColorRow> ColorRows() const;

    void FormCreate();
    void FormShow();
    void BBSaveClick();
    void BBConfirmClick();
    void BBCancelClick();
    void ChooseColor(int id, QWidget* swatch);
    void PaintColorBox(int id, QWidget* swatch);
    void SBFontClick();
    void ComboBoxRuleUnitUserChange();
    void ShowPanelFont();

    MParam* Param = nullptr;
    MLan* Lan = nullptr;
};

// Created by the start-up code, alive until exit.
extern TFormOptions* FormOptions;
