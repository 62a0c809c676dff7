#pragma once

// What the four Encrypted families share: plain file transfer and the property-list form.

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace vl::encrypted {

/// Writes `bytes` to `path`, through a temporary file when `atomically`.
bool writeData(const QString &path, const QByteArray &bytes, bool atomically);

/// The whole of the file at `path`; none when it cannot be read.
std::optional<QByteArray> readData(const QString &path);

/// Writes `value` as an XML property list, encrypted.
bool writePropertyList(const QVariant &value, const QString &path, bool atomically, const char *password);

/// Decrypts the file and reads the property list in it, in any form and whatever its root.
QVariant readPropertyList(const QString &path, const char *password);

} // namespace vl::encrypted
