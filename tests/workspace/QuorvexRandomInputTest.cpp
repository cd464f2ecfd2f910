// Random input on the started main window: clicks, drags and double clicks
// with any button and modifier, arrow keys, Delete, Escape, Ctrl held over a
// tool, typed text marks, every tool and menu command but Exit and the file
// dialogs, the calibration window's buttons, and other pictures, with the
// confirmation questions and any modal window answered at random. After
// every step the document must hold together: every relation's operands are
// listed, serial numbers are unique per kind, and the selection, the current
// relation, the numeric window's shape and the angle tool's first line are
// listed or null (a shape under creation only while a tool is armed).
//
// The run is fixed by its seed and lasts a time budget:
//   QUORVEX_RANDOM_SEED     the seed (default 12); printed, and named when a step fails
//   QUORVEX_RANDOM_SECONDS  how long to run (default 20)
//   QUORVEX_RANDOM_STEPS    a number of steps to run instead, whatever it takes
// A failing step names the seed, its number and the last steps taken; the same
// seed replays the same steps. The run ends by printing a digest of the
// document and the editing state after every step, and of the pixels on
// screen every 50 steps: two builds that give the same digest for the same
// seed and steps behaved alike all the way.
#include "PaintBoxInput.h"

#include "platform/gui/TBitmap.h"
#include "shapes/MRelation.h"
#include "workspace/MRuleHoriVert.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr unsigned kDefaultSeed = 12;
constexpr double kDefaultSeconds = 20;
// Steps kept for the report of a failure.
constexpr std::size_t kHistory = 40;

double EnvironmentNumber(const char* name, double fallback)
{
    const char* text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    return end && *end == '\0' ? value : fallback;
}

class QuorvexRandomInput : public PaintBoxTest {
protected:
    void SetUp() override
    {
        PaintBoxTest::SetUp();
        Seed = unsigned(EnvironmentNumber("QUORVEX_RANDOM_SEED", kDefaultSeed));
        Seconds = EnvironmentNumber("QUORVEX_RANDOM_SECONDS", kDefaultSeconds);
        Steps = int(EnvironmentNumber("QUORVEX_RANDOM_STEPS", 0));
        Random.seed(Seed);
        std::printf("random input: seed %u for %g s (QUORVEX_RANDOM_SEED and QUORVEX_RANDOM_SECONDS)\n", Seed,
                    Seconds);
        std::fflush(stdout);

        // A small picture, to meet the edges of the paint box often.
        TBitmap small;
        small.SetSize(57, 43);
        small.SaveToFile("Images/Small.bmp");

        Form->ConfirmBox = [this](const QString&) { return Chance(0.5); };
        // Any modal window a command opens is closed at random, with OK or Cancel.
        QObject::connect(&ModalCloser, &QTimer::timeout, [this] { CloseModalWindow(); });
        ModalCloser.start(2);

        // Every command the operator can give from the main window, except
        // leaving the program and the file dialogs.
        const std::set<QString> leftOut{"MenuExit", "MenuOpen", "SBOpen", "MenuSave", "SBSave"};
        for (QAction* action : Form->findChildren<QAction*>())
            if (!action->objectName().isEmpty() && !action->isSeparator() && !action->menu() &&
                !leftOut.contains(action->objectName()))
                Commands.push_back(action);
        ASSERT_FALSE(Commands.empty());
    }

    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(Random) < p; }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random); }
    template <typename T>
    const T& AnyOf(const std::vector<T>& items)
    {
        return items[std::size_t(Between(0, int(items.size()) - 1))];
    }

    void CloseModalWindow()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        // Answered once: a window may stay modal for a moment after its answer.
        if (!dialog || !dialog->isVisible() || dialog == LastClosed)
            return;
        LastClosed = dialog;
        const bool ok = Chance(0.5);
        Note(std::string("  modal ") + dialog->metaObject()->className() + (ok ? " OK" : " Cancel"));
        QTimer::singleShot(0, dialog, [dialog, ok] { ok ? dialog->accept() : dialog->reject(); });
    }

    // A position on or near the picture, often on a control point of a
    // listed shape or of the shape under creation, sometimes outside.
    QPoint AnyPosition()
    {
        const int width = std::max(Form->ImagePaint->Width(), 1);
        const int height = std::max(Form->ImagePaint->Height(), 1);
        std::vector<TPoint> points;
        for (const MShape* shape : Form->ShapeList) {
            points.push_back(shape->p1);
            points.push_back(shape->p2);
        }
        if (!points.empty() && Chance(0.5)) {
            const TPoint p = AnyOf(points);
            return {p.x + Between(-4, 4), p.y + Between(-4, 4)};
        }
        return {Between(-15, width + 15), Between(-15, height + 15)};
    }

    Qt::KeyboardModifiers AnyModifiers()
    {
        if (Chance(0.8))
            return Qt::NoModifier;
        return Chance(0.5) ? Qt::ShiftModifier : Qt::ControlModifier;
    }

    Qt::MouseButton AnyButton()
    {
        if (Chance(0.85))
            return Qt::LeftButton;
        return Chance(0.6) ? Qt::MiddleButton : Qt::RightButton;
    }

    static std::string Text(QPoint p) { return "(" + std::to_string(p.x()) + "," + std::to_string(p.y()) + ")"; }

    void Note(std::string step)
    {
        History.push_back(std::move(step));
        if (History.size() > kHistory)
            History.pop_front();
    }

    // One random step, noted in the history.
    void Step()
    {
        // A window answered in an earlier step may be opened again.
        LastClosed = nullptr;
        const int kind = Between(0, 99);
        const Qt::KeyboardModifiers modifiers = AnyModifiers();
        if (kind < 28) {
            Input->Button = AnyButton();
            const QPoint p = AnyPosition();
            Note("click " + Text(p));
            Input->Click(p, modifiers);
        } else if (kind < 43) {
            Input->Button = AnyButton();
            const QPoint a = AnyPosition();
            const QPoint b = Chance(0.5) ? AnyPosition() : a + QPoint(Between(-40, 40), Between(-40, 40));
            Note("drag " + Text(a) + " to " + Text(b));
            Input->Drag(a, b, modifiers);
        } else if (kind < 48) {
            Input->Button = AnyButton();
            const QPoint p = AnyPosition();
            Note("double click " + Text(p));
            Input->DoubleClick(p, modifiers);
        } else if (kind < 56) {
            // Half a gesture: the other half may come after other steps.
            const QPoint p = AnyPosition();
            const int half = Between(0, 2);
            Note(std::string(half == 0 ? "press " : half == 1 ? "release " : "move ") + Text(p));
            if (half == 0) {
                Input->Button = AnyButton();
                Input->Press(p, modifiers);
            } else if (half == 1) {
                Input->Release(p, modifiers);
            } else {
                Input->Move(p, modifiers);
            }
        } else if (kind < 66) {
            const std::vector<Qt::Key> keys{Qt::Key_Up,     Qt::Key_Down, Qt::Key_Left,  Qt::Key_Right, Qt::Key_Delete,
                                            Qt::Key_Escape, Qt::Key_A,    Qt::Key_F5,    Qt::Key_Shift};
            const Qt::Key key = AnyOf(keys);
            Note("key " + QKeySequence(key).toString().toStdString());
            Input->Key(key, modifiers);
        } else if (kind < 86) {
            QAction* command = AnyOf(Commands);
            const bool ctrl = Chance(0.15);
            Note(std::string(ctrl ? "Ctrl+" : "") + command->objectName().toStdString() +
                 (command->isEnabled() ? "" : " (disabled)"));
            if (ctrl)
                QTest::keyPress(Form->windowHandle(), Qt::Key_Control, Qt::ControlModifier);
            command->trigger();
            if (ctrl)
                QTest::keyRelease(Form->windowHandle(), Qt::Key_Control, Qt::NoModifier);
        } else if (kind < 92) {
            TypeMarkText();
        } else if (kind < 98) {
            Calibrate();
        } else {
            const std::vector<std::string> pictures{"Images/Default.bmp", "Images/Small.bmp", "Images/Missing.bmp"};
            const std::string& picture = AnyOf(pictures);
            Note("load " + picture);
            Form->LoadImageFile(picture);
        }
    }

    void TypeMarkText()
    {
        if (Form->EditMark->isHidden()) {
            Note("no text box open");
            return;
        }
        const std::vector<QString> texts{"", "A", "Edge", "Ø 2.5 mm"};
        const QString text = AnyOf(texts);
        Note("type \"" + text.toStdString() + "\" and Enter");
        Form->EditMark->setText(text);
        QTest::keyClick(Form->EditMark, Qt::Key_Return);
    }

    void Calibrate()
    {
        TFormRuleHoriVert* rule = FormRuleHoriVert;
        const int action = Between(0, 5);
        const std::vector<QString> values{"", "2", "0.5", "0", "12.5"};
        switch (action) {
        case 0:
            Note("calibration: horizontal");
            rule->SBHori->click();
            break;
        case 1:
            Note("calibration: vertical");
            rule->SBVert->click();
            break;
        case 2:
        case 3: {
            QLineEdit* edit = action == 2 ? rule->EditValueHori : rule->EditValueVert;
            const QString value = AnyOf(values);
            Note("calibration: type \"" + value.toStdString() + "\" and Enter");
            edit->setText(value);
            QTest::keyClick(edit, Qt::Key_Return);
            break;
        }
        case 4:
            Note(std::string("calibration: confirm") + (rule->BBConfirm->isEnabled() ? "" : " (disabled)"));
            rule->BBConfirm->click();
            break;
        default:
            Note("calibration: cancel");
            rule->BBCancel->click();
            break;
        }
    }

    // Every broken rule of the document, one line each; empty when it holds.
    std::string BrokenRules() const
    {
        std::ostringstream broken;
        const TFormMeasure& form = *Form;
        std::set<const MShape*> shapes;
        std::set<std::pair<int, int>> numbers;
        for (MShape* shape : form.ShapeList) {
            if (!shape) {
                broken << "a null shape is listed\n";
                continue;
            }
            if (!shapes.insert(shape).second)
                broken << "shape " << shape->GetDisplayName() << " is listed twice\n";
            if (!numbers.insert({shape->GetKind(), shape->number}).second)
                broken << "two shapes of kind " << shape->GetKind() << " carry number " << shape->number << "\n";
            if (shape->number < 1 || shape->number > 999)
                broken << "shape " << shape->GetDisplayName() << " has number " << shape->number << "\n";
            // Reading every result touches the whole object.
            shape->GetResults();
        }
        std::set<const MShape*> relations;
        const auto operandsListed = [&](const MRelation* relation) {
            return shapes.contains(relation->shapeA) && shapes.contains(relation->shapeB);
        };
        for (MRelation* relation : form.RelationList) {
            if (!relation) {
                broken << "a null relation is listed\n";
                continue;
            }
            if (!relations.insert(relation).second)
                broken << "a relation is listed twice\n";
            if (!operandsListed(relation))
                broken << "relation " << relation->GetDisplayName() << " has an operand that is not listed\n";
            else
                relation->GetResults();
        }
        if (form.Mode != MODE_CREATE && form.Mode != MODE_SELECT && form.Mode != MODE_RULE)
            broken << "mode " << form.Mode << "\n";
        if (form.Selected && !shapes.contains(form.Selected) && form.Mode != MODE_CREATE)
            broken << "the selection is not listed outside create mode\n";
        if (const MRelation* current = form.SelectedRelation; current && !relations.contains(current)) {
            if (!operandsListed(current))
                broken << "the current relation has an operand that is not listed\n";
        }
        if (form.DigitShape && !shapes.contains(form.DigitShape) && !relations.contains(form.DigitShape) &&
            form.DigitShape != form.SelectedRelation)
            broken << "the numeric window's shape is neither listed nor the current relation\n";
        if (form.AngleFirstLine && !shapes.contains(form.AngleFirstLine))
            broken << "the angle tool's first line is not listed\n";
        if (form.AngleStep < 0 || form.AngleStep > 2)
            broken << "angle step " << form.AngleStep << "\n";
        if (form.TextEntry != !form.EditMark->isHidden())
            broken << "the text box is " << (form.EditMark->isHidden() ? "hidden" : "open") << " while text entry is "
                   << (form.TextEntry ? "on" : "off") << "\n";
        return broken.str();
    }

    // The shapes, relations, selection, mode and drags, hashed, and with
    // `pixels` the back buffer and the screen too.
    std::size_t Digest(bool pixels) const
    {
        const TFormMeasure& form = *Form;
        std::vector<const MShape*> shapes(form.ShapeList.begin(), form.ShapeList.end());
        const auto indexOf = [&](const MShape* shape) {
            const auto at = std::find(shapes.begin(), shapes.end(), shape);
            return shape == nullptr ? -1 : at == shapes.end() ? -2 : int(at - shapes.begin());
        };
        std::ostringstream state;
        for (const MShape* shape : shapes)
            state << shape->GetKind() << ' ' << shape->number << ' ' << shape->p1.x << ',' << shape->p1.y << ' '
                  << shape->p2.x << ',' << shape->p2.y << ' ' << shape->selected << shape->marked << ' '
                  << shape->GetEditState() << ';';
        for (const MRelation* relation : form.RelationList)
            state << indexOf(relation->shapeA) << '-' << indexOf(relation->shapeB) << ';';
        state << indexOf(form.Selected) << ' ' << (form.SelectedRelation != nullptr) << ' ' << form.Mode << ' '
              << form.AngleStep << ' ' << form.Banding << form.GroupMove << form.TextEntry << form.StickyTool << ' '
              << form.HoverPoint.x << ',' << form.HoverPoint.y;
        std::size_t digest = std::hash<std::string>()(state.str());
        if (pixels)
            for (const QImage& image : {form.BufferBitmap->Image(), form.ImagePaint->ScreenImage()})
                digest = digest * 31 + std::size_t(qHashBits(image.constBits(), std::size_t(image.sizeInBytes())));
        return digest;
    }

    std::string Replay(int step) const
    {
        std::string text = "seed " + std::to_string(Seed) + ", step " + std::to_string(step) +
                           " (QUORVEX_RANDOM_SEED=" + std::to_string(Seed) + " replays it); last steps:\n";
        for (const std::string& taken : History)
            text += "  " + taken + "\n";
        return text;
    }

    unsigned Seed = kDefaultSeed;
    double Seconds = kDefaultSeconds;
    int Steps = 0;
    std::mt19937 Random;
    std::vector<QAction*> Commands;
    std::deque<std::string> History;
    QTimer ModalCloser;
    QDialog* LastClosed = nullptr;
};

TEST_F(QuorvexRandomInput, TheDocumentHoldsTogetherAfterEveryStep)
{
    const auto start = std::chrono::steady_clock::now();
    const auto budget = std::chrono::duration<double>(Seconds);
    int step = 0;
    std::size_t mostShapes = 0;
    std::size_t digest = 0;
    const auto goOn = [&] { return Steps > 0 ? step < Steps : std::chrono::steady_clock::now() - start < budget; };
    for (; goOn(); ++step) {
        try {
            Step();
        } catch (const std::exception& error) {
            FAIL() << "exception: " << error.what() << "\n" << Replay(step);
        }
        const std::string broken = BrokenRules();
        ASSERT_TRUE(broken.empty()) << broken << Replay(step);
        mostShapes = std::max(mostShapes, Form->ShapeList.size());
        digest = digest * 31 + Digest(step % 50 == 0);
    }
    digest = digest * 31 + Digest(true);
    std::printf("random input: %d steps, at most %zu shapes, digest %zx\n", step, mostShapes, digest);
    RecordProperty("seed", int(Seed));
    RecordProperty("steps", step);
}

} // namespace
