#include "settings/MDataOptions.h"

TDataModuleOptions* DataModuleOptions = nullptr;

TDataModuleOptions::TDataModuleOptions()
    : DataSetOptions(std::make_unique<TClientDataSet>())
{
    DataSetOptions->SetFileName("Config/Config.xml");
    DataSetOptions->FieldDefs().Add("ConfigName", ftString, 50);
    DataSetOptions->FieldDefs().Add("OptionName", ftString, 50);
    DataSetOptions->FieldDefs().Add("OptionValue", ftString, 100);
}
