// The main window's summary: the table of every result shown in the summary
// window, and its export to a plain-text file.
#include "workspace/Quorvex.h"

#include "platform/gui/Dialogs.h"
#include "platform/system/AtomicFile.h"
#include "settings/MLan.h"
#include "shapes/MRuleTool.h"
#include "workspace/MSum.h"
#include "workspace/MSummary.h"

std::vector<std::string> TFormMeasure::BuildSummaryText()
{
    return ::BuildSummaryText(Document);
}

void TFormMeasure::MenuSumClick()
{
    if (!FormSum)
        return;
    FormSum->SetLines(BuildSummaryText());
    FormSum->exec();
}

void TFormMeasure::ExportSummary()
{
    if (!SaveDialogExcel) {
        SaveDialogExcel = MakeFileDialog(this, QStringLiteral("SaveDialogExcel"), QFileDialog::AcceptSave,
                                         QStringLiteral("Output"));
        SaveDialogExcel->setNameFilters({QStringLiteral("Excel (*.xls)"), QStringLiteral("All files (*)")});
        SaveDialogExcel->setDefaultSuffix(QStringLiteral("xls"));
        SaveDialogExcel->selectFile(QStringLiteral("Summary.xls"));
    }
    if (ExecFileDialog(SaveDialogExcel) != QDialog::Accepted || SaveDialogExcel->selectedFiles().isEmpty())
        return;
    const std::string fileName = SaveDialogExcel->selectedFiles().constFirst().toStdString();
    try {
        ExportSummaryFile(Document, *MRuleTool::GetInstance(), fileName);
    } catch (const platform::FileWriteError& error) {
        // Over the summary window when the export came from there.
        QWidget* over = FormSum && FormSum->isVisible() ? static_cast<QWidget*>(FormSum) : this;
        ShowError(over, QString::fromStdString(Lan->Message(MSG_CANNOT_WRITE_FILE, fileName, error.Reason())));
    }
}
