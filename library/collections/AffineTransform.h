#pragma once

#include <QRectF>

namespace vl {

/// A 2-D affine transform as the original platform keeps it: a point (x, y) becomes
/// (m11·x + m21·y + tX, m12·x + m22·y + tY), a size the same without the translation.
/// A value of Qt Core alone, since the library does not link Qt's GUI module.
struct AffineTransform
{
    double m11 = 1;
    double m12 = 0;
    double m21 = 0;
    double m22 = 1;
    double tX = 0;
    double tY = 0;

    QPointF transformPoint(QPointF point) const
    {
        return {m11 * point.x() + m21 * point.y() + tX, m12 * point.x() + m22 * point.y() + tY};
    }

    QSizeF transformSize(QSizeF size) const
    {
        return {m11 * size.width() + m21 * size.height(), m12 * size.width() + m22 * size.height()};
    }

    friend bool operator==(const AffineTransform &, const AffineTransform &) = default;
};

/// `rect` with its origin transformed as a point and its size as a size: under a
/// rotation or a flip the size may come out negative, as on the original platform.
inline QRectF translateRect(const AffineTransform &transform, const QRectF &rect)
{
    return {transform.transformPoint(rect.topLeft()), transform.transformSize(rect.size())};
}

} // namespace vl
