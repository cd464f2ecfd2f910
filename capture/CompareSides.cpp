#include "capture/CompareSides.h"

#include "capture/MGrab.h"
#include "platform/gui/ImageFileDialog.h"
#include "shapes/MTool.h"

#include <QLabel>
#include <QScrollArea>
#include <QSplitter>

namespace capture {

void OpenIntoImage(QFileDialog* dialog, QLabel* image)
{
    const QString file = PickImageFile(dialog);
    if (!file.isEmpty())
        MTool::LoadImage(file.toStdString(), image);
}

void GrabIntoImage(QLabel* image)
{
    if (FormGrab && FormGrab->exec() == mrOk)
        MTool::LoadImage(TFormGrab::GrabFile, image);
}

void SplitInHalves(QSplitter* splitter, int width)
{
    const int left = width / 2;
    splitter->setSizes({left, std::max(0, width - left - splitter->handleWidth())});
}

void WhiteBackground(QScrollArea* scrollBox)
{
    QPalette palette = scrollBox->viewport()->palette();
    palette.setColor(QPalette::Window, Qt::white);
    scrollBox->viewport()->setPalette(palette);
    scrollBox->viewport()->setAutoFillBackground(true);
}

} // namespace capture
