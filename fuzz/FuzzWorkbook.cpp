// Feeds arbitrary bytes to the workbook reader: a compound file holding a
// BIFF 5 or 8 workbook stream, or the BIFF records of a BIFF 3 or 4
// worksheet. The reader must answer or raise EngineError (3274), never
// crash, hang or read past the bytes. A workbook it reads is then written
// back as a changed workbook's other sheets are, cell for cell with its
// named ranges: the writer must not crash on what the reader let through,
// and what it writes must read again (it aborts when it does not).

#include "platform/jet/EngineError.h"
#include "platform/jet/ExportFormats.h"
#include "platform/jet/FormatTables.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    jet::formats::Workbook book;
    try {
        book = jet::formats::ReadWorkbook(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xls");
    } catch (const jet::EngineError&) {
        return 0;
    }
    std::vector<jet::exporting::SheetContents> sheets;
    for (const jet::formats::WorkbookSheet& sheet : book.Sheets)
        sheets.push_back({sheet.Name, nullptr, &sheet.Cells});
    std::string written;
    try {
        written = jet::exporting::WriteWorkbook(book.Version, sheets, book.Ranges);
    } catch (const jet::EngineError&) {
        return 0;  // more sheets than a worksheet file of BIFF 3 or 4 holds
    }
    try {
        jet::formats::ReadWorkbook(written, "written.xls");
    } catch (const jet::EngineError&) {
        std::abort();
    }
    return 0;
}
