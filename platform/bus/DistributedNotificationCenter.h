#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace platform {

/// A notification that crosses process boundaries: a name, the identifying string of
/// the object it is about (empty for none) and user info made of property-list values.
struct DistributedNotification
{
    QString name;
    QString object;
    QVariantMap userInfo;
};

/// The counterpart of the original platform's distributed notification centre, on
/// the D-Bus session bus. A notification is the broadcast signal
/// com.velora.DistributedNotificationCenter.Notification(s name, s object, a{sv} userInfo)
/// at /com/velora/DistributedNotificationCenter, so `dbus-send` and `dbus-monitor`
/// reach it too. Observers hear every sender on the bus, this process included.
///
/// User info travels as `a{sv}`: strings, numbers, booleans, data, string lists and
/// nested lists and string-keyed maps of those. Whatever else is in a posted or a
/// received user info is left out entry by entry; a received signal whose name or
/// object is not a string is ignored whole.
///
/// Use a centre from the thread that created it (the main thread for the default
/// centre): handlers run there, from its event loop, never inside the post.
class DistributedNotificationCenter
{
public:
    using Handler = std::function<void(const DistributedNotification &)>;

    /// A centre on `bus`. A bus that is not connected gives a centre that posts
    /// nothing and delivers nothing.
    explicit DistributedNotificationCenter(const QDBusConnection &bus);
    ~DistributedNotificationCenter();
    DistributedNotificationCenter(const DistributedNotificationCenter &) = delete;
    DistributedNotificationCenter &operator=(const DistributedNotificationCenter &) = delete;

    /// The process's centre on the session bus, made on first use.
    static DistributedNotificationCenter &defaultCenter();

    /// Registers `handler` for `observer` (a key for removal, never dereferenced) for
    /// notifications named `name` (empty: every name) about `object` (empty: any).
    void addObserver(const void *observer, const QString &name, const QString &object, Handler handler);

    /// Removes every registration of `observer`; it receives nothing more, not even
    /// a notification already on its way.
    void removeObserver(const void *observer);

    /// Removes the registrations of `observer` for `name` (empty: any) and `object`
    /// (empty: any).
    void removeObserver(const void *observer, const QString &name, const QString &object);

    /// Broadcasts a notification and returns at once. False when the bus cannot be
    /// reached or `name` is empty; nothing is sent then.
    bool postNotificationName(const QString &name, const QString &object = {}, const QVariantMap &userInfo = {});

    /// Returns once every notification posted so far has left this process, or after
    /// a few seconds at most; for a process that posts just before it exits.
    void flush();

private:
    class Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
