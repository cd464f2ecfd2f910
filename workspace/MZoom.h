// The magnifier window: a floating, always-on-top tool window showing the
// 61 x 61 image pixels around the mouse three times enlarged, with the shapes
// drawn over them and a cross-hair on the mouse position. The main window
// draws its view and hears when it is closed, which switches its view option
// off.
#pragma once

#include "ui_TFormZoom.h"

#include <QWidget>

class MLan;

class TFormZoom : public QWidget, public Ui::TFormZoom {
    Q_OBJECT
public:
    explicit TFormZoom(QWidget* parent = nullptr);

    MLan* Lan = nullptr;

    // Takes the caption from the string table; done whenever it is shown.
    void FormShow();
    // The canvas of the view the main window draws.
    TCanvas* ViewCanvas() { return PaintBoxZoom->Canvas(); }

Q_SIGNALS:
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

// Null until start-up creates the window.
extern TFormZoom* FormZoom;
