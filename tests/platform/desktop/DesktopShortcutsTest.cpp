// The desktops' own key bindings, asked of the real services: GNOME's schemas
// through GSettings' keyfile backend in the sandbox's config folder, and KDE's
// kglobalaccel5 daemon started on the sandbox's private bus.

#include "platform/desktop/DesktopShortcuts.h"
#include "platform/desktop/GlobalShortcutsPortal.h"
#include "platform/desktop/GnomeKeybindings.h"
#include "platform/desktop/KdeGlobalShortcuts.h"
#include "platform/desktop/X11KeyGrab.h"

#include "PortalStandIn.h"
#include "TestSupport.h"
#include "X11KeyHolder.h"
#include "Xvfb.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gio/gio.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using corvane::test::ScopedEnvironment;
using corvane::test::X11KeyHolder;
using corvane::test::Xvfb;
using platform::GnomeKeybindings;
using platform::KdeGlobalShortcuts;

const QString kdeService = QStringLiteral("org.kde.kglobalaccel");
const QString kdeDaemon = QStringLiteral("/usr/bin/kglobalaccel5");

bool kdeServiceRuns()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(kdeService);
}

/// kglobalaccel5 on the private bus, with `configuration` as its saved
/// shortcuts; ended by its pid, since it outlives the bus.
class KdeDaemon
{
public:
    explicit KdeDaemon(const QByteArray &configuration, const QProcessEnvironment &environment = {})
    {
        if (!environment.isEmpty())
            m_process.setProcessEnvironment(environment);
        const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        QDir().mkpath(configHome);
        QFile file(configHome + QStringLiteral("/kglobalshortcutsrc"));
        if (file.open(QIODevice::WriteOnly))
            file.write(configuration);
        file.close();
        m_process.start(kdeDaemon, {});
        m_started = m_process.waitForStarted() && QTest::qWaitFor(kdeServiceRuns, 20000);
    }
    ~KdeDaemon()
    {
        ::kill(pid_t(m_process.processId()), SIGCONT);
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished();
    }
    bool started() const { return m_started; }
    pid_t pid() const { return pid_t(m_process.processId()); }

private:
    QProcess m_process;
    bool m_started = false;
};

QDBusMessage callKde(const QString &method, const QVariantList &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kdeService, QStringLiteral("/kglobalaccel"),
                                                       QStringLiteral("org.kde.KGlobalAccel"), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
}

platform::CommandShortcut showLauncher()
{
    return {QStringLiteral("corvane-test"), QStringLiteral("Show Launcher"),
            {QStringLiteral("corvanectl"), QStringLiteral("show")}, Qt::ControlModifier | Qt::AltModifier | Qt::Key_Space};
}

class GnomeSettings : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_schemas = corvane::test::useSystemSchemasWithKeyfile(); }
    void SetUp() override
    {
        if (!s_schemas)
            GTEST_SKIP() << "no compiled GSettings schemas: skipped";
    }
    static inline bool s_schemas = false;
    static constexpr const char *media = "org.gnome.settings-daemon.plugins.media-keys";
    static constexpr const char *custom = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";

    using Settings = std::unique_ptr<GSettings, decltype(&g_object_unref)>;
    static Settings open(const char *schema, const char *path)
    {
        return Settings(path ? g_settings_new_with_path(schema, path) : g_settings_new(schema), &g_object_unref);
    }
    static void setStrv(const char *schema, const char *key, std::initializer_list<const char *> values,
                        const char *path = nullptr)
    {
        std::vector<const char *> list(values);
        list.push_back(nullptr);
        ASSERT_TRUE(g_settings_set_strv(open(schema, path).get(), key, list.data()));
        g_settings_sync();
    }
    static QStringList strv(const char *schema, const char *key)
    {
        const std::unique_ptr<gchar *, decltype(&g_strfreev)> values(g_settings_get_strv(open(schema, nullptr).get(), key),
                                                                     &g_strfreev);
        QStringList list;
        for (gchar **value = values.get(); *value; ++value)
            list << QString::fromUtf8(*value);
        return list;
    }
    static QString string(const char *schema, const char *path, const char *key)
    {
        const std::unique_ptr<gchar, decltype(&g_free)> value(g_settings_get_string(open(schema, path).get(), key), &g_free);
        return QString::fromUtf8(value.get());
    }
    static void setString(const char *schema, const char *path, const char *key, const char *value)
    {
        ASSERT_TRUE(g_settings_set_string(open(schema, path).get(), key, value));
        g_settings_sync();
    }
};

} // namespace

TEST_F(GnomeSettings, BindingsAreNamedInTheSchemasWords)
{
    setStrv("org.gnome.shell.keybindings", "toggle-overview", {"<Super>o"});
    setStrv(media, "screensaver", {"", "<Primary><Alt>l"});
    setStrv(media, "custom-keybindings",
            {"not a path", "/no/trailing/slash", "/a//b/", "/",
             "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/c0/",
             "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/c1/"});
    setString(custom, "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/c0/", "name", "Open Notes");
    setString(custom, "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/c0/", "binding",
              "<Control><Alt>n");
    setString(custom, "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/c1/", "binding",
              "<Super>F9"); // no name: the binding speaks for itself

    const std::pair<QKeyCombination, const char *> rows[] = {
        {Qt::AltModifier | Qt::Key_Space, "Activate the window menu"}, // Debian's default
        {Qt::AltModifier | Qt::Key_F2, "Show the run command prompt"}, // default
        {Qt::MetaModifier | Qt::Key_O, "Keybinding to open the overview"}, // changed by the user
        {Qt::MetaModifier | Qt::Key_S, ""}, // its old default, now free
        {Qt::ControlModifier | Qt::AltModifier | Qt::Key_L, "Lock screen"}, // second of a list after ''
        {Qt::ControlModifier | Qt::AltModifier | Qt::Key_N, "Open Notes"}, // a custom binding
        {Qt::MetaModifier | Qt::Key_F9, "<Super>F9"},
        {Qt::AltModifier | Qt::ShiftModifier | Qt::Key_Space, ""}, // no subset or superset matching
    };
    for (const auto &[combination, owner] : rows)
        EXPECT_EQ(GnomeKeybindings::owner(combination).toStdString(), owner) << combination.toCombined();
    // Only a GNOME session is asked.
    for (const auto &[desktop, gnome] : {std::pair{"ubuntu:GNOME", true}, {"KDE", false}, {"GNOMEISH", false}}) {
        const ScopedEnvironment session("XDG_CURRENT_DESKTOP", desktop);
        EXPECT_EQ(platform::desktopShortcutOwner(Qt::AltModifier | Qt::Key_Space).has_value(), gnome) << desktop;
    }
}

TEST(X11KeyGrab, AKeyAnotherClientHoldsIsTakenAndTheTrialLeavesNothingHeld)
{
    using platform::X11KeyGrab;
    const QKeyCombination altSpace = Qt::AltModifier | Qt::Key_Space;
    // No display at all: nothing can be told.
    EXPECT_EQ(X11KeyGrab::probe(altSpace, ":9999"), X11KeyGrab::Result::Unknown);

    const Xvfb server;
    if (!server.started())
        GTEST_SKIP() << "Xvfb did not start: skipped";
    X11KeyHolder holder(server.display());
    const struct
    {
        quint16 held; // the lock modifiers the holder grabs with
        bool grab;
        X11KeyGrab::Result expected;
    } rows[] = {
        {0, false, X11KeyGrab::Result::Free},
        {0, true, X11KeyGrab::Result::Taken},
        {XCB_MOD_MASK_LOCK, true, X11KeyGrab::Result::Taken}, // held only with Caps Lock on
        {XCB_MOD_MASK_2, true, X11KeyGrab::Result::Taken}, // held only with Num Lock on
    };
    for (const auto &row : rows) {
        if (row.grab) {
            ASSERT_TRUE(holder.hold(XCB_MOD_MASK_1 | row.held)) << row.held;
        }
        EXPECT_EQ(X11KeyGrab::probe(altSpace, server.display()), row.expected) << row.held;
        holder.release();
        // The trial kept nothing: the key is there to take.
        EXPECT_TRUE(holder.hold(XCB_MOD_MASK_1 | row.held)) << row.held;
        holder.release();
    }
    EXPECT_EQ(X11KeyGrab::probe(Qt::AltModifier | Qt::ShiftModifier | Qt::Key_Space, server.display()),
              X11KeyGrab::Result::Free);

    // In an X11 session with no desktop service, the key is held by nobody named.
    ASSERT_TRUE(holder.hold(XCB_MOD_MASK_1));
    const ScopedEnvironment display("DISPLAY", server.display());
    const ScopedEnvironment desktop("XDG_CURRENT_DESKTOP", "");
    EXPECT_EQ(platform::desktopShortcutOwner(altSpace), std::optional(QString()));
    EXPECT_FALSE(platform::desktopShortcutOwner(Qt::AltModifier | Qt::Key_F5).has_value());
    {
        const ScopedEnvironment wayland("XDG_SESSION_TYPE", "wayland");
        EXPECT_FALSE(platform::desktopShortcutOwner(altSpace).has_value()); // the compositor sees no X grabs
    }
}

TEST_F(GnomeSettings, ACommandShortcutIsOneCustomBindingThatTheConflictCheckSees)
{
    const QString base = QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");
    const QString users = base + QStringLiteral("c7/");
    setStrv(media, "custom-keybindings", {users.toUtf8().constData()});
    const QByteArray ours = (base + QStringLiteral("corvane-test/")).toUtf8();
    platform::CommandShortcut shortcut = showLauncher();

    EXPECT_EQ(platform::addCommandShortcut(platform::ShortcutDesktop::Gnome, shortcut), QString());
    EXPECT_EQ(string(custom, ours, "binding"), QStringLiteral("<Control><Alt>space"));
    EXPECT_EQ(string(custom, ours, "command"), QStringLiteral("corvanectl show"));
    EXPECT_EQ(GnomeKeybindings::owner(shortcut.keys), QStringLiteral("Show Launcher"));

    // Again, with other keys and an argument a shell would split: replaced, not added.
    shortcut.command << QStringLiteral("two words");
    shortcut.keys = Qt::MetaModifier | Qt::Key_F7;
    EXPECT_EQ(platform::addCommandShortcut(platform::ShortcutDesktop::Gnome, shortcut), QString());
    EXPECT_EQ(strv(media, "custom-keybindings"), (QStringList{users, QString::fromUtf8(ours)}));
    EXPECT_EQ(string(custom, ours, "binding"), QStringLiteral("<Super>F7"));
    EXPECT_EQ(string(custom, ours, "command"), QStringLiteral("corvanectl show 'two words'"));
    EXPECT_EQ(GnomeKeybindings::owner(Qt::ControlModifier | Qt::AltModifier | Qt::Key_Space), QString());

    // An id that would leave the custom bindings' folder, or nothing to run: nothing is written.
    for (const QString &id : {QStringLiteral("../../wm"), QStringLiteral("a/b"), QString()}) {
        shortcut.id = id;
        EXPECT_NE(platform::addCommandShortcut(platform::ShortcutDesktop::Gnome, shortcut), QString()) << qPrintable(id);
    }
    shortcut.id = QStringLiteral("corvane-other");
    shortcut.command.clear();
    EXPECT_NE(platform::addCommandShortcut(platform::ShortcutDesktop::Gnome, shortcut), QString());
    EXPECT_EQ(strv(media, "custom-keybindings").size(), 2);
}

// A write the settings' service refuses is a failure, not a success: dconf's
// service, finding a file where its folder belongs, refuses, and dconf undoes
// the change after the fact. GIO keeps its first backend, so a child process
// of this test asks.
TEST(GnomeSettingsService, AWriteTheServiceDoesNotKeepIsToldAsAFailure)
{
    platform::CommandShortcut shortcut = showLauncher();
    if (qEnvironmentVariableIsSet("CORVANE_DCONF_CHILD")) {
        std::printf("failure: %s\n", qPrintable(platform::addCommandShortcut(platform::ShortcutDesktop::Gnome, shortcut)));
        return;
    }
    if (!corvane::test::useSystemSchemasWithKeyfile() || !QFileInfo::exists(QStringLiteral(DCONF_GIO_MODULE)))
        GTEST_SKIP() << "no GSettings schemas or no dconf backend: skipped";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("dconf"));
    environment.insert(QStringLiteral("CORVANE_DCONF_CHILD"), QStringLiteral("1"));
    QFile blocker(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/dconf"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=GnomeSettingsService.*")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray output = child.readAllStandardOutput();
    EXPECT_TRUE(output.contains("failure: GNOME's settings did not keep the shortcut.\n")) << output.constData();
    // The service the bus started for the child outlives the bus: end it by its pid.
    const QDBusReply<uint> service =
        QDBusConnection::sessionBus().interface()->servicePid(QStringLiteral("ca.desrt.dconf"));
    if (service.isValid())
        ::kill(pid_t(service.value()), SIGTERM);
    blocker.remove();
}

// The daemon under an X server, where it grabs keys for real.
TEST(KdeShortcuts, TheDaemonNamesOwnersRunsAddedCommandsAndAStoppedOneCostsOnlyTheTimeout)
{
    if (!QFileInfo(kdeDaemon).isExecutable())
        GTEST_SKIP() << kdeDaemon.toStdString() << " is not installed: skipped";
    platform::CommandShortcut shortcut{QStringLiteral("corvane-test"), QStringLiteral("Show Launcher"),
                                       {QStringLiteral("touch"), corvane::test::sandboxDir() + QStringLiteral("/pressed")},
                                       Qt::ControlModifier | Qt::AltModifier | Qt::Key_K};
    // No daemon: no answer, a sentence, and the questions do not start one.
    EXPECT_EQ(KdeGlobalShortcuts::owner(Qt::AltModifier | Qt::Key_Space), QString());
    EXPECT_EQ(platform::addCommandShortcut(platform::ShortcutDesktop::Kde, shortcut),
              QStringLiteral("KDE's global shortcuts service did not answer."));
    EXPECT_FALSE(kdeServiceRuns());

    const Xvfb server;
    if (!server.started())
        GTEST_SKIP() << "Xvfb did not start: skipped";
    const QProcessEnvironment environment = server.environment();
    const KdeDaemon daemon("[org.kde.krunner.desktop]\n"
                           "_k_friendly_name=KRunner\n"
                           "_launch=Alt+Space\\tAlt+F2\\tSearch,Alt+Space\\tAlt+F2\\tSearch,Run Command\n",
                           environment);
    ASSERT_TRUE(daemon.started());
    const QStringList action{QStringLiteral("testapp"), QStringLiteral("launch"), QStringLiteral("Test App"),
                             QStringLiteral("Launch it")};
    ASSERT_EQ(callKde(QStringLiteral("doRegister"), {action}).type(), QDBusMessage::ReplyMessage);
    const int metaE = (Qt::MetaModifier | Qt::Key_E).toCombined();
    const QDBusMessage set = callKde(QStringLiteral("setShortcut"),
                                     {action, QVariant::fromValue(QList<int>{metaE}), 2u});
    ASSERT_EQ(set.type(), QDBusMessage::ReplyMessage) << set.errorMessage().toStdString();

    const std::pair<QKeyCombination, const char *> rows[] = {
        {Qt::AltModifier | Qt::Key_Space, "Run Command (KRunner)"}, // from the saved configuration
        {Qt::MetaModifier | Qt::Key_E, "Launch it (Test App)"}, // registered through the interface
        {Qt::MetaModifier | Qt::ShiftModifier | Qt::Key_E, ""},
    };
    for (const auto &[combination, owner] : rows)
        EXPECT_EQ(KdeGlobalShortcuts::owner(combination).toStdString(), owner) << combination.toCombined();
    {
        // KDE answers before GNOME's settings are even looked at.
        const ScopedEnvironment session("XDG_CURRENT_DESKTOP", "KDE");
        EXPECT_EQ(platform::desktopShortcutOwner(Qt::AltModifier | Qt::Key_Space),
                  QStringLiteral("Run Command (KRunner)"));
    }

    // An added command runs when its keys are pressed; keys another holds are refused.
    EXPECT_EQ(platform::addCommandShortcut(platform::ShortcutDesktop::Kde, shortcut), QString());
    ASSERT_TRUE(server.xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+k")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(shortcut.command[1]); }, 20000));
    shortcut.keys = Qt::AltModifier | Qt::Key_Space;
    EXPECT_EQ(platform::addCommandShortcut(platform::ShortcutDesktop::Kde, shortcut),
              QStringLiteral("KDE kept these keys for another shortcut."));

    // Stopped, it costs only the bounded wait (the test would hang otherwise), with no owner.
    ASSERT_EQ(::kill(daemon.pid(), SIGSTOP), 0);
    EXPECT_EQ(KdeGlobalShortcuts::owner(Qt::AltModifier | Qt::Key_Space), QString());
    EXPECT_EQ(platform::desktopShortcutOwner(Qt::AltModifier | Qt::Key_Space), std::nullopt);
    ASSERT_EQ(::kill(daemon.pid(), SIGCONT), 0);
    // Woken, it answers again: the stop, not the question, was at fault.
    EXPECT_EQ(KdeGlobalShortcuts::owner(Qt::AltModifier | Qt::Key_Space, std::chrono::seconds(10)),
              QStringLiteral("Run Command (KRunner)"));
}

TEST(GlobalShortcutsPortal, OnlyAPortalOfferingTheInterfaceGivesAVersionAndAStoppedOneIsLeftBehind)
{
    const auto ask = [](std::chrono::milliseconds timeout = platform::GlobalShortcutsPortal::defaultTimeout) {
        QObject context;
        std::optional<uint> answer;
        platform::GlobalShortcutsPortal::queryVersion(&context, [&](uint version) { answer = version; }, timeout);
        return QTest::qWaitFor([&] { return answer.has_value(); }, 20000) ? answer : std::nullopt;
    };
    EXPECT_EQ(ask(), 0u); // no portal on the bus
    {
        const corvane::test::PortalStandIn portal(QStringLiteral(CORVANE_PORTAL_STAND_IN), 0);
        ASSERT_TRUE(portal.ready());
        EXPECT_EQ(ask(), 0u); // a portal without the interface
    }
    corvane::test::PortalStandIn portal(QStringLiteral(CORVANE_PORTAL_STAND_IN), 1);
    ASSERT_TRUE(portal.ready());
    EXPECT_EQ(ask(), 1u);
    portal.stop();
    EXPECT_EQ(ask(std::chrono::milliseconds(300)), 0u);
}
