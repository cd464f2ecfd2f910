#include "platform/gui/ImageFileDialog.h"

#include "platform/gui/Dialogs.h"

namespace {

// Bitmaps first, as the file dialogs of the bitmap class listed them.
const QStringList kImageFilters{"Bitmaps (*.bmp)", "JPEG (*.jpg)"};

} // namespace

QFileDialog* MakeImageFileDialog(QWidget* parent, const QString& name, QFileDialog::AcceptMode mode,
                                 const QString& folder)
{
    QFileDialog* dialog = MakeFileDialog(parent, name, mode, folder);
    if (mode == QFileDialog::AcceptOpen)
        dialog->setFileMode(QFileDialog::ExistingFile);
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
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}
