#include "workspace/MSummary.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/TextEncoding.h"
#include "shapes/MDocument.h"
#include "shapes/MRuleTool.h"

#include <algorithm>
#include <tuple>

namespace {

const std::string kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// A text as a cell: padded to the cell width, never cut, and a tab.
void AppendCell(std::string& line, const std::string& text)
{
    line += platform::PadToColumns(text, SUMMARY_CELL_COLUMNS);
    line += '\t';
}

void AddShapeLines(std::vector<std::string>& lines, const std::vector<MShape*>& shapes)
{
    bool first = true;
    int groupKind = 0;
    for (MShape* shape : shapes) {
        if (shape->GetKind() == KIND_MARK)
            continue;
        const std::vector<MItem>& results = shape->GetResults();
        if (first || shape->GetKind() != groupKind) {
            if (!first)
                lines.emplace_back("\n");
            std::string header;
            for (const MItem& item : results)
                AppendCell(header, item.name);
            lines.push_back(header + '\n');
            groupKind = shape->GetKind();
            first = false;
        }
        std::string row;
        for (const MItem& item : results)
            AppendCell(row, item.value);
        lines.push_back(row + '\n');
    }
}

void AddRelationLines(std::vector<std::string>& lines, const std::vector<MRelation*>& relations)
{
    bool first = true;
    int groupKind = 0;
    for (MRelation* relation : relations) {
        const std::vector<MItem>& results = relation->GetResults();
        if (first || relation->GetKind() != groupKind) {
            // A separator before every relation group, the first one too.
            lines.emplace_back("\n");
            std::string header;
            if (!results.empty())
                AppendCell(header, results.front().name);
            lines.push_back(header + '\n');
            groupKind = relation->GetKind();
            first = false;
        }
        std::string row;
        for (std::size_t i = 0; i < results.size(); ++i) {
            if (i == 0) {
                AppendCell(row, results[i].value);
            } else {
                row += results[i].name + ":" + results[i].value;
                row += '\t';
            }
        }
        lines.push_back(row + '\n');
    }
}

} // namespace

std::vector<MShape*> SortShapesForSummary(std::vector<MShape*> shapes)
{
    std::stable_sort(shapes.begin(), shapes.end(), [](const MShape* a, const MShape* b) {
        return std::tuple(a->GetKind(), a->number) < std::tuple(b->GetKind(), b->number);
    });
    return shapes;
}

std::vector<MRelation*> SortRelationsForSummary(std::vector<MRelation*> relations)
{
    const auto key = [](const MRelation* relation) {
        return std::tuple(relation->GetKind(), relation->shapeA->number, relation->shapeB->number);
    };
    std::stable_sort(relations.begin(), relations.end(),
                     [&key](const MRelation* a, const MRelation* b) { return key(a) < key(b); });
    return relations;
}

std::vector<std::string> BuildSummaryText(const MDocument& document)
{
    const auto& shapes = document.ShapeList();
    const auto& relations = document.RelationList();
    std::vector<std::string> lines;
    AddShapeLines(lines, SortShapesForSummary({shapes.begin(), shapes.end()}));
    AddRelationLines(lines, SortRelationsForSummary({relations.begin(), relations.end()}));
    return lines;
}

std::string JoinSummaryLines(const std::vector<std::string>& lines)
{
    std::size_t size = 0;
    for (const std::string& line : lines)
        size += line.size();
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines)
        text += line;
    return text;
}

void ExportSummaryFile(const MDocument& document, MRuleTool& ruleTool, const std::string& path)
{
    std::vector<std::string> lines;
    {
        const MUnitNamesHidden plainNumbers(ruleTool);
        lines = BuildSummaryText(document);
    }
    const std::string text = JoinSummaryLines(lines);
    platform::WriteFileAtomically(path, text.empty() ? text : kUtf8ByteOrderMark + text);
}

MUnitNamesHidden::MUnitNamesHidden(MRuleTool& converter)
    : ruleTool(converter)
    , shown(converter.GetShowUnit())
{
    ruleTool.SetShowUnit(false);
}

MUnitNamesHidden::~MUnitNamesHidden()
{
    ruleTool.SetShowUnit(shown);
}
