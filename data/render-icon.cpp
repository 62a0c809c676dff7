// Renders the application's SVG icon as the PNG sizes of the hicolor theme, at
// build time, so the scalable drawing is the only source:
//
//   corvane_render_icon ICON.svg FOLDER SIZE...
//
// writes FOLDER/<size>x<size>/apps/<ICON's base name>.png for each size.

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

bool render(QSvgRenderer &svg, int size, const QString &path)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    return QDir().mkpath(QFileInfo(path).path()) && image.save(path, "PNG");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s ICON.svg FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    QSvgRenderer svg(source);
    if (!svg.isValid()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const QString name = QFileInfo(source).completeBaseName() + QStringLiteral(".png");
    for (int i = 3; i < argc; ++i) {
        bool isNumber = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&isNumber);
        const QString path = QStringLiteral("%1/%2x%2/apps/%3").arg(folder).arg(size).arg(name);
        if (!isNumber || size <= 0 || !render(svg, size, path)) {
            std::fprintf(stderr, "%s: cannot write size %s\n", argv[0], argv[i]);
            return 1;
        }
    }
    return 0;
}
