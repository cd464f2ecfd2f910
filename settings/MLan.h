// The one string table of the user interface. It holds 312 numbered text
// slots in the current language; every form copies fixed slots into its
// captions, menus, hints and messages, and every shape takes the names of its
// quantities from it. The slot numbers are the interface to every form and
// never change meaning. Beside the slots it holds the few messages of this
// program that no slot has words for. The texts are built into the program (settings/
// MLanEnglish.cpp, MLanChineseSimplified.cpp, MLanChineseTraditional.cpp),
// all UTF-8; there is no language file.
#pragma once

#include <array>
#include <string>

// Interface language codes, stored by the main window as option 551.
constexpr int LAN_ENGLISH = 1;
constexpr int LAN_CHINESE_SIMPLIFIED = 2; // the language before settings are loaded
constexpr int LAN_CHINESE_TRADITIONAL = 3;

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

// Messages of the program that the string table has no slot for, read as
// Messages[k]: their words in the current language, "%1" standing for the
// file or printer named. The system's reason for a failure may follow one,
// after ": ", in the system's own words.
constexpr int MSG_CANNOT_WRITE_FILE = 1;    // "Cannot write \"%1\""
constexpr int MSG_CANNOT_SAVE_PICTURE = 2;  // "Cannot save picture \"%1\""
constexpr int MSG_CANNOT_PRINT = 3;         // "Cannot print to \"%1\"."
constexpr int MSG_SETTINGS_BUSY = 4;        // "\"%1\" is in use by another program: settings will not be saved"
constexpr int MSG_CANNOT_SAVE_SETTINGS = 5; // "Cannot save settings in \"%1\""

class MLanMessages {
public:
    static constexpr int MessageCount = 5;

    // Throws std::out_of_range for a number outside 1..MessageCount.
    const std::string& operator[](int message) const;

private:
    friend class MLan;
    std::array<std::string, MessageCount + 1> texts; // 0 unused
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

    // Assigns every slot and message from the built-in tables of the
    // current language; leaves them as they are when the code is not 1, 2
    // or 3.
    void LoadTexts();

    int GetLanguage() const { return Language; }
    // Message `message` with `name` in place of "%1", followed by ": " and
    // the reason when one is given.
    std::string Message(int message, const std::string& name, const std::string& reason = "") const;

    // The locale of the texts: "en", "zh_CN" or "zh_TW" (English for a code
    // that loads no texts).
    std::string LocaleName() const;

    MLanTexts Texts;
    MLanMessages Messages;

private:
    MLan();

    int Language = LAN_CHINESE_SIMPLIFIED;
};
