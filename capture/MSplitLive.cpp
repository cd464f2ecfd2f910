#include "capture/MSplitLive.h"

#include "ui_TFormSplitLive.h"

TFormSplitLive* FormSplitLive = nullptr;

TFormSplitLive::TFormSplitLive(QWidget* parent)
    : TUnavailableForm(parent)
    , ui(std::make_unique<Ui::TFormSplitLive>())
{
    ui->setupUi(this);
}

TFormSplitLive::~TFormSplitLive() = default;
