// The main window's options command: what the operator changes in the options
// dialog shows in the drawing as soon as the dialog closes, and what is saved
// is there in the next run.
#include "WorkspaceFixture.h"
#include "tests/support/ModalAnswers.h"

#include "platform/gui/TBitmap.h"
#include "settings/MOptions.h"
#include "shapes/MLine.h"

#include <QColorDialog>

namespace {

constexpr TColor kGrey = 0x808080;

class OptionsCommand : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        StartForms();
        FormMeasure->SetLanguage(LAN_ENGLISH, false);
    }

    // Closes the program and starts it again on what it stored, with the
    // settings of `stored` written in between.
    void Restart(const std::map<int, std::string>& stored = {})
    {
        FormMeasure->close();
        DestroyForms();
        ResetSingletons();
        if (!stored.empty())
            StoreOptions(stored);
        StartForms();
    }

    // A line 103.08 pixels long, not selected, on a grey picture.
    static MLine* AddLine()
    {
        TBitmap picture;
        picture.SetSize(300, 200);
        picture.Canvas()->Brush.Color = kGrey;
        picture.Canvas()->FillRect({0, 0, 300, 200});
        picture.SaveToFile("Images/Grey.bmp");
        EXPECT_TRUE(FormMeasure->LoadImageFile("Images/Grey.bmp"));
        MLine* line = FormMeasure->AddShape(MLine::Create(FormMeasure->ImagePaint->Canvas(), 100, 100, 203, 104));
        EXPECT_TRUE(line);
        line->selected = false;
        FormMeasure->RedrawImage();
        return line;
    }

    static ModalAnswers::Answer PickColor(QColor color)
    {
        return [color](QWidget* modal) {
            auto* dialog = qobject_cast<QColorDialog*>(modal);
            ASSERT_NE(dialog, nullptr) << modal->metaObject()->className();
            dialog->setCurrentColor(color);
            dialog->accept();
        };
    }

    static void ChooseDecimals(const QString& decimals)
    {
        QComboBox* combo = FormOptions->ComboBoxDecimalLength;
        combo->setCurrentIndex(combo->findText(decimals));
    }

    // Whether the line is drawn in `color` where it crosses column 180, clear
    // of its label and name.
    static bool LineDrawnIn(TColor color)
    {
        const QImage& buffer = FormMeasure->BufferBitmap->Image();
        for (int y = 98; y <= 108; ++y)
            if (FromQRgb(buffer.pixel(180, y)) == color)
                return true;
        return false;
    }
};

TEST_F(OptionsCommand, DrawingShowsTheNewColourDecimalsAndMarkFontAsSoonAsTheDialogCloses)
{
    // A mark font chosen in an earlier run, not in use.
    Restart({{OPT_MARK_FONT_NAME, "DejaVu Sans Mono"}, {OPT_MARK_FONT_SIZE, "14"}});
    FormMeasure->SetLanguage(LAN_ENGLISH, false);
    MLine* line = AddLine();
    ASSERT_EQ(line->GetResults().back(), (MItem{"Length", "103.0776 px"}));
    ASSERT_TRUE(LineDrawnIn(clWhite));

    ModalAnswers answers({[](QWidget* modal) {
                              ASSERT_EQ(modal, FormOptions);
                              FormOptions->SBNormal->click(); // answered by the next answer
                              ChooseDecimals("1");
                              FormOptions->CheckBoxFont->click();
                              FormOptions->BBConfirm->click();
                          },
                          PickColor(Qt::red)});
    FormMeasure->MenuOptions->trigger();
    ASSERT_TRUE(answers.AllAnswered());

    EXPECT_TRUE(LineDrawnIn(clRed));
    EXPECT_FALSE(LineDrawnIn(clWhite));
    EXPECT_EQ(line->GetResults().back(), (MItem{"Length", "103.1 px"}));
    const TFont& font = FormMeasure->BufferBitmap->Canvas()->Font;
    EXPECT_EQ(font.Name, "DejaVu Sans Mono");
    EXPECT_EQ(font.Size, 14);
}

TEST_F(OptionsCommand, CancelAfterSaveKeepsWhatWasSavedAndTheNextRunHasIt)
{
    ModalAnswers answers({[](QWidget*) {
                              FormOptions->SBNormal->click();
                              ChooseDecimals("2");
                              FormOptions->BBSave->click();
                              FormOptions->BBCancel->click();
                          },
                          PickColor(Qt::blue)});
    FormMeasure->SBOption->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    MLine* line = AddLine();
    EXPECT_TRUE(LineDrawnIn(clBlue));
    EXPECT_EQ(line->GetResults().back(), (MItem{"Length", "103.08 px"}));

    Restart();
    EXPECT_EQ(MParam::GetInstance()->GetColor(OPT_COLOR_NORMAL), int(clBlue));
    EXPECT_EQ(MTool::GetInstance()->GetDecimals(), 2);
    FormOptions->show();
    EXPECT_EQ(FormOptions->ComboBoxDecimalLength->currentText(), "2");
    EXPECT_EQ(FormOptions->Colors[OPT_COLOR_NORMAL], clBlue);
}

TEST_F(OptionsCommand, ConfirmedOptionsAreGoneInTheNextRun)
{
    ModalAnswers answers({[](QWidget*) {
        ChooseDecimals("0");
        FormOptions->BBConfirm->click();
    }});
    FormMeasure->MenuOptions->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_EQ(MTool::GetInstance()->GetDecimals(), 0);

    Restart();
    EXPECT_EQ(MTool::GetInstance()->GetDecimals(), 4);
}

} // namespace
