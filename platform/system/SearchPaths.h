#pragma once

#include "platform/core/ScopedRestore.h"

#include <QFlags>
#include <QString>
#include <QStringList>

namespace platform {

/// The standard folders the original platform finds by search path.
enum class SearchPathDirectory {
    Library,              ///< the Library folder
    ApplicationSupport,   ///< application support files: the same folder as Library here
    Logs,                 ///< log and journal files
};

/// The domains a folder is searched in, as flags.
enum class SearchPathDomain {
    User = 0x1,    ///< the user's own
    Local = 0x2,   ///< the computer's, shared by its users
};
Q_DECLARE_FLAGS(SearchPathDomains, SearchPathDomain)
Q_DECLARE_OPERATORS_FOR_FLAGS(SearchPathDomains)

/// The counterpart of NSSearchPathForDirectoriesInDomains: the folders of
/// `directory` in `domains`, the user's first. Whether they exist is not checked.
///
/// Library and ApplicationSupport: user domain $XDG_DATA_HOME (~/.local/share when
/// unset or not absolute), local domain /usr/local/share. Logs: user domain
/// $XDG_STATE_HOME (~/.local/state), local domain /var/log. Without `expandTilde`
/// a folder inside the home folder begins with "~".
QStringList searchPathForDirectoriesInDomains(SearchPathDirectory directory, SearchPathDomains domains,
                                              bool expandTilde);

/// The folders an installation keeps its bundles in.
enum class InstalledFolder {
    PreferencePanes,   ///< pane bundles ("<prefix>/<libdir>/corvane/panes" as installed)
    Services,          ///< the service application ("<prefix>/<libdir>/corvane")
};

/// Where this installation keeps `folder`: found relative to the library folder
/// that this platform library was loaded from, so an installation staged or moved
/// to another prefix finds its own bundles. Searched with the local domain's
/// folders; whether it exists is not checked. Empty when the library's place
/// cannot be told.
QString installedFolder(InstalledFolder folder);

/// While alive, the local domain's folders are under `root` instead of "/" (for
/// tests, which must never touch the computer's own folders). Not thread-safe;
/// overrides do not nest.
class ScopedLocalDomainRoot : private ScopedRestore<QString>
{
public:
    explicit ScopedLocalDomainRoot(const QString &root);
};

} // namespace platform
