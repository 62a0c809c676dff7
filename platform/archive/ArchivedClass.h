#pragma once

#include <QtGlobal>

namespace platform {

/// How a class is named in a sequential archive: its name, its class version and
/// its superclass, up to the root class NSObject. Instances are constants with
/// static storage, so that a chain is a list of pointers:
///
///     inline constexpr platform::ArchivedClass KeyComboClass{"KeyCombo", 0, &platform::ArchivedClass::NSObject};
struct ArchivedClass
{
    const char *name;
    qint32 version;
    const ArchivedClass *superclass;

    /// The root class every archived class descends from.
    static const ArchivedClass NSObject;
};

inline constexpr ArchivedClass ArchivedClass::NSObject{"NSObject", 0, nullptr};

} // namespace platform
