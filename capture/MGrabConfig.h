// The video adjustment window, created at start-up and living until exit. Until video
// capture is part of the program it only says that it is not available and
// ends with Cancel.
#pragma once

#include "capture/UnavailableForm.h"

#include <memory>

namespace Ui {
class TFormGrabConfig;
}

class TFormGrabConfig : public TUnavailableForm {
    Q_OBJECT
public:
    explicit TFormGrabConfig(QWidget* parent = nullptr);
    ~TFormGrabConfig() override;

private:
    std::unique_ptr<Ui::TFormGrabConfig> ui;
};

// Null until start-up creates the window.
extern TFormGrabConfig* FormGrabConfig;
