#include "VLOnOffButton.h"

#include "platform/core/Exception.h"
#include "platform/ui/AnimationClock.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace platform;

namespace {

// Records every action it receives, with the switch's state at that moment.
class ActionTarget : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void toggleEnable(QObject *sender)
    {
        auto *button = qobject_cast<VLOnOffButton *>(sender);
        states.push_back(button ? button->state() : -99);
    }
    std::vector<int> states;
};

// Records the handle's position at every paint, to see the synchronous repaints
// of an animation.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(VLOnOffButton &button) : m_button(button) { button.installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            positions.push_back(m_button.sliderPosition());
        return false;
    }
    std::vector<float> positions;

private:
    VLOnOffButton &m_button;
};

QByteArray rectSvg(int width, int height, const char *fill)
{
    return QStringLiteral(R"(<svg xmlns="http://www.w3.org/2000/svg" width="%1" height="%2">)"
                          R"(<rect width="%1" height="%2" fill="%3"/></svg>)")
        .arg(width).arg(height).arg(QLatin1String(fill)).toUtf8();
}

// Artwork with easy numbers: a 60 x 26 control, a 24 x 16 handle (travel 36) and a
// larger pressed handle, in plain colours that tell the images apart.
class VLOnOffButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString resources = dir.path() + QStringLiteral("/Art.bundle/Resources/");
        QDir().mkpath(resources);
        write(resources + QStringLiteral("SliderWell.svg"), rectSvg(60, 26, "#ff0000"));
        write(resources + QStringLiteral("OverlayMask.svg"),
              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"60\" height=\"26\"/>");
        write(resources + QStringLiteral("SliderHandle.svg"), rectSvg(24, 16, "#00ff00"));
        write(resources + QStringLiteral("SliderHandleDown.svg"), rectSvg(30, 20, "#0000ff"));
        button = std::make_unique<VLOnOffButton>(*Bundle::bundleWithPath(dir.path() + QStringLiteral("/Art.bundle")));
        button->setTarget(&target);
        button->setAction("toggleEnable");
        button->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(button.get()));
    }

    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Mouse events in Qt's widget coordinates (y down).
    void press(QPointF at) { send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
    void drag(QPointF to) { send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton); }
    void release(QPointF at) { send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
    void send(QEvent::Type type, QPointF at, Qt::MouseButton which, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, button->mapToGlobal(at), which, held, Qt::NoModifier);
        QApplication::sendEvent(button.get(), &event);
    }
    // Qt's y of a point `controlY` above the control's bottom edge.
    static double qtY(double controlY) { return 26 - controlY; }
    // The handle was repainted on its way and never went back.
    static bool slidToward(int state, const std::vector<float> &positions)
    {
        return !positions.empty() && (state == 1 ? std::is_sorted(positions.begin(), positions.end())
                                                 : std::is_sorted(positions.rbegin(), positions.rend()));
    }


    QTemporaryDir dir;
    ManualAnimationClock clock;
    ScopedAnimationClock clockScope{clock};
    ActionTarget target;
    std::unique_ptr<VLOnOffButton> button;
};

} // namespace

TEST_F(VLOnOffButtonTest, HandleFrameOverhangsTheTrackByTwoPointsAndTheSizeStaysTheOverlays)
{
    EXPECT_EQ(button->frameForSlider(), QRectF(-2, 1, 24, 16));
    button->setState(1);
    EXPECT_EQ(button->frameForSlider(), QRectF(38, 1, 24, 16)); // W - w + 2
    EXPECT_EQ(button->sliderPosition(), 1.0f);
    EXPECT_TRUE(target.states.empty()); // setting the state sends nothing

    button->resize(200, 80);
    button->setFrameSize(QSizeF(10, 10));
    button->setGeometry(5, 5, 300, 300);
    EXPECT_EQ(button->size(), QSize(60, 26));

    // While pressed the larger pressed image is shown, but the frame keeps the
    // resting handle's size.
    press(QPointF(50, qtY(8)));
    EXPECT_TRUE(button->isMouseDownOnSlider());
    EXPECT_EQ(button->frameForSlider().size(), QSizeF(24, 16));
}

TEST_F(VLOnOffButtonTest, ClickOnTheHandleChangesNothingButStillSendsTheAction)
{
    PaintRecorder paints(*button);
    // Inside: the minimum edges (x = -2 is off-widget, so x = 0; y = 1) and just
    // below the maximum edges (x < 22, y < 17) of the unflipped view's rectangle.
    for (QPointF inside : {QPointF(0, qtY(1)), QPointF(21.9, qtY(16.9))}) {
        press(inside);
        EXPECT_TRUE(button->isMouseDownOnSlider());
        release(inside);
        EXPECT_FALSE(button->isMouseDownOnSlider());
        EXPECT_EQ(button->state(), 0);
        EXPECT_EQ(button->sliderPosition(), 0.0f);
    }
    EXPECT_EQ(target.states, std::vector<int>({0, 0}));
    EXPECT_TRUE(paints.positions.empty()); // nothing animated
    EXPECT_EQ(clock.now(), 0.0);
    // On the maximum y edge: outside, so the press toggles.
    press(QPointF(10, qtY(17)));
    EXPECT_FALSE(button->isMouseDownOnSlider());
    EXPECT_EQ(button->state(), 1);
}

// How long a toggle or a settle takes and where its marks fall is the animation's
// business; the switch decides where the handle starts, where it goes and when it
// tells its target.
TEST_F(VLOnOffButtonTest, ClickOutsideTheHandleTogglesDuringThePressAndSendsOnRelease)
{
    PaintRecorder paints(*button);
    press(QPointF(50, qtY(8)));
    // The toggle has run to its end before the press returns, repainting on its way.
    EXPECT_EQ(button->state(), 1);
    EXPECT_EQ(button->sliderPosition(), 1.0f);
    EXPECT_GT(clock.now(), 0.0);
    EXPECT_TRUE(slidToward(1, paints.positions));
    EXPECT_EQ(paints.positions.front(), 0.0f);
    EXPECT_TRUE(target.states.empty());
    release(QPointF(50, qtY(8)));
    EXPECT_EQ(target.states, std::vector<int>{1});

    // And back: from on the handle runs toward the off end.
    paints.positions.clear();
    press(QPointF(5, qtY(8)));
    release(QPointF(5, qtY(8)));
    EXPECT_EQ(button->state(), 0);
    EXPECT_TRUE(slidToward(0, paints.positions));
    EXPECT_EQ(target.states, std::vector<int>({1, 0}));
}

TEST_F(VLOnOffButtonTest, DraggingPastEitherEndPinsTheHandleAndReleaseSetsTheStateWithoutAnimation)
{
    press(QPointF(10, qtY(8)));
    drag(QPointF(500, qtY(8)));
    EXPECT_EQ(button->sliderPosition(), 1.0f);
    EXPECT_EQ(button->state(), 0); // only the release decides
    release(QPointF(500, qtY(8)));
    EXPECT_EQ(button->state(), 1);
    EXPECT_EQ(clock.now(), 0.0);

    press(QPointF(50, qtY(8)));
    drag(QPointF(-300, qtY(100)));
    EXPECT_EQ(button->sliderPosition(), 0.0f);
    release(QPointF(-300, qtY(100)));
    EXPECT_EQ(button->state(), 0);
    EXPECT_EQ(clock.now(), 0.0);
    EXPECT_EQ(target.states, std::vector<int>({1, 0}));
}

TEST_F(VLOnOffButtonTest, ReleaseMidwaySettlesFromWhereTheHandleIs)
{
    // A grab at x = 10 of the frame at -2: p = (x - 12) / 36. Past the middle the
    // handle settles on, before it off, and it never jumps back on its way.
    for (const auto &[x, p, state] : {std::tuple{30.0, 0.5f, 1}, {22.8, 0.3f, 0}}) {
        SCOPED_TRACE(p);
        button->setState(0);
        target.states.clear();
        PaintRecorder paints(*button);
        press(QPointF(10, qtY(8)));
        drag(QPointF(x, qtY(8)));
        EXPECT_NEAR(button->sliderPosition(), p, 1e-6);
        paints.positions.clear();
        release(QPointF(x, qtY(8)));
        EXPECT_EQ(button->state(), state);
        EXPECT_EQ(button->sliderPosition(), float(state));
        ASSERT_TRUE(slidToward(state, paints.positions));
        EXPECT_NEAR(paints.positions.front(), p, 1e-5);
        EXPECT_EQ(target.states, std::vector<int>{state});
    }
}

TEST_F(VLOnOffButtonTest, MixedStateIsRefusedAndAnyOtherValueIsOn)
{
    // The standard handler raises, and the state stays as it was.
    button->setState(1);
    EXPECT_THROW(button->setState(-1), Exception);
    EXPECT_EQ(button->state(), 1);
    // Any other value is on, with the handle at the on end.
    button->setState(0);
    button->setState(7);
    EXPECT_EQ(button->state(), 1);
    EXPECT_EQ(button->sliderPosition(), 1.0f);
}

TEST_F(VLOnOffButtonTest, ArtworkWithoutRoomToMoveHasNoSizeOrIgnoresDragging)
{
    VLOnOffButton bare(*Bundle::bundleWithPath(QTemporaryDir().path()));
    EXPECT_EQ(bare.size(), QSize(0, 0));
    EXPECT_EQ(bare.frameForSlider(), QRectF(-2, 1, 0, 0));

    // A handle as wide as the track: a drag would divide by a travel of zero.
    write(dir.path() + QStringLiteral("/Art.bundle/Resources/SliderHandle.svg"), rectSvg(60, 16, "#00ff00"));
    button = std::make_unique<VLOnOffButton>(*Bundle::bundleWithPath(dir.path() + QStringLiteral("/Art.bundle")));
    press(QPointF(10, qtY(8)));
    ASSERT_TRUE(button->isMouseDownOnSlider());
    drag(QPointF(40, qtY(8)));
    EXPECT_EQ(button->sliderPosition(), 0.0f);
}

#include "VLOnOffButtonTest.moc"
