// The main window's picture files: opening a bitmap or JPEG picture as the
// working image and saving the picture as shown, with every shape drawn on
// it. Shapes themselves are never written to a file.
#include "workspace/Quorvex.h"

#include "platform/gui/ImageFileDialog.h"
#include "platform/gui/TBitmap.h"
#include "platform/gui/TJPEGImage.h"
#include "shapes/MTool.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <exception>

namespace {

constexpr int kBestJpegQuality = 100;

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
    if (!OpenDialogImage)
        OpenDialogImage = MakeImageFileDialog(this, "OpenDialogImage", QFileDialog::AcceptOpen, "Images");
    const QString fileName = PickImageFile(OpenDialogImage);
    if (!fileName.isEmpty())
        LoadImageFile(fileName.toStdString());
}

void TFormMeasure::MenuSaveClick()
{
    if (!SaveDialogImage) {
        SaveDialogImage = MakeImageFileDialog(this, "SaveDialogImage", QFileDialog::AcceptSave, "Output");
        SaveDialogImage->selectFile("Output");
    }
    PrepareImageFileDialog(SaveDialogImage);
    if (SaveDialogImage->exec() != QDialog::Accepted || SaveDialogImage->selectedFiles().isEmpty())
        return;
    const std::string fileName = WithDefaultExtension(SaveDialogImage->selectedFiles().constFirst());
    try {
        SaveImageFile(fileName);
    } catch (const std::exception& error) {
        QMessageBox message(QMessageBox::Critical, windowTitle(), QString::fromStdString(error.what()),
                            QMessageBox::Ok, this);
        message.exec();
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
