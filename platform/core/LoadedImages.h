#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

namespace platform {

/// The paths of the objects the dynamic linker has loaded into this process, in
/// the linker's order, as it recorded them (not canonicalised): the program
/// first (by its path, /proc/self/exe), then the shared libraries. Objects
/// without a name (the vDSO on some systems) are left out.
std::vector<QByteArray> loadedImagePaths();

/// The path of the loaded object whose mapped segments hold `address`, as
/// loadedImagePaths() names it; none for an address in no loaded object.
std::optional<QByteArray> loadedImagePathContaining(const void *address);

} // namespace platform
