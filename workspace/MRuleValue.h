// Two small ruler value dialogs, made at start-up and kept for the life of
// the program: a value with its unit (TFormRuleValue), and the same with the
// choice of storing it as a new or an existing ruler (TDlgRule, MDlgRule.h).
// No command of the program shows them.
#pragma once

#include "ui_TFormRuleValue.h"

#include <QDialog>

class MLan;
class QLabel;
class QLineEdit;
class QPushButton;

// What both value dialogs do alike. On creation: the value edit takes
// digits and one decimal point, Confirm ends the dialog with OK and Cancel
// with Cancel.
void ConnectRuleValueDialog(QDialog* dialog, QLineEdit* editValue, QPushButton* confirm, QPushButton* cancel);
// When shown: "Ruler Value:" and the two buttons' captions.
void CaptionRuleValueDialog(const MLan* lan, QLabel* labelValue, QPushButton* confirm, QPushButton* cancel);

class TFormRuleValue : public QDialog, public Ui::TFormRuleValue {
    Q_OBJECT
public:
    explicit TFormRuleValue(QWidget* parent = nullptr);

    MLan* Lan = nullptr;

protected:
    // Captions from the string table (the window keeps its own); the value
    // edit takes the keyboard.
    void showEvent(QShowEvent* event) override;
};

// Created by the start-up code, alive until exit.
extern TFormRuleValue* FormRuleValue;
