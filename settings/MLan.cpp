#include "settings/MLan.h"

#include "settings/MLanTables.h"

#include <memory>
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
}
