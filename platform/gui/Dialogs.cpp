#include "platform/gui/Dialogs.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

bool ConfirmYesNo(QWidget* parent, const QString& text)
{
    return QMessageBox::question(parent, QGuiApplication::applicationDisplayName(), text,
                                 QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

void PlaceAtScreenCentre(QWidget* window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}
