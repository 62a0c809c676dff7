#pragma once

#include <QString>

#include <optional>

namespace platform {

/// Colon-separated HFS-style paths ("Root:home:ann:notes.txt") and POSIX paths.
///
/// A full HFS path starts with the volume's name (see Volume); ':' and '/' swap
/// within each component, since each is legal in the names of one style only.
/// Folder paths carry no trailing colon, except a volume on its own ("Root:"),
/// which needs it to be a full path. A path that starts with ':' is relative to
/// the current folder, and each further empty component ("::") goes up one
/// level, never above the top.
class HfsPath
{
public:
    /// The HFS path of the absolute POSIX path `path` (cleaned first); none for a
    /// relative path or when no volume holds it.
    static std::optional<QString> fromPath(const QString &path);

    struct Converted
    {
        QString path; ///< absolute and clean, no trailing '/' (except "/")
        bool isFolder = false; ///< the HFS path ended with ':'
    };

    /// The POSIX path of an HFS path; none when it is empty or no mounted volume
    /// has its volume name.
    static std::optional<Converted> toPath(const QString &hfsPath);

    /// `name` with ':' and '/' swapped: a POSIX file name as an HFS name, and back.
    static QString swapDelimiters(QString name);
};

} // namespace platform
