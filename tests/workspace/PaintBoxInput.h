// Real mouse events on the main window's paint box and real key events on its
// window, as the operator's hand would give them.
#pragma once

#include "WorkspaceFixture.h"

#include "platform/gui/TBitmap.h"
#include "shapes/MLine.h"
#include "workspace/Quorvex.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include <memory>
#include <string>

class PaintBoxInput {
public:
    explicit PaintBoxInput(TFormMeasure& form) : form_(form) {}

    // The button that presses, releases and double-clicks; the left one
    // unless a test changes it.
    Qt::MouseButton Button = Qt::LeftButton;

    void Press(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Send(QEvent::MouseButtonPress, p, Button, Button, modifiers);
        held_ = Button;
    }
    void Move(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Send(QEvent::MouseMove, p, Qt::NoButton, held_, modifiers);
    }
    void Release(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        held_ = Qt::NoButton;
        Send(QEvent::MouseButtonRelease, p, Button, Qt::NoButton, modifiers);
    }
    void Click(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Move(p, modifiers);
        Press(p, modifiers);
        Release(p, modifiers);
    }
    // Two clicks in quick succession: Qt turns the second press into a
    // double-click event.
    void DoubleClick(QPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Click(p, modifiers);
        Send(QEvent::MouseButtonDblClick, p, Button, Button, modifiers);
        held_ = Button;
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

// The started main window with a hand on its paint box, and a few ways of
// setting up a document.
class PaintBoxTest : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        Form = &StartForms();
        Input = std::make_unique<PaintBoxInput>(*Form);
    }

    // A finished, unselected line in the document.
    MShape* AddLine(TPoint a, TPoint b)
    {
        MShape* line = Form->AddShape(MLine::Create(Form->ImagePaint->Canvas(), a.x, a.y, b.x, b.y));
        EXPECT_TRUE(line);
        line->selected = false;
        return line;
    }

    // A plain picture larger than the view, in a window of 800 x 600, so
    // that the view could scroll.
    void ShowPictureLargerThanTheView()
    {
        QImage large(2400, 1800, QImage::Format_RGB32);
        large.fill(Qt::darkGray);
        TBitmap picture;
        picture.SetImage(large);
        picture.SaveToFile("Images/Large.bmp");
        ASSERT_TRUE(Form->LoadImageFile("Images/Large.bmp"));
        Form->resize(800, 600);
    }

    std::string MessagePanel() const { return Form->StatusPanels[2]->text().toStdString(); }

    TFormMeasure* Form = nullptr;
    std::unique_ptr<PaintBoxInput> Input;
};
