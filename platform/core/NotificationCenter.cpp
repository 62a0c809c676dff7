#include "platform/core/NotificationCenter.h"

#include <algorithm>
#include <atomic>

namespace platform {

struct NotificationCenter::Registration
{
    const void *observer;
    QString name;
    const void *object;
    Handler handler;
    std::atomic<bool> active{true};

    bool matches(const Notification &n) const
    {
        return (name.isEmpty() || name == n.name) && (!object || object == n.object);
    }
};

NotificationCenter::NotificationCenter() = default;
NotificationCenter::~NotificationCenter() = default;

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void *observer, const QString &name, const void *object, Handler handler)
{
    auto registration = std::make_shared<Registration>();
    registration->observer = observer;
    registration->name = name;
    registration->object = object;
    registration->handler = std::move(handler);
    std::lock_guard lock(m_mutex);
    m_registrations.push_back(std::move(registration));
}

void NotificationCenter::removeObserver(const void *observer)
{
    removeObserver(observer, QString(), nullptr);
}

void NotificationCenter::removeObserver(const void *observer, const QString &name, const void *object)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_registrations, [&](const std::shared_ptr<Registration> &r) {
        const bool match = r->observer == observer && (name.isEmpty() || r->name == name)
                           && (!object || r->object == object);
        if (match)
            r->active = false;
        return match;
    });
}

void NotificationCenter::post(const Notification &notification)
{
    std::vector<std::shared_ptr<Registration>> targets;
    {
        std::lock_guard lock(m_mutex);
        for (const auto &r : m_registrations) {
            if (r->matches(notification))
                targets.push_back(r);
        }
    }
    for (const auto &r : targets) {
        if (r->active)
            r->handler(notification);
    }
}

void NotificationCenter::post(const QString &name, const void *object, const QVariantMap &userInfo)
{
    post(Notification{name, object, userInfo});
}

} // namespace platform
