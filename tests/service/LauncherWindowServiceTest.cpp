#include "ServiceTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

using namespace corvane::test;

namespace {

bool corvanectlShow()
{
    return QProcess::execute(QStringLiteral(CORVANECTL), {QStringLiteral("show")}) == 0;
}

bool loadsGuiModule(pid_t pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Gui.so");
}

class LauncherWindowServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString foreign;
        ASSERT_TRUE(ServiceGuard::waitForNoForeignService(&foreign)) << qPrintable(foreign);
    }

    ServiceGuard guard;
};

} // namespace

// The sandbox's offscreen platform is a display: the service loads its window.
TEST_F(LauncherWindowServiceTest, WithADisplayTheServiceShowsItsWindowOnShow)
{
    const ServiceJournalReader journal;
    const pid_t pid = guard.start();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(loadsGuiModule(pid));
    ASSERT_TRUE(corvanectlShow());
    EXPECT_TRUE(journal.waitFor(QStringLiteral("window shown"))) << qPrintable(journal.lines().join(u'\n'));
    EXPECT_TRUE(journal.contains(QStringLiteral("launcher Show bus")));
}

TEST_F(LauncherWindowServiceTest, WithoutItsPlugInTheServiceRunsHeadlessAndSaysWhy)
{
    const QString app = sandboxDir() + QStringLiteral("/Corvane.app");
    QDir(app).removeRecursively();
    ASSERT_EQ(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-R"), builtServiceApp(), app}), 0);
    ASSERT_TRUE(QDir(app + QStringLiteral("/PlugIns")).removeRecursively());

    const ServiceJournalReader journal;
    QProcess service;
    service.start(app + QStringLiteral("/Corvane"));
    ASSERT_TRUE(journal.waitFor(QStringLiteral("posted CorvaneAppHasLaunchedNotification")));
    EXPECT_FALSE(loadsGuiModule(pid_t(service.processId())));
    ASSERT_TRUE(corvanectlShow());
    EXPECT_TRUE(journal.waitFor(QStringLiteral("launcher Show bus")));

    ::kill(pid_t(service.processId()), SIGTERM);
    ASSERT_TRUE(service.waitForFinished(20000));
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(service.readAllStandardError().contains("No launcher window")) ;
    EXPECT_FALSE(journal.contains(QStringLiteral("window shown")));
}
