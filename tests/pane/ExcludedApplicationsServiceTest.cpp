// The excluded list end to end: the pane and the reference service as a real
// process, sharing the store the service catalogues.

#include "CorvanePrefPane.h"

#include "platform/store/ManagedObjectModel.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "ServiceTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using namespace corvane::test;
using platform::Bundle;

namespace {

const QString PaneBundle = QStringLiteral(CORVANE_PANE_BUNDLE);

QString applications() { return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications"); }
QString storePath() { return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Velora/Corvane/Corvane.db"); }

bool writeEntry(const QString &name)
{
    QFile entry(applications() + u'/' + name + QStringLiteral(".desktop"));
    return entry.open(QIODevice::WriteOnly)
           && entry.write("[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec=true\n") > 0;
}

QStringList listed(const CorvanePrefPane &pane)
{
    QStringList names;
    auto *table = pane.mainView()->findChild<QTableView *>(QStringLiteral("_excludedApplicationsTable"));
    for (int row = 0; row < table->model()->rowCount(); ++row)
        names.append(table->model()->index(row, 0).data().toString());
    return names;
}

QStringList storeRows()
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
        db.setDatabaseName(storePath());
        EXPECT_TRUE(db.open());
        QSqlQuery query(QStringLiteral("SELECT ZNAME, ZEXCLUDED, Z_OPT FROM ZAPPLICATION ORDER BY ZNAME"), db);
        while (query.next())
            rows.append(QStringLiteral("%1 %2 %3").arg(query.value(0).toString()).arg(query.value(1).toInt()).arg(query.value(2).toInt()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("peek"));
    return rows;
}

} // namespace

TEST(ExcludedApplicationsWithTheService, ExcludingReachesTheServiceAndARemovedApplicationLeavesTheList)
{
    QString foreign;
    ASSERT_TRUE(ServiceGuard::waitForNoForeignService(&foreign)) << qPrintable(foreign);
    ServiceGuard guard;
    QDir(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Velora")).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(applications()));
    ASSERT_TRUE(writeEntry(QStringLiteral("Mail")) && writeEntry(QStringLiteral("Notes")));
    ASSERT_TRUE(QDir().mkpath(applications() + QStringLiteral("/Atlas.app")));

    const ServiceJournalReader journal;
    ASSERT_GT(guard.start(), 0);
    ASSERT_TRUE(journal.waitFor(QStringLiteral("catalogued 3 added=3 removed=0"))) << qPrintable(journal.lines().join(u'\n'));
    EXPECT_EQ(storeRows(), (QStringList{QStringLiteral("Atlas 0 1"), QStringLiteral("Mail 0 1"), QStringLiteral("Notes 0 1")}));

    CorvanePrefPane pane(*Bundle::bundleWithPath(PaneBundle));
    ASSERT_NE(pane.loadMainView(), nullptr);
    EXPECT_TRUE(listed(pane).isEmpty());
    QFileDialog panel;
    panel.setOption(QFileDialog::DontUseNativeDialog);
    panel.setDirectory(applications());
    panel.selectFile(applications() + QStringLiteral("/Mail.desktop"));
    pane.openPanelDidEnd(&panel, 1, nullptr);
    const auto mail = pane.applicationWithPath(applications() + QStringLiteral("/Mail.desktop"));
    ASSERT_TRUE(mail);
    const QString uri = pane.objectURLStringForApp(mail);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("excluded %1 true").arg(uri))) << qPrintable(journal.lines().join(u'\n'));
    EXPECT_EQ(listed(pane), QStringList{QStringLiteral("Mail")});

    // A change in the folder that adds no application keeps every record as it was.
    QFile other(applications() + QStringLiteral("/mimeinfo.cache"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    EXPECT_TRUE(journal.waitFor(QStringLiteral("catalogued 3 added=0 removed=0")));
    EXPECT_EQ(storeRows(), (QStringList{QStringLiteral("Atlas 0 1"), QStringLiteral("Mail 1 2"), QStringLiteral("Notes 0 1")}));

    ASSERT_TRUE(QFile::remove(applications() + QStringLiteral("/Mail.desktop")));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("removed ") + uri)) << qPrintable(journal.lines().join(u'\n'));
    EXPECT_TRUE(journal.contains(QStringLiteral("posted CVApplicationRemovedFromLauncherNotification")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed(pane).isEmpty(); }, 20000));
    EXPECT_EQ(storeRows(), (QStringList{QStringLiteral("Atlas 0 1"), QStringLiteral("Notes 0 1")}));
}

TEST(ExcludedApplicationsWithTheService, ACatalogueThatCouldNotBeSavedIsRedoneOnTheNextChange)
{
    QString foreign;
    ASSERT_TRUE(ServiceGuard::waitForNoForeignService(&foreign)) << qPrintable(foreign);
    ServiceGuard guard;
    QDir(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Velora")).removeRecursively();
    QDir(applications()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(applications()));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
    {
        auto model = platform::ManagedObjectModel::fromFile(PaneBundle + QStringLiteral("/Resources/Corvane.model.json"));
        ASSERT_TRUE(model);
        platform::PersistentStoreCoordinator empty(*model);
        ASSERT_TRUE(empty.addSQLiteStore(storePath()));
    }
    ASSERT_TRUE(writeEntry(QStringLiteral("Mail")));

    // Another writer holds the store past the service's busy timeout while it catalogues.
    const ServiceJournalReader journal;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        db.setDatabaseName(storePath());
        ASSERT_TRUE(db.open());
        QSqlQuery lock(db);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
        ASSERT_GT(guard.start(), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return journal.lines().filter(QRegularExpression(QStringLiteral("^error save: "))).size() == 1;
        }, 20000)) << qPrintable(journal.lines().join(u'\n'));
        lock.exec(QStringLiteral("ROLLBACK"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));

    ASSERT_TRUE(writeEntry(QStringLiteral("Notes")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !journal.lines().filter(QRegularExpression(QStringLiteral("^catalogued 2 "))).isEmpty(); }, 10000))
        << qPrintable(journal.lines().join(u'\n'));
    EXPECT_EQ(storeRows(), (QStringList{QStringLiteral("Mail 0 1"), QStringLiteral("Notes 0 1")}));
}
