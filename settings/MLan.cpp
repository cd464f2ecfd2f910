#include "settings/MLan.h"

#include "settings/MLanTables.h"

#include <memory>
#include <string_view>
#include <stdexcept>

static_assert(std::tuple_size_v<MLanTable> == MLanTexts::SlotCount);

const std::string& MLanTexts::operator[](int slot) const
{
    if (slot < 1 || slot > SlotCount)
        throw std::out_of_range("No interface text slot " + std::to_string(slot));
    return texts[static_cast<std::size_t>(slot)];
}

namespace {

std::unique_ptr<MLan>& Instance()
{
    static std::unique_ptr<MLan> instance;
    return instance;
}

const MLanTable* TableOf(int language)
{
    switch (language) {
    case LAN_ENGLISH:
        return &MLanEnglish;
    case LAN_CHINESE_SIMPLIFIED:
        return &MLanChineseSimplified;
    case LAN_CHINESE_TRADITIONAL:
        return &MLanChineseTraditional;
    default:
        return nullptr;
    }
}

// The program's own texts in the three languages, UTF-8.
struct OwnTexts {
    int Id;
    std::string_view English;
    std::string_view Simplified;
    std::string_view Traditional;
};

constexpr OwnTexts kOwnTexts[] = {
    {LAN_TEXT_SETTINGS_BUSY, "Settings are in use by another program and will not be saved",
     "设置文件正被其他程序占用，设置不会保存", "設定檔正被其他程式佔用，設定不會儲存"},
    {LAN_TEXT_SETTINGS_NOT_SAVED, "Settings cannot be saved", "设置无法保存", "設定無法儲存"},
};

} // namespace

MLan::MLan()
{
    LoadTexts();
}

MLan* MLan::GetInstance()
{
    std::unique_ptr<MLan>& instance = Instance();
    if (!instance)
        instance.reset(new MLan);
    return instance.get();
}

void MLan::ResetForTesting()
{
    std::unique_ptr<MLan>& instance = Instance();
    if (instance)
        *instance = MLan();
}

bool MLan::SetLanguage(int code)
{
    if (code == Language)
        return false;
    Language = code;
    LoadTexts();
    return true;
}

void MLan::LoadTexts()
{
    const MLanTable* table = TableOf(Language);
    if (!table)
        return;
    for (const MLanEntry& entry : *table)
        Texts.texts[static_cast<std::size_t>(entry.slot)] = entry.text;
    TextsLanguage = Language;
}

std::string MLan::OwnText(int id) const
{
    for (const OwnTexts& text : kOwnTexts) {
        if (text.Id != id)
            continue;
        switch (TextsLanguage) {
        case LAN_ENGLISH:
            return std::string(text.English);
        case LAN_CHINESE_TRADITIONAL:
            return std::string(text.Traditional);
        default:
            return std::string(text.Simplified);
        }
    }
    throw std::out_of_range("No own interface text " + std::to_string(id));
}
