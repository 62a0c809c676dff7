#include "ZRResourceFork.h"

#include "StringCarbonUtilities.h"
#include "platform/core/Log.h"

#include <QDir>
#include <QFileInfo>

using RM = platform::ResourceManager;

namespace {

// Puts the current resource file back when the operation ends, on every path.
class CurrentFileRestorer
{
public:
    CurrentFileRestorer()
        : m_saved(RM::curResFile())
    {
    }
    ~CurrentFileRestorer() { RM::useResFile(m_saved); }
    CurrentFileRestorer(const CurrentFileRestorer &) = delete;
    CurrentFileRestorer &operator=(const CurrentFileRestorer &) = delete;

private:
    platform::ResFileRefNum m_saved;
};

QString absolute(const QString &path)
{
    return path.isEmpty() ? path : QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

// The name's Pascal string without its length byte, as the Resource Manager's
// calls take it; none when it has no such form.
std::optional<QByteArray> pascalBytes(const QString &name)
{
    const std::optional<QByteArray> pascal = vl::pascalString(name);
    return pascal ? std::optional(pascal->sliced(1)) : std::nullopt;
}

bool getDataFunction(const platform::ResourceHandle &resource, platform::OSType, const QString &, qint16, void *context)
{
    auto *data = static_cast<std::optional<QByteArray> *>(context);
    *data = vl::dataFromResourceHandle(resource);
    return data->has_value();
}

bool removeResourceFunction(const platform::ResourceHandle &resource, platform::OSType, const QString &, qint16, void *)
{
    if (!resource)
        return true; // nothing to remove: done
    RM::removeResource(resource);
    return RM::resError() == platform::noErr;
}

bool getNameFunction(const platform::ResourceHandle &resource, platform::OSType, const QString &, qint16, void *context)
{
    auto *name = static_cast<std::optional<QString> *>(context);
    if (resource) {
        QByteArray bytes;
        RM::getResInfo(resource, nullptr, nullptr, &bytes);
        if (RM::resError() == platform::noErr)
            *name = vl::stringWithPascalString(char(bytes.size()) + bytes);
    }
    return name->has_value();
}

bool getIdFunction(const platform::ResourceHandle &resource, platform::OSType, const QString &name, qint16,
                   void *context)
{
    if (!resource || (!name.isNull() && !pascalBytes(name)))
        return false;
    RM::getResInfo(resource, static_cast<qint16 *>(context), nullptr, nullptr);
    return RM::resError() == platform::noErr;
}

bool getAttributesFunction(const platform::ResourceHandle &resource, platform::OSType, const QString &, qint16,
                           void *context)
{
    if (!resource)
        return false;
    *static_cast<qint16 *>(context) = RM::getResAttrs(resource);
    return RM::resError() == platform::noErr;
}

bool setAttributesFunction(const platform::ResourceHandle &resource, platform::OSType, const QString &, qint16,
                           void *context)
{
    constexpr qint16 ResChangedAndPurgeable = 0x0022;
    if (!resource)
        return false;
    RM::setResAttrs(resource, *static_cast<const qint16 *>(context) & ~ResChangedAndPurgeable);
    if (RM::resError() != platform::noErr)
        return false;
    RM::changedResource(resource);
    return RM::resError() == platform::noErr;
}

} // namespace

namespace vl {

bool operateOnResourceUsingFunction(platform::ResFileRefNum fork, platform::OSType type, const QString &name, qint16 id,
                                    ResourceOperationFunction function, void *context)
{
    const CurrentFileRestorer restorer;
    RM::useResFile(fork);
    if (RM::resError() != platform::noErr)
        return false;
    platform::ResourceHandle resource;
    if (!name.isNull()) {
        const std::optional<QByteArray> pascal = pascalBytes(name);
        if (!pascal)
            return false;
        resource = RM::get1NamedResource(type, *pascal);
    } else {
        resource = RM::get1Resource(type, id);
    }
    const bool result = RM::resError() == platform::noErr && function(resource, type, name, id, context);
    RM::releaseResource(resource);
    return result;
}

std::optional<QByteArray> dataFromResourceHandle(const platform::ResourceHandle &resource)
{
    return resource ? std::optional(resource->data) : std::nullopt;
}

} // namespace vl

ZRResourceFork::~ZRResourceFork()
{
    if (m_fileReference > 0) {
        platform::log(
            QStringLiteral("ZRAlias ERROR: you neglected to call closeFile: before disposing this ZRResourceFork"));
        closeFile();
    }
}

std::unique_ptr<ZRResourceFork> ZRResourceFork::resourceForkForReadingAtURL(const QUrl &url)
{
    return initForPermission(platform::fsRdPerm, url);
}

std::unique_ptr<ZRResourceFork> ZRResourceFork::resourceForkForWritingAtURL(const QUrl &url)
{
    return initForPermission(platform::fsWrPerm, url);
}

std::unique_ptr<ZRResourceFork> ZRResourceFork::resourceForkForReadingAtPath(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return nullptr;
    return initForPermission(platform::fsRdPerm, QUrl::fromLocalFile(absolute(path)));
}

std::unique_ptr<ZRResourceFork> ZRResourceFork::resourceForkForWritingAtPath(const QString &path)
{
    return path.isEmpty() ? nullptr : initForPermission(platform::fsWrPerm, QUrl::fromLocalFile(absolute(path)));
}

std::unique_ptr<ZRResourceFork> ZRResourceFork::initForPermission(qint8 permission, const QUrl &url)
{
    return url.isLocalFile() ? initForPermission(permission, url.toLocalFile()) : nullptr;
}

std::unique_ptr<ZRResourceFork> ZRResourceFork::initForPermission(qint8 permission, const QString &path)
{
    const QString target = absolute(path);
    if (target.isEmpty())
        return nullptr;
    if (permission & 6) {
        // The name first: an overlong one fails before any file-system call.
        const QFileInfo file(target);
        if (file.fileName().size() > MaximumNameLength)
            return nullptr;
        platform::FileReference parent;
        if (!vl::getFSRef(file.path(), &parent))
            return nullptr;
        RM::createResFile(parent, file.fileName());
        if (RM::resError() != platform::noErr && RM::resError() != platform::dupFNErr)
            return nullptr;
    }
    platform::FileReference reference;
    if (!vl::getFSRef(target, &reference))
        return nullptr;
    const platform::ResFileRefNum number = RM::openResFile(reference, permission);
    if (number <= 0)
        return nullptr;
    if (RM::resError() != platform::noErr && RM::resError() != platform::dupFNErr) {
        RM::closeResFile(number);
        return nullptr;
    }
    return std::unique_ptr<ZRResourceFork>(new ZRResourceFork(number));
}

void ZRResourceFork::closeFile()
{
    if (m_fileReference <= 0)
        return;
    RM::closeResFile(m_fileReference);
    m_fileReference = 0;
}

bool ZRResourceFork::addData(const QByteArray &data, platform::OSType type, qint16 id, const QString &name)
{
    if (!removeType(type, id))
        return false;
    const CurrentFileRestorer restorer;
    RM::useResFile(m_fileReference);
    if (RM::resError() != platform::noErr)
        return false;
    RM::addResource(data, type, id, name.isNull() ? QByteArray() : pascalBytes(name).value_or(QByteArray()));
    // The result of the addition itself: restoring the current file resets resError().
    return RM::resError() == platform::noErr;
}

bool ZRResourceFork::addData(const QByteArray &data, platform::OSType type, const QString &name)
{
    if (name.isNull())
        platform::log(QStringLiteral("Adding a resource without specifying the name of id."));
    qint16 id = 0;
    {
        const CurrentFileRestorer restorer;
        RM::useResFile(m_fileReference);
        if (RM::resError() != platform::noErr)
            return false;
        id = RM::unique1ID(type);
    }
    return addData(data, type, id, name);
}

std::optional<QByteArray> ZRResourceFork::dataForType(platform::OSType type, qint16 id) const
{
    std::optional<QByteArray> data;
    return vl::operateOnResourceUsingFunction(m_fileReference, type, QString(), id, getDataFunction, &data)
               ? data
               : std::nullopt;
}

std::optional<QByteArray> ZRResourceFork::dataForType(platform::OSType type, const QString &name) const
{
    std::optional<QByteArray> data;
    const QString lookup = name.isNull() ? QStringLiteral("") : name;
    return vl::operateOnResourceUsingFunction(m_fileReference, type, lookup, 0, getDataFunction, &data) ? data
                                                                                                        : std::nullopt;
}

bool ZRResourceFork::removeType(platform::OSType type, qint16 id)
{
    return vl::operateOnResourceUsingFunction(m_fileReference, type, QString(), id, removeResourceFunction, nullptr);
}

std::optional<QString> ZRResourceFork::nameOfResourceType(platform::OSType type, qint16 id) const
{
    std::optional<QString> name;
    return vl::operateOnResourceUsingFunction(m_fileReference, type, QString(), id, getNameFunction, &name)
               ? name
               : std::nullopt;
}

bool ZRResourceFork::getId(qint16 *id, platform::OSType type, const QString &name) const
{
    qint16 found = 0;
    const QString lookup = name.isNull() ? QStringLiteral("") : name;
    if (!vl::operateOnResourceUsingFunction(m_fileReference, type, lookup, 0, getIdFunction, &found))
        return false;
    if (id)
        *id = found;
    return true;
}

bool ZRResourceFork::getAttributeFlags(qint16 *flags, platform::OSType type, qint16 id) const
{
    qint16 found = 0;
    if (!vl::operateOnResourceUsingFunction(m_fileReference, type, QString(), id, getAttributesFunction, &found))
        return false;
    if (flags)
        *flags = found;
    return true;
}

bool ZRResourceFork::setAttributeFlags(qint16 flags, platform::OSType type, qint16 id)
{
    platform::log(QStringLiteral("WARRING: Currently the setAttributeFlags:forResourceType:Id: does not work"));
    return vl::operateOnResourceUsingFunction(m_fileReference, type, QString(), id, setAttributesFunction, &flags);
}

std::optional<QByteArray> ZRResourceFork::dataForEntireResourceFork() const
{
    qint64 size = 0;
    if (RM::getForkSize(m_fileReference, &size) != platform::noErr || size > qint64(0xFFFFFFFF))
        return std::nullopt;
    QByteArray bytes;
    if (RM::readFork(m_fileReference, &bytes) != platform::noErr || bytes.size() < size)
        return std::nullopt;
    return bytes;
}

bool ZRResourceFork::writeEntireResourceFork(const QByteArray &data)
{
    return !data.isEmpty() && RM::writeFork(m_fileReference, data) == platform::noErr;
}
