#pragma once

#include <QByteArray>
#include <QObject>

namespace platform {

/// Sends the action message `action` to `target` with `sender` as its one argument:
/// the original platform's target/action. The target's method must be a slot or
/// Q_INVOKABLE taking one QObject*. Runs at once, on the calling thread. Returns
/// false, sending nothing, when either is missing or the target has no such method.
bool sendAction(const QByteArray &action, QObject *target, QObject *sender);

} // namespace platform
