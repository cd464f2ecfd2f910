// The program's entry: the application object, the single running copy, the
// splash window, the forms and data modules in their fixed creation order,
// the message loop and the clean-up after it.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <string>
#include <vector>

// Runs the program; 0 in every case, as the old entry point returned.
int RunQuorvex(int argc, char** argv);

// Everything after the application object exists: the single-instance test
// on the marker `instanceName`, the splash, the forms, the main window and
// the message loop. Returns 0 in every case; a later start returns at once
// after handing the activation to the running copy.
int StartQuorvex(const QString& instanceName);

// The splash window's size on a desktop: half its right and bottom edges,
// halved toward zero.
QSize SplashSize(const QRect& desktop);

// One entry of the creation order: the class and how its global instance is
// made and freed.
struct TFormEntry {
    const char* ClassName;
    void (*Create)();
    void (*Destroy)();
};

// The forms and data modules in the order they are created; the main window
// comes first, so its creation reaches none of the others.
const std::vector<TFormEntry>& FormCreationOrder();

// Creates every form and data module in order, into its global instance
// variable, then lets the main window connect to the tool windows;
// returns the class names created.
std::vector<std::string> CreateForms();
// Frees them in the reverse order and nulls their globals.
void DestroyForms();
