// Feeds arbitrary bytes to the workbook reader: a compound file holding a
// BIFF 5 or 8 workbook stream, or the BIFF records of a BIFF 3 or 4
// worksheet. The reader must answer or raise EngineError (3274), never
// crash, hang or read past the bytes.

#include "platform/jet/EngineError.h"
#include "platform/jet/FormatTables.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        jet::formats::ParseWorkbook(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xls");
    } catch (const jet::EngineError&) {
    }
    return 0;
}
