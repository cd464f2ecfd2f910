#include "platform/gui/Dialogs.h"

#include "platform/gui/TApplication.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QGuiApplication>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
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
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // A layout that fixes the window's size catches up with captions set just
    // before showing only later; centring the old size would miss the middle.
    if (QLayout* layout = window->layout())
        layout->activate();
    // Placed by the client's rectangle: move() asks for the frame's place,
    // which Qt turns into the client's, and for a window shown again the X11
    // window manager takes that for the frame's, so from its second showing
    // on the window would stand a title bar lower. The frame is left out of
    // the centring: it is not known before the window is first framed, and a
    // guess would move the window once it is.
    window->setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window->size(), screen->availableGeometry()));
}
