// The dialog in which the operator types the values of a stored query's
// input parameters: a grid of one row per parameter (number, name, engine
// type, dataset type) with the value cell open for editing. Execute hands
// back one value per parameter, an empty one as "NULL".
#pragma once

#include "platform/system/TStringList.h"

#include "ui_TQueryDefDialog.h"

#include <QDialog>

class TQueryDefDialog : public QDialog, public Ui::TQueryDefDialog {
    Q_OBJECT
public:
    explicit TQueryDefDialog(QWidget* parent = nullptr);

    // One line per input parameter in each list; the first three lists get
    // a leading blank on every line (they are changed in place). With Ok,
    // `values` is replaced by the typed values and the answer is true; with
    // Cancel `values` stays as it was.
    bool Execute(platform::TStringList& names, platform::TStringList& daoTypes, platform::TStringList& bdeTypes,
                 platform::TStringList& values);

    void Button1Click();
    void Button2Click();
    void StringGrid1Click();

    // The editor of a parameter's value (rows from 1).
    QLineEdit* ValueEditor(int row) const;

    int ParamCount = 0;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SetFixedCell(int row, int column, const std::string& text);
    void FitColumnsToHeaders();

    // The values read by Ok; it exists while Execute runs.
    platform::TStringList* ParamValues = nullptr;
};
