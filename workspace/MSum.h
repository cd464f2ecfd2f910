// The summary window: the table of every shape's and relation's results in a
// read-only text box, with the buttons that export it and close the window.
// The main window fills it and shows it modally; the export is the main
// window's, asked for through ExcelClicked.
#pragma once

#include "ui_TFormSum.h"

#include <QDialog>

#include <string>
#include <vector>

class MLan;

class TFormSum : public QDialog, public Ui::TFormSum {
    Q_OBJECT
public:
    explicit TFormSum(QWidget* parent = nullptr);

    MLan* Lan = nullptr;

    // The summary lines, one text line each (their line feeds dropped).
    void SetLines(const std::vector<std::string>& lines);

    // Captions from the string table; done whenever the window is shown.
    void FormShow();
    void BBExcelClick();
    void BBConfirmClick();

Q_SIGNALS:
    // The operator asked for the table as a file.
    void ExcelClicked();

protected:
    void showEvent(QShowEvent* event) override;
};

// Created by the start-up code, alive until exit.
extern TFormSum* FormSum;
