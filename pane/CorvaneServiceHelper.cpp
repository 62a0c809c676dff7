#include "CorvaneServiceHelper.h"

#include "CorvaneProtocol.h"

#include "platform/bus/Connection.h"
#include "platform/core/Exception.h"
#include "platform/core/Log.h"
#include "platform/plist/UserDefaults.h"
#include "platform/system/ProcessExitWatcher.h"
#include "platform/system/ProcessList.h"
#include "platform/system/SearchPaths.h"
#include "platform/system/Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <thread>

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Removes what is at `path`; a symbolic link goes itself, never what it points to.
void removeItem(const QString &path)
{
    const QFileInfo item(path);
    if (item.isDir() && !item.isSymLink())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

// A descriptor of the running service's process (a pidfd), -1 when there is none
// or the kernel gives none (before Linux 5.3).
class ServiceProcessHandle
{
public:
    ServiceProcessHandle()
    {
        const auto found = platform::findProcessWithCommandPrefix(CorvaneServiceHelper::serviceName());
        if (found.status == platform::ProcessSearchResult::Status::Found)
            m_fd = int(::syscall(SYS_pidfd_open, pid_t(found.pid), 0));
    }
    ~ServiceProcessHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ServiceProcessHandle(const ServiceProcessHandle &) = delete;
    ServiceProcessHandle &operator=(const ServiceProcessHandle &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// Waits `duration`, or less when the service's process ends first: a service
// that quits at once is seen gone at once rather than on the next whole second.
// The caller still asks the process list, so a process wrongly taken for the
// service costs no more than the plain sleep.
void realSleep(std::chrono::seconds duration)
{
    const auto until = std::chrono::steady_clock::now() + duration;
    const ServiceProcessHandle service;
    if (service.fd() >= 0) {
        pollfd exit{service.fd(), POLLIN, 0};
        const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
        if (::poll(&exit, 1, int(milliseconds)) > 0)
            return;
    }
    std::this_thread::sleep_until(until);
}

// The Services menu forgets the service, whether or not it quit.
void forgetServicesBundle()
{
    const auto servicesBundle = CorvaneServiceHelper::serviceBundlePath();
    if (servicesBundle && QFileInfo::exists(*servicesBundle))
        removeItem(*servicesBundle);
    platform::Workspace::updateDynamicServices();
}

void logGivingUp()
{
    platform::log(QStringLiteral("Unable to quit the Velora Corvane service within maximum wait time."));
}

// The wait of waitForServiceToQuit on the event loop: woken when the service's
// process ends, and checking the process list each poll interval all the same,
// since the process watched may not be the one the list finds.
class QuitWait : public QObject
{
public:
    QuitWait(QObject *context, std::function<void(bool)> done)
        : QObject(context)
        , m_done(std::move(done))
    {
        const auto found = platform::findProcessWithCommandPrefix(CorvaneServiceHelper::serviceName());
        if (found.status == platform::ProcessSearchResult::Status::Found) {
            m_exit = std::make_unique<platform::ProcessExitWatcher>(found.pid);
            connect(m_exit.get(), &platform::ProcessExitWatcher::exited, this, [this] { check(); });
        }
        connect(&m_poll, &QTimer::timeout, this, [this] {
            ++m_polls;
            check();
        });
        // A coarse timer may fire 5% early: twenty of its seconds could be nineteen.
        m_poll.setTimerType(Qt::PreciseTimer);
        m_poll.start(CorvaneServiceHelper::quitPollInterval);
    }

private:
    void check()
    {
        if (!m_done) // told already; deleted from the event loop
            return;
        if (!CorvaneServiceHelper::isServiceRunning())
            finish(true);
        else if (m_polls >= CorvaneServiceHelper::quitPollCount)
            finish(false);
    }
    void finish(bool quit)
    {
        m_poll.stop();
        if (!quit)
            logGivingUp();
        forgetServicesBundle();
        deleteLater();
        std::exchange(m_done, nullptr)(quit);
    }

    std::function<void(bool)> m_done;
    std::unique_ptr<platform::ProcessExitWatcher> m_exit;
    QTimer m_poll;
    int m_polls = 0;
};

CorvaneServiceHelper::SleepFunction &sleepFunction()
{
    static CorvaneServiceHelper::SleepFunction sleep = realSleep;
    return sleep;
}

std::optional<QString> firstLibraryFolder(platform::SearchPathDomain domain)
{
    const QStringList folders = platform::searchPathForDirectoriesInDomains(platform::SearchPathDirectory::Library,
                                                                            domain, true);
    if (folders.isEmpty())
        return std::nullopt;
    return folders.first();
}

std::optional<QString> servicesCopy(platform::SearchPathDomain domain)
{
    const auto library = firstLibraryFolder(domain);
    if (!library)
        return std::nullopt;
    const QString path = *library + QStringLiteral("/Services/") + CorvaneServiceHelper::appName;
    return QFileInfo::exists(path) ? std::optional<QString>(path) : std::nullopt;
}

/// The service that was installed with the pane.
std::optional<QString> installedCopy()
{
    const QString folder = platform::installedFolder(platform::InstalledFolder::Services);
    if (folder.isEmpty())
        return std::nullopt;
    const QString path = folder + QLatin1Char('/') + CorvaneServiceHelper::appName;
    return QFileInfo::exists(path) ? std::optional<QString>(path) : std::nullopt;
}

std::optional<QString> storedPath()
{
    const auto domain = platform::UserDefaults::standardUserDefaults().persistentDomainForName(ServiceBundleIdentifier);
    if (!domain)
        return std::nullopt;
    const QVariant stored = domain->value(CVApplicationPath);
    if (stored.metaType().id() != QMetaType::QString)
        return std::nullopt;
    const QString path = stored.toString();
    return !path.isEmpty() && QFileInfo::exists(path) ? std::optional<QString>(path) : std::nullopt;
}

std::optional<QString> nonEmpty(std::optional<QString> path)
{
    return path && !path->isEmpty() ? path : std::nullopt;
}

} // namespace

QString CorvaneServiceHelper::serviceName()
{
    QString name = appName;
    name.chop(4); // ".app"
    return name;
}

bool CorvaneServiceHelper::launchService(qint64 *pid)
{
    if (pid)
        *pid = 0;
    if (isServiceRunning())
        return true;
    const auto path = serviceApplicationPath();
    if (path && platform::Workspace::openFile(*path, pid))
        return true;
    platform::log(QStringLiteral("Unable to launch the Corvane service application at: %1.")
                      .arg(path.value_or(QStringLiteral("(null)"))));
    return false;
}

bool CorvaneServiceHelper::isServiceRunning()
{
    return platform::isProcessRunning(serviceName());
}

bool CorvaneServiceHelper::stopService()
{
    if (!isServiceRunning())
        return true;
    quitService();
    const bool quit = waitForServiceToQuit();
    forgetServicesBundle();
    return quit;
}

void CorvaneServiceHelper::beginStoppingService(QObject *context, std::function<void(bool quit)> done)
{
    if (!isServiceRunning()) {
        QMetaObject::invokeMethod(context, [done = std::move(done)] { done(true); }, Qt::QueuedConnection);
        return;
    }
    quitService();
    new QuitWait(context, std::move(done)); // the context owns it until it has called `done`
}

void CorvaneServiceHelper::quitService()
{
    if (!isServiceRunning())
        return;
    CorvaneProtocol service(serviceProxy());
    service.terminateApp();
}

std::optional<QString> CorvaneServiceHelper::serviceApplicationPath()
{
    if (auto path = storedPath())
        return path;
    if (auto path = servicesCopy(platform::SearchPathDomain::User))
        return path;
    if (auto path = servicesCopy(platform::SearchPathDomain::Local))
        return path;
    if (auto path = installedCopy())
        return path;
    if (auto path = nonEmpty(platform::Workspace::fullPathForApplication(serviceName())))
        return path;
    if (auto path = nonEmpty(
            platform::Workspace::absolutePathForAppBundleWithIdentifier(MakerIdentifierPrefix + serviceName())))
        return path;
    platform::log(QStringLiteral("Unable to locate Velora Corvane service application."));
    return std::nullopt;
}

std::optional<QString> CorvaneServiceHelper::serviceBundlePath()
{
    const auto library = firstLibraryFolder(platform::SearchPathDomain::User);
    if (!library)
        return std::nullopt;
    return *library + serviceBundleSuffix;
}

std::shared_ptr<platform::DistantObject> CorvaneServiceHelper::serviceProxy()
{
    try {
        return platform::Connection::rootProxyForConnectionWithRegisteredName(connectionName);
    } catch (const platform::Exception &) {
        return nullptr;
    }
}

bool CorvaneServiceHelper::waitForServiceToQuit()
{
    if (!isServiceRunning())
        return true;
    for (int elapsed = 0; elapsed < quitPollCount;) {
        sleepFunction()(quitPollInterval);
        ++elapsed;
        if (!isServiceRunning())
            return true;
    }
    logGivingUp();
    return false;
}

CorvaneServiceHelper::SleepFunction CorvaneServiceHelper::setSleepFunction(SleepFunction sleep)
{
    return std::exchange(sleepFunction(), sleep ? std::move(sleep) : SleepFunction(realSleep));
}
