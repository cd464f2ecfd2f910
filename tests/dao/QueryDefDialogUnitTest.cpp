#include "dao/QueryDefDialogUnit.h"

#include "tests/support/ModalAnswers.h"

#include <QFontMetricsF>
#include <QLineEdit>
#include <QStyle>

#include <gtest/gtest.h>

namespace {

using platform::TStringList;

QString Cell(const TQueryDefDialog& dialog, int row, int column)
{
    const QTableWidgetItem* item = dialog.StringGrid1->item(row, column);
    return item ? item->text() : QString();
}

TEST(QueryDefDialogUnit, GridShowsTheParametersAndOkAnswersTheirValuesWithNullForEmpty)
{
    TQueryDefDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Enter QueryDef Parameters");
    EXPECT_EQ(dialog.size(), QSize(538, 216));
    TStringList names{"Low", "Name"};
    TStringList daoTypes{"dbLong", "dbText"};
    TStringList bdeTypes{"ftInteger", "ftString"};
    TStringList values{"5"};
    ModalAnswers answers({[&](QWidget*) {
        EXPECT_EQ(dialog.StringGrid1->rowCount(), 8);
        EXPECT_EQ(dialog.StringGrid1->columnWidth(0), 36);
        EXPECT_EQ(Cell(dialog, 0, 4), " Parameter Value");
        EXPECT_EQ(Cell(dialog, 2, 0), " 2");
        EXPECT_EQ(Cell(dialog, 2, 1), " Name");
        EXPECT_EQ(Cell(dialog, 1, 2), " dbLong");
        EXPECT_EQ(Cell(dialog, 1, 3), " ftInteger");
        EXPECT_FALSE(dialog.StringGrid1->item(1, 1)->flags() & Qt::ItemIsEditable);
        EXPECT_EQ(dialog.ValueEditor(1)->text(), "5");
        EXPECT_EQ(dialog.ValueEditor(2)->text(), "");
        dialog.ValueEditor(1)->setText("7");
        dialog.Button1->click();
    }});
    EXPECT_TRUE(dialog.Execute(names, daoTypes, bdeTypes, values));
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_EQ(values, (TStringList{"7", "NULL"}));
    // The caller's lists carry the leading blank.
    EXPECT_EQ(names, (TStringList{" Low", " Name"}));
    EXPECT_EQ(bdeTypes, (TStringList{" ftInteger", " ftString"}));
}

TEST(QueryDefDialogUnit, CancelKeepsTheValues)
{
    TQueryDefDialog dialog;
    TStringList names{"A"}, daoTypes{"dbText"}, bdeTypes{"ftString"}, values{"old"};
    ModalAnswers answers({[&](QWidget*) {
        dialog.ValueEditor(1)->setText("new");
        dialog.Button2->click();
    }});
    EXPECT_FALSE(dialog.Execute(names, daoTypes, bdeTypes, values));
    EXPECT_EQ(values, TStringList{"old"});
}

TEST(QueryDefDialogUnit, AClickCutsTheRowsBelowTheParametersAndManyParametersGetRows)
{
    TQueryDefDialog dialog;
    TStringList names{"A"}, daoTypes{"dbText"}, bdeTypes{"ftString"}, values;
    int rowsAfterClick = 0;
    {
        ModalAnswers answers({[&](QWidget*) {
            dialog.StringGrid1Click();
            rowsAfterClick = dialog.StringGrid1->rowCount();
            dialog.Button1->click();
        }});
        EXPECT_TRUE(dialog.Execute(names, daoTypes, bdeTypes, values));
    }
    EXPECT_EQ(rowsAfterClick, 2);

    TQueryDefDialog many;
    TStringList tenNames, tenDao, tenBde, tenValues;
    for (int i = 0; i < 10; ++i) {
        tenNames.Add("P" + std::to_string(i));
        tenDao.Add("dbLong");
        tenBde.Add("ftInteger");
        tenValues.Add(std::to_string(i));
    }
    ModalAnswers answerMany({[&](QWidget*) {
        EXPECT_EQ(many.StringGrid1->rowCount(), 11);
        many.Button1->click();
    }});
    EXPECT_TRUE(many.Execute(tenNames, tenDao, tenBde, tenValues));
    EXPECT_EQ(tenValues.Count(), 10);
    EXPECT_EQ(tenValues[9], "9");
}

TEST(QueryDefDialogUnit, EveryHeaderIsReadableAndTheGridKeepsItsWidth)
{
    TQueryDefDialog dialog;
    TStringList names{"From"}, daoTypes{"dbDate"}, bdeTypes{"ftDateTime"}, values;
    ModalAnswers answers({[&](QWidget*) {
        const QTableWidget& grid = *dialog.StringGrid1;
        const QFontMetricsF metrics(grid.font());
        const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
        int total = 0;
        for (int column = 0; column < grid.columnCount(); ++column) {
            EXPECT_LE(metrics.horizontalAdvance(Cell(dialog, 0, column)) + 2 * margin,
                      grid.visualItemRect(grid.item(0, column)).width())
                << "header " << column << " is cut short";
            total += grid.columnWidth(column);
        }
        EXPECT_EQ(grid.columnWidth(0), 36);
        EXPECT_LE(total, grid.viewport()->width()) << "no sideways scrolling";
        dialog.Button2->click();
    }});
    dialog.Execute(names, daoTypes, bdeTypes, values);
    EXPECT_TRUE(answers.AllAnswered());
}

} // namespace
