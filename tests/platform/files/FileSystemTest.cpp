#include "platform/files/CompanionFile.h"
#include "platform/files/FileReference.h"
#include "platform/files/HfsLocation.h"
#include "platform/files/Volume.h"
#include "platform/files/Volume_p.h"

#include <QDir>
#include <QFile>

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace platform;

using Folder = corvane::test::TemporaryFolder;
using corvane::test::writeFile;

TEST(FileReference, FollowsItsItemThroughRenamesAndMoves)
{
    Folder tmp;
    QDir(tmp.path).mkpath(QStringLiteral("a/b/c"));
    const QString original = writeFile(tmp / "a/b/file.txt");
    const std::optional<FileReference> reference = FileReference::fromPath(original);
    ASSERT_TRUE(reference);
    EXPECT_EQ(reference->path(), original);

    ASSERT_TRUE(QFile::rename(original, tmp / "a/b/renamed.txt"));
    EXPECT_EQ(reference->path(), tmp / "a/b/renamed.txt");
    ASSERT_TRUE(QFile::rename(tmp / "a/b/renamed.txt", tmp / "a/b/c/moved.txt")); // below the last folder
    EXPECT_EQ(reference->path(), tmp / "a/b/c/moved.txt");
    ASSERT_TRUE(QFile::rename(tmp / "a/b/c/moved.txt", tmp / "top.txt")); // above it
    EXPECT_EQ(reference->path(), tmp / "top.txt");
    ASSERT_TRUE(QFile::remove(tmp / "top.txt"));
    EXPECT_EQ(reference->path(), std::nullopt);
    EXPECT_FALSE(FileReference::fromPath(tmp / "missing"));
    EXPECT_EQ(FileReference().path(), std::nullopt);
}

// In a chroot (a package build's, say) the mount holding "/" is not listed.
TEST(Volume, TheRootOfAChrootIsAVolumeOfItsOwn)
{
    const QByteArray chroot = "44 26 0:39 / /proc rw,relatime - proc proc rw\n"
                              "45 26 0:21 / /sys rw,relatime - sysfs sysfs rw\n"
                              "46 45 0:27 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n";
    const QList<Volume> volumes = detail::volumesFromMountInfo(chroot, 0x801);
    ASSERT_EQ(volumes.size(), 4);
    EXPECT_EQ(volumes[0].mountPoint, "/");
    EXPECT_EQ(volumes[0].device, 0x801U);
    EXPECT_EQ(volumes[0].reference(), -26);
    EXPECT_EQ(volumes[0].name(), "Root");

    const QByteArray machine = "26 1 254:0 / / rw - ext4 /dev/vda rw\n" + chroot;
    EXPECT_EQ(detail::volumesFromMountInfo(machine, 0x801).size(), 4);
    EXPECT_EQ(detail::volumesFromMountInfo(machine, 0x801)[0].source, "/dev/vda");
}

TEST(HfsLocation, NamesAParentAndAShortNameAndLeadsBack)
{
    Folder tmp;
    const QString file = writeFile(tmp / "item:file.txt");
    const std::optional<HfsLocation> location = HfsLocation::fromReference(*FileReference::fromPath(file));
    ASSERT_TRUE(location);
    EXPECT_EQ(location->name(), "item/file.txt"); // ':' and '/' swap in HFS names
    EXPECT_EQ(location->pascalName(), QByteArray("\x0ditem/file.txt"));
    struct stat parent;
    ASSERT_EQ(::stat(QFile::encodeName(tmp.path).constData(), &parent), 0);
    EXPECT_EQ(location->parentDirectory(), parent.st_ino);
    EXPECT_EQ(location->volume(), Volume::containing(file)->reference());
    const std::optional<FileReference> back = location->toReference();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->path(), file);

    const QString longName = writeFile(tmp.path + u'/' + QString(64, u'n'));
    EXPECT_FALSE(HfsLocation::fromReference(*FileReference::fromPath(longName)));
    EXPECT_TRUE(HfsLocation::fromReference(*FileReference::fromPath(writeFile(tmp.path + u'/' + QString(63, u'n')))));
    EXPECT_FALSE(HfsLocation::fromParts(location->volume(), location->parentDirectory(), QByteArray(64, 'x')));
    EXPECT_FALSE(HfsLocation::fromParts(location->volume(), location->parentDirectory(), "absent")->toReference());
}

TEST(CompanionFile, LivesBesideItsItemAndMovesWithIt)
{
    Folder tmp;
    const QString file = writeFile(tmp / "doc.txt");
    EXPECT_EQ(CompanionFile::pathFor(file), tmp / "._doc.txt");
    EXPECT_EQ(CompanionFile::pathFor(tmp.path + u'/' + QString(253, u'n')).has_value(), true);
    EXPECT_FALSE(CompanionFile::pathFor(tmp.path + u'/' + QString(254, u'n')));
    EXPECT_FALSE(CompanionFile::pathFor(QStringLiteral("/")));
    EXPECT_EQ(CompanionFile::read(file), AppleDouble()); // none there: nothing to report

    AppleDouble contents;
    FinderInfo info;
    info.setFinderFlags(kIsInvisible);
    contents.setFinderInfo(info);
    ASSERT_TRUE(CompanionFile::write(file, contents));
    EXPECT_EQ(QFileInfo(tmp / "._doc.txt").size(), 4096);
    EXPECT_EQ(CompanionFile::read(file), contents);

    const QString stale = writeFile(tmp / "._other.txt", AppleDouble().toBytes());
    ASSERT_TRUE(CompanionFile::moveItem(file, tmp / "other.txt"));
    EXPECT_FALSE(QFileInfo::exists(tmp / "._doc.txt"));
    EXPECT_EQ(CompanionFile::read(tmp / "other.txt"), contents);
    EXPECT_FALSE(CompanionFile::moveItem(tmp / "other.txt", tmp.path + u'/' + QString(254, u'n')));
    EXPECT_TRUE(QFileInfo::exists(tmp / "other.txt")); // refused whole

    ASSERT_TRUE(CompanionFile::write(tmp / "other.txt", AppleDouble())); // empty: the companion goes
    EXPECT_FALSE(QFileInfo::exists(stale));
    writeFile(tmp / "._broken", "not a header");
    writeFile(tmp / "broken");
    EXPECT_FALSE(CompanionFile::read(tmp / "broken"));
}
