// The value window: a floating, always-on-top tool window listing the results
// of the selected shape or relation, one line each (name, colon, value). The
// main window fills it and hears when it is closed, which switches its view
// option off.
#pragma once

#include "ui_TFormValue.h"

#include <QWidget>

#include <string>

class MLan;

class TFormValue : public QWidget, public Ui::TFormValue {
    Q_OBJECT
public:
    // The largest size the window may take.
    static constexpr int MaxWidth = 600;
    static constexpr int MaxHeight = 480;

    explicit TFormValue(QWidget* parent = nullptr);

    MLan* Lan = nullptr;

    // Takes the caption from the string table; done whenever it is shown.
    void FormShow();
    void ClearLines();
    // Appends the line name + ": " + value.
    void AddLine(const std::string& name, const std::string& value);

Q_SIGNALS:
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

// Null until start-up creates the window.
extern TFormValue* FormValue;
