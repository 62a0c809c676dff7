#include "ZRAlias.h"

#include "DataExtensions.h"
#include "StringExtensions.h"
#include "StringCarbonUtilities.h"
#include "URLCarbonUtilities.h"
#include "ZRResourceFork.h"

#include "platform/files/AliasRecord.h"
#include "platform/files/CompanionFile.h"
#include "platform/files/FileIdentity.h"
#include "platform/files/HfsPath.h"
#include "platform/files/ResourceMap.h"
#include "platform/files/Volume.h"

#include <QDir>
#include <QFile>

#include "ByteReading.h"
#include "TestIconTheme.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::fourCharCode;

using Folder = corvane::test::TemporaryFolder;
using corvane::test::writeFile;

namespace {

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
    const QString file = writeFile(tmp / "a/b/target.txt");
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
    const QString base = writeFile(tmp / "a/from.txt");
    EXPECT_EQ(recordOf(*ZRAlias::aliasWithPath(file, base)).levelsFrom, 1);
    EXPECT_EQ(recordOf(*ZRAlias::aliasWithPath(file, base)).levelsTo, 2);
    EXPECT_EQ(ZRAlias::aliasWithPath(file, tmp / "missing")->data(), alias->data());
}

TEST(ZRAlias, FindsItsTargetAfterARenameOrAMove)
{
    Folder tmp;
    QDir(tmp.path).mkpath(QStringLiteral("one/two"));
    const QString file = writeFile(tmp / "one/doc.txt");
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
    const QString gone = writeFile(tmp / "gone");
    const QString other = writeFile(tmp / "other");
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
    const QString tool = writeFile(tmp / "Tool.app/Tool", "#!/bin/sh\n");
    QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(vl::setFinderInfoFlags(writeFile(tmp / "typed.txt"), 0, 0, fourCharCode("TEXT"), fourCharCode("ttxt")));
    writeFile(tmp / "untyped.txt");
    QDir(tmp.path).mkpath(QStringLiteral("folder"));
    const struct
    {
        const char *target;
        QByteArray type, creator;
        quint16 flags;
        bool icon;
    } rows[] = {
        {"Tool.app", "fapa", "MACS", 0x8400, true},                              // an application package
        {"Tool.app/Tool", "adrp", "MACS", 0x8400, true},                         // an executable file
        {"typed.txt", "TEXT", "ttxt", 0x8000, false},                            // its own type, no custom icon
        {"untyped.txt", QByteArray(4, '\0'), QByteArray(4, '\0'), 0x8400, true}, // no type (the common case here)
        {"folder", "fdrp", "MACS", 0x8000, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.target);
        const QString alias = tmp.path + QStringLiteral("/alias %1").arg(&row - rows);
        ASSERT_TRUE(ZRAlias::aliasWithPath(tmp / row.target)->writeToFile(alias));
        const AliasFile file = aliasFileAt(alias);
        EXPECT_EQ(file.type, row.type);
        EXPECT_EQ(file.creator, row.creator);
        EXPECT_EQ(file.flags, row.flags);
        EXPECT_TRUE(file.resources.contains(qMakePair(QByteArray("alis"), qint16(0))));
        EXPECT_EQ(file.resources.contains(qMakePair(QByteArray("icns"), qint16(-16455))), row.icon);
        EXPECT_EQ(file.resources.size(), row.icon ? 2 : 1);
    }
    auto fork = ZRResourceFork::resourceForkForReadingAtPath(tmp / "alias 0");
    ASSERT_TRUE(fork);
    EXPECT_EQ(fork->nameOfResourceType(fourCharCode("alis"), 0), QStringLiteral("created by ZRAlias"));
    fork->closeFile();

    EXPECT_EQ(vl::aliasOSTypeFor(QUrl::fromLocalFile(QStringLiteral("/"))), fourCharCode("hdsk"));
    EXPECT_EQ(vl::aliasOSTypeFor(QUrl::fromLocalFile(tmp / "missing")), fourCharCode("fdrp"));
    QDir(tmp.path).mkpath(QStringLiteral("Kit.framework"));
    EXPECT_EQ(vl::aliasOSTypeFor(QUrl::fromLocalFile(tmp / "Kit.framework")), fourCharCode("fpka"));
    const QString entry = writeFile(tmp / "app.desktop", "[Desktop Entry]\nType=Application\nName=A\nExec=true\n");
    EXPECT_EQ(vl::aliasOSTypeFor(QUrl::fromLocalFile(entry)), fourCharCode("adrp"));
}

TEST(ZRAlias, AClassicFinderAliasFileReads)
{
    CORVANE_REQUIRE_CORPUS(dir, "macfiles/alias");
    Folder tmp;
    const QString file = writeFile(tmp / "AppAlias");
    platform::AppleDouble companion;
    companion.setResourceFork(corvane::test::fileBytes(dir, "AppAlias.rsrcfork.dat"));
    ASSERT_TRUE(platform::CompanionFile::write(file, companion));
    const auto alias = ZRAlias::aliasWithContentsOfFile(file);
    ASSERT_TRUE(alias);
    EXPECT_EQ(alias->data(), corvane::test::fileBytes(dir, "AppAlias.rsrc.dat"));
    EXPECT_EQ(alias->path(), std::nullopt); // its volume "Boot" is not here
}
