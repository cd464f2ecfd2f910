// The print options dialog: whether the printed page carries the information
// block (name, unit, author, and this run's number, scale and date) and the
// shape attributes, and whether the picture prints at a magnification the
// operator sets, with the printer's adjustment. It also shows the
// magnification at which the picture prints unscaled.
//
// The stored options are reloaded whenever the dialog is shown and written,
// all at once, by Confirm; the number, scale and date are kept only for the
// run.
#pragma once

#include "ui_TFormImagePrintOption.h"

#include <QDialog>

#include <string>

class MLan;
class MParam;
class MTool;

class TFormImagePrintOption : public QDialog, public Ui::TFormImagePrintOption {
    Q_OBJECT
public:
    explicit TFormImagePrintOption(QWidget* parent = nullptr);

    MParam* Param = nullptr;
    MTool* Tool = nullptr;
    MLan* Lan = nullptr;

    // The magnification of the picture printed at one pixel per 0.35 mm under
    // the calibration in force: whole when 1 or more (halves away from zero),
    // exact below; 0.0 without a calibration.
    double ComputeMagnification() const;
    // The controls from the stored options.
    void LoadFields();
    // The stored options from the controls, each written at once.
    void SaveFields();

    // This run's lines of the information block, as typed.
    std::string DateText() const;
    std::string NumberText() const;
    std::string ScaleText() const;

    void FormShow();
    void BBConfirmClick();
    void BBCancelClick();

protected:
    void showEvent(QShowEvent* event) override;
};

// Created by the start-up code, alive until exit.
extern TFormImagePrintOption* FormImagePrintOption;
