#include "workspace/Quorvex.h"

#include "shapes/MTool.h"

#include <QLabel>
#include <QPixmap>
#include <QScrollArea>

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
    if (!MTool::LoadBitmap(name, &imageBitmap))
        return false;
    imagePaint->setPixmap(QPixmap::fromImage(imageBitmap.Image()));
    imagePaint->resize(imageBitmap.Width(), imageBitmap.Height());
    return true;
}
