// The ruler manager: the modal dialog in which the operator stores the
// current calibration (options 709-712) under a name, puts a stored ruler into
// force, deletes stored rulers and clears the current calibration. The main
// window shows it and, when RulerChanged is set afterwards, applies the
// current calibration anew.
#pragma once

#include "ui_TFormRule.h"

#include <QDialog>

#include <string>

class MLan;
class MParam;
class QLabel;
struct MRulerItem;

class TFormRule : public QDialog, public Ui::TFormRule {
    Q_OBJECT
public:
    explicit TFormRule(QWidget* parent = nullptr);

    // How many of the two current rulers are in force (0, 1 or 2).
    int RulerCount = 0;
    // Set when this dialog loaded a ruler or cleared the current one; the
    // main window clears it before each showing and reads it afterwards.
    bool RulerChanged = false;

    // The status bar's one panel.
    QLabel* StatusPanel = nullptr;

    // "" for an empty value or "0"; else the value, a blank, the unit and
    // "/px" (0.0125 mm/px).
    static std::string RulerText(const std::string& value, const std::string& unit);

    void SetStatus(const std::string& text);
    void FillRulerList();
    void AddRulerRow(const std::string& name, const MRulerItem& item);
    void ShowCurrentRuler();

    void BBLoadClick();
    void BBDeleteClick();
    void BBSaveClick();
    void BBClearClick();
    void BBConfirmClick();
    void ListViewRulersClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    QString Slot(int slot) const;
    // The selected row; without one, the status bar asks for a choice when
    // the list has rows to choose from.
    QTreeWidgetItem* ChosenRow();

    MParam* Param = nullptr;
    MLan* Lan = nullptr;
};

// Created by the start-up code, alive until exit.
extern TFormRule* FormRule;
