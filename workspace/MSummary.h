// The summary of a measuring document: the results of every shape and
// relation as a table of text lines, built afresh for each reader (the
// summary window, the export file and the printed page) and never kept.
//
// Shapes come grouped by kind, each group a header line of the result names
// and one line of values per shape; text marks are left out. Relations follow,
// each kind after an empty separator line, with a one-cell header (the
// relation type) and rows of "name:value" cells after the relation's name.
// Every line ends with "\n"; a cell is its text padded to 20 columns and a
// tab. The values are the unit converter's texts, with or without unit names
// as its show-unit flag says.
#pragma once

#include <string>
#include <vector>

class MDocument;
class MRelation;
class MRuleTool;
class MShape;

// The width the cells are padded to, in screen columns.
inline constexpr int SUMMARY_CELL_COLUMNS = 20;

// Ordered by kind, then serial number, then list order.
std::vector<MShape*> SortShapesForSummary(std::vector<MShape*> shapes);
// Ordered by kind, then the first shape's number, then the second shape's,
// then list order.
std::vector<MRelation*> SortRelationsForSummary(std::vector<MRelation*> relations);

// The summary lines of the document's listed shapes and relations.
std::vector<std::string> BuildSummaryText(const MDocument& document);

// The lines one after the other, as the export file holds them.
std::string JoinSummaryLines(const std::vector<std::string>& lines);

// Writes the summary without unit names to `path`, replacing the file whole
// or leaving it as it was. Throws platform::FileWriteError naming the file.
// The text starts with the UTF-8 byte-order mark, by which spreadsheet
// programs know it from text in the local 8-bit code page; an empty summary
// gives an empty file.
// The converter's show-unit flag is as before on every path.
void ExportSummaryFile(const MDocument& document, MRuleTool& ruleTool, const std::string& path);

// Hides the unit names of the converter's texts while it lives.
class MUnitNamesHidden {
public:
    explicit MUnitNamesHidden(MRuleTool& ruleTool);
    ~MUnitNamesHidden();
    MUnitNamesHidden(const MUnitNamesHidden&) = delete;
    MUnitNamesHidden& operator=(const MUnitNamesHidden&) = delete;

private:
    MRuleTool& ruleTool;
    bool shown;
};
