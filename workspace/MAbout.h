// The about box: product, version, maker, contact and service lines from the
// string table, and the program's icon.
#pragma once

#include "ui_TAboutBox.h"

#include <QDialog>

class MLan;

class TAboutBox : public QDialog, public Ui::TAboutBox {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    MLan* Lan = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

// Null until start-up creates the dialog.
extern TAboutBox* AboutBox;
