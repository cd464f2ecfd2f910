#include "capture/MGrab.h"

#include "ui_TFormGrab.h"

TFormGrab* FormGrab = nullptr;

TFormGrab::TFormGrab(QWidget* parent)
    : TUnavailableForm(parent)
    , ui(std::make_unique<Ui::TFormGrab>())
{
    ui->setupUi(this);
}

TFormGrab::~TFormGrab() = default;
