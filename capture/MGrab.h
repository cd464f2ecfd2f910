// The video capture window, created at start-up and living until exit. Until video
// capture is part of the program it only says that it is not available and
// ends with Cancel.
#pragma once

#include "capture/UnavailableForm.h"

#include <memory>

namespace Ui {
class TFormGrab;
}

class TFormGrab : public TUnavailableForm {
    Q_OBJECT
public:
    explicit TFormGrab(QWidget* parent = nullptr);
    ~TFormGrab() override;

private:
    std::unique_ptr<Ui::TFormGrab> ui;
};

// Null until start-up creates the window.
extern TFormGrab* FormGrab;
