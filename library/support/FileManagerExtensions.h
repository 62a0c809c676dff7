#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

/// File-manager helpers: folder creation, listings and unique names.
namespace vl {

/// The value directoryCountAtPath() gives for a folder that cannot be listed.
inline constexpr std::uint32_t DirectoryCountNotFound = 2147483647;

/// Creates the folder at `path` and any missing ancestors. Returns the path when
/// the folder exists afterwards; none otherwise, logging "%1 is a plain file not a
/// folder" for a plain file in the way and "Can't create directory: %1" for every
/// folder that could not be made (outermost first). A relative or empty path
/// gives none and creates nothing.
std::optional<QString> createDirectoryPath(const QString &path);

/// False for an empty path; otherwise whether createDirectoryPath() succeeds.
bool ensureDirectoryPathExists(const QString &path);

/// ensureDirectoryPathExists() for the folder that holds the file at `path`.
bool ensureFilePathExists(const QString &path);

/// The full paths of a folder's entries (hidden ones included) in the order the
/// file system lists them, each the folder's path without repeated or trailing
/// slashes plus the name; none for an empty path or a folder that cannot be read.
std::optional<QStringList> fullPathDirectoryContentsAtPath(const QString &path);

/// How many entries of the folder are folders (a link to a folder counts);
/// DirectoryCountNotFound when the folder cannot be listed.
std::uint32_t directoryCountAtPath(const QString &path);

/// `name` when nothing of that name is in `folder`, else the first free
/// "base-N.extension" (N from 1), where base is the name up to its first full
/// stop and extension follows its last: "archive.tar.gz" → "archive-1.gz",
/// "notes" → "notes-1.". None when the folder does not exist.
std::optional<QString> uniqueFilename(const QString &name, const QString &folder);

} // namespace vl
