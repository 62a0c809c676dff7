#pragma once

#include <QObject>

#include <chrono>
#include <functional>

/// The desktop portal's global shortcuts (org.freedesktop.portal.GlobalShortcuts
/// on the session bus): where a Wayland compositor offers it, an application is
/// handed the keys it binds there, since it can grab none itself.
namespace platform {

class GlobalShortcutsPortal
{
public:
    static constexpr std::chrono::milliseconds defaultTimeout{3000};

    /// Asks the session's portal for the interface's version and returns at
    /// once. `answer` is called once, from `context`'s event loop, with the
    /// version, or 0 when the portal does not offer the interface, is missing,
    /// answers with something else or not within `timeout`. Nothing is called
    /// once `context` is gone. The portal may be started to answer (bus
    /// activation), as the desktop means it to be.
    static void queryVersion(QObject *context, std::function<void(uint version)> answer,
                             std::chrono::milliseconds timeout = defaultTimeout);
};

} // namespace platform
