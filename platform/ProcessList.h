#pragma once

#include <QString>

namespace platform {

/// Whether a process of the current user (its effective user ID) whose command name
/// is exactly `name` runs: compared byte for byte in UTF-8, letter case included;
/// zombies do not count. A process whose entry cannot be read (it ended meanwhile,
/// or it is not accessible) is skipped and the walk goes on. The kernel keeps at
/// most 15 bytes of a command name, so a longer `name` never matches (as with
/// `pgrep -x`). Walks /proc afresh on each call and stops at the first match.
bool isProcessRunning(const QString &name);

/// The same over the process folder `procRoot` laid out as /proc is (for tests).
bool isProcessRunning(const QString &name, const QString &procRoot);

} // namespace platform
