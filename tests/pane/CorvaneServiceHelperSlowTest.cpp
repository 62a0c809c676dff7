#include "CorvaneServiceHelper.h"

#include "ServiceTestSupport.h"

#include "Log.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace corvane::test;

// The product's own wait, unshortened, against a service that ignores the request.
TEST(CorvaneServiceHelperSlow, GivesUpOnAServiceThatIgnoresTheRequestAfterTwentySeconds)
{
    QString foreign;
    ASSERT_TRUE(ServiceGuard::waitForNoForeignService(&foreign)) << qPrintable(foreign);
    ServiceGuard guard;
    const ServiceJournalReader journal;
    ASSERT_GT(guard.start({QStringLiteral("--ignore-terminate")}), 0);
    QStringList logged;
    const platform::ScopedLogSink sink([&](const platform::LogRecord &r) { logged.append(r.message); });

    CorvaneServiceHelper::quitService();
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(CorvaneServiceHelper::waitForServiceToQuit());
    EXPECT_GE(timer.elapsed(), 20000);
    EXPECT_TRUE(journal.contains(QStringLiteral("ignored terminateApp")));
    EXPECT_EQ(logged, QStringList{QStringLiteral("Unable to quit the Velora Corvane service within maximum wait time.")});
}
