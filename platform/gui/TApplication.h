// The application object: the one QApplication of the program, with the old
// platform's last-chance error handling. Every exception that escapes an
// event handler ends in notify, which shows the standard error box with the
// exception's message and lets the program run on; the silent EAbort shows
// nothing. As the old platform's dialogs were owned by the active form, every
// dialog stays above the window it was opened from.
#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

class QWidget;

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The standard error box (a stop box titled with the application's
    // name) with the message of the exception; a foreign exception shows an
    // empty message, as the old platform did.
    static void ShowException(const std::exception& error);
    static void ShowException(const QString& message);
    // Runs one delivery of an event and shows whatever it throws: the
    // delivery's result, false when it threw. notify's guard, callable from
    // wherever an exception must not travel further.
    static bool Guarded(const std::function<bool()>& deliver);
    // Shows the exception being handled as notify does; call it from a
    // catch block.
    static void HandleException();

    // The application's title, which titles the message boxes. Window titles
    // are their captions alone: Qt would append an application display name
    // to every title not ending in it, so none is set.
    static void SetTitle(const QString& title);
    static QString Title();

    // From now on every dialog, when shown, is kept above the window it was
    // opened from (the active window then), whichever window owns it: a
    // dialog owned by the main window but opened from a window that stays on
    // top would otherwise open behind that window, holding the keyboard
    // unseen. The constructor calls it; calling it again changes nothing.
    static void KeepDialogsAboveOpeners();

    // Brings the program to the foreground: the open modal window when there
    // is one, else `window` (restored when minimized), raised and activated.
    static void BringToFront(QWidget* window);

    // The language of Qt's own texts (the buttons of message boxes, the file
    // dialogs) by locale name, "zh_CN" or "zh_TW"; any other name gives
    // Qt's English. False when no translation for that locale is installed.
    static bool SetStandardDialogLanguage(const QString& localeName);
};
