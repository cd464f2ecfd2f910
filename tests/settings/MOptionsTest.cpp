// The options dialog over a real store in Config/ of a temporary working
// directory: every control loads the option it is bound to and writes it
// back, and Save, Confirm and Cancel reach memory and the store as they should.
#include "settings/MDataOptions.h"
#include "settings/MLan.h"
#include "settings/MOptions.h"
#include "settings/MParam.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"
#include "tests/support/ConfigFile.h"
#include "tests/support/ModalAnswers.h"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QDir>
#include <QFontDatabase>
#include <QFontDialog>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// The options the dialog edits.
const int kBoundOptions[] = {OPT_COLOR_DESIGN,      OPT_COLOR_NORMAL,     OPT_COLOR_ACTIVE,     OPT_COLOR_BRUSH,
                             OPT_COLOR_MARK,        OPT_COLOR_MARK_FONT,  OPT_COLOR_MARK_BG,    OPT_MARK_BG,
                             OPT_ACTIVE_WIDTH,      OPT_GRAB_SAVE_SHAPES, OPT_DRAG_DRAW,        OPT_MARK_NEW_SHAPE,
                             OPT_RULE_LOAD_SAVED,   OPT_RULE_USER,        OPT_RULE_USER_VALUE,  OPT_RULE_MAG,
                             OPT_RULE_UNIT_USER,    OPT_DECIMAL_LENGTH,   OPT_MARK_FONT,        OPT_MARK_FONT_NAME,
                             OPT_MARK_FONT_CHARSET, OPT_MARK_FONT_HEIGHT, OPT_MARK_FONT_SIZE,   OPT_LINE_VERT,
                             OPT_LINE_VERT_WIDTH,   OPT_LINE_VERT_DOT,    OPT_EXIT_CONFIRM};

// The colour a swatch shows, as an option's text.
std::string SwatchColor(QWidget* swatch)
{
    const QImage shown = swatch->grab().toImage();
    return std::to_string(FromQRgb(shown.pixel(shown.width() / 2, shown.height() / 2)));
}

// Presses a colour row's button and picks `color` in the colour dialog.
void ChooseColor(QAbstractButton* button, QColor color)
{
    ModalAnswers answers({[color](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        ASSERT_NE(dialog, nullptr) << modal->metaObject()->className();
        dialog->setCurrentColor(color);
        dialog->accept();
    }});
    button->click();
    EXPECT_TRUE(answers.AllAnswered());
}

class OptionsDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WorkingFolder.isValid());
        QDir::setCurrent(WorkingFolder.path());
        QDir().mkdir("Config");
        MParam::ResetForTesting();
        MLan::ResetForTesting();
        MTool::ResetInstanceForTesting();
        MRuleTool::ResetInstanceForTesting();
        MLan::GetInstance()->SetLanguage(LAN_ENGLISH);
        DataModuleOptions = new TDataModuleOptions();
    }

    void TearDown() override
    {
        Dialog.reset();
        MParam::ResetForTesting();
        delete DataModuleOptions;
        DataModuleOptions = nullptr;
        MLan::ResetForTesting();
        MTool::ResetInstanceForTesting();
        QDir::setCurrent(PreviousFolder);
    }

    // Opens the store on what a previous run left, and shows the dialog.
    TFormOptions& Show(const std::map<int, std::string>& stored = {})
    {
        if (!stored.empty())
            StoreOptions(stored);
        EXPECT_TRUE(Param().Open());
        Dialog = std::make_unique<TFormOptions>();
        Dialog->show();
        return *Dialog;
    }

    static MParam& Param() { return *MParam::GetInstance(); }

    static std::string Option(int id)
    {
        std::string text;
        Param().GetText(id, text);
        return text;
    }

    static std::map<int, std::string> BoundOptions()
    {
        std::map<int, std::string> options;
        for (const int id : kBoundOptions)
            options[id] = Option(id);
        return options;
    }

    // The option's record under "DEFAULT"; "" when none was written.
    static std::string StoredOption(int id) { return StoredRecord("DEFAULT", std::to_string(id)); }

    // The operator's choice of an item of a drop-down list.
    static void ChooseItem(QComboBox* combo, const QString& text)
    {
        const int index = combo->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
    }

    static void Retype(QLineEdit* edit, const QString& text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    std::unique_ptr<TFormOptions> Dialog;
    QTemporaryDir WorkingFolder;
    QString PreviousFolder = QDir::currentPath();
};

// ---- Every control loads its option and writes it back ----

struct Binding {
    const char* Name;
    int Id;
    std::string Stored;                                // what the store holds before the dialog shows
    std::function<std::string(TFormOptions&)> Shown;   // the control's state as the option's text
    std::function<void(TFormOptions&)> Change;         // what the operator does
    std::string Written;                               // the record after Save

    friend std::ostream& operator<<(std::ostream& out, const Binding& binding) { return out << binding.Name; }
};

Binding CheckBox(const char* name, int id, QCheckBox* Ui::TFormOptions::*box, bool stored)
{
    return {name,
            id,
            stored ? "1" : "0",
            [box](TFormOptions& form) { return std::string((form.*box)->isChecked() ? "1" : "0"); },
            [box](TFormOptions& form) { (form.*box)->click(); },
            stored ? "0" : "1"};
}

Binding List(const char* name, int id, QComboBox* Ui::TFormOptions::*combo, const char* stored, const char* chosen)
{
    return {name,
            id,
            stored,
            [combo](TFormOptions& form) { return (form.*combo)->currentText().toStdString(); },
            [combo, chosen](TFormOptions& form) {
                QComboBox* box = form.*combo;
                box->setCurrentIndex(box->findText(QString::fromLatin1(chosen)));
            },
            chosen};
}

Binding Edit(const char* name, int id, QLineEdit* Ui::TFormOptions::*edit, const char* stored, const char* typed)
{
    return {name,
            id,
            stored,
            [edit](TFormOptions& form) { return (form.*edit)->text().toStdString(); },
            [edit, typed](TFormOptions& form) {
                (form.*edit)->clear();
                QTest::keyClicks(form.*edit, QString::fromLatin1(typed));
            },
            typed};
}

Binding Colour(const char* name, int id, QWidget* Ui::TFormOptions::*swatch, QToolButton* Ui::TFormOptions::*button)
{
    // Stored blue-ish, chosen a dark green, both 0x00BBGGRR.
    return {name,
            id,
            "12345678",
            [swatch](TFormOptions& form) { return SwatchColor(form.*swatch); },
            [button](TFormOptions& form) { ChooseColor(form.*button, QColor(0x11, 0x66, 0x22)); },
            std::to_string(0x226611)};
}

class OptionBinding : public OptionsDialog, public ::testing::WithParamInterface<Binding> {};

TEST_P(OptionBinding, ControlShowsTheStoredOptionAndSaveWritesTheOperatorsChange)
{
    const Binding& binding = GetParam();
    TFormOptions& form = Show({{binding.Id, binding.Stored}});
    EXPECT_EQ(binding.Shown(form), binding.Stored);

    binding.Change(form);
    form.BBSave->click();

    EXPECT_EQ(Option(binding.Id), binding.Written);
    EXPECT_EQ(StoredOption(binding.Id), binding.Written);
    EXPECT_TRUE(form.isVisible()) << "Save leaves the dialog open";
}

INSTANTIATE_TEST_SUITE_P(
    EveryControl, OptionBinding,
    ::testing::Values(
        Colour("DrawColor", OPT_COLOR_DESIGN, &TFormOptions::PaintColorDesign, &TFormOptions::SBDesign),
        Colour("NormalColor", OPT_COLOR_NORMAL, &TFormOptions::PaintColorNormal, &TFormOptions::SBNormal),
        Colour("ActiveColor", OPT_COLOR_ACTIVE, &TFormOptions::PaintColorActive, &TFormOptions::SBActive),
        Colour("BrushColor", OPT_COLOR_BRUSH, &TFormOptions::PaintColorBrush, &TFormOptions::SBBrush),
        Colour("MarkColor", OPT_COLOR_MARK, &TFormOptions::PaintColorMark, &TFormOptions::SBMark),
        Colour("MarkTextColor", OPT_COLOR_MARK_FONT, &TFormOptions::PaintColorMarkFont, &TFormOptions::SBMarkFont),
        Colour("MarkBackgroundColor", OPT_COLOR_MARK_BG, &TFormOptions::PaintColorMarkBG, &TFormOptions::SBMarkBG),
        CheckBox("MarkBackground", OPT_MARK_BG, &TFormOptions::CheckBoxMarkBG, true),
        List("ActiveWidth", OPT_ACTIVE_WIDTH, &TFormOptions::ComboBoxActiveWidth, "2", "5"),
        CheckBox("DraggedDraw", OPT_DRAG_DRAW, &TFormOptions::CheckBoxDraw, true),
        CheckBox("MarkNewShape", OPT_MARK_NEW_SHAPE, &TFormOptions::CheckBoxNewMark, false),
        CheckBox("MarkFont", OPT_MARK_FONT, &TFormOptions::CheckBoxFont, true),
        CheckBox("VerticalLine", OPT_LINE_VERT, &TFormOptions::CheckBoxLineVert, true),
        Edit("VerticalLineWidth", OPT_LINE_VERT_WIDTH, &TFormOptions::EditLineVert, "35", "12"),
        CheckBox("VerticalLineDotted", OPT_LINE_VERT_DOT, &TFormOptions::CheckBoxLineVertStyleDot, false),
        CheckBox("LoadSavedRuler", OPT_RULE_LOAD_SAVED, &TFormOptions::CheckBoxRuleSave, true),
        CheckBox("RulerUserValueOn", OPT_RULE_USER, &TFormOptions::CheckBoxRuleUser, true),
        Edit("RulerUserValue", OPT_RULE_USER_VALUE, &TFormOptions::EditRuleUser, "2.5", "0.75"),
        CheckBox("RulerMagnification", OPT_RULE_MAG, &TFormOptions::CheckBoxRuleMag, true),
        CheckBox("SaveShapesWhenImageChanges", OPT_GRAB_SAVE_SHAPES, &TFormOptions::CheckBoxGrabSave, true),
        List("DecimalLength", OPT_DECIMAL_LENGTH, &TFormOptions::ComboBoxDecimalLength, "2", "0"),
        CheckBox("ExitConfirm", OPT_EXIT_CONFIRM, &TFormOptions::CheckBoxSystemExitConfirm, false)),
    [](const ::testing::TestParamInfo<Binding>& row) { return std::string(row.param.Name); });

TEST_F(OptionsDialog, UserUnitLoadsAsCheckAndChoiceAndIsWrittenOnlyWhenBothSayAUnit)
{
    TFormOptions& form = Show({{OPT_RULE_UNIT_USER, "inch"}});
    EXPECT_TRUE(form.CheckBoxRuleUnitUser->isChecked());
    EXPECT_EQ(form.ComboBoxRuleUnitUser->currentText(), "inch");

    ChooseItem(form.ComboBoxRuleUnitUser, "mm");
    form.BBConfirm->click();
    EXPECT_EQ(Option(OPT_RULE_UNIT_USER), "mm");

    form.show();
    form.CheckBoxRuleUnitUser->click();
    ASSERT_FALSE(form.CheckBoxRuleUnitUser->isChecked());
    form.BBConfirm->click();
    EXPECT_EQ(Option(OPT_RULE_UNIT_USER), "1") << "no unit, yet a text the store takes";
    EXPECT_EQ(MRuleTool::GetInstance()->GetUnitName(), "px");

    form.show();
    EXPECT_FALSE(form.CheckBoxRuleUnitUser->isChecked());
    EXPECT_EQ(form.ComboBoxRuleUnitUser->currentIndex(), -1);
}

TEST_F(OptionsDialog, ChoosingAUnitSwitchesTheUserUnitOnAndTheBlankItemOff)
{
    TFormOptions& form = Show();
    ChooseItem(form.ComboBoxRuleUnitUser, "u''");
    EXPECT_TRUE(form.CheckBoxRuleUnitUser->isChecked());
    ChooseItem(form.ComboBoxRuleUnitUser, " ");
    EXPECT_FALSE(form.CheckBoxRuleUnitUser->isChecked());
}

TEST_F(OptionsDialog, UserRulerValueThatIsNoLengthAboveZeroBecomesOne)
{
    const std::pair<QString, std::string> cases[] = {
        {"", "1"}, {"0", "1"}, {"0.000", "1"}, {".", "1"}, {"abc", "1"}, {"-2", "1"}, {"3.", "3."}, {"0.25", "0.25"}};
    TFormOptions& form = Show();
    for (const auto& [typed, stored] : cases) {
        form.show();
        // As pasted: the key filter would keep letters and signs out.
        form.EditRuleUser->setText(typed);
        form.BBConfirm->click();
        EXPECT_EQ(Option(OPT_RULE_USER_VALUE), stored) << typed.toStdString();
        EXPECT_EQ(form.EditRuleUser->text().toStdString(), stored) << typed.toStdString();
    }
}

TEST_F(OptionsDialog, EditsTakeOnlyTheKeysOfTheirNumbers)
{
    TFormOptions& form = Show();
    Retype(form.EditLineVert, "1a2.-3");
    EXPECT_EQ(form.EditLineVert->text(), "123");
    Retype(form.EditRuleUser, "1a2.-3.4");
    EXPECT_EQ(form.EditRuleUser->text(), "12.34");
    Retype(form.EditLineVert, "1234567");
    EXPECT_EQ(form.EditLineVert->text(), "12345");
}

TEST_F(OptionsDialog, DecimalLengthFromZeroToFiveReachesTheValueTextsAtOnce)
{
    TFormOptions& form = Show();
    for (int decimals = 0; decimals <= 5; ++decimals) {
        form.show();
        ChooseItem(form.ComboBoxDecimalLength, QString::number(decimals));
        form.BBConfirm->click();
        EXPECT_EQ(Option(OPT_DECIMAL_LENGTH), std::to_string(decimals));
        EXPECT_EQ(MTool::GetInstance()->GetDecimals(), decimals);
    }
    EXPECT_EQ(MTool::GetInstance()->FormatNumber(1.23456789), "1.23457");
}

// A width or a number of decimals that the lists do not offer leaves the list
// without a choice. Applying keeps those options and runs every other step.
TEST_F(OptionsDialog, ListsWithoutAChoiceKeepTheirOptionsAndTheOtherStepsStillRun)
{
    TFormOptions& form = Show({{OPT_ACTIVE_WIDTH, "7"}, {OPT_DECIMAL_LENGTH, "9"}});
    EXPECT_EQ(form.ComboBoxActiveWidth->currentIndex(), -1);
    EXPECT_EQ(form.ComboBoxDecimalLength->currentIndex(), -1);

    form.CheckBoxSystemExitConfirm->click(); // applied after the width
    form.EditRuleUser->setText(".");         // no number: counts as empty
    form.CheckBoxRuleMag->click();           // applied after the user ruler value
    form.BBSave->click();

    EXPECT_EQ(Option(OPT_ACTIVE_WIDTH), "7");
    EXPECT_EQ(Option(OPT_DECIMAL_LENGTH), "9");
    EXPECT_EQ(Option(OPT_EXIT_CONFIRM), "0");
    EXPECT_EQ(Option(OPT_RULE_USER_VALUE), "1");
    EXPECT_EQ(Option(OPT_RULE_MAG), "1");
    EXPECT_EQ(StoredOption(OPT_EXIT_CONFIRM), "0") << "Save wrote the store";
    EXPECT_EQ(StoredOption(OPT_RULE_MAG), "1");
}

// ---- Save, Confirm, Cancel ----

TEST_F(OptionsDialog, CancelAfterAColourChangeLeavesEveryOptionAsItWas)
{
    TFormOptions& form = Show({{OPT_COLOR_NORMAL, "255"}});
    const std::map<int, std::string> before = BoundOptions();
    ChooseColor(form.SBNormal, Qt::green);
    ASSERT_EQ(SwatchColor(form.PaintColorNormal), std::to_string(0x00FF00));
    form.CheckBoxDraw->click();

    form.BBCancel->click();

    EXPECT_EQ(form.result(), mrCancel);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(BoundOptions(), before);
    EXPECT_EQ(form.Colors[OPT_COLOR_NORMAL], 255u);
    form.show();
    EXPECT_EQ(SwatchColor(form.PaintColorNormal), "255");
    EXPECT_FALSE(form.CheckBoxDraw->isChecked());
}

TEST_F(OptionsDialog, ClosingTheWindowDropsTheEditsAsCancelDoes)
{
    TFormOptions& form = Show();
    ChooseColor(form.SBActive, Qt::red);
    form.close();
    EXPECT_EQ(form.result(), mrCancel);
    EXPECT_EQ(Option(OPT_COLOR_ACTIVE), "10066431");
}

TEST_F(OptionsDialog, ConfirmChangesMemoryOnlyAndALaterSaveWritesIt)
{
    TFormOptions& form = Show();
    ChooseColor(form.SBNormal, Qt::red);
    form.BBConfirm->click();

    EXPECT_EQ(form.result(), mrOk);
    EXPECT_EQ(Option(OPT_COLOR_NORMAL), std::to_string(0x0000FF));
    EXPECT_TRUE(StoredOptions().empty()) << "Confirm writes no record";

    form.show();
    form.BBSave->click();
    EXPECT_EQ(StoredOption(OPT_COLOR_NORMAL), std::to_string(0x0000FF));
}

TEST_F(OptionsDialog, SaveWritesEveryOptionThatHasAText)
{
    TFormOptions& form = Show();
    form.BBSave->click();

    const auto stored = StoredOptions();
    for (const auto& [id, value] : stored)
        EXPECT_EQ(value, Option(std::stoi(id))) << id;
    for (const int id : kBoundOptions)
        EXPECT_EQ(stored.count(std::to_string(id)), Option(id).empty() ? 0u : 1u) << id;
    for (const int id : {OPT_VIEW_TOOL, OPT_LANGUAGE, OPT_GRAB_WIDTH, OPT_UNUSED_1005, OPT_PRINT_ADJUST})
        EXPECT_EQ(stored.count(std::to_string(id)), 1u) << "options the dialog does not show go too: " << id;
    for (const int id : {OPT_GRAB_DEVICE, OPT_RULE_UNIT, OPT_PRINT_AUTHOR})
        EXPECT_EQ(stored.count(std::to_string(id)), 0u) << "an empty text is never written: " << id;
    EXPECT_EQ(stored.find(std::to_string(OPT_RULE_UNIT_USER))->second, "1");
}

TEST_F(OptionsDialog, ColourDialogOpensOnTheColourItLastReturned)
{
    TFormOptions& form = Show();
    ChooseColor(form.SBDesign, Qt::blue);
    QColor opened;
    ModalAnswers answers({[&opened](QWidget* modal) {
        auto* dialog = qobject_cast<QColorDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        opened = dialog->currentColor();
        dialog->reject();
    }});
    form.SBBrush->click();
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_EQ(opened, QColor(Qt::blue));
    EXPECT_EQ(form.Colors[OPT_COLOR_BRUSH], clWhite) << "a cancelled choice changes nothing";
}

// ---- Mark font ----

TEST_F(OptionsDialog, FontDialogOffersMonospacedFontsUpToSixteenPointsAndKeepsTheCharacterSet)
{
    const QStringList families = QFontDatabase::families();
    const auto fixed = std::find_if(families.begin(), families.end(), [](const QString& family) { return QFontDatabase::isFixedPitch(family); });
    ASSERT_NE(fixed, families.end()) << "no monospaced font installed";
    const QString mono = *fixed;
    TFormOptions& form = Show({{OPT_MARK_FONT_NAME, "Some Font"},
                               {OPT_MARK_FONT_CHARSET, "390"},
                               {OPT_MARK_FONT_HEIGHT, "-16"},
                               {OPT_MARK_FONT_SIZE, "12"}});
    EXPECT_EQ(form.PanelFontFont.Name, "Some Font");
    EXPECT_EQ(form.PanelFontFont.Charset, 390 & 0xFF);
    EXPECT_EQ(form.PanelFontFont.Size, 12) << "the size, set last, decides";

    int offered = 0;
    ModalAnswers answers({[&](QWidget* modal) {
        auto* dialog = qobject_cast<QFontDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->testOption(QFontDialog::MonospacedFonts));
        QFont large(mono);
        large.setPointSize(20);
        dialog->setCurrentFont(large);
        offered = dialog->currentFont().pointSize();
        dialog->accept();
    }});
    form.SBFont->click();
    ASSERT_TRUE(answers.AllAnswered());

    EXPECT_EQ(offered, TFormOptions::MaxFontSize);
    EXPECT_EQ(form.PanelFontFont.Name, mono.toStdString());
    EXPECT_EQ(form.PanelFontFont.Size, TFormOptions::MaxFontSize);
    EXPECT_EQ(form.PanelFont->font().family(), mono);
    form.BBSave->click();
    EXPECT_EQ(StoredOption(OPT_MARK_FONT_NAME), mono.toStdString());
    EXPECT_EQ(StoredOption(OPT_MARK_FONT_CHARSET), "134");
    EXPECT_EQ(StoredOption(OPT_MARK_FONT_HEIGHT), "-21");
    EXPECT_EQ(StoredOption(OPT_MARK_FONT_SIZE), "16");
}

TEST_F(OptionsDialog, FontDialogOffersNoStyleAndNoSizeAboveSixteenForAnyFace)
{
    QStringList monospaced = QFontDatabase::families();
    monospaced.removeIf([](const QString& family) { return !QFontDatabase::isFixedPitch(family); });
    ASSERT_FALSE(monospaced.isEmpty()) << "no monospaced font installed";
    TFormOptions& form = Show();

    // The lists the dialog shows: faces and sizes only.
    std::vector<QStringList> shownLists;
    const auto readLists = [&shownLists](QFontDialog* dialog) {
        shownLists.clear();
        for (const QAbstractItemView* list : dialog->findChildren<QAbstractItemView*>())
            if (list->isVisibleTo(dialog))
                if (const auto* model = qobject_cast<const QStringListModel*>(list->model()))
                    shownLists.push_back(model->stringList());
    };
    std::vector<std::vector<QStringList>> perFace;
    ModalAnswers answers({[&](QWidget* modal) {
        auto* dialog = qobject_cast<QFontDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        for (const QString& face : monospaced) {
            // Asked for a slanted bold face, it keeps the plain one.
            QFont styled(face, 10);
            styled.setItalic(true);
            styled.setBold(true);
            dialog->setCurrentFont(styled);
            QCoreApplication::processEvents();
            EXPECT_FALSE(dialog->currentFont().italic()) << face.toStdString();
            EXPECT_FALSE(dialog->currentFont().bold()) << face.toStdString();
            readLists(dialog);
            perFace.push_back(shownLists);
        }
        dialog->reject();
    }});
    form.SBFont->click();
    ASSERT_TRUE(answers.AllAnswered());

    ASSERT_EQ(perFace.size(), std::size_t(monospaced.size()));
    for (std::size_t i = 0; i < perFace.size(); ++i) {
        SCOPED_TRACE(monospaced[int(i)].toStdString());
        ASSERT_EQ(perFace[i].size(), 2u) << "a face list and a size list, no style list";
        const QStringList& sizes = perFace[i][1];
        EXPECT_FALSE(sizes.isEmpty());
        for (const QString& size : sizes)
            EXPECT_LE(size.toInt(), TFormOptions::MaxFontSize) << size.toStdString();
    }
}

TEST_F(OptionsDialog, CaptionsComeFromTheStringTableOfTheLanguage)
{
    MLan::GetInstance()->SetLanguage(LAN_CHINESE_SIMPLIFIED);
    TFormOptions& form = Show();
    const MLanTexts& texts = MLan::GetInstance()->Texts;
    EXPECT_EQ(form.windowTitle().toStdString(), texts[165]);
    EXPECT_EQ(form.LMarkFont->text().toStdString(), texts[182]);
    EXPECT_EQ(form.LabelLineVert->text().toStdString(), texts[259]);
    EXPECT_EQ(form.SBFont->text().toStdString(), texts[173]);
    EXPECT_EQ(form.BBSave->text().toStdString(), texts[155]);

    form.hide();
    MLan::GetInstance()->SetLanguage(LAN_ENGLISH);
    form.show();
    EXPECT_EQ(form.windowTitle().toStdString(), "Options");
    EXPECT_EQ(form.LDecimalLength->text().toStdString(), "Decimal Length");
}

} // namespace
