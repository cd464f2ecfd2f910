// The login dialog the database component shows when it asks for a user
// name and passwords: the database's name, the three edits, Ok and Cancel.
// The caller fills the edits and reads them back after an Ok. A fixed-size
// dialog in the middle of the screen.
#pragma once

#include "ui_TDbLogin.h"

#include <QDialog>

class TDbLogin : public QDialog, public Ui::TDbLogin {
    Q_OBJECT
public:
    explicit TDbLogin(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};
