// The album reader over album files in the sandbox's home folder, found as the photo
// application's preferences say, and over the corpus of real album files.

#include "VLiPhotoIntegration.h"

#include "TestSupport.h"

#include "platform/plist/PropertyList.h"
#include "platform/plist/UserDefaults.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using corvane::test::writeFile;

namespace {

void setRootDirectory(const QVariant &root)
{
    platform::UserDefaults preferences(QStringLiteral("com.apple.iPhoto"));
    ASSERT_TRUE(root.isValid() ? preferences.setObject(root, QStringLiteral("RootDirectory"))
                               : preferences.removePersistentDomainForName(preferences.applicationDomain()));
}

QVariantMap album(const QString &name, const QString &keys)
{
    QVariantMap album{{QStringLiteral("KeyList"), QVariant(keys.split(u',')).toList()}};
    if (!name.isEmpty())
        album.insert(QStringLiteral("AlbumName"), name);
    return album;
}

// "f", "h", "t" from the fields of `paths` ("image|thumb|caption"), then "c" when given.
QVariantMap record(const QString &paths, const QString &albumName = {})
{
    const QStringList fields = paths.split(u'|');
    QVariantMap record{
        {QStringLiteral("f"), fields[0]}, {QStringLiteral("h"), fields[1]}, {QStringLiteral("t"), fields[2]}};
    if (!albumName.isEmpty())
        record.insert(QStringLiteral("c"), albumName);
    return record;
}

// "1" only in the first album, "2" in two later ones, "3" in an album without a name and
// then a named one, "4" without a caption, "5" without a thumbnail.
QVariantMap sampleAlbumData()
{
    const QVariantList albums = {
        album(QStringLiteral("Library"), QStringLiteral("1,2,3,4")),
        album(QStringLiteral("Trips"), QStringLiteral("2")),
        album(QString(), QStringLiteral("3")),
        album(QStringLiteral("Family"), QStringLiteral("2,3")),
        QVariantMap{{QStringLiteral("AlbumName"), QStringLiteral("No keys")}},
        album(QStringLiteral("trips"), QStringLiteral("4")),
        QStringLiteral("not an album"),
    };
    QVariantMap images{{QStringLiteral("6"), QStringLiteral("not an image")}};
    for (const QString &key : QStringLiteral("1,2,3,4,5").split(u',')) {
        QVariantMap image{{QStringLiteral("ImagePath"), QStringLiteral("/p/%1.jpg").arg(key)},
                          {QStringLiteral("ThumbPath"), QStringLiteral("/t/%1.jpg").arg(key)},
                          {QStringLiteral("Caption"), QStringLiteral("c%1").arg(key)}};
        image.remove(key == u"4" ? QStringLiteral("Caption") : key == u"5" ? QStringLiteral("ThumbPath") : QString());
        images.insert(key, image);
    }
    return {{QStringLiteral("List of Albums"), albums}, {QStringLiteral("Master Image List"), images}};
}

TEST(VLiPhotoIntegrationTest, findsTheAlbumFileAsThePreferencesSay)
{
    setRootDirectory(QVariant());
    const VLiPhotoIntegration none;
    EXPECT_TRUE(none.buildAlbumNameArray().isEmpty() && none.buildClipArtArray().isEmpty());
    EXPECT_FALSE(none.getImageDictionary(QStringLiteral("1")) || none.albumKeyListArray(QStringLiteral("Library")));

    const QByteArray bytes = platform::writePropertyList(sampleAlbumData(), platform::PropertyListFormat::Xml).bytes;
    const QString home = QDir::homePath();
    const QString defaultPath = home + QLatin1String("/Pictures/iPhoto Library/AlbumData.xml");
    writeFile(defaultPath, bytes);
    writeFile(home + QLatin1String("/Photos/Lib/AlbumData.xml"), bytes);
    const std::pair<QVariant, QString> rows[] = {
        {QVariant(), defaultPath},
        {QString(QLatin1String("")), defaultPath},
        {7, defaultPath},
        {QStringLiteral("~/Photos/Lib/"), home + QLatin1String("/Photos/Lib/AlbumData.xml")},
    };
    for (const auto &[root, expected] : rows) {
        setRootDirectory(root);
        EXPECT_EQ(VLiPhotoIntegration::albumDataPath(), expected) << root.toString().toStdString();
        EXPECT_EQ(VLiPhotoIntegration().buildAlbumNameArray().size(), 5) << root.toString().toStdString();
    }
    setRootDirectory(QVariant());
}

TEST(VLiPhotoIntegrationTest, answersAlbumAndImageQueries)
{
    const VLiPhotoIntegration reader(sampleAlbumData());
    EXPECT_EQ(reader.buildAlbumNameArray(), QStringLiteral("Library,Trips,Family,No keys,trips").split(u','));
    EXPECT_EQ(reader.albumKeyListArray(QStringLiteral("trips")), QVariantList{QStringLiteral("4")}) << "case-sensitive";
    EXPECT_FALSE(reader.albumKeyListArray(QStringLiteral("No keys"))
                 || reader.albumKeyListArray(QStringLiteral("Nowhere")));
    EXPECT_EQ(reader.getImageDictionary(QStringLiteral("4")), record(QStringLiteral("/p/4.jpg|/t/4.jpg|")));
    for (const char *skipped : {"5", "6", "7"})
        EXPECT_FALSE(reader.getImageDictionary(QString::fromLatin1(skipped))) << skipped;

    const QList<QVariantMap> expected = {
        record(QStringLiteral("/p/1.jpg|/t/1.jpg|c1"), QStringLiteral("Library")), // the first album's: the fallback
        record(QStringLiteral("/p/2.jpg|/t/2.jpg|c2"), QStringLiteral("Trips")), // the earlier of two later albums
        record(QStringLiteral("/p/3.jpg|/t/3.jpg|c3"), QStringLiteral("Family")), // past the album without a name
        record(QStringLiteral("/p/4.jpg|/t/4.jpg|"), QStringLiteral("trips")),
    };
    EXPECT_EQ(reader.buildClipArtArray(), expected);

    // No album at all: no name to give.
    EXPECT_FALSE(VLiPhotoIntegration::figureAlbum(QStringLiteral("1"), {}));
    const QVariantMap images{
        {QStringLiteral("Master Image List"), sampleAlbumData().value(QStringLiteral("Master Image List"))}};
    EXPECT_EQ(VLiPhotoIntegration(images).buildClipArtArray().first(), record(QStringLiteral("/p/1.jpg|/t/1.jpg|c1")));
}

// Each corpus file copied as AlbumData.xml into a library folder of the sandbox.
TEST(VLiPhotoIntegrationTest, readsEveryCorpusFileWithItsCounts)
{
    CORVANE_REQUIRE_CORPUS(corpus, "album");
    const auto index = corvane::test::readFile(corpus + QLatin1String("/INDEX.tsv"));
    ASSERT_TRUE(index);
    const QList<QByteArray> lines = index->trimmed().split('\n');
    const QList<QByteArray> header = lines.first().split('\t');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        const auto count = [&](const char *column) {
            return fields.value(header.indexOf(column)).toInt();
        }; // "none" is 0
        const std::string name = fields[0].toStdString();
        const auto bytes = corvane::test::readFile(corpus + QLatin1Char('/') + QString::fromStdString(name));
        ASSERT_TRUE(bytes) << name;
        QTemporaryDir library(QDir::homePath() + QLatin1String("/Library.XXXXXX"));
        writeFile(library.filePath(QStringLiteral("AlbumData.xml")), *bytes);
        setRootDirectory(library.path());

        const VLiPhotoIntegration reader;
        const QStringList names = reader.buildAlbumNameArray();
        EXPECT_EQ(names.size(), count("album_count")) << name;
        EXPECT_EQ(reader.buildClipArtArray().size(), count("image_count")) << name;
        EXPECT_EQ(std::count_if(names.cbegin(), names.cend(),
                                [&](const QString &n) { return bool(reader.albumKeyListArray(n)); }),
                  count("albums_with_KeyList"))
            << name;
        if (name == "patsplat-plist__AlbumData.xml") {
            const QString folder = QStringLiteral("/Users/username/Pictures/iPhoto Library/2006/01/07/");
            EXPECT_EQ(reader.buildClipArtArray().value(0),
                      record(folder + QLatin1String("fallow_keep.png.450x450.2005-12-04.jpg|") + folder
                                 + QLatin1String("Thumbs/7.jpg|fallow_keep.png.450x450.2005-12-04"),
                             QStringLiteral("Last Roll")));
        }
    }
    setRootDirectory(QVariant());
}

} // namespace
