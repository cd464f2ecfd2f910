// The live image compare window: live video from its own capture control on
// the left, beside a still picture on the right that is opened from a file
// or grabbed through the capture window. The device and frame size start
// as the capture window last left them, and choices made here are not
// remembered. Created at start-up and living until exit; the main window
// shows it modally. The control is initialized on the first show and kept.
#pragma once

#include "platform/gui/GuiTypes.h"
#include "ui_TFormSplitLive.h"

#include <QDialog>

#include <map>
#include <string>
#include <vector>

class MParam;
class MTool;
class QFileDialog;

inline constexpr int SPLIT_LIVE_STATE_IDLE = 0;
inline constexpr int SPLIT_LIVE_STATE_PREVIEW = 1;

class TFormSplitLive : public QDialog, public Ui::TFormSplitLive {
    Q_OBJECT
public:
    explicit TFormSplitLive(QWidget* parent = nullptr);

    // ---- State ----
    MTool* Tool = nullptr;
    MParam* Param = nullptr;
    bool Initialized = false;
    int State = SPLIT_LIVE_STATE_IDLE;
    std::vector<std::string> DeviceNames;
    std::string DeviceName;
    std::map<std::string, int> Formats; // format-list text to packed size
    TSize FrameSize;
    QFileDialog* OpenDialogImage = nullptr; // made, with the buttons' glyphs, when the window is first shown

    void SetState(int state);
    void LayoutView();
    void BuildFormatList(bool useSaved);

    // ---- Handlers ----
    void FormShow();
    void FormClose();
    void ComboBoxDevicesChange();
    void ComboBoxFormatsChange();
    void PanelMainResize();
    void SBOpenRightClick();
    void SBGrabRightClick();
    void GrabberSampleGrabbed(int status);

    void done(int result) override;
    void reject() override { done(mrCancel); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Null until start-up creates the window.
extern TFormSplitLive* FormSplitLive;
