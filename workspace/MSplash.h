// The splash window: a borderless picture shown, centred on the screen, while
// start-up creates the forms. Start-up owns a private instance; the global
// FormSplash is never assigned.
#pragma once

#include "ui_TFormSplash.h"

#include <QWidget>

class TFormSplash : public QWidget, public Ui::TFormSplash {
    Q_OBJECT
public:
    explicit TFormSplash(QWidget* parent = nullptr);
};

extern TFormSplash* FormSplash;
