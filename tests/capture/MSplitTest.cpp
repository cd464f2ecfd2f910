// The still compare window: each side takes a picture from a file or from
// the capture window, keeps its own copy, and keeps it when the operator
// cancels.
#include "tests/capture/CaptureFixture.h"

#include "capture/MSplit.h"
#include "platform/gui/ImageFile.h"
#include "tests/support/ModalAnswers.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

namespace {

class SplitTest : public CaptureTest {
protected:
    void TearDown() override
    {
        Form.reset();
        CaptureTest::TearDown();
    }
    TFormSplit& ShowSplit()
    {
        Start();
        Form = std::make_unique<TFormSplit>();
        Form->show();
        return *Form;
    }
    std::unique_ptr<TFormSplit> Form;
};

// Types the name (in the pictures folder) into the file dialog and presses Open, as the operator does.
ModalAnswers::Answer PickFile(const QString& file)
{
    return [file](QWidget* dialog) {
        auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        ASSERT_TRUE(qobject_cast<QFileDialog*>(dialog) && nameBox && buttons);
        nameBox->clear();
        QTest::keyClicks(nameBox, file);
        buttons->button(QDialogButtonBox::Open)->click();
    };
}

ModalAnswers::Answer Cancel()
{
    return [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); };
}

TEST_F(SplitTest, EachSideOpensAPictureFileAndCancelKeepsIt)
{
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    platform::WriteBmpFile(picture, "Images/a.bmp");
    QFile broken("Images/broken.bmp");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("BM and nothing more");
    broken.close();
    TFormSplit& form = ShowSplit();
    EXPECT_EQ(form.windowTitle(), "Image Compare");
    EXPECT_EQ(form.SBOpenLeft->toolTip(), "Open Image File To Left");

    // The dialog is used again for every pick, so each pick gets its own answer.
    const auto pick = [&form](const ModalAnswers::Answer& answer) {
        ModalAnswers answers({answer});
        form.SBOpenLeft->click();
        EXPECT_TRUE(answers.AllAnswered());
    };
    pick(PickFile("a.bmp"));
    EXPECT_EQ(form.ImageLeft->size(), QSize(30, 20));
    EXPECT_EQ(form.ImageLeft->pixmap().toImage().pixel(5, 5), QColor(Qt::darkCyan).rgb());
    pick(Cancel());
    pick(PickFile("broken.bmp"));
    EXPECT_EQ(form.ImageLeft->size(), QSize(30, 20));
    EXPECT_TRUE(form.ImageRight->pixmap().isNull());
    EXPECT_EQ(form.OpenDialogImage->directory().absolutePath(), QDir::current().absoluteFilePath("Images"));
}

TEST_F(SplitTest, TheSameGrabFileGoesIntoBothSidesEachKeepingItsOwnCopy)
{
    TFormSplit& form = ShowSplit();
    // The capture window is shown again for every grab: each gets its own answer.
    const auto grab = [](QToolButton* button, const ModalAnswers::Answer& answer) {
        ModalAnswers answers({answer});
        button->click();
        EXPECT_TRUE(answers.AllAnswered());
    };
    grab(form.SBGrabLeft, [this](QWidget*) {
        GrabFrame();
        FormGrab->BBConfirm->click();
    });
    const QImage left = form.ImageLeft->pixmap().toImage();
    EXPECT_EQ(left.size(), QSize(640, 480));
    grab(form.SBGrabRight, [this](QWidget*) {
        Video().NextFrame(); // the picture has moved on
        GrabFrame();
        FormGrab->BBConfirm->click();
    });
    const QImage right = form.ImageRight->pixmap().toImage();
    EXPECT_EQ(right.size(), QSize(640, 480));
    EXPECT_NE(left, right);
    EXPECT_EQ(form.ImageLeft->pixmap().toImage(), left) << "the second grab replaced only the file";

    grab(form.SBGrabLeft, [](QWidget*) { FormGrab->BBCancel->click(); });
    EXPECT_EQ(form.ImageLeft->pixmap().toImage(), left);
}

} // namespace
