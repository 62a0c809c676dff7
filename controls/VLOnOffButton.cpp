#include "VLOnOffButton.h"

#include "platform/ui/Action.h"
#include "platform/core/AssertionHandler.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

platform::Image artworkImage(const platform::Bundle &artwork, const QString &name)
{
    for (const QString &type : {QStringLiteral("svg"), QStringLiteral("png")}) {
        if (const auto path = artwork.pathForResource(name, type))
            return platform::Image(*path);
    }
    return platform::Image();
}

constexpr double ToggleDuration = 0.3;
constexpr double SettleDuration = 0.4;

// The original platform's point-in-rectangle test for an unflipped view: the
// minimum edges belong to the rectangle, the maximum edges do not.
bool pointInRect(QPointF point, const QRectF &rect)
{
    return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top()
        && point.y() < rect.bottom();
}

} // namespace

VLOnOffButton::VLOnOffButton(const platform::Bundle &artwork, QWidget *parent)
    : QAbstractButton(parent)
    , m_sliderOverlayMaskImage(artworkImage(artwork, QStringLiteral("OverlayMask")))
    , m_sliderWellImage(artworkImage(artwork, QStringLiteral("SliderWell")))
    , m_sliderHandleImage(artworkImage(artwork, QStringLiteral("SliderHandle")))
    , m_sliderHandleDownImage(artworkImage(artwork, QStringLiteral("SliderHandleDown")))
{
    // Keyboard activation would change the state without an action; the switch is
    // driven by the mouse and by setState() only.
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(sizeHint());
}

VLOnOffButton::~VLOnOffButton() = default;

QSize VLOnOffButton::sizeHint() const
{
    return m_sliderOverlayMaskImage.size().toSize();
}

void VLOnOffButton::setFrameSize(QSizeF)
{
    resize(sizeHint());
}

void VLOnOffButton::setState(int state)
{
    if (state == -1) {
        platform::handleAssertionFailure(QStringLiteral("setState:"), this, QStringLiteral("VLOnOffButton"), 148,
                                         QStringLiteral("Our state doesn't support NSMixedState, sorry..."));
        return;
    }
    m_state = state == 0 ? 0 : 1;
    m_sliderPosition = m_state == 0 ? 0.0f : 1.0f;
    update();
}

QRectF VLOnOffButton::frameForSlider() const
{
    const QSizeF handle = m_sliderHandleImage.size();
    const float overlayWidth = float(m_sliderOverlayMaskImage.size().width());
    const float handleWidth = float(handle.width());
    const float p = m_sliderPosition;
    const float x = (overlayWidth - handleWidth) * p + (4.0f * p - 2.0f);
    return QRectF(x, 1.0f, handleWidth, float(handle.height()));
}

QPointF VLOnOffButton::controlPoint(QPointF widgetPoint) const
{
    return QPointF(float(widgetPoint.x()), float(height() - widgetPoint.y()));
}

void VLOnOffButton::drawImage(QPainter &painter, const platform::Image &image, QPointF origin,
                              QPainter::CompositionMode mode) const
{
    // Qt's y axis points down: the image's bottom edge sits `origin.y()` above ours.
    image.draw(painter, QPointF(origin.x(), height() - origin.y() - image.size().height()), mode);
}

void VLOnOffButton::paintEvent(QPaintEvent *)
{
    // The track is copied, not blended, as the artwork expects; composing into a
    // transparent layer first keeps that from punching through the window.
    const qreal scale = devicePixelRatioF();
    QImage layer(size() * scale, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(scale);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        drawImage(painter, m_sliderWellImage, QPointF(0, 0), QPainter::CompositionMode_Source);
        drawImage(painter, m_sliderOverlayMaskImage, QPointF(0, 0), QPainter::CompositionMode_SourceOver);
        drawImage(painter, m_mouseDownOnSlider ? m_sliderHandleDownImage : m_sliderHandleImage,
                  frameForSlider().topLeft(), QPainter::CompositionMode_SourceOver);
    }
    QPainter(this).drawImage(QPointF(0, 0), layer);
}

void VLOnOffButton::slide(double duration, int intoState, float startProgress)
{
    platform::Animation animation(duration, platform::AnimationCurve::EaseOut);
    m_slideIntoState = intoState;
    animation.setDelegate(this);
    animation.setCurrentProgress(startProgress);
    float mark = 0.0f;
    for (int i = 0; i < 10; ++i, mark += 0.1f)
        animation.addProgressMark(mark);
    animation.startAnimation();
}

void VLOnOffButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPointF point = controlPoint(event->position());
    const QRectF handle = frameForSlider();
    if (pointInRect(point, handle)) {
        m_mouseDownOnSlider = true;
        update();
    } else {
        slide(ToggleDuration, m_state != 1 ? 1 : 0, 0.0f);
    }
    m_mouseDownPoint = point;
    m_mouseDownRect = handle;
}

void VLOnOffButton::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_mouseDownOnSlider)
        return;
    const float travel = float(m_sliderOverlayMaskImage.size().width() - m_sliderHandleImage.size().width());
    if (!(travel > 0.0f)) // artwork without room to move
        return;
    const float x = float(controlPoint(event->position()).x());
    const float grabOffset = float(m_mouseDownPoint.x()) - float(m_mouseDownRect.x());
    float p = (x - grabOffset) / travel;
    if (p < 0.0f)
        p = 0.0f;
    if (p > 1.0f)
        p = 1.0f;
    m_sliderPosition = p;
    update();
}

void VLOnOffButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_mouseDownOnSlider = false;
    const float p = m_sliderPosition;
    if (p > 0.0f && p < 1.0f) {
        const bool on = p >= 0.5f;
        slide(SettleDuration, on ? 1 : 0, on ? p : 1.0f - p);
    } else {
        setState(p == 0.0f ? 0 : 1);
    }
    if (m_target && !m_action.isEmpty())
        platform::sendAction(m_action, m_target, this);
}

void VLOnOffButton::animation(platform::Animation &, float progress)
{
    m_sliderPosition = m_slideIntoState == 1 ? progress : 1.0f - progress;
    repaint(); // the blocking animation keeps the event loop from painting
}

void VLOnOffButton::animationDidEnd(platform::Animation &)
{
    setState(m_slideIntoState);
}
