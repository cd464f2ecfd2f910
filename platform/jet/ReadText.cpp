// The delimited text reader (see FormatTables.h).
#include "platform/jet/FormatTables.h"

#include "platform/jet/Collection.h"
#include "platform/jet/Constants.h"
#include "platform/jet/EngineError.h"
#include "platform/system/DateTime.h"
#include "platform/system/TextEncoding.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace jet::formats {
namespace {

struct Cell {
    std::string Text;
    bool Quoted = false;
};

// Splits the text into lines of cells. A quoted cell may hold the
// delimiter, line breaks and doubled quotes.
std::vector<std::vector<Cell>> SplitCells(std::string_view text, const std::string& file)
{
    std::vector<std::vector<Cell>> lines;
    std::vector<Cell> line;
    Cell cell;
    bool cellExists = false;
    std::size_t i = 0;
    const auto endCell = [&] {
        line.push_back(std::move(cell));
        cell = Cell();
        cellExists = false;
    };
    const auto endLine = [&] {
        if (cellExists || !line.empty())
            endCell();
        if (!line.empty())
            lines.push_back(std::move(line));
        line.clear();
    };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"' && cell.Text.empty() && !cell.Quoted) {
            cell.Quoted = cellExists = true;
            ++i;
            bool closed = false;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        cell.Text += '"';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                cell.Text += text[i++];
            }
            if (!closed)
                Damaged(file, "a quoted value without its closing quote");
            // Anything between the closing quote and the delimiter belongs to the value.
            while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
                cell.Text += text[i++];
            continue;
        }
        if (c == ',') {
            endCell();
            cellExists = true;  // the next cell exists, even if it stays empty
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            endLine();
            i += c == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
            continue;
        }
        cell.Text += c;
        cellExists = true;
        ++i;
    }
    endLine();
    return lines;
}

bool WholeNumber(std::string_view text, std::int64_t& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool Number(std::string_view text, double& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool Boolean(std::string_view text, bool& value)
{
    if (SameName(text, "True") || SameName(text, "False")) {
        value = SameName(text, "True");
        return true;
    }
    return false;
}

// The type every bare value of a column reads as; texts when any value is
// quoted or fits no other type.
int ColumnType(const std::vector<std::vector<Cell>>& lines, std::size_t column, std::size_t& longest)
{
    bool whole = true, number = true, boolean = true, date = true, any = false, quoted = false;
    longest = 0;
    for (std::size_t r = 1; r < lines.size(); ++r) {
        if (column >= lines[r].size())
            continue;
        const Cell& cell = lines[r][column];
        longest = std::max(longest, cell.Text.size());
        if (cell.Text.empty() && !cell.Quoted)
            continue;
        any = true;
        if (cell.Quoted) {
            quoted = true;
            continue;
        }
        std::int64_t integer = 0;
        double real = 0;
        bool flag = false;
        platform::TDateTime when = 0;
        whole = whole && WholeNumber(cell.Text, integer) && integer >= std::numeric_limits<std::int32_t>::min()
            && integer <= std::numeric_limits<std::int32_t>::max();
        number = number && Number(cell.Text, real);
        boolean = boolean && Boolean(cell.Text, flag);
        date = date && platform::TryStrToDateTime(cell.Text, when);
    }
    if (!any || quoted)
        return longest > 255 ? dbMemo : dbText;
    if (whole)
        return dbLong;
    if (number)
        return dbDouble;
    if (boolean)
        return dbBoolean;
    if (date)
        return dbDate;
    return longest > 255 ? dbMemo : dbText;
}

Variant CellValue(const Cell& cell, int type)
{
    if (cell.Text.empty() && !cell.Quoted)
        return Variant::Null();
    switch (type) {
    case dbLong: {
        std::int64_t value = 0;
        WholeNumber(cell.Text, value);
        return Variant(static_cast<int>(value));
    }
    case dbDouble: {
        double value = 0;
        Number(cell.Text, value);
        return Variant(value);
    }
    case dbBoolean: {
        bool value = false;
        Boolean(cell.Text, value);
        return Variant(value);
    }
    case dbDate: {
        platform::TDateTime value = 0;
        platform::TryStrToDateTime(cell.Text, value);
        return Variant::Date(value);
    }
    default: return Variant(cell.Text);
    }
}

} // namespace

TableData ParseDelimitedText(std::string_view bytes, const std::string& file)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    const std::string text = platform::IsValidUtf8(bytes) ? std::string(bytes)
                                                          : platform::ConvertText(bytes, "CP1252", "UTF-8");
    const std::vector<std::vector<Cell>> lines = SplitCells(text, file);
    if (lines.empty())
        Damaged(file, "no line naming the fields");
    TableData data;
    const std::vector<Cell>& header = lines.front();
    for (std::size_t c = 0; c < header.size(); ++c) {
        catalog::ColumnDef column;
        column.Id = static_cast<int>(c) + 1;
        column.Name = header[c].Text;
        // A name the text driver cannot take becomes F1, F2, ... as it named them.
        column.Name = ColumnName(column.Name, data.Definition.Columns, "F" + std::to_string(c + 1));
        std::size_t longest = 0;
        column.Type = ColumnType(lines, c, longest);
        column.Size = column.Type == dbText ? 255 : 0;
        data.Definition.Columns.push_back(std::move(column));
    }
    for (std::size_t r = 1; r < lines.size(); ++r) {
        std::vector<Variant> row;
        for (std::size_t c = 0; c < header.size(); ++c)
            row.push_back(c < lines[r].size() ? CellValue(lines[r][c], data.Definition.Columns[c].Type)
                                              : Variant::Null());
        data.Rows.push_back(std::move(row));
    }
    return data;
}

} // namespace jet::formats
