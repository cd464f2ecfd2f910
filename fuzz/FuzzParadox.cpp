// Feeds arbitrary bytes to the Paradox table reader as a table file and its
// blob file: the first two bytes give the table part's length, the rest
// after it is the blob file. Tables of Paradox 3 go through the reader's
// change of their header before pxlib reads them. The reader must answer
// or raise EngineError (3274), never crash, hang or read past either part.

#include "platform/jet/EngineError.h"
#include "platform/jet/FormatTables.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t tableSize = std::min<std::size_t>(size - 2, data[0] | (data[1] << 8));
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    try {
        jet::formats::ParseParadox(bytes.substr(0, tableSize), bytes.substr(tableSize), "fuzz.db");
    } catch (const jet::EngineError&) {
    }
    return 0;
}
