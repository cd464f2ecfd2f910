// The two ruler value dialogs: their captions, the value edit's keys, their
// results, and the save choices of TDlgRule.
#include "WorkspaceFixture.h"

#include "workspace/MDlgRule.h"
#include "workspace/MRuleValue.h"

#include <QTest>

namespace {

class RuleValueDialogs : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        CreateForms();
        MLan::GetInstance()->SetLanguage(LAN_ENGLISH);
    }
};

TEST_F(RuleValueDialogs, SaveChoicesFollowTheCheckBoxAndTheRadioButtons)
{
    TDlgRule& dialog = *DlgRule;
    const struct {
        bool Save;
        bool NewRuler;
        bool RadiosEnabled;
        bool NameEnabled;
        bool ListEnabled;
    } cases[] = {{false, true, false, false, false},
                 {true, true, true, true, false},
                 {true, false, true, false, true},
                 {false, false, false, false, false}};
    for (const auto& c : cases) {
        dialog.CheckBoxSave->setChecked(c.Save);
        (c.NewRuler ? dialog.RadioButtonNew : dialog.RadioButtonOld)->setChecked(true);
        EXPECT_EQ(dialog.RadioButtonNew->isEnabled(), c.RadiosEnabled);
        EXPECT_EQ(dialog.RadioButtonOld->isEnabled(), c.RadiosEnabled);
        EXPECT_EQ(dialog.EditSave->isEnabled(), c.NameEnabled);
        EXPECT_EQ(dialog.ComboBoxSave->isEnabled(), c.ListEnabled);
        const QColor silver = ToQColor(clSilver);
        EXPECT_EQ(dialog.EditSave->palette().color(QPalette::Base) == silver, !c.NameEnabled);
        EXPECT_EQ(dialog.ComboBoxSave->palette().color(QPalette::Base) == silver, !c.ListEnabled);
    }
}

TEST_F(RuleValueDialogs, StartAsDesignedAndTakeTheirCaptionsWhenShown)
{
    EXPECT_FALSE(DlgRule->CheckBoxSave->isChecked());
    EXPECT_TRUE(DlgRule->RadioButtonNew->isChecked());
    EXPECT_FALSE(DlgRule->EditSave->isEnabled());
    for (QComboBox* unit : {DlgRule->ComboUnit, FormRuleValue->ComboUnit}) {
        EXPECT_EQ(unit->count(), 2);
        EXPECT_EQ(unit->currentText(), "mm");
    }

    DlgRule->show();
    EXPECT_EQ(DlgRule->windowTitle(), "Rule");
    EXPECT_EQ(DlgRule->LabelValue->text(), "Ruler Value:");
    EXPECT_EQ(DlgRule->RadioButtonOld->text(), "Exist Rulers");
    EXPECT_EQ(DlgRule->BBCancel->text(), "Cancel");

    const QString designed = FormRuleValue->windowTitle();
    FormRuleValue->show();
    EXPECT_EQ(FormRuleValue->windowTitle(), designed);
    EXPECT_EQ(FormRuleValue->BBConfirm->text(), "Confirm");
}

TEST_F(RuleValueDialogs, ValueEditTakesANumberAndTheButtonsEndTheDialog)
{
    const struct {
        QDialog* Dialog;
        QLineEdit* Value;
        QPushButton* Confirm;
        QPushButton* Cancel;
    } dialogs[] = {{DlgRule, DlgRule->EditValue, DlgRule->BBConfirm, DlgRule->BBCancel},
                   {FormRuleValue, FormRuleValue->EditValue, FormRuleValue->BBConfirm, FormRuleValue->BBCancel}};
    for (const auto& d : dialogs) {
        QTest::keyClicks(d.Value, "1x2.3.4");
        EXPECT_EQ(d.Value->text(), "12.34");
        d.Dialog->show();
        d.Confirm->click();
        EXPECT_EQ(d.Dialog->result(), mrOk);
        d.Dialog->show();
        d.Cancel->click();
        EXPECT_EQ(d.Dialog->result(), mrCancel);
    }
}

} // namespace
