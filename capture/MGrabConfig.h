// The video adjustment dialog: brightness, contrast, hue and saturation of
// the capture device, set live through the capture window's control. A bar
// moved is applied 300 ms after its first move, so a drag sends one value
// now and then rather than one per pixel; every bar moved meanwhile is
// applied then, at its position at that moment. Confirm keeps the values
// (applying any still waiting), Cancel puts back the values the dialog was
// opened with, Default sets the device's defaults. Nothing is written to the
// configuration store.
//
// Created at start-up and reused for every opening; the capture window
// prepares it with its control and amplifier records before it shows it.
#pragma once

#include "platform/gui/GuiTypes.h"
#include "ui_TFormGrabConfig.h"

#include <QDialog>

#include <array>
#include <set>

class MLan;
class QTimer;
class TVideoSampleGrab;
struct TVideoAmpRange;

class TFormGrabConfig : public QDialog, public Ui::TFormGrabConfig {
    Q_OBJECT
public:
    static constexpr int ApplyDelay = 300; // milliseconds

    explicit TFormGrabConfig(QWidget* parent = nullptr);

    // ---- State ----
    TVideoSampleGrab* Grabber = nullptr;         // not owned
    std::array<TVideoAmpRange*, 4> AmpRanges{}; // the control's records, by property; null: unknown
    std::set<int> Pending;                       // properties the armed timer will apply
    bool Ready = false;                          // bar moves are applied only while true
    std::array<int, 4> Tags{};                   // each property's value when the dialog was opened
    std::array<QSlider*, 4> Bars{};              // by property: brightness, contrast, hue, saturation
    std::array<QLabel*, 4> Values{};
    QTimer* TimerConfig = nullptr;

    // Takes the control and its records and sets up a bar for each record
    // that is known; bars without a record keep their last settings.
    void Prepare(TVideoSampleGrab* grabber, const std::array<TVideoAmpRange*, 4>& ranges);
    void SetupTrackBar(const TVideoAmpRange& record, int property);
    void ApplyLanguage(const MLan& lan);

    // ---- Handlers ----
    void BarChange(int property);
    void RequestApply(int property);
    void TimerConfigTimer();
    void BBConfirmClick();
    void BBCancelClick();
    void BBDefaultClick();

    // Esc and the close box cancel.
    void reject() override { BBCancelClick(); }
    void accept() override { BBConfirmClick(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Applies every pending property at its bar's position.
    void ApplyPending();
    // Moves a bar to what the device reports, without applying it again.
    void ShowDeviceValue(int property);
    // Moves a bar (its label follows) without applying the position.
    void MoveBar(int property, int position);
};

// Null until start-up creates the dialog.
extern TFormGrabConfig* FormGrabConfig;
