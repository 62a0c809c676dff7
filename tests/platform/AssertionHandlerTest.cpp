#include "platform/core/AssertionHandler.h"
#include "platform/core/Exception.h"

#include <gtest/gtest.h>

#include <thread>

using namespace platform;

TEST(AssertionHandler, DefaultRaisesInternalInconsistencyWithTheDescription)
{
    try {
        handleAssertionFailure(QStringLiteral("push:"), nullptr, QStringLiteral("VLStack"), 57,
                               QStringLiteral("Attempt to push nil item on VLStack"));
        FAIL() << "the default handler returned";
    } catch (const Exception &e) {
        EXPECT_EQ(e.name(), QStringLiteral("NSInternalInconsistencyException"));
        EXPECT_EQ(e.reason(), QStringLiteral("Attempt to push nil item on VLStack"));
        EXPECT_STREQ(e.what(), "NSInternalInconsistencyException: Attempt to push nil item on VLStack");
    }
}

TEST(AssertionHandler, RecordingHandlerReturnsAndKeepsEveryDetailForItsScopeOnly)
{
    RecordingAssertionHandler recorder;
    int receiver = 0;
    {
        ScopedAssertionHandler scope(recorder);
        handleAssertionFailure(QStringLiteral("setState:"), &receiver, QStringLiteral("VLOnOffButton"), 148,
                               QStringLiteral("Our state doesn't support NSMixedState, sorry..."));
    }
    ASSERT_EQ(recorder.failures().size(), 1u);
    const AssertionFailure &f = recorder.failures().front();
    EXPECT_EQ(f.method, QStringLiteral("setState:"));
    EXPECT_EQ(f.object, &receiver);
    EXPECT_EQ(f.file, QStringLiteral("VLOnOffButton"));
    EXPECT_EQ(f.line, 148);
    EXPECT_THROW(handleAssertionFailure({}, nullptr, {}, 0, QStringLiteral("x")), Exception);
}

TEST(AssertionHandler, IsPerThread)
{
    RecordingAssertionHandler recorder;
    ScopedAssertionHandler scope(recorder);
    bool threw = false;
    std::thread([&] {
        try {
            handleAssertionFailure({}, nullptr, {}, 0, QStringLiteral("other thread"));
        } catch (const Exception &) {
            threw = true;
        }
    }).join();
    EXPECT_TRUE(threw);
    EXPECT_TRUE(recorder.failures().empty());
}
