#include "dao/DBLoginUnit.h"

#include "platform/gui/GuiTypes.h"

TDbLogin::TDbLogin(QWidget* parent)
    : QDialog(parent)
{
    setupUi(this);
    setFixedSize(375, 180);
    connect(Button1, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(mrCancel); });
}
