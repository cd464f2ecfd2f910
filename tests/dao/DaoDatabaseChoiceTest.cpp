// The database choice of the database component, with its dialogs driven as
// the operator would.
#include "DaoTestFixture.h"

#include "dao/ODBCDialogUnit.h"
#include "tests/support/ModalAnswers.h"

#include <QFileDialog>

using namespace daotest;
namespace msg = DaoDatabaseMessages;

namespace {

class DaoDatabaseChoiceTest : public DaoDatabaseTest {};

TEST_F(DaoDatabaseChoiceTest, WithoutADatabaseTypeItAsksForOne)
{
    TDaoDatabase database;
    database.SetDatabaseType("");
    try {
        database.F_ChooseDatabase();
        FAIL() << "no error";
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), msg::E1031);
    }
}

TEST_F(DaoDatabaseChoiceTest, AccessFileDialogStartsInTheDatabasesFolderWithItsName)
{
    MakeConfigDatabase("Config/Config.dat", 1);
    TDaoDatabase database;
    database.SetDatabase(".\\Config\\Config.dat");
    QString title;
    QStringList filters;
    QString folder;
    QStringList selected;
    ModalAnswers answers({[&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        folder = dialog->directory().absolutePath();
        selected = dialog->selectedFiles();
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->defaultSuffix(), "mdb");
        QMetaObject::invokeMethod(dialog, "accept");
    }});
    EXPECT_TRUE(database.ChooseDatabase());
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_EQ(title, "Choose Access Database:");
    EXPECT_EQ(filters, (QStringList{"Microsoft Access (*.mdb)", "All files (*)"}));
    EXPECT_EQ(folder.toStdString(), Path("Config"));
    EXPECT_EQ(selected, QStringList{QString::fromStdString(Path("Config/Config.dat"))});
    EXPECT_EQ(database.Database(), Path("Config/Config.dat"));
}

TEST_F(DaoDatabaseChoiceTest, CancelChoosesNothingAndKeepsTheDatabase)
{
    TDaoDatabase database;
    database.SetDatabase("kept.mdb");
    ModalAnswers answers({ModalAnswers::Cancel()});
    EXPECT_FALSE(database.ChooseDatabase());
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_EQ(database.Database(), "kept.mdb");
}

TEST_F(DaoDatabaseChoiceTest, FileFiltersOfTheTypes)
{
    TDaoDatabase database;
    EXPECT_EQ(database.F_DatabaseFileFilter("Access"), "Microsoft Access (*.mdb)|*.mdb|All files (*.*)|*.*");
    // The installable formats give the filters of their files.
    EXPECT_EQ(database.F_DatabaseFileFilter("dBASE III"), "dBASE III (*.dbf)|*.dbf|All files (*.*)|*.*");
    EXPECT_EQ(database.F_DatabaseFileFilter("Lotus WK3"), "|All files (*.*)|*.*");
}

TEST_F(DaoDatabaseChoiceTest, OdbcTypeOffersTheDataSourcesOfTheOdbcConfiguration)
{
    TDaoDatabase database;
    database.SetDatabaseType("ODBC");
    database.SetDatabase("MyMeasures");
    database.SetUseODBCDialog(false);
    QStringList system, user;
    ModalAnswers answers({[&](QWidget* modal) {
        auto* dialog = qobject_cast<TODBCDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        for (int i = 0; i < dialog->ComboBox1->count(); ++i)
            system << dialog->ComboBox1->itemText(i);
        for (int i = 0; i < dialog->ComboBox2->count(); ++i)
            user << dialog->ComboBox2->itemText(i);
        EXPECT_EQ(dialog->ComboBox2->currentText(), "MyMeasures");
        dialog->ComboBox2->setCurrentIndex(1);
        dialog->Button1->click();
    }});
    EXPECT_EQ(database.F_ChooseDatabase(), "Scratch");
    EXPECT_EQ(system, (QStringList{"LabData", "Archive"}));
    EXPECT_EQ(user, (QStringList{"MyMeasures", "Scratch"}));
}

} // namespace
