#include "platform/gui/Dialogs.h"

#include "platform/gui/TApplication.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

void ShowMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, TApplication::Title(), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    // Above the program's tool windows, as the questions are.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

bool ConfirmYesNo(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, TApplication::Title(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    // The program's tool windows stay on top; the question must not be hidden behind them.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return box.exec() == QMessageBox::Yes;
}

void ShowError(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, TApplication::Title(), text, QMessageBox::Ok, parent);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

QFileDialog* MakeFileDialog(QWidget* parent, const QString& name, QFileDialog::AcceptMode mode, const QString& folder)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(name);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(mode);
    dialog->setDirectory(QDir::current().absoluteFilePath(folder));
    // Above the tool windows and the dialogs that open it, which stay on top.
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
    return dialog;
}

int ExecFileDialog(QFileDialog* dialog)
{
    const int result = dialog->exec();
    for (QCompleter* completer : dialog->findChildren<QCompleter*>())
        if (completer->popup()->isVisible())
            completer->popup()->hide();
    return result;
}

void PlaceAtScreenCentre(QWidget* window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}
