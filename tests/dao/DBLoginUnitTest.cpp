#include "dao/DBLoginUnit.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

TEST(DBLoginUnit, FixedSizeDialogInTheMiddleOfTheScreenAnsweringOkOrCancel)
{
    TDbLogin dialog;
    EXPECT_EQ(dialog.windowTitle(), "Database Login");
    EXPECT_EQ(dialog.size(), QSize(375, 180));
    EXPECT_EQ(dialog.Password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.DbPassword->echoMode(), QLineEdit::Password);
    dialog.show();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((dialog.geometry().center() - work.center()).manhattanLength(), 10);

    dialog.Button2->click();
    EXPECT_EQ(dialog.result(), 2);
    dialog.show();
    dialog.Button1->click();
    EXPECT_EQ(dialog.result(), 1);
}

} // namespace
