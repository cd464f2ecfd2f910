#include "settings/MDMMain.h"

TDMMain* DMMain = nullptr;
