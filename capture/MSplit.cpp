#include "capture/MSplit.h"

#include "ui_TFormSplit.h"

TFormSplit* FormSplit = nullptr;

TFormSplit::TFormSplit(QWidget* parent)
    : TUnavailableForm(parent)
    , ui(std::make_unique<Ui::TFormSplit>())
{
    ui->setupUi(this);
}

TFormSplit::~TFormSplit() = default;
