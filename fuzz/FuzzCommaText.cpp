// Comma text, the form the text list reads name=value lists in: any input
// reads without a fault, and what it reads writes back into a text that
// reads as the same items.
#include "platform/system/TStringList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    platform::TStringList items;
    items.SetCommaText(text);
    platform::TStringList again;
    again.SetCommaText(items.CommaText());
    if (!(again == items))
        std::abort();
    return 0;
}
