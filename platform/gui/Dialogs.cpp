#include "platform/gui/Dialogs.h"

#include <QApplication>
#include <QMessageBox>

void ShowMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
