// The pane against the reference service running as a real process on this
// sandbox's bus: the switch that starts and stops it, the settings and the hot
// key it hears of, and the excluded list the two share. Every service a test
// starts is ended afterwards.

#include "PaneTestSupport.h"
#include "ServiceTestSupport.h"
#include "SqliteFile.h"

#include "HotKeyField.h"
#include "VLOnOffButton.h"

#include "platform/core/Log.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/system/SearchPaths.h"
#include "platform/ui/AnimationClock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using namespace corvane::test;

namespace {

bool waitForService(bool running)
{
    return QTest::qWaitFor([running] { return CorvaneServiceHelper::isServiceRunning() == running; }, 20000);
}

// The built pane as the host shows it, with its switch. The switch's animations
// run at once (the durations stay, the clock does not sleep).
class PaneSwitch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ServiceGuard::noForeignService());
        ASSERT_TRUE(QDir().mkpath(storeFolder()));
        pane = std::make_unique<CorvanePrefPane>(
            *platform::Bundle::bundleWithPath(QStringLiteral(CORVANE_PANE_BUNDLE)));
        QWidget *view = pane->loadMainView();
        ASSERT_NE(view, nullptr);
        toggle = view->findChild<VLOnOffButton *>(QStringLiteral("_enableCheckbox"));
        ASSERT_NE(toggle, nullptr);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    }
    void TearDown() override
    {
        pane.reset();
        ServiceGuard::endAll();
        QDir(servicesFolder()).removeRecursively();
    }

    /// The user's Services folder, where the pane looks for Corvane.app first and
    /// where the running service puts its Services bundle.
    static QString servicesFolder()
    {
        return platform::searchPathForDirectoriesInDomains(platform::SearchPathDirectory::Library,
                                                           platform::SearchPathDomain::User, true)
                   .value(0)
               + QStringLiteral("/Services");
    }
    static QString servicesBundle() { return servicesFolder() + QStringLiteral("/Corvane.bundle"); }

    /// A click at the far end of the track on the on side, or the off side: never on
    /// the handle of a switch in the opposite state, so it slides over and sends
    /// toggleEnable on release. Returns when the action has returned.
    void clickOnSide() { click(QPointF(toggle->width() - 3, toggle->height() / 2.0)); }
    void clickOffSide() { click(QPointF(3, toggle->height() / 2.0)); }

    QMessageBox *sheet() const { return corvane::test::sheet(pane->mainView()); }

    bool waitForSwitch(int state) const
    {
        return QTest::qWaitFor([&] { return toggle->state() == state; }, 20000);
    }

    ServiceGuard guard;
    platform::ManualAnimationClock clock;
    platform::ScopedAnimationClock clockScope{clock};
    std::unique_ptr<CorvanePrefPane> pane;
    VLOnOffButton *toggle = nullptr;

private:
    void click(QPointF at) const
    {
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, toggle->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(toggle, &event);
        }
    }
};

} // namespace

TEST_F(PaneSwitch, SwitchingOnLaunchesTheServiceAndSwitchingOffQuitsItAndRemovesItsServicesBundle)
{
    ASSERT_TRUE(linkService(servicesFolder()));
    const Announcements announcements;
    pane->willSelect();
    EXPECT_EQ(toggle->state(), 0);

    clickOnSide();
    EXPECT_EQ(toggle->state(), 1);
    EXPECT_EQ(sheet(), nullptr);
    ASSERT_TRUE(announcements.waitFor(LaunchedNotification)); // the pane has heard it too: no change
    EXPECT_EQ(toggle->state(), 1);
    EXPECT_EQ(ServiceGuard::runningServices().size(), 1);
    ASSERT_TRUE(QFileInfo::exists(servicesBundle()));

    const ServiceJournalReader journal;
    clickOffSide();
    EXPECT_FALSE(toggle->isEnabled()) << "the switch shows it is busy until the service has gone";
    ASSERT_TRUE(QTest::qWaitFor([&] { return toggle->isEnabled(); }, 25000));
    EXPECT_FALSE(CorvaneServiceHelper::isServiceRunning());
    EXPECT_TRUE(journal.contains(QStringLiteral("message terminateApp")));
    EXPECT_FALSE(QFileInfo::exists(servicesBundle()));
    EXPECT_EQ(sheet(), nullptr);
    ASSERT_TRUE(announcements.waitFor(QuittingNotification)); // arriving after the switch moved: harmless
    EXPECT_EQ(toggle->state(), 0);
}

TEST_F(PaneSwitch, SwitchingOnWhileTheServiceRunsLaunchesNothing)
{
    ASSERT_TRUE(linkService(servicesFolder()));
    ASSERT_GT(guard.start(), 0);
    // The pane has not asked yet, so it shows off: the click turns it on. A second
    // copy would be in the process list once the action has returned.
    clickOnSide();
    EXPECT_EQ(toggle->state(), 1);
    EXPECT_EQ(ServiceGuard::runningServices().size(), 1);
    EXPECT_EQ(sheet(), nullptr);
}

TEST_F(PaneSwitch, WithoutAServiceApplicationAnywhereTheLaunchFailedSheetShowsAndTheSwitchGoesBack)
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

TEST_F(PaneSwitch, TheServiceStartingOrQuittingByItselfMovesTheSwitchAndWillSelectAsksAgain)
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

TEST_F(PaneSwitch, NoNotificationReachesADestroyedPane)
{
    pane.reset();
    const Announcements announcements;
    ASSERT_GT(guard.start(), 0);
    CorvaneServiceHelper::quitService();
    EXPECT_TRUE(announcements.waitFor(QuittingNotification)); // both have been delivered to whoever listens
}

TEST_F(PaneSwitch, AServiceThatEndsBeforeAnnouncingItsLaunchBringsTheLaunchFailedSheetAndTheSwitchGoesBack)
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

TEST_F(PaneSwitch, WhileSelectedTheSwitchFollowsAServiceThatIsKilled)
{
    const pid_t pid = guard.start();
    ASSERT_GT(pid, 0);
    pane->willSelect();
    ASSERT_EQ(::kill(pid, SIGKILL), 0); // no quit notification comes
    EXPECT_TRUE(waitForSwitch(0));
    EXPECT_EQ(sheet(), nullptr);
}

TEST_F(PaneSwitch, AServiceThatWillNotQuitBringsTheDisableFailedSheetAndTheSwitchGoesBackOn)
{
    ASSERT_TRUE(linkService(servicesFolder()));
    ASSERT_GT(guard.start({QStringLiteral("--ignore-terminate")}), 0);
    ASSERT_TRUE(QFileInfo::exists(servicesBundle()));
    pane->willSelect();
    const ServiceJournalReader journal;
    QStringList logged;
    const platform::ScopedLogSink sink([&](const platform::LogRecord &r) { logged.append(r.message); });

    clickOffSide(); // returns at once: the wait runs on the event loop
    EXPECT_FALSE(toggle->isEnabled());
    // Meanwhile the rest of the pane works: a new sort order reaches the service.
    auto *sortBy = pane->mainView()->findChild<QComboBox *>(QStringLiteral("_sortByPicker"));
    ASSERT_NE(sortBy, nullptr);
    QTest::keyClick(sortBy, Qt::Key_Down);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message sortPreferenceChanged 1")));
    EXPECT_EQ(sheet(), nullptr);

    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet() != nullptr; }, 40000));
    EXPECT_TRUE(toggle->isEnabled());
    EXPECT_TRUE(journal.contains(QStringLiteral("ignored terminateApp")));
    EXPECT_EQ(logged,
              QStringList{QStringLiteral("Unable to quit the Velora Corvane service within maximum wait time.")});
    EXPECT_TRUE(CorvaneServiceHelper::isServiceRunning());
    EXPECT_EQ(toggle->state(), 1);
    QMessageBox *shown = sheet();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text(), QStringLiteral("Service Not Disabled."));
    EXPECT_EQ(shown->informativeText(), QStringLiteral("Make sure all dialogs with the service application have been "
                                                       "dismissed, then try disabling again."));
    // The Services menu forgets the service all the same.
    EXPECT_FALSE(QFileInfo::exists(servicesBundle()));
}

namespace {

// The pane shown in an active window, so that keys and clicks reach its controls,
// with the service running and connected.
class PaneSettings : public PaneTest
{
protected:
    void SetUp() override
    {
        PaneTest::SetUp();
        ASSERT_GT(guard.start(), 0);
        ASSERT_TRUE(QTest::qWaitFor([this] { return loaded.pane.proxy().isConnected(); }));
        loaded.pane.willSelect();
    }

    HotKeyField *field() const { return loaded.outlet<HotKeyField>("_hotKeyField"); }
    QComboBox *sortBy() const { return loaded.outlet<QComboBox>("_sortByPicker"); }

    ServiceGuard guard;
    ServiceJournalReader journal;
};

} // namespace

// What each setting does in the service is the service's test; here the pane's
// controls send the messages, each once the domain holds the new value.
TEST_F(PaneSettings, EachSettingIsSavedBeforeTheServiceHearsOfIt)
{
    QTest::mouseClick(field(), Qt::LeftButton);
    ASSERT_TRUE(field()->isEditing());
    QTest::keyClick(field(), Qt::Key_Space, Qt::AltModifier);
    loaded.outlet<QCheckBox>("_limitSearchCheckbox")->setFocus(Qt::TabFocusReason); // ends the edit
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message hotKeyChanged 49 2048")));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("value ShowHideHotKey 49 2048")));

    sortBy()->setFocus();
    QTest::keyClick(sortBy(), Qt::Key_Down);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message sortPreferenceChanged 1")));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("sorting most-recently-used")));

    QTest::mouseClick(loaded.outlet<QCheckBox>("_limitSearchCheckbox"), Qt::LeftButton);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message limitApplicationSearchChanged true")));

    // The corners travel without a value: the service reads all four from the
    // domain, which must already hold the new one.
    auto *bottomLeft = loaded.outlet<QComboBox>("_bottomLeftPicker");
    bottomLeft->setFocus();
    QTest::keyClick(bottomLeft, Qt::Key_Down);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message hotCornersChanged")));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("value BottomLeftCorner true")));
    EXPECT_TRUE(journal.contains(QStringLiteral("value TopLeftCorner false")));
}

namespace {

// Each record as "name excluded Z_OPT", read from the file as another program would.
QStringList storeRows()
{
    return SqliteFile(storePath()).rows(QStringLiteral("SELECT ZNAME, ZEXCLUDED, Z_OPT FROM ZAPPLICATION ORDER BY ZNAME"));
}

class ExcludedList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ServiceGuard::noForeignService());
        QDir(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Velora")).removeRecursively();
        QDir(appsFolder()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(appsFolder()));
    }

    ServiceGuard guard;
    const ServiceJournalReader journal;
};

} // namespace

TEST_F(ExcludedList, ExcludingReachesTheServiceAndARemovedApplicationLeavesTheList)
{
    for (const char *name : {"Mail", "Notes", "Atlas.app"})
        ASSERT_TRUE(makeApp(QString::fromLatin1(name)));
    ASSERT_GT(guard.start(), 0);
    ASSERT_TRUE(journal.waitFor(QStringLiteral("catalogued 3 added=3 removed=0")))
        << qPrintable(journal.lines().join(u'\n'));
    EXPECT_EQ(storeRows(),
              (QStringList{QStringLiteral("Atlas 0 1"), QStringLiteral("Mail 0 1"), QStringLiteral("Notes 0 1")}));

    CorvanePrefPane pane(*platform::Bundle::bundleWithPath(QStringLiteral(CORVANE_PANE_BUNDLE)));
    ASSERT_NE(pane.loadMainView(), nullptr);
    EXPECT_TRUE(listed(pane).isEmpty());
    QFileDialog panel;
    panel.setOption(QFileDialog::DontUseNativeDialog);
    panel.setDirectory(appsFolder());
    panel.selectFile(appPath(QStringLiteral("Mail")));
    pane.openPanelDidEnd(&panel, 1, nullptr);
    const auto mail = pane.applicationWithPath(appPath(QStringLiteral("Mail")));
    ASSERT_TRUE(mail);
    const QString uri = pane.objectURLStringForApp(mail);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("excluded %1 true").arg(uri)))
        << qPrintable(journal.lines().join(u'\n'));
    EXPECT_EQ(listed(pane), QStringList{QStringLiteral("Mail")});

    // A change in the folder that adds no application keeps every record as it was.
    QFile other(appsFolder() + QStringLiteral("/mimeinfo.cache"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    EXPECT_TRUE(journal.waitFor(QStringLiteral("catalogued 3 added=0 removed=0")));
    EXPECT_EQ(storeRows(),
              (QStringList{QStringLiteral("Atlas 0 1"), QStringLiteral("Mail 1 2"), QStringLiteral("Notes 0 1")}));

    ASSERT_TRUE(QFile::remove(appPath(QStringLiteral("Mail"))));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("removed ") + uri)) << qPrintable(journal.lines().join(u'\n'));
    EXPECT_TRUE(journal.contains(QStringLiteral("posted CVApplicationRemovedFromLauncherNotification")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed(pane).isEmpty(); }, 20000));
    EXPECT_EQ(storeRows(), (QStringList{QStringLiteral("Atlas 0 1"), QStringLiteral("Notes 0 1")}));
}

TEST_F(ExcludedList, ACatalogueThatCouldNotBeSavedIsRedoneOnTheNextChange)
{
    ASSERT_TRUE(QDir().mkpath(storeFolder()));
    {
        auto model = platform::ManagedObjectModel::fromFile(
            QStringLiteral(CORVANE_PANE_BUNDLE "/Resources/Corvane.model.json"));
        ASSERT_TRUE(model);
        platform::PersistentStoreCoordinator empty(*model);
        ASSERT_TRUE(empty.addSQLiteStore(storePath()));
    }
    ASSERT_TRUE(makeApp(QStringLiteral("Mail")));

    // Another writer holds the store past the service's busy timeout while it catalogues.
    {
        const SqliteFile locker(storePath());
        ASSERT_TRUE(locker.exec(QStringLiteral("BEGIN IMMEDIATE")));
        ASSERT_GT(guard.start(), 0);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return journal.lines().filter(QRegularExpression(QStringLiteral("^error save: "))).size() == 1; },
            20000))
            << qPrintable(journal.lines().join(u'\n'));
    }

    ASSERT_TRUE(makeApp(QStringLiteral("Notes")));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !journal.lines().filter(QRegularExpression(QStringLiteral("^catalogued 2 "))).isEmpty(); }, 10000))
        << qPrintable(journal.lines().join(u'\n'));
    EXPECT_EQ(storeRows(), (QStringList{QStringLiteral("Mail 0 1"), QStringLiteral("Notes 0 1")}));
}
