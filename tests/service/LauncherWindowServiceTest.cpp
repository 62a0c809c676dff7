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

} // namespace

// The sandbox's offscreen platform is a display: the service loads its window,
// and a copy of it without its plug-in runs headless.
TEST(LauncherWindowService, ShowsItsWindowWhereThereIsADisplayAndRunsHeadlessWithoutItsPlugIn)
{
    QString foreign;
    ASSERT_TRUE(ServiceGuard::waitForNoForeignService(&foreign)) << qPrintable(foreign);
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
    service.start(app + QStringLiteral("/Corvane"));
    ASSERT_TRUE(headless.waitFor(QStringLiteral("posted CorvaneAppHasLaunchedNotification")));
    EXPECT_FALSE(loadsGuiModule(service.processId()));
    ASSERT_TRUE(corvanectlShow());
    EXPECT_TRUE(headless.waitFor(QStringLiteral("launcher Show bus")));
    ::kill(pid_t(service.processId()), SIGTERM);
    ASSERT_TRUE(service.waitForFinished(20000));
    EXPECT_TRUE(service.readAllStandardError().contains("No launcher window"));
}
