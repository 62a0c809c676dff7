#include "VLOnOffButton.h"

#include "platform/ui/AnimationClock.h"
#include "platform/core/AssertionHandler.h"
#include "platform/core/Exception.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

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

    QColor pixel(int x, int y) { return button->grab().toImage().pixelColor(x, y); }

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

TEST_F(VLOnOffButtonTest, DrawsTrackThenHandleWithYGrowingUpward)
{
    // The handle spans control y 1..17, which is Qt rows 9..24.
    EXPECT_EQ(pixel(10, 20), QColor(Qt::green));
    EXPECT_EQ(pixel(10, 3), QColor(Qt::red));
    EXPECT_EQ(pixel(50, 20), QColor(Qt::red));
    button->setState(1);
    EXPECT_EQ(pixel(50, 20), QColor(Qt::green));
    EXPECT_EQ(pixel(10, 20), QColor(Qt::red));
    press(QPointF(50, qtY(8)));
    EXPECT_EQ(pixel(50, 20), QColor(Qt::blue));
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

TEST_F(VLOnOffButtonTest, ClickOutsideTheHandleTogglesDuringThePressInThreeTenths)
{
    PaintRecorder paints(*button);
    press(QPointF(50, qtY(8)));
    // The toggle has run to its end before the press returns, repainting at each
    // of the ten marks.
    EXPECT_EQ(button->state(), 1);
    EXPECT_EQ(button->sliderPosition(), 1.0f);
    EXPECT_DOUBLE_EQ(clock.now(), 0.3);
    ASSERT_EQ(paints.positions.size(), 10u);
    for (size_t i = 0; i < 10; ++i)
        EXPECT_NEAR(paints.positions[i], 0.1 * double(i), 1e-5);
    EXPECT_TRUE(target.states.empty());
    release(QPointF(50, qtY(8)));
    EXPECT_EQ(target.states, std::vector<int>{1});

    // And back: from on the handle runs toward the off end.
    paints.positions.clear();
    press(QPointF(5, qtY(8)));
    release(QPointF(5, qtY(8)));
    EXPECT_EQ(button->state(), 0);
    ASSERT_EQ(paints.positions.size(), 10u);
    EXPECT_NEAR(paints.positions[1], 0.9, 1e-5);
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

TEST_F(VLOnOffButtonTest, TheOverhangAbsorbsTheFirstTwoPointsOfADragFromEitherEnd)
{
    // Grab offset 12: the press at x = 10 is 12 points right of the frame's x = -2.
    press(QPointF(10, qtY(8)));
    drag(QPointF(12, qtY(8)));
    EXPECT_EQ(button->sliderPosition(), 0.0f);
    drag(QPointF(13, qtY(8)));
    EXPECT_FLOAT_EQ(button->sliderPosition(), 1.0f / 36.0f);
    drag(QPointF(10, qtY(8)));
    release(QPointF(10, qtY(8)));

    button->setState(1);
    press(QPointF(50, qtY(8)));
    drag(QPointF(48, qtY(8)));
    EXPECT_EQ(button->sliderPosition(), 1.0f);
    drag(QPointF(47, qtY(8)));
    EXPECT_FLOAT_EQ(button->sliderPosition(), 35.0f / 36.0f);
}

TEST_F(VLOnOffButtonTest, ReleaseMidwaySettlesFromWhereTheHandleIs)
{
    // A grab at x = 10 of the frame at -2: p = (x - 12) / 36. The settle takes
    // what is left of 0.4 s of ease-out; from 0.3 it starts at progress 0.7,
    // so marks 0.7, 0.8 and 0.9 move the handle down and none jumps it back up.
    struct Row { double x; float p; int state; std::vector<float> marks; };
    const Row rows[] = {{30, 0.5f, 1, {0.5f, 0.6f, 0.7f, 0.8f, 0.9f}}, {22.8, 0.3f, 0, {0.3f, 0.2f, 0.1f}}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.p);
        button->setState(0);
        target.states.clear();
        const double start = clock.now();
        PaintRecorder paints(*button);
        press(QPointF(10, qtY(8)));
        drag(QPointF(row.x, qtY(8)));
        EXPECT_NEAR(button->sliderPosition(), row.p, 1e-6);
        paints.positions.clear();
        release(QPointF(row.x, qtY(8)));
        EXPECT_EQ(button->state(), row.state);
        EXPECT_EQ(button->sliderPosition(), float(row.state));
        EXPECT_NEAR(clock.now() - start, 0.4 * std::sqrt(double(row.p)), 1e-6);
        ASSERT_EQ(paints.positions.size(), row.marks.size());
        for (size_t i = 0; i < row.marks.size(); ++i)
            EXPECT_NEAR(paints.positions[i], row.marks[i], 1e-5);
        EXPECT_EQ(target.states, std::vector<int>{row.state});
    }
}

TEST_F(VLOnOffButtonTest, OtherButtonsAndDragsWithoutAGrabDoNothing)
{
    QTest::mouseClick(button.get(), Qt::RightButton, {}, QPoint(50, 10));
    EXPECT_EQ(button->state(), 0);
    drag(QPointF(40, qtY(8)));
    EXPECT_EQ(button->sliderPosition(), 0.0f);
    EXPECT_TRUE(target.states.empty());
    // Without a target, or without an action, a release sends nothing.
    button->setAction({});
    QTest::mouseClick(button.get(), Qt::LeftButton, {}, QPoint(10, 18));
    EXPECT_TRUE(target.states.empty());
}

TEST_F(VLOnOffButtonTest, MixedStateIsRefusedThroughTheAssertionHandler)
{
    button->setState(1);
    RecordingAssertionHandler recorder;
    {
        ScopedAssertionHandler scope(recorder);
        button->setState(-1);
    }
    ASSERT_EQ(recorder.failures().size(), 1u);
    const AssertionFailure &failure = recorder.failures().front();
    EXPECT_EQ(failure.method, QStringLiteral("setState:"));
    EXPECT_EQ(failure.object, button.get());
    EXPECT_EQ(failure.description, QStringLiteral("Our state doesn't support NSMixedState, sorry..."));
    EXPECT_EQ(button->state(), 1);
    EXPECT_EQ(button->sliderPosition(), 1.0f);

    // The standard handler raises, and the state stays as it was.
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

TEST(VLOnOffButtonArtwork, TheShippedImagesFitTheTravel)
{
    // The shipped track is hidden under the handle at both ends only if the handle
    // is wider than half the track; the artwork was drawn for that.
    const auto artwork = Bundle::bundleWithPath(QStringLiteral(CORVANE_ARTWORK_BUNDLE));
    ASSERT_TRUE(artwork);
    VLOnOffButton button(*artwork);
    EXPECT_EQ(button.size(), QSize(64, 26));
    EXPECT_GT(button.frameForSlider().width() - 4, 64 / 2.0);
}

#include "VLOnOffButtonTest.moc"
