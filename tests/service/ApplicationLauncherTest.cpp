#include "LauncherTestSupport.h"
#include "TestSupport.h"

#include "ApplicationCatalogue.h"
#include "ApplicationLauncher.h"
#include "Launcher.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace corvane::test;

namespace {

LauncherApplication entryApp(const QString &id, const QByteArray &body)
{
    EXPECT_TRUE(writeEntry(userApplications(), id, "Type=Application\n" + body));
    LauncherApplication app;
    app.id = id;
    app.path = userApplications() + u'/' + id;
    return app;
}

QByteArray quotedRecorder()
{
    return "\"" + recorder().toUtf8() + "\"";
}

class ApplicationLaunching : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearApplications();
        installRecorder();
    }
    ApplicationLauncher launcher;
};

// Answers org.freedesktop.Application on the bus for one application.
class ActivatedApplication : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        calls << message.interface() + u'.' + message.member() + u' ' + QString::number(message.arguments().size());
        connection.send(message.createReply());
        return true;
    }
    QStringList calls;
};

} // namespace

TEST_F(ApplicationLaunching, ExecFieldCodesExpandOnceIntoWholeArguments)
{
    const auto mail = entryApp(QStringLiteral("mail.desktop"),
                               "Name=Mail\nName[fr]=Courrier\nIcon=mail-client\nExec=" + quotedRecorder()
                                   + " --name=%c %i \"two words\" 100%% %k %F\n");
    qputenv("LC_ALL", "fr_FR.UTF-8");
    // A file whose name holds quoting and field codes is passed as it is; a remote URL is no file.
    const QList<QUrl> urls{QUrl::fromLocalFile(QStringLiteral("/tmp/a \"b\" %f $x")), QUrl(QStringLiteral("https://example.org/x"))};
    QString error;
    ASSERT_TRUE(launcher.launch(mail, urls, &error)) << qPrintable(error);
    qunsetenv("LC_ALL");
    EXPECT_EQ(recorded(1), (QList<QStringList>{{QDir::homePath(), recorder(), QStringLiteral("--name=Courrier"), QStringLiteral("--icon"),
                                               QStringLiteral("mail-client"), QStringLiteral("two words"), QStringLiteral("100%"),
                                               mail.path, QStringLiteral("/tmp/a \"b\" %f $x")}}));
}

TEST_F(ApplicationLaunching, ASingleFileCodeStartsOneProcessAFileInItsPathFolder)
{
    const QString folder = sandboxDir() + QStringLiteral("/work folder");
    ASSERT_TRUE(QDir().mkpath(folder));
    const auto viewer = entryApp(QStringLiteral("viewer.desktop"),
                                 "Exec=" + quotedRecorder() + " --open %u\nPath=" + folder.toUtf8() + "\n");
    ASSERT_TRUE(launcher.launch(viewer, {QUrl::fromLocalFile(QStringLiteral("/one")), QUrl(QStringLiteral("https://two.example/"))}));
    EXPECT_EQ(recorded(2), (QList<QStringList>{{folder, recorder(), QStringLiteral("--open"), QStringLiteral("file:///one")},
                                               {folder, recorder(), QStringLiteral("--open"), QStringLiteral("https://two.example/")}}));

    // A Path folder that is not there, or a program that is not, starts nothing.
    QString error;
    EXPECT_FALSE(launcher.launch(entryApp(QStringLiteral("nowhere.desktop"), "Exec=sh\nPath=/nonexistent\n"), {}, &error));
    EXPECT_FALSE(launcher.launch(entryApp(QStringLiteral("missing.desktop"), "Exec=/nonexistent/program\n"), {}, &error));
    EXPECT_FALSE(launcher.launch(entryApp(QStringLiteral("file.desktop"), "Exec=%f\n"), {QUrl::fromLocalFile(recorder())}, &error));
}

TEST_F(ApplicationLaunching, TerminalEntriesRunInTheUsersTerminal)
{
    const auto top = entryApp(QStringLiteral("top.desktop"), "Exec=" + quotedRecorder() + " -d 1\nTerminal=true\n");
    qputenv("TERMINAL", recorder().toUtf8());
    const bool started = launcher.launch(top);
    qunsetenv("TERMINAL");
    ASSERT_TRUE(started);
    EXPECT_EQ(recorded(1), (QList<QStringList>{{QDir::homePath(), recorder(), QStringLiteral("-e"), recorder(),
                                               QStringLiteral("-d"), QStringLiteral("1")}}));
}

TEST_F(ApplicationLaunching, DBusActivatableEntriesAreActivatedAndStartedWhenNobodyAnswers)
{
    ActivatedApplication object;
    auto bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.example.Activated")));
    ASSERT_TRUE(bus.registerVirtualObject(QStringLiteral("/org/example/Activated"), &object));
    const QByteArray body = "DBusActivatable=true\nExec=" + quotedRecorder() + " --fallback\n";
    ASSERT_TRUE(launcher.launch(entryApp(QStringLiteral("org.example.Activated.desktop"), body)));
    ASSERT_TRUE(launcher.launch(entryApp(QStringLiteral("org.example.Activated.desktop"), body), {QUrl(QStringLiteral("https://x.example/"))}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return object.calls.size() == 2; }, 10000));
    EXPECT_EQ(object.calls, (QStringList{QStringLiteral("org.freedesktop.Application.Activate 1"),
                                         QStringLiteral("org.freedesktop.Application.Open 2")}));

    QSignalSpy failed(&launcher, &ApplicationLauncher::activationFailed);
    ASSERT_TRUE(launcher.launch(entryApp(QStringLiteral("org.example.Absent.desktop"), body)));
    EXPECT_EQ(recorded(1), (QList<QStringList>{{QDir::homePath(), recorder(), QStringLiteral("--fallback")}}));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_TRUE(failed.first().at(2).toBool());
    bus.unregisterObject(QStringLiteral("/org/example/Activated"));
    bus.unregisterService(QStringLiteral("org.example.Activated"));
}

TEST_F(ApplicationLaunching, ALaunchFromTheCatalogueCountsItsUseInTheStore)
{
    QDir().mkpath(QFileInfo(ApplicationCatalogue::storePath()).absolutePath());
    QFile::remove(ApplicationCatalogue::storePath());
    ASSERT_TRUE(writeEntry(userApplications(), QStringLiteral("mail.desktop"), "Type=Application\nName=Mail\nExec=" + quotedRecorder() + "\n"));
    // An app folder starts through the workspace.
    const QString atlas = QDir::homePath() + QStringLiteral("/Applications/Atlas.app");
    ASSERT_TRUE(QDir().mkpath(atlas));
    ASSERT_TRUE(QFile::link(recorder(), atlas + QStringLiteral("/Atlas")));
    ServiceJournal journal(sandboxDir() + QStringLiteral("/launch-journal.log"));
    ApplicationCatalogue catalogue(journal, QStringLiteral(CORVANE_MODEL_FILE));
    ASSERT_TRUE(catalogue.open());
    Launcher service(catalogue, journal);
    ASSERT_EQ(service.search({}).size(), 2);
    for (const LauncherApplication &app : service.search({}))
        ASSERT_TRUE(service.launch(app));
    ASSERT_TRUE(service.launch(service.search(QStringLiteral("mail")).first()));
    EXPECT_EQ(recorded(3).size(), 3);

    service.setSortOrder(QStringLiteral("2"));   // most often used first
    const auto apps = service.search({});
    EXPECT_EQ(apps.first().name, QStringLiteral("Mail"));
    EXPECT_EQ(apps.first().useCount, 2);
    EXPECT_EQ(apps.last().useCount, 1);
    EXPECT_TRUE(apps.first().lastUsed.isValid());
}
