#include "platform/bus/DistributedNotificationCenter.h"

#include "platform/bus/DBusValueConversion_p.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QObject>

#include <optional>
#include <vector>

namespace platform {

namespace {

const QString NotificationPath = QStringLiteral("/com/velora/DistributedNotificationCenter");
const QString NotificationInterface = QStringLiteral("com.velora.DistributedNotificationCenter");
const QString NotificationMember = QStringLiteral("Notification");

// Anyone on the bus can emit this signal: take it apart defensively.
std::optional<DistributedNotification> notificationFromMessage(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.isEmpty() || arguments.at(0).metaType().id() != QMetaType::QString)
        return std::nullopt;
    DistributedNotification notification;
    notification.name = arguments.at(0).toString();
    if (notification.name.isEmpty())
        return std::nullopt;
    if (arguments.size() > 1) {
        if (arguments.at(1).metaType().id() != QMetaType::QString)
            return std::nullopt;
        notification.object = arguments.at(1).toString();
    }
    if (arguments.size() > 2)
        notification.userInfo = dbus::userInfoFromArgument(arguments.at(2));
    return notification;
}

struct Registration
{
    const void *observer;
    QString name;
    QString object;
    DistributedNotificationCenter::Handler handler;
    bool active = true;

    bool matches(const DistributedNotification &n) const
    {
        return (name.isEmpty() || name == n.name) && (object.isEmpty() || object == n.object);
    }
};

class SignalReceiver : public QObject
{
    Q_OBJECT
public:
    std::function<void(const QDBusMessage &)> onMessage;

public Q_SLOTS:
    void receive(const QDBusMessage &message) { onMessage(message); }
};

} // namespace

class DistributedNotificationCenter::Private
{
public:
    explicit Private(const QDBusConnection &bus) : bus(bus) {}

    void deliver(const QDBusMessage &message)
    {
        const auto notification = notificationFromMessage(message);
        if (!notification)
            return;
        // Copy first: a handler may add or remove observers while we deliver.
        std::vector<std::shared_ptr<Registration>> targets;
        for (const auto &r : registrations) {
            if (r->matches(*notification))
                targets.push_back(r);
        }
        for (const auto &r : targets) {
            if (r->active)
                r->handler(*notification);
        }
    }

    QDBusConnection bus;
    SignalReceiver receiver;
    bool listening = false;
    std::vector<std::shared_ptr<Registration>> registrations;
};

DistributedNotificationCenter::DistributedNotificationCenter(const QDBusConnection &bus)
    : d(std::make_unique<Private>(bus))
{
    d->receiver.onMessage = [this](const QDBusMessage &message) { d->deliver(message); };
}

DistributedNotificationCenter::~DistributedNotificationCenter()
{
    // The default centre dies after the application; QtDBus is gone by then.
    if (d->listening && QCoreApplication::instance())
        d->bus.disconnect(QString(), NotificationPath, NotificationInterface, NotificationMember, &d->receiver,
                          SLOT(receive(QDBusMessage)));
}

DistributedNotificationCenter &DistributedNotificationCenter::defaultCenter()
{
    static DistributedNotificationCenter center(QDBusConnection::sessionBus());
    return center;
}

void DistributedNotificationCenter::addObserver(const void *observer, const QString &name, const QString &object,
                                                Handler handler)
{
    if (!d->listening && d->bus.isConnected()) {
        // An empty service matches every sender; a slot taking the message matches
        // every signature, so malformed signals reach our checks instead of vanishing.
        d->listening = d->bus.connect(QString(), NotificationPath, NotificationInterface, NotificationMember,
                                      &d->receiver, SLOT(receive(QDBusMessage)));
    }
    auto registration = std::make_shared<Registration>();
    registration->observer = observer;
    registration->name = name;
    registration->object = object;
    registration->handler = std::move(handler);
    d->registrations.push_back(std::move(registration));
}

void DistributedNotificationCenter::removeObserver(const void *observer)
{
    removeObserver(observer, QString(), QString());
}

void DistributedNotificationCenter::removeObserver(const void *observer, const QString &name, const QString &object)
{
    std::erase_if(d->registrations, [&](const std::shared_ptr<Registration> &r) {
        const bool match = r->observer == observer && (name.isEmpty() || r->name == name)
                           && (object.isEmpty() || r->object == object);
        if (match)
            r->active = false;
        return match;
    });
}

bool DistributedNotificationCenter::postNotificationName(const QString &name, const QString &object,
                                                         const QVariantMap &userInfo)
{
    if (name.isEmpty() || !d->bus.isConnected())
        return false;
    QDBusMessage signal = QDBusMessage::createSignal(NotificationPath, NotificationInterface, NotificationMember);
    signal << name << object << dbus::userInfoForSending(userInfo);
    return d->bus.send(signal);
}

void DistributedNotificationCenter::flush()
{
    if (!d->bus.isConnected())
        return;
    // Messages leave a connection in order: once the bus has answered this ping,
    // everything sent before it has gone out.
    const auto ping = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                     QStringLiteral("/org/freedesktop/DBus"),
                                                     QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    d->bus.call(ping, QDBus::Block, 5000);
}

} // namespace platform

#include "DistributedNotificationCenter.moc"
