#include "CorvanePrefPane.h"

#include "platform/ui/PreferencePanePlugin.h"

#include <QLabel>
#include <QLocale>
#include <QMessageBox>

#include <gtest/gtest.h>

using platform::Bundle;

// The English texts are checked where the sheets come up against the service.
TEST(CorvanePrefPaneView, TheBundlesPluginMakesThePaneWhoseSheetsTakeTheirTextsFromTheClipwellTranslations)
{
    const auto plugin = platform::PreferencePanePlugin::instantiate(*Bundle::bundleWithPath(QStringLiteral(CORVANE_PANE_BUNDLE)));
    auto *pane = qobject_cast<CorvanePrefPane *>(plugin.get());
    ASSERT_NE(pane, nullptr);
    QWidget *view = pane->loadMainView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->findChild<QLabel *>(QStringLiteral("_versionLabel"))->text(), QStringLiteral("v" CORVANE_VERSION));
    view->show();
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    pane->showDisableFailedAlertSheet();
    QLocale::setDefault(QLocale::c());
    const auto sheets = view->window()->findChildren<QMessageBox *>();
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_EQ(sheets.front()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheets.front()->text(), QStringLiteral("Dienst nicht ausgeschaltet."));
    EXPECT_EQ(sheets.front()->informativeText(), QStringLiteral("Schließen Sie alle Dialoge des Dienstprogramms und "
                                                                "versuchen Sie dann erneut, den Dienst auszuschalten."));
}
