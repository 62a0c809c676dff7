// Record creation, equality and hash.

#include "ZRAlias.h"

#include "URLCarbonUtilities.h"
#include "platform/files/AliasManager.h"

#include <QHash>

bool ZRAlias::createAliasRecordFor(const QUrl &url, const QUrl &fromURL)
{
    platform::FileReference target;
    if (url.isEmpty() || !url.isLocalFile() || !vl::getFSRef(url, &target))
        return false;
    platform::FileReference base;
    const bool relative = !fromURL.isEmpty() && fromURL.isLocalFile() && vl::getFSRef(fromURL, &base);
    QByteArray record;
    const platform::OSErr error = relative ? platform::AliasManager::newAlias(&base, target, &record)
                                           : platform::AliasManager::newAliasMinimal(target, &record);
    if (error != platform::noErr)
        return false;
    m_aliasHandle = record;
    return true;
}

bool ZRAlias::isEqual(ZRAlias *other)
{
    platform::FileReference mine;
    platform::FileReference theirs;
    return other && getFSRef(&mine) && other->getFSRef(&theirs) && mine == theirs;
}

bool ZRAlias::isEqual(const QVariant &object)
{
    const std::shared_ptr<ZRAlias> other = platform::archivedObjectCast<ZRAlias>(object);
    return isEqual(other.get());
}

size_t ZRAlias::hash()
{
    return qHash(path().value_or(QString()));
}
