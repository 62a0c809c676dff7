// The album reader over album files in the sandbox's home folder, found as the photo
// application's preferences say, and over the corpus of real album files.

#include "VLiPhotoIntegration.h"

#include "TestSupport.h"

#include "platform/plist/PropertyList.h"
#include "platform/plist/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString iPhotoDomain = QStringLiteral("com.apple.iPhoto");

void setRootDirectory(const QVariant &root)
{
    platform::UserDefaults preferences(iPhotoDomain);
    if (root.isValid())
        ASSERT_TRUE(preferences.setObject(root, QStringLiteral("RootDirectory")));
    else
        ASSERT_TRUE(preferences.removePersistentDomainForName(iPhotoDomain));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QVariantMap album(const QString &name, const QStringList &keys)
{
    QVariantMap album{{QStringLiteral("KeyList"), QVariant(keys).toList()}};
    if (!name.isNull())
        album.insert(QStringLiteral("AlbumName"), name);
    return album;
}

QVariantMap image(const char *imagePath, const char *thumbPath, const char *caption)
{
    QVariantMap image;
    if (imagePath)
        image.insert(QStringLiteral("ImagePath"), QString::fromUtf8(imagePath));
    if (thumbPath)
        image.insert(QStringLiteral("ThumbPath"), QString::fromUtf8(thumbPath));
    if (caption)
        image.insert(QStringLiteral("Caption"), QString::fromUtf8(caption));
    return image;
}

// A library of five images: "1" only in the first album, "2" in two later albums, "3" in an
// album without a name and then a named one, "4" without a caption, "5" without a thumbnail.
QVariantMap sampleAlbumData()
{
    const QVariantList albums = {
        album(QStringLiteral("Library"),
              {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}),
        album(QStringLiteral("Trips"), {QStringLiteral("2")}),
        album(QString(), {QStringLiteral("3")}),
        album(QStringLiteral("Family"), {QStringLiteral("2"), QStringLiteral("3")}),
        QVariantMap{{QStringLiteral("AlbumName"), QStringLiteral("No keys")}},
        album(QStringLiteral("trips"), {QStringLiteral("4")}),
        QStringLiteral("not an album"),
    };
    const QVariantMap images = {
        {QStringLiteral("1"), image("/p/1.jpg", "/p/t/1.jpg", "one")},
        {QStringLiteral("2"), image("/p/2.jpg", "/p/t/2.jpg", "two")},
        {QStringLiteral("3"), image("/p/3.jpg", "/p/t/3.jpg", "three")},
        {QStringLiteral("4"), image("/p/4.jpg", "/p/t/4.jpg", nullptr)},
        {QStringLiteral("5"), image("/p/5.jpg", nullptr, "five")},
        {QStringLiteral("6"), QStringLiteral("not an image")},
    };
    return {{QStringLiteral("List of Albums"), albums}, {QStringLiteral("Master Image List"), images}};
}

QVariantMap record(const char *f, const char *h, const char *t, const char *c = nullptr)
{
    QVariantMap record{{QStringLiteral("f"), QString::fromUtf8(f)},
                       {QStringLiteral("h"), QString::fromUtf8(h)},
                       {QStringLiteral("t"), QString::fromUtf8(t)}};
    if (c)
        record.insert(QStringLiteral("c"), QString::fromUtf8(c));
    return record;
}

TEST(VLiPhotoIntegrationTest, answersNothingWithoutAnAlbumFile)
{
    setRootDirectory(QVariant());
    const VLiPhotoIntegration reader;
    EXPECT_TRUE(reader.buildAlbumNameArray().isEmpty());
    EXPECT_TRUE(reader.buildClipArtArray().isEmpty());
    EXPECT_FALSE(reader.getImageDictionary(QStringLiteral("1")));
    EXPECT_FALSE(reader.albumKeyListArray(QStringLiteral("Library")));
}

TEST(VLiPhotoIntegrationTest, findsTheAlbumFileAsThePreferencesSay)
{
    const QByteArray bytes = platform::writePropertyList(sampleAlbumData(), platform::PropertyListFormat::Xml).bytes;
    const QString home = QDir::homePath();
    writeFile(home + QLatin1String("/Pictures/iPhoto Library/AlbumData.xml"), bytes);
    writeFile(home + QLatin1String("/Photos/Lib/AlbumData.xml"), bytes);
    struct Row
    {
        const char *name;
        QVariant root;
        QString expected;
    };
    const Row rows[] = {
        {"no preferences", QVariant(), home + QLatin1String("/Pictures/iPhoto Library/AlbumData.xml")},
        {"empty root", QString(QLatin1String("")), home + QLatin1String("/Pictures/iPhoto Library/AlbumData.xml")},
        {"root not a string", 7, home + QLatin1String("/Pictures/iPhoto Library/AlbumData.xml")},
        {"tilde", QStringLiteral("~/Photos/Lib"), home + QLatin1String("/Photos/Lib/AlbumData.xml")},
        {"trailing slash", QStringLiteral("~/Photos/Lib/"), home + QLatin1String("/Photos/Lib/AlbumData.xml")},
        {"absolute", home + QLatin1String("/Photos/Lib"), home + QLatin1String("/Photos/Lib/AlbumData.xml")},
    };
    for (const Row &row : rows) {
        setRootDirectory(row.root);
        EXPECT_EQ(VLiPhotoIntegration::albumDataPath(), row.expected) << row.name;
        EXPECT_EQ(VLiPhotoIntegration().buildAlbumNameArray().size(), 5) << row.name;
    }
    setRootDirectory(QStringLiteral("~/Elsewhere"));
    EXPECT_TRUE(VLiPhotoIntegration().buildAlbumNameArray().isEmpty());
    setRootDirectory(QVariant());
}

TEST(VLiPhotoIntegrationTest, answersAlbumAndImageQueries)
{
    const VLiPhotoIntegration reader(sampleAlbumData());
    EXPECT_EQ(reader.buildAlbumNameArray(),
              (QStringList{QStringLiteral("Library"), QStringLiteral("Trips"), QStringLiteral("Family"),
                           QStringLiteral("No keys"), QStringLiteral("trips")}));

    EXPECT_EQ(reader.albumKeyListArray(QStringLiteral("Trips")), QVariantList{QStringLiteral("2")});
    EXPECT_EQ(reader.albumKeyListArray(QStringLiteral("trips")), QVariantList{QStringLiteral("4")}) << "case-sensitive";
    EXPECT_FALSE(reader.albumKeyListArray(QStringLiteral("No keys")));
    EXPECT_FALSE(reader.albumKeyListArray(QStringLiteral("Nowhere")));

    EXPECT_EQ(reader.getImageDictionary(QStringLiteral("1")), record("/p/1.jpg", "/p/t/1.jpg", "one"));
    EXPECT_EQ(reader.getImageDictionary(QStringLiteral("4")), record("/p/4.jpg", "/p/t/4.jpg", ""));
    EXPECT_FALSE(reader.getImageDictionary(QStringLiteral("5"))) << "no thumbnail";
    EXPECT_FALSE(reader.getImageDictionary(QStringLiteral("6")));
    EXPECT_FALSE(reader.getImageDictionary(QStringLiteral("7")));

    const QList<QVariantMap> expected = {
        record("/p/1.jpg", "/p/t/1.jpg", "one", "Library"), // only in the first album
        record("/p/2.jpg", "/p/t/2.jpg", "two", "Trips"), // the earlier of two later albums
        record("/p/3.jpg", "/p/t/3.jpg", "three", "Family"), // past the album without a name
        record("/p/4.jpg", "/p/t/4.jpg", "", "trips"),
    };
    EXPECT_EQ(reader.buildClipArtArray(), expected);
}

TEST(VLiPhotoIntegrationTest, figuresTheAlbumOfAnImage)
{
    const QVariantList albums = sampleAlbumData().value(QStringLiteral("List of Albums")).toList();
    EXPECT_EQ(VLiPhotoIntegration::figureAlbum(QStringLiteral("2"), albums), QStringLiteral("Trips"));
    EXPECT_EQ(VLiPhotoIntegration::figureAlbum(QStringLiteral("9"), albums), QStringLiteral("Library"));
    EXPECT_EQ(VLiPhotoIntegration::figureAlbum(QStringLiteral("1"), albums.mid(0, 1)), QStringLiteral("Library"));
    EXPECT_FALSE(VLiPhotoIntegration::figureAlbum(QStringLiteral("1"), {}));
    EXPECT_FALSE(VLiPhotoIntegration::figureAlbum(QStringLiteral("3"), albums.mid(2, 1))) << "first album has no name";

    // Without albums the records carry no album name.
    QVariantMap data = sampleAlbumData();
    data.remove(QStringLiteral("List of Albums"));
    const QList<QVariantMap> records = VLiPhotoIntegration(data).buildClipArtArray();
    ASSERT_EQ(records.size(), 4);
    EXPECT_EQ(records.first(), record("/p/1.jpg", "/p/t/1.jpg", "one"));
}

// Each corpus file copied as AlbumData.xml into a library folder of the sandbox.
TEST(VLiPhotoIntegrationTest, readsEveryCorpusFileWithItsCounts)
{
    CORVANE_REQUIRE_CORPUS(corpus, "album");
    const auto index = corvane::test::readFile(corpus + QLatin1String("/INDEX.tsv"));
    ASSERT_TRUE(index);
    const QList<QByteArray> lines = index->trimmed().split('\n');
    const QList<QByteArray> header = lines.first().split('\t');
    const auto column = [&](const char *name) { return header.indexOf(QByteArray(name)); };
    ASSERT_GE(column("image_count"), 0);
    int files = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        const QString name = QString::fromUtf8(fields[column("file")]);
        const auto bytes = corvane::test::readFile(corpus + QLatin1Char('/') + name);
        ASSERT_TRUE(bytes) << name.toStdString();
        QTemporaryDir library(QDir::homePath() + QLatin1String("/Library.XXXXXX"));
        writeFile(library.filePath(QStringLiteral("AlbumData.xml")), *bytes);
        setRootDirectory(library.path());

        const VLiPhotoIntegration reader;
        const QStringList names = reader.buildAlbumNameArray();
        EXPECT_EQ(names.size(), fields[column("album_count")].toInt()) << name.toStdString();
        // "none (no Master Image List)" reads as 0.
        EXPECT_EQ(reader.buildClipArtArray().size(), fields[column("image_count")].toInt()) << name.toStdString();
        const auto withKeyList = std::count_if(
            names.cbegin(), names.cend(), [&](const QString &n) { return reader.albumKeyListArray(n).has_value(); });
        EXPECT_EQ(withKeyList, fields[column("albums_with_KeyList")].toInt()) << name.toStdString();
        ++files;
    }
    EXPECT_GT(files, 0);
    setRootDirectory(QVariant());
}

TEST(VLiPhotoIntegrationTest, readsTheImageOfARealAlbumFile)
{
    CORVANE_REQUIRE_CORPUS(corpus, "album");
    const auto bytes = corvane::test::readFile(corpus + QLatin1String("/patsplat-plist__AlbumData.xml"));
    ASSERT_TRUE(bytes);
    const VLiPhotoIntegration reader(platform::readPropertyList(*bytes).value.toMap());
    const char *folder = "/Users/username/Pictures/iPhoto Library/2006/01/07/";
    const QVariantMap expected = record((folder + std::string("fallow_keep.png.450x450.2005-12-04.jpg")).c_str(),
                                        (folder + std::string("Thumbs/7.jpg")).c_str(),
                                        "fallow_keep.png.450x450.2005-12-04", "Last Roll");
    EXPECT_EQ(reader.buildClipArtArray(), QList<QVariantMap>{expected});
    EXPECT_EQ(reader.albumKeyListArray(QStringLiteral("An Album")), QVariantList{QStringLiteral("7")});
}

} // namespace
