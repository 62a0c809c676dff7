#include "ThreadExtensions.h"

#include "Raises.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace {

struct Received
{
    QVariantList objects;
    std::thread::id thread;
};

class Target : public QObject
{
    Q_OBJECT
public:
    std::promise<Received> received;

    Q_INVOKABLE void takeFour(const QVariant &a, const QVariant &b, const QVariant &c, const QVariant &d)
    {
        received.set_value({{a, b, c, d}, std::this_thread::get_id()});
    }
};

} // namespace

TEST(ThreadExtensions, LaunchedThreadGetsTheFourObjectsWithNoneKeptAsNone)
{
    auto target = std::make_shared<Target>();
    auto future = target->received.get_future();
    vl::detachNewThreadSelector("takeFour", target, 1, QVariant(), QStringLiteral("x"), QVariant());
    ASSERT_EQ(future.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    const Received r = future.get();
    EXPECT_NE(r.thread, std::this_thread::get_id());
    ASSERT_EQ(r.objects.size(), 4);
    EXPECT_EQ(r.objects[0], QVariant(1));
    EXPECT_FALSE(r.objects[1].isValid()); // none, not the null object
    EXPECT_EQ(r.objects[2], QVariant(QStringLiteral("x")));
    EXPECT_FALSE(r.objects[3].isValid());
}

TEST(ThreadExtensions, MissingSelectorOrMethodIsRefusedBeforeAnyThreadStarts)
{
    auto target = std::make_shared<Target>();
    EXPECT_TRUE(corvane::test::raises([&] { vl::detachNewThreadSelector(QByteArrayView(), target); },
                                      QStringLiteral("NSInvalidArgumentException"),
                                      QStringLiteral("+[NSThread detachNewThreadSelector:toTarget:withObject:withObject:"
                                                     "withObject:withObject:]: NULL selector")));
    EXPECT_THROW(vl::detachNewThreadSelector("noSuchMethod", target), platform::Exception);
    EXPECT_EQ(target.use_count(), 1); // no thread holds it
}

#include "ThreadExtensionsTest.moc"
