#pragma once

// What the path and URL sides of the Carbon file utilities share: the Finder
// information of an item, read from and written to its companion file.

#include "platform/files/FileReference.h"
#include "platform/files/FinderInfo.h"

#include <QString>

#include <optional>

namespace vl::detail {

/// The Finder information of the item `reference` names: all zero when it has
/// none; none when the item is gone or its companion cannot be read.
std::optional<platform::FinderInfo> readFinderInfo(const platform::FileReference &reference);

/// Replaces the item's Finder information, keeping the rest of its companion.
bool writeFinderInfo(const platform::FileReference &reference, const platform::FinderInfo &info);

/// The file reference of the item at `path`, or none.
std::optional<platform::FileReference> referenceOf(const QString &path);

} // namespace vl::detail
