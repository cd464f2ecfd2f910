#include "workspace/MAbout.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/GuiTypes.h"

#include "settings/MLan.h"

#include <QIcon>
#include <QShowEvent>

TAboutBox* AboutBox = nullptr;

namespace {

QString Slot(const MLan* lan, int slot)
{
    return QString::fromStdString(lan->Texts[slot]);
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent)
{
    setupUi(this);
    // Above the main window's tool windows, which stay on top.
    setWindowFlag(Qt::WindowStaysOnTopHint);
    Lan = MLan::GetInstance();
    // OK is the only way out and counts as OK (modal result 1).
    connect(OKButton, &QPushButton::clicked, this, [this] { done(mrOk); });
}

void TAboutBox::showEvent(QShowEvent* event)
{
    // Drawn when first needed, not while the program starts.
    if (ProgramIcon->pixmap().isNull())
        ProgramIcon->setPixmap(QIcon(QStringLiteral(":/icons/rule.svg")).pixmap(64, 64));
    setWindowTitle(Slot(Lan, 196));
    ProductName->setText(Slot(Lan, 197));
    Version->setText(Slot(Lan, 198));
    Copyright->setText(Slot(Lan, 199));
    Connect->setText(Slot(Lan, 200));
    Comments->setText(Slot(Lan, 201));
    OKButton->setText(Slot(Lan, 156));
    if (!event->spontaneous())
        PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
}
