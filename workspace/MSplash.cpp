#include "workspace/MSplash.h"

#include <QPixmap>

TFormSplash* FormSplash = nullptr;

TFormSplash::TFormSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setupUi(this);
    ImageSplash->setPixmap(QPixmap(QStringLiteral(":/icons/splash.svg")));
}
