// The live image compare window, created at start-up and living until exit. Until video
// capture is part of the program it only says that it is not available and
// ends with Cancel.
#pragma once

#include "capture/UnavailableForm.h"

#include <memory>

namespace Ui {
class TFormSplitLive;
}

class TFormSplitLive : public TUnavailableForm {
    Q_OBJECT
public:
    explicit TFormSplitLive(QWidget* parent = nullptr);
    ~TFormSplitLive() override;

private:
    std::unique_ptr<Ui::TFormSplitLive> ui;
};

// Null until start-up creates the window.
extern TFormSplitLive* FormSplitLive;
