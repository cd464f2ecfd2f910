// The last-chance error handling: an exception escaping an event handler
// shows the standard error box with its message and goes no further.
#include "platform/gui/TApplication.h"
#include "tests/support/WindowTitle.h"

#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Reads and closes the error box as soon as it is open.
class ErrorBoxReader {
public:
    ErrorBoxReader()
    {
        QTimer::singleShot(0, [this] { Read(); });
    }
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    bool Seen = false;

private:
    void Read()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, [this] { Read(); });
            return;
        }
        Seen = true;
        Text = box->text();
        Icon = box->icon();
        box->accept();
    }
};

TEST(TApplicationTest, EscapingExceptionShowsItsMessageInAStopBox)
{
    ErrorBoxReader reader;
    const bool result = TApplication::Guarded([]() -> bool { throw std::runtime_error("Error in read config file"); });
    EXPECT_FALSE(result);
    EXPECT_TRUE(reader.Seen);
    EXPECT_EQ(reader.Text, QStringLiteral("Error in read config file"));
    EXPECT_EQ(reader.Icon, QMessageBox::Critical);
}

TEST(TApplicationTest, ForeignExceptionShowsAnEmptyMessage)
{
    ErrorBoxReader reader;
    EXPECT_FALSE(TApplication::Guarded([]() -> bool { throw 42; }));
    EXPECT_TRUE(reader.Seen);
    EXPECT_TRUE(reader.Text.isEmpty());
}

TEST(TApplicationTest, DeliveryWithoutExceptionKeepsItsResult)
{
    EXPECT_TRUE(TApplication::Guarded([] { return true; }));
    EXPECT_FALSE(TApplication::Guarded([] { return false; }));
}

} // namespace

namespace {

// Qt's own buttons and dialogs speak the interface language.
TEST(TApplicationTest, StandardDialogsFollowTheInterfaceLanguage)
{
    const auto yes = [] { return QCoreApplication::translate("QPlatformTheme", "&Yes"); };
    ASSERT_TRUE(TApplication::SetStandardDialogLanguage("zh_CN"));
    EXPECT_EQ(yes(), QString::fromUtf8("是(&Y)"));
    ASSERT_TRUE(TApplication::SetStandardDialogLanguage("zh_TW"));
    EXPECT_EQ(yes(), QString::fromUtf8("是(&Y)"));
    EXPECT_TRUE(TApplication::SetStandardDialogLanguage("en"));
    EXPECT_EQ(yes(), QStringLiteral("&Yes"));
}

} // namespace

namespace {

TEST(TApplicationTest, WindowsAreTitledWithTheirCaptionAloneAndMessageBoxesWithTheTitle)
{
    TApplication::SetTitle(QStringLiteral("Corvane -  Tamsel"));
    EXPECT_EQ(TApplication::Title(), QStringLiteral("Corvane -  Tamsel"));
    for (const QString& caption : {QStringLiteral("Attributes"), QString::fromUtf8("参数 - L1"), QString()}) {
        QWidget window;
        window.setWindowTitle(caption);
        EXPECT_EQ(TitleGivenToTheWindowSystem(window), caption);
    }

    QString boxTitle;
    QTimer::singleShot(0, [&boxTitle] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        boxTitle = box->windowTitle();
        qobject_cast<QMessageBox*>(box)->accept();
    });
    TApplication::ShowException(QStringLiteral("Error"));
    EXPECT_EQ(boxTitle, QStringLiteral("Corvane -  Tamsel"));
}

TEST(TApplicationTest, ADialogStaysAboveTheWindowItWasOpenedFromWhoeverOwnsIt)
{
    TApplication::KeepDialogsAboveOpeners();
    QWidget owner;
    owner.show();
    QDialog opener;
    opener.setWindowFlag(Qt::WindowStaysOnTopHint);
    opener.show();
    opener.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&opener));

    QDialog dialog(&owner);
    dialog.show();
    EXPECT_EQ(dialog.windowHandle()->transientParent(), opener.windowHandle());
    dialog.hide();

    // Shown again from the owner, it is kept above the owner.
    owner.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
    dialog.show();
    EXPECT_EQ(dialog.windowHandle()->transientParent(), owner.windowHandle());

    // A window that is no dialog keeps its own.
    QWidget tool(&opener, Qt::Tool);
    tool.show();
    EXPECT_EQ(tool.windowHandle()->transientParent(), opener.windowHandle());
}

} // namespace
