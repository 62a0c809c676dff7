#include "DataExtensions.h"

#include "ZRResourceFork.h"

namespace vl {

namespace {

template<typename Key>
std::optional<QByteArray> readAndClose(std::unique_ptr<ZRResourceFork> fork, platform::OSType type, const Key &key)
{
    if (!fork)
        return std::nullopt;
    std::optional<QByteArray> data = fork->dataForType(type, key);
    fork->closeFile();
    return data;
}

bool addAndClose(std::unique_ptr<ZRResourceFork> fork, const QByteArray &data, platform::OSType type, qint16 id,
                 const QString &name)
{
    if (!fork)
        return false;
    const bool added = fork->addData(data, type, id, name);
    fork->closeFile();
    return added;
}

} // namespace

std::optional<QByteArray> dataWithResourceForkContentsOfURL(const QUrl &url, platform::OSType type, qint16 id)
{
    return readAndClose(ZRResourceFork::resourceForkForReadingAtURL(url), type, id);
}

std::optional<QByteArray> dataWithResourceForkContentsOfFile(const QString &path, platform::OSType type, qint16 id)
{
    return readAndClose(ZRResourceFork::resourceForkForReadingAtPath(path), type, id);
}

std::optional<QByteArray> dataWithResourceForkContentsOfURL(const QUrl &url, platform::OSType type, const QString &name)
{
    return readAndClose(ZRResourceFork::resourceForkForReadingAtURL(url), type, name);
}

std::optional<QByteArray> dataWithResourceForkContentsOfFile(const QString &path, platform::OSType type,
                                                             const QString &name)
{
    return readAndClose(ZRResourceFork::resourceForkForReadingAtPath(path), type, name);
}

bool writeToResourceForkURL(const QByteArray &data, const QUrl &url, platform::OSType type, qint16 id,
                            const QString &name)
{
    return addAndClose(ZRResourceFork::resourceForkForWritingAtURL(url), data, type, id, name);
}

bool writeToResourceForkFile(const QByteArray &data, const QString &path, platform::OSType type, qint16 id,
                             const QString &name)
{
    return addAndClose(ZRResourceFork::resourceForkForWritingAtPath(path), data, type, id, name);
}

} // namespace vl
