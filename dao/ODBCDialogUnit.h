// The ODBC data-source dialog: the system and user data sources in two
// lists, one of them active by the radio group, and "&ODBC >>", which lets
// the operator pick a source in a chooser of ours (where the old driver
// manager prompted for one), asks for a user and password when the source
// wants a login, and connects a temporary database component to it.
// Execute answers the chosen source or the connect text obtained.
#pragma once

#include "platform/system/TStringList.h"

#include "ui_TODBCDialog.h"

#include <QDialog>

#include <string>

// The data source picked with Ok (empty when none was selected).
extern std::string ChosenDSN;

class TODBCDialog : public QDialog, public Ui::TODBCDialog {
    Q_OBJECT
public:
    explicit TODBCDialog(QWidget* parent = nullptr);

    // Fills the lists and selects `name` where it is found (a name in both
    // lists ends on the user side). With `useODBCDialog` the window is not
    // shown: the "&ODBC >>" action runs at once. True, with `name` set to
    // the connect text or else the chosen source, only when one of them was
    // obtained.
    bool Execute(const platform::TStringList& systemDSNs, const platform::TStringList& userDSNs, bool useODBCDialog,
                 std::string& name);

    // The radio group's item: 0 system sources, 1 user sources.
    int RadioGroup1ItemIndex() const;
    void SetRadioGroup1ItemIndex(int index);

    void RadioGroup1Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();

    // The connect text obtained through Button3.
    std::string ConnectText;

protected:
    void showEvent(QShowEvent* event) override;
};
