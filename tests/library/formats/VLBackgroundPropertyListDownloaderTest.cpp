#include "VLBackgroundPropertyListDownloader.h"
#include "DictionaryExtensions.h"

#include "platform/core/Log.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>

#include <map>
#include <vector>

namespace {

// A one-request-per-connection HTTP server on loopback: each path answers with
// a fixed status and body, and every request is counted.
class HttpServer : public QObject
{
public:
    struct Answer
    {
        int status = 200;
        QByteArray body;
    };

    HttpServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, &HttpServer::accept);
        m_server.listen(QHostAddress::LocalHost);
    }
    void answer(const QString &path, Answer answer) { m_answers[path] = std::move(answer); }
    QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    int requests(const QString &path) const { return m_requests.count(path) ? m_requests.at(path) : 0; }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }
    void read(QTcpSocket *socket)
    {
        QByteArray &request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QString path = QString::fromLatin1(request.split(' ').value(1));
        m_pending.erase(socket);
        ++m_requests[path];
        const Answer answer = m_answers.count(path) ? m_answers.at(path) : Answer{404, {}};
        socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + " Status\r\nContent-Length: "
                      + QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n\r\n" + answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    std::map<QString, Answer> m_answers;
    std::map<QString, int> m_requests;
    std::map<QTcpSocket *, QByteArray> m_pending;
};

class Target : public QObject
{
    Q_OBJECT

public:
    struct Call
    {
        QUrl url;
        QVariant object;
        void *context;
    };
    std::vector<Call> calls;

    Q_INVOKABLE void downloaded(const QUrl &url, const QVariant &object, void *context)
    {
        calls.push_back({url, object, context});
    }

    // Turns the event loop until `count` calls have arrived (bounded: a download
    // that never ends fails the test instead of hanging it).
    bool waitForCalls(size_t count)
    {
        return corvane::test::waitFor([&] { return calls.size() >= count; });
    }
};

const QByteArray dictionaryPlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>name</key><string>corvane</string>
<key>list</key><array><integer>1</integer><dict><key>x</key><true/></dict></array></dict></plist>)";
const QByteArray arrayPlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><array><string>a</string></array></plist>)";

class DownloaderTest : public ::testing::Test
{
protected:
    // The server is on loopback: no proxy named by the environment may stand between.
    static void SetUpTestSuite() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    HttpServer server;
    Target target;
    std::vector<QString> log;
    platform::ScopedLogSink sink{[this](const platform::LogRecord &record) { log.push_back(record.message); }};
    int context = 0;

    void download(const QString &path, vl::PropertyListClass kind, bool mutableResult = false)
    {
        VLBackgroundPropertyListDownloader::beginDownloadOfPropertyListWithURL(server.url(path), &target, "downloaded",
                                                                               &context, kind, mutableResult);
    }
};

} // namespace

TEST_F(DownloaderTest, DictionaryArrivesWithUrlAndContext)
{
    server.answer(QStringLiteral("/d"), {200, dictionaryPlist});
    vl::beginBackgroundDownloadOfDictionaryWithContentsOfURL(server.url(QStringLiteral("/d")), &target, "downloaded",
                                                             &context);
    ASSERT_TRUE(target.waitForCalls(1));
    const Target::Call &call = target.calls.front();
    EXPECT_EQ(call.url, server.url(QStringLiteral("/d")));
    EXPECT_EQ(call.context, &context);
    EXPECT_EQ(call.object.toMap().value("name"), QVariant(QStringLiteral("corvane")));
    EXPECT_FALSE(vl::isMutable(call.object));
    EXPECT_TRUE(log.empty());
    // Nothing is kept between downloads: the second goes to the server too.
    download(QStringLiteral("/d"), vl::PropertyListClass::Dictionary);
    ASSERT_TRUE(target.waitForCalls(2));
    EXPECT_EQ(server.requests(QStringLiteral("/d")), 2);
}

TEST_F(DownloaderTest, MutableResultsAreMutableAllTheWayDown)
{
    server.answer(QStringLiteral("/d"), {200, dictionaryPlist});
    server.answer(QStringLiteral("/old"), {200, "{ list = (a, { x = <01ab>; }); } // old-style text"});
    vl::beginBackgroundDownloadOfMutableDictionaryWithContentsOfURL(server.url(QStringLiteral("/d")), &target,
                                                                    "downloaded", &context);
    vl::beginBackgroundDownloadOfMutableDictionaryWithContentsOfURL(server.url(QStringLiteral("/old")), &target,
                                                                    "downloaded", &context);
    ASSERT_TRUE(target.waitForCalls(2));
    for (const Target::Call &call : target.calls) {
        ASSERT_TRUE(vl::isMutable(call.object)) << call.url.toString().toStdString();
        const QVariant list = call.object.toMap().value("list");
        EXPECT_TRUE(vl::isMutable(list));
        EXPECT_TRUE(vl::isMutable(list.toList().value(1)));
    }
}

TEST_F(DownloaderTest, WrongClassEmptyBodyAndErrorStatus)
{
    server.answer(QStringLiteral("/array"), {200, arrayPlist});
    server.answer(QStringLiteral("/empty"), {200, {}});
    server.answer(QStringLiteral("/missing"), {404, dictionaryPlist});
    download(QStringLiteral("/array"), vl::PropertyListClass::Dictionary);
    ASSERT_TRUE(target.waitForCalls(1));
    download(QStringLiteral("/empty"), vl::PropertyListClass::Dictionary);
    ASSERT_TRUE(target.waitForCalls(2));
    // A body that comes with an error status is read like any other.
    download(QStringLiteral("/missing"), vl::PropertyListClass::Dictionary);
    ASSERT_TRUE(target.waitForCalls(3));

    EXPECT_FALSE(target.calls.at(0).object.isValid());
    EXPECT_FALSE(target.calls.at(1).object.isValid());
    EXPECT_EQ(target.calls.at(2).object.toMap().value("name"), QVariant(QStringLiteral("corvane")));
    for (const Target::Call &call : target.calls)
        EXPECT_EQ(call.context, &context);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log.at(0),
              QStringLiteral("Final downloaded object is of class NSArray, but we wanted something like the class "
                             "NSDictionary"));
    EXPECT_TRUE(log.at(1).startsWith(QStringLiteral("Couldn't convert plist data into object: ")));
}

TEST_F(DownloaderTest, FailedConnectionCallsTheTargetWithNone)
{
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    VLBackgroundPropertyListDownloader::beginDownloadOfPropertyListWithURL(
        QUrl(QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort)), &target, "downloaded", &context,
        vl::PropertyListClass::Dictionary, false);
    ASSERT_TRUE(target.waitForCalls(1));
    EXPECT_FALSE(target.calls.front().object.isValid());
    EXPECT_EQ(target.calls.front().context, &context);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log.front().startsWith(QStringLiteral("URL download failed: "))) << log.front().toStdString();
}

TEST(DownloadedPropertyList, ClassNamesOfEveryKind)
{
    using Kind = vl::PropertyListClass;
    struct Row
    {
        QByteArray body;
        Kind kind;
    };
    const Row rows[] = {
        {"\"text\"", Kind::String},
        {"<0102>", Kind::Data},
        {"(a)", Kind::Array},
        {"<plist><true/></plist>", Kind::Number},
        {"<plist><real>1.5</real></plist>", Kind::Number},
        {"<plist><integer>3</integer></plist>", Kind::Number},
        {"<plist><date>2020-01-01T00:00:00Z</date></plist>", Kind::Date},
    };
    for (const Row &row : rows) {
        const auto found = VLBackgroundPropertyListDownloader::finalObjectFromData(row.body, row.kind, false);
        EXPECT_TRUE(found.object.isValid()) << row.body.toStdString() << ": " << found.failure.toStdString();
        const auto refused = VLBackgroundPropertyListDownloader::finalObjectFromData(
            row.body, row.kind == Kind::Dictionary ? Kind::Array : Kind::Dictionary, false);
        EXPECT_EQ(refused.failure, QStringLiteral("Final downloaded object is of class %1, but we wanted something "
                                                  "like the class NSDictionary")
                                       .arg(vl::propertyListClassName(row.kind)));
    }
}

#include "VLBackgroundPropertyListDownloaderTest.moc"
