#include "LauncherItemDelegate.h"

#include "LauncherResultModel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int Padding = 8;
constexpr int Gap = 12;
constexpr qreal Radius = 6;
constexpr int HoverAlpha = 60;

} // namespace

QFont LauncherItemDelegate::secondLineFont(const QFont &font)
{
    constexpr qreal Scale = 0.85;
    QFont smaller = font;
    if (font.pointSizeF() > 0)
        smaller.setPointSizeF(font.pointSizeF() * Scale);
    else
        smaller.setPixelSize(qRound(font.pixelSize() * Scale));
    return smaller;
}

int LauncherItemDelegate::rowHeight(const QFont &font)
{
    const int text = QFontMetrics(font).height() + QFontMetrics(secondLineFont(font)).height();
    return std::max(IconSize, text) + 2 * Padding;
}

QSize LauncherItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return {option.rect.width(), rowHeight(option.font)};
}

void LauncherItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &palette = option.palette;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (selected || option.state & QStyle::State_MouseOver) {
        QColor fill = palette.color(QPalette::Highlight);
        if (!selected)
            fill.setAlpha(HoverAlpha);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(option.rect).adjusted(1, 1, -1, -1), Radius, Radius);
        painter->fillPath(shape, fill);
    }

    const QRect inner = option.rect.adjusted(Padding, Padding, -Padding, -Padding);
    const QRect iconRect(inner.left(), inner.center().y() - IconSize / 2 + 1, IconSize, IconSize);
    index.data(Qt::DecorationRole).value<QIcon>().paint(painter, iconRect);

    const QFont second = secondLineFont(option.font);
    const QString genericName = index.data(LauncherResultModel::GenericNameRole).toString();
    const int nameHeight = QFontMetrics(option.font).height();
    const int textHeight = nameHeight + (genericName.isEmpty() ? 0 : QFontMetrics(second).height());
    QRect text(iconRect.right() + 1 + Gap, inner.center().y() - textHeight / 2 + 1, 0, nameHeight);
    text.setRight(inner.right());

    const QPalette::ColorRole ink = selected ? QPalette::HighlightedText : QPalette::Text;
    painter->setPen(palette.color(ink));
    painter->setFont(option.font);
    const QString name = index.data(Qt::DisplayRole).toString();
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(option.font).elidedText(name, Qt::ElideRight, text.width()));
    if (!genericName.isEmpty()) {
        QColor dim = palette.color(ink);
        dim.setAlphaF(selected ? 0.85 : 0.6);
        painter->setPen(dim);
        painter->setFont(second);
        const QRect line(text.left(), text.bottom() + 1, text.width(), QFontMetrics(second).height());
        painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                          QFontMetrics(second).elidedText(genericName, Qt::ElideRight, line.width()));
    }
    painter->restore();
}
