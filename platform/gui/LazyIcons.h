// Icons made when they are first drawn rather than when the widget holding
// them is made. The forms hold dozens of glyphs of which the first window
// shows a few, and reading them all through Qt's image plug-ins (loading
// the plug-ins, probing each file's format, decoding every size) cost more
// at start-up than the rest of the forms.
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QIconEngine>
#include <QImage>
#include <QProxyStyle>

#include <functional>
#include <optional>
#include <vector>

namespace platform {

// The images of an icon file (.ico) held as 32-bit bitmaps or PNG entries,
// as the program's own glyph files are written; nothing when the file holds
// anything else or is damaged, so that Qt's reader can have it instead.
std::optional<std::vector<QImage>> ReadIconFileImages(const QByteArray& file);

} // namespace platform

// An icon engine that stands for the icon `make` returns, calling it when
// the icon is first drawn, measured or asked for its sizes. `madeFrom` names
// the file `make` reads, if any: QIcon hands that file to the engine it got
// for it once more, which must not make the icon at once.
class TLazyIconEngine : public QIconEngine {
public:
    explicit TLazyIconEngine(std::function<QIcon()> make, QString madeFrom = {});

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    void addPixmap(const QPixmap& pixmap, QIcon::Mode mode, QIcon::State state) override;
    void addFile(const QString& fileName, const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString key() const override;
    QIconEngine* clone() const override;
    // Not null: an icon that may turn out empty is not made lazily.
    bool isNull() override { return false; }

private:
    QIcon& Icon();

    std::function<QIcon()> make_;
    QString madeFrom_;
    std::optional<QIcon> icon_;
};

// The application's style with the tool bars' and menu bar's extension
// arrows made when first drawn: every tool bar and menu bar asks for them
// when it is made, and most never overflow.
class TLazyStandardIconStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};
