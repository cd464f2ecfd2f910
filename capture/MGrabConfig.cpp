#include "capture/MGrabConfig.h"

#include "platform/gui/Dialogs.h"
#include "platform/videograb/TVideoSampleGrab.h"
#include "settings/MLan.h"

#include <QShowEvent>
#include <QTimer>

TFormGrabConfig* FormGrabConfig = nullptr;

TFormGrabConfig::TFormGrabConfig(QWidget* parent)
    : QDialog(parent)
{
    setupUi(this);
    // Above the capture window and the main window's tool windows.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(335, 210);
    Bars = {TBBrightness, TBContrast, TBHue, TBSaturation};
    Values = {LBrightness, LContrast, LHue, LSaturation};
    TimerConfig = new QTimer(this);
    TimerConfig->setObjectName("TimerConfig");
    TimerConfig->setInterval(ApplyDelay);
    for (int property = 0; property < int(Bars.size()); ++property)
        connect(Bars[property], &QSlider::valueChanged, this, [this, property] { BarChange(property); });
    connect(TimerConfig, &QTimer::timeout, this, &TFormGrabConfig::TimerConfigTimer);
    connect(BBConfirm, &QPushButton::clicked, this, &TFormGrabConfig::BBConfirmClick);
    connect(BBCancel, &QPushButton::clicked, this, &TFormGrabConfig::BBCancelClick);
    connect(BBDefault, &QPushButton::clicked, this, &TFormGrabConfig::BBDefaultClick);
}

void TFormGrabConfig::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
}

void TFormGrabConfig::ApplyLanguage(const MLan& lan)
{
    const auto text = [&lan](int slot) { return QString::fromStdString(lan.Texts[slot]); };
    setWindowTitle(text(221));
    LabelBrightness->setText(text(222));
    LabelContrast->setText(text(223));
    LabelHue->setText(text(224));
    LabelSaturation->setText(text(225));
    BBConfirm->setText(text(156));
    BBCancel->setText(text(157));
    BBDefault->setText(text(159));
}

void TFormGrabConfig::Prepare(TVideoSampleGrab* grabber, const std::array<TVideoAmpRange*, 4>& ranges)
{
    Grabber = grabber;
    AmpRanges = ranges;
    TimerConfig->stop();
    Pending.clear();
    Ready = false;
    for (int property = 0; property < int(AmpRanges.size()); ++property)
        if (AmpRanges[property])
            SetupTrackBar(*AmpRanges[property], property);
    Ready = true;
}

void TFormGrabConfig::SetupTrackBar(const TVideoAmpRange& record, int property)
{
    QSlider* bar = Bars[property];
    bar->setRange(record.Min, record.Max);
    bar->setEnabled(record.Enabled != 0);
    const int position = record.HasCurrent ? record.Current : record.Initial;
    bar->setValue(position);
    Tags[property] = position;
}

void TFormGrabConfig::BarChange(int property)
{
    Values[property]->setText(QString::number(Bars[property]->value()));
    RequestApply(property);
}

void TFormGrabConfig::RequestApply(int property)
{
    if (!Ready)
        return;
    Pending.insert(property);
    if (!TimerConfig->isActive())
        TimerConfig->start();
}

void TFormGrabConfig::TimerConfigTimer()
{
    TimerConfig->stop();
    ApplyPending();
}

void TFormGrabConfig::ApplyPending()
{
    const std::set<int> properties = std::move(Pending);
    Pending.clear();
    for (const int property : properties) {
        if (Grabber)
            Grabber->SetVideoAmp(property, Bars[property]->value());
        ShowDeviceValue(property);
    }
}

void TFormGrabConfig::ShowDeviceValue(int property)
{
    if (AmpRanges[property])
        MoveBar(property, AmpRanges[property]->Current);
}

void TFormGrabConfig::MoveBar(int property, int position)
{
    const bool ready = Ready;
    Ready = false;
    Bars[property]->setValue(position);
    Ready = ready;
}

void TFormGrabConfig::BBConfirmClick()
{
    TimerConfig->stop();
    ApplyPending();
    done(mrOk);
}

void TFormGrabConfig::BBCancelClick()
{
    // A change still waiting is dropped, not applied after the old value.
    TimerConfig->stop();
    Pending.clear();
    for (int property = 0; property < int(Bars.size()); ++property) {
        QSlider* bar = Bars[property];
        if (!bar->isEnabled() || bar->value() == Tags[property])
            continue;
        if (Grabber)
            Grabber->SetVideoAmp(property, Tags[property]);
        MoveBar(property, Tags[property]);
    }
    done(mrCancel);
}

void TFormGrabConfig::BBDefaultClick()
{
    for (int property = 0; property < int(Bars.size()); ++property) {
        if (!Bars[property]->isEnabled() || !AmpRanges[property])
            continue;
        const int standard = AmpRanges[property]->Default;
        if (Bars[property]->value() == standard)
            continue;
        if (Grabber)
            Grabber->SetVideoAmp(property, standard);
        Pending.erase(property);
        ShowDeviceValue(property);
    }
}
