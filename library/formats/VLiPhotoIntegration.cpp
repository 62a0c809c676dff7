#include "VLiPhotoIntegration.h"

#include "StringExtensions_p.h"

#include "platform/plist/PropertyList.h"
#include "platform/plist/UserDefaults.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

const QString photoApplicationDomain = QStringLiteral("com.apple.iPhoto");

// A string value under `key`; none when absent or of another kind.
std::optional<QString> stringValue(const QVariantMap &dictionary, const QString &key)
{
    const QVariant value = dictionary.value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<QVariantList> keyList(const QVariantMap &album)
{
    const QVariant list = album.value(QStringLiteral("KeyList"));
    if (list.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    return list.toList();
}

bool holdsImage(const QVariantList &keys, const QString &imageKey)
{
    return std::any_of(keys.cbegin(), keys.cend(), [&](const QVariant &key) {
        return key.typeId() == QMetaType::QString && key.toString() == imageKey;
    });
}

QVariantMap readAlbumData(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return platform::readPropertyList(file.readAll()).value.toMap();
}

} // namespace

VLiPhotoIntegration::VLiPhotoIntegration()
    : VLiPhotoIntegration(readAlbumData(albumDataPath()))
{
}

VLiPhotoIntegration::VLiPhotoIntegration(QVariantMap albumData)
    : _xmlDictionary(std::move(albumData))
{
}

QString VLiPhotoIntegration::albumDataPath()
{
    const QString fileName = QStringLiteral("AlbumData.xml");
    const platform::UserDefaults preferences(photoApplicationDomain);
    const QVariant root = preferences.objectForKey(QStringLiteral("RootDirectory"));
    if (root.typeId() == QMetaType::QString && !root.toString().isEmpty())
        return vl::detail::expandTilde(QDir::cleanPath(root.toString() + QLatin1Char('/') + fileName));
    return QDir::homePath() + QLatin1String("/Pictures/iPhoto Library/") + fileName;
}

QStringList VLiPhotoIntegration::buildAlbumNameArray() const
{
    QStringList names;
    for (const QVariant &album : _xmlDictionary.value(QStringLiteral("List of Albums")).toList()) {
        // An album without a name has no place in a list of names.
        if (const auto name = stringValue(album.toMap(), QStringLiteral("AlbumName")))
            names.append(*name);
    }
    return names;
}

std::optional<QVariantList> VLiPhotoIntegration::albumKeyListArray(const QString &albumName) const
{
    for (const QVariant &entry : _xmlDictionary.value(QStringLiteral("List of Albums")).toList()) {
        const QVariantMap album = entry.toMap();
        if (stringValue(album, QStringLiteral("AlbumName")) == albumName)
            return keyList(album);
    }
    return std::nullopt;
}

std::optional<QVariantMap> VLiPhotoIntegration::getImageDictionary(const QString &imageKey) const
{
    const QVariantMap image = _xmlDictionary.value(QStringLiteral("Master Image List")).toMap().value(imageKey).toMap();
    const auto imagePath = stringValue(image, QStringLiteral("ImagePath"));
    const auto thumbPath = stringValue(image, QStringLiteral("ThumbPath"));
    // An image without its paths cannot be shown: it is skipped.
    if (!imagePath || !thumbPath)
        return std::nullopt;
    return QVariantMap{{QStringLiteral("f"), *imagePath},
                       {QStringLiteral("h"), *thumbPath},
                       {QStringLiteral("t"), stringValue(image, QStringLiteral("Caption")).value_or(QString())}};
}

QList<QVariantMap> VLiPhotoIntegration::buildClipArtArray() const
{
    const QVariantMap images = _xmlDictionary.value(QStringLiteral("Master Image List")).toMap();
    const QVariantList albums = _xmlDictionary.value(QStringLiteral("List of Albums")).toList();
    QList<QVariantMap> records;
    for (auto it = images.cbegin(); it != images.cend(); ++it) {
        auto record = getImageDictionary(it.key());
        if (!record)
            continue;
        // With no album at all there is no name to give; the record goes without one.
        if (const auto album = figureAlbum(it.key(), albums))
            record->insert(QStringLiteral("c"), *album);
        records.append(std::move(*record));
    }
    return records;
}

std::optional<QString> VLiPhotoIntegration::figureAlbum(const QString &imageKey, const QVariantList &albumArray)
{
    if (albumArray.isEmpty())
        return std::nullopt;
    const std::optional<QString> fallback = stringValue(albumArray.first().toMap(), QStringLiteral("AlbumName"));
    for (qsizetype i = 1; i < albumArray.size(); ++i) {
        const QVariantMap album = albumArray[i].toMap();
        const auto keys = keyList(album);
        if (!keys || !holdsImage(*keys, imageKey))
            continue;
        // An album without a name cannot answer; a later one may.
        if (const auto name = stringValue(album, QStringLiteral("AlbumName")))
            return name;
    }
    return fallback;
}
