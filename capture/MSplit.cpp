#include "capture/MSplit.h"

#include "capture/CompareSides.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ImageFileDialog.h"
#include "settings/MLan.h"
#include "shapes/MTool.h"

#include <QIcon>
#include <QShowEvent>

TFormSplit* FormSplit = nullptr;

TFormSplit::TFormSplit(QWidget* parent)
    : QDialog(parent)
{
    setupUi(this);
    // Above the main window's tool windows, which stay on top.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    capture::WhiteBackground(ScrollBoxLeft);
    capture::WhiteBackground(ScrollBoxRight);
    PanelMain->installEventFilter(this);
    connect(SBOpenLeft, &QToolButton::clicked, this, &TFormSplit::SBOpenLeftClick);
    connect(SBOpenRight, &QToolButton::clicked, this, &TFormSplit::SBOpenRightClick);
    connect(SBGrabLeft, &QToolButton::clicked, this, &TFormSplit::SBGrabLeftClick);
    connect(SBGrabRight, &QToolButton::clicked, this, &TFormSplit::SBGrabRightClick);
    Tool = MTool::GetInstance();
    Lan = MLan::GetInstance();
}

void TFormSplit::showEvent(QShowEvent* event)
{
    // Made when first needed, not while the program starts.
    if (!OpenDialogImage) {
        OpenDialogImage = MakeImageFileDialog(this, "OpenDialogImage", QFileDialog::AcceptOpen, "Images");
        for (QToolButton* grab : {SBGrabLeft, SBGrabRight})
            grab->setIcon(QIcon(QStringLiteral(":/capture/icons/grab.svg")));
        for (QToolButton* open : {SBOpenLeft, SBOpenRight})
            open->setIcon(QIcon(QStringLiteral(":/capture/icons/open.svg")));
    }
    if (!event->spontaneous()) {
        FormShow();
        PlaceAtScreenCentre(this);
    }
    QDialog::showEvent(event);
}

void TFormSplit::FormShow()
{
    const auto text = [this](int slot) { return QString::fromStdString(Lan->Texts[slot]); };
    setWindowTitle(text(248));
    SBGrabLeft->setToolTip(text(270));
    SBGrabRight->setToolTip(text(271));
    SBOpenLeft->setToolTip(text(272));
    SBOpenRight->setToolTip(text(273));
}

void TFormSplit::SBOpenLeftClick() { capture::OpenIntoImage(OpenDialogImage, ImageLeft); }

void TFormSplit::SBOpenRightClick() { capture::OpenIntoImage(OpenDialogImage, ImageRight); }

void TFormSplit::SBGrabLeftClick() { capture::GrabIntoImage(ImageLeft); }

void TFormSplit::SBGrabRightClick() { capture::GrabIntoImage(ImageRight); }

void TFormSplit::PanelMainResize() { capture::SplitInHalves(Splitter, PanelMain->width()); }

bool TFormSplit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PanelMain && event->type() == QEvent::Resize)
        PanelMainResize();
    return QDialog::eventFilter(watched, event);
}
