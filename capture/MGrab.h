// The capture window: a modal window in which the operator picks the capture
// device and the frame size, watches the live picture (filling the view, at
// its real size, or at a size of the operator's choice, with an optional
// dashed cross-hair), opens the video adjustment dialog and grabs a frame
// into Images/Grabbed.bmp. It closes with OK only when a frame was grabbed
// while it was open, so whoever opened it loads that file on OK. Every
// choice is written to the configuration store at once.
//
// Created at start-up and living until exit; the capture control is
// initialized on the first show and terminated when the window is freed.
#pragma once

#include "platform/gui/GuiTypes.h"
#include "platform/gui/TBitmap.h"
#include "settings/MParam.h"
#include "ui_TFormGrab.h"

#include <QDialog>
#include <QEvent>

#include <array>
#include <map>
#include <string>
#include <vector>

class MLan;
class MTool;
class QColorDialog;
class QLabel;
class QTimer;
struct TVideoAmpRange;

// States of the capture window.
inline constexpr int GRAB_STATE_IDLE = 0;    // nothing shown, no choice possible
inline constexpr int GRAB_STATE_PREVIEW = 1; // live picture
inline constexpr int GRAB_STATE_STILL = 2;   // the grabbed frame

// The message by which the live compare window hands the grab event of its
// own capture control to the capture window.
inline constexpr int WM_SAMPLE_GRABBED = 0x81F4;

// WM_SAMPLE_GRABBED as a Qt event, with the grab's status.
class TSampleGrabbedEvent : public QEvent {
public:
    explicit TSampleGrabbedEvent(int status)
        : QEvent(QEvent::Type(WM_SAMPLE_GRABBED))
        , Status(status)
    {
    }
    const int Status;
};

class TFormGrab : public QDialog, public Ui::TFormGrab {
    Q_OBJECT
public:
    static constexpr const char* GrabFile = "Images/Grabbed.bmp";
    // Dashes of each cross-hair line; 40 gaps lie between them.
    static constexpr int CrossDashCount = 41;
    // The largest custom width and height.
    static constexpr int MaxUserSize = OPT_GRAB_SIZE_MAX;
    // Milliseconds after a typed size before the view follows it.
    static constexpr int SizeDelay = 2000;

    explicit TFormGrab(QWidget* parent = nullptr);
    ~TFormGrab() override;

    // ---- State ----
    MParam* Param = nullptr;
    MLan* Lan = nullptr;
    MTool* Tool = nullptr;
    bool Initialized = false; // the control is initialized and the lists are built
    int State = GRAB_STATE_IDLE;
    bool Grabbed = false; // a frame was grabbed since the window was last shown
    std::vector<std::string> DeviceNames;
    std::string DeviceName;
    std::map<std::string, int> Formats; // format-list text to packed size
    TSize FrameSize;
    std::vector<QFrame*> CrossHoriz; // the dashes of the cross-hair, children of the view; made when first laid out
    std::vector<QFrame*> CrossVert;
    bool CrossOn = false;
    std::array<TVideoAmpRange*, 4> AmpRanges{}; // the control's records; null until the first show
    TBitmap Still;                              // the grabbed frame as loaded from the file

    QTimer* TimerSize = nullptr;
    QColorDialog* ColorDialog = nullptr; // made when the window is first shown
    std::array<QLabel*, 2> StatusPanels{};

    // ---- Routines ----
    void ApplyLanguage();
    void SetState(int state);
    void BuildFormatList(bool useSaved);
    void LayoutView();
    void LayoutCross();
    void MakeCrossDashes();
    void SetStatusText(const std::string& text);
    void ShowSizeEdits(bool on);
    static int PackSize(TSize size);
    static TSize UnpackSize(int packed);
    // The view's inner area, where the picture is laid out.
    QSize Room() const;

    // ---- Handlers ----
    void FormShow();
    void FormClose();
    void ComboBoxDevicesChange();
    void ComboBoxFormatsChange();
    void CheckBoxStretchClick();
    void CheckBoxCrossClick();
    void PanelCrossColorClick();
    void CheckBoxSizeClick();
    void EditWidthChange();
    void EditHeightChange();
    void TimerSizeTimer();
    void ScrollBoxGrabResize();
    void ScrollBoxGrabClick();
    void BBPreviewClick();
    void BBConfigClick();
    void BBGrabClick();
    void BBConfirmClick();
    void BBCancelClick();
    void GrabberSampleGrabbed(int status);
    void GrabberError(int code);
    void WMSampleGrabbed(int status);

    // Every way out (Confirm, Cancel, Esc, the close box) stops the preview;
    // only Confirm after a grab answers OK.
    void done(int result) override;
    void reject() override { done(mrCancel); }
    void accept() override { BBConfirmClick(); }

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void ClampSizeEdit(QLineEdit* edit);
    QWidget* LayoutTarget() const;
};

// Null until start-up creates the window.
extern TFormGrab* FormGrab;
