#include "CorvanePrefPane.h"

#include "platform/ui/PreferencePanePlugin.h"
#include "TestSupport.h"
#include "VLOnOffButton.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QTemporaryDir>

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

} // namespace

TEST(CorvanePrefPaneView, WiresTheSwitchToToggleEnableAndGivesEachCornerTwoItems)
{
    CorvanePrefPane pane(*Bundle::bundleWithPath(PaneBundle));
    QWidget *view = pane.loadMainView();
    ASSERT_NE(view, nullptr);
    auto *button = view->findChild<VLOnOffButton *>(QStringLiteral("_enableCheckbox"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->target(), &pane);
    EXPECT_EQ(button->action(), QByteArray("toggleEnable"));
    EXPECT_EQ(button->size(), QSize(64, 26)); // the shipped artwork was found
    // The other outlets are found by the tests that use them.
    for (const char *corner : {"_topLeftPicker", "_topRightPicker", "_bottomLeftPicker", "_bottomRightPicker"}) {
        auto *picker = view->findChild<QComboBox *>(QLatin1String(corner));
        ASSERT_NE(picker, nullptr) << corner;
        EXPECT_EQ(picker->count(), 2) << corner; // index 0 stores false, index 1 true
    }
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

// The English texts are checked where the sheets come up against the service.
TEST(CorvanePrefPaneView, SheetsTakeTheirTextsFromTheClipwellTranslations)
{
    CorvanePrefPane pane(*Bundle::bundleWithPath(PaneBundle));
    QWidget *view = pane.loadMainView();
    view->show();
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    pane.showDisableFailedAlertSheet();
    QLocale::setDefault(QLocale::c());
    const auto sheets = view->window()->findChildren<QMessageBox *>();
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_EQ(sheets.front()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheets.front()->text(), QStringLiteral("Dienst nicht ausgeschaltet."));
    EXPECT_EQ(sheets.front()->informativeText(), QStringLiteral("Schließen Sie alle Dialoge des Dienstprogramms und "
                                                                "versuchen Sie dann erneut, den Dienst auszuschalten."));
}
