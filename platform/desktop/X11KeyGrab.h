#pragma once

#include <QByteArray>
#include <QKeyCombination>

/// Whether another X client holds a key combination: a passive grab of it on
/// the root window fails with BadAccess then, whatever the desktop. It tells
/// that the key is taken, never by whom.
namespace platform {

class X11KeyGrab
{
public:
    enum class Result {
        Free, ///< the grab succeeded (and was released at once)
        Taken, ///< another client holds the combination
        Unknown, ///< no X display, or a key X cannot name
    };

    /// Tries `combination` on the root window of `display` (DISPLAY when empty)
    /// under every combination of the locks, as the service's own grab does
    /// (see X11PassiveGrab), and releases whatever it got before returning.
    static Result probe(QKeyCombination combination, const QByteArray &display = {});
};

} // namespace platform
