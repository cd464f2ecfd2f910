#include "capture/MGrabConfig.h"

#include "ui_TFormGrabConfig.h"

TFormGrabConfig* FormGrabConfig = nullptr;

TFormGrabConfig::TFormGrabConfig(QWidget* parent)
    : TUnavailableForm(parent)
    , ui(std::make_unique<Ui::TFormGrabConfig>())
{
    ui->setupUi(this);
}

TFormGrabConfig::~TFormGrabConfig() = default;
