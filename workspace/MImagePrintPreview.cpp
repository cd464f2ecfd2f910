#include "workspace/MImagePrintPreview.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/GuiTypes.h"
#include "settings/MLan.h"
#include "workspace/MImagePrint.h"

#include <QPixmap>
#include <QShowEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <memory>

TFormImagePrintPreview* FormImagePrintPreview = nullptr;

TFormImagePrintPreview::TFormImagePrintPreview(QWidget* parent)
    : QDialog(parent, Qt::Window)
{
    setupUi(this);
    // Above the tool windows, which stay on top of the main window.
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) | Qt::WindowStaysOnTopHint);
    setObjectName(QStringLiteral("FormImagePrintPreview"));
    Lan = MLan::GetInstance();
    connect(BBOption, &QPushButton::clicked, this, &TFormImagePrintPreview::BBOptionClick);
    connect(BBConfirm, &QPushButton::clicked, this, &TFormImagePrintPreview::BBConfirmClick);
    connect(BBCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

void TFormImagePrintPreview::SetPage(const QImage& page, int outerWidth, int outerHeight)
{
    PageImage = page;
    ImageMain->setFixedSize(outerWidth, outerHeight);
    ImageMain->setPixmap(QPixmap::fromImage(page));
}

void TFormImagePrintPreview::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
    if (!event->spontaneous())
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TFormImagePrintPreview::FormShow()
{
    setWindowTitle(QString::fromStdString(Lan->Texts[274]));
    BBOption->setText(QString::fromStdString(Lan->Texts[275]));
    BBConfirm->setText(QString::fromStdString(Lan->Texts[163]));
    BBCancel->setText(QString::fromStdString(Lan->Texts[157]));
}

void TFormImagePrintPreview::BBOptionClick()
{
    Q_EMIT OptionClicked();
}

void TFormImagePrintPreview::BBConfirmClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(Lan->Texts[1]));
    const bool chosen = ChoosePrinter ? ChoosePrinter(printer) : ChoosePrinterByDialog(printer);
    // A cancelled choice leaves the preview open.
    if (!chosen)
        return;
    if (!PrintPageImage(PageImage, printer)) {
        const QString target = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        ShowError(this, QString::fromStdString(Lan->Message(MSG_CANNOT_PRINT, target.toStdString())));
        return;
    }
    done(mrOk);
}

bool TFormImagePrintPreview::ChoosePrinterByDialog(QPrinter& printer)
{
    if (!QPrinterInfo::availablePrinters().isEmpty()) {
        // The operator picks a printer, or a PDF file among the choices.
        QPrintDialog dialog(&printer, this);
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        return dialog.exec() == QDialog::Accepted;
    }
    // No printer: the page goes into a PDF file.
    const std::unique_ptr<QFileDialog> dialog(
        MakeFileDialog(this, QStringLiteral("SaveDialogPdf"), QFileDialog::AcceptSave, QStringLiteral("Output")));
    dialog->setNameFilter(QStringLiteral("PDF (*.pdf)"));
    dialog->setDefaultSuffix(QStringLiteral("pdf"));
    dialog->selectFile(QStringLiteral("Print.pdf"));
    if (ExecFileDialog(dialog.get()) != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dialog->selectedFiles().constFirst());
    return true;
}
