#include "platform/ui/Image.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSvgRenderer>

#include <cmath>

namespace platform {

struct Image::Private
{
    QString path;
    bool loaded = false;
    std::unique_ptr<QSvgRenderer> svg;
    QImage raster;           // the file's pixels, or the SVG rendered at `rasterScale`
    qreal rasterScale = 0;   // device pixel ratio the SVG was last rendered for
    QSizeF size{0, 0};

    void load()
    {
        if (loaded)
            return;
        loaded = true;
        if (!QFileInfo(path).isFile())
            return;
        if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
            auto renderer = std::make_unique<QSvgRenderer>(path);
            if (renderer->isValid()) {
                size = renderer->defaultSize();
                svg = std::move(renderer);
            }
            return;
        }
        QImageReader reader(path);
        if (reader.read(&raster))
            size = raster.deviceIndependentSize();
    }

    const QImage &pixels(qreal scale)
    {
        load();
        if (svg && scale != rasterScale) {
            const QSize pixelSize(int(std::ceil(size.width() * scale)), int(std::ceil(size.height() * scale)));
            raster = QImage(pixelSize, QImage::Format_ARGB32_Premultiplied);
            raster.fill(Qt::transparent);
            raster.setDevicePixelRatio(scale);
            QPainter painter(&raster);
            svg->render(&painter, QRectF(QPointF(0, 0), size));
            rasterScale = scale;
        }
        return raster;
    }
};

Image::Image()
    : Image(QString())
{
}

Image::Image(const QString &path)
    : d(std::make_shared<Private>())
{
    d->path = path;
}

QString Image::path() const
{
    return d->path;
}

bool Image::isLoaded() const
{
    return d->loaded;
}

QSizeF Image::size() const
{
    d->load();
    return d->size;
}

void Image::draw(QPainter &painter, QPointF topLeft, QPainter::CompositionMode mode) const
{
    const QImage &pixels = d->pixels(painter.device() ? painter.device()->devicePixelRatioF() : 1.0);
    if (pixels.isNull())
        return;
    const QPainter::CompositionMode previous = painter.compositionMode();
    painter.setCompositionMode(mode);
    painter.drawImage(QRectF(topLeft, d->size), pixels);
    painter.setCompositionMode(previous);
}

} // namespace platform
