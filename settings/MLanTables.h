// The built-in texts of the string table, one table per language. Each table
// lists every slot from 1 to 312 once, in order, so a language switch leaves
// no slot holding the previous language; the defining files check this when
// they compile.
#pragma once

#include <array>
#include <string_view>

struct MLanEntry {
    int slot; // or the number of a message
    std::string_view text; // UTF-8
};

using MLanTable = std::array<MLanEntry, 312>;

// The program's own messages, MSG_... of MLan.h, listed by number in the
// same way.
using MLanMessageTable = std::array<MLanEntry, 5>;

// True when the table holds numbers 1, 2, ..., N in this order.
template <std::size_t N>
constexpr bool ListsEveryNumberOnceInOrder(const std::array<MLanEntry, N>& table)
{
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].slot != static_cast<int>(i) + 1)
            return false;
    return true;
}

extern const MLanTable MLanEnglish;
extern const MLanTable MLanChineseSimplified;
extern const MLanTable MLanChineseTraditional;
extern const MLanMessageTable MLanEnglishMessages;
extern const MLanMessageTable MLanChineseSimplifiedMessages;
extern const MLanMessageTable MLanChineseTraditionalMessages;
