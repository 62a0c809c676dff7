// The hot key and the hot corners against a real X server: Xvfb, no window
// manager, keys and pointer moved by xdotool as a person would.

#include "platform/input/X11Connection.h"
#include "platform/input/X11GlobalHotKey.h"
#include "platform/input/X11HotCorners.h"

#include "TestSupport.h"
#include "Xvfb.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QSignalSpy>

#include <cstdlib>
#include <memory>

namespace {

using platform::X11Connection;
using platform::X11GlobalHotKey;
using platform::X11HotCorners;

constexpr quint16 spaceKey = 49;
constexpr quint32 option = 0x0800;

bool xdotool(const corvane::test::Xvfb &server, const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(server.environment());
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished() && process.exitCode() == 0;
}

/// Another client's grab of Space with Alt and `locks`, as a program that
/// already holds the key.
bool holdAltSpace(X11Connection &holder, quint16 locks)
{
    const std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(holder.get(), xcb_grab_key_checked(holder.get(), 1, holder.screen().root, XCB_MOD_MASK_1 | locks,
                                                             65, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
        &std::free);
    return !error;
}

class X11InputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!server.started())
            GTEST_SKIP() << "Xvfb did not start: skipped";
        connection = X11Connection::open(server.display());
        ASSERT_TRUE(connection);
    }

    corvane::test::Xvfb server;
    std::unique_ptr<X11Connection> connection;
};

} // namespace

TEST(X11GlobalHotKey, CarbonModifiersBecomeTheirXModifiers)
{
    EXPECT_EQ(X11GlobalHotKey::modifierMask(0x0100 | 0x0200), XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT);
    EXPECT_EQ(X11GlobalHotKey::modifierMask(0x0800 | 0x1000), XCB_MOD_MASK_1 | XCB_MOD_MASK_CONTROL);
    EXPECT_EQ(X11GlobalHotKey::modifierMask(0x10000 | 0x0400), 0); // Caps Lock, right-hand bits: no X modifier
}

TEST_F(X11InputTest, TheHotKeyActsUnderEveryLockAndATakenOneLeavesNothingHeld)
{
    X11GlobalHotKey hotKey(*connection);
    QSignalSpy pressed(&hotKey, &X11GlobalHotKey::activated);
    EXPECT_EQ(hotKey.name(spaceKey, option | 0x1000), QStringLiteral("Ctrl+Alt+Space"));
    ASSERT_EQ(hotKey.grab(spaceKey, option), X11GlobalHotKey::Result::Grabbed);

    // Plain, then with Num Lock on, then Caps Lock too; a press with Shift added is not ours.
    const QStringList presses[] = {{QStringLiteral("alt+space")},
                                   {QStringLiteral("Num_Lock"), QStringLiteral("alt+space")},
                                   {QStringLiteral("Caps_Lock"), QStringLiteral("alt+space")},
                                   {QStringLiteral("alt+shift+space"), QStringLiteral("alt+space")}};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(xdotool(server, QStringList{QStringLiteral("key")} + presses[i]));
        EXPECT_TRUE(corvane::test::waitFor([&] { return pressed.count() == i + 1; })) << i;
    }
    EXPECT_EQ(pressed.count(), 4);

    // Another client may hold only the Num Lock variant: the whole grab is refused, and undone.
    hotKey.release();
    const auto holder = X11Connection::open(server.display());
    ASSERT_TRUE(holdAltSpace(*holder, XCB_MOD_MASK_2));
    EXPECT_EQ(hotKey.grab(spaceKey, option), X11GlobalHotKey::Result::Taken);
    xcb_ungrab_key(holder->get(), XCB_GRAB_ANY, holder->screen().root, XCB_MOD_MASK_ANY);
    EXPECT_TRUE(holdAltSpace(*holder, XCB_MOD_MASK_LOCK)) << "a refused grab kept the Caps Lock variant";
    EXPECT_EQ(hotKey.grab(0x34, option), X11GlobalHotKey::Result::NoKey); // a code no key has
}

TEST(X11HotCorners, OnlyCornersNoOtherMonitorTouchesAreOuter)
{
    using Corners = QList<std::pair<QPoint, X11HotCorners::Corner>>;
    const QRect left(0, 0, 320, 480);
    EXPECT_EQ(X11HotCorners::outerCorners({left}),
              (Corners{{{0, 0}, X11HotCorners::TopLeft}, {{319, 0}, X11HotCorners::TopRight},
                       {{0, 479}, X11HotCorners::BottomLeft}, {{319, 479}, X11HotCorners::BottomRight}}));
    // Side by side: the four where they meet are not corners; mirrored: one monitor.
    EXPECT_EQ(X11HotCorners::outerCorners({left, QRect(320, 0, 320, 480)}).size(), 4);
    EXPECT_EQ(X11HotCorners::outerCorners({left, left}).size(), 4);
    // Lower by 200: the pointer stops at the left one's top right, not at the right one's top left.
    const Corners staggered = X11HotCorners::outerCorners({left, QRect(320, 200, 320, 480)});
    EXPECT_TRUE(staggered.contains(std::pair(QPoint(319, 0), X11HotCorners::TopRight)));
    EXPECT_FALSE(staggered.contains(std::pair(QPoint(320, 200), X11HotCorners::TopLeft)));
    EXPECT_EQ(staggered.size(), 6);
}

TEST_F(X11InputTest, TheEnabledCornersActWhenThePointerArrives)
{
    X11HotCorners corners(*connection);
    QSignalSpy entered(&corners, &X11HotCorners::entered);
    ASSERT_TRUE(xdotool(server, {QStringLiteral("mousemove"), QStringLiteral("320"), QStringLiteral("240")}));
    corners.setEnabled(X11HotCorners::TopLeft | X11HotCorners::BottomRight);
    EXPECT_EQ(corners.places(), (QList<QPoint>{{0, 0}, {639, 479}}));

    ASSERT_TRUE(xdotool(server, {QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")}));
    ASSERT_TRUE(corvane::test::waitFor([&] { return entered.count() == 1; }));
    EXPECT_EQ(entered.at(0).at(0).value<X11HotCorners::Corner>(), X11HotCorners::TopLeft);
    // A disabled corner on the way, then the enabled one.
    ASSERT_TRUE(xdotool(server, {QStringLiteral("mousemove"), QStringLiteral("639"), QStringLiteral("0")}));
    ASSERT_TRUE(xdotool(server, {QStringLiteral("mousemove"), QStringLiteral("639"), QStringLiteral("479")}));
    ASSERT_TRUE(corvane::test::waitFor([&] { return entered.count() == 2; }));
    EXPECT_EQ(entered.at(1).at(0).value<X11HotCorners::Corner>(), X11HotCorners::BottomRight);

    corners.setEnabled({});
    EXPECT_TRUE(corners.places().isEmpty());
}
