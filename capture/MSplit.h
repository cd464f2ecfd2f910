// The image compare window, created at start-up and living until exit. Until video
// capture is part of the program it only says that it is not available and
// ends with Cancel.
#pragma once

#include "capture/UnavailableForm.h"

#include <memory>

namespace Ui {
class TFormSplit;
}

class TFormSplit : public TUnavailableForm {
    Q_OBJECT
public:
    explicit TFormSplit(QWidget* parent = nullptr);
    ~TFormSplit() override;

private:
    std::unique_ptr<Ui::TFormSplit> ui;
};

// Null until start-up creates the window.
extern TFormSplit* FormSplit;
