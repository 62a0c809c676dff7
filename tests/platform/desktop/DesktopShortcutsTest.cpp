// The desktops' own key bindings, asked of the real services: GNOME's schemas
// through GSettings' keyfile backend in the sandbox's config folder, and KDE's
// kglobalaccel5 daemon started on the sandbox's private bus.

#include "platform/desktop/DesktopShortcuts.h"
#include "platform/desktop/GnomeKeybindings.h"
#include "platform/desktop/KdeGlobalShortcuts.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gio/gio.h>

#include <csignal>
#include <memory>

namespace {

using platform::GnomeKeybindings;
using platform::KdeGlobalShortcuts;

const QString kdeService = QStringLiteral("org.kde.kglobalaccel");
const QString kdeDaemon = QStringLiteral("/usr/bin/kglobalaccel5");
const char *const systemSchemas = "/usr/share/glib-2.0/schemas";

bool kdeServiceRuns()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(kdeService);
}

/// Sets an environment variable for one scope.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_previous(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnvironment() { m_had ? qputenv(m_name, m_previous) : qunsetenv(m_name); }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_previous;
};

/// kglobalaccel5 on the private bus, with `configuration` as its saved
/// shortcuts; ended by its pid, since it outlives the bus.
class KdeDaemon
{
public:
    explicit KdeDaemon(const QByteArray &configuration)
    {
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

class GnomeSettings : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // Before GIO's first use: it keeps the backend and schema source it finds.
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("GSETTINGS_SCHEMA_DIR", systemSchemas);
    }
    void SetUp() override
    {
        if (!QFileInfo::exists(QString::fromLatin1(systemSchemas) + QStringLiteral("/gschemas.compiled")))
            GTEST_SKIP() << "no compiled GSettings schemas in " << systemSchemas << ": skipped";
    }

    static void setStrv(const char *schema, const char *key, std::initializer_list<const char *> values,
                        const char *path = nullptr)
    {
        std::vector<const char *> list(values);
        list.push_back(nullptr);
        const std::unique_ptr<GSettings, decltype(&g_object_unref)> settings(
            path ? g_settings_new_with_path(schema, path) : g_settings_new(schema), &g_object_unref);
        ASSERT_TRUE(g_settings_set_strv(settings.get(), key, list.data()));
        g_settings_sync();
    }
    static void setString(const char *schema, const char *path, const char *key, const char *value)
    {
        const std::unique_ptr<GSettings, decltype(&g_object_unref)> settings(g_settings_new_with_path(schema, path),
                                                                             &g_object_unref);
        ASSERT_TRUE(g_settings_set_string(settings.get(), key, value));
        g_settings_sync();
    }
};

} // namespace

TEST_F(GnomeSettings, BindingsAreNamedInTheSchemasWords)
{
    const char *media = "org.gnome.settings-daemon.plugins.media-keys";
    const char *custom = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
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
        {Qt::MetaModifier | Qt::Key_Space, "Switch input source"}, // default, first of two
        {Qt::AltModifier | Qt::Key_F2, "Show the run command prompt"}, // default
        {Qt::MetaModifier | Qt::Key_O, "Keybinding to open the overview"}, // changed by the user
        {Qt::MetaModifier | Qt::Key_S, ""}, // its old default, now free
        {Qt::ControlModifier | Qt::AltModifier | Qt::Key_L, "Lock screen"}, // second of a list after ''
        {Qt::ControlModifier | Qt::AltModifier | Qt::Key_N, "Open Notes"}, // a custom binding
        {Qt::MetaModifier | Qt::Key_F9, "<Super>F9"},
        {Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::Key_Q, ""},
        {Qt::AltModifier | Qt::ShiftModifier | Qt::Key_Space, ""}, // no subset or superset matching
    };
    for (const auto &[combination, owner] : rows)
        EXPECT_EQ(GnomeKeybindings::owner(combination).toStdString(), owner) << combination.toCombined();
}

TEST_F(GnomeSettings, OnlyAGnomeSessionIsAsked)
{
    const std::pair<const char *, bool> rows[] = {
        {"GNOME", true}, {"ubuntu:GNOME", true}, {"Budgie:GNOME", true},
        {"gnome", true}, {"KDE", false},         {"XFCE", false},
        {"", false},     {"GNOMEISH", false},
    };
    for (const auto &[desktop, gnome] : rows) {
        const ScopedEnvironment session("XDG_CURRENT_DESKTOP", desktop);
        EXPECT_EQ(GnomeKeybindings::isSessionDesktop(), gnome) << desktop;
        EXPECT_EQ(platform::desktopShortcutOwner(Qt::AltModifier | Qt::Key_Space).isEmpty(), !gnome) << desktop;
    }
}

TEST(KdeShortcuts, TheDaemonNamesTheOwningAction)
{
    if (!QFileInfo(kdeDaemon).isExecutable())
        GTEST_SKIP() << kdeDaemon.toStdString() << " is not installed: skipped";
    // No daemon: no answer, and the question does not start one.
    EXPECT_EQ(KdeGlobalShortcuts::owner(Qt::AltModifier | Qt::Key_Space), QString());
    EXPECT_FALSE(kdeServiceRuns());

    const KdeDaemon daemon("[org.kde.krunner.desktop]\n"
                           "_k_friendly_name=KRunner\n"
                           "_launch=Alt+Space\\tAlt+F2\\tSearch,Alt+Space\\tAlt+F2\\tSearch,Run Command\n");
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
        {Qt::AltModifier | Qt::Key_F2, "Run Command (KRunner)"}, // its alternative
        {Qt::MetaModifier | Qt::Key_E, "Launch it (Test App)"}, // registered through the interface
        {Qt::MetaModifier | Qt::ShiftModifier | Qt::Key_E, ""},
        {Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::Key_Q, ""},
    };
    for (const auto &[combination, owner] : rows)
        EXPECT_EQ(KdeGlobalShortcuts::owner(combination).toStdString(), owner) << combination.toCombined();
    // KDE answers before GNOME's settings are even looked at.
    const ScopedEnvironment session("XDG_CURRENT_DESKTOP", "KDE");
    EXPECT_EQ(platform::desktopShortcutOwner(Qt::AltModifier | Qt::Key_Space).toStdString(), "Run Command (KRunner)");
}

TEST(KdeShortcuts, AStoppedDaemonCostsOnlyTheTimeout)
{
    if (!QFileInfo(kdeDaemon).isExecutable())
        GTEST_SKIP() << kdeDaemon.toStdString() << " is not installed: skipped";
    const KdeDaemon daemon("[org.kde.krunner.desktop]\n_launch=Alt+Space,Alt+Space,Search\n");
    ASSERT_TRUE(daemon.started());
    ASSERT_EQ(::kill(daemon.pid(), SIGSTOP), 0);
    // Returns (the test would hang otherwise) with no owner.
    EXPECT_EQ(KdeGlobalShortcuts::owner(Qt::AltModifier | Qt::Key_Space), QString());
    const ScopedEnvironment session("XDG_CURRENT_DESKTOP", "KDE");
    EXPECT_EQ(platform::desktopShortcutOwner(Qt::AltModifier | Qt::Key_Space), QString());
    ASSERT_EQ(::kill(daemon.pid(), SIGCONT), 0);
    // Woken, it answers again: the stop, not the question, was at fault.
    EXPECT_EQ(KdeGlobalShortcuts::owner(Qt::AltModifier | Qt::Key_Space, std::chrono::seconds(10)),
              QStringLiteral("Search (org.kde.krunner.desktop)"));
}
