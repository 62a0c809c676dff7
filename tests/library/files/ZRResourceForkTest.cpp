#include "ZRResourceFork.h"

#include "DataExtensions.h"
#include "StringCarbonUtilities.h"

#include "platform/files/CompanionFile.h"
#include "platform/files/ResourceMap.h"

#include "ByteReading.h"
#include "TestIconTheme.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using platform::fourCharCode;

using Folder = corvane::test::TemporaryFolder;

namespace {

// The fork as stored in the companion file, read with the platform's reader
// (which the platform tests hold to real forks and to the byte layout).
QList<std::shared_ptr<platform::Resource>> storedResources(const QString &path)
{
    const auto companion = platform::CompanionFile::read(path);
    const auto fork = companion && companion->resourceFork() ? platform::ResourceMap::parse(*companion->resourceFork())
                                                             : std::nullopt;
    return fork ? fork->resources() : QList<std::shared_ptr<platform::Resource>>();
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

    const auto stored = storedResources(path);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0]->type, fourCharCode("TEXT"));
    EXPECT_EQ(stored[0]->id, 200);
    EXPECT_EQ(stored[0]->name, "second");
    EXPECT_EQ(stored[0]->data, "new");

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
    const QByteArray strings = corvane::test::fileBytes(corpus, "testfile.rsrc");
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
    const QString document = corvane::test::writeFile(tmp / "notes.unknownextension");
    EXPECT_EQ(elements(ZRResourceFork::iconFamilyDataForFile(document)), QStringList{QStringLiteral("icp4")});
    const QByteArray png = corvane::test::fileBytes(tmp / "icons/CorvaneTest/16x16/mimetypes/text-x-generic.png");
    EXPECT_EQ(ZRResourceFork::iconFamilyDataForFile(document)->mid(16), png); // the PNG bytes unchanged
    EXPECT_EQ(elements(ZRResourceFork::iconFamilyDataForURL(QUrl::fromLocalFile(tmp / "icons"))),
              QStringList{QStringLiteral("icp5")});
    corvane::test::writeFile(tmp / "app.desktop",
                             "[Desktop Entry]\nType=Application\nName=App\nExec=true\nIcon=corvane-test-app\n");
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
