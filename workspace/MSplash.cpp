#include "workspace/MSplash.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

TFormSplash* FormSplash = nullptr;

namespace {

// The size the picture is laid out on.
constexpr int kDesignWidth = 600;
constexpr int kDesignHeight = 400;

} // namespace

TFormSplash::TFormSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setupUi(this);
}

void TFormSplash::showEvent(QShowEvent* event)
{
    ImageSplash->setPixmap(Picture(ImageSplash->contentsRect().size()));
    QWidget::showEvent(event);
}

QPixmap TFormSplash::Picture(QSize size)
{
    QPixmap picture(size.expandedTo({1, 1}));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(double(picture.width()) / kDesignWidth, double(picture.height()) / kDesignHeight);

    QLinearGradient sky(0, 0, 0, kDesignHeight);
    sky.setColorAt(0, QColor(0x1f, 0x3b, 0x57));
    sky.setColorAt(1, QColor(0x0e, 0x1d, 0x2c));
    painter.fillRect(QRectF(0, 0, kDesignWidth, kDesignHeight), sky);

    // The lens in the middle, and the scale seen through it.
    painter.translate(-140, 0);
    const QPointF centre(440, 190);
    QRadialGradient lens(centre, 130);
    lens.setColorAt(0, QColor(0xf4, 0xf8, 0xfb));
    lens.setColorAt(0.8, QColor(0xc9, 0xdb, 0xe9));
    lens.setColorAt(1, QColor(0x8f, 0xb0, 0xc9));
    const QColor orange(0xd9, 0x48, 0x0f);
    // The rim's pen covers the lens's edge wholly, so the lens is filled
    // without antialiasing, which costs less for the same pixels.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(lens);
    painter.drawEllipse(centre, 130, 130);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(orange, 6));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 130, 130);
    painter.setPen(QPen(QColor(0x1f, 0x3b, 0x57), 2));
    painter.drawLine(QLineF(330, 190, 550, 190));
    for (int x = 350, i = 0; x <= 530; x += 20, ++i) {
        const double half = i % 2 == 0 ? 10 : 6;
        painter.drawLine(QLineF(x, 190 - half, x, 190 + half));
    }

    // Two particles measured against each other.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x6b, 0x8c, 0xa6));
    painter.drawEllipse(QPointF(402, 140), 14, 14);
    painter.drawEllipse(QPointF(478, 246), 20, 20);
    painter.drawEllipse(QPointF(500, 130), 8, 8);
    QPen dashed(orange, 3);
    dashed.setDashPattern({8.0 / 3, 6.0 / 3});
    painter.setPen(dashed);
    painter.drawLine(QLineF(402, 140, 478, 246));

    // The name in the windows' own font at its own size, which they load
    // anyway: a font of a size of its own costs a set-up and glyphs of its
    // own, more than the rest of the picture.
    painter.resetTransform();
    painter.setPen(QColor(0xc9, 0xdb, 0xe9));
    painter.setFont(QFont());
    painter.drawText(QRect(QPoint(0, 0), picture.size()).adjusted(16, 0, 0, -12), Qt::AlignLeft | Qt::AlignBottom,
                     QStringLiteral("Quorvex 6.0 \u2013 Image measuring"));
    return picture;
}
