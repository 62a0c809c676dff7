#include "platform/core/TerminationSignalNotifier.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace platform;

TEST(TerminationSignalNotifier, TurnsSignalsIntoQtSignalsOnTheEventLoop)
{
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    {
        TerminationSignalNotifier notifier;
        ASSERT_TRUE(notifier.isActive());
        TerminationSignalNotifier second;
        EXPECT_FALSE(second.isActive()) << "two notifiers would fight over the handlers";

        std::vector<int> received;
        QObject::connect(&notifier, &TerminationSignalNotifier::terminationRequested,
                         [&](int signalNumber) { received.push_back(signalNumber); });
        ::raise(SIGTERM);
        ::raise(SIGINT);
        EXPECT_TRUE(received.empty()) << "emitted inside the signal handler";
        ASSERT_TRUE(corvane::test::waitFor([&] { return received.size() == 2; }));
        EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGINT}));
    }
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}
