// The one string table of the user interface. It holds 312 numbered text
// slots in the current language; every form copies fixed slots into its
// captions, menus, hints and messages, and every shape takes the names of its
// quantities from it. The slot numbers are the interface to every form and
// never change meaning. The texts are built into the program (settings/
// MLanEnglish.cpp, MLanChineseSimplified.cpp, MLanChineseTraditional.cpp),
// all UTF-8; there is no language file.
#pragma once

#include <array>
#include <string>

// Interface language codes, stored by the main window as option 551.
constexpr int LAN_ENGLISH = 1;
constexpr int LAN_CHINESE_SIMPLIFIED = 2; // the language before settings are loaded
constexpr int LAN_CHINESE_TRADITIONAL = 3;

// Texts of this program's own that no slot of the string table holds, read
// with MLan::OwnText in the current language. A status message puts a file
// name after one of them, behind ": ".
constexpr int LAN_TEXT_SETTINGS_BUSY = 1;      // the settings file is held by another program
constexpr int LAN_TEXT_SETTINGS_NOT_SAVED = 2; // the settings store refused a write

// The slots of the current language, read as Texts[k] with k from 1 to
// MLanTexts::SlotCount. Read-only for the forms: only MLan assigns them.
class MLanTexts {
public:
    static constexpr int SlotCount = 312;

    // Throws std::out_of_range for a slot outside 1..SlotCount, a programming
    // error that must not read past the table.
    const std::string& operator[](int slot) const;

private:
    friend class MLan;
    std::array<std::string, SlotCount + 1> texts; // slot 0 unused
};

class MLan {
public:
    // Created with every slot empty, then filled in Simplified Chinese, on
    // first call; the same object ever after.
    static MLan* GetInstance();

    // Test-only: puts the table back as first created, in place, so pointers
    // that forms keep stay valid and no test sees another test's language.
    static void ResetForTesting();

    // When `code` is already the current language: nothing, false. Otherwise
    // the code becomes current and the texts are loaded for it: true. An
    // unknown code is taken as current but keeps the texts of the last one.
    bool SetLanguage(int code);

    // Assigns every slot from the built-in table of the current language;
    // leaves every slot as it is when the code is not 1, 2 or 3.
    void LoadTexts();

    int GetLanguage() const { return Language; }

    // An own text (LAN_TEXT_...) in the language of the slots' texts.
    // Throws std::out_of_range for an unknown id, a programming error.
    std::string OwnText(int id) const;

    MLanTexts Texts;

private:
    MLan();

    int Language = LAN_CHINESE_SIMPLIFIED;
    // The language the slots were last loaded in (an unknown code keeps them).
    int TextsLanguage = LAN_CHINESE_SIMPLIFIED;
};
