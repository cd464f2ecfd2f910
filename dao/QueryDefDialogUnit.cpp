#include "dao/QueryDefDialogUnit.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/GuiTypes.h"

#include <QFontMetricsF>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace {

constexpr int GridRows = 8;
constexpr int RowHeight = 18;
const int ColumnWidths[] = {30, 134, 124, 120, 111};

} // namespace

TQueryDefDialog::TQueryDefDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setupUi(this);
    setFixedSize(538, 216);
    StringGrid1->setRowCount(GridRows);
    StringGrid1->verticalHeader()->setMinimumSectionSize(RowHeight);
    StringGrid1->verticalHeader()->setDefaultSectionSize(RowHeight);
    for (int column = 0; column < 5; ++column)
        StringGrid1->setColumnWidth(column, ColumnWidths[column]);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setFocus();
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(StringGrid1, &QTableWidget::cellClicked, this, [this] { StringGrid1Click(); });
}

void TQueryDefDialog::showEvent(QShowEvent* event)
{
    PlaceAtScreenCentre(this);
    QDialog::showEvent(event);
}

// Fixed cells (the header row and the first four columns) are not edited
// and have the window's colour.
void TQueryDefDialog::SetFixedCell(int row, int column, const std::string& text)
{
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsEnabled);
    item->setBackground(palette().window());
    StringGrid1->setItem(row, column, item);
}

QLineEdit* TQueryDefDialog::ValueEditor(int row) const
{
    return qobject_cast<QLineEdit*>(StringGrid1->cellWidget(row, 4));
}

bool TQueryDefDialog::Execute(platform::TStringList& names, platform::TStringList& daoTypes,
                              platform::TStringList& bdeTypes, platform::TStringList& values)
{
    StringGrid1->setColumnWidth(0, 36);
    ParamCount = names.Count();
    // A header row and seven parameter rows; more parameters get rows of
    // their own.
    StringGrid1->setRowCount(std::max(GridRows, ParamCount + 1));
    const char* headers[] = {" No:", " Parameter name", " Parameter DAO type", " Parameter BDE type",
                             " Parameter Value"};
    for (int column = 0; column < 5; ++column)
        SetFixedCell(0, column, headers[column]);
    FitColumnsToHeaders();
    for (platform::TStringList* list : {&names, &daoTypes, &bdeTypes})
        for (int i = 0; i < list->Count(); ++i)
            (*list)[i] = " " + (*list)[i];
    for (int i = 0; i < ParamCount; ++i) {
        const int row = i + 1;
        SetFixedCell(row, 0, " " + std::to_string(row));
        SetFixedCell(row, 1, names[i]);
        SetFixedCell(row, 2, i < daoTypes.Count() ? daoTypes[i] : std::string());
        SetFixedCell(row, 3, i < bdeTypes.Count() ? bdeTypes[i] : std::string());
        // The value's editor is always shown.
        auto* editor = new QLineEdit(QString::fromStdString(i < values.Count() ? values[i] : std::string()));
        editor->setFrame(false);
        StringGrid1->setCellWidget(row, 4, editor);
    }
    for (int row = ParamCount + 1; row < StringGrid1->rowCount(); ++row)
        for (int column = 0; column < 4; ++column)
            SetFixedCell(row, column, "");

    platform::TStringList typed;
    ParamValues = &typed;
    const bool confirmed = exec() == mrOk;
    ParamValues = nullptr;
    if (!confirmed)
        return false;
    values.Clear();
    for (const std::string& value : typed)
        values.Add(value.empty() ? "NULL" : value);
    return true;
}

// The designed widths suit a small 8-point font. A wider font gets the room
// its header texts need, taken back from the name column's spare room so
// that the grid keeps its width.
void TQueryDefDialog::FitColumnsToHeaders()
{
    const QFontMetricsF metrics(StringGrid1->font());
    // A cell draws its text inside a margin on either side, left of the grid
    // line.
    const int margin = 2 * (StringGrid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, StringGrid1) + 1);
    const auto needed = [&](int column) {
        return static_cast<int>(std::ceil(metrics.horizontalAdvance(StringGrid1->item(0, column)->text()))) + margin
            + 1;
    };
    int grown = 0;
    for (int column = 2; column < 5; ++column) {
        const int width = std::max(StringGrid1->columnWidth(column), needed(column));
        grown += width - StringGrid1->columnWidth(column);
        StringGrid1->setColumnWidth(column, width);
    }
    StringGrid1->setColumnWidth(1, std::max(needed(1), StringGrid1->columnWidth(1) - grown));
}

void TQueryDefDialog::Button1Click()
{
    if (ParamValues) {
        ParamValues->Clear();
        for (int row = 1; row <= ParamCount; ++row)
            ParamValues->Add(ValueEditor(row) ? ValueEditor(row)->text().toStdString() : std::string());
    }
    done(mrOk);
}

void TQueryDefDialog::Button2Click()
{
    done(mrCancel);
}

void TQueryDefDialog::StringGrid1Click()
{
    // No empty row is offered for editing.
    if (StringGrid1->rowCount() > ParamCount + 1)
        StringGrid1->setRowCount(ParamCount + 1);
}
