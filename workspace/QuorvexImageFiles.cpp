// The main window's picture files: opening a bitmap or JPEG picture as the
// working image and saving the picture as shown, with every shape drawn on
// it. Shapes themselves are never written to a file.
#include "workspace/Quorvex.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/TBitmap.h"
#include "platform/gui/TJPEGImage.h"
#include "shapes/MTool.h"

#include <QFileDialog>
#include <QFileInfo>

#include <exception>

namespace {

// Bitmaps first, as the file dialogs of the bitmap class list them.
const QStringList kImageFilters{"Bitmaps (*.bmp)", "JPEG (*.jpg)"};
const QString kBitmapExtension = "bmp";
constexpr int kBestJpegQuality = 100;

void PrepareImageDialog(QFileDialog* dialog)
{
    dialog->setNameFilters(kImageFilters);
    dialog->setDefaultSuffix(kBitmapExtension);
}

// A name to save under without any extension gets the bitmap's, however the
// dialog came by the name (Qt adds it to typed names only); a name with an
// extension keeps it, whatever it is.
std::string WithDefaultExtension(const QString& fileName)
{
    if (QFileInfo(fileName).suffix().isEmpty())
        return (fileName + "." + kBitmapExtension).toStdString();
    return fileName.toStdString();
}

} // namespace

void TFormMeasure::MenuOpenClick()
{
    if (!OpenDialogImage) {
        OpenDialogImage = MakeFileDialog(this, "OpenDialogImage", QFileDialog::AcceptOpen, "Images");
        OpenDialogImage->setFileMode(QFileDialog::ExistingFile);
    }
    PrepareImageDialog(OpenDialogImage);
    if (OpenDialogImage->exec() != QDialog::Accepted || OpenDialogImage->selectedFiles().isEmpty())
        return;
    LoadImageFile(OpenDialogImage->selectedFiles().constFirst().toStdString());
}

void TFormMeasure::MenuSaveClick()
{
    if (!SaveDialogImage) {
        SaveDialogImage = MakeFileDialog(this, "SaveDialogImage", QFileDialog::AcceptSave, "Output");
        SaveDialogImage->selectFile("Output");
    }
    PrepareImageDialog(SaveDialogImage);
    if (SaveDialogImage->exec() != QDialog::Accepted || SaveDialogImage->selectedFiles().isEmpty())
        return;
    const std::string fileName = WithDefaultExtension(SaveDialogImage->selectedFiles().constFirst());
    try {
        SaveImageFile(fileName);
    } catch (const std::exception& error) {
        ShowError(this, QString::fromStdString(error.what()));
    }
}

void TFormMeasure::SaveImageFile(const std::string& fileName) const
{
    const TBitmap& picture = *BufferBitmap;
    if (MTool::IsJpegFile(fileName)) {
        TJPEGImage jpeg;
        jpeg.CompressionQuality = kBestJpegQuality;
        jpeg.Assign(picture);
        jpeg.SaveToFile(fileName);
    } else {
        picture.SaveToFile(fileName);
    }
}
