#include "NotificationCenterExtensions.h"

#include "MainThread_p.h"

namespace vl {

void postNotificationNameOnMainThread(platform::NotificationCenter &center, const QString &name, const void *object,
                                      bool waitUntilDone)
{
    postNotificationNameOnMainThread(center, name, object, {}, waitUntilDone);
}

void postNotificationNameOnMainThread(platform::NotificationCenter &center, const QString &name, const void *object,
                                      const QVariantMap &userInfo, bool waitUntilDone)
{
    platform::Notification notification{name, object, userInfo};
    runOnMainThread([&center, notification = std::move(notification)] { center.post(notification); }, waitUntilDone);
}

} // namespace vl
