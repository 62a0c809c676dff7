#include "CorvaneServiceHelper.h"
#include "KeyCombo.h"
#include "ServiceTestSupport.h"
#include "platform/plist/UserDefaults.h"
#include "platform/system/SearchPaths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

const char *const systemSchemas = "/usr/share/glib-2.0/schemas";

enum class Desktop { None, Gnome };

struct Result
{
    int status = -1;
    std::string out;
    std::string err;
};

Result corvanectl(const QStringList &arguments, Desktop desktop = Desktop::None)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    if (desktop == Desktop::Gnome) {
        environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
        environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
        environment.insert(QStringLiteral("GSETTINGS_SCHEMA_DIR"), QString::fromLatin1(systemSchemas));
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(CORVANECTL), arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

QByteArray storedHotKey()
{
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    defaults.synchronize();
    return defaults.persistentDomainForName(ServiceBundleIdentifier)
        .value_or(QVariantMap())
        .value(QStringLiteral("ShowHideHotKey"))
        .toByteArray();
}

} // namespace

TEST(Corvanectl, HotKeysAreSetShownAndClearedByThePanesRules)
{
    struct Row
    {
        QStringList arguments;
        int status;
        const char *out;
        const char *err;
    };
    const std::string reserved = "corvanectl: Hot Key Is Reserved: The key combination you pressed is either a "
                                 "reserved or recommended keyboard command equivalent for Mac OS X applications. To "
                                 "prevent conflicts, these key combinations cannot be assigned to shortcuts.\n";
    const Row rows[] = {
        {{"hotkey", "set", "⌥Space"}, 0, "", ""},
        {{"hotkey", "show"}, 0, "hot key: ⌥Space (Alt+Space)\n", ""},
        {{"hotkey", "set", "<Super>Return"}, 0, "", ""},
        {{"hotkey", "show"}, 0, "hot key: ⌘↩ (Meta+Return)\n", ""},
        {{"hotkey", "set", "Ctrl+Shift+F9"}, 0, "", ""},
        {{"hotkey", "show"}, 0, "hot key: ^⇧F9 (Ctrl+Shift+F9)\n", ""},
        // Refused: nothing changes.
        {{"hotkey", "set", "Nonsense"}, 1, "", "corvanectl: \"Nonsense\" names no key combination.\n"},
        {{"hotkey", "set", ""}, 1, "", "corvanectl: \"\" names no key combination.\n"},
        {{"hotkey", "set", "⌘Q"}, 1, "", reserved.c_str()},
        {{"hotkey", "set", "space"}, 1, "", reserved.c_str()}, // a bare key
        {{"hotkey", "show"}, 0, "hot key: ^⇧F9 (Ctrl+Shift+F9)\n", ""},
        {{"hotkey", "clear"}, 0, "", ""},
        {{"hotkey", "show"}, 0, "hot key: none\n", ""},
    };
    for (const auto &row : rows) {
        const Result result = corvanectl(row.arguments);
        EXPECT_EQ(result.status, row.status) << row.arguments.join(u' ').toStdString();
        EXPECT_EQ(result.out, row.out) << row.arguments.join(u' ').toStdString();
        EXPECT_EQ(result.err, row.err) << row.arguments.join(u' ').toStdString();
    }
    // Whether a service runs is told by the process list, which other checkouts'
    // services share: only the form of the answer is checked.
    const Result status = corvanectl({QStringLiteral("status")});
    EXPECT_EQ(status.status, 0);
    EXPECT_TRUE(status.out == "running\nhot key: none\n" || status.out == "stopped\nhot key: none\n") << status.out;
    // The pane's stored form: the cleared combination's archive.
    EXPECT_EQ(storedHotKey(), KeyCombo::clearKeyCombo()->archivedData());
}

TEST(Corvanectl, ACombinationTheDesktopHoldsIsRefusedNamingItsOwner)
{
    if (!QFile::exists(QString::fromLatin1(systemSchemas) + QStringLiteral("/gschemas.compiled")))
        GTEST_SKIP() << "no compiled GSettings schemas: skipped";
    for (const char *text : {"Alt+Space", "<Alt>space", "⌥Space"}) {
        const Result refused = corvanectl({QStringLiteral("hotkey"), QStringLiteral("set"), QString::fromUtf8(text)},
                                          Desktop::Gnome);
        EXPECT_EQ(refused.status, 1) << text;
        EXPECT_EQ(refused.err, "corvanectl: Hot Key Is Used by the Desktop: Alt+Space is used by the desktop: "
                               "Activate the window menu\n")
            << text;
    }
    EXPECT_EQ(
        corvanectl({QStringLiteral("hotkey"), QStringLiteral("set"), QStringLiteral("Alt+Shift+Space")}, Desktop::Gnome)
            .status,
        0);
    const auto stored = KeyCombo::unarchiveObjectWithData(storedHotKey());
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, *KeyCombo::keyComboWithKeyCode(49, KeyCombo::OptionKey | KeyCombo::ShiftKey));
    // The launcher's own hot key is not the desktop's, even where it holds it.
    EXPECT_EQ(corvanectl({QStringLiteral("hotkey"), QStringLiteral("set"), QStringLiteral("⌥Space")}).status, 0);
    EXPECT_EQ(
        corvanectl({QStringLiteral("hotkey"), QStringLiteral("set"), QStringLiteral("<Alt>space")}, Desktop::Gnome)
            .status,
        0);
}

TEST(Corvanectl, UsageGoesToStandardErrorForAnythingElse)
{
    for (const QStringList &arguments : {QStringList{}, QStringList{"bogus"}, QStringList{"hotkey"},
                                         QStringList{"hotkey", "set"}, QStringList{"status", "extra"}}) {
        const Result result = corvanectl(arguments);
        EXPECT_EQ(result.status, 2) << arguments.join(u' ').toStdString();
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("Usage: corvanectl"), std::string::npos);
    }
    const Result help = corvanectl({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("hotkey set <keys>"), std::string::npos);
}

TEST(Corvanectl, EnableHotKeyAndDisableReachTheRealService)
{
    using namespace corvane::test;
    QString foreign;
    ASSERT_TRUE(ServiceGuard::waitForNoForeignService(&foreign)) << qPrintable(foreign);
    const ServiceGuard guard;
    const QString services = platform::searchPathForDirectoriesInDomains(platform::SearchPathDirectory::Library,
                                                                         platform::SearchPathDomain::User, true)
                                 .value(0)
                             + QStringLiteral("/Services");
    ASSERT_TRUE(linkService(services));
    const ServiceJournalReader journal;

    EXPECT_EQ(corvanectl({QStringLiteral("enable")}).status, 0);
    ASSERT_TRUE(journal.waitFor(QStringLiteral("posted CorvaneAppHasLaunchedNotification")));
    EXPECT_EQ(corvanectl({QStringLiteral("status")}).out.rfind("running\n", 0), 0u);
    EXPECT_EQ(corvanectl({QStringLiteral("enable")}).status, 0); // running already: nothing more starts
    EXPECT_EQ(ServiceGuard::runningServices().size(), 1);

    // The pane's message, and the domain the service reads.
    EXPECT_EQ(corvanectl({QStringLiteral("hotkey"), QStringLiteral("set"), QStringLiteral("Ctrl+Alt+K")}).status, 0);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message hotKeyChanged 40 6144")));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("value ShowHideHotKey 40 6144")));
    EXPECT_EQ(corvanectl({QStringLiteral("hotkey"), QStringLiteral("clear")}).status, 0);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message hotKeyChanged -1 -1")));

    EXPECT_EQ(corvanectl({QStringLiteral("disable")}).status, 0); // returns once the service is gone
    EXPECT_TRUE(journal.contains(QStringLiteral("message terminateApp")));
    EXPECT_FALSE(CorvaneServiceHelper::isServiceRunning());
    EXPECT_FALSE(QFileInfo::exists(services + QStringLiteral("/Corvane.bundle")));
    EXPECT_EQ(corvanectl({QStringLiteral("disable")}).status, 0); // not running: nothing to do
}
