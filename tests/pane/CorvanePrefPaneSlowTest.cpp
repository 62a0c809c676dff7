#include "PaneServiceFixture.h"

#include "CorvaneServiceHelper.h"
#include "platform/core/Log.h"

#include <QElapsedTimer>
#include <QFileInfo>

using namespace corvane::test;

// The product's own 20-second wait, unshortened, against a service that ignores the
// request: the one test that sits through it.
TEST_F(PaneServiceTest, AServiceThatWillNotQuitBringsTheDisableFailedSheetAndTheSwitchGoesBackOn)
{
    ASSERT_TRUE(linkService(servicesFolder()));
    ASSERT_GT(guard.start({QStringLiteral("--ignore-terminate")}), 0);
    ASSERT_TRUE(QFileInfo::exists(servicesBundle()));
    pane->willSelect();
    const ServiceJournalReader journal;
    QStringList logged;
    const platform::ScopedLogSink sink([&](const platform::LogRecord &r) { logged.append(r.message); });

    QElapsedTimer timer;
    timer.start();
    clickOffSide(); // blocks for the whole wait
    EXPECT_GE(timer.elapsed(), 20000);
    EXPECT_TRUE(journal.contains(QStringLiteral("ignored terminateApp")));
    EXPECT_EQ(logged, QStringList{QStringLiteral("Unable to quit the Velora Corvane service within maximum wait time.")});
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
