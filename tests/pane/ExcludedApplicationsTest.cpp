#include "CorvanePrefPane.h"
#include "PaneTestSupport.h"
#include "SqliteFile.h"

#include "platform/ui/ArrayController.h"
#include "platform/bus/Connection.h"
#include "platform/bus/DistributedNotificationCenter.h"
#include "platform/core/Log.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/bus/Protocol.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QProcess>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

using namespace corvane::test;
using namespace platform;
using namespace std::chrono_literals;

namespace {

const QString PaneBundle = QStringLiteral(CORVANE_PANE_BUNDLE);
const QString Entity = QStringLiteral("Application");

QString dataHome() { return qEnvironmentVariable("XDG_DATA_HOME"); }

// Stands in for the service's connection: records each CorvaneProtocol message
// that reaches com.velora.CorvaneService on the session bus.
class ServiceStandIn
{
public:
    ServiceStandIn()
        : m_connection(Connection::registerName(
              QStringLiteral("CorvaneService"),
              Protocol(QStringLiteral("CorvaneProtocol"), {{QStringLiteral("excludedApplicationsChanged"), QStringLiteral("s")},
                                                           {QStringLiteral("userDefaultsChanged"), QString()}}),
              [this](const QString &method, const QVariantList &arguments) {
                  received.append(method + u' ' + arguments.value(0).toString());
              }))
    {
    }
    /// Everything sent before now has arrived: a marker message sent now is back.
    QStringList drained()
    {
        auto proxy = Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("CorvaneService"));
        EXPECT_TRUE(proxy);
        const int before = int(received.size());
        proxy->setProtocolForProxy(Protocol(QStringLiteral("CorvaneProtocol"), {{QStringLiteral("userDefaultsChanged"), QString()}}));
        proxy->sendOneway(QStringLiteral("userDefaultsChanged"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() > before && received.last() == u"userDefaultsChanged "; }));
        QStringList messages = received;
        messages.removeAll(QStringLiteral("userDefaultsChanged "));
        return messages;
    }
    std::unique_ptr<Connection> m_connection;
    QStringList received;
};

class ExcludedApplications : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(dataHome() + QStringLiteral("/Velora")).removeRecursively();
        QDir(appsFolder()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(storeFolder()));
        ASSERT_TRUE(QDir().mkpath(appsFolder()));
    }

    /// Lets the reference service catalogue `names` (desktop entries, or app
    /// folders for names ending in ".app") into a new store, then excludes
    /// `excluded` there. Returns the records' identifiers by name.
    QMap<QString, QString> catalogue(const QStringList &names, const QStringList &excluded)
    {
        for (const QString &name : names)
            EXPECT_TRUE(makeApp(name)) << qPrintable(name);
        QProcess service;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), sandboxDir() + QStringLiteral("/no-system-data"));
        service.setProcessEnvironment(environment);
        service.start(QStringLiteral(CORVANE_SERVICE_APP "/Corvane"), {QStringLiteral("--catalogue")});
        EXPECT_TRUE(service.waitForFinished(10000));
        EXPECT_EQ(service.exitCode(), 0) << service.readAllStandardError().constData();

        auto model = ManagedObjectModel::fromFile(PaneBundle + QStringLiteral("/Resources/Corvane.model.json"));
        EXPECT_TRUE(model);
        auto coordinator = std::make_shared<PersistentStoreCoordinator>(*model);
        EXPECT_TRUE(coordinator->addSQLiteStore(storePath()));
        ManagedObjectContext context(coordinator);
        const auto records = context.executeFetchRequest({Entity, std::nullopt, {}});
        EXPECT_TRUE(records && records->size() == names.size());
        QMap<QString, QString> ids;
        for (const ManagedObjectPtr &app : records.value_or(QList<ManagedObjectPtr>())) {
            const QString name = app->value(QStringLiteral("name")).toString();
            app->setValue(QStringLiteral("excluded"), excluded.contains(name));
            ids.insert(name, app->objectID().uriRepresentation());
        }
        EXPECT_TRUE(context.save());
        return ids;
    }

    std::unique_ptr<CorvanePrefPane> openPane(std::chrono::milliseconds busyTimeout = 5000ms)
    {
        auto pane = std::make_unique<CorvanePrefPane>(*Bundle::bundleWithPath(PaneBundle));
        pane->setApplicationsFolder(appsFolder());
        pane->setStoreBusyTimeout(busyTimeout);
        EXPECT_NE(pane->loadMainView(), nullptr);
        return pane;
    }

    static void removeRow(CorvanePrefPane &pane, int row)
    {
        pane.mainView()->findChild<QTableView *>(QStringLiteral("_excludedApplicationsTable"))->selectRow(row);
        pane.removeApplication(nullptr);
    }

    static QVariant sql(const QString &statement) { return sqlValue(storePath(), statement); }

    static int excludedFlag(const QString &name)
    {
        return sql(QStringLiteral("SELECT ZEXCLUDED FROM ZAPPLICATION WHERE ZNAME = '%1'").arg(name)).toInt();
    }

    // A panel as the user leaves it after choosing `path`.
    static std::unique_ptr<QFileDialog> panelChoosing(const QString &path)
    {
        auto panel = std::make_unique<QFileDialog>();
        panel->setOption(QFileDialog::DontUseNativeDialog);
        panel->setDirectory(QFileInfo(path).absolutePath());
        panel->selectFile(path);
        return panel;
    }

    ServiceStandIn service;
};

} // namespace

TEST_F(ExcludedApplications, ChoosingInThePanelExcludesOnlyKnownApplicationsAndTellsTheService)
{
    const auto ids = catalogue({QStringLiteral("Mail"), QStringLiteral("Notes")}, {QStringLiteral("Notes")});
    auto pane = openPane();

    // Cancelled: nothing changes, nothing is sent.
    pane->openPanelDidEnd(panelChoosing(appPath(QStringLiteral("Mail"))).get(), 0, nullptr);
    // Not catalogued by the service: the same.
    QFile stranger(appPath(QStringLiteral("Stranger")));
    ASSERT_TRUE(stranger.open(QIODevice::WriteOnly));
    stranger.close();
    pane->openPanelDidEnd(panelChoosing(stranger.fileName()).get(), 1, nullptr);
    EXPECT_EQ(service.drained(), QStringList());
    EXPECT_EQ(excludedFlag(QStringLiteral("Mail")), 0);
    EXPECT_EQ(sql(QStringLiteral("SELECT COUNT(*) FROM ZAPPLICATION")).toInt(), 2);
    EXPECT_EQ(listed(*pane), QStringList{QStringLiteral("Notes")});

    pane->openPanelDidEnd(panelChoosing(appPath(QStringLiteral("Mail"))).get(), 1, nullptr);
    EXPECT_EQ(excludedFlag(QStringLiteral("Mail")), 1);
    EXPECT_EQ(listed(*pane), (QStringList{QStringLiteral("Mail"), QStringLiteral("Notes")}));

    // Already excluded: the flag stays set (saving an unchanged value writes
    // nothing), and the service still hears of it.
    pane->openPanelDidEnd(panelChoosing(appPath(QStringLiteral("Notes"))).get(), 1, nullptr);
    EXPECT_EQ(excludedFlag(QStringLiteral("Notes")), 1);
    EXPECT_EQ(service.drained(), (QStringList{QStringLiteral("excludedApplicationsChanged ") + ids[QStringLiteral("Mail")],
                                              QStringLiteral("excludedApplicationsChanged ") + ids[QStringLiteral("Notes")]}));
}

TEST_F(ExcludedApplications, TheAddButtonOpensAWindowModalPanelInTheApplicationsFolder)
{
    catalogue({QStringLiteral("Mail"), QStringLiteral("Chess.app")}, {});
    auto pane = openPane();
    pane->mainView()->show();
    auto *add = pane->mainView()->findChild<QAbstractButton *>(QStringLiteral("_addApplicationButton"));
    add->click();
    auto *panel = pane->mainView()->window()->findChild<QFileDialog *>();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_EQ(QDir(panel->directory()).canonicalPath(), QDir(appsFolder()).canonicalPath());
    EXPECT_TRUE(panel->nameFilters().join(u' ').contains(QStringLiteral("*.desktop")));
    panel->selectFile(appPath(QStringLiteral("Mail")));
    static_cast<QDialog *>(panel)->accept();
    EXPECT_EQ(excludedFlag(QStringLiteral("Mail")), 1);
    EXPECT_EQ(listed(*pane), QStringList{QStringLiteral("Mail")});

    // An app folder is an application: opening it in the panel chooses it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    add->click();
    panel = pane->mainView()->window()->findChild<QFileDialog *>();
    ASSERT_NE(panel, nullptr);
    panel->selectFile(appPath(QStringLiteral("Chess.app")));
    static_cast<QDialog *>(panel)->accept();   // as Return on the chosen folder
    EXPECT_EQ(excludedFlag(QStringLiteral("Chess")), 1);
    EXPECT_EQ(listed(*pane), (QStringList{QStringLiteral("Chess"), QStringLiteral("Mail")}));
}

TEST_F(ExcludedApplications, TheTableListsTheExcludedByNameAndRemoveClearsTheSelectedOneOrSavesWithoutSelection)
{
    const QStringList names{QStringLiteral("Terminal"), QStringLiteral("Mail"), QStringLiteral("Notes")};
    const auto ids = catalogue(names + QStringList{QStringLiteral("Calendar")}, names);
    auto pane = openPane();
    EXPECT_EQ(listed(*pane), (QStringList{QStringLiteral("Mail"), QStringLiteral("Notes"), QStringLiteral("Terminal")}));
    EXPECT_EQ(pane->applicationSupportFolder(), storeFolder());
    auto *remove = pane->mainView()->findChild<QAbstractButton *>(QStringLiteral("_removeApplicationButton"));

    remove->click();
    EXPECT_EQ(service.drained(), QStringList{QStringLiteral("excludedApplicationsChanged ")});
    EXPECT_EQ(excludedFlag(QStringLiteral("Mail")), 1);
    EXPECT_EQ(excludedFlag(QStringLiteral("Notes")), 1);
    // A flag left unsaved in the context goes to the store with the next remove,
    // even one with nothing selected.
    pane->applicationWithPath(appPath(QStringLiteral("Terminal")))->setValue(QStringLiteral("excluded"), false);
    remove->click();
    EXPECT_EQ(excludedFlag(QStringLiteral("Terminal")), 0);

    removeRow(*pane, 1);
    EXPECT_EQ(service.drained().value(2), QStringLiteral("excludedApplicationsChanged ") + ids[QStringLiteral("Notes")]);
    EXPECT_EQ(excludedFlag(QStringLiteral("Notes")), 0);
    EXPECT_EQ(excludedFlag(QStringLiteral("Mail")), 1);
    EXPECT_EQ(listed(*pane), QStringList{QStringLiteral("Mail")});
}

TEST_F(ExcludedApplications, WhereTheServiceNeverRanTheStoreErrorIsASheetOnThePaneAndTheEmptyTableSaysWhy)
{
    QDir(dataHome() + QStringLiteral("/Velora")).removeRecursively();
    const QString sentence = QStringLiteral("Corvane has not catalogued your applications yet: turn it on and the list fills");
    auto pane = openPane();
    EXPECT_FALSE(pane->persistentStoreCoordinator()->hasStore());
    EXPECT_FALSE(QFileInfo::exists(storeFolder()));
    pane->mainView()->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !openSheets(pane->mainView()).isEmpty(); }));
    pane->appsRemoved({});
    pane->removeApplication(nullptr);
    EXPECT_EQ(pane->applicationWithPath(appPath(QStringLiteral("Mail"))), nullptr);
    QCoreApplication::processEvents();

    const auto sheets = openSheets(pane->mainView());
    ASSERT_EQ(sheets.size(), 1); // presented once
    EXPECT_EQ(sheets[0]->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheets[0]->informativeText(), sentence);
    EXPECT_TRUE(listed(*pane).isEmpty());
    const auto *placeholder = pane->mainView()->findChild<QLabel *>(QStringLiteral("_excludedApplicationsPlaceholder"));
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(placeholder->text(), sentence);
    sheets[0]->done(0);
}

// The store refuses the change: another connection holds it locked past the busy
// timeout, or the file is read-only.
TEST_F(ExcludedApplications, AChangeTheStoreRefusesIsDiscardedToldOnASheetAndNotSentToTheService)
{
    // How the store refuses is its own business: one way for each action here.
    for (const auto &[readOnly, adding] : {std::pair{false, true}, std::pair{true, false}}) {
        SCOPED_TRACE(std::string(readOnly ? "read-only, " : "locked, ") + (adding ? "add" : "remove"));
        SetUp();
        catalogue({QStringLiteral("Mail"), QStringLiteral("Notes")}, {QStringLiteral("Notes")});
        std::optional<ScopedPermissionChecks> asAUser;
        if (readOnly && QFile::setPermissions(storePath(), QFile::ReadOwner))
            asAUser.emplace();
        auto pane = openPane(100ms);
        pane->mainView()->show();
        QStringList lines;
        ScopedLogSink sink([&](const LogRecord &record) { lines.append(record.message); });
        {
            const SqliteFile locker(storePath());
            ASSERT_TRUE(readOnly || locker.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            if (adding)
                pane->openPanelDidEnd(panelChoosing(appPath(QStringLiteral("Mail"))).get(), 1, nullptr);
            else
                removeRow(*pane, 0);
        }
        EXPECT_TRUE(lines.value(0).startsWith(QStringLiteral("unable to save excluded attribute: ")))
            << qPrintable(lines.value(0));
        EXPECT_EQ(listed(*pane), QStringList{QStringLiteral("Notes")}); // as the store has it
        const auto sheets = openSheets(pane->mainView());
        ASSERT_EQ(sheets.size(), 1);
        EXPECT_TRUE(
            sheets[0]->informativeText().endsWith(QStringLiteral("The list of excluded applications is unchanged.")));
        EXPECT_EQ(service.drained(), QStringList());
        asAUser.reset();
        EXPECT_EQ(sql(QStringLiteral("SELECT group_concat(ZNAME) FROM ZAPPLICATION WHERE ZEXCLUDED")),
                  QStringLiteral("Notes"));
        EXPECT_EQ(listed(*openPane()), QStringList{QStringLiteral("Notes")}); // the next opening agrees
    }
}
