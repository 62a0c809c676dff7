#include "CorvanePrefPane.h"

#include "platform/ui/PreferencePanePlugin.h"

#include <QLabel>
#include <QLocale>
#include <QMessageBox>

#include <gtest/gtest.h>

using platform::Bundle;

namespace {

const QString PaneBundle = QStringLiteral(CORVANE_PANE_BUNDLE);

} // namespace

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
