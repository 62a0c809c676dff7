#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

/// Password-encrypted arrays: an XML property list, encrypted as DataEncrypted.h describes.
/// Failures answer false or an invalid QVariant (none), without a message.
namespace vl {

/// Writes `array` as an XML property list, encrypted, to `path`; false when a value cannot
/// be stored in a property list or encrypting or writing fails.
bool writeToFileEncrypted(const QVariantList &array, const QString &path, bool atomically, const char *password);

/// The property list in an encrypted file, read in any form (XML, binary or old-style
/// text) and returned whatever its root: a file holding a dictionary answers the dictionary.
QVariant arrayWithContentsOfEncryptedFile(const QString &path, const char *password);

} // namespace vl
