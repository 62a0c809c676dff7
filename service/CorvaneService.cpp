#include "CorvaneService.h"

#include "ApplicationCatalogue.h"
#include "DesktopTriggers.h"
#include "ServicePreferences.h"
#include "Launcher.h"
#include "LauncherSurface.h"

#include "platform/bus/Connection.h"
#include "platform/bus/DistributedNotificationCenter.h"
#include "platform/core/Log.h"
#include "platform/plist/PreferenceValue.h"
#include "platform/plist/PropertyList.h"
#include "platform/bus/Protocol.h"
#include "platform/system/SearchPaths.h"
#include "platform/core/TerminationSignalNotifier.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>

namespace {

const QString ConnectionName = QStringLiteral("CorvaneService");
const QString LaunchedNotification = QStringLiteral("CorvaneAppHasLaunchedNotification");
const QString QuittingNotification = QStringLiteral("CorvaneAppIsQuittingNotification");
constexpr int BusWatchIntervalMs = 1000;

// The receiving side of the protocol the pane sends, from the one description both
// read: resources/com.velora.CorvaneProtocol.xml, built into each.
platform::Protocol corvaneProtocol()
{
    const QString name = QStringLiteral("CorvaneProtocol");
    return platform::Protocol::fromIntrospectionFile(name, QStringLiteral(":/corvane/com.velora.CorvaneProtocol.xml"))
        .value_or(platform::Protocol(name, {}));
}

// The launcher window's interface, on the same object.
platform::Protocol launcherProtocol()
{
    const QString name = QStringLiteral("Corvane.Launcher");
    return platform::Protocol::fromIntrospectionFile(name, QStringLiteral(":/corvane/com.velora.Corvane.Launcher.xml"))
        .value_or(platform::Protocol(name, {}));
}

QString text(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return value.toString();
}

// Arguments as journal fields; a structure's members each get their own field.
QStringList fields(const QVariantList &arguments)
{
    QStringList out;
    for (const QVariant &argument : arguments) {
        if (argument.metaType().id() == QMetaType::QVariantList)
            out += fields(argument.toList());
        else
            out.append(text(argument));
    }
    return out;
}

// The launcher's sort orders, by the index the pane's pop-up stores (see
// docs/ARCHITECTURE.md, "Service settings"). Anything else sorts by name, so that
// a damaged value never leaves the launcher unsorted.
QString sortOrderName(const QString &value)
{
    bool isIndex = false;
    const int index = value.toInt(&isIndex);
    switch (isIndex ? index : -1) {
    case 1: return QStringLiteral("most-recently-used");
    case 2: return QStringLiteral("most-often-used");
    case 0: return QStringLiteral("name");
    default: return QStringLiteral("name (unknown order %1)").arg(value);
    }
}

} // namespace

QString CorvaneService::modelPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Resources/Corvane.model.json");
}

CorvaneService::CorvaneService(const Options &options, const QString &journalPath)
    : m_options(options)
    , m_journal(journalPath)
{
}

CorvaneService::~CorvaneService() = default;

QString CorvaneService::servicesBundlePath()
{
    return platform::searchPathForDirectoriesInDomains(platform::SearchPathDirectory::Library,
                                                       platform::SearchPathDomain::User, true)
               .value(0)
           + QStringLiteral("/Services/Corvane.bundle");
}

bool CorvaneService::start()
{
    m_journal.write(QStringLiteral("started"),
                    {QStringLiteral("quit-delay=%1").arg(m_options.quitDelaySeconds),
                     QStringLiteral("ignore-terminate=%1").arg(m_options.ignoreTerminate ? u"yes" : u"no")});
    m_signals = std::make_unique<platform::TerminationSignalNotifier>();
    connect(m_signals.get(), &platform::TerminationSignalNotifier::terminationRequested, this, [this](int number) {
        m_journal.write(QStringLiteral("signal"), {QString::number(number)});
        quit();
    });

    // Made before the settings are taken up, so that the first catalogue already
    // follows them.
    m_catalogue = std::make_unique<ApplicationCatalogue>(m_journal, modelPath());
    m_launcher = std::make_unique<Launcher>(*m_catalogue, m_journal);
    if (m_options.makeSurface)
        m_surface = m_options.makeSurface(*m_launcher);
    takeUp(ServicePreferences::allKeys());
    installServicesBundle();
    // Grabbing the hot key and making the corners' windows talk to the X server:
    // after the announcement too, and before the catalogue, so the key works while
    // it loads.
    QMetaObject::invokeMethod(this, &CorvaneService::startTriggers, Qt::QueuedConnection);
    // Cataloguing loads the SQL driver, reads every application folder and may wait
    // out another writer's lock: the launch is announced first. Queued before the
    // name is taken, the catalogue opens before any message to it is delivered.
    QMetaObject::invokeMethod(this, &CorvaneService::openCatalogue, Qt::QueuedConnection);

    m_connection = platform::Connection::registerName(
        ConnectionName, corvaneProtocol(), [this](const QString &method, const QVariantList &arguments) {
            receive(method, arguments);
        });
    if (!m_connection) {
        m_journal.write(QStringLiteral("error"), {QStringLiteral("cannot register ") + ConnectionName});
        const QString busError = platform::Connection::sessionBusError();
        if (busError.isEmpty())
            platform::log(QStringLiteral("Cannot register %1 on the session bus: is another Corvane running?")
                              .arg(ConnectionName));
        else
            platform::log(QStringLiteral("Cannot register %1: the session bus is missing (%2).").arg(ConnectionName, busError));
        return false;
    }
    m_connection->serve(launcherProtocol(), [this](const QString &method, const QVariantList &) {
        if (method == u"Show")
            requestLauncher(LauncherRequest::Show, QStringLiteral("bus"));
        else if (method == u"Hide")
            requestLauncher(LauncherRequest::Hide, QStringLiteral("bus"));
        else if (method == u"Toggle")
            requestLauncher(LauncherRequest::Toggle, QStringLiteral("bus"));
    });
    // A service outliving its session would linger unseen: leave with the bus.
    connect(&m_busWatch, &QTimer::timeout, this, [this] {
        if (m_connection && !m_connection->isValid()) {
            m_journal.write(QStringLiteral("error"), {QStringLiteral("the session bus went away")});
            quit();
        }
    });
    m_busWatch.start(BusWatchIntervalMs);
    platform::DistributedNotificationCenter::defaultCenter().postNotificationName(LaunchedNotification);
    m_journal.write(QStringLiteral("posted"), {LaunchedNotification});
    return true;
}

// Only the instance that holds the name: a second one, leaving at once, would
// find its own hot key taken by the first and tell the user so.
void CorvaneService::startTriggers()
{
    if (m_quitting || !m_connection)
        return;
    m_triggers = std::make_unique<DesktopTriggers>(m_journal);
    connect(m_triggers.get(), &DesktopTriggers::hotKeyPressed, this,
            [this] { requestLauncher(LauncherRequest::Toggle, QStringLiteral("hot-key")); });
    connect(m_triggers.get(), &DesktopTriggers::cornerReached, this,
            [this](const QString &corner) { requestLauncher(LauncherRequest::Show, corner); });
    const QStringList keys = ServicePreferences::cornerKeys() + QStringList{QStringLiteral("ShowHideHotKey")};
    const QList<ServicePreferences::Setting> settings = ServicePreferences::read(keys);
    for (const auto &[key, value] : settings)
        m_triggers->takeUp(key, value);
}

void CorvaneService::requestLauncher(LauncherRequest request, const QString &trigger)
{
    const bool show = request == LauncherRequest::Show
                      || (request == LauncherRequest::Toggle && !(m_surface && m_surface->isVisible()));
    m_journal.write(QStringLiteral("launcher"), {show ? QStringLiteral("Show") : QStringLiteral("Hide"), trigger});
    if (!m_surface || m_quitting)
        return;
    if (show)
        m_surface->show();
    else
        m_surface->hide();
}

void CorvaneService::openCatalogue()
{
    if (m_quitting)
        return;
    m_catalogue->open();   // a service without its store still answers the rest
}

void CorvaneService::quit()
{
    if (std::exchange(m_quitting, true))
        return;
    auto &center = platform::DistributedNotificationCenter::defaultCenter();
    center.postNotificationName(QuittingNotification);
    m_journal.write(QStringLiteral("posted"), {QuittingNotification});
    m_connection.reset();
    center.flush();   // the notification must leave before the process does
    m_journal.write(QStringLiteral("quit"));
    QCoreApplication::quit();
}

void CorvaneService::receive(const QString &method, const QVariantList &arguments)
{
    m_journal.write(QStringLiteral("message"), QStringList{method} + fields(arguments));
    if (method == u"terminateApp") {
        if (m_options.ignoreTerminate) {
            m_journal.write(QStringLiteral("ignored"), {method});
            return;
        }
        QTimer::singleShot(m_options.quitDelaySeconds * 1000, this, &CorvaneService::quit);
    } else if (method == u"userDefaultsChanged") {
        takeUp(ServicePreferences::allKeys());
    } else if (method == u"sortPreferenceChanged") {
        takeUp(QStringLiteral("CVSortOrder"), text(arguments.value(0)));
    } else if (method == u"limitApplicationSearchChanged") {
        takeUp(QStringLiteral("LimitAppSearchesToSystemVolume"), text(arguments.value(0)));
    } else if (method == u"hotCornersChanged") {
        takeUp(ServicePreferences::cornerKeys());
    } else if (method == u"hotKeyChanged") {
        takeUp(QStringLiteral("ShowHideHotKey"), fields(arguments).join(u' '));
    } else if (method == u"excludedApplicationsChanged") {
        // The message names the record only: its flag is in the store.
        if (m_catalogue)
            m_catalogue->excludedApplicationsChanged(arguments.value(0).toString());
    }
}

void CorvaneService::takeUp(const QStringList &keys)
{
    const QList<ServicePreferences::Setting> settings = ServicePreferences::read(keys);
    for (const auto &[key, value] : settings)
        takeUp(key, value);
    // A key gone from the domain turns its trigger off.
    for (const QString &key : keys) {
        const bool stored = std::any_of(settings.begin(), settings.end(), [&](const auto &s) { return s.first == key; });
        if (!stored && m_triggers)
            m_triggers->takeUp(key, QString());
    }
}

void CorvaneService::takeUp(const QString &key, const QString &value)
{
    m_journal.write(QStringLiteral("value"), {key, value});
    if (key == u"CVSortOrder") {
        m_journal.write(QStringLiteral("sorting"), {sortOrderName(value)});
        if (m_launcher)
            m_launcher->setSortOrder(value);
    } else if (key == u"LimitAppSearchesToSystemVolume" && m_catalogue) {
        m_catalogue->setSystemVolumeOnly(platform::PreferenceValue::boolValue(value));
    } else if (m_triggers) {
        m_triggers->takeUp(key, value);
    }
}

void CorvaneService::installServicesBundle()
{
    const QString bundle = servicesBundlePath();
    const QVariantMap info{{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.velora.Corvane.Services")},
                           {QStringLiteral("CFBundleName"), QStringLiteral("Corvane")},
                           {QStringLiteral("NSServices"), QVariantList()}};
    const auto plist = platform::writePropertyList(info, platform::PropertyListFormat::Xml);
    QSaveFile file(bundle + QStringLiteral("/Contents/Info.plist"));
    const bool written = QDir().mkpath(bundle + QStringLiteral("/Contents")) && plist
                         && file.open(QIODevice::WriteOnly) && file.write(plist.bytes) == plist.bytes.size()
                         && file.commit();
    m_journal.write(written ? QStringLiteral("installed") : QStringLiteral("error"), {bundle});
}
