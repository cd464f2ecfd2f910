#include "dao/DBLoginUnit.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/GuiTypes.h"

TDbLogin::TDbLogin(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setupUi(this);
    setFixedSize(375, 180);
    connect(Button1, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

void TDbLogin::showEvent(QShowEvent* event)
{
    PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
}
