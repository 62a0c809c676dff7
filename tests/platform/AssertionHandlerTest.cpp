#include "platform/core/AssertionHandler.h"

#include "Raises.h"

#include <thread>

using namespace platform;

TEST(AssertionHandler, DefaultRaisesInternalInconsistencyWithTheDescription)
{
    EXPECT_TRUE(corvane::test::raises(
        [] {
            handleAssertionFailure(QStringLiteral("push:"), nullptr, QStringLiteral("VLStack"), 57,
                                   QStringLiteral("Attempt to push nil item on VLStack"));
        },
        QStringLiteral("NSInternalInconsistencyException"), QStringLiteral("Attempt to push nil item on VLStack")));
    EXPECT_STREQ(Exception(QStringLiteral("N"), QStringLiteral("réason")).what(), "N: r\xc3\xa9" "ason");
}

TEST(AssertionHandler, RecordingHandlerReturnsAndKeepsEveryDetailForItsScopeAndThreadOnly)
{
    RecordingAssertionHandler recorder;
    int receiver = 0;
    {
        ScopedAssertionHandler scope(recorder);
        handleAssertionFailure(QStringLiteral("setState:"), &receiver, QStringLiteral("VLOnOffButton"), 148,
                               QStringLiteral("Our state doesn't support NSMixedState, sorry..."));
        bool threw = false;
        std::thread([&] {
            try {
                handleAssertionFailure({}, nullptr, {}, 0, QStringLiteral("other thread"));
            } catch (const Exception &) {
                threw = true;
            }
        }).join();
        EXPECT_TRUE(threw) << "the handler is the thread's";
    }
    ASSERT_EQ(recorder.failures().size(), 1u);
    const AssertionFailure &f = recorder.failures().front();
    EXPECT_EQ(f.method, QStringLiteral("setState:"));
    EXPECT_EQ(f.object, &receiver);
    EXPECT_EQ(f.file, QStringLiteral("VLOnOffButton"));
    EXPECT_EQ(f.line, 148);
    EXPECT_EQ(f.description, QStringLiteral("Our state doesn't support NSMixedState, sorry..."));
    EXPECT_THROW(handleAssertionFailure({}, nullptr, {}, 0, QStringLiteral("x")), Exception);
}
