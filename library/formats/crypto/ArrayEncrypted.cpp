#include "ArrayEncrypted.h"

#include "Encrypted_p.h"

namespace vl {

bool writeToFileEncrypted(const QVariantList &array, const QString &path, bool atomically, const char *password)
{
    return encrypted::writePropertyList(array, path, atomically, password);
}

QVariant arrayWithContentsOfEncryptedFile(const QString &path, const char *password)
{
    return encrypted::readPropertyList(path, password);
}

} // namespace vl
