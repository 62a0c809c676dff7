#include "StringCarbonUtilities.h"
#include "URLCarbonUtilities.h"
#include "URLExtensions.h"

#include "platform/files/CompanionFile.h"
#include "platform/files/Volume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "TestSupport.h"

#include <gtest/gtest.h>

using platform::fourCharCode;

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

quint16 flagsOf(const QString &path)
{
    quint16 flags = 0;
    EXPECT_TRUE(vl::finderInfoFlags(path, &flags, nullptr, nullptr));
    return flags;
}

} // namespace

TEST(CarbonUtilities, AMissingItemGivesNothing)
{
    Folder tmp;
    const QString missing = tmp / "missing";
    const QUrl url = QUrl::fromLocalFile(missing);
    platform::FileReference reference;
    platform::FileSpecification specification;
    quint16 flags = 7;
    EXPECT_FALSE(vl::getFSRef(missing, &reference));
    EXPECT_FALSE(vl::getFSRef(url, &reference));
    EXPECT_FALSE(vl::getFSSpec(url, &specification));
    EXPECT_FALSE(vl::finderInfoFlags(missing, &flags, nullptr, nullptr));
    EXPECT_FALSE(vl::finderInfoFlags(url, &flags, nullptr, nullptr));
    EXPECT_EQ(flags, 7); // untouched
    EXPECT_EQ(vl::finderLocation(url), QPointF(0, 0));
    EXPECT_FALSE(vl::setFinderLocation(missing, QPointF(1, 1)));
    EXPECT_EQ(vl::resolveAliasFile(url), std::nullopt);
    EXPECT_EQ(vl::resolveAliasFile(missing), missing);
    EXPECT_FALSE(vl::isInvisibleFinderInfoFlag(missing));
    EXPECT_FALSE(vl::setIsInvisibleFinderInfoFlag(missing, true));
    EXPECT_FALSE(vl::getFSRef(QUrl(QStringLiteral("https://example.org/x")), &reference));
    EXPECT_TRUE(vl::fileSystemPathHFSStyle(QUrl(QStringLiteral("https://example.org/x"))).isNull());
}

TEST(CarbonUtilities, ReferencesAndSpecificationsLeadBackToTheItem)
{
    Folder tmp;
    const QString file = touch(tmp / "item.txt");
    platform::FileReference reference;
    ASSERT_TRUE(vl::getFSRef(file, &reference));
    EXPECT_EQ(vl::stringWithFSRef(reference), file);
    EXPECT_EQ(vl::URLWithFSRef(reference), QUrl::fromLocalFile(file));
    EXPECT_EQ(vl::fileURLWithFSRef(reference), QUrl::fromLocalFile(file));
    platform::FileReference folder;
    ASSERT_TRUE(vl::getFSRef(QUrl::fromLocalFile(tmp.path), &folder));
    EXPECT_EQ(vl::URLWithFSRef(folder), QUrl::fromLocalFile(tmp.path + u'/')); // a folder URL

    platform::FileSpecification specification;
    ASSERT_TRUE(vl::getFSSpec(file, &specification));
    EXPECT_EQ(specification.name(), "item.txt");
    EXPECT_EQ(vl::fileURLWithFSSpec(specification), QUrl::fromLocalFile(file));
    ASSERT_TRUE(QFile::rename(file, tmp / "renamed.txt"));
    EXPECT_EQ(vl::stringWithFSRef(reference), tmp / "renamed.txt");
    EXPECT_EQ(vl::fileURLWithFSSpec(specification), std::nullopt); // the name it holds is gone
    EXPECT_FALSE(vl::getFSSpec(touch(tmp.path + u'/' + QString(64, u'x')), &specification));
    EXPECT_EQ(vl::fileURLWithFSRef(platform::FileReference()), QUrl());
}

TEST(CarbonUtilities, HfsPathsOfPathsAndUrls)
{
    Folder tmp;
    const QString file = touch(tmp / "notes.txt");
    const QString hfs = vl::fileSystemPathHFSStyle(file);
    EXPECT_EQ(hfs, vl::fileSystemPathHFSStyle(QUrl::fromLocalFile(file)));
    EXPECT_TRUE(hfs.startsWith(platform::Volume::containing(file)->name() + u':'));
    EXPECT_TRUE(hfs.endsWith(QStringLiteral(":notes.txt")));
    EXPECT_EQ(vl::pathFromFileSystemPathHFSStyle(hfs), file);
    EXPECT_EQ(vl::URLWithFileSystemPathHFSStyle(hfs), QUrl::fromLocalFile(file));
    const QString folderHfs = vl::fileSystemPathHFSStyle(tmp.path);
    EXPECT_FALSE(folderHfs.endsWith(u':')); // folders carry no trailing colon
    EXPECT_EQ(vl::URLWithFileSystemPathHFSStyle(folderHfs + u':'), QUrl::fromLocalFile(tmp.path + u'/'));
    EXPECT_EQ(vl::URLWithFileSystemPathHFSStyle(folderHfs), QUrl::fromLocalFile(tmp.path));
    EXPECT_EQ(vl::pathFromFileSystemPathHFSStyle(QStringLiteral("No Such Volume \u2603:x")), std::nullopt);

    EXPECT_EQ(vl::URLByDeletingLastPathComponent(QUrl(QStringLiteral("file:///a/b/c"))),
              QUrl(QStringLiteral("file:///a/b/")));
    EXPECT_EQ(vl::URLByDeletingLastPathComponent(QUrl(QStringLiteral("file:///a/b/"))),
              QUrl(QStringLiteral("file:///a/")));
}

TEST(CarbonUtilities, FlagsFollowTheMaskAndClearHasBeenInited)
{
    Folder tmp;
    const QString file = touch(tmp / "flags");
    const QUrl url = QUrl::fromLocalFile(file);
    quint16 flags = 1;
    platform::OSType type = 1;
    platform::OSType creator = 1;
    ASSERT_TRUE(vl::finderInfoFlags(url, &flags, &type, &creator)); // no companion: all zero
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(creator, 0u);

    // 0x0500 written whole first (the mask 0xFFFF), so only 0x0100 goes.
    ASSERT_TRUE(vl::setFinderInfoFlags(url, 0x0500, 0xFFFF, fourCharCode("TEXT"), fourCharCode("ttxt")));
    EXPECT_EQ(flagsOf(file), 0x0400);
    platform::AppleDouble companion = *platform::CompanionFile::read(file);
    platform::FinderInfo info = companion.finderInfo();
    info.setFinderFlags(0x0500); // as another writer left it
    companion.setFinderInfo(info);
    ASSERT_TRUE(platform::CompanionFile::write(file, companion));
    ASSERT_TRUE(vl::setFinderInfoFlags(url, 0x8000, 0x8400, fourCharCode("APPL"), fourCharCode("ABCD")));
    ASSERT_TRUE(vl::finderInfoFlags(file, &flags, &type, &creator));
    EXPECT_EQ(flags, 0x8000);
    EXPECT_EQ(type, fourCharCode("APPL"));
    EXPECT_EQ(creator, fourCharCode("ABCD"));
    // The bytes as the format places them: type, creator, flags from 0x32.
    const QByteArray bytes = *corvane::test::readFile(tmp / "._flags");
    EXPECT_EQ(bytes.mid(0x32, 10), QByteArray("APPLABCD\x80\x00", 10));
}

TEST(CarbonUtilities, EachFlagAccessorOwnsOneBit)
{
    Folder tmp;
    const QString file = touch(tmp / "bits");
    ASSERT_TRUE(
        vl::setFinderInfoFlags(file, platform::kHasCustomIcon, 0xFFFF, fourCharCode("TEXT"), fourCharCode("abcd")));
    EXPECT_TRUE(vl::hasCustomIconFinderInfoFlag(file));
    EXPECT_TRUE(vl::hasCustomIcon(QUrl::fromLocalFile(file)));
    EXPECT_FALSE(vl::isStationeryFinderInfoFlag(file)); // 0x0800 alone

    struct Accessor
    {
        bool (*get)(const QString &);
        bool (*set)(const QString &, bool);
        quint16 bit;
    };
    const Accessor accessors[] = {
        {vl::isStationeryFinderInfoFlag, vl::setIsStationeryFinderInfoFlag, 0x0800},
        {vl::hasNameLockedFinderInfoFlag, vl::setHasNameLockedFinderInfoFlag, 0x1000},
        {vl::hasBundleFinderInfoFlag, vl::setHasBundleFinderInfoFlag, 0x2000},
        {vl::isInvisibleFinderInfoFlag, vl::setIsInvisibleFinderInfoFlag, 0x4000},
        {vl::isAliasFinderInfoFlag, vl::setIsAliasFinderInfoFlag, 0x8000},
        {vl::hasCustomIconFinderInfoFlag, vl::setHasCustomIconFinderInfoFlag, 0x0400},
    };
    for (const Accessor &a : accessors) {
        SCOPED_TRACE(a.bit);
        const quint16 before = flagsOf(file);
        ASSERT_TRUE(a.set(file, true));
        EXPECT_TRUE(a.get(file));
        EXPECT_EQ(flagsOf(file), before | a.bit);
        ASSERT_TRUE(a.set(file, false));
        EXPECT_FALSE(a.get(file));
        EXPECT_EQ(flagsOf(file), before & ~a.bit);
        ASSERT_TRUE(a.set(file, true));
    }
    platform::OSType type = 0;
    platform::OSType creator = 0;
    ASSERT_TRUE(vl::finderInfoFlags(file, nullptr, &type, &creator));
    EXPECT_EQ(type, fourCharCode("TEXT"));
    EXPECT_EQ(creator, fourCharCode("abcd"));
}

TEST(CarbonUtilities, LocationsAreTruncatedToSixteenBits)
{
    Folder tmp;
    const QString file = touch(tmp / "placed");
    ASSERT_TRUE(vl::setFinderLocation(QUrl::fromLocalFile(file), QPointF(10.7, 20.9)));
    EXPECT_EQ(vl::finderLocation(file), QPointF(10.0, 20.0));
    const QByteArray bytes = *corvane::test::readFile(tmp / "._placed");
    EXPECT_EQ(bytes.mid(0x32 + 10, 4), QByteArray("\x00\x14\x00\x0a", 4)); // vertical first
    ASSERT_TRUE(vl::setFinderLocation(file, QPointF(-10.7, 1e9)));
    EXPECT_EQ(vl::finderLocation(file), QPointF(-10.0, 32767.0));
}

TEST(CarbonUtilities, PascalStringsAndWhitespace)
{
    EXPECT_EQ(vl::pascalString(QStringLiteral("abc")), QByteArray("\x03"
                                                                  "abc"));
    EXPECT_EQ(vl::pascalString(QString(300, u'x')), std::nullopt);
    EXPECT_EQ(vl::pascalString(QString(255, u'x'))->size(), 256);
    EXPECT_EQ(vl::pascalString(QStringLiteral("\u00e9")), QByteArray("\x01\x8e")); // Mac Roman
    EXPECT_EQ(vl::pascalString(QStringLiteral("\u20ac\u4e2d")), std::nullopt); // no Mac Roman form
    char buffer[8] = {};
    EXPECT_TRUE(vl::getPascalString(QStringLiteral("seven"), buffer, 6));
    EXPECT_EQ(QByteArray(buffer, 6), QByteArray("\x05seven"));
    EXPECT_FALSE(vl::getPascalString(QStringLiteral("seven"), buffer, 5));
    EXPECT_FALSE(vl::getPascalString(QStringLiteral("x"), nullptr, 5));
    EXPECT_EQ(vl::stringWithPascalString(QByteArray("\x02\x8e!")), QStringLiteral("\u00e9!"));
    EXPECT_EQ(vl::stringWithPascalString(QByteArray("\x09short")), std::nullopt);
    EXPECT_EQ(vl::trimWhitespace(QStringLiteral("  a b  ")), QStringLiteral("a b"));
}
