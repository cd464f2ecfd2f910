// The ruler value dialog with a choice of where to store the ruler: as a new
// ruler under a typed name, or over an existing one chosen from a list. Made
// at start-up and kept for the life of the program; no command shows it.
#pragma once

#include "ui_TDlgRule.h"

#include <QDialog>

class MLan;

class TDlgRule : public QDialog, public Ui::TDlgRule {
    Q_OBJECT
public:
    explicit TDlgRule(QWidget* parent = nullptr);

    MLan* Lan = nullptr;

    // The save choices follow CheckBoxSave: the radio buttons are enabled
    // only while it is checked; then the new-ruler choice enables the name
    // edit and the existing-ruler choice the list. Disabled ones are silver.
    void UpdateSaveControls();

protected:
    // Captions from the string table; the value edit takes the keyboard.
    void showEvent(QShowEvent* event) override;
};

// Created by the start-up code, alive until exit.
extern TDlgRule* DlgRule;
