// The main window's picture files: opening a bitmap or JPEG picture as the
// working image and saving the picture as shown, with every shape drawn on
// it. Shapes themselves are never written to a file.
#include "workspace/Quorvex.h"

#include "platform/gui/ImageFile.h"
#include "platform/gui/ImageFileDialog.h"
#include "platform/gui/TBitmap.h"
#include "platform/gui/TJPEGImage.h"
#include "settings/MLan.h"
#include "shapes/MTool.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

constexpr int kBestJpegQuality = 100;

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
    const QString chosen = PickImageFile(SaveDialogImage);
    if (chosen.isEmpty())
        return;
    const std::string fileName = chosen.toStdString();
    // A highlight or band on screen is drawn on the back buffer; it goes
    // before the buffer is written out.
    WipeTransient();
    try {
        SaveImageFile(fileName);
    } catch (const platform::ImageError& error) {
        QMessageBox message(QMessageBox::Critical, windowTitle(),
                            QString::fromStdString(Lan->Message(MSG_CANNOT_SAVE_PICTURE, fileName, error.Reason())),
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
