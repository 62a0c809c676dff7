#pragma once

// Desktop entries made up for the launcher's benchmarks, the same for every
// launcher and peer that reads them.

#include <QString>

namespace corvane::bench {

/// Writes `count` desktop entries below `folder` (an `applications/` tree), each
/// with a name of two words and a number, a generic name, keywords and a German
/// name, and a program of its own in `bin` (a link to /bin/true: GIO leaves out
/// entries whose program is not installed); one in ten lives in a vendor
/// subfolder, one in fifty is NoDisplay. False when a file cannot be written.
bool writeGeneratedEntries(const QString &folder, const QString &bin, int count);

/// Points HOME and every XDG folder into `root` (XDG_DATA_DIRS to `root`/usr-share),
/// making them, and `root`/bin first on PATH: never the user's own folders.
void useThrowAwayFolders(const QString &root);

} // namespace corvane::bench
