#include "platform/bus/Connection.h"

#include "TestSupport.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
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
        return corvane::test::waitFor([&] {
            return std::any_of(received.begin(), received.end(), [&](const Received &r) { return r.method == method; });
        });
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
    ASSERT_TRUE(corvane::test::waitFor([] { return handlerCalls > 0; }));
    EXPECT_TRUE(captureAliveAfterEnd);
    EXPECT_TRUE(handlerCapture.expired()) << "the handler is gone once it has returned";
}

// A service takes its name before its event loop first runs; messages sent at once must
// still reach it in the order sent, however many arrive before the loop runs.
TEST(ConnectionOrder, MessagesSentAsTheServiceStartsArriveInOrder)
{
    QProcess server;
    server.start(QStringLiteral(CORVANE_BUS_ORDER_SERVER), {QStringLiteral("CorvaneOrderService")});
    ASSERT_TRUE(server.waitForReadyRead(10000)) << "the server did not start";
    ASSERT_EQ(server.readLine().trimmed(), "ready");
    auto proxy = Connection::rootProxyForConnectionWithRegisteredName(QStringLiteral("CorvaneOrderService"));
    ASSERT_TRUE(proxy);
    proxy->setProtocolForProxy(Protocol(QStringLiteral("CorvaneOrderProtocol"),
                                        {{QStringLiteral("number"), QStringLiteral("i")}, {QStringLiteral("finish"), QString()}}));
    // Paced a little, so that messages keep arriving while the server's loop starts.
    constexpr int Messages = 20000;
    for (int i = 0; i < Messages; ++i) {
        ASSERT_TRUE(proxy->sendOneway(QStringLiteral("number"), {i}));
        if (i % 50 == 0)
            QThread::usleep(200);
    }
    ASSERT_TRUE(proxy->sendOneway(QStringLiteral("finish")));
    ASSERT_TRUE(server.waitForFinished(30000));
    EXPECT_EQ(server.readAllStandardOutput().trimmed(), QByteArray("received 20000, out of order 0"));
}
