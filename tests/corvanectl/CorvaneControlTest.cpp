#include "CorvaneServiceHelper.h"
#include "KeyCombo.h"
#include "ServiceTestSupport.h"
#include "platform/plist/PropertyList.h"
#include "platform/plist/UserDefaults.h"
#include "platform/system/SearchPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

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
Result corvanectl(const QStringList &arguments, Desktop desktop = Desktop::None,
                  const QProcessEnvironment &base = QProcessEnvironment::systemEnvironment())
{
    QProcessEnvironment environment = base;
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
        {{"hotkey", "set", "Ctrl+Shift+F9"}, 0, "", ""},
        {{"hotkey", "set", "Nonsense"}, 1, "", "corvanectl: \"Nonsense\" names no key combination.\n"},
        {{"hotkey", "set", "⌘Q"}, 1, "", reserved},
        {{"hotkey", "show"}, 0, "hot key: ^⇧F9 (Ctrl+Shift+F9)\n", ""}, // the refusals changed nothing
        {{"hotkey", "clear"}, 0, "", ""},
        {{"hotkey", "show"}, 0, "hot key: none\n", ""},
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
    const Result refused = setHotKey("<Alt>space", Desktop::Gnome);
    EXPECT_TRUE(refused.status == 1
                && refused.err
                       == "corvanectl: Hot Key Is Used by the Desktop: Alt+Space is used by the desktop: "
                          "Activate the window menu\n")
        << refused;
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
    ASSERT_TRUE(ServiceGuard::noForeignService());
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
    // Each setting's own message, as the pane sends it.
    for (const auto &[arguments, message] : {std::pair{QStringList{"sort", "frequent"}, "sortPreferenceChanged 2"},
                                             std::pair{QStringList{"limit", "on"}, "limitApplicationSearchChanged true"},
                                             std::pair{QStringList{"corner", "top-left", "on"}, "hotCornersChanged"}}) {
        EXPECT_EQ(corvanectl(arguments).status, 0);
        const QString expected = QStringLiteral("message ") + QString::fromLatin1(message);
        const QString name = expected.section(u' ', 0, 1); // a wrong value shows at once, not after the wait
        EXPECT_EQ(journal.waitForLineStartingWith(name, patience).toStdString(), expected.toStdString());
    }
    EXPECT_TRUE(journal.waitFor(QStringLiteral("value TopLeftCorner true"), patience));
    // The launcher's own interface on the same object.
    const Result shown = run("show");
    EXPECT_EQ(shown.status, 0) << shown;
    EXPECT_TRUE(journal.waitFor(QStringLiteral("launcher Show bus"), patience));

    // The login item names the linked service.
    EXPECT_EQ(corvanectl({QStringLiteral("login-item"), QStringLiteral("on")}).status, 0);
    const QString autostart = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart/Corvane.desktop");
    EXPECT_TRUE(QFileInfo::exists(autostart));
    EXPECT_NE(run("status").out.find("start at login: on\n"), std::string::npos);
    EXPECT_EQ(corvanectl({QStringLiteral("login-item"), QStringLiteral("off")}).status, 0);
    EXPECT_NE(run("status").out.find("start at login: off\n"), std::string::npos);

    const Result disabled = run("disable"); // returns once the service is gone
    EXPECT_EQ(disabled.status, 0) << disabled;
    EXPECT_TRUE(journal.contains(QStringLiteral("message terminateApp")));
    EXPECT_FALSE(CorvaneServiceHelper::isServiceRunning());
    EXPECT_FALSE(QFileInfo::exists(services + QStringLiteral("/Corvane.bundle")));
    const Result idle = run("disable");
    EXPECT_EQ(idle.status, 0) << idle; // not running: nothing to do
}

namespace {

/// A home of its own (configuration, data, state) over the applications of a
/// shared data folder, as on a second machine with the same applications.
class Home
{
public:
    Home(const QString &root, const QString &sharedData)
        : m_root(root)
    {
        m_environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"}) {
            const QString folder = root + u'/' + QString::fromLatin1(name);
            QDir().mkpath(folder);
            m_environment.insert(QString::fromLatin1(name), folder);
        }
        m_environment.insert(QStringLiteral("XDG_DATA_DIRS"), sharedData);
    }

    /// The service catalogues the shared applications into this home's store.
    bool catalogue() const
    {
        QProcess service;
        service.setProcessEnvironment(m_environment);
        service.start(QStringLiteral(CORVANE_SERVICE_APP "/Corvane"), {QStringLiteral("--catalogue")});
        return service.waitForFinished(60000) && service.exitCode() == 0;
    }

    Result run(const QStringList &arguments) const { return corvanectl(arguments, Desktop::None, m_environment); }

    QString domainPath() const
    {
        return m_environment.value(QStringLiteral("XDG_CONFIG_HOME")) + QStringLiteral("/com.velora.Corvane.plist");
    }

    /// The service's preferences domain as this home's file holds it.
    QVariantMap domain() const
    {
        QFile file(domainPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return platform::readPropertyList(file.readAll()).value.toMap();
    }

private:
    QString m_root;
    QProcessEnvironment m_environment;
};

QString writeApplication(const QString &folder, const QString &name)
{
    const QString path = folder + u'/' + name + QStringLiteral(".desktop");
    QFile entry(path);
    if (entry.open(QIODevice::WriteOnly))
        entry.write("[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec=true\n");
    return path;
}

QStringList args(std::initializer_list<QString> words)
{
    return QStringList(words);
}

} // namespace

class CorvanectlHomes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("shared/applications"))));
        for (const char *name : {"Alpha", "Beta", "Gamma"})
            apps.append(writeApplication(root.filePath(QStringLiteral("shared/applications")), QString::fromLatin1(name)));
        ASSERT_TRUE(first.catalogue());
        ASSERT_TRUE(second.catalogue());
    }

    QTemporaryDir root;
    QStringList apps;
    Home first{root.filePath(QStringLiteral("first")), root.filePath(QStringLiteral("shared"))};
    Home second{root.filePath(QStringLiteral("second")), root.filePath(QStringLiteral("shared"))};
};

TEST_F(CorvanectlHomes, ExportInOneHomeAndImportInAnotherGiveTheSameSettings)
{
    const QList<QStringList> changes{
        args({"sort", "recent"}),      args({"limit", "on"}),          args({"corner", "top-left", "on"}),
        args({"corner", "bottom-right", "on"}), args({"corner", "top-right", "off"}),
        args({"corner", "bottom-left", "off"}), args({"hotkey", "set", "Ctrl+Shift+F9"}),
        args({"exclude", apps[1]}),    args({"exclude", apps[2]}),     args({"include", apps[2]}),
    };
    for (const QStringList &change : changes) {
        const Result result = first.run(change);
        EXPECT_EQ(result.status, 0) << change.join(u' ').toStdString() << ": " << result;
    }
    ASSERT_EQ(second.run(args({"exclude", apps[0]})).status, 0); // the import replaces the list

    const QString file = root.filePath(QStringLiteral("settings.json"));
    const Result exported = first.run({QStringLiteral("export"), file});
    ASSERT_EQ(exported.status, 0) << exported;
    const Result imported = second.run({QStringLiteral("import"), file});
    ASSERT_EQ(imported.status, 0) << imported;

    const QVariantMap domain = first.domain();
    ASSERT_EQ(domain.value(QStringLiteral("CVSortOrder")).toInt(), 1);
    for (const QString &key : {QStringLiteral("CVSortOrder"), QStringLiteral("LimitAppSearchesToSystemVolume"),
                               QStringLiteral("ShowHideHotKey"), QStringLiteral("TopLeftCorner"),
                               QStringLiteral("TopRightCorner"), QStringLiteral("BottomLeftCorner"),
                               QStringLiteral("BottomRightCorner")})
        EXPECT_EQ(second.domain().value(key), domain.value(key)) << key.toStdString();
    const Result listed = second.run(args({"excluded"}));
    EXPECT_EQ(listed.out, apps[1].toStdString() + "\n") << listed;
    EXPECT_EQ(second.run({QStringLiteral("export"), QStringLiteral("-")}).out,
              first.run({QStringLiteral("export"), QStringLiteral("-")}).out);
}

TEST_F(CorvanectlHomes, EveryCommandRefusesWhatThePaneWouldAndAFailedImportChangesNothing)
{
    const auto write = [this](const char *name, const QByteArray &bytes) {
        QFile file(root.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return file.fileName();
    };
    const QString unknownApp = root.filePath(QStringLiteral("nowhere/Delta.desktop"));
    const QString badJson = write("bad.json", "{\"version\": 1,");
    const QString withUnknownApp = write("unknown-app.json", "{\"version\": 1, \"sortOrder\": \"frequent\", "
                                                             "\"excluded\": [\"" + unknownApp.toUtf8() + "\"]}");
    const QString withReserved = write("reserved.json", "{\"version\": 1, \"limitSearch\": true, \"corners\": "
                                                        "{\"top-right\": true}, \"hotKey\": \"⌘Q\"}");
    const struct
    {
        QStringList arguments;
        std::string err;
    } rows[] = {
        {{}, "corvanectl: a command is needed"},
        {args({"frobnicate"}), "corvanectl: \"frobnicate\" is no command"},
        {args({"hotkey", "set"}), "corvanectl: usage: corvanectl hotkey show\n"},
        {args({"corner", "middle", "on"}), "corvanectl: \"middle\" is no corner"},
        {args({"corner", "top-left", "maybe"}), "corvanectl: \"maybe\" is neither on nor off"},
        {args({"sort", "size"}), "corvanectl: \"size\" is no order"},
        {args({"limit", "yes"}), "corvanectl: \"yes\" is neither on nor off"},
        {args({"login-item", "1"}), "corvanectl: \"1\" is neither on nor off"},
        {args({"show"}), "corvanectl: The Corvane service is not running"},
        {args({"exclude", unknownApp}), "corvanectl: Corvane knows no application at " + unknownApp.toStdString()},
        {args({"export", root.filePath(QStringLiteral("nowhere/out.json"))}), "out.json could not be written"},
        {args({"import", root.filePath(QStringLiteral("missing.json"))}), "missing.json cannot be read"},
        {{QStringLiteral("import"), badJson}, "corvanectl: " + badJson.toStdString() + ": no JSON"},
        {{QStringLiteral("import"), withUnknownApp}, "corvanectl: Corvane knows no application at "},
        {{QStringLiteral("import"), withReserved}, "corvanectl: Hot Key Is Reserved: "},
    };
    // Something for a faulty import to change.
    ASSERT_EQ(first.run(args({"sort", "name"})).status, 0);
    ASSERT_EQ(first.run(args({"exclude", apps[0]})).status, 0);
    const QVariantMap before = first.domain();
    const Result excludedBefore = first.run(args({"excluded"}));
    for (const auto &row : rows) {
        const Result result = first.run(row.arguments);
        // The service helper may log before the error: no service is installed here.
        EXPECT_TRUE(result.status == 1 && result.out.empty() && result.err.find(row.err) != std::string::npos)
            << row.arguments.join(u' ').toStdString() << ": " << result;
    }
    EXPECT_EQ(first.domain(), before);
    EXPECT_EQ(first.run(args({"excluded"})).out, excludedBefore.out);
}

TEST_F(CorvanectlHomes, AnImportWhoseSettingsCannotBeWrittenLeavesTheExcludedListAsItWas)
{
    ASSERT_EQ(first.run(args({"exclude", apps[0]})).status, 0);
    // A folder where the domain file goes: every write of it fails, even for root.
    ASSERT_TRUE(QDir().mkpath(first.domainPath()));
    QFile document(root.filePath(QStringLiteral("import.json")));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write("{\"version\": 1, \"sortOrder\": \"recent\", \"excluded\": [\"" + apps[1].toUtf8() + "\"]}");
    document.close();

    const Result imported = first.run({QStringLiteral("import"), document.fileName()});
    EXPECT_TRUE(imported.status == 1 && imported.err.find("could not be written") != std::string::npos) << imported;
    const Result listed = first.run(args({"excluded"}));
    EXPECT_EQ(listed.out, apps[0].toStdString() + "\n") << listed;
}
