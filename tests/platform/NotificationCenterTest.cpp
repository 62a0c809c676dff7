#include "platform/core/NotificationCenter.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace platform;

TEST(NotificationCenter, DeliversSynchronouslyInRegistrationOrderByNameAndObject)
{
    NotificationCenter center;
    QStringList seen;
    int a = 0, b = 0, sender = 0, other = 0;
    center.addObserver(&a, QStringLiteral("N"), nullptr, [&](const Notification &) { seen << QStringLiteral("a"); });
    center.addObserver(&b, QStringLiteral("N"), &sender, [&](const Notification &n) {
        seen << QStringLiteral("b:") + n.userInfo.value(QStringLiteral("k")).toString();
    });
    center.addObserver(&a, QString(), nullptr, [&](const Notification &n) { seen << QStringLiteral("any:") + n.name; });

    center.post(QStringLiteral("N"), &sender, {{QStringLiteral("k"), QStringLiteral("v")}});
    center.post(QStringLiteral("N"), &other);
    center.post(QStringLiteral("M"));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("a"), QStringLiteral("b:v"), QStringLiteral("any:N"),
                                 QStringLiteral("a"), QStringLiteral("any:N"), QStringLiteral("any:M")}));
}

TEST(NotificationCenter, RemovalStopsDeliveryEvenDuringAPost)
{
    NotificationCenter center;
    int a = 0, b = 0;
    int bCalls = 0, aCalls = 0;
    center.addObserver(&a, QStringLiteral("N"), nullptr, [&](const Notification &) {
        ++aCalls;
        center.removeObserver(&b);
    });
    center.addObserver(&b, QStringLiteral("N"), nullptr, [&](const Notification &) { ++bCalls; });
    center.addObserver(&a, QStringLiteral("M"), nullptr, [&](const Notification &) { ++aCalls; });
    center.post(QStringLiteral("N"));
    EXPECT_EQ(bCalls, 0);

    center.removeObserver(&a, QStringLiteral("N"), nullptr);
    center.post(QStringLiteral("N"));
    center.post(QStringLiteral("M"));
    EXPECT_EQ(aCalls, 2);
    center.removeObserver(&a);
    center.post(QStringLiteral("M"));
    EXPECT_EQ(aCalls, 2);
}
