// The compound document file of the old office formats (version 3: sectors
// of 512 bytes), written with one stream in its root storage: the container
// of the Excel 5.0 and 8.0 workbooks ("Book" and "Workbook" streams).
//
// The stream is padded with zero bytes to at least 4096 bytes, so that it
// lives in regular sectors and the file needs no mini stream; the readers of
// the workbook stream stop at its last record. Large streams get the extra
// allocation-table index sectors the format has for them.
#pragma once

#include <string>
#include <string_view>

namespace jet::exporting {

// The bytes of a compound file holding `stream` under `streamName` (ASCII,
// at most 31 characters).
std::string BuildCompoundFile(std::string_view streamName, std::string_view stream);

} // namespace jet::exporting
