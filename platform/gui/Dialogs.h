// The class library's simple message box: the text, an OK button, the
// application's name as the title, no icon. Modal; returns when closed.
#pragma once

#include <string>

void ShowMessage(const std::string& text);
