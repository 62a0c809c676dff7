#include "LauncherTestSupport.h"

#include "ApplicationCatalogue.h"
#include "Launcher.h"
#include "LauncherWindow.h"
#include "ServiceJournal.h"

#include "platform/store/ManagedObjectContext.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>

using namespace corvane::test;

namespace {

const QString ModelFile = QStringLiteral(CORVANE_MODEL_FILE);

QByteArray entry(const QByteArray &name, const QByteArray &more = {})
{
    return "Type=Application\nName=" + name + "\nExec=\"" + recorder().toUtf8() + "\" " + name.toLower() + "\n" + more;
}

class LauncherWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearApplications();
        installRecorder();
        QDir(QFileInfo(ApplicationCatalogue::storePath()).absolutePath()).removeRecursively();
        QDir().mkpath(QFileInfo(ApplicationCatalogue::storePath()).absolutePath());
        QFile::remove(journalPath());
        ASSERT_TRUE(writeEntry(userApplications(), QStringLiteral("mail.desktop"), entry("Mail", "GenericName=Mail Client\n")));
        ASSERT_TRUE(writeEntry(userApplications(), QStringLiteral("maps.desktop"), entry("Maps")));
        ASSERT_TRUE(writeEntry(userApplications(), QStringLiteral("notes.desktop"), entry("Notes", "Keywords=memo;\n")));
        journal = std::make_unique<ServiceJournal>(journalPath());
        catalogue = std::make_unique<ApplicationCatalogue>(*journal, ModelFile);
        ASSERT_TRUE(catalogue->open());
        launcher = std::make_unique<Launcher>(*catalogue, *journal);
        window = std::make_unique<LauncherWindow>(*launcher);
    }

    static QString journalPath() { return sandboxDir() + QStringLiteral("/window-journal.log"); }

    // The journal's lines as kind and fields joined by spaces.
    static QStringList journalled()
    {
        QFile file(journalPath());
        QStringList lines;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts))
                lines << line.split(u'\t').mid(2).join(u' ');
        }
        return lines;
    }

    void showAndWait()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window->window()));
    }

    QListView *list() const { return window->window()->findChild<QListView *>(); }
    QLineEdit *field() const { return window->window()->findChild<QLineEdit *>(); }

    QStringList rows() const
    {
        QStringList names;
        for (int row = 0; row < list()->model()->rowCount(); ++row)
            names << list()->model()->index(row, 0).data().toString();
        return names;
    }
    QString chosen() const { return list()->currentIndex().data().toString(); }

    QString uriOf(const QString &id) const
    {
        for (const LauncherApplication &app : catalogue->applications()) {
            if (app.id == id)
                return app.uri;
        }
        return {};
    }

    std::unique_ptr<ServiceJournal> journal;
    std::unique_ptr<ApplicationCatalogue> catalogue;
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<LauncherWindow> window;
};

} // namespace

TEST_F(LauncherWindowTest, TypingFiltersArrowsChooseAndReturnLaunchesCountingTheUse)
{
    showAndWait();
    ASSERT_EQ(QApplication::focusWidget(), field());
    EXPECT_EQ(rows(), (QStringList{"Mail", "Maps", "Notes"}));
    EXPECT_EQ(chosen(), QStringLiteral("Mail"));

    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ma"));
    EXPECT_EQ(rows(), (QStringList{"Mail", "Maps"}));
    EXPECT_EQ(list()->currentIndex().data(Qt::UserRole + 1).toString(), QStringLiteral("Mail Client"));
    for (const auto &[key, expected] : {std::pair{Qt::Key_Down, "Maps"}, std::pair{Qt::Key_Down, "Maps"},
                                        std::pair{Qt::Key_Up, "Mail"}, std::pair{Qt::Key_Up, "Mail"},
                                        std::pair{Qt::Key_Down, "Maps"}}) {
        QTest::keyClick(field(), key);
        EXPECT_EQ(chosen(), QString::fromLatin1(expected));
    }
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(recorded(1), (QList<QStringList>{{QDir::homePath(), recorder(), QStringLiteral("maps")}}));
    EXPECT_TRUE(journalled().contains(QStringLiteral("launched maps.desktop")));

    // The use reached the store: another catalogue on it reads it.
    ServiceJournal otherJournal(sandboxDir() + QStringLiteral("/other-journal.log"));
    ApplicationCatalogue other(otherJournal, ModelFile);
    ASSERT_TRUE(other.open());
    for (const LauncherApplication &app : other.applications())
        EXPECT_EQ(app.useCount, app.id == u"maps.desktop" ? 1 : 0) << qPrintable(app.id);
    EXPECT_EQ(journalled().filter(QStringLiteral("window ")), (QStringList{"window shown", "window hidden"}));
}

TEST_F(LauncherWindowTest, EscapeHidesAndShowingAgainStartsAFreshSearchWhereAClickLaunches)
{
    showAndWait();
    QTest::keyClicks(field(), QStringLiteral("memo"));
    EXPECT_EQ(rows(), QStringList{"Notes"});
    QTest::keyClick(field(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());

    showAndWait();
    EXPECT_TRUE(field()->text().isEmpty());
    ASSERT_EQ(rows(), (QStringList{"Mail", "Maps", "Notes"}));
    const QRect mail = list()->visualRect(list()->model()->index(0, 0));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, mail.center());
    EXPECT_FALSE(window->isVisible());
    // Only the click launched anything.
    EXPECT_EQ(recorded(1), (QList<QStringList>{{QDir::homePath(), recorder(), QStringLiteral("mail")}}));
}

TEST_F(LauncherWindowTest, ShownResultsFollowTheSortOrderExclusionsAndNewApplications)
{
    const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-3600);
    ASSERT_TRUE(catalogue->recordUse(uriOf(QStringLiteral("maps.desktop")), start));
    ASSERT_TRUE(catalogue->recordUse(uriOf(QStringLiteral("maps.desktop")), start.addSecs(60)));
    ASSERT_TRUE(catalogue->recordUse(uriOf(QStringLiteral("notes.desktop")), start.addSecs(120)));
    showAndWait();
    EXPECT_EQ(rows(), (QStringList{"Mail", "Maps", "Notes"}));
    QTest::keyClick(field(), Qt::Key_Down);

    // The chosen application stays chosen as the order changes under it.
    launcher->setSortOrder(QStringLiteral("2"));   // most often used first
    EXPECT_EQ(rows(), (QStringList{"Maps", "Notes", "Mail"}));
    EXPECT_EQ(chosen(), QStringLiteral("Maps"));
    launcher->setSortOrder(QStringLiteral("1"));   // most recently used first
    EXPECT_EQ(rows(), (QStringList{"Notes", "Maps", "Mail"}));
    EXPECT_EQ(chosen(), QStringLiteral("Maps"));

    // The pane excludes Mail: it leaves the list, and no search finds it.
    auto store = std::make_shared<platform::PersistentStoreCoordinator>(*platform::ManagedObjectModel::fromFile(ModelFile));
    ASSERT_TRUE(store->addSQLiteStore(ApplicationCatalogue::storePath()));
    platform::ManagedObjectContext pane(store);
    const auto records = pane.executeFetchRequest({QStringLiteral("Application"), std::nullopt, {}});
    ASSERT_TRUE(records);
    for (const auto &record : *records)
        record->setValue(QStringLiteral("excluded"), record->value(QStringLiteral("name")).toString() == u"mail");
    ASSERT_TRUE(pane.save());
    catalogue->excludedApplicationsChanged(uriOf(QStringLiteral("mail.desktop")));
    EXPECT_EQ(rows(), (QStringList{"Notes", "Maps"}));
    QTest::keyClicks(field(), QStringLiteral("mail"));
    EXPECT_TRUE(rows().isEmpty());

    // An application installed while the window is shown turns up in it.
    field()->clear();
    ASSERT_TRUE(writeEntry(userApplications(), QStringLiteral("atlas.desktop"), entry("Atlas")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return rows().contains(QStringLiteral("Atlas")); }, 10000)) << qPrintable(rows().join(u' '));
    EXPECT_TRUE(window->isVisible());
}
