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

const MLanMessageTable* MessagesOf(int language)
{
    switch (language) {
    case LAN_ENGLISH:
        return &MLanEnglishMessages;
    case LAN_CHINESE_SIMPLIFIED:
        return &MLanChineseSimplifiedMessages;
    case LAN_CHINESE_TRADITIONAL:
        return &MLanChineseTraditionalMessages;
    default:
        return nullptr;
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
    const MLanTable* table = TableOf(Language);
    const MLanMessageTable* messages = MessagesOf(Language);
    if (!table || !messages)
        return;
    for (const MLanEntry& entry : *table)
        Texts.texts[static_cast<std::size_t>(entry.slot)] = entry.text;
    for (const MLanEntry& entry : *messages)
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
