// The image compare window: two still pictures side by side, each opened
// from a file or grabbed through the capture window. It holds no capture
// control of its own. Created at start-up and living until exit; the main
// window shows it modally.
#pragma once

#include "platform/gui/GuiTypes.h"
#include "ui_TFormSplit.h"

#include <QDialog>

class MLan;
class MTool;
class QFileDialog;

class TFormSplit : public QDialog, public Ui::TFormSplit {
    Q_OBJECT
public:
    explicit TFormSplit(QWidget* parent = nullptr);

    MTool* Tool = nullptr;
    MLan* Lan = nullptr;
    QFileDialog* OpenDialogImage = nullptr; // made, with the buttons' glyphs, when the window is first shown

    void FormShow();
    void SBOpenLeftClick();
    void SBOpenRightClick();
    void SBGrabLeftClick();
    void SBGrabRightClick();
    void PanelMainResize();

    void reject() override { done(mrCancel); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Null until start-up creates the window.
extern TFormSplit* FormSplit;
