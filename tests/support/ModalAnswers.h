// Answers the modal windows a command opens, one after the other, as the
// operator would: each answer gets the next modal window not answered yet.
// Lets a test run a command that calls exec() without blocking.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <deque>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

class ModalAnswers {
public:
    using Answer = std::function<void(QWidget*)>;

    explicit ModalAnswers(std::deque<Answer> answers)
        : Answers(std::move(answers))
    {
        QObject::connect(&Timer, &QTimer::timeout, [this] { Poll(); });
        Timer.start(5);
    }

    // True when every answer was used.
    bool AllAnswered() const { return Answers.empty(); }

    // Presses a button of a message box, keeping its text when asked.
    static Answer Press(QMessageBox::StandardButton button, QString* text = nullptr)
    {
        return [button, text](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr) << modal->metaObject()->className();
            if (text)
                *text = box->text();
            box->button(button)->click();
        };
    }

    // Leaves any dialog as its close box would.
    static Answer Cancel()
    {
        return [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); };
    }

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        // A window is answered once: a file dialog stays modal for a moment
        // after the question it asked has been answered.
        if (!modal || !modal->isVisible() || std::find(Answered.begin(), Answered.end(), modal) != Answered.end())
            return;
        Answered.emplace_back(modal);
        if (Answers.empty()) {
            // Closed, so that an unforeseen question fails the test instead of hanging it.
            ADD_FAILURE() << "unexpected modal window " << modal->metaObject()->className();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                QTimer::singleShot(0, dialog, &QDialog::reject);
            return;
        }
        // Answered from a fresh event: an answer may open the next modal
        // window, whose nested loop would never run this timer again.
        QTimer::singleShot(0, modal, [modal, answer = std::move(Answers.front())] { answer(modal); });
        Answers.pop_front();
    }

    std::deque<Answer> Answers;
    std::vector<QPointer<QWidget>> Answered;
    QTimer Timer;
};
