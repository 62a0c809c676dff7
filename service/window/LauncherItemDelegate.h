#pragma once

#include <QStyledItemDelegate>

/// Draws a row of the launcher's results: the icon, the name, and the generic
/// name smaller on a second line, on a rounded highlight when the row is
/// selected (a fainter one under the pointer). Every row has the same height.
class LauncherItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    /// The icons' side, in device-independent pixels.
    static constexpr int IconSize = 32;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    /// The height of every row for the view's `font`.
    static int rowHeight(const QFont &font);
    /// The smaller font of the second line.
    static QFont secondLineFont(const QFont &font);
};
