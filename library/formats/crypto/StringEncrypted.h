#pragma once

#include "StringEncoding.h"

#include <QString>

#include <optional>

/// Password-encrypted strings: the string's bytes in a given encoding, encrypted as
/// DataEncrypted.h describes. Failures answer none or false, without a message.
namespace vl {

/// Writes `string` in `encoding`, encrypted, to `path`. False when a character has no form
/// in the encoding (nothing is converted with loss) or when encrypting or writing fails.
bool writeToFileEncrypted(const QString &string, const QString &path, bool atomically, StringEncoding encoding,
                          const char *password);

/// The string in a file that writeToFileEncrypted() wrote; none when the file cannot be
/// read or decrypted, or when its bytes are not valid in `encoding`.
std::optional<QString> stringWithContentsOfEncryptedFile(const QString &path, StringEncoding encoding, const char *password);

} // namespace vl
