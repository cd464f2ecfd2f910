#include "shapes/MTool.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(MToolKeyFilters, FiltersKeepTurnOrSwallowEachKey)
{
    const struct {
        MTool::KeyFilter filter;
        const char* filterName;
        const char* text;
        char key;
        char result; // 0: swallowed
    } cases[] = {
        {&MTool::KeyPressInteger, "integer", "", '5', '5'},
        {&MTool::KeyPressInteger, "integer", "", '\b', '\b'},
        {&MTool::KeyPressInteger, "integer", "", 'a', 0},
        {&MTool::KeyPressInteger, "integer", "", '.', 0},
        {&MTool::KeyPressInteger, "integer", "", ',', 0},
        {&MTool::KeyPressInteger, "integer", "", '-', 0},
        {&MTool::KeyPressInteger, "integer", "", ' ', 0},
        {&MTool::KeyPressInteger, "integer", "1", 'e', 0},
        {&MTool::KeyPressDecimal, "decimal", "3", '.', '.'},
        {&MTool::KeyPressDecimal, "decimal", "3.5", '.', 0},
        {&MTool::KeyPressDecimal, "decimal", "3.5", '7', '7'},
        {&MTool::KeyPressDecimal, "decimal", "3", '-', 0},
        {&MTool::KeyPressDecimal, "decimal", "3", ',', '.'}, // a decimal comma is typed as the point
        {&MTool::KeyPressDecimal, "decimal", "3.5", ',', 0},
        {&MTool::KeyPressDecimal, "decimal", "3,5", '.', 0}, // one separator, even a pasted comma
        {&MTool::KeyPressDecimal, "decimal", "3", 'e', 'e'},
        {&MTool::KeyPressDecimal, "decimal", "3", 'E', 'E'},
        {&MTool::KeyPressDecimal, "decimal", "", 'e', 0},   // an exponent needs digits before it
        {&MTool::KeyPressDecimal, "decimal", "3.", 'e', 0},
        {&MTool::KeyPressDecimal, "decimal", "3e5", 'e', 0},
        {&MTool::KeyPressDecimal, "decimal", "3e", '-', '-'}, // the exponent's sign
        {&MTool::KeyPressDecimal, "decimal", "3e-", '-', 0},
        {&MTool::KeyPressDecimal, "decimal", "3e5", '.', 0},  // no point in the exponent
        {&MTool::KeyPressSignedDecimal, "signed", "12", '-', '-'},
        {&MTool::KeyPressSignedDecimal, "signed", "-12", '-', 0},
        {&MTool::KeyPressSignedDecimal, "signed", "-12", '.', '.'},
        {&MTool::KeyPressSignedDecimal, "signed", "-12", ',', '.'},
        {&MTool::KeyPressSignedDecimal, "signed", "-1.2", '.', 0},
        {&MTool::KeyPressSignedDecimal, "signed", "", '\b', '\b'},
        {&MTool::KeyPressSignedDecimal, "signed", "", 'e', 0},
        {&MTool::KeyPressSignedDecimal, "signed", "-1e", '-', '-'},
        {&MTool::KeyPressSignedDecimal, "signed", "1e-5", '-', 0},
        {&MTool::KeyPressSignedDecimal, "signed", "", char(0xB9), 0}, // an upper-half byte
    };
    QLineEdit edit;
    for (const auto& c : cases) {
        edit.setText(c.text);
        char key = c.key;
        c.filter(&edit, key);
        EXPECT_EQ(key, c.result) << c.filterName << " on \"" << c.text << "\" key " << int(c.key);
    }
}

TEST(MToolKeyFilters, WithoutAControlTheKeyIsKept)
{
    for (const MTool::KeyFilter filter : {&MTool::KeyPressInteger, &MTool::KeyPressDecimal, &MTool::KeyPressSignedDecimal}) {
        char key = 'x';
        filter(nullptr, key);
        EXPECT_EQ(key, 'x');
    }
}

TEST(MToolKeyFilters, KeyTests)
{
    EXPECT_TRUE(MTool::IsBackspaceKey(8));
    EXPECT_FALSE(MTool::IsBackspaceKey(127));
    EXPECT_TRUE(MTool::IsDigitKey('0'));
    EXPECT_TRUE(MTool::IsDigitKey('9'));
    EXPECT_FALSE(MTool::IsDigitKey('/'));
    EXPECT_FALSE(MTool::IsDigitKey(char(0xB0)));
    QLineEdit edit("1-2");
    EXPECT_FALSE(MTool::IsMinusKeyAllowed(&edit, '-'));
    EXPECT_TRUE(MTool::IsPointKeyAllowed(&edit, '.'));
    EXPECT_FALSE(MTool::IsPointKeyAllowed(&edit, ','));
}

class KeyFilterOnEdit : public ::testing::Test {
protected:
    void SetUp() override
    {
        edit.show();
        QApplication::setActiveWindow(&edit);
        edit.setFocus();
    }
    QLineEdit edit;
};

TEST_F(KeyFilterOnEdit, DecimalEditTakesDigitsAndOnePoint)
{
    MTool::InstallKeyFilter(&edit, &MTool::KeyPressDecimal);
    QTest::keyClicks(&edit, "12a.3.4-,x 5");
    EXPECT_EQ(edit.text(), "12.345");
}

// Numbers are read with a point whatever the locale: a typed decimal comma
// shows as the point it will be read as, and an exponent is kept whole, so
// the box always shows the number that will be used.
TEST_F(KeyFilterOnEdit, DecimalEditShowsTheNumberThatWillBeUsed)
{
    MTool::InstallKeyFilter(&edit, &MTool::KeyPressDecimal);
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {
        {"0,3", "0.3"},
        {"1,2,3", "1.23"},
        {"1.2,3", "1.23"},
        {"1e-4", "1e-4"},
        {"2.5E3", "2.5E3"},
        {"e5", "5"},
        {"1e5e-", "1e5"},
        {"1e--4", "1e-4"},
    };
    for (const auto& c : cases) {
        edit.clear();
        QTest::keyClicks(&edit, c.typed);
        EXPECT_EQ(edit.text(), c.shown) << c.typed;
        double value = 0;
        EXPECT_TRUE(MTool::TextToNumber(edit.text().toStdString(), value)) << c.typed;
        EXPECT_EQ(value, QString(c.shown).toDouble()) << c.typed;
    }
}

TEST_F(KeyFilterOnEdit, ATurnedKeyKeepsTheBoxRules)
{
    MTool::InstallKeyFilter(&edit, &MTool::KeyPressDecimal);
    QSignalSpy edited(&edit, &QLineEdit::textEdited);
    edit.setMaxLength(3);
    QTest::keyClicks(&edit, "12,5");
    EXPECT_EQ(edit.text(), "12.");
    EXPECT_EQ(edited.count(), 3);

    edit.setMaxLength(32767);
    edit.setText("1234");
    edit.setSelection(1, 2);
    QTest::keyClicks(&edit, ",");
    EXPECT_EQ(edit.text(), "1.4") << "the selection is replaced";
}

TEST_F(KeyFilterOnEdit, SignedEditTakesASignForTheNumberAndOneForItsExponent)
{
    MTool::InstallKeyFilter(&edit, &MTool::KeyPressSignedDecimal);
    QTest::keyClicks(&edit, "1,5e-3");
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClicks(&edit, "--");
    EXPECT_EQ(edit.text(), "-1.5e-3");
}

TEST_F(KeyFilterOnEdit, IntegerEditTakesDigitsOnly)
{
    MTool::InstallKeyFilter(&edit, &MTool::KeyPressInteger);
    QTest::keyClicks(&edit, "1.5-x9");
    EXPECT_EQ(edit.text(), "159");
}

TEST_F(KeyFilterOnEdit, SignedEditTakesOneMinusAnywhere)
{
    MTool::InstallKeyFilter(&edit, &MTool::KeyPressSignedDecimal);
    QTest::keyClicks(&edit, "12.5.");
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClicks(&edit, "--");
    EXPECT_EQ(edit.text(), "-12.5");
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, "-");
    EXPECT_EQ(edit.text(), "-12.5");
}

TEST_F(KeyFilterOnEdit, BackspaceIsFilteredAndKept)
{
    MTool::InstallKeyFilter(&edit, &MTool::KeyPressInteger);
    QTest::keyClicks(&edit, "123");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "12");

    int seen = 0;
    QLineEdit other;
    MTool::InstallKeyPressHandler(&other, [&seen](char& key) {
        if (key == 8)
            ++seen;
    });
    QTest::keyClick(&other, Qt::Key_Backspace);
    EXPECT_EQ(seen, 1);
}

TEST_F(KeyFilterOnEdit, NonAsciiCharactersAreSwallowed)
{
    MTool::InstallKeyFilter(&edit, &MTool::KeyPressDecimal);
    QTest::keyClicks(&edit, "1");
    // QTest spells only Latin-1 keys: the other characters go as plain key events.
    for (const QString& text : {QString("长"), QString("²"), QString("é")}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(&edit, &press);
    }
    QTest::keyClicks(&edit, "2");
    EXPECT_EQ(edit.text(), "12");
}

TEST_F(KeyFilterOnEdit, EditingAndDialogKeysPassUnfiltered)
{
    MTool::InstallKeyFilter(&edit, &MTool::KeyPressInteger);
    QSignalSpy returnPressed(&edit, &QLineEdit::returnPressed);
    QTest::keyClicks(&edit, "13");
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClicks(&edit, "2");
    QTest::keyClick(&edit, Qt::Key_Delete);
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.text(), "12");
    EXPECT_EQ(returnPressed.count(), 1);
}

TEST(MToolEnableControl, DisabledIsSilverAndEnabledTheSystemEditColour)
{
    QLineEdit edit;
    MTool::EnableControl(&edit, false);
    EXPECT_FALSE(edit.isEnabled());
    EXPECT_EQ(edit.palette().color(QPalette::Disabled, QPalette::Base), QColor(0xC0, 0xC0, 0xC0));

    MTool::EnableControl(&edit, true);
    EXPECT_TRUE(edit.isEnabled());
    const QColor system = QApplication::palette(&edit).color(QPalette::Active, QPalette::Base);
    EXPECT_EQ(edit.palette().color(QPalette::Active, QPalette::Base), system);
    EXPECT_EQ(edit.palette().color(QPalette::Inactive, QPalette::Base), system);

    MTool::EnableControl(nullptr, false); // nothing without a control
}

// A disabled edit still shows the value it holds: its text must stand out
// from the silver ground, which Qt's own disabled grey barely does.
TEST(MToolEnableControl, DisabledValueStaysReadable)
{
    QLineEdit edit;
    edit.setText("0.1");
    MTool::EnableControl(&edit, false);
    const QColor text = edit.palette().color(QPalette::Disabled, QPalette::Text);
    const QColor ground = edit.palette().color(QPalette::Disabled, QPalette::Base);
    EXPECT_GE(std::abs(ground.lightness() - text.lightness()), 60);
}

} // namespace
