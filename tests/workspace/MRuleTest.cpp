// The ruler manager: the current calibration shown and stored under a name,
// stored rulers put into force, deleted and cleared, with the refusals and
// questions on the way; and the main window measuring with a loaded ruler.
#include "WorkspaceFixture.h"
#include "tests/support/ModalAnswers.h"

#include "shapes/MLine.h"
#include "workspace/MRule.h"

#include <QMouseEvent>
#include <QTest>

namespace {

class RulerManager : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        StartForms();
        FormMeasure->SetLanguage(LAN_ENGLISH, false);
    }

    static MParam& Param() { return *MParam::GetInstance(); }
    static TFormRule& Dialog() { return *FormRule; }

    static std::string Option(int id)
    {
        std::string text;
        Param().GetText(id, text);
        return text;
    }

    // The current calibration, in memory only.
    static void SetCurrent(const std::string& valueHori, const std::string& unitHori, const std::string& valueVert,
                           const std::string& unitVert)
    {
        Param().SetText(OPT_RULE_VALUE_HORI, valueHori, false);
        Param().SetText(OPT_RULE_UNIT_HORI, unitHori, false);
        Param().SetText(OPT_RULE_VALUE_VERT, valueVert, false);
        Param().SetText(OPT_RULE_UNIT_VERT, unitVert, false);
    }

    // A stored ruler, in memory and in the store.
    static void StoreRuler(const std::string& name, const MRulerItem& item)
    {
        Param().SetRuler(name, item);
        Param().SaveRulers();
    }

    // Shows the dialog as each showing does, without a modal loop.
    static TFormRule& ShowDialog()
    {
        Dialog().hide();
        Dialog().show();
        return Dialog();
    }

    static std::string Status() { return Dialog().StatusPanel->text().toStdString(); }

    static std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        for (int row = 0; row < Dialog().ListViewRulers->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = Dialog().ListViewRulers->topLevelItem(row);
            rows.push_back((item->text(0) + "|" + item->text(1) + "|" + item->text(2)).toStdString());
        }
        return rows;
    }

    static void SelectRow(const QString& name)
    {
        const auto found = Dialog().ListViewRulers->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        Dialog().ListViewRulers->setCurrentItem(found.first());
    }
};

TEST(RulerText, IsValueBlankUnitAndPerPixelUnlessTheValueIsEmptyOrZero)
{
    const struct {
        const char* Value;
        const char* Unit;
        const char* Text;
    } cases[] = {{"", "mm", ""},
                 {"0", "mm", ""},
                 {"0.0125", "mm", "0.0125 mm/px"},
                 {"0.02", "", "0.02 /px"},
                 {"0.0", "um", "0.0 um/px"}};
    for (const auto& c : cases)
        EXPECT_EQ(TFormRule::RulerText(c.Value, c.Unit), c.Text) << c.Value << " " << c.Unit;
}

TEST_F(RulerManager, CurrentRulerShowsEachDirectionInForceAndWarnsOfTwoUnits)
{
    const struct {
        const char* ValueHori;
        const char* UnitHori;
        const char* ValueVert;
        const char* UnitVert;
        int Count;
        const char* LabelHori;
        const char* LabelVert;
        const char* Status;
    } cases[] = {
        {"0.01", "mm", "0", "mm", 1, "0.01 mm/px", "", ""},
        {"0.01", "mm", "0.5", "um", 2, "0.01 mm/px", "0.5 um/px", "Horizontal And Vertical Unit Not The Same"},
        {"0.01", "mm", "0.02", "mm", 2, "0.01 mm/px", "0.02 mm/px", ""},
        {"0.01", "", "-0.02", "mm", 0, "", "", ""},
    };
    for (const auto& c : cases) {
        SetCurrent(c.ValueHori, c.UnitHori, c.ValueVert, c.UnitVert);
        ShowDialog();
        EXPECT_EQ(Dialog().RulerCount, c.Count) << c.ValueHori << " " << c.ValueVert;
        EXPECT_EQ(Dialog().LabelValueHori->text().toStdString(), c.LabelHori);
        EXPECT_EQ(Dialog().LabelValueVert->text().toStdString(), c.LabelVert);
        EXPECT_EQ(Status(), c.Status);
    }
}

TEST_F(RulerManager, ListShowsTheStoredRulersInNameOrder)
{
    StoreRuler("b", {"0.02", "0.03", "um", "um"});
    StoreRuler("A", {"0.0125", "0", "mm", ""});
    ShowDialog();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"A|0.0125 mm/px|", "b|0.02 um/px|0.03 um/px"}));
    EXPECT_TRUE(Dialog().ListViewRulers->selectedItems().isEmpty());
    EXPECT_EQ(Dialog().ListViewRulers->headerItem()->text(0), "Name");
    EXPECT_EQ(Dialog().windowTitle(), "Ruler Management");
}

TEST_F(RulerManager, SaveIsRefusedWithoutRulerWithoutNameAndUnderAListedName)
{
    TFormRule& dialog = ShowDialog();
    dialog.EditName->setText("A");
    dialog.BBSave->click();
    EXPECT_EQ(Status(), "Current No Ruler");
    EXPECT_TRUE(Param().GetRulerNames().empty());

    SetCurrent("0.01", "mm", "0.01", "mm");
    ShowDialog();
    dialog.EditName->setText(" \t ");
    dialog.BBConfirm->setFocus();
    dialog.BBSave->click();
    EXPECT_EQ(Status(), "Please Input Ruler Name");
    EXPECT_EQ(dialog.focusWidget(), dialog.EditName);

    StoreRuler("A", {"1", "1", "mm", "mm"});
    ShowDialog();
    dialog.EditName->setText("A");
    dialog.BBSave->click();
    EXPECT_EQ(Status(), "Ruler Name Has Exists");
    EXPECT_EQ(Param().GetRuler("A"), (MRulerItem{"1", "1", "mm", "mm"}));
    EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(RulerManager, SaveStoresTheCurrentRulerUnderTheTrimmedName)
{
    SetCurrent("0.0125", "mm", "0.02", "mm");
    TFormRule& dialog = ShowDialog();
    dialog.EditName->setText("  Scope A\t ");
    dialog.BBSave->click();

    const MRulerItem saved{"0.0125", "0.02", "mm", "mm"};
    EXPECT_EQ(Param().GetRulerNames(), std::vector<std::string>{"Scope A"});
    EXPECT_EQ(Param().GetRuler("Scope A"), saved);
    EXPECT_EQ(StoredRecord("RULERVALUEHORI", "Scope A"), "0.0125");
    EXPECT_EQ(StoredRecord("RULERVALUEVERT", "Scope A"), "0.02");
    EXPECT_EQ(StoredRecord("RULERUNITHORI", "Scope A"), "mm");
    EXPECT_EQ(StoredRecord("RULERUNITVERT", "Scope A"), "mm");
    EXPECT_EQ(Rows(), std::vector<std::string>{"Scope A|0.0125 mm/px|0.02 mm/px"});
    EXPECT_EQ(dialog.EditName->text(), "  Scope A\t ") << "the name stays for the operator";

    dialog.BBSave->click();
    EXPECT_EQ(Status(), "Ruler Name Has Exists");
}

TEST_F(RulerManager, UseAndDeleteWithoutAChoiceAskForOneOnlyWhenThereIsAChoice)
{
    TFormRule& dialog = ShowDialog();
    dialog.BBLoad->click();
    dialog.BBDelete->click();
    EXPECT_EQ(Status(), "") << "an empty list asks for nothing";

    StoreRuler("A", {"0.01", "0.01", "mm", "mm"});
    ShowDialog();
    dialog.BBLoad->click();
    EXPECT_EQ(Status(), "Please Choose From List");
    EXPECT_FALSE(dialog.RulerChanged);
    QTest::mouseClick(dialog.ListViewRulers->viewport(), Qt::LeftButton);
    EXPECT_EQ(Status(), "") << "a click in the list clears the message";
    dialog.BBDelete->click();
    EXPECT_EQ(Status(), "Please Choose From List");
    EXPECT_EQ(Param().GetRulerNames(), std::vector<std::string>{"A"});
}

TEST_F(RulerManager, UsePutsTheRulerIntoForceAtOnce)
{
    StoreRuler("A", {"0.0125", "0.025", "mm", "mm"});
    Param().SetText(OPT_RULE_CALIB_VALUE, "0.3", false);
    TFormRule& dialog = ShowDialog();
    SelectRow("A");
    dialog.BBLoad->click();

    EXPECT_TRUE(dialog.RulerChanged);
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
    EXPECT_EQ(dialog.LabelValueHori->text(), "0.0125 mm/px");
    EXPECT_EQ(dialog.LabelValueVert->text(), "0.025 mm/px");
    const std::pair<int, const char*> written[] = {{OPT_RULE_VALUE_HORI, "0.0125"},
                                                   {OPT_RULE_VALUE_VERT, "0.025"},
                                                   {OPT_RULE_UNIT_HORI, "mm"},
                                                   {OPT_RULE_UNIT_VERT, "mm"},
                                                   {OPT_RULE_CALIB_VALUE, "0"}};
    for (const auto& [id, value] : written) {
        EXPECT_EQ(Option(id), value) << id;
        EXPECT_EQ(StoredRecord("DEFAULT", std::to_string(id)), value) << id;
    }
}

TEST_F(RulerManager, DoubleClickOnARowUsesIt)
{
    StoreRuler("A", {"0.5", "0.5", "um", "um"});
    TFormRule& dialog = ShowDialog();
    QWidget* list = dialog.ListViewRulers->viewport();
    const QPoint row = dialog.ListViewRulers->visualItemRect(dialog.ListViewRulers->topLevelItem(0)).center();
    // As Qt delivers a double click: the second press comes as the double-click event.
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent event(type, QPointF(row), QPointF(list->mapToGlobal(row)), Qt::LeftButton,
                          down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &event);
    }
    EXPECT_TRUE(dialog.RulerChanged);
    EXPECT_EQ(Option(OPT_RULE_UNIT_VERT), "um");
}

TEST_F(RulerManager, DeleteAsksFirstAndOnlyYesDeletes)
{
    StoreRuler("A", {"0.01", "0.01", "mm", "mm"});
    StoreRuler("B", {"0.02", "0.02", "mm", "mm"});
    TFormRule& dialog = ShowDialog();
    SelectRow("A");
    QString question;
    {
        ModalAnswers answers({ModalAnswers::Press(QMessageBox::No, &question)});
        dialog.BBDelete->click();
        ASSERT_TRUE(answers.AllAnswered());
    }
    EXPECT_EQ(question, "Confirm Delete Ruler'A'");
    EXPECT_EQ(Rows().size(), 2u);
    EXPECT_EQ(StoredRecord("RULERVALUEHORI", "A"), "0.01");

    ModalAnswers answers({ModalAnswers::Press(QMessageBox::Yes)});
    dialog.BBDelete->click();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_EQ(Rows(), std::vector<std::string>{"B|0.02 mm/px|0.02 mm/px"});
    EXPECT_EQ(Param().GetRulerNames(), std::vector<std::string>{"B"});
    for (const char* key : {"RULERVALUEHORI", "RULERVALUEVERT", "RULERUNITHORI", "RULERUNITVERT"})
        EXPECT_EQ(StoredRecord(key, "A"), "") << key;
    EXPECT_TRUE(dialog.ListViewRulers->selectedItems().isEmpty()) << "the next row waits for a choice";
}

TEST_F(RulerManager, ClearAsksFirstAndYesEndsTheCurrentRuler)
{
    SetCurrent("0.01", "mm", "0.01", "mm");
    TFormRule& dialog = ShowDialog();
    QString question;
    {
        ModalAnswers answers({ModalAnswers::Press(QMessageBox::No, &question)});
        dialog.BBClear->click();
        ASSERT_TRUE(answers.AllAnswered());
    }
    EXPECT_EQ(question, "Confirm Clear Current Ruler");
    EXPECT_FALSE(dialog.RulerChanged);
    EXPECT_EQ(dialog.RulerCount, 2);

    ModalAnswers answers({ModalAnswers::Press(QMessageBox::Yes)});
    dialog.BBClear->click();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_TRUE(dialog.RulerChanged);
    EXPECT_EQ(dialog.RulerCount, 0);
    EXPECT_EQ(dialog.LabelValueHori->text(), "");
    EXPECT_EQ(Option(OPT_RULE_VALUE_HORI), "0");
    EXPECT_EQ(Option(OPT_RULE_UNIT_VERT), "");
    EXPECT_EQ(StoredRecord("DEFAULT", std::to_string(OPT_RULE_VALUE_VERT)), "0");

    dialog.RulerChanged = false;
    dialog.BBClear->click(); // no ruler: no question (an unexpected one fails the test)
    EXPECT_FALSE(dialog.RulerChanged);
}

// ---- The main window's ruler-management command ----

TEST_F(RulerManager, LoadedRulerIsWhatTheMainWindowMeasuresWith)
{
    StoreRuler("Fine", {"0.01", "0.01", "mm", "mm"});
    MLine* line = FormMeasure->AddShape(MLine::Create(FormMeasure->ImagePaint->Canvas(), 100, 100, 200, 100));
    ASSERT_TRUE(line);
    ASSERT_EQ(line->GetResults().back(), (MItem{"Length", "100 px"}));

    ModalAnswers answers({[](QWidget* modal) {
        ASSERT_EQ(modal, FormRule);
        SelectRow("Fine");
        FormRule->BBLoad->click();
        FormRule->BBConfirm->click();
    }});
    FormMeasure->MenuRuleEdit->trigger();
    ASSERT_TRUE(answers.AllAnswered());

    EXPECT_EQ(Option(OPT_RULE_SCALE), "0.01");
    EXPECT_EQ(line->GetResults().back(), (MItem{"Length", "1 mm"}));
}

TEST_F(RulerManager, LoadedRulersInTwoUnitsLeaveTheWorkspaceUncalibratedWithAWarning)
{
    StoreRuler("Mixed", {"0.01", "0.5", "mm", "um"});
    ModalAnswers answers({[](QWidget*) {
        SelectRow("Mixed");
        FormRule->BBLoad->click();
        FormRule->BBConfirm->click();
    }});
    FormMeasure->MenuRuleEdit->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_FALSE(Param().HasScale());
    EXPECT_EQ(FormMeasure->StatusPanels[2]->text(), "Horizontal And Vertical Unit Not The Same");
}

TEST_F(RulerManager, ClosingWithoutAChangeLeavesTheWorkspaceAsItWas)
{
    // A current ruler in memory that was never applied: only a change in the
    // dialog applies the current ruler anew.
    SetCurrent("0.01", "mm", "0.01", "mm");
    ModalAnswers answers({[](QWidget*) { FormRule->BBConfirm->click(); }});
    FormMeasure->MenuRuleEdit->trigger();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_FALSE(FormRule->RulerChanged);
    EXPECT_FALSE(Param().HasScale());
}

} // namespace
