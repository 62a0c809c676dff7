#pragma once

#include <QFlags>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>

#include <memory>

namespace platform {

class X11Connection;

/// The corners of the whole X desktop that act when the pointer reaches them:
/// a 1x1 input-only, override-redirect window at each outer corner of every
/// monitor (one no other monitor touches), announced on EnterNotify, so the
/// pointer is never polled. Monitors come from RandR, the root window's own
/// corners without it; the windows follow changes of the screen configuration.
class X11HotCorners : public QObject
{
    Q_OBJECT
public:
    enum Corner {
        TopLeft = 0x1,
        TopRight = 0x2,
        BottomLeft = 0x4,
        BottomRight = 0x8,
    };
    Q_DECLARE_FLAGS(Corners, Corner)

    /// Listens on `connection`, which must outlive this object. No corner is
    /// enabled at first.
    explicit X11HotCorners(X11Connection &connection, QObject *parent = nullptr);
    ~X11HotCorners() override;

    /// Shows windows at the enabled kinds of corner and removes the others.
    void setEnabled(Corners corners);
    Corners enabled() const;

    /// The outer corners of `monitors` (rectangles in root coordinates), each
    /// as the pixel it covers and its kind.
    static QList<std::pair<QPoint, Corner>> outerCorners(const QList<QRect> &monitors);

Q_SIGNALS:
    /// The pointer reached an enabled corner.
    void entered(platform::X11HotCorners::Corner corner);

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform

Q_DECLARE_OPERATORS_FOR_FLAGS(platform::X11HotCorners::Corners)
