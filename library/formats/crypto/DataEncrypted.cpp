#include "DataEncrypted.h"

#include "Cdsa.h"
#include "Encrypted_p.h"
#include "platform/plist/PropertyList.h"

#include <QFile>
#include <QSaveFile>

namespace {

using Operation = CSSM_RETURN (*)(const CSSM_CSP_HANDLE &, const CSSM_KEY &, QByteArrayView, QByteArray &);

// One whole operation as the original ran it: attach, derive the key, run, release.
std::optional<QByteArray> crypt(QByteArrayView data, const char *password, bool useMaxKeySize, Operation operation)
{
    if (!password)
        return std::nullopt;
    CSSM_CSP_HANDLE module;
    if (cdsaCspAttach(module) != CSSM_OK)
        return std::nullopt;
    std::optional<QByteArray> result;
    CSSM_KEY key;
    if (cdsaDeriveKey(module, QByteArrayView(password), CSSM_ALGID_AES, useMaxKeySize ? 256 : 128, key) == CSSM_OK) {
        QByteArray output;
        if (operation(module, key, data, output) == CSSM_OK)
            result = std::move(output);
        cdsaFreeKey(module, key);
    }
    cdsaCspDetach(module);
    return result;
}

} // namespace

namespace vl {

std::optional<QByteArray> encrypt(QByteArrayView data, const char *password, bool useMaxKeySize)
{
    return crypt(data, password, useMaxKeySize, cdsaEncrypt);
}

std::optional<QByteArray> decrypt(QByteArrayView data, const char *password, bool useMaxKeySize)
{
    return crypt(data, password, useMaxKeySize, cdsaDecrypt);
}

bool writeToFileEncrypted(const QByteArray &data, const QString &path, bool atomically, const char *password)
{
    const std::optional<QByteArray> encrypted = encrypt(data, password);
    return encrypted && encrypted::writeData(path, *encrypted, atomically);
}

std::optional<QByteArray> dataWithContentsOfEncryptedFile(const QString &path, const char *password)
{
    const std::optional<QByteArray> bytes = encrypted::readData(path);
    return bytes ? decrypt(*bytes, password) : std::nullopt;
}

namespace encrypted {

bool writeData(const QString &path, const QByteArray &bytes, bool atomically)
{
    if (atomically) {
        QSaveFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

std::optional<QByteArray> readData(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool writePropertyList(const QVariant &value, const QString &path, bool atomically, const char *password)
{
    const platform::PropertyListWriteResult xml = platform::writePropertyList(value, platform::PropertyListFormat::Xml);
    return xml.ok() && writeToFileEncrypted(xml.bytes, path, atomically, password);
}

QVariant readPropertyList(const QString &path, const char *password)
{
    const std::optional<QByteArray> plain = dataWithContentsOfEncryptedFile(path, password);
    return plain ? platform::readPropertyList(*plain).value : QVariant();
}

} // namespace encrypted

} // namespace vl
