#pragma once

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

/// A notification: a name, the object that posted it (for identity only) and
/// optional user info.
struct Notification
{
    QString name;
    const void *object = nullptr;
    QVariantMap userInfo;
};

/// The process-local notification centre. Observers register for a name (empty:
/// every name) and optionally one object (null: any object); posting delivers
/// synchronously on the posting thread, in registration order. An observer
/// removed during a delivery receives nothing more, not even from the delivery
/// under way.
class NotificationCenter
{
public:
    using Handler = std::function<void(const Notification &)>;

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter &) = delete;
    NotificationCenter &operator=(const NotificationCenter &) = delete;

    /// The process's default centre.
    static NotificationCenter &defaultCenter();

    /// Registers `handler` for `observer` (a key for removal, never dereferenced).
    void addObserver(const void *observer, const QString &name, const void *object, Handler handler);

    /// Removes every registration of `observer`.
    void removeObserver(const void *observer);

    /// Removes the registrations of `observer` that match `name` (empty: any) and
    /// `object` (null: any).
    void removeObserver(const void *observer, const QString &name, const void *object);

    void post(const Notification &notification);
    void post(const QString &name, const void *object = nullptr, const QVariantMap &userInfo = {});

private:
    struct Registration;
    std::mutex m_mutex;
    std::vector<std::shared_ptr<Registration>> m_registrations;
};

} // namespace platform
