// The print preview: the page image exactly as it prints, in a grey scroll
// box filling the screen, with the buttons that open the print options, print
// and cancel. Printing goes to a printer the operator picks (or a PDF file);
// with no printer on the system, straight to a PDF file.
#pragma once

#include "ui_TFormImagePrintPreview.h"

#include <QDialog>
#include <QImage>

#include <functional>

class MLan;
class QPrinter;

class TFormImagePrintPreview : public QDialog, public Ui::TFormImagePrintPreview {
    Q_OBJECT
public:
    explicit TFormImagePrintPreview(QWidget* parent = nullptr);

    MLan* Lan = nullptr;

    // The page to show and print; the picture box takes the page's outer
    // size and shows the image at its top left.
    void SetPage(const QImage& page, int outerWidth, int outerHeight);
    const QImage& Page() const { return PageImage; }

    // Sets the printer up for printing: a printer the operator picks, or a
    // PDF file. False when the operator cancels. Tests put their own here.
    std::function<bool(QPrinter& printer)> ChoosePrinter;

    void FormShow();
    void BBOptionClick();
    void BBConfirmClick();

Q_SIGNALS:
    // The operator wants to change the print options.
    void OptionClicked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool ChoosePrinterByDialog(QPrinter& printer);

    QImage PageImage;
};

// Created by the start-up code, alive until exit.
extern TFormImagePrintPreview* FormImagePrintPreview;
