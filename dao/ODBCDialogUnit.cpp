#include "dao/ODBCDialogUnit.h"

#include "dao/DaoDatabase.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/GuiTypes.h"

#include <QInputDialog>

std::string ChosenDSN;

TODBCDialog::TODBCDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setupUi(this);
    setFixedSize(439, 118);
    connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioGroup1Click(); });
    connect(RadioButton2, &QRadioButton::clicked, this, [this] { RadioGroup1Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
}

void TODBCDialog::showEvent(QShowEvent* event)
{
    PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
}

int TODBCDialog::RadioGroup1ItemIndex() const
{
    return RadioButton1->isChecked() ? 0 : RadioButton2->isChecked() ? 1 : -1;
}

void TODBCDialog::SetRadioGroup1ItemIndex(int index)
{
    (index == 0 ? RadioButton1 : RadioButton2)->setChecked(true);
}

bool TODBCDialog::Execute(const platform::TStringList& systemDSNs, const platform::TStringList& userDSNs,
                          bool useODBCDialog, std::string& name)
{
    ConnectText.clear();
    ComboBox1->clear();
    ComboBox2->clear();
    for (const std::string& source : systemDSNs)
        ComboBox1->addItem(QString::fromStdString(source));
    for (const std::string& source : userDSNs)
        ComboBox2->addItem(QString::fromStdString(source));
    ComboBox1->setCurrentIndex(ComboBox1->count() > 0 ? 0 : -1);
    ComboBox2->setCurrentIndex(ComboBox2->count() > 0 ? 0 : -1);

    if (const int index = systemDSNs.IndexOf(name); index >= 0) {
        SetRadioGroup1ItemIndex(0);
        ComboBox1->setEnabled(true);
        ComboBox1->setCurrentIndex(index);
        ComboBox2->setEnabled(false);
    }
    if (const int index = userDSNs.IndexOf(name); index >= 0) {
        SetRadioGroup1ItemIndex(1);
        ComboBox2->setEnabled(true);
        ComboBox2->setCurrentIndex(index);
        ComboBox1->setEnabled(false);
    }

    if (useODBCDialog) {
        Button3Click();
        if (ConnectText.empty())
            return false;
        name = ConnectText;
        return true;
    }
    ChosenDSN.clear();
    if (exec() != mrOk)
        return false;
    // Ok with no source selected (the usual case after a failed prompt)
    // chooses nothing.
    if (!ConnectText.empty())
        name = ConnectText;
    else if (!ChosenDSN.empty())
        name = ChosenDSN;
    else
        return false;
    return true;
}

void TODBCDialog::RadioGroup1Click()
{
    ConnectText.clear();
    const bool system = RadioGroup1ItemIndex() == 0;
    ComboBox1->setEnabled(system);
    ComboBox2->setEnabled(!system);
}

void TODBCDialog::Button1Click()
{
    const QComboBox* active = RadioGroup1ItemIndex() == 1 ? ComboBox2 : ComboBox1;
    ChosenDSN = active->currentIndex() >= 0 ? active->currentText().toStdString() : std::string();
    done(mrOk);
}

void TODBCDialog::Button2Click()
{
    done(mrCancel);
}

void TODBCDialog::Button3Click()
{
    try {
        TDaoDatabase database;
        database.GoOffline();
        database.SetPrivateEngine(true);
        database.SetDatabaseType("ODBC");
        database.SetDatabase("DATABASE=;DSN=");
        database.GoOnline();
        if (database.Database().empty())
            return;
        // The old driver manager prompted for the source of an empty DSN;
        // here the operator types its connect text.
        bool confirmed = false;
        const QString text = QInputDialog::getText(this, ODBCDialogMessages::PromptTitle,
                                                   ODBCDialogMessages::PromptLabel, QLineEdit::Normal, "DSN=",
                                                   &confirmed);
        if (!confirmed || text.trimmed().isEmpty())
            return;
        database.SetDatabase("ODBC;" + text.trimmed().toStdString());
        try {
            database.Open();
        } catch (const std::exception& error) {
            const std::string description = database.GetLastDaoError().Description;
            ShowMessage(description.empty() ? error.what() : description);
            return;
        }
        if (!database.Connected())
            return;
        ConnectText = database.DatabaseObject->Connect();
    } catch (const std::exception& error) {
        ShowMessage(error.what());
        return;
    }
    Button1Click();
}
