// Real mouse events on the main window's paint box and real key events on its
// window, as the operator's hand would give them.
#pragma once

#include "workspace/Quorvex.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>

class PaintBoxInput {
public:
    explicit PaintBoxInput(TFormMeasure& form) : form_(form) {}

    void Press(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, modifiers);
        held_ = Qt::LeftButton;
    }
    void Move(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Send(QEvent::MouseMove, p, Qt::NoButton, held_, modifiers);
    }
    void Release(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        held_ = Qt::NoButton;
        Send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton, modifiers);
    }
    void Click(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Move(p, modifiers);
        Press(p, modifiers);
        Release(p, modifiers);
    }
    // Press at a, move in steps to b, release there.
    void Drag(QPoint a, QPoint b, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Move(a, modifiers);
        Press(a, modifiers);
        Move((a + b) / 2, modifiers);
        Move(b, modifiers);
        Release(b, modifiers);
    }
    // A key pressed and released on the window, where the key preview sees it.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(form_.windowHandle(), key, modifiers);
    }

private:
    void Send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers)
    {
        QMouseEvent event(type, QPointF(p), QPointF(form_.ImagePaint->mapToGlobal(p)), button, buttons, modifiers);
        QCoreApplication::sendEvent(form_.ImagePaint, &event);
    }

    TFormMeasure& form_;
    Qt::MouseButtons held_ = Qt::NoButton;
};
