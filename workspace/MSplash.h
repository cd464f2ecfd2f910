// The splash window: a borderless picture shown, centred on the screen, while
// start-up creates the forms. Start-up owns a private instance; the global
// FormSplash is never assigned.
#pragma once

#include "ui_TFormSplash.h"

#include <QPixmap>
#include <QWidget>

class TFormSplash : public QWidget, public Ui::TFormSplash {
    Q_OBJECT
public:
    explicit TFormSplash(QWidget* parent = nullptr);

    // The splash picture drawn at `size`: a lens over a scale, laid out on
    // 600 x 400 and stretched to the size, and the program's name.
    static QPixmap Picture(QSize size);

protected:
    // The picture is drawn at the size the window is shown at, so it is
    // never scaled as a bitmap.
    void showEvent(QShowEvent* event) override;
};

extern TFormSplash* FormSplash;
