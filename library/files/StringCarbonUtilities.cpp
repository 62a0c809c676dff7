#include "StringCarbonUtilities.h"

#include "CarbonUtilities_p.h"
#include "StringExtensions.h"
#include "URLCarbonUtilities.h"
#include "platform/files/AliasManager.h"
#include "platform/files/HfsPath.h"

#include <QDir>

#include <cstring>

namespace vl {

namespace {

// fileURLWithPath: a relative path counts from the current folder.
QUrl fileUrl(const QString &path)
{
    return QUrl::fromLocalFile(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
}

bool flag(const QString &path, quint16 bit)
{
    quint16 flags = 0;
    return finderInfoFlags(path, &flags, nullptr, nullptr) && (flags & bit);
}

bool setFlag(const QString &path, quint16 bit, bool value)
{
    platform::OSType type = 0;
    platform::OSType creator = 0;
    if (!finderInfoFlags(path, nullptr, &type, &creator))
        return false;
    return setFinderInfoFlags(path, value ? bit : 0, bit, type, creator);
}

} // namespace

std::optional<QString> stringWithFSRef(const platform::FileReference &reference)
{
    return reference.path();
}

std::optional<QString> stringWithPascalString(QByteArrayView pascalString)
{
    return stringWithPascalString(pascalString, StringEncoding::MacOSRoman);
}

bool getFSRef(const QString &path, platform::FileReference *reference)
{
    const std::optional<platform::FileReference> found = detail::referenceOf(path);
    if (!found || !reference)
        return false;
    *reference = *found;
    return true;
}

bool getFSSpec(const QString &path, platform::HfsLocation *specification)
{
    return !path.isEmpty() && getFSSpec(fileUrl(path), specification);
}

QString fileSystemPathHFSStyle(const QString &path)
{
    return path.isEmpty() ? QString() : fileSystemPathHFSStyle(fileUrl(path));
}

std::optional<QString> pathFromFileSystemPathHFSStyle(const QString &hfsPath)
{
    const std::optional<platform::HfsPath::Converted> converted = platform::HfsPath::toPath(hfsPath);
    return converted ? std::optional(converted->path) : std::nullopt;
}

QString resolveAliasFile(const QString &path)
{
    std::optional<platform::FileReference> reference = detail::referenceOf(path);
    bool wasAliased = false;
    if (!reference
        || platform::AliasManager::resolveAliasFile(&*reference, true, nullptr, &wasAliased) != platform::noErr
        || !wasAliased)
        return path;
    return stringWithFSRef(*reference).value_or(path);
}

bool getPascalString(const QString &string, char *buffer, qint16 length)
{
    if (!buffer || length < 1)
        return false;
    const std::optional<QByteArray> pascal = pascalStringUsingEncoding(string, StringEncoding::MacOSRoman, length);
    if (!pascal)
        return false;
    std::memcpy(buffer, pascal->constData(), size_t(pascal->size()));
    return true;
}

std::optional<QByteArray> pascalString(const QString &string)
{
    return pascalStringUsingEncoding(string, StringEncoding::MacOSRoman, 256);
}

QString trimWhitespace(const QString &string)
{
    return stringByTrimmingWhitespace(string);
}

bool finderInfoFlags(const QString &path, quint16 *flags, platform::OSType *type, platform::OSType *creator)
{
    return !path.isEmpty() && finderInfoFlags(fileUrl(path), flags, type, creator);
}

bool setFinderInfoFlags(const QString &path, quint16 flags, quint16 mask, platform::OSType type,
                        platform::OSType creator)
{
    return !path.isEmpty() && setFinderInfoFlags(fileUrl(path), flags, mask, type, creator);
}

QPointF finderLocation(const QString &path)
{
    return path.isEmpty() ? QPointF(0, 0) : finderLocation(fileUrl(path));
}

bool setFinderLocation(const QString &path, QPointF location)
{
    return !path.isEmpty() && setFinderLocation(fileUrl(path), location);
}

bool hasCustomIconFinderInfoFlag(const QString &path)
{
    return flag(path, platform::kHasCustomIcon);
}
bool setHasCustomIconFinderInfoFlag(const QString &path, bool value)
{
    return setFlag(path, platform::kHasCustomIcon, value);
}
bool isStationeryFinderInfoFlag(const QString &path)
{
    return flag(path, platform::kIsStationery);
}
bool setIsStationeryFinderInfoFlag(const QString &path, bool value)
{
    return setFlag(path, platform::kIsStationery, value);
}
bool hasNameLockedFinderInfoFlag(const QString &path)
{
    return flag(path, platform::kNameLocked);
}
bool setHasNameLockedFinderInfoFlag(const QString &path, bool value)
{
    return setFlag(path, platform::kNameLocked, value);
}
bool hasBundleFinderInfoFlag(const QString &path)
{
    return flag(path, platform::kHasBundle);
}
bool setHasBundleFinderInfoFlag(const QString &path, bool value)
{
    return setFlag(path, platform::kHasBundle, value);
}
bool isInvisibleFinderInfoFlag(const QString &path)
{
    return flag(path, platform::kIsInvisible);
}
bool setIsInvisibleFinderInfoFlag(const QString &path, bool value)
{
    return setFlag(path, platform::kIsInvisible, value);
}
bool isAliasFinderInfoFlag(const QString &path)
{
    return flag(path, platform::kIsAlias);
}
bool setIsAliasFinderInfoFlag(const QString &path, bool value)
{
    return setFlag(path, platform::kIsAlias, value);
}

} // namespace vl

// stringByResolvingAliasesInPath (library/formats) resolves alias files through
// the resolver installed here when the library is loaded.
namespace {
[[maybe_unused]] const bool aliasFileResolverInstalled = [] {
    vl::setAliasFileResolver([](const QString &path) -> std::optional<QString> {
        std::optional<platform::FileReference> reference = platform::FileReference::fromPath(path);
        bool wasAliased = false;
        if (!reference
            || platform::AliasManager::resolveAliasFile(&*reference, true, nullptr, &wasAliased) != platform::noErr
            || !wasAliased)
            return std::nullopt;
        return reference->path();
    });
    return true;
}();
} // namespace
