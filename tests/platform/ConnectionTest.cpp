#include "platform/bus/Connection.h"

#include "TestSupport.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

namespace {

Protocol testProtocol()
{
    return Protocol(QStringLiteral("CorvaneTestProtocol"),
                    {{QStringLiteral("ping"), QString()},
                     {QStringLiteral("setIndex"), QStringLiteral("i")},
                     {QStringLiteral("setFlag"), QStringLiteral("b")},
                     {QStringLiteral("setCombo"), QStringLiteral("(ni)")},
                     {QStringLiteral("setText"), QStringLiteral("s")},
                     {QStringLiteral("broken"), QStringLiteral("a{sv}")}});
}

struct Received
{
    QString method;
    QVariantList arguments;
};

// The serving side on a connection of its own, so that every message really goes
// through the bus daemon.
class ConnectionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server"));
        ASSERT_TRUE(serverBus.isConnected());
    }
    void TearDown() override
    {
        server.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("server"));
    }

    void serve(const QString &name = QStringLiteral("CorvaneTestService"))
    {
        server = Connection::registerName(
            name, testProtocol(), [this](const QString &m, const QVariantList &a) { received.push_back({m, a}); },
            serverBus);
        ASSERT_TRUE(server);
    }

    bool waitForMethod(const QString &method)
    {
        return QTest::qWaitFor(
            [&] {
                return std::any_of(received.begin(), received.end(), [&](const Received &r) { return r.method == method; });
            },
            10000);
    }

    QDBusConnection serverBus{QString()};
    std::unique_ptr<Connection> server;
    std::vector<Received> received;
};

} // namespace

TEST_F(ConnectionTest, ProxySendsTheProtocolsMessagesWithTheirArgumentsAndNothingElse)
{
    serve();
    auto proxy = Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("CorvaneTestService"));
    ASSERT_TRUE(proxy);
    EXPECT_EQ(proxy->registeredName(), QStringLiteral("CorvaneTestService"));
    EXPECT_FALSE(proxy->sendOneway(QStringLiteral("setIndex"), {2})) << "sent without a declared protocol";
    proxy->setProtocolForProxy(testProtocol());

    const std::vector<Received> refused{
        {QStringLiteral("unknown"), {}},
        {QStringLiteral("broken"), {QVariantMap()}}, // a signature the proxy cannot send
        {QStringLiteral("setIndex"), {}},
        {QStringLiteral("setIndex"), {1, 2}},
        {QStringLiteral("setIndex"), {QStringLiteral("2")}},
        {QStringLiteral("setIndex"), {qlonglong(1) << 40}},
        {QStringLiteral("setFlag"), {1}},
        {QStringLiteral("setCombo"), {QVariant(QVariantList{40000, 1})}}, // key code beyond 16 bits
        {QStringLiteral("setCombo"), {QVariant(QVariantList{1})}},
        {QStringLiteral("setText"), {5}},
    };
    for (const Received &message : refused)
        EXPECT_FALSE(proxy->sendOneway(message.method, message.arguments)) << qPrintable(message.method);

    const std::vector<Received> sent{
        {QStringLiteral("setIndex"), {2}},
        {QStringLiteral("setFlag"), {true}},
        {QStringLiteral("setCombo"), {QVariant(QVariantList{49, 0x0800})}},
        {QStringLiteral("setText"), {QStringLiteral("x-coredata://S/Application/p7")}},
        {QStringLiteral("ping"), {}},
    };
    for (const Received &message : sent)
        EXPECT_TRUE(proxy->sendOneway(message.method, message.arguments)) << qPrintable(message.method);
    ASSERT_TRUE(waitForMethod(QStringLiteral("ping")));
    ASSERT_EQ(received.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(received[i].method, sent[i].method);
        EXPECT_EQ(received[i].arguments, sent[i].arguments) << qPrintable(sent[i].method);
    }
    EXPECT_EQ(received[1].arguments.value(0).typeId(), QMetaType::Bool); // QVariant's == takes 1 for true
}

TEST_F(ConnectionTest, ServerRefusesMessagesOutsideItsProtocol)
{
    serve();
    // The server answers from this thread's event loop, so wait without blocking it.
    const auto call = [](const QString &member, const QVariantList &arguments, const QString &interface) {
        QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("com.velora.CorvaneTestService"),
                                                              QStringLiteral("/CorvaneTestService"), interface, member);
        message.setArguments(arguments);
        QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(message, 10000);
        [[maybe_unused]] const bool finished = QTest::qWaitFor([&] { return pending.isFinished(); }, 15000);
        return pending.reply();
    };
    const QString interface = QStringLiteral("com.velora.CorvaneTestProtocol");
    EXPECT_EQ(call(QStringLiteral("setFlag"), {5}, interface).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(call(QStringLiteral("setIndex"), {}, interface).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(call(QStringLiteral("unknown"), {}, interface).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(call(QStringLiteral("setIndex"), {3}, QStringLiteral("com.velora.Other")).type(),
              QDBusMessage::ErrorMessage);
    // A caller that waits anyway gets an empty answer, and the message is handled.
    EXPECT_EQ(call(QStringLiteral("setIndex"), {4}, interface).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(waitForMethod(QStringLiteral("setIndex")));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].arguments, QVariantList{4});

    const QDBusMessage introspection = call(QStringLiteral("Introspect"), {},
                                            QStringLiteral("org.freedesktop.DBus.Introspectable"));
    ASSERT_EQ(introspection.type(), QDBusMessage::ReplyMessage);
    const QString xml = introspection.arguments().value(0).toString();
    EXPECT_TRUE(xml.contains(QStringLiteral("<method name=\"setCombo\">"))) << qPrintable(xml);
    EXPECT_TRUE(xml.contains(QStringLiteral("<arg type=\"(ni)\" direction=\"in\"/>"))) << qPrintable(xml);
}

// Both sides of a protocol read one description: what a connection introspects as
// reads back as the same protocol, and a description a protocol cannot keep is refused.
TEST(Protocol, ReadsItsIntrospectionBackAndRefusesWhatItCannotCarry)
{
    const Protocol declared = testProtocol();
    const QString node = QStringLiteral("<node>\n%1</node>").arg(declared.introspection());
    const auto read = Protocol::fromIntrospection(declared.name(), node.toUtf8());
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->methods().size(), declared.methods().size());
    for (std::size_t i = 0; i < declared.methods().size(); ++i) {
        EXPECT_EQ(read->methods()[i].name, declared.methods()[i].name);
        EXPECT_EQ(read->methods()[i].signature, declared.methods()[i].signature);
    }

    const auto method = [](const char *body) {
        return QByteArray("<node><interface name=\"com.velora.P\"><method name=\"m\">") + body
            + "</method></interface></node>";
    };
    const std::pair<const char *, QByteArray> refused[] = {
        {"another interface", "<node><interface name=\"com.velora.Q\"/></node>"},
        {"not well-formed", "<node><interface name=\"com.velora.P\">"},
        {"an answer", method("<arg type=\"i\" direction=\"out\"/>")},
        {"a map argument", method("<arg type=\"a{sv}\"/>")},
        {"an invalid method name", "<node><interface name=\"com.velora.P\"><method name=\"a.b\"/></interface></node>"},
    };
    for (const auto &[why, xml] : refused)
        EXPECT_FALSE(Protocol::fromIntrospection(QStringLiteral("P"), xml).has_value()) << why;
    const auto two = Protocol::fromIntrospection(QStringLiteral("P"), method("<arg type=\"n\"/><arg type=\"(bs)\" direction=\"in\"/>"));
    ASSERT_TRUE(two.has_value());
    EXPECT_EQ(two->method(QStringLiteral("m"))->signature, QStringLiteral("n(bs)"));
}

namespace {
// Outside the handler: after ending its connection it reads none of its captures.
std::unique_ptr<Connection> *endedConnection = nullptr;
std::weak_ptr<int> handlerCapture;
int handlerCalls = 0;
bool captureAliveAfterEnd = false;
} // namespace

TEST_F(ConnectionTest, AHandlerMayEndItsOwnConnection)
{
    // As a service does that quits on a message: the handler must live until it returns.
    auto capture = std::make_shared<int>(0);
    handlerCapture = capture;
    endedConnection = &server;
    server = Connection::registerName(
        QStringLiteral("CorvaneTestService"), testProtocol(),
        [capture = std::move(capture)](const QString &, const QVariantList &) {
            ++handlerCalls;
            endedConnection->reset();
            captureAliveAfterEnd = !handlerCapture.expired();
        },
        serverBus);
    ASSERT_TRUE(server);
    auto proxy = Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("CorvaneTestService"));
    ASSERT_TRUE(proxy);
    proxy->setProtocolForProxy(testProtocol());
    ASSERT_TRUE(proxy->sendOneway(QStringLiteral("ping")));
    ASSERT_TRUE(QTest::qWaitFor([] { return handlerCalls > 0; }, 10000));
    EXPECT_TRUE(captureAliveAfterEnd);
    EXPECT_TRUE(handlerCapture.expired()) << "the handler is gone once it has returned";
}

TEST_F(ConnectionTest, NoProxyWhileTheNameIsNotRegistered)
{
    EXPECT_FALSE(Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("CorvaneTestService")));
    serve();
    EXPECT_FALSE(Connection::registerName(QStringLiteral("CorvaneTestService"), testProtocol(),
                                          [](const QString &, const QVariantList &) {}))
        << "a second owner of the same name";
    EXPECT_FALSE(Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("CorvaneTestService"),
                                                                     QStringLiteral("otherhost")));
    EXPECT_FALSE(Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("bad.name")));
    EXPECT_TRUE(Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("CorvaneTestService")));
    server.reset();
    EXPECT_FALSE(Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("CorvaneTestService")));
}

TEST_F(ConnectionTest, UnreachableBusGivesNoProxyAtOnce)
{
    const QString name = QStringLiteral("unreachable");
    {
        QDBusConnection broken = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/corvane-bus"), name);
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("CorvaneTestService"), QString(),
                                                                         broken));
        EXPECT_FALSE(Connection::registerName(QStringLiteral("CorvaneTestService"), testProtocol(),
                                              [](const QString &, const QVariantList &) {}, broken));
        DistantObject stale(broken, QStringLiteral("CorvaneTestService"));
        stale.setProtocolForProxy(testProtocol());
        EXPECT_FALSE(stale.sendOneway(QStringLiteral("ping")));
    }
    QDBusConnection::disconnectFromBus(name);
}

// Records the flags of the messages the proxy sends, on the name the proxy uses.
class FlagRecorder : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        replyRequired.push_back(message.isReplyRequired());
        return true;
    }
    std::vector<bool> replyRequired;
};

TEST_F(ConnectionTest, MessagesAskForNoReply)
{
    FlagRecorder recorder;
    ASSERT_TRUE(serverBus.registerVirtualObject(QStringLiteral("/CorvaneTestService"), &recorder));
    ASSERT_TRUE(serverBus.registerService(QStringLiteral("com.velora.CorvaneTestService")));
    auto proxy = Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("CorvaneTestService"));
    ASSERT_TRUE(proxy);
    proxy->setProtocolForProxy(testProtocol());
    ASSERT_TRUE(proxy->sendOneway(QStringLiteral("setIndex"), {1}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.replyRequired.empty(); }, 10000));
    EXPECT_FALSE(recorder.replyRequired.front());
    serverBus.unregisterService(QStringLiteral("com.velora.CorvaneTestService"));
    serverBus.unregisterObject(QStringLiteral("/CorvaneTestService"));
}

TEST_F(ConnectionTest, MessagesNeverStartAService)
{
    // A bus activation file for the name: any message that allows auto-start would
    // run the script, which leaves a mark.
    const QString mark = corvane::test::sandboxDir() + QStringLiteral("/activated");
    const QString script = corvane::test::sandboxDir() + QStringLiteral("/activate.sh");
    const QString services = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/dbus-1/services");
    const auto write = [](const QString &path, const QString &text) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0;
    };
    ASSERT_TRUE(QDir().mkpath(services));
    ASSERT_TRUE(write(script, QStringLiteral("#!/bin/sh\necho started >> '%1'\n").arg(mark)));
    ASSERT_TRUE(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    ASSERT_TRUE(write(services + QStringLiteral("/com.velora.CorvaneActivated.service"),
                      QStringLiteral("[D-BUS Service]\nName=com.velora.CorvaneActivated\nExec=%1\n").arg(script)));
    QDBusConnection::sessionBus().interface()->call(QStringLiteral("ReloadConfig"));

    serve(QStringLiteral("CorvaneActivated"));
    auto proxy = Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("CorvaneActivated"));
    ASSERT_TRUE(proxy);
    proxy->setProtocolForProxy(testProtocol());
    server.reset();   // the service goes away; the proxy stays
    EXPECT_TRUE(proxy->sendOneway(QStringLiteral("ping")));
    // The bus handles one connection's messages in order: once it has answered this,
    // it has dealt with the message above, and any activation has begun.
    QDBusConnection::sessionBus().interface()->call(QStringLiteral("GetId"));
    QTest::qWait(500);
    EXPECT_FALSE(QFile::exists(mark)) << "a one-way message started the service";

    // The same name with auto-start allowed: the activation file works.
    QDBusMessage starting = QDBusMessage::createMethodCall(QStringLiteral("com.velora.CorvaneActivated"),
                                                           QStringLiteral("/CorvaneActivated"),
                                                           QStringLiteral("com.velora.CorvaneTestProtocol"),
                                                           QStringLiteral("ping"));
    QDBusConnection::sessionBus().send(starting);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(mark); }, 10000)) << "the activation file is not used";
}
