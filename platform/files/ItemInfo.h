#pragma once

#include <QString>

#include <optional>

namespace platform {

/// What kind of item a path names, as the original platform's Launch Services
/// reports it in its basic item flags.
///
/// Here an application is an app folder `Name.app/` (which is also a package),
/// an executable file, or a desktop entry of Type=Application; a package is a
/// folder whose extension names a bundle (app, bundle, framework, plugin,
/// prefPane) or whose Finder flags have kHasBundle; a volume is a mount point.
class ItemInfo
{
public:
    enum Flag : quint32 {
        kLSItemInfoIsPlainFile = 0x0001,
        kLSItemInfoIsPackage = 0x0002,
        kLSItemInfoIsApplication = 0x0004,
        kLSItemInfoIsContainer = 0x0008,
        kLSItemInfoIsAliasFile = 0x0010,
        kLSItemInfoIsSymlink = 0x0020,
        kLSItemInfoIsInvisible = 0x0040,
        kLSItemInfoIsVolume = 0x1000,
    };

    /// The flags of the item at `path` (symbolic links followed, and flagged);
    /// none when nothing is there.
    static std::optional<quint32> basicFlags(const QString &path);
};

} // namespace platform
