#include "dao/ODBCDialogUnit.h"

#include "dao/DBLoginUnit.h"
#include "dao/DaoDatabase.h"
#include "dao/ODBCSourceDialogUnit.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/GuiTypes.h"
#include "platform/jet/OdbcApi.h"

namespace {

// A source that refused the connection for want of a user or password: the
// standard state of a refused login, or a driver's "no password" at connect.
bool WantsLogin(const jet::odbc::OdbcError& error)
{
    if (error.HasState("28"))
        return true;
    for (const jet::odbc::Diagnostic& record : error.Diagnostics())
        if (record.State == "08001" && QString::fromStdString(record.Message).contains("password", Qt::CaseInsensitive))
            return true;
    return false;
}

// The connect text of a data source, with the login when there is one.
std::string SourceConnectText(const std::string& source, const std::string& user, const std::string& password)
{
    std::string text = "ODBC;DSN=" + source + ";";
    if (!user.empty())
        text += "UID=" + user + ";";
    if (!password.empty())
        text += "PWD=" + password + ";";
    return text;
}

} // namespace

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
        // this one has no prompt, so the operator picks one of its sources
        // here, and a source that wants a login gets the login dialog.
        const QComboBox* active = RadioGroup1ItemIndex() == 0 ? ComboBox1 : ComboBox2;
        std::string source = active->currentText().toStdString();
        TODBCSourceDialog chooser(this);
        if (!chooser.Execute(source))
            return;
        std::string user, password;
        for (;;) {
            database.SetDatabase(SourceConnectText(source, user, password));
            try {
                database.Open();
                break;
            } catch (const jet::odbc::OdbcError& error) {
                if (!WantsLogin(error)) {
                    const std::string description = database.GetLastDaoError().Description;
                    ShowMessage(description.empty() ? error.what() : description);
                    return;
                }
                if (!user.empty() || !password.empty())
                    ShowMessage(error.what());  // a login the source refused: say why, ask again
                TDbLogin login(this);
                login.DatabaseName->setText(QString::fromStdString(source));
                login.Username->setText(QString::fromStdString(user));
                login.Label4->hide();  // a source has no database password
                login.DbPassword->hide();
                login.Username->setFocus();
                if (login.exec() != mrOk)
                    return;
                user = login.Username->text().toStdString();
                password = login.Password->text().toStdString();
            } catch (const std::exception& error) {
                const std::string description = database.GetLastDaoError().Description;
                ShowMessage(description.empty() ? error.what() : description);
                return;
            }
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
