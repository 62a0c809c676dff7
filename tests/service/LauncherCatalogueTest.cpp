#include "LauncherTestSupport.h"
#include "TestSupport.h"

#include "ApplicationCatalogue.h"
#include "ApplicationScanner.h"

#include "platform/bus/DistributedNotificationCenter.h"

#include <QTest>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace corvane::test;
using namespace platform;

namespace {

const QString ModelFile = QStringLiteral(CORVANE_MODEL_FILE);
const QString Entity = QStringLiteral("Application");
const QByteArray App = "Type=Application\nExec=true\n";

QStringList ids(const QList<LauncherApplication> &apps)
{
    QStringList out;
    for (const LauncherApplication &app : apps)
        out << app.id;
    out.sort();
    return out;
}

class LauncherCatalogue : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearApplications();
        QDir(QFileInfo(ApplicationCatalogue::storePath()).absolutePath()).removeRecursively();
        QDir().mkpath(QFileInfo(ApplicationCatalogue::storePath()).absolutePath());
    }
    ServiceJournal journal{sandboxDir() + QStringLiteral("/catalogue-journal.log")};
};

} // namespace

TEST_F(LauncherCatalogue, OffersTheWinnerOfEachDesktopFileIdByTheEntrysRules)
{
    const QString user = userApplications();
    const QString system = systemApplications();
    // The user's copy wins its ID, even over a system entry deeper in a subfolder.
    ASSERT_TRUE(writeEntry(system, QStringLiteral("kde/konsole.desktop"), App + "Name=System Konsole\n"));
    ASSERT_TRUE(writeEntry(user, QStringLiteral("kde-konsole.desktop"), App + "Name=My Konsole\n"));
    // A hidden user entry deletes the system's entry of its ID.
    ASSERT_TRUE(writeEntry(system, QStringLiteral("gone.desktop"), App + "Name=Gone\n"));
    ASSERT_TRUE(writeEntry(user, QStringLiteral("gone.desktop"), "Hidden=true\n"));
    ASSERT_TRUE(writeEntry(system, QStringLiteral("nodisplay.desktop"), App + "NoDisplay=true\n"));
    ASSERT_TRUE(writeEntry(system, QStringLiteral("gnome-too.desktop"), App + "OnlyShowIn=KDE;GNOME;\n"));
    ASSERT_TRUE(writeEntry(system, QStringLiteral("not-gnome.desktop"), App + "NotShowIn=GNOME;\n"));
    ASSERT_TRUE(writeEntry(system, QStringLiteral("missing.desktop"), App + "TryExec=/nonexistent/program\n"));
    ASSERT_TRUE(writeEntry(system, QStringLiteral("installed.desktop"), App + "TryExec=sh\n"));
    ASSERT_TRUE(writeEntry(system, QStringLiteral("link.desktop"), "Type=Link\nURL=https://example.org\n"));
    ASSERT_TRUE(QDir().mkpath(QDir::homePath() + QStringLiteral("/Applications/Atlas.app")));

    ApplicationScanner::Options options = ApplicationScanner::options();
    options.desktops = {QStringLiteral("ubuntu"), QStringLiteral("GNOME")};
    const QList<LauncherApplication> apps = ApplicationScanner::scan(options);
    EXPECT_EQ(ids(apps), (QStringList{QStringLiteral("Atlas.app"), QStringLiteral("gnome-too.desktop"),
                                      QStringLiteral("installed.desktop"), QStringLiteral("kde-konsole.desktop")}));
    for (const LauncherApplication &app : apps) {
        if (app.id == u"kde-konsole.desktop") {
            EXPECT_EQ(app.name, QStringLiteral("My Konsole"));
        }
    }

    // Only what lies on the file system of "/" when the search is limited.
    options.systemVolumeOnly = true;
    struct stat root{}, sandbox{};
    ASSERT_EQ(::stat("/", &root), 0);
    ASSERT_EQ(::stat(QFile::encodeName(sandboxDir()).constData(), &sandbox), 0);
    EXPECT_EQ(ApplicationScanner::scan(options).size(), root.st_dev == sandbox.st_dev ? apps.size() : 0);
}

TEST_F(LauncherCatalogue, RecordsFollowTheirApplicationAcrossAnOverrideAndRemovalsAreAnnounced)
{
    ASSERT_TRUE(writeEntry(systemApplications(), QStringLiteral("mail.desktop"), App + "Name=Mail\n"));
    ASSERT_TRUE(writeEntry(systemApplications(), QStringLiteral("notes.desktop"), App + "Name=Notes\n"));
    ApplicationCatalogue catalogue(journal, ModelFile);
    ASSERT_TRUE(catalogue.open());
    ASSERT_EQ(catalogue.applications().size(), 2);

    // The pane excludes Mail.
    const QString mailUri = PaneStore().exclude({QStringLiteral("mail")}).value(0);
    catalogue.excludedApplicationsChanged(mailUri);
    ASSERT_TRUE(catalogue.isExcluded(mailUri));

    // A user's copy of Mail takes over its record, flag and all; Notes goes away.
    QStringList announced;
    DistributedNotificationCenter::defaultCenter().addObserver(
        this, QStringLiteral("CVApplicationRemovedFromLauncherNotification"), QString(),
        [&](const auto &n) { announced += n.userInfo.value(QStringLiteral("ApplicationIDs")).toStringList(); });
    ASSERT_TRUE(writeEntry(userApplications(), QStringLiteral("mail.desktop"), App + "Name=My Mail\n"));
    ASSERT_TRUE(QFile::remove(systemApplications() + QStringLiteral("/notes.desktop")));
    QString notesUri;
    for (const LauncherApplication &app : catalogue.applications())
        notesUri = app.id == u"notes.desktop" ? app.uri : notesUri;
    // Watched folders: the catalogue follows without being asked.
    ASSERT_TRUE(QTest::qWaitFor([&] { return catalogue.applications().size() == 1; }, 10000));
    const LauncherApplication mail = catalogue.applications().first();
    EXPECT_EQ(mail.name, QStringLiteral("My Mail"));
    EXPECT_EQ(mail.uri, mailUri);
    EXPECT_TRUE(mail.excluded);
    EXPECT_EQ(mail.path, userApplications() + QStringLiteral("/mail.desktop"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return announced == QStringList{notesUri}; }, 10000)) << qPrintable(announced.join(u' '));
    DistributedNotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(LauncherCatalogue, AStoreWithoutUsageGainsItKeepingEveryRowAndFlag)
{
    // The model before usage was kept.
    const auto oldModel = ManagedObjectModel::fromJson(R"({"entities": [{"name": "Application", "attributes": [
        {"name": "name", "type": "String"}, {"name": "URL", "type": "String"}, {"name": "excluded", "type": "Boolean"}]}]})");
    ASSERT_TRUE(oldModel);
    {
        PaneStore old(*oldModel);
        for (int i = 0; i < 3; ++i) {
            auto record = old.context.insertNewObject(Entity);
            record->setValue(QStringLiteral("name"), QStringLiteral("app%1").arg(i));
            record->setValue(QStringLiteral("URL"), QStringLiteral("file:///apps/app%1.desktop").arg(i));
            record->setValue(QStringLiteral("excluded"), i == 1);
        }
        ASSERT_TRUE(old.context.save());
    }
    PaneStore current;
    const auto records = current.applications();
    ASSERT_EQ(records.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto &record = records.at(i);
        EXPECT_EQ(record->value(QStringLiteral("name")), QStringLiteral("app%1").arg(i));
        EXPECT_EQ(record->value(QStringLiteral("excluded")).toBool(), i == 1);
        EXPECT_EQ(record->value(QStringLiteral("useCount")).toLongLong(), 0);
        EXPECT_FALSE(record->value(QStringLiteral("lastUsed")).isValid());
    }
    // New records start from the defaults, and the old model still opens the store.
    auto added = current.context.insertNewObject(Entity);
    EXPECT_EQ(added->value(QStringLiteral("useCount")).toLongLong(), 0);
    PersistentStoreCoordinator stillOld(*oldModel);
    EXPECT_TRUE(stillOld.addSQLiteStore(ApplicationCatalogue::storePath()));
}

TEST_F(LauncherCatalogue, AUseCountedWhileThePaneSavesItsFlagKeepsBoth)
{
    ASSERT_TRUE(writeEntry(systemApplications(), QStringLiteral("mail.desktop"), App + "Name=Mail\n"));
    ApplicationCatalogue service(journal, ModelFile);
    ASSERT_TRUE(service.open());
    const QString uri = service.applications().first().uri;
    PaneStore pane;
    const auto record = pane.context.existingObjectWithID(*pane.coordinator->managedObjectIDForURIRepresentation(uri));
    ASSERT_TRUE(record);

    // The pane has read the record and changes its flag while the service counts a use.
    record->setValue(QStringLiteral("excluded"), true);
    const QDateTime first = QDateTime::fromSecsSinceEpoch(1800000000, Qt::UTC);
    ASSERT_TRUE(service.recordUse(uri, first));
    StoreError error;
    ASSERT_TRUE(pane.context.save(&error)) << qPrintable(error.toString());
    // And the other way round: the service's record is older than the pane's save.
    ASSERT_TRUE(service.recordUse(uri, first.addSecs(60)));
    record->setValue(QStringLiteral("excluded"), false);
    ASSERT_TRUE(pane.context.save(&error)) << qPrintable(error.toString());
    ASSERT_TRUE(service.recordUse(uri, first.addSecs(120)));

    const auto stored = PaneStore().applications();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_FALSE(stored.first()->value(QStringLiteral("excluded")).toBool());
    EXPECT_EQ(stored.first()->value(QStringLiteral("useCount")).toLongLong(), 3);
    EXPECT_EQ(stored.first()->value(QStringLiteral("lastUsed")).toDateTime(), first.addSecs(120));
    EXPECT_EQ(service.applications().first().useCount, 3);
}
