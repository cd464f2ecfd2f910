// The printed page: its geometry and the magnification it prints at, the
// page image the preview shows, a PDF printed headless, and the print
// options dialog.
#include "PaintBoxInput.h"
#include "tests/support/ModalAnswers.h"

#include "platform/gui/GuiTypes.h"
#include "platform/gui/TBitmap.h"
#include "shapes/MArc.h"
#include "shapes/MLineLine.h"
#include "workspace/MImagePrint.h"
#include "workspace/MImagePrintOption.h"
#include "workspace/MImagePrintPreview.h"

#include <QDate>
#include <QDateEdit>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

TEST(TFormImagePrintSize, MagnifiedSizeScalesInDoubleAndCutsEachSide)
{
    struct Case {
        int width, height;
        double target, real;
        TSize expected;
    };
    const Case cases[] = {
        {640, 480, 70, 35, {1280, 960}},          // twice the real magnification
        {640, 480, 35, 35, {640, 480}},           // the real one: unscaled
        {640, 480, 0, 35, {640, 480}},            // no set magnification
        {640, 480, 70, 0, {640, 480}},            // no calibration
        {640, 480, -70, 35, {640, 480}},
        {640, 480, 35, 350, {64, 48}},
        {640, 480, 1e9, 1, {5000, 5000}},         // factor cut to 5000, sides to 5000
        {3000, 2000, 2, 1, {5000, 4000}},
        {100000, 100000, 100000, 1, {5000, 5000}}, // once overflowed to a negative size
    };
    for (const Case& c : cases)
        EXPECT_EQ(TFormImagePrint::MagnifiedSize(c.width, c.height, c.target, c.real), c.expected)
            << c.width << "x" << c.height << " at " << c.target << "/" << c.real;
}

class ImagePrintTest : public PaintBoxTest {
protected:
    void SetUp() override
    {
        PaintBoxTest::SetUp();
        Form->SetLanguage(LAN_ENGLISH, false);
        LoadPicture(640, 480);
    }

    void LoadPicture(int width, int height)
    {
        TBitmap picture;
        picture.SetSize(width, height);
        picture.Canvas()->Brush.Color = clRed;
        picture.Canvas()->FillRect({0, 0, width, height});
        picture.SaveToFile("Images/Picture.bmp");
        ASSERT_TRUE(Form->LoadImageFile("Images/Picture.bmp"));
    }

    static void Calibrate(double scale, const std::string& unit)
    {
        MParam* param = MParam::GetInstance();
        param->SetDouble(OPT_RULE_SCALE, scale, false);
        param->SetText(OPT_RULE_UNIT, unit, false);
    }

    // The magnification set in the options, with the printer's adjustment.
    static void SetMagnification(const std::string& value, const std::string& adjust)
    {
        MParam* param = MParam::GetInstance();
        param->SetBool(OPT_PRINT_MAG, true, false);
        param->SetText(OPT_PRINT_MAG_VALUE, value, false);
        param->SetText(OPT_PRINT_ADJUST, adjust, false);
    }

    TFormImagePrint& Page() const { return *FormImagePrint; }
};

TEST_F(ImagePrintTest, SmallPictureIsCentredOnTheLeastPageArea)
{
    Form->PrintImagePage();
    EXPECT_EQ(Page().PictureRect(), (TRect{30, 50, 670, 530}));
    EXPECT_EQ(Page().Width(), 708);
    EXPECT_EQ(Page().Height(), 610);

    const QImage page = FormImagePrintPreview->Page();
    ASSERT_EQ(page.size(), QSize(700, 580));
    EXPECT_EQ(FromQRgb(page.pixel(29, 50)), clWhite);
    EXPECT_EQ(FromQRgb(page.pixel(30, 50)), clRed);
    EXPECT_EQ(FromQRgb(page.pixel(669, 529)), clRed);
    EXPECT_EQ(FromQRgb(page.pixel(670, 530)), clWhite);
    EXPECT_EQ(FormImagePrintPreview->ImageMain->size(), QSize(708, 610));
}

// The highlight of the shape under the mouse lies on the back buffer itself;
// the page takes the picture without it.
TEST_F(ImagePrintTest, ThePageHoldsNoHighlightOfTheShapeUnderTheMouse)
{
    AddLine({100, 100}, {300, 100});
    Form->RedrawImage();
    Form->PrintImagePage();
    const QImage unhovered = FormImagePrintPreview->Page();

    Input->Move({200, 101});
    const TColor active = TColor(MParam::GetInstance()->GetColor(OPT_COLOR_ACTIVE));
    ASSERT_EQ(Form->ImagePaint->Canvas()->Pixels(150, 100), active) << "the line is highlighted";
    Form->PrintImagePage();
    EXPECT_EQ(FormImagePrintPreview->Page(), unhovered);
}

TEST_F(ImagePrintTest, AttributeAndInformationBlocksAddTheirHeights)
{
    // Twelve summary lines: the point group (3 lines), a separator and the
    // line group (8 lines).
    for (int i = 0; i < 2; ++i)
        Form->AddShape(MLine::Create(Form->ImagePaint->Canvas(), 10, 10 + i, 60, 10 + i));
    for (int i = 0; i < 7; ++i)
        AddLine({10, 100 + 10 * i}, {60, 100 + 10 * i});
    ASSERT_EQ(Form->BuildSummaryText().size(), 10U);
    AddLine({10, 300}, {60, 300});
    AddLine({10, 310}, {60, 310});
    ASSERT_EQ(Form->BuildSummaryText().size(), 12U);

    MParam::GetInstance()->SetBool(OPT_PRINT_ATTR, true, false);
    Form->PrintImagePage();
    EXPECT_EQ(Page().AttrBlockHeight(), 192);
    EXPECT_EQ(Page().Height(), 610 + 192);

    MParam::GetInstance()->SetBool(OPT_PRINT_INFO, true, false);
    MParam::GetInstance()->SetText(OPT_PRINT_NAME, "Wafer 7", false);
    Form->PrintImagePage();
    EXPECT_EQ(Page().Height(), 610 + 150 + 192);
    const QImage page = FormImagePrintPreview->Page();
    ASSERT_EQ(page.height(), 580 + 150 + 192);
    // The title block's frame stands at the right of the information block.
    EXPECT_EQ(FromQRgb(page.pixel(699, 580 + 60)), clBlack);
    EXPECT_EQ(FromQRgb(page.pixel(699 - TFormImagePrint::TitleBlockWidth - 5, 580 + 60)), clWhite);
}

TEST_F(ImagePrintTest, EveryCellOfAWideSummaryLineReachesThePage)
{
    // An arc's row holds seven cells, wider than the page; a line-line
    // relation's row is wide too.
    Form->AddShape(MArc::Create(Form->ImagePaint->Canvas(), {100, 200}, {200, 100}, {300, 200}));
    MShape* a = AddLine({10, 300}, {200, 300});
    MShape* b = AddLine({10, 320}, {200, 390});
    Form->AddRelation(std::make_unique<MLineLine>(a, b, Form->ImagePaint->Canvas()));
    MParam::GetInstance()->SetBool(OPT_PRINT_ATTR, true, false);
    Form->PrintImagePage();

    // Printed in order, a wide line goes on in further lines one tab stop in:
    // put together again they are the summary.
    const std::vector<std::string> summary = Form->BuildSummaryText();
    const std::vector<std::string> printed = Page().AttrLinesAsPrinted();
    EXPECT_GT(printed.size(), summary.size());
    std::string joined;
    for (const std::string& line : printed)
        joined += line.starts_with('\t') ? line.substr(1) : "\n" + line;
    std::string expected;
    for (const std::string& line : summary)
        expected += "\n" + line.substr(0, line.size() - 1);
    EXPECT_EQ(joined, expected);
    EXPECT_EQ(Page().AttrBlockHeight(), int(printed.size()) * TFormImagePrint::AttrLineHeight);

    // Nothing is printed in the block's right margin, where cut text would run
    // off the page.
    const QImage page = FormImagePrintPreview->Page();
    const int top = Page().PictureAreaHeight();
    int inked = 0;
    for (int y = top; y < page.height(); ++y)
        for (int x = page.width() - 25; x < page.width(); ++x)
            inked += FromQRgb(page.pixel(x, y)) != clWhite ? 1 : 0;
    EXPECT_EQ(inked, 0);
}

TEST_F(ImagePrintTest, SetMagnificationScalesThePictureAgainstTheRealOne)
{
    Calibrate(0.01, "mm");
    EXPECT_EQ(FormImagePrintOption->ComputeMagnification(), 35.0);

    struct Case {
        std::string set, adjust;
        QSize picture;
    };
    const Case cases[] = {
        {"70", "100", {1280, 960}}, // twice the real magnification
        {"70", "50", {640, 480}},   // halved by the printer's adjustment
        {"70", "0", {1280, 960}},   // an adjustment of 0 counts as 100 percent
        {"0", "100", {640, 480}},   // no magnification set
    };
    for (const Case& c : cases) {
        SetMagnification(c.set, c.adjust);
        Form->PrintImagePage();
        const TRect picture = Page().PictureRect();
        EXPECT_EQ(QSize(picture.right - picture.left, picture.bottom - picture.top), c.picture)
            << c.set << " at " << c.adjust << "%";
    }

    MParam::GetInstance()->SetBool(OPT_PRINT_MAG, false, false);
    SetMagnification("70", "100");
    MParam::GetInstance()->SetBool(OPT_PRINT_MAG, false, false);
    Form->PrintImagePage();
    EXPECT_EQ(Page().PictureRect(), (TRect{30, 50, 670, 530})) << "switched off";

    Calibrate(0, "");
    SetMagnification("70", "100");
    Form->PrintImagePage();
    EXPECT_EQ(Page().PictureRect(), (TRect{30, 50, 670, 530})) << "without a calibration";
}

TEST_F(ImagePrintTest, RealMagnificationIsWholeFromOneOnAndShownAsSuch)
{
    struct Case {
        double scale;
        std::string unit;
        double magnification;
        std::string shown;
    };
    const Case cases[] = {
        {0.7, "mm", 0.5, "0.5"},
        {0.35 / 12.4, "mm", 12.0, "12"},
        {0.35 / 12.6, "mm", 13.0, "13"},
        {10.0, "um", 35.0, "35"},
        {0.35 / 0.123456789, "mm", 0.35 / (0.35 / 0.123456789), "0.1235"},
        {0, "", 0.0, "0"},
    };
    for (const Case& c : cases) {
        Calibrate(c.scale, c.unit);
        EXPECT_DOUBLE_EQ(FormImagePrintOption->ComputeMagnification(), c.magnification) << c.scale;
        FormImagePrintOption->LoadFields();
        EXPECT_EQ(FormImagePrintOption->LabelMagRealValue->text().toStdString(), c.shown) << c.scale;
    }
}

TEST_F(ImagePrintTest, OptionDialogCancelRestoresTheStoredOptionsAndConfirmStoresThem)
{
    MParam* param = MParam::GetInstance();
    param->SetText(OPT_PRINT_NAME, "Stored", false);
    Form->PrintImagePage();
    const QImage before = FormImagePrintPreview->Page();

    ModalAnswers cancelled({[](QWidget* modal) {
        auto* dialog = qobject_cast<TFormImagePrintOption*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Print Config");
        EXPECT_EQ(dialog->EditName->text(), "Stored");
        dialog->EditName->setText("Typed");
        dialog->CheckBoxInfo->setChecked(true);
        dialog->BBCancel->click();
    }});
    FormImagePrintPreview->BBOption->click();
    ASSERT_TRUE(cancelled.AllAnswered());
    EXPECT_EQ(FormImagePrintOption->EditName->text(), "Stored") << "the controls come back from the options";
    EXPECT_FALSE(param->BoolValue(OPT_PRINT_INFO));
    EXPECT_EQ(FormImagePrintPreview->Page(), before) << "the page is not laid out anew";

    ModalAnswers confirmed({[](QWidget* modal) {
        auto* dialog = qobject_cast<TFormImagePrintOption*>(modal);
        dialog->CheckBoxInfo->setChecked(true);
        dialog->EditNum->setText("A-17");
        dialog->BBConfirm->click();
    }});
    FormImagePrintPreview->BBOption->click();
    ASSERT_TRUE(confirmed.AllAnswered());
    EXPECT_TRUE(param->BoolValue(OPT_PRINT_INFO));
    EXPECT_EQ(FormImagePrintPreview->Page().height(), 580 + 150) << "laid out anew with the information block";
    EXPECT_EQ(FormImagePrintOption->NumberText(), "A-17") << "kept for the run";
}

TEST_F(ImagePrintTest, TheDateIsWrittenAsTheInterfaceLanguageWritesIt)
{
    FormImagePrintOption->DTPDate->setDate(QDate(2026, 12, 11));
    for (const int language : {LAN_CHINESE_SIMPLIFIED, LAN_CHINESE_TRADITIONAL}) {
        Form->SetLanguage(language, false);
        EXPECT_EQ(FormImagePrintOption->DateText(), "2026/12/11") << language;
        // The dialog shows it so too.
        QString shown;
        ModalAnswers answers({[&shown](QWidget* modal) {
            shown = qobject_cast<TFormImagePrintOption*>(modal)->DTPDate->text();
            ModalAnswers::Cancel()(modal);
        }});
        FormImagePrintOption->exec();
        ASSERT_TRUE(answers.AllAnswered());
        EXPECT_EQ(shown, "2026/12/11") << language;
    }
    Form->SetLanguage(LAN_ENGLISH, false);
    const std::string english = FormImagePrintOption->DateText();
    EXPECT_NE(english.find("11"), std::string::npos) << english;
    EXPECT_NE(english, "2026/12/11");
}

TEST_F(ImagePrintTest, APrinterErrorSpeaksTheInterfaceLanguage)
{
    Form->SetLanguage(LAN_CHINESE_SIMPLIFIED, false);
    FormImagePrintPreview->ChoosePrinter = [](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName("missing-folder/Page.pdf");
        return true;
    };
    QString error;
    ModalAnswers answers({[](QWidget* modal) { qobject_cast<TFormImagePrintPreview*>(modal)->BBConfirm->click(); },
                          [&error](QWidget* modal) {
                              ModalAnswers::Press(QMessageBox::Ok, &error)(modal);
                              QTimer::singleShot(0, FormImagePrintPreview,
                                                 [] { FormImagePrintPreview->BBCancel->click(); });
                          }});
    Form->MenuPrint->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_TRUE(error.startsWith(QString::fromUtf8("无法打印到 \""))) << error.toStdString();
    EXPECT_TRUE(error.contains("missing-folder/Page.pdf")) << error.toStdString();
}

TEST_F(ImagePrintTest, PreviewPrintsThePageIntoAPdfFile)
{
    QTemporaryDir folder;
    const QString file = folder.filePath("Page.pdf");
    FormImagePrintPreview->ChoosePrinter = [file](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setPageSize(QPageSize(QPageSize::A4));
        return true;
    };
    ModalAnswers answers({[](QWidget* modal) {
        qobject_cast<TFormImagePrintPreview*>(modal)->BBConfirm->click();
    }});
    Form->MenuPrint->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_FALSE(FormImagePrintPreview->isVisible()) << "printing closes the preview";

    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    // One A4 page: 595 by 842 points.
    const QRegularExpression mediaBox(R"(/MediaBox \[0 0 (\d+(\.\d+)?) (\d+(\.\d+)?)\])");
    const QRegularExpressionMatch match = mediaBox.match(QString::fromLatin1(bytes));
    ASSERT_TRUE(match.hasMatch());
    EXPECT_NEAR(match.captured(1).toDouble(), 595.0, 1.0);
    EXPECT_NEAR(match.captured(3).toDouble(), 842.0, 1.0);
    EXPECT_EQ(QString::fromLatin1(bytes).count(QStringLiteral("/Type /Page\n")) +
                  QString::fromLatin1(bytes).count(QStringLiteral("/Type /Page ")) +
                  QString::fromLatin1(bytes).count(QStringLiteral("/Type /Page>")),
              1);
}

TEST_F(ImagePrintTest, PrinterThatCannotStartIsReportedAndThePreviewStays)
{
    FormImagePrintPreview->ChoosePrinter = [](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName("missing-folder/Page.pdf");
        return true;
    };
    QString error;
    bool stayed = false;
    ModalAnswers answers({[](QWidget* modal) { qobject_cast<TFormImagePrintPreview*>(modal)->BBConfirm->click(); },
                          [&error, &stayed](QWidget* modal) {
                              ModalAnswers::Press(QMessageBox::Ok, &error)(modal);
                              // Back in the preview, which the operator then leaves.
                              QTimer::singleShot(0, FormImagePrintPreview, [&stayed] {
                                  stayed = FormImagePrintPreview->isVisible();
                                  FormImagePrintPreview->BBCancel->click();
                              });
                          }});
    Form->MenuPrint->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_TRUE(error.contains("missing-folder/Page.pdf")) << error.toStdString();
    EXPECT_TRUE(stayed);
}

} // namespace
