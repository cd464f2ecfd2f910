// Opening and saving pictures through the main window's file dialogs, and the
// format a saved picture is written in.
#include "WorkspaceFixture.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/ModalAnswers.h"

#include "capture/MGrab.h"
#include "platform/gui/ImageFile.h"
#include "platform/gui/TBitmap.h"
#include "shapes/MLine.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool IsBitmapFile(const QString& path) { return FileBytes(path).startsWith("BM"); }
bool IsJpegFile(const QString& path) { return FileBytes(path).startsWith("\xFF\xD8\xFF"); }

// Presses the dialog's accept button, which reads the name box.
void AcceptFileDialog(QFileDialog* dialog)
{
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QPushButton* accept = buttons->button(QDialogButtonBox::Save) ? buttons->button(QDialogButtonBox::Save)
                                                                  : buttons->button(QDialogButtonBox::Open);
    ASSERT_NE(accept, nullptr);
    accept->click();
}

// Types a name into the dialog's name box and accepts it.
void TypeFileName(QFileDialog* dialog, const QString& name)
{
    auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(nameBox, nullptr);
    nameBox->clear();
    QTest::keyClicks(nameBox, name);
    AcceptFileDialog(dialog);
}

class ImageFiles : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        StartForms();
        // A small picture with a mark that shows it was read the right way up.
        TBitmap picture;
        picture.SetSize(40, 30);
        picture.Canvas()->SetPixel(3, 2, clRed);
        picture.SaveToFile("Images/Small.bmp");
    }

    // Chooses `fileName` in the file dialog that is open.
    static ModalAnswers::Answer Choose(const QString& fileName)
    {
        return [fileName](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            TypeFileName(dialog, fileName);
        };
    }

    QString Absolute(const QString& relative) const { return WorkingDir.filePath(relative); }
};

TEST_F(ImageFiles, OpenCommandLoadsTheChosenPictureFromTheImagesFolder)
{
    ModalAnswers answers({[](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), "OpenDialogImage");
        EXPECT_EQ(QDir(dialog->directory()).dirName(), "Images");
        EXPECT_EQ(dialog->nameFilters(), (QStringList{"Bitmaps (*.bmp)", "JPEG (*.jpg)"}));
        EXPECT_EQ(dialog->defaultSuffix(), "bmp");
        TypeFileName(dialog, "Small.bmp");
    }});
    FormMeasure->MenuOpenClick();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_EQ(FormMeasure->ImageBitmap->Width(), 40);
    EXPECT_EQ(FormMeasure->ImageBitmap->Height(), 30);
    EXPECT_EQ(FormMeasure->ImageBitmap->Canvas()->Pixels(3, 2), clRed);
}

TEST_F(ImageFiles, ANameTypedAndEnteredLeavesNoCompletionListBehind)
{
    ModalAnswers answers({[](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(nameBox, nullptr);
        // The list of matching names opens while the name is typed; Enter
        // takes the name as it stands.
        QTest::keyClicks(nameBox, "Small.bmp");
        QTest::keyClick(nameBox, Qt::Key_Return);
    }});
    FormMeasure->MenuOpenClick();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_EQ(FormMeasure->ImageBitmap->Width(), 40);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the list would catch the next clicks";
}

TEST_F(ImageFiles, CancelledOpenKeepsThePicture)
{
    ASSERT_TRUE(FormMeasure->LoadImageFile("Images/Small.bmp"));
    ModalAnswers answers({ModalAnswers::Cancel()});
    FormMeasure->MenuOpenClick();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_EQ(FormMeasure->ImageBitmap->Width(), 40);
}

TEST_F(ImageFiles, ConfirmedGrabLoadsTheGrabbedPicture)
{
    ASSERT_TRUE(QFile::copy("Images/Small.bmp", "Images/Grabbed.bmp"));
    ModalAnswers answers({[](QWidget* modal) {
        ASSERT_EQ(modal, FormGrab);
        FormGrab->done(mrOk); // as the capture window does once a frame is written
    }});
    FormMeasure->SBGrab->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_EQ(FormMeasure->ImageBitmap->Width(), 40);
    EXPECT_EQ(FormMeasure->BufferBitmap->Width(), 40);
}

TEST_F(ImageFiles, SaveFormatFollowsOnlyTheLastFourCharactersOfTheName)
{
    struct Case {
        const char* name;
        bool jpeg;
    };
    const Case cases[] = {
        {"a.JPG", true}, {"a.jpg", true}, {"b.Jpg", true}, {"a.jpeg", false},
        {"a.png", false}, {"a", false},   {"jpg", false},  {"a.bmp", false},
    };
    ASSERT_TRUE(FormMeasure->LoadImageFile("Images/Small.bmp"));
    for (const Case& c : cases) {
        const QString path = "Output/" + QString(c.name);
        FormMeasure->SaveImageFile(path.toStdString());
        EXPECT_EQ(IsJpegFile(path), c.jpeg) << c.name;
        EXPECT_EQ(IsBitmapFile(path), !c.jpeg) << c.name;
        TBitmap readBack;
        ASSERT_TRUE(MTool::LoadBitmap(path.toStdString(), &readBack) || !c.jpeg) << c.name;
        if (c.jpeg) {
            EXPECT_EQ(readBack.Width(), 40) << c.name;
        } else {
            const QImage image = platform::ReadBmpFile(path.toStdString());
            EXPECT_EQ(image.size(), QSize(40, 30)) << c.name;
            EXPECT_EQ(FromQRgb(image.pixel(3, 2)), clRed) << c.name;
        }
    }
}

TEST_F(ImageFiles, SavedPictureShowsTheShapesAsOnScreen)
{
    ASSERT_TRUE(FormMeasure->LoadImageFile("Images/Small.bmp"));
    MShape* line = FormMeasure->AddShape(MLine::Create(FormMeasure->ImagePaint->Canvas(), 5, 5, 30, 20));
    ASSERT_TRUE(line);
    FormMeasure->SelectShape(line, true);
    FormMeasure->Document.SetSelected(line);
    FormMeasure->RedrawImage();
    ASSERT_NE(FormMeasure->BufferBitmap->Image(), platform::ReadBmpFile("Images/Small.bmp"));

    FormMeasure->SaveImageFile("Output/Shapes.bmp");
    EXPECT_EQ(platform::ReadBmpFile("Output/Shapes.bmp"), FormMeasure->ImagePaint->ScreenImage());
}

// The highlight of the shape under the mouse is drawn on the back buffer's
// own pixels (no copy of the picture is made for it); the saved picture must
// not take it along.
TEST_F(ImageFiles, ASavedPictureHoldsNoHighlightOfTheShapeUnderTheMouse)
{
    ASSERT_TRUE(FormMeasure->LoadImageFile("Images/Small.bmp"));
    FormMeasure->AddShape(MLine::Create(FormMeasure->ImagePaint->Canvas(), 5, 5, 30, 20))->selected = false;
    FormMeasure->RedrawImage();
    const QImage composed = FormMeasure->BufferBitmap->Image().copy();

    FormMeasure->ImagePaintMouseMove(0, 15, 11);
    ASSERT_NE(FormMeasure->ImagePaint->ScreenImage(), composed) << "the line is highlighted";
    EXPECT_EQ(FormMeasure->ImagePaint->ScreenImage().constBits(), FormMeasure->BufferBitmap->Image().constBits());

    ModalAnswers answers({Choose("Hovered.bmp")});
    FormMeasure->MenuSaveClick();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_EQ(platform::ReadBmpFile("Output/Hovered.bmp"), composed);
}

TEST_F(ImageFiles, JpegIsWrittenAtBestQuality)
{
    ASSERT_TRUE(FormMeasure->LoadImageFile("Images/Small.bmp"));
    FormMeasure->SaveImageFile("Output/a.jpg");
    const std::vector<std::uint8_t> best = platform::EncodeJpeg(FormMeasure->BufferBitmap->Image(), 100);
    EXPECT_EQ(FileBytes("Output/a.jpg"), QByteArray(reinterpret_cast<const char*>(best.data()), qsizetype(best.size())));
}

TEST_F(ImageFiles, SaveCommandProposesOutputInTheOutputFolderAsABitmap)
{
    ASSERT_TRUE(FormMeasure->LoadImageFile("Images/Small.bmp"));
    ModalAnswers answers({[](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), "SaveDialogImage");
        EXPECT_EQ(QDir(dialog->directory()).dirName(), "Output");
        EXPECT_EQ(dialog->defaultSuffix(), "bmp");
        AcceptFileDialog(dialog); // the proposed name as it stands
    }});
    FormMeasure->MenuSaveClick();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_TRUE(IsBitmapFile(Absolute("Output/Output.bmp")));
}

TEST_F(ImageFiles, SaveCommandWritesJpegForAnUpperCaseJpgName)
{
    ASSERT_TRUE(FormMeasure->LoadImageFile("Images/Small.bmp"));
    ModalAnswers answers({Choose("a.JPG")});
    FormMeasure->MenuSaveClick();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_TRUE(IsJpegFile(Absolute("Output/a.JPG")));
}

TEST_F(ImageFiles, NameTypedWithoutExtensionTakesTheChosenTypes)
{
    struct Case {
        int typeRow; // 0 bitmaps, 1 JPEG, chosen in the type box as the operator does
        const char* typed;
        const char* saved;
        bool jpeg;
    };
    // The dialog is kept between saves and starts each one at bitmaps again.
    const Case cases[] = {
        {1, "third", "Output/third.jpg", true},
        {0, "fourth", "Output/fourth.bmp", false},
        {1, "fifth.bmp", "Output/fifth.bmp", false},
        {1, "sixth.v2", "Output/sixth.v2", false},
    };
    ASSERT_TRUE(FormMeasure->LoadImageFile("Images/Small.bmp"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ModalAnswers answers({[&c](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
            ASSERT_NE(types, nullptr);
            EXPECT_EQ(types->currentIndex(), 0);
            for (int row = 0; row < c.typeRow; ++row)
                QTest::keyClick(types, Qt::Key_Down);
            TypeFileName(dialog, c.typed);
        }});
        FormMeasure->MenuSaveClick();
        ASSERT_TRUE(answers.AllAnswered());
        EXPECT_EQ(IsJpegFile(Absolute(c.saved)), c.jpeg);
        EXPECT_EQ(IsBitmapFile(Absolute(c.saved)), !c.jpeg);
    }
    EXPECT_EQ(QDir("Output").entryList(QDir::Files).size(), 4);
}

TEST_F(ImageFiles, ToolBarButtonsRunTheCommandsAndCtrlSSaves)
{
    {
        ModalAnswers answers({Choose("Small.bmp")});
        FormMeasure->SBOpen->trigger();
        ASSERT_TRUE(answers.AllAnswered());
    }
    EXPECT_EQ(FormMeasure->ImageBitmap->Width(), 40);
    {
        ModalAnswers answers({Choose("b.jpg")});
        FormMeasure->SBSave->trigger();
        ASSERT_TRUE(answers.AllAnswered());
    }
    EXPECT_TRUE(IsJpegFile(Absolute("Output/b.jpg")));
    {
        FormMeasure->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FormMeasure));
        ModalAnswers answers({Choose("c.bmp")});
        QTest::keyClick(FormMeasure, Qt::Key_S, Qt::ControlModifier);
        ASSERT_TRUE(answers.AllAnswered());
    }
    EXPECT_TRUE(IsBitmapFile(Absolute("Output/c.bmp")));
}

TEST_F(ImageFiles, CancelledSaveWritesNothing)
{
    ModalAnswers answers({ModalAnswers::Cancel()});
    FormMeasure->MenuSaveClick();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_TRUE(QDir("Output").isEmpty());
}

TEST_F(ImageFiles, FailedSaveNamesTheFileAndLeavesTheOldOneUntouched)
{
    FormMeasure->SetLanguage(LAN_ENGLISH, false);
    ASSERT_TRUE(FormMeasure->LoadImageFile("Images/Small.bmp"));
    {
        QFile old("Output/a.bmp");
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old picture");
    }
    QString message;
    ModalAnswers answers({Choose("a.bmp"), ModalAnswers::Press(QMessageBox::Yes), ModalAnswers::Press(QMessageBox::Ok, &message)});
    {
        const FileSizeLimit fullDisk(100); // the picture needs more than 3 kB
        FormMeasure->MenuSaveClick();
    }
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_TRUE(message.startsWith("Cannot save picture \"")) << message.toStdString();
    EXPECT_TRUE(message.contains("a.bmp\": ")) << message.toStdString();
    EXPECT_EQ(FileBytes("Output/a.bmp"), "old picture");
    EXPECT_EQ(QDir("Output").entryList(QDir::Files), QStringList{"a.bmp"}) << "no temporary file is left";
}

TEST_F(ImageFiles, AFailedSaveSpeaksTheInterfaceLanguage)
{
    FormMeasure->SetLanguage(LAN_CHINESE_TRADITIONAL, false);
    QString message;
    ModalAnswers answers({Choose("b.bmp"), ModalAnswers::Press(QMessageBox::Ok, &message)});
    {
        const FileSizeLimit fullDisk(100);
        FormMeasure->MenuSaveClick();
    }
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_TRUE(message.startsWith(QString::fromUtf8("無法保存圖像 \""))) << message.toStdString();
    EXPECT_TRUE(message.contains("b.bmp\": ")) << message.toStdString();
}

} // namespace
