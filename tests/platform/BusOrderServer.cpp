// A child process for ConnectionTest: registers a name as a service does at start,
// holding its event loop a while after the name is taken (a service opening its store),
// and counts the numbered one-way messages that reach it out of order.
//
//   platform_bus_order_server <registered name>
//
// Prints "ready" once the name is taken, and "received N, out of order M" on "finish".

#include "platform/bus/Connection.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <registered name>\n", argv[0]);
        return 2;
    }
    const platform::Protocol protocol(QStringLiteral("CorvaneOrderProtocol"),
                                      {{QStringLiteral("number"), QStringLiteral("i")}, {QStringLiteral("finish"), QString()}});
    qint64 received = 0, outOfOrder = 0, last = -1;
    const auto connection = platform::Connection::registerName(
        QString::fromLocal8Bit(argv[1]), protocol, [&](const QString &method, const QVariantList &arguments) {
            if (method == u"finish") {
                std::printf("received %lld, out of order %lld\n", received, outOfOrder);
                std::fflush(stdout);
                QCoreApplication::quit();
                return;
            }
            const qint64 n = arguments.value(0).toLongLong();
            outOfOrder += n < last;
            last = n;
            ++received;
        });
    if (!connection)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    QThread::msleep(300);
    return app.exec();
}
