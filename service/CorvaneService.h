#pragma once

#include "ServiceJournal.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantList>

#include <functional>
#include <memory>

class ApplicationCatalogue;
class DesktopTriggers;
class Launcher;
class LauncherSurface;

namespace platform {
class Connection;
class TerminationSignalNotifier;
}

/// The reference service: what the pane relies on the launcher service to do,
/// without the launcher. While it runs it owns the connection "CorvaneService"
/// (com.velora.CorvaneService on the session bus) and answers CorvaneProtocol; it
/// posts "CorvaneAppHasLaunchedNotification" once it runs and
/// "CorvaneAppIsQuittingNotification" when it quits; it keeps its Services-menu
/// bundle installed; it takes up its settings from its preferences domain; it keeps
/// the catalogue of applications in the store shared with the pane
/// (ApplicationCatalogue), which the launcher searches and starts applications
/// from (Launcher); it shows the launcher on the hot key and the hot corners
/// (DesktopTriggers); and it
/// journals everything it receives and takes up (see ServiceJournal).
class CorvaneService : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        /// Seconds between terminateApp and quitting.
        int quitDelaySeconds = 0;
        /// Whether terminateApp is ignored (a signal still ends the service).
        bool ignoreTerminate = false;
        /// Makes the surface the launcher is shown on; none where there is no
        /// display, and requests to show it are then only journalled.
        std::function<std::unique_ptr<LauncherSurface>(Launcher &)> makeSurface;
    };

    /// What is asked of the launcher, and by what: "bus" (the Launcher
    /// interface), "hot-key", or a corner's key ("TopLeftCorner", ...).
    enum class LauncherRequest { Show, Hide, Toggle };
    void requestLauncher(LauncherRequest request, const QString &trigger);

    CorvaneService(const Options &options, const QString &journalPath);
    ~CorvaneService() override;

    /// The object model shared with the pane, in the service's Resources folder.
    static QString modelPath();

    /// Takes up the settings, installs the Services bundle, registers the
    /// connection and announces the launch; the catalogue opens from the event
    /// loop after that, before any message is handled. False when the connection
    /// is taken, that is when another instance runs, or the bus cannot be reached.
    bool start();

    /// Announces the quit, gives the connection up and ends the event loop.
    void quit();

    /// The Services-menu bundle's folder: <user Library>/Services/Corvane.bundle.
    static QString servicesBundlePath();

private:
    void receive(const QString &method, const QVariantList &arguments);
    void takeUp(const QStringList &keys);
    void takeUp(const QString &key, const QString &value);
    void installServicesBundle();
    void openCatalogue();

    Options m_options;
    ServiceJournal m_journal;
    std::unique_ptr<platform::Connection> m_connection;
    std::unique_ptr<platform::TerminationSignalNotifier> m_signals;
    std::unique_ptr<ApplicationCatalogue> m_catalogue;
    std::unique_ptr<Launcher> m_launcher;
    std::unique_ptr<LauncherSurface> m_surface;
    std::unique_ptr<DesktopTriggers> m_triggers;
    QTimer m_busWatch;
    bool m_quitting = false;
};
