#include "ZRAlias.h"

#include "URLCarbonUtilities.h"
#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/archive/Archiver.h"
#include "platform/archive/Unarchiver.h"
#include "platform/files/AliasManager.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString absolute(const QString &path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

bool exists(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

} // namespace

std::shared_ptr<ZRAlias> ZRAlias::aliasWithURL(const QUrl &url, const QUrl &fromURL)
{
    auto alias = std::make_shared<ZRAlias>();
    if (url.isEmpty() || !alias->createAliasRecordFor(url, fromURL))
        return nullptr;
    alias->m_changed = false;
    return alias;
}

std::shared_ptr<ZRAlias> ZRAlias::aliasWithPath(const QString &path, const QString &fromPath)
{
    if (!exists(path))
        return nullptr;
    const QUrl base = exists(fromPath) ? QUrl::fromLocalFile(absolute(fromPath)) : QUrl();
    return aliasWithURL(QUrl::fromLocalFile(absolute(path)), base);
}

std::shared_ptr<ZRAlias> ZRAlias::aliasWithData(const std::optional<QByteArray> &data)
{
    if (!data)
        return nullptr;
    auto alias = std::make_shared<ZRAlias>();
    alias->m_aliasHandle = *data;
    return alias;
}

void ZRAlias::setAllowUserInteraction(bool allow)
{
    m_mountFlags = allow ? m_mountFlags & ~0x1u : m_mountFlags | 0x1u;
}

void ZRAlias::setTryFileIDFirst(bool tryFileIdFirst)
{
    m_mountFlags = tryFileIdFirst ? m_mountFlags | 0x2u : m_mountFlags & ~0x2u;
}

bool ZRAlias::getFSRef(platform::FileReference *reference)
{
    if (!reference || !m_aliasHandle)
        return false;
    // No base item: a stored relative path is not used.
    return platform::AliasManager::resolveAlias(*m_aliasHandle, m_mountFlags, reference, &m_changed) == platform::noErr;
}

std::optional<QUrl> ZRAlias::URL()
{
    platform::FileReference reference;
    return getFSRef(&reference) ? vl::URLWithFSRef(reference) : std::nullopt;
}

std::optional<QString> ZRAlias::path()
{
    const std::optional<QUrl> target = URL();
    if (!target)
        return std::nullopt;
    return QDir::cleanPath(target->toLocalFile());
}

QString ZRAlias::displayName()
{
    const std::optional<QString> target = path();
    return target ? QFileInfo(*target).fileName() : QString();
}

bool ZRAlias::setURL(const QUrl &url, const QUrl &fromURL)
{
    platform::FileReference target;
    if (!m_aliasHandle || url.isEmpty() || !vl::getFSRef(url, &target))
        return false;
    platform::FileReference base;
    const bool relative = !fromURL.isEmpty() && vl::getFSRef(fromURL, &base);
    return platform::AliasManager::updateAlias(relative ? &base : nullptr, target, *m_aliasHandle, &m_changed)
           == platform::noErr;
}

bool ZRAlias::setPath(const QString &path, const QString &fromPath)
{
    if (!exists(path))
        return false;
    const QUrl base = exists(fromPath) ? QUrl::fromLocalFile(absolute(fromPath)) : QUrl();
    return setURL(QUrl::fromLocalFile(absolute(path)), base);
}

void ZRAlias::encodeWithCoder(platform::Archiver &coder) const
{
    coder.encodeDataObject(m_aliasHandle.value_or(QByteArray()));
}

void ZRAlias::initWithCoder(platform::Unarchiver &coder)
{
    m_aliasHandle = coder.decodeDataObject();
    m_changed = false;
}

void ZRAlias::registerArchivedClasses(platform::ArchiveClassRegistry &registry)
{
    registry.registerClass<ZRAlias>();
}

namespace {
// The original runtime finds every class of an archive by name; registering
// with the shared registry at start-up gives the same.
[[maybe_unused]] const bool registeredWithSharedRegistry = [] {
    ZRAlias::registerArchivedClasses(platform::ArchiveClassRegistry::shared());
    return true;
}();
} // namespace
