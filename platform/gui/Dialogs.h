// What the old platform's dialog services did for every form: the simple and
// the confirmation message boxes, and placing a dialog in the middle of the
// screen.
#pragma once

#include <QString>

#include <string>

class QWidget;

// The text with an OK button, titled with the application's name, no icon,
// modal over the active window; returns when closed.
void ShowMessage(const std::string& text);

// A question with the buttons Yes and No, titled with the application's
// name, modal over `parent`; true only for Yes.
bool ConfirmYesNo(QWidget* parent, const QString& text);

// Moves the window so that it stands in the middle of the primary screen's
// work area, at its present size.
void PlaceAtScreenCentre(QWidget* window);
