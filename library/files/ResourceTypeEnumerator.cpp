#include "ResourceTypeEnumerator.h"

#include "platform/core/Log.h"
#include "platform/files/ResourceManager.h"

ResourceTypeEnumerator::ResourceTypeEnumerator()
    : numberOfTypes(platform::ResourceManager::count1Types())
{
}

std::optional<platform::OSType> ResourceTypeEnumerator::nextObject()
{
    if (typeIndex > numberOfTypes)
        return std::nullopt;
    const qint16 index = typeIndex++;
    platform::OSType type = 0;
    platform::ResourceManager::get1IndType(&type, index);
    if (platform::ResourceManager::resError() != platform::noErr) {
        platform::log(QStringLiteral("Could not get type for resource %1").arg(index));
        return std::nullopt;
    }
    return type;
}

QList<platform::OSType> ResourceTypeEnumerator::allObjects()
{
    QList<platform::OSType> types;
    while (const std::optional<platform::OSType> type = nextObject())
        types.append(*type);
    return types;
}
