// Feeds arbitrary bytes to the delimited text reader as a text table. The
// reader must answer or raise EngineError (3274), never crash or hang.

#include "platform/jet/EngineError.h"
#include "platform/jet/FormatTables.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        jet::formats::ParseDelimitedText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.txt");
    } catch (const jet::EngineError&) {
    }
    return 0;
}
