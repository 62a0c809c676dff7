#pragma once

#include "KeyCombo.h"

#include <QString>

#include <optional>

/// Which combinations may become the show/hide hot key, and the words for one
/// that may not: the reserved table first, then the running desktop's own
/// bindings. The pane's sheet and the command line say the same.
class HotKeyPolicy
{
public:
    struct Refusal
    {
        QString title;
        QString message;
    };

    /// Why `combo` cannot be the hot key; none when it can. Asks the desktop
    /// only for a combination the reserved table lets through and that is not
    /// the `current` hot key (which the launcher itself may hold); each of the
    /// desktop's services is asked within a short bound.
    static std::optional<Refusal> refusal(const KeyCombo &combo, const KeyCombo *current = nullptr);
};
