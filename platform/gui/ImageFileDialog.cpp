#include "platform/gui/ImageFileDialog.h"

#include "platform/gui/Dialogs.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Bitmaps first, as the file dialogs of the bitmap class listed them.
const QStringList kImageFilters{"Bitmaps (*.bmp)", "JPEG (*.jpg)"};

// The extension of a filter's first pattern: "jpg" for "JPEG (*.jpg)".
QString FilterExtension(const QString& filter)
{
    static const QRegularExpression firstPattern(QStringLiteral("\\(\\*\\.([^ ;)]+)"));
    const QRegularExpressionMatch match = firstPattern.match(filter);
    return match.hasMatch() ? match.captured(1) : kBitmapExtension;
}

} // namespace

QFileDialog* MakeImageFileDialog(QWidget* parent, const QString& name, QFileDialog::AcceptMode mode,
                                 const QString& folder)
{
    QFileDialog* dialog = MakeFileDialog(parent, name, mode, folder);
    if (mode == QFileDialog::AcceptOpen)
        dialog->setFileMode(QFileDialog::ExistingFile);
    // The dialog adds the default extension to a name typed without one, and
    // asks before overwriting the file so named: it follows the chosen type.
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog,
                     [dialog](const QString& filter) { dialog->setDefaultSuffix(FilterExtension(filter)); });
    return dialog;
}

void PrepareImageFileDialog(QFileDialog* dialog)
{
    dialog->setNameFilters(kImageFilters);
    dialog->setDefaultSuffix(kBitmapExtension);
}

QString PickImageFile(QFileDialog* dialog)
{
    PrepareImageFileDialog(dialog);
    if (ExecFileDialog(dialog) != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    // Qt adds the extension to typed names only; a name to save under picked
    // from the list without one takes it here.
    const QString fileName = dialog->selectedFiles().constFirst();
    if (dialog->acceptMode() != QFileDialog::AcceptSave || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + "." + FilterExtension(dialog->selectedNameFilter());
}
