#include "capture/MGrab.h"

#include "capture/CompareSides.h"
#include "capture/GrabChoices.h"
#include "capture/MGrabConfig.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/TCanvas.h"
#include "platform/videograb/TVideoSampleGrab.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MTool.h"

#include <QColorDialog>
#include <QShowEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

#include <cmath>
#include <exception>

TFormGrab* FormGrab = nullptr;

namespace {

// The cross-hair's dashes and gaps split a line into this many equal parts.
constexpr int kCrossParts = 2 * TFormGrab::CrossDashCount - 1;

void SetPanelColor(QWidget* panel, TColor color)
{
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, ToQColor(color));
    panel->setPalette(palette);
}

TColor PanelColor(const QWidget* panel) { return FromQRgb(panel->palette().color(QPalette::Window).rgb()); }

// A custom width or height as typed; false when the text is not a number.
bool ReadSize(const QLineEdit* edit, int& value)
{
    bool ok = false;
    const int number = edit->text().toInt(&ok);
    if (ok)
        value = number;
    return ok;
}

// Where a picture of `size` goes in `room`: centred where it is smaller,
// from the edge where it is not.
QRect Centred(QSize size, QSize room)
{
    const int left = size.width() < room.width() ? (room.width() - size.width()) / 2 : 0;
    const int top = size.height() < room.height() ? (room.height() - size.height()) / 2 : 0;
    return {left, top, size.width(), size.height()};
}

QString Text(const MLan* lan, int slot) { return QString::fromStdString(lan->Texts[slot]); }

} // namespace

TFormGrab::TFormGrab(QWidget* parent)
    : QDialog(parent)
{
    setupUi(this);
    // Above the main window's tool windows, which stay on top.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    for (int i = 0; i < int(StatusPanels.size()); ++i) {
        StatusPanels[i] = new QLabel(StatusBar);
        StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusBar->addWidget(StatusPanels[i], i == 0 ? 0 : 1);
    }
    StatusPanels[0]->setMinimumWidth(100);
    TimerSize = new QTimer(this);
    TimerSize->setObjectName("TimerSize");
    TimerSize->setInterval(SizeDelay);

    capture::WhiteBackground(ScrollBoxGrab);
    SetPanelColor(PanelCrossColor, clWhite);
    PanelCrossColor->setFrameShadow(QFrame::Raised);
    PanelCrossColor->setLineWidth(1);

    MTool::InstallKeyFilter(EditWidth, &MTool::KeyPressInteger);
    MTool::InstallKeyFilter(EditHeight, &MTool::KeyPressInteger);
    ScrollBoxGrab->installEventFilter(this);
    ScrollBoxGrabContents->installEventFilter(this);
    ScrollBoxGrab->viewport()->installEventFilter(this);
    PanelCrossColor->installEventFilter(this);
    PanelTop->installEventFilter(this);

    // The device and format lists answer the operator's picks only; the
    // check boxes and edits also answer a change made by code, as the first
    // show relies on to write the loaded options back.
    connect(ComboBoxDevices, &QComboBox::activated, this, &TFormGrab::ComboBoxDevicesChange);
    connect(ComboBoxFormats, &QComboBox::activated, this, &TFormGrab::ComboBoxFormatsChange);
    connect(CheckBoxStretch, &QCheckBox::toggled, this, &TFormGrab::CheckBoxStretchClick);
    connect(CheckBoxCross, &QCheckBox::toggled, this, &TFormGrab::CheckBoxCrossClick);
    connect(CheckBoxSize, &QCheckBox::toggled, this, &TFormGrab::CheckBoxSizeClick);
    connect(EditWidth, &QLineEdit::textChanged, this, &TFormGrab::EditWidthChange);
    connect(EditHeight, &QLineEdit::textChanged, this, &TFormGrab::EditHeightChange);
    connect(TimerSize, &QTimer::timeout, this, &TFormGrab::TimerSizeTimer);
    connect(BBPreview, &QPushButton::clicked, this, &TFormGrab::BBPreviewClick);
    connect(BBConfig, &QPushButton::clicked, this, &TFormGrab::BBConfigClick);
    connect(BBGrab, &QPushButton::clicked, this, &TFormGrab::BBGrabClick);
    connect(BBConfirm, &QPushButton::clicked, this, &TFormGrab::BBConfirmClick);
    connect(BBCancel, &QPushButton::clicked, this, &TFormGrab::BBCancelClick);
    connect(Grabber, &TVideoSampleGrab::OnSampleGrabbed, this, &TFormGrab::GrabberSampleGrabbed);
    connect(Grabber, &TVideoSampleGrab::OnError, this, &TFormGrab::GrabberError);
    FormCreate();
}

TFormGrab::~TFormGrab()
{
    if (Initialized)
        Grabber->Terminate();
    // The cross-hair's panels go with the view that holds them.
}

void TFormGrab::FormCreate()
{
    Param = MParam::GetInstance();
    Lan = MLan::GetInstance();
    Tool = MTool::GetInstance();
    AmpRanges.fill(nullptr);
}

void TFormGrab::MakeCrossDashes()
{
    for (std::vector<QFrame*>* line : {&CrossHoriz, &CrossVert}) {
        for (int i = 0; i < CrossDashCount; ++i) {
            auto* dash = new QFrame(ScrollBoxGrabContents);
            dash->setFrameShape(QFrame::NoFrame);
            dash->setAutoFillBackground(true);
            SetPanelColor(dash, clRed);
            dash->setGeometry(0, 0, line == &CrossHoriz ? 10 : 1, line == &CrossHoriz ? 1 : 10);
            dash->hide();
            line->push_back(dash);
        }
    }
}

int TFormGrab::PackSize(TSize size) { return capture::PackSize(size); }

TSize TFormGrab::UnpackSize(int packed) { return capture::UnpackSize(packed); }

void TFormGrab::showEvent(QShowEvent* event)
{
    // Made when first needed, not while the program starts.
    if (!ColorDialog) {
        ColorDialog = new QColorDialog(this);
        ColorDialog->setObjectName("ColorDialog");
        ColorDialog->setOption(QColorDialog::DontUseNativeDialog);
    }
    if (!event->spontaneous())
        PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
    // The first show may wait on the device: the window is there meanwhile.
    if (!event->spontaneous())
        FormShow();
}

void TFormGrab::FormShow()
{
    ApplyLanguage();
    if (Initialized) {
        SetState(GRAB_STATE_PREVIEW);
        BBConfirm->setEnabled(false);
        Grabbed = false;
        return;
    }
    if (Grabber->Initialize() < 0) {
        SetState(GRAB_STATE_IDLE);
        SetStatusText(Lan->Texts[216]);
        return;
    }
    // A control that cannot list its devices is of no use: nothing may be
    // chosen or grabbed until the next show tries again.
    if (!capture::ReadDevices(*Grabber, *Param, *ComboBoxDevices, DeviceNames, DeviceName)) {
        SetState(GRAB_STATE_IDLE);
        return;
    }
    capture::ApplySavedFrameSize(*Grabber, *Param, FrameSize);
    for (int i = 0; i < int(AmpRanges.size()); ++i)
        Grabber->GetVideoAmp(i, AmpRanges[i]);

    int option = 0;
    Param->GetInt(OPT_GRAB_STRETCH, option);
    if (option != 0)
        CheckBoxStretch->setChecked(true);
    Param->GetInt(OPT_GRAB_CROSS, option);
    if (option != 0) {
        CheckBoxCross->setChecked(true);
        PanelCrossColor->show();
    }
    Param->GetInt(OPT_GRAB_CROSS_COLOR, option);
    SetPanelColor(PanelCrossColor, TColor(option));
    CheckBoxSize->setChecked(Param->BoolValue(OPT_GRAB_USER_SIZE));
    ShowSizeEdits(CheckBoxSize->isChecked());
    Param->GetInt(OPT_GRAB_WIDTH, option);
    EditWidth->setText(QString::number(option));
    Param->GetInt(OPT_GRAB_HEIGHT, option);
    EditHeight->setText(QString::number(option));

    SetState(GRAB_STATE_PREVIEW);
    BuildFormatList(true);
    Initialized = true;
    // The preview was laid out before the list gave the frame size.
    LayoutView();
}

void TFormGrab::ApplyLanguage()
{
    setWindowTitle(Text(Lan, 207));
    LabelDevice->setText(Text(Lan, 208));
    LabelFormat->setText(Text(Lan, 209));
    BBConfig->setText(Text(Lan, 158));
    BBGrab->setText(Text(Lan, 210));
    BBPreview->setText(Text(Lan, 211));
    BBConfirm->setText(Text(Lan, 156));
    BBCancel->setText(Text(Lan, 157));
    CheckBoxStretch->setText(Text(Lan, 212));
    CheckBoxCross->setText(Text(Lan, 213));
    CheckBoxSize->setText(Text(Lan, 220));
    LabelWidth->setText(Text(Lan, 259));
    LabelHeight->setText(Text(Lan, 260));
    if (FormGrabConfig)
        FormGrabConfig->ApplyLanguage(*Lan);
}

void TFormGrab::SetStatusText(const std::string& text)
{
    if (StatusPanels.size() > 1)
        StatusPanels[1]->setText(QString::fromStdString(text));
}

void TFormGrab::ShowSizeEdits(bool on)
{
    LabelWidth->setVisible(on);
    LabelHeight->setVisible(on);
    EditWidth->setVisible(on);
    EditHeight->setVisible(on);
}

void TFormGrab::SetState(int state)
{
    State = state;
    SetStatusText("");
    switch (state) {
    case GRAB_STATE_PREVIEW:
        StatusPanels[0]->setText(Text(Lan, 218));
        for (QWidget* control : std::initializer_list<QWidget*>{CheckBoxStretch, BBGrab, BBConfig, ComboBoxDevices,
                                                                ComboBoxFormats})
            control->setEnabled(true);
        BBPreview->setEnabled(false);
        ImageGrab->hide();
        LayoutView();
        if (Grabber->StartPreview() < 0) {
            Grabber->hide();
            ComboBoxDevices->setEnabled(false);
            ComboBoxFormats->setEnabled(false);
            CheckBoxStretch->setEnabled(false);
        } else {
            Grabber->show();
        }
        break;
    case GRAB_STATE_STILL:
        StatusPanels[0]->setText(Text(Lan, 219));
        CheckBoxStretch->setEnabled(true);
        BBPreview->setEnabled(true);
        for (QWidget* control : std::initializer_list<QWidget*>{BBGrab, BBConfig, ComboBoxDevices, ComboBoxFormats})
            control->setEnabled(false);
        ImageGrab->show();
        Grabber->StopPreview();
        Grabber->hide();
        LayoutView();
        break;
    default:
        StatusPanels[0]->clear();
        for (QWidget* control : std::initializer_list<QWidget*>{BBPreview, BBGrab, BBConfig, ComboBoxDevices,
                                                                ComboBoxFormats, CheckBoxStretch})
            control->setEnabled(false);
        ImageGrab->hide();
        Grabber->hide();
        break;
    }
}

void TFormGrab::BuildFormatList(bool useSaved)
{
    capture::BuildFormatList(*Grabber, *Param, useSaved, *ComboBoxFormats, Formats, FrameSize);
}

QWidget* TFormGrab::LayoutTarget() const
{
    if (State == GRAB_STATE_PREVIEW)
        return Grabber;
    if (State == GRAB_STATE_STILL)
        return ImageGrab;
    return nullptr;
}

QSize TFormGrab::Room() const { return ScrollBoxGrab->contentsRect().size(); }

void TFormGrab::LayoutView()
{
    QWidget* target = LayoutTarget();
    if (!target)
        return;
    const QSize room = Room();
    ScrollBoxGrab->horizontalScrollBar()->setValue(0);
    ScrollBoxGrab->verticalScrollBar()->setValue(0);
    QRect place;
    if (CheckBoxSize->isChecked()) {
        // A width that is not a number leaves both at 1, a height that is
        // not one leaves the height at 1.
        int width = 1;
        int height = 1;
        if (ReadSize(EditWidth, width))
            ReadSize(EditHeight, height);
        if (width < 1 || width > MaxUserSize || height < 1 || height > MaxUserSize)
            return;
        place = Centred({width, height}, room);
    } else if (CheckBoxStretch->isChecked()) {
        if (FrameSize.cx < 1 || FrameSize.cy < 1)
            return;
        place = Centred({FrameSize.cx, FrameSize.cy}, room);
    } else {
        place = {QPoint(0, 0), room};
    }
    target->setGeometry(place);
    // The view scrolls over whatever of the picture does not fit.
    ScrollBoxGrabContents->resize(place.right() + 1, place.bottom() + 1);
    LayoutCross();
}

void TFormGrab::LayoutCross()
{
    // The 82 dashes are made when the cross-hair is first laid out, not
    // while the program starts.
    if (CrossHoriz.empty())
        MakeCrossDashes();
    const QWidget* target = LayoutTarget();
    if (!target)
        return;
    if (!CrossOn) {
        for (std::vector<QFrame*>* line : {&CrossHoriz, &CrossVert})
            for (QFrame* dash : *line)
                dash->hide();
        return;
    }
    const QRect place = target->geometry();
    const int centreX = place.left() + place.width() / 2;
    const int centreY = place.top() + place.height() / 2;
    const TColor color = PanelColor(PanelCrossColor);

    // Dash i starts i * 2 / 81 of the way along, worked out afresh for each
    // dash so that no rounding error adds up along the line.
    const int dashWidth = int(std::ceil(double(place.width()) / kCrossParts));
    const int dashHeight = int(std::ceil(double(place.height()) / kCrossParts));
    for (int i = 0; i < CrossDashCount; ++i) {
        QFrame* horiz = CrossHoriz[std::size_t(i)];
        horiz->setGeometry(place.left() + int(2.0 * i * place.width() / kCrossParts), centreY, dashWidth, 1);
        QFrame* vert = CrossVert[std::size_t(i)];
        vert->setGeometry(centreX, place.top() + int(2.0 * i * place.height() / kCrossParts), 1, dashHeight);
        for (QFrame* dash : {horiz, vert}) {
            SetPanelColor(dash, color);
            dash->show();
        }
    }
}

void TFormGrab::ComboBoxDevicesChange()
{
    if (!capture::TakePickedDevice(*Grabber, *ComboBoxDevices, DeviceName, *ComboBoxFormats, Formats))
        return;
    Param->SetText(OPT_GRAB_DEVICE, DeviceName, true);
    if (State == GRAB_STATE_PREVIEW) {
        Grabber->StopPreview();
        if (Grabber->StartPreview() >= 0) {
            BuildFormatList(false);
            LayoutView();
        }
    }
}

void TFormGrab::ComboBoxFormatsChange()
{
    const int packed = capture::TakePickedFormat(*Grabber, *ComboBoxFormats, Formats, FrameSize);
    if (packed == 0)
        return;
    Param->SetLong(OPT_GRAB_FORMAT, packed, true);
    if (State == GRAB_STATE_PREVIEW) {
        Grabber->StopPreview();
        LayoutView();
        Grabber->StartPreview();
    } else {
        LayoutView();
    }
}

void TFormGrab::CheckBoxStretchClick()
{
    Param->SetInt(OPT_GRAB_STRETCH, CheckBoxStretch->isChecked() ? 1 : 0, true);
    LayoutView();
}

void TFormGrab::CheckBoxCrossClick()
{
    Param->SetInt(OPT_GRAB_CROSS, CheckBoxCross->isChecked() ? 1 : 0, true);
    CrossOn = CheckBoxCross->isChecked();
    PanelCrossColor->setVisible(CrossOn);
    LayoutCross();
}

void TFormGrab::PanelCrossColorClick()
{
    ColorDialog->setCurrentColor(ToQColor(PanelColor(PanelCrossColor)));
    if (ColorDialog->exec() == QDialog::Accepted) {
        const TColor color = FromQRgb(ColorDialog->currentColor().rgb());
        Param->SetInt(OPT_GRAB_CROSS_COLOR, int(color), true);
        SetPanelColor(PanelCrossColor, color);
        LayoutCross();
    }
    PanelCrossColor->setFrameShape(QFrame::NoFrame);
}

void TFormGrab::CheckBoxSizeClick()
{
    Param->SetBool(OPT_GRAB_USER_SIZE, CheckBoxSize->isChecked(), true);
    ShowSizeEdits(CheckBoxSize->isChecked());
    LayoutView();
}

void TFormGrab::ClampSizeEdit(QLineEdit* edit)
{
    // A text that is no number (an edit emptied to type anew) stays.
    int value = 0;
    if (!ReadSize(edit, value))
        return;
    if (value < 1)
        edit->setText(QStringLiteral("1"));
    else if (value > MaxUserSize)
        edit->setText(QString::number(MaxUserSize));
}

void TFormGrab::EditWidthChange()
{
    ClampSizeEdit(EditWidth);
    Param->SetText(OPT_GRAB_WIDTH, EditWidth->text().toStdString(), true);
    if (!TimerSize->isActive())
        TimerSize->start();
}

void TFormGrab::EditHeightChange()
{
    ClampSizeEdit(EditHeight);
    Param->SetText(OPT_GRAB_HEIGHT, EditHeight->text().toStdString(), true);
    if (!TimerSize->isActive())
        TimerSize->start();
}

void TFormGrab::TimerSizeTimer()
{
    TimerSize->stop();
    LayoutView();
}

void TFormGrab::ScrollBoxGrabResize() { LayoutView(); }

void TFormGrab::ScrollBoxGrabClick() { SetStatusText(""); }

void TFormGrab::BBPreviewClick() { SetState(GRAB_STATE_PREVIEW); }

void TFormGrab::BBConfigClick()
{
    if (!FormGrabConfig)
        return;
    FormGrabConfig->Prepare(Grabber, AmpRanges);
    FormGrabConfig->exec();
}

void TFormGrab::BBGrabClick() { Grabber->SampleGrab(QString::fromLatin1(GrabFile)); }

void TFormGrab::BBConfirmClick()
{
    SetState(GRAB_STATE_IDLE);
    done(Grabbed ? mrOk : mrCancel);
}

void TFormGrab::BBCancelClick()
{
    SetState(GRAB_STATE_IDLE);
    done(mrCancel);
}

void TFormGrab::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TFormGrab::FormClose() { Grabber->StopPreview(); }

void TFormGrab::GrabberSampleGrabbed(int status)
{
    if (status != 0) {
        SetStatusText(Lan->Texts[215]);
        return;
    }
    if (!MTool::LoadBitmap(GrabFile, &Still)) {
        SetStatusText(Lan->Texts[214]);
        return;
    }
    ImageGrab->setPixmap(QPixmap::fromImage(Still.Image()));
    SetState(GRAB_STATE_STILL);
    Grabbed = true;
    BBConfirm->setEnabled(true);
    SetStatusText(Lan->Texts[217]);
    if (CheckBoxSize->isChecked()) {
        // The file is rewritten at the custom size the still is shown at. It
        // is written whole or not at all, so a failure leaves the frame as
        // grabbed, which the operator may still confirm.
        try {
            TBitmap sized;
            sized.SetSize(ImageGrab->width(), ImageGrab->height());
            sized.Canvas()->StretchDraw({0, 0, ImageGrab->width(), ImageGrab->height()}, Still);
            sized.SaveToFile(GrabFile);
        } catch (const std::exception&) {
        }
    }
}

void TFormGrab::GrabberError(int)
{
    QVariant text;
    Grabber->GetErrorString(text);
    if (text.typeId() == QMetaType::QString)
        SetStatusText(Lan->Texts[215] + ":" + text.toString().toStdString());
}

void TFormGrab::WMSampleGrabbed(int status) { GrabberSampleGrabbed(status); }

bool TFormGrab::event(QEvent* event)
{
    if (event->type() == QEvent::Type(WM_SAMPLE_GRABBED)) {
        WMSampleGrabbed(static_cast<TSampleGrabbedEvent*>(event)->Status);
        return true;
    }
    return QDialog::event(event);
}

bool TFormGrab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ScrollBoxGrab && event->type() == QEvent::Resize) {
        ScrollBoxGrabResize();
    } else if ((watched == ScrollBoxGrabContents || watched == ScrollBoxGrab->viewport())
               && event->type() == QEvent::MouseButtonRelease) {
        ScrollBoxGrabClick();
    } else if (watched == PanelCrossColor) {
        if (event->type() == QEvent::Enter)
            PanelCrossColor->setFrameShape(QFrame::Panel);
        else if (event->type() == QEvent::MouseButtonRelease
                 && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            PanelCrossColorClick();
    } else if (watched == PanelTop && event->type() == QEvent::MouseMove) {
        PanelCrossColor->setFrameShape(QFrame::NoFrame);
    }
    return QDialog::eventFilter(watched, event);
}
