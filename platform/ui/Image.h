#pragma once

#include <QPainter>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <memory>

namespace platform {

/// An image made by reference to a file (SVG or any raster format Qt reads): nothing
/// is read until it is first measured or drawn, as the original platform's
/// initByReferencingFile: did. A file that cannot be read gives an empty image of
/// size (0, 0) that draws nothing. Copies share the loaded pixels.
class Image
{
public:
    /// An empty image.
    Image();
    /// An image referring to the file at `path`; the file is not touched yet.
    explicit Image(const QString &path);

    QString path() const;

    /// True once the file has been read (by size() or draw()).
    bool isLoaded() const;

    /// The natural size in points: an SVG's default size, a raster image's size
    /// divided by its device pixel ratio. (0, 0) when the file cannot be read.
    QSizeF size() const;

    /// Draws the image at its natural size with its top-left corner at `topLeft`
    /// (painter coordinates) using `mode`. An SVG is rendered for the painter's
    /// device pixel ratio first, so that `mode` applies to the finished picture.
    void draw(QPainter &painter, QPointF topLeft, QPainter::CompositionMode mode) const;

private:
    struct Private;
    std::shared_ptr<Private> d;
};

} // namespace platform
