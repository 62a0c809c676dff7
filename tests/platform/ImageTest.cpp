#include "platform/ui/Image.h"

#include "TestSupport.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Image;

namespace {

// A 20 x 10 point SVG: a half-transparent blue rectangle filling it.
const QByteArray svg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="10">
<rect x="0" y="0" width="20" height="10" fill="#0000ff" fill-opacity="0.5"/></svg>)";

QImage canvas(qreal scale = 1)
{
    QImage image(QSize(40, 20) * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::red);
    return image;
}

} // namespace

TEST(Image, DrawsWithTheCompositingModeAppliedToTheWholePicture)
{
    QTemporaryDir dir;
    const Image image(corvane::test::writeFile(dir.filePath(QStringLiteral("overlay.svg")), svg));

    for (qreal scale : {1.0, 2.0}) {
        QImage copy = canvas(scale), over = canvas(scale);
        {
            QPainter painter(&copy);
            image.draw(painter, QPointF(10, 5), QPainter::CompositionMode_Source);
        }
        {
            QPainter painter(&over);
            image.draw(painter, QPointF(10, 5), QPainter::CompositionMode_SourceOver);
        }
        const QPoint inside = QPoint(15, 8) * scale, outside = QPoint(5, 2) * scale;
        // Copy replaces the red with half-transparent blue; source-over blends.
        EXPECT_EQ(copy.pixelColor(inside).red(), 0);
        EXPECT_NEAR(copy.pixelColor(inside).alpha(), 128, 1);
        EXPECT_GT(over.pixelColor(inside).red(), 100);
        EXPECT_GT(over.pixelColor(inside).blue(), 100);
        EXPECT_EQ(copy.pixelColor(outside), QColor(Qt::red));
    }
}
