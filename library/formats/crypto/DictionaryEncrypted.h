#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

/// Password-encrypted dictionaries: an XML property list, encrypted as DataEncrypted.h
/// describes. Failures answer false or an invalid QVariant (none), without a message.
namespace vl {

/// Writes `dictionary` as an XML property list, encrypted, to `path`; false when a value
/// cannot be stored in a property list or encrypting or writing fails.
bool writeToFileEncrypted(const QVariantMap &dictionary, const QString &path, bool atomically, const char *password);

/// The property list in an encrypted file, read in any form (XML, binary or old-style
/// text) and returned whatever its root: a file holding an array answers the array.
QVariant dictionaryWithContentsOfEncryptedFile(const QString &path, const char *password);

} // namespace vl
