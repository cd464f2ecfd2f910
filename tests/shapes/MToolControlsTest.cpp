#include "shapes/MTool.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(MToolKeyFilters, FiltersKeepOrSwallowEachKey)
{
    const struct {
        MTool::KeyFilter filter;
        const char* filterName;
        const char* text;
        char key;
        bool kept;
    } cases[] = {
        {&MTool::KeyPressInteger, "integer", "", '5', true},
        {&MTool::KeyPressInteger, "integer", "", '\b', true},
        {&MTool::KeyPressInteger, "integer", "", 'a', false},
        {&MTool::KeyPressInteger, "integer", "", '.', false},
        {&MTool::KeyPressInteger, "integer", "", '-', false},
        {&MTool::KeyPressInteger, "integer", "", ' ', false},
        {&MTool::KeyPressDecimal, "decimal", "3", '.', true},
        {&MTool::KeyPressDecimal, "decimal", "3.5", '.', false},
        {&MTool::KeyPressDecimal, "decimal", "3.5", '7', true},
        {&MTool::KeyPressDecimal, "decimal", "3", '-', false},
        {&MTool::KeyPressDecimal, "decimal", "3", ',', false},
        {&MTool::KeyPressSignedDecimal, "signed", "12", '-', true},
        {&MTool::KeyPressSignedDecimal, "signed", "-12", '-', false},
        {&MTool::KeyPressSignedDecimal, "signed", "-12", '.', true},
        {&MTool::KeyPressSignedDecimal, "signed", "-1.2", '.', false},
        {&MTool::KeyPressSignedDecimal, "signed", "", '\b', true},
        {&MTool::KeyPressSignedDecimal, "signed", "", 'e', false},
        {&MTool::KeyPressSignedDecimal, "signed", "", char(0xB9), false}, // an upper-half byte
    };
    QLineEdit edit;
    for (const auto& c : cases) {
        edit.setText(c.text);
        char key = c.key;
        c.filter(&edit, key);
        EXPECT_EQ(key, c.kept ? c.key : 0) << c.filterName << " on \"" << c.text << "\" key " << int(c.key);
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
    QTest::keyClicks(&edit, "12a.3.4-,e 5");
    EXPECT_EQ(edit.text(), "12.345");
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
