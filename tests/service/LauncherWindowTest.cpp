#include "LauncherTestSupport.h"
#include "ServiceTestSupport.h"

#include "ApplicationCatalogue.h"
#include "Launcher.h"
#include "LauncherWindow.h"
#include "ServiceJournal.h"


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
        ASSERT_TRUE(writeEntry(userApplications(), QStringLiteral("mail.desktop"), entry("Mail", "GenericName=Mail Client\n")));
        ASSERT_TRUE(writeEntry(userApplications(), QStringLiteral("maps.desktop"), entry("Maps")));
        ASSERT_TRUE(writeEntry(userApplications(), QStringLiteral("notes.desktop"), entry("Notes", "Keywords=memo;\n")));
        journal = std::make_unique<ServiceJournal>(ServiceJournal::defaultPath());
        catalogue = std::make_unique<ApplicationCatalogue>(*journal, ModelFile);
        ASSERT_TRUE(catalogue->open());
        launcher = std::make_unique<Launcher>(*catalogue, *journal);
        window = std::make_unique<LauncherWindow>(*launcher);
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

    QString uriOf(const QString &name) const { return launcher->search(name).value(0).uri; }

    const ServiceJournalReader journalled;
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
    for (const auto &[key, expected] : {std::pair{Qt::Key_Down, "Maps"}, std::pair{Qt::Key_Down, "Maps"},
                                        std::pair{Qt::Key_Up, "Mail"}, std::pair{Qt::Key_Up, "Mail"},
                                        std::pair{Qt::Key_Down, "Maps"}}) {
        QTest::keyClick(field(), key);
        EXPECT_EQ(chosen(), QString::fromLatin1(expected));
    }
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(recorded(1), (QList<QStringList>{{QDir::homePath(), recorder(), QStringLiteral("maps")}}));

    // The use reached the store: another catalogue on it reads it.
    ApplicationCatalogue other(*journal, ModelFile);
    ASSERT_TRUE(other.open());
    for (const LauncherApplication &app : other.applications())
        EXPECT_EQ(app.useCount, app.id == u"maps.desktop" ? 1 : 0) << qPrintable(app.id);
    EXPECT_EQ(journalled.lines().filter(QStringLiteral("window ")), (QStringList{"window shown", "window hidden"}));
}

TEST_F(LauncherWindowTest, EscapeOrAnotherWindowHidesItShowingAgainStartsAFreshSearchAndAClickLaunches)
{
    showAndWait();
    QTest::keyClicks(field(), QStringLiteral("no"));
    QTest::keyClick(field(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    showAndWait();
    QWidget other;
    other.show();
    other.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }));

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
    ASSERT_TRUE(catalogue->recordUse(uriOf(QStringLiteral("Maps")), start));
    ASSERT_TRUE(catalogue->recordUse(uriOf(QStringLiteral("Maps")), start.addSecs(60)));
    ASSERT_TRUE(catalogue->recordUse(uriOf(QStringLiteral("Notes")), start.addSecs(120)));
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
    PaneStore().exclude({QStringLiteral("mail")});
    catalogue->excludedApplicationsChanged(uriOf(QStringLiteral("Mail")));
    EXPECT_EQ(rows(), (QStringList{"Notes", "Maps"}));
    QTest::keyClicks(field(), QStringLiteral("mail"));
    EXPECT_TRUE(rows().isEmpty());

    // An application installed while the window is shown turns up in it.
    field()->clear();
    ASSERT_TRUE(writeEntry(userApplications(), QStringLiteral("atlas.desktop"), entry("Atlas")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return rows().contains(QStringLiteral("Atlas")); }, 10000)) << qPrintable(rows().join(u' '));
}
