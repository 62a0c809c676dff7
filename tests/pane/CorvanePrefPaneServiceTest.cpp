#include "PaneServiceFixture.h"

#include "CorvaneServiceHelper.h"
#include "platform/core/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

#include <csignal>

using namespace corvane::test;

namespace {

bool waitForService(bool running)
{
    return QTest::qWaitFor([running] { return CorvaneServiceHelper::isServiceRunning() == running; }, 20000);
}

} // namespace

TEST_F(PaneServiceTest, SwitchingOnLaunchesTheServiceAndSwitchingOffQuitsItAndRemovesItsServicesBundle)
{
    ASSERT_TRUE(linkService(servicesFolder()));
    const ServiceJournalReader journal;
    pane->willSelect();
    EXPECT_EQ(toggle->state(), 0);

    clickOnSide();
    EXPECT_EQ(toggle->state(), 1);
    EXPECT_EQ(sheet(), nullptr);
    ASSERT_TRUE(journal.waitFor(QStringLiteral("posted CorvaneAppHasLaunchedNotification")));
    QTest::qWait(100); // the launch notification reaches the pane: no change
    EXPECT_EQ(toggle->state(), 1);
    EXPECT_EQ(ServiceGuard::runningServices().size(), 1);
    ASSERT_TRUE(QFileInfo::exists(servicesBundle()));

    clickOffSide(); // returns once the service is gone
    EXPECT_FALSE(CorvaneServiceHelper::isServiceRunning());
    EXPECT_TRUE(journal.contains(QStringLiteral("message terminateApp")));
    EXPECT_FALSE(QFileInfo::exists(servicesBundle()));
    EXPECT_EQ(toggle->state(), 0);
    EXPECT_EQ(sheet(), nullptr);
    QTest::qWait(100); // the quit notification arrives late: harmless
    EXPECT_EQ(toggle->state(), 0);
}

TEST_F(PaneServiceTest, SwitchingOnWhileTheServiceRunsLaunchesNothing)
{
    ASSERT_TRUE(linkService(servicesFolder()));
    ASSERT_GT(guard.start(), 0);
    const ServiceJournalReader journal;
    // The pane has not asked yet, so it shows off: the click turns it on.
    clickOnSide();
    EXPECT_EQ(toggle->state(), 1);
    QTest::qWait(500); // long enough for a second copy to have announced itself
    EXPECT_FALSE(journal.contains(QStringLiteral("posted CorvaneAppHasLaunchedNotification")));
    EXPECT_EQ(ServiceGuard::runningServices().size(), 1);
    EXPECT_EQ(sheet(), nullptr);
}

TEST_F(PaneServiceTest, SwitchingOffWhileNotRunningTouchesNothing)
{
    QDir().mkpath(servicesBundle()); // left by some earlier run
    toggle->setState(1);
    QStringList logged;
    const platform::ScopedLogSink sink([&](const platform::LogRecord &r) { logged << r.message; });
    clickOffSide();
    EXPECT_EQ(toggle->state(), 0);
    EXPECT_TRUE(QFileInfo::exists(servicesBundle()));
    EXPECT_EQ(sheet(), nullptr);
    EXPECT_TRUE(logged.isEmpty());
}

TEST_F(PaneServiceTest, WithoutAServiceApplicationAnywhereTheLaunchFailedSheetShowsAndTheSwitchGoesBack)
{
    QStringList logged;
    const platform::ScopedLogSink sink([&](const platform::LogRecord &r) { logged << r.message; });
    clickOnSide();
    EXPECT_EQ(toggle->state(), 0);
    QMessageBox *shown = sheet();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text(), QStringLiteral("Service Not Enabled"));
    EXPECT_EQ(shown->informativeText(),
              QStringLiteral("The service application either could not be found or an error occurred during launch. "
                             "Locate and double-click the service application to see if there's a problem."));
    EXPECT_EQ(shown->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(logged.contains(QStringLiteral("Unable to locate Velora Corvane service application.")));
    shown->defaultButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet() == nullptr; }));
    EXPECT_TRUE(ServiceGuard::runningServices().isEmpty());
}

TEST_F(PaneServiceTest, TheServiceStartingOrQuittingByItselfMovesTheSwitchAndWillSelectAsksAgain)
{
    pane->willSelect();
    EXPECT_EQ(toggle->state(), 0);
    ASSERT_GT(guard.start(), 0);
    EXPECT_TRUE(waitForSwitch(1));
    toggle->setState(0); // whatever the notification did, the process list decides
    pane->willSelect();
    EXPECT_EQ(toggle->state(), 1);

    CorvaneServiceHelper::quitService(); // as if the user quit it from its own menu
    EXPECT_TRUE(waitForSwitch(0));
    EXPECT_TRUE(waitForService(false));
    toggle->setState(1);
    pane->willSelect();
    EXPECT_EQ(toggle->state(), 0);
    EXPECT_EQ(sheet(), nullptr);
}

TEST_F(PaneServiceTest, NoNotificationReachesADestroyedPane)
{
    pane.reset();
    ASSERT_GT(guard.start(), 0);
    CorvaneServiceHelper::quitService();
    EXPECT_TRUE(waitForService(false));
    QTest::qWait(100); // both notifications have been delivered to whoever listens
}

TEST_F(PaneServiceTest, AServiceThatEndsBeforeAnnouncingItsLaunchBringsTheLaunchFailedSheetAndTheSwitchGoesBack)
{
    ASSERT_TRUE(linkService(servicesFolder()));
    // The service finds no session bus to take its name on; the pane keeps its own.
    const QByteArray ownBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + sandboxDir().toUtf8() + "/no-bus");
    clickOnSide();
    qputenv("DBUS_SESSION_BUS_ADDRESS", ownBus);
    EXPECT_EQ(toggle->state(), 1); // started, not yet failed: a slow start is no failure

    EXPECT_TRUE(waitForSwitch(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet() != nullptr; }));
    EXPECT_EQ(sheet()->text(), QStringLiteral("Service Not Enabled"));
}

TEST_F(PaneServiceTest, WhileSelectedTheSwitchFollowsAServiceThatIsKilled)
{
    const pid_t pid = guard.start();
    ASSERT_GT(pid, 0);
    pane->willSelect();
    ASSERT_EQ(::kill(pid, SIGKILL), 0); // no quit notification comes
    EXPECT_TRUE(waitForSwitch(0));
    EXPECT_EQ(sheet(), nullptr);
}
