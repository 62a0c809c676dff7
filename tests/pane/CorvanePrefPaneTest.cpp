#include "CorvanePrefPane.h"

#include "CorvaneServiceHelper.h"
#include "UserDefaults.h"

#include "PreferencePanePlugin.h"
#include "TestSupport.h"
#include "VLOnOffButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using platform::Bundle;

namespace {

const QString PaneBundle = QStringLiteral(CORVANE_PANE_BUNDLE);

// A copy of the built bundle whose Info.plist says `version`.
QString bundleCopyWithVersion(const QTemporaryDir &dir, const QString &version)
{
    const QString copy = dir.path() + QStringLiteral("/Corvane.prefPane");
    QDir().mkpath(copy + QStringLiteral("/Resources"));
    for (const QString &name : QDir(PaneBundle + QStringLiteral("/Resources")).entryList(QDir::Files))
        QFile::copy(PaneBundle + QStringLiteral("/Resources/") + name, copy + QStringLiteral("/Resources/") + name);
    QByteArray info = *corvane::test::readFile(PaneBundle + QStringLiteral("/Info.plist"));
    const QByteArray key = "<key>CFBundleShortVersionString</key>";
    const qsizetype start = info.indexOf("<string>", info.indexOf(key)) + 8;
    info.replace(start, info.indexOf("</string>", start) - start, version.toUtf8());
    QFile file(copy + QStringLiteral("/Info.plist"));
    file.open(QIODevice::WriteOnly);
    file.write(info);
    return copy;
}

QMessageBox *sheetOn(QWidget *view)
{
    const auto sheets = view->window()->findChildren<QMessageBox *>();
    return sheets.size() == 1 ? sheets.front() : nullptr;
}

} // namespace

TEST(CorvanePrefPaneView, HoldsEveryOutletAndWiresTheSwitchToToggleEnable)
{
    CorvanePrefPane pane(*Bundle::bundleWithPath(PaneBundle));
    QWidget *view = pane.loadMainView();
    ASSERT_NE(view, nullptr);
    auto *button = view->findChild<VLOnOffButton *>(QStringLiteral("_enableCheckbox"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->target(), &pane);
    EXPECT_EQ(button->action(), QByteArray("toggleEnable"));
    EXPECT_EQ(button->size(), QSize(64, 26)); // the shipped artwork was found
    EXPECT_NE(view->findChild<QLabel *>(QStringLiteral("_versionLabel")), nullptr);
    EXPECT_NE(view->findChild<QCheckBox *>(QStringLiteral("_enableAtStartupCheckbox")), nullptr);
    EXPECT_NE(view->findChild<QLineEdit *>(QStringLiteral("_hotKeyField")), nullptr);
    EXPECT_NE(view->findChild<QPushButton *>(QStringLiteral("_keybroadcaster")), nullptr);
    for (const char *corner : {"_topLeftPicker", "_topRightPicker", "_bottomLeftPicker", "_bottomRightPicker"}) {
        auto *picker = view->findChild<QComboBox *>(QLatin1String(corner));
        ASSERT_NE(picker, nullptr) << corner;
        EXPECT_EQ(picker->count(), 2) << corner; // index 0 stores false, index 1 true
    }
    EXPECT_NE(view->findChild<QComboBox *>(QStringLiteral("_sortByPicker")), nullptr);
    EXPECT_NE(view->findChild<QTableView *>(QStringLiteral("_excludedApplicationsTable")), nullptr);
    EXPECT_NE(view->findChild<QCheckBox *>(QStringLiteral("_limitSearchCheckbox")), nullptr);
}

TEST(CorvanePrefPaneView, VersionLabelReadsVAndTheBundlesShortVersion)
{
    QTemporaryDir dir;
    CorvanePrefPane pane(*Bundle::bundleWithPath(bundleCopyWithVersion(dir, QStringLiteral("1.0.3"))));
    QWidget *view = pane.loadMainView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->findChild<QLabel *>(QStringLiteral("_versionLabel"))->text(), QStringLiteral("v1.0.3"));
}

TEST(CorvanePrefPaneView, TheBundlesPluginMakesThePane)
{
    auto pane = platform::PreferencePanePlugin::instantiate(*Bundle::bundleWithPath(PaneBundle));
    ASSERT_NE(pane, nullptr);
    EXPECT_STREQ(pane->metaObject()->className(), "CorvanePrefPane");
    ASSERT_NE(pane->loadMainView(), nullptr);
    EXPECT_EQ(pane->mainView()->findChild<QLabel *>(QStringLiteral("_versionLabel"))->text(),
              QStringLiteral("v" CORVANE_VERSION));
}

TEST(CorvanePrefPaneView, SheetsShowTheirTextsFromTheClipwellTableOnThePanesWindow)
{
    CorvanePrefPane pane(*Bundle::bundleWithPath(PaneBundle));
    QWidget *view = pane.loadMainView();
    view->show();

    pane.showLaunchFailedAlertSheet();
    QMessageBox *sheet = sheetOn(view);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->text(), QStringLiteral("Service Not Enabled"));
    EXPECT_EQ(sheet->informativeText(),
              QStringLiteral("The service application either could not be found or an error occurred during launch. "
                             "Locate and double-click the service application to see if there's a problem."));
    EXPECT_EQ(sheet->buttons().size(), 1);
    sheet->defaultButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sheetOn(view); }));

    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    pane.showDisableFailedAlertSheet();
    QLocale::setDefault(QLocale::c());
    sheet = sheetOn(view);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->text(), QStringLiteral("Dienst nicht ausgeschaltet."));
    EXPECT_EQ(sheet->informativeText(), QStringLiteral("Schließen Sie alle Dialoge des Dienstprogramms und versuchen "
                                                       "Sie dann erneut, den Dienst auszuschalten."));
    sheet->defaultButton()->click();
}

TEST(CorvanePrefPaneView, WillSelectTakesSortOrderAndSearchLimitFromTheDomainOnlyWhenPresent)
{
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    CorvanePrefPane pane(*Bundle::bundleWithPath(PaneBundle));
    QWidget *view = pane.loadMainView();
    auto *sortBy = view->findChild<QComboBox *>(QStringLiteral("_sortByPicker"));
    auto *limit = view->findChild<QCheckBox *>(QStringLiteral("_limitSearchCheckbox"));

    // No domain at all: the interface file's states stay.
    defaults.removePersistentDomainForName(ServiceBundleIdentifier);
    sortBy->setCurrentIndex(1);
    limit->setChecked(true);
    pane.willSelect();
    EXPECT_EQ(sortBy->currentIndex(), 1);
    EXPECT_TRUE(limit->isChecked());

    ASSERT_TRUE(defaults.setPersistentDomain({{QStringLiteral("CVSortOrder"), 2},
                                              {QStringLiteral("LimitAppSearchesToSystemVolume"), false}},
                                             ServiceBundleIdentifier));
    pane.willSelect();
    EXPECT_EQ(sortBy->currentIndex(), 2);
    EXPECT_FALSE(limit->isChecked());

    // An index the pop-up does not have leaves it alone rather than selecting nothing.
    ASSERT_TRUE(defaults.setPersistentDomain({{QStringLiteral("CVSortOrder"), 9}}, ServiceBundleIdentifier));
    pane.willSelect();
    EXPECT_EQ(sortBy->currentIndex(), 2);
    ASSERT_TRUE(defaults.setPersistentDomain({{QStringLiteral("CVSortOrder"), -1}}, ServiceBundleIdentifier));
    pane.willSelect();
    EXPECT_EQ(sortBy->currentIndex(), 2);
    defaults.removePersistentDomainForName(ServiceBundleIdentifier);
}
