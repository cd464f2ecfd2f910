#include "settings/MLan.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int SlotCount = MLanTexts::SlotCount;
using AllTexts = std::array<std::string, SlotCount + 1>; // index 0 unused

class MLanTest : public ::testing::Test {
protected:
    void SetUp() override { MLan::ResetForTesting(); }
    void TearDown() override { MLan::ResetForTesting(); }

    static AllTexts Snapshot()
    {
        AllTexts texts;
        for (int slot = 1; slot <= SlotCount; ++slot)
            texts[static_cast<std::size_t>(slot)] = MLan::GetInstance()->Texts[slot];
        return texts;
    }

    // Every slot of one language, read through a fresh table.
    static AllTexts TextsIn(int language)
    {
        MLan::ResetForTesting();
        MLan::GetInstance()->SetLanguage(language);
        AllTexts texts = Snapshot();
        MLan::ResetForTesting();
        return texts;
    }

    static const std::string& At(const AllTexts& texts, int slot)
    {
        return texts[static_cast<std::size_t>(slot)];
    }
};

struct FixedText {
    int slot;
    const char* english;
    const char* simplified;
    const char* traditional;
};

// Texts that other windows and operators rely on word for word, with the
// blanks, accelerators and spellings they have always had.
const FixedText FixedTexts[] = {
    {1, "Corvane -  Tamsel", "Corvane - Tamsel", "Corvane - Tamsel"},
    {2, "&File", "文件(&F)", "文件(&F)"},
    {3, "&Open", "打开(&O)", "打開(&O)"},
    {10, "&Delete All", "全部删除(&D)", "全部刪除(&D)"},
    {53, "English", "英文[English]", "英文[English]"},
    {54, "Chinese Simplified", "简体中文[Chinese Simplified]", "簡體中文[Chinese Simplified]"},
    {55, "Chinese Traditional", "繁体中文[Chinese Traditional]", "繁體中文[Chinese Traditional]"},
    {65, "Shapes are locked,delete forbid", "图形已锁定，禁止删除", "圖形已鎖定，禁止刪除"},
    {68, "Invalid Input", "不正确的输入", "不正確的輸入"},
    {70, "Rule Setted", "标定完成", "標定完成"},
    {71, "Error in read config file", "读取配置文件错误", "讀取配置文件錯誤"},
    {72, "Confirm to exit", "确定要退出吗", "確定要退出嗎"},
    {96, "Line Pass Circle's Center", "直线过圆心", "直線過圓心"},
    {99, "Seperate", "相离", "相離"},
    {154, "Ready", "就绪", "就緒"},
    {155, "Save", "保存", "保存"},
    {156, "Confirm", "确定", "確定"},
    {157, "Cancel", "取消", "取消"},
    {173, "Modify...", "修改...", "修改..."},
    {196, "About", "关于", "關於"},
    {197, "Product Name:  Quorvex", "产品名称:  Corvane", "\u7523品名稱:  Corvane"},
    {198, "Version: 6.0", "版本: 6.0", "版本: 6.0"},
    {202, "", "", ""},
    {206, "", "", ""},
    {261, "Magnify", "放大", "放大"},
    {262, "Shrink", "缩小", "縮小"},
    {263, "", "倍", "倍"},
    {290, "Printer Adjust Parameter [Default 100%]", "打印机调整参数[默认100%]",
     "打印機調整參數[默認100%]"},
    {303, "Create ", "创建", "創建"},
};

TEST_F(MLanTest, FreshTableIsInSimplifiedChinese)
{
    const MLan* lan = MLan::GetInstance();
    EXPECT_EQ(lan->GetLanguage(), LAN_CHINESE_SIMPLIFIED);
    EXPECT_EQ(lan->Texts[71], "读取配置文件错误");
    EXPECT_EQ(lan->Texts[156], "确定");
    EXPECT_EQ(MLan::GetInstance(), lan) << "one table for the whole program";
}

TEST_F(MLanTest, FixedTextsAreExactInEveryLanguage)
{
    const AllTexts english = TextsIn(LAN_ENGLISH);
    const AllTexts simplified = TextsIn(LAN_CHINESE_SIMPLIFIED);
    const AllTexts traditional = TextsIn(LAN_CHINESE_TRADITIONAL);
    for (const FixedText& fixed : FixedTexts) {
        SCOPED_TRACE("slot " + std::to_string(fixed.slot));
        EXPECT_EQ(At(english, fixed.slot), fixed.english);
        EXPECT_EQ(At(simplified, fixed.slot), fixed.simplified);
        EXPECT_EQ(At(traditional, fixed.slot), fixed.traditional);
    }
}

TEST_F(MLanTest, SwitchingToTheCurrentLanguageReportsNoChange)
{
    MLan* lan = MLan::GetInstance();
    EXPECT_FALSE(lan->SetLanguage(LAN_CHINESE_SIMPLIFIED));

    EXPECT_TRUE(lan->SetLanguage(LAN_ENGLISH));
    EXPECT_EQ(lan->GetLanguage(), LAN_ENGLISH);
    EXPECT_EQ(lan->Texts[71], "Error in read config file");

    const AllTexts before = Snapshot();
    EXPECT_FALSE(lan->SetLanguage(LAN_ENGLISH));
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(MLanTest, UnknownLanguageIsTakenButKeepsEveryText)
{
    MLan* lan = MLan::GetInstance();
    lan->SetLanguage(LAN_CHINESE_TRADITIONAL);
    const AllTexts traditional = Snapshot();

    EXPECT_TRUE(lan->SetLanguage(4));
    EXPECT_EQ(lan->GetLanguage(), 4);
    EXPECT_EQ(Snapshot(), traditional);

    lan->LoadTexts();
    EXPECT_EQ(Snapshot(), traditional);
    EXPECT_FALSE(lan->SetLanguage(4));
}

TEST_F(MLanTest, SettingsMessagesNameTheStoreInEveryLanguage)
{
    struct Case {
        int language;
        const char* busy;
        const char* notSaved;
    };
    const Case cases[] = {
        {LAN_ENGLISH, "\"Config/Config.dat\" is in use by another program: settings will not be saved",
         "Cannot save settings in \"Config/Config.xml\""},
        {LAN_CHINESE_SIMPLIFIED, "\"Config/Config.dat\" 正被其他程序占用，设置不会保存", "无法保存设置到 \"Config/Config.xml\""},
        {LAN_CHINESE_TRADITIONAL, "\"Config/Config.dat\" 正被其他程式佔用，設定不會儲存", "無法儲存設定到 \"Config/Config.xml\""},
    };
    MLan* lan = MLan::GetInstance();
    for (const Case& c : cases) {
        lan->SetLanguage(c.language);
        EXPECT_EQ(lan->Message(MSG_SETTINGS_BUSY, "Config/Config.dat"), c.busy);
        EXPECT_EQ(lan->Message(MSG_CANNOT_SAVE_SETTINGS, "Config/Config.xml"), c.notSaved);
    }
}

TEST_F(MLanTest, SwitchingBackRestoresEverySlot)
{
    MLan* lan = MLan::GetInstance();
    lan->SetLanguage(LAN_ENGLISH);
    const AllTexts english = Snapshot();
    lan->SetLanguage(LAN_CHINESE_TRADITIONAL);
    lan->SetLanguage(LAN_ENGLISH);
    EXPECT_EQ(Snapshot(), english) << "no slot may keep a text of the language left";
}

TEST_F(MLanTest, ResetKeepsTheTableThatFormsHold)
{
    MLan* held = MLan::GetInstance();
    held->SetLanguage(LAN_ENGLISH);
    MLan::ResetForTesting();
    EXPECT_EQ(MLan::GetInstance(), held);
    EXPECT_EQ(held->GetLanguage(), LAN_CHINESE_SIMPLIFIED);
    EXPECT_EQ(held->Texts[156], "确定");
}

TEST_F(MLanTest, SlotOutsideTheTableIsRefused)
{
    const MLanTexts& texts = MLan::GetInstance()->Texts;
    EXPECT_THROW(static_cast<void>(texts[0]), std::out_of_range);
    EXPECT_THROW(static_cast<void>(texts[SlotCount + 1]), std::out_of_range);
    EXPECT_NO_THROW(static_cast<void>(texts[SlotCount]));
}

TEST_F(MLanTest, MessagesSpeakTheLanguageNameTheFileAndMayGiveTheSystemsReason)
{
    struct Case {
        int language;
        const char* locale;
        const char* write;
        const char* print;
    };
    const Case cases[] = {
        {LAN_ENGLISH, "en", "Cannot write \"Output/a.xls\": Permission denied", "Cannot print to \"Page.pdf\"."},
        {LAN_CHINESE_SIMPLIFIED, "zh_CN", "无法写入文件 \"Output/a.xls\": Permission denied",
         "无法打印到 \"Page.pdf\"。"},
        {LAN_CHINESE_TRADITIONAL, "zh_TW", "無法寫入文件 \"Output/a.xls\": Permission denied",
         "無法打印到 \"Page.pdf\"。"},
    };
    MLan* lan = MLan::GetInstance();
    for (const Case& c : cases) {
        lan->SetLanguage(c.language);
        EXPECT_EQ(lan->LocaleName(), c.locale);
        EXPECT_EQ(lan->Message(MSG_CANNOT_WRITE_FILE, "Output/a.xls", "Permission denied"), c.write);
        EXPECT_EQ(lan->Message(MSG_CANNOT_PRINT, "Page.pdf"), c.print);
        EXPECT_NE(lan->Message(MSG_CANNOT_SAVE_PICTURE, "a.bmp").find("\"a.bmp\""), std::string::npos);
    }
    EXPECT_THROW(static_cast<void>(lan->Messages[0]), std::out_of_range);
    EXPECT_THROW(static_cast<void>(lan->Messages[MLanMessages::MessageCount + 1]), std::out_of_range);
}

TEST_F(MLanTest, ComposedCaptionsReadAsOnePhrase)
{
    struct Case {
        int language;
        const char* derivedPoint; // "Create " followed by "Mid-Point"
        const char* rulerMagnified; // "(" Magnify 3 times ")"
    };
    const Case cases[] = {
        {LAN_ENGLISH, "Create Mid-Point", "(Magnify3)"},
        {LAN_CHINESE_SIMPLIFIED, "创建中点", "(放大3倍)"},
        {LAN_CHINESE_TRADITIONAL, "創建中點", "(放大3倍)"},
    };
    for (const Case& c : cases) {
        const AllTexts texts = TextsIn(c.language);
        EXPECT_EQ(At(texts, 303) + At(texts, 295), c.derivedPoint);
        EXPECT_EQ("(" + At(texts, 261) + "3" + At(texts, 263) + ")", c.rulerMagnified);
    }
}

TEST_F(MLanTest, EveryEnglishTextIsTranslatedIntoBothChineseTables)
{
    const AllTexts english = TextsIn(LAN_ENGLISH);
    const std::vector<AllTexts> chinese = {TextsIn(LAN_CHINESE_SIMPLIFIED),
                                           TextsIn(LAN_CHINESE_TRADITIONAL)};
    // Names and samples that stay in Latin letters in every language.
    const std::vector<int> latinInEveryLanguage = {1, 188};
    for (const AllTexts& texts : chinese) {
        for (int slot = 1; slot <= SlotCount; ++slot) {
            SCOPED_TRACE("slot " + std::to_string(slot));
            const std::string& text = At(texts, slot);
            if (slot >= 202 && slot <= 206) {
                EXPECT_EQ(text, "") << "unused slot";
                continue;
            }
            if (At(english, slot).empty())
                continue;
            ASSERT_FALSE(text.empty());
            const bool latin = std::find(latinInEveryLanguage.begin(), latinInEveryLanguage.end(),
                                         slot) != latinInEveryLanguage.end();
            const bool hasChinese = QString::fromStdString(text).contains(
                QRegularExpression(QStringLiteral("[\\x{4E00}-\\x{9FFF}]")));
            EXPECT_TRUE(latin || hasChinese) << "left untranslated: " << text;
        }
    }
}

TEST_F(MLanTest, ChineseMenusKeepTheEnglishAccelerator)
{
    const AllTexts english = TextsIn(LAN_ENGLISH);
    const std::vector<AllTexts> chinese = {TextsIn(LAN_CHINESE_SIMPLIFIED),
                                           TextsIn(LAN_CHINESE_TRADITIONAL)};
    int accelerators = 0;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const std::string& source = At(english, slot);
        const std::size_t ampersand = source.find('&');
        for (const AllTexts& texts : chinese) {
            const std::string& text = At(texts, slot);
            if (ampersand == std::string::npos || ampersand + 1 >= source.size()) {
                EXPECT_EQ(text.find('&'), std::string::npos) << text;
                continue;
            }
            const std::string suffix = std::string("(&") + source[ampersand + 1] + ")";
            EXPECT_TRUE(text.size() > suffix.size()
                        && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
                << text << " should end in " << suffix;
            ++accelerators;
        }
    }
    EXPECT_EQ(accelerators, 2 * 11) << "the eleven menus with an accelerator";
}

TEST_F(MLanTest, EachChineseTableUsesItsOwnCharacterSet)
{
    // Common characters whose simplified and traditional forms differ: a
    // table pasted into the wrong language shows at once.
    const std::vector<std::pair<QChar, QChar>> simplifiedTraditional = {
        {u'圆', u'圓'}, {u'线', u'線'}, {u'标', u'標'}, {u'设', u'設'}, {u'图', u'圖'},
        {u'点', u'點'}, {u'选', u'選'}, {u'关', u'關'}, {u'删', u'刪'}, {u'开', u'開'},
        {u'个', u'個'}, {u'显', u'顯'}, {u'两', u'兩'}, {u'内', u'內'}, {u'确', u'確'},
    };
    const AllTexts simplified = TextsIn(LAN_CHINESE_SIMPLIFIED);
    const AllTexts traditional = TextsIn(LAN_CHINESE_TRADITIONAL);
    for (int slot = 1; slot <= SlotCount; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const QString simplifiedText = QString::fromStdString(At(simplified, slot));
        const QString traditionalText = QString::fromStdString(At(traditional, slot));
        for (const auto& [simplifiedForm, traditionalForm] : simplifiedTraditional) {
            EXPECT_FALSE(simplifiedText.contains(traditionalForm)) << simplifiedText.toStdString();
            EXPECT_FALSE(traditionalText.contains(simplifiedForm)) << traditionalText.toStdString();
        }
    }
}

TEST_F(MLanTest, EveryTextIsValidUtf8AndShownByTheChineseFont)
{
    const QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    ASSERT_EQ(QFontInfo(font).family(), QStringLiteral("WenQuanYi Micro Hei"))
        << "the CJK font is not installed";
    const QFontMetrics metrics(font);
    for (int language : {LAN_ENGLISH, LAN_CHINESE_SIMPLIFIED, LAN_CHINESE_TRADITIONAL}) {
        const AllTexts texts = TextsIn(language);
        for (int slot = 1; slot <= SlotCount; ++slot) {
            SCOPED_TRACE("language " + std::to_string(language) + " slot " + std::to_string(slot));
            const std::string& text = At(texts, slot);
            QStringDecoder decoder(QStringDecoder::Utf8);
            const QString decoded = decoder(QByteArray::fromStdString(text));
            ASSERT_FALSE(decoder.hasError()) << "not UTF-8";
            for (char32_t codePoint : decoded.toUcs4())
                EXPECT_TRUE(metrics.inFontUcs4(codePoint))
                    << "no glyph for U+" << std::hex << static_cast<unsigned>(codePoint)
                    << " in " << text;
        }
    }
}

} // namespace
