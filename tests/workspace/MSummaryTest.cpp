// The summary of a document as text lines and as the exported file.
#include "tests/shapes/ShapeTestSupport.h"

#include "platform/system/AtomicFile.h"
#include "shapes/MDocument.h"
#include "shapes/MLine.h"
#include "shapes/MMark.h"
#include "shapes/MPoint.h"
#include "shapes/MRelation.h"
#include "workspace/MSummary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace {

class MSummaryTest : public ShapeFixture {
protected:
    MShape* AddPoint(int x, int y) { return document.AddShape(MPoint::Create(nullptr, x, y)); }
    MShape* AddLine(TPoint a, TPoint b) { return document.AddShape(MLine::Create(nullptr, a.x, a.y, b.x, b.y)); }
    MRelation* Relate(MShape* a, MShape* b) { return document.AddRelation(MRelation::Create(a, b, nullptr)); }

    // Two points 50 px apart, a line 50 px long and the relation of the points.
    void MakeSmallDocument()
    {
        MShape* p1 = AddPoint(10, 10);
        MShape* p2 = AddPoint(40, 50);
        AddLine({0, 0}, {30, 40});
        Relate(p1, p2);
    }

    std::string Text() const { return JoinSummaryLines(BuildSummaryText(document)); }

    // The first cell of every line, blanks and tabs cut off.
    std::vector<std::string> FirstCells() const
    {
        std::vector<std::string> cells;
        for (const std::string& line : BuildSummaryText(document)) {
            const std::string cell = line.substr(0, line.find_first_of(" \t\n"));
            cells.push_back(cell);
        }
        return cells;
    }

    MDocument document;
};

TEST_F(MSummaryTest, SmallDocumentGivesTheTableBytesInPixels)
{
    MakeSmallDocument();
    const std::vector<std::string> expected{
        "Point               \t\n",
        "P1                  \t\n",
        "P2                  \t\n",
        "\n",
        "Line                \tLength              \t\n",
        "L1                  \t50 px               \t\n",
        "\n",
        "Point Point Relation\t\n",
        "P1 P2               \tDistance:50 px\t\n",
    };
    EXPECT_EQ(BuildSummaryText(document), expected);
}

TEST_F(MSummaryTest, CalibratedValuesCarryTheUnitAndTheExportPlainNumbers)
{
    MakeSmallDocument();
    Calibrate(0.01, "mm");
    EXPECT_EQ(Text(), "Point               \t\n"
                      "P1                  \t\n"
                      "P2                  \t\n"
                      "\n"
                      "Line                \tLength              \t\n"
                      "L1                  \t0.5 mm              \t\n"
                      "\n"
                      "Point Point Relation\t\n"
                      "P1 P2               \tDistance:0.5 mm\t\n");

    QTemporaryDir folder;
    const std::string path = folder.filePath("Summary.xls").toStdString();
    ExportSummaryFile(document, *MRuleTool::GetInstance(), path);
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), "\xEF\xBB\xBF"
                                            "Point               \t\n"
                                            "P1                  \t\n"
                                            "P2                  \t\n"
                                            "\n"
                                            "Line                \tLength              \t\n"
                                            "L1                  \t0.5                 \t\n"
                                            "\n"
                                            "Point Point Relation\t\n"
                                            "P1 P2               \tDistance:0.5\t\n");
    EXPECT_TRUE(MRuleTool::GetInstance()->GetShowUnit()) << "unit names are back after the export";
}

TEST_F(MSummaryTest, GroupsFollowKindThenNumberWhateverTheDrawingOrder)
{
    // Drawn: a line, a point, a second line, a point; then the first line is
    // deleted and a new line takes its free number 1 at the end of the list.
    MShape* firstLine = AddLine({0, 0}, {10, 0});
    MShape* p1 = AddPoint(5, 5);
    AddLine({0, 20}, {10, 20});
    MShape* p2 = AddPoint(15, 15);
    ASSERT_TRUE(document.DeleteShape(firstLine));
    MShape* l1 = AddLine({0, 40}, {10, 40});
    ASSERT_EQ(l1->number, 1);
    MShape* p3 = AddPoint(25, 25);
    // Relations made P3-P1, then L1 with P2, then P2-P1.
    Relate(p3, p1);
    Relate(p2, l1);
    Relate(p2, p1);

    EXPECT_EQ(FirstCells(), (std::vector<std::string>{"Point", "P1", "P2", "P3", "", "Line", "L1", "L2", "",
                                                       "Point", "P1", "P1", "", "Point", "P2"}));
    const std::vector<std::string> lines = BuildSummaryText(document);
    EXPECT_EQ(lines[10].substr(0, 5), "P1 P2") << "P1-P2 before P1-P3";
    EXPECT_EQ(lines[11].substr(0, 5), "P1 P3");
    EXPECT_EQ(lines[13], "Point Line Relation \t\n");
    EXPECT_EQ(lines[14].substr(0, 5), "P2 L1");
    // The document's own lists keep their order.
    EXPECT_EQ(document.ShapeList()[0]->GetDisplayName(), "P1");
    EXPECT_EQ(document.ShapeList()[1]->GetDisplayName(), "L2");
}

TEST_F(MSummaryTest, EmptyAndMarkOnlyDocumentsGiveNoLines)
{
    EXPECT_TRUE(BuildSummaryText(document).empty());
    auto mark = std::make_unique<MMark>(nullptr);
    mark->FinishCreate();
    document.AddShape(std::move(mark));
    EXPECT_TRUE(BuildSummaryText(document).empty()) << "text marks are never listed";

    // Nothing to read: the file is empty, without even a byte-order mark.
    QTemporaryDir folder;
    const QString path = folder.filePath("Summary.xls");
    ExportSummaryFile(document, *MRuleTool::GetInstance(), path.toStdString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), 0);
}

TEST_F(MSummaryTest, RelationsOnlyStartWithASeparator)
{
    MShape* p1 = AddPoint(10, 10);
    MShape* p2 = AddPoint(40, 50);
    Relate(p1, p2);
    // The points are there too; the relation group always opens with "\n".
    const std::vector<std::string> lines = BuildSummaryText(document);
    ASSERT_EQ(lines.size(), 6U);
    EXPECT_EQ(lines[3], "\n");
}

TEST_F(MSummaryTest, WideNamesArePaddedByColumns)
{
    MLan::GetInstance()->SetLanguage(LAN_CHINESE_SIMPLIFIED);
    AddLine({0, 0}, {30, 40});
    // 直线 takes four columns, 长度 four: sixteen blanks each.
    EXPECT_EQ(BuildSummaryText(document).front(), "直线                \t长度                \t\n");

    MLan::GetInstance()->SetLanguage(LAN_ENGLISH);
    MShape* p1 = AddPoint(10, 10);
    MShape* p2 = AddPoint(40, 50);
    Relate(p1, p2);
    // The relation's values are not padded, however long.
    EXPECT_EQ(BuildSummaryText(document).back(), "P1 P2               \tDistance:50 px\t\n");
}

TEST_F(MSummaryTest, FailedExportReportsTheFileAndLeavesUnitNamesShown)
{
    MakeSmallDocument();
    QTemporaryDir folder;
    const std::string path = folder.filePath("missing/Summary.xls").toStdString();
    try {
        ExportSummaryFile(document, *MRuleTool::GetInstance(), path);
        FAIL() << "no error for a folder that does not exist";
    } catch (const platform::FileWriteError& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    EXPECT_TRUE(MRuleTool::GetInstance()->GetShowUnit());
}

} // namespace
