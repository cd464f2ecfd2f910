#include "workspace/MValue.h"

#include "settings/MLan.h"

#include <QCloseEvent>

TFormValue* FormValue = nullptr;

TFormValue::TFormValue(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setupUi(this);
    Lan = MLan::GetInstance();
}

void TFormValue::showEvent(QShowEvent* event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TFormValue::FormShow()
{
    setWindowTitle(QString::fromStdString(Lan->Texts[246]));
}

void TFormValue::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (width() > MaxWidth || height() > MaxHeight)
        resize(std::min(width(), MaxWidth), std::min(height(), MaxHeight));
}

void TFormValue::ClearLines()
{
    MemoItems->clear();
}

void TFormValue::AddLine(const std::string& name, const std::string& value)
{
    MemoItems->appendPlainText(QString::fromStdString(name + ": " + value));
}

void TFormValue::closeEvent(QCloseEvent* event)
{
    Q_EMIT Closed();
    event->accept();
}
