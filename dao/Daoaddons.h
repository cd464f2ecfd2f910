// Add-on routines that work directly on the engine's objects.
#pragma once

#include "platform/system/TStringList.h"

#include <memory>

// The engine versions that can be created here ("3.5", "3.6" and the
// version of the newest private engine), sorted, each once; empty when no
// engine can be created. Owned by the caller.
std::unique_ptr<platform::TStringList> GetAllDaoEngines();
