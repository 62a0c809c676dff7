#include "ZRResourceFork.h"

#include "DataExtensions.h"
#include "StringCarbonUtilities.h"

#include "platform/core/Log.h"
#include "platform/files/CompanionFile.h"
#include "platform/files/ResourceManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "ByteReading.h"
#include "TestIconTheme.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using platform::fourCharCode;
using platform::ResourceManager;

namespace {

QString touch(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    return QFileInfo(path).canonicalFilePath();
}

struct Folder
{
    QTemporaryDir dir;
    QString path = QFileInfo(dir.path()).canonicalFilePath();
    QString operator/(const char *name) const { return path + u'/' + QString::fromUtf8(name); }
};

// Log lines, for the messages the Part prescribes.
struct LogLines
{
    QStringList lines;
    platform::ScopedLogSink sink{[this](const platform::LogRecord &record) { lines << record.message; }};
};

// The fork as stored in the companion, walked by hand with the byte layout of
// the format (not with the project's parser): type → (id, name, data) of each.
struct StoredResource
{
    QByteArray type;
    qint16 id;
    QByteArray name;
    QByteArray data;
};

QList<StoredResource> storedResources(const QString &path)
{
    using namespace bytes;
    const QByteArray companion = *corvane::test::readFile(*platform::CompanionFile::pathFor(path));
    const quint16 entries = at<quint16>(companion, 24);
    const qint64 lastEntry = 26 + 12 * (entries - 1);
    EXPECT_EQ(at<quint32>(companion, lastEntry), 2u); // the resource fork comes last
    const QByteArray fork = companion.mid(at<quint32>(companion, lastEntry + 4), at<quint32>(companion, lastEntry + 8));
    const quint32 dataOffset = at<quint32>(fork, 0);
    const quint32 mapOffset = at<quint32>(fork, 4);
    const qint64 typeList = mapOffset + at<quint16>(fork, mapOffset + 24);
    const qint64 nameList = mapOffset + at<quint16>(fork, mapOffset + 26);
    QList<StoredResource> out;
    for (int t = 0; t <= qint16(at<quint16>(fork, typeList)); ++t) {
        const qint64 item = typeList + 2 + 8 * t;
        for (int r = 0; r <= at<quint16>(fork, item + 4); ++r) {
            const qint64 ref = typeList + at<quint16>(fork, item + 6) + 12 * r;
            const quint16 nameOffset = at<quint16>(fork, ref + 2);
            const qint64 data = dataOffset + (at<quint32>(fork, ref + 4) & 0xFFFFFF);
            const QByteArray name = nameOffset == 0xFFFF
                                        ? QByteArray()
                                        : fork.mid(nameList + nameOffset + 1, quint8(fork[nameList + nameOffset]));
            out.append(
                {fork.mid(item, 4), qint16(at<quint16>(fork, ref)), name, fork.mid(data + 4, at<quint32>(fork, data))});
        }
    }
    return out;
}

} // namespace

TEST(ZRResourceFork, AddingReplacesAndSurvivesCloseAndReopen)
{
    Folder tmp;
    const QString path = tmp / "doc";
    auto fork = ZRResourceFork::resourceForkForWritingAtPath(path);
    ASSERT_TRUE(fork);
    ASSERT_TRUE(fork->addData("old bytes", fourCharCode("TEXT"), 200, QStringLiteral("first")));
    ASSERT_TRUE(fork->addData("new", fourCharCode("TEXT"), 200, QStringLiteral("second")));
    EXPECT_EQ(fork->dataForType(fourCharCode("TEXT"), 200), "new");
    fork->closeFile();

    const QList<StoredResource> stored = storedResources(path);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].type, "TEXT");
    EXPECT_EQ(stored[0].id, 200);
    EXPECT_EQ(stored[0].name, "second");
    EXPECT_EQ(stored[0].data, "new");

    auto reopened = ZRResourceFork::resourceForkForReadingAtPath(path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->dataForType(fourCharCode("TEXT"), 200), "new");
    EXPECT_EQ(reopened->dataForType(fourCharCode("TEXT"), QStringLiteral("second")), "new");
    EXPECT_EQ(reopened->dataForType(fourCharCode("TEXT"), 201), std::nullopt);
    EXPECT_FALSE(reopened->addData("x", fourCharCode("TEXT"), 300, QStringLiteral("read-only")));
    reopened->closeFile();
}

TEST(ZRResourceFork, TheWholeForkAsBytes)
{
    Folder tmp;
    auto fork = ZRResourceFork::resourceForkForWritingAtPath(tmp / "whole");
    ASSERT_TRUE(fork);
    const std::optional<QByteArray> empty = fork->dataForEntireResourceFork();
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->size(), 286);
    EXPECT_FALSE(fork->writeEntireResourceFork(QByteArray()));
    EXPECT_EQ(fork->dataForEntireResourceFork(), empty); // nothing written

    CORVANE_REQUIRE_CORPUS(corpus, "macfiles/rsrc");
    const QByteArray strings = *corvane::test::readFile(corpus + QStringLiteral("/testfile.rsrc"));
    ASSERT_TRUE(fork->writeEntireResourceFork(strings));
    EXPECT_EQ(fork->dataForEntireResourceFork(), strings);
    EXPECT_EQ(fork->nameOfResourceType(fourCharCode("STR "), 129), QStringLiteral("The Name"));
    qint16 flags = 0;
    EXPECT_TRUE(fork->getAttributeFlags(&flags, fourCharCode("STR "), 130));
    EXPECT_EQ(flags, 0x0C);
    EXPECT_EQ(fork->dataForType(fourCharCode("STR "), 131)->size(), 42);
    fork->closeFile();
    EXPECT_EQ(storedResources(tmp / "whole").size(), 4); // closing wrote nothing over it
}

TEST(ZRResourceFork, IconFamiliesComeFromTheOwnIconThenTheTheme)
{
    Folder tmp;
    const TestIconTheme theme(tmp.path, {{"mimetypes", "text-x-generic", 16},
                                         {"places", "folder", 32},
                                         {"apps", "corvane-test-app", 32},
                                         {"apps", "corvane-test-app", 48}}); // no icns size: left out

    const auto elements = [](const std::optional<QByteArray> &icns) {
        QStringList types;
        if (!icns || !icns->startsWith("icns") || bytes::at<quint32>(*icns, 4) != quint32(icns->size()))
            return QStringList{QStringLiteral("not icns")};
        for (qint64 at0 = 8; at0 + 8 <= icns->size(); at0 += bytes::at<quint32>(*icns, at0 + 4)) {
            types << QString::fromLatin1(icns->mid(at0, 4));
            EXPECT_TRUE(icns->mid(at0 + 8, 4) == "\x89PNG");
        }
        return types;
    };
    const QString document = touch(tmp / "notes.unknownextension");
    EXPECT_EQ(elements(ZRResourceFork::iconFamilyDataForFile(document)), QStringList{QStringLiteral("icp4")});
    const QByteArray png = *corvane::test::readFile(tmp / "icons/CorvaneTest/16x16/mimetypes/text-x-generic.png");
    EXPECT_EQ(ZRResourceFork::iconFamilyDataForFile(document)->mid(16), png); // the PNG bytes unchanged
    EXPECT_EQ(elements(ZRResourceFork::iconFamilyDataForURL(QUrl::fromLocalFile(tmp / "icons"))),
              QStringList{QStringLiteral("icp5")});
    QFile entry(tmp / "app.desktop");
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=App\nExec=true\nIcon=corvane-test-app\n");
    entry.close();
    EXPECT_EQ(elements(ZRResourceFork::iconFamilyDataForFile(tmp / "app.desktop")),
              QStringList{QStringLiteral("icp5")});
    EXPECT_EQ(ZRResourceFork::iconFamilyDataForFile(tmp / "missing"), std::nullopt);

    // Its own icon first, when it has the flag and the resource.
    const QByteArray ownIcon("icns\0\0\0\x08", 8);
    ASSERT_TRUE(vl::writeToResourceForkFile(ownIcon, document, fourCharCode("icns"), -16455, QString()));
    EXPECT_EQ(elements(ZRResourceFork::iconFamilyDataForFile(document)), QStringList{QStringLiteral("icp4")});
    ASSERT_TRUE(vl::setHasCustomIconFinderInfoFlag(document, true));
    EXPECT_EQ(ZRResourceFork::iconFamilyDataForFile(document), ownIcon);
}
