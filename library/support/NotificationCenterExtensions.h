#pragma once

#include "platform/core/NotificationCenter.h"

/// Operations the library adds to the notification centre.
namespace vl {

/// Builds the notification on the calling thread and has the main thread post it
/// through `center` (so its observers run there); with `waitUntilDone`, returns
/// after the posting. The centre must outlive the posting.
void postNotificationNameOnMainThread(platform::NotificationCenter &center, const QString &name, const void *object,
                                      bool waitUntilDone);
void postNotificationNameOnMainThread(platform::NotificationCenter &center, const QString &name, const void *object,
                                      const QVariantMap &userInfo, bool waitUntilDone);

} // namespace vl
