#include "platform/gui/ImageFileDialog.h"

#include <QDir>

namespace {

const QStringList kImageFilters{"Bitmaps (*.bmp)", "JPEG (*.jpg)"};
const QString kBitmapExtension = "bmp";

} // namespace

QFileDialog* MakeImageFileDialog(QWidget* parent, const QString& name, QFileDialog::AcceptMode mode,
                                 const QString& folder)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(name);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(mode);
    dialog->setDirectory(QDir::current().absoluteFilePath(folder));
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
