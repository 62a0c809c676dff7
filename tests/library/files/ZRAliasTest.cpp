#include "ZRAlias.h"

#include "DataExtensions.h"
#include "StringCarbonUtilities.h"
#include "StringExtensions.h"
#include "URLCarbonUtilities.h"
#include "ZRResourceFork.h"

#include "platform/archive/Archiver.h"
#include "platform/archive/Unarchiver.h"
#include "platform/files/AliasRecord.h"
#include "platform/files/CompanionFile.h"
#include "platform/files/FileIdentity.h"
#include "platform/files/HfsPath.h"
#include "platform/files/ResourceManager.h"
#include "platform/files/ResourceMap.h"
#include "platform/files/Volume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "ByteReading.h"
#include "TestIconTheme.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::fourCharCode;

namespace {

QString touch(const QString &path, const QByteArray &contents = {})
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write(contents);
    file.close();
    return QFileInfo(path).canonicalFilePath();
}

struct Folder
{
    QTemporaryDir dir;
    QString path = QFileInfo(dir.path()).canonicalFilePath();
    QString operator/(const char *name) const { return path + u'/' + QString::fromUtf8(name); }
};

platform::AliasRecord recordOf(ZRAlias &alias)
{
    return platform::AliasRecord::parse(*alias.data()).value_or(platform::AliasRecord());
}

// What an alias file holds, read from its companion without the alias code.
struct AliasFile
{
    QByteArray type, creator;
    quint16 flags = 0;
    QList<QPair<QByteArray, qint16>> resources;
};

AliasFile aliasFileAt(const QString &path)
{
    AliasFile file;
    const std::optional<platform::AppleDouble> companion = platform::CompanionFile::read(path);
    if (!companion)
        return file;
    const QByteArray info = companion->finderInfo().toBytes();
    file.type = info.first(4);
    file.creator = info.mid(4, 4);
    file.flags = companion->finderInfo().finderFlags();
    const auto fork = companion->resourceFork() ? platform::ResourceMap::parse(*companion->resourceFork())
                                                : std::nullopt;
    for (const auto &resource : fork ? fork->resources() : QList<std::shared_ptr<platform::Resource>>())
        file.resources.append({platform::fourCharCodeBytes(resource->type), resource->id});
    return file;
}

} // namespace

TEST(ZRAlias, TheRecordTakesTheVersionTwoForm)
{
    Folder tmp;
    QDir(tmp.path).mkpath(QStringLiteral("a/b"));
    const QString file = touch(tmp / "a/b/target.txt");
    const auto alias = ZRAlias::aliasWithPath(file);
    ASSERT_TRUE(alias);
    const platform::AliasRecord record = recordOf(*alias);
    EXPECT_EQ(record.version, 2);
    EXPECT_EQ(record.kind, 0);
    EXPECT_EQ(record.targetName, "target.txt");
    struct stat info;
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(record.targetId, info.st_ino < 0xFFFFFFFF ? info.st_ino : 0xFFFFFFFF);
    EXPECT_EQ(record.unicodeField(platform::AliasRecord::UnicodeName), QStringLiteral("target.txt"));
    EXPECT_EQ(record.field(platform::AliasRecord::ParentName), "b");
    const platform::Volume volume = *platform::Volume::containing(file);
    EXPECT_EQ(record.field(platform::AliasRecord::PosixMountPoint), QFile::encodeName(volume.mountPoint));
    EXPECT_EQ(QFile::decodeName(*record.field(platform::AliasRecord::PosixPath)),
              file.sliced(volume.mountPoint.size())); // from the mount point: "tmp/..." on "/"
    EXPECT_EQ(record.field(platform::AliasRecord::HfsPathTag),
              QFile::encodeName(*platform::HfsPath::fromPath(tmp / "a/b")) + QByteArray(":\0target.txt", 12));
    EXPECT_EQ(record.levelsFrom, -1);
    EXPECT_EQ(record.field(platform::AliasRecord::LinuxFileId)->size(), 36);
    EXPECT_EQ(bytes::at<quint16>(*alias->data(), 4), alias->data()->size()); // aliasSize

    // A base that exists adds the relative levels; one that does not is left out.
    const QString base = touch(tmp / "a/from.txt");
    EXPECT_EQ(recordOf(*ZRAlias::aliasWithPath(file, base)).levelsFrom, 1);
    EXPECT_EQ(recordOf(*ZRAlias::aliasWithPath(file, base)).levelsTo, 2);
    EXPECT_EQ(ZRAlias::aliasWithPath(file, tmp / "missing")->data(), alias->data());
}

TEST(ZRAlias, FindsItsTargetAfterARenameOrAMove)
{
    Folder tmp;
    QDir(tmp.path).mkpath(QStringLiteral("one/two"));
    const QString file = touch(tmp / "one/doc.txt");
    const auto alias = ZRAlias::aliasWithPath(file);
    ASSERT_TRUE(alias);
    const QByteArray before = *alias->data();

    ASSERT_TRUE(QFile::rename(file, tmp / "one/renamed.txt"));
    EXPECT_EQ(alias->path(), tmp / "one/renamed.txt");
    EXPECT_TRUE(alias->changed());
    EXPECT_NE(alias->data(), before); // the record now names the new place
    EXPECT_EQ(alias->path(), tmp / "one/renamed.txt");
    EXPECT_FALSE(alias->changed()); // found where the record says

    ASSERT_TRUE(QFile::rename(tmp / "one/renamed.txt", tmp / "one/two/moved.txt"));
    EXPECT_EQ(alias->path(), tmp / "one/two/moved.txt");
    ASSERT_TRUE(QFile::rename(tmp / "one/two/moved.txt", tmp / "up.txt"));
    EXPECT_EQ(alias->path(), tmp / "up.txt");
    ASSERT_TRUE(QFile::remove(tmp / "up.txt"));
    EXPECT_EQ(alias->path(), std::nullopt);
    EXPECT_EQ(alias->description(), std::nullopt);
}

TEST(ZRAlias, AReusedInodeNumberIsNoMatch)
{
    Folder tmp;
    const QString gone = touch(tmp / "gone");
    const QString other = touch(tmp / "other");
    const std::optional<platform::FileIdentity> identity = platform::FileIdentity::of(gone);
    if (!identity || (!identity->birth && !identity->generation))
        GTEST_SKIP() << "the file system keeps neither birth times nor inode generations";
    platform::AliasRecord record = recordOf(*ZRAlias::aliasWithPath(gone));
    ASSERT_TRUE(QFile::remove(gone));
    // As if the deleted file's inode number had gone to `other`.
    QByteArray id = *record.field(platform::AliasRecord::LinuxFileId);
    struct stat info;
    ASSERT_EQ(::stat(QFile::encodeName(other).constData(), &info), 0);
    bytes::put<quint64>(id, 8, info.st_ino);
    record.setField(platform::AliasRecord::LinuxFileId, id);
    const auto alias = ZRAlias::aliasWithData(record.toBytes());
    alias->setTryFileIDFirst(true);
    EXPECT_EQ(alias->path(), std::nullopt);
}

TEST(ZRAlias, AliasFilesOfEachKind)
{
    Folder tmp;
    const TestIconTheme theme(
        tmp.path,
        {{"mimetypes", "text-x-generic", 16}, {"mimetypes", "application-x-executable", 16}, {"places", "folder", 16}});
    // An application package: an app folder with its executable.
    QDir(tmp.path).mkpath(QStringLiteral("Tool.app"));
    const QString tool = touch(tmp / "Tool.app/Tool", "#!/bin/sh\n");
    QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(ZRAlias::aliasWithPath(tmp / "Tool.app")->writeToFile(tmp / "Tool alias"));
    AliasFile app = aliasFileAt(tmp / "Tool alias");
    EXPECT_EQ(app.type, "fapa");
    EXPECT_EQ(app.creator, "MACS");
    EXPECT_EQ(app.flags, 0x8400);
    EXPECT_TRUE(app.resources.contains(qMakePair(QByteArray("icns"), qint16(-16455))));
    EXPECT_TRUE(app.resources.contains(qMakePair(QByteArray("alis"), qint16(0))));
    auto fork = ZRResourceFork::resourceForkForReadingAtPath(tmp / "Tool alias");
    ASSERT_TRUE(fork);
    EXPECT_EQ(fork->nameOfResourceType(fourCharCode("alis"), 0), QStringLiteral("created by ZRAlias"));
    fork->closeFile();

    // An application that is no package: an executable file.
    ASSERT_TRUE(ZRAlias::aliasWithPath(tool)->writeToFile(tmp / "exe alias"));
    EXPECT_EQ(aliasFileAt(tmp / "exe alias").type, "adrp");
    EXPECT_EQ(aliasFileAt(tmp / "exe alias").flags, 0x8400);

    // A plain file with a type of its own and no custom icon.
    const QString typed = touch(tmp / "typed.txt");
    ASSERT_TRUE(vl::setFinderInfoFlags(typed, 0, 0, fourCharCode("TEXT"), fourCharCode("ttxt")));
    ASSERT_TRUE(ZRAlias::aliasWithPath(typed)->writeToFile(tmp / "typed alias"));
    const AliasFile plain = aliasFileAt(tmp / "typed alias");
    EXPECT_EQ(plain.type, "TEXT");
    EXPECT_EQ(plain.creator, "ttxt");
    EXPECT_EQ(plain.flags, 0x8000);
    EXPECT_EQ(plain.resources, (QList<QPair<QByteArray, qint16>>{{"alis", 0}}));

    // A plain file without a type (the common case here): its icon is used.
    ASSERT_TRUE(ZRAlias::aliasWithPath(touch(tmp / "untyped.txt"))->writeToFile(tmp / "untyped alias"));
    const AliasFile untyped = aliasFileAt(tmp / "untyped alias");
    EXPECT_EQ(untyped.type, QByteArray(4, '\0'));
    EXPECT_EQ(untyped.flags, 0x8400);
    EXPECT_TRUE(untyped.resources.contains(qMakePair(QByteArray("icns"), qint16(-16455))));

    // A folder without a custom icon.
    QDir(tmp.path).mkpath(QStringLiteral("folder"));
    ASSERT_TRUE(ZRAlias::aliasWithPath(tmp / "folder")->writeToFile(tmp / "folder alias"));
    const AliasFile folder = aliasFileAt(tmp / "folder alias");
    EXPECT_EQ(folder.type, "fdrp");
    EXPECT_EQ(folder.creator, "MACS");
    EXPECT_EQ(folder.flags, 0x8000);
    EXPECT_EQ(folder.resources.size(), 1);

    EXPECT_EQ(vl::aliasOSTypeFor(QUrl::fromLocalFile(QStringLiteral("/"))), fourCharCode("hdsk"));
    EXPECT_EQ(vl::aliasOSTypeFor(QUrl::fromLocalFile(tmp / "missing")), fourCharCode("fdrp"));
    QDir(tmp.path).mkpath(QStringLiteral("Kit.framework"));
    EXPECT_EQ(vl::aliasOSTypeFor(QUrl::fromLocalFile(tmp / "Kit.framework")), fourCharCode("fpka"));
    const QString entry = touch(tmp / "app.desktop", "[Desktop Entry]\nType=Application\nName=A\nExec=true\n");
    EXPECT_EQ(vl::aliasOSTypeFor(QUrl::fromLocalFile(entry)), fourCharCode("adrp"));
}

TEST(ZRAlias, AClassicFinderAliasFileReads)
{
    CORVANE_REQUIRE_CORPUS(dir, "macfiles/alias");
    Folder tmp;
    const QString file = touch(tmp / "AppAlias");
    platform::AppleDouble companion;
    companion.setResourceFork(*corvane::test::readFile(dir + QStringLiteral("/AppAlias.rsrcfork.dat")));
    ASSERT_TRUE(platform::CompanionFile::write(file, companion));
    const auto alias = ZRAlias::aliasWithContentsOfFile(file);
    ASSERT_TRUE(alias);
    EXPECT_EQ(alias->data(), corvane::test::readFile(dir + QStringLiteral("/AppAlias.rsrc.dat")));
    EXPECT_EQ(alias->path(), std::nullopt); // its volume "Boot" is not here
}
