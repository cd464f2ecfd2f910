#include "workspace/MZoom.h"

#include "settings/MLan.h"
#include "shapes/MTool.h"
#include "workspace/Quorvex.h"

#include <QCloseEvent>

TFormZoom* FormZoom = nullptr;

TFormZoom::TFormZoom(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setupUi(this);
    Lan = MLan::GetInstance();
    // The view has no paint handler of its own: it shows what was drawn last.
    PaintBoxZoom->SetSize(ZOOM_VIEW_SIZE, ZOOM_VIEW_SIZE);
}

void TFormZoom::showEvent(QShowEvent* event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TFormZoom::FormShow()
{
    setWindowTitle(QString::fromStdString(Lan->Texts[247]));
}

void TFormZoom::closeEvent(QCloseEvent* event)
{
    Q_EMIT Closed();
    event->accept();
}
