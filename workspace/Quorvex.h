// The main window. For now it shows the working picture in a scroll area;
// tools, shapes and menus join it as they are built.
#pragma once

#include "platform/gui/TBitmap.h"

#include <QMainWindow>

#include <string>

class QLabel;
class QScrollArea;

class TFormMeasure : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMeasure(QWidget* parent = nullptr);

    // Takes the picture in `name` as the working image; false (and the old
    // picture kept) when it cannot be read.
    bool LoadImageFile(const std::string& name);

    const TBitmap& ImageBitmap() const { return imageBitmap; }

private:
    TBitmap imageBitmap;
    QScrollArea* scrollBoxPaint;
    QLabel* imagePaint;
};
