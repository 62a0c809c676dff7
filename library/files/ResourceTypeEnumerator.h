#pragma once

#include "platform/files/FourCharCode.h"

#include <QList>

#include <optional>

/// Lists the resource types of the current resource file, as it was when the
/// enumerator was made (the original platform's Resource Manager, one current
/// file for the whole process): a fork's resourceTypeEnumerator() lists its own
/// types while it is the current file.
class ResourceTypeEnumerator
{
public:
    /// Takes the number of types of the current resource file now.
    ResourceTypeEnumerator();

    /// The next type; none after the last one, or when the Resource Manager
    /// cannot give it (then "Could not get type for resource <index>" is logged).
    std::optional<platform::OSType> nextObject();

    /// Every type not yet returned.
    QList<platform::OSType> allObjects();

private:
    qint16 numberOfTypes = 0;
    qint16 typeIndex = 1; ///< 1-based index of the next type
};
