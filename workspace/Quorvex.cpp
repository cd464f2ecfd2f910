#include "workspace/Quorvex.h"

#include "platform/gui/TJPEGImage.h"

#include <QLabel>
#include <QPixmap>
#include <QScrollArea>

#include <exception>

namespace {

bool IsJpegName(const std::string& name)
{
    return name.size() >= 4 && QString::fromStdString(name.substr(name.size() - 4)).compare(".jpg", Qt::CaseInsensitive) == 0;
}

} // namespace

TFormMeasure::TFormMeasure(QWidget* parent)
    : QMainWindow(parent)
    , scrollBoxPaint(new QScrollArea(this))
    , imagePaint(new QLabel)
{
    setObjectName("FormMeasure");
    setWindowTitle("Quorvex");
    scrollBoxPaint->setObjectName("ScrollBoxPaint");
    imagePaint->setObjectName("ImagePaint");
    imagePaint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scrollBoxPaint->setWidget(imagePaint);
    setCentralWidget(scrollBoxPaint);
    resize(1024, 768);
    LoadImageFile("Images/Default.bmp");
}

bool TFormMeasure::LoadImageFile(const std::string& name)
{
    try {
        TBitmap picture;
        if (IsJpegName(name)) {
            TJPEGImage jpeg;
            jpeg.LoadFromFile(name);
            jpeg.AssignTo(picture);
        } else {
            picture.LoadFromFile(name);
        }
        imageBitmap.Assign(picture);
    } catch (const std::exception&) {
        return false;
    }
    imagePaint->setPixmap(QPixmap::fromImage(imageBitmap.Image()));
    imagePaint->resize(imageBitmap.Width(), imageBitmap.Height());
    return true;
}
