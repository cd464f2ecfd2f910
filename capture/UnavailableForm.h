// The common ground of the capture and compare windows while video capture
// is not part of the program yet: a plain dialog that says so and always
// ends with Cancel, so the main window's grab and compare commands do
// nothing after it closes.
#pragma once

#include "platform/gui/GuiTypes.h"

#include <QDialog>

class TUnavailableForm : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    // Whichever way the window closes (button, close box, Esc), Cancel.
    void reject() override { done(mrCancel); }
    void accept() override { done(mrCancel); }
};
