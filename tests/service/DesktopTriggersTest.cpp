// The service's hot key and hot corners end to end: the real service on a real X
// server (Xvfb, no window manager), keys and pointer moved by xdotool, the
// settings written and announced as the pane does.

#include "LauncherTestSupport.h"
#include "PortalStandIn.h"
#include "ServiceTestSupport.h"
#include "TestSupport.h"
#include "X11KeyHolder.h"
#include "Xvfb.h"

#include "CorvaneProtocol.h"
#include "CorvaneServiceHelper.h"
#include "KeyCombo.h"


#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

using namespace corvane::test;

namespace {

constexpr qint16 spaceKey = 49;
constexpr qint32 option = KeyCombo::OptionKey;

/// The desktop's notification service, as far as the service uses it: it
/// counts the notifications and keeps their texts.
class NotificationsStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    bool registered()
    {
        auto bus = QDBusConnection::sessionBus();
        return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportAllSlots)
               && bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~NotificationsStandIn() override { QDBusConnection::sessionBus().unregisterObject(QStringLiteral("/org/freedesktop/Notifications")); }
    QStringList bodies;

public Q_SLOTS:
    uint Notify(const QString &, uint, const QString &, const QString &, const QString &body, const QStringList &,
                const QVariantMap &, int)
    {
        bodies.append(body);
        return uint(bodies.size());
    }
};

QByteArray archived(qint16 keyCode, qint32 modifiers)
{
    return KeyCombo::keyComboWithKeyCode(keyCode, modifiers)->archivedData();
}

class DesktopTriggersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ServiceGuard::noForeignService());
        if (!server.started())
            GTEST_SKIP() << "Xvfb did not start: skipped";
    }

    /// The lines of `journal` that start with `prefix`.
    static qsizetype count(const ServiceJournalReader &journal, const QString &prefix)
    {
        return journal.lines().filter(QRegularExpression(u'^' + QRegularExpression::escape(prefix))).size();
    }

    Xvfb server;
    ServiceGuard guard;
    const ScopedEnvironment noSessionType{"XDG_SESSION_TYPE", QByteArray()};
};

} // namespace

// The sandbox has no display.
TEST_F(DesktopTriggersTest, WithoutADisplayNothingIsGrabbedAndTheJournalSaysWhy)
{
    const ServiceJournalReader journal;
    ASSERT_GT(guard.start(), 0);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("unavailable hot key and hot corners no X display (DISPLAY is not set)")))
        << qPrintable(journal.lines().join(u'\n'));
}

// With the window's plug-in on the X server: the hot key maps the window and hides
// it again; what is typed is searched, Return starts it and the use reaches the
// store; an application the pane excluded is never started. The hot key changes
// live; an enabled corner shows the launcher, a disabled one does not.
TEST_F(DesktopTriggersTest, TheHotKeyShowsTheWindowThatStartsWhatIsTypedAndTheCornersShowIt)
{
    clearApplications();
    installRecorder();
    for (const char *name : {"zebra", "quokka"})
        ASSERT_TRUE(writeEntry(userApplications(), QString::fromLatin1(name) + QStringLiteral(".desktop"),
                               "Type=Application\nName=" + QByteArray(name) + "\nExec=\"" + recorder().toUtf8() + "\" "
                                   + QByteArray(name) + '\n'));
    // The pane excludes Quokka in the store the service's catalogue made.
    ASSERT_EQ(QProcess::execute(builtServiceApp() + QStringLiteral("/Corvane"), {QStringLiteral("--catalogue")}), 0);
    PaneStore().exclude({QStringLiteral("quokka")});
    ASSERT_TRUE(writeServiceDomain({{QStringLiteral("ShowHideHotKey"), archived(spaceKey, option)},
                             {QStringLiteral("TopLeftCorner"), true}, {QStringLiteral("BottomRightCorner"), false}}));
    const ScopedEnvironment display("DISPLAY", server.display());
    const ScopedEnvironment onTheServer("QT_QPA_PLATFORM", QByteArray());
    ASSERT_TRUE(server.xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")}));
    const ServiceJournalReader journal;
    ASSERT_GT(guard.start(), 0);
    ASSERT_TRUE(journal.waitFor(QStringLiteral("hot-key grabbed Alt+Space"))) << qPrintable(journal.lines().join(u'\n'));
    ASSERT_TRUE(journal.waitFor(QStringLiteral("hot-corners TopLeftCorner")));

    const QStringList press{QStringLiteral("key"), QStringLiteral("alt+space")};
    const QStringList enter{QStringLiteral("key"), QStringLiteral("Return")};
    ASSERT_TRUE(server.xdotool(press));
    ASSERT_TRUE(journal.waitFor(QStringLiteral("window shown"))) << qPrintable(journal.lines().join(u'\n'));
    EXPECT_TRUE(server.xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                QStringLiteral("^Corvane$")}));
    ASSERT_TRUE(server.xdotool({QStringLiteral("type"), QStringLiteral("quokka")}) && server.xdotool(enter));
    ASSERT_TRUE(server.xdotool(press));
    ASSERT_TRUE(journal.waitFor(QStringLiteral("launcher Hide hot-key")));
    ASSERT_TRUE(server.xdotool(press));
    ASSERT_TRUE(waitFor([&] { return count(journal, QStringLiteral("window shown")) == 2; }));
    ASSERT_TRUE(server.xdotool({QStringLiteral("type"), QStringLiteral("zebra")}) && server.xdotool(enter));
    // Quokka's Return came first: it would be recorded before Zebra.
    EXPECT_EQ(recorded(1), (QList<QStringList>{{QDir::homePath(), recorder(), QStringLiteral("zebra")}}));
    for (const auto &record : PaneStore().applications()) {
        const bool zebra = record->value(QStringLiteral("name")).toString() == u"zebra";
        EXPECT_EQ(record->value(QStringLiteral("useCount")).toInt(), zebra ? 1 : 0);
        EXPECT_EQ(record->value(QStringLiteral("lastUsed")).isValid(), zebra);
    }

    // Changed live: the old combination is let go, the new one acts.
    const CorvaneProtocol service(CorvaneServiceHelper::serviceProxy());
    ASSERT_TRUE(service.hotKeyChanged(40, KeyCombo::ControlKey | option));
    ASSERT_TRUE(journal.waitFor(QStringLiteral("hot-key grabbed Ctrl+Alt+K")));
    const qsizetype shown = count(journal, QStringLiteral("launcher "));
    ASSERT_TRUE(server.xdotool({QStringLiteral("key"), QStringLiteral("alt+space"), QStringLiteral("ctrl+alt+k")}));
    ASSERT_TRUE(waitFor([&] { return count(journal, QStringLiteral("launcher ")) > shown; }));
    EXPECT_EQ(count(journal, QStringLiteral("launcher ")), shown + 1) << "the old combination still acts";

    // Resting in the corner since the start showed nothing; the enabled corner shows
    // it each time the pointer comes back, the disabled one never.
    for (const char *place : {"639 479", "320 240", "0 0", "320 240", "0 0"})
        ASSERT_TRUE(server.xdotool(QStringList{QStringLiteral("mousemove")} + QString::fromLatin1(place).split(u' ')));
    ASSERT_TRUE(waitFor([&] { return count(journal, QStringLiteral("launcher Show TopLeftCorner")) >= 2; }))
        << qPrintable(journal.lines().join(u'\n'));
    EXPECT_EQ(count(journal, QStringLiteral("launcher Show TopLeftCorner")), 2);
    EXPECT_EQ(count(journal, QStringLiteral("launcher Show BottomRightCorner")), 0);
}

TEST_F(DesktopTriggersTest, AHotKeyAnotherProgramHoldsIsJournalledAndToldOncePerCombination)
{
    NotificationsStandIn notifications;
    ASSERT_TRUE(notifications.registered());
    X11KeyHolder holder(server.display());
    ASSERT_TRUE(holder.hold(XCB_MOD_MASK_1));
    ASSERT_TRUE(holder.hold(XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT));
    ASSERT_TRUE(writeServiceDomain({{QStringLiteral("ShowHideHotKey"), archived(spaceKey, option)}}));
    const ScopedEnvironment display("DISPLAY", server.display());
    const ServiceJournalReader journal;
    ASSERT_GT(guard.start(), 0);
    ASSERT_TRUE(journal.waitFor(QStringLiteral("error hot key taken Alt+Space"))) << qPrintable(journal.lines().join(u'\n'));
    // A second instance leaves at once, without a word to the user.
    EXPECT_EQ(QProcess::execute(builtServiceApp() + QStringLiteral("/Corvane"), QStringList()), 1);

    // The same combination again, then another one held too: its notification comes
    // after any second one for the first would have.
    const CorvaneProtocol service(CorvaneServiceHelper::serviceProxy());
    ASSERT_TRUE(service.hotKeyChanged(spaceKey, option));
    ASSERT_TRUE(waitFor([&] { return count(journal, QStringLiteral("error hot key taken Alt+Space")) == 2; }));
    ASSERT_TRUE(service.hotKeyChanged(spaceKey, option | KeyCombo::ShiftKey));
    ASSERT_TRUE(waitFor([&] { return notifications.bodies.size() >= 2; }));
    ASSERT_EQ(notifications.bodies.size(), 2) << qPrintable(notifications.bodies.join(u'\n'));
    EXPECT_TRUE(notifications.bodies[0].contains(QStringLiteral("Alt+Space"))) << qPrintable(notifications.bodies[0]);
    EXPECT_TRUE(notifications.bodies[1].contains(QStringLiteral("Alt+Shift+Space"))) << qPrintable(notifications.bodies[1]);
}

// On Wayland the hot key goes through the portal's global shortcuts where the
// desktop offers them, and the journal names the other way where it does not.
TEST_F(DesktopTriggersTest, OnWaylandTheHotKeyIsBoundThroughThePortalWhereOneIsOffered)
{
    ASSERT_TRUE(writeServiceDomain({{QStringLiteral("ShowHideHotKey"), archived(spaceKey, option)}}));
    const ScopedEnvironment wayland("WAYLAND_DISPLAY", "wayland-corvane-test");
    const ServiceJournalReader journal;
    ASSERT_GT(guard.start(), 0);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("unavailable hot corners a Wayland session")));
    ASSERT_TRUE(waitFor([&] { return count(journal, QStringLiteral("unavailable hot key through the portal ")) == 1; }))
        << qPrintable(journal.lines().join(u'\n'));
    ServiceGuard::endAll();

    const PortalStandIn portal(QStringLiteral(CORVANE_PORTAL_STAND_IN), 1);
    ASSERT_TRUE(portal.ready());
    ASSERT_GT(guard.start(), 0);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("hot-key bound through the portal ALT+space")))
        << qPrintable(journal.lines().join(u'\n'));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("launcher Show hot-key"))); // the stand-in presses it once
}

#include "DesktopTriggersTest.moc"
