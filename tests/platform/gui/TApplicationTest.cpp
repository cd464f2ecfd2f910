// The last-chance error handling: an exception escaping an event handler
// shows the standard error box with its message and goes no further.
#include "platform/gui/TApplication.h"

#include <QMessageBox>
#include <QTimer>
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
