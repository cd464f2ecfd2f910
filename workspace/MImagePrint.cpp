#include "workspace/MImagePrint.h"

#include "settings/MLan.h"
#include "shapes/MTool.h"

#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <QTextOption>

#include <algorithm>
#include <cmath>

TFormImagePrint* FormImagePrint = nullptr;

namespace {

// The strip above the title block, and the margin left of the summary lines.
constexpr int kInfoTopStrip = 25;
constexpr int kAttrLeftMargin = 25;
// Name and unit in a bold 15-pixel font; the rest in 12 pixels.
constexpr int kTitlePixels = 15;
constexpr int kTextPixels = 12;
constexpr int kAttrTextPixels = 11;
constexpr int kTabColumns = 8;

// A scaled side in pixels, cut to the largest side before it becomes an int.
int ScaledSide(int side, double factor)
{
    const double scaled = side * factor;
    if (!(scaled <= TFormImagePrint::MaxPictureSide))
        return TFormImagePrint::MaxPictureSide;
    return MTool::TruncToInt(scaled);
}

QFont PixelFont(int pixels, bool bold)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// The summary's cells are padded by columns: a fixed-pitch font shows them
// as columns.
QFont AttrFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(kAttrTextPixels);
    return font;
}

qreal TabDistance(const QFontMetricsF& metrics)
{
    return metrics.horizontalAdvance(QLatin1Char(' ')) * kTabColumns;
}

// A summary line as printed lines no wider than `width`: each cell (its text
// and the tab after it) goes on the current printed line while its text ends
// inside the width, else it starts the next printed line, one tab stop in so
// that the row reads as one. A cell wider than the width alone keeps a
// printed line of its own.
std::vector<QString> WrapAtCells(const QString& line, const QFontMetricsF& metrics, qreal width)
{
    const qreal tab = TabDistance(metrics);
    // Text after a tab starts at the next tab stop beyond where it stands.
    const auto nextTabStop = [tab](qreal x) { return (std::floor(x / tab) + 1) * tab; };
    std::vector<QString> printed;
    QString current;
    bool cellsOnLine = false;
    qreal x = 0;
    const QStringList cells = line.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const bool last = i + 1 == cells.size();
        // Nothing follows the line's last tab.
        if (last && cells[i].isEmpty())
            break;
        // The padding after a text need not fit.
        QString text = cells[i];
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        if (cellsOnLine && x + metrics.horizontalAdvance(text) > width) {
            printed.push_back(current);
            current = QStringLiteral("\t");
            x = tab;
        }
        current += cells[i];
        x += metrics.horizontalAdvance(cells[i]);
        if (!last) {
            current += QLatin1Char('\t');
            x = nextTabStop(x);
        }
        cellsOnLine = true;
    }
    printed.push_back(current);
    return printed;
}

} // namespace

TFormImagePrint::TFormImagePrint()
    : Lan(MLan::GetInstance())
{
}

void TFormImagePrint::ApplyLanguage()
{
    LabelDesign = Lan->Texts[291];
    LabelCheck = Lan->Texts[292];
    LabelAuth = Lan->Texts[293];
    LNum = Lan->Texts[283];
    LProp = Lan->Texts[284];
}

void TFormImagePrint::ShowInfo(const TInfo& info)
{
    InfoShown = true;
    Info = info;
}

void TFormImagePrint::HideInfo()
{
    InfoShown = false;
}

void TFormImagePrint::ShowAttributes(std::vector<std::string> lines)
{
    AttrShown = true;
    AttrLines = std::move(lines);
    WrapAttributes();
}

void TFormImagePrint::HideAttributes()
{
    AttrShown = false;
    AttrLines.clear();
    PrintedAttrLines.clear();
}

TSize TFormImagePrint::MagnifiedSize(int width, int height, double target, double real)
{
    if (!(target > 0) || !(real > 0))
        return {width, height};
    const double factor = std::min(target / real, MaxScaleFactor);
    return {ScaledSide(width, factor), ScaledSide(height, factor)};
}

void TFormImagePrint::LayOut(int width, int height)
{
    ClientWidth = std::max(width, MinAreaWidth);
    AreaHeight = std::max(height, MinAreaHeight);
    const int left = MTool::CenterOffset(ClientWidth, width);
    const int top = MTool::CenterOffset(AreaHeight, height);
    Picture = {left, top, left + width, top + height};
    WrapAttributes();
}

void TFormImagePrint::WrapAttributes()
{
    PrintedAttrLines.clear();
    if (!AttrShown)
        return;
    const QFontMetricsF metrics(AttrFont());
    // As much room right of the lines as left of them.
    const qreal width = ClientWidth - 2 * kAttrLeftMargin;
    for (const std::string& line : AttrLines) {
        QString text = Q(line);
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        for (QString& printed : WrapAtCells(text, metrics, width))
            PrintedAttrLines.push_back(std::move(printed));
    }
}

std::vector<std::string> TFormImagePrint::AttrLinesAsPrinted() const
{
    std::vector<std::string> lines;
    for (const QString& line : PrintedAttrLines)
        lines.push_back(line.toStdString());
    return lines;
}

QImage TFormImagePrint::GetFormImage(const QImage& picture) const
{
    QImage page(ClientWidth, ClientHeight(), QImage::Format_RGB32);
    if (page.isNull())
        return page;
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        // Scaled by nearest neighbour, as the picture is stretched everywhere.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        const QRect target(Picture.left, Picture.top, Picture.right - Picture.left, Picture.bottom - Picture.top);
        if (!picture.isNull() && !target.isEmpty())
            painter.drawImage(target, picture, picture.rect());
    }
    if (InfoShown)
        DrawInfo(page, AreaHeight);
    if (AttrShown)
        DrawAttributes(page, AreaHeight + InfoBlockHeight());
    return page;
}

void TFormImagePrint::DrawInfo(QImage& page, int top) const
{
    QPainter painter(&page);
    painter.setPen(QPen(Qt::black, 1));

    // The title block: three rows of caption and value, the number and the
    // scale at the right, framed and ruled.
    const int blockTop = top + kInfoTopStrip;
    const int blockHeight = InfoHeight - kInfoTopStrip - 1;
    const int right = ClientWidth - 1;
    const int left = right - TitleBlockWidth + 1;
    const int rowHeight = blockHeight / 3;
    const int captionWidth = 90;
    const int valueWidth = 170;
    const int column2 = left + captionWidth;
    const int column3 = column2 + valueWidth;
    const int column4 = column3 + 60;

    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(QRect(left, blockTop, TitleBlockWidth - 1, blockHeight));
    painter.setPen(QPen(Qt::black, 1));
    for (int row = 1; row < 3; ++row)
        painter.drawLine(left, blockTop + row * rowHeight, right, blockTop + row * rowHeight);
    painter.drawLine(column2, blockTop, column2, blockTop + blockHeight);
    painter.drawLine(column3, blockTop, column3, blockTop + 2 * rowHeight);
    painter.drawLine(column4, blockTop, column4, blockTop + 2 * rowHeight);

    painter.setFont(PixelFont(kTextPixels, false));
    const auto cell = [&](int x0, int x1, int row, const std::string& text) {
        painter.drawText(QRect(x0 + 4, blockTop + row * rowHeight, x1 - x0 - 8, rowHeight),
                         Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, Q(text));
    };
    cell(left, column2, 0, LabelDesign);
    cell(left, column2, 1, LabelCheck);
    cell(left, column2, 2, LabelAuth);
    cell(column2, column3, 0, Info.Author);
    cell(column2, right, 2, Info.Date);
    cell(column3, column4, 0, LNum);
    cell(column3, column4, 1, LProp);
    cell(column4, right, 0, Info.Number);
    cell(column4, right, 1, Info.Scale);

    // Name and unit, left of the title block.
    painter.setFont(PixelFont(kTitlePixels, true));
    const QRect titleArea(kAttrLeftMargin, blockTop, left - 2 * kAttrLeftMargin, blockHeight);
    painter.drawText(titleArea.adjusted(0, 0, 0, -blockHeight / 2), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     Q(Info.Name));
    painter.drawText(titleArea.adjusted(0, blockHeight / 2, 0, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     Q(Info.Unit));
}

void TFormImagePrint::DrawAttributes(QImage& page, int top) const
{
    QPainter painter(&page);
    painter.setPen(Qt::black);
    const QFont font = AttrFont();
    painter.setFont(font);
    QTextOption option(Qt::AlignLeft | Qt::AlignVCenter);
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(TabDistance(QFontMetricsF(font)));
    const qreal width = ClientWidth - kAttrLeftMargin;
    for (std::size_t i = 0; i < PrintedAttrLines.size(); ++i) {
        const QRectF row(kAttrLeftMargin, top + int(i) * AttrLineHeight, width, AttrLineHeight);
        painter.drawText(row, PrintedAttrLines[i], option);
    }
}

bool PrintPageImage(const QImage& page, QPrinter& printer)
{
    QPainter painter;
    if (page.isNull() || !painter.begin(&printer))
        return false;
    const QRect paper = painter.viewport();
    QSize size = page.size();
    size.scale(paper.size(), Qt::KeepAspectRatio);
    painter.setViewport(paper.x(), paper.y(), size.width(), size.height());
    painter.setWindow(page.rect());
    painter.drawImage(0, 0, page);
    return painter.end();
}
