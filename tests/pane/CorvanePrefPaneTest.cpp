#include "CorvanePrefPane.h"

#include "VLOnOffButton.h"
#include "platform/ui/PreferencePanePlugin.h"

#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>

#include <gtest/gtest.h>

using platform::Bundle;

namespace {

const QString PaneBundle = QStringLiteral(CORVANE_PANE_BUNDLE);

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
