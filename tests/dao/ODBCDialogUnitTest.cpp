#include "dao/ODBCDialogUnit.h"

#include "dao/DBLoginUnit.h"
#include "dao/ODBCSourceDialogUnit.h"
#include "platform/jet/OdbcApi.h"
#include "tests/dao/RecordingEngine.h"
#include "tests/support/ModalAnswers.h"
#include "tests/support/OdbcConfig.h"

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

// Picks a source in the chooser "&ODBC >>" shows, keeping what it listed.
ModalAnswers::Answer Pick(const char* source, std::vector<std::string>* listed = nullptr)
{
    return [source, listed](QWidget* modal) {
        auto* chooser = qobject_cast<TODBCSourceDialog*>(modal);
        ASSERT_NE(chooser, nullptr) << modal->metaObject()->className();
        QTreeWidget* list = chooser->SourceList;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            if (listed)
                listed->push_back((item->text(0) + "|" + item->text(1) + "|" + item->text(2) + "|" + item->text(3))
                                      .toStdString());
            if (item->text(0) == source)
                list->setCurrentItem(list->topLevelItem(i));
        }
        chooser->Button1->click();
    };
}

TEST(ODBCDialogUnit, OdbcButtonOffersTheSourcesAndConnectsTheOneChosen)
{
    OdbcConfig::Install();
    TODBCDialog dialog;
    std::string name = "MyMeasures";
    std::vector<std::string> listed;
    {
        // Without showing the dialog, as UseODBCDialog asks.
        ModalAnswers answers({Pick("LabData", &listed)});
        EXPECT_TRUE(dialog.Execute(SystemSources, UserSources, true, name));
        EXPECT_TRUE(answers.AllAnswered());
    }
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(listed, (std::vector<std::string>{"MyMeasures|User|SQLite3|", "Scratch|User|SQLite3|",
                                                "LabData|System|SQLite3|Measurements of the lab",
                                                "Archive|System|Text Files|"}));
    EXPECT_EQ(name.rfind("ODBC;DSN=LabData;", 0), 0u) << name;
    EXPECT_EQ(dialog.ConnectText, name);

    // A source whose driver is missing says so; a cancelled choice ends
    // quietly.
    QString message;
    {
        ModalAnswers answers({Pick("Archive"), ModalAnswers::Press(QMessageBox::Ok, &message)});
        EXPECT_FALSE(dialog.Execute(SystemSources, UserSources, true, name));
        EXPECT_TRUE(answers.AllAnswered());
    }
    EXPECT_TRUE(message.contains("libtext.so")) << message.toStdString();
    EXPECT_EQ(dialog.ConnectText, "");
    ModalAnswers cancel({[](QWidget* modal) { qobject_cast<TODBCSourceDialog*>(modal)->Button2->click(); }});
    EXPECT_FALSE(dialog.Execute(SystemSources, UserSources, true, name));
    EXPECT_TRUE(cancel.AllAnswered());
}

TEST(ODBCDialogUnit, ASourceThatWantsALoginGetsTheLoginDialogUntilItConnects)
{
    OdbcConfig::Install();
    auto classes = std::make_shared<recording::Classes>();
    recording::ScopedEngineClasses installed(classes);
    // The source refuses a login other than op/right, as a server would.
    const auto refuse = [](const std::string& connect) {
        if (connect.find("UID=op;PWD=right;") == std::string::npos)
            throw jet::odbc::OdbcError(jet::errOdbcConnectFailed,
                                       "ODBC--connection to 'LabData' failed. Access denied for user 'op' (28000)",
                                       {{"28000", 1045, "Access denied for user 'op'"}}, "ODBC.Database");
    };
    TODBCDialog dialog;
    std::string name;
    QString shownSource, refusal;
    bool databasePasswordShown = true;
    const auto login = [&](const char* user, const char* password) {
        return [&, user, password](QWidget* modal) {
            auto* box = qobject_cast<TDbLogin*>(modal);
            ASSERT_NE(box, nullptr) << modal->metaObject()->className();
            shownSource = box->DatabaseName->text();
            databasePasswordShown = box->DbPassword->isVisibleTo(box);
            box->Username->setText(user);
            box->Password->setText(password);
            box->Button1->click();
        };
    };
    classes->BeforeOpen = refuse;
    ModalAnswers answers(
        {Pick("LabData"), login("op", "wrong"), ModalAnswers::Press(QMessageBox::Ok, &refusal), login("op", "right")});
    EXPECT_TRUE(dialog.Execute(SystemSources, UserSources, true, name));
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_EQ(shownSource, "LabData");
    EXPECT_FALSE(databasePasswordShown);
    EXPECT_TRUE(refusal.contains("Access denied")) << refusal.toStdString();
    EXPECT_EQ(name.rfind("ODBC;DSN=LabData;", 0), 0u) << name;
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
