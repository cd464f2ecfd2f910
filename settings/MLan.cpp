#include "settings/MLan.h"

#include "settings/MLanTables.h"

#include <memory>
#include <stdexcept>

static_assert(std::tuple_size_v<MLanTable> == MLanTexts::SlotCount);
static_assert(std::tuple_size_v<MLanMessageTable> == MLanMessages::MessageCount);

const std::string& MLanTexts::operator[](int slot) const
{
    if (slot < 1 || slot > SlotCount)
        throw std::out_of_range("No interface text slot " + std::to_string(slot));
    return texts[static_cast<std::size_t>(slot)];
}

const std::string& MLanMessages::operator[](int message) const
{
    if (message < 1 || message > MessageCount)
        throw std::out_of_range("No interface message " + std::to_string(message));
    return texts[static_cast<std::size_t>(message)];
}

namespace {

std::unique_ptr<MLan>& Instance()
{
    static std::unique_ptr<MLan> instance;
    return instance;
}

// The built-in texts and messages of a language; null for an unknown code.
struct MLanLanguage {
    const MLanTable* texts;
    const MLanMessageTable* messages;
};

MLanLanguage TablesOf(int language)
{
    switch (language) {
    case LAN_ENGLISH:
        return {&MLanEnglish, &MLanEnglishMessages};
    case LAN_CHINESE_SIMPLIFIED:
        return {&MLanChineseSimplified, &MLanChineseSimplifiedMessages};
    case LAN_CHINESE_TRADITIONAL:
        return {&MLanChineseTraditional, &MLanChineseTraditionalMessages};
    default:
        return {nullptr, nullptr};
    }
}

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
    const MLanLanguage tables = TablesOf(Language);
    if (!tables.texts || !tables.messages)
        return;
    for (const MLanEntry& entry : *tables.texts)
        Texts.texts[static_cast<std::size_t>(entry.slot)] = entry.text;
    for (const MLanEntry& entry : *tables.messages)
        Messages.texts[static_cast<std::size_t>(entry.slot)] = entry.text;
}

std::string MLan::Message(int message, const std::string& name, const std::string& reason) const
{
    std::string text = Messages[message];
    if (const std::size_t at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, name);
    if (!reason.empty())
        text += ": " + reason;
    return text;
}

std::string MLan::LocaleName() const
{
    switch (Language) {
    case LAN_CHINESE_SIMPLIFIED:
        return "zh_CN";
    case LAN_CHINESE_TRADITIONAL:
        return "zh_TW";
    default:
        return "en";
    }
}
