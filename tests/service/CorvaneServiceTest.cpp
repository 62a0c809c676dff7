#include "ServiceTestSupport.h"
#include "TestSupport.h"

#include "CorvaneProtocol.h"
#include "CorvaneServiceHelper.h"
#include "KeyCombo.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

using namespace corvane::test;

namespace {

class CorvaneServiceTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(ServiceGuard::noForeignService()); }

    ServiceGuard guard;
};

} // namespace

TEST_F(CorvaneServiceTest, AnnouncesItsLaunchAndQuitAndKeepsItsServicesBundle)
{
    const Announcements announcements;
    const ServiceJournalReader journal;
    const pid_t pid = guard.start();
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(announcements.waitFor(LaunchedNotification));

    const QString bundle = *CorvaneServiceHelper::serviceBundlePath();
    EXPECT_TRUE(journal.contains(QStringLiteral("installed ") + bundle)) << qPrintable(journal.lines().join(u'\n'));
    EXPECT_TRUE(QFileInfo::exists(bundle + QStringLiteral("/Contents/Info.plist")));

    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    ASSERT_TRUE(announcements.waitFor(QuittingNotification));
    ASSERT_TRUE(ServiceGuard::waitUntilGone(pid));
    EXPECT_TRUE(journal.contains(QStringLiteral("signal %1").arg(SIGTERM)));
    EXPECT_TRUE(journal.contains(QStringLiteral("quit")));
    EXPECT_FALSE(CorvaneServiceHelper::serviceProxy());
}

TEST_F(CorvaneServiceTest, TakesUpItsDomainAtStartAndTheSevenMessagesWithTheirArguments)
{
    ASSERT_TRUE(writeServiceDomain({{QStringLiteral("CVSortOrder"), 2},
                             {QStringLiteral("LimitAppSearchesToSystemVolume"), false},
                             {QStringLiteral("TopLeftCorner"), true},
                             {QStringLiteral("HotKeyCode"), 49},
                             {QStringLiteral("HotKeyModifiers"), 256},
                             {QStringLiteral("WindowPosition"), QStringLiteral("{10, 20}")}}));
    const ServiceJournalReader journal;
    ASSERT_GT(guard.start(), 0);
    for (const QString &line : {QStringLiteral("value CVSortOrder 2"),
                                QStringLiteral("value LimitAppSearchesToSystemVolume false"),
                                QStringLiteral("value TopLeftCorner true"), QStringLiteral("value HotKeyCode 49"),
                                QStringLiteral("value HotKeyModifiers 256")})
        EXPECT_TRUE(journal.contains(line)) << qPrintable(line);
    EXPECT_FALSE(journal.contains(QStringLiteral("value TopRightCorner true")));

    // As the pane does: the domain is saved first, then the message goes out.
    ASSERT_TRUE(writeServiceDomain({{QStringLiteral("TopLeftCorner"), false}, {QStringLiteral("BottomRightCorner"), true}}));
    const CorvaneProtocol service(CorvaneServiceHelper::serviceProxy());
    ASSERT_TRUE(service.isConnected());
    EXPECT_TRUE(service.userDefaultsChanged());
    EXPECT_TRUE(service.sortPreferenceChanged(3));
    EXPECT_TRUE(service.limitApplicationSearchChanged(true));
    EXPECT_TRUE(service.hotCornersChanged());
    EXPECT_TRUE(service.hotKeyChanged(-1, -1));
    EXPECT_TRUE(service.excludedApplicationsChanged(QStringLiteral("x-coredata://5A1E/Application/p3")));
    EXPECT_TRUE(service.excludedApplicationsChanged(QString()));
    EXPECT_TRUE(service.terminateApp());
    ASSERT_TRUE(journal.waitFor(QStringLiteral("quit")));

    const QStringList lines = journal.lines();
    const QStringList messages = lines.filter(QRegularExpression(QStringLiteral("^(message|value) ")));
    EXPECT_EQ(messages.mid(messages.indexOf(QStringLiteral("message userDefaultsChanged"))),
              (QStringList{QStringLiteral("message userDefaultsChanged"), QStringLiteral("value TopLeftCorner false"),
                           QStringLiteral("value BottomRightCorner true"),
                           QStringLiteral("message sortPreferenceChanged 3"), QStringLiteral("value CVSortOrder 3"),
                           QStringLiteral("message limitApplicationSearchChanged true"),
                           QStringLiteral("value LimitAppSearchesToSystemVolume true"),
                           QStringLiteral("message hotCornersChanged"), QStringLiteral("value TopLeftCorner false"),
                           QStringLiteral("value BottomRightCorner true"),
                           QStringLiteral("message hotKeyChanged -1 -1"), QStringLiteral("value ShowHideHotKey -1 -1"),
                           QStringLiteral("message excludedApplicationsChanged x-coredata://5A1E/Application/p3"),
                           QStringLiteral("message excludedApplicationsChanged "), QStringLiteral("message terminateApp")}))
        << qPrintable(journal.text());
}

// A second instance finds the name taken; one without a session bus has nowhere to
// take it: both leave at once, and the log says which.
TEST_F(CorvaneServiceTest, AnInstanceThatCannotTakeItsNameLeavesAtOnceAndSaysWhy)
{
    const pid_t pid = guard.start();
    ASSERT_GT(pid, 0);
    const QString noBus = QStringLiteral("unix:path=") + sandboxDir() + QStringLiteral("/no-bus");
    for (const QString &bus : {qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), noBus}) {
        SCOPED_TRACE(bus.toStdString());
        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
        second.setProcessEnvironment(environment);
        second.start(builtServiceApp() + QStringLiteral("/Corvane"), QStringList());
        ASSERT_TRUE(second.waitForFinished(20000));
        EXPECT_EQ(second.exitCode(), 1) << "a second instance kept running";
        const QString log = QString::fromUtf8(second.readAllStandardError());
        EXPECT_EQ(log.contains(QStringLiteral("is another Corvane running?")), bus != noBus) << qPrintable(log);
        EXPECT_EQ(log.contains(QStringLiteral("the session bus is missing")), bus == noBus) << qPrintable(log);
    }
    EXPECT_EQ(ServiceGuard::runningServices(), QList<pid_t>{pid});
}

TEST_F(CorvaneServiceTest, LeavesWhenItsBusGoesAway)
{
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                              QStringLiteral("--print-address")});
    ASSERT_TRUE(bus.waitForReadyRead(20000));
    const QByteArray address = bus.readLine().trimmed();
    ASSERT_FALSE(address.isEmpty());

    const QByteArray ownBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);   // inherited by the service only
    const ServiceJournalReader journal;
    const pid_t pid = guard.start();
    qputenv("DBUS_SESSION_BUS_ADDRESS", ownBus);
    ASSERT_GT(pid, 0);
    EXPECT_FALSE(CorvaneServiceHelper::serviceProxy()) << "the service is on the other bus";

    bus.kill();
    bus.waitForFinished();
    EXPECT_TRUE(ServiceGuard::waitUntilGone(pid));
    EXPECT_TRUE(journal.contains(QStringLiteral("error the session bus went away")));
}

TEST_F(CorvaneServiceTest, DecodesTheArchivedHotKeyAndRefusesAnythingElse)
{
    ASSERT_TRUE(writeServiceDomain({{QStringLiteral("ShowHideHotKey"), KeyCombo::keyComboWithKeyCode(36, 256)->archivedData()}}));
    const ServiceJournalReader journal;
    ASSERT_GT(guard.start(), 0);
    EXPECT_TRUE(journal.contains(QStringLiteral("value ShowHideHotKey 36 256"))) << qPrintable(journal.lines().join(u'\n'));

    // Which archives decode is the key combination's business.
    ASSERT_TRUE(writeServiceDomain({{QStringLiteral("ShowHideHotKey"), QByteArray("not an archive")}}));
    ASSERT_TRUE(CorvaneProtocol(CorvaneServiceHelper::serviceProxy()).userDefaultsChanged());
    EXPECT_TRUE(journal.waitFor(QStringLiteral("value ShowHideHotKey undecodable")));
}
