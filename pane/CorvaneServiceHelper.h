#pragma once

#include "platform/bus/DistantObject.h"

#include <QLatin1String>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

/// The preference key under which a stored path of the service application is
/// looked up in the service's preferences domain.
inline constexpr QLatin1String CVApplicationPath("CVApplicationPath");

/// The service's bundle identifier: also the name of its preferences domain.
inline constexpr QLatin1String ServiceBundleIdentifier("com.velora.Corvane");

/// The maker's reverse-DNS bundle-identifier prefix, ending in a full stop.
inline constexpr QLatin1String MakerIdentifierPrefix("com.velora.");

/// Finds, starts, detects, quits and reaches the background service application
/// Corvane.app. Class operations only; nothing is kept between calls: each looks
/// the service up again (process list, file system, bus). Main thread only.
class CorvaneServiceHelper
{
public:
    /// File name of the service application; without ".app" it is also the
    /// service's process name and the name of its login item.
    static constexpr QLatin1String appName{"Corvane.app"};
    /// The name the service's distributed-objects connection is registered under.
    static constexpr QLatin1String connectionName{"CorvaneService"};
    /// The path of the Services-menu bundle below the user's Library folder.
    static constexpr QLatin1String serviceBundleSuffix{"/Services/Corvane.bundle"};
    /// waitForServiceToQuit polls at most this often, this far apart.
    static constexpr int quitPollCount = 20;
    static constexpr std::chrono::seconds quitPollInterval{1};

    CorvaneServiceHelper() = delete;

    /// `appName` without its extension: "Corvane".
    static QString serviceName();

    /// True when the service runs already (nothing is launched) or the workspace
    /// accepted to open the service application; that it then really runs is told
    /// later by its launch notification. False, with "Unable to launch the Corvane
    /// service application at: <path>." logged ("(null)" when no path was found),
    /// when there is nothing that can be opened. `pid`, when given, receives the
    /// started process's ID (0 when the service ran already), so that the caller
    /// can tell a service that ends before it announces its launch.
    static bool launchService(qint64 *pid = nullptr);

    /// Whether a process of the current user named exactly "Corvane" runs.
    static bool isServiceRunning();

    /// Quits a running service and waits for it (quitService, then
    /// waitForServiceToQuit), then makes the Services menu forget it, whether or
    /// not it is gone. True when no service runs any more.
    static bool stopService();

    /// stopService() without blocking: returns at once, waits from the event loop
    /// (each check of the process list quitPollInterval apart, or as soon as the
    /// service's process ends, up to quitPollCount checks, with the same log line
    /// when it gives up), and calls `done` with stopService()'s result, also when no
    /// service ran. Nothing is called once `context` is destroyed, which ends the
    /// wait. The sleep function of waitForServiceToQuit() plays no part.
    static void beginStoppingService(QObject *context, std::function<void(bool quit)> done);

    /// Asks a running service to terminate (terminateApp, one-way); does nothing
    /// when it is not running or has no connection. Does not wait: see
    /// waitForServiceToQuit().
    static void quitService();

    /// The full path of Corvane.app, the first found of: the path stored under
    /// "CVApplicationPath" in the service's preferences domain, when something
    /// exists there; <user Library>/Services/Corvane.app; <computer Library>/Services/
    /// Corvane.app; the Corvane.app installed with the pane (in
    /// platform::InstalledFolder::Services); the workspace's application named
    /// "Corvane"; the workspace's application with identifier "com.velora.Corvane".
    /// None, with "Unable to locate Velora Corvane service application." logged,
    /// when all fail.
    static std::optional<QString> serviceApplicationPath();

    /// <user Library>/Services/Corvane.bundle, computed only; none when there is no
    /// user Library folder.
    static std::optional<QString> serviceBundlePath();

    /// The root proxy of the service's connection, with no protocol declared; none
    /// when the service is not running or not yet ready. Never throws.
    static std::shared_ptr<platform::DistantObject> serviceProxy();

    /// True at once when the service is not running; otherwise polls up to
    /// quitPollCount times, quitPollInterval apart, sleeping the calling thread
    /// (no event loop runs meanwhile), and returns true as soon as it is gone. The
    /// real sleep ends early when the service's process ends (through a pidfd; a
    /// plain sleep where the kernel has none), so each poll still follows. After
    /// the last poll logs "Unable to quit the Velora Corvane service within maximum
    /// wait time." and returns false.
    static bool waitForServiceToQuit();

    /// How waitForServiceToQuit sleeps between polls; it is asked for
    /// quitPollInterval each time.
    using SleepFunction = std::function<void(std::chrono::seconds)>;

    /// Replaces the sleep (for tests; the product keeps the real one); an empty
    /// function puts the real sleep back. Returns the previous function.
    static SleepFunction setSleepFunction(SleepFunction sleep);
};
