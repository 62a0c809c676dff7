// Corvane: the reference service that stands in for the launcher, so that the
// preference pane can be tried and tested end to end against a real process.

#include "ApplicationCatalogue.h"
#include "CorvaneService.h"
#include "LauncherSurface.h"
#include "LauncherWindowPlugin.h"
#include "ServicePreferences.h"

#include "platform/core/FileDescriptor.h"
#include "platform/core/LoadedImages.h"
#include "platform/core/Log.h"
#include "platform/plist/PreferenceValue.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPluginLoader>

#include <cstring>

namespace {

constexpr int StandardError = 2;

// Qt's messages (its window system's warnings among them) as Qt formats them,
// written so that a reader of standard error that went away, such as the
// program that started the service, costs the line and not the service.
void writeQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    platform::writeOnceWithoutSigpipe(StandardError, (qFormatLogMessage(type, context, message) + u'\n').toLocal8Bit());
}

bool hasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
           || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

bool hasArgument(int argc, char **argv, const char *argument)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], argument) == 0)
            return true;
    }
    return false;
}

// The window from Corvane.app/PlugIns/, found beside the program since no
// application object can say where that is yet. Never unloaded: its code makes
// the application object and the window, which live until the process ends.
LauncherWindowPlugin *loadWindowPlugin()
{
    const auto images = platform::loadedImagePaths();
    if (images.empty())
        return nullptr;
    const QString folder = QFileInfo(QString::fromLocal8Bit(images.front())).canonicalPath();
    QPluginLoader loader(folder + QStringLiteral("/PlugIns/CorvaneLauncherWindow.so"));
    auto *plugin = qobject_cast<LauncherWindowPlugin *>(loader.instance());
    if (!plugin)
        platform::log(QStringLiteral("No launcher window, running without one: %1 (%2)")
                          .arg(loader.errorString(), loader.fileName()));
    return plugin;
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(writeQtMessage);
    // A display is taken, and the window's plug-in loaded, only for the launcher
    // itself: cataloguing stays headless.
    LauncherWindowPlugin *window = nullptr;
    if (!hasArgument(argc, argv, "--catalogue") && hasDisplay())
        window = loadWindowPlugin();
    const std::unique_ptr<QCoreApplication> application =
        window ? window->makeApplication(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication &app = *application;
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
        applications.setSystemVolumeOnly(!limit.isEmpty() && platform::PreferenceValue::boolValue(limit.first().second));
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
    if (window)
        options.makeSurface = [window](Launcher &launcher) { return window->makeSurface(launcher); };

    CorvaneService service(options, parser.value(journal));
    if (!service.start())
        return 1;
    return app.exec();
}
