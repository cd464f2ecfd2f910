#include "platform/gui/TPaintBox.h"

#include <QMouseEvent>
#include <QPainter>

#include <cstring>

namespace {

QRect ToQRect(const TRect& rect)
{
    return {rect.left, rect.top, rect.Width(), rect.Height()};
}

TMouseButton ButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

} // namespace

Qt::MouseButton QtButtonOf(TMouseButton button)
{
    switch (button) {
    case mbRight:
        return Qt::RightButton;
    case mbMiddle:
        return Qt::MiddleButton;
    default:
        return Qt::LeftButton;
    }
}

Qt::KeyboardModifiers ModifiersOf(TShiftState shift)
{
    Qt::KeyboardModifiers modifiers;
    if (shift & ssShift)
        modifiers |= Qt::ShiftModifier;
    if (shift & ssAlt)
        modifiers |= Qt::AltModifier;
    if (shift & ssCtrl)
        modifiers |= Qt::ControlModifier;
    return modifiers;
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= ssShift;
    if (modifiers & Qt::AltModifier)
        state |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        state |= ssCtrl;
    if (buttons & Qt::LeftButton)
        state |= ssLeft;
    if (buttons & Qt::RightButton)
        state |= ssRight;
    if (buttons & Qt::MiddleButton)
        state |= ssMiddle;
    return state;
}

TPaintBox::TPaintBox(QWidget* parent)
    : QWidget(parent)
    , canvas_(&screen_)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    canvas_.RecordTouched(&touched_);
    touched_.OnFirstTouch = [this](const TRect& tile) { kept_.Keep(tile); };
    canvas_.OnChange = [this] {
        kept_.NoteDrawn();
        update(ToQRect(touched_.Bounds()));
    };
}

void TPaintBox::SetSize(int width, int height)
{
    if (shared_) {
        screen_ = *shared_;
        LeaveInPlace();
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (screen_.width() != width || screen_.height() != height) {
        QImage resized(width, height, QImage::Format_RGB32);
        resized.fill(Qt::white);
        if (!screen_.isNull() && !resized.isNull()) {
            QPainter painter(&resized);
            painter.drawImage(0, 0, screen_);
        }
        screen_ = resized;
        touched_.Reset(width, height);
        shownKey_ = 0;
    }
    setFixedSize(width, height);
    update();
}

void TPaintBox::ShowImage(const QImage& image)
{
    LeaveInPlace();
    // The same picture, untouched since: only the marks drawn over it go.
    if (shownKey_ != 0 && image.cacheKey() == shownKey_ && image.size() == screen_.size() &&
        image.format() == QImage::Format_RGB32) {
        PutBack(image);
        return;
    }
    screen_ = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    shownKey_ = image.cacheKey();
    touched_.Reset(screen_.width(), screen_.height());
    setFixedSize(screen_.width(), screen_.height());
    update();
}

void TPaintBox::ShowImageInPlace(QImage& image)
{
    if (shared_ == &image && kept_.Holds(image) && image.size() == size()) {
        PutBackKept();
        return;
    }
    LeaveInPlace();
    screen_ = QImage();
    shownKey_ = 0;
    shared_ = &image;
    kept_.Watch(shared_);
    canvas_.SetTarget(shared_);
    touched_.Reset(image.width(), image.height());
    setFixedSize(image.width(), image.height());
    update();
}

void TPaintBox::PutBackKept()
{
    kept_.PutBack();
    for (const TRect& run : touched_.Take())
        update(ToQRect(run));
}

void TPaintBox::LeaveInPlace()
{
    if (!shared_)
        return;
    PutBackKept();
    shared_ = nullptr;
    kept_.Watch(nullptr);
    canvas_.SetTarget(&screen_);
    touched_.Reset(screen_.width(), screen_.height());
}

void TPaintBox::LetGoOfImage()
{
    LeaveInPlace();
    screen_ = QImage();
    touched_.Reset(0, 0);
    shownKey_ = 0;
}

void TPaintBox::PutBack(const QImage& image)
{
    const std::vector<TRect> runs = touched_.Take();
    if (runs.empty())
        return;
    // The screen image has its own pixels since the canvas first drew.
    uchar* screen = screen_.bits();
    const qsizetype screenStride = screen_.bytesPerLine();
    for (const TRect& run : runs) {
        const std::size_t bytes = std::size_t(run.Width()) * sizeof(QRgb);
        for (int y = run.top; y < run.bottom; ++y)
            std::memcpy(screen + y * screenStride + run.left * qsizetype(sizeof(QRgb)),
                        image.constScanLine(y) + run.left * qsizetype(sizeof(QRgb)), bytes);
        update(ToQRect(run));
    }
}

void TPaintBox::paintEvent(QPaintEvent* event)
{
    const QImage& shown = ScreenImage();
    if (shown.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(event->rect(), shown, event->rect());
}

void TPaintBox::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown) {
        const QPoint p = event->position().toPoint();
        OnMouseDown(ButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    }
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove) {
        const QPoint p = event->position().toPoint();
        OnMouseMove(ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    }
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (OnMouseUp) {
        const QPoint p = event->position().toPoint();
        OnMouseUp(ButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    }
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    // As on the old platform, only the left button's double click is one;
    // the others are just a second press.
    if (OnDblClick && event->button() == Qt::LeftButton)
        OnDblClick();
    if (OnMouseDown) {
        const QPoint p = event->position().toPoint();
        OnMouseDown(ButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()) | ssDouble, p.x(),
                    p.y());
    }
}
