#include "platform/bus/DistributedNotificationCenter.h"

#include "TestSupport.h"

#include <QDateTime>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace platform;

namespace {

const QString Path = QStringLiteral("/com/velora/DistributedNotificationCenter");
const QString Interface = QStringLiteral("com.velora.DistributedNotificationCenter");

// Collects what an observer receives; a notification named "Sentinel" posted last
// by the same sender proves that everything posted before it has been delivered.
struct Inbox
{
    std::vector<DistributedNotification> received;

    DistributedNotificationCenter::Handler handler()
    {
        return [this](const DistributedNotification &n) { received.push_back(n); };
    }
    bool waitFor(const QString &name)
    {
        return corvane::test::waitFor([&] { return contains(name); });
    }
    bool contains(const QString &name) const
    {
        return std::any_of(received.begin(), received.end(), [&](const auto &n) { return n.name == name; });
    }
    QStringList names() const
    {
        QStringList list;
        for (const auto &n : received)
            list << n.name;
        return list;
    }
};

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

TEST(DistributedNotificationCenter, DeliversOnTheEventLoopWithItsUserInfo)
{
    DistributedNotificationCenter center(QDBusConnection::sessionBus());
    Inbox inbox;
    center.addObserver(&inbox, QStringLiteral("CVApplicationRemovedFromLauncherNotification"), QString(), inbox.handler());

    QVariantMap userInfo{
        {QStringLiteral("ApplicationIDs"), QVariantList{QStringLiteral("x-coredata://S/Application/p1"),
                                                        QStringLiteral("x-coredata://S/Application/p2")}},
        {QStringLiteral("count"), 3},
        {QStringLiteral("flag"), true},
        {QStringLiteral("ratio"), 0.5},
        {QStringLiteral("nested"), QVariantMap{{QStringLiteral("list"), QVariantList{1, QStringLiteral("two")}}}},
        {QStringLiteral("unsendable"), QDateTime::currentDateTime()},
    };
    ASSERT_TRUE(center.postNotificationName(QStringLiteral("CVApplicationRemovedFromLauncherNotification"),
                                            QStringLiteral("obj"), userInfo));
    EXPECT_TRUE(inbox.received.empty()) << "delivered inside the post";

    ASSERT_TRUE(inbox.waitFor(QStringLiteral("CVApplicationRemovedFromLauncherNotification")));
    ASSERT_EQ(inbox.received.size(), 1u);
    const auto &n = inbox.received.front();
    EXPECT_EQ(n.object, QStringLiteral("obj"));
    EXPECT_EQ(n.userInfo.value(QStringLiteral("flag")).typeId(), QMetaType::Bool);
    userInfo.remove(QStringLiteral("unsendable"));
    EXPECT_EQ(n.userInfo, userInfo);
}

TEST(DistributedNotificationCenter, FiltersByNameAndObjectAndStopsOnRemoval)
{
    DistributedNotificationCenter center(QDBusConnection::sessionBus());
    Inbox byName, byObject, removed, sentinel;
    center.addObserver(&byName, QStringLiteral("A"), QString(), byName.handler());
    center.addObserver(&byObject, QString(), QStringLiteral("o"), byObject.handler());
    center.addObserver(&removed, QString(), QString(), removed.handler());
    center.addObserver(&sentinel, QStringLiteral("Sentinel"), QString(), sentinel.handler());

    center.postNotificationName(QStringLiteral("A"));
    center.postNotificationName(QStringLiteral("B"), QStringLiteral("o"));
    center.postNotificationName(QStringLiteral("C"), QStringLiteral("p"));
    // Already on its way, but removal comes first: nothing more reaches `removed`.
    center.removeObserver(&removed);
    center.postNotificationName(QStringLiteral("Sentinel"));
    ASSERT_TRUE(sentinel.waitFor(QStringLiteral("Sentinel")));

    EXPECT_EQ(byName.names(), QStringList{QStringLiteral("A")});
    EXPECT_EQ(byObject.names(), QStringList{QStringLiteral("B")});
    EXPECT_TRUE(removed.received.empty());
    EXPECT_FALSE(center.postNotificationName(QString()));
}

TEST(DistributedNotificationCenter, HearsOtherProgramsOnTheBus)
{
    DistributedNotificationCenter center(QDBusConnection::sessionBus());
    Inbox inbox;
    center.addObserver(&inbox, QString(), QString(), inbox.handler());

    ASSERT_TRUE(run(QStringLiteral("dbus-send"),
                    {QStringLiteral("--session"), QStringLiteral("--type=signal"), Path,
                     Interface + QStringLiteral(".Notification"),
                     QStringLiteral("string:CorvaneAppHasLaunchedNotification"), QStringLiteral("string:")}));
    ASSERT_TRUE(inbox.waitFor(QStringLiteral("CorvaneAppHasLaunchedNotification")));
    EXPECT_TRUE(inbox.received.front().userInfo.isEmpty());

    // Entries D-Bus can carry but a property list cannot (structures, object paths,
    // maps with number keys) are dropped; the rest of the user info stays.
    ASSERT_TRUE(run(QStringLiteral("gdbus"),
                    {QStringLiteral("emit"), QStringLiteral("--session"), QStringLiteral("--object-path"), Path,
                     QStringLiteral("--signal"), Interface + QStringLiteral(".Notification"),
                     QStringLiteral("'CVApplicationRemovedFromLauncherNotification'"), QStringLiteral("''"),
                     QStringLiteral("{'ApplicationIDs': <['id1', 'id2']>, 'pair': <(1, 'x')>,"
                                    " 'path': <objectpath '/a'>, 'numbered': <{1: 'one'}>,"
                                    " 'mixed': <[<'s'>, <objectpath '/b'>, <int64 7>]>}")}));
    ASSERT_TRUE(inbox.waitFor(QStringLiteral("CVApplicationRemovedFromLauncherNotification")));
    const QVariantMap userInfo = inbox.received.back().userInfo;
    EXPECT_EQ(userInfo.value(QStringLiteral("ApplicationIDs")).toStringList(),
              (QStringList{QStringLiteral("id1"), QStringLiteral("id2")}));
    EXPECT_EQ(userInfo.keys(), (QStringList{QStringLiteral("ApplicationIDs"), QStringLiteral("mixed")}));
    EXPECT_EQ(userInfo.value(QStringLiteral("mixed")).toList(), (QVariantList{QStringLiteral("s"), qlonglong(7)}));
}
