#include "platform/core/Invocation.h"

#include "Raises.h"

#include <QObject>
#include <QVariant>

#include <gtest/gtest.h>

using platform::Invocation;

namespace {

class Recorder : public QObject
{
    Q_OBJECT
public:
    QStringList calls;

    Q_INVOKABLE void ping() { calls << QStringLiteral("ping"); }
    Q_INVOKABLE void add(int a, int b) { calls << QString::number(a + b); }
    Q_INVOKABLE void take(const QVariant &first, const QString &second)
    {
        calls << (first.isValid() ? first.toString() : QStringLiteral("<none>")) + QLatin1Char('|')
                     + (second.isNull() ? QStringLiteral("<null>") : second);
    }
    Q_INVOKABLE int fail()
    {
        platform::raise(QStringLiteral("TestException"), QStringLiteral("failing on purpose"));
    }

public Q_SLOTS:
    void slotTakingText(const QString &text) { calls << text; }
};

} // namespace

TEST(Invocation, CallsTheNamedMethodWithArgumentsConvertedToItsParameters)
{
    auto target = std::make_shared<Recorder>();
    Invocation(target, "ping").invoke();
    Invocation(target, "add", {QStringLiteral("40"), 2}).invoke();
    Invocation(target, "slotTakingText", {QStringLiteral("slot")}).invoke();
    // None reaches a QVariant parameter as none and any other as its default value.
    Invocation(target, "take", {QVariant(), QVariant()}).invoke();
    Invocation(target, "take", {7, QStringLiteral("x")}).invoke();
    EXPECT_EQ(target->calls, (QStringList{"ping", "42", "slot", "<none>|<null>", "7|x"}));
}

TEST(Invocation, KeepsItsTargetAliveAndLetsExceptionsReachTheCaller)
{
    auto target = std::make_shared<Recorder>();
    std::weak_ptr<Recorder> watch = target;
    const Invocation ping(target, "ping");
    const Invocation fail(target, "fail");
    target.reset();
    ASSERT_FALSE(watch.expired());
    ping.invoke();
    EXPECT_EQ(watch.lock()->calls, QStringList{"ping"});
    EXPECT_TRUE(corvane::test::raises([&] { fail.invoke(); }, QStringLiteral("TestException"),
                                      QStringLiteral("failing on purpose")));
}

#include "InvocationTest.moc"
