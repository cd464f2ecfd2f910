// The summary command on the real main window: the summary window's table,
// and its export through the save dialog, written or reported.
#include "PaintBoxInput.h"
#include "tests/support/ModalAnswers.h"

#include "shapes/MPoint.h"
#include "shapes/MRuleTool.h"
#include "workspace/MSum.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

namespace {

class QuorvexSummaryTest : public PaintBoxTest {
protected:
    void SetUp() override
    {
        PaintBoxTest::SetUp();
        Form->SetLanguage(LAN_ENGLISH, false);
        AddLine({0, 0}, {30, 40});
        Form->AddShape(MPoint::Create(Form->ImagePaint->Canvas(), 10, 10));
    }

    // Types the name into the save dialog that is open and saves.
    static void SaveAs(QWidget* modal, const QString& name)
    {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), "SaveDialogExcel");
        EXPECT_EQ(dialog->findChild<QLineEdit*>("fileNameEdit")->text(), "Summary.xls");
        auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
        nameBox->clear();
        QTest::keyClicks(nameBox, name);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
    }

    static QByteArray FileBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(QuorvexSummaryTest, SummaryWindowListsEveryResultWithUnits)
{
    std::string shown;
    ModalAnswers answers({[&shown](QWidget* modal) {
        auto* window = qobject_cast<TFormSum*>(modal);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowTitle(), "All Shapes Attributes");
        EXPECT_EQ(window->BBExcel->text(), "Excel Export");
        shown = window->MemoSum->toPlainText().toStdString();
        window->BBConfirm->click();
    }});
    Form->MenuSum->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_EQ(shown, "Point               \t\n"
                     "P1                  \t\n"
                     "\n"
                     "Line                \tLength              \t\n"
                     "L1                  \t50 px               \t");
}

TEST_F(QuorvexSummaryTest, ExportWritesTheTableWithoutUnitsIntoTheOutputFolder)
{
    ModalAnswers answers({[](QWidget* modal) { qobject_cast<TFormSum*>(modal)->BBExcel->click(); },
                          [](QWidget* modal) {
                              SaveAs(modal, "Table");
                              // The summary window stays open after the export; closed here.
                              QTimer::singleShot(0, FormSum, [] { FormSum->close(); });
                          }});
    Form->MenuSum->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    // The UTF-8 byte-order mark first, then the table.
    EXPECT_EQ(FileBytes("Output/Table.xls").toStdString(), "\xEF\xBB\xBF"
                                                           "Point               \t\n"
                                                           "P1                  \t\n"
                                                           "\n"
                                                           "Line                \tLength              \t\n"
                                                           "L1                  \t50                  \t\n");
    EXPECT_TRUE(MRuleTool::GetInstance()->GetShowUnit());
}

TEST_F(QuorvexSummaryTest, TheSaveDialogOpensAboveTheSummaryWindowInEveryLanguage)
{
    for (const int language : {LAN_ENGLISH, LAN_CHINESE_SIMPLIFIED, LAN_CHINESE_TRADITIONAL}) {
        Form->SetLanguage(language, false);
        QWindow* over = nullptr;
        ModalAnswers answers({[](QWidget* modal) { qobject_cast<TFormSum*>(modal)->BBExcel->click(); },
                              [&over](QWidget* modal) {
                                  // The window manager keeps a dialog above the window it is
                                  // transient for.
                                  over = modal->windowHandle()->transientParent();
                                  qobject_cast<QDialog*>(modal)->reject();
                                  QTimer::singleShot(0, FormSum, [] { FormSum->close(); });
                              }});
        Form->MenuSum->trigger();
        ASSERT_TRUE(answers.AllAnswered());
        EXPECT_EQ(over, FormSum->windowHandle()) << language;
    }
}

TEST_F(QuorvexSummaryTest, ExportThatCannotBeWrittenNamesTheFile)
{
    // A link to a folder that does not exist: the dialog takes the name, the
    // file cannot be written.
    ASSERT_TRUE(QFile::link("../missing/Table.xls", "Output/Table.xls"));
    QString error;
    bool windowStayed = false;
    ModalAnswers answers({[](QWidget* modal) { qobject_cast<TFormSum*>(modal)->BBExcel->click(); },
                          [](QWidget* modal) { SaveAs(modal, "Table.xls"); },
                          [&error, &windowStayed](QWidget* modal) {
                              ModalAnswers::Press(QMessageBox::Ok, &error)(modal);
                              QTimer::singleShot(0, FormSum, [&windowStayed] {
                                  windowStayed = FormSum->isVisible();
                                  FormSum->close();
                              });
                          }});
    Form->MenuSum->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_TRUE(error.contains("Table.xls")) << error.toStdString();
    EXPECT_TRUE(windowStayed);
    EXPECT_TRUE(MRuleTool::GetInstance()->GetShowUnit());
}

TEST_F(QuorvexSummaryTest, AnExportErrorSpeaksTheInterfaceLanguage)
{
    Form->SetLanguage(LAN_CHINESE_SIMPLIFIED, false);
    ASSERT_TRUE(QFile::link("../missing/Table.xls", "Output/Table.xls"));
    QString error;
    ModalAnswers answers({[](QWidget* modal) { qobject_cast<TFormSum*>(modal)->BBExcel->click(); },
                          [](QWidget* modal) { SaveAs(modal, "Table.xls"); },
                          [&error](QWidget* modal) {
                              ModalAnswers::Press(QMessageBox::Ok, &error)(modal);
                              QTimer::singleShot(0, FormSum, [] { FormSum->close(); });
                          }});
    Form->MenuSum->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    // The words are Chinese; the file and the system's reason follow.
    EXPECT_TRUE(error.startsWith(QString::fromUtf8("无法写入文件 \""))) << error.toStdString();
    EXPECT_TRUE(error.contains("Table.xls\": ")) << error.toStdString();
    EXPECT_FALSE(error.contains("Cannot write")) << error.toStdString();
}

} // namespace
