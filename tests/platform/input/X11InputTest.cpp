// The hot key against a real X server: Xvfb, no window manager, keys pressed by
// xdotool as a person would (the corners are tried end to end, with the service).

#include "platform/input/X11Connection.h"
#include "platform/input/X11GlobalHotKey.h"
#include "platform/input/X11HotCorners.h"

#include "TestSupport.h"
#include "X11KeyHolder.h"
#include "Xvfb.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <memory>

namespace {

using platform::X11Connection;
using platform::X11GlobalHotKey;
using platform::X11HotCorners;

constexpr quint16 spaceKey = 49;
constexpr quint32 option = 0x0800;

} // namespace

TEST(X11GlobalHotKey, CarbonModifiersBecomeTheirXModifiers)
{
    EXPECT_EQ(X11GlobalHotKey::modifierMask(0x0100 | 0x0200), XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT);
    EXPECT_EQ(X11GlobalHotKey::modifierMask(0x0800 | 0x1000), XCB_MOD_MASK_1 | XCB_MOD_MASK_CONTROL);
    EXPECT_EQ(X11GlobalHotKey::modifierMask(0x10000 | 0x0400), 0); // Caps Lock, right-hand bits: no X modifier
}

TEST(X11GlobalHotKey, ActsUnderEveryLockAndATakenOneLeavesNothingHeld)
{
    const corvane::test::Xvfb server;
    if (!server.started())
        GTEST_SKIP() << "Xvfb did not start: skipped";
    const auto connection = X11Connection::open(server.display());
    ASSERT_TRUE(connection);
    X11GlobalHotKey hotKey(*connection);
    QSignalSpy pressed(&hotKey, &X11GlobalHotKey::activated);
    EXPECT_EQ(hotKey.name(spaceKey, option | 0x1000), QStringLiteral("Ctrl+Alt+Space"));
    ASSERT_EQ(hotKey.grab(spaceKey, option), X11GlobalHotKey::Result::Grabbed);

    // Plain, then with Num Lock on, then Caps Lock too; a press with Shift added is
    // not ours; held down past the server's repeat delay, it acts once.
    const QString key = QStringLiteral("key");
    const QStringList presses[] = {{key, QStringLiteral("alt+space")},
                                   {key, QStringLiteral("Num_Lock"), QStringLiteral("alt+space")},
                                   {key, QStringLiteral("Caps_Lock"), QStringLiteral("alt+space")},
                                   {key, QStringLiteral("alt+shift+space"), QStringLiteral("alt+space")},
                                   {QStringLiteral("keydown"), QStringLiteral("alt+space"), QStringLiteral("sleep"),
                                    QStringLiteral("1.5"), QStringLiteral("keyup"), QStringLiteral("alt+space")}};
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(server.xdotool(presses[i]));
        EXPECT_TRUE(corvane::test::waitFor([&] { return pressed.count() == i + 1; })) << i;
    }
    EXPECT_EQ(pressed.count(), 5);
    // Two presses in one millisecond of the server's clock, as a script makes them, are two.
    ASSERT_TRUE(server.xdotool({key, QStringLiteral("--delay"), QStringLiteral("0"), QStringLiteral("alt+space"),
                                QStringLiteral("alt+space")}));
    EXPECT_TRUE(corvane::test::waitFor([&] { return pressed.count() == 7; })) << pressed.count();

    // Another client may hold only the Num Lock variant: the whole grab is refused, and undone.
    hotKey.release();
    corvane::test::X11KeyHolder holder(server.display());
    ASSERT_TRUE(holder.hold(XCB_MOD_MASK_1 | XCB_MOD_MASK_2));
    EXPECT_EQ(hotKey.grab(spaceKey, option), X11GlobalHotKey::Result::Taken);
    holder.release();
    EXPECT_TRUE(holder.hold(XCB_MOD_MASK_1 | XCB_MOD_MASK_LOCK)) << "a refused grab kept the Caps Lock variant";
    EXPECT_EQ(hotKey.grab(0x34, option), X11GlobalHotKey::Result::NoKey); // a code no key has
}

TEST(X11HotCorners, OnlyCornersWhereThePointerStopsAreOuter)
{
    using Corners = QList<std::pair<QPoint, X11HotCorners::Corner>>;
    const QRect left(0, 0, 320, 480);
    EXPECT_EQ(X11HotCorners::outerCorners({left}),
              (Corners{{{0, 0}, X11HotCorners::TopLeft}, {{319, 0}, X11HotCorners::TopRight},
                       {{0, 479}, X11HotCorners::BottomLeft}, {{319, 479}, X11HotCorners::BottomRight}}));
    // Side by side: the four where they meet are not corners; mirrored: one monitor.
    EXPECT_EQ(X11HotCorners::outerCorners({left, QRect(320, 0, 320, 480)}).size(), 4);
    EXPECT_EQ(X11HotCorners::outerCorners({left, left}).size(), 4);
    // A smaller one mirrored in a corner of a larger: the larger's corners.
    EXPECT_EQ(X11HotCorners::outerCorners({QRect(0, 0, 160, 120), left}), X11HotCorners::outerCorners({left}));
    // Lower by 200: the pointer stops at the left one's top right, not at the right one's top left.
    const Corners staggered = X11HotCorners::outerCorners({left, QRect(320, 200, 320, 480)});
    EXPECT_TRUE(staggered.contains(std::pair(QPoint(319, 0), X11HotCorners::TopRight)));
    EXPECT_FALSE(staggered.contains(std::pair(QPoint(320, 200), X11HotCorners::TopLeft)));
    EXPECT_EQ(staggered.size(), 6);
}
