#include "workspace/MImagePrint.h"

#include "settings/MLan.h"
#include "shapes/MTool.h"

#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <QTextOption>

#include <algorithm>

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
}

void TFormImagePrint::HideAttributes()
{
    AttrShown = false;
    AttrLines.clear();
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
    // The cells are padded by columns: a fixed-pitch font shows them as columns.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(kAttrTextPixels);
    painter.setFont(font);
    QTextOption option(Qt::AlignLeft | Qt::AlignVCenter);
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * kTabColumns);
    const qreal width = ClientWidth - kAttrLeftMargin;
    for (std::size_t i = 0; i < AttrLines.size(); ++i) {
        QString line = Q(AttrLines[i]);
        if (line.endsWith(QLatin1Char('\n')))
            line.chop(1);
        const QRectF row(kAttrLeftMargin, top + int(i) * AttrLineHeight, width, AttrLineHeight);
        painter.drawText(row, line, option);
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
