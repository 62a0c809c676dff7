#include "ServiceTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

using namespace corvane::test;

namespace {

bool corvanectlShow()
{
    return QProcess::execute(QStringLiteral(CORVANECTL), {QStringLiteral("show")}) == 0;
}

bool loadsGuiModule(qint64 pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Gui.so");
}

// Starts `program` with `environment` and waits until it has announced its launch.
bool startService(QProcess &service, const QString &program, const QProcessEnvironment &environment)
{
    const ServiceJournalReader journal;
    service.setProcessEnvironment(environment);
    service.start(program);
    return journal.waitFor(QStringLiteral("posted CorvaneAppHasLaunchedNotification"));
}

// Ends it with a signal: true when it went its normal way.
bool endService(QProcess &service)
{
    ::kill(pid_t(service.processId()), SIGTERM);
    return service.waitForFinished(20000) && service.exitStatus() == QProcess::NormalExit;
}

} // namespace

// The sandbox's offscreen platform is a display: the service loads its window;
// a copy of it without its plug-in runs headless, and so does the service where
// the display is gone.
TEST(LauncherWindowService, ShowsItsWindowWhereThereIsADisplayAndRunsOnWithoutItsPlugInOrItsDisplay)
{
    ASSERT_TRUE(ServiceGuard::noForeignService());
    ServiceGuard guard;
    const ServiceJournalReader journal;
    const pid_t pid = guard.start();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(loadsGuiModule(pid));
    ASSERT_TRUE(corvanectlShow());
    EXPECT_TRUE(journal.waitFor(QStringLiteral("window shown"))) << qPrintable(journal.lines().join(u'\n'));
    ServiceGuard::endAll();
    ASSERT_TRUE(ServiceGuard::waitUntilGone(pid));

    const QString app = sandboxDir() + QStringLiteral("/Corvane.app");
    ASSERT_EQ(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-R"), builtServiceApp(), app}), 0);
    ASSERT_TRUE(QDir(app + QStringLiteral("/PlugIns")).removeRecursively());
    const ServiceJournalReader headless;
    QProcess service;
    ASSERT_TRUE(startService(service, app + QStringLiteral("/Corvane"), QProcessEnvironment::systemEnvironment()));
    EXPECT_FALSE(loadsGuiModule(service.processId()));
    ASSERT_TRUE(corvanectlShow());
    EXPECT_TRUE(headless.waitFor(QStringLiteral("launcher Show bus")));
    EXPECT_TRUE(endService(service));
    EXPECT_TRUE(service.readAllStandardError().contains("No launcher window"));

    // An X display that cannot be reached leaves the window offscreen, and the service running.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4711"));
    const ServiceJournalReader unreachable;
    QProcess stale;
    ASSERT_TRUE(startService(stale, builtServiceApp() + QStringLiteral("/Corvane"), environment));
    ASSERT_TRUE(corvanectlShow());
    EXPECT_TRUE(unreachable.waitFor(QStringLiteral("launcher Show bus")));
    EXPECT_TRUE(endService(stale));
    EXPECT_TRUE(stale.readAllStandardError().contains("The display cannot be reached"));
}
