#include "platform/core/ConditionLock.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using platform::ConditionLock;

TEST(ConditionLock, ConditionsHandTheLockBackAndForthInStrictTurns)
{
    // Two threads that each wait for their own condition must alternate exactly;
    // the unguarded string also lets ThreadSanitizer check the exclusion.
    ConditionLock lock(0);
    std::string turns;
    constexpr int rounds = 2000;
    auto player = [&](int mine, int next, char mark) {
        for (int i = 0; i < rounds; ++i) {
            lock.lockWhenCondition(mine);
            turns += mark;
            lock.unlockWithCondition(next);
        }
    };
    std::thread a(player, 0, 1, 'a');
    std::thread b(player, 1, 0, 'b');
    a.join();
    b.join();

    std::string expected;
    for (int i = 0; i < rounds; ++i)
        expected += "ab";
    EXPECT_EQ(turns, expected);
}
