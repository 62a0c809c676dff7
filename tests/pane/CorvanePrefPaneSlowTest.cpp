#include "PaneServiceFixture.h"

#include "CorvaneServiceHelper.h"

#include <QFileInfo>

using namespace corvane::test;

// The product's own 20-second wait, against a service that ignores the request.
TEST_F(PaneServiceTest, AServiceThatWillNotQuitBringsTheDisableFailedSheetAndTheSwitchGoesBackOn)
{
    ASSERT_TRUE(linkService(servicesFolder()));
    ASSERT_GT(guard.start({QStringLiteral("--ignore-terminate")}), 0);
    ASSERT_TRUE(QFileInfo::exists(servicesBundle()));
    pane->willSelect();

    clickOffSide(); // blocks for the whole wait
    EXPECT_TRUE(CorvaneServiceHelper::isServiceRunning());
    EXPECT_EQ(toggle->state(), 1);
    QMessageBox *shown = sheet();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text(), QStringLiteral("Service Not Disabled."));
    EXPECT_EQ(shown->informativeText(), QStringLiteral("Make sure all dialogs with the service application have been "
                                                       "dismissed, then try disabling again."));
    // The Services menu forgets the service all the same.
    EXPECT_FALSE(QFileInfo::exists(servicesBundle()));
}
