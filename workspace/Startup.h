// The program's entry: the application object and the main window.
#pragma once

int RunQuorvex(int argc, char** argv);
