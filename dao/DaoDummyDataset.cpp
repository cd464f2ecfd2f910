#include "dao/DaoDummyDataset.h"

#include "platform/gui/TApplication.h"

void TDummyDataset::InternalHandleException()
{
    TApplication::HandleException();
}
