// The file dialogs for pictures: bitmaps first, then JPEG, as the bitmap
// class's dialogs listed them, with "bmp" as the default extension. As the
// old platform's dialog did, a name typed without an extension takes the
// extension of the type chosen in the dialog.
#pragma once

#include <QFileDialog>
#include <QString>

class QWidget;

// The extension of the pictures saved, and of names typed without one.
inline const QString kBitmapExtension = QStringLiteral("bmp");

// A dialog owned by `parent`, starting in `folder` of the working directory.
QFileDialog* MakeImageFileDialog(QWidget* parent, const QString& name, QFileDialog::AcceptMode mode,
                                 const QString& folder);
// Sets the picture filters and the default extension, before every use.
void PrepareImageFileDialog(QFileDialog* dialog);
// Runs the dialog; the file picked, or an empty text when cancelled. A name
// to save under without an extension ends in the chosen type's.
QString PickImageFile(QFileDialog* dialog);
