// The data-source chooser behind "&ODBC >>": the driver manager of this
// platform has no dialog of its own to prompt for a source, so this one
// lists the user and system data sources of the ODBC configuration (name,
// kind, driver, description) and answers the one the operator picks (Ok or
// a double click).
#pragma once

#include "ui_TODBCSourceDialog.h"

#include <QDialog>

#include <string>

class TODBCSourceDialog : public QDialog, public Ui::TODBCSourceDialog {
    Q_OBJECT
public:
    explicit TODBCSourceDialog(QWidget* parent = nullptr);

    // Lists the sources, selecting `source` when it is one of them (else the
    // first). True, with `source` the chosen one, when the operator chose.
    bool Execute(std::string& source);

    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillSources();
};
