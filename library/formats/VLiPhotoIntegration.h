#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

/// Reads the album index that the photo application keeps in its library folder
/// ("AlbumData.xml", a property list) and answers questions about it. It only reads; the
/// whole file is loaded once, when the reader is made. A missing, unreadable or malformed
/// file gives a reader whose queries answer none or empty, and nothing is logged.
///
/// Image records are dictionaries with one-letter keys: "f" the image's "ImagePath", "h" its
/// "ThumbPath", "t" its "Caption" (empty when it has none) and, in buildClipArtArray() only,
/// "c" the name of an album holding it. Albums without a string "AlbumName" and images
/// without a string "ImagePath" or "ThumbPath" are skipped: a record without them would be of
/// no use to a caller.
class VLiPhotoIntegration
{
public:
    /// Loads the file at albumDataPath().
    VLiPhotoIntegration();
    /// Reads `albumData`, the album file's root dictionary as already loaded.
    explicit VLiPhotoIntegration(QVariantMap albumData);

    /// The album file: the folder named by the non-empty string "RootDirectory" of the photo
    /// application's preferences domain "com.apple.iPhoto" (a leading tilde expanded), else
    /// "Pictures/iPhoto Library" in the home folder, followed by "AlbumData.xml".
    static QString albumDataPath();

    /// The name of each album, in the order of "List of Albums".
    QStringList buildAlbumNameArray() const;

    /// The "KeyList" (image keys) of the first album named exactly `albumName`; none when no
    /// album has that name or it has no key list.
    std::optional<QVariantList> albumKeyListArray(const QString &albumName) const;

    /// The record ("f", "h", "t") of the image `imageKey` of "Master Image List"; none when
    /// the key is unknown or the image is skipped.
    std::optional<QVariantMap> getImageDictionary(const QString &imageKey) const;

    /// A record ("f", "h", "t", "c") for every image of "Master Image List", in key order. "c"
    /// is figureAlbum() over "List of Albums", left out when that gives none.
    QList<QVariantMap> buildClipArtArray() const;

    /// The name of an album of `albumArray` that holds `imageKey`: the first album after the
    /// first with a name whose "KeyList" holds the key, else the first album's name (in the
    /// album file, the first album holds the whole library). None for an empty array.
    static std::optional<QString> figureAlbum(const QString &imageKey, const QVariantList &albumArray);

private:
    QVariantMap _xmlDictionary;
};
