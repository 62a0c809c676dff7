#pragma once

#include "platform/ui/Animation.h"
#include "platform/system/Bundle.h"
#include "platform/ui/Image.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QPointF>
#include <QPointer>
#include <QRectF>

/// The on/off switch: a two-state button drawn as a horizontal slider whose handle
/// sits at the left end for off (state 0) and at the right end for on (state 1).
/// A press outside the handle slides it to the other end at once (a blocking 0.3 s
/// animation during the press); a press on the handle grabs it, and on release a
/// handle left between the ends settles at the nearer one (0.4 s). Every release of
/// the left button sends the action to the target, whether or not the state changed;
/// setting the state never does.
///
/// All of its appearance comes from four images of its artwork bundle, found by name
/// in its Resources: "SliderWell" (the track), "OverlayMask" (drawn over the track),
/// "SliderHandle" and "SliderHandleDown" (the handle at rest and held), each ".svg"
/// or ".png". The control's size is always the overlay's size. Without artwork it
/// has size (0, 0), draws nothing and cannot be dragged.
///
/// The control's own coordinates have their origin at the bottom-left corner, with
/// y growing upward; frameForSlider() is given in them. Main thread only.
class VLOnOffButton : public QAbstractButton, private platform::AnimationDelegate
{
    Q_OBJECT
    Q_PROPERTY(int state READ state WRITE setState)
public:
    /// A switch in the off state, with the images of `artwork`. Only the overlay is
    /// read here (for the size); the other images are read when first drawn.
    explicit VLOnOffButton(const platform::Bundle &artwork, QWidget *parent = nullptr);
    ~VLOnOffButton() override;

    /// 0 (off) or 1 (on).
    int state() const { return m_state; }
    /// 0 sets off and 1 sets on, with the handle at that end, and schedules a repaint.
    /// The mixed state (-1) is refused through the assertion handler ("Our state
    /// doesn't support NSMixedState, sorry..."), leaving everything as it was; any
    /// other value counts as on. Never sends the action.
    void setState(int state);

    /// The object and the name of its method (taking the sender, a QObject*) that
    /// every mouse release calls. Nothing is sent unless both are set.
    void setTarget(QObject *target) { m_target = target; }
    QObject *target() const { return m_target; }
    void setAction(const QByteArray &action) { m_action = action; }
    QByteArray action() const { return m_action; }

    /// The handle's position along its travel: 0.0 at the off end, 1.0 at the on end.
    /// Exactly 0.0 or 1.0 between events.
    float sliderPosition() const { return m_sliderPosition; }
    /// True from a press on the handle until the next release.
    bool isMouseDownOnSlider() const { return m_mouseDownOnSlider; }

    /// The handle's frame at the current position, in the control's coordinates:
    /// x = (W - w) * p + (4 * p - 2), y = 1, size (w, h), with W the overlay's width
    /// and (w, h) the resting handle's size; the handle overhangs each end by 2 points.
    QRectF frameForSlider() const;

    /// Ignores `size`: the control keeps the overlay's size. (So do resize() and
    /// layouts, through the control's fixed size.)
    void setFrameSize(QSizeF size);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void animation(platform::Animation &animation, float progress) override;
    void animationDidEnd(platform::Animation &animation) override;

    QPointF controlPoint(QPointF widgetPoint) const;
    void slide(double duration, int intoState, float startProgress);
    void drawImage(QPainter &painter, const platform::Image &image, QPointF origin,
                   QPainter::CompositionMode mode) const;

    int m_state = 0;
    float m_sliderPosition = 0.0f;
    int m_slideIntoState = 0;
    bool m_mouseDownOnSlider = false;
    QPointF m_mouseDownPoint;
    QRectF m_mouseDownRect;
    platform::Image m_sliderOverlayMaskImage;
    platform::Image m_sliderWellImage;
    platform::Image m_sliderHandleImage;
    platform::Image m_sliderHandleDownImage;
    QPointer<QObject> m_target;
    QByteArray m_action;
};
