#include "capture/MSplitLive.h"

#include "capture/CompareSides.h"
#include "capture/GrabChoices.h"
#include "capture/MGrab.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ImageFileDialog.h"
#include "platform/videograb/TVideoSampleGrab.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MTool.h"

#include <QCoreApplication>
#include <QIcon>
#include <QShowEvent>
#include <QScrollBar>

TFormSplitLive* FormSplitLive = nullptr;

TFormSplitLive::TFormSplitLive(QWidget* parent)
    : QDialog(parent)
{
    setupUi(this);
    // Above the main window's tool windows, which stay on top.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    capture::WhiteBackground(ScrollBoxLeft);
    capture::WhiteBackground(ScrollBoxRight);
    PanelMain->installEventFilter(this);
    connect(ComboBoxDevices, &QComboBox::activated, this, &TFormSplitLive::ComboBoxDevicesChange);
    connect(ComboBoxFormats, &QComboBox::activated, this, &TFormSplitLive::ComboBoxFormatsChange);
    connect(SBOpenRight, &QToolButton::clicked, this, &TFormSplitLive::SBOpenRightClick);
    connect(SBGrabRight, &QToolButton::clicked, this, &TFormSplitLive::SBGrabRightClick);
    connect(Grabber, &TVideoSampleGrab::OnSampleGrabbed, this, &TFormSplitLive::GrabberSampleGrabbed);
    Tool = MTool::GetInstance();
    Param = MParam::GetInstance();
}

void TFormSplitLive::showEvent(QShowEvent* event)
{
    // Made when first needed, not while the program starts.
    if (!OpenDialogImage) {
        OpenDialogImage = MakeImageFileDialog(this, "OpenDialogImage", QFileDialog::AcceptOpen, "Images");
        SBGrabRight->setIcon(QIcon(QStringLiteral(":/capture/icons/grab.svg")));
        SBOpenRight->setIcon(QIcon(QStringLiteral(":/capture/icons/open.svg")));
    }
    if (!event->spontaneous())
        PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormSplitLive::FormShow()
{
    const MLan* lan = MLan::GetInstance();
    const auto text = [lan](int slot) { return QString::fromStdString(lan->Texts[slot]); };
    setWindowTitle(text(249));
    LabelDevice->setText(text(208));
    LabelFormat->setText(text(209));
    SBGrabRight->setToolTip(text(271));
    SBOpenRight->setToolTip(text(273));

    if (Initialized) {
        SetState(SPLIT_LIVE_STATE_PREVIEW);
        return;
    }
    if (Grabber->Initialize() < 0) {
        SetState(SPLIT_LIVE_STATE_IDLE);
        return;
    }
    // A control that cannot list its devices is of no use; the next show
    // tries again.
    if (!capture::ReadDevices(*Grabber, *Param, *ComboBoxDevices, DeviceNames, DeviceName)) {
        SetState(SPLIT_LIVE_STATE_IDLE);
        return;
    }
    capture::ApplySavedFrameSize(*Grabber, *Param, FrameSize);
    SetState(SPLIT_LIVE_STATE_PREVIEW);
    BuildFormatList(true);
    Initialized = true;
    // The preview was laid out before the list gave the frame size.
    LayoutView();
}

void TFormSplitLive::SetState(int state)
{
    State = state;
    if (state == SPLIT_LIVE_STATE_PREVIEW) {
        ComboBoxDevices->setEnabled(true);
        ComboBoxFormats->setEnabled(true);
        LayoutView();
        if (Grabber->StartPreview() < 0) {
            Grabber->hide();
            ComboBoxDevices->setEnabled(false);
            ComboBoxFormats->setEnabled(false);
        } else {
            Grabber->show();
        }
    } else {
        Grabber->StopPreview();
        ComboBoxDevices->setEnabled(false);
        ComboBoxFormats->setEnabled(false);
        Grabber->hide();
    }
}

void TFormSplitLive::LayoutView()
{
    ScrollBoxLeft->horizontalScrollBar()->setValue(0);
    ScrollBoxLeft->verticalScrollBar()->setValue(0);
    Grabber->resize(FrameSize.cx, FrameSize.cy);
}

void TFormSplitLive::BuildFormatList(bool useSaved)
{
    capture::BuildFormatList(*Grabber, *Param, useSaved, *ComboBoxFormats, Formats, FrameSize);
}

void TFormSplitLive::ComboBoxDevicesChange()
{
    if (!capture::TakePickedDevice(*Grabber, *ComboBoxDevices, DeviceName, *ComboBoxFormats, Formats))
        return;
    if (State == SPLIT_LIVE_STATE_PREVIEW) {
        Grabber->StopPreview();
        if (Grabber->StartPreview() >= 0) {
            BuildFormatList(false);
            LayoutView();
        }
    }
}

void TFormSplitLive::ComboBoxFormatsChange()
{
    if (capture::TakePickedFormat(*Grabber, *ComboBoxFormats, Formats, FrameSize) == 0)
        return;
    if (State == SPLIT_LIVE_STATE_PREVIEW) {
        Grabber->StopPreview();
        LayoutView();
        Grabber->StartPreview();
    } else {
        LayoutView();
    }
}

void TFormSplitLive::PanelMainResize() { capture::SplitInHalves(Splitter, PanelMain->width()); }

void TFormSplitLive::SBOpenRightClick() { capture::OpenIntoImage(OpenDialogImage, ImageRight); }

void TFormSplitLive::SBGrabRightClick()
{
    // One device streams to one window at a time.
    if (Initialized)
        Grabber->StopPreview();
    capture::GrabIntoImage(ImageRight);
    if (Initialized)
        Grabber->StartPreview();
}

void TFormSplitLive::GrabberSampleGrabbed(int status)
{
    if (!FormGrab)
        return;
    TSampleGrabbedEvent grabbed(status);
    QCoreApplication::sendEvent(FormGrab, &grabbed);
}

void TFormSplitLive::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TFormSplitLive::FormClose() { Grabber->StopPreview(); }

bool TFormSplitLive::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PanelMain && event->type() == QEvent::Resize)
        PanelMainResize();
    return QDialog::eventFilter(watched, event);
}
