#include "PaneTestSupport.h"

#include "platform/system/AutostartFolders.h"
#include "platform/system/SearchPaths.h"
#include "VLLoginItemHelper.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace corvane::test;
namespace Autostart = platform::AutostartFolders;

namespace {

class LoginCheckbox : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A service application where the pane looks first: the user's Services folder.
        const QString library = platform::searchPathForDirectoriesInDomains(
            platform::SearchPathDirectory::Library, platform::SearchPathDomain::User, true).value(0);
        app = library + QStringLiteral("/Services/Corvane.app");
        ASSERT_TRUE(QDir().mkpath(app));
        QFile executable(app + QStringLiteral("/Corvane"));
        ASSERT_TRUE(executable.open(QIODevice::WriteOnly));
        executable.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        executable.close();
        ASSERT_TRUE(loaded.active);
    }
    void TearDown() override
    {
        QFile::remove(Autostart::userFolder());
        QDir(Autostart::userFolder()).removeRecursively();
        QDir(app).removeRecursively();
    }

    QCheckBox *checkbox() const { return loaded.outlet<QCheckBox>("_enableAtStartupCheckbox"); }
    // On the indicator: a wide checkbox does not take clicks past its label.
    void click() const { QTest::mouseClick(checkbox(), Qt::LeftButton, {}, QPoint(8, checkbox()->height() / 2)); }
    // "Title: reason" of the one sheet open on the pane; empty for none.
    QString sheetText() const
    {
        const QMessageBox *shown = sheet(loaded.view);
        return shown ? shown->text() + QStringLiteral(": ") + shown->informativeText() : QString();
    }
    static QStringList userEntries() { return QDir(Autostart::userFolder()).entryList(QDir::Files); }

    QString app;
    LoadedPane loaded;
};

} // namespace

TEST_F(LoginCheckbox, FollowsTheLoginItemsAndAddsOrRemovesOnlyWhatIsNeeded)
{
    loaded.pane.willSelect();
    EXPECT_FALSE(checkbox()->isChecked());

    click();
    EXPECT_TRUE(checkbox()->isChecked());
    EXPECT_TRUE(VLLoginItemHelper::isNameInLoginItem(QStringLiteral("Corvane")));
    checkbox()->setChecked(false);
    loaded.pane.willSelect();
    EXPECT_TRUE(checkbox()->isChecked());

    // Already an item: checking writes nothing (a rewrite would clear the hidden flag).
    const QString entry = Autostart::userFolder() + QStringLiteral("/Corvane.desktop");
    ASSERT_TRUE(VLLoginItemHelper::addLoginItem(app, true));
    checkbox()->setChecked(false);
    click();
    EXPECT_TRUE(checkbox()->isChecked());
    EXPECT_TRUE(platform::DesktopEntry::read(entry)->boolean(QStringLiteral("X-Velora-Hidden")));

    click();
    EXPECT_FALSE(checkbox()->isChecked());
    EXPECT_FALSE(VLLoginItemHelper::isNameInLoginItem(QStringLiteral("Corvane")));
    EXPECT_TRUE(userEntries().isEmpty());

    // Not an item: unchecking removes nothing and writes no override.
    checkbox()->setChecked(true);
    click();
    EXPECT_FALSE(checkbox()->isChecked());
    EXPECT_TRUE(userEntries().isEmpty());
    EXPECT_TRUE(openSheets(loaded.view).isEmpty());
}

TEST_F(LoginCheckbox, AFailedAddPutsTheCheckboxBackAndSaysWhy)
{
    // The autostart folder cannot be made: a plain file stands in its place.
    QDir().mkpath(QFileInfo(Autostart::userFolder()).path());
    QFile blocker(Autostart::userFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    loaded.pane.willSelect();
    click();
    EXPECT_FALSE(checkbox()->isChecked());
    EXPECT_FALSE(VLLoginItemHelper::isNameInLoginItem(QStringLiteral("Corvane")));
    EXPECT_EQ(sheetText(), QStringLiteral("Login Item Not Added: The login item could not be changed in %1.")
                               .arg(Autostart::userFolder()));
}

TEST_F(LoginCheckbox, WithoutAServiceApplicationNothingIsAddedAndTheCheckboxGoesBack)
{
    QDir(app).removeRecursively();
    loaded.pane.willSelect();
    click();
    EXPECT_FALSE(checkbox()->isChecked());
    EXPECT_TRUE(Autostart::effectiveEntries().isEmpty());
    EXPECT_EQ(sheetText(), QStringLiteral("Login Item Not Added: Unable to locate Velora Corvane service application."));
}
