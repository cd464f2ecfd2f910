// The toolbox's control operations: colouring enabled and disabled edit
// boxes, and the key filters of numeric edit boxes.

#include "shapes/MTool.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>

#include <utility>

namespace {

constexpr char kBackspace = 8;
// What a filter sees for a character beyond ASCII: a byte of the upper half,
// which is never a digit, point or minus sign.
constexpr char kNonAsciiKey = char(0x80);

// Hands every typed character of an edit box to its key-press handler before
// the box sees it, swallows the key when the handler sets it to 0, and types
// the handler's key instead when it changes the key.
class KeyPressFilter : public QObject {
public:
    KeyPressFilter(QLineEdit* edit, std::function<void(char&)> handler)
        : QObject(edit), handler_(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        char key = kBackspace;
        if (keyEvent->key() != Qt::Key_Backspace) {
            const QString text = keyEvent->text();
            // Keys that type nothing printable are editing and dialog keys, not typing.
            if (text.isEmpty() || !text[0].isPrint())
                return false;
            key = text.size() == 1 && text[0].unicode() < 0x80 ? char(text[0].unicode()) : kNonAsciiKey;
        }
        const char typed = key;
        handler_(key);
        if (key != 0 && key != typed) {
            // The handler turned the key into another one: that one is typed
            // instead, within the box's own rules (selection, length limit).
            if (auto* edit = qobject_cast<QLineEdit*>(parent()))
                edit->insert(QString(QChar(key)));
            return true;
        }
        return key == 0;
    }

private:
    std::function<void(char&)> handler_;
};

QString ControlText(QLineEdit* control) { return control ? control->text() : QString(); }

bool IsExponentMark(QChar c) { return c == 'e' || c == 'E'; }

// Where a typed key lands: the text before it and after it, a selection
// being replaced by the key.
struct TypingPlace {
    QString before;
    QString after;
};

TypingPlace PlaceOf(QLineEdit* control)
{
    if (!control)
        return {};
    const QString text = control->text();
    int start = control->cursorPosition();
    int end = start;
    if (control->hasSelectedText()) {
        start = control->selectionStart();
        end = start + int(control->selectedText().size());
    }
    return {text.left(start), text.mid(end)};
}

bool HoldsExponent(const QString& text) { return text.contains('e') || text.contains('E'); }

// The text before the exponent mark, or all of it.
QString Mantissa(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (IsExponentMark(text[i]))
            return text.left(i);
    return text;
}

} // namespace

namespace {

constexpr TColor kGrayText = 0x808080; // the old platform's disabled text colour

} // namespace

void MTool::EnableControl(QWidget* control, bool enabled)
{
    if (!control)
        return;
    control->setEnabled(enabled);
    // The colour holds in every colour group, since Qt paints a disabled
    // widget from its Disabled group.
    const QColor colour = enabled ? QApplication::palette(control).color(QPalette::Active, QPalette::Base)
                                  : ToQColor(clSilver);
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, colour);
    // Qt's own disabled text grey is nearly silver itself; the old system
    // grey keeps a disabled value readable on the silver ground.
    palette.setColor(QPalette::Disabled, QPalette::Text, ToQColor(kGrayText));
    control->setPalette(palette);
}

bool MTool::IsBackspaceKey(char key) { return key == kBackspace; }

bool MTool::IsDigitKey(char key) { return key >= '0' && key <= '9'; }

bool MTool::IsPointKeyAllowed(QLineEdit* control, char key)
{
    // One separator, and none in the exponent.
    const QString text = ControlText(control);
    return key == '.' && !text.contains('.') && !text.contains(',') && !HoldsExponent(PlaceOf(control).before);
}

bool MTool::IsMinusKeyAllowed(QLineEdit* control, char key)
{
    // The number's own sign: before any exponent, once.
    return key == '-' && !Mantissa(ControlText(control)).contains('-') && !HoldsExponent(PlaceOf(control).before);
}

bool MTool::IsExponentKeyAllowed(QLineEdit* control, char key)
{
    // After a digit, once, and never before the decimal point.
    const TypingPlace place = PlaceOf(control);
    return IsExponentMark(QChar(key)) && !HoldsExponent(place.before) && !HoldsExponent(place.after)
           && !place.before.isEmpty() && place.before.back().isDigit() && !place.after.contains('.');
}

bool MTool::IsExponentSignKeyAllowed(QLineEdit* control, char key)
{
    const TypingPlace place = PlaceOf(control);
    return key == '-' && !place.before.isEmpty() && IsExponentMark(place.before.back())
           && !place.after.startsWith('-') && !place.after.startsWith('+');
}

void MTool::KeyPressInteger(QLineEdit* control, char& key)
{
    if (!control)
        return;
    if (!IsBackspaceKey(key) && !IsDigitKey(key))
        key = 0;
}

void MTool::KeyPressDecimal(QLineEdit* control, char& key)
{
    if (!control)
        return;
    if (key == ',')
        key = '.';
    if (!IsBackspaceKey(key) && !IsDigitKey(key) && !IsPointKeyAllowed(control, key)
        && !IsExponentKeyAllowed(control, key) && !IsExponentSignKeyAllowed(control, key))
        key = 0;
}

void MTool::KeyPressSignedDecimal(QLineEdit* control, char& key)
{
    if (!control)
        return;
    if (key == ',')
        key = '.';
    if (!IsBackspaceKey(key) && !IsDigitKey(key) && !IsPointKeyAllowed(control, key)
        && !IsMinusKeyAllowed(control, key) && !IsExponentKeyAllowed(control, key)
        && !IsExponentSignKeyAllowed(control, key))
        key = 0;
}

void MTool::InstallKeyPressHandler(QLineEdit* control, std::function<void(char&)> handler)
{
    if (!control)
        return;
    // Typed text only comes through key events: an input method could commit
    // text past the filter.
    control->setAttribute(Qt::WA_InputMethodEnabled, false);
    control->installEventFilter(new KeyPressFilter(control, std::move(handler)));
}

void MTool::InstallKeyFilter(QLineEdit* control, KeyFilter filter)
{
    InstallKeyPressHandler(control, [control, filter](char& key) { filter(control, key); });
}
