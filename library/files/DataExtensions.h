#pragma once

#include "platform/files/FourCharCode.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUrl>

#include <optional>

/// One-call reading and writing of a single resource of a file's resource fork
/// (see ZRResourceFork): each opens the fork, does its one thing and closes it.
namespace vl {

/// The resource's data; none when the fork cannot be opened or has no such resource.
std::optional<QByteArray> dataWithResourceForkContentsOfURL(const QUrl &url, platform::OSType type, qint16 id);
std::optional<QByteArray> dataWithResourceForkContentsOfFile(const QString &path, platform::OSType type, qint16 id);
std::optional<QByteArray> dataWithResourceForkContentsOfURL(const QUrl &url, platform::OSType type,
                                                            const QString &name);
std::optional<QByteArray> dataWithResourceForkContentsOfFile(const QString &path, platform::OSType type,
                                                             const QString &name);

/// Adds `data` as that resource (replacing one of the same type and ID) and
/// closes the fork: whether it was added. False when the fork cannot be opened
/// for writing.
bool writeToResourceForkURL(const QByteArray &data, const QUrl &url, platform::OSType type, qint16 id,
                            const QString &name);
bool writeToResourceForkFile(const QByteArray &data, const QString &path, platform::OSType type, qint16 id,
                             const QString &name);

/// The byte at `index`; REQUIRES: 0 <= index < size.
inline quint8 byteAtIndex(const QByteArray &data, qsizetype index)
{
    return quint8(data.at(index));
}
/// A new data object with `bytes` appended.
QByteArray dataByAppendingBytes(const QByteArray &data, QByteArrayView bytes);
/// The bytes as upper-case hexadecimal digits, two a byte: 1 and 171 give "01AB";
/// the empty string for empty data.
QString hexString(const QByteArray &data);
/// Appends one byte.
void appendByte(QByteArray &data, quint8 byte);
/// Removes `length` bytes from `location`, clamped to the data.
void deleteBytesInRange(QByteArray &data, qsizetype location, qsizetype length);

} // namespace vl
