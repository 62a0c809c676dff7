// Corvane: the reference service that stands in for the launcher, so that the
// preference pane can be tried and tested end to end against a real process.

#include "ApplicationCatalogue.h"
#include "CorvaneService.h"
#include "ServicePreferences.h"

#include <QCommandLineParser>
#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("velora.com"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The Corvane reference service."));
    parser.addHelpOption();
    const QCommandLineOption quitDelay(QStringLiteral("quit-delay"),
                                       QStringLiteral("Quit <seconds> after terminateApp arrives."),
                                       QStringLiteral("seconds"), QStringLiteral("0"));
    const QCommandLineOption ignoreTerminate(QStringLiteral("ignore-terminate"),
                                             QStringLiteral("Ignore terminateApp (SIGTERM still quits)."));
    const QCommandLineOption journal(QStringLiteral("journal"), QStringLiteral("Write the journal to <file>."),
                                     QStringLiteral("file"), ServiceJournal::defaultPath());
    const QCommandLineOption catalogue(QStringLiteral("catalogue"),
                                       QStringLiteral("Bring the application store in line with the application folders, then quit."));
    parser.addOptions({quitDelay, ignoreTerminate, journal, catalogue});
    parser.process(app);

    if (parser.isSet(catalogue)) {
        ServiceJournal log(parser.value(journal));
        ApplicationCatalogue applications(log, CorvaneService::modelPath());
        const auto limit = ServicePreferences::read({QStringLiteral("LimitAppSearchesToSystemVolume")});
        applications.setSystemVolumeOnly(!limit.isEmpty() && (limit.first().second == u"true" || limit.first().second == u"1"));
        return applications.open() ? 0 : 1;
    }

    CorvaneService::Options options;
    bool ok = false;
    options.quitDelaySeconds = parser.value(quitDelay).toInt(&ok);
    if (!ok || options.quitDelaySeconds < 0 || options.quitDelaySeconds > 3600) {
        std::fprintf(stderr, "Corvane: --quit-delay takes 0 to 3600 seconds\n");
        return 2;
    }
    options.ignoreTerminate = parser.isSet(ignoreTerminate);

    CorvaneService service(options, parser.value(journal));
    if (!service.start())
        return 1;
    return app.exec();
}
