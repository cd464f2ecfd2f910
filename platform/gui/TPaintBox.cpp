#include "platform/gui/TPaintBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

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
    canvas_.OnChange = [this] { update(); };
}

void TPaintBox::SetSize(int width, int height)
{
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
    }
    setFixedSize(width, height);
    update();
}

void TPaintBox::ShowImage(const QImage& image)
{
    screen_ = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    setFixedSize(screen_.width(), screen_.height());
    update();
}

void TPaintBox::paintEvent(QPaintEvent* event)
{
    if (screen_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(event->rect(), screen_, event->rect());
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
