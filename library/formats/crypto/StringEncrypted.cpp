#include "StringEncrypted.h"

#include "DataEncrypted.h"

namespace vl {

bool writeToFileEncrypted(const QString &string, const QString &path, bool atomically, StringEncoding encoding,
                          const char *password)
{
    const std::optional<QByteArray> bytes = encodeString(string, encoding);
    return bytes && writeToFileEncrypted(*bytes, path, atomically, password);
}

std::optional<QString> stringWithContentsOfEncryptedFile(const QString &path, StringEncoding encoding, const char *password)
{
    const std::optional<QByteArray> bytes = dataWithContentsOfEncryptedFile(path, password);
    return bytes ? decodeString(*bytes, encoding) : std::nullopt;
}

} // namespace vl
