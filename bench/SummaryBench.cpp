// The summary of a large document: 10,000 shapes (points, lines and circles)
// and 1,000 point-point relations, built as text lines and exported to a
// file without unit names, calibrated in mm.
//   cmake --build build-bench --target summary_bench && build-bench/bench/summary_bench
// (configured as bench/CMakeLists.txt says). Must stay under 100 ms.
#include "bench/QtBenchmarkMain.h"
#include "settings/MParam.h"
#include "shapes/MCircle.h"
#include "shapes/MDocument.h"
#include "shapes/MLine.h"
#include "shapes/MPoint.h"
#include "shapes/MRelation.h"
#include "shapes/MRuleTool.h"
#include "workspace/MSummary.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kShapes = 10000;
constexpr int kRelations = 1000;

void FillDocument(MDocument& document)
{
    std::vector<MShape*> points;
    for (int i = 0; i < kShapes; ++i) {
        const int x = (i * 379) % 2400 + 50;
        const int y = (i * 211) % 1800 + 50;
        switch (i % 3) {
        case 0: points.push_back(document.AddShape(MPoint::Create(nullptr, x, y))); break;
        case 1: document.AddShape(MLine::Create(nullptr, x, y, x + (i % 97) + 1, y + (i % 89))); break;
        default: document.AddShape(MCircle::Create(nullptr, {x, y, x + 2 * (i % 50) + 2, y + 2 * (i % 50) + 2}));
        }
    }
    // Relations between points far apart in the list, so sorting them matters.
    for (int i = 0; i < kRelations; ++i)
        document.AddRelation(MRelation::Create(points[i], points[points.size() - 1 - i], nullptr));
}

void BuildAndExportSummary(benchmark::State& state)
{
    MParam* param = MParam::GetInstance();
    param->SetDouble(OPT_RULE_SCALE, 0.0123, false);
    param->SetText(OPT_RULE_UNIT, "mm", false);
    MDocument document;
    FillDocument(document);
    QTemporaryDir folder;
    const std::string path = folder.filePath("Summary.xls").toStdString();
    std::size_t lines = 0;
    for (auto _ : state) {
        lines = BuildSummaryText(document).size();
        ExportSummaryFile(document, *MRuleTool::GetInstance(), path);
    }
    state.counters["lines"] = double(lines);
}
BENCHMARK(BuildAndExportSummary)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    return RunQtBenchmarks(argc, argv);
}
