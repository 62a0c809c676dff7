#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

/// Password-encrypted data. A password is the bytes of `password` up to its NUL, used as
/// they are (the same text in two encodings is two passwords); a null password fails. The
/// key comes from it through PBKDF2 (HMAC-SHA1, the fixed salt "fernGlow", 1000
/// iterations); the cipher is AES in CBC with PKCS#7 padding under a fixed vector, so n
/// bytes give 16 × (floor(n / 16) + 1) and equal input gives equal output. Nothing else is
/// stored with the ciphertext. Every failure answers none or false, without a message.
namespace vl {

/// `data` encrypted with a 128-bit key, or with a 256-bit one when `useMaxKeySize` is true.
std::optional<QByteArray> encrypt(QByteArrayView data, const char *password, bool useMaxKeySize = false);

/// The reverse of encrypt(), with the same key size. A wrong password mostly fails the
/// padding check (none), and otherwise gives wrong bytes.
std::optional<QByteArray> decrypt(QByteArrayView data, const char *password, bool useMaxKeySize = false);

/// Writes `data` encrypted (128-bit key) to `path`; with `atomically`, through a temporary
/// file that replaces the old one only once complete.
bool writeToFileEncrypted(const QByteArray &data, const QString &path, bool atomically, const char *password);

/// The decrypted contents of a file that writeToFileEncrypted() wrote.
std::optional<QByteArray> dataWithContentsOfEncryptedFile(const QString &path, const char *password);

} // namespace vl
