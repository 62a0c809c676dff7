#include "CorvaneServiceHelper.h"
#include "KeyCombo.h"
#include "ServiceTestSupport.h"
#include "platform/plist/UserDefaults.h"
#include "platform/system/SearchPaths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <ostream>

namespace {

const char *const systemSchemas = "/usr/share/glib-2.0/schemas";

enum class Desktop { None, Gnome };

struct Result
{
    int status = -1;
    std::string out;
    std::string err;
};

// Every expectation prints the run whole: a failure under load must say what the child said.
std::ostream &operator<<(std::ostream &stream, const Result &result)
{
    return stream << "[status " << result.status << ", stdout \"" << result.out << "\", stderr \"" << result.err
                  << "\"]";
}

/// Runs corvanectl to its end; a child that hangs is killed and reported with
/// what it wrote, since a loaded machine may make it slow but never silent.
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
    if (!process.waitForStarted(60000))
        return {-1, {}, "did not start: " + process.errorString().toStdString()};
    const bool finished = process.waitForFinished(120000);
    if (!finished) {
        process.kill();
        process.waitForFinished(-1);
    }
    Result result{process.exitStatus() == QProcess::NormalExit && finished ? process.exitCode() : -1,
                  process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
    if (!finished)
        result.err = "killed after 120 s; stderr: " + result.err;
    else if (process.exitStatus() != QProcess::NormalExit)
        result.err = "crashed; stderr: " + result.err;
    return result;
}

Result setHotKey(const char *text, Desktop desktop = Desktop::None)
{
    return corvanectl({QStringLiteral("hotkey"), QStringLiteral("set"), QString::fromUtf8(text)}, desktop);
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
    const std::string reserved = "corvanectl: Hot Key Is Reserved: The key combination you pressed is either a "
                                 "reserved or recommended keyboard command equivalent for Mac OS X applications. To "
                                 "prevent conflicts, these key combinations cannot be assigned to shortcuts.\n";
    const struct
    {
        QStringList arguments;
        int status;
        std::string out;
        std::string err;
    } rows[] = {
        {{"hotkey", "set", "<Super>Return"}, 0, "", ""},
        {{"hotkey", "set", "Ctrl+Shift+F9"}, 0, "", ""},
        {{"hotkey", "set", "Nonsense"}, 1, "", "corvanectl: \"Nonsense\" names no key combination.\n"},
        {{"hotkey", "set", "⌘Q"}, 1, "", reserved},
        {{"hotkey", "set", "space"}, 1, "", reserved}, // a bare key
        {{"hotkey", "show"}, 0, "hot key: ^⇧F9 (Ctrl+Shift+F9)\n", ""}, // the refusals changed nothing
        {{"hotkey", "clear"}, 0, "", ""},
        {{"hotkey", "show"}, 0, "hot key: none\n", ""},
        {{}, 2, "", "Usage: corvanectl"}, // usage, on standard error
        {{"hotkey", "set"}, 2, "", "Usage: corvanectl"},
    };
    for (const auto &row : rows) {
        const Result result = corvanectl(row.arguments);
        EXPECT_TRUE(result.status == row.status && result.out == row.out && result.err.rfind(row.err, 0) == 0)
            << row.arguments.join(u' ').toStdString() << ": " << result;
    }
    // The pane's stored form: the cleared combination's archive.
    EXPECT_EQ(storedHotKey(), KeyCombo::clearKeyCombo()->archivedData());
}

TEST(Corvanectl, ACombinationTheDesktopHoldsIsRefusedNamingItsOwner)
{
    if (!QFile::exists(QString::fromLatin1(systemSchemas) + QStringLiteral("/gschemas.compiled")))
        GTEST_SKIP() << "no compiled GSettings schemas: skipped";
    for (const char *text : {"Alt+Space", "<Alt>space", "⌥Space"}) {
        const Result refused = setHotKey(text, Desktop::Gnome);
        EXPECT_TRUE(refused.status == 1
                    && refused.err
                           == "corvanectl: Hot Key Is Used by the Desktop: Alt+Space is used by the desktop: "
                              "Activate the window menu\n")
            << text << ": " << refused;
    }
    const Result free = setHotKey("Alt+Shift+Space", Desktop::Gnome);
    EXPECT_EQ(free.status, 0) << free;
    // The launcher's own hot key is not the desktop's, even where it holds it.
    ASSERT_EQ(setHotKey("⌥Space").status, 0);
    const Result own = setHotKey("<Alt>space", Desktop::Gnome);
    EXPECT_EQ(own.status, 0) << own;
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
    const auto run = [](const char *command) { return corvanectl({QString::fromLatin1(command)}); };
    constexpr int patience = 60000; // generous: the service starts slowly on a loaded machine

    const Result enabled = run("enable");
    ASSERT_EQ(enabled.status, 0) << enabled;
    ASSERT_TRUE(journal.waitFor(QStringLiteral("posted CorvaneAppHasLaunchedNotification"), patience));
    const Result status = run("status");
    EXPECT_EQ(status.out.rfind("running\n", 0), 0u) << status;
    const Result again = run("enable");
    EXPECT_EQ(again.status, 0) << again; // running already: nothing more starts
    EXPECT_EQ(ServiceGuard::runningServices().size(), 1);

    // The pane's message, and the domain the service reads.
    const Result set = setHotKey("Ctrl+Alt+K");
    EXPECT_EQ(set.status, 0) << set;
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message hotKeyChanged 40 6144"), patience));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("value ShowHideHotKey 40 6144"), patience));

    const Result disabled = run("disable"); // returns once the service is gone
    EXPECT_EQ(disabled.status, 0) << disabled;
    EXPECT_TRUE(journal.contains(QStringLiteral("message terminateApp")));
    EXPECT_FALSE(CorvaneServiceHelper::isServiceRunning());
    EXPECT_FALSE(QFileInfo::exists(services + QStringLiteral("/Corvane.bundle")));
    const Result idle = run("disable");
    EXPECT_EQ(idle.status, 0) << idle; // not running: nothing to do
}
