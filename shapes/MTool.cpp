#include "shapes/MTool.h"

namespace {
// Created on first use and never freed: shapes and forms keep the pointer.
MTool* instance = nullptr;
} // namespace

MTool* MTool::GetInstance()
{
    if (!instance)
        instance = new MTool();
    return instance;
}

void MTool::ResetInstanceForTesting()
{
    // Reset in place, so pointers handed out earlier stay valid.
    MTool* tool = GetInstance();
    tool->Canvas = nullptr;
    tool->Decimals = 4;
}
