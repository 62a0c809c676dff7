#include "DictionaryEncrypted.h"

#include "Encrypted_p.h"

namespace vl {

bool writeToFileEncrypted(const QVariantMap &dictionary, const QString &path, bool atomically, const char *password)
{
    return encrypted::writePropertyList(dictionary, path, atomically, password);
}

QVariant dictionaryWithContentsOfEncryptedFile(const QString &path, const char *password)
{
    return encrypted::readPropertyList(path, password);
}

} // namespace vl
