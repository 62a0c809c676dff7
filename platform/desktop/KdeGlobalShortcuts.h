#pragma once

#include "CommandShortcut.h"

#include <QKeyCombination>
#include <QString>

#include <chrono>

/// KDE's global shortcuts service (org.kde.kglobalaccel on the session bus).
///
/// Only a running service is asked: the call never starts one through bus
/// activation, which would put KDE's daemon into another desktop's session.
/// Every call is bounded, so a service that hangs or is stopped costs at most
/// the timeout and answers nothing.
namespace platform {

class KdeGlobalShortcuts
{
public:
    static constexpr std::chrono::milliseconds defaultTimeout{250};

    /// The action holding `combination` as the shortcuts settings name it,
    /// "Action (Component)"; empty when no action holds it or the service does
    /// not answer within `timeout`.
    static QString owner(QKeyCombination combination, std::chrono::milliseconds timeout = defaultTimeout);

    /// Adds `shortcut` (valid) to the running service: a desktop entry of its
    /// id in the user's applications folder runs the command (hidden from
    /// menus), and the service's component of that entry holds the keys; adding
    /// it again gives it the new keys. Empty when the service took the keys,
    /// else why not, in a sentence for the user; each call waits `timeout` at
    /// most.
    static QString addCommandShortcut(const CommandShortcut &shortcut,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(2));
};

} // namespace platform
