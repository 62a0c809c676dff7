// Album files: any bytes read as a property list go to the album reader, which must answer
// every query without a crash, and give records that hold the paths of an image it has.

#include "VLiPhotoIntegration.h"

#include "platform/plist/PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto read = platform::readPropertyList(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QVariantMap albumData = read.value.toMap();
    const VLiPhotoIntegration reader(albumData);
    const QStringList names = reader.buildAlbumNameArray();
    for (const QString &name : names)
        reader.albumKeyListArray(name);
    const QVariantList albums = albumData.value(QStringLiteral("List of Albums")).toList();
    const QList<QVariantMap> records = reader.buildClipArtArray();
    for (const QString &key : albumData.value(QStringLiteral("Master Image List")).toMap().keys()) {
        const auto image = reader.getImageDictionary(key);
        const auto album = VLiPhotoIntegration::figureAlbum(key, albums);
        if (image && (!image->contains(QStringLiteral("f")) || !image->contains(QStringLiteral("h"))))
            std::abort();
        if (album && !names.contains(*album))
            std::abort();
    }
    if (records.size() > albumData.value(QStringLiteral("Master Image List")).toMap().size())
        std::abort();
    return 0;
}
