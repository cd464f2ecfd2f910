// What the old platform's dialog services did for every form: the simple,
// the confirmation and the error message boxes, the file dialogs, and placing
// a dialog in the middle of the screen.
#pragma once

#include <QFileDialog>
#include <QString>

#include <string>

class QWidget;

// The text with an OK button, titled with the application's title, no icon,
// modal over the active window; returns when closed.
void ShowMessage(const std::string& text);

// A question with the buttons Yes and No, titled with the application's
// name, modal over `parent`; true only for Yes.
bool ConfirmYesNo(QWidget* parent, const QString& text);

// An error with the button OK, titled with the application's title, modal
// over `parent`.
void ShowError(QWidget* parent, const QString& text);

// A file dialog of Qt's own rather than the desktop's, so it looks the same
// everywhere and can be driven headless, starting in `folder` of the working
// directory. Owned by `parent`.
QFileDialog* MakeFileDialog(QWidget* parent, const QString& name, QFileDialog::AcceptMode mode, const QString& folder);
// Runs a file dialog modally and gives its result. Enter in the name box
// while its list of matching names is open takes the name but leaves the
// list on screen, where it would catch the next clicks: it is closed here.
int ExecFileDialog(QFileDialog* dialog);

// Moves the window so that its client area stands in the middle of the
// primary screen's work area, at the size its layout gives it: the same place
// however often it is shown.
void PlaceAtScreenCentre(QWidget* window);
