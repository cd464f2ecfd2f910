#include "dao/ODBCDialogUnit.h"

#include "tests/support/OdbcConfig.h"
#include "tests/support/ModalAnswers.h"

#include <QInputDialog>
#include <QMessageBox>

#include <gtest/gtest.h>

namespace {

using platform::TStringList;

const TStringList SystemSources{"LabData", "Archive"};
const TStringList UserSources{"MyMeasures", "Archive"};

// What the dialog showed when it came up.
struct Shown {
    int Radio = -2;
    bool SystemEnabled = false;
    bool UserEnabled = false;
    QString System;
    QString User;
};

ModalAnswers::Answer Look(Shown& shown, const char* button)
{
    return [&shown, button](QWidget* modal) {
        auto* dialog = qobject_cast<TODBCDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        shown = {dialog->RadioGroup1ItemIndex(), dialog->ComboBox1->isEnabled(), dialog->ComboBox2->isEnabled(),
                 dialog->ComboBox1->currentText(), dialog->ComboBox2->currentText()};
        dialog->findChild<QPushButton*>(button)->click();
    };
}

TEST(ODBCDialogUnit, FixedDialogWithTheDesignedControls)
{
    TODBCDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Select ODBC Database:");
    EXPECT_EQ(dialog.size(), QSize(439, 118));
    EXPECT_EQ(dialog.RadioGroup1->title(), " &Choose DSN:   ");
    EXPECT_EQ(dialog.RadioGroup1ItemIndex(), 1);
    EXPECT_FALSE(dialog.ComboBox1->isEnabled());
    EXPECT_EQ(dialog.Button3->text(), "&ODBC >>");
}

TEST(ODBCDialogUnit, NameSelectsItsListAndASourceInBothListsEndsOnTheUserSide)
{
    struct Case {
        std::string Name;
        Shown Expected;
    };
    for (const Case& c : {Case{"labdata", {0, true, false, "LabData", "MyMeasures"}},
                          Case{"Archive", {1, false, true, "Archive", "Archive"}},
                          Case{"MyMeasures", {1, false, true, "LabData", "MyMeasures"}},
                          Case{"Elsewhere", {1, false, true, "LabData", "MyMeasures"}}}) {
        SCOPED_TRACE(c.Name);
        TODBCDialog dialog;
        Shown shown;
        ModalAnswers answers({Look(shown, "Button2")});
        std::string name = c.Name;
        EXPECT_FALSE(dialog.Execute(SystemSources, UserSources, false, name));
        EXPECT_TRUE(answers.AllAnswered());
        EXPECT_EQ(name, c.Name);
        EXPECT_EQ(shown.Radio, c.Expected.Radio);
        EXPECT_EQ(shown.SystemEnabled, c.Expected.SystemEnabled);
        EXPECT_EQ(shown.UserEnabled, c.Expected.UserEnabled);
        EXPECT_EQ(shown.System, c.Expected.System);
        EXPECT_EQ(shown.User, c.Expected.User);
    }
}

TEST(ODBCDialogUnit, OkAnswersTheSourceOfTheActiveList)
{
    TODBCDialog dialog;
    ModalAnswers answers({[](QWidget* modal) {
        auto* shown = qobject_cast<TODBCDialog*>(modal);
        shown->RadioButton1->click();
        EXPECT_TRUE(shown->ComboBox1->isEnabled());
        EXPECT_FALSE(shown->ComboBox2->isEnabled());
        shown->ComboBox1->setCurrentIndex(1);
        shown->Button1->click();
    }});
    std::string name = "MyMeasures";
    EXPECT_TRUE(dialog.Execute(SystemSources, UserSources, false, name));
    EXPECT_EQ(name, "Archive");
    EXPECT_EQ(ChosenDSN, "Archive");
}

TEST(ODBCDialogUnit, OkWithNoSourceToSelectChoosesNothingInsteadOfFailing)
{
    TODBCDialog dialog;
    Shown shown;
    ModalAnswers answers({Look(shown, "Button1")});
    std::string name = "Old";
    EXPECT_FALSE(dialog.Execute({}, {}, false, name));
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_EQ(name, "Old");
    EXPECT_EQ(ChosenDSN, "");
}

TEST(ODBCDialogUnit, OdbcButtonPromptsForAConnectTextAndConnects)
{
    OdbcConfig::Install();
    TODBCDialog dialog;
    QString prompt;
    QString message;
    std::string name = "LabData";
    {
        ModalAnswers answers({[&](QWidget* modal) {
                                  auto* input = qobject_cast<QInputDialog*>(modal);
                                  ASSERT_NE(input, nullptr);
                                  prompt = input->labelText();
                                  EXPECT_EQ(input->textValue(), "DSN=");
                                  input->setTextValue("DSN=NoSuchSource");
                                  input->accept();
                              },
                              ModalAnswers::Press(QMessageBox::Ok, &message)});
        // Without showing the dialog, as UseODBCDialog asks.
        EXPECT_FALSE(dialog.Execute(SystemSources, UserSources, true, name));
        EXPECT_TRUE(answers.AllAnswered());
    }
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(prompt.toStdString(), ODBCDialogMessages::PromptLabel);
    EXPECT_TRUE(message.contains("Data source name not found")) << message.toStdString();
    EXPECT_EQ(dialog.ConnectText, "");
    EXPECT_EQ(name, "LabData");
    {
        ModalAnswers answers({[&](QWidget* modal) {
            qobject_cast<QInputDialog*>(modal)->setTextValue("DSN=LabData");
            qobject_cast<QInputDialog*>(modal)->accept();
        }});
        EXPECT_TRUE(dialog.Execute(SystemSources, UserSources, true, name));
        EXPECT_TRUE(answers.AllAnswered());
    }
    EXPECT_EQ(name.rfind("ODBC;DSN=LabData;", 0), 0u) << name;

    // A cancelled prompt ends quietly.
    ModalAnswers cancel({ModalAnswers::Cancel()});
    EXPECT_FALSE(dialog.Execute(SystemSources, UserSources, true, name));
    EXPECT_TRUE(cancel.AllAnswered());
}

TEST(ODBCDialogUnit, RadioGroupClickForgetsTheConnectText)
{
    TODBCDialog dialog;
    dialog.ConnectText = "ODBC;DSN=x";
    dialog.RadioButton1->click();
    EXPECT_EQ(dialog.ConnectText, "");
    EXPECT_TRUE(dialog.ComboBox1->isEnabled());
    EXPECT_FALSE(dialog.ComboBox2->isEnabled());
}

} // namespace
