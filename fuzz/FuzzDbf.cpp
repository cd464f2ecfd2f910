// Feeds arbitrary bytes to the dBase and FoxPro table reader as a table file
// and its memo file: the first two bytes give the table part's length, the
// rest after it is the memo file. The reader must answer or raise
// EngineError (3274), never crash, hang or read past either part.

#include "fuzz/FuzzInput.h"
#include "platform/jet/EngineError.h"
#include "platform/jet/FormatTables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parts = fuzzinput::TwoParts(data, size);
    if (!parts)
        return 0;
    try {
        jet::formats::ParseDbf(parts->first, parts->second, "fuzz.dbf");
    } catch (const jet::EngineError&) {
    }
    return 0;
}
