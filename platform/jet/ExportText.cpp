// The two text formats: delimited text ("Text") and an HTML table ("HTML
// Export"). Both are UTF-8.
//
// Delimited text keeps the old text driver's layout: a header line of the
// column names, then one line per row, fields separated by ",", lines ended
// by CR LF; names and texts in double quotes with a double quote inside
// doubled, other values bare (ValueText), Null as nothing between the
// commas. The table name stands for the file name with "#" for "." (the
// brackets of the statement could not hold a dot): [data#csv] writes
// data.csv, [data] data.txt.
#include "platform/jet/ExportFormats.h"

#include "platform/jet/EngineError.h"
#include "platform/jet/Recordset.h"

#include <filesystem>

namespace jet::exporting {
namespace {

std::string Quoted(std::string_view text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

class TextFormat : public InstallableFormat {
public:
    long Export(const ExportTarget& target, Recordset& rows) override
    {
        CheckFileName(target.TableName);
        CheckFolder(target.Path);
        std::string fileName = target.TableName;
        for (char& c : fileName)
            if (c == '#')
                c = '.';
        const std::string path = TargetPath(target.Path, fileName, ".txt");
        RefuseExisting(path, target.TableName);

        const Table table = ReadTable(rows);
        std::string text;
        for (std::size_t c = 0; c < table.Columns.size(); ++c)
            text += (c ? "," : "") + Quoted(table.Columns[c].Name);
        text += "\r\n";
        for (const auto& row : table.Rows) {
            for (std::size_t c = 0; c < row.size(); ++c) {
                if (c)
                    text += ',';
                const Variant& value = row[c];
                if (value.IsClear())
                    continue;
                if (value.VarType() == varString || value.IsArray())
                    text += Quoted(ValueText(value));
                else
                    text += ValueText(value);
            }
            text += "\r\n";
        }
        WriteTargetFiles({{path, text}});
        return static_cast<long>(table.Rows.size());
    }
};

std::string HtmlEscaped(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            escaped += "<BR>";
            break;
        case '\n': escaped += "<BR>"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// An HTML page holding one table: the title and caption are the file name
// without its extension, a header row of the column names, one row per
// record; Null is an empty cell.
class HtmlFormat : public InstallableFormat {
public:
    long Export(const ExportTarget& target, Recordset& rows) override
    {
        CheckFileName(target.TableName);
        CheckFolder(target.Path);
        const std::string path = TargetPath(target.Path, target.TableName, ".html");
        RefuseExisting(path, target.TableName);

        const Table table = ReadTable(rows);
        const std::string title = HtmlEscaped(std::filesystem::path(target.TableName).stem().string());
        std::string html = "<HTML>\r\n<HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                           "charset=utf-8\">\r\n<TITLE>"
            + title + "</TITLE>\r\n</HEAD>\r\n<BODY>\r\n<TABLE BORDER=1 BGCOLOR=#ffffff CELLSPACING=0>\r\n<CAPTION><B>"
            + title + "</B></CAPTION>\r\n<THEAD>\r\n<TR>\r\n";
        for (const Column& column : table.Columns)
            html += "<TH BGCOLOR=#c0c0c0>" + HtmlEscaped(column.Name) + "</TH>\r\n";
        html += "</TR>\r\n</THEAD>\r\n<TBODY>\r\n";
        for (const auto& row : table.Rows) {
            html += "<TR VALIGN=TOP>\r\n";
            for (std::size_t c = 0; c < row.size(); ++c) {
                const bool alignRight = !row[c].IsClear() && row[c].VarType() != varString && !row[c].IsArray()
                    && !IsDateColumn(table.Columns[c].Type);
                html += alignRight ? "<TD ALIGN=RIGHT>" : "<TD>";
                html += HtmlEscaped(ValueText(row[c])) + "</TD>\r\n";
            }
            html += "</TR>\r\n";
        }
        html += "</TBODY>\r\n<TFOOT></TFOOT>\r\n</TABLE>\r\n</BODY>\r\n</HTML>\r\n";
        WriteTargetFiles({{path, html}});
        return static_cast<long>(table.Rows.size());
    }
};

} // namespace

std::shared_ptr<InstallableFormat> MakeTextFormat()
{
    return std::make_shared<TextFormat>();
}

std::shared_ptr<InstallableFormat> MakeHtmlFormat()
{
    return std::make_shared<HtmlFormat>();
}

} // namespace jet::exporting
