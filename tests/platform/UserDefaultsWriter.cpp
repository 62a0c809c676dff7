// A child process for UserDefaultsTest: writes one domain over and over, printing the number
// of each completed write, until it is killed.
//
//   platform_userdefaults_writer <directory> <domain>

#include "platform/plist/UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <directory> <domain>\n", argv[0]);
        return 2;
    }
    platform::UserDefaults defaults(QString(), QString::fromLocal8Bit(argv[1]));
    const QString domainName = QString::fromLocal8Bit(argv[2]);
    // Large enough that a write takes a while, so that kills land inside one.
    QVariantList payload;
    for (int i = 0; i < 4000; ++i)
        payload.append(QStringLiteral("entry %1 of a payload that makes each write take a while").arg(i));
    for (qint64 n = 0;; ++n) {
        const QVariantMap domain{
            {QStringLiteral("ServiceWindowFrame"), QStringLiteral("{{10, 20}, {300, 400}}")},
            {QStringLiteral("Counter"), n},
            {QStringLiteral("Negative"), qint64(-n - 1)},
            {QStringLiteral("Written"), QDateTime::currentDateTimeUtc()},
            {QStringLiteral("Payload"), payload},
        };
        if (!defaults.setPersistentDomain(domain, domainName))
            return 1;
        std::printf("%lld\n", static_cast<long long>(n));
        std::fflush(stdout);
    }
}
